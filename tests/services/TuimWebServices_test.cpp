// The round trip of one service call against a real HTTPS server on loopback that requires the
// client certificate of the test CA and answers from files the tests write.
#include "services/TuimWebServices.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <mutex>
#include <regex>

#include "MensagensTeste.h"
#include "ServidorServicos.h"
#include "fiscal/TuimException.h"
#include "fiscal/TuimUtil.h"
#include "services/TuimMensagensNFe.h"
#include "testing/TokenSoftHSM.h"
#include "transport/TuimTransporte.h"

using namespace tuim;
using namespace tuim::teste;

namespace {

const char* const kServico = "http://www.portalfiscal.inf.br/nfe/wsdl/NFeStatusServico4";
const char* const kAcao = "http://www.portalfiscal.inf.br/nfe/wsdl/NFeStatusServico4/nfeStatusServicoNF";
const char* const kErroStatus = "WebService Consulta Status serviço:\r\n- Inativo ou Inoperante tente novamente.";
const char* const kDeclaracao = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>";
const char* const kAtributos =
    "xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\" xmlns:xsd=\"http://www.w3.org/2001/XMLSchema\" "
    "xmlns:soap12=\"http://www.w3.org/2003/05/soap-envelope\"";

TServidorRespostas& Amb() { return ServidorServicos(); }

std::string URL(const std::string& caminho) { return Amb().URL(caminho); }

std::string Ler(const std::string& caminho) { return LerArquivoTeste(caminho); }

std::string CabecalhoPedido(const std::string& pedido) {
  auto p = pedido.find("\r\n\r\n");
  return p == std::string::npos ? pedido : pedido.substr(0, p + 2);
}

// A status answer in UTF-8 as an authority sends it, with the result under a prefixed element.
std::string RespostaStatus(int cStat, const std::string& xMotivo) {
  return ParaUTF8(
      "<?xml version=\"1.0\" encoding=\"utf-8\"?><soap:Envelope xmlns:soap=\"http://www.w3.org/2003/05/soap-envelope\">"
      "<soap:Body><ns2:nfeResultMsg xmlns:ns2=\"" +
      std::string(kServico) +
      "\"><retConsStatServ versao=\"4.00\" xmlns=\"http://www.portalfiscal.inf.br/nfe\"><tpAmb>2</tpAmb>"
      "<verAplic>MT_A2RL-4.00</verAplic><cStat>" +
      std::to_string(cStat) + "</cStat><xMotivo>" + xMotivo +
      "</xMotivo><cUF>51</cUF><dhRecbto>2026-12-10T05:30:00-04:00</dhRecbto><tMed>1</tMed></retConsStatServ>"
      "</ns2:nfeResultMsg></soap:Body></soap:Envelope>");
}

// Catalogue lines for MT homologation naming `url` for the status service, 4.00 and 3.10, with
// namespace and action sections (an empty action leaves the action to the service).
std::vector<std::string> Catalogo(const std::string& url, const std::string& acao = kAcao) {
  std::vector<std::string> l = {"[NFe_MT_H]",
                                "NfeStatusServico_4.00=" + url,
                                "NfeStatusServico_3.10=" + url,
                                "WSDL=WSDL_TESTE",
                                "[WSDL_TESTE]",
                                std::string("NfeStatusServico_4.00=") + kServico,
                                std::string("NfeStatusServico=") + kServico};
  if (!acao.empty()) {
    l.insert(l.begin() + 4, "SoapAction=SOAP_TESTE");
    l.push_back("[SOAP_TESTE]");
    l.push_back("NfeStatusServico_4.00=" + acao);
    l.push_back("NfeStatusServico=" + acao);
  }
  return l;
}

// A status query written the way the NF-e services write theirs.
class TTesteStatus : public TNFeWebService {
public:
  explicit TTesteStatus(TTuimNFe& nfe) : TNFeWebService(nfe) {
    SetSufixoEnvio("ped-sta");
    SetSufixoResposta("sta");
    SetLayout(layNfeStatusServico);
  }
  std::string ClassName() const override { return "TTesteStatus"; }

  void Limpar() override {
    TNFeWebService::Limpar();
    SetStatusExecucao(snStatusServico);
    cStat = 0;
    xMotivo.clear();
  }

  void MontarEnvelope() override {
    ++Envelopes;
    TNFeWebService::MontarEnvelope();
  }

