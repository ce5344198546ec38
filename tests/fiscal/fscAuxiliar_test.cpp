#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "fiscal/TuimException.h"
#include "fiscal/fscAuxiliar.h"

using namespace tuim;

namespace {

TDateTime D(int y, int m, int d, int h = 0, int mi = 0) { return EncodeDateTime(y, m, d, h, mi, 0); }

// Puts the process-wide time-zone setting back after each test.
class ComFuso : public ::testing::Test {
protected:
  void SetUp() override { fSalvo.Assign(ConfiguracaoFusoHorario()); }
  void TearDown() override { ConfiguracaoFusoHorario().Assign(fSalvo); }
  static void Modo(TTimeZoneModoDeteccao m) {
    TTimeZoneConf c;
    c.SetModoDeteccao(m);
    if (m == tzManual) c.SetTimeZoneStr("-01:00");
    ConfiguracaoFusoHorario().Assign(c);
  }
  TTimeZoneConf fSalvo;
};

// Sets TZ for one test and restores it.
class ComTZ {
public:
  explicit ComTZ(const char* tz) {
    const char* v = std::getenv("TZ");
    fTinha = v != nullptr;
    if (v) fAntes = v;
    setenv("TZ", tz, 1);
    tzset();
  }
  ~ComTZ() {
    if (fTinha) setenv("TZ", fAntes.c_str(), 1);
    else unsetenv("TZ");
    tzset();
  }

private:
  bool fTinha = false;
  std::string fAntes;
};

}  // namespace

// ---- State codes ----------------------------------------------------------------------------

struct UFCase {
  int codigo;
  const char* sigla;
};
class StateCodeToAbbreviation : public ::testing::TestWithParam<UFCase> {};
TEST_P(StateCodeToAbbreviation, FollowsTheTable) {
  EXPECT_EQ(CodigoUFParaSigla(GetParam().codigo), GetParam().sigla);
}
INSTANTIATE_TEST_SUITE_P(Table, StateCodeToAbbreviation,
                         ::testing::Values(UFCase{51, "MT"}, UFCase{91, "DF"}, UFCase{90, "DF"},
                                           UFCase{53, "DF"}, UFCase{12, "AC"}, UFCase{17, "TO"},
                                           UFCase{35, "SP"}, UFCase{28, "SE"}, UFCase{5, ""},
                                           UFCase{0, ""}, UFCase{99, ""}, UFCase{-51, ""},
                                           UFCase{151, ""}));

struct SiglaCase {
  const char* sigla;
  int codigo;
  bool valida;
};
class AbbreviationToStateCode : public ::testing::TestWithParam<SiglaCase> {};
TEST_P(AbbreviationToStateCode, ComparesWholeItemsOnly) {
  EXPECT_EQ(SiglaParaCodigoUF(GetParam().sigla), GetParam().codigo);
  EXPECT_EQ(ValidarUF(GetParam().sigla), GetParam().valida);
}
INSTANTIATE_TEST_SUITE_P(Table, AbbreviationToStateCode,
                         ::testing::Values(SiglaCase{"MT", 51, true}, SiglaCase{"DF", 53, true},
                                           SiglaCase{"TO", 17, true}, SiglaCase{"AC", 12, true},
                                           SiglaCase{"EX", 0, true}, SiglaCase{"mt", 0, false},
                                           SiglaCase{"MT.MS", 0, false}, SiglaCase{"T.M", 0, false},
                                           SiglaCase{".", 0, false}, SiglaCase{"", 0, false},
                                           SiglaCase{"M", 0, false}, SiglaCase{"XX", 0, false}));

TEST(StateCodes, CodesNinetyAndNinetyOneAreValid) {
  EXPECT_TRUE(ValidarCodigoUF(90));
  EXPECT_TRUE(ValidarCodigoUF(91));
  EXPECT_TRUE(ValidarCodigoUF(42));
  EXPECT_FALSE(ValidarCodigoUF(1));
  EXPECT_FALSE(ValidarCodigoUF(10));
  EXPECT_FALSE(ValidarCodigoUF(0));
}

TEST(StateCodes, EveryCodeRoundTripsThroughItsAbbreviation) {
  int n = 0;
  for (int c = 0; c < 100; ++c) {
    if (!ValidarCodigoUF(c) || c >= 90) continue;
    ++n;
    EXPECT_EQ(SiglaParaCodigoUF(CodigoUFParaSigla(c)), c) << c;
  }
  EXPECT_EQ(n, 27);
}

// ---- Numbers and dates ----------------------------------------------------------------------

