// The access-key module: layout, allowed characters, document field and parts.
#include "fiscal/TuimChaveAcesso.h"

#include <gtest/gtest.h>

using namespace tuim;

namespace {

const TCampoChave kCampos[] = {kChaveUF,     kChaveAno,   kChaveMes,         kChaveCNPJ,   kChaveModelo,
                               kChaveSerie,  kChaveNumero, kChaveTipoEmissao, kChaveCodigo, kChaveDigito};

TEST(ChaveAcesso, TheTenFieldsCoverTheFortyFourPositionsInOrder) {
  std::size_t proxima = 0;
  for (const TCampoChave& c : kCampos) {
    EXPECT_EQ(c.Inicio, proxima);
    proxima = c.Inicio + c.Tamanho;
  }
  EXPECT_EQ(proxima, TamanhoChaveAcesso);
}

TEST(ChaveAcesso, LettersStandOnlyInTheCNPJBase) {
  for (std::size_t i = 0; i < TamanhoChaveAcesso; ++i) {
    EXPECT_TRUE(CaractereDaChave('7', i)) << i;
    EXPECT_EQ(CaractereDaChave('K', i), i >= 6 && i <= 17) << i;
    EXPECT_FALSE(CaractereDaChave('k', i)) << i;
    EXPECT_FALSE(CaractereDaChave(' ', i)) << i;
  }
}

struct CasoDocumento {
  const char* documento;
  const char* naChave;
};

class DocumentoChave : public ::testing::TestWithParam<CasoDocumento> {};

TEST_P(DocumentoChave, IsWhatTheKeyCarries) {
  EXPECT_EQ(DocumentoDaChave(GetParam().documento), GetParam().naChave);
}

INSTANTIATE_TEST_SUITE_P(Casos, DocumentoChave,
                         ::testing::Values(CasoDocumento{"11.222.333/0001-81", "11222333000181"},
                                           CasoDocumento{"12.ABC.345/01DE-35", "12ABC34501DE35"},
                                           CasoDocumento{"123.456.789-09", "00012345678909"},
                                           CasoDocumento{"12ABC34501DEXX", "00000001234501"},
                                           CasoDocumento{"", "00000000000000"}));

TEST(ChaveAcesso, PartsComeFromTheLayout) {
  const std::string chave = "51240811222333000181550010000000101000000020";
  EXPECT_EQ(ParteDaChave(chave, kChaveModelo), "55");
  EXPECT_EQ(ParteDaChave(chave, kChaveCodigo), "00000002");
  EXPECT_EQ(ParteDaChave(chave, kChaveDigito), "0");
  EXPECT_EQ(ParteDaChave("5124", kChaveCNPJ), "");
  EXPECT_EQ(ParteDaChave("51240811", kChaveCNPJ), "11");
  EXPECT_EQ(UFDaChave(chave), 51);
  EXPECT_EQ(SerieDaChave(chave), 1);
  EXPECT_EQ(CodigoDaChave(chave), 2);
}

TEST(ChaveAcesso, ComposingWithItsDigitGivesAWellFormedValidKey) {
  AccessKeyFields f = DecomporChaveAcesso("5124081122233300018155001000000010100000002");
  DefinirDigitoChave(f);
  const std::string chave = ComporChaveAcesso(f);
  EXPECT_TRUE(ChaveBemFormada(chave));
  EXPECT_TRUE(ValidarChaveAcesso(chave)) << MotivoChaveInvalida(chave);
  EXPECT_FALSE(ChaveBemFormada(chave.substr(1)));
  EXPECT_FALSE(ChaveBemFormada("K" + chave.substr(1)));
}

}  // namespace
