// `tuim nfe gerar`: the JSON models of the documentation's examples through the collection,
// signed with the test company's certificate and checked by xmlsec1 and the national schema.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "tests/cli/TuimRun.h"
#include "tests/security/CertificadosTeste.h"

using tuim::testing::RunTuim;
namespace fs = std::filesystem;

namespace {

std::string Ler(const std::string& caminho) {
  std::ifstream f(caminho, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

std::string Modelo(const std::string& nome) { return std::string(TUIM_SOURCE_DIR) + "/fuzz/seeds/nfejson/" + nome; }

class NfeGerar : public ::testing::Test {
protected:
  void SetUp() override {
    std::string modelo = (fs::temp_directory_path() / "tuim-gerar-XXXXXX").string();
    ASSERT_NE(mkdtemp(modelo.data()), nullptr);
    dir = modelo;
  }
  void TearDown() override {
    std::error_code ec;
    fs::remove_all(dir, ec);
  }
  std::string Arquivo(const std::string& nome) const { return (fs::path(dir) / nome).string(); }
  std::string Escrever(const std::string& nome, const std::string& texto) const {
    std::ofstream(Arquivo(nome), std::ios::binary) << texto;
    return Arquivo(nome);
  }
  int XmlSec(const std::string& arquivo) const {
    return std::system(("xmlsec1 --verify --trusted-pem '" + Certificado("ca.pem") +
                        "' --id-attr:Id http://www.portalfiscal.inf.br/nfe:infNFe '" + arquivo + "' >/dev/null 2>&1")
                           .c_str());
  }
  int XmlLint(const std::string& arquivo, std::string& saida) const {
    std::string out = arquivo + ".lint";
    int r = std::system(("xmllint --noout --schema " + std::string(TUIM_SCHEMAS_DIR) + "/nfe_v4.00.xsd '" + arquivo +
                         "' >'" + out + "' 2>&1")
                            .c_str());
    saida = Ler(out);
    return r;
  }
  std::vector<std::string> Assinar() const {
    return {"--assinar", "--pfx", Certificado("empresa.pfx"), "--senha", "1234"};
  }

  std::string dir;
};

TEST_F(NfeGerar, WritesTheUnsignedDocumentOnStandardOutput) {
  auto r = RunTuim({"nfe", "gerar", Modelo("nfe.json")});
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(r.out.rfind("<?xml version=\"1.0\" encoding=\"UTF-8\"?><NFe xmlns=", 0), 0u) << r.out;
  EXPECT_NE(r.out.find(" Id=\"NFe35"), std::string::npos);
}

TEST_F(NfeGerar, SignedNFeVerifiesAndMeetsTheSchema) {
  std::vector<std::string> args{"nfe", "gerar", Modelo("nfe.json"), "-o", Arquivo("nfe.xml")};
  for (auto& a : Assinar()) args.push_back(a);
  auto r = RunTuim(args);
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_TRUE(r.out.empty());
  EXPECT_EQ(XmlSec(Arquivo("nfe.xml")), 0);
  std::string lint;
  EXPECT_EQ(XmlLint(Arquivo("nfe.xml"), lint), 0) << lint;
}

TEST_F(NfeGerar, SignedNFCeCarriesItsQRCodeBeforeTheSignature) {
  std::vector<std::string> args{"nfe", "gerar", Modelo("nfce.json"), "-o", Arquivo("nfce.xml"), "--csc-id", "1",
                                "--csc", "CSC-DE-TESTE-0123456789"};
  for (auto& a : Assinar()) args.push_back(a);
  auto r = RunTuim(args);
  ASSERT_EQ(r.code, 0) << r.err;
  std::string x = Ler(Arquivo("nfce.xml"));
  std::size_t supl = x.find("<infNFeSupl><qrCode><![CDATA[");
  ASSERT_NE(supl, std::string::npos) << x;
  EXPECT_LT(x.find("</infNFe>"), supl);
  EXPECT_LT(supl, x.find("<Signature"));
  EXPECT_NE(x.find("</urlChave></infNFeSupl><Signature"), std::string::npos);
  EXPECT_EQ(XmlSec(Arquivo("nfce.xml")), 0);
  std::string lint;
  EXPECT_EQ(XmlLint(Arquivo("nfce.xml"), lint), 0) << lint;
}

TEST_F(NfeGerar, AlertsGoToStandardErrorAndTheXmlIsStillWritten) {
  std::string json = Ler(Modelo("nfe.json"));
  std::size_t p = json.find("\"natOp\": \"");
  ASSERT_NE(p, std::string::npos);
  std::size_t fim = json.find('"', p + 10);
  json.replace(p, fim + 1 - p, "\"natOp\": \"\"");
  auto r = RunTuim({"nfe", "gerar", Escrever("sem-natop.json", json), "-o", Arquivo("x.xml")});
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.err.find("natOp"), std::string::npos) << r.err;
  EXPECT_TRUE(fs::exists(Arquivo("x.xml")));
  EXPECT_NE(Ler(Arquivo("x.xml")).find("<natOp"), std::string::npos);
}

TEST_F(NfeGerar, SaveGoesUnderTheConfiguredFolderRules) {
  std::string ini = Escrever("c.ini", "[NFe]\nPathNFe=" + Arquivo("docs") + "\nSepararPorCNPJ=1\nSepararPorModelo=1\n");
  std::vector<std::string> args{"nfe", "gerar", Modelo("nfe.json"), "-o", Arquivo("nfe.xml"), "--config", ini,
                                "--salvar"};
  for (auto& a : Assinar()) args.push_back(a);
  auto r = RunTuim(args);
  ASSERT_EQ(r.code, 0) << r.err;
  fs::path pasta = fs::path(Arquivo("docs")) / "11222333000181" / "NFe";
  ASSERT_TRUE(fs::is_directory(pasta));
  int n = 0;
  for (auto& e : fs::directory_iterator(pasta)) {
    ++n;
    EXPECT_EQ(e.path().filename().string().size(), 44u + 8u) << e.path();
    EXPECT_EQ(Ler(e.path().string()), Ler(Arquivo("nfe.xml")));
  }
  EXPECT_EQ(n, 1);
}

TEST_F(NfeGerar, DocumentOfAnotherCompanyIsRefused) {
  std::string json = Ler(Modelo("nfe.json"));
  std::size_t p = json.find("\"CNPJCPF\": \"11222333000181\"");  // the issuer's, not the key's
  ASSERT_NE(p, std::string::npos);
  json.replace(p + 12, 14, "11444777000161");
  std::vector<std::string> args{"nfe", "gerar", Escrever("outra.json", json), "-o", Arquivo("o.xml")};
  for (auto& a : Assinar()) args.push_back(a);
  auto r = RunTuim(args);
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.err.find("CNPJ do Documento é diferente"), std::string::npos) << r.err;
  EXPECT_FALSE(fs::exists(Arquivo("o.xml")));
}

struct CasoUso {
  std::vector<std::string> args;
  int codigo;
};
class NfeGerarUso : public ::testing::TestWithParam<CasoUso> {};
TEST_P(NfeGerarUso, WrongCommandLinesAreRefused) {
  auto r = RunTuim(GetParam().args);
  EXPECT_EQ(r.code, GetParam().codigo) << r.err;
  EXPECT_FALSE(r.err.empty());
}
INSTANTIATE_TEST_SUITE_P(
    Casos, NfeGerarUso,
    ::testing::Values(CasoUso{{"nfe", "gerar"}, 2}, CasoUso{{"nfe", "gerar", "/nao/existe.json"}, 2},
                      CasoUso{{"nfe", "gerar", Modelo("nfe.json"), "--pfx", "x.pfx"}, 2},
                      CasoUso{{"nfe", "gerar", Modelo("nfe.json"), "--csc", "x"}, 2},
                      CasoUso{{"nfe", "gerar", Modelo("nfe.json"), "--desconhecida", "x"}, 2},
                      CasoUso{{"nfe", "gerar", Modelo("nfe.json"), "--assinar", "--pfx", "/nao/existe.pfx",
                               "--senha", "1"},
                              1}));

TEST_F(NfeGerar, UnknownJsonKeyNamesItsPath) {
  std::string json = Ler(Modelo("nfe.json"));
  json.replace(json.find("\"natOp\""), 7, "\"natOpX\"");
  auto r = RunTuim({"nfe", "gerar", Escrever("ruim.json", json)});
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.err.find("natOpX"), std::string::npos) << r.err;
  EXPECT_TRUE(r.out.empty());
}

}  // namespace