TEST(Numbers, IntegerWithZerosKeepsTheRightmostDigits) {
  EXPECT_EQ(InteiroComZeros(123, 2), "23");
  EXPECT_EQ(InteiroComZeros(7, 3), "007");
  EXPECT_EQ(InteiroComZeros(2024, 4), "2024");
  EXPECT_EQ(InteiroComZeros(5, 0), "");
}

TEST(Numbers, IsoDateTimeHasNineteenCharacters) {
  EXPECT_EQ(DataHoraParaISO(EncodeDateTime(2024, 3, 5, 7, 8, 9)), "2024-03-05T07:08:09");
  EXPECT_EQ(DataHoraParaISO(EncodeDateTime(1999, 12, 31, 23, 59, 59)), "1999-12-31T23:59:59");
}

// ---- Daylight-saving calendar ---------------------------------------------------------------

struct DataCase {
  int ano;
  TDateTime (*f)(int);
  int y, m, d;
};
class DaylightCalendar : public ::testing::TestWithParam<DataCase> {};
TEST_P(DaylightCalendar, MatchesThePublishedDates) {
  EXPECT_EQ(GetParam().f(GetParam().ano), EncodeDate(GetParam().y, GetParam().m, GetParam().d));
}
INSTANTIATE_TEST_SUITE_P(
    Years, DaylightCalendar,
    ::testing::Values(
        // Easter Sundays (the last four are the exceptions of the short computus)
        DataCase{2012, DomingoPascoa, 2012, 4, 8}, DataCase{2015, DomingoPascoa, 2015, 4, 5},
        DataCase{2018, DomingoPascoa, 2018, 4, 1}, DataCase{2019, DomingoPascoa, 2019, 4, 21},
        DataCase{2024, DomingoPascoa, 2024, 3, 31}, DataCase{2025, DomingoPascoa, 2025, 4, 20},
        DataCase{1954, DomingoPascoa, 1954, 4, 18}, DataCase{1981, DomingoPascoa, 1981, 4, 19},
        DataCase{2049, DomingoPascoa, 2049, 4, 18}, DataCase{2076, DomingoPascoa, 2076, 4, 19},
        // Carnival Tuesdays
        DataCase{2012, TercaCarnaval, 2012, 2, 21}, DataCase{2018, TercaCarnaval, 2018, 2, 13},
        DataCase{2024, TercaCarnaval, 2024, 2, 13},
        // starts: third Sunday of October until 2017, first Sunday of November after
        DataCase{2012, InicioHorarioVerao, 2012, 10, 21}, DataCase{2017, InicioHorarioVerao, 2017, 10, 15},
        DataCase{2018, InicioHorarioVerao, 2018, 11, 4},
        // ends: third Sunday of February, a week later when it is Carnival Sunday
        DataCase{2012, FimHorarioVerao, 2012, 2, 26},  // Carnival Sunday 19 Feb
        DataCase{2013, FimHorarioVerao, 2013, 2, 17}, DataCase{2015, FimHorarioVerao, 2015, 2, 22},  // Carnival 15 Feb
        DataCase{2016, FimHorarioVerao, 2016, 2, 21}, DataCase{2018, FimHorarioVerao, 2018, 2, 18},
        DataCase{2019, FimHorarioVerao, 2019, 2, 17}));

TEST(DaylightCalendar, SundaysOfTheMonth) {
  EXPECT_EQ(PrimeiroDomingo(2018, 11), EncodeDate(2018, 11, 4));
  EXPECT_EQ(PrimeiroDomingo(2017, 10), EncodeDate(2017, 10, 1));  // the 1st itself
  EXPECT_EQ(PrimeiroDomingo(2026, 2), EncodeDate(2026, 2, 1));
  EXPECT_EQ(PrimeiroDomingo(2026, 3), EncodeDate(2026, 3, 1));
  EXPECT_EQ(PrimeiroDomingo(2026, 4), EncodeDate(2026, 4, 5));
  EXPECT_EQ(TerceiroDomingo(2017, 10), EncodeDate(2017, 10, 15));
}

