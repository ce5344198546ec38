#include <gtest/gtest.h>

#include <openssl/err.h>
#include <openssl/pem.h>
#include <openssl/x509.h>

#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "CertificadosTeste.h"
#include "security/TuimDFeOpenSSL.h"
#include "security/TuimDFeSSL.h"
#include "security/TuimDFeWinCrypt.h"
#include "security/TuimPKCS11.h"
#include "testing/TokenSoftHSM.h"

using namespace tuim;

namespace {

const char* const kPIN = "1234";
const char* const kSenhaPFX = "1234";

struct TokenTeste {
  std::string pasta;
  std::string serieEmpresa, serieAlta, seriePessoa, serieSemChave;
  std::string token;  // identity as the platform layer gives it
  bool ok = false;
  std::string erro;
};

// A SoftHSM2 token of this process: the company key and certificate (id 01), the company key
// under a certificate whose serial has its high bit set (id 04), the person's key and certificate
// (id 03) and a certificate without key (id 02).
const TokenTeste& Token() {
  static TokenTeste t = [] {
    TokenTeste r;
    const std::string c = PastaCertificados() + "/";
    const std::string alta = teste::PastaTemporaria("tuim-alta");
    if (alta.empty() ||
        !teste::RodarSilencioso("cd '" + alta + "' && openssl req -new -key " + c +
                                "empresa.key -subj '/C=BR/O=Teste/CN=SERIE ALTA LTDA:11222333000181' -out alta.csr && "
                                "openssl x509 -req -in alta.csr -CA " + c + "ca.pem -CAkey " + c +
                                "ca.key -set_serial 0xC0FFEE11 -days 30 -out alta.pem")) {
      r.erro = "certificado de serie alta";
      return r;
    }
    teste::TokenSoftHSM tk = teste::CriarTokenSoftHSM({{c + "empresa.key", c + "empresa.pem", "01", "empresa"},
                                                       {c + "empresa.key", alta + "/alta.pem", "04", "alta"},
                                                       {c + "pessoa.key", c + "pessoa.pem", "03", "pessoa"},
                                                       {"", c + "semsan.pem", "02", "semchave"}},
                                                      kPIN);
    r.pasta = tk.pasta;
    if (!tk.Ok()) {
      r.erro = tk.erro;
      return r;
    }
    r.serieEmpresa = teste::SerieDoCertificado(c + "empresa.pem");
    r.seriePessoa = teste::SerieDoCertificado(c + "pessoa.pem");
    r.serieSemChave = teste::SerieDoCertificado(c + "semsan.pem");
    r.serieAlta = "00C0FFEE11";  // the encoded integer keeps its leading zero byte
    plataforma::TStore store;
    if (!plataforma::AbrirStoreTokens(store, r.erro) || store.Certificados.empty()) {
      r.erro = "store vazia: " + r.erro;
      return r;
    }
    r.token = store.Certificados.front().Token;
    r.ok = true;
    return r;
  }();
  return t;
}

class WinCryptToken : public ::testing::Test {
protected:
  void SetUp() override {
    const TokenTeste& t = Token();
    ASSERT_TRUE(t.ok) << t.erro;
  }
  static void Configurar(TDFeSSL& ssl, const std::string& serie, const std::string& pin) {
    ssl.SetSSLCryptLib(cryWinCrypt);
    ssl.SetNumeroSerie(serie);
    ssl.SetSenha(pin);
  }
};

std::string Mensagem(const std::function<void()>& f) {
  try {
    f();
  } catch (const ETuimDFeException& e) {
    return e.what();
  }
  return "";
}

// Verifies a signature with the openssl tool, against the public key of the PEM certificate.
bool OpensslVerifica(const std::string& pem, const std::string& digest, const std::string& dados,
                     const std::string& assinatura) {
  std::string d = ArquivoTemporario("dados.bin", dados);
  std::string s = ArquivoTemporario("assinatura.bin", assinatura);
  std::string pub = ArquivoTemporario("chave.pub", "");
  Executar("openssl x509 -pubkey -noout -in " + pem + " > " + pub);
  return Executar("openssl dgst -" + digest + " -verify " + pub + " -signature " + s + " " + d) == "Verified OK";
}

std::string Base64DoPEM(const std::string& pem) {
  return Executar("openssl x509 -in " + pem + " -outform DER | openssl base64 -A");
}

}  // namespace

