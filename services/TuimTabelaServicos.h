#pragma once
#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "component/TuimNFe.h"
#include "fiscal/fscConversaoNFe.h"

namespace tuim {

// The NF-e services; each names its row of the service table.
enum TServicoNFe : std::uint8_t {
  svStatusServico, svRecepcao, svRetRecepcao, svRecibo, svConsulta, svInutilizacao, svConsultaCadastro,
  svEnvEvento, svDistribuicaoDFe, svAdministrarCSCNFCe
};

// Which namespace and action names a call takes: the layouts before 4.00, the one Bahia kept
// for NF-e 3.10 in normal emission, and 4.00.
enum TRegraServico : std::uint8_t { rsAntes400, rsBahia310, rs400 };
inline constexpr std::array<TRegraServico, 3> kRegrasServico{rsAntes400, rsBahia310, rs400};

// The namespace (UrlWsdl() + Servico) and action (namespace + Acao) of one rule.
struct TNomesServico {
  const char* Servico = "";
  const char* Acao = "";               // empty: the action is the namespace itself
  bool ServicoDoCatalogo = false;       // a namespace the catalogue gave stands
  bool AcaoDoCatalogo = false;          // an action the catalogue gave stands
};

// One row: everything about an NF-e service that is data rather than behaviour.
struct TLinhaServicoNFe {
  TServicoNFe Servico;
  const char* Classe;
  TfscLayOut Layout;
  TSituacaoNFe StatusExecucao;
  const char* SufixoEnvio;
  const char* SufixoResposta;
  std::array<TNomesServico, 3> Nomes;  // by TRegraServico
  // The older layout some services fall back to (layNfeRecepcao for states that never took
  // the authorization service); its names hold for every rule. Same as Layout when none.
  TfscLayOut LayoutAntigo;
  TNomesServico NomesAntigos;
  std::array<const char*, 6> Resultados;  // the answer's result element, in order of preference
  std::array<int, 10> Sucesso;            // cStat values meaning success; 0 ends the list
  const char* MensagemErro;               // the service's failure text; empty: none

  std::vector<std::string> ElementosResultado() const;
  bool EhSucesso(int cStat) const;
  // The names of `layout` under `regra`.
  const TNomesServico& NomesPara(TfscLayOut layout, TRegraServico regra) const;
  // MensagemErro with the line that asks to try again; empty when the row has none.
  std::string TextoErro() const;
};

std::span<const TLinhaServicoNFe> TabelaServicosNFe();
const TLinhaServicoNFe& LinhaServicoNFe(TServicoNFe servico);

TRegraServico RegraServico(TfscVersaoDF versao, int cUF, TfscModeloDF modelo, TfscTipoEmissao forma);

// Fills `servico` and `acao` from the names, keeping what the catalogue gave where they say so.
void ResolverNomesServico(const TNomesServico& nomes, const std::string& urlWsdl, std::string& servico,
                          std::string& acao);

}  // namespace tuim