struct VeraoCase {
  const char* uf;
  TDateTime t;
  bool verao;
};
class DaylightPeriod : public ::testing::TestWithParam<VeraoCase> {};
TEST_P(DaylightPeriod, CoversTheSeasonOfEachYear) {
  EXPECT_EQ(EmHorarioVerao(GetParam().uf, GetParam().t), GetParam().verao);
}
INSTANTIATE_TEST_SUITE_P(
    Seasons, DaylightPeriod,
    ::testing::Values(VeraoCase{"SP", D(2012, 10, 20, 23, 59), false}, VeraoCase{"SP", D(2012, 10, 21), true},
                      VeraoCase{"SP", D(2013, 1, 1), true}, VeraoCase{"SP", D(2012, 2, 25, 12), true},
                      VeraoCase{"SP", D(2012, 2, 26), true},  // the end day's midnight still counts
                      VeraoCase{"SP", D(2012, 2, 26, 0, 1), false}, VeraoCase{"SP", D(2012, 2, 27), false},
                      VeraoCase{"RS", D(2015, 2, 21), true}, VeraoCase{"RS", D(2015, 2, 23), false},
                      VeraoCase{"MT", D(2017, 10, 14), false}, VeraoCase{"MT", D(2017, 10, 15), true},
                      VeraoCase{"MT", D(2018, 2, 17), true}, VeraoCase{"MT", D(2018, 2, 18, 12), false},
                      VeraoCase{"DF", D(2018, 11, 3), false}, VeraoCase{"DF", D(2018, 11, 4), true},
                      VeraoCase{"SP", D(2019, 2, 16, 23), true}, VeraoCase{"SP", D(2019, 2, 18), false},
                      VeraoCase{"SP", D(2019, 11, 10), false}, VeraoCase{"SP", D(2020, 1, 15), false},
                      VeraoCase{"SP", D(2026, 12, 10), false}, VeraoCase{"MT", D(2026, 1, 10), false},
                      VeraoCase{"AM", D(2017, 1, 15), false}, VeraoCase{"BA", D(2017, 1, 15), false},
                      VeraoCase{"", D(2017, 1, 15), false}, VeraoCase{"sp", D(2017, 1, 15), false},
                      VeraoCase{"SP.RJ", D(2017, 1, 15), false}, VeraoCase{"SP", D(2017, 7, 15), false}));

// The mended rule: daylight saving ended with the period closing on 17 February 2019.
struct FusoCase {
  const char* uf;
  TDateTime t;
  const char* fuso;
};
class OffsetByState : public ComFuso, public ::testing::WithParamInterface<FusoCase> {};
TEST_P(OffsetByState, FollowsTheHistoricalRulesUntilDaylightSavingEnded) {
  Modo(tzFSC);
  EXPECT_EQ(FusoHorario(GetParam().uf, GetParam().t), GetParam().fuso);
}
INSTANTIATE_TEST_SUITE_P(
    DaylightSavingEnded, OffsetByState,
    ::testing::Values(FusoCase{"MT", D(2017, 1, 15), "-03:00"}, FusoCase{"SP", D(2018, 12, 10), "-02:00"},
                      FusoCase{"SP", D(2019, 2, 16), "-02:00"}, FusoCase{"SP", D(2019, 2, 18), "-03:00"},
                      FusoCase{"SP", D(2026, 12, 10), "-03:00"}, FusoCase{"MT", D(2026, 12, 10), "-04:00"},
                      FusoCase{"AC", D(2017, 1, 15), "-05:00"}, FusoCase{"AC", D(2017, 7, 15), "-05:00"},
                      FusoCase{"AC", D(2026, 12, 10), "-05:00"}));
INSTANTIATE_TEST_SUITE_P(
    Written, OffsetByState,
    ::testing::Values(FusoCase{"MT", D(2017, 7, 15), "-04:00"}, FusoCase{"AM", D(2017, 1, 15), "-04:00"},
                      FusoCase{"BA", D(2017, 1, 15), "-03:00"}, FusoCase{"", D(2017, 1, 15), "-02:00"},
                      FusoCase{"90", D(2017, 1, 15), "-02:00"}, FusoCase{"91", D(2017, 7, 15), "-03:00"},
                      FusoCase{"XX", D(2017, 1, 15), "-03:00"}, FusoCase{"EX", D(2017, 1, 15), "-03:00"}));

TEST_F(ComFuso, ManualModeGivesTheStoredOffset) {
  Modo(tzManual);
  EXPECT_EQ(FusoHorario("AC", D(2017, 1, 15)), "-01:00");
}

TEST_F(ComFuso, SystemModeReadsTheOperatingSystem) {
  ComTZ tz("BRT3");
  Modo(tzSistema);
  EXPECT_EQ(FusoHorario("AC", D(2017, 1, 15)), "-03:00");
}

// ---- System offset --------------------------------------------------------------------------

