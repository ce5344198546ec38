// `tuim nfe txt`: the text layout of a document given as JSON or XML, its encodings and the
// characters it cannot carry.
#include <gtest/gtest.h>

#include <string>

#include "tests/cli/TuimRun.h"
#include "tests/security/CertificadosTeste.h"

using tuim::testing::RunTuim;

namespace {

// A small NF-e 4.00 in the JSON form; @NOME@ is the issuer's name.
const std::string kJson = R"({
  "infNFe": {"versao": "4.00"},
  "Ide": {"cUF": 35, "cNF": 12345678, "natOp": "VENDA", "modelo": 55, "serie": 1, "nNF": 123,
          "dEmi": "2024-05-10T10:20:30-03:00", "tpNF": "1", "cMunFG": 3550308, "tpImp": "1",
          "verProc": "Tuim 1.0"},
  "Emit": {"CNPJCPF": "11222333000181", "xNome": "@NOME@",
           "EnderEmit": {"xLgr": "RUA DAS FLORES", "nro": "7", "xBairro": "CENTRO", "cMun": 3550308,
                         "xMun": "SÃO PAULO", "UF": "SP", "CEP": 1001000},
           "IE": "110042490114"},
  "Dest": {"CNPJCPF": "11444777000161", "xNome": "CLIENTE LTDA",
           "EnderDest": {"xLgr": "AV PAULISTA", "nro": "1000", "xBairro": "BELA VISTA", "cMun": 3550308,
                         "xMun": "SAO PAULO", "UF": "SP", "CEP": 1310100}},
  "Det": [{"Prod": {"nItem": 1, "cProd": "1", "cEAN": "SEM GTIN", "xProd": "PRODUTO", "NCM": "22030000",
                    "CFOP": "5102", "uCom": "UN", "qCom": "1", "vUnCom": "10", "vProd": "10.00",
                    "cEANTrib": "SEM GTIN", "uTrib": "UN", "qTrib": "1", "vUnTrib": "10"}}],
  "Total": {"ICMSTot": {"vProd": "10.00", "vNF": "10.00"}},
  "pag": [{"tPag": "01", "vPag": "10.00"}]
})";

std::string Json(const std::string& nome, const std::string& versao = "4.00") {
  std::string j = kJson;
  j.replace(j.find("@NOME@"), 6, nome);
  j.replace(j.find("\"4.00\""), 6, "\"" + versao + "\"");
  return j;
}

const std::string kXml =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?><NFe xmlns=\"http://www.portalfiscal.inf.br/nfe\">"
    "<infNFe versao=\"4.00\" Id=\"NFe35240511222333000181550010000001231123456780\"><ide><cUF>35</cUF>"
    "<cNF>12345678</cNF><natOp>VENDA</natOp><mod>55</mod><serie>1</serie><nNF>123</nNF>"
    "<dhEmi>2024-05-10T10:20:30-03:00</dhEmi><tpNF>1</tpNF><idDest>1</idDest><cMunFG>3550308</cMunFG>"
    "<tpImp>1</tpImp><tpEmis>1</tpEmis><cDV>0</cDV><tpAmb>1</tpAmb><finNFe>1</finNFe><indFinal>0</indFinal>"
    "<indPres>1</indPres><procEmi>0</procEmi><verProc>Tuim 1.0</verProc></ide><emit><CNPJ>11222333000181</CNPJ>"
    "<xNome>@NOME@</xNome><enderEmit><xLgr>RUA DAS FLORES</xLgr><nro>007</nro><xBairro>CENTRO</xBairro>"
    "<cMun>3550308</cMun><xMun>SAO PAULO</xMun><UF>SP</UF><CEP>01001000</CEP><cPais>1058</cPais>"
    "<xPais>BRASIL</xPais></enderEmit><IE>110042490114</IE><CRT>3</CRT></emit></infNFe></NFe>";

std::string Xml(const std::string& nome) {
  std::string x = kXml;
  x.replace(x.find("@NOME@"), 6, nome);
  return x;
}

std::string Linha(const std::string& texto, const std::string& registro) {
  std::size_t p = texto.find("\r\n" + registro + "|");
  if (p == std::string::npos) return texto.compare(0, registro.size() + 1, registro + "|") == 0 ? texto.substr(0, texto.find("\r\n")) : "";
  p += 2;
  return texto.substr(p, texto.find("\r\n", p) - p);
}

TEST(NfeTxtCli, JsonGivesWindows1252WithCrLf) {
  const std::string in = ArquivoTemporario("nfe.json", Json("AÇÃO LTDA"));
  auto r = RunTuim({"nfe", "txt", in});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(r.out.compare(0, 10, "A|4.00|NFe"), 0) << r.out;
  // Dates keep the offset of the issuer's state, whatever the machine's zone.
  EXPECT_EQ(Linha(r.out, "B").substr(0, 54), "B|35|12345678|VENDA|55|1|123|2024-05-10T10:20:30-03:00");
  EXPECT_EQ(Linha(r.out, "C"), "C|A\xC7\xC3O LTDA||110042490114||||3");
  EXPECT_EQ(Linha(r.out, "C05"), "C05|RUA DAS FLORES|007||CENTRO|3550308|S\xC3O PAULO|SP|01001000|1058|BRASIL|");
  // Every line ends in CR LF, the last one too, and no line feed stands alone.
  ASSERT_GE(r.out.size(), 2u);
  EXPECT_EQ(r.out.substr(r.out.size() - 2), "\r\n");
  for (std::size_t p = r.out.find('\n'); p != std::string::npos; p = r.out.find('\n', p + 1))
    EXPECT_EQ(r.out[p - 1], '\r') << p;
  EXPECT_EQ(r.out.find("NOTA FISCAL"), std::string::npos);
}

