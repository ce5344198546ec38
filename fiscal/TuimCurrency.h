#pragma once
#include <cstdint>
#include <string>

namespace tuim {

// Amounts: a signed 64-bit count of ten-thousandths, so decimal values never pass through
// binary floating point on their way to the XML.
class TCurrency {
public:
  static constexpr std::int64_t kScale = 10000;

  constexpr TCurrency() = default;
  constexpr TCurrency(int v) : fRaw(static_cast<std::int64_t>(v) * kScale) {}
  constexpr TCurrency(long long v) : fRaw(static_cast<std::int64_t>(v) * kScale) {}
  // From a double: the nearest four-decimal value, half away from zero.
  static TCurrency FromDouble(double v);
  static constexpr TCurrency FromRaw(std::int64_t raw) { TCurrency c; c.fRaw = raw; return c; }
  // Parses "-1234.5678" or "1234,5678" (either separator, optional sign, surrounding blanks).
  // Digits past the fourth decimal round half away from zero. False on anything else.
  static bool TryParse(const std::string& text, TCurrency& out);

  constexpr std::int64_t Raw() const { return fRaw; }
  double ToDouble() const { return static_cast<double>(fRaw) / kScale; }

  // Rounded half away from zero to `decimals` (0..4) places, '.' as separator, never "-0".
  std::string ToString(int decimals = 2, char separator = '.') const;
  TCurrency Round(int decimals) const;

  friend constexpr TCurrency operator+(TCurrency a, TCurrency b) { return FromRaw(a.fRaw + b.fRaw); }
  friend constexpr TCurrency operator-(TCurrency a, TCurrency b) { return FromRaw(a.fRaw - b.fRaw); }
  friend constexpr TCurrency operator-(TCurrency a) { return FromRaw(-a.fRaw); }
  // Product and quotient rounded half away from zero to four decimals.
  friend TCurrency operator*(TCurrency a, TCurrency b);
  friend TCurrency operator/(TCurrency a, TCurrency b);
  TCurrency& operator+=(TCurrency b) { fRaw += b.fRaw; return *this; }
  TCurrency& operator-=(TCurrency b) { fRaw -= b.fRaw; return *this; }
  friend constexpr auto operator<=>(TCurrency a, TCurrency b) = default;

private:
  std::int64_t fRaw = 0;
};

}  // namespace tuim
