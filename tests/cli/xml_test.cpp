// `tuim xml` against xmlsec1, an independent verifier.
#include <gtest/gtest.h>

#include "tests/cli/TuimRun.h"
#include "tests/security/CertificadosTeste.h"

using tuim::testing::RunTuim;

namespace {

const std::string kNFe =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?><NFe xmlns=\"http://www.portalfiscal.inf.br/nfe\">"
    "<infNFe Id=\"NFe51240112345678000195650010000000011000000013\" versao=\"4.00\"><ide>"
    "<natOp>VENDA DE MERCADORIA ÇÃO</natOp></ide></infNFe></NFe>";

int XmlSec(const std::string& arquivo) {
  std::string cmd = "xmlsec1 --verify --trusted-pem " + Certificado("ca.pem") +
                    " --id-attr:Id http://www.portalfiscal.inf.br/nfe:infNFe " + arquivo + " >/dev/null 2>&1";
  return std::system(cmd.c_str());
}

}  // namespace

TEST(XmlCli, SignedFileVerifiesHereAndInXmlSec) {
  std::string in = ArquivoTemporario("nfe.xml", kNFe);
  std::string out = in + ".assinado.xml";
  for (const char* d : {"sha1", "sha256"}) {
    auto r = RunTuim({"xml", "assinar", in, out, "--pfx", Certificado("empresa.pfx"), "--senha", "1234", "--digest", d});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(XmlSec(out), 0) << d;
    auto v = RunTuim({"xml", "verificar", out});
    EXPECT_EQ(v.code, 0) << v.err;
    EXPECT_EQ(v.out, "OK\n");
  }
  std::string assinado = LerArquivoTeste(out);
  EXPECT_NE(assinado.find("ÇÃO"), std::string::npos);  // UTF-8 kept as it was
  auto p = assinado.find("VENDA");
  assinado.replace(p, 5, "VENDO");
  std::string alterado = ArquivoTemporario("alterado.xml", assinado);
  EXPECT_NE(XmlSec(alterado), 0);
  auto v = RunTuim({"xml", "verificar", alterado});
  EXPECT_EQ(v.code, 1);
  EXPECT_NE(v.err.find("DigestValue não confere. Conteúdo de \"infNFe\" foi alterado"), std::string::npos) << v.err;
}

TEST(XmlCli, UsageAndCertificateErrors) {
  std::string in = ArquivoTemporario("nfe2.xml", kNFe);
  EXPECT_EQ(RunTuim({"xml", "assinar", in}).code, 2);
  EXPECT_EQ(RunTuim({"xml", "assinar", in, in + ".o", "--pfx", Certificado("empresa.pfx"), "--senha", "1234",
                     "--digest", "md5"}).code,
            2);
  auto e = RunTuim({"xml", "assinar", in, in + ".o", "--pfx", Certificado("empresa.pfx"), "--senha", "QwErTy987"});
  EXPECT_EQ(e.code, 1);
  EXPECT_EQ(e.err.find("QwErTy987"), std::string::npos);
  EXPECT_EQ(RunTuim({"xml", "verificar", "/nao/existe.xml"}).code, 2);
}

TEST(XmlCli, ValidarAgainstTheNationalSchema) {
  std::string xsd = std::string(TUIM_SCHEMAS_DIR) + "/consStatServ_v4.00.xsd";
  std::string ok = ArquivoTemporario(
      "cons.xml", "<consStatServ xmlns=\"http://www.portalfiscal.inf.br/nfe\" versao=\"4.00\"><tpAmb>2</tpAmb>"
                  "<cUF>51</cUF><xServ>STATUS</xServ></consStatServ>");
  auto r = RunTuim({"xml", "validar", ok, "--schema", xsd});
  EXPECT_EQ(r.code, 0) << r.err;
  std::string ruim = ArquivoTemporario(
      "cons-ruim.xml", "<consStatServ xmlns=\"http://www.portalfiscal.inf.br/nfe\" versao=\"4.00\"><tpAmb>9</tpAmb>"
                       "<cUF>51</cUF><xServ>STATUS</xServ></consStatServ>");
  auto e = RunTuim({"xml", "validar", ruim, "--schema", xsd});
  EXPECT_EQ(e.code, 1);
  EXPECT_NE(e.err.find(" - "), std::string::npos) << e.err;
  EXPECT_NE(e.err.find("tpAmb"), std::string::npos) << e.err;
}

TEST(XmlCli, ValidarChoosesTheSchemaByTheRootElement) {
  std::string ok = ArquivoTemporario(
      "cons-raiz.xml", "<consStatServ xmlns=\"http://www.portalfiscal.inf.br/nfe\" versao=\"4.00\"><tpAmb>2</tpAmb>"
                       "<cUF>51</cUF><xServ>STATUS</xServ></consStatServ>");
  // From the build folder the program finds the package of its source tree by itself.
  auto r = RunTuim({"xml", "validar", ok});
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(r.out, "OK\n");
  EXPECT_EQ(RunTuim({"xml", "validar", ok, "--schemas", TUIM_SCHEMAS_DIR}).code, 0);
  // An NF-e fragment is judged by the NF-e schema, not accepted for want of one.
  std::string nfe = ArquivoTemporario("nfe-raiz.xml", kNFe);
  auto e = RunTuim({"xml", "validar", nfe});
  EXPECT_EQ(e.code, 1);
  EXPECT_NE(e.err.find("infNFe"), std::string::npos) << e.err;
  auto d = RunTuim({"xml", "validar", ArquivoTemporario("outro.xml", "<outro/>")});
  EXPECT_EQ(d.code, 1);
  EXPECT_NE(d.err.find("elemento raiz sem schema conhecido: outro"), std::string::npos) << d.err;
  auto s = RunTuim({"xml", "validar", ok, "--schemas", "/nao/existe"});
  EXPECT_EQ(s.code, 1);
  EXPECT_NE(s.err.find("schema não encontrado: /nao/existe/consStatServ_v4.00.xsd"), std::string::npos) << s.err;
}
