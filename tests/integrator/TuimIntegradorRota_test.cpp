// NFC-e service calls carried by the integrator instead of HTTP: against canned answers, and end
// to end through the test integrator to tuim-sefaz-sim.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <mutex>
#include <thread>

#include <nlohmann/json.hpp>

#include "component/TuimNFe.h"
#include "component/TuimNotasFiscais.h"
#include "fiscal/TuimUtil.h"
#include "integrator/ProcessoIntegrador.h"
#include "integrator/TuimIntegrador.h"
#include "services/TuimServicosEnvio.h"
#include "services/TuimServicosNFe.h"
#include "testing/AmbienteEnvio.h"
#include "testing/SimTeste.h"
#include "xml/TuimNFeR.h"

namespace tuim {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

const char kResposta[] =
    "<?xml version=\"1.0\" encoding=\"utf-8\"?><soap:Envelope xmlns:soap=\"http://www.w3.org/2003/05/soap-envelope\">"
    "<soap:Body><nfeResultMsg xmlns=\"http://www.portalfiscal.inf.br/nfe/wsdl/NFeStatusServico4\">"
    "<retConsStatServ versao=\"4.00\" xmlns=\"http://www.portalfiscal.inf.br/nfe\"><tpAmb>2</tpAmb>"
    "<verAplic>INTEGRADOR</verAplic><cStat>107</cStat><xMotivo>Servico em Operacao</xMotivo><cUF>51</cUF>"
    "<dhRecbto>2026-12-10T05:30:00-04:00</dhRecbto><tMed>1</tMed></retConsStatServ></nfeResultMsg></soap:Body>"
    "</soap:Envelope>";

using teste::IniciarIntegrador;
using teste::PararIntegrador;

class RotaIntegrador : public ::testing::Test {
protected:
  void SetUp() override {
    base = fs::temp_directory_path() / ("tuim-rota-" + std::to_string(::getpid()) + "-" +
                                        ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(base);
    for (const char* p : {"in", "out", "log"}) fs::create_directories(base / p);
    std::ofstream(base / "resposta.xml") << kResposta;
    integrador.SetPastaInput((base / "in").string());
    integrador.SetPastaOutput((base / "out").string());
    auto& c = nfe.Configuracoes();
    c.Geral().SetModeloDF(moNFCe);
    c.WebServices().SetUF("MT");
    c.WebServices().SetAmbiente(taHomologacao);
    c.Arquivos().SetSalvar(false);
    c.WebServices().SetSalvar(false);
    nfe.SetIntegrador(&integrador);
  }
  void TearDown() override {
    nfe.SetIntegrador(nullptr);
    PararIntegrador(pid);
    fs::remove_all(base);
  }
  void Iniciar(std::vector<std::string> extra) { IniciarIntegrador(base, extra, pid); }
  std::string Comando() {
    std::ifstream f(base / "log" / "comandos.log");
    std::string l;
    std::getline(f, l);
    return l;
  }

  fs::path base;
  TTuimNFe nfe;
  TTuimIntegrador integrador;
  pid_t pid = -1;
};

TEST_F(RotaIntegrador, StatusOfAnNFCeGoesThroughTheIntegrator) {
  Iniciar({"--modo", "imediato", "--resposta-arquivo", (base / "resposta.xml").string()});
  TNFeStatusServico s(nfe);
  ASSERT_TRUE(s.Executar()) << s.Mensagem();
  EXPECT_EQ(s.RespostaHTTP(), kResposta);
  std::string c = Comando();
  EXPECT_NE(c.find("\"componente\": \"NFCE\""), std::string::npos) << c;
  EXPECT_NE(c.find("\"metodo\": \"HNfeStatusServico2Soap12\""), std::string::npos) << c;
  EXPECT_NE(c.find("\"versaoDados\": \"4.00\""), std::string::npos) << c;
  EXPECT_NE(c.find("\"cUF\": \"51\""), std::string::npos) << c;
  // The envelope travels in Base64 as the "dados" parameter, after the session number.
  EXPECT_NE(c.find("\"parametros\": {\"numeroSessao\": \"" + std::to_string(integrador.NumeroSessao())),
            std::string::npos)
      << c;
  std::string dados = integrador.Parametro("dados");
  std::string envelope = DecodificarBase64(dados);
  EXPECT_NE(envelope.find("<consStatServ"), std::string::npos) << envelope;
  EXPECT_NE(envelope.find("soap12:Envelope"), std::string::npos) << envelope;
}

TEST_F(RotaIntegrador, ShortAnswersFailWithTheIntegratorsMessage) {
  Iniciar({"--modo", "imediato", "--linhas", "5"});
  TNFeStatusServico s(nfe);
  try {
    s.Executar();
    FAIL() << "no exception";
  } catch (const ETuimDFeException& e) {
    EXPECT_NE(std::string(e.what()).find("mensagem do integrador"), std::string::npos) << e.what();
  }
}

TEST_F(RotaIntegrador, FewerThanThreeLinesIsAnInvalidAnswer) {
  Iniciar({"--modo", "imediato", "--linhas", "2"});
  TNFeStatusServico s(nfe);
  try {
    s.Executar();
    FAIL() << "no exception";
  } catch (const ETuimDFeException& e) {
    EXPECT_NE(std::string(e.what()).find("Resposta do Integrador inv\xE1lida"), std::string::npos) << e.what();
  }
}

// ---- end to end: component -> integrator -> tuim-sefaz-sim over TLS ---------------------------

using namespace simteste;

// The client certificate as the integrator process wants it: PEM files from the PKCS#12.
bool PemDoPfx(const std::string& pfx, const std::string& senha, const std::string& cert, const std::string& chave) {
  FILE* f = std::fopen(pfx.c_str(), "rb");
  PKCS12* p12 = f ? d2i_PKCS12_fp(f, nullptr) : nullptr;
  if (f) std::fclose(f);
  EVP_PKEY* k = nullptr;
  X509* x = nullptr;
  bool ok = p12 && PKCS12_parse(p12, senha.c_str(), &k, &x, nullptr) == 1;
  PKCS12_free(p12);
  if (ok) {
    FILE* fc = std::fopen(cert.c_str(), "wb");
    FILE* fk = std::fopen(chave.c_str(), "wb");
    ok = fc && fk && PEM_write_X509(fc, x) == 1 && PEM_write_PrivateKey(fk, k, nullptr, nullptr, 0, nullptr, nullptr) == 1;
    if (fc) std::fclose(fc);
    if (fk) std::fclose(fk);
  }
  X509_free(x);
  EVP_PKEY_free(k);
  return ok;
}

// The simulator with the issuer's certificate also as PEM files, for the test integrator.
TAmbienteEnvio& Sefaz() {
  static TAmbienteEnvio& s = []() -> TAmbienteEnvio& {
    TAmbienteEnvio& a = AmbienteEnvio("tuim-integrador-sefaz", 500);
    if (a.erro.empty() &&
        !PemDoPfx(a.pasta + "/" + kEmitente + ".pfx", "1234", a.pasta + "/cliente.pem", a.pasta + "/cliente.key"))
      a.erro = "PEM do certificado do cliente";
    return a;
  }();
  return s;
}

// Real time, plus a jump past any deadline whenever `Saltar` says so; with `Virtual` set, a
// sleep only moves the clock on (nobody is there to wait for).
class RelogioTeste : public TRelogioIntegrador {
public:
  std::chrono::steady_clock::time_point Agora() override {
    return (Virtual ? fInicio : std::chrono::steady_clock::now()) + fAvanco;
  }
  TDateTime AgoraCivil() override { return Now() + std::chrono::duration<double>(fAvanco).count() / 86400.0; }
  void Dormir(int ms) override {
    if (Virtual) {
      fAvanco += std::chrono::milliseconds(ms);
      std::this_thread::sleep_for(1ms);
    } else {
      TRelogioIntegrador::Dormir(ms);
    }
    if (Saltar && Saltar()) fAvanco += 120s;
  }
  bool Virtual = false;
  std::function<bool()> Saltar;

private:
  std::chrono::steady_clock::time_point fInicio = std::chrono::steady_clock::now();
  std::chrono::steady_clock::duration fAvanco{};
};

using TParametros = std::vector<std::pair<std::string, std::string>>;

struct TComando {
  std::string metodo, componente;
  TParametros parametros;  // in the order of the file
};

class IntegradorSefaz : public ::testing::Test {
protected:
  void SetUp() override {
    ASSERT_TRUE(Sefaz().erro.empty()) << Sefaz().erro;
    base = PastaNova("tuim-integrador-e2e");
    for (const char* p : {"in", "out", "log", "saida"}) fs::create_directories(base / p);
    integrador.SetPastaInput((base / "in").string());
    integrador.SetPastaOutput((base / "out").string());
    integrador.SetRelogio(&relogio);
    // A command the integrator reports lost ends the wait at once instead of after 25 s.
    relogio.Saltar = [this] {
      bool perdido = false;
      for (const auto& e : fs::directory_iterator(base / "log"))
        if (e.path().filename().string().rfind("perdido-", 0) == 0) perdido = fs::remove(e.path());
      return perdido;
    };
    Configurar(nfe);
  }
  void TearDown() override {
    nfe.SetIntegrador(nullptr);
    PararIntegrador(pid);
    std::error_code ec;
    fs::remove_all(base, ec);
  }

