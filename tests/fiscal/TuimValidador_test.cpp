#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "fiscal/TuimException.h"
#include "fiscal/TuimValidador.h"
#include "fiscal/fscAuxiliar.h"

using namespace tuim;

namespace {

// Runs one check and answers the message (empty when valid).
std::string Check(TTuimValTipoDocto tipo, const std::string& doc, const std::string& comp = "",
                  bool ajustar = false, bool exibe = false) {
  TTuimValidador v;
  v.SetTipoDocto(tipo);
  v.SetDocumento(doc);
  v.SetComplemento(comp);
  v.SetAjustarTamanho(ajustar);
  v.SetExibeDigitoCorreto(exibe);
  bool ok = v.Validar();
  EXPECT_EQ(ok, v.MsgErro().empty()) << doc;
  return v.MsgErro();
}

std::string IE(const std::string& ie, const std::string& uf, bool ajustar = false, bool exibe = false) {
  return Check(docInscEst, ie, uf, ajustar, exibe);
}

std::string Prefixo(const std::string& uf) { return "Insc.Estadual inválida para " + uf + " "; }

// The same text with its character at i moved one step within its class (digit or letter), a
// change of value that no modulus-11 weight below 11 can hide.
std::string OneStep(std::string s, std::size_t i) {
  char& c = s[i];
  if (c >= '0' && c <= '9')
    c = c == '9' ? '0' : static_cast<char>(c + 1);
  else
    c = c == 'Z' ? 'A' : static_cast<char>(c + 1);
  return s;
}

}  // namespace

// --- TTuimCalcDigito -------------------------------------------------------------------------

TEST(CalcDigito, Modulo11WeightsWrapFromTwoToNine) {
  TTuimCalcDigito c;
  // "112223330001" from the right: 1*2 + 0*3 + 0*4 + 0*5 + 3*6 + 3*7 + 3*8 + 2*9 + 2*2 + 2*3
  // + 1*4 + 1*5 = 102; 102 mod 11 = 3; digit 11 - 3 = 8.
  c.SetDocumento("112223330001");
  c.Calcular();
  EXPECT_EQ(c.SomaDigitos(), 102);
  EXPECT_EQ(c.ModuloFinal(), 3);
  EXPECT_EQ(c.DigitoFinal(), 8);
}

TEST(CalcDigito, Modulo11RemainderZeroOrOneGivesZero) {
  TTuimCalcDigito c;
  c.SetDocumento("5");  // 5*2 = 10, r 10 -> 1
  c.Calcular();
  EXPECT_EQ(c.DigitoFinal(), 1);
  c.SetDocumento("6");  // 12, r 1 -> 0
  c.Calcular();
  EXPECT_EQ(c.ModuloFinal(), 1);
  EXPECT_EQ(c.DigitoFinal(), 0);
  c.SetDocumento("");  // 0 -> 0
  c.Calcular();
  EXPECT_EQ(c.DigitoFinal(), 0);
}

TEST(CalcDigito, NonDigitCharactersCountAsZero) {
  TTuimCalcDigito c;
  c.SetDocumento("1A1");  // 1*2 + 0*3 + 1*4 = 6; r 6; digit 5
  c.Calcular();
  EXPECT_EQ(c.SomaDigitos(), 6);
  EXPECT_EQ(c.DigitoFinal(), 5);
}

TEST(CalcDigito, DescendingMultipliersWithModulo10AddTheDigitsOfEachProduct) {
  // Multipliers 2 down to 1: the Luhn sum of 7992739871 is 67, so the digit is 3.
  TTuimCalcDigito c;
  c.SetDocumento("7992739871");
  c.SetFormula(fdModulo10);
  c.SetMultiplicadorInicial(2);
  c.SetMultiplicadorFinal(1);
  c.Calcular();
  EXPECT_EQ(c.SomaDigitos(), 67);
  EXPECT_EQ(c.ModuloFinal(), 7);
  EXPECT_EQ(c.DigitoFinal(), 3);
}

TEST(CalcDigito, Modulo11PisTurnsTenAndElevenIntoZero) {
  TTuimCalcDigito c;
  c.SetFormula(fdModulo11Pis);
  c.SetDocumento("1205641254");  // 4*2+5*3+2*4+1*5+4*6+6*7+5*8+0*9+2*2+1*3 = 149; r 6; 11-6 = 5
  c.Calcular();
  EXPECT_EQ(c.SomaDigitos(), 149);
  EXPECT_EQ(c.DigitoFinal(), 5);
  c.SetDocumento("6");  // 12, r 1 -> 10 -> 0
  c.Calcular();
  EXPECT_EQ(c.DigitoFinal(), 0);
  c.SetDocumento("");  // r 0 -> 11 -> 0
  c.Calcular();
  EXPECT_EQ(c.DigitoFinal(), 0);
}

TEST(CalcDigito, CurrentMultiplierInsideTheRangeIsTheStart) {
  TTuimCalcDigito c;
  c.SetDocumento("111");
  c.SetMultiplicadorAtual(8);  // 8 + 9 + 2 = 19
  c.Calcular();
  EXPECT_EQ(c.SomaDigitos(), 19);
  c.SetMultiplicadorAtual(10);  // outside 2..9: starts at 2, 2 + 3 + 4 = 9
  c.Calcular();
  EXPECT_EQ(c.SomaDigitos(), 9);
}

TEST(CalcDigito, LimparRestoresTheDefaults) {
  TTuimCalcDigito c;
  c.SetMultiplicadorInicial(1);
  c.SetMultiplicadorFinal(18);
  c.SetMultiplicadorAtual(4);
  c.SetFormula(fdModulo10);
  c.Limpar();
  EXPECT_EQ(c.MultiplicadorInicial(), 2);
  EXPECT_EQ(c.MultiplicadorFinal(), 9);
  EXPECT_EQ(c.MultiplicadorAtual(), 0);
  EXPECT_EQ(c.Formula(), fdModulo11);
}

// --- Validar: the common steps ---------------------------------------------------------------

TEST(Validador, SettingADifferentDocumentAsksForValidar) {
  TTuimValidador v;
  v.SetDocumento("11144477735");
  EXPECT_EQ(v.MsgErro(), "Função Validar não foi chamada");
  EXPECT_TRUE(v.Validar());
  EXPECT_EQ(v.MsgErro(), "");
  EXPECT_EQ(v.DigitoCalculado(), "35");
  v.SetDocumento("11144477735");  // same value: nothing changes
  EXPECT_EQ(v.MsgErro(), "");
  EXPECT_EQ(v.DigitoCalculado(), "35");
  v.SetDocumento("11144477736");
  EXPECT_EQ(v.MsgErro(), "Função Validar não foi chamada");
  EXPECT_EQ(v.DigitoCalculado(), "");
}

