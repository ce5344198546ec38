#include "component/TuimCatalogo.h"

#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <set>
#include <sstream>

#include "fiscal/TuimException.h"

using namespace tuim;

namespace {

const char* const kTexto =
    "; a comment line\n"
    "  [NFe_MT_P] ;updated\n"
    "NfeStatusServico_4.00 = https://mt/status4 \n"
    "NfeStatusServico_3.10=https://mt/status310\n"
    "NfeConsultaCadastro_2.00=https://mt/cad200\n"
    "RecepcaoEvento=https://mt/evento\n"
    "NfeStatusServico_4.00=https://mt/second-wins-never\n"
    "\n"
    "[NFe_OLD_P]\n"
    "NfeAutorizacao_3.10=https://old/aut310\n"
    "NfeAutorizacao_2.00=https://old/aut200\n"
    "NfeAutorizacao_3.10=https://old/aut310-second\n"
    "[NFe_MA_H]\r\n"
    "Usar=NFe_SVAN_H\r\n"
    "NfeConsultaCadastro_2.0=https://ma/cad2\r\n"
    "[NFe_SVAN_H]\n"
    "NfeStatusServico_4.00=https://svan/status4\n"
    "NfeConsultaCadastro=https://svan/cad\n"
    "[NFe_LOW_P]\n"
    "Usar=NFe_SVAN_H\n"
    "NfeStatusServico_4.00=https://low/status4\n"
    "[NFe_A_P]\n"
    "Usar=nfe_b_p\n"
    "[NFe_B_P]\n"
    "Usar=NFe_A_P\n"
    "[NFe_EMPTY_P]\n"
    "; only a comment\n"
    "[NFe_TOEMPTY_P]\n"
    "Usar=NFe_EMPTY_P\n"
    "[NFe_NOUSAR_P]\n"
    "Outro=x\n"
    "[NFe_WS_P]\n"
    "WSDL=WSDL_T\n"
    "SoapAction=SOAP_T\n"
    "NFeStatusServico_4.00=https://ws/status4\n"
    "bare key\n"
    "[WSDL_T]\n"
    "NfeStatusServico_4.00=http://ns/status4\n"
    "[SOAP_T]\n"
    "NfeStatusServico_3.10=http://ns/status4/action310\n";

class Catalogo : public ::testing::Test {
protected:
  void SetUp() override { c.Carregar(kTexto); }
  TCatalogoServicos c;
};

std::string Mensagem(const std::function<void()>& f) {
  try {
    f();
  } catch (const ETuimDFeException& e) {
    return e.what();
  }
  return "(no exception)";
}

}  // namespace

TEST_F(Catalogo, HeaderWithTrailingCommentOpensItsSection) {
  EXPECT_TRUE(c.SecaoPresente("NFe_MT_P"));
  EXPECT_TRUE(c.SecaoPresente("nfe_mt_p"));
  EXPECT_EQ(c.LerValor("NFE_MT_P", "nfestatusservico_4.00"), "https://mt/status4");
}

TEST_F(Catalogo, FirstKeyOfANameWinsAndBlanksAreTrimmed) {
  double v = 3.10;
  EXPECT_EQ(c.LerChaveVersionada("NFe_OLD_P", "NfeAutorizacao", v), "https://old/aut310");
  EXPECT_DOUBLE_EQ(v, 3.10);
}

TEST_F(Catalogo, SectionWithOnlyCommentsIsAbsent) {
  EXPECT_FALSE(c.SecaoPresente("NFe_EMPTY_P"));
  EXPECT_FALSE(c.SecaoPresente("NFe_NOWHERE_P"));
  EXPECT_TRUE(c.SecaoPresente("NFe_WS_P"));
  auto chaves = c.Chaves("NFe_WS_P");
  ASSERT_EQ(chaves.size(), 4u);
  EXPECT_EQ(chaves[3], "bare key");  // a line without "=" is a name without value
}