  int cStat = 0;
  std::string xMotivo;
  bool ServicoPadrao = true;  // false: only what the catalogue gives
  int Envelopes = 0;

protected:
  void DefinirServicoEAction() override {
    if (!ServicoPadrao) return;
    if (Servico().empty()) SetServico(UrlWsdl() + "NFeStatusServico4");
    if (SoapAction().empty()) SetSoapAction(Servico() + "/nfeStatusServicoNF");
  }
  void DefinirDadosMsg() override {
    const TWebServicesConf& ws = Configuracoes().WebServices();
    TConsStatServ m(VersaoDados());
    m.SettpAmb(ws.Ambiente());
    m.SetcUF(ws.UFCodigo());
    ConfigurarGerador(m.Gerador().Opcoes());
    m.GerarXML();
    SetDadosMsg(m.Gerador().ArquivoFormatoXML());
  }
  bool TratarResposta() override {
    ExtrairRetorno({"nfeStatusServicoNF2Result", "NfeStatusServicoNFResult", "nfeResultMsg"});
    ExigirResposta();
    std::string r = RetornoDecodificado();
    cStat = std::atoi(ConteudoTag(r, "cStat").c_str());
    xMotivo = ConteudoTag(r, "xMotivo");
    SetMensagem(xMotivo);
    return cStat == 107;
  }
  std::string MensagemLog() override {
    return "Status Código: " + std::to_string(cStat) + "\r\nStatus Descrição: " + xMotivo + "\r\n";
  }
  std::string MensagemErro(const std::exception*) override { return kErroStatus; }
};

// A service that forgets to read its answer.
class TTesteSemResposta : public TTesteStatus {
public:
  using TTesteStatus::TTesteStatus;
  std::string ClassName() const override { return "TTesteSemResposta"; }

protected:
  bool TratarResposta() override { return TDFeWebService::TratarResposta(); }
  std::string MensagemErro(const std::exception*) override { return ""; }
};

std::string Mensagem(const std::function<void()>& f) {
  try {
    f();
  } catch (const ETuimDFeException& e) {
    return e.what();
  }
  return "(nada)";
}

std::vector<std::string> Arquivos(const std::string& pasta) {
  std::vector<std::string> r;
  std::error_code ec;
  for (const auto& e : std::filesystem::directory_iterator(pasta, ec)) r.push_back(e.path().filename().string());
  std::sort(r.begin(), r.end());
  return r;
}

class RoundTrip : public ::testing::Test {
protected:
  void SetUp() override {
    ASSERT_TRUE(Amb().erro.empty()) << Amb().erro;
    pasta = PastaTemporaria("tuim-ws-arq");
    ConfigurarComponente(nfe, pasta);
    nfe.Configuracoes().Geral().SetSalvar(true);
    nfe.Configuracoes().WebServices().SetSalvar(true);
    nfe.OnGerarLog = [this](const std::string& linha, bool& tratado) {
      log.push_back(linha);
      tratado = tratarErros && linha.rfind("ERRO: ", 0) == 0;
    };
    nfe.OnStatusChange = [this](TTuimComponent*) { estados.push_back(nfe.Status()); };
  }

  // A file route of the server answering `conteudo`; `nome` also names the saved request.
  std::string Rota(const std::string& nome, const std::string& conteudo) {
    return Amb().Rota(nome, conteudo);
  }
  std::string Pedido(const std::string& nome) { return Amb().Pedido(nome); }
  bool Recebido(const std::string& nome) { return Amb().Recebido(nome); }
  void UsarCatalogo(const std::vector<std::string>& linhas) {
    nfe.Configuracoes().WebServices().SetParams(linhas);
    nfe.CarregarCatalogo(false);
  }

  TTuimNFe nfe;
  std::string pasta;
  std::vector<std::string> log;
  std::vector<TSituacaoNFe> estados;
  bool tratarErros = false;
};

std::string EnvelopeStatus(const std::string& versao, const std::string& cabecalho = "") {
  return std::string("<soap12:Envelope ") + kAtributos + ">" + cabecalho + "<soap12:Body><nfeDadosMsg xmlns=\"" +
         kServico + "\"><consStatServ xmlns=\"http://www.portalfiscal.inf.br/nfe\" versao=\"" + versao +
         "\"><tpAmb>2</tpAmb><cUF>51</cUF><xServ>STATUS</xServ></consStatServ></nfeDadosMsg></soap12:Body>"
         "</soap12:Envelope>";
}

}  // namespace

TEST_F(RoundTrip, StatusQuerySucceedsAndSendsTheSoap12EnvelopeByteForByte) {
  UsarCatalogo(Catalogo(Rota("status-ok", RespostaStatus(107, "Serviço em Operação"))));
  TTesteStatus s(nfe);
  ASSERT_TRUE(s.Executar()) << s.RespostaHTTP();
  EXPECT_EQ(s.cStat, 107);
  EXPECT_EQ(s.Mensagem(), "Serviço em Operação");
  EXPECT_EQ(s.URL(), URL("/arquivo/status-ok"));
  EXPECT_EQ(s.VersaoDados(), "4.00");
  EXPECT_EQ(s.Servico(), kServico);
  EXPECT_EQ(s.SoapAction(), kAcao);

  // 4.00 calls carry no SOAP header; the envelope is sent as UTF-8 with its declaration.
  const std::string pedido = Pedido("status-ok");
  EXPECT_EQ(CorpoPedido(pedido), kDeclaracao + EnvelopeStatus("4.00"));
  EXPECT_EQ(s.Envelope(), kDeclaracao + EnvelopeStatus("4.00"));
  EXPECT_NE(CabecalhoPedido(pedido).find("SOAPAction: \"" + std::string(kAcao) + "\"\r\n"), std::string::npos)
      << pedido;
  EXPECT_NE(CabecalhoPedido(pedido).find("application/soap+xml; charset=utf-8"), std::string::npos) << pedido;

  // The result keeps the undecoded text of the answer's element.
  EXPECT_EQ(s.RetornoServico(), ParaUTF8("<retConsStatServ versao=\"4.00\" xmlns=\"http://www.portalfiscal.inf.br/nfe\">"
                                         "<tpAmb>2</tpAmb><verAplic>MT_A2RL-4.00</verAplic><cStat>107</cStat>"
                                         "<xMotivo>Serviço em Operação</xMotivo><cUF>51</cUF>"
                                         "<dhRecbto>2026-12-10T05:30:00-04:00</dhRecbto><tMed>1</tMed>"
                                         "</retConsStatServ>"));
  EXPECT_EQ(s.RespostaHTTP(), RespostaStatus(107, "Serviço em Operação"));

  // The component shows the service's activity only while it runs; the header element is back.
  EXPECT_EQ(estados, (std::vector<TSituacaoNFe>{snStatusServico, snParado}));
  EXPECT_EQ(s.ElementoCabecalho(), "nfeCabecMsg");
  ASSERT_EQ(log.size(), 2u);
  EXPECT_EQ(log[0], "Inicio TTesteStatus");
  EXPECT_EQ(log[1], "Status Código: 107\r\nStatus Descrição: Serviço em Operação\r\n");
}

