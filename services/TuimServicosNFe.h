#pragma once
#include <memory>
#include <string>
#include <vector>

#include "fiscal/TuimDateTime.h"
#include "fiscal/fscConversao.h"
#include "services/TuimRetDistDFeInt.h"
#include "services/TuimRetornosNFe.h"
#include "services/TuimWebServices.h"

namespace tuim {

// The NF-e services that do not send documents of the collection: each overrides the steps of
// the round trip it needs and keeps the answer's fields under the answer's element names.

// Service status (consStatServ / retConsStatServ).
class TNFeStatusServico : public TNFeWebService {
public:
  explicit TNFeStatusServico(TTuimNFe& owner);
  std::string ClassName() const override { return "TNFeStatusServico"; }
  void Limpar() override;

  std::string versao;
  TfscTipoAmbiente tpAmb = taHomologacao;
  std::string verAplic;
  int cStat = 0;
  std::string xMotivo;
  int cUF = 0;
  TDateTime dhRecbto = 0;
  int tMed = 0;  // seconds
  TDateTime dhRetorno = 0;
  std::string xObs;

protected:
  void DefinirServicoEAction() override;
  void DefinirDadosMsg() override;
  bool TratarResposta() override;
  std::string MensagemLog() override;
  std::string MensagemErro(const std::exception* erro) override;
};

// Protocol query by access key (consSitNFe / retConsSitNFe). The protocol, cancellation and
// events of the last answer are read in place from RetConsSitNFe().
class TNFeConsulta : public TNFeWebService {
public:
  explicit TNFeConsulta(TTuimNFe& owner);
  ~TNFeConsulta() override;
  std::string ClassName() const override { return "TNFeConsulta"; }
  void Limpar() override;

  const std::string& NFeChave() const { return fNFeChave; }
  void SetNFeChave(const std::string& v) { fNFeChave = v; }

  std::string versao;
  TfscTipoAmbiente tpAmb = taHomologacao;
  std::string verAplic;
  int cStat = 0;
  std::string xMotivo;
  int cUF = 0;
  std::string Protocolo;
  TDateTime dhRecbto = 0;
  std::string RetNFeDFe;

  TRetConsSitNFe& RetConsSitNFe() { return *fRetorno; }
  TProcNFe& protNFe() { return fRetorno->protNFe(); }
  TRetCancNFe& retCancNFe() { return fRetorno->retCancNFe(); }
  TRetEventoNFeCollection& procEventoNFe() { return fRetorno->procEventoNFe(); }

protected:
  void DefinirURL() override;
  void DefinirServicoEAction() override;
  void DefinirDadosMsg() override;
  bool TratarResposta() override;
  std::string GerarUFSoap() override;
  std::string PrefixoArquivo() override;
  std::string MensagemLog() override;

private:
  std::string fNFeChave;
  std::unique_ptr<TRetConsSitNFe> fRetorno;
};

// Voiding of a range of numbers (inutNFe, signed / retInutNFe).
class TNFeInutilizacao : public TNFeWebService {
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

  std::string ID;
  std::string versao;
  TfscTipoAmbiente tpAmb = taHomologacao;
  std::string verAplic;
  int cStat = 0;
  std::string xMotivo;
  int cUF = 0;
  TDateTime dhRecbto = 0;
  std::string Protocolo;
  std::string XML_ProcInutNFe;
  std::string NomeArquivo;

  // Arquivos.MontarPathInu with CNPJ when SepararPorCNPJ, else without; creates the folder.
  std::string PastaInutilizacao();

protected:
  void DefinirURL() override;
  void DefinirServicoEAction() override;
  void DefinirDadosMsg() override;
  void GravarEnvio() override;
  void GravarResposta() override;
  bool TratarResposta() override;
  std::string PrefixoArquivo() override;
  std::string MensagemLog() override;
};

// Taxpayer registration query (ConsCad / retConsCad).
class TNFeConsultaCadastro : public TNFeWebService {
public:
  explicit TNFeConsultaCadastro(TTuimNFe& owner);
  ~TNFeConsultaCadastro() override;
  std::string ClassName() const override { return "TNFeConsultaCadastro"; }
  void Limpar() override;

  std::string UF;
  std::string IE;
  std::string CNPJ;
  std::string CPF;

  std::string versao;
  std::string verAplic;
  int cStat = 0;
  std::string xMotivo;
  TDateTime dhCons = 0;
  int cUF = 0;
  TRetConsCad& RetConsCad() { return *fRetConsCad; }

protected:
  void PrepararServico() override;
  void EncerrarServico() override;
  void DefinirURL() override;
  void DefinirServicoEAction() override;
  void DefinirDadosMsg() override;
  bool TratarResposta() override;
  std::string GerarUFSoap() override;
  std::string MensagemLog() override;

private:
  std::unique_ptr<TRetConsCad> fRetConsCad;
  std::string fElementoCorpoSalvo;
  bool fCorpoTrocado = false;
};

// Documents of interest from the national environment, by NSU or key; saves what it receives.
class TDistribuicaoDFe : public TNFeWebService {
public:
  explicit TDistribuicaoDFe(TTuimNFe& owner);
  ~TDistribuicaoDFe() override;
  std::string ClassName() const override { return "TDistribuicaoDFe"; }
  void Limpar() override;

  int cUFAutor = 0;
  std::string CNPJCPF;
  std::string ultNSU;
  std::string NSU;
  std::string chNFe;

  TRetDistDFeInt& retDistDFeInt() { return *fretDistDFeInt; }
  const std::vector<std::string>& ListaArqs() const { return fListaArqs; }
  const std::string& NomeArquivoDistribuicao() const { return fNomeArquivoDistribuicao; }

protected:
  void DefinirURL() override;
  void DefinirServicoEAction() override;
  void DefinirDadosMsg() override;
  bool TratarResposta() override;
  std::string MensagemLog() override;
  std::string MensagemErro(const std::exception* erro) override;

private:
  void SalvarDocumento(TdocZipCollectionItem& doc);

  std::unique_ptr<TRetDistDFeInt> fretDistDFeInt;
  std::vector<std::string> fListaArqs;
  std::string fNomeArquivoDistribuicao;
};

// Administration of the NFC-e security code (admCscNFCe / retAdmCscNFCe).
class TAdministrarCSCNFCe : public TNFeWebService {
public:
  explicit TAdministrarCSCNFCe(TTuimNFe& owner);
  ~TAdministrarCSCNFCe() override;
  std::string ClassName() const override { return "TAdministrarCSCNFCe"; }
  void Limpar() override;

  std::string RaizCNPJ;
  TfscIndOp indOp = indOp1;
  int IdCSC = 0;
  std::string CodigoCSC;

  TRetAdmCSCNFCe& retAdmCSCNFCe() { return *fretAdmCSCNFCe; }

protected:
  void DefinirURL() override;
  void DefinirServicoEAction() override;
  void DefinirDadosMsg() override;
  bool TratarResposta() override;
  std::string MensagemLog() override;
  std::string MensagemErro(const std::exception* erro) override;

private:
  std::unique_ptr<TRetAdmCSCNFCe> fretAdmCSCNFCe;
};

}  // namespace tuim