TEST(WinCrypt, FacadeCreatesTheWindowsBackendForCryWinCrypt) {
  TDFeSSL ssl;
  ssl.SetSSLCryptLib(cryWinCrypt);
  EXPECT_EQ(ssl.SSLCryptClass().ClassName(), "TDFeWinCrypt");
  EXPECT_NE(dynamic_cast<TDFeWinCrypt*>(&ssl.SSLCryptClass()), nullptr);
}

TEST(WinCrypt, NoSourceGivenSaysWhatIsMissing) {
  TDFeSSL ssl;
  ssl.SetSSLCryptLib(cryWinCrypt);
  EXPECT_EQ(Mensagem([&] { ssl.GarantirCertificado(); }), "DadosPFX, ArquivoPFX ou NumeroSerie não especificados !");
}

struct CasoDigest {
  TSSLDgst digest;
  const char* hexa;
};
class WinCryptDigest : public ::testing::TestWithParam<CasoDigest> {};

// Worked values of the standards' test vectors for "abc".
INSTANTIATE_TEST_SUITE_P(
    Abc, WinCryptDigest,
    ::testing::Values(
        CasoDigest{dgstMD5, "900150983CD24FB0D6963F7D28E17F72"},
        CasoDigest{dgstSHA, "A9993E364706816ABA3E25717850C26C9CD0D89D"},
        CasoDigest{dgstSHA1, "A9993E364706816ABA3E25717850C26C9CD0D89D"},
        CasoDigest{dgstSHA256, "BA7816BF8F01CFEA414140DE5DAE2223B00361A396177A9CB410FF61F20015AD"},
        CasoDigest{dgstSHA512,
                   "DDAF35A193617ABACC417349AE20413112E6FA4E89A97EA20A9EEEE64B55D39A2192992A274FC1A836BA3C23A3FEEBBD"
                   "454D4423643CE80E2A9AC94FA54CA49F"}));

TEST_P(WinCryptDigest, HashesMatchTheStandardVectors) {
  TDFeSSL ssl;
  ssl.SetSSLCryptLib(cryWinCrypt);
  EXPECT_EQ(ssl.CalcHash(std::string("abc"), GetParam().digest, fhHexa), GetParam().hexa);
}

TEST(WinCrypt, Rmd160IsNotSupportedByThePlatform) {
  TDFeSSL ssl;
  ssl.SetSSLCryptLib(cryWinCrypt);
  EXPECT_EQ(Mensagem([&] { ssl.CalcHash(std::string("abc"), dgstRMD160); }),
            "Digest dgstRMD160 não suportado em TDFeWinCrypt");
}

TEST(WinCrypt, ValidarHashAcceptsTheDigestAnywhereInsideTheHash) {
  TDFeSSL ssl;
  ssl.SetSSLCryptLib(cryWinCrypt);
  std::string d = ssl.CalcHash(std::string("abc"), dgstSHA256, fhBinario);
  EXPECT_TRUE(ssl.ValidarHash(std::string("abc"), dgstSHA256, "xx" + d + "yy"));
  EXPECT_FALSE(ssl.ValidarHash(std::string("abd"), dgstSHA256, "xx" + d + "yy"));
}

// ---- A1: PKCS#12 ----

class WinCryptPFX : public ::testing::TestWithParam<const char*> {};
INSTANTIATE_TEST_SUITE_P(BothForms, WinCryptPFX, ::testing::Values("empresa-legacy.pfx", "empresa-aes.pfx"));

