// `tuim certificado` and `tuim xml assinar` on a hardware key: a SoftHSM2 token holding the
// company key and certificate, reached through TUIM_PKCS11_MODULE.
#include <gtest/gtest.h>

#include "testing/TokenSoftHSM.h"
#include "tests/cli/TuimRun.h"
#include "tests/security/CertificadosTeste.h"

using tuim::testing::Linhas;
using tuim::testing::RunTuim;

namespace {

const char* const kPIN = "1234";

struct Token {
  tuim::teste::TokenSoftHSM token;
  std::string serie;
};

const Token& TokenEmpresa() {
  static Token t = [] {
    Token r;
    const std::string c = PastaCertificados() + "/";
    r.token = tuim::teste::CriarTokenSoftHSM({{c + "empresa.key", c + "empresa.pem", "01", "empresa"}}, kPIN);
    r.serie = tuim::teste::SerieDoCertificado(c + "empresa.pem");
    return r;
  }();
  return t;
}

class TokenCli : public ::testing::Test {
protected:
  void SetUp() override {
    ASSERT_TRUE(TokenEmpresa().token.Ok()) << TokenEmpresa().token.erro;
    // Another test of this process may have pointed the module elsewhere.
    setenv("SOFTHSM2_CONF", (TokenEmpresa().token.pasta + "/softhsm2.conf").c_str(), 1);
    setenv("TUIM_PKCS11_MODULE", tuim::teste::kModuloSoftHSM, 1);
  }
};

const std::string kNFe =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?><NFe xmlns=\"http://www.portalfiscal.inf.br/nfe\">"
    "<infNFe Id=\"NFe51240111222333000181550010000000011000000017\" versao=\"4.00\"><ide>"
    "<natOp>VENDA AO CONSUMIDOR ÇÃO</natOp></ide></infNFe></NFe>";

}  // namespace

// Store records are filled without the key check, so their type column stays empty.
TEST_F(TokenCli, ListarShowsTheTokenCertificate) {
  auto r = RunTuim({"certificado", "listar"});
  ASSERT_EQ(r.code, 0) << r.err;
  auto l = Linhas(r.out);
  ASSERT_EQ(l.size(), 1u) << r.out;
  EXPECT_EQ(l[0], TokenEmpresa().serie + "\tEMPRESA TESTE LTDA\t11222333000181\t2045-12-31T23:59:59\t");
}

TEST_F(TokenCli, InfoBySerialWithPin) {
  auto r = RunTuim({"certificado", "info", "--serie", TokenEmpresa().serie, "--pin", kPIN});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_NE(r.out.find("Titular: EMPRESA TESTE LTDA\n"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("TipoCertificado: tcA3\n"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("SerieCertificado: " + TokenEmpresa().serie + "\n"), std::string::npos) << r.out;
}

TEST_F(TokenCli, XmlSignedWithTheTokenVerifiesInXmlSec) {
  std::string in = ArquivoTemporario("token-nfe.xml", kNFe);
  std::string out = in + ".assinado.xml";
  auto r = RunTuim({"xml", "assinar", in, out, "--serie", TokenEmpresa().serie, "--pin", kPIN, "--digest", "sha256"});
  ASSERT_EQ(r.code, 0) << r.err;
  const std::string xmlsec = "xmlsec1 --verify --trusted-pem " + Certificado("ca.pem") +
                             " --id-attr:Id http://www.portalfiscal.inf.br/nfe:infNFe ";
  EXPECT_TRUE(tuim::teste::RodarSilencioso(xmlsec + out));
  std::string assinado = LerArquivoTeste(out);
  EXPECT_NE(assinado.find("ÇÃO"), std::string::npos);
  EXPECT_NE(assinado.find("xmldsig-more#rsa-sha256"), std::string::npos);
  // The signature carries the token's certificate.
  std::string b64 = Executar("openssl x509 -outform DER -in " + Certificado("empresa.pem") + " | openssl base64 -A");
  EXPECT_NE(assinado.find("<X509Certificate>" + b64 + "</X509Certificate>"), std::string::npos);
  auto v = RunTuim({"xml", "verificar", out});
  EXPECT_EQ(v.code, 0) << v.err;
}

TEST_F(TokenCli, WrongPinFailsWithThePlatformMessageAndNoSecret) {
  std::string in = ArquivoTemporario("token-nfe2.xml", kNFe);
  auto r = RunTuim({"xml", "assinar", in, in + ".o", "--serie", TokenEmpresa().serie, "--pin", "918273"});
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.err.find("PIN errado"), std::string::npos) << r.err;
  EXPECT_EQ(r.err.find("918273"), std::string::npos) << r.err;
  auto u = RunTuim({"certificado", "info", "--serie", "ABCDEF0123", "--pin", kPIN});
  EXPECT_EQ(u.code, 1);
  EXPECT_NE(u.err.find("\"ABCDEF0123\" não encontrado"), std::string::npos) << u.err;
}

TEST_F(TokenCli, SelecionarListsTheStoreAndOpensTheChosenCertificate) {
  auto r = RunTuim({"certificado", "selecionar", "--pin", kPIN, "--json"}, std::string(" 1 \n"));
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(r.out, "{\"SerieCertificado\": \"" + TokenEmpresa().serie +
                       "\", \"Titular\": \"EMPRESA TESTE LTDA\", \"TipoCertificado\": \"tcA3\"}\n");
  EXPECT_NE(r.err.find("Selecione um Certificado\n  1) " + TokenEmpresa().serie + "  EMPRESA TESTE LTDA  11222333000181"),
            std::string::npos)
      << r.err;
  EXPECT_NE(r.err.find("Selecione o Certificado que deseja utilizar:"), std::string::npos) << r.err;
  // No choice, a number outside the list, or words: nothing is opened.
  for (const char* resposta : {"", "\n", "2\n", "0\n", "um\n", "99999999999\n"}) {
    auto n = RunTuim({"certificado", "selecionar"}, std::string(resposta));
    EXPECT_EQ(n.code, 1) << resposta;
    EXPECT_EQ(n.out, "") << resposta;
    EXPECT_NE(n.err.find("nenhum certificado selecionado"), std::string::npos) << n.err;
  }
  // The chosen certificate is opened with the PIN given: a wrong one is reported.
  auto e = RunTuim({"certificado", "selecionar", "--pin", "918273"}, std::string("1\n"));
  EXPECT_EQ(e.code, 1);
  EXPECT_NE(e.err.find("PIN errado"), std::string::npos) << e.err;
}