struct TZCase {
  const char* tz;
  std::time_t instante;
  const char* fuso;
};
class SystemOffset : public ::testing::TestWithParam<TZCase> {};
TEST_P(SystemOffset, IncludesDaylightSavingInForce) {
  ComTZ tz(GetParam().tz);
  EXPECT_EQ(FusoHorarioSistema(GetParam().instante), GetParam().fuso);
}
// 1700000000 is 14 November 2023, 1690000000 is 22 July 2023 (UTC).
INSTANTIATE_TEST_SUITE_P(
    PosixZones, SystemOffset,
    ::testing::Values(TZCase{"UTC0", 1700000000, "+00:00"}, TZCase{"BRT3", 1700000000, "-03:00"},
                      TZCase{"EST5EDT,M3.2.0,M11.1.0", 1690000000, "-04:00"},
                      TZCase{"EST5EDT,M3.2.0,M11.1.0", 1700000000, "-05:00"},
                      TZCase{"CET-1CEST,M3.5.0,M10.5.0/3", 1690000000, "+02:00"},
                      TZCase{"IST-5:30", 1700000000, "+05:30"}, TZCase{"NST3:30", 1700000000, "-03:30"},
                      TZCase{"LINT-14", 1700000000, "+14:00"}));

TEST(SystemOffset, NowFollowsTheZoneInForce) {
  ComTZ tz("AMT4");
  EXPECT_EQ(FusoHorarioSistema(), "-04:00");
}

// ---- TTimeZoneConf ----------------------------------------------------------------------------

TEST(TimeZoneConf, OffsetOutsideManualModeIsCleared) {
  TTimeZoneConf c;
  EXPECT_EQ(c.ModoDeteccao(), tzSistema);
  c.SetTimeZoneStr("-03:00");
  EXPECT_EQ(c.TimeZoneStr(), "");
  c.SetModoDeteccao(tzFSC);
  c.SetTimeZoneStr("-03:00");
  EXPECT_EQ(c.TimeZoneStr(), "");
}

TEST(TimeZoneConf, ManualModeStartsFromTheSystemOffset) {
  ComTZ tz("AMT4");
  TTimeZoneConf c;
  c.SetModoDeteccao(tzManual);
  EXPECT_EQ(c.TimeZoneStr(), "-04:00");
  c.SetTimeZoneStr("+05:30");
  EXPECT_EQ(c.TimeZoneStr(), "+05:30");
  c.SetModoDeteccao(tzManual);  // same mode: nothing changes
  EXPECT_EQ(c.TimeZoneStr(), "+05:30");
  c.SetTimeZoneStr("   ");
  EXPECT_EQ(c.TimeZoneStr(), "-04:00");
  c.SetModoDeteccao(tzSistema);
  EXPECT_EQ(c.TimeZoneStr(), "");
}

TEST(TimeZoneConf, AssignCopiesBothFields) {
  TTimeZoneConf a, b;
  a.SetModoDeteccao(tzManual);
  a.SetTimeZoneStr("-02:00");
  b.Assign(a);
  EXPECT_EQ(b.ModoDeteccao(), tzManual);
  EXPECT_EQ(b.TimeZoneStr(), "-02:00");
}

struct TzStrCase {
  const char* valor;
  const char* mensagem;  // empty: accepted
};
class ManualOffset : public ::testing::TestWithParam<TzStrCase> {};
TEST_P(ManualOffset, IsCheckedInOrder) {
  TTimeZoneConf c;
  c.SetModoDeteccao(tzManual);
  c.SetTimeZoneStr("-01:00");
  if (*GetParam().mensagem == 0) {
    c.SetTimeZoneStr(GetParam().valor);
    EXPECT_EQ(c.TimeZoneStr(), GetParam().valor);
    return;
  }
  try {
    c.SetTimeZoneStr(GetParam().valor);
    FAIL() << "accepted " << GetParam().valor;
  } catch (const ETuimDFeException& e) {
    EXPECT_EQ(e.Message(), GetParam().mensagem);
  }
  EXPECT_EQ(c.TimeZoneStr(), "-01:00");
}
INSTANTIATE_TEST_SUITE_P(
    Messages, ManualOffset,
    ::testing::Values(TzStrCase{"-03:00", ""}, TzStrCase{"+14:00", ""}, TzStrCase{"+00:59", ""},
                      TzStrCase{"-0300", "Tamanho de TimeZone deve ser 6. Ex: -03:00"},
                      TzStrCase{"-03:000", "Tamanho de TimeZone deve ser 6. Ex: -03:00"},
                      TzStrCase{"003:00", "Primeiro caractere deve ser \"+,-\". Ex: -03:00"},
                      TzStrCase{"-03-00", "Quarto caractere deve ser \":\". Ex: -03:00"},
                      TzStrCase{"+15:00", "Hora deve estar entre -11 a +14. Ex: -03:00"},
                      TzStrCase{"+ab:00", "Hora deve estar entre -11 a +14. Ex: -03:00"},
                      TzStrCase{"+-3:00", "Hora deve estar entre -11 a +14. Ex: -03:00"},
                      TzStrCase{"+ 3:00", "Hora deve estar entre -11 a +14. Ex: -03:00"},
                      TzStrCase{"+03:60", "Minuto deve estar entre 0 a 59. Ex: -03:00"},
                      TzStrCase{"+03:+5", "Minuto deve estar entre 0 a 59. Ex: -03:00"},
                      TzStrCase{"+03:5 ", "Minuto deve estar entre 0 a 59. Ex: -03:00"}));

