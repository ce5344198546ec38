#include "report/TuimDFeReport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <limits>

#include "fiscal/TuimUtil.h"

using namespace tuim;

namespace {

// The folder of this test program, found independently of PastaAplicacao.
std::string PastaDoPrograma() {
  return std::filesystem::canonical("/proc/self/exe").parent_path().string() + "/";
}

// A renderer that adds one sub-folder, to see the hook's result reach PathPDF.
class RelatorioComSubpasta : public TTuimDFeReport {
public:
  using TTuimDFeReport::TTuimDFeReport;
  std::string PastaRecebida;

protected:
  std::string SeparadorPathPDF(const std::string& pasta) override {
    PastaRecebida = pasta;
    return pasta + "2026/12";
  }
};

}  // namespace

// ---- Defaults and setters -------------------------------------------------------------------

TEST(TuimDFeReportPropriedades, DefaultsAsDeclared) {
  TTuimDFeReport r;
  EXPECT_EQ(r.Impressora(), "");
  EXPECT_EQ(r.NomeDocumento(), "");
  EXPECT_EQ(r.NumCopias(), 1);
  EXPECT_TRUE(r.MostraPreview());
  EXPECT_FALSE(r.MostraSetup());
  EXPECT_TRUE(r.MostraStatus());
  EXPECT_EQ(r.ArquivoPDF(), "");
  EXPECT_FALSE(r.UsaSeparadorPathPDF());
  EXPECT_EQ(r.Logo(), "");
  EXPECT_EQ(r.Sistema(), TTuimDFeReport::kSistemaPadrao);
  EXPECT_FALSE(r.Sistema().empty());
  EXPECT_EQ(r.Usuario(), "");
  EXPECT_EQ(r.Fax(), "");
  EXPECT_EQ(r.Site(), "");
  EXPECT_EQ(r.Email(), "");
  EXPECT_DOUBLE_EQ(r.MargemInferior(), 0.8);
  EXPECT_DOUBLE_EQ(r.MargemSuperior(), 0.8);
  EXPECT_DOUBLE_EQ(r.MargemEsquerda(), 0.6);
  EXPECT_DOUBLE_EQ(r.MargemDireita(), 0.51);
  EXPECT_FALSE(r.ExpandeLogoMarca());
  EXPECT_FALSE(r.Designing());
  EXPECT_EQ(r.TuimNFe(), nullptr);
  EXPECT_EQ(r.ClassName(), "TTuimDFeReport");
}

TEST(TuimDFeReportPropriedades, DecimalPlacesStartAtTwoWithIntegerFormat) {
  TTuimDFeReport r;
  const TCasasDecimais& c = r.CasasDecimais();
  EXPECT_EQ(c.Formato(), tdetInteger);
  EXPECT_EQ(c.qCom(), 2);
  EXPECT_EQ(c.vUnCom(), 2);
  EXPECT_EQ(c.MaskqCom(), ",0.00");
  EXPECT_EQ(c.MaskvUnCom(), ",0.00");
}

TEST(TuimDFeReportPropriedades, DecimalPlacesAreAnOwnedNamedSubComponent) {
  TTuimDFeReport r;
  EXPECT_EQ(r.CasasDecimais().Owner(), &r);
  EXPECT_EQ(r.CasasDecimais().Name(), "CasasDecimais");
  EXPECT_EQ(r.FindComponent("casasdecimais"), &r.CasasDecimais());
  EXPECT_EQ(r.ComponentCount(), 1);
}

TEST(TuimDFeReportPropriedades, SettersStoreWhatTheyAreGiven) {
  TTuimDFeReport r;
  r.SetImpressora("HP LaserJet");
  r.SetNomeDocumento("DANFE 123");
  r.SetNumCopias(3);
  r.SetMostraPreview(false);
  r.SetMostraSetup(true);
  r.SetMostraStatus(false);
  r.SetUsaSeparadorPathPDF(true);
  r.SetLogo("/opt/logo.png");
  r.SetSistema("Sistema Próprio");
  r.SetUsuario("Operador");
  r.SetFax("(65) 3333-4444");
  r.SetSite("www.tuim.test");
  r.SetEmail("fiscal@tuim.test");
  r.SetMargemInferior(1.1);
  r.SetMargemSuperior(1.2);
  r.SetMargemEsquerda(1.3);
  r.SetMargemDireita(1.4);
  r.SetExpandeLogoMarca(true);
  r.SetDesigning(true);
  EXPECT_EQ(r.Impressora(), "HP LaserJet");
  EXPECT_EQ(r.NomeDocumento(), "DANFE 123");
  EXPECT_EQ(r.NumCopias(), 3);
  EXPECT_FALSE(r.MostraPreview());
  EXPECT_TRUE(r.MostraSetup());
  EXPECT_FALSE(r.MostraStatus());
  EXPECT_TRUE(r.UsaSeparadorPathPDF());
  EXPECT_EQ(r.Logo(), "/opt/logo.png");
  EXPECT_EQ(r.Sistema(), "Sistema Pr\xF3prio");
  EXPECT_EQ(r.Usuario(), "Operador");
  EXPECT_EQ(r.Fax(), "(65) 3333-4444");
  EXPECT_EQ(r.Site(), "www.tuim.test");
  EXPECT_EQ(r.Email(), "fiscal@tuim.test");
  EXPECT_DOUBLE_EQ(r.MargemInferior(), 1.1);
  EXPECT_DOUBLE_EQ(r.MargemSuperior(), 1.2);
  EXPECT_DOUBLE_EQ(r.MargemEsquerda(), 1.3);
  EXPECT_DOUBLE_EQ(r.MargemDireita(), 1.4);
  EXPECT_TRUE(r.ExpandeLogoMarca());
  EXPECT_TRUE(r.Designing());
}

