#pragma once
#include <cstdint>
#include <string>

#include "fiscal/fscConversao.h"

namespace tuim {

// Enumerations of the NF-e and NFC-e documents alone, values in declaration order.

enum TfscModeloDF : std::uint8_t { moNFe, moNFCe };
enum TfscVersaoDF : std::uint8_t { ve200, ve300, ve310, ve400 };
enum TfscVersaoQrCode : std::uint8_t { veqr000, veqr100, veqr200, veqr300 };
// 5 and 6 (credit and debit notes) exist from the PL_010 schema packages on.
enum TfscFinNFe : std::uint8_t { finNFe1, finNFe2, finNFe3, finNFe4, finNFe5, finNFe6 };
enum TfscModFrete : std::uint8_t { modFrete0, modFrete1, modFrete2, modFrete3, modFrete4, modFrete9 };
enum TfscTpOp : std::uint8_t { tpOp1, tpOp2, tpOp3, tpOp0 };
enum TfscCondVeic : std::uint8_t { condVeic1, condVeic2, condVeic3 };
enum TfscTpArma : std::uint8_t { tpArma0, tpArma1 };
enum TfscIndEscala : std::uint8_t { indEscalaS, indEscalaN, indEscalaVazio };

// Web-service layouts, one per kind of exchange with the tax authorities.
enum TfscLayOut : std::uint8_t {
  layNfeRecepcao, layNfeRetRecepcao, layNfeCancelamento, layNfeInutilizacao,
  layNfeConsultaProtocolo, layNfeStatusServico, layNfeConsultaCadastro, layRecepcaoEventoExtra,
  layRecepcaoEvento, layRecepcaoEventoAN, layNfeConsultaDest, layNfeDownloadNF,
  layNfeAutorizacao, layNfeRetAutorizacao, layAdministrarCSCNFCe, layNFeDistribuicaoDFe,
  layEventoEPEC
};

// Schema kinds; a schema's file name is the value name without its first three letters.
enum TSchemaNFe : std::uint8_t {
  schErro, schNfe, schcancNFe, schInutNFe, schEnvCCe, schEnvEventoCancNFe, schEnvConfRecebto,
  schEnvEPEC, schconsReciNFe, schconsSitNFe, schconsStatServ, schconsCad, schenvEvento,
  schconsNFeDest, schdownloadNFe, schretEnviNFe, schadmCscNFCe, schdistDFeInt, scheventoEPEC,
  schCancSubst, schPedProrrog1, schPedProrrog2, schCanPedProrrog1, schCanPedProrrog2,
  schManifDestConfirmacao, schManifDestCiencia, schManifDestDesconhecimento,
  schManifDestOperNaoRealizada
};
inline constexpr int QuantidadeSchemaNFe = 28;
inline constexpr int QuantidadeLayOut = 17;

// "55" or "65"; an unrecognised code reads as moNFe with `ok` false.
std::string ModeloDFParaTexto(TfscModeloDF v);
TfscModeloDF TextoParaModeloDF(bool& ok, const std::string& code);
// "NFCe" for moNFCe, "NFe" for every other value.
std::string ModeloDFParaNome(TfscModeloDF v);

// "2.00" ... "4.00"; numbers 2.0, 3.0, 3.1, 4.0.
std::string VersaoDFParaTexto(TfscVersaoDF v);
double VersaoDFParaNumero(TfscVersaoDF v);
// Below 3.0 ve200, below 3.1 ve300, below 4.0 ve310, otherwise ve400; `ok` is always true.
TfscVersaoDF NumeroParaVersaoDF(bool& ok, double number);
// Reads "4.00" (or "4,00", "3.1") as a number first; an unreadable text gives `ok` false, ve200.
TfscVersaoDF TextoParaVersaoDF(bool& ok, const std::string& code);

// "0", "1" or "2"; numbers 0, 1.0, 2.0.
std::string VersaoQrCodeParaTexto(TfscVersaoQrCode v);
double VersaoQrCodeParaNumero(TfscVersaoQrCode v);
TfscVersaoQrCode TextoParaVersaoQrCode(bool& ok, const std::string& code);

// Service name under which the catalogue lists the layout's addresses. "RecepcaoEvento" stands
// at three positions and reads back as the last, layRecepcaoEventoAN.
std::string LayOutParaServico(TfscLayOut v);
TfscLayOut ServicoParaLayOut(bool& ok, const std::string& name);
// Schema kind validating the layout's message; schNfe for a value outside the table.
TSchemaNFe LayOutParaSchema(TfscLayOut v);
// Value name without its first three letters ("consStatServ" for schconsStatServ).
std::string SchemaNFeParaTexto(TSchemaNFe v);
// Event-detail schema prefix ("e110111" for schcancNFe); empty for the other kinds.
std::string SchemaEventoParaTexto(TSchemaNFe v);

std::string FinNFeParaTexto(TfscFinNFe v);
std::string ModFreteParaTexto(TfscModFrete v);
std::string TpOpParaTexto(TfscTpOp v);
std::string CondVeicParaTexto(TfscCondVeic v);
std::string TpArmaParaTexto(TfscTpArma v);
std::string IndEscalaParaTexto(TfscIndEscala v);
TfscFinNFe TextoParaFinNFe(bool& ok, const std::string& code);
TfscModFrete TextoParaModFrete(bool& ok, const std::string& code);
TfscTpOp TextoParaTpOp(bool& ok, const std::string& code);
TfscCondVeic TextoParaCondVeic(bool& ok, const std::string& code);
TfscTpArma TextoParaTpArma(bool& ok, const std::string& code);
TfscIndEscala TextoParaIndEscala(bool& ok, const std::string& code);

// NF-e reading of a six-digit event code; unrecognised gives teNaoMapeado with `ok` false.
// It is the converter of the kind "NFe" in the event-code registry.
TfscTpEvento TextoParaTpEventoNFe(bool& ok, const std::string& code);
// Registers TextoParaTpEventoNFe under "NFe"; idempotent. The registry already does this on
// its first use, so calling it is never required.
void RegistrarConversoresNFe();

}  // namespace tuim
