#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <locale>
#include <random>
#include <sstream>
#include <thread>

#include "fiscal/TuimDateTime.h"
#include "fiscal/TuimUtil.h"
#include "testing/CertificadosTeste.h"

using namespace tuim;
namespace fs = std::filesystem;

namespace {

std::string Ler(const fs::path& p) { return LerArquivoTeste(p.string()); }

void Escrever(const fs::path& p, const std::string& s) {
  std::ofstream f(p, std::ios::binary);
  f << s;
}

class TempDir : public ::testing::Test {
protected:
  void SetUp() override {
    char tmpl[] = "/tmp/tuim_util_XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    dir = tmpl;
  }
  void TearDown() override { fs::remove_all(dir); }
  std::string P(const std::string& name) const { return (dir / name).string(); }
  fs::path dir;
};

}  // namespace

// ---- Character classes and filters ------------------------------------------------------

TEST(CharacterClasses, RecogniseAsciiLettersDigitsAndBase64Only) {
  EXPECT_TRUE(CaractereAlfa('a'));
  EXPECT_TRUE(CaractereAlfa('Z'));
  EXPECT_FALSE(CaractereAlfa('\xE7'));  // ç is not A-Z
  EXPECT_FALSE(CaractereAlfa('1'));
  EXPECT_TRUE(CaractereNumerico('0'));
  EXPECT_FALSE(CaractereNumerico('a'));
  EXPECT_TRUE(CaractereAlfaNumerico('9'));
  EXPECT_TRUE(CaractereBase64('+'));
  EXPECT_TRUE(CaractereBase64('/'));
  EXPECT_FALSE(CaractereBase64('='));
  EXPECT_FALSE(CaractereBase64('-'));
}

TEST(CharacterClasses, EmptyTextIsAlphanumericButNotNumeric) {
  EXPECT_FALSE(TextoNumerico(""));
  EXPECT_TRUE(TextoAlfaNumerico(""));
  EXPECT_TRUE(TextoNumerico("0123"));
  EXPECT_FALSE(TextoNumerico("12 3"));
  EXPECT_FALSE(TextoAlfaNumerico("ab-1"));
  EXPECT_TRUE(TextoVazio(""));
  EXPECT_FALSE(TextoVazio(" "));
  EXPECT_TRUE(TextoPreenchido(" "));
}

struct Base64Case {
  const char* text;
  bool ok;
};
class Base64Shape : public ::testing::TestWithParam<Base64Case> {};
TEST_P(Base64Shape, AcceptsOnlyPaddedBase64) { EXPECT_EQ(TextoBase64(GetParam().text), GetParam().ok); }
INSTANTIATE_TEST_SUITE_P(TextoBase64, Base64Shape,
                         ::testing::Values(Base64Case{"QQ==", true}, Base64Case{"QQ=", false},
                                           Base64Case{"Q===", false}, Base64Case{"TWFu", true},
                                           Base64Case{"TWE=", true}, Base64Case{"", false},
                                           Base64Case{"TW-u", false}, Base64Case{"T=Fu", false},
                                           Base64Case{"====", false}));

TEST(Filters, KeepDigitsOrLettersInOrder) {
  EXPECT_EQ(SomenteNumeros("12.345.678/0001-90"), "12345678000190");
  EXPECT_EQ(SomenteNumeros("abc"), "");
  EXPECT_EQ(SomenteAlfaNumericos("a-b c\xE7" "1"), "abc1");
}

TEST(TextHelpers, TrimDropsControlsAndBlanks) {
  EXPECT_EQ(Trim(" \t\r\nab c\n "), "ab c");
  EXPECT_EQ(TrimLeft("  a "), "a ");
  EXPECT_EQ(TrimRight("  a "), "  a");
  EXPECT_EQ(Trim("   "), "");
  EXPECT_EQ(UpperCase("a\xE7z"), "A\xE7Z");
  EXPECT_EQ(AnsiUpperCase("a\xE7\xE3\xFF\x9A"), "A\xC7\xC3\x9F\x8A");
  EXPECT_EQ(AnsiLowerCase("A\xC7\xC3\x9F\x8A\xD7"), "a\xE7\xE3\xFF\x9A\xD7");
  EXPECT_EQ(Posicao("b", "abcb"), 2u);
  EXPECT_EQ(Posicao("b", "abcb", 3), 4u);
  EXPECT_EQ(Posicao("", "abc"), 0u);
  EXPECT_TRUE(TextosIguaisSemCaixa("NFe", "nfE"));
}

// ---- Text shaping -----------------------------------------------------------------------

TEST(TextShaping, CompletarEsquerdaPadsOrKeepsTheLeftmostCharacters) {
  EXPECT_EQ(CompletarEsquerda("12345", 3, '0'), "123");
  EXPECT_EQ(CompletarEsquerda("7", 3, '0'), "007");
  EXPECT_EQ(CompletarEsquerda("ab", 4), "  ab");
  EXPECT_EQ(CompletarDireita("ab", 4, '.'), "ab..");
  EXPECT_EQ(CompletarDireita("abcdef", 4), "abcd");
  EXPECT_EQ(TextoComZerosEsquerda("  42 ", 5), "00042");
}

TEST(TextShaping, IntegersWithZerosKeepTheirSignInFront) {
  EXPECT_EQ(InteiroComZerosEsquerda(42, 5), "00042");
  EXPECT_EQ(InteiroComZerosEsquerda(123456, 3), "123");
  EXPECT_EQ(InteiroComZerosEsquerda(-12, 5), "-0012");
  EXPECT_EQ(InteiroComZerosEsquerda(0, 2), "00");
  EXPECT_EQ(InteiroComZerosEsquerda(INT64_MAX, 19), "9223372036854775807");
}

TEST(TextShaping, RemoverAcentosUsesTheAccentTable) {
  EXPECT_EQ(RemoverAcentos("Ação Ótima"), "Acao Otima");
  EXPECT_EQ(RemoverAcentos("a\x96" "b"), "a b");  // en dash
  std::string all;
  for (int c = 192; c <= 255; ++c) all += static_cast<char>(c);
  EXPECT_EQ(RemoverAcentos(all),
            "AAAAAAACEEEEIIIIDNOOOOOx0UUUUYbB"
            "aaaaaaaceeeeiiiionooooo/0uuuuyby");
}

