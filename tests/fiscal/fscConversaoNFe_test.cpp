#include <gtest/gtest.h>

#include <clocale>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "fiscal/fscConversaoNFe.h"

using namespace tuim;

namespace {
using V = std::vector<std::string>;
template <class E>
V Codes(int count, std::string (*paraTexto)(E)) {
  V r;
  for (int i = 0; i < count; ++i) r.push_back(paraTexto(static_cast<E>(i)));
  return r;
}
template <class E>
void ExpectRoundTrip(int count, std::string (*paraTexto)(E),
                     E (*textoPara)(bool&, const std::string&)) {
  for (int i = 0; i < count; ++i) {
    const E v = static_cast<E>(i);
    bool ok = false;
    EXPECT_EQ(textoPara(ok, paraTexto(v)), v) << "ordinal " << i;
    EXPECT_TRUE(ok) << "ordinal " << i;
  }
}
}  // namespace

// ------------------------------------------------------------------------------------ model

TEST(Model, CodesAndNames) {
  EXPECT_EQ(ModeloDFParaTexto(moNFe), "55");
  EXPECT_EQ(ModeloDFParaTexto(moNFCe), "65");
  EXPECT_EQ(ModeloDFParaNome(moNFe), "NFe");
  EXPECT_EQ(ModeloDFParaNome(moNFCe), "NFCe");
  EXPECT_EQ(ModeloDFParaNome(static_cast<TfscModeloDF>(7)), "NFe");
  bool ok = false;
  EXPECT_EQ(TextoParaModeloDF(ok, "65"), moNFCe);
  EXPECT_TRUE(ok);
  EXPECT_EQ(TextoParaModeloDF(ok, "55"), moNFe);
  EXPECT_TRUE(ok);
}

TEST(Model, UnknownCodeGivesNFeAndNotOk) {
  bool ok = true;
  EXPECT_EQ(TextoParaModeloDF(ok, "57"), moNFe);
  EXPECT_FALSE(ok);
  ok = true;
  EXPECT_EQ(TextoParaModeloDF(ok, ""), moNFe);
  EXPECT_FALSE(ok);
}

// ---------------------------------------------------------------------------------- versions

TEST(LayoutVersion, TextsAndNumbers) {
  EXPECT_EQ(Codes(4, VersaoDFParaTexto), (V{"2.00", "3.00", "3.10", "4.00"}));
  EXPECT_DOUBLE_EQ(VersaoDFParaNumero(ve200), 2.0);
  EXPECT_DOUBLE_EQ(VersaoDFParaNumero(ve300), 3.0);
  EXPECT_DOUBLE_EQ(VersaoDFParaNumero(ve310), 3.1);
  EXPECT_DOUBLE_EQ(VersaoDFParaNumero(ve400), 4.0);
}

struct NumCase {
  double n;
  TfscVersaoDF v;
};
class NumberToVersion : public ::testing::TestWithParam<NumCase> {};
TEST_P(NumberToVersion, FollowsTheThresholds) {
  bool ok = false;
  EXPECT_EQ(NumeroParaVersaoDF(ok, GetParam().n), GetParam().v);
  EXPECT_TRUE(ok);
}
INSTANTIATE_TEST_SUITE_P(
    Worked, NumberToVersion,
    ::testing::Values(NumCase{3.1, ve310}, NumCase{3.10, ve310}, NumCase{3.09, ve300},
                      NumCase{1.1, ve200}, NumCase{5, ve400}, NumCase{2.0, ve200},
                      NumCase{3.0, ve300}, NumCase{2.99, ve200}, NumCase{3.99, ve310},
                      NumCase{4.0, ve400}, NumCase{0, ve200}, NumCase{-1, ve200},
                      // 3.1 reached by arithmetic lands a hair below the literal
                      NumCase{0.1 * 31, ve310}, NumCase{3.0 + 0.1, ve310}));

TEST(LayoutVersion, EveryVersionNumberReadsBackAsItsVersion) {
  for (int i = 0; i < 4; ++i) {
    bool ok = false;
    const auto v = static_cast<TfscVersaoDF>(i);
    EXPECT_EQ(NumeroParaVersaoDF(ok, VersaoDFParaNumero(v)), v);
  }
}

