// `tuim nfe txt`: a document, given as JSON or XML, in the pipe-separated text layout of the
// free issuing programs.
#include <libxml/parser.h>
#include <libxml/tree.h>

#include <nlohmann/json.hpp>

#include <algorithm>
#include <fstream>
#include <iostream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "cli/TuimCli.h"
#include "fiscal/TuimException.h"
#include "fiscal/TuimUtil.h"
#include "fiscal/fscAuxiliar.h"
#include "xml/TuimLayoutTXT.h"
#include "xml/TuimNFeJson.h"
#include "xml/TuimNFeR.h"
#include "xml/TuimNFeW.h"

namespace tuim::cli {
namespace {

// The first code point of `utf8` that Windows-1252 cannot hold, as "U+XXXX"; empty when every
// one fits. The readers would turn such a character into "?" without a word.
std::string ForaDoCp1252(const std::string& utf8) {
  std::string cp1252;
  if (!DeUTF8Seguro(utf8, cp1252)) return "";  // not UTF-8 at all: the reader says so
  // Each code point becomes one byte, so a "?" that was not there before marks the spot.
  std::size_t i = 0, j = IniciaCom(utf8, "\xEF\xBB\xBF") ? 3 : 0;
  for (; i < cp1252.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(utf8[j]);
    std::size_t n = c < 0x80 ? 1 : c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4;
    if (cp1252[i] == '?' && utf8[j] != '?') {
      char32_t cp = n == 1 ? c : n == 2 ? c & 0x1F : n == 3 ? c & 0x0F : c & 0x07;
      for (std::size_t k = 1; k < n; ++k) cp = (cp << 6) | (static_cast<unsigned char>(utf8[j + k]) & 0x3F);
      char b[16];
      std::snprintf(b, sizeof b, "U+%04X", static_cast<unsigned>(cp));
      return b;
    }
    j += n;
  }
  return "";
}

// The first JSON string value with such a character: its path and the character.
bool ProcurarJSON(const nlohmann::json& j, const std::string& caminho, std::string& onde, std::string& cp) {
  if (j.is_string()) {
    cp = ForaDoCp1252(j.get<std::string>());
    if (cp.empty()) return false;
    onde = caminho;
    return true;
  }
  if (j.is_object()) {
    for (auto it = j.begin(); it != j.end(); ++it)
      if (ProcurarJSON(it.value(), caminho + "." + it.key(), onde, cp)) return true;
  } else if (j.is_array()) {
    for (std::size_t i = 0; i < j.size(); ++i)
      if (ProcurarJSON(j[i], caminho + "[" + std::to_string(i) + "]", onde, cp)) return true;
  }
  return false;
}

// The same for the text and attributes of an XML document; character references included.
bool ProcurarXML(const xmlNode* no, const std::string& caminho, std::string& onde, std::string& cp) {
  for (; no; no = no->next) {
    if (no->type == XML_TEXT_NODE || no->type == XML_CDATA_SECTION_NODE) {
      if (no->content && !(cp = ForaDoCp1252(reinterpret_cast<const char*>(no->content))).empty()) {
        onde = caminho;
        return true;
      }
      continue;
    }
    if (no->type != XML_ELEMENT_NODE) continue;
    const std::string aqui = caminho + "/" + reinterpret_cast<const char*>(no->name);
    for (const xmlAttr* a = no->properties; a; a = a->next) {
      if (!a->children || !a->children->content) continue;
      cp = ForaDoCp1252(reinterpret_cast<const char*>(a->children->content));
      if (!cp.empty()) {
        onde = aqui + "/@" + reinterpret_cast<const char*>(a->name);
        return true;
      }
    }
    if (ProcurarXML(no->children, aqui, onde, cp)) return true;
  }
  return false;
}

// True when some value of the input holds a character the text layout cannot carry; the
// field's path and the character come back. Input that does not parse is left to the reader.
bool CaractereForaDoCp1252(const std::string& entrada, bool json, std::string& onde, std::string& cp) {
  if (json) {
    nlohmann::json j = nlohmann::json::parse(entrada, nullptr, false);
    return !j.is_discarded() && ProcurarJSON(j, "$", onde, cp);
  }
  xmlDocPtr doc = xmlReadMemory(entrada.data(), static_cast<int>(entrada.size()), nullptr, nullptr,
                                XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING);
  if (!doc) return false;
  const bool achou = ProcurarXML(xmlDocGetRootElement(doc), "", onde, cp);
  xmlFreeDoc(doc);
  return achou;
}

// The first line of `texto` whose field count is not that of its record in the layout: a value
// holding "|" would shift every later field of its record. Empty when all agree.
std::string RegistroDeslocado(const std::string& texto, const std::string& versao) {
  std::map<std::string, std::set<long>> campos;  // record name -> its counts of "|"
  for (const std::string& modelo : LayoutTXT(versao)) {
    std::size_t gt = modelo.find('>');
    std::size_t inicio = modelo.find_first_not_of(' ', gt + 1);
    const std::string corpo = modelo.substr(inicio);
    campos[corpo.substr(0, corpo.find('|'))].insert(std::count(corpo.begin(), corpo.end(), '|'));
  }
  std::size_t i = 0;
  while (i < texto.size()) {
    std::size_t fim = texto.find("\r\n", i);
    if (fim == std::string::npos) fim = texto.size();
    const std::string linha = texto.substr(i, fim - i);
    std::string nome = linha.substr(0, linha.find('|'));
    for (char& c : nome)
      if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    auto it = campos.find(nome);
    if (it == campos.end() || !it->second.count(std::count(linha.begin(), linha.end(), '|'))) return linha;
    i = fim + 2;
  }
  return "";
}

int NfeTxt(const std::vector<std::string>& palavras) {
  // "-o ARQUIVO" as the short form of "--saida ARQUIVO".
  std::vector<std::string> words = palavras;
  for (std::string& w : words)
    if (w == "-o") w = "--saida";
  Args a(words, {"utf8"});
  if (!a.ok()) return UsageError(a.error());
  if (auto u = a.Unknown({"saida", "utf8"}); !u.empty()) return UsageError("opção desconhecida para nfe txt: --" + u);
  if (a.Positional().size() != 1) return UsageError("nfe txt espera um arquivo JSON ou XML (veja tuim nfe txt --help)");
  const std::string arquivo = a.Positional()[0];
  std::string entrada;
  if (!LerArquivo(arquivo, entrada)) {
    std::cerr << "tuim: não foi possível ler " << arquivo << "\n";
    return kExitInvalid;
  }
  const std::size_t inicio = entrada.find_first_not_of(" \t\r\n\xEF\xBB\xBF");
  const bool json = inicio != std::string::npos && entrada[inicio] == '{';

  std::string onde, cp;
  if (CaractereForaDoCp1252(entrada, json, onde, cp)) {
    std::cerr << "tuim: o campo " << onde << " tem o caractere " << cp
              << ", que o Windows-1252 do TXT não representa\n";
    return kExitInvalid;
  }

  TNFe nfe;
  try {
    if (json) {
      NFeDeJSON(nfe, entrada);
    } else {
      TNFeR r(&nfe);
      r.LerXML(entrada);
      for (const std::string& aviso : r.Avisos()) std::cerr << "aviso: " << ParaUTF8(aviso) << "\n";
    }
  } catch (const ETuimDFeException& e) {
    return Falha(e.what());
  }

  // The model keeps local times; their offset is the issuer's state's, not this machine's.
  ConfiguracaoFusoHorario().SetModoDeteccao(tzFSC);
  TNFeW w(&nfe);
  w.Opcoes().SetGerarTXTSimultaneamente(true);
  w.Opcoes().SetGerarTagAssinatura(taNunca);
  w.EscreverNFe();
  if (LayoutTXT(w.VersaoTexto()).empty()) {
    std::cerr << "tuim: o leiaute " << w.VersaoTexto() << " não tem forma TXT (há para 1.10, 2.00, 3.10 e 4.00)\n";
    return kExitInvalid;
  }
  for (const std::string& alerta : w.Gerador().ListaDeAlertas()) std::cerr << "aviso: " << ParaUTF8(alerta) << "\n";
  if (std::string linha = RegistroDeslocado(w.Gerador().ArquivoFormatoTXT(), w.VersaoTexto()); !linha.empty()) {
    std::cerr << "tuim: um valor com \"|\" ou quebra de linha desloca os campos do registro: " << ParaUTF8(linha) << "\n";
    return kExitInvalid;
  }

  // Every line ends in CR LF, the last one too.
  std::string texto = w.Gerador().ArquivoFormatoTXT() + "\r\n";
  if (a.Has("utf8")) texto = ParaUTF8(texto);
  const std::string saida = a.Get("saida");
  if (saida.empty() || saida == "-") {
    std::cout.write(texto.data(), static_cast<std::streamsize>(texto.size()));
    std::cout.flush();
    return std::cout ? kExitOk : kExitInvalid;
  }
  std::ofstream f(saida, std::ios::binary | std::ios::trunc);
  f.write(texto.data(), static_cast<std::streamsize>(texto.size()));
  f.close();
  if (!f) {
    std::cerr << "tuim: não foi possível gravar " << saida << "\n";
    return kExitInvalid;
  }
  return kExitOk;
}

const SubCommandRegistrar kTxt(
    {"nfe", "txt", "escreve uma NF-e no leiaute TXT dos emissores gratuitos",
     "Uso: tuim nfe txt MODELO.json|NFE.xml [-o SAIDA.txt] [--utf8]\n"
     "  Lê o documento na forma JSON (docs/nfe-json.md) ou XML (NFe ou nfeProc) e o escreve no\n"
     "  leiaute TXT separado por \"|\" da sua versão (1.10, 2.00, 3.10 ou 4.00), registro a\n"
     "  registro. Sem -o, a saída vai para stdout.\n"
     "  -o, --saida ARQUIVO   grava em ARQUIVO\n"
     "  --utf8                grava em UTF-8 (o padrão é Windows-1252, como os emissores leem)\n"
     "  As linhas terminam em CR LF. Sai com 1 para documento ilegível, leiaute sem forma TXT\n"
     "  (3.00, por exemplo), um caractere que o Windows-1252 não representa (a mensagem traz o\n"
     "  caminho do campo) ou um valor com \"|\", o separador do leiaute. Alertas do gerador saem\n"
     "  em stderr, um \"aviso: \" por linha.\n",
     NfeTxt});

}  // namespace
}  // namespace tuim::cli