// ---- Access keys ----------------------------------------------------------------------------

// Check digits worked out independently (weights 2..9 from the right, characters valued as
// their code minus 48).
constexpr const char* kChaveNFCe = "51170111222333000181650010000001231876543218";
constexpr const char* kChaveCPF = "35180500012345678909559200000000421000000170";
constexpr const char* kChaveAlfa = "52190412ABC34501DE35550010000007771246813570";
constexpr const char* kChaveCTe = "3526050X0J92JY000196570010000006041448679011";

struct ChaveCase {
  std::string chave;
  bool valida;
};
class AccessKeyValidation : public ::testing::TestWithParam<ChaveCase> {};
TEST_P(AccessKeyValidation, ChecksEveryPart) {
  EXPECT_EQ(ValidarChaveAcesso(GetParam().chave), GetParam().valida) << GetParam().chave;
  EXPECT_EQ(MotivoChaveInvalida(GetParam().chave).empty(), GetParam().valida);
}
std::string Trocar(std::string s, std::size_t pos1, char c) {
  s[pos1 - 1] = c;
  return s;
}
INSTANTIATE_TEST_SUITE_P(
    Keys, AccessKeyValidation,
    ::testing::Values(
        ChaveCase{kChaveNFCe, true}, ChaveCase{kChaveCPF, true}, ChaveCase{kChaveAlfa, true},
        ChaveCase{kChaveCTe, true},
        ChaveCase{"NFe51170111222333000181650010000001231876543218", true},  // the prefix is dropped
        ChaveCase{"5117 0111 2223 3300 0181 6500 1000 0001 2318 7654 3218", true},
        ChaveCase{Trocar(kChaveNFCe, 44, '9'), false},  // check digit
        ChaveCase{std::string(kChaveNFCe).substr(0, 43), false}, ChaveCase{std::string(kChaveNFCe) + "0", false},
        ChaveCase{"", false},
        // state 51 -> 00, with the digit of the changed key
        ChaveCase{"00170111222333000181650010000001231876543219", false},
        // month 13 with the right digit
        ChaveCase{"51171311222333000181650010000001231876543218", false},
        // series 920 reads a CPF from digits 10-20; this CNPJ is no CPF
        ChaveCase{"51170111222333000181659200000001231876543213", false},
        // series 001 of the CPF key reads 00012345678909 as a CNPJ
        ChaveCase{"35180500012345678909550010000000421000000174", false},
        ChaveCase{Trocar(kChaveAlfa, 9, 'D'), false}, ChaveCase{Trocar(kChaveAlfa, 9, 'c'), false},
        ChaveCase{Trocar(kChaveCTe, 8, 'Y'), false}, ChaveCase{Trocar(kChaveCTe, 44, '2'), false}));

TEST(AccessKeyValidation, ReasonNamesTheFailedCheck) {
  EXPECT_EQ(MotivoChaveInvalida(kChaveNFCe), "");
  EXPECT_EQ(MotivoChaveInvalida("123"), "Chave de acesso deve ter 44 dígitos (tem 3)");
  EXPECT_EQ(MotivoChaveInvalida(Trocar(kChaveNFCe, 44, '9')),
            "Dígito verificador inválido: calculado 8, informado 9");
  EXPECT_EQ(MotivoChaveInvalida("51171311222333000181650010000001231876543218"),
            "Ano e mês de emissão inválidos: 1713");
}

TEST(AccessKeyParts, ReadEachField) {
  EXPECT_EQ(ModeloDaChave(kChaveNFCe), "65");
  EXPECT_EQ(UFDaChave(kChaveNFCe), 51);
  EXPECT_EQ(CNPJDaChave(kChaveNFCe), "11222333000181");
  EXPECT_EQ(SerieDaChave(kChaveNFCe), 1);
  EXPECT_EQ(TipoEmissaoDaChave(kChaveNFCe), 1);
  EXPECT_EQ(CodigoDaChave(kChaveNFCe), 87654321);
  EXPECT_EQ(DigitoDaChave(kChaveNFCe), 8);
  EXPECT_EQ(SerieDaChave(kChaveCPF), 920);
}

