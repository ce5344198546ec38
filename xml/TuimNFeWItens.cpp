// Items of the NF-e: det, prod with its specialised sub-groups, and infAdProd.
#include <set>

#include "xml/TuimNFeW.h"

#include "fiscal/TuimDFeUtil.h"
#include "fiscal/TuimUtil.h"
#include "fiscal/TuimValidador.h"
#include "fiscal/fscAuxiliar.h"
#include "fiscal/fscConversaoNFe.h"

namespace tuim {

namespace {

// Product name of the first item of every NFC-e issued in the homologation environment.
const char* const kProdNomeHomologacao = "NOTA FISCAL EMITIDA EM AMBIENTE DE HOMOLOGACAO - SEM VALOR FISCAL";
const char* const kSemGTIN = "SEM GTIN";
const char* const kNumeroItem = "Numero do item";
const char* const kAlertaValorInvalido = "Valor inválido.";
// ANP code of LPG, the only fuel that carries the origin percentages of its gas.
const int kCodigoANPGLP = 210203001;

const TCurrency kZero;

std::size_t Quantidade(int n) { return static_cast<std::size_t>(n); }

}  // namespace

void TNFeW::AlertaGTIN(const std::string& id, const std::string& tag, const std::string& descricao,
                       const std::string& gtin) {
  if (gtin.empty() || gtin == kSemGTIN) return;
  fGerador->RegistrarAlerta(id, tag, descricao, MensagemErroGTIN(gtin));
}

void TNFeW::AlertaDrawback(const std::string& id, const std::string& nDraw) {
  if (!Trim(nDraw).empty() && !ValidarAtoDrawback(nDraw))
    fGerador->RegistrarAlerta(id, "nDraw", "Número do Drawback", kAlertaConteudoInvalido);
}

// ---- det -----------------------------------------------------------------------------------

void TNFeW::GerarDet() {
  TGerador& g = *fGerador;
  const TDetCollection& itens = fNFe->Det;
  std::set<int> numeros;
  for (int i = 0; i < itens.Count(); ++i) {
    const TDetCollectionItem& item = itens[i];
    // The generator fills the TXT field nItem from the group's attribute.
    g.EscreverGrupo("det nItem=\"" + std::to_string(item.Prod.nItem) + "\"", "H01");
    // Item numbers run from 1 to 990 and name one item each.
    if (item.Prod.nItem < 1 || item.Prod.nItem > 990 || !numeros.insert(item.Prod.nItem).second)
      g.RegistrarAlerta("H02", "nItem", kNumeroItem, kAlertaConteudoInvalido);
    GerarDetProd(item.Prod);
    GerarDetImposto(item);
    if (item.pDevol > TCurrency()) GerarDetImpostoDevol(item);
    g.SetIDNivel("H01");
    g.EscreverCampo(fcTexto, "V01", "infAdProd", 1, 500, 0, item.infAdProd, "Informações adicionais do Produto");
    GerarDetVItemDFeReferenciado(item);
    g.EscreverGrupo("/det");
  }
  AlertaOcorrencias("H02", "nItem", kNumeroItem, Quantidade(itens.Count()), 990);
}

// ---- prod ----------------------------------------------------------------------------------

void TNFeW::GerarDetProd(const TProd& prod) {
  TGerador& g = *fGerador;
  g.EscreverGrupo("prod", "I01");
  g.EscreverCampo(fcTexto, "I02", "cProd", 1, 60, 1, prod.cProd, "Código do produto ou serviço");
  g.EscreverCampo(fcTexto, "I03", "cEAN", 0, 14, 1, prod.cEAN, "Código de Barra do Item");
  AlertaGTIN("I03", "cEAN", "Código de Barra do Item", prod.cEAN);
  const bool homologacaoNFCe = prod.nItem == 1 && fNFe->Ide.modelo == 65 && fNFe->Ide.tpAmb == taHomologacao;
  g.EscreverCampo(fcTexto, "I04", "xProd", 1, 120, 1, homologacaoNFCe ? std::string(kProdNomeHomologacao) : prod.xProd,
                  "Descrição do Produto ou Serviço");
  g.EscreverCampo(fcTexto, "I05", "NCM", 2, 8, VersaoAoMenos(2) ? 1 : 0, prod.NCM, "Código NCM");
  GerarDetProdNVE(prod.NVE);

  const std::string cest = SomenteNumeros(prod.CEST);
  if (VersaoAoMenos(4)) {
    if (!cest.empty()) {
      g.EscreverCampo(fcTexto, "I05c", "CEST", 7, 7, 1, cest, "Código Identificador da Substitução Tributária");
      g.EscreverCampo(fcTexto, "I05d", "indEscala", 1, 1, 0, IndEscalaParaTexto(prod.indEscala),
                      "Indicador de Escala de Produção");
      g.EscreverCampo(fcTexto, "I05e", "CNPJFab", 14, 14, 0, prod.CNPJFab, "CNPJ do Fabricante da Mercadoria");
    }
    g.EscreverCampo(fcTexto, "I05f", "cBenef", 8, 10, 0, prod.cBenef,
                    "Código de Benefício Fiscal na UF aplicado ao item");
    GerarDetProdTpCredPresIBSZFM(prod);
  } else {
    g.EscreverCampo(fcTexto, "I05w", "CEST", 7, 7, 0, cest, "Código Identificador da Substitução Tributária");
  }

  g.EscreverCampo(fcTexto, "I06", "EXTIPI", 2, 3, 0, prod.EXTIPI, "EX_TIPI");
  g.EscreverCampo(fcDigitos, "I08", "CFOP", 4, 4, 1, SomenteNumeros(prod.CFOP), "CFOP");
  g.EscreverCampo(fcTexto, "I09", "uCom", 1, 6, 1, prod.uCom, "Unidade Comercial");
  g.EscreverCampo(fcDecimal4, "I10", "qCom", 0, 15, 1, prod.qCom, "Quantidade Comercial");
  const TFormatoCampo formatoUnitario = VersaoAoMenos(2) ? fcDecimal10 : fcDecimal4;
  g.EscreverCampo(formatoUnitario, "I10a", "vUnCom", 0, 21, 1, prod.vUnCom, "Valor Unitário de Comercialização");
  g.EscreverCampo(fcDecimal2, "I11", "vProd", 0, 15, 1, prod.vProd, "Valor Total Bruto dos Produtos ou Serviços");
  g.EscreverCampo(fcTexto, "I12", "cEANTrib", 0, 14, 1, prod.cEANTrib, "Código de Barra do Item Tributação");
  AlertaGTIN("I12", "cEANTrib", "Código de Barra do Item Tributação", prod.cEANTrib);
  g.EscreverCampo(fcTexto, "I13", "uTrib", 1, 6, 1, prod.uTrib, "Unidade Tributável");
  g.EscreverCampo(fcDecimal4, "I14", "qTrib", 0, 15, 1, prod.qTrib, "Quantidade Tributável");
  g.EscreverCampo(formatoUnitario, "I14a", "vUnTrib", 0, 21, 1, prod.vUnTrib, "Valor unitário de Tributação");
  g.EscreverCampo(fcDecimal2, "I15", "vFrete", 0, 15, 0, prod.vFrete, "Valor Total do Frete");
  g.EscreverCampo(fcDecimal2, "I16", "vSeg", 0, 15, 0, prod.vSeg, "Valor Total do Seguro");
  g.EscreverCampo(fcDecimal2, "I17", "vDesc", 0, 15, 0, prod.vDesc, "Valor do desconto");
  g.EscreverCampo(fcDecimal2, "I17a", "vOutro", 0, 15, 0, prod.vOutro, "Outras Despesas Acessórias");
  if (VersaoAoMenos(2))
    g.EscreverCampo(fcTexto, "I17b", "indTot", 1, 1, 1, IndTotParaTexto(prod.indTot),
                    "Indicador de soma no total da NFe");
  GerarDetProdIndBemMovelUsado(prod);

  GerarDetProdDI(prod.DI);
  GerarDetProddetExport(prod.detExport);
  g.EscreverCampo(fcTexto, "I30", "xPed", 1, 15, 0, prod.xPed, "Pedido");
  g.EscreverCampo(fcTexto, "I31", "nItemPed", 1, 6, 0, SomenteNumeros(prod.nItemPed),
                  "Item do Pedido de Compra da DI – adição");
  g.EscreverCampo(fcTexto, "I70", "nFCI", 36, 36, 0, prod.nFCI, "Número de Controle da FCI");
  if (VersaoAoMenos(4)) GerarDetProdRastro(prod.rastro);
  if (!Trim(prod.veicProd.chassi).empty()) GerarDetProdVeicProd(prod.veicProd);
  GerarDetProdMed(prod.med);
  GerarDetProdArma(prod.arma);
  if (prod.comb.cProdANP > 0) GerarDetProdComb(prod.comb);
  // The text layout keeps it in a record of its own, after the fuel records.
  if (!Trim(prod.nRECOPI).empty()) g.AbrirRegistroTXT("LB");
  g.EscreverCampo(fcTexto, "L109", "nRECOPI", 20, 20, 0, prod.nRECOPI, "Número do RECOPI");
  if (!Trim(prod.nRECOPI).empty() && !ValidarRECOPI(prod.nRECOPI))
    g.RegistrarAlerta("L109", "nRECOPI", "Número do RECOPI", kAlertaConteudoInvalido);
  g.EscreverGrupo("/prod");
}

void TNFeW::GerarDetProdNVE(const TNVECollection& lista) {
  TGerador& g = *fGerador;
  const char* const descricao = "Nomenclatura de Valor Aduaneiro e Estatística";
  for (int i = 0; i < lista.Count(); ++i) {
    g.EscreverCampo(fcTexto, "I05a", "NVE", 6, 6, 0, lista[i].NVE, descricao);
    if (!ValidarNVE(lista[i].NVE)) g.RegistrarAlerta("I05a", "NVE", descricao, kAlertaConteudoInvalido);
  }
  AlertaOcorrencias("I05a", "NVE", kNumeroItem, Quantidade(lista.Count()), 8);
}

// ---- DI and adi ----------------------------------------------------------------------------

void TNFeW::GerarDetProdDI(const TDICollection& lista) {
  TGerador& g = *fGerador;
  for (int i = 0; i < lista.Count(); ++i) {
    const TDICollectionItem& di = lista[i];
    g.EscreverGrupo("DI", "I18");
    g.EscreverCampo(fcTexto, "I19", "nDI", 1, 12, 1, di.nDI, "Numero do Documento de Importação DI/DSI/DA");
    if (!ValidarNumeroDI12(di.nDI) && !ValidarNumeroDI(di.nDI))
      g.RegistrarAlerta("I19", "nDI", "Numero do Documento de Importação DI/DSI/DA", kAlertaConteudoInvalido);
    g.EscreverCampo(fcData, "I20", "dDI", 10, 10, 1, di.dDI, "Data de registro da DI/DSI/DA");
    g.EscreverCampo(fcTexto, "I21", "xLocDesemb", 1, 60, 1, di.xLocDesemb, "Local de Desembaraço");
    g.EscreverCampo(fcTexto, "I22", "UFDesemb", 2, 2, 1, di.UFDesemb,
                    "Sigla da UF onde ocorreu o Desembaraço Aduaneiro");
    AlertaUF("I22", "UFDesemb", "Sigla da UF onde ocorreu o Desembaraço Aduaneiro", di.UFDesemb);
    g.EscreverCampo(fcData, "I23", "dDesemb", 10, 10, 1, di.dDesemb, "Data do Desembaraço Aduaneiro");
    if (VersaoAoMenos(3)) {
      g.EscreverCampo(fcTexto, "I23a", "tpViaTransp", 1, 2, 1, TpViaTranspParaTexto(di.tpViaTransp),
                      "Via de Transporte Internacional");
      // The merchant-marine levy is due on maritime transport only.
      g.EscreverCampo(fcDecimal2, "I23b", "vAFRMM", 0, 15, di.tpViaTransp == tpViaTransp1 ? 1 : 0, di.vAFRMM,
                      "Valor da AFRMM");
      g.EscreverCampo(fcTexto, "I23c", "tpIntermedio", 1, 1, 1, TpIntermedioParaTexto(di.tpIntermedio),
                      "Forma de Importação");
      g.EscreverCampo(fcTexto, "I23d", "CNPJ", 14, 14, 0, di.CNPJ, "CNPJ(MF)");
      g.EscreverCampo(fcTexto, "I23e", "UFTerceiro", 2, 2, 0, di.UFTerceiro, "Sigla da UF");
      if (!di.UFTerceiro.empty()) AlertaUF("I23e", "UFTerceiro", "Sigla da UF", di.UFTerceiro);
    }
    g.EscreverCampo(fcTexto, "I24", "cExportador", 1, 60, 1, di.cExportador, "Código do exportador");
    GerarDetProdDIadi(di.adi);
    g.EscreverGrupo("/DI");
  }
  AlertaOcorrencias("I18", "DI", kNumeroItem, Quantidade(lista.Count()), 100);
}

void TNFeW::GerarDetProdDIadi(const TadiCollection& lista) {
  TGerador& g = *fGerador;
  for (int i = 0; i < lista.Count(); ++i) {
    const TadiCollectionItem& adi = lista[i];
    g.EscreverGrupo("adi", "I25");
    g.EscreverCampo(fcInteiro, "I26", "nAdicao", 1, 3, 1, adi.nAdicao, "Numero da Adição");
    g.EscreverCampo(fcInteiro, "I27", "nSeqAdic", 1, 3, 1, adi.nSeqAdic, "Numero seqüencial do item dentro da adição");
    g.EscreverCampo(fcTexto, "I28", "cFabricante", 1, 60, 1, adi.cFabricante, "Fabricante");
    g.EscreverCampo(fcDecimal2, "I29", "vDescDI", 0, 15, 0, adi.vDescDI, "Valor do desconto do item da DI – adição");
    g.EscreverCampo(fcTexto, "I29a", "nDraw", 9, 11, 0, adi.nDraw, "Número do Drawback");
    AlertaDrawback("I29a", adi.nDraw);
    g.EscreverGrupo("/adi");
  }
  AlertaOcorrencias("I25", "adi", kNumeroItem, Quantidade(lista.Count()), 100);
}

// ---- detExport -----------------------------------------------------------------------------

void TNFeW::GerarDetProddetExport(const TdetExportCollection& lista) {
  TGerador& g = *fGerador;
  for (int i = 0; i < lista.Count(); ++i) {
    const TdetExportCollectionItem& exp = lista[i];
    g.EscreverGrupo("detExport", "I50");
    g.EscreverCampo(fcTexto, "I51", "nDraw", 9, 11, 0, exp.nDraw, "Número do Drawback");
    AlertaDrawback("I51", exp.nDraw);
    if (!exp.nRE.empty() || !exp.chNFe.empty()) {
      g.EscreverGrupo("exportInd", "I52");
      g.EscreverCampo(fcTexto, "I53", "nRE", 12, 12, 1, exp.nRE, "Número do Registro de Exportação");
      if (!ValidarNumeroRE(exp.nRE))
        g.RegistrarAlerta("I53", "nRE", "Número do Registro de Exportação", kAlertaConteudoInvalido);
      const std::string chave = SomenteNumeros(exp.chNFe);
      g.EscreverCampo(fcDigitos, "I54", "chNFe", 44, 44, 1, chave, "Chave de acesso das NF-e referenciadas");
      if (!ValidarChaveAcesso(chave))
        g.RegistrarAlerta("I54", "chNFe", "Chave de acesso das NF-e referenciadas", kAlertaConteudoInvalido);
      g.EscreverCampo(fcDecimal4, "I55", "qExport", 0, 15, 1, exp.qExport, "Qtde Exportada");
      g.EscreverGrupo("/exportInd");
    }
    g.EscreverGrupo("/detExport");
  }
  AlertaOcorrencias("I50", "detExport", kNumeroItem, Quantidade(lista.Count()), 500);
}

// ---- rastro, veicProd, med and arma --------------------------------------------------------

void TNFeW::GerarDetProdRastro(const TrastroCollection& lista) {
  TGerador& g = *fGerador;
  for (int i = 0; i < lista.Count(); ++i) {
    const TrastroCollectionItem& r = lista[i];
    g.EscreverGrupo("rastro", "I80");
    g.EscreverCampo(fcTexto, "I81", "nLote", 1, 20, 1, r.nLote, "Número do Lote do medicamento");
    g.EscreverCampo(fcDecimal3, "I82", "qLote", 0, 11, 1, r.qLote, "Quantidade de produto no Lote do medicamento");
    g.EscreverCampo(fcData, "I83", "dFab", 10, 10, 1, r.dFab, "Data de fabricação");
    g.EscreverCampo(fcData, "I84", "dVal", 10, 10, 1, r.dVal, "Data de validade");
    g.EscreverCampo(fcTexto, "I85", "cAgreg", 1, 20, 0, r.cAgreg, "Código de Agregação");
    g.EscreverGrupo("/rastro");
  }
  AlertaOcorrencias("I80", "rastro", kNumeroItem, Quantidade(lista.Count()), 500);
}

void TNFeW::GerarDetProdVeicProd(const TveicProd& v) {
  TGerador& g = *fGerador;
  // Layouts before 2.00 named the displacement and the traction capacity differently.
  const bool antigo = VersaoAbaixo(2);
  g.EscreverGrupo("veicProd", "J01");
  g.EscreverCampo(fcTexto, "J02", "tpOp", 1, 1, 1, TpOpParaTexto(v.tpOp), "Tipo da operação");
  g.EscreverCampo(fcTexto, "J03", "chassi", 17, 17, 1, v.chassi, "Número do chassi");
  g.EscreverCampo(fcTexto, "J04", "cCor", 4, 4, 1, v.cCor, "Cor do Veículo");
  g.EscreverCampo(fcTexto, "J05", "xCor", 1, 40, 1, v.xCor, "Descrição da Cor");
  g.EscreverCampo(fcTexto, "J06", "pot", 1, 4, 1, v.pot, "Potência Motor");
  g.EscreverCampo(fcTexto, "J07", antigo ? "CM3" : "cilin", 4, 4, 1, v.cilin, "Cilindradas");
  g.EscreverCampo(fcTexto, "J08", "pesoL", 0, 9, 1, v.pesoL, "Peso Líquido (em kg)");
  g.EscreverCampo(fcTexto, "J09", "pesoB", 0, 9, 1, v.pesoB, "Peso Bruto (em kg)");
  g.EscreverCampo(fcTexto, "J10", "nSerie", 0, 9, 1, v.nSerie, "Número de série");
  g.EscreverCampo(fcTexto, "J11", "tpComb", 2, 2, 1, v.tpComb, "Tipo de combustível");
  g.EscreverCampo(fcTexto, "J12", "nMotor", 0, 21, 1, v.nMotor, "Número de Motor");
  g.EscreverCampo(fcTexto, "J13", antigo ? "CMKG" : "CMT", 9, 9, 1, v.CMT, "Capacidade Máxima de Tração");
  g.EscreverCampo(fcTexto, "J14", "dist", 0, 4, 1, v.dist, "Distância entre os eixos");
  g.EscreverCampo(fcInteiro, "J16", "anoMod", 0, 4, 1, v.anoMod, "Ano do Modelo de Fabricação");
  g.EscreverCampo(fcInteiro, "J17", "anoFab", 0, 4, 1, v.anoFab, "Ano de Fabricação");
  g.EscreverCampo(fcTexto, "J18", "tpPint", 0, 1, 1, v.tpPint, "Tipo de Pintura");
  g.EscreverCampo(fcInteiro, "J19", "tpVeic", 0, 2, 1, v.tpVeic, "Tipo de Veículo");
  g.EscreverCampo(fcInteiro, "J20", "espVeic", 0, 1, 1, v.espVeic, "Espécie de veículo");
  g.EscreverCampo(fcTexto, "J21", "VIN", 0, 1, 1, v.VIN, "Condição do VIN");
  g.EscreverCampo(fcTexto, "J22", "condVeic", 0, 1, 1, CondVeicParaTexto(v.condVeic), "Condições do Veículo");
  g.EscreverCampo(fcTexto, "J23", "cMod", 0, 6, 1, v.cMod, "Modelo do Veículo");
  if (VersaoAoMenos(2)) {
    g.EscreverCampo(fcTexto, "J24", "cCorDENATRAN", 0, 2, 1, v.cCorDENATRAN, "Código da Cor DENATRAN");
    g.EscreverCampo(fcInteiro, "J25", "lota", 1, 3, 1, v.lota, "Indicador de lotação");
    g.EscreverCampo(fcInteiro, "J26", "tpRest", 1, 1, 1, v.tpRest, "Restrição");
  }
  g.EscreverGrupo("/veicProd");
}

void TNFeW::GerarDetProdMed(const TmedCollection& lista) {
  TGerador& g = *fGerador;
  const bool v4 = VersaoAoMenos(4);
  for (int i = 0; i < lista.Count(); ++i) {
    const TmedCollectionItem& m = lista[i];
    g.EscreverGrupo("med", "K01");
    if (v4) {
      g.EscreverCampo(fcTexto, "K01a", "cProdANVISA", 6, 13, 1, m.cProdANVISA, "Código de Produto da ANVISA");
      if (m.cProdANVISA.size() == 6 && m.cProdANVISA != "ISENTO")
        g.RegistrarAlerta("K01a", "cProdANVISA", "Código de Produto da ANVISA", kAlertaValorInvalido);
      g.EscreverCampo(fcTexto, "K01b", "xMotivoIsencao", 1, 255, 0, m.xMotivoIsencao, "Código de Produto da ANVISA");
    } else {
      g.EscreverCampo(fcTexto, "K02", "nLote", 1, 20, 1, m.nLote, "Número do Lote do medicamento");
      g.EscreverCampo(fcDecimal3, "K03", "qLote", 0, 11, 1, m.qLote, "Quantidade de produto no Lote do medicamento");
      g.EscreverCampo(fcData, "K04", "dFab", 10, 10, 1, m.dFab, "Data de fabricação");
      g.EscreverCampo(fcData, "K05", "dVal", 10, 10, 1, m.dVal, "Data de validade");
    }
    g.EscreverCampo(fcDecimal2, "K06", "vPMC", 0, 15, 1, m.vPMC, "Preço Máximo ao Consumidor");
    g.EscreverGrupo("/med");
  }
  AlertaOcorrencias("K01", "med", kNumeroItem, Quantidade(lista.Count()), v4 ? 1 : 500);
}

void TNFeW::GerarDetProdArma(const TarmaCollection& lista) {
  TGerador& g = *fGerador;
  for (int i = 0; i < lista.Count(); ++i) {
    const TarmaCollectionItem& a = lista[i];
    g.EscreverGrupo("arma", "L01");
    g.EscreverCampo(fcTexto, "L02", "tpArma", 1, 1, 1, TpArmaParaTexto(a.tpArma), "Indicador do tipo de arma de fogo");
    g.EscreverCampo(fcTexto, "L03", "nSerie", 1, 15, 1, a.nSerie, "Número de série");
    g.EscreverCampo(fcTexto, "L04", "nCano", 1, 15, 1, a.nCano, "Numero de série do cano");
    g.EscreverCampo(fcTexto, "L05", "descr", 1, 256, 1, a.descr, "Descrição completa");
    g.EscreverGrupo("/arma");
  }
  AlertaOcorrencias("L01", "arma", kNumeroItem, Quantidade(lista.Count()), 500);
}

// ---- comb ----------------------------------------------------------------------------------

void TNFeW::GerarDetProdComb(const Tcomb& comb) {
  TGerador& g = *fGerador;
  g.EscreverGrupo("comb", "L01");
  g.EscreverCampo(fcInteiro, "L102", "cProdANP", 9, 9, 1, comb.cProdANP, "Código do produto ANP");
  if (VersaoAoMenos(4)) {
    g.EscreverCampo(fcTexto, "LA03", "descANP", 2, 95, 1, comb.descANP, "Descrição do produto conforme ANP");
    if (comb.cProdANP == kCodigoANPGLP) {
      GerarDetProdCombGLP("LA03a", "pGLP", comb.pGLP, "Percentual do GLP derivado do petróleo no produto GLP");
      GerarDetProdCombGLP("LA03b", "pGNn", comb.pGNn, "Percentual de Gás Natural Nacional – GLGNn para o produto GLP");
      GerarDetProdCombGLP("LA03c", "pGNi", comb.pGNi, "Percentual de Gás Natural Importado – GLGNi para o produto GLP");
      g.EscreverCampo(fcDecimal2, "LA03d", "vPart", 1, 15, 0, comb.vPart, "Valor de partida");
    }
  } else {
    g.EscreverCampo(fcDecimal4, "L102a", "pMixGN", 0, 6, 0, comb.pMixGN, "Percentual de Gás Natural");
  }
  if (!Trim(comb.CODIF).empty())
    g.EscreverCampo(fcDigitos, "L103", "CODIF", 0, 21, 1, comb.CODIF, "Código de autorização / registro do CODIF");
  if (comb.qTemp != kZero)
    g.EscreverCampo(fcDecimal4, "L104", "qTemp", 1, 16, 1, comb.qTemp,
                    "Quantidade de combustível faturada à temperatura ambiente.");

  const TICMSComb& ic = comb.ICMSComb;
  const bool semICMS = ic.vBCICMS == kZero && ic.vICMS == kZero && ic.vBCICMSST == kZero && ic.vICMSST == kZero &&
                       comb.ICMSInter.vBCICMSSTDest == kZero && comb.ICMSInter.vICMSSTDest == kZero &&
                       comb.ICMSCons.vBCICMSSTCons == kZero && comb.ICMSCons.vICMSSTCons == kZero;
  if (VersaoAoMenos(2) || semICMS) {
    g.EscreverCampo(fcTexto, "L120", "UFCons", 2, 2, 1, comb.UFCons, "Sigla da UF de consumo");
    AlertaUF("L120", "UFcons", "Sigla da UF de consumo", comb.UFCons);
    GerarDetProdCombCIDE(comb.CIDE);
    GerarDetProdCombEncerrante(comb.encerrante);
  } else {
    GerarDetProdCombCIDE(comb.CIDE);
    GerarDetProdCombICMS(comb);
  }
  g.EscreverGrupo("/comb");
}

void TNFeW::GerarDetProdCombGLP(const std::string& id, const std::string& tag, TCurrency valor,
                                const std::string& descricao) {
  // A product that is all of one origin may leave the percentage out.
  if (valor == TCurrency(100))
    fGerador->EscreverCampo(fcDecimal2, id, tag, 1, 7, 0, valor, descricao);
  else
    fGerador->EscreverCampo(fcDecimal4, id, tag, 1, 7, 1, valor, descricao);
}

void TNFeW::GerarDetProdCombCIDE(const TCIDE& cide) {
  if (!(cide.qBCProd > kZero || cide.vAliqProd > kZero || cide.vCIDE > kZero)) return;
  TGerador& g = *fGerador;
  g.EscreverGrupo("CIDE", "L105");
  g.EscreverCampo(fcDecimal4, "L106", "qBCProd", 1, 16, 1, cide.qBCProd, "BC da CIDE");
  g.EscreverCampo(fcDecimal4, "L107", "vAliqProd", 1, 15, 1, cide.vAliqProd, "Valor da alíquota (em reais)");
  g.EscreverCampo(fcDecimal2, "L108", "vCIDE", 1, 15, 1, cide.vCIDE, "Valor da CIDE");
  g.EscreverGrupo("/CIDE");
}

void TNFeW::GerarDetProdCombEncerrante(const Tencerrante& enc) {
  if (enc.nBico <= 0) return;
  TGerador& g = *fGerador;
  g.EscreverGrupo("encerrante", "LA11");
  g.EscreverCampo(fcInteiro, "LA12", "nBico", 1, 3, 1, enc.nBico, "Número de identificação do bico");
  g.EscreverCampo(fcInteiro, "LA13", "nBomba", 1, 3, 0, enc.nBomba, "Número de identificação da bomba");
  g.EscreverCampo(fcInteiro, "LA14", "nTanque", 1, 3, 1, enc.nTanque, "Número de identificação do tanque");
  g.EscreverCampo(fcDecimal3, "LA15", "vEncIni", 1, 15, 1, enc.vEncIni, "Valor do Encerrante no início do abastecimento");
  g.EscreverCampo(fcDecimal3, "LA16", "vEncFin", 1, 15, 1, enc.vEncFin, "Valor do Encerrante no final do abastecimento");
  g.EscreverGrupo("/encerrante");
}

void TNFeW::GerarDetProdCombICMS(const Tcomb& comb) {
  TGerador& g = *fGerador;
  const TICMSComb& ic = comb.ICMSComb;
  g.EscreverGrupo("ICMSComb", "L109");
  g.EscreverCampo(fcDecimal2, "L110", "vBCICMS", 1, 15, 1, ic.vBCICMS);
  g.EscreverCampo(fcDecimal2, "L111", "vICMS", 1, 15, 1, ic.vICMS);
  g.EscreverCampo(fcDecimal2, "L112", "vBCICMSST", 1, 15, 1, ic.vBCICMSST);
  g.EscreverCampo(fcDecimal2, "L113", "vICMSST", 1, 15, 1, ic.vICMSST);
  g.EscreverGrupo("/ICMSComb");

  const TICMSInter& inter = comb.ICMSInter;
  if (inter.vBCICMSSTDest > kZero || inter.vICMSSTDest > kZero) {
    g.EscreverGrupo("ICMSInter", "L114");
    g.EscreverCampo(fcDecimal2, "L115", "vBCICMSSTDest", 1, 15, 1, inter.vBCICMSSTDest);
    g.EscreverCampo(fcDecimal2, "L116", "vICMSSTDest", 1, 15, 1, inter.vICMSSTDest);
    g.EscreverGrupo("/ICMSInter");
  }

  const TICMSCons& cons = comb.ICMSCons;
  if (cons.vBCICMSSTCons > kZero || cons.vICMSSTCons > kZero || !Trim(cons.UFCons).empty()) {
    g.EscreverGrupo("ICMSCons", "L117");
    g.EscreverCampo(fcDecimal2, "L118", "vBCICMSSTCons", 1, 15, 1, cons.vBCICMSSTCons);
    g.EscreverCampo(fcDecimal2, "L119", "vICMSSTCons", 1, 15, 1, cons.vICMSSTCons);
    g.EscreverCampo(fcTexto, "L120", "UFCons", 2, 2, 1, cons.UFCons, "Sigla da UF de consumo");
    AlertaUF("L120", "UFCons", "Sigla da UF de consumo", cons.UFCons);
    g.EscreverGrupo("/ICMSCons");
  }
}

}  // namespace tuim
