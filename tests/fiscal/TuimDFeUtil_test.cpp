#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <random>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>

#include "fiscal/TuimDFeUtil.h"
#include "fiscal/TuimException.h"
#include "fiscal/fscAuxiliar.h"

using namespace tuim;
namespace fs = std::filesystem;

namespace {

// Modulus-11 digit, multiplier from `ini` to `fim` from the right: the test's own reckoning.
int Mod11(const std::string& s, int ini, int fim) {
  int soma = 0, p = ini;
  for (auto it = s.rbegin(); it != s.rend(); ++it) {
    soma += (*it - '0') * p;
    if (++p > fim) p = ini;
  }
  return soma % 11 < 2 ? 0 : 11 - soma % 11;
}

std::string AnoAtual(int delta = 0) {
  int y = (YearOf(Today()) + delta) % 100;
  return std::string(1, char('0' + y / 10)) + char('0' + y % 10);
}

class TempDir {
public:
  TempDir() {
    char tmpl[] = "/tmp/tuim-dfeutil-XXXXXX";
    fPath = mkdtemp(tmpl);
  }
  ~TempDir() { fs::remove_all(fPath); }
  const std::string& path() const { return fPath; }
  void Write(const std::string& name, const std::string& text) const {
    std::ofstream(fPath + "/" + name, std::ios::binary) << text;
  }

private:
  std::string fPath;
};

}  // namespace

// ---- GerarChaveAcesso -----------------------------------------------------------------------

TEST(KeyBuilder, ComposesTheFieldsAndTheCheckDigit) {
  // 51 1701 11222333000181 65 001 000000123 1 87654321, digit worked out independently: 8
  EXPECT_EQ(GerarChaveAcesso(51, EncodeDate(2017, 1, 15), "11.222.333/0001-81", 1, 123, 1, 87654321, 65),
            "51170111222333000181650010000001231876543218");
}

TEST(KeyBuilder, KeepsTheLeftmostFourteenDigitsOfALongDocument) {
  std::string k = GerarChaveAcesso(51, EncodeDate(2017, 1, 15), "112223330001819", 1, 123, 1, 87654321, 65);
  EXPECT_EQ(k, "51170111222333000181650010000001231876543218");
}

TEST(KeyBuilder, ZeroFillsACpf) {
  std::string k = GerarChaveAcesso(35, EncodeDate(2018, 5, 2), "123.456.789-09", 920, 42, 1, 17, 55);
  EXPECT_EQ(k, "35180500012345678909559200000000421000000170");
  EXPECT_TRUE(ValidarChaveAcesso(k));
}

TEST(KeyBuilder, AlphanumericCnpjKeepsItsLetters) {
  std::string k = GerarChaveAcesso(52, EncodeDate(2019, 4, 1), "12.ABC.345/01DE-35", 1, 777, 1, 24681357, 55);
  EXPECT_EQ(k, "52190412ABC34501DE35550010000007771246813570");
  EXPECT_TRUE(ValidarChaveAcesso(k));
  // Lower-case letters are no CNPJ characters: only the digits remain, zero-filled.
  std::string l = GerarChaveAcesso(52, EncodeDate(2019, 4, 1), "12abc34501de35", 1, 777, 1, 24681357, 55);
  EXPECT_EQ(l.substr(6, 14), "00000123450135");
}

TEST(KeyBuilder, WideValuesKeepTheirLeftmostDigits) {
  std::string k = GerarChaveAcesso(351, EncodeDate(2018, 5, 2), "11222333000181", 12345, 1234567890, 12, 123456789, 555);
  EXPECT_EQ(k.substr(0, 2), "35");
  EXPECT_EQ(k.substr(20, 2), "55");
  EXPECT_EQ(k.substr(22, 3), "123");
  EXPECT_EQ(k.substr(25, 9), "123456789");
  EXPECT_EQ(k.substr(34, 1), "1");
  EXPECT_EQ(k.substr(35, 8), "12345678");
  EXPECT_EQ(k.size(), 44u);
}