TEST(AccessKeyParts, AlphanumericCnpjKeepsItsLetters) {
  EXPECT_EQ(CNPJDaChave(kChaveAlfa), "12ABC34501DE35");
  EXPECT_EQ(CNPJDaChave(kChaveCTe), "0X0J92JY000196");
  EXPECT_EQ(ModeloDaChave(kChaveCTe), "57");
  EXPECT_EQ(UFDaChave(kChaveCTe), 35);
  EXPECT_EQ(SerieDaChave(kChaveAlfa), 1);
  EXPECT_EQ(CodigoDaChave(kChaveCTe), 44867901);
}

TEST(AccessKeyParts, InvalidKeyHasNoModelButKeepsOtherParts) {
  std::string k = Trocar(kChaveNFCe, 44, '0');
  EXPECT_EQ(ModeloDaChave(k), "");
  EXPECT_EQ(UFDaChave(k), 51);
  EXPECT_EQ(DigitoDaChave(k), 0);
  EXPECT_EQ(UFDaChave(""), 0);
  EXPECT_EQ(DigitoDaChave(""), 0);
  EXPECT_EQ(SerieDaChave("51"), 0);
  EXPECT_EQ(CNPJDaChave("5117"), "");
}

TEST(AccessKeyParts, CouponModelFiftyNineHasWiderSeriesAndShorterCode) {
  // 35 1801 11222333000181 59 000123456 123456 1 check: parts only, the digit does not matter
  std::string k = "35180111222333000181590001234567890123456" "781";
  ASSERT_EQ(k.size(), 44u);
  EXPECT_EQ(SerieDaChave(k), 123456);      // digits 23-31
  EXPECT_EQ(CodigoDaChave(k), 345678);     // digits 38-43
  EXPECT_EQ(TipoEmissaoDaChave(k), 0);
}

struct AnoMesCase {
  const char* texto;
  bool ok;
};
class YearMonth : public ::testing::TestWithParam<AnoMesCase> {};
TEST_P(YearMonth, IsFourDigitsWithAMonth) { EXPECT_EQ(ValidarAnoMes(GetParam().texto), GetParam().ok); }
INSTANTIATE_TEST_SUITE_P(Table, YearMonth,
                         ::testing::Values(AnoMesCase{"1701", true}, AnoMesCase{"9912", true},
                                           AnoMesCase{"1700", false}, AnoMesCase{"1713", false},
                                           AnoMesCase{"170", false}, AnoMesCase{"17011", false},
                                           AnoMesCase{"17-1", false}, AnoMesCase{"", false}));

// ---- Code checks ----------------------------------------------------------------------------

struct PaisCase {
  int codigo;
  int resultado;
};
class CountryCode : public ::testing::TestWithParam<PaisCase> {};
TEST_P(CountryCode, ListedOrCheckedByDigit) { EXPECT_EQ(ValidarCodigoPais(GetParam().codigo), GetParam().resultado); }
INSTANTIATE_TEST_SUITE_P(
    Table, CountryCode,
    ::testing::Values(PaisCase{1058, 1}, PaisCase{132, 1}, PaisCase{6653, 1}, PaisCase{2291, 1},
                      PaisCase{19, 0},     // 4*0+3*0+2*1 = 2, digit 9, not listed
                      PaisCase{18, -1},    // same, wrong digit
                      PaisCase{1050, -1},  // 4*1+3*0+2*5 = 14, r 3, digit 8
                      PaisCase{0, 0},      // r 0, digit 0
                      PaisCase{11058, -1}, PaisCase{21058, -1}, PaisCase{-1058, -1}));

TEST(CountryCode, ListHoldsTwoHundredFortyCodes) {
  int n = 0;
  for (int c = 0; c <= 9999; ++c) n += ValidarCodigoPais(c) == 1;
  EXPECT_EQ(n, 240);
}

struct MunCase {
  int codigo;
  bool ok;
};
class MunicipalityCode : public ::testing::TestWithParam<MunCase> {};
TEST_P(MunicipalityCode, CheckDigitOrListed) { EXPECT_EQ(ValidarCodigoMunicipio(GetParam().codigo), GetParam().ok); }
INSTANTIATE_TEST_SUITE_P(
    Table, MunicipalityCode,
    ::testing::Values(MunCase{5103403, true},   // 5+2+0+6+4+0 = 17 -> 3
                      MunCase{5103404, false}, MunCase{3550308, true},  // 3+(1+0)+5+0+3+0 = 12 -> 8
                      MunCase{3550300, false}, MunCase{9999999, true}, MunCase{2201919, true},
                      MunCase{5203962, true}, MunCase{2201910, false},  // shares 220191 with a listed code
                      MunCase{2201911, false}, MunCase{5100003, false},  // digits 3-6 are 0000
                      MunCase{9903403, false},                            // state 99
                      MunCase{510340, false}, MunCase{51034030, false}, MunCase{0, false}, MunCase{-5103403, false}));

