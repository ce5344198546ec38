// The integrator exchange against a real integrator process (testing/integrador-teste.py)
// over real folders; the long waits run on a fake clock.
#include "integrator/TuimIntegrador.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <set>
#include <sstream>
#include <thread>

#include "fiscal/TuimUtil.h"
#include "integrator/ProcessoIntegrador.h"

namespace tuim {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

std::string Ler(const fs::path& p) {
  std::ifstream f(p, std::ios::binary);
  std::stringstream ss;
  ss << f.rdbuf();
  return ss.str();
}

std::vector<std::string> Xmls(const fs::path& pasta) {
  std::vector<std::string> r;
  std::error_code ec;
  for (const auto& e : fs::directory_iterator(pasta, ec))
    if (e.path().extension() == ".xml") r.push_back(e.path().filename().string());
  std::sort(r.begin(), r.end());
  return r;
}

// Virtual time: every sleep advances it, with a short real pause so that a real integrator
// process can act between two looks.
class RelogioFalso : public TRelogioIntegrador {
public:
  std::chrono::steady_clock::time_point Agora() override { return fAgora; }
  TDateTime AgoraCivil() override {
    return fCivil + std::chrono::duration<double>(fAgora - fInicio).count() / 86400.0;
  }
  void Dormir(int ms) override {
    fAgora += std::chrono::milliseconds(ms);
    std::this_thread::sleep_for(fPausaReal);
    if (AoDormir) AoDormir();
  }
  double Decorridos() const { return std::chrono::duration<double>(fAgora - fInicio).count(); }
  std::function<void()> AoDormir;
  std::chrono::milliseconds fPausaReal{1};

private:
  std::chrono::steady_clock::time_point fInicio = std::chrono::steady_clock::now();
  std::chrono::steady_clock::time_point fAgora = fInicio;
  TDateTime fCivil = EncodeDateTime(2026, 12, 10, 9, 30, 15);
};

class Integrador : public ::testing::Test {
protected:
  void SetUp() override {
    base = fs::temp_directory_path() / ("tuim-integrador-" + std::to_string(::getpid()) + "-" +
                                        ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(base);
    for (const char* p : {"in", "out", "log"}) fs::create_directories(base / p);
    i.SetPastaInput((base / "in").string());
    i.SetPastaOutput((base / "out").string());
    i.OnGravarLog = [this](const std::string& l, bool&) { log.push_back(l); };
  }
  void TearDown() override {
    Parar();
    fs::remove_all(base);
  }

  void Iniciar(const std::string& modo, std::vector<std::string> extra = {}) {
    extra.insert(extra.begin(), {"--modo", modo});
    teste::IniciarIntegrador(base, extra, pid);
  }
  void Parar() { teste::PararIntegrador(pid); }
  // The commands the integrator process took, one JSON line each.
  std::vector<std::string> Comandos() {
    std::vector<std::string> r;
    std::ifstream f(base / "log" / "comandos.log");
    for (std::string l; std::getline(f, l);) r.push_back(l);
    return r;
  }
  void Status(bool homologacao = false) {
    i.Limpar();
    i.SetNomeComponente("NFCE");
    i.DefinirMetodo("NfeStatusServico2Soap12", homologacao);
    i.SetParametro("versaoDados", "4.00");
    i.SetParametro("cUF", "51");
  }
  int Contar(const std::string& trecho) {
    return static_cast<int>(std::count_if(log.begin(), log.end(),
                                          [&](const std::string& l) { return l.find(trecho) != std::string::npos; }));
  }

  fs::path base;
  TTuimIntegrador i;
  std::vector<std::string> log;
  pid_t pid = -1;
};

TEST_F(Integrador, CommandCarriesSessionComponentMethodAndParametersInOrder) {
  Iniciar("imediato");
  Status();
  std::string r = i.Enviar(true);
  int s = i.NumeroSessao();
  EXPECT_GE(s, 1);
  EXPECT_LE(s, 999999);
  std::string n = std::to_string(s);
  EXPECT_EQ(i.XMLComando(),
            "<Integrador><Identificador><Valor>" + n +
                "</Valor></Identificador><Componente Nome=\"NFCE\"><Metodo Nome=\"NfeStatusServico2Soap12\">"
                "<Parametros><Parametro><Nome>numeroSessao</Nome><Valor>" + n +
                "</Valor></Parametro><Parametro><Nome>versaoDados</Nome><Valor>4.00</Valor></Parametro>"
                "<Parametro><Nome>cUF</Nome><Valor>51</Valor></Parametro></Parametros></Metodo></Componente>"
                "</Integrador>");
  EXPECT_EQ(r, "L1|L2|mensagem do integrador|L4|L5|L6|L7");
  ASSERT_EQ(i.Respostas().size(), 7u);
  EXPECT_EQ(i.Respostas()[6], "L7");
  EXPECT_EQ(i.ComandoIntegrador().Situacao(), scRespondido);
  EXPECT_EQ(i.ComandoIntegrador().IntegradorResposta().Identificador(), s);
  EXPECT_EQ(i.ComandoIntegrador().IntegradorResposta().Codigo(), "AP");
  // The answer was consumed and the command is gone from the input folder.
  EXPECT_TRUE(Xmls(base / "out").empty());
  EXPECT_TRUE(Xmls(base / "in").empty());
  EXPECT_EQ(Comandos().size(), 1u);
}

TEST_F(Integrador, HomologationPrefixesTheMethodAndNamesTheFileAfterIt) {
  Iniciar("imediato");
  Status(true);
  i.Enviar(true);
  EXPECT_EQ(i.NomeMetodo(), "HNfeStatusServico2Soap12");
  auto c = Comandos();
  ASSERT_EQ(c.size(), 1u);
  std::smatch m;
  ASSERT_TRUE(std::regex_search(c[0], m, std::regex("\"arquivo\": \"([^\"]+)\""))) << c[0];
  EXPECT_TRUE(std::regex_match(m[1].str(), std::regex("hnfestatusservico2soap12-[0-9]{14}-" +
                                                      std::to_string(i.NumeroSessao()) + "\\.xml")))
      << m[1];
  EXPECT_NE(c[0].find("\"metodo\": \"HNfeStatusServico2Soap12\""), std::string::npos);
}

TEST_F(Integrador, CdataValueReachesTheFileUnescapedAndOthersAreEscaped) {
  Iniciar("imediato");
  Status();
  i.SetParametro("dados", "<![CDATA[<a>1</a>]]>");
  i.SetParametro("texto", "a<b");
  i.Enviar(false);
  EXPECT_NE(i.XMLComando().find("<Valor><![CDATA[<a>1</a>]]></Valor>"), std::string::npos) << i.XMLComando();
  EXPECT_NE(i.XMLComando().find("<Valor>a&lt;b</Valor>"), std::string::npos) << i.XMLComando();
  EXPECT_EQ(i.XMLComando().find("numeroSessao"), std::string::npos);
  auto c = Comandos();
  ASSERT_EQ(c.size(), 1u);
  EXPECT_NE(c[0].find("\"dados\": \"<a>1</a>\""), std::string::npos) << c[0];
}

struct CasoLinhas {
  int linhas;
};
class IntegradorLinhas : public Integrador, public ::testing::WithParamInterface<int> {};

TEST_P(IntegradorLinhas, AnswerIsSplitAtEveryBar) {
  Iniciar("imediato", {"--linhas", std::to_string(GetParam())});
  Status();
  i.Enviar(true);
  EXPECT_EQ(static_cast<int>(i.Respostas().size()), GetParam());
  EXPECT_EQ(i.Respostas().front(), "L1");
}

INSTANTIATE_TEST_SUITE_P(Linhas, IntegradorLinhas, ::testing::Values(2, 5, 7));

TEST_F(Integrador, CodeEEAnswersTheWholeFile) {
  Iniciar("ee");
  Status();
  std::string r = i.Enviar(true);
  EXPECT_EQ(r.rfind("<Integrador>", 0), 0u) << r;
  EXPECT_NE(r.find("<Codigo>EE</Codigo>"), std::string::npos);
}

TEST_F(Integrador, LeadingBackslashQuoteIsDroppedBeforeSplitting) {
  Iniciar("aspas", {"--linhas", "3"});
  Status();
  std::string r = i.Enviar(true);
  EXPECT_EQ(r, "L1|L2|mensagem do integrador");
  EXPECT_EQ(i.Respostas()[0], "L1");
}

TEST_F(Integrador, ErrorGroupWithoutResultFailsWithTheGroup) {
  Iniciar("erro");
  Status();
  try {
    i.Enviar(true);
    FAIL() << "no exception";
  } catch (const EIntegradorException& e) {
    EXPECT_STREQ(e.what(), "<Erro><Codigo>999</Codigo><Valor>falha no integrador</Valor></Erro>");
  }
  EXPECT_EQ(Contar("EIntegradorException: <Erro>"), 1);
}

TEST_F(Integrador, HalfWrittenAnswerIsLeftUntilComplete) {
  Iniciar("meio", {"--atraso", "0.6"});
  Status();
  std::string r = i.Enviar(true);
  EXPECT_EQ(r, "L1|L2|mensagem do integrador|L4|L5|L6|L7");
  EXPECT_TRUE(Xmls(base / "out").empty());
}

TEST_F(Integrador, DelayedAnswerIsWaitedFor) {
  Iniciar("atraso", {"--atraso", "0.7"});
  Status();
  EXPECT_EQ(i.Enviar(true), "L1|L2|mensagem do integrador|L4|L5|L6|L7");
}

TEST_F(Integrador, SecondAnswerOfTheSameSessionIsNeverTakenByALaterCommand) {
  Iniciar("duas");
  Status();
  i.Enviar(true);
  int primeira = i.NumeroSessao();
  for (int k = 0; k < 100 && Xmls(base / "out").empty(); ++k) std::this_thread::sleep_for(10ms);
  ASSERT_EQ(Xmls(base / "out").size(), 1u);
  // The host asks for the same number again: the leftover answer is stale, moved aside.
  i.OnGetNumeroSessao = [&](int& n) { n = primeira; };
  Parar();
  fs::remove(base / "log" / "pronto");
  Iniciar("imediato");
  Status();
  i.Enviar(true);
  EXPECT_EQ(i.NumeroSessao(), primeira);
  EXPECT_EQ(Contar("Resposta antiga afastada"), 1);
  ASSERT_EQ(Xmls(base / "out" / "descartadas").size(), 1u);
  EXPECT_EQ(Comandos().size(), 2u);  // the fresh integrator answered the fresh command
}

class IntegradorTempoFalso : public Integrador {
protected:
  void SetUp() override {
    Integrador::SetUp();
    i.SetRelogio(&relogio);
    relogio.AoDormir = [this] { maxComandos = std::max(maxComandos, Xmls(base / "in").size()); };
  }
  RelogioFalso relogio;
  std::size_t maxComandos = 0;
};

TEST_F(IntegradorTempoFalso, NeverTakenCommandTimesOutAtTheFloorAndIsRemoved) {
  Iniciar("nunca");
  i.SetTimeout(10);
  Status();
  try {
    i.Enviar(true);
    FAIL() << "no exception";
  } catch (const EComandoIntegradorException& e) {
    EXPECT_STREQ(e.what(), "Sem Resposta do Integrador");
  }
  EXPECT_NEAR(relogio.Decorridos(), 25.0, 0.3);
  EXPECT_TRUE(i.ErroTimeout());
  EXPECT_EQ(i.ComandoIntegrador().Situacao(), scNaoRecebido);
  EXPECT_FALSE(i.ComandoRecebidoSemResposta());
  // Re-triggered every 5 seconds by renaming the one file: never two copies at once.
  EXPECT_EQ(Contar("Renomeando arquivo n\xE3o processado"), 4);
  EXPECT_EQ(maxComandos, 1u);
  EXPECT_TRUE(Xmls(base / "in").empty());
}

TEST_F(IntegradorTempoFalso, TimeoutAboveTheFloorIsKept) {
  Iniciar("nunca");
  i.SetTimeout(60);
  Status();
  EXPECT_THROW(i.Enviar(true), EComandoIntegradorException);
  EXPECT_NEAR(relogio.Decorridos(), 60.0, 0.3);
}

TEST_F(IntegradorTempoFalso, TakenWithoutAnswerIsToldApartFromNotTaken) {
  Iniciar("toma");
  relogio.fPausaReal = 5ms;
  Status();
  EXPECT_THROW(i.Enviar(true), EComandoIntegradorException);
  EXPECT_EQ(i.ComandoIntegrador().Situacao(), scRecebidoSemResposta);
  EXPECT_TRUE(i.ComandoRecebidoSemResposta());
  EXPECT_EQ(Comandos().size(), 1u);
}

TEST_F(IntegradorTempoFalso, AnswersOfAnotherSessionOrMalformedAreLeftInPlace) {
  for (const char* modo : {"sessao-errada", "malformada"}) {
    Iniciar(modo);
    relogio.fPausaReal = 2ms;
    Status();
    EXPECT_THROW(i.Enviar(true), EComandoIntegradorException) << modo;
    EXPECT_EQ(Xmls(base / "out").size(), 1u) << modo;
    Parar();
    fs::remove(base / "log" / "pronto");
    for (auto& f : Xmls(base / "out")) fs::remove(base / "out" / f);
  }
}

TEST_F(Integrador, OnlyRegularFilesWithinTheLimitAreRead) {
  // A FIFO would block a reader and a folder cannot be read: both are passed over.
  ASSERT_EQ(::mkfifo((base / "out" / "fifo.xml").c_str(), 0644), 0);
  fs::create_directories(base / "out" / "pasta.xml");
  Iniciar("imediato");
  Status();
  EXPECT_EQ(i.Enviar(true), "L1|L2|mensagem do integrador|L4|L5|L6|L7");
  // An answer over the size limit is not read, even when it carries the session.
  RelogioFalso relogio;
  i.SetRelogio(&relogio);
  i.ComandoIntegrador().SetTamanhoMaximoResposta(64);
  Parar();
  fs::remove(base / "log" / "pronto");
  Iniciar("toma");
  i.OnGetNumeroSessao = [](int& n) { n = 4242; };
  std::ofstream(base / "out" / "grande.xml")
      << "<Integrador><Identificador><Valor>4242</Valor></Identificador><Resposta><retorno>" << std::string(200, 'x')
      << "</retorno></Resposta></Integrador>";
  Status();
  EXPECT_THROW(i.Enviar(true), EComandoIntegradorException);
  EXPECT_TRUE(fs::exists(base / "out" / "grande.xml"));
}

TEST_F(Integrador, MethodNameMustBeSetAndSafeForAFileName) {
  Status();
  i.DefinirMetodo("", false);
  EXPECT_THROW(
      {
        try {
          i.Enviar(true);
        } catch (const EIntegradorException& e) {
          EXPECT_STREQ(e.what(), "NomeMetodo n\xE3o definido");
          throw;
        }
      },
      EIntegradorException);
  i.DefinirMetodo("../../etc/x", false);
  EXPECT_THROW(i.Enviar(true), EIntegradorException);
  EXPECT_TRUE(Xmls(base / "in").empty());
  EXPECT_EQ(Contar("EIntegradorException: NomeMetodo n\xE3o definido"), 1);
}

TEST_F(Integrador, RetryReplacesTheSessionAndDataParameters) {
  Iniciar("imediato");
  Status();
  i.SetParametro("dados", "AAAA");
  i.Enviar(true);
  i.SetParametro("dados", "BBBB");
  i.Enviar(true);
  int sessoes = 0, dados = 0;
  for (const std::string& p : i.Parametros()) {
    sessoes += p.rfind("numeroSessao=", 0) == 0;
    dados += p.rfind("dados=", 0) == 0;
  }
  EXPECT_EQ(sessoes, 1);
  EXPECT_EQ(dados, 1);
  EXPECT_EQ(i.Parametros().front(), "numeroSessao=" + std::to_string(i.NumeroSessao()));
  EXPECT_EQ(i.Parametro("dados"), "BBBB");
}

TEST_F(Integrador, SessionNumbersStayInRangeAndHostChoiceAboveZeroWins) {
  std::set<int> vistos;
  for (int k = 0; k < 200; ++k) {
    int n = i.GerarNumeroSessao();
    EXPECT_GE(n, 1);
    EXPECT_LE(n, 999999);
    vistos.insert(n);
  }
  EXPECT_GT(vistos.size(), 190u);
  i.OnGetNumeroSessao = [](int& n) { n = 0; };
  EXPECT_GE(i.GerarNumeroSessao(), 1);
  i.OnGetNumeroSessao = [](int& n) { n = 77; };
  EXPECT_EQ(i.GerarNumeroSessao(), 77);
}

TEST_F(Integrador, LogGoesToTheEventOrToTheFile) {
  i.OnGravarLog = nullptr;
  i.SetArqLOG((base / "log" / "integrador.log").string());
  i.GravarLog("linha um");
  i.OnGravarLog = [](const std::string&, bool& tratado) { tratado = true; };
  i.GravarLog("linha dois");
  std::string t = Ler(base / "log" / "integrador.log");
  EXPECT_TRUE(std::regex_match(t, std::regex("[0-9]{2}/[0-9]{2}/[0-9]{2} [0-9]{2}:[0-9]{2}:[0-9]{2}:[0-9]{3} - linha um\r\n")))
      << t;
}

TEST_F(Integrador, FoldersAreKeptWithAFinalSeparator) {
  TTuimIntegrador novo;
  EXPECT_EQ(novo.PastaInput(), "/Integrador/Input/");
  EXPECT_EQ(novo.PastaOutput(), "/Integrador/Output/");
  novo.SetPastaInput("/tmp/entrada");
  EXPECT_EQ(novo.PastaInput(), "/tmp/entrada/");
  EXPECT_EQ(novo.Timeout(), 30);
}

}  // namespace
}  // namespace tuim
