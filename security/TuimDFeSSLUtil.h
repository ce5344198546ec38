#pragma once
#include <string>

// Small text helpers of the security layer that the shared utilities do not have
// (internal to security/ and its tests).
namespace tuim::ssl {

// Digits and letters, letters upper-cased: an alphanumeric CNPJ keeps them.
std::string SomenteAlfaNumericosMaiusculos(const std::string& s);

}  // namespace tuim::ssl
