#include "services/TuimMensagensNFe.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "MensagensTeste.h"
#include "fiscal/TuimException.h"

using namespace tuim;
using namespace tuim::teste;

namespace {

bool TemAlerta(const TMensagemDFe& m, const std::string& trecho) {
  const auto& a = m.Gerador().ListaDeAlertas();
  return std::any_of(a.begin(), a.end(), [&](const std::string& l) { return l.find(trecho) != std::string::npos; });
}

std::string Alertas(const TMensagemDFe& m) {
  std::string r;
  for (const auto& l : m.Gerador().ListaDeAlertas()) r += l + "\n";
  return r;
}

// A signed copy (UTF-8) of a written message, signed on `inf` under `doc`.
std::string Assinado(const std::string& xml, const std::string& doc, const std::string& inf) {
  TDFeSSL ssl;
  ConfigurarAssinatura(ssl);
  return ssl.Assinar(ParaUTF8(xml), doc, inf);
}

}  // namespace

TEST(ConsStatServ, NFeStatusWritesNamespaceTpAmbCUFAndStatusAndPassesSchema) {
  TConsStatServ m;
  m.SettpAmb(taHomologacao);
  m.SetcUF(51);
  EXPECT_TRUE(m.GerarXML()) << Alertas(m);
  const std::string esperado = std::string("<consStatServ ") + kNs +
                               " versao=\"4.00\"><tpAmb>2</tpAmb><cUF>51</cUF><xServ>STATUS</xServ></consStatServ>";
  EXPECT_EQ(m.Gerador().ArquivoFormatoXML(), esperado);
  EXPECT_EQ(ErrosSchema(m.Gerador().ArquivoFormatoXML(), "consStatServ_v4.00.xsd"), "");
}

TEST(ConsStatServ, SuffixNamespaceAndMissingCUFFollowTheConstructor) {
  TConsStatServ m("3.00", false, "CTe", "xmlns=\"urn:outro\"");
  m.SettpAmb(taProducao);
  EXPECT_TRUE(m.GerarXML());
  EXPECT_EQ(m.Gerador().ArquivoFormatoXML(),
            "<consStatServCTe xmlns=\"urn:outro\" versao=\"3.00\"><tpAmb>1</tpAmb><xServ>STATUS</xServ>"
            "</consStatServCTe>");
}

TEST(ConsStatServ, WritingTwiceGivesTheSameTextOnce) {
  TConsStatServ m;
  m.SetcUF(35);
  m.GerarXML();
  std::string primeiro = m.Gerador().ArquivoFormatoXML();
  m.GerarXML();
  EXPECT_EQ(m.Gerador().ArquivoFormatoXML(), primeiro);
}

TEST(ConsSitNFe, WritesTheKeyQueryAndPassesSchema) {
  TConsSitNFe m;
  m.SettpAmb(taProducao);
  m.SetchNFe(kChave55);
  EXPECT_TRUE(m.GerarXML()) << Alertas(m);
  EXPECT_EQ(m.Gerador().ArquivoFormatoXML(), std::string("<consSitNFe ") + kNs +
                                                 " versao=\"4.00\"><tpAmb>1</tpAmb><xServ>CONSULTAR</xServ><chNFe>" +
                                                 kChave55 + "</chNFe></consSitNFe>");
  EXPECT_EQ(ErrosSchema(m.Gerador().ArquivoFormatoXML(), "consSitNFe_v4.00.xsd"), "");
}

TEST(ConsSitNFe, ShortOrLetteredKeysRaiseAlerts) {
  TConsSitNFe m;
  m.SetchNFe("5124");
  EXPECT_FALSE(m.GerarXML());
  EXPECT_TRUE(TemAlerta(m, "ID:EP05/chNFe(Chave da NFe) - Tamanho menor que o mínimo permitido [5124]."))
      << Alertas(m);
  m.SetchNFe(std::string(kChave55).replace(0, 1, "X"));
  EXPECT_FALSE(m.GerarXML());
  EXPECT_TRUE(TemAlerta(m, "Conteúdo inválido")) << Alertas(m);
}