TEST_F(Catalogo, VersionedKeyFallsBackToTheHighestNotAboveTheRequest) {
  double v = 4.00;
  EXPECT_EQ(c.LerChaveVersionada("NFe_OLD_P", "NfeAutorizacao", v), "https://old/aut310");
  EXPECT_DOUBLE_EQ(v, 3.10);
  v = 3.00;
  EXPECT_EQ(c.LerChaveVersionada("NFe_OLD_P", "NfeAutorizacao", v), "https://old/aut200");
  EXPECT_DOUBLE_EQ(v, 2.00);
}

TEST_F(Catalogo, RequestBelowEveryKeyReadsTheUnversionedKey) {
  double v = 1.00;
  EXPECT_EQ(c.LerChaveVersionada("NFe_MT_P", "RecepcaoEvento", v), "https://mt/evento");
  EXPECT_DOUBLE_EQ(v, 0);
  v = 1.00;
  EXPECT_EQ(c.LerChaveVersionada("NFe_MT_P", "NfeStatusServico", v), "");
  EXPECT_DOUBLE_EQ(v, 0);
}

TEST_F(Catalogo, AbsentSectionLeavesTheVersion) {
  double v = 4.00;
  EXPECT_EQ(c.LerChaveVersionada("NFe_NOWHERE_P", "NfeStatusServico", v), "");
  EXPECT_DOUBLE_EQ(v, 4.00);
}

TEST_F(Catalogo, ShortVersionSuffixIsReadAsANumber) {
  auto r = c.LocalizarServico("NFe", "MA", false, "NfeConsultaCadastro", 2.00, "TuimNFeServicos");
  EXPECT_EQ(r.URL, "https://ma/cad2");
  EXPECT_DOUBLE_EQ(r.Versao, 2.0);
  EXPECT_TRUE(r.Visitadas.empty());
}

TEST_F(Catalogo, RedirectionStartsAgainWithTheRequestedVersion) {
  // NFe_LOW_P has only 4.00; asking for 3.10 finds nothing there and goes on with 3.10 in SVAN,
  // whose unversioned key answers.
  auto r = c.LocalizarServico("NFe", "LOW", true, "NfeConsultaCadastro", 3.10, "X");
  EXPECT_EQ(r.URL, "https://svan/cad");
  EXPECT_DOUBLE_EQ(r.Versao, 0);
  ASSERT_EQ(r.Visitadas.size(), 1u);
  EXPECT_EQ(r.Visitadas[0], "NFe_LOW_P");
}

TEST_F(Catalogo, NamespaceAndActionComeFromTheNamedSections) {
  auto r = c.LocalizarServico("NFe", "WS", true, "NfeStatusServico", 4.00, "X");
  EXPECT_EQ(r.URL, "https://ws/status4");
  EXPECT_EQ(r.Servico, "http://ns/status4");
  // The action read sees the working version left by the earlier reads and falls back to 3.10.
  EXPECT_EQ(r.SoapAction, "http://ns/status4/action310");
  EXPECT_DOUBLE_EQ(r.Versao, 3.10);
}

TEST_F(Catalogo, LookupErrorsCarryTheirExactTexts) {
  EXPECT_EQ(Mensagem([&] { c.LocalizarServico("", "MT", true, "NfeStatusServico", 4, "TuimNFeServicos"); }),
            "ModeloDFe não pode ser vazio");
  EXPECT_EQ(Mensagem([&] { c.LocalizarServico("NFe", "", true, "NfeStatusServico", 4, "TuimNFeServicos"); }),
            "UF não pode ser vazia");
  EXPECT_EQ(Mensagem([&] { c.LocalizarServico("NFe", "A", true, "NfeStatusServico", 4, "TuimNFeServicos"); }),
            "Redirecionamento circular detectado: Sessão \"NFe_A_P\" no arquivo \"TuimNFeServicos\"");
  EXPECT_EQ(Mensagem([&] { c.LocalizarServico("NFe", "TOEMPTY", true, "NfeStatusServico", 4, "TuimNFeServicos"); }),
            "Sessão \"NFe_EMPTY_P\", não encontrada no arquivo \"TuimNFeServicos\"");
  EXPECT_EQ(Mensagem([&] { c.LocalizarServico("NFe", "NOUSAR", true, "NfeStatusServico", 4, "TuimNFeServicos"); }),
            "URL para o serviço \"NfeStatusServico\" não encontrada na sessão \"NFe_NOUSAR_P\" no arquivo "
            "\"TuimNFeServicos\"");
}

