#include "security/TuimDFeSSL.h"
#include "security/TuimXmlSign.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <ctime>
#include <filesystem>
#include <map>
#include <sstream>

#include "security/TuimDFeOpenSSL.h"
#include "fiscal/TuimUtil.h"
#include "fiscal/TuimValidador.h"
#include "fiscal/fscAuxiliar.h"
#include "security/TuimDFeWinCrypt.h"
#include "security/TuimDFeSSLUtil.h"

namespace tuim {

namespace {

template <typename E, std::size_t N>
std::string NomeDe(E v, const std::array<const char*, N>& nomes) {
  auto i = static_cast<std::size_t>(v);
  return i < N ? nomes[i] : std::to_string(i);
}

// Creators registered by other modules; guarded because tests register from any thread.
std::mutex& RegistroMutex() {
  static std::mutex m;
  return m;
}
std::map<TSSLCryptLib, TCriadorCrypt>& RegistroCrypt() {
  static std::map<TSSLCryptLib, TCriadorCrypt> r;
  return r;
}
std::map<TSSLHttpLib, TCriadorHttp>& RegistroHttp() {
  static std::map<TSSLHttpLib, TCriadorHttp> r;
  return r;
}
std::map<TSSLXmlSignLib, TCriadorXmlSign>& RegistroXmlSign() {
  static std::map<TSSLXmlSignLib, TCriadorXmlSign> r;
  return r;
}

template <typename K, typename F>
F Criador(std::map<K, F>& reg, K k) {
  std::lock_guard<std::mutex> g(RegistroMutex());
  auto it = reg.find(k);
  return it == reg.end() ? F() : it->second;
}

template <typename K, typename F>
void Registrar(std::map<K, F>& reg, K k, F f) {
  std::lock_guard<std::mutex> g(RegistroMutex());
  if (f)
    reg[k] = std::move(f);
  else
    reg.erase(k);
}

// Stands in for a backend that this build does not contain, so that selecting it (as stored
// configurations do) works and its first use says clearly what is missing.
class TDFeCryptIndisponivel : public TDFeSSLCryptClass {
public:
  TDFeCryptIndisponivel(TDFeSSL& ssl, std::string nome) : TDFeSSLCryptClass(ssl), fNome(std::move(nome)) {}
  std::string ClassName() const override { return fNome; }
  void AbrirCertificado() override { Falhar(); }
  std::string CalcHash(std::istream&, TSSLDgst, bool) override { Falhar(); }
  bool ValidarHash(std::istream&, TSSLDgst, const std::string&, bool) override { Falhar(); }
  std::string SelecionarCertificado() override { Falhar(); }
  void LerCertificadosStore() override { Falhar(); }
  bool CarregarCertificadoPublico(const std::string&) override { Falhar(); }

private:
  [[noreturn]] void Falhar() const {
    throw ETuimDFeException("\"" + fNome + "\" não disponível nesta compilação");
  }
  std::string fNome;
};

// The scrambling key: the current time as "hhnnsszzz".
std::string NovaChave() {
  auto agora = std::chrono::system_clock::now();
  std::time_t t = std::chrono::system_clock::to_time_t(agora);
  auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(agora.time_since_epoch()).count() % 1000;
  std::tm tm{};
  localtime_r(&t, &tm);
  char buf[16];
  std::snprintf(buf, sizeof buf, "%02d%02d%02d%03d", tm.tm_hour, tm.tm_min, tm.tm_sec, static_cast<int>(ms));
  return buf;
}

std::string DeclaracaoNoInicio(const std::string& xml) {
  std::size_t p = xml.find_first_not_of(" \t\r\n");
  if (p == std::string::npos || xml.compare(p, 5, "<?xml") != 0) return "";
  std::size_t f = xml.find("?>", p);
  if (f == std::string::npos) return "";
  return xml.substr(p, f + 2 - p);
}

}  // namespace

std::string SSLCryptLibParaTexto(TSSLCryptLib v) {
  return NomeDe(v, std::array<const char*, 4>{"cryNone", "cryOpenSSL", "cryCapicom", "cryWinCrypt"});
}
std::string SSLHttpLibParaTexto(TSSLHttpLib v) {
  return NomeDe(v, std::array<const char*, 5>{"httpNone", "httpWinINet", "httpWinHttp", "httpOpenSSL", "httpIndy"});
}
std::string SSLXmlSignLibParaTexto(TSSLXmlSignLib v) {
  return NomeDe(v, std::array<const char*, 5>{"xsNone", "xsXmlSec", "xsMsXml", "xsMsXmlCapicom", "xsLibXml2"});
}
std::string SSLTypeParaTexto(TSSLType v) {
  return NomeDe(v, std::array<const char*, 7>{"LT_all", "LT_SSLv2", "LT_SSLv3", "LT_TLSv1", "LT_TLSv1_1",
                                              "LT_TLSv1_2", "LT_SSHv2"});
}
std::string SSLDgstParaTexto(TSSLDgst v) {
  return NomeDe(v, std::array<const char*, 8>{"dgstMD2", "dgstMD4", "dgstMD5", "dgstRMD160", "dgstSHA", "dgstSHA1",
                                              "dgstSHA256", "dgstSHA512"});
}
std::string SSLStoreLocationParaTexto(TSSLStoreLocation v) {
  return NomeDe(v, std::array<const char*, 5>{"slMemory", "slLocalMachine", "slCurrentUser", "slActiveDirectory",
                                              "slSmartCard"});
}
std::string TipoCertificadoParaTexto(TTipoCertificado v) {
  return NomeDe(v, std::array<const char*, 3>{"tcIndefinido", "tcA1", "tcA3"});
}

void RegistrarClasseCrypt(TSSLCryptLib lib, TCriadorCrypt criador) { Registrar(RegistroCrypt(), lib, std::move(criador)); }
void RegistrarClasseHttp(TSSLHttpLib lib, TCriadorHttp criador) { Registrar(RegistroHttp(), lib, std::move(criador)); }
void RegistrarClasseXmlSign(TSSLXmlSignLib lib, TCriadorXmlSign criador) {
  Registrar(RegistroXmlSign(), lib, std::move(criador));
}

// ---------------------------------------------------------------- TDadosCertificado

std::string TDadosCertificado::TitularDoSubject(const std::string& subject) {
  std::size_t p = subject.find("CN=");
  if (p == std::string::npos) return "";
  p += 3;
  std::size_t f = subject.find(':', p);
  if (f == std::string::npos) f = subject.find(',', p);
  if (f == std::string::npos) f = subject.size();
  return subject.substr(p, f - p);
}

std::string TDadosCertificado::CNPJDoSubject(const std::string& subject) {
  std::size_t p = subject.find("CN=");
  if (p == std::string::npos) return "";
  std::size_t q = subject.find(':', p + 3);
  if (q == std::string::npos) return "";
  std::string trecho = subject.substr(q + 1, 14);
  // An alphanumeric CNPJ keeps its letters; anything else is judged on its digits.
  std::string alfa = ssl::SomenteAlfaNumericosMaiusculos(trecho);
  if (alfa.size() == 14 && ValidarCNPJ(alfa)) return alfa;
  std::string dig = SomenteNumeros(trecho);
  if (ValidarCNPJ(dig) || ValidarCPF(dig)) return dig;
  return "";
}

std::string TDadosCertificado::AutoridadeDoIssuer(const std::string& issuer) {
  std::size_t p = issuer.find("CN=");
  if (p == std::string::npos) return "";
  p += 3;
  std::size_t f = issuer.find("RFB", p);
  if (f == std::string::npos) f = issuer.find(',', p);
  if (f == std::string::npos) f = issuer.size();
  return Trim(issuer.substr(p, f - p));
}

void TDadosCertificado::SetSubjectName(const std::string& v) {
  if (v == fSubjectName) return;
  fSubjectName = v;
  fTitular = TitularDoSubject(v);
  fCNPJTitular = CNPJDoSubject(v);
}

void TDadosCertificado::SetIssuerName(const std::string& v) {
  if (v == fIssuerName) return;
  fIssuerName = v;
  fAutoridade = AutoridadeDoIssuer(v);
}

void TDadosCertificado::Clear() { *this = TDadosCertificado(); }

TDadosCertificado& TListaCertificados::New() {
  fItens.push_back(std::make_unique<TDadosCertificado>());
  return *fItens.back();
}

// ---------------------------------------------------------------- TDFeSSLCryptClass

TDFeSSLCryptClass::TDFeSSLCryptClass(TDFeSSL& dfeSSL) : FpDFeSSL(dfeSSL) {}
TDFeSSLCryptClass::~TDFeSSLCryptClass() = default;

const TContextoCertificado* TDFeSSLCryptClass::ContextoCertificado() { return nullptr; }
std::string TDFeSSLCryptClass::DadosPFXCertificado() { return FpDFeSSL.DadosPFX(); }

void TDFeSSLCryptClass::LimparDados() {
  fInfoCertificado.Clear();
  fCertificadosStore.Clear();
}

std::string TDFeSSLCryptClass::CalcHash(std::istream&, TSSLDgst, bool) {
  throw ETuimDFeException("\"CalcHash\" não suportado em: " + ClassName());
}

bool TDFeSSLCryptClass::ValidarHash(std::istream&, TSSLDgst, const std::string&, bool) {
  throw ETuimDFeException("\"ValidarHash\" não suportado em: " + ClassName());
}

void TDFeSSLCryptClass::AbrirCertificado() { fCertificadoAberto = true; }

void TDFeSSLCryptClass::FecharCertificado() {
  LimparDados();
  fCertificadoAberto = false;
}

std::string TDFeSSLCryptClass::SelecionarCertificado() {
  throw ETuimDFeException("\"SelecionarCertificado\" não suportado em: " + ClassName());
}

void TDFeSSLCryptClass::LerCertificadosStore() {
  throw ETuimDFeException("\"LerCertificadosStore\" não suportado em: " + ClassName());
}

bool TDFeSSLCryptClass::CarregarCertificadoPublico(const std::string&) {
  throw ETuimDFeException("\"CarregarCertificadoPublico\" não suportado em: " + ClassName());
}

void TDFeSSLCryptClass::GarantirCertificado() {
  if (!fCertificadoAberto) AbrirCertificado();
}

void TDFeSSLCryptClass::GarantirSerie() {
  if (fInfoCertificado.SerieCertificado().empty()) GarantirCertificado();
}

TDateTime TDFeSSLCryptClass::ValidadeCertificado() {
  GarantirSerie();
  return fInfoCertificado.ValidoAte();
}

std::string TDFeSSLCryptClass::CNPJCertificado() {
  GarantirSerie();
  return fInfoCertificado.CNPJTitular();
}

// ---------------------------------------------------------------- TDFeSSLHttpClass

TDFeSSLHttpClass::TDFeSSLHttpClass(TDFeSSL& dfeSSL) : FpDFeSSL(dfeSSL) {}
TDFeSSLHttpClass::~TDFeSSLHttpClass() = default;

void TDFeSSLHttpClass::ConfigurarHTTP() {
  throw ETuimDFeException("Método \"ConfigurarHTTP\" não implementado em: " + ClassName());
}

std::unique_ptr<TDFeSSLHttpClass> TDFeSSLHttpClass::NovaInstancia(TDFeSSL& dfeSSL) const {
  return std::make_unique<TDFeSSLHttpClass>(dfeSSL);
}

std::string TDFeSSLHttpClass::Enviar(const std::string&, const std::string&, const std::string&,
                                     const std::string&) {
  throw ETuimDFeException("Método \"Enviar\" não implementado em: " + ClassName());
}

// ---------------------------------------------------------------- TDFeSSLXmlSignClass

TDFeSSLXmlSignClass::TDFeSSLXmlSignClass(TDFeSSL& dfeSSL) : FpDFeSSL(dfeSSL) {}
TDFeSSLXmlSignClass::~TDFeSSLXmlSignClass() = default;

std::string TDFeSSLXmlSignClass::Assinar(const std::string&, const std::string&, const std::string&,
                                         const std::string&, const std::string&, const std::string&,
                                         const std::string&) {
  throw ETuimDFeException(ClassName() + ".Assinar, não implementado");
}

bool TDFeSSLXmlSignClass::Validar(const std::string&, const std::string&, std::string&) {
  throw ETuimDFeException("\"Validar\" não suportado em: " + ClassName());
}

bool TDFeSSLXmlSignClass::ValidarAssinatura(const std::string&, std::string&, const std::string&,
                                            const std::string&, const std::string&, const std::string&,
                                            const std::string&) {
  throw ETuimDFeException("\"ValidarAssinatura\" não suportado em: " + ClassName());
}

// ---------------------------------------------------------------- TDFeSendThread

TDFeSendThread::TDFeSendThread(TDFeSSL* dfeSSL, std::mutex& cs, const TDFeSSLHttpClass& modelo,
                               const std::string& dados, const std::string& url,
                               const std::string& soapAction, const std::string& mimeType)
    : fCS(cs) {
  if (!dfeSSL || dados.empty() || url.empty())
    throw ETuimDFeException("TDFeSendThread, parâmetros inválidos");
  fHttp = modelo.NovaInstancia(*dfeSSL);
  fDados = dados;
  fURL = url;
  fSoapAction = soapAction;
  fMimeType = mimeType;
  fThread = std::thread(&TDFeSendThread::Executar, this);
}

TDFeSendThread::~TDFeSendThread() {
  Aguardar();
  std::lock_guard<std::mutex> g(fEstado);
  fOcioso = true;
}

void TDFeSendThread::Aguardar() {
  if (fThread.joinable()) fThread.join();
}

void TDFeSendThread::Executar() {
  {
    std::lock_guard<std::mutex> g(fEstado);
    fResposta.clear();
    fMensagemErro.clear();
  }
  std::string resposta, erro;
  bool enviou = false;
  try {
    std::lock_guard<std::mutex> cs(fCS);
    {
      // Abandoned while waiting for the facade's lock: this exchange must never go out.
      std::lock_guard<std::mutex> g(fEstado);
      if (!fCancelado) {
        fOcioso = false;
        enviou = true;
      }
    }
    if (enviou) resposta = fHttp->Enviar(fDados, fURL, fSoapAction, fMimeType);
  } catch (const std::exception& e) {
    erro = e.what();
    if (erro.empty()) erro = "?";
  } catch (...) {
    erro = "?";
  }
  std::lock_guard<std::mutex> g(fEstado);
  if (enviou) {
    fResposta = std::move(resposta);
    fMensagemErro = std::move(erro);
    fHTTPResultCode = fHttp->HTTPResultCode();
    fInternalErrorCode = fHttp->InternalErrorCode();
  }
  fOcioso = true;
  fTerminado = true;
}

bool TDFeSendThread::Terminou() const {
  std::lock_guard<std::mutex> g(fEstado);
  return fTerminado || !fResposta.empty() || !fMensagemErro.empty();
}

std::string TDFeSendThread::Resposta() const {
  std::lock_guard<std::mutex> g(fEstado);
  return fResposta;
}

std::string TDFeSendThread::MensagemErro() const {
  std::lock_guard<std::mutex> g(fEstado);
  return fMensagemErro;
}

int TDFeSendThread::HTTPResultCode() const {
  std::lock_guard<std::mutex> g(fEstado);
  return fHTTPResultCode;
}

int TDFeSendThread::InternalErrorCode() const {
  std::lock_guard<std::mutex> g(fEstado);
  return fInternalErrorCode;
}

void TDFeSendThread::Interromper() {
  std::lock_guard<std::mutex> g(fEstado);
  fCancelado = true;
  if (!fOcioso) {
    fOcioso = true;
    fHttp->Abandonar();
  }
}

TDFeSendThread::TResultado TDFeSendThread::TomarResultadoOuAbandonar() {
  std::lock_guard<std::mutex> g(fEstado);
  TResultado r;
  r.terminou = fTerminado;
  if (r.terminou) {
    r.resposta = fResposta;
    r.mensagemErro = fMensagemErro;
    r.httpResultCode = fHTTPResultCode;
    r.internalErrorCode = fInternalErrorCode;
    return r;
  }
  fCancelado = true;
  if (!fOcioso) {
    fOcioso = true;
    fHttp->Abandonar();
  }
  return r;
}

// ---------------------------------------------------------------- TDFeSSL

TDFeSSL::TDFeSSL() {
  fCrypt = std::make_unique<TDFeSSLCryptClass>(*this);
  fHttp = std::make_unique<TDFeSSLHttpClass>(*this);
  fXmlSign = std::make_unique<TDFeSSLXmlSignClass>(*this);
  RestaurarPadroes();
}

TDFeSSL::~TDFeSSL() {
  // Abandoned sends still use this facade (its lock, its certificate): wait for them first.
  ColherAbandonados(true);
  if (fCrypt) {
    try {
      fCrypt->FecharCertificado();
    } catch (...) {
    }
  }
  fCrypt.reset();
  fHttp.reset();
  fXmlSign.reset();
}

void TDFeSSL::RestaurarPadroes() {
  SetSSLCryptLib(cryNone);
  SetSSLHttpLib(httpNone);
  SetSSLXmlSignLib(xsNone);
  fSSLType = LT_all;
  fSSLDgst = dgstSHA1;
  fStoreLocation = slCurrentUser;
  fStoreName = "My";
  SetArquivoPFX("");
  SetDadosPFX("");
  SetNumeroSerie("");
  SetSenha("");
  fProxyHost.clear();
  fProxyPort.clear();
  fProxyUser.clear();
  SetProxyPass("");
  fTimeOut = 5000;
  fTimeOutPorThread = false;
  fNameSpaceURI.clear();
  fUseCertificateHTTP = true;
}

void TDFeSSL::SetSSLCryptLib(TSSLCryptLib v) {
  if (v == fSSLCryptLib && fCrypt) return;
  if (fCrypt) {
    fCrypt->FecharCertificado();
    fCrypt.reset();
  }
  std::unique_ptr<TDFeSSLCryptClass> novo;
  try {
    if (auto criar = Criador(RegistroCrypt(), v)) {
      novo = criar(*this);
    } else if (v == cryOpenSSL) {
      novo = std::make_unique<TDFeOpenSSL>(*this);
    } else if (v == cryWinCrypt) {
      novo = std::make_unique<TDFeWinCrypt>(*this);
    }
  } catch (...) {
    // The facade always holds one crypto object.
    fCrypt = std::make_unique<TDFeSSLCryptClass>(*this);
    fSSLCryptLib = cryNone;
    throw;
  }
  fCrypt = novo ? std::move(novo) : std::make_unique<TDFeSSLCryptClass>(*this);
  fSSLCryptLib = v;
}

void TDFeSSL::SetSSLHttpLib(TSSLHttpLib v) {
  if (v == fSSLHttpLib && fHttp) return;
  fSSLHttpLib = v;
  fHttp.reset();
  if (auto criar = Criador(RegistroHttp(), v)) fHttp = criar(*this);
  if (!fHttp) fHttp = std::make_unique<TDFeSSLHttpClass>(*this);
}

void TDFeSSL::SetSSLXmlSignLib(TSSLXmlSignLib v) {
  if (v == fSSLXmlSignLib && fXmlSign) return;
  if (v == xsXmlSec)
    throw ETuimDFeException(
        "Suporte a \"xsXmlSec\" foi desativado por compilação {$DEFINE DFE_SEM_OPENSSL} ou "
        "{$DEFINE DFE_SEM_XMLSEC}");
  std::unique_ptr<TDFeSSLXmlSignClass> novo;
  if (auto criar = Criador(RegistroXmlSign(), v)) novo = criar(*this);
  if (!novo && v == xsLibXml2) novo = std::make_unique<TDFeSSLXmlSignLibXml2>(*this);
  if (!novo) novo = std::make_unique<TDFeSSLXmlSignClass>(*this);
  fXmlSign = std::move(novo);
  fSSLXmlSignLib = v;
}

void TDFeSSL::FecharSeAberto() {
  if (fCrypt && fCrypt->CertificadoAberto()) fCrypt->FecharCertificado();
}

void TDFeSSL::SetArquivoPFX(const std::string& v) {
  if (v == fArquivoPFX) return;
  fArquivoPFX = v;
  fDadosPFX.clear();
  FecharSeAberto();
}

void TDFeSSL::SetDadosPFX(const std::string& v) {
  if (v == fDadosPFX) return;
  fDadosPFX = v;
  FecharSeAberto();
}

void TDFeSSL::SetNumeroSerie(const std::string& v) {
  std::string s;
  for (char c : v)
    if (!std::isspace(static_cast<unsigned char>(c))) s += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  if (s == fNumeroSerie) return;
  fNumeroSerie = s;
  fDadosPFX.clear();
  FecharSeAberto();
}

std::string TDFeSSL::Senha() const { return EmbaralharXor(fSenha, fChaveSenha); }

void TDFeSSL::SetSenha(const std::string& v) {
  if (!fChaveSenha.empty() && EmbaralharXor(v, fChaveSenha) == fSenha) return;
  fChaveSenha = NovaChave();
  fSenha = EmbaralharXor(v, fChaveSenha);
  FecharSeAberto();
}

std::string TDFeSSL::ProxyPass() const { return EmbaralharXor(fProxyPass, fChaveProxyPass); }

void TDFeSSL::SetProxyPass(const std::string& v) {
  if (!fChaveProxyPass.empty() && EmbaralharXor(v, fChaveProxyPass) == fProxyPass) return;
  fChaveProxyPass = NovaChave();
  fProxyPass = EmbaralharXor(v, fChaveProxyPass);
}

std::string TDFeSSL::Assinar(const std::string& conteudoXML, const std::string& docElement,
                             const std::string& infElement, const std::string& signatureNode,
                             const std::string& selectionNamespaces, const std::string& idSignature,
                             const std::string& atributoId) {
  std::string declaracao;
  std::string inicio = LowerCase(conteudoXML.substr(0, 50));
  std::size_t pe = inicio.find("encoding");
  if (pe != std::string::npos && inicio.find("utf-8", pe) != std::string::npos) {
    std::size_t a = conteudoXML.find("<?");
    std::size_t b = a == std::string::npos ? a : conteudoXML.find("?>", a);
    if (b != std::string::npos) declaracao = conteudoXML.substr(a, b + 2 - a);
  }

  if (AntesDeAssinar) {
    std::string copia = conteudoXML;
    AntesDeAssinar(copia, docElement, infElement, signatureNode, selectionNamespaces, idSignature);
    if (copia != conteudoXML) return copia;
  }

  std::string assinado = fXmlSign->Assinar(conteudoXML, docElement, infElement, signatureNode,
                                           selectionNamespaces, idSignature, atributoId);
  if (!declaracao.empty()) {
    std::string atual = DeclaracaoNoInicio(assinado);
    if (atual.empty()) {
      assinado = declaracao + assinado;
    } else if (atual != declaracao) {
      std::size_t p = assinado.find(atual);
      assinado.replace(p, atual.size(), declaracao);
    }
  }
  return assinado;
}

void TDFeSSL::ColherAbandonados(bool aguardar) {
  auto it = fAbandonados.begin();
  while (it != fAbandonados.end()) {
    if (aguardar || (*it)->Terminou()) {
      (*it)->Aguardar();
      it = fAbandonados.erase(it);
    } else {
      ++it;
    }
  }
}

std::string TDFeSSL::Enviar(const std::string& dados, const std::string& url, const std::string& soapAction,
                            const std::string& mimeType) {
  if (fUseCertificateHTTP) GarantirCertificado();
  std::string mime = mimeType.empty() ? "application/soap+xml; charset=utf-8" : mimeType;

  if (!fTimeOutPorThread) {
    fUltimoEnvioPorThread = false;
    std::lock_guard<std::mutex> g(fCS);
    return fHttp->Enviar(dados, url, soapAction, mime);
  }

  ColherAbandonados(false);
  // Whole seconds, so the caller gives up before the exchange's own time-out of the same value
  // can end it with an error; a sub-second time-out keeps its milliseconds rather than none.
  const std::int32_t ms = std::max<std::int32_t>(0, fTimeOut);
  auto prazo = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms >= 1000 ? ms / 1000 * 1000 : ms);
  auto thread = std::make_unique<TDFeSendThread>(this, fCS, *fHttp, dados, url, soapAction, mime);
  while (!thread->Terminou() && std::chrono::steady_clock::now() <= prazo)
    std::this_thread::sleep_for(std::chrono::milliseconds(50));

