#include <gtest/gtest.h>

#include <openssl/pem.h>
#include <openssl/x509.h>

#include <algorithm>
#include <tuple>

#include "security/TuimDFeOpenSSL.h"
#include "tests/security/CertificadosTeste.h"
#include "tests/security/MensagemTeste.h"

using namespace tuim;

namespace {

std::unique_ptr<TDFeSSL> FacadeOpenSSL() {
  auto ssl = std::make_unique<TDFeSSL>();
  ssl->SetSSLCryptLib(cryOpenSSL);
  return ssl;
}

std::string SemDoisPontos(std::string s) {
  s.erase(std::remove(s.begin(), s.end(), ':'), s.end());
  return s;
}

std::string Depois(const std::string& s, const std::string& marca) {
  auto p = s.find(marca);
  return p == std::string::npos ? "" : s.substr(p + marca.size());
}

const char* kSenhaErrada = "Erro ao ler informações do Certificado.\r\nProvavelmente a senha está errada";

}  // namespace

// Both PKCS#12 forms, from a file and from memory, describe the same certificate; the openssl
// tool is the witness for serial, thumbprint, names and DER.
class OpenSSLCarga : public ::testing::TestWithParam<std::pair<const char*, bool>> {};

TEST_P(OpenSSLCarga, CompanyCertificateIsDescribedInEveryField) {
  auto [arquivo, daMemoria] = GetParam();
  auto ssl = FacadeOpenSSL();
  if (daMemoria)
    ssl->SetDadosPFX(LerArquivoTeste(Certificado(arquivo)));
  else
    ssl->SetArquivoPFX(Certificado(arquivo));
  ssl->SetSenha("1234");
  ssl->GarantirCertificado();
  ASSERT_TRUE(ssl->CertificadoAberto());
  const TDadosCertificado& d = ssl->InfoCertificado();
  std::string pem = Certificado("empresa.pem");
  EXPECT_EQ(d.SerieCertificado(), Depois(Executar("openssl x509 -noout -serial -in " + pem), "serial="));
  EXPECT_EQ(d.SerieCertificado().substr(0, 4), "7F00");  // a zero byte inside the serial is kept
  EXPECT_EQ(d.ImpressaoDigital(),
            SemDoisPontos(Depois(Executar("openssl x509 -noout -fingerprint -sha1 -in " + pem), "=")));
  EXPECT_EQ(d.SubjectName(), "C=BR, O=ICP-Brasil, OU=Teste, CN=EMPRESA TESTE LTDA:11222333000181");
  EXPECT_EQ(d.SubjectName(),
            Depois(Executar("openssl x509 -noout -subject -nameopt sep_comma_plus_space -in " + pem), "subject="));
  EXPECT_EQ(d.Titular(), "EMPRESA TESTE LTDA");
  EXPECT_EQ(d.CNPJTitular(), "11222333000181");
  EXPECT_EQ(d.IssuerName(), "C=BR, O=ICP-Brasil, OU=Autoridade Certificadora Raiz de Teste, CN=AC TUIM TESTE RFB v1");
  EXPECT_EQ(d.Autoridade(), "AC TUIM TESTE");
  EXPECT_EQ(d.ValidoAte(), EncodeDateTime(2045, 12, 31, 23, 59, 59));
  EXPECT_EQ(d.TipoCertificado(), tcIndefinido);
  EXPECT_EQ(d.CertificadoBase64(), Executar("openssl base64 -A -in " + Certificado("empresa.der")));
  EXPECT_EQ(ssl->CNPJCertificado(), "11222333000181");
  EXPECT_EQ(ssl->ValidadeCertificado(), EncodeDateTime(2045, 12, 31, 23, 59, 59));
}

INSTANTIATE_TEST_SUITE_P(Formas, OpenSSLCarga,
                         ::testing::Values(std::make_pair("empresa-legacy.pfx", false),
                                           std::make_pair("empresa-legacy.pfx", true),
                                           std::make_pair("empresa-aes.pfx", false),
                                           std::make_pair("empresa-aes.pfx", true)));