TEST_P(WinCryptPFX, LoadsFromDataAsSoftwareKeyAndSignsWhatOpensslVerifies) {
  TDFeSSL ssl;
  ssl.SetSSLCryptLib(cryWinCrypt);
  ssl.SetDadosPFX(LerArquivoTeste(Certificado(GetParam())));
  ssl.SetSenha(kSenhaPFX);
  ssl.GarantirCertificado();
  const TDadosCertificado& d = ssl.InfoCertificado();
  EXPECT_EQ(d.TipoCertificado(), tcA1);
  std::string serie = Executar("openssl x509 -noout -serial -in " + Certificado("empresa.pem"));
  EXPECT_EQ(d.SerieCertificado(), serie.substr(serie.find('=') + 1));
  EXPECT_EQ(d.Titular(), "EMPRESA TESTE LTDA");
  EXPECT_EQ(d.CNPJTitular(), "11222333000181");
  EXPECT_EQ(d.Autoridade(), "AC TUIM TESTE");
  EXPECT_EQ(d.CertificadoBase64(), Base64DoPEM(Certificado("empresa.pem")));
  std::string sig = ssl.CalcHash(std::string("conteúdo assinado"), dgstSHA256, fhBinario, true);
  EXPECT_EQ(sig.size(), 256u);
  EXPECT_TRUE(OpensslVerifica(Certificado("empresa.pem"), "sha256", "conteúdo assinado", sig));
  EXPECT_TRUE(ssl.ValidarHash(std::string("conteúdo assinado"), dgstSHA256, sig, true));
  EXPECT_FALSE(ssl.ValidarHash(std::string("conteúdo alterado"), dgstSHA256, sig, true));
}

TEST(WinCrypt, FileWinsOverSerialAndIsReadOnlyOnce) {
  std::string arquivo = ArquivoTemporario("uma-vez.pfx", LerArquivoTeste(Certificado("empresa-aes.pfx")));
  TDFeSSL ssl;
  ssl.SetSSLCryptLib(cryWinCrypt);
  ssl.SetArquivoPFX(arquivo);
  ssl.SetNumeroSerie("ABCDEF");
  ssl.SetSenha(kSenhaPFX);
  ssl.GarantirCertificado();
  EXPECT_EQ(ssl.InfoCertificado().Titular(), "EMPRESA TESTE LTDA");
  EXPECT_EQ(ssl.DadosPFX(), LerArquivoTeste(arquivo));
  std::filesystem::remove(arquivo);
  ssl.FecharCertificado();
  ssl.GarantirCertificado();
  EXPECT_TRUE(ssl.CertificadoAberto());
  EXPECT_EQ(ssl.SSLCryptClass().DadosPFXCertificado(), ssl.DadosPFX());
}

struct CasoRuim {
  const char* nome;
  std::function<void(TDFeSSL&)> configurar;
  const char* mensagem;
};

class WinCryptEntradaRuim : public ::testing::TestWithParam<CasoRuim> {};

INSTANTIATE_TEST_SUITE_P(
    Casos, WinCryptEntradaRuim,
    ::testing::Values(
        CasoRuim{"Corrompido",
                 [](TDFeSSL& s) {
                   s.SetDadosPFX(LerArquivoTeste(Certificado("corrompido.pfx")));
                   s.SetSenha(kSenhaPFX);
                 },
                 "PFXDataToCertContextWinApi: DadosPFX informado não são válidos"},
        CasoRuim{"ArquivoVazio",
                 [](TDFeSSL& s) {
                   s.SetArquivoPFX(ArquivoTemporario("vazio.pfx", ""));
                   s.SetSenha(kSenhaPFX);
                 },
                 "PFXDataToCertContextWinApi: DadosPFX informado não são válidos"},
        CasoRuim{"BytesQuaisquer",
                 [](TDFeSSL& s) {
                   s.SetDadosPFX(std::string("\x30\x82\xFF\xFF\x00\x01", 6));
                   s.SetSenha(kSenhaPFX);
                 },
                 "PFXDataToCertContextWinApi: DadosPFX informado não são válidos"},
        CasoRuim{"SenhaErrada",
                 [](TDFeSSL& s) {
                   s.SetDadosPFX(LerArquivoTeste(Certificado("empresa-legacy.pfx")));
                   s.SetSenha("segredo-errado");
                 },
                 "PFXDataToCertContextWinApi: Senha informada está errada"},
        CasoRuim{"SemChave",
                 [](TDFeSSL& s) {
                   s.SetDadosPFX(LerArquivoTeste(Certificado("semchave.pfx")));
                   s.SetSenha(kSenhaPFX);
                 },
                 "PFXDataToCertContextWinApi: Falha ao localizar o Certificado com a Chave Privada."},
        CasoRuim{"ArquivoAusente", [](TDFeSSL& s) { s.SetArquivoPFX("/nao/existe/segredo-errado.pfx"); },
                 "Arquivo: /nao/existe/segredo-errado.pfx não encontrado"}),
    [](const ::testing::TestParamInfo<CasoRuim>& i) { return std::string(i.param.nome); });

