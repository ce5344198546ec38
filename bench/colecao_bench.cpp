// The document collection end to end, next to one bare RSA-2048 signature with the same key:
// model -> signed XML for 10 and 500 items, and schema validation of the signed 10-item NF-e with
// the compiled schema cached. Peak heap of the 500-item run (the whole process, key included):
//   heaptrack build/bench/colecao_bench --benchmark_filter='GerarAssinarNFe/500$'
#include <benchmark/benchmark.h>

#include <string>

#include "bench/ChaveBench.h"
#include "component/TuimNFe.h"
#include "component/TuimNotasFiscais.h"
#include "fiscal/TuimDateTime.h"
#include "fiscal/fscAuxiliar.h"
#include "security/TuimDFeSSL.h"
#include "testing/NFeConstrutor.h"

namespace {

using namespace tuim;

void Configurar(TTuimNFe& c) {
  TConfiguracoesNFe& conf = c.Configuracoes();
  conf.Geral().SetSSLCryptLib(cryOpenSSL);
  conf.Geral().SetSSLXmlSignLib(xsLibXml2);
  conf.Certificados().SetDadosPFX(bench::Chave().pfx);
  conf.Certificados().SetSenha("1234");
  conf.WebServices().SetUF("SP");
  conf.WebServices().SetAmbiente(taHomologacao);
  conf.WebServices().TimeZoneConf().SetModoDeteccao(tzFSC);
  conf.Arquivos().SetSalvar(false);
}

void BM_GerarAssinarNFe(benchmark::State& state) {
  TTuimNFe c;
  Configurar(c);
  NotaFiscal& nf = c.NotasFiscais().Add();
  teste::PreencherNFe(nf.NFe(), static_cast<int>(state.range(0)));
  c.SSL().GarantirCertificado();
  for (auto _ : state) {
    nf.Assinar();
    benchmark::DoNotOptimize(nf.XMLAssinado().size());
  }
  state.counters["bytes"] = static_cast<double>(nf.XMLAssinado().size());
}
BENCHMARK(BM_GerarAssinarNFe)->Arg(10)->Arg(500)->Unit(benchmark::kMillisecond);

void BM_GerarNFe(benchmark::State& state) {
  TTuimNFe c;
  Configurar(c);
  NotaFiscal& nf = c.NotasFiscais().Add();
  teste::PreencherNFe(nf.NFe(), static_cast<int>(state.range(0)));
  for (auto _ : state) benchmark::DoNotOptimize(nf.GerarXML().size());
}
BENCHMARK(BM_GerarNFe)->Arg(10)->Arg(500)->Unit(benchmark::kMillisecond);

void BM_ValidarSchemaNFe10Itens(benchmark::State& state) {
  TTuimNFe c;
  Configurar(c);
  NotaFiscal& nf = c.NotasFiscais().Add();
  teste::PreencherNFe(nf.NFe(), 10);
  nf.Assinar();
  const std::string xml = nf.XMLAssinado();
  const std::string xsd = std::string(TUIM_SOURCE_DIR) + "/schemas/PL_009_V4/nfe_v4.00.xsd";
  std::string msg;
  if (!c.SSL().Validar(xml, xsd, msg)) state.SkipWithError(msg.c_str());  // also compiles the schema once
  for (auto _ : state) {
    bool ok = c.SSL().Validar(xml, xsd, msg);
    if (!ok) state.SkipWithError(msg.c_str());
    benchmark::DoNotOptimize(ok);
  }
}
BENCHMARK(BM_ValidarSchemaNFe10Itens)->Unit(benchmark::kMicrosecond);

void BM_AssinaturaRSAPura(benchmark::State& state) {
  TTuimNFe c;
  Configurar(c);
  c.SSL().GarantirCertificado();
  const std::string dados(400, 'x');  // about the size of a canonical SignedInfo
  for (auto _ : state) benchmark::DoNotOptimize(c.SSL().CalcHash(dados, dgstSHA1, fhBinario, true));
}
BENCHMARK(BM_AssinaturaRSAPura)->Unit(benchmark::kMillisecond);

}  // namespace
BENCHMARK_MAIN();