TEST(OpenSSL, LegacyFileReallyIsRC2AndNeedsTheLegacyProvider) {
  std::string info = Executar("openssl pkcs12 -info -noout -legacy -passin pass:1234 -in " +
                              Certificado("empresa-legacy.pfx") + " 2>&1");
  EXPECT_NE(info.find("40BitRC2"), std::string::npos) << info;
}

struct CasoOutroNome {
  const char* arquivo;
  const char* titular;
  const char* cnpj;
  int ano, mes, dia, hora, minuto, segundo;
};

TEST(OpenSSL, OtherNamesAndValidityOfEachTestCertificate) {
  const CasoOutroNome casos[] = {
      // CNPJ only in the other name 2.16.76.1.3.3; accented name in Windows-1252
      {"empresa-san.pfx", "CONFECÇÕES SÃO JOÃO LTDA", "11222333000181", 2045, 12, 31, 23, 59, 59},
      // CPF at characters 9-19 of the person data 2.16.76.1.3.1; four-digit-year validity
      {"pessoa.pfx", "FULANO DE TAL", "12345678909", 2055, 12, 31, 12, 0, 0},
      // two-digit year 99 is 1999
      {"expirado.pfx", "EMPRESA VENCIDA LTDA", "11222333000181", 1999, 12, 31, 23, 59, 59},
      // no alternative names, no colon: nothing
      {"semsan.pfx", "SEM IDENTIFICACAO", "", 2045, 12, 31, 23, 59, 59},
      // a private extension that looks like the other name's tail is not read; the real one is short
      {"forjado.pfx", "CERTIFICADO FORJADO", "123", 2045, 12, 31, 23, 59, 59},
  };
  for (const auto& c : casos) {
    auto ssl = FacadeOpenSSL();
    ssl->SetArquivoPFX(Certificado(c.arquivo));
    ssl->SetSenha("1234");
    ssl->GarantirCertificado();
    const TDadosCertificado& d = ssl->InfoCertificado();
    EXPECT_EQ(d.Titular(), c.titular) << c.arquivo;
    EXPECT_EQ(d.CNPJTitular(), c.cnpj) << c.arquivo;
    EXPECT_EQ(d.ValidoAte(), EncodeDateTime(c.ano, c.mes, c.dia, c.hora, c.minuto, c.segundo)) << c.arquivo;
  }
}

TEST(OpenSSL, OtherNameDecodingIsBoundedByTheDecodedValue) {
  std::string der = LerArquivoTeste(Certificado("forjado.pem"));
  BIO* bio = BIO_new_mem_buf(der.data(), static_cast<int>(der.size()));
  X509* cert = PEM_read_bio_X509(bio, nullptr, nullptr, nullptr);
  BIO_free(bio);
  ASSERT_NE(cert, nullptr);
  EXPECT_EQ(TDFeOpenSSL::CNPJDasExtensoes(cert), "123");
  X509_free(cert);
}

struct CasoFalha {
  const char* nome;
  std::function<void(TDFeSSL&)> preparar;
  std::string mensagem;
};

