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
  std::size_t cadeia;  // certificates besides the one that goes with the key
};

class LeituraPKCS12 : public ::testing::TestWithParam<CasoPKCS12> {};

TEST_P(LeituraPKCS12, ReadsWhatTheFileHoldsAndLeavesNoErrorBehind) {
  const CasoPKCS12& c = GetParam();
  const std::string dados = *c.arquivo ? LerArquivoTeste(Certificado(c.arquivo)) : std::string();
  TConteudoPKCS12 conteudo;
  unsigned long erro = 0;
  EXPECT_EQ(LerPKCS12(dados, ParaUTF8(c.senha), conteudo, erro), c.resultado);
  EXPECT_EQ(ERR_peek_error(), 0u);
  EXPECT_EQ(static_cast<bool>(conteudo.Chave), c.chave);
  // libcrypto pairs the certificate with the key; without a key every certificate is chain.
  EXPECT_EQ(static_cast<bool>(conteudo.Certificado), c.chave);
  if (c.chave) EXPECT_EQ(X509_check_private_key(conteudo.Certificado.get(), conteudo.Chave.get()), 1);
  EXPECT_EQ(conteudo.Cadeia.size(), c.cadeia);
}

INSTANTIATE_TEST_SUITE_P(
    Arquivos, LeituraPKCS12,
    ::testing::Values(CasoPKCS12{"empresa.pfx", "1234", rpkOk, true, 1},
                      CasoPKCS12{"empresa-legacy.pfx", "1234", rpkOk, true, 1},
                      CasoPKCS12{"empresa-aes.pfx", "1234", rpkOk, true, 1},
                      CasoPKCS12{"empresa-acento.pfx", "sênha", rpkOk, true, 0},
                      CasoPKCS12{"empresa-semsenha.pfx", "", rpkOk, true, 0},
                      CasoPKCS12{"semchave.pfx", "1234", rpkOk, false, 1},
                      CasoPKCS12{"empresa.pfx", "errada", rpkSenhaErrada, false, 0},
                      CasoPKCS12{"empresa-aes.pfx", "", rpkSenhaErrada, false, 0},
                      CasoPKCS12{"corrompido.pfx", "1234", rpkInvalido, false, 0},
                      CasoPKCS12{"empresa.pem", "1234", rpkInvalido, false, 0},
                      CasoPKCS12{"", "1234", rpkInvalido, false, 0}));

}  // namespace
