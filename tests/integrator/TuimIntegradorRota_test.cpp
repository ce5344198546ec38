// NFC-e service calls carried by the integrator instead of HTTP.
#include <gtest/gtest.h>

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <thread>

#include "component/TuimNFe.h"
#include "fiscal/TuimUtil.h"
#include "integrator/TuimIntegrador.h"
#include "services/TuimServicosNFe.h"

extern char** environ;

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
    if (pid > 0) {
      ::kill(pid, SIGTERM);
      ::waitpid(pid, nullptr, 0);
    }
    fs::remove_all(base);
  }
  void Iniciar(std::vector<std::string> extra) {
    std::vector<std::string> a = {"python3", TUIM_SOURCE_DIR "/testing/integrador-teste.py", "--entrada",
                                  (base / "in").string(), "--saida", (base / "out").string(), "--pasta-log",
                                  (base / "log").string(), "--duracao", "60"};
    a.insert(a.end(), extra.begin(), extra.end());
    std::vector<char*> argv;
    for (auto& s : a) argv.push_back(s.data());
    argv.push_back(nullptr);
    ASSERT_EQ(posix_spawnp(&pid, "python3", nullptr, nullptr, argv.data(), environ), 0);
    for (int k = 0; k < 500 && !fs::exists(base / "log" / "pronto"); ++k) std::this_thread::sleep_for(10ms);
  }
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

}  // namespace
}  // namespace tuim