TEST_P(WinCryptEntradaRuim, GivesTheMessageAndLeavesTheCertificateClosed) {
  TDFeSSL ssl;
  ssl.SetSSLCryptLib(cryWinCrypt);
  GetParam().configurar(ssl);
  std::string m = Mensagem([&] { ssl.GarantirCertificado(); });
  EXPECT_EQ(m, GetParam().mensagem);
  EXPECT_FALSE(ssl.CertificadoAberto());
  EXPECT_EQ(m.find(kSenhaPFX), std::string::npos);
}

TEST(WinCrypt, PasswordWithAccentIsConvertedForThePKCS12) {
  TDFeSSL ssl;
  ssl.SetSSLCryptLib(cryWinCrypt);
  ssl.SetDadosPFX(LerArquivoTeste(Certificado("empresa-acento.pfx")));
  ssl.SetSenha("sênha");
  ssl.GarantirCertificado();
  EXPECT_EQ(ssl.InfoCertificado().TipoCertificado(), tcA1);
}

TEST(WinCrypt, ExpiryIsLocalTimeAndTwoDigitYearsAreOfTheLastCentury) {
  const char* antigo = std::getenv("TZ");
  std::string salvo = antigo ? antigo : "";
  setenv("TZ", "<-04>4", 1);  // four hours behind UTC all year, no time-zone database needed
  tzset();
  TDFeSSL ssl;
  ssl.SetSSLCryptLib(cryWinCrypt);
  ASSERT_TRUE(ssl.CarregarCertificadoPublico(Base64DoPEM(Certificado("empresa.pem"))));
  // 2045-12-31 23:59:59 UTC is 19:59:59 four hours behind.
  EXPECT_DOUBLE_EQ(ssl.InfoCertificado().ValidoAte(), EncodeDateTime(2045, 12, 31, 19, 59, 59));
  ASSERT_TRUE(ssl.CarregarCertificadoPublico(Base64DoPEM(Certificado("expirado.pem"))));
  EXPECT_DOUBLE_EQ(ssl.InfoCertificado().ValidoAte(), EncodeDateTime(1999, 12, 31, 19, 59, 59));
  if (antigo)
    setenv("TZ", salvo.c_str(), 1);
  else
    unsetenv("TZ");
  tzset();
}

TEST(WinCrypt, PublicCertificateVerifiesAndStaysNotOpen) {
  TDFeSSL assinante;
  assinante.SetSSLCryptLib(cryWinCrypt);
  assinante.SetDadosPFX(LerArquivoTeste(Certificado("empresa-aes.pfx")));
  assinante.SetSenha(kSenhaPFX);
  std::string sig = assinante.CalcHash(std::string("dados"), dgstSHA1, fhBinario, true);

  TDFeSSL ssl;
  ssl.SetSSLCryptLib(cryWinCrypt);
  ASSERT_TRUE(ssl.CarregarCertificadoPublico(Base64DoPEM(Certificado("empresa.pem"))));
  EXPECT_FALSE(ssl.CertificadoAberto());
  EXPECT_EQ(ssl.InfoCertificado().TipoCertificado(), tcIndefinido);
  EXPECT_TRUE(ssl.ValidarHash(std::string("dados"), dgstSHA1, sig, true));
  EXPECT_FALSE(ssl.CarregarCertificadoPublico("bm90IGEgY2VydGlmaWNhdGU="));
}

TEST(WinCrypt, CnpjComesFromTheAlternativeNameWhenTheSubjectHasNone) {
  TDFeSSL ssl;
  ssl.SetSSLCryptLib(cryWinCrypt);
  ASSERT_TRUE(ssl.CarregarCertificadoPublico(Base64DoPEM(Certificado("empresa-san.pem"))));
  EXPECT_EQ(ssl.InfoCertificado().CNPJTitular(), "11222333000181");
  ASSERT_TRUE(ssl.CarregarCertificadoPublico(Base64DoPEM(Certificado("pessoa.pem"))));
  EXPECT_EQ(ssl.InfoCertificado().CNPJTitular(), "12345678909");
  ASSERT_TRUE(ssl.CarregarCertificadoPublico(Base64DoPEM(Certificado("semsan.pem"))));
  EXPECT_EQ(ssl.InfoCertificado().CNPJTitular(), "");
}

