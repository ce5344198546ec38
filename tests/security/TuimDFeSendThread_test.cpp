#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>

#include "security/TuimDFeSSL.h"
#include "tests/security/MensagemTeste.h"

using namespace tuim;
using Relogio = std::chrono::steady_clock;

namespace {

// Shared by every HTTP object of a test: how long to wait, and whether a gate holds the answer.
struct TServidorLento {
  std::mutex m;
  std::condition_variable cv;
  int atrasoMs = 0;
  bool usarPortao = false;
  bool portaoAberto = false;
  bool obedecerInterromper = true;
  std::atomic<int> envios{0};
  std::atomic<int> interrupcoes{0};
  std::atomic<int> concorrentes{0};
  std::atomic<int> maxConcorrentes{0};
};
TServidorLento* gServidor = nullptr;

// Answers after a delay (or when the gate opens); Interromper aborts the wait.
class THttpLento : public TDFeSSLHttpClass {
public:
  using TDFeSSLHttpClass::TDFeSSLHttpClass;
  std::string ClassName() const override { return "THttpLento"; }
  std::unique_ptr<TDFeSSLHttpClass> NovaInstancia(TDFeSSL& s) const override {
    return std::make_unique<THttpLento>(s);
  }
  std::string Enviar(const std::string& dados, const std::string&, const std::string&,
                     const std::string&) override {
    TServidorLento& sv = *gServidor;
    int n = ++sv.envios;
    int c = ++sv.concorrentes;
    int mx = sv.maxConcorrentes.load();
    while (c > mx && !sv.maxConcorrentes.compare_exchange_weak(mx, c)) {
    }
    std::unique_lock<std::mutex> g(sv.m);
    auto prazo = Relogio::now() + std::chrono::milliseconds(sv.atrasoMs);
    bool abortado = false;
    if (sv.usarPortao) {
      sv.cv.wait(g, [&] { return sv.portaoAberto || (fAbortar && sv.obedecerInterromper); });
    } else {
      sv.cv.wait_until(g, prazo, [&] { return fAbortar && sv.obedecerInterromper; });
    }
    abortado = fAbortar && sv.obedecerInterromper;
    --sv.concorrentes;
    if (abortado) throw ETuimDFeException("interrompido");
    fCodigo = 200 + n;
    if (dados == "erro") throw ETuimDFeException("servidor recusou");
    return "resposta " + dados;
  }
  void Interromper() override {
    TServidorLento& sv = *gServidor;
    ++sv.interrupcoes;
    std::lock_guard<std::mutex> g(sv.m);
    fAbortar = true;
    sv.cv.notify_all();
  }
  int HTTPResultCode() const override { return fCodigo; }
  int InternalErrorCode() const override { return fCodigo ? 7 : 0; }

private:
  bool fAbortar = false;  // guarded by the server's mutex
  int fCodigo = 0;
};

class SendThread : public ::testing::Test {
protected:
  void SetUp() override {
    gServidor = &fServidor;
    RegistrarClasseHttp(httpIndy, [](TDFeSSL& s) { return std::make_unique<THttpLento>(s); });
  }
  void TearDown() override { RegistrarClasseHttp(httpIndy, nullptr); }
  std::unique_ptr<TDFeSSL> Facade(int timeOut) {
    auto ssl = std::make_unique<TDFeSSL>();
    ssl->SetSSLHttpLib(httpIndy);
    ssl->SetUseCertificateHTTP(false);
    ssl->SetTimeOutPorThread(true);
    ssl->SetTimeOut(timeOut);
    return ssl;
  }
  void AbrirPortao() {
    std::lock_guard<std::mutex> g(fServidor.m);
    fServidor.portaoAberto = true;
    fServidor.cv.notify_all();
  }
  TServidorLento fServidor;
};

long long Ms(Relogio::time_point desde) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(Relogio::now() - desde).count();
}

const char* kTimeout = "Timeout - Não foi possível obter a resposta do servidor";

}  // namespace

struct CasoPrazo {
  int timeOutMs;
  int atrasoMs;
  bool responde;
};

class SendThreadPrazo : public SendThread, public ::testing::WithParamInterface<CasoPrazo> {};

// The caller waits whole seconds of the time-out: 1.5 s gives up after one second, before an
// answer that comes at 1.45 s. A sub-second time-out keeps its milliseconds.
TEST_P(SendThreadPrazo, AnswerWithinTheTimeOutIsReturnedALateOneTimesOutAndNeitherGivesUpEarly) {
  const CasoPrazo c = GetParam();
  fServidor.atrasoMs = c.atrasoMs;
  auto ssl = Facade(c.timeOutMs);
  auto inicio = Relogio::now();
  if (c.responde) {
    EXPECT_EQ(ssl->Enviar("<x/>", "https://h/", "a"), "resposta <x/>");
    EXPECT_GE(Ms(inicio), c.atrasoMs);
  } else {
    EXPECT_EQ(MensagemDe([&] { ssl->Enviar("<x/>", "https://h/", "a"); }), kTimeout);
    EXPECT_GE(Ms(inicio), c.timeOutMs >= 1000 ? c.timeOutMs / 1000 * 1000 : c.timeOutMs);
    EXPECT_EQ(fServidor.interrupcoes.load(), 1);
  }
}

INSTANTIATE_TEST_SUITE_P(Prazos, SendThreadPrazo,
                         ::testing::Values(CasoPrazo{300, 100, true}, CasoPrazo{300, 5000, false},
                                           CasoPrazo{1500, 700, true}, CasoPrazo{1500, 1450, false},
                                           CasoPrazo{1500, 5000, false}));