  TDFeSendThread::TResultado r = thread->TomarResultadoOuAbandonar();
  fUltimoEnvioPorThread = true;
  fThreadHTTPResultCode = r.httpResultCode;
  fThreadInternalErrorCode = r.internalErrorCode;
  if (r.terminou)
    thread.reset();
  else
    fAbandonados.push_back(std::move(thread));

  if (!r.mensagemErro.empty()) throw ETuimDFeException("Erro na thread de envio: " + r.mensagemErro);
  if (r.resposta.empty()) throw ETuimDFeException("Timeout - Não foi possível obter a resposta do servidor");
  return r.resposta;
}

bool TDFeSSL::Validar(const std::string& conteudoXML, const std::string& arquivoSchema, std::string& mensagemErro) {
  if (arquivoSchema.empty()) throw ETuimDFeException("Arquivo de Schema não especificado");
  std::error_code ec;
  if (!std::filesystem::is_regular_file(arquivoSchema, ec))
    throw ETuimDFeException("Arquivo \r\n" + arquivoSchema + "\r\n" + "Não encontrado");
  mensagemErro.clear();
  return fXmlSign->Validar(conteudoXML, arquivoSchema, mensagemErro);
}

namespace {
// A read-only stream over a text without copying it (the text forms of CalcHash/ValidarHash).
class TBufferTexto : public std::streambuf {
public:
  explicit TBufferTexto(const std::string& s) {
    char* p = const_cast<char*>(s.data());
    setg(p, p, p + s.size());
  }

protected:
  pos_type seekoff(off_type off, std::ios_base::seekdir dir, std::ios_base::openmode) override {
    off_type base = dir == std::ios_base::beg ? 0 : dir == std::ios_base::cur ? gptr() - eback() : egptr() - eback();
    off_type alvo = base + off;
    if (alvo < 0 || alvo > egptr() - eback()) return pos_type(off_type(-1));
    setg(eback(), eback() + alvo, egptr());
    return pos_type(alvo);
  }
  pos_type seekpos(pos_type pos, std::ios_base::openmode m) override {
    return seekoff(off_type(pos), std::ios_base::beg, m);
  }
};

// Size of the stream from its start; also leaves it at the start.
std::streamoff TamanhoStream(std::istream& s) {
  s.clear();
  s.seekg(0, std::ios::end);
  std::streamoff n = s.tellg();
  s.seekg(0, std::ios::beg);
  return n < 0 ? 0 : n;
}
}  // namespace

