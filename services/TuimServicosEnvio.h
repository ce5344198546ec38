#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "component/TuimNotasFiscais.h"
#include "services/TuimServicosNFe.h"

namespace tuim {

// What became of one document of a batch. Only sAutorizada means the document may be used;
// sPendente carries the receipt to ask again, never an invitation to send again.
enum TSituacaoEnvio : std::uint8_t {
  sAutorizada,        // 100 or 150
  sDenegada,          // 110, 301, 302, 303: on file, but not usable
  sRejeitada,         // any other answer: the authority does not hold it
  sPendente,          // 103/105 after the last try: the receipt settles it later
  sDigestDivergente,  // the protocol's digest is not the signed document's
  sSemResposta        // the answer was lost and the key query did not settle it
};

const char* SituacaoEnvioParaTexto(TSituacaoEnvio s);

struct TResultadoNota {
  std::string chNFe;
  TSituacaoEnvio Situacao = sSemResposta;
  int cStat = 0;
  std::string xMotivo;
  std::string nProt;
  std::string Recibo;
  std::string Arquivo;  // the nfeProc saved, when one was
};

// Gzip (RFC 1952) of the text, through zlib.
std::string CompactarGZip(const std::string& dados);

// A receipt number is 15 digits; anything else never becomes a file name.
bool ReciboValido(const std::string& recibo);

// The protocol applied to a document of the collection: its fields, the nfeProc built from
// the signed bytes and the protocol text (when authorised or denied) and the file saved under
// the folder rules. A digest that is not exactly the document's leaves the document as it was.
TResultadoNota AplicarProtocolo(TNFeWebService& servico, NotaFiscal& nota, const TProcNFe& protocolo,
                                const std::string& xmlProt, const std::string& versao);

// The integrator's parameters that describe an NFC-e: layout version, key, issue date-time and
// total value. Both the authorisation and the cancellation carry them.
void ParametrosDocumentoIntegrador(TTuimIntegradorBase& integrador, const TNFe& nfe);

// The collection document whose key is `chave`; null when none.
NotaFiscal* NotaPorChave(TNotasFiscais& notas, const std::string& chave);

// Sends the signed documents of NotasFiscais as one batch (enviNFe), synchronous or not,
// compressed or not. A synchronous answer applies its protocol; an asynchronous one leaves
// the receipt in Recibo.
class TNFeRecepcao : public TNFeWebService {
public:
  explicit TNFeRecepcao(TTuimNFe& owner);
  std::string ClassName() const override { return "TNFeRecepcao"; }
  void Limpar() override;

  std::string Lote;
  bool Sincrono = false;
  bool Zipado = false;

  const std::string& Recibo() const { return fRecibo; }
  TDateTime dhRecbto() const { return fdhRecbto; }
  int tMed() const { return ftMed; }
  const std::string& versao() const { return fversao; }
  int cStat() const { return fcStat; }
  const std::string& xMotivo() const { return fxMotivo; }
  TretEnvNFe& RetornoLote() { return *fRetornoLote; }
  TRetConsSitNFe& RetornoSincrono() { return *fRetornoSincrono; }
  // Per document of the synchronous answer (empty for an asynchronous one).
  const std::vector<TResultadoNota>& Resultados() const { return fResultados; }
  // True when the last call's answer was read (not lost, cut or empty).
  bool RespostaLida() const { return fRespostaLida; }
  // True once the call reached the transmission, that is the batch may have left.
  bool Transmitido() const { return fTransmitido; }

protected:
  void PrepararServico() override;
  void DefinirServicoEAction() override;
  bool DefinirDestino(TDestinoServico& destino) override;
  void DefinirDadosMsg() override;
  void PrepararIntegrador() override;
  void Transmitir() override;
  bool TratarResposta() override;
  std::string PrefixoArquivo() override;
  std::string MensagemLog() override;

private:
  bool EhSincrono() const;
  TfscVersaoDF VersaoLayout() const;
  bool TratarRespostaLote();
  bool TratarRespostaSincrona();
  // The protocol of the one document of a synchronous batch answered 104.
  bool AplicarProtocoloSincrono(const TProcNFe& prot);

