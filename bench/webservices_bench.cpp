// One status call through the whole round trip except the network (the transmit event answers),
// with and without the request and answer files, in calls per second.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "component/TuimNFe.h"
#include "fiscal/TuimUtil.h"
#include "services/TuimMensagensNFe.h"
#include "services/TuimWebServices.h"

namespace {

const char* const kServico = "http://www.portalfiscal.inf.br/nfe/wsdl/NFeStatusServico4";

const std::string& Resposta() {
  static const std::string r = tuim::ParaUTF8(
      std::string("<?xml version=\"1.0\" encoding=\"utf-8\"?><soap:Envelope "
                  "xmlns:soap=\"http://www.w3.org/2003/05/soap-envelope\"><soap:Body><nfeResultMsg xmlns=\"") +
      kServico +
      "\"><retConsStatServ versao=\"4.00\" xmlns=\"http://www.portalfiscal.inf.br/nfe\"><tpAmb>2</tpAmb>"
      "<verAplic>MT</verAplic><cStat>107</cStat><xMotivo>Servi\xE7o em Opera\xE7\xE3o</xMotivo><cUF>51</cUF>"
      "</retConsStatServ></nfeResultMsg></soap:Body></soap:Envelope>");
  return r;
}

class TStatus : public tuim::TNFeWebService {
public:
  explicit TStatus(tuim::TTuimNFe& nfe) : TNFeWebService(nfe) {
    SetSufixoEnvio("ped-sta");
    SetSufixoResposta("sta");
  }

protected:
  void DefinirServicoEAction() override {}
  void DefinirDadosMsg() override {
    tuim::TConsStatServ m(VersaoDados());
    m.SetcUF(Configuracoes().WebServices().UFCodigo());
    ConfigurarGerador(m.Gerador().Opcoes());
    m.GerarXML();
    SetDadosMsg(m.Gerador().ArquivoFormatoXML());
  }
  bool TratarResposta() override {
    ExtrairRetorno({"nfeStatusServicoNF2Result", "NfeStatusServicoNFResult", "nfeResultMsg"});
    ExigirResposta();
    return tuim::ConteudoTag(RetornoDecodificado(), "cStat") == "107";
  }
};

void Configurar(tuim::TTuimNFe& nfe, bool salvar, const std::string& pasta) {
  auto& c = nfe.Configuracoes();
  c.WebServices().SetUF("MT");
  c.WebServices().SetAmbiente(tuim::taHomologacao);
  c.WebServices().SetParams({"[NFe_MT_H]", "NfeStatusServico_4.00=https://127.0.0.1:1/ws", "WSDL=W", "SoapAction=S",
                             "[W]", std::string("NfeStatusServico_4.00=") + kServico, "[S]",
                             std::string("NfeStatusServico_4.00=") + kServico + "/nfeStatusServicoNF"});
  c.Arquivos().SetPathSchemas(TUIM_SOURCE_DIR "/schemas/PL_009_V4");
  c.Arquivos().SetPathSalvar(pasta);
  c.Geral().SetSalvar(salvar);
  c.WebServices().SetSalvar(salvar);
  nfe.OnTransmit = [](const std::string&, const std::string&, const std::string&, const std::string&,
                      std::string& resposta, int&, int&) { resposta = Resposta(); };
}

void Chamada(benchmark::State& state, bool salvar) {
  std::string pasta = (std::filesystem::temp_directory_path() / "tuim-ws-bench-XXXXXX").string();
  if (!mkdtemp(pasta.data())) {
    state.SkipWithError("mkdtemp");
    return;
  }
  {
    tuim::TTuimNFe nfe;
    Configurar(nfe, salvar, pasta);
    TStatus s(nfe);
    for (auto _ : state) {
      bool ok = s.Executar();
      benchmark::DoNotOptimize(ok);
      if (!ok) state.SkipWithError("status");
    }
    state.SetItemsProcessed(state.iterations());
  }
  std::error_code ec;
  std::filesystem::remove_all(pasta, ec);
}

void BM_StatusSemArquivos(benchmark::State& state) { Chamada(state, false); }
void BM_StatusComArquivos(benchmark::State& state) { Chamada(state, true); }

}  // namespace

BENCHMARK(BM_StatusSemArquivos);
BENCHMARK(BM_StatusComArquivos);
BENCHMARK_MAIN();
