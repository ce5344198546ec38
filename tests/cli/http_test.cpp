// `tuim http enviar` against the loopback echo server of testing/servidor_https.py.
#include <gtest/gtest.h>

#include <mutex>

#include "cli/TuimRun.h"
#include "security/CertificadosTeste.h"
#include "testing/ServidorRespostas.h"

using tuim::testing::RunTuim;

namespace {

tuim::teste::TServidorRespostas& Srv() { return tuim::teste::ServidorRespostas(); }

std::string URL(const std::string& caminho) { return Srv().URL(caminho); }

class CliHttp : public ::testing::TestWithParam<const char*> {
protected:
  void SetUp() override { ASSERT_TRUE(Srv().erro.empty()) << Srv().erro; }
};

TEST_P(CliHttp, EnviarPrintsTheAnswerBodyAndSendsStdinUnchanged) {
  const std::string corpo = "<xMotivo>Autorização de São João</xMotivo>\n";
  auto r = RunTuim({"http", "enviar", URL("/ws"), "--soapaction", "urn:acao", "--pfx", Certificado("empresa.pfx"),
                    "--senha", "1234", "--cacert", Certificado("ca.pem"), "--lib", GetParam()},
                   &corpo);
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_NE(r.out.find("SOAPAction: \"urn:acao\"\r\n"), std::string::npos) << r.out;
  ASSERT_GE(r.out.size(), corpo.size());
  EXPECT_EQ(r.out.substr(r.out.size() - corpo.size()), corpo);
}

TEST_P(CliHttp, AFaultAnswerExitsOneWithTheMessage) {
  const std::string corpo = "<x/>";
  auto r = RunTuim({"http", "enviar", URL("/falha"), "--soapaction", "urn:acao", "--pfx", Certificado("empresa.pfx"),
                    "--senha", "1234", "--cacert", Certificado("ca.pem"), "--lib", GetParam()},
                   &corpo);
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.err.find("Erro HTTP: 500"), std::string::npos) << r.err;
  EXPECT_EQ(r.out, "");
}

TEST_P(CliHttp, UntrustedServerFailsWithoutTheTestAuthority) {
  const std::string corpo = "<x/>";
  auto r = RunTuim({"http", "enviar", URL("/ws"), "--soapaction", "urn:acao", "--pfx", Certificado("empresa.pfx"),
                    "--senha", "1234", "--lib", GetParam()},
                   &corpo);
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.err.find("Erro Interno: "), std::string::npos) << r.err;
}

INSTANTIATE_TEST_SUITE_P(Backends, CliHttp, ::testing::Values("winhttp", "wininet", "openssl"));

TEST(CliHttpUso, UnknownBackendIsAUsageError) {
  auto r = RunTuim({"http", "enviar", "https://127.0.0.1:1/ws", "--lib", "indy"});
  EXPECT_EQ(r.code, 2);
  EXPECT_NE(r.err.find("--lib"), std::string::npos);
}

TEST(CliHttpUso, MissingUrlIsAUsageError) {
  auto r = RunTuim({"http", "enviar", "--soapaction", "x"});
  EXPECT_EQ(r.code, 2);
}

}  // namespace
