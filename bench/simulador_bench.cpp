// tuim-sefaz-sim under load, pinned to one core: service-status queries over one kept-alive TLS
// connection and with a new TLS handshake per query, and NFC-e authorizations (schema, xmlsec
// signature, QR-code hash and SQLite commit included). The client runs in this process on the
// other core; documents are signed outside the timed part.
#include <benchmark/benchmark.h>
#include <sched.h>

#include <cstdlib>
#include <memory>
#include <string>

#include "testing/SimTeste.h"

using namespace tuim::simteste;

namespace {

struct TPeer {
  std::string pasta, erro, csc;
  std::unique_ptr<TSimulador> sim;
  std::unique_ptr<TAssinador> assinador;
};

TPeer& Peer() {
  static TPeer p;
  static bool pronto = false;
  if (pronto) return p;
  pronto = true;
  p.pasta = PastaNova("tuim-sim-bench");
  auto r = Rodar({TUIM_SIM, "iniciar", p.pasta, "--cnpj", kEmitente});
  if (r.codigo != 0) {
    p.erro = "iniciar: " + r.err;
    return p;
  }
  p.sim = std::make_unique<TSimulador>(TUIM_SIM);
  if (!p.sim->Iniciar(p.pasta, p.erro)) return p;
  cpu_set_t um;
  CPU_ZERO(&um);
  CPU_SET(0, &um);
  sched_setaffinity(p.sim->Pid(), sizeof um, &um);
  p.assinador = std::make_unique<TAssinador>(p.pasta, kEmitente);
  std::string t = LerArquivo(p.pasta + "/" + kEmitente + ".csc");
  p.csc = t.substr(t.find("csc=") + 4, 36);
  std::atexit([] {
    p.sim->Parar();
    std::error_code ec;
    std::filesystem::remove_all(p.pasta, ec);
  });
  return p;
}

TCliente Cliente(TPeer& p) {
  return TCliente(p.pasta + "/" + kEmitente + ".pfx", "1234", p.pasta + "/ca.pem", p.sim->Porta());
}

void Status(benchmark::State& state, bool manter) {
  TPeer& p = Peer();
  if (!p.erro.empty()) {
    state.SkipWithError(p.erro.c_str());
    return;
  }
  TCliente c = Cliente(p);
  const std::string env = Envelope("NFeStatusServico4", tuim::simteste::Status());
  for (auto _ : state) {
    auto r = c.Post("/ws/NFe/SP/H/NFeStatusServico4", env, Acao("NFeStatusServico4", "nfeStatusServicoNF"), manter);
    if (Campo(r.corpo, "cStat") != "107") {
      state.SkipWithError(("resposta inesperada: " + r.erro + r.corpo).c_str());
      break;
    }
  }
  state.SetItemsProcessed(state.iterations());
}

void BM_StatusConexaoMantida(benchmark::State& state) { Status(state, true); }
void BM_StatusHandshakePorConsulta(benchmark::State& state) { Status(state, false); }

void BM_AutorizacaoNFCe(benchmark::State& state) {
  TPeer& p = Peer();
  if (!p.erro.empty()) {
    state.SkipWithError(p.erro.c_str());
    return;
  }
  TCliente c = Cliente(p);
  static int numero = 1;
  for (auto _ : state) {
    state.PauseTiming();
    TNota n;
    n.modelo = 65;
    n.dest.clear();
    n.csc = p.csc;
    n.nNF = numero++;
    const std::string env =
        Envelope("NFeAutorizacao4", Lote({p.assinador->Assinar(Montar(n), "NFe", "infNFe")}, true));
    state.ResumeTiming();
    auto r = c.Post("/ws/NFCe/SP/H/NFeAutorizacao4", env, Acao("NFeAutorizacao4", "nfeAutorizacaoLote"), true);
    if (Campo(r.corpo, "cStat", 1) != "100") {
      state.SkipWithError(("resposta inesperada: " + r.erro + r.corpo).c_str());
      break;
    }
  }
  state.SetItemsProcessed(state.iterations());
}

}  // namespace

BENCHMARK(BM_StatusConexaoMantida)->UseRealTime()->MinTime(2.0);
BENCHMARK(BM_StatusHandshakePorConsulta)->UseRealTime()->MinTime(2.0);
BENCHMARK(BM_AutorizacaoNFCe)->UseRealTime()->MinTime(3.0);
BENCHMARK_MAIN();