struct EmptyCase {
  TTuimValTipoDocto tipo;
  const char* nome;
};
class EmptyDocument : public ::testing::TestWithParam<EmptyCase> {};

TEST_P(EmptyDocument, NamesTheKindUnlessEmptyIsAllowed) {
  EXPECT_EQ(Check(GetParam().tipo, "  ./- "), std::string(GetParam().nome) + " não pode ser vazio.");
  TTuimValidador v;
  v.SetTipoDocto(GetParam().tipo);
  v.SetPermiteVazio(true);
  int calls = 0;
  v.OnMsgErro = [&](const std::string&) { ++calls; };
  EXPECT_TRUE(v.Validar());
  EXPECT_EQ(calls, 0);
}

INSTANTIATE_TEST_SUITE_P(
    AllKinds, EmptyDocument,
    ::testing::Values(EmptyCase{docCPF, "CPF"}, EmptyCase{docCNPJ, "CNPJ"}, EmptyCase{docUF, "UF"},
                      EmptyCase{docInscEst, "Inscrição Estadual"}, EmptyCase{docNumCheque, "Número de Cheque"},
                      EmptyCase{docPIS, "PIS"}, EmptyCase{docCEP, "CEP"},
                      EmptyCase{docCartaoCredito, "Número de Cartão"}, EmptyCase{docSuframa, "SUFRAMA"},
                      EmptyCase{docGTIN, "GTIN"}, EmptyCase{docRenavam, "Renavam"},
                      EmptyCase{docCNH, "Carteira Nacional de Habilitação"},
                      EmptyCase{docPrefixoGTIN, "Prefixo do Código GTIN"}, EmptyCase{docCAEPF, "CAEPF"},
                      EmptyCase{docPlacaMercosul, "Placa"}));

TEST(Validador, EmptyEmailIsTheTrimmedText) {
  EXPECT_EQ(Check(docEmail, "   "), "E-Mail não pode ser vazio.");
}

TEST(Validador, FailureCallsTheEventAndRaisesOnlyWhenAsked) {
  TTuimValidador v;
  std::string seen;
  v.OnMsgErro = [&](const std::string& m) { seen = m; };
  v.SetDocumento("111.111.111-11");
  EXPECT_FALSE(v.Validar());
  EXPECT_EQ(seen, "CPF inválido !");
  v.SetRaiseExcept(true);
  seen.clear();
  try {
    v.Validar();
    FAIL() << "no exception";
  } catch (const ETuimDFeException& e) {
    EXPECT_EQ(std::string(e.what()), "CPF inválido !");
  }
  EXPECT_EQ(seen, "CPF inválido !");
}

TEST(Validador, KindOutsideTheEnumerationAlwaysRaises) {
  TTuimValidador v;
  v.SetTipoDocto(static_cast<TTuimValTipoDocto>(200));
  v.SetDocumento("123");
  try {
    v.Validar();
    FAIL() << "no exception";
  } catch (const ETuimDFeException& e) {
    EXPECT_EQ(std::string(e.what()), "Tipo de documento informado inválido!");
  }
  v.SetDocumento("");
  EXPECT_FALSE(v.Validar());
  EXPECT_EQ(v.MsgErro(), "Documento não pode ser vazio.");
}

TEST(Validador, IgnorarCharListsTheSeparatorsRemoved) {
  TTuimValidador v;
  v.SetDocumento("111 444 777 35");
  EXPECT_FALSE(v.Validar());
  v.SetIgnorarChar(" ");
  EXPECT_TRUE(v.Validar());
}

// --- CPF -------------------------------------------------------------------------------------

TEST(ValidadorCPF, WorkedDigitsAndMessages) {
  // 111444777: d1 = 1*10+1*9+1*8+4*7+4*6+4*5+7*4+7*3+7*2 = 162, r 8 -> 3;
  // d2 = 1*11+1*10+1*9+4*8+4*7+4*6+7*5+7*4+7*3+3*2 = 204, r 6 -> 5.
  EXPECT_EQ(Check(docCPF, "111.444.777-35"), "");
  EXPECT_EQ(Check(docCPF, "111.444.777-36"), "CPF inválido.");
  EXPECT_EQ(Check(docCPF, "111.444.777-36", "", false, true), "CPF inválido... Dígito calculado: 35");
  EXPECT_EQ(Check(docCPF, "111.111.111-11"), "CPF inválido !");
  EXPECT_EQ(Check(docCPF, "000.000.000-00"), "CPF inválido !");
  EXPECT_EQ(Check(docCPF, "1114447773"), "CPF deve ter 11 dígitos. (Apenas números)");
  EXPECT_EQ(Check(docCPF, "1114447773A"), "CPF deve ter 11 dígitos. (Apenas números)");
  // A CPF never carries letters, unlike the new CNPJ.
  EXPECT_EQ(Check(docCPF, "11A44477735"), "CPF deve ter 11 dígitos. (Apenas números)");
}

TEST(ValidadorCPF, AjustarTamanhoZeroFillsTenDigits) {
  // 012345678: d1 = 0*10+1*9+2*8+3*7+4*6+5*5+6*4+7*3+8*2 = 156, r 2 -> 9;
  // d2 = 0*11+1*10+2*9+3*8+4*7+5*6+6*5+7*4+8*3+9*2 = 210, r 1 -> 0.
  EXPECT_EQ(Check(docCPF, "1234567890"), "CPF deve ter 11 dígitos. (Apenas números)");
  EXPECT_EQ(Check(docCPF, "1234567890", "", true), "");
  EXPECT_EQ(Check(docCPF, "01234567890"), "");
}

// --- CNPJ and CAEPF --------------------------------------------------------------------------

TEST(ValidadorCNPJ, WorkedDigitsAndMessages) {
  // Sums in CalcDigito.Modulo11WeightsWrapFromTwoToNine (8); then 1122233300018 from the right:
  // 8*2+1*3+0*4+0*5+0*6+3*7+3*8+3*9+2*2+2*3+2*4+1*5+1*6 = 120, r 10 -> 1.
  EXPECT_EQ(Check(docCNPJ, "11.222.333/0001-81"), "");
  EXPECT_EQ(Check(docCNPJ, "11.222.333/0001-82"), "CNPJ inválido.");
  EXPECT_EQ(Check(docCNPJ, "11.222.333/0001-82", "", false, true), "CNPJ inválido... Digito calculado: 81");
  EXPECT_EQ(Check(docCNPJ, "00000000000000"), "CNPJ inválido.");
  EXPECT_EQ(Check(docCNPJ, "1122233300018"), "CNPJ deve ter 14 dígitos. (Apenas números)");
  EXPECT_EQ(Check(docCNPJ, "1122233300018", "", true), "CNPJ inválido.");  // 01122233300018
}

