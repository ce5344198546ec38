// `tuim certificado` and `tuim hash` against certificates made by the openssl tool.
#include <gtest/gtest.h>

#include "tests/cli/TuimRun.h"
#include "tests/security/CertificadosTeste.h"

using tuim::testing::Linhas;
using tuim::testing::RunTuim;

TEST(CertificadoCli, InfoPrintsEveryFieldInUtf8) {
  auto r = RunTuim({"certificado", "info", "--pfx", Certificado("empresa-san.pfx"), "--senha", "1234"});
  ASSERT_EQ(r.code, 0) << r.err;
  auto l = Linhas(r.out);
  ASSERT_EQ(l.size(), 10u) << r.out;
  EXPECT_EQ(l[0].rfind("ImpressaoDigital: ", 0), 0u);
  EXPECT_EQ(l[1], "Autoridade: AC TUIM TESTE");
  EXPECT_EQ(l[2], "CNPJTitular: 11222333000181");
  EXPECT_EQ(l[3], "ValidoAte: 2045-12-31T23:59:59");
  EXPECT_EQ(l[6], "Titular: CONFECÇÕES SÃO JOÃO LTDA");
  EXPECT_EQ(l[8], "TipoCertificado: tcIndefinido");
  EXPECT_EQ(l[9], "CertificadoBase64: " +
                      Executar("openssl x509 -outform DER -in " + Certificado("empresa-san.pem") + " | openssl base64 -A"));

  auto j = RunTuim({"certificado", "info", "--pfx", Certificado("empresa.pfx"), "--senha", "1234", "--json"});
  ASSERT_EQ(j.code, 0) << j.err;
  EXPECT_NE(j.out.find("\"Titular\": \"EMPRESA TESTE LTDA\""), std::string::npos) << j.out;

  auto e = RunTuim({"certificado", "info", "--pfx", Certificado("empresa.pfx"), "--senha", "errada"});
  EXPECT_EQ(e.code, 1);
  EXPECT_NE(e.err.find("Provavelmente a senha está errada"), std::string::npos) << e.err;
  EXPECT_EQ(e.err.find("errada\n"), e.err.size() - 7);  // the password itself is not echoed
  EXPECT_EQ(RunTuim({"certificado", "info"}).code, 2);
}

TEST(CertificadoCli, ListarShowsTheFileCertificateOrSaysTheStoreIsMissing) {
  auto r = RunTuim({"certificado", "listar", "--pfx", Certificado("pessoa.pfx"), "--senha", "1234"});
  ASSERT_EQ(r.code, 0) << r.err;
  auto l = Linhas(r.out);
  ASSERT_EQ(l.size(), 1u);
  std::string serie = Executar("openssl x509 -noout -serial -in " + Certificado("pessoa.pem"));
  EXPECT_EQ(l[0], serie.substr(7) + "\tFULANO DE TAL\t12345678909\t2055-12-31T12:00:00\t");
  auto s = RunTuim({"certificado", "listar"});
  EXPECT_EQ(s.code, 1);
  EXPECT_NE(s.err.find("TDFeWinCrypt"), std::string::npos) << s.err;
}

TEST(HashCli, DigestAndSignatureMatchTheOpensslTool) {
  std::string arq = ArquivoTemporario("dados.bin", std::string(70000, 'x') + "fim");
  for (const char* alg : {"sha1", "sha256", "sha512"}) {
    auto r = RunTuim({"hash", "--algoritmo", alg, arq});
    ASSERT_EQ(r.code, 0) << r.err;
    std::string esperado = Executar(std::string("openssl dgst -") + alg + " -r " + arq + " | cut -d' ' -f1");
    for (auto& c : esperado) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    EXPECT_EQ(r.out, esperado + "\n") << alg;
  }
  auto s = RunTuim({"hash", "--algoritmo", "sha256", "--assinar", "--pfx", Certificado("empresa-legacy.pfx"),
                    "--senha", "1234", "--base64", arq});
  ASSERT_EQ(s.code, 0) << s.err;
  EXPECT_EQ(s.out, Executar("openssl dgst -sha256 -sign " + Certificado("empresa.key") + " " + arq +
                            " | openssl base64 -A") +
                       "\n");
  EXPECT_EQ(RunTuim({"hash", "--algoritmo", "md5", arq}).code, 2);
  EXPECT_EQ(RunTuim({"hash", "--algoritmo", "sha1", "/nao/existe"}).code, 1);
}
