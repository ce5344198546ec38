#include "security/TuimXmlSign.h"
#include "security/TuimSignature.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "fiscal/TuimException.h"

using namespace tuim;
namespace fs = std::filesystem;

namespace {

const char* const kNsNFe = "http://www.portalfiscal.inf.br/nfe";

int Executar(const std::string& cmd) {
  int r = std::system((cmd + " >/dev/null 2>&1").c_str());
  return WIFEXITED(r) ? WEXITSTATUS(r) : -1;
}

void Gravar(const fs::path& p, const std::string& s) {
  std::ofstream f(p, std::ios::binary);
  f << s;
}

int Contar(const std::string& s, const std::string& x) {
  int n = 0;
  for (auto p = s.find(x); p != std::string::npos; p = s.find(x, p + 1)) ++n;
  return n;
}

std::string Entre(const std::string& s, const std::string& a, const std::string& b) {
  auto p = s.find(a);
  if (p == std::string::npos) return {};
  p += a.size();
  auto q = s.find(b, p);
  return q == std::string::npos ? std::string() : s.substr(p, q - p);
}

// A self-signed company certificate made for the run, in PKCS#12, and a facade that signs with it.
class Assinatura : public ::testing::Test {
protected:
  static void SetUpTestSuite() {
    dir = fs::temp_directory_path() / ("tuim-xmlsign-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    std::string d = dir.string();
    ASSERT_EQ(Executar("openssl req -x509 -newkey rsa:2048 -nodes -days 30 -subj "
                       "'/C=BR/O=Teste/CN=EMPRESA TESTE LTDA:12345678000195' -keyout " +
                       d + "/k.pem -out " + d + "/c.pem"),
              0);
    ASSERT_EQ(Executar("openssl pkcs12 -export -inkey " + d + "/k.pem -in " + d + "/c.pem -passout pass:1234 -out " +
                       d + "/c.pfx"),
              0);
  }
  static void TearDownTestSuite() { fs::remove_all(dir); }

  void SetUp() override {
    ssl.SetSSLCryptLib(cryOpenSSL);
    ssl.SetSSLXmlSignLib(xsLibXml2);
    ssl.SetArquivoPFX((dir / "c.pfx").string());
    ssl.SetSenha("1234");
  }

  // xmlsec1, an independent verifier, trusting the test certificate.
  bool XmlSecAceita(const std::string& xml, const std::string& idAttr) {
    fs::path f = dir / "verificar.xml";
    Gravar(f, xml);
    std::string id = idAttr.empty() ? "" : " --id-attr:Id " + idAttr;
    return Executar("xmlsec1 --verify --trusted-pem " + (dir / "c.pem").string() + id + " " + f.string()) == 0;
  }

  static std::string NFe(const std::string& conteudo = "<natOp>VENDA</natOp>") {
    return std::string("<NFe xmlns=\"") + kNsNFe +
           "\"><infNFe Id=\"NFe51240112345678000195650010000000011000000013\" versao=\"4.00\"><ide>" + conteudo +
           "</ide></infNFe></NFe>";
  }

  static fs::path dir;
  TDFeSSL ssl;
};
fs::path Assinatura::dir;

const std::string kIdNFe = std::string("http://www.portalfiscal.inf.br/nfe:infNFe");

}  // namespace

TEST(ModeloAssinatura, TemplateIsByteExact) {
  EXPECT_EQ(ModeloAssinatura("NFe1", true, "", dgstSHA1),
            "<Signature xmlns=\"http://www.w3.org/2000/09/xmldsig#\"><SignedInfo>"
            "<CanonicalizationMethod Algorithm=\"http://www.w3.org/TR/2001/REC-xml-c14n-20010315\" />"
            "<SignatureMethod Algorithm=\"http://www.w3.org/2000/09/xmldsig#rsa-sha1\" />"
            "<Reference URI=\"#NFe1\"><Transforms>"
            "<Transform Algorithm=\"http://www.w3.org/2000/09/xmldsig#enveloped-signature\" />"
            "<Transform Algorithm=\"http://www.w3.org/TR/2001/REC-xml-c14n-20010315\" />"
            "</Transforms><DigestMethod Algorithm=\"http://www.w3.org/2000/09/xmldsig#sha1\" />"
            "<DigestValue></DigestValue></Reference></SignedInfo><SignatureValue></SignatureValue>"
            "<KeyInfo><X509Data><X509Certificate></X509Certificate></X509Data></KeyInfo></Signature>");
  std::string s256 = ModeloAssinatura("", false, " Id=\"S1\"", dgstSHA256);
  EXPECT_NE(s256.find("xmldsig#\" Id=\"S1\">"), std::string::npos);
  EXPECT_NE(s256.find("http://www.w3.org/2001/04/xmldsig-more#rsa-sha256"), std::string::npos);
  EXPECT_NE(s256.find("http://www.w3.org/2001/04/xmlenc#sha256"), std::string::npos);
  EXPECT_NE(s256.find("<Reference URI=\"\">"), std::string::npos);
  EXPECT_NE(s256.find("<KeyInfo></KeyInfo>"), std::string::npos);
  EXPECT_NE(ModeloAssinatura("", true, "", dgstSHA512).find("xmlenc#sha512"), std::string::npos);
  EXPECT_NE(ModeloAssinatura("", true, "", dgstMD5).find("xmldsig#rsa-sha1"), std::string::npos);
}

TEST(ModeloAssinatura, DigestIsReadBackFromTheSignatureMethod) {
  for (TSSLDgst d : {dgstSHA1, dgstSHA256, dgstSHA512}) EXPECT_EQ(DigestDaAssinatura(ModeloAssinatura("", true, "", d)), d);
  try {
    DigestDaAssinatura("<Signature/>");
    FAIL();
  } catch (const ETuimDFeException& e) {
    EXPECT_STREQ(e.what(), "Não foi possivel recuperar o \"Digest Algorithm\" do XML");
  }
  try {
    DigestDaAssinatura("<SignatureMethod Algorithm=\"http://www.w3.org/2000/09/xmldsig#DSA-SHA1\"/>");
    FAIL();
  } catch (const ETuimDFeException& e) {
    EXPECT_STREQ(e.what(), "Digest Algorithm, \"dsa-sha1\" não suportado");
  }
}

TEST(AssinaturaTexto, TemplateGoesBeforeTheLastClosingTag) {
  std::string r = InserirAssinaturaNoTexto("<NFe><infNFe Id=\"NFe9\"></infNFe></NFe>", false, "NFe", "", "", dgstSHA1);
  EXPECT_EQ(r.rfind("</Signature></NFe>"), r.size() - std::string("</Signature></NFe>").size());
  EXPECT_NE(r.find("URI=\"#NFe9\""), std::string::npos);
  try {
    InserirAssinaturaNoTexto("<NFe></NFe>", false, "evento", "", "", dgstSHA1);
    FAIL();
  } catch (const ETuimDFeException& e) {
    EXPECT_STREQ(e.what(), "Não encontrei final do elemento: </evento>");
  }
  std::string a = AjustarAssinadoNoTexto(
      "<?xml version=\"1.0\"?><a>\r\n<SignatureValue>x</SignatureValue> <KeyInfo><X509Data>old</X509Data></KeyInfo></a>",
      "CERT");
  EXPECT_EQ(a, "<a><SignatureValue>x</SignatureValue><KeyInfo><X509Data><X509Certificate>CERT</X509Certificate>"
               "</X509Data></KeyInfo></a>");
}

TEST_F(Assinatura, NFeSignedWithSHA1VerifiesHereAndInXmlSec) {
  std::string out = ssl.Assinar(NFe(), "NFe", "infNFe");
  EXPECT_EQ(out.find('\n'), std::string::npos);
  EXPECT_EQ(out.find('\r'), std::string::npos);
  EXPECT_EQ(Contar(out, "<Signature xmlns"), 1);
  EXPECT_NE(out.find("</infNFe><Signature xmlns=\"http://www.w3.org/2000/09/xmldsig#\">"), std::string::npos);
  EXPECT_NE(out.find("rsa-sha1\"></SignatureMethod>"), std::string::npos);
  EXPECT_NE(out.find("REC-xml-c14n-20010315\"></CanonicalizationMethod>"), std::string::npos);
  EXPECT_NE(out.find("xmldsig#sha1\"></DigestMethod>"), std::string::npos);
  EXPECT_EQ(Entre(out, "<DigestValue>", "</DigestValue>").size(), 28u);
  EXPECT_FALSE(Entre(out, "<X509Certificate>", "</X509Certificate>").empty());
  EXPECT_EQ(out.rfind("<?xml", 0), std::string::npos);  // input had no declaration
  EXPECT_TRUE(XmlSecAceita(out, kIdNFe));
  std::string msg;
  EXPECT_TRUE(ssl.SSLXmlSignClass().ValidarAssinatura(out, msg, "infNFe")) << msg;
}

TEST_F(Assinatura, SHA256AndSHA512NameTheirAlgorithmsAndVerify) {
  for (TSSLDgst d : {dgstSHA256, dgstSHA512}) {
    ssl.SetSSLDgst(d);
    std::string out = ssl.Assinar(NFe(), "NFe", "infNFe");
    std::string nome = d == dgstSHA256 ? "sha256" : "sha512";
    EXPECT_NE(out.find("xmldsig-more#rsa-" + nome), std::string::npos);
    EXPECT_NE(out.find("xmlenc#" + nome), std::string::npos);
    EXPECT_EQ(Entre(out, "<DigestValue>", "</DigestValue>").size(), d == dgstSHA256 ? 44u : 88u);
    EXPECT_TRUE(XmlSecAceita(out, kIdNFe)) << nome;
    std::string msg;
    EXPECT_TRUE(ssl.SSLXmlSignClass().ValidarAssinatura(out, msg, "infNFe")) << msg;
  }
}

TEST_F(Assinatura, IndentedInputSignsWhatItDigests) {
  std::string indentado = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<NFe xmlns=\"" + std::string(kNsNFe) +
                          "\">\r\n  <infNFe Id=\"NFe51240112345678000195650010000000011000000013\" versao=\"4.00\">\n"
                          "    <ide>\n      <natOp>VENDA A VISTA</natOp>\n    </ide>\n  </infNFe>\n</NFe>\n";
  std::string out = ssl.Assinar(indentado, "NFe", "infNFe");
  EXPECT_EQ(out.find('\n'), std::string::npos);
  EXPECT_EQ(out.rfind("<?xml version=\"1.0\" encoding=\"UTF-8\"?>", 0), 0u);  // declaration kept
  EXPECT_TRUE(XmlSecAceita(out, kIdNFe));
}

TEST_F(Assinatura, NamespacesDeclaredOnAncestorsAreCanonicalisedAsAVerifierDoes) {
  std::string lote = "<enviNFe xmlns=\"" + std::string(kNsNFe) +
                     "\" xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\" versao=\"4.00\"><idLote>1</idLote>"
                     "<NFe xmlns:ext=\"urn:tuim:ext\"><infNFe Id=\"NFe51240112345678000195650010000000011000000013\" "
                     "versao=\"4.00\"><ide><natOp>VENDA</natOp></ide></infNFe></NFe></enviNFe>";
  std::string out = ssl.Assinar(lote, "NFe", "infNFe");
  EXPECT_TRUE(XmlSecAceita(out, kIdNFe));
  std::string msg;
  EXPECT_TRUE(ssl.SSLXmlSignClass().ValidarAssinatura(out, msg, "infNFe")) << msg;
}

// What canonical XML rewrites: attribute order, quotes, escapes, CDATA, comments, empty elements,
// redeclared and undeclared namespaces. xmlsec1 canonicalises on its own, so both must agree.
TEST_F(Assinatura, TrickyContentIsCanonicalisedAsAVerifierDoes) {
  std::string x = "<NFe xmlns=\"" + std::string(kNsNFe) + "\" xmlns:b=\"urn:b\"><infNFe versao='4.00' "
                  "Id=\"NFe51240112345678000195650010000000011000000013\" a=\"x&amp;y&lt;&quot;&#9;&#10;z\">"
                  "<ide><natOp>A &amp; B &lt; C &gt; D \"E\" 'F' &#13;</natOp><!-- nota --><vazio/>"
                  "<c><![CDATA[<cdata> & ]]></c><b:q xmlns:b=\"urn:b\" xmlns:c=\"urn:c\">1</b:q>"
                  "<u xmlns=\"\"><v xmlns=\"\">2</v></u><w xmlns=\"" + std::string(kNsNFe) + "\">3</w>"
                  "</ide></infNFe></NFe>";
  std::string out = ssl.Assinar(x, "NFe", "infNFe");
  EXPECT_TRUE(XmlSecAceita(out, kIdNFe)) << out;
  std::string msg;
  EXPECT_TRUE(ssl.SSLXmlSignClass().ValidarAssinatura(out, msg, "infNFe")) << msg;
}

// SignedInfo inherits from the signature's ancestors too: their prefixes and xml:* attributes
// are part of what is signed.
TEST_F(Assinatura, SignedInfoCarriesWhatItInheritsFromTheRoot) {
  std::string x = "<NFe xmlns=\"" + std::string(kNsNFe) + "\" xmlns:p=\"urn:tuim:p\" "
                  "xml:lang=\"pt-BR\" xml:space=\"preserve\"><infNFe "
                  "Id=\"NFe51240112345678000195650010000000011000000013\" versao=\"4.00\"><ide><natOp>V</natOp>"
                  "</ide></infNFe></NFe>";
  std::string out = ssl.Assinar(x, "NFe", "infNFe");
  EXPECT_TRUE(XmlSecAceita(out, kIdNFe)) << out;
  std::string msg;
  EXPECT_TRUE(ssl.SSLXmlSignClass().ValidarAssinatura(out, msg, "infNFe")) << msg;
}

TEST_F(Assinatura, OneChangedCharacterFailsBothVerifiers) {
  std::string out = ssl.Assinar(NFe(), "NFe", "infNFe");
  std::string alterado = out;
  alterado.replace(alterado.find("VENDA"), 5, "VENDO");
  EXPECT_FALSE(XmlSecAceita(alterado, kIdNFe));
  std::string msg;
  EXPECT_FALSE(ssl.SSLXmlSignClass().ValidarAssinatura(alterado, msg, "infNFe"));
  EXPECT_EQ(msg, "DigestValue não confere. Conteúdo de \"infNFe\" foi alterado");
  // A changed signature value is caught by the signature check.
  std::string valor = out;
  auto p = valor.find("<SignatureValue>") + 16;
  valor[p] = valor[p] == 'A' ? 'B' : 'A';
  EXPECT_FALSE(ssl.SSLXmlSignClass().ValidarAssinatura(valor, msg, "infNFe"));
}

TEST_F(Assinatura, ASecondSignatureCannotLendItsSignedInfo) {
  // A genuine signed NF-e gives its signature; the forger changes infNFe, recomputes only the
  // digest in a copy of the signature, and keeps the genuine SignedInfo earlier in the document.
  std::string genuino = ssl.Assinar(NFe(), "NFe", "infNFe");
  std::string sig = genuino.substr(genuino.find("<Signature"));
  sig = sig.substr(0, sig.find("</Signature>") + 12);
  std::string forjadoInf = NFe("<natOp>DOACAO</natOp>");
  std::string forjadoDigest = ssl.CalcHash(
      "<infNFe xmlns=\"http://www.portalfiscal.inf.br/nfe\" Id=\"NFe51240112345678000195650010000000011000000013\" "
      "versao=\"4.00\"><ide><natOp>DOACAO</natOp></ide></infNFe>",
      dgstSHA1, fhBase64);
  std::string sig2 = sig;
  sig2.replace(sig2.find("<DigestValue>") + 13, 28, forjadoDigest);
  std::string doc = "<lote xmlns=\"" + std::string(kNsNFe) + "\">" + sig + forjadoInf.substr(0, forjadoInf.size() - 6) +
                    sig2 + "</NFe></lote>";
  std::string msg;
  EXPECT_FALSE(ssl.SSLXmlSignClass().ValidarAssinatura(doc, msg, "infNFe"));
  EXPECT_FALSE(XmlSecAceita(doc, kIdNFe));
}

TEST_F(Assinatura, ReferenceMustNameTheDigestedElement) {
  std::string out = ssl.Assinar(NFe(), "NFe", "infNFe");
  std::string outro = out;
  outro.replace(outro.find("Id=\"NFe5124"), 11, "Id=\"NFe9924");
  std::string msg;
  EXPECT_FALSE(ssl.SSLXmlSignClass().ValidarAssinatura(outro, msg, "infNFe"));
  EXPECT_FALSE(msg.empty());
}

TEST_F(Assinatura, ProcessedDocumentVerifiesForEachOfItsSignatures) {
  std::string nfe = ssl.Assinar(NFe(), "NFe", "infNFe");
  std::string prot = ssl.Assinar("<protNFe xmlns=\"" + std::string(kNsNFe) +
                                     "\" versao=\"4.00\"><infProt Id=\"ID151240000000001\"><cStat>100</cStat></infProt>"
                                     "</protNFe>",
                                 "protNFe", "infProt");
  std::string proc = "<nfeProc xmlns=\"" + std::string(kNsNFe) + "\" versao=\"4.00\">" + nfe + prot + "</nfeProc>";
  std::string msg;
  EXPECT_TRUE(ssl.SSLXmlSignClass().ValidarAssinatura(proc, msg, "infNFe")) << msg;
  EXPECT_TRUE(ssl.SSLXmlSignClass().ValidarAssinatura(proc, msg, "infProt")) << msg;
}

TEST_F(Assinatura, EventAndVoidingRequestsSign) {
  std::string evento = ssl.Assinar(
      "<envEvento xmlns=\"" + std::string(kNsNFe) + "\" versao=\"1.00\"><idLote>1</idLote><evento versao=\"1.00\">"
      "<infEvento Id=\"ID1101115124011234567800019565001000000001100000001301\"><cOrgao>51</cOrgao></infEvento>"
      "</evento></envEvento>",
      "evento", "infEvento");
  EXPECT_NE(evento.find("</infEvento><Signature"), std::string::npos);
  EXPECT_TRUE(XmlSecAceita(evento, std::string(kNsNFe) + ":infEvento"));
  std::string inut = ssl.Assinar("<inutNFe xmlns=\"" + std::string(kNsNFe) +
                                     "\" versao=\"4.00\"><infInut Id=\"ID51241234567800019565001000000001000000010\">"
                                     "<tpAmb>2</tpAmb></infInut></inutNFe>",
                                 "inutNFe", "infInut");
  EXPECT_TRUE(XmlSecAceita(inut, std::string(kNsNFe) + ":infInut"));
}

TEST_F(Assinatura, WithoutIdTheWholeDocumentIsSigned) {
  std::string out = ssl.Assinar("<doc><dado>1</dado></doc>", "", "");
  EXPECT_NE(out.find("<Reference URI=\"\">"), std::string::npos);
  EXPECT_NE(out.find("</dado><Signature"), std::string::npos);
  EXPECT_TRUE(XmlSecAceita(out, ""));
  std::string msg;
  EXPECT_TRUE(ssl.SSLXmlSignClass().ValidarAssinatura(out, msg, "")) << msg;
}

TEST_F(Assinatura, SigningAgainReplacesTheSignature) {
  std::string uma = ssl.Assinar(NFe(), "NFe", "infNFe");
  std::string duas = ssl.Assinar(uma, "NFe", "infNFe");
  EXPECT_EQ(Contar(duas, "<Signature xmlns"), 1);
  EXPECT_TRUE(XmlSecAceita(duas, kIdNFe));
}

TEST_F(Assinatura, ArgumentErrorsRaiseTheirMessages) {
  try {
    ssl.Assinar(NFe(), "evento", "infNFe");
    FAIL();
  } catch (const ETuimDFeException& e) {
    EXPECT_STREQ(e.what(), "Nenhum elemento encontrado");
  }
  try {
    ssl.Assinar("<NFe><infNFe Id='NFe1'></infNFe></NFe>", "NFe", "infNFe");
    FAIL();
  } catch (const ETuimDFeException& e) {
    EXPECT_STREQ(e.what(), "Não encontrei inicio do URI: aspas inicial");
  }
  try {
    ssl.Assinar("<NFe><infNFe", "NFe", "infNFe");
    FAIL();
  } catch (const ETuimDFeException& e) {
    EXPECT_STREQ(e.what(), "Erro: Falha ao interpretar o XML \"xmlParseDoc\"");
  }
}

TEST_F(Assinatura, ExternalEntitiesAreNeverLoaded) {
  fs::path segredo = dir / "segredo.txt";
  Gravar(segredo, "SEGREDO-DO-SERVIDOR");
  std::string xxe = "<?xml version=\"1.0\" encoding=\"UTF-8\"?><!DOCTYPE NFe [<!ENTITY x SYSTEM \"file://" +
                    segredo.string() + "\">]>" + NFe("<natOp>&x;</natOp>").substr(0);
  std::string out = ssl.Assinar(xxe, "NFe", "infNFe");
  EXPECT_EQ(out.find("SEGREDO"), std::string::npos);
  std::string msg;
  ssl.SSLXmlSignClass().ValidarAssinatura(xxe, msg, "infNFe");
  EXPECT_EQ(msg.find("SEGREDO"), std::string::npos);
  fs::path xsd = dir / "s.xsd";
  Gravar(xsd, "<xs:schema xmlns:xs=\"http://www.w3.org/2001/XMLSchema\"><xs:element name=\"a\" type=\"xs:int\"/></xs:schema>");
  EXPECT_FALSE(ssl.SSLXmlSignClass().Validar("<!DOCTYPE a [<!ENTITY x SYSTEM \"file://" + segredo.string() + "\">]><a>&x;</a>",
                                             xsd.string(), msg));
  EXPECT_EQ(msg.find("SEGREDO"), std::string::npos);
}

TEST_F(Assinatura, EntityExpansionBombFailsCleanly) {
  std::string bomba = "<?xml version=\"1.0\"?><!DOCTYPE l [<!ENTITY a \"aaaaaaaaaa\">";
  const char* nomes = "abcdefghij";
  for (int i = 1; i < 10; ++i) {
    bomba += std::string("<!ENTITY ") + nomes[i] + " \"";
    for (int k = 0; k < 10; ++k) bomba += std::string("&") + nomes[i - 1] + ";";
    bomba += "\">";
  }
  bomba += "]><l Id=\"x\">&j;</l>";
  EXPECT_THROW(ssl.Assinar(bomba, "", "l"), ETuimDFeException);
  std::string msg;
  EXPECT_FALSE(ssl.SSLXmlSignClass().ValidarAssinatura(bomba, msg, "l"));
  EXPECT_EQ(msg, "Erro: Falha ao interpretar o XML \"xmlParseDoc\"");
}

TEST_F(Assinatura, SchemaValidationGivesCodeAndMessage) {
  fs::path xsd = dir / "pedido.xsd";
  Gravar(xsd, "<xs:schema xmlns:xs=\"http://www.w3.org/2001/XMLSchema\"><xs:element name=\"pedido\"><xs:complexType>"
              "<xs:sequence><xs:element name=\"qtd\" type=\"xs:positiveInteger\"/></xs:sequence></xs:complexType>"
              "</xs:element></xs:schema>");
  std::string msg = "old";
  EXPECT_TRUE(ssl.Validar("<pedido><qtd>3</qtd></pedido>", xsd.string(), msg)) << msg;
  EXPECT_EQ(msg, "");
  EXPECT_FALSE(ssl.Validar("<pedido><qtd>-3</qtd></pedido>", xsd.string(), msg));
  ASSERT_NE(msg.find(" - "), std::string::npos) << msg;
  EXPECT_GT(std::atoi(msg.c_str()), 0);
  EXPECT_EQ(msg.back(), '\n');
  EXPECT_NE(msg.find("qtd"), std::string::npos);
  fs::path ruim = dir / "ruim.xsd";
  Gravar(ruim, "<nada/>");
  EXPECT_FALSE(ssl.Validar("<pedido/>", ruim.string(), msg));
  EXPECT_EQ(msg, "Erro: Schema inválido");
  EXPECT_FALSE(ssl.Validar("<pedido>", xsd.string(), msg));
  EXPECT_EQ(msg, "Erro: Falha ao interpretar o XML \"xmlParseDoc\"");
}

TEST_F(Assinatura, OfficialSchemaAcceptsNothingMalformed) {
  // The national schemas include each other: their includes must still load.
  std::string msg;
  fs::path xsd = fs::path(TUIM_SCHEMAS_DIR) / "consStatServ_v4.00.xsd";
  EXPECT_TRUE(ssl.Validar("<consStatServ xmlns=\"http://www.portalfiscal.inf.br/nfe\" versao=\"4.00\"><tpAmb>2</tpAmb>"
                          "<cUF>51</cUF><xServ>STATUS</xServ></consStatServ>",
                          xsd.string(), msg))
      << msg;
  EXPECT_FALSE(ssl.Validar("<consStatServ xmlns=\"http://www.portalfiscal.inf.br/nfe\" versao=\"4.00\"><tpAmb>3</tpAmb>"
                           "<cUF>51</cUF><xServ>STATUS</xServ></consStatServ>",
                           xsd.string(), msg));
}

TEST_F(Assinatura, ThreadsStartingTogetherAllSign) {
  std::vector<std::thread> ts;
  std::vector<std::string> out(4);
  for (int i = 0; i < 4; ++i)
    ts.emplace_back([&, i] {
      TDFeSSL s;
      s.SetSSLCryptLib(cryOpenSSL);
      s.SetSSLXmlSignLib(xsLibXml2);
      s.SetArquivoPFX((dir / "c.pfx").string());
      s.SetSenha("1234");
      out[i] = s.Assinar(NFe(), "NFe", "infNFe");
    });
  for (auto& t : ts) t.join();
  for (const auto& o : out) EXPECT_TRUE(XmlSecAceita(o, kIdNFe));
}

TEST_F(Assinatura, StoredSignatureIsWrittenBackAndStillVerifies) {
  std::string out = ssl.Assinar(NFe(), "NFe", "infNFe");
  TSignature s;
  s.SetURI(Entre(out, "<Reference URI=\"", "\""));
  s.SetDigestValue(Entre(out, "<DigestValue>", "</DigestValue>"));
  s.SetSignatureValue(Entre(out, "<SignatureValue>", "</SignatureValue>"));
  s.SetX509Certificate(Entre(out, "<X509Certificate>", "</X509Certificate>"));
  TSignature copia;
  copia = s;
  bool ok = copia.GerarXML();
  for (const auto& a : copia.Gerador().ListaDeAlertas()) ADD_FAILURE() << a;
  ASSERT_TRUE(ok);
  std::string assinatura = copia.Gerador().ArquivoFormatoXML();
  std::string original = out.substr(out.find("<Signature"));
  original = original.substr(0, original.find("</Signature>") + 12);
  EXPECT_EQ(assinatura, original);
  std::string refeito = out.substr(0, out.find("<Signature")) + assinatura + "</NFe>";
  EXPECT_TRUE(XmlSecAceita(refeito, kIdNFe));
}

TEST(TSignatureEscrita, MissingValuesStillWriteTheirElements) {
  TSignature s;
  s.SetURI("#NFe1");
  EXPECT_TRUE(s.GerarXML());  // the three values have no minimum length
  const std::string& x = s.Gerador().ArquivoFormatoXML();
  EXPECT_NE(x.find("<DigestValue></DigestValue>"), std::string::npos);
  EXPECT_NE(x.find("<X509Data><X509Certificate></X509Certificate></X509Data>"), std::string::npos);
}
