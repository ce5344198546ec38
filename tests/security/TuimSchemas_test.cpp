#include "security/TuimSchemas.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <unistd.h>

#include "security/TuimDFeSSL.h"
#include "testing/CertificadosTeste.h"

using namespace tuim;
namespace fs = std::filesystem;

namespace {

std::string Ler(const fs::path& p) { return LerArquivoTeste(p.string()); }

// The first global element a schema file declares.
std::string ElementoDoSchema(const std::string& arquivo) {
  std::smatch m;
  std::string t = Ler(fs::path(TUIM_SCHEMAS_DIR) / arquivo);
  static const std::regex re("<xs:element name=\"([A-Za-z]+)\"");
  return std::regex_search(t, m, re) ? m[1].str() : "";
}

struct CasoRaiz {
  const char* xml;
  const char* raiz;
  const char* arquivo;
};

const CasoRaiz kCasos[] = {
    {"<NFe xmlns=\"http://www.portalfiscal.inf.br/nfe\"><infNFe/></NFe>", "NFe", "nfe_v4.00.xsd"},
    {"<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<!-- c -->\n<nfeProc versao=\"4.00\"/>", "nfeProc", "procNFe_v4.00.xsd"},
    {"<enviNFe/>", "enviNFe", "enviNFe_v4.00.xsd"},
    {"<retEnviNFe/>", "retEnviNFe", "retEnviNFe_v4.00.xsd"},
    {"<consReciNFe/>", "consReciNFe", "consReciNFe_v4.00.xsd"},
    {"<retConsReciNFe/>", "retConsReciNFe", "retConsReciNFe_v4.00.xsd"},
    {"<consSitNFe/>", "consSitNFe", "consSitNFe_v4.00.xsd"},
    {"<retConsSitNFe/>", "retConsSitNFe", "retConsSitNFe_v4.00.xsd"},
    {"<consStatServ/>", "consStatServ", "consStatServ_v4.00.xsd"},
    {"<retConsStatServ/>", "retConsStatServ", "retConsStatServ_v4.00.xsd"},
    {"<inutNFe/>", "inutNFe", "inutNFe_v4.00.xsd"},
    {"<retInutNFe/>", "retInutNFe", "retInutNFe_v4.00.xsd"},
    {"<ProcInutNFe/>", "ProcInutNFe", "procInutNFe_v4.00.xsd"},
    {"<ConsCad/>", "ConsCad", "consCad_v2.00.xsd"},
    {"<retConsCad/>", "retConsCad", "retConsCad_v2.00.xsd"},
    {"<distDFeInt/>", "distDFeInt", "distDFeInt_v1.01.xsd"},
    {"<retDistDFeInt/>", "retDistDFeInt", "retDistDFeInt_v1.01.xsd"},
    {"<resNFe/>", "resNFe", "resNFe_v1.01.xsd"},
    {"<resEvento/>", "resEvento", "resEvento_v1.01.xsd"},
    {"<envEvento><evento><infEvento><tpEvento>110111</tpEvento></infEvento></evento></envEvento>", "envEvento",
     "envEventoCancNFe_v1.00.xsd"},
    {"<envEvento><evento><infEvento><tpEvento> 110110 </tpEvento></infEvento></evento></envEvento>", "envEvento",
     "envCCe_v1.00.xsd"},
    {"<envEvento><evento><infEvento><tpEvento>110140</tpEvento></infEvento></evento></envEvento>", "envEvento",
     "envEPEC_v1.00.xsd"},
    {"<envEvento><evento><infEvento><tpEvento>210240</tpEvento></infEvento></evento></envEvento>", "envEvento",
     "envConfRecebto_v1.00.xsd"},
    {"<envEvento><evento><infEvento><tpEvento>999999</tpEvento></infEvento></evento></envEvento>", "envEvento",
     "envEvento_v1.00.xsd"},
    {"<retEnvEvento><retEvento><infEvento><tpEvento>110111</tpEvento></infEvento></retEvento></retEnvEvento>",
     "retEnvEvento", "retEnvEventoCancNFe_v1.00.xsd"},
    {"<procEventoNFe><evento><infEvento><tpEvento>110112</tpEvento></infEvento></evento></procEventoNFe>",
     "procEventoNFe", "procEventoCancSubst_v1.00.xsd"},
    {"<procEventoNFe><evento><infEvento><tpEvento>210200</tpEvento></infEvento></evento></procEventoNFe>",
     "procEventoNFe", "procConfRecebtoNFe_v1.00.xsd"},
};

class SchemaDaRaiz : public ::testing::TestWithParam<CasoRaiz> {};

}  // namespace

