#include "xml/TuimGerador.h"

#include <gtest/gtest.h>

#include <string>

#include "fiscal/TuimCurrency.h"
#include "fiscal/TuimDateTime.h"

namespace tuim {
namespace {

const std::string kMaior = "Tamanho maior que o máximo permitido";
const std::string kMenor = "Tamanho menor que o mínimo permitido";

TEST(Gerador, EmptyRequiredNatOpGivesTheDocumentedAlertLine) {
  TGerador g;
  g.EscreverGrupo("ide", "B01");
  g.EscreverCampo(fcTexto, "B04", "natOp", 1, 60, 1, "", "Descrição da Natureza da Operação");
  g.EscreverGrupo("/ide");
  ASSERT_EQ(g.ListaDeAlertas().size(), 1u);
  EXPECT_EQ(g.ListaDeAlertas()[0],
            "TAG:<ide> ID:B04/natOp(Descrição da Natureza da Operação) - Nenhum valor informado.");
  EXPECT_EQ(g.ArquivoFormatoXML(), "<ide><natOp/></ide>");
  EXPECT_EQ(g.CaminhoGrupos(), "");
}

TEST(Gerador, EmptyRequiredTextWithMinZeroWritesEmptyElementWithoutAlert) {
  TGerador g;
  g.EscreverCampo(fcTexto, "X", "xNome", 0, 60, 1, "   ");
  EXPECT_EQ(g.ArquivoFormatoXML(), "<xNome/>");
  EXPECT_TRUE(g.ListaDeAlertas().empty());
}

TEST(Gerador, LongFormOfEmptyElementWhenShortFormIsOff) {
  TGerador g;
  g.Opcoes().SetTagVaziaNoFormatoResumido(false);
  g.EscreverCampo(fcTexto, "X", "xNome", 0, 60, 1, "", "", true, "a=\"1\"");
  EXPECT_EQ(g.ArquivoFormatoXML(), "<xNome a=\"1\"></xNome>");
}

TEST(Gerador, TextLongerThanMaxIsWrittenInFullWithBracketedAlert) {
  TGerador g;
  std::string texto(61, 'x');
  g.EscreverCampo(fcTexto, "B04", "natOp", 1, 60, 1, texto, "Natureza");
  EXPECT_EQ(g.ArquivoFormatoXML(), "<natOp>" + texto + "</natOp>");
  ASSERT_EQ(g.ListaDeAlertas().size(), 1u);
  EXPECT_EQ(g.ListaDeAlertas()[0], "TAG: ID:B04/natOp(Natureza) - " + kMaior + " [" + texto + "].");
}

TEST(Gerador, TextShorterThanMinRecordsBracketedAlert) {
  TGerador g;
  g.EscreverCampo(fcTexto, "C1", "UF", 2, 2, 1, "M");
  ASSERT_EQ(g.ListaDeAlertas().size(), 1u);
  EXPECT_EQ(g.ListaDeAlertas()[0], "TAG: ID:C1/UF() - " + kMenor + " [M].");
}

TEST(Gerador, Decimal2WithMin1Max15AcceptsSixteenCharacters) {
  TGerador g;
  g.EscreverCampo(fcDecimal2, "W16", "vNF", 1, 15, 1, "1234567890123.45");
  EXPECT_EQ(g.ArquivoFormatoXML(), "<vNF>1234567890123.45</vNF>");
  EXPECT_TRUE(g.ListaDeAlertas().empty());
  g.EscreverCampo(fcDecimal2, "W16", "vNF", 1, 15, 1, "12345678901234.5");
  ASSERT_EQ(g.ListaDeAlertas().size(), 1u);
  EXPECT_EQ(g.ListaDeAlertas()[0], "TAG: ID:W16/vNF() - " + kMaior + " [12345678901234.50].");
}

struct DecimalCase {
  TValorCampo valor;
  TFormatoCampo tipo;
  bool suprimir;
  const char* esperado;
};

class GeradorDecimal : public ::testing::TestWithParam<DecimalCase> {};

TEST_P(GeradorDecimal, RoundsHalfAwayFromZeroFromTheDecimalValue) {
  const DecimalCase& c = GetParam();
  TGerador g;
  g.Opcoes().SetSuprimirDecimais(c.suprimir);
  g.EscreverCampo(c.tipo, "", "v", 0, 30, 1, c.valor);
  EXPECT_EQ(g.ArquivoFormatoXML(), std::string("<v>") + c.esperado + "</v>");
}

INSTANTIATE_TEST_SUITE_P(
    Casos, GeradorDecimal,
    ::testing::Values(
        DecimalCase{TCurrency::FromRaw(100050), fcDecimal2, false, "10.01"},    // 10.005
        DecimalCase{TCurrency::FromRaw(-100050), fcDecimal2, false, "-10.01"},  // -10.005
        DecimalCase{TCurrency::FromRaw(100049), fcDecimal2, false, "10.00"},
        DecimalCase{1.005, fcDecimal2, false, "1.01"},  // the double just below 1.005
        DecimalCase{2.675, fcDecimal2, false, "2.68"},
        DecimalCase{-0.001, fcDecimal2, false, "0.00"},  // never "-0.00"
        DecimalCase{TCurrency::FromRaw(-40), fcDecimal2, false, "0.00"},
        DecimalCase{9.995, fcDecimal2, false, "10.00"},
        DecimalCase{999.9999, fcDecimal3, false, "1000.000"},
        DecimalCase{TCurrency::FromRaw(12345), fcDecimal10, false, "1.2345000000"},
        DecimalCase{"0,1234565", fcDecimal6, false, "0.123457"},
        DecimalCase{"abc", fcDecimal2, false, "0.00"},
        DecimalCase{12, fcDecimal2, false, "12.00"},
        DecimalCase{12, fcDecimal2, true, "12"},
        DecimalCase{12.5, fcDecimal2, true, "12.50"},
        DecimalCase{12.5, fcDecimal2, false, "12.50"},
        DecimalCase{TCurrency(3), fcDecimal4, true, "3"},
        DecimalCase{-7, fcDecimal3, false, "-7.000"}));

TEST(Gerador, DecimalCharReplacesThePoint) {
  TGerador g;
  g.Opcoes().SetDecimalChar(',');
  g.EscreverCampo(fcDecimal2, "", "v", 0, 15, 1, TCurrency::FromRaw(15000));
  EXPECT_EQ(g.ArquivoFormatoXML(), "<v>1,50</v>");
}

TEST(Gerador, OptionalZeroNumbersWriteNothingRequiredOnesWriteZero) {
  TGerador g;
  g.EscreverCampo(fcInteiro, "", "a", 1, 3, 0, 0);
  g.EscreverCampo(fcDecimal2, "", "b", 1, 15, 0, TCurrency());
  g.EscreverCampo(fcDecimal2, "", "c", 1, 15, 0, 0.004);  // rounds to 0.00: absent
  EXPECT_EQ(g.ArquivoFormatoXML(), "");
  g.EscreverCampo(fcInteiro, "", "a", 1, 3, 1, 0);
  g.EscreverCampo(fcDecimal2, "", "b", 1, 15, 1, TCurrency());
  EXPECT_EQ(g.ArquivoFormatoXML(), "<a>0</a><b>0.00</b>");
  EXPECT_TRUE(g.ListaDeAlertas().empty());
}

TEST(Gerador, OptionalDecimalThatRoundsAwayFromZeroIsWritten) {
  TGerador g;
  g.EscreverCampo(fcDecimal2, "", "c", 1, 15, 0, 0.005);
  EXPECT_EQ(g.ArquivoFormatoXML(), "<c>0.01</c>");
}

TEST(Gerador, LeftFillUpToMin) {
  TGerador g;
  g.EscreverCampo(fcInteiro, "", "serie", 3, 3, 1, 7);
  g.EscreverCampo(fcInteiro, "", "n", 4, 4, 1, -5);
  g.EscreverCampo(fcTextoZeros, "", "cNF", 8, 8, 1, " 123 ");
  g.EscreverCampo(fcDecimal2, "", "v", 5, 15, 1, 1.5);  // Min raised to 6
  g.EscreverCampo(fcTexto, "", "t", 3, 5, 1, "7");     // plain text is not filled
  EXPECT_EQ(g.ArquivoFormatoXML(), "<serie>007</serie><n>-005</n><cNF>00000123</cNF><v>001.50</v><t>7</t>");
  ASSERT_EQ(g.ListaDeAlertas().size(), 1u);
  EXPECT_EQ(g.ListaDeAlertas()[0], "TAG: ID:/t() - " + kMenor + " [7].");
}

TEST(Gerador, IntegerFromTextAndFromValuesThatDoNotConvert) {
  TGerador g;
  g.EscreverCampo(fcInteiro, "", "a", 1, 9, 1, " 42 ");
  g.EscreverCampo(fcInteiro, "", "b", 1, 9, 1, "x1");
  g.EscreverCampo(fcInteiro, "", "c", 1, 9, 1, TCurrency::FromRaw(25000));  // 2.5
  EXPECT_EQ(g.ArquivoFormatoXML(), "<a>42</a><b>0</b><c>3</c>");
}

TEST(Gerador, DigitsFieldFlagsNonDigitText) {
  TGerador g;
  g.EscreverCampo(fcDigitos, "C", "CEP", 8, 8, 1, "7800-000", "CEP");
  EXPECT_EQ(g.ArquivoFormatoXML(), "<CEP>7800-000</CEP>");
  ASSERT_EQ(g.ListaDeAlertas().size(), 1u);
  EXPECT_EQ(g.ListaDeAlertas()[0], "TAG: ID:C/CEP(CEP) - Conteúdo inválido.");
  g.ListaDeAlertas().clear();
  g.EscreverCampo(fcDigitos, "C", "CEP", 8, 8, 0, "");
  EXPECT_TRUE(g.ListaDeAlertas().empty());
}

TEST(Gerador, EscapingAndLineBreaksInTextFields) {
  TGerador g;
  g.EscreverCampo(fcTexto, "", "x", 0, 60, 1, "A & B < C > \"D\" 'E'");
  EXPECT_EQ(g.ArquivoFormatoXML(), "<x>A &amp; B &lt; C &gt; &quot;D&quot; &#39;E&#39;</x>");
  g.SetArquivoFormatoXML("");
  g.EscreverCampo(fcTexto, "", "x", 0, 60, 1, "linha 1\r\nlinha 2\rlinha 3\nfim");
  EXPECT_EQ(g.ArquivoFormatoXML(), "<x>linha 1;linha 2;linha 3;fim</x>");
  g.SetArquivoFormatoXML("");
  g.EscreverCampo(fcTexto, "", "x", 0, 60, 1, "A & <b>\r\nc", "", false);
  EXPECT_EQ(g.ArquivoFormatoXML(), "<x>A & <b>\r\nc</x>");
}

TEST(Gerador, AccentsAndRepeatedSpacesFollowTheOptions) {
  TGerador g;
  g.EscreverCampo(fcTexto, "", "x", 0, 60, 1, "Ação   Ótima");
  EXPECT_EQ(g.ArquivoFormatoXML(), "<x>Acao Otima</x>");
  g.SetArquivoFormatoXML("");
  g.Opcoes().SetRetirarAcentos(false);
  g.Opcoes().SetRetirarEspacos(false);
  g.EscreverCampo(fcTexto, "", "x", 0, 60, 1, "Ação   Ótima");
  EXPECT_EQ(g.ArquivoFormatoXML(), "<x>Ação   Ótima</x>");
}

TEST(Gerador, SizesAreCountedBeforeEscaping) {
  TGerador g;
  g.EscreverCampo(fcTexto, "", "x", 1, 3, 1, "a&b");
  EXPECT_EQ(g.ArquivoFormatoXML(), "<x>a&amp;b</x>");
  EXPECT_TRUE(g.ListaDeAlertas().empty());
}

TEST(Gerador, RawTextIsNotTrimmed) {
  TGerador g;
  g.EscreverCampo(fcTextoBruto, "", "x", 0, 60, 1, " a ", "", false);
  EXPECT_EQ(g.ArquivoFormatoXML(), "<x> a </x>");
}

TEST(Gerador, DateAndTimeKinds) {
  TGerador g;
  TDateTime dt = EncodeDateTime(2024, 3, 5, 14, 30, 45);
  g.EscreverCampo(fcDataHora, "", "a", 0, 30, 1, dt);
  g.EscreverCampo(fcData, "", "b", 0, 30, 1, dt);
  g.EscreverCampo(fcDataCompacta, "", "c", 0, 30, 1, dt);
  g.EscreverCampo(fcDataBarras, "", "d", 0, 30, 1, dt);
  g.EscreverCampo(fcHora, "", "e", 0, 30, 1, dt);
  g.EscreverCampo(fcHoraCompacta, "", "f", 0, 30, 1, dt);
  EXPECT_EQ(g.ArquivoFormatoXML(),
            "<a>2024-03-05T14:30:45</a><b>2024-03-05</b><c>20240305</c><d>05/03/2024</d>"
            "<e>14:30:45</e><f>143045</f>");
}

TEST(Gerador, ZeroDateAndMidnightCountAsEmpty) {
  TGerador g;
  g.EscreverCampo(fcData, "", "a", 0, 30, 0, 0.0);
  g.EscreverCampo(fcDataHora, "", "b", 0, 30, 0, 0.75);  // only a time on the zero date
  g.EscreverCampo(fcHora, "", "c", 0, 30, 0, EncodeDate(2024, 1, 1));
  EXPECT_EQ(g.ArquivoFormatoXML(), "");
  g.EscreverCampo(fcData, "", "a", 1, 30, 1, 0.0);
  EXPECT_EQ(g.ArquivoFormatoXML(), "<a/>");
  ASSERT_EQ(g.ListaDeAlertas().size(), 1u);
}

TEST(Gerador, LogicalValuesAreLowerCaseWords) {
  TGerador g;
  g.EscreverCampo(fcLogico, "", "a", 0, 5, 0, true);
  g.EscreverCampo(fcLogico, "", "b", 0, 5, 0, false);
  EXPECT_EQ(g.ArquivoFormatoXML(), "<a>true</a><b>false</b>");
}

TEST(Gerador, AttributeGoesIntoTheOpeningTag) {
  TGerador g;
  g.EscreverCampo(fcTexto, "", " cProd ", 0, 60, 1, "X", "", true, "  Id=\"1\" ");
  EXPECT_EQ(g.ArquivoFormatoXML(), "<cProd Id=\"1\">X</cProd>");
}

TEST(Gerador, SomenteValidarRecordsAlertsAndWritesNothing) {
  TGerador g;
  g.Opcoes().SetSomenteValidar(true);
  g.EscreverGrupo("ide", "B01");
  g.EscreverCampo(fcTexto, "B04", "natOp", 1, 60, 1, "");
  g.EscreverTexto("<x/>");
  g.EscreverGrupo("/ide");
  EXPECT_EQ(g.ArquivoFormatoXML(), "");
  ASSERT_EQ(g.ListaDeAlertas().size(), 1u);
  EXPECT_EQ(g.ListaDeAlertas()[0], "TAG:<ide> ID:B04/natOp() - Nenhum valor informado.");
}

TEST(Gerador, IndentedDocument) {
  TGerador g;
  g.Opcoes().SetIdentarXML(true);
  g.Opcoes().SetTamanhoIdentacao(2);
  g.EscreverGrupo("a");
  g.EscreverCampo(fcTexto, "", "b", 0, 9, 1, "1");
  g.EscreverCampo(fcTexto, "", "c", 0, 9, 1, "", "", true, "x=\"1\"");
  g.EscreverGrupo("d");
  g.EscreverCampo(fcInteiro, "", "e", 0, 9, 1, 5);
  g.EscreverGrupo("/d");
  g.EscreverGrupo("/a");
  EXPECT_EQ(g.ArquivoFormatoXML(),
            "<a>\r\n  <b>1</b>\r\n  <c x=\"1\"/>\r\n  <d>\r\n    <e>5</e>\r\n  </d>\r\n</a>\r\n");
  EXPECT_EQ(g.Opcoes().NivelIdentacao(), 0);
}

TEST(Gerador, GroupWithoutIndentStepKeepsTheLevel) {
  TGerador g;
  g.Opcoes().SetIdentarXML(true);
  g.EscreverGrupo("a");
  g.EscreverGrupo("b", "", false);
  g.EscreverCampo(fcTexto, "", "c", 0, 9, 1, "1");
  g.EscreverGrupo("/b", "", false);
  g.EscreverGrupo("/a");
  EXPECT_EQ(g.ArquivoFormatoXML(), "<a>\r\n   <b>\r\n   <c>1</c>\r\n   </b>\r\n</a>\r\n");
}

TEST(Gerador, PrefixosSemRecuoMovesIndentationOut) {
  TGerador g;
  g.Opcoes().SetIdentarXML(true);
  g.SetPrefixosSemRecuo("|Signature|");
  g.EscreverGrupo("a");
  g.EscreverGrupo("Signature xmlns=\"x\"");
  g.EscreverGrupo("/Signature");
  g.EscreverGrupo("/a");
  EXPECT_EQ(g.ArquivoFormatoXML(), "<a>\r\n<Signature xmlns=\"x\">\r\n</Signature>\r\n</a>\r\n");
}

TEST(Gerador, GroupPathFollowsOpenGroups) {
  TGerador g;
  g.EscreverGrupo("NFe");
  g.EscreverGrupo("det nItem=\"1\"");
  g.EscreverGrupo("prod");
  g.EscreverCampo(fcTexto, "I02", "cProd", 1, 60, 1, "");
  g.EscreverGrupo("/prod");
  g.EscreverGrupo("/det");
  g.EscreverCampo(fcTexto, "W", "x", 1, 60, 1, "");
  g.EscreverGrupo("/NFe");
  ASSERT_EQ(g.ListaDeAlertas().size(), 2u);
  EXPECT_EQ(g.ListaDeAlertas()[0], "TAG:<NFe><det nItem=\"1\"><prod> ID:I02/cProd() - Nenhum valor informado.");
  EXPECT_EQ(g.ListaDeAlertas()[1], "TAG:<NFe> ID:W/x() - Nenhum valor informado.");
  EXPECT_EQ(g.CaminhoGrupos(), "");
}

TEST(Gerador, ClosingANestedDetGroupKeepsTheItemInThePath) {
  TGerador g;
  g.EscreverGrupo("det nItem=\"1\"");
  g.EscreverGrupo("prod");
  g.EscreverGrupo("detExport");
  g.EscreverGrupo("/detExport");
  EXPECT_EQ(g.CaminhoGrupos(), "<det nItem=\"1\"><prod>");
  g.EscreverGrupo("/prod");
  g.EscreverGrupo("/det");
  EXPECT_EQ(g.CaminhoGrupos(), "");
}

TEST(Gerador, GroupWithAttributesStaysInPathUnlessListed) {
  TGerador g;
  g.EscreverGrupo("infNFe Id=\"NFe1\"");
  g.EscreverGrupo("/infNFe");
  EXPECT_EQ(g.CaminhoGrupos(), "<infNFe Id=\"NFe1\">");
  TGerador h;
  h.SetPrefixosSemCaminho("|infNFe|");
  h.EscreverGrupo("infNFe Id=\"NFe1\"");
  h.EscreverGrupo("/infNFe");
  EXPECT_EQ(h.CaminhoGrupos(), "");
  EXPECT_EQ(h.ArquivoFormatoXML(), "<infNFe Id=\"NFe1\"></infNFe>");
}

TEST(Gerador, CustomAlertTemplateReplacesEveryMarker) {
  TGerador g;
  g.Opcoes().SetFormatoAlerta("%TAG%|%ID%|%MSG%|%DESCRICAO%|%TAG%");
  g.RegistrarAlerta("I1", "t", "  d  ", "m");
  g.RegistrarAlerta("I1", "t", "d", "   ");
  ASSERT_EQ(g.ListaDeAlertas().size(), 1u);
  EXPECT_EQ(g.ListaDeAlertas()[0], "t|I1|m|d|t");
}

struct DocCase {
  const char* documento;
  bool obrigatorio;
  bool ajustar;
  const char* xml;
  int alertas;
};

class GeradorCNPJCPF : public ::testing::TestWithParam<DocCase> {};

TEST_P(GeradorCNPJCPF, ChoosesTheElementByTheNumberOfCharacters) {
  const DocCase& c = GetParam();
  TGerador g;
  g.EscreverCampoCNPJCPF("C02", "C02a", c.documento, c.obrigatorio, c.ajustar);
  EXPECT_EQ(g.ArquivoFormatoXML(), c.xml);
  EXPECT_EQ(static_cast<int>(g.ListaDeAlertas().size()), c.alertas);
}

INSTANTIATE_TEST_SUITE_P(
    Casos, GeradorCNPJCPF,
    ::testing::Values(DocCase{"123.456.789-09", true, true, "<CPF>12345678909</CPF>", 0},
                      DocCase{"", false, true, "", 0}, DocCase{"", true, true, "<CNPJ>00000000000000</CNPJ>", 1},
                      DocCase{"1222333000181", true, true, "<CNPJ>01222333000181</CNPJ>", 1},
                      DocCase{"11.222.333/0001-81", true, true, "<CNPJ>11222333000181</CNPJ>", 0},
                      DocCase{"112223330001810", true, true, "<CNPJ>11222333000181</CNPJ>", 0},
                      DocCase{"4567", true, true, "<CPF>00000004567</CPF>", 1},
                      DocCase{"4567", true, false, "<CPF>4567</CPF>", 2},
                      DocCase{"12.ABC.345/01DE-35", true, true, "<CNPJ>12ABC34501DE35</CNPJ>", 0},
                      DocCase{"12.ABC.345/01DE-36", true, true, "<CNPJ>12ABC34501DE36</CNPJ>", 1}));

TEST(Gerador, CNPJCPFAlertsNameTheField) {
  TGerador g;
  g.EscreverCampoCNPJCPF("C02", "C02a", "123.456.789-00");
  ASSERT_EQ(g.ListaDeAlertas().size(), 1u);
  EXPECT_EQ(g.ListaDeAlertas()[0], "TAG: ID:C02a/CPF(CPF) - Conteúdo inválido.");
  g.ListaDeAlertas().clear();
  g.EscreverCampoCNPJCPF("C02", "C02a", "1234", true, false);
  ASSERT_EQ(g.ListaDeAlertas().size(), 2u);
  EXPECT_EQ(g.ListaDeAlertas()[1], "TAG: ID:C02-C02a/CNPJ-CPF(CNPJ/CPF) - Conteúdo inválido.");
}

TEST(Gerador, CNPJOfBrazilianPartyIsCheckedForeignOneIsEmpty) {
  TGerador g;
  g.EscreverCampoCNPJ("E02", "11.222.333/0001-82", 1058, true);
  EXPECT_EQ(g.ArquivoFormatoXML(), "<CNPJ>11222333000182</CNPJ>");
  ASSERT_EQ(g.ListaDeAlertas().size(), 1u);
  EXPECT_EQ(g.ListaDeAlertas()[0], "TAG: ID:E02/CNPJ(CNPJ(MF)) - Conteúdo inválido.");
  g.SetArquivoFormatoXML("");
  g.ListaDeAlertas().clear();
  g.EscreverCampoCNPJ("E02", "11222333000181", 1058, true);
  g.EscreverCampoCNPJ("E02", "ABC", 2496, true);
  EXPECT_EQ(g.ArquivoFormatoXML(), "<CNPJ>11222333000181</CNPJ><CNPJ/>");
  EXPECT_TRUE(g.ListaDeAlertas().empty());
  g.EscreverCampoCNPJ("E02", "12ABC34501DE35", 1058, true);
  EXPECT_EQ(g.ArquivoFormatoXML(), "<CNPJ>11222333000181</CNPJ><CNPJ/><CNPJ>12ABC34501DE35</CNPJ>");
  EXPECT_TRUE(g.ListaDeAlertas().empty());
}

TEST(Gerador, AbsentOptionalCNPJIsNotFlagged) {
  TGerador g;
  g.EscreverCampoCNPJ("E02", "", 1058, false);
  EXPECT_EQ(g.ArquivoFormatoXML(), "");
  EXPECT_TRUE(g.ListaDeAlertas().empty());
  g.EscreverCampoCNPJ("E02", "", 1058, true);
  EXPECT_EQ(g.ArquivoFormatoXML(), "<CNPJ/>");
  ASSERT_EQ(g.ListaDeAlertas().size(), 2u);
  EXPECT_EQ(g.ListaDeAlertas()[0], "TAG: ID:E02/CNPJ(CNPJ(MF)) - Nenhum valor informado.");
  EXPECT_EQ(g.ListaDeAlertas()[1], "TAG: ID:E02/CNPJ(CNPJ(MF)) - Conteúdo inválido.");
}

TEST(Gerador, EscreverTextoAppendsUnchanged) {
  TGerador g;
  g.EscreverGrupo("a");
  g.EscreverTexto("<b>&</b>");
  g.EscreverGrupo("/a");
  EXPECT_EQ(g.ArquivoFormatoXML(), "<a><b>&</b></a>");
}

// Each item fills its own record: the second item's xProd never lands in the first one's.
TEST(Gerador, TxtModeFillsTheRecordsOfEachGroup) {
  TGerador g;
  g.LayoutArquivoTXT() = {"<B01>B|NATOP¨|MOD¨", "<I01>I|CPROD¨|XPROD¨", "<X01>X|MODFRETE¨"};
  g.EscreverGrupo("ide", "B01");
  g.EscreverCampo(fcTexto, "B04", "natOp", 1, 60, 1, "VENDA");
  g.EscreverGrupo("/ide");
  g.EscreverGrupo("det nItem=\"1\"", "I01");
  g.EscreverCampo(fcTexto, "I02", "cProd", 1, 60, 1, "P1");
  g.EscreverGrupo("/det");
  g.EscreverGrupo("det nItem=\"2\"", "I01");
  g.EscreverCampo(fcTexto, "I02", "cProd", 1, 60, 1, "P2");
  g.EscreverCampo(fcTexto, "I03", "xProd", 1, 60, 1, "Nome 2");
  g.EscreverGrupo("/det");
  g.EscreverGrupo("transp", "X01");
  g.EscreverGrupo("/transp");
  EXPECT_EQ(g.ArquivoFormatoTXT(),
            "<B01>B|VENDA|MOD¨\r<I01>I|P1|XPROD¨\r<I01>I|P2|Nome 2\r<X01>X|MODFRETE¨\r");
  g.AjustarRegistrosTXT("35");
  EXPECT_EQ(g.ArquivoFormatoTXT(), "B|VENDA|\r\nI|P1|\r\nI|P2|Nome 2");
}

TEST(Gerador, TxtModeLowerCasesTheLastLetterOfLongRecordNames) {
  TGerador g;
  g.LayoutArquivoTXT() = {"<C02A>C02A|CPF¨", "<A01>A|VERSAO¨|ID¨", "<Z01>NOTA FISCAL|^ID^¨"};
  g.EscreverGrupo("infNFe versao=\"4.00\"", "A01");
  g.EscreverGrupo("emit", "C02A");
  g.EscreverCampo(fcTexto, "C02a", "CPF", 0, 11, 1, "12345678909");
  g.EscreverGrupo("/emit");
  g.AbrirRegistroTXT("Z01");
  g.PreencherCampoTXT("x", "y");
  g.AjustarRegistrosTXT("NFe1");
  // Z01 was never filled and goes; its placeholder after "^ID^" would otherwise stay.
  EXPECT_EQ(g.ArquivoFormatoTXT(), "A|4.00|\r\nC02a|12345678909");
}

TEST(Gerador, TxtModeOffWritesNoText) {
  TGerador g;
  g.EscreverGrupo("ide", "B01");
  g.EscreverCampo(fcTexto, "B04", "natOp", 1, 60, 1, "VENDA");
  g.AjustarRegistrosTXT("x");
  EXPECT_EQ(g.ArquivoFormatoTXT(), "");
  EXPECT_EQ(g.IDNivel(), "");
}

}  // namespace
}  // namespace tuim

