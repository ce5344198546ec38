// The document collection end to end, next to one bare RSA-2048 signature with the same key:
// model -> signed XML for 10 and 500 items, and schema validation of the signed 10-item NF-e with
// the compiled schema cached. Peak memory of the 500-item run:
//   /usr/bin/time -v build/bench/colecao_bench --benchmark_filter=500
#include <benchmark/benchmark.h>

#include <string>

#include "bench/ChaveBench.h"
#include "component/TuimNFe.h"
#include "component/TuimNotasFiscais.h"
#include "fiscal/TuimDateTime.h"
#include "fiscal/fscAuxiliar.h"
#include "security/TuimDFeSSL.h"

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

void Preencher(TNFe& n, int itens) {
  n.Ide.cUF = 35;
  n.Ide.cNF = 12345678;
  n.Ide.natOp = "VENDA";
  n.Ide.serie = 1;
  n.Ide.nNF = 42;
  n.Ide.dEmi = EncodeDateTime(2024, 5, 10, 10, 20, 30);
  n.Ide.cMunFG = 3550308;
  n.Ide.tpImp = tiRetrato;
  n.Ide.indFinal = indFinal1;
  n.Ide.indPres = indPres1;
  n.Emit.CNPJCPF = "11222333000181";
  n.Emit.xNome = "EMPRESA TESTE LTDA";
  n.Emit.EnderEmit.xLgr = "RUA DAS FLORES";
  n.Emit.EnderEmit.nro = "7";
  n.Emit.EnderEmit.xBairro = "CENTRO";
  n.Emit.EnderEmit.cMun = 3550308;
  n.Emit.EnderEmit.xMun = "SAO PAULO";
  n.Emit.EnderEmit.UF = "SP";
  n.Emit.EnderEmit.CEP = 1001000;
  n.Emit.IE = "110042490114";
  n.Emit.CRT = crt1;
  n.Dest.CNPJCPF = "11444777000161";
  n.Dest.xNome = "CLIENTE LTDA";
  n.Dest.EnderDest.xLgr = "AV PAULISTA";
  n.Dest.EnderDest.nro = "1000";
  n.Dest.EnderDest.xBairro = "BELA VISTA";
  n.Dest.EnderDest.cMun = 3550308;
  n.Dest.EnderDest.xMun = "SAO PAULO";
  n.Dest.EnderDest.UF = "SP";
  n.Dest.EnderDest.CEP = 1310100;
  n.Dest.indIEDest = indIEDest9;
  for (int i = 1; i <= itens; ++i) {
    TDetCollectionItem& item = n.Det.New();
    TProd& p = item.Prod;
    p.nItem = i;
    p.cProd = std::to_string(i);
    p.cEAN = "SEM GTIN";
    p.xProd = "PRODUTO DE TESTE NUMERO " + std::to_string(i);
    p.NCM = "22030000";
    p.CFOP = "5102";
    p.uCom = "UN";
    p.qCom = 2;
    p.vUnCom = 5;
    p.vProd = 10;
    p.cEANTrib = "SEM GTIN";
    p.uTrib = "UN";
    p.qTrib = 2;
    p.vUnTrib = 5;
    item.Imposto.ICMS.CSOSN = csosn102;
    item.Imposto.PIS.CST = cstPis07;
    item.Imposto.COFINS.CST = cstCofins07;
  }
  n.Total.ICMSTot.vProd = 10 * itens;
  n.Total.ICMSTot.vNF = 10 * itens;
  n.Transp.modFrete = modFrete9;
  TpagCollectionItem& pag = n.pag.New();
  pag.tPag = tPag01;
  pag.vPag = 10 * itens;
}

void BM_GerarAssinarNFe(benchmark::State& state) {
  TTuimNFe c;
  Configurar(c);
  NotaFiscal& nf = c.NotasFiscais().Add();
  Preencher(nf.NFe(), static_cast<int>(state.range(0)));
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
  Preencher(nf.NFe(), static_cast<int>(state.range(0)));
  for (auto _ : state) benchmark::DoNotOptimize(nf.GerarXML().size());
}
BENCHMARK(BM_GerarNFe)->Arg(10)->Arg(500)->Unit(benchmark::kMillisecond);

void BM_ValidarSchemaNFe10Itens(benchmark::State& state) {
  TTuimNFe c;
  Configurar(c);
  NotaFiscal& nf = c.NotasFiscais().Add();
  Preencher(nf.NFe(), 10);
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
