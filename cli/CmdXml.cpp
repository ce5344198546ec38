// `tuim xml assinar|verificar|validar`: enveloped signatures and schema validation of files.
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "cli/TuimCli.h"
#include "fiscal/TuimUtil.h"
#include "security/TuimDFeSSL.h"
#include "security/TuimSchemas.h"

namespace tuim::cli {
namespace {

// Our own texts are UTF-8 already.
int FalhaUTF8(const std::string& mensagem) {
  std::cerr << "tuim: " << mensagem << "\n";
  return kExitInvalid;
}

int Assinar(const std::vector<std::string>& words) {
  Args a(words, {});
  if (!a.ok()) return UsageError(a.error());
  if (auto u = a.Unknown({"pfx", "senha", "serie", "pin", "doc", "inf", "digest"}); !u.empty())
    return UsageError("opção desconhecida: --" + u);
  if (a.Positional().size() != 2) return UsageError("informe ENTRADA e SAIDA");
  TDFeSSL ssl;
  if (a.Has("pfx")) {
    ssl.SetSSLCryptLib(cryOpenSSL);
    ssl.SetArquivoPFX(a.Get("pfx"));
    ssl.SetSenha(DeUTF8(a.Get("senha")));
  } else if (a.Has("serie")) {
    ssl.SetSSLCryptLib(cryWinCrypt);
    ssl.SetNumeroSerie(a.Get("serie"));
    ssl.SetSenha(DeUTF8(a.Get("pin")));
  } else {
    return UsageError("informe --pfx ARQUIVO --senha S ou --serie SERIE --pin PIN");
  }
  std::string digest = a.Get("digest", "sha1");
  if (digest == "sha1") ssl.SetSSLDgst(dgstSHA1);
  else if (digest == "sha256") ssl.SetSSLDgst(dgstSHA256);
  else if (digest == "sha512") ssl.SetSSLDgst(dgstSHA512);
  else return UsageError("--digest deve ser sha1, sha256 ou sha512");
  std::string xml;
  if (!LerArquivo(a.Positional()[0], xml)) return UsageError("não foi possível ler " + a.Positional()[0]);
  try {
    ssl.SetSSLXmlSignLib(xsLibXml2);
    std::string assinado = ssl.Assinar(xml, a.Get("doc", "NFe"), a.Get("inf", "infNFe"));
    std::ofstream o(a.Positional()[1], std::ios::binary | std::ios::trunc);
    if (!(o << assinado)) return UsageError("não foi possível gravar " + a.Positional()[1]);
  } catch (const ETuimDFeException& e) {
    return Falha(e.what());
  }
  return kExitOk;
}

int Verificar(const std::vector<std::string>& words) {
  Args a(words, {});
  if (!a.ok()) return UsageError(a.error());
  if (auto u = a.Unknown({"inf"}); !u.empty()) return UsageError("opção desconhecida: --" + u);
  if (a.Positional().size() != 1) return UsageError("informe o arquivo");
  std::string xml;
  if (!LerArquivo(a.Positional()[0], xml)) return UsageError("não foi possível ler " + a.Positional()[0]);
  TDFeSSL ssl;
  std::string msg;
  try {
    ssl.SetSSLCryptLib(cryOpenSSL);
    ssl.SetSSLXmlSignLib(xsLibXml2);
    if (!ssl.SSLXmlSignClass().ValidarAssinatura(xml, msg, a.Get("inf", "infNFe"))) return Falha(msg);
  } catch (const ETuimDFeException& e) {
    return Falha(e.what());
  }
  std::cout << "OK\n";
  return kExitOk;
}

int Validar(const std::vector<std::string>& words) {
  Args a(words, {});
  if (!a.ok()) return UsageError(a.error());
  if (auto u = a.Unknown({"schema", "schemas"}); !u.empty()) return UsageError("opção desconhecida: --" + u);
  if (a.Positional().size() != 1) return UsageError("informe o arquivo");
  std::string xml;
  if (!LerArquivo(a.Positional()[0], xml)) return UsageError("não foi possível ler " + a.Positional()[0]);
  std::string schema = a.Get("schema");
  if (schema.empty()) {
    // The document's root chooses the file; the package is the one given or the one found.
    std::string raiz;
    std::string arquivo = SchemaPorRaiz(xml, &raiz);
    if (arquivo.empty())
      return FalhaUTF8(raiz.empty() ? "o arquivo não é um XML legível" : "elemento raiz sem schema conhecido: " + raiz);
    std::string pasta = a.Has("schemas") ? CaminhoComBarra(a.Get("schemas")) : PastaSchemasPadrao();
    if (pasta.empty())
      return FalhaUTF8("schemas não encontrados: informe --schemas PASTA ou a variável TUIM_SCHEMAS");
    schema = pasta + arquivo;
    std::error_code ec;
    if (!std::filesystem::is_regular_file(schema, ec)) return FalhaUTF8("schema não encontrado: " + schema);
  }
  TDFeSSL ssl;
  std::string msg;
  try {
    ssl.SetSSLXmlSignLib(xsLibXml2);
    if (!ssl.Validar(xml, schema, msg)) {
      while (!msg.empty() && (msg.back() == '\n' || msg.back() == '\r')) msg.pop_back();
      return Falha(msg);
    }
  } catch (const ETuimDFeException& e) {
    return Falha(e.what());
  }
  std::cout << "OK\n";
  return kExitOk;
}

const CommandRegistrar kXml({
    "xml",
    "assinatura e validação de XML (assinar, verificar, validar)",
    "Uso: tuim xml assinar ENTRADA SAIDA (--pfx ARQUIVO --senha S | --serie SERIE --pin PIN)\n"
    "                      [--doc NFe] [--inf infNFe] [--digest sha1|sha256|sha512]\n"
    "     tuim xml verificar ENTRADA [--inf infNFe]\n"
    "     tuim xml validar ENTRADA [--schema ARQUIVO.xsd | --schemas PASTA]\n\n"
    "assinar põe a assinatura envelopada (XML-DSig) em --doc sobre o elemento --inf;\n"
    "verificar confere resumo e assinatura com o certificado contido no XML (saída 0 válido, 1 com a\n"
    "mensagem); validar confere o XML contra o schema, escolhido pelo elemento raiz quando --schema\n"
    "não é dado, no pacote de --schemas ou no que o programa encontra (TUIM_SCHEMAS, a pasta\n"
    "Schemas do programa, a pasta de dados instalada). Arquivos em UTF-8.\n",
    [](const std::vector<std::string>& w) { return RunSubCommand("xml", w); }});

const SubCommandRegistrar kAssinar({"xml", "assinar", "assina um arquivo XML",
                                    "Uso: tuim xml assinar ENTRADA SAIDA (--pfx ARQUIVO --senha S | --serie SERIE "
                                    "--pin PIN) [--doc NFe] [--inf infNFe] [--digest sha1|sha256|sha512]\n",
                                    Assinar});
const SubCommandRegistrar kVerificar({"xml", "verificar", "confere a assinatura de um arquivo XML",
                                      "Uso: tuim xml verificar ENTRADA [--inf infNFe]\n", Verificar});
const SubCommandRegistrar kValidar({"xml", "validar", "valida um arquivo XML contra um schema",
                                    "Uso: tuim xml validar ENTRADA [--schema ARQUIVO.xsd | --schemas PASTA]\n", Validar});

}  // namespace
}  // namespace tuim::cli
