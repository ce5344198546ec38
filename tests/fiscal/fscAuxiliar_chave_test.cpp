#include <gtest/gtest.h>

#include <string>

#include "fiscal/fscAuxiliar.h"

using namespace tuim;

namespace {
struct Case {
  std::string key;
  int digit;
  bool ok;
};
class CheckDigit : public ::testing::TestWithParam<Case> {};
}  // namespace

TEST_P(CheckDigit, MatchesWorkedValues) {
  int d = -1;
  EXPECT_EQ(DigitoChaveAcesso(GetParam().key, d), GetParam().ok);
  EXPECT_EQ(d, GetParam().digit);
}

INSTANTIATE_TEST_SUITE_P(
    Worked, CheckDigit,
    ::testing::Values(Case{std::string(43, '0'), 0, true},             // sum 0
                      Case{std::string(43, '1'), 2, true},             // sum 229, r 9
                      Case{std::string(42, '0') + "1", 9, true},       // sum 2
                      Case{std::string(42, '0') + "5", 1, true},       // sum 10
                      Case{std::string(41, '0') + "40", 0, true},      // sum 12, r 1
                      Case{std::string(44, '1'), 2, false},            // longer: digit of first 43
                      Case{std::string(42, '1'), 0, false},            // shorter
                      Case{"", 0, false},
                      Case{"35-26.05/" + std::string(37, '0'), 1, true}));  // punctuation dropped; sum 120

TEST(CheckDigitAlphanumeric, PublishedTransportKeyWithLettersInTheCnpj) {
  const std::string key = "3526050X0J92JY000196570010000006041448679011";
  int d = -1;
  EXPECT_TRUE(DigitoChaveAcesso(key.substr(0, 43), d));
  EXPECT_EQ(d, 1);
  // A letter outside the CNPJ base is dropped as before, so the text is one short.
  std::string bad = key.substr(0, 43);
  bad[2] = 'A';
  EXPECT_FALSE(DigitoChaveAcesso(bad, d));
  // Lower-case letters are never part of a key.
  std::string lower = key.substr(0, 43);
  lower[7] = 'x';
  EXPECT_FALSE(DigitoChaveAcesso(lower, d));
}
