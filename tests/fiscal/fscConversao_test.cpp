#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include "fiscal/TuimException.h"
#include "fiscal/fscConversao.h"

using namespace tuim;

namespace {

// Walks ordinals 0..count-1 of an enumeration: the code of every value reads back as that value.
template <class E>
void ExpectRoundTrip(int count, std::string (*paraTexto)(E),
                     E (*textoPara)(bool&, const std::string&)) {
  for (int i = 0; i < count; ++i) {
    const E v = static_cast<E>(i);
    bool ok = false;
    EXPECT_EQ(textoPara(ok, paraTexto(v)), v) << "ordinal " << i << " code " << paraTexto(v);
    EXPECT_TRUE(ok) << "ordinal " << i;
  }
}

// The codes of an enumeration in declaration order, as listed for the layouts.
template <class E>
std::vector<std::string> Codes(int count, std::string (*paraTexto)(E)) {
  std::vector<std::string> r;
  for (int i = 0; i < count; ++i) r.push_back(paraTexto(static_cast<E>(i)));
  return r;
}

using V = std::vector<std::string>;

}  // namespace

// ------------------------------------------------------------------------------ generic lookups

namespace {
constexpr TCodigoEnumerado kDup[] = {{0, "A"}, {1, "b"}, {2, "A"}, {1, "c"}, {3, ""}};
}

TEST(GenericLookup, LaterPositionWinsForARepeatedValue) {
  EXPECT_EQ(EnumeradoParaTexto(1, kDup), "c");
  EXPECT_EQ(EnumeradoParaTexto(0, kDup), "A");
}

TEST(GenericLookup, LaterPositionWinsForARepeatedCode) {
  bool ok = false;
  EXPECT_EQ(TextoParaEnumerado(ok, "A", kDup), 2);
  EXPECT_TRUE(ok);
}

TEST(GenericLookup, CodesCompareIgnoringLetterCase) {
  bool ok = false;
  EXPECT_EQ(TextoParaEnumerado(ok, "a", kDup), 2);
  EXPECT_TRUE(ok);
  EXPECT_EQ(TextoParaEnumerado(ok, "B", kDup), 1);
  EXPECT_TRUE(ok);
}

TEST(GenericLookup, UnknownCodeGivesFirstValueAndNotOk) {
  constexpr TCodigoEnumerado t[] = {{7, "x"}, {3, "y"}};
  bool ok = true;
  EXPECT_EQ(TextoParaEnumerado(ok, "z", t), 7);
  EXPECT_FALSE(ok);
  // A longer or shorter text is not a match of its prefix.
  EXPECT_EQ(TextoParaEnumerado(ok, "xx", t), 7);
  EXPECT_FALSE(ok);
  EXPECT_EQ(TextoParaEnumerado(ok, "", t), 7);
  EXPECT_FALSE(ok);
}

TEST(GenericLookup, EmptyCodeMatchesAnEmptyEntry) {
  bool ok = false;
  EXPECT_EQ(TextoParaEnumerado(ok, "", kDup), 3);
  EXPECT_TRUE(ok);
}

TEST(GenericLookup, ValueFoundNowhereGivesEmptyText) {
  EXPECT_EQ(EnumeradoParaTexto(9, kDup), "");
}

TEST(GenericLookup, EmptyTableNeitherCrashesNorMatches) {
  bool ok = true;
  EXPECT_EQ(TextoParaEnumerado(ok, "1", std::span<const TCodigoEnumerado>()), 0);
  EXPECT_FALSE(ok);
  EXPECT_EQ(EnumeradoParaTexto(0, std::span<const TCodigoEnumerado>()), "");
}

TEST(GenericLookup, ParallelListsFollowTheSameRules) {
  const std::vector<std::string> codes{"1", "2", "1", "X"};
  const std::vector<int> values{5, 6, 7, 6};
  bool ok = false;
  EXPECT_EQ(TextoParaEnumerado(ok, "1", codes, values), 7);
  EXPECT_TRUE(ok);
  EXPECT_EQ(TextoParaEnumerado(ok, "x", codes, values), 6);
  EXPECT_TRUE(ok);
  EXPECT_EQ(TextoParaEnumerado(ok, "9", codes, values), 5);
  EXPECT_FALSE(ok);
  EXPECT_EQ(EnumeradoParaTexto(6, codes, values), "X");
  EXPECT_EQ(EnumeradoParaTexto(8, codes, values), "");
}

