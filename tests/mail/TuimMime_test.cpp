#include "mail/TuimMime.h"

#include <gtest/gtest.h>

#include "fiscal/TuimUtil.h"
#include "mail/TuimMail.h"

using namespace tuim;

namespace {

struct CasoQP {
  const char* entrada;
  const char* esperado;
};

class QuotedPrintableCasos : public ::testing::TestWithParam<CasoQP> {};

// Worked values checked against Python's quopri module.
TEST_P(QuotedPrintableCasos, EncodesAsRfc2045) {
  EXPECT_EQ(mime::QuotedPrintable(GetParam().entrada), GetParam().esperado);
}

INSTANTIATE_TEST_SUITE_P(
    Valores, QuotedPrintableCasos,
    ::testing::Values(CasoQP{"texto simples", "texto simples"},
                      CasoQP{"Ol\xC3\xA1", "Ol=C3=A1"},
                      CasoQP{"a=b", "a=3Db"},
                      CasoQP{"fim com espa\xC3\xA7o ", "fim com espa=C3=A7o=20"},
                      CasoQP{"tab\tno meio", "tab\tno meio"},
                      CasoQP{"linha1\nlinha2\r\nlinha3\rlinha4", "linha1\r\nlinha2\r\nlinha3\r\nlinha4"},
                      CasoQP{"aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa",
                             "aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa=\r\naaaaa"}));

TEST(QuotedPrintable, NoEncodedLineIsLongerThan76) {
  std::string s;
  for (int i = 0; i < 500; ++i) s += static_cast<char>(i % 3 ? 'x' : '\xE9');
  std::string qp = mime::QuotedPrintable(s);
  std::size_t inicio = 0;
  while (inicio < qp.size()) {
    std::size_t fim = qp.find("\r\n", inicio);
    if (fim == std::string::npos) fim = qp.size();
    EXPECT_LE(fim - inicio, 76u);
    inicio = fim + 2;
  }
}

TEST(Base64Linhas, BreaksEvery76Characters) {
  std::string dados(100, '\x01');
  std::string b = mime::Base64Linhas(dados);
  // 100 bytes give 136 characters: one full line and one of 60.
  ASSERT_EQ(b.size(), 136u + 4u);
  EXPECT_EQ(b.find("\r\n"), 76u);
  EXPECT_EQ(b.substr(b.size() - 2), "\r\n");
  std::string linhas = b;
  linhas.erase(std::remove(linhas.begin(), linhas.end(), '\r'), linhas.end());
  linhas.erase(std::remove(linhas.begin(), linhas.end(), '\n'), linhas.end());
  EXPECT_EQ(DecodificarBase64(linhas), dados);
}

TEST(CodificarCabecalho, AsciiTextStaysAsIs) {
  EXPECT_EQ(mime::CodificarCabecalho("Nota fiscal 123", "UTF-8"), "Nota fiscal 123");
}

TEST(CodificarCabecalho, NonAsciiTextBecomesEncodedWords) {
  // UTF-8 bytes of "Nota fiscal no 123 - emissao" with its accents, checked with Python's base64.
  std::string utf8 = ParaUTF8("Nota fiscal nº 123 ") + "\xE2\x80\x94" + ParaUTF8(" emissão");
  EXPECT_EQ(mime::CodificarCabecalho(utf8, "UTF-8"), "=?UTF-8?B?Tm90YSBmaXNjYWwgbsK6IDEyMyDigJQgZW1pc3PDo28=?=");
  EXPECT_EQ(mime::CodificarCabecalho("Jos\xE9", "windows-1252"), "=?windows-1252?B?Sm9z6Q==?=");
}

TEST(CodificarCabecalho, LongTextIsFoldedWithoutSplittingCharacters) {
  std::string utf8;
  for (int i = 0; i < 40; ++i) utf8 += "\xC3\xA7\xC3\xA3o ";  // "ção "
  std::string h = mime::CodificarCabecalho(utf8, "UTF-8");
  std::string juntado;
  std::size_t inicio = 0;
  for (;;) {
    std::size_t fim = h.find("\r\n ", inicio);
    std::string palavra = h.substr(inicio, fim == std::string::npos ? std::string::npos : fim - inicio);
    EXPECT_LE(palavra.size(), 75u);
    ASSERT_EQ(palavra.rfind("=?UTF-8?B?", 0), 0u);
    std::string bytes = DecodificarBase64(palavra.substr(10, palavra.size() - 12));
    EXPECT_TRUE(TextoUTF8Valido(bytes)) << palavra;
    juntado += bytes;
    if (fim == std::string::npos) break;
    inicio = fim + 3;
  }
  EXPECT_EQ(juntado, utf8);
}

struct CasoEndereco {
  const char* linha;
  const char* endereco;
  const char* codificado;
};

class Enderecos : public ::testing::TestWithParam<CasoEndereco> {};

TEST_P(Enderecos, AddressPartAndEncodedForm) {
  EXPECT_EQ(mime::SomenteEndereco(GetParam().linha), GetParam().endereco);
  EXPECT_EQ(mime::CodificarEndereco(GetParam().linha, "UTF-8"), GetParam().codificado);
}

INSTANTIATE_TEST_SUITE_P(
    Valores, Enderecos,
    ::testing::Values(CasoEndereco{"  a@b.com ", "a@b.com", "a@b.com"},
                      CasoEndereco{"\"Fulano\" <f@b.com>", "f@b.com", "\"Fulano\" <f@b.com>"},
                      CasoEndereco{"Fulano de Tal <f@b.com>", "f@b.com", "\"Fulano de Tal\" <f@b.com>"},
                      CasoEndereco{"\"Jos\xC3\xA9\" <j@b.com>", "j@b.com", "=?UTF-8?B?Sm9zw6k=?= <j@b.com>"},
                      CasoEndereco{"\"a \\\"b\" <x@y.z>", "x@y.z", "\"a \\\\\\\"b\" <x@y.z>"},
                      CasoEndereco{"x@y.z>\r\nRCPT TO:<intruso@y.z", "x@y.z>RCPT TO:<intruso@y.z", "x@y.z>RCPT TO:<intruso@y.z"},
                      CasoEndereco{"\"Nome\r\nBcc: z@y\" <a@b.c>", "a@b.c", "\"NomeBcc: z@y\" <a@b.c>"}));

TEST(Parametro, NonAsciiValueUsesRfc2231) {
  EXPECT_EQ(mime::Parametro("filename", "nota.pdf", "UTF-8"), "filename=\"nota.pdf\"");
  EXPECT_EQ(mime::Parametro("filename", "n\xC3\xA3o 1.pdf", "UTF-8"), "filename*=UTF-8''n%C3%A3o%201.pdf");
}

TEST(TipoMidia, KnownExtensionsIgnoringCase) {
  EXPECT_EQ(mime::TipoMidia("danfe.PDF"), "application/pdf");
  EXPECT_EQ(mime::TipoMidia("nfe.xml"), "application/xml");
  EXPECT_EQ(mime::TipoMidia("logo.png"), "image/png");
  EXPECT_EQ(mime::TipoMidia("semextensao"), "application/octet-stream");
  EXPECT_EQ(mime::TipoMidia("arquivo.xyz"), "application/octet-stream");
}

TEST(DotStuffing, DoublesLeadingDotsAndEndsWithLineBreak) {
  EXPECT_EQ(mime::DotStuffing(".a\r\nb.\r\n.\r\n..c"), "..a\r\nb.\r\n..\r\n...c\r\n");
  EXPECT_EQ(mime::DotStuffing("x\r\n"), "x\r\n");
}

TEST(ConverterCharset, Cp1252ToUtf8AndBack) {
  EXPECT_EQ(ConverterCharset("a\xE7\xE3o \x80", CP1252, UTF_8), "a\xC3\xA7\xC3\xA3o \xE2\x82\xAC");
  EXPECT_EQ(ConverterCharset("a\xC3\xA7\xC3\xA3o", UTF_8, CP1252), "a\xE7\xE3o");
  EXPECT_EQ(ConverterCharset("\xE7", CP1252, CP1252), "\xE7");
}

TEST(ConverterCharset, MissingCharacterBecomesQuestionMark) {
  // The euro sign has no ISO-8859-1 form.
  EXPECT_EQ(ConverterCharset("1 \x80 e \xE9", CP1252, ISO_8859_1), "1 ? e \xE9");
}

TEST(MimeChar, Names) {
  EXPECT_EQ(MimeCharParaTexto(UTF_8), "UTF-8");
  EXPECT_EQ(MimeCharParaTexto(CP1252), "windows-1252");
  EXPECT_EQ(MimeCharParaTexto(ISO_8859_1), "ISO-8859-1");
  EXPECT_EQ(MailStatusParaTexto(pmsSendReplyTo), "pmsSendReplyTo");
  EXPECT_EQ(MailStatusParaTexto(pmsError), "pmsError");
}

}  // namespace
