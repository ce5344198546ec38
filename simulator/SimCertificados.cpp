#include "simulator/SimCertificados.h"

#include <openssl/bio.h>
#include <openssl/ec.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/pkcs12.h>
#include <openssl/rand.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>

#include <cstdio>
#include <memory>
#include <stdexcept>

#include "fiscal/TuimUtil.h"
#include "simulator/SimUtil.h"

namespace tuim::sim {
namespace {

template <typename T, void (*F)(T*)>
struct Del {
  void operator()(T* p) const { F(p); }
};
using Chave = std::unique_ptr<EVP_PKEY, Del<EVP_PKEY, EVP_PKEY_free>>;
using Cert = std::unique_ptr<X509, Del<X509, X509_free>>;

void Exigir(bool ok, const char* o) {
  if (!ok) throw std::runtime_error(std::string("falha ao gerar certificado: ") + o);
}

Chave NovaRSA() {
  Chave k(EVP_RSA_gen(2048));
  Exigir(k != nullptr, "chave RSA");
  return k;
}

Chave NovaEC() {
  Chave k(EVP_EC_gen("P-256"));
  Exigir(k != nullptr, "chave EC");
  return k;
}

void Extensao(X509* c, X509* emissor, int nid, const char* valor) {
  X509V3_CTX ctx;
  X509V3_set_ctx_nodb(&ctx);
  X509V3_set_ctx(&ctx, emissor, c, nullptr, nullptr, 0);
  X509_EXTENSION* e = X509V3_EXT_conf_nid(nullptr, &ctx, nid, valor);
  Exigir(e != nullptr, valor);
  X509_add_ext(c, e, -1);
  X509_EXTENSION_free(e);
}

Cert Emitir(EVP_PKEY* chave, const std::string& cn, X509* emissor, EVP_PKEY* chaveEmissor, long dias) {
  Cert c(X509_new());
  X509_set_version(c.get(), 2);
  unsigned char serial[12];
  RAND_bytes(serial, sizeof serial);
  serial[0] &= 0x7F;
  BIGNUM* bn = BN_bin2bn(serial, sizeof serial, nullptr);
  BN_to_ASN1_INTEGER(bn, X509_get_serialNumber(c.get()));
  BN_free(bn);
  X509_gmtime_adj(X509_getm_notBefore(c.get()), -86400);
  X509_gmtime_adj(X509_getm_notAfter(c.get()), dias * 86400);
  X509_set_pubkey(c.get(), chave);
  X509_NAME* n = X509_get_subject_name(c.get());
  X509_NAME_add_entry_by_txt(n, "C", MBSTRING_ASC, reinterpret_cast<const unsigned char*>("BR"), -1, -1, 0);
  X509_NAME_add_entry_by_txt(n, "O", MBSTRING_ASC, reinterpret_cast<const unsigned char*>("ICP-Brasil"), -1, -1, 0);
  X509_NAME_add_entry_by_txt(n, "OU", MBSTRING_ASC, reinterpret_cast<const unsigned char*>("Simulador Tuim"), -1, -1,
                             0);
  X509_NAME_add_entry_by_txt(n, "CN", MBSTRING_UTF8, reinterpret_cast<const unsigned char*>(cn.c_str()), -1, -1, 0);
  X509_set_issuer_name(c.get(), emissor ? X509_get_subject_name(emissor) : n);
  return c;
}

void Assinar(X509* c, EVP_PKEY* chave) { Exigir(X509_sign(c, chave, EVP_sha256()) > 0, "assinatura"); }

void GravarPEM(const std::string& caminho, X509* c, EVP_PKEY* k) {
  FILE* f = std::fopen(caminho.c_str(), "wb");
  Exigir(f != nullptr, caminho.c_str());
  bool ok = c ? PEM_write_X509(f, c) == 1 : PEM_write_PrivateKey(f, k, nullptr, nullptr, 0, nullptr, nullptr) == 1;
  std::fclose(f);
  Exigir(ok, caminho.c_str());
}

}  // namespace

void GerarCertificados(const std::string& pasta, const std::vector<std::string>& cnpjs, const std::string& senha) {
  // RSA only where XML signatures need it (the companies); the CA and the server use P-256.
  Chave chaveCA = NovaEC();
  Cert ca = Emitir(chaveCA.get(), "AC TUIM SEFAZ SIMULADOR", nullptr, nullptr, 3650);
  Extensao(ca.get(), ca.get(), NID_basic_constraints, "critical,CA:TRUE");
  Extensao(ca.get(), ca.get(), NID_key_usage, "critical,keyCertSign,cRLSign");
  Extensao(ca.get(), ca.get(), NID_subject_key_identifier, "hash");
  Assinar(ca.get(), chaveCA.get());
  GravarPEM(pasta + "/ca.pem", ca.get(), nullptr);
  GravarPEM(pasta + "/ca.key", nullptr, chaveCA.get());

  Chave chaveSrv = NovaEC();
  Cert srv = Emitir(chaveSrv.get(), "localhost", ca.get(), chaveCA.get(), 3650);
  Extensao(srv.get(), ca.get(), NID_basic_constraints, "CA:FALSE");
  Extensao(srv.get(), ca.get(), NID_subject_alt_name, "DNS:localhost,IP:127.0.0.1");
  Extensao(srv.get(), ca.get(), NID_ext_key_usage, "serverAuth");
  Assinar(srv.get(), chaveCA.get());
  GravarPEM(pasta + "/servidor.pem", srv.get(), nullptr);
  GravarPEM(pasta + "/servidor.key", nullptr, chaveSrv.get());

  for (const auto& cnpj : cnpjs) {
    Chave k = NovaRSA();
    Cert c = Emitir(k.get(), "EMPRESA TESTE:" + cnpj, ca.get(), chaveCA.get(), 3650);
    Extensao(c.get(), ca.get(), NID_basic_constraints, "CA:FALSE");
    Extensao(c.get(), ca.get(), NID_key_usage, "critical,digitalSignature,nonRepudiation,keyEncipherment");
    Extensao(c.get(), ca.get(), NID_ext_key_usage, "clientAuth,emailProtection");
    // The ICP-Brasil other names of a company: responsible person's data, name, CNPJ, INSS.
    const std::string san =
        "otherName:2.16.76.1.3.4;OCTETSTRING:01011980123456789090000000000000000000000000000SSPSP,"
        "otherName:2.16.76.1.3.2;OCTETSTRING:RESPONSAVEL TESTE,"
        "otherName:2.16.76.1.3.3;OCTETSTRING:" + cnpj + ",otherName:2.16.76.1.3.7;OCTETSTRING:000000000000";
    Extensao(c.get(), ca.get(), NID_subject_alt_name, san.c_str());
    Assinar(c.get(), chaveCA.get());
    STACK_OF(X509)* cadeia = sk_X509_new_null();
    sk_X509_push(cadeia, ca.get());
    const std::string nome = "EMPRESA TESTE:" + cnpj;
    PKCS12* p12 = PKCS12_create(senha.c_str(), nome.c_str(), k.get(), c.get(), cadeia, 0, 0, 0, 0, 0);
    sk_X509_free(cadeia);
    Exigir(p12 != nullptr, "PKCS#12");
    FILE* f = std::fopen((pasta + "/" + cnpj + ".pfx").c_str(), "wb");
    bool ok = f && i2d_PKCS12_fp(f, p12) == 1;
    if (f) std::fclose(f);
    PKCS12_free(p12);
    Exigir(ok, "gravar .pfx");
  }
}

std::string CNPJDoCertificado(const x509_st* certConst) {
  X509* cert = const_cast<X509*>(certConst);
  if (!cert) return "";
  std::string r;
  auto* nomes = static_cast<GENERAL_NAMES*>(X509_get_ext_d2i(cert, NID_subject_alt_name, nullptr, nullptr));
  if (nomes) {
    for (int i = 0; i < sk_GENERAL_NAME_num(nomes) && r.empty(); ++i) {
      GENERAL_NAME* g = sk_GENERAL_NAME_value(nomes, i);
      if (g->type != GEN_OTHERNAME) continue;
      char oid[64];
      OBJ_obj2txt(oid, sizeof oid, g->d.otherName->type_id, 1);
      if (std::string(oid) != "2.16.76.1.3.3") continue;
      ASN1_TYPE* v = g->d.otherName->value;
      if (v && (v->type == V_ASN1_OCTET_STRING || v->type == V_ASN1_PRINTABLESTRING || v->type == V_ASN1_UTF8STRING ||
                v->type == V_ASN1_IA5STRING))
        r.assign(reinterpret_cast<const char*>(ASN1_STRING_get0_data(v->value.asn1_string)),
                 static_cast<std::size_t>(ASN1_STRING_length(v->value.asn1_string)));
    }
    GENERAL_NAMES_free(nomes);
  }
  if (r.empty()) {
    char cn[256] = {0};
    X509_NAME_get_text_by_NID(X509_get_subject_name(cert), NID_commonName, cn, sizeof cn);
    std::string s(cn);
    auto p = s.rfind(':');
    if (p != std::string::npos) r = s.substr(p + 1);
  }
  return TextoNumerico(r) ? r : "";
}

std::string CNPJDoCertificadoBase64(const std::string& base64) {
  std::string der;
  if (!DeBase64(base64, der)) return "";
  const unsigned char* p = reinterpret_cast<const unsigned char*>(der.data());
  X509* c = d2i_X509(nullptr, &p, static_cast<long>(der.size()));
  std::string r = CNPJDoCertificado(c);
  X509_free(c);
  return r;
}

}  // namespace tuim::sim
