#include <benchmark/benchmark.h>

#include "fiscal/TuimValidador.h"

namespace {

void Run(benchmark::State& state, tuim::TTuimValTipoDocto tipo, const char* doc, const char* uf = "") {
  tuim::TTuimValidador v;
  v.SetTipoDocto(tipo);
  v.SetComplemento(uf);
  const std::string a = doc;
  std::string b = a + " ";  // alternate so that each round re-cleans the text
  bool flip = false;
  for (auto _ : state) {
    v.SetDocumento((flip = !flip) ? a : b);
    benchmark::DoNotOptimize(v.Validar());
  }
}

}  // namespace

static void BM_ValidarCPF(benchmark::State& s) { Run(s, tuim::docCPF, "111.444.777-35"); }
static void BM_ValidarCNPJ(benchmark::State& s) { Run(s, tuim::docCNPJ, "11.222.333/0001-81"); }
static void BM_ValidarCNPJAlfanumerico(benchmark::State& s) { Run(s, tuim::docCNPJ, "12.ABC.345/01DE-35"); }
static void BM_ValidarIE_SP(benchmark::State& s) { Run(s, tuim::docInscEst, "110.042.490.114", "SP"); }
static void BM_ValidarIE_MG(benchmark::State& s) { Run(s, tuim::docInscEst, "062.307.904/0081", "MG"); }
static void BM_ValidarIE_TO(benchmark::State& s) { Run(s, tuim::docInscEst, "29.010.227-8", "TO"); }
static void BM_MensagemErroCPF(benchmark::State& s) {
  for (auto _ : s) benchmark::DoNotOptimize(tuim::MensagemErroCPF("111.444.777-35"));
}
BENCHMARK(BM_ValidarCPF);
BENCHMARK(BM_ValidarCNPJ);
BENCHMARK(BM_ValidarCNPJAlfanumerico);
BENCHMARK(BM_ValidarIE_SP);
BENCHMARK(BM_ValidarIE_MG);
BENCHMARK(BM_ValidarIE_TO);
BENCHMARK(BM_MensagemErroCPF);

BENCHMARK_MAIN();
