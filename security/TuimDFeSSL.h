#pragma once
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <istream>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "fiscal/TuimDateTime.h"
#include "fiscal/TuimException.h"

// libcrypto's object types, so that HTTP clients can present the client certificate
// without this header pulling in OpenSSL.
struct x509_st;
struct evp_pkey_st;

namespace tuim {

// Value names and order are stored in configuration files: never reorder.
enum TSSLCryptLib : std::uint8_t { cryNone, cryOpenSSL, cryCapicom, cryWinCrypt };
enum TSSLHttpLib : std::uint8_t { httpNone, httpWinINet, httpWinHttp, httpOpenSSL, httpIndy };
enum TSSLXmlSignLib : std::uint8_t { xsNone, xsXmlSec, xsMsXml, xsMsXmlCapicom, xsLibXml2 };
enum TSSLType : std::uint8_t { LT_all, LT_SSLv2, LT_SSLv3, LT_TLSv1, LT_TLSv1_1, LT_TLSv1_2, LT_SSHv2 };
enum TSSLDgst : std::uint8_t {
  dgstMD2, dgstMD4, dgstMD5, dgstRMD160, dgstSHA, dgstSHA1, dgstSHA256, dgstSHA512
};
enum TSSLStoreLocation : std::uint8_t {
  slMemory, slLocalMachine, slCurrentUser, slActiveDirectory, slSmartCard
};
enum TFormatoHash : std::uint8_t { fhHexa, fhBase64, fhBinario };
enum TTipoCertificado : std::uint8_t { tcIndefinido, tcA1, tcA3 };

// Value names as written in code ("dgstSHA256", "cryOpenSSL"...), for messages and listings.
std::string SSLCryptLibParaTexto(TSSLCryptLib v);
std::string SSLHttpLibParaTexto(TSSLHttpLib v);
std::string SSLXmlSignLibParaTexto(TSSLXmlSignLib v);
std::string SSLTypeParaTexto(TSSLType v);
std::string SSLDgstParaTexto(TSSLDgst v);
std::string SSLStoreLocationParaTexto(TSSLStoreLocation v);
std::string TipoCertificadoParaTexto(TTipoCertificado v);

class TDFeSSL;

// Raised when a certificate's private key cannot be exported.
class ETuimDFeExceptionNoPrivateKey : public ETuimDFeException {
public:
  using ETuimDFeException::ETuimDFeException;
};

// Data of the loaded certificate. Setting SubjectName derives Titular and CNPJTitular;
// setting IssuerName derives Autoridade.
class TDadosCertificado {
public:
  const std::string& ImpressaoDigital() const { return fImpressaoDigital; }
  void SetImpressaoDigital(const std::string& v) { fImpressaoDigital = v; }
  const std::string& Autoridade() const { return fAutoridade; }
  const std::string& CNPJTitular() const { return fCNPJTitular; }
  void SetCNPJTitular(const std::string& v) { fCNPJTitular = v; }
  TDateTime ValidoAte() const { return fValidoAte; }
  void SetValidoAte(TDateTime v) { fValidoAte = v; }
  const std::string& IssuerName() const { return fIssuerName; }
  void SetIssuerName(const std::string& v);  // also derives Autoridade
  const std::string& SerieCertificado() const { return fSerieCertificado; }
  void SetSerieCertificado(const std::string& v) { fSerieCertificado = v; }
  const std::string& Titular() const { return fTitular; }
  const std::string& SubjectName() const { return fSubjectName; }
  void SetSubjectName(const std::string& v);  // also derives Titular and CNPJTitular
  TTipoCertificado TipoCertificado() const { return fTipoCertificado; }
  void SetTipoCertificado(TTipoCertificado v) { fTipoCertificado = v; }
  const std::string& CertificadoBase64() const { return fCertificadoBase64; }
  void SetCertificadoBase64(const std::string& v) { fCertificadoBase64 = v; }

  // Every field empty, ValidoAte zero, TipoCertificado tcIndefinido.
  void Clear();

