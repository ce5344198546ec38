// The HTTP backends against real peers on loopback: an HTTPS echo server that requires a client
// certificate of the test CA, one with a certificate nobody trusts, one that asks for no client
// certificate, and a CONNECT proxy with Basic authentication.
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <fstream>
#include <functional>
#include <iterator>
#include <mutex>
#include <thread>

#include "component/TuimNFe.h"
#include "security/CertificadosTeste.h"
#include "security/TuimDFeSSL.h"
#include "testing/ServidorTeste.h"
#include "testing/TokenSoftHSM.h"
#include "transport/TuimDFeHttpOpenSSL.h"
#include "transport/TuimDFeHttpWinHttp.h"
#include "transport/TuimTransporte.h"

using namespace tuim;

namespace {

const char* const kScript = TUIM_SOURCE_DIR "/testing/servidor_https.py";
const char* const kSoapAction = "http://www.portalfiscal.inf.br/nfe/wsdl/NFeStatusServico4/nfeStatusServicoNF";

// Server certificates made once per process; each peer starts on its first use.
struct Ambiente {
  std::string pasta, erro, logProxy, certs;
  teste::TServidorTeste https, estranho, aberto, proxy;
  bool Ok() const { return erro.empty(); }

  teste::TServidorTeste& Iniciado(teste::TServidorTeste& s, const std::vector<std::string>& args) {
    if (s.Porta() == 0 && erro.empty()) s.Iniciar(kScript, args, erro);
    return s;
  }
  // Requires a client certificate of the test CA.
  teste::TServidorTeste& Https() {
    return Iniciado(https, {"--cert", pasta + "/servidor.pem", "--key", pasta + "/servidor.key", "--ca",
                            certs + "/ca.pem"});
  }
  // A self-signed server certificate that nobody trusts.
  teste::TServidorTeste& Estranho() {
    return Iniciado(estranho, {"--cert", pasta + "/estranho.pem", "--key", pasta + "/estranho.key", "--ca",
                               certs + "/ca.pem"});
  }
  // Asks for no client certificate.
  teste::TServidorTeste& Aberto() {
    return Iniciado(aberto, {"--cert", pasta + "/servidor.pem", "--key", pasta + "/servidor.key"});
  }
  // CONNECT with Basic tuim:segredo.
  teste::TServidorTeste& Proxy() {
    return Iniciado(proxy, {"--proxy", "--usuario", "tuim", "--senha", "segredo", "--log", logProxy});
  }
};

Ambiente& Amb() {
  static Ambiente a;
  static std::once_flag feito;
  std::call_once(feito, [] {
    Ambiente& r = a;
    r.certs = PastaCertificados();
    r.pasta = teste::PastaTemporaria("tuim-http");
    if (r.pasta.empty() || !teste::GerarCertificadoServidor(r.certs, r.pasta, "servidor") ||
        !teste::GerarCertificadoServidor("", r.pasta, "estranho"))
      r.erro = "certificados do servidor";
    r.logProxy = r.pasta + "/proxy.log";
  });
  return a;
}

std::string URL(const teste::TServidorTeste& s, const std::string& caminho) {
  return "https://127.0.0.1:" + std::to_string(s.Porta()) + caminho;
}

std::string Mensagem(const std::function<void()>& f) {
  try {
    f();
  } catch (const std::exception& e) {
    return e.what();
  }
  return "(nada)";
}

void Configurar(TDFeSSL& ssl, TSSLHttpLib lib) {
  RegistrarTransporte();
  ssl.SetSSLCryptLib(cryOpenSSL);
  ssl.SetArquivoPFX(Certificado("empresa.pfx"));
  ssl.SetSenha("1234");
  ssl.SetSSLHttpLib(lib);
  TVerificacaoServidor v;
  v.ArquivoCA = Certificado("ca.pem");
  ASSERT_TRUE(DefinirVerificacaoServidor(ssl, v));
  ssl.SetTimeOut(15000);
}

// Request head and body of an echo.
std::pair<std::string, std::string> Dividir(const std::string& eco) {
  auto fim = eco.find("\r\n\r\n");
  if (fim == std::string::npos) return {eco, ""};
  return {eco.substr(0, fim + 2), eco.substr(fim + 4)};
}

std::string LerTudo(const std::string& caminho) {
  std::ifstream f(caminho, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

int PortaFechada() {
  int s = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a);
  socklen_t n = sizeof a;
  getsockname(s, reinterpret_cast<sockaddr*>(&a), &n);
  close(s);
  return ntohs(a.sin_port);
}

struct Backend {
  TSSLHttpLib lib;
  const char* nome;
  const char* userAgent;
  bool portaNoHost;     // the Windows classes name a non-default port in Host
  bool acceptCharset;   // and send Accept-Charset
  bool codigoCurl;      // InternalErrorCode is a libcurl code
};

class HttpBackend : public ::testing::TestWithParam<Backend> {
protected:
  void SetUp() override { ASSERT_TRUE(Amb().Ok()) << Amb().erro; }
};

TEST_P(HttpBackend, PostCarriesTheSoap12HeadersByteExactAndTheBodyUnchanged) {
  const Backend& b = GetParam();
  TDFeSSL ssl;
  Configurar(ssl, b.lib);
  const std::string corpo = "<soap12:Envelope><nfeDadosMsg>status</nfeDadosMsg></soap12:Envelope>";
  std::string eco = ssl.Enviar(corpo, URL(Amb().Https(), "/ws/NfeStatusServico4.asmx?op=1"), kSoapAction);
  auto [cabecalho, recebido] = Dividir(eco);
  EXPECT_EQ(recebido, corpo);
  EXPECT_EQ(cabecalho.substr(0, cabecalho.find("\r\n")), "POST /ws/NfeStatusServico4.asmx?op=1 HTTP/1.1");
  const std::string porta = std::to_string(Amb().Https().Porta());
  EXPECT_NE(cabecalho.find(std::string("\r\nHost: 127.0.0.1") + (b.portaNoHost ? ":" + porta : "") + "\r\n"),
            std::string::npos)
      << cabecalho;
  EXPECT_NE(cabecalho.find("\r\nContent-Type: application/soap+xml; charset=utf-8\r\n"), std::string::npos) << cabecalho;
  EXPECT_NE(cabecalho.find("\r\nSOAPAction: \"" + std::string(kSoapAction) + "\"\r\n"), std::string::npos) << cabecalho;
  EXPECT_NE(cabecalho.find("\r\nUser-Agent: " + std::string(b.userAgent) + "\r\n"), std::string::npos) << cabecalho;
  EXPECT_NE(cabecalho.find("\r\nContent-Length: " + std::to_string(corpo.size()) + "\r\n"), std::string::npos)
      << cabecalho;
  EXPECT_EQ(cabecalho.find("\r\nAccept-Charset: utf-8\r\n") != std::string::npos, b.acceptCharset) << cabecalho;
  EXPECT_EQ(cabecalho.find("Expect:"), std::string::npos) << cabecalho;
  EXPECT_EQ(cabecalho.find("charset=utf-8; charset"), std::string::npos) << cabecalho;
  EXPECT_EQ(ssl.HTTPResultCode(), 200);
}

TEST_P(HttpBackend, EmptySoapActionSendsNoSoapActionHeader) {
  TDFeSSL ssl;
  Configurar(ssl, GetParam().lib);
  std::string eco = ssl.Enviar("<x/>", URL(Amb().Https(), "/ws"), "");
  EXPECT_EQ(Dividir(eco).first.find("SOAPAction"), std::string::npos) << eco;
}

TEST_P(HttpBackend, Utf8BodyArrivesByteForByte) {
  TDFeSSL ssl;
  Configurar(ssl, GetParam().lib);
  // UTF-8 text with line breaks, a NUL and bytes that are not UTF-8: all go out as given.
  const std::string corpo = std::string("<xMotivo>Rejei\xC3\xA7\xC3\xA3o: S\xC3\xA3o Jo\xC3\xA3o</xMotivo>\r\n\n") +
                            std::string(1, '\0') + "\xFF\xFE" + std::string(70000, 'a');
  std::string eco = ssl.Enviar(corpo, URL(Amb().Https(), "/ws"), kSoapAction);
  EXPECT_EQ(Dividir(eco).second, corpo);
}

TEST_P(HttpBackend, ClientCertificateFromPkcs12IsPresented) {
  TDFeSSL ssl;
  Configurar(ssl, GetParam().lib);
  EXPECT_EQ(ssl.Enviar("<x/>", URL(Amb().Https(), "/cliente"), kSoapAction), "EMPRESA TESTE LTDA:11222333000181");
}

// New connections may share what was read for the last one; they must still follow the
// certificate and the trusted authorities as they are now, including a file replaced on disk.
TEST_P(HttpBackend, EachNewConnectionFollowsTheCertificateAndAuthoritiesInForce) {
  TDFeSSL ssl;
  Configurar(ssl, GetParam().lib);
  const std::string ca = Amb().pasta + "/ca-" + SSLHttpLibParaTexto(GetParam().lib) + ".pem";
  auto gravar = [&](const std::string& origem) {
    std::string t = LerTudo(origem);
    std::ofstream(ca, std::ios::binary | std::ios::trunc) << t;
    // Another size, so the replacement shows even within the file system's time resolution.
    if (origem != Certificado("ca.pem")) std::ofstream(ca, std::ios::binary | std::ios::app) << "\n\n";
  };
  gravar(Certificado("ca.pem"));
  TVerificacaoServidor v;
  v.ArquivoCA = ca;
  ASSERT_TRUE(DefinirVerificacaoServidor(ssl, v));
  const std::string cliente = URL(Amb().Https(), "/cliente");
  for (int i = 0; i < 2; ++i)
    EXPECT_EQ(ssl.Enviar("<x/>", cliente, kSoapAction), "EMPRESA TESTE LTDA:11222333000181");
  ssl.SetArquivoPFX(Certificado("pessoa.pfx"));
  EXPECT_EQ(ssl.Enviar("<x/>", cliente, kSoapAction), "FULANO DE TAL");
  ssl.SetArquivoPFX(Certificado("empresa.pfx"));
  EXPECT_EQ(ssl.Enviar("<x/>", cliente, kSoapAction), "EMPRESA TESTE LTDA:11222333000181");

  gravar(Amb().pasta + "/estranho.pem");
  std::string m = Mensagem([&] { ssl.Enviar("<x/>", cliente, kSoapAction); });
  EXPECT_EQ(m.rfind("Erro Interno: ", 0), 0u) << m;
  gravar(Certificado("ca.pem"));
  EXPECT_EQ(ssl.Enviar("<x/>", cliente, kSoapAction), "EMPRESA TESTE LTDA:11222333000181");
}

// A name is looked up (and the certificate checked against it); an address is used as written.
TEST_P(HttpBackend, AServerNamedByHostNameIsReachedAndChecked) {
  TDFeSSL ssl;
  Configurar(ssl, GetParam().lib);
  const std::string url = "https://localhost:" + std::to_string(Amb().Https().Porta()) + "/cliente";
  EXPECT_EQ(ssl.Enviar("<x/>", url, kSoapAction), "EMPRESA TESTE LTDA:11222333000181");
  std::string m = Mensagem([&] { ssl.Enviar("<x/>", "https://nome-que-nao-existe.invalid:1/ws", kSoapAction); });
  EXPECT_EQ(m.rfind("Erro Interno: ", 0), 0u) << m;
}

TEST_P(HttpBackend, WithoutClientCertificateTheServerRefusesTheExchange) {
  TDFeSSL ssl;
  Configurar(ssl, GetParam().lib);
  ssl.SetUseCertificateHTTP(false);
  std::string m = Mensagem([&] { ssl.Enviar("<x/>", URL(Amb().Https(), "/ws"), kSoapAction); });
  EXPECT_EQ(m.rfind("Erro Interno: ", 0), 0u) << m;
  EXPECT_NE(m.find("\r\nErro HTTP: 0\r\nURL: " + URL(Amb().Https(), "/ws") + "\r\n"), std::string::npos) << m;
  EXPECT_NE(ssl.InternalErrorCode(), 0);
  EXPECT_EQ(ssl.HTTPResultCode(), 0);
}

TEST_P(HttpBackend, UntrustedServerCertificateIsRejected) {
  TDFeSSL ssl;
  Configurar(ssl, GetParam().lib);
  std::string m = Mensagem([&] { ssl.Enviar("<x/>", URL(Amb().Estranho(), "/ws"), kSoapAction); });
  EXPECT_EQ(m.rfind("Erro Interno: ", 0), 0u) << m;
  if (GetParam().codigoCurl) {
    EXPECT_EQ(ssl.InternalErrorCode(), 60) << m;
    EXPECT_NE(m.find("Certificado raiz não é confiável pelo provedor de confiança"), std::string::npos) << m;
  } else {
    EXPECT_NE(m.find("certificate verify failed"), std::string::npos) << m;
  }
}

TEST_P(HttpBackend, ServerCheckTurnedOffAcceptsAnUntrustedServer) {
  TDFeSSL ssl;
  Configurar(ssl, GetParam().lib);
  TVerificacaoServidor v;
  v.Verificar = false;
  DefinirVerificacaoServidor(ssl, v);
  EXPECT_EQ(Dividir(ssl.Enviar("<ok/>", URL(Amb().Estranho(), "/ws"), kSoapAction)).second, "<ok/>");
}

TEST_P(HttpBackend, SoapFaultWithStatus500RaisesWithTheStatus) {
  TDFeSSL ssl;
  Configurar(ssl, GetParam().lib);
  std::string m = Mensagem([&] { ssl.Enviar("<x/>", URL(Amb().Https(), "/falha"), kSoapAction); });
  EXPECT_NE(m.find("\r\nErro HTTP: 500\r\nURL: "), std::string::npos) << m;
  EXPECT_EQ(m.find("Falha de teste"), std::string::npos) << "no response text reaches the caller";
  EXPECT_EQ(ssl.HTTPResultCode(), 500);
}

TEST_P(HttpBackend, Status202WithBodyIsReturnedAnd204Fails) {
  TDFeSSL ssl;
  Configurar(ssl, GetParam().lib);
  EXPECT_EQ(Dividir(ssl.Enviar("<aceito/>", URL(Amb().Https(), "/status/202"), kSoapAction)).second, "<aceito/>");
  EXPECT_EQ(ssl.HTTPResultCode(), 202);
  std::string m = Mensagem([&] { ssl.Enviar("<x/>", URL(Amb().Https(), "/status/204"), kSoapAction); });
  EXPECT_NE(m.find("\r\nErro HTTP: 204\r\n"), std::string::npos) << m;
}

TEST_P(HttpBackend, TimeOutEndsAnExchangeTheServerDoesNotAnswer) {
  TDFeSSL ssl;
  Configurar(ssl, GetParam().lib);
  ssl.SetTimeOut(700);
  std::string m = Mensagem([&] { ssl.Enviar("<x/>", URL(Amb().Https(), "/atraso/5000"), kSoapAction); });
  EXPECT_EQ(m.rfind("Erro Interno: ", 0), 0u) << m;
  if (GetParam().codigoCurl) {
    EXPECT_EQ(ssl.InternalErrorCode(), 28);
    EXPECT_NE(m.find("Erro: 28 - TimeOut de Requisição"), std::string::npos) << m;
  } else {
    EXPECT_EQ(ssl.InternalErrorCode(), ETIMEDOUT);
  }
}

TEST_P(HttpBackend, SendThreadReturnsTheAnswer) {
  TDFeSSL ssl;
  Configurar(ssl, GetParam().lib);
  ssl.SetTimeOutPorThread(true);
  EXPECT_EQ(Dividir(ssl.Enviar("<thread/>", URL(Amb().Https(), "/ws"), kSoapAction)).second, "<thread/>");
  EXPECT_EQ(ssl.HTTPResultCode(), 200);
}

TEST_P(HttpBackend, SendThreadGivesUpAtTheDeadlineAndAbortsTheAbandonedExchange) {
  TDFeSSL ssl;
  Configurar(ssl, GetParam().lib);
  ssl.SetTimeOutPorThread(true);
  ssl.SetTimeOut(1500);
  EXPECT_EQ(Mensagem([&] { ssl.Enviar("<x/>", URL(Amb().Https(), "/atraso/20000"), kSoapAction); }),
            "Timeout - Não foi possível obter a resposta do servidor");
  // The abandoned exchange was aborted, so it no longer holds the facade's lock: the next send
  // does not wait the server's 20 seconds (the generous time-out only absorbs a loaded machine).
  ssl.SetTimeOut(10000);
  EXPECT_EQ(Dividir(ssl.Enviar("<depois/>", URL(Amb().Https(), "/ws"), kSoapAction)).second, "<depois/>");
}

TEST_P(HttpBackend, ProxyWithBasicAuthenticationCarriesTheExchange) {
  TDFeSSL ssl;
  Configurar(ssl, GetParam().lib);
  ssl.SetProxyHost("127.0.0.1");
  ssl.SetProxyPort(std::to_string(Amb().Proxy().Porta()));
  ssl.SetProxyUser("tuim");
  ssl.SetProxyPass("segredo");
  std::string marca = std::string("<proxy>") + GetParam().nome + "</proxy>";
  EXPECT_EQ(Dividir(ssl.Enviar(marca, URL(Amb().Https(), "/ws"), kSoapAction)).second, marca);
  EXPECT_NE(LerTudo(Amb().logProxy).find("CONNECT 127.0.0.1:" + std::to_string(Amb().Https().Porta())),
            std::string::npos);
}

TEST_P(HttpBackend, ProxyRefusesAWrongPassword) {
  TDFeSSL ssl;
  Configurar(ssl, GetParam().lib);
  ssl.SetProxyHost("127.0.0.1");
  ssl.SetProxyPort(std::to_string(Amb().Proxy().Porta()));
  ssl.SetProxyUser("tuim");
  ssl.SetProxyPass("errada");
  std::string m = Mensagem([&] { ssl.Enviar("<x/>", URL(Amb().Https(), "/ws"), kSoapAction); });
  EXPECT_EQ(m.rfind("Erro Interno: ", 0), 0u) << m;
  EXPECT_NE(LerTudo(Amb().logProxy).find("NEGADO 127.0.0.1:" + std::to_string(Amb().Https().Porta())), std::string::npos);
}

TEST_P(HttpBackend, ClosedPortFailsToConnect) {
  TDFeSSL ssl;
  Configurar(ssl, GetParam().lib);
  const std::string url = "https://127.0.0.1:" + std::to_string(PortaFechada()) + "/ws";
  std::string m = Mensagem([&] { ssl.Enviar("<x/>", url, kSoapAction); });
  EXPECT_EQ(m.rfind("Erro Interno: ", 0), 0u) << m;
  EXPECT_NE(m.find("URL: " + url), std::string::npos) << m;
  if (GetParam().codigoCurl) {
    EXPECT_EQ(ssl.InternalErrorCode(), 7);
    EXPECT_NE(m.find("Conexão com o Servidor falhou"), std::string::npos) << m;
  } else {
    EXPECT_EQ(ssl.InternalErrorCode(), ECONNREFUSED);
  }
}

TEST_P(HttpBackend, UnknownHostFails) {
  TDFeSSL ssl;
  Configurar(ssl, GetParam().lib);
  ssl.SetTimeOut(5000);
  std::string m = Mensagem([&] { ssl.Enviar("<x/>", "https://servidor-inexistente.invalid/ws", kSoapAction); });
  EXPECT_EQ(m.rfind("Erro Interno: ", 0), 0u) << m;
  EXPECT_NE(ssl.InternalErrorCode(), 0);
}

TEST_P(HttpBackend, InterromperFromAnotherThreadEndsTheExchange) {
  TDFeSSL ssl;
  Configurar(ssl, GetParam().lib);
  ssl.SetTimeOut(0);
  std::atomic<bool> fim{false};
  std::string m;
  std::thread t([&] {
    m = Mensagem([&] { ssl.Enviar("<x/>", URL(Amb().Https(), "/atraso/20000"), kSoapAction); });
    fim = true;
  });
  // Until the exchange has begun there is nothing to abort: keep asking.
  for (int i = 0; i < 300 && !fim; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    ssl.SSLHttpClass().Interromper();
  }
  t.join();
  EXPECT_EQ(m.rfind("Erro Interno: ", 0), 0u) << m;
  if (GetParam().codigoCurl) {
    EXPECT_NE(m.find("Conexão foi abortada"), std::string::npos) << m;
  }
}

// A send thread can be given up in the instant before its exchange begins; the exchange must then
// end at once instead of running until the server or the time-out ends it.
TEST_P(HttpBackend, ObjectAbandonedBeforeItsExchangeBeginsAbortsItAtOnce) {
  TDFeSSL ssl;
  Configurar(ssl, GetParam().lib);
  ssl.SetTimeOut(800);
  std::unique_ptr<TDFeSSLHttpClass> http = ssl.SSLHttpClass().NovaInstancia(ssl);
  http->Abandonar();
  std::string m = Mensagem([&] {
    http->Enviar("<x/>", URL(Amb().Https(), "/atraso/20000"), kSoapAction, "application/soap+xml; charset=utf-8");
  });
  EXPECT_EQ(m.rfind("Erro Interno: ", 0), 0u) << m;
  if (GetParam().codigoCurl) {
    EXPECT_NE(m.find("Conexão foi abortada"), std::string::npos) << m;
  } else {
    EXPECT_EQ(http->InternalErrorCode(), ECANCELED) << m;
  }
  // Interromper alone leaves later exchanges of the facade's own object alone.
  ssl.SSLHttpClass().Interromper();
  EXPECT_EQ(Dividir(ssl.Enviar("<depois/>", URL(Amb().Https(), "/ws"), kSoapAction)).second, "<depois/>");
}

TEST_P(HttpBackend, Tls12OnlyIsAccepted) {
  TDFeSSL ssl;
  Configurar(ssl, GetParam().lib);
  ssl.SetSSLType(LT_TLSv1_2);
  EXPECT_EQ(Dividir(ssl.Enviar("<tls12/>", URL(Amb().Https(), "/ws"), kSoapAction)).second, "<tls12/>");
}

INSTANTIATE_TEST_SUITE_P(Backends, HttpBackend,
                         ::testing::Values(Backend{httpWinHttp, "WinHttp", "WinHTTP Tuim/1.0", true, true, true},
                                           Backend{httpWinINet, "WinINet", "Borland SOAP 1.2", true, true, true},
                                           Backend{httpOpenSSL, "OpenSSL", "Synapse OpenSSL Tuim/1.0", false, false,
                                                   false}),
                         [](const auto& i) { return std::string(i.param.nome); });

class HttpServidor : public ::testing::Test {
protected:
  void SetUp() override { ASSERT_TRUE(Amb().Ok()) << Amb().erro; }
};

TEST_F(HttpServidor, WinHttpReturnsAnEmptyAnswerAsItIs) {
  TDFeSSL ssl;
  Configurar(ssl, httpWinHttp);
  EXPECT_EQ(ssl.Enviar("<x/>", URL(Amb().Https(), "/vazio"), kSoapAction), "");
  EXPECT_EQ(ssl.HTTPResultCode(), 200);
}

TEST_F(HttpServidor, WinINetTakesAnEmptyAnswerForAFailure) {
  TDFeSSL ssl;
  Configurar(ssl, httpWinINet);
  std::string m = Mensagem([&] { ssl.Enviar("<x/>", URL(Amb().Https(), "/vazio"), kSoapAction); });
  EXPECT_EQ(m, "Erro Interno: 0\r\nErro HTTP: 200\r\nURL: " + URL(Amb().Https(), "/vazio") +
                   "\r\nErro: Requisição não enviada.\r\nErro: 0 - No error");
}

// Nothing below TLS 1.2 is offered by either backend, with the same message.
TEST_F(HttpServidor, BothBackendsRefuseEveryProtocolBelowTls12) {
  for (TSSLHttpLib lib : {httpWinHttp, httpOpenSSL})
    for (TSSLType t : {LT_SSLv2, LT_SSLv3, LT_TLSv1, LT_TLSv1_1}) {
      TDFeSSL ssl;
      Configurar(ssl, lib);
      ssl.SetSSLType(t);
      std::string m = Mensagem([&] { ssl.Enviar("<x/>", URL(Amb().Https(), "/ws"), kSoapAction); });
      EXPECT_EQ(m.rfind("OpenSSL 3.", 0), 0u) << m;
      EXPECT_NE(m.find(", não suporta " + SSLTypeParaTexto(t)), std::string::npos) << m;
    }
}

TEST_F(HttpServidor, OpenSSLNeverOffersSSHv2) {
  TDFeSSL ssl;
  Configurar(ssl, httpOpenSSL);
  ssl.SetSSLType(LT_SSHv2);
  std::string m = Mensagem([&] { ssl.Enviar("<x/>", URL(Amb().Https(), "/ws"), kSoapAction); });
  const std::string versao = Executar("openssl version");  // "OpenSSL 3.0.x 27 Jan 2026 (Library: ...)"
  EXPECT_EQ(m.rfind("OpenSSL 3.", 0), 0u) << m;
  EXPECT_EQ(versao.rfind(m.substr(0, m.find(',')), 0), 0u) << versao << " / " << m;
  EXPECT_EQ(m.substr(m.find(',')), ", não suporta LT_SSHv2");
}

TEST_F(HttpServidor, OpenSSLWithoutCertificateAsksTheCryptoObjectForNoPfxData) {
  TDFeSSL ssl;
  Configurar(ssl, httpOpenSSL);
  ssl.SetUseCertificateHTTP(false);
  ssl.SetArquivoPFX("/nao/existe.pfx");  // reading it would raise
  EXPECT_EQ(Dividir(ssl.Enviar("<livre/>", URL(Amb().Aberto(), "/ws"), kSoapAction)).second, "<livre/>");
  EXPECT_EQ(ssl.Enviar("<x/>", URL(Amb().Aberto(), "/cliente"), kSoapAction), "-");
}

TEST_F(HttpServidor, PlainHttpNeedsNoCertificate) {
  teste::TServidorTeste http;
  std::string erro;
  ASSERT_TRUE(http.Iniciar(kScript, {"--http"}, erro)) << erro;
  for (TSSLHttpLib lib : {httpWinHttp, httpWinINet, httpOpenSSL}) {
    TDFeSSL ssl;
    Configurar(ssl, lib);
    const std::string url = "http://127.0.0.1:" + std::to_string(http.Porta()) + "/ws";
    auto [cab, corpo] = Dividir(ssl.Enviar("<http/>", url, kSoapAction));
    EXPECT_EQ(corpo, "<http/>") << SSLHttpLibParaTexto(lib);
  }
}

// The client certificate's key held by a SoftHSM2 token, reached through PKCS#11.
struct TokenHttp {
  std::string serie, erro;
};

const TokenHttp& Token() {
  static TokenHttp t = [] {
    TokenHttp r;
    const std::string c = PastaCertificados() + "/";
    teste::TokenSoftHSM tk = teste::CriarTokenSoftHSM({{c + "empresa.key", c + "empresa.pem", "01", "empresa"}}, "1234");
    if (!tk.Ok()) r.erro = tk.erro;
    r.serie = teste::SerieDoCertificado(c + "empresa.pem");
    return r;
  }();
  return t;
}

class HttpToken : public ::testing::TestWithParam<TSSLHttpLib> {
protected:
  void SetUp() override {
    ASSERT_TRUE(Amb().Ok()) << Amb().erro;
    ASSERT_TRUE(Token().erro.empty()) << Token().erro;
  }
};

TEST_P(HttpToken, ClientCertificateWithATokenKeyIsPresented) {
  TDFeSSL ssl;
  Configurar(ssl, GetParam());
  ssl.SetSSLCryptLib(cryWinCrypt);
  ssl.SetArquivoPFX("");
  ssl.SetNumeroSerie(Token().serie);
  ssl.SetSenha("1234");
  EXPECT_EQ(ssl.Enviar("<x/>", URL(Amb().Https(), "/cliente"), kSoapAction), "EMPRESA TESTE LTDA:11222333000181");
}

INSTANTIATE_TEST_SUITE_P(Windows, HttpToken, ::testing::Values(httpWinHttp, httpWinINet),
                         [](const auto& i) { return SSLHttpLibParaTexto(i.param); });

TEST_F(HttpServidor, OpenSSLPassesTheTokenKeyExportRefusalThrough) {
  ASSERT_TRUE(Token().erro.empty()) << Token().erro;
  TDFeSSL ssl;
  Configurar(ssl, httpOpenSSL);
  ssl.SetSSLCryptLib(cryWinCrypt);
  ssl.SetArquivoPFX("");
  ssl.SetNumeroSerie(Token().serie);
  ssl.SetSenha("1234");
  EXPECT_EQ(Mensagem([&] { ssl.Enviar("<x/>", URL(Amb().Https(), "/cliente"), kSoapAction); }),
            "Certificado não permite Exportar Chave Privada.");
}

TEST(RegistroTransporte, TheComponentSelectsTheTransportClasses) {
  TTuimNFe nfe;
  nfe.Configuracoes().Geral().SetSSLHttpLib(httpWinINet);
  auto* w = dynamic_cast<TDFeHttpWinHttp*>(&nfe.SSL().SSLHttpClass());
  ASSERT_NE(w, nullptr);
  EXPECT_EQ(w->ReqResp().ClassName(), "TTuimWinINetReqResp");
  nfe.Configuracoes().Geral().SetSSLHttpLib(httpWinHttp);
  w = dynamic_cast<TDFeHttpWinHttp*>(&nfe.SSL().SSLHttpClass());
  ASSERT_NE(w, nullptr);
  EXPECT_EQ(w->ReqResp().ClassName(), "TTuimWinHTTPReqResp");
  nfe.Configuracoes().Geral().SetSSLHttpLib(httpOpenSSL);
  EXPECT_EQ(nfe.SSL().SSLHttpClass().ClassName(), "TDFeHttpOpenSSL");
}

}  // namespace

namespace {

TEST_F(HttpServidor, TheDefaultServerCheckReachesTheComponentsFacade) {
  TVerificacaoServidor v;
  v.ArquivoCA = Certificado("ca.pem");
  DefinirVerificacaoServidorPadrao(v);
  TTuimNFe nfe;
  auto& geral = nfe.Configuracoes().Geral();
  geral.SetSSLCryptLib(cryOpenSSL);
  geral.SetSSLHttpLib(httpWinHttp);
  nfe.SSL().SetArquivoPFX(Certificado("empresa.pfx"));
  nfe.SSL().SetSenha("1234");
  DefinirVerificacaoServidorPadrao(TVerificacaoServidor());
  EXPECT_EQ(nfe.SSL().Enviar("<nfe/>", URL(Amb().Https(), "/cliente"), kSoapAction), "EMPRESA TESTE LTDA:11222333000181");
  // Facades made after the default is back verify against the system's authorities only.
  TTuimNFe outra;
  outra.Configuracoes().Geral().SetSSLCryptLib(cryOpenSSL);
  outra.Configuracoes().Geral().SetSSLHttpLib(httpOpenSSL);
  outra.SSL().SetArquivoPFX(Certificado("empresa.pfx"));
  outra.SSL().SetSenha("1234");
  std::string m = Mensagem([&] { outra.SSL().Enviar("<nfe/>", URL(Amb().Https(), "/cliente"), kSoapAction); });
  EXPECT_NE(m.find("certificate verify failed"), std::string::npos) << m;
}

}  // namespace
