#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

#include "CorreioTeste.h"
#include "component/TuimNFe.h"
#include "fiscal/TuimUtil.h"
#include "mail/TuimMail.h"

using namespace tuim;
using teste::OpcoesServidor;
using teste::PastaLeitura;
using teste::ServidorSMTP;
using teste::UsarServidor;

namespace {

std::string Binario(std::size_t n) {
  std::string r(n, '\0');
  for (std::size_t i = 0; i < n; ++i) r[i] = static_cast<char>((i * 131 + i / 7) & 0xFF);
  return r;
}

std::string Falha(TTuimMail& m) {
  try {
    m.Enviar();
  } catch (const ETuimDFeException& e) {
    return e.what();
  }
  return "";
}

// ---- Message structure ------------------------------------------------------------------------

TEST(TuimMailMime, HtmlWithPlainTextIsAlternativeWithRelatedHtmlAndAttachments) {
  ServidorSMTP s;
  TTuimMail m;
  UsarServidor(m, s);
  m.AdicionarDestinatario("d@tuim.test");
  m.SetSubject("Relat\xF3rio");
  m.SetIsHTML(true);
  m.SetCorpo({"<html><body><p>Ol\xE1, <b>cliente</b></p><img src=\"cid:logo.png\"></body></html>"});
  m.SetCorpoAlternativo({"Ol\xE1, cliente"});
  std::string logo = Binario(3000), pdf = Binario(100 * 1024 + 17);
  m.AnexarStream(logo, "logo.png", 1);
  m.AnexarArquivo(ArquivoTemporario("danfe-123.pdf", pdf), "", 0);
  m.AnexarStream(std::string("sem refer\xEAncia"), "nota.xml", 1);
  m.Enviar();
  ASSERT_EQ(s.Quantidade(), 1);
  auto e = teste::LerEmail(s.Mensagem(1), PastaLeitura());
  EXPECT_EQ(e["structure"],
            "multipart/alternative(text/plain,multipart/related(text/html,image/png,application/pdf,application/xml))");
  EXPECT_EQ(DeUTF8(e["part.1.text"]), "Ol\xE1, cliente");
  EXPECT_EQ(e["part.2.description"], "HTML text");
  EXPECT_EQ(e["part.2.cte"], "quoted-printable");
  EXPECT_EQ(DeUTF8(e["part.2.text"]),
            "<html><body><p>Ol\xE1, <b>cliente</b></p><img src=\"cid:logo.png\"></body></html>");
  // Attachments arrive byte for byte after Base64 decoding.
  EXPECT_EQ(e["part.3.cte"], "base64");
  EXPECT_EQ(e.Parte(3), logo);
  EXPECT_EQ(e["part.3.disposition"], "inline");
  EXPECT_EQ(e["part.3.filename"], "logo.png");
  EXPECT_EQ(e["part.3.cid"], "<logo.png>");
  EXPECT_EQ(e.Parte(4), pdf);
  EXPECT_EQ(e["part.4.disposition"], "attachment");
  EXPECT_EQ(e["part.4.filename"], "danfe-123.pdf");
  EXPECT_EQ(e["part.4.description"], "danfe-123.pdf");
  EXPECT_EQ(e["part.4.cid"], "");
  // An inline attachment the HTML does not reference gets no content identifier.
  EXPECT_EQ(e["part.5.cid"], "");
  EXPECT_EQ(e.Parte(5), "sem refer\xEAncia");
  EXPECT_EQ(e["defects"], "0");
  EXPECT_EQ(e["raw.8bit"], "0");
  EXPECT_LE(std::stoi(e["raw.maxline"]), 78);
}

TEST(TuimMailMime, WithoutIsHtmlOnlyThePlainPartIsSentInMixed) {
  ServidorSMTP s;
  TTuimMail m;
  UsarServidor(m, s);
  m.AdicionarDestinatario("d@tuim.test");
  m.SetCorpo({"<p>html</p>"});
  m.SetCorpoAlternativo({"texto"});
  m.Enviar();
  auto e = teste::LerEmail(s.Mensagem(1), PastaLeitura());
  EXPECT_EQ(e["structure"], "multipart/mixed(text/plain)");
  EXPECT_EQ(e["part.1.text"], "texto");
}

TEST(TuimMailMime, HtmlOnlyIsMixed) {
  ServidorSMTP s;
  TTuimMail m;
  UsarServidor(m, s);
  m.AdicionarDestinatario("d@tuim.test");
  m.SetIsHTML(true);
  m.SetCorpo({"<p>s\xF3 html</p>"});
  m.AnexarStream(std::string("x"), "a.txt", 0);
  m.Enviar();
  auto e = teste::LerEmail(s.Mensagem(1), PastaLeitura());
  EXPECT_EQ(e["structure"], "multipart/mixed(text/html,text/plain)");
  EXPECT_EQ(DeUTF8(e["part.1.text"]), "<p>s\xF3 html</p>");
  EXPECT_EQ(e["part.2.filename"], "a.txt");
}

TEST(TuimMailMime, NonAsciiAttachmentNameAndDescription) {
  ServidorSMTP s;
  TTuimMail m;
  UsarServidor(m, s);
  m.AdicionarDestinatario("d@tuim.test");
  m.AnexarStream(std::string("conte\xFA" "do"), "Nota n\xBA 1 - S\xE3o Jo\xE3o.xml", 0);
  m.Enviar();
  auto e = teste::LerEmail(s.Mensagem(1), PastaLeitura());
  EXPECT_EQ(DeUTF8(e["part.1.filename"]), "Nota n\xBA 1 - S\xE3o Jo\xE3o.xml");
  EXPECT_EQ(DeUTF8(e["part.1.description"]), "Nota n\xBA 1 - S\xE3o Jo\xE3o.xml");
  EXPECT_EQ(e.Parte(1), "conte\xFA" "do");
  EXPECT_EQ(e["defects"], "0");
}

TEST(TuimMailMime, SentInIdeCharsetWhenBothAreTheSame) {
  ServidorSMTP s;
  TTuimMail m;
  UsarServidor(m, s);
  m.SetDefaultCharset(CP1252);
  m.AdicionarDestinatario("d@tuim.test");
  m.SetSubject("A\xE7\xFA" "car");
  m.SetCorpoAlternativo({"a\xE7\xFA" "car \x80"});
  m.Enviar();
  auto e = teste::LerEmail(s.Mensagem(1), PastaLeitura());
  EXPECT_EQ(e["part.1.charset"], "windows-1252");
  EXPECT_EQ(DeUTF8(e["header.subject"]), "A\xE7\xFA" "car");
  EXPECT_EQ(DeUTF8(e["part.1.text"]), "a\xE7\xFA" "car \x80");
  EXPECT_NE(s.Mensagem(1).find("=?windows-1252?B?"), std::string::npos);
}

struct CasoPrioridade {
  TMessPriority prioridade;
  const char* xPriority;
  const char* priority;
};

class Prioridades : public ::testing::TestWithParam<CasoPrioridade> {};

TEST_P(Prioridades, PriorityHeaders) {
  TTuimMail m;
  m.SetFrom("f@x.test");
  m.SetPriority(GetParam().prioridade);
  m.MontarMensagem();
  auto e = teste::LerEmail(m.MensagemCodificada(), PastaLeitura());
  EXPECT_EQ(e["header.x-priority"], GetParam().xPriority);
  EXPECT_EQ(e["header.priority"], GetParam().priority);
}

INSTANTIATE_TEST_SUITE_P(Valores, Prioridades,
                         ::testing::Values(CasoPrioridade{MP_unknown, "", ""},
                                           CasoPrioridade{MP_low, "5 (Lowest)", "non-urgent"},
                                           CasoPrioridade{MP_normal, "3 (Normal)", "normal"},
                                           CasoPrioridade{MP_high, "1 (Highest)", "urgent"}));

TEST(TuimMailMime, ReceiptHeadersGoFirstDeliveryAheadOfReading) {
  TTuimMail m;
  m.SetFrom("f@x.test");
  m.SetFromName("Fulano");
  m.SetReadingConfirmation(true);
  m.SetDeliveryConfirmation(true);
  m.Header().CustomHeaders.push_back("X-Proprio: 1");
  m.AdicionarResponderPara("r1@x.test;r2@x.test");
  m.MontarMensagem();
  const std::string& msg = m.MensagemCodificada();
  EXPECT_EQ(msg.rfind("Return-Receipt-To: \"Fulano\" <f@x.test>\r\nDisposition-Notification-To: \"Fulano\" "
                      "<f@x.test>\r\nX-Proprio: 1\r\n",
                      0),
            0u)
      << msg.substr(0, 200);
  auto e = teste::LerEmail(msg, PastaLeitura());
  EXPECT_EQ(e["header.disposition-notification-to"], "\"Fulano\" <f@x.test>");
  EXPECT_EQ(e["addrs.reply-to"], "|r1@x.test;|r2@x.test");
}

// ---- TLS and authentication -------------------------------------------------------------------

struct CasoSeguranca {
  const char* modo;
  bool ssl, tls;
};

class Seguranca : public ::testing::TestWithParam<CasoSeguranca> {};

TEST_P(Seguranca, LogsInAndDelivers) {
  OpcoesServidor o;
  o.modo = GetParam().modo;
  o.usuario = "usuario@tuim.test";
  o.senha = "s3nh@ forte";
  ServidorSMTP s(o);
  TTuimMail m;
  UsarServidor(m, s);
  m.SetCAFile(teste::CertificadoServidor::Obter().ca);
  m.SetSetSSL(GetParam().ssl);
  m.SetSetTLS(GetParam().tls);
  m.SetUsername(o.usuario);
  m.SetPassword(o.senha);
  m.AdicionarDestinatario("d@tuim.test");
  m.SetSubject("seguro");
  m.Enviar();
  ASSERT_EQ(s.Quantidade(), 1);
  std::string env = s.Envelope(1);
  EXPECT_NE(env.find("\"usuario\": \"usuario@tuim.test\""), std::string::npos) << env;
  EXPECT_NE(env.find(std::string("\"tls\": ") + (std::string(GetParam().modo) == "plain" ? "false" : "true")),
            std::string::npos)
      << env;
}

INSTANTIATE_TEST_SUITE_P(Modos, Seguranca,
                         ::testing::Values(CasoSeguranca{"starttls", false, true}, CasoSeguranca{"ssl", true, false},
                                           // Credentials alone make STARTTLS required, and taken.
                                           CasoSeguranca{"starttls", false, false}));

// A server that withholds STARTTLS must never see an AUTH line: with SetTLS, and with
// credentials on a plain connection, TLS is required rather than tried.
struct CasoSemStartTls {
  bool tls;
  const char* usuario;
  const char* senha;
};

class SemStartTls : public ::testing::TestWithParam<CasoSemStartTls> {};

TEST_P(SemStartTls, FailsClearlyBeforeAnyAuthLine) {
  OpcoesServidor o;
  o.modo = "plain";
  o.usuario = "usuario@tuim.test";
  o.senha = "s3nh@-em-claro";
  ServidorSMTP s(o);
  TTuimMail m;
  UsarServidor(m, s);
  m.SetSetTLS(GetParam().tls);
  m.SetUsername(GetParam().usuario);
  m.SetPassword(GetParam().senha);
  m.SetAttempts(2);
  m.AdicionarDestinatario("d@tuim.test");
  std::vector<std::string> log;
  m.OnGerarLog = [&](const std::string& l, bool&) { log.push_back(l); };
  std::string erro = Falha(m);
  EXPECT_EQ(erro, "SMTP Error: Unable to Login.\r\nTLS could not be set up: the server does not offer STARTTLS; "
                  "nothing was sent after EHLO.");
  EXPECT_EQ(s.ContarEventos("COMANDO-AUTH"), 0) << s.Eventos();
  EXPECT_EQ(s.ContarEventos("AUTH"), 0) << s.Eventos();
  EXPECT_EQ(s.Quantidade(), 0);
  EXPECT_EQ(erro.find("s3nh@"), std::string::npos);
  ASSERT_EQ(log.size(), 1u);
  EXPECT_EQ(log[0], "ERRO: " + erro);
}

INSTANTIATE_TEST_SUITE_P(Casos, SemStartTls,
                         ::testing::Values(CasoSemStartTls{true, "usuario@tuim.test", "s3nh@-em-claro"},
                                           CasoSemStartTls{false, "usuario@tuim.test", "s3nh@-em-claro"},
                                           CasoSemStartTls{true, "", ""}));

TEST(TuimMailSeguranca, WithoutCredentialsOrTlsAPlainServerStillGetsTheMessage) {
  ServidorSMTP s;
  TTuimMail m;
  UsarServidor(m, s);
  m.AdicionarDestinatario("d@tuim.test");
  m.Enviar();
  ASSERT_EQ(s.Quantidade(), 1);
  EXPECT_NE(s.Envelope(1).find("\"tls\": false"), std::string::npos);
}

TEST(TuimMailSeguranca, WrongPasswordFailsLoginAfterEveryAttemptWithoutTheSecret) {
  OpcoesServidor o;
  o.modo = "starttls";
  o.usuario = "u";
  o.senha = "certa";
  ServidorSMTP s(o);
  TTuimMail m;
  UsarServidor(m, s);
  m.SetCAFile(teste::CertificadoServidor::Obter().ca);
  m.SetSetTLS(true);
  m.SetUsername("u");
  m.SetPassword("errada-secreta");
  m.SetAttempts(2);
  m.AdicionarDestinatario("d@tuim.test");
  std::string erro = Falha(m);
  EXPECT_EQ(erro.rfind("SMTP Error: Unable to Login.\r\n", 0), 0u) << erro;
  EXPECT_NE(erro.find("535"), std::string::npos) << erro;
  EXPECT_EQ(erro.find("errada-secreta"), std::string::npos);
  EXPECT_EQ(s.ContarEventos("AUTH"), 2);
  EXPECT_EQ(s.Quantidade(), 0);
}

TEST(TuimMailSeguranca, UntrustedServerCertificateIsRefused) {
  OpcoesServidor o;
  o.modo = "ssl";
  ServidorSMTP s(o);
  TTuimMail m;
  UsarServidor(m, s);
  m.SetCAFile("");
  m.SetSetSSL(true);
  m.SetAttempts(1);
  m.AdicionarDestinatario("d@tuim.test");
  EXPECT_EQ(Falha(m).rfind("SMTP Error: Unable to Login.\r\n", 0), 0u);
  EXPECT_EQ(s.Quantidade(), 0);
  // With the check turned off the same server is accepted.
  UsarServidor(m, s);
  m.SetCAFile("");
  m.SetVerificarCertificado(false);
  m.AdicionarDestinatario("d@tuim.test");
  m.Enviar();
  EXPECT_EQ(s.Quantidade(), 1);
}

// ---- Line breaks in header values ------------------------------------------------------------

struct CasoQuebra {
  const char* campo;
  std::function<void(TTuimMail&)> preparar;
};

class QuebraNoCabecalho : public ::testing::TestWithParam<CasoQuebra> {};

TEST_P(QuebraNoCabecalho, IsRefusedBeforeConnecting) {
  ServidorSMTP s;
  TTuimMail m;
  UsarServidor(m, s);
  m.AdicionarDestinatario("d@tuim.test");
  GetParam().preparar(m);
  EXPECT_THROW(m.MontarMensagem(), ETuimDFeException);
  std::vector<TMailStatus> etapas;
  m.OnMailProcess = [&](const TTuimMail&, TMailStatus st) { etapas.push_back(st); };
  EXPECT_EQ(Falha(m), std::string("SMTP Error: ") + GetParam().campo + " holds a line break or NUL character.");
  EXPECT_EQ(etapas, std::vector<TMailStatus>{pmsError});
  EXPECT_EQ(s.ContarEventos("CONEXAO"), 0);
  EXPECT_EQ(s.Quantidade(), 0);
}

const std::string kNul("a\0b@tuim.test", 13);

INSTANTIATE_TEST_SUITE_P(
    Campos, QuebraNoCabecalho,
    ::testing::Values(
        // Without a sender name the address used to go out raw.
        CasoQuebra{"From", [](TTuimMail& m) { m.SetFrom("a@b.com\r\nBcc: vitima@x.com"); }},
        CasoQuebra{"From", [](TTuimMail& m) {
                     m.SetFrom("a@b.com\nBcc: vitima@x.com");
                     m.SetFromName("Nome");
                   }},
        CasoQuebra{"From", [](TTuimMail& m) { m.SetFrom(kNul); }},
        CasoQuebra{"FromName", [](TTuimMail& m) { m.SetFromName("Nome\r\nBcc: vitima@x.com"); }},
        CasoQuebra{"Subject", [](TTuimMail& m) { m.SetSubject("assunto\rBcc: vitima@x.com"); }},
        CasoQuebra{"To", [](TTuimMail& m) { m.AdicionarDestinatario("x@tuim.test", "Nome\nBcc: vitima@x.com"); }},
        CasoQuebra{"CC", [](TTuimMail& m) { m.AdicionarCopia("c@tuim.test\r\nBcc: vitima@x.com"); }},
        CasoQuebra{"BCC", [](TTuimMail& m) { m.BCC().push_back(kNul); }},
        CasoQuebra{"Reply-To", [](TTuimMail& m) { m.AdicionarResponderPara("r@tuim.test", "R\r\nX: y"); }},
        CasoQuebra{"Attachment name", [](TTuimMail& m) { m.AnexarStream(std::string("x"), "a.txt\r\nX: y"); }}),
    [](const auto& i) { return "Caso" + std::to_string(i.index); });

// ---- Failures and attempts --------------------------------------------------------------------

TEST(TuimMailFalhas, ServerDownFailsLogin) {
  int porta;
  {
    ServidorSMTP s;
    porta = s.Porta();
  }
  TTuimMail m;
  m.SetHost("127.0.0.1");
  m.SetPort(std::to_string(porta));
  m.SetFrom("f@x.test");
  m.AdicionarDestinatario("d@tuim.test");
  std::vector<TMailStatus> etapas;
  m.OnMailProcess = [&](const TTuimMail&, TMailStatus st) { etapas.push_back(st); };
  EXPECT_EQ(Falha(m), "SMTP Error: Unable to Login.\r\n");
  EXPECT_EQ(etapas.back(), pmsError);
  EXPECT_EQ(etapas[etapas.size() - 2], pmsLoginSMTP);
}

TEST(TuimMailFalhas, SilentServerFailsLoginAfterTheTimeOutOfEachAttempt) {
  OpcoesServidor o;
  o.mudo = true;
  ServidorSMTP s(o);
  TTuimMail m;
  UsarServidor(m, s);
  m.SetTimeOut(300);
  m.SetAttempts(2);
  m.AdicionarDestinatario("d@tuim.test");
  EXPECT_EQ(Falha(m), "SMTP Error: Unable to Login.\r\n");
  EXPECT_EQ(s.ContarEventos("CONEXAO"), 2);
}

TEST(TuimMailFalhas, FailingAfterHandlerStillClearsTheMessage) {
  ServidorSMTP s;
  TTuimMail m;
  UsarServidor(m, s);
  m.OnAfterMailProcess = [](TTuimComponent*) { throw std::runtime_error("falha do host"); };
  bool viuExcecao = false;
  m.OnMailException = [&](const TTuimMail&, const std::exception&, bool&) { viuExcecao = true; };
  m.AdicionarDestinatario("d@tuim.test");
  m.SetSubject("s");
  EXPECT_THROW(m.Enviar(), std::runtime_error);
  EXPECT_EQ(s.Quantidade(), 1);
  EXPECT_FALSE(viuExcecao);
  EXPECT_TRUE(m.To().empty());
  EXPECT_TRUE(m.Subject().empty());
}

TEST(TuimMailFalhas, RejectedRecipientIsTriedAttemptsTimesThenFails) {
  OpcoesServidor o;
  o.rejeitar = {"ninguem@tuim.test"};
  ServidorSMTP s(o);
  TTuimMail m;
  UsarServidor(m, s);
  m.SetAttempts(4);
  m.AdicionarDestinatario("d@tuim.test");
  m.AdicionarCopia("ninguem@tuim.test");
  std::string erro = Falha(m);
  EXPECT_EQ(erro, "SMTP Error: Unable to send CC list.\r\n550 5.1.1 <ninguem@tuim.test>: Recipient address rejected");
  EXPECT_EQ(s.ContarEventos("RCPT-REJEITADO"), 4);
  EXPECT_EQ(s.ContarEventos("RCPT "), 1);
  EXPECT_EQ(s.Quantidade(), 0);
  EXPECT_EQ(m.UltimoErro(), erro);
}

TEST(TuimMailFalhas, LineBreaksInAnAddressCannotInjectCommands) {
  ServidorSMTP s;
  TTuimMail m;
  UsarServidor(m, s);
  m.AdicionarDestinatario("d@tuim.test>\r\nRCPT TO:<intruso@tuim.test");
  m.SetSubject("assunto\r\nBcc: intruso@tuim.test");
  try {
    m.Enviar();
  } catch (const ETuimDFeException&) {
    // The server may refuse the odd address; what matters is that no second command went out.
  }
  EXPECT_EQ(s.ContarEventos("RCPT intruso"), 0) << s.Eventos();
  if (s.Quantidade() == 1) {
    auto e = teste::LerEmail(s.Mensagem(1), PastaLeitura());
    EXPECT_FALSE(e.Tem("header.bcc"));
  }
}

TEST(TuimMailFalhas, RejectedToAndBccUseTheirMessages) {
  OpcoesServidor o;
  o.rejeitar = {"x@tuim.test"};
  ServidorSMTP s(o);
  TTuimMail m;
  UsarServidor(m, s);
  m.SetAttempts(1);
  m.AdicionarDestinatario("x@tuim.test");
  EXPECT_EQ(Falha(m).rfind("SMTP Error: Unable to send MailTo.\r\n550", 0), 0u);
  UsarServidor(m, s);
  m.AdicionarDestinatario("d@tuim.test");
  m.BCC().push_back("x@tuim.test");
  EXPECT_EQ(Falha(m).rfind("SMTP Error: Unable to send BCC list.\r\n550", 0), 0u);
}

TEST(TuimMailFalhas, RefusedDataIsRetriedInANewTransaction) {
  OpcoesServidor o;
  o.falharDados = true;
  ServidorSMTP s(o);
  TTuimMail m;
  UsarServidor(m, s);
  m.SetAttempts(3);
  m.AdicionarDestinatario("d@tuim.test");
  EXPECT_EQ(Falha(m), "SMTP Error: Unable to send Mail data.\r\n554 5.6.0 Message content rejected");
  EXPECT_EQ(s.ContarEventos("DATA-RECUSADO"), 3);
}

TEST(TuimMailFalhas, HandlerThatClearsThrowItEndsSilentlyWithMessageCleared) {
  OpcoesServidor o;
  o.rejeitar = {"x@tuim.test"};
  ServidorSMTP s(o);
  TTuimMail m;
  UsarServidor(m, s);
  std::string visto;
  bool preset = false;
  m.OnMailException = [&](const TTuimMail& mm, const std::exception& e, bool& throwIt) {
    visto = e.what();
    preset = throwIt;
    throwIt = false;
  };
  m.AdicionarDestinatario("x@tuim.test");
  m.SetSubject("assunto");
  m.AnexarStream(std::string("a"), "a.txt");
  EXPECT_NO_THROW(m.Enviar());
  EXPECT_TRUE(preset);
  EXPECT_EQ(visto.rfind("SMTP Error: Unable to send MailTo.", 0), 0u);
  EXPECT_EQ(m.UltimoErro(), visto);
  EXPECT_TRUE(m.To().empty());
  EXPECT_TRUE(m.Subject().empty());
  EXPECT_TRUE(m.Anexos().empty());
}

TEST(TuimMailFalhas, DeliveryConfirmationWithoutDsnFailsBeforeMailFrom) {
  ServidorSMTP s;
  TTuimMail m;
  UsarServidor(m, s);
  m.SetDeliveryConfirmation(true);
  m.AdicionarDestinatario("d@tuim.test");
  std::vector<TMailStatus> etapas;
  m.OnMailProcess = [&](const TTuimMail&, TMailStatus st) { etapas.push_back(st); };
  EXPECT_EQ(Falha(m), "SMTP Error: The SMTP Server does not support Delivery Status Notification");
  EXPECT_EQ(etapas, (std::vector<TMailStatus>{pmsStartProcess, pmsConfigHeaders, pmsAddingMimeParts, pmsLoginSMTP,
                                                pmsError}));
  EXPECT_EQ(s.Quantidade(), 0);
}

TEST(TuimMailFalhas, DeliveryConfirmationAsksForSuccessAndFailureNotices) {
  OpcoesServidor o;
  o.dsn = true;
  ServidorSMTP s(o);
  TTuimMail m;
  UsarServidor(m, s);
  m.SetDeliveryConfirmation(true);
  m.AdicionarDestinatario("d@tuim.test");
  m.Enviar();
  ASSERT_EQ(s.Quantidade(), 1);
  EXPECT_NE(s.Envelope(1).find("NOTIFY=SUCCESS,FAILURE"), std::string::npos) << s.Envelope(1);
  auto e = teste::LerEmail(s.Mensagem(1), PastaLeitura());
  EXPECT_EQ(e["header.return-receipt-to"], "emissor@tuim.test");
}

// ---- Background sends -------------------------------------------------------------------------

TEST(TuimMailThread, BackgroundSendCompletesAfterTheCallReturns) {
  ServidorSMTP s;
  TTuimMail m;
  UsarServidor(m, s);
  m.SetUseThread(true);
  std::mutex mx;
  std::vector<TMailStatus> etapas;
  m.OnMailProcess = [&](const TTuimMail&, TMailStatus st) {
    std::lock_guard<std::mutex> lk(mx);
    etapas.push_back(st);
  };
  m.AdicionarDestinatario("d@tuim.test");
  m.SetSubject("em segundo plano");
  m.SetCorpoAlternativo({"corpo"});
  m.Enviar();
  // The caller's message is left as it was; the worker sends a copy.
  EXPECT_EQ(m.Subject(), "em segundo plano");
  ASSERT_TRUE(TTuimMail::AguardarEnviosEmSegundoPlano(60000));
  ASSERT_EQ(s.Quantidade(), 1);
  auto e = teste::LerEmail(s.Mensagem(1), PastaLeitura());
  EXPECT_EQ(e["header.subject"], "em segundo plano");
  std::lock_guard<std::mutex> lk(mx);
  EXPECT_EQ(etapas.back(), pmsDone);
}

TEST(TuimMailThread, DestroyingTheComponentLosesNothing) {
  ServidorSMTP s;
  {
    TTuimMail m;
    UsarServidor(m, s);
    m.SetUseThread(true);
    for (int i = 0; i < 3; ++i) {
      m.AdicionarDestinatario("d@tuim.test");
      m.SetSubject("mensagem " + std::to_string(i));
      m.AnexarStream(Binario(20000), "anexo.bin", 0);
      m.Enviar();
      m.Limpar();
    }
  }
  EXPECT_EQ(s.AguardarMensagens(3), 3);
  ASSERT_TRUE(TTuimMail::AguardarEnviosEmSegundoPlano(60000));
  auto e = teste::LerEmail(s.Mensagem(3), PastaLeitura());
  EXPECT_EQ(e.Parte(1), Binario(20000));
}

TEST(TuimMailThread, BackgroundFailureIsNeverRaisedAndHandlerSeesThrowItFalse) {
  OpcoesServidor o;
  o.rejeitar = {"x@tuim.test"};
  ServidorSMTP s(o);
  TTuimMail m;
  UsarServidor(m, s);
  m.SetUseThread(true);
  m.SetAttempts(1);
  std::atomic<int> chamadas{0};
  std::atomic<bool> preset{true};
  m.OnMailException = [&](const TTuimMail&, const std::exception&, bool& throwIt) {
    preset = throwIt;
    throwIt = true;  // ignored in the background
    ++chamadas;
  };
  m.AdicionarDestinatario("x@tuim.test");
  EXPECT_NO_THROW(m.Enviar());
  ASSERT_TRUE(TTuimMail::AguardarEnviosEmSegundoPlano(60000));
  EXPECT_EQ(chamadas, 1);
  EXPECT_FALSE(preset);
}

TEST(TuimMailThread, EventsRunThroughTheSynchroniserOnTheMainThread) {
  ServidorSMTP s;
  // A queue that the test's main thread drains, as a GUI loop would.
  std::mutex mx;
  std::condition_variable cv;
  std::deque<std::pair<const std::function<void()>*, bool*>> fila;
  TTuimMail::DefinirSincronizador([&](const std::function<void()>& chamada) {
    bool feito = false;
    std::unique_lock<std::mutex> lk(mx);
    fila.emplace_back(&chamada, &feito);
    cv.notify_all();
    cv.wait(lk, [&] { return feito; });
  });
  const auto principal = std::this_thread::get_id();
  std::vector<bool> noPrincipal;
  TTuimMail m;
  UsarServidor(m, s);
  m.SetUseThread(true);
  m.OnMailProcess = [&](const TTuimMail&, TMailStatus) { noPrincipal.push_back(std::this_thread::get_id() == principal); };
  m.AdicionarDestinatario("d@tuim.test");
  m.Enviar();
  while (TTuimMail::EnviosEmSegundoPlano() > 0) {
    std::unique_lock<std::mutex> lk(mx);
    cv.wait_for(lk, std::chrono::milliseconds(20), [&] { return !fila.empty(); });
    while (!fila.empty()) {
      auto [chamada, feito] = fila.front();
      fila.pop_front();
      lk.unlock();
      (*chamada)();
      lk.lock();
      *feito = true;
      cv.notify_all();
    }
  }
  TTuimMail::DefinirSincronizador(nullptr);
  EXPECT_EQ(s.Quantidade(), 1);
  ASSERT_EQ(noPrincipal.size(), 9u);
  for (bool b : noPrincipal) EXPECT_TRUE(b);
}

TEST(TuimMailThread, BackgroundCopyKeepsDeliveryConfirmationAndTimeOut) {
  OpcoesServidor o;
  o.dsn = true;
  ServidorSMTP s(o);
  TTuimMail m;
  UsarServidor(m, s);
  m.SetUseThread(true);
  m.SetDeliveryConfirmation(true);
  m.AdicionarDestinatario("d@tuim.test");
  m.Enviar();
  ASSERT_TRUE(TTuimMail::AguardarEnviosEmSegundoPlano(120000));
  ASSERT_EQ(s.Quantidade(), 1);
  EXPECT_NE(s.Envelope(1).find("NOTIFY=SUCCESS,FAILURE"), std::string::npos) << s.Envelope(1);

  // A server that never answers is given up after the component's time-out, also in the background.
  OpcoesServidor om;
  om.mudo = true;
  ServidorSMTP mudo(om);
  TTuimMail n;
  UsarServidor(n, mudo);
  n.SetUseThread(true);
  n.SetTimeOut(300);
  n.SetAttempts(1);
  std::mutex mx;
  std::vector<std::string> log;
  n.OnGerarLog = [&](const std::string& l, bool&) {
    std::lock_guard<std::mutex> lk(mx);
    log.push_back(l);
  };
  n.AdicionarDestinatario("d@tuim.test");
  n.Enviar();
  ASSERT_TRUE(TTuimMail::AguardarEnviosEmSegundoPlano(120000));
  std::lock_guard<std::mutex> lk(mx);
  EXPECT_EQ(log, std::vector<std::string>{"ERRO: SMTP Error: Unable to Login.\r\n"});
}

TEST(TuimMailThread, SendsWaitAFiniteTimeByDefault) {
  TTuimMail m;
  EXPECT_EQ(m.TimeOut(), 0);
  EXPECT_EQ(m.TimeOutEfetivo(), TTuimMail::kTimeOutPadrao);
  EXPECT_GT(TTuimMail::kTimeOutPadrao, 0);
  m.SetTimeOut(1500);
  EXPECT_EQ(m.TimeOutEfetivo(), 1500);
}

TEST(TuimMailThread, EveryBackgroundOutcomeGoesToTheLogPath) {
  OpcoesServidor o;
  o.rejeitar = {"x@tuim.test"};
  ServidorSMTP s(o);
  TTuimMail m;
  UsarServidor(m, s);
  m.SetUseThread(true);
  m.SetAttempts(1);
  std::mutex mx;
  std::vector<std::string> log;
  m.OnGerarLog = [&](const std::string& l, bool&) {
    std::lock_guard<std::mutex> lk(mx);
    log.push_back(l);
  };
  // No exception handler: the failure must still be reported, not silently cleared.
  m.AdicionarDestinatario("d@tuim.test");
  m.SetSubject("primeira");
  m.Enviar();
  m.Limpar();
  m.AdicionarDestinatario("x@tuim.test");
  m.SetSubject("segunda");
  m.Enviar();
  ASSERT_TRUE(TTuimMail::AguardarEnviosEmSegundoPlano(120000));
  std::lock_guard<std::mutex> lk(mx);
  // Background sends take turns in no set order.
  std::sort(log.begin(), log.end());
  ASSERT_EQ(log.size(), 2u);
  EXPECT_EQ(log[0], "E-mail enviado: primeira");
  EXPECT_EQ(log[1].rfind("ERRO: SMTP Error: Unable to send MailTo.\r\n550", 0), 0u) << log[1];
  EXPECT_EQ(s.Quantidade(), 1);
}

TEST(TuimMailThread, DestroyingTheComponentWaitsForItsSends) {
  ServidorSMTP s;
  std::atomic<int> etapas{0};
  {
    TTuimMail m;
    UsarServidor(m, s);
    m.SetUseThread(true);
    m.OnMailProcess = [&](const TTuimMail&, TMailStatus) { ++etapas; };
    for (int i = 0; i < 3; ++i) {
      m.AdicionarDestinatario("d@tuim.test");
      m.SetSubject("mensagem " + std::to_string(i));
      m.AnexarStream(Binario(20000), "anexo.bin", 0);
      m.Enviar();
      m.Limpar();
    }
  }
  // Nothing is waited for here: the component's end was the wait.
  EXPECT_EQ(s.Quantidade(), 3);
  EXPECT_EQ(TTuimMail::EnviosEmSegundoPlano(), 0);
  EXPECT_EQ(etapas, 27);
}

// ---- Through the fiscal-document component ----------------------------------------------------

TEST(TuimMailNFe, EnviarPorEmailSendsDocumentAndFilesThroughTheLinkedComponent) {
  ServidorSMTP s;
  TTuimNFe nfe;
  TTuimMail m;
  UsarServidor(m, s);
  m.SetIsHTML(true);
  nfe.SetMAIL(&m);
  std::vector<TSituacaoNFe> situacoes;
  nfe.OnStatusChange = [&](TTuimComponent*) { situacoes.push_back(nfe.Status()); };
  std::string xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?><nfeProc><NFe>S\xC3\xA3o</NFe></nfeProc>";
  std::string danfe = Binario(5000);
  nfe.EnviarPorEmail("cliente@tuim.test", "NF-e 35260111222333000181550010000001231000001230",
                     {"<p>Prezado cliente,</p>", "<p>segue a <b>NF-e</b>.</p>"}, {"contador@tuim.test"},
                     {ArquivoTemporario("danfe.pdf", danfe)}, &xml, "35260111222333000181550010000001231000001230-nfe.xml",
                     {"resposta@tuim.test"});
  EXPECT_EQ(situacoes, (std::vector<TSituacaoNFe>{snEmail, snParado}));
  ASSERT_EQ(s.Quantidade(), 1);
  auto e = teste::LerEmail(s.Mensagem(1), PastaLeitura());
  EXPECT_EQ(e["addrs.to"], "|cliente@tuim.test");
  EXPECT_EQ(e["addrs.cc"], "|contador@tuim.test");
  EXPECT_EQ(e["addrs.reply-to"], "|resposta@tuim.test");
  EXPECT_EQ(e["structure"], "multipart/alternative(text/plain,multipart/related(text/html,application/xml,application/pdf))");
  EXPECT_EQ(e["part.1.text"], "Prezado cliente,\r\nsegue a NF-e.");
  EXPECT_EQ(e.Parte(3), xml);
  EXPECT_EQ(e["part.3.filename"], "35260111222333000181550010000001231000001230-nfe.xml");
  EXPECT_EQ(e.Parte(4), danfe);
}

TEST(TuimMailNFe, FailedSendRestoresStatusAndRaises) {
  TTuimNFe nfe;
  TTuimMail m;
  nfe.SetMAIL(&m);
  EXPECT_THROW(nfe.EnviarPorEmail("a@x.test", "s", {}, {}, {}, nullptr, "", {}), ETuimDFeException);
  EXPECT_EQ(nfe.Status(), snParado);
}

TEST(TuimMailNFe, DestroyedMailComponentUnlinksItself) {
  TTuimNFe nfe;
  {
    TTuimMail m;
    nfe.SetMAIL(&m);
    EXPECT_EQ(nfe.MAIL(), &m);
  }
  EXPECT_EQ(nfe.MAIL(), nullptr);
}

}  // namespace