  // The derivations, exposed for the backends and the tests.
  static std::string TitularDoSubject(const std::string& subject);
  static std::string CNPJDoSubject(const std::string& subject);
  static std::string AutoridadeDoIssuer(const std::string& issuer);

private:
  std::string fImpressaoDigital;
  std::string fAutoridade;
  std::string fCNPJTitular;
  TDateTime fValidoAte = 0;
  std::string fIssuerName;
  std::string fSerieCertificado;
  std::string fTitular;
  std::string fSubjectName;
  TTipoCertificado fTipoCertificado = tcIndefinido;
  std::string fCertificadoBase64;
};

// Owning list of certificate records (one per certificate of a store).
class TListaCertificados {
public:
  TDadosCertificado& New();
  int Count() const { return static_cast<int>(fItens.size()); }
  TDadosCertificado& operator[](int i) { return *fItens.at(i); }
  const TDadosCertificado& operator[](int i) const { return *fItens.at(i); }
  void Clear() { fItens.clear(); }

private:
  std::vector<std::unique_ptr<TDadosCertificado>> fItens;
};

// What an HTTP client needs to present the client certificate in TLS. Owned by the crypto
// object that returned it; valid until that object closes its certificate.
class TContextoCertificado {
public:
  x509_st* Certificado = nullptr;
  evp_pkey_st* ChavePrivada = nullptr;  // may be a token key (libp11 / provider)
  std::vector<x509_st*> Cadeia;         // intermediate certificates, may be empty
};

// Base of the crypto backends: every operation does nothing or raises "not supported".
class TDFeSSLCryptClass {
public:
  explicit TDFeSSLCryptClass(TDFeSSL& dfeSSL);
  virtual ~TDFeSSLCryptClass();
  TDFeSSLCryptClass(const TDFeSSLCryptClass&) = delete;
  TDFeSSLCryptClass& operator=(const TDFeSSLCryptClass&) = delete;

  virtual std::string ClassName() const { return "TDFeSSLCryptClass"; }

  virtual const TContextoCertificado* ContextoCertificado();  // base: none
  virtual std::string DadosPFXCertificado();                  // base: the facade's DadosPFX
  virtual void LimparDados();
  // Raw digest bytes (assinatura false) or RSA signature bytes (assinatura true) of the stream.
  virtual std::string CalcHash(std::istream& stream, TSSLDgst digest, bool assinatura);
  virtual bool ValidarHash(std::istream& stream, TSSLDgst digest, const std::string& hash,
                           bool assinatura);
  virtual void AbrirCertificado();
  virtual void FecharCertificado();
  virtual std::string SelecionarCertificado();
  virtual void LerCertificadosStore();
  virtual bool CarregarCertificadoPublico(const std::string& certificadoX509);

  void GarantirCertificado();
  void GarantirSerie();
  TDateTime ValidadeCertificado();
  std::string CNPJCertificado();

  TDadosCertificado& InfoCertificado() { return fInfoCertificado; }
  TListaCertificados& CertificadosStore() { return fCertificadosStore; }
  bool CertificadoAberto() const { return fCertificadoAberto; }

protected:
  TDFeSSL& FpDFeSSL;
  TDadosCertificado fInfoCertificado;
  TListaCertificados fCertificadosStore;
  bool fCertificadoAberto = false;
};

// Base of the HTTP backends. Interromper is called from another thread than Enviar when the
// facade sends through TDFeSendThread, so a backend must make it safe to call concurrently.
class TDFeSSLHttpClass {
public:
  explicit TDFeSSLHttpClass(TDFeSSL& dfeSSL);
  virtual ~TDFeSSLHttpClass();
  TDFeSSLHttpClass(const TDFeSSLHttpClass&) = delete;
  TDFeSSLHttpClass& operator=(const TDFeSSLHttpClass&) = delete;

  virtual std::string ClassName() const { return "TDFeSSLHttpClass"; }