namespace tuim {
namespace {

TEST(GeradorTexto, ControlCharactersNeverReachTheXml) {
  for (bool acentos : {true, false}) {
    TGerador g;
    g.Opcoes().SetRetirarAcentos(acentos);
    g.EscreverCampo(fcTexto, "", "x", 0, 60, 1, std::string("a\x01" "b\x08" "c\x1F" "d"));
    EXPECT_EQ(g.ArquivoFormatoXML(), "<x>a b c d</x>") << acentos;
  }
}

}  // namespace
}  // namespace tuim

#include "fiscal/fscAuxiliar.h"

namespace tuim {
namespace {

// Whatever way a text takes inside the generator, it comes out as the shared filter makes it.
TEST(GeradorTexto, EveryTextIsWrittenAsTheXmlFilterGivesIt) {
  const char* textos[] = {"abc", "a b", "a  b", " a", "a ", "a\tb", "a'b", "a\"b", "a>b", "Ação", "x\x7F",
                          "1234.56", "~!@#$%^*()_+=-{}[]|\\:;,./?", "a\r\nb", "\xA8", "a\x80"};
  for (bool espacos : {true, false})
    for (bool acentos : {true, false})
      for (const char* t : textos) {
        TGerador g;
        g.Opcoes().SetRetirarEspacos(espacos);
        g.Opcoes().SetRetirarAcentos(acentos);
        g.EscreverCampo(fcTexto, "", "x", 0, 99, 1, std::string("q") + t + "q");
        EXPECT_EQ(g.ArquivoFormatoXML(),
                  "<x>" + PrepararTextoXML(espacos, std::string("q") + t + "q", acentos, true, ";") + "</x>")
            << t;
      }
}

}  // namespace
}  // namespace tuim

