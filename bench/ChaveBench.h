#pragma once
// One RSA-2048 key with a self-signed company certificate, made once per benchmark program, as
// libcrypto objects and as PKCS#12 bytes (password "1234").
#include <openssl/evp.h>
#include <openssl/pkcs12.h>
#include <openssl/x509.h>

#include <string>

namespace tuim::bench {

struct ChaveBench {
  EVP_PKEY* chave = nullptr;
  X509* certificado = nullptr;
  std::string pfx;
};

inline const ChaveBench& Chave() {
  static const ChaveBench m = [] {
    ChaveBench r;
    r.chave = EVP_RSA_gen(2048);
    X509* x = X509_new();
    ASN1_INTEGER_set(X509_get_serialNumber(x), 0x5A17);
    X509_gmtime_adj(X509_getm_notBefore(x), 0);
    X509_gmtime_adj(X509_getm_notAfter(x), 3600L * 24 * 365);
    X509_set_pubkey(x, r.chave);
    X509_NAME* n = X509_get_subject_name(x);
    X509_NAME_add_entry_by_txt(n, "CN", MBSTRING_ASC, reinterpret_cast<const unsigned char*>("BENCH:11222333000181"),
                               -1, -1, 0);
    X509_set_issuer_name(x, n);
    X509_sign(x, r.chave, EVP_sha256());
    r.certificado = x;
    PKCS12* p12 = PKCS12_create("1234", "bench", r.chave, x, nullptr, 0, 0, 0, 0, 0);
    unsigned char* der = nullptr;
    int len = i2d_PKCS12(p12, &der);
    r.pfx.assign(reinterpret_cast<char*>(der), len);
    OPENSSL_free(der);
    PKCS12_free(p12);
    return r;
  }();
  return m;
}

// PKCS#1 v1.5 over SHA-1 with the key, straight through libcrypto: the floor for every backend.
inline bool AssinarDireto(const std::string& dados, unsigned char (&sig)[512]) {
  EVP_MD_CTX* c = EVP_MD_CTX_new();
  size_t n = sizeof sig;
  bool ok = EVP_DigestSignInit(c, nullptr, EVP_sha1(), nullptr, Chave().chave) == 1 &&
            EVP_DigestSign(c, sig, &n, reinterpret_cast<const unsigned char*>(dados.data()), dados.size()) == 1;
  EVP_MD_CTX_free(c);
  return ok;
}

}  // namespace tuim::bench
