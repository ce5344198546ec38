// tuim-sefaz-sim under load, pinned to one core: service-status queries over one kept-alive TLS
// connection and with a new TLS handshake per query, and NFC-e authorizations (schema, xmlsec
// signature, QR-code hash and SQLite commit included). The client runs in this process on the
// other core; documents are signed outside the timed part.
#include <benchmark/benchmark.h>

#include <string>

#include "testing/AmbienteEnvio.h"

using namespace tuim::simteste;

namespace {

TAmbienteEnvio& Amb() {
  static TAmbienteEnvio& a = FixadoNoNucleo(AmbienteEnvio("tuim-sim-bench", 1), 0);
  return a;
}

TCliente Cliente(const TAmbienteEnvio& a) {
  return TCliente(a.pasta + "/" + kEmitente + ".pfx", "1234", a.pasta + "/ca.pem", a.sim->Porta());
}

void Status(benchmark::State& state, bool manter) {
  TAmbienteEnvio& a = Amb();
  if (!a.erro.empty()) {
    state.SkipWithError(a.erro.c_str());
    return;
  }
  TCliente c = Cliente(a);
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
  TAmbienteEnvio& a = Amb();
  if (!a.erro.empty()) {
    state.SkipWithError(a.erro.c_str());
    return;
  }
  TCliente c = Cliente(a);
  for (auto _ : state) {
    state.PauseTiming();
    TNota n;
    const std::string env = Envelope("NFeAutorizacao4", Lote({AssinarProximo(a, n, 65, "")}, true));
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