  virtual int HTTPResultCode() const { return 0; }
  virtual int InternalErrorCode() const { return 0; }
  virtual void ConfigurarHTTP();
  // A new object of this same class bound to `dfeSSL` (the send thread's own HTTP object).
  virtual std::unique_ptr<TDFeSSLHttpClass> NovaInstancia(TDFeSSL& dfeSSL) const;
  virtual std::string Enviar(const std::string& dados, const std::string& url,
                             const std::string& soapAction, const std::string& mimeType);
  virtual void Interromper() {}
  // Gives the object up for good (the send thread's own one): its exchange ends now, or as soon
  // as it begins when the call comes first, which a plain Interromper would miss.
  virtual void Abandonar() { Interromper(); }

  TDFeSSL& DFeSSL() const { return FpDFeSSL; }

protected:
  TDFeSSL& FpDFeSSL;
};

// Base of the XML-signing backends.
class TDFeSSLXmlSignClass {
public:
  explicit TDFeSSLXmlSignClass(TDFeSSL& dfeSSL);
  virtual ~TDFeSSLXmlSignClass();
  TDFeSSLXmlSignClass(const TDFeSSLXmlSignClass&) = delete;
  TDFeSSLXmlSignClass& operator=(const TDFeSSLXmlSignClass&) = delete;

  virtual std::string ClassName() const { return "TDFeSSLXmlSignClass"; }

  virtual std::string Assinar(const std::string& conteudoXML, const std::string& docElement,
                              const std::string& infElement, const std::string& signatureNode,
                              const std::string& selectionNamespaces, const std::string& idSignature,
                              const std::string& atributoId);
  virtual bool Validar(const std::string& conteudoXML, const std::string& arquivoSchema,
                       std::string& mensagemErro);
  virtual bool ValidarAssinatura(const std::string& conteudoXML, std::string& mensagemErro,
                                 const std::string& infElement = "",
                                 const std::string& signatureNode = "",
                                 const std::string& selectionNamespaces = "",
                                 const std::string& idSignature = "",
                                 const std::string& atributoId = "");

  TDFeSSL& DFeSSL() const { return FpDFeSSL; }

protected:
  TDFeSSL& FpDFeSSL;
};

// Backends living in layers above (transport) or built apart (the Windows-crypto backend over
// PKCS#11, the libxml2 signer) are made known here; a registered creator wins over the built-in
// choice. An empty creator removes the registration. Facades pick it up on their next selection.
// Unregistered, cryWinCrypt selects a stand-in named "TDFeWinCrypt" whose first use raises
// "not available"; other unregistered values give the base classes. Registration is explicit
// (static libraries drop unreferenced registrars): the component registers what it links.
using TCriadorCrypt = std::function<std::unique_ptr<TDFeSSLCryptClass>(TDFeSSL&)>;
using TCriadorHttp = std::function<std::unique_ptr<TDFeSSLHttpClass>(TDFeSSL&)>;
using TCriadorXmlSign = std::function<std::unique_ptr<TDFeSSLXmlSignClass>(TDFeSSL&)>;
void RegistrarClasseCrypt(TSSLCryptLib lib, TCriadorCrypt criador);
void RegistrarClasseHttp(TSSLHttpLib lib, TCriadorHttp criador);
void RegistrarClasseXmlSign(TSSLXmlSignLib lib, TCriadorXmlSign criador);

// One HTTP exchange on a worker thread, with its own HTTP object of the facade's current
// class. It starts at once. The facade keeps an abandoned thread and joins it before the
// facade goes away; an abandoned thread that has not sent yet never sends.
class TDFeSendThread {
public:
  // Raises the invalid-parameters message without facade, data or URL.
  TDFeSendThread(TDFeSSL* dfeSSL, std::mutex& cs, const TDFeSSLHttpClass& modelo,
                 const std::string& dados, const std::string& url, const std::string& soapAction,
                 const std::string& mimeType);
  ~TDFeSendThread();  // waits for the thread
  TDFeSendThread(const TDFeSendThread&) = delete;
  TDFeSendThread& operator=(const TDFeSendThread&) = delete;

  bool Terminou() const;
  std::string Resposta() const;
  std::string MensagemErro() const;
  int HTTPResultCode() const;
  int InternalErrorCode() const;

