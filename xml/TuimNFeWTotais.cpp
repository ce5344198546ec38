// The groups after the items (total, transp, cobr, pag, infAdic, exporta, compra, cana,
// infRespTec) and the closing part of the document (infNFeSupl, signature, protNFe).
#include <initializer_list>
#include <string>

#include "fiscal/TuimDFeUtil.h"
#include "fiscal/TuimUtil.h"
#include "fiscal/fscAuxiliar.h"
#include "fiscal/fscConversaoNFe.h"
#include "xml/TuimNFeW.h"
#include "xml/TuimProcNFe.h"
#include "xml/TuimSignature.h"

namespace tuim {

namespace {

const char* const kIsentoTransp = "ISENTO";
const char* const kDescVServ = "Valor total dos Serviços sob não incidência ou não Tributados pelo ICMS  / Valor do Serviço";

bool Positivo(TCurrency v) { return v.Raw() > 0; }

bool AlgumPositivo(std::initializer_list<TCurrency> valores) {
  for (TCurrency v : valores)
    if (Positivo(v)) return true;
  return false;
}

bool Preenchido(const std::string& s) { return !Trim(s).empty(); }

// Protocol values are free texts of the tax authority: markup characters must not break the
// document they are appended to.
std::string Escapar(const std::string& s) { return TratarEntidades(s, false); }

}  // namespace

// ---- total ---------------------------------------------------------------------------------

void TNFeW::GerarTotal() {
  TGerador& g = *fGerador;
  g.EscreverGrupo("total", "W01");
  GerarTotalICMSTot();
  GerarTotalISSQNtot();
  GerarTotalRetTrib();
  GerarTotalISTot();
  GerarTotalIBSCBSTot();
  GerarTotalVNFTot();
  g.EscreverGrupo("/total");
}

void TNFeW::GerarTotalICMSTot() {
  TGerador& g = *fGerador;
  const TICMSTot& t = fNFe->Total.ICMSTot;
  // The totals go out as the document holds them; the items are not added up here.
  g.EscreverGrupo("ICMSTot", "W02");
  g.EscreverCampo(fcDecimal2, "W03", "vBC", 1, 15, 1, t.vBC, "Valor da BC do ICMS");
  g.EscreverCampo(fcDecimal2, "W04", "vICMS", 1, 15, 1, t.vICMS, "Valor do ICMS");
  if (VersaoAoMenos(3.10)) {
    g.EscreverCampo(fcDecimal2, "W04a", "vICMSDeson", 1, 15, 1, t.vICMSDeson, "Valor do ICMS Desoneração");
    g.EscreverCampo(fcDecimal2, "W04c", "vFCPUFDest", 1, 15, 0, t.vFCPUFDest, "Valor do ICMS");
    g.EscreverCampo(fcDecimal2, "W04e", "vICMSUFDest", 1, 15, 0, t.vICMSUFDest, "Valor do ICMS");
    g.EscreverCampo(fcDecimal2, "W04g", "vICMSUFRemet", 1, 15, 0, t.vICMSUFRemet, "Valor do ICMS");
  }
  if (VersaoAoMenos(4))
    g.EscreverCampo(fcDecimal2, "W04h", "vFCP", 1, 15, 1, t.vFCP,
                    "Valor do ICMS relativo ao Fundo de Combate à Pobreza (FCP)");
  g.EscreverCampo(fcDecimal2, "W05", "vBCST", 1, 15, 1, t.vBCST, "Valor da BC do ICMS ST");
  g.EscreverCampo(fcDecimal2, "W06", "vST", 1, 15, 1, t.vST, "Valor TOTAL Icms substituição Tributária");
  if (VersaoAoMenos(4)) {
    g.EscreverCampo(fcDecimal2, "W06a", "vFCPST", 1, 15, 1, t.vFCPST, "Valor do FCP retido por Substituição Tributária");
    g.EscreverCampo(fcDecimal2, "W06b", "vFCPSTRet", 1, 15, 1, t.vFCPSTRet,
                    "Valor do FCP retido por Substituição Tributária");
  }
  g.EscreverCampo(fcDecimal2, "W07", "vProd", 1, 15, 1, t.vProd, "Valor Total Bruto dos Produtos ou Serviços");
  g.EscreverCampo(fcDecimal2, "W08", "vFrete", 1, 15, 1, t.vFrete, "Valor Total do Frete");
  g.EscreverCampo(fcDecimal2, "W09", "vSeg", 1, 15, 1, t.vSeg, "Valor Total do Seguro");
  g.EscreverCampo(fcDecimal2, "W10", "vDesc", 1, 15, 1, t.vDesc, "Valor do desconto");
  g.EscreverCampo(fcDecimal2, "W11", "vII", 1, 15, 1, t.vII, "Valor do Imposto de Importação");
  g.EscreverCampo(fcDecimal2, "W12", "vIPI", 1, 15, 1, t.vIPI, "Valor do Imposto sobre Produtos Industrializados");
  if (VersaoAoMenos(4))
    g.EscreverCampo(fcDecimal2, "W12a", "vIPIDevol", 1, 15, 1, t.vIPIDevol, "Valor do IPI Devolvido");
  g.EscreverCampo(fcDecimal2, "W13", "vPIS", 1, 15, 1, t.vPIS, "Valor do PIS");
  g.EscreverCampo(fcDecimal2, "W14", "vCOFINS", 1, 15, 1, t.vCOFINS, "Valor do COFINS");
  g.EscreverCampo(fcDecimal2, "W15", "vOutro", 1, 15, 1, t.vOutro, "Outras Despesas Acessórias");
  g.EscreverCampo(fcDecimal2, "W16", "vNF", 1, 15, 1, t.vNF, "Valor Total do DF-e");
  g.EscreverCampo(fcDecimal2, "W16a", "vTotTrib", 1, 15, 0, t.vTotTrib, "Valor Aproximado Total de Tributos");
  g.EscreverGrupo("/ICMSTot");
}

void TNFeW::GerarTotalISSQNtot() {
  TGerador& g = *fGerador;
  const TISSQNtot& t = fNFe->Total.ISSQNtot;
  if (!AlgumPositivo({t.vServ, t.vBC, t.vISS, t.vPIS, t.vCOFINS})) return;
  g.EscreverGrupo("ISSQNtot", "W17");
  g.EscreverCampo(fcDecimal2, "W18", "vServ", 1, 15, 0, t.vServ, kDescVServ);
  g.EscreverCampo(fcDecimal2, "W19", "vBC", 1, 15, 0, t.vBC, "Valor da BC do ICMS");
  g.EscreverCampo(fcDecimal2, "W20", "vISS", 1, 15, 0, t.vISS, "Valor do Imposto sobre Serviço");
  g.EscreverCampo(fcDecimal2, "W21", "vPIS", 1, 15, 0, t.vPIS, "Valor do PIS");
  g.EscreverCampo(fcDecimal2, "W22", "vCOFINS", 1, 15, 0, t.vCOFINS, "Valor do COFINS");
  if (VersaoAoMenos(3.10)) {
    g.EscreverCampo(fcData, "W22a", "dCompet", 10, 10, 1, t.dCompet, "Data da Prestação do Serviço");
    g.EscreverCampo(fcDecimal2, "W22b", "vDeducao", 1, 15, 0, t.vDeducao, "Valor da Dedução");
    g.EscreverCampo(fcDecimal2, "W22c", "vOutro", 1, 15, 0, t.vOutro, "Valor Outras Deduções");
    g.EscreverCampo(fcDecimal2, "W22d", "vDescIncond", 1, 15, 0, t.vDescIncond, "Valor Desconto Incondicionado");
    g.EscreverCampo(fcDecimal2, "W22e", "vDescCond", 1, 15, 0, t.vDescCond, "Valor Desconto Condicionado");
    g.EscreverCampo(fcDecimal2, "W22f", "vISSRet", 1, 15, 0, t.vISSRet, "Valor Retenção ISS");
    if (t.cRegTrib != cRegTrib0)
      g.EscreverCampo(fcTexto, "W22g", "cRegTrib", 1, 1, 0, CRegTribParaTexto(t.cRegTrib),
                      "Código do Regime Especial de Tributação");
  }
  g.EscreverGrupo("/ISSQNtot");
}

void TNFeW::GerarTotalRetTrib() {
  TGerador& g = *fGerador;
  const TretTrib& t = fNFe->Total.retTrib;
  if (!AlgumPositivo({t.vRetPIS, t.vRetCOFINS, t.vRetCSLL, t.vBCIRRF, t.vIRRF, t.vBCRetPrev, t.vRetPrev})) return;
  g.EscreverGrupo("retTrib", "W23");
  g.EscreverCampo(fcDecimal2, "W24", "vRetPIS", 1, 15, 0, t.vRetPIS, "Valor Retido do PIS");
  g.EscreverCampo(fcDecimal2, "W25", "vRetCOFINS", 1, 15, 0, t.vRetCOFINS, "Valor Retido do COFINS");
  g.EscreverCampo(fcDecimal2, "W26", "vRetCSLL", 1, 15, 0, t.vRetCSLL,
                  "Valor Retido da CONTRIBUIÇÃO SOCIAL SOBRE O LUCRO LÍQUIDO");
  g.EscreverCampo(fcDecimal2, "W27", "vBCIRRF", 1, 15, 0, t.vBCIRRF, "Base de Cálculo do IRRF");
  g.EscreverCampo(fcDecimal2, "W28", "vIRRF", 1, 15, 0, t.vIRRF, "Valor do Imposto de Renda Retido na Fonte");
  g.EscreverCampo(fcDecimal2, "W29", "vBCRetPrev", 1, 15, 0, t.vBCRetPrev,
                  "Base de Cálculo da Retenção da Previdência Social");
  g.EscreverCampo(fcDecimal2, "W30", "vRetPrev", 1, 15, 0, t.vRetPrev, "Valor da Retenção da Previdência Social");
  g.EscreverGrupo("/retTrib");
}

// ---- transp --------------------------------------------------------------------------------

void TNFeW::GerarTransp() {
  TGerador& g = *fGerador;
  const TTransp& t = fNFe->Transp;
  g.EscreverGrupo("transp", "X01");
  g.EscreverCampo(fcTexto, "X02", "modFrete", 1, 1, 1, ModFreteParaTexto(t.modFrete), "Modalidade do Frete");
  GerarTranspTransporta();
  GerarTranspRetTransp();
  GerarTranspVeicTransp();
  GerarTranspReboque();
  g.EscreverCampo(fcTexto, "X25a", "vagao", 1, 20, 0, t.vagao, "Identificação do vagão");
  g.EscreverCampo(fcTexto, "X25b", "balsa", 1, 20, 0, t.balsa, "Identificação da balsa");
  GerarTranspVol();
  g.EscreverGrupo("/transp");
}

void TNFeW::GerarTranspTransporta() {
  TGerador& g = *fGerador;
  const TTransporta& t = fNFe->Transp.Transporta;
  if (!Preenchido(t.CNPJCPF) && !Preenchido(t.xNome) && !Preenchido(t.IE) && !Preenchido(t.xEnder) &&
      !Preenchido(t.xMun) && !Preenchido(t.UF))
    return;
  g.EscreverGrupo("transporta", "X03");
  if (Preenchido(t.CNPJCPF)) g.EscreverCampoCNPJCPF("X04", "X05", t.CNPJCPF, true, true);
  g.EscreverCampo(fcTexto, "X06", "xNome", 1, 60, 0, t.xNome, "Razão Social ou Nome");
  if (Trim(t.IE) == kIsentoTransp) {
    g.EscreverCampo(fcTexto, "X07", "IE", 2, 14, 0, Trim(t.IE), "Inscrição Estadual");
  } else {
    const std::string ie = SomenteNumeros(t.IE);
    g.EscreverCampo(fcTexto, "X07", "IE", 2, 14, 0, ie, "Inscrição Estadual");
    if (fOpcoes.ValidarInscricoes() && !ie.empty() && !ValidarIE(ie, Trim(t.UF)))
      g.RegistrarAlerta("X07", "IE", "Inscrição Estadual", kAlertaConteudoInvalido);
  }
  g.EscreverCampo(fcTexto, "X08", "xEnder", 1, 60, 0, t.xEnder, "Endereço Completo");
  g.EscreverCampo(fcTexto, "X09", "xMun", 1, 60, 0, t.xMun, "Nome do Município");
  if (Preenchido(t.UF)) {
    g.EscreverCampo(fcTexto, "X10", "UF", 1, 2, 0, t.UF, "Sigla da UF");
    AlertaUF("X10", "UF", "Sigla da UF", Trim(t.UF));
  }
  g.EscreverGrupo("/transporta");
}

void TNFeW::GerarTranspRetTransp() {
  TGerador& g = *fGerador;
  const TretTransp& t = fNFe->Transp.retTransp;
  if (!AlgumPositivo({t.vServ, t.vBCRet, t.pICMSRet, t.vICMSRet}) && !Preenchido(t.CFOP) && t.cMunFG <= 0) return;
  g.EscreverGrupo("retTransp", "X11");
  g.EscreverCampo(fcDecimal2, "X12", "vServ", 1, 15, 1, t.vServ, kDescVServ);
  g.EscreverCampo(fcDecimal2, "X13", "vBCRet", 1, 15, 1, t.vBCRet, "BC da Retenção do ICMS");
  g.EscreverCampo(fcDecimal2, "X14", "pICMSRet", 1, 5, 1, t.pICMSRet, "Alíquota da Retenção");
  g.EscreverCampo(fcDecimal2, "X15", "vICMSRet", 1, 15, 1, t.vICMSRet, "Valor do ICMS Retido");
  g.EscreverCampo(fcDigitos, "X16", "CFOP", 4, 4, 1, SomenteNumeros(t.CFOP), "CFOP");
  g.EscreverCampo(fcTexto, "X17", "cMunFG", 7, 7, 1, std::to_string(t.cMunFG), "Código do Município FG");
  AlertaMunicipio("X17", "cMunFG", "Código do Município FG", t.cMunFG);
  g.EscreverGrupo("/retTransp");
}

void TNFeW::GerarTranspVeicTransp() {
  TGerador& g = *fGerador;
  const TveicTransp& v = fNFe->Transp.veicTransp;
  if (!Preenchido(v.placa) && !Preenchido(v.UF) && !Preenchido(v.RNTC)) return;
  g.EscreverGrupo("veicTransp", "X18");
  g.EscreverCampo(fcTexto, "X19", "placa", 6, 7, 1, v.placa, "Placa do Veículo");
  g.EscreverCampo(fcTexto, "X20", "UF", 2, 2, 1, v.UF, "Sigla da UF");
  AlertaUF("X20", "UF", "Sigla da UF", v.UF);
  g.EscreverCampo(fcTexto, "X21", "RNTC", 1, 20, 0, v.RNTC, "Registro Nacional de Transportador de Carga (ANTT)");
  g.EscreverGrupo("/veicTransp");
}

void TNFeW::GerarTranspReboque() {
  TGerador& g = *fGerador;
  const TreboqueCollection& lista = fNFe->Transp.Reboque;
  AlertaOcorrencias("X22", "reboque", "Reboque", static_cast<std::size_t>(lista.Count()), 5);
  for (const TreboqueCollectionItem& r : lista) {
    g.EscreverGrupo("reboque", "X22");
    g.EscreverCampo(fcTexto, "X23", "placa", 6, 7, 1, r.placa, "Placa do Veículo");
    g.EscreverCampo(fcTexto, "X24", "UF", 2, 2, 1, r.UF, "Sigla da UF");
    AlertaUF("X24", "UF", "Sigla da UF", r.UF);
    g.EscreverCampo(fcTexto, "X25", "RNTC", 1, 20, 0, r.RNTC, "Registro Nacional de Transportador de Carga (ANTT)");
    g.EscreverGrupo("/reboque");
  }
}

void TNFeW::GerarTranspVol() {
  TGerador& g = *fGerador;
  for (const TVolCollectionItem& v : fNFe->Transp.Vol) {
    g.EscreverGrupo("vol", "X26");
    g.EscreverCampo(fcInteiro, "X27", "qVol", 1, 15, 1, v.qVol, "Quantidade de volumes transportados");
    g.EscreverCampo(fcTexto, "X28", "esp", 1, 60, 0, v.esp, "Espécie dos volumes transportados");
    g.EscreverCampo(fcTexto, "X29", "marca", 1, 60, 0, v.marca, "Marca dos volumes transportados");
    g.EscreverCampo(fcTexto, "X30", "nVol", 1, 60, 0, v.nVol, "Numeração dos volumes transportados");
    g.EscreverCampo(fcDecimal3, "X31", "pesoL", 1, 15, 0, v.pesoL, "Peso Líquido (em kg)");
    g.EscreverCampo(fcDecimal3, "X32", "pesoB", 1, 15, 0, v.pesoB, "Peso Bruto (em kg)");
    for (const TLacresCollectionItem& l : v.Lacres) {
      g.EscreverGrupo("lacres", "X33");
      g.EscreverCampo(fcTexto, "X34", "nLacre", 1, 60, 1, l.nLacre, "Número dos Lacres");
      g.EscreverGrupo("/lacres");
    }
    g.EscreverGrupo("/vol");
  }
}

// ---- cobr ----------------------------------------------------------------------------------

void TNFeW::GerarCobr() {
  TGerador& g = *fGerador;
  const TCobr& c = fNFe->Cobr;
  if (!Preenchido(c.Fat.nFat) && !AlgumPositivo({c.Fat.vOrig, c.Fat.vDesc, c.Fat.vLiq}) && c.Dup.Empty()) return;
  g.EscreverGrupo("cobr", "Y01");
  GerarCobrFat();
  GerarCobrDup();
  g.EscreverGrupo("/cobr");
}

void TNFeW::GerarCobrFat() {
  TGerador& g = *fGerador;
  const TFat& f = fNFe->Cobr.Fat;
  if (!Preenchido(f.nFat) && !AlgumPositivo({f.vOrig, f.vDesc, f.vLiq})) return;
  const int occ = fOpcoes.CamposFatObrigatorios() && VersaoAoMenos(4) ? 1 : 0;
  g.EscreverGrupo("fat", "Y02");
  g.EscreverCampo(fcTexto, "Y03", "nFat", 1, 60, occ, f.nFat, "Número da fatura");
  g.EscreverCampo(fcDecimal2, "Y04", "vOrig", 1, 15, occ, f.vOrig, "Valor Original da Fatura");
  g.EscreverCampo(fcDecimal2, "Y05", "vDesc", 1, 15, occ, f.vDesc, "Valor do desconto");
  g.EscreverCampo(fcDecimal2, "Y06", "vLiq", 1, 15, occ, f.vLiq, "Valor Líquido da Fatura");
  g.EscreverGrupo("/fat");
}

void TNFeW::GerarCobrDup() {
  TGerador& g = *fGerador;
  const TDupCollection& lista = fNFe->Cobr.Dup;
  const int occ = VersaoAoMenos(4) ? 1 : 0;
  for (const TDupCollectionItem& d : lista) {
    g.EscreverGrupo("dup", "Y07");
    g.EscreverCampo(fcTexto, "Y08", "nDup", 1, 60, occ, d.nDup, "Número da duplicata");
    g.EscreverCampo(fcData, "Y09", "dVenc", 10, 10, occ, d.dVenc, "Data de vencimento");
    g.EscreverCampo(fcDecimal2, "Y10", "vDup", 1, 15, 1, d.vDup, "Valor da duplicata");
    g.EscreverGrupo("/dup");
  }
  AlertaOcorrencias("Y07", "dup", "Numero do item", static_cast<std::size_t>(lista.Count()), 120);
}

// ---- pag -----------------------------------------------------------------------------------

void TNFeW::GerarPag() {
  TGerador& g = *fGerador;
  const TpagCollection& lista = fNFe->pag;
  // From layout 4.00 one pag holds every payment as a detPag; before it each payment is a pag.
  const bool detPag = VersaoAoMenos(4);
  if (detPag) g.EscreverGrupo("pag", "YA01");
  for (const TpagCollectionItem& p : lista) {
    if (detPag) {
      g.EscreverGrupo("detPag", "YA01a");
      g.AbrirRegistroTXT("YA");  // one text record per payment, card included
      g.EscreverCampo(fcTexto, "YA01b", "indPag", 1, 1, 0, IndPagParaTexto(p.indPag),
                      "Indicador da forma de pagamento");
    } else {
      g.EscreverGrupo("pag", "YA01");
      g.AbrirRegistroTXT("YA");
    }
    g.EscreverCampo(fcTexto, "YA02", "tPag", 2, 2, 1, TPagParaTexto(p.tPag), "Forma de Pagamento");
    g.EscreverCampo(fcDecimal2, "YA03", "vPag", 1, 15, 1, p.vPag, "Valor do Pagamento");
    GerarPagCard(p);
    g.EscreverGrupo(detPag ? "/detPag" : "/pag");
  }
  if (detPag) {
    if (lista.vTroco > TCurrency()) g.AbrirRegistroTXT("YA09");
    g.EscreverCampo(fcDecimal2, "YA09", "vTroco", 1, 15, 0, lista.vTroco, "Valor do Pagamento");
    g.EscreverGrupo("/pag");
  }
  AlertaOcorrencias("YA01", "pag", "", static_cast<std::size_t>(lista.Count()), 100);
}

void TNFeW::GerarPagCard(const TpagCollectionItem& p) {
  TGerador& g = *fGerador;
  if (p.tPag != tPag03 && p.tPag != tPag04) return;
  if (p.tpIntegra == tpIntegraVazio && p.CNPJ.empty()) return;
  g.EscreverGrupo("card", "YA04");
  g.EscreverCampo(fcTexto, "YA04a", "tpIntegra", 1, 1, 1, TpIntegraParaTexto(p.tpIntegra),
                  "Tipo de Integração para pagamento");
  g.EscreverCampo(fcTexto, "YA05", "CNPJ", 14, 14, 0, p.CNPJ, "CNPJ(MF)");
  // Brand and authorization stand on their own: a payment made without the acquirer's CNPJ
  // still has them. The brand has no empty value; without a CNPJ it goes when it is not the
  // default or when an authorization is given.
  if (!p.CNPJ.empty() || !Trim(p.cAut).empty() || p.tBand != tBand01)
    g.EscreverCampo(fcTexto, "YA06", "tBand", 2, 2, 0, TBandParaTexto(p.tBand), "Bandeira da Operadora de Cartão");
  g.EscreverCampo(fcTexto, "YA07", "cAut", 1, 20, 0, p.cAut, "Número da Autorização");
  g.EscreverGrupo("/card");
}

// ---- infAdic -------------------------------------------------------------------------------

void TNFeW::GerarInfAdic() {
  TGerador& g = *fGerador;
  const TInfAdic& a = fNFe->InfAdic;
  if (!Preenchido(a.infAdFisco) && !Preenchido(a.infCpl) && a.obsCont.Empty() && a.obsFisco.Empty() &&
      a.procRef.Empty())
    return;
  g.EscreverGrupo("infAdic", "Z01");
  g.EscreverCampo(fcTexto, "Z02", "infAdFisco", 1, 2000, 0, a.infAdFisco, "Informações adicionais de interesse do Fisco");
  g.EscreverCampo(fcTexto, "Z03", "infCpl", 1, 5000, 0, a.infCpl,
                  "Informações complementares de interesse do contribuinte");

  AlertaOcorrencias("Z04", "obsCont", "Observações de interesse do contribuite",
                    static_cast<std::size_t>(a.obsCont.Count()), 10);
  for (const TobsContCollectionItem& o : a.obsCont)
    GerarInfAdicObs("obsCont", Trim(o.xCampo), o.xTexto, "Z04", "ZO5", "Z06");

  AlertaOcorrencias("Z07", "obsFisco", "Observações de interesse do fisco",
                    static_cast<std::size_t>(a.obsFisco.Count()), 10);
  for (const TobsFiscoCollectionItem& o : a.obsFisco)
    GerarInfAdicObs("obsFisco", Trim(o.xCampo), o.xTexto, "Z07", "ZO8", "Z09");

  GerarInfAdicProcRef();
  g.EscreverGrupo("/infAdic");
}

void TNFeW::GerarInfAdicObs(const std::string& grupo, const std::string& xCampo, const std::string& xTexto,
                            const std::string& idGrupo, const std::string& idCampo, const std::string& idTexto) {
  TGerador& g = *fGerador;
  // The attribute takes the trimmed text, with markup characters escaped so that a quote cannot
  // end the attribute early.
  g.EscreverGrupo(grupo + " xCampo=\"" + Escapar(xCampo) + "\"", idGrupo);
  const std::string campo = Trim(xCampo);
  if (campo.size() > 20)
    g.RegistrarAlerta(idCampo, "xCampo", "Identificação do Campo", kAlertaTamanhoMaior);
  else if (campo.empty())
    g.RegistrarAlerta(idCampo, "xCampo", "Identificação do Campo", kAlertaNenhumValor);
  g.EscreverCampo(fcTexto, idTexto, "xTexto", 1, 60, 1, xTexto, "Conteúdo do Campo");
  g.EscreverGrupo("/" + grupo);
}

void TNFeW::GerarInfAdicProcRef() {
  TGerador& g = *fGerador;
  for (const TprocRefCollectionItem& p : fNFe->InfAdic.procRef) {
    g.EscreverGrupo("procRef", "Z10");
    g.EscreverCampo(fcTexto, "Z11", "nProc", 1, 60, 1, p.nProc, "Identificador do processo ou ato concessório");
    g.EscreverCampo(fcTexto, "Z12", "indProc", 1, 1, 1, IndProcParaTexto(p.indProc), "Indicador da origem do processo");
    g.EscreverGrupo("/procRef");
  }
}

// ---- exporta, compra and cana --------------------------------------------------------------

void TNFeW::GerarExporta() {
  TGerador& g = *fGerador;
  const TExporta& e = fNFe->exporta;
  const char* descUF = "Sigla da UF onde ocorrerá o embarque dos produtos";
  const char* descLocal = "Local onde ocorrerá o embarque dos produtos";
  if (VersaoAbaixo(3.10)) {
    if (Trim(e.UFEmbarq + e.xLocEmbarq).empty()) return;
    g.EscreverGrupo("exporta", "ZA01");
    g.EscreverCampo(fcTexto, "ZA02", "UFEmbarq", 2, 2, 1, e.UFEmbarq, descUF);
    AlertaUF("ZA02", "UFEmbarq", descUF, e.UFEmbarq);
    g.EscreverCampo(fcTexto, "ZA03", "xLocEmbarq", 1, 60, 1, e.xLocEmbarq, descLocal);
  } else {
    if (Trim(e.UFSaidaPais + e.xLocExporta).empty()) return;
    g.EscreverGrupo("exporta", "ZA01");
    g.EscreverCampo(fcTexto, "ZA02", "UFSaidaPais", 2, 2, 1, e.UFSaidaPais, descUF);
    AlertaUF("ZA02", "UFSaidaPais", descUF, e.UFSaidaPais);
    g.EscreverCampo(fcTexto, "ZA03", "xLocExporta", 1, 60, 1, e.xLocExporta, descLocal);
    g.EscreverCampo(fcTexto, "ZA04", "xLocDespacho", 1, 60, 0, e.xLocDespacho, "Local de Despacho");
  }
  g.EscreverGrupo("/exporta");
}

void TNFeW::GerarCompra() {
  TGerador& g = *fGerador;
  const TCompra& c = fNFe->compra;
  if (Trim(c.xNEmp + c.xPed + c.xCont).empty()) return;
  g.EscreverGrupo("compra", "ZB01");
  g.EscreverCampo(fcTexto, "ZB02", "xNEmp", 1, 22, 0, c.xNEmp, "Nota de Empenho");
  g.EscreverCampo(fcTexto, "ZB03", "xPed", 1, 60, 0, c.xPed, "Pedido");
  g.EscreverCampo(fcTexto, "ZB04", "xCont", 1, 60, 0, c.xCont, "Contrato");
  g.EscreverGrupo("/compra");
}

void TNFeW::GerarCana() {
  TGerador& g = *fGerador;
  const TCana& c = fNFe->cana;
  if (!Preenchido(c.safra) && !Preenchido(c.ref) && c.fordia.Empty() && c.deduc.Empty()) return;
  g.EscreverGrupo("cana", "ZC01");
  g.AbrirRegistroTXT("ZC");
  g.EscreverCampo(fcTexto, "ZC02", "safra", 4, 9, 0, c.safra, "Identificação da safra");
  g.EscreverCampo(fcTexto, "ZC03", "ref", 4, 9, 0, c.ref, "Mês e ano de referência");
  AlertaOcorrencias("ZC04", "forDia", "Grupo de Fornecimento diário de cana", static_cast<std::size_t>(c.fordia.Count()),
                    31);
  for (const TForDiaCollectionItem& d : c.fordia) {
    g.EscreverGrupo("forDia dia=\"" + std::to_string(d.dia) + "\"", "ZC04");
    g.EscreverCampo(fcDecimal10, "ZC06", "qtde", 11, 21, 1, d.qtde, "Quantidade");
    g.EscreverGrupo("/forDia");
  }
  g.EscreverCampo(fcDecimal10, "ZC07", "qTotMes", 1, 21, 1, c.qTotMes, "Quantidade Total do Mês");
  g.EscreverCampo(fcDecimal10, "ZC08", "qTotAnt", 1, 21, 1, c.qTotAnt, "Quantidade Total Anterior");
  g.EscreverCampo(fcDecimal10, "ZC09", "qTotGer", 1, 21, 1, c.qTotGer, "Quantidade Total Geral");
  AlertaOcorrencias("ZC10", "deduc", "Grupo de Deduções – Taxas e Contribuições",
                    static_cast<std::size_t>(c.deduc.Count()), 10);
  for (const TDeducCollectionItem& d : c.deduc) {
    g.EscreverGrupo("deduc", "ZC10");
    g.EscreverCampo(fcTexto, "ZC11", "xDed", 1, 60, 1, d.xDed, "Descrição da Dedução");
    g.EscreverCampo(fcDecimal2, "ZC12", "vDed", 1, 15, 1, d.vDed, "Valor da Dedução");
    g.EscreverGrupo("/deduc");
  }
  g.EscreverCampo(fcDecimal2, "ZC13", "vFor", 1, 15, 1, c.vFor, "Valor dos Fornecimentos");
  g.EscreverCampo(fcDecimal2, "ZC14", "vTotDed", 1, 15, 1, c.vTotDed, "Valor Total da Dedução");
  g.EscreverCampo(fcDecimal2, "ZC15", "vLiqFor", 1, 15, 1, c.vLiqFor, "Valor Líquido dos Fornecimentos");
  g.EscreverGrupo("/cana");
}

// ---- infRespTec ----------------------------------------------------------------------------

void TNFeW::GerarInfRespTec() {
  TGerador& g = *fGerador;
  const TinfRespTec& r = fNFe->infRespTec;
  if (r.CNPJ.empty()) return;
  g.EscreverGrupo("infRespTec", "#081");
  g.EscreverCampoCNPJ("#82", r.CNPJ, 1058, true);
  g.EscreverCampo(fcTexto, "#083", "xContato", 2, 60, 1, r.xContato, "Nome do Contato");
  g.EscreverCampo(fcTexto, "#084", "email", 6, 60, 1, r.email, "Endereço de Email");
  g.EscreverCampo(fcTexto, "#085", "fone", 7, 12, 1, r.fone, "Telefone");
  // Only the hash of the secret reaches the document.
  if (fIdCSRT != 0 && !fCSRT.empty()) {
    g.AbrirRegistroTXT("ZD07");
    g.EscreverCampo(fcInteiro, "#086", "idCSRT", 2, 2, 1, fIdCSRT,
                    "Identificador CSRT - Código de Segurança do Responsável Técnico");
    g.EscreverCampo(fcTexto, "#087", "hashCSRT", 28, 28, 1, CalcularHashCSRT(fCSRT, fChave),
                    "Hash do CSRT - Código de Segurança do Responsável Técnico");
  }
  g.EscreverGrupo("/infRespTec");
}

// ---- Closing part --------------------------------------------------------------------------

void TNFeW::GerarFechamentoNFe() {
  TGerador& g = *fGerador;
  GerarInfNFeSupl();
  if (DeveGerarAssinatura()) GerarAssinatura();
  g.EscreverGrupo("/NFe");
  if (!fNFe->procNFe.nProt.empty()) {
    g.EscreverTexto(GerarProtNFe());
    AlertaMensagensProtocolo();
    g.EscreverGrupo("/nfeProc");
  }
}

void TNFeW::GerarInfNFeSupl() {
  TGerador& g = *fGerador;
  const TinfNFeSupl& s = fNFe->infNFeSupl;
  if (s.qrCode.empty()) return;
  g.EscreverGrupo("infNFeSupl");
  // The limits are the QR text's own (they follow the schema package): the CDATA wrapper is
  // markup, not content.
  int qrMin = 0, qrMax = 0;
  LimitesQRCode(qrMin, qrMax);
  const std::string inicioCDATA = "<![CDATA[", fimCDATA = "]]>";
  // A "]]>" inside the text would end the section: it is split across two sections, which
  // a parser joins back into the same text.
  std::string cdata = inicioCDATA;
  std::size_t i = 0;
  for (std::size_t p = s.qrCode.find(fimCDATA); p != std::string::npos; p = s.qrCode.find(fimCDATA, i)) {
    cdata.append(s.qrCode, i, p + 2 - i);
    cdata += fimCDATA + inicioCDATA;
    i = p + 2;
  }
  cdata.append(s.qrCode, i, std::string::npos);
  cdata += fimCDATA;
  const int moldura = static_cast<int>(cdata.size() - s.qrCode.size());
  g.EscreverCampo(fcTexto, "ZX02", "qrCode", qrMin + moldura, qrMax + moldura, 1, cdata,
                  "Texto com o QR-Code impresso no DANFE NFC-e.", false);
  if (VersaoAoMenos(4))
    // No text filter, but an address with a query ("?a=1&b=2") must still be well-formed XML.
    g.EscreverCampo(fcTexto, "ZX03", "urlChave", 21, 85, 1, Escapar(s.urlChave),
                    "URL de consulta por chave de acesso a ser impressa no DANFE NFC-e", false);
  g.EscreverGrupo("/infNFeSupl");
}

bool TNFeW::DeveGerarAssinatura() const {
  TSignature& a = fNFe->signature;
  const bool algum = !a.DigestValue().empty() || !a.SignatureValue().empty() || !a.X509Certificate().empty();
  const bool todos = !a.DigestValue().empty() && !a.SignatureValue().empty() && !a.X509Certificate().empty();
  switch (fOpcoes.GerarTagAssinatura()) {
    case taSempre: return true;
    case taNunca: return false;
    case taSomenteSeAssinada: return todos;
    case taSomenteParaNaoAssinada: return !algum;
  }
  return false;
}

void TNFeW::GerarAssinatura() {
  TSignature& a = fNFe->signature;
  a.SetURI("#NFe" + SomenteNumeros(fNFe->infNFe.ID));
  TGerador& ga = a.Gerador();
  ga.Opcoes().SetIdentarXML(fGerador->Opcoes().IdentarXML());
  // The element starts at the left margin of its own generator on every run.
  ga.Opcoes().SetNivelIdentacao(0);
  a.GerarXML();  // its alerts stay with the signature
  fGerador->EscreverTexto(ga.ArquivoFormatoXML());
}

std::string TNFeW::GerarProtNFe() const {
  const TProcNFe& p = fNFe->procNFe;
  std::string recebimento = DataHoraParaISO(p.dhRecbto);
  if (VersaoAoMenos(3.10))
    recebimento += p.dhRecbtoFuso.empty() ? FusoHorario(CodigoUFParaSigla(fNFe->Ide.cUF), p.dhRecbto) : p.dhRecbtoFuso;
  std::string x;
  x.reserve(512);
  x += "<protNFe " + AtributoVersao() + ">";
  x += p.Id.empty() ? std::string("<infProt>") : "<infProt Id=\"" + Escapar(p.Id) + "\">";
  x += "<tpAmb>" + TipoAmbienteParaTexto(p.tpAmb) + "</tpAmb>";
  x += "<verAplic>" + Escapar(p.verAplic) + "</verAplic>";
  x += "<chNFe>" + Escapar(p.chNFe) + "</chNFe>";
  x += "<dhRecbto>" + recebimento + "</dhRecbto>";
  x += "<nProt>" + Escapar(p.nProt) + "</nProt>";
  x += "<digVal>" + Escapar(p.digVal) + "</digVal>";
  x += "<cStat>" + std::to_string(p.cStat) + "</cStat>";
  x += "<xMotivo>" + Escapar(p.xMotivo) + "</xMotivo>";
  x += p.MensagensXML(Escapar);
  x += "</infProt></protNFe>";
  return x;
}

}  // namespace tuim
