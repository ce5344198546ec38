#include "xml/TuimNFeClass.h"

#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "fiscal/fscConversao.h"
#include "fiscal/fscConversaoNFe.h"

namespace tuim {
namespace {

TEST(NFeModel, NewDocumentHasNoItemsPaymentsOrReferences) {
  TNFe nfe;
  EXPECT_EQ(nfe.Det.Count(), 0);
  EXPECT_EQ(nfe.pag.Count(), 0);
  EXPECT_EQ(nfe.Ide.NFref.Count(), 0);
  EXPECT_EQ(nfe.autXML.Count(), 0);
  EXPECT_EQ(nfe.Transp.Vol.Count(), 0);
  EXPECT_EQ(nfe.Transp.Reboque.Count(), 0);
  EXPECT_EQ(nfe.Cobr.Dup.Count(), 0);
  EXPECT_EQ(nfe.InfAdic.obsCont.Count(), 0);
  EXPECT_EQ(nfe.InfAdic.obsFisco.Count(), 0);
  EXPECT_EQ(nfe.InfAdic.procRef.Count(), 0);
  EXPECT_EQ(nfe.cana.fordia.Count(), 0);
  EXPECT_EQ(nfe.cana.deduc.Count(), 0);
}

TEST(NFeModel, NewDocumentHasTheDesignedInitialValues) {
  TNFe nfe;
  EXPECT_EQ(nfe.infNFe.versao, 0.0);
  EXPECT_EQ(nfe.infNFe.ID, "");
  EXPECT_EQ(nfe.Emit.EnderEmit.cPais, 1058);
  EXPECT_EQ(nfe.Emit.EnderEmit.xPais, "BRASIL");
  EXPECT_EQ(nfe.Dest.EnderDest.cPais, 1058);
  EXPECT_EQ(nfe.Dest.EnderDest.xPais, "BRASIL");
  EXPECT_EQ(CRTParaTexto(nfe.Emit.CRT), "3");
  EXPECT_EQ(nfe.pag.vTroco, TCurrency(0));
  // Only the two party addresses start in Brazil.
  EXPECT_EQ(nfe.Retirada.cPais, 0);
  EXPECT_EQ(nfe.Retirada.xPais, "");
  EXPECT_EQ(nfe.Entrega.cPais, 0);
  EXPECT_EQ(nfe.Ide.dEmi, 0.0);
  EXPECT_EQ(nfe.Ide.cNF, 0);
  EXPECT_EQ(nfe.Ide.modelo, 0);
  EXPECT_EQ(nfe.procNFe.nProt, "");
  EXPECT_EQ(nfe.procNFe.cStat, 0);
  EXPECT_EQ(nfe.signature.DigestValue(), "");
  EXPECT_EQ(nfe.infNFeSupl.qrCode, "");
  EXPECT_EQ(nfe.Total.ICMSTot.vNF, TCurrency(0));
}

// Every enumerated field starts at the first value, whose code the design lists first.
struct CodigoInicial {
  const char* campo;
  std::string (*codigo)(const TNFe&);
  const char* esperado;
};

class FirstEnumerationValue : public ::testing::TestWithParam<CodigoInicial> {};

TEST_P(FirstEnumerationValue, ConvertsToTheFirstCodeOfItsList) {
  TNFe nfe;
  nfe.Det.New();
  nfe.pag.New();
  nfe.Ide.NFref.New();
  nfe.Det[0].Prod.DI.New();
  nfe.Det[0].Prod.arma.New();
  nfe.InfAdic.procRef.New();
  EXPECT_EQ(GetParam().codigo(nfe), GetParam().esperado) << GetParam().campo;
}

const TDetCollectionItem& Item(const TNFe& n) { return n.Det[0]; }

INSTANTIATE_TEST_SUITE_P(
    NFeModel, FirstEnumerationValue,
    ::testing::Values(
        CodigoInicial{"ide.indPag", [](const TNFe& n) { return IndPagParaTexto(n.Ide.indPag); }, "0"},
        CodigoInicial{"ide.tpNF", [](const TNFe& n) { return TpNFParaTexto(n.Ide.tpNF); }, "0"},
        CodigoInicial{"ide.idDest", [](const TNFe& n) { return IdDestParaTexto(n.Ide.idDest); }, "1"},
        CodigoInicial{"ide.tpImp", [](const TNFe& n) { return TipoImpressaoParaTexto(n.Ide.tpImp); }, "0"},
        CodigoInicial{"ide.tpEmis", [](const TNFe& n) { return TipoEmissaoParaTexto(n.Ide.tpEmis); }, "1"},
        CodigoInicial{"ide.tpAmb", [](const TNFe& n) { return TipoAmbienteParaTexto(n.Ide.tpAmb); }, "1"},
        CodigoInicial{"ide.finNFe", [](const TNFe& n) { return FinNFeParaTexto(n.Ide.finNFe); }, "1"},
        CodigoInicial{"ide.indFinal", [](const TNFe& n) { return IndFinalParaTexto(n.Ide.indFinal); }, "0"},
        CodigoInicial{"ide.indPres", [](const TNFe& n) { return IndPresParaTexto(n.Ide.indPres); }, "0"},
        CodigoInicial{"ide.procEmi", [](const TNFe& n) { return ProcEmiParaTexto(n.Ide.procEmi); }, "0"},
        CodigoInicial{"NFref.RefECF.modelo",
                      [](const TNFe& n) { return ModECFParaTexto(n.Ide.NFref[0].RefECF.modelo); }, ""},
        CodigoInicial{"dest.indIEDest", [](const TNFe& n) { return IndIEDestParaTexto(n.Dest.indIEDest); }, "1"},
        CodigoInicial{"prod.indTot", [](const TNFe& n) { return IndTotParaTexto(Item(n).Prod.indTot); }, "1"},
        CodigoInicial{"prod.indEscala",
                      [](const TNFe& n) { return IndEscalaParaTexto(Item(n).Prod.indEscala); }, "S"},
        CodigoInicial{"DI.tpViaTransp",
                      [](const TNFe& n) { return TpViaTranspParaTexto(Item(n).Prod.DI[0].tpViaTransp); }, "1"},
        CodigoInicial{"DI.tpIntermedio",
                      [](const TNFe& n) { return TpIntermedioParaTexto(Item(n).Prod.DI[0].tpIntermedio); }, "1"},
        CodigoInicial{"veicProd.tpOp", [](const TNFe& n) { return TpOpParaTexto(Item(n).Prod.veicProd.tpOp); }, "1"},
        CodigoInicial{"veicProd.condVeic",
                      [](const TNFe& n) { return CondVeicParaTexto(Item(n).Prod.veicProd.condVeic); }, "1"},
        CodigoInicial{"arma.tpArma", [](const TNFe& n) { return TpArmaParaTexto(Item(n).Prod.arma[0].tpArma); }, "0"},
        CodigoInicial{"ICMS.orig", [](const TNFe& n) { return OrigParaTexto(Item(n).Imposto.ICMS.orig); }, "0"},
        CodigoInicial{"ICMS.CST", [](const TNFe& n) { return CSTIcmsParaTexto(Item(n).Imposto.ICMS.CST); }, "00"},
        // The code table writes the "none" value csosn0 as "0".
        CodigoInicial{"ICMS.CSOSN", [](const TNFe& n) { return CSOSNParaTexto(Item(n).Imposto.ICMS.CSOSN); }, "0"},
        CodigoInicial{"ICMS.modBC", [](const TNFe& n) { return ModBCParaTexto(Item(n).Imposto.ICMS.modBC); }, "0"},
        CodigoInicial{"ICMS.modBCST",
                      [](const TNFe& n) { return ModBCSTParaTexto(Item(n).Imposto.ICMS.modBCST); }, "0"},
        CodigoInicial{"ICMS.motDesICMS",
                      [](const TNFe& n) { return MotDesICMSParaTexto(Item(n).Imposto.ICMS.motDesICMS); }, "1"},
        CodigoInicial{"IPI.CST", [](const TNFe& n) { return CSTIpiParaTexto(Item(n).Imposto.IPI.CST); }, "00"},
        CodigoInicial{"PIS.CST", [](const TNFe& n) { return CSTPisParaTexto(Item(n).Imposto.PIS.CST); }, "01"},
        CodigoInicial{"COFINS.CST",
                      [](const TNFe& n) { return CSTCofinsParaTexto(Item(n).Imposto.COFINS.CST); }, "01"},
        CodigoInicial{"ISSQN.cSitTrib",
                      [](const TNFe& n) { return CSitTribParaTexto(Item(n).Imposto.ISSQN.cSitTrib); }, ""},
        CodigoInicial{"ISSQN.indISS", [](const TNFe& n) { return IndISSParaTexto(Item(n).Imposto.ISSQN.indISS); }, "1"},
        CodigoInicial{"ISSQN.indIncentivo",
                      [](const TNFe& n) { return IndIncentivoParaTexto(Item(n).Imposto.ISSQN.indIncentivo); }, "1"},
        CodigoInicial{"ISSQNtot.cRegTrib",
                      [](const TNFe& n) { return CRegTribParaTexto(n.Total.ISSQNtot.cRegTrib); }, "1"},
        CodigoInicial{"transp.modFrete", [](const TNFe& n) { return ModFreteParaTexto(n.Transp.modFrete); }, "0"},
        CodigoInicial{"pag.tPag", [](const TNFe& n) { return TPagParaTexto(n.pag[0].tPag); }, "01"},
        CodigoInicial{"pag.tpIntegra", [](const TNFe& n) { return TpIntegraParaTexto(n.pag[0].tpIntegra); }, ""},
        CodigoInicial{"pag.tBand", [](const TNFe& n) { return TBandParaTexto(n.pag[0].tBand); }, "01"},
        CodigoInicial{"pag.indPag", [](const TNFe& n) { return IndPagParaTexto(n.pag[0].indPag); }, "0"},
        CodigoInicial{"procRef.indProc",
                      [](const TNFe& n) { return IndProcParaTexto(n.InfAdic.procRef[0].indProc); }, "0"},
        CodigoInicial{"procNFe.tpAmb", [](const TNFe& n) { return TipoAmbienteParaTexto(n.procNFe.tpAmb); }, "1"}));

TEST(NFeModel, NewItemHasItsTaxObjectsAndEmptyLists) {
  TNFe nfe;
  TDetCollectionItem& item = nfe.Det.New();
  EXPECT_EQ(nfe.Det.Count(), 1);
  EXPECT_EQ(&item, &nfe.Det[0]);
  EXPECT_EQ(item.Prod.DI.Count(), 0);
  EXPECT_EQ(item.Prod.detExport.Count(), 0);
  EXPECT_EQ(item.Prod.rastro.Count(), 0);
  EXPECT_EQ(item.Prod.med.Count(), 0);
  EXPECT_EQ(item.Prod.arma.Count(), 0);
  EXPECT_EQ(item.Prod.NVE.Count(), 0);
  EXPECT_EQ(item.Prod.qCom, TCurrency(0));
  EXPECT_EQ(item.Prod.vUnCom, 0.0);
  EXPECT_EQ(item.Imposto.ICMS.vBC, TCurrency(0));
  EXPECT_EQ(item.Imposto.IPI.cEnq, "");
  EXPECT_EQ(item.Imposto.PIS.vPIS, TCurrency(0));
  EXPECT_EQ(item.Imposto.COFINS.vCOFINS, TCurrency(0));
  EXPECT_EQ(item.Prod.comb.CIDE.vCIDE, TCurrency(0));
  EXPECT_EQ(item.Prod.comb.encerrante.nBico, 0);
  // A DI made inside the item has its own additions list.
  EXPECT_EQ(item.Prod.DI.New().adi.Count(), 0);
  EXPECT_EQ(nfe.Transp.Vol.New().Lacres.Count(), 0);
}

TEST(NFeModel, AmountsKeepFourDecimals) {
  TNFe nfe;
  TProd& p = nfe.Det.New().Prod;
  ASSERT_TRUE(TCurrency::TryParse("1.2345", p.qCom));
  EXPECT_EQ(p.qCom.Raw(), 12345);
  EXPECT_EQ(p.qCom.ToString(4), "1.2345");
  EXPECT_EQ(p.qCom.ToString(2), "1.23");
}

// ---- Collections ---------------------------------------------------------------------------

TEST(NFeCollection, ReferencesFromNewStayValidWhileTheListGrows) {
  TDetCollection det;
  TDetCollectionItem& primeiro = det.New();
  primeiro.Prod.cProd = "A";
  for (int i = 0; i < 1000; ++i) det.New().Prod.nItem = i + 2;
  EXPECT_EQ(&primeiro, &det[0]);
  EXPECT_EQ(primeiro.Prod.cProd, "A");
  EXPECT_EQ(det.Count(), 1001);
  EXPECT_EQ(det[1000].Prod.nItem, 1001);
}

TEST(NFeCollection, AddTakesOverAnItemMadeElsewhere) {
  TDupCollection dup;
  auto p = std::make_unique<TDupCollectionItem>();
  p->nDup = "001";
  TDupCollectionItem* bruto = p.get();
  TDupCollectionItem& adotado = dup.Add(std::move(p));
  EXPECT_EQ(&adotado, bruto);
  EXPECT_EQ(dup[0].nDup, "001");
  // A null pointer still gives a usable new item, never a hole in the list.
  TDupCollectionItem& novo = dup.Add(std::unique_ptr<TDupCollectionItem>());
  EXPECT_EQ(dup.Count(), 2);
  EXPECT_EQ(novo.nDup, "");
}

TEST(NFeCollection, AddOfAValueAppendsAnIndependentCopy) {
  TautXMLCollection aut;
  TautXMLCollectionItem modelo;
  modelo.CNPJCPF = "11222333000181";
  aut.Add(modelo);
  modelo.CNPJCPF = "x";
  EXPECT_EQ(aut[0].CNPJCPF, "11222333000181");
}

TEST(NFeCollection, DeleteRemovesOnlyThatItemAndKeepsTheOrder) {
  TreboqueCollection r;
  for (const char* placa : {"AAA0001", "BBB0002", "CCC0003"}) r.New().placa = placa;
  TreboqueCollectionItem* terceiro = &r[2];
  r.Delete(1);
  ASSERT_EQ(r.Count(), 2);
  EXPECT_EQ(r[0].placa, "AAA0001");
  EXPECT_EQ(r[1].placa, "CCC0003");
  EXPECT_EQ(&r[1], terceiro);
}

TEST(NFeCollection, InsertPlacesANewItemAtTheIndex) {
  TobsContCollection o;
  o.New().xCampo = "a";
  o.New().xCampo = "c";
  o.Insert(1).xCampo = "b";
  o.Insert(3).xCampo = "d";
  ASSERT_EQ(o.Count(), 4);
  EXPECT_EQ(o[0].xCampo + o[1].xCampo + o[2].xCampo + o[3].xCampo, "abcd");
  EXPECT_THROW(o.Insert(5), std::out_of_range);
  EXPECT_THROW(o.Insert(-1), std::out_of_range);
}

TEST(NFeCollection, IndexOutsideTheListRaisesInsteadOfReadingMemory) {
  TmedCollection m;
  m.New();
  EXPECT_THROW(m[1], std::out_of_range);
  EXPECT_THROW(m[-1], std::out_of_range);
  EXPECT_THROW(m.Delete(1), std::out_of_range);
  EXPECT_THROW(m.Delete(-1), std::out_of_range);
  EXPECT_EQ(m.Count(), 1);
  const TmedCollection& c = m;
  EXPECT_THROW(c[7], std::out_of_range);
}

TEST(NFeCollection, ClearEmptiesTheListAndItCanBeFilledAgain) {
  TNFe nfe;
  for (int i = 0; i < 3; ++i) nfe.Det.New().Prod.DI.New().adi.New();
  nfe.Det.Clear();
  EXPECT_EQ(nfe.Det.Count(), 0);
  EXPECT_TRUE(nfe.Det.Empty());
  EXPECT_EQ(nfe.Det.New().Prod.DI.Count(), 0);
}

TEST(NFeCollection, IterationVisitsTheItemsInOrder) {
  TVolCollection vol;
  for (int i = 1; i <= 4; ++i) vol.New().qVol = i;
  int soma = 0, ordem = 0;
  for (TVolCollectionItem& v : vol) {
    EXPECT_EQ(v.qVol, ++ordem);
    soma += v.qVol;
  }
  EXPECT_EQ(soma, 10);
  const TVolCollection& c = vol;
  EXPECT_EQ(c.end() - c.begin(), 4);
  EXPECT_EQ((*(c.begin() + 2)).qVol, 3);
}

TEST(NFeCollection, PaymentListCarriesTheChangeBesideItsItems) {
  TpagCollection pag;
  TpagCollectionItem& p = pag.New();
  p.tPag = tPag03;
  p.vPag = TCurrency(50);
  pag.vTroco = TCurrency::FromRaw(2500);  // 0.25
  pag.Clear();
  // Clearing the payments leaves the change alone: it is not an item.
  EXPECT_EQ(pag.Count(), 0);
  EXPECT_EQ(pag.vTroco.ToString(2), "0.25");
}

// ---- Copying and clearing ------------------------------------------------------------------

TNFe DocumentoPreenchido() {
  TNFe nfe;
  nfe.infNFe.versao = 4.0;
  nfe.Ide.natOp = "VENDA";
  nfe.Ide.NFref.New().refNFe = "35240511222333000181550010000000011000000015";
  nfe.Emit.CNPJCPF = "11222333000181";
  nfe.Emit.CRT = crt1;
  TDetCollectionItem& d = nfe.Det.New();
  d.Prod.cProd = "P1";
  d.Prod.DI.New().adi.New().nAdicao = 7;
  d.Prod.rastro.New().nLote = "L1";
  d.Imposto.ICMS.CST = cstIcms60;
  nfe.pag.New().vPag = TCurrency(10);
  nfe.pag.vTroco = TCurrency(1);
  nfe.signature.SetDigestValue("ZGln");
  nfe.procNFe.nProt = "135240000000001";
  nfe.autXML.New().CNPJCPF = "12345678909";
  return nfe;
}

TEST(NFeModel, CopyIsDeepAndIndependent) {
  TNFe original = DocumentoPreenchido();
  TNFe copia(original);
  EXPECT_EQ(copia.Det.Count(), 1);
  EXPECT_NE(&copia.Det[0], &original.Det[0]);
  EXPECT_EQ(copia.Det[0].Prod.DI[0].adi[0].nAdicao, 7);
  EXPECT_EQ(copia.pag.vTroco, TCurrency(1));
  EXPECT_EQ(copia.signature.DigestValue(), "ZGln");
  EXPECT_EQ(copia.procNFe.nProt, "135240000000001");

  copia.Det[0].Prod.DI[0].adi[0].nAdicao = 8;
  copia.Det.New();
  copia.Ide.NFref.Clear();
  copia.signature.SetDigestValue("");
  EXPECT_EQ(original.Det.Count(), 1);
  EXPECT_EQ(original.Det[0].Prod.DI[0].adi[0].nAdicao, 7);
  EXPECT_EQ(original.Ide.NFref.Count(), 1);
  EXPECT_EQ(original.signature.DigestValue(), "ZGln");

  TNFe atribuida;
  atribuida = original;
  EXPECT_EQ(atribuida.Det[0].Prod.rastro[0].nLote, "L1");
  EXPECT_EQ(atribuida.Emit.CRT, crt1);
}

TEST(NFeModel, MovingADocumentKeepsItsItemsInPlace) {
  TNFe original = DocumentoPreenchido();
  TDetCollectionItem* item = &original.Det[0];
  TNFe movida(std::move(original));
  EXPECT_EQ(&movida.Det[0], item);
}

TEST(NFeModel, ClearBringsBackANewDocument) {
  TNFe nfe = DocumentoPreenchido();
  nfe.Emit.EnderEmit.cPais = 5850;
  nfe.procNFe.Gerador().SetArquivoFormatoXML("<nfeProc/>");
  nfe.procNFe.Gerador().ListaDeAlertas().push_back("x");
  nfe.signature.Gerador().SetArquivoFormatoXML("<Signature/>");
  nfe.Clear();
  EXPECT_EQ(nfe.infNFe.versao, 0.0);
  EXPECT_EQ(nfe.Det.Count(), 0);
  EXPECT_EQ(nfe.pag.Count(), 0);
  EXPECT_EQ(nfe.pag.vTroco, TCurrency(0));
  EXPECT_EQ(nfe.Ide.NFref.Count(), 0);
  EXPECT_EQ(nfe.autXML.Count(), 0);
  EXPECT_EQ(nfe.Ide.natOp, "");
  EXPECT_EQ(nfe.Emit.EnderEmit.cPais, 1058);
  EXPECT_EQ(nfe.Emit.CRT, crt3);
  EXPECT_EQ(nfe.signature.DigestValue(), "");
  EXPECT_EQ(nfe.procNFe.nProt, "");
  EXPECT_EQ(nfe.procNFe.Gerador().ArquivoFormatoXML(), "");
  EXPECT_TRUE(nfe.procNFe.Gerador().ListaDeAlertas().empty());
  EXPECT_EQ(nfe.signature.Gerador().ArquivoFormatoXML(), "");
}

TEST(NFeModel, CopyingTheProtocolCopiesFieldsNotTheGeneratorOutput) {
  TProcNFe a;
  a.nProt = "135";
  a.cStat = 100;
  a.Gerador().SetArquivoFormatoXML("<old/>");
  TProcNFe b(a);
  EXPECT_EQ(b.nProt, "135");
  EXPECT_EQ(b.cStat, 100);
  EXPECT_EQ(b.Gerador().ArquivoFormatoXML(), "");
  EXPECT_NE(&a.Gerador(), &b.Gerador());
}

}  // namespace
}  // namespace tuim