TEST(TuimDFeReportPropriedades, NegativeCopiesKeepThePreviousValue) {
  TTuimDFeReport r;
  r.SetNumCopias(-1);
  EXPECT_EQ(r.NumCopias(), 1);
  r.SetNumCopias(4);
  r.SetNumCopias(-1);
  EXPECT_EQ(r.NumCopias(), 4);
  r.SetNumCopias(std::numeric_limits<int>::min());
  EXPECT_EQ(r.NumCopias(), 4);
  r.SetNumCopias(0);
  EXPECT_EQ(r.NumCopias(), 0);
}

struct Limite {
  int dado;
  int lido;
};

class QuantityPlacesClamp : public ::testing::TestWithParam<Limite> {};
TEST_P(QuantityPlacesClamp, StaysBetweenZeroAndFour) {
  TCasasDecimais c;
  c.SetqCom(GetParam().dado);
  EXPECT_EQ(c.qCom(), GetParam().lido);
}
INSTANTIATE_TEST_SUITE_P(TuimDFeReport, QuantityPlacesClamp,
                         ::testing::Values(Limite{7, 4}, Limite{5, 4}, Limite{4, 4}, Limite{3, 3}, Limite{0, 0},
                                           Limite{-1, 0}, Limite{std::numeric_limits<int>::max(), 4},
                                           Limite{std::numeric_limits<int>::min(), 0}));

class UnitValuePlacesClamp : public ::testing::TestWithParam<Limite> {};
TEST_P(UnitValuePlacesClamp, StaysBetweenZeroAndTen) {
  TCasasDecimais c;
  c.SetvUnCom(GetParam().dado);
  EXPECT_EQ(c.vUnCom(), GetParam().lido);
}
INSTANTIATE_TEST_SUITE_P(TuimDFeReport, UnitValuePlacesClamp,
                         ::testing::Values(Limite{-2, 0}, Limite{0, 0}, Limite{6, 6}, Limite{10, 10},
                                           Limite{11, 10}, Limite{std::numeric_limits<int>::max(), 10}));

TEST(TuimDFeReportPropriedades, MasksAndFormatAreStored) {
  TCasasDecimais c;
  c.SetFormato(tdetMascara);
  c.SetMaskqCom("#,##0.000");
  c.SetMaskvUnCom("0.0000");
  EXPECT_EQ(c.Formato(), tdetMascara);
  EXPECT_EQ(c.MaskqCom(), "#,##0.000");
  EXPECT_EQ(c.MaskvUnCom(), "0.0000");
}

// ---- PDF folder -----------------------------------------------------------------------------

TEST(TuimDFeReportPathPDF, NewReportReadsTheProgramFolderPlusPdf) {
  TTuimDFeReport r;
  EXPECT_EQ(r.PathPDF(), PastaDoPrograma() + "pdf/");
}

struct CasoPasta {
  const char* dado;
  const char* lido;
};

class PathPDFSetter : public ::testing::TestWithParam<CasoPasta> {};
TEST_P(PathPDFSetter, StoresTrimmedFolderWithTrailingSeparator) {
  TTuimDFeReport r;
  r.SetPathPDF(GetParam().dado);
  EXPECT_EQ(r.PathPDF(), GetParam().lido);
}
INSTANTIATE_TEST_SUITE_P(TuimDFeReport, PathPDFSetter,
                         ::testing::Values(CasoPasta{"/var/tuim/pdf", "/var/tuim/pdf/"},
                                           CasoPasta{"/var/tuim/pdf/", "/var/tuim/pdf/"},
                                           CasoPasta{"  /var/tuim/pdf  ", "/var/tuim/pdf/"},
                                           CasoPasta{"C:\\Tuim\\PDF\\", "C:\\Tuim\\PDF\\"},
                                           CasoPasta{"relatórios", "relat\xF3rios/"}));

TEST(TuimDFeReportPathPDF, BlankFolderFallsBackToTheProgramFolder) {
  TTuimDFeReport r;
  r.SetPathPDF("/var/tuim/pdf");
  r.SetPathPDF("   ");
  EXPECT_EQ(r.PathPDF(), PastaDoPrograma() + "pdf/");
}