TEST(TextShaping, RemoverAcentosLeavesNoControlThatXmlForbids) {
  // Backspace included: XML 1.0 cannot carry it whatever the caller asked for.
  EXPECT_EQ(RemoverAcentos(std::string("a\x08" "b\x01" "c\x00" "d\t", 8)), "a b c d ");
  EXPECT_EQ(RemoverAcentos("l1\r\nl2"), "l1\r\nl2");
  EXPECT_EQ(RemoverAcentos("\x7F\x80\xA0\xBF"), "    ");
  for (int c = 0; c < 256; ++c) {
    std::string r = RemoverAcentos(std::string(1, static_cast<char>(c)));
    unsigned char o = static_cast<unsigned char>(r[0]);
    EXPECT_TRUE(o == 10 || o == 13 || (o >= 32 && o <= 126)) << c;
  }
}

TEST(TextShaping, EmptySearchTextLeavesTheTextUnchanged) {
  EXPECT_EQ(RemoverTexto("", "abc"), "abc");
  EXPECT_EQ(RemoverTexto("-", "1-2-3"), "123");
  EXPECT_EQ(SubstituirSeExistir("abc", "", "x"), "abc");
  EXPECT_EQ(SubstituirSeExistir("a.b.c", ".", "::"), "a::b::c");
  EXPECT_EQ(SubstituirSeExistir("aaa", "aa", "a"), "aa");
  EXPECT_EQ(UltimaPosicao("", "abc"), 0u);
  EXPECT_EQ(UltimaPosicao("b", "abcb"), 4u);
  EXPECT_EQ(UltimaPosicao("x", "abc"), 0u);
}

TEST(TextShaping, SeVazioTrimsOnlyWhenAsked) {
  EXPECT_EQ(SeVazio("  ", "d"), "d");
  EXPECT_EQ(SeVazio("  ", "d", false), "  ");
  EXPECT_EQ(SeVazio("", "d", false), "d");
  EXPECT_EQ(SeVazio(" x ", "d"), " x ");
}

TEST(TextShaping, RemoverTagsKeepsALoneOpeningBracket) {
  EXPECT_EQ(RemoverTags("<a>x</a> <b>y</b>"), "x y");
  EXPECT_EQ(RemoverTags("<a>x</a><b"), "x<b");
  EXPECT_EQ(RemoverTags("3 < 4"), "3 < 4");
  EXPECT_EQ(RemoverTags("a<b<c>d"), "a<bd");
  EXPECT_EQ(RemoverTags("a>b"), "a>b");
}

TEST(TextShaping, NormalizarQuebrasTurnsEveryBreakIntoTheGivenText) {
  EXPECT_EQ(NormalizarQuebras("a\r\nb\rc", ";"), "a;b;c");
  EXPECT_EQ(NormalizarQuebras("a\r\nb\rc\n", "\n"), "a\nb\nc\n");
  EXPECT_EQ(NormalizarQuebras("a\n\rb", "|"), "a||b");
  EXPECT_EQ(NormalizarQuebras(" \r\n ", ";"), " \r\n ");
  EXPECT_EQ(NormalizarQuebras("a\nb"), "a;b");
}

TEST(TextShaping, TraduzirControlesNamesControlsAndNumbersTheRest) {
  EXPECT_EQ(TraduzirControles("\tA\xC8"), "[TAB]A[200]");
  EXPECT_EQ(TraduzirControles(std::string("\x00\x01\x02\x03\x04\x05\x06", 7)),
            "[NUL][SOH][STX][ETX][4][ENQ][ACK]");
  EXPECT_EQ(TraduzirControles("\x08\x0A\x0C\x0D\x11\x15\x1B\x1C\x1D\x1E"),
            "[BS][LF][FF][CR][WAK][NAK][ESC][FS][GS][30]");
  EXPECT_EQ(TraduzirControles("~\x7F\xFF"), "~[127][255]");
}

TEST(TextShaping, DetectarDelimitadorTakesTheFirstCandidateFound) {
  EXPECT_EQ(DetectarDelimitador("a,b;c"), ';');
  EXPECT_EQ(DetectarDelimitador("a,b|c"), ',');
  EXPECT_EQ(DetectarDelimitador("abc"), ' ');
  EXPECT_EQ(DetectarDelimitador("a-b,c", "-,"), '-');
}

struct SplitCase {
  const char* text;
  char delim;
  char quote;
  std::vector<std::string> items;
};
class Split : public ::testing::TestWithParam<SplitCase> {};
TEST_P(Split, GivesTheItemsInOrder) {
  std::vector<std::string> l{"kept"};
  int n = SepararTexto(GetParam().text, GetParam().delim, l, GetParam().quote);
  std::vector<std::string> expected{"kept"};
  expected.insert(expected.end(), GetParam().items.begin(), GetParam().items.end());
  EXPECT_EQ(n, static_cast<int>(GetParam().items.size()));
  EXPECT_EQ(l, expected);
}
INSTANTIATE_TEST_SUITE_P(
    SepararTexto, Split,
    ::testing::Values(SplitCase{"", ';', '"', {}}, SplitCase{"a;b;c", ';', '"', {"a", "b", "c"}},
                      SplitCase{"a;\"b;c\";d", ';', '"', {"a", "b;c", "d"}},
                      SplitCase{"\"a;b\"", ';', '"', {"a;b"}},
                      SplitCase{"a;;b", ';', '"', {"a", "", "b"}},
                      SplitCase{"a;b;", ';', '"', {"a", "b"}},
                      SplitCase{"a;\"unclosed;x", ';', '"', {"a", "unclosed;x"}},
                      SplitCase{"\"", ';', '"', {""}},
                      SplitCase{"x|y", '|', '|', {"x", "y"}},
                      SplitCase{"'a,b',c", ',', '\'', {"a,b", "c"}}));

TEST(TextShaping, EmbaralharXorTwiceGivesTheTextBack) {
  const std::string key = "123456789";
  for (std::string s : {std::string("senha secreta"), std::string("1234"), std::string("\x01\xFF\x80"),
                        std::string("a\0b\0" "1", 5), std::string(300, 'x')}) {
    std::string once = EmbaralharXor(s, key);
    EXPECT_EQ(EmbaralharXor(once, key), s);
  }
  // Worked value: 'A' ^ '1' = 0x70 'p'; '2' equals its key byte and stays.
  EXPECT_EQ(EmbaralharXor("A2", "12"), "p2");
  EXPECT_EQ(EmbaralharXor("", "k"), "");
  EXPECT_EQ(EmbaralharXor("abc", ""), "abc");
  std::string withNul("a\0", 2);
  EXPECT_EQ(EmbaralharXor(withNul, "kk"), std::string("\x0A\0", 2));
}

// ---- Encoding ---------------------------------------------------------------------------