  void Configurar(TTuimNFe& c) {
    auto& cf = c.Configuracoes();
    cf.WebServices().SetUF("SP");
    cf.WebServices().SetAmbiente(taHomologacao);
    cf.Geral().SetModeloDF(moNFCe);
    cf.Geral().SetVersaoDF(ve400);
    cf.Geral().SetSSLCryptLib(cryOpenSSL);
    cf.Geral().SetSSLXmlSignLib(xsLibXml2);
    cf.Certificados().SetArquivoPFX(Sefaz().pasta + "/" + kEmitente + ".pfx");
    cf.Certificados().SetSenha("1234");
    cf.Arquivos().SetPathSchemas(TUIM_SCHEMAS_DIR);
    cf.Arquivos().SetIniServicos(Sefaz().pasta + "/catalogo.ini");
    cf.Geral().SetSalvar(false);
    cf.WebServices().SetSalvar(false);
    cf.Arquivos().SetSalvar(true);
    cf.Arquivos().SetPathSalvar((base / "saida").string());
    cf.Arquivos().SetPathNFe((base / "saida").string());
    cf.Arquivos().SetPathEvento((base / "saida").string());
    c.SetIntegrador(&integrador);
  }

  // The integrator process forwarding to the simulator, with the client certificate.
  void Encaminhar(std::vector<std::string> extra = {}) {
    std::vector<std::string> a = {"--modo", "encaminhar", "--url",
                                  "https://127.0.0.1:" + std::to_string(Sefaz().sim->Porta()) + "/ws/NFCe/SP/H/",
                                  "--pfx-pem", Sefaz().pasta + "/cliente.pem", "--chave-pem",
                                  Sefaz().pasta + "/cliente.key", "--ca", Sefaz().pasta + "/ca.pem"};
    a.insert(a.end(), extra.begin(), extra.end());
    IniciarIntegrador(base, a, pid);
  }