TEST(KeyBuilder, CodeBelowMinusOneBecomesZero) {
  std::string k = GerarChaveAcesso(51, EncodeDate(2017, 1, 15), "11222333000181", 1, 123, 1, -5, 65);
  EXPECT_EQ(k.substr(35, 8), "00000000");
}

TEST(KeyBuilder, MinusOneAndZeroDrawAValidRandomCode) {
  std::set<std::string> codigos;
  for (int i = 0; i < 200; ++i) {
    std::string k = GerarChaveAcesso(51, EncodeDate(2017, 1, 15), "11222333000181", 1, 12345678, 1, i % 2 ? -1 : 0, 65);
    ASSERT_TRUE(ValidarChaveAcesso(k)) << k;
    int c = CodigoDaChave(k);
    EXPECT_NE(c, 12345678);
    EXPECT_TRUE(CodigoNumericoValido(c, 12345678));
    codigos.insert(k.substr(35, 8));
  }
  EXPECT_GT(codigos.size(), 190u);
}

// ---- GerarCodigoNumerico --------------------------------------------------------------------

TEST(NumericCodeDraw, NeverForbiddenNorTheNumber) {
  for (int i = 0; i < 5000; ++i) {
    int c = GerarCodigoNumerico(4242);
    ASSERT_GE(c, 0);
    ASSERT_LT(c, 99999999);
    ASSERT_TRUE(CodigoNumericoValido(c, 4242)) << c;
  }
}

TEST(NumericCodeDraw, SpreadsEvenlyOverTheRange) {
  // Ten equal bands; chi-square with 9 degrees of freedom stays far below 40 (p < 1e-5).
  constexpr int kDraws = 20000;
  std::array<int, 10> bandas{};
  for (int i = 0; i < kDraws; ++i) ++bandas[GerarCodigoNumerico(-1) / 9999999 % 10];
  double qui = 0;
  for (int n : bandas) qui += (n - kDraws / 10.0) * (n - kDraws / 10.0) / (kDraws / 10.0);
  EXPECT_LT(qui, 40.0);
}

// ---- Import and export numbers --------------------------------------------------------------

TEST(ImportDeclaration, ElevenOrTwelveDigitsWithYearAndCheckDigit) {
  std::string base = "2" + AnoAtual() + "1234567";  // 10 digits before the check digit
  std::string di = base + std::to_string(Mod11(base, 2, 9));
  EXPECT_TRUE(ValidarNumeroDI(di));
  EXPECT_TRUE(ValidarNumeroDI(di.substr(0, 2) + "/" + di.substr(2, 7) + "-" + di.substr(9)));
  std::string base12 = "4" + AnoAtual(-1) + "12345678";
  EXPECT_TRUE(ValidarNumeroDI(base12 + std::to_string(Mod11(base12, 2, 9))));
  std::string errado = base + std::to_string((Mod11(base, 2, 9) + 1) % 10);
  EXPECT_FALSE(ValidarNumeroDI(errado));
  std::string tipo3 = "3" + AnoAtual() + "1234567";
  EXPECT_FALSE(ValidarNumeroDI(tipo3 + std::to_string(Mod11(tipo3, 2, 9))));
  std::string velho = "2" + AnoAtual(-3) + "1234567";
  EXPECT_FALSE(ValidarNumeroDI(velho + std::to_string(Mod11(velho, 2, 9))));
  EXPECT_FALSE(ValidarNumeroDI("2"));
  EXPECT_FALSE(ValidarNumeroDI(""));
}

TEST(ImportDeclaration, TwelveDigitFormChecksOnlyTheYear) {
  EXPECT_TRUE(ValidarNumeroDI12(AnoAtual() + "1234567890"));
  EXPECT_TRUE(ValidarNumeroDI12(AnoAtual(1) + "1234567890"));
  EXPECT_FALSE(ValidarNumeroDI12(AnoAtual(2) + "1234567890"));
  EXPECT_FALSE(ValidarNumeroDI12(AnoAtual() + "123456789"));
  EXPECT_FALSE(ValidarNumeroDI12(AnoAtual() + "12345678-0"));
}

