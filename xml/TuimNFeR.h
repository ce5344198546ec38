#pragma once
#include <cstddef>
#include <string>
#include <vector>

#include "xml/TuimNFeClass.h"

namespace tuim {

// Fills a TNFe from the XML of an NF-e or NFC-e (root NFe) or of a processed document (root
// nfeProc, whose protNFe fills the protocol). The inverse of TNFeW: what the writer makes is
// read back into the same model. The text is parsed by libxml2 without network access, DTD
// or entity expansion; a DOCTYPE is refused. Elements and attributes that the model has no
// place for are not dropped silently: each one becomes a line of Avisos() with its path.
class TNFeR {
public:
  // Longest text accepted in one element or attribute, and the longest document.
  static constexpr std::size_t kTamanhoMaximoTexto = 100000;
  static constexpr std::size_t kTamanhoMaximoXML = 64u * 1024u * 1024u;

  // The document is not owned and must outlive the reader.
  explicit TNFeR(TNFe* nfe);

  // Replaces the document with the one in `xml` (UTF-8, with or without declaration).
  // Malformed XML, a DOCTYPE, a root other than NFe or nfeProc of the national namespace,
  // oversized text and a value that does not convert to its field raise ETuimDFeException
  // with the element's path; the document is then left as it was.
  void LerXML(const std::string& xml);
  // True when the last read left no warning.
  bool LerXMLSemAvisos(const std::string& xml) {
    LerXML(xml);
    return fAvisos.empty();
  }

  // The root ("NFe" or "nfeProc") and its layout version ("4.00"), from the versao attribute
  // of nfeProc or of infNFe; raises as LerXML for a document that is not one of them.
  static void IdentificarDocumento(const std::string& xml, std::string& raiz, std::string& versao);

  TNFe* NFe() const { return fNFe; }
  void SetNFe(TNFe* nfe) { fNFe = nfe; }
  // Elements and attributes of the last read that the model does not keep, one line each.
  const std::vector<std::string>& Avisos() const { return fAvisos; }

private:
  TNFe* fNFe;
  std::vector<std::string> fAvisos;
};

}  // namespace tuim