TEST(Encoding, ParaUTF8ConvertsEveryWindows1252Byte) {
  EXPECT_EQ(ParaUTF8("Ação"), "A\xC3\xA7\xC3\xA3o");
  EXPECT_EQ(ParaUTF8("\x80\x96\x9F"), "\xE2\x82\xAC\xE2\x80\x93\xC5\xB8");
  EXPECT_EQ(ParaUTF8("\x81"), "\xC2\x81");
  EXPECT_EQ(ParaUTF8(""), "");
  std::string all;
  for (int c = 0; c < 256; ++c) all += static_cast<char>(c);
  EXPECT_EQ(DeUTF8(ParaUTF8(all)), all);
  EXPECT_TRUE(TextoUTF8Valido(ParaUTF8(all)));
}

TEST(Encoding, ParaUTF8AgreesWithIconv) {
  // Independent converter: glibc's iconv through the shell.
  std::string bytes;
  for (int c = 0x20; c < 256; ++c)
    if (c != 0x81 && c != 0x8D && c != 0x8F && c != 0x90 && c != 0x9D && c != 0x7F)
      bytes += static_cast<char>(c);
  fs::path dir = fs::temp_directory_path() / ("tuim_iconv_" + std::to_string(::getpid()));
  fs::create_directories(dir);
  Escrever(dir / "in", bytes);
  std::string cmd = "iconv -f CP1252 -t UTF-8 '" + (dir / "in").string() + "' > '" +
                    (dir / "out").string() + "' 2>/dev/null";
  if (std::system(cmd.c_str()) != 0) {
    fs::remove_all(dir);
    GTEST_SKIP() << "iconv not available";
  }
  EXPECT_EQ(ParaUTF8(bytes), Ler(dir / "out"));
  fs::remove_all(dir);
}

TEST(Encoding, DeUTF8KeepsTextThatIsNotUtf8) {
  EXPECT_EQ(DeUTF8("A\xC3\xA7\xC3\xA3o"), "Ação");
  EXPECT_EQ(DeUTF8("Ação"), "Ação");               // already Windows-1252
  EXPECT_EQ(DeUTF8("\xC0\x80"), "\xC0\x80");        // overlong NUL
  EXPECT_EQ(DeUTF8("\xED\xA0\x80"), "\xED\xA0\x80");  // surrogate
  EXPECT_EQ(DeUTF8("\xE4\xB8\xAD"), "?");           // no Windows-1252 form
  EXPECT_EQ(DeUTF8("\xF0\x9F\x98\x80!"), "?!");
  EXPECT_EQ(DeUTF8("\xEF\xBB\xBF<a/>"), "<a/>");
  std::string out = "x";
  EXPECT_FALSE(DeUTF8Seguro("\xC3", out));
  EXPECT_EQ(out, "");
  EXPECT_EQ(DecodificarTexto("\xC3\xA7", true), "\xE7");
  EXPECT_EQ(DecodificarTexto("\xC3\xA7", false), "\xC3\xA7");
  EXPECT_EQ(TextoNativo("abc"), "abc");
  EXPECT_EQ(CodePointParaCp1252(0x20AC), '\x80');
  EXPECT_EQ(CodePointParaCp1252(0x100), '?');
}

TEST(Encoding, HexRoundTripsAndRejectsBadDigits) {
  EXPECT_EQ(TextoParaHex(std::string("\x00\x01\xAB\xFF", 4)), "0001ABFF");
  EXPECT_EQ(HexParaTexto(" 41a "), "A");
  EXPECT_EQ(HexParaTexto("4142ff"), "AB\xFF");
  EXPECT_EQ(HexParaTexto(""), "");
  EXPECT_THROW(HexParaTexto("4G"), ETuimConversaoException);
  EXPECT_THROW(HexParaTexto("41 42"), ETuimDFeException);
  std::string t = "x";
  EXPECT_FALSE(HexParaTextoSeguro("zz", t));
  EXPECT_EQ(t, "");
  EXPECT_TRUE(HexParaTextoSeguro("00", t));
  EXPECT_EQ(t, std::string(1, '\0'));
}

TEST(Encoding, Base64MatchesOpenSslWorkedValues) {
  // Values from `printf ... | openssl base64`.
  EXPECT_EQ(CodificarBase64("Man"), "TWFu");
  EXPECT_EQ(CodificarBase64("Ma"), "TWE=");
  EXPECT_EQ(CodificarBase64(std::string("\x00\xFF\x10", 3)), "AP8Q");
  EXPECT_EQ(CodificarBase64(""), "");
  EXPECT_EQ(DecodificarBase64("TWE="), "Ma");
  EXPECT_EQ(DecodificarBase64("QQ=="), "A");
  EXPECT_EQ(DecodificarBase64("TW\r\nFu"), "Man");
  EXPECT_EQ(DecodificarBase64("AP8Q"), std::string("\x00\xFF\x10", 3));
  std::string out;
  EXPECT_FALSE(DecodificarBase64("TWE", out));
  EXPECT_FALSE(DecodificarBase64("T@Fu", out));
  EXPECT_TRUE(DecodificarBase64("", out));
  std::string all;
  for (int c = 0; c < 256; ++c) all += static_cast<char>(c);
  EXPECT_EQ(DecodificarBase64(CodificarBase64(all)), all);
}

// ---- Numbers ----------------------------------------------------------------------------

struct RoundCase {
  double x;
  int d;
  double expected;
};
class Rounding : public ::testing::TestWithParam<RoundCase> {};
TEST_P(Rounding, HalvesGoAwayFromZeroOnTheDecimalValue) {
  double r = ArredondarPara(GetParam().x, GetParam().d);
  EXPECT_DOUBLE_EQ(r, GetParam().expected);
  EXPECT_FALSE(r == 0 && std::signbit(r)) << "negative zero";
}
INSTANTIATE_TEST_SUITE_P(
    ArredondarPara, Rounding,
    ::testing::Values(RoundCase{1.005, -2, 1.01}, RoundCase{-8.325, -2, -8.33},
                      RoundCase{2.675, -2, 2.68}, RoundCase{1.004999, -2, 1.0},
                      RoundCase{0.5, 0, 1}, RoundCase{-0.5, 0, -1}, RoundCase{1234.5, 1, 1230},
                      RoundCase{1235, 1, 1240}, RoundCase{-0.001, -2, 0}, RoundCase{-0.004, -2, 0},
                      RoundCase{9.995, -2, 10}, RoundCase{123.456, -1, 123.5},
                      RoundCase{0, -2, 0}, RoundCase{1e-20, -2, 0}, RoundCase{0.0005, -3, 0.001}));