TEST(ExportRegistration, YearAndSequence) {
  EXPECT_TRUE(ValidarNumeroRE(AnoAtual() + "1234567001"));
  EXPECT_TRUE(ValidarNumeroRE(AnoAtual(-1) + "1234567999"));
  EXPECT_FALSE(ValidarNumeroRE(AnoAtual() + "1234567000"));
  EXPECT_FALSE(ValidarNumeroRE(AnoAtual(-2) + "1234567001"));
  EXPECT_FALSE(ValidarNumeroRE(AnoAtual() + "123456701"));
  EXPECT_FALSE(ValidarNumeroRE(AnoAtual() + "12345670 1"));
}

TEST(DrawbackAct, NineDigitsOrElevenReduced) {
  std::string base = AnoAtual(-2) + "123456";
  std::string ato = base + std::to_string(Mod11(base, 2, 9));
  EXPECT_TRUE(ValidarAtoDrawback(ato));
  EXPECT_TRUE(ValidarAtoDrawback("20" + ato));  // 11 digits: the first two are dropped
  EXPECT_FALSE(ValidarAtoDrawback(base + std::to_string((Mod11(base, 2, 9) + 1) % 10)));
  std::string velho = AnoAtual(-3) + "123456";
  EXPECT_FALSE(ValidarAtoDrawback(velho + std::to_string(Mod11(velho, 2, 9))));
  EXPECT_FALSE(ValidarAtoDrawback("1" + ato));
}

TEST(Recopi, TwoCheckDigitsWithGrowingWeights) {
  // Worked independently: weights 1..18 then 1..19 from the right.
  EXPECT_TRUE(ValidarRECOPI("20150123456789012327"));
  EXPECT_TRUE(ValidarRECOPI("12345678901234567837"));
  EXPECT_TRUE(ValidarRECOPI("2015.0123.4567.8901.2327"));
  EXPECT_FALSE(ValidarRECOPI("20150123456789012337"));
  EXPECT_FALSE(ValidarRECOPI("20150123456789012328"));
  EXPECT_FALSE(ValidarRECOPI("2015012345678901232"));
}

TEST(Nve, TwoLettersAndFourDigits) {
  EXPECT_TRUE(ValidarNVE("AA0001"));
  EXPECT_TRUE(ValidarNVE("zb1234"));
  EXPECT_FALSE(ValidarNVE("A10001"));
  EXPECT_FALSE(ValidarNVE("AA001"));
  EXPECT_FALSE(ValidarNVE("AA00011"));
  EXPECT_FALSE(ValidarNVE("AA00A1"));
  EXPECT_FALSE(ValidarNVE("\xC7" "A0001"));
}

// ---- Signatures and URIs --------------------------------------------------------------------

TEST(Signature, DetectedInAnyCaseAndWithAPrefix) {
  EXPECT_TRUE(ContemAssinatura("<NFe><Signature xmlns=\"http://www.w3.org/2000/09/xmldsig#\"/></NFe>"));
  EXPECT_TRUE(ContemAssinatura("<NFe><SIGNATURE/></NFe>"));
  EXPECT_TRUE(ContemAssinatura("<NFe><ds:Signature xmlns:ds=\"x\"></ds:Signature></NFe>"));
  EXPECT_FALSE(ContemAssinatura("<NFe><infNFe/></NFe>"));
  EXPECT_FALSE(ContemAssinatura("<NFe>no signature here</NFe>"));
  EXPECT_FALSE(ContemAssinatura("<a>x:signature</a>"));
  EXPECT_FALSE(ContemAssinatura(""));
}

TEST(ReferenceUri, ReadsTheIdOfTheElement) {
  const std::string xml = "<NFe xId=\"no\"><infNFe versao=\"4.00\" Id=\"NFe123\"><x Id=\"other\"/></infNFe></NFe>";
  EXPECT_EQ(ExtrairURI(xml, "infNFe", ""), "NFe123");
  EXPECT_EQ(ExtrairURI(xml, "missing", "Id"), "NFe123");  // not found: from the beginning
  EXPECT_EQ(ExtrairURI(xml, "x", "Id"), "other");
  EXPECT_EQ(ExtrairURI(xml, "infNFe", "versao"), "4.00");
  EXPECT_EQ(ExtrairURI(xml, "infNFe", "URI"), "");
  EXPECT_EQ(ExtrairURI("", "", ""), "");
}

