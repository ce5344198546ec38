// Configuration tree: INI round trip and the folder builder on an existing folder.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <filesystem>

#include "component/TuimConfiguracoes.h"
#include "component/TuimNFe.h"
#include "fiscal/TuimIni.h"

using namespace tuim;

static void BM_SalvarIni(benchmark::State& state) {
  TConfiguracoesNFe c;
  c.SetChaveCriptIni("chave");
  c.Certificados().SetDadosPFX(std::string(4096, 'x'));
  c.Certificados().SetSenha("1234");
  for (auto _ : state) {
    TTuimIni ini;
    c.SalvarIni(ini);
    benchmark::DoNotOptimize(ini.Text());
  }
}
BENCHMARK(BM_SalvarIni);

static void BM_CarregarIni(benchmark::State& state) {
  TConfiguracoesNFe c;
  c.SetChaveCriptIni("chave");
  c.Certificados().SetDadosPFX(std::string(4096, 'x'));
  TTuimIni ini;
  c.SalvarIni(ini);
  std::string texto = ini.Text();
  for (auto _ : state) {
    TTuimIni lido;
    lido.SetText(texto);
    TConfiguracoesNFe d;
    d.SetChaveCriptIni("chave");
    d.CarregarIni(lido);
    benchmark::DoNotOptimize(d.Certificados().DadosPFX());
  }
}
BENCHMARK(BM_CarregarIni);

static void BM_MontarPath(benchmark::State& state) {
  std::string m = (std::filesystem::temp_directory_path() / "tuim-bench-XXXXXX").string();
  if (!mkdtemp(m.data())) {
    state.SkipWithError("no temporary folder");
    return;
  }
  TConfiguracoesNFe c;
  c.Arquivos().SetSepararPorCNPJ(true);
  c.Arquivos().SetSepararPorDia(true);
  c.Arquivos().SetSepararPorAno(true);
  c.Arquivos().SetAdicionarLiteral(true);
  TDateTime d = EncodeDate(2024, 3, 15);
  for (auto _ : state) benchmark::DoNotOptimize(c.Arquivos().MontarPath(m, "NFe", "12.345.678/0001-90", d, ""));
  std::error_code ec;
  std::filesystem::remove_all(m, ec);
}
BENCHMARK(BM_MontarPath);

BENCHMARK_MAIN();
