#pragma once
#include <exception>
#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

#include "component/TuimNFe.h"
#include "fiscal/fscConversaoNFe.h"
#include "security/TuimDFeSSL.h"
#include "services/TuimTabelaServicos.h"
#include "xml/TuimGerador.h"

namespace tuim {

// One SOAP 1.2 call to a tax-authority web service: a fixed sequence whose steps each service
// overrides (address, message, answer), with the request and answer files, the certificate
// check and the three transmit routes (the host's event, the integrator, the facade).
class TDFeWebService {
public:
  explicit TDFeWebService(TTuimDFe& owner);
  virtual ~TDFeWebService();
  TDFeWebService(const TDFeWebService&) = delete;
  TDFeWebService& operator=(const TDFeWebService&) = delete;

  virtual std::string ClassName() const { return "TDFeWebService"; }

  // The whole call: the value of TratarResposta, or false after a handled failure.
  virtual bool Executar();
  virtual void Limpar();

  TTuimDFe& Owner() const { return fOwner; }
  TConfiguracoes& Configuracoes() const { return fConfiguracoes; }

  const std::string& PrefixoSoap() const { return fPrefixoSoap; }
  void SetPrefixoSoap(const std::string& v) { fPrefixoSoap = v; }
  const std::string& AtributosEnvelope() const { return fAtributosEnvelope; }
  void SetAtributosEnvelope(const std::string& v) { fAtributosEnvelope = v; }
  const std::string& ElementoCabecalho() const { return fElementoCabecalho; }
  void SetElementoCabecalho(const std::string& v) { fElementoCabecalho = v; }  // empty: no SOAP header
  const std::string& ElementoCorpo() const { return fElementoCorpo; }
  void SetElementoCorpo(const std::string& v) { fElementoCorpo = v; }
  const std::string& DadosMsg() const { return fDadosMsg; }
  void SetDadosMsg(const std::string& v) { fDadosMsg = v; }
  const std::string& Envelope() const { return fEnvelope; }
  void SetEnvelope(const std::string& v) { fEnvelope = v; }
  const std::string& RespostaHTTP() const { return fRespostaHTTP; }
  void SetRespostaHTTP(const std::string& v) { fRespostaHTTP = v; }
  const std::string& RetornoServico() const { return fRetornoServico; }
  void SetRetornoServico(const std::string& v) { fRetornoServico = v; }
  const std::string& Mensagem() const { return fMensagem; }
  void SetMensagem(const std::string& v) { fMensagem = v; }
  const std::string& URL() const { return fURL; }
  void SetURL(const std::string& v) { fURL = v; }
  const std::string& VersaoDados() const { return fVersaoDados; }
  void SetVersaoDados(const std::string& v) { fVersaoDados = v; }
  const std::string& SufixoEnvio() const { return fSufixoEnvio; }
  void SetSufixoEnvio(const std::string& v) { fSufixoEnvio = v; }
  const std::string& SufixoResposta() const { return fSufixoResposta; }
  void SetSufixoResposta(const std::string& v) { fSufixoResposta = v; }
  const std::string& Servico() const { return fServico; }
  void SetServico(const std::string& v) { fServico = v; }
  const std::string& SoapAction() const { return fSoapAction; }
  void SetSoapAction(const std::string& v) { fSoapAction = v; }
  const std::string& MimeType() const { return fMimeType; }
  void SetMimeType(const std::string& v) { fMimeType = v; }

  // Shows a log line that asks to be seen (WebServices.Visualizar); this layer has no user
  // interface of its own, so the host supplies the modal box. Unset, nothing is shown.
  std::function<void(const std::string& texto)> OnMostrarMensagem;

  // Copies the configuration's generator options into a request message's generator.
  void ConfigurarGerador(TGeradorOpcoes& opcoes);

  // RetornoServico = the first candidate element of RespostaHTTP with content (undecoded).
  void ExtrairRetorno(const std::vector<std::string>& candidatos);
  // RetornoServico decoded for the response reader (entities and UTF-8).
  std::string RetornoDecodificado() const;

  static const char* const kAtributosEnvelopePadrao;

protected:
  // Overridable steps, in the order they are declared by the family.
  virtual void RegistrarLogServico(const std::string& linha, bool mostrar);
  virtual void RelatarErro(const std::string& texto, const std::exception* erro = nullptr);
  virtual void PrepararServico();
  virtual void DefinirServicoEAction();
  virtual void DefinirURL();
  virtual void DefinirDadosMsg();
  virtual void PrepararIntegrador();
  // Hands the envelope to the linked integrator; its seventh answer line is the response.
  std::string TransmitirPeloIntegrador(TTuimIntegradorBase& integrador);
  virtual void MontarEnvelope();
  virtual void GravarEnvio();
  virtual void Transmitir();
  virtual bool TratarResposta();
  virtual void GravarResposta();
  virtual void EncerrarServico() {}
  virtual void ExigirResposta();
  virtual std::string UrlWsdl();
  virtual void AssinarMensagem(const std::string& xml, const std::string& docElement,
                               const std::string& infElement, const std::string& mensagemErro,
                               const std::string& signatureNode = "", const std::string& selectionNamespaces = "",
                               const std::string& idSignature = "");
  virtual std::string MensagemLog() { return ""; }
  virtual std::string MensagemErro(const std::exception* erro) { return ""; }
  virtual std::string MontarCabecalho();
  virtual std::string GerarVersaoDadosSoap();
  virtual std::string GerarUFSoap();
  virtual std::string PrefixoArquivo();
  // Folder of the request and answer files; empty is PathSalvar.
  virtual std::string PastaArquivos() { return ""; }

