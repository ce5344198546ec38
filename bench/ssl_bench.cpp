// Digests and RSA-2048 signatures through the facade and its OpenSSL backend, next to libcrypto
// called directly with the same key (compare with `openssl speed rsa2048` on the same machine).
#include <benchmark/benchmark.h>

#include <openssl/evp.h>
#include <openssl/pkcs12.h>
#include <openssl/rsa.h>
#include <openssl/x509.h>

#include <memory>
#include <string>

#include "bench/ChaveBench.h"
#include "security/TuimDFeSSL.h"

namespace {

using tuim::bench::Chave;

std::unique_ptr<tuim::TDFeSSL> Facade() {
  auto ssl = std::make_unique<tuim::TDFeSSL>();
  ssl->SetSSLCryptLib(tuim::cryOpenSSL);
  ssl->SetDadosPFX(Chave().pfx);
  ssl->SetSenha("1234");
  ssl->GarantirCertificado();
  return ssl;
}

const std::string& UmMega() {
  static const std::string s(1 << 20, 'x');
  return s;
}

void BM_FacadeDigest1MB(benchmark::State& state) {
  auto ssl = Facade();
  auto dgst = static_cast<tuim::TSSLDgst>(state.range(0));
  for (auto _ : state) benchmark::DoNotOptimize(ssl->CalcHash(UmMega(), dgst, tuim::fhBinario));
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(UmMega().size()));
}
BENCHMARK(BM_FacadeDigest1MB)->Arg(tuim::dgstSHA1)->Arg(tuim::dgstSHA256);

void BM_DirectDigest1MB(benchmark::State& state) {
  const EVP_MD* md = state.range(0) == tuim::dgstSHA1 ? EVP_sha1() : EVP_sha256();
  unsigned char out[EVP_MAX_MD_SIZE];
  unsigned int n;
  for (auto _ : state) {
    EVP_Digest(UmMega().data(), UmMega().size(), out, &n, md, nullptr);
    benchmark::DoNotOptimize(out);
  }
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(UmMega().size()));
}
BENCHMARK(BM_DirectDigest1MB)->Arg(tuim::dgstSHA1)->Arg(tuim::dgstSHA256);

// A canonical SignedInfo is a few hundred bytes.
const std::string kSignedInfo(600, 's');

void BM_FacadeSignRSA2048(benchmark::State& state) {
  auto ssl = Facade();
  for (auto _ : state) benchmark::DoNotOptimize(ssl->CalcHash(kSignedInfo, tuim::dgstSHA1, tuim::fhBinario, true));
  state.counters["assinaturas/s"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_FacadeSignRSA2048)->Unit(benchmark::kMicrosecond);

void BM_DirectSignRSA2048(benchmark::State& state) {
  unsigned char sig[512];
  for (auto _ : state) {
    tuim::bench::AssinarDireto(kSignedInfo, sig);
    benchmark::DoNotOptimize(sig);
  }
  state.counters["assinaturas/s"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_DirectSignRSA2048)->Unit(benchmark::kMicrosecond);

void BM_FacadeVerifyRSA2048(benchmark::State& state) {
  auto ssl = Facade();
  std::string sig = ssl->CalcHash(kSignedInfo, tuim::dgstSHA1, tuim::fhBinario, true);
  for (auto _ : state) benchmark::DoNotOptimize(ssl->ValidarHash(kSignedInfo, tuim::dgstSHA1, sig, true));
}
BENCHMARK(BM_FacadeVerifyRSA2048)->Unit(benchmark::kMicrosecond);

void BM_OpenPKCS12(benchmark::State& state) {
  tuim::TDFeSSL ssl;
  ssl.SetSSLCryptLib(tuim::cryOpenSSL);
  ssl.SetDadosPFX(Chave().pfx);
  ssl.SetSenha("1234");
  for (auto _ : state) {
    ssl.FecharCertificado();
    ssl.GarantirCertificado();
  }
}
BENCHMARK(BM_OpenPKCS12)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
