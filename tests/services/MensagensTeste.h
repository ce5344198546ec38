#pragma once
#include <string>

#include "fiscal/TuimUtil.h"
#include "testing/CertificadosTeste.h"
#include "security/TuimDFeSSL.h"

namespace tuim::teste {

inline const char* const kNs = "xmlns=\"http://www.portalfiscal.inf.br/nfe\"";

// Valid access keys (check digits computed apart): MT model 55 series 1; MT series 920 whose
// issuer part is "000" + CPF 12345678909; SP model 65; MT with the alphanumeric CNPJ 12ABC34501DE35.
inline const char* const kChave55 = "51240111222333000181550010000001231123456784";
inline const char* const kChaveCPF = "51240100012345678909559200000000451123456785";
inline const char* const kChave65 = "35240111222333000181650010000000771123456789";
inline const char* const kChaveAlfa = "51240112ABC34501DE35550010000001251123456780";

inline std::string Schema(const std::string& nome) { return std::string(TUIM_SCHEMAS_DIR) + "/" + nome; }

// Schema check by two validators: the facade (libxml2) and xmllint, run apart. Empty when valid.
inline std::string ErrosSchema(const std::string& xmlUTF8, const std::string& xsd) {
  TDFeSSL ssl;
  ssl.SetSSLXmlSignLib(xsLibXml2);
  std::string msg;
  bool ok = ssl.Validar(xmlUTF8, Schema(xsd), msg);
  std::string arq = ArquivoTemporario("schema.xml", xmlUTF8);
  std::string lint = Executar("xmllint --noout --nonet --schema '" + Schema(xsd) + "' '" + arq + "' 2>&1 && echo VALIDO");
  bool okLint = lint.size() >= 6 && lint.compare(lint.size() - 6, 6, "VALIDO") == 0;
  if (ok && okLint) return "";
  return "facade: " + (ok ? std::string("ok") : msg) + " | xmllint: " + lint;
}

// A facade that signs with the test company certificate (OpenSSL, libxml2).
inline void ConfigurarAssinatura(TDFeSSL& ssl) {
  ssl.SetSSLCryptLib(cryOpenSSL);
  ssl.SetSSLXmlSignLib(xsLibXml2);
  ssl.SetArquivoPFX(Certificado("empresa.pfx"));
  ssl.SetSenha("1234");
}

// xmlsec1, the independent verifier, trusting the test CA; the Id attribute of `elemento`.
inline bool XmlSecAceita(const std::string& xmlUTF8, const std::string& elemento) {
  std::string arq = ArquivoTemporario("assinado.xml", xmlUTF8);
  std::string r = Executar("xmlsec1 --verify --trusted-pem '" + Certificado("ca.pem") +
                           "' --id-attr:Id http://www.portalfiscal.inf.br/nfe:" + elemento + " '" + arq +
                           "' >/dev/null 2>&1 && echo OK");
  return r == "OK";
}

}  // namespace tuim::teste