TEST(ConsReciDFe, WritesTheReceiptQueryAndPassesSchema) {
  TConsReciDFe m;
  m.SettpAmb(taHomologacao);
  m.SetnRec("511000012345678");
  EXPECT_TRUE(m.GerarXML()) << Alertas(m);
  EXPECT_EQ(m.Gerador().ArquivoFormatoXML(), std::string("<consReciNFe ") + kNs +
                                                 " versao=\"4.00\"><tpAmb>2</tpAmb><nRec>511000012345678</nRec>"
                                                 "</consReciNFe>");
  EXPECT_EQ(ErrosSchema(m.Gerador().ArquivoFormatoXML(), "consReciNFe_v4.00.xsd"), "");
}

TEST(ConsReciDFe, ReceiptOfWrongLengthIsAnAlert) {
  TConsReciDFe m;
  m.SetnRec("12345");
  EXPECT_FALSE(m.GerarXML());
  EXPECT_TRUE(TemAlerta(m, "ID:BP04/nRec(Numero do recibo)")) << Alertas(m);
}

struct CasoCad {
  const char* nome;
  const char* ie;
  const char* cnpj;
  const char* cpf;
  const char* campo;
};

class ConsCadIdentificador : public ::testing::TestWithParam<CasoCad> {};

TEST_P(ConsCadIdentificador, WritesOnlyTheFirstIdentifierGivenAndPassesSchema) {
  const CasoCad& c = GetParam();
  TConsCad m;
  m.SetUF("MT");
  m.SetIE(c.ie);
  m.SetCNPJ(c.cnpj);
  m.SetCPF(c.cpf);
  EXPECT_TRUE(m.GerarXML()) << Alertas(m);
  EXPECT_EQ(m.Gerador().ArquivoFormatoXML(), std::string("<ConsCad ") + kNs +
                                                 " versao=\"2.00\"><infCons><xServ>CONS-CAD</xServ><UF>MT</UF>" +
                                                 c.campo + "</infCons></ConsCad>");
  EXPECT_EQ(ErrosSchema(m.Gerador().ArquivoFormatoXML(), "consCad_v2.00.xsd"), "");
}

INSTANTIATE_TEST_SUITE_P(
    Casos, ConsCadIdentificador,
    ::testing::Values(CasoCad{"IEGanhaDoCNPJ", "131234567", "11222333000181", "", "<IE>131234567</IE>"},
                      CasoCad{"CNPJComMascara", "", "11.222.333/0001-81", "123.456.789-09",
                              "<CNPJ>11222333000181</CNPJ>"},
                      CasoCad{"CPF", "", "", "123.456.789-09", "<CPF>12345678909</CPF>"},
                      CasoCad{"CPFSemZerosAEsquerda", "", "", "1234567890", "<CPF>01234567890</CPF>"}),
    [](const auto& i) { return std::string(i.param.nome); });

TEST(ConsCad, AlphanumericCNPJKeepsItsLetters) {
  TConsCad m;
  m.SetUF("SP");
  m.SetCNPJ("12.ABC.345/01DE-35");
  EXPECT_TRUE(m.GerarXML()) << Alertas(m);
  EXPECT_NE(m.Gerador().ArquivoFormatoXML().find("<CNPJ>12ABC34501DE35</CNPJ>"), std::string::npos);
}

TEST(ConsCad, WithoutAnyIdentifierRaisesAnAlert) {
  TConsCad m;
  m.SetUF("MT");
  EXPECT_FALSE(m.GerarXML());
}

// ---- Voiding ----------------------------------------------------------------------------------

namespace {

void PreencherInut(TinutNFe& m) {
  m.SettpAmb(taHomologacao);
  m.SetcUF(51);
  m.Setano(2024);
  m.SetCNPJ("11.222.333/0001-81");
  m.Setmodelo(55);
  m.Setserie(1);
  m.SetnNFIni(10);
  m.SetnNFFin(20);
  m.SetxJust("Falha de sequencia & numeracao");
}

const char* const kIdInut = "ID51241122233300018155001000000010000000020";

}  // namespace

TEST(InutNFe, WritesTheIdentifierAndFieldsByteForByte) {
  TinutNFe m;
  PreencherInut(m);
  EXPECT_TRUE(m.GerarXML()) << Alertas(m);
  EXPECT_EQ(m.ID(), kIdInut);
  EXPECT_EQ(m.ID().size(), 43u);
  EXPECT_EQ(m.Gerador().ArquivoFormatoXML(),
            std::string("<inutNFe ") + kNs + " versao=\"4.00\"><infInut Id=\"" + kIdInut +
                "\"><tpAmb>2</tpAmb><xServ>INUTILIZAR</xServ><cUF>51</cUF><ano>24</ano><CNPJ>11222333000181</CNPJ>"
                "<mod>55</mod><serie>1</serie><nNFIni>10</nNFIni><nNFFin>20</nNFFin>"
                "<xJust>Falha de sequencia &amp; numeracao</xJust></infInut></inutNFe>");
  EXPECT_EQ(m.ano(), 24);
}

