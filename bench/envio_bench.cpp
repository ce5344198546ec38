// NFC-e authorised per second end to end through the component (generate, sign, send
// synchronously, apply the protocol, save the nfeProc), each HTTP backend, with a new TLS
// connection per send and with one kept alive (WebServices.ManterConexao), next to the floor: one RSA-2048 signature plus one loopback TLS round trip with its own handshake, and
// the same round trip over a kept-alive connection. The simulator is pinned to core 0.
#include <benchmark/benchmark.h>
#include <sched.h>

#include <cstdlib>
#include <memory>
#include <string>

#include "component/TuimNFe.h"
#include "component/TuimNotasFiscais.h"
#include "services/TuimServicosEnvio.h"
#include "testing/SimTeste.h"
#include "transport/TuimTransporte.h"
#include "xml/TuimNFeR.h"

using namespace tuim;
using namespace tuim::simteste;

namespace {

struct TPeer {
  std::string pasta, saida, erro, csc;
  std::unique_ptr<TSimulador> sim;
  std::unique_ptr<TAssinador> assinador;
  int numero = 1;
};

TPeer& Peer() {
  static TPeer p;
  static bool pronto = false;
  if (pronto) return p;
  pronto = true;
  p.pasta = PastaNova("tuim-envio-bench");
  p.saida = PastaNova("tuim-envio-bench-saida");
  auto r = Rodar({TUIM_SIM, "iniciar", p.pasta, "--cnpj", kEmitente, "--uf", "SP"});
  if (r.codigo != 0) {
    p.erro = "iniciar: " + r.err;
    return p;
  }
  p.sim = std::make_unique<TSimulador>(TUIM_SIM);
  if (!p.sim->Iniciar(p.pasta, p.erro)) return p;
  cpu_set_t um;
  CPU_ZERO(&um);
  CPU_SET(0, &um);
  sched_setaffinity(p.sim->Pid(), sizeof um, &um);
  p.assinador = std::make_unique<TAssinador>(p.pasta, kEmitente);
  std::string t = LerArquivo(p.pasta + "/" + kEmitente + ".csc");
  p.csc = t.substr(t.find("csc=") + 4, 36);
  std::atexit([] {
    p.sim->Parar();
    std::error_code ec;
    std::filesystem::remove_all(p.pasta, ec);
    std::filesystem::remove_all(p.saida, ec);
  });
  return p;
}

void Configurar(TTuimNFe& nfe, TPeer& p, TSSLHttpLib http) {
  auto& c = nfe.Configuracoes();
  c.WebServices().SetUF("SP");
  c.WebServices().SetAmbiente(taHomologacao);
  c.Geral().SetModeloDF(moNFCe);
  c.Geral().SetVersaoDF(ve400);
  c.Geral().SetSSLCryptLib(cryOpenSSL);
  c.Geral().SetSSLHttpLib(http);
  c.Geral().SetSSLXmlSignLib(xsLibXml2);
  c.Certificados().SetArquivoPFX(p.pasta + "/" + kEmitente + ".pfx");
  c.Certificados().SetSenha("1234");
  c.Arquivos().SetPathSchemas(TUIM_SCHEMAS_DIR);
  c.Arquivos().SetIniServicos(p.pasta + "/catalogo.ini");
  c.Geral().SetSalvar(false);
  c.WebServices().SetSalvar(false);
  c.Arquivos().SetSalvar(true);
  c.Arquivos().SetPathSalvar(p.saida);
  c.Arquivos().SetPathNFe(p.saida);
  TVerificacaoServidor v;
  v.ArquivoCA = p.pasta + "/ca.pem";
  DefinirVerificacaoServidor(nfe.SSL(), v);
}

void PontaAPonta(benchmark::State& state, TSSLHttpLib http, bool manter) {
  TPeer& p = Peer();
  if (!p.erro.empty()) {
    state.SkipWithError(p.erro.c_str());
    return;
  }
  TTuimNFe nfe;
  Configurar(nfe, p, http);
  nfe.Configuracoes().WebServices().SetManterConexao(manter);
  const long antes = ConexoesAceitas(TUIM_SIM, p.pasta);
  const long retomadasAntes = ConexoesAceitas(TUIM_SIM, p.pasta, "retomadas");
  TNFeAutorizacao envio(nfe);
  for (auto _ : state) {
    nfe.NotasFiscais().Clear();
    TNota n;
    n.modelo = 65;
    n.dest.clear();
    n.csc = p.csc;
    n.nNF = p.numero++;
    const std::string assinado = p.assinador->Assinar(Montar(n), "NFe", "infNFe");
    NotaFiscal& nf = nfe.NotasFiscais().Add();
    TNFeR(&nf.NFe()).LerXML(assinado);
    nf.SetXMLOriginal("<?xml version=\"1.0\" encoding=\"UTF-8\"?>" + assinado);
    if (!envio.Enviar(std::to_string(n.nNF), true, false) || envio.Resultados()[0].Arquivo.empty()) {
      state.SkipWithError(("não autorizada: " + envio.Resultados()[0].xMotivo).c_str());
      break;
    }
  }
  state.SetItemsProcessed(state.iterations());
  state.counters["conexoes"] = static_cast<double>(ConexoesAceitas(TUIM_SIM, p.pasta) - antes);
  state.counters["retomadas"] = static_cast<double>(ConexoesAceitas(TUIM_SIM, p.pasta, "retomadas") - retomadasAntes);
}

void BM_NFCeAutorizadaSocket(benchmark::State& state) { PontaAPonta(state, httpOpenSSL, false); }
void BM_NFCeAutorizadaCurl(benchmark::State& state) { PontaAPonta(state, httpWinHttp, false); }
void BM_NFCeAutorizadaSocketConexaoMantida(benchmark::State& state) { PontaAPonta(state, httpOpenSSL, true); }
void BM_NFCeAutorizadaCurlConexaoMantida(benchmark::State& state) { PontaAPonta(state, httpWinHttp, true); }

// The floor: one signature of the same document and one status round trip.
void Piso(benchmark::State& state, bool manter) {
  TPeer& p = Peer();
  if (!p.erro.empty()) {
    state.SkipWithError(p.erro.c_str());
    return;
  }
  TCliente c(p.pasta + "/" + kEmitente + ".pfx", "1234", p.pasta + "/ca.pem", p.sim->Porta());
  const std::string env = Envelope("NFeStatusServico4", tuim::simteste::Status());
  for (auto _ : state) {
    TNota n;
    n.modelo = 65;
    n.dest.clear();
    n.csc = p.csc;
    n.nNF = 1;
    benchmark::DoNotOptimize(p.assinador->Assinar(Montar(n), "NFe", "infNFe"));
    auto r = c.Post("/ws/NFe/SP/H/NFeStatusServico4", env, Acao("NFeStatusServico4", "nfeStatusServicoNF"), manter);
    if (Campo(r.corpo, "cStat") != "107") {
      state.SkipWithError(("resposta inesperada: " + r.erro).c_str());
      break;
    }
  }
  state.SetItemsProcessed(state.iterations());
}

void BM_PisoAssinaturaMaisHandshake(benchmark::State& state) { Piso(state, false); }
void BM_PisoAssinaturaConexaoMantida(benchmark::State& state) { Piso(state, true); }

}  // namespace

BENCHMARK(BM_NFCeAutorizadaSocket)->UseRealTime()->MinTime(3.0);
BENCHMARK(BM_NFCeAutorizadaCurl)->UseRealTime()->MinTime(3.0);
BENCHMARK(BM_NFCeAutorizadaSocketConexaoMantida)->UseRealTime()->MinTime(3.0);
BENCHMARK(BM_NFCeAutorizadaCurlConexaoMantida)->UseRealTime()->MinTime(3.0);
BENCHMARK(BM_PisoAssinaturaMaisHandshake)->UseRealTime()->MinTime(2.0);
BENCHMARK(BM_PisoAssinaturaConexaoMantida)->UseRealTime()->MinTime(2.0);
BENCHMARK_MAIN();