  // Taken together under the thread's lock, so that an answer arriving at the deadline is either
  // wholly taken or the thread is abandoned before it is stored.
  struct TResultado {
    bool terminou = false;
    std::string resposta, mensagemErro;
    int httpResultCode = 0, internalErrorCode = 0;
  };
  // When the thread has not finished, marks it abandoned (it never starts sending afterwards)
  // and aborts its exchange.
  TResultado TomarResultadoOuAbandonar();
  void Interromper();
  void Aguardar();

private:
  void Executar();

  std::mutex& fCS;
  std::unique_ptr<TDFeSSLHttpClass> fHttp;
  std::string fDados, fURL, fSoapAction, fMimeType;
  mutable std::mutex fEstado;
  bool fOcioso = true;
  bool fTerminado = false;
  bool fCancelado = false;
  std::string fResposta, fMensagemErro;
  int fHTTPResultCode = 0, fInternalErrorCode = 0;
  std::thread fThread;
};

// Event before signing: the handler may sign `conteudoXML` itself (by changing it).
using TDFeSSLAntesDeAssinar = std::function<void(
    std::string& conteudoXML, const std::string& docElement, const std::string& infElement,
    const std::string& signatureNode, const std::string& selectionNamespaces,
    const std::string& idSignature)>;

// The one object through which the component reaches certificates, digests, signatures,
// XML signing and HTTPS. It holds exactly one backend object per concern.
class TDFeSSL {
public:
  TDFeSSL();
  virtual ~TDFeSSL();
  TDFeSSL(const TDFeSSL&) = delete;
  TDFeSSL& operator=(const TDFeSSL&) = delete;

  void RestaurarPadroes();

  TSSLCryptLib SSLCryptLib() const { return fSSLCryptLib; }
  void SetSSLCryptLib(TSSLCryptLib v);  // frees the crypto object and creates the chosen class
  TSSLHttpLib SSLHttpLib() const { return fSSLHttpLib; }
  void SetSSLHttpLib(TSSLHttpLib v);  // frees the HTTP object and creates the chosen class
  TSSLXmlSignLib SSLXmlSignLib() const { return fSSLXmlSignLib; }
  void SetSSLXmlSignLib(TSSLXmlSignLib v);  // same; xsXmlSec raises and changes nothing
  TSSLType SSLType() const { return fSSLType; }
  void SetSSLType(TSSLType v) { fSSLType = v; }
  TSSLDgst SSLDgst() const { return fSSLDgst; }
  void SetSSLDgst(TSSLDgst v) { fSSLDgst = v; }
  TSSLStoreLocation StoreLocation() const { return fStoreLocation; }
  void SetStoreLocation(TSSLStoreLocation v) { fStoreLocation = v; }
  const std::string& StoreName() const { return fStoreName; }
  void SetStoreName(const std::string& v) { fStoreName = v; }

  const std::string& ArquivoPFX() const { return fArquivoPFX; }
  void SetArquivoPFX(const std::string& v);  // when changed: empties DadosPFX, closes the certificate
  const std::string& DadosPFX() const { return fDadosPFX; }
  void SetDadosPFX(const std::string& v);  // when changed: closes the certificate
  const std::string& NumeroSerie() const { return fNumeroSerie; }
  void SetNumeroSerie(const std::string& v);  // blanks removed, upper-cased; empties DadosPFX, closes
  std::string Senha() const;                   // unscrambled on each read
  void SetSenha(const std::string& v);         // when changed: new key, closes the certificate

  const std::string& ProxyHost() const { return fProxyHost; }
  void SetProxyHost(const std::string& v) { fProxyHost = v; }
  const std::string& ProxyPort() const { return fProxyPort; }
  void SetProxyPort(const std::string& v) { fProxyPort = v; }
  const std::string& ProxyUser() const { return fProxyUser; }
  void SetProxyUser(const std::string& v) { fProxyUser = v; }
  std::string ProxyPass() const;           // held scrambled like Senha
  void SetProxyPass(const std::string& v);

