#include "fiscal/fscConversao.h"

#include <algorithm>
#include <mutex>

#include "fiscal/TuimUtil.h"
#include "fiscal/TuimException.h"
#include "fiscal/fscConversaoNFe.h"

namespace tuim {

namespace {

// Codes are ASCII; folding only A-Z keeps the comparison independent of the locale.
char FoldAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; }

bool IgualSemCaixa(const std::string& a, const char* b) {
  std::size_t i = 0;
  for (; i < a.size(); ++i) {
    if (b[i] == '\0' || FoldAscii(a[i]) != FoldAscii(b[i])) return false;
  }
  return b[i] == '\0';
}

constexpr TCodigoEnumerado tabIndPag[] = {{indPag0, "0"}, {indPag1, "1"}, {indPag2, "2"}, {indPagVazio, ""}};
constexpr TCodigoEnumerado tabTipoImpressao[] = {{tiSemGeracao, "0"}, {tiRetrato, "1"}, {tiPaisagem, "2"}, {tiSimplificado, "3"}, {tiNFCe, "4"}, {tiMsgEletronica, "5"}, {tiSimplificadoTipo2, "6"}};
constexpr TCodigoEnumerado tabTipoEmissao[] = {{teNormal, "1"}, {teContingencia, "2"}, {teSCAN, "3"}, {teDPEC, "4"}, {teFSDA, "5"}, {teSVCAN, "6"}, {teSVCRS, "7"}, {teSVCSP, "8"}, {teOffLine, "9"}};
constexpr TCodigoEnumerado tabTipoAmbiente[] = {{taProducao, "1"}, {taHomologacao, "2"}};
constexpr TCodigoEnumerado tabProcEmi[] = {{procEmi0, "0"}, {procEmi1, "1"}, {procEmi2, "2"}, {procEmi3, "3"}, {procEmi4, "4"}};
constexpr TCodigoEnumerado tabOrig[] = {{orig0, "0"}, {orig1, "1"}, {orig2, "2"}, {orig3, "3"}, {orig4, "4"}, {orig5, "5"}, {orig6, "6"}, {orig7, "7"}, {orig8, "8"}};
constexpr TCodigoEnumerado tabCSOSN[] = {{csosn0, "0"}, {csosn101, "101"}, {csosn102, "102"}, {csosn103, "103"}, {csosn201, "201"}, {csosn202, "202"}, {csosn203, "203"}, {csosn300, "300"}, {csosn400, "400"}, {csosn500, "500"}, {csosn900, "900"}};
constexpr TCodigoEnumerado tabCSTIcms[] = {{cstIcms00, "00"}, {cstIcms10, "10"}, {cstIcms20, "20"}, {cstIcms30, "30"}, {cstIcms40, "40"}, {cstIcms41, "41"}, {cstIcms45, "45"}, {cstIcms50, "50"}, {cstIcms51, "51"}, {cstIcms60, "60"}, {cstIcms70, "70"}, {cstIcms80, "80"}, {cstIcms81, "81"}, {cstIcms90, "90"}, {cstIcmsPart10, "10"}, {cstIcmsPart90, "90"}, {cstIcmsST41, "41"}, {cstIcmsVazio, ""}, {cstIcms90b, "90"}, {cstIcmsSN, "SN"}, {cstIcmsST60, "60"}, {cstIcmsPart20, "20"}};
constexpr TCodigoEnumerado tabModBC[] = {{modBC0, "0"}, {modBC1, "1"}, {modBC2, "2"}, {modBC3, "3"}, {modBCVazio, ""}};
constexpr TCodigoEnumerado tabModBCST[] = {{modBCST0, "0"}, {modBCST1, "1"}, {modBCST2, "2"}, {modBCST3, "3"}, {modBCST4, "4"}, {modBCST5, "5"}, {modBCST6, "6"}};
constexpr TCodigoEnumerado tabMotDesICMS[] = {{motDesICMS1, "1"}, {motDesICMS2, "2"}, {motDesICMS3, "3"}, {motDesICMS4, "4"}, {motDesICMS5, "5"}, {motDesICMS6, "6"}, {motDesICMS7, "7"}, {motDesICMS8, "8"}, {motDesICMS9, "9"}, {motDesICMS10, "10"}, {motDesICMS11, "11"}, {motDesICMS12, "12"}, {motDesICMS16, "16"}, {motDesICMS90, "90"}};
constexpr TCodigoEnumerado tabCSTIpi[] = {{cstIpi00, "00"}, {cstIpi49, "49"}, {cstIpi50, "50"}, {cstIpi99, "99"}, {cstIpi01, "01"}, {cstIpi02, "02"}, {cstIpi03, "03"}, {cstIpi04, "04"}, {cstIpi05, "05"}, {cstIpi51, "51"}, {cstIpi52, "52"}, {cstIpi53, "53"}, {cstIpi54, "54"}, {cstIpi55, "55"}};
constexpr TCodigoEnumerado tabCSTPis[] = {{cstPis01, "01"}, {cstPis02, "02"}, {cstPis03, "03"}, {cstPis04, "04"}, {cstPis05, "05"}, {cstPis06, "06"}, {cstPis07, "07"}, {cstPis08, "08"}, {cstPis09, "09"}, {cstPis49, "49"}, {cstPis50, "50"}, {cstPis51, "51"}, {cstPis52, "52"}, {cstPis53, "53"}, {cstPis54, "54"}, {cstPis55, "55"}, {cstPis56, "56"}, {cstPis60, "60"}, {cstPis61, "61"}, {cstPis62, "62"}, {cstPis63, "63"}, {cstPis64, "64"}, {cstPis65, "65"}, {cstPis66, "66"}, {cstPis67, "67"}, {cstPis70, "70"}, {cstPis71, "71"}, {cstPis72, "72"}, {cstPis73, "73"}, {cstPis74, "74"}, {cstPis75, "75"}, {cstPis98, "98"}, {cstPis99, "99"}};
constexpr TCodigoEnumerado tabCSTCofins[] = {{cstCofins01, "01"}, {cstCofins02, "02"}, {cstCofins03, "03"}, {cstCofins04, "04"}, {cstCofins05, "05"}, {cstCofins06, "06"}, {cstCofins07, "07"}, {cstCofins08, "08"}, {cstCofins09, "09"}, {cstCofins49, "49"}, {cstCofins50, "50"}, {cstCofins51, "51"}, {cstCofins52, "52"}, {cstCofins53, "53"}, {cstCofins54, "54"}, {cstCofins55, "55"}, {cstCofins56, "56"}, {cstCofins60, "60"}, {cstCofins61, "61"}, {cstCofins62, "62"}, {cstCofins63, "63"}, {cstCofins64, "64"}, {cstCofins65, "65"}, {cstCofins66, "66"}, {cstCofins67, "67"}, {cstCofins70, "70"}, {cstCofins71, "71"}, {cstCofins72, "72"}, {cstCofins73, "73"}, {cstCofins74, "74"}, {cstCofins75, "75"}, {cstCofins98, "98"}, {cstCofins99, "99"}};
constexpr TCodigoEnumerado tabIndProc[] = {{indProc0, "0"}, {indProc1, "1"}, {indProc2, "2"}, {indProc3, "3"}, {indProc9, "9"}};
constexpr TCodigoEnumerado tabCRT[] = {{crt1, "1"}, {crt2, "2"}, {crt3, "3"}};
constexpr TCodigoEnumerado tabIndTot[] = {{indTot1, "1"}, {indTot0, "0"}};
constexpr TCodigoEnumerado tabModECF[] = {{modECFVazio, ""}, {modECF2B, "2B"}, {modECF2C, "2C"}, {modECF2D, "2D"}};
constexpr TCodigoEnumerado tabCSitTrib[] = {{cSitTribVazio, ""}, {cSitTribN, "N"}, {cSitTribR, "R"}, {cSitTribS, "S"}, {cSitTribI, "I"}};
constexpr TCodigoEnumerado tabIdDest[] = {{idDest1, "1"}, {idDest2, "2"}, {idDest3, "3"}};
constexpr TCodigoEnumerado tabIndFinal[] = {{indFinal0, "0"}, {indFinal1, "1"}};
constexpr TCodigoEnumerado tabIndPres[] = {{indPres0, "0"}, {indPres1, "1"}, {indPres2, "2"}, {indPres3, "3"}, {indPres4, "4"}, {indPres5, "5"}, {indPres9, "9"}};
constexpr TCodigoEnumerado tabTPag[] = {{tPag01, "01"}, {tPag02, "02"}, {tPag03, "03"}, {tPag04, "04"}, {tPag05, "05"}, {tPag10, "10"}, {tPag11, "11"}, {tPag12, "12"}, {tPag13, "13"}, {tPag14, "14"}, {tPag15, "15"}, {tPag90, "90"}, {tPag99, "99"}};
constexpr TCodigoEnumerado tabTBand[] = {{tBand01, "01"}, {tBand02, "02"}, {tBand03, "03"}, {tBand04, "04"}, {tBand05, "05"}, {tBand06, "06"}, {tBand07, "07"}, {tBand08, "08"}, {tBand09, "09"}, {tBand99, "99"}};
constexpr TCodigoEnumerado tabCRegTrib[] = {{cRegTrib1, "1"}, {cRegTrib2, "2"}, {cRegTrib3, "3"}, {cRegTrib4, "4"}, {cRegTrib5, "5"}, {cRegTrib6, "6"}, {cRegTrib0, "0"}};
constexpr TCodigoEnumerado tabIndIEDest[] = {{indIEDest1, "1"}, {indIEDest2, "2"}, {indIEDest9, "9"}};
constexpr TCodigoEnumerado tabTpViaTransp[] = {{tpViaTransp1, "1"}, {tpViaTransp2, "2"}, {tpViaTransp3, "3"}, {tpViaTransp4, "4"}, {tpViaTransp5, "5"}, {tpViaTransp6, "6"}, {tpViaTransp7, "7"}, {tpViaTransp8, "8"}, {tpViaTransp9, "9"}, {tpViaTransp10, "10"}, {tpViaTransp11, "11"}, {tpViaTransp12, "12"}};
constexpr TCodigoEnumerado tabTpIntermedio[] = {{tpIntermedio1, "1"}, {tpIntermedio2, "2"}, {tpIntermedio3, "3"}};
constexpr TCodigoEnumerado tabIndISS[] = {{indISS1, "1"}, {indISS2, "2"}, {indISS3, "3"}, {indISS4, "4"}, {indISS5, "5"}, {indISS6, "6"}, {indISS7, "7"}};
constexpr TCodigoEnumerado tabIndIncentivo[] = {{indIncentivo1, "1"}, {indIncentivo2, "2"}};
constexpr TCodigoEnumerado tabTpAutor[] = {{tpAutor1, "1"}, {tpAutor2, "2"}, {tpAutor3, "3"}, {tpAutor5, "5"}, {tpAutor6, "6"}, {tpAutor9, "9"}};
constexpr TCodigoEnumerado tabIndOp[] = {{indOp1, "1"}, {indOp2, "2"}, {indOp3, "3"}};
constexpr TCodigoEnumerado tabCSitNFe[] = {{cSitNFe1, "1"}, {cSitNFe2, "2"}, {cSitNFe3, "3"}, {cSitNFe4, "4"}};
constexpr TCodigoEnumerado tabModal[] = {{modal01, "01"}, {modal02, "02"}, {modal03, "03"}, {modal04, "04"}, {modal05, "05"}, {modal06, "06"}};
constexpr TCodigoEnumerado tabTpIntegra[] = {{tpIntegraVazio, ""}, {tpIntegra1, "1"}, {tpIntegra2, "2"}};
constexpr TCodigoEnumerado tabTpNF[] = {{tpNF0, "0"}, {tpNF1, "1"}};

struct TEventoLinha {
  TfscTpEvento Valor;
  const char* Codigo;
  const char* Nome;
};

// Indexed by ordinal; the names of the last three are empty on purpose.
constexpr TEventoLinha tabTpEvento[] = {
    {teNaoMapeado, "-99999", "NaoMapeado"},
    {teCCe, "110110", "CCe"},
    {teCancelamento, "110111", "Cancelamento"},
    {teManifDestConfirmacao, "210200", "ManifDestConfirmacao"},
    {teManifDestCiencia, "210210", "ManifDestCiencia"},
    {teManifDestDesconhecimento, "210220", "ManifDestDesconhecimento"},
    {teManifDestOperNaoRealizada, "210240", "ManifDestOperNaoRealizada"},
    {teEncerramento, "110112", "Encerramento"},
    {teEPEC, "110113", "EPEC"},
    {teInclusaoCondutor, "110114", "InclusaoCondutor"},
    {teMultiModal, "110160", "MultiModal"},
    {teRegistroPassagem, "310620", "RegistroPassagem"},
    {teRegistroPassagemBRId, "510620", "RegistroPassagemBRId"},
    {teEPECNFe, "110140", "EPECNFe"},
    {teRegistroCTe, "610600", "RegistroCTe"},
    {teRegistroPassagemNFeCancelado, "610501", "RegistroPassagemNFeCancelado"},
    {teRegistroPassagemNFeRFID, "610550", "RegistroPassagemNFeRFID"},
    {teCTeCancelado, "610601", "CTeCancelado"},
    {teMDFeCancelado, "610611", "MDFeCancelado"},
    {teVistoriaSuframa, "990900", "VistoriaSuframa"},
    {tePedProrrog1, "111500", "PedProrrog1"},
    {tePedProrrog2, "111501", "PedProrrog2"},
    {teCanPedProrrog1, "111502", "CanPedProrrog1"},
    {teCanPedProrrog2, "111503", "CanPedProrrog2"},
    {teEventoFiscoPP1, "411500", "EventoFiscoPP1"},
    {teEventoFiscoPP2, "411501", "EventoFiscoPP2"},
    {teEventoFiscoCPP1, "411502", "EventoFiscoCPP1"},
    {teEventoFiscoCPP2, "411503", "EventoFiscoCPP2"},
    {teRegistroPassagemNFe, "610500", "RegistroPassagemNFe"},
    {teConfInternalizacao, "990910", "ConfInternalizacao"},
    {teCTeAutorizado, "000000", "CTeAutorizado"},
    {teMDFeAutorizado, "610610", "MDFeAutorizado"},
    {tePrestDesacordo, "610110", "PrestDesacordo"},
    {teGTV, "110170", "GTV"},
    {teMDFeAutorizado2, "310610", "MDFeAutorizado2"},
    {teNaoEmbarque, "110115", "NaoEmbarque"},
    {teMDFeCancelado2, "310611", "MDFeCancelado2"},
    {teMDFeAutorizadoComCTe, "610614", "MDFeAutorizadoComCTe"},
    {teRegPasNfeProMDFe, "610510", "RegPasNfeProMDFe"},
    {teRegPasNfeProMDFeCte, "610514", "RegPasNfeProMDFeCte"},
    {teRegPasAutMDFeComCte, "610554", "RegPasAutMDFeComCte"},
    {teCancelamentoMDFeAutComCTe, "610615", "CancelamentoMDFeAutComCTe"},
    {teAverbacaoExportacao, "790700", "AverbacaoExportacao"},
    {teAutCteComplementar, "240130", "AutCteComplementar"},
    {teCancCteComplementar, "240131", "CancCteComplementar"},
    {teCTeSubstituicao, "240140", "CTeSubstituicao"},
    {teCTeAnulacao, "240150", "CTeAnulacao"},
    {teLiberacaoEPEC, "240160", "LiberacaoEPEC"},
    {teLiberacaoPrazoCanc, "240170", "LiberacaoPrazoCanc"},
    {teAutorizadoRedespacho, "440130", "AutorizadoRedespacho"},
    {teAutorizadoRedespIntermed, "440140", "AutorizadoRedespIntermed"},
    {teAutorizadoSubcontratacao, "440150", "AutorizadoSubcontratacao"},
    {teAutorizadoServMultimodal, "440160", "AutorizadoServMultimodal"},
    {teCancelamentoPorSubstituicao, "110112", "CancelamentoPorSubstituicao"},
    {teAlteracaoPoltrona, "110116", "AlteracaoPoltrona"},
    {teEvento110180, "110180", ""},
    {teEvento110181, "110181", ""},
    {teEvento110115, "110115", ""},
};
static_assert(std::size(tabTpEvento) == QuantidadeTpEvento);

constexpr const char* tabSchemaDFe[] = {
    "schresNFe",   "schresEvento",      "schprocNFe",       "schprocEventoNFe", "schresCTe",
    "schprocCTe",  "schprocCTeOS",      "schprocEventoCTe", "schresMDFe",       "schprocMDFe",
    "schprocEventoMDFe", "schresBPe",   "schprocBPe",       "schprocEventoBPe"};
static_assert(std::size(tabSchemaDFe) == schprocEventoBPe + 1);

constexpr TCodigoEnumerado tabCSOSNGrupo[] = {
    {csosn101, "101"}, {csosn102, "102"}, {csosn103, "102"}, {csosn300, "102"},
    {csosn400, "102"}, {csosn201, "201"}, {csosn202, "202"}, {csosn203, "202"},
    {csosn500, "500"}, {csosn900, "900"}};
constexpr TCodigoEnumerado tabCSOSNIdGrupo[] = {
    {csosn101, "10c"}, {csosn102, "10d"}, {csosn103, "10d"}, {csosn300, "10d"},
    {csosn400, "10d"}, {csosn201, "10e"}, {csosn202, "10f"}, {csosn203, "10f"},
    {csosn500, "10g"}, {csosn900, "10h"}};
constexpr TCodigoEnumerado tabCSTIcmsIdGrupo[] = {
    {cstIcms00, "02"},      {cstIcms10, "03"},      {cstIcms20, "04"},    {cstIcms30, "05"},
    {cstIcms40, "06"},      {cstIcms41, "06"},      {cstIcms50, "06"},    {cstIcms51, "07"},
    {cstIcms60, "08"},      {cstIcms70, "09"},      {cstIcms80, "10"},    {cstIcms81, "11"},
    {cstIcms90, "12"},      {cstIcmsPart10, "10a"}, {cstIcmsPart90, "10a"},
    {cstIcmsST41, "10b"},   {cstIcmsST60, "10b"},  {cstIcmsPart20, "10a"}};
constexpr TCodigoEnumerado tabIndProcDescricao[] = {
    {indProc0, "SEFAZ"},       {indProc1, "JUSTIÇA FEDERAL"}, {indProc2, "JUSTIÇA ESTADUAL"},
    {indProc3, "SECEX / RFB"}, {indProc9, "OUTROS"}};

struct TConversorRegistrado {
  std::string Tipo;
  TStrToTpEventoDFe Conversor;
};

// Built on first use, so no module's start-up order matters, and the NF-e reader is always
// present even when nothing else of its object file is linked in.
struct TRegistroEventos {
  std::mutex Trava;
  std::vector<TConversorRegistrado> Itens;
  TRegistroEventos() { Itens.push_back({"NFE", TStrToTpEventoDFe(&TextoParaTpEventoNFe)}); }
};

TRegistroEventos& RegistroEventos() {
  static TRegistroEventos r;
  return r;
}

}  // namespace

