#include "mail/TuimMail.h"

#include <gtest/gtest.h>

#include <atomic>
#include <deque>
#include <sstream>

#include "CorreioTeste.h"
#include "fiscal/TuimUtil.h"

using namespace tuim;
using teste::ServidorSMTP;

namespace {

// ---- Properties and lists -------------------------------------------------------------------

TEST(TuimMailPropriedades, DefaultsAsDeclared) {
  TTuimMail m;
  EXPECT_EQ(m.Host(), "");
  EXPECT_EQ(m.Port(), "25");
  EXPECT_EQ(m.Username(), "");
  EXPECT_EQ(m.Password(), "");
  EXPECT_FALSE(m.SetSSL());
  EXPECT_FALSE(m.SetTLS());
  EXPECT_EQ(m.Priority(), MP_normal);
  EXPECT_FALSE(m.ReadingConfirmation());
  EXPECT_FALSE(m.DeliveryConfirmation());
  EXPECT_FALSE(m.IsHTML());
  EXPECT_FALSE(m.UseThread());
  EXPECT_EQ(m.TimeOut(), 0);
  EXPECT_EQ(m.Attempts(), 3);
  EXPECT_EQ(m.DefaultCharset(), UTF_8);
  EXPECT_EQ(m.IDECharset(), CP1252);
  EXPECT_TRUE(m.VerificarCertificado());
}

TEST(TuimMailPropriedades, AttemptsZeroReadsBackOne) {
  TTuimMail m;
  m.SetAttempts(0);
  EXPECT_EQ(m.Attempts(), 1);
  m.SetAttempts(7);
  EXPECT_EQ(m.Attempts(), 7);
}

TEST(TuimMailPropriedades, PasswordIsNotHeldInPlainText) {
  TTuimMail m;
  m.SetPassword("segredo-muito-secreto");
  EXPECT_EQ(m.Password(), "segredo-muito-secreto");
}

TEST(TuimMailListas, TwoAddressesSeparatedBySemicolonAddTwoLines) {
  TTuimMail m;
  m.AdicionarDestinatario(" a@x.com;b@y.com ");
  EXPECT_EQ(m.To(), (std::vector<std::string>{"a@x.com", "b@y.com"}));
}

TEST(TuimMailListas, WithDisplayNameTheWholeTextGoesBetweenAngleBrackets) {
  TTuimMail m;
  m.AdicionarDestinatario("a@x.com;b@y.com", "Fulano");
  EXPECT_EQ(m.To(), (std::vector<std::string>{"\"Fulano\" <a@x.com;b@y.com>"}));
}

TEST(TuimMailListas, FirstDelimiterFoundIsUsedAndQuotedItemsStayWhole) {
  TTuimMail m;
  m.AdicionarCopia("a@x.com,b@y.com|c@z.com");
  EXPECT_EQ(m.CC(), (std::vector<std::string>{"a@x.com", "b@y.com|c@z.com"}));
  m.AdicionarResponderPara("\"Silva, Jose <j@x.com>\",k@x.com");
  EXPECT_EQ(m.ReplyTo(), (std::vector<std::string>{"Silva, Jose <j@x.com>", "k@x.com"}));
  m.AdicionarDestinatario("  unico@x.com  ");
  EXPECT_EQ(m.To(), (std::vector<std::string>{"unico@x.com"}));
}

// ---- Attachments ----------------------------------------------------------------------------

TEST(TuimMailAnexos, MissingFileFails) {
  TTuimMail m;
  try {
    m.AnexarArquivo("/nao/existe/nota.pdf");
    FAIL();
  } catch (const ETuimDFeException& e) {
    EXPECT_STREQ(e.what(), "Add Attachment: File not Exists.");
  }
}

TEST(TuimMailAnexos, FileNameAndDescriptionFromThePath) {
  TTuimMail m;
  std::string caminho = ArquivoTemporario("danfe.pdf", "%PDF-1.4 conteudo");
  m.AnexarArquivo(caminho);
  m.AnexarArquivo(caminho, "Documento", 1);
  ASSERT_EQ(m.Anexos().size(), 2u);
  EXPECT_EQ(m.Anexos()[0].NomeArquivo, "danfe.pdf");
  EXPECT_EQ(m.Anexos()[0].Descricao, "danfe.pdf");
  EXPECT_EQ(m.Anexos()[0].Conteudo, "%PDF-1.4 conteudo");
  EXPECT_EQ(m.Anexos()[0].Disposicao, 0);
  EXPECT_EQ(m.Anexos()[1].Descricao, "Documento");
  EXPECT_EQ(m.Anexos()[1].Disposicao, 1);
  EXPECT_EQ(TMailAttachment{}.Disposicao, 1);
}

TEST(TuimMailAnexos, NullStreamFails) {
  TTuimMail m;
  try {
    m.AnexarStream(static_cast<std::istream*>(nullptr), "x.xml");
    FAIL();
  } catch (const ETuimDFeException& e) {
    EXPECT_STREQ(e.what(), "Add Attachment: Access Violation.");
  }
}

TEST(TuimMailAnexos, StreamIsCopiedFromItsStart) {
  TTuimMail m;
  std::istringstream in("0123456789");
  in.seekg(5);
  m.AnexarStream(&in, "nfe.xml");
  ASSERT_EQ(m.Anexos().size(), 1u);
  EXPECT_EQ(m.Anexos()[0].Conteudo, "0123456789");
  EXPECT_EQ(m.Anexos()[0].NomeArquivo, "nfe.xml");
  EXPECT_EQ(m.Anexos()[0].Descricao, "nfe.xml");
}

TEST(TuimMailAnexos, BlankNameBecomesFilePlusTime) {
  TTuimMail m;
  m.AnexarStream(std::string("abc"), "  ");
  ASSERT_EQ(m.Anexos().size(), 1u);
  const std::string& n = m.Anexos()[0].NomeArquivo;
  ASSERT_EQ(n.size(), 5u + 9u) << n;
  EXPECT_EQ(n.substr(0, 5), "file_");
  EXPECT_TRUE(TextoNumerico(n.substr(5))) << n;
}

TEST(TuimMailLimpar, EmptiesMessageButKeepsSettings) {
  TTuimMail m;
  m.SetHost("smtp.x");
  m.AdicionarDestinatario("a@x.com");
  m.AdicionarCopia("b@x.com");
  m.AdicionarResponderPara("c@x.com");
  m.BCC().push_back("d@x.com");
  m.Header().CustomHeaders.push_back("X-Teste: 1");
  m.SetSubject("s");
  m.SetCorpo({"c"});
  m.SetCorpoAlternativo({"a"});
  m.AnexarStream(std::string("x"), "x.txt");
  m.Limpar();
  EXPECT_TRUE(m.To().empty());
  EXPECT_TRUE(m.CC().empty());
  EXPECT_TRUE(m.ReplyTo().empty());
  EXPECT_TRUE(m.BCC().empty());
  EXPECT_TRUE(m.Header().CustomHeaders.empty());
  EXPECT_TRUE(m.Subject().empty());
  EXPECT_TRUE(m.Corpo().empty());
  EXPECT_TRUE(m.CorpoAlternativo().empty());
  EXPECT_TRUE(m.Anexos().empty());
  EXPECT_EQ(m.Host(), "smtp.x");
}

// ---- Assign ---------------------------------------------------------------------------------

TEST(TuimMailAssign, CopiesEverySettingIncludingDeliveryConfirmationAndTimeOut) {
  TTuimMail a, b;
  a.SetHost("h");
  a.SetPort("2525");
  a.SetUsername("u");
  a.SetPassword("p");
  a.SetSetSSL(true);
  a.SetSetTLS(true);
  a.SetPriority(MP_high);
  a.SetReadingConfirmation(true);
  a.SetDeliveryConfirmation(true);
  a.SetIsHTML(true);
  a.SetUseThread(true);
  a.SetTimeOut(1234);
  a.SetAttempts(5);
  a.SetFrom("f@x");
  a.SetFromName("F");
  a.SetSubject("S");
  a.SetDefaultCharset(ISO_8859_1);
  a.SetIDECharset(UTF_8);
  int chamadas = 0;
  a.OnMailProcess = [&](const TTuimMail&, TMailStatus) { ++chamadas; };
  a.AdicionarDestinatario("t@x");
  a.AdicionarCopia("c@x");
  a.AdicionarResponderPara("r@x");
  a.BCC().push_back("b@x");
  a.Header().Organization = "Org";
  a.Header().CustomHeaders.push_back("X-A: 1");
  a.SetCorpo({"html"});
  a.SetCorpoAlternativo({"texto"});
  a.AnexarStream(std::string("bytes"), "a.bin");
  b.SetTimeOut(99);
  b.Assign(&a);
  EXPECT_EQ(b.Host(), "h");
  EXPECT_EQ(b.Port(), "2525");
  EXPECT_EQ(b.Username(), "u");
  EXPECT_EQ(b.Password(), "p");
  EXPECT_TRUE(b.SetSSL());
  EXPECT_TRUE(b.SetTLS());
  EXPECT_EQ(b.Priority(), MP_high);
  EXPECT_TRUE(b.ReadingConfirmation());
  EXPECT_TRUE(b.DeliveryConfirmation());
  EXPECT_TRUE(b.IsHTML());
  EXPECT_TRUE(b.UseThread());
  EXPECT_EQ(b.TimeOut(), 1234);
  EXPECT_EQ(b.Attempts(), 5);
  EXPECT_EQ(b.From(), "f@x");
  EXPECT_EQ(b.FromName(), "F");
  EXPECT_EQ(b.Subject(), "S");
  EXPECT_EQ(b.DefaultCharset(), ISO_8859_1);
  EXPECT_EQ(b.IDECharset(), UTF_8);
  ASSERT_TRUE(b.OnMailProcess);
  b.OnMailProcess(b, pmsDone);
  EXPECT_EQ(chamadas, 1);
  EXPECT_EQ(b.To(), a.To());
  EXPECT_EQ(b.CC(), a.CC());
  EXPECT_EQ(b.ReplyTo(), a.ReplyTo());
  EXPECT_EQ(b.BCC(), a.BCC());
  EXPECT_EQ(b.Header().Organization, "Org");
  EXPECT_EQ(b.Header().CustomHeaders, a.Header().CustomHeaders);
  EXPECT_EQ(b.Corpo(), a.Corpo());
  EXPECT_EQ(b.CorpoAlternativo(), a.CorpoAlternativo());
  ASSERT_EQ(b.Anexos().size(), 1u);
  EXPECT_EQ(b.Anexos()[0].Conteudo, "bytes");
}

TEST(TuimMailAssign, SourceThatIsNotAMailComponentFails) {
  TTuimMail m;
  TTuimComponent outro;
  try {
    m.Assign(&outro);
    FAIL();
  } catch (const ETuimDFeException& e) {
    EXPECT_STREQ(e.what(), "Source must be TTuimMail");
  }
  EXPECT_THROW(m.Assign(nullptr), ETuimDFeException);
}

// ---- Sending --------------------------------------------------------------------------------

TEST(TuimMailEnvio, EmptyHostFailsAfterLoginStage) {
  TTuimMail m;
  std::vector<TMailStatus> etapas;
  m.OnMailProcess = [&](const TTuimMail&, TMailStatus s) { etapas.push_back(s); };
  m.AdicionarDestinatario("a@x.com");
  try {
    m.Enviar();
    FAIL();
  } catch (const ETuimDFeException& e) {
    EXPECT_STREQ(e.what(), "SMTP Error: Server not informed");
  }
  EXPECT_EQ(etapas, (std::vector<TMailStatus>{pmsStartProcess, pmsConfigHeaders, pmsAddingMimeParts, pmsLoginSMTP,
                                                pmsError}));
  EXPECT_EQ(m.UltimoErro(), "SMTP Error: Server not informed");
  EXPECT_TRUE(m.To().empty());
}

TEST(TuimMailEnvio, PlainMessageArrivesWithHeadersAndStagesInOrder) {
  ServidorSMTP s;
  TTuimMail m;
  teste::UsarServidor(m, s);
  m.SetFromName("Emissor Tuim");
  std::vector<TMailStatus> etapas;
  int antes = 0, depois = 0;
  m.OnBeforeMailProcess = [&](TTuimComponent*) { ++antes; };
  m.OnAfterMailProcess = [&](TTuimComponent*) { ++depois; };
  m.OnMailProcess = [&](const TTuimMail&, TMailStatus st) { etapas.push_back(st); };
  m.AdicionarDestinatario("dest@tuim.test", "Jos\xE9 da Silva");
  m.AdicionarCopia("copia@tuim.test");
  m.BCC().push_back("oculta@tuim.test");
  m.SetSubject("NF-e n\xBA 123 \x96 emiss\xE3o");
  m.SetCorpoAlternativo({"Segue a nota fiscal.", "Atenciosamente, Jo\xE3o"});
  m.Enviar();
  EXPECT_EQ(etapas, (std::vector<TMailStatus>{pmsStartProcess, pmsConfigHeaders, pmsAddingMimeParts, pmsLoginSMTP,
                                                pmsStartSends, pmsSendTo, pmsSendCC, pmsSendBCC, pmsSendData,
                                                pmsLogoutSMTP, pmsDone}));
  EXPECT_EQ(antes, 1);
  EXPECT_EQ(depois, 1);
  // The message is gone after the send.
  EXPECT_TRUE(m.To().empty());
  EXPECT_TRUE(m.Subject().empty());

  ASSERT_EQ(s.Quantidade(), 1);
  std::string env = s.Envelope(1);
  EXPECT_NE(env.find("\"mail_from\": \"emissor@tuim.test\""), std::string::npos) << env;
  EXPECT_NE(env.find("\"rcpt_tos\": [\"dest@tuim.test\", \"copia@tuim.test\", \"oculta@tuim.test\"]"),
            std::string::npos)
      << env;
  EXPECT_NE(env.find("SIZE="), std::string::npos) << env;

  auto e = teste::LerEmail(s.Mensagem(1), teste::PastaLeitura());
  EXPECT_EQ(DeUTF8(e["addrs.from"]), "Emissor Tuim|emissor@tuim.test");
  EXPECT_EQ(DeUTF8(e["addrs.to"]), "Jos\xE9 da Silva|dest@tuim.test");
  EXPECT_EQ(e["addrs.cc"], "|copia@tuim.test");
  EXPECT_FALSE(e.Tem("header.bcc"));
  EXPECT_EQ(DeUTF8(e["header.subject"]), "NF-e n\xBA 123 \x96 emiss\xE3o");
  EXPECT_EQ(e["header.x-mailer"], "Synapse - TuimMail");
  EXPECT_EQ(e["header.mime-version"], "1.0");
  EXPECT_EQ(e["header.x-priority"], "3 (Normal)");
  EXPECT_TRUE(e.Tem("header.date"));
  EXPECT_TRUE(e.Tem("header.message-id"));
  EXPECT_EQ(e["structure"], "multipart/mixed(text/plain)");
  EXPECT_EQ(e["part.1.charset"], "utf-8");
  EXPECT_EQ(e["part.1.cte"], "quoted-printable");
  EXPECT_EQ(e["part.1.description"], "Message text");
  EXPECT_EQ(e["part.1.disposition"], "inline");
  EXPECT_EQ(DeUTF8(e["part.1.text"]), "Segue a nota fiscal.\r\nAtenciosamente, Jo\xE3o");
  EXPECT_EQ(e["raw.8bit"], "0");
  EXPECT_EQ(e["defects"], "0");
}

}  // namespace