TEST(ValidadorCNPJ, AjustarTamanhoZeroFillsAndCuts) {
  // 00.000.000/0001-91: 000000000001 from the right: 1*2 = 2, r 2 -> 9;
  // 0000000000019: 9*2+1*3 = 21, r 10 -> 1.
  EXPECT_EQ(Check(docCNPJ, "000191", "", true), "");
  EXPECT_EQ(Check(docCNPJ, "000191"), "CNPJ deve ter 14 dígitos. (Apenas números)");
  EXPECT_EQ(Check(docCNPJ, "112223330001819", "", true), "");  // leftmost 14 kept
}

TEST(ValidadorCNPJ, AlphanumericBaseFollowsThePublishedRule) {
  // 12ABC34501DE valued 1,2,17,18,19,3,4,5,0,1,20,21 with weights 5,4,3,2,9,8,7,6,5,4,3,2:
  // 5+8+51+36+171+24+28+30+0+4+60+42 = 459, r 8 -> 3; with the 3 and weights 6,5,4,3,2,9,...,2:
  // 6+10+68+54+38+27+32+35+0+5+80+63+6 = 424, r 6 -> 5.
  const std::string cnpj = "12ABC34501DE35";
  EXPECT_EQ(Check(docCNPJ, cnpj), "");
  EXPECT_EQ(Check(docCNPJ, "12.ABC.345/01DE-35"), "");
  EXPECT_EQ(MensagemErroCNPJ(cnpj), "");
  TTuimValidador v;
  v.SetTipoDocto(docCNPJ);
  v.SetDocumento("12ABC34501DE36");
  v.SetExibeDigitoCorreto(true);
  EXPECT_FALSE(v.Validar());
  EXPECT_EQ(v.DigitoCalculado(), "35");
  EXPECT_EQ(v.MsgErro(), "CNPJ inválido... Digito calculado: 35");
  for (std::size_t i = 0; i < cnpj.size(); ++i)
    EXPECT_EQ(Check(docCNPJ, OneStep(cnpj, i)), "CNPJ inválido.") << OneStep(cnpj, i);
}

TEST(ValidadorCNPJ, CheckDigitsOfTheAlphanumericFormStayDigits) {
  EXPECT_EQ(Check(docCNPJ, "12ABC34501DE3A"), "CNPJ deve ter 14 dígitos. (Apenas números)");
  EXPECT_EQ(Check(docCNPJ, "12ABC34501D#35"), "CNPJ deve ter 14 dígitos. (Apenas números)");
  // The access key's issuer 0X0J92JY000196: its check digits 96 follow from the same rule.
  EXPECT_EQ(Check(docCNPJ, "0X0J92JY000196"), "");
  EXPECT_EQ(Check(docCNPJ, "0X0J92JY000197"), "CNPJ inválido.");
  // CAEPF keeps to digits.
  EXPECT_EQ(Check(docCAEPF, "12ABC34501DE35"), "CAEPF deve ter 14 dígitos. (Apenas números)");
}

TEST(ValidadorCNPJ, AllDigitNumbersAgreeWithTheModulus11Digits) {
  // Every one-digit change of a valid all-digit CNPJ is refused, and DigitoModulo11 builds the pair.
  for (const std::string base : {"112223330001", "000000000001", "123456780001", "999999990001"}) {
    std::string d1 = DigitoModulo11(base);
    std::string full = base + d1 + DigitoModulo11(base + d1);
    EXPECT_EQ(Check(docCNPJ, full), "") << full;
    for (std::size_t i = 0; i < full.size(); ++i) EXPECT_EQ(Check(docCNPJ, OneStep(full, i)), "CNPJ inválido.");
  }
}

TEST(ValidadorCAEPF, SameRuleOwnMessages) {
  EXPECT_EQ(Check(docCAEPF, "11222333000181"), "");
  EXPECT_EQ(Check(docCAEPF, "11222333000182", "", false, true), "CAEPF inválido... Digito calculado: 81");
  EXPECT_EQ(Check(docCAEPF, "1122233300018"), "CAEPF deve ter 14 dígitos. (Apenas números)");
  EXPECT_EQ(Check(docCAEPF, "00000000000000"), "CAEPF inválido.");
}

// --- UF --------------------------------------------------------------------------------------

TEST(ValidadorUF, WholeAbbreviationsOnly) {
  EXPECT_EQ(Check(docUF, "MT"), "");
  EXPECT_EQ(Check(docUF, "EX"), "");
  EXPECT_EQ(Check(docUF, "sp"), "");  // the cleaned text is upper-cased
  EXPECT_EQ(Check(docUF, "XX"), "UF inválido: XX");
  // Neighbours in the list are not one state.
  EXPECT_EQ(Check(docUF, "MT,MS"), "UF inválido: MT,MS");
  EXPECT_EQ(Check(docUF, "AC,AL"), "UF inválido: AC,AL");
  EXPECT_EQ(Check(docUF, "M"), "UF inválido: M");
  EXPECT_EQ(Check(docUF, ","), "UF inválido: ,");
}

// --- State registration ----------------------------------------------------------------------

struct IECase {
  const char* uf;
  const char* ie;
  const char* bad;  // the same number with a wrong check digit
};
class StateRegistration : public ::testing::TestWithParam<IECase> {};

TEST_P(StateRegistration, ValidNumberPassesAndWrongDigitFails) {
  EXPECT_EQ(IE(GetParam().ie, GetParam().uf), "") << GetParam().ie;
  EXPECT_EQ(IE(GetParam().bad, GetParam().uf), Prefixo(GetParam().uf) + "Dígito verificador inválido.")
      << GetParam().bad;
}