TEST(WinCrypt, SelectionWithoutAHostDialogIsNotSupported) {
  DefinirSelecaoCertificado(nullptr);
  TDFeSSL ssl;
  ssl.SetSSLCryptLib(cryWinCrypt);
  EXPECT_EQ(Mensagem([&] { ssl.SelecionarCertificado(); }),
            "\"SelecionarCertificado\" não suportado em: TDFeWinCrypt");
}

// ---- A3: the token ----

TEST_F(WinCryptToken, StoreListsTheTokenCertificatesWithoutKeyCheck) {
  TDFeSSL ssl;
  ssl.SetSSLCryptLib(cryWinCrypt);
  ssl.LerCertificadosStore();
  TListaCertificados& l = ssl.ListaCertificados();
  bool achou = false;
  for (int i = 0; i < l.Count(); ++i) {
    EXPECT_EQ(l[i].TipoCertificado(), tcIndefinido);
    if (l[i].SerieCertificado() == Token().serieEmpresa) {
      achou = true;
      EXPECT_EQ(l[i].Titular(), "EMPRESA TESTE LTDA");
      EXPECT_EQ(l[i].CNPJTitular(), "11222333000181");
    }
  }
  EXPECT_TRUE(achou);
  EXPECT_FALSE(ssl.CertificadoAberto());
}

TEST_F(WinCryptToken, SerialInLowerCaseWithBlanksFindsTheHardwareCertificate) {
  std::string serie;
  for (std::size_t i = 0; i < Token().serieEmpresa.size(); i += 2)
    serie += std::string(i ? " " : "") + Token().serieEmpresa.substr(i, 2);
  for (char& ch : serie) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
  TDFeSSL ssl;
  Configurar(ssl, serie, "");
  ssl.GarantirCertificado();
  EXPECT_EQ(ssl.InfoCertificado().TipoCertificado(), tcA3);
  EXPECT_EQ(ssl.InfoCertificado().SerieCertificado(), Token().serieEmpresa);
}

TEST_F(WinCryptToken, SerialKeepsTheLeadingZeroOfTheEncodedInteger) {
  TDFeSSL ssl;
  Configurar(ssl, Token().serieAlta, "");
  ssl.GarantirCertificado();
  EXPECT_EQ(ssl.InfoCertificado().SerieCertificado(), "00C0FFEE11");
  EXPECT_EQ(ssl.InfoCertificado().Titular(), "SERIE ALTA LTDA");
}

TEST_F(WinCryptToken, UnknownSerialIsNotFound) {
  TDFeSSL ssl;
  Configurar(ssl, "ABCDEF0123", kPIN);
  EXPECT_EQ(Mensagem([&] { ssl.GarantirCertificado(); }), "Certificado \"ABCDEF0123\" não encontrado!");
}

TEST_F(WinCryptToken, SignsThroughTheTokenWhatOpensslVerifies) {
  TDFeSSL ssl;
  Configurar(ssl, Token().serieEmpresa, kPIN);
  std::string sig = ssl.CalcHash(std::string("<infNFe>assinar</infNFe>"), dgstSHA256, fhBinario, true);
  EXPECT_EQ(sig.size(), 256u);
  EXPECT_TRUE(OpensslVerifica(Certificado("empresa.pem"), "sha256", "<infNFe>assinar</infNFe>", sig));
  EXPECT_TRUE(ssl.ValidarHash(std::string("<infNFe>assinar</infNFe>"), dgstSHA256, sig, true));
  // PKCS#1 v1.5 is deterministic: the software key gives the same bytes.
  TDFeSSL a1;
  a1.SetSSLCryptLib(cryWinCrypt);
  a1.SetDadosPFX(LerArquivoTeste(Certificado("empresa-aes.pfx")));
  a1.SetSenha(kSenhaPFX);
  EXPECT_EQ(a1.CalcHash(std::string("<infNFe>assinar</infNFe>"), dgstSHA256, fhBinario, true), sig);
  const TContextoCertificado* ctx = ssl.ContextoCertificado();
  ASSERT_NE(ctx, nullptr);
  EXPECT_NE(ctx->Certificado, nullptr);
  EXPECT_NE(ctx->ChavePrivada, nullptr);
}