TEST(Numbers, TruncarArredondadoAbsorbsBinaryNoise) {
  EXPECT_EQ(TruncarArredondado(2.9999999999), 3);
  EXPECT_EQ(TruncarArredondado(0.1 * 3 * 10), 3);
  EXPECT_EQ(TruncarArredondado(2.7), 2);
  EXPECT_EQ(TruncarArredondado(-2.7), -2);
}

struct ParseCase {
  const char* text;
  bool ok;
  double value;
};
class NumberParsing : public ::testing::TestWithParam<ParseCase> {};
TEST_P(NumberParsing, ReadsEitherSeparatorAndRejectsTheRest) {
  double v = -1;
  EXPECT_EQ(TextoParaNumeroSeguro(GetParam().text, v), GetParam().ok) << GetParam().text;
  if (GetParam().ok) {
    EXPECT_DOUBLE_EQ(v, GetParam().value);
    EXPECT_DOUBLE_EQ(TextoParaNumero(GetParam().text), GetParam().value);
  } else {
    EXPECT_THROW(TextoParaNumero(GetParam().text), ETuimConversaoException);
    EXPECT_DOUBLE_EQ(TextoParaNumeroPadrao(GetParam().text, 7.5), 7.5);
  }
}
const ParseCase kParseCases[] = {
    {"  12,5  ", true, 12.5}, {"12.5", true, 12.5}, {"\t-3,25\r\n", true, -3.25},
    {"+4", true, 4},          {"1e3", true, 1000},  {"1,5E-2", true, 0.015},
    {".5", true, 0.5},        {"5.", true, 5},      {"0", true, 0},
    {"", false, 0},           {"   ", false, 0},    {"abc", false, 0},
    {"1.234,56", false, 0},   {"1 234", false, 0},  {"inf", false, 0},
    {"nan", false, 0},        {"1e", false, 0},     {"--1", false, 0},
    {"+-1", false, 0},        {".", false, 0},      {"1e999", false, 0},
    {"0x10", false, 0},       {"12a", false, 0},
};
INSTANTIATE_TEST_SUITE_P(TextoParaNumero, NumberParsing, ::testing::ValuesIn(kParseCases));

TEST(Numbers, IntegerParsingFallsBackToTheDefault) {
  EXPECT_EQ(TextoParaInteiroPadrao(" 42 ", -1), 42);
  EXPECT_EQ(TextoParaInteiroPadrao("-7", 0), -7);
  EXPECT_EQ(TextoParaInteiroPadrao("+7", 0), 7);
  EXPECT_EQ(TextoParaInteiroPadrao("4.2", -1), -1);
  EXPECT_EQ(TextoParaInteiroPadrao("", -1), -1);
  EXPECT_EQ(TextoParaInteiroPadrao("99999999999999999999", -1), -1);
}

TEST(Numbers, MascaraDecimalBuildsTheMask) {
  EXPECT_EQ(MascaraDecimal(), ",0.00");
  EXPECT_EQ(MascaraDecimal(0, true), "0");
  EXPECT_EQ(MascaraDecimal(-1, false), "0");
  EXPECT_EQ(MascaraDecimal(3, false), "0.000");
}

struct FormatCase {
  double x;
  const char* mask;
  const char* expected;
};
class BrazilianNumbers : public ::testing::TestWithParam<FormatCase> {};
TEST_P(BrazilianNumbers, UseCommaDecimalAndPointThousands) {
  EXPECT_EQ(FormatarNumeroBr(GetParam().x, GetParam().mask), GetParam().expected);
}
const FormatCase kBrCases[] = {
    {9876.5, ",0.00", "9.876,50"},
    {1234567.891, ",0.000", "1.234.567,891"},
    {-1234567.891, "#,##0.00", "-1.234.567,89"},
    {-0.004, ",0.00", "0,00"},
    {1.005, "0.00", "1,01"},
    {-8.325, "0.00", "-8,33"},
    {0.5, "0", "1"},
    {12, "0.##", "12"},
    {12.3, "0.##", "12,3"},
    {12.345, "0.0#", "12,35"},
    {0.25, "#.00", ",25"},
    {1234, "000000", "001234"},
    {999.999, ",0.00", "1.000,00"},
    {5, "'R$ ',0.00", "R$ 5,00"},
    {-5, "0.00;(0.00)", "(5,00)"},
    {0, "0.00;(0.00);'zero'", "zero"},
    {0.001, "0.00;-0.00;'nada'", "nada"},
    {1234.5, "0.00E+00", "1,23E+03"},
    {0.000123, "0.0E-0", "1,2E-4"},
    {9.99, "0.0E+0", "1,0E+1"},
};
INSTANTIATE_TEST_SUITE_P(FormatarNumeroBr, BrazilianNumbers, ::testing::ValuesIn(kBrCases));

TEST(Numbers, FormatarNumeroBrDefaultsToTwoDecimalsWithThousands) {
  EXPECT_EQ(FormatarNumeroBr(9876.5), "9.876,50");
  EXPECT_EQ(FormatarNumeroBr(0), "0,00");
  EXPECT_EQ(FormatarNumeroBr(1e15), "1.000.000.000.000.000,00");
}

TEST(Numbers, NumeroParaTextoUsesTheGivenSeparatorAndNoThousands) {
  EXPECT_EQ(NumeroParaTexto(1234.5), "1234.5");
  EXPECT_EQ(NumeroParaTexto(1234.5, ','), "1234,5");
  EXPECT_EQ(NumeroParaTexto(1234.5, ',', "0.00"), "1234,50");
  EXPECT_EQ(NumeroParaTexto(1234567.5, '.', ",0.00"), "1234567.50");
  EXPECT_EQ(NumeroParaTexto(0.1 + 0.2), "0.3");
  EXPECT_EQ(NumeroParaTexto(-2), "-2");
  EXPECT_EQ(NumeroParaTexto(0), "0");
  EXPECT_EQ(NumeroParaTexto(1e20), "1E20");
  EXPECT_EQ(NumeroParaTexto(1.5e-7), "1.5E-7");
  EXPECT_EQ(NumeroParaTexto(0.00001), "0.00001");
  EXPECT_EQ(NumeroParaTexto(123456789012345.0), "123456789012345");
  EXPECT_EQ(NumeroParaTexto(std::nan("")), "NAN");
}

// ---- Dates ------------------------------------------------------------------------------

