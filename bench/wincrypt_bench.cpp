// RSA-2048 signatures and digests through the Windows-crypto backend, with the key as an A1
// (PKCS#12 in memory) and as an A3 (the same key on a SoftHSM2 token, over PKCS#11), next to the
// OpenSSL backend and to libcrypto called directly. Compare with `openssl speed rsa2048`.
#include <benchmark/benchmark.h>

#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/pkcs12.h>
#include <openssl/x509.h>

#include <cstdio>
#include <memory>
#include <string>

#include "bench/ChaveBench.h"
#include "security/TuimDFeSSL.h"
#include "security/TuimPKCS11.h"
#include "testing/TokenSoftHSM.h"

namespace {

const char* const kPIN = "1234";

struct Material {
  std::string pfx;
  std::string serie;  // of the certificate, as the token store reports it
  std::string erroToken;
};

bool GravarPEM(const std::string& caminho, EVP_PKEY* k, X509* x) {
  FILE* f = std::fopen(caminho.c_str(), "w");
  if (!f) return false;
  bool ok = k ? PEM_write_PrivateKey(f, k, nullptr, nullptr, 0, nullptr, nullptr) == 1 : PEM_write_X509(f, x) == 1;
  std::fclose(f);
  return ok;
}

// The benchmark key as PKCS#12 bytes, and imported into a SoftHSM2 token of this process.
const Material& Chave() {
  static Material m = [] {
    Material r;
    const auto& k = tuim::bench::Chave();
    r.pfx = k.pfx;
    const std::string pasta = tuim::teste::PastaTemporaria("tuim-bench-chave");
    if (pasta.empty() || !GravarPEM(pasta + "/k.pem", k.chave, nullptr) ||
        !GravarPEM(pasta + "/c.pem", nullptr, k.certificado)) {
      r.erroToken = "gravar PEM";
    } else {
      auto t = tuim::teste::CriarTokenSoftHSM({{pasta + "/k.pem", pasta + "/c.pem", "01", "bench"}}, kPIN);
      r.erroToken = t.erro;
      r.serie = tuim::teste::SerieDoCertificado(pasta + "/c.pem");
    }
    return r;
  }();
  return m;
}

enum Origem { oOpenSSL, oWinCryptA1, oWinCryptToken };

std::unique_ptr<tuim::TDFeSSL> Facade(Origem o) {
  auto ssl = std::make_unique<tuim::TDFeSSL>();
  if (o == oOpenSSL) {
    ssl->SetSSLCryptLib(tuim::cryOpenSSL);
  } else {
    ssl->SetSSLCryptLib(tuim::cryWinCrypt);
  }
  if (o == oWinCryptToken) {
    ssl->SetNumeroSerie(Chave().serie);
    ssl->SetSenha(kPIN);
  } else {
    ssl->SetDadosPFX(Chave().pfx);
    ssl->SetSenha("1234");
  }
  ssl->GarantirCertificado();
  return ssl;
}

// A canonical SignedInfo is a few hundred bytes.
const std::string kSignedInfo(600, 's');

void Assinaturas(benchmark::State& state, Origem o) {
  if (o == oWinCryptToken && !Chave().erroToken.empty()) {
    state.SkipWithError(("token SoftHSM2: " + Chave().erroToken).c_str());
    return;
  }
  std::unique_ptr<tuim::TDFeSSL> ssl;
  try {
    ssl = Facade(o);
  } catch (const std::exception& e) {
    state.SkipWithError(e.what());
    return;
  }
  for (auto _ : state) benchmark::DoNotOptimize(ssl->CalcHash(kSignedInfo, tuim::dgstSHA1, tuim::fhBinario, true));
  state.counters["assinaturas/s"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}

void BM_SignRSA2048_OpenSSL(benchmark::State& s) { Assinaturas(s, oOpenSSL); }
void BM_SignRSA2048_WinCryptA1(benchmark::State& s) { Assinaturas(s, oWinCryptA1); }
void BM_SignRSA2048_WinCryptToken(benchmark::State& s) { Assinaturas(s, oWinCryptToken); }
BENCHMARK(BM_SignRSA2048_OpenSSL)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SignRSA2048_WinCryptA1)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SignRSA2048_WinCryptToken)->Unit(benchmark::kMicrosecond);

// The floor: the same key and message through libcrypto, no facade.
void BM_SignRSA2048_Libcrypto(benchmark::State& state) {
  unsigned char sig[512];
  for (auto _ : state) {
    tuim::bench::AssinarDireto(kSignedInfo, sig);
    benchmark::DoNotOptimize(sig);
  }
  state.counters["assinaturas/s"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_SignRSA2048_Libcrypto)->Unit(benchmark::kMicrosecond);

// The token floor: the same key through libp11 directly (store, login, key object, one sign),
// without the facade. What it costs is SoftHSM2's own work per operation.
void BM_SignRSA2048_TokenLibp11(benchmark::State& state) {
  if (!Chave().erroToken.empty()) {
    state.SkipWithError(("token SoftHSM2: " + Chave().erroToken).c_str());
    return;
  }
  tuim::plataforma::TStore store;
  std::string erro;
  if (!tuim::plataforma::AbrirStoreTokens(store, erro) || store.Certificados.empty()) {
    state.SkipWithError(("store: " + erro).c_str());
    return;
  }
  const auto& c = store.Certificados.front();
  tuim::plataforma::Login(c.Token, kPIN);
  unsigned long codigo = 0;
  tuim::plataforma::TChave k = tuim::plataforma::ChavePrivada(c, codigo);
  if (!k) {
    state.SkipWithError("sem chave no token");
    return;
  }
  unsigned char sig[512];
  for (auto _ : state) {
    EVP_MD_CTX* ctx = EVP_MD_CTX_new();
    size_t n = sizeof sig;
    EVP_DigestSignInit(ctx, nullptr, EVP_sha1(), nullptr, k.get());
    EVP_DigestSign(ctx, sig, &n, reinterpret_cast<const unsigned char*>(kSignedInfo.data()), kSignedInfo.size());
    EVP_MD_CTX_free(ctx);
    benchmark::DoNotOptimize(sig);
  }
  state.counters["assinaturas/s"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
  k.reset();
  tuim::plataforma::Logout(c.Token);
}
BENCHMARK(BM_SignRSA2048_TokenLibp11)->Unit(benchmark::kMicrosecond);

const std::string& UmMega() {
  static const std::string s(1 << 20, 'x');
  return s;
}

void BM_Digest1MB_WinCrypt(benchmark::State& state) {
  auto ssl = Facade(oWinCryptA1);
  auto dgst = static_cast<tuim::TSSLDgst>(state.range(0));
  for (auto _ : state) benchmark::DoNotOptimize(ssl->CalcHash(UmMega(), dgst, tuim::fhBinario));
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(UmMega().size()));
}
BENCHMARK(BM_Digest1MB_WinCrypt)->Arg(tuim::dgstSHA1)->Arg(tuim::dgstSHA256);

// Opening the certificate: PKCS#12 import, or serial lookup on the token plus login.
void BM_Abrir(benchmark::State& state) {
  auto o = static_cast<Origem>(state.range(0));
  if (o == oWinCryptToken && !Chave().erroToken.empty()) {
    state.SkipWithError(("token SoftHSM2: " + Chave().erroToken).c_str());
    return;
  }
  for (auto _ : state) benchmark::DoNotOptimize(Facade(o));
}
BENCHMARK(BM_Abrir)->Arg(oWinCryptA1)->Arg(oWinCryptToken)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
