#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

#include "fiscal/TuimException.h"
#include "security/TuimDFeSSL.h"
#include "transport/TuimURL.h"

namespace tuim {

// Failures of a request object; the backend wraps them with the exchange's codes.
class ETuimWinReqResp : public ETuimDFeException {
public:
  using ETuimDFeException::ETuimDFeException;
};

// How the server's certificate is checked. The Windows stacks were told to accept any server
// certificate; that leaves the client certificate and the fiscal documents open to whoever
// answers in the server's place, so here the chain and the host name are verified unless the
// caller turns it off explicitly.
struct TVerificacaoServidor {
  bool Verificar = true;
  std::string ArquivoCA;  // PEM bundle of trusted authorities; empty: the system's store
  // An answer longer than this is refused rather than held in memory whole.
  std::size_t TamanhoMaximoResposta = 16u * 1024u * 1024u;
};

// What a kept TLS context or session was made under: the checking settings and the authorities'
// file as it stands on disk now, so that a file replaced there is read again.
std::string EstadoVerificacao(const TVerificacaoServidor& v);

class TTrocaCurl;

// One SOAP POST per Execute over HTTP or HTTPS, keeping the status and the library error code of
// its last exchange. The platform classes below run it through libcurl.
class TTuimWinReqResp {
public:
  TTuimWinReqResp();
  virtual ~TTuimWinReqResp();
  TTuimWinReqResp(const TTuimWinReqResp&) = delete;
  TTuimWinReqResp& operator=(const TTuimWinReqResp&) = delete;

  virtual std::string ClassName() const { return "TTuimWinReqResp"; }

  const TContextoCertificado* ContextoCertificado() const { return fContextoCertificado; }
  void SetContextoCertificado(const TContextoCertificado* v) { fContextoCertificado = v; }
  const std::string& SoapAction() const { return fSoapAction; }
  void SetSoapAction(const std::string& v) { fSoapAction = v; }
  const std::string& MimeType() const { return fMimeType; }
  void SetMimeType(const std::string& v) { fMimeType = v; }
  const std::string& Charset() const { return fCharset; }
  void SetCharset(const std::string& v) { fCharset = v; }
  const std::string& Dados() const { return fDados; }
  void SetDados(const std::string& v) { fDados = v; }
  const std::string& ProxyHost() const { return fProxyHost; }
  void SetProxyHost(const std::string& v) { fProxyHost = v; }
  const std::string& ProxyPort() const { return fProxyPort; }
  void SetProxyPort(const std::string& v) { fProxyPort = v; }
  const std::string& ProxyUser() const { return fProxyUser; }
  void SetProxyUser(const std::string& v) { fProxyUser = v; }
  const std::string& ProxyPass() const { return fProxyPass; }
  void SetProxyPass(const std::string& v) { fProxyPass = v; }
  TSSLType SSLType() const { return fSSLType; }
  void SetSSLType(TSSLType v) { fSSLType = v; }
  std::int32_t TimeOut() const { return fTimeOut; }
  void SetTimeOut(std::int32_t v) { fTimeOut = v; }
  const std::string& URL() const { return fURL; }
  void SetURL(const std::string& v) { fURL = v; }
  const TVerificacaoServidor& VerificacaoServidor() const { return fVerificacao; }
  void SetVerificacaoServidor(const TVerificacaoServidor& v) { fVerificacao = v; }
  // Keeps the connection open for the next exchange to the same address with the same client
  // certificate; false also closes the one kept.
  bool ManterConexao() const { return fManterConexao; }
  void SetManterConexao(bool v);
  // Connections opened by this object so far.
  int Conexoes() const { return fConexoes; }

  std::int32_t InternalErrorCode() const { return fInternalErrorCode; }
  std::int32_t HTTPResultCode() const { return fHTTPResultCode; }

  // "Erro: N", or "Erro: N - text" when the code has a text.
  virtual std::string TextoErro(std::int32_t codigo) const;
  // InternalErrorCode = the last library code; HTTPResultCode = the status read, 0 without one.
  virtual void AtualizarCodigos(bool comRequisicao);
  // Posts Dados to URL; the response body replaces `resposta`.
  virtual void Execute(std::string& resposta);
  // Aborts an exchange in progress; safe from another thread.
  virtual void Interromper() {}
  // Aborts the exchange in progress and every later one, including one about to begin.
  void Abandonar();

  void Execute(const std::string& dados, std::string& resposta);

  // Host, Content-Type, Accept-Charset and SOAPAction lines, each ended by CR LF.
  std::string Cabecalhos(const TPartesURL& partes) const;

  // Where one libcurl exchange stopped, for the request classes' messages.
  enum TFaseTroca : std::uint8_t { ftAbrir, ftTLS, ftConectar, ftEnviar, ftReceber, ftLer, ftFim };
  struct TResultado {
    std::int32_t codigo = 0;    // CURLcode
    TFaseTroca fase = ftAbrir;  // where it stopped
    bool abortado = false;
    bool falhaCertificado = false;  // the client certificate could not be attached
    std::string detalhe;            // libcurl's own description
  };

protected:
  // Runs one exchange through libcurl; the request class gives its user agent and TLS choice.
  // Throws nothing: the caller maps the outcome to its own messages.
  TResultado Trocar(const TPartesURL& partes, const std::string& userAgent, bool escolherTLS,
                    std::string& resposta);
  void InterromperTroca();
  bool Aberto() const;