std::string EnumeradoParaTexto(int value, std::span<const TCodigoEnumerado> tabela) {
  std::string r;
  for (const auto& p : tabela)
    if (p.Valor == value) r = p.Codigo;
  return r;
}

int TextoParaEnumerado(bool& ok, const std::string& code, std::span<const TCodigoEnumerado> tabela) {
  int r = -1;
  for (const auto& p : tabela)
    if (IgualSemCaixa(code, p.Codigo)) r = p.Valor;
  ok = r != -1;
  if (!ok) r = tabela.empty() ? 0 : tabela.front().Valor;
  return r;
}

std::string EnumeradoParaTexto(int value, const std::vector<std::string>& codes,
                               const std::vector<int>& values) {
  std::string r;
  const std::size_t n = std::min(codes.size(), values.size());
  for (std::size_t i = 0; i < n; ++i)
    if (values[i] == value) r = codes[i];
  return r;
}

int TextoParaEnumerado(bool& ok, const std::string& code, const std::vector<std::string>& codes,
                       const std::vector<int>& values) {
  int r = -1;
  const std::size_t n = std::min(codes.size(), values.size());
  for (std::size_t i = 0; i < n; ++i)
    if (IgualSemCaixa(code, codes[i].c_str()) && codes[i].size() == code.size()) r = values[i];
  ok = r != -1;
  if (!ok) r = values.empty() ? 0 : values.front();
  return r;
}