std::string TDFeSSL::CalcHash(std::istream* stream, TSSLDgst digest, TFormatoHash formato, bool assinatura) {
  if (!stream) throw ETuimDFeException("Stream inválido");
  if (TamanhoStream(*stream) == 0) throw ETuimDFeException("Stream vazio");
  std::string bruto = fCrypt->CalcHash(*stream, digest, assinatura);
  switch (formato) {
    case fhHexa: return TextoParaHex(bruto);
    case fhBase64: return Trim(CodificarBase64(bruto));
    default: return bruto;
  }
}

std::string TDFeSSL::CalcHash(const std::string& texto, TSSLDgst digest, TFormatoHash formato, bool assinatura) {
  TBufferTexto b(texto);
  std::istream s(&b);
  return CalcHash(&s, digest, formato, assinatura);
}

bool TDFeSSL::ValidarHash(std::istream* stream, TSSLDgst digest, const std::string& hash, bool assinatura) {
  if (!stream) throw ETuimDFeException("Stream inválido");
  if (TamanhoStream(*stream) == 0) throw ETuimDFeException("Stream vazio");
  if (hash.empty()) throw ETuimDFeException("Hash vazio");
  return fCrypt->ValidarHash(*stream, digest, hash, assinatura);
}

bool TDFeSSL::ValidarHash(const std::string& texto, TSSLDgst digest, const std::string& hash, bool assinatura) {
  TBufferTexto b(texto);
  std::istream s(&b);
  return ValidarHash(&s, digest, hash, assinatura);
}