TEST(ReferenceUri, MissingQuotesRaise) {
  try {
    ExtrairURI("<NFe><infNFe Id=\"NFe123></infNFe></NFe>", "infNFe", "Id");
    FAIL();
  } catch (const ETuimDFeException& e) {
    EXPECT_EQ(e.Message(), "Não encontrei inicio do URI: aspas final");
  }
  try {
    ExtrairURI("<NFe><infNFe Id=NFe123></infNFe></NFe>", "infNFe", "Id");
    FAIL();
  } catch (const ETuimDFeException& e) {
    EXPECT_EQ(e.Message(), "Não encontrei inicio do URI: aspas inicial");
  }
}

// ---- Municipality files ---------------------------------------------------------------------

class MunicipalityFiles : public ::testing::Test {
protected:
  void SetUp() override {
    fDir.Write("MunIBGE-UF51.txt",
               "5100102 Acorizal\r\n"
               "5107800 Santo Ant\xF4nio do Leverger\r\n"
               "5107801 Santo Ant\xF4nio\r\n"
               "5103403 Cuiab\xE1\r\n"
               "5108402 V\xE1rzea Grande\r\n");
  }
  TempDir fDir;
};

TEST_F(MunicipalityFiles, NameByCode) {
  EXPECT_EQ(NomeMunicipio("MT", 5103403, fDir.path()), "Cuiab\xE1");
  EXPECT_EQ(NomeMunicipio("MT", 5108402, fDir.path()), "V\xE1rzea Grande");
  EXPECT_EQ(NomeMunicipio("MT", 9999999, fDir.path()), "");
  // A fragment of a code names no municipality.
  EXPECT_EQ(NomeMunicipio("MT", 51, fDir.path()), "");
  EXPECT_EQ(NomeMunicipio("SP", 3550308, fDir.path()), "");  // no file for the state
  EXPECT_EQ(NomeMunicipio("XX", 5103403, fDir.path()), "");
}

TEST_F(MunicipalityFiles, CodeByNameIgnoresCaseAndAccents) {
  EXPECT_EQ(CodigoMunicipio("Cuiab\xE1", "MT", fDir.path()), 5103403);
  EXPECT_EQ(CodigoMunicipio("CUIABA", "MT", fDir.path()), 5103403);
  EXPECT_EQ(CodigoMunicipio("varzea grande", "MT", fDir.path()), 5108402);
  EXPECT_EQ(CodigoMunicipio("Rondon\xF3polis", "MT", fDir.path()), 0);
  EXPECT_EQ(CodigoMunicipio("Cuiab\xE1", "SP", fDir.path()), 0);
  EXPECT_EQ(CodigoMunicipio("", "MT", fDir.path()), 0);
}

TEST_F(MunicipalityFiles, ExactNameWinsOverALongerOneListedFirst) {
  EXPECT_EQ(CodigoMunicipio("Santo Ant\xF4nio", "MT", fDir.path()), 5107801);
  EXPECT_EQ(CodigoMunicipio("SANTO ANTONIO DO", "MT", fDir.path()), 5107800);  // only a beginning
}

TEST(MunicipalityFilesDefault, MissingFolderGivesEmptyResults) {
  EXPECT_EQ(NomeMunicipio("MT", 5103403), "");
  EXPECT_EQ(CodigoMunicipio("Cuiaba", "MT"), 0);
}

// ---- CSRT hash ------------------------------------------------------------------------------

TEST(CsrtHash, IsBase64OfSha1) {
  // printf %s CSRT KEY | openssl sha1 -binary | base64
  EXPECT_EQ(CalcularHashCSRT("G8063VRTNDMO886SFNK5LDUDEI24XJ22YIPO",
                             "41190806117473000150550010000011491550001145"),
            "pgTK1WYFW8ehFmUtAVr2g4ux70Y=");
  EXPECT_EQ(CalcularHashCSRT("", ""), "2jmj7l5rSw0yVb/vlWAYkK/YBwk=");
}

