#pragma once
#include <array>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

namespace tuim {

// ---------------------------------------------------------------------------------------------
// Generic lookups. Every per-enumeration conversion walks one {value, code} table with these.

struct TCodigoEnumerado {
  int Valor;
  const char* Codigo;
};

// Code of `value`: every position is visited, so when a value occurs twice the later position
// wins; a value found nowhere gives the empty text.
std::string EnumeradoParaTexto(int value, std::span<const TCodigoEnumerado> tabela);
// Value of `code`, compared ignoring ASCII letter case, the later position winning. When nothing
// matches, `ok` is false and the first value of the table is returned (0 for an empty table).
int TextoParaEnumerado(bool& ok, const std::string& code, std::span<const TCodigoEnumerado> tabela);

// The same rules over two parallel lists; only the positions present in both are used.
std::string EnumeradoParaTexto(int value, const std::vector<std::string>& codes,
                               const std::vector<int>& values);
int TextoParaEnumerado(bool& ok, const std::string& code, const std::vector<std::string>& codes,
                       const std::vector<int>& values);

// ---------------------------------------------------------------------------------------------
// State table: the 27 federative units with their IBGE codes, in the fixed order every lookup
// scans from the first row.

struct TUFCodigo {
  const char* Sigla;
  int Codigo;
};

inline constexpr std::array<TUFCodigo, 27> TabelaUF{{
    {"AC", 12}, {"AL", 27}, {"AP", 16}, {"AM", 13}, {"BA", 29}, {"CE", 23}, {"DF", 53},
    {"ES", 32}, {"GO", 52}, {"MA", 21}, {"MT", 51}, {"MS", 50}, {"MG", 31}, {"PA", 15},
    {"PB", 25}, {"PR", 41}, {"PE", 26}, {"PI", 22}, {"RJ", 33}, {"RN", 24}, {"RS", 43},
    {"RO", 11}, {"RR", 14}, {"SC", 42}, {"SP", 35}, {"SE", 28}, {"TO", 17},
}};

// Abbreviation of the first row whose code is `code`; empty text when there is none.
std::string CodigoParaUF(int code);

// ---------------------------------------------------------------------------------------------
// Enumerations of the fiscal vocabulary, values in declaration order (ordinal 0 first).

enum TfscIndPag : std::uint8_t { indPag0, indPag1, indPag2, indPagVazio };
enum TfscTipoImpressao : std::uint8_t {
  tiSemGeracao, tiRetrato, tiPaisagem, tiSimplificado, tiNFCe, tiMsgEletronica,
  tiSimplificadoTipo2  // PL_010 packages only
};
enum TfscTipoEmissao : std::uint8_t {
  teNormal, teContingencia, teSCAN, teDPEC, teFSDA, teSVCAN, teSVCRS, teSVCSP, teOffLine
};
enum TfscTipoAmbiente : std::uint8_t { taProducao, taHomologacao };
// procEmi4 (a signing and authorisation provider, PAA) exists in the PL_010 packages only.
enum TfscProcEmi : std::uint8_t { procEmi0, procEmi1, procEmi2, procEmi3, procEmi4 };
enum TfscOrig : std::uint8_t { orig0, orig1, orig2, orig3, orig4, orig5, orig6, orig7, orig8 };
enum TfscCSOSN : std::uint8_t {
  csosn0, csosn101, csosn102, csosn103, csosn201, csosn202, csosn203, csosn300, csosn400,
  csosn500, csosn900
};
enum TfscCSTIcms : std::uint8_t {
  cstIcms00, cstIcms10, cstIcms20, cstIcms30, cstIcms40, cstIcms41, cstIcms45, cstIcms50,
  cstIcms51, cstIcms60, cstIcms70, cstIcms80, cstIcms81, cstIcms90, cstIcmsPart10,
  cstIcmsPart90, cstIcmsST41, cstIcmsVazio, cstIcms90b, cstIcmsSN, cstIcmsST60,
  cstIcmsPart20  // sharing with base reduction, PL_010 packages only
};
enum TfscModBC : std::uint8_t { modBC0, modBC1, modBC2, modBC3, modBCVazio };
enum TfscModBCST : std::uint8_t {
  modBCST0, modBCST1, modBCST2, modBCST3, modBCST4, modBCST5, modBCST6
};
enum TfscMotDesICMS : std::uint8_t {
  motDesICMS1, motDesICMS2, motDesICMS3, motDesICMS4, motDesICMS5, motDesICMS6, motDesICMS7,
  motDesICMS8, motDesICMS9, motDesICMS10, motDesICMS11, motDesICMS12, motDesICMS16,
  motDesICMS90
};
enum TfscCSTIpi : std::uint8_t {
  cstIpi00, cstIpi49, cstIpi50, cstIpi99, cstIpi01, cstIpi02, cstIpi03, cstIpi04, cstIpi05,
  cstIpi51, cstIpi52, cstIpi53, cstIpi54, cstIpi55
};
enum TfscCSTPis : std::uint8_t {
  cstPis01, cstPis02, cstPis03, cstPis04, cstPis05, cstPis06, cstPis07, cstPis08, cstPis09,
  cstPis49, cstPis50, cstPis51, cstPis52, cstPis53, cstPis54, cstPis55, cstPis56, cstPis60,
  cstPis61, cstPis62, cstPis63, cstPis64, cstPis65, cstPis66, cstPis67, cstPis70, cstPis71,
  cstPis72, cstPis73, cstPis74, cstPis75, cstPis98, cstPis99
};
enum TfscCSTCofins : std::uint8_t {
  cstCofins01, cstCofins02, cstCofins03, cstCofins04, cstCofins05, cstCofins06, cstCofins07,
  cstCofins08, cstCofins09, cstCofins49, cstCofins50, cstCofins51, cstCofins52, cstCofins53,
  cstCofins54, cstCofins55, cstCofins56, cstCofins60, cstCofins61, cstCofins62, cstCofins63,
  cstCofins64, cstCofins65, cstCofins66, cstCofins67, cstCofins70, cstCofins71, cstCofins72,
  cstCofins73, cstCofins74, cstCofins75, cstCofins98, cstCofins99
};
enum TfscIndProc : std::uint8_t { indProc0, indProc1, indProc2, indProc3, indProc9 };
enum TfscCRT : std::uint8_t { crt1, crt2, crt3 };
// The value named after code "1" is declared first.
enum TfscIndTot : std::uint8_t { indTot1, indTot0 };
enum TfscModECF : std::uint8_t { modECFVazio, modECF2B, modECF2C, modECF2D };
enum TfscCSitTrib : std::uint8_t { cSitTribVazio, cSitTribN, cSitTribR, cSitTribS, cSitTribI };
enum TfscIdDest : std::uint8_t { idDest1, idDest2, idDest3 };
enum TfscIndFinal : std::uint8_t { indFinal0, indFinal1 };
enum TfscIndPres : std::uint8_t {
  indPres0, indPres1, indPres2, indPres3, indPres4, indPres5, indPres9
};
enum TfscTPag : std::uint8_t {
  tPag01, tPag02, tPag03, tPag04, tPag05, tPag10, tPag11, tPag12, tPag13, tPag14, tPag15,
  tPag90, tPag99
};
enum TfscTBand : std::uint8_t {
  tBand01, tBand02, tBand03, tBand04, tBand05, tBand06, tBand07, tBand08, tBand09, tBand99
};
enum TfscCRegTrib : std::uint8_t {
  cRegTrib1, cRegTrib2, cRegTrib3, cRegTrib4, cRegTrib5, cRegTrib6, cRegTrib0
};
enum TfscIndIEDest : std::uint8_t { indIEDest1, indIEDest2, indIEDest9 };
enum TfscTpViaTransp : std::uint8_t {
  tpViaTransp1, tpViaTransp2, tpViaTransp3, tpViaTransp4, tpViaTransp5, tpViaTransp6,
  tpViaTransp7, tpViaTransp8, tpViaTransp9, tpViaTransp10, tpViaTransp11, tpViaTransp12
};
enum TfscTpIntermedio : std::uint8_t { tpIntermedio1, tpIntermedio2, tpIntermedio3 };
enum TfscIndISS : std::uint8_t { indISS1, indISS2, indISS3, indISS4, indISS5, indISS6, indISS7 };
enum TfscIndIncentivo : std::uint8_t { indIncentivo1, indIncentivo2 };
enum TfscTpAutor : std::uint8_t { tpAutor1, tpAutor2, tpAutor3, tpAutor5, tpAutor6, tpAutor9 };
enum TfscIndOp : std::uint8_t { indOp1, indOp2, indOp3 };
enum TfscCSitNFe : std::uint8_t { cSitNFe1, cSitNFe2, cSitNFe3, cSitNFe4 };
enum TfscModal : std::uint8_t { modal01, modal02, modal03, modal04, modal05, modal06 };
enum TfscTpIntegra : std::uint8_t { tpIntegraVazio, tpIntegra1, tpIntegra2 };
enum TfscTpNF : std::uint8_t { tpNF0, tpNF1 };

// Enumerations without a code of their own.
enum TfscTagAssinatura : std::uint8_t {
  taSempre, taNunca, taSomenteSeAssinada, taSomenteParaNaoAssinada
};
enum TForcarGeracaoTag : std::uint8_t {
  fgtNunca, fgtSomenteProducao, fgtSomenteHomologacao, fgtSempre
};
enum TDetFormato : std::uint8_t { tdetInteger, tdetMascara };
// Kinds of document returned by the distribution service; the value names are data.
enum TSchemaDFe : std::uint8_t {
  schresNFe, schresEvento, schprocNFe, schprocEventoNFe, schresCTe, schprocCTe, schprocCTeOS,
  schprocEventoCTe, schresMDFe, schprocMDFe, schprocEventoMDFe, schresBPe, schprocBPe,
  schprocEventoBPe
};

// Event types; codes repeat ("110112" at ordinals 7 and 53, "110115" at 35 and 57).
enum TfscTpEvento : std::uint8_t {
  teNaoMapeado, teCCe, teCancelamento, teManifDestConfirmacao, teManifDestCiencia,
  teManifDestDesconhecimento, teManifDestOperNaoRealizada, teEncerramento, teEPEC,
  teInclusaoCondutor, teMultiModal, teRegistroPassagem, teRegistroPassagemBRId, teEPECNFe,
  teRegistroCTe, teRegistroPassagemNFeCancelado, teRegistroPassagemNFeRFID, teCTeCancelado,
  teMDFeCancelado, teVistoriaSuframa, tePedProrrog1, tePedProrrog2, teCanPedProrrog1,
  teCanPedProrrog2, teEventoFiscoPP1, teEventoFiscoPP2, teEventoFiscoCPP1, teEventoFiscoCPP2,
  teRegistroPassagemNFe, teConfInternalizacao, teCTeAutorizado, teMDFeAutorizado,
  tePrestDesacordo, teGTV, teMDFeAutorizado2, teNaoEmbarque, teMDFeCancelado2,
  teMDFeAutorizadoComCTe, teRegPasNfeProMDFe, teRegPasNfeProMDFeCte, teRegPasAutMDFeComCte,
  teCancelamentoMDFeAutComCTe, teAverbacaoExportacao, teAutCteComplementar,
  teCancCteComplementar, teCTeSubstituicao, teCTeAnulacao, teLiberacaoEPEC,
  teLiberacaoPrazoCanc, teAutorizadoRedespacho, teAutorizadoRedespIntermed,
  teAutorizadoSubcontratacao, teAutorizadoServMultimodal, teCancelamentoPorSubstituicao,
  teAlteracaoPoltrona, teEvento110180, teEvento110181, teEvento110115
};
inline constexpr int QuantidadeTpEvento = 58;

// ---------------------------------------------------------------------------------------------
// Value to code. A value outside its enumeration gives the empty text.

std::string IndPagParaTexto(TfscIndPag v);
std::string TipoImpressaoParaTexto(TfscTipoImpressao v);
std::string TipoEmissaoParaTexto(TfscTipoEmissao v);
std::string TipoAmbienteParaTexto(TfscTipoAmbiente v);
std::string ProcEmiParaTexto(TfscProcEmi v);
std::string OrigParaTexto(TfscOrig v);
std::string CSOSNParaTexto(TfscCSOSN v);
std::string CSTIcmsParaTexto(TfscCSTIcms v);
std::string ModBCParaTexto(TfscModBC v);
std::string ModBCSTParaTexto(TfscModBCST v);
std::string MotDesICMSParaTexto(TfscMotDesICMS v);
std::string CSTIpiParaTexto(TfscCSTIpi v);
std::string CSTPisParaTexto(TfscCSTPis v);
std::string CSTCofinsParaTexto(TfscCSTCofins v);
std::string IndProcParaTexto(TfscIndProc v);
std::string CRTParaTexto(TfscCRT v);
std::string IndTotParaTexto(TfscIndTot v);
std::string ModECFParaTexto(TfscModECF v);
std::string CSitTribParaTexto(TfscCSitTrib v);
std::string IdDestParaTexto(TfscIdDest v);
std::string IndFinalParaTexto(TfscIndFinal v);
std::string IndPresParaTexto(TfscIndPres v);
std::string TPagParaTexto(TfscTPag v);
std::string TBandParaTexto(TfscTBand v);
std::string CRegTribParaTexto(TfscCRegTrib v);
std::string IndIEDestParaTexto(TfscIndIEDest v);
std::string TpViaTranspParaTexto(TfscTpViaTransp v);
std::string TpIntermedioParaTexto(TfscTpIntermedio v);
std::string IndISSParaTexto(TfscIndISS v);
std::string IndIncentivoParaTexto(TfscIndIncentivo v);
std::string TpAutorParaTexto(TfscTpAutor v);
std::string IndOpParaTexto(TfscIndOp v);
std::string CSitNFeParaTexto(TfscCSitNFe v);
std::string ModalParaTexto(TfscModal v);
std::string TpIntegraParaTexto(TfscTpIntegra v);
std::string TpNFParaTexto(TfscTpNF v);

// ---------------------------------------------------------------------------------------------
// Code to value: codes compared ignoring letter case, the later of two equal entries winning;
// an unrecognised code gives `ok` false and the first value of the table.

TfscTipoAmbiente TextoParaTipoAmbiente(bool& ok, const std::string& code);
TfscTpAutor TextoParaTpAutor(bool& ok, const std::string& code);
TfscIndOp TextoParaIndOp(bool& ok, const std::string& code);
TfscCSitNFe TextoParaCSitNFe(bool& ok, const std::string& code);
TfscModal TextoParaModal(bool& ok, const std::string& code);
TfscTpNF TextoParaTpNF(bool& ok, const std::string& code);
// Readers for the tables whose codes are all distinct, so every code reads back its own value.
TfscIndPag TextoParaIndPag(bool& ok, const std::string& code);
TfscTipoImpressao TextoParaTipoImpressao(bool& ok, const std::string& code);
TfscTipoEmissao TextoParaTipoEmissao(bool& ok, const std::string& code);
TfscProcEmi TextoParaProcEmi(bool& ok, const std::string& code);
TfscOrig TextoParaOrig(bool& ok, const std::string& code);
TfscCSOSN TextoParaCSOSN(bool& ok, const std::string& code);
TfscModBC TextoParaModBC(bool& ok, const std::string& code);
TfscModBCST TextoParaModBCST(bool& ok, const std::string& code);
TfscMotDesICMS TextoParaMotDesICMS(bool& ok, const std::string& code);
TfscCSTIpi TextoParaCSTIpi(bool& ok, const std::string& code);
TfscCSTPis TextoParaCSTPis(bool& ok, const std::string& code);
TfscCSTCofins TextoParaCSTCofins(bool& ok, const std::string& code);
TfscIndProc TextoParaIndProc(bool& ok, const std::string& code);
TfscCRT TextoParaCRT(bool& ok, const std::string& code);
TfscIndTot TextoParaIndTot(bool& ok, const std::string& code);
TfscModECF TextoParaModECF(bool& ok, const std::string& code);
TfscCSitTrib TextoParaCSitTrib(bool& ok, const std::string& code);
TfscIdDest TextoParaIdDest(bool& ok, const std::string& code);
TfscIndFinal TextoParaIndFinal(bool& ok, const std::string& code);
TfscIndPres TextoParaIndPres(bool& ok, const std::string& code);
TfscTPag TextoParaTPag(bool& ok, const std::string& code);
TfscTBand TextoParaTBand(bool& ok, const std::string& code);
TfscCRegTrib TextoParaCRegTrib(bool& ok, const std::string& code);
TfscIndIEDest TextoParaIndIEDest(bool& ok, const std::string& code);
TfscTpViaTransp TextoParaTpViaTransp(bool& ok, const std::string& code);
TfscTpIntermedio TextoParaTpIntermedio(bool& ok, const std::string& code);
TfscIndISS TextoParaIndISS(bool& ok, const std::string& code);
TfscIndIncentivo TextoParaIndIncentivo(bool& ok, const std::string& code);
TfscTpIntegra TextoParaTpIntegra(bool& ok, const std::string& code);

// ---------------------------------------------------------------------------------------------
// Derived tables of the NF-e writer.

// Suffix of the simplified-regime ICMS group name ("102" for csosn102, 103, 300 and 400).
std::string CSOSNParaGrupo(TfscCSOSN v);
// Suffix of that group's field identifier ("10d" for csosn102, 103, 300 and 400).
std::string CSOSNParaIdGrupo(TfscCSOSN v);
// Suffix of the ICMS group's field identifier; empty for cstIcms45, Vazio, 90b and SN.
std::string CSTIcmsParaIdGrupo(TfscCSTIcms v);
// Printable name of a process origin (Windows-1252 text).
std::string IndProcParaDescricao(TfscIndProc v);

// ---------------------------------------------------------------------------------------------
// Events and schemas.

// Six-digit code at the value's ordinal; empty for a value outside the enumeration.
std::string TpEventoParaTexto(TfscTpEvento v);
// Name text for ordinals 0 to 54; the last three give the empty text.
std::string TpEventoParaDescricao(TfscTpEvento v);

// "resNFe_v1.01.xsd" and "schresNFe" both give schresNFe. Raises ETuimDFeException
// with the message "\"<name>\" n\xE3o \xE9 um valor TSchemaDFe v\xE1lido." for an unknown name.
TSchemaDFe TextoParaSchemaDFe(const std::string& name);

// Reads an event code for one document kind.
using TStrToTpEventoDFe = std::function<TfscTpEvento(bool& ok, const std::string& code)>;

// Adds the converter of a document kind (compared in upper case); a kind already registered
// keeps its first converter. The NF-e reader is present from the first use under "NFE".
void RegistrarConversorEvento(TStrToTpEventoDFe converter, const std::string& kind);
// Reads `code` with the converter of `kind`; without one, teNaoMapeado with `ok` false.
TfscTpEvento TextoParaTpEventoDFe(bool& ok, const std::string& code, const std::string& kind);

}  // namespace tuim
