#include "fiscal/fscConversaoReforma.h"

namespace tuim {

namespace {

constexpr TCodigoEnumerado tabTpNFDebito[] = {
    {tpNFDebitoVazio, ""}, {tpNFDebito01, "01"}, {tpNFDebito02, "02"}, {tpNFDebito03, "03"}, {tpNFDebito04, "04"},
    {tpNFDebito05, "05"},  {tpNFDebito06, "06"}, {tpNFDebito07, "07"}, {tpNFDebito08, "08"}};
constexpr TCodigoEnumerado tabTpNFCredito[] = {{tpNFCreditoVazio, ""}, {tpNFCredito01, "01"}, {tpNFCredito02, "02"},
                                               {tpNFCredito03, "03"},  {tpNFCredito04, "04"}, {tpNFCredito05, "05"},
                                               {tpNFCredito06, "06"}};
constexpr TCodigoEnumerado tabTpEnteGov[] = {{tpEnteGovVazio, ""}, {tpEnteGov1, "1"}, {tpEnteGov2, "2"},
                                             {tpEnteGov3, "3"},    {tpEnteGov4, "4"}, {tpEnteGov5, "5"},
                                             {tpEnteGov6, "6"}};
constexpr TCodigoEnumerado tabTpOperGov[] = {
    {tpOperGovVazio, ""}, {tpOperGov1, "1"}, {tpOperGov2, "2"}, {tpOperGov3, "3"}, {tpOperGov4, "4"}};
constexpr TCodigoEnumerado tabTpCredPresIBSZFM[] = {{tpCredPresIBSZFMVazio, ""}, {tpCredPresIBSZFM0, "0"},
                                                    {tpCredPresIBSZFM1, "1"},    {tpCredPresIBSZFM2, "2"},
                                                    {tpCredPresIBSZFM3, "3"},    {tpCredPresIBSZFM4, "4"}};
constexpr TCodigoEnumerado tabTpALCZFMCBS[] = {{tpALCZFMCBSVazio, ""}, {tpALCZFMCBS1, "1"}, {tpALCZFMCBS2, "2"}};
constexpr TCodigoEnumerado tabIndDoacao[] = {{indDoacaoVazio, ""}, {indDoacao1, "1"}};
constexpr TCodigoEnumerado tabIndBemMovelUsado[] = {{indBemMovelUsadoVazio, ""}, {indBemMovelUsado1, "1"}};
// The later row wins a value's code, so the full folder names come after the short ones.
constexpr TCodigoEnumerado tabPacoteSchemas[] = {{psPL009V4, "PL_009"},
                                                 {psPL010e, "PL_010e"},
                                                 {psPL009V4, "PL_009_V4"},
                                                 {psPL010e, "PL_010e_NT2025.002_v1.01"}};

}  // namespace

std::string TpNFDebitoParaTexto(TfscTpNFDebito v) { return EnumeradoParaTexto(v, tabTpNFDebito); }
std::string TpNFCreditoParaTexto(TfscTpNFCredito v) { return EnumeradoParaTexto(v, tabTpNFCredito); }
std::string TpEnteGovParaTexto(TfscTpEnteGov v) { return EnumeradoParaTexto(v, tabTpEnteGov); }
std::string TpOperGovParaTexto(TfscTpOperGov v) { return EnumeradoParaTexto(v, tabTpOperGov); }
std::string TpCredPresIBSZFMParaTexto(TfscTpCredPresIBSZFM v) { return EnumeradoParaTexto(v, tabTpCredPresIBSZFM); }
std::string TpALCZFMCBSParaTexto(TfscTpALCZFMCBS v) { return EnumeradoParaTexto(v, tabTpALCZFMCBS); }
std::string IndDoacaoParaTexto(TfscIndDoacao v) { return EnumeradoParaTexto(v, tabIndDoacao); }
std::string IndBemMovelUsadoParaTexto(TfscIndBemMovelUsado v) { return EnumeradoParaTexto(v, tabIndBemMovelUsado); }
std::string PacoteSchemasParaTexto(TfscPacoteSchemas v) { return EnumeradoParaTexto(v, tabPacoteSchemas); }

TfscTpNFDebito TextoParaTpNFDebito(bool& ok, const std::string& code) {
  return static_cast<TfscTpNFDebito>(TextoParaEnumerado(ok, code, tabTpNFDebito));
}
TfscTpNFCredito TextoParaTpNFCredito(bool& ok, const std::string& code) {
  return static_cast<TfscTpNFCredito>(TextoParaEnumerado(ok, code, tabTpNFCredito));
}
TfscTpEnteGov TextoParaTpEnteGov(bool& ok, const std::string& code) {
  return static_cast<TfscTpEnteGov>(TextoParaEnumerado(ok, code, tabTpEnteGov));
}
TfscTpOperGov TextoParaTpOperGov(bool& ok, const std::string& code) {
  return static_cast<TfscTpOperGov>(TextoParaEnumerado(ok, code, tabTpOperGov));
}
TfscTpCredPresIBSZFM TextoParaTpCredPresIBSZFM(bool& ok, const std::string& code) {
  return static_cast<TfscTpCredPresIBSZFM>(TextoParaEnumerado(ok, code, tabTpCredPresIBSZFM));
}
TfscTpALCZFMCBS TextoParaTpALCZFMCBS(bool& ok, const std::string& code) {
  return static_cast<TfscTpALCZFMCBS>(TextoParaEnumerado(ok, code, tabTpALCZFMCBS));
}
TfscIndDoacao TextoParaIndDoacao(bool& ok, const std::string& code) {
  return static_cast<TfscIndDoacao>(TextoParaEnumerado(ok, code, tabIndDoacao));
}
TfscIndBemMovelUsado TextoParaIndBemMovelUsado(bool& ok, const std::string& code) {
  return static_cast<TfscIndBemMovelUsado>(TextoParaEnumerado(ok, code, tabIndBemMovelUsado));
}
TfscPacoteSchemas TextoParaPacoteSchemas(bool& ok, const std::string& code) {
  return static_cast<TfscPacoteSchemas>(TextoParaEnumerado(ok, code, tabPacoteSchemas));
}

}  // namespace tuim
