#include "security/TuimXmlSign.h"

#include <libxml/c14n.h>
#include <libxml/parser.h>
#include <libxml/tree.h>
#include <libxml/xmlerror.h>
#include <libxml/xmlsave.h>
#include <libxml/xmlschemas.h>
#include <openssl/evp.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

#include "fiscal/TuimUtil.h"
#include "fiscal/TuimDFeUtil.h"
#include "fiscal/TuimException.h"

namespace tuim {

namespace {

const char* const kDsigMore = "http://www.w3.org/2001/04/xmldsig-more#";
const char* const kXmlEnc = "http://www.w3.org/2001/04/xmlenc#";
const char* const kDeclaracaoUTF8 = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>";

// ---- libxml2 set-up ----

xmlExternalEntityLoader gCarregadorPadrao = nullptr;
// Set while a document from outside is parsed: its external entities are never loaded. Schema
// files (which include each other) are read with it clear.
thread_local bool tBloquearEntidades = false;

xmlParserInputPtr CarregadorEntidades(const char* url, const char* id, xmlParserCtxtPtr ctxt) {
  if (tBloquearEntidades || !gCarregadorPadrao) return nullptr;
  return gCarregadorPadrao(url, id, ctxt);
}

// Errors of a parse or validation go to the caller's context, never to stderr.
void SemSaida(void*, const char*, ...) {}

struct DocFree {
  void operator()(xmlDoc* d) const { xmlFreeDoc(d); }
};
using Doc = std::unique_ptr<xmlDoc, DocFree>;

struct XmlCharFree {
  void operator()(xmlChar* p) const { xmlFree(p); }
};
using XmlText = std::unique_ptr<xmlChar, XmlCharFree>;

// Entities are substituted (canonical XML has no entity references), but only internal ones:
// the loader refuses external entities, NONET forbids the network, no DTD is loaded, and
// libxml2's default amplification limits stay in force (no XML_PARSE_HUGE). Short texts are
// kept inside their nodes (COMPACT): most values of a fiscal document are, and each one so
// kept is one allocation less to make and to free.
const int kOpcoesParse =
    XML_PARSE_NOENT | XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING | XML_PARSE_COMPACT;

struct CtxtFree {
  void operator()(xmlParserCtxt* c) const { xmlFreeParserCtxt(c); }
};

// One parser context per thread, reset for every document: its name dictionary is shared by
// the documents it makes, so names are looked up in a dictionary that already holds them. A
// dictionary grown past this many names (documents of many vocabularies) is started afresh.
const int kMaximoNomesDicionario = 50000;

xmlParserCtxt* ContextoDoThread() {
  thread_local std::unique_ptr<xmlParserCtxt, CtxtFree> ctxt;
  if (ctxt && ctxt->dict && xmlDictSize(ctxt->dict) > kMaximoNomesDicionario) ctxt.reset();
  if (!ctxt) ctxt.reset(xmlNewParserCtxt());
  return ctxt.get();
}

Doc LerDocumento(const char* texto, std::size_t tamanho) {
  xmlParserCtxt* ctxt = ContextoDoThread();
  if (!ctxt) return nullptr;
  tBloquearEntidades = true;
  xmlDoc* d = xmlCtxtReadMemory(ctxt, texto, static_cast<int>(tamanho), nullptr, nullptr, kOpcoesParse);
  tBloquearEntidades = false;
  return Doc(d);
}

Doc LerDocumento(const std::string& texto) { return LerDocumento(texto.data(), texto.size()); }

// ---- text helpers ----

std::string SemPrefixo(const std::string& nome) {
  auto p = nome.find(':');
  return p == std::string::npos ? nome : nome.substr(p + 1);
}

bool DeclaraUTF8(const std::string& xml) {
  std::string inicio = LowerCase(xml.substr(0, 50));
  auto p = inicio.find("encoding");
  return p != std::string::npos && inicio.find("utf-8", p) != std::string::npos;
}

std::string RemoverDeclaracao(const std::string& xml) {
  std::size_t b = 0;
  while (b < xml.size() && (xml[b] == ' ' || xml[b] == '\t' || xml[b] == '\r' || xml[b] == '\n')) ++b;
  if (xml.compare(b, 5, "<?xml") != 0) return xml;
  auto fim = xml.find("?>", b);
  if (fim == std::string::npos) return xml;
  return xml.substr(fim + 2);
}

bool TemQuebra(const std::string& s) {
  return std::memchr(s.data(), '\n', s.size()) || std::memchr(s.data(), '\r', s.size());
}

std::string SemQuebras(const std::string& s) {
  if (!TemQuebra(s)) return s;
  std::string r;
  r.reserve(s.size());
  for (char c : s)
    if (c != '\r' && c != '\n') r += c;
  return r;
}

std::string SemBrancos(const std::string& s) {
  std::string r;
  for (char c : s)
    if (c != ' ' && c != '\t' && c != '\r' && c != '\n') r += c;
  return r;
}

// Base64 as signatures carry it, with line breaks and blanks anywhere.
std::string Base64SemBrancos(const std::string& texto) {
  std::string b = SemBrancos(texto);
  if (b.empty() || b.size() % 4 != 0) return {};
  std::string out(b.size() / 4 * 3, '\0');
  int n = EVP_DecodeBlock(reinterpret_cast<unsigned char*>(out.data()),
                          reinterpret_cast<const unsigned char*>(b.data()), static_cast<int>(b.size()));
  if (n < 0) return {};
  std::size_t pad = 0;
  if (b[b.size() - 1] == '=') ++pad;
  if (b[b.size() - 2] == '=') ++pad;
  out.resize(static_cast<std::size_t>(n) - pad);
  return out;
}

// ---- tree helpers ----

bool Combina(const xmlNode* n, const std::string& nome, const char* ns) {
  if (!n || n->type != XML_ELEMENT_NODE) return false;
  if (nome != reinterpret_cast<const char*>(n->name)) return false;
  if (ns && *ns) return n->ns && n->ns->href && std::strcmp(reinterpret_cast<const char*>(n->ns->href), ns) == 0;
  return true;
}

// The start node itself, else depth-first in document order.
xmlNode* LocalizarElemento(xmlNode* inicio, const std::string& nome, const char* ns = nullptr) {
  if (!inicio) return nullptr;
  if (Combina(inicio, nome, ns)) return inicio;
  for (xmlNode* c = inicio->children; c; c = c->next) {
    if (Combina(c, nome, ns)) return c;
    if (xmlNode* r = LocalizarElemento(c, nome, ns)) return r;
  }
  return nullptr;
}

std::string Atributo(const xmlNode* n, const std::string& nome) {
  for (const xmlAttr* a = n->properties; a; a = a->next) {
    if (nome == reinterpret_cast<const char*>(a->name)) {
      XmlText v(xmlNodeListGetString(n->doc, a->children, 1));
      return v ? reinterpret_cast<const char*>(v.get()) : "";
    }
  }
  return {};
}

// True when the attribute `nome` of `n` holds exactly `valor`; read in place when it is one text.
bool AtributoIgual(const xmlNode* n, const std::string& nome, const std::string& valor) {
  for (const xmlAttr* a = n->properties; a; a = a->next) {
    if (nome != reinterpret_cast<const char*>(a->name)) continue;
    const xmlNode* t = a->children;
    if (t && !t->next && t->type == XML_TEXT_NODE)
      return t->content && valor == reinterpret_cast<const char*>(t->content);
    return Atributo(n, nome) == valor;
  }
  return false;
}

// First element named `nome` whose identifier attribute holds `id`.
xmlNode* LocalizarPorId(xmlNode* inicio, const std::string& nome, const std::string& atributo, const std::string& id) {
  if (!inicio) return nullptr;
  if (inicio->type == XML_ELEMENT_NODE && (nome.empty() || Combina(inicio, nome, nullptr)) &&
      AtributoIgual(inicio, atributo, id))
    return inicio;
  for (xmlNode* c = inicio->children; c; c = c->next)
    if (xmlNode* r = LocalizarPorId(c, nome, atributo, id)) return r;
  return nullptr;
}

std::string Conteudo(const xmlNode* n) {
  if (!n) return {};
  XmlText v(xmlNodeGetContent(n));
  return v ? reinterpret_cast<const char*>(v.get()) : "";
}

// The existing signature that belongs to infElement: among the siblings of the signed element
// (after it, searched from the parent's end), else after the root's content.
xmlNode* LocalizarAssinatura(xmlDoc* doc, const std::string& infElement) {
  xmlNode* raiz = xmlDocGetRootElement(doc);
  if (!raiz) return nullptr;
  const std::string nome = "Signature";
  xmlNode* elem = infElement.empty() ? nullptr : LocalizarElemento(raiz, SemPrefixo(infElement));
  xmlNode* pai = (elem && elem->parent && elem->parent->type == XML_ELEMENT_NODE) ? elem->parent : nullptr;
  if (pai) {
    for (xmlNode* n = pai->last; n && n != elem; n = n->prev)
      if (Combina(n, nome, kXmlDsigNamespace)) return n;
  }
  if (elem) {
    for (xmlNode* n = elem->next; n; n = n->next)
      if (Combina(n, nome, kXmlDsigNamespace)) return n;
  }
  if (Combina(raiz->last, nome, kXmlDsigNamespace)) return raiz->last;
  for (xmlNode* n = raiz->next; n; n = n->next)
    if (Combina(n, nome, kXmlDsigNamespace)) return n;
  return nullptr;
}

// ---- canonical XML ----

// Canonical XML 1.0 of a document subset, by libxml2: the subtree of `apice` (the whole document
// when null) in place, so every namespace in scope is rendered as a verifier renders it; the
// subtree of `excluido` (an enveloped signature) is left out. Visible nodes are marked once
// beforehand, so the callback asks one pointer per node instead of climbing to the root.
char gMarcaVisivel;

void Marcar(xmlNode* n, void* marca) {
  for (; n; n = n->next) {
    n->_private = marca;
    if (n->type == XML_ELEMENT_NODE || n->type == XML_DOCUMENT_NODE) Marcar(n->children, marca);
  }
}

void MarcarSubconjunto(xmlDoc* doc, xmlNode* apice, xmlNode* excluido, void* marca) {
  if (apice) {
    apice->_private = marca;
    Marcar(apice->children, marca);
  } else {
    Marcar(doc->children, marca);
  }
  if (excluido && marca) {
    excluido->_private = nullptr;
    Marcar(excluido->children, nullptr);
  }
}

int Visivel(void*, xmlNodePtr no, xmlNodePtr pai) {
  // Namespace nodes are xmlNs records: their element is `pai`.
  xmlNode* n = (no == nullptr || no->type == XML_NAMESPACE_DECL) ? pai : no;
  if (n && n->type == XML_ATTRIBUTE_NODE) n = n->parent;
  return n && n->_private == &gMarcaVisivel ? 1 : 0;
}

// Runs the canonicalisation of the subset into `saida`; false on failure. The marks are gone
// afterwards whatever happens. The whole document without exclusion needs no callback at all.
bool ExecutarC14N(xmlDoc* doc, xmlNode* apice, xmlNode* excluido, xmlOutputBuffer* saida) {
  if (!apice && !excluido) return xmlC14NExecute(doc, nullptr, nullptr, XML_C14N_1_0, nullptr, 0, saida) >= 0;
  MarcarSubconjunto(doc, apice, excluido, &gMarcaVisivel);
  int r = xmlC14NExecute(doc, Visivel, nullptr, XML_C14N_1_0, nullptr, 0, saida);
  MarcarSubconjunto(doc, apice, nullptr, nullptr);
  if (!apice) Marcar(doc->children, nullptr);
  return r >= 0;
}

std::string Canonizar(xmlDoc* doc, xmlNode* apice, xmlNode* excluido = nullptr) {
  xmlOutputBuffer* buf = xmlAllocOutputBuffer(nullptr);
  if (!buf) throw ETuimDFeException("Erro ao selecionar os elementos do XML.");
  bool ok = ExecutarC14N(doc, apice, excluido, buf);
  std::string out;
  if (ok) {
    const xmlChar* p = xmlOutputBufferGetContent(buf);
    out.assign(reinterpret_cast<const char*>(p), xmlOutputBufferGetSize(buf));
  }
  xmlOutputBufferClose(buf);
  if (!ok || out.empty()) throw ETuimDFeException("Erro ao aplicar transformação C14N");
  return out;
}

// An attribute value written so that a parser reads back exactly `v` (white space included).
void ValorDeAtributo(std::string& out, const char* v) {
  for (; v && *v; ++v) {
    switch (*v) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '"': out += "&quot;"; break;
      case '\t': out += "&#9;"; break;
      case '\n': out += "&#10;"; break;
      case '\r': out += "&#13;"; break;
      default: out += *v;
    }
  }
}

// Canonical form of the element `nome` of `fragmento` as if the fragment sat under `contexto`:
// the fragment is parsed inside a small element that declares every namespace in scope at
// `contexto` and carries the xml:* attributes it inherits, and libxml2 canonicalises the element
// there. A signature's SignedInfo is so canonicalised without walking the whole document again.
std::string CanonicoNoContexto(xmlNode* contexto, const std::string& fragmento, const char* nome) {
  std::map<std::string, std::string> ns, xmlAttrs;
  for (xmlNode* n = contexto; n && n->type == XML_ELEMENT_NODE; n = n->parent) {
    for (xmlNs* d = n->nsDef; d; d = d->next)  // the nearest declaration wins
      ns.emplace(d->prefix ? reinterpret_cast<const char*>(d->prefix) : "",
                 d->href ? reinterpret_cast<const char*>(d->href) : "");
    for (xmlAttr* a = n->properties; a; a = a->next) {
      if (!a->ns || !a->ns->prefix || std::strcmp(reinterpret_cast<const char*>(a->ns->prefix), "xml") != 0) continue;
      XmlText v(xmlNodeListGetString(n->doc, a->children, 1));
      xmlAttrs.emplace(reinterpret_cast<const char*>(a->name), v ? reinterpret_cast<const char*>(v.get()) : "");
    }
  }
  std::string texto = "<w";
  for (const auto& [p, h] : ns) {
    texto += p.empty() ? std::string(" xmlns=\"") : " xmlns:" + p + "=\"";
    ValorDeAtributo(texto, h.c_str());
    texto += '"';
  }
  for (const auto& [a, v] : xmlAttrs) {
    texto += " xml:" + a + "=\"";
    ValorDeAtributo(texto, v.c_str());
    texto += '"';
  }
  texto += '>';
  texto += fragmento;
  texto += "</w>";
  Doc d = LerDocumento(texto);
  if (!d) throw ETuimDFeException("Erro ao selecionar os elementos do XML.");
  xmlNode* apice = LocalizarElemento(xmlDocGetRootElement(d.get()), nome, kXmlDsigNamespace);
  if (!apice) throw ETuimDFeException("Erro ao selecionar os elementos do XML.");
  return Canonizar(d.get(), apice);
}

const EVP_MD* AlgoritmoDigest(TSSLDgst d) {
  switch (d) {
    case dgstSHA1: case dgstSHA: return EVP_sha1();
    case dgstSHA256: return EVP_sha256();
    case dgstSHA512: return EVP_sha512();
    case dgstMD5: return EVP_md5();
    default: return nullptr;
  }
}

int EscreverNoDigest(void* ctx, const char* buf, int len) {
  return EVP_DigestUpdate(static_cast<EVP_MD_CTX*>(ctx), buf, static_cast<std::size_t>(len)) == 1 ? len : -1;
}
int FecharDigest(void*) { return 0; }

// Raw digest of the canonical subset, streamed from the canonicaliser into the hash without
// ever holding the canonical text. Empty when the digest kind is not one libcrypto names here.
std::string DigestCanonico(xmlDoc* doc, xmlNode* apice, xmlNode* excluido, TSSLDgst d) {
  const EVP_MD* md = AlgoritmoDigest(d);
  if (!md) return {};
  std::unique_ptr<EVP_MD_CTX, void (*)(EVP_MD_CTX*)> ctx(EVP_MD_CTX_new(), EVP_MD_CTX_free);
  if (!ctx || EVP_DigestInit_ex(ctx.get(), md, nullptr) != 1) throw ETuimDFeException("Erro ao calcular o Digest");
  xmlOutputBuffer* buf = xmlOutputBufferCreateIO(EscreverNoDigest, FecharDigest, ctx.get(), nullptr);
  if (!buf) throw ETuimDFeException("Erro ao selecionar os elementos do XML.");
  bool ok = ExecutarC14N(doc, apice, excluido, buf);
  // Closing flushes what the buffer still holds into the hash.
  ok = xmlOutputBufferClose(buf) >= 0 && ok;
  if (!ok) throw ETuimDFeException("Erro ao aplicar transformação C14N");
  unsigned char h[EVP_MAX_MD_SIZE];
  unsigned int n = 0;
  if (EVP_DigestFinal_ex(ctx.get(), h, &n) != 1) throw ETuimDFeException("Erro ao calcular o Digest");
  return std::string(reinterpret_cast<char*>(h), n);
}

std::string Base64(const std::string& bytes) {
  std::string out(4 * ((bytes.size() + 2) / 3) + 1, '\0');
  int n = EVP_EncodeBlock(reinterpret_cast<unsigned char*>(out.data()),
                          reinterpret_cast<const unsigned char*>(bytes.data()), static_cast<int>(bytes.size()));
  out.resize(n < 0 ? 0 : static_cast<std::size_t>(n));
  return out;
}

bool SoBase64(const std::string& s) {
  for (char c : s)
    if (!((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '+' || c == '/' ||
          c == '='))
      return false;
  return true;
}

struct Algoritmos {
  std::string metodo, digest;
};

Algoritmos AlgoritmosDe(TSSLDgst digest) {
  switch (digest) {
    case dgstSHA256:
      return {std::string(kDsigMore) + "rsa-sha256", std::string(kXmlEnc) + "sha256"};
    case dgstSHA512:
      return {std::string(kDsigMore) + "rsa-sha512", std::string(kXmlEnc) + "sha512"};
    default:
      return {std::string(kXmlDsigNamespace) + "rsa-sha1", std::string(kXmlDsigNamespace) + "sha1"};
  }
}

// The children of SignedInfo as canonical XML writes them (and as the tree path serialises them).
std::string CorpoSignedInfo(const std::string& uri, TSSLDgst d, const std::string& digestValue) {
  Algoritmos a = AlgoritmosDe(d);
  std::string r;
  r.reserve(700);
  r += "<CanonicalizationMethod Algorithm=\"";
  r += kC14NAlgoritmo;
  r += "\"></CanonicalizationMethod><SignatureMethod Algorithm=\"" + a.metodo + "\"></SignatureMethod>";
  r += "<Reference URI=\"";
  if (!uri.empty()) {
    r += '#';
    ValorDeAtributo(r, uri.c_str());
  }
  r += "\"><Transforms><Transform Algorithm=\"";
  r += kEnvelopedAlgoritmo;
  r += "\"></Transform><Transform Algorithm=\"";
  r += kC14NAlgoritmo;
  r += "\"></Transform></Transforms><DigestMethod Algorithm=\"" + a.digest + "\"></DigestMethod>";
  r += "<DigestValue>" + digestValue + "</DigestValue></Reference>";
  return r;
}

// Where the root element's end tag starts, when nothing but white space follows it.
std::size_t FimDaRaiz(const std::string& xml, xmlNode* raiz) {
  std::string nome = reinterpret_cast<const char*>(raiz->name);
  if (raiz->ns && raiz->ns->prefix) nome = std::string(reinterpret_cast<const char*>(raiz->ns->prefix)) + ":" + nome;
  std::size_t p = xml.rfind("</" + nome);
  if (p == std::string::npos) return std::string::npos;
  std::size_t i = p + 2 + nome.size();
  while (i < xml.size() && (xml[i] == ' ' || xml[i] == '\t')) ++i;
  if (i >= xml.size() || xml[i] != '>') return std::string::npos;
  for (++i; i < xml.size(); ++i)
    if (xml[i] != ' ' && xml[i] != '\t') return std::string::npos;
  return p;
}

std::string Serializar(xmlDoc* doc, bool semDeclaracao) {
  xmlBuffer* buf = xmlBufferCreate();
  int opcoes = XML_SAVE_NO_EMPTY | (semDeclaracao ? XML_SAVE_NO_DECL : 0);
  xmlSaveCtxt* ctx = xmlSaveToBuffer(buf, "UTF-8", opcoes);
  xmlSaveDoc(ctx, doc);
  xmlSaveClose(ctx);
  std::string out(reinterpret_cast<const char*>(xmlBufferContent(buf)), xmlBufferLength(buf));
  xmlBufferFree(buf);
  return out;
}

std::string SerializarNo(xmlDoc* doc, xmlNode* no) {
  xmlBuffer* buf = xmlBufferCreate();
  xmlNodeDump(buf, doc, no, 0, 0);
  std::string out(reinterpret_cast<const char*>(xmlBufferContent(buf)), xmlBufferLength(buf));
  xmlBufferFree(buf);
  return out;
}

// The output carries no line break: those around the root go, and a line break that is
// content (only a character reference can bring one after the input lost its breaks) is
// written back as a reference, so the text still means what was digested.
std::string SemQuebrasDeLinha(const std::string& s) {
  std::size_t ini = 0;
  while ((ini = s.find('<', ini)) != std::string::npos && s.compare(ini, 2, "<?") == 0) ++ini;
  std::size_t fim = s.rfind('>');
  std::string r;
  r.reserve(s.size() + 16);
  for (std::size_t i = 0; i < s.size(); ++i) {
    char c = s[i];
    if (c == '\r' || c == '\n') {
      if (ini != std::string::npos && i > ini && i < fim) r += (c == '\n') ? "&#10;" : "&#13;";
      continue;
    }
    r += c;
  }
  return r;
}

void DefinirConteudo(xmlNode* n, const std::string& v) {
  xmlNodeSetContent(n, reinterpret_cast<const xmlChar*>(v.c_str()));
}

}  // namespace

// ---- initialisation ----

void InicializarLibXml2() {
  static std::once_flag once;
  std::call_once(once, [] {
    xmlInitParser();
    gCarregadorPadrao = xmlGetExternalEntityLoader();
    xmlSetExternalEntityLoader(CarregadorEntidades);
    std::atexit([] { xmlCleanupParser(); });
  });
  // libxml2 keeps its error handler per thread; this thread's errors never reach stderr.
  xmlSetGenericErrorFunc(nullptr, SemSaida);
}

// ---- templates and text helpers ----

std::string ModeloAssinatura(const std::string& uri, bool comX509Data, const std::string& idSignature,
                             TSSLDgst digest) {
  std::string metodo, digestMetodo;
  switch (digest) {
    case dgstSHA256:
      metodo = std::string(kDsigMore) + "rsa-sha256";
      digestMetodo = std::string(kXmlEnc) + "sha256";
      break;
    case dgstSHA512:
      metodo = std::string(kDsigMore) + "rsa-sha512";
      digestMetodo = std::string(kXmlEnc) + "sha512";
      break;
    default:
      metodo = std::string(kXmlDsigNamespace) + "rsa-sha1";
      digestMetodo = std::string(kXmlDsigNamespace) + "sha1";
  }
  std::string r;
  r.reserve(1024);
  r += "<Signature xmlns=\"";
  r += kXmlDsigNamespace;
  r += "\"" + idSignature + ">";
  r += "<SignedInfo>";
  r += "<CanonicalizationMethod Algorithm=\"" + std::string(kC14NAlgoritmo) + "\" />";
  r += "<SignatureMethod Algorithm=\"" + metodo + "\" />";
  r += "<Reference URI=\"" + (uri.empty() ? std::string() : "#" + uri) + "\">";
  r += "<Transforms>";
  r += "<Transform Algorithm=\"" + std::string(kEnvelopedAlgoritmo) + "\" />";
  r += "<Transform Algorithm=\"" + std::string(kC14NAlgoritmo) + "\" />";
  r += "</Transforms>";
  r += "<DigestMethod Algorithm=\"" + digestMetodo + "\" />";
  r += "<DigestValue></DigestValue>";
  r += "</Reference>";
  r += "</SignedInfo>";
  r += "<SignatureValue></SignatureValue>";
  r += "<KeyInfo>";
  if (comX509Data) r += "<X509Data><X509Certificate></X509Certificate></X509Data>";
  r += "</KeyInfo>";
  r += "</Signature>";
  return r;
}

TSSLDgst DigestDaAssinatura(const std::string& xml) {
  auto ler = [&](const std::string& prefixo) -> std::string {
    std::string marca = "SignatureMethod Algorithm=\"" + prefixo;
    auto p = xml.find(marca);
    if (p == std::string::npos) return {};
    p += marca.size();
    auto f = xml.find('"', p);
    if (f == std::string::npos) return {};
    return LowerCase(xml.substr(p, f - p));
  };
  std::string nome = ler(kXmlDsigNamespace);
  if (nome.empty()) nome = ler(kDsigMore);
  if (nome.empty()) throw ETuimDFeException("Não foi possivel recuperar o \"Digest Algorithm\" do XML");
  if (nome == "rsa-sha1") return dgstSHA1;
  if (nome == "rsa-sha256") return dgstSHA256;
  if (nome == "rsa-sha512") return dgstSHA512;
  throw ETuimDFeException("Digest Algorithm, \"" + nome + "\" não suportado");
}

std::string InserirAssinaturaNoTexto(const std::string& conteudoXML, bool comX509Data,
                                     const std::string& docElement, const std::string& idSignature,
                                     const std::string& atributoId, TSSLDgst digest) {
  std::string uri = ExtrairURI(conteudoXML, docElement, atributoId);
  std::string fecha = "</" + docElement + ">";
  auto p = conteudoXML.rfind(fecha);
  if (p == std::string::npos) throw ETuimDFeException("Não encontrei final do elemento: " + fecha);
  return conteudoXML.substr(0, p) + ModeloAssinatura(uri, comX509Data, idSignature, digest) + conteudoXML.substr(p);
}

std::string AjustarAssinadoNoTexto(const std::string& conteudoXML, const std::string& certificadoBase64) {
  std::string xml = DeclaraUTF8(conteudoXML) ? conteudoXML : RemoverDeclaracao(conteudoXML);
  xml = SemQuebras(xml);
  auto sv = xml.rfind("<SignatureValue>");
  if (sv == std::string::npos) return xml;
  if (!certificadoBase64.empty()) {
    auto troca = [&](const std::string& tag, bool embrulhar) {
      std::string abre = "<" + tag + ">", fecha = "</" + tag + ">";
      auto a = xml.find(abre, sv);
      if (a == std::string::npos) return false;
      auto f = xml.find(fecha, a);
      if (f == std::string::npos) return false;
      std::string cert = "<X509Certificate>" + certificadoBase64 + "</X509Certificate>";
      if (embrulhar) cert = "<X509Data>" + cert + "</X509Data>";
      xml = xml.substr(0, a + abre.size()) + cert + xml.substr(f);
      return true;
    };
    if (!troca("X509Data", false)) troca("KeyInfo", true);
  } else {
    auto primeiro = xml.find("<X509Certificate>", sv);
    auto ultimo = xml.rfind("<X509Certificate>");
    if (primeiro != std::string::npos && ultimo != std::string::npos && ultimo > primeiro)
      xml = xml.substr(0, primeiro) + xml.substr(ultimo);
  }
  sv = xml.rfind("<SignatureValue>");
  auto ki = xml.find("</KeyInfo>", sv);
  if (ki != std::string::npos) {
    std::string meio = xml.substr(sv, ki - sv);
    std::string limpo;
    for (char c : meio)
      if (c != ' ' && c != '\t') limpo += c;
    xml = xml.substr(0, sv) + limpo + xml.substr(ki);
  }
  return xml;
}

// ---- the libxml2 backend ----

TDFeSSLXmlSignLibXml2::TDFeSSLXmlSignLibXml2(TDFeSSL& dfeSSL) : TDFeSSLXmlSignClass(dfeSSL) {}

void TDFeSSLXmlSignLibXml2::AjustarPadroes(std::string& signatureNode, std::string& selectionNamespaces) {
  signatureNode = "Signature";
  selectionNamespaces = kXmlDsigNamespace;
}

std::string TDFeSSLXmlSignLibXml2::Assinar(const std::string& conteudoXML, const std::string& docElement,
                                           const std::string& infElement, const std::string& signatureNode,
                                           const std::string& selectionNamespaces, const std::string& idSignature,
                                           const std::string& atributoId) {
  InicializarLibXml2();
  std::string noAssinatura = signatureNode, nsAssinatura = selectionNamespaces;
  AjustarPadroes(noAssinatura, nsAssinatura);

  const bool utf8 = DeclaraUTF8(conteudoXML);
  // Line breaks go before anything is digested, so the output is exactly what was signed. The
  // usual input (UTF-8, one line) is parsed as it came, without a copy.
  std::string preparado;
  if (!utf8 || TemQuebra(conteudoXML))
    preparado = SemQuebras(utf8 ? conteudoXML : std::string(kDeclaracaoUTF8) + RemoverDeclaracao(conteudoXML));
  const std::string& xml = (!utf8 || TemQuebra(conteudoXML)) ? preparado : conteudoXML;

  const std::string doc = SemPrefixo(docElement), inf = SemPrefixo(infElement);
  const std::string atributo = atributoId.empty() ? "Id" : atributoId;
  std::string uri = ExtrairURI(xml, doc, atributoId);

  Doc documento = LerDocumento(xml);
  if (!documento) throw ETuimDFeException("Erro: Falha ao interpretar o XML \"xmlParseDoc\"");
  xmlDoc* d = documento.get();

  bool tinhaAssinatura = false;
  if (xmlNode* antiga = LocalizarAssinatura(d, inf)) {
    xmlUnlinkNode(antiga);
    xmlFreeNode(antiga);
    tinhaAssinatura = true;
  }

  xmlNode* raiz = xmlDocGetRootElement(d);
  if (!raiz) throw ETuimDFeException("Erro: Falha ao localizar o nó Raiz");
  xmlNode* apice = nullptr;
  if (!uri.empty()) {
    // The digested element is the one the reference names, so the signature can verify.
    apice = LocalizarPorId(raiz, inf, atributo, uri);
    if (!apice) throw ETuimDFeException("Erro: Falha ao localizar o nó de Assinatura");
  }
  xmlNode* destino = doc.empty() ? raiz : LocalizarElemento(raiz, doc);
  if (!destino) throw ETuimDFeException("Nenhum elemento encontrado");

  const TSSLDgst dgst = FpDFeSSL.SSLDgst();
  std::string digestValue;
  std::string bruto = DigestCanonico(d, apice, nullptr, dgst);
  if (!bruto.empty())
    digestValue = Base64(bruto);
  else
    digestValue = FpDFeSSL.CalcHash(Canonizar(d, apice), dgst, fhBase64, false);

  // The signed text is given back by putting the signature into the text that was parsed, not
  // by serialising the tree again: when the signature goes last into the root, the document came
  // without a DTD (whose entities the text would still name) and had no signature to replace.
  // SignedInfo is canonicalised by libxml2 from the very text that goes into the output, parsed
  // under the namespaces in scope where it goes.
  std::size_t fimRaiz = std::string::npos;
  if (!tinhaAssinatura && destino == raiz && idSignature.empty() && !d->intSubset && !d->extSubset)
    fimRaiz = FimDaRaiz(xml, raiz);
  if (fimRaiz != std::string::npos) {
    const std::string abertura = std::string("<Signature xmlns=\"") + kXmlDsigNamespace + "\">";
    const std::string signedInfo = "<SignedInfo>" + CorpoSignedInfo(uri, dgst, digestValue) + "</SignedInfo>";
    const std::string canonSI = CanonicoNoContexto(destino, abertura + signedInfo + "</Signature>", "SignedInfo");
    std::string valor = FpDFeSSL.CalcHash(canonSI, dgst, fhBase64, true);
    // Read after signing: the signature is what opens the certificate.
    const std::string certificado = FpDFeSSL.InfoCertificado().CertificadoBase64();
    if (SoBase64(valor) && SoBase64(certificado)) {
      std::string assinatura;
      assinatura.reserve(1024 + valor.size() + certificado.size());
      assinatura += abertura;
      assinatura += signedInfo;
      assinatura += "<SignatureValue>" + valor + "</SignatureValue>";
      assinatura += "<KeyInfo><X509Data><X509Certificate>" + certificado + "</X509Certificate></X509Data></KeyInfo>";
      assinatura += "</Signature>";
      std::size_t inicio = utf8 ? 0 : xml.size() - RemoverDeclaracao(xml).size();
      std::string out;
      out.reserve(xml.size() - inicio + assinatura.size());
      out.append(xml, inicio, fimRaiz - inicio);
      out += assinatura;
      out.append(xml, fimRaiz, std::string::npos);
      return out;
    }
  }

  // The template is parsed inside a wrapper and its Signature moved under docElement.
  std::string modelo = "<a>" + ModeloAssinatura(uri, true, idSignature, dgst) + "</a>";
  Doc temp = LerDocumento(modelo);
  if (!temp) throw ETuimDFeException("Erro: Falha ao interpretar o XML \"xmlParseDoc\"");
  xmlNode* assinatura = xmlDocCopyNode(xmlDocGetRootElement(temp.get())->children, d, 1);
  if (!assinatura || !xmlAddChild(destino, assinatura)) {
    xmlFreeNode(assinatura);
    throw ETuimDFeException("Nenhum elemento encontrado");
  }
  temp.reset();

  xmlNode* digestNo = LocalizarElemento(assinatura, "DigestValue", kXmlDsigNamespace);
  if (!digestNo) throw ETuimDFeException("Node DigestValue não encontrado");
  DefinirConteudo(digestNo, digestValue);

  xmlNode* signedInfo = LocalizarElemento(assinatura, "SignedInfo", kXmlDsigNamespace);
  if (!signedInfo) throw ETuimDFeException("Node SignedInfo não encontrado");
  const std::string canonSI = Canonizar(d, signedInfo);

  xmlNode* signatureValue = LocalizarElemento(assinatura, "SignatureValue", kXmlDsigNamespace);
  if (!signatureValue) throw ETuimDFeException("Node SignatureValue não encontrado");
  DefinirConteudo(signatureValue, FpDFeSSL.CalcHash(canonSI, dgst, fhBase64, true));

  xmlNode* certNo = LocalizarElemento(assinatura, "X509Certificate", kXmlDsigNamespace);
  if (!certNo) throw ETuimDFeException("Node X509Certificate não encontrado");
  DefinirConteudo(certNo, FpDFeSSL.InfoCertificado().CertificadoBase64());

  return SemQuebrasDeLinha(Serializar(d, !utf8));
}

bool TDFeSSLXmlSignLibXml2::ValidarAssinatura(const std::string& conteudoXML, std::string& mensagemErro,
                                              const std::string& infElement, const std::string& signatureNode,
                                              const std::string& selectionNamespaces, const std::string&,
                                              const std::string& atributoId) {
  InicializarLibXml2();
  mensagemErro.clear();
  std::string noAssinatura = signatureNode, nsAssinatura = selectionNamespaces;
  AjustarPadroes(noAssinatura, nsAssinatura);
  const std::string inf = SemPrefixo(infElement);
  bool resultado = false;
  try {
    Doc documento = LerDocumento(conteudoXML);
    if (!documento) {
      mensagemErro = "Erro: Falha ao interpretar o XML \"xmlParseDoc\"";
    } else if (!xmlDocGetRootElement(documento.get())) {
      mensagemErro = "Erro: Falha ao localizar o nó Raiz";
    } else {
      xmlDoc* d = documento.get();
      xmlNode* raiz = xmlDocGetRootElement(d);
      xmlNode* assinatura = LocalizarAssinatura(d, inf);
      // Everything below comes from this one signature: its SignedInfo, reference, digest,
      // value and certificate.
      xmlNode* signedInfo = assinatura ? LocalizarElemento(assinatura, "SignedInfo", kXmlDsigNamespace) : nullptr;
      xmlNode* reference = signedInfo ? LocalizarElemento(signedInfo, "Reference", kXmlDsigNamespace) : nullptr;
      if (!assinatura || !signedInfo || !reference) {
        mensagemErro = "Erro: Falha ao localizar o nó de Assinatura";
      } else {
        std::string s = SerializarNo(d, assinatura);
        TSSLDgst digest = DigestDaAssinatura(s);
        std::string uri = Atributo(reference, "URI");
        std::string digestGuardado =
            Base64SemBrancos(Conteudo(LocalizarElemento(reference, "DigestValue", kXmlDsigNamespace)));
        xmlNode* elem = nullptr;
        bool referenciaOk = true;
        if (!uri.empty()) {
          if (uri[0] == '#')
            elem = LocalizarPorId(raiz, inf, atributoId.empty() ? "Id" : atributoId, uri.substr(1));
          if (!elem) {
            referenciaOk = false;
            mensagemErro = "Erro: Reference URI \"" + uri + "\" não corresponde ao elemento \"" + inf + "\"";
          }
        }
        if (referenciaOk) {
          bool digestOk = false;
          if (!digestGuardado.empty()) {
            std::string calculado = DigestCanonico(d, elem, assinatura, digest);
            digestOk = calculado.empty()
                           ? FpDFeSSL.ValidarHash(Canonizar(d, elem, assinatura), digest, digestGuardado, false)
                           : calculado == digestGuardado;
          }
          if (!digestOk) {
            mensagemErro = "DigestValue não confere. Conteúdo de \"" + infElement + "\" foi alterado";
          } else {
            std::string cert = Conteudo(LocalizarElemento(assinatura, "X509Certificate", kXmlDsigNamespace));
            std::string valor =
                Base64SemBrancos(Conteudo(LocalizarElemento(assinatura, "SignatureValue", kXmlDsigNamespace)));
            FpDFeSSL.CarregarCertificadoPublico(cert);
            // SignedInfo alone under the signature's namespaces: no second walk of the document.
            std::string canonSI = CanonicoNoContexto(assinatura->parent, s, "SignedInfo");
            resultado = !valor.empty() && FpDFeSSL.ValidarHash(canonSI, digest, valor, true);
            if (!resultado) mensagemErro = "Assinatura inválida";
          }
        }
      }
    }
  } catch (const std::exception& e) {
    mensagemErro = e.what();
    resultado = false;
  }
  try {
    FpDFeSSL.FecharCertificado();
  } catch (...) {
  }
  return resultado;
}

namespace {

struct ErroSchema {
  int codigo = 0;
  std::string mensagem;
  bool houve = false;
};

void GuardarErro(void* dados, xmlErrorPtr erro) {
  auto* e = static_cast<ErroSchema*>(dados);
  if (!erro) return;
  e->houve = true;
  e->codigo = erro->code;
  e->mensagem = erro->message ? erro->message : "";
}

}  // namespace

namespace {

// Compiled schemas, kept per file: compiling nfe_v4.00.xsd with its includes costs far more than
// validating a document against it. A file that changes (time or size) is compiled again.
struct SchemaCompilado {
  xmlSchema* schema = nullptr;
  std::filesystem::file_time_type modificado;
  std::uintmax_t tamanho = 0;
  std::mutex uso;  // libxml2 does not promise that one schema validates on two threads at once
  ~SchemaCompilado() {
    if (schema) xmlSchemaFree(schema);
  }
};

std::mutex gSchemasMutex;
std::map<std::string, std::shared_ptr<SchemaCompilado>>& Schemas() {
  static auto* m = new std::map<std::string, std::shared_ptr<SchemaCompilado>>();
  return *m;
}

// The compiled schema of the file, or null with the message of the failure.
std::shared_ptr<SchemaCompilado> SchemaDoArquivo(const std::string& arquivo, std::string& mensagemErro) {
  std::error_code ec;
  auto modificado = std::filesystem::last_write_time(arquivo, ec);
  std::uintmax_t tamanho = ec ? 0 : std::filesystem::file_size(arquivo, ec);
  const bool existe = !ec;
  {
    std::lock_guard<std::mutex> l(gSchemasMutex);
    auto it = Schemas().find(arquivo);
    if (it != Schemas().end() && existe && it->second->modificado == modificado && it->second->tamanho == tamanho)
      return it->second;
  }
  xmlSchemaParserCtxt* pctx = xmlSchemaNewParserCtxt(arquivo.c_str());
  if (!pctx) {
    mensagemErro = "Error: não foi possivel criar um contexto de validação para o Schema";
    return nullptr;
  }
  ErroSchema erroSchema;
  xmlSchemaSetParserStructuredErrors(pctx, GuardarErro, &erroSchema);
  xmlSchema* schema = xmlSchemaParse(pctx);
  xmlSchemaFreeParserCtxt(pctx);
  if (!schema) {
    mensagemErro = "Erro: Schema inválido";
    return nullptr;
  }
  auto c = std::make_shared<SchemaCompilado>();
  c->schema = schema;
  c->modificado = modificado;
  c->tamanho = tamanho;
  if (existe) {
    std::lock_guard<std::mutex> l(gSchemasMutex);
    Schemas()[arquivo] = c;
  }
  return c;
}

}  // namespace

bool TDFeSSLXmlSignLibXml2::Validar(const std::string& conteudoXML, const std::string& arquivoSchema,
                                    std::string& mensagemErro) {
  InicializarLibXml2();
  mensagemErro.clear();
  Doc documento = LerDocumento(conteudoXML);
  if (!documento || !xmlDocGetRootElement(documento.get())) {
    mensagemErro = "Erro: Falha ao interpretar o XML \"xmlParseDoc\"";
    return false;
  }
  std::shared_ptr<SchemaCompilado> compilado = SchemaDoArquivo(arquivoSchema, mensagemErro);
  if (!compilado) return false;
  std::lock_guard<std::mutex> uso(compilado->uso);
  xmlSchemaValidCtxt* vctx = xmlSchemaNewValidCtxt(compilado->schema);
  if (!vctx) {
    mensagemErro = "Erro: Não foi possivel criar um contexto para o Schema";
    return false;
  }
  ErroSchema erro;
  xmlSchemaSetValidStructuredErrors(vctx, GuardarErro, &erro);
  int r = xmlSchemaValidateDoc(vctx, documento.get());
  bool ok = r == 0;
  if (!ok) {
    if (erro.houve)
      mensagemErro = std::to_string(erro.codigo) + " - " + erro.mensagem;
    else
      mensagemErro = "Erro indefinido, ao validar o Documento com o Schema";
  }
  xmlSchemaFreeValidCtxt(vctx);
  return ok;
}

}  // namespace tuim