TEST(GenericLookup, ParallelListsOfDifferentLengthsUseOnlyCommonPositions) {
  bool ok = true;
  EXPECT_EQ(TextoParaEnumerado(ok, "3", {"1", "2", "3"}, {4, 5}), 4);
  EXPECT_FALSE(ok);
  EXPECT_EQ(TextoParaEnumerado(ok, "1", {"1"}, {}), 0);
  EXPECT_FALSE(ok);
  EXPECT_EQ(EnumeradoParaTexto(6, {"1"}, {4, 6}), "");
}

// ---------------------------------------------------------------------------------- state table

TEST(StateTable, HasTwentySevenRowsInTheFixedOrder) {
  ASSERT_EQ(TabelaUF.size(), 27u);
  EXPECT_STREQ(TabelaUF[0].Sigla, "AC");
  EXPECT_EQ(TabelaUF[0].Codigo, 12);
  EXPECT_STREQ(TabelaUF[10].Sigla, "MT");
  EXPECT_EQ(TabelaUF[10].Codigo, 51);
  EXPECT_STREQ(TabelaUF[21].Sigla, "RO");
  EXPECT_EQ(TabelaUF[21].Codigo, 11);
  EXPECT_STREQ(TabelaUF[26].Sigla, "TO");
  EXPECT_EQ(TabelaUF[26].Codigo, 17);
  std::set<std::string> siglas;
  std::set<int> codigos;
  for (const auto& uf : TabelaUF) {
    siglas.insert(uf.Sigla);
    codigos.insert(uf.Codigo);
  }
  EXPECT_EQ(siglas.size(), 27u);
  EXPECT_EQ(codigos.size(), 27u);
  // IBGE codes: regions 1 to 5, the North (1x) has seven states.
  int norte = 0;
  for (int c : codigos) {
    EXPECT_GE(c, 11);
    EXPECT_LE(c, 53);
    if (c / 10 == 1) ++norte;
  }
  EXPECT_EQ(norte, 7);
}

struct UfCase {
  int code;
  const char* uf;
};
class CodeToState : public ::testing::TestWithParam<UfCase> {};
TEST_P(CodeToState, GivesTheAbbreviationOrEmpty) {
  EXPECT_EQ(CodigoParaUF(GetParam().code), GetParam().uf);
}
INSTANTIATE_TEST_SUITE_P(Worked, CodeToState,
                         ::testing::Values(UfCase{51, "MT"}, UfCase{35, "SP"}, UfCase{12, "AC"},
                                           UfCase{17, "TO"}, UfCase{53, "DF"}, UfCase{43, "RS"},
                                           UfCase{99, ""}, UfCase{0, ""}, UfCase{-35, ""},
                                           UfCase{91, ""}));

TEST(StateTable, EveryRowCodeGivesItsOwnAbbreviation) {
  for (const auto& uf : TabelaUF) EXPECT_EQ(CodigoParaUF(uf.Codigo), uf.Sigla);
}

// ----------------------------------------------------------------------------- enumerations

TEST(Environment, KnownAndUnknownCodes) {
  bool ok = false;
  EXPECT_EQ(TextoParaTipoAmbiente(ok, "2"), taHomologacao);
  EXPECT_TRUE(ok);
  EXPECT_EQ(TextoParaTipoAmbiente(ok, "1"), taProducao);
  EXPECT_TRUE(ok);
  ok = true;
  EXPECT_EQ(TextoParaTipoAmbiente(ok, "3"), taProducao);
  EXPECT_FALSE(ok);
  ok = true;
  EXPECT_EQ(TextoParaTipoAmbiente(ok, ""), taProducao);
  EXPECT_FALSE(ok);
  ok = true;
  EXPECT_EQ(TextoParaTipoAmbiente(ok, " 2"), taProducao);
  EXPECT_FALSE(ok);
  EXPECT_EQ(TipoAmbienteParaTexto(taHomologacao), "2");
  EXPECT_EQ(TipoAmbienteParaTexto(taProducao), "1");
}

TEST(UnknownCodes, GiveTheFirstValueOfEachTable) {
  bool ok = true;
  EXPECT_EQ(TextoParaTpAutor(ok, "4"), tpAutor1);
  EXPECT_FALSE(ok);
  ok = true;
  EXPECT_EQ(TextoParaTpNF(ok, "2"), tpNF0);
  EXPECT_FALSE(ok);
  ok = true;
  EXPECT_EQ(TextoParaIndOp(ok, "0"), indOp1);
  EXPECT_FALSE(ok);
  ok = true;
  EXPECT_EQ(TextoParaCSitNFe(ok, "5"), cSitNFe1);
  EXPECT_FALSE(ok);
  ok = true;
  EXPECT_EQ(TextoParaModal(ok, "1"), modal01);  // the code is two digits
  EXPECT_FALSE(ok);
  ok = true;
  EXPECT_EQ(TextoParaIndTot(ok, "2"), indTot1);
  EXPECT_FALSE(ok);
  ok = true;
  EXPECT_EQ(TextoParaCSTIpi(ok, "98"), cstIpi00);
  EXPECT_FALSE(ok);
}