TEST_F(RoundTrip, RequestAndAnswerFilesAreSavedInPathSalvarUnderTimestampAndSuffix) {
  UsarCatalogo(Catalogo(Rota("status-arquivos", RespostaStatus(107, "Servico em Operacao"))));
  TTesteStatus s(nfe);
  ASSERT_TRUE(s.Executar());
  auto nomes = Arquivos(pasta);
  ASSERT_EQ(nomes.size(), 4u);
  std::map<std::string, std::string> porSufixo;
  std::regex forma(R"((\d{14})-(ped-sta|ped-sta-soap|sta|sta-soap)\.xml)");
  for (const auto& n : nomes) {
    std::smatch m;
    ASSERT_TRUE(std::regex_match(n, m, forma)) << n;
    porSufixo[m[2]] = Ler(pasta + "/" + n);
  }
  EXPECT_EQ(porSufixo["ped-sta"], kDeclaracao + s.DadosMsg());
  EXPECT_EQ(porSufixo["ped-sta-soap"], kDeclaracao + EnvelopeStatus("4.00"));
  EXPECT_EQ(porSufixo["sta"], kDeclaracao + s.RetornoServico());
  EXPECT_EQ(porSufixo["sta-soap"], s.RespostaHTTP());
}

struct CasoSalvar {
  const char* nome;
  bool geral, webServices;
  std::vector<std::string> sufixos;
};

class RoundTripSalvar : public RoundTrip, public ::testing::WithParamInterface<CasoSalvar> {};

TEST_P(RoundTripSalvar, EachSaveSwitchWritesOnlyItsFiles) {
  nfe.Configuracoes().Geral().SetSalvar(GetParam().geral);
  nfe.Configuracoes().WebServices().SetSalvar(GetParam().webServices);
  UsarCatalogo(Catalogo(Rota("status-salvar", RespostaStatus(107, "Servico em Operacao"))));
  TTesteStatus s(nfe);
  ASSERT_TRUE(s.Executar());
  std::vector<std::string> sufixos;
  for (const auto& n : Arquivos(pasta)) sufixos.push_back(n.substr(15));
  std::sort(sufixos.begin(), sufixos.end());
  EXPECT_EQ(sufixos, GetParam().sufixos);
}

INSTANTIATE_TEST_SUITE_P(, RoundTripSalvar,
                         ::testing::Values(CasoSalvar{"Nenhum", false, false, {}},
                                           CasoSalvar{"Geral", true, false, {"ped-sta.xml", "sta.xml"}},
                                           CasoSalvar{"WebServices", false, true, {"ped-sta-soap.xml", "sta-soap.xml"}}),
                         [](const auto& i) { return std::string(i.param.nome); });

TEST_F(RoundTrip, A310CallCarriesTheHeaderWithStateCodeAndDataVersion) {
  nfe.Configuracoes().Geral().SetVersaoDF(ve310);
  UsarCatalogo(Catalogo(Rota("status-310", RespostaStatus(107, "Servico em Operacao"))));
  TTesteStatus s(nfe);
  ASSERT_TRUE(s.Executar());
  const std::string cabecalho = std::string("<soap12:Header><nfeCabecMsg xmlns=\"") + kServico +
                                "\"><cUF>51</cUF><versaoDados>3.10</versaoDados></nfeCabecMsg></soap12:Header>";
  EXPECT_EQ(CorpoPedido(Pedido("status-310")), kDeclaracao + EnvelopeStatus("3.10", cabecalho));
}

TEST_F(RoundTrip, EnvelopeFollowsPrefixAttributesAndElementsWithoutDeclaration) {
  TTesteStatus s(nfe);
  s.SetPrefixoSoap("s");
  s.SetAtributosEnvelope("xmlns:s=\"urn:e\"");
  s.SetElementoCabecalho("");
  s.SetElementoCorpo("corpo");
  s.SetServico("urn:servico");
  s.SetDadosMsg("<a>1</a>");
  s.MontarEnvelope();
  EXPECT_EQ(s.Envelope(), "<s:Envelope xmlns:s=\"urn:e\"><s:Body><corpo xmlns=\"urn:servico\"><a>1</a></corpo>"
                          "</s:Body></s:Envelope>");
}

TEST_F(RoundTrip, MembersStartWithTheirDocumentedValues) {
  TTesteStatus s(nfe);
  EXPECT_EQ(s.PrefixoSoap(), "soap12");
  EXPECT_EQ(s.AtributosEnvelope(), kAtributos);
  EXPECT_EQ(s.ElementoCabecalho(), "nfeCabecMsg");
  EXPECT_EQ(s.ElementoCorpo(), "nfeDadosMsg");
  EXPECT_EQ(s.MimeType(), "");
  TNFeWebService base(nfe);
  EXPECT_EQ(base.Layout(), layNfeStatusServico);
  EXPECT_EQ(base.StatusExecucao(), snParado);
  EXPECT_EQ(base.SufixoEnvio(), "");
}

