#include <gtest/gtest.h>

#include <string>

#include "fiscal/TuimDateTime.h"
#include "testing/NFeConstrutor.h"
#include "xml/TuimNFeW.h"

namespace tuim {
namespace {

class NFeWItens : public ::testing::Test {
protected:
  void SetUp() override {
    n.infNFe.versao = 4.00;
    n.Ide.cUF = 35;
    n.Ide.modelo = 55;
    n.Ide.dEmi = EncodeDateTime(2024, 5, 10, 10, 20, 30);
    teste::Item(n, 1, "1", "PRODUTO", 1, 10);
  }
  std::string Det() {
    w.EscreverNFe();
    const std::string& xml = w.Gerador().ArquivoFormatoXML();
    std::size_t i = xml.find("<det ");
    std::size_t f = xml.rfind("</det>");
    return i == std::string::npos || f == std::string::npos ? "" : xml.substr(i, f + 6 - i);
  }
  TNFe n;
  TNFeW w{&n};
};

TEST_F(NFeWItens, PlainItemIsWrittenInLayoutOrder) {
  EXPECT_EQ(Det(),
            "<det nItem=\"1\"><prod><cProd>1</cProd><cEAN>SEM GTIN</cEAN><xProd>PRODUTO</xProd><NCM>22030000</NCM>"
            "<CFOP>5102</CFOP><uCom>UN</uCom><qCom>1.0000</qCom><vUnCom>10.0000000000</vUnCom><vProd>10.00</vProd>"
            "<cEANTrib>SEM GTIN</cEANTrib><uTrib>UN</uTrib><qTrib>1.0000</qTrib><vUnTrib>10.0000000000</vUnTrib>"
            "<indTot>1</indTot></prod>"
            // The item's taxes follow prod; impostoDevol only with a returned percentage.
            "<imposto><ICMS><ICMS00><orig>0</orig><CST>00</CST><modBC>0</modBC><vBC>0.00</vBC>"
            "<pICMS>0.0000</pICMS><vICMS>0.00</vICMS></ICMS00></ICMS><PIS><PISAliq><CST>01</CST>"
            "<vBC>0.00</vBC><pPIS>0.0000</pPIS><vPIS>0.00</vPIS></PISAliq></PIS><COFINS><COFINSAliq>"
            "<CST>01</CST><vBC>0.00</vBC><pCOFINS>0.0000</pCOFINS><vCOFINS>0.00</vCOFINS></COFINSAliq>"
            "</COFINS></imposto></det>");
}

TEST_F(NFeWItens, ReturnedPercentageAddsImpostoDevolAfterImposto) {
  n.Det[0].pDevol = TCurrency(100);
  std::string d = Det();
  std::size_t imposto = d.find("</imposto>");
  std::size_t devol = d.find("<impostoDevol><pDevol>100.00</pDevol>");
  ASSERT_NE(imposto, std::string::npos) << d;
  ASSERT_NE(devol, std::string::npos) << d;
  EXPECT_LT(imposto, devol);
}

TEST_F(NFeWItens, TwoMedicinesInLayout400AreWrittenAndFlagged) {
  w.Gerador().Opcoes().SetFormatoAlerta("%ID%|%TAG%|%DESCRICAO%|%MSG%");
  for (int i = 0; i < 2; ++i) {
    TmedCollectionItem& m = n.Det[0].Prod.med.New();
    m.cProdANVISA = "1234567890123";
    m.vPMC = 5;
  }
  const std::string det = Det();
  EXPECT_NE(det.find("<med><cProdANVISA>1234567890123</cProdANVISA><vPMC>5.00</vPMC></med>"
                     "<med><cProdANVISA>1234567890123</cProdANVISA><vPMC>5.00</vPMC></med></prod>"),
            std::string::npos)
      << det;
  bool achou = false;
  for (const auto& a : w.Gerador().ListaDeAlertas())
    achou = achou || a == "K01|med|Numero do item|Número de ocorrências maior que o máximo permitido - Máximo 1";
  EXPECT_TRUE(achou);
}

TEST_F(NFeWItens, MoreThan990ItemsAreAllWrittenThenFlagged) {
  w.Gerador().Opcoes().SetFormatoAlerta("%ID%|%TAG%|%DESCRICAO%|%MSG%");
  for (int i = 2; i <= 991; ++i) {
    TDetCollectionItem& it = n.Det.New();
    it = n.Det[0];
    it.Prod.nItem = i;
  }
  const std::string det = Det();
  EXPECT_NE(det.find("<det nItem=\"991\">"), std::string::npos);
  // The bare document has alerts of its own; the item limit must be among them.
  bool achou = false;
  for (const auto& a : w.Gerador().ListaDeAlertas())
    achou = achou || a == "H02|nItem|Numero do item|Número de ocorrências maior que o máximo permitido - Máximo 990";
  EXPECT_TRUE(achou);
}

TEST_F(NFeWItens, FirstItemOfAnNfceInHomologationCarriesTheFixedName) {
  n.Ide.modelo = 65;
  n.Ide.tpAmb = taHomologacao;
  EXPECT_NE(Det().find("<xProd>NOTA FISCAL EMITIDA EM AMBIENTE DE HOMOLOGACAO - SEM VALOR FISCAL</xProd>"),
            std::string::npos);
}

}  // namespace
}  // namespace tuim
