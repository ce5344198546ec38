// `tuim nfe ler`, `tuim nfe validar` and `tuim nfe chave` on files a user has at hand.
#include <gtest/gtest.h>

#include <string>

#include "tests/cli/TuimRun.h"
#include "tests/security/CertificadosTeste.h"

using tuim::testing::RunTuim;

namespace {

const std::string kChave = "35240511222333000181650010000000011123456785";
const std::string kNS = "xmlns=\"http://www.portalfiscal.inf.br/nfe\"";

// A layout-4.00 NFC-e that the national schema accepts (the signature values are only
// well-formed Base64), with an accented nature of operation.
std::string NFe(const std::string& extraIde = "", const std::string& natOp = "VENDA DE MERCADORIA ÇÃO") {
  return "<NFe " + kNS + "><infNFe versao=\"4.00\" Id=\"NFe" + kChave + "\"><ide><cUF>35</cUF><cNF>12345678</cNF>"
         "<natOp>" + natOp + "</natOp><mod>65</mod><serie>1</serie><nNF>1</nNF>"
         "<dhEmi>2024-05-10T10:20:30-03:00</dhEmi><tpNF>1</tpNF><idDest>1</idDest><cMunFG>3550308</cMunFG>"
         "<tpImp>4</tpImp><tpEmis>1</tpEmis><cDV>5</cDV><tpAmb>2</tpAmb><finNFe>1</finNFe><indFinal>1</indFinal>"
         "<indPres>1</indPres><procEmi>0</procEmi><verProc>TuimNFe</verProc>" + extraIde + "</ide><emit>"
         "<CNPJ>11222333000181</CNPJ><xNome>EMPRESA TESTE LTDA</xNome><enderEmit><xLgr>RUA A</xLgr><nro>100</nro>"
         "<xBairro>CENTRO</xBairro><cMun>3550308</cMun><xMun>SAO PAULO</xMun><UF>SP</UF><CEP>01001000</CEP>"
         "<cPais>1058</cPais><xPais>BRASIL</xPais></enderEmit><IE>111111111111</IE><CRT>1</CRT></emit>"
         "<det nItem=\"1\"><prod><cProd>1</cProd><cEAN>SEM GTIN</cEAN><xProd>PRODUTO</xProd><NCM>22030000</NCM>"
         "<CFOP>5102</CFOP><uCom>UN</uCom><qCom>1.0000</qCom><vUnCom>10.0000000000</vUnCom><vProd>10.00</vProd>"
         "<cEANTrib>SEM GTIN</cEANTrib><uTrib>UN</uTrib><qTrib>1.0000</qTrib><vUnTrib>10.0000000000</vUnTrib>"
         "<indTot>1</indTot></prod><imposto><ICMS><ICMSSN102><orig>0</orig><CSOSN>102</CSOSN></ICMSSN102></ICMS>"
         "<PIS><PISNT><CST>07</CST></PISNT></PIS><COFINS><COFINSNT><CST>07</CST></COFINSNT></COFINS></imposto>"
         "</det><total><ICMSTot><vBC>0.00</vBC><vICMS>0.00</vICMS><vICMSDeson>0.00</vICMSDeson><vFCP>0.00</vFCP>"
         "<vBCST>0.00</vBCST><vST>0.00</vST><vFCPST>0.00</vFCPST><vFCPSTRet>0.00</vFCPSTRet><vProd>10.00</vProd>"
         "<vFrete>0.00</vFrete><vSeg>0.00</vSeg><vDesc>0.00</vDesc><vII>0.00</vII><vIPI>0.00</vIPI>"
         "<vIPIDevol>0.00</vIPIDevol><vPIS>0.00</vPIS><vCOFINS>0.00</vCOFINS><vOutro>0.00</vOutro><vNF>10.00</vNF>"
         "</ICMSTot></total><transp><modFrete>9</modFrete></transp><pag><detPag><tPag>01</tPag><vPag>10.00</vPag>"
         "</detPag></pag></infNFe><Signature xmlns=\"http://www.w3.org/2000/09/xmldsig#\"><SignedInfo>"
         "<CanonicalizationMethod Algorithm=\"http://www.w3.org/TR/2001/REC-xml-c14n-20010315\"/>"
         "<SignatureMethod Algorithm=\"http://www.w3.org/2000/09/xmldsig#rsa-sha1\"/><Reference URI=\"#NFe" + kChave +
         "\"><Transforms><Transform Algorithm=\"http://www.w3.org/2000/09/xmldsig#enveloped-signature\"/>"
         "<Transform Algorithm=\"http://www.w3.org/TR/2001/REC-xml-c14n-20010315\"/></Transforms>"
         "<DigestMethod Algorithm=\"http://www.w3.org/2000/09/xmldsig#sha1\"/>"
         "<DigestValue>AAAAAAAAAAAAAAAAAAAAAAAAAAA=</DigestValue></Reference></SignedInfo>"
         "<SignatureValue>AAAA</SignatureValue><KeyInfo><X509Data><X509Certificate>AAAA</X509Certificate>"
         "</X509Data></KeyInfo></Signature></NFe>";
}

const std::string kDecl = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>";

std::string Proc() {
  return kDecl + "<nfeProc versao=\"4.00\" " + kNS + ">" + NFe() +
         "<protNFe versao=\"4.00\"><infProt><tpAmb>2</tpAmb><verAplic>SP</verAplic><chNFe>" + kChave +
         "</chNFe><dhRecbto>2024-05-10T10:20:35-03:00</dhRecbto><nProt>135240000000001</nProt>"
         "<digVal>AAAAAAAAAAAAAAAAAAAAAAAAAAA=</digVal><cStat>100</cStat><xMotivo>Autorizado o uso da NF-e</xMotivo>"
         "</infProt></protNFe></nfeProc>";
}

const std::string kSchemas = std::string(TUIM_SOURCE_DIR) + "/schemas/PL_009_V4";

}  // namespace