TEST(InutNFe, SignedRequestPassesSchemaAndXmlsec) {
  TinutNFe m;
  PreencherInut(m);
  m.SetxJust("Numeração pulada por falha do sistema");
  m.Gerador().Opcoes().SetRetirarAcentos(false);
  ASSERT_TRUE(m.GerarXML()) << Alertas(m);
  std::string assinado = Assinado(m.Gerador().ArquivoFormatoXML(), "inutNFe", "infInut");
  EXPECT_NE(assinado.find("<Reference URI=\"#" + std::string(kIdInut) + "\">"), std::string::npos);
  EXPECT_NE(assinado.find("<xJust>Numera\xC3\xA7\xC3\xA3o pulada"), std::string::npos);  // UTF-8 on the wire
  EXPECT_EQ(ErrosSchema(assinado, "inutNFe_v4.00.xsd"), "");
  EXPECT_TRUE(XmlSecAceita(assinado, "infInut"));
  std::string adulterado = assinado;
  adulterado.replace(adulterado.find("<nNFFin>20"), 10, "<nNFFin>21");
  EXPECT_FALSE(XmlSecAceita(adulterado, "infInut"));
}

TEST(InutNFe, StoredSignatureIsWrittenAfterInfInut) {
  TinutNFe m;
  PreencherInut(m);
  m.Signature().SetURI(std::string("#") + kIdInut);
  m.Signature().SetDigestValue("ZGlnZXN0");
  m.Signature().SetSignatureValue("c2lnbmF0dXJl");
  m.Signature().SetX509Certificate("Y2VydA==");
  EXPECT_TRUE(m.GerarXML()) << Alertas(m);
  const std::string& x = m.Gerador().ArquivoFormatoXML();
  std::size_t fimInf = x.find("</infInut>");
  std::size_t sig = x.find("<Signature xmlns=\"http://www.w3.org/2000/09/xmldsig#\">");
  ASSERT_NE(sig, std::string::npos);
  EXPECT_EQ(sig, fimInf + 10);
  EXPECT_NE(x.find("<DigestValue>ZGlnZXN0</DigestValue>"), std::string::npos);
  EXPECT_EQ(x.substr(x.size() - 22), "</Signature></inutNFe>");
}

TEST(InutNFe, TwoDigitAndFourDigitYearsGiveTheSameIdentifier) {
  TinutNFe a, b;
  PreencherInut(a);
  PreencherInut(b);
  b.Setano(24);
  a.GerarXML();
  b.GerarXML();
  EXPECT_EQ(a.ID(), b.ID());
  EXPECT_EQ(a.Gerador().ArquivoFormatoXML(), b.Gerador().ArquivoFormatoXML());
  EXPECT_EQ(TinutNFe::MontarID(51, 2009, "11222333000181", 65, 12, 1, 2), "ID51091122233300018165012000000001000000002");
}

TEST(InutNFe, CPFInPlaceOfCNPJGivesShortIdentifierAndAlertsButStillWrites) {
  TinutNFe m;
  PreencherInut(m);
  m.SetCNPJ("123.456.789-09");
  EXPECT_FALSE(m.GerarXML());
  EXPECT_EQ(m.ID().size(), 40u);
  EXPECT_TRUE(TemAlerta(m, "ID:DP04/ID() - ID de inutilização inválido.")) << Alertas(m);
  EXPECT_TRUE(TemAlerta(m, "ID:DP09/CNPJ(CNPJ(MF)) - Conteúdo inválido.")) << Alertas(m);
  EXPECT_NE(m.Gerador().ArquivoFormatoXML().find("<CNPJ>12345678909</CNPJ>"), std::string::npos);
}

TEST(InutNFe, FinalNumberBelowInitialIsAnAlert) {
  TinutNFe m;
  PreencherInut(m);
  m.SetnNFIni(10);
  m.SetnNFFin(5);
  EXPECT_FALSE(m.GerarXML());
  EXPECT_TRUE(TemAlerta(m, "ID:DP13/nNFFin(Numero final) - O numero final não pode ser menor que o inicial."))
      << Alertas(m);
}

