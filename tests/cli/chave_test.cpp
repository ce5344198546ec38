#include <gtest/gtest.h>

#include "cli/TuimRun.h"

using tuim::testing::Linhas;
using tuim::testing::RunTuim;

namespace {

// 51 2401 12345678000195 65 001 000000123 1 12345678: weighted sum 619, 619 mod 11 = 3, DV 11-3 = 8.
const std::string kChave = "51240112345678000195650010000001231123456788";
// Published transport-document key with an alphanumeric issuer CNPJ: sum 1374, remainder 10, DV 1.
const std::string kChaveAlfa = "3526050X0J92JY000196570010000006041448679011";

std::vector<std::string> ComporArgs(const std::string& uf, const std::string& anomes, const std::string& cnpj,
                                    const std::string& modelo, const std::string& serie, const std::string& nnf,
                                    const std::string& tpemis, const std::string& cnf) {
  return {"chave", "compor", "--uf", uf, "--anomes", anomes, "--cnpj", cnpj, "--modelo", modelo,
          "--serie", serie, "--nnf", nnf, "--tpemis", tpemis, "--cnf", cnf};
}

bool UmaLinha(const std::string& s) { return !s.empty() && s.find('\n') == s.size() - 1; }

TEST(ChaveDecompor, PrintsTheTenFieldsInLayoutOrder) {
  auto r = RunTuim({"chave", "decompor", kChave});
  EXPECT_EQ(r.code, 0);
  EXPECT_EQ(Linhas(r.out), (std::vector<std::string>{"UF=51", "Ano=24", "Mes=01", "CNPJ=12345678000195",
                                                     "Modelo=65", "Serie=001", "NNF=000000123", "TipoEmissao=1",
                                                     "CNF=12345678", "DV=8"}));
  EXPECT_EQ(r.err, "");
}

TEST(ChaveDecompor, JsonIsOneObjectWithTheSameFields) {
  auto r = RunTuim({"chave", "decompor", "--json", kChave});
  EXPECT_EQ(r.code, 0);
  EXPECT_EQ(r.out,
            "{\"UF\":\"51\",\"Ano\":\"24\",\"Mes\":\"01\",\"CNPJ\":\"12345678000195\",\"Modelo\":\"65\","
            "\"Serie\":\"001\",\"NNF\":\"000000123\",\"TipoEmissao\":\"1\",\"CNF\":\"12345678\",\"DV\":\"8\"}\n");
}

TEST(ChaveDecompor, KeepsTheLettersOfAnAlphanumericCnpj) {
  auto r = RunTuim({"chave", "decompor", kChaveAlfa});
  EXPECT_EQ(r.code, 0);
  auto l = Linhas(r.out);
  ASSERT_EQ(l.size(), 10u);
  EXPECT_EQ(l[3], "CNPJ=0X0J92JY000196");
  EXPECT_EQ(l[4], "Modelo=57");
  EXPECT_EQ(l[9], "DV=1");
}

TEST(ChaveDecompor, ShowsAWrongCheckDigitAsTyped) {
  std::string k = kChave;
  k.back() = '0';
  auto r = RunTuim({"chave", "decompor", k});
  EXPECT_EQ(r.code, 0);
  EXPECT_EQ(Linhas(r.out).back(), "DV=0");
}

struct Malformed {
  const char* name;
  std::string key;
};
class ChaveDecomporMalformed : public ::testing::TestWithParam<Malformed> {};
TEST_P(ChaveDecomporMalformed, ExitsOneWithOneLineAndNoFields) {
  auto r = RunTuim({"chave", "decompor", GetParam().key});
  EXPECT_EQ(r.code, 1);
  EXPECT_EQ(r.out, "");
  EXPECT_TRUE(UmaLinha(r.err)) << r.err;
}
INSTANTIATE_TEST_SUITE_P(
    Cases, ChaveDecomporMalformed,
    ::testing::Values(Malformed{"ShortBy1", kChave.substr(0, 43)}, Malformed{"LongBy1", kChave + "1"},
                      Malformed{"LowerCaseInCnpj", "3526050x0J92JY000196570010000006041448679011"},
                      Malformed{"LetterInCnpjCheckDigits", "3526050X0J92JY0001A6570010000006041448679011"},
                      Malformed{"LetterInState", "A526050X0J92JY000196570010000006041448679011"},
                      Malformed{"AccentedCharacter", "5124011234567800019565001000000123112345678\xC3\xA9"},
                      Malformed{"Empty", ""}),
    [](const auto& i) { return std::string(i.param.name); });

TEST(ChaveCompor, AppliesTheFieldRulesAndTheCheckDigit) {
  auto r = RunTuim(ComporArgs("51", "2401", "12345678000195", "65", "1", "123", "1", "12345678"));
  EXPECT_EQ(r.code, 0);
  EXPECT_EQ(r.out, kChave + "\n");
}

TEST(ChaveCompor, ZeroFillsAndCutsTheDigitFields) {
  // UF 5 -> 05, nNF 1234567890 -> 123456789, tpEmis 12 -> 1, serie 1-A -> 001.
  // 05 2401 12345678000195 65 001 123456789 1 12345678: sum 820, remainder 6, DV 5.
  auto r = RunTuim(ComporArgs("5", "2401", "12345678000195", "65", "1-A", "1234567890", "12", "12345678"));
  EXPECT_EQ(r.code, 0);
  EXPECT_EQ(r.out, "05240112345678000195650011234567891123456785\n");
}

TEST(ChaveCompor, JsonCarriesKeyDigitAndValidity) {
  auto r = RunTuim([] {
    auto a = ComporArgs("51", "2401", "12345678000195", "65", "1", "123", "1", "12345678");
    a.push_back("--json");
    return a;
  }());
  EXPECT_EQ(r.code, 0);
  EXPECT_EQ(r.out, "{\"chave\":\"" + kChave + "\",\"DV\":\"8\",\"valida\":true}\n");
}

TEST(ChaveCompor, ComposesAnAlphanumericCnpj) {
  // 35 2605 12ABC34501DE35 55 001 000000001 1 12345678: sum 829, remainder 4, DV 7.
  auto r = RunTuim(ComporArgs("35", "2605", "12ABC34501DE35", "55", "1", "1", "1", "12345678"));
  EXPECT_EQ(r.code, 0);
  EXPECT_EQ(r.out, "35260512ABC34501DE35550010000000011123456787\n");
}

TEST(ChaveCompor, SlashInYearMonthGivesDigitZeroAndExitOne) {
  auto r = RunTuim(ComporArgs("51", "24/01", "12345678000195", "65", "1", "123", "1", "12345678"));
  EXPECT_EQ(r.code, 1);
  EXPECT_EQ(r.out, "5124/012345678000195650010000001231123456780\n");
  EXPECT_TRUE(UmaLinha(r.err));
}

TEST(ChaveCompor, PunctuatedCnpjKeepsItsLeftmostFourteenCharacters) {
  auto r = RunTuim(ComporArgs("51", "2401", "12.345.678/0001-95", "65", "1", "123", "1", "12345678"));
  EXPECT_EQ(r.code, 1);
  EXPECT_EQ(r.out, "51240112.345.678/000650010000001231123456780\n");
}

TEST(ChaveCompor, NonAsciiTextComesBackAsUtf8) {
  auto r = RunTuim(ComporArgs("51", "2401", "1234567800019\xC3\xA7", "65", "1", "123", "1", "12345678"));
  EXPECT_EQ(r.code, 1);
  EXPECT_EQ(r.out, "5124011234567800019\xC3\xA7" "650010000001231123456780\n");
}

class ChaveComporUsage : public ::testing::TestWithParam<std::vector<std::string>> {};
TEST_P(ChaveComporUsage, ExitsTwoWithOneLineOnStderr) {
  auto r = RunTuim(GetParam());
  EXPECT_EQ(r.code, 2);
  EXPECT_EQ(r.out, "");
  EXPECT_TRUE(UmaLinha(r.err)) << r.err;
  EXPECT_EQ(r.err.rfind("tuim: ", 0), 0u);
}
INSTANTIATE_TEST_SUITE_P(
    Cases, ChaveComporUsage,
    ::testing::Values(
        std::vector<std::string>{"chave", "compor", "--uf", "51"},
        std::vector<std::string>{"chave", "compor", "--uf", "51", "--anomes", "2401", "--cnpj", "12345678000195",
                                 "--modelo", "65", "--serie", "1", "--nnf", "123", "--tpemis", "1", "--cnf", ""},
        [] {
          auto a = ComporArgs("51", "2401", "12345678000195", "65", "1", "123", "1", "12345678");
          a.push_back("--cor");
          a.push_back("x");
          return a;
        }(),
        [] {
          auto a = ComporArgs("51", "2401", "12345678000195", "65", "1", "123", "1", "12345678");
          a.push_back("solto");
          return a;
        }(),
        std::vector<std::string>{"chave", "compor", "--uf"},
        std::vector<std::string>{"chave", "decompor"},
        std::vector<std::string>{"chave", "decompor", kChave, kChave},
        std::vector<std::string>{"chave", "decompor", "--x", kChave},
        std::vector<std::string>{"chave", "dv"},
        std::vector<std::string>{"chave"},
        std::vector<std::string>{"chave", "misturar"}));

struct DvCase {
  std::string text;
  std::string out;
  int code;
};
class ChaveDv : public ::testing::TestWithParam<DvCase> {};
TEST_P(ChaveDv, PrintsTheDigitOfTheFirst43Digits) {
  auto r = RunTuim({"chave", "dv", GetParam().text});
  EXPECT_EQ(r.code, GetParam().code);
  EXPECT_EQ(r.out, GetParam().out + "\n");
  EXPECT_EQ(r.err.empty(), GetParam().code == 0);
}
INSTANTIATE_TEST_SUITE_P(
    WorkedValues, ChaveDv,
    ::testing::Values(DvCase{std::string(43, '0'), "0", 0},                 // sum 0
                      DvCase{std::string(43, '1'), "2", 0},                 // sum 229, remainder 9
                      DvCase{std::string(42, '0') + "1", "9", 0},           // sum 2
                      DvCase{std::string(42, '0') + "5", "1", 0},           // sum 10
                      DvCase{std::string(41, '0') + "40", "0", 0},          // sum 12, remainder 1
                      DvCase{kChave.substr(0, 43), "8", 0},
                      DvCase{kChave, "8", 1},                               // 44 digits: digit of the first 43
                      DvCase{kChave.substr(0, 42), "0", 1},                 // too short: 0
                      DvCase{kChaveAlfa.substr(0, 43), "1", 0},             // letters valued ASCII - 48
                      DvCase{"3526050Y0J92JY00019657001000000604144867901", "7", 0},  // X->Y at weight 5: sum 1379
                      DvCase{"51.2401.12345678000195.65.001.000000123.1.12345678", "8", 0}));

TEST(ChaveDv, JsonGivesDigitAndFlag) {
  auto r = RunTuim({"chave", "dv", "--json", kChave});
  EXPECT_EQ(r.code, 1);
  EXPECT_EQ(r.out, "{\"DV\":8,\"ok\":false}\n");
}

TEST(ChaveHelp, DescribesEverySubcommandAndOption) {
  auto r = RunTuim({"chave", "--help"});
  EXPECT_EQ(r.code, 0);
  for (const char* w : {"decompor", "compor", "dv", "--uf", "--anomes", "--cnpj", "--modelo", "--serie", "--nnf",
                        "--tpemis", "--cnf", "--json"})
    EXPECT_NE(r.out.find(w), std::string::npos) << w;
}

TEST(ChaveHelp, EachSubcommandHasItsOwnHelp) {
  for (const char* s : {"decompor", "compor", "dv"}) {
    auto r = RunTuim({"chave", s, "--help"});
    EXPECT_EQ(r.code, 0) << s;
    EXPECT_EQ(r.out.rfind(std::string("Uso: tuim chave ") + s, 0), 0u) << r.out;
  }
}

TEST(ChaveHelp, TopLevelHelpListsTheCommand) {
  auto r = RunTuim({"--help"});
  EXPECT_EQ(r.code, 0);
  EXPECT_NE(r.out.find("chave"), std::string::npos);
}

}  // namespace
