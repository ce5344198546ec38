#include <gtest/gtest.h>

#include "cli/TuimRun.h"

using tuim::testing::RunTuim;

namespace {

struct CliCase {
  std::vector<std::string> args;
  int code;
  const char* out;  // UTF-8, with its newline
};
class ValidarCommand : public ::testing::TestWithParam<CliCase> {};

}  // namespace

TEST_P(ValidarCommand, PrintsOkOrTheMessageWithTheExitCode) {
  std::vector<std::string> args{"validar"};
  args.insert(args.end(), GetParam().args.begin(), GetParam().args.end());
  auto r = RunTuim(args);
  EXPECT_EQ(r.code, GetParam().code);
  EXPECT_EQ(r.out, GetParam().out);
  EXPECT_EQ(r.err, "");
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, ValidarCommand,
    ::testing::Values(
        CliCase{{"cpf", "111.444.777-35"}, 0, "OK\n"},
        CliCase{{"cpf", "111.111.111-11"}, 1, "CPF inválido !\n"},
        CliCase{{"cpf", "1234567890"}, 1, "CPF deve ter 11 dígitos. (Apenas números)\n"},
        CliCase{{"cpf", "1234567890", "--ajustar"}, 0, "OK\n"},
        CliCase{{"cnpj", "11.222.333/0001-81"}, 0, "OK\n"},
        CliCase{{"cnpj", "12.ABC.345/01DE-35"}, 0, "OK\n"},
        CliCase{{"cnpj", "12ABC34501DE36"}, 1, "CNPJ inválido.\n"},
        CliCase{{"uf", "MT"}, 0, "OK\n"},
        CliCase{{"uf", "MT,MS"}, 1, "UF inválido: MT,MS\n"},
        CliCase{{"ie", "110.042.490.114", "--uf", "SP"}, 0, "OK\n"},
        CliCase{{"ie", "110042490115", "--uf", "SP"}, 1, "Insc.Estadual inválida para SP Dígito verificador inválido.\n"},
        CliCase{{"ie", "110042490114"}, 1, "Informe a UF no campo Complemento\n"},
        CliCase{{"ie", "43414842", "--uf", "AM", "--ajustar"}, 0, "OK\n"},
        CliCase{{"cheque", "1234567897"}, 0, "OK\n"},
        CliCase{{"pis", "12056412545"}, 0, "OK\n"},
        CliCase{{"cep", "69400000", "--uf", "RR"}, 1, "CEP inválido para RR !\n"},
        CliCase{{"cep", "69400000", "--uf", "AM"}, 0, "OK\n"},
        CliCase{{"cartao", "378282246310005"}, 0, "OK\n"},
        CliCase{{"cartao", "378282246310006"}, 1, "Numero do Cartão Inválido.\n"},
        CliCase{{"suframa", "123456789"}, 0, "OK\n"},
        CliCase{{"gtin", "7891000315507"}, 0, "OK\n"},
        CliCase{{"renavam", "00639884962"}, 0, "OK\n"},
        CliCase{{"email", "fulano@empresa.com.br"}, 0, "OK\n"},
        CliCase{{"email", "joão@empresa.com.br"}, 1, "e-mail inválido!\n"},
        CliCase{{"cnh", "02650306461"}, 0, "OK\n"},
        CliCase{{"prefixogtin", "1401234567892"}, 1, "Prefixo \"140\" do GTIN \"1401234567892\" informado inválido\n"},
        CliCase{{"caepf", "11222333000181"}, 0, "OK\n"},
        CliCase{{"placa", "BRA2E19"}, 0, "OK\n"}));

TEST(ValidarCommandJson, OneObjectWithTheResult) {
  auto r = RunTuim({"validar", "cpf", "111.444.777-36", "--json"});
  EXPECT_EQ(r.code, 1);
  EXPECT_EQ(r.out,
            "{\"tipo\":\"cpf\",\"documento\":\"111.444.777-36\",\"valido\":false,"
            "\"mensagem\":\"CPF inválido.\",\"digitoCalculado\":\"35\"}\n");
  r = RunTuim({"validar", "--json", "cnpj", "12ABC34501DE35"});
  EXPECT_EQ(r.code, 0);
  EXPECT_EQ(r.out,
            "{\"tipo\":\"cnpj\",\"documento\":\"12ABC34501DE35\",\"valido\":true,"
            "\"mensagem\":\"\",\"digitoCalculado\":\"35\"}\n");
}

TEST(ValidarCommandUsage, WrongCommandLinesExitWithTwo) {
  for (const auto& args : std::vector<std::vector<std::string>>{
           {"validar"}, {"validar", "cpf"}, {"validar", "rg", "123"}, {"validar", "cpf", "1", "2"},
           {"validar", "cpf", "111", "--xyz"}, {"validar", "ie", "110042490114", "--uf"}}) {
    auto r = RunTuim(args);
    EXPECT_EQ(r.code, 2) << args.size();
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err.rfind("tuim: ", 0), 0u) << r.err;
  }
}

TEST(ValidarCommandUsage, HelpListsEveryKind) {
  auto r = RunTuim({"validar", "--help"});
  EXPECT_EQ(r.code, 0);
  EXPECT_NE(r.out.find("cpf cnpj uf ie cheque pis cep cartao suframa gtin renavam email cnh prefixogtin caepf placa"),
            std::string::npos);
}
