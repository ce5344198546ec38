#pragma once
#include <string>

// Small text helpers of the security layer (internal to security/ and its tests).
namespace tuim::ssl {

std::string Aparar(const std::string& s);
std::string Minusculas(const std::string& s);
std::string SomenteDigitos(const std::string& s);
// Letters are upper-cased: an alphanumeric CNPJ keeps them.
std::string SomenteAlfaNumericosMaiusculos(const std::string& s);

// Byte-wise exclusive-or with the key, except that a byte equal to its key byte stays as it is;
// applied twice with the same key it gives the text back (texts hold no zero byte).
std::string EmbaralharXor(const std::string& s, const std::string& chave);

std::string ParaHexa(const std::string& bytes);  // two upper-case digits per byte
std::string CodificarBase64(const std::string& bytes);
// Blanks and line breaks are skipped; false on any other character outside the alphabet.
bool DecodificarBase64(const std::string& texto, std::string& bytes);

// CNPJ of 14 characters, the first 12 digits or upper-case letters (valued as ASCII code minus
// 48), the last 2 check digits; CPF of 11 digits.
bool CNPJValido(const std::string& cnpj);
bool CPFValido(const std::string& cpf);
// Empty when valid, otherwise the validator's message for docCNPJ.
std::string MensagemErroCNPJ(const std::string& cnpj);

// Windows-1252 text to UTF-8 (what libcrypto expects of a PKCS#12 password).
std::string CP1252ParaUTF8(const std::string& s);

}  // namespace tuim::ssl