TEST_F(WinCryptToken, WrongPinIsReportedDiscardedAndNotTriedAgain) {
  TDFeSSL ssl;
  Configurar(ssl, Token().serieEmpresa, "9876");
  std::string m = Mensagem([&] { ssl.GarantirCertificado(); });
  EXPECT_EQ(m, "O cartão não pode ser acessado porque o PIN errado foi apresentado.");
  EXPECT_EQ(m.find("9876"), std::string::npos);
  EXPECT_EQ(ssl.Senha(), "");
  EXPECT_EQ(TDFeWinCrypt::UsosPINToken(Token().token), 0);
  // The next load has no PIN to try: it opens, and signing says the token is not logged in.
  ssl.GarantirCertificado();
  EXPECT_TRUE(ssl.CertificadoAberto());
  std::string s = Mensagem([&] { ssl.CalcHash(std::string("x"), dgstSHA256, fhBinario, true); });
  EXPECT_EQ(s, "Falha em obter Provedor de Criptografia do Certificado. Erro: 00000101 , erro: $00000101");
  EXPECT_FALSE(plataforma::Logado(Token().token));
}

TEST_F(WinCryptToken, PinIsSetOncePerTokenAndClosingOneCertificateKeepsTheOthersLoggedIn) {
  TDFeSSL a, b, c;
  Configurar(a, Token().serieEmpresa, kPIN);
  Configurar(b, Token().serieEmpresa, kPIN);
  Configurar(c, Token().seriePessoa, "");  // another certificate of the same token, no PIN of its own
  a.GarantirCertificado();
  EXPECT_TRUE(plataforma::Logado(Token().token));
  EXPECT_EQ(TDFeWinCrypt::UsosPINToken(Token().token), 1);
  b.GarantirCertificado();
  c.GarantirCertificado();
  EXPECT_EQ(TDFeWinCrypt::UsosPINToken(Token().token), 3);

  a.FecharCertificado();
  EXPECT_EQ(TDFeWinCrypt::UsosPINToken(Token().token), 2);
  EXPECT_TRUE(plataforma::Logado(Token().token));
  std::string sig = b.CalcHash(std::string("b"), dgstSHA1, fhBinario, true);
  EXPECT_TRUE(OpensslVerifica(Certificado("empresa.pem"), "sha1", "b", sig));
  sig = c.CalcHash(std::string("c"), dgstSHA256, fhBinario, true);
  EXPECT_TRUE(OpensslVerifica(Certificado("pessoa.pem"), "sha256", "c", sig));

  b.FecharCertificado();
  c.FecharCertificado();
  EXPECT_EQ(TDFeWinCrypt::UsosPINToken(Token().token), 0);
  EXPECT_FALSE(plataforma::Logado(Token().token));
}

TEST_F(WinCryptToken, ChangingThePinClosesAndReleasesTheUse) {
  TDFeSSL ssl;
  Configurar(ssl, Token().serieEmpresa, kPIN);
  ssl.GarantirCertificado();
  EXPECT_EQ(TDFeWinCrypt::UsosPINToken(Token().token), 1);
  ssl.SetSenha("0000");
  EXPECT_FALSE(ssl.CertificadoAberto());
  EXPECT_EQ(TDFeWinCrypt::UsosPINToken(Token().token), 0);
  EXPECT_FALSE(plataforma::Logado(Token().token));
}

TEST_F(WinCryptToken, CertificateWithoutKeyOnTheTokenCannotSign) {
  TDFeSSL ssl;
  Configurar(ssl, Token().serieSemChave, kPIN);
  ssl.GarantirCertificado();
  EXPECT_EQ(ssl.InfoCertificado().TipoCertificado(), tcIndefinido);
  EXPECT_EQ(Mensagem([&] { ssl.CalcHash(std::string("x"), dgstSHA256, fhBinario, true); }),
            "Provedor de Criptografia não encontrado. Verifique a configuração do Certificado , erro: $00000060");
  ssl.FecharCertificado();
  EXPECT_EQ(TDFeWinCrypt::UsosPINToken(Token().token), 0);
}

TEST_F(WinCryptToken, TokenKeyIsNotExportable) {
  TDFeSSL ssl;
  Configurar(ssl, Token().serieEmpresa, kPIN);
  EXPECT_THROW(ssl.SSLCryptClass().DadosPFXCertificado(), ETuimDFeExceptionNoPrivateKey);
}

