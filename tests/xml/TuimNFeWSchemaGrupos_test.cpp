// Whole documents written by the writer, judged by the national schema (xmllint): every tax
// form and closing group the writer makes must either be accepted by nfe_v4.00.xsd or be
// flagged by an alert; a group the layout does not know must never go out unflagged.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "fiscal/TuimDateTime.h"
#include "fiscal/fscAuxiliar.h"
#include "NFeExemplos.h"
#include "testing/NFeConstrutor.h"
#include "xml/TuimNFeW.h"

namespace tuim {
namespace {

TCurrency D(double v) { return TCurrency::FromDouble(v); }

class NFeWSchemaGrupos : public exemplos::ComEsquema {
protected:
  void SetUp() override {
    ComEsquema::SetUp();
    teste::Cabecalho(n);
    teste::Emitente(n);
    teste::Destinatario(n);
    NovoItem(1);
    teste::Fechamento(n, 10);
  }

  TDetCollectionItem& NovoItem(int numero) {
    TDetCollectionItem& item = teste::Item(n, numero, "1", "PRODUTO");
    item.Imposto.ICMS.CST = cstIcms41;
    item.Imposto.PIS.CST = cstPis07;
    item.Imposto.COFINS.CST = cstCofins07;
    return item;
  }
  TDetCollectionItem& item() { return n.Det[0]; }
  TICMS& icms() { return item().Imposto.ICMS; }

  // Writes the document, adds the fixed signature and runs xmllint; true when it is accepted.
  bool Aceito() {
    TNFeW w(&n);
    w.Opcoes().SetGerarTagAssinatura(taNunca);
    w.Gerador().Opcoes().SetFormatoAlerta("%ID%|%TAG%|%MSG%");
    w.EscreverNFe();
    xml = w.Gerador().ArquivoFormatoXML();
    alertas = w.Gerador().ListaDeAlertas();
    // Only the signature's values are fixed; the element is checked with the signing tests.
    std::size_t fim = xml.find("</NFe>");
    if (fim == std::string::npos) return false;
    std::string documento = xml;
    documento.insert(fim, exemplos::Assinatura(w.ChaveAcesso()));
    return Xmllint(documento) == 0;
  }
  bool TemAlerta(const std::string& inicio) const {
    return std::any_of(alertas.begin(), alertas.end(), [&](const std::string& a) { return a.rfind(inicio, 0) == 0; });
  }
  std::string Alertas() const {
    std::string r;
    for (const auto& a : alertas) r += a + "\n";
    return r;
  }
  std::string Grupo(const std::string& tag) const {
    std::size_t a = xml.find("<" + tag);
    if (a == std::string::npos) return "";
    std::size_t b = xml.find("</" + tag + ">", a);
    return b == std::string::npos ? "" : xml.substr(a, b + tag.size() + 3 - a);
  }