// Sums over the weights of each rule's row; "r" is the remainder, the digit follows the type.
INSTANTIATE_TEST_SUITE_P(
    EveryState, StateRegistration,
    ::testing::Values(
        // AC 13: 01004823001 x 4,3,2,9,8,7,6,5,4,3,2 = 120, r 10, 11-10 = 1;
        //        010048230011 x 5,4,3,2,9,8,7,6,5,4,3,2 = 141, r 9, 11-9 = 2.
        IECase{"AC", "01.004.823/001-12", "0100482300113"},
        // AC 9: 01234567 x 9..2 = 112, r 2, 9.
        IECase{"AC", "012345679", "012345670"},
        // AL: 24000004 x 9..2 = 58; 580 mod 11 = 8.
        IECase{"AL", "240000048", "240000049"},
        // AP below 030170010: 03012345 x 9..2 = 74, + 5 = 79, r 2, 11-2 = 9.
        IECase{"AP", "030123459", "030123458"},
        // AM: 04341484 x 9..2 = 130, r 9, 2.
        IECase{"AM", "04.341.484-2", "043414843"},
        // BA 9, second digit 0 (modulus 10): 1000003 x 8..2 = 14, 10-4 = 6 (last);
        //        10000036 x 9..2 = 30, r 0, 10 -> 0.
        IECase{"BA", "1000003-06", "100000307"},
        // BA 9, second digit 6 (modulus 11): 0612345 x 8..2 = 92, r 4, 7 (last);
        //        06123457 x 9..2 = 127, r 6, 5.
        IECase{"BA", "061234557", "061234558"},
        // CE: 06000001 x 9..2 = 50, r 6, 5.
        IECase{"CE", "06000001-5", "060000016"},
        // DF: 07300001001 x 4,3,2,9,8,7,6,5,4,3,2 = 34, r 1 -> 0; 073000010010 x 5,4,3,2,9,...,2 = 46, r 2, 9.
        IECase{"DF", "07300001001-09", "0730000100108"},
        // ES: 08234567 x 9..2 = 168, r 3, 8.
        IECase{"ES", "082345678", "082345679"},
        // GO 10: 10987654 x 9..2 = 202, r 4, 7.
        IECase{"GO", "10.987.654-7", "109876548"},
        // MA: 12000038 x 9..2 = 50, r 6, 5.
        IECase{"MA", "120000385", "120000386"},
        // MT: 0013000001 x 3,2,9,8,7,6,5,4,3,2 = 35, r 2, 9.
        IECase{"MT", "0013000001-9", "00130000010"},
        // MS: 28000000 x 9..2 = 82, r 5, 6.
        IECase{"MS", "280000006", "280000007"},
        // MG: 06230790400 x 1,2,1,1,2,1,2,1,2,1,2 with the tens digits added = 32, 10-2 = 8;
        //     062307904008 x 3,2,11,10,9,8,7,6,5,4,3,2 = 219, r 10, 1.
        IECase{"MG", "062.307.904/0081", "0623079040082"},
        // PA: 15999999 x 9..2 = 292, r 6, 5.
        IECase{"PA", "15-999999-5", "159999996"},
        // PB: 16000001 x 9..2 = 59, r 4, 7.
        IECase{"PB", "160000017", "160000018"},
        // PR: 12345678 x 3,2,7,6,5,4,3,2 = 138, r 6, 5; 123456785 x 4,3,2,7,6,5,4,3,2 = 166, r 1 -> 0.
        IECase{"PR", "123.45678-50", "1234567851"},
        // PE 9: 0321418 x 8..2 = 73, r 7, 4; 03214184 x 9..2 = 100, r 1 -> 0.
        IECase{"PE", "0321418-40", "032141841"},
        // PE 14: 1810001000001 x 5,4,3,2,1,9,8,7,6,5,4,3,2 = 50, r 6, 5.
        IECase{"PE", "18.1.000.1000001-5", "18100010000016"},
        // PI: 19301656 x 9..2 = 158, r 4, 7.
        IECase{"PI", "19.301.656-7", "193016568"},
        // RJ: 9999999 x 2,7,6,5,4,3,2 = 261, r 8, 3.
        IECase{"RJ", "99.999.99-3", "99999994"},
        // RN 9: 20040040 x 9..2 = 54; 540 mod 11 = 1.
        IECase{"RN", "20.040.040-1", "200400402"},
        // RN 10: 200400401 x 10..2 = 66; 660 mod 11 = 0.
        IECase{"RN", "20.0.040.040-0", "2004004011"},
        // RS: 224365879 x 2,9,8,7,6,5,4,3,2 = 207, r 9, 2.
        IECase{"RS", "224/3658792", "2243658793"},
        // RO 9: 00000 x 6,5,4,3,2 = 0, r 0, 11 -> 1.
        IECase{"RO", "101.00000-1", "101000002"},
        // RO 14: 0000000062521 x 6,5,4,3,2,9,8,7,6,5,4,3,2 = 74, r 8, 3.
        IECase{"RO", "0000000062521-3", "00000000625214"},
        // RR: 24006628 x 1..8 = 154; 154 mod 9 = 1.
        IECase{"RR", "24006628-1", "240066282"},
        // SC: 25104024 x 9..2 = 99, r 0 -> 0.
        IECase{"SC", "251.040.240", "251040241"},
        // SE: 27123456 x 9..2 = 151, r 8, 3.
        IECase{"SE", "27123456-3", "271234564"},
        // SP: 11004249 x 1,3,4,5,6,7,8,10 = 164, r 10 -> 0; 11004249011 x 3,2,10,9,...,2 = 125, r 4.
        IECase{"SP", "110.042.490.114", "110042490115"},
        // SP rural: 01100424 x 1,3,4,5,6,7,8,10 = 91, r 3.
        IECase{"SP", "P-01100424.3/002", "P011004244002"},
        // TO 11: 29 and 000000 (third and fourth skipped) x 9,8,7,...,2 = 90, r 2, 9.
        IECase{"TO", "29.03.000000-9", "29030000008"},
        // TO 9: 29010227 x 9..2 = 124, r 3, 8.
        IECase{"TO", "29.010.227-8", "290102279"}));

TEST(StateRegistrationRules, IsentoIsValidForEveryStateEvenWithoutComplemento) {
  EXPECT_EQ(IE("ISENTO", "SP"), "");
  EXPECT_EQ(IE("isento", "RJ"), "");
  EXPECT_EQ(IE("Isento", ""), "");
  EXPECT_EQ(IE("isento", "XX"), "");
}

TEST(StateRegistrationRules, ComplementoMustBeAState) {
  EXPECT_EQ(IE("110042490114", ""), "Informe a UF no campo Complemento");
  EXPECT_EQ(IE("110042490114", "XX"), "UF inválido: XX");
  EXPECT_EQ(IE("110042490114", "MT,MS"), "UF inválido: MT,MS");
}

TEST(StateRegistrationRules, OnlyDigitsAndALeadingP) {
  EXPECT_EQ(IE("11004249011A", "SP"), "Caracteres inválidos na Inscrição Estadual");
  EXPECT_EQ(IE("A10042490114", "SP"), "Caracteres inválidos na Inscrição Estadual");
  EXPECT_EQ(IE("1P0042490114", "SP"), "Caracteres inválidos na Inscrição Estadual");
  // A P is only a pattern mismatch elsewhere.
  EXPECT_EQ(IE("P12345678", "SC"), Prefixo("SC") + "Dígito 1 deveria ser 0-9 ");
}