TEST(InutNFe, UnknownStateCodeIsAnAlert) {
  TinutNFe m;
  PreencherInut(m);
  m.SetcUF(18);
  EXPECT_FALSE(m.GerarXML());
  EXPECT_TRUE(TemAlerta(m, "ID:DP07/cUF(Código do UF (Unidade da Federação)) - Conteúdo inválido.")) << Alertas(m);
  m.SetcUF(91);
  EXPECT_TRUE(m.GerarXML()) << Alertas(m);
}

TEST(InutNFe, ShortJustificationAndLineBreaks) {
  TinutNFe m;
  PreencherInut(m);
  m.SetxJust("curta");
  EXPECT_FALSE(m.GerarXML());
  EXPECT_TRUE(TemAlerta(m, "ID:CP14/xJust(Justificativa) - Tamanho menor que o mínimo permitido [curta].")) << Alertas(m);
  m.SetxJust("primeira linha\r\nsegunda linha");
  EXPECT_TRUE(m.GerarXML()) << Alertas(m);
  EXPECT_NE(m.Gerador().ArquivoFormatoXML().find("<xJust>primeira linha;segunda linha</xJust>"), std::string::npos);
}

TEST(InutNFe, AlphanumericCNPJGivesAFullIdentifier) {
  TinutNFe m;
  PreencherInut(m);
  m.SetCNPJ("12.ABC.345/01DE-35");
  EXPECT_TRUE(m.GerarXML()) << Alertas(m);
  EXPECT_EQ(m.ID(), "ID512412ABC34501DE3555001000000010000000020");
  EXPECT_NE(m.Gerador().ArquivoFormatoXML().find("<CNPJ>12ABC34501DE35</CNPJ>"), std::string::npos);
}

// ---- Distribution -----------------------------------------------------------------------------

namespace {
std::string SemEnvelope(const std::string& x) {
  const std::string a = "<nfeDadosMsg>", b = "</nfeDadosMsg>";
  if (x.rfind(a, 0) != 0 || x.size() < a.size() + b.size()) return x;
  return x.substr(a.size(), x.size() - a.size() - b.size());
}
}  // namespace

struct CasoDist {
  const char* nome;
  const char* nsu;
  const char* chave;
  const char* ultNSU;
  const char* consulta;
};

class DistDFeIntConsulta : public ::testing::TestWithParam<CasoDist> {};

TEST_P(DistDFeIntConsulta, ChoosesTheQueryAndPassesSchema) {
  const CasoDist& c = GetParam();
  TDistDFeInt m;
  m.SettpAmb(taProducao);
  m.SetcUFAutor(51);
  m.SetCNPJCPF("11.222.333/0001-81");
  m.SetNSU(c.nsu);
  m.SetchNFe(c.chave);
  m.SetultNSU(c.ultNSU);
  EXPECT_TRUE(m.GerarXML()) << Alertas(m);
  const std::string esperado = std::string("<nfeDadosMsg><distDFeInt ") + kNs +
                               " versao=\"1.01\"><tpAmb>1</tpAmb><cUFAutor>51</cUFAutor><CNPJ>11222333000181</CNPJ>" +
                               c.consulta + "</distDFeInt></nfeDadosMsg>";
  EXPECT_EQ(m.Gerador().ArquivoFormatoXML(), esperado);
  EXPECT_EQ(ErrosSchema(SemEnvelope(m.Gerador().ArquivoFormatoXML()), "distDFeInt_v1.01.xsd"), "");
}

INSTANTIATE_TEST_SUITE_P(
    Casos, DistDFeIntConsulta,
    ::testing::Values(
        CasoDist{"NSUGanhaDaChave", "123", kChave55, "99", "<consNSU><NSU>000000000000123</NSU></consNSU>"},
        CasoDist{"Chave", "", kChave55, "99",
                 "<consChNFe><chNFe>51240111222333000181550010000001231123456784</chNFe></consChNFe>"},
        CasoDist{"UltimoNSU", "", "", "4567", "<distNSU><ultNSU>000000000004567</ultNSU></distNSU>"},
        CasoDist{"UltimoNSUVazioSaiComQuinzeZeros", "", "", "", "<distNSU><ultNSU>000000000000000</ultNSU></distNSU>"},
        CasoDist{"NSUAcimaDe32Bits", "", "", "8589934592", "<distNSU><ultNSU>000008589934592</ultNSU></distNSU>"},
        CasoDist{"NSUQueNaoENumero", "", "", "12a", "<distNSU><ultNSU>000000000000000</ultNSU></distNSU>"}),
    [](const auto& i) { return std::string(i.param.nome); });

