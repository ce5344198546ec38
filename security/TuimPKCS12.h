#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

struct x509_st;
struct evp_pkey_st;

namespace tuim {

// The one reader of PKCS#12 (PFX) data, for both crypto backends and the socket transport.
struct TLiberarX509 { void operator()(x509_st* x) const; };
struct TLiberarChave { void operator()(evp_pkey_st* k) const; };
using TX509PKCS12 = std::unique_ptr<x509_st, TLiberarX509>;
using TChavePKCS12 = std::unique_ptr<evp_pkey_st, TLiberarChave>;

// What a PKCS#12 file holds; any part may be missing.
struct TConteudoPKCS12 {
  TChavePKCS12 Chave;
  TX509PKCS12 Certificado;
  std::vector<TX509PKCS12> Cadeia;
};

enum TResultadoPKCS12 : std::uint8_t {
  rpkOk,
  rpkInvalido,     // not PKCS#12 (or empty)
  rpkSenhaErrada,  // the integrity MAC does not match the password
  rpkFalha,        // the contents could not be decrypted or decoded
};

// Reads DER PKCS#12 bytes with a UTF-8 password; an empty password is also tried as "no
// password", which some exporters apply. On anything but rpkOk `erro` is libcrypto's last error
// code (0 when it gave none). Leaves libcrypto's error queue empty.
TResultadoPKCS12 LerPKCS12(const std::string& dados, const std::string& senhaUTF8, TConteudoPKCS12& conteudo,
                           unsigned long& erro);

}  // namespace tuim
