#pragma once
// One description of every field of TNFe, walked by the XML reader, the JSON writer and the
// JSON reader. Campos(v, group) calls the visitor once per field, in model order, with the
// model's property name:
//   v.Campo(nome, x)     texts, integers, amounts and enumerations (codes through TCodigosNFe)
//   v.Real(nome, x)      doubles (unit values, sugar-cane totals, layout version)
//   v.Data(nome, x)      date only; v.DataHora(nome, x) date and time; v.Hora(nome, x) time only
//   v.Grupo(nome, g)     a sub-object, walked with its own Campos
//   v.Lista(nome, l)     a collection, each item walked with its own Campos
#include <string>

#include "fiscal/fscConversao.h"
#include "fiscal/fscConversaoNFe.h"
#include "xml/TuimNFeClass.h"

namespace tuim {

// Codes of an enumeration: Texto gives the code, Valor reads one back (ok false when unknown).
template <class E>
struct TCodigosNFe;

#define TUIM_CODIGOS_NFE(E, PARA_TEXTO, TEXTO_PARA)                                           \
  template <>                                                                               \
  struct TCodigosNFe<E> {                                                                   \
    static std::string Texto(E v) { return PARA_TEXTO(v); }                                 \
    static E Valor(bool& ok, const std::string& s) { return TEXTO_PARA(ok, s); }             \
  };

TUIM_CODIGOS_NFE(TfscIndPag, IndPagParaTexto, TextoParaIndPag)
TUIM_CODIGOS_NFE(TfscTipoImpressao, TipoImpressaoParaTexto, TextoParaTipoImpressao)
TUIM_CODIGOS_NFE(TfscTipoEmissao, TipoEmissaoParaTexto, TextoParaTipoEmissao)
TUIM_CODIGOS_NFE(TfscTipoAmbiente, TipoAmbienteParaTexto, TextoParaTipoAmbiente)
TUIM_CODIGOS_NFE(TfscProcEmi, ProcEmiParaTexto, TextoParaProcEmi)
TUIM_CODIGOS_NFE(TfscOrig, OrigParaTexto, TextoParaOrig)
TUIM_CODIGOS_NFE(TfscCSOSN, CSOSNParaTexto, TextoParaCSOSN)
TUIM_CODIGOS_NFE(TfscModBC, ModBCParaTexto, TextoParaModBC)
TUIM_CODIGOS_NFE(TfscModBCST, ModBCSTParaTexto, TextoParaModBCST)
TUIM_CODIGOS_NFE(TfscMotDesICMS, MotDesICMSParaTexto, TextoParaMotDesICMS)
TUIM_CODIGOS_NFE(TfscCSTIpi, CSTIpiParaTexto, TextoParaCSTIpi)
TUIM_CODIGOS_NFE(TfscCSTPis, CSTPisParaTexto, TextoParaCSTPis)
TUIM_CODIGOS_NFE(TfscCSTCofins, CSTCofinsParaTexto, TextoParaCSTCofins)
TUIM_CODIGOS_NFE(TfscIndProc, IndProcParaTexto, TextoParaIndProc)
TUIM_CODIGOS_NFE(TfscCRT, CRTParaTexto, TextoParaCRT)
TUIM_CODIGOS_NFE(TfscIndTot, IndTotParaTexto, TextoParaIndTot)
TUIM_CODIGOS_NFE(TfscModECF, ModECFParaTexto, TextoParaModECF)
TUIM_CODIGOS_NFE(TfscCSitTrib, CSitTribParaTexto, TextoParaCSitTrib)
TUIM_CODIGOS_NFE(TfscIdDest, IdDestParaTexto, TextoParaIdDest)
TUIM_CODIGOS_NFE(TfscIndFinal, IndFinalParaTexto, TextoParaIndFinal)
TUIM_CODIGOS_NFE(TfscIndPres, IndPresParaTexto, TextoParaIndPres)
TUIM_CODIGOS_NFE(TfscTPag, TPagParaTexto, TextoParaTPag)
TUIM_CODIGOS_NFE(TfscTBand, TBandParaTexto, TextoParaTBand)
TUIM_CODIGOS_NFE(TfscCRegTrib, CRegTribParaTexto, TextoParaCRegTrib)
TUIM_CODIGOS_NFE(TfscIndIEDest, IndIEDestParaTexto, TextoParaIndIEDest)
TUIM_CODIGOS_NFE(TfscTpViaTransp, TpViaTranspParaTexto, TextoParaTpViaTransp)
TUIM_CODIGOS_NFE(TfscTpIntermedio, TpIntermedioParaTexto, TextoParaTpIntermedio)
TUIM_CODIGOS_NFE(TfscIndISS, IndISSParaTexto, TextoParaIndISS)
TUIM_CODIGOS_NFE(TfscIndIncentivo, IndIncentivoParaTexto, TextoParaIndIncentivo)
TUIM_CODIGOS_NFE(TfscTpIntegra, TpIntegraParaTexto, TextoParaTpIntegra)
TUIM_CODIGOS_NFE(TfscTpNF, TpNFParaTexto, TextoParaTpNF)
TUIM_CODIGOS_NFE(TfscFinNFe, FinNFeParaTexto, TextoParaFinNFe)
TUIM_CODIGOS_NFE(TfscModFrete, ModFreteParaTexto, TextoParaModFrete)
TUIM_CODIGOS_NFE(TfscTpOp, TpOpParaTexto, TextoParaTpOp)
TUIM_CODIGOS_NFE(TfscCondVeic, CondVeicParaTexto, TextoParaCondVeic)
TUIM_CODIGOS_NFE(TfscTpArma, TpArmaParaTexto, TextoParaTpArma)
TUIM_CODIGOS_NFE(TfscIndEscala, IndEscalaParaTexto, TextoParaIndEscala)
TUIM_CODIGOS_NFE(TfscTpNFDebito, TpNFDebitoParaTexto, TextoParaTpNFDebito)
TUIM_CODIGOS_NFE(TfscTpNFCredito, TpNFCreditoParaTexto, TextoParaTpNFCredito)
TUIM_CODIGOS_NFE(TfscTpEnteGov, TpEnteGovParaTexto, TextoParaTpEnteGov)
TUIM_CODIGOS_NFE(TfscTpOperGov, TpOperGovParaTexto, TextoParaTpOperGov)
TUIM_CODIGOS_NFE(TfscTpCredPresIBSZFM, TpCredPresIBSZFMParaTexto, TextoParaTpCredPresIBSZFM)
TUIM_CODIGOS_NFE(TfscTpALCZFMCBS, TpALCZFMCBSParaTexto, TextoParaTpALCZFMCBS)
TUIM_CODIGOS_NFE(TfscIndDoacao, IndDoacaoParaTexto, TextoParaIndDoacao)
TUIM_CODIGOS_NFE(TfscIndBemMovelUsado, IndBemMovelUsadoParaTexto, TextoParaIndBemMovelUsado)
#undef TUIM_CODIGOS_NFE

// The ICMS situation codes repeat ("10" is both cstIcms10 and the sharing value): outside the
// XML, where the group name tells them apart, the repeated values carry names of their own
// ("Part10", "Part90", "ST41", "ST60", "90b"). Valor takes those names and the plain codes,
// a plain code giving the first value that has it.
std::string CSTIcmsParaCodigo(TfscCSTIcms v);
TfscCSTIcms CodigoParaCSTIcms(bool& ok, const std::string& s);
template <>
struct TCodigosNFe<TfscCSTIcms> {
  static std::string Texto(TfscCSTIcms v) { return CSTIcmsParaCodigo(v); }
  static TfscCSTIcms Valor(bool& ok, const std::string& s) { return CodigoParaCSTIcms(ok, s); }
};

// ---- Identification ------------------------------------------------------------------------

template <class V> void Campos(V& v, TInfNFe& o) {
  v.Campo("ID", o.ID);
  v.Real("versao", o.versao);
}

template <class V> void Campos(V& v, TRefNF& o) {
  v.Campo("cUF", o.cUF);
  v.Campo("AAMM", o.AAMM);
  v.Campo("CNPJ", o.CNPJ);
  v.Campo("modelo", o.modelo);
  v.Campo("serie", o.serie);
  v.Campo("nNF", o.nNF);
}

template <class V> void Campos(V& v, TRefECF& o) {
  v.Campo("modelo", o.modelo);
  v.Campo("nECF", o.nECF);
  v.Campo("nCOO", o.nCOO);
}

template <class V> void Campos(V& v, TRefNFP& o) {
  v.Campo("cUF", o.cUF);
  v.Campo("AAMM", o.AAMM);
  v.Campo("CNPJCPF", o.CNPJCPF);
  v.Campo("IE", o.IE);
  v.Campo("modelo", o.modelo);
  v.Campo("serie", o.serie);
  v.Campo("nNF", o.nNF);
}

template <class V> void Campos(V& v, TNFrefCollectionItem& o) {
  v.Campo("refNFe", o.refNFe);
  v.Campo("refCTe", o.refCTe);
  v.Grupo("RefNF", o.RefNF);
  v.Grupo("RefECF", o.RefECF);
  v.Grupo("RefNFP", o.RefNFP);
}

template <class V> void Campos(V& v, TrefDFeAntCollectionItem& o) { v.Campo("refDFeAnt", o.refDFeAnt); }
template <class V> void Campos(V& v, TrefNFeCollectionItem& o) { v.Campo("refNFe", o.refNFe); }

template <class V> void Campos(V& v, TgCompraGov& o) {
  v.Campo("tpEnteGov", o.tpEnteGov);
  v.Campo("pRedutor", o.pRedutor);
  v.Campo("tpOperGov", o.tpOperGov);
  v.Lista("refDFeAnt", o.refDFeAnt);
}

template <class V> void Campos(V& v, TgPagAntecipado& o) { v.Lista("refNFe", o.refNFe); }

template <class V> void Campos(V& v, TIde& o) {
  v.Campo("cUF", o.cUF);
  v.Campo("cNF", o.cNF);
  v.Campo("natOp", o.natOp);
  v.Campo("indPag", o.indPag);
  v.Campo("modelo", o.modelo);
  v.Campo("serie", o.serie);
  v.Campo("nNF", o.nNF);
  v.DataHora("dEmi", o.dEmi);
  v.DataHora("dSaiEnt", o.dSaiEnt);
  v.Hora("hSaiEnt", o.hSaiEnt);
  v.Campo("tpNF", o.tpNF);
  v.Campo("idDest", o.idDest);
  v.Campo("cMunFG", o.cMunFG);
  v.Lista("NFref", o.NFref);
  v.Campo("tpImp", o.tpImp);
  v.Campo("tpEmis", o.tpEmis);
  v.Campo("cDV", o.cDV);
  v.Campo("tpAmb", o.tpAmb);
  v.Campo("finNFe", o.finNFe);
  v.Campo("indFinal", o.indFinal);
  v.Campo("indPres", o.indPres);
  v.Campo("procEmi", o.procEmi);
  v.Campo("verProc", o.verProc);
  v.DataHora("dhCont", o.dhCont);
  v.Campo("xJust", o.xJust);
  v.Data("dPrevEntrega", o.dPrevEntrega);
  v.Campo("cMunFGIBS", o.cMunFGIBS);
  v.Campo("cIndOp", o.cIndOp);
  v.Campo("tpNFDebito", o.tpNFDebito);
  v.Campo("tpNFCredito", o.tpNFCredito);
  v.Grupo("gCompraGov", o.gCompraGov);
  v.Grupo("gPagAntecipado", o.gPagAntecipado);
}

// ---- Parties -------------------------------------------------------------------------------

template <class V> void Campos(V& v, TEndereco& o) {
  v.Campo("xLgr", o.xLgr);
  v.Campo("nro", o.nro);
  v.Campo("xCpl", o.xCpl);
  v.Campo("xBairro", o.xBairro);
  v.Campo("cMun", o.cMun);
  v.Campo("xMun", o.xMun);
  v.Campo("UF", o.UF);
  v.Campo("CEP", o.CEP);
  v.Campo("cPais", o.cPais);
  v.Campo("xPais", o.xPais);
  v.Campo("fone", o.fone);
}
template <class V> void Campos(V& v, TenderEmit& o) { Campos(v, static_cast<TEndereco&>(o)); }
template <class V> void Campos(V& v, TenderDest& o) { Campos(v, static_cast<TEndereco&>(o)); }

template <class V> void Campos(V& v, TEmit& o) {
  v.Campo("CNPJCPF", o.CNPJCPF);
  v.Campo("xNome", o.xNome);
  v.Campo("xFant", o.xFant);
  v.Grupo("EnderEmit", o.EnderEmit);
  v.Campo("IE", o.IE);
  v.Campo("IEST", o.IEST);
  v.Campo("IM", o.IM);
  v.Campo("CNAE", o.CNAE);
  v.Campo("CRT", o.CRT);
  v.Campo("ISUFEmit", o.ISUFEmit);
}

template <class V> void Campos(V& v, TAvulsa& o) {
  v.Campo("CNPJ", o.CNPJ);
  v.Campo("xOrgao", o.xOrgao);
  v.Campo("matr", o.matr);
  v.Campo("xAgente", o.xAgente);
  v.Campo("fone", o.fone);
  v.Campo("UF", o.UF);
  v.Campo("nDAR", o.nDAR);
  v.Data("dEmi", o.dEmi);
  v.Campo("vDAR", o.vDAR);
  v.Campo("repEmi", o.repEmi);
  v.Data("dPag", o.dPag);
}

template <class V> void Campos(V& v, TDest& o) {
  v.Campo("CNPJCPF", o.CNPJCPF);
  v.Campo("idEstrangeiro", o.idEstrangeiro);
  v.Campo("xNome", o.xNome);
  v.Grupo("EnderDest", o.EnderDest);
  v.Campo("indIEDest", o.indIEDest);
  v.Campo("IE", o.IE);
  v.Campo("ISUF", o.ISUF);
  v.Campo("IM", o.IM);
  v.Campo("email", o.email);
}

template <class V> void Campos(V& v, TLocal& o) {
  v.Campo("CNPJCPF", o.CNPJCPF);
  v.Campo("xNome", o.xNome);
  v.Campo("xLgr", o.xLgr);
  v.Campo("nro", o.nro);
  v.Campo("xCpl", o.xCpl);
  v.Campo("xBairro", o.xBairro);
  v.Campo("cMun", o.cMun);
  v.Campo("xMun", o.xMun);
  v.Campo("UF", o.UF);
  v.Campo("CEP", o.CEP);
  v.Campo("cPais", o.cPais);
  v.Campo("xPais", o.xPais);
  v.Campo("fone", o.fone);
  v.Campo("email", o.email);
  v.Campo("IE", o.IE);
}
template <class V> void Campos(V& v, TRetirada& o) { Campos(v, static_cast<TLocal&>(o)); }
template <class V> void Campos(V& v, TEntrega& o) { Campos(v, static_cast<TLocal&>(o)); }

template <class V> void Campos(V& v, TautXMLCollectionItem& o) { v.Campo("CNPJCPF", o.CNPJCPF); }

// ---- Product -------------------------------------------------------------------------------

template <class V> void Campos(V& v, TadiCollectionItem& o) {
  v.Campo("nAdicao", o.nAdicao);
  v.Campo("nSeqAdic", o.nSeqAdic);
  v.Campo("cFabricante", o.cFabricante);
  v.Campo("vDescDI", o.vDescDI);
  v.Campo("nDraw", o.nDraw);
}

template <class V> void Campos(V& v, TDICollectionItem& o) {
  v.Campo("nDI", o.nDI);
  v.Data("dDI", o.dDI);
  v.Campo("xLocDesemb", o.xLocDesemb);
  v.Campo("UFDesemb", o.UFDesemb);
  v.Data("dDesemb", o.dDesemb);
  v.Campo("tpViaTransp", o.tpViaTransp);
  v.Campo("vAFRMM", o.vAFRMM);
  v.Campo("tpIntermedio", o.tpIntermedio);
  v.Campo("CNPJ", o.CNPJ);
  v.Campo("UFTerceiro", o.UFTerceiro);
  v.Campo("cExportador", o.cExportador);
  v.Lista("adi", o.adi);
}

template <class V> void Campos(V& v, TdetExportCollectionItem& o) {
  v.Campo("nDraw", o.nDraw);
  v.Campo("nRE", o.nRE);
  v.Campo("chNFe", o.chNFe);
  v.Campo("qExport", o.qExport);
}

template <class V> void Campos(V& v, TrastroCollectionItem& o) {
  v.Campo("nLote", o.nLote);
  v.Campo("qLote", o.qLote);
  v.Data("dFab", o.dFab);
  v.Data("dVal", o.dVal);
  v.Campo("cAgreg", o.cAgreg);
}

template <class V> void Campos(V& v, TveicProd& o) {
  v.Campo("tpOp", o.tpOp);
  v.Campo("chassi", o.chassi);
  v.Campo("cCor", o.cCor);
  v.Campo("xCor", o.xCor);
  v.Campo("pot", o.pot);
  v.Campo("cilin", o.cilin);
  v.Campo("pesoL", o.pesoL);
  v.Campo("pesoB", o.pesoB);
  v.Campo("nSerie", o.nSerie);
  v.Campo("tpComb", o.tpComb);
  v.Campo("nMotor", o.nMotor);
  v.Campo("CMT", o.CMT);
  v.Campo("dist", o.dist);
  v.Campo("anoMod", o.anoMod);
  v.Campo("anoFab", o.anoFab);
  v.Campo("tpPint", o.tpPint);
  v.Campo("tpVeic", o.tpVeic);
  v.Campo("espVeic", o.espVeic);
  v.Campo("VIN", o.VIN);
  v.Campo("condVeic", o.condVeic);
  v.Campo("cMod", o.cMod);
  v.Campo("cCorDENATRAN", o.cCorDENATRAN);
  v.Campo("lota", o.lota);
  v.Campo("tpRest", o.tpRest);
}

template <class V> void Campos(V& v, TmedCollectionItem& o) {
  v.Campo("cProdANVISA", o.cProdANVISA);
  v.Campo("xMotivoIsencao", o.xMotivoIsencao);
  v.Campo("nLote", o.nLote);
  v.Campo("qLote", o.qLote);
  v.Data("dFab", o.dFab);
  v.Data("dVal", o.dVal);
  v.Campo("vPMC", o.vPMC);
}

template <class V> void Campos(V& v, TarmaCollectionItem& o) {
  v.Campo("tpArma", o.tpArma);
  v.Campo("nSerie", o.nSerie);
  v.Campo("nCano", o.nCano);
  v.Campo("descr", o.descr);
}

template <class V> void Campos(V& v, TCIDE& o) {
  v.Campo("qBCProd", o.qBCProd);
  v.Campo("vAliqProd", o.vAliqProd);
  v.Campo("vCIDE", o.vCIDE);
}

template <class V> void Campos(V& v, TICMSComb& o) {
  v.Campo("vBCICMS", o.vBCICMS);
  v.Campo("vICMS", o.vICMS);
  v.Campo("vBCICMSST", o.vBCICMSST);
  v.Campo("vICMSST", o.vICMSST);
}

template <class V> void Campos(V& v, TICMSInter& o) {
  v.Campo("vBCICMSSTDest", o.vBCICMSSTDest);
  v.Campo("vICMSSTDest", o.vICMSSTDest);
}

template <class V> void Campos(V& v, TICMSCons& o) {
  v.Campo("vBCICMSSTCons", o.vBCICMSSTCons);
  v.Campo("vICMSSTCons", o.vICMSSTCons);
  v.Campo("UFCons", o.UFCons);
}

template <class V> void Campos(V& v, Tencerrante& o) {
  v.Campo("nBico", o.nBico);
  v.Campo("nBomba", o.nBomba);
  v.Campo("nTanque", o.nTanque);
  v.Campo("vEncIni", o.vEncIni);
  v.Campo("vEncFin", o.vEncFin);
}

template <class V> void Campos(V& v, Tcomb& o) {
  v.Campo("cProdANP", o.cProdANP);
  v.Campo("pMixGN", o.pMixGN);
  v.Campo("descANP", o.descANP);
  v.Campo("pGLP", o.pGLP);
  v.Campo("pGNn", o.pGNn);
  v.Campo("pGNi", o.pGNi);
  v.Campo("vPart", o.vPart);
  v.Campo("CODIF", o.CODIF);
  v.Campo("qTemp", o.qTemp);
  v.Campo("UFCons", o.UFCons);
  v.Grupo("CIDE", o.CIDE);
  v.Grupo("ICMSComb", o.ICMSComb);
  v.Grupo("ICMSInter", o.ICMSInter);
  v.Grupo("ICMSCons", o.ICMSCons);
  v.Grupo("encerrante", o.encerrante);
}

template <class V> void Campos(V& v, TNVECollectionItem& o) { v.Campo("NVE", o.NVE); }

template <class V> void Campos(V& v, TProd& o) {
  v.Campo("cProd", o.cProd);
  v.Campo("nItem", o.nItem);
  v.Campo("cEAN", o.cEAN);
  v.Campo("xProd", o.xProd);
  v.Campo("NCM", o.NCM);
  v.Campo("EXTIPI", o.EXTIPI);
  v.Campo("CFOP", o.CFOP);
  v.Campo("uCom", o.uCom);
  v.Campo("qCom", o.qCom);
  v.Real("vUnCom", o.vUnCom);
  v.Campo("vProd", o.vProd);
  v.Campo("cEANTrib", o.cEANTrib);
  v.Campo("uTrib", o.uTrib);
  v.Campo("qTrib", o.qTrib);
  v.Real("vUnTrib", o.vUnTrib);
  v.Campo("vFrete", o.vFrete);
  v.Campo("vSeg", o.vSeg);
  v.Campo("vDesc", o.vDesc);
  v.Campo("vOutro", o.vOutro);
  v.Campo("indTot", o.indTot);
  v.Lista("DI", o.DI);
  v.Campo("xPed", o.xPed);
  v.Campo("nItemPed", o.nItemPed);
  v.Lista("detExport", o.detExport);
  v.Lista("rastro", o.rastro);
  v.Grupo("veicProd", o.veicProd);
  v.Lista("med", o.med);
  v.Lista("arma", o.arma);
  v.Grupo("comb", o.comb);
  v.Campo("nRECOPI", o.nRECOPI);
  v.Campo("nFCI", o.nFCI);
  v.Lista("NVE", o.NVE);
  v.Campo("CEST", o.CEST);
  v.Campo("indEscala", o.indEscala);
  v.Campo("CNPJFab", o.CNPJFab);
  v.Campo("cBenef", o.cBenef);
  v.Campo("tpCredPresIBSZFM", o.tpCredPresIBSZFM);
  v.Campo("indBemMovelUsado", o.indBemMovelUsado);
}

// ---- Taxes ---------------------------------------------------------------------------------

template <class V> void Campos(V& v, TICMS& o) {
  v.Campo("orig", o.orig);
  v.Campo("CST", o.CST);
  v.Campo("CSOSN", o.CSOSN);
  v.Campo("modBC", o.modBC);
  v.Campo("pRedBC", o.pRedBC);
  v.Campo("vBC", o.vBC);
  v.Campo("pICMS", o.pICMS);
  v.Campo("vICMS", o.vICMS);
  v.Campo("modBCST", o.modBCST);
  v.Campo("pMVAST", o.pMVAST);
  v.Campo("pRedBCST", o.pRedBCST);
  v.Campo("vBCST", o.vBCST);
  v.Campo("pICMSST", o.pICMSST);
  v.Campo("vICMSST", o.vICMSST);
  v.Campo("UFST", o.UFST);
  v.Campo("pBCOp", o.pBCOp);
  v.Campo("vBCSTRet", o.vBCSTRet);
  v.Campo("vICMSSTRet", o.vICMSSTRet);
  v.Campo("motDesICMS", o.motDesICMS);
  v.Campo("pCredSN", o.pCredSN);
  v.Campo("vCredICMSSN", o.vCredICMSSN);
  v.Campo("vBCSTDest", o.vBCSTDest);
  v.Campo("vICMSSTDest", o.vICMSSTDest);
  v.Campo("vICMSDeson", o.vICMSDeson);
  v.Campo("vICMSOp", o.vICMSOp);
  v.Campo("pDif", o.pDif);
  v.Campo("vICMSDif", o.vICMSDif);
  v.Campo("vBCFCP", o.vBCFCP);
  v.Campo("pFCP", o.pFCP);
  v.Campo("vFCP", o.vFCP);
  v.Campo("vBCFCPST", o.vBCFCPST);
  v.Campo("pFCPST", o.pFCPST);
  v.Campo("vFCPST", o.vFCPST);
  v.Campo("vBCFCPSTRet", o.vBCFCPSTRet);
  v.Campo("pFCPSTRet", o.pFCPSTRet);
  v.Campo("vFCPSTRet", o.vFCPSTRet);
  v.Campo("pST", o.pST);
  v.Campo("pRedBCEfet", o.pRedBCEfet);
  v.Campo("vBCEfet", o.vBCEfet);
  v.Campo("pICMSEfet", o.pICMSEfet);
  v.Campo("vICMSEfet", o.vICMSEfet);
  v.Campo("vICMSSubstituto", o.vICMSSubstituto);
  v.Campo("indDeduzDeson", o.indDeduzDeson);
  v.Campo("cBenefRBC", o.cBenefRBC);
  v.Campo("pFCPDif", o.pFCPDif);
  v.Campo("vFCPDif", o.vFCPDif);
  v.Campo("vFCPEfet", o.vFCPEfet);
}

template <class V> void Campos(V& v, TIPI& o) {
  v.Campo("clEnq", o.clEnq);
  v.Campo("CNPJProd", o.CNPJProd);
  v.Campo("cSelo", o.cSelo);
  v.Campo("qSelo", o.qSelo);
  v.Campo("cEnq", o.cEnq);
  v.Campo("CST", o.CST);
  v.Campo("vBC", o.vBC);
  v.Campo("qUnid", o.qUnid);
  v.Campo("vUnid", o.vUnid);
  v.Campo("pIPI", o.pIPI);
  v.Campo("vIPI", o.vIPI);
}

template <class V> void Campos(V& v, TII& o) {
  v.Campo("vBC", o.vBC);
  v.Campo("vDespAdu", o.vDespAdu);
  v.Campo("vII", o.vII);
  v.Campo("vIOF", o.vIOF);
}

template <class V> void Campos(V& v, TPIS& o) {
  v.Campo("CST", o.CST);
  v.Campo("vBC", o.vBC);
  v.Campo("pPIS", o.pPIS);
  v.Campo("vPIS", o.vPIS);
  v.Campo("qBCProd", o.qBCProd);
  v.Campo("vAliqProd", o.vAliqProd);
}

template <class V> void Campos(V& v, TPISST& o) {
  v.Campo("vBC", o.vBC);
  v.Campo("pPIS", o.pPIS);
  v.Campo("qBCProd", o.qBCProd);
  v.Campo("vAliqProd", o.vAliqProd);
  v.Campo("vPIS", o.vPIS);
}

template <class V> void Campos(V& v, TCOFINS& o) {
  v.Campo("CST", o.CST);
  v.Campo("vBC", o.vBC);
  v.Campo("pCOFINS", o.pCOFINS);
  v.Campo("vCOFINS", o.vCOFINS);
  v.Campo("qBCProd", o.qBCProd);
  v.Campo("vAliqProd", o.vAliqProd);
}

template <class V> void Campos(V& v, TCOFINSST& o) {
  v.Campo("vBC", o.vBC);
  v.Campo("pCOFINS", o.pCOFINS);
  v.Campo("qBCProd", o.qBCProd);
  v.Campo("vAliqProd", o.vAliqProd);
  v.Campo("vCOFINS", o.vCOFINS);
}

template <class V> void Campos(V& v, TISSQN& o) {
  v.Campo("vBC", o.vBC);
  v.Campo("vAliq", o.vAliq);
  v.Campo("vISSQN", o.vISSQN);
  v.Campo("cMunFG", o.cMunFG);
  v.Campo("cListServ", o.cListServ);
  v.Campo("cSitTrib", o.cSitTrib);
  v.Campo("vDeducao", o.vDeducao);
  v.Campo("vOutro", o.vOutro);
  v.Campo("vDescIncond", o.vDescIncond);
  v.Campo("vDescCond", o.vDescCond);
  v.Campo("vISSRet", o.vISSRet);
  v.Campo("indISS", o.indISS);
  v.Campo("cServico", o.cServico);
  v.Campo("cMun", o.cMun);
  v.Campo("cPais", o.cPais);
  v.Campo("nProcesso", o.nProcesso);
  v.Campo("indIncentivo", o.indIncentivo);
}

template <class V> void Campos(V& v, TICMSUFDest& o) {
  v.Campo("vBCUFDest", o.vBCUFDest);
  v.Campo("vBCFCPUFDest", o.vBCFCPUFDest);
  v.Campo("pFCPUFDest", o.pFCPUFDest);
  v.Campo("pICMSUFDest", o.pICMSUFDest);
  v.Campo("pICMSInter", o.pICMSInter);
  v.Campo("pICMSInterPart", o.pICMSInterPart);
  v.Campo("vFCPUFDest", o.vFCPUFDest);
  v.Campo("vICMSUFDest", o.vICMSUFDest);
  v.Campo("vICMSUFRemet", o.vICMSUFRemet);
}

// ---- Consumption-tax reform (PL_010) -------------------------------------------------------

template <class V> void Campos(V& v, TIS& o) {
  v.Campo("CSTIS", o.CSTIS);
  v.Campo("cClassTribIS", o.cClassTribIS);
  v.Campo("vBCIS", o.vBCIS);
  v.Campo("pIS", o.pIS);
  v.Campo("adRemIS", o.adRemIS);
  v.Campo("uTrib", o.uTrib);
  v.Campo("qTrib", o.qTrib);
  v.Campo("vIS", o.vIS);
}

template <class V> void Campos(V& v, TgDif& o) {
  v.Campo("pDif", o.pDif);
  v.Campo("vDif", o.vDif);
}

template <class V> void Campos(V& v, TgDevTrib& o) {
  v.Campo("pDevTrib", o.pDevTrib);
  v.Campo("vDevTrib", o.vDevTrib);
}

template <class V> void Campos(V& v, TgRed& o) {
  v.Campo("pRedAliq", o.pRedAliq);
  v.Campo("pAliqEfet", o.pAliqEfet);
}

template <class V> void Campos(V& v, TgIBSUF& o) {
  v.Campo("pIBSUF", o.pIBSUF);
  v.Grupo("gDif", o.gDif);
  v.Grupo("gDevTrib", o.gDevTrib);
  v.Grupo("gRed", o.gRed);
  v.Campo("vIBSUF", o.vIBSUF);
}

template <class V> void Campos(V& v, TgIBSMun& o) {
  v.Campo("pIBSMun", o.pIBSMun);
  v.Grupo("gDif", o.gDif);
  v.Grupo("gDevTrib", o.gDevTrib);
  v.Grupo("gRed", o.gRed);
  v.Campo("vIBSMun", o.vIBSMun);
}

template <class V> void Campos(V& v, TgALCZFMCBS& o) {
  v.Campo("tpALCZFMCBS", o.tpALCZFMCBS);
  v.Campo("nProcSuframa", o.nProcSuframa);
  v.Campo("pAliqEfetRegCBS", o.pAliqEfetRegCBS);
  v.Campo("vTribRegCBS", o.vTribRegCBS);
}

template <class V> void Campos(V& v, TgCBS& o) {
  v.Campo("pCBS", o.pCBS);
  v.Grupo("gDif", o.gDif);
  v.Grupo("gDevTrib", o.gDevTrib);
  v.Grupo("gRed", o.gRed);
  v.Grupo("gALCZFMCBS", o.gALCZFMCBS);
  v.Campo("vCBS", o.vCBS);
}

template <class V> void Campos(V& v, TgTribRegular& o) {
  v.Campo("CSTReg", o.CSTReg);
  v.Campo("cClassTribReg", o.cClassTribReg);
  v.Campo("pAliqEfetRegIBSUF", o.pAliqEfetRegIBSUF);
  v.Campo("vTribRegIBSUF", o.vTribRegIBSUF);
  v.Campo("pAliqEfetRegIBSMun", o.pAliqEfetRegIBSMun);
  v.Campo("vTribRegIBSMun", o.vTribRegIBSMun);
  v.Campo("pAliqEfetRegCBS", o.pAliqEfetRegCBS);
  v.Campo("vTribRegCBS", o.vTribRegCBS);
}

template <class V> void Campos(V& v, TgTribCompraGov& o) {
  v.Campo("pAliqIBSUF", o.pAliqIBSUF);
  v.Campo("vTribIBSUF", o.vTribIBSUF);
  v.Campo("pAliqIBSMun", o.pAliqIBSMun);
  v.Campo("vTribIBSMun", o.vTribIBSMun);
  v.Campo("pAliqCBS", o.pAliqCBS);
  v.Campo("vTribCBS", o.vTribCBS);
}

template <class V> void Campos(V& v, TgIBSCBS& o) {
  v.Campo("vBC", o.vBC);
  v.Grupo("gIBSUF", o.gIBSUF);
  v.Grupo("gIBSMun", o.gIBSMun);
  v.Campo("vIBS", o.vIBS);
  v.Grupo("gCBS", o.gCBS);
  v.Grupo("gTribRegular", o.gTribRegular);
  v.Grupo("gTribCompraGov", o.gTribCompraGov);
}

template <class V> void Campos(V& v, TgMonoPadrao& o) {
  v.Campo("qBCMono", o.qBCMono);
  v.Campo("adRemIBS", o.adRemIBS);
  v.Campo("adRemCBS", o.adRemCBS);
  v.Campo("vIBSMono", o.vIBSMono);
  v.Campo("vCBSMono", o.vCBSMono);
}

template <class V> void Campos(V& v, TgMonoReten& o) {
  v.Campo("qBCMonoReten", o.qBCMonoReten);
  v.Campo("adRemIBSReten", o.adRemIBSReten);
  v.Campo("vIBSMonoReten", o.vIBSMonoReten);
  v.Campo("adRemCBSReten", o.adRemCBSReten);
  v.Campo("vCBSMonoReten", o.vCBSMonoReten);
}

template <class V> void Campos(V& v, TgMonoRet& o) {
  v.Campo("qBCMonoRet", o.qBCMonoRet);
  v.Campo("adRemIBSRet", o.adRemIBSRet);
  v.Campo("vIBSMonoRet", o.vIBSMonoRet);
  v.Campo("adRemCBSRet", o.adRemCBSRet);
  v.Campo("vCBSMonoRet", o.vCBSMonoRet);
}

template <class V> void Campos(V& v, TgMonoDif& o) {
  v.Campo("pDifIBS", o.pDifIBS);
  v.Campo("vIBSMonoDif", o.vIBSMonoDif);
  v.Campo("pDifCBS", o.pDifCBS);
  v.Campo("vCBSMonoDif", o.vCBSMonoDif);
}

template <class V> void Campos(V& v, TgIBSCBSMono& o) {
  v.Grupo("gMonoPadrao", o.gMonoPadrao);
  v.Grupo("gMonoReten", o.gMonoReten);
  v.Grupo("gMonoRet", o.gMonoRet);
  v.Grupo("gMonoDif", o.gMonoDif);
  v.Campo("vTotIBSMonoItem", o.vTotIBSMonoItem);
  v.Campo("vTotCBSMonoItem", o.vTotCBSMonoItem);
}

template <class V> void Campos(V& v, TgTransfCred& o) {
  v.Campo("vIBS", o.vIBS);
  v.Campo("vCBS", o.vCBS);
}

template <class V> void Campos(V& v, TgAjusteCompet& o) {
  v.Campo("competApur", o.competApur);
  v.Campo("vIBS", o.vIBS);
  v.Campo("vCBS", o.vCBS);
}

template <class V> void Campos(V& v, TgEstornoCred& o) {
  v.Campo("vIBSEstCred", o.vIBSEstCred);
  v.Campo("vCBSEstCred", o.vCBSEstCred);
}

template <class V> void Campos(V& v, TgCredPres& o) {
  v.Campo("pCredPres", o.pCredPres);
  v.Campo("vCredPres", o.vCredPres);
  v.Campo("vCredPresCondSus", o.vCredPresCondSus);
}

template <class V> void Campos(V& v, TgCredPresOper& o) {
  v.Campo("vBCCredPres", o.vBCCredPres);
  v.Campo("cCredPres", o.cCredPres);
  v.Grupo("gIBSCredPres", o.gIBSCredPres);
  v.Grupo("gCBSCredPres", o.gCBSCredPres);
}

template <class V> void Campos(V& v, TgCredPresIBSZFM& o) {
  v.Campo("competApur", o.competApur);
  v.Campo("tpCredPresIBSZFM", o.tpCredPresIBSZFM);
  v.Campo("vCredPresIBSZFM", o.vCredPresIBSZFM);
}

template <class V> void Campos(V& v, TIBSCBS& o) {
  v.Campo("CST", o.CST);
  v.Campo("cClassTrib", o.cClassTrib);
  v.Campo("indDoacao", o.indDoacao);
  v.Grupo("gIBSCBS", o.gIBSCBS);
  v.Grupo("gIBSCBSMono", o.gIBSCBSMono);
  v.Grupo("gTransfCred", o.gTransfCred);
  v.Grupo("gAjusteCompet", o.gAjusteCompet);
  v.Grupo("gEstornoCred", o.gEstornoCred);
  v.Grupo("gCredPresOper", o.gCredPresOper);
  v.Grupo("gCredPresIBSZFM", o.gCredPresIBSZFM);
}

template <class V> void Campos(V& v, TDFeReferenciado& o) {
  v.Campo("chaveAcesso", o.chaveAcesso);
  v.Campo("nItem", o.nItem);
}

template <class V> void Campos(V& v, TImposto& o) {
  v.Campo("vTotTrib", o.vTotTrib);
  v.Grupo("ICMS", o.ICMS);
  v.Grupo("IPI", o.IPI);
  v.Grupo("II", o.II);
  v.Grupo("PIS", o.PIS);
  v.Grupo("PISST", o.PISST);
  v.Grupo("COFINS", o.COFINS);
  v.Grupo("COFINSST", o.COFINSST);
  v.Grupo("ISSQN", o.ISSQN);
  v.Grupo("ICMSUFDest", o.ICMSUFDest);
  v.Grupo("IS", o.IS);
  v.Grupo("IBSCBS", o.IBSCBS);
}

template <class V> void Campos(V& v, TDetCollectionItem& o) {
  v.Grupo("Prod", o.Prod);
  v.Grupo("Imposto", o.Imposto);
  v.Campo("pDevol", o.pDevol);
  v.Campo("vIPIDevol", o.vIPIDevol);
  v.Campo("infAdProd", o.infAdProd);
  v.Campo("vItem", o.vItem);
  v.Grupo("DFeReferenciado", o.DFeReferenciado);
}

// ---- Totals --------------------------------------------------------------------------------

template <class V> void Campos(V& v, TICMSTot& o) {
  v.Campo("vBC", o.vBC);
  v.Campo("vICMS", o.vICMS);
  v.Campo("vICMSDeson", o.vICMSDeson);
  v.Campo("vFCPUFDest", o.vFCPUFDest);
  v.Campo("vICMSUFDest", o.vICMSUFDest);
  v.Campo("vICMSUFRemet", o.vICMSUFRemet);
  v.Campo("vFCP", o.vFCP);
  v.Campo("vBCST", o.vBCST);
  v.Campo("vST", o.vST);
  v.Campo("vFCPST", o.vFCPST);
  v.Campo("vFCPSTRet", o.vFCPSTRet);
  v.Campo("vProd", o.vProd);
  v.Campo("vFrete", o.vFrete);
  v.Campo("vSeg", o.vSeg);
  v.Campo("vDesc", o.vDesc);
  v.Campo("vII", o.vII);
  v.Campo("vIPI", o.vIPI);
  v.Campo("vIPIDevol", o.vIPIDevol);
  v.Campo("vPIS", o.vPIS);
  v.Campo("vCOFINS", o.vCOFINS);
  v.Campo("vOutro", o.vOutro);
  v.Campo("vNF", o.vNF);
  v.Campo("vTotTrib", o.vTotTrib);
}

template <class V> void Campos(V& v, TISSQNtot& o) {
  v.Campo("vServ", o.vServ);
  v.Campo("vBC", o.vBC);
  v.Campo("vISS", o.vISS);
  v.Campo("vPIS", o.vPIS);
  v.Campo("vCOFINS", o.vCOFINS);
  v.Data("dCompet", o.dCompet);
  v.Campo("vDeducao", o.vDeducao);
  v.Campo("vOutro", o.vOutro);
  v.Campo("vDescIncond", o.vDescIncond);
  v.Campo("vDescCond", o.vDescCond);
  v.Campo("vISSRet", o.vISSRet);
  v.Campo("cRegTrib", o.cRegTrib);
}

template <class V> void Campos(V& v, TretTrib& o) {
  v.Campo("vRetPIS", o.vRetPIS);
  v.Campo("vRetCOFINS", o.vRetCOFINS);
  v.Campo("vRetCSLL", o.vRetCSLL);
  v.Campo("vBCIRRF", o.vBCIRRF);
  v.Campo("vIRRF", o.vIRRF);
  v.Campo("vBCRetPrev", o.vBCRetPrev);
  v.Campo("vRetPrev", o.vRetPrev);
}

template <class V> void Campos(V& v, TISTot& o) { v.Campo("vIS", o.vIS); }

template <class V> void Campos(V& v, TgIBSUFTot& o) {
  v.Campo("vDif", o.vDif);
  v.Campo("vDevTrib", o.vDevTrib);
  v.Campo("vIBSUF", o.vIBSUF);
}

template <class V> void Campos(V& v, TgIBSMunTot& o) {
  v.Campo("vDif", o.vDif);
  v.Campo("vDevTrib", o.vDevTrib);
  v.Campo("vIBSMun", o.vIBSMun);
}

template <class V> void Campos(V& v, TgIBSTot& o) {
  v.Grupo("gIBSUF", o.gIBSUF);
  v.Grupo("gIBSMun", o.gIBSMun);
  v.Campo("vIBS", o.vIBS);
  v.Campo("vCredPres", o.vCredPres);
  v.Campo("vCredPresCondSus", o.vCredPresCondSus);
}

template <class V> void Campos(V& v, TgCBSTot& o) {
  v.Campo("vDif", o.vDif);
  v.Campo("vDevTrib", o.vDevTrib);
  v.Campo("vCBS", o.vCBS);
  v.Campo("vCredPres", o.vCredPres);
  v.Campo("vCredPresCondSus", o.vCredPresCondSus);
}

template <class V> void Campos(V& v, TgMonoTot& o) {
  v.Campo("vIBSMono", o.vIBSMono);
  v.Campo("vCBSMono", o.vCBSMono);
  v.Campo("vIBSMonoReten", o.vIBSMonoReten);
  v.Campo("vCBSMonoReten", o.vCBSMonoReten);
  v.Campo("vIBSMonoRet", o.vIBSMonoRet);
  v.Campo("vCBSMonoRet", o.vCBSMonoRet);
}

template <class V> void Campos(V& v, TIBSCBSTot& o) {
  v.Campo("vBCIBSCBS", o.vBCIBSCBS);
  v.Grupo("gIBS", o.gIBS);
  v.Grupo("gCBS", o.gCBS);
  v.Grupo("gMono", o.gMono);
  v.Grupo("gEstornoCred", o.gEstornoCred);
}

template <class V> void Campos(V& v, TTotal& o) {
  v.Grupo("ICMSTot", o.ICMSTot);
  v.Grupo("ISSQNtot", o.ISSQNtot);
  v.Grupo("retTrib", o.retTrib);
  v.Grupo("ISTot", o.ISTot);
  v.Grupo("IBSCBSTot", o.IBSCBSTot);
  v.Campo("vNFTot", o.vNFTot);
}

// ---- Transport -----------------------------------------------------------------------------

template <class V> void Campos(V& v, TTransporta& o) {
  v.Campo("CNPJCPF", o.CNPJCPF);
  v.Campo("xNome", o.xNome);
  v.Campo("IE", o.IE);
  v.Campo("xEnder", o.xEnder);
  v.Campo("xMun", o.xMun);
  v.Campo("UF", o.UF);
}

template <class V> void Campos(V& v, TretTransp& o) {
  v.Campo("vServ", o.vServ);
  v.Campo("vBCRet", o.vBCRet);
  v.Campo("pICMSRet", o.pICMSRet);
  v.Campo("vICMSRet", o.vICMSRet);
  v.Campo("CFOP", o.CFOP);
  v.Campo("cMunFG", o.cMunFG);
}

template <class V> void Campos(V& v, TveicTransp& o) {
  v.Campo("placa", o.placa);
  v.Campo("UF", o.UF);
  v.Campo("RNTC", o.RNTC);
}

template <class V> void Campos(V& v, TLacresCollectionItem& o) { v.Campo("nLacre", o.nLacre); }

template <class V> void Campos(V& v, TVolCollectionItem& o) {
  v.Campo("qVol", o.qVol);
  v.Campo("esp", o.esp);
  v.Campo("marca", o.marca);
  v.Campo("nVol", o.nVol);
  v.Campo("pesoL", o.pesoL);
  v.Campo("pesoB", o.pesoB);
  v.Lista("Lacres", o.Lacres);
}

template <class V> void Campos(V& v, TreboqueCollectionItem& o) {
  v.Campo("placa", o.placa);
  v.Campo("UF", o.UF);
  v.Campo("RNTC", o.RNTC);
}

template <class V> void Campos(V& v, TTransp& o) {
  v.Campo("modFrete", o.modFrete);
  v.Grupo("Transporta", o.Transporta);
  v.Grupo("retTransp", o.retTransp);
  v.Grupo("veicTransp", o.veicTransp);
  v.Lista("Vol", o.Vol);
  v.Lista("Reboque", o.Reboque);
  v.Campo("vagao", o.vagao);
  v.Campo("balsa", o.balsa);
}

// ---- Billing, payment and closing groups ---------------------------------------------------

template <class V> void Campos(V& v, TFat& o) {
  v.Campo("nFat", o.nFat);
  v.Campo("vOrig", o.vOrig);
  v.Campo("vDesc", o.vDesc);
  v.Campo("vLiq", o.vLiq);
}

template <class V> void Campos(V& v, TDupCollectionItem& o) {
  v.Campo("nDup", o.nDup);
  v.Data("dVenc", o.dVenc);
  v.Campo("vDup", o.vDup);
}

template <class V> void Campos(V& v, TCobr& o) {
  v.Grupo("Fat", o.Fat);
  v.Lista("Dup", o.Dup);
}

template <class V> void Campos(V& v, TpagCollectionItem& o) {
  v.Campo("tPag", o.tPag);
  v.Campo("vPag", o.vPag);
  v.Campo("tpIntegra", o.tpIntegra);
  v.Campo("CNPJ", o.CNPJ);
  v.Campo("tBand", o.tBand);
  v.Campo("cAut", o.cAut);
  v.Campo("indPag", o.indPag);
}

template <class V> void Campos(V& v, TobsContCollectionItem& o) {
  v.Campo("xCampo", o.xCampo);
  v.Campo("xTexto", o.xTexto);
}

template <class V> void Campos(V& v, TobsFiscoCollectionItem& o) {
  v.Campo("xCampo", o.xCampo);
  v.Campo("xTexto", o.xTexto);
}

template <class V> void Campos(V& v, TprocRefCollectionItem& o) {
  v.Campo("nProc", o.nProc);
  v.Campo("indProc", o.indProc);
}

template <class V> void Campos(V& v, TInfAdic& o) {
  v.Campo("infAdFisco", o.infAdFisco);
  v.Campo("infCpl", o.infCpl);
  v.Lista("obsCont", o.obsCont);
  v.Lista("obsFisco", o.obsFisco);
  v.Lista("procRef", o.procRef);
}

template <class V> void Campos(V& v, TExporta& o) {
  v.Campo("UFEmbarq", o.UFEmbarq);
  v.Campo("xLocEmbarq", o.xLocEmbarq);
  v.Campo("UFSaidaPais", o.UFSaidaPais);
  v.Campo("xLocExporta", o.xLocExporta);
  v.Campo("xLocDespacho", o.xLocDespacho);
}

template <class V> void Campos(V& v, TCompra& o) {
  v.Campo("xNEmp", o.xNEmp);
  v.Campo("xPed", o.xPed);
  v.Campo("xCont", o.xCont);
}

template <class V> void Campos(V& v, TForDiaCollectionItem& o) {
  v.Campo("dia", o.dia);
  v.Campo("qtde", o.qtde);
}

template <class V> void Campos(V& v, TDeducCollectionItem& o) {
  v.Campo("xDed", o.xDed);
  v.Campo("vDed", o.vDed);
}

template <class V> void Campos(V& v, TCana& o) {
  v.Campo("safra", o.safra);
  v.Campo("ref", o.ref);
  v.Lista("fordia", o.fordia);
  v.Real("qTotMes", o.qTotMes);
  v.Real("qTotAnt", o.qTotAnt);
  v.Real("qTotGer", o.qTotGer);
  v.Lista("deduc", o.deduc);
  v.Campo("vFor", o.vFor);
  v.Campo("vTotDed", o.vTotDed);
  v.Campo("vLiqFor", o.vLiqFor);
}

template <class V> void Campos(V& v, TinfRespTec& o) {
  v.Campo("CNPJ", o.CNPJ);
  v.Campo("xContato", o.xContato);
  v.Campo("email", o.email);
  v.Campo("fone", o.fone);
}

template <class V> void Campos(V& v, TRSAKeyValue& o) {
  v.Campo("Modulus", o.Modulus);
  v.Campo("Exponent", o.Exponent);
}

template <class V> void Campos(V& v, TPAASignature& o) {
  v.Campo("SignatureValue", o.SignatureValue);
  v.Grupo("RSAKeyValue", o.RSAKeyValue);
}

template <class V> void Campos(V& v, TinfPAA& o) {
  v.Campo("CNPJPAA", o.CNPJPAA);
  v.Grupo("PAASignature", o.PAASignature);
}

template <class V> void Campos(V& v, TinfNFeSupl& o) {
  v.Campo("qrCode", o.qrCode);
  v.Campo("urlChave", o.urlChave);
}

// The signature keeps its values behind setters; they are walked through copies, and set
// back only when a reader changed them, so that a writer never touches the object.
template <class V> void Campos(V& v, TSignature& o) {
  std::string digest = o.DigestValue(), valor = o.SignatureValue(), certificado = o.X509Certificate();
  v.Campo("DigestValue", digest);
  v.Campo("SignatureValue", valor);
  v.Campo("X509Certificate", certificado);
  if (digest != o.DigestValue()) o.SetDigestValue(digest);
  if (valor != o.SignatureValue()) o.SetSignatureValue(valor);
  if (certificado != o.X509Certificate()) o.SetX509Certificate(certificado);
}

template <class V> void Campos(V& v, TMsgCollectionItem& o) {
  v.Campo("cMsg", o.cMsg);
  v.Campo("xMsg", o.xMsg);
}

// Only the protocol: the file and text members are working state of the join.
template <class V> void Campos(V& v, TProcNFe& o) {
  v.Campo("tpAmb", o.tpAmb);
  v.Campo("verAplic", o.verAplic);
  v.Campo("chNFe", o.chNFe);
  v.Campo("Id", o.Id);
  v.DataHora("dhRecbto", o.dhRecbto);
  v.Campo("nProt", o.nProt);
  v.Campo("digVal", o.digVal);
  v.Campo("cStat", o.cStat);
  v.Campo("xMotivo", o.xMotivo);
  v.Campo("Versao", o.Versao);
  v.Campo("cMsg", o.cMsg);
  v.Campo("xMsg", o.xMsg);
  v.Lista("MsgAdicionais", o.MsgAdicionais);
}

// The document, in the model's order; the change given back belongs to the payments.
template <class V> void Campos(V& v, TNFe& o) {
  v.Grupo("infNFe", o.infNFe);
  v.Grupo("Ide", o.Ide);
  v.Grupo("Emit", o.Emit);
  v.Grupo("Avulsa", o.Avulsa);
  v.Grupo("Dest", o.Dest);
  v.Grupo("Retirada", o.Retirada);
  v.Grupo("Entrega", o.Entrega);
  v.Lista("Det", o.Det);
  v.Grupo("Total", o.Total);
  v.Grupo("Transp", o.Transp);
  v.Grupo("Cobr", o.Cobr);
  v.Lista("pag", o.pag);
  v.Campo("vTroco", o.pag.vTroco);
  v.Grupo("InfAdic", o.InfAdic);
  v.Grupo("exporta", o.exporta);
  v.Grupo("compra", o.compra);
  v.Grupo("cana", o.cana);
  v.Grupo("signature", o.signature);
  v.Grupo("procNFe", o.procNFe);
  v.Lista("autXML", o.autXML);
  v.Grupo("infNFeSupl", o.infNFeSupl);
  v.Grupo("infRespTec", o.infRespTec);
  v.Grupo("infPAA", o.infPAA);
}

}  // namespace tuim

namespace tuim {

// Value texts shared by the readers and the JSON writer. The readers take a date as
// "YYYY-MM-DD", a date and time as "YYYY-MM-DDThh:mm:ss" with an optional "Z" or "+hh:mm"
// offset (the local time is kept, the offset dropped), a time as "hh:mm:ss"; false otherwise.
enum TTipoDataNFe : std::uint8_t { tdData, tdDataHora, tdHora };
bool TextoParaDataNFe(const std::string& s, TTipoDataNFe tipo, TDateTime& out);
// Digits with an optional sign, within the range of int.
bool TextoParaInteiroNFe(const std::string& s, int& out);
// Plain decimal "-12.5": digits, at most one point, optional sign; no exponent, no comma.
bool TextoParaValorNFe(const std::string& s, TCurrency& out);
bool TextoParaRealNFe(const std::string& s, double& out);
// At least two decimals, trailing zeros beyond them dropped: "10.00", "0.125".
std::string ValorParaTextoNFe(TCurrency v);
std::string RealParaTextoNFe(double v);

}  // namespace tuim