TEST(ServiceList, HoldsTheItemsInForceSince2016) {
  int n = 0;
  for (int c = 0; c <= 9999; ++c) n += ValidarItemListaServico(c);
  EXPECT_EQ(n, 200);  // 193 written plus 7
  for (int c : {109, 606, 1105, 1414, 1602, 1725, 2505, 101, 423, 4001, 1708}) EXPECT_TRUE(ValidarItemListaServico(c)) << c;
  for (int c : {0, 100, 202, 301, 714, 715, 1301, 1707, 2506, 4002, 110}) EXPECT_FALSE(ValidarItemListaServico(c)) << c;
}

TEST(ReferencedModel, LayoutFourAcceptsModelTwo) {
  EXPECT_TRUE(ValidarModeloNFReferenciada(1, 4.0));
  EXPECT_TRUE(ValidarModeloNFReferenciada(2, 4.0));
  EXPECT_FALSE(ValidarModeloNFReferenciada(4, 4.0));
  EXPECT_TRUE(ValidarModeloNFReferenciada(1, 3.1));
  EXPECT_FALSE(ValidarModeloNFReferenciada(2, 3.1));
}

struct SufCase {
  const char* texto;
  bool ok;
};
class Suframa : public ::testing::TestWithParam<SufCase> {};
TEST_P(Suframa, NinthDigitChecksTheFirstEight) { EXPECT_EQ(ValidarSUFRAMA(GetParam().texto), GetParam().ok); }
INSTANTIATE_TEST_SUITE_P(
    Table, Suframa,
    ::testing::Values(SufCase{"123456789", true},  // 9+16+21+24+25+24+21+16 = 156, r 2 -> 9
                      SufCase{"200081012", true},  // 18+0+0+0+40+4+0+2 = 64, r 9 -> 2
                      SufCase{"100000002", true},  // 9, r 9 -> 2
                      SufCase{"12.3456.789", true}, SufCase{"123456788", false}, SufCase{"200081013", false},
                      SufCase{"12345678", false}, SufCase{"", false}));

TEST(CnpjCpf, ValidateWithAndWithoutPunctuation) {
  EXPECT_TRUE(ValidarCNPJ("11222333000181"));
  EXPECT_TRUE(ValidarCNPJ("11.222.333/0001-81"));
  EXPECT_TRUE(ValidarCNPJ("12ABC34501DE35"));
  EXPECT_FALSE(ValidarCNPJ("12ABC34501DE36"));
  EXPECT_FALSE(ValidarCNPJ("11222333000182"));
  EXPECT_FALSE(ValidarCNPJ("00000000000000"));
  EXPECT_FALSE(ValidarCNPJ(""));
  EXPECT_TRUE(ValidarCPF("12345678909"));
  EXPECT_TRUE(ValidarCPF("123.456.789-09"));
  EXPECT_FALSE(ValidarCPF("12345678900"));
  EXPECT_FALSE(ValidarCPF("11111111111"));
  EXPECT_FALSE(ValidarCPF(""));
}

TEST(StateRegistration, ChecksWithTheStateAsComplement) {
  EXPECT_TRUE(ValidarIE("110.042.490.114", "SP"));  // the state's published example
  EXPECT_FALSE(ValidarIE("110042490115", "SP"));
  EXPECT_FALSE(ValidarIE("", "SP"));
}

// ---- Text -----------------------------------------------------------------------------------

TEST(StreetNumber, ShortNumbersAreZeroFilled) {
  EXPECT_EQ(AjustarNumeroEndereco(true, "7"), "007");
  EXPECT_EQ(AjustarNumeroEndereco(true, " 12 "), "012");
  EXPECT_EQ(AjustarNumeroEndereco(true, "123"), "123");
  EXPECT_EQ(AjustarNumeroEndereco(true, "7A"), "7A");
  EXPECT_EQ(AjustarNumeroEndereco(true, "SN"), "SN");
  EXPECT_EQ(AjustarNumeroEndereco(true, ""), "");
  EXPECT_EQ(AjustarNumeroEndereco(false, " 7 "), "7");
}

