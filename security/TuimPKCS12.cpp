#include "security/TuimPKCS12.h"

#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/pkcs12.h>
#include <openssl/x509.h>

#include "security/TuimDFeOpenSSL.h"

namespace tuim {

void TLiberarX509::operator()(x509_st* x) const { X509_free(x); }
void TLiberarChave::operator()(evp_pkey_st* k) const { EVP_PKEY_free(k); }

namespace {

struct TLiberarP12 { void operator()(PKCS12* p) const { PKCS12_free(p); } };

TResultadoPKCS12 Falha(TResultadoPKCS12 r, unsigned long& erro) {
  erro = ERR_peek_last_error();
  ERR_clear_error();
  return r;
}

}  // namespace

TResultadoPKCS12 LerPKCS12(const std::string& dados, const std::string& senha, TConteudoPKCS12& conteudo,
                           unsigned long& erro) {
  CarregarProvedoresOpenSSL();
  conteudo = TConteudoPKCS12();
  erro = 0;
  ERR_clear_error();
  const unsigned char* p = reinterpret_cast<const unsigned char*>(dados.data());
  std::unique_ptr<PKCS12, TLiberarP12> p12(dados.empty() ? nullptr
                                                         : d2i_PKCS12(nullptr, &p, static_cast<long>(dados.size())));
  if (!p12) return Falha(rpkInvalido, erro);

  if (PKCS12_mac_present(p12.get())) {
    bool ok = PKCS12_verify_mac(p12.get(), senha.c_str(), static_cast<int>(senha.size())) == 1;
    if (!ok && senha.empty()) ok = PKCS12_verify_mac(p12.get(), nullptr, 0) == 1;
    if (!ok) return Falha(rpkSenhaErrada, erro);
    ERR_clear_error();
  }

  EVP_PKEY* chave = nullptr;
  X509* cert = nullptr;
  STACK_OF(X509)* cadeia = nullptr;
  if (PKCS12_parse(p12.get(), senha.c_str(), &chave, &cert, &cadeia) != 1) return Falha(rpkFalha, erro);
  conteudo.Chave.reset(chave);
  conteudo.Certificado.reset(cert);
  for (int i = 0; i < sk_X509_num(cadeia); ++i) conteudo.Cadeia.emplace_back(sk_X509_value(cadeia, i));
  sk_X509_free(cadeia);  // the certificates now belong to Cadeia
  ERR_clear_error();
  return rpkOk;
}

}  // namespace tuim