TEST(LayoutVersion, TextReadsWithEitherSeparatorUnderAnyLocale) {
  // Whatever locale the process runs under, a point or a comma reads the same.
  const char* old = std::setlocale(LC_NUMERIC, nullptr);
  const std::string saved = old ? old : "C";
  for (const char* loc : {"C", "pt_BR.UTF-8", "de_DE.UTF-8"}) {
    if (!std::setlocale(LC_NUMERIC, loc)) continue;
    bool ok = false;
    EXPECT_EQ(TextoParaVersaoDF(ok, "4.00"), ve400) << loc;
    EXPECT_TRUE(ok);
    EXPECT_EQ(TextoParaVersaoDF(ok, "3,10"), ve310) << loc;
    EXPECT_TRUE(ok);
    EXPECT_EQ(TextoParaVersaoDF(ok, "3.09"), ve300) << loc;
    EXPECT_TRUE(ok);
    ok = true;
    EXPECT_EQ(TextoParaVersaoDF(ok, "x"), ve200) << loc;
    EXPECT_FALSE(ok);
    ok = true;
    EXPECT_EQ(TextoParaVersaoDF(ok, ""), ve200) << loc;
    EXPECT_FALSE(ok);
    ok = true;
    EXPECT_EQ(TextoParaVersaoDF(ok, "4.00x"), ve200) << loc;
    EXPECT_FALSE(ok);
  }
  std::setlocale(LC_NUMERIC, saved.c_str());
}

TEST(QrCodeVersion, TextsAndNumbers) {
  EXPECT_EQ(Codes(3, VersaoQrCodeParaTexto), (V{"0", "1", "2"}));
  EXPECT_DOUBLE_EQ(VersaoQrCodeParaNumero(veqr000), 0.0);
  EXPECT_DOUBLE_EQ(VersaoQrCodeParaNumero(veqr100), 1.0);
  EXPECT_DOUBLE_EQ(VersaoQrCodeParaNumero(veqr200), 2.0);
  EXPECT_DOUBLE_EQ(VersaoQrCodeParaNumero(static_cast<TfscVersaoQrCode>(9)), 0.0);
  ExpectRoundTrip(3, VersaoQrCodeParaTexto, TextoParaVersaoQrCode);
}

// ---------------------------------------------------------------------------- service layouts

struct LayCase {
  TfscLayOut v;
  const char* servico;
  TSchemaNFe schema;
};
class LayoutRow : public ::testing::TestWithParam<LayCase> {};
TEST_P(LayoutRow, ServiceNameAndSchemaKind) {
  EXPECT_EQ(LayOutParaServico(GetParam().v), GetParam().servico);
  EXPECT_EQ(LayOutParaSchema(GetParam().v), GetParam().schema);
}
INSTANTIATE_TEST_SUITE_P(
    AllLayouts, LayoutRow,
    ::testing::Values(LayCase{layNfeRecepcao, "NfeRecepcao", schNfe},
                      LayCase{layNfeRetRecepcao, "NfeRetRecepcao", schconsReciNFe},
                      LayCase{layNfeCancelamento, "NfeCancelamento", schcancNFe},
                      LayCase{layNfeInutilizacao, "NfeInutilizacao", schInutNFe},
                      LayCase{layNfeConsultaProtocolo, "NfeConsultaProtocolo", schconsSitNFe},
                      LayCase{layNfeStatusServico, "NfeStatusServico", schconsStatServ},
                      LayCase{layNfeConsultaCadastro, "NfeConsultaCadastro", schconsCad},
                      LayCase{layRecepcaoEventoExtra, "RecepcaoEvento", schenvEvento},
                      LayCase{layRecepcaoEvento, "RecepcaoEvento", schenvEvento},
                      LayCase{layRecepcaoEventoAN, "RecepcaoEvento", schenvEvento},
                      LayCase{layNfeConsultaDest, "NfeConsultaDest", schconsNFeDest},
                      LayCase{layNfeDownloadNF, "NfeDownloadNF", schdownloadNFe},
                      LayCase{layNfeAutorizacao, "NfeAutorizacao", schNfe},
                      LayCase{layNfeRetAutorizacao, "NfeRetAutorizacao", schretEnviNFe},
                      LayCase{layAdministrarCSCNFCe, "AdministrarCSCNFCe", schadmCscNFCe},
                      LayCase{layNFeDistribuicaoDFe, "NFeDistribuicaoDFe", schdistDFeInt},
                      LayCase{layEventoEPEC, "EventoEPEC", scheventoEPEC}));