// ---- Properties over many generated inputs (fixed seed, bounded) ----------------------------

TEST(KeyRoundTrip, EveryBuiltKeyValidatesAndReadsBackItsFields) {
  std::mt19937 g(20261210);
  const int ufs[] = {11, 12, 13, 14, 15, 16, 17, 21, 22, 23, 24, 25, 26, 27, 28, 29,
                     31, 32, 33, 35, 41, 42, 43, 50, 51, 52, 53};
  const char* docs[] = {"11222333000181", "12ABC34501DE35", "0X0J92JY000196"};
  for (int i = 0; i < 3000; ++i) {
    int uf = ufs[g() % 27];
    TDateTime dia = EncodeDate(2000 + g() % 100, 1 + g() % 12, 1 + g() % 28);
    std::string doc = docs[g() % 3];
    int serie = g() % 920, numero = 1 + g() % 999999999, tp = 1 + g() % 9;
    int codigo = 1 + g() % 99999998, modelo = g() % 2 ? 55 : 65;
    std::string k = GerarChaveAcesso(uf, dia, doc, serie, numero, tp, codigo, modelo);
    ASSERT_TRUE(ValidarChaveAcesso(k)) << k << " " << MotivoChaveInvalida(k);
    EXPECT_EQ(UFDaChave(k), uf);
    EXPECT_EQ(CNPJDaChave(k), doc);
    EXPECT_EQ(ModeloDaChave(k), std::to_string(modelo));
    EXPECT_EQ(SerieDaChave(k), serie);
    EXPECT_EQ(TipoEmissaoDaChave(k), tp);
    EXPECT_EQ(CodigoDaChave(k), codigo);
    int dv = -1;
    ASSERT_TRUE(DigitoChaveAcesso(k.substr(0, 43), dv));
    EXPECT_EQ(DigitoDaChave(k), dv);
    // A single changed digit is caught, except where remainders 0 and 1 share the digit 0.
    std::string m = k;
    std::size_t p = g() % 44;
    if (dv != 0 && m[p] >= '0' && m[p] <= '9') {
      m[p] = static_cast<char>('0' + (m[p] - '0' + 1 + g() % 9) % 10);
      EXPECT_FALSE(ValidarChaveAcesso(m)) << m;
    }
  }
}

TEST(XmlTextProperty, OutputIsAlwaysWellFormedCharacterData) {
  std::mt19937 g(42);
  const std::string pedacos[] = {"&", "&amp;", "&#x41;", "&#", ";", "<", ">", "\"", "'", " ", "  ", "\t",
                                 "\r\n", "\x01", "\x08", "\x1F", "\xE7", "\x80", "a", "Z", "9", "x"};
  for (int i = 0; i < 5000; ++i) {
    std::string s;
    for (int n = g() % 20; n > 0; --n) s += pedacos[g() % std::size(pedacos)];
    std::string r = PrepararTextoXML(g() % 2, s, g() % 2, g() % 2, ";");
    for (std::size_t j = 0; j < r.size(); ++j) {
      unsigned char c = static_cast<unsigned char>(r[j]);
      ASSERT_FALSE(c < 0x20 && c != '\t' && c != '\n' && c != '\r') << "control in " << r;
      ASSERT_TRUE(c != '<' && c != '>' && c != '"' && c != '\'') << r;
      if (c == '&') {
        bool entidade = false;
        for (const char* e : {"&amp;", "&lt;", "&gt;", "&quot;", "&#39;"})
          entidade = entidade || r.compare(j, std::strlen(e), e) == 0;
        ASSERT_TRUE(entidade) << r;
      }
    }
    // Decoding what was escaped gives the text back, apart from shaping.
    if (s.find_first_of("\x01\x08\x1F\t\r\n ") == std::string::npos)
      EXPECT_EQ(DecodificarEntidadesXML(PrepararTextoXML(false, s, false, false, "")), s);
  }
}
