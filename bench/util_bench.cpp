#include <benchmark/benchmark.h>

#include <string>

#include "fiscal/TuimUtil.h"

using namespace tuim;

namespace {

// 1 MB of Portuguese-looking Windows-1252 text: mostly ASCII with accented letters.
std::string Texto1MB() {
  const std::string frase = "Nota fiscal de consumidor eletr\xF4nica - emiss\xE3o em conting\xEAncia; a\xE7\xE3o \x96 ";
  std::string s;
  while (s.size() < (1u << 20)) s += frase;
  s.resize(1u << 20);
  return s;
}

void BM_ParaUTF8_1MB(benchmark::State& st) {
  const std::string s = Texto1MB();
  for (auto _ : st) benchmark::DoNotOptimize(ParaUTF8(s));
  st.SetBytesProcessed(static_cast<int64_t>(st.iterations()) * static_cast<int64_t>(s.size()));
}
BENCHMARK(BM_ParaUTF8_1MB);

void BM_DeUTF8_1MB(benchmark::State& st) {
  const std::string u = ParaUTF8(Texto1MB());
  for (auto _ : st) benchmark::DoNotOptimize(DeUTF8(u));
  st.SetBytesProcessed(static_cast<int64_t>(st.iterations()) * static_cast<int64_t>(u.size()));
}
BENCHMARK(BM_DeUTF8_1MB);

void BM_RemoverAcentos_1MB(benchmark::State& st) {
  const std::string s = Texto1MB();
  for (auto _ : st) benchmark::DoNotOptimize(RemoverAcentos(s));
  st.SetBytesProcessed(static_cast<int64_t>(st.iterations()) * static_cast<int64_t>(s.size()));
}
BENCHMARK(BM_RemoverAcentos_1MB);

void BM_TextoParaNumero(benchmark::State& st) {
  const char* const valores[] = {" 12,5 ", "1234.5678", "-0,01", "99999999.99"};
  std::size_t i = 0;
  for (auto _ : st) benchmark::DoNotOptimize(TextoParaNumero(valores[i++ & 3]));
}
BENCHMARK(BM_TextoParaNumero);

void BM_FormatarNumeroBr(benchmark::State& st) {
  double x = 9876.5;
  for (auto _ : st) {
    benchmark::DoNotOptimize(FormatarNumeroBr(x));
    x += 0.01;
  }
}
BENCHMARK(BM_FormatarNumeroBr);

void BM_ExtrairConteudoTag(benchmark::State& st) {
  std::string xml = "<soap:Envelope><soap:Body><ns2:nfeResultMsg>";
  for (int i = 0; i < 200; ++i) xml += "<item n=\"" + std::to_string(i) + "\">valor</item>";
  xml += "<ns2:retConsStatServ><cStat>107</cStat></ns2:retConsStatServ></ns2:nfeResultMsg></soap:Body></soap:Envelope>";
  for (auto _ : st) benchmark::DoNotOptimize(ExtrairConteudoTag(xml, "retConsStatServ"));
}
BENCHMARK(BM_ExtrairConteudoTag);

}  // namespace
BENCHMARK_MAIN();