  TNFe n;
  std::string xml;
  std::vector<std::string> alertas;
};

TEST_F(NFeWSchemaGrupos, BaseDocumentIsAcceptedWithoutAlerts) {
  EXPECT_TRUE(Aceito()) << saida << xml;
  EXPECT_TRUE(alertas.empty()) << Alertas();
}

// ---- ICMS groups the layout has, and codes without a group -----------------------------------

TEST_F(NFeWSchemaGrupos, St60OfLayout400GoesToIcmsSt) {
  icms().CST = cstIcmsST60;
  icms().vBCSTRet = 100;
  icms().vICMSSTRet = 18;
  icms().vBCSTDest = 50;
  icms().vICMSSTDest = 9;
  EXPECT_TRUE(Aceito()) << saida << Grupo("ICMS");
  EXPECT_NE(Grupo("ICMS").find("<ICMSST><orig>0</orig><CST>60</CST><vBCSTRet>100.00</vBCSTRet>"), std::string::npos)
      << Grupo("ICMS");
  EXPECT_EQ(xml.find("<ICMS60>"), std::string::npos);
  EXPECT_TRUE(alertas.empty()) << Alertas();
}

struct CasoSemGrupo {
  TfscCSTIcms cst;
  const char* nome;
};

class CstSemGrupo : public NFeWSchemaGrupos, public ::testing::WithParamInterface<CasoSemGrupo> {};

TEST_P(CstSemGrupo, RecordsInvalidContentAndWritesNoSubGroup) {
  icms().CST = GetParam().cst;
  Aceito();
  EXPECT_TRUE(TemAlerta("N12|CST|Conteúdo inválido")) << Alertas();
  EXPECT_EQ(Grupo("ICMS"), "<ICMS></ICMS>") << xml;
}

// The empty CST is an item without ICMS, which PL_010e takes: the reform tests cover it.
INSTANTIATE_TEST_SUITE_P(Codigos, CstSemGrupo,
                         ::testing::Values(CasoSemGrupo{cstIcms80, "80"}, CasoSemGrupo{cstIcms81, "81"},
                                           CasoSemGrupo{cstIcms45, "45"}, CasoSemGrupo{cstIcms90b, "OutraUF90"},
                                           CasoSemGrupo{cstIcmsSN, "SN"}),
                         [](const auto& i) { return std::string(i.param.nome); });

TEST_F(NFeWSchemaGrupos, EmptyCsosnRecordsInvalidContentAndWritesNoSubGroup) {
  n.Emit.CRT = crt1;
  icms().CSOSN = csosn0;
  Aceito();
  EXPECT_TRUE(TemAlerta("N12a|CSOSN|Conteúdo inválido")) << Alertas();
  EXPECT_EQ(Grupo("ICMS"), "<ICMS></ICMS>") << xml;
  icms().CSOSN = csosn102;
  EXPECT_TRUE(Aceito()) << saida;
  EXPECT_TRUE(alertas.empty()) << Alertas();
}

// ---- PISST and COFINSST: one group, of one form ------------------------------------------------

TEST_F(NFeWSchemaGrupos, SubstitutionContributionsWithBothFormsWriteOnlyTheRateForm) {
  TPISST& p = item().Imposto.PISST;
  p.vBC = 10;
  p.pPIS = D(1.65);
  p.qBCProd = 2;
  p.vAliqProd = 1;
  p.vPIS = D(0.17);
  TCOFINSST& c = item().Imposto.COFINSST;
  c.vBC = 10;
  c.pCOFINS = D(7.6);
  c.vAliqProd = 1;
  c.vCOFINS = D(0.76);
  EXPECT_TRUE(Aceito()) << saida << Grupo("imposto");
  EXPECT_EQ(Grupo("PISST"), "<PISST><vBC>10.00</vBC><pPIS>1.6500</pPIS><vPIS>0.17</vPIS></PISST>");
  EXPECT_EQ(Grupo("COFINSST"), "<COFINSST><vBC>10.00</vBC><pCOFINS>7.6000</pCOFINS><vCOFINS>0.76</vCOFINS></COFINSST>");
  // The conflict is flagged once per group; the document itself is what the layout accepts.
  EXPECT_TRUE(TemAlerta("R01|PISST|")) << Alertas();
  EXPECT_TRUE(TemAlerta("T01|COFINSST|")) << Alertas();
  EXPECT_EQ(alertas.size(), 2u) << Alertas();
  p.qBCProd = 0;
  p.vAliqProd = 0;
  c.vAliqProd = 0;
  EXPECT_TRUE(Aceito()) << saida << Grupo("imposto");
  EXPECT_TRUE(alertas.empty()) << Alertas();
}

TEST_F(NFeWSchemaGrupos, SubstitutionContributionsByQuantityAreAccepted) {
  TPISST& p = item().Imposto.PISST;
  p.qBCProd = 2;
  p.vAliqProd = D(0.5);
  p.vPIS = 1;
  EXPECT_TRUE(Aceito()) << saida << Grupo("imposto");
  EXPECT_EQ(Grupo("PISST"), "<PISST><qBCProd>2.0000</qBCProd><vAliqProd>0.5000</vAliqProd><vPIS>1.00</vPIS></PISST>");
  EXPECT_TRUE(alertas.empty()) << Alertas();
}

TEST_F(NFeWSchemaGrupos, SubstitutionValueWithoutEitherFormIsFlaggedNotLost) {
  item().Imposto.PISST.vPIS = 5;
  item().Imposto.COFINSST.vCOFINS = 7;
  Aceito();
  EXPECT_TRUE(TemAlerta("R01|PISST|Conteúdo inválido")) << Alertas();
  EXPECT_TRUE(TemAlerta("T01|COFINSST|Conteúdo inválido")) << Alertas();
  EXPECT_EQ(xml.find("<PISST>"), std::string::npos);
  EXPECT_EQ(xml.find("<COFINSST>"), std::string::npos);
}

// ---- Amounts as the document shows them --------------------------------------------------------

TEST_F(NFeWSchemaGrupos, AmountsThatRoundToZeroOpenNoGroup) {
  icms().CST = cstIcms00;
  icms().vBC = 10;
  icms().pICMS = 18;
  icms().vICMS = D(1.8);
  icms().vFCP = D(0.004);
  item().Imposto.PISST.vPIS = D(0.004);
  EXPECT_TRUE(Aceito()) << saida;
  EXPECT_EQ(Grupo("ICMS00").find("FCP"), std::string::npos) << Grupo("ICMS00");
  EXPECT_EQ(xml.find("<PISST>"), std::string::npos);
  EXPECT_TRUE(alertas.empty()) << Alertas();
  icms().vFCP = D(0.005);  // rounds to 0.01: a real amount
  EXPECT_TRUE(Aceito()) << saida;
  EXPECT_NE(Grupo("ICMS00").find("<vFCP>0.01</vFCP>"), std::string::npos) << Grupo("ICMS00");
}

TEST_F(NFeWSchemaGrupos, NegativeAmountsAreFlagged) {
  item().Prod.vProd = -10;
  n.Total.ICMSTot.vProd = -10;
  EXPECT_FALSE(Aceito());
  EXPECT_TRUE(TemAlerta("I11|vProd|Conteúdo inválido")) << Alertas();
  EXPECT_TRUE(TemAlerta("W07|vProd|Conteúdo inválido")) << Alertas();
}

// ---- Additional information and card data ------------------------------------------------------

TEST_F(NFeWSchemaGrupos, ObservationFieldNamesAreTrimmedAndEscaped) {
  TobsContCollectionItem& c = n.InfAdic.obsCont.New();
  c.xCampo = "  Pedido \"A\" ";
  c.xTexto = "42";
  TobsFiscoCollectionItem& f = n.InfAdic.obsFisco.New();
  f.xCampo = " Processo ";
  f.xTexto = "7";
  EXPECT_TRUE(Aceito()) << saida << Grupo("infAdic");
  EXPECT_NE(xml.find("<obsCont xCampo=\"Pedido &quot;A&quot;\"><xTexto>42</xTexto></obsCont>"), std::string::npos)
      << Grupo("infAdic");
  EXPECT_NE(xml.find("<obsFisco xCampo=\"Processo\"><xTexto>7</xTexto></obsFisco>"), std::string::npos)
      << Grupo("infAdic");
  EXPECT_TRUE(alertas.empty()) << Alertas();
}

TEST_F(NFeWSchemaGrupos, CardBrandAndAuthorizationGoWithoutTheAcquirerCnpj) {
  TpagCollectionItem& p = n.pag[0];
  p.tPag = tPag03;
  p.tpIntegra = tpIntegra2;
  p.tBand = tBand02;
  p.cAut = "AUT123";
  EXPECT_TRUE(Aceito()) << saida << Grupo("pag");
  EXPECT_EQ(Grupo("card"), "<card><tpIntegra>2</tpIntegra><tBand>02</tBand><cAut>AUT123</cAut></card>");
  // Without brand or authorization the group keeps the integration type alone.
  p.tBand = tBand01;
  p.cAut = "";
  EXPECT_TRUE(Aceito()) << saida;
  EXPECT_EQ(Grupo("card"), "<card><tpIntegra>2</tpIntegra></card>");
  p.CNPJ = "11444777000161";
  EXPECT_TRUE(Aceito()) << saida;
  EXPECT_EQ(Grupo("card"), "<card><tpIntegra>2</tpIntegra><CNPJ>11444777000161</CNPJ><tBand>01</tBand></card>");
}

// ---- Places and item numbers -------------------------------------------------------------------

TEST_F(NFeWSchemaGrupos, PickUpPlaceIsNormalisedWithItsOwnCountry) {
  TLocal& r = n.Retirada;
  r.CNPJCPF = "12345678909";
  r.xLgr = "RUA B";
  r.nro = "5";
  r.xBairro = "DISTRITO";
  r.cMun = 3550308;
  r.xMun = "SAO PAULO";
  r.UF = "SP";
  EXPECT_TRUE(Aceito()) << saida << Grupo("retirada");
  EXPECT_NE(Grupo("retirada").find("<cMun>3550308</cMun><xMun>SAO PAULO</xMun><UF>SP</UF>"), std::string::npos)
      << Grupo("retirada");
  r.cPais = 5850;
  r.xPais = "PARAGUAI";
  EXPECT_TRUE(Aceito()) << saida << Grupo("retirada");
  EXPECT_NE(Grupo("retirada").find("<cMun>9999999</cMun><xMun>EXTERIOR</xMun><UF>EX</UF>"), std::string::npos)
      << Grupo("retirada");
}

struct CasoNumeros {
  int primeiro, segundo;
  bool alerta;
};

class NumerosDeItem : public NFeWSchemaGrupos, public ::testing::WithParamInterface<CasoNumeros> {};

TEST_P(NumerosDeItem, OutOfRangeOrRepeatedNumbersAreFlagged) {
  item().Prod.nItem = GetParam().primeiro;
  NovoItem(GetParam().segundo);
  n.Total.ICMSTot.vProd = 20;
  n.Total.ICMSTot.vNF = 20;
  n.pag[0].vPag = 20;
  const bool aceito = Aceito();
  EXPECT_EQ(TemAlerta("H02|nItem|Conteúdo inválido"), GetParam().alerta) << Alertas();
  if (!GetParam().alerta) {
    EXPECT_TRUE(aceito) << saida;
    EXPECT_TRUE(alertas.empty()) << Alertas();
  }
}

INSTANTIATE_TEST_SUITE_P(Casos, NumerosDeItem,
                         ::testing::Values(CasoNumeros{1, 2, false}, CasoNumeros{2, 990, false},
                                           CasoNumeros{0, 1, true}, CasoNumeros{1, 1, true},
                                           CasoNumeros{1, 991, true}, CasoNumeros{-1, 2, true}));

}  // namespace
}  // namespace tuim