std::string CodigoParaUF(int code) {
  for (const auto& uf : TabelaUF)
    if (uf.Codigo == code) return uf.Sigla;
  return {};
}

std::string IndPagParaTexto(TfscIndPag v) { return EnumeradoParaTexto(v, tabIndPag); }
TfscIndPag TextoParaIndPag(bool& ok, const std::string& code) {
  return static_cast<TfscIndPag>(TextoParaEnumerado(ok, code, tabIndPag));
}
std::string TipoImpressaoParaTexto(TfscTipoImpressao v) { return EnumeradoParaTexto(v, tabTipoImpressao); }
TfscTipoImpressao TextoParaTipoImpressao(bool& ok, const std::string& code) {
  return static_cast<TfscTipoImpressao>(TextoParaEnumerado(ok, code, tabTipoImpressao));
}
std::string TipoEmissaoParaTexto(TfscTipoEmissao v) { return EnumeradoParaTexto(v, tabTipoEmissao); }
TfscTipoEmissao TextoParaTipoEmissao(bool& ok, const std::string& code) {
  return static_cast<TfscTipoEmissao>(TextoParaEnumerado(ok, code, tabTipoEmissao));
}
std::string TipoAmbienteParaTexto(TfscTipoAmbiente v) { return EnumeradoParaTexto(v, tabTipoAmbiente); }
TfscTipoAmbiente TextoParaTipoAmbiente(bool& ok, const std::string& code) {
  return static_cast<TfscTipoAmbiente>(TextoParaEnumerado(ok, code, tabTipoAmbiente));
}
std::string ProcEmiParaTexto(TfscProcEmi v) { return EnumeradoParaTexto(v, tabProcEmi); }
TfscProcEmi TextoParaProcEmi(bool& ok, const std::string& code) {
  return static_cast<TfscProcEmi>(TextoParaEnumerado(ok, code, tabProcEmi));
}
std::string OrigParaTexto(TfscOrig v) { return EnumeradoParaTexto(v, tabOrig); }
TfscOrig TextoParaOrig(bool& ok, const std::string& code) {
  return static_cast<TfscOrig>(TextoParaEnumerado(ok, code, tabOrig));
}
std::string CSOSNParaTexto(TfscCSOSN v) { return EnumeradoParaTexto(v, tabCSOSN); }
TfscCSOSN TextoParaCSOSN(bool& ok, const std::string& code) {
  return static_cast<TfscCSOSN>(TextoParaEnumerado(ok, code, tabCSOSN));
}
std::string CSTIcmsParaTexto(TfscCSTIcms v) { return EnumeradoParaTexto(v, tabCSTIcms); }
std::string ModBCParaTexto(TfscModBC v) { return EnumeradoParaTexto(v, tabModBC); }
TfscModBC TextoParaModBC(bool& ok, const std::string& code) {
  return static_cast<TfscModBC>(TextoParaEnumerado(ok, code, tabModBC));
}
std::string ModBCSTParaTexto(TfscModBCST v) { return EnumeradoParaTexto(v, tabModBCST); }
TfscModBCST TextoParaModBCST(bool& ok, const std::string& code) {
  return static_cast<TfscModBCST>(TextoParaEnumerado(ok, code, tabModBCST));
}
std::string MotDesICMSParaTexto(TfscMotDesICMS v) { return EnumeradoParaTexto(v, tabMotDesICMS); }
TfscMotDesICMS TextoParaMotDesICMS(bool& ok, const std::string& code) {
  return static_cast<TfscMotDesICMS>(TextoParaEnumerado(ok, code, tabMotDesICMS));
}
std::string CSTIpiParaTexto(TfscCSTIpi v) { return EnumeradoParaTexto(v, tabCSTIpi); }
TfscCSTIpi TextoParaCSTIpi(bool& ok, const std::string& code) {
  return static_cast<TfscCSTIpi>(TextoParaEnumerado(ok, code, tabCSTIpi));
}
std::string CSTPisParaTexto(TfscCSTPis v) { return EnumeradoParaTexto(v, tabCSTPis); }
TfscCSTPis TextoParaCSTPis(bool& ok, const std::string& code) {
  return static_cast<TfscCSTPis>(TextoParaEnumerado(ok, code, tabCSTPis));
}
std::string CSTCofinsParaTexto(TfscCSTCofins v) { return EnumeradoParaTexto(v, tabCSTCofins); }
TfscCSTCofins TextoParaCSTCofins(bool& ok, const std::string& code) {
  return static_cast<TfscCSTCofins>(TextoParaEnumerado(ok, code, tabCSTCofins));
}
std::string IndProcParaTexto(TfscIndProc v) { return EnumeradoParaTexto(v, tabIndProc); }
TfscIndProc TextoParaIndProc(bool& ok, const std::string& code) {
  return static_cast<TfscIndProc>(TextoParaEnumerado(ok, code, tabIndProc));
}
std::string CRTParaTexto(TfscCRT v) { return EnumeradoParaTexto(v, tabCRT); }
TfscCRT TextoParaCRT(bool& ok, const std::string& code) {
  return static_cast<TfscCRT>(TextoParaEnumerado(ok, code, tabCRT));
}
std::string IndTotParaTexto(TfscIndTot v) { return EnumeradoParaTexto(v, tabIndTot); }
TfscIndTot TextoParaIndTot(bool& ok, const std::string& code) {
  return static_cast<TfscIndTot>(TextoParaEnumerado(ok, code, tabIndTot));
}
std::string ModECFParaTexto(TfscModECF v) { return EnumeradoParaTexto(v, tabModECF); }
TfscModECF TextoParaModECF(bool& ok, const std::string& code) {
  return static_cast<TfscModECF>(TextoParaEnumerado(ok, code, tabModECF));
}
std::string CSitTribParaTexto(TfscCSitTrib v) { return EnumeradoParaTexto(v, tabCSitTrib); }
TfscCSitTrib TextoParaCSitTrib(bool& ok, const std::string& code) {
  return static_cast<TfscCSitTrib>(TextoParaEnumerado(ok, code, tabCSitTrib));
}
std::string IdDestParaTexto(TfscIdDest v) { return EnumeradoParaTexto(v, tabIdDest); }
TfscIdDest TextoParaIdDest(bool& ok, const std::string& code) {
  return static_cast<TfscIdDest>(TextoParaEnumerado(ok, code, tabIdDest));
}
std::string IndFinalParaTexto(TfscIndFinal v) { return EnumeradoParaTexto(v, tabIndFinal); }
TfscIndFinal TextoParaIndFinal(bool& ok, const std::string& code) {
  return static_cast<TfscIndFinal>(TextoParaEnumerado(ok, code, tabIndFinal));
}
std::string IndPresParaTexto(TfscIndPres v) { return EnumeradoParaTexto(v, tabIndPres); }
TfscIndPres TextoParaIndPres(bool& ok, const std::string& code) {
  return static_cast<TfscIndPres>(TextoParaEnumerado(ok, code, tabIndPres));
}
std::string TPagParaTexto(TfscTPag v) { return EnumeradoParaTexto(v, tabTPag); }
TfscTPag TextoParaTPag(bool& ok, const std::string& code) {
  return static_cast<TfscTPag>(TextoParaEnumerado(ok, code, tabTPag));
}
std::string TBandParaTexto(TfscTBand v) { return EnumeradoParaTexto(v, tabTBand); }
TfscTBand TextoParaTBand(bool& ok, const std::string& code) {
  return static_cast<TfscTBand>(TextoParaEnumerado(ok, code, tabTBand));
}
std::string CRegTribParaTexto(TfscCRegTrib v) { return EnumeradoParaTexto(v, tabCRegTrib); }
TfscCRegTrib TextoParaCRegTrib(bool& ok, const std::string& code) {
  return static_cast<TfscCRegTrib>(TextoParaEnumerado(ok, code, tabCRegTrib));
}
std::string IndIEDestParaTexto(TfscIndIEDest v) { return EnumeradoParaTexto(v, tabIndIEDest); }
TfscIndIEDest TextoParaIndIEDest(bool& ok, const std::string& code) {
  return static_cast<TfscIndIEDest>(TextoParaEnumerado(ok, code, tabIndIEDest));
}
std::string TpViaTranspParaTexto(TfscTpViaTransp v) { return EnumeradoParaTexto(v, tabTpViaTransp); }
TfscTpViaTransp TextoParaTpViaTransp(bool& ok, const std::string& code) {
  return static_cast<TfscTpViaTransp>(TextoParaEnumerado(ok, code, tabTpViaTransp));
}
std::string TpIntermedioParaTexto(TfscTpIntermedio v) { return EnumeradoParaTexto(v, tabTpIntermedio); }
TfscTpIntermedio TextoParaTpIntermedio(bool& ok, const std::string& code) {
  return static_cast<TfscTpIntermedio>(TextoParaEnumerado(ok, code, tabTpIntermedio));
}
std::string IndISSParaTexto(TfscIndISS v) { return EnumeradoParaTexto(v, tabIndISS); }
TfscIndISS TextoParaIndISS(bool& ok, const std::string& code) {
  return static_cast<TfscIndISS>(TextoParaEnumerado(ok, code, tabIndISS));
}
std::string IndIncentivoParaTexto(TfscIndIncentivo v) { return EnumeradoParaTexto(v, tabIndIncentivo); }
TfscIndIncentivo TextoParaIndIncentivo(bool& ok, const std::string& code) {
  return static_cast<TfscIndIncentivo>(TextoParaEnumerado(ok, code, tabIndIncentivo));
}
std::string TpAutorParaTexto(TfscTpAutor v) { return EnumeradoParaTexto(v, tabTpAutor); }
TfscTpAutor TextoParaTpAutor(bool& ok, const std::string& code) {
  return static_cast<TfscTpAutor>(TextoParaEnumerado(ok, code, tabTpAutor));
}
std::string IndOpParaTexto(TfscIndOp v) { return EnumeradoParaTexto(v, tabIndOp); }
TfscIndOp TextoParaIndOp(bool& ok, const std::string& code) {
  return static_cast<TfscIndOp>(TextoParaEnumerado(ok, code, tabIndOp));
}
std::string CSitNFeParaTexto(TfscCSitNFe v) { return EnumeradoParaTexto(v, tabCSitNFe); }
TfscCSitNFe TextoParaCSitNFe(bool& ok, const std::string& code) {
  return static_cast<TfscCSitNFe>(TextoParaEnumerado(ok, code, tabCSitNFe));
}
std::string ModalParaTexto(TfscModal v) { return EnumeradoParaTexto(v, tabModal); }
TfscModal TextoParaModal(bool& ok, const std::string& code) {
  return static_cast<TfscModal>(TextoParaEnumerado(ok, code, tabModal));
}
std::string TpIntegraParaTexto(TfscTpIntegra v) { return EnumeradoParaTexto(v, tabTpIntegra); }
TfscTpIntegra TextoParaTpIntegra(bool& ok, const std::string& code) {
  return static_cast<TfscTpIntegra>(TextoParaEnumerado(ok, code, tabTpIntegra));
}
std::string TpNFParaTexto(TfscTpNF v) { return EnumeradoParaTexto(v, tabTpNF); }
TfscTpNF TextoParaTpNF(bool& ok, const std::string& code) {
  return static_cast<TfscTpNF>(TextoParaEnumerado(ok, code, tabTpNF));
}

