// The one PKCS#12 reader, against the files the test CA makes.
#include "security/TuimPKCS12.h"

#include <gtest/gtest.h>

#include <openssl/err.h>
#include <openssl/x509.h>

#include "fiscal/TuimUtil.h"
#include "testing/CertificadosTeste.h"

using namespace tuim;

namespace {

struct CasoPKCS12 {
  const char* arquivo;  // empty: no data at all
  const char* senha;    // Windows-1252, as the facade holds it
  TResultadoPKCS12 resultado;
  bool chave;
};

class LeituraPKCS12 : public ::testing::TestWithParam<CasoPKCS12> {};

TEST_P(LeituraPKCS12, ReadsWhatTheFileHoldsAndLeavesNoErrorBehind) {
  const CasoPKCS12& c = GetParam();
  const std::string dados = *c.arquivo ? LerArquivoTeste(Certificado(c.arquivo)) : std::string();
  TConteudoPKCS12 conteudo;
  unsigned long erro = 0;
  EXPECT_EQ(LerPKCS12(dados, ParaUTF8(c.senha), conteudo, erro), c.resultado);
  EXPECT_EQ(ERR_peek_error(), 0u);
  if (c.resultado == rpkOk) {
    ASSERT_TRUE(conteudo.Certificado);
    EXPECT_EQ(static_cast<bool>(conteudo.Chave), c.chave);
    if (c.chave) EXPECT_EQ(X509_check_private_key(conteudo.Certificado.get(), conteudo.Chave.get()), 1);
  } else {
    EXPECT_FALSE(conteudo.Certificado);
    EXPECT_FALSE(conteudo.Chave);
  }
  if (c.resultado == rpkSenhaErrada) EXPECT_NE(erro, 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Arquivos, LeituraPKCS12,
    ::testing::Values(CasoPKCS12{"empresa.pfx", "1234", rpkOk, true},
                      CasoPKCS12{"empresa-legacy.pfx", "1234", rpkOk, true},
                      CasoPKCS12{"empresa-aes.pfx", "1234", rpkOk, true},
                      CasoPKCS12{"empresa-acento.pfx", "sênha", rpkOk, true},
                      CasoPKCS12{"empresa-semsenha.pfx", "", rpkOk, true},
                      CasoPKCS12{"semchave.pfx", "1234", rpkOk, false},
                      CasoPKCS12{"empresa.pfx", "errada", rpkSenhaErrada, false},
                      CasoPKCS12{"empresa-aes.pfx", "", rpkSenhaErrada, false},
                      CasoPKCS12{"corrompido.pfx", "1234", rpkInvalido, false},
                      CasoPKCS12{"empresa.pem", "1234", rpkInvalido, false},
                      CasoPKCS12{"", "1234", rpkInvalido, false}));

}  // namespace
