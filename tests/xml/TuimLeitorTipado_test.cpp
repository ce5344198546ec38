// The typed reads of the reader and the common header of the web services' answers.
#include <gtest/gtest.h>

#include <string>

#include "fiscal/TuimException.h"
#include "xml/TuimLeitor.h"

namespace tuim {
namespace {

TLeitor Grupo(const std::string& xml) {
  TLeitor l;
  l.SetArquivo(xml);
  l.ExtrairGrupo(1, "ret");
  return l;
}

struct CasoCStat {
  const char* campo;  // the cStat element, or nothing
  int valor;          // -1: unreadable
};

class CStatEstrito : public ::testing::TestWithParam<CasoCStat> {};

TEST_P(CStatEstrito, AcceptsThreeOrFourDigitsOnly) {
  TLeitor l = Grupo(std::string("<ret><xMotivo>x</xMotivo>") + GetParam().campo + "</ret>");
  if (GetParam().valor < 0)
    EXPECT_THROW(l.LerCStat(), ETuimDFeException) << GetParam().campo;
  else
    EXPECT_EQ(l.LerCStat(), GetParam().valor);
}

INSTANTIATE_TEST_SUITE_P(Casos, CStatEstrito,
                         ::testing::Values(CasoCStat{"<cStat>107</cStat>", 107}, CasoCStat{"<cStat> 217 </cStat>", 217},
                                           CasoCStat{"<cStat>1001</cStat>", 1001},
                                           CasoCStat{"<cStat>099</cStat>", 99}, CasoCStat{"", -1},
                                           CasoCStat{"<cStat></cStat>", -1}, CasoCStat{"<cStat>10</cStat>", -1},
                                           CasoCStat{"<cStat>10000</cStat>", -1},
                                           CasoCStat{"<cStat>1O7</cStat>", -1}, CasoCStat{"<cStat>-107</cStat>", -1},
                                           CasoCStat{"<cStat>10 7</cStat>", -1}, CasoCStat{"<cStat>107a</cStat>", -1}));

TEST(CStatEstrito, StopsAtTheStopTag) {
  TLeitor l = Grupo("<ret><infCad><cStat>111</cStat></infCad></ret>");
  EXPECT_THROW(l.LerCStat("infCad"), ETuimDFeException);
  EXPECT_EQ(l.LerCStat(), 111);
}

TEST(LeitorTipado, ReadsTextIntegerDateTimeAndEnvironment) {
  TLeitor l = Grupo(
      "<ret><xMotivo>Servi&#231;o em Opera&#231;&#227;o</xMotivo><tMed>3</tMed><tpAmb>2</tpAmb>"
      "<dhRecbto>2026-12-10T05:30:00-04:00</dhRecbto><dIniAtiv>2001-02-03</dIniAtiv></ret>");
  EXPECT_EQ(l.LerTexto("xMotivo"), l.LerCampo(fcTexto, "xMotivo").AsString());
  EXPECT_EQ(l.LerInteiro("tMed"), 3);
  EXPECT_EQ(l.LerAmbiente(), taHomologacao);
  EXPECT_EQ(l.LerDataHora("dhRecbto"), l.LerCampo(fcDataHora, "dhRecbto").AsDateTime());
  EXPECT_EQ(l.LerData("dIniAtiv"), EncodeDate(2001, 2, 3));
  EXPECT_EQ(l.LerTexto("ausente"), "");
  EXPECT_EQ(l.LerInteiro("ausente"), 0);
}

TEST(CabecalhoRetorno, ReadsTheSevenCommonFieldsInOnePass) {
  TLeitor l;
  l.SetArquivo(
      "<ret versao=\"4.00\"><tpAmb>1</tpAmb><verAplic>SP_NFE_PL009_V4</verAplic><cStat>107</cStat>"
      "<xMotivo>Servico em Operacao</xMotivo><cUF>35</cUF><dhRecbto>2026-12-10T05:30:00-03:00</dhRecbto></ret>");
  l.ExtrairGrupo(1, "ret");
  TCabecalhoRetorno c;
  c.LerCabecalho(l, "ret");
  EXPECT_EQ(c.versao, "4.00");
  EXPECT_EQ(c.tpAmb, taProducao);
  EXPECT_EQ(c.verAplic, "SP_NFE_PL009_V4");
  EXPECT_EQ(c.cStat, 107);
  EXPECT_EQ(c.xMotivo, "Servico em Operacao");
  EXPECT_EQ(c.cUF, 35);
  EXPECT_NE(c.dhRecbto, 0);
}

TEST(CabecalhoRetorno, AnAnswerWithoutStatusIsUnreadable) {
  TLeitor l = Grupo("<ret versao=\"4.00\"><tpAmb>1</tpAmb><xMotivo>?</xMotivo></ret>");
  TCabecalhoRetorno c;
  EXPECT_THROW(c.LerCabecalho(l, "ret"), ETuimDFeException);
}

}  // namespace
}  // namespace tuim
