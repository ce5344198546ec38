#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "security/TuimDFeSSL.h"
#include "transport/TuimDFeHttpWinHttp.h"

namespace boost::asio::ssl {
class context;
}

namespace tuim {

// A general-purpose HTTP client over a socket whose TLS is OpenSSL's (Boost.Asio/Beast), with the
// client certificate taken from PKCS#12 data. One object serves many requests, one at a time;
// Abortar may be called from another thread while Post runs. With ManterConexao the connection
// stays open for the next request to the same address with the same settings.
class THttpClienteTLS {
public:
  THttpClienteTLS();
  ~THttpClienteTLS();
  THttpClienteTLS(const THttpClienteTLS&) = delete;
  THttpClienteTLS& operator=(const THttpClienteTLS&) = delete;

  // Request state: headers, body and the last response.
  void Limpar();
  std::string& Corpo() { return fCorpo; }

  std::string MimeType;
  std::string UserAgent;
  std::string Protocolo = "1.1";
  bool PortaNoHost = true;              // Host header with ":" + port when not the default
  std::vector<std::string> Cabecalhos;  // extra "Name: value" lines
  std::string ProxyHost, ProxyPort, ProxyUser, ProxyPass;
  std::int32_t Timeout = 0;  // milliseconds for each step of an exchange; 0 or less: none

  // Socket settings (milliseconds; 0 or less: Timeout applies).
  std::int32_t TimeoutConexao = 0;
  std::int32_t TimeoutEnvio = 0;
  std::int32_t TimeoutSocks = 0;
  std::int32_t TimeoutTunel = 0;
  std::int32_t TimeoutEntrePacotes = 0;
  std::string DadosPFX;  // PKCS#12 bytes; empty: no client certificate
  std::string SenhaPFX;  // Windows-1252, as the facade holds it
  TSSLType SSLType = LT_all;
  TVerificacaoServidor Verificacao;
  bool ManterConexao = false;

  // Transport success: a response (of any status) was read whole.
  bool Post(const std::string& url);
  int ResultCode() const { return fResultCode; }
  const std::string& Resposta() const { return fResposta; }
  int UltimoErro() const { return fUltimoErro; }
  const std::string& DescricaoUltimoErro() const { return fDescricaoErro; }

  void Abortar();
  // Aborts the exchange in progress and every later one, including one about to begin.
  void Abandonar();
  // Closes the connection kept, if any.
  void Desconectar();
  // Connections opened by this object so far.
  int Conexoes() const { return fConexoes; }
  // New connections whose TLS session was resumed, of those.
  int SessoesRetomadas() const { return fSessoesRetomadas; }

private:
  struct TImpl;
  struct TConexao;
  class TSessao;
  bool PostNaConexao(const std::string& url, const std::string& chave, bool& reenviavel);
  std::string ChaveConexao(const std::string& url) const;
  std::string ChaveContextoTLS() const;
  std::shared_ptr<boost::asio::ssl::context> ContextoTLS(TSessao& s);
  std::unique_ptr<TImpl> fImpl;
  std::unique_ptr<TConexao> fConexao;
  int fConexoes = 0;
  int fSessoesRetomadas = 0;
  std::string fCorpo;
  int fResultCode = 0;
  std::string fResposta;
  int fUltimoErro = 0;
  std::string fDescricaoErro;
};

// Whether the OpenSSL in use offers the protocol of `t`.
bool SSLTypeOferecido(TSSLType t);

// HTTP backend of the facade for httpOpenSSL.
class TDFeHttpOpenSSL : public TDFeSSLHttpClass {
public:
  explicit TDFeHttpOpenSSL(TDFeSSL& dfeSSL);
  ~TDFeHttpOpenSSL() override;

  std::string ClassName() const override { return "TDFeHttpOpenSSL"; }
  int HTTPResultCode() const override { return fHttp.ResultCode(); }
  int InternalErrorCode() const override { return fHttp.UltimoErro(); }
  void ConfigurarHTTP() override;
  void ConfigurarHTTP(const std::string& url, const std::string& soapAction, const std::string& mimeType);
  std::unique_ptr<TDFeSSLHttpClass> NovaInstancia(TDFeSSL& dfeSSL) const override;
  std::string Enviar(const std::string& dados, const std::string& url, const std::string& soapAction,
                     const std::string& mimeType) override;
  void Interromper() override { fHttp.Abortar(); }
  void Abandonar() override { fHttp.Abandonar(); }
  // Sends on the caller's thread keep their connection; a send thread's own object never does.
  bool ManterConexao() const { return fHttp.ManterConexao; }
  void SetManterConexao(bool v);  // false also closes the connection kept

  THttpClienteTLS& HTTP() { return fHttp; }
  const TVerificacaoServidor& VerificacaoServidor() const { return fVerificacao; }
  void SetVerificacaoServidor(const TVerificacaoServidor& v) { fVerificacao = v; }

private:
  THttpClienteTLS fHttp;
  TVerificacaoServidor fVerificacao;
};

}  // namespace tuim
