#include "component/TuimNFe.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "component/TuimComponentTestUtil.h"
#include "fiscal/TuimException.h"

using namespace tuim;
using tuim::testing::LerTudo;
using tuim::testing::PastaTemporaria;

namespace {

// ---- Schema lookup ------------------------------------------------------------------------

class Schemas : public ::testing::Test {
protected:
  void Usar(const std::vector<std::string>& arquivos) {
    for (const auto& a : arquivos) pasta.Criar(a);
    nfe.Configuracoes().Arquivos().SetPathSchemas(pasta.Path());
  }
  PastaTemporaria pasta;
  TTuimNFe nfe;
};

TEST_F(Schemas, ExactVersionIsChosenAndKept) {
  Usar({"consStatServ_v3.10.xsd", "consStatServ_v4.00.xsd", "outro_v1.00.xsd"});
  double v = 4.0;
  EXPECT_EQ(nfe.LocalizarSchema("consStatServ", v), pasta / "consStatServ_v4.00.xsd");
  EXPECT_DOUBLE_EQ(v, 4.0);
}

TEST_F(Schemas, HighestVersionNotAboveTheRequestIsTheFallback) {
  Usar({"consStatServ_v2.00.xsd", "consStatServ_v3.10.xsd", "consStatServ_v5.00.xsd"});
  double v = 4.0;
  EXPECT_EQ(nfe.LocalizarSchema("consStatServ", v), pasta / "consStatServ_v3.10.xsd");
  EXPECT_DOUBLE_EQ(v, 3.1);
}

TEST_F(Schemas, NoFileOfTheSchemaGivesEmptyAndVersionZero) {
  Usar({"outro_v4.00.xsd", "consStatServ.txt"});
  double v = 4.0;
  EXPECT_EQ(nfe.LocalizarSchema("consStatServ", v), "");
  EXPECT_DOUBLE_EQ(v, 0);
}

TEST_F(Schemas, ExactNameIsMatchedWithoutRegardToCase) {
  Usar({"CONSSTATSERV_V4.00.XSD"});
  double v = 4.0;
  EXPECT_EQ(nfe.LocalizarSchema("consStatServ", v), pasta / "CONSSTATSERV_V4.00.XSD");
  EXPECT_DOUBLE_EQ(v, 4.0);
}

TEST_F(Schemas, FallbackScanComparesThePrefixWithRegardToCase) {
  Usar({"CONSSTATSERV_v3.10.xsd"});
  double v = 4.0;
  EXPECT_EQ(nfe.LocalizarSchema("consStatServ", v), "");
  EXPECT_DOUBLE_EQ(v, 0);
}

TEST_F(Schemas, VersionZeroAsksForTheUnversionedFile) {
  Usar({"leiauteNFe.xsd", "leiauteNFe_v4.00.xsd"});
  double v = 0;
  EXPECT_EQ(nfe.LocalizarSchema("leiauteNFe", v), pasta / "leiauteNFe.xsd");
  EXPECT_DOUBLE_EQ(v, 0);
}

TEST_F(Schemas, EmptySchemaNameLeavesTheVersion) {
  Usar({"a.xsd"});
  double v = 4.0;
  EXPECT_EQ(nfe.LocalizarSchema("", v), "");
  EXPECT_DOUBLE_EQ(v, 4.0);
}

TEST_F(Schemas, FolderWithoutSchemasRaisesWithTheFolderOnTheNextLine) {
  Usar({"leia-me.txt"});
  double v = 4.0;
  try {
    nfe.LocalizarSchema("consStatServ", v);
    FAIL() << "no exception";
  } catch (const ETuimDFeException& e) {
    EXPECT_EQ(std::string(e.what()), "Nenhum arquivo de Schema encontrado na pasta: \r\n" + pasta.Path());
  }
}

TEST_F(Schemas, ListIsReadAgainAfterTheFolderChanges) {
  Usar({"consStatServ_v4.00.xsd"});
  double v = 4.0;
  EXPECT_NE(nfe.LocalizarSchema("consStatServ", v), "");
  PastaTemporaria outra;
  outra.Criar("consStatServ_v3.10.xsd");
  nfe.Configuracoes().Arquivos().SetPathSchemas(outra.Path());
  v = 4.0;
  EXPECT_EQ(nfe.LocalizarSchema("consStatServ", v), outra / "consStatServ_v3.10.xsd");
}

TEST_F(Schemas, LayoutAndEventPathsUseTheirSchemaNames) {
  Usar({"consStatServ_v4.00.xsd", "retEnviNFe_v4.00.xsd"});
  EXPECT_EQ(nfe.CaminhoSchemaLayout(layNfeStatusServico, 4.0), pasta / "consStatServ_v4.00.xsd");
  EXPECT_EQ(nfe.CaminhoSchemaLayout(layNfeRetAutorizacao, 4.0), pasta / "retEnviNFe_v4.00.xsd");
  EXPECT_EQ(nfe.CaminhoSchemaEvento(schEnvCCe, 1.0), pasta / "e110110_v1.00.xsd");
  EXPECT_EQ(nfe.CaminhoSchemaEvento(schEnvEPEC, 1.0), pasta / "e110140NFe_v1.00.xsd");
  nfe.Configuracoes().Geral().SetModeloDF(moNFCe);
  EXPECT_EQ(nfe.CaminhoSchemaEvento(schEnvEPEC, 1.0), pasta / "e110140NFCe_v1.00.xsd");
  EXPECT_EQ(nfe.CaminhoSchemaEvento(schEnvCCe, 0), "");
  EXPECT_EQ(nfe.CaminhoSchemaEvento(schconsStatServ, 1.0), "");
}

TEST(NomeSchema, ServiceNamesMapToTheirSchemaKinds) {
  TTuimNFe nfe;
  EXPECT_EQ(nfe.NomeSchemaDoServico("NfeStatusServico"), "consStatServ");
  EXPECT_EQ(nfe.NomeSchemaDoServico("nfeautorizacao"), "Nfe");
  EXPECT_EQ(nfe.NomeSchemaDoServico("RecepcaoEvento"), "envEvento");
  EXPECT_EQ(nfe.NomeSchemaDoServico("URL-QRCode"), "");
}

struct VersaoNomeCase {
  const char* arquivo;
  const char* versao;
};
class VersaoDoNome : public ::testing::TestWithParam<VersaoNomeCase> {};
TEST_P(VersaoDoNome, TextBetweenSeparatorAndExtension) {
  TTuimNFe nfe;
  EXPECT_EQ(nfe.VersaoDoNomeSchema(GetParam().arquivo), GetParam().versao);
}
INSTANTIATE_TEST_SUITE_P(Component, VersaoDoNome,
                         ::testing::Values(VersaoNomeCase{"consStatServ_v4.00.xsd", "4.00"},
                                           VersaoNomeCase{"a_v1.01", "1.01"}, VersaoNomeCase{"semversao.xsd", ""},
                                           VersaoNomeCase{"a_v3.10.XSD", "3.10.XSD"},
                                           VersaoNomeCase{"x_v2_v3.xsd", "2_v3"}));

TEST(Versao, FormattingAndReadingAreLocaleFree) {
  TTuimNFe nfe;
  EXPECT_EQ(nfe.FormatarVersao(4), "4.00");
  EXPECT_EQ(nfe.FormatarVersao(3.1), "3.10");
  EXPECT_EQ(nfe.FormatarVersao(1.01), "1.01");
  EXPECT_EQ(nfe.FormatarVersao(0), "");
  EXPECT_EQ(nfe.FormatarVersao(-1), "");
  EXPECT_DOUBLE_EQ(nfe.LerVersao("3,10"), 3.1);
  EXPECT_DOUBLE_EQ(nfe.LerVersao("4.00"), 4.0);
  EXPECT_DOUBLE_EQ(nfe.LerVersao(""), 0);
  EXPECT_DOUBLE_EQ(nfe.LerVersao("x1"), 0);
}

// ---- Files and the error path -------------------------------------------------------------

TEST(GravarArquivo, NameWithoutFolderGoesIntoPathSalvar) {
  PastaTemporaria t;
  TTuimNFe nfe;
  nfe.Configuracoes().Arquivos().SetPathSalvar(t / "docs");
  ASSERT_TRUE(nfe.GravarArquivo("a.xml", "<a>ação</a>", false));
  // Not flagged UTF-8: converted from Windows-1252 and declared.
  EXPECT_EQ(LerTudo(t / "docs/a.xml"), "<?xml version=\"1.0\" encoding=\"UTF-8\"?><a>a\xC3\xA7\xC3\xA3o</a>");
}

TEST(GravarArquivo, DeclaredUTF8ContentIsWrittenUnchanged) {
  PastaTemporaria t;
  TTuimNFe nfe;
  const std::string x = "<?xml version=\"1.0\" encoding=\"UTF-8\"?><a>\xC3\xA7</a>";
  ASSERT_TRUE(nfe.GravarArquivo("b.xml", x, true, t.Path()));
  EXPECT_EQ(LerTudo(t / "b.xml"), x);
}

TEST(GravarArquivo, UndeclaredUTF8ContentGetsOnlyTheDeclaration) {
  PastaTemporaria t;
  TTuimNFe nfe;
  ASSERT_TRUE(nfe.GravarArquivo("c.xml", "<a>\xC3\xA7<-><-></a>", true, t.Path()));
  EXPECT_EQ(LerTudo(t / "c.xml"), "<?xml version=\"1.0\" encoding=\"UTF-8\"?><a>\xC3\xA7</a>");
}

TEST(GravarArquivo, FolderOfABuiltPathWinsAndMissingFoldersAreCreated) {
  PastaTemporaria t;
  TTuimNFe nfe;
  ASSERT_TRUE(nfe.GravarArquivo(t / "x/y/d.xml", "<a/>", true, t / "ignorada", true));
  EXPECT_TRUE(std::filesystem::exists(t / "x/y/d.xml"));
  EXPECT_FALSE(std::filesystem::exists(t / "ignorada"));
  // An existing file is replaced.
  ASSERT_TRUE(nfe.GravarArquivo(t / "x/y/d.xml", "<b/>", true, "", true));
  EXPECT_EQ(LerTudo(t / "x/y/d.xml"), "<?xml version=\"1.0\" encoding=\"UTF-8\"?><b/>");
}

TEST(GravarArquivo, MissingNameRaisesThroughTheErrorPath) {
  TTuimNFe nfe;
  std::vector<std::string> log;
  nfe.OnGerarLog = [&](const std::string& l, bool&) { log.push_back(l); };
  try {
    nfe.GravarArquivo("/tmp/", "<a/>", true);
    FAIL() << "no exception";
  } catch (const ETuimDFeException& e) {
    EXPECT_STREQ(e.what(), "Erro ao salvar.\r\nNome de arquivo não informado");
  }
  EXPECT_EQ(log, (std::vector<std::string>{"ERRO: Erro ao salvar.\r\nNome de arquivo não informado"}));
}

TEST(GravarArquivo, HandledFailureAnswersFalse) {
  PastaTemporaria t;
  t.Criar("arquivo", "x");
  TTuimNFe nfe;
  int chamadas = 0;
  nfe.OnGerarLog = [&](const std::string&, bool& tratado) {
    ++chamadas;
    tratado = true;
  };
  EXPECT_FALSE(nfe.GravarArquivo("", "<a/>", true, t.Path()));
  EXPECT_FALSE(nfe.GravarArquivo("d.xml", "<a/>", true, t / "arquivo/sub"));  // a file stands in the way
  EXPECT_EQ(chamadas, 2);
}

TEST(ErrorPath, UnhandledErrorRaisesMessageAndCause) {
  TTuimNFe nfe;
  std::runtime_error causa("causa");
  try {
    nfe.TratarErro("Falhou", &causa);
    FAIL() << "no exception";
  } catch (const ETuimDFeException& e) {
    EXPECT_STREQ(e.what(), "Falhou\r\ncausa");
  }
  EXPECT_THROW(nfe.TratarErro("só"), ETuimDFeException);
}

TEST(ErrorPath, EmptyLogLineIsNotOffered) {
  TTuimNFe nfe;
  int chamadas = 0;
  nfe.OnGerarLog = [&](const std::string&, bool& t) {
    ++chamadas;
    t = true;
  };
  bool tratado = true;
  nfe.RegistrarLog("", tratado);
  EXPECT_FALSE(tratado);
  EXPECT_EQ(chamadas, 0);
  nfe.RegistrarLog("linha", tratado);
  EXPECT_TRUE(tratado);
  EXPECT_EQ(chamadas, 1);
}

// ---- Status and classifiers ---------------------------------------------------------------

TEST(Status, ChangeFiresOnceAndTheCurrentValueFiresNothing) {
  TTuimNFe nfe;
  int eventos = 0;
  nfe.OnStatusChange = [&](TTuimComponent* s) {
    EXPECT_EQ(s, &nfe);
    ++eventos;
  };
  nfe.AlterarStatus(snParado);
  EXPECT_EQ(eventos, 0);
  nfe.AlterarStatus(snRecepcao);
  nfe.AlterarStatus(snRecepcao);
  EXPECT_EQ(eventos, 1);
  EXPECT_EQ(nfe.Status(), snRecepcao);
}

TEST(Status, NumbersAreStable) {
  EXPECT_EQ(snConsulta, 4);
  EXPECT_EQ(snInutilizacao, 6);
  EXPECT_EQ(snEmail, 9);
  EXPECT_EQ(snEvento, 11);
  EXPECT_EQ(snAdmCSC, 14);
  EXPECT_EQ(snEnvioWebService, 16);
}

struct CStatCase {
  int cStat;
  bool confirmado, cancelado, processado;
};
class Classificadores : public ::testing::TestWithParam<CStatCase> {};
TEST_P(Classificadores, StatusCodesAreClassified) {
  EXPECT_EQ(TTuimNFe::StatusConfirmado(GetParam().cStat), GetParam().confirmado);
  EXPECT_EQ(TTuimNFe::StatusProcessado(GetParam().cStat), GetParam().processado);
  EXPECT_EQ(TTuimNFe::StatusCancelado(GetParam().cStat), GetParam().cancelado);
}
INSTANTIATE_TEST_SUITE_P(Component, Classificadores,
                         ::testing::Values(CStatCase{100, true, false, true}, CStatCase{110, false, false, true},
                                           CStatCase{150, true, false, true}, CStatCase{301, false, false, true},
                                           CStatCase{302, false, false, true}, CStatCase{303, false, false, true},
                                           CStatCase{101, false, true, false}, CStatCase{151, false, true, false},
                                           CStatCase{155, false, true, false}, CStatCase{135, false, false, false},
                                           CStatCase{204, false, false, false}, CStatCase{0, false, false, false}));

struct AutorizacaoCase {
  TfscVersaoDF versao;
  TfscModeloDF modelo;
  int cUF;
  bool usa;
};
class Autorizacao : public ::testing::TestWithParam<AutorizacaoCase> {};
TEST_P(Autorizacao, AuthorizationServiceFromLayout310) {
  EXPECT_EQ(TTuimNFe::UsaAutorizacao(GetParam().versao, GetParam().modelo, GetParam().cUF), GetParam().usa);
}
INSTANTIATE_TEST_SUITE_P(Component, Autorizacao,
                         ::testing::Values(AutorizacaoCase{ve310, moNFCe, 13, false},
                                           AutorizacaoCase{ve310, moNFCe, 51, true},
                                           AutorizacaoCase{ve310, moNFe, 13, true},
                                           AutorizacaoCase{ve400, moNFCe, 13, true},
                                           AutorizacaoCase{ve200, moNFe, 35, false},
                                           AutorizacaoCase{ve300, moNFCe, 35, false}));

struct QRCase {
  TfscVersaoQrCode qr;
  TfscVersaoDF versao;
  TfscVersaoQrCode efetiva;
};
class VersaoQR : public ::testing::TestWithParam<QRCase> {};
TEST_P(VersaoQR, UnsetVersionMeansTwoWithLayout400) {
  EXPECT_EQ(TTuimNFe::VersaoQRCodeEfetiva(GetParam().qr, GetParam().versao), GetParam().efetiva);
}
INSTANTIATE_TEST_SUITE_P(Component, VersaoQR,
                         ::testing::Values(QRCase{veqr000, ve400, veqr200}, QRCase{veqr100, ve400, veqr100},
                                           QRCase{veqr200, ve400, veqr200}, QRCase{veqr200, ve310, veqr000},
                                           QRCase{veqr100, ve200, veqr000}, QRCase{veqr000, ve300, veqr000}));

TEST(Component, ModelNameFollowsTheConfiguration) {
  TTuimNFe nfe;
  EXPECT_EQ(nfe.NomeModeloDFe(), "NFe");
  nfe.Configuracoes().Geral().SetModeloDF(moNFCe);
  EXPECT_EQ(nfe.NomeModeloDFe(), "NFCe");
  EXPECT_EQ(nfe.NameSpaceURI(), "http://www.portalfiscal.inf.br/nfe");
}

TEST(Component, OwnsItsConfigurationAsASubComponent) {
  TTuimComponent janela;
  auto nfe = std::make_unique<TTuimNFe>(&janela);
  nfe->SetName("TuimNFe1");
  EXPECT_EQ(janela.FindComponent("TuimNFe1"), nfe.get());
  EXPECT_EQ(nfe->FindComponent("Configuracoes"), &nfe->Configuracoes());
  EXPECT_EQ(nfe->Configuracoes().Dono(), nfe.get());
  nfe.reset();
  EXPECT_EQ(janela.ComponentCount(), 0);
}

// ---- Links ------------------------------------------------------------------------------

class MailFalso : public TTuimMailBase {
public:
  std::vector<std::string> chamadas;
  bool falhar = false;
  void Limpar() override { chamadas.push_back("Limpar"); }
  void AdicionarDestinatario(const std::string& e, const std::string&) override { chamadas.push_back("Para:" + e); }
  void AdicionarCopia(const std::string& e, const std::string&) override { chamadas.push_back("CC:" + e); }
  void AdicionarResponderPara(const std::string& e, const std::string&) override {
    chamadas.push_back("Resp:" + e);
  }
  void SetSubject(const std::string& s) override { chamadas.push_back("Assunto:" + s); }
  void SetCorpo(const std::vector<std::string>& l) override { chamadas.push_back("Corpo:" + Juntar(l)); }
  void SetCorpoAlternativo(const std::vector<std::string>& l) override { chamadas.push_back("Alt:" + Juntar(l)); }
  void LimparAnexos() override { chamadas.push_back("LimparAnexos"); }
  void AnexarStream(const std::string& c, const std::string& n, int) override {
    chamadas.push_back("Stream:" + n + "=" + c);
  }
  void AnexarArquivo(const std::string& c, const std::string&, int) override { chamadas.push_back("Arquivo:" + c); }
  void Enviar() override {
    chamadas.push_back("Enviar");
    if (falhar) throw ETuimDFeException("SMTP Error: Server not informed");
  }
  static std::string Juntar(const std::vector<std::string>& l) {
    std::string r;
    for (const auto& s : l) r += s + "|";
    return r;
  }
};

TEST(Email, WithoutMailComponentRaises) {
  TTuimNFe nfe;
  try {
    nfe.EnviarPorEmail("a@b", "s", {}, {}, {}, nullptr, "", {});
    FAIL() << "no exception";
  } catch (const ETuimDFeException& e) {
    EXPECT_STREQ(e.what(), "Componente TuimMail não associado");
  }
  EXPECT_EQ(nfe.Status(), snParado);
}

TEST(Email, MessageIsBuiltInOrderAndStatusReturnsToIdle) {
  TTuimNFe nfe;
  MailFalso mail;
  nfe.SetMAIL(&mail);
  std::vector<TSituacaoNFe> estados;
  nfe.OnStatusChange = [&](TTuimComponent*) { estados.push_back(nfe.Status()); };
  std::string doc = "<nfe/>";
  nfe.EnviarPorEmail("a@b", "Nota", {"<b>Ola", "</b>mundo"}, {"c@d"}, {"/x.pdf"}, &doc, "nota.xml", {"r@s"});
  EXPECT_EQ(mail.chamadas, (std::vector<std::string>{"Limpar", "Para:a@b", "Assunto:Nota", "Corpo:<b>Ola|</b>mundo|",
                                                     "Alt:Ola|mundo|", "LimparAnexos", "Stream:nota.xml=<nfe/>",
                                                     "Arquivo:/x.pdf", "CC:c@d", "Resp:r@s", "Enviar"}));
  EXPECT_EQ(estados, (std::vector<TSituacaoNFe>{snEmail, snParado}));
}

TEST(Email, FailedSendAlsoReturnsToIdle) {
  TTuimNFe nfe;
  MailFalso mail;
  mail.falhar = true;
  nfe.SetMAIL(&mail);
  EXPECT_THROW(nfe.EnviarPorEmail("a@b", "s", {}, {}, {}, nullptr, "", {}), ETuimDFeException);
  EXPECT_EQ(nfe.Status(), snParado);
  EXPECT_EQ(mail.chamadas.back(), "Enviar");
}

TEST(Links, DestroyedMailComponentClearsTheLink) {
  TTuimNFe nfe;
  {
    MailFalso mail;
    nfe.SetMAIL(&mail);
    EXPECT_EQ(nfe.MAIL(), &mail);
  }
  EXPECT_EQ(nfe.MAIL(), nullptr);
}

TEST(Links, AnotherMailComponentGoingAwayKeepsTheLink) {
  TTuimNFe nfe;
  MailFalso ligado;
  nfe.SetMAIL(&ligado);
  { MailFalso outro; }
  EXPECT_EQ(nfe.MAIL(), &ligado);
  nfe.SetMAIL(nullptr);
}

TEST(Links, IntegratorLinkIsClearedWhenItGoesAway) {
  TTuimNFe nfe;
  auto integ = std::make_unique<TTuimIntegradorBase>();
  nfe.SetIntegrador(integ.get());
  integ.reset();
  EXPECT_EQ(nfe.Integrador(), nullptr);
}

TEST(Links, ReportBackReferenceFollowsTheLink) {
  TTuimNFe nfe;
  TTuimDANFeBase a, b;
  nfe.SetDANFE(&a);
  EXPECT_EQ(a.TuimNFe(), &nfe);
  nfe.SetDANFE(&b);
  EXPECT_EQ(a.TuimNFe(), nullptr);
  EXPECT_EQ(b.TuimNFe(), &nfe);
  auto c = std::make_unique<TTuimDANFeBase>();
  nfe.SetDANFE(c.get());
  c.reset();
  EXPECT_EQ(nfe.DANFE(), nullptr);
}

TEST(Links, DestroyedComponentLeavesNoDanglingLinkInTheMail) {
  MailFalso mail;
  {
    TTuimNFe nfe;
    nfe.SetMAIL(&mail);
  }
  // Nothing left to notify: destroying the mail component now must not touch the freed one.
  SUCCEED();
}

TEST(Component, NewComponentCopiesItsConfigurationIntoTheFacade) {
  TTuimNFe nfe;
  EXPECT_EQ(nfe.SSL().TimeOut(), 5000);
  EXPECT_EQ(nfe.SSL().NameSpaceURI(), "http://www.portalfiscal.inf.br/nfe");
  EXPECT_EQ(nfe.SSL().SSLCryptLib(), cryNone);
  EXPECT_FALSE(nfe.CatalogoCarregado());
}

TEST(Component, BeforeSigningHandlerIsKeptByTheFacade) {
  TTuimNFe nfe;
  int chamadas = 0;
  nfe.SetOnAntesDeAssinar([&](std::string&, const std::string&, const std::string&, const std::string&,
                              const std::string&, const std::string&) { ++chamadas; });
  ASSERT_TRUE(static_cast<bool>(nfe.SSL().AntesDeAssinar));
  std::string x;
  nfe.SSL().AntesDeAssinar(x, "", "", "", "", "");
  EXPECT_EQ(chamadas, 1);
  EXPECT_TRUE(static_cast<bool>(nfe.OnAntesDeAssinar()));
}

}  // namespace