TEST_F(RoundTrip, ASoapFaultWithHttp500FailsWithTheServiceTextAndTheTransportMessage) {
  UsarCatalogo(Catalogo(URL("/falha")));
  TTesteStatus s(nfe);
  std::string msg = Mensagem([&] { s.Executar(); });
  const std::string inicio = std::string(kErroStatus) + "\r\nErro Interno: ";
  EXPECT_EQ(msg.substr(0, inicio.size()), inicio) << msg;
  EXPECT_NE(msg.find("Erro HTTP: 500\r\nURL: " + URL("/falha")), std::string::npos) << msg;
  ASSERT_FALSE(log.empty());
  EXPECT_EQ(log.back(), "ERRO: " + msg);
  EXPECT_EQ(estados, (std::vector<TSituacaoNFe>{snStatusServico, snParado}));
  EXPECT_EQ(s.ElementoCabecalho(), "nfeCabecMsg");
  // Nothing was answered: only the request files.
  auto nomes = Arquivos(pasta);
  ASSERT_EQ(nomes.size(), 2u);
  EXPECT_EQ(nomes[0].substr(14), "-ped-sta-soap.xml");
  EXPECT_EQ(nomes[1].substr(14), "-ped-sta.xml");
}

TEST_F(RoundTrip, ASoapFaultWithStatus200FailsAskingForTheAnswerWithTheRawResponse) {
  const std::string falha = ParaUTF8(
      "<?xml version=\"1.0\" encoding=\"utf-8\"?><soap:Envelope xmlns:soap=\"http://www.w3.org/2003/05/soap-envelope\">"
      "<soap:Body><soap:Fault><soap:Code><soap:Value>soap:Receiver</soap:Value></soap:Code><soap:Reason>"
      "<soap:Text xml:lang=\"pt\">Serviço paralisado</soap:Text></soap:Reason></soap:Fault></soap:Body>"
      "</soap:Envelope>");
  UsarCatalogo(Catalogo(Rota("status-fault", falha)));
  TTesteStatus s(nfe);
  EXPECT_EQ(Mensagem([&] { s.Executar(); }),
            std::string(kErroStatus) + "\r\nErro ao obter resposta do webservice.\r\n" + DeUTF8(falha));
  EXPECT_EQ(s.RespostaHTTP(), falha);
  // The answer is still logged and saved, the empty result too.
  auto nomes = Arquivos(pasta);
  EXPECT_EQ(nomes.size(), 4u);
}

TEST_F(RoundTrip, Http500ReachesTheTransmitErrorHandlerWithCodesUrlAndEnvelope) {
  UsarCatalogo(Catalogo(URL("/status/500")));
  TTesteStatus s(nfe);
  int chamadas = 0, http = -1;
  std::string url, dados, acao;
  nfe.OnTransmitError = [&](int httpErro, int, const std::string& u, const std::string& d, const std::string& a,
                            bool&, bool&) {
    ++chamadas;
    http = httpErro;
    url = u;
    dados = d;
    acao = a;
  };
  std::string msg = Mensagem([&] { s.Executar(); });
  EXPECT_NE(msg.find("Erro HTTP: 500"), std::string::npos) << msg;
  EXPECT_EQ(chamadas, 1);
  EXPECT_EQ(http, 500);
  EXPECT_EQ(url, URL("/status/500"));
  EXPECT_EQ(dados, kDeclaracao + EnvelopeStatus("4.00"));
  EXPECT_EQ(acao, kAcao);
}

TEST_F(RoundTrip, AHandledFailureMakesTheCallReturnFalse) {
  tratarErros = true;
  UsarCatalogo(Catalogo(URL("/status/500")));
  TTesteStatus s(nfe);
  EXPECT_FALSE(s.Executar());
  ASSERT_FALSE(log.empty());
  EXPECT_EQ(log.back().rfind(std::string("ERRO: ") + kErroStatus + "\r\nErro Interno: ", 0), 0u) << log.back();
  EXPECT_EQ(nfe.Status(), snParado);
}

TEST_F(RoundTrip, ATimeOutFailsTheCallWithTheTransportMessage) {
  nfe.Configuracoes().WebServices().SetTimeOut(400);
  UsarCatalogo(Catalogo(URL("/atraso/5000")));
  TTesteStatus s(nfe);
  std::string msg = Mensagem([&] { s.Executar(); });
  EXPECT_EQ(msg.rfind(std::string(kErroStatus) + "\r\n", 0), 0u) << msg;
  EXPECT_NE(msg.find("URL: " + URL("/atraso/5000")), std::string::npos) << msg;
  EXPECT_EQ(s.RespostaHTTP(), "");
}

TEST_F(RoundTrip, ATimeOutOnTheSendThreadFailsWithTheThreadMessage) {
  nfe.Configuracoes().WebServices().SetTimeOut(300);
  nfe.Configuracoes().WebServices().SetTimeOutPorThread(true);
  UsarCatalogo(Catalogo(URL("/atraso/5000")));
  TTesteStatus s(nfe);
  std::string msg = Mensagem([&] { s.Executar(); });
  // Either the caller gives up first or the thread's own time-out does; both are failures.
  EXPECT_TRUE(msg == std::string(kErroStatus) + "\r\nTimeout - Não foi possível obter a resposta do servidor" ||
              msg.rfind(std::string(kErroStatus) + "\r\nErro na thread de envio: ", 0) == 0)
      << msg;
}