TEST(StateRegistrationRules, StateWithoutRuleFailsOnLengthAlsoWhenAdjusting) {
  const std::string msg =
      Prefixo("EX") + "Tamanho inválido: Esperado 0 caracteres, mas foram digitados somente 9 caracteres.";
  EXPECT_EQ(IE("123456789", "EX"), msg);
  // Zero-filling to length 0 used to divide by zero; the length message comes first now.
  EXPECT_EQ(IE("123456789", "EX", true), msg);
}

TEST(StateRegistrationRules, BahiaZeroFillsOnlyEightDigits) {
  // BA 8: 123456 x 7..2 = 77, modulus 10 (first digit 1), 10-7 = 3 (last);
  //       1234563 x 8..2 = 104, 10-4 = 6.
  EXPECT_EQ(IE("123456-63", "BA"), "");
  EXPECT_EQ(IE("12345664", "BA"), Prefixo("BA") + "Dígito verificador inválido.");
  const std::string len = "Tamanho inválido: Esperado 9 caracteres, mas foram digitados somente ";
  EXPECT_EQ(IE("0", "BA"), Prefixo("BA") + len + "1 caracteres.");
  EXPECT_EQ(IE("1234563", "BA"), Prefixo("BA") + len + "7 caracteres.");
  // AjustarTamanho still zero-fills everything.
  EXPECT_EQ(IE("0", "BA", true), "");  // 000000000: all sums 0 -> 0, 0
}

TEST(StateRegistrationRules, MatoGrossoZeroFillsNineCharacters) {
  EXPECT_EQ(IE("130000019", "MT"), "");
  EXPECT_EQ(IE("13000001", "MT"),
            Prefixo("MT") + "Tamanho inválido: Esperado 11 caracteres, mas foram digitados somente 8 caracteres.");
}

TEST(StateRegistrationRules, SaoPauloRuralUsesTheThirteenCharacterRule) {
  EXPECT_EQ(IE("P011004243002", "SP"), "");
  EXPECT_EQ(IE("P01100424300", "SP"),
            Prefixo("SP") + "Tamanho inválido: Esperado 13 caracteres, mas foram digitados somente 12 caracteres.");
  // The letter is not counted: the same digits without it are a 12-character SP number that fails.
  EXPECT_NE(IE("011004243002", "SP"), "");
}

TEST(StateRegistrationRules, AjustarTamanhoCutsALongerNumber) {
  EXPECT_EQ(IE("1100424901149", "SP"),
            Prefixo("SP") + "Tamanho inválido: Esperado 12 caracteres, mas foram digitados somente 13 caracteres.");
  EXPECT_EQ(IE("1100424901149", "SP", true), "");
  EXPECT_EQ(IE("43414842", "AM", true), "");  // zero-filled to 043414842
}

TEST(StateRegistrationRules, PatternMismatchNamesThePosition) {
  EXPECT_EQ(IE("0200482300112", "AC"), Prefixo("AC") + "Dígito 2 deveria ser 1 ");
  EXPECT_EQ(IE("250000000", "MS"), Prefixo("MS") + "Dígito 2 deveria ser 8 ");
  EXPECT_EQ(IE("5224365879", "RS"), Prefixo("RS") + "Dígito 1 deveria ser 0-4 ");
  EXPECT_EQ(IE("29230000009", "TO"), Prefixo("TO") + "Dígito 3 deveria ser 0,9 ");
  EXPECT_EQ(IE("18000010000015", "PE"), Prefixo("PE") + "Dígito 3 deveria ser 1-9 ");
  EXPECT_EQ(IE("30000000", "RJ"), Prefixo("RJ") + "Dígito 1 deveria ser 1,7,8,9 ");
}

TEST(StateRegistrationRules, CurrentPrefixesOfGoiasDistritoFederalAndPara) {
  // GO 20: 20105041 x 9..2 = 64, r 9, 2.
  EXPECT_EQ(IE("201050412", "GO"), "");
  EXPECT_EQ(IE("201050413", "GO"), Prefixo("GO") + "Dígito verificador inválido.");
  // GO 11: 11000000 x 9..2 = 17, r 6, 5; GO 15: 15000000 x 9..2 = 49, r 5, 6.
  EXPECT_EQ(IE("110000005", "GO"), "");
  EXPECT_EQ(IE("150000006", "GO"), "");
  EXPECT_EQ(IE("120000004", "GO"), Prefixo("GO") + "Dígito 2 deveria ser 0,1,5 ");
  EXPECT_EQ(IE("300000000", "GO"), Prefixo("GO") + "Dígito 1 deveria ser 1,2 ");
  // DF 08: 08247615001 x 4,3,2,9,8,7,6,5,4,3,2 = 195, r 8, 3; 082476150013 x 5,4,3,2,9,...,2 = 203, r 5, 6.
  EXPECT_EQ(IE("0824761500136", "DF"), "");
  EXPECT_EQ(IE("0924761500136", "DF"), Prefixo("DF") + "Dígito verificador inválido.");
  EXPECT_EQ(IE("0624761500136", "DF"), Prefixo("DF") + "Dígito 2 deveria ser 7,8,9 ");
  // PA 75: 75123456 x 9..2 = 180, r 4, 7.
  EXPECT_EQ(IE("751234567", "PA"), "");
  EXPECT_EQ(IE("741234567", "PA"), Prefixo("PA") + "Dígito 2 deveria ser 5-9 ");
  EXPECT_EQ(IE("161234567", "PA"), Prefixo("PA") + "Dígito 2 deveria ser 5 ");
}

TEST(StateRegistrationRules, GoiasRangeTurnsTenIntoOne) {
  // 10103105 x 9..2 = 45, r 1, 11-1 = 10 -> 1 inside 101031050..101199979.
  EXPECT_EQ(IE("101031051", "GO"), "");
  EXPECT_EQ(IE("101031050", "GO"), Prefixo("GO") + "Dígito verificador inválido.");
  // 10000007 x 9..2 = 23, r 1 -> 10 -> 0 outside it.
  EXPECT_EQ(IE("100000070", "GO"), "");
}

TEST(StateRegistrationRules, AmapaRanges) {
  // Below 030170010: 03000008 x 9..2 = 40, + 5 = 45, r 1, 10 -> 0.
  EXPECT_EQ(IE("030000080", "AP"), "");
  // 030170010..030190229: 03017007 x 9..2 = 79, + 9 = 88, r 0, 11 -> 1.
  EXPECT_EQ(IE("030170071", "AP"), "");
  EXPECT_EQ(IE("030170070", "AP"), Prefixo("AP") + "Dígito verificador inválido.");
  // From 030190230: 03025000 x 9..2 = 61, r 6, 5 (nothing added).
  EXPECT_EQ(IE("030250005", "AP"), "");
}