std::string CSOSNParaGrupo(TfscCSOSN v) { return EnumeradoParaTexto(v, tabCSOSNGrupo); }
std::string CSOSNParaIdGrupo(TfscCSOSN v) { return EnumeradoParaTexto(v, tabCSOSNIdGrupo); }
std::string CSTIcmsParaIdGrupo(TfscCSTIcms v) { return EnumeradoParaTexto(v, tabCSTIcmsIdGrupo); }
std::string IndProcParaDescricao(TfscIndProc v) {
  return EnumeradoParaTexto(v, tabIndProcDescricao);
}

std::string TpEventoParaTexto(TfscTpEvento v) {
  return v < QuantidadeTpEvento ? tabTpEvento[v].Codigo : std::string();
}

std::string TpEventoParaDescricao(TfscTpEvento v) {
  return v < QuantidadeTpEvento ? tabTpEvento[v].Nome : std::string();
}

TSchemaDFe TextoParaSchemaDFe(const std::string& name) {
  std::string s = name.substr(0, name.find('_'));
  if (s.size() < 3 || !IgualSemCaixa(s.substr(0, 3), "sch")) s = "sch" + s;
  for (std::size_t i = 0; i < std::size(tabSchemaDFe); ++i)
    if (IgualSemCaixa(s, tabSchemaDFe[i])) return static_cast<TSchemaDFe>(i);
  throw ETuimDFeException("\"" + s + "\" não é um valor TSchemaDFe válido.");
}

void RegistrarConversorEvento(TStrToTpEventoDFe converter, const std::string& kind) {
  // An empty converter would only hide the kind from a real one registered later.
  if (!converter) return;
  const std::string tipo = UpperCase(kind);
  auto& reg = RegistroEventos();
  std::lock_guard<std::mutex> lock(reg.Trava);
  for (const auto& e : reg.Itens)
    if (e.Tipo == tipo) return;
  reg.Itens.push_back({tipo, std::move(converter)});
}

TfscTpEvento TextoParaTpEventoDFe(bool& ok, const std::string& code, const std::string& kind) {
  const std::string tipo = UpperCase(kind);
  ok = false;
  TStrToTpEventoDFe conversor;
  {
    auto& reg = RegistroEventos();
    std::lock_guard<std::mutex> lock(reg.Trava);
    for (const auto& e : reg.Itens)
      if (e.Tipo == tipo) conversor = e.Conversor;
  }
  // Called outside the lock so a converter may itself consult the registry.
  if (!conversor) return teNaoMapeado;
  return conversor(ok, code);
}

}  // namespace tuim