  std::string fRecibo, fversao, fxMotivo;
  TDateTime fdhRecbto = 0;
  int ftMed = 0;
  int fcStat = 0;
  bool fRespostaLida = false;
  bool fTransmitido = false;
  std::unique_ptr<TretEnvNFe> fRetornoLote;
  std::unique_ptr<TRetConsSitNFe> fRetornoSincrono;
  std::vector<TResultadoNota> fResultados;
};

// One receipt query (consReciNFe / retConsReciNFe), without applying anything.
class TNFeRecibo : public TNFeServicoComRetorno<TRetConsReciDFe> {
public:
  explicit TNFeRecibo(TTuimNFe& owner);
  std::string ClassName() const override { return "TNFeRecibo"; }

  std::string Recibo;
  int cMsg() const { return Retorno().cMsg; }
  const std::string& xMsg() const { return Retorno().xMsg; }
  TRetConsReciDFe& RetornoRecibo() { return Retorno(); }

protected:
  TNFeRecibo(TTuimNFe& owner, TServicoNFe servico);
  bool DefinirDestino(TDestinoServico& destino) override;
  void DefinirDadosMsg() override;
  bool TratarResposta() override;
  std::string MensagemLog() override;
};

// Polls a receipt until the batch is processed, then applies each protocol to its document.
// Protocols applied before are never cleared.
class TNFeRetRecepcao : public TNFeRecibo {
public:
  explicit TNFeRetRecepcao(TTuimNFe& owner);
  std::string ClassName() const override { return "TNFeRetRecepcao"; }

  bool Executar() override;

  const std::string& ChaveNFe() const { return fChaveNFe; }
  const std::string& Protocolo() const { return fProtocolo; }
  const std::vector<TResultadoNota>& Resultados() const { return fResultados; }
  // Called before each wait with the query number (from 1) and the answer's cStat.
  std::function<void(int consulta, int cStat)> OnAguardando;
  // When assigned, takes each wait (milliseconds) in place of the sleep.
  std::function<void(std::uint32_t ms)> OnEsperar;

protected:
  bool TratarResposta() override;
  std::string PrefixoArquivo() override;

private:
  bool TratarRecibo();

  std::string fChaveNFe, fProtocolo;
  std::vector<TResultadoNota> fResultados;
};

// A batch of the component's events (EventoNFe), each signed: the state's address for its
// own events, the national one for the recipient's and for EPEC (São Paulo's NFC-e EPEC has its
// own service). Each event's registration is matched on key, type and sequence; a registered
// one gets its procEventoNFe built and saved.
class TNFeEnvEvento : public TNFeWebService {
public:
  explicit TNFeEnvEvento(TTuimNFe& owner);
  std::string ClassName() const override { return "TNFeEnvEvento"; }
  void Limpar() override;

  std::int64_t idLote = 1;

  int cStat() const { return fcStat; }
  const std::string& xMotivo() const { return fxMotivo; }
  TfscTipoAmbiente tpAmb() const { return ftpAmb; }
  const std::string& CNPJ() const { return fCNPJ; }
  TRetEventoNFe& EventoRetorno() { return *fEventoRetorno; }

protected:
  bool DefinirDestino(TDestinoServico& destino) override;
  void DefinirDadosMsg() override;
  void PrepararIntegrador() override;
  bool TratarResposta() override;
  std::string PrefixoArquivo() override;
  // The event folder of the first event's type, its author and today.
  std::string PastaArquivos() override;
  std::string MensagemLog() override;

private:
  // The processed event of the batch's event `i`, registered in the answer's retEvento `j`,
  // kept in both registrations and written to its file when the configuration says so.
  void GuardarProcEvento(int i, int j, TRetInfEvento& ret, TRetInfEvento& reg);

  int fcStat = 0;
  std::string fxMotivo, fCNPJ;
  TfscTipoAmbiente ftpAmb = taHomologacao;
  std::unique_ptr<TRetEventoNFe> fEventoRetorno;
};

// A caller-made message posted as it is to a caller-given address; the answer is the SOAP body.
class TNFeEnvioWebService : public TNFeWebService {
public:
  explicit TNFeEnvioWebService(TTuimNFe& owner);
  std::string ClassName() const override { return "TNFeEnvioWebService"; }