TEST(Dates, FormatarDataHoraBrUsesFixedSeparators) {
  TDateTime t = EncodeDateTime(2024, 3, 15, 12, 30, 45, 7);
  EXPECT_EQ(FormatarDataHoraBr(t), "15/03/2024 12:30:45");
  EXPECT_EQ(FormatarDataHoraBr(t, "yyyy-mm-dd\"T\"hh:nn:ss.zzz"), "2024-03-15T12:30:45.007");
  EXPECT_EQ(FormatarDataHoraBr(t, "d/m/yy h:n:s z"), "15/3/24 12:30:45 7");
  EXPECT_EQ(FormatarDataHoraBr(t, "hh:mm"), "12:30");
  EXPECT_EQ(FormatarDataHoraBr(t, "dddd, d 'de' mmmm"), "sexta-feira, 15 de março");
  EXPECT_EQ(FormatarDataHoraBr(t, "ddd mmm"), "sex mar");
  EXPECT_EQ(FormatarDataHoraBr(t, "ddddd"), "15/03/2024");
  EXPECT_EQ(FormatarDataHoraBr(t, "c"), "15/03/2024 12:30:45");
  EXPECT_EQ(FormatarDataHoraBr(EncodeDate(2024, 3, 15), "c"), "15/03/2024");
  EXPECT_EQ(FormatarDataHoraBr(t, "tt"), "12:30:45");
  EXPECT_EQ(FormatarDataHoraBr(EncodeDateTime(2024, 3, 15, 13, 5, 0), "h:nn am/pm"), "1:05 pm");
  EXPECT_EQ(FormatarDataHoraBr(EncodeDateTime(2024, 3, 16, 0, 0, 0), "dddd"), "sábado");
}

TEST(Dates, FormatarDataBrDropsTheTime) {
  TDateTime t = EncodeDateTime(2024, 3, 15, 23, 59, 59);
  EXPECT_EQ(FormatarDataBr(t), "15/03/2024");
  EXPECT_EQ(FormatarDataBr(t, "DD/MM/YYYY hh:nn"), "15/03/2024 00:00");
}

TEST(Dates, FourteenDigitTextRoundTrips) {
  TDateTime t = EncodeDateTime(2024, 3, 15, 12, 30, 45);
  EXPECT_EQ(DataHoraParaTexto14(t), "20240315123045");
  EXPECT_DOUBLE_EQ(TextoParaDataHora14("20240315123045"), t);
  EXPECT_DOUBLE_EQ(TextoParaDataHora14("  20240315123045 "), t);
  EXPECT_DOUBLE_EQ(TextoParaDataHora14("20240315"), EncodeDate(2024, 3, 15));
  EXPECT_DOUBLE_EQ(TextoParaDataHora14("20240315xx3045"), EncodeDateTime(2024, 3, 15, 0, 30, 45));
}

TEST(Dates, ImpossibleFourteenDigitTextGivesZero) {
  EXPECT_DOUBLE_EQ(TextoParaDataHora14("2024"), 0);
  EXPECT_DOUBLE_EQ(TextoParaDataHora14("20230229120000"), 0);
  EXPECT_DOUBLE_EQ(TextoParaDataHora14("20241301000000"), 0);
  EXPECT_DOUBLE_EQ(TextoParaDataHora14("20240315246000"), 0);
  EXPECT_DOUBLE_EQ(TextoParaDataHora14(""), 0);
  EXPECT_DOUBLE_EQ(TextoParaDataHora14("abcdefghijklmn"), 0);
}

// The number and date operations once more under a locale whose decimal separator is a
// comma: the results must not change.
TEST(LocaleIndependence, NumbersAndDatesIgnoreACommaDecimalLocale) {
  struct Comma : std::numpunct<char> {
    char do_decimal_point() const override { return ','; }
    char do_thousands_sep() const override { return '.'; }
    std::string do_grouping() const override { return "\3"; }
  };
  const std::locale previous = std::locale::global(std::locale(std::locale::classic(), new Comma));
  std::string cPrevious = std::setlocale(LC_ALL, nullptr);
  const char* chosen = nullptr;
  for (const char* name : {"pt_BR.UTF-8", "pt_BR.utf8", "de_DE.UTF-8", "de_DE.utf8"})
    if (std::setlocale(LC_ALL, name)) {
      chosen = name;
      break;
    }
  if (chosen) {
    EXPECT_EQ(std::string(std::localeconv()->decimal_point), ",");
    EXPECT_DOUBLE_EQ(std::strtod("1,5", nullptr), 1.5);  // the C locale is in force
  }
  std::ostringstream probe;
  probe << 1.5;
  EXPECT_EQ(probe.str(), "1,5");  // the global C++ locale is in force

  EXPECT_DOUBLE_EQ(TextoParaNumero(" 12,5 "), 12.5);
  EXPECT_DOUBLE_EQ(TextoParaNumero("12.5"), 12.5);
  EXPECT_DOUBLE_EQ(TextoParaNumero("1e3"), 1000);
  EXPECT_EQ(NumeroParaTexto(1234.5), "1234.5");
  EXPECT_EQ(NumeroParaTexto(1234.5, '.', "0.00"), "1234.50");
  EXPECT_EQ(FormatarNumeroBr(9876.5), "9.876,50");
  EXPECT_DOUBLE_EQ(ArredondarPara(1.005, -2), 1.01);
  EXPECT_EQ(FormatarDataHoraBr(EncodeDateTime(2024, 3, 15, 12, 30, 45)), "15/03/2024 12:30:45");
  EXPECT_DOUBLE_EQ(TextoParaDataHora14("20240315123045"), EncodeDateTime(2024, 3, 15, 12, 30, 45));
  for (const ParseCase& c : kParseCases) {
    double v;
    EXPECT_EQ(TextoParaNumeroSeguro(c.text, v), c.ok) << c.text;
    if (c.ok) {
      EXPECT_DOUBLE_EQ(v, c.value);
    }
  }
  for (const FormatCase& c : kBrCases) EXPECT_EQ(FormatarNumeroBr(c.x, c.mask), c.expected);
  // Nothing was changed behind the caller's back.
  if (chosen) {
    EXPECT_EQ(std::string(std::setlocale(LC_ALL, nullptr)), std::string(chosen));
  }

  std::setlocale(LC_ALL, cPrevious.c_str());
  std::locale::global(previous);
}