TEST_F(Catalogo, SectionsDifferingOnlyInCaseAreOneForTheLoopCheck) {
  // NFe_A_P sends to "nfe_b_p", which sends back to NFe_A_P: the second visit of A is the loop.
  try {
    c.LocalizarServico("NFe", "A", true, "Nada", 4, "R");
    FAIL();
  } catch (const ETuimDFeException& e) {
    EXPECT_NE(std::string(e.what()).find("\"NFe_A_P\""), std::string::npos);
  }
}

TEST_F(Catalogo, ReloadReplacesTheContent) {
  c.Carregar("[NFe_MT_P]\nNfeStatusServico_4.00=https://new\n");
  EXPECT_EQ(c.LerValor("NFe_MT_P", "NfeStatusServico_4.00"), "https://new");
  EXPECT_FALSE(c.SecaoPresente("NFe_SVAN_H"));
}

TEST(CatalogoVersao, TextHasAPointAndTwoDecimals) {
  EXPECT_EQ(FormatarVersaoCatalogo(4), "4.00");
  EXPECT_EQ(FormatarVersaoCatalogo(1.01), "1.01");
  EXPECT_EQ(FormatarVersaoCatalogo(3.1), "3.10");
  EXPECT_EQ(FormatarVersaoCatalogo(0), "0.00");
  EXPECT_DOUBLE_EQ(LerVersaoCatalogo("3,10"), 3.10);
  EXPECT_DOUBLE_EQ(LerVersaoCatalogo("2.0"), 2.0);
  EXPECT_DOUBLE_EQ(LerVersaoCatalogo("4.00"), 4.0);
  EXPECT_DOUBLE_EQ(LerVersaoCatalogo("x"), 0);
  EXPECT_DOUBLE_EQ(LerVersaoCatalogo("1.0.0"), 0);
  EXPECT_DOUBLE_EQ(LerVersaoCatalogo(""), 0);
}

// ---- The embedded catalogue against the published address list ----

namespace {

struct Linha {
  std::string model, authority, environment, service, operation, url;
};

std::vector<Linha> LerCSV() {
  std::ifstream f(TUIM_SOURCE_DIR "/component/sefaz-endpoints.csv");
  std::vector<Linha> r;
  std::string l;
  std::getline(f, l);  // header
  while (std::getline(f, l)) {
    if (!l.empty() && l.back() == '\r') l.pop_back();
    std::vector<std::string> c;
    std::stringstream ss(l);
    std::string x;
    while (std::getline(ss, x, ',')) c.push_back(x);
    while (c.size() < 8) c.push_back("");
    r.push_back({c[0], c[1], c[2], c[3], c[4], c[7]});
  }
  return r;
}

const char* const kEstados[] = {"AC", "AL", "AM", "AP", "BA", "CE", "DF", "ES", "GO", "MA", "MG", "MS", "MT", "PA",
                                "PB", "PE", "PI", "PR", "RJ", "RN", "RO", "RR", "RS", "SC", "SE", "SP", "TO"};

class Embutido : public ::testing::Test {
protected:
  void SetUp() override { c.Carregar(TextoServicosEmbutido()); }
  TCatalogoServicos c;
};

}  // namespace

TEST_F(Embutido, HasTheSectionsOfEveryStateAndAuthority) {
  auto secoes = c.Secoes();
  EXPECT_EQ(secoes.size(), 126u);
  std::set<std::string> nomes(secoes.begin(), secoes.end());
  EXPECT_EQ(nomes.size(), 126u);
  for (const char* uf : kEstados)
    for (const char* m : {"NFe", "NFCe"})
      for (const char* e : {"P", "H"}) EXPECT_TRUE(nomes.count(std::string(m) + "_" + uf + "_" + e)) << m << uf << e;
  for (const char* a : {"NFe_SVAN", "NFe_SVRS", "NFe_SVC-AN", "NFe_SVC-RS", "NFe_AN", "NFCe_SVAN", "NFCe_SVRS"})
    for (const char* e : {"_P", "_H"}) EXPECT_TRUE(nomes.count(std::string(a) + e)) << a << e;
  for (const char* n : {"WSDL_V4", "SOAP_V4", "WSDL_V4_SP", "SOAP_V4_SP"}) {
    EXPECT_TRUE(nomes.count(n));
    EXPECT_EQ(c.Chaves(n).size(), 7u) << n;
  }
  EXPECT_FALSE(c.SecaoPresente("NFCe_SVAN_P"));
  EXPECT_EQ(TextoServicosEmbutido().rfind(";;;;;;;;;;;;;; ENDERECOS DA NFe ;;;;;;;;;;;;;;;;", 0), 0u);
}

