#include "fiscal/TuimUtil.h"

#include <openssl/evp.h>

#include <algorithm>
#include <array>
#include <cstring>

namespace tuim {
namespace {

inline unsigned char U(char c) { return static_cast<unsigned char>(c); }

inline bool IsBlank(char c) { return U(c) <= ' '; }

// Code points of the Windows-1252 bytes 0x80..0x9F; the five unassigned bytes keep their
// C1 code point, as the platform converter does, so every byte survives a round trip.
constexpr char16_t kCp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

// Plain letters for the bytes 192..255 (the accent table).
constexpr char kSemAcento[] =
    "AAAAAAACEEEEIIIIDNOOOOOx0UUUUYbB"
    "aaaaaaaceeeeiiiionooooo/0uuuuyby";
static_assert(sizeof(kSemAcento) == 65);

void AppendUtf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

// Next code point of a UTF-8 text; false on a malformed, overlong or surrogate sequence.
bool NextUtf8(const std::string& s, std::size_t& i, char32_t& cp) {
  const std::size_t n = s.size();
  unsigned char b = U(s[i]);
  if (b < 0x80) {
    cp = b;
    ++i;
    return true;
  }
  int len;
  char32_t min;
  if (b >= 0xC2 && b <= 0xDF) {
    len = 2; cp = b & 0x1F; min = 0x80;
  } else if (b >= 0xE0 && b <= 0xEF) {
    len = 3; cp = b & 0x0F; min = 0x800;
  } else if (b >= 0xF0 && b <= 0xF4) {
    len = 4; cp = b & 0x07; min = 0x10000;
  } else {
    return false;
  }
  if (i + len > n) return false;
  for (int k = 1; k < len; ++k) {
    unsigned char c = U(s[i + k]);
    if ((c & 0xC0) != 0x80) return false;
    cp = (cp << 6) | (c & 0x3F);
  }
  if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
  i += len;
  return true;
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

}  // namespace

// Windows-1252 byte of a code point; '?' when it has none. Shared with the entity decoder.
char CodePointParaCp1252(char32_t cp) {
  if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) return static_cast<char>(cp);
  for (int k = 0; k < 32; ++k)
    if (kCp1252High[k] == cp) return static_cast<char>(0x80 + k);
  return '?';
}

// ---- Character classes ------------------------------------------------------------------

bool CaractereAlfa(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
bool CaractereNumerico(char c) { return c >= '0' && c <= '9'; }
bool CaractereAlfaNumerico(char c) { return CaractereAlfa(c) || CaractereNumerico(c); }
bool CaractereBase64(char c) { return CaractereAlfaNumerico(c) || c == '+' || c == '/'; }

bool TextoNumerico(const std::string& s) {
  return !s.empty() && std::all_of(s.begin(), s.end(), CaractereNumerico);
}

bool TextoAlfaNumerico(const std::string& s) {
  return std::all_of(s.begin(), s.end(), CaractereAlfaNumerico);
}

bool TextoBase64(const std::string& s) {
  if (s.empty() || s.size() % 4 != 0) return false;
  std::size_t end = s.size();
  int pad = 0;
  while (end > 0 && s[end - 1] == '=') {
    --end;
    ++pad;
  }
  if (pad > 2) return false;
  return std::all_of(s.begin(), s.begin() + static_cast<std::ptrdiff_t>(end), CaractereBase64);
}

std::string SomenteNumeros(const std::string& s) {
  std::string r;
  r.reserve(s.size());
  for (char c : s)
    if (CaractereNumerico(c)) r += c;
  return r;
}

std::string SomenteAlfaNumericos(const std::string& s) {
  std::string r;
  r.reserve(s.size());
  for (char c : s)
    if (CaractereAlfaNumerico(c)) r += c;
  return r;
}

bool TextoVazio(const std::string& s) { return s.empty(); }
bool TextoPreenchido(const std::string& s) { return !s.empty(); }

// ---- Basic text helpers -----------------------------------------------------------------

std::string Trim(const std::string& s) {
  std::size_t b = 0, e = s.size();
  while (b < e && IsBlank(s[b])) ++b;
  while (e > b && IsBlank(s[e - 1])) --e;
  return s.substr(b, e - b);
}

std::string TrimLeft(const std::string& s) {
  std::size_t b = 0;
  while (b < s.size() && IsBlank(s[b])) ++b;
  return s.substr(b);
}

std::string TrimRight(const std::string& s) {
  std::size_t e = s.size();
  while (e > 0 && IsBlank(s[e - 1])) --e;
  return s.substr(0, e);
}

std::vector<std::string> DividirLinhas(const std::string& texto) {
  std::vector<std::string> r;
  std::size_t inicio = 0;
  while (inicio < texto.size()) {
    std::size_t fim = texto.find('\n', inicio);
    std::string l = texto.substr(inicio, fim == std::string::npos ? std::string::npos : fim - inicio);
    if (!l.empty() && l.back() == '\r') l.pop_back();
    r.push_back(std::move(l));
    if (fim == std::string::npos) break;
    inicio = fim + 1;
  }
  return r;
}

std::string UpperCase(const std::string& s) {
  std::string r = s;
  for (char& c : r)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
  return r;
}

std::string LowerCase(const std::string& s) {
  std::string r = s;
  for (char& c : r)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
  return r;
}

std::string AnsiUpperCase(const std::string& s) {
  std::string r = s;
  for (char& ch : r) {
    unsigned char c = U(ch);
    if ((c >= 'a' && c <= 'z') || (c >= 0xE0 && c <= 0xFE && c != 0xF7)) c -= 0x20;
    else if (c == 0x9A || c == 0x9C || c == 0x9E) c -= 0x10;
    else if (c == 0xFF) c = 0x9F;
    ch = static_cast<char>(c);
  }
  return r;
}

std::string AnsiLowerCase(const std::string& s) {
  std::string r = s;
  for (char& ch : r) {
    unsigned char c = U(ch);
    if ((c >= 'A' && c <= 'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7)) c += 0x20;
    else if (c == 0x8A || c == 0x8C || c == 0x8E) c += 0x10;
    else if (c == 0x9F) c = 0xFF;
    ch = static_cast<char>(c);
  }
  return r;
}

std::size_t Posicao(const std::string& sub, const std::string& s, std::size_t inicio) {
  if (sub.empty() || inicio < 1 || inicio > s.size()) return 0;
  std::size_t p = s.find(sub, inicio - 1);
  return p == std::string::npos ? 0 : p + 1;
}

bool IniciaCom(const std::string& s, const std::string& prefixo) {
  return s.size() >= prefixo.size() && s.compare(0, prefixo.size(), prefixo) == 0;
}

bool TerminaCom(const std::string& s, const std::string& sufixo) {
  return s.size() >= sufixo.size() &&
         s.compare(s.size() - sufixo.size(), sufixo.size(), sufixo) == 0;
}

bool TextosIguaisSemCaixa(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'a' && x <= 'z') x = static_cast<char>(x - 32);
    if (y >= 'a' && y <= 'z') y = static_cast<char>(y - 32);
    if (x != y) return false;
  }
  return true;
}

// ---- Text shaping -----------------------------------------------------------------------

std::string CompletarEsquerda(const std::string& s, std::size_t n, char c) {
  if (s.size() < n) return std::string(n - s.size(), c) + s;
  return s.substr(0, n);
}

std::string CompletarDireita(const std::string& s, std::size_t n, char c) {
  if (s.size() < n) return s + std::string(n - s.size(), c);
  return s.substr(0, n);
}

std::string TextoComZerosEsquerda(const std::string& s, std::size_t n) {
  return CompletarEsquerda(Trim(s), n, '0');
}

std::string InteiroComZerosEsquerda(std::int64_t v, std::size_t n) {
  if (v >= 0) return TextoComZerosEsquerda(std::to_string(v), n);
  // The minus sign goes in front of the zeros, not between them ("-0012", not "00-12").
  std::string digits = std::to_string(v).substr(1);
  if (n == 0) return "";
  return "-" + CompletarEsquerda(digits, n - 1, '0');
}

std::string RemoverAcentos(const std::string& s) {
  std::string r = s;
  for (char& ch : r) {
    unsigned char c = U(ch);
    if (c >= 192) c = U(kSemAcento[c - 192]);
    // Backspace is not kept: XML 1.0 has no form for it.
    if (!(c == 10 || c == 13 || (c >= 32 && c <= 126))) c = ' ';
    ch = static_cast<char>(c);
  }
  return r;
}

std::string RemoverTexto(const std::string& sub, const std::string& s) {
  return SubstituirSeExistir(s, sub, "");
}

std::size_t UltimaPosicao(const std::string& sub, const std::string& s) {
  if (sub.empty()) return 0;
  std::size_t p = s.rfind(sub);
  return p == std::string::npos ? 0 : p + 1;
}

std::string SeVazio(const std::string& s, const std::string& padrao, bool aparar) {
  const bool vazio = aparar ? Trim(s).empty() : s.empty();
  return vazio ? padrao : s;
}

std::string RemoverTags(const std::string& s) {
  std::string r;
  r.reserve(s.size());
  std::size_t i = 0;
  while (i < s.size()) {
    std::size_t lt = s.find('<', i);
    if (lt == std::string::npos) break;
    std::size_t gt = s.find('>', lt + 1);
    if (gt == std::string::npos) break;  // a lone "<" is text
    // Of several "<" before that ">", the tag starts at the last one.
    std::size_t start = s.rfind('<', gt);
    r.append(s, i, start - i);
    i = gt + 1;
  }
  r.append(s, i, std::string::npos);
  return r;
}

std::string NormalizarQuebras(const std::string& s, const std::string& q) {
  if (Trim(s).empty()) return s;
  std::string r;
  r.reserve(s.size());
  const bool keepLf = q == "\n";
  for (std::size_t i = 0; i < s.size(); ++i) {
    char c = s[i];
    if (c == '\r') {
      if (i + 1 < s.size() && s[i + 1] == '\n') ++i;
      c = '\n';
    }
    if (c == '\n' && !keepLf) r += q;
    else r += c;
  }
  return r;
}

std::string TraduzirControles(const std::string& s) {
  static const char* const kNomes[32] = {
      "[NUL]", "[SOH]", "[STX]", "[ETX]", nullptr, "[ENQ]", "[ACK]", nullptr,
      "[BS]",  "[TAB]", "[LF]",  nullptr, "[FF]",  "[CR]",  nullptr, nullptr,
      nullptr, "[WAK]", nullptr, nullptr, nullptr, "[NAK]", nullptr, nullptr,
      nullptr, nullptr, nullptr, "[ESC]", "[FS]",  "[GS]",  nullptr, nullptr};
  std::string r;
  r.reserve(s.size());
  for (char ch : s) {
    unsigned char c = U(ch);
    if (c >= 32 && c <= 126) r += ch;
    else if (c < 32 && kNomes[c]) r += kNomes[c];
    else r += "[" + std::to_string(c) + "]";
  }
  return r;
}

char DetectarDelimitador(const std::string& s, const std::string& candidatos) {
  const std::string c = candidatos.empty() ? std::string(";,|") : candidatos;
  for (char d : c)
    if (s.find(d) != std::string::npos) return d;
  return ' ';
}

int SepararTexto(const std::string& s, char d, std::vector<std::string>& lista, char aspas) {
  int n = 0;
  std::size_t i = 0;
  const std::size_t len = s.size();
  while (i < len) {
    if (aspas != d && s[i] == aspas) {
      std::size_t close = s.find(aspas, i + 1);
      if (close == std::string::npos) {  // unclosed quote: the rest is the item
        lista.push_back(s.substr(i + 1));
        ++n;
        break;
      }
      lista.push_back(s.substr(i + 1, close - i - 1));
      ++n;
      i = close + 2;  // the closing quote and the delimiter after it
    } else {
      std::size_t next = s.find(d, i);
      if (next == std::string::npos) next = len;
      lista.push_back(s.substr(i, next - i));
      ++n;
      i = next + 1;
    }
  }
  return n;
}

std::string EmbaralharXor(const std::string& s, const std::string& chave) {
  if (s.empty() || chave.empty()) return s;
  std::string r = s;
  const std::size_t k = chave.size();
  for (std::size_t i = 0; i < r.size(); ++i) {
    char key = chave[i % k];
    // Leaving NUL alone too keeps the result reversible: NUL xor key would equal the key.
    if (r[i] != key && r[i] != '\0') r[i] = static_cast<char>(r[i] ^ key);
  }
  return r;
}

// ---- Encoding ---------------------------------------------------------------------------

std::string ParaUTF8(const std::string& s) {
  // UTF-8 form of every byte, built once: up to three bytes and their count.
  struct Forma {
    char b[3];
    unsigned char n;
  };
  static const auto kFormas = [] {
    std::array<Forma, 256> t{};
    for (int c = 0; c < 256; ++c) {
      std::string u;
      AppendUtf8(u, c < 0x80 ? char32_t(c) : c < 0xA0 ? char32_t(kCp1252High[c - 0x80]) : char32_t(c));
      t[c].n = static_cast<unsigned char>(u.size());
      std::memcpy(t[c].b, u.data(), u.size());
    }
    return t;
  }();
  std::string r(s.size() * 3, '\0');
  char* o = r.data();
  for (char ch : s) {
    unsigned char c = U(ch);
    if (c < 0x80) {
      *o++ = ch;
    } else {
      const Forma& f = kFormas[c];
      std::memcpy(o, f.b, 3);
      o += f.n;
    }
  }
  r.resize(static_cast<std::size_t>(o - r.data()));
  return r;
}

bool DeUTF8Seguro(const std::string& s, std::string& out) {
  out.clear();
  std::size_t i = IniciaCom(s, "\xEF\xBB\xBF") ? 3 : 0;
  out.resize(s.size() - i);
  char* o = out.data();
  while (i < s.size()) {
    unsigned char c = U(s[i]);
    if (c < 0x80) {
      *o++ = s[i++];
      continue;
    }
    char32_t cp;
    if (!NextUtf8(s, i, cp)) {
      out.clear();
      return false;
    }
    *o++ = CodePointParaCp1252(cp);
  }
  out.resize(static_cast<std::size_t>(o - out.data()));
  return true;
}

std::string DeUTF8(const std::string& s) {
  std::string r;
  if (!DeUTF8Seguro(s, r)) return s;
  return r;
}

bool TextoUTF8Valido(const std::string& s) {
  std::size_t i = 0;
  char32_t cp;
  while (i < s.size())
    if (!NextUtf8(s, i, cp)) return false;
  return true;
}

std::string DecodificarTexto(const std::string& s, bool utf8) { return utf8 ? DeUTF8(s) : s; }

std::string TextoParaHex(const std::string& s) {
  static const char kDig[] = "0123456789ABCDEF";
  std::string r;
  r.resize(s.size() * 2);
  for (std::size_t i = 0; i < s.size(); ++i) {
    r[2 * i] = kDig[U(s[i]) >> 4];
    r[2 * i + 1] = kDig[U(s[i]) & 0x0F];
  }
  return r;
}

bool HexParaTextoSeguro(const std::string& h, std::string& t) {
  t.clear();
  const std::string x = Trim(h);
  t.reserve(x.size() / 2);
  for (std::size_t i = 0; i + 1 < x.size(); i += 2) {
    int a = HexValue(x[i]), b = HexValue(x[i + 1]);
    if (a < 0 || b < 0) {
      t.clear();
      return false;
    }
    t += static_cast<char>(a * 16 + b);
  }
  return true;
}

std::string HexParaTexto(const std::string& h) {
  std::string t;
  if (HexParaTextoSeguro(h, t)) return t;
  const std::string x = Trim(h);
  for (std::size_t i = 0; i + 1 < x.size(); i += 2) {
    if (HexValue(x[i]) < 0 || HexValue(x[i + 1]) < 0)
      throw ETuimConversaoException("'" + x.substr(i, 2) + "' não é um valor hexadecimal válido");
  }
  return t;
}

std::string CodificarBase64(const std::string& dados) {
  if (dados.empty()) return "";
  std::string r(4 * ((dados.size() + 2) / 3) + 1, '\0');
  int n = EVP_EncodeBlock(reinterpret_cast<unsigned char*>(r.data()),
                          reinterpret_cast<const unsigned char*>(dados.data()),
                          static_cast<int>(dados.size()));
  r.resize(static_cast<std::size_t>(n));
  return r;
}

bool DecodificarBase64(const std::string& b64, std::string& out) {
  out.clear();
  std::string s;
  s.reserve(b64.size());
  for (char c : b64)
    if (!IsBlank(c)) s += c;
  if (s.empty()) return true;
  if (!TextoBase64(s)) return false;
  std::string r(s.size() / 4 * 3, '\0');
  int n = EVP_DecodeBlock(reinterpret_cast<unsigned char*>(r.data()),
                          reinterpret_cast<const unsigned char*>(s.data()),
                          static_cast<int>(s.size()));
  if (n < 0) return false;
  // EVP_DecodeBlock counts the padding as zero bytes.
  std::size_t pad = s.size() - s.find_last_not_of('=') - 1;
  r.resize(static_cast<std::size_t>(n) - pad);
  out = std::move(r);
  return true;
}

std::string DecodificarBase64(const std::string& b64) {
  std::string r;
  DecodificarBase64(b64, r);
  return r;
}

}  // namespace tuim
