#include <cctype>
#include <string>

#include "fiscal/TuimUtil.h"
#include "fiscal/fscAuxiliar.h"
#include "xml/TuimNFeReforma.h"
#include "xml/TuimNFeW.h"

namespace tuim {

namespace {

const TCurrency kZero;

// An amount as the document will show it: rounded to its two decimals, so 0.004 is no amount.
bool Valor(TCurrency v) { return v.Round(2) > kZero; }
TCurrency Arredondado(TCurrency v) { return v.Round(2); }

// PIS and COFINS share one shape; only names, ids and descriptions differ.
struct TContribuicao {
  std::string cst;
  bool aliq, qtde, nt, outr;
  TCurrency vBC, p, v, qBCProd, vAliqProd;
};
struct TNomesContribuicao {
  const char* grupo;  // "PIS"
  const char* id;     // "Q"
  const char* tagP;   // "pPIS"
  const char* tagV;   // "vPIS"
  const char* descP;
  const char* descV;
  const char* ids[6];  // CST, vBC, p, qBCProd, vAliqProd, v
  const char* alerta;
  const char* descOutr;
};

// The digits as an integer, 0 when not numeric.
int InteiroOuZero(const std::string& s) {
  if (s.empty() || s.size() > 9) return 0;
  for (char c : s)
    if (!std::isdigit(static_cast<unsigned char>(c))) return 0;
  return std::stoi(s);
}

}  // namespace

void TNFeW::EscreverTaxa(const std::string& id, const std::string& tag, int ocorrencias, TCurrency valor,
                         const std::string& descricao) {
  if (Versao310OuSuperior())
    fGerador->EscreverCampo(fcDecimal4, id, tag, 1, 7, ocorrencias, valor, descricao);
  else
    fGerador->EscreverCampo(fcDecimal2, id, tag, 1, 5, ocorrencias, valor, descricao);
}

void TNFeW::GerarDetImposto(const TDetCollectionItem& item) {
  TGerador& g = *fGerador;
  const TImposto& imp = item.Imposto;
  g.EscreverGrupo("imposto", "M01");
  g.EscreverCampo(fcDecimal2, "M02", "vTotTrib", 1, 15, 0, imp.vTotTrib, "Valor Aproximado Total de Tributos");
  const bool servico = imp.ISSQN.cSitTrib != cSitTribVazio || (VersaoAcima(3) && !imp.ISSQN.cListServ.empty());
  if (servico) {
    if (VersaoAoMenos(3)) GerarDetImpostoIPI(item);
    GerarDetImpostoISSQN(imp.ISSQN);
  } else {
    if (!SemICMS(imp, fNFe->Emit.CRT)) GerarDetImpostoICMS(imp.ICMS);
    GerarDetImpostoIPI(item);
    GerarDetImpostoII(item);
  }
  GerarDetImpostoPIS(imp.PIS);
  GerarDetImpostoPISST(imp.PISST);
  GerarDetImpostoCOFINS(imp.COFINS);
  GerarDetImpostoCOFINSST(imp.COFINSST);
  if (imp.ICMSUFDest.pICMSInterPart > kZero) GerarDetImpostoICMSUFDest(imp.ICMSUFDest);
  GerarDetImpostoIS(imp.IS);
  GerarDetImpostoIBSCBS(imp.IBSCBS);
  g.EscreverGrupo("/imposto");
}

void TNFeW::GerarDetImpostoDevol(const TDetCollectionItem& item) {
  TGerador& g = *fGerador;
  g.EscreverGrupo("impostoDevol", "U50");
  g.EscreverCampo(fcDecimal2, "U51", "pDevol", 1, 5, 1, item.pDevol, "Percentual da Mercadoria Devolvida");
  g.EscreverGrupo("IPI", "U60");
  g.EscreverCampo(fcDecimal2, "U61", "vIPIDevol", 1, 15, 1, item.vIPIDevol, "Valor do IPI Devolvido");
  g.EscreverGrupo("/IPI");
  g.EscreverGrupo("/impostoDevol");
}

// ---- ICMS ----------------------------------------------------------------------------------

void TNFeW::GerarDetImpostoICMS(const TICMS& icms) {
  fFCPEscritos = 0;
  fGerador->EscreverGrupo("ICMS", "N01");
  if (fNFe->Emit.CRT == crt1)
    GerarDetImpostoICMSCSOSN(icms);
  else
    GerarDetImpostoICMSCST(icms);
  fGerador->EscreverGrupo("/ICMS");
}

bool TNFeW::ICMSSubstitutoObrigatorio() const {
  switch (fOpcoes.ForcarGerarTagRejeicao938()) {
    case fgtSempre: return true;
    case fgtSomenteProducao: return fNFe->Ide.tpAmb == taProducao;
    case fgtSomenteHomologacao: return fNFe->Ide.tpAmb == taHomologacao;
    default: return false;
  }
}

void TNFeW::GerarICMSBase(const TICMS& icms, bool pRedBCOpcional, bool icms90) {
  TGerador& g = *fGerador;
  g.EscreverCampo(fcTexto, "N13", "modBC", 1, 1, 1, ModBCParaTexto(icms.modBC), "Modalidade de determinação da BC do ICMS");
  g.EscreverCampo(fcDecimal2, "N15", "vBC", 1, 15, 1, icms.vBC, "Valor da BC do ICMS");
  EscreverTaxa("N14", "pRedBC", pRedBCOpcional ? 0 : 1, icms.pRedBC, "Percentual da Redução de BC");
  if (icms90) GerarICMScBenefRBC(icms);
  EscreverTaxa("N16", "pICMS", 1, icms.pICMS, "Alíquota do imposto");
  if (icms90) GerarICMS90Diferimento(icms);
  g.EscreverCampo(fcDecimal2, "N17", "vICMS", 1, 15, 1, icms.vICMS, "Valor do ICMS");
}

void TNFeW::GerarICMSBlocoFCP(const TICMS& icms, bool comBase, bool idsST) {
  if (VersaoAbaixo(4)) return;
  // ICMS00 has no base of the FCP: a base alone is no block, and it is left to the group's alert.
  if (!((comBase && Valor(icms.vBCFCP)) || icms.pFCP > kZero || Valor(icms.vFCP))) return;
  if (comBase)
    fGerador->EscreverCampo(fcDecimal2, idsST ? "N23a" : "N17a", "vBCFCP", 1, 15, 1, icms.vBCFCP,
                            "Valor da Base de Cálculo do FCP");
  EscreverTaxa(idsST ? "N23b" : "N17b", "pFCP", 1, icms.pFCP,
               "Percentual do ICMS relativo ao Fundo de Combate à Pobreza (FCP)");
  fGerador->EscreverCampo(fcDecimal2, idsST ? "N23d" : "N17c", "vFCP", 1, 15, 1, icms.vFCP,
                          "Valor do ICMS relativo ao Fundo de Combate à Pobreza (FCP)");
  fFCPEscritos |= comBase ? kFCP : kFCP & ~kFCPvBC;
}

void TNFeW::GerarICMSBlocoST(const TICMS& icms, bool pMVASTDecimal2) {
  TGerador& g = *fGerador;
  g.EscreverCampo(fcTexto, "N18", "modBCST", 1, 1, 1, ModBCSTParaTexto(icms.modBCST),
                  "Modalidade de determinação da BC do ICMS ST");
  if (pMVASTDecimal2)
    g.EscreverCampo(fcDecimal2, "N19", "pMVAST", 1, 5, 0, icms.pMVAST, "Percentual da margem de valor Adicionado do ICMS ST");
  else
    EscreverTaxa("N19", "pMVAST", 0, icms.pMVAST, "Percentual da margem de valor Adicionado do ICMS ST");
  EscreverTaxa("N20", "pRedBCST", 0, icms.pRedBCST, "Percentual da Redução de BC do ICMS ST");
  g.EscreverCampo(fcDecimal2, "N21", "vBCST", 1, 15, 1, icms.vBCST, "Valor da BC do ICMS ST");
  EscreverTaxa("N22", "pICMSST", 1, icms.pICMSST, "Alíquota do imposto do ICMS ST");
  g.EscreverCampo(fcDecimal2, "N23", "vICMSST", 1, 15, 1, icms.vICMSST, "Valor do ICMS Substituição Tributaria");
}

void TNFeW::GerarICMSBlocoFCPST(const TICMS& icms) {
  if (VersaoAbaixo(4)) return;
  if (!(Valor(icms.vBCFCPST) || icms.pFCPST > kZero || Valor(icms.vFCPST))) return;
  fGerador->EscreverCampo(fcDecimal2, "N23a", "vBCFCPST", 1, 15, 1, icms.vBCFCPST,
                          "Valor da Base de Cálculo do FCP por Substituição Tributária");
  EscreverTaxa("N23b", "pFCPST", 1, icms.pFCPST, "Percentual do FCP retido por Substituição Tributária");
  fGerador->EscreverCampo(fcDecimal2, "N23d", "vFCPST", 1, 15, 1, icms.vFCPST,
                          "Valor do FCP retido por Substituição Tributária");
  fFCPEscritos |= kFCPST;
}

void TNFeW::GerarICMSBlocoSTOpcional(const TICMS& icms, bool pMVASTDecimal2, const std::string& grupo) {
  if (Valor(icms.vBCST) || Valor(icms.vICMSST)) {
    GerarICMSBlocoST(icms, pMVASTDecimal2);
    GerarICMSBlocoFCPST(icms);
  } else if (VersaoAoMenos(4)) {
    AlertaFCPSemLugar(icms, kFCPST,
                      "Valor não gerado: sem o grupo do ICMS ST (vBCST, vICMSST) o " + grupo + " não tem lugar para ele");
  }
}

void TNFeW::GerarICMSBlocoFCPSTRet(const TICMS& icms, bool grupoST, bool idN27a) {
  if (!(Valor(icms.vBCFCPSTRet) || icms.pFCPSTRet > kZero || Valor(icms.vFCPSTRet))) return;
  fGerador->EscreverCampo(fcDecimal2, idN27a ? "N27a" : "N23a", "vBCFCPSTRet", 1, 15, 1, icms.vBCFCPSTRet,
                          grupoST ? "Valor da Base de Cálculo do FCP"
                                  : "Valor da Base de Cálculo do FCP por Substituição Tributária");
  EscreverTaxa("N27b", "pFCPSTRet", 1, icms.pFCPSTRet,
               grupoST ? "Percentual do ICMS relativo ao Fundo de Combate à Pobreza (FCP)"
                       : "Percentual do FCP retido anteriormente por Substituição Tributária");
  fGerador->EscreverCampo(fcDecimal2, grupoST ? "N27c" : "N27d", "vFCPSTRet", 1, 15, 1, icms.vFCPSTRet,
                          grupoST ? "Valor do ICMS relativo ao Fundo de Combate à Pobreza (FCP)"
                                  : "Valor do FCP retido por Substituição Tributária");
  fFCPEscritos |= kFCPSTRet;
}

void TNFeW::GerarICMSBlocoEfetivo(const TICMS& icms) {
  if (!(icms.pRedBCEfet > kZero || Valor(icms.vBCEfet) || icms.pICMSEfet > kZero || Valor(icms.vICMSEfet)))
    return;
  TGerador& g = *fGerador;
  EscreverTaxa("N34", "pRedBCEfet", 1, icms.pRedBCEfet, "Percentual de redução da base de cálculo efetiva");
  g.EscreverCampo(fcDecimal2, "N35", "vBCEfet", 1, 15, 1, icms.vBCEfet, "Valor da base de cálculo efetiva");
  EscreverTaxa("N36", "pICMSEfet", 1, icms.pICMSEfet, "Alíquota do ICMS efetiva");
  g.EscreverCampo(fcDecimal2, "N37", "vICMSEfet", 1, 15, 1, icms.vICMSEfet, "Valor do ICMS efetivo");
}

void TNFeW::GerarICMSBlocoDesoneracao(const TICMS& icms, bool idsICMS40) {
  if (!(Valor(icms.vICMSDeson))) return;
  fGerador->EscreverCampo(fcDecimal2, idsICMS40 ? "N13a" : "N27a", "vICMSDeson", 1, 15, 1, icms.vICMSDeson,
                          "Valor do ICMS Desoneração");
  fGerador->EscreverCampo(fcTexto, idsICMS40 ? "N13b" : "N28", "motDesICMS", 1, 2, 1,
                          MotDesICMSParaTexto(icms.motDesICMS), "Motivo da desoneração do ICMS");
  if (icms.indDeduzDeson.empty()) return;
  const char* const desc = "Indica se o valor do ICMS desonerado deduz do valor do item";
  fGerador->EscreverCampo(fcTexto, "N28b", "indDeduzDeson", 1, 1, 0, icms.indDeduzDeson, desc);
  if (icms.indDeduzDeson != "0" && icms.indDeduzDeson != "1")
    fGerador->RegistrarAlerta("N28b", "indDeduzDeson", desc, kAlertaConteudoInvalido);
}

void TNFeW::GerarICMSBlocoPartilha(const TICMS& icms) {
  EscreverTaxa("N25", "pBCOp", 1, icms.pBCOp, "Percentual da BC operação própria");
  fGerador->EscreverCampo(fcTexto, "N24", "UFST", 2, 2, 1, icms.UFST, "UF para qual é devido o ICMS ST");
}

void TNFeW::GerarICMSBlocoSTRetido(const TICMS& icms, const std::string& idPST) {
  if (fNFe->Ide.indFinal == indFinal1 || fNFe->Ide.modelo != 55) return;
  TGerador& g = *fGerador;
  g.EscreverCampo(fcDecimal2, "N26", "vBCSTRet", 1, 15, 1, icms.vBCSTRet, "Valor da BC do ICMS ST Retido");
  if (VersaoAoMenos(4)) {
    EscreverTaxa(idPST, "pST", 1, icms.pST, "Alíquota suportada pelo Consumidor Final");
    g.EscreverCampo(fcDecimal2, "N26b", "vICMSSubstituto", 1, 15, ICMSSubstitutoObrigatorio() ? 1 : 0,
                    icms.vICMSSubstituto, "Valor do ICMS Substituto");
  }
  g.EscreverCampo(fcDecimal2, "N27", "vICMSSTRet", 1, 15, 1, icms.vICMSSTRet,
                  "Valor do ICMS Substituição Tributaria Retido");
}

void TNFeW::GerarICMSST(const TICMS& icms) {
  TGerador& g = *fGerador;
  g.EscreverCampo(fcDecimal2, "N26", "vBCSTRet", 1, 15, 1, icms.vBCSTRet, "BC do ICMS ST retido");
  if (VersaoAoMenos(4)) {
    const int occ = ICMSSubstitutoObrigatorio() ? 1 : 0;
    EscreverTaxa("N26a", "pST", occ, icms.pST, "Alíquota suportada pelo Consumidor Final");
    g.EscreverCampo(fcDecimal2, "N26b", "vICMSSubstituto", 1, 15, occ, icms.vICMSSubstituto,
                    "Valor do ICMS Substituto");
  }
  g.EscreverCampo(fcDecimal2, "N27", "vICMSSTRet", 1, 15, 1, icms.vICMSSTRet,
                  "Valor do ICMS Substituição Tributaria Retido");
  GerarICMSBlocoFCPSTRet(icms, true, true);
  g.EscreverCampo(fcDecimal2, "N31", "vBCSTDest", 1, 15, 1, icms.vBCSTDest, "BC do ICMS ST da UF de destino");
  g.EscreverCampo(fcDecimal2, "N32", "vICMSSTDest", 1, 15, 1, icms.vICMSSTDest, "BC do ICMS ST da UF de destino");
  GerarICMSBlocoEfetivo(icms);
}

void TNFeW::GerarDetImpostoICMSCST(const TICMS& icms) {
  TGerador& g = *fGerador;
  std::string sufixo, id;
  switch (icms.CST) {
    case cstIcms00: sufixo = "00"; id = "02"; break;
    case cstIcms10: sufixo = "10"; id = "03"; break;
    case cstIcms20: sufixo = "20"; id = "04"; break;
    case cstIcms30: sufixo = "30"; id = "05"; break;
    case cstIcms40: case cstIcms41: case cstIcms50: sufixo = "40"; id = "06"; break;
    case cstIcms51: sufixo = "51"; id = "07"; break;
    case cstIcms60: sufixo = "60"; id = "08"; break;
    case cstIcms70: sufixo = "70"; id = "09"; break;
    case cstIcms80: sufixo = "80"; id = "10"; break;
    case cstIcms81: sufixo = "81"; id = "11"; break;
    case cstIcms90: sufixo = "90"; id = "12"; break;
    case cstIcmsPart10: case cstIcmsPart20: case cstIcmsPart90: sufixo = "Part"; id = "10a"; break;
    // ICMS60 has no destination fields: the ST 60 form lives in ICMSST in every version.
    case cstIcmsST41: case cstIcmsST60: sufixo = "ST"; id = "10b"; break;
    default: break;
  }
  // The layout has no group for 80, 81, 45, the empty code, the other state's 90 or the SN
  // value: a bare <ICMS><ICMS> or an <ICMS80> would only be refused by the authority.
  if (sufixo.empty() || icms.CST == cstIcms80 || icms.CST == cstIcms81) {
    g.RegistrarAlerta("N12", "CST", "Código da situação tributária ", kAlertaConteudoInvalido);
    return;
  }
  g.EscreverGrupo("ICMS" + sufixo, "N" + id);
  g.EscreverCampo(fcTexto, "N11", "orig", 1, 1, 1, OrigParaTexto(icms.orig), "Origem da mercadoria");
  g.EscreverCampo(fcTexto, "N12", "CST", 2, 2, 1, CSTIcmsParaTexto(icms.CST), "Código da situação tributária ");
  const bool partilha = icms.CST == cstIcmsPart10 || icms.CST == cstIcmsPart20 || icms.CST == cstIcmsPart90;
  switch (icms.CST) {
    case cstIcms00:
      g.EscreverCampo(fcTexto, "N13", "modBC", 1, 1, 1, ModBCParaTexto(icms.modBC), "Modalidade de determinação da BC do ICMS");
      g.EscreverCampo(fcDecimal2, "N15", "vBC", 1, 15, 1, icms.vBC, "Valor da BC do ICMS");
      EscreverTaxa("N16", "pICMS", 1, icms.pICMS, "Alíquota do imposto");
      g.EscreverCampo(fcDecimal2, "N17", "vICMS", 1, 15, 1, icms.vICMS, "Valor do ICMS");
      GerarICMSBlocoFCP(icms, false, false);
      break;
    case cstIcms10:
    case cstIcmsPart10:
    case cstIcmsPart20:
    case cstIcmsPart90:
      // The sharing group has its base and ST whatever the CST, and no FCP but the ST one;
      // ICMS10 has no reduction and no sharing fields, in either package.
      g.EscreverCampo(fcTexto, "N13", "modBC", 1, 1, 1, ModBCParaTexto(icms.modBC), "Modalidade de determinação da BC do ICMS");
      g.EscreverCampo(fcDecimal2, "N15", "vBC", 1, 15, 1, icms.vBC, "Valor da BC do ICMS");
      if (partilha) g.EscreverCampo(fcDecimal2, "N14", "pRedBC", 1, 5, 0, icms.pRedBC, "Percentual da Redução de BC");
      EscreverTaxa("N16", "pICMS", 1, icms.pICMS, "Alíquota do imposto");
      g.EscreverCampo(fcDecimal2, "N17", "vICMS", 1, 15, 1, icms.vICMS, "Valor do ICMS");
      if (icms.CST == cstIcms10) GerarICMSBlocoFCP(icms, true, false);
      GerarICMSBlocoST(icms, false);
      GerarICMSBlocoFCPST(icms);
      if (partilha) {
        GerarICMSBlocoPartilha(icms);
        GerarICMSPartDesoneracao(icms);
      }
      break;
    case cstIcms20:
    case cstIcms70:
      g.EscreverCampo(fcTexto, "N13", "modBC", 1, 1, 1, ModBCParaTexto(icms.modBC), "Modalidade de determinação da BC do ICMS");
      EscreverTaxa("N14", "pRedBC", 1, icms.pRedBC, "Percentual da Redução de BC");
      g.EscreverCampo(fcDecimal2, "N15", "vBC", 1, 15, 1, icms.vBC, "Valor da BC do ICMS");
      EscreverTaxa("N16", "pICMS", 1, icms.pICMS, "Alíquota do imposto");
      g.EscreverCampo(fcDecimal2, "N17", "vICMS", 1, 15, 1, icms.vICMS, "Valor do ICMS");
      if (icms.CST == cstIcms20) {
        GerarICMSBlocoFCP(icms, true, false);
        if (VersaoAoMenos(3.10)) {
          GerarICMSBlocoDesoneracao(icms, false);
          AlertaMotDesICMS(icms, {motDesICMS3, motDesICMS9, motDesICMS10, motDesICMS11, motDesICMS12});
        }
      } else {
        GerarICMSBlocoFCP(icms, true, true);
        GerarICMSBlocoST(icms, false);
        GerarICMSBlocoFCPST(icms);
        if (VersaoAoMenos(3)) GerarICMSBlocoDesoneracao(icms, false);
      }
      break;
    case cstIcms30:
      GerarICMSBlocoST(icms, false);
      GerarICMSBlocoFCPST(icms);
      if (VersaoAoMenos(3.10)) GerarICMSBlocoDesoneracao(icms, false);
      break;
    case cstIcms40:
    case cstIcms41:
    case cstIcms50:
      if (VersaoAbaixo(3.10)) {
        g.EscreverCampo(fcDecimal2, "N17", "vICMS", 1, 15, 0, icms.vICMS, "Valor do ICMS");
        if (Valor(icms.vICMS))
          g.EscreverCampo(fcTexto, "N28", "motDesICMS", 1, 1, 0, MotDesICMSParaTexto(icms.motDesICMS),
                          "Motivo da desoneração do ICMS");
      } else {
        GerarICMSBlocoDesoneracao(icms, true);
      }
      break;
    case cstIcms51:
      if (icms.modBC != modBCVazio)
        g.EscreverCampo(fcTexto, "N13", "modBC", 1, 1, 0, ModBCParaTexto(icms.modBC), "Modalidade de determinação da BC do ICMS");
      EscreverTaxa("N14", "pRedBC", 0, icms.pRedBC, "Percentual da Redução de BC");
      if (VersaoAoMenos(4)) GerarICMScBenefRBC(icms);
      g.EscreverCampo(fcDecimal2, "N15", "vBC", 1, 15, 0, icms.vBC, "Valor da BC do ICMS");
      EscreverTaxa("N16", "pICMS", 0, icms.pICMS, "Alíquota do imposto");
      g.EscreverCampo(fcDecimal2, "N16a", "vICMSOp", 1, 15, 0, icms.vICMSOp, "Valor do ICMS");
      EscreverTaxa("N16b", "pDif", 0, icms.pDif, "Alíquota do imposto");
      g.EscreverCampo(fcDecimal2, "N16c", "vICMSDif", 1, 15, 0, icms.vICMSDif, "Valor do ICMS");
      g.EscreverCampo(fcDecimal2, "N17", "vICMS", 1, 15, (icms.pICMS == kZero && icms.pDif == kZero) ? 0 : 1,
                      icms.vICMS, "Valor do ICMS");
      GerarICMSBlocoFCP(icms, true, false);
      if (VersaoAoMenos(4))
        GerarICMSFCPDiferido(icms);
      else
        AlertaICMSSemLugar(icms, kSemLugarBeneficio | kSemLugarFCPDiferido, MotivoLeiauteSemLugar());
      break;
    case cstIcms60:
      if (VersaoAoMenos(2)) {
        GerarICMSBlocoSTRetido(icms, "N26a");
        if (VersaoAoMenos(4)) {
          GerarICMSBlocoFCPSTRet(icms, false, false);
          GerarICMSBlocoEfetivo(icms);
        }
      } else {
        g.EscreverCampo(fcDecimal2, "N21", "vBCST", 1, 15, 1, icms.vBCST, "Valor da BC do ICMS ST");
        g.EscreverCampo(fcDecimal2, "N23", "vICMSST", 1, 15, 1, icms.vICMSST, "Valor do ICMS Substituição Tributaria");
      }
      break;
    case cstIcms90:
      // The FCP of ICMS90 sits inside its base group as well.
      if (ICMS90ComBase(icms)) {
        // The benefit code, deferral and deferred FCP came with layout 4.00.
        const bool reforma = VersaoAoMenos(4);
        GerarICMSBase(icms, true, reforma);
        GerarICMSBlocoFCP(icms, true, false);
        if (reforma)
          GerarICMSFCPDiferido(icms);
        else
          AlertaICMSSemLugar(icms, kSemLugarReforma90, MotivoLeiauteSemLugar());
      } else {
        AlertaICMS90SemBase(icms);
      }
      GerarICMSBlocoSTOpcional(icms, true, "ICMS90");
      if (VersaoAoMenos(3.10)) GerarICMSBlocoDesoneracao(icms, false);
      break;
    case cstIcmsST41:
    case cstIcmsST60:
      GerarICMSST(icms);
      break;
    default: break;
  }
  AlertaFCPSemLugar(icms, "ICMS" + sufixo);
  AlertaICMSSemLugar(icms, "ICMS" + sufixo);
  g.EscreverGrupo("/ICMS" + sufixo);
}

void TNFeW::GerarDetImpostoICMSCSOSN(const TICMS& icms) {
  TGerador& g = *fGerador;
  std::string sufixo = "SN", id;
  switch (icms.CSOSN) {
    case csosn101: sufixo += "101"; id = "10c"; break;
    case csosn102: case csosn103: case csosn300: case csosn400: sufixo += "102"; id = "10d"; break;
    case csosn201: sufixo += "201"; id = "10e"; break;
    case csosn202: case csosn203: sufixo += "202"; id = "10f"; break;
    case csosn500: sufixo += "500"; id = "10g"; break;
    case csosn900: sufixo += "900"; id = "10h"; break;
    default:
      // Without a CSOSN there is no simplified-regime group to write.
      g.RegistrarAlerta("N12a", "CSOSN", "Código de Situação da Operação – Simples Nacional", kAlertaConteudoInvalido);
      return;
  }
  g.EscreverGrupo("ICMS" + sufixo, "N" + id);
  g.EscreverCampo(fcTexto, "N11", "orig", 1, 1, 1, OrigParaTexto(icms.orig), "Origem da mercadoria");
  g.EscreverCampo(fcTexto, "N12a", "CSOSN", 3, 3, 1, CSOSNParaTexto(icms.CSOSN),
                  "Código de Situação da Operação – Simples Nacional");
  auto credito = [&] {
    EscreverTaxa("N29", "pCredSN", 1, icms.pCredSN, "Alíquota aplicável de cálculo do crédito (Simples Nacional).");
    g.EscreverCampo(fcDecimal2, "N30", "vCredICMSSN", 1, 15, 1, icms.vCredICMSSN,
                    "Valor crédito do ICMS que pode ser aproveitado nos termos do art. 23 da LC 123 (Simples Nacional)");
  };
  switch (icms.CSOSN) {
    case csosn101: credito(); break;
    case csosn201:
      GerarICMSBlocoST(icms, false);
      GerarICMSBlocoFCPST(icms);
      credito();
      break;
    case csosn202:
    case csosn203:
      GerarICMSBlocoST(icms, false);
      GerarICMSBlocoFCPST(icms);
      break;
    case csosn500:
      GerarICMSBlocoSTRetido(icms, "N26.1");
      if (VersaoAoMenos(4)) {
        GerarICMSBlocoFCPSTRet(icms, false, true);
        GerarICMSBlocoEfetivo(icms);
      }
      break;
    case csosn900:
      if (Valor(icms.vBC) || Valor(icms.vICMS)) GerarICMSBase(icms, true);
      GerarICMSBlocoSTOpcional(icms, false, "ICMSSN900");
      if (icms.pCredSN > kZero) credito();
      break;
    default: break;
  }
  AlertaFCPSemLugar(icms, "ICMS" + sufixo);
  AlertaICMSSemLugar(icms, "ICMS" + sufixo);
  g.EscreverGrupo("/ICMS" + sufixo);
}

// ---- IPI and II ----------------------------------------------------------------------------

void TNFeW::GerarDetImpostoIPI(const TDetCollectionItem& item) {
  TGerador& g = *fGerador;
  const TIPI& ipi = item.Imposto.IPI;
  const bool tributado = ipi.CST == cstIpi00 || ipi.CST == cstIpi49 || ipi.CST == cstIpi50 || ipi.CST == cstIpi99;
  if (fNFe->Ide.modelo != 55 || !(fOpcoes.GerarTagIPIparaNaoTributado() || tributado)) return;
  if (ipi.cEnq.empty() && ipi.CST == cstIpi00 && !Valor(ipi.vBC) && ipi.qUnid == kZero && ipi.vUnid == kZero &&
      ipi.pIPI == kZero && !Valor(ipi.vIPI))
    return;
  std::string cEnq = ipi.cEnq;
  if (cEnq.empty()) {
    cEnq = "999";
    // The document keeps the code written; the item is looked up so that a const one is never touched.
    for (int i = 0; i < fNFe->Det.Count(); ++i)
      if (&fNFe->Det[i] == &item) fNFe->Det[i].Imposto.IPI.cEnq = cEnq;
  }
  g.EscreverGrupo("IPI", "O01");
  if (VersaoAbaixo(4))
    g.EscreverCampo(fcTexto, "O02", "clEnq", 1, 5, 0, ipi.clEnq, "Classe de enquadramento do IPI para Cigarros e Bebidas");
  g.EscreverCampo(fcTexto, "O03", "CNPJProd", 14, 14, 0, ipi.CNPJProd,
                  "CNPJ do produtor da mercadoria, quando diferente do emitente");
  g.EscreverCampo(fcTexto, "O04", "cSelo", 1, 60, 0, ipi.cSelo, "Código do selo");
  g.EscreverCampo(fcInteiro, "O05", "qSelo", 1, 12, 0, ipi.qSelo, "Quantidade de selo de controle");
  g.EscreverCampo(fcTexto, "O06", "cEnq", 3, 3, 1, cEnq, "Código de Enquadramento Legal do IPI");
  if (tributado) {
    const bool porUnidade = ipi.qUnid + ipi.vUnid > kZero;
    if (Arredondado(ipi.vBC) + ipi.pIPI > kZero && porUnidade)
      g.RegistrarAlerta("O07", "IPITrib", "IPI Tributável",
                        "As TAG <vBC> e <pIPI> não podem ser informadas em conjunto com as TAG <qUnid> e <vUnid>");
    g.EscreverGrupo("IPITrib", "O07");
    g.EscreverCampo(fcTexto, "O09", "CST", 2, 2, 1, CSTIpiParaTexto(ipi.CST), "Código da situação tributária ");
    if (porUnidade) {
      g.EscreverCampo(fcDecimal4, "O11", "qUnid", 1, 16, 1, ipi.qUnid,
                      "Quantidade total na unidade padrão para tributação (somente para os produtos tributados por unidade)");
      g.EscreverCampo(fcDecimal4, "O12", "vUnid", 1, 15, 1, ipi.vUnid, "Valor por Unidade Tributável");
    } else {
      g.EscreverCampo(fcDecimal2, "O10", "vBC", 1, 15, 1, ipi.vBC, "Valor da BC do ICMS");
      EscreverTaxa("O13", "pIPI", 1, ipi.pIPI, "Alíquota do IPI");
    }
    g.EscreverCampo(fcDecimal2, "O14", "vIPI", 1, 15, 1, ipi.vIPI, "Valor do Imposto sobre Produtos Industrializados");
    g.EscreverGrupo("/IPITrib");
  } else {
    g.EscreverGrupo("IPINT", "O08");
    g.EscreverCampo(fcTexto, "O09", "CST", 2, 2, 1, CSTIpiParaTexto(ipi.CST), "Código da situação tributária ");
    g.EscreverGrupo("/IPINT");
  }
  g.EscreverGrupo("/IPI");
}

void TNFeW::GerarDetImpostoII(const TDetCollectionItem& item) {
  const TII& ii = item.Imposto.II;
  const std::string cfop = Trim(item.Prod.CFOP);
  if (!(Valor(ii.vBC) || Valor(ii.vDespAdu) || Valor(ii.vII) || Valor(ii.vIOF) || (!cfop.empty() && cfop[0] == '3')))
    return;
  TGerador& g = *fGerador;
  g.EscreverGrupo("II", "P01");
  g.EscreverCampo(fcDecimal2, "P02", "vBC", 1, 15, 1, ii.vBC, "Valor da BC do ICMS");
  g.EscreverCampo(fcDecimal2, "P03", "vDespAdu", 1, 15, 1, ii.vDespAdu, "Valor das despesas aduaneiras");
  g.EscreverCampo(fcDecimal2, "P04", "vII", 1, 15, 1, ii.vII, "Valor do Imposto de Importação");
  g.EscreverCampo(fcDecimal2, "P04", "vIOF", 1, 15, 1, ii.vIOF, "Valor do Imposto sobre operações Financeiras");
  g.EscreverGrupo("/II");
}

// ---- PIS and COFINS ------------------------------------------------------------------------

namespace {

void Taxa(TGerador& g, bool v310, const std::string& id, const std::string& tag, TCurrency v, const std::string& d) {
  if (v310)
    g.EscreverCampo(fcDecimal4, id, tag, 1, 7, 1, v, d);
  else
    g.EscreverCampo(fcDecimal2, id, tag, 1, 5, 1, v, d);
}

// kind: 0 Aliq, 1 Qtde, 2 NT, 3 Outr.
void Contribuicao(TGerador& g, bool v310, int modelo, int tipo, bool isento, const std::string& cst, TCurrency vBC,
                  TCurrency p, TCurrency v, TCurrency qBCProd, TCurrency vAliqProd, const TNomesContribuicao& n) {
  const std::string grupo = n.grupo;
  if (modelo != 55 && !Valor(vBC) && p == kZero && !Valor(v) && qBCProd == kZero && vAliqProd == kZero && !isento)
    return;
  const bool porQtde = qBCProd + vAliqProd > kZero;
  auto cstCampo = [&] { g.EscreverCampo(fcTexto, n.ids[0], "CST", 2, 2, 1, cst, "Código da situação tributária "); };
  auto aliq = [&] {
    g.EscreverCampo(fcDecimal2, n.ids[1], "vBC", 1, 15, 1, vBC, "Valor da BC do ICMS");
    Taxa(g, v310, n.ids[2], n.tagP, p, n.descP);
  };
  auto qtde = [&] {
    g.EscreverCampo(fcDecimal4, n.ids[3], "qBCProd", 1, 16, 1, qBCProd, "BC da CIDE");
    g.EscreverCampo(fcDecimal4, n.ids[4], "vAliqProd", 1, 15, 1, vAliqProd, "Valor da alíquota (em reais)");
  };
  auto valor = [&] { g.EscreverCampo(fcDecimal2, n.ids[5], n.tagV, 1, 15, 1, v, n.descV); };
  g.EscreverGrupo(grupo, std::string(n.id) + "01");
  switch (tipo) {
    case 0:
      g.EscreverGrupo(grupo + "Aliq", std::string(n.id) + "02");
      cstCampo(); aliq(); valor();
      g.EscreverGrupo("/" + grupo + "Aliq");
      break;
    case 1:
      g.EscreverGrupo(grupo + "Qtde", std::string(n.id) + "03");
      cstCampo(); qtde(); valor();
      g.EscreverGrupo("/" + grupo + "Qtde");
      break;
    case 2:
      g.EscreverGrupo(grupo + "NT", std::string(n.id) + "04");
      cstCampo();
      g.EscreverGrupo("/" + grupo + "NT");
      break;
    default:
      if (Arredondado(vBC) + p > kZero && porQtde) g.RegistrarAlerta(std::string(n.id) + "05", grupo + "Outr", n.descOutr, n.alerta);
      g.EscreverGrupo(grupo + "Outr", std::string(n.id) + "05");
      cstCampo();
      if (porQtde) qtde(); else aliq();
      valor();
      g.EscreverGrupo("/" + grupo + "Outr");
      break;
  }
  g.EscreverGrupo("/" + grupo);
}

void ContribuicaoST(TGerador& g, bool v310, TCurrency vBC, TCurrency p, TCurrency qBCProd, TCurrency vAliqProd,
                    TCurrency v, const std::string& grupo, const std::string& l, const std::string& tagP,
                    const std::string& tagV, const std::string& descP, const std::string& descV,
                    const std::string& alerta, const std::string& descGrupo) {
  if (!(Valor(vBC) || p > kZero || qBCProd > kZero || vAliqProd > kZero || Valor(v))) return;
  const bool porAliquota = Arredondado(vBC) + p > kZero;
  const bool porQtde = qBCProd + vAliqProd > kZero;
  if (porAliquota && porQtde) g.RegistrarAlerta(l + "01", grupo, descGrupo, alerta);
  // The layout holds one group, of one form: a value without either form has nowhere to go.
  if (!porAliquota && !porQtde) g.RegistrarAlerta(l + "01", grupo, descGrupo, kAlertaConteudoInvalido);
  if (porAliquota) {
    g.EscreverGrupo(grupo, l + "01");
    g.EscreverCampo(fcDecimal2, l + "02", "vBC", 1, 15, 1, vBC, "Valor da BC do ICMS");
    Taxa(g, v310, l + "03", tagP, p, descP);
    g.EscreverCampo(fcDecimal2, l + "06", tagV, 1, 15, 1, v, descV);
    g.EscreverGrupo("/" + grupo);
  }
  if (porQtde && !porAliquota) {
    g.EscreverGrupo(grupo, l + "01");
    g.EscreverCampo(fcDecimal4, l + "04", "qBCProd", 1, 16, 1, qBCProd, "BC da CIDE");
    g.EscreverCampo(fcDecimal4, l + "05", "vAliqProd", 1, 15, 1, vAliqProd, "Valor da alíquota (em reais)");
    g.EscreverCampo(fcDecimal2, l + "06", tagV, 1, 15, 1, v, descV);
    g.EscreverGrupo("/" + grupo);
  }
}

const TNomesContribuicao kPIS = {"PIS", "Q", "pPIS", "vPIS", "Alíquota do PIS (em percentual)", "Valor do PIS",
                                 {"Q06", "Q07", "Q08", "Q10", "Q11", "Q09"},
                                 "As TAG <vBC> e <pPIS> não podem ser informadas em conjunto com as TAG <qBCProd> e <vAliqProd>",
                                 "Grupo PIS outras operações"};
const TNomesContribuicao kCOFINS = {"COFINS", "S", "pCOFINS", "vCOFINS", "Alíquota da COFINS (em percentual)",
                                    "Valor do COFINS", {"S06", "S07", "S08", "S09", "S10", "S11"},
                                    "As TAG <vBC> e <pCOFINS> não podem ser informadas em conjunto com as TAG <qBCProd> e <vAliqProd>",
                                    "Grupo PIS outras operações"};

}  // namespace

void TNFeW::GerarDetImpostoPIS(const TPIS& pis) {
  const TfscCSTPis c = pis.CST;
  const int tipo = c <= cstPis02 ? 0 : c == cstPis03 ? 1 : c <= cstPis09 ? 2 : 3;
  const bool isento = (c >= cstPis04 && c <= cstPis09) || c == cstPis49 || c == cstPis99;
  Contribuicao(*fGerador, Versao310OuSuperior(), fNFe->Ide.modelo, tipo, isento, CSTPisParaTexto(c), pis.vBC,
               pis.pPIS, pis.vPIS, pis.qBCProd, pis.vAliqProd, kPIS);
}

void TNFeW::GerarDetImpostoPISST(const TPISST& st) {
  ContribuicaoST(*fGerador, Versao310OuSuperior(), st.vBC, st.pPIS, st.qBCProd, st.vAliqProd, st.vPIS, "PISST", "R",
                 "pPIS", "vPIS", kPIS.descP, kPIS.descV, kPIS.alerta, "Grupo PIS outras operações");
}

void TNFeW::GerarDetImpostoCOFINS(const TCOFINS& cofins) {
  const TfscCSTCofins c = cofins.CST;
  const int tipo = c <= cstCofins02 ? 0 : c == cstCofins03 ? 1 : c <= cstCofins09 ? 2 : 3;
  const bool isento = (c >= cstCofins04 && c <= cstCofins09) || c == cstCofins49 || c == cstCofins99;
  Contribuicao(*fGerador, Versao310OuSuperior(), fNFe->Ide.modelo, tipo, isento, CSTCofinsParaTexto(c), cofins.vBC,
               cofins.pCOFINS, cofins.vCOFINS, cofins.qBCProd, cofins.vAliqProd, kCOFINS);
}

void TNFeW::GerarDetImpostoCOFINSST(const TCOFINSST& st) {
  ContribuicaoST(*fGerador, Versao310OuSuperior(), st.vBC, st.pCOFINS, st.qBCProd, st.vAliqProd, st.vCOFINS,
                 "COFINSST", "T", "pCOFINS", "vCOFINS", kCOFINS.descP, kCOFINS.descV, kCOFINS.alerta,
                 "Grupo de COFINS Substituição Tributária");
}

// ---- ISSQN and ICMSUFDest ------------------------------------------------------------------

void TNFeW::GerarDetImpostoISSQN(const TISSQN& s) {
  if (!(Valor(s.vBC) || s.vAliq > kZero || Valor(s.vISSQN) || s.cMunFG >= 1 || !s.cListServ.empty())) return;
  TGerador& g = *fGerador;
  g.EscreverGrupo("ISSQN", "U01");
  g.EscreverCampo(fcDecimal2, "U02", "vBC", 1, 15, 1, s.vBC, "Valor da Base de Cálculo do ISSQN");
  EscreverTaxa("U03", "vAliq", 1, s.vAliq, "Alíquota");
  g.EscreverCampo(fcDecimal2, "U04", "vISSQN", 1, 15, 1, s.vISSQN, "Valor do Imposto sobre Serviço de Qualquer Natureza");
  g.EscreverCampo(fcInteiro, "U05", "cMunFG", 7, 7, 1, s.cMunFG, "Código do Município FG");
  AlertaMunicipio("U05", "cMunFG", "Código do Município FG", s.cMunFG);
  if (Versao310OuSuperior())
    g.EscreverCampo(fcTexto, "U06", "cListServ", 5, 5, 1, s.cListServ, "Lista Prestação de Serviços");
  else
    g.EscreverCampo(fcTexto, "U06", "cListServ", 3, 4, 1, s.cListServ, "Lista Prestação de Serviços");
  if (fOpcoes.ValidarListaServicos() && !s.cListServ.empty()) {
    std::string codigo = s.cListServ;
    if (Versao310OuSuperior()) codigo = codigo.substr(0, 2) + (codigo.size() > 3 ? codigo.substr(3, 2) : "");
    if (!ValidarItemListaServico(InteiroOuZero(codigo)))
      g.RegistrarAlerta("U06", "cListServ", "Lista Prestação de Serviços", kAlertaConteudoInvalido);
  }
  if (VersaoAoMenos(2) && VersaoAbaixo(3))
    g.EscreverCampo(fcTexto, "U07", "cSitTrib", 1, 1, 1, CSitTribParaTexto(s.cSitTrib), "Código de Tributação do ISSQN");
  if (Versao310OuSuperior()) {
    g.EscreverCampo(fcDecimal2, "U07", "vDeducao", 1, 15, 0, s.vDeducao, "Valor da Dedução");
    g.EscreverCampo(fcDecimal2, "U08", "vOutro", 1, 15, 0, s.vOutro, "Valor Outras Deduções");
    g.EscreverCampo(fcDecimal2, "U09", "vDescIncond", 1, 15, 0, s.vDescIncond, "Valor Desconto Incondicionado");
    g.EscreverCampo(fcDecimal2, "U10", "vDescCond", 1, 15, 0, s.vDescCond, "Valor Desconto Condicionado");
    g.EscreverCampo(fcDecimal2, "U12", "vISSRet", 1, 15, 0, s.vISSRet, "Valor Retenção ISS");
    g.EscreverCampo(fcTexto, "U13", "indISS", 1, 1, 1, IndISSParaTexto(s.indISS), "Indicador da Exigibilidade do ISS");
    g.EscreverCampo(fcTexto, "U14", "cServico", 1, 20, 0, s.cServico, "Código do Serviço");
    g.EscreverCampo(fcInteiro, "U15", "cMun", 1, 7, 0, s.cMun, "Código do Município");
    g.EscreverCampo(fcInteiro, "U16", "cPais", 1, 4, 0, s.cPais, "Código do País");
    g.EscreverCampo(fcTexto, "U17", "nProcesso", 1, 30, 0, s.nProcesso, "Número do Processo");
    g.EscreverCampo(fcTexto, "U18", "indIncentivo", 1, 1, 1, IndIncentivoParaTexto(s.indIncentivo),
                    "Indicador de Incentivo Fiscal");
  }
  g.EscreverGrupo("/ISSQN");
}

void TNFeW::GerarDetImpostoICMSUFDest(const TICMSUFDest& u) {
  TGerador& g = *fGerador;
  g.EscreverGrupo("ICMSUFDest", "NA01");
  g.EscreverCampo(fcDecimal2, "NA03", "vBCUFDest", 1, 15, 1, u.vBCUFDest, "Valor da BC do ICMS na UF do destinatário");
  if (VersaoAoMenos(4))
    g.EscreverCampo(fcDecimal2, "NA04", "vBCFCPUFDest", 1, 15, 1, u.vBCFCPUFDest,
                    "Valor da BC do ICMS na UF do destinatário");
  EscreverTaxa("NA05", "pFCPUFDest", 1, u.pFCPUFDest, "Alíquota do ICMS realtivo ao Fundo de Combate à Pobreza");
  EscreverTaxa("NA07", "pICMSUFDest", 1, u.pICMSUFDest, "Alíquota interna da UF do destinatário");
  g.EscreverCampo(fcDecimal2, "NA09", "pICMSInter", 1, 5, 1, u.pICMSInter, "Alíquota interestadual das UF envolvidas");
  EscreverTaxa("NA11", "pICMSInterPart", 1, u.pICMSInterPart, "Percentual provisório de partilha entre os Estados");
  g.EscreverCampo(fcDecimal2, "NA13", "vFCPUFDest", 1, 15, 1, u.vFCPUFDest,
                  "Valor do ICMS realtivo ao Fundo de Combate à Pobreza");
  g.EscreverCampo(fcDecimal2, "NA15", "vICMSUFDest", 1, 15, 1, u.vICMSUFDest,
                  "Valor do ICMS de partilha para a UF do destinatário");
  g.EscreverCampo(fcDecimal2, "NA17", "vICMSUFRemet", 1, 15, 1, u.vICMSUFRemet,
                  "Valor do ICMS de partilha para a UF do remetente");
  g.EscreverGrupo("/ICMSUFDest");
}

}  // namespace tuim
