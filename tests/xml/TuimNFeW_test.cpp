#include "xml/TuimNFeW.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "fiscal/TuimDateTime.h"
#include "fiscal/fscAuxiliar.h"
#include "testing/NFeConstrutor.h"

namespace tuim {
namespace {

namespace fs = std::filesystem;

const std::string kNS = "xmlns=\"http://www.portalfiscal.inf.br/nfe\"";
// Keys of the base document: SP, May 2024, CNPJ 11222333000181, series 1, number 123, code 12345678.
const std::string kChave55 = "35240511222333000181550010000001231123456785";
const std::string kChave65 = "35240511222333000181650010000001231123456788";
const std::string kChaveAvulsa = "35240511444777000161550010000001231123456785";
const std::string kChaveRef = "35240511222333000181550010000001239123456780";

// Text of the first element `tag` (with its tags), or "" when absent.
std::string Grupo(const std::string& xml, const std::string& tag) {
  std::size_t ini = xml.find("<" + tag + ">");
  if (ini == std::string::npos) return "";
  std::size_t fim = xml.find("</" + tag + ">", ini);
  if (fim == std::string::npos) return "";
  return xml.substr(ini, fim + tag.size() + 3 - ini);
}

std::size_t Ocorrencias(const std::string& s, const std::string& sub) {
  std::size_t n = 0;
  for (std::size_t p = s.find(sub); p != std::string::npos; p = s.find(sub, p + sub.size())) ++n;
  return n;
}

class NFeW : public ::testing::Test {
protected:
  void SetUp() override {
    fuso.Assign(ConfiguracaoFusoHorario());
    // Offsets by the state table, so that results do not depend on the machine's zone.
    ConfiguracaoFusoHorario().SetModoDeteccao(tzFSC);
    Preencher(nfe);
  }
  void TearDown() override { ConfiguracaoFusoHorario().Assign(fuso); }

  // A valid NF-e 4.00 of a São Paulo issuer to a São Paulo company.
  static void Preencher(TNFe& n) {
    teste::Cabecalho(n);
    n.Ide.indFinal = indFinal1;
    // The parties' documents and phone as typed, which the writer must strip.
    teste::Emitente(n);
    n.Emit.CNPJCPF = "11.222.333/0001-81";
    n.Emit.xFant = "EMITENTE";
    n.Emit.EnderEmit.nro = "100";
    n.Emit.EnderEmit.fone = "(11) 3333-4444";
    n.Emit.IE = "110.042.490.114";
    teste::Destinatario(n);
    n.Dest.indIEDest = indIEDest9;
    n.Dest.IE = "";
  }

  bool Escrever() {
    ok = w.EscreverNFe();
    xml = w.Gerador().ArquivoFormatoXML();
    return ok;
  }
  const std::vector<std::string>& Alertas() const { return w.Gerador().ListaDeAlertas(); }
  bool TemAlerta(const std::string& trecho) const {
    return std::any_of(Alertas().begin(), Alertas().end(),
                       [&](const std::string& a) { return a.find(trecho) != std::string::npos; });
  }
  std::string TodosAlertas() const {
    std::string s;
    for (const auto& a : Alertas()) s += a + "\n";
    return s;
  }