TEST(ServiceName, SeventeenLayouts) {
  EXPECT_EQ(QuantidadeLayOut, 17);
  EXPECT_EQ(layEventoEPEC, 16);
}

TEST(ServiceName, ReadsIgnoringCase) {
  bool ok = false;
  EXPECT_EQ(ServicoParaLayOut(ok, "nfeautorizacao"), layNfeAutorizacao);
  EXPECT_TRUE(ok);
  EXPECT_EQ(ServicoParaLayOut(ok, "NFESTATUSSERVICO"), layNfeStatusServico);
  EXPECT_TRUE(ok);
}

TEST(ServiceName, RepeatedEventNameGivesTheNationalLayout) {
  bool ok = false;
  EXPECT_EQ(ServicoParaLayOut(ok, "RecepcaoEvento"), layRecepcaoEventoAN);
  EXPECT_TRUE(ok);
}

TEST(ServiceName, UnknownNameGivesFirstLayoutAndNotOk) {
  bool ok = true;
  EXPECT_EQ(ServicoParaLayOut(ok, "NfeQualquer"), layNfeRecepcao);
  EXPECT_FALSE(ok);
}

TEST(ServiceName, EveryUniqueNameRoundTrips) {
  for (int i = 0; i < QuantidadeLayOut; ++i) {
    const auto v = static_cast<TfscLayOut>(i);
    if (v == layRecepcaoEventoExtra || v == layRecepcaoEvento) continue;
    bool ok = false;
    EXPECT_EQ(ServicoParaLayOut(ok, LayOutParaServico(v)), v) << i;
    EXPECT_TRUE(ok);
  }
}

TEST(ServiceName, ValueOutsideTheTable) {
  EXPECT_EQ(LayOutParaServico(static_cast<TfscLayOut>(17)), "");
  EXPECT_EQ(LayOutParaSchema(static_cast<TfscLayOut>(17)), schNfe);
}

// ---------------------------------------------------------------------------------- schemas

TEST(SchemaKind, TwentyEightValuesNamedWithoutPrefix) {
  EXPECT_EQ(QuantidadeSchemaNFe, 28);
  EXPECT_EQ(schManifDestOperNaoRealizada, 27);
  EXPECT_EQ(SchemaNFeParaTexto(schretEnviNFe), "retEnviNFe");
  EXPECT_EQ(SchemaNFeParaTexto(schconsStatServ), "consStatServ");
  EXPECT_EQ(SchemaNFeParaTexto(schErro), "Erro");
  EXPECT_EQ(SchemaNFeParaTexto(schNfe), "Nfe");
  EXPECT_EQ(SchemaNFeParaTexto(scheventoEPEC), "eventoEPEC");
  EXPECT_EQ(SchemaNFeParaTexto(schManifDestOperNaoRealizada), "ManifDestOperNaoRealizada");
  EXPECT_EQ(SchemaNFeParaTexto(static_cast<TSchemaNFe>(28)), "");
  std::set<std::string> names;
  for (int i = 0; i < QuantidadeSchemaNFe; ++i)
    names.insert(SchemaNFeParaTexto(static_cast<TSchemaNFe>(i)));
  EXPECT_EQ(names.size(), 28u);
}

namespace {
std::string Lower(std::string s) {
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
  return s;
}
// `anyCase`: the names were made for a file system that ignores letter case.
bool SchemaFileExists(std::string stem, bool anyCase = false) {
  if (anyCase) stem = Lower(stem);
  for (const auto& e : std::filesystem::directory_iterator(TUIM_SCHEMAS_DIR)) {
    std::string f = e.path().filename().string();
    if (anyCase) f = Lower(f);
    if (f.rfind(stem + "_v", 0) == 0 && f.size() > 4 && f.substr(f.size() - 4) == ".xsd") return true;
  }
  return false;
}
}  // namespace