struct XmlTextCase {
  bool espacos;
  std::string entrada;
  bool acentos, quebras;
  const char* quebra;
  const char* saida;
};
class XmlText : public ::testing::TestWithParam<XmlTextCase> {};
TEST_P(XmlText, IsEscapedShapedAndTrimmed) {
  const XmlTextCase& c = GetParam();
  EXPECT_EQ(PrepararTextoXML(c.espacos, c.entrada, c.acentos, c.quebras, c.quebra), c.saida);
}
INSTANTIATE_TEST_SUITE_P(
    Table, XmlText,
    ::testing::Values(
        XmlTextCase{false, "a & b < c > \"d\" 'e'", false, false, "", "a &amp; b &lt; c &gt; &quot;d&quot; &#39;e&#39;"},
        XmlTextCase{false, "&amp;", false, false, "", "&amp;amp;"},
        XmlTextCase{true, "a    b  c", false, false, "", "a b c"}, XmlTextCase{false, "a    b", false, false, "", "a    b"},
        XmlTextCase{false, "A\xE7\xE3o \xD3tima", true, false, "", "Acao Otima"},
        XmlTextCase{false, "A\xE7\xE3o", false, false, "", "A\xE7\xE3o"},
        XmlTextCase{false, "a\r\nb\rc", false, true, ";", "a;b;c"}, XmlTextCase{false, "a\r\nb", false, false, ";", "a\r\nb"},
        XmlTextCase{false, "  x  ", false, false, "", "x"}, XmlTextCase{false, "a\tb", false, false, "", "a\tb"},
        // controls XML 1.0 forbids never get through, whatever the flags
        XmlTextCase{false, "a\x08" "b\x01" "c\x1F", false, false, "", "a b c"},
        XmlTextCase{true, "a\x01\x02" "b", false, false, "", "a b"},
        XmlTextCase{false, "\x07" "A\xE7\xE3o\x0B", true, false, "", "Acao"},
        XmlTextCase{false, std::string("a\0b", 3), false, false, "", "a b"}));

struct EntCase {
  const char* entrada;
  const char* saida;
};
class EntityDecoding : public ::testing::TestWithParam<EntCase> {};
TEST_P(EntityDecoding, DecodesInOnePass) { EXPECT_EQ(DecodificarEntidadesXML(GetParam().entrada), GetParam().saida); }
INSTANTIATE_TEST_SUITE_P(
    Table, EntityDecoding,
    ::testing::Values(EntCase{"&#x41;&#x42;", "AB"}, EntCase{"&amp;lt;", "&lt;"},  // "&amp;" yields a plain "&"
                      EntCase{"&lt;a&gt; &quot;x&quot; &#39;y&apos;", "<a> \"x\" 'y'"},
                      EntCase{"&#x00E7;", "\xE7"}, EntCase{"&#xE7;&#231;", "\xE7\xE7"},
                      EntCase{"&#x20AC;", "\x80"}, EntCase{"&#8364;", "\x80"},   // euro sign
                      EntCase{"&#x4E2D;", "?"}, EntCase{"&#x1F600;", "?"},      // no Windows-1252 form
                      EntCase{"&#0;", "?"}, EntCase{"&#x110000;", "?"}, EntCase{"a&#9;x", "a\tx"},
                      EntCase{"&foo; &#x41 &#xZZ; &#; &", "&foo; &#x41 &#xZZ; &#; &"},  // not references
                      EntCase{"  &amp;amp;  ", "&amp;"}, EntCase{"S\xE3o", "S\xE3o"}, EntCase{"", ""}));

struct PrefCase {
  const char* texto;
  const char* lista;
  bool ok;
};
class Prefix : public ::testing::TestWithParam<PrefCase> {};
TEST_P(Prefix, TextBeginsWithAnItem) { EXPECT_EQ(IniciaComPrefixo(GetParam().texto, GetParam().lista), GetParam().ok); }
INSTANTIATE_TEST_SUITE_P(Table, Prefix,
                         ::testing::Values(PrefCase{"abc", "|ab|x|", true}, PrefCase{"xyz", "|ab|x|", true},
                                           PrefCase{"abc", "|x|", false}, PrefCase{"abc", "||", false},
                                           PrefCase{"abc", "", false}, PrefCase{"", "|a|", false},
                                           PrefCase{"q|ab", "|ab|", false}, PrefCase{"ab", "|abc|", false}));

TEST(NumericCode, ForbiddenCodesAndTheNumberItselfAreRefused) {
  for (int c : {0, 11111111, 22222222, 33333333, 44444444, 55555555, 66666666, 77777777, 88888888, 99999999,
                12345678, 23456789, 34567890, 45678901, 56789012, 67890123, 78901234, 89012345, 90123456, 1234567})
    EXPECT_FALSE(CodigoNumericoValido(c, 1)) << c;
  EXPECT_FALSE(CodigoNumericoValido(4242, 4242));
  EXPECT_TRUE(CodigoNumericoValido(4242, 4243));
  EXPECT_TRUE(CodigoNumericoValido(12345679, 1));
}