TEST(KnownCodes, ReadTheirValues) {
  bool ok = false;
  EXPECT_EQ(TextoParaTpAutor(ok, "9"), tpAutor9);
  EXPECT_TRUE(ok);
  EXPECT_EQ(TextoParaTpNF(ok, "1"), tpNF1);
  EXPECT_TRUE(ok);
  EXPECT_EQ(TextoParaIndOp(ok, "3"), indOp3);
  EXPECT_TRUE(ok);
  EXPECT_EQ(TextoParaCSitNFe(ok, "3"), cSitNFe3);
  EXPECT_TRUE(ok);
  EXPECT_EQ(TextoParaModal(ok, "06"), modal06);
  EXPECT_TRUE(ok);
  EXPECT_EQ(TextoParaIndTot(ok, "0"), indTot0);
  EXPECT_TRUE(ok);
}

TEST(KnownCodes, LettersCompareIgnoringCase) {
  bool ok = false;
  EXPECT_EQ(TextoParaModECF(ok, "2b"), modECF2B);
  EXPECT_TRUE(ok);
  EXPECT_EQ(TextoParaCSitTrib(ok, "s"), cSitTribS);
  EXPECT_TRUE(ok);
  EXPECT_EQ(TextoParaCSitTrib(ok, "I"), cSitTribI);
  EXPECT_TRUE(ok);
}

TEST(IcmsSituation, RepeatedAndEmptyCodes) {
  EXPECT_EQ(CSTIcmsParaTexto(cstIcmsPart90), "90");
  EXPECT_EQ(CSTIcmsParaTexto(cstIcmsPart10), "10");
  EXPECT_EQ(CSTIcmsParaTexto(cstIcmsST41), "41");
  EXPECT_EQ(CSTIcmsParaTexto(cstIcmsST60), "60");
  EXPECT_EQ(CSTIcmsParaTexto(cstIcms90b), "90");
  EXPECT_EQ(CSTIcmsParaTexto(cstIcmsVazio), "");
  EXPECT_EQ(CSTIcmsParaTexto(cstIcmsSN), "SN");
  EXPECT_EQ(CSTIcmsParaTexto(cstIcms00), "00");
  EXPECT_EQ(CSTIcmsParaTexto(cstIcms45), "45");
  EXPECT_EQ(cstIcmsST60, 20);
  // Values of the PL_010 packages come after the older ones, whose ordinals stay.
  EXPECT_EQ(CSTIcmsParaTexto(cstIcmsPart20), "20");
  EXPECT_EQ(cstIcmsPart20, 21);
  EXPECT_EQ(tiSimplificadoTipo2, 6);
  EXPECT_EQ(procEmi4, 4);
}

TEST(TotalIndicator, FirstDeclaredValueIsCodeOne) {
  EXPECT_EQ(IndTotParaTexto(static_cast<TfscIndTot>(0)), "1");
  EXPECT_EQ(IndTotParaTexto(indTot0), "0");
  EXPECT_EQ(indTot0, 1);
}

TEST(EmptyCodes, ValuesWithoutCodeGiveEmptyText) {
  EXPECT_EQ(IndPagParaTexto(indPagVazio), "");
  EXPECT_EQ(ModBCParaTexto(modBCVazio), "");
  EXPECT_EQ(ModECFParaTexto(modECFVazio), "");
  EXPECT_EQ(CSitTribParaTexto(cSitTribVazio), "");
  EXPECT_EQ(TpIntegraParaTexto(tpIntegraVazio), "");
}

TEST(OutOfRange, ValueOutsideItsEnumerationGivesEmptyText) {
  EXPECT_EQ(TipoAmbienteParaTexto(static_cast<TfscTipoAmbiente>(2)), "");
  EXPECT_EQ(CSOSNParaTexto(static_cast<TfscCSOSN>(200)), "");
  EXPECT_EQ(TpEventoParaTexto(static_cast<TfscTpEvento>(58)), "");
  EXPECT_EQ(TpEventoParaDescricao(static_cast<TfscTpEvento>(255)), "");
}

