// The reader as the inverse of the writer: what TNFeW writes, TNFeR reads back into a model
// that the writer turns into the same XML; and hostile input gives clear errors.
#include "xml/TuimNFeR.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include <libxml/parser.h>
#include <libxml/tree.h>

#include "NFeExemplos.h"
#include "security/CertificadosTeste.h"
#include "fiscal/TuimException.h"
#include "fiscal/TuimUtil.h"
#include "fiscal/fscAuxiliar.h"
#include "xml/TuimNFeW.h"
#include "testing/NFeTexto.h"

namespace tuim {
namespace {

namespace fs = std::filesystem;

const std::string kNS = "xmlns=\"http://www.portalfiscal.inf.br/nfe\"";

std::string Escrever(TNFe& n, TfscTagAssinatura assinatura = taSomenteSeAssinada) {
  TNFeW w(&n);
  w.Opcoes().SetGerarTagAssinatura(assinatura);
  w.EscreverNFe();
  // The writer gives Windows-1252 text; saved and received documents are UTF-8.
  return ParaUTF8(w.Gerador().ArquivoFormatoXML());
}

// Written, read back and written again: the second text must be the first.
void IdaEVolta(TNFe& original, const std::string& rotulo) {
  const std::string xml = Escrever(original);
  TNFe lido;
  TNFeR r(&lido);
  try {
    r.LerXML(xml);
  } catch (const ETuimDFeException& e) {
    FAIL() << rotulo << ": " << e.what();
  }
  EXPECT_TRUE(r.Avisos().empty()) << rotulo << ": " << (r.Avisos().empty() ? "" : r.Avisos()[0]);
  const std::string segunda = Escrever(lido);
  std::size_t i = 0;
  while (i < xml.size() && i < segunda.size() && xml[i] == segunda[i]) ++i;
  EXPECT_EQ(segunda.size(), xml.size()) << rotulo;
  EXPECT_EQ(i, xml.size()) << rotulo << " differs at: " << xml.substr(i > 80 ? i - 80 : 0, 160) << "\n  became: "
                           << segunda.substr(i > 80 ? i - 80 : 0, 160);
}

class NFeR : public exemplos::ComFusoDosEstados {};

TEST_F(NFeR, PlainNFeAndNFCeReadBackToTheSameXML) {
  TNFe a, b;
  exemplos::NFe(a);
  exemplos::NFCe(b);
  IdaEVolta(a, "NF-e");
  IdaEVolta(b, "NFC-e");
}

TEST_F(NFeR, EveryGroupOfEveryLayoutReadsBackToTheSameXML) {
  for (double versao : {4.00, 3.10, 3.00, 2.00}) {
    TNFe n;
    exemplos::TodosOsGrupos(n);
    n.infNFe.versao = versao;
    IdaEVolta(n, "versao " + std::to_string(versao));
  }
}

TEST_F(NFeR, ReadsTheFieldsIntoTheirProperties) {
  TNFe n;
  exemplos::TodosOsGrupos(n);
  TNFe lido;
  TNFeR(&lido).LerXML(Escrever(n));
  EXPECT_EQ(lido.Ide.modelo, 55);
  EXPECT_EQ(lido.Ide.dEmi, n.Ide.dEmi);
  EXPECT_EQ(lido.Ide.NFref.Count(), 4);
  EXPECT_EQ(lido.Ide.NFref[1].RefNFP.CNPJCPF, "12345678909");
  EXPECT_EQ(lido.Emit.EnderEmit.xMun, "SAO PAULO");
  ASSERT_EQ(lido.Det.Count(), 4);
  EXPECT_EQ(lido.Det[2].Prod.nItem, 3);
  EXPECT_EQ(lido.Det[2].Prod.NVE.Count(), 2);
  EXPECT_EQ(lido.Det[2].Prod.NVE[1].NVE, "AB0002");
  EXPECT_EQ(lido.Det[2].Prod.detExport[0].nRE, "240123456789");
  EXPECT_EQ(lido.Det[2].Imposto.ICMS.CST, cstIcms70);
  EXPECT_EQ(lido.Det[2].vIPIDevol, TCurrency(3));
  EXPECT_EQ(lido.Det[2].Prod.vUnCom, 1234.5678901234);
  EXPECT_EQ(lido.Det[3].Imposto.ISSQN.cListServ, "01.07");
  EXPECT_EQ(lido.pag.Count(), 1);
  EXPECT_EQ(lido.pag[0].indPag, indPag1);
  EXPECT_EQ(lido.InfAdic.obsCont[0].xCampo, "PEDIDO");
  EXPECT_EQ(lido.cana.fordia[0].dia, 3);
  EXPECT_EQ(lido.infNFeSupl.qrCode, n.infNFeSupl.qrCode);
  EXPECT_EQ(lido.signature.X509Certificate(), "CERT");
  EXPECT_EQ(lido.procNFe.nProt, "135240000000001");
  EXPECT_EQ(lido.procNFe.dhRecbto, n.procNFe.dhRecbto);
  EXPECT_EQ(lido.procNFe.Versao, "4.00");
}

// Each ICMS situation, including the values that share a code with another, reads back as
// itself where the writer tells them apart.
struct CasoICMS {
  TfscCSTIcms cst;
  double versao;
};
class NFeRICMS : public NFeR, public ::testing::WithParamInterface<CasoICMS> {};

TEST_P(NFeRICMS, SituationReadsBackToTheSameXML) {
  TNFe n;
  exemplos::NFe(n);
  n.infNFe.versao = GetParam().versao;
  TICMS& i = n.Det[0].Imposto.ICMS;
  i.CST = GetParam().cst;
  i.modBC = modBC1;
  i.vBC = 10;
  i.pICMS = 18;
  i.vICMS = 2;
  i.pRedBC = 5;
  i.vBCST = 20;
  i.vICMSST = 3;
  i.pICMSST = 18;
  i.UFST = "RJ";
  i.pBCOp = 50;
  i.vBCSTRet = 4;
  i.pST = 18;
  i.vICMSSTRet = 5;
  i.vBCSTDest = 6;
  i.vICMSSTDest = 7;
  i.vICMSDeson = 1;
  i.motDesICMS = motDesICMS9;
  i.vICMSOp = 8;
  i.pDif = 10;
  i.vICMSDif = 1;
  i.vBCFCPSTRet = 2;
  i.pFCPSTRet = 1;
  i.vFCPSTRet = 1;
  i.pRedBCEfet = 1;
  i.vBCEfet = 9;
  i.pICMSEfet = 12;
  i.vICMSEfet = 1;
  const std::string xml = Escrever(n);
  TNFe lido;
  TNFeR r(&lido);
  r.LerXML(xml);
  EXPECT_TRUE(r.Avisos().empty());
  EXPECT_EQ(Escrever(lido), xml) << CSTIcmsParaTexto(GetParam().cst);
}

// CST 80, 81 and the other-state 90 have no group in the national schema: the writer records
// an alert and writes none, so there is nothing of them to read back.
INSTANTIATE_TEST_SUITE_P(
    Situacoes, NFeRICMS,
    ::testing::Values(CasoICMS{cstIcms00, 4}, CasoICMS{cstIcms10, 4}, CasoICMS{cstIcms20, 4}, CasoICMS{cstIcms30, 4},
                      CasoICMS{cstIcms40, 4}, CasoICMS{cstIcms41, 4}, CasoICMS{cstIcms50, 4},
                      CasoICMS{cstIcms51, 4}, CasoICMS{cstIcms60, 4}, CasoICMS{cstIcms70, 4},
                      CasoICMS{cstIcms90, 4}, CasoICMS{cstIcmsPart10, 4}, CasoICMS{cstIcmsPart90, 4},
                      CasoICMS{cstIcmsST41, 4}, CasoICMS{cstIcmsST60, 4}, CasoICMS{cstIcmsST60, 3.10},
                      CasoICMS{cstIcms40, 3.00}, CasoICMS{cstIcms60, 2.00}));

class NFeRCSOSN : public NFeR, public ::testing::WithParamInterface<TfscCSOSN> {};

TEST_P(NFeRCSOSN, SimplifiedRegimeReadsBackToTheSameXML) {
  TNFe n;
  exemplos::NFe(n);
  n.Emit.CRT = crt1;
  TICMS& i = n.Det[0].Imposto.ICMS;
  i.CSOSN = GetParam();
  i.pCredSN = 2;
  i.vCredICMSSN = 1;
  i.modBCST = modBCST4;
  i.vBCST = 20;
  i.pICMSST = 18;
  i.vICMSST = 3;
  i.vBCSTRet = 4;
  i.vICMSSTRet = 1;
  const std::string xml = Escrever(n);
  TNFe lido;
  TNFeR(&lido).LerXML(xml);
  EXPECT_EQ(Escrever(lido), xml) << CSOSNParaTexto(GetParam());
}

INSTANTIATE_TEST_SUITE_P(Situacoes, NFeRCSOSN,
                         ::testing::Values(csosn101, csosn102, csosn103, csosn201, csosn202, csosn203, csosn300,
                                           csosn400, csosn500, csosn900));

// A document as another program might write it: indented, with a declaration, a comment,
// accented UTF-8 texts and an element unknown to the model.
TEST_F(NFeR, ForeignDocumentKeepsItsValuesAndReportsWhatItCannotKeep) {
  TNFe n;
  exemplos::NFe(n);
  TNFeW w(&n);
  w.Gerador().Opcoes().SetIdentarXML(true);
  w.EscreverNFe();
  std::string xml = ParaUTF8(w.Gerador().ArquivoFormatoXML());
  xml.replace(xml.find("VENDA DE MERCADORIA"), 19, "VENDA DE MERCADORIA \xC3\x87\xC3\x83O");
  xml.insert(xml.find("<infAdic>"), "<!-- nota --><infIntermed><CNPJ>11444777000161</CNPJ></infIntermed>");
  xml.insert(0, "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n");
  TNFe lido;
  TNFeR r(&lido);
  r.LerXML(xml);
  EXPECT_EQ(lido.Ide.natOp, "VENDA DE MERCADORIA \xC7\xC3O");
  ASSERT_EQ(r.Avisos().size(), 1u);
  EXPECT_NE(r.Avisos()[0].find("/NFe/infNFe/infIntermed"), std::string::npos) << r.Avisos()[0];
  // Written again with accents removed, the document is the one written at first.
  lido.Ide.natOp = "VENDA DE MERCADORIA";
  EXPECT_EQ(Escrever(lido), Escrever(n));
}

TEST_F(NFeR, CsrtHashAndUnknownProtocolAttributeAreReportedAsNotKept) {
  TNFe n;
  exemplos::NFe(n);
  n.procNFe.nProt = "135240000000001";
  std::string xml = Escrever(n);
  xml.replace(xml.find("<infProt>"), 9, "<infProt Id=\"ID135240000000001\" outro=\"1\">");
  xml.insert(xml.find("</infRespTec>"), "<idCSRT>01</idCSRT><hashCSRT>AAAAAAAAAAAAAAAAAAAAAAAAAAA=</hashCSRT>");
  TNFe lido;
  TNFeR r(&lido);
  r.LerXML(xml);
  ASSERT_EQ(r.Avisos().size(), 3u);
  EXPECT_NE(r.Avisos()[0].find("/infRespTec/idCSRT"), std::string::npos);
  EXPECT_NE(r.Avisos()[2].find("/nfeProc/protNFe/infProt/@outro"), std::string::npos);
  EXPECT_EQ(lido.procNFe.Id, "ID135240000000001");
}

// PL_010 lets the protocol carry up to five messages.
class NFeRMensagens : public NFeR {
protected:
  void SetUp() override {
    NFeR::SetUp();
    exemplos::NFe(n);
    n.procNFe.nProt = "135240000000001";
  }
  // The document written, with `acrescimo` put in right after its last message, read back.
  void Ler(const std::string& acrescimo = "") {
    std::string xml = Escrever(n);
    xml.insert(xml.rfind("</xMsg>") + 7, acrescimo);
    r.LerXML(xml);
  }
  void EsperarMensagens(const std::vector<std::pair<int, std::string>>& esperadas) {
    const std::vector<TMsgCollectionItem> m = lido.procNFe.Mensagens();
    ASSERT_EQ(m.size(), esperadas.size());
    for (std::size_t i = 0; i < m.size(); ++i) {
      EXPECT_EQ(m[i].cMsg, esperadas[i].first) << i;
      EXPECT_EQ(m[i].xMsg, esperadas[i].second) << i;
    }
  }
  TNFe n, lido;
  TNFeR r{&lido};
};

TEST_F(NFeRMensagens, AllAreKeptInOrderAndWrittenAgainTheSame) {
  exemplos::Mensagens(n.procNFe, {"PRIMEIRA", "SEGUNDA \xC7\xC3O", "TERCEIRA & <ULTIMA>"}, 7);
  IdaEVolta(n, "three messages");
  EXPECT_NE(Escrever(n).find("<cMsg>7</cMsg><xMsg>PRIMEIRA</xMsg><cMsg>8</cMsg><xMsg>SEGUNDA \xC3\x87\xC3\x83O</xMsg>"
                             "<cMsg>9</cMsg><xMsg>TERCEIRA &amp; &lt;ULTIMA&gt;</xMsg></infProt>"),
            std::string::npos);
  Ler();
  EXPECT_EQ(lido.procNFe.xMsg, "PRIMEIRA");
  EsperarMensagens({{7, "PRIMEIRA"}, {8, "SEGUNDA \xC7\xC3O"}, {9, "TERCEIRA & <ULTIMA>"}});
}

// Past the five pairs of the schema nothing is kept, and each element left out is said.
TEST_F(NFeRMensagens, PastTheFifthAreReportedAsNotKept) {
  exemplos::Mensagens(n.procNFe, {"M1", "M2", "M3", "M4", "M5"});
  Ler("<cMsg>6</cMsg><xMsg>M6</xMsg>");
  EsperarMensagens({{1, "M1"}, {2, "M2"}, {3, "M3"}, {4, "M4"}, {5, "M5"}});
  ASSERT_EQ(r.Avisos().size(), 2u) << ::testing::PrintToString(r.Avisos());
  EXPECT_NE(r.Avisos()[0].find("/nfeProc/protNFe/infProt/cMsg"), std::string::npos) << r.Avisos()[0];
  EXPECT_NE(r.Avisos()[1].find("/nfeProc/protNFe/infProt/xMsg"), std::string::npos) << r.Avisos()[1];
}

// A message without its code still opens a pair of its own instead of overwriting the last one.
TEST_F(NFeRMensagens, MessageWithoutCodeIsAPairOfItsOwn) {
  exemplos::Mensagens(n.procNFe, {"M1"});
  Ler("<xMsg>SEM CODIGO</xMsg>");
  EXPECT_TRUE(r.Avisos().empty()) << ::testing::PrintToString(r.Avisos());
  EsperarMensagens({{1, "M1"}, {0, "SEM CODIGO"}});
}

// The plain NF-e with Base64 placeholders where a signature goes, as the schema wants them.
void AssinadaComValoresFicticios(TNFe& n) {
  exemplos::NFe(n);
  n.signature.SetDigestValue("AAAAAAAAAAAAAAAAAAAAAAAAAAA=");
  n.signature.SetSignatureValue("AAAA");
  n.signature.SetX509Certificate("AAAA");
}

bool ValidoNoSchema(const std::string& xml, const std::string& schema) {
  const fs::path f = fs::temp_directory_path() / ("tuim-nfer-" + std::to_string(::getpid()) + ".xml");
  std::ofstream(f, std::ios::binary) << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>" << xml;
  const std::string cmd = "xmllint --noout --schema " + std::string(TUIM_SCHEMAS_DIR) + "/" + schema + " " +
                          f.string() + " >/dev/null 2>&1";
  const bool ok = std::system(cmd.c_str()) == 0;
  fs::remove(f);
  return ok;
}

// The authority's identifier of the protocol is part of the processed document.
TEST_F(NFeR, ProtocolIdIsWrittenAndReadBack) {
  TNFe n;
  AssinadaComValoresFicticios(n);
  exemplos::Protocolo(n);
  n.procNFe.Id = "ID135240000000001";
  const std::string xml = Escrever(n);
  EXPECT_NE(xml.find("<infProt Id=\"ID135240000000001\"><tpAmb>"), std::string::npos);
  EXPECT_TRUE(ValidoNoSchema(xml, "procNFe_v4.00.xsd"));
  TNFe lido;
  TNFeR r(&lido);
  r.LerXML(xml);
  EXPECT_TRUE(r.Avisos().empty());
  EXPECT_EQ(lido.procNFe.Id, "ID135240000000001");
  EXPECT_EQ(Escrever(lido), xml);
  // Without one, none is made up.
  n.procNFe.Id.clear();
  EXPECT_NE(Escrever(n).find("<infProt><tpAmb>"), std::string::npos);
}

// "]]>" inside the QR-code text would close its CDATA section early.
TEST_F(NFeR, QrCodeHoldingTheCdataEndIsWellFormedAndReadsBackIntact) {
  TNFe n;
  exemplos::NFCe(n);
  const std::string qr = n.infNFeSupl.qrCode;
  for (const std::string& texto : {qr + "]]>", "]]>" + qr + "]]]>>]]>x", qr + "]]"}) {
    n.infNFeSupl.qrCode = texto;
    const std::string xml = Escrever(n);
    xmlDoc* d = xmlReadMemory(xml.data(), static_cast<int>(xml.size()), nullptr, nullptr,
                              XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING);
    EXPECT_NE(d, nullptr) << texto;
    if (d) {
      xmlNode* raiz = xmlDocGetRootElement(d);
      xmlNode* qrNo = nullptr;
      for (xmlNode* c = raiz->children; c; c = c->next)
        if (c->type == XML_ELEMENT_NODE && std::string(reinterpret_cast<const char*>(c->name)) == "infNFeSupl")
          qrNo = c->children;
      ASSERT_NE(qrNo, nullptr);
      xmlChar* conteudo = xmlNodeGetContent(qrNo);
      EXPECT_EQ(std::string(reinterpret_cast<const char*>(conteudo)), ParaUTF8(texto));
      xmlFree(conteudo);
      xmlFreeDoc(d);
    }
    TNFe lido;
    TNFeR r(&lido);
    r.LerXML(xml);
    EXPECT_EQ(lido.infNFeSupl.qrCode, texto);
    EXPECT_EQ(Escrever(lido), xml);
  }
}

TEST_F(NFeR, KeyQueryAddressWithAQueryIsWellFormedAndReadsBack) {
  TNFe n;
  exemplos::NFCe(n);
  n.infNFeSupl.urlChave = "https://www.sefaz.example/consulta?a=1&b=<2>";
  const std::string xml = Escrever(n);
  xmlDoc* d = xmlReadMemory(xml.data(), static_cast<int>(xml.size()), nullptr, nullptr,
                            XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING);
  EXPECT_NE(d, nullptr);
  xmlFreeDoc(d);
  TNFe lido;
  TNFeR(&lido).LerXML(xml);
  EXPECT_EQ(lido.infNFeSupl.urlChave, n.infNFeSupl.urlChave);
  EXPECT_EQ(Escrever(lido), xml);
}

TEST_F(NFeR, SchemaValidDocumentReadBackIsValidAgain) {
  TNFe n;
  AssinadaComValoresFicticios(n);
  TNFe lido;
  TNFeR(&lido).LerXML(Escrever(n));
  EXPECT_TRUE(ValidoNoSchema(Escrever(lido), "nfe_v4.00.xsd"));
}

// A hand-written NFC-e signed by xmlsec1, which breaks its Base64 values into lines; empty
// when xmlsec1 could not sign.
const std::string kIdAttr = " --id-attr:Id http://www.portalfiscal.inf.br/nfe:infNFe ";

std::string AssinadoPorOutroPrograma() {
  const std::string chave = "35240511222333000181650010000000011123456785";
  const std::string modelo =
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<NFe " + kNS + ">\n  <infNFe versao=\"4.00\" Id=\"NFe" + chave +
      "\"><ide><cUF>35</cUF><cNF>12345678</cNF><natOp>VENDA DE MERCADORIA</natOp><mod>65</mod><serie>1</serie>"
      "<nNF>1</nNF><dhEmi>2024-05-10T10:20:30-03:00</dhEmi><tpNF>1</tpNF><idDest>1</idDest><cMunFG>3550308</cMunFG>"
      "<tpImp>4</tpImp><tpEmis>1</tpEmis><cDV>5</cDV><tpAmb>1</tpAmb><finNFe>1</finNFe><indFinal>1</indFinal>"
      "<indPres>1</indPres><procEmi>0</procEmi><verProc>OutroSistema 2.1</verProc></ide><emit>"
      "<CNPJ>11222333000181</CNPJ><xNome>EMPRESA TESTE LTDA</xNome><enderEmit><xLgr>RUA A</xLgr><nro>100</nro>"
      "<xBairro>CENTRO</xBairro><cMun>3550308</cMun><xMun>SAO PAULO</xMun><UF>SP</UF><CEP>01001000</CEP>"
      "<cPais>1058</cPais><xPais>BRASIL</xPais></enderEmit><IE>111111111111</IE><CRT>1</CRT></emit>" +
      teste::kItemSimplesAteOFim + "\n  <Signature xmlns=\"http://www.w3.org/2000/09/xmldsig#\"><SignedInfo>"
      "<CanonicalizationMethod Algorithm=\"http://www.w3.org/TR/2001/REC-xml-c14n-20010315\"/>"
      "<SignatureMethod Algorithm=\"http://www.w3.org/2000/09/xmldsig#rsa-sha1\"/><Reference URI=\"#NFe" + chave +
      "\"><Transforms><Transform Algorithm=\"http://www.w3.org/2000/09/xmldsig#enveloped-signature\"/>"
      "<Transform Algorithm=\"http://www.w3.org/TR/2001/REC-xml-c14n-20010315\"/></Transforms>"
      "<DigestMethod Algorithm=\"http://www.w3.org/2000/09/xmldsig#sha1\"/><DigestValue></DigestValue></Reference>"
      "</SignedInfo><SignatureValue></SignatureValue><KeyInfo><X509Data/></KeyInfo></Signature>\n</NFe>\n";
  const std::string arqModelo = ArquivoTemporario("outro-modelo.xml", modelo);
  const std::string assinado = arqModelo + ".assinado.xml";
  const std::string assinar = "xmlsec1 --sign --privkey-pem " + Certificado("empresa.key") + "," +
                              Certificado("empresa.pem") + kIdAttr + "--output " + assinado + " " + arqModelo +
                              " >/dev/null 2>&1";
  if (std::system(assinar.c_str()) != 0) return "";
  return LerArquivoTeste(assinado);
}

bool VerificadoPeloXmlsec(const std::string& xml, const std::string& nome) {
  const std::string arq = ArquivoTemporario(nome, xml);
  const std::string verificar =
      "xmlsec1 --verify --trusted-pem " + Certificado("ca.pem") + kIdAttr + arq + " >/dev/null 2>&1";
  return std::system(verificar.c_str()) == 0;
}

// Read and written; the text read back from that is written the same again.
std::string ReescreverAssinado(const std::string& xml, TNFe& lido) {
  TNFeR r(&lido);
  r.LerXML(xml);
  EXPECT_TRUE(r.Avisos().empty());
  TNFeW w(&lido);
  EXPECT_TRUE(w.EscreverNFe());
  const std::string reescrito = ParaUTF8(w.Gerador().ArquivoFormatoXML());
  TNFe denovo;
  TNFeR(&denovo).LerXML(reescrito);
  EXPECT_EQ(denovo.signature.DigestValue(), lido.signature.DigestValue());
  EXPECT_EQ(denovo.signature.SignatureValue(), lido.signature.SignatureValue());
  EXPECT_EQ(denovo.signature.X509Certificate(), lido.signature.X509Certificate());
  TNFeW w2(&denovo);
  w2.EscreverNFe();
  EXPECT_EQ(exemplos::Diferenca(ParaUTF8(w2.Gerador().ArquivoFormatoXML()), reescrito), "");
  return reescrito;
}

// Read and written again it is the same document, and its signature still holds.
TEST_F(NFeR, DocumentSignedByOtherSoftwareIsWrittenAgainAsTheSameDocument) {
  const std::string original = AssinadoPorOutroPrograma();
  if (original.empty()) GTEST_SKIP() << "xmlsec1 could not sign the document";
  TNFe lido;
  const std::string reescrito = ReescreverAssinado(original, lido);
  // The Base64 values keep the signer's line breaks.
  EXPECT_NE(lido.signature.SignatureValue().find('\n'), std::string::npos);
  EXPECT_NE(lido.signature.X509Certificate().find('\n'), std::string::npos);
  auto valor = [](const std::string& x) { return ConteudoEntre(x, "<SignatureValue>", "</SignatureValue>"); };
  EXPECT_EQ(valor(reescrito), valor(original));
  EXPECT_EQ(exemplos::Diferenca(exemplos::Canonico(reescrito), exemplos::Canonico(original)), "");
  EXPECT_TRUE(VerificadoPeloXmlsec(reescrito, "outro-reescrito.xml"));
}

// Some signers end their Base64 lines with CR LF, the CR as a character reference: the CR is
// part of the value and is written back as a reference, not lost to the parser's line ends.
TEST_F(NFeR, Base64LinesEndingInCarriageReturnKeepIt) {
  std::string original = AssinadoPorOutroPrograma();
  if (original.empty()) GTEST_SKIP() << "xmlsec1 could not sign the document";
  // Outside SignedInfo, so the signature still holds.
  for (const char* tag : {"SignatureValue>", "X509Certificate>"}) {
    const std::size_t ini = original.find(tag), fim = original.find(std::string("</") + tag);
    ASSERT_NE(ini, std::string::npos);
    ASSERT_NE(fim, std::string::npos);
    std::string valor = original.substr(ini, fim - ini);
    valor = SubstituirSeExistir(valor, "\n", "&#13;\n");
    original.replace(ini, fim - ini, valor);
  }
  ASSERT_TRUE(VerificadoPeloXmlsec(original, "outro-cr.xml"));
  TNFe lido;
  const std::string reescrito = ReescreverAssinado(original, lido);
  EXPECT_NE(lido.signature.SignatureValue().find("\r\n"), std::string::npos);
  EXPECT_NE(reescrito.find("&#13;\n"), std::string::npos);
  EXPECT_EQ(exemplos::Diferenca(exemplos::Canonico(reescrito), exemplos::Canonico(original)), "");
  EXPECT_TRUE(VerificadoPeloXmlsec(reescrito, "outro-cr-reescrito.xml"));
}

// Values set by a program (Windows line ends, a lone CR, blanks) go out and come back as set.
TEST_F(NFeR, MultiLineBase64ValuesSurviveWriteReadWrite) {
  TNFe n;
  exemplos::NFe(n);
  n.signature.SetDigestValue("AAAAAAAAAAAAAA\nAAAAAAAAAAAAA=");
  n.signature.SetSignatureValue("\r\nAAAA\r\nBBBB\rCCCC\r\n");
  n.signature.SetX509Certificate("\n  MIIB\n  CCCC\n");
  const std::string xml = Escrever(n);
  EXPECT_NE(xml.find("<SignatureValue>&#13;\nAAAA&#13;\nBBBB&#13;CCCC&#13;\n</SignatureValue>"), std::string::npos);
  TNFe lido;
  TNFeR(&lido).LerXML(xml);
  EXPECT_EQ(lido.signature.DigestValue(), n.signature.DigestValue());
  EXPECT_EQ(lido.signature.SignatureValue(), n.signature.SignatureValue());
  EXPECT_EQ(lido.signature.X509Certificate(), n.signature.X509Certificate());
  EXPECT_EQ(Escrever(lido), xml);
}

// ---- Hostile input ---------------------------------------------------------------------------

struct CasoHostil {
  const char* nome;
  std::string xml;
  const char* erro;
};
class NFeRHostil : public ::testing::TestWithParam<CasoHostil> {};

TEST_P(NFeRHostil, GivesAClearErrorAndLeavesTheDocument) {
  TNFe n;
  n.Ide.natOp = "ANTES";
  TNFeR r(&n);
  try {
    r.LerXML(GetParam().xml);
    FAIL() << "no error";
  } catch (const ETuimDFeException& e) {
    EXPECT_NE(std::string(e.what()).find(GetParam().erro), std::string::npos) << e.what();
  }
  EXPECT_EQ(n.Ide.natOp, "ANTES");
}

const std::string kInicio = "<NFe " + kNS + "><infNFe versao=\"4.00\" Id=\"NFe1\"><ide>";

INSTANTIATE_TEST_SUITE_P(
    Casos, NFeRHostil,
    ::testing::Values(
        CasoHostil{"Vazio", "", "XML"},
        CasoHostil{"MalFormado", kInicio + "<cUF>35</ide>", "mal formado"},
        CasoHostil{"RaizErrada", "<CTe " + kNS + "/>", "raiz inesperada"},
        CasoHostil{"SemNamespace", "<NFe><infNFe/></NFe>", "raiz inesperada"},
        CasoHostil{"Doctype",
                   "<?xml version=\"1.0\"?><!DOCTYPE NFe [<!ENTITY a \"aaaaaaaaaa\"><!ENTITY b \"&a;&a;&a;&a;\">]>"
                   "<NFe " + kNS + "><infNFe><ide><natOp>&b;</natOp></ide></infNFe></NFe>",
                   "DOCTYPE"},
        CasoHostil{"DoctypeExterno", "<!DOCTYPE NFe SYSTEM \"http://example.com/x.dtd\"><NFe " + kNS + "/>",
                   "DOCTYPE"},
        CasoHostil{"TextoGrande", kInicio + "<natOp>" + std::string(200000, 'A') + "</natOp></ide></infNFe></NFe>",
                   "/NFe/infNFe/ide/natOp: texto maior"},
        CasoHostil{"InteiroInvalido", kInicio + "<cUF>3X</cUF></ide></infNFe></NFe>", "/NFe/infNFe/ide/cUF"},
        CasoHostil{"CodigoInvalido", kInicio + "<tpAmb>7</tpAmb></ide></infNFe></NFe>", "código desconhecido"},
        CasoHostil{"DataInvalida", kInicio + "<dhEmi>2024-13-01T00:00:00-03:00</dhEmi></ide></infNFe></NFe>",
                   "data inválida"},
        CasoHostil{"ValorInvalido", "<NFe " + kNS + "><infNFe><total><ICMSTot><vNF>1e5</vNF></ICMSTot></total>"
                   "</infNFe></NFe>", "/NFe/infNFe/total/ICMSTot/vNF"},
        CasoHostil{"GrupoNoLugarDeValor", kInicio + "<natOp><x/></natOp></ide></infNFe></NFe>", "natOp"},
        CasoHostil{"SemInfNFe", "<NFe " + kNS + "/>", "infNFe"},
        CasoHostil{"AninhamentoProfundo",
                   kInicio + "</ide><det nItem=\"1\"><imposto>" + [] {
                     std::string a;
                     for (int i = 0; i < 5000; ++i) a += "<ICMS>";
                     return a;
                   }() + "</ICMS></imposto></det></infNFe></NFe>",
                   "mal formado"},
        CasoHostil{"EntidadeNaoDeclarada", kInicio + "<natOp>&x;</natOp></ide></infNFe></NFe>", "mal formado"},
        CasoHostil{"ProcSemNFe", "<nfeProc versao=\"4.00\" " + kNS + "/>", "sem o elemento NFe"}),
    [](const ::testing::TestParamInfo<CasoHostil>& i) { return std::string(i.param.nome); });

TEST(NFeRAvisos, UnknownElementsAndAttributesAreListedWithTheirPaths) {
  TNFe n;
  TNFeR r(&n);
  r.LerXML("<NFe " + kNS + "><infNFe versao=\"4.00\" Id=\"NFe1\" x=\"1\"><ide><cUF>35</cUF><novo>1</novo></ide>"
           "<det nItem=\"1\" y=\"2\"><prod><cProd>1</cProd></prod></det></infNFe><extra/></NFe>");
  ASSERT_EQ(r.Avisos().size(), 4u);
  EXPECT_EQ(r.Avisos()[0], "Atributo desconhecido: /NFe/infNFe/@x");
  EXPECT_EQ(r.Avisos()[1], "Elemento desconhecido: /NFe/infNFe/ide/novo");
  EXPECT_EQ(r.Avisos()[2], "Atributo desconhecido: /NFe/infNFe/det[1]/@y");
  EXPECT_EQ(r.Avisos()[3], "Elemento desconhecido: /NFe/extra");
  EXPECT_EQ(n.Ide.cUF, 35);
  EXPECT_EQ(n.Det[0].Prod.nItem, 1);
}

}  // namespace
}  // namespace tuim
