#include <gtest/gtest.h>

#include <set>

#include "cli/TuimRun.h"

using tuim::testing::Linhas;
using tuim::testing::RunTuim;

namespace {

// 51 1701 11222333000181 65 001 000000123 1 87654321; digit 8 worked out independently.
const std::string kChave = "51170111222333000181650010000001231876543218";
// Published transport-document key with an alphanumeric issuer CNPJ (digit 1, CNPJ digits 96).
const std::string kChaveAlfa = "3526050X0J92JY000196570010000006041448679011";

std::vector<std::string> Gerar(std::vector<std::string> extra) {
  std::vector<std::string> a = {"chave", "gerar"};
  a.insert(a.end(), extra.begin(), extra.end());
  return a;
}

}  // namespace

struct ValidarCase {
  std::string chave;
  int code;
  std::string out;
};
class ChaveValidar : public ::testing::TestWithParam<ValidarCase> {};
TEST_P(ChaveValidar, PrintsOkOrTheReasonInOneLine) {
  auto r = RunTuim({"chave", "validar", GetParam().chave});
  EXPECT_EQ(r.code, GetParam().code);
  EXPECT_EQ(r.out, GetParam().out + "\n");
  EXPECT_EQ(r.err, "");
}
INSTANTIATE_TEST_SUITE_P(
    Keys, ChaveValidar,
    ::testing::Values(
        ValidarCase{kChave, 0, "OK"}, ValidarCase{kChaveAlfa, 0, "OK"},
        ValidarCase{"5117 0111 2223 3300 0181 6500 1000 0001 2318 7654 3218", 0, "OK"},
        ValidarCase{"123", 1, "Chave de acesso deve ter 44 dígitos (tem 3)"},
        ValidarCase{"51170111222333000181650010000001231876543219", 1,
                    "Dígito verificador inválido: calculado 8, informado 9"},
        ValidarCase{"00170111222333000181650010000001231876543219", 1, "Código de UF inválido: 00"},
        ValidarCase{"51171311222333000181650010000001231876543218", 1, "Ano e mês de emissão inválidos: 1713"},
        ValidarCase{"51170111222333000181659200000001231876543213", 1, "CPF do emitente inválido: 22333000181"},
        ValidarCase{"35180500012345678909550010000000421000000174", 1,
                    "CNPJ do emitente inválido: 00012345678909"}));

TEST(ChaveValidarJson, IsOneObject) {
  auto r = RunTuim({"chave", "validar", "--json", kChave});
  EXPECT_EQ(r.code, 0);
  EXPECT_EQ(r.out, "{\"valida\":true,\"motivo\":\"\",\"modelo\":\"65\"}\n");
  r = RunTuim({"chave", "validar", "--json", "123"});
  EXPECT_EQ(r.code, 1);
  EXPECT_EQ(r.out, "{\"valida\":false,\"motivo\":\"Chave de acesso deve ter 44 dígitos (tem 3)\"}\n");
}

TEST(ChaveValidarUsage, NeedsExactlyOneKey) {
  EXPECT_EQ(RunTuim({"chave", "validar"}).code, 2);
  EXPECT_EQ(RunTuim({"chave", "validar", kChave, kChave}).code, 2);
  EXPECT_EQ(RunTuim({"chave", "validar", "--x", kChave}).code, 2);
  auto h = RunTuim({"chave", "validar", "--help"});
  EXPECT_EQ(h.code, 0);
  EXPECT_NE(h.out.find("tuim chave validar CHAVE"), std::string::npos);
}

TEST(ChaveGerar, BuildsTheKeyWithItsCheckDigit) {
  auto r = RunTuim(Gerar({"--uf", "51", "--data", "2017-01-15", "--doc", "11.222.333/0001-81", "--modelo", "65",
                          "--serie", "1", "--nnf", "123", "--tpemis", "1", "--cnf", "87654321"}));
  EXPECT_EQ(r.code, 0);
  EXPECT_EQ(r.out, kChave + "\n");
  EXPECT_EQ(r.err, "");
}