TEST_F(RoundTrip, TheTransmitEventReplacesHttp) {
  UsarCatalogo(Catalogo(Rota("status-evento", "nunca")));
  std::string dados, url, acao, mime = "(nada)";
  nfe.OnTransmit = [&](const std::string& d, const std::string& u, const std::string& a, const std::string& m,
                       std::string& resposta, int& http, int& interno) {
    dados = d;
    url = u;
    acao = a;
    mime = m;
    resposta = RespostaStatus(107, "Servico em Operacao");
    http = 200;
    interno = 0;
  };
  TTesteStatus s(nfe);
  EXPECT_TRUE(s.Executar());
  EXPECT_FALSE(Recebido("status-evento"));
  EXPECT_EQ(dados, kDeclaracao + EnvelopeStatus("4.00"));
  EXPECT_EQ(url, URL("/arquivo/status-evento"));
  EXPECT_EQ(acao, kAcao);
  EXPECT_EQ(mime, "");
  EXPECT_EQ(s.cStat, 107);
}

TEST_F(RoundTrip, AnInternalCodeFromTheEventFailsWithErroAoTransmitirAfterAskingTheErrorHandler) {
  UsarCatalogo(Catalogo(URL("/nunca")));
  nfe.OnTransmit = [&](const std::string&, const std::string&, const std::string&, const std::string&,
                       std::string& resposta, int& http, int& interno) {
    resposta = "";
    http = 0;
    interno = 1;
  };
  int chamadas = 0, codigoInterno = -1;
  nfe.OnTransmitError = [&](int, int interno, const std::string&, const std::string&, const std::string&, bool&,
                            bool&) {
    ++chamadas;
    codigoInterno = interno;
  };
  TTesteStatus s(nfe);
  EXPECT_EQ(Mensagem([&] { s.Executar(); }), std::string(kErroStatus) + "\r\nErro ao Transmitir");
  EXPECT_EQ(chamadas, 1);
  EXPECT_EQ(codigoInterno, 1);
}

TEST_F(RoundTrip, RetentarOnceSendsTwiceAndTheSecondFailureReachesTheCaller) {
  UsarCatalogo(Catalogo(URL("/nunca")));
  int envios = 0, erros = 0;
  nfe.OnTransmit = [&](const std::string&, const std::string&, const std::string&, const std::string&, std::string&,
                       int&, int& interno) {
    ++envios;
    interno = 7;
  };
  nfe.OnTransmitError = [&](int, int, const std::string&, const std::string&, const std::string&, bool& retentar,
                            bool&) { retentar = ++erros == 1; };
  TTesteStatus s(nfe);
  EXPECT_EQ(Mensagem([&] { s.Executar(); }), std::string(kErroStatus) + "\r\nErro ao Transmitir");
  EXPECT_EQ(envios, 2);
  EXPECT_EQ(erros, 2);
  EXPECT_EQ(s.Envelopes, 1);  // the same envelope is sent again
}

TEST_F(RoundTrip, RetentarRepeatsARealHttpExchange) {
  UsarCatalogo(Catalogo(Rota("status-repetido", RespostaStatus(107, "Servico em Operacao"))));
  // The first attempt goes to a failing address; the handler points the retry at the good one.
  TTesteStatus s(nfe);
  int erros = 0;
  nfe.OnTransmitError = [&](int http, int, const std::string&, const std::string&, const std::string&,
                            bool& retentar, bool&) {
    ++erros;
    retentar = http == 500;
    s.SetURL(URL("/arquivo/status-repetido"));
  };
  UsarCatalogo(Catalogo(URL("/status/500")));
  EXPECT_TRUE(s.Executar());
  EXPECT_EQ(erros, 1);
  EXPECT_TRUE(Recebido("status-repetido"));
}

TEST_F(RoundTrip, TratadoContinuesWithoutAnswerAndFailsAskingForIt) {
  UsarCatalogo(Catalogo(URL("/status/503")));
  nfe.OnTransmitError = [&](int, int, const std::string&, const std::string&, const std::string&, bool&,
                            bool& tratado) { tratado = true; };
  TTesteStatus s(nfe);
  EXPECT_EQ(Mensagem([&] { s.Executar(); }), std::string(kErroStatus) + "\r\nErro ao obter resposta do webservice.");
}

TEST_F(RoundTrip, AnExpiredCertificateFailsBeforeAnythingIsSentAlsoWithTheTransmitEvent) {
  nfe.Configuracoes().Certificados().SetArquivoPFX(Certificado("expirado.pfx"));
  UsarCatalogo(Catalogo(Rota("status-vencido", RespostaStatus(107, "x"))));
  int envios = 0;
  nfe.OnTransmit = [&](const std::string&, const std::string&, const std::string&, const std::string&,
                       std::string& r, int&, int&) {
    ++envios;
    r = RespostaStatus(107, "x");
  };
  TTesteStatus s(nfe);
  EXPECT_EQ(Mensagem([&] { s.Executar(); }),
            std::string(kErroStatus) + "\r\nData de Validade do Certificado já expirou: 31/12/1999");
  EXPECT_EQ(envios, 0);

  // Without the event the server is not reached either.
  nfe.OnTransmit = nullptr;
  EXPECT_EQ(Mensagem([&] { s.Executar(); }),
            std::string(kErroStatus) + "\r\nData de Validade do Certificado já expirou: 31/12/1999");
  EXPECT_FALSE(Recebido("status-vencido"));

  // With the check off the call goes through the event.
  nfe.Configuracoes().Certificados().SetVerificarValidade(false);
  nfe.OnTransmit = [&](const std::string&, const std::string&, const std::string&, const std::string&,
                       std::string& r, int&, int&) {
    ++envios;
    r = RespostaStatus(107, "x");
  };
  EXPECT_TRUE(s.Executar());
  EXPECT_EQ(envios, 1);
}