TEST(OpenSSL, BadCertificateSourcesGiveTheWrittenMessages) {
  const CasoFalha casos[] = {
      {"nada", [](TDFeSSL&) {}, "Certificado não informado.\r\nUtilize \"ArquivoPFX\" ou \"DadosPFX\""},
      {"so serie", [](TDFeSSL& s) { s.SetNumeroSerie("7F00"); },
       "TDFeOpenSSL não suporta carga de Certificado pelo número de série.\r\nUtilize \"ArquivoPFX\" ou \"DadosPFX\""},
      {"arquivo ausente", [](TDFeSSL& s) { s.SetArquivoPFX("/nao/existe.pfx"); },
       "Arquivo: /nao/existe.pfx não encontrado, e DadosPFX não informado"},
      {"senha errada",
       [](TDFeSSL& s) {
         s.SetArquivoPFX(Certificado("empresa-aes.pfx"));
         s.SetSenha("errada");
       },
       kSenhaErrada},
      {"senha errada legacy",
       [](TDFeSSL& s) {
         s.SetArquivoPFX(Certificado("empresa-legacy.pfx"));
         s.SetSenha("4321");
       },
       kSenhaErrada},
      {"corrompido",
       [](TDFeSSL& s) {
         s.SetArquivoPFX(Certificado("corrompido.pfx"));
         s.SetSenha("1234");
       },
       kSenhaErrada},
      {"dados lixo",
       [](TDFeSSL& s) {
         s.SetDadosPFX(std::string("\x30\x82\xff\xff lixo", 9));
         s.SetSenha("1234");
       },
       kSenhaErrada},
      {"arquivo vazio",
       [](TDFeSSL& s) { s.SetArquivoPFX(ArquivoTemporario("vazio.pfx", "")); },
       "Erro ao Carregar Certificado"},
  };
  for (const auto& c : casos) {
    auto ssl = FacadeOpenSSL();
    c.preparar(*ssl);
    std::string m = MensagemDe([&] { ssl->GarantirCertificado(); });
    EXPECT_EQ(m, c.mensagem) << c.nome;
    EXPECT_FALSE(ssl->CertificadoAberto()) << c.nome;
    EXPECT_EQ(m.find("errada\x01"), std::string::npos);
  }
}

TEST(OpenSSL, PasswordNeverAppearsInAMessage) {
  auto ssl = FacadeOpenSSL();
  ssl->SetArquivoPFX(Certificado("empresa-aes.pfx"));
  ssl->SetSenha("SEGREDO-XYZ");
  std::string m = MensagemDe([&] { ssl->GarantirCertificado(); });
  EXPECT_EQ(m.find("SEGREDO"), std::string::npos);
}

TEST(OpenSSL, MissingFileWithDataPresentUsesTheData) {
  auto ssl = FacadeOpenSSL();
  ssl->SetArquivoPFX("/nao/existe.pfx");
  ssl->SetDadosPFX(LerArquivoTeste(Certificado("pessoa.pfx")));
  ssl->SetSenha("1234");
  ssl->GarantirCertificado();
  EXPECT_EQ(ssl->InfoCertificado().Titular(), "FULANO DE TAL");
}

TEST(OpenSSL, FileWinsOverDataAndItsBytesBecomeTheData) {
  auto ssl = FacadeOpenSSL();
  ssl->SetArquivoPFX(Certificado("empresa-aes.pfx"));
  ssl->SetDadosPFX(LerArquivoTeste(Certificado("pessoa.pfx")));
  ssl->SetSenha("1234");
  ssl->GarantirCertificado();
  EXPECT_EQ(ssl->InfoCertificado().Titular(), "EMPRESA TESTE LTDA");
  EXPECT_EQ(ssl->DadosPFX(), LerArquivoTeste(Certificado("empresa-aes.pfx")));
  EXPECT_TRUE(ssl->CertificadoAberto());
}

TEST(OpenSSL, AccentedAndEmptyPasswordsOpenTheirFiles) {
  auto ssl = FacadeOpenSSL();
  ssl->SetArquivoPFX(Certificado("empresa-acento.pfx"));
  ssl->SetSenha("sênha");  // Windows-1252 here; the file was made with the UTF-8 text
  ssl->GarantirCertificado();
  EXPECT_EQ(ssl->InfoCertificado().CNPJTitular(), "11222333000181");

  auto sem = FacadeOpenSSL();
  sem->SetArquivoPFX(Certificado("empresa-semsenha.pfx"));
  sem->GarantirCertificado();
  EXPECT_EQ(sem->InfoCertificado().CNPJTitular(), "11222333000181");
}