TEST_F(Embutido, MatoGrossoStatusIsDirect) {
  auto r = c.LocalizarServico("NFe", "MT", true, "NfeStatusServico", 4.00, "TuimNFeServicos");
  EXPECT_EQ(r.URL, "https://nfe.sefaz.mt.gov.br/nfews/v2/services/NfeStatusServico4");
  EXPECT_DOUBLE_EQ(r.Versao, 4.00);
  EXPECT_TRUE(r.Visitadas.empty());
}

TEST_F(Embutido, AcreIsServedBySVRS) {
  auto r = c.LocalizarServico("NFe", "AC", false, "NfeAutorizacao", 4.00, "TuimNFeServicos");
  EXPECT_EQ(r.URL, c.LerValor("NFe_SVRS_H", "NfeAutorizacao_4.00"));
  EXPECT_FALSE(r.URL.empty());
  ASSERT_EQ(r.Visitadas.size(), 1u);
  EXPECT_EQ(r.Visitadas[0], "NFe_AC_H");
}

TEST_F(Embutido, NFCeHasNoContingencySections) {
  EXPECT_EQ(Mensagem([&] { c.LocalizarServico("NFCe", "SVC-AN", true, "NfeAutorizacao", 4, "TuimNFeServicos"); }),
            "Sessão \"NFCe_SVC-AN_P\", não encontrada no arquivo \"TuimNFeServicos\"");
}

TEST_F(Embutido, QRCodeWithVersionZeroReadsTheUnversionedKey) {
  double v = 0;
  EXPECT_EQ(c.LerChaveVersionada("NFCe_MT_P", "URL-QRCode", v), "http://www.sefaz.mt.gov.br/nfce/consultanfce");
  EXPECT_DOUBLE_EQ(v, 0);
}

// Every published address is the answer of the lookup that a service call of that model, state,
// environment and service makes, and states without own services reach their shared authority.
TEST_F(Embutido, EveryPublishedAddressIsReachable) {
  const std::map<std::string, std::string> servico = {
      {"NfeStatusServico", "NfeStatusServico"},     {"NfeAutorizacao", "NfeAutorizacao"},
      {"NfeRetAutorizacao", "NfeRetAutorizacao"},   {"NfeConsultaProtocolo", "NfeConsultaProtocolo"},
      {"NfeInutilizacao", "NfeInutilizacao"},       {"RecepcaoEvento", "RecepcaoEvento"},
      {"NfeConsultaCadastro", "NfeConsultaCadastro"}, {"NfeDistribuicaoDFe", "NFeDistribuicaoDFe"},
      {"NfeConsultaDest", "NfeConsultaDest"},       {"NfeDownloadNF", "NfeDownloadNF"},
      {"CscNFCe", "AdministrarCSCNFCe"},            {"NfeConsultaQR", "URL-QRCode"},
      {"ConsultaNFCe", "URL-ConsultaNFCe"}};
  int checked = 0;
  std::set<std::string> comServicos;  // model+authority with their own web services
  for (const auto& l : LerCSV()) {
    if (l.url.empty() || l.service == "EPECStatusServico" || l.service == "RecepcaoEPEC") continue;
    std::string modelo = l.model == "55" ? "NFe" : "NFCe";
    std::string uf = l.authority == "SVCAN" ? "SVC-AN" : l.authority == "SVCRS" ? "SVC-RS" : l.authority;
    bool producao = l.environment == "producao";
    if (l.service != "NfeConsultaQR" && l.service != "ConsultaNFCe") comServicos.insert(modelo + uf);
    double pedida = (l.service == "NfeConsultaQR" || l.service == "ConsultaNFCe") ? 2.00 : 4.00;
    auto r = c.LocalizarServico(modelo, uf, producao, servico.at(l.service), pedida, "TuimNFeServicos");
    EXPECT_EQ(r.URL, l.url) << modelo << " " << uf << " " << l.environment << " " << l.service;
    ++checked;
  }
  EXPECT_GT(checked, 380);
  // States without own services: every service of the shared authority answers through "Usar".
  for (const char* uf : kEstados)
    for (std::string modelo : {"NFe", "NFCe"}) {
      if (comServicos.count(modelo + uf)) continue;
      std::string shared = (modelo == "NFe" && std::string(uf) == "MA") ? "SVAN" : "SVRS";
      for (bool producao : {true, false}) {
        std::string alvo = modelo + "_" + shared + (producao ? "_P" : "_H");
        ASSERT_EQ(c.LerValor(modelo + "_" + uf + (producao ? "_P" : "_H"), "Usar"), alvo);
        for (const auto& chave : c.Chaves(alvo)) {
          auto p = chave.find('_');
          std::string nome = chave.substr(0, p);
          double v = LerVersaoCatalogo(chave.substr(p + 1));
          auto r = c.LocalizarServico(modelo, uf, producao, nome, v, "TuimNFeServicos");
          EXPECT_EQ(r.URL, c.LerValor(alvo, chave)) << modelo << uf << chave;
          EXPECT_DOUBLE_EQ(r.Versao, v);
          ++checked;
        }
      }
    }
  EXPECT_GT(checked, 600);
}

