// Event batches of 20 cancellations: writing alone, and writing plus signing every event
// (20 RSA-2048 signatures), in batches per second; plus the request messages written alone.
#include <benchmark/benchmark.h>

#include <openssl/evp.h>
#include <openssl/pkcs12.h>
#include <openssl/x509.h>

#include <memory>
#include <string>

#include "fiscal/fscAuxiliar.h"
#include "security/TuimDFeSSL.h"
#include "services/TuimEventoNFe.h"
#include "services/TuimMensagensNFe.h"

namespace {

const char* const kChave = "51240111222333000181550010000001231123456784";

const std::string& Pfx() {
  static const std::string pfx = [] {
    EVP_PKEY* k = EVP_RSA_gen(2048);
    X509* x = X509_new();
    ASN1_INTEGER_set(X509_get_serialNumber(x), 1);
    X509_gmtime_adj(X509_getm_notBefore(x), 0);
    X509_gmtime_adj(X509_getm_notAfter(x), 3600L * 24 * 365);
    X509_set_pubkey(x, k);
    X509_NAME* n = X509_get_subject_name(x);
    X509_NAME_add_entry_by_txt(n, "CN", MBSTRING_ASC, reinterpret_cast<const unsigned char*>("BENCH:11222333000181"),
                               -1, -1, 0);
    X509_set_issuer_name(x, n);
    X509_sign(x, k, EVP_sha256());
    PKCS12* p12 = PKCS12_create("1234", "bench", k, x, nullptr, 0, 0, 0, 0, 0);
    unsigned char* der = nullptr;
    int len = i2d_PKCS12(p12, &der);
    std::string r(reinterpret_cast<char*>(der), len);
    OPENSSL_free(der);
    PKCS12_free(p12);
    X509_free(x);
    EVP_PKEY_free(k);
    return r;
  }();
  return pfx;
}

void Preencher(tuim::TEventoNFe& m) {
  m.SetidLote(1);
  for (int i = 1; i <= 20; ++i) {
    tuim::TInfEvento& ev = m.Evento().New().InfEvento();
    ev.SetCNPJ("11222333000181");
    ev.SetchNFe(kChave);
    ev.SetdhEvento(tuim::EncodeDateTime(2024, 1, 15, 10, 30, 0));
    ev.SettpEvento(tuim::teCancelamento);
    ev.SetnSeqEvento(i);
    ev.detEvento().SetnProt("151240000012345");
    ev.detEvento().SetxJust("Cancelamento por erro de digitacao");
  }
}

void BM_LoteEventos20_Gerar(benchmark::State& st) {
  tuim::ConfiguracaoFusoHorario().SetModoDeteccao(tuim::tzFSC);
  tuim::TEventoNFe m;
  Preencher(m);
  for (auto _ : st) benchmark::DoNotOptimize(m.GerarXML());
  st.counters["lotes/s"] = benchmark::Counter(static_cast<double>(st.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_LoteEventos20_Gerar);

void BM_LoteEventos20_GerarEAssinar(benchmark::State& st) {
  tuim::ConfiguracaoFusoHorario().SetModoDeteccao(tuim::tzFSC);
  tuim::TDFeSSL ssl;
  ssl.SetSSLCryptLib(tuim::cryOpenSSL);
  ssl.SetSSLXmlSignLib(tuim::xsLibXml2);
  ssl.SetDadosPFX(Pfx());
  ssl.SetSenha("1234");
  ssl.GarantirCertificado();
  tuim::TEventoNFe m;
  Preencher(m);
  for (auto _ : st) {
    m.GerarXML();
    benchmark::DoNotOptimize(tuim::AssinarEnvEvento(ssl, m.Gerador().ArquivoFormatoXML()));
  }
  st.counters["lotes/s"] = benchmark::Counter(static_cast<double>(st.iterations()), benchmark::Counter::kIsRate);
  st.counters["eventos/s"] =
      benchmark::Counter(static_cast<double>(st.iterations()) * 20, benchmark::Counter::kIsRate);
}
BENCHMARK(BM_LoteEventos20_GerarEAssinar)->Unit(benchmark::kMillisecond);

void BM_Inutilizacao_Gerar(benchmark::State& st) {
  tuim::TinutNFe m;
  m.SetcUF(51);
  m.Setano(24);
  m.SetCNPJ("11222333000181");
  m.Setserie(1);
  m.SetnNFIni(10);
  m.SetnNFFin(20);
  m.SetxJust("Falha de sequencia & numeracao");
  for (auto _ : st) benchmark::DoNotOptimize(m.GerarXML());
  st.counters["mensagens/s"] = benchmark::Counter(static_cast<double>(st.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_Inutilizacao_Gerar);

}  // namespace

BENCHMARK_MAIN();
