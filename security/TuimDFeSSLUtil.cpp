#include "security/TuimDFeSSLUtil.h"

#include <cctype>
#include <cstdint>

namespace tuim::ssl {

std::string Aparar(const std::string& s) {
  std::size_t a = 0, b = s.size();
  while (a < b && static_cast<unsigned char>(s[a]) <= ' ') ++a;
  while (b > a && static_cast<unsigned char>(s[b - 1]) <= ' ') --b;
  return s.substr(a, b - a);
}

std::string Minusculas(const std::string& s) {
  std::string r = s;
  for (char& c : r)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return r;
}

std::string SomenteDigitos(const std::string& s) {
  std::string r;
  for (char c : s)
    if (c >= '0' && c <= '9') r += c;
  return r;
}

std::string SomenteAlfaNumericosMaiusculos(const std::string& s) {
  std::string r;
  for (char c : s) {
    if ((c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z'))
      r += c;
    else if (c >= 'a' && c <= 'z')
      r += static_cast<char>(c - 'a' + 'A');
  }
  return r;
}

std::string EmbaralharXor(const std::string& s, const std::string& chave) {
  if (s.empty() || chave.empty()) return s;
  std::string r = s;
  for (std::size_t i = 0; i < r.size(); ++i) {
    char k = chave[i % chave.size()];
    if (r[i] != k) r[i] = static_cast<char>(r[i] ^ k);
  }
  return r;
}

std::string ParaHexa(const std::string& bytes) {
  static const char* d = "0123456789ABCDEF";
  std::string r;
  r.reserve(bytes.size() * 2);
  for (unsigned char c : bytes) {
    r += d[c >> 4];
    r += d[c & 15];
  }
  return r;
}

namespace {
const char* kAlfabeto = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
}

std::string CodificarBase64(const std::string& bytes) {
  std::string r;
  r.reserve((bytes.size() + 2) / 3 * 4);
  std::size_t i = 0;
  auto b = [&](std::size_t k) { return static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[k])); };
  for (; i + 2 < bytes.size(); i += 3) {
    std::uint32_t v = b(i) << 16 | b(i + 1) << 8 | b(i + 2);
    r += kAlfabeto[v >> 18 & 63];
    r += kAlfabeto[v >> 12 & 63];
    r += kAlfabeto[v >> 6 & 63];
    r += kAlfabeto[v & 63];
  }
  if (i + 1 == bytes.size()) {
    std::uint32_t v = b(i) << 16;
    r += kAlfabeto[v >> 18 & 63];
    r += kAlfabeto[v >> 12 & 63];
    r += "==";
  } else if (i + 2 == bytes.size()) {
    std::uint32_t v = b(i) << 16 | b(i + 1) << 8;
    r += kAlfabeto[v >> 18 & 63];
    r += kAlfabeto[v >> 12 & 63];
    r += kAlfabeto[v >> 6 & 63];
    r += '=';
  }
  return r;
}

bool DecodificarBase64(const std::string& texto, std::string& bytes) {
  bytes.clear();
  std::uint32_t acc = 0;
  int bits = 0;
  bool fim = false;
  for (unsigned char c : texto) {
    if (c == ' ' || c == '\t' || c == '\r' || c == '\n') continue;
    if (c == '=') {
      fim = true;
      continue;
    }
    if (fim) return false;
    int v;
    if (c >= 'A' && c <= 'Z') v = c - 'A';
    else if (c >= 'a' && c <= 'z') v = c - 'a' + 26;
    else if (c >= '0' && c <= '9') v = c - '0' + 52;
    else if (c == '+') v = 62;
    else if (c == '/') v = 63;
    else return false;
    acc = (acc << 6) | static_cast<std::uint32_t>(v);
    bits += 6;
    if (bits >= 8) {
      bits -= 8;
      bytes += static_cast<char>((acc >> bits) & 0xFF);
    }
  }
  return true;
}

namespace {
int DigitoModulo11(const std::string& s) {
  int soma = 0, peso = 2;
  for (auto it = s.rbegin(); it != s.rend(); ++it) {
    soma += (static_cast<unsigned char>(*it) - 48) * peso;
    peso = peso == 9 ? 2 : peso + 1;
  }
  int r = soma % 11;
  return r < 2 ? 0 : 11 - r;
}
}  // namespace

bool CNPJValido(const std::string& cnpj) {
  if (cnpj.size() != 14) return false;
  for (std::size_t i = 0; i < 14; ++i) {
    char c = cnpj[i];
    bool dig = c >= '0' && c <= '9';
    if (!(dig || (i < 12 && c >= 'A' && c <= 'Z'))) return false;
  }
  if (cnpj == "00000000000000") return false;
  int d1 = DigitoModulo11(cnpj.substr(0, 12));
  int d2 = DigitoModulo11(cnpj.substr(0, 12) + static_cast<char>('0' + d1));
  return cnpj[12] == '0' + d1 && cnpj[13] == '0' + d2;
}

bool CPFValido(const std::string& cpf) {
  if (cpf.size() != 11 || SomenteDigitos(cpf) != cpf) return false;
  if (cpf.find_first_not_of(cpf[0]) == std::string::npos) return false;
  auto dv = [&](std::size_t n) {
    int soma = 0;
    for (std::size_t i = 0; i < n; ++i) soma += (cpf[i] - '0') * static_cast<int>(n + 1 - i);
    int r = soma % 11;
    return r < 2 ? 0 : 11 - r;
  };
  return cpf[9] == '0' + dv(9) && cpf[10] == '0' + dv(10);
}

std::string MensagemErroCNPJ(const std::string& cnpj) {
  if (cnpj.size() != 14) return "CNPJ deve ter 14 dígitos. (Apenas números)";
  return CNPJValido(cnpj) ? "" : "CNPJ inválido.";
}

std::string CP1252ParaUTF8(const std::string& s) {
  static const char16_t k80[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                   0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                   0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                   0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
  std::string r;
  for (unsigned char c : s) {
    std::uint32_t u = c < 0x80 ? c : (c < 0xA0 ? k80[c - 0x80] : c);
    if (u < 0x80) {
      r += static_cast<char>(u);
    } else if (u < 0x800) {
      r += static_cast<char>(0xC0 | (u >> 6));
      r += static_cast<char>(0x80 | (u & 0x3F));
    } else {
      r += static_cast<char>(0xE0 | (u >> 12));
      r += static_cast<char>(0x80 | ((u >> 6) & 0x3F));
      r += static_cast<char>(0x80 | (u & 0x3F));
    }
  }
  return r;
}

}  // namespace tuim::ssl
