// The processed form against the national schema (xmllint) and the signature it carries
// against xmlsec1: both are independent of the code under test.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "security/CertificadosTeste.h"
#include "xml/TuimProcNFe.h"
#include "fiscal/TuimDateTime.h"
#include "fiscal/fscAuxiliar.h"
#include "testing/NFeTexto.h"

namespace tuim {
namespace {

const std::string kChave = "35240511222333000181650010000000011123456785";

// A layout-4.00 NFC-e that the schema accepts, as a signing template. The nature of the
// operation holds UTF-8 accented letters, which the join must keep byte for byte.
const std::string kModelo =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?><NFe xmlns=\"http://www.portalfiscal.inf.br/nfe\">"
    "<infNFe versao=\"4.00\" Id=\"NFe" + kChave + "\"><ide><cUF>35</cUF><cNF>12345678</cNF>"
    "<natOp>VENDA DE MERCADORIA \xC3\x87\xC3\x83O</natOp><mod>65</mod><serie>1</serie><nNF>1</nNF>"
    "<dhEmi>2024-05-10T10:20:30-03:00</dhEmi><tpNF>1</tpNF><idDest>1</idDest><cMunFG>3550308</cMunFG>"
    "<tpImp>4</tpImp><tpEmis>1</tpEmis><cDV>5</cDV><tpAmb>2</tpAmb><finNFe>1</finNFe><indFinal>1</indFinal>"
    "<indPres>1</indPres><procEmi>0</procEmi><verProc>TuimNFe</verProc></ide><emit><CNPJ>11222333000181</CNPJ>"
    "<xNome>EMPRESA TESTE LTDA</xNome><enderEmit><xLgr>RUA A</xLgr><nro>100</nro><xBairro>CENTRO</xBairro>"
    "<cMun>3550308</cMun><xMun>SAO PAULO</xMun><UF>SP</UF><CEP>01001000</CEP><cPais>1058</cPais>"
    "<xPais>BRASIL</xPais></enderEmit><IE>111111111111</IE><CRT>1</CRT></emit>" +
      teste::kItemSimplesAteOFim + "<Signature xmlns=\"http://www.w3.org/2000/09/xmldsig#\"><SignedInfo>"
    "<CanonicalizationMethod Algorithm=\"http://www.w3.org/TR/2001/REC-xml-c14n-20010315\"/>"
    "<SignatureMethod Algorithm=\"http://www.w3.org/2000/09/xmldsig#rsa-sha1\"/><Reference URI=\"#NFe" + kChave +
    "\"><Transforms><Transform Algorithm=\"http://www.w3.org/2000/09/xmldsig#enveloped-signature\"/>"
    "<Transform Algorithm=\"http://www.w3.org/TR/2001/REC-xml-c14n-20010315\"/></Transforms>"
    "<DigestMethod Algorithm=\"http://www.w3.org/2000/09/xmldsig#sha1\"/><DigestValue></DigestValue></Reference>"
    "</SignedInfo><SignatureValue></SignatureValue><KeyInfo><X509Data/></KeyInfo></Signature></NFe>";

const std::string kIdAttr = " --id-attr:Id http://www.portalfiscal.inf.br/nfe:infNFe ";

class ProcNFeSchema : public ::testing::Test {
protected:
  static void SetUpTestSuite() {
    std::string modelo = ArquivoTemporario("modelo-nfe.xml", kModelo);
    assinado = modelo + ".assinado.xml";
    std::string cmd = "xmlsec1 --sign --privkey-pem " + Certificado("empresa.key") + "," + Certificado("empresa.pem") +
                      kIdAttr + "--output " + assinado + " " + modelo + " >/dev/null 2>&1";
    ok = std::system(cmd.c_str()) == 0;
  }
  void SetUp() override {
    if (!ok) GTEST_SKIP() << "xmlsec1 could not sign the template";
    fuso.Assign(ConfiguracaoFusoHorario());
    ConfiguracaoFusoHorario().SetModoDeteccao(tzFSC);
  }
  void TearDown() override { ConfiguracaoFusoHorario().Assign(fuso); }

  static int ValidarSchema(const std::string& xml) {
    std::string f = ArquivoTemporario("proc.xml", xml);
    std::string cmd = "xmllint --noout --schema " + std::string(TUIM_SCHEMAS_DIR) + "/procNFe_v4.00.xsd " + f +
                      " >/dev/null 2>&1";
    return std::system(cmd.c_str());
  }
  static int VerificarAssinatura(const std::string& xml) {
    std::string f = ArquivoTemporario("proc-assinado.xml", xml);
    std::string cmd = "xmlsec1 --verify --trusted-pem " + Certificado("ca.pem") + kIdAttr + f + " >/dev/null 2>&1";
    return std::system(cmd.c_str());
  }
  static void Autorizado(TProcNFe& p) {
    p.tpAmb = taHomologacao;
    p.verAplic = "SP_NFCE_PL_009_V400";
    p.dhRecbto = EncodeDateTime(2024, 5, 10, 10, 20, 35, 0);
    p.nProt = "135240000000001";
    p.digVal = "2jmj7l5rSw0yVb/vlWAYkK/YBwk=";
    p.cStat = 100;
    p.xMotivo = "Autorizado o uso da NF-e";
    p.Versao = "4.00";
  }