TEST_F(SendThread, ResultCodesAfterAThreadedSendAreThoseOfTheThreadsExchange) {
  fServidor.atrasoMs = 10;
  auto ssl = Facade(2000);
  ssl->Enviar("<x/>", "u", "a");
  EXPECT_EQ(ssl->HTTPResultCode(), 201);
  EXPECT_EQ(ssl->InternalErrorCode(), 7);
  EXPECT_EQ(ssl->SSLHttpClass().HTTPResultCode(), 0);  // the facade's own object never sent
  ssl->Enviar("<y/>", "u", "a");
  EXPECT_EQ(ssl->HTTPResultCode(), 202);
}

TEST_F(SendThread, FailureInsideTheThreadReachesTheCallerAsTheThreadMessage) {
  auto ssl = Facade(2000);
  EXPECT_EQ(MensagemDe([&] { ssl->Enviar("erro", "u", "a"); }), "Erro na thread de envio: servidor recusou");
}

TEST_F(SendThread, MissingDataOrURLIsRefused) {
  TDFeSSL ssl;
  ssl.SetSSLHttpLib(httpIndy);
  std::mutex cs;
  const char* msg = "TDFeSendThread, parâmetros inválidos";
  EXPECT_EQ(MensagemDe([&] { TDFeSendThread t(&ssl, cs, ssl.SSLHttpClass(), "", "u", "a", "m"); }), msg);
  EXPECT_EQ(MensagemDe([&] { TDFeSendThread t(&ssl, cs, ssl.SSLHttpClass(), "d", "", "a", "m"); }), msg);
  EXPECT_EQ(MensagemDe([&] { TDFeSendThread t(nullptr, cs, ssl.SSLHttpClass(), "d", "u", "a", "m"); }), msg);
  auto f = Facade(1000);
  EXPECT_EQ(MensagemDe([&] { f->Enviar("", "u", "a"); }), msg);
}

// An abandoned exchange keeps the lock until it ends; the next send waits for it.
TEST_F(SendThread, NextSendWaitsForTheAbandonedExchangeInsteadOfOverlapping) {
  fServidor.atrasoMs = 600;
  fServidor.obedecerInterromper = false;
  auto ssl = Facade(200);
  EXPECT_EQ(MensagemDe([&] { ssl->Enviar("<1/>", "u", "a"); }), kTimeout);
  ssl->SetTimeOut(5000);
  EXPECT_EQ(ssl->Enviar("<2/>", "u", "a"), "resposta <2/>");
  EXPECT_EQ(fServidor.maxConcorrentes.load(), 1);
  EXPECT_EQ(fServidor.envios.load(), 2);
}

// An abandoned send still holds the lock; a second send waiting for it is abandoned too and must
// never go out once the first ends.
TEST_F(SendThread, AbandonedSendThatHasNotStartedNeverGoesOut) {
  fServidor.usarPortao = true;
  fServidor.obedecerInterromper = false;
  auto ssl = Facade(500);
  EXPECT_EQ(MensagemDe([&] { ssl->Enviar("<1/>", "u", "a"); }), kTimeout);
  ASSERT_EQ(fServidor.envios.load(), 1);  // the first is inside its exchange, holding the lock
  ssl->SetTimeOut(200);
  EXPECT_EQ(MensagemDe([&] { ssl->Enviar("<2/>", "u", "a"); }), kTimeout);
  AbrirPortao();
  ssl.reset();  // waits for both abandoned threads
  EXPECT_EQ(fServidor.envios.load(), 1);
}

TEST_F(SendThread, FacadeWaitsForAnAbandonedThreadBeforeGoingAway) {
  fServidor.usarPortao = true;
  fServidor.obedecerInterromper = false;
  auto ssl = Facade(100);
  EXPECT_EQ(MensagemDe([&] { ssl->Enviar("<1/>", "u", "a"); }), kTimeout);
  std::atomic<bool> destruida{false};
  std::thread t([&] {
    ssl.reset();
    destruida = true;
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(150));
  EXPECT_FALSE(destruida.load());
  AbrirPortao();
  t.join();
  EXPECT_TRUE(destruida.load());
  EXPECT_EQ(fServidor.concorrentes.load(), 0);
}

TEST_F(SendThread, AfterAnAbandonedSendIsAbortedTheNextSendWorks) {
  fServidor.atrasoMs = 5000;
  auto ssl = Facade(200);
  EXPECT_EQ(MensagemDe([&] { ssl->Enviar("<1/>", "u", "a"); }), kTimeout);
  fServidor.atrasoMs = 10;
  EXPECT_EQ(ssl->Enviar("<2/>", "u", "a"), "resposta <2/>");
}

// An answer stored by the thread is taken whole, even when the caller looks only after it came.
TEST_F(SendThread, AnswerThatHasArrivedIsTakenNotAbandoned) {
  fServidor.atrasoMs = 0;
  TDFeSSL ssl;
  ssl.SetSSLHttpLib(httpIndy);
  std::mutex cs;
  TDFeSendThread t(&ssl, cs, ssl.SSLHttpClass(), "<x/>", "u", "a", "m");
  while (!t.Terminou()) std::this_thread::sleep_for(std::chrono::milliseconds(5));
  TDFeSendThread::TResultado r = t.TomarResultadoOuAbandonar();
  EXPECT_TRUE(r.terminou);
  EXPECT_EQ(r.resposta, "resposta <x/>");
  EXPECT_EQ(r.httpResultCode, 201);
  EXPECT_EQ(fServidor.interrupcoes.load(), 0);
}
