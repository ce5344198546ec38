// Item column texts of a DANFE with 990 items (the most a document holds): the description
// with its additional information, and the whole row of item columns.
#include <benchmark/benchmark.h>

#include <string>

#include "report/TuimDFeDANFeReport.h"

using namespace tuim;

namespace {

TNFe Documento() {
  TNFe nfe;
  for (int i = 0; i < 990; ++i) {
    TDetCollectionItem& d = nfe.Det.New();
    d.Prod.nItem = i + 1;
    d.Prod.cProd = "P-" + std::to_string(i + 1);
    d.Prod.cEAN = i % 3 == 0 ? "SEM GTIN" : "7891234567895";
    d.Prod.xProd = "Camiseta de algod\xE3o tamanho M\xC9" "DIO " + std::to_string(i + 1);
    d.Prod.uCom = "UN";
    d.Prod.uTrib = i % 2 ? "CX" : "";
    d.Prod.qCom = TCurrency::FromDouble(1.5 + i);
    d.Prod.qTrib = TCurrency::FromDouble(i % 2 ? 0.125 : 0);
    d.Prod.vUnCom = 19.9 + i;
    d.Prod.vUnTrib = i % 2 ? 159.2 : 0;
    d.Prod.vProd = TCurrency::FromDouble((1.5 + i) * (19.9 + i));
    d.Prod.vDesc = TCurrency::FromDouble(i % 5);
    d.infAdProd = "Lote " + std::to_string(1000 + i) + ";Validade 12/2027;Cor: AZUL-MARINHO; Tamanho: M\xC9" "DIO";
  }
  return nfe;
}

void BM_DescricaoItens990(benchmark::State& state) {
  const TNFe nfe = Documento();
  TTuimDFeDANFeReport danfe;
  std::size_t total = 0;
  for (auto _ : state) {
    for (int i = 0; i < nfe.Det.Count(); ++i) {
      std::string descricao = nfe.Det[i].Prod.xProd + danfe.InfAdicionalProduto(nfe, i);
      total += descricao.size();
      benchmark::DoNotOptimize(descricao);
    }
  }
  benchmark::DoNotOptimize(total);
  state.SetItemsProcessed(state.iterations() * nfe.Det.Count());
}
BENCHMARK(BM_DescricaoItens990);

void BM_ColunasItens990(benchmark::State& state) {
  const TNFe nfe = Documento();
  TTuimDFeDANFeReport danfe;
  danfe.SetImprimeCodigoEan(true);
  for (auto _ : state) {
    for (int i = 0; i < nfe.Det.Count(); ++i) {
      const TProd& p = nfe.Det[i].Prod;
      std::string linha = danfe.CodigoProduto(p.cEAN, p.cProd);
      linha += p.xProd + danfe.InfAdicionalProduto(nfe, i);
      linha += danfe.Unidades(p.uCom, p.uTrib);
      linha += danfe.Quantidades(p.qCom.ToDouble(), p.qTrib.ToDouble());
      linha += danfe.ValoresUnitarios(p.vUnCom, p.vUnTrib);
      linha += danfe.TotalItem(p.vDesc, p.vProd);
      benchmark::DoNotOptimize(linha);
    }
  }
  state.SetItemsProcessed(state.iterations() * nfe.Det.Count());
}
BENCHMARK(BM_ColunasItens990);

}  // namespace

BENCHMARK_MAIN();