TEST(Concurrency, FormattersGiveTheSameResultsOnManyThreads) {
  std::vector<std::thread> threads;
  std::vector<int> failures(4, 0);
  for (int k = 0; k < 4; ++k) {
    threads.emplace_back([k, &failures] {
      for (int i = 0; i < 2000; ++i) {
        if (FormatarNumeroBr(9876.5 + k) != (k == 0 ? "9.876,50" : k == 1 ? "9.877,50"
                                              : k == 2 ? "9.878,50" : "9.879,50"))
          ++failures[k];
        if (NumeroParaTexto(0.25 * k, ',') != (k == 0 ? "0" : k == 1 ? "0,25" : k == 2 ? "0,5" : "0,75"))
          ++failures[k];
        if (FormatarDataBr(EncodeDate(2024, 3, 15 + k)) != "1" + std::to_string(5 + k) + "/03/2024")
          ++failures[k];
      }
    });
  }
  for (auto& t : threads) t.join();
  for (int f : failures) EXPECT_EQ(f, 0);
}

// ---- Files ------------------------------------------------------------------------------

TEST(Files, CaminhoComBarraAppendsOneSeparator) {
  EXPECT_EQ(CaminhoComBarra(" /tmp/x "), "/tmp/x/");
  EXPECT_EQ(CaminhoComBarra("/tmp/x/"), "/tmp/x/");
  EXPECT_EQ(CaminhoComBarra("C:\\x\\"), "C:\\x\\");
  EXPECT_EQ(CaminhoComBarra("  "), "");
}

TEST(Files, PastaAplicacaoIsTheFolderOfTheExecutable) {
  std::string p = PastaAplicacao();
  ASSERT_FALSE(p.empty());
  EXPECT_EQ(p.back(), '/');
  EXPECT_TRUE(fs::exists(fs::path(p) / "tests_fiscal"));
}

class FileWriting : public TempDir {};

TEST_F(FileWriting, GravarTextoLeavesAnExistingFileAloneForEmptyText) {
  Escrever(dir / "a.txt", "original");
  GravarTexto(P("a.txt"), "", false, false, false);
  GravarTexto(P("a.txt"), "");
  EXPECT_EQ(Ler(dir / "a.txt"), "original");
  GravarTexto("", "ignored");
  // A missing file is created even for empty text (with the line break when asked).
  GravarTexto(P("b.txt"), "", false, false, true);
  EXPECT_EQ(Ler(dir / "b.txt"), "\r\n");
}

TEST_F(FileWriting, GravarTextoAppendsOrReplaces) {
  GravarTexto(P("a.txt"), "um");
  EXPECT_EQ(Ler(dir / "a.txt"), "um\r\n");
  GravarTexto(P("a.txt"), "dois");
  EXPECT_EQ(Ler(dir / "a.txt"), "um\r\ndois\r\n");
  GravarTexto(P("a.txt"), "x", false, false, false);
  EXPECT_EQ(Ler(dir / "a.txt"), "x");
  GravarTexto(P("a.txt"), "y", true, false, false);
  EXPECT_EQ(Ler(dir / "a.txt"), "xy");
  std::string bin("\x00\xFF\r\n", 4);
  GravarTexto(P("bin"), bin, false, false, false);
  EXPECT_EQ(Ler(dir / "bin"), bin);
}

TEST_F(FileWriting, GravarTextoCreatesTheFolderOnlyWhenAsked) {
  EXPECT_THROW(GravarTexto(P("no/such/f.xml"), "x"), ETuimDFeException);
  EXPECT_FALSE(fs::exists(dir / "no"));
  GravarTexto(P("no/such/f.xml"), "x", false, true, false);
  EXPECT_EQ(Ler(dir / "no/such/f.xml"), "x");
}

TEST_F(FileWriting, GravarLogAppendsLinesAndSwallowsErrors) {
  GravarLog(P("log.txt"), "a\tb", true);
  GravarLog(P("log.txt"), "c");
  EXPECT_EQ(Ler(dir / "log.txt"), "a[TAB]b\r\nc\r\n");
  EXPECT_NO_THROW(GravarLog(P("missing/dir/log.txt"), "x"));
  EXPECT_NO_THROW(GravarLog("", "x"));
}

TEST_F(FileWriting, ConcurrentLogLinesDoNotInterleave) {
  std::vector<std::thread> ts;
  for (int k = 0; k < 4; ++k)
    ts.emplace_back([this, k] {
      for (int i = 0; i < 200; ++i) GravarLog(P("log.txt"), std::string(100, static_cast<char>('a' + k)));
    });
  for (auto& t : ts) t.join();
  std::istringstream in(Ler(dir / "log.txt"));
  std::string line;
  int n = 0;
  while (std::getline(in, line)) {
    ASSERT_EQ(line.size(), 101u);
    EXPECT_EQ(line.find_first_not_of(line[0]), 100u);
    ++n;
  }
  EXPECT_EQ(n, 800);
}

TEST_F(FileWriting, LerArquivoReadsBytes) {
  std::string s("a\0b", 3), out;
  Escrever(dir / "x", s);
  EXPECT_TRUE(LerArquivo(P("x"), out));
  EXPECT_EQ(out, s);
  EXPECT_FALSE(LerArquivo(P("y"), out));
  EXPECT_TRUE(ArquivoExiste(P("x")));
  EXPECT_FALSE(ArquivoExiste(P("y")));
  EXPECT_TRUE(PastaExiste(dir.string()));
  EXPECT_TRUE(CriarPasta(P("p/q")));
  EXPECT_TRUE(PastaExiste(P("p/q")));
}

class Listing : public TempDir {
protected:
  void SetUp() override {
    TempDir::SetUp();
    auto base = fs::file_time_type::clock::now();
    int i = 0;
    for (const char* n : {"b-nfe.xml", "A-nfe.xml", "c-nfe.xml", "d.txt"}) {
      Escrever(dir / n, n);
      // write times: b newest, then A, then c
      fs::last_write_time(dir / n, base - std::chrono::hours(24 * (i == 0 ? 0 : i == 1 ? 1 : 2 + i)));
      ++i;
    }
    fs::create_directory(dir / "sub-nfe.xml");
  }
};

TEST_F(Listing, SortsByNameIgnoringCase) {
  std::vector<std::string> l{"old"};
  ListarArquivos(P("*-nfe.xml"), l, false, 1, 2);
  EXPECT_EQ(l, (std::vector<std::string>{"A-nfe.xml", "b-nfe.xml", "c-nfe.xml", "sub-nfe.xml"}));
  ListarArquivos(P("*-nfe.xml"), l, true, 2, 2);
  EXPECT_EQ(l, (std::vector<std::string>{P("sub-nfe.xml"), P("c-nfe.xml"), P("b-nfe.xml"),
                                         P("A-nfe.xml")}));
}