// Every table: codes in declaration order exactly as the layouts list them.
TEST(CodeTables, CodesInDeclarationOrder) {
  EXPECT_EQ(Codes(4, IndPagParaTexto), (V{"0", "1", "2", ""}));
  EXPECT_EQ(Codes(7, TipoImpressaoParaTexto), (V{"0", "1", "2", "3", "4", "5", "6"}));
  EXPECT_EQ(Codes(9, TipoEmissaoParaTexto), (V{"1", "2", "3", "4", "5", "6", "7", "8", "9"}));
  EXPECT_EQ(Codes(5, ProcEmiParaTexto), (V{"0", "1", "2", "3", "4"}));
  EXPECT_EQ(Codes(9, OrigParaTexto), (V{"0", "1", "2", "3", "4", "5", "6", "7", "8"}));
  EXPECT_EQ(Codes(11, CSOSNParaTexto),
            (V{"0", "101", "102", "103", "201", "202", "203", "300", "400", "500", "900"}));
  EXPECT_EQ(Codes(21, CSTIcmsParaTexto),
            (V{"00", "10", "20", "30", "40", "41", "45", "50", "51", "60", "70", "80", "81",
               "90", "10", "90", "41", "", "90", "SN", "60"}));
  EXPECT_EQ(Codes(5, ModBCParaTexto), (V{"0", "1", "2", "3", ""}));
  EXPECT_EQ(Codes(7, ModBCSTParaTexto), (V{"0", "1", "2", "3", "4", "5", "6"}));
  EXPECT_EQ(Codes(14, MotDesICMSParaTexto),
            (V{"1", "2", "3", "4", "5", "6", "7", "8", "9", "10", "11", "12", "16", "90"}));
  EXPECT_EQ(Codes(14, CSTIpiParaTexto),
            (V{"00", "49", "50", "99", "01", "02", "03", "04", "05", "51", "52", "53", "54",
               "55"}));
  const V pisCofins{"01", "02", "03", "04", "05", "06", "07", "08", "09", "49", "50",
                    "51", "52", "53", "54", "55", "56", "60", "61", "62", "63", "64",
                    "65", "66", "67", "70", "71", "72", "73", "74", "75", "98", "99"};
  EXPECT_EQ(Codes(33, CSTPisParaTexto), pisCofins);
  EXPECT_EQ(Codes(33, CSTCofinsParaTexto), pisCofins);
  EXPECT_EQ(Codes(5, IndProcParaTexto), (V{"0", "1", "2", "3", "9"}));
  EXPECT_EQ(Codes(3, CRTParaTexto), (V{"1", "2", "3"}));
  EXPECT_EQ(Codes(2, IndTotParaTexto), (V{"1", "0"}));
  EXPECT_EQ(Codes(4, ModECFParaTexto), (V{"", "2B", "2C", "2D"}));
  EXPECT_EQ(Codes(5, CSitTribParaTexto), (V{"", "N", "R", "S", "I"}));
  EXPECT_EQ(Codes(3, IdDestParaTexto), (V{"1", "2", "3"}));
  EXPECT_EQ(Codes(2, IndFinalParaTexto), (V{"0", "1"}));
  EXPECT_EQ(Codes(7, IndPresParaTexto), (V{"0", "1", "2", "3", "4", "5", "9"}));
  EXPECT_EQ(Codes(13, TPagParaTexto), (V{"01", "02", "03", "04", "05", "10", "11", "12", "13",
                                         "14", "15", "90", "99"}));
  EXPECT_EQ(Codes(10, TBandParaTexto),
            (V{"01", "02", "03", "04", "05", "06", "07", "08", "09", "99"}));
  EXPECT_EQ(Codes(7, CRegTribParaTexto), (V{"1", "2", "3", "4", "5", "6", "0"}));
  EXPECT_EQ(Codes(3, IndIEDestParaTexto), (V{"1", "2", "9"}));
  EXPECT_EQ(Codes(12, TpViaTranspParaTexto),
            (V{"1", "2", "3", "4", "5", "6", "7", "8", "9", "10", "11", "12"}));
  EXPECT_EQ(Codes(3, TpIntermedioParaTexto), (V{"1", "2", "3"}));
  EXPECT_EQ(Codes(7, IndISSParaTexto), (V{"1", "2", "3", "4", "5", "6", "7"}));
  EXPECT_EQ(Codes(2, IndIncentivoParaTexto), (V{"1", "2"}));
  EXPECT_EQ(Codes(6, TpAutorParaTexto), (V{"1", "2", "3", "5", "6", "9"}));
  EXPECT_EQ(Codes(3, IndOpParaTexto), (V{"1", "2", "3"}));
  EXPECT_EQ(Codes(4, CSitNFeParaTexto), (V{"1", "2", "3", "4"}));
  EXPECT_EQ(Codes(6, ModalParaTexto), (V{"01", "02", "03", "04", "05", "06"}));
  EXPECT_EQ(Codes(3, TpIntegraParaTexto), (V{"", "1", "2"}));
  EXPECT_EQ(Codes(2, TpNFParaTexto), (V{"0", "1"}));
  EXPECT_EQ(Codes(2, TipoAmbienteParaTexto), (V{"1", "2"}));
}

