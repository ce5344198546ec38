#pragma once
// libxml2 and xmlsec for the simulator: DOM helpers, schema validation against the project's
// XSD folder and enveloped-signature verification with xmlsec (OpenSSL), trusting the test CA.
#include <libxml/tree.h>

#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace tuim::sim {

void IniciarXml();  // once per process: libxml2, xmlsec and its OpenSSL engine
void EncerrarXml();

struct TDocXml {
  xmlDocPtr doc = nullptr;
  TDocXml() = default;
  explicit TDocXml(xmlDocPtr d) : doc(d) {}
  ~TDocXml() {
    if (doc) xmlFreeDoc(doc);
  }
  TDocXml(const TDocXml&) = delete;
  TDocXml& operator=(const TDocXml&) = delete;
  TDocXml(TDocXml&& o) noexcept : doc(o.doc) { o.doc = nullptr; }
  TDocXml& operator=(TDocXml&& o) noexcept {
    if (this != &o) {
      if (doc) xmlFreeDoc(doc);
      doc = o.doc;
      o.doc = nullptr;
    }
    return *this;
  }
};

TDocXml LerXml(const std::string& texto);
// A standalone copy of `no` as the root of a new document: no namespace of the envelope leaks
// into the canonical form of what is signed inside it.
TDocXml CopiarComoDocumento(xmlNodePtr no);
std::string Serializar(xmlNodePtr no);  // the element as text, without declaration

std::string Nome(xmlNodePtr no);  // local name
xmlNodePtr Filho(xmlNodePtr no, const char* nome);  // first child element of that local name
std::vector<xmlNodePtr> Filhos(xmlNodePtr no, const char* nome);
xmlNodePtr PrimeiroElemento(xmlNodePtr no);
xmlNodePtr Descendente(xmlNodePtr no, const char* nome);  // first in document order
std::string Texto(xmlNodePtr no);
std::string TextoDe(xmlNodePtr no, const char* caminho);  // "a/b/c" of child elements
std::string Atributo(xmlNodePtr no, const char* nome);

class TSchemas {
public:
  explicit TSchemas(std::string pasta) : fPasta(std::move(pasta)) {}
  const std::string& Pasta() const { return fPasta; }
  // Validates the document against `arquivo` of the folder; `erro` gets the first message.
  bool Validar(xmlDocPtr doc, const std::string& arquivo, std::string& erro);

private:
  struct Item;
  std::string fPasta;
  std::mutex fMutex;
  std::map<std::string, std::shared_ptr<Item>> fSchemas;
};

// The result of checking one Signature element: 0 when valid, else the cStat to answer.
struct TAssinaturaVerificada {
  int cStat = 0;
  std::string motivo;
  std::string cnpj;         // of the signing certificate
  std::string digestValue;  // of the first reference
};

class TVerificador {
public:
  explicit TVerificador(std::string arquivoCA) : fCA(std::move(arquivoCA)) {}
  // Registers the "Id" attributes of the document, then verifies `assinatura`.
  TAssinaturaVerificada Verificar(xmlDocPtr doc, xmlNodePtr assinatura);

private:
  std::string fCA;
};

}  // namespace tuim::sim
