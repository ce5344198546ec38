#include <benchmark/benchmark.h>

#include <string>

#include "fiscal/TuimDFeUtil.h"
#include "fiscal/fscAuxiliar.h"

namespace {

const std::string kChave = "51170111222333000181650010000001231876543218";
const std::string kChaveAlfa = "52190412ABC34501DE35550010000007771246813570";
const std::string kChavePontuada = "5117 0111 2223 3300 0181 6500 1000 0001 2318 7654 3218";

void BM_ValidarChaveAcesso(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(tuim::ValidarChaveAcesso(kChave));
}
BENCHMARK(BM_ValidarChaveAcesso);

void BM_ValidarChaveAcessoAlfanumerica(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(tuim::ValidarChaveAcesso(kChaveAlfa));
}
BENCHMARK(BM_ValidarChaveAcessoAlfanumerica);

void BM_ValidarChaveAcessoPontuada(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(tuim::ValidarChaveAcesso(kChavePontuada));
}
BENCHMARK(BM_ValidarChaveAcessoPontuada);

void BM_GerarChaveAcesso(benchmark::State& state) {
  tuim::TDateTime d = tuim::EncodeDate(2017, 1, 15);
  for (auto _ : state)
    benchmark::DoNotOptimize(tuim::GerarChaveAcesso(51, d, "11222333000181", 1, 123, 1, 87654321, 65));
}
BENCHMARK(BM_GerarChaveAcesso);

void BM_GerarCodigoNumerico(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(tuim::GerarCodigoNumerico(123));
}
BENCHMARK(BM_GerarCodigoNumerico);

void BM_FusoHorarioSistema(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(tuim::FusoHorarioSistema());
}
BENCHMARK(BM_FusoHorarioSistema);

void BM_DecodificarEntidadesXML(benchmark::State& state) {
  std::string s;
  for (int i = 0; i < 100; ++i) s += "Caf&#xE9; &amp; p&#227;o &lt;b&gt; ";
  for (auto _ : state) benchmark::DoNotOptimize(tuim::DecodificarEntidadesXML(s));
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(s.size()));
}
BENCHMARK(BM_DecodificarEntidadesXML);

}  // namespace

BENCHMARK_MAIN();