  std::int32_t TimeOut() const { return fTimeOut; }
  void SetTimeOut(std::int32_t v) { fTimeOut = v; }
  bool TimeOutPorThread() const { return fTimeOutPorThread; }
  void SetTimeOutPorThread(bool v) { fTimeOutPorThread = v; }
  const std::string& NameSpaceURI() const { return fNameSpaceURI; }
  void SetNameSpaceURI(const std::string& v) { fNameSpaceURI = v; }
  bool UseCertificateHTTP() const { return fUseCertificateHTTP; }
  void SetUseCertificateHTTP(bool v) { fUseCertificateHTTP = v; }

  TDFeSSLAntesDeAssinar AntesDeAssinar;

  // Operations; failures raise ETuimDFeException.
  std::string Assinar(const std::string& conteudoXML, const std::string& docElement,
                      const std::string& infElement, const std::string& signatureNode = "",
                      const std::string& selectionNamespaces = "",
                      const std::string& idSignature = "", const std::string& atributoId = "");
  std::string Enviar(const std::string& dados, const std::string& url,
                     const std::string& soapAction, const std::string& mimeType = "");
  bool Validar(const std::string& conteudoXML, const std::string& arquivoSchema,
               std::string& mensagemErro);
  std::string CalcHash(std::istream* stream, TSSLDgst digest, TFormatoHash formato = fhHexa,
                       bool assinatura = false);
  std::string CalcHash(const std::string& texto, TSSLDgst digest, TFormatoHash formato = fhHexa,
                       bool assinatura = false);
  bool ValidarHash(std::istream* stream, TSSLDgst digest, const std::string& hash,
                   bool assinatura = false);
  bool ValidarHash(const std::string& texto, TSSLDgst digest, const std::string& hash,
                   bool assinatura = false);
  void GarantirCertificado();
  void FecharCertificado();
  virtual bool CarregarCertificadoPublico(const std::string& certificadoX509);
  void ConferirCNPJCertificado(const std::string& cnpjDocumento);
  TDateTime ValidadeCertificado();
  std::string CNPJCertificado();
  bool CertificadoAberto() const;
  const TContextoCertificado* ContextoCertificado();
  TDadosCertificado& InfoCertificado();
  std::string SelecionarCertificado();
  void LerCertificadosStore();
  TListaCertificados& ListaCertificados();
  int HTTPResultCode() const;
  int InternalErrorCode() const;

  TDFeSSLCryptClass& SSLCryptClass() { return *fCrypt; }
  TDFeSSLHttpClass& SSLHttpClass() { return *fHttp; }
  TDFeSSLXmlSignClass& SSLXmlSignClass() { return *fXmlSign; }

private:
  void FecharSeAberto();
  void ColherAbandonados(bool aguardar);

  TSSLCryptLib fSSLCryptLib = cryNone;
  TSSLHttpLib fSSLHttpLib = httpNone;
  TSSLXmlSignLib fSSLXmlSignLib = xsNone;
  TSSLType fSSLType = LT_all;
  TSSLDgst fSSLDgst = dgstSHA1;
  TSSLStoreLocation fStoreLocation = slCurrentUser;
  std::string fStoreName = "My";
  std::string fArquivoPFX, fDadosPFX, fNumeroSerie;
  std::string fSenha, fChaveSenha;          // scrambled, and its key
  std::string fProxyHost, fProxyPort, fProxyUser;
  std::string fProxyPass, fChaveProxyPass;  // scrambled, and its key
  std::int32_t fTimeOut = 5000;
  bool fTimeOutPorThread = false;
  std::string fNameSpaceURI;
  bool fUseCertificateHTTP = true;

  // Result codes of the last threaded exchange, which ran on the thread's own HTTP object.
  bool fUltimoEnvioPorThread = false;
  int fThreadHTTPResultCode = 0, fThreadInternalErrorCode = 0;

  std::mutex fCS;  // serialises HTTP exchanges
  std::vector<std::unique_ptr<TDFeSendThread>> fAbandonados;
  std::unique_ptr<TDFeSSLCryptClass> fCrypt;
  std::unique_ptr<TDFeSSLHttpClass> fHttp;
  std::unique_ptr<TDFeSSLXmlSignClass> fXmlSign;
};

}  // namespace tuim
