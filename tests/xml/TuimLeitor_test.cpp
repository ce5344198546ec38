#include "xml/TuimLeitor.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <unistd.h>
#include <filesystem>
#include <fstream>
#include <string>

#include "fiscal/TuimDateTime.h"
#include "fiscal/TuimException.h"

namespace tuim {
namespace {

const char* kRetorno =
    "<retConsSitNFe versao=\"4.00\"><tpAmb>2</tpAmb><cStat>100</cStat><xMotivo>Autorizado o uso</xMotivo>"
    "<protNFe versao=\"4.00\"><infProt Id=\"ID1\"><chNFe>1111</chNFe><dhRecbto>2024-03-25T14:30:45-03:00</dhRecbto>"
    "<cStat>100</cStat></infProt></protNFe>"
    "<protNFe versao='4.00'><infProt Id='ID2'><chNFe>2222</chNFe><cStat>110</cStat></infProt></protNFe>"
    "</retConsSitNFe>";

TEST(Leitor, GroupWithAttributesIsFoundThroughTheSpaceForm) {
  TLeitor l;
  l.SetArquivo(kRetorno);
  EXPECT_EQ(l.ExtrairGrupo(1, "infProt"),
            "<infProt Id=\"ID1\"><chNFe>1111</chNFe><dhRecbto>2024-03-25T14:30:45-03:00</dhRecbto>"
            "<cStat>100</cStat></infProt>");
  EXPECT_EQ(l.Grupo(), l.Niveis(1));
  EXPECT_EQ(l.Niveis(0), l.Arquivo());
}

TEST(Leitor, OccurrencesWalkRepeatedGroups) {
  TLeitor l;
  l.SetArquivo(kRetorno);
  ASSERT_FALSE(l.ExtrairGrupo(1, "retConsSitNFe").empty());
  EXPECT_EQ(l.ExtrairGrupo(2, "protNFe", "", 1).substr(0, 41), "<protNFe versao=\"4.00\"><infProt Id=\"ID1\">");
  EXPECT_EQ(l.LerCampo(fcTexto, "chNFe").AsString(), "1111");
  std::string segundo = l.ExtrairGrupo(2, "protNFe", "", 2);
  EXPECT_EQ(segundo.substr(0, 41), "<protNFe versao='4.00'><infProt Id='ID2'>");
  EXPECT_EQ(l.LerCampo(fcTexto, "chNFe").AsString(), "2222");
  EXPECT_EQ(l.ExtrairGrupo(2, "protNFe", "", 3), "");
  EXPECT_EQ(l.Grupo(), "");
  EXPECT_EQ(l.Niveis(2), segundo);  // a group not found leaves its level alone
}

TEST(Leitor, ChildLevelsReadFromTheLevelAbove) {
  TLeitor l;
  l.SetArquivo(kRetorno);
  l.ExtrairGrupo(1, "protNFe", "", 2);
  EXPECT_EQ(l.ExtrairGrupo(2, "chNFe"), "<chNFe>2222</chNFe>");
  // Level 1 holds only the second protNFe: its first chNFe is 2222.
  l.ExtrairGrupo(1, "protNFe", "", 2);
  l.ExtrairGrupo(2, "infProt");
  EXPECT_EQ(l.LerAtributo("Id").AsString(), "ID2");
}

TEST(Leitor, IntegerFieldsGiveZeroWhenAbsent) {
  TLeitor l;
  l.SetArquivo(kRetorno);
  l.ExtrairGrupo(1, "retConsSitNFe");
  EXPECT_EQ(l.LerCampo(fcInteiro, "cStat").AsInteger(), 100);
  EXPECT_EQ(l.LerCampo(fcInteiro, "CSTAT").AsInteger(), 100);  // the field name ignores case
  EXPECT_EQ(l.LerCampo(fcInteiro, "nRec").AsInteger(), 0);
  EXPECT_EQ(l.LerCampo(fcInteiro, "nRec").Tipo(), tvInteiro);
  EXPECT_EQ(l.LerCampo(fcTexto, "nRec").AsString(), "");
  EXPECT_EQ(l.LerCampo(fcTexto, "nRec").Tipo(), tvTexto);
}

TEST(Leitor, IsoDateTimeWithOffsetKeepsTheLocalTime) {
  TLeitor l;
  l.SetArquivo(kRetorno);
  l.ExtrairGrupo(1, "infProt");
  TDateTime dt = l.LerCampo(fcDataHora, "dhRecbto").AsDateTime();
  EXPECT_EQ(DateTimeToMSecs(dt), DateTimeToMSecs(EncodeDateTime(2024, 3, 25, 14, 30, 45)));
}

TEST(Leitor, StopTagLimitsTheFieldSearch) {
  TLeitor l;
  l.SetGrupo("<a><x>1</x><b><y>2</y></b><y>3</y></a>");
  EXPECT_EQ(l.LerCampo(fcTexto, "x", "b").AsString(), "1");
  EXPECT_EQ(l.LerCampo(fcTexto, "y", "b").AsString(), "");  // both y come after the stop
  l.SetGrupo("<a><y>4</y><b><y>2</y></b></a>");
  EXPECT_EQ(l.LerCampo(fcTexto, "y", "b").AsString(), "4");
  EXPECT_EQ(l.LerCampo(fcTexto, "y", "zzz").AsString(), "4");  // an absent stop tag stops nothing
}

TEST(Leitor, AttributeWithEitherQuote) {
  TLeitor l;
  l.SetGrupo("<infProt Id=\"ID123\" versao='4.00' x = \" a&amp;b\">");
  EXPECT_EQ(l.LerAtributo("Id").AsString(), "ID123");
  EXPECT_EQ(l.LerAtributo("versao").AsString(), "4.00");
  EXPECT_EQ(l.LerAtributo("versao=").AsString(), "4.00");
  EXPECT_EQ(l.LerAtributo("x").AsString(), "a&b");
  EXPECT_EQ(l.LerAtributo("nada").AsString(), "");
  EXPECT_EQ(l.LerAtributo("  ").AsString(), "");
}

TEST(Leitor, AttributeOfANamedInnerElement) {
  TLeitor l;
  l.SetGrupo("<retEvento versao=\"1.00\"><infEvento Id=\"A\"></infEvento><detEvento versao=\"2.00\"/></retEvento>");
  EXPECT_EQ(l.LerAtributo("versao").AsString(), "1.00");
  EXPECT_EQ(l.LerAtributo("versao", "detEvento").AsString(), "2.00");
  EXPECT_EQ(l.LerAtributo("versao", "semTag").AsString(), "1.00");
}

TEST(Leitor, AttributeWithoutClosingQuoteIsAbsent) {
  TLeitor l;
  l.SetGrupo("<a Id=\"ID1>");
  EXPECT_EQ(l.LerAtributo("Id").AsString(), "");
  l.SetGrupo("<a Id=");
  EXPECT_EQ(l.LerAtributo("Id").AsString(), "");
}

TEST(Leitor, EntitiesAreDecodedForTextButNotForDigits) {
  TLeitor l;
  l.SetGrupo("<a><x>P &amp; G</x><y>1&amp;2</y><z>&#x41;&#x42;</z><w>&amp;lt;</w></a>");
  EXPECT_EQ(l.LerCampo(fcTexto, "x").AsString(), "P & G");
  EXPECT_EQ(l.LerCampo(fcDigitos, "y").AsString(), "1&amp;2");
  EXPECT_EQ(l.LerCampo(fcTexto, "z").AsString(), "AB");
  EXPECT_EQ(l.LerCampo(fcTexto, "w").AsString(), "&lt;");  // one pass: "&amp;" gives a plain "&"
}

TEST(Leitor, DecimalFieldsReadEitherSeparatorExactly) {
  TLeitor l;
  l.SetGrupo("<a><v>10.005</v><w>12,5</w><x>abc</x><y>-0.10</y></a>");
  EXPECT_EQ(l.LerCampo(fcDecimal2, "v").AsCurrency().Raw(), 100050);
  EXPECT_DOUBLE_EQ(l.LerCampo(fcDecimal2, "w").AsDouble(), 12.5);
  EXPECT_DOUBLE_EQ(l.LerCampo(fcDecimal2, "x").AsDouble(), 0.0);
  EXPECT_EQ(l.LerCampo(fcDecimal4, "y").AsCurrency().Raw(), -1000);
  EXPECT_EQ(l.LerCampo(fcDecimal2, "nada").AsDouble(), 0.0);
}

TEST(Leitor, IntegerKeepsOnlyTheDigits) {
  TLeitor l;
  l.SetGrupo("<a><n>1.234-5</n><m>abc</m><g>99999999999999999999999</g></a>");
  EXPECT_EQ(l.LerCampo(fcInteiro, "n").AsInt64(), 12345);
  EXPECT_EQ(l.LerCampo(fcInteiro, "m").AsInt64(), 0);
  EXPECT_EQ(l.LerCampo(fcInteiro, "g").AsInt64(), 0);  // out of range does not convert
}

struct DataCase {
  TFormatoCampo tipo;
  const char* texto;
  int y, mo, d, h, mi, s;
};

class LeitorData : public ::testing::TestWithParam<DataCase> {};

TEST_P(LeitorData, ReadsEachPartFromItsCharacters) {
  const DataCase& c = GetParam();
  TLeitor l;
  l.SetGrupo(std::string("<a><t>") + c.texto + "</t></a>");
  TDateTime dt = l.LerCampo(c.tipo, "t").AsDateTime();
  TDateTime esperado = 0;
  if (c.y)
    esperado = EncodeDateTime(c.y, c.mo, c.d, c.h, c.mi, c.s);
  else
    esperado = EncodeTime(c.h, c.mi, c.s);
  EXPECT_EQ(DateTimeToMSecs(dt), DateTimeToMSecs(esperado)) << c.texto;
}

INSTANTIATE_TEST_SUITE_P(
    Casos, LeitorData,
    ::testing::Values(DataCase{fcData, "2024-03-25", 2024, 3, 25, 0, 0, 0},
                      DataCase{fcDataHora, "2024-03-25T14:30:45", 2024, 3, 25, 14, 30, 45},
                      DataCase{fcDataHora, "2024-03-25T14:30:45+01:00", 2024, 3, 25, 14, 30, 45},
                      // "DD/MM/YYYY hh:mm:ss": the hour stands at 12-13, after the space.
                      DataCase{fcDataHora, "25/03/2024 14:30:45", 2024, 3, 25, 14, 30, 45},
                      DataCase{fcDataHora, "2024-03-25", 2024, 3, 25, 0, 0, 0},
                      DataCase{fcHora, "14:30:45", 0, 0, 0, 14, 30, 45},
                      DataCase{fcDataCompacta, "20240325", 2024, 3, 25, 0, 0, 0},
                      DataCase{fcHoraCompacta, "143045", 0, 0, 0, 14, 30, 45},
                      DataCase{fcDataBarras, "25/03/2024", 2024, 3, 25, 0, 0, 0},
                      DataCase{fcDataHoraCompacta, "20240325143045", 2024, 3, 25, 14, 30, 45}));

TEST(Leitor, EmptyDateGivesZero) {
  TLeitor l;
  l.SetGrupo("<a><t></t></a>");
  EXPECT_EQ(l.LerCampo(fcDataHora, "t").AsDateTime(), 0.0);
  EXPECT_EQ(l.LerCampo(fcData, "nada").AsDateTime(), 0.0);
}

TEST(Leitor, MalformedDatesRaise) {
  TLeitor l;
  for (const char* t : {"2024-xx-25", "2024-13-25", "2024", "25/03/2024 1", "2024-03-25T25:00:00"}) {
    l.SetGrupo(std::string("<a><t>") + t + "</t></a>");
    EXPECT_THROW(l.LerCampo(fcDataHora, "t"), ETuimDFeException) << t;
  }
}

TEST(Leitor, UnreadableKindsRaiseWithTheFieldText) {
  TLeitor l;
  l.SetGrupo("<a><ok>true</ok></a>");
  for (TFormatoCampo tipo : {fcLogico, fcTextoBruto, fcTextoZeros}) {
    try {
      l.LerCampo(tipo, "ok");
      FAIL() << "no exception";
    } catch (const ETuimDFeException& e) {
      EXPECT_STREQ(e.what(), "Tag <OK> com conteúdo inválido. true");
    }
  }
}

TEST(Leitor, CNPJOrCPF) {
  TLeitor l;
  l.SetGrupo("<emit><CNPJ>11222333000181</CNPJ></emit>");
  EXPECT_EQ(l.LerCampoCNPJCPF(), "11222333000181");
  l.SetGrupo("<emit><CNPJ> </CNPJ><CPF>12345678909</CPF></emit>");
  EXPECT_EQ(l.LerCampoCNPJCPF(), "12345678909");
  l.SetGrupo("<emit><CNPJ>12ABC34501DE35</CNPJ></emit>");
  EXPECT_EQ(l.LerCampoCNPJCPF(), "12ABC34501DE35");
}

TEST(Leitor, PrefixedElementsAreFound) {
  TLeitor l;
  l.SetArquivo("<soap:Body><ret:nfeResultMsg><x>1</x></ret:nfeResultMsg></soap:Body>");
  EXPECT_EQ(l.ExtrairGrupo(1, "soap", "soap"), "<soap:Body><ret:nfeResultMsg><x>1</x></ret:nfeResultMsg></soap:Body>");
}

struct MalformadoCase {
  const char* texto;
  const char* tag;
};

class LeitorMalformado : public ::testing::TestWithParam<MalformadoCase> {};

TEST_P(LeitorMalformado, GivesEmptyResultsWithoutReadingOutside) {
  TLeitor l;
  l.SetArquivo(GetParam().texto);
  EXPECT_EQ(l.ExtrairGrupo(1, GetParam().tag), "");
  EXPECT_EQ(l.LerCampo(fcTexto, GetParam().tag).AsString(), "");
  EXPECT_EQ(l.LerAtributo("Id").AsString(), "");
}

INSTANTIATE_TEST_SUITE_P(Casos, LeitorMalformado,
                         ::testing::Values(MalformadoCase{"<a><b>1</b>", "a"},        // never closed
                                           MalformadoCase{"</a><a>", "a"},            // closes before it opens
                                           MalformadoCase{"<a", "a"}, MalformadoCase{"", "a"},
                                           MalformadoCase{"<a></a", "a"}, MalformadoCase{"</a:", "a"},
                                           MalformadoCase{"<ab></ab>", "a"}, MalformadoCase{"<a>1</a>", ""}));

TEST(Leitor, FieldWhoseClosingTagIsMissingIsEmpty) {
  TLeitor l;
  l.SetGrupo("<a><x>1</a>");
  EXPECT_EQ(l.LerCampo(fcTexto, "x").AsString(), "");
  l.SetGrupo("<a></x><x>1</a>");  // the only closing tag comes before the opening one
  EXPECT_EQ(l.LerCampo(fcTexto, "x").AsString(), "");
}

TEST(Leitor, LevelsOutsideTheListAreNeverTouched) {
  TLeitor l;
  l.SetArquivo("<a>1</a>");
  EXPECT_EQ(l.ExtrairGrupo(11, "a"), "");
  EXPECT_EQ(l.ExtrairGrupo(0, "a"), "");
  EXPECT_EQ(l.ExtrairGrupo(-3, "a"), "");
  EXPECT_EQ(l.Niveis(11), "");
  EXPECT_EQ(l.ExtrairGrupo(10, "a"), "");  // level 9 is empty
  EXPECT_EQ(l.ExtrairGrupo(1, "a", "", 0), "<a>1</a>");
}

TEST(Leitor, LerArquivoJoinsLinesWithCrLf) {
  auto pasta = std::filesystem::temp_directory_path() / ("tuim_leitor_" + std::to_string(::getpid()));
  std::filesystem::create_directories(pasta);
  auto arquivo = pasta / "ret.xml";
  {
    std::ofstream f(arquivo, std::ios::binary);
    f << "<a>\n<b>1</b>\r\n<c>2</c>\r</a>\n";
  }
  TLeitor l;
  EXPECT_TRUE(l.LerArquivo(arquivo.string()));
  EXPECT_EQ(l.Arquivo(), "<a>\r\n<b>1</b>\r\n<c>2</c>\r\n</a>");
  l.ExtrairGrupo(1, "a");
  EXPECT_EQ(l.LerCampo(fcInteiro, "c").AsInteger(), 2);
  std::filesystem::remove_all(pasta);
  EXPECT_THROW(l.LerArquivo((pasta / "nada.xml").string()), ETuimDFeException);
}

}  // namespace
}  // namespace tuim