TEST(CodeTables, EveryTableWithDistinctCodesRoundTrips) {
  ExpectRoundTrip(2, TipoAmbienteParaTexto, TextoParaTipoAmbiente);
  ExpectRoundTrip(6, TpAutorParaTexto, TextoParaTpAutor);
  ExpectRoundTrip(3, IndOpParaTexto, TextoParaIndOp);
  ExpectRoundTrip(4, CSitNFeParaTexto, TextoParaCSitNFe);
  ExpectRoundTrip(6, ModalParaTexto, TextoParaModal);
  ExpectRoundTrip(2, TpNFParaTexto, TextoParaTpNF);
  ExpectRoundTrip(4, IndPagParaTexto, TextoParaIndPag);
  ExpectRoundTrip(7, TipoImpressaoParaTexto, TextoParaTipoImpressao);
  ExpectRoundTrip(9, TipoEmissaoParaTexto, TextoParaTipoEmissao);
  ExpectRoundTrip(5, ProcEmiParaTexto, TextoParaProcEmi);
  ExpectRoundTrip(9, OrigParaTexto, TextoParaOrig);
  ExpectRoundTrip(11, CSOSNParaTexto, TextoParaCSOSN);
  ExpectRoundTrip(5, ModBCParaTexto, TextoParaModBC);
  ExpectRoundTrip(7, ModBCSTParaTexto, TextoParaModBCST);
  ExpectRoundTrip(14, MotDesICMSParaTexto, TextoParaMotDesICMS);
  ExpectRoundTrip(14, CSTIpiParaTexto, TextoParaCSTIpi);
  ExpectRoundTrip(33, CSTPisParaTexto, TextoParaCSTPis);
  ExpectRoundTrip(33, CSTCofinsParaTexto, TextoParaCSTCofins);
  ExpectRoundTrip(5, IndProcParaTexto, TextoParaIndProc);
  ExpectRoundTrip(3, CRTParaTexto, TextoParaCRT);
  ExpectRoundTrip(2, IndTotParaTexto, TextoParaIndTot);
  ExpectRoundTrip(4, ModECFParaTexto, TextoParaModECF);
  ExpectRoundTrip(5, CSitTribParaTexto, TextoParaCSitTrib);
  ExpectRoundTrip(3, IdDestParaTexto, TextoParaIdDest);
  ExpectRoundTrip(2, IndFinalParaTexto, TextoParaIndFinal);
  ExpectRoundTrip(7, IndPresParaTexto, TextoParaIndPres);
  ExpectRoundTrip(13, TPagParaTexto, TextoParaTPag);
  ExpectRoundTrip(10, TBandParaTexto, TextoParaTBand);
  ExpectRoundTrip(7, CRegTribParaTexto, TextoParaCRegTrib);
  ExpectRoundTrip(3, IndIEDestParaTexto, TextoParaIndIEDest);
  ExpectRoundTrip(12, TpViaTranspParaTexto, TextoParaTpViaTransp);
  ExpectRoundTrip(3, TpIntermedioParaTexto, TextoParaTpIntermedio);
  ExpectRoundTrip(7, IndISSParaTexto, TextoParaIndISS);
  ExpectRoundTrip(2, IndIncentivoParaTexto, TextoParaIndIncentivo);
  ExpectRoundTrip(3, TpIntegraParaTexto, TextoParaTpIntegra);
}

TEST(CodeTables, LastValueOfEachEnumerationHasTheListedOrdinal) {
  EXPECT_EQ(indPagVazio, 3);
  EXPECT_EQ(tiMsgEletronica, 5);
  EXPECT_EQ(teOffLine, 8);
  EXPECT_EQ(csosn900, 10);
  EXPECT_EQ(motDesICMS90, 13);
  EXPECT_EQ(cstIpi55, 13);
  EXPECT_EQ(cstPis99, 32);
  EXPECT_EQ(cstCofins99, 32);
  EXPECT_EQ(tpViaTransp12, 11);
  EXPECT_EQ(cRegTrib0, 6);
  EXPECT_EQ(tpAutor9, 5);
  EXPECT_EQ(taSomenteParaNaoAssinada, 3);
  EXPECT_EQ(fgtSempre, 3);
  EXPECT_EQ(tdetMascara, 1);
  EXPECT_EQ(schprocEventoBPe, 13);
}

