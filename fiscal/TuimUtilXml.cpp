// XML fragments handled as text, for answers and documents too small or too broken to parse.
#include <cstring>

#include "fiscal/TuimUtil.h"

namespace tuim {
namespace {

struct Entidade {
  const char* nome;
  char c;
};

constexpr Entidade kEntidades[] = {
    {"amp", '&'},         {"lt", '<'},          {"gt", '>'},          {"quot", '"'},
    {"apos", '\''},       {"aacute", '\xE1'},   {"Aacute", '\xC1'},   {"acirc", '\xE2'},
    {"Acirc", '\xC2'},    {"atilde", '\xE3'},   {"Atilde", '\xC3'},   {"agrave", '\xE0'},
    {"Agrave", '\xC0'},   {"eacute", '\xE9'},   {"Eacute", '\xC9'},   {"ecirc", '\xEA'},
    {"Ecirc", '\xCA'},    {"iacute", '\xED'},   {"Iacute", '\xCD'},   {"oacute", '\xF3'},
    {"Oacute", '\xD3'},   {"otilde", '\xF5'},   {"Otilde", '\xD5'},   {"ocirc", '\xF4'},
    {"Ocirc", '\xD4'},    {"uacute", '\xFA'},   {"Uacute", '\xDA'},   {"uuml", '\xFC'},
    {"Uuml", '\xDC'},     {"ccedil", '\xE7'},   {"Ccedil", '\xC7'},
};

// The character of the reference at s[i] == '&' and its length; false when it is not one.
bool LerReferencia(const std::string& s, std::size_t i, char& c, std::size_t& len) {
  std::size_t semi = s.find(';', i + 1);
  if (semi == std::string::npos || semi - i > 12) return false;
  const std::string nome = s.substr(i + 1, semi - i - 1);
  len = semi - i + 1;
  if (nome.size() >= 2 && nome[0] == '#') {
    const bool hex = nome[1] == 'x' || nome[1] == 'X';
    std::size_t k = hex ? 2 : 1;
    if (k >= nome.size()) return false;
    char32_t cp = 0;
    for (; k < nome.size(); ++k) {
      char d = nome[k];
      int v;
      if (d >= '0' && d <= '9') v = d - '0';
      else if (hex && d >= 'a' && d <= 'f') v = d - 'a' + 10;
      else if (hex && d >= 'A' && d <= 'F') v = d - 'A' + 10;
      else return false;
      cp = cp * (hex ? 16 : 10) + static_cast<char32_t>(v);
      if (cp > 0x10FFFF) return false;
    }
    // NUL and lone surrogates are not characters.
    c = (cp == 0 || (cp >= 0xD800 && cp <= 0xDFFF)) ? '?' : CodePointParaCp1252(cp);
    return true;
  }
  for (const Entidade& e : kEntidades) {
    if (nome == e.nome) {
      c = e.c;
      return true;
    }
  }
  return false;
}

bool FimDeNome(const std::string& s, std::size_t i) {
  if (i >= s.size()) return false;
  char c = s[i];
  return c == '>' || c == '/' || c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

bool CaractereDeNome(char c) {
  return CaractereAlfaNumerico(c) || c == '_' || c == '-' || c == '.' ||
         static_cast<unsigned char>(c) >= 0x80;
}

// First element named T (upper case) in S (upper-case copy of s); whole names only, and only
// with its end tag (or self-closed).
bool Extrair(const std::string& s, const std::string& S, const std::string& T, bool comTags,
             std::string& out) {
  const std::string abre = "<" + T;
  const std::string fecha = "</" + T;
  std::size_t pos = 0;
  for (;;) {
    std::size_t a = S.find(abre, pos);
    if (a == std::string::npos) return false;
    pos = a + 1;
    if (!FimDeNome(S, a + abre.size())) continue;  // "<NFe" inside "<nfeProc"
    std::size_t gt = S.find('>', a + abre.size());
    if (gt == std::string::npos) return false;
    if (S[gt - 1] == '/') {
      out = comTags ? s.substr(a, gt - a + 1) : std::string();
      return true;
    }
    std::size_t e = gt + 1;
    for (;;) {
      e = S.find(fecha, e);
      if (e == std::string::npos) return false;
      std::size_t k = e + fecha.size();
      while (k < S.size() && (S[k] == ' ' || S[k] == '\t' || S[k] == '\r' || S[k] == '\n')) ++k;
      if (k < S.size() && S[k] == '>') {
        out = comTags ? s.substr(a, k - a + 1) : s.substr(gt + 1, e - gt - 1);
        return true;
      }
      e += 1;
    }
  }
}

}  // namespace

std::string TratarEntidades(const std::string& s, bool decodificar, bool utf8) {
  std::string r;
  if (decodificar) {
    const std::string t = DecodificarTexto(s, utf8);
    r.reserve(t.size());
    for (std::size_t i = 0; i < t.size(); ++i) {
      char c;
      std::size_t len;
      if (t[i] == '&' && LerReferencia(t, i, c, len)) {
        r += c;
        i += len - 1;
      } else {
        r += t[i];
      }
    }
    return r;
  }
  r.reserve(s.size() + s.size() / 8);
  for (char c : s) {
    switch (c) {
      case '&': r += "&amp;"; break;
      case '<': r += "&lt;"; break;
      case '>': r += "&gt;"; break;
      case '"': r += "&quot;"; break;
      case '\'': r += "&#39;"; break;
      default: r += c;
    }
  }
  return r;
}

std::string ExtrairConteudoTag(const std::string& s, const std::string& tag, bool comTags,
                               bool buscarPrefixo) {
  if (tag.empty()) return "";
  const std::string S = UpperCase(s);
  std::string out;
  if (Extrair(s, S, UpperCase(tag), comTags, out)) return out;
  if (!buscarPrefixo) return "";
  // "<ns2:retorno>" is found under its local name.
  const std::string local = ":" + tag;
  for (std::size_t p = s.find(local, 1); p != std::string::npos; p = s.find(local, p + 1)) {
    if (!FimDeNome(s, p + local.size())) continue;
    std::size_t b = p;
    while (b > 0 && CaractereDeNome(s[b - 1])) --b;
    if (b == 0 || b == p || s[b - 1] != '<') continue;
    const std::string nome = s.substr(b, p - b) + local;
    if (Extrair(s, S, UpperCase(nome), comTags, out)) return out;
  }
  return "";
}

std::string ExtrairPrimeiraTag(const std::vector<std::string>& tags, const std::string& s,
                               bool buscarPrefixo, bool comTags) {
  for (const std::string& t : tags) {
    std::string r = ExtrairConteudoTag(s, t, comTags, buscarPrefixo);
    if (!Trim(r).empty()) return r;
  }
  return "";
}

std::string ConteudoTag(const std::string& s, const std::string& tag, bool ignorarCaixa) {
  const std::string S = ignorarCaixa ? UpperCase(s) : s;
  const std::string T = ignorarCaixa ? UpperCase(tag) : tag;
  const std::string abre = "<" + T + ">";
  std::size_t a = S.find(abre);
  if (a == std::string::npos) return "";
  a += abre.size();
  std::size_t f = S.find("</" + T + ">", a);
  if (f == std::string::npos) return s.substr(a);
  return s.substr(a, f - a);
}

std::string ConteudoEntre(const std::string& s, const std::string& inicio, const std::string& fim,
                          bool incluir) {
  if (inicio.empty()) return "";
  std::size_t a = s.find(inicio);
  if (a == std::string::npos) return "";
  std::size_t f = s.find(fim, a + inicio.size());
  if (f == std::string::npos) return "";
  if (incluir) return s.substr(a, f + fim.size() - a);
  return s.substr(a + inicio.size(), f - a - inicio.size());
}

std::string SubstituirSeExistir(const std::string& s, const std::string& busca,
                                const std::string& troca) {
  if (busca.empty()) return s;
  std::size_t p = s.find(busca);
  if (p == std::string::npos) return s;
  std::string r;
  r.reserve(s.size());
  std::size_t i = 0;
  for (; p != std::string::npos; p = s.find(busca, i)) {
    r.append(s, i, p - i);
    r += troca;
    i = p + busca.size();
  }
  r.append(s, i, std::string::npos);
  return r;
}

bool XmlEmUTF8(const std::string& s) {
  const std::string h = LowerCase(s.substr(0, 50));
  std::size_t e = h.find("encoding");
  if (e == std::string::npos) return false;
  std::size_t u = h.find("utf-8");
  return u != std::string::npos && u > e;
}

std::string ConverterXmlUTF8(const std::string& s) {
  if (XmlEmUTF8(s)) return s;
  // A declaration of another encoding is replaced, never left behind a second one.
  std::size_t b = 0;
  while (b < s.size() && (s[b] == ' ' || s[b] == '\t' || s[b] == '\r' || s[b] == '\n')) ++b;
  std::string corpo = s;
  if (s.compare(b, 5, "<?xml") == 0 && b + 5 < s.size() &&
      (s[b + 5] == ' ' || s[b + 5] == '?' || s[b + 5] == '\t' || s[b + 5] == '\r' ||
       s[b + 5] == '\n')) {
    std::size_t f = s.find("?>", b);
    if (f != std::string::npos) corpo = s.substr(f + 2);
  }
  return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>" + ParaUTF8(corpo);
}

std::string DeclaracaoXml(const std::string& s) {
  std::size_t a = s.find("<?");
  if (a == std::string::npos) return "";
  std::size_t f = s.find("?>", a + 2);
  if (f == std::string::npos) return "";
  return s.substr(a, f + 2 - a);
}

std::string RemoverDeclaracaoXml(const std::string& s) {
  const std::string d = DeclaracaoXml(s);
  if (d.empty()) return s;
  std::string r = s;
  r.erase(r.find(d), d.size());
  return r;
}

std::string InserirDeclaracaoXml(const std::string& s, const std::string& d) {
  if (d.size() >= 4 && IniciaCom(d, "<?") && TerminaCom(d, "?>") && DeclaracaoXml(s).empty())
    return d + s;
  return s;
}

}  // namespace tuim