TEST(NfeLerCli, PrintsTheDocumentAsJson) {
  auto r = RunTuim({"nfe", "ler", ArquivoTemporario("ler.xml", kDecl + NFe())});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(r.err, "");
  EXPECT_NE(r.out.find("\"natOp\": \"VENDA DE MERCADORIA ÇÃO\""), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("\"CSOSN\": \"102\""), std::string::npos);
  EXPECT_NE(r.out.find("\"SignatureValue\": \"AAAA\""), std::string::npos);
}

TEST(NfeLerCli, ProcessedDocumentCarriesItsProtocol) {
  auto r = RunTuim({"nfe", "ler", ArquivoTemporario("ler-proc.xml", Proc())});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_NE(r.out.find("\"nProt\": \"135240000000001\""), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("\"dhRecbto\": \"2024-05-10T10:20:35-03:00\""), std::string::npos);
}

TEST(NfeLerCli, UnknownElementsAreWarnedAndFailOnlyWhenStrict) {
  const std::string f = ArquivoTemporario("ler-aviso.xml", NFe("<gNovo>1</gNovo>"));
  auto r = RunTuim({"nfe", "ler", f});
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(r.err, "aviso: Elemento desconhecido: /NFe/infNFe/ide/gNovo\n");
  EXPECT_EQ(RunTuim({"nfe", "ler", f, "--estrito"}).code, 1);
}

TEST(NfeLerCli, HostileInputIsRefusedWithItsReason) {
  const std::string doctype = "<!DOCTYPE NFe [<!ENTITY x \"y\">]>" + NFe();
  auto r = RunTuim({"nfe", "ler", ArquivoTemporario("ler-doctype.xml", doctype)});
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.err.find("DOCTYPE não permitido"), std::string::npos) << r.err;
  EXPECT_EQ(r.out, "");
  r = RunTuim({"nfe", "ler", ArquivoTemporario("ler-raiz.xml", "<retConsSitNFe " + kNS + "/>")});
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.err.find("raiz inesperada"), std::string::npos) << r.err;
}

TEST(NfeLerCli, UsageErrors) {
  EXPECT_EQ(RunTuim({"nfe", "ler"}).code, 2);
  EXPECT_EQ(RunTuim({"nfe", "ler", "a.xml", "--xyz"}).code, 2);
  EXPECT_EQ(RunTuim({"nfe", "ler", "/nonexistent/nfe.xml"}).code, 1);
}

TEST(NfeValidarCli, ValidatesAgainstTheSchemaOfTheRoot) {
  auto r = RunTuim({"nfe", "validar", ArquivoTemporario("validar.xml", kDecl + NFe()), "--schemas", kSchemas});
  EXPECT_EQ(r.code, 0) << r.out << r.err;
  EXPECT_EQ(r.out, "OK nfe_v4.00.xsd\n");
  r = RunTuim({"nfe", "validar", ArquivoTemporario("validar-proc.xml", Proc()), "--schemas", kSchemas});
  EXPECT_EQ(r.code, 0) << r.out << r.err;
  EXPECT_EQ(r.out, "OK procNFe_v4.00.xsd\n");
}

TEST(NfeValidarCli, SchemaErrorExitsWithOne) {
  auto r = RunTuim({"nfe", "validar", ArquivoTemporario("validar-erro.xml", NFe("", "")), "--schemas", kSchemas});
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.out.find("natOp"), std::string::npos) << r.out;
  r = RunTuim({"nfe", "validar", ArquivoTemporario("validar-sem.xml", NFe()), "--schemas", "/nonexistent"});
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.err.find("schema não encontrado"), std::string::npos) << r.err;
}

TEST(NfeChaveCli, PrintsTheKeyAndItsFields) {
  auto r = RunTuim({"nfe", "chave", ArquivoTemporario("chave.xml", Proc())});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(r.out, "Chave=" + kChave +
                       "\nUF=35\nAno=24\nMes=05\nCNPJ=11222333000181\nModelo=65\nSerie=001\nNNF=000000001\n"
                       "TipoEmissao=1\nCNF=12345678\nDV=5\n");
  r = RunTuim({"nfe", "chave", ArquivoTemporario("chave.xml", Proc()), "--json"});
  EXPECT_NE(r.out.find("\"Chave\":\"" + kChave + "\",\"UF\":\"35\""), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("\"DVValido\":true"), std::string::npos);
}

TEST(NfeChaveCli, WrongCheckDigitExitsWithOne) {
  std::string xml = NFe();
  xml.replace(xml.find(kChave), kChave.size(), kChave.substr(0, 43) + "9");
  auto r = RunTuim({"nfe", "chave", ArquivoTemporario("chave-dv.xml", xml)});
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.err.find("o calculado é 5"), std::string::npos) << r.err;
}
