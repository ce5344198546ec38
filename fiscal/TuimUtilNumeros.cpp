// Numbers and dates, formatted and read with fixed separators: nothing here looks at or
// changes the process locale, so every function may run on any thread.
#include <charconv>
#include <cmath>
#include <limits>

#include "fiscal/TuimUtil.h"

namespace tuim {
namespace {

// A decimal value: digits x 10^exp, digits without leading or trailing zeros ("" is zero).
struct Decimal {
  bool neg = false;
  std::string digits;
  int exp = 0;
  bool Zero() const { return digits.empty(); }
};

// The decimal value of x at 15 significant digits, the precision a double holds: 1.005 is
// 1.005 here, not the binary 1.00499999999999989...
Decimal ParaDecimal(double x) {
  Decimal d;
  if (x == 0 || !std::isfinite(x)) return d;
  char buf[64];
  auto res = std::to_chars(buf, buf + sizeof buf, x, std::chars_format::scientific, 14);
  const char* p = buf;
  if (*p == '-') {
    d.neg = true;
    ++p;
  }
  for (; p < res.ptr && *p != 'e'; ++p)
    if (*p != '.') d.digits += *p;
  int e = 0;
  std::from_chars(p + 1 + (p[1] == '+'), res.ptr, e);
  d.exp = e - static_cast<int>(d.digits.size() - 1);
  while (!d.digits.empty() && d.digits.back() == '0') {
    d.digits.pop_back();
    ++d.exp;
  }
  std::size_t lead = d.digits.find_first_not_of('0');
  d.digits.erase(0, lead == std::string::npos ? d.digits.size() : lead);
  if (d.Zero()) d.neg = false;
  return d;
}

void Normalizar(Decimal& d) {
  while (!d.digits.empty() && d.digits.back() == '0') {
    d.digits.pop_back();
    ++d.exp;
  }
  std::size_t lead = d.digits.find_first_not_of('0');
  d.digits.erase(0, lead == std::string::npos ? d.digits.size() : lead);
  if (d.Zero()) {
    d.neg = false;
    d.exp = 0;
  }
}

// Rounds to `casas` decimal places (negative: to tens, hundreds...), halves away from zero.
void Arredondar(Decimal& d, int casas) {
  if (d.Zero() || d.exp >= -casas) return;
  const std::size_t drop = static_cast<std::size_t>(-casas - d.exp);
  if (drop > d.digits.size()) {  // below half a unit of the last place kept
    d = Decimal{};
    return;
  }
  std::string kept = d.digits.substr(0, d.digits.size() - drop);
  const bool up = d.digits[d.digits.size() - drop] >= '5';
  if (up) {
    std::size_t i = kept.size();
    while (i > 0 && kept[i - 1] == '9') kept[--i] = '0';
    if (i == 0) kept.insert(kept.begin(), '1');
    else ++kept[i - 1];
  }
  d.digits = kept;
  d.exp = -casas;
  Normalizar(d);
}

double ParaDouble(const Decimal& d) {
  if (d.Zero()) return 0.0;
  std::string t = d.digits + "e" + std::to_string(d.exp);
  double v = 0;
  std::from_chars(t.data(), t.data() + t.size(), v);
  return d.neg ? -v : v;
}

// Integer digits ("" for zero) and exactly `casas` decimal digits of an already rounded value.
void PartesFixas(const Decimal& d, int casas, std::string& inteiro, std::string& frac) {
  inteiro.clear();
  frac.clear();
  if (d.Zero()) {
    frac.assign(static_cast<std::size_t>(std::max(casas, 0)), '0');
    return;
  }
  if (d.exp >= 0) {
    inteiro = d.digits + std::string(static_cast<std::size_t>(d.exp), '0');
    frac.assign(static_cast<std::size_t>(std::max(casas, 0)), '0');
    return;
  }
  const std::size_t f = static_cast<std::size_t>(-d.exp);
  if (d.digits.size() <= f) {
    frac = std::string(f - d.digits.size(), '0') + d.digits;
  } else {
    inteiro = d.digits.substr(0, d.digits.size() - f);
    frac = d.digits.substr(d.digits.size() - f);
  }
  if (static_cast<int>(f) < casas) frac.append(static_cast<std::size_t>(casas) - f, '0');
}

std::string Agrupar(const std::string& inteiro, char milhar) {
  if (milhar == '\0' || inteiro.size() <= 3) return inteiro;
  std::string r;
  r.reserve(inteiro.size() + inteiro.size() / 3);
  std::size_t first = inteiro.size() % 3;
  if (first == 0) first = 3;
  r.append(inteiro, 0, first);
  for (std::size_t i = first; i < inteiro.size(); i += 3) {
    r += milhar;
    r.append(inteiro, i, 3);
  }
  return r;
}

// Shortest general form at 15 significant digits: fixed notation unless the exponent is 15
// or more or the value is below 0.00001 ("1E20", "1.5E-7").
std::string FormaGeral(double x, char decimal) {
  if (std::isnan(x)) return "NAN";
  if (std::isinf(x)) return x < 0 ? "-INF" : "INF";
  Decimal d = ParaDecimal(x);
  if (d.Zero()) return "0";
  std::string r = d.neg ? "-" : "";
  const int lead = d.exp + static_cast<int>(d.digits.size()) - 1;
  if (lead < 15 && lead >= -5) {
    std::string inteiro, frac;
    PartesFixas(d, d.exp < 0 ? -d.exp : 0, inteiro, frac);
    r += inteiro.empty() ? "0" : inteiro;
    if (!frac.empty()) r += decimal + frac;
    return r;
  }
  r += d.digits[0];
  if (d.digits.size() > 1) r += decimal + d.digits.substr(1);
  r += "E" + std::to_string(lead);
  return r;
}

// One section of a numeric mask.
struct Secao {
  std::string texto;
  int inteiros = 0;      // placeholders before the decimal point
  int minInteiros = 0;   // from the first '0' before the point
  int decimais = 0;      // placeholders after the point
  int minDecimais = 0;   // up to the last '0' after the point
  bool milhar = false;
  bool cientifico = false;
  bool expSinal = false;  // "E+": sign always written
  int expDigitos = 0;
};

Secao LerSecao(const std::string& t) {
  Secao s;
  s.texto = t;
  bool ponto = false;
  int inteirosAposZero = -1;
  for (std::size_t i = 0; i < t.size(); ++i) {
    char c = t[i];
    if (c == '"' || c == '\'') {
      std::size_t f = t.find(c, i + 1);
      i = f == std::string::npos ? t.size() : f;
    } else if ((c == 'E' || c == 'e') && i + 1 < t.size() && (t[i + 1] == '+' || t[i + 1] == '-') &&
               !s.cientifico) {
      s.cientifico = true;
      s.expSinal = t[i + 1] == '+';
      i += 2;
      while (i < t.size() && t[i] == '0') {
        ++s.expDigitos;
        ++i;
      }
      --i;
    } else if (c == '0' || c == '#') {
      if (s.cientifico) continue;
      if (!ponto) {
        ++s.inteiros;
        if (c == '0' && inteirosAposZero < 0) inteirosAposZero = 0;
        if (inteirosAposZero >= 0) ++inteirosAposZero;
      } else {
        ++s.decimais;
        if (c == '0') s.minDecimais = s.decimais;
      }
    } else if (c == '.') {
      ponto = true;
    } else if (c == ',') {
      s.milhar = true;
    }
  }
  s.minInteiros = std::max(inteirosAposZero, 0);
  return s;
}

std::vector<std::string> Secoes(const std::string& mascara) {
  std::vector<std::string> r(1);
  for (std::size_t i = 0; i < mascara.size(); ++i) {
    char c = mascara[i];
    if (c == '"' || c == '\'') {
      std::size_t f = mascara.find(c, i + 1);
      std::size_t end = f == std::string::npos ? mascara.size() : f + 1;
      r.back().append(mascara, i, end - i);
      i = end - 1;
    } else if (c == ';') {
      r.emplace_back();
    } else {
      r.back() += c;
    }
  }
  return r;
}

// Writes |d| (already rounded as the section asks) through the section's pattern.
std::string Aplicar(const Secao& s, const Decimal& d, char decimal, char milhar) {
  std::string inteiro, frac, expoente;
  Decimal v = d;
  if (s.cientifico) {
    const int intP = std::max(s.inteiros, 1);
    int e = 0;
    if (!v.Zero()) {
      const int lead = v.exp + static_cast<int>(v.digits.size()) - 1;
      e = lead - (intP - 1);
      v.exp -= e;
      Arredondar(v, s.decimais);
      if (!v.Zero() && v.exp + static_cast<int>(v.digits.size()) - 1 > intP - 1) {  // 9.99 -> 10.0
        v.exp -= 1;
        ++e;
        Arredondar(v, s.decimais);
      }
    }
    std::string ed = std::to_string(e < 0 ? -e : e);
    if (static_cast<int>(ed.size()) < s.expDigitos)
      ed.insert(0, static_cast<std::size_t>(s.expDigitos) - ed.size(), '0');
    expoente = (e < 0 ? "-" : (s.expSinal ? "+" : "")) + ed;
  }
  PartesFixas(v, s.decimais, inteiro, frac);
  while (static_cast<int>(frac.size()) > s.minDecimais && !frac.empty() && frac.back() == '0')
    frac.pop_back();
  if (static_cast<int>(inteiro.size()) < s.minInteiros)
    inteiro.insert(0, static_cast<std::size_t>(s.minInteiros) - inteiro.size(), '0');
  if (s.milhar) inteiro = Agrupar(inteiro, milhar);

  std::string r;
  bool inteiroEscrito = false, ponto = false;
  std::size_t nDec = 0;
  const std::string& t = s.texto;
  for (std::size_t i = 0; i < t.size(); ++i) {
    char c = t[i];
    if (c == '"' || c == '\'') {
      std::size_t f = t.find(c, i + 1);
      std::size_t end = f == std::string::npos ? t.size() : f;
      r.append(t, i + 1, end - i - 1);
      i = end;
    } else if ((c == 'E' || c == 'e') && s.cientifico && i + 1 < t.size() &&
               (t[i + 1] == '+' || t[i + 1] == '-')) {
      if (!inteiroEscrito) {
        r += inteiro;
        inteiroEscrito = true;
      }
      r += c;
      r += expoente;
      i += 2;
      while (i < t.size() && t[i] == '0') ++i;
      --i;
    } else if ((c == '0' || c == '#') && !ponto) {
      if (!inteiroEscrito) {
        r += inteiro;
        inteiroEscrito = true;
      }
    } else if ((c == '0' || c == '#') && ponto) {
      if (nDec < frac.size()) r += frac[nDec];
      ++nDec;
    } else if (c == '.') {
      if (ponto) continue;
      ponto = true;
      if (!inteiroEscrito) {
        r += inteiro;
        inteiroEscrito = true;
      }
      if (!frac.empty()) r += decimal;
    } else if (c == ',') {
      // thousand separators are written with the integer digits
    } else {
      r += c;
    }
  }
  return r;
}

bool LerInteiro(const std::string& t, std::int64_t& v) {
  if (t.empty()) return false;
  const char* b = t.data();
  const char* e = b + t.size();
  if (*b == '+') ++b;
  if (b == e || *b == '+') return false;
  auto res = std::from_chars(b, e, v);
  return res.ec == std::errc() && res.ptr == e;
}

}  // namespace

// ---- Numbers ----------------------------------------------------------------------------

double ArredondarPara(double x, int d) {
  if (!std::isfinite(x)) return x;
  Decimal v = ParaDecimal(x);
  Arredondar(v, -d);
  return ParaDouble(v);
}

std::int64_t TruncarArredondado(double x) {
  double r = std::trunc(ArredondarPara(x, -9));
  if (std::isnan(r)) return 0;
  if (r >= 9.2233720368547758e18) return std::numeric_limits<std::int64_t>::max();
  if (r <= -9.2233720368547758e18) return std::numeric_limits<std::int64_t>::min();
  return static_cast<std::int64_t>(r);
}

bool TextoParaNumeroSeguro(const std::string& s, double& v) {
  v = 0;
  std::string t = Trim(s);
  if (t.empty()) return false;
  // Sign, digits with at most one separator, optional exponent: nothing else.
  std::size_t i = 0;
  if (t[i] == '+' || t[i] == '-') ++i;
  const std::size_t mantissa = i;
  int digitos = 0, separadores = 0;
  for (; i < t.size() && t[i] != 'e' && t[i] != 'E'; ++i) {
    if (t[i] == ',' || t[i] == '.') {
      t[i] = '.';
      ++separadores;
    } else if (CaractereNumerico(t[i])) {
      ++digitos;
    } else {
      return false;
    }
  }
  if (digitos == 0 || separadores > 1) return false;
  if (i < t.size()) {
    std::size_t j = i + 1;
    if (j < t.size() && (t[j] == '+' || t[j] == '-')) ++j;
    if (j == t.size()) return false;
    for (; j < t.size(); ++j)
      if (!CaractereNumerico(t[j])) return false;
  }
  const char* b = t.data() + (t[0] == '+' ? 1 : 0);
  const char* e = t.data() + t.size();
  (void)mantissa;
  double r = 0;
  auto res = std::from_chars(b, e, r, std::chars_format::general);
  if (res.ec != std::errc() || res.ptr != e || !std::isfinite(r)) return false;
  v = r;
  return true;
}

double TextoParaNumero(const std::string& s) {
  double v;
  if (!TextoParaNumeroSeguro(s, v))
    throw ETuimConversaoException("'" + s + "' não é um valor numérico válido");
  return v;
}

double TextoParaNumeroPadrao(const std::string& s, double padrao) {
  double v;
  return TextoParaNumeroSeguro(s, v) ? v : padrao;
}

std::int64_t TextoParaInteiroPadrao(const std::string& s, std::int64_t padrao) {
  std::int64_t v;
  return LerInteiro(Trim(s), v) ? v : padrao;
}

std::string MascaraDecimal(int casas, bool milhar) {
  if (casas < 1) return "0";
  return std::string(milhar ? "," : "") + "0." + std::string(static_cast<std::size_t>(casas), '0');
}

std::string FormatarNumero(double x, const std::string& mascara, char decimal, char milhar) {
  if (mascara.empty() || !std::isfinite(x)) return FormaGeral(x, decimal);
  std::vector<std::string> secoes = Secoes(mascara);
  const bool negativa = secoes.size() > 1 && !secoes[1].empty();
  const bool zero = secoes.size() > 2 && !secoes[2].empty();

  Decimal d = ParaDecimal(x);
  const bool neg = d.neg;
  d.neg = false;
  Secao s = LerSecao(neg && negativa ? secoes[1] : secoes[0]);
  Decimal arred = d;
  if (!s.cientifico) Arredondar(arred, s.decimais);
  if (arred.Zero()) {  // never "-0"
    if (zero) return Aplicar(LerSecao(secoes[2]), Decimal{}, decimal, milhar);
    return Aplicar(LerSecao(secoes[0]), Decimal{}, decimal, milhar);
  }
  std::string r = Aplicar(s, arred, decimal, milhar);
  return neg && !negativa ? "-" + r : r;
}

std::string FormatarNumeroBr(double x, const std::string& mascara) {
  return FormatarNumero(x, mascara, ',', '.');
}

std::string NumeroParaTexto(double x, char separador, const std::string& mascara) {
  return FormatarNumero(x, mascara, separador, '\0');
}

// ---- Dates ------------------------------------------------------------------------------

namespace {

const char* const kMesesCurtos[12] = {"jan", "fev", "mar", "abr", "mai", "jun",
                                      "jul", "ago", "set", "out", "nov", "dez"};
const char* const kMeses[12] = {"janeiro", "fevereiro", "março",    "abril",
                                "maio",    "junho",     "julho",    "agosto",
                                "setembro", "outubro",  "novembro", "dezembro"};
const char* const kDiasCurtos[7] = {"dom", "seg", "ter", "qua", "qui", "sex", "sáb"};
const char* const kDias[7] = {"domingo",      "segunda-feira", "terça-feira", "quarta-feira",
                              "quinta-feira", "sexta-feira",   "sábado"};

std::string Dois(int v) {
  std::string r = std::to_string(v);
  return r.size() < 2 ? "0" + r : r;
}

std::string Num(int v, std::size_t n) {
  std::string r = std::to_string(v);
  return r.size() < n ? std::string(n - r.size(), '0') + r : r;
}

bool IniciaSemCaixa(const std::string& m, std::size_t i, const char* p) {
  for (std::size_t k = 0; p[k]; ++k) {
    if (i + k >= m.size()) return false;
    char a = m[i + k];
    if (a >= 'A' && a <= 'Z') a = static_cast<char>(a + 32);
    if (a != p[k]) return false;
  }
  return true;
}

void Formatar(std::string& r, TDateTime t, const std::string& m, int nivel) {
  int y, mo, d, h, n, s, ms;
  DecodeDateTime(t, y, mo, d, h, n, s, ms);
  const int dow = DayOfWeek(t) - 1;
  const std::string lower = LowerCase(m);
  const bool doze = lower.find("am/pm") != std::string::npos ||
                    lower.find("a/p") != std::string::npos ||
                    lower.find("ampm") != std::string::npos;
  const int h12 = h % 12 == 0 ? 12 : h % 12;
  char ultima = 0;  // last letter token, so that "m" after "h" reads as minutes
  for (std::size_t i = 0; i < m.size();) {
    char c = m[i];
    char u = (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c;
    if (c == '"' || c == '\'') {
      std::size_t f = m.find(c, i + 1);
      std::size_t end = f == std::string::npos ? m.size() : f;
      r.append(m, i + 1, end - i - 1);
      i = end + 1;
      continue;
    }
    if (u == 'A') {
      if (IniciaSemCaixa(m, i, "am/pm")) {
        r += h < 12 ? "am" : "pm";
        i += 5;
      } else if (IniciaSemCaixa(m, i, "a/p")) {
        r += h < 12 ? "a" : "p";
        i += 3;
      } else if (IniciaSemCaixa(m, i, "ampm")) {
        r += h < 12 ? "am" : "pm";
        i += 4;
      } else {
        r += c;
        ++i;
      }
      ultima = 'A';
      continue;
    }
    std::size_t cnt = 1;
    if (u == 'D' || u == 'M' || u == 'Y' || u == 'H' || u == 'N' || u == 'S' || u == 'Z' ||
        u == 'T') {
      while (i + cnt < m.size()) {
        char c2 = m[i + cnt];
        char u2 = (c2 >= 'a' && c2 <= 'z') ? static_cast<char>(c2 - 32) : c2;
        if (u2 != u) break;
        ++cnt;
      }
    }
    switch (u) {
      case 'D':
        if (cnt == 1) r += std::to_string(d);
        else if (cnt == 2) r += Dois(d);
        else if (cnt == 3) r += kDiasCurtos[dow];
        else if (cnt == 4) r += kDias[dow];
        else if (nivel < 1 && cnt == 5) Formatar(r, t, "dd/mm/yyyy", nivel + 1);
        else if (nivel < 1) Formatar(r, t, "dddd, d' de 'mmmm' de 'yyyy", nivel + 1);
        break;
      case 'M':
        if (ultima == 'H' && cnt <= 2) {
          r += cnt == 1 ? std::to_string(n) : Dois(n);
        } else if (cnt == 1) r += std::to_string(mo);
        else if (cnt == 2) r += Dois(mo);
        else if (cnt == 3) r += kMesesCurtos[mo - 1];
        else r += kMeses[mo - 1];
        break;
      case 'Y':
        r += cnt <= 2 ? Dois(y % 100) : Num(y, 4);
        break;
      case 'H': {
        int hv = doze ? h12 : h;
        r += cnt == 1 ? std::to_string(hv) : Dois(hv);
        break;
      }
      case 'N':
        r += cnt == 1 ? std::to_string(n) : Dois(n);
        break;
      case 'S':
        r += cnt == 1 ? std::to_string(s) : Dois(s);
        break;
      case 'Z':
        r += cnt < 3 ? std::to_string(ms) : Num(ms, 3);
        break;
      case 'T':
        if (nivel < 1) Formatar(r, t, cnt == 1 ? "hh:nn" : "hh:nn:ss", nivel + 1);
        break;
      case 'C':
        if (nivel < 1) {
          Formatar(r, t, "dd/mm/yyyy", nivel + 1);
          if (h || n || s || ms) Formatar(r, t, " hh:nn:ss", nivel + 1);
        }
        break;
      default:
        r += c;  // '/' and ':' are the fixed separators themselves
        break;
    }
    if (u >= 'A' && u <= 'Z') ultima = u;
    i += cnt;
  }
}

}  // namespace

std::string FormatarDataHoraBr(TDateTime t, const std::string& mascara) {
  std::string r;
  Formatar(r, t, mascara, 0);
  return r;
}

std::string FormatarDataBr(TDateTime t, const std::string& mascara) {
  return FormatarDataHoraBr(DateOf(t), mascara);
}

std::string DataHoraParaTexto14(TDateTime t) { return FormatarDataHoraBr(t, "yyyymmddhhnnss"); }

TDateTime TextoParaDataHora14(const std::string& s) {
  const std::string t = Trim(s);
  auto parte = [&](std::size_t pos, std::size_t len) {
    if (pos >= t.size()) return 0;
    std::int64_t v;
    if (!LerInteiro(t.substr(pos, len), v) || v < 0 || v > 9999) return 0;
    return static_cast<int>(v);
  };
  TDateTime r;
  if (!TryEncodeDateTime(parte(0, 4), parte(4, 2), parte(6, 2), parte(8, 2), parte(10, 2),
                         parte(12, 2), 0, r))
    return 0;
  return r;
}

}  // namespace tuim