TEST(NfeTxtCli, Utf8OptionAndOutputFile) {
  const std::string in = ArquivoTemporario("nfe8.json", Json("AÇÃO LTDA"));
  const std::string out = in + ".txt";
  auto r = RunTuim({"nfe", "txt", in, "-o", out, "--utf8"});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(r.out, "");
  const std::string texto = LerArquivoTeste(out);
  EXPECT_EQ(Linha(texto, "C"), "C|AÇÃO LTDA||110042490114||||3");
  auto r2 = RunTuim({"nfe", "txt", in, "--saida", out});
  ASSERT_EQ(r2.code, 0) << r2.err;
  EXPECT_EQ(Linha(LerArquivoTeste(out), "C"), "C|A\xC7\xC3O LTDA||110042490114||||3");
}

TEST(NfeTxtCli, XmlInputGivesTheSameRecords) {
  const std::string in = ArquivoTemporario("nfe.xml", Xml("EMPRESA ÇÃO"));
  auto r = RunTuim({"nfe", "txt", in});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(Linha(r.out, "C"), "C|EMPRESA \xC7\xC3O||110042490114||||3");
  EXPECT_EQ(Linha(r.out, "C02"), "C02|11222333000181");
}

// A character Windows-1252 has no byte for is an error naming the field, never a silent "?".
TEST(NfeTxtCli, CharacterOutsideWindows1252NamesTheField) {
  struct Caso {
    std::string arquivo, conteudo, caminho, caractere;
  } casos[] = {
      {"cjk.json", Json("EMPRESA 中"), "$.Emit.xNome", "U+4E2D"},
      {"escape.json", Json("EMPRESA \\u0100"), "$.Emit.xNome", "U+0100"},
      {"emoji.json", Json("EMPRESA 😀"), "$.Emit.xNome", "U+1F600"},
      {"cjk.xml", Xml("EMPRESA 中"), "/NFe/infNFe/emit/xNome", "U+4E2D"},
      {"ref.xml", Xml("EMPRESA &#x4E2D;"), "/NFe/infNFe/emit/xNome", "U+4E2D"},
  };
  for (const Caso& c : casos) {
    auto r = RunTuim({"nfe", "txt", ArquivoTemporario(c.arquivo, c.conteudo)});
    EXPECT_EQ(r.code, 1) << c.arquivo;
    EXPECT_EQ(r.out, "") << c.arquivo;
    EXPECT_NE(r.err.find(c.caminho), std::string::npos) << c.arquivo << ": " << r.err;
    EXPECT_NE(r.err.find(c.caractere), std::string::npos) << c.arquivo << ": " << r.err;
  }
  // A question mark of the input is just a question mark; the euro sign has its byte.
  auto r = RunTuim({"nfe", "txt", ArquivoTemporario("ok.json", Json("EMPRESA? €"))});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(Linha(r.out, "C"), "C|EMPRESA? \x80||110042490114||||3");
}

// The layout has no escape for its separator: a value holding one would shift its record.
TEST(NfeTxtCli, ValueWithTheSeparatorIsRefused) {
  auto r = RunTuim({"nfe", "txt", ArquivoTemporario("barra.json", Json("EMPRESA A|B"))});
  EXPECT_EQ(r.code, 1);
  EXPECT_EQ(r.out, "");
  EXPECT_NE(r.err.find("C|EMPRESA A|B|"), std::string::npos) << r.err;
}

TEST(NfeTxtCli, LayoutWithoutTextFormAndBadInputFail) {
  auto r = RunTuim({"nfe", "txt", ArquivoTemporario("v300.json", Json("EMPRESA", "3.00"))});
  EXPECT_EQ(r.code, 1);
  EXPECT_EQ(r.out, "");
  EXPECT_NE(r.err.find("3.00"), std::string::npos) << r.err;
  auto m = RunTuim({"nfe", "txt", ArquivoTemporario("mal.json", "{\"Ide\": {\"xyz\": 1}}")});
  EXPECT_EQ(m.code, 1);
  EXPECT_NE(m.err.find("$.Ide.xyz"), std::string::npos) << m.err;
  EXPECT_EQ(RunTuim({"nfe", "txt"}).code, 2);
  EXPECT_EQ(RunTuim({"nfe", "txt", "a.json", "--zzz"}).code, 2);
  EXPECT_EQ(RunTuim({"nfe", "txt", "/nao/existe.json"}).code, 1);
}

}  // namespace