namespace {

// Expected texts and hashes computed with Python's hashlib from the written rules.
class QRCode : public ::testing::Test {
protected:
  void SetUp() override {
    auto& c = nfe.Configuracoes();
    c.Geral().SetModeloDF(moNFCe);
    // These cases are about versions 1 and 2; new configurations start at version 3.
    c.Geral().SetVersaoQRCode(veqr000);
    c.WebServices().SetParams({"[NFCe_MT_P]", "URL-QRCode_1.00=http://mt/qr", "URL-QRCode_2.00=http://mt/qr2",
                               "URL-ConsultaNFCe_2.00=http://mt/consulta", "[NFCe_SP_H]",
                               "URL-QRCode=http://sp/qr?x=1"});
    c.WebServices().TimeZoneConf().SetModoDeteccao(tzManual);
    c.WebServices().TimeZoneConf().SetTimeZoneStr("-04:00");
  }
  std::string Gerar(int cUF, TfscTipoAmbiente amb, const std::string& chave, const std::string& dest) {
    return nfe.URLQRCode(cUF, amb, chave, dest, EncodeDateTime(2024, 3, 15, 10, 20, 30), TCurrency::FromRaw(105000),
                         TCurrency::FromRaw(12300), "abc+/=", 4.0);
  }
  TTuimNFe nfe;
  const std::string chave = "51240312345678000190650010000000011000000019";
};

TEST_F(QRCode, VersionOneCarriesHexDateDigestAndSixDigitTokenId) {
  nfe.Configuracoes().Geral().SetVersaoQRCode(veqr100);
  nfe.Configuracoes().Geral().SetIdCSC("1");
  nfe.Configuracoes().Geral().SetCSC("CSCTOKEN");
  EXPECT_EQ(Gerar(51, taProducao, chave, " 12345678909 "),
            "http://mt/qr?chNFe=51240312345678000190650010000000011000000019&nVersao=100&tpAmb=1&cDest=12345678909"
            "&dhEmi=323032342D30332D31355431303A32303A33302D30343A3030&vNF=10.50&vICMS=1.23&digVal=6162632B2F3D"
            "&cIdToken=000001&cHashQRCode=E0D3B25C0C819A8888ED2E5F3BB14DB157A7F169");
}

TEST_F(QRCode, LowerCaseHexStatesAndTheSubstituteToken) {
  nfe.Configuracoes().Geral().SetVersaoQRCode(veqr100);
  nfe.Configuracoes().Geral().SetIdCSC("2");
  std::string sp = "35" + chave.substr(2);
  // Token 123456784724: key positions 7-14, the constant 47, key positions 3-4.
  EXPECT_EQ(Gerar(35, taHomologacao, sp, ""),
            "http://sp/qr?x=1&chNFe=35240312345678000190650010000000011000000019&nVersao=100&tpAmb=2"
            "&dhEmi=323032342d30332d31355431303a32303a33302d30343a3030&vNF=10.50&vICMS=1.23&digVal=6162632b2f3d"
            "&cIdToken=000002&cHashQRCode=E31F5C667E74220D9695914E80B1B5C22ECA8E31");
}

TEST_F(QRCode, UnsetVersionWithLayout400IsVersionTwo) {
  nfe.Configuracoes().Geral().SetIdCSC("1");
  nfe.Configuracoes().Geral().SetCSC("CSCTOKEN");
  EXPECT_EQ(Gerar(51, taProducao, chave, ""),
            "http://mt/qr2?p=51240312345678000190650010000000011000000019|2|1|1|"
            "E891FB3E74FAFECFFEE673F94BFEB3CC81CFD12F");
}

TEST_F(QRCode, OfflineVersionTwoAddsDayTotalAndDigest) {
  nfe.Configuracoes().Geral().SetIdCSC("1");
  nfe.Configuracoes().Geral().SetCSC("CSCTOKEN");
  std::string off = chave.substr(0, 34) + "9" + chave.substr(35);
  EXPECT_EQ(Gerar(51, taProducao, off, ""),
            "http://mt/qr2?p=51240312345678000190650010000000019000000019|2|1|15|10.50|6162632B2F3D|1|"
            "24AA132D2B1686B9806B7F33B9B04C4969913E7C");
}

TEST_F(QRCode, ConsultationAddressUsesTheEffectiveVersion) {
  EXPECT_EQ(nfe.URLConsultaNFCe(51, taProducao, 4.0), "http://mt/consulta");
}

}  // namespace

