#include "component/TuimConfiguracoes.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "component/TuimComponentTestUtil.h"
#include "component/TuimNFe.h"
#include "fiscal/TuimException.h"
#include "fiscal/TuimUtil.h"

using namespace tuim;
using tuim::testing::NaPasta;
using tuim::testing::PastaTemporaria;

namespace {

struct IntervaloCase {
  std::uint32_t dado, lido;
};
class IntervaloTentativas : public ::testing::TestWithParam<IntervaloCase> {};
TEST_P(IntervaloTentativas, ValuesBelowOneSecondAreRaisedToOneSecond) {
  TConfiguracoesNFe c;
  c.WebServices().SetIntervaloTentativas(GetParam().dado);
  EXPECT_EQ(c.WebServices().IntervaloTentativas(), GetParam().lido);
}
INSTANTIATE_TEST_SUITE_P(Config, IntervaloTentativas,
                         ::testing::Values(IntervaloCase{200, 1000}, IntervaloCase{0, 1000}, IntervaloCase{999, 1000},
                                           IntervaloCase{1000, 1000}, IntervaloCase{3000, 3000}));

struct TentativasCase {
  int dado, lido;
};
class Tentativas : public ::testing::TestWithParam<TentativasCase> {};
TEST_P(Tentativas, ZeroOrLessBecomesFive) {
  TConfiguracoesNFe c;
  c.WebServices().SetTentativas(GetParam().dado);
  EXPECT_EQ(c.WebServices().Tentativas(), GetParam().lido);
}
INSTANTIATE_TEST_SUITE_P(Config, Tentativas,
                         ::testing::Values(TentativasCase{0, 5}, TentativasCase{-3, 5}, TentativasCase{1, 1},
                                           TentativasCase{12, 12}));

TEST(Configuracoes, DefaultsAreThoseOfTheConstructors) {
  TConfiguracoesNFe c;
  EXPECT_EQ(c.SecaoIni(), "NFe");
  EXPECT_EQ(c.WebServices().RecursoServicos(), "TuimNFeServicos");
  EXPECT_EQ(c.Geral().SSLLib(), libNone);
  EXPECT_EQ(c.Geral().FormaEmissaoCodigo(), 1);
  EXPECT_EQ(c.Geral().ModeloDFCodigo(), 55);
  EXPECT_EQ(c.Geral().VersaoDF(), ve400);
  EXPECT_EQ(c.Geral().FormatoAlerta(), "TAG:%TAGNIVEL% ID:%ID%/%TAG%(%DESCRICAO%) - %MSG%.");
  EXPECT_EQ(c.WebServices().UF(), "SP");
  EXPECT_EQ(c.WebServices().UFCodigo(), 35);
  EXPECT_EQ(c.WebServices().AmbienteCodigo(), 2);
  EXPECT_EQ(c.WebServices().TimeOut(), 5000);
  EXPECT_EQ(c.WebServices().QuebradeLinha(), "|");
  EXPECT_EQ(c.WebServices().TimeZoneConf().ModoDeteccao(), tzSistema);
  EXPECT_TRUE(c.Certificados().VerificarValidade());
  EXPECT_TRUE(c.Arquivos().Salvar());
  EXPECT_FALSE(c.WebServices().Salvar());
  EXPECT_EQ(c.Geral().Name(), "GeralConf");
  EXPECT_EQ(c.WebServices().Name(), "WebServicesConf");
  EXPECT_EQ(c.Certificados().Name(), "CertificadosConf");
  EXPECT_EQ(c.Arquivos().Name(), "ArquivosConf");
  EXPECT_EQ(c.RespTec().Name(), "RespTecConf");
  EXPECT_EQ(c.FindComponent("arquivosconf"), &c.Arquivos());
}

TEST(Configuracoes, BaseRootHasNoIniSectionAndItsOwnCatalogueName) {
  TConfiguracoes c;
  EXPECT_EQ(c.SecaoIni(), "");
  EXPECT_EQ(c.WebServices().RecursoServicos(), "TuimServicos");
  EXPECT_EQ(dynamic_cast<TGeralConfNFe*>(&c.Geral()), nullptr);
}

TEST(Configuracoes, OwnerOfAnotherKindIsRefused) {
  TTuimComponent outro;
  try {
    TConfiguracoesNFe c(&outro);
    FAIL() << "no exception";
  } catch (const ETuimDFeException& e) {
    EXPECT_STREQ(e.what(), "Owner de TConfiguracoes deve ser do tipo TTuimDFe");
  }
  EXPECT_EQ(outro.ComponentCount(), 0);
}

TEST(Configuracoes, SettingDayAlsoSetsMonthAndClearingMonthClearsDay) {
  TConfiguracoesNFe c;
  c.Arquivos().SetSepararPorDia(true);
  EXPECT_TRUE(c.Arquivos().SepararPorMes());
  c.Arquivos().SetSepararPorMes(false);
  EXPECT_FALSE(c.Arquivos().SepararPorDia());
}

struct AtalhoCase {
  TSSLLib lib;
  TSSLCryptLib crypt;
  TSSLHttpLib http;
  TSSLXmlSignLib xs;
};
class AtalhoSSLLib : public ::testing::TestWithParam<AtalhoCase> {};
TEST_P(AtalhoSSLLib, ShortcutSetsTheThreeChoicesAndTheChoicesGiveTheShortcutBack) {
  const AtalhoCase& p = GetParam();
  TConfiguracoesNFe a;
  a.Geral().SetSSLLib(p.lib);
  EXPECT_EQ(a.Geral().SSLLib(), p.lib);
  EXPECT_EQ(a.Geral().SSLCryptLib(), p.crypt);
  EXPECT_EQ(a.Geral().SSLHttpLib(), p.http);
  EXPECT_EQ(a.Geral().SSLXmlSignLib(), p.xs);

  TConfiguracoesNFe b;
  b.Geral().SetSSLLib(libCustom);
  b.Geral().SetSSLCryptLib(p.crypt);
  b.Geral().SetSSLHttpLib(p.http);
  b.Geral().SetSSLXmlSignLib(p.xs);
  EXPECT_EQ(b.Geral().SSLLib(), p.lib);
}
INSTANTIATE_TEST_SUITE_P(Config, AtalhoSSLLib,
                         ::testing::Values(AtalhoCase{libNone, cryNone, httpNone, xsNone},
                                           AtalhoCase{libOpenSSL, cryOpenSSL, httpOpenSSL, xsLibXml2},
                                           AtalhoCase{libCapicom, cryCapicom, httpWinINet, xsMsXmlCapicom},
                                           AtalhoCase{libCapicomDelphiSoap, cryCapicom, httpIndy, xsMsXmlCapicom},
                                           AtalhoCase{libWinCrypt, cryWinCrypt, httpWinHttp, xsLibXml2}));

TEST(Configuracoes, ChangingOneLibraryMakesTheShortcutCustomUntilItMatchesAgain) {
  TConfiguracoesNFe c;
  c.Geral().SetSSLLib(libWinCrypt);
  c.Geral().SetSSLHttpLib(httpWinINet);
  EXPECT_EQ(c.Geral().SSLLib(), libCustom);
  c.Geral().SetSSLHttpLib(httpWinHttp);
  EXPECT_EQ(c.Geral().SSLLib(), libWinCrypt);
}

TEST(Configuracoes, CustomShortcutLeavesTheChoicesAsTheyAre) {
  TConfiguracoesNFe c;
  c.Geral().SetSSLLib(libOpenSSL);
  c.Geral().SetSSLLib(libCustom);
  EXPECT_EQ(c.Geral().SSLLib(), libCustom);
  EXPECT_EQ(c.Geral().SSLCryptLib(), cryOpenSSL);
  EXPECT_EQ(c.Geral().SSLHttpLib(), httpOpenSSL);
}

TEST(Configuracoes, AlertTemplateWithoutPlaceholderReadsAsTheDefault) {
  TConfiguracoesNFe c;
  c.Geral().SetFormatoAlerta("sem marcas");
  EXPECT_EQ(c.Geral().FormatoAlerta(), TGeralConf::kFormatoAlertaPadrao);
  c.Geral().SetFormatoAlerta("");
  EXPECT_EQ(c.Geral().FormatoAlerta(), TGeralConf::kFormatoAlertaPadrao);
  c.Geral().SetFormatoAlerta("%MSG%");
  EXPECT_EQ(c.Geral().FormatoAlerta(), "%MSG%");
  c.Geral().SetFormatoAlerta("[%TAG%]");
  EXPECT_EQ(c.Geral().FormatoAlerta(), "[%TAG%]");
}

struct UFCase {
  const char* texto;
  const char* uf;
  int codigo;
};
class EstadoUF : public ::testing::TestWithParam<UFCase> {};
TEST_P(EstadoUF, OnlyAnExactAbbreviationOfTheTableIsTaken) {
  TConfiguracoesNFe c;
  c.WebServices().SetUF(GetParam().texto);
  EXPECT_EQ(c.WebServices().UF(), GetParam().uf);
  EXPECT_EQ(c.WebServices().UFCodigo(), GetParam().codigo);
}
INSTANTIATE_TEST_SUITE_P(Config, EstadoUF,
                         ::testing::Values(UFCase{"MT", "MT", 51}, UFCase{"mt", "SP", 35}, UFCase{" MT", "SP", 35},
                                           UFCase{"MT.MS", "SP", 35}, UFCase{"EX", "SP", 35}, UFCase{"", "SP", 35},
                                           UFCase{"AC", "AC", 12}, UFCase{"TO", "TO", 17}, UFCase{"DF", "DF", 53}));

TEST(Configuracoes, UnknownStateTextKeepsThePreviousState) {
  TConfiguracoesNFe c;
  c.WebServices().SetUF("RS");
  c.WebServices().SetUF("XX");
  EXPECT_EQ(c.WebServices().UF(), "RS");
  EXPECT_EQ(c.WebServices().UFCodigo(), 43);
}

TEST(Configuracoes, SerialNumberLosesBlanksAndIsUpperCased) {
  TConfiguracoesNFe c;
  c.Certificados().SetNumeroSerie(" 0a 1b ");
  EXPECT_EQ(c.Certificados().NumeroSerie(), "0A1B");
  c.Certificados().SetNumeroSerie("\t3f\t00 ");
  EXPECT_EQ(c.Certificados().NumeroSerie(), "3F00");
}

struct IdCSCCase {
  const char* dado;
  const char* lido;
};
class IdCSC : public ::testing::TestWithParam<IdCSCCase> {};
TEST_P(IdCSC, IsStoredAsASixDigitNumber) {
  TConfiguracoesNFe c;
  c.Geral().SetIdCSC(GetParam().dado);
  EXPECT_EQ(c.Geral().IdCSC(), GetParam().lido);
}
INSTANTIATE_TEST_SUITE_P(Config, IdCSC,
                         ::testing::Values(IdCSCCase{"1", "000001"}, IdCSCCase{"abc", "000000"},
                                           IdCSCCase{"", "000000"}, IdCSCCase{" 12 ", "000012"},
                                           IdCSCCase{"000002", "000002"}, IdCSCCase{"123456", "123456"},
                                           IdCSCCase{"1234567", "1234567"}, IdCSCCase{"1a", "000000"}));

TEST(Configuracoes, SecurityCodeIsTrimmedAndModelSetsItsCode) {
  TConfiguracoesNFe c;
  c.Geral().SetCSC("  ABC-123  ");
  EXPECT_EQ(c.Geral().CSC(), "ABC-123");
  c.Geral().SetModeloDF(moNFCe);
  EXPECT_EQ(c.Geral().ModeloDFCodigo(), 65);
  c.Geral().SetFormaEmissao(teOffLine);
  EXPECT_EQ(c.Geral().FormaEmissaoCodigo(), 9);
  c.WebServices().SetAmbiente(taProducao);
  EXPECT_EQ(c.WebServices().AmbienteCodigo(), 1);
}

TEST(Configuracoes, PasswordReadsBackInPlain) {
  TConfiguracoesNFe c;
  c.Certificados().SetSenha("1234");
  EXPECT_EQ(c.Certificados().Senha(), "1234");
  c.Certificados().SetSenha("outra senha");
  EXPECT_EQ(c.Certificados().Senha(), "outra senha");
  c.Certificados().SetSenha("");
  EXPECT_EQ(c.Certificados().Senha(), "");
}

// ---- Folder builders ----------------------------------------------------------------------

TEST(MontarPath, FillsTheOrderingListFromTheFlagsAndKeepsIt) {
  PastaTemporaria t;
  TConfiguracoesNFe c;
  c.Arquivos().SetSepararPorCNPJ(true);
  c.Arquivos().SetSepararPorAno(true);
  std::string p = c.Arquivos().MontarPath(t / "x", "", "12.345.678/0001-90", EncodeDate(2024, 3, 15), "");
  EXPECT_EQ(p, t / "x/12345678000190/2024");
  EXPECT_TRUE(std::filesystem::is_directory(p));
  EXPECT_EQ(c.Arquivos().OrdenacaoPath().Tags(), (std::vector<TTagOrdenacaoPath>{opCNPJ, opData}));

  c.Arquivos().SetSepararPorCNPJ(false);
  p = c.Arquivos().MontarPath(t / "x", "", "12.345.678/0001-90", EncodeDate(2024, 3, 15), "");
  EXPECT_EQ(p, t / "x/12345678000190/2024");
}

struct DataCase {
  bool ano, mes, dia;
  const char* fim;
};
class MontarPathData : public ::testing::TestWithParam<DataCase> {};
TEST_P(MontarPathData, DateLevelFollowsYearMonthAndDayFlags) {
  PastaTemporaria t;
  TConfiguracoesNFe c;
  c.Arquivos().SetSepararPorAno(GetParam().ano);
  c.Arquivos().SetSepararPorMes(GetParam().mes);
  c.Arquivos().SetSepararPorDia(GetParam().dia);
  EXPECT_EQ(c.Arquivos().MontarPath(t / "b", "", "", EncodeDate(2024, 3, 5), ""), t / std::string("b") + GetParam().fim);
}
INSTANTIATE_TEST_SUITE_P(Config, MontarPathData,
                         ::testing::Values(DataCase{false, true, false, "/202403"}, DataCase{true, true, false, "/2024/03"},
                                           DataCase{true, false, false, "/2024"},
                                           DataCase{true, true, true, "/2024/03/05"},
                                           DataCase{false, true, true, "/202403/05"}));

TEST(MontarPath, ExplicitOrderingListIsFollowed) {
  PastaTemporaria t;
  TConfiguracoesNFe c;
  c.Arquivos().SetSepararPorAno(true);
  c.Arquivos().OrdenacaoPath().Add(opLiteral);
  c.Arquivos().OrdenacaoPath().Add(opData);
  c.Arquivos().OrdenacaoPath().Add(opNenhum);
  c.Arquivos().OrdenacaoPath().Add(opCNPJ);
  c.Arquivos().OrdenacaoPath().Add(opModelo);
  std::string p = c.Arquivos().MontarPath(t / "b/", "Lit", "12345678000190", EncodeDate(2023, 12, 31), "NFCe");
  EXPECT_EQ(p, t / "b/Lit/2023/12345678000190/NFCe");
  EXPECT_EQ(c.Arquivos().OrdenacaoPath().Count(), 5);
}

TEST(MontarPath, AlphanumericCNPJKeepsItsLetters) {
  PastaTemporaria t;
  TConfiguracoesNFe c;
  c.Arquivos().SetSepararPorCNPJ(true);
  EXPECT_EQ(c.Arquivos().MontarPath(t / "b", "", "12.ABC.345/01DE-35", 0, ""), t / "b/12ABC34501DE35");
}

TEST(MontarPath, LiteralIsNotRepeatedWhenThePathEndsWithIt) {
  PastaTemporaria t;
  TConfiguracoesNFe c;
  c.Arquivos().SetPathNFe(t / "docs");
  c.Arquivos().SetAdicionarLiteral(true);
  EXPECT_EQ(c.Arquivos().MontarPathNFe(0, "", 65), t / "docs/NFCe");

  TConfiguracoesNFe d;
  d.Arquivos().SetPathNFe(t / "docs2");
  d.Arquivos().SetAdicionarLiteral(true);
  d.Arquivos().SetSepararPorModelo(true);
  EXPECT_EQ(d.Arquivos().MontarPathNFe(0, "", 65), t / "docs2/NFCe");
  EXPECT_EQ(d.Arquivos().MontarPathNFe(0, "", 55), t / "docs2/NFe");
}

TEST(MontarPath, ModelCodeZeroTakesTheOwnersModel) {
  PastaTemporaria t;
  TTuimNFe nfe;
  nfe.Configuracoes().Geral().SetModeloDF(moNFCe);
  auto& a = nfe.Configuracoes().Arquivos();
  a.SetPathNFe(t / "n");
  a.SetSepararPorModelo(true);
  EXPECT_EQ(a.MontarPathNFe(0, "", 0), t / "n/NFCe");
  TConfiguracoesNFe semDono;
  semDono.Arquivos().SetPathNFe(t / "m");
  semDono.Arquivos().SetSepararPorModelo(true);
  EXPECT_EQ(semDono.Arquivos().MontarPathNFe(0, "", 0), t / "m/NFe");
  EXPECT_EQ(semDono.Arquivos().MontarPathNFe(0, "", 57), t / "m/");
}

TEST(MontarPath, EventAndVoidingFoldersCarryTheirLiterals) {
  PastaTemporaria t;
  TConfiguracoesNFe c;
  c.Arquivos().SetAdicionarLiteral(true);
  c.Arquivos().SetPathEvento(t / "ev");
  c.Arquivos().SetPathInu(t / "inu");
  EXPECT_EQ(c.Arquivos().MontarPathEvento(teCancelamento, "", 0), t / "ev/Evento/Cancelamento");
  EXPECT_TRUE(std::filesystem::is_directory(t / "ev/Evento/Cancelamento"));
  EXPECT_EQ(c.Arquivos().MontarPathInu(""), t / "inu/Inu");
}

TEST(MontarPath, DownloadFolderTakesTheNameWhenAsked) {
  PastaTemporaria t;
  TConfiguracoesNFe c;
  c.Arquivos().DownloadDFe().SetPathDownload(t / "dl");
  c.Arquivos().DownloadDFe().SetSepararPorNome(true);
  c.Arquivos().SetAdicionarLiteral(true);
  EXPECT_EQ(c.Arquivos().MontarPathDownload("Loja & Cia.", "", 0), t / "dl/LojaCia/Down");
  EXPECT_EQ(c.Arquivos().MontarPathDownloadEvento(teCCe, "", "", 0), t / "dl/Evento/CCe");
}

TEST(MontarPath, EmptyDownloadFolderBecomesPathSalvar) {
  PastaTemporaria t;
  TConfiguracoesNFe c;
  c.Arquivos().SetPathSalvar(t / "salvar");
  c.Arquivos().MontarPathDownload("", "", 0);
  EXPECT_EQ(c.Arquivos().DownloadDFe().PathDownload(), t / "salvar/");
}

TEST(MontarPath, EmptyBaseStaysRelativeInsteadOfStartingAtTheRoot) {
  PastaTemporaria t;
  NaPasta aqui(t.Path());
  TConfiguracoesNFe c;
  c.Arquivos().SetSepararPorCNPJ(true);
  c.Arquivos().SetSepararPorAno(true);
  std::string p = c.Arquivos().MontarPath("", "", "12345678000190", EncodeDate(2024, 3, 15), "");
  EXPECT_EQ(p, "12345678000190/2024");
  EXPECT_TRUE(std::filesystem::is_directory(t / "12345678000190/2024"));
}

TEST(MontarPath, FolderThatCannotBeCreatedRaises) {
  PastaTemporaria t;
  t.Criar("arquivo", "x");
  TConfiguracoesNFe c;
  c.Arquivos().SetAdicionarLiteral(true);
  EXPECT_THROW(c.Arquivos().MontarPath(t / "arquivo", "sub", "", 0, ""), ETuimDFeException);
}

TEST(Configuracoes, RootWithoutOwnerLeavesFoldersEmpty) {
  TConfiguracoesNFe c;
  EXPECT_EQ(c.Arquivos().PathSalvar(), "");
  EXPECT_EQ(c.Arquivos().PathSchemas(), "");
  EXPECT_EQ(c.Arquivos().IniServicos(), "");
}

TEST(Configuracoes, OwnedRootFillsFoldersBesideTheProgram) {
  TTuimNFe nfe;
  auto& a = nfe.Configuracoes().Arquivos();
  EXPECT_EQ(a.PathSalvar(), PastaAplicacao() + "Docs/");
  // Run from the build folder, the program finds the package of its source tree by itself.
  EXPECT_EQ(a.PathSchemas(), TUIM_SOURCE_DIR "/schemas/PL_009_V4/");
  EXPECT_EQ(a.IniServicos(), PastaAplicacao() + "TuimNFeServicos.ini");
  a.SetPathSalvar("  /tmp/algum ");
  EXPECT_EQ(a.PathSalvar(), "/tmp/algum/");
}

TEST(Configuracoes, DesignModeLeavesFoldersEmpty) {
  TTuimNFe nfe;
  nfe.SetDesigning(true);
  EXPECT_EQ(nfe.Configuracoes().Arquivos().PathSalvar(), "");
  EXPECT_EQ(nfe.Configuracoes().Arquivos().IniServicos(), "");
}

// ---- Forwarding ---------------------------------------------------------------------------

TEST(Configuracoes, ForwardedValuesReachTheFacade) {
  TTuimNFe nfe;
  auto& c = nfe.Configuracoes();
  c.Geral().SetSSLLib(libOpenSSL);
  c.WebServices().SetProxyHost("proxy.local");
  c.WebServices().SetProxyPort("3128");
  c.WebServices().SetProxyUser("eu");
  c.WebServices().SetProxyPass("segredo");
  c.WebServices().SetTimeOut(12000);
  c.WebServices().SetTimeOutPorThread(true);
  c.WebServices().SetSSLType(LT_TLSv1_2);
  c.Certificados().SetArquivoPFX("/x/cert.pfx");
  c.Certificados().SetNumeroSerie("ab cd");
  c.Certificados().SetSenha("1234");
  TDFeSSL& s = nfe.SSL();
  EXPECT_EQ(s.SSLCryptLib(), cryOpenSSL);
  EXPECT_EQ(s.SSLHttpLib(), httpOpenSSL);
  EXPECT_EQ(s.SSLXmlSignLib(), xsLibXml2);
  EXPECT_EQ(s.ProxyHost(), "proxy.local");
  EXPECT_EQ(s.ProxyPort(), "3128");
  EXPECT_EQ(s.ProxyUser(), "eu");
  EXPECT_EQ(s.ProxyPass(), "segredo");
  EXPECT_EQ(s.TimeOut(), 12000);
  EXPECT_TRUE(s.TimeOutPorThread());
  EXPECT_EQ(s.SSLType(), LT_TLSv1_2);
  EXPECT_EQ(s.ArquivoPFX(), "/x/cert.pfx");
  EXPECT_EQ(s.NumeroSerie(), "ABCD");
  EXPECT_EQ(s.Senha(), "1234");
  EXPECT_EQ(s.NameSpaceURI(), "http://www.portalfiscal.inf.br/nfe");
}

TEST(Configuracoes, RefusedSigningLibraryIsNotRecordedEither) {
  TTuimNFe nfe;
  auto& g = nfe.Configuracoes().Geral();
  g.SetSSLXmlSignLib(xsLibXml2);
  EXPECT_THROW(g.SetSSLXmlSignLib(xsXmlSec), ETuimDFeException);
  EXPECT_EQ(g.SSLXmlSignLib(), xsLibXml2);
  EXPECT_EQ(nfe.SSL().SSLXmlSignLib(), xsLibXml2);
}

// The facade drops in-memory data when file or serial change; copying a whole source must not.
TEST(Configuracoes, CopyKeepsTheInMemoryCertificateGivenWithAFile) {
  TConfiguracoesNFe src;
  std::string dados("PFX\0bytes", 9);
  src.Certificados().SetOrigem({"/a/cert.pfx", dados, "0a 1b", "pw"});
  TTuimNFe nfe;
  nfe.Configuracoes().CopiarDe(src);
  const auto& c = nfe.Configuracoes().Certificados();
  EXPECT_EQ(c.DadosPFX(), dados);
  EXPECT_EQ(c.ArquivoPFX(), "/a/cert.pfx");
  EXPECT_EQ(c.NumeroSerie(), "0A1B");
  EXPECT_EQ(c.Senha(), "pw");
  EXPECT_EQ(nfe.SSL().DadosPFX(), dados);
  EXPECT_EQ(nfe.SSL().ArquivoPFX(), "/a/cert.pfx");
  EXPECT_EQ(nfe.SSL().NumeroSerie(), "0A1B");
  EXPECT_EQ(nfe.SSL().Senha(), "pw");
}

TEST(Configuracoes, NodeFollowsTheFacadeWhenAFileReplacesInMemoryData) {
  TTuimNFe nfe;
  auto& c = nfe.Configuracoes().Certificados();
  c.SetDadosPFX("bytes");
  c.SetArquivoPFX("/b.pfx");
  EXPECT_EQ(c.DadosPFX(), "");
  EXPECT_EQ(nfe.SSL().DadosPFX(), "");
}

TEST(Configuracoes, CopyTakesYearFolderIndentationAndValidityCheck) {
  TConfiguracoesNFe src;
  src.Arquivos().SetSepararPorAno(true);
  src.Geral().SetIdentarXML(true);
  src.Certificados().SetVerificarValidade(false);
  TConfiguracoesNFe dst;
  dst.CopiarDe(src);
  EXPECT_TRUE(dst.Arquivos().SepararPorAno());
  EXPECT_TRUE(dst.Geral().IdentarXML());
  EXPECT_FALSE(dst.Certificados().VerificarValidade());
}

TEST(Configuracoes, CopyTakesTheListedPropertiesAndTheNFeFolders) {
  TConfiguracoesNFe src;
  src.Geral().SetSSLLib(libOpenSSL);
  src.Geral().SetFormaEmissao(teSVCAN);
  src.Geral().SetModeloDF(moNFCe);
  src.WebServices().SetUF("MT");
  src.WebServices().SetTentativas(9);
  src.WebServices().SetParams({"[X]", "a=b"});
  src.WebServices().TimeZoneConf().SetModoDeteccao(tzManual);
  src.WebServices().TimeZoneConf().SetTimeZoneStr("-04:00");
  src.Arquivos().OrdenacaoPath().Add(opData);
  src.Arquivos().OrdenacaoPath().Add(opCNPJ);
  src.Arquivos().SetSepararPorDia(true);
  src.Arquivos().SetPathNFe("/nfe");
  src.Arquivos().SetPathInu("/inu");
  src.Arquivos().SetPathEvento("/evento");
  src.Arquivos().SetPathArquivoMunicipios("/municipios.txt");
  src.Arquivos().SetEmissaoPathNFe(true);
  src.Arquivos().SetSalvarEvento(true);
  src.Arquivos().SetSalvarApenasNFeProcessadas(true);
  src.Arquivos().SetNormatizarMunicipios(true);
  src.RespTec().SetIdCSRT(7);
  src.RespTec().SetCSRT("token");
  TConfiguracoesNFe dst;
  dst.Arquivos().OrdenacaoPath().Add(opLiteral);
  dst.CopiarDe(src);
  EXPECT_EQ(dst.Geral().SSLLib(), libOpenSSL);
  EXPECT_EQ(dst.Geral().FormaEmissao(), teSVCAN);
  EXPECT_EQ(dst.Geral().ModeloDF(), moNFCe);
  EXPECT_EQ(dst.WebServices().UF(), "MT");
  EXPECT_EQ(dst.WebServices().UFCodigo(), 51);
  EXPECT_EQ(dst.WebServices().Tentativas(), 9);
  EXPECT_EQ(dst.WebServices().Params(), (std::vector<std::string>{"[X]", "a=b"}));
  EXPECT_EQ(dst.WebServices().TimeZoneConf().ModoDeteccao(), tzManual);
  EXPECT_EQ(dst.WebServices().TimeZoneConf().TimeZoneStr(), "-04:00");
  EXPECT_EQ(dst.Arquivos().OrdenacaoPath().Tags(), (std::vector<TTagOrdenacaoPath>{opData, opCNPJ}));
  EXPECT_TRUE(dst.Arquivos().SepararPorDia());
  EXPECT_TRUE(dst.Arquivos().SepararPorMes());
  // The design copied the base node only, which sent a copy's documents to other folders.
  EXPECT_EQ(dst.Arquivos().PathNFe(), "/nfe");
  EXPECT_EQ(dst.Arquivos().PathInu(), "/inu");
  EXPECT_EQ(dst.Arquivos().PathEvento(), "/evento");
  EXPECT_EQ(dst.Arquivos().PathArquivoMunicipios(), "/municipios.txt");
  EXPECT_TRUE(dst.Arquivos().EmissaoPathNFe());
  EXPECT_TRUE(dst.Arquivos().SalvarEvento());
  EXPECT_TRUE(dst.Arquivos().SalvarApenasNFeProcessadas());
  EXPECT_TRUE(dst.Arquivos().NormatizarMunicipios());
  EXPECT_EQ(dst.RespTec().IdCSRT(), 7);
  EXPECT_EQ(dst.RespTec().CSRT(), "token");
}

// ---- INI ----------------------------------------------------------------------------------

// Every value of the general node away from its default.
void PreencherGeralNaoPadrao(TGeralConfNFe& g) {
  g.SetSSLCryptLib(cryOpenSSL);
  g.SetSSLHttpLib(httpOpenSSL);
  g.SetSSLXmlSignLib(xsNone);
  g.SetFormaEmissao(teOffLine);
  g.SetSalvar(false);
  g.SetExibirErroSchema(false);
  g.SetFormatoAlerta("%TAG% -> %MSG%");
  g.SetRetirarAcentos(false);
  g.SetRetirarEspacos(false);
  g.SetIdentarXML(true);
  g.SetValidarDigest(false);
  g.SetModeloDF(moNFCe);
  g.SetVersaoDF(ve310);
  g.SetAtualizarXMLCancelado(true);
  g.SetIdCSC("2");
  g.SetCSC("0123456789ABCDEF");
  g.SetVersaoQRCode(veqr100);
  g.SetCamposFatObrigatorios(false);
  g.SetForcarGerarTagRejeicao938(fgtSempre);
  g.SetPacoteSchemas(psPL010e);
}

void PreencherNaoPadrao(TConfiguracoesNFe& c, const std::string& dados) {
  PreencherGeralNaoPadrao(c.Geral());

  auto& w = c.WebServices();
  w.SetUF("MT");
  w.TimeZoneConf().SetModoDeteccao(tzManual);
  w.TimeZoneConf().SetTimeZoneStr("-04:00");
  w.SetProxyHost("proxy.example");
  w.SetProxyPort("8080");
  w.SetProxyUser("usuário");
  w.SetProxyPass(std::string("p\x01ss=\r\nçx"));
  w.SetAmbiente(taProducao);
  w.SetSalvar(true);
  w.SetTimeOut(15000);
  w.SetTimeOutPorThread(true);
  w.SetVisualizar(true);
  w.SetAjustaAguardaConsultaRet(true);
  w.SetAguardarConsultaRet(4000000000u);
  w.SetIntervaloTentativas(2500);
  w.SetTentativas(8);
  w.SetRetentativasTransmissao(1);
  w.SetTamanhoMaximoResposta(65536);
  w.SetArquivoCA("/etc/icp-brasil/raizes.pem");
  w.SetSSLType(LT_TLSv1_2);
  w.SetQuebradeLinha(";");

  c.Certificados().SetOrigem({"/certs/loja.pfx", dados, "0A1B", "senha=ç;1"});
  c.Certificados().SetVerificarValidade(false);

  auto& a = c.Arquivos();
  a.SetPathSalvar("/tmp/salvar/");
  a.SetPathSchemas("/tmp/schemas/");
  a.SetIniServicos("/tmp/servicos.ini");
  a.SetSalvar(false);
  a.SetAdicionarLiteral(true);
  a.SetSepararPorCNPJ(true);
  a.SetSepararPorModelo(true);
  a.SetSepararPorAno(true);
  a.SetSepararPorDia(true);
  a.DownloadDFe().SetPathDownload("/tmp/down");
  a.DownloadDFe().SetSepararPorNome(true);
  a.SetSalvarEvento(true);
  a.SetSalvarApenasNFeProcessadas(true);
  a.SetEmissaoPathNFe(true);
  a.SetNormatizarMunicipios(true);
  a.SetPathNFe("/tmp/nfe");
  a.SetPathInu("/tmp/inu");
  a.SetPathEvento("/tmp/evento");
  a.SetPathArquivoMunicipios("/tmp/mun");

  c.RespTec().SetIdCSRT(3);
  c.RespTec().SetCSRT("G8063VRTNDMO886SFNK5LDUDEI24XJ22YIPO");
}

void ConferirGeralNaoPadrao(const TGeralConfNFe& g) {
  EXPECT_EQ(g.SSLCryptLib(), cryOpenSSL);
  EXPECT_EQ(g.SSLHttpLib(), httpOpenSSL);
  EXPECT_EQ(g.SSLXmlSignLib(), xsNone);
  EXPECT_EQ(g.SSLLib(), libCustom);
  EXPECT_EQ(g.FormaEmissao(), teOffLine);
  EXPECT_FALSE(g.Salvar());
  EXPECT_FALSE(g.ExibirErroSchema());
  EXPECT_EQ(g.FormatoAlerta(), "%TAG% -> %MSG%");
  EXPECT_FALSE(g.RetirarAcentos());
  EXPECT_FALSE(g.RetirarEspacos());
  EXPECT_TRUE(g.IdentarXML());
  EXPECT_FALSE(g.ValidarDigest());
  EXPECT_EQ(g.ModeloDF(), moNFCe);
  EXPECT_EQ(g.ModeloDFCodigo(), 65);
  EXPECT_EQ(g.VersaoDF(), ve310);
  EXPECT_TRUE(g.AtualizarXMLCancelado());
  EXPECT_EQ(g.IdCSC(), "000002");
  EXPECT_EQ(g.CSC(), "0123456789ABCDEF");
  EXPECT_EQ(g.VersaoQRCode(), veqr100);
  EXPECT_FALSE(g.CamposFatObrigatorios());
  EXPECT_EQ(g.ForcarGerarTagRejeicao938(), fgtSempre);
  EXPECT_EQ(g.PacoteSchemas(), psPL010e);
}

void ConferirNaoPadrao(TConfiguracoesNFe& c, const std::string& dados) {
  ConferirGeralNaoPadrao(c.Geral());

  auto& w = c.WebServices();
  EXPECT_EQ(w.UF(), "MT");
  EXPECT_EQ(w.UFCodigo(), 51);
  EXPECT_EQ(w.TimeZoneConf().ModoDeteccao(), tzManual);
  EXPECT_EQ(w.TimeZoneConf().TimeZoneStr(), "-04:00");
  EXPECT_EQ(w.ProxyHost(), "proxy.example");
  EXPECT_EQ(w.ProxyPort(), "8080");
  EXPECT_EQ(w.ProxyUser(), "usuário");
  EXPECT_EQ(w.ProxyPass(), std::string("p\x01ss=\r\nçx"));
  EXPECT_EQ(w.Ambiente(), taProducao);
  EXPECT_TRUE(w.Salvar());
  EXPECT_EQ(w.TimeOut(), 15000);
  EXPECT_TRUE(w.TimeOutPorThread());
  EXPECT_TRUE(w.Visualizar());
  EXPECT_TRUE(w.AjustaAguardaConsultaRet());
  EXPECT_EQ(w.AguardarConsultaRet(), 4000000000u);
  EXPECT_EQ(w.IntervaloTentativas(), 2500u);
  EXPECT_EQ(w.Tentativas(), 8);
  EXPECT_EQ(w.RetentativasTransmissao(), 1);
  EXPECT_EQ(w.TamanhoMaximoResposta(), 65536u);
  EXPECT_EQ(w.ArquivoCA(), "/etc/icp-brasil/raizes.pem");
  EXPECT_EQ(w.SSLType(), LT_TLSv1_2);
  EXPECT_EQ(w.QuebradeLinha(), ";");

  auto& ce = c.Certificados();
  EXPECT_EQ(ce.ArquivoPFX(), "/certs/loja.pfx");
  EXPECT_EQ(ce.DadosPFX(), dados);
  EXPECT_EQ(ce.NumeroSerie(), "0A1B");
  EXPECT_EQ(ce.Senha(), "senha=ç;1");
  EXPECT_FALSE(ce.VerificarValidade());

  auto& a = c.Arquivos();
  EXPECT_EQ(a.PathSalvar(), "/tmp/salvar/");
  EXPECT_EQ(a.PathSchemas(), "/tmp/schemas/");
  EXPECT_EQ(a.IniServicos(), "/tmp/servicos.ini");
  EXPECT_FALSE(a.Salvar());
  EXPECT_TRUE(a.AdicionarLiteral());
  EXPECT_TRUE(a.SepararPorCNPJ());
  EXPECT_TRUE(a.SepararPorModelo());
  EXPECT_TRUE(a.SepararPorAno());
  EXPECT_TRUE(a.SepararPorMes());
  EXPECT_TRUE(a.SepararPorDia());
  EXPECT_EQ(a.DownloadDFe().PathDownload(), "/tmp/down");
  EXPECT_TRUE(a.DownloadDFe().SepararPorNome());
  EXPECT_TRUE(a.SalvarEvento());
  EXPECT_TRUE(a.SalvarApenasNFeProcessadas());
  EXPECT_TRUE(a.EmissaoPathNFe());
  EXPECT_TRUE(a.NormatizarMunicipios());
  EXPECT_EQ(a.PathNFe(), "/tmp/nfe");
  EXPECT_EQ(a.PathInu(), "/tmp/inu");
  EXPECT_EQ(a.PathEvento(), "/tmp/evento");
  EXPECT_EQ(a.PathArquivoMunicipios(), "/tmp/mun");

  EXPECT_EQ(c.RespTec().IdCSRT(), 3);
  EXPECT_EQ(c.RespTec().CSRT(), "G8063VRTNDMO886SFNK5LDUDEI24XJ22YIPO");
}

TEST(Configuracoes, CopyTakesEveryValueOfTheNFeGeneralNode) {
  TConfiguracoesNFe src;
  PreencherGeralNaoPadrao(src.Geral());
  TConfiguracoesNFe dst;
  dst.CopiarDe(src);
  ConferirGeralNaoPadrao(dst.Geral());
}

TEST(Configuracoes, CopyKeepsAnUnsetCSCIdentifierUnset) {
  TConfiguracoesNFe src;
  TConfiguracoesNFe dst;
  dst.Geral().SetIdCSC("7");
  dst.CopiarDe(src);
  EXPECT_EQ(dst.Geral().IdCSC(), "");
}

TEST(Configuracoes, NFeGeneralNodeCopiedFromABaseNodeKeepsItsOwnValues) {
  TConfiguracoes base;
  base.Geral().SetIdentarXML(true);
  TConfiguracoesNFe dst;
  PreencherGeralNaoPadrao(dst.Geral());
  dst.Geral().SetIdentarXML(false);
  dst.Geral().CopiarDe(base.Geral());
  EXPECT_TRUE(dst.Geral().IdentarXML());
  EXPECT_EQ(dst.Geral().PacoteSchemas(), psPL010e);
  EXPECT_EQ(dst.Geral().VersaoQRCode(), veqr100);
  EXPECT_EQ(dst.Geral().IdCSC(), "000002");
}

std::string TodosOsBytes() {
  std::string s;
  for (int i = 0; i < 256; ++i) s += static_cast<char>(i);
  return s + std::string(3, '\0');
}

class IniIdaEVolta : public ::testing::TestWithParam<const char*> {};
TEST_P(IniIdaEVolta, FullyNonDefaultTreeComesBackThroughTheFile) {
  PastaTemporaria t;
  const std::string dados = TodosOsBytes();
  TConfiguracoesNFe a;
  a.SetChaveCriptIni(GetParam());
  PreencherNaoPadrao(a, dados);
  TTuimIni ini;
  a.SalvarIni(ini);
  ini.SaveToFile(t / "conf.ini");

  TTuimIni lido(t / "conf.ini");
  TConfiguracoesNFe b;
  b.SetChaveCriptIni(GetParam());
  b.CarregarIni(lido);
  ConferirNaoPadrao(b, dados);
}
INSTANTIATE_TEST_SUITE_P(Config, IniIdaEVolta, ::testing::Values("", "chave-de-teste", "k"));

TEST(Ini, RoundTripIntoAnOwnedComponentReachesTheFacade) {
  const std::string dados = TodosOsBytes();
  TConfiguracoesNFe a;
  PreencherNaoPadrao(a, dados);
  TTuimIni ini;
  a.SalvarIni(ini);
  TTuimNFe nfe;
  nfe.Configuracoes().CarregarIni(ini);
  ConferirNaoPadrao(nfe.Configuracoes(), dados);
  EXPECT_EQ(nfe.SSL().DadosPFX(), dados);
  EXPECT_EQ(nfe.SSL().ArquivoPFX(), "/certs/loja.pfx");
  EXPECT_EQ(nfe.SSL().Senha(), "senha=ç;1");
  EXPECT_EQ(nfe.SSL().ProxyPass(), std::string("p\x01ss=\r\nçx"));
  EXPECT_EQ(nfe.SSL().TimeOut(), 15000);
}

TEST(Ini, SectionsAndKeysComeInTheirOrder) {
  TConfiguracoesNFe c;
  TTuimIni ini;
  c.SalvarIni(ini);
  EXPECT_EQ(ini.ReadSections(), (std::vector<std::string>{"DFe", "NFe", "Proxy"}));
  EXPECT_EQ(ini.ReadSection("DFe"),
            (std::vector<std::string>{"SSLCryptLib", "SSLHttpLib", "SSLXmlSignLib", "UF", "TimeZone.Modo",
                                      "TimeZone.Str", "ArquivoPFX", "DadosPFX", "Senha", "NumeroSerie",
                                      "VerificarValidade"}));
  EXPECT_EQ(ini.ReadSection("Proxy"), (std::vector<std::string>{"Servidor", "Porta", "Usuario", "Senha"}));
  EXPECT_EQ(ini.ReadSection("NFe"),
            (std::vector<std::string>{
                "FormaEmissao", "SalvarGer", "ExibirErroSchema", "FormatoAlerta", "RetirarAcentos", "RetirarEspacos",
                "IdentarXML", "ValidarDigest", "IdCSC", "CSC", "ModeloDF", "VersaoDF", "AtualizarXMLCancelado",
                "VersaoQRCode", "CamposFatObrigatorios", "TagNT2018005", "Ambiente", "SalvarWS", "Timeout",
                "TimeoutPorThread", "ManterConexao", "Visualizar", "AjustaAguardaConsultaRet",
                "AguardarConsultaRet", "IntervaloTentativas", "Tentativas", "RetentativasTransmissao",
                "TamanhoMaximoResposta", "ArquivoCA", "SSLType", "QuebradeLinha", "PathSalvar", "PathSchemas",
                "IniServicos", "SalvarArq", "AdicionarLiteral", "SepararPorCNPJ", "SepararPorModelo", "SepararPorAno",
                "SepararPorMes", "SepararPorDia", "Download.PathDownload", "Download.SepararPorNome", "SalvarEvento",
                "SalvarApenasNFeProcessadas", "EmissaoPathNFe", "NormatizarMunicipios", "PathNFe", "PathInu",
                "PathEvento", "PathArquivoMunicipios", "IdCSRT", "CSRT"}));
}

TEST(Ini, SendingSettingsHaveSafeDefaults) {
  TConfiguracoesNFe c;
  EXPECT_EQ(c.WebServices().RetentativasTransmissao(), 3);
  EXPECT_EQ(c.WebServices().TamanhoMaximoResposta(), 16u * 1024u * 1024u);
  EXPECT_EQ(c.WebServices().ArquivoCA(), "");
  c.WebServices().SetRetentativasTransmissao(-4);
  EXPECT_EQ(c.WebServices().RetentativasTransmissao(), 0);
  c.WebServices().SetTamanhoMaximoResposta(0);
  EXPECT_EQ(c.WebServices().TamanhoMaximoResposta(), 16u * 1024u * 1024u);
}

TEST(Ini, BaseRootWithoutSectionWritesOnlyTheSharedSections) {
  TConfiguracoes c;
  TTuimIni ini;
  c.SalvarIni(ini);
  EXPECT_EQ(ini.ReadSections(), (std::vector<std::string>{"DFe", "Proxy"}));
}

// Worked values: XOR by hand, Base64 by the coreutils `base64` tool.
TEST(Ini, SecretsAreWrittenAsTheirEncodings) {
  TConfiguracoesNFe c;
  c.WebServices().SetProxyHost("h");
  c.WebServices().SetProxyPass("abc");  // 61 62 63 ^ 68 = 09 0A 0B
  c.Certificados().SetSenha("1234");
  c.Certificados().SetDadosPFX(std::string("\x00\x6B\xFF", 3));
  c.Geral().SetIdCSC("5");
  c.Geral().SetCSC("TOKEN");
  c.RespTec().SetCSRT("CSRT1");
  TTuimIni ini;
  c.SalvarIni(ini);
  EXPECT_EQ(ini.ReadString("Proxy", "Senha", ""), "CQoL");
  EXPECT_EQ(ini.ReadString("DFe", "Senha", ""), "MTIzNA==");  // no key: plain Base64
  EXPECT_EQ(ini.ReadString("NFe", "IdCSC", ""), "000005");
  EXPECT_EQ(ini.ReadString("NFe", "CSC", ""), "TOKEN");
  EXPECT_EQ(ini.ReadString("NFe", "CSRT", ""), "CSRT1");

  c.SetChaveCriptIni("k");  // 6B: 00 6B FF ^ 6B = 6B 00 94
  TTuimIni cifrado;
  c.SalvarIni(cifrado);
  EXPECT_EQ(cifrado.ReadString("DFe", "DadosPFX", ""), "awCU");
}

TEST(Ini, ProxyPasswordKeyFallsBackToTheHostJustRead) {
  TTuimIni ini;
  ini.WriteString("Proxy", "Servidor", "h");
  ini.WriteString("Proxy", "Senha", "CQoL");
  TConfiguracoesNFe c;
  c.SetChaveCriptIni("   ");
  c.CarregarIni(ini);
  EXPECT_EQ(c.WebServices().ProxyHost(), "h");
  EXPECT_EQ(c.WebServices().ProxyPass(), "abc");
}

TEST(Ini, AbsentSecretKeysLeaveTheCurrentValues) {
  TConfiguracoesNFe c;
  c.SetChaveCriptIni("chave");
  c.WebServices().SetProxyHost("h");
  c.WebServices().SetProxyPass("proxy-secreto");
  c.Certificados().SetSenha("1234");
  c.Certificados().SetDadosPFX("dados");
  TTuimIni ini;
  ini.WriteString("DFe", "UF", "RS");
  c.CarregarIni(ini);
  EXPECT_EQ(c.WebServices().UF(), "RS");
  EXPECT_EQ(c.WebServices().ProxyPass(), "proxy-secreto");
  EXPECT_EQ(c.Certificados().Senha(), "1234");
  EXPECT_EQ(c.Certificados().DadosPFX(), "dados");
}

TEST(Ini, EmptyFileLeavesTheWholeTreeAsItWas) {
  const std::string dados = TodosOsBytes();
  TConfiguracoesNFe c;
  PreencherNaoPadrao(c, dados);
  TTuimIni vazio;
  c.CarregarIni(vazio);
  ConferirNaoPadrao(c, dados);
}

TEST(Ini, OrdinalOutsideTheEnumerationIsNotApplied) {
  TTuimIni ini;
  ini.WriteString("DFe", "SSLCryptLib", "9");
  ini.WriteString("NFe", "ModeloDF", "-1");
  TConfiguracoesNFe c;
  c.CarregarIni(ini);
  EXPECT_EQ(c.Geral().SSLCryptLib(), cryNone);
  EXPECT_EQ(c.Geral().ModeloDF(), moNFe);
}

TEST(Ini, DefaultTreeComesBackUnchanged) {
  TConfiguracoesNFe a;
  TTuimIni ini;
  a.SalvarIni(ini);
  TConfiguracoesNFe b;
  b.CarregarIni(ini);
  TTuimIni de_novo;
  b.SalvarIni(de_novo);
  EXPECT_EQ(de_novo.Text(), ini.Text());
  EXPECT_EQ(b.Geral().IdCSC(), "");
}

TEST(Ini, OrderingListIsNotStored) {
  TConfiguracoesNFe a;
  a.Arquivos().OrdenacaoPath().Add(opCNPJ);
  TTuimIni ini;
  a.SalvarIni(ini);
  EXPECT_EQ(ini.Text().find("Ordenacao"), std::string::npos);
}

}  // namespace