TEST_F(Listing, SortsByWriteTime) {
  fs::last_write_time(dir / "sub-nfe.xml", fs::file_time_type::clock::now() - std::chrono::hours(24 * 30));
  std::vector<std::string> l;
  ListarArquivos(P("?-nfe.xml"), l, false, 1, 1);
  EXPECT_EQ(l, (std::vector<std::string>{"c-nfe.xml", "A-nfe.xml", "b-nfe.xml"}));
  ListarArquivos(P("*.xml"), l, false, 2, 1);
  EXPECT_EQ(l, (std::vector<std::string>{"b-nfe.xml", "A-nfe.xml", "c-nfe.xml", "sub-nfe.xml"}));
}

TEST_F(Listing, StarDotStarListsEverythingAndMissingFolderListsNothing) {
  std::vector<std::string> l;
  ListarArquivos(P("*.*"), l, false, 1, 3);
  EXPECT_EQ(l.size(), 5u);
  ListarArquivos(P("nowhere/*.*"), l);
  EXPECT_TRUE(l.empty());
  EXPECT_TRUE(ExistemArquivos(P("*.txt")));
  EXPECT_FALSE(ExistemArquivos(P("*.pdf")));
  Escrever(dir / "a..b.pdf", "x");
  EXPECT_FALSE(ExistemArquivos(P("*.pdf")));
}

// ---- XML fragments ----------------------------------------------------------------------

TEST(XmlEntities, DecodeInOnePassLeftToRight) {
  EXPECT_EQ(TratarEntidades("&amp;lt;", true, false), "&lt;");
  EXPECT_EQ(TratarEntidades("a &lt;b&gt; &quot;c&quot; &#39;d&apos;", true, false), "a <b> \"c\" 'd'");
  EXPECT_EQ(TratarEntidades("&#x00E7;&#xe3;&#231;&#X41;", true, false), "\xE7\xE3\xE7" "A");
  EXPECT_EQ(TratarEntidades("&#x2013;&#8364;", true, false), "\x96\x80");
  EXPECT_EQ(TratarEntidades("&#x4E2D;&#0;", true, false), "??");
  EXPECT_EQ(TratarEntidades("&ccedil;&Atilde;&uuml;&Ecirc;", true, false), "\xE7\xC3\xFC\xCA");
  EXPECT_EQ(TratarEntidades("&nbsp; &#xZZ; & &; &#; &amp", true, false), "&nbsp; &#xZZ; & &; &#; &amp");
  EXPECT_EQ(TratarEntidades("&#x110000;", true, false), "&#x110000;");
}

TEST(XmlEntities, DecodeUtf8FirstWhenAsked) {
  EXPECT_EQ(TratarEntidades("\xC3\xA7&amp;"), "\xE7&");
  EXPECT_EQ(TratarEntidades("\xC3\xA7&amp;", true, false), "\xC3\xA7&");
}

TEST(XmlEntities, EncodeTheFiveSpecialCharacters) {
  EXPECT_EQ(TratarEntidades("a<b & 'c' \"d\">", false), "a&lt;b &amp; &#39;c&#39; &quot;d&quot;&gt;");
  EXPECT_EQ(TratarEntidades(TratarEntidades("&lt; <>", false, false), true, false), "&lt; <>");
}

struct TagCase {
  const char* xml;
  const char* tag;
  bool comTags;
  bool prefixo;
  const char* expected;
};
class TagExtraction : public ::testing::TestWithParam<TagCase> {};
TEST_P(TagExtraction, FindsWholeElements) {
  const TagCase& c = GetParam();
  EXPECT_EQ(ExtrairConteudoTag(c.xml, c.tag, c.comTags, c.prefixo), c.expected);
}
INSTANTIATE_TEST_SUITE_P(
    ExtrairConteudoTag, TagExtraction,
    ::testing::Values(
        TagCase{"<a><cStat>107</cStat></a>", "cStat", false, true, "107"},
        TagCase{"<a><cStat>107</cStat></a>", "CSTAT", false, true, "107"},
        TagCase{"<a><cStat>107</cStat></a>", "cStat", true, true, "<cStat>107</cStat>"},
        TagCase{"<a><cStat a=\"1\">107</cStat ></a>", "cstat", true, false, "<cStat a=\"1\">107</cStat >"},
        TagCase{"<soap:Body><ns2:retorno xmlns:ns2=\"x\"><cStat>1</cStat></ns2:retorno></soap:Body>",
                "retorno", false, true, "<cStat>1</cStat>"},
        TagCase{"<soap:Body><ns2:retorno><cStat>1</cStat></ns2:retorno></soap:Body>", "retorno", true,
                true, "<ns2:retorno><cStat>1</cStat></ns2:retorno>"},
        TagCase{"<soap:Body><ns2:retorno><c>1</c></ns2:retorno></soap:Body>", "retorno", false, false, ""},
        TagCase{"<Erro><Codigo>1</Codigo>", "Erro", true, true, ""},
        TagCase{"<Erro><Codigo>1</Codigo>", "Erro", false, true, ""},
        TagCase{"<nfeProc><NFe><x>1</x></NFe></nfeProc>", "NFe", false, true, "<x>1</x>"},
        TagCase{"<nfeProc versao=\"4.00\"><protNFe/></nfeProc>", "NFe", false, true, ""},
        TagCase{"<a><b/></a>", "b", true, true, "<b/>"},
        TagCase{"<a><b/></a>", "b", false, true, ""},
        TagCase{"<xMotivoX>no</xMotivoX><xMotivo>ok</xMotivo>", "xMotivo", false, true, "ok"},
        TagCase{"<x>1</x>", "", false, true, ""},
        TagCase{"text without tags", "x", false, true, ""},
        TagCase{"<r><ret:cStat>2</ret:cStat></r>", "cStat", false, true, "2"}));

TEST(XmlFragments, ExtrairPrimeiraTagTakesTheFirstFilledCandidate) {
  const std::string xml = "<r><a> </a><b>2</b><c>3</c></r>";
  EXPECT_EQ(ExtrairPrimeiraTag({"x", "a", "b", "c"}, xml), "2");
  EXPECT_EQ(ExtrairPrimeiraTag({"x"}, xml), "");
  EXPECT_EQ(ExtrairPrimeiraTag({"c"}, xml, true, true), "<c>3</c>");
}

TEST(XmlFragments, ConteudoTagWithoutTheClosingTagReturnsTheRest) {
  EXPECT_EQ(ConteudoTag("<a>xyz", "a"), "xyz");
  EXPECT_EQ(ConteudoTag("<a>xyz</a>", "a"), "xyz");
  EXPECT_EQ(ConteudoTag("<A>1</a>", "a"), "1");
  EXPECT_EQ(ConteudoTag("<A>1</a>", "a", false), "");
  EXPECT_EQ(ConteudoTag("<a>1</A><a>2</a>", "a", false), "1</A><a>2");
  EXPECT_EQ(ConteudoTag("none", "a"), "");
}

