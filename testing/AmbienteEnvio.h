// One tuim-sefaz-sim per test or benchmark program, started on first use and stopped at exit,
// with the issuer's signer and its CSC at hand, and the component pointed at it.
#pragma once
#include <sched.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "component/TuimNFe.h"
#include "component/TuimNotasFiscais.h"
#include "testing/SimTeste.h"
#include "transport/TuimTransporte.h"
#include "xml/TuimNFeR.h"

namespace tuim::simteste {

struct TAmbienteEnvio {
  std::string pasta, erro;
  std::unique_ptr<TSimulador> sim;
  std::unique_ptr<TAssinador> assinador;
  std::atomic<int> proximoNumero{0};
  std::string csc;
};

// `ajustes` are `tuim-sefaz-sim ajustar` options applied before it serves.
inline TAmbienteEnvio& AmbienteEnvio(const std::string& prefixo, int primeiroNumero,
                                     const std::vector<std::string>& ajustes = {}) {
  static TAmbienteEnvio a;
  static std::once_flag f;
  std::call_once(f, [&] {
    const std::string sim = TUIM_SIM;
    a.proximoNumero = primeiroNumero;
    a.pasta = PastaNova(prefixo);
    auto r = Rodar({sim, "iniciar", a.pasta, "--cnpj", kEmitente, "--cnpj", kOutro, "--uf", "SP"});
    if (r.codigo != 0) {
      a.erro = "iniciar: " + r.err;
      return;
    }
    if (!ajustes.empty()) {
      std::vector<std::string> args = {sim, "ajustar", a.pasta};
      args.insert(args.end(), ajustes.begin(), ajustes.end());
      if (Rodar(args).codigo != 0) {
        a.erro = "ajustar";
        return;
      }
    }
    a.sim = std::make_unique<TSimulador>(sim);
    if (!a.sim->Iniciar(a.pasta, a.erro)) return;
    a.assinador = std::make_unique<TAssinador>(a.pasta, kEmitente);
    std::string t = LerArquivo(a.pasta + "/" + kEmitente + ".csc");
    a.csc = t.substr(t.find("csc=") + 4, 36);
    std::atexit([] {
      a.sim->Parar();
      std::error_code ec;
      std::filesystem::remove_all(a.pasta, ec);
    });
  });
  return a;
}

// Benchmarks pin the simulator to one core, leaving the other to the client.
inline TAmbienteEnvio& FixadoNoNucleo(TAmbienteEnvio& a, int nucleo) {
  if (!a.sim) return a;
  cpu_set_t um;
  CPU_ZERO(&um);
  CPU_SET(nucleo, &um);
  sched_setaffinity(a.sim->Pid(), sizeof um, &um);
  return a;
}

// The component pointed at the simulator as the issuer, homologation, nothing saved.
inline void ConfigurarNoSimulador(TTuimNFe& nfe, const TAmbienteEnvio& a, TSSLHttpLib http, TfscModeloDF modelo) {
  auto& c = nfe.Configuracoes();
  c.WebServices().SetUF("SP");
  c.WebServices().SetAmbiente(taHomologacao);
  c.Geral().SetModeloDF(modelo);
  c.Geral().SetVersaoDF(ve400);
  c.Geral().SetSSLCryptLib(cryOpenSSL);
  c.Geral().SetSSLHttpLib(http);
  c.Geral().SetSSLXmlSignLib(xsLibXml2);
  c.Certificados().SetArquivoPFX(a.pasta + "/" + kEmitente + ".pfx");
  c.Certificados().SetSenha("1234");
  c.Arquivos().SetPathSchemas(TUIM_SCHEMAS_DIR);
  c.Arquivos().SetIniServicos(a.pasta + "/catalogo.ini");
  c.Geral().SetSalvar(false);
  c.WebServices().SetSalvar(false);
  c.Arquivos().SetSalvar(false);
  c.WebServices().SetTimeOut(5000);
}

// As ConfigurarNoSimulador, saving the documents under `saida` and trusting the simulator's CA.
inline void ConfigurarSalvando(TTuimNFe& nfe, const TAmbienteEnvio& a, TSSLHttpLib http, TfscModeloDF modelo,
                               const std::string& saida) {
  ConfigurarNoSimulador(nfe, a, http, modelo);
  auto& c = nfe.Configuracoes();
  c.Arquivos().SetSalvar(true);
  c.Arquivos().SetPathSalvar(saida);
  c.Arquivos().SetPathNFe(saida);
  TVerificacaoServidor v;
  v.ArquivoCA = a.pasta + "/ca.pem";
  DefinirVerificacaoServidor(nfe.SSL(), v);
}

// A signed document of the next number, as the bytes a file would hold; `n` gets its key.
inline std::string AssinarProximo(TAmbienteEnvio& a, TNota& n, int modelo, const std::string& dest) {
  n.modelo = modelo;
  n.nNF = a.proximoNumero++;
  n.dest = dest;
  n.csc = a.csc;
  return a.assinador->Assinar(Montar(n), "NFe", "infNFe");
}

// The same, put into the collection.
inline std::string AdicionarAssinado(TTuimNFe& nfe, TAmbienteEnvio& a, TNota& n, int modelo, const std::string& dest) {
  const std::string assinado = AssinarProximo(a, n, modelo, dest);
  NotaFiscal& nf = nfe.NotasFiscais().Add();
  TNFeR(&nf.NFe()).LerXML(assinado);
  nf.SetXMLOriginal("<?xml version=\"1.0\" encoding=\"UTF-8\"?>" + assinado);
  return assinado;
}

}  // namespace tuim::simteste
