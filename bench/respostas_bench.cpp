// Reading answers: a distribution answer with 50 docZip (Base64, gunzip, each document read),
// the decompression of one document alone, and a receipt answer with 50 protocols.
#include <benchmark/benchmark.h>

#include <string>

#include "services/TuimRetDistDFeInt.h"
#include "services/TuimRetornosNFe.h"
#include "testing/RespostasTeste.h"

namespace {

const char* const kChave = "51240111222333000181550010000001231123456784";

void BM_DistribuicaoCom50DocZip(benchmark::State& state) {
  const std::string resposta = tuim::teste::LoteDistribuicao(50, kChave);
  for (auto _ : state) {
    tuim::TRetDistDFeInt r;
    r.Leitor().SetArquivo(resposta);
    bool ok = r.LerResposta();
    benchmark::DoNotOptimize(ok);
    if (!ok || r.docZip().Count() != 50) state.SkipWithError("answer not read");
  }
  state.SetItemsProcessed(state.iterations() * 50);
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(resposta.size()));
}
BENCHMARK(BM_DistribuicaoCom50DocZip)->Unit(benchmark::kMillisecond);

void BM_DescompactarDocZip(benchmark::State& state) {
  const std::string gz = tuim::teste::Compactar(tuim::ParaUTF8(tuim::teste::NFeProc(kChave, "Emitente")));
  for (auto _ : state) {
    std::string doc = tuim::DescompactarDocZip(gz);
    benchmark::DoNotOptimize(doc);
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_DescompactarDocZip);

void BM_ReciboCom50Protocolos(benchmark::State& state) {
  std::string resposta = std::string("<retConsReciNFe versao=\"4.00\" ") + tuim::teste::kNsNFe +
                         "><tpAmb>2</tpAmb><verAplic>SVRS</verAplic><nRec>511000012345678</nRec><cStat>104</cStat>"
                         "<xMotivo>Lote processado</xMotivo><cUF>51</cUF>";
  for (int i = 1; i <= 50; ++i)
    resposta += std::string("<protNFe versao=\"4.00\"><infProt><tpAmb>2</tpAmb><verAplic>SVRS</verAplic><chNFe>") +
                kChave + "</chNFe><dhRecbto>2024-01-10T09:16:02-04:00</dhRecbto><nProt>" + tuim::teste::NSU(i) +
                "</nProt><digVal>q0d3lC2nLr9w4ZbNfK1s0tJQb6M=</digVal><cStat>100</cStat>"
                "<xMotivo>Autorizado o uso da NF-e</xMotivo></infProt></protNFe>";
  resposta += "</retConsReciNFe>";
  for (auto _ : state) {
    tuim::TRetConsReciDFe r;
    r.Leitor().SetArquivo(resposta);
    bool ok = r.LerResposta();
    benchmark::DoNotOptimize(ok);
    if (!ok || r.ProtDFe().Count() != 50) state.SkipWithError("answer not read");
  }
  state.SetItemsProcessed(state.iterations() * 50);
}
BENCHMARK(BM_ReciboCom50Protocolos);

}  // namespace

BENCHMARK_MAIN();
