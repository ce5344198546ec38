// `tuim sefaz url`: the catalogue's answer for a service of a model, state and environment.
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

#include "cli/TuimCli.h"
#include "component/TuimCatalogo.h"
#include "component/TuimNFe.h"
#include "fiscal/TuimUtil.h"

namespace tuim::cli {
namespace {

bool TemSchemas(const std::string& pasta) {
  std::error_code ec;
  for (const auto& e : std::filesystem::directory_iterator(pasta, ec))
    if (e.path().extension() == ".xsd") return true;
  return false;
}

int Url(const std::vector<std::string>& words) {
  Args a(words, {"json"});
  if (!a.ok()) return UsageError(a.error());
  if (auto u = a.Unknown({"modelo", "uf", "ambiente", "servico", "versao", "forma-emissao", "schemas", "catalogo", "json"});
      !u.empty())
    return UsageError("opção desconhecida: --" + u);
  std::string modelo = a.Get("modelo"), ambiente = a.Get("ambiente"), servico = a.Get("servico"), uf = a.Get("uf");
  if (modelo != "55" && modelo != "65") return UsageError("--modelo deve ser 55 ou 65");
  if (ambiente != "producao" && ambiente != "homologacao")
    return UsageError("--ambiente deve ser producao ou homologacao");
  if (servico.empty() || uf.empty()) return UsageError("informe --uf e --servico");
  double versao = LerVersaoCatalogo(a.Get("versao", "4.00"));
  if (versao <= 0) return UsageError("--versao inválida: " + a.Get("versao"));
  bool ok = true;
  TfscTipoEmissao forma = teNormal;
  if (a.Has("forma-emissao")) {
    forma = TextoParaTipoEmissao(ok, a.Get("forma-emissao"));
    if (!ok) return UsageError("--forma-emissao inválida: " + a.Get("forma-emissao"));
  }

  TTuimNFe nfe;
  auto& c = nfe.Configuracoes();
  c.Geral().SetModeloDF(modelo == "55" ? moNFe : moNFCe);
  c.Geral().SetFormaEmissao(forma);
  c.WebServices().SetAmbiente(ambiente == "producao" ? taProducao : taHomologacao);
  if (a.Has("catalogo")) c.Arquivos().SetIniServicos(a.Get("catalogo"));
  if (a.Has("schemas")) c.Arquivos().SetPathSchemas(a.Get("schemas"));
  // Contingency forms answer from their own authorities, as the services do.
  std::string autoridade = forma == teSVCAN ? "SVC-AN" : forma == teSVCRS ? "SVC-RS" : DeUTF8(uf);
  std::string url, ns, action;
  try {
    if (a.Has("schemas") || TemSchemas(c.Arquivos().PathSchemas())) {
      nfe.LocalizarServico(nfe.NomeModeloDFe(), autoridade, c.WebServices().Ambiente(), DeUTF8(servico), versao, url,
                           ns, action);
    } else {
      // Without installed schemas the version is the catalogue's own.
      nfe.CarregarCatalogo(true);
      auto r = nfe.Catalogo().LocalizarServico(nfe.NomeModeloDFe(), autoridade, c.WebServices().Ambiente() == taProducao,
                                               DeUTF8(servico), versao, c.WebServices().RecursoServicos());
      url = r.URL;
      ns = r.Servico;
      action = r.SoapAction;
      if (r.Versao > 0) versao = r.Versao;
    }
  } catch (const ETuimDFeException& e) {
    return Falha(e.what());
  }
  std::string v = FormatarVersaoCatalogo(versao);
  if (a.Has("json")) {
    std::cout << "{\"URL\": " << JsonString(ParaUTF8(url)) << ", \"Versao\": " << JsonString(v)
              << ", \"Servico\": " << JsonString(ParaUTF8(ns)) << ", \"SoapAction\": " << JsonString(ParaUTF8(action))
              << "}\n";
  } else {
    std::cout << "URL=" << ParaUTF8(url) << "\nVersao=" << v << "\nServico=" << ParaUTF8(ns)
              << "\nSoapAction=" << ParaUTF8(action) << "\n";
  }
  return kExitOk;
}

const CommandRegistrar kSefaz({
    "sefaz",
    "endereços e status dos serviços das autoridades fiscais (url, status)",
    "Uso: tuim sefaz url --modelo 55|65 --uf UF --ambiente producao|homologacao --servico NOME\n"
    "                    [--versao 4.00] [--forma-emissao N] [--schemas PASTA] [--catalogo ARQUIVO] [--json]\n\n"
    "Mostra URL=, Versao=, Servico= (namespace) e SoapAction= do catálogo de serviços, seguindo os\n"
    "redirecionamentos \"Usar\". NOME é o nome do serviço no catálogo (NfeStatusServico, NfeAutorizacao,\n"
    "RecepcaoEvento, NfeConsultaCadastro, NFeDistribuicaoDFe, URL-QRCode, URL-ConsultaNFCe...).\n"
    "--forma-emissao 6 ou 7 consulta SVC-AN ou SVC-RS. Com --schemas (ou schemas instalados na pasta\n"
    "padrão) a versão é a do schema encontrado; --catalogo usa um catálogo externo.\n"
    "Saída 1 com a mensagem do componente quando o serviço não é encontrado.\n",
    [](const std::vector<std::string>& w) { return RunSubCommand("sefaz", w); }});

const SubCommandRegistrar kUrl({"sefaz", "url", "endereço, versão, namespace e ação SOAP de um serviço",
                                "Uso: tuim sefaz url --modelo 55|65 --uf UF --ambiente producao|homologacao "
                                "--servico NOME [--versao 4.00] [--forma-emissao N] [--schemas PASTA] "
                                "[--catalogo ARQUIVO] [--json]\n",
                                Url});

}  // namespace
}  // namespace tuim::cli
