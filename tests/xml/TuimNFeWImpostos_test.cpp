#include <gtest/gtest.h>

#include <string>

#include "fiscal/TuimDateTime.h"
#include "xml/TuimNFeW.h"

namespace tuim {
namespace {

class NFeWImpostos : public ::testing::Test {
protected:
  void SetUp() override {
    n.infNFe.versao = 4.00;
    n.Ide.cUF = 35;
    n.Ide.modelo = 55;
    n.Ide.serie = 1;
    n.Ide.nNF = 1;
    n.Ide.dEmi = EncodeDateTime(2024, 5, 10, 10, 0, 0);
    n.Ide.indFinal = indFinal0;
    n.Emit.CNPJCPF = "11222333000181";
    n.Emit.CRT = crt3;
    n.Det.New();
    item().Prod.CFOP = "5102";
    item().Imposto.PIS.CST = cstPis07;
    item().Imposto.COFINS.CST = cstCofins07;
    item().Imposto.IPI.CST = cstIpi53;
    w.Opcoes().SetGerarTagIPIparaNaoTributado(false);
  }
  TDetCollectionItem& item() { return n.Det[0]; }
  // The taxes of the first item alone, after a run that fixes the version.
  std::string Impostos(double versao = 4.00) {
    n.infNFe.versao = versao;
    w.EscreverNFe();
    w.Gerador().SetArquivoFormatoXML("");
    w.Gerador().ListaDeAlertas().clear();
    w.GerarDetImposto(item());
    return w.Gerador().ArquivoFormatoXML();
  }
  std::string Grupo(const std::string& xml, const std::string& tag) {
    std::size_t a = xml.find("<" + tag + ">");
    if (a == std::string::npos) return "";
    std::size_t b = xml.find("</" + tag + ">", a);
    return xml.substr(a, b + tag.size() + 3 - a);
  }
  TNFe n;
  TNFeW w{&n};
};

const std::string kPisCofinsNT =
    "<PIS><PISNT><CST>07</CST></PISNT></PIS><COFINS><COFINSNT><CST>07</CST></COFINSNT></COFINS>";

TEST_F(NFeWImpostos, Icms00RateDecimalsFollowTheVersion) {
  TICMS& i = item().Imposto.ICMS;
  i.vBC = 100;
  i.pICMS = 18;
  i.vICMS = 18;
  EXPECT_EQ(Impostos(3.10),
            "<imposto><ICMS><ICMS00><orig>0</orig><CST>00</CST><modBC>0</modBC><vBC>100.00</vBC>"
            "<pICMS>18.0000</pICMS><vICMS>18.00</vICMS></ICMS00></ICMS>" + kPisCofinsNT + "</imposto>");
  EXPECT_NE(Impostos(3.00).find("<pICMS>18.00</pICMS>"), std::string::npos);
}

TEST_F(NFeWImpostos, Icms00FcpWithZeroValueWritesBoth) {
  item().Imposto.ICMS.pFCP = 2;
  std::string x = Impostos();
  EXPECT_NE(x.find("<vICMS>0.00</vICMS><pFCP>2.0000</pFCP><vFCP>0.00</vFCP></ICMS00>"), std::string::npos) << x;
  EXPECT_EQ(x.find("vBCFCP"), std::string::npos);
}

TEST_F(NFeWImpostos, Icms10SharingOnlyForSharingCst) {
  TICMS& i = item().Imposto.ICMS;
  i.CST = cstIcms10;
  i.pRedBC = 10;
  std::string x = Impostos();
  EXPECT_NE(x.find("<ICMS10>"), std::string::npos);
  EXPECT_EQ(x.find("pRedBC>"), std::string::npos) << x;
  EXPECT_EQ(x.find("pBCOp"), std::string::npos);
  EXPECT_EQ(x.find("UFST"), std::string::npos);
  i.CST = cstIcmsPart10;
  i.UFST = "RJ";
  x = Impostos();
  EXPECT_NE(x.find("<ICMSPart><orig>0</orig><CST>10</CST><modBC>0</modBC><vBC>0.00</vBC><pRedBC>10.00</pRedBC>"),
            std::string::npos) << x;
  EXPECT_NE(x.find("<pBCOp>0.0000</pBCOp><UFST>RJ</UFST></ICMSPart>"), std::string::npos) << x;
}

TEST_F(NFeWImpostos, Icms60RetainedOnlyForNFeOfNonFinalConsumer) {
  item().Imposto.ICMS.CST = cstIcms60;
  EXPECT_EQ(Grupo(Impostos(), "ICMS60"),
            "<ICMS60><orig>0</orig><CST>60</CST><vBCSTRet>0.00</vBCSTRet><pST>0.0000</pST>"
            "<vICMSSTRet>0.00</vICMSSTRet></ICMS60>");
  n.Ide.modelo = 65;
  EXPECT_EQ(Grupo(Impostos(), "ICMS60"), "<ICMS60><orig>0</orig><CST>60</CST></ICMS60>");
}

TEST_F(NFeWImpostos, Icms40WithoutReliefHoldsOriginAndCst) {
  item().Imposto.ICMS.CST = cstIcms41;
  EXPECT_EQ(Grupo(Impostos(), "ICMS40"), "<ICMS40><orig>0</orig><CST>41</CST></ICMS40>");
  item().Imposto.ICMS.vICMSDeson = 5;
  EXPECT_EQ(Grupo(Impostos(), "ICMS40"),
            "<ICMS40><orig>0</orig><CST>41</CST><vICMSDeson>5.00</vICMSDeson><motDesICMS>1</motDesICMS></ICMS40>");
}

TEST_F(NFeWImpostos, SimplesNacional102HasOriginAndCsosnOnly) {
  n.Emit.CRT = crt1;
  item().Imposto.ICMS.CSOSN = csosn102;
  EXPECT_EQ(Impostos(), "<imposto><ICMS><ICMSSN102><orig>0</orig><CSOSN>102</CSOSN></ICMSSN102></ICMS>" +
                            kPisCofinsNT + "</imposto>");
  EXPECT_TRUE(w.Gerador().ListaDeAlertas().empty());
}

TEST_F(NFeWImpostos, ServiceItemHasIssqnButNoIcmsNorII) {
  TISSQN& s = item().Imposto.ISSQN;
  s.cSitTrib = cSitTribN;
  s.vBC = 100;
  s.vAliq = 5;
  s.vISSQN = 5;
  s.cMunFG = 3550308;
  s.cListServ = "01.01";
  item().Prod.CFOP = "3102";
  std::string x = Impostos();
  EXPECT_EQ(x.find("<ICMS>"), std::string::npos);
  EXPECT_EQ(x.find("<II>"), std::string::npos);
  EXPECT_EQ(Grupo(x, "ISSQN"),
            "<ISSQN><vBC>100.00</vBC><vAliq>5.0000</vAliq><vISSQN>5.00</vISSQN><cMunFG>3550308</cMunFG>"
            "<cListServ>01.01</cListServ><indISS>1</indISS><indIncentivo>1</indIncentivo></ISSQN>");
}

TEST_F(NFeWImpostos, NfcePisWithZeroValuesIsOmittedUnlessNonTaxed) {
  n.Ide.modelo = 65;
  item().Imposto.PIS.CST = cstPis01;
  EXPECT_EQ(Impostos().find("<PIS>"), std::string::npos);
  item().Imposto.PIS.CST = cstPis07;
  EXPECT_NE(Impostos().find("<PIS><PISNT><CST>07</CST></PISNT></PIS>"), std::string::npos);
}

TEST_F(NFeWImpostos, ImportItemAlwaysHasII) {
  item().Prod.CFOP = "3102";
  EXPECT_EQ(Grupo(Impostos(), "II"),
            "<II><vBC>0.00</vBC><vDespAdu>0.00</vDespAdu><vII>0.00</vII><vIOF>0.00</vIOF></II>");
}

TEST_F(NFeWImpostos, EmptyEnquadramentoBecomes999) {
  w.Opcoes().SetGerarTagIPIparaNaoTributado(true);
  EXPECT_EQ(Grupo(Impostos(), "IPI"), "<IPI><cEnq>999</cEnq><IPINT><CST>53</CST></IPINT></IPI>");
  EXPECT_EQ(item().Imposto.IPI.cEnq, "999");
}

TEST_F(NFeWImpostos, ConflictingPisOutrFormsRaiseAlertAndWriteQuantity) {
  TPIS& p = item().Imposto.PIS;
  p.CST = cstPis99;
  p.vBC = 10;
  p.qBCProd = 2;
  std::string x = Impostos();
  EXPECT_NE(x.find("<PISOutr><CST>99</CST><qBCProd>2.0000</qBCProd><vAliqProd>0.0000</vAliqProd><vPIS>0.00</vPIS>"),
            std::string::npos) << x;
  ASSERT_EQ(w.Gerador().ListaDeAlertas().size(), 1u);
  EXPECT_NE(w.Gerador().ListaDeAlertas()[0].find(
                "As TAG <vBC> e <pPIS> não podem ser informadas em conjunto com as TAG <qBCProd> e <vAliqProd>"),
            std::string::npos);
}

TEST_F(NFeWImpostos, CofinsStWithBothFormsWritesTheRateFormAfterItsAlert) {
  TCOFINSST& c = item().Imposto.COFINSST;
  c.vBC = 10;
  c.pCOFINS = 3;
  c.vAliqProd = 1;
  c.vCOFINS = 1;
  std::string x = Impostos();
  EXPECT_NE(x.find("<COFINSST><vBC>10.00</vBC><pCOFINS>3.0000</pCOFINS><vCOFINS>1.00</vCOFINS></COFINSST></imposto>"),
            std::string::npos) << x;
  EXPECT_EQ(x.find("<qBCProd>"), std::string::npos) << x;
  ASSERT_EQ(w.Gerador().ListaDeAlertas().size(), 1u);
  EXPECT_NE(w.Gerador().ListaDeAlertas()[0].find("Grupo de COFINS Substituição Tributária"), std::string::npos);
}

TEST_F(NFeWImpostos, InterstateSharingOnlyWithItsPercentage) {
  TICMSUFDest& u = item().Imposto.ICMSUFDest;
  u.pICMSInter = 12;
  EXPECT_EQ(Impostos().find("ICMSUFDest"), std::string::npos);
  u.pICMSInterPart = 100;
  EXPECT_EQ(Grupo(Impostos(), "ICMSUFDest"),
            "<ICMSUFDest><vBCUFDest>0.00</vBCUFDest><vBCFCPUFDest>0.00</vBCFCPUFDest><pFCPUFDest>0.0000</pFCPUFDest>"
            "<pICMSUFDest>0.0000</pICMSUFDest><pICMSInter>12.00</pICMSInter><pICMSInterPart>100.0000</pICMSInterPart>"
            "<vFCPUFDest>0.00</vFCPUFDest><vICMSUFDest>0.00</vICMSUFDest><vICMSUFRemet>0.00</vICMSUFRemet></ICMSUFDest>");
}

TEST_F(NFeWImpostos, ReturnedGoodsGroup) {
  n.infNFe.versao = 4.00;
  w.EscreverNFe();
  w.Gerador().SetArquivoFormatoXML("");
  item().pDevol = 50;
  item().vIPIDevol = 3;
  w.GerarDetImpostoDevol(item());
  EXPECT_EQ(w.Gerador().ArquivoFormatoXML(),
            "<impostoDevol><pDevol>50.00</pDevol><IPI><vIPIDevol>3.00</vIPIDevol></IPI></impostoDevol>");
}

}  // namespace
}  // namespace tuim