  static bool ok;
  static std::string assinado;
  TTimeZoneConf fuso;
};
bool ProcNFeSchema::ok = false;
std::string ProcNFeSchema::assinado;

TEST_F(ProcNFeSchema, SignedDocumentWithItsProtocolIsValidAndStillVerifies) {
  TProcNFe p;
  p.XMLNFe = LerArquivoTeste(assinado);
  Autorizado(p);
  p.chNFe = kChave;
  p.XMLProt = p.GerarProtNFe();
  ASSERT_TRUE(p.MontarProcNFe()) << ::testing::PrintToString(p.Gerador().ListaDeAlertas());
  const std::string& proc = p.Gerador().ArquivoFormatoXML();
  EXPECT_EQ(ValidarSchema(proc), 0);
  EXPECT_EQ(VerificarAssinatura(proc), 0);
  EXPECT_NE(proc.find("MERCADORIA \xC3\x87\xC3\x83O"), std::string::npos);
}

TEST_F(ProcNFeSchema, ProtocolBuiltFromTheFieldsOfAFileIsValid) {
  TProcNFe p;
  p.ArquivoNFe = assinado;
  Autorizado(p);
  ASSERT_TRUE(p.MontarProcNFe()) << ::testing::PrintToString(p.Gerador().ListaDeAlertas());
  EXPECT_EQ(ValidarSchema(p.Gerador().ArquivoFormatoXML()), 0);
  EXPECT_EQ(VerificarAssinatura(p.Gerador().ArquivoFormatoXML()), 0);
}

TEST_F(ProcNFeSchema, ReceiptAnswerProtocolIsValid) {
  TProcNFe a;
  Autorizado(a);
  a.chNFe = kChave;
  a.cMsg = 1;
  a.xMsg = "Mensagem da SEFAZ";
  std::string reci = ArquivoTemporario(
      "reci.xml", "<?xml version=\"1.0\" encoding=\"UTF-8\"?><retConsReciNFe versao=\"4.00\" "
                  "xmlns=\"http://www.portalfiscal.inf.br/nfe\"><tpAmb>2</tpAmb><verAplic>SP</verAplic>"
                  "<nRec>351000000000001</nRec><cStat>104</cStat><xMotivo>Lote processado</xMotivo><cUF>35</cUF>"
                  "<dhRecbto>2024-05-10T10:20:35-03:00</dhRecbto>" + a.GerarProtNFe() + "</retConsReciNFe>");
  TProcNFe p;
  p.Versao = "4.00";
  p.ArquivoNFe = assinado;
  p.ArquivoRetConsReci = reci;
  ASSERT_TRUE(p.MontarProcNFe()) << ::testing::PrintToString(p.Gerador().ListaDeAlertas());
  EXPECT_EQ(ValidarSchema(p.Gerador().ArquivoFormatoXML()), 0);
}

// The checks above are only worth something if the validator rejects what the layout forbids:
// an empty message paired with code 0, as a protocol written with both always present would be.
TEST_F(ProcNFeSchema, ValidatorRejectsAnEmptyAuthorityMessage) {
  TProcNFe p;
  p.XMLNFe = LerArquivoTeste(assinado);
  Autorizado(p);
  p.chNFe = kChave;
  std::string prot = p.GerarProtNFe();
  prot.insert(prot.find("</infProt>"), "<cMsg>0</cMsg><xMsg></xMsg>");
  p.XMLProt = prot;
  ASSERT_TRUE(p.MontarProcNFe());
  EXPECT_NE(ValidarSchema(p.Gerador().ArquivoFormatoXML()), 0);
}

TEST_F(ProcNFeSchema, ChangedDocumentNoLongerVerifies) {
  TProcNFe p;
  std::string nfe = LerArquivoTeste(assinado);
  nfe.replace(nfe.find("<vNF>10.00"), 10, "<vNF>11.00");
  p.XMLNFe = nfe;
  Autorizado(p);
  p.chNFe = kChave;
  p.XMLProt = p.GerarProtNFe();
  ASSERT_TRUE(p.MontarProcNFe());
  EXPECT_EQ(ValidarSchema(p.Gerador().ArquivoFormatoXML()), 0);
  EXPECT_NE(VerificarAssinatura(p.Gerador().ArquivoFormatoXML()), 0);
}

}  // namespace
}  // namespace tuim
