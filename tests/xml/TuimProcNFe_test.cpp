#include "xml/TuimProcNFe.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <cctype>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "fiscal/TuimDateTime.h"
#include "NFeExemplos.h"
#include "fiscal/fscAuxiliar.h"

namespace tuim {
namespace {

namespace fs = std::filesystem;

const std::string kChave = "35240511222333000181650010000000011123456785";
const std::string kDecl = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>";
const std::string kAbreProc = "<nfeProc versao=\"4.00\" xmlns=\"http://www.portalfiscal.inf.br/nfe\">";

const std::string kNFe = "<NFe xmlns=\"http://www.portalfiscal.inf.br/nfe\"><infNFe versao=\"4.00\" Id=\"NFe" + kChave +
                         "\"><ide><natOp>VENDA</natOp></ide></infNFe>"
                         "<Signature xmlns=\"http://www.w3.org/2000/09/xmldsig#\"><SignedInfo/>"
                         "<SignatureValue>AA==</SignatureValue></Signature></NFe>";

std::string Prot(const std::string& chave, const std::string& nProt = "135240000000001") {
  return "<protNFe versao=\"4.00\"><infProt Id=\"ID" + nProt + "\"><tpAmb>2</tpAmb><verAplic>SP</verAplic><chNFe>" +
         chave + "</chNFe><dhRecbto>2024-05-10T10:20:35-03:00</dhRecbto><nProt>" + nProt +
         "</nProt><cStat>100</cStat><xMotivo>Autorizado o uso da NF-e</xMotivo></infProt></protNFe>";
}

// Alert line in the generator's default format, for alerts recorded outside any group.
std::string Alerta(const std::string& id, const std::string& tag, const std::string& descricao,
                   const std::string& msg) {
  return "TAG: ID:" + id + "/" + tag + "(" + descricao + ") - " + msg + ".";
}

class ProcNFe : public ::testing::Test {
protected:
  void SetUp() override {
    fuso.Assign(ConfiguracaoFusoHorario());
    // Offsets by the state table, so that results do not depend on the machine's zone.
    ConfiguracaoFusoHorario().SetModoDeteccao(tzFSC);
    pasta = fs::temp_directory_path() / ("tuim-procnfe-" + std::to_string(::getpid()) + "-" +
                                         ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::create_directories(pasta);
  }
  void TearDown() override {
    ConfiguracaoFusoHorario().Assign(fuso);
    std::error_code ec;
    fs::remove_all(pasta, ec);
  }
  std::string Arquivo(const std::string& nome, const std::string& conteudo) {
    fs::path p = pasta / nome;
    std::ofstream(p, std::ios::binary) << conteudo;
    return p.string();
  }
  // A protocol filled as an authorization answer would fill it.
  static void Autorizado(TProcNFe& p) {
    p.tpAmb = taHomologacao;
    p.verAplic = "SP_NFCE_PL_009_V400";
    p.dhRecbto = EncodeDateTime(2024, 5, 10, 10, 20, 35, 0);
    p.nProt = "135240000000001";
    p.digVal = "abc=";
    p.cStat = 100;
    p.xMotivo = "Autorizado o uso da NF-e";
    p.Versao = "4.00";
  }

  TTimeZoneConf fuso;
  fs::path pasta;
};

// ---- Direct mode ---------------------------------------------------------------------------

TEST_F(ProcNFe, DirectModeJoinsDocumentAndProtocolByteForByte) {
  TProcNFe p;
  p.XMLNFe = kDecl + kNFe;
  p.XMLProt = Prot(kChave);
  p.Versao = "4.00";
  ASSERT_TRUE(p.MontarProcNFe());
  EXPECT_TRUE(p.Gerador().ListaDeAlertas().empty());
  EXPECT_EQ(p.Gerador().ArquivoFormatoXML(), kDecl + kAbreProc + kNFe + Prot(kChave) + "</nfeProc>");
}

TEST_F(ProcNFe, DocumentWithDeclarationGivesExactlyOneDeclarationAtTheStart) {
  TProcNFe p;
  p.XMLNFe = kDecl + "\r\n" + kNFe + "\r\n";
  p.XMLProt = Prot(kChave);
  p.Versao = "4.00";
  ASSERT_TRUE(p.MontarProcNFe());
  const std::string& x = p.Gerador().ArquivoFormatoXML();
  EXPECT_EQ(x.rfind("<?xml", 0), 0u);
  EXPECT_EQ(x.find("<?xml", 1), std::string::npos);
}

TEST_F(ProcNFe, EarlierProcessedDocumentGivesOnlyItsNFeElement) {
  TProcNFe p;
  p.XMLNFe = kDecl + kAbreProc + kNFe + Prot(kChave, "999999999999999") + "</nfeProc>";
  p.XMLProt = Prot(kChave);
  p.Versao = "4.00";
  ASSERT_TRUE(p.MontarProcNFe());
  EXPECT_EQ(p.Gerador().ArquivoFormatoXML(), kDecl + kAbreProc + kNFe + Prot(kChave) + "</nfeProc>");
}

TEST_F(ProcNFe, IndentedOutputBreaksOnlyAroundTheEnvelope) {
  TProcNFe p;
  p.Gerador().Opcoes().SetIdentarXML(true);
  p.XMLNFe = kNFe;
  p.XMLProt = Prot(kChave);
  p.Versao = "4.00";
  ASSERT_TRUE(p.MontarProcNFe());
  EXPECT_EQ(p.Gerador().ArquivoFormatoXML(),
            kDecl + "\r\n" + kAbreProc + "\r\n" + kNFe + Prot(kChave) + "</nfeProc>\r\n");
}

TEST_F(ProcNFe, SecondRunOnTheSameObjectDoesNotAppendASecondDocument) {
  TProcNFe p;
  p.XMLNFe = kNFe;
  p.XMLProt = Prot(kChave);
  p.Versao = "4.00";
  ASSERT_TRUE(p.MontarProcNFe());
  const std::string primeira = p.Gerador().ArquivoFormatoXML();
  ASSERT_TRUE(p.MontarProcNFe());
  EXPECT_EQ(p.Gerador().ArquivoFormatoXML(), primeira);
}

TEST_F(ProcNFe, EmptyVersionTakesTheVersionOfTheDocument) {
  TProcNFe p;
  p.XMLNFe = kNFe;
  p.XMLProt = Prot(kChave);
  ASSERT_TRUE(p.MontarProcNFe());
  EXPECT_EQ(p.Gerador().ArquivoFormatoXML().find(kAbreProc), kDecl.size());
}

// ---- Bad input in direct mode --------------------------------------------------------------

struct Falha {
  const char* caso;
  std::string nfe;
  std::string prot;
  std::string alerta;
};

class ProcNFeBadInput : public ProcNFe, public ::testing::WithParamInterface<Falha> {};

TEST_P(ProcNFeBadInput, RecordsTheAlertAndWritesNothing) {
  TProcNFe p;
  p.XMLNFe = GetParam().nfe;
  p.XMLProt = GetParam().prot;
  p.Versao = "4.00";
  EXPECT_FALSE(p.MontarProcNFe());
  ASSERT_EQ(p.Gerador().ListaDeAlertas().size(), 1u);
  EXPECT_EQ(p.Gerador().ListaDeAlertas()[0], GetParam().alerta);
  EXPECT_EQ(p.Gerador().ArquivoFormatoXML(), "");
}

std::string SemAssinatura() {
  std::string s = kNFe;
  s.erase(s.find("<Signature"), s.find("</NFe>") - s.find("<Signature"));
  return s;
}

INSTANTIATE_TEST_SUITE_P(
    ProcNFe, ProcNFeBadInput,
    ::testing::Values(
        Falha{"no protocol", kNFe, "", Alerta("XR06", "PROTOCOLO", "PROTOCOLO", "Nenhum valor informado")},
        Falha{"no document", "", Prot(kChave), Alerta("XR04", "NFE", "NFE", "Nenhum valor informado")},
        Falha{"unclosed NFe", kNFe.substr(0, kNFe.size() - 6), Prot(kChave),
              Alerta("XR04", "NFE", "NFE", "Conteúdo inválido")},
        Falha{"no NFe element", "<nota>texto</nota>", Prot(kChave), Alerta("XR04", "NFE", "NFE", "Conteúdo inválido")},
        Falha{"unsigned", SemAssinatura(), Prot(kChave),
              Alerta("XR05", "Signature", "Assinatura", "Nenhum valor informado")},
        Falha{"protocol of another key", kNFe, Prot("35240511222333000181650010000000021123456781"),
              Alerta("XR01", "chNFe", "Numero da chave da NFe", "Conteúdo inválido")},
        Falha{"answer instead of protocol", kNFe, "<retConsReciNFe><cStat>104</cStat></retConsReciNFe>",
              Alerta("XR06", "PROTOCOLO", "PROTOCOLO", "Conteúdo inválido")}),
    [](const ::testing::TestParamInfo<Falha>& i) {
      std::string n;
      for (char c : std::string(i.param.caso)) n += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
      return n;
    });

TEST_F(ProcNFe, AlertLinesFollowTheConfiguredFormat) {
  TProcNFe p;
  p.Gerador().Opcoes().SetFormatoAlerta("%ID%|%TAG%|%MSG%");
  p.ArquivoNFe = (pasta / "nao-existe.xml").string();
  EXPECT_FALSE(p.MontarProcNFe());
  ASSERT_GE(p.Gerador().ListaDeAlertas().size(), 1u);
  EXPECT_EQ(p.Gerador().ListaDeAlertas()[0], "XR04|NFE|Arquivo não encontrado");
}

// ---- File mode: protocol from the fields ---------------------------------------------------

TEST_F(ProcNFe, FileWithoutAnswerBuildsTheProtocolFromTheFields) {
  TProcNFe p;
  p.ArquivoNFe = Arquivo("nfe.xml", kDecl + kNFe);
  Autorizado(p);
  ASSERT_TRUE(p.MontarProcNFe()) << ::testing::PrintToString(p.Gerador().ListaDeAlertas());
  EXPECT_EQ(p.chNFe, kChave);
  const std::string prot = "<protNFe versao=\"4.00\"><infProt Id=\"ID135240000000001\"><tpAmb>2</tpAmb>"
                           "<verAplic>SP_NFCE_PL_009_V400</verAplic><chNFe>" + kChave +
                           "</chNFe><dhRecbto>2024-05-10T10:20:35-03:00</dhRecbto><nProt>135240000000001</nProt>"
                           "<digVal>abc=</digVal><cStat>100</cStat><xMotivo>Autorizado o uso da NF-e</xMotivo>"
                           "</infProt></protNFe>";
  EXPECT_EQ(p.XMLProt, prot);
  EXPECT_EQ(p.XMLNFe, kDecl + kNFe);
  EXPECT_EQ(p.Gerador().ArquivoFormatoXML(), kDecl + kAbreProc + kNFe + prot + "</nfeProc>");
}

TEST_F(ProcNFe, ProtocolWithoutMessageEndsWithTheReasonToStaySchemaValid) {
  TProcNFe p;
  Autorizado(p);
  p.chNFe = kChave;
  const std::string x = p.GerarProtNFe();
  EXPECT_NE(x.find("</xMotivo></infProt></protNFe>"), std::string::npos) << x;
  EXPECT_EQ(x.find("<cMsg>"), std::string::npos);
}

TEST_F(ProcNFe, AuthorityMessageIsWrittenAfterTheReason) {
  TProcNFe p;
  Autorizado(p);
  p.cMsg = 123;
  p.xMsg = "Mensagem";
  EXPECT_NE(p.GerarProtNFe().find("</xMotivo><cMsg>123</cMsg><xMsg>Mensagem</xMsg></infProt>"), std::string::npos);
  p.cMsg = 0;  // a text alone still brings its code along, as the layout pairs them
  EXPECT_NE(p.GerarProtNFe().find("</xMotivo><cMsg>0</cMsg><xMsg>Mensagem</xMsg></infProt>"), std::string::npos);
}

TEST_F(ProcNFe, ProtocolNumberThatHoldsIDIsNotPrefixedAgain) {
  TProcNFe p;
  Autorizado(p);
  p.nProt = "ID135240000000001";
  EXPECT_NE(p.GerarProtNFe().find("<infProt Id=\"ID135240000000001\">"), std::string::npos);
  p.nProt = "135240000000001";
  EXPECT_NE(p.GerarProtNFe().find("<infProt Id=\"ID135240000000001\">"), std::string::npos);
}

struct Fuso {
  const char* verAplic;
  const char* chave;
  const char* versao;
  const char* dhRecbto;
};

class ProcNFeOffset : public ProcNFe, public ::testing::WithParamInterface<Fuso> {};

TEST_P(ProcNFeOffset, ReceiptTimeCarriesTheOffsetOfTheAuthoritysState) {
  TProcNFe p;
  Autorizado(p);
  p.verAplic = GetParam().verAplic;
  p.chNFe = GetParam().chave;
  p.Versao = GetParam().versao;
  EXPECT_NE(p.GerarProtNFe().find(std::string("<dhRecbto>") + GetParam().dhRecbto + "</dhRecbto>"),
            std::string::npos)
      << p.GerarProtNFe();
}

INSTANTIATE_TEST_SUITE_P(
    ProcNFe, ProcNFeOffset,
    ::testing::Values(Fuso{"SP_NFE_PL_009", "35240511222333000181550010000000011123456780", "4.00",
                           "2024-05-10T10:20:35-03:00"},
                      // Shared authorities ("SV...") take the state from the key: 13 is AM.
                      Fuso{"SVRS202405", "13240511222333000181550010000000011123456780", "4.00",
                           "2024-05-10T10:20:35-04:00"},
                      Fuso{"AM_NFE", "35240511222333000181550010000000011123456780", "3.10",
                           "2024-05-10T10:20:35-04:00"},
                      // A key without a state number falls back to the default zone.
                      Fuso{"SVAN", "XX240511222333000181550010000000011123456780", "4.00",
                           "2024-05-10T10:20:35-03:00"},
                      // Below 3.10 the layout had no offsets.
                      Fuso{"SP_NFE_PL_006", "35240511222333000181550010000000011123456780", "2.00",
                           "2024-05-10T10:20:35"}));

TEST_F(ProcNFe, FieldValuesAreEscapedAndWrittenAsUTF8) {
  TProcNFe p;
  Autorizado(p);
  p.xMotivo = "Rejeição: A & B <C>";
  EXPECT_NE(p.GerarProtNFe().find("<xMotivo>Rejei\xC3\xA7\xC3\xA3o: A &amp; B &lt;C&gt;</xMotivo>"),
            std::string::npos)
      << p.GerarProtNFe();
}

TEST_F(ProcNFe, ProtocolReadsBackIntoTheFields) {
  TProcNFe a;
  Autorizado(a);
  a.chNFe = kChave;
  a.cMsg = 7;
  a.xMsg = "Atenção";
  TProcNFe b;
  ASSERT_TRUE(b.LerProtNFe(a.GerarProtNFe()));
  EXPECT_EQ(b.tpAmb, taHomologacao);
  EXPECT_EQ(b.verAplic, a.verAplic);
  EXPECT_EQ(b.chNFe, kChave);
  EXPECT_EQ(DateTimeToMSecs(b.dhRecbto), DateTimeToMSecs(a.dhRecbto));
  EXPECT_EQ(b.nProt, a.nProt);
  EXPECT_EQ(b.digVal, "abc=");
  EXPECT_EQ(b.cStat, 100);
  EXPECT_EQ(b.xMotivo, a.xMotivo);
  EXPECT_EQ(b.cMsg, 7);
  EXPECT_EQ(b.xMsg, "Atenção");
  EXPECT_EQ(b.Versao, "4.00");
  EXPECT_FALSE(b.LerProtNFe("<retConsReciNFe><cStat>104</cStat></retConsReciNFe>"));
}

// PL_010e: up to five messages, every one read back and written again in order.
TEST_F(ProcNFe, EveryAuthorityMessageReadsBackAndIsWrittenAgainInOrder) {
  TProcNFe a;
  Autorizado(a);
  a.chNFe = kChave;
  exemplos::Mensagens(a, {"Atenção", "Mensagem 8 & outra", "Mensagem 9 & outra"}, 7);
  const std::string prot = a.GerarProtNFe();
  EXPECT_NE(prot.find("<xMotivo>Autorizado o uso da NF-e</xMotivo><cMsg>7</cMsg><xMsg>Aten\xC3\xA7\xC3\xA3o</xMsg>"
                      "<cMsg>8</cMsg><xMsg>Mensagem 8 &amp; outra</xMsg><cMsg>9</cMsg>"
                      "<xMsg>Mensagem 9 &amp; outra</xMsg></infProt>"),
            std::string::npos)
      << prot;
  TProcNFe b;
  // Read twice into the same object: the messages are replaced, not added to.
  ASSERT_TRUE(b.LerProtNFe(prot));
  ASSERT_TRUE(b.LerProtNFe(prot));
  EXPECT_EQ(b.cMsg, 7);
  EXPECT_EQ(b.xMsg, "Atenção");
  ASSERT_EQ(b.MsgAdicionais.Count(), 2);
  EXPECT_EQ(b.MsgAdicionais[0].cMsg, 8);
  EXPECT_EQ(b.MsgAdicionais[1].xMsg, "Mensagem 9 & outra");
  EXPECT_EQ(b.GerarProtNFe(), prot);
}

TEST_F(ProcNFe, ReceiptTimeReadBackKeepsTheOffsetTheAuthoritySent) {
  // AM's own offset is -04:00; the answer's -03:00 is what the authority recorded.
  const std::string prot = "<protNFe versao=\"4.00\"><infProt Id=\"ID135240000000001\"><tpAmb>2</tpAmb>"
                           "<verAplic>AM_NFE</verAplic><chNFe>" + kChave +
                           "</chNFe><dhRecbto>2024-05-10T10:20:35-03:00</dhRecbto><nProt>135240000000001</nProt>"
                           "<digVal>abc=</digVal><cStat>100</cStat><xMotivo>Autorizado o uso da NF-e</xMotivo>"
                           "</infProt></protNFe>";
  TProcNFe p;
  ASSERT_TRUE(p.LerProtNFe(prot));
  EXPECT_EQ(p.dhRecbtoFuso, "-03:00");
  EXPECT_EQ(p.GerarProtNFe(), prot);
  TProcNFe copia(p);
  EXPECT_NE(copia.GerarProtNFe().find("<dhRecbto>2024-05-10T10:20:35-03:00</dhRecbto>"), std::string::npos);
  // Without an offset in the answer the state's own is written, as before.
  TProcNFe semFuso;
  std::string semOffset = prot;
  semOffset.replace(semOffset.find("-03:00</dhRecbto>"), 6, "");
  ASSERT_TRUE(semFuso.LerProtNFe(semOffset));
  EXPECT_EQ(semFuso.dhRecbtoFuso, "");
  EXPECT_NE(semFuso.GerarProtNFe().find("<dhRecbto>2024-05-10T10:20:35-04:00</dhRecbto>"), std::string::npos);
}

// ---- File mode: answers --------------------------------------------------------------------

std::string GrupoProt(const std::string& chave, const std::string& nProt) {
  return "<protNFe versao=\"4.00\"><infProt><tpAmb>2</tpAmb><verAplic>SP</verAplic><chNFe>" + chave +
         "</chNFe><dhRecbto>2024-05-10T10:20:35-03:00</dhRecbto>" +
         (nProt.empty() ? "" : "<nProt>" + nProt + "</nProt>") +
         "<cStat>100</cStat><xMotivo>Autorizado o uso da NF-e</xMotivo></infProt></protNFe>";
}

std::string RetConsReci(const std::string& grupos) {
  return kDecl + "<retConsReciNFe versao=\"4.00\" xmlns=\"http://www.portalfiscal.inf.br/nfe\"><tpAmb>2</tpAmb>"
                 "<verAplic>SP</verAplic><nRec>351000000000001</nRec><cStat>104</cStat>"
                 "<xMotivo>Lote processado</xMotivo><cUF>35</cUF>" +
         grupos + "</retConsReciNFe>";
}

const std::string kOutra1 = "35240511222333000181650010000000021123456781";
const std::string kOutra2 = "35240511222333000181650010000000031123456787";

TEST_F(ProcNFe, ReceiptAnswerGivesTheMatchingOfThreeGroups) {
  TProcNFe p;
  p.Versao = "4.00";
  p.ArquivoNFe = Arquivo("nfe.xml", kNFe);
  p.ArquivoRetConsReci = Arquivo("reci.xml", RetConsReci(GrupoProt(kOutra1, "135240000000011") +
                                                          GrupoProt(kChave, "135240000000022") +
                                                          GrupoProt(kOutra2, "135240000000033")));
  ASSERT_TRUE(p.MontarProcNFe()) << ::testing::PrintToString(p.Gerador().ListaDeAlertas());
  EXPECT_TRUE(p.Gerador().ListaDeAlertas().empty());
  EXPECT_EQ(p.nProt, "135240000000022");
  EXPECT_EQ(p.XMLProt, GrupoProt(kChave, "135240000000022"));
  EXPECT_EQ(p.Gerador().ArquivoFormatoXML(),
            kDecl + kAbreProc + kNFe + GrupoProt(kChave, "135240000000022") + "</nfeProc>");
}

TEST_F(ProcNFe, ReceiptAnswerWithoutTheKeyRecordsOneAlertPerGroup) {
  TProcNFe p;
  p.Versao = "4.00";
  p.ArquivoNFe = Arquivo("nfe.xml", kNFe);
  p.ArquivoRetConsReci =
      Arquivo("reci.xml", RetConsReci(GrupoProt(kOutra1, "135240000000011") + GrupoProt(kOutra2, "135240000000033")));
  EXPECT_FALSE(p.MontarProcNFe());
  const std::string a = Alerta("XR01", "PROTOCOLO/NFe", "Numero do protocolo", "Nenhum valor informado");
  EXPECT_EQ(p.Gerador().ListaDeAlertas(), (std::vector<std::string>{a, a}));
  EXPECT_EQ(p.Gerador().ArquivoFormatoXML(), "");
}

TEST_F(ProcNFe, PresetProtocolNumberDoesNotTakeTheGroupOfAnotherDocument) {
  TProcNFe p;
  p.Versao = "4.00";
  p.nProt = "135240000000099";
  p.ArquivoNFe = Arquivo("nfe.xml", kNFe);
  p.ArquivoRetConsReci = Arquivo("reci.xml", RetConsReci(GrupoProt(kOutra1, "135240000000011") +
                                                          GrupoProt(kChave, "135240000000022")));
  ASSERT_TRUE(p.MontarProcNFe());
  EXPECT_EQ(p.XMLProt, GrupoProt(kChave, "135240000000022"));
  EXPECT_EQ(p.nProt, "135240000000022");
}

TEST_F(ProcNFe, RejectedDocumentInTheReceiptHasNoProtocolToJoin) {
  TProcNFe p;
  p.Versao = "4.00";
  p.ArquivoNFe = Arquivo("nfe.xml", kNFe);
  p.ArquivoRetConsReci = Arquivo("reci.xml", RetConsReci(GrupoProt(kChave, "")));
  EXPECT_FALSE(p.MontarProcNFe());
  EXPECT_EQ(p.Gerador().ListaDeAlertas().size(), 1u);
}

TEST_F(ProcNFe, ReceiptAnswerWithoutProtocolGroupsIsNotASuccess) {
  TProcNFe p;
  p.Versao = "4.00";
  p.ArquivoNFe = Arquivo("nfe.xml", kNFe);
  p.ArquivoRetConsReci = Arquivo("reci.xml", RetConsReci(""));
  EXPECT_FALSE(p.MontarProcNFe());
  EXPECT_EQ(p.Gerador().ListaDeAlertas(),
            (std::vector<std::string>{
                Alerta("XR01", "PROTOCOLO/NFe", "Numero do protocolo", "Nenhum valor informado")}));
  EXPECT_EQ(p.Gerador().ArquivoFormatoXML(), "");
}

TEST_F(ProcNFe, MatchInTheReceiptKeepsAMissingDocumentFileReported) {
  TProcNFe p;
  p.Versao = "4.00";
  p.chNFe = kChave;
  p.ArquivoNFe = (pasta / "nao-existe.xml").string();
  p.ArquivoRetConsReci = Arquivo("reci.xml", RetConsReci(GrupoProt("", "135240000000022")));
  EXPECT_FALSE(p.MontarProcNFe());
  ASSERT_FALSE(p.Gerador().ListaDeAlertas().empty());
  EXPECT_EQ(p.Gerador().ListaDeAlertas()[0], Alerta("XR04", "NFE", "NFE", "Arquivo não encontrado"));
}

// The situation answer of an authorized document, its protocol ending with `mensagens`.
std::string RetConsSitAutorizada(const std::string& mensagens = "") {
  return kDecl + "<retConsSitNFe versao=\"4.00\" xmlns=\"http://www.portalfiscal.inf.br/nfe\"><tpAmb>2</tpAmb>"
                 "<verAplic>SP_NFE_PL009_V4</verAplic><cStat> 100 </cStat><xMotivo>Autorizado o uso da NF-e"
                 "</xMotivo><cUF>35</cUF><dhRecbto>2024-05-10T10:21:00-03:00</dhRecbto><chNFe>" +
         kChave + "</chNFe><protNFe versao=\"4.00\"><infProt><tpAmb>2</tpAmb><verAplic>SP_NFE_PL009_V4"
                  "</verAplic><chNFe>" + kChave +
         "</chNFe><dhRecbto>2024-05-10T10:20:35-03:00</dhRecbto><nProt>135240000000001</nProt>"
         "<digVal>abc=</digVal><cStat>100</cStat><xMotivo>Autorizado o uso da NF-e</xMotivo>" +
         mensagens + "</infProt></protNFe></retConsSitNFe>";
}

TEST_F(ProcNFe, SituationAnswerTakesTheProtocolPartOfAnAuthorizedDocument) {
  TProcNFe p;
  p.Versao = "4.00";
  p.ArquivoNFe = Arquivo("nfe.xml", kNFe);
  p.ArquivoRetConsSit = Arquivo("sit.xml", RetConsSitAutorizada());
  ASSERT_TRUE(p.MontarProcNFe()) << ::testing::PrintToString(p.Gerador().ListaDeAlertas());
  // tpAmb, verAplic, chNFe, digVal, cStat and xMotivo come from the answer's first elements;
  // dhRecbto and nProt from the protocol part.
  EXPECT_EQ(p.XMLProt, "<protNFe versao=\"4.00\"><infProt Id=\"ID135240000000001\"><tpAmb>2</tpAmb>"
                       "<verAplic>SP_NFE_PL009_V4</verAplic><chNFe>" + kChave +
                       "</chNFe><dhRecbto>2024-05-10T10:20:35-03:00</dhRecbto><nProt>135240000000001</nProt>"
                       "<digVal>abc=</digVal><cStat> 100 </cStat><xMotivo>Autorizado o uso da NF-e</xMotivo>"
                       "</infProt></protNFe>");
  // Every message of the protocol follows, in order.
  TProcNFe q;
  q.Versao = "4.00";
  q.ArquivoNFe = p.ArquivoNFe;
  q.ArquivoRetConsSit = Arquivo("sit3.xml", RetConsSitAutorizada("<cMsg>1</cMsg><xMsg>UM</xMsg><cMsg>2</cMsg>"
                                                                 "<xMsg>DOIS</xMsg><cMsg>3</cMsg><xMsg>TRES</xMsg>"));
  ASSERT_TRUE(q.MontarProcNFe()) << ::testing::PrintToString(q.Gerador().ListaDeAlertas());
  EXPECT_EQ(q.XMLProt, p.XMLProt.substr(0, p.XMLProt.find("</infProt>")) +
                           "<cMsg>1</cMsg><xMsg>UM</xMsg><cMsg>2</cMsg><xMsg>DOIS</xMsg><cMsg>3</cMsg><xMsg>TRES</xMsg>"
                           "</infProt></protNFe>");
}

TEST_F(ProcNFe, SituationAnswerOfAVoidedDocumentTakesTheVoidingPart) {
  TProcNFe p;
  p.Versao = "4.00";
  p.ArquivoNFe = Arquivo("nfe.xml", kNFe);
  p.ArquivoRetConsSit = Arquivo(
      "sit.xml", "<retConsSitNFe><tpAmb>1</tpAmb><verAplic>X</verAplic><cStat>101</cStat><xMotivo>Cancelamento de "
                 "NF-e homologado</xMotivo><chNFe>" + kChave +
                     "</chNFe><protNFe><infProt><dhRecbto>A</dhRecbto><nProt>111</nProt></infProt></protNFe>"
                     "<retCancNFe><infCanc Id=\"ID222\"><dhRecbto>B</dhRecbto><nProt>222</nProt></infCanc></retCancNFe>"
                     "</retConsSitNFe>");
  ASSERT_TRUE(p.MontarProcNFe());
  EXPECT_EQ(p.XMLProt, "<protNFe versao=\"4.00\"><infProt Id=\"ID222\"><tpAmb>1</tpAmb><verAplic>X</verAplic><chNFe>" +
                           kChave + "</chNFe><dhRecbto>B</dhRecbto><nProt>222</nProt><cStat>101</cStat>"
                                    "<xMotivo>Cancelamento de NF-e homologado</xMotivo></infProt></protNFe>");
}

TEST_F(ProcNFe, SituationAnswerOfAVoidedDocumentOfLayout400TakesItsAuthorizationProtocol) {
  // Layout 4.00 answers report the voiding as an event; there is no infCanc to take.
  for (const char* situacao : {"101", "151", "155"}) {
    TProcNFe p;
    p.Versao = "4.00";
    p.ArquivoNFe = Arquivo("nfe.xml", kNFe);
    p.ArquivoRetConsSit = Arquivo(
        "sit.xml", kDecl + "<retConsSitNFe versao=\"4.00\" xmlns=\"http://www.portalfiscal.inf.br/nfe\">"
                           "<tpAmb>2</tpAmb><verAplic>SP_NFE_PL009_V4</verAplic><cStat>" + situacao +
                           "</cStat><xMotivo>Cancelamento de NF-e homologado</xMotivo><cUF>35</cUF>"
                           "<dhRecbto>2024-05-11T09:00:00-03:00</dhRecbto><chNFe>" + kChave +
                           "</chNFe><protNFe versao=\"4.00\"><infProt><tpAmb>2</tpAmb><verAplic>SP_NFE_PL009_V4"
                           "</verAplic><chNFe>" + kChave +
                           "</chNFe><dhRecbto>2024-05-10T10:20:35-03:00</dhRecbto><nProt>135240000000001</nProt>"
                           "<digVal>abc=</digVal><cStat>100</cStat><xMotivo>Autorizado o uso da NF-e</xMotivo>"
                           "</infProt></protNFe><procEventoNFe versao=\"1.00\"><evento><infEvento>"
                           "<tpEvento>110111</tpEvento></infEvento></evento><retEvento><infEvento><cStat>135"
                           "</cStat><nProt>135240000000099</nProt></infEvento></retEvento></procEventoNFe>"
                           "</retConsSitNFe>");
    ASSERT_TRUE(p.MontarProcNFe()) << situacao << ::testing::PrintToString(p.Gerador().ListaDeAlertas());
    EXPECT_NE(p.XMLProt.find("<infProt Id=\"ID135240000000001\">"), std::string::npos) << p.XMLProt;
    EXPECT_NE(p.XMLProt.find("<dhRecbto>2024-05-10T10:20:35-03:00</dhRecbto><nProt>135240000000001</nProt>"),
              std::string::npos)
        << p.XMLProt;
  }
}

TEST_F(ProcNFe, SituationAnswerOfARejectionHasNoProtocolToJoin) {
  TProcNFe p;
  p.Versao = "4.00";
  p.ArquivoNFe = Arquivo("nfe.xml", kNFe);
  p.ArquivoRetConsSit =
      Arquivo("sit.xml", "<retConsSitNFe><tpAmb>2</tpAmb><cStat>217</cStat><xMotivo>Rejeição: NF-e não consta na base"
                         "</xMotivo></retConsSitNFe>");
  EXPECT_FALSE(p.MontarProcNFe());
  EXPECT_EQ(p.Gerador().ListaDeAlertas(),
            (std::vector<std::string>{
                Alerta("XR01", "PROTOCOLO/NFe", "Numero do protocolo", "Nenhum valor informado")}));
}

struct Ausente {
  const char* caso;
  bool comNFe;
  const char* reci;
  const char* sit;
  std::vector<std::string> alertas;
};

class ProcNFeMissingFile : public ProcNFe, public ::testing::WithParamInterface<Ausente> {};

TEST_P(ProcNFeMissingFile, RecordsTheDocumentedAlerts) {
  TProcNFe p;
  p.Versao = "4.00";
  p.ArquivoNFe = GetParam().comNFe ? Arquivo("nfe.xml", kNFe) : (pasta / "nao-existe.xml").string();
  if (*GetParam().reci) p.ArquivoRetConsReci = (pasta / GetParam().reci).string();
  if (*GetParam().sit) p.ArquivoRetConsSit = (pasta / GetParam().sit).string();
  EXPECT_FALSE(p.MontarProcNFe());
  EXPECT_EQ(p.Gerador().ListaDeAlertas(), GetParam().alertas);
  EXPECT_EQ(p.Gerador().ArquivoFormatoXML(), "");
}

INSTANTIATE_TEST_SUITE_P(
    ProcNFe, ProcNFeMissingFile,
    ::testing::Values(
        Ausente{"document", false, "", "",
                {Alerta("XR04", "NFE", "NFE", "Arquivo não encontrado"),
                 Alerta("XR01", "ID/NFE", "Numero da chave da NFe", "Nenhum valor informado"),
                 Alerta("XR06", "RECIBO/SITUAÇÃO", "RECIBO/SITUAÇÃO", "Arquivo não encontrado")}},
        Ausente{"receipt", true, "reci.xml", "", {Alerta("XR06", "PROTOCOLO", "PROTOCOLO", "Arquivo não encontrado")}},
        Ausente{"situation", true, "", "sit.xml",
                {Alerta("XR06", "SITUAÇÃO", "SITUAÇÃO", "Arquivo não encontrado")}}),
    [](const ::testing::TestParamInfo<Ausente>& i) { return std::string(i.param.caso); });

TEST_F(ProcNFe, DocumentFileWithoutKeyRecordsTheMissingKey) {
  TProcNFe p;
  p.Versao = "4.00";
  p.ArquivoNFe = Arquivo("nfe.xml", "<NFe xmlns=\"http://www.portalfiscal.inf.br/nfe\"><infNFe/></NFe>");
  EXPECT_FALSE(p.MontarProcNFe());
  EXPECT_EQ(p.Gerador().ListaDeAlertas(),
            (std::vector<std::string>{Alerta("XR01", "ID/NFE", "Numero da chave da NFe", "Nenhum valor informado"),
                                      Alerta("XR06", "RECIBO/SITUAÇÃO", "RECIBO/SITUAÇÃO", "Arquivo não encontrado")}));
}

}  // namespace
}  // namespace tuim
