#include <benchmark/benchmark.h>

#include <string>

#include "fiscal/TuimChaveAcesso.h"
#include "fiscal/fscAuxiliar.h"

namespace {

const std::string kChave = "51240112345678000195650010000001231123456788";

void BM_DigitoChaveAcesso(benchmark::State& state) {
  const std::string k = kChave.substr(0, 43);
  for (auto _ : state) {
    int d = 0;
    benchmark::DoNotOptimize(tuim::DigitoChaveAcesso(k, d));
    benchmark::DoNotOptimize(d);
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_DigitoChaveAcesso);

void BM_DigitoChaveAcessoAlfanumerico(benchmark::State& state) {
  const std::string k = "3526050X0J92JY00019657001000000604144867901";
  for (auto _ : state) {
    int d = 0;
    benchmark::DoNotOptimize(tuim::DigitoChaveAcesso(k, d));
    benchmark::DoNotOptimize(d);
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_DigitoChaveAcessoAlfanumerico);

void BM_DecomporComporChave(benchmark::State& state) {
  for (auto _ : state) {
    tuim::AccessKeyFields f = tuim::DecomporChaveAcesso(kChave);
    benchmark::DoNotOptimize(f);
    std::string k = tuim::ComporChaveAcesso(f);
    benchmark::DoNotOptimize(k);
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_DecomporComporChave);

// The window's whole composition: field rules from eight editor texts, then the check digit.
void BM_CamposDosEditores(benchmark::State& state) {
  const tuim::TEditoresChave e{"51", "2401", "12345678000195", "65", "1", "123", "1", "12345678"};
  for (auto _ : state) {
    tuim::AccessKeyFields f = tuim::CamposDosEditores(e);
    benchmark::DoNotOptimize(f);
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_CamposDosEditores);

}  // namespace

BENCHMARK_MAIN();