// ------------------------------------------------------------------------- derived tables

struct CsosnCase {
  TfscCSOSN v;
  const char* grupo;
  const char* id;
};
class CsosnGroup : public ::testing::TestWithParam<CsosnCase> {};
TEST_P(CsosnGroup, GivesGroupAndIdentifierSuffixes) {
  EXPECT_EQ(CSOSNParaGrupo(GetParam().v), GetParam().grupo);
  EXPECT_EQ(CSOSNParaIdGrupo(GetParam().v), GetParam().id);
}
INSTANTIATE_TEST_SUITE_P(
    AllValues, CsosnGroup,
    ::testing::Values(CsosnCase{csosn0, "", ""}, CsosnCase{csosn101, "101", "10c"},
                      CsosnCase{csosn102, "102", "10d"}, CsosnCase{csosn103, "102", "10d"},
                      CsosnCase{csosn201, "201", "10e"}, CsosnCase{csosn202, "202", "10f"},
                      CsosnCase{csosn203, "202", "10f"}, CsosnCase{csosn300, "102", "10d"},
                      CsosnCase{csosn400, "102", "10d"}, CsosnCase{csosn500, "500", "10g"},
                      CsosnCase{csosn900, "900", "10h"}));

struct CstCase {
  TfscCSTIcms v;
  const char* id;
};
class CstIcmsGroup : public ::testing::TestWithParam<CstCase> {};
TEST_P(CstIcmsGroup, GivesIdentifierSuffix) {
  EXPECT_EQ(CSTIcmsParaIdGrupo(GetParam().v), GetParam().id);
}
INSTANTIATE_TEST_SUITE_P(
    AllValues, CstIcmsGroup,
    ::testing::Values(CstCase{cstIcms00, "02"}, CstCase{cstIcms10, "03"},
                      CstCase{cstIcms20, "04"}, CstCase{cstIcms30, "05"},
                      CstCase{cstIcms40, "06"}, CstCase{cstIcms41, "06"},
                      CstCase{cstIcms45, ""}, CstCase{cstIcms50, "06"},
                      CstCase{cstIcms51, "07"}, CstCase{cstIcms60, "08"},
                      CstCase{cstIcms70, "09"}, CstCase{cstIcms80, "10"},
                      CstCase{cstIcms81, "11"}, CstCase{cstIcms90, "12"},
                      CstCase{cstIcmsPart10, "10a"}, CstCase{cstIcmsPart90, "10a"},
                      CstCase{cstIcmsST41, "10b"}, CstCase{cstIcmsVazio, ""},
                      CstCase{cstIcms90b, ""}, CstCase{cstIcmsSN, ""},
                      CstCase{cstIcmsST60, "10b"}, CstCase{cstIcmsPart20, "10a"}));

TEST(ProcessOrigin, DescriptionsAreWindows1252) {
  EXPECT_EQ(IndProcParaDescricao(indProc0), "SEFAZ");
  EXPECT_EQ(IndProcParaDescricao(indProc1), "JUSTI\xC7" "A FEDERAL");
  EXPECT_EQ(IndProcParaDescricao(indProc2), "JUSTI\xC7" "A ESTADUAL");
  EXPECT_EQ(IndProcParaDescricao(indProc3), "SECEX / RFB");
  EXPECT_EQ(IndProcParaDescricao(indProc9), "OUTROS");
}

// --------------------------------------------------------------------------------- events

TEST(EventTypes, FiftyEightValuesWithSixDigitCodes) {
  EXPECT_EQ(QuantidadeTpEvento, 58);
  EXPECT_EQ(teEvento110115, 57);
  EXPECT_EQ(TpEventoParaTexto(teNaoMapeado), "-99999");
  for (int i = 1; i < QuantidadeTpEvento; ++i) {
    const std::string c = TpEventoParaTexto(static_cast<TfscTpEvento>(i));
    ASSERT_EQ(c.size(), 6u) << i;
    EXPECT_EQ(c.find_first_not_of("0123456789"), std::string::npos) << i;
  }
}

TEST(EventTypes, OnlyTheTwoListedCodesRepeat) {
  std::multiset<std::string> all;
  for (int i = 0; i < QuantidadeTpEvento; ++i)
    all.insert(TpEventoParaTexto(static_cast<TfscTpEvento>(i)));
  std::set<std::string> repeated;
  for (const auto& c : all)
    if (all.count(c) > 1) repeated.insert(c);
  EXPECT_EQ(repeated, (std::set<std::string>{"110112", "110115"}));
  EXPECT_EQ(all.count("110112"), 2u);
  EXPECT_EQ(all.count("110115"), 2u);
}

