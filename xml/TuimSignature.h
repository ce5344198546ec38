#pragma once
#include <memory>
#include <string>

#include "xml/TuimGerador.h"

namespace tuim {

// XML-DSig identifiers written into and read from signatures.
extern const char* const kXmlDsigNamespace;  // "http://www.w3.org/2000/09/xmldsig#"
extern const char* const kC14NAlgoritmo;     // Canonical XML 1.0 without comments
extern const char* const kEnvelopedAlgoritmo;

// The stored values of an enveloped SHA-1 signature, written back through the generator when a
// document is regenerated from what was read.
class TSignature {
public:
  TSignature();
  TSignature(const TSignature& o);
  TSignature& operator=(const TSignature& o);  // copies the four texts, not the generator

  TGerador& Gerador() { return *fGerador; }
  const std::string& URI() const { return fURI; }
  void SetURI(const std::string& v) { fURI = v; }
  const std::string& DigestValue() const { return fDigestValue; }
  void SetDigestValue(const std::string& v) { fDigestValue = v; }
  const std::string& SignatureValue() const { return fSignatureValue; }
  void SetSignatureValue(const std::string& v) { fSignatureValue = v; }
  const std::string& X509Certificate() const { return fX509Certificate; }
  void SetX509Certificate(const std::string& v) { fX509Certificate = v; }

  // Writes the Signature element into Gerador().ArquivoFormatoXML(); true without alerts.
  bool GerarXML();

private:
  std::unique_ptr<TGerador> fGerador;
  std::string fURI, fDigestValue, fSignatureValue, fX509Certificate;
};

}  // namespace tuim
