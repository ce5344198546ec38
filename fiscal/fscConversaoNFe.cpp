#include "fiscal/fscConversaoNFe.h"

#include <charconv>
#include <iterator>

namespace tuim {

namespace {

constexpr TCodigoEnumerado tabModeloDF[] = {{moNFe, "55"}, {moNFCe, "65"}};
constexpr TCodigoEnumerado tabVersaoDF[] = {
    {ve200, "2.00"}, {ve300, "3.00"}, {ve310, "3.10"}, {ve400, "4.00"}};
constexpr double numVersaoDF[] = {2.0, 3.0, 3.1, 4.0};
constexpr TCodigoEnumerado tabVersaoQrCode[] = {{veqr000, "0"}, {veqr100, "1"}, {veqr200, "2"}, {veqr300, "3"}};
constexpr TCodigoEnumerado tabFinNFe[] = {
    {finNFe1, "1"}, {finNFe2, "2"}, {finNFe3, "3"}, {finNFe4, "4"}, {finNFe5, "5"}, {finNFe6, "6"}};
constexpr TCodigoEnumerado tabModFrete[] = {{modFrete0, "0"}, {modFrete1, "1"}, {modFrete2, "2"},
                                            {modFrete3, "3"}, {modFrete4, "4"}, {modFrete9, "9"}};
constexpr TCodigoEnumerado tabTpOp[] = {{tpOp1, "1"}, {tpOp2, "2"}, {tpOp3, "3"}, {tpOp0, "0"}};
constexpr TCodigoEnumerado tabCondVeic[] = {{condVeic1, "1"}, {condVeic2, "2"}, {condVeic3, "3"}};
constexpr TCodigoEnumerado tabTpArma[] = {{tpArma0, "0"}, {tpArma1, "1"}};
constexpr TCodigoEnumerado tabIndEscala[] = {
    {indEscalaS, "S"}, {indEscalaN, "N"}, {indEscalaVazio, ""}};

struct TLayOutLinha {
  TfscLayOut Valor;
  const char* Servico;
  TSchemaNFe Schema;
};

// "RecepcaoEvento" stands three times; a name lookup keeps the last of them.
constexpr TLayOutLinha tabLayOut[] = {
    {layNfeRecepcao, "NfeRecepcao", schNfe},
    {layNfeRetRecepcao, "NfeRetRecepcao", schconsReciNFe},
    {layNfeCancelamento, "NfeCancelamento", schcancNFe},
    {layNfeInutilizacao, "NfeInutilizacao", schInutNFe},
    {layNfeConsultaProtocolo, "NfeConsultaProtocolo", schconsSitNFe},
    {layNfeStatusServico, "NfeStatusServico", schconsStatServ},
    {layNfeConsultaCadastro, "NfeConsultaCadastro", schconsCad},
    {layRecepcaoEventoExtra, "RecepcaoEvento", schenvEvento},
    {layRecepcaoEvento, "RecepcaoEvento", schenvEvento},
    {layRecepcaoEventoAN, "RecepcaoEvento", schenvEvento},
    {layNfeConsultaDest, "NfeConsultaDest", schconsNFeDest},
    {layNfeDownloadNF, "NfeDownloadNF", schdownloadNFe},
    {layNfeAutorizacao, "NfeAutorizacao", schNfe},
    {layNfeRetAutorizacao, "NfeRetAutorizacao", schretEnviNFe},
    {layAdministrarCSCNFCe, "AdministrarCSCNFCe", schadmCscNFCe},
    {layNFeDistribuicaoDFe, "NFeDistribuicaoDFe", schdistDFeInt},
    {layEventoEPEC, "EventoEPEC", scheventoEPEC},
};
static_assert(std::size(tabLayOut) == QuantidadeLayOut);

// Value names, indexed by ordinal: the schema file name is the name after "sch".
constexpr const char* tabSchemaNFe[] = {
    "schErro",           "schNfe",
    "schcancNFe",        "schInutNFe",
    "schEnvCCe",         "schEnvEventoCancNFe",
    "schEnvConfRecebto", "schEnvEPEC",
    "schconsReciNFe",    "schconsSitNFe",
    "schconsStatServ",   "schconsCad",
    "schenvEvento",      "schconsNFeDest",
    "schdownloadNFe",    "schretEnviNFe",
    "schadmCscNFCe",     "schdistDFeInt",
    "scheventoEPEC",     "schCancSubst",
    "schPedProrrog1",    "schPedProrrog2",
    "schCanPedProrrog1", "schCanPedProrrog2",
    "schManifDestConfirmacao", "schManifDestCiencia",
    "schManifDestDesconhecimento", "schManifDestOperNaoRealizada"};
static_assert(std::size(tabSchemaNFe) == QuantidadeSchemaNFe);

constexpr TCodigoEnumerado tabSchemaEvento[] = {
    {schEnvCCe, "e110110"},
    {schcancNFe, "e110111"},
    {schCancSubst, "e110112"},
    {schEnvEPEC, "e110140"},
    {schPedProrrog1, "e111500"},
    {schPedProrrog2, "e111501"},
    {schCanPedProrrog1, "e111502"},
    {schCanPedProrrog2, "e111503"},
    {schManifDestConfirmacao, "e210200"},
    {schManifDestCiencia, "e210210"},
    {schManifDestDesconhecimento, "e210220"},
    {schManifDestOperNaoRealizada, "e210240"},
};

constexpr TCodigoEnumerado tabTpEventoNFe[] = {
    {teNaoMapeado, "-99999"},
    {teCCe, "110110"},
    {teCancelamento, "110111"},
    {teCancelamentoPorSubstituicao, "110112"},
    {teEPECNFe, "110140"},
    {tePedProrrog1, "111500"},
    {tePedProrrog2, "111501"},
    {teCanPedProrrog1, "111502"},
    {teCanPedProrrog2, "111503"},
    {teManifDestConfirmacao, "210200"},
    {teManifDestCiencia, "210210"},
    {teManifDestDesconhecimento, "210220"},
    {teManifDestOperNaoRealizada, "210240"},
    {teRegistroCTe, "610600"},
    {teMDFeAutorizadoComCTe, "610614"},
};

// A number read from a document ("3.10") may carry binary noise; compare with a margin far
// below the layouts' two decimals.
constexpr double kMargem = 1e-9;

}  // namespace

std::string ModeloDFParaTexto(TfscModeloDF v) { return EnumeradoParaTexto(v, tabModeloDF); }
TfscModeloDF TextoParaModeloDF(bool& ok, const std::string& code) {
  return static_cast<TfscModeloDF>(TextoParaEnumerado(ok, code, tabModeloDF));
}
std::string ModeloDFParaNome(TfscModeloDF v) { return v == moNFCe ? "NFCe" : "NFe"; }

std::string VersaoDFParaTexto(TfscVersaoDF v) { return EnumeradoParaTexto(v, tabVersaoDF); }
double VersaoDFParaNumero(TfscVersaoDF v) { return v <= ve400 ? numVersaoDF[v] : 0.0; }

TfscVersaoDF NumeroParaVersaoDF(bool& ok, double number) {
  ok = true;
  if (number < 3.0 - kMargem) return ve200;
  if (number < 3.1 - kMargem) return ve300;
  if (number < 4.0 - kMargem) return ve310;
  return ve400;
}

TfscVersaoDF TextoParaVersaoDF(bool& ok, const std::string& code) {
  std::string s = code;
  for (char& c : s)
    if (c == ',') c = '.';
  double n = 0;
  const char* b = s.data();
  const char* e = s.data() + s.size();
  auto [p, ec] = std::from_chars(b, e, n, std::chars_format::fixed);
  if (ec != std::errc() || p != e || s.empty()) {
    ok = false;
    return ve200;
  }
  return NumeroParaVersaoDF(ok, n);
}

std::string VersaoQrCodeParaTexto(TfscVersaoQrCode v) {
  return EnumeradoParaTexto(v, tabVersaoQrCode);
}
double VersaoQrCodeParaNumero(TfscVersaoQrCode v) {
  if (v == veqr100) return 1.0;
  if (v == veqr200) return 2.0;
  if (v == veqr300) return 3.0;
  return 0.0;
}
TfscVersaoQrCode TextoParaVersaoQrCode(bool& ok, const std::string& code) {
  return static_cast<TfscVersaoQrCode>(TextoParaEnumerado(ok, code, tabVersaoQrCode));
}

std::string LayOutParaServico(TfscLayOut v) {
  std::string r;
  for (const auto& l : tabLayOut)
    if (l.Valor == v) r = l.Servico;
  return r;
}

TfscLayOut ServicoParaLayOut(bool& ok, const std::string& name) {
  TCodigoEnumerado tab[std::size(tabLayOut)];
  for (std::size_t i = 0; i < std::size(tabLayOut); ++i) tab[i] = {tabLayOut[i].Valor, tabLayOut[i].Servico};
  return static_cast<TfscLayOut>(TextoParaEnumerado(ok, name, tab));
}

TSchemaNFe LayOutParaSchema(TfscLayOut v) {
  for (const auto& l : tabLayOut)
    if (l.Valor == v) return l.Schema;
  return schNfe;
}

std::string SchemaNFeParaTexto(TSchemaNFe v) {
  return v < QuantidadeSchemaNFe ? std::string(tabSchemaNFe[v] + 3) : std::string();
}

std::string SchemaEventoParaTexto(TSchemaNFe v) { return EnumeradoParaTexto(v, tabSchemaEvento); }

std::string FinNFeParaTexto(TfscFinNFe v) { return EnumeradoParaTexto(v, tabFinNFe); }
std::string ModFreteParaTexto(TfscModFrete v) { return EnumeradoParaTexto(v, tabModFrete); }
std::string TpOpParaTexto(TfscTpOp v) { return EnumeradoParaTexto(v, tabTpOp); }
std::string CondVeicParaTexto(TfscCondVeic v) { return EnumeradoParaTexto(v, tabCondVeic); }
std::string TpArmaParaTexto(TfscTpArma v) { return EnumeradoParaTexto(v, tabTpArma); }
std::string IndEscalaParaTexto(TfscIndEscala v) { return EnumeradoParaTexto(v, tabIndEscala); }

TfscFinNFe TextoParaFinNFe(bool& ok, const std::string& code) {
  return static_cast<TfscFinNFe>(TextoParaEnumerado(ok, code, tabFinNFe));
}
TfscModFrete TextoParaModFrete(bool& ok, const std::string& code) {
  return static_cast<TfscModFrete>(TextoParaEnumerado(ok, code, tabModFrete));
}
TfscTpOp TextoParaTpOp(bool& ok, const std::string& code) {
  return static_cast<TfscTpOp>(TextoParaEnumerado(ok, code, tabTpOp));
}
TfscCondVeic TextoParaCondVeic(bool& ok, const std::string& code) {
  return static_cast<TfscCondVeic>(TextoParaEnumerado(ok, code, tabCondVeic));
}
TfscTpArma TextoParaTpArma(bool& ok, const std::string& code) {
  return static_cast<TfscTpArma>(TextoParaEnumerado(ok, code, tabTpArma));
}
TfscIndEscala TextoParaIndEscala(bool& ok, const std::string& code) {
  return static_cast<TfscIndEscala>(TextoParaEnumerado(ok, code, tabIndEscala));
}

TfscTpEvento TextoParaTpEventoNFe(bool& ok, const std::string& code) {
  return static_cast<TfscTpEvento>(TextoParaEnumerado(ok, code, tabTpEventoNFe));
}

void RegistrarConversoresNFe() { RegistrarConversorEvento(&TextoParaTpEventoNFe, "NFe"); }

}  // namespace tuim
