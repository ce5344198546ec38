#include "security/TuimXmlSign.h"

#include <libxml/c14n.h>
#include <libxml/parser.h>
#include <libxml/tree.h>
#include <libxml/xmlerror.h>
#include <libxml/xmlsave.h>
#include <libxml/xmlschemas.h>
#include <openssl/evp.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>

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
// libxml2's default amplification limits stay in force (no XML_PARSE_HUGE).
const int kOpcoesParse = XML_PARSE_NOENT | XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING;

Doc LerDocumento(const std::string& texto) {
  tBloquearEntidades = true;
  xmlDoc* d = xmlReadMemory(texto.data(), static_cast<int>(texto.size()), nullptr, nullptr, kOpcoesParse);
  tBloquearEntidades = false;
  return Doc(d);
}

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

std::string SemQuebras(const std::string& s) {
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

// First element named `nome` whose identifier attribute holds `id`.
xmlNode* LocalizarPorId(xmlNode* inicio, const std::string& nome, const std::string& atributo, const std::string& id) {
  if (!inicio) return nullptr;
  if (inicio->type == XML_ELEMENT_NODE && (nome.empty() || Combina(inicio, nome, nullptr)) &&
      Atributo(inicio, atributo) == id)
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

// Canonical XML 1.0 of a document subset: the subtree of `apice` (the whole document when
// null) in place, so every namespace in scope is rendered as a verifier renders it; the
// subtree of `excluido` (an enveloped signature) is left out.
struct Subconjunto {
  xmlNode* apice;
  xmlNode* excluido;
};

int Visivel(void* dados, xmlNodePtr no, xmlNodePtr pai) {
  const auto* s = static_cast<const Subconjunto*>(dados);
  // Namespace nodes are xmlNs records: their element is `pai`.
  xmlNode* n = (no == nullptr || no->type == XML_NAMESPACE_DECL) ? pai : no;
  if (n && n->type == XML_ATTRIBUTE_NODE) n = n->parent;
  bool dentro = s->apice == nullptr;
  for (xmlNode* p = n; p; p = p->parent) {
    if (p == s->excluido) return 0;
    if (p == s->apice) dentro = true;
  }
  return dentro ? 1 : 0;
}

std::string Canonizar(xmlDoc* doc, xmlNode* apice, xmlNode* excluido = nullptr) {
  xmlOutputBuffer* buf = xmlAllocOutputBuffer(nullptr);
  if (!buf) throw ETuimDFeException("Erro ao selecionar os elementos do XML.");
  Subconjunto s{apice, excluido};
  int r = xmlC14NExecute(doc, Visivel, &s, XML_C14N_1_0, nullptr, 0, buf);
  std::string out;
  if (r >= 0) {
    const xmlChar* p = xmlOutputBufferGetContent(buf);
    out.assign(reinterpret_cast<const char*>(p), xmlOutputBufferGetSize(buf));
  }
  xmlOutputBufferClose(buf);
  if (r < 0 || out.empty()) throw ETuimDFeException("Erro ao aplicar transformação C14N");
  return out;
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
  std::string xml = utf8 ? conteudoXML : std::string(kDeclaracaoUTF8) + RemoverDeclaracao(conteudoXML);
  // Line breaks go before anything is digested, so the output is exactly what was signed.
  xml = SemQuebras(xml);

  const std::string doc = SemPrefixo(docElement), inf = SemPrefixo(infElement);
  const std::string atributo = atributoId.empty() ? "Id" : atributoId;
  std::string uri = ExtrairURI(xml, doc, atributoId);

  Doc documento = LerDocumento(xml);
  if (!documento) throw ETuimDFeException("Erro: Falha ao interpretar o XML \"xmlParseDoc\"");
  xmlDoc* d = documento.get();

  if (xmlNode* antiga = LocalizarAssinatura(d, inf)) {
    xmlUnlinkNode(antiga);
    xmlFreeNode(antiga);
  }

  xmlNode* raiz = xmlDocGetRootElement(d);
  std::string canon;
  if (!raiz) throw ETuimDFeException("Erro: Falha ao localizar o nó Raiz");
  if (!uri.empty()) {
    // The digested element is the one the reference names, so the signature can verify.
    xmlNode* elem = LocalizarPorId(raiz, inf, atributo, uri);
    if (!elem) throw ETuimDFeException("Erro: Falha ao localizar o nó de Assinatura");
    canon = Canonizar(d, elem);
  } else {
    canon = Canonizar(d, nullptr);
  }

  // The template is parsed inside a wrapper and its Signature moved under docElement.
  std::string modelo = "<a>" + ModeloAssinatura(uri, true, idSignature, FpDFeSSL.SSLDgst()) + "</a>";
  Doc temp(xmlReadMemory(modelo.data(), static_cast<int>(modelo.size()), nullptr, nullptr, kOpcoesParse));
  if (!temp) throw ETuimDFeException("Erro: Falha ao interpretar o XML \"xmlParseDoc\"");
  xmlNode* destino = doc.empty() ? raiz : LocalizarElemento(raiz, doc);
  if (!destino) throw ETuimDFeException("Nenhum elemento encontrado");
  xmlNode* assinatura = xmlDocCopyNode(xmlDocGetRootElement(temp.get())->children, d, 1);
  if (!assinatura || !xmlAddChild(destino, assinatura)) {
    xmlFreeNode(assinatura);
    throw ETuimDFeException("Nenhum elemento encontrado");
  }
  temp.reset();

  xmlNode* digestValue = LocalizarElemento(assinatura, "DigestValue", kXmlDsigNamespace);
  if (!digestValue) throw ETuimDFeException("Node DigestValue não encontrado");
  DefinirConteudo(digestValue, FpDFeSSL.CalcHash(canon, FpDFeSSL.SSLDgst(), fhBase64, false));

  xmlNode* signedInfo = LocalizarElemento(assinatura, "SignedInfo", kXmlDsigNamespace);
  if (!signedInfo) throw ETuimDFeException("Node SignedInfo não encontrado");
  std::string canonSI = Canonizar(d, signedInfo);

  xmlNode* signatureValue = LocalizarElemento(assinatura, "SignatureValue", kXmlDsigNamespace);
  if (!signatureValue) throw ETuimDFeException("Node SignatureValue não encontrado");
  DefinirConteudo(signatureValue, FpDFeSSL.CalcHash(canonSI, FpDFeSSL.SSLDgst(), fhBase64, true));

  xmlNode* certificado = LocalizarElemento(assinatura, "X509Certificate", kXmlDsigNamespace);
  if (!certificado) throw ETuimDFeException("Node X509Certificate não encontrado");
  DefinirConteudo(certificado, FpDFeSSL.InfoCertificado().CertificadoBase64());

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
        std::string canon;
        bool referenciaOk = true;
        if (!uri.empty()) {
          xmlNode* elem = nullptr;
          if (uri[0] == '#')
            elem = LocalizarPorId(raiz, inf, atributoId.empty() ? "Id" : atributoId, uri.substr(1));
          if (!elem) {
            referenciaOk = false;
            mensagemErro = "Erro: Reference URI \"" + uri + "\" não corresponde ao elemento \"" + inf + "\"";
          } else {
            canon = Canonizar(d, elem, assinatura);
          }
        } else {
          canon = Canonizar(d, nullptr, assinatura);
        }
        if (referenciaOk) {
          if (digestGuardado.empty() || !FpDFeSSL.ValidarHash(canon, digest, digestGuardado, false)) {
            mensagemErro = "DigestValue não confere. Conteúdo de \"" + infElement + "\" foi alterado";
          } else {
            std::string cert = Conteudo(LocalizarElemento(assinatura, "X509Certificate", kXmlDsigNamespace));
            std::string valor =
                Base64SemBrancos(Conteudo(LocalizarElemento(assinatura, "SignatureValue", kXmlDsigNamespace)));
            FpDFeSSL.CarregarCertificadoPublico(cert);
            std::string canonSI = Canonizar(d, signedInfo);
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

bool TDFeSSLXmlSignLibXml2::Validar(const std::string& conteudoXML, const std::string& arquivoSchema,
                                    std::string& mensagemErro) {
  InicializarLibXml2();
  mensagemErro.clear();
  Doc documento = LerDocumento(conteudoXML);
  if (!documento || !xmlDocGetRootElement(documento.get())) {
    mensagemErro = "Erro: Falha ao interpretar o XML \"xmlParseDoc\"";
    return false;
  }
  xmlSchemaParserCtxt* pctx = xmlSchemaNewParserCtxt(arquivoSchema.c_str());
  if (!pctx) {
    mensagemErro = "Error: não foi possivel criar um contexto de validação para o Schema";
    return false;
  }
  ErroSchema erroSchema;
  xmlSchemaSetParserStructuredErrors(pctx, GuardarErro, &erroSchema);
  xmlSchema* schema = xmlSchemaParse(pctx);
  if (!schema) {
    xmlSchemaFreeParserCtxt(pctx);
    mensagemErro = "Erro: Schema inválido";
    return false;
  }
  xmlSchemaValidCtxt* vctx = xmlSchemaNewValidCtxt(schema);
  if (!vctx) {
    xmlSchemaFree(schema);
    xmlSchemaFreeParserCtxt(pctx);
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
  xmlSchemaFree(schema);
  xmlSchemaFreeParserCtxt(pctx);
  return ok;
}

}  // namespace tuim
