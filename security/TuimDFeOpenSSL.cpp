#include "security/TuimDFeOpenSSL.h"

#include <openssl/asn1.h>
#include <openssl/bio.h>
#include <openssl/crypto.h>
#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/objects.h>
#include <openssl/pkcs12.h>
#include <openssl/provider.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>

#include <ctime>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <mutex>

#include "fiscal/TuimUtil.h"
#include "fiscal/TuimValidador.h"
#include "fiscal/fscAuxiliar.h"
#include "security/TuimDFeSSLUtil.h"
#include "security/TuimPKCS12.h"

namespace tuim {

namespace {

struct BioFree { void operator()(BIO* b) const { BIO_free_all(b); } };
struct MdCtxFree { void operator()(EVP_MD_CTX* c) const { EVP_MD_CTX_free(c); } };
struct MdFree { void operator()(EVP_MD* m) const { EVP_MD_free(m); } };
struct X509Free { void operator()(X509* x) const { X509_free(x); } };
struct GensFree { void operator()(GENERAL_NAMES* g) const { GENERAL_NAMES_free(g); } };

std::string LerBio(BIO* bio) {
  std::string r;
  char buf[1024];
  while (!BIO_eof(bio)) {
    int n = BIO_read(bio, buf, sizeof buf);
    if (n <= 0) break;
    r.append(buf, static_cast<std::size_t>(n));
  }
  return r;
}

std::string NomeX509(X509_NAME* nome) {
  std::unique_ptr<BIO, BioFree> bio(BIO_new(BIO_s_mem()));
  if (!bio || !nome) return "";
  // ", " between parts and " + " inside multi-valued ones; characters up to U+00FF come out as
  // single bytes, which is the Windows-1252 text of every Portuguese letter.
  if (X509_NAME_print_ex(bio.get(), nome, 0, XN_FLAG_SEP_CPLUS_SPC) < 0) {
    ERR_clear_error();
    return "";
  }
  return LerBio(bio.get());
}

template <typename F>
void LerStream(std::istream& s, F&& alimentar) {
  ssl::LerStreamEmBlocos(s, alimentar);
}

std::unique_ptr<EVP_MD, MdFree> BuscarDigest(TSSLDgst digest) {
  CarregarProvedoresOpenSSL();
  std::string nome = TDFeOpenSSL::NomeDigest(digest);
  std::unique_ptr<EVP_MD, MdFree> md(EVP_MD_fetch(nullptr, nome.c_str(), nullptr));
  if (!md) {
    ERR_clear_error();
    throw ETuimDFeException("Erro ao carregar Digest: " + nome);
  }
  return md;
}

std::string CodigoErroOpenSSL() {
  unsigned long e = ERR_get_error();
  ERR_clear_error();
  char buf[16];
  std::snprintf(buf, sizeof buf, "%08lX", e);
  return buf;
}


std::string TextoASN1(const ASN1_STRING* s) {
  if (!s) return "";
  const unsigned char* d = ASN1_STRING_get0_data(s);
  int n = ASN1_STRING_length(s);
  if (!d || n <= 0) return "";
  return std::string(reinterpret_cast<const char*>(d), static_cast<std::size_t>(n));
}

// Value of the first other name of type `oid` in the alternative names, bounded by the decoded
// string's own length.
std::string OutroNome(GENERAL_NAMES* nomes, const char* oid) {
  ASN1_OBJECT* alvo = OBJ_txt2obj(oid, 1);
  if (!alvo) return "";
  std::string r;
  bool achou = false;
  for (int i = 0; i < sk_GENERAL_NAME_num(nomes) && !achou; ++i) {
    const GENERAL_NAME* g = sk_GENERAL_NAME_value(nomes, i);
    if (!g || g->type != GEN_OTHERNAME || !g->d.otherName) continue;
    const OTHERNAME* on = g->d.otherName;
    if (!on->type_id || OBJ_cmp(on->type_id, alvo) != 0 || !on->value) continue;
    switch (on->value->type) {
      case V_ASN1_OCTET_STRING:
      case V_ASN1_PRINTABLESTRING:
      case V_ASN1_UTF8STRING:
      case V_ASN1_IA5STRING:
      case V_ASN1_T61STRING:
      case V_ASN1_VISIBLESTRING:
      case V_ASN1_NUMERICSTRING:
        r = TextoASN1(on->value->value.asn1_string);
        achou = true;
        break;
      default: break;
    }
  }
  ASN1_OBJECT_free(alvo);
  return Trim(r);
}

}  // namespace

void CarregarProvedoresOpenSSL() {
  static std::once_flag once;
  std::call_once(once, [] {
    // Loading any provider explicitly stops the automatic load of "default": load both.
    OSSL_PROVIDER_load(nullptr, "legacy");
    OSSL_PROVIDER_load(nullptr, "default");
    ERR_clear_error();
  });
}

TDFeOpenSSL::TDFeOpenSSL(TDFeSSL& dfeSSL) : TDFeSSLCryptClass(dfeSSL) {
  CarregarProvedoresOpenSSL();
  LimparDados();
}

TDFeOpenSSL::~TDFeOpenSSL() {
  TDFeOpenSSL::FecharCertificado();
  X509_free(fPublico);
}

std::string TDFeOpenSSL::NomeDigest(TSSLDgst digest) {
  switch (digest) {
    case dgstMD2: return "md2";
    case dgstMD4: return "md4";
    case dgstMD5: return "md5";
    case dgstRMD160: return "rmd160";
    case dgstSHA: return "sha";
    case dgstSHA1: return "sha1";
    case dgstSHA256: return "sha256";
    case dgstSHA512: return "sha512";
  }
  return "";
}

void TDFeOpenSSL::LiberarChaves() {
  EVP_PKEY_free(fChave);
  fChave = nullptr;
  X509_free(fCertificado);
  fCertificado = nullptr;
  for (X509* c : fCadeia) X509_free(c);
  fCadeia.clear();
  fContexto = TContextoCertificado();
  fTemContexto = false;
}

void TDFeOpenSSL::FecharCertificado() {
  LiberarChaves();
  TDFeSSLCryptClass::FecharCertificado();
}

const TContextoCertificado* TDFeOpenSSL::ContextoCertificado() {
  GarantirCertificado();
  if (!fTemContexto) {
    fContexto.Certificado = fCertificado;
    fContexto.ChavePrivada = fChave;
    fContexto.Cadeia = fCadeia;
    fTemContexto = true;
  }
  return &fContexto;
}

void TDFeOpenSSL::AbrirCertificado() {
  FecharCertificado();
  const std::string arquivo = FpDFeSSL.ArquivoPFX();
  if (arquivo.empty() && FpDFeSSL.DadosPFX().empty()) {
    if (FpDFeSSL.NumeroSerie().empty())
      throw ETuimDFeException("Certificado não informado.\r\nUtilize \"ArquivoPFX\" ou \"DadosPFX\"");
    throw ETuimDFeException(
        "TDFeOpenSSL não suporta carga de Certificado pelo número de série.\r\nUtilize \"ArquivoPFX\" ou \"DadosPFX\"");
  }
  std::error_code ec;
  bool arquivoConta = !arquivo.empty() && std::filesystem::is_regular_file(arquivo, ec);
  if (FpDFeSSL.DadosPFX().empty() && !arquivoConta)
    throw ETuimDFeException("Arquivo: " + arquivo + " não encontrado, e DadosPFX não informado");
  if (arquivoConta) {
    std::string conteudo;
    if (!tuim::LerArquivo(arquivo, conteudo)) throw ETuimDFeException("Erro ao Carregar Certificado");
    FpDFeSSL.SetDadosPFX(conteudo);
  }
  if (FpDFeSSL.DadosPFX().empty()) throw ETuimDFeException("Erro ao Carregar Certificado");
  bool semChave = false;
  if (!LerPFX(FpDFeSSL.DadosPFX(), semChave)) {
    // The password opened the data but no key came out: saying the password is wrong would mislead.
    if (semChave) throw ETuimDFeException("Falha ao localizar o Certificado com a Chave Privada.");
    throw ETuimDFeException("Erro ao ler informações do Certificado.\r\nProvavelmente a senha está errada");
  }
  fCertificadoAberto = true;
}

bool TDFeOpenSSL::LerPFX(const std::string& dados, bool& semChave) {
  semChave = false;
  LiberarChaves();
  std::string senha = ParaUTF8(FpDFeSSL.Senha());
  TConteudoPKCS12 pfx;
  unsigned long erro = 0;
  const bool ok = LerPKCS12(dados, senha, pfx, erro) == rpkOk;
  OPENSSL_cleanse(senha.data(), senha.size());
  if (!ok || !pfx.Certificado) {
    semChave = ok && !pfx.Chave;
    return false;
  }
  fChave = pfx.Chave.release();
  fCertificado = pfx.Certificado.release();
  for (TX509PKCS12& x : pfx.Cadeia) fCadeia.push_back(x.release());
  LerDadosCertificado(fCertificado, fInfoCertificado);
  return true;
}

void TDFeOpenSSL::LerDadosCertificado(x509_st* cert, TDadosCertificado& dados) {
  dados.Clear();
  if (!cert) return;
  const ASN1_INTEGER* serie = X509_get0_serialNumber(cert);
  dados.SetSerieCertificado(TextoParaHex(TextoASN1(serie)));

  unsigned char md[EVP_MAX_MD_SIZE];
  unsigned int n = 0;
  if (X509_digest(cert, EVP_sha1(), md, &n) == 1)
    dados.SetImpressaoDigital(TextoParaHex(std::string(reinterpret_cast<char*>(md), n)));

  dados.SetSubjectName(NomeX509(X509_get_subject_name(cert)));
  if (dados.CNPJTitular().empty()) dados.SetCNPJTitular(CNPJDasExtensoes(cert));

  // libcrypto reads both time forms; a two-digit year 50-99 is 19xx as the standard says.
  std::tm tm{};
  if (ASN1_TIME_to_tm(X509_get0_notAfter(cert), &tm) == 1) {
    TDateTime dt = 0;
    if (TryEncodeDateTime(tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec, 0, dt))
      dados.SetValidoAte(dt);
  }

  dados.SetIssuerName(NomeX509(X509_get_issuer_name(cert)));

  unsigned char* der = nullptr;
  int len = i2d_X509(cert, &der);
  if (len > 0) {
    dados.SetCertificadoBase64(CodificarBase64(std::string(reinterpret_cast<char*>(der), len)));
    OPENSSL_free(der);
  }
  ERR_clear_error();
}

std::string TDFeOpenSSL::CNPJDasExtensoes(x509_st* cert) {
  if (!cert) return "";
  std::unique_ptr<GENERAL_NAMES, GensFree> nomes(
      static_cast<GENERAL_NAMES*>(X509_get_ext_d2i(cert, NID_subject_alt_name, nullptr, nullptr)));
  ERR_clear_error();
  if (!nomes) return "";
  std::string cnpj = OutroNome(nomes.get(), "2.16.76.1.3.3");
  if (!cnpj.empty()) return cnpj.substr(0, 14);
  // Person data: birth date (8), then the CPF (11).
  std::string pessoa = OutroNome(nomes.get(), "2.16.76.1.3.1");
  if (pessoa.size() > 8) return pessoa.substr(8, 11);
  return "";
}

std::string TDFeOpenSSL::CalcHash(std::istream& stream, TSSLDgst digest, bool assinatura) {
  if (assinatura && !fChave) AbrirCertificado();
  if (assinatura && !fChave)
    throw ETuimDFeException("Falha ao localizar o Certificado com a Chave Privada.");
  auto md = BuscarDigest(digest);
  std::unique_ptr<EVP_MD_CTX, MdCtxFree> ctx(EVP_MD_CTX_new());
  if (!ctx) throw ETuimDFeException("Erro ao calcular o Hash: " + CodigoErroOpenSSL());

  if (assinatura) {
    if (EVP_DigestSignInit(ctx.get(), nullptr, md.get(), nullptr, fChave) != 1)
      throw ETuimDFeException("Erro ao calcular a Assinatura: " + CodigoErroOpenSSL());
    bool ok = true;
    LerStream(stream, [&](const unsigned char* p, std::size_t n) {
      ok = ok && EVP_DigestSignUpdate(ctx.get(), p, n) == 1;
    });
    std::size_t tam = 0;
    if (!ok || EVP_DigestSignFinal(ctx.get(), nullptr, &tam) != 1)
      throw ETuimDFeException("Erro ao calcular a Assinatura: " + CodigoErroOpenSSL());
    std::string sig(tam, '\0');
    if (EVP_DigestSignFinal(ctx.get(), reinterpret_cast<unsigned char*>(sig.data()), &tam) != 1)
      throw ETuimDFeException("Erro ao calcular a Assinatura: " + CodigoErroOpenSSL());
    sig.resize(tam);
    return sig;
  }

  if (EVP_DigestInit_ex(ctx.get(), md.get(), nullptr) != 1)
    throw ETuimDFeException("Erro ao calcular o Hash: " + CodigoErroOpenSSL());
  LerStream(stream, [&](const unsigned char* p, std::size_t n) { EVP_DigestUpdate(ctx.get(), p, n); });
  unsigned char out[EVP_MAX_MD_SIZE];
  unsigned int n = 0;
  if (EVP_DigestFinal_ex(ctx.get(), out, &n) != 1)
    throw ETuimDFeException("Erro ao calcular o Hash: " + CodigoErroOpenSSL());
  return std::string(reinterpret_cast<char*>(out), n);
}

bool TDFeOpenSSL::ValidarHash(std::istream& stream, TSSLDgst digest, const std::string& hash, bool assinatura) {
  if (assinatura && !fCertificado) AbrirCertificado();
  auto md = BuscarDigest(digest);
  std::unique_ptr<EVP_MD_CTX, MdCtxFree> ctx(EVP_MD_CTX_new());
  if (!ctx) return false;
  if (assinatura) {
    EVP_PKEY* pub = fCertificado ? X509_get0_pubkey(fCertificado) : nullptr;
    if (!pub || EVP_DigestVerifyInit(ctx.get(), nullptr, md.get(), nullptr, pub) != 1) {
      ERR_clear_error();
      return false;
    }
    LerStream(stream, [&](const unsigned char* p, std::size_t n) { EVP_DigestVerifyUpdate(ctx.get(), p, n); });
    int r = EVP_DigestVerifyFinal(ctx.get(), reinterpret_cast<const unsigned char*>(hash.data()), hash.size());
    ERR_clear_error();
    return r == 1;
  }
  if (EVP_DigestInit_ex(ctx.get(), md.get(), nullptr) != 1) {
    ERR_clear_error();
    return false;
  }
  LerStream(stream, [&](const unsigned char* p, std::size_t n) { EVP_DigestUpdate(ctx.get(), p, n); });
  unsigned char out[EVP_MAX_MD_SIZE];
  unsigned int n = 0;
  if (EVP_DigestFinal_ex(ctx.get(), out, &n) != 1) return false;
  return hash.find(std::string(reinterpret_cast<char*>(out), n)) != std::string::npos;
}

bool TDFeOpenSSL::CarregarCertificadoPublico(const std::string& certificadoX509) {
  FecharCertificado();
  std::string der;
  if (!DecodificarBase64(certificadoX509, der) || der.empty()) return false;
  if (fPublico && der == fDerPublico && X509_up_ref(fPublico) == 1) {
    fCertificado = fPublico;
    fInfoCertificado = fDadosPublico;
    return true;
  }
  const unsigned char* p = reinterpret_cast<const unsigned char*>(der.data());
  X509* cert = d2i_X509(nullptr, &p, static_cast<long>(der.size()));
  ERR_clear_error();
  if (!cert) return false;
  fCertificado = cert;
  LerDadosCertificado(fCertificado, fInfoCertificado);
  if (X509_up_ref(cert) == 1) {
    X509_free(fPublico);
    fPublico = cert;
    fDerPublico = std::move(der);
    fDadosPublico = fInfoCertificado;
  }
  return true;
}

}  // namespace tuim