TEST(OpenSSL, CertificateWithoutKeyIsRefusedWithTheKeyMessageNotThePasswordOne) {
  auto ssl = FacadeOpenSSL();
  ssl->SetArquivoPFX(Certificado("semchave.pfx"));
  ssl->SetSenha("1234");
  EXPECT_EQ(MensagemDe([&] { ssl->GarantirCertificado(); }), "Falha ao localizar o Certificado com a Chave Privada.");
  EXPECT_FALSE(ssl->CertificadoAberto());
  EXPECT_EQ(MensagemDe([&] { ssl->CalcHash("abc", dgstSHA256, fhBinario, true); }),
            "Falha ao localizar o Certificado com a Chave Privada.");
  ssl->SetSenha("errada");
  EXPECT_EQ(MensagemDe([&] { ssl->GarantirCertificado(); }), kSenhaErrada);
}

// PKCS#1 v1.5 is deterministic: the openssl tool must produce the same bytes, and accept them.
TEST(OpenSSL, SignatureMatchesAndVerifiesWithTheOpensslTool) {
  auto ssl = FacadeOpenSSL();
  ssl->SetArquivoPFX(Certificado("empresa-legacy.pfx"));
  ssl->SetSenha("1234");
  std::string texto = "<SignedInfo>conteúdo a assinar</SignedInfo>";
  std::string dados = ArquivoTemporario("dados.txt", texto);
  for (auto [dgst, nome] : {std::pair{dgstSHA1, "sha1"}, {dgstSHA256, "sha256"}, {dgstSHA512, "sha512"}}) {
    std::string sig = ssl->CalcHash(texto, dgst, fhBinario, true);
    EXPECT_EQ(sig.size(), 256u);
    EXPECT_EQ(ssl->CalcHash(texto, dgst, fhBase64, true),
              Executar(std::string("openssl dgst -") + nome + " -sign " + Certificado("empresa.key") + " " + dados +
                       " | openssl base64 -A"));
    std::string arqSig = ArquivoTemporario(std::string("sig-") + nome, sig);
    Executar("openssl x509 -pubkey -noout -in " + Certificado("empresa.pem") + " > " + dados + ".pub");
    EXPECT_EQ(Executar(std::string("openssl dgst -") + nome + " -verify " + dados + ".pub -signature " + arqSig +
                       " " + dados),
              "Verified OK");
    EXPECT_TRUE(ssl->ValidarHash(texto, dgst, sig, true));
    std::string alterada = sig;
    alterada[100] ^= 0x10;
    EXPECT_FALSE(ssl->ValidarHash(texto, dgst, alterada, true));
    EXPECT_FALSE(ssl->ValidarHash(texto + " ", dgst, sig, true));
  }
}

TEST(OpenSSL, PublicCertificateVerifiesItsOwnersSignaturesOnly) {
  auto empresa = FacadeOpenSSL();
  empresa->SetArquivoPFX(Certificado("empresa-aes.pfx"));
  empresa->SetSenha("1234");
  std::string sigEmpresa = empresa->CalcHash("abc", dgstSHA256, fhBinario, true);
  std::string base64 = empresa->InfoCertificado().CertificadoBase64();

  auto pessoa = FacadeOpenSSL();
  pessoa->SetArquivoPFX(Certificado("pessoa.pfx"));
  pessoa->SetSenha("1234");
  std::string sigPessoa = pessoa->CalcHash("abc", dgstSHA256, fhBinario, true);

  auto verificador = FacadeOpenSSL();
  // Line breaks inside the Base64 text, as signatures often carry it, are accepted.
  std::string quebrado = base64.substr(0, 64) + "\r\n" + base64.substr(64);
  ASSERT_TRUE(verificador->CarregarCertificadoPublico(quebrado));
  EXPECT_FALSE(verificador->CertificadoAberto());
  EXPECT_EQ(verificador->InfoCertificado().Titular(), "EMPRESA TESTE LTDA");
  EXPECT_TRUE(verificador->ValidarHash("abc", dgstSHA256, sigEmpresa, true));
  EXPECT_FALSE(verificador->ValidarHash("abc", dgstSHA256, sigPessoa, true));

  EXPECT_FALSE(verificador->CarregarCertificadoPublico("isto não é base64!"));
  EXPECT_FALSE(verificador->CarregarCertificadoPublico("QUJDRA=="));

  // Signers taking turns: each load answers for its own certificate, closed or not in between,
  // though the last one is kept to spare decoding it again.
  const std::string base64Pessoa = pessoa->InfoCertificado().CertificadoBase64();
  for (int volta = 0; volta < 2; ++volta) {
    for (const auto& [cert, titular, sig, outra] :
         {std::tuple{base64, "EMPRESA TESTE LTDA", sigEmpresa, sigPessoa},
          std::tuple{base64, "EMPRESA TESTE LTDA", sigEmpresa, sigPessoa},
          std::tuple{base64Pessoa, "FULANO DE TAL", sigPessoa, sigEmpresa}}) {
      ASSERT_TRUE(verificador->CarregarCertificadoPublico(cert));
      EXPECT_EQ(verificador->InfoCertificado().Titular(), titular);
      EXPECT_TRUE(verificador->ValidarHash("abc", dgstSHA256, sig, true));
      EXPECT_FALSE(verificador->ValidarHash("abc", dgstSHA256, outra, true));
      if (volta == 1) verificador->FecharCertificado();
    }
  }
}

