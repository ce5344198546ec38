// PDF rendering: DANFCE receipts and one-page DANFEs per second, and the 990-item DANFE (the
// most items a document holds) with its time and the process's peak memory.
#include <benchmark/benchmark.h>

#include <sys/resource.h>

#include <string>

#include "report/TuimDANFePDF.h"
#include "testing/DANFeCorpus.h"

using namespace tuim;

namespace {

double PicoMemoriaMB() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return static_cast<double>(u.ru_maxrss) / 1024.0;  // ru_maxrss is in KiB on Linux
}

void BM_DANFCe80(benchmark::State& state) {
  const TNFe n = corpus::NFCe(static_cast<int>(state.range(0)));
  TTuimNFCeDANFePDF r;
  std::size_t bytes = 0;
  for (auto _ : state) bytes += r.GerarPDF(n).size();
  state.SetItemsProcessed(state.iterations());
  state.counters["KB_por_PDF"] = static_cast<double>(bytes) / 1024.0 / static_cast<double>(state.iterations());
}
BENCHMARK(BM_DANFCe80)->Arg(5)->Unit(benchmark::kMillisecond);

void BM_DANFeUmaPagina(benchmark::State& state) {
  const TNFe n = corpus::NFe(10);
  TTuimNFeDANFePDF r;
  std::size_t bytes = 0;
  for (auto _ : state) bytes += r.GerarPDF(n).size();
  state.SetItemsProcessed(state.iterations());
  state.counters["KB_por_PDF"] = static_cast<double>(bytes) / 1024.0 / static_cast<double>(state.iterations());
}
BENCHMARK(BM_DANFeUmaPagina)->Unit(benchmark::kMillisecond);

void BM_DANFe990Itens(benchmark::State& state) {
  const TNFe n = corpus::NFe(990);
  TTuimNFeDANFePDF r;
  std::size_t bytes = 0;
  for (auto _ : state) bytes = r.GerarPDF(n).size();
  state.counters["KB_PDF"] = static_cast<double>(bytes) / 1024.0;
  state.counters["pico_MB"] = PicoMemoriaMB();
}
BENCHMARK(BM_DANFe990Itens)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
