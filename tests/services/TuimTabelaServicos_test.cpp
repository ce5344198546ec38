#include "services/TuimTabelaServicos.h"

#include <gtest/gtest.h>

#include <set>

using namespace tuim;

namespace {

const std::string kWsdl = "http://www.portalfiscal.inf.br/nfe/wsdl/";

std::string NomeRegra(TRegraServico r) { return r == rsAntes400 ? "antes400" : r == rsBahia310 ? "BA310" : "400"; }

TEST(TabelaServicos, EveryServiceHasExactlyOneCompleteRow) {
  std::set<int> vistos;
  for (const TLinhaServicoNFe& l : TabelaServicosNFe()) {
    SCOPED_TRACE(l.Classe);
    EXPECT_TRUE(vistos.insert(l.Servico).second);
    EXPECT_EQ(&LinhaServicoNFe(l.Servico), &l);
    EXPECT_NE(std::string(l.SufixoEnvio), "");
    EXPECT_NE(std::string(l.SufixoResposta), "");
    EXPECT_NE(l.StatusExecucao, snParado);
    EXPECT_FALSE(l.ElementosResultado().empty());
    EXPECT_NE(l.Sucesso[0], 0);
  }
  EXPECT_EQ(vistos.size(), static_cast<std::size_t>(svAdministrarCSCNFCe) + 1);
}

// With or without names from the catalogue, every layout of every row gives a namespace under
// the NF-e WSDL root (or the catalogue's) and an action under that namespace, for every rule.
TEST(TabelaServicos, EveryRowResolvesForEveryStateRule) {
  for (const TLinhaServicoNFe& l : TabelaServicosNFe())
    for (TfscLayOut layout : {l.Layout, l.LayoutAntigo})
      for (TRegraServico regra : kRegrasServico)
        for (bool catalogo : {false, true}) {
          SCOPED_TRACE(std::string(l.Classe) + " " + LayOutParaServico(layout) + " " + NomeRegra(regra) +
                       (catalogo ? " catalogo" : ""));
          std::string servico = catalogo ? "urn:cat" : "", acao = catalogo ? "urn:cat/acao" : "";
          ResolverNomesServico(l.NomesPara(layout, regra), kWsdl, servico, acao);
          const TNomesServico& n = l.NomesPara(layout, regra);
          EXPECT_NE(std::string(n.Servico), "");
          if (catalogo && n.ServicoDoCatalogo)
            EXPECT_EQ(servico, "urn:cat");
          else
            EXPECT_EQ(servico, kWsdl + n.Servico);
          if (catalogo && n.AcaoDoCatalogo)
            EXPECT_EQ(acao, "urn:cat/acao");
          else
            EXPECT_EQ(acao.rfind(servico, 0), 0u) << acao;
        }
}

struct CasoNomes {
  TServicoNFe servico;
  TfscLayOut layout;
  TRegraServico regra;
  const char* servicoEsperado;
  const char* acaoEsperada;
};

class NomesServico : public ::testing::TestWithParam<CasoNomes> {};

TEST_P(NomesServico, GivesTheNamesOfTheRule) {
  const CasoNomes& c = GetParam();
  std::string servico, acao;
  ResolverNomesServico(LinhaServicoNFe(c.servico).NomesPara(c.layout, c.regra), kWsdl, servico, acao);
  EXPECT_EQ(servico, kWsdl + c.servicoEsperado);
  EXPECT_EQ(acao, kWsdl + c.acaoEsperada);
}

INSTANTIATE_TEST_SUITE_P(
    Casos, NomesServico,
    ::testing::Values(
        CasoNomes{svStatusServico, layNfeStatusServico, rsAntes400, "NfeStatusServico2", "NfeStatusServico2"},
        CasoNomes{svStatusServico, layNfeStatusServico, rsBahia310, "NfeStatusServico",
                  "NfeStatusServico/NfeStatusServicoNF"},
        CasoNomes{svStatusServico, layNfeStatusServico, rs400, "NFeStatusServico4",
                  "NFeStatusServico4/nfeStatusServicoNF"},
        CasoNomes{svConsulta, layNfeConsultaProtocolo, rsBahia310, "NfeConsulta", "NfeConsulta"},
        CasoNomes{svConsulta, layNfeConsultaProtocolo, rsAntes400, "NfeConsulta2", "NfeConsulta2"},
        CasoNomes{svInutilizacao, layNfeInutilizacao, rsBahia310, "NfeInutilizacao",
                  "NfeInutilizacao/NfeInutilizacao"},
        CasoNomes{svInutilizacao, layNfeInutilizacao, rs400, "NFeInutilizacao4", "NFeInutilizacao4/nfeInutilizacaoNF"},
        CasoNomes{svConsultaCadastro, layNfeConsultaCadastro, rsBahia310, "CadConsultaCadastro2",
                  "CadConsultaCadastro2"},
        CasoNomes{svRecepcao, layNfeRecepcao, rs400, "NfeRecepcao2", "NfeRecepcao2"},
        CasoNomes{svRecepcao, layNfeAutorizacao, rs400, "NFeAutorizacao4", "NFeAutorizacao4/nfeAutorizacaoLote"},
        CasoNomes{svRetRecepcao, layNfeRetRecepcao, rsAntes400, "NfeRetRecepcao2", "NfeRetRecepcao2"},
        CasoNomes{svRecibo, layNfeRetAutorizacao, rsAntes400, "NfeRetAutorizacao", "NfeRetAutorizacao"},
        CasoNomes{svEnvEvento, layRecepcaoEventoAN, rs400, "NFeRecepcaoEvento4",
                  "NFeRecepcaoEvento4/nfeRecepcaoEvento"},
        CasoNomes{svDistribuicaoDFe, layNFeDistribuicaoDFe, rsAntes400, "NFeDistribuicaoDFe",
                  "NFeDistribuicaoDFe/nfeDistDFeInteresse"},
        CasoNomes{svAdministrarCSCNFCe, layAdministrarCSCNFCe, rs400, "CscNFCe", "CscNFCe/admCscNFCe"}));

TEST(TabelaServicos, BahiaKeepsTheCataloguesVoidingNamespaceButNotItsAction) {
  std::string servico = "urn:ba", acao = "urn:ba/x";
  ResolverNomesServico(LinhaServicoNFe(svInutilizacao).NomesPara(layNfeInutilizacao, rsBahia310), kWsdl, servico,
                       acao);
  EXPECT_EQ(servico, "urn:ba");
  EXPECT_EQ(acao, "urn:ba/NfeInutilizacao");
}

TEST(TabelaServicos, DistributionAndCscOverrideTheCatalogue) {
  for (TServicoNFe s : {svDistribuicaoDFe, svAdministrarCSCNFCe}) {
    const TLinhaServicoNFe& l = LinhaServicoNFe(s);
    std::string servico = "urn:x", acao = "urn:x/y";
    ResolverNomesServico(l.NomesPara(l.Layout, rs400), kWsdl, servico, acao);
    EXPECT_EQ(servico.rfind(kWsdl, 0), 0u) << l.Classe;
  }
}

struct CasoRegra {
  TfscVersaoDF versao;
  int cUF;
  TfscModeloDF modelo;
  TfscTipoEmissao forma;
  TRegraServico regra;
};

class Regra : public ::testing::TestWithParam<CasoRegra> {};

TEST_P(Regra, FollowsVersionStateModelAndEmission) {
  const CasoRegra& c = GetParam();
  EXPECT_EQ(RegraServico(c.versao, c.cUF, c.modelo, c.forma), c.regra);
}

INSTANTIATE_TEST_SUITE_P(Casos, Regra,
                         ::testing::Values(CasoRegra{ve400, 29, moNFe, teNormal, rs400},
                                           CasoRegra{ve310, 29, moNFe, teNormal, rsBahia310},
                                           CasoRegra{ve310, 29, moNFCe, teNormal, rsAntes400},
                                           CasoRegra{ve310, 29, moNFe, teSVCAN, rsAntes400},
                                           CasoRegra{ve200, 29, moNFe, teNormal, rsAntes400},
                                           CasoRegra{ve310, 51, moNFe, teNormal, rsAntes400}));

// A denial is processed too, but never a document to use.
TEST(TabelaServicos, ProtocolQuerySucceedsOnAuthorisedOrCancelledOnly) {
  const TLinhaServicoNFe& l = LinhaServicoNFe(svConsulta);
  for (int c = 0; c < 1000; ++c)
    EXPECT_EQ(l.EhSucesso(c), TTuimNFe::StatusConfirmado(c) || TTuimNFe::StatusCancelado(c)) << c;
}

TEST(TabelaServicos, FailureTextsEndWithTheRetryLine) {
  EXPECT_EQ(LinhaServicoNFe(svStatusServico).TextoErro(),
            "WebService Consulta Status serviço:\r\n- Inativo ou Inoperante tente novamente.");
  EXPECT_EQ(LinhaServicoNFe(svConsulta).TextoErro(), "");
}

}  // namespace
