#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "fiscal/TuimDateTime.h"
#include "fiscal/TuimException.h"
#include "fiscal/fscConversao.h"
#include "services/TuimRetDistDFeInt.h"
#include "services/TuimRetornosNFe.h"
#include "services/TuimWebServices.h"

namespace tuim {

// A wait taken from an answer (tMed, AguardarConsultaRet) never exceeds this.
constexpr std::uint32_t kEsperaMaximaMs = 60000;

// The NF-e services that do not send documents of the collection. What is data about them
// (names, suffixes, result elements, success codes) is their row of the service table; each
// class keeps its message and its own rules. The answer's fields are read from the answer the
// service holds, under the answer's element names.

bool StatusAutorizado(int cStat);  // 100, 150
bool StatusDenegado(int cStat);    // 110, 301, 302, 303

// What the authority holds for a key. Only sqAutorizada means the document may be used; a
// denied document is on file but never usable, so it is not a found answer of the query.
enum TSituacaoConsulta : std::uint8_t {
  sqSemResposta,    // no answer was read
  sqAutorizada,     // 100, 150
  sqCancelada,      // 101, 151, 155, or a cancellation event on file
  sqDenegada,       // 110, 301, 302, 303
  sqNaoEncontrada,  // 217
  sqRejeitada       // any other answer
};

const char* SituacaoConsultaParaTexto(TSituacaoConsulta s);

// An NF-e service with its parsed answer R, recreated by Limpar with the configured
// environment and state standing until an answer arrives.
template <class R>
class TNFeServicoComRetorno : public TNFeWebService {
public:
  TNFeServicoComRetorno(TTuimNFe& owner, TServicoNFe servico)
      : TNFeWebService(owner, servico), fRetorno(std::make_unique<R>()) {}

  void Limpar() override {
    TNFeWebService::Limpar();
    fRetorno = std::make_unique<R>();
    const TWebServicesConf& ws = Configuracoes().WebServices();
    if constexpr (requires(R& r) { r.tpAmb; }) fRetorno->tpAmb = ws.Ambiente();
    if constexpr (requires(R& r) { r.cUF; }) fRetorno->cUF = ws.UFCodigo();
  }

  const std::string& versao() const { return fRetorno->versao; }
  TfscTipoAmbiente tpAmb() const { return fRetorno->tpAmb; }
  const std::string& verAplic() const { return fRetorno->verAplic; }
  int cStat() const { return fRetorno->cStat; }
  const std::string& xMotivo() const { return fRetorno->xMotivo; }
  int cUF() const { return fRetorno->cUF; }

protected:
  R& Retorno() { return *fRetorno; }
  const R& Retorno() const { return *fRetorno; }
  // The common case: the answer read, its reason as the message, the table's codes as success.
  bool TratarResposta() override {
    LerRetorno();
    SetMensagem(xMotivo());
    return Sucesso(cStat());
  }
  void NovoRetorno() { fRetorno = std::make_unique<R>(); }
  // The result element of the answer, required, parsed into the answer held. An answer that
  // cannot be read (no root element, a malformed cStat) is a failure, not a status of 0.
  void LerRetorno() {
    ExtrairRetorno();
    ExigirResposta();
    fRetorno->Leitor().SetArquivo(RetornoDecodificado());
    if (fRetorno->LerResposta()) return;
    std::string motivo;
    if constexpr (requires(const R& r) { r.ErroLeitura(); }) motivo = fRetorno->ErroLeitura();
    throw ETuimDFeException("Resposta do webservice ilegível" + (motivo.empty() ? "." : ": " + motivo));
  }

private:
  std::unique_ptr<R> fRetorno;
};

// Service status (consStatServ / retConsStatServ).
class TNFeStatusServico : public TNFeServicoComRetorno<TRetConsStatServ> {
public:
  explicit TNFeStatusServico(TTuimNFe& owner);
  std::string ClassName() const override { return "TNFeStatusServico"; }

  TDateTime dhRecbto() const { return Retorno().dhRecbto; }
  int tMed() const { return Retorno().tMed; }  // seconds
  TDateTime dhRetorno() const { return Retorno().dhRetorno; }
  const std::string& xObs() const { return Retorno().xObs; }

protected:
  void DefinirDadosMsg() override;
  bool TratarResposta() override;
  std::string MensagemLog() override;
};

// Protocol query by access key (consSitNFe / retConsSitNFe). The protocol, cancellation and
// events of the last answer are read in place from RetConsSitNFe(). Executar is true for an
// authorised or cancelled document; Situacao() tells which, and tells a denial apart.
class TNFeConsulta : public TNFeServicoComRetorno<TRetConsSitNFe> {
public:
  explicit TNFeConsulta(TTuimNFe& owner);
  std::string ClassName() const override { return "TNFeConsulta"; }
  void Limpar() override;

  const std::string& NFeChave() const { return fNFeChave; }
  void SetNFeChave(const std::string& v) { fNFeChave = v; }

  // The protocol that settles the document: a cancellation's over the authorisation's.
  const std::string& Protocolo() const { return fProtocolo; }
  TDateTime dhRecbto() const { return fdhRecbto; }
  const std::string& RetNFeDFe() const { return fRetNFeDFe; }
  TSituacaoConsulta Situacao() const { return fSituacao; }

