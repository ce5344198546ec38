#include "simulator/SimUtil.h"

#include <openssl/evp.h>
#include <openssl/rand.h>
#include <zlib.h>

#include <chrono>
#include <cstdio>
#include <ctime>

namespace tuim::sim {

std::string Escapar(const std::string& texto) {
  std::string r;
  r.reserve(texto.size());
  for (char c : texto) {
    switch (c) {
      case '&': r += "&amp;"; break;
      case '<': r += "&lt;"; break;
      case '>': r += "&gt;"; break;
      case '"': r += "&quot;"; break;
      default: r += c;
    }
  }
  return r;
}

std::int64_t Agora() {
  return std::chrono::duration_cast<std::chrono::seconds>(std::chrono::system_clock::now().time_since_epoch()).count();
}

std::string DataHora(std::int64_t segundos) {
  // The authorities answer in Brasília time, which has had no daylight saving since 2019.
  std::time_t t = static_cast<std::time_t>((segundos < 0 ? Agora() : segundos) - 3 * 3600);
  std::tm tm{};
  gmtime_r(&t, &tm);
  char b[64];
  std::snprintf(b, sizeof b, "%04d-%02d-%02dT%02d:%02d:%02d-03:00", tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday,
                tm.tm_hour, tm.tm_min, tm.tm_sec);
  return b;
}

std::string Base64(const std::string& dados) {
  std::string r(4 * ((dados.size() + 2) / 3) + 1, '\0');
  int n = EVP_EncodeBlock(reinterpret_cast<unsigned char*>(r.data()),
                          reinterpret_cast<const unsigned char*>(dados.data()), static_cast<int>(dados.size()));
  r.resize(n < 0 ? 0 : static_cast<std::size_t>(n));
  return r;
}

bool DeBase64(const std::string& texto, std::string& dados) {
  std::string limpo;
  for (char c : texto)
    if (c != '\r' && c != '\n' && c != ' ' && c != '\t') limpo += c;
  if (limpo.size() % 4 != 0) return false;
  dados.assign(limpo.size() / 4 * 3 + 1, '\0');
  int n = EVP_DecodeBlock(reinterpret_cast<unsigned char*>(dados.data()),
                          reinterpret_cast<const unsigned char*>(limpo.data()), static_cast<int>(limpo.size()));
  if (n < 0) return false;
  std::size_t tam = static_cast<std::size_t>(n);
  if (!limpo.empty() && limpo.back() == '=') --tam;
  if (limpo.size() > 1 && limpo[limpo.size() - 2] == '=') --tam;
  dados.resize(tam);
  return true;
}

std::string Gzip(const std::string& dados) {
  z_stream z{};
  deflateInit2(&z, Z_BEST_SPEED, Z_DEFLATED, 31, 8, Z_DEFAULT_STRATEGY);
  std::string r(deflateBound(&z, dados.size()) + 32, '\0');
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(dados.data()));
  z.avail_in = static_cast<uInt>(dados.size());
  z.next_out = reinterpret_cast<Bytef*>(r.data());
  z.avail_out = static_cast<uInt>(r.size());
  deflate(&z, Z_FINISH);
  r.resize(z.total_out);
  deflateEnd(&z);
  return r;
}

bool Descomprimir(const std::string& dados, std::string& saida) {
  z_stream z{};
  if (inflateInit2(&z, 47) != Z_OK) return false;  // gzip or zlib framing
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(dados.data()));
  z.avail_in = static_cast<uInt>(dados.size());
  saida.clear();
  char buf[16384];
  int rc = Z_OK;
  while (rc == Z_OK) {
    z.next_out = reinterpret_cast<Bytef*>(buf);
    z.avail_out = sizeof buf;
    rc = inflate(&z, Z_NO_FLUSH);
    saida.append(buf, sizeof buf - z.avail_out);
    if (saida.size() > 64u * 1024 * 1024) rc = Z_DATA_ERROR;
  }
  inflateEnd(&z);
  return rc == Z_STREAM_END;
}

static std::string Sha1(const std::string& dados) {
  unsigned char md[EVP_MAX_MD_SIZE];
  unsigned int n = 0;
  EVP_Digest(dados.data(), dados.size(), md, &n, EVP_sha1(), nullptr);
  return std::string(reinterpret_cast<char*>(md), n);
}

std::string Sha1Hex(const std::string& dados) {
  static const char* h = "0123456789ABCDEF";
  std::string r;
  for (unsigned char c : Sha1(dados)) {
    r += h[c >> 4];
    r += h[c & 15];
  }
  return r;
}

std::string Sha1Base64(const std::string& dados) { return Base64(Sha1(dados)); }

std::string Aleatorio(std::size_t n, const char* alfabeto) {
  std::string a(alfabeto), r;
  unsigned char b[256];
  while (r.size() < n) {
    RAND_bytes(b, sizeof b);
    for (unsigned char c : b) {
      // Rejection sampling keeps every symbol equally likely.
      if (c >= 256 - 256 % a.size()) continue;
      r += a[c % a.size()];
      if (r.size() == n) break;
    }
  }
  return r;
}

int DigitoChave(const std::string& chave43) {
  int soma = 0, peso = 2;
  for (auto it = chave43.rbegin(); it != chave43.rend(); ++it) {
    soma += (*it - '0') * peso;
    peso = peso == 9 ? 2 : peso + 1;
  }
  int r = soma % 11;
  return r < 2 ? 0 : 11 - r;
}

namespace {
struct UF {
  int codigo;
  const char* sigla;
};
const UF kUFs[] = {{11, "RO"}, {12, "AC"}, {13, "AM"}, {14, "RR"}, {15, "PA"}, {16, "AP"}, {17, "TO"},
                   {21, "MA"}, {22, "PI"}, {23, "CE"}, {24, "RN"}, {25, "PB"}, {26, "PE"}, {27, "AL"},
                   {28, "SE"}, {29, "BA"}, {31, "MG"}, {32, "ES"}, {33, "RJ"}, {35, "SP"}, {41, "PR"},
                   {42, "SC"}, {43, "RS"}, {50, "MS"}, {51, "MT"}, {52, "GO"}, {53, "DF"}};
}  // namespace

std::string SiglaUF(int codigo) {
  for (const auto& u : kUFs)
    if (u.codigo == codigo) return u.sigla;
  return "";
}

int CodigoUF(const std::string& sigla) {
  for (const auto& u : kUFs)
    if (sigla == u.sigla) return u.codigo;
  return 0;
}

std::string Zeros(long long v, int largura) {
  std::string s = std::to_string(v);
  while (static_cast<int>(s.size()) < largura) s = "0" + s;
  return s;
}

}  // namespace tuim::sim