  TTimeZoneConf fuso;
  TNFe nfe;
  TNFeW w{&nfe};
  bool ok = false;
  std::string xml;
};

// ---- Options and set-up --------------------------------------------------------------------

TEST(NFeWOpcoes, DefaultsAreThoseOfTheLayoutWriter) {
  TNFeW::TGeradorOpcoes o;
  EXPECT_TRUE(o.AjustarTagNro());
  EXPECT_TRUE(o.GerarTagIPIparaNaoTributado());
  EXPECT_FALSE(o.GerarTXTSimultaneamente());
  EXPECT_FALSE(o.NormatizarMunicipios());
  EXPECT_EQ(o.GerarTagAssinatura(), taSomenteSeAssinada);
  EXPECT_EQ(o.PathArquivoMunicipios(), "");
  EXPECT_FALSE(o.ValidarInscricoes());
  EXPECT_FALSE(o.ValidarListaServicos());
  EXPECT_TRUE(o.CamposFatObrigatorios());
  EXPECT_EQ(o.ForcarGerarTagRejeicao938(), fgtNunca);
}

TEST(NFeWCriacao, GeneratorKeepsTheEnvelopeOutOfTheAlertPath) {
  TNFe n;
  TNFeW w(&n);
  EXPECT_EQ(w.Gerador().PrefixosSemCaminho(), "|?xml version|NFe xmlns|infNFe versao|obsCont|obsFisco|");
  EXPECT_EQ(w.NFe(), &n);
  EXPECT_EQ(w.IdCSRT(), 0);
  EXPECT_EQ(w.CSRT(), "");
}

TEST(NFeWSemDocumento, WritesNothingAndFails) {
  TNFe n;
  TNFeW w(&n);
  n.Ide.cUF = 35;
  w.EscreverNFe();
  ASSERT_FALSE(w.Gerador().ArquivoFormatoXML().empty());
  w.SetNFe(nullptr);
  EXPECT_FALSE(w.EscreverNFe());
  EXPECT_EQ(w.Gerador().ArquivoFormatoXML(), "");
  EXPECT_TRUE(w.Gerador().ListaDeAlertas().empty());
  EXPECT_EQ(w.ChaveAcesso(), "");
}

// ---- Key, Id and envelope ------------------------------------------------------------------

TEST_F(NFeW, KeyIdCodeAndCheckDigitComeFromTheDocument) {
  EXPECT_TRUE(Escrever()) << TodosAlertas();
  EXPECT_EQ(w.ChaveAcesso(), kChave55);
  EXPECT_EQ(nfe.infNFe.ID, "NFe" + kChave55);
  EXPECT_EQ(nfe.Ide.cDV, 5);
  EXPECT_EQ(nfe.Ide.cNF, 12345678);
  EXPECT_EQ(xml.rfind("<NFe " + kNS + "><infNFe versao=\"4.00\" Id=\"NFe" + kChave55 + "\"><ide>", 0), 0u) << xml;
  EXPECT_EQ(xml.substr(xml.size() - 15), "</infNFe></NFe>");
}

TEST_F(NFeW, SecondRunGivesTheSameKeyAndFreshOutputs) {
  nfe.Emit.CNPJCPF = "123";  // invalid: one alert set
  Escrever();
  const std::string primeiro = xml;
  const std::size_t alertas = Alertas().size();
  ASSERT_GT(alertas, 0u);
  Escrever();
  EXPECT_EQ(xml, primeiro);
  EXPECT_EQ(Alertas().size(), alertas);
  nfe.Emit.CNPJCPF = "11222333000181";
  EXPECT_TRUE(Escrever()) << TodosAlertas();
  EXPECT_EQ(nfe.infNFe.ID, "NFe" + kChave55);
}

TEST_F(NFeW, ZeroNumericCodeIsDrawnOnceAndKeptByTheDocument) {
  nfe.Ide.cNF = 0;
  Escrever();
  const std::string chave = w.ChaveAcesso();
  ASSERT_EQ(chave.size(), 44u);
  EXPECT_TRUE(ValidarChaveAcesso(chave));
  EXPECT_EQ(nfe.Ide.cNF, std::stoi(chave.substr(35, 8)));
  EXPECT_NE(xml.find("<cNF>" + chave.substr(35, 8) + "</cNF>"), std::string::npos);
  Escrever();
  EXPECT_EQ(w.ChaveAcesso(), chave);
}

TEST_F(NFeW, AvulsaCnpjIsTheIssuerPartOfTheKey) {
  nfe.Avulsa.CNPJ = "11444777000161";
  Escrever();
  EXPECT_EQ(w.ChaveAcesso(), kChaveAvulsa);
}

TEST_F(NFeW, EmissionTypeGoesIntoTheKey) {
  nfe.Ide.tpEmis = teOffLine;
  Escrever();
  EXPECT_EQ(w.ChaveAcesso().substr(34, 1), "9");
  EXPECT_NE(xml.find("<tpEmis>9</tpEmis>"), std::string::npos);
}

TEST_F(NFeW, ProtocolNumberOpensTheProcessedForm) {
  nfe.procNFe.nProt = "135240000000001";
  Escrever();
  EXPECT_EQ(xml.rfind("<nfeProc versao=\"4.00\" " + kNS + "><NFe " + kNS + "><infNFe versao=\"4.00\" Id=\"NFe" +
                          kChave55 + "\">",
                      0),
            0u)
      << xml;
}

TEST_F(NFeW, NoProtocolNoProcessedForm) {
  Escrever();
  EXPECT_EQ(xml.find("nfeProc"), std::string::npos);
}

TEST_F(NFeW, IndentedOutputStartsAtTheLeftMarginOnEveryRun) {
  w.Gerador().Opcoes().SetIdentarXML(true);
  const std::string inicio = "<NFe " + kNS + ">\r\n   <infNFe versao=\"4.00\" Id=\"NFe" + kChave55 +
                             "\">\r\n      <ide>\r\n         <cUF>35</cUF>\r\n";
  Escrever();
  EXPECT_EQ(xml.rfind(inicio, 0), 0u) << xml.substr(0, 200);
  Escrever();
  EXPECT_EQ(xml.rfind(inicio, 0), 0u) << xml.substr(0, 200);
}

struct CasoVersao {
  double versao;
  const char* atributo;
  const char* texto;
  bool v310;
};
class NFeWVersao : public NFeW, public ::testing::WithParamInterface<CasoVersao> {};

TEST_P(NFeWVersao, VersionAttributeAndTextFollowTheDocument) {
  nfe.infNFe.versao = GetParam().versao;
  Escrever();
  EXPECT_NE(xml.find(std::string("<infNFe ") + GetParam().atributo + " Id=\"NFe"), std::string::npos) << xml;
  EXPECT_EQ(w.VersaoTexto(), GetParam().texto);
  EXPECT_EQ(w.Versao310OuSuperior(), GetParam().v310);
}

INSTANTIATE_TEST_SUITE_P(Versoes, NFeWVersao,
                         ::testing::Values(CasoVersao{0, "versao=\"2.00\"", "2.00", false},
                                           CasoVersao{-1, "versao=\"2.00\"", "2.00", false},
                                           CasoVersao{2.00, "versao=\"2.00\"", "2.00", false},
                                           CasoVersao{3.00, "versao=\"3.00\"", "3.00", false},
                                           CasoVersao{3.10, "versao=\"3.10\"", "3.10", true},
                                           CasoVersao{4.00, "versao=\"4.00\"", "4.00", true}));

TEST(NFeWComparacao, VersionsCompareInHundredths) {
  TNFe n;
  TNFeW w(&n);
  n.infNFe.versao = 3.1;
  n.Ide.cUF = 35;
  w.EscreverNFe();
  EXPECT_TRUE(w.VersaoAoMenos(3.10));
  EXPECT_TRUE(w.VersaoAcima(3));
  EXPECT_FALSE(w.VersaoAoMenos(4));
  EXPECT_TRUE(w.VersaoAbaixo(4));
  EXPECT_DOUBLE_EQ(w.Versao(), 3.10);
}

// ---- ide -----------------------------------------------------------------------------------

TEST_F(NFeW, IdeOfLayout400) {
  nfe.Ide.dSaiEnt = EncodeDateTime(2024, 5, 11, 8, 0, 0);
  EXPECT_TRUE(Escrever()) << TodosAlertas();
  EXPECT_EQ(Grupo(xml, "ide"),
            "<ide><cUF>35</cUF><cNF>12345678</cNF><natOp>VENDA</natOp><mod>55</mod><serie>1</serie>"
            "<nNF>123</nNF><dhEmi>2024-05-10T10:20:30-03:00</dhEmi><dhSaiEnt>2024-05-11T08:00:00-03:00</dhSaiEnt>"
            "<tpNF>1</tpNF><idDest>1</idDest><cMunFG>3550308</cMunFG><tpImp>1</tpImp><tpEmis>1</tpEmis>"
            "<cDV>5</cDV><tpAmb>1</tpAmb><finNFe>1</finNFe><indFinal>1</indFinal><indPres>1</indPres>"
            "<procEmi>0</procEmi><verProc>Tuim 1.0</verProc></ide>");
}

TEST_F(NFeW, IdeOfLayout310HasIndPagAfterNatOp) {
  nfe.infNFe.versao = 3.10;
  nfe.Ide.indPag = indPag1;
  EXPECT_TRUE(Escrever()) << TodosAlertas();
  EXPECT_EQ(Grupo(xml, "ide"),
            "<ide><cUF>35</cUF><cNF>12345678</cNF><natOp>VENDA</natOp><indPag>1</indPag><mod>55</mod>"
            "<serie>1</serie><nNF>123</nNF><dhEmi>2024-05-10T10:20:30-03:00</dhEmi>"
            "<tpNF>1</tpNF><idDest>1</idDest><cMunFG>3550308</cMunFG><tpImp>1</tpImp><tpEmis>1</tpEmis>"
            "<cDV>5</cDV><tpAmb>1</tpAmb><finNFe>1</finNFe><indFinal>1</indFinal><indPres>1</indPres>"
            "<procEmi>0</procEmi><verProc>Tuim 1.0</verProc></ide>");
}

TEST_F(NFeW, IdeOfLayout200UsesDatesWithoutOffset) {
  nfe.infNFe.versao = 0;
  nfe.Ide.dSaiEnt = EncodeDate(2024, 5, 11);
  nfe.Ide.hSaiEnt = EncodeDateTime(1899, 12, 30, 8, 15, 0);
  EXPECT_TRUE(Escrever()) << TodosAlertas();
  EXPECT_EQ(Grupo(xml, "ide"),
            "<ide><cUF>35</cUF><cNF>12345678</cNF><natOp>VENDA</natOp><indPag>0</indPag><mod>55</mod>"
            "<serie>1</serie><nNF>123</nNF><dEmi>2024-05-10</dEmi><dSaiEnt>2024-05-11</dSaiEnt>"
            "<hSaiEnt>08:15:00</hSaiEnt><tpNF>1</tpNF><cMunFG>3550308</cMunFG><tpImp>1</tpImp>"
            "<tpEmis>1</tpEmis><cDV>5</cDV><tpAmb>1</tpAmb><finNFe>1</finNFe><procEmi>0</procEmi>"
            "<verProc>Tuim 1.0</verProc></ide>");
}

TEST_F(NFeW, IdeOfLayout300HasOffsetsButIndPag) {
  nfe.infNFe.versao = 3.00;
  Escrever();
  const std::string ide = Grupo(xml, "ide");
  EXPECT_NE(ide.find("<natOp>VENDA</natOp><indPag>0</indPag><mod>"), std::string::npos) << ide;
  EXPECT_NE(ide.find("<dhEmi>2024-05-10T10:20:30-03:00</dhEmi>"), std::string::npos);
  EXPECT_NE(ide.find("<idDest>1</idDest>"), std::string::npos);
  EXPECT_NE(ide.find("<indFinal>1</indFinal><indPres>1</indPres>"), std::string::npos);
}

TEST_F(NFeW, NfceHasNoExitDate) {
  nfe.Ide.modelo = 65;
  nfe.Ide.dSaiEnt = EncodeDateTime(2024, 5, 11, 8, 0, 0);
  Escrever();
  EXPECT_EQ(xml.find("dhSaiEnt"), std::string::npos);
  EXPECT_EQ(w.ChaveAcesso(), kChave65);
}

TEST_F(NFeW, ContingencyWithOffsetFromLayout300) {
  nfe.Ide.tpEmis = teSVCAN;
  nfe.Ide.dhCont = EncodeDateTime(2024, 5, 10, 9, 0, 0);
  nfe.Ide.xJust = "FALHA NA COMUNICACAO COM A SEFAZ";
  Escrever();
  EXPECT_NE(xml.find("<verProc>Tuim 1.0</verProc><dhCont>2024-05-10T09:00:00-03:00</dhCont>"
                     "<xJust>FALHA NA COMUNICACAO COM A SEFAZ</xJust></ide>"),
            std::string::npos)
      << Grupo(xml, "ide");
}

TEST_F(NFeW, ContingencyWithoutOffsetBelowLayout300) {
  nfe.infNFe.versao = 2.00;
  nfe.Ide.dhCont = EncodeDateTime(2024, 5, 10, 9, 0, 0);
  nfe.Ide.xJust = "FALHA NA COMUNICACAO COM A SEFAZ";
  EXPECT_TRUE(Escrever()) << TodosAlertas();
  EXPECT_NE(xml.find("<dhCont>2024-05-10T09:00:00</dhCont><xJust>"), std::string::npos) << Grupo(xml, "ide");
}

TEST_F(NFeW, JustificationAloneStillWritesContingencyTime) {
  nfe.Ide.xJust = "SEM DATA";
  Escrever();
  EXPECT_NE(xml.find("<dhCont>1899-12-30T00:00:00"), std::string::npos);
  EXPECT_NE(xml.find("<xJust>SEM DATA</xJust>"), std::string::npos);
}

TEST_F(NFeW, InvalidStateAndMunicipalityCodesAreFlagged) {
  w.Gerador().Opcoes().SetFormatoAlerta("%ID%|%TAG%|%DESCRICAO%|%MSG%");
  nfe.Ide.cMunFG = 3550309;
  EXPECT_FALSE(Escrever());
  EXPECT_TRUE(TemAlerta("B12|cMunFG|Código do Município FG|Conteúdo inválido")) << TodosAlertas();
  nfe.Ide.cMunFG = 3550308;
  nfe.Ide.cUF = 10;
  EXPECT_FALSE(Escrever());
  EXPECT_TRUE(TemAlerta("B02|cUF|Código do UF (Unidade da Federação)|Conteúdo inválido")) << TodosAlertas();
}

// ---- NFref ---------------------------------------------------------------------------------

void PreencherReferencias(TNFe& n) {
  teste::Referencias(n);
  n.Ide.NFref[2].RefNFP.CNPJCPF = "123.456.789-09";
  n.Ide.NFref[3].refCTe = kChaveRef;
}

const std::string kReferencias =
    "<NFref><refNFe>" + kChaveRef + "</refNFe></NFref>"
    "<NFref><refNF><cUF>35</cUF><AAMM>2404</AAMM><CNPJ>11222333000181</CNPJ><mod>01</mod><serie>2</serie>"
    "<nNF>456</nNF></refNF></NFref>"
    "<NFref><refNFP><cUF>35</cUF><AAMM>2403</AAMM><CPF>12345678909</CPF><IE>110042490114</IE><mod>04</mod>"
    "<serie>0</serie><nNF>789</nNF></refNFP></NFref>"
    "<NFref><refCTe>" + kChaveRef + "</refCTe></NFref>"
    "<NFref><refECF><mod>2D</mod><nECF>001</nECF><nCOO>004321</nCOO></refECF></NFref>";

TEST_F(NFeW, EveryFormOfReferenceAtTheEndOfIdeFromLayout300) {
  PreencherReferencias(nfe);
  EXPECT_TRUE(Escrever()) << TodosAlertas();
  EXPECT_NE(xml.find("<verProc>Tuim 1.0</verProc>" + kReferencias + "</ide>"), std::string::npos)
      << Grupo(xml, "ide");
}

TEST_F(NFeW, ReferencesFollowTheMunicipalityBelowLayout300) {
  nfe.infNFe.versao = 2.00;
  PreencherReferencias(nfe);
  EXPECT_TRUE(Escrever()) << TodosAlertas();
  EXPECT_NE(xml.find("<cMunFG>3550308</cMunFG>" + kReferencias + "<tpImp>1</tpImp>"), std::string::npos)
      << Grupo(xml, "ide");
}

TEST_F(NFeW, OneReferenceHoldsEveryFilledForm) {
  TNFrefCollectionItem& r = nfe.Ide.NFref.New();
  r.refNFe = kChaveRef;
  r.refCTe = kChaveRef;
  Escrever();
  EXPECT_NE(xml.find("<NFref><refNFe>" + kChaveRef + "</refNFe><refCTe>" + kChaveRef + "</refCTe></NFref>"),
            std::string::npos);
}

TEST_F(NFeW, BadReferencesAreFlaggedWithTheirOwnTexts) {
  w.Gerador().Opcoes().SetFormatoAlerta("%ID%|%TAG%|%MSG%");
  nfe.Ide.NFref.New().refNFe = kChaveRef.substr(0, 43) + "1";
  TRefNF& nf = nfe.Ide.NFref.New().RefNF;
  nf.cUF = 99;
  nf.AAMM = "2413";
  nf.CNPJ = "11222333000181";
  nf.modelo = 55;
  nf.serie = 1;
  nf.nNF = 1;
  TRefNFP& nfp = nfe.Ide.NFref.New().RefNFP;
  nfp.cUF = 35;
  nfp.AAMM = "ab12";
  nfp.CNPJCPF = "12345678900";
  nfp.IE = "ISENTO";
  nfp.modelo = "04";
  nfp.nNF = 5;
  nfe.Ide.NFref.New().refCTe = "123";
  EXPECT_FALSE(Escrever());
  EXPECT_TRUE(TemAlerta("B13|refNFe|Conteúdo inválido"));
  EXPECT_TRUE(TemAlerta("B15|cUF|Conteúdo inválido"));
  EXPECT_TRUE(TemAlerta("B16|AAMM|Periodo inválido"));
  EXPECT_TRUE(TemAlerta("B18|mod|Modelo de documento inválido"));
  EXPECT_TRUE(TemAlerta("B20c|AAMM|Periodo inválido"));
  EXPECT_TRUE(TemAlerta("B20e|CPF|Conteúdo inválido"));
  EXPECT_TRUE(TemAlerta("B20i|refCTe|Conteúdo inválido"));
  EXPECT_TRUE(TemAlerta("B20i|refCTe|Tamanho menor que o mínimo permitido [123]")) << TodosAlertas();
  EXPECT_NE(xml.find("<refCTe>123</refCTe>"), std::string::npos);
}

TEST_F(NFeW, MoreThan500ReferencesAreAllWrittenThenFlagged) {
  w.Gerador().Opcoes().SetFormatoAlerta("%ID%|%TAG%|%DESCRICAO%|%MSG%");
  for (int i = 0; i < 501; ++i) nfe.Ide.NFref.New().refNFe = kChaveRef;
  EXPECT_FALSE(Escrever());
  EXPECT_EQ(Ocorrencias(xml, "<NFref>"), 501u);
  ASSERT_EQ(Alertas().size(), 1u) << TodosAlertas();
  EXPECT_EQ(Alertas()[0],
            "B12a|NFref|Quantidade de Documento Fiscal|Número de ocorrências maior que o máximo permitido - Máximo 500");
}

TEST_F(NFeW, FiveHundredReferencesAreAllowed) {
  for (int i = 0; i < 500; ++i) nfe.Ide.NFref.New().refNFe = kChaveRef;
  EXPECT_TRUE(Escrever()) << TodosAlertas();
}

// ---- emit ----------------------------------------------------------------------------------

TEST_F(NFeW, EmitWithItsAddress) {
  nfe.Emit.EnderEmit.xCpl = "SALA 2";
  nfe.Emit.IEST = "123456";
  nfe.Emit.IM = "998877";
  nfe.Emit.CNAE = "4711301";
  EXPECT_TRUE(Escrever()) << TodosAlertas();
  EXPECT_EQ(Grupo(xml, "emit"),
            "<emit><CNPJ>11222333000181</CNPJ><xNome>EMPRESA EMITENTE LTDA</xNome><xFant>EMITENTE</xFant>"
            "<enderEmit><xLgr>RUA DAS FLORES</xLgr><nro>100</nro><xCpl>SALA 2</xCpl><xBairro>CENTRO</xBairro>"
            "<cMun>3550308</cMun><xMun>SAO PAULO</xMun><UF>SP</UF><CEP>01001000</CEP><cPais>1058</cPais>"
            "<xPais>BRASIL</xPais><fone>1133334444</fone></enderEmit><IE>110042490114</IE><IEST>123456</IEST>"
            "<IM>998877</IM><CNAE>4711301</CNAE><CRT>3</CRT></emit>");
}

TEST_F(NFeW, EmitCountryIsAlwaysBrazil) {
  nfe.Emit.EnderEmit.cPais = 5850;
  nfe.Emit.EnderEmit.xPais = "PARAGUAI";
  Escrever();
  const std::string end = Grupo(xml, "enderEmit");
  EXPECT_NE(end.find("<cMun>3550308</cMun><xMun>SAO PAULO</xMun><UF>SP</UF>"), std::string::npos) << end;
  EXPECT_NE(end.find("<cPais>1058</cPais><xPais>PARAGUAI</xPais>"), std::string::npos) << end;
}

TEST_F(NFeW, EmitCnaeOnlyWithMunicipalRegistration) {
  nfe.Emit.CNAE = "4711301";
  Escrever();
  EXPECT_EQ(xml.find("CNAE"), std::string::npos);
}

TEST_F(NFeW, EmitByCpfAndExemptIe) {
  nfe.Emit.CNPJCPF = "123.456.789-09";
  nfe.Emit.IE = "ISENTO";
  Escrever();
  EXPECT_NE(xml.find("<emit><CPF>12345678909</CPF><xNome>"), std::string::npos);
  EXPECT_NE(xml.find("</enderEmit><IE>ISENTO</IE><CRT>3</CRT></emit>"), std::string::npos) << Grupo(xml, "emit");
}

struct CasoDocumento {
  const char* documento;
  const char* alerta;
};
class NFeWDocumentoEmit : public NFeW, public ::testing::WithParamInterface<CasoDocumento> {};

TEST_P(NFeWDocumentoEmit, BadIssuerDocumentIsFlagged) {
  w.Gerador().Opcoes().SetFormatoAlerta("%ID%|%TAG%|%MSG%");
  nfe.Emit.CNPJCPF = GetParam().documento;
  EXPECT_FALSE(Escrever());
  EXPECT_TRUE(TemAlerta(GetParam().alerta)) << TodosAlertas();
}

INSTANTIATE_TEST_SUITE_P(Documentos, NFeWDocumentoEmit,
                         ::testing::Values(CasoDocumento{"11222333000182", "C02|CNPJ|Conteúdo inválido"},
                                           CasoDocumento{"12345678900", "C02a|CPF|Conteúdo inválido"},
                                           CasoDocumento{"", "C02|CNPJ|Conteúdo inválido"},
                                           CasoDocumento{"1122233300018", "C02|CNPJ|Conteúdo inválido"}));

struct CasoIE {
  const char* ie;
  TfscProcEmi procEmi;
  bool validar;
  const char* alerta;  // "" for none
};
class NFeWIEEmit : public NFeW, public ::testing::WithParamInterface<CasoIE> {};

TEST_P(NFeWIEEmit, IssuerIeIsCheckedOnlyWhenAsked) {
  w.Gerador().Opcoes().SetFormatoAlerta("%ID%|%TAG%|%DESCRICAO%|%MSG%");
  w.Opcoes().SetValidarInscricoes(GetParam().validar);
  nfe.Emit.IE = GetParam().ie;
  nfe.Ide.procEmi = GetParam().procEmi;
  Escrever();
  if (*GetParam().alerta) {
    EXPECT_TRUE(TemAlerta(GetParam().alerta)) << TodosAlertas();
  } else {
    EXPECT_FALSE(TemAlerta("C17|")) << TodosAlertas();
  }
}

INSTANTIATE_TEST_SUITE_P(
    Inscricoes, NFeWIEEmit,
    ::testing::Values(CasoIE{"110042490114", procEmi0, true, ""}, CasoIE{"ISENTO", procEmi0, true, ""},
                      CasoIE{"110042490115", procEmi0, true, "C17|IE|Inscrição Estadual|Conteúdo inválido"},
                      CasoIE{"110042490115", procEmi0, false, ""}, CasoIE{"110042490115", procEmi1, true, ""},
                      CasoIE{"", procEmi0, true, "C17|IE|Inscrição Estadual|Nenhum valor informado"},
                      CasoIE{"", procEmi1, true, ""}, CasoIE{"", procEmi0, false, ""}));

TEST_F(NFeW, EmptyIssuerIeIsAnEmptyElement) {
  nfe.Emit.IE = "";
  EXPECT_TRUE(Escrever()) << TodosAlertas();
  EXPECT_NE(xml.find("</enderEmit><IE/><CRT>"), std::string::npos) << Grupo(xml, "emit");
}

TEST_F(NFeW, BadIssuerStateIsFlagged) {
  w.Gerador().Opcoes().SetFormatoAlerta("%TAGNIVEL%|%ID%|%TAG%|%DESCRICAO%|%MSG%");
  nfe.Emit.EnderEmit.UF = "XX";
  EXPECT_FALSE(Escrever());
  EXPECT_TRUE(TemAlerta("<emit><enderEmit>|C12|UF|Sigla da UF|Conteúdo inválido")) << TodosAlertas();
}

struct CasoNro {
  bool ajustar;
  const char* nro;
  const char* escrito;
};
class NFeWNro : public NFeW, public ::testing::WithParamInterface<CasoNro> {};

TEST_P(NFeWNro, ShortNumbersAreZeroFilledOnlyWhenAsked) {
  w.Opcoes().SetAjustarTagNro(GetParam().ajustar);
  nfe.Emit.EnderEmit.nro = GetParam().nro;
  nfe.Dest.EnderDest.nro = GetParam().nro;
  Escrever();
  const std::string esperado = std::string("<nro>") + GetParam().escrito + "</nro>";
  EXPECT_NE(Grupo(xml, "enderEmit").find(esperado), std::string::npos) << xml;
  EXPECT_NE(Grupo(xml, "enderDest").find(esperado), std::string::npos) << xml;
}

INSTANTIATE_TEST_SUITE_P(Numeros, NFeWNro,
                         ::testing::Values(CasoNro{true, "7", "007"}, CasoNro{false, "7", "7"},
                                           CasoNro{true, "12", "012"}, CasoNro{true, " 7 ", "007"},
                                           CasoNro{true, "A7", "A7"}, CasoNro{false, "A7", "A7"},
                                           CasoNro{true, "123", "123"}, CasoNro{true, "SN", "SN"}));

// ---- avulsa --------------------------------------------------------------------------------

TEST_F(NFeW, AvulsaAfterEmit) {
  TAvulsa& a = nfe.Avulsa;
  a.CNPJ = "11444777000161";
  a.xOrgao = "SECRETARIA DA FAZENDA";
  a.matr = "12345";
  a.xAgente = "FULANO DE TAL";
  a.fone = "11-3000-0000";
  a.UF = "SP";
  a.nDAR = "DAR1";
  a.dEmi = EncodeDate(2024, 5, 9);
  a.vDAR = TCurrency::FromDouble(150.5);
  a.repEmi = "POSTO FISCAL";
  a.dPag = EncodeDate(2024, 5, 10);
  EXPECT_TRUE(Escrever()) << TodosAlertas();
  EXPECT_NE(xml.find("</emit><avulsa><CNPJ>11444777000161</CNPJ><xOrgao>SECRETARIA DA FAZENDA</xOrgao>"
                     "<matr>12345</matr><xAgente>FULANO DE TAL</xAgente><fone>1130000000</fone><UF>SP</UF>"
                     "<nDAR>DAR1</nDAR><dEmi>2024-05-09</dEmi><vDAR>150.50</vDAR><repEmi>POSTO FISCAL</repEmi>"
                     "<dPag>2024-05-10</dPag></avulsa><dest>"),
            std::string::npos)
      << xml;
}

TEST_F(NFeW, BlankAvulsaCnpjWritesNoAvulsa) {
  nfe.Avulsa.CNPJ = "   ";
  nfe.Avulsa.xOrgao = "ORGAO";
  Escrever();
  EXPECT_EQ(xml.find("avulsa"), std::string::npos);
  EXPECT_EQ(w.ChaveAcesso(), kChave55);
}

TEST_F(NFeW, AvulsaRequiredFieldsAndStateAreChecked) {
  w.Gerador().Opcoes().SetFormatoAlerta("%ID%|%TAG%|%MSG%");
  nfe.Avulsa.CNPJ = "11444777000161";
  nfe.Avulsa.UF = "ZZ";
  EXPECT_FALSE(Escrever());
  EXPECT_TRUE(TemAlerta("D03|xOrgao|Nenhum valor informado")) << TodosAlertas();
  EXPECT_TRUE(TemAlerta("D07|UF|Conteúdo inválido"));
  EXPECT_TRUE(TemAlerta("D11|repEmi|Nenhum valor informado"));
  EXPECT_FALSE(TemAlerta("D08|"));
}

// ---- dest ----------------------------------------------------------------------------------

TEST_F(NFeW, DestOfLayout400) {
  nfe.Dest.IE = "";
  nfe.Dest.email = "cliente@example.com";
  nfe.Dest.EnderDest.fone = "11 5555-6666";
  EXPECT_TRUE(Escrever()) << TodosAlertas();
  EXPECT_EQ(Grupo(xml, "dest"),
            "<dest><CNPJ>11444777000161</CNPJ><xNome>CLIENTE LTDA</xNome><enderDest><xLgr>AV PAULISTA</xLgr>"
            "<nro>1000</nro><xBairro>BELA VISTA</xBairro><cMun>3550308</cMun><xMun>SAO PAULO</xMun><UF>SP</UF>"
            "<CEP>01310100</CEP><cPais>1058</cPais><xPais>BRASIL</xPais><fone>1155556666</fone></enderDest>"
            "<indIEDest>9</indIEDest><email>cliente@example.com</email></dest>");
}

TEST_F(NFeW, DestInHomologationAlwaysHasTheFixedName) {
  nfe.Ide.tpAmb = taHomologacao;
  Escrever();
  EXPECT_NE(xml.find("<xNome>NF-E EMITIDA EM AMBIENTE DE HOMOLOGACAO - SEM VALOR FISCAL</xNome><enderDest>"),
            std::string::npos);
  EXPECT_EQ(xml.find("CLIENTE LTDA"), std::string::npos);
}

TEST_F(NFeW, NfceWithoutRecipientHasNoDest) {
  nfe.Ide.modelo = 65;
  nfe.Dest = TDest();
  EXPECT_TRUE(Escrever()) << TodosAlertas();
  EXPECT_EQ(xml.find("<dest>"), std::string::npos);
}

TEST_F(NFeW, NfceWithOnlyCpfHasDestWithoutAddress) {
  nfe.Ide.modelo = 65;
  nfe.Dest = TDest();
  nfe.Dest.CNPJCPF = "12345678909";
  nfe.Dest.indIEDest = indIEDest9;
  EXPECT_TRUE(Escrever()) << TodosAlertas();
  EXPECT_EQ(Grupo(xml, "dest"), "<dest><CPF>12345678909</CPF><indIEDest>9</indIEDest></dest>");
}

TEST_F(NFeW, NfceWithAddressWritesIt) {
  nfe.Ide.modelo = 65;
  nfe.Dest.CNPJCPF = "12345678909";
  nfe.Dest.xNome = "";
  Escrever();
  EXPECT_NE(xml.find("<dest><CPF>12345678909</CPF><enderDest><xLgr>AV PAULISTA</xLgr>"), std::string::npos)
      << Grupo(xml, "dest");
}

TEST_F(NFeW, NfceRecipientAbroadIsWrittenWithForeignId) {
  nfe.Ide.modelo = 65;
  nfe.Dest = TDest();
  nfe.Dest.EnderDest.UF = "EX";
  nfe.Dest.indIEDest = indIEDest9;
  Escrever();
  EXPECT_EQ(Grupo(xml, "dest"), "<dest><indIEDest>9</indIEDest></dest>");
}

TEST_F(NFeW, ForeignRecipientGetsForeignIdAndExteriorMunicipality) {
  TDest& d = nfe.Dest;
  d.CNPJCPF = "";
  d.idEstrangeiro = "AB123456";
  d.EnderDest.cPais = 5860;
  d.EnderDest.xPais = "PARAGUAI";
  d.EnderDest.CEP = 0;
  EXPECT_TRUE(Escrever()) << TodosAlertas();
  EXPECT_EQ(Grupo(xml, "dest"),
            "<dest><idEstrangeiro>AB123456</idEstrangeiro><xNome>CLIENTE LTDA</xNome><enderDest>"
            "<xLgr>AV PAULISTA</xLgr><nro>1000</nro><xBairro>BELA VISTA</xBairro><cMun>9999999</cMun>"
            "<xMun>EXTERIOR</xMun><UF>EX</UF><cPais>5860</cPais><xPais>PARAGUAI</xPais></enderDest>"
            "<indIEDest>9</indIEDest></dest>");
}

TEST_F(NFeW, AnyCountryButBrazilMovesTheRecipientAbroad) {
  nfe.Dest.EnderDest.cPais = 5850;
  Escrever();
  EXPECT_NE(Grupo(xml, "enderDest").find("<cMun>9999999</cMun><xMun>EXTERIOR</xMun><UF>EX</UF><CEP>01310100</CEP>"
                                         "<cPais>5850</cPais>"),
            std::string::npos)
      << xml;
}

TEST_F(NFeW, ForeignCountryAloneGivesAnEmptyForeignId) {
  nfe.Dest.idEstrangeiro = "";
  nfe.Dest.EnderDest.cPais = 5850;
  Escrever();
  EXPECT_NE(xml.find("<dest><idEstrangeiro/><xNome>"), std::string::npos) << Grupo(xml, "dest");
  EXPECT_EQ(Grupo(xml, "dest").find("<CNPJ>"), std::string::npos);
}

TEST_F(NFeW, ForeignIdNeedsLayout300) {
  nfe.infNFe.versao = 2.00;
  nfe.Dest.idEstrangeiro = "AB123456";
  Escrever();
  EXPECT_EQ(xml.find("idEstrangeiro"), std::string::npos);
  EXPECT_NE(xml.find("<dest><CNPJ>11444777000161</CNPJ>"), std::string::npos);
}

TEST_F(NFeW, UnlistedCountryIsFlagged) {
  w.Gerador().Opcoes().SetFormatoAlerta("%ID%|%TAG%|%DESCRICAO%|%MSG%");
  nfe.Dest.EnderDest.cPais = 1059;
  EXPECT_FALSE(Escrever());
  EXPECT_TRUE(TemAlerta("E14|cPais|Código do País|Conteúdo inválido")) << TodosAlertas();
}

TEST_F(NFeW, IndIEDestIsResetBelowLayout310) {
  nfe.infNFe.versao = 3.00;
  nfe.Dest.indIEDest = indIEDest2;
  nfe.Dest.IE = "110042490114";
  Escrever();
  EXPECT_EQ(nfe.Dest.indIEDest, indIEDest1);
  EXPECT_EQ(xml.find("indIEDest"), std::string::npos);
  // Reset first, so the exempt code no longer hides the IE.
  EXPECT_NE(xml.find("</enderDest><IE>110042490114</IE></dest>"), std::string::npos) << Grupo(xml, "dest");
}

TEST_F(NFeW, IndIEDestIsKeptFromLayout310) {
  nfe.infNFe.versao = 3.10;
  nfe.Dest.indIEDest = indIEDest2;
  Escrever();
  EXPECT_EQ(nfe.Dest.indIEDest, indIEDest2);
  EXPECT_NE(xml.find("</enderDest><indIEDest>2</indIEDest></dest>"), std::string::npos) << Grupo(xml, "dest");
}

struct CasoIEDest {
  double versao;
  int modelo;
  TfscIndIEDest ind;
  const char* ie;
  const char* esperado;  // what follows </enderDest> (or the CPF for model 65) up to </dest>
};
class NFeWIEDest : public NFeW, public ::testing::WithParamInterface<CasoIEDest> {};

TEST_P(NFeWIEDest, RecipientIeFollowsIndicatorVersionAndModel) {
  nfe.infNFe.versao = GetParam().versao;
  nfe.Ide.modelo = GetParam().modelo;
  nfe.Dest.indIEDest = GetParam().ind;
  nfe.Dest.IE = GetParam().ie;
  if (GetParam().modelo == 65) {
    nfe.Dest.CNPJCPF = "12345678909";
    nfe.Dest.xNome = "";
    nfe.Dest.EnderDest.xLgr = "";
  }
  Escrever();
  const std::string dest = Grupo(xml, "dest");
  const std::string marca = GetParam().modelo == 65 ? "</CPF>" : "</enderDest>";
  const std::size_t p = dest.find(marca);
  ASSERT_NE(p, std::string::npos) << dest;
  EXPECT_EQ(dest.substr(p + marca.size()), GetParam().esperado) << dest;
}

INSTANTIATE_TEST_SUITE_P(
    Inscricoes, NFeWIEDest,
    ::testing::Values(CasoIEDest{4.00, 55, indIEDest1, "110.042.490.114", "<indIEDest>1</indIEDest><IE>110042490114</IE></dest>"},
                      CasoIEDest{4.00, 55, indIEDest2, "110042490114", "<indIEDest>2</indIEDest></dest>"},
                      CasoIEDest{4.00, 55, indIEDest9, "", "<indIEDest>9</indIEDest></dest>"},
                      CasoIEDest{4.00, 55, indIEDest1, "ISENTO", "<indIEDest>1</indIEDest><IE>ISENTO</IE></dest>"},
                      CasoIEDest{2.00, 55, indIEDest9, "", "<IE/></dest>"},
                      CasoIEDest{2.00, 55, indIEDest1, "ISENTO", "<IE>ISENTO</IE></dest>"},
                      CasoIEDest{4.00, 55, indIEDest9, "  ", "<indIEDest>9</indIEDest><IE/></dest>"},
                      CasoIEDest{4.00, 65, indIEDest9, "  ", "<indIEDest>9</indIEDest></dest>"},
                      CasoIEDest{4.00, 65, indIEDest1, "110042490114", "<indIEDest>1</indIEDest><IE>110042490114</IE></dest>"}));

TEST_F(NFeW, RecipientIeIsCheckedAgainstItsWrittenState) {
  w.Gerador().Opcoes().SetFormatoAlerta("%ID%|%TAG%|%DESCRICAO%|%MSG%");
  w.Opcoes().SetValidarInscricoes(true);
  nfe.Dest.indIEDest = indIEDest1;
  nfe.Dest.IE = "110042490114";
  EXPECT_TRUE(Escrever()) << TodosAlertas();
  nfe.Dest.EnderDest.UF = "RJ";  // not an IE of Rio de Janeiro
  nfe.Dest.EnderDest.cMun = 3304557;
  Escrever();
  EXPECT_TRUE(TemAlerta("E17|IE|Inscrição Estadual|Conteúdo inválido")) << TodosAlertas();
  w.Opcoes().SetValidarInscricoes(false);
  EXPECT_TRUE(Escrever()) << TodosAlertas();
}

TEST_F(NFeW, RecipientIeHiddenByIndicatorIsNotChecked) {
  w.Gerador().Opcoes().SetFormatoAlerta("%ID%|%TAG%|%MSG%");
  w.Opcoes().SetValidarInscricoes(true);
  nfe.Dest.indIEDest = indIEDest2;
  nfe.Dest.IE = "999";
  EXPECT_TRUE(Escrever()) << TodosAlertas();
}

TEST_F(NFeW, SuframaIsCheckedWhenAsked) {
  w.Gerador().Opcoes().SetFormatoAlerta("%ID%|%TAG%|%DESCRICAO%|%MSG%");
  nfe.Dest.ISUF = "123456780";
  nfe.Dest.IM = "5544";
  Escrever();
  EXPECT_NE(xml.find("<indIEDest>9</indIEDest><ISUF>123456780</ISUF><IM>5544</IM></dest>"), std::string::npos)
      << Grupo(xml, "dest");
  EXPECT_FALSE(TemAlerta("E18|"));
  w.Opcoes().SetValidarInscricoes(true);
  nfe.Dest.ISUF = "123456789";  // right check digit
  Escrever();
  EXPECT_FALSE(TemAlerta("E18|")) << TodosAlertas();
  nfe.Dest.ISUF = "123456780";
  nfe.Dest.indIEDest = indIEDest2;  // the SUFRAMA check runs even without the IE field
  Escrever();
  EXPECT_TRUE(TemAlerta("E18|ISUF|Inscrição na SUFRAMA|Conteúdo inválido")) << TodosAlertas();
}

TEST_F(NFeW, MissingRecipientDocumentOfNFeIsFlagged) {
  w.Gerador().Opcoes().SetFormatoAlerta("%ID%|%TAG%|%MSG%");
  nfe.Dest.CNPJCPF = "";
  EXPECT_FALSE(Escrever());
  EXPECT_NE(xml.find("<dest><CNPJ>00000000000000</CNPJ>"), std::string::npos) << Grupo(xml, "dest");
  EXPECT_TRUE(TemAlerta("E02|CNPJ|Conteúdo inválido")) << TodosAlertas();
}

// ---- retirada, entrega and autXML ----------------------------------------------------------

void PreencherLocal(TLocal& l) {
  teste::Local(l);
  l.fone = "(11) 2222-3333";
  l.IE = "110.042.490.114";
}

std::string LocalEsperado(const std::string& grupo, const std::string& mun) {
  return "<" + grupo + "><CPF>12345678909</CPF><xNome>DEPOSITO</xNome><xLgr>RUA B</xLgr><nro>005</nro>"
         "<xBairro>DISTRITO</xBairro>" + mun + "<CEP>02000000</CEP><cPais>1058</cPais><xPais>BRASIL</xPais>"
         "<fone>1122223333</fone><email>deposito@example.com</email><IE>110042490114</IE></" + grupo + ">";
}

TEST_F(NFeW, PickUpAndDeliveryPlacesAfterDest) {
  PreencherLocal(nfe.Retirada);
  PreencherLocal(nfe.Entrega);
  EXPECT_TRUE(Escrever()) << TodosAlertas();
  const std::string mun = "<cMun>3550308</cMun><xMun>SAO PAULO</xMun><UF>SP</UF>";
  EXPECT_NE(xml.find("</dest>" + LocalEsperado("retirada", mun) + LocalEsperado("entrega", mun)), std::string::npos)
      << xml;
}

TEST_F(NFeW, PlacesWithoutStreetAreLeftOut) {
  PreencherLocal(nfe.Retirada);
  PreencherLocal(nfe.Entrega);
  nfe.Retirada.xLgr = " ";
  nfe.Entrega.xLgr = "";
  Escrever();
  EXPECT_EQ(xml.find("retirada"), std::string::npos);
  EXPECT_EQ(xml.find("entrega"), std::string::npos);
}

TEST_F(NFeW, PickUpFollowsItsOwnCountryDeliveryKeepsItsOwn) {
  PreencherLocal(nfe.Retirada);
  PreencherLocal(nfe.Entrega);
  nfe.Emit.EnderEmit.cPais = 5850;
  nfe.Entrega.cPais = 5850;
  Escrever();
  // A place in Brazil stays in Brazil whatever the issuer's country.
  EXPECT_NE(Grupo(xml, "retirada").find("<cMun>3550308</cMun><xMun>SAO PAULO</xMun><UF>SP</UF>"), std::string::npos)
      << Grupo(xml, "retirada");
  nfe.Emit.EnderEmit.cPais = 1058;
  nfe.Retirada.cPais = 5850;
  Escrever();
  EXPECT_NE(Grupo(xml, "retirada").find("<cMun>9999999</cMun><xMun>EXTERIOR</xMun><UF>EX</UF>"), std::string::npos)
      << Grupo(xml, "retirada");
  EXPECT_NE(Grupo(xml, "entrega").find("<cMun>3550308</cMun><xMun>SAO PAULO</xMun><UF>SP</UF>"), std::string::npos)
      << Grupo(xml, "entrega");
}

TEST_F(NFeW, PlaceDocumentIsNotZeroFilledAndExemptIeIsKept) {
  PreencherLocal(nfe.Entrega);
  nfe.Entrega.CNPJCPF = "1234";
  nfe.Entrega.IE = "ISENTO";
  nfe.Entrega.nro = "5";
  w.Opcoes().SetAjustarTagNro(false);
  Escrever();
  const std::string ent = Grupo(xml, "entrega");
  EXPECT_NE(ent.find("<entrega><CPF>1234</CPF>"), std::string::npos) << ent;
  EXPECT_NE(ent.find("<nro>5</nro>"), std::string::npos) << ent;
  EXPECT_NE(ent.find("<IE>ISENTO</IE></entrega>"), std::string::npos) << ent;
}

TEST_F(NFeW, PlaceAlertsUseTheirGroupIds) {
  w.Gerador().Opcoes().SetFormatoAlerta("%ID%|%TAG%|%MSG%");
  PreencherLocal(nfe.Retirada);
  PreencherLocal(nfe.Entrega);
  nfe.Retirada.UF = "QQ";
  nfe.Entrega.cMun = 1;
  nfe.Entrega.cPais = 1059;
  nfe.Entrega.IE = "1";
  EXPECT_FALSE(Escrever());
  EXPECT_TRUE(TemAlerta("F09|UF|Conteúdo inválido")) << TodosAlertas();
  EXPECT_TRUE(TemAlerta("G07|cMun|Conteúdo inválido"));
  EXPECT_TRUE(TemAlerta("G11|cPais|Conteúdo inválido"));
  EXPECT_TRUE(TemAlerta("G15|IE|Tamanho menor que o mínimo permitido [1]"));
}

TEST_F(NFeW, AuthorisedReadersAfterThePlaces) {
  nfe.autXML.New().CNPJCPF = "11444777000161";
  nfe.autXML.New().CNPJCPF = "123.456.789-09";
  PreencherLocal(nfe.Entrega);
  EXPECT_TRUE(Escrever()) << TodosAlertas();
  EXPECT_NE(xml.find("</entrega><autXML><CNPJ>11444777000161</CNPJ></autXML><autXML><CPF>12345678909</CPF>"
                     "</autXML><total>"),
            std::string::npos)
      << xml;
}

TEST_F(NFeW, MoreThanTenAuthorisedReadersAreFlagged) {
  w.Gerador().Opcoes().SetFormatoAlerta("%ID%|%TAG%|%DESCRICAO%|%MSG%");
  for (int i = 0; i < 11; ++i) nfe.autXML.New().CNPJCPF = "11444777000161";
  EXPECT_FALSE(Escrever());
  EXPECT_EQ(Ocorrencias(xml, "<autXML>"), 11u);
  ASSERT_EQ(Alertas().size(), 1u) << TodosAlertas();
  EXPECT_EQ(Alertas()[0], "G50|autXML||Número de ocorrências maior que o máximo permitido - Máximo 10");
  nfe.autXML.Clear();
  for (int i = 0; i < 10; ++i) nfe.autXML.New().CNPJCPF = "11444777000161";
  EXPECT_TRUE(Escrever()) << TodosAlertas();
}

// ---- Municipality file ---------------------------------------------------------------------

class NFeWMunicipios : public NFeW {
protected:
  void SetUp() override {
    NFeW::SetUp();
    pasta = fs::temp_directory_path() / ("tuim-nfew-" + std::to_string(::getpid()) + "-" +
                                         ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::create_directories(pasta);
    std::ofstream(pasta / "MunIBGE-UF35.txt", std::ios::binary) << "3550308 SAO PAULO\n3509502 CAMPINAS\n";
    std::ofstream(pasta / "MunIBGE-UF33.txt", std::ios::binary) << "3304557 RIO DE JANEIRO\n";
    w.Opcoes().SetPathArquivoMunicipios(pasta.string());
  }
  void TearDown() override {
    std::error_code ec;
    fs::remove_all(pasta, ec);
    NFeW::TearDown();
  }
  fs::path pasta;
};

TEST_F(NFeWMunicipios, CodesAndNamesAreCompletedFromTheFile) {
  w.Opcoes().SetNormatizarMunicipios(true);
  nfe.Emit.EnderEmit.cMun = 0;
  nfe.Emit.EnderEmit.xMun = "Campinas";
  nfe.Dest.EnderDest.cMun = 3304557;
  nfe.Dest.EnderDest.xMun = "";
  nfe.Dest.EnderDest.UF = "RJ";
  PreencherLocal(nfe.Retirada);
  nfe.Retirada.cMun = 3550308;
  nfe.Retirada.xMun = "";
  PreencherLocal(nfe.Entrega);
  nfe.Entrega.cMun = 3550308;
  nfe.Entrega.xMun = "";
  Escrever();
  EXPECT_NE(Grupo(xml, "enderEmit").find("<cMun>3509502</cMun><xMun>Campinas</xMun>"), std::string::npos) << xml;
  EXPECT_NE(Grupo(xml, "enderDest").find("<cMun>3304557</cMun><xMun>RIO DE JANEIRO</xMun><UF>RJ</UF>"),
            std::string::npos)
      << xml;
  EXPECT_NE(Grupo(xml, "retirada").find("<cMun>3550308</cMun><xMun>SAO PAULO</xMun>"), std::string::npos) << xml;
  // Delivery places keep what the document holds.
  EXPECT_NE(Grupo(xml, "entrega").find("<cMun>3550308</cMun><xMun/><UF>SP</UF>"), std::string::npos) << xml;
  // The document itself is left as it was.
  EXPECT_EQ(nfe.Emit.EnderEmit.cMun, 0);
  EXPECT_EQ(nfe.Dest.EnderDest.xMun, "");
}

TEST_F(NFeWMunicipios, NothingIsLookedUpWhenOff) {
  nfe.Emit.EnderEmit.cMun = 0;
  nfe.Emit.EnderEmit.xMun = "CAMPINAS";
  nfe.Dest.EnderDest.xMun = "";
  Escrever();
  EXPECT_NE(Grupo(xml, "enderEmit").find("<cMun>0</cMun><xMun>CAMPINAS</xMun>"), std::string::npos) << xml;
  EXPECT_NE(Grupo(xml, "enderDest").find("<cMun>3550308</cMun><xMun/><UF>SP</UF>"), std::string::npos) << xml;
}

TEST_F(NFeWMunicipios, AbroadIsNeverLookedUp) {
  w.Opcoes().SetNormatizarMunicipios(true);
  nfe.Dest.EnderDest.cPais = 5850;
  nfe.Dest.EnderDest.cMun = 0;
  nfe.Dest.EnderDest.xMun = "";
  Escrever();
  EXPECT_NE(Grupo(xml, "enderDest").find("<cMun>9999999</cMun><xMun>EXTERIOR</xMun><UF>EX</UF>"),
            std::string::npos)
      << xml;
}

TEST_F(NFeWMunicipios, UnknownNameLeavesAnInvalidCode) {
  w.Gerador().Opcoes().SetFormatoAlerta("%ID%|%TAG%|%MSG%");
  w.Opcoes().SetNormatizarMunicipios(true);
  nfe.Emit.EnderEmit.cMun = 0;
  nfe.Emit.EnderEmit.xMun = "CIDADE QUE NAO HA";
  EXPECT_FALSE(Escrever());
  EXPECT_TRUE(TemAlerta("C10|cMun|Conteúdo inválido")) << TodosAlertas();
}

// ---- Alert format --------------------------------------------------------------------------

TEST_F(NFeW, DefaultAlertFormatShowsTheGroupPath) {
  nfe.Dest.EnderDest.UF = "XX";
  Escrever();
  ASSERT_EQ(Alertas().size(), 1u) << TodosAlertas();
  EXPECT_EQ(Alertas()[0], "TAG:<dest><enderDest> ID:E12/UF(Sigla da UF) - Conteúdo inválido.");
}

}  // namespace
}  // namespace tuim
