#include "security/TuimSchemas.h"

#include <libxml/xmlreader.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <system_error>

#include "fiscal/TuimUtil.h"

namespace tuim {
namespace fs = std::filesystem;

namespace {

bool EhPasta(const fs::path& p) {
  std::error_code ec;
  return !p.empty() && fs::is_directory(p, ec);
}

std::string ComBarra(const fs::path& p) { return CaminhoComBarra(p.lexically_normal().string()); }

// A package folder is recognised by the file every package has.
bool TemPacote(const fs::path& p) {
  std::error_code ec;
  return EhPasta(p) && fs::is_regular_file(p / "nfe_v4.00.xsd", ec);
}

struct RaizSchema {
  const char* raiz;
  const char* arquivo;
};

// Documents whose root alone names their schema.
const RaizSchema kRaizes[] = {
    {"NFe", "nfe_v4.00.xsd"},
    {"nfeProc", "procNFe_v4.00.xsd"},
    {"enviNFe", "enviNFe_v4.00.xsd"},
    {"retEnviNFe", "retEnviNFe_v4.00.xsd"},
    {"consReciNFe", "consReciNFe_v4.00.xsd"},
    {"retConsReciNFe", "retConsReciNFe_v4.00.xsd"},
    {"consSitNFe", "consSitNFe_v4.00.xsd"},
    {"retConsSitNFe", "retConsSitNFe_v4.00.xsd"},
    {"consStatServ", "consStatServ_v4.00.xsd"},
    {"retConsStatServ", "retConsStatServ_v4.00.xsd"},
    {"inutNFe", "inutNFe_v4.00.xsd"},
    {"retInutNFe", "retInutNFe_v4.00.xsd"},
    {"ProcInutNFe", "procInutNFe_v4.00.xsd"},
    {"ConsCad", "consCad_v2.00.xsd"},
    {"retConsCad", "retConsCad_v2.00.xsd"},
    {"distDFeInt", "distDFeInt_v1.01.xsd"},
    {"retDistDFeInt", "retDistDFeInt_v1.01.xsd"},
    {"resNFe", "resNFe_v1.01.xsd"},
    {"resEvento", "resEvento_v1.01.xsd"},
};

// Event messages: one schema per event type for the request, its answer and its processed form.
struct EventoSchema {
  const char* tpEvento;
  const char* env;
  const char* ret;
  const char* proc;
};
const EventoSchema kEventos[] = {
    {"110110", "envCCe_v1.00.xsd", "retEnvCCe_v1.00.xsd", "procCCeNFe_v1.00.xsd"},
    {"110111", "envEventoCancNFe_v1.00.xsd", "retEnvEventoCancNFe_v1.00.xsd", "procEventoCancNFe_v1.00.xsd"},
    {"110112", "envEventoCancSubst_v1.00.xsd", "retEnvEventoCancSubst_v1.00.xsd", "procEventoCancSubst_v1.00.xsd"},
    {"110140", "envEPEC_v1.00.xsd", "retEnvEPEC_v1.00.xsd", "procEPEC_v1.00.xsd"},
    {"210200", "envConfRecebto_v1.00.xsd", "retEnvConfRecebto_v1.00.xsd", "procConfRecebtoNFe_v1.00.xsd"},
    {"210210", "envConfRecebto_v1.00.xsd", "retEnvConfRecebto_v1.00.xsd", "procConfRecebtoNFe_v1.00.xsd"},
    {"210220", "envConfRecebto_v1.00.xsd", "retEnvConfRecebto_v1.00.xsd", "procConfRecebtoNFe_v1.00.xsd"},
    {"210240", "envConfRecebto_v1.00.xsd", "retEnvConfRecebto_v1.00.xsd", "procConfRecebtoNFe_v1.00.xsd"},
};

struct LiberarLeitor {
  void operator()(xmlTextReader* r) const { xmlFreeTextReader(r); }
};

}  // namespace

std::string PastaSchemasPadrao(const std::string& pacote) {
  if (const char* env = std::getenv("TUIM_SCHEMAS"); env && *env) {
    fs::path p(env);
    if (TemPacote(p / pacote)) return ComBarra(p / pacote);
    if (TemPacote(p)) return ComBarra(p);
  }
  fs::path programa(PastaAplicacao());
  if (TemPacote(programa / "Schemas" / pacote)) return ComBarra(programa / "Schemas" / pacote);
  if (TemPacote(programa / "Schemas")) return ComBarra(programa / "Schemas");
  // Relative to the program first, so that a package unpacked under any prefix finds its own.
  fs::path instalado = programa / ".." / "share" / "tuim" / "schemas" / pacote;
  if (TemPacote(instalado)) return ComBarra(instalado);
#ifdef TUIM_DATADIR
  if (TemPacote(fs::path(TUIM_DATADIR) / "schemas" / pacote)) return ComBarra(fs::path(TUIM_DATADIR) / "schemas" / pacote);
#endif
#if defined(TUIM_BUILD_DIR) && defined(TUIM_SOURCE_SCHEMAS)
  {
    std::error_code ec;
    fs::path build = fs::weakly_canonical(TUIM_BUILD_DIR, ec);
    fs::path prog = fs::weakly_canonical(programa, ec);
    auto r = prog.lexically_relative(build);
    bool dentro = !r.empty() && r.native().rfind("..", 0) != 0;
    if (dentro && TemPacote(fs::path(TUIM_SOURCE_SCHEMAS) / pacote))
      return ComBarra(fs::path(TUIM_SOURCE_SCHEMAS) / pacote);
  }
#endif
  return "";
}

std::string SchemaPorRaiz(const std::string& xml, std::string* raiz) {
  if (raiz) raiz->clear();
  // A reader walks the text without building it, never loading entities, DTDs or the network.
  std::unique_ptr<xmlTextReader, LiberarLeitor> r(xmlReaderForMemory(
      xml.data(), static_cast<int>(xml.size()), nullptr, nullptr, XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING));
  if (!r) return "";
  std::string nomeRaiz;
  int ret;
  while ((ret = xmlTextReaderRead(r.get())) == 1) {
    if (xmlTextReaderNodeType(r.get()) == XML_READER_TYPE_DOCUMENT_TYPE) return "";
    if (xmlTextReaderNodeType(r.get()) != XML_READER_TYPE_ELEMENT) continue;
    const xmlChar* n = xmlTextReaderConstLocalName(r.get());
    nomeRaiz = n ? reinterpret_cast<const char*>(n) : "";
    break;
  }
  if (nomeRaiz.empty()) return "";
  if (raiz) *raiz = nomeRaiz;
  for (const auto& e : kRaizes)
    if (nomeRaiz == e.raiz) return e.arquivo;
  int tipo = nomeRaiz == "envEvento" ? 0 : nomeRaiz == "retEnvEvento" ? 1 : nomeRaiz == "procEventoNFe" ? 2 : -1;
  if (tipo < 0) return "";
  std::string tpEvento;
  while ((ret = xmlTextReaderRead(r.get())) == 1) {
    if (xmlTextReaderNodeType(r.get()) != XML_READER_TYPE_ELEMENT) continue;
    const xmlChar* n = xmlTextReaderConstLocalName(r.get());
    if (!n || std::strcmp(reinterpret_cast<const char*>(n), "tpEvento") != 0) continue;
    xmlChar* t = xmlTextReaderReadString(r.get());
    if (t) {
      tpEvento = Trim(reinterpret_cast<const char*>(t));
      xmlFree(t);
    }
    break;
  }
  for (const auto& e : kEventos)
    if (tpEvento == e.tpEvento) return tipo == 0 ? e.env : tipo == 1 ? e.ret : e.proc;
  return tipo == 0 ? "envEvento_v1.00.xsd" : tipo == 1 ? "retEnvEvento_v1.00.xsd" : "procEventoNFe_v1.00.xsd";
}

}  // namespace tuim
