#pragma once
#include <cstdint>
#include <string>

#include "fiscal/fscConversao.h"

namespace tuim {

// Codes of the consumption-tax reform (IBS, CBS and IS) in the NF-e layout 4.00 of the PL_010
// schema packages. The first value of each enumeration converts to the empty text: "not given".

enum TfscTpNFDebito : std::uint8_t {
  tpNFDebitoVazio, tpNFDebito01, tpNFDebito02, tpNFDebito03, tpNFDebito04,
  tpNFDebito05, tpNFDebito06, tpNFDebito07, tpNFDebito08
};
enum TfscTpNFCredito : std::uint8_t {
  tpNFCreditoVazio, tpNFCredito01, tpNFCredito02, tpNFCredito03, tpNFCredito04, tpNFCredito05, tpNFCredito06
};
// Government buyer: 1 Union, 2 state, 3 Federal District, 4 municipality, 5 to 6 others.
enum TfscTpEnteGov : std::uint8_t { tpEnteGovVazio, tpEnteGov1, tpEnteGov2, tpEnteGov3, tpEnteGov4, tpEnteGov5, tpEnteGov6 };
enum TfscTpOperGov : std::uint8_t { tpOperGovVazio, tpOperGov1, tpOperGov2, tpOperGov3, tpOperGov4 };
enum TfscTpCredPresIBSZFM : std::uint8_t {
  tpCredPresIBSZFMVazio, tpCredPresIBSZFM0, tpCredPresIBSZFM1, tpCredPresIBSZFM2, tpCredPresIBSZFM3, tpCredPresIBSZFM4
};
enum TfscTpALCZFMCBS : std::uint8_t { tpALCZFMCBSVazio, tpALCZFMCBS1, tpALCZFMCBS2 };
// Flags whose only code is "1": a donation, a used movable good.
enum TfscIndDoacao : std::uint8_t { indDoacaoVazio, indDoacao1 };
enum TfscIndBemMovelUsado : std::uint8_t { indBemMovelUsadoVazio, indBemMovelUsado1 };

// The schema package that documents are written for and validated against.
enum TfscPacoteSchemas : std::uint8_t { psPL009V4, psPL010e };

std::string TpNFDebitoParaTexto(TfscTpNFDebito v);
std::string TpNFCreditoParaTexto(TfscTpNFCredito v);
std::string TpEnteGovParaTexto(TfscTpEnteGov v);
std::string TpOperGovParaTexto(TfscTpOperGov v);
std::string TpCredPresIBSZFMParaTexto(TfscTpCredPresIBSZFM v);
std::string TpALCZFMCBSParaTexto(TfscTpALCZFMCBS v);
std::string IndDoacaoParaTexto(TfscIndDoacao v);
std::string IndBemMovelUsadoParaTexto(TfscIndBemMovelUsado v);
// "PL_009_V4" or "PL_010e_NT2025.002_v1.01", the folder names of the official packages.
std::string PacoteSchemasParaTexto(TfscPacoteSchemas v);

TfscTpNFDebito TextoParaTpNFDebito(bool& ok, const std::string& code);
TfscTpNFCredito TextoParaTpNFCredito(bool& ok, const std::string& code);
TfscTpEnteGov TextoParaTpEnteGov(bool& ok, const std::string& code);
TfscTpOperGov TextoParaTpOperGov(bool& ok, const std::string& code);
TfscTpCredPresIBSZFM TextoParaTpCredPresIBSZFM(bool& ok, const std::string& code);
TfscTpALCZFMCBS TextoParaTpALCZFMCBS(bool& ok, const std::string& code);
TfscIndDoacao TextoParaIndDoacao(bool& ok, const std::string& code);
TfscIndBemMovelUsado TextoParaIndBemMovelUsado(bool& ok, const std::string& code);
// Also takes the short names "PL_009" and "PL_010e" (letter case ignored).
TfscPacoteSchemas TextoParaPacoteSchemas(bool& ok, const std::string& code);

}  // namespace tuim
