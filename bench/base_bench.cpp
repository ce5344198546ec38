#include <benchmark/benchmark.h>

#include "fiscal/TuimCurrency.h"
#include "fiscal/TuimDateTime.h"

static void BM_CurrencyToString(benchmark::State& state) {
  tuim::TCurrency c = tuim::TCurrency::FromRaw(123456789);
  for (auto _ : state) benchmark::DoNotOptimize(c.ToString(2));
}
BENCHMARK(BM_CurrencyToString);

static void BM_DecodeDateTime(benchmark::State& state) {
  tuim::TDateTime dt = tuim::EncodeDateTime(2024, 3, 25, 14, 30, 45);
  for (auto _ : state) {
    int y, m, d, h, n, s, ms;
    tuim::DecodeDateTime(dt, y, m, d, h, n, s, ms);
    benchmark::DoNotOptimize(y + m + d + h + n + s + ms);
  }
}
BENCHMARK(BM_DecodeDateTime);

BENCHMARK_MAIN();
