// `tuim sefaz url` over the embedded catalogue and the national schemas.
#include <gtest/gtest.h>

#include "tests/cli/TuimRun.h"

using tuim::testing::RunTuim;

TEST(SefazCli, MatoGrossoStatusIsDirectWithItsNamespace) {
  auto r = RunTuim({"sefaz", "url", "--modelo", "55", "--uf", "MT", "--ambiente", "producao", "--servico",
                    "NfeStatusServico", "--schemas", TUIM_SCHEMAS_DIR});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(r.out,
            "URL=https://nfe.sefaz.mt.gov.br/nfews/v2/services/NfeStatusServico4\nVersao=4.00\nServico=\n"
            "SoapAction=\n");
}

TEST(SefazCli, RedirectedStateAnswersFromItsSharedAuthority) {
  auto r = RunTuim({"sefaz", "url", "--modelo", "65", "--uf", "AC", "--ambiente", "homologacao", "--servico",
                    "NfeAutorizacao", "--json"});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_NE(r.out.find("\"URL\": \"https://nfce-homologacao.svrs.rs.gov.br"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("\"Versao\": \"4.00\""), std::string::npos) << r.out;
}

TEST(SefazCli, TaxpayerQueryAnswersTheSchemaVersion) {
  auto r = RunTuim({"sefaz", "url", "--modelo", "55", "--uf", "SP", "--ambiente", "producao", "--servico",
                    "NfeConsultaCadastro", "--schemas", TUIM_SCHEMAS_DIR});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_NE(r.out.find("Versao=2.00\n"), std::string::npos) << r.out;
}

TEST(SefazCli, LookupErrorsExitOneWithTheComponentsMessage) {
  auto r = RunTuim({"sefaz", "url", "--modelo", "65", "--uf", "MT", "--ambiente", "producao", "--servico",
                    "NfeAutorizacao", "--forma-emissao", "6"});
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.err.find("Sessão \"NFCe_SVC-AN_P\", não encontrada no arquivo \"TuimNFeServicos\""), std::string::npos)
      << r.err;
  EXPECT_EQ(RunTuim({"sefaz", "url", "--modelo", "57", "--uf", "MT", "--ambiente", "producao", "--servico", "X"}).code,
            2);
  EXPECT_EQ(RunTuim({"sefaz", "url", "--modelo", "55", "--ambiente", "producao", "--servico", "X"}).code, 2);
}