  std::string XMLEnvio;
  std::string URLEnvio;
  std::string SoapAction;  // namespace and action alike
  const std::string& versao() const { return fversao; }

protected:
  void PrepararServico() override;
  void DefinirURL() override;
  void DefinirServicoEAction() override;
  void DefinirDadosMsg() override;
  bool TratarResposta() override;
  std::string GerarVersaoDadosSoap() override;
  std::string MensagemErro(const std::exception* erro) override;

private:
  std::string fversao;
};

// The whole road of a batch to authorisation, never losing an authorised document: sends,
// polls the receipt (also when a synchronous batch is answered 103), and when the answer is
// lost, cut, empty, or says 204/539, asks for each key's protocol and applies it. A batch is
// sent again only when every key query said the authority does not hold the document.
class TNFeAutorizacao {
public:
  explicit TNFeAutorizacao(TTuimNFe& owner);
  ~TNFeAutorizacao();

  // True when every document is authorised. Resultados() has one entry per document.
  bool Enviar(const std::string& lote, bool sincrono = false, bool zipado = false);
  const std::vector<TResultadoNota>& Resultados() const { return fResultados; }
  const std::string& Recibo() const { return fRecibo; }

  TNFeRecepcao& Recepcao() { return *fRecepcao; }
  TNFeRetRecepcao& RetRecepcao() { return *fRetRecepcao; }
  TNFeConsulta& Consulta() { return *fConsulta; }
  // Progress of the polling and of the recovery, one line each.
  std::function<void(const std::string& linha)> OnProgresso;

private:
  bool Recuperar(std::vector<int>& semProtocolo);
  // Polls the receipt of an asynchronous batch; false while the authority still holds it.
  bool AguardarRecibo();
  // One entry per document, in the collection's order.
  void OrdenarResultados();
  void Progresso(const std::string& linha);
  void Guardar(const TResultadoNota& r);

  TTuimNFe& fNFe;
  std::unique_ptr<TNFeRecepcao> fRecepcao;
  std::unique_ptr<TNFeRetRecepcao> fRetRecepcao;
  std::unique_ptr<TNFeConsulta> fConsulta;
  std::vector<TResultadoNota> fResultados;
  std::string fRecibo;
};

// The component's eleven services, created and freed in this order.
class TWebServices {
public:
  explicit TWebServices(TTuimNFe& owner);
  ~TWebServices();
  TWebServices(const TWebServices&) = delete;
  TWebServices& operator=(const TWebServices&) = delete;

  TNFeStatusServico& StatusServico() { return *fStatusServico; }
  TNFeRecepcao& Recepcao() { return *fRecepcao; }
  TNFeRetRecepcao& RetRecepcao() { return *fRetRecepcao; }
  TNFeRecibo& Recibo() { return *fRecibo; }
  TNFeConsulta& Consulta() { return *fConsulta; }
  TNFeInutilizacao& Inutilizacao() { return *fInutilizacao; }
  TNFeConsultaCadastro& ConsultaCadastro() { return *fConsultaCadastro; }
  TNFeEnvEvento& EnvEvento() { return *fEnvEvento; }
  TAdministrarCSCNFCe& AdministrarCSCNFCe() { return *fAdministrarCSCNFCe; }
  TDistribuicaoDFe& DistribuicaoDFe() { return *fDistribuicaoDFe; }
  TNFeEnvioWebService& EnvioWebService() { return *fEnvioWebService; }

private:
  // Members are destroyed in reverse order; the destructor frees them in creation order.
  std::unique_ptr<TNFeStatusServico> fStatusServico;
  std::unique_ptr<TNFeRecepcao> fRecepcao;
  std::unique_ptr<TNFeRetRecepcao> fRetRecepcao;
  std::unique_ptr<TNFeRecibo> fRecibo;
  std::unique_ptr<TNFeConsulta> fConsulta;
  std::unique_ptr<TNFeInutilizacao> fInutilizacao;
  std::unique_ptr<TNFeConsultaCadastro> fConsultaCadastro;
  std::unique_ptr<TNFeEnvEvento> fEnvEvento;
  std::unique_ptr<TAdministrarCSCNFCe> fAdministrarCSCNFCe;
  std::unique_ptr<TDistribuicaoDFe> fDistribuicaoDFe;
  std::unique_ptr<TNFeEnvioWebService> fEnvioWebService;
};

}  // namespace tuim