namespace tuim {
namespace {

TEST(LeitorOcorrencias, WalkingForwardBackwardAndAfterChangesGivesTheSameGroups) {
  TLeitor l;
  l.SetArquivo("<r><p>1</p><q>x</q><p>2</p><p>3</p></r>");
  EXPECT_EQ(l.ExtrairGrupo(1, "p", "", 2), "<p>2</p>");
  EXPECT_EQ(l.ExtrairGrupo(1, "p", "", 3), "<p>3</p>");
  EXPECT_EQ(l.ExtrairGrupo(1, "p", "", 1), "<p>1</p>");
  EXPECT_EQ(l.ExtrairGrupo(1, "q", "", 1), "<q>x</q>");
  EXPECT_EQ(l.ExtrairGrupo(1, "p", "", 3), "<p>3</p>");
  EXPECT_EQ(l.ExtrairGrupo(1, "p", "", 4), "");
  l.SetArquivo("<r><p>7</p><p>8</p></r>");
  EXPECT_EQ(l.ExtrairGrupo(1, "p", "", 2), "<p>8</p>");
  // A level read from a parent that changed in between.
  l.SetArquivo("<a><b><c>1</c><c>2</c></b></a><a><b><c>3</c><c>4</c></b></a>");
  l.ExtrairGrupo(1, "a", "", 1);
  EXPECT_EQ(l.ExtrairGrupo(2, "c", "", 2), "<c>2</c>");
  l.ExtrairGrupo(1, "a", "", 2);
  EXPECT_EQ(l.ExtrairGrupo(2, "c", "", 1), "<c>3</c>");
  EXPECT_EQ(l.ExtrairGrupo(2, "c", "", 2), "<c>4</c>");
  l.SetNiveis(1, "<a><c>5</c><c>6</c></a>");
  EXPECT_EQ(l.ExtrairGrupo(2, "c", "", 2), "<c>6</c>");
}

}  // namespace
}  // namespace tuim
