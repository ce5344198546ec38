#include "xml/TuimNFeCampos.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>

namespace tuim {

namespace {

struct TNomeCST {
  TfscCSTIcms valor;
  const char* codigo;
};

// The repeated values first under their own names, so that Texto never gives an ambiguous code.
constexpr TNomeCST kNomesCST[] = {{cstIcmsPart10, "Part10"}, {cstIcmsPart20, "Part20"}, {cstIcmsPart90, "Part90"},
                                  {cstIcmsST41, "ST41"},     {cstIcmsST60, "ST60"},     {cstIcms90b, "90b"}};

bool Digitos(const std::string& s, std::size_t p, std::size_t n, int& out) {
  if (p + n > s.size()) return false;
  out = 0;
  for (std::size_t i = p; i < p + n; ++i) {
    if (s[i] < '0' || s[i] > '9') return false;
    out = out * 10 + (s[i] - '0');
  }
  return true;
}

bool Hora(const std::string& s, std::size_t p, TDateTime& out) {
  int h, m, seg;
  if (!Digitos(s, p, 2, h) || s[p + 2] != ':' || !Digitos(s, p + 3, 2, m) || s[p + 5] != ':' ||
      !Digitos(s, p + 6, 2, seg))
    return false;
  return TryEncodeTime(h, m, seg, 0, out);
}

bool Data(const std::string& s, TDateTime& out) {
  int a, m, d;
  if (s.size() < 10 || !Digitos(s, 0, 4, a) || s[4] != '-' || !Digitos(s, 5, 2, m) || s[7] != '-' ||
      !Digitos(s, 8, 2, d))
    return false;
  return TryEncodeDate(a, m, d, out);
}

bool Fuso(const std::string& s, std::size_t p) {
  if (p == s.size()) return true;
  if (s.size() - p == 1) return s[p] == 'Z';
  int h, m;
  return s.size() - p == 6 && (s[p] == '+' || s[p] == '-') && Digitos(s, p + 1, 2, h) && s[p + 3] == ':' &&
         Digitos(s, p + 4, 2, m) && h <= 14 && m < 60;
}

// Decimal text with `minimo` decimals at least and no trailing zeros past them.
std::string AparaZeros(std::string t, std::size_t minimo) {
  std::size_t ponto = t.find('.');
  if (ponto == std::string::npos) return t;
  while (t.size() > ponto + 1 + minimo && t.back() == '0') t.pop_back();
  return t;
}

bool DecimalSimples(const std::string& s) {
  std::size_t i = (!s.empty() && s[0] == '-') ? 1 : 0;
  bool digito = false, ponto = false;
  for (; i < s.size(); ++i) {
    if (s[i] >= '0' && s[i] <= '9')
      digito = true;
    else if (s[i] == '.' && !ponto)
      ponto = true;
    else
      return false;
  }
  return digito;
}

}  // namespace

std::string CSTIcmsParaCodigo(TfscCSTIcms v) {
  for (const TNomeCST& n : kNomesCST)
    if (n.valor == v) return n.codigo;
  return CSTIcmsParaTexto(v);
}

TfscCSTIcms CodigoParaCSTIcms(bool& ok, const std::string& s) {
  ok = true;
  for (const TNomeCST& n : kNomesCST)
    if (s == n.codigo) return n.valor;
  // The first value of a plain code: cstIcms10 for "10", cstIcms90 for "90".
  for (int i = cstIcms00; i <= cstIcmsPart20; ++i) {
    const auto v = static_cast<TfscCSTIcms>(i);
    if (CSTIcmsParaTexto(v) == s) return v;
  }
  ok = false;
  return cstIcms00;
}

bool TextoParaDataNFe(const std::string& s, TTipoDataNFe tipo, TDateTime& out) {
  TDateTime data = 0, hora = 0;
  switch (tipo) {
    case tdData:
      if (s.size() != 10 || !Data(s, data)) return false;
      out = data;
      return true;
    case tdHora:
      if (s.size() != 8 || !Hora(s, 0, hora)) return false;
      out = hora;
      return true;
    case tdDataHora:
      if (!Data(s, data)) return false;
      if (s.size() == 10) {
        out = data;
        return true;
      }
      if (s.size() < 19 || s[10] != 'T' || !Hora(s, 11, hora) || !Fuso(s, 19)) return false;
      out = data + hora;
      return true;
  }
  return false;
}

bool TextoParaInteiroNFe(const std::string& s, int& out) {
  if (s.empty() || (s[0] == '+')) return false;
  int v = 0;
  auto [p, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
  if (ec != std::errc() || p != s.data() + s.size()) return false;
  out = v;
  return true;
}

bool TextoParaValorNFe(const std::string& s, TCurrency& out) {
  // Past 15 integer digits the four-decimal integer would overflow.
  if (!DecimalSimples(s) || std::min(s.find('.'), s.size()) > 16) return false;
  return TCurrency::TryParse(s, out);
}

bool TextoParaRealNFe(const std::string& s, double& out) {
  if (!DecimalSimples(s)) return false;
  double v = 0;
  auto [p, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
  if (ec != std::errc() || p != s.data() + s.size() || !std::isfinite(v)) return false;
  out = v;
  return true;
}

std::string ValorParaTextoNFe(TCurrency v) { return AparaZeros(v.ToString(4), 2); }

std::string RealParaTextoNFe(double v) {
  char b[512];
  std::snprintf(b, sizeof b, "%.10f", v);
  std::string t = AparaZeros(b, 2);
  return t == "-0.00" ? "0.00" : t;
}

}  // namespace tuim
