// The component hosted by the window: its design-time values, and nothing opened at start-up.
#include <gtest/gtest.h>

#include <QApplication>
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "app/MainFrm.h"
#include "component/TuimNFe.h"
#include "fiscal/TuimIni.h"

using namespace tuim;

TEST(TuimNFe1, CarriesTheDesignedConfigurationAndOpensNothing) {
  // A certificate path that does not exist: applying it must not read it.
  auto frm = std::make_unique<TMainFrm>();
  frm->DefinirCertificado("/nao/existe/loja.pfx", "1234");
  ASSERT_TRUE(frm->TuimNFe1);
  TTuimNFe& n = *frm->TuimNFe1;
  EXPECT_EQ(n.Name(), "TuimNFe1");
  const auto& c = n.Configuracoes();
  EXPECT_EQ(c.Geral().ModeloDFCodigo(), 65);
  EXPECT_EQ(c.WebServices().UFCodigo(), 51);
  EXPECT_EQ(c.WebServices().UF(), "MT");
  EXPECT_EQ(c.WebServices().Ambiente(), taProducao);
  EXPECT_EQ(c.WebServices().QuebradeLinha(), "|");
  EXPECT_EQ(c.WebServices().AguardarConsultaRet(), 0u);
  EXPECT_EQ(c.Geral().SSLLib(), libWinCrypt);
  EXPECT_EQ(c.Geral().SSLCryptLib(), cryWinCrypt);
  EXPECT_EQ(c.Geral().SSLXmlSignLib(), xsLibXml2);
  EXPECT_EQ(c.Geral().VersaoQRCode(), veqr000);
  EXPECT_EQ(c.Arquivos().OrdenacaoPath().Count(), 0);
  EXPECT_EQ(c.Certificados().ArquivoPFX(), "/nao/existe/loja.pfx");
  EXPECT_EQ(n.SSL().ArquivoPFX(), "/nao/existe/loja.pfx");
  EXPECT_EQ(n.SSL().Senha(), "1234");
  EXPECT_FALSE(n.SSL().CertificadoAberto());
  frm.reset();  // releases the component without touching the certificate
}

TEST(TuimNFe1, ConfigurationFileReplacesTheDesignedValues) {
  auto dir = std::filesystem::temp_directory_path() / ("tuim-nfe1-" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  {
    TTuimNFe origem;
    origem.Configuracoes().WebServices().SetUF("SP");
    origem.Configuracoes().WebServices().SetAmbiente(taHomologacao);
    origem.Configuracoes().Geral().SetModeloDF(moNFe);
    TTuimIni ini;
    origem.Configuracoes().SalvarIni(ini);
    ini.SaveToFile((dir / "c.ini").string());
  }
  TMainFrm frm;
  std::string erro;
  ASSERT_TRUE(frm.CarregarConfiguracao((dir / "c.ini").string(), erro)) << erro;
  EXPECT_EQ(frm.TuimNFe1->Configuracoes().WebServices().UFCodigo(), 35);
  EXPECT_EQ(frm.TuimNFe1->Configuracoes().WebServices().Ambiente(), taHomologacao);
  EXPECT_EQ(frm.TuimNFe1->Configuracoes().Geral().ModeloDFCodigo(), 55);
  EXPECT_FALSE(frm.CarregarConfiguracao((dir / "falta.ini").string(), erro));
  EXPECT_FALSE(erro.empty());
  std::filesystem::remove_all(dir);
}
