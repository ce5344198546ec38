#pragma once
#include <cstdint>
#include <string>
#include <string_view>

#include "fiscal/TuimCurrency.h"
#include "fiscal/TuimDateTime.h"

namespace tuim {

enum TTipoValor : std::uint8_t { tvVazio, tvTexto, tvInteiro, tvDecimal, tvReal, tvLogico };

// The value of one XML field: text, integer, fixed-point decimal, floating value (also the
// form of a date-time) or logical. The field kind decides how it is written or read; the
// conversions below never raise and give 0 or the empty text for what does not convert.
class TValorCampo {
public:
  TValorCampo() = default;
  TValorCampo(const std::string& s) : fTipo(tvTexto), fTexto(s) {}
  TValorCampo(std::string&& s) : fTipo(tvTexto), fTexto(std::move(s)) {}
  TValorCampo(const char* s) : fTipo(tvTexto), fTexto(s ? s : "") {}
  TValorCampo(std::string_view s) : fTipo(tvTexto), fTexto(s) {}
  TValorCampo(int v) : fTipo(tvInteiro), fInteiro(v) {}
  TValorCampo(unsigned v) : fTipo(tvInteiro), fInteiro(v) {}
  TValorCampo(long v) : fTipo(tvInteiro), fInteiro(v) {}
  TValorCampo(unsigned long v) : fTipo(tvInteiro), fInteiro(static_cast<std::int64_t>(v)) {}
  TValorCampo(long long v) : fTipo(tvInteiro), fInteiro(v) {}
  TValorCampo(unsigned long long v) : fTipo(tvInteiro), fInteiro(static_cast<std::int64_t>(v)) {}
  TValorCampo(TCurrency v) : fTipo(tvDecimal), fInteiro(v.Raw()) {}
  // A floating value, or a TDateTime (days since 1899-12-30).
  TValorCampo(double v) : fTipo(tvReal), fReal(v) {}
  TValorCampo(bool v) : fTipo(tvLogico), fInteiro(v ? 1 : 0) {}

  // A floating value read from `texto`, kept so that AsCurrency and AsString stay exact.
  static TValorCampo RealDeTexto(double v, std::string texto);

  TTipoValor Tipo() const { return fTipo; }
  bool Vazio() const { return fTipo == tvVazio; }

  // Text: the text itself; numbers in decimal with '.' (shortest form for floating values);
  // logical values as "True"/"False"; empty for tvVazio.
  std::string AsString() const;
  std::int64_t AsInt64() const;  // decimals and floating values rounded half away from zero
  int AsInteger() const;
  double AsDouble() const;
  TCurrency AsCurrency() const;
  TDateTime AsDateTime() const { return AsDouble(); }
  bool AsBoolean() const;

  // Decimal text of the value, "[-]digits[.digits]", exact for every kind of value
  // (floating values in their shortest round-trip form); false when it is not a number.
  bool TextoDecimal(std::string& out) const;

  // The raw text of a text value (or of a floating value read from text).
  const std::string& Texto() const { return fTexto; }

private:
  TTipoValor fTipo = tvVazio;
  std::string fTexto;
  std::int64_t fInteiro = 0;  // integer, decimal raw (x 10000) or logical
  double fReal = 0;
};

}  // namespace tuim