  std::int32_t fUltimoErro = 0;  // library code of the last step
  long fUltimoStatus = 0;

private:
  // The steps of Trocar; each false stops the exchange with the code kept in `r`.
  bool AbrirTroca(TTrocaCurl& t, const TPartesURL& partes, const std::string& userAgent, TResultado& r);
  bool ConfigurarProxy(TTrocaCurl& t, TResultado& r);
  bool ConfigurarTLS(TTrocaCurl& t, bool escolherTLS, TResultado& r);
  // Runs the exchange to its end; false when it stood idle longer than `ociosoMs`.
  bool Transferir(TTrocaCurl& t, long ociosoMs);
  // The outcome, the library's description and the status read.
  void Concluir(TTrocaCurl& t, bool tempoEsgotado, TResultado& r);
  // Keeps `codigo` as the exchange's and the last step's code; true when it is a failure.
  bool Falhou(TResultado& r, int codigo);

  const TContextoCertificado* fContextoCertificado = nullptr;
  std::string fSoapAction;
  std::string fMimeType = "application/soap+xml";
  std::string fCharset = "utf-8";
  std::string fDados;
  std::string fProxyHost, fProxyPort, fProxyUser, fProxyPass;
  TSSLType fSSLType = LT_all;
  std::int32_t fTimeOut = 0;
  std::string fURL;
  TVerificacaoServidor fVerificacao;
  std::int32_t fInternalErrorCode = 0;
  std::int32_t fHTTPResultCode = 0;

  mutable std::mutex fTrocaMutex;
  TTrocaCurl* fTroca = nullptr;  // the exchange running now, for Interromper
  bool fAberto = false;          // cleared by Interromper: the next check raises
  bool fAbandonado = false;      // set by Abandonar: no exchange runs any more
  bool fManterConexao = false;
  struct TConexoesMantidas;
  std::unique_ptr<TConexoesMantidas> fMantidas;  // libcurl's pool holding the kept connection
  struct TSessoesTLS;
  std::unique_ptr<TSessoesTLS> fSessoes;  // TLS sessions to resume, for one certificate
  int fConexoes = 0;
};

// The exchange as WinHTTP did it: user agent "WinHTTP Tuim/1.0", TLS version choice, an empty
// answer returned as it is.
class TTuimWinHTTPReqResp : public TTuimWinReqResp {
public:
  ~TTuimWinHTTPReqResp() override;
  std::string ClassName() const override { return "TTuimWinHTTPReqResp"; }
  void Execute(std::string& resposta) override;
  void Interromper() override;
  using TTuimWinReqResp::Execute;
};

// The exchange as WinINet did it: user agent "Borland SOAP 1.2", proxy credentials, and an empty
// answer is a failure.
class TTuimWinINetReqResp : public TTuimWinReqResp {
public:
  ~TTuimWinINetReqResp() override;
  std::string ClassName() const override { return "TTuimWinINetReqResp"; }
  void Execute(std::string& resposta) override;
  void Interromper() override;
  using TTuimWinReqResp::Execute;
};

// HTTP backend of the facade for httpWinHttp and httpWinINet; the request class follows the
// facade's SSLHttpLib at creation.
class TDFeHttpWinHttp : public TDFeSSLHttpClass {
public:
  explicit TDFeHttpWinHttp(TDFeSSL& dfeSSL);
  ~TDFeHttpWinHttp() override;

  std::string ClassName() const override { return "TDFeHttpWinHttp"; }
  int HTTPResultCode() const override;
  int InternalErrorCode() const override;
  // Certificate (with UseCertificateHTTP), TLS choice, proxy and time-out from the facade.
  void ConfigurarHTTP() override;
  void ConfigurarHTTP(const std::string& url, const std::string& soapAction, const std::string& mimeType);
  std::unique_ptr<TDFeSSLHttpClass> NovaInstancia(TDFeSSL& dfeSSL) const override;
  std::string Enviar(const std::string& dados, const std::string& url, const std::string& soapAction,
                     const std::string& mimeType) override;
  void Interromper() override;
  void Abandonar() override;
  // Sends on the caller's thread keep their connection; a send thread's own object never does.
  bool ManterConexao() const { return fReqResp->ManterConexao(); }
  void SetManterConexao(bool v) { fReqResp->SetManterConexao(v); }

  TTuimWinReqResp& ReqResp() { return *fReqResp; }
  const TVerificacaoServidor& VerificacaoServidor() const { return fVerificacao; }
  void SetVerificacaoServidor(const TVerificacaoServidor& v) { fVerificacao = v; }

private:
  std::unique_ptr<TTuimWinReqResp> fReqResp;
  TVerificacaoServidor fVerificacao;
};

}  // namespace tuim
