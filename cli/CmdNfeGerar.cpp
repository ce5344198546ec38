// `tuim nfe gerar`: a document model in JSON through the component's collection: generated,
// signed, completed (NFC-e) and saved as the configuration says.
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "cli/TuimCli.h"
#include "component/TuimNFe.h"
#include "component/TuimNotasFiscais.h"
#include "fiscal/TuimIni.h"
#include "fiscal/TuimUtil.h"
#include "xml/TuimNFeJson.h"

namespace tuim::cli {
namespace {

int Gerar(const std::vector<std::string>& palavras) {
  // The short output option reads as the long ones do.
  std::vector<std::string> words = palavras;
  for (auto& w : words)
    if (w == "-o") w = "--o";
  Args a(words, {"assinar", "salvar"});
  if (!a.ok()) return UsageError(a.error());
  if (auto u = a.Unknown({"o", "config", "assinar", "pfx", "senha", "serie", "pin", "csc-id", "csc", "salvar"});
      !u.empty())
    return UsageError("opção desconhecida: --" + u);
  if (a.Positional().size() != 1) return UsageError("informe o arquivo MODELO.json");
  if (a.Has("pfx") && a.Has("serie")) return UsageError("informe --pfx ou --serie, não os dois");
  if ((a.Has("pfx") || a.Has("serie")) && !a.Has("assinar")) return UsageError("--pfx e --serie pedem --assinar");
  if (a.Has("csc") != a.Has("csc-id")) return UsageError("informe --csc-id e --csc juntos");

  std::string json;
  if (!LerArquivo(a.Positional()[0], json)) return UsageError("não foi possível ler " + a.Positional()[0]);

  std::string saida;
  std::string alertas;
  try {
    TTuimNFe comp;
    TConfiguracoesNFe& conf = comp.Configuracoes();
    if (a.Has("config")) {
      TTuimIni ini;
      if (!ini.LoadFromFile(a.Get("config"))) return UsageError("não foi possível ler " + a.Get("config"));
      conf.CarregarIni(ini);
    }
    // Saving happens only when asked for on the command line.
    conf.Arquivos().SetSalvar(a.Has("salvar"));
    if (a.Has("pfx")) {
      conf.Geral().SetSSLCryptLib(cryOpenSSL);
      conf.Certificados().SetArquivoPFX(a.Get("pfx"));
      conf.Certificados().SetSenha(DeUTF8(a.Get("senha")));
    } else if (a.Has("serie")) {
      conf.Geral().SetSSLCryptLib(cryWinCrypt);
      conf.Certificados().SetNumeroSerie(a.Get("serie"));
      conf.Certificados().SetSenha(DeUTF8(a.Get("pin")));
    }
    if (a.Has("assinar") && conf.Geral().SSLXmlSignLib() == xsNone) conf.Geral().SetSSLXmlSignLib(xsLibXml2);
    if (a.Has("csc")) {
      conf.Geral().SetIdCSC(a.Get("csc-id"));
      conf.Geral().SetCSC(DeUTF8(a.Get("csc")));
    }

    NotaFiscal& nf = comp.NotasFiscais().Add();
    TNFe padrao = nf.NFe();
    NFeDeJSON(nf.NFe(), json);
    // What a document cannot go without comes from the configuration when the model leaves it.
    TNFe& n = nf.NFe();
    if (n.Ide.modelo == 0) n.Ide.modelo = padrao.Ide.modelo;
    if (n.infNFe.versao <= 0) n.infNFe.versao = padrao.infNFe.versao;
    if (n.Ide.verProc.empty()) n.Ide.verProc = padrao.Ide.verProc;
    conf.Geral().SetModeloDF(n.Ide.modelo == 65 ? moNFCe : moNFe);

    if (a.Has("assinar")) {
      nf.Assinar();
      saida = nf.XMLAssinado();
    } else {
      nf.GerarXML();
      saida = nf.XMLOriginal();
      if (a.Has("salvar") && !nf.SalvarXML()) return Falha("Erro ao salvar.");
    }
    alertas = nf.Alertas();
  } catch (const std::exception& e) {
    return Falha(e.what());
  }

  if (a.Has("o")) {
    std::ofstream o(a.Get("o"), std::ios::binary | std::ios::trunc);
    if (!(o << saida) || !o.flush()) return UsageError("não foi possível gravar " + a.Get("o"));
  } else {
    std::cout << saida << "\n";
  }
  if (alertas.empty()) return kExitOk;
  std::istringstream linhas(alertas);
  for (std::string l; std::getline(linhas, l);) {
    if (!l.empty() && l.back() == '\r') l.pop_back();
    if (!l.empty()) std::cerr << ParaUTF8(l) << "\n";
  }
  return kExitInvalid;
}

const SubCommandRegistrar kGerar(
    {"nfe", "gerar", "gera (e assina) o XML de uma NF-e ou NFC-e a partir do modelo em JSON",
     "Uso: tuim nfe gerar MODELO.json [-o NFE.xml] [--config INI] [--assinar (--pfx ARQUIVO --senha S |\n"
     "                    --serie SERIE --pin PIN)] [--csc-id N --csc CSC] [--salvar]\n"
     "  Lê o modelo do documento em JSON e escreve o XML (em NFE.xml ou na saída padrão).\n"
     "  --config INI   configuração do componente (seções \"DFe\", \"NFe\", \"Proxy\")\n"
     "  --assinar      assina o documento; a NFC-e recebe infNFeSupl (QR-Code e urlChave)\n"
     "  --csc-id N --csc CSC   identificador e código de segurança do contribuinte (NFC-e)\n"
     "  --salvar       grava também o documento nas pastas da configuração (PathNFe)\n"
     "  Alertas do gerador vão para a saída de erro, uma linha cada; com alertas o XML é\n"
     "  escrito assim mesmo e o código de saída é 1.\n",
     Gerar});

}  // namespace
}  // namespace tuim::cli