struct CasoCatalogo {
  const char* nome;
  std::vector<std::string> linhas;
  const char* mensagem;
};

class RoundTripCatalogo : public RoundTrip, public ::testing::WithParamInterface<CasoCatalogo> {};

TEST_P(RoundTripCatalogo, ALookupFailureIsReportedBeforeAnythingRuns) {
  UsarCatalogo(GetParam().linhas);
  TTesteStatus s(nfe);
  s.ServicoPadrao = false;
  EXPECT_EQ(Mensagem([&] { s.Executar(); }), GetParam().mensagem);
  ASSERT_EQ(log.size(), 2u);
  EXPECT_EQ(log[1], std::string("ERRO: ") + GetParam().mensagem);
  EXPECT_TRUE(estados.empty());
  EXPECT_EQ(s.Envelopes, 0);
  EXPECT_TRUE(Arquivos(pasta).empty());

  // Handled, the call answers false and still sends nothing.
  tratarErros = true;
  log.clear();
  EXPECT_FALSE(s.Executar());
  EXPECT_EQ(s.Envelopes, 0);
  EXPECT_EQ(log.back(), std::string("ERRO: ") + GetParam().mensagem);
}

INSTANTIATE_TEST_SUITE_P(
    , RoundTripCatalogo,
    ::testing::Values(
        CasoCatalogo{"SemSecao",
                     {"[NFe_SP_H]", "NfeStatusServico_4.00=https://127.0.0.1:1/x"},
                     "Sessão \"NFe_MT_H\", não encontrada no arquivo \"TuimNFeServicos\""},
        CasoCatalogo{"SemServico",
                     {"[NFe_MT_H]", "NfeConsultaCadastro_4.00=https://127.0.0.1:1/x"},
                     "URL para o serviço \"NfeStatusServico\" não encontrada na sessão \"NFe_MT_H\" no arquivo "
                     "\"TuimNFeServicos\""},
        CasoCatalogo{"SemNamespace",
                     {"[NFe_MT_H]", "NfeStatusServico_4.00=https://127.0.0.1:1/x"},
                     "Servico não definido para: TTesteStatus"},
        CasoCatalogo{"SemAcao",
                     {"[NFe_MT_H]", "NfeStatusServico_4.00=https://127.0.0.1:1/x", "WSDL=W", "[W]",
                      "NfeStatusServico_4.00=urn:ns"},
                     "SoapAction não definido para: TTesteStatus"}),
    [](const auto& i) { return std::string(i.param.nome); });

TEST_F(RoundTrip, AnActionOfStarSendsNoSoapAction) {
  UsarCatalogo(Catalogo(Rota("status-sem-acao", RespostaStatus(107, "x")), "*"));
  TTesteStatus s(nfe);
  ASSERT_TRUE(s.Executar());
  EXPECT_EQ(s.SoapAction(), "");
  const std::string pedido = Pedido("status-sem-acao");
  EXPECT_EQ(LowerCase(CabecalhoPedido(pedido)).find("soapaction"), std::string::npos) << pedido;
  EXPECT_EQ(CorpoPedido(pedido), kDeclaracao + EnvelopeStatus("4.00"));
}

TEST_F(RoundTrip, TheBaseStepsNameThemselvesAndTheClass) {
  UsarCatalogo(Catalogo(URL("/nunca")));
  TDFeWebService base(nfe);
  EXPECT_EQ(Mensagem([&] { base.Executar(); }), "DefinirURL não implementado para: TDFeWebService");

  // Handled, each missing step is reported and the call stops at the missing address.
  tratarErros = true;
  log.clear();
  EXPECT_FALSE(base.Executar());
  EXPECT_EQ(log, (std::vector<std::string>{"Inicio TDFeWebService",
                                           "ERRO: DefinirURL não implementado para: TDFeWebService",
                                           "ERRO: URL não definida para: TDFeWebService"}));
}

TEST_F(RoundTrip, AServiceWithoutTratarRespostaFailsAfterTheExchange) {
  UsarCatalogo(Catalogo(Rota("status-sem-tratar", RespostaStatus(107, "x"))));
  TTesteSemResposta s(nfe);
  // The step's own report, then the call's: an empty service text, a line break, the failure.
  EXPECT_EQ(Mensagem([&] { s.Executar(); }), "\r\nTratarResposta não implementado para: TTesteSemResposta");
  // The answer's log line comes between the two, since it is written also when reading fails.
  EXPECT_EQ(log, (std::vector<std::string>{"Inicio TTesteSemResposta",
                                           "ERRO: TratarResposta não implementado para: TTesteSemResposta",
                                           "Status Código: 0\r\nStatus Descrição: \r\n",
                                           "ERRO: \r\nTratarResposta não implementado para: TTesteSemResposta"}));
  EXPECT_TRUE(Recebido("status-sem-tratar"));
  EXPECT_EQ(nfe.Status(), snParado);
}

TEST_F(RoundTrip, TheBaseVersionHeaderIsNotImplemented) {
  class TSemVersao : public TDFeWebService {
  public:
    using TDFeWebService::TDFeWebService;
    std::string ClassName() const override { return "TSemVersao"; }
    std::string Cabecalho() { return MontarCabecalho(); }
  };
  TSemVersao s(nfe);
  EXPECT_EQ(Mensagem([&] { s.Cabecalho(); }), "GerarVersaoDadosSoap não implementado para: TSemVersao");
  tratarErros = true;
  EXPECT_EQ(s.Cabecalho(), "<cUF>51</cUF>");
}