namespace {

TEST(Servicos, SchemaLookupUsesTheVersionTheCatalogueFound) {
  PastaTemporaria t;
  t.Criar("consStatServ_v3.10.xsd");
  t.Criar("consStatServ_v4.00.xsd");
  TTuimNFe nfe;
  auto& c = nfe.Configuracoes();
  c.Arquivos().SetPathSchemas(t.Path());
  c.WebServices().SetParams({"[NFe_MT_P]", "NfeStatusServico_3.10=https://mt/status310"});
  double v = 4.0;
  std::string url, ns, acao;
  nfe.LocalizarServico("NFe", "MT", taProducao, "NfeStatusServico", v, url, ns, acao);
  EXPECT_EQ(url, "https://mt/status310");
  EXPECT_DOUBLE_EQ(v, 3.1);
}

TEST(Servicos, FolderWithoutSchemasFailsTheLookupOfAServiceWithASchema) {
  PastaTemporaria t;
  TTuimNFe nfe;
  nfe.Configuracoes().Arquivos().SetPathSchemas(t.Path());
  nfe.Configuracoes().WebServices().SetParams({"[NFe_MT_P]", "NfeStatusServico_4.00=https://mt/status4"});
  double v = 4.0;
  std::string url, ns, acao;
  EXPECT_THROW(nfe.LocalizarServico("NFe", "MT", taProducao, "NfeStatusServico", v, url, ns, acao),
               ETuimDFeException);
}

}  // namespace
