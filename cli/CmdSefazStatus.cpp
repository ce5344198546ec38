// `tuim sefaz status`: one service-status query through the web-service round trip.
#include <cstdlib>
#include <iostream>
#include <string>
#include <vector>

#include "cli/TuimCli.h"
#include "component/TuimCatalogo.h"
#include "component/TuimNFe.h"
#include "fiscal/TuimUtil.h"
#include "services/TuimMensagensNFe.h"
#include "services/TuimServicosNFe.h"
#include "services/TuimWebServices.h"
#include "transport/TuimTransporte.h"

namespace tuim::cli {
namespace {

int Status(const std::vector<std::string>& words) {
  Args a(words, {"json"});
  if (!a.ok()) return UsageError(a.error());
  if (auto u = a.Unknown({"modelo", "uf", "ambiente", "url", "pfx", "senha", "cacert", "lib", "timeout", "versao",
                          "salvar", "schemas", "catalogo", "json"});
      !u.empty())
    return UsageError("opção desconhecida: --" + u);
  const std::string modelo = a.Get("modelo", "55"), ambiente = a.Get("ambiente", "homologacao");
  const std::string uf = UpperCase(a.Get("uf")), versao = a.Get("versao", "4.00"), lib = a.Get("lib", "winhttp");
  if (modelo != "55" && modelo != "65") return UsageError("--modelo deve ser 55 ou 65");
  if (ambiente != "producao" && ambiente != "homologacao")
    return UsageError("--ambiente deve ser producao ou homologacao");
  if (uf.empty()) return UsageError("informe --uf");
  if (!a.Has("pfx")) return UsageError("informe --pfx com o certificado do emitente");
  const std::string versaoTexto = FormatarVersaoCatalogo(LerVersaoCatalogo(versao));
  if (versaoTexto != "2.00" && versaoTexto != "3.00" && versaoTexto != "3.10" && versaoTexto != "4.00")
    return UsageError("--versao inválida: " + versao);
  bool ok = false;
  TfscVersaoDF versaoDF = NumeroParaVersaoDF(ok, LerVersaoCatalogo(versao));
  TSSLHttpLib http;
  if (lib == "winhttp")
    http = httpWinHttp;
  else if (lib == "wininet")
    http = httpWinINet;
  else if (lib == "openssl")
    http = httpOpenSSL;
  else
    return UsageError("--lib deve ser winhttp, wininet ou openssl");
  long timeout = 0;
  if (a.Has("timeout")) {
    char* fim = nullptr;
    const std::string t = a.Get("timeout");
    timeout = std::strtol(t.c_str(), &fim, 10);
    if (t.empty() || *fim || timeout <= 0 || timeout > 2147483647L) return UsageError("--timeout inválido: " + t);
  }

  TTuimNFe nfe;
  auto& c = nfe.Configuracoes();
  c.WebServices().SetUF(uf);
  if (c.WebServices().UF() != uf) return UsageError("--uf inválida: " + a.Get("uf"));
  c.WebServices().SetAmbiente(ambiente == "producao" ? taProducao : taHomologacao);
  c.Geral().SetModeloDF(modelo == "55" ? moNFe : moNFCe);
  c.Geral().SetVersaoDF(versaoDF);
  c.Geral().SetSSLCryptLib(cryOpenSSL);
  c.Geral().SetSSLHttpLib(http);
  c.Geral().SetSSLXmlSignLib(xsLibXml2);
  c.Certificados().SetArquivoPFX(a.Get("pfx"));
  c.Certificados().SetSenha(DeUTF8(a.Get("senha")));
  if (a.Has("timeout")) c.WebServices().SetTimeOut(static_cast<int>(timeout));
  if (a.Has("schemas")) c.Arquivos().SetPathSchemas(a.Get("schemas"));
  if (a.Has("catalogo")) c.Arquivos().SetIniServicos(a.Get("catalogo"));
  // Files only where asked for.
  c.Geral().SetSalvar(a.Has("salvar"));
  c.WebServices().SetSalvar(a.Has("salvar"));
  if (a.Has("salvar")) c.Arquivos().SetPathSalvar(a.Get("salvar"));
  if (a.Has("url")) {
    // A one-section catalogue naming the given address for this model, state and environment.
    const std::string secao = nfe.NomeModeloDFe() + "_" + uf + "_" + (ambiente == "producao" ? "P" : "H");
    c.WebServices().SetParams(
        {"[" + secao + "]", "NfeStatusServico_" + versaoTexto + "=" + DeUTF8(a.Get("url"))});
    nfe.CarregarCatalogo(false);
  }
  TVerificacaoServidor v;
  v.ArquivoCA = a.Get("cacert");
  DefinirVerificacaoServidor(nfe.SSL(), v);

  TNFeStatusServico s(nfe);
  bool emOperacao = false;
  try {
    emOperacao = s.Executar();
  } catch (const std::exception& e) {
    std::cerr << "tuim: " << ParaUTF8(e.what()) << "\n";
    return kExitInvalid;
  }
  if (a.Has("json")) {
    std::cout << "{\"cStat\": " << s.cStat << ", \"xMotivo\": " << JsonString(ParaUTF8(s.xMotivo))
              << ", \"verAplic\": " << JsonString(ParaUTF8(s.verAplic)) << ", \"URL\": " << JsonString(ParaUTF8(s.URL()))
              << ", \"Versao\": " << JsonString(s.VersaoDados()) << "}\n";
  } else {
    std::cout << "cStat=" << s.cStat << "\nxMotivo=" << ParaUTF8(s.xMotivo) << "\nverAplic=" << ParaUTF8(s.verAplic)
              << "\nURL=" << ParaUTF8(s.URL()) << "\nVersao=" << s.VersaoDados() << "\n";
  }
  return emOperacao ? kExitOk : kExitInvalid;
}

const SubCommandRegistrar kStatus(
    {"sefaz", "status", "consulta o status do serviço de uma autoridade fiscal",
     "Uso: tuim sefaz status --uf UF --pfx ARQUIVO [--senha SENHA] [--modelo 55|65]\n"
     "                       [--ambiente producao|homologacao] [--url URL] [--versao 4.00|3.10]\n"
     "                       [--cacert ARQUIVO] [--lib winhttp|wininet|openssl] [--timeout MS]\n"
     "                       [--salvar PASTA] [--schemas PASTA] [--catalogo ARQUIVO] [--json]\n\n"
     "Envia consStatServ pelo envelope SOAP 1.2 ao endereço do catálogo (ou a --url) com o certificado\n"
     "do emitente e mostra cStat=, xMotivo=, verAplic=, URL= e Versao=. Ambiente padrão: homologacao.\n"
     "--salvar grava o pedido e a resposta (com e sem envelope) na pasta. Saída 0 com cStat 107\n"
     "(serviço em operação), 1 com outro cStat ou com a mensagem do componente quando a chamada falha.\n",
     Status});

}  // namespace
}  // namespace tuim::cli
