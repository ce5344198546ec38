#pragma once
#include <string>

#include "fiscal/TuimCurrency.h"
#include "fiscal/TuimDateTime.h"
#include "fiscal/fscConversao.h"
#include "fiscal/fscConversaoNFe.h"
#include "fiscal/fscConversaoReforma.h"
#include "xml/TuimColecao.h"
#include "xml/TuimProcNFe.h"
#include "xml/TuimSignature.h"

namespace tuim {

// The in-memory NF-e / NFC-e, layouts 2.00 to 4.00: plain objects whose groups and fields
// mirror the groups and elements of the national layout, in layout order. It holds data
// only: nothing is validated or derived here. Groups are members, so a copy of a document is
// a deep copy; collections own their items. Dates are 0 when not set; amounts keep four
// decimals and the writer rounds them per field.

// ---- Identification ------------------------------------------------------------------------

class TInfNFe {
public:
  std::string ID;     // "NFe" + access key; set by the writer
  double versao = 0;  // 4.00; 0 reads as 2.00 to the writer
};

class TRefNF {
public:
  int cUF = 0;
  std::string AAMM;
  std::string CNPJ;
  int modelo = 0;
  int serie = 0;
  int nNF = 0;
};

class TRefECF {
public:
  TfscModECF modelo = modECFVazio;
  std::string nECF;
  std::string nCOO;
};

class TRefNFP {
public:
  int cUF = 0;
  std::string AAMM;
  std::string CNPJCPF;
  std::string IE;
  std::string modelo;
  int serie = 0;
  int nNF = 0;
};

class TNFrefCollectionItem {
public:
  std::string refNFe;
  std::string refCTe;
  TRefNF RefNF;
  TRefECF RefECF;
  TRefNFP RefNFP;
};
using TNFrefCollection = TColecao<TNFrefCollectionItem>;

// Access keys of other documents, in the lists of the reform groups.
class TrefDFeAntCollectionItem {
public:
  std::string refDFeAnt;
};
using TrefDFeAntCollection = TColecao<TrefDFeAntCollectionItem>;

class TrefNFeCollectionItem {
public:
  std::string refNFe;
};
using TrefNFeCollection = TColecao<TrefNFeCollectionItem>;

// Purchase by a government body (PL_010); written when tpEnteGov is given.
class TgCompraGov {
public:
  TfscTpEnteGov tpEnteGov = tpEnteGovVazio;
  TCurrency pRedutor;
  TfscTpOperGov tpOperGov = tpOperGovVazio;
  TrefDFeAntCollection refDFeAnt;  // up to 99
};

// Advance-payment documents whose instalments this one settles (PL_010); up to 99 keys.
class TgPagAntecipado {
public:
  TrefNFeCollection refNFe;
};

class TIde {
public:
  int cUF = 0;
  int cNF = 0;
  std::string natOp;
  TfscIndPag indPag = indPag0;
  int modelo = 0;
  int serie = 0;
  int nNF = 0;
  TDateTime dEmi = 0;
  TDateTime dSaiEnt = 0;
  TDateTime hSaiEnt = 0;
  TfscTpNF tpNF = tpNF0;
  TfscIdDest idDest = idDest1;
  int cMunFG = 0;
  TNFrefCollection NFref;
  TfscTipoImpressao tpImp = tiSemGeracao;
  TfscTipoEmissao tpEmis = teNormal;
  int cDV = 0;
  TfscTipoAmbiente tpAmb = taProducao;
  TfscFinNFe finNFe = finNFe1;
  TfscIndFinal indFinal = indFinal0;
  TfscIndPres indPres = indPres0;
  TfscProcEmi procEmi = procEmi0;
  std::string verProc;
  TDateTime dhCont = 0;
  std::string xJust;
  // Reform fields (PL_010 packages); left empty they are not written.
  TDateTime dPrevEntrega = 0;
  int cMunFGIBS = 0;
  std::string cIndOp;  // six digits: where the supply takes place