  // Transmission and answer; a failure is reported with the service's text and gives false.
  bool TransmitirETratarResposta();

  // A preparation failure: reported, and when the handler marks it handled the call stops
  // with false (Interrompido) instead of going on with an address or namespace it does not
  // have. A preparing step returns right after it.
  void FalharPreparacao(const std::string& texto);
  bool Interrompido() const { return fInterrompido; }
  // "<step> não implementado para: <class>".
  void NaoImplementado(const std::string& passo);

  TTuimDFe& fOwner;
  TConfiguracoes& fConfiguracoes;

private:
  // Before the first attempt: the certificate's validity, the envelope's encoding and the
  // server check of the configuration.
  void PrepararTransmissao(TDFeSSL& ssl);
  // One attempt, through the host's handler, the integrator or the facade; the codes of a
  // failed one are left in codigoHTTP and codigoInterno.
  void TransmitirUmaVez(TDFeSSL& ssl, int& codigoHTTP, int& codigoInterno);

  std::string fPrefixoSoap = "soap12";
  std::string fAtributosEnvelope = kAtributosEnvelopePadrao;
  std::string fElementoCabecalho = "nfeCabecMsg";
  std::string fElementoCorpo = "nfeDadosMsg";
  std::string fDadosMsg, fEnvelope, fRespostaHTTP, fRetornoServico, fMensagem, fURL, fVersaoDados;
  std::string fSufixoEnvio, fSufixoResposta, fServico, fSoapAction, fMimeType;
  bool fInterrompido = false;
};

// Where the catalogue is asked for a service.
struct TDestinoServico {
  std::string Modelo;      // "NFe" or "NFCe"
  std::string Autoridade;  // state abbreviation, "AN", "SVC-AN" or "SVC-RS"
  TfscTipoAmbiente tpAmb = taHomologacao;
};

// What every NF-e service shares: the catalogue lookup by layout, the versaoDados header, no
// SOAP header for 4.00 calls, the component's status while the call runs, and NF-e (model 55)
// calls kept off the integrator. A service made with its row of the service table takes its
// layout, status, file suffixes, names, result elements and success codes from there.
class TNFeWebService : public TDFeWebService {
public:
  explicit TNFeWebService(TTuimNFe& owner);
  TNFeWebService(TTuimNFe& owner, TServicoNFe servico);

  std::string ClassName() const override { return "TNFeWebService"; }

  void Limpar() override;

  TTuimNFe& NFe() const { return fNFe; }
  TConfiguracoesNFe& ConfiguracoesNFe() const { return fNFe.Configuracoes(); }

  TfscLayOut Layout() const { return fLayout; }
  void SetLayout(TfscLayOut v) { fLayout = v; }
  TSituacaoNFe StatusExecucao() const { return fStatusExecucao; }
  void SetStatusExecucao(TSituacaoNFe v) { fStatusExecucao = v; }

  // The service's row; null for a service made without one.
  const TLinhaServicoNFe* Linha() const { return fLinha; }
  // The naming rule of the configured version, state, model and emission.
  TRegraServico Regra() const;

  using TDFeWebService::ExtrairRetorno;
  // RetornoServico from the row's result elements.
  void ExtrairRetorno();
  // Whether cStat is one of the row's success codes.
  bool Sucesso(int cStat) const;

protected:
  void PrepararServico() override;
  void DefinirURL() override;
  void PrepararIntegrador() override;
  void DefinirServicoEAction() override;
  void Transmitir() override;
  void EncerrarServico() override;
  std::string GerarVersaoDadosSoap() override;
  std::string MensagemErro(const std::exception* erro) override;
  // Fills where the catalogue is asked; false (the default) asks with the configured model,
  // state and environment.
  virtual bool DefinirDestino(TDestinoServico& destino) { return false; }

  TTuimNFe& fNFe;

private:
  const TLinhaServicoNFe* fLinha = nullptr;
  TfscLayOut fLayout = layNfeStatusServico;
  TSituacaoNFe fStatusExecucao = snParado;
  // What PrepararServico changes for the call and EncerrarServico puts back.
  TSSLType fSSLTypeSalvo = LT_all;
  std::string fElementoCabecalhoSalvo;
};

// A log template with each "%s" filled in order; missing values leave nothing.
std::string PreencherLog(const std::string& mascara, std::initializer_list<std::string> valores);
// A date and time of an answer for the log; empty when the answer had none.
std::string DataHoraLog(TDateTime t);

}  // namespace tuim