TEST_P(SchemaDaRaiz, NamesAShippedSchemaWhoseElementIsTheRoot) {
  std::string raiz;
  std::string arquivo = SchemaPorRaiz(GetParam().xml, &raiz);
  EXPECT_EQ(raiz, GetParam().raiz);
  ASSERT_EQ(arquivo, GetParam().arquivo);
  // The chosen file exists in the package and declares that very root.
  EXPECT_EQ(ElementoDoSchema(arquivo), GetParam().raiz);
}

INSTANTIATE_TEST_SUITE_P(Raizes, SchemaDaRaiz, ::testing::ValuesIn(kCasos));

TEST(SchemaPorRaiz, UnknownOrUnreadableTextNamesNoSchema) {
  std::string raiz = "x";
  EXPECT_EQ(SchemaPorRaiz("<outro/>", &raiz), "");
  EXPECT_EQ(raiz, "outro");
  EXPECT_EQ(SchemaPorRaiz("", &raiz), "");
  EXPECT_EQ(raiz, "");
  EXPECT_EQ(SchemaPorRaiz("não é xml", &raiz), "");
  EXPECT_EQ(SchemaPorRaiz("<!DOCTYPE NFe [<!ENTITY x SYSTEM \"file:///etc/passwd\">]><NFe>&x;</NFe>", &raiz), "");
}

TEST(SchemaPorRaiz, ChosenSchemaValidatesARealMessage) {
  const std::string xml =
      "<consStatServ xmlns=\"http://www.portalfiscal.inf.br/nfe\" versao=\"4.00\"><tpAmb>2</tpAmb>"
      "<cUF>51</cUF><xServ>STATUS</xServ></consStatServ>";
  std::string arquivo = SchemaPorRaiz(xml);
  ASSERT_FALSE(arquivo.empty());
  TDFeSSL ssl;
  ssl.SetSSLXmlSignLib(xsLibXml2);
  std::string msg;
  EXPECT_TRUE(ssl.Validar(xml, (fs::path(TUIM_SCHEMAS_DIR) / arquivo).string(), msg)) << msg;
  std::string errado = xml;
  errado.replace(errado.find("STATUS"), 6, "OUTRO");
  EXPECT_FALSE(ssl.Validar(errado, (fs::path(TUIM_SCHEMAS_DIR) / arquivo).string(), msg));
}

namespace {

// Sets an environment variable for one test and restores it after.
class VariavelAmbiente {
public:
  VariavelAmbiente(const char* nome, const std::string& valor) : fNome(nome) {
    if (const char* v = std::getenv(nome)) fAntes = v, fHavia = true;
    setenv(nome, valor.c_str(), 1);
  }
  ~VariavelAmbiente() {
    if (fHavia) setenv(fNome, fAntes.c_str(), 1);
    else unsetenv(fNome);
  }

private:
  const char* fNome;
  std::string fAntes;
  bool fHavia = false;
};

}  // namespace

TEST(PastaSchemasPadrao, EnvironmentNamesThePackageOrTheFolderHoldingIt) {
  fs::path base = fs::temp_directory_path() / ("tuim-schemas-" + std::to_string(::getpid()));
  fs::create_directories(base / "PL_009_V4");
  std::ofstream(base / "PL_009_V4" / "nfe_v4.00.xsd") << "<x/>";
  {
    VariavelAmbiente v("TUIM_SCHEMAS", base.string());
    EXPECT_EQ(PastaSchemasPadrao(), (base / "PL_009_V4").string() + "/");
  }
  {
    VariavelAmbiente v("TUIM_SCHEMAS", (base / "PL_009_V4").string());
    EXPECT_EQ(PastaSchemasPadrao(), (base / "PL_009_V4").string() + "/");
  }
  {
    // A folder without a package is passed over for the next place, here the source tree.
    VariavelAmbiente v("TUIM_SCHEMAS", (base / "vazio").string());
    EXPECT_EQ(PastaSchemasPadrao(), TUIM_SOURCE_DIR "/schemas/PL_009_V4/");
  }
  EXPECT_EQ(PastaSchemasPadrao("PL_010e_NT2025.002_v1.01"), TUIM_SOURCE_DIR "/schemas/PL_010e_NT2025.002_v1.01/");
  EXPECT_EQ(PastaSchemasPadrao("PL_inexistente"), "");
  fs::remove_all(base);
}
