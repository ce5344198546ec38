#include "security/TuimDFeWinCrypt.h"
#include "security/TuimDFeSSLUtil.h"

#include <openssl/asn1.h>
#include <openssl/bio.h>
#include <openssl/crypto.h>
#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/pkcs12.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>

#include <ctime>
#include <filesystem>
#include <fstream>
#include <map>
#include <mutex>

#include "security/TuimDFeOpenSSL.h"
#include "fiscal/TuimUtil.h"

namespace tuim {

using namespace plataforma;

namespace {

// Serials of the tokens whose PIN this process has set, with the number of open certificates
// that rely on it: the token is logged out when the last of them closes.
std::mutex& MutexPIN() {
  static std::mutex m;
  return m;
}
std::map<std::string, int>& ListaPIN() {
  static std::map<std::string, int> l;
  return l;
}

std::mutex& MutexSelecao() {
  static std::mutex m;
  return m;
}
TSelecaoCertificado& Selecao() {
  static TSelecaoCertificado s;
  return s;
}

struct MdFree { void operator()(EVP_MD* m) const { EVP_MD_free(m); } };
struct MdCtxFree { void operator()(EVP_MD_CTX* c) const { EVP_MD_CTX_free(c); } };
struct BioFree { void operator()(BIO* b) const { BIO_free_all(b); } };

// A failure inside the hashing steps: the message and the code of the failing operation.
struct EFalhaHash {
  std::string mensagem;
  unsigned long codigo;
};

const char* NomePlataforma(TSSLDgst d) {
  switch (d) {
    case dgstMD2: return "MD2";
    case dgstMD4: return "MD4";
    case dgstMD5: return "MD5";
    case dgstSHA:
    case dgstSHA1: return "SHA1";
    case dgstSHA256: return "SHA256";
    case dgstSHA512: return "SHA512";
    default: return nullptr;
  }
}

const char* MapearDigest(TSSLDgst d, const std::string& classe) {
  const char* n = NomePlataforma(d);
  if (!n) throw ETuimDFeException("Digest " + SSLDgstParaTexto(d) + " não suportado em " + classe);
  return n;
}

std::unique_ptr<EVP_MD, MdFree> CriarHash(TSSLDgst d, const char* nome) {
  CarregarProvedoresOpenSSL();
  std::unique_ptr<EVP_MD, MdFree> md(EVP_MD_fetch(nullptr, nome, nullptr));
  if (!md) {
    unsigned long e = UltimoErroOpenSSL();
    throw EFalhaHash{"O Provedor de Criptografia não suporta o algoritmo: " + SSLDgstParaTexto(d), e};
  }
  return md;
}

template <typename F>
void HashStream(std::istream& s, F&& alimentar) {
  if (!ssl::LerStreamEmBlocos(s, alimentar)) throw EFalhaHash{"CryptHashData", UltimoErroOpenSSL()};
}

std::string MensagemProvedor(unsigned long codigo) {
  switch (codigo) {
    case ckrKeyHandleInvalid:
      return "Provedor de Criptografia não encontrado. Verifique a configuração do Certificado";
    case ckrTokenNotPresent: return "O recipiente da chave não pôde ser aberto";
    case ckrArgumentsBad: return "Estrutura de Chave obtida no Provedor de Criptografia está corrompida";
    default: return "Falha em obter Provedor de Criptografia do Certificado. Erro: " + CodigoHexa(codigo);
  }
}

std::string NomeX509(X509_NAME* nome) {
  std::unique_ptr<BIO, BioFree> bio(BIO_new(BIO_s_mem()));
  if (!bio || !nome) return "";
  // Parts in their encoded order, ", " between them; letters up to U+00FF come out as single
  // bytes, the Windows-1252 text of every Portuguese letter.
  if (X509_NAME_print_ex(bio.get(), nome, 0, XN_FLAG_SEP_COMMA_PLUS) < 0) {
    ERR_clear_error();
    return "";
  }
  char* p = nullptr;
  long n = BIO_get_mem_data(bio.get(), &p);
  return n > 0 ? std::string(p, static_cast<std::size_t>(n)) : std::string();
}

TDateTime ParaHoraLocal(const ASN1_TIME* t) {
  std::tm utc{};
  if (!t || ASN1_TIME_to_tm(t, &utc) != 1) {
    ERR_clear_error();
    return 0;
  }
  std::time_t instante = timegm(&utc);
  std::tm local{};
  if (!localtime_r(&instante, &local)) return 0;
  TDateTime dt = 0;
  if (!TryEncodeDateTime(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min,
                         local.tm_sec, 0, dt))
    return 0;
  return dt;
}

class TSenhaTemporaria {
public:
  explicit TSenhaTemporaria(std::string s) : fTexto(std::move(s)) {}
  ~TSenhaTemporaria() { OPENSSL_cleanse(fTexto.data(), fTexto.size()); }
  const std::string& Texto() const { return fTexto; }

private:
  std::string fTexto;
};

}  // namespace

void DefinirSelecaoCertificado(TSelecaoCertificado selecao) {
  std::lock_guard<std::mutex> g(MutexSelecao());
  Selecao() = std::move(selecao);
}

TDFeWinCrypt::TDFeWinCrypt(TDFeSSL& dfeSSL) : TDFeSSLCryptClass(dfeSSL) {
  CarregarProvedoresOpenSSL();
  LimparDados();
}

TDFeWinCrypt::~TDFeWinCrypt() { TDFeWinCrypt::FecharCertificado(); }

int TDFeWinCrypt::UsosPINToken(const std::string& token) {
  std::lock_guard<std::mutex> g(MutexPIN());
  auto it = ListaPIN().find(token);
  return it == ListaPIN().end() ? 0 : it->second;
}

std::string TDFeWinCrypt::TokenCertificado() const { return fCertificado ? fCertificado->Token : ""; }

std::string TDFeWinCrypt::SerieDe(x509_st* cert) {
  const ASN1_INTEGER* serie = cert ? X509_get0_serialNumber(cert) : nullptr;
  if (!serie) return "";
  int n = i2d_ASN1_INTEGER(serie, nullptr);
  if (n <= 2) return "";
  std::string der(static_cast<std::size_t>(n), '\0');
  unsigned char* p = reinterpret_cast<unsigned char*>(der.data());
  i2d_ASN1_INTEGER(serie, &p);
  // Skip the tag and the length (short or long form).
  std::size_t cab = 2;
  unsigned char l = static_cast<unsigned char>(der[1]);
  if (l & 0x80) cab += l & 0x7F;
  if (cab >= der.size()) return "";
  return Trim(TextoParaHex(der.substr(cab)));
}

void TDFeWinCrypt::LerDadosCertificado(x509_st* cert, TDadosCertificado& dados,
                                       std::optional<TTipoCertificado> tipo) {
  dados.Clear();
  if (!cert) return;
  if (tipo) dados.SetTipoCertificado(*tipo);
  dados.SetSerieCertificado(SerieDe(cert));

  unsigned char md[EVP_MAX_MD_SIZE];
  unsigned int n = 0;
  if (X509_digest(cert, EVP_sha1(), md, &n) != 1) {
    ERR_clear_error();
    throw ETuimDFeException("GetHashSHA1: Erro obtendo \"CERT_HASH_PROP_ID\"");
  }
  dados.SetImpressaoDigital(TextoParaHex(std::string(reinterpret_cast<char*>(md), n)));

  dados.SetSubjectName(NomeX509(X509_get_subject_name(cert)));
  if (dados.CNPJTitular().empty()) {
    int pos = X509_get_ext_by_NID(cert, NID_subject_alt_name, -1);
    if (pos >= 0) {
      // A present extension that does not decode is reported, as the platform's decoder does.
      void* nomes = X509V3_EXT_d2i(X509_get_ext(cert, pos));
      if (!nomes) {
        unsigned long e = UltimoErroOpenSSL();
        throw ETuimDFeException("GetCertExtensionName: Falha ao executar \"CryptDecodeObject\". Erro:" +
                                CodigoHexa(e));
      }
      GENERAL_NAMES_free(static_cast<GENERAL_NAMES*>(nomes));
      dados.SetCNPJTitular(TDFeOpenSSL::CNPJDasExtensoes(cert));
    }
  }
  dados.SetValidoAte(ParaHoraLocal(X509_get0_notAfter(cert)));
  dados.SetIssuerName(NomeX509(X509_get_issuer_name(cert)));

  unsigned char* der = nullptr;
  int len = i2d_X509(cert, &der);
  if (len > 0) {
    dados.SetCertificadoBase64(CodificarBase64(std::string(reinterpret_cast<char*>(der), len)));
    OPENSSL_free(der);
  }
  ERR_clear_error();
}

void TDFeWinCrypt::AbrirStoreSistema() {
  if (fStore) return;
  auto store = std::make_unique<TStore>();
  std::string erro;
  if (!AbrirStoreTokens(*store, erro)) {
    // Local machine for slLocalMachine, current user for every other value: both are the tokens.
    throw ETuimDFeException("TDFeWinCrypt. Erro ao abrir StoreName: " + FpDFeSSL.StoreName() +
                            " Location: " + std::to_string(static_cast<int>(FpDFeSSL.StoreLocation())));
  }
  fStore = std::move(store);
}

void TDFeWinCrypt::ImportarPFX(const std::string& dados) {
  auto store = std::make_unique<TStore>();
  unsigned long codigo = 0;
  TSenhaTemporaria senha(ParaUTF8(FpDFeSSL.Senha()));
  switch (plataforma::ImportarPFX(dados, senha.Texto(), *store, codigo)) {
    case rpOk: break;
    case rpInvalido:
      throw ETuimDFeException("PFXDataToCertContextWinApi: DadosPFX informado não são válidos");
    case rpSenhaErrada: throw ETuimDFeException("PFXDataToCertContextWinApi: Senha informada está errada");
    case rpFalhaImportacao:
      throw ETuimDFeException("PFXDataToCertContextWinApi: Falha em \"PFXImportCertStore\" Erro: " +
                              CodigoHexa(codigo));
  }
  fStore = std::move(store);
  for (const auto& c : fStore->Certificados) {
    if (EstadoChave(c) != ecAusente) {
      fCertificado = c;
      return;
    }
  }
  throw ETuimDFeException("PFXDataToCertContextWinApi: Falha ao localizar o Certificado com a Chave Privada.");
}

void TDFeWinCrypt::AbrirCertificado() {
  FecharCertificado();
  LimparDados();
  if (!FpDFeSSL.DadosPFX().empty()) {
    ImportarPFX(FpDFeSSL.DadosPFX());
  } else if (FpDFeSSL.ArquivoPFX().empty()) {
    const std::string serie = FpDFeSSL.NumeroSerie();
    if (serie.empty()) throw ETuimDFeException("DadosPFX, ArquivoPFX ou NumeroSerie não especificados !");
    AbrirStoreSistema();
    for (const auto& c : fStore->Certificados) {
      if (SerieDe(c.Certificado.get()) == serie) {
        fCertificado = c;
        break;
      }
    }
    if (!fCertificado) throw ETuimDFeException("Certificado \"" + serie + "\" não encontrado!");
  } else {
    const std::string arquivo = FpDFeSSL.ArquivoPFX();
    std::error_code ec;
    std::string conteudo;
    if (!std::filesystem::is_regular_file(arquivo, ec) || !LerArquivo(arquivo, conteudo))
      throw ETuimDFeException("Arquivo: " + arquivo + " não encontrado");
    // Later loads use the data, not the file.
    FpDFeSSL.SetDadosPFX(conteudo);
    ImportarPFX(FpDFeSSL.DadosPFX());
  }
  if (!fCertificado) throw ETuimDFeException("Certificado Digital não encontrado!");

  TTipoCertificado tipo = tcIndefinido;
  switch (EstadoChave(*fCertificado)) {
    case ecSoftware: tipo = tcA1; break;
    case ecToken:
    case ecOculta: tipo = tcA3; break;
    case ecAusente: break;
  }
  LerDadosCertificado(fCertificado->Certificado.get(), fInfoCertificado, tipo);
  fCertificadoAberto = true;

  if (fInfoCertificado.TipoCertificado() == tcA3) RegistrarUsoPIN();
}

// The PIN is set once per token and process; every open certificate of the token counts as one
// use, so that closing one does not log the others out.
void TDFeWinCrypt::RegistrarUsoPIN() {
  const std::string token = fCertificado->Token;
  {
    std::lock_guard<std::mutex> g(MutexPIN());
    auto it = ListaPIN().find(token);
    if (it != ListaPIN().end()) {
      ++it->second;
      fTokenPIN = token;
      return;
    }
  }
  TSenhaTemporaria senha(FpDFeSSL.Senha());
  if (senha.Texto().empty()) return;
  bool definido = false;
  try {
    definido = DefinirPIN(senha.Texto(), false);
  } catch (const ETuimDFeException&) {
    // A wrong PIN must not be tried again by the next load (the token would lock).
    FpDFeSSL.SetSenha("");
    throw;
  }
  if (!definido) return;
  {
    std::lock_guard<std::mutex> g(MutexPIN());
    ++ListaPIN()[token];
  }
  fTokenPIN = token;
  // Keys hidden until login are visible now; a certificate without one has no key after all.
  if (EstadoChave(*fCertificado) == ecAusente) fInfoCertificado.SetTipoCertificado(tcIndefinido);
}

bool TDFeWinCrypt::DefinirPIN(const std::string& pin, bool levantarErros) {
  if (!fCertificado || fCertificado->Token.empty()) return false;
  unsigned long r = pin.empty() ? Logout(fCertificado->Token) : Login(fCertificado->Token, pin);
  return JulgarStatusPIN(r, levantarErros);
}

bool TDFeWinCrypt::JulgarStatusPIN(unsigned long r, bool levantarErros) {
  switch (r) {
    case ckrOk: return true;
    case ckrTokenNotPresent: return false;
    case ckrPinIncorrect:
      throw ETuimDFeException("O cartão não pode ser acessado porque o PIN errado foi apresentado.");
    case ckrPinLocked:
      throw ETuimDFeException(
          "O cartão não pode ser acessado porque o número máximo de tentativas de entrada de PIN foi atingido");
    default:
      if (levantarErros) throw ETuimDFeException("Falha ao Definir PIN do Certificado. Erro: " + CodigoHexa(r));
      return false;
  }
}

void TDFeWinCrypt::FecharCertificado() {
  if (!fTokenPIN.empty()) {
    bool ultimo = false;
    {
      std::lock_guard<std::mutex> g(MutexPIN());
      auto it = ListaPIN().find(fTokenPIN);
      if (it != ListaPIN().end() && --it->second <= 0) {
        ListaPIN().erase(it);
        ultimo = true;
      }
    }
    if (ultimo) {
      try {
        DefinirPIN("", true);
      } catch (...) {
      }
    }
    fTokenPIN.clear();
  }
  fContexto = TContextoCertificado();
  fTemContexto = false;
  fChaveContexto.reset();
  fCertificado.reset();
  fStore.reset();
  fCachePFX.clear();
  TDFeSSLCryptClass::FecharCertificado();
}

const TContextoCertificado* TDFeWinCrypt::ContextoCertificado() {
  GarantirCertificado();
  if (!fCertificado) return nullptr;
  if (!fTemContexto) {
    unsigned long codigo = 0;
    fChaveContexto = ChavePrivada(*fCertificado, codigo);
    fContexto.Certificado = fCertificado->Certificado.get();
    fContexto.ChavePrivada = fChaveContexto.get();
    fContexto.Cadeia.clear();
    if (fStore && fStore->Temporaria)
      for (const auto& c : fStore->Certificados)
        if (c.Certificado != fCertificado->Certificado) fContexto.Cadeia.push_back(c.Certificado.get());
    fTemContexto = true;
  }
  return &fContexto;
}

std::string TDFeWinCrypt::DadosPFXCertificado() {
  if (!fCachePFX.empty()) return fCachePFX;
  GarantirCertificado();
  if (!FpDFeSSL.DadosPFX().empty()) {
    fCachePFX = FpDFeSSL.DadosPFX();
    return fCachePFX;
  }
  // Only software keys can leave their store; a token key never does.
  if (!fCertificado || !fCertificado->ChaveSoftware)
    throw ETuimDFeExceptionNoPrivateKey("Certificado não permite Exportar Chave Privada.");
  STACK_OF(X509)* cadeia = sk_X509_new_null();
  if (fStore)
    for (const auto& c : fStore->Certificados)
      if (c.Certificado != fCertificado->Certificado) sk_X509_push(cadeia, c.Certificado.get());
  TSenhaTemporaria senha(ParaUTF8(FpDFeSSL.Senha()));
  PKCS12* p12 = PKCS12_create(senha.Texto().c_str(), nullptr, fCertificado->ChaveSoftware.get(),
                              fCertificado->Certificado.get(), cadeia, 0, 0, 0, 0, 0);
  sk_X509_free(cadeia);
  if (!p12)
    throw ETuimDFeException("ExportCertStoreToPFXData: Falha em \"PFXExportCertStoreEx\" Erro: " +
                            CodigoHexa(UltimoErroOpenSSL()));
  unsigned char* der = nullptr;
  int n = i2d_PKCS12(p12, &der);
  PKCS12_free(p12);
  if (n <= 0)
    throw ETuimDFeException("ExportCertStoreToPFXData: Falha em calcular tamanho do buffer. Erro: " +
                            CodigoHexa(UltimoErroOpenSSL()));
  fCachePFX.assign(reinterpret_cast<char*>(der), static_cast<std::size_t>(n));
  OPENSSL_free(der);
  return fCachePFX;
}

std::string TDFeWinCrypt::CalcHash(std::istream& stream, TSSLDgst digest, bool assinatura) {
  const char* nome = MapearDigest(digest, ClassName());
  try {
    TChave chave;
    if (assinatura) {
      GarantirCertificado();
      if (!fCertificado) throw EFalhaHash{"Certificado não pode ser carregado po MS CryptoAPI", 0};
      unsigned long codigo = 0;
      chave = ChavePrivada(*fCertificado, codigo);
      if (!chave) throw EFalhaHash{MensagemProvedor(codigo), codigo};
    }
    auto md = CriarHash(digest, nome);
    std::unique_ptr<EVP_MD_CTX, MdCtxFree> ctx(EVP_MD_CTX_new());
    if (!ctx) throw EFalhaHash{"CryptCreateHash", UltimoErroOpenSSL()};
    if (!assinatura) {
      if (EVP_DigestInit_ex(ctx.get(), md.get(), nullptr) != 1)
        throw EFalhaHash{"CryptCreateHash", UltimoErroOpenSSL()};
      HashStream(stream, [&](const unsigned char* p, std::size_t n) {
        return EVP_DigestUpdate(ctx.get(), p, n) == 1;
      });
      unsigned char out[EVP_MAX_MD_SIZE];
      unsigned int n = 0;
      if (EVP_DigestFinal_ex(ctx.get(), out, &n) != 1) throw EFalhaHash{"CryptGetHashParam", UltimoErroOpenSSL()};
      return std::string(reinterpret_cast<char*>(out), n);
    }
    // A token key signs through the module, which takes one operation at a time.
    TBloqueioToken bloqueio;
    if (EVP_DigestSignInit(ctx.get(), nullptr, md.get(), nullptr, chave.get()) != 1)
      throw EFalhaHash{"CryptCreateHash", UltimoErroOpenSSL()};
    HashStream(stream, [&](const unsigned char* p, std::size_t n) {
      return EVP_DigestSignUpdate(ctx.get(), p, n) == 1;
    });
    // PKCS#1 v1.5, most significant byte first: no reversal and no trimming are needed.
    std::size_t tam = 0;
    if (EVP_DigestSignFinal(ctx.get(), nullptr, &tam) != 1 || tam > 1024)
      throw EFalhaHash{"CryptSignHash", UltimoErroOpenSSL()};
    std::string assinaturaBytes(tam, '\0');
    if (EVP_DigestSignFinal(ctx.get(), reinterpret_cast<unsigned char*>(assinaturaBytes.data()), &tam) != 1)
      throw EFalhaHash{"CryptSignHash", UltimoErroOpenSSL()};
    assinaturaBytes.resize(tam);
    return assinaturaBytes;
  } catch (const EFalhaHash& f) {
    throw ETuimDFeException(f.mensagem + " , erro: $" + CodigoHexa(f.codigo));
  } catch (const ETuimDFeException& e) {
    throw ETuimDFeException(e.Message() + " , erro: $" + CodigoHexa(0));
  }
}

bool TDFeWinCrypt::ValidarHash(std::istream& stream, TSSLDgst digest, const std::string& hash,
                               bool assinatura) {
  const char* nome = MapearDigest(digest, ClassName());
  if (assinatura && !fCertificado) AbrirCertificado();
  try {
    auto md = CriarHash(digest, nome);
    std::unique_ptr<EVP_MD_CTX, MdCtxFree> ctx(EVP_MD_CTX_new());
    if (!ctx) throw EFalhaHash{"CryptCreateHash", UltimoErroOpenSSL()};
    if (assinatura) {
      EVP_PKEY* pub = fCertificado ? X509_get0_pubkey(fCertificado->Certificado.get()) : nullptr;
      if (!pub) throw EFalhaHash{"CryptImportPublicKeyInfo", UltimoErroOpenSSL()};
      if (EVP_DigestVerifyInit(ctx.get(), nullptr, md.get(), nullptr, pub) != 1)
        throw EFalhaHash{"CryptImportPublicKeyInfo", UltimoErroOpenSSL()};
      HashStream(stream, [&](const unsigned char* p, std::size_t n) {
        return EVP_DigestVerifyUpdate(ctx.get(), p, n) == 1;
      });
      int r = EVP_DigestVerifyFinal(ctx.get(), reinterpret_cast<const unsigned char*>(hash.data()), hash.size());
      ERR_clear_error();
      return r == 1;
    }
    if (EVP_DigestInit_ex(ctx.get(), md.get(), nullptr) != 1) throw EFalhaHash{"CryptCreateHash", UltimoErroOpenSSL()};
    HashStream(stream, [&](const unsigned char* p, std::size_t n) { return EVP_DigestUpdate(ctx.get(), p, n) == 1; });
    unsigned char out[EVP_MAX_MD_SIZE];
    unsigned int n = 0;
    if (EVP_DigestFinal_ex(ctx.get(), out, &n) != 1) throw EFalhaHash{"CryptGetHashParam", UltimoErroOpenSSL()};
    return hash.find(std::string(reinterpret_cast<char*>(out), n)) != std::string::npos;
  } catch (const EFalhaHash& f) {
    throw ETuimDFeException(f.mensagem + " , erro: $" + CodigoHexa(f.codigo));
  }
}

std::string TDFeWinCrypt::SelecionarCertificado() {
  TSelecaoCertificado selecao;
  {
    std::lock_guard<std::mutex> g(MutexSelecao());
    selecao = Selecao();
  }
  if (!selecao) return TDFeSSLCryptClass::SelecionarCertificado();
  std::string resultado;
  FecharCertificado();
  AbrirStoreSistema();
  TListaCertificados lista;
  for (const auto& c : fStore->Certificados) LerDadosCertificado(c.Certificado.get(), lista.New());
  int i = selecao("Selecione um Certificado", "Selecione o Certificado que deseja utilizar:", lista);
  if (i >= 0 && i < lista.Count()) resultado = lista[i].SerieCertificado();
  FecharCertificado();
  if (!resultado.empty()) {
    FpDFeSSL.SetNumeroSerie(resultado);
    AbrirCertificado();
  }
  return resultado;
}

void TDFeWinCrypt::LerCertificadosStore() {
  fCertificadosStore.Clear();
  bool jaAberta = static_cast<bool>(fStore);
  AbrirStoreSistema();
  for (const auto& c : fStore->Certificados) LerDadosCertificado(c.Certificado.get(), fCertificadosStore.New());
  if (!jaAberta) fStore.reset();
}

bool TDFeWinCrypt::CarregarCertificadoPublico(const std::string& certificadoX509) {
  FecharCertificado();
  std::string der;
  if (!DecodificarBase64(certificadoX509, der) || der.empty()) return false;
  const unsigned char* p = reinterpret_cast<const unsigned char*>(der.data());
  X509* cert = d2i_X509(nullptr, &p, static_cast<long>(der.size()));
  ERR_clear_error();
  if (!cert) return false;
  TCertificadoPlataforma c;
  c.Certificado = TX509(cert, X509Free());
  fCertificado = std::move(c);
  LerDadosCertificado(fCertificado->Certificado.get(), fInfoCertificado);
  return !fInfoCertificado.SubjectName().empty();
}

}  // namespace tuim