TEST(StateRegistrationRules, ExibeDigitoCorretoShowsTheComputedDigit) {
  TTuimValidador v;
  v.SetTipoDocto(docInscEst);
  v.SetComplemento("SP");
  v.SetDocumento("110042490115");
  v.SetExibeDigitoCorreto(true);
  EXPECT_FALSE(v.Validar());
  EXPECT_EQ(v.MsgErro(), Prefixo("SP") + "Dígito verificador inválido... Calculado: 4");
  EXPECT_EQ(v.DigitoCalculado(), "4");
  EXPECT_EQ(IE("240000049", "AL", false, true), Prefixo("AL") + "Dígito verificador inválido... Calculado: 8");
}

TEST(StateRegistrationRules, FirstDigitMismatchStopsBeforeTheSecond) {
  TTuimValidador v;
  v.SetTipoDocto(docInscEst);
  v.SetComplemento("PR");
  v.SetDocumento("1234567840");  // first check digit should be 5
  EXPECT_FALSE(v.Validar());
  EXPECT_EQ(v.DigitoCalculado(), "5");
}

// --- Cheque, PIS, CEP, card, SUFRAMA ---------------------------------------------------------

TEST(ValidadorCheque, LastDigitIsModulus11OfTheOthers) {
  // 123456789 from the right x 2..9,2: 18+24+28+30+30+28+24+18+2 = 202, r 4, 7.
  EXPECT_EQ(Check(docNumCheque, "1234567897"), "");
  EXPECT_EQ(Check(docNumCheque, "1234567898"), "Número de Cheque inválido.");
  EXPECT_EQ(Check(docNumCheque, "1234567898", "", false, true), "Número de Cheque inválido... Dígito correto: 7");
  EXPECT_EQ(Check(docNumCheque, "12345A7897"), "Digite apenas os números do Cheque");
}

TEST(ValidadorPIS, WorkedDigit) {
  // Sum in CalcDigito.Modulo11PisTurnsTenAndElevenIntoZero: 5.
  EXPECT_EQ(Check(docPIS, "120.56412.54-5"), "");
  EXPECT_EQ(Check(docPIS, "12056412546"), "PIS inválido.");
  EXPECT_EQ(Check(docPIS, "12056412546", "", false, true), "PIS inválido... Dígito calculado: 5");
  EXPECT_EQ(Check(docPIS, "1205641254"), "PIS deve ter 11 dígitos. (Apenas números)");
}

TEST(ValidadorCEP, RangesByState) {
  EXPECT_EQ(Check(docCEP, "78000-000", "MT"), "");
  EXPECT_EQ(Check(docCEP, "69400000", "AM"), "");
  EXPECT_EQ(Check(docCEP, "69899999", "AM"), "");
  EXPECT_EQ(Check(docCEP, "69400000", "RR"), "CEP inválido para RR !");
  EXPECT_EQ(Check(docCEP, "69400000"), "");
  EXPECT_EQ(Check(docCEP, "00999999"), "CEP inválido !");
  EXPECT_EQ(Check(docCEP, "76800000", "RO"), "");  // listed after MT, still found
  EXPECT_EQ(Check(docCEP, "01000000", "XX"), "UF inválido: XX");
  EXPECT_EQ(Check(docCEP, "01000000", "EX"), "CEP inválido para EX !");
  EXPECT_EQ(Check(docCEP, "1000000"), "CEP deve ter 8 dígitos. (Apenas números)");
  EXPECT_EQ(Check(docCEP, "1000000", "SP", true), "");
}

struct CardCase {
  const char* numero;
  const char* digito;
};
class CardNumber : public ::testing::TestWithParam<CardCase> {};

// Luhn from the right: the digit left of the check digit is doubled.
TEST_P(CardNumber, StandardCheckAcceptsItAndRefusesEveryOneDigitChange) {
  const std::string n = GetParam().numero;
  TTuimValidador v;
  v.SetTipoDocto(docCartaoCredito);
  v.SetDocumento(n);
  EXPECT_TRUE(v.Validar()) << v.MsgErro();
  EXPECT_EQ(v.DigitoCalculado(), GetParam().digito);
  for (std::size_t i = 0; i < n.size(); ++i)
    EXPECT_EQ(Check(docCartaoCredito, OneStep(n, i)), "Numero do Cartão Inválido.") << OneStep(n, i);
}

INSTANTIATE_TEST_SUITE_P(
    Lengths, CardNumber,
    ::testing::Values(
        // 13: 422222222222 from the right, doubled first: six 2s doubled = 24, five 2s and the 4 = 14;
        //     38, digit 2.
        CardCase{"4222222222222", "2"},
        // 15: 37828224631000 from the right: doubled 0,0,3,4,2,2,7 -> 0+0+6+8+4+4+5 = 27;
        //     kept 0,1,6,2,8,8,3 = 28; 55, digit 5.
        CardCase{"378282246310005", "5"},
        // 16: 411111111111111 from the right: seven 1s doubled = 14, seven 1s kept = 7, the 4 doubled
        //     = 8; 29, digit 1.
        CardCase{"4111111111111111", "1"},
        // 19: 400000000000000000: the 4 is 18th from the right, so kept: 4, digit 6.
        CardCase{"4000000000000000006", "6"}));

TEST(ValidadorCartao, MessagesAndShownDigit) {
  EXPECT_EQ(Check(docCartaoCredito, "4111 1111 1111 1111"), "Cartão deve ter apenas Números");
  EXPECT_EQ(Check(docCartaoCredito, "4111111111111112", "", false, true),
            "Numero do Cartão Inválido... Dígito calculado: 1");
  // The rule that doubles from the first digit would refuse this 15-digit number.
  EXPECT_EQ(Check(docCartaoCredito, "378282246310005"), "");
}

TEST(ValidadorSuframa, NinthDigitIsModulus11OfTheFirstEight) {
  // 12345678 from the right x 2..9: 16+21+24+25+24+21+16+9 = 156, r 2, 9.
  EXPECT_EQ(Check(docSuframa, "123456789"), "");
  EXPECT_EQ(Check(docSuframa, "1234567890"), "");  // digits after the ninth are not checked
  EXPECT_EQ(Check(docSuframa, "123456788"), "Número SUFRAMA inválido.");
  EXPECT_EQ(Check(docSuframa, "123456788", "", false, true), "Número SUFRAMA inválido. Dígito calculado: 9");
  EXPECT_EQ(Check(docSuframa, "12345678"), "Código SUFRAMA deve ter no mínimo 9 dígitos. (Apenas números)");
}