  TfscTpNFDebito tpNFDebito = tpNFDebitoVazio;
  TfscTpNFCredito tpNFCredito = tpNFCreditoVazio;
  TgCompraGov gCompraGov;
  TgPagAntecipado gPagAntecipado;
};

// ---- Parties -------------------------------------------------------------------------------

// Address of the issuer and of the recipient; both start in Brazil.
class TEndereco {
public:
  std::string xLgr;
  std::string nro;
  std::string xCpl;
  std::string xBairro;
  int cMun = 0;
  std::string xMun;
  std::string UF;
  int CEP = 0;
  int cPais = 1058;
  std::string xPais = "BRASIL";
  std::string fone;
};
class TenderEmit : public TEndereco {};
class TenderDest : public TEndereco {};

class TEmit {
public:
  std::string CNPJCPF;
  std::string xNome;
  std::string xFant;
  TenderEmit EnderEmit;
  std::string IE;
  std::string IEST;
  std::string IM;
  std::string CNAE;
  TfscCRT CRT = crt3;
  std::string ISUFEmit;  // PL_010: the issuer's SUFRAMA registration
};

class TAvulsa {
public:
  std::string CNPJ;
  std::string xOrgao;
  std::string matr;
  std::string xAgente;
  std::string fone;
  std::string UF;
  std::string nDAR;
  TDateTime dEmi = 0;
  TCurrency vDAR;
  std::string repEmi;
  TDateTime dPag = 0;
};

class TDest {
public:
  std::string CNPJCPF;
  std::string idEstrangeiro;
  std::string xNome;
  TenderDest EnderDest;
  TfscIndIEDest indIEDest = indIEDest1;
  std::string IE;
  std::string ISUF;
  std::string IM;
  std::string email;
};

// Pick-up and delivery places; unlike the party addresses they start with no country.
class TLocal {
public:
  std::string CNPJCPF;
  std::string xNome;
  std::string xLgr;
  std::string nro;
  std::string xCpl;
  std::string xBairro;
  int cMun = 0;
  std::string xMun;
  std::string UF;
  int CEP = 0;
  int cPais = 0;
  std::string xPais;
  std::string fone;
  std::string email;
  std::string IE;
};
class TRetirada : public TLocal {};
class TEntrega : public TLocal {};

class TautXMLCollectionItem {
public:
  std::string CNPJCPF;
};
using TautXMLCollection = TColecao<TautXMLCollectionItem>;

// ---- Product of an item --------------------------------------------------------------------

class TadiCollectionItem {
public:
  int nAdicao = 0;
  int nSeqAdic = 0;
  std::string cFabricante;
  TCurrency vDescDI;
  std::string nDraw;
};
using TadiCollection = TColecao<TadiCollectionItem>;

class TDICollectionItem {
public:
  std::string nDI;
  TDateTime dDI = 0;
  std::string xLocDesemb;
  std::string UFDesemb;
  TDateTime dDesemb = 0;
  TfscTpViaTransp tpViaTransp = tpViaTransp1;
  TCurrency vAFRMM;
  TfscTpIntermedio tpIntermedio = tpIntermedio1;
  std::string CNPJ;
  std::string UFTerceiro;
  std::string cExportador;
  TadiCollection adi;
};
using TDICollection = TColecao<TDICollectionItem>;

class TdetExportCollectionItem {
public:
  std::string nDraw;
  std::string nRE;
  std::string chNFe;
  TCurrency qExport;
};
using TdetExportCollection = TColecao<TdetExportCollectionItem>;

class TrastroCollectionItem {
public:
  std::string nLote;
  TCurrency qLote;
  TDateTime dFab = 0;
  TDateTime dVal = 0;
  std::string cAgreg;
};
using TrastroCollection = TColecao<TrastroCollectionItem>;

class TveicProd {
public:
  TfscTpOp tpOp = tpOp1;
  std::string chassi;
  std::string cCor;
  std::string xCor;
  std::string pot;
  std::string cilin;
  std::string pesoL;
  std::string pesoB;
  std::string nSerie;
  std::string tpComb;
  std::string nMotor;
  std::string CMT;
  std::string dist;
  int anoMod = 0;
  int anoFab = 0;
  std::string tpPint;
  int tpVeic = 0;
  int espVeic = 0;
  std::string VIN;
  TfscCondVeic condVeic = condVeic1;
  std::string cMod;
  std::string cCorDENATRAN;
  int lota = 0;
  int tpRest = 0;
};

class TmedCollectionItem {
public:
  std::string cProdANVISA;
  std::string xMotivoIsencao;
  std::string nLote;
  TCurrency qLote;
  TDateTime dFab = 0;
  TDateTime dVal = 0;
  TCurrency vPMC;
};
using TmedCollection = TColecao<TmedCollectionItem>;

class TarmaCollectionItem {
public:
  TfscTpArma tpArma = tpArma0;
  std::string nSerie;
  std::string nCano;
  std::string descr;
};
using TarmaCollection = TColecao<TarmaCollectionItem>;

class TCIDE {
public:
  TCurrency qBCProd;
  TCurrency vAliqProd;
  TCurrency vCIDE;
};

class TICMSComb {
public:
  TCurrency vBCICMS;
  TCurrency vICMS;
  TCurrency vBCICMSST;
  TCurrency vICMSST;
};

class TICMSInter {
public:
  TCurrency vBCICMSSTDest;
  TCurrency vICMSSTDest;
};

class TICMSCons {
public:
  TCurrency vBCICMSSTCons;
  TCurrency vICMSSTCons;
  std::string UFCons;
};

class Tencerrante {
public:
  int nBico = 0;
  int nBomba = 0;
  int nTanque = 0;
  TCurrency vEncIni;
  TCurrency vEncFin;
};

class Tcomb {
public:
  int cProdANP = 0;
  TCurrency pMixGN;
  std::string descANP;
  TCurrency pGLP;
  TCurrency pGNn;
  TCurrency pGNi;
  TCurrency vPart;
  std::string CODIF;
  TCurrency qTemp;
  std::string UFCons;
  TCIDE CIDE;
  TICMSComb ICMSComb;
  TICMSInter ICMSInter;
  TICMSCons ICMSCons;
  Tencerrante encerrante;
};

class TNVECollectionItem {
public:
  std::string NVE;
};
using TNVECollection = TColecao<TNVECollectionItem>;

class TProd {
public:
  std::string cProd;
  int nItem = 0;
  std::string cEAN;
  std::string xProd;
  std::string NCM;
  std::string EXTIPI;
  std::string CFOP;
  std::string uCom;
  TCurrency qCom;
  double vUnCom = 0;
  TCurrency vProd;
  std::string cEANTrib;
  std::string uTrib;
  TCurrency qTrib;
  double vUnTrib = 0;
  TCurrency vFrete;
  TCurrency vSeg;
  TCurrency vDesc;
  TCurrency vOutro;
  TfscIndTot indTot = indTot1;  // code 1: the item adds to the total
  TDICollection DI;
  std::string xPed;
  std::string nItemPed;
  TdetExportCollection detExport;
  TrastroCollection rastro;
  TveicProd veicProd;
  TmedCollection med;
  TarmaCollection arma;
  Tcomb comb;
  std::string nRECOPI;
  std::string nFCI;
  TNVECollection NVE;
  std::string CEST;
  TfscIndEscala indEscala = indEscalaS;
  std::string CNPJFab;
  std::string cBenef;
  // PL_010.
  TfscTpCredPresIBSZFM tpCredPresIBSZFM = tpCredPresIBSZFMVazio;
  TfscIndBemMovelUsado indBemMovelUsado = indBemMovelUsadoVazio;
};

// ---- Taxes of an item ----------------------------------------------------------------------

class TICMS {
public:
  TfscOrig orig = orig0;
  TfscCSTIcms CST = cstIcms00;
  TfscCSOSN CSOSN = csosn0;
  TfscModBC modBC = modBC0;
  TCurrency pRedBC;
  TCurrency vBC;
  TCurrency pICMS;
  TCurrency vICMS;
  TfscModBCST modBCST = modBCST0;
  TCurrency pMVAST;
  TCurrency pRedBCST;
  TCurrency vBCST;
  TCurrency pICMSST;
  TCurrency vICMSST;
  std::string UFST;
  TCurrency pBCOp;
  TCurrency vBCSTRet;
  TCurrency vICMSSTRet;
  TfscMotDesICMS motDesICMS = motDesICMS1;
  TCurrency pCredSN;
  TCurrency vCredICMSSN;
  TCurrency vBCSTDest;
  TCurrency vICMSSTDest;
  TCurrency vICMSDeson;
  TCurrency vICMSOp;
  TCurrency pDif;
  TCurrency vICMSDif;
  TCurrency vBCFCP;
  TCurrency pFCP;
  TCurrency vFCP;
  TCurrency vBCFCPST;
  TCurrency pFCPST;
  TCurrency vFCPST;
  TCurrency vBCFCPSTRet;
  TCurrency pFCPSTRet;
  TCurrency vFCPSTRet;
  TCurrency pST;
  TCurrency pRedBCEfet;
  TCurrency vBCEfet;
  TCurrency pICMSEfet;
  TCurrency vICMSEfet;
  TCurrency vICMSSubstituto;
  // "0" or "1" when given: whether the exempted ICMS is taken off the item's value.
  std::string indDeduzDeson;
  // PL_010 packages, ICMS90: the benefit code of the base reduction and the deferred FCP.
  std::string cBenefRBC;
  TCurrency pFCPDif;
  TCurrency vFCPDif;
  TCurrency vFCPEfet;
};

class TIPI {
public:
  std::string clEnq;
  std::string CNPJProd;
  std::string cSelo;
  int qSelo = 0;
  std::string cEnq;  // the writer turns an empty one into "999"
  TfscCSTIpi CST = cstIpi00;
  TCurrency vBC;
  TCurrency qUnid;
  TCurrency vUnid;
  TCurrency pIPI;
  TCurrency vIPI;
};

class TII {
public:
  TCurrency vBC;
  TCurrency vDespAdu;
  TCurrency vII;
  TCurrency vIOF;
};

class TPIS {
public:
  TfscCSTPis CST = cstPis01;
  TCurrency vBC;
  TCurrency pPIS;
  TCurrency vPIS;
  TCurrency qBCProd;
  TCurrency vAliqProd;
};

class TPISST {
public:
  TCurrency vBC;
  TCurrency pPIS;
  TCurrency qBCProd;
  TCurrency vAliqProd;
  TCurrency vPIS;
};

class TCOFINS {
public:
  TfscCSTCofins CST = cstCofins01;
  TCurrency vBC;
  TCurrency pCOFINS;
  TCurrency vCOFINS;
  TCurrency qBCProd;
  TCurrency vAliqProd;
};

class TCOFINSST {
public:
  TCurrency vBC;
  TCurrency pCOFINS;
  TCurrency qBCProd;
  TCurrency vAliqProd;
  TCurrency vCOFINS;
};

class TISSQN {
public:
  TCurrency vBC;
  TCurrency vAliq;
  TCurrency vISSQN;
  int cMunFG = 0;
  std::string cListServ;
  TfscCSitTrib cSitTrib = cSitTribVazio;
  TCurrency vDeducao;
  TCurrency vOutro;
  TCurrency vDescIncond;
  TCurrency vDescCond;
  TCurrency vISSRet;
  TfscIndISS indISS = indISS1;
  std::string cServico;
  int cMun = 0;
  int cPais = 0;
  std::string nProcesso;
  TfscIndIncentivo indIncentivo = indIncentivo1;
};

class TICMSUFDest {
public:
  TCurrency vBCUFDest;
  TCurrency vBCFCPUFDest;
  TCurrency pFCPUFDest;
  TCurrency pICMSUFDest;
  TCurrency pICMSInter;
  TCurrency pICMSInterPart;
  TCurrency vFCPUFDest;
  TCurrency vICMSUFDest;
  TCurrency vICMSUFRemet;
};

// ---- Consumption-tax reform: IS, IBS and CBS of an item (PL_010 packages) -----------------
// A group whose values are all zero or empty is absent: the writer leaves it out.

// Selective tax; written when CSTIS is given.
class TIS {
public:
  std::string CSTIS;
  std::string cClassTribIS;
  TCurrency vBCIS;
  TCurrency pIS;
  TCurrency adRemIS;
  std::string uTrib;
  TCurrency qTrib;
  TCurrency vIS;
};

class TgDif {
public:
  TCurrency pDif;
  TCurrency vDif;
};

class TgDevTrib {
public:
  TCurrency pDevTrib;
  TCurrency vDevTrib;
};

class TgRed {
public:
  TCurrency pRedAliq;
  TCurrency pAliqEfet;
};

class TgIBSUF {
public:
  TCurrency pIBSUF;
  TgDif gDif;
  TgDevTrib gDevTrib;
  TgRed gRed;
  TCurrency vIBSUF;
};

class TgIBSMun {
public:
  TCurrency pIBSMun;
  TgDif gDif;
  TgDevTrib gDevTrib;
  TgRed gRed;
  TCurrency vIBSMun;
};

class TgALCZFMCBS {
public:
  TfscTpALCZFMCBS tpALCZFMCBS = tpALCZFMCBSVazio;
  std::string nProcSuframa;
  TCurrency pAliqEfetRegCBS;
  TCurrency vTribRegCBS;
};

class TgCBS {
public:
  TCurrency pCBS;
  TgDif gDif;
  TgDevTrib gDevTrib;
  TgRed gRed;
  TgALCZFMCBS gALCZFMCBS;
  TCurrency vCBS;
};

// Regular taxation that would apply without the special regime; written when CSTReg is given.
class TgTribRegular {
public:
  std::string CSTReg;
  std::string cClassTribReg;
  TCurrency pAliqEfetRegIBSUF;
  TCurrency vTribRegIBSUF;
  TCurrency pAliqEfetRegIBSMun;
  TCurrency vTribRegIBSMun;
  TCurrency pAliqEfetRegCBS;
  TCurrency vTribRegCBS;
};

class TgTribCompraGov {
public:
  TCurrency pAliqIBSUF;
  TCurrency vTribIBSUF;
  TCurrency pAliqIBSMun;
  TCurrency vTribIBSMun;
  TCurrency pAliqCBS;
  TCurrency vTribCBS;
};

class TgIBSCBS {
public:
  TCurrency vBC;
  TgIBSUF gIBSUF;
  TgIBSMun gIBSMun;
  TCurrency vIBS;
  TgCBS gCBS;
  TgTribRegular gTribRegular;
  TgTribCompraGov gTribCompraGov;
};

class TgMonoPadrao {
public:
  TCurrency qBCMono;
  TCurrency adRemIBS;
  TCurrency adRemCBS;
  TCurrency vIBSMono;
  TCurrency vCBSMono;
};

class TgMonoReten {
public:
  TCurrency qBCMonoReten;
  TCurrency adRemIBSReten;
  TCurrency vIBSMonoReten;
  TCurrency adRemCBSReten;
  TCurrency vCBSMonoReten;
};

class TgMonoRet {
public:
  TCurrency qBCMonoRet;
  TCurrency adRemIBSRet;
  TCurrency vIBSMonoRet;
  TCurrency adRemCBSRet;
  TCurrency vCBSMonoRet;
};

class TgMonoDif {
public:
  TCurrency pDifIBS;
  TCurrency vIBSMonoDif;
  TCurrency pDifCBS;
  TCurrency vCBSMonoDif;
};

// Single-phase taxation (fuels).
class TgIBSCBSMono {
public:
  TgMonoPadrao gMonoPadrao;
  TgMonoReten gMonoReten;
  TgMonoRet gMonoRet;
  TgMonoDif gMonoDif;
  TCurrency vTotIBSMonoItem;
  TCurrency vTotCBSMonoItem;
};

class TgTransfCred {
public:
  TCurrency vIBS;
  TCurrency vCBS;
};

// Adjustment of an earlier assessment period; competApur is its month as "AAAA-MM".
class TgAjusteCompet {
public:
  std::string competApur;
  TCurrency vIBS;
  TCurrency vCBS;
};

class TgEstornoCred {
public:
  TCurrency vIBSEstCred;
  TCurrency vCBSEstCred;
};

// Presumed credit of IBS or CBS: vCredPresCondSus, when given, stands for vCredPres.
class TgCredPres {
public:
  TCurrency pCredPres;
  TCurrency vCredPres;
  TCurrency vCredPresCondSus;
};

// Written when cCredPres is given.
class TgCredPresOper {
public:
  TCurrency vBCCredPres;
  std::string cCredPres;
  TgCredPres gIBSCredPres;
  TgCredPres gCBSCredPres;
};

// Written when tpCredPresIBSZFM is given.
class TgCredPresIBSZFM {
public:
  std::string competApur;  // "AAAA-MM"
  TfscTpCredPresIBSZFM tpCredPresIBSZFM = tpCredPresIBSZFMVazio;
  TCurrency vCredPresIBSZFM;
};

// IBS and CBS of an item; written when CST is given. Of gIBSCBS, gIBSCBSMono, gTransfCred and
// gAjusteCompet only one may hold values, as of gCredPresOper and gCredPresIBSZFM.
class TIBSCBS {
public:
  std::string CST;
  std::string cClassTrib;
  TfscIndDoacao indDoacao = indDoacaoVazio;
  TgIBSCBS gIBSCBS;
  TgIBSCBSMono gIBSCBSMono;
  TgTransfCred gTransfCred;
  TgAjusteCompet gAjusteCompet;
  TgEstornoCred gEstornoCred;
  TgCredPresOper gCredPresOper;
  TgCredPresIBSZFM gCredPresIBSZFM;
};

class TImposto {
public:
  TCurrency vTotTrib;
  TICMS ICMS;
  TIPI IPI;
  TII II;
  TPIS PIS;
  TPISST PISST;
  TCOFINS COFINS;
  TCOFINSST COFINSST;
  TISSQN ISSQN;
  TICMSUFDest ICMSUFDest;
  TIS IS;
  TIBSCBS IBSCBS;
};

// Written when chaveAcesso is given; nItem 0 means "not given".
class TDFeReferenciado {
public:
  std::string chaveAcesso;
  int nItem = 0;
};

class TDetCollectionItem {
public:
  TProd Prod;
  TImposto Imposto;
  TCurrency pDevol;
  TCurrency vIPIDevol;
  std::string infAdProd;
  // PL_010: the item's share of the document total, and the item of another document it refers to.
  TCurrency vItem;
  TDFeReferenciado DFeReferenciado;
};
using TDetCollection = TColecao<TDetCollectionItem>;

// ---- Totals --------------------------------------------------------------------------------

class TICMSTot {
public:
  TCurrency vBC;
  TCurrency vICMS;
  TCurrency vICMSDeson;
  TCurrency vFCPUFDest;
  TCurrency vICMSUFDest;
  TCurrency vICMSUFRemet;
  TCurrency vFCP;
  TCurrency vBCST;
  TCurrency vST;
  TCurrency vFCPST;
  TCurrency vFCPSTRet;
  TCurrency vProd;
  TCurrency vFrete;
  TCurrency vSeg;
  TCurrency vDesc;
  TCurrency vII;
  TCurrency vIPI;
  TCurrency vIPIDevol;
  TCurrency vPIS;
  TCurrency vCOFINS;
  TCurrency vOutro;
  TCurrency vNF;
  TCurrency vTotTrib;
};

class TISSQNtot {
public:
  TCurrency vServ;
  TCurrency vBC;
  TCurrency vISS;
  TCurrency vPIS;
  TCurrency vCOFINS;
  TDateTime dCompet = 0;
  TCurrency vDeducao;
  TCurrency vOutro;
  TCurrency vDescIncond;
  TCurrency vDescCond;
  TCurrency vISSRet;
  TfscCRegTrib cRegTrib = cRegTrib1;
};

class TretTrib {
public:
  TCurrency vRetPIS;
  TCurrency vRetCOFINS;
  TCurrency vRetCSLL;
  TCurrency vBCIRRF;
  TCurrency vIRRF;
  TCurrency vBCRetPrev;
  TCurrency vRetPrev;
};

// Totals of the reform (PL_010). The writer puts ISTot and IBSCBSTot out when an item has its
// group or a total is not zero; TotalizarReforma fills both from the items.
class TISTot {
public:
  TCurrency vIS;
};

class TgIBSUFTot {
public:
  TCurrency vDif;
  TCurrency vDevTrib;
  TCurrency vIBSUF;
};

class TgIBSMunTot {
public:
  TCurrency vDif;
  TCurrency vDevTrib;
  TCurrency vIBSMun;
};

class TgIBSTot {
public:
  TgIBSUFTot gIBSUF;
  TgIBSMunTot gIBSMun;
  TCurrency vIBS;
  TCurrency vCredPres;
  TCurrency vCredPresCondSus;
};

class TgCBSTot {
public:
  TCurrency vDif;
  TCurrency vDevTrib;
  TCurrency vCBS;
  TCurrency vCredPres;
  TCurrency vCredPresCondSus;
};

class TgMonoTot {
public:
  TCurrency vIBSMono;
  TCurrency vCBSMono;
  TCurrency vIBSMonoReten;
  TCurrency vCBSMonoReten;
  TCurrency vIBSMonoRet;
  TCurrency vCBSMonoRet;
};

class TIBSCBSTot {
public:
  TCurrency vBCIBSCBS;
  TgIBSTot gIBS;
  TgCBSTot gCBS;
  TgMonoTot gMono;
  TgEstornoCred gEstornoCred;
};

class TTotal {
public:
  TICMSTot ICMSTot;
  TISSQNtot ISSQNtot;
  TretTrib retTrib;
  TISTot ISTot;
  TIBSCBSTot IBSCBSTot;
  TCurrency vNFTot;  // PL_010: vNF with the taxes charged on top (IBS, CBS, IS); 0 is not written
};

// ---- Transport -----------------------------------------------------------------------------

class TTransporta {
public:
  std::string CNPJCPF;
  std::string xNome;
  std::string IE;
  std::string xEnder;
  std::string xMun;
  std::string UF;
};

class TretTransp {
public:
  TCurrency vServ;
  TCurrency vBCRet;
  TCurrency pICMSRet;
  TCurrency vICMSRet;
  std::string CFOP;
  int cMunFG = 0;
};

class TveicTransp {
public:
  std::string placa;
  std::string UF;
  std::string RNTC;
};

class TLacresCollectionItem {
public:
  std::string nLacre;
};
using TLacresCollection = TColecao<TLacresCollectionItem>;

class TVolCollectionItem {
public:
  int qVol = 0;
  std::string esp;
  std::string marca;
  std::string nVol;
  TCurrency pesoL;
  TCurrency pesoB;
  TLacresCollection Lacres;
};
using TVolCollection = TColecao<TVolCollectionItem>;

class TreboqueCollectionItem {
public:
  std::string placa;
  std::string UF;
  std::string RNTC;
};
using TreboqueCollection = TColecao<TreboqueCollectionItem>;

class TTransp {
public:
  TfscModFrete modFrete = modFrete0;
  TTransporta Transporta;
  TretTransp retTransp;
  TveicTransp veicTransp;
  TVolCollection Vol;
  TreboqueCollection Reboque;
  std::string vagao;
  std::string balsa;
};

// ---- Billing and payment -------------------------------------------------------------------

class TFat {
public:
  std::string nFat;
  TCurrency vOrig;
  TCurrency vDesc;
  TCurrency vLiq;
};

class TDupCollectionItem {
public:
  std::string nDup;
  TDateTime dVenc = 0;
  TCurrency vDup;
};
using TDupCollection = TColecao<TDupCollectionItem>;

class TCobr {
public:
  TFat Fat;
  TDupCollection Dup;
};

class TpagCollectionItem {
public:
  TfscTPag tPag = tPag01;
  TCurrency vPag;
  TfscTpIntegra tpIntegra = tpIntegraVazio;
  std::string CNPJ;
  TfscTBand tBand = tBand01;
  std::string cAut;
  TfscIndPag indPag = indPag0;
};

// The payments of the document and the change given back.
class TpagCollection : public TColecao<TpagCollectionItem> {
public:
  TCurrency vTroco;
};

// ---- Additional information and closing groups ---------------------------------------------

class TobsContCollectionItem {
public:
  std::string xCampo;
  std::string xTexto;
};
using TobsContCollection = TColecao<TobsContCollectionItem>;

class TobsFiscoCollectionItem {
public:
  std::string xCampo;
  std::string xTexto;
};
using TobsFiscoCollection = TColecao<TobsFiscoCollectionItem>;

class TprocRefCollectionItem {
public:
  std::string nProc;
  TfscIndProc indProc = indProc0;
};
using TprocRefCollection = TColecao<TprocRefCollectionItem>;

class TInfAdic {
public:
  std::string infAdFisco;
  std::string infCpl;
  TobsContCollection obsCont;
  TobsFiscoCollection obsFisco;
  TprocRefCollection procRef;
};

class TExporta {
public:
  std::string UFEmbarq;    // before layout 3.10
  std::string xLocEmbarq;  // before layout 3.10
  std::string UFSaidaPais;
  std::string xLocExporta;
  std::string xLocDespacho;
};

class TCompra {
public:
  std::string xNEmp;
  std::string xPed;
  std::string xCont;
};

class TForDiaCollectionItem {
public:
  int dia = 0;
  TCurrency qtde;
};
using TForDiaCollection = TColecao<TForDiaCollectionItem>;

class TDeducCollectionItem {
public:
  std::string xDed;
  TCurrency vDed;
};
using TDeducCollection = TColecao<TDeducCollectionItem>;

class TCana {
public:
  std::string safra;
  std::string ref;
  TForDiaCollection fordia;
  double qTotMes = 0;
  double qTotAnt = 0;
  double qTotGer = 0;
  TDeducCollection deduc;
  TCurrency vFor;
  TCurrency vTotDed;
  TCurrency vLiqFor;
};

class TinfRespTec {
public:
  std::string CNPJ;
  std::string xContato;
  std::string email;
  std::string fone;
};

// PL_010 packages: a document issued through a signing and authorisation provider (PAA) carries
// the issuer's RSA signature of the document Id and its public key, all Base64.
class TRSAKeyValue {
public:
  std::string Modulus;
  std::string Exponent;
};

class TPAASignature {
public:
  std::string SignatureValue;
  TRSAKeyValue RSAKeyValue;
};

class TinfPAA {
public:
  std::string CNPJPAA;
  TPAASignature PAASignature;
};

class TinfNFeSupl {
public:
  std::string qrCode;
  std::string urlChave;
};

// ---- The document --------------------------------------------------------------------------

class TNFe {
public:
  TNFe();
  ~TNFe();
  TNFe(const TNFe&);
  TNFe& operator=(const TNFe&);
  TNFe(TNFe&&) noexcept;
  TNFe& operator=(TNFe&&) noexcept;

  // Back to a new document: every part at its initial value, every list empty, and the
  // outputs of the signature and protocol generators cleared.
  void Clear();

  TInfNFe infNFe;
  TIde Ide;
  TEmit Emit;
  TAvulsa Avulsa;
  TDest Dest;
  TRetirada Retirada;
  TEntrega Entrega;
  TDetCollection Det;
  TTotal Total;
  TTransp Transp;
  TCobr Cobr;
  TpagCollection pag;
  TInfAdic InfAdic;
  TExporta exporta;
  TCompra compra;
  TCana cana;
  TSignature signature;
  TProcNFe procNFe;
  TautXMLCollection autXML;
  TinfNFeSupl infNFeSupl;
  TinfRespTec infRespTec;
  TinfPAA infPAA;
};

}  // namespace tuim
