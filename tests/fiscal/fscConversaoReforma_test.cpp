// Codes of the consumption-tax reform and the names of the schema packages.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fiscal/fscConversaoNFe.h"
#include "fiscal/fscConversaoReforma.h"

namespace tuim {
namespace {

template <class E>
std::vector<std::string> Codigos(int n, std::string (*f)(E)) {
  std::vector<std::string> r;
  for (int i = 0; i < n; ++i) r.push_back(f(static_cast<E>(i)));
  return r;
}

template <class E>
void IdaEVolta(int n, std::string (*para)(E), E (*de)(bool&, const std::string&)) {
  for (int i = 0; i < n; ++i) {
    bool ok = false;
    EXPECT_EQ(de(ok, para(static_cast<E>(i))), static_cast<E>(i)) << i;
    EXPECT_TRUE(ok) << i;
  }
}

using V = std::vector<std::string>;

TEST(ConversaoReforma, CodesInDeclarationOrderWithTheEmptyValueFirst) {
  EXPECT_EQ(Codigos(9, TpNFDebitoParaTexto), (V{"", "01", "02", "03", "04", "05", "06", "07", "08"}));
  EXPECT_EQ(Codigos(7, TpNFCreditoParaTexto), (V{"", "01", "02", "03", "04", "05", "06"}));
  EXPECT_EQ(Codigos(7, TpEnteGovParaTexto), (V{"", "1", "2", "3", "4", "5", "6"}));
  EXPECT_EQ(Codigos(5, TpOperGovParaTexto), (V{"", "1", "2", "3", "4"}));
  EXPECT_EQ(Codigos(6, TpCredPresIBSZFMParaTexto), (V{"", "0", "1", "2", "3", "4"}));
  EXPECT_EQ(Codigos(3, TpALCZFMCBSParaTexto), (V{"", "1", "2"}));
  EXPECT_EQ(Codigos(2, IndDoacaoParaTexto), (V{"", "1"}));
  EXPECT_EQ(Codigos(2, IndBemMovelUsadoParaTexto), (V{"", "1"}));
  EXPECT_EQ(Codigos(2, PacoteSchemasParaTexto), (V{"PL_009_V4", "PL_010e_NT2025.002_v1.01"}));
}

TEST(ConversaoReforma, EveryCodeReadsBack) {
  IdaEVolta(9, TpNFDebitoParaTexto, TextoParaTpNFDebito);
  IdaEVolta(7, TpNFCreditoParaTexto, TextoParaTpNFCredito);
  IdaEVolta(7, TpEnteGovParaTexto, TextoParaTpEnteGov);
  IdaEVolta(5, TpOperGovParaTexto, TextoParaTpOperGov);
  IdaEVolta(6, TpCredPresIBSZFMParaTexto, TextoParaTpCredPresIBSZFM);
  IdaEVolta(3, TpALCZFMCBSParaTexto, TextoParaTpALCZFMCBS);
  IdaEVolta(2, IndDoacaoParaTexto, TextoParaIndDoacao);
  IdaEVolta(2, IndBemMovelUsadoParaTexto, TextoParaIndBemMovelUsado);
  IdaEVolta(2, PacoteSchemasParaTexto, TextoParaPacoteSchemas);
}

TEST(ConversaoReforma, PackageShortNamesAndUnknownNames) {
  bool ok = false;
  EXPECT_EQ(TextoParaPacoteSchemas(ok, "pl_010e"), psPL010e);
  EXPECT_TRUE(ok);
  EXPECT_EQ(TextoParaPacoteSchemas(ok, "PL_009"), psPL009V4);
  EXPECT_TRUE(ok);
  TextoParaPacoteSchemas(ok, "PL_010b");
  EXPECT_FALSE(ok);
}

TEST(ConversaoReforma, CreditAndDebitNotesAndQRCodeThree) {
  EXPECT_EQ(FinNFeParaTexto(finNFe5), "5");
  EXPECT_EQ(FinNFeParaTexto(finNFe6), "6");
  bool ok = false;
  EXPECT_EQ(TextoParaFinNFe(ok, "6"), finNFe6);
  EXPECT_TRUE(ok);
  EXPECT_EQ(VersaoQrCodeParaTexto(veqr300), "3");
  EXPECT_DOUBLE_EQ(VersaoQrCodeParaNumero(veqr300), 3.0);
  EXPECT_EQ(TextoParaVersaoQrCode(ok, "3"), veqr300);
  EXPECT_TRUE(ok);
}

}  // namespace
}  // namespace tuim