TEST_F(RoundTrip, TheNFeVersionHeaderFillsAnEmptyVersionFromTheCatalogue) {
  UsarCatalogo(Catalogo(URL("/x")));
  class TVersao : public TNFeWebService {
  public:
    using TNFeWebService::TNFeWebService;
    std::string Cabecalho() { return MontarCabecalho(); }
  };
  TVersao s(nfe);
  EXPECT_EQ(s.Cabecalho(), "<cUF>51</cUF><versaoDados>4.00</versaoDados>");
  EXPECT_EQ(s.VersaoDados(), "4.00");
  s.SetVersaoDados("3.10");
  EXPECT_EQ(s.Cabecalho(), "<cUF>51</cUF><versaoDados>3.10</versaoDados>");
}

struct CasoExtracao {
  const char* nome;
  std::vector<std::string> candidatos;
  const char* resposta;
  const char* retorno;
};

class Extracao : public RoundTrip, public ::testing::WithParamInterface<CasoExtracao> {};

TEST_P(Extracao, TheFirstCandidateWithContentGivesTheResult) {
  TTesteStatus s(nfe);
  s.SetRespostaHTTP(GetParam().resposta);
  s.ExtrairRetorno(GetParam().candidatos);
  EXPECT_EQ(s.RetornoServico(), GetParam().retorno);
}

INSTANTIATE_TEST_SUITE_P(
    , Extracao,
    ::testing::Values(
        CasoExtracao{"Prefixo", {"nfeResultMsg"}, "<s:Body><ns2:nfeResultMsg xmlns:ns2=\"u\"><a>1</a></ns2:nfeResultMsg>",
                     "<a>1</a>"},
        CasoExtracao{"SemCaixa", {"NFERESULTMSG"}, "<nfeResultMsg><a>1</a></nfeResultMsg>", "<a>1</a>"},
        CasoExtracao{"OrdemDosCandidatos", {"b", "a"}, "<a>A</a><b>B</b>", "B"},
        CasoExtracao{"VazioPulaParaOProximo", {"a", "b"}, "<a>  </a><b>B</b>", "B"},
        CasoExtracao{"NenhumCandidato", {"x", "y"}, "<a>A</a>", ""},
        CasoExtracao{"EntidadesFicam", {"a"}, "<a>&lt;r&gt;1&lt;/r&gt;</a>", "&lt;r&gt;1&lt;/r&gt;"}),
    [](const auto& i) { return std::string(i.param.nome); });

TEST_F(RoundTrip, TheDecodedResultTurnsEntitiesAndUtf8IntoNativeText) {
  TTesteStatus s(nfe);
  s.SetRetornoServico(ParaUTF8("&lt;xMotivo&gt;Serviço&lt;/xMotivo&gt;"));
  EXPECT_EQ(s.RetornoDecodificado(), "<xMotivo>Serviço</xMotivo>");
}

TEST_F(RoundTrip, ConfigurarGeradorCopiesTheConfiguredOptions) {
  auto& g = nfe.Configuracoes().Geral();
  g.SetFormatoAlerta("%TAG%:%MSG%");
  g.SetRetirarAcentos(false);
  g.SetRetirarEspacos(false);
  g.SetIdentarXML(true);
  nfe.Configuracoes().WebServices().SetQuebradeLinha("#");
  TTesteStatus s(nfe);
  TGeradorOpcoes o;
  s.ConfigurarGerador(o);
  EXPECT_EQ(o.FormatoAlerta(), "%TAG%:%MSG%");
  EXPECT_FALSE(o.RetirarAcentos());
  EXPECT_FALSE(o.RetirarEspacos());
  EXPECT_TRUE(o.IdentarXML());
  EXPECT_EQ(o.QuebraLinha(), "#");
}

TEST_F(RoundTrip, ALogLineAskingToBeSeenIsShownOnlyWithVisualizarAndUnhandled) {
  UsarCatalogo(Catalogo(Rota("status-visualizar", RespostaStatus(107, "x"))));
  TTesteStatus s(nfe);
  std::vector<std::string> mostradas;
  s.OnMostrarMensagem = [&](const std::string& t) { mostradas.push_back(t); };
  ASSERT_TRUE(s.Executar());
  EXPECT_TRUE(mostradas.empty());
  nfe.Configuracoes().WebServices().SetVisualizar(true);
  ASSERT_TRUE(s.Executar());
  // Only the answer's line; the start line is never shown.
  EXPECT_EQ(mostradas, (std::vector<std::string>{"Status Código: 107\r\nStatus Descrição: x\r\n"}));
}

TEST_F(RoundTrip, ConfigurationChangesBetweenCallsTakeEffect) {
  TTesteStatus s(nfe);
  UsarCatalogo(Catalogo(Rota("status-um", RespostaStatus(107, "um"))));
  ASSERT_TRUE(s.Executar());
  UsarCatalogo(Catalogo(Rota("status-dois", RespostaStatus(108, "dois"))));
  EXPECT_FALSE(s.Executar());
  EXPECT_EQ(s.Mensagem(), "dois");
  EXPECT_EQ(s.URL(), URL("/arquivo/status-dois"));
}