// --- GTIN and its prefix ---------------------------------------------------------------------

TEST(ValidadorGTIN, LengthsAndDigit) {
  // 0789100031550 from the right x 3,1,...: 0+5+15+1+9+0+0+0+3+9+24+7+0 = 73 -> 7.
  EXPECT_EQ(Check(docGTIN, "7891000315507"), "");
  // 9638507 padded: 7*3+0+5*3+8+3*3+6+9*3 = 86 -> 4.
  EXPECT_EQ(Check(docGTIN, "96385074"), "");
  EXPECT_EQ(Check(docGTIN, "036000291452"), "");   // sum 58 -> 2
  EXPECT_EQ(Check(docGTIN, "17891000315504"), "");  // sum 76 -> 4
  EXPECT_EQ(Check(docGTIN, "7891000315508"), "Código GTIN inválido.");
  EXPECT_EQ(Check(docGTIN, "7891000315508", "", false, true), "Código GTIN inválido. Dígito calculado: 7");
  // As a 12-digit code: 0078910003155 x 3,1,... from the right = 83, digit 7, not 0.
  EXPECT_EQ(Check(docGTIN, "789100031550"), "Código GTIN inválido.");
  EXPECT_EQ(Check(docGTIN, "78910003155"), "Código GTIN inválido, o código GTIN deve ter 8, 12, 13 ou 14 caracteres.");
  EXPECT_EQ(Check(docGTIN, "SEM GTIN"), "Código GTIN inválido, o código GTIN deve conter somente números.");
}

TEST(ValidadorGTIN, DigitoGTINPadsToThirteen) {
  EXPECT_EQ(DigitoGTIN("789100031550"), "7");
  EXPECT_EQ(DigitoGTIN("9638507"), "4");
  EXPECT_EQ(DigitoGTIN("1789100031550"), "4");
  EXPECT_EQ(DigitoGTIN(""), "0");
}

TEST(ValidadorPrefixoGTIN, PrefixMustBeInAGs1Range) {
  EXPECT_EQ(Check(docPrefixoGTIN, "7891000315507"), "");  // 789: Brasil
  EXPECT_EQ(Check(docPrefixoGTIN, "96385074"), "");       // zero-filled, prefix from 7-9: 963
  // 140123456789 x 3,1,... from the right = 108 -> 2; prefix 140 lies in the gap 140-199.
  EXPECT_EQ(Check(docPrefixoGTIN, "1401234567892"), "Prefixo \"140\" do GTIN \"1401234567892\" informado inválido");
  EXPECT_EQ(Check(docPrefixoGTIN, "00000000000000"), "Prefixo do código GTIN inválido!");
  EXPECT_EQ(Check(docPrefixoGTIN, "7891000315508"), "Código GTIN inválido.");
  EXPECT_EQ(NomeFaixaPrefixoGTIN(789), "GS1 Brasil");
  EXPECT_EQ(NomeFaixaPrefixoGTIN(140), "");
  EXPECT_EQ(QuantidadeFaixasPrefixoGTIN(), 127);
  EXPECT_EQ(FaixaPrefixoGTIN(126).inicio, 990);
}

// --- RENAVAM, e-mail, CNH, plate -------------------------------------------------------------

TEST(ValidadorRenavam, WorkedDigit) {
  // 0063988496 x 3,2,9,8,7,6,5,4,3,2 = 284; 2840 mod 11 = 2.
  EXPECT_EQ(Check(docRenavam, "00639884962"), "");
  EXPECT_EQ(Check(docRenavam, "639884962", "", true), "");
  EXPECT_EQ(Check(docRenavam, "00639884963"), "RENAVAM inválido.");
  EXPECT_EQ(Check(docRenavam, "00639884963", "", false, true), "RENAVAM inválido... Dígito calculado: 2");
  EXPECT_EQ(Check(docRenavam, "639884962"), "RENAVAM deve ter 11 dígitos. (Apenas números)");
}

TEST(ValidadorEmail, Rules) {
  EXPECT_EQ(Check(docEmail, "fulano@empresa.com.br"), "");
  EXPECT_EQ(Check(docEmail, "fulano.@empresa.com.br"), "e-mail inválido!");
  EXPECT_EQ(Check(docEmail, "fulano@.empresa.com.br"), "e-mail inválido!");
  EXPECT_EQ(Check(docEmail, "a@b.com"), "e-mail não pode conter menos do que 8 caracteres!");
  EXPECT_EQ(Check(docEmail, " fulano@empresa.com"), "e-mail inválido!");
  EXPECT_EQ(Check(docEmail, "fulano@empresa"), "e-mail inválido!");
  EXPECT_EQ(Check(docEmail, "ful.ano@empresa"), "e-mail inválido!");  // the dot is before the at sign
  EXPECT_EQ(Check(docEmail, "fu@lano@empresa.com"), "e-mail inválido!");
  EXPECT_EQ(Check(docEmail, "fulano@empresa..com"), "e-mail inválido!");
  EXPECT_EQ(Check(docEmail, ".fulano@empresa.com"), "e-mail inválido!");
  EXPECT_EQ(Check(docEmail, "fulano@empresa.com."), "e-mail inválido!");
  EXPECT_EQ(Check(docEmail, "joão@empresa.com"), "e-mail inválido!");
  EXPECT_EQ(Check(docEmail, "JOÃO@empresa.com"), "e-mail inválido!");
  EXPECT_EQ(Check(docEmail, "fulano+x@empresa.com"), "e-mail inválido!");
  EXPECT_EQ(Check(docEmail, "fulano@empresa.com˜"), "e-mail inválido!");
  EXPECT_EQ(Check(docEmail, "fulano@empresa.com³"), "e-mail inválido!");
}

TEST(ValidadorEmail, ControlCharactersAreRefused) {
  EXPECT_EQ(Check(docEmail, "fulano@empresa.com\nBcc"), "e-mail inválido!");
  EXPECT_EQ(Check(docEmail, "fulano\t@empresa.com"), "e-mail inválido!");
  EXPECT_EQ(Check(docEmail, std::string("fulano@empresa.com\0x", 20)), "e-mail inválido!");
}