  // A signed NFC-e of the next number in the collection; answers its key.
  std::string Adicionar(TTuimNFe& c) {
    TNota n;
    n.modelo = 65;
    n.nNF = ++Sefaz().proximoNumero;
    n.csc = Sefaz().csc;
    const std::string assinado = Sefaz().assinador->Assinar(Montar(n), "NFe", "infNFe");
    NotaFiscal& nf = c.NotasFiscais().Add();
    TNFeR r(&nf.NFe());
    r.LerXML(assinado);
    nf.SetXMLOriginal("<?xml version=\"1.0\" encoding=\"UTF-8\"?>" + assinado);
    return n.chave;
  }

  TInfEvento& Cancelamento(TTuimNFe& c, const std::string& chave, const std::string& nProt) {
    c.EventoNFe().Evento().Clear();
    TInfEvento& e = c.EventoNFe().Evento().New().InfEvento();
    e.SetchNFe(chave);
    e.SetCNPJ(kEmitente);
    e.SetdhEvento(Now());
    e.SettpEvento(teCancelamento);
    e.SetnSeqEvento(1);
    e.SetverEvento("1.00");
    e.detEvento().SetnProt(nProt);
    e.detEvento().SetxJust("Cancelamento por erro de digitacao do pedido");
    return e;
  }

  // Every command the integrator process took, in order.
  std::vector<TComando> Comandos() {
    std::vector<TComando> r;
    std::ifstream f(base / "log" / "comandos.log");
    for (std::string l; std::getline(f, l);) {
      auto j = nlohmann::json::parse(l);
      TComando c;
      c.metodo = j["metodo"].get<std::string>();
      c.componente = j["componente"].get<std::string>();
      for (const auto& p : j["lista"]) c.parametros.emplace_back(p[0].get<std::string>(), p[1].get<std::string>());
      r.push_back(c);
    }
    return r;
  }

  // The parameters but "dados", whose envelope is checked apart.
  static TParametros SemDados(TParametros p) {
    EXPECT_FALSE(p.empty());
    if (!p.empty()) {
      EXPECT_EQ(p.back().first, "dados");
      p.pop_back();
    }
    return p;
  }