TEST_F(WinCryptToken, HostDialogChoosesTheCertificateAndItIsOpened) {
  std::string titulo;
  DefinirSelecaoCertificado([&](const std::string& t, const std::string&, const TListaCertificados& l) {
    titulo = t;
    for (int i = 0; i < l.Count(); ++i)
      if (l[i].SerieCertificado() == Token().serieEmpresa) return i;
    return -1;
  });
  TDFeSSL ssl;
  ssl.SetSSLCryptLib(cryWinCrypt);
  ssl.SetSenha(kPIN);
  EXPECT_EQ(ssl.SelecionarCertificado(), Token().serieEmpresa);
  DefinirSelecaoCertificado(nullptr);
  EXPECT_EQ(titulo, "Selecione um Certificado");
  EXPECT_EQ(ssl.NumeroSerie(), Token().serieEmpresa);
  EXPECT_TRUE(ssl.CertificadoAberto());
  EXPECT_EQ(ssl.InfoCertificado().TipoCertificado(), tcA3);
}

// The whole signing path on a hardware key: the enveloped signature of an NF-e made through the
// token is accepted by xmlsec1 against the CA, and a changed character is caught by both.
TEST_F(WinCryptToken, XmlSignedThroughTheTokenVerifiesInXmlSec) {
  TDFeSSL ssl;
  Configurar(ssl, Token().serieEmpresa, kPIN);
  ssl.SetSSLXmlSignLib(xsLibXml2);
  const std::string nfe =
      "<NFe xmlns=\"http://www.portalfiscal.inf.br/nfe\"><infNFe Id=\"NFe51240111222333000181550010000000011000000017\" "
      "versao=\"4.00\"><ide><natOp>VENDA</natOp></ide></infNFe></NFe>";
  for (TSSLDgst d : {dgstSHA1, dgstSHA256}) {
    ssl.SetSSLDgst(d);
    std::string assinado = ssl.Assinar(nfe, "NFe", "infNFe");
    EXPECT_EQ(ssl.InfoCertificado().TipoCertificado(), tcA3);
    std::string arquivo = ArquivoTemporario("token-nfe.xml", assinado);
    const std::string xmlsec = "xmlsec1 --verify --trusted-pem " + Certificado("ca.pem") +
                               " --id-attr:Id http://www.portalfiscal.inf.br/nfe:infNFe ";
    EXPECT_TRUE(teste::RodarSilencioso(xmlsec + arquivo)) << assinado;
    std::string msg;
    EXPECT_TRUE(ssl.SSLXmlSignClass().ValidarAssinatura(assinado, msg, "infNFe")) << msg;
    auto p = assinado.find("VENDA");
    assinado.replace(p, 5, "VENDO");
    arquivo = ArquivoTemporario("token-nfe-alterada.xml", assinado);
    EXPECT_FALSE(teste::RodarSilencioso(xmlsec + arquivo));
    EXPECT_FALSE(ssl.SSLXmlSignClass().ValidarAssinatura(assinado, msg, "infNFe"));
  }
}

struct CasoPIN {
  unsigned long codigo;
  bool levantar;
  bool definido;
  const char* mensagem;
};
class WinCryptStatusPIN : public ::testing::TestWithParam<CasoPIN> {};
INSTANTIATE_TEST_SUITE_P(
    Codigos, WinCryptStatusPIN,
    ::testing::Values(
        CasoPIN{plataforma::ckrOk, true, true, ""}, CasoPIN{plataforma::ckrTokenNotPresent, true, false, ""},
        CasoPIN{plataforma::ckrPinIncorrect, false, false,
                "O cartão não pode ser acessado porque o PIN errado foi apresentado."},
        CasoPIN{plataforma::ckrPinLocked, false, false,
                "O cartão não pode ser acessado porque o número máximo de tentativas de entrada de PIN foi atingido"},
        CasoPIN{plataforma::ckrGeneralError, false, false, ""},
        CasoPIN{plataforma::ckrGeneralError, true, false, "Falha ao Definir PIN do Certificado. Erro: 00000005"}));

TEST_P(WinCryptStatusPIN, TokenCodesGiveThePlatformMessages) {
  bool definido = false;
  std::string m = Mensagem([&] { definido = TDFeWinCrypt::JulgarStatusPIN(GetParam().codigo, GetParam().levantar); });
  EXPECT_EQ(m, GetParam().mensagem);
  EXPECT_EQ(definido, GetParam().definido);
}
