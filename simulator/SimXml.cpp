#include "simulator/SimXml.h"

#include <libxml/parser.h>
#include <libxml/valid.h>
#include <libxml/xmlschemas.h>
#include <openssl/x509.h>
#include <openssl/x509_vfy.h>
#include <xmlsec/crypto.h>
#include <xmlsec/errors.h>
#include <xmlsec/keysmngr.h>
#include <xmlsec/xmldsig.h>
#include <xmlsec/xmlsec.h>

#include <cstring>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <vector>

#include "simulator/SimCertificados.h"
#include "simulator/SimUtil.h"

namespace tuim::sim {

void IniciarXml() {
  xmlInitParser();
  if (xmlSecInit() < 0 || xmlSecCheckVersion() != 1 || xmlSecCryptoAppInit(nullptr) < 0 || xmlSecCryptoInit() < 0)
    throw std::runtime_error("não foi possível iniciar o xmlsec");
  xmlSecErrorsDefaultCallbackEnableOutput(0);
}

void EncerrarXml() {
  xmlSecCryptoShutdown();
  xmlSecCryptoAppShutdown();
  xmlSecShutdown();
}

TDocXml LerXml(const std::string& texto) {
  return TDocXml(xmlReadMemory(texto.data(), static_cast<int>(texto.size()), "pedido.xml", nullptr,
                               XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING | XML_PARSE_HUGE));
}

TDocXml CopiarComoDocumento(xmlNodePtr no) {
  xmlDocPtr d = xmlNewDoc(BAD_CAST "1.0");
  xmlNodePtr c = xmlDocCopyNode(no, d, 1);
  xmlDocSetRootElement(d, c);
  // Re-read from text, so that the copy is exactly what a standalone document would be.
  std::string t = Serializar(c);
  xmlFreeDoc(d);
  return LerXml(t);
}

std::string Serializar(xmlNodePtr no) {
  xmlBufferPtr b = xmlBufferCreate();
  xmlNodeDump(b, no->doc, no, 0, 0);
  std::string r(reinterpret_cast<const char*>(xmlBufferContent(b)), static_cast<std::size_t>(xmlBufferLength(b)));
  xmlBufferFree(b);
  return r;
}

std::string Nome(xmlNodePtr no) { return no && no->name ? reinterpret_cast<const char*>(no->name) : ""; }

xmlNodePtr PrimeiroElemento(xmlNodePtr no) {
  for (xmlNodePtr c = no ? no->children : nullptr; c; c = c->next)
    if (c->type == XML_ELEMENT_NODE) return c;
  return nullptr;
}

xmlNodePtr Filho(xmlNodePtr no, const char* nome) {
  for (xmlNodePtr c = no ? no->children : nullptr; c; c = c->next)
    if (c->type == XML_ELEMENT_NODE && std::strcmp(reinterpret_cast<const char*>(c->name), nome) == 0) return c;
  return nullptr;
}

std::vector<xmlNodePtr> Filhos(xmlNodePtr no, const char* nome) {
  std::vector<xmlNodePtr> r;
  for (xmlNodePtr c = no ? no->children : nullptr; c; c = c->next)
    if (c->type == XML_ELEMENT_NODE && std::strcmp(reinterpret_cast<const char*>(c->name), nome) == 0) r.push_back(c);
  return r;
}

xmlNodePtr Descendente(xmlNodePtr no, const char* nome) {
  for (xmlNodePtr c = no ? no->children : nullptr; c; c = c->next) {
    if (c->type != XML_ELEMENT_NODE) continue;
    if (std::strcmp(reinterpret_cast<const char*>(c->name), nome) == 0) return c;
    if (xmlNodePtr d = Descendente(c, nome)) return d;
  }
  return nullptr;
}

std::string Texto(xmlNodePtr no) {
  if (!no) return "";
  xmlChar* t = xmlNodeGetContent(no);
  std::string r = t ? reinterpret_cast<const char*>(t) : "";
  xmlFree(t);
  return r;
}

std::string TextoDe(xmlNodePtr no, const char* caminho) {
  std::string c = caminho;
  std::size_t i = 0;
  while (no && i <= c.size()) {
    std::size_t f = c.find('/', i);
    std::string parte = c.substr(i, f == std::string::npos ? std::string::npos : f - i);
    no = Filho(no, parte.c_str());
    if (f == std::string::npos) break;
    i = f + 1;
  }
  return Texto(no);
}

std::string Atributo(xmlNodePtr no, const char* nome) {
  if (!no) return "";
  xmlChar* v = xmlGetProp(no, BAD_CAST nome);
  std::string r = v ? reinterpret_cast<const char*>(v) : "";
  xmlFree(v);
  return r;
}

// ---- schemas --------------------------------------------------------------------------------

struct TSchemas::Item {
  xmlSchemaPtr schema = nullptr;
  std::string erro;
  ~Item() {
    if (schema) xmlSchemaFree(schema);
  }
};

namespace {
void GuardarErro(void* ctx, const xmlError* e) {
  auto* s = static_cast<std::string*>(ctx);
  if (s->empty() && e && e->message) {
    *s = e->message;
    while (!s->empty() && (s->back() == '\n' || s->back() == ' ')) s->pop_back();
  }
}
void GuardarErroMut(void* ctx, xmlErrorPtr e) { GuardarErro(ctx, e); }
}  // namespace

bool TSchemas::Validar(xmlDocPtr doc, const std::string& arquivo, std::string& erro) {
  std::shared_ptr<Item> item;
  {
    std::lock_guard<std::mutex> g(fMutex);
    auto& i = fSchemas[arquivo];
    if (!i) {
      i = std::make_shared<Item>();
      const std::string caminho = fPasta + "/" + arquivo;
      xmlSchemaParserCtxtPtr p = xmlSchemaNewParserCtxt(caminho.c_str());
      xmlSchemaSetParserStructuredErrors(p, GuardarErroMut, &i->erro);
      i->schema = xmlSchemaParse(p);
      xmlSchemaFreeParserCtxt(p);
      if (!i->schema && i->erro.empty()) i->erro = "schema ilegível: " + caminho;
    }
    item = i;
  }
  if (!item->schema) {
    erro = item->erro;
    return false;
  }
  xmlSchemaValidCtxtPtr v = xmlSchemaNewValidCtxt(item->schema);
  std::string msg;
  xmlSchemaSetValidStructuredErrors(v, GuardarErroMut, &msg);
  int rc = xmlSchemaValidateDoc(v, doc);
  xmlSchemaFreeValidCtxt(v);
  erro = rc == 0 ? "" : (msg.empty() ? "documento inválido" : msg);
  return rc == 0;
}

// ---- signatures -----------------------------------------------------------------------------

namespace {

void RegistrarIds(xmlDocPtr doc, xmlNodePtr no) {
  for (xmlNodePtr c = no; c; c = c->next) {
    if (c->type != XML_ELEMENT_NODE) continue;
    for (xmlAttrPtr a = c->properties; a; a = a->next) {
      if (std::strcmp(reinterpret_cast<const char*>(a->name), "Id") != 0) continue;
      xmlChar* v = xmlNodeListGetString(doc, a->children, 1);
      if (v && !xmlGetID(doc, v)) xmlAddID(nullptr, doc, v, a);
      xmlFree(v);
    }
    RegistrarIds(doc, c->children);
  }
}

struct TGerenciador {
  xmlSecKeysMngrPtr mngr = nullptr;
  X509_STORE* store = nullptr;
  std::string ca;
  ~TGerenciador() {
    if (mngr) xmlSecKeysMngrDestroy(mngr);
    if (store) X509_STORE_free(store);
  }
};

// Keys managers are lent one per verification (xmlsec's key stores are not meant to be shared
// while verifying) and kept for the next: every connection has a thread of its own, and loading
// the CA for each would cost more than the verification.
class TEmprestimo {
public:
  explicit TEmprestimo(const std::string& ca) {
    {
      std::lock_guard<std::mutex> t(Trava());
      auto& livres = Livres();
      for (auto it = livres.begin(); it != livres.end(); ++it)
        if ((*it)->ca == ca) {
          fG = std::move(*it);
          livres.erase(it);
          break;
        }
    }
    if (fG) return;
    fG = std::make_unique<TGerenciador>();
    fG->mngr = xmlSecKeysMngrCreate();
    if (!fG->mngr || xmlSecCryptoAppDefaultKeysMngrInit(fG->mngr) < 0 ||
        xmlSecCryptoAppKeysMngrCertLoad(fG->mngr, ca.c_str(), xmlSecKeyDataFormatPem, xmlSecKeyDataTypeTrusted) < 0)
      throw std::runtime_error("não foi possível carregar a CA " + ca + " no xmlsec");
    fG->store = X509_STORE_new();
    X509_STORE_load_file(fG->store, ca.c_str());
    fG->ca = ca;
  }
  ~TEmprestimo() {
    std::lock_guard<std::mutex> t(Trava());
    Livres().push_back(std::move(fG));
  }
  TGerenciador& operator*() { return *fG; }

private:
  static std::mutex& Trava() {
    static std::mutex m;
    return m;
  }
  static std::vector<std::unique_ptr<TGerenciador>>& Livres() {
    static auto* l = new std::vector<std::unique_ptr<TGerenciador>>;  // outlives the threads
    return *l;
  }
  std::unique_ptr<TGerenciador> fG;
};

}  // namespace

TAssinaturaVerificada TVerificador::Verificar(xmlDocPtr doc, xmlNodePtr assinatura) {
  TAssinaturaVerificada r;
  if (!assinatura) {
    r.cStat = 298;
    r.motivo = "Rejeição: Assinatura difere do padrão do Sistema";
    return r;
  }
  RegistrarIds(doc, xmlDocGetRootElement(doc));
  xmlNodePtr ref = Descendente(assinatura, "Reference");
  r.digestValue = TextoDe(ref, "DigestValue");
  // The reference must name the element that holds the signature's parent's data.
  const std::string uri = Atributo(ref, "URI");
  xmlNodePtr pai = assinatura->parent;
  xmlNodePtr assinado = PrimeiroElemento(pai);
  if (uri.size() < 2 || uri[0] != '#' || !assinado || Atributo(assinado, "Id") != uri.substr(1)) {
    r.cStat = 298;
    r.motivo = "Rejeição: Assinatura difere do padrão do Sistema";
    return r;
  }
  const std::string certB64 = TextoDe(Descendente(assinatura, "X509Data"), "X509Certificate");
  std::string der;
  X509* cert = nullptr;
  if (DeBase64(certB64, der)) {
    const unsigned char* p = reinterpret_cast<const unsigned char*>(der.data());
    cert = d2i_X509(nullptr, &p, static_cast<long>(der.size()));
  }
  if (!cert) {
    r.cStat = 290;
    r.motivo = "Rejeição: Certificado Assinatura inválido";
    return r;
  }
  TEmprestimo emprestimo(fCA);
  TGerenciador& g = *emprestimo;
  X509_STORE_CTX* vctx = X509_STORE_CTX_new();
  X509_STORE_CTX_init(vctx, g.store, cert, nullptr);
  bool cadeia = X509_verify_cert(vctx) == 1;
  X509_STORE_CTX_free(vctx);
  r.cnpj = CNPJDoCertificado(cert);
  X509_free(cert);
  if (!cadeia) {
    r.cStat = 293;
    r.motivo = "Rejeição: Certificado Assinatura - erro Cadeia de Certificação";
    return r;
  }
  if (r.cnpj.empty()) {
    r.cStat = 292;
    r.motivo = "Rejeição: Certificado Assinatura sem CNPJ";
    return r;
  }

  xmlSecDSigCtxPtr ctx = xmlSecDSigCtxCreate(g.mngr);
  ctx->enabledReferenceUris = xmlSecTransformUriTypeSameDocument;
  int rc = xmlSecDSigCtxVerify(ctx, assinatura);
  bool referenciasOk = true;
  for (xmlSecSize i = 0; i < xmlSecPtrListGetSize(&ctx->signedInfoReferences); ++i) {
    auto* rf = static_cast<xmlSecDSigReferenceCtxPtr>(xmlSecPtrListGetItem(&ctx->signedInfoReferences, i));
    if (rf && rf->status != xmlSecDSigStatusSucceeded) referenciasOk = false;
  }
  xmlSecDSigStatus status = ctx->status;
  xmlSecDSigCtxDestroy(ctx);
  if (rc < 0) {
    r.cStat = 298;
    r.motivo = "Rejeição: Assinatura difere do padrão do Sistema";
  } else if (!referenciasOk) {
    r.cStat = 297;
    r.motivo = "Rejeição: Assinatura difere do calculado";
    r.digestValue.clear();
  } else if (status != xmlSecDSigStatusSucceeded) {
    r.cStat = 297;
    r.motivo = "Rejeição: Assinatura difere do calculado";
  }
  return r;
}

}  // namespace tuim::sim
