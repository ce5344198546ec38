// Generator: a document of N items of 30 fields each (N = 500, then 1000 for the doubling
// check). Reader: 1000 fields read from a 200 KB answer of repeated groups (then 2000 from
// 400 KB). Bytes processed are the XML written or the answer read, so the MB/s figures compare.
#include <benchmark/benchmark.h>

#include <string>

#include "fiscal/TuimCurrency.h"
#include "fiscal/TuimDateTime.h"
#include "xml/TuimGerador.h"
#include "xml/TuimLeitor.h"

using namespace tuim;

static void EscreverItem(TGerador& g, int i) {
  const TDateTime dt = EncodeDateTime(2024, 3, 25, 14, 30, 45);
  g.EscreverGrupo("det nItem=\"" + std::to_string(i) + "\"", "H01");
  g.EscreverGrupo("prod", "I01");
  g.EscreverCampo(fcTexto, "I02", "cProd", 1, 60, 1, "PROD-" + std::to_string(i), "Código do produto");
  g.EscreverCampo(fcTexto, "I03", "cEAN", 0, 14, 1, "SEM GTIN");
  g.EscreverCampo(fcTexto, "I04", "xProd", 1, 120, 1, "Parafuso sextavado & porca <inox> de aço 3/8\"", "Descrição");
  g.EscreverCampo(fcTexto, "I05", "NCM", 2, 8, 1, "73181500");
  g.EscreverCampo(fcInteiro, "I06", "CFOP", 4, 4, 1, 5102);
  g.EscreverCampo(fcTexto, "I09", "uCom", 1, 6, 1, "UN");
  g.EscreverCampo(fcDecimal4, "I10", "qCom", 1, 15, 1, TCurrency::FromRaw(12345 + i));
  g.EscreverCampo(fcDecimal10, "I10a", "vUnCom", 1, 21, 1, TCurrency::FromRaw(1234567));
  g.EscreverCampo(fcDecimal2, "I11", "vProd", 1, 15, 1, TCurrency::FromRaw(100050 * i));
  g.EscreverCampo(fcTexto, "I12", "cEANTrib", 0, 14, 1, "SEM GTIN");
  g.EscreverCampo(fcTexto, "I13", "uTrib", 1, 6, 1, "UN");
  g.EscreverCampo(fcDecimal4, "I14", "qTrib", 1, 15, 1, 1.5);
  g.EscreverCampo(fcDecimal10, "I14a", "vUnTrib", 1, 21, 1, 12.3456789);
  g.EscreverCampo(fcDecimal2, "I15", "vFrete", 1, 15, 0, TCurrency());
  g.EscreverCampo(fcDecimal2, "I16", "vSeg", 1, 15, 0, TCurrency::FromRaw(500));
  g.EscreverCampo(fcDecimal2, "I17", "vDesc", 1, 15, 0, TCurrency::FromRaw(2500));
  g.EscreverCampo(fcInteiro, "I17b", "indTot", 1, 1, 1, 1);
  g.EscreverCampo(fcTexto, "I18", "xPed", 1, 15, 0, "PED" + std::to_string(i));
  g.EscreverCampo(fcInteiro, "I19", "nItemPed", 1, 6, 0, i);
  g.EscreverCampo(fcDataHora, "I20", "dhFab", 0, 19, 0, dt);
  g.EscreverCampo(fcData, "I21", "dVal", 10, 10, 0, dt);
  g.EscreverCampo(fcDigitos, "I22", "cBenef", 8, 10, 0, "12345678");
  g.EscreverCampoCNPJCPF("I23", "I23a", "11.222.333/0001-81");
  g.EscreverCampo(fcTexto, "I24", "xLote", 1, 20, 0, "LOTE  001\r\nB");
  g.EscreverCampo(fcDecimal3, "I25", "qLote", 1, 11, 0, TCurrency::FromRaw(10000));
  g.EscreverCampo(fcTexto, "I26", "cAgreg", 1, 20, 0, "");
  g.EscreverCampo(fcTextoZeros, "I27", "cProdANP", 9, 9, 0, "21010");
  g.EscreverCampo(fcTexto, "I28", "xNome", 0, 60, 1, std::string(61, 'x'));  // records an alert
  g.EscreverCampo(fcTexto, "I29", "infAdProd", 1, 500, 0, "Informação adicional do item");
  g.EscreverGrupo("/prod");
  g.EscreverGrupo("/det");
}

static void BM_GerarDocumento(benchmark::State& state) {
  const int itens = static_cast<int>(state.range(0));
  std::size_t bytes = 0;
  for (auto _ : state) {
    TGerador g;
    g.EscreverGrupo("NFe xmlns=\"http://www.portalfiscal.inf.br/nfe\"");
    g.EscreverGrupo("infNFe Id=\"NFe1\" versao=\"4.00\"");
    for (int i = 1; i <= itens; ++i) EscreverItem(g, i);
    g.EscreverGrupo("/infNFe");
    g.EscreverGrupo("/NFe");
    bytes = g.ArquivoFormatoXML().size();
    benchmark::DoNotOptimize(g.ArquivoFormatoXML().data());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(bytes) * state.iterations());
  state.counters["xml_bytes"] = static_cast<double>(bytes);
}
BENCHMARK(BM_GerarDocumento)->Arg(500)->Arg(1000)->Unit(benchmark::kMillisecond);

// A receipt answer of `grupos` protNFe groups padded to 800 bytes each, 4 fields read per group.
static std::string Resposta(int grupos) {
  std::string r = "<retConsReciNFe versao=\"4.00\"><tpAmb>1</tpAmb><cStat>104</cStat>";
  for (int i = 0; i < grupos; ++i) {
    std::string g = "<protNFe versao=\"4.00\"><infProt Id=\"ID" + std::to_string(i) +
                    "\"><tpAmb>1</tpAmb><verAplic>MT-4.0</verAplic><chNFe>5124031122233300018165001000000" +
                    std::to_string(100000 + i) + "1</chNFe><dhRecbto>2024-03-25T14:30:45-04:00</dhRecbto>"
                    "<nProt>151240000" + std::to_string(100000 + i) + "</nProt><digVal>";
    g += std::string(800 - g.size() - 80, 'A');
    g += "</digVal><cStat>100</cStat><xMotivo>Autorizado o uso da NF-e</xMotivo></infProt></protNFe>";
    r += g;
  }
  r += "</retConsReciNFe>";
  return r;
}

static void BM_LerCampos(benchmark::State& state) {
  const int campos = static_cast<int>(state.range(0));
  const int grupos = campos / 4;
  const std::string resposta = Resposta(grupos);
  for (auto _ : state) {
    TLeitor l;
    l.SetArquivo(resposta);
    l.ExtrairGrupo(1, "retConsReciNFe");
    std::int64_t soma = 0;
    for (int k = 1; k <= grupos; ++k) {
      l.ExtrairGrupo(2, "protNFe", "", k);
      soma += l.LerCampo(fcInteiro, "cStat").AsInt64();
      soma += static_cast<std::int64_t>(l.LerCampo(fcDataHora, "dhRecbto").AsDateTime());
      soma += static_cast<std::int64_t>(l.LerCampo(fcTexto, "chNFe").AsString().size());
      soma += static_cast<std::int64_t>(l.LerCampo(fcTexto, "xMotivo").AsString().size());
    }
    benchmark::DoNotOptimize(soma);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(resposta.size()) * state.iterations());
  state.counters["answer_bytes"] = static_cast<double>(resposta.size());
}
BENCHMARK(BM_LerCampos)->Arg(1000)->Arg(2000)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