TEST_F(Embutido, EPECAddressesHaveTheirOwnKeys) {
  auto r = c.LocalizarServico("NFCe", "SP", true, "EventoEPEC", 1.00, "TuimNFeServicos");
  EXPECT_EQ(r.URL, "https://nfce.epec.fazenda.sp.gov.br/EPECws/RecepcaoEPEC.asmx");
  r = c.LocalizarServico("NFe", "AN", false, "RecepcaoEvento", 1.00, "TuimNFeServicos");
  EXPECT_EQ(r.URL, "https://hom.nfe.fazenda.gov.br/RecepcaoEvento/RecepcaoEvento.asmx");
  r = c.LocalizarServico("NFe", "AN", false, "RecepcaoEvento", 4.00, "TuimNFeServicos");
  EXPECT_EQ(r.URL, "https://hom1.nfe.fazenda.gov.br/NFeRecepcaoEvento4/NFeRecepcaoEvento4.asmx");
}

// ---- The component's catalogue: the external file first, loaded once ----

#include <filesystem>

#include "component/TuimNFe.h"

TEST(CatalogoComponente, ExternalFileTakesPrecedenceUntilAForcedReload) {
  namespace fs = std::filesystem;
  fs::path dir = fs::temp_directory_path() / ("tuim-catalogo-" + std::to_string(::getpid()));
  fs::create_directories(dir);
  fs::path arquivo = dir / "TuimNFeServicos.ini";
  {
    std::ofstream f(arquivo);
    f << "[NFe_MT_P]\nNfeStatusServico_4.00=https://externo/status\n";
  }
  TTuimNFe nfe;
  nfe.Configuracoes().Arquivos().SetIniServicos(arquivo.string());
  nfe.Configuracoes().Arquivos().SetPathSchemas(TUIM_SCHEMAS_DIR);
  auto url = [&] {
    double v = 4.00;
    std::string u, ns, action;
    nfe.LocalizarServico("NFe", "MT", taProducao, "NfeStatusServico", v, u, ns, action);
    return u;
  };
  EXPECT_EQ(url(), "https://externo/status");
  fs::remove(arquivo);
  EXPECT_EQ(url(), "https://externo/status");  // what was loaded stays until a forced reload
  nfe.Configuracoes().WebServices().Params().clear();
  nfe.CarregarCatalogo(false);
  EXPECT_EQ(url(), "https://nfe.sefaz.mt.gov.br/nfews/v2/services/NfeStatusServico4");  // the embedded text
  fs::remove_all(dir);
}
