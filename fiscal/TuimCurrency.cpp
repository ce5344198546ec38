#include "fiscal/TuimCurrency.h"

#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "fiscal/TuimException.h"

namespace tuim {
namespace {

std::int64_t DivRound(__int128 num, __int128 den) {
  // Half away from zero.
  bool neg = (num < 0) != (den < 0);
  if (num < 0) num = -num;
  if (den < 0) den = -den;
  __int128 q = (num + den / 2) / den;
  return static_cast<std::int64_t>(neg ? -q : q);
}

constexpr std::int64_t kPow10[] = {1, 10, 100, 1000, 10000};

}  // namespace

TCurrency TCurrency::FromDouble(double v) {
  // Go through the shortest decimal text of the double so that 1.005 stays 1.005.
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.15g", v);
  TCurrency c;
  if (TryParse(buf, c)) return c;
  return FromRaw(static_cast<std::int64_t>(std::llround(v * kScale)));
}

bool TCurrency::TryParse(const std::string& text, TCurrency& out) {
  std::size_t i = 0, n = text.size();
  while (i < n && std::isspace(static_cast<unsigned char>(text[i]))) ++i;
  while (n > i && std::isspace(static_cast<unsigned char>(text[n - 1]))) --n;
  if (i == n) return false;
  bool neg = false;
  if (text[i] == '-' || text[i] == '+') {
    neg = text[i] == '-';
    ++i;
  }
  __int128 intPart = 0;
  int intDigits = 0;
  while (i < n && std::isdigit(static_cast<unsigned char>(text[i]))) {
    intPart = intPart * 10 + (text[i] - '0');
    if (intPart > static_cast<__int128>(INT64_MAX / kScale)) return false;
    ++i;
    ++intDigits;
  }
  // Extra fraction digits are kept as one more digit plus a "sticky" flag for rounding.
  std::int64_t frac = 0;
  int fracDigits = 0;
  int roundDigit = 0;
  int fracSeen = 0;
  if (i < n && (text[i] == '.' || text[i] == ',')) {
    ++i;
    while (i < n && std::isdigit(static_cast<unsigned char>(text[i]))) {
      if (fracDigits < 4) {
        frac = frac * 10 + (text[i] - '0');
        ++fracDigits;
      } else if (fracSeen == 0) {
        roundDigit = text[i] - '0';
        fracSeen = 1;
      }
      ++i;
    }
  }
  // An exponent, as printf("%g") may write, goes through long double once.
  if (i < n && (text[i] == 'e' || text[i] == 'E')) {
    std::string t = text.substr(0, n);
    char* end = nullptr;
    long double v = std::strtold(t.c_str(), &end);
    if (end != t.c_str() + t.size()) return false;
    long double scaled = std::roundl(v * kScale);
    if (!(std::fabs(scaled) < 9.2e18L)) return false;
    out = FromRaw(static_cast<std::int64_t>(scaled));
    return true;
  }
  if (i != n || (intDigits == 0 && fracDigits == 0)) return false;
  while (fracDigits < 4) {
    frac *= 10;
    ++fracDigits;
  }
  __int128 raw = intPart * kScale + frac;
  if (roundDigit >= 5) raw += 1;
  out = FromRaw(static_cast<std::int64_t>(neg ? -raw : raw));
  return true;
}

TCurrency TCurrency::Round(int decimals) const {
  if (decimals >= 4) return *this;
  if (decimals < 0) decimals = 0;
  std::int64_t unit = kPow10[4 - decimals];
  return FromRaw(DivRound(fRaw, unit) * unit);
}

std::string TCurrency::ToString(int decimals, char separator) const {
  if (decimals < 0) decimals = 0;
  if (decimals > 4) decimals = 4;
  std::int64_t unit = kPow10[4 - decimals];
  std::int64_t v = DivRound(fRaw, unit);  // in units of 10^-decimals
  bool neg = v < 0;
  unsigned long long a = neg ? 0ULL - static_cast<unsigned long long>(v) : static_cast<unsigned long long>(v);
  std::string digits = std::to_string(a);
  if (decimals > 0) {
    if (digits.size() <= static_cast<std::size_t>(decimals))
      digits.insert(0, static_cast<std::size_t>(decimals) + 1 - digits.size(), '0');
    digits.insert(digits.size() - decimals, 1, separator);
  }
  if (neg && a != 0) digits.insert(0, 1, '-');
  return digits;
}

TCurrency operator*(TCurrency a, TCurrency b) {
  return TCurrency::FromRaw(DivRound(static_cast<__int128>(a.fRaw) * b.fRaw, TCurrency::kScale));
}

TCurrency operator/(TCurrency a, TCurrency b) {
  if (b.fRaw == 0) throw ETuimDFeException("Divisão por zero");
  return TCurrency::FromRaw(DivRound(static_cast<__int128>(a.fRaw) * TCurrency::kScale, b.fRaw));
}

}  // namespace tuim