TEST(EventTypes, SubstitutionCancellationSharesTheClosingCode) {
  EXPECT_EQ(TpEventoParaTexto(teCancelamentoPorSubstituicao), "110112");
  EXPECT_EQ(TpEventoParaTexto(teEncerramento), "110112");
  EXPECT_EQ(TpEventoParaTexto(teNaoEmbarque), "110115");
  EXPECT_EQ(TpEventoParaTexto(teEvento110115), "110115");
  EXPECT_EQ(teEncerramento, 7);
  EXPECT_EQ(teCancelamentoPorSubstituicao, 53);
  EXPECT_EQ(teNaoEmbarque, 35);
}

struct EventCase {
  TfscTpEvento v;
  const char* code;
  const char* name;
};
class EventRow : public ::testing::TestWithParam<EventCase> {};
TEST_P(EventRow, CodeAndName) {
  EXPECT_EQ(TpEventoParaTexto(GetParam().v), GetParam().code);
  EXPECT_EQ(TpEventoParaDescricao(GetParam().v), GetParam().name);
}
INSTANTIATE_TEST_SUITE_P(
    Sample, EventRow,
    ::testing::Values(EventCase{teNaoMapeado, "-99999", "NaoMapeado"},
                      EventCase{teCCe, "110110", "CCe"},
                      EventCase{teCancelamento, "110111", "Cancelamento"},
                      EventCase{teManifDestOperNaoRealizada, "210240", "ManifDestOperNaoRealizada"},
                      EventCase{teEPECNFe, "110140", "EPECNFe"},
                      EventCase{teCTeAutorizado, "000000", "CTeAutorizado"},
                      EventCase{teVistoriaSuframa, "990900", "VistoriaSuframa"},
                      EventCase{teAverbacaoExportacao, "790700", "AverbacaoExportacao"},
                      EventCase{teAutorizadoServMultimodal, "440160", "AutorizadoServMultimodal"},
                      EventCase{teCancelamentoPorSubstituicao, "110112",
                                "CancelamentoPorSubstituicao"},
                      EventCase{teAlteracaoPoltrona, "110116", "AlteracaoPoltrona"},
                      EventCase{teEvento110180, "110180", ""},
                      EventCase{teEvento110181, "110181", ""},
                      EventCase{teEvento110115, "110115", ""}));

TEST(EventTypes, NamesAreTheValueNamesWithoutPrefixUpToOrdinal54) {
  // Spot-checked independently above; here every name is non-empty and distinct.
  std::set<std::string> names;
  for (int i = 0; i <= 54; ++i) {
    const std::string n = TpEventoParaDescricao(static_cast<TfscTpEvento>(i));
    EXPECT_FALSE(n.empty()) << i;
    names.insert(n);
  }
  EXPECT_EQ(names.size(), 55u);
}

// -------------------------------------------------------------------------------- schemas

struct SchemaCase {
  const char* name;
  TSchemaDFe v;
};
class SchemaName : public ::testing::TestWithParam<SchemaCase> {};
TEST_P(SchemaName, GivesTheSchemaKind) {
  EXPECT_EQ(TextoParaSchemaDFe(GetParam().name), GetParam().v);
}
INSTANTIATE_TEST_SUITE_P(
    Worked, SchemaName,
    ::testing::Values(SchemaCase{"resNFe_v1.01.xsd", schresNFe}, SchemaCase{"schresNFe", schresNFe},
                      SchemaCase{"procEventoNFe_v1.00.xsd", schprocEventoNFe},
                      SchemaCase{"resEvento_v1.01.xsd", schresEvento},
                      SchemaCase{"procNFe_v4.00.xsd", schprocNFe},
                      SchemaCase{"PROCNFE", schprocNFe},
                      SchemaCase{"SCHprocCTeOS_v3", schprocCTeOS},
                      SchemaCase{"procEventoBPe", schprocEventoBPe},
                      SchemaCase{"resMDFe_", schresMDFe}));

TEST(SchemaName, UnknownNameRaisesWithThePrefixedName) {
  try {
    TextoParaSchemaDFe("xyz");
    FAIL() << "no exception";
  } catch (const ETuimDFeException& e) {
    EXPECT_EQ(std::string(e.what()), "\"schxyz\" n\xE3o \xE9 um valor TSchemaDFe v\xE1lido.");
  }
}

