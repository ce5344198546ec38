#include "xml/TuimValorCampo.h"

#include <cctype>
#include <charconv>
#include <cmath>
#include <limits>

namespace tuim {
namespace {

bool Branco(char c) { return static_cast<unsigned char>(c) <= ' '; }

std::string_view Aparar(std::string_view s) {
  while (!s.empty() && Branco(s.front())) s.remove_prefix(1);
  while (!s.empty() && Branco(s.back())) s.remove_suffix(1);
  return s;
}

// "[+-]digits[(.|,)digits]" or "[+-](.|,)digits", normalised to "[-]digits[.digits]".
bool NormalizarDecimal(std::string_view s, std::string& out) {
  s = Aparar(s);
  std::string r;
  std::size_t i = 0;
  if (i < s.size() && (s[i] == '-' || s[i] == '+')) {
    if (s[i] == '-') r += '-';
    ++i;
  }
  bool digito = false, separador = false;
  for (; i < s.size(); ++i) {
    char c = s[i];
    if (c >= '0' && c <= '9') {
      r += c;
      digito = true;
    } else if ((c == '.' || c == ',') && !separador) {
      separador = true;
      r += '.';
    } else {
      return false;
    }
  }
  if (!digito) return false;
  if (r.back() == '.') r.pop_back();
  if (r.empty() || r == "-") return false;
  if (r[0] == '.' || (r[0] == '-' && r.size() > 1 && r[1] == '.')) r.insert(r[0] == '-' ? 1 : 0, "0");
  out = std::move(r);
  return true;
}

std::string RealParaTexto(double v, std::chars_format formato) {
  char buf[400];
  auto res = std::to_chars(buf, buf + sizeof buf, v, formato);
  if (res.ec != std::errc()) return "0";
  return std::string(buf, res.ptr);
}

std::string CurrencyParaTexto(std::int64_t raw) {
  // Exact decimal text of a ten-thousandths count, without trailing zeros.
  bool neg = raw < 0;
  unsigned long long a = neg ? 0ULL - static_cast<unsigned long long>(raw) : static_cast<unsigned long long>(raw);
  std::string r = std::to_string(a / 10000);
  unsigned long long f = a % 10000;
  if (f != 0) {
    std::string fs = std::to_string(f);
    fs.insert(0, 4 - fs.size(), '0');
    while (fs.back() == '0') fs.pop_back();
    r += '.';
    r += fs;
  }
  if (neg) r.insert(0, "-");
  return r;
}

std::int64_t ArredondarInteiro(const std::string& dec) {
  // dec is normalised; round half away from zero at the units.
  bool neg = !dec.empty() && dec[0] == '-';
  std::size_t i = neg ? 1 : 0;
  std::size_t ponto = dec.find('.');
  std::string_view inteiros(dec.data() + i, (ponto == std::string::npos ? dec.size() : ponto) - i);
  unsigned long long v = 0;
  for (char c : inteiros) {
    if (v > (std::numeric_limits<unsigned long long>::max() - 9) / 10) return 0;
    v = v * 10 + static_cast<unsigned>(c - '0');
  }
  if (ponto != std::string::npos && ponto + 1 < dec.size() && dec[ponto + 1] >= '5') ++v;
  if (v > static_cast<unsigned long long>(std::numeric_limits<std::int64_t>::max())) return 0;
  std::int64_t r = static_cast<std::int64_t>(v);
  return neg ? -r : r;
}

}  // namespace

TValorCampo TValorCampo::RealDeTexto(double v, std::string texto) {
  TValorCampo r(v);
  r.fTexto = std::move(texto);
  return r;
}

bool TValorCampo::TextoDecimal(std::string& out) const {
  switch (fTipo) {
    case tvVazio:
      return false;
    case tvTexto:
      return NormalizarDecimal(fTexto, out);
    case tvInteiro:
    case tvLogico:
      out = std::to_string(fInteiro);
      return true;
    case tvDecimal:
      out = CurrencyParaTexto(fInteiro);
      return true;
    case tvReal:
      if (!fTexto.empty() && NormalizarDecimal(fTexto, out)) return true;
      if (!std::isfinite(fReal)) return false;
      // The shortest text that reads back as the same double: 1.005 stays 1.005.
      return NormalizarDecimal(RealParaTexto(fReal, std::chars_format::fixed), out);
  }
  return false;
}

std::string TValorCampo::AsString() const {
  switch (fTipo) {
    case tvVazio:
      return {};
    case tvTexto:
      return fTexto;
    case tvInteiro:
      return std::to_string(fInteiro);
    case tvDecimal:
      return CurrencyParaTexto(fInteiro);
    case tvReal:
      if (!fTexto.empty()) return fTexto;
      if (!std::isfinite(fReal)) return "0";
      return RealParaTexto(fReal, std::chars_format::general);
    case tvLogico:
      return fInteiro ? "True" : "False";
  }
  return {};
}

std::int64_t TValorCampo::AsInt64() const {
  switch (fTipo) {
    case tvInteiro:
    case tvLogico:
      return fInteiro;
    case tvDecimal: {
      std::int64_t q = fInteiro / 10000, r = fInteiro % 10000;
      if (r >= 5000) ++q;
      if (r <= -5000) --q;
      return q;
    }
    default: {
      std::string dec;
      return TextoDecimal(dec) ? ArredondarInteiro(dec) : 0;
    }
  }
}

int TValorCampo::AsInteger() const {
  std::int64_t v = AsInt64();
  if (v > std::numeric_limits<int>::max() || v < std::numeric_limits<int>::min()) return 0;
  return static_cast<int>(v);
}

double TValorCampo::AsDouble() const {
  switch (fTipo) {
    case tvReal:
      return fReal;
    case tvInteiro:
    case tvLogico:
      return static_cast<double>(fInteiro);
    case tvDecimal:
      return TCurrency::FromRaw(fInteiro).ToDouble();
    case tvTexto: {
      std::string dec;
      if (!NormalizarDecimal(fTexto, dec)) return 0;
      double v = 0;
      std::from_chars(dec.data(), dec.data() + dec.size(), v);
      return v;
    }
    case tvVazio:
      break;
  }
  return 0;
}

TCurrency TValorCampo::AsCurrency() const {
  if (fTipo == tvDecimal) return TCurrency::FromRaw(fInteiro);
  std::string dec;
  TCurrency c;
  if (TextoDecimal(dec) && TCurrency::TryParse(dec, c)) return c;
  return TCurrency();
}

bool TValorCampo::AsBoolean() const {
  switch (fTipo) {
    case tvLogico:
    case tvInteiro:
    case tvDecimal:
      return fInteiro != 0;
    case tvReal:
      return fReal != 0;
    case tvTexto: {
      std::string_view t = Aparar(fTexto);
      if (t.size() == 4) {
        std::string l(t);
        for (char& c : l) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        return l == "true";
      }
      return t == "1";
    }
    case tvVazio:
      break;
  }
  return false;
}

}  // namespace tuim
