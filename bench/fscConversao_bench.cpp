#include <benchmark/benchmark.h>

#include "fiscal/fscConversao.h"
#include "fiscal/fscConversaoNFe.h"

using namespace tuim;

// The longest code tables (33 rows) are walked in full on every call.
static void BM_CSTPisParaTexto(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(CSTPisParaTexto(cstPis99));
}
BENCHMARK(BM_CSTPisParaTexto);

static void BM_TextoParaCSTCofins(benchmark::State& state) {
  const std::string code = "75";
  for (auto _ : state) {
    bool ok;
    benchmark::DoNotOptimize(TextoParaCSTCofins(ok, code));
  }
}
BENCHMARK(BM_TextoParaCSTCofins);

static void BM_ServicoParaLayOut(benchmark::State& state) {
  const std::string name = "nfeautorizacao";
  for (auto _ : state) {
    bool ok;
    benchmark::DoNotOptimize(ServicoParaLayOut(ok, name));
  }
}
BENCHMARK(BM_ServicoParaLayOut);

// Registry lookup takes a lock and copies the converter.
static void BM_TextoParaTpEventoDFe(benchmark::State& state) {
  const std::string code = "110111", kind = "NFe";
  for (auto _ : state) {
    bool ok;
    benchmark::DoNotOptimize(TextoParaTpEventoDFe(ok, code, kind));
  }
}
BENCHMARK(BM_TextoParaTpEventoDFe);

static void BM_TextoParaSchemaDFe(benchmark::State& state) {
  const std::string name = "procEventoNFe_v1.00.xsd";
  for (auto _ : state) benchmark::DoNotOptimize(TextoParaSchemaDFe(name));
}
BENCHMARK(BM_TextoParaSchemaDFe);

BENCHMARK_MAIN();
