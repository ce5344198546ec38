// The writer with and without its simultaneous TXT output: what the text layout costs.
#include <benchmark/benchmark.h>

#include "testing/NFeConstrutor.h"
#include "xml/TuimLayoutTXT.h"
#include "xml/TuimNFeW.h"

namespace {

using namespace tuim;

void WriterNFe400(benchmark::State& state) {
  TNFe n = teste::NFe(static_cast<int>(state.range(0)));
  TNFeW w(&n);
  w.Opcoes().SetGerarTXTSimultaneamente(state.range(1) != 0);
  for (auto _ : state) {
    w.EscreverNFe();
    benchmark::DoNotOptimize(w.Gerador().ArquivoFormatoTXT().size());
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
// Items per document; 0 writes the XML only, 1 the text alongside.
BENCHMARK(WriterNFe400)->ArgsProduct({{1, 50, 500}, {0, 1}});

void LoadLayout400(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(LayoutTXT("4.00").size());
}
BENCHMARK(LoadLayout400);

}  // namespace

BENCHMARK_MAIN();
