#pragma once
#include <string>

#include "security/TuimDFeSSL.h"
#include "xml/TuimSignature.h"

namespace tuim {

// The Signature template, one text without whitespace between tags, for the digest kind
// (SHA-256, SHA-512, otherwise SHA-1). An empty URI references the whole document.
std::string ModeloAssinatura(const std::string& uri, bool comX509Data, const std::string& idSignature,
                             TSSLDgst digest);

// Digest kind named by the SignatureMethod of a signature text. Raises when absent or unknown.
TSSLDgst DigestDaAssinatura(const std::string& xml);

// Text-based helpers for backends that do not build a tree.
// Inserts the template just before the last closing tag of docElement.
std::string InserirAssinaturaNoTexto(const std::string& conteudoXML, bool comX509Data,
                                     const std::string& docElement, const std::string& idSignature,
                                     const std::string& atributoId, TSSLDgst digest);
// Normalises a text-signed document and puts the certificate in its place.
std::string AjustarAssinadoNoTexto(const std::string& conteudoXML, const std::string& certificadoBase64);

// The libxml2 XML-signing backend: enveloped signatures, their verification and schema
// validation. Documents from outside never load external entities, DTDs or network resources.
class TDFeSSLXmlSignLibXml2 : public TDFeSSLXmlSignClass {
public:
  explicit TDFeSSLXmlSignLibXml2(TDFeSSL& dfeSSL);
  std::string ClassName() const override { return "TDFeSSLXmlSignLibXml2"; }

  std::string Assinar(const std::string& conteudoXML, const std::string& docElement,
                      const std::string& infElement, const std::string& signatureNode,
                      const std::string& selectionNamespaces, const std::string& idSignature,
                      const std::string& atributoId) override;
  bool Validar(const std::string& conteudoXML, const std::string& arquivoSchema,
               std::string& mensagemErro) override;
  bool ValidarAssinatura(const std::string& conteudoXML, std::string& mensagemErro,
                         const std::string& infElement = "", const std::string& signatureNode = "",
                         const std::string& selectionNamespaces = "", const std::string& idSignature = "",
                         const std::string& atributoId = "") override;
  virtual void AjustarPadroes(std::string& signatureNode, std::string& selectionNamespaces);
};

// Runs libxml2's process initialisation once, whichever thread comes first.
void InicializarLibXml2();

}  // namespace tuim