namespace tuim {
namespace {

// An absent quote, "=" or ">" means "not found": nothing is computed from it.
TEST(GeradorTxt, MissingDelimitersLeaveTheRecordsAlone) {
  TGerador g;
  g.LayoutArquivoTXT() = {"<A01>A|VERSAO¨|ID¨", "SEMID|X¨"};
  g.EscreverGrupo("infNFe versao=\"4.00", "A01");  // no closing quote
  g.EscreverGrupo("infNFe versao= \"4.00\"", "A01");
  EXPECT_EQ(g.ArquivoFormatoTXT(), "<A01>A|VERSAO¨|ID¨\r<A01>A|4.00|ID¨\r");
  g.SetArquivoFormatoTXT(g.ArquivoFormatoTXT() + "SEMID|X|filled\r");
  g.AjustarRegistrosTXT("");
  EXPECT_EQ(g.ArquivoFormatoTXT(), "A|4.00|\r\nSEMId|X|filled");
}

TEST(GeradorTxt, EmptyAndBareClosingGroupsAreHarmless) {
  TGerador g;
  g.EscreverGrupo("");
  g.EscreverGrupo("/");
  g.EscreverGrupo("/det");
  EXPECT_EQ(g.ArquivoFormatoXML(), "<></><\x2F" "det>");
}

}  // namespace
}  // namespace tuim

TEST(Gerador, IndentedEmptyElementKeepsItsAttribute) {
  tuim::TGerador g;
  g.Opcoes().SetIdentarXML(true);
  g.Opcoes().SetTagVaziaNoFormatoResumido(false);
  g.EscreverCampo(tuim::fcTexto, "XS03", "CanonicalizationMethod", 0, 0, 1, std::string(), "", true,
                  "Algorithm=\"urn:x\"");
  g.Opcoes().SetTagVaziaNoFormatoResumido(true);
  g.EscreverCampo(tuim::fcTexto, "XS05", "DigestMethod", 0, 0, 1, std::string(), "", true, "Algorithm=\"urn:y\"");
  EXPECT_EQ(g.ArquivoFormatoXML(),
            "<CanonicalizationMethod Algorithm=\"urn:x\"></CanonicalizationMethod>\r\n<DigestMethod Algorithm=\"urn:y\"/>\r\n");
}
