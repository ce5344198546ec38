// Document model: filling a 500-item document (then 1000, for the doubling check), copying it
// and clearing it. Processed form: joining a signed document of about 100 KB (then 200 KB)
// with its protocol; bytes processed are the document's, so the MB/s figures compare.
#include <benchmark/benchmark.h>

#include <string>

#include "fiscal/TuimCurrency.h"
#include "xml/TuimNFeClass.h"
#include "xml/TuimProcNFe.h"

using namespace tuim;

static void Preencher(TNFe& nfe, int itens) {
  nfe.infNFe.versao = 4.0;
  nfe.Ide.natOp = "VENDA";
  nfe.Emit.CNPJCPF = "11222333000181";
  for (int i = 1; i <= itens; ++i) {
    TDetCollectionItem& d = nfe.Det.New();
    TProd& p = d.Prod;
    p.nItem = i;
    p.cProd = "PROD-" + std::to_string(i);
    p.xProd = "Parafuso sextavado de aco inox 3/8";
    p.NCM = "73181500";
    p.CFOP = "5102";
    p.uCom = "UN";
    p.qCom = TCurrency::FromRaw(12345 + i);
    p.vUnCom = 12.3456;
    p.vProd = TCurrency::FromRaw(100050LL * i);
    p.rastro.New().nLote = "L" + std::to_string(i);
    d.Imposto.ICMS.CST = cstIcms00;
    d.Imposto.ICMS.vBC = p.vProd;
    d.Imposto.ICMS.pICMS = TCurrency(18);
    d.Imposto.PIS.CST = cstPis01;
    d.Imposto.COFINS.CST = cstCofins01;
    nfe.Total.ICMSTot.vProd += p.vProd;
  }
  nfe.pag.New().vPag = nfe.Total.ICMSTot.vProd;
}

static void BM_PreencherNFe(benchmark::State& state) {
  const int itens = static_cast<int>(state.range(0));
  for (auto _ : state) {
    TNFe nfe;
    Preencher(nfe, itens);
    benchmark::DoNotOptimize(nfe.Det.Count());
  }
  state.SetItemsProcessed(state.iterations() * itens);
}
BENCHMARK(BM_PreencherNFe)->Arg(500)->Arg(1000)->Unit(benchmark::kMicrosecond);

static void BM_CopiarNFe(benchmark::State& state) {
  const int itens = static_cast<int>(state.range(0));
  TNFe original;
  Preencher(original, itens);
  for (auto _ : state) {
    TNFe copia(original);
    benchmark::DoNotOptimize(copia.Det[itens - 1].Prod.nItem);
  }
  state.SetItemsProcessed(state.iterations() * itens);
}
BENCHMARK(BM_CopiarNFe)->Arg(500)->Arg(1000)->Unit(benchmark::kMicrosecond);

static std::string Documento(int kb) {
  const std::string chave = "35240511222333000181650010000000011123456785";
  std::string x = "<?xml version=\"1.0\" encoding=\"UTF-8\"?><NFe xmlns=\"http://www.portalfiscal.inf.br/nfe\">"
                  "<infNFe versao=\"4.00\" Id=\"NFe" + chave + "\">";
  for (int i = 1; x.size() < static_cast<std::size_t>(kb) * 1024; ++i)
    x += "<det nItem=\"" + std::to_string(i) + "\"><prod><cProd>PROD-" + std::to_string(i) +
         "</cProd><xProd>Parafuso sextavado de a\xC3\xA7o inox</xProd><qCom>1.0000</qCom><vProd>10.00</vProd></prod>"
         "</det>";
  x += "</infNFe><Signature xmlns=\"http://www.w3.org/2000/09/xmldsig#\"><SignedInfo/>"
       "<SignatureValue>AA==</SignatureValue></Signature></NFe>";
  return x;
}

static void BM_MontarProcNFe(benchmark::State& state) {
  const std::string nfe = Documento(static_cast<int>(state.range(0)));
  TProcNFe campos;
  campos.chNFe = "35240511222333000181650010000000011123456785";
  campos.nProt = "135240000000001";
  campos.Versao = "4.00";
  campos.cStat = 100;
  campos.xMotivo = "Autorizado o uso da NF-e";
  const std::string prot = campos.GerarProtNFe();
  for (auto _ : state) {
    TProcNFe p;
    p.XMLNFe = nfe;
    p.XMLProt = prot;
    p.Versao = "4.00";
    bool ok = p.MontarProcNFe();
    benchmark::DoNotOptimize(ok);
    benchmark::DoNotOptimize(p.Gerador().ArquivoFormatoXML().size());
  }
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(nfe.size()));
}
BENCHMARK(BM_MontarProcNFe)->Arg(100)->Arg(200)->Unit(benchmark::kMicrosecond);
BENCHMARK_MAIN();
