#include "xml/TuimSignature.h"

namespace tuim {

const char* const kXmlDsigNamespace = "http://www.w3.org/2000/09/xmldsig#";
const char* const kC14NAlgoritmo = "http://www.w3.org/TR/2001/REC-xml-c14n-20010315";
const char* const kEnvelopedAlgoritmo = "http://www.w3.org/2000/09/xmldsig#enveloped-signature";

TSignature::TSignature() : fGerador(std::make_unique<TGerador>()) {}

TSignature::TSignature(const TSignature& o) : TSignature() { *this = o; }

TSignature& TSignature::operator=(const TSignature& o) {
  if (this != &o) {
    fURI = o.fURI;
    fDigestValue = o.fDigestValue;
    fSignatureValue = o.fSignatureValue;
    fX509Certificate = o.fX509Certificate;
  }
  return *this;
}

namespace {
const int kMaxCertificado = 65535;

// A Base64 value exactly as held (not even trimmed): signers break lines (some with CR LF, which a parser reads as
// a carriage-return reference), and the DigestValue is signed with its breaks, so they stay.
// A literal CR would come back from a parser as LF: it goes as a reference.
std::string ValorBase64(const std::string& v) {
  std::string r;
  r.reserve(v.size());
  for (char c : v) {
    switch (c) {
      case '&': r += "&amp;"; break;
      case '<': r += "&lt;"; break;
      case '>': r += "&gt;"; break;
      case '\r': r += "&#13;"; break;
      default:
        // XML 1.0 has no form for the other C0 controls.
        r += (static_cast<unsigned char>(c) < 0x20 && c != '\t' && c != '\n') ? ' ' : c;
    }
  }
  return r;
}
}  // namespace

bool TSignature::GerarXML() {
  TGerador& g = *fGerador;
  g.SetArquivoFormatoXML("");
  g.ListaDeAlertas().clear();
  g.Opcoes().SetTagVaziaNoFormatoResumido(false);
  // Cut inside the address so the entry matches the canonicalisation transform only.
  const std::string c14n = kC14NAlgoritmo;
  const std::string transformC14N = "Transform Algorithm=\"" + c14n.substr(0, c14n.find("/TR") + 3);
  g.SetPrefixosSemRecuo("|Reference URI|SignatureMethod|" + transformC14N + "|/Transforms|/Reference|");

  const std::string dsig = kXmlDsigNamespace;
  auto vazio = [&](const char* id, const char* tag, const std::string& algoritmo) {
    g.EscreverCampo(fcTexto, id, tag, 0, 0, 1, std::string(), "", true, "Algorithm=\"" + algoritmo + "\"");
  };
  g.EscreverGrupo("Signature xmlns=\"" + dsig + "\"", "XS01");
  g.EscreverGrupo("SignedInfo", "XS02");
  vazio("XS03", "CanonicalizationMethod", c14n);
  vazio("XS05", "SignatureMethod", dsig + "rsa-sha1");
  g.EscreverGrupo("Reference URI=\"" + fURI + "\"", "XS07");
  g.EscreverGrupo("Transforms", "XS10");
  vazio("SX12", "Transform", kEnvelopedAlgoritmo);
  vazio("SX12", "Transform", c14n);
  g.EscreverGrupo("/Transforms");
  vazio("XS15", "DigestMethod", dsig + "sha1");
  g.EscreverCampo(fcTextoBruto, "XS17", "DigestValue", 0, 999, 1, ValorBase64(fDigestValue), "Digest Value", false);
  g.EscreverGrupo("/Reference");
  g.EscreverGrupo("/SignedInfo");
  g.EscreverCampo(fcTextoBruto, "XS18", "SignatureValue", 0, 999, 1, ValorBase64(fSignatureValue), "Signature Value",
                  false);
  g.EscreverGrupo("KeyInfo", "XS19");
  g.EscreverGrupo("X509Data", "XS20");
  // A 2048-bit certificate alone is about 1,300 Base64 characters: 999 would flag every real one.
  g.EscreverCampo(fcTextoBruto, "XS21", "X509Certificate", 0, kMaxCertificado, 1, ValorBase64(fX509Certificate),
                  "X509 Certificate", false);
  g.EscreverGrupo("/X509Data");
  g.EscreverGrupo("/KeyInfo");
  g.EscreverGrupo("/Signature");
  return g.ListaDeAlertas().empty();
}

}  // namespace tuim