TEST(ChaveGerar, AcceptsTheStateAbbreviationAndAnAlphanumericCnpj) {
  auto r = RunTuim(Gerar({"--uf", "GO", "--data", "2019-04-01", "--doc", "12.ABC.345/01DE-35", "--nnf", "777",
                          "--cnf", "24681357"}));
  EXPECT_EQ(r.code, 0);
  EXPECT_EQ(r.out, "52190412ABC34501DE35550010000007771246813570\n");
}

TEST(ChaveGerar, ZeroCodeDrawsAnAllowedRandomOne) {
  std::set<std::string> codigos;
  for (int i = 0; i < 5; ++i) {
    auto r = RunTuim(Gerar({"--uf", "51", "--data", "2017-01-15", "--doc", "11222333000181", "--nnf", "123",
                            "--cnf", "0", "--json"}));
    ASSERT_EQ(r.code, 0) << r.err;
    auto p = r.out.find("\"cNF\":\"");
    ASSERT_NE(p, std::string::npos);
    std::string c = r.out.substr(p + 7, 8);
    EXPECT_NE(c, "00000123");
    EXPECT_NE(c, "12345678");
    codigos.insert(c);
    std::string chave = r.out.substr(10, 44);
    EXPECT_EQ(RunTuim({"chave", "validar", chave}).code, 0) << chave;
  }
  EXPECT_GT(codigos.size(), 1u);
}

TEST(ChaveGerar, WrongDocumentPrintsTheKeyAndFails) {
  auto r = RunTuim(Gerar({"--uf", "51", "--data", "2017-01-15", "--doc", "11222333000182", "--nnf", "1", "--cnf", "4242"}));
  EXPECT_EQ(r.code, 1);
  EXPECT_EQ(Linhas(r.out).size(), 1u);
  EXPECT_EQ(r.out.size(), 45u);
  EXPECT_NE(r.err.find("CNPJ do emitente inválido: 11222333000182"), std::string::npos);
}

struct UsoCase {
  std::vector<std::string> args;
};
class ChaveGerarUsage : public ::testing::TestWithParam<UsoCase> {};
TEST_P(ChaveGerarUsage, BadOptionsAreUsageErrors) {
  auto r = RunTuim(Gerar(GetParam().args));
  EXPECT_EQ(r.code, 2);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(Linhas(r.err).size(), 1u);
}
INSTANTIATE_TEST_SUITE_P(
    Options, ChaveGerarUsage,
    ::testing::Values(UsoCase{{"--data", "2017-01-15", "--doc", "11222333000181", "--nnf", "1"}},
                      UsoCase{{"--uf", "99", "--data", "2017-01-15", "--doc", "11222333000181", "--nnf", "1"}},
                      UsoCase{{"--uf", "51", "--data", "2017-02-30", "--doc", "11222333000181", "--nnf", "1"}},
                      UsoCase{{"--uf", "51", "--data", "15/01/2017", "--doc", "11222333000181", "--nnf", "1"}},
                      UsoCase{{"--uf", "51", "--data", "2017-01-15", "--doc", "11222333000181", "--nnf", "1234567890"}},
                      UsoCase{{"--uf", "51", "--data", "2017-01-15", "--doc", "11222333000181", "--nnf", "-1"}},
                      UsoCase{{"--uf", "51", "--data", "2017-01-15", "--doc", "11222333000181", "--nnf", "1", "--serie", "1000"}},
                      UsoCase{{"--uf", "51", "--data", "2017-01-15", "--doc", "11222333000181", "--nnf", "1", "--cnf", "x"}},
                      UsoCase{{"--uf", "51", "--data", "2017-01-15", "--doc", "11222333000181", "--nnf", "1", "--zz", "1"}},
                      UsoCase{{"--uf", "51", "--data", "2017-01-15", "--doc", "11222333000181", "--nnf", "1", "solto"}}));
