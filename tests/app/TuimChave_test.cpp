#include <gtest/gtest.h>

#include "fiscal/TuimChaveAcesso.h"
#include "fiscal/fscAuxiliar.h"

using namespace tuim;

namespace {

TEST(TextoLimitado, KeepsTheLeftmostCharactersUpToItsCapacity) {
  TTextoLimitado<3> t("12345");
  EXPECT_EQ(t.str(), "123");
  EXPECT_EQ(t.size(), 3u);
  t = "7";
  EXPECT_EQ(t.str(), "7");  // shorter text stored unchanged, no filling
  t = "";
  EXPECT_TRUE(t.empty());
}

const std::string kChave = "51240112345678000195650010000001231123456788";

TEST(DecomporChaveAcesso, SplitsEveryMemberAtItsPositions) {
  AccessKeyFields f = DecomporChaveAcesso(kChave);
  EXPECT_EQ(f.UF, "51");
  EXPECT_EQ(f.Ano, "24");
  EXPECT_EQ(f.Mes, "01");
  EXPECT_EQ(f.CNPJ, "12345678000195");
  EXPECT_EQ(f.Modelo, "65");
  EXPECT_EQ(f.Serie, "001");
  EXPECT_EQ(f.NNF, "000000123");
  EXPECT_EQ(f.TipoEmissao, '1');
  EXPECT_EQ(f.CNF, "12345678");
  EXPECT_EQ(f.DV, '8');
}

TEST(DecomporChaveAcesso, IgnoresCharactersAfterThe44th) {
  EXPECT_EQ(DecomporChaveAcesso(kChave + "999999"), DecomporChaveAcesso(kChave));
}

TEST(DecomporChaveAcesso, TakesCharactersUnfiltered) {
  AccessKeyFields f = DecomporChaveAcesso("5124/0ab.45678000195650010000001231123456788");
  EXPECT_EQ(f.Ano, "24");
  EXPECT_EQ(f.Mes, "/0");
  EXPECT_EQ(f.CNPJ, "ab.45678000195");
}

TEST(DecomporChaveAcesso, ShortTextGivesShortMembersWithoutFailing) {
  AccessKeyFields f = DecomporChaveAcesso("5124011");
  EXPECT_EQ(f.UF, "51");
  EXPECT_EQ(f.Mes, "01");
  EXPECT_EQ(f.CNPJ, "1");
  EXPECT_TRUE(f.Modelo.empty());
  EXPECT_EQ(f.TipoEmissao, '\0');
  EXPECT_EQ(ComporChaveAcesso(f), "5124011");
}

TEST(ComporChaveAcesso, ConcatenatesInLayoutOrderAndRoundTrips) {
  EXPECT_EQ(ComporChaveAcesso(DecomporChaveAcesso(kChave)), kChave);
  const std::string alfa = "3526050X0J92JY000196570010000006041448679011";
  EXPECT_EQ(ComporChaveAcesso(DecomporChaveAcesso(alfa)), alfa);
}

TEST(ComporChaveAcesso, ShortMembersGiveAShorterKeyWithNothingFilledIn) {
  AccessKeyFields f = DecomporChaveAcesso(kChave);
  f.Serie = "1";
  f.NNF = "123";
  EXPECT_EQ(ComporChaveAcesso(f), "5124011234567800019565" "1" "123" "1" "12345678" "8");
}

TEST(SomenteDigitos, KeepsOnlyZeroToNineInOrder) {
  EXPECT_EQ(SomenteDigitos("12.345.678/0001-95"), "12345678000195");
  EXPECT_EQ(SomenteDigitos("MT"), "");
  EXPECT_EQ(SomenteDigitos("a1\xB2" "b3"), "13");  // superscript two is not a digit
}

struct NumCase {
  const char* name;
  TVariante value;
  bool numeric;
};
class ValorNumericoCases : public ::testing::TestWithParam<NumCase> {};
TEST_P(ValorNumericoCases, TrueOnlyForIntegerLikeKinds) { EXPECT_EQ(ValorNumerico(GetParam().value), GetParam().numeric); }
INSTANTIATE_TEST_SUITE_P(
    Kinds, ValorNumericoCases,
    ::testing::Values(NumCase{"Int8", std::int8_t(1), true}, NumCase{"Int16", std::int16_t(1), true},
                      NumCase{"Int32", std::int32_t(1), true}, NumCase{"Int64", std::int64_t(1), true},
                      NumCase{"UInt8", std::uint8_t(1), true}, NumCase{"UInt16", std::uint16_t(1), true},
                      NumCase{"UInt32", std::uint32_t(1), true}, NumCase{"Double", 1.5, true},
                      NumCase{"Single", 1.5f, false}, NumCase{"Currency", TCurrency(1), false},
                      NumCase{"Date", TVarData{45000.0}, false}, NumCase{"Boolean", true, false},
                      NumCase{"Text", std::string("12"), false}, NumCase{"Empty", std::monostate{}, false},
                      NumCase{"Null", TVarNulo{}, false}),
    [](const auto& i) { return std::string(i.param.name); });

struct ZeroCase {
  const char* name;
  TVariante value;
  int width;
  const char* expected;
};
class ZerosAEsquerdaCases : public ::testing::TestWithParam<ZeroCase> {};
TEST_P(ZerosAEsquerdaCases, FillsOnTheLeftAndNeverShortens) {
  EXPECT_EQ(ZerosAEsquerda(GetParam().value, GetParam().width), GetParam().expected);
}
INSTANTIATE_TEST_SUITE_P(
    WorkedValues, ZerosAEsquerdaCases,
    ::testing::Values(ZeroCase{"EmptyWidth2", std::monostate{}, 2, "00"}, ZeroCase{"NullWidth0", TVarNulo{}, 0, "0"},
                      ZeroCase{"Int7Width3", std::int32_t(7), 3, "007"},
                      ZeroCase{"TextWithoutDigitsWidth0", std::string("abc"), 0, ""},
                      ZeroCase{"TextWithoutDigitsWidth2", std::string("MT"), 2, "00"},
                      ZeroCase{"TextDigitsOnly", std::string("12.345"), 9, "000012345"},
                      ZeroCase{"LongerThanWidthComesBackWhole", std::string("1234567890"), 9, "1234567890"},
                      ZeroCase{"Int64BeyondThirtyTwoBitsIsNotWrapped", std::int64_t(12345678901LL), 2, "12345678901"},
                      ZeroCase{"UInt32Max", std::uint32_t(4294967295u), 1, "4294967295"},
                      ZeroCase{"DoubleRoundsHalfToEven", 2.5, 3, "002"},
                      ZeroCase{"DoubleRoundsUp", 2.6, 1, "3"},
                      ZeroCase{"NegativeKeepsItsSignInFront", std::int32_t(-7), 3, "-07"},
                      ZeroCase{"SingleIsNotNumeric", 5.0f, 2, "00"},
                      ZeroCase{"BooleanIsNotNumeric", true, 1, "0"},
                      ZeroCase{"NegativeWidthIsNoWidth", std::int32_t(5), -3, "5"}),
    [](const auto& i) { return std::string(i.param.name); });

TEditoresChave Editores(std::string uf, std::string anomes, std::string cnpj, std::string modelo, std::string serie,
                        std::string nnf, std::string tpemis, std::string cnf) {
  return {uf, anomes, cnpj, modelo, serie, nnf, tpemis, cnf};
}
const TEditoresChave kBase = Editores("51", "2401", "12345678000195", "65", "1", "123", "1", "12345678");

TEST(FieldRules, TheWorkedExampleGivesTheKeyWithItsCheckDigit) {
  // Weighted sum of 5124011234567800019565001000000123112345678 is 619; 619 mod 11 = 3; DV 8.
  EXPECT_EQ(ComporChaveAcesso(CamposDosEditores(kBase)), kChave);
}

struct RuleCase {
  const char* name;
  int member;  // 0 UF, 1 AnoMes, 2 CNPJ, 3 Modelo, 4 Serie, 5 NNF, 6 TipoEmissao, 7 CNF
  const char* typed;
  const char* expectKey;  // the whole composed key
};
class FieldRuleCases : public ::testing::TestWithParam<RuleCase> {};
TEST_P(FieldRuleCases, ComposeAsTheWindowDoes) {
  TEditoresChave e = kBase;
  std::string* m[] = {&e.UF, &e.AnoMes, &e.CNPJ, &e.Modelo, &e.Serie, &e.NNF, &e.TipoEmissao, &e.CNF};
  *m[GetParam().member] = GetParam().typed;
  EXPECT_EQ(ComporChaveAcesso(CamposDosEditores(e)), GetParam().expectKey);
}
// Check digits worked independently (weights 4,3,2,9..2 from the left, sum mod 11).
INSTANTIATE_TEST_SUITE_P(
    EdgeCases, FieldRuleCases,
    ::testing::Values(
        RuleCase{"UfFiveIsZeroFilled", 0, "5", "05240112345678000195650010000001231123456785"},  // sum 611
        RuleCase{"UfLettersBecomeZeros", 0, "MT", "00240112345678000195650010000001231123456789"},  // sum 596
        RuleCase{"UfTooLongKeepsLeftDigits", 0, "510", "51240112345678000195650010000001231123456788"},
        RuleCase{"NnfTooLongLosesRightDigits", 5, "1234567890", "51240112345678000195650011234567891123456788"},  // sum 828
        RuleCase{"NnfPunctuationDropped", 5, "12.345", "51240112345678000195650010000123451123456789"},  // sum 662
        RuleCase{"TipoEmissaoKeepsFirstDigit", 6, "12", "51240112345678000195650010000001231123456788"},
        RuleCase{"TipoEmissaoLetterIsZero", 6, "x", "51240112345678000195650010000001230123456780"},  // sum 617, r 1
        RuleCase{"SerieDropsLetters", 4, "1-A", "51240112345678000195650010000001231123456788"},
        RuleCase{"AnoMesSlashGivesDigitZero", 1, "24/01", "5124/012345678000195650010000001231123456780"},
        RuleCase{"PunctuatedCnpjKeepsLeftmost14", 2, "12.345.678/0001-95",
                 "51240112.345.678/000650010000001231123456780"},
        RuleCase{"AlphanumericCnpjIsValuedByAscii", 2, "12ABC34501DE35",
                 "51240112ABC34501DE35650010000001231123456788"},  // sum 806
        RuleCase{"LowerCaseCnpjLetterGivesZero", 2, "12abc34501de35",
                 "51240112abc34501de35650010000001231123456780"},
        // Three characters of Ano/Mes: 43 characters, the last being the 0 put in the DV place.
        RuleCase{"ShortAnoMesComputesOverTheZeroPlaceholder", 1, "240",
                 "512401234567800019565001000000123112345678" "5"}),  // sum 622
    [](const auto& i) { return std::string(i.param.name); });

TEST(FieldRules, EditorTextsAreNotChangedByTheRules) {
  TEditoresChave e = kBase;
  CamposDosEditores(e);
  EXPECT_EQ(e.Serie, "1");
  EXPECT_EQ(e.NNF, "123");
}

TEST(FieldRules, DigitIsTheFirstCharacterOfDigitoChaveAcesso) {
  AccessKeyFields f = DecomporChaveAcesso(kChave);
  f.DV = '5';
  DefinirDigitoChave(f);
  int d = -1;
  EXPECT_TRUE(DigitoChaveAcesso(kChave.substr(0, 43), d));
  EXPECT_EQ(f.DV, char('0' + d));
}

// For all-digit keys the letter-aware check digit is the plain modulus 11 of the written rule.
TEST(FieldRules, AllDigitKeysGiveThePlainModulus11Digit) {
  const char* w = "4329876543298765432987654329876543298765432";
  std::string k = "3526050X0J92JY000196570010000006041448679011";
  for (char& c : k)
    if (c > '9') c = '7';
  for (int shift = 0; shift < 10; ++shift) {
    std::string t = k.substr(0, 43);
    for (char& c : t) c = char('0' + (c - '0' + shift) % 10);
    int sum = 0;
    for (int i = 0; i < 43; ++i) sum += (t[i] - '0') * (w[i] - '0');
    int expected = sum % 11 < 2 ? 0 : 11 - sum % 11;
    AccessKeyFields f = DecomporChaveAcesso(t + "0");
    DefinirDigitoChave(f);
    EXPECT_EQ(f.DV, char('0' + expected)) << t;
  }
}

}  // namespace