TEST(TuimDFeReportPathPDF, DesignModeReadsTheStoredValueUnchanged) {
  TTuimDFeReport r;
  r.SetDesigning(true);
  EXPECT_EQ(r.PathPDF(), "");
  r.SetUsaSeparadorPathPDF(true);
  r.SetPathPDF("/var/tuim/pdf");
  EXPECT_EQ(r.PathPDF(), "/var/tuim/pdf/");
  r.SetDesigning(false);
  EXPECT_EQ(r.PathPDF(), "/var/tuim/pdf/");
}

TEST(TuimDFeReportPathPDF, BaseHookAddsNoSubFolder) {
  TTuimDFeReport r;
  r.SetUsaSeparadorPathPDF(true);
  r.SetPathPDF("/var/tuim/pdf");
  EXPECT_EQ(r.PathPDF(), "/var/tuim/pdf/");
}

TEST(TuimDFeReportPathPDF, HookResultGetsATrailingSeparator) {
  RelatorioComSubpasta r;
  r.SetPathPDF("/var/tuim/pdf");
  EXPECT_EQ(r.PathPDF(), "/var/tuim/pdf/");
  EXPECT_EQ(r.PastaRecebida, "");  // the hook runs only with UsaSeparadorPathPDF
  r.SetUsaSeparadorPathPDF(true);
  EXPECT_EQ(r.PathPDF(), "/var/tuim/pdf/2026/12/");
  EXPECT_EQ(r.PastaRecebida, "/var/tuim/pdf/");
  r.SetPathPDF("");
  EXPECT_EQ(r.PathPDF(), PastaDoPrograma() + "pdf/2026/12/");
}

// ---- Number helpers -------------------------------------------------------------------------

struct CasoQuantidade {
  double x;
  bool forcar;
  int casas;
  const char* esperado;
};

class QuantityFormat : public ::testing::TestWithParam<CasoQuantidade> {};
TEST_P(QuantityFormat, UsesTheDecimalPlacesUnlessWholeAndNotForced) {
  TTuimDFeReport r;
  r.CasasDecimais().SetqCom(GetParam().casas);
  EXPECT_EQ(r.FormatarQuantidade(GetParam().x, GetParam().forcar), GetParam().esperado);
}
INSTANTIATE_TEST_SUITE_P(
    TuimDFeReport, QuantityFormat,
    ::testing::Values(CasoQuantidade{3, false, 2, "3"}, CasoQuantidade{3, true, 2, "3,00"},
                      CasoQuantidade{2.5, false, 3, "2,500"}, CasoQuantidade{2.5, true, 3, "2,500"},
                      CasoQuantidade{0, false, 2, "0"}, CasoQuantidade{-4, false, 2, "-4"},
                      CasoQuantidade{1000000, false, 2, "1000000"}, CasoQuantidade{1000000, true, 2, "1.000.000,00"},
                      CasoQuantidade{1234.5, false, 4, "1.234,5000"}, CasoQuantidade{-2.5, false, 1, "-2,5"},
                      // rounding to the places asked for, halves away from zero
                      CasoQuantidade{0.125, false, 2, "0,13"}, CasoQuantidade{1.005, false, 2, "1,01"},
                      CasoQuantidade{2.6667, false, 3, "2,667"}, CasoQuantidade{2.5, true, 0, "3"},
                      CasoQuantidade{0.0001, false, 4, "0,0001"}));

TEST(TuimDFeReportNumeros, QuantityUsesItsMaskInMaskFormat) {
  TTuimDFeReport r;
  r.CasasDecimais().SetFormato(tdetMascara);
  r.CasasDecimais().SetMaskqCom(",0.000");
  r.CasasDecimais().SetqCom(1);  // ignored in mask format
  EXPECT_EQ(r.FormatarQuantidade(1234.5), "1.234,500");
  EXPECT_EQ(r.FormatarQuantidade(7, false), "7");
  EXPECT_EQ(r.FormatarQuantidade(7, true), "7,000");
}

struct CasoValor {
  double x;
  int casas;
  const char* esperado;
};

class UnitValueFormat : public ::testing::TestWithParam<CasoValor> {};
TEST_P(UnitValueFormat, AlwaysUsesTheDecimalPlaces) {
  TTuimDFeReport r;
  r.CasasDecimais().SetvUnCom(GetParam().casas);
  EXPECT_EQ(r.FormatarValorUnitario(GetParam().x), GetParam().esperado);
}
INSTANTIATE_TEST_SUITE_P(TuimDFeReport, UnitValueFormat,
                         ::testing::Values(CasoValor{10.5, 2, "10,50"}, CasoValor{10, 2, "10,00"},
                                           CasoValor{1.23456, 4, "1,2346"}, CasoValor{0.1, 10, "0,1000000000"},
                                           CasoValor{9876.5, 0, "9877"}, CasoValor{0.875, 2, "0,88"},
                                           CasoValor{-0.875, 2, "-0,88"}, CasoValor{1234567.891, 3, "1.234.567,891"}));

TEST(TuimDFeReportNumeros, UnitValueUsesItsMaskInMaskFormat) {
  TTuimDFeReport r;
  r.CasasDecimais().SetFormato(tdetMascara);
  r.CasasDecimais().SetMaskvUnCom("0.000");
  EXPECT_EQ(r.FormatarValorUnitario(1234.5678), "1234,568");
}
