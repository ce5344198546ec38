// `tuim nfe ler`, `tuim nfe validar` and `tuim nfe chave`: an NF-e or nfeProc file read back
// through TNFeR.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "fiscal/TuimChaveAcesso.h"
#include "cli/TuimCli.h"
#include "component/TuimConfiguracoes.h"
#include "fiscal/TuimException.h"
#include "fiscal/TuimUtil.h"
#include "fiscal/fscAuxiliar.h"
#include "security/TuimDFeSSL.h"
#include "xml/TuimNFeJson.h"
#include "xml/TuimNFeR.h"

namespace tuim::cli {
namespace {

// The one file argument of a subcommand, read; false with the exit code in `rc` otherwise.
bool Documento(const Args& a, const std::string& sub, const std::vector<std::string>& opcoes, std::string& xml,
               int& rc) {
  if (!a.ok()) {
    rc = UsageError(a.error());
    return false;
  }
  if (auto u = a.Unknown(opcoes); !u.empty()) {
    rc = UsageError("opção desconhecida para nfe " + sub + ": --" + u);
    return false;
  }
  if (a.Positional().size() != 1) {
    rc = UsageError("nfe " + sub + " espera um arquivo XML (veja tuim nfe " + sub + " --help)");
    return false;
  }
  if (!LerArquivo(a.Positional()[0], xml)) {
    std::cerr << "tuim: não foi possível ler " << a.Positional()[0] << "\n";
    rc = kExitInvalid;
    return false;
  }
  return true;
}

// Reads the document; the error of a document that cannot be read goes to stderr.
bool Ler(const std::string& xml, TNFe& nfe, std::vector<std::string>& avisos) {
  TNFeR r(&nfe);
  try {
    r.LerXML(xml);
  } catch (const ETuimDFeException& e) {
    std::cerr << "tuim: " << ParaUTF8(e.what()) << "\n";
    return false;
  }
  avisos = r.Avisos();
  return true;
}

int NfeLer(const std::vector<std::string>& words) {
  Args a(words, {"estrito"});
  std::string xml;
  int rc = kExitOk;
  if (!Documento(a, "ler", {"estrito"}, xml, rc)) return rc;
  TNFe nfe;
  std::vector<std::string> avisos;
  if (!Ler(xml, nfe, avisos)) return kExitInvalid;
  // The model keeps local times; their offset is the issuer's state's, not this machine's.
  ConfiguracaoFusoHorario().SetModoDeteccao(tzFSC);
  for (const std::string& aviso : avisos) std::cerr << "aviso: " << ParaUTF8(aviso) << "\n";
  std::cout << NFeParaJSON(nfe) << "\n";
  return a.Has("estrito") && !avisos.empty() ? kExitInvalid : kExitOk;
}

int NfeValidar(const std::vector<std::string>& words) {
  Args a(words, {});
  std::string xml;
  int rc = kExitOk;
  if (!Documento(a, "validar", {"schemas"}, xml, rc)) return rc;
  std::string raiz, versao;
  try {
    TNFeR::IdentificarDocumento(xml, raiz, versao);
  } catch (const ETuimDFeException& e) {
    return Falha(e.what());
  }
  std::string pasta = DeUTF8(a.Get("schemas"));
  if (pasta.empty()) pasta = TConfiguracoesNFe().Arquivos().PathSchemas();
  const std::string schema = (raiz == "nfeProc" ? "procNFe_v" : "nfe_v") + versao + ".xsd";
  const std::string arquivo = (std::filesystem::path(pasta) / schema).string();
  if (!std::filesystem::is_regular_file(arquivo)) {
    std::cerr << "tuim: schema não encontrado: " << ParaUTF8(arquivo) << "\n";
    return kExitInvalid;
  }
  std::string mensagem;
  bool ok = false;
  try {
    TDFeSSL ssl;
    ssl.SetSSLXmlSignLib(xsLibXml2);
    ok = ssl.Validar(xml, arquivo, mensagem);
  } catch (const ETuimDFeException& e) {
    return Falha(e.what());
  }
  if (ok) {
    std::cout << "OK " << schema << "\n";
    return kExitOk;
  }
  std::cout << ParaUTF8(Trim(mensagem)) << "\n";
  return kExitInvalid;
}

int NfeChave(const std::vector<std::string>& words) {
  Args a(words, {"json"});
  std::string xml;
  int rc = kExitOk;
  if (!Documento(a, "chave", {"json"}, xml, rc)) return rc;
  TNFe nfe;
  std::vector<std::string> avisos;
  if (!Ler(xml, nfe, avisos)) return kExitInvalid;
  std::string chave = nfe.infNFe.ID;
  if (chave.compare(0, 3, "NFe") == 0) chave.erase(0, 3);
  int dv = -1;
  const bool formada = chave.size() == TamanhoChaveAcesso && DigitoChaveAcesso(chave.substr(0, 43), dv);
  if (!formada) {
    std::cerr << "tuim: o Id do documento não traz uma chave de 44 dígitos: " << ParaUTF8(nfe.infNFe.ID) << "\n";
    return kExitInvalid;
  }
  const bool dvOk = dv == chave.back() - '0';
  const AccessKeyFields f = DecomporChaveAcesso(chave);
  const std::pair<const char*, std::string> campos[] = {
      {"UF", f.UF.str()},         {"Ano", f.Ano.str()},       {"Mes", f.Mes.str()},
      {"CNPJ", f.CNPJ.str()},     {"Modelo", f.Modelo.str()}, {"Serie", f.Serie.str()},
      {"NNF", f.NNF.str()},       {"TipoEmissao", std::string(1, f.TipoEmissao)},
      {"CNF", f.CNF.str()},       {"DV", std::string(1, f.DV)}};
  if (a.Has("json")) {
    std::string j = "{\"Chave\":" + JsonString(chave);
    for (const auto& [nome, valor] : campos) j += "," + JsonString(nome) + ":" + JsonString(ParaUTF8(valor));
    std::cout << j << ",\"DVValido\":" << (dvOk ? "true" : "false") << "}\n";
  } else {
    std::cout << "Chave=" << chave << "\n";
    for (const auto& [nome, valor] : campos) std::cout << nome << "=" << ParaUTF8(valor) << "\n";
  }
  if (!dvOk) {
    std::cerr << "tuim: dígito verificador errado: o calculado é " << dv << "\n";
    return kExitInvalid;
  }
  return kExitOk;
}

const SubCommandRegistrar kLer(
    {"nfe", "ler", "mostra em JSON uma NF-e ou nfeProc",
     "Uso: tuim nfe ler NFE.xml [--estrito]\n"
     "  Lê o XML de uma NF-e, NFC-e ou nfeProc e mostra o documento na forma JSON (docs/nfe-json.md),\n"
     "  a mesma que tuim nfe gerar aceita. Elementos e atributos que o modelo não guarda saem em\n"
     "  stderr, um \"aviso: \" por linha, com o caminho. Datas e horas saem com o fuso da UF do\n"
     "  emitente (tabela de fusos por estado).\n"
     "  --estrito   sai com 1 quando houver avisos\n"
     "  Sai com 1 para XML mal formado, com DOCTYPE, raiz que não seja NFe ou nfeProc, ou valor que\n"
     "  não converte (a mensagem traz o caminho do elemento).\n",
     NfeLer});

const SubCommandRegistrar kValidar(
    {"nfe", "validar", "valida uma NF-e ou nfeProc contra o schema da sua raiz",
     "Uso: tuim nfe validar NFE.xml [--schemas PASTA]\n"
     "  Valida o documento contra nfe_vX.xsd (raiz NFe) ou procNFe_vX.xsd (raiz nfeProc), na versão\n"
     "  do próprio documento. Sem --schemas, a pasta é a dos schemas da configuração (Schemas ao\n"
     "  lado do programa).\n"
     "  Saída \"OK\" e o schema, código 0; a mensagem do validador e código 1 quando inválido.\n",
     NfeValidar});

const SubCommandRegistrar kChave(
    {"nfe", "chave", "mostra a chave de acesso de uma NF-e e seus campos",
     "Uso: tuim nfe chave NFE.xml [--json]\n"
     "  Mostra \"Chave=\" e os dez campos da chave do Id do documento (como tuim chave decompor).\n"
     "  --json   um objeto {\"Chave\":...,\"UF\":...,\"DV\":...,\"DVValido\":true}\n"
     "  Sai com 1 quando o Id não traz 44 dígitos ou o dígito verificador não confere.\n",
     NfeChave});

}  // namespace
}  // namespace tuim::cli
