// `tuim email enviar` against the loopback SMTP server of the mail tests.
#include <gtest/gtest.h>

#include "cli/TuimRun.h"
#include "testing/ServidorSMTPTeste.h"

using tuim::testing::RunTuim;

namespace {

TEST(EmailEnviar, SendsTextHtmlAndAttachmentsToTheServer) {
  teste::ServidorSMTP s;
  std::string texto = ArquivoTemporario("corpo.txt", "Olá, segue a nota.\nAté mais.\n");
  std::string html = ArquivoTemporario("corpo.html", "<p>Olá, segue a <b>nota</b>.</p>\n");
  std::string a1 = ArquivoTemporario("nota.xml", "<NFe>São Paulo</NFe>");
  std::string a2 = ArquivoTemporario("danfe.pdf", std::string("%PDF\0\x01\xFF", 7));
  auto r = RunTuim({"email", "enviar", "--host", "127.0.0.1", "--port", s.PortaTexto(), "--de", "eu@tuim.test",
                    "--nome", "Emissão Tuim", "--para", "a@tuim.test;b@tuim.test", "--cc", "c@tuim.test",
                    "--assunto", "Nota nº 5", "--texto", texto, "--html", html, "--anexo", a1, "--anexo", a2});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(r.out, "enviado\n");
  EXPECT_NE(r.err.find("pmsLoginSMTP\npmsStartSends\npmsSendTo\npmsSendCC\npmsSendData"), std::string::npos) << r.err;
  ASSERT_EQ(s.Quantidade(), 1);
  auto e = teste::LerEmail(s.Mensagem(1), s.Pasta() + "/lido");
  EXPECT_EQ(e["header.subject"], "Nota nº 5");
  EXPECT_EQ(e["addrs.from"], "Emissão Tuim|eu@tuim.test");
  EXPECT_EQ(e["addrs.to"], "|a@tuim.test;|b@tuim.test");
  EXPECT_EQ(e["addrs.cc"], "|c@tuim.test");
  EXPECT_EQ(e["structure"],
            "multipart/alternative(text/plain,multipart/related(text/html,application/xml,application/pdf))");
  EXPECT_EQ(e["part.1.text"], "Olá, segue a nota.\r\nAté mais.");
  EXPECT_EQ(e["part.2.text"], "<p>Olá, segue a <b>nota</b>.</p>");
  EXPECT_EQ(e.Parte(3), "<NFe>São Paulo</NFe>");
  EXPECT_EQ(e.Parte(4), std::string("%PDF\0\x01\xFF", 7));
}

TEST(EmailEnviar, RejectedRecipientExitsOneWithTheServerAnswer) {
  teste::OpcoesServidor o;
  o.rejeitar = {"x@tuim.test"};
  teste::ServidorSMTP s(o);
  auto r = RunTuim({"email", "enviar", "--host", "127.0.0.1", "--port", s.PortaTexto(), "--de", "eu@tuim.test",
                    "--para", "x@tuim.test", "--tentativas", "2"});
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.err.find("tuim: SMTP Error: Unable to send MailTo. - 550 5.1.1 <x@tuim.test>"), std::string::npos)
      << r.err;
  EXPECT_EQ(s.ContarEventos("RCPT-REJEITADO"), 2);
}

TEST(EmailEnviar, WrongPasswordNeverShowsIt) {
  teste::OpcoesServidor o;
  o.usuario = "u";
  o.senha = "boa";
  teste::ServidorSMTP s(o);
  auto r = RunTuim({"email", "enviar", "--host", "127.0.0.1", "--port", s.PortaTexto(), "--user", "u", "--pass",
                    "senha-ruim-xyz", "--de", "eu@tuim.test", "--para", "a@tuim.test", "--tentativas", "1"});
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.err.find("Unable to Login."), std::string::npos) << r.err;
  EXPECT_EQ(r.err.find("senha-ruim-xyz"), std::string::npos);
  EXPECT_EQ(r.out.find("senha-ruim-xyz"), std::string::npos);
}

struct CasoUso {
  std::vector<std::string> args;
};

class EmailUso : public ::testing::TestWithParam<CasoUso> {};

TEST_P(EmailUso, BadCommandLineIsAUsageError) {
  std::vector<std::string> a = {"email", "enviar"};
  a.insert(a.end(), GetParam().args.begin(), GetParam().args.end());
  auto r = RunTuim(a);
  EXPECT_EQ(r.code, 2) << r.err;
}

INSTANTIATE_TEST_SUITE_P(
    Casos, EmailUso,
    ::testing::Values(CasoUso{{"--de", "a@b", "--para", "c@d"}}, CasoUso{{"--host", "h", "--para", "c@d"}},
                      CasoUso{{"--host", "h", "--de", "a@b"}},
                      CasoUso{{"--host", "h", "--de", "a@b", "--para", "c@d", "--desconhecida", "1"}},
                      CasoUso{{"--host", "h", "--de", "a@b", "--para", "c@d", "--anexo"}}));

TEST(EmailEnviar, MissingAttachmentExitsOne) {
  auto r = RunTuim({"email", "enviar", "--host", "127.0.0.1", "--port", "1", "--de", "a@b.test", "--para",
                    "c@d.test", "--anexo", "/nao/existe.pdf"});
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.err.find("Add Attachment: File not Exists."), std::string::npos) << r.err;
}

}  // namespace
