// One SOAP POST of 2 KB over HTTPS with a client certificate to the loopback echo server of
// testing/servidor_https.py, per backend. Every exchange opens its own connection and TLS
// handshake (no connection survives a send); the Python peer bounds the rate, so compare the
// backends with each other rather than with a production server.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <memory>
#include <string>

#include "security/TuimDFeSSL.h"
#include "testing/ServidorTeste.h"
#include "testing/TokenSoftHSM.h"
#include "transport/TuimTransporte.h"

namespace {

struct Peer {
  std::string pasta, erro;
  tuim::teste::TServidorTeste https;
};

// A CA, a client PKCS#12 (password 1234) and a server certificate, all EC P-256, and the server.
Peer& Servidor() {
  static Peer p;
  static bool pronto = false;
  if (pronto) return p;
  pronto = true;
  p.pasta = tuim::teste::PastaTemporaria("tuim-http-bench");
  const std::string d = "cd '" + p.pasta + "' && ";
  const std::string ec = "openssl genpkey -algorithm EC -pkeyopt ec_paramgen_curve:prime256v1";
  bool ok = tuim::teste::RodarSilencioso(d + ec + " -out ca.key && openssl req -x509 -new -key ca.key -subj /CN=CA -days 2 -out ca.pem") &&
            tuim::teste::RodarSilencioso(d + ec + " -out cliente.key && openssl req -new -key cliente.key -subj '/CN=CLIENTE:11222333000181' -out cliente.csr && "
                                         "openssl x509 -req -in cliente.csr -CA ca.pem -CAkey ca.key -set_serial 7 -days 2 -out cliente.pem && "
                                         "openssl pkcs12 -export -in cliente.pem -inkey cliente.key -passout pass:1234 -out cliente.pfx") &&
            tuim::teste::GerarCertificadoServidor(p.pasta, p.pasta, "servidor", 2);
  if (!ok) {
    p.erro = "certificados";
    return p;
  }
  p.https.Iniciar(TUIM_SOURCE_DIR "/testing/servidor_https.py",
                  {"--cert", p.pasta + "/servidor.pem", "--key", p.pasta + "/servidor.key", "--ca", p.pasta + "/ca.pem"},
                  p.erro);
  return p;
}

void BM_EnviarHTTPS(benchmark::State& state) {
  Peer& p = Servidor();
  if (!p.erro.empty()) {
    state.SkipWithError(p.erro.c_str());
    return;
  }
  tuim::RegistrarTransporte();
  tuim::TDFeSSL ssl;
  ssl.SetSSLCryptLib(tuim::cryOpenSSL);
  ssl.SetArquivoPFX(p.pasta + "/cliente.pfx");
  ssl.SetSenha("1234");
  ssl.SetSSLHttpLib(static_cast<tuim::TSSLHttpLib>(state.range(0)));
  tuim::TVerificacaoServidor v;
  v.ArquivoCA = p.pasta + "/ca.pem";
  tuim::DefinirVerificacaoServidor(ssl, v);
  const std::string url = "https://127.0.0.1:" + std::to_string(p.https.Porta()) + "/ws";
  const std::string corpo(2048, 'x');
  for (auto _ : state) {
    try {
      benchmark::DoNotOptimize(ssl.Enviar(corpo, url, "urn:bench"));
    } catch (const std::exception& e) {
      state.SkipWithError(e.what());
      return;
    }
  }
  state.SetItemsProcessed(state.iterations());
  state.SetLabel(tuim::SSLHttpLibParaTexto(static_cast<tuim::TSSLHttpLib>(state.range(0))));
}

BENCHMARK(BM_EnviarHTTPS)->Arg(tuim::httpWinHttp)->Arg(tuim::httpWinINet)->Arg(tuim::httpOpenSSL)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