TEST(XmlFragments, ConteudoEntreWithoutTheEndGivesEmpty) {
  EXPECT_EQ(ConteudoEntre("[x] [y]", "[", "]"), "x");
  EXPECT_EQ(ConteudoEntre("[x] [y]", "[", "]", true), "[x]");
  EXPECT_EQ(ConteudoEntre("abc", "a", "z"), "");
  EXPECT_EQ(ConteudoEntre("abc", "z", "c"), "");
  EXPECT_EQ(ConteudoEntre("abc", "", "c"), "");
  EXPECT_EQ(ConteudoEntre("a]b[c]", "[", "]"), "c");
}

TEST(XmlFragments, Utf8DeclarationDetection) {
  EXPECT_TRUE(XmlEmUTF8("<?xml version=\"1.0\" encoding=\"UTF-8\"?><a/>"));
  EXPECT_TRUE(XmlEmUTF8("<?xml version='1.0' encoding='utf-8'?>"));
  EXPECT_FALSE(XmlEmUTF8("<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><a>utf-8</a>"));
  EXPECT_FALSE(XmlEmUTF8("<a>utf-8</a>"));
  EXPECT_FALSE(XmlEmUTF8(std::string(45, ' ') + "<?xml version=\"1.0\" encoding=\"UTF-8\"?>"));
}

TEST(XmlFragments, ConverterXmlUTF8ReplacesAnotherDeclaration) {
  EXPECT_EQ(ConverterXmlUTF8("<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><a>\xE7</a>"),
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?><a>\xC3\xA7</a>");
  EXPECT_EQ(ConverterXmlUTF8("<a>\xE7</a>"), "<?xml version=\"1.0\" encoding=\"UTF-8\"?><a>\xC3\xA7</a>");
  EXPECT_EQ(ConverterXmlUTF8("<?xml version=\"1.0\"?><a/>"), "<?xml version=\"1.0\" encoding=\"UTF-8\"?><a/>");
  const std::string utf8 = "<?xml version=\"1.0\" encoding=\"UTF-8\"?><a>\xC3\xA7</a>";
  EXPECT_EQ(ConverterXmlUTF8(utf8), utf8);
  EXPECT_EQ(ConverterXmlUTF8("<?xml-stylesheet href=\"s\"?><a/>"),
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?><?xml-stylesheet href=\"s\"?><a/>");
}

TEST(XmlFragments, DeclarationHelpers) {
  const std::string d = "<?xml version=\"1.0\"?>";
  EXPECT_EQ(DeclaracaoXml(d + "<a/>"), d);
  EXPECT_EQ(DeclaracaoXml("<a/>"), "");
  EXPECT_EQ(DeclaracaoXml("<?xml unterminated"), "");
  EXPECT_EQ(RemoverDeclaracaoXml(d + "<a/>"), "<a/>");
  EXPECT_EQ(RemoverDeclaracaoXml("<a/>"), "<a/>");
  EXPECT_EQ(InserirDeclaracaoXml("<a/>", d), d + "<a/>");
  EXPECT_EQ(InserirDeclaracaoXml(d + "<a/>", d), d + "<a/>");
  EXPECT_EQ(InserirDeclaracaoXml("<a/>", "bad"), "<a/>");
  EXPECT_EQ(InserirDeclaracaoXml("<a/>"), "<?xml version=\"1.0\" encoding=\"UTF-8\"?><a/>");
}

// ---- Properties over many values -------------------------------------------------------

TEST(Properties, TwoDecimalFormattingMatchesIntegerArithmetic) {
  std::mt19937_64 rng(12345);
  for (int i = 0; i < 20000; ++i) {
    std::int64_t cents = static_cast<std::int64_t>(rng() % 2000000000000ull) - 1000000000000ll;
    double x = static_cast<double>(cents) / 100.0;
    std::int64_t a = cents < 0 ? -cents : cents;
    std::string expected = (cents < 0 ? "-" : "") + std::to_string(a / 100) + "." +
                           (a % 100 < 10 ? "0" : "") + std::to_string(a % 100);
    ASSERT_EQ(NumeroParaTexto(x, '.', "0.00"), expected) << cents;
    ASSERT_DOUBLE_EQ(TextoParaNumero(expected), x);
  }
}

TEST(Properties, RoundingToHundredthsMatchesIntegerHalfAwayFromZero) {
  std::mt19937_64 rng(777);
  for (int i = 0; i < 20000; ++i) {
    std::int64_t mils = static_cast<std::int64_t>(rng() % 2000000000ull) - 1000000000ll;
    double x = static_cast<double>(mils) / 1000.0;
    std::int64_t a = mils < 0 ? -mils : mils;
    std::int64_t cents = (a + 5) / 10;
    double expected = static_cast<double>(mils < 0 ? -cents : cents) / 100.0;
    ASSERT_DOUBLE_EQ(ArredondarPara(x, -2), expected) << mils;
  }
}

TEST(Properties, UnterminatedAndRandomInputNeverHangsOrOverreads) {
  std::mt19937 rng(4242);
  const char alphabet[] = "<>/:\"&;#xX0aA1 =?!\xC3\xA7\x80";
  for (int i = 0; i < 3000; ++i) {
    std::string s;
    int n = static_cast<int>(rng() % 40);
    for (int k = 0; k < n; ++k) s += alphabet[rng() % (sizeof alphabet - 1)];
    std::vector<std::string> l;
    EXPECT_LE(SepararTexto(s, ';', l), static_cast<int>(s.size()) + 1);
    EXPECT_LE(RemoverTags(s).size(), s.size());
    EXPECT_LE(ExtrairConteudoTag(s, "a", true).size(), s.size());
    EXPECT_LE(ExtrairConteudoTag(s, "x:a").size(), s.size());
    EXPECT_LE(ConteudoTag(s, "a").size(), s.size());
    EXPECT_LE(ConteudoEntre(s, "<", ">", true).size(), s.size());
    EXPECT_LE(TratarEntidades(s).size(), s.size());
    EXPECT_EQ(DeUTF8(ParaUTF8(s)), s);
    EXPECT_EQ(TratarEntidades(TratarEntidades(s, false), true, false), s);
    FormatarNumeroBr(static_cast<double>(rng()) / 7.0, s);
    FormatarDataHoraBr(45366.5, s);
    RemoverDeclaracaoXml(s);
    ConverterXmlUTF8(s);
  }
}