  fs::path base;
  TTuimIntegrador integrador;
  RelogioTeste relogio;
  TTuimNFe nfe;
  pid_t pid = -1;
};

// Status, authorisation, protocol query and cancellation of one NFC-e, every call carried by the
// integrator to the authority; the commands hold exactly the parameters each call names.
TEST_F(IntegradorSefaz, NfceLifeGoesWholeThroughTheIntegrator) {
  Encaminhar();
  TNFeStatusServico status(nfe);
  ASSERT_TRUE(status.Executar()) << status.Mensagem();
  EXPECT_EQ(status.cStat(), 107);

  const std::string chave = Adicionar(nfe);
  TNFeAutorizacao a(nfe);
  ASSERT_TRUE(a.Enviar("1", true, false)) << a.Recepcao().Mensagem();
  ASSERT_EQ(a.Resultados().size(), 1u);
  const TResultadoNota& r = a.Resultados()[0];
  EXPECT_EQ(r.Situacao, sAutorizada);
  EXPECT_EQ(r.cStat, 100);
  ASSERT_FALSE(r.Arquivo.empty());
  const std::string proc = LerArquivo(r.Arquivo);
  EXPECT_NE(proc.find("<nfeProc versao=\"4.00\""), std::string::npos) << proc.substr(0, 200);
  EXPECT_NE(proc.find("<nProt>" + r.nProt + "</nProt>"), std::string::npos);
  EXPECT_TRUE(nfe.NotasFiscais()[0].Confirmada());

  TNFeConsulta consulta(nfe);
  consulta.SetNFeChave(chave);
  consulta.Executar();
  EXPECT_EQ(consulta.cStat(), 100) << consulta.xMotivo();
  EXPECT_EQ(consulta.Protocolo(), r.nProt);

  Cancelamento(nfe, chave, r.nProt);
  TNFeEnvEvento evento(nfe);
  ASSERT_TRUE(evento.Executar()) << evento.cStat() << " " << evento.xMotivo();
  EXPECT_EQ(nfe.EventoNFe().Evento()[0].RetInfEvento().cStat, 135);
  consulta.Executar();
  EXPECT_EQ(consulta.cStat(), 101) << consulta.xMotivo();

  const std::vector<TComando> c = Comandos();
  ASSERT_EQ(c.size(), 5u);
  const char* metodos[] = {"HNfeStatusServico2Soap12", "HNfeAutorizacaoLote12", "HNfeConsulta2Soap12",
                           "HRecepcaoEvento", "HNfeConsulta2Soap12"};
  for (std::size_t i = 0; i < c.size(); ++i) {
    EXPECT_EQ(c[i].metodo, metodos[i]);
    EXPECT_EQ(c[i].componente, "NFCE");
    ASSERT_FALSE(c[i].parametros.empty());
    EXPECT_EQ(c[i].parametros.front().first, "numeroSessao");
  }
  const std::string sessao = c[0].parametros.front().second;
  EXPECT_EQ(SemDados(c[0].parametros), (TParametros{{"numeroSessao", sessao}, {"versaoDados", "4.00"}, {"cUF", "35"}}));
  // The authorisation and the cancellation describe the sale alike.
  for (int i : {1, 3}) {
    const std::string s = c[i].parametros.front().second;
    EXPECT_EQ(SemDados(c[i].parametros),
              (TParametros{{"numeroSessao", s}, {"versaoDados", "4.00"}, {"cUF", "35"}, {"NumeroNFCe", chave},
                           {"DataHoraNFCeGerado", "20261210100000"}, {"ValorNFCe", "10.00"}}))
        << metodos[i];
  }
  // The envelope itself, as the authority received it.
  std::string envelope;
  ASSERT_TRUE(DecodificarBase64(c[3].parametros.back().second, envelope));
  EXPECT_NE(envelope.find("<tpEvento>110111</tpEvento>"), std::string::npos) << envelope;
  EXPECT_NE(envelope.find("<chNFe>" + chave + "</chNFe>"), std::string::npos) << envelope;
}

// The integrator takes the batch, the authority authorises it, and the answer never comes back:
// the key is asked for through the integrator, the protocol applied, the batch not sent again.
TEST_F(IntegradorSefaz, BatchTakenButNeverAnsweredIsSettledByAKeyQuery) {
  Encaminhar({"--perder", "HNfeAutorizacaoLote12"});
  std::size_t antes = 0;
  for (bool sincrono : {true, false}) {
    SCOPED_TRACE(sincrono ? "sincrono" : "assincrono");
    TTuimNFe componente;
    Configurar(componente);
    const std::string chave = Adicionar(componente);
    TNFeAutorizacao a(componente);
    std::vector<std::string> progresso;
    a.OnProgresso = [&](const std::string& l) { progresso.push_back(l); };
    ASSERT_TRUE(a.Enviar("2", sincrono, false)) << a.Consulta().Mensagem();
    ASSERT_EQ(a.Resultados().size(), 1u);
    const TResultadoNota& r = a.Resultados()[0];
    EXPECT_EQ(r.Situacao, sAutorizada) << r.cStat << " " << r.xMotivo;
    ASSERT_FALSE(r.Arquivo.empty());
    EXPECT_NE(LerArquivo(r.Arquivo).find("<nProt>" + r.nProt + "</nProt>"), std::string::npos);
    EXPECT_TRUE(componente.NotasFiscais()[0].Confirmada());
    EXPECT_NE(std::find(progresso.begin(), progresso.end(), "consultando a chave " + chave), progresso.end());
    const std::vector<TComando> c = Comandos();
    ASSERT_EQ(c.size(), antes + 2);
    EXPECT_EQ(c[antes].metodo, "HNfeAutorizacaoLote12");
    EXPECT_EQ(c[antes + 1].metodo, "HNfeConsulta2Soap12");
    antes = c.size();
    componente.SetIntegrador(nullptr);
  }
}

// Nobody takes the batch: it stays in the input folder until the wait ends and is then removed,
// so it never went out. That is reported as not sent, and no key is asked for.
TEST_F(IntegradorSefaz, BatchNeverTakenIsNotSentAndNeedsNoKeyQuery) {
  relogio.Virtual = true;
  std::vector<std::string> log;
  integrador.OnGravarLog = [&](const std::string& l, bool&) { log.push_back(l); };
  Adicionar(nfe);
  TNFeAutorizacao a(nfe);
  std::vector<std::string> progresso;
  a.OnProgresso = [&](const std::string& l) { progresso.push_back(l); };
  try {
    a.Enviar("3", true, false);
    FAIL() << "no exception";
  } catch (const ETuimDFeException& e) {
    EXPECT_NE(std::string(e.what()).find("Sem Resposta do Integrador"), std::string::npos) << e.what();
  }
  EXPECT_FALSE(a.Recepcao().Transmitido());
  EXPECT_TRUE(integrador.ComandoNaoRecebido());
  EXPECT_TRUE(progresso.empty());
  const int comandos = static_cast<int>(std::count_if(log.begin(), log.end(), [](const std::string& l) {
    return l.find(", Dados: ") != std::string::npos;
  }));
  EXPECT_EQ(comandos, 1);
  EXPECT_TRUE(fs::is_empty(base / "in"));
  EXPECT_FALSE(nfe.NotasFiscais()[0].Confirmada());

  // Handled by the host's log, the same outcome is a false result, still with nothing asked.
  nfe.OnGerarLog = [](const std::string&, bool& tratado) { tratado = true; };
  EXPECT_FALSE(a.Enviar("3", true, false));
  EXPECT_FALSE(a.Recepcao().Transmitido());
  EXPECT_TRUE(progresso.empty());
}

// A cancellation describes the document it cancels; a component that does not hold that
// document sends no sale parameters rather than another document's.
TEST_F(IntegradorSefaz, CancellationOfADocumentNotHeldCarriesNoSaleParameters) {
  Encaminhar();
  Adicionar(nfe);  // another sale, not the one cancelled
  TNota outra;
  outra.modelo = 65;
  outra.nNF = ++Sefaz().proximoNumero;
  Montar(outra);
  Cancelamento(nfe, outra.chave, "135260000000001");
  TNFeEnvEvento evento(nfe);
  nfe.OnGerarLog = [](const std::string&, bool& tratado) { tratado = true; };
  evento.Executar();  // the authority refuses it; only the command matters here
  const std::vector<TComando> c = Comandos();
  ASSERT_EQ(c.size(), 1u);
  EXPECT_EQ(c[0].metodo, "HRecepcaoEvento");
  const std::string s = c[0].parametros.front().second;
  EXPECT_EQ(SemDados(c[0].parametros), (TParametros{{"numeroSessao", s}, {"versaoDados", "1.00"}, {"cUF", "35"}}));
}

}  // namespace
}  // namespace tuim