TEST(ValidadorCNH, WorkedDigits) {
  // 026503064: x 9..1 = 116, r 6; x 1..9 = 144, r 1.
  EXPECT_EQ(Check(docCNH, "02650306461"), "");
  EXPECT_EQ(Check(docCNH, "02650306462"), "C.N.H. Inválida !!");
  // 100000001: x 9..1 = 10 -> 0 with correction -2; x 1..9 = 10, 10 - 2 = 8.
  EXPECT_EQ(Check(docCNH, "10000000108"), "");
  EXPECT_EQ(Check(docCNH, "10000000100"), "C.N.H. Inválida !!");
  EXPECT_EQ(Check(docCNH, "22222222222"), "C.N.H. não deve conter números repetidos !");
  EXPECT_EQ(Check(docCNH, "0265030646"), "C.N.H. deve ter 11 dígitos. (Apenas números)");
}

TEST(ValidadorPlaca, SevenLettersOrDigits) {
  EXPECT_EQ(Check(docPlacaMercosul, "BRA2E19"), "");
  EXPECT_EQ(Check(docPlacaMercosul, "bra-2e19"), "");
  EXPECT_EQ(Check(docPlacaMercosul, "BRA2E1"), "Placa deve ter 7 dígitos. (Somente letras e números)");
  EXPECT_EQ(Check(docPlacaMercosul, "BRA 2E1"), "Placa deve ter 7 dígitos. (Somente letras e números)");
}

// --- Free functions --------------------------------------------------------------------------

TEST(FreeFunctions, MessagesNeverRaise) {
  EXPECT_EQ(MensagemErroCPF("111.444.777-35"), "");
  EXPECT_EQ(MensagemErroCPF(""), "CPF não pode ser vazio.");
  EXPECT_EQ(MensagemErroCNPJ("11222333000182"), "CNPJ inválido.");
  EXPECT_EQ(MensagemErroGTIN("7891000315507"), "");
  EXPECT_EQ(MensagemErroIE("110042490114", "SP"), "");
  EXPECT_EQ(MensagemErroIE("110042490114", "RJ"),
            Prefixo("RJ") + "Tamanho inválido: Esperado 8 caracteres, mas foram digitados somente 12 caracteres.");
  EXPECT_EQ(MensagemErroDocumento(docCEP, "69400000", "RR"), "CEP inválido para RR !");
}

TEST(FreeFunctions, Formatting) {
  EXPECT_EQ(FormatarCPF("11144477735"), "111.444.777-35");
  EXPECT_EQ(FormatarCPF("1234567890"), "012.345.678-90");
  EXPECT_EQ(FormatarCPF("111444777350"), "111.444.777-35");
  EXPECT_EQ(FormatarCNPJ("11222333000181"), "11.222.333/0001-81");
  EXPECT_EQ(FormatarCNPJ("191"), "00.000.000/0001-91");
  EXPECT_EQ(FormatarCNPJ("12ABC34501DE35"), "12.ABC.345/01DE-35");
  EXPECT_EQ(FormatarCNPJ("12.abc.345/01de-35"), "12.ABC.345/01DE-35");
  EXPECT_EQ(FormatarCNPJouCPF(""), "");
  EXPECT_EQ(FormatarCNPJouCPF("abc"), "");
  EXPECT_EQ(FormatarCNPJouCPF("11222333000181"), "11.222.333/0001-81");
  EXPECT_EQ(FormatarCNPJouCPF("11144477735"), "111.444.777-35");
  EXPECT_EQ(FormatarCNPJouCPF("123"), "000.000.001-23");
  EXPECT_EQ(FormatarCNPJouCPF("12ABC34501DE35"), "12.ABC.345/01DE-35");
  // Words around a number are not part of the CNPJ.
  EXPECT_EQ(FormatarCNPJouCPF("CNPJ 11222333000181"), "11.222.333/0001-81");
}

TEST(FreeFunctions, DigitoModulo11MatchesTheAccessKeyDigit) {
  for (const std::string& key43 : {std::string(43, '1'), std::string("5218011234567800019555001000000001100000001"),
                                  std::string(42, '0') + "5", std::string(41, '0') + "40"}) {
    ASSERT_EQ(key43.size(), 43u);
    int d = -1;
    ASSERT_TRUE(DigitoChaveAcesso(key43, d));
    EXPECT_EQ(DigitoModulo11(key43, 2, 9), std::to_string(d)) << key43;
  }
  EXPECT_EQ(DigitoModulo11("261533"), "9");  // 3*2+3*3+5*4+1*5+6*6+2*7 = 90, r 2
  // RECOPI-style weights 1..18: "1" alone: 1*1 = 1, r 1 -> 0.
  EXPECT_EQ(DigitoModulo11("1", 1, 18), "0");
}

// The header is compiled as UTF-8 in app/ and cli/, so it must not hold a non-ASCII byte.
TEST(Headers, ValidatorHeaderIsAscii) {
  std::ifstream in(std::string(TUIM_SOURCE_DIR) + "/fiscal/TuimValidador.h", std::ios::binary);
  ASSERT_TRUE(in);
  const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_FALSE(text.empty());
  for (std::size_t i = 0; i < text.size(); ++i) ASSERT_LT(static_cast<unsigned char>(text[i]), 0x80u) << i;
}

// Odd input of every shape gives a message or passes; it never crashes or reads past the end.
TEST(Validador, OddInputNeverBreaksAnyKind) {
  const std::vector<std::string> docs{"",        " ",     "P",         "0",        "@",       "a@b",
                                      "@@@@@@@@", ".......@", std::string(100, '9'), "P" + std::string(20, '1'),
                                      "\xFF\xFE\x80", std::string("1\0" "2", 3), "ISENTO", "isento x",
                                      "12ABC34501DE35", "--------"};
  const std::vector<std::string> ufs{"", "SP", "BA", "MT", "GO", "AP", "EX", "XX", "MT,MS"};
  for (int t = docCPF; t <= docPlacaMercosul; ++t)
    for (const auto& d : docs)
      for (const auto& uf : ufs)
        for (bool ajustar : {false, true}) {
          TTuimValidador v;
          v.SetTipoDocto(static_cast<TTuimValTipoDocto>(t));
          v.SetDocumento(d);
          v.SetComplemento(uf);
          v.SetAjustarTamanho(ajustar);
          v.SetExibeDigitoCorreto(true);
          const bool ok = v.Validar();
          EXPECT_EQ(ok, v.MsgErro().empty());
        }
  for (const char* uf : {"AC", "AL", "AP", "AM", "BA", "CE", "DF", "ES", "GO", "MA", "MT", "MS", "MG", "PA",
                         "PB", "PR", "PE", "PI", "RJ", "RN", "RS", "RO", "RR", "SC", "SP", "SE", "TO"})
    for (std::size_t n = 1; n <= 16; ++n) {
      MensagemErroIE(std::string(n, '1'), uf);
      MensagemErroIE("P" + std::string(n, '0'), uf);
    }
}
