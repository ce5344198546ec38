// The writer with and without its simultaneous TXT output: what the text layout costs.
#include <benchmark/benchmark.h>

#include "fiscal/TuimDateTime.h"
#include "xml/TuimLayoutTXT.h"
#include "xml/TuimNFeW.h"

namespace {

using namespace tuim;

TNFe Documento(int itens) {
  TNFe n;
  n.infNFe.versao = 4.00;
  n.Ide.cUF = 35;
  n.Ide.natOp = "VENDA";
  n.Ide.modelo = 55;
  n.Ide.serie = 1;
  n.Ide.nNF = 123;
  n.Ide.dEmi = EncodeDateTime(2024, 5, 10, 10, 20, 30);
  n.Ide.cMunFG = 3550308;
  n.Ide.verProc = "Tuim";
  n.Emit.CNPJCPF = "11222333000181";
  n.Emit.xNome = "EMPRESA EMITENTE LTDA";
  n.Emit.EnderEmit.xLgr = "RUA DAS FLORES";
  n.Emit.EnderEmit.nro = "7";
  n.Emit.EnderEmit.xBairro = "CENTRO";
  n.Emit.EnderEmit.cMun = 3550308;
  n.Emit.EnderEmit.xMun = "SAO PAULO";
  n.Emit.EnderEmit.UF = "SP";
  n.Emit.EnderEmit.CEP = 1001000;
  n.Emit.IE = "110042490114";
  n.Dest.CNPJCPF = "11444777000161";
  n.Dest.xNome = "CLIENTE LTDA";
  n.Dest.EnderDest.xLgr = "AV PAULISTA";
  n.Dest.EnderDest.nro = "1000";
  n.Dest.EnderDest.xBairro = "BELA VISTA";
  n.Dest.EnderDest.cMun = 3550308;
  n.Dest.EnderDest.xMun = "SAO PAULO";
  n.Dest.EnderDest.UF = "SP";
  for (int i = 1; i <= itens; ++i) {
    TDetCollectionItem& item = n.Det.New();
    item.Prod.nItem = i;
    item.Prod.cProd = std::to_string(i);
    item.Prod.cEAN = "SEM GTIN";
    item.Prod.xProd = "PRODUTO " + std::to_string(i);
    item.Prod.NCM = "22030000";
    item.Prod.CFOP = "5102";
    item.Prod.uCom = "UN";
    item.Prod.qCom = 1;
    item.Prod.vUnCom = 10;
    item.Prod.vProd = 10;
    item.Prod.cEANTrib = "SEM GTIN";
    item.Prod.uTrib = "UN";
    item.Prod.qTrib = 1;
    item.Prod.vUnTrib = 10;
    item.Imposto.ICMS.vBC = 10;
    item.Imposto.ICMS.pICMS = 18;
  }
  n.pag.New().vPag = 10;
  return n;
}

void WriterNFe400(benchmark::State& state) {
  TNFe n = Documento(static_cast<int>(state.range(0)));
  TNFeW w(&n);
  w.Opcoes().SetGerarTXTSimultaneamente(state.range(1) != 0);
  for (auto _ : state) {
    w.EscreverNFe();
    benchmark::DoNotOptimize(w.Gerador().ArquivoFormatoTXT().size());
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
// Items per document; 0 writes the XML only, 1 the text alongside.
BENCHMARK(WriterNFe400)->ArgsProduct({{1, 50, 500}, {0, 1}});

void LoadLayout400(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(LayoutTXT("4.00").size());
}
BENCHMARK(LoadLayout400);

}  // namespace

BENCHMARK_MAIN();
