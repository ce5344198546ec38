#include "services/TuimTabelaServicos.h"

namespace tuim {
namespace {

constexpr const char* kInoperante = "\r\n- Inativo ou Inoperante tente novamente.";

// Before 4.00 the namespace doubles as the action; 4.00 lets the catalogue speak first.
constexpr TNomesServico Simples(const char* servico) { return {servico, "", false, false}; }
constexpr TNomesServico Com400(const char* servico, const char* acao) { return {servico, acao, true, true}; }
constexpr TNomesServico Fixo(const char* servico, const char* acao) { return {servico, acao, false, false}; }

const TLinhaServicoNFe kTabela[] = {
    {svStatusServico, "TNFeStatusServico", layNfeStatusServico, snStatusServico, "ped-sta", "sta",
     {Simples("NfeStatusServico2"), Fixo("NfeStatusServico", "/NfeStatusServicoNF"),
      Com400("NFeStatusServico4", "/nfeStatusServicoNF")},
     layNfeStatusServico, {},
     {"nfeStatusServicoNF2Result", "NfeStatusServicoNFResult", "nfeResultMsg"},
     {107},
     "WebService Consulta Status serviço:"},
    {svRecepcao, "TNFeRecepcao", layNfeAutorizacao, snRecepcao, "env-lot", "rec",
     {Simples("NfeAutorizacao"), Simples("NfeAutorizacao"), Com400("NFeAutorizacao4", "/nfeAutorizacaoLote")},
     layNfeRecepcao, Simples("NfeRecepcao2"),
     {"nfeAutorizacaoLoteResult", "nfeAutorizacaoResult", "nfeAutorizacaoLoteZipResult", "nfeResultMsg",
      "nfeResultMsgZip", "nfeRecepcaoLote2Result"},
     {103, 104},  // received (asynchronous) or processed (synchronous)
     ""},
    {svRetRecepcao, "TNFeRetRecepcao", layNfeRetAutorizacao, snRetRecepcao, "ped-rec", "pro-rec",
     {Simples("NfeRetAutorizacao"), Simples("NfeRetAutorizacao"),
      Com400("NFeRetAutorizacao4", "/nfeRetAutorizacaoLote")},
     layNfeRetRecepcao, Simples("NfeRetRecepcao2"),
     {"nfeRetAutorizacaoResult", "nfeRetAutorizacaoLoteResult", "nfeResultMsg", "nfeRetRecepcao2Result"},
     {105},  // still being processed: query again
     ""},
    {svRecibo, "TNFeRecibo", layNfeRetAutorizacao, snRecibo, "ped-rec", "pro-rec",
     {Simples("NfeRetAutorizacao"), Simples("NfeRetAutorizacao"),
      Com400("NFeRetAutorizacao4", "/nfeRetAutorizacaoLote")},
     layNfeRetRecepcao, Simples("NfeRetRecepcao2"),
     {"nfeRetAutorizacaoResult", "nfeRetAutorizacaoLoteResult", "nfeResultMsg", "nfeRetRecepcao2Result"},
     {104},
     ""},
    {svConsulta, "TNFeConsulta", layNfeConsultaProtocolo, snConsulta, "ped-sit", "sit",
     {Simples("NfeConsulta2"), Simples("NfeConsulta"), Com400("NFeConsultaProtocolo4", "/nfeConsultaNF")},
     layNfeConsultaProtocolo, {},
     {"NfeConsultaNF2Result", "NfeConsultaNFResult", "nfeResultMsg"},
     {100, 150, 101, 151, 155},  // authorised or cancelled; a denial is not a document to use
     ""},
    {svInutilizacao, "TNFeInutilizacao", layNfeInutilizacao, snInutilizacao, "ped-inu", "inu",
     {Simples("NfeInutilizacao2"), {"NfeInutilizacao", "/NfeInutilizacao", true, false},
      Com400("NFeInutilizacao4", "/nfeInutilizacaoNF")},
     layNfeInutilizacao, {},
     {"nfeInutilizacaoNF2Result", "nfeInutilizacaoNFResult", "nfeResultMsg"},
     {102},
     ""},
    {svConsultaCadastro, "TNFeConsultaCadastro", layNfeConsultaCadastro, snCadastro, "ped-cad", "cad",
     {Simples("CadConsultaCadastro2"), Simples("CadConsultaCadastro2"),
      Com400("CadConsultaCadastro4", "/consultaCadastro")},
     layNfeConsultaCadastro, {},
     {"consultaCadastro2Result", "nfeResultMsg", "consultaCadastro4Result"},
     {111, 112},
     ""},
    {svEnvEvento, "TNFeEnvEvento", layRecepcaoEvento, snEvento, "ped-eve", "eve",
     {Simples("RecepcaoEvento"), Simples("RecepcaoEvento"), Com400("NFeRecepcaoEvento4", "/nfeRecepcaoEvento")},
     layRecepcaoEvento, {},
     {"nfeRecepcaoEventoResult", "nfeRecepcaoEventoNFResult", "nfeResultMsg"},
     {128},
     ""},
    {svDistribuicaoDFe, "TDistribuicaoDFe", layNFeDistribuicaoDFe, snDistribuicaoDFe, "con-dist-dfe", "dist-dfe",
     {Fixo("NFeDistribuicaoDFe", "/nfeDistDFeInteresse"), Fixo("NFeDistribuicaoDFe", "/nfeDistDFeInteresse"),
      Fixo("NFeDistribuicaoDFe", "/nfeDistDFeInteresse")},
     layNFeDistribuicaoDFe, {},
     {"nfeDistDFeInteresseResult", "nfeResultMsg"},
     {137, 138},
     "WebService Distribuição de DFe:"},
    {svAdministrarCSCNFCe, "TAdministrarCSCNFCe", layAdministrarCSCNFCe, snAdmCSC, "ped-csc", "csc",
     {Fixo("CscNFCe", "/admCscNFCe"), Fixo("CscNFCe", "/admCscNFCe"), Fixo("CscNFCe", "/admCscNFCe")},
     layAdministrarCSCNFCe, {},
     {"cscNFCeResult", "nfeResultMsg"},
     {150, 151, 152, 153},
     "WebService Administrar CSC da NFC-e:"},
};

}  // namespace

std::vector<std::string> TLinhaServicoNFe::ElementosResultado() const {
  std::vector<std::string> r;
  for (const char* e : Resultados)
    if (e) r.emplace_back(e);
  return r;
}

bool TLinhaServicoNFe::EhSucesso(int cStat) const {
  for (int v : Sucesso) {
    if (v == 0) break;
    if (v == cStat) return true;
  }
  return false;
}

const TNomesServico& TLinhaServicoNFe::NomesPara(TfscLayOut layout, TRegraServico regra) const {
  if (layout == LayoutAntigo && layout != Layout) return NomesAntigos;
  return Nomes[regra];
}

std::string TLinhaServicoNFe::TextoErro() const {
  return *MensagemErro ? std::string(MensagemErro) + kInoperante : std::string();
}

std::span<const TLinhaServicoNFe> TabelaServicosNFe() { return kTabela; }

const TLinhaServicoNFe& LinhaServicoNFe(TServicoNFe servico) {
  for (const TLinhaServicoNFe& l : kTabela)
    if (l.Servico == servico) return l;
  return kTabela[0];  // every enumerator has its row; the table test guards that
}

TRegraServico RegraServico(TfscVersaoDF versao, int cUF, TfscModeloDF modelo, TfscTipoEmissao forma) {
  if (versao >= ve400) return rs400;
  if (cUF == 29 && modelo == moNFe && versao == ve310 && forma == teNormal) return rsBahia310;
  return rsAntes400;
}

void ResolverNomesServico(const TNomesServico& nomes, const std::string& urlWsdl, std::string& servico,
                          std::string& acao) {
  if (!nomes.ServicoDoCatalogo || servico.empty()) servico = urlWsdl + nomes.Servico;
  if (!nomes.AcaoDoCatalogo || acao.empty()) acao = servico + nomes.Acao;
}

}  // namespace tuim