  TRetConsSitNFe& RetConsSitNFe() { return Retorno(); }
  TProcNFe& protNFe() { return Retorno().protNFe(); }
  TRetCancNFe& retCancNFe() { return Retorno().retCancNFe(); }
  TRetEventoNFeCollection& procEventoNFe() { return Retorno().procEventoNFe(); }

protected:
  bool DefinirDestino(TDestinoServico& destino) override;
  void DefinirDadosMsg() override;
  bool TratarResposta() override;
  std::string GerarUFSoap() override;
  std::string PrefixoArquivo() override;
  std::string MensagemLog() override;

private:
  std::string fNFeChave;
  std::string fProtocolo;
  TDateTime fdhRecbto = 0;
  std::string fRetNFeDFe;
  TSituacaoConsulta fSituacao = sqSemResposta;
};

// Voiding of a range of numbers (inutNFe, signed / retInutNFe).
class TNFeInutilizacao : public TNFeServicoComRetorno<TRetInutNFe> {
public:
  explicit TNFeInutilizacao(TTuimNFe& owner);
  std::string ClassName() const override { return "TNFeInutilizacao"; }
  void Limpar() override;

  std::string CNPJ;
  int Modelo = 55;
  int Serie = 0;
  int Ano = 0;  // two digits
  int NumeroInicial = 0;
  int NumeroFinal = 0;
  std::string Justificativa;

  const std::string& ID() const { return fID; }
  TDateTime dhRecbto() const { return Retorno().dhRecbto; }
  const std::string& Protocolo() const { return Retorno().nProt; }
  const std::string& XML_ProcInutNFe() const { return fXML_ProcInutNFe; }
  const std::string& NomeArquivo() const { return fNomeArquivo; }

  // Arquivos.MontarPathInu with CNPJ when SepararPorCNPJ, else without; creates the folder.
  std::string PastaInutilizacao();

protected:
  bool DefinirDestino(TDestinoServico& destino) override;
  void DefinirDadosMsg() override;
  void GravarEnvio() override;
  void GravarResposta() override;
  bool TratarResposta() override;
  std::string PrefixoArquivo() override;
  std::string MensagemLog() override;

private:
  std::string fID;
  std::string fXML_ProcInutNFe;
  std::string fNomeArquivo;
};

// Taxpayer registration query (ConsCad / retConsCad).
class TNFeConsultaCadastro : public TNFeServicoComRetorno<TRetConsCad> {
public:
  explicit TNFeConsultaCadastro(TTuimNFe& owner);
  std::string ClassName() const override { return "TNFeConsultaCadastro"; }

  std::string UF;
  std::string IE;
  std::string CNPJ;
  std::string CPF;

  TDateTime dhCons() const { return Retorno().dhCons; }
  TRetConsCad& RetConsCad() { return Retorno(); }

protected:
  void PrepararServico() override;
  void EncerrarServico() override;
  bool DefinirDestino(TDestinoServico& destino) override;
  void DefinirDadosMsg() override;
  std::string GerarUFSoap() override;
  std::string MensagemLog() override;

private:
  // The body element a call for Mato Grosso changes and EncerrarServico puts back.
  bool fCorpoTrocado = false;
  std::string fElementoCorpoSalvo;
};

// Documents of interest from the national environment, by NSU or key; saves what it receives.
class TDistribuicaoDFe : public TNFeServicoComRetorno<TRetDistDFeInt> {
public:
  explicit TDistribuicaoDFe(TTuimNFe& owner);
  std::string ClassName() const override { return "TDistribuicaoDFe"; }
  void Limpar() override;

  int cUFAutor = 0;
  std::string CNPJCPF;
  std::string ultNSU;
  std::string NSU;
  std::string chNFe;

  TRetDistDFeInt& retDistDFeInt() { return Retorno(); }
  const std::vector<std::string>& ListaArqs() const { return fListaArqs; }
  const std::string& NomeArquivoDistribuicao() const { return fNomeArquivoDistribuicao; }

protected:
  bool DefinirDestino(TDestinoServico& destino) override;
  void DefinirDadosMsg() override;
  bool TratarResposta() override;
  std::string MensagemLog() override;

private:
  void SalvarDocumento(TdocZipCollectionItem& doc);
  void GravarDistribuido(const std::string& pasta, const std::string& xml);

  std::vector<std::string> fListaArqs;
  std::string fNomeArquivoDistribuicao;
};

// Administration of the NFC-e security code (admCscNFCe / retAdmCscNFCe).
class TAdministrarCSCNFCe : public TNFeServicoComRetorno<TRetAdmCSCNFCe> {
public:
  explicit TAdministrarCSCNFCe(TTuimNFe& owner);
  std::string ClassName() const override { return "TAdministrarCSCNFCe"; }

  std::string RaizCNPJ;
  TfscIndOp indOp = indOp1;
  int IdCSC = 0;
  std::string CodigoCSC;

  TRetAdmCSCNFCe& retAdmCSCNFCe() { return Retorno(); }

protected:
  void DefinirDadosMsg() override;
  // The request files never hold the token: its value is masked in what is written.
  void GravarEnvio() override;
  void GravarResposta() override;
  std::string MensagemLog() override;
};

}  // namespace tuim