void TDFeSSL::GarantirCertificado() { fCrypt->GarantirCertificado(); }

void TDFeSSL::FecharCertificado() {
  if (fCrypt) fCrypt->FecharCertificado();
}

bool TDFeSSL::CarregarCertificadoPublico(const std::string& certificadoX509) {
  FecharCertificado();
  if (certificadoX509.empty()) return false;
  return fCrypt->CarregarCertificadoPublico(certificadoX509);
}

void TDFeSSL::ConferirCNPJCertificado(const std::string& cnpjDocumento) {
  // An alphanumeric CNPJ keeps its letters; a CPF (11 characters) is never compared.
  std::string doc = ssl::SomenteAlfaNumericosMaiusculos(cnpjDocumento);
  if (doc.size() != 14) return;
  std::string cert = ssl::SomenteAlfaNumericosMaiusculos(CNPJCertificado());
  if (cert.size() != 14) return;
  std::string msg = MensagemErroCNPJ(doc);
  if (!msg.empty()) throw ETuimDFeException("Erro CNPJ Documento: " + msg);
  if (doc.compare(0, 8, cert, 0, 8) != 0)
    throw ETuimDFeException("O CNPJ do Documento é diferente do CNPJ do Certificado Digital");
}

TDateTime TDFeSSL::ValidadeCertificado() { return fCrypt->ValidadeCertificado(); }
std::string TDFeSSL::CNPJCertificado() { return fCrypt->CNPJCertificado(); }
bool TDFeSSL::CertificadoAberto() const { return fCrypt && fCrypt->CertificadoAberto(); }

const TContextoCertificado* TDFeSSL::ContextoCertificado() {
  GarantirCertificado();
  return fCrypt->ContextoCertificado();
}

TDadosCertificado& TDFeSSL::InfoCertificado() { return fCrypt->InfoCertificado(); }
std::string TDFeSSL::SelecionarCertificado() { return fCrypt->SelecionarCertificado(); }
void TDFeSSL::LerCertificadosStore() { fCrypt->LerCertificadosStore(); }
TListaCertificados& TDFeSSL::ListaCertificados() { return fCrypt->CertificadosStore(); }

int TDFeSSL::HTTPResultCode() const {
  return fUltimoEnvioPorThread ? fThreadHTTPResultCode : fHttp->HTTPResultCode();
}

int TDFeSSL::InternalErrorCode() const {
  return fUltimoEnvioPorThread ? fThreadInternalErrorCode : fHttp->InternalErrorCode();
}

}  // namespace tuim