TEST(SchemaName, NameIsCutAtTheFirstUnderscoreBeforeTheSearch) {
  try {
    TextoParaSchemaDFe("proc_NFe_v1.xsd");
    FAIL() << "no exception";
  } catch (const ETuimDFeException& e) {
    EXPECT_EQ(std::string(e.what()), "\"schproc\" n\xE3o \xE9 um valor TSchemaDFe v\xE1lido.");
  }
  EXPECT_THROW(TextoParaSchemaDFe(""), ETuimDFeException);
  EXPECT_THROW(TextoParaSchemaDFe("resNFe.xsd"), ETuimDFeException);
}

// ----------------------------------------------------------------------- event registry

TEST(EventRegistry, NFeReaderIsRegisteredWithoutAnyStartUpCall) {
  bool ok = false;
  EXPECT_EQ(TextoParaTpEventoDFe(ok, "110111", "NFe"), teCancelamento);
  EXPECT_TRUE(ok);
}

TEST(EventRegistry, KindIsComparedInUpperCase) {
  bool ok = false;
  EXPECT_EQ(TextoParaTpEventoDFe(ok, "110110", "nfe"), teCCe);
  EXPECT_TRUE(ok);
  EXPECT_EQ(TextoParaTpEventoDFe(ok, "210200", "NFE"), teManifDestConfirmacao);
  EXPECT_TRUE(ok);
}

TEST(EventRegistry, UnknownKindGivesNotMappedAndNotOk) {
  bool ok = true;
  EXPECT_EQ(TextoParaTpEventoDFe(ok, "110111", "BPe-sem-conversor"), teNaoMapeado);
  EXPECT_FALSE(ok);
}

TEST(EventRegistry, SecondRegistrationOfAKindKeepsTheFirst) {
  RegistrarConversorEvento([](bool& ok, const std::string&) { ok = true; return teGTV; }, "TesteDup");
  RegistrarConversorEvento([](bool& ok, const std::string&) { ok = true; return teCCe; }, "TESTEDUP");
  bool ok = false;
  EXPECT_EQ(TextoParaTpEventoDFe(ok, "x", "testedup"), teGTV);
  EXPECT_TRUE(ok);
}

TEST(EventRegistry, RegisteringNFeAgainKeepsTheBuiltInReader) {
  RegistrarConversorEvento([](bool& ok, const std::string&) { ok = true; return teGTV; }, "nfe");
  bool ok = false;
  EXPECT_EQ(TextoParaTpEventoDFe(ok, "110112", "NFe"), teCancelamentoPorSubstituicao);
  EXPECT_TRUE(ok);
}

TEST(EventRegistry, ConverterAnswerIsPassedThroughIncludingNotOk) {
  RegistrarConversorEvento(
      [](bool& ok, const std::string& c) {
        ok = c == "1";
        return ok ? teMultiModal : teNaoMapeado;
      },
      "TesteOk");
  bool ok = true;
  EXPECT_EQ(TextoParaTpEventoDFe(ok, "2", "TesteOk"), teNaoMapeado);
  EXPECT_FALSE(ok);
  EXPECT_EQ(TextoParaTpEventoDFe(ok, "1", "TesteOk"), teMultiModal);
  EXPECT_TRUE(ok);
}

TEST(EventRegistry, EmptyConverterIsIgnoredAndDoesNotBlockALaterOne) {
  RegistrarConversorEvento(TStrToTpEventoDFe(), "TesteVazio");
  bool ok = true;
  EXPECT_EQ(TextoParaTpEventoDFe(ok, "1", "TesteVazio"), teNaoMapeado);
  EXPECT_FALSE(ok);
  RegistrarConversorEvento([](bool& ok, const std::string&) { ok = true; return teEPEC; },
                           "TesteVazio");
  EXPECT_EQ(TextoParaTpEventoDFe(ok, "1", "TesteVazio"), teEPEC);
  EXPECT_TRUE(ok);
}

// The headers are also compiled as UTF-8 (app/, cli/), so a non-ASCII byte would read differently
// there than in the libraries.
TEST(Headers, CodeTableHeadersAreAscii) {
  for (const char* h : {"/fiscal/fscConversao.h", "/fiscal/fscConversaoNFe.h"}) {
    std::ifstream in(std::string(TUIM_SOURCE_DIR) + h, std::ios::binary);
    ASSERT_TRUE(in) << h;
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_FALSE(text.empty());
    for (std::size_t i = 0; i < text.size(); ++i)
      ASSERT_LT(static_cast<unsigned char>(text[i]), 0x80u) << h << " at byte " << i;
  }
}