TEST(OpenSSL, ClientCertificateContextCarriesCertificateKeyAndChain) {
  auto ssl = FacadeOpenSSL();
  ssl->SetArquivoPFX(Certificado("empresa-aes.pfx"));
  ssl->SetSenha("1234");
  const TContextoCertificado* ctx = ssl->ContextoCertificado();
  ASSERT_NE(ctx, nullptr);
  ASSERT_NE(ctx->Certificado, nullptr);
  ASSERT_NE(ctx->ChavePrivada, nullptr);
  EXPECT_EQ(X509_check_private_key(ctx->Certificado, ctx->ChavePrivada), 1);
  ASSERT_EQ(ctx->Cadeia.size(), 1u);
  char cn[256];
  X509_NAME_get_text_by_NID(X509_get_subject_name(ctx->Cadeia[0]), NID_commonName, cn, sizeof cn);
  EXPECT_STREQ(cn, "AC TUIM TESTE RFB v1");
  ssl->FecharCertificado();
  EXPECT_FALSE(ssl->CertificadoAberto());
  EXPECT_EQ(ssl->InfoCertificado().SerieCertificado(), "");
}

TEST(OpenSSL, ChangingThePasswordClosesAndTheNewOneIsUsedOnReopen) {
  auto ssl = FacadeOpenSSL();
  ssl->SetArquivoPFX(Certificado("empresa-aes.pfx"));
  ssl->SetSenha("1234");
  ssl->GarantirCertificado();
  ssl->SetSenha("errada");
  EXPECT_FALSE(ssl->CertificadoAberto());
  EXPECT_EQ(MensagemDe([&] { ssl->GarantirCertificado(); }), kSenhaErrada);
  ssl->SetSenha("1234");
  ssl->GarantirCertificado();
  EXPECT_TRUE(ssl->CertificadoAberto());
}

TEST(OpenSSL, SelectingAnotherBackendReleasesTheCertificate) {
  auto ssl = FacadeOpenSSL();
  ssl->SetArquivoPFX(Certificado("empresa-aes.pfx"));
  ssl->SetSenha("1234");
  ssl->GarantirCertificado();
  ssl->SetSSLCryptLib(cryNone);
  EXPECT_FALSE(ssl->CertificadoAberto());
  EXPECT_EQ(ssl->SSLCryptClass().ClassName(), "TDFeSSLCryptClass");
}

TEST(OpenSSL, StoreOperationsAreNotSupported) {
  auto ssl = FacadeOpenSSL();
  EXPECT_EQ(MensagemDe([&] { ssl->LerCertificadosStore(); }), "\"LerCertificadosStore\" não suportado em: TDFeOpenSSL");
  EXPECT_EQ(MensagemDe([&] { ssl->SelecionarCertificado(); }),
            "\"SelecionarCertificado\" não suportado em: TDFeOpenSSL");
}