namespace {

// A service whose message is signed with the component's certificate before it is sent.
class TTesteAssinado : public TTesteStatus {
public:
  using TTesteStatus::TTesteStatus;
  std::string ClassName() const override { return "TTesteAssinado"; }
  std::string Xml = ParaUTF8("<evento xmlns=\"http://www.portalfiscal.inf.br/nfe\" versao=\"1.00\">"
                             "<infEvento Id=\"ID1101115124\"><xJust>Serviço</xJust></infEvento></evento>");

protected:
  void DefinirDadosMsg() override { AssinarMensagem(Xml, "evento", "infEvento", "Falha ao assinar o evento"); }
};

}  // namespace

TEST_F(RoundTrip, ASignedMessageIsSentAndSavedUnchanged) {
  nfe.Configuracoes().Certificados().SetVerificarValidade(false);
  UsarCatalogo(Catalogo(URL("/nunca")));
  std::string enviado;
  nfe.OnTransmit = [&](const std::string& d, const std::string&, const std::string&, const std::string&,
                       std::string& r, int&, int&) {
    enviado = d;
    r = RespostaStatus(107, "x");
  };
  TTesteAssinado s(nfe);
  ASSERT_TRUE(s.Executar());
  ASSERT_NE(s.DadosMsg().find("<Signature"), std::string::npos) << s.DadosMsg();
  EXPECT_TRUE(XmlSecAceita(s.DadosMsg(), "infEvento"));
  // The signed bytes (UTF-8 already) travel without another conversion or a declaration.
  EXPECT_EQ(enviado.rfind("<soap12:Envelope ", 0), 0u) << enviado.substr(0, 80);
  EXPECT_NE(enviado.find(s.DadosMsg()), std::string::npos);
  for (const auto& n : Arquivos(pasta))
    if (n.size() > 15 && n.substr(14) == "-ped-sta.xml") {
      const std::string salvo = Ler(pasta + "/" + n);
      EXPECT_NE(salvo.find(ParaUTF8("<xJust>Serviço</xJust>")), std::string::npos) << salvo;
      EXPECT_NE(salvo.find("<Signature"), std::string::npos);
    }
}

TEST_F(RoundTrip, ASigningFailureReportsTheServiceTextAndTheCause) {
  UsarCatalogo(Catalogo(URL("/nunca")));
  TTesteAssinado s(nfe);
  s.Xml = "<evento><infEvento Id=\"ID1\">sem fim";
  std::string msg = Mensagem([&] { s.Executar(); });
  EXPECT_EQ(msg.rfind("Falha ao assinar o evento\r\n", 0), 0u) << msg;
  EXPECT_GT(msg.size(), std::string("Falha ao assinar o evento\r\n").size());
  EXPECT_EQ(s.Envelopes, 0);
  EXPECT_EQ(nfe.Status(), snParado);
}

struct CasoIntegrador {
  const char* nome;
  TfscModeloDF modelo;
  bool ligadoNoEnvio;
};

class RoundTripIntegrador : public RoundTrip, public ::testing::WithParamInterface<CasoIntegrador> {};

TEST_P(RoundTripIntegrador, OnlyNFCeCallsKeepTheIntegratorWhileTransmitting) {
  TTuimIntegradorBase integrador;
  nfe.SetIntegrador(&integrador);
  nfe.Configuracoes().Geral().SetModeloDF(GetParam().modelo);
  std::vector<std::string> linhas = Catalogo(URL("/nunca"));
  if (GetParam().modelo == moNFCe) linhas[0] = "[NFCe_MT_H]";
  UsarCatalogo(linhas);
  TTuimIntegradorBase* noEnvio = &integrador;
  bool certificadoNoEnvio = false;
  nfe.OnTransmit = [&](const std::string&, const std::string&, const std::string&, const std::string&,
                       std::string& r, int&, int&) {
    noEnvio = nfe.Integrador();
    certificadoNoEnvio = nfe.SSL().UseCertificateHTTP();
    r = RespostaStatus(107, "x");
  };
  nfe.SSL().SetUseCertificateHTTP(false);
  TTesteStatus s(nfe);
  ASSERT_TRUE(s.Executar());
  EXPECT_EQ(noEnvio != nullptr, GetParam().ligadoNoEnvio);
  EXPECT_EQ(nfe.Integrador(), &integrador);
  EXPECT_TRUE(certificadoNoEnvio);  // every call starts by presenting the client certificate
  nfe.SetIntegrador(nullptr);
}

INSTANTIATE_TEST_SUITE_P(, RoundTripIntegrador,
                         ::testing::Values(CasoIntegrador{"NFe", moNFe, false}, CasoIntegrador{"NFCe", moNFCe, true}),
                         [](const auto& i) { return std::string(i.param.nome); });

TEST_F(RoundTrip, TheFacadeSSLTypeAndHeaderElementAreRestoredAfterAFailure) {
  class TMudaSSL : public TTesteStatus {
  public:
    using TTesteStatus::TTesteStatus;

  protected:
    void DefinirDadosMsg() override {
      NFe().SSL().SetSSLType(LT_TLSv1_2);
      TTesteStatus::DefinirDadosMsg();
      throw ETuimDFeException("falha no meio");
    }
  };
  nfe.SSL().SetSSLType(LT_all);
  UsarCatalogo(Catalogo(URL("/nunca")));
  TMudaSSL s(nfe);
  EXPECT_EQ(Mensagem([&] { s.Executar(); }), "falha no meio");
  EXPECT_EQ(nfe.SSL().SSLType(), LT_all);
  EXPECT_EQ(s.ElementoCabecalho(), "nfeCabecMsg");
  EXPECT_EQ(nfe.Status(), snParado);
}
