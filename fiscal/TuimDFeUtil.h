#pragma once
#include <string>

#include "fiscal/TuimDateTime.h"

namespace tuim {

// The 44-character access key. `codigo` -1 or 0 draws a random numeric code (below -1: 0).
// `documento` keeps its digits, or, as an alphanumeric CNPJ (12 letters or digits, then 2
// digits), its upper-case letters too.
std::string GerarChaveAcesso(int codigoUF, TDateTime emissao, const std::string& documento, int serie,
                             int numero, int tipoEmissao, int codigo, int modelo = 55);
// Uniform over 0..99999998, never a forbidden code nor the document number.
int GerarCodigoNumerico(int numero);

// Import and export document numbers; the year checks use today's date.
bool ValidarNumeroDI(const std::string& texto);
bool ValidarNumeroDI12(const std::string& texto);
bool ValidarNumeroRE(const std::string& texto);
bool ValidarAtoDrawback(const std::string& texto);
bool ValidarRECOPI(const std::string& texto);
bool ValidarNVE(const std::string& texto);

bool ContemAssinatura(const std::string& xml);
// Value of `atributo` (default "Id") from the first `elemento` on; raises ETuimDFeException
// when the value's quotes are missing.
std::string ExtrairURI(const std::string& xml, const std::string& elemento = "",
                       const std::string& atributo = "");

// Over the files "MunIBGE-UF<code>.txt" in `pasta` (default: MunIBGE beside the program).
std::string NomeMunicipio(const std::string& uf, int codigo, const std::string& pasta = "");
int CodigoMunicipio(const std::string& nome, const std::string& uf, const std::string& pasta = "");

// Base64 of SHA-1(csrt + chave).
std::string CalcularHashCSRT(const std::string& csrt, const std::string& chave);

}  // namespace tuim