TEST(DistDFeInt, InvalidKeyIsAnAlertNamedByTheKeyElement) {
  TDistDFeInt m;
  m.SetcUFAutor(51);
  m.SetCNPJCPF("11222333000181");
  std::string chave = kChave55;
  chave.back() = '0';
  m.SetchNFe(chave);
  EXPECT_FALSE(m.GerarXML());
  EXPECT_TRUE(TemAlerta(m, "ID:A12/chNFe(Chave do DFe) - Chave do DFe inválida.")) << Alertas(m);
}

TEST(DistDFeInt, CPFWithoutStateAndWrapper) {
  TDistDFeInt m("1.01", false, "chNFe", "consChNFe", "");
  m.SetCNPJCPF("123.456.789-09");
  EXPECT_TRUE(m.GerarXML()) << Alertas(m);
  EXPECT_EQ(m.Gerador().ArquivoFormatoXML(), std::string("<distDFeInt ") + kNs +
                                                 " versao=\"1.01\"><tpAmb>2</tpAmb><CPF>12345678909</CPF><distNSU>"
                                                 "<ultNSU>000000000000000</ultNSU></distNSU></distDFeInt>");
}

TEST(DistDFeInt, NSUFormatting) {
  EXPECT_EQ(TDistDFeInt::FormatarNSU(" 42 "), "000000000000042");
  EXPECT_EQ(TDistDFeInt::FormatarNSU("999999999999999"), "999999999999999");
  EXPECT_EQ(TDistDFeInt::FormatarNSU("0000999999999999999"), "999999999999999");
  EXPECT_EQ(TDistDFeInt::FormatarNSU("1000000000000000"), "000000000000000");
  EXPECT_EQ(TDistDFeInt::FormatarNSU("-5"), "000000000000000");
}

// ---- CSC --------------------------------------------------------------------------------------

struct CasoCsc {
  TfscIndOp op;
  const char* resto;
};

class AdmCSC : public ::testing::TestWithParam<CasoCsc> {};

TEST_P(AdmCSC, DataGroupOnlyForRevocation) {
  TAdmCSCNFCe m;
  m.SettpAmb(taHomologacao);
  m.SetindOp(GetParam().op);
  m.SetraizCNPJ("11222333");
  m.SetidCsc(2);
  m.SetcodigoCsc("ABCDEF0123456789");
  EXPECT_TRUE(m.GerarXML()) << Alertas(m);
  EXPECT_EQ(m.Gerador().ArquivoFormatoXML(),
            std::string("<admCscNFCe ") + kNs + " versao=\"1.00\"><tpAmb>2</tpAmb>" + GetParam().resto +
                "</admCscNFCe>");
}

INSTANTIATE_TEST_SUITE_P(
    Casos, AdmCSC,
    ::testing::Values(CasoCsc{indOp1, "<indOp>1</indOp><raizCNPJ>11222333</raizCNPJ>"},
                      CasoCsc{indOp2, "<indOp>2</indOp><raizCNPJ>11222333</raizCNPJ>"},
                      CasoCsc{indOp3, "<indOp>3</indOp><raizCNPJ>11222333</raizCNPJ><dadosCsc><idCsc>000002</idCsc>"
                                      "<codigoCsc>ABCDEF0123456789</codigoCsc></dadosCsc>"}));

TEST(AdmCSC, ShortCodeIsAnAlert) {
  TAdmCSCNFCe m;
  m.SetindOp(indOp3);
  m.SetraizCNPJ("11222333");
  m.SetcodigoCsc("ABC");
  EXPECT_FALSE(m.GerarXML());
  EXPECT_TRUE(TemAlerta(m, "ID:AP08/codigoCsc(Código do CSC)")) << Alertas(m);
}

TEST(MensagemDFe, BaseGerarXMLNamesTheOperationAndClass) {
  TMensagemDFe m;
  try {
    m.GerarXML();
    FAIL();
  } catch (const ETuimDFeException& e) {
    EXPECT_STREQ(e.what(), "Método \"GerarXML\" não implementado em: TMensagemDFe");
  }
}