namespace {

// A PKCS#12 made by the openssl tool for a company certificate "NAME:CNPJ".
bool CriarPfx(const PastaTemporaria& t, const std::string& cn) {
  std::string cmd = "cd '" + t.Path() + "' && openssl req -x509 -newkey rsa:2048 -nodes -keyout k.pem -out c.pem "
                    "-days 30 -subj '/CN=" + cn + "' >/dev/null 2>&1 && openssl pkcs12 -export -inkey k.pem -in c.pem "
                    "-out c.pfx -passout pass:1234 >/dev/null 2>&1";
  return std::system(cmd.c_str()) == 0;
}

TEST(MontarPath, EmptyCNPJTakesTheCertificatesOwn) {
  PastaTemporaria t;
  ASSERT_TRUE(CriarPfx(t, "EMPRESA TESTE:11222333000181"));
  TTuimNFe nfe;
  auto& c = nfe.Configuracoes();
  c.Geral().SetSSLLib(libOpenSSL);
  c.Certificados().SetArquivoPFX(t / "c.pfx");
  c.Certificados().SetSenha("1234");
  c.Arquivos().SetSepararPorCNPJ(true);
  EXPECT_EQ(c.Arquivos().MontarPath(t / "docs", "", "", 0, ""), t / "docs/11222333000181");
  // A CNPJ given by the caller wins over the certificate's.
  EXPECT_EQ(c.Arquivos().MontarPath(t / "docs", "", "99.888.777/0001-66", 0, ""), t / "docs/99888777000166");
}

}  // namespace
