// The reform's settings in the component: the schema package (INI key, validation, refusal of
// reform groups for the old package) and the QR code version 3, whose offline signature is
// checked by the openssl tool against the certificate's public key.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "component/TuimNFe.h"
#include "fiscal/TuimDateTime.h"
#include "fiscal/TuimIni.h"
#include "security/CertificadosTeste.h"

namespace tuim {
namespace {

namespace fs = std::filesystem;

TEST(PacoteSchemas, OldPackageIsTheDefaultAndNewConfigurationsUseQRCodeThree) {
  TTuimNFe nfe;
  EXPECT_EQ(nfe.Configuracoes().Geral().PacoteSchemas(), psPL009V4);
  EXPECT_EQ(nfe.Configuracoes().Geral().VersaoQRCode(), veqr300);
  EXPECT_EQ(TTuimNFe::VersaoQRCodeEfetiva(veqr300, ve400), veqr300);
  EXPECT_EQ(TTuimNFe::VersaoQRCodeEfetiva(veqr300, ve310), veqr000);
}

TEST(PacoteSchemas, IniKeyRoundTripsAndTheDefaultIsNotWritten) {
  TTuimIni ini;
  TTuimNFe a;
  a.Configuracoes().Geral().SalvarIni(ini);
  EXPECT_FALSE(ini.ValueExists("NFe", "PacoteSchemas"));
  a.Configuracoes().Geral().SetPacoteSchemas(psPL010e);
  a.Configuracoes().Geral().SetVersaoQRCode(veqr200);
  a.Configuracoes().Geral().SalvarIni(ini);
  EXPECT_EQ(ini.ReadString("NFe", "PacoteSchemas", ""), "PL_010e_NT2025.002_v1.01");
  TTuimNFe b;
  b.Configuracoes().Geral().CarregarIni(ini);
  EXPECT_EQ(b.Configuracoes().Geral().PacoteSchemas(), psPL010e);
  EXPECT_EQ(b.Configuracoes().Geral().VersaoQRCode(), veqr200);
  // Short names are taken; an unknown one keeps the current package.
  ini.WriteString("NFe", "PacoteSchemas", "pl_009");
  b.Configuracoes().Geral().CarregarIni(ini);
  EXPECT_EQ(b.Configuracoes().Geral().PacoteSchemas(), psPL009V4);
  ini.WriteString("NFe", "PacoteSchemas", "PL_011");
  b.Configuracoes().Geral().CarregarIni(ini);
  EXPECT_EQ(b.Configuracoes().Geral().PacoteSchemas(), psPL009V4);
}

class ValidacaoPacote : public ::testing::Test {
protected:
  void SetUp() override {
    auto& c = nfe.Configuracoes();
    c.Geral().SetSSLLib(libOpenSSL);
    // The project's schemas folder holds one subfolder per package.
    c.Arquivos().SetPathSchemas(TUIM_SOURCE_DIR "/schemas");
  }
  static std::string Documento(const std::string& extra) {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?><NFe xmlns=\"http://www.portalfiscal.inf.br/nfe\">"
           "<infNFe versao=\"4.00\" Id=\"NFe35260511222333000181550010000001231123456780\"><ide><cUF>35</cUF>" +
           extra + "</ide></infNFe></NFe>";
  }
  TTuimNFe nfe;
};

TEST_F(ValidacaoPacote, SchemaPathFollowsThePackage) {
  EXPECT_EQ(nfe.CaminhoSchemaNFe(), TUIM_SOURCE_DIR "/schemas/PL_009_V4/nfe_v4.00.xsd");
  nfe.Configuracoes().Geral().SetPacoteSchemas(psPL010e);
  EXPECT_EQ(nfe.CaminhoSchemaNFe(), TUIM_SOURCE_DIR "/schemas/PL_010e_NT2025.002_v1.01/nfe_v4.00.xsd");
  // The folder of another package (the default one the program finds by itself) leads to
  // the chosen package beside it, never to the other package's schema.
  nfe.Configuracoes().Arquivos().SetPathSchemas(TUIM_SOURCE_DIR "/schemas/PL_009_V4");
  EXPECT_EQ(nfe.CaminhoSchemaNFe(), TUIM_SOURCE_DIR "/schemas/PL_010e_NT2025.002_v1.01/nfe_v4.00.xsd");
  nfe.Configuracoes().Geral().SetPacoteSchemas(psPL009V4);
  EXPECT_EQ(nfe.CaminhoSchemaNFe(), TUIM_SOURCE_DIR "/schemas/PL_009_V4/nfe_v4.00.xsd");
  // A folder of loose files is used as it is.
  nfe.Configuracoes().Geral().SetPacoteSchemas(psPL010e);
  nfe.Configuracoes().Arquivos().SetPathSchemas("/tmp/soltos");
  EXPECT_EQ(nfe.CaminhoSchemaNFe(), "/tmp/soltos/nfe_v4.00.xsd");
}

TEST(ValidacaoPacoteAchado, DefaultFolderFollowsTheChosenPackage) {
  // From the build folder the program finds PL_009_V4 by itself; choosing the reform package
  // must lead to that package's schema, not validate reform documents by the old one.
  TTuimNFe nfe;
  nfe.Configuracoes().Geral().SetPacoteSchemas(psPL010e);
  EXPECT_EQ(nfe.CaminhoSchemaNFe(), TUIM_SOURCE_DIR "/schemas/PL_010e_NT2025.002_v1.01/nfe_v4.00.xsd");
}

TEST_F(ValidacaoPacote, ReformGroupForTheOldPackageIsRefusedWithAClearMessage) {
  std::string msg;
  EXPECT_FALSE(nfe.ValidarNFe(Documento("<IBSCBS><CST>000</CST></IBSCBS>"), msg));
  EXPECT_EQ(msg, "O documento tem o grupo IBSCBS da Reforma Tributária (IBS, CBS e IS), que o pacote de schemas "
                 "PL_009_V4 não aceita: configure o pacote PL_010e_NT2025.002_v1.01.");
  EXPECT_FALSE(nfe.ValidarNFe(Documento("<finNFe>6</finNFe>"), msg));
  EXPECT_NE(msg.find("grupo finNFe"), std::string::npos) << msg;
}

TEST_F(ValidacaoPacote, OtherwiseTheSchemaOfThePackageJudges) {
  std::string msg;
  // Not a whole document: both packages refuse it through the schema, not through the reform check.
  EXPECT_FALSE(nfe.ValidarNFe(Documento(""), msg));
  EXPECT_EQ(msg.find("Reforma"), std::string::npos) << msg;
  nfe.Configuracoes().Geral().SetPacoteSchemas(psPL010e);
  EXPECT_FALSE(nfe.ValidarNFe(Documento("<IBSCBS/>"), msg));
  EXPECT_EQ(msg.find("Reforma"), std::string::npos) << msg;
  EXPECT_FALSE(msg.empty());
}

// ---- QR code version 3 ---------------------------------------------------------------------

class QRCodeV3 : public ::testing::Test {
protected:
  void SetUp() override {
    auto& c = nfe.Configuracoes();
    c.Geral().SetModeloDF(moNFCe);
    c.Geral().SetSSLLib(libOpenSSL);
    c.WebServices().SetParams({"[NFCe_MT_P]", "URL-QRCode_2.00=http://mt/qr2", "[NFCe_SP_H]",
                               "URL-QRCode_2.00=https://sp/qrcode?p="});
    c.Certificados().SetArquivoPFX(Certificado("empresa.pfx"));
    c.Certificados().SetSenha("1234");
  }
  // The openssl tool checks the Base64 signature of the text against the certificate's key.
  static bool OpenSSLVerifica(const std::string& texto, const std::string& assinaturaBase64) {
    std::string dados = ArquivoTemporario("qr-dados.txt", texto);
    std::string b64 = ArquivoTemporario("qr-assinatura.b64", assinaturaBase64 + "\n");
    std::string chave = ArquivoTemporario("qr-chave.pem", "");
    Executar("openssl x509 -in " + Certificado("empresa.pem") + " -pubkey -noout > " + chave);
    Executar("openssl base64 -d -in " + b64 + " -out " + b64 + ".bin");
    std::string r = Executar("openssl dgst -sha1 -verify " + chave + " -signature " + b64 + ".bin " + dados + " 2>&1");
    return r == "Verified OK";
  }
  TTuimNFe nfe;
  const std::string online = "51260312345678000190650010000000011000000019";
  const std::string offline = "51260312345678000190650010000000019000000012";
  const TDateTime emissao = EncodeDateTime(2026, 3, 7, 10, 20, 30);
};

TEST_F(QRCodeV3, OnlineHasNoTokenAndNoHash) {
  EXPECT_EQ(nfe.URLQRCodeV3(51, taProducao, online, emissao, TCurrency::FromRaw(105000), "12345678909", false),
            "http://mt/qr2?p=" + online + "|3|1");
  // The configured version 3 takes the same road through URLQRCode, with the reform package.
  nfe.Configuracoes().Geral().SetPacoteSchemas(psPL010e);
  EXPECT_EQ(nfe.URLQRCode(51, taProducao, online, "", emissao, TCurrency::FromRaw(105000), TCurrency(), "", 4.0),
            "http://mt/qr2?p=" + online + "|3|1");
}

TEST_F(QRCodeV3, OldPackageKeepsVersionTwoSoTheDocumentStaysValid) {
  // PL_009_V4's qrCode pattern takes version 2 only: a version-3 setting waits for the package.
  ASSERT_EQ(nfe.Configuracoes().Geral().VersaoQRCode(), veqr300);
  std::string qr = nfe.URLQRCode(51, taProducao, online, "", emissao, TCurrency::FromRaw(105000), TCurrency(), "", 4.0);
  EXPECT_EQ(qr.rfind("http://mt/qr2?p=" + online + "|2|1|", 0), 0u) << qr;
}

struct CasoOffline {
  const char* documento;
  bool estrangeiro;
  const char* fim;  // parameters 6 and 7
};

class QRCodeV3Offline : public QRCodeV3, public ::testing::WithParamInterface<CasoOffline> {};

TEST_P(QRCodeV3Offline, SignatureOfTheFirstSevenParametersVerifiesWithTheCertificate) {
  std::string url = nfe.URLQRCodeV3(35, taHomologacao, offline, emissao, TCurrency::FromRaw(105000),
                                    GetParam().documento, GetParam().estrangeiro);
  const std::string params = offline + "|3|2|07|10.50|" + GetParam().fim;
  ASSERT_EQ(url.rfind("https://sp/qrcode?p=" + params + "|", 0), 0u) << url;
  std::string assinatura = url.substr(url.rfind('|') + 1);
  EXPECT_EQ(assinatura.size(), 344u) << assinatura;  // a 2048-bit RSA signature in Base64
  EXPECT_TRUE(OpenSSLVerifica(params, assinatura)) << url;
  EXPECT_FALSE(OpenSSLVerifica(params + "0", assinatura));
  EXPECT_EQ(TTuimNFe::ParametrosQRCodeV3(offline, taHomologacao, emissao, TCurrency::FromRaw(105000),
                                         GetParam().documento, GetParam().estrangeiro),
            params);
}

INSTANTIATE_TEST_SUITE_P(Destinatarios, QRCodeV3Offline,
                         ::testing::Values(CasoOffline{"11.222.333/0001-81", false, "1|11222333000181"},
                                           CasoOffline{"12ABC34501DE35", false, "1|12ABC34501DE35"},
                                           CasoOffline{"123.456.789-09", false, "2|00012345678909"},
                                           CasoOffline{"", true, "3|"}, CasoOffline{"", false, "|"}));

}  // namespace
}  // namespace tuim
