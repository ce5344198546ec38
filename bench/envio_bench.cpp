// NFC-e authorised per second end to end through the component (generate, sign, send
// synchronously, apply the protocol, save the nfeProc), each HTTP backend, with a new TLS
// connection per send and with one kept alive (WebServices.ManterConexao), next to the floor: one RSA-2048 signature plus one loopback TLS round trip with its own handshake, and
// the same round trip over a kept-alive connection. The simulator is pinned to core 0.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>

#include "component/TuimNFe.h"
#include "services/TuimServicosEnvio.h"
#include "testing/AmbienteEnvio.h"

using namespace tuim;
using namespace tuim::simteste;

namespace {

TAmbienteEnvio& Amb() {
  static TAmbienteEnvio& a = FixadoNoNucleo(AmbienteEnvio("tuim-envio-bench", 1), 0);
  return a;
}

// Where the authorised documents go, inside the simulator's folder removed at exit.
std::string Saida() {
  const std::string s = Amb().pasta + "/saida-bench";
  std::filesystem::create_directories(s);
  return s;
}

void PontaAPonta(benchmark::State& state, TSSLHttpLib http, bool manter) {
  TAmbienteEnvio& a = Amb();
  if (!a.erro.empty()) {
    state.SkipWithError(a.erro.c_str());
    return;
  }
  TTuimNFe nfe;
  ConfigurarSalvando(nfe, a, http, moNFCe, Saida());
  nfe.Configuracoes().WebServices().SetManterConexao(manter);
  const long antes = ConexoesAceitas(TUIM_SIM, a.pasta);
  const long retomadasAntes = ConexoesAceitas(TUIM_SIM, a.pasta, "retomadas");
  TNFeAutorizacao envio(nfe);
  for (auto _ : state) {
    nfe.NotasFiscais().Clear();
    TNota n;
    AdicionarAssinado(nfe, a, n, 65, "");
    if (!envio.Enviar(std::to_string(n.nNF), true, false) || envio.Resultados()[0].Arquivo.empty()) {
      state.SkipWithError(("não autorizada: " + envio.Resultados()[0].xMotivo).c_str());
      break;
    }
  }
  state.SetItemsProcessed(state.iterations());
  state.counters["conexoes"] = static_cast<double>(ConexoesAceitas(TUIM_SIM, a.pasta) - antes);
  state.counters["retomadas"] = static_cast<double>(ConexoesAceitas(TUIM_SIM, a.pasta, "retomadas") - retomadasAntes);
}

void BM_NFCeAutorizadaSocket(benchmark::State& state) { PontaAPonta(state, httpOpenSSL, false); }
void BM_NFCeAutorizadaCurl(benchmark::State& state) { PontaAPonta(state, httpWinHttp, false); }
void BM_NFCeAutorizadaSocketConexaoMantida(benchmark::State& state) { PontaAPonta(state, httpOpenSSL, true); }
void BM_NFCeAutorizadaCurlConexaoMantida(benchmark::State& state) { PontaAPonta(state, httpWinHttp, true); }

// The floor: one signature of the same document and one status round trip.
void Piso(benchmark::State& state, bool manter) {
  TAmbienteEnvio& a = Amb();
  if (!a.erro.empty()) {
    state.SkipWithError(a.erro.c_str());
    return;
  }
  TCliente c(a.pasta + "/" + kEmitente + ".pfx", "1234", a.pasta + "/ca.pem", a.sim->Porta());
  const std::string env = Envelope("NFeStatusServico4", tuim::simteste::Status());
  for (auto _ : state) {
    TNota n;
    n.modelo = 65;
    n.dest.clear();
    n.csc = a.csc;
    n.nNF = 1;
    benchmark::DoNotOptimize(a.assinador->Assinar(Montar(n), "NFe", "infNFe"));
    auto r = c.Post("/ws/NFe/SP/H/NFeStatusServico4", env, Acao("NFeStatusServico4", "nfeStatusServicoNF"), manter);
    if (Campo(r.corpo, "cStat") != "107") {
      state.SkipWithError(("resposta inesperada: " + r.erro).c_str());
      break;
    }
  }
  state.SetItemsProcessed(state.iterations());
}

void BM_PisoAssinaturaMaisHandshake(benchmark::State& state) { Piso(state, false); }
void BM_PisoAssinaturaConexaoMantida(benchmark::State& state) { Piso(state, true); }

}  // namespace

BENCHMARK(BM_NFCeAutorizadaSocket)->UseRealTime()->MinTime(3.0);
BENCHMARK(BM_NFCeAutorizadaCurl)->UseRealTime()->MinTime(3.0);
BENCHMARK(BM_NFCeAutorizadaSocketConexaoMantida)->UseRealTime()->MinTime(3.0);
BENCHMARK(BM_NFCeAutorizadaCurlConexaoMantida)->UseRealTime()->MinTime(3.0);
BENCHMARK(BM_PisoAssinaturaMaisHandshake)->UseRealTime()->MinTime(2.0);
BENCHMARK(BM_PisoAssinaturaConexaoMantida)->UseRealTime()->MinTime(2.0);
BENCHMARK_MAIN();