TEST(SchemaKind, MessageSchemasNameInstalledSchemaFiles) {
  // A schema's file name is the kind's name after "sch", letter case included.
  for (TfscLayOut l : {layNfeRetRecepcao, layNfeConsultaProtocolo, layNfeStatusServico,
                       layNfeConsultaCadastro, layRecepcaoEvento, layNfeRetAutorizacao,
                       layNFeDistribuicaoDFe}) {
    EXPECT_TRUE(SchemaFileExists(SchemaNFeParaTexto(LayOutParaSchema(l)))) << LayOutParaServico(l);
  }
  for (TSchemaNFe s : {schNfe, schInutNFe, schEnvCCe, schEnvEPEC, schEnvConfRecebto,
                       schEnvEventoCancNFe})
    EXPECT_TRUE(SchemaFileExists(SchemaNFeParaTexto(s), true)) << SchemaNFeParaTexto(s);
  EXPECT_EQ(LayOutParaSchema(layNfeAutorizacao), schNfe);
}

TEST(SchemaKind, EventDetailPrefixesNameInstalledSchemaFiles) {
  for (TSchemaNFe s : {schEnvCCe, schcancNFe, schCancSubst, schManifDestConfirmacao,
                       schManifDestCiencia, schManifDestDesconhecimento,
                       schManifDestOperNaoRealizada})
    EXPECT_TRUE(SchemaFileExists(SchemaEventoParaTexto(s))) << SchemaEventoParaTexto(s);
}

TEST(SchemaKind, DistributedDocumentSchemaFilesReadAsTheirKinds) {
  int seen = 0;
  for (const auto& e : std::filesystem::directory_iterator(TUIM_SCHEMAS_DIR)) {
    const std::string f = e.path().filename().string();
    const struct {
      const char* stem;
      TSchemaDFe v;
    } kinds[] = {{"resNFe_", schresNFe},
                 {"resEvento_", schresEvento},
                 {"procNFe_", schprocNFe},
                 {"procEventoNFe_", schprocEventoNFe}};
    for (const auto& k : kinds)
      if (f.rfind(k.stem, 0) == 0) {
        EXPECT_EQ(TextoParaSchemaDFe(f), k.v) << f;
        ++seen;
      }
  }
  EXPECT_EQ(seen, 4);
}

struct EvSchemaCase {
  TSchemaNFe v;
  const char* prefixo;
};
class EventSchemaPrefix : public ::testing::TestWithParam<EvSchemaCase> {};
TEST_P(EventSchemaPrefix, GivesTheDetailPrefix) {
  EXPECT_EQ(SchemaEventoParaTexto(GetParam().v), GetParam().prefixo);
}
INSTANTIATE_TEST_SUITE_P(
    Worked, EventSchemaPrefix,
    ::testing::Values(EvSchemaCase{schEnvCCe, "e110110"}, EvSchemaCase{schcancNFe, "e110111"},
                      EvSchemaCase{schCancSubst, "e110112"}, EvSchemaCase{schEnvEPEC, "e110140"},
                      EvSchemaCase{schPedProrrog1, "e111500"},
                      EvSchemaCase{schPedProrrog2, "e111501"},
                      EvSchemaCase{schCanPedProrrog1, "e111502"},
                      EvSchemaCase{schCanPedProrrog2, "e111503"},
                      EvSchemaCase{schManifDestConfirmacao, "e210200"},
                      EvSchemaCase{schManifDestCiencia, "e210210"},
                      EvSchemaCase{schManifDestDesconhecimento, "e210220"},
                      EvSchemaCase{schManifDestOperNaoRealizada, "e210240"},
                      EvSchemaCase{schenvEvento, ""}, EvSchemaCase{schErro, ""},
                      EvSchemaCase{schNfe, ""}, EvSchemaCase{schEnvEventoCancNFe, ""}));

TEST(EventSchemaPrefix, PrefixIsTheEventCodeOfTheSameKind) {
  // The detail prefix is "e" followed by the code the NF-e reader maps to that event.
  const struct {
    TSchemaNFe s;
    TfscTpEvento e;
  } pairs[] = {{schEnvCCe, teCCe},
               {schcancNFe, teCancelamento},
               {schCancSubst, teCancelamentoPorSubstituicao},
               {schEnvEPEC, teEPECNFe},
               {schPedProrrog2, tePedProrrog2},
               {schManifDestCiencia, teManifDestCiencia}};
  for (const auto& p : pairs) EXPECT_EQ(SchemaEventoParaTexto(p.s), "e" + TpEventoParaTexto(p.e));
}

// ------------------------------------------------------------------------- other NF-e codes

