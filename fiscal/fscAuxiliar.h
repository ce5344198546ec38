#pragma once
#include <string>

namespace tuim {

// Check digit (modulus 11) of the first 43 characters of an access key, after dropping every
// character that is neither a digit nor an upper-case letter in the issuer's CNPJ base
// (positions 7 to 18, valued as ASCII code minus 48). True when exactly 43 remain; `digit`
// holds the digit of the first 43 even when there are more, and 0 when there are fewer.
bool DigitoChaveAcesso(const std::string& key, int& digit);

}  // namespace tuim
