// Enveloped XML signatures of NF-e-shaped documents of 10 KB and 100 KB: sign, verify, and one
// bare RSA-2048 signature with the same key (the physical floor). For xmlsec1's own figure:
//   time xmlsec1 --sign --pkcs12 KEY.pfx --pwd 1234 --id-attr:Id http://www.portalfiscal.inf.br/nfe:infNFe T.xml
#include <benchmark/benchmark.h>

#include <libxml/c14n.h>
#include <libxml/parser.h>
#include <libxml/xmlIO.h>
#include <openssl/evp.h>
#include <openssl/pkcs12.h>
#include <openssl/x509.h>

#include <memory>
#include <string>

#include "bench/ChaveBench.h"
#include "security/TuimDFeSSL.h"

namespace {

const std::string& Pfx() { return tuim::bench::Chave().pfx; }

std::unique_ptr<tuim::TDFeSSL> Facade() {
  auto ssl = std::make_unique<tuim::TDFeSSL>();
  ssl->SetSSLCryptLib(tuim::cryOpenSSL);
  ssl->SetSSLXmlSignLib(tuim::xsLibXml2);
  ssl->SetDadosPFX(Pfx());
  ssl->SetSenha("1234");
  ssl->GarantirCertificado();
  return ssl;
}

// An NF-e with as many items as it takes to reach `bytes`.
std::string Documento(std::size_t bytes) {
  std::string d = "<NFe xmlns=\"http://www.portalfiscal.inf.br/nfe\"><infNFe Id=\"NFe51240112345678000195550010000000011000000013\" "
                  "versao=\"4.00\"><ide><natOp>VENDA</natOp></ide>";
  for (int i = 1; d.size() < bytes; ++i)
    d += "<det nItem=\"" + std::to_string(i) + "\"><prod><cProd>" + std::to_string(1000 + i) +
         "</cProd><xProd>PRODUTO DE TESTE NUMERO " + std::to_string(i) +
         "</xProd><NCM>61091000</NCM><CFOP>5102</CFOP><uCom>UN</uCom><qCom>1.0000</qCom><vUnCom>10.00</vUnCom>"
         "<vProd>10.00</vProd></prod></det>";
  return d + "</infNFe></NFe>";
}

void BM_Assinar(benchmark::State& state) {
  auto ssl = Facade();
  std::string doc = Documento(static_cast<std::size_t>(state.range(0)) * 1024);
  for (auto _ : state) benchmark::DoNotOptimize(ssl->Assinar(doc, "NFe", "infNFe"));
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(doc.size()));
}
BENCHMARK(BM_Assinar)->Arg(10)->Arg(100)->Unit(benchmark::kMillisecond);

void BM_Verificar(benchmark::State& state) {
  auto ssl = Facade();
  std::string assinado = ssl->Assinar(Documento(static_cast<std::size_t>(state.range(0)) * 1024), "NFe", "infNFe");
  std::string msg;
  for (auto _ : state) {
    bool ok = ssl->SSLXmlSignClass().ValidarAssinatura(assinado, msg, "infNFe");
    if (!ok) state.SkipWithError("signature did not verify");
    benchmark::DoNotOptimize(ok);
  }
}
BENCHMARK(BM_Verificar)->Arg(10)->Arg(100)->Unit(benchmark::kMillisecond);

void BM_AssinaturaRSAPura(benchmark::State& state) {
  auto ssl = Facade();
  const std::string dados(400, 'x');  // about the size of a canonical SignedInfo
  for (auto _ : state) benchmark::DoNotOptimize(ssl->CalcHash(dados, tuim::dgstSHA1, tuim::fhBinario, true));
}
BENCHMARK(BM_AssinaturaRSAPura)->Unit(benchmark::kMillisecond);

// The floor libxml2 sets for any signer or verifier that canonicalises through it: parse the
// document with a reused context, canonicalise all of it (no node-set callback) straight into a
// SHA-1, and free the tree. Nothing of ours runs here.
int EscreverNoHash(void* ctx, const char* buf, int len) {
  return EVP_DigestUpdate(static_cast<EVP_MD_CTX*>(ctx), buf, static_cast<std::size_t>(len)) == 1 ? len : -1;
}
int Fechar(void*) { return 0; }

void BM_PisoLibXml2(benchmark::State& state) {
  const std::string doc = Documento(static_cast<std::size_t>(state.range(0)) * 1024);
  xmlParserCtxt* ctxt = xmlNewParserCtxt();
  const int opcoes = XML_PARSE_NOENT | XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING | XML_PARSE_COMPACT;
  EVP_MD_CTX* md = EVP_MD_CTX_new();
  for (auto _ : state) {
    xmlDoc* d = xmlCtxtReadMemory(ctxt, doc.data(), static_cast<int>(doc.size()), nullptr, nullptr, opcoes);
    EVP_DigestInit_ex(md, EVP_sha1(), nullptr);
    xmlOutputBuffer* saida = xmlOutputBufferCreateIO(EscreverNoHash, Fechar, md, nullptr);
    int r = xmlC14NExecute(d, nullptr, nullptr, XML_C14N_1_0, nullptr, 0, saida);
    xmlOutputBufferClose(saida);
    unsigned char h[EVP_MAX_MD_SIZE];
    unsigned int n = 0;
    EVP_DigestFinal_ex(md, h, &n);
    xmlFreeDoc(d);
    if (r < 0) state.SkipWithError("canonicalisation failed");
    benchmark::DoNotOptimize(h);
  }
  EVP_MD_CTX_free(md);
  xmlFreeParserCtxt(ctxt);
}
BENCHMARK(BM_PisoLibXml2)->Arg(10)->Arg(100)->Unit(benchmark::kMillisecond);

}  // namespace
BENCHMARK_MAIN();