TEST(NFeCodes, CodesInDeclarationOrder) {
  EXPECT_EQ(Codes(4, FinNFeParaTexto), (V{"1", "2", "3", "4"}));
  EXPECT_EQ(Codes(6, ModFreteParaTexto), (V{"0", "1", "2", "3", "4", "9"}));
  EXPECT_EQ(Codes(4, TpOpParaTexto), (V{"1", "2", "3", "0"}));
  EXPECT_EQ(Codes(3, CondVeicParaTexto), (V{"1", "2", "3"}));
  EXPECT_EQ(Codes(2, TpArmaParaTexto), (V{"0", "1"}));
  EXPECT_EQ(Codes(3, IndEscalaParaTexto), (V{"S", "N", ""}));
  EXPECT_EQ(IndEscalaParaTexto(indEscalaVazio), "");
}

TEST(NFeCodes, EveryTableRoundTrips) {
  ExpectRoundTrip(2, ModeloDFParaTexto, TextoParaModeloDF);
  ExpectRoundTrip(4, FinNFeParaTexto, TextoParaFinNFe);
  ExpectRoundTrip(6, ModFreteParaTexto, TextoParaModFrete);
  ExpectRoundTrip(4, TpOpParaTexto, TextoParaTpOp);
  ExpectRoundTrip(3, CondVeicParaTexto, TextoParaCondVeic);
  ExpectRoundTrip(2, TpArmaParaTexto, TextoParaTpArma);
  ExpectRoundTrip(3, IndEscalaParaTexto, TextoParaIndEscala);
  bool ok = false;
  EXPECT_EQ(TextoParaIndEscala(ok, "s"), indEscalaS);
  EXPECT_TRUE(ok);
}

// ------------------------------------------------------------------------------ NF-e events

struct EvCase {
  const char* code;
  TfscTpEvento v;
};
class NFeEventCode : public ::testing::TestWithParam<EvCase> {};
TEST_P(NFeEventCode, ReadsTheListedType) {
  bool ok = false;
  EXPECT_EQ(TextoParaTpEventoNFe(ok, GetParam().code), GetParam().v);
  EXPECT_TRUE(ok);
  EXPECT_EQ(TextoParaTpEventoDFe(ok, GetParam().code, "NFe"), GetParam().v);
  EXPECT_TRUE(ok);
}
INSTANTIATE_TEST_SUITE_P(
    AllCodes, NFeEventCode,
    ::testing::Values(EvCase{"-99999", teNaoMapeado}, EvCase{"110110", teCCe},
                      EvCase{"110111", teCancelamento},
                      EvCase{"110112", teCancelamentoPorSubstituicao},
                      EvCase{"110140", teEPECNFe}, EvCase{"111500", tePedProrrog1},
                      EvCase{"111501", tePedProrrog2}, EvCase{"111502", teCanPedProrrog1},
                      EvCase{"111503", teCanPedProrrog2},
                      EvCase{"210200", teManifDestConfirmacao},
                      EvCase{"210210", teManifDestCiencia},
                      EvCase{"210220", teManifDestDesconhecimento},
                      EvCase{"210240", teManifDestOperNaoRealizada},
                      EvCase{"610600", teRegistroCTe}, EvCase{"610614", teMDFeAutorizadoComCTe}));

TEST(NFeEventCode, UnknownCodeGivesNotMappedAndNotOk) {
  bool ok = true;
  EXPECT_EQ(TextoParaTpEventoNFe(ok, "110113"), teNaoMapeado);
  EXPECT_FALSE(ok);
  ok = true;
  EXPECT_EQ(TextoParaTpEventoNFe(ok, ""), teNaoMapeado);
  EXPECT_FALSE(ok);
}

TEST(NFeEventCode, ReadCodeWritesBackTheSameCode) {
  for (const char* c : {"110110", "110111", "110112", "110140", "210240", "610614"}) {
    bool ok = false;
    EXPECT_EQ(TpEventoParaTexto(TextoParaTpEventoNFe(ok, c)), c);
  }
}

TEST(NFeEventCode, ExplicitRegistrationIsHarmless) {
  RegistrarConversoresNFe();
  RegistrarConversoresNFe();
  bool ok = false;
  EXPECT_EQ(TextoParaTpEventoDFe(ok, "110111", "NFe"), teCancelamento);
  EXPECT_TRUE(ok);
}
