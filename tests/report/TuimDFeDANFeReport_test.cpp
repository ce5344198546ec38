#include "report/TuimDFeDANFeReport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <memory>

#include "component/TuimComponentTestUtil.h"
#include "component/TuimNFe.h"
#include "fiscal/TuimUtil.h"

using namespace tuim;
using tuim::testing::PastaTemporaria;

namespace {

std::string Mensagem(const std::function<void()>& f) {
  try {
    f();
  } catch (const ETuimNFeException& e) {
    return e.what();
  } catch (const std::exception& e) {
    return std::string("outra exceção: ") + e.what();
  }
  return "nada";
}

// A renderer with its own name that overrides no print operation.
class RenderizadorSemDesenho : public TTuimDFeDANFeReport {
public:
  std::string ClassName() const override { return "TRenderizadorTeste"; }
};

// A renderer that draws by remembering what it was asked to draw.
class RenderizadorTeste : public TTuimDFeDANFeReport {
public:
  using TTuimDFeDANFeReport::TTuimDFeDANFeReport;
  std::string ClassName() const override { return "TRenderizadorTeste"; }
  void ImprimirDANFE(const TNFe* nfe) override {
    Impressos++;
    CanceladaAoImprimir = Cancelada();
    Ultimo = nfe;
    if (Falhar) throw ETuimNFeException("impressora desligada");
  }
  // The document being printed names the PDF sub-folders.
  const TNFe* Documento = nullptr;
  int Impressos = 0;
  bool CanceladaAoImprimir = false;
  bool Falhar = false;
  const TNFe* Ultimo = nullptr;

protected:
  const TNFe* PrimeiroDocumento() const override { return Documento; }
};

}  // namespace

// ---- Defaults and setters -------------------------------------------------------------------

TEST(TuimDANFePropriedades, DefaultsAsDeclared) {
  TTuimDFeDANFeReport d;
  EXPECT_EQ(d.TuimNFe(), nullptr);
  EXPECT_EQ(d.TipoDANFE(), tiRetrato);
  EXPECT_TRUE(d.QuebraLinhaEmDetalhamentos());
  EXPECT_TRUE(d.ImprimeTotalLiquido());
  EXPECT_EQ(d.ImprimeTributos(), trbNormal);
  EXPECT_FALSE(d.ExibeTotalTributosItem());
  EXPECT_EQ(d.ExibeInforAdicProduto(), infDescricao);
  EXPECT_FALSE(d.ImprimeCodigoEan());
  EXPECT_FALSE(d.ImprimeNomeFantasia());
  EXPECT_FALSE(d.ImprimeEmUmaLinha());
  EXPECT_FALSE(d.Cancelada());
  EXPECT_EQ(d.ClassName(), "TTuimDFeDANFeReport");
  // The common report settings come with it.
  EXPECT_EQ(d.NumCopias(), 1);
  EXPECT_EQ(d.CasasDecimais().qCom(), 2);
}

TEST(TuimDANFePropriedades, SettersStoreWhatTheyAreGiven) {
  TTuimDFeDANFeReport d;
  d.SetTipoDANFE(tiPaisagem);
  d.SetQuebraLinhaEmDetalhamentos(false);
  d.SetImprimeTotalLiquido(false);
  d.SetImprimeTributos(trbSeparadamente);
  d.SetExibeTotalTributosItem(true);
  d.SetExibeInforAdicProduto(infSeparadamente);
  d.SetImprimeCodigoEan(true);
  d.SetImprimeNomeFantasia(true);
  d.SetImprimeEmUmaLinha(true);
  EXPECT_EQ(d.TipoDANFE(), tiPaisagem);
  EXPECT_FALSE(d.QuebraLinhaEmDetalhamentos());
  EXPECT_FALSE(d.ImprimeTotalLiquido());
  EXPECT_EQ(d.ImprimeTributos(), trbSeparadamente);
  EXPECT_TRUE(d.ExibeTotalTributosItem());
  EXPECT_EQ(d.ExibeInforAdicProduto(), infSeparadamente);
  EXPECT_TRUE(d.ImprimeCodigoEan());
  EXPECT_TRUE(d.ImprimeNomeFantasia());
  EXPECT_TRUE(d.ImprimeEmUmaLinha());
}

// ---- Print operations -----------------------------------------------------------------------

struct Operacao {
  const char* nome;
  void (TTuimDFeDANFeReport::*imprimir)(const TNFe*);
};

class PrintOperation : public ::testing::TestWithParam<Operacao> {};
TEST_P(PrintOperation, BaseRaisesNotImplementedWithItsClassName) {
  TTuimDFeDANFeReport d;
  TNFe nfe;
  EXPECT_EQ(Mensagem([&] { (d.*GetParam().imprimir)(&nfe); }),
            std::string(GetParam().nome) + " n\xE3o implementado em: TTuimDFeDANFeReport");
  EXPECT_EQ(Mensagem([&] { (d.*GetParam().imprimir)(nullptr); }),
            std::string(GetParam().nome) + " n\xE3o implementado em: TTuimDFeDANFeReport");
}
TEST_P(PrintOperation, RendererThatDoesNotOverrideItIsNamed) {
  RenderizadorSemDesenho r;
  EXPECT_EQ(Mensagem([&] { (r.*GetParam().imprimir)(nullptr); }),
            std::string(GetParam().nome) + " n\xE3o implementado em: TRenderizadorTeste");
}
INSTANTIATE_TEST_SUITE_P(
    TuimDANFe, PrintOperation,
    ::testing::Values(Operacao{"ImprimirDANFE", &TTuimDFeDANFeReport::ImprimirDANFE},
                      Operacao{"ImprimirDANFEResumido", &TTuimDFeDANFeReport::ImprimirDANFEResumido},
                      Operacao{"ImprimirDANFEPDF", &TTuimDFeDANFeReport::ImprimirDANFEPDF},
                      Operacao{"ImprimirDANFEResumidoPDF", &TTuimDFeDANFeReport::ImprimirDANFEResumidoPDF},
                      Operacao{"ImprimirEVENTO", &TTuimDFeDANFeReport::ImprimirEVENTO},
                      Operacao{"ImprimirEVENTOPDF", &TTuimDFeDANFeReport::ImprimirEVENTOPDF},
                      Operacao{"ImprimirINUTILIZACAO", &TTuimDFeDANFeReport::ImprimirINUTILIZACAO},
                      Operacao{"ImprimirINUTILIZACAOPDF", &TTuimDFeDANFeReport::ImprimirINUTILIZACAOPDF}),
    [](const auto& info) { return std::string(info.param.nome); });

TEST(TuimDANFeImpressao, CancelledPrintRaisesThePlainPrintMessageInTheBase) {
  TTuimDFeDANFeReport d;
  EXPECT_EQ(Mensagem([&] { d.ImprimirDANFECancelado(nullptr); }),
            "ImprimirDANFE n\xE3o implementado em: TTuimDFeDANFeReport");
  EXPECT_FALSE(d.Cancelada());
}

TEST(TuimDANFeImpressao, CancelledPrintMarksOnlyThatPrint) {
  RenderizadorTeste r;
  TNFe nfe;
  r.ImprimirDANFECancelado(&nfe);
  EXPECT_EQ(r.Impressos, 1);
  EXPECT_TRUE(r.CanceladaAoImprimir);
  EXPECT_EQ(r.Ultimo, &nfe);
  EXPECT_FALSE(r.Cancelada());
  r.ImprimirDANFE(&nfe);
  EXPECT_EQ(r.Impressos, 2);
  EXPECT_FALSE(r.CanceladaAoImprimir);
}

TEST(TuimDANFeImpressao, CancelledFlagIsClearedWhenTheRendererFails) {
  RenderizadorTeste r;
  r.Falhar = true;
  EXPECT_EQ(Mensagem([&] { r.ImprimirDANFECancelado(nullptr); }), "impressora desligada");
  EXPECT_TRUE(r.CanceladaAoImprimir);
  EXPECT_FALSE(r.Cancelada());
}

// ---- Link with the NF-e component -----------------------------------------------------------

TEST(TuimDANFeLigacao, LinkingFromTheReportSetsTheComponentsDanfe) {
  TTuimNFe nfe;
  TTuimDFeDANFeReport d;
  d.SetTuimNFe(&nfe);
  EXPECT_EQ(d.TuimNFe(), &nfe);
  EXPECT_EQ(nfe.DANFE(), &d);
}

TEST(TuimDANFeLigacao, LinkingFromTheComponentSetsTheReportsBackReference) {
  TTuimNFe nfe;
  TTuimDFeDANFeReport d;
  nfe.SetDANFE(&d);
  EXPECT_EQ(d.TuimNFe(), &nfe);
  EXPECT_EQ(nfe.DANFE(), &d);
}

TEST(TuimDANFeLigacao, AComponentOfAnotherKindIsRefusedAndTheLinkKept) {
  TTuimNFe nfe;
  TTuimDFeDANFeReport d;
  d.SetTuimNFe(&nfe);
  TTuimComponent outro;
  TTuimDFeDANFeReport outroRelatorio;
  EXPECT_EQ(Mensagem([&] { d.SetTuimNFe(&outro); }), "TuimDANFE.NFE deve ser do tipo TTuimNFe");
  EXPECT_EQ(Mensagem([&] { d.SetTuimNFe(&outroRelatorio); }), "TuimDANFE.NFE deve ser do tipo TTuimNFe");
  EXPECT_EQ(d.TuimNFe(), &nfe);
  EXPECT_EQ(nfe.DANFE(), &d);
}

TEST(TuimDANFeLigacao, SettingTheSameComponentAgainChangesNothing) {
  TTuimNFe nfe;
  TTuimDFeDANFeReport d;
  d.SetTuimNFe(&nfe);
  d.SetTuimNFe(&nfe);
  nfe.SetDANFE(&d);
  EXPECT_EQ(d.TuimNFe(), &nfe);
  EXPECT_EQ(nfe.DANFE(), &d);
  d.SetTuimNFe(nullptr);
  d.SetTuimNFe(nullptr);
  EXPECT_EQ(d.TuimNFe(), nullptr);
}

TEST(TuimDANFeLigacao, UnlinkingFromEitherSideClearsBoth) {
  TTuimNFe nfe;
  TTuimDFeDANFeReport d;
  d.SetTuimNFe(&nfe);
  d.SetTuimNFe(nullptr);
  EXPECT_EQ(nfe.DANFE(), nullptr);
  nfe.SetDANFE(&d);
  nfe.SetDANFE(nullptr);
  EXPECT_EQ(d.TuimNFe(), nullptr);
}

TEST(TuimDANFeLigacao, MovingToAnotherComponentReleasesTheFirst) {
  TTuimNFe primeira, segunda;
  TTuimDFeDANFeReport d;
  d.SetTuimNFe(&primeira);
  d.SetTuimNFe(&segunda);
  EXPECT_EQ(primeira.DANFE(), nullptr);
  EXPECT_EQ(segunda.DANFE(), &d);
  EXPECT_EQ(d.TuimNFe(), &segunda);
}

TEST(TuimDANFeLigacao, TakingAComponentReleasesItsPreviousReport) {
  TTuimNFe nfe;
  TTuimDFeDANFeReport antigo, novo;
  antigo.SetTuimNFe(&nfe);
  novo.SetTuimNFe(&nfe);
  EXPECT_EQ(nfe.DANFE(), &novo);
  EXPECT_EQ(antigo.TuimNFe(), nullptr);
  EXPECT_EQ(novo.TuimNFe(), &nfe);
}

TEST(TuimDANFeLigacao, ComponentGoingAwayClearsTheReportsLink) {
  TTuimDFeDANFeReport d;
  {
    TTuimNFe nfe;
    d.SetTuimNFe(&nfe);
  }
  EXPECT_EQ(d.TuimNFe(), nullptr);
  TTuimNFe outra;
  d.SetTuimNFe(&outra);  // no trace of the one that went away
  EXPECT_EQ(outra.DANFE(), &d);
}

TEST(TuimDANFeLigacao, ReportGoingAwayClearsTheComponentsDanfe) {
  TTuimNFe nfe;
  {
    TTuimDFeDANFeReport d;
    nfe.SetDANFE(&d);
  }
  EXPECT_EQ(nfe.DANFE(), nullptr);
  auto d = std::make_unique<RenderizadorTeste>();
  d->SetTuimNFe(&nfe);
  d.reset();
  EXPECT_EQ(nfe.DANFE(), nullptr);
}

TEST(TuimDANFeLigacao, ReleasedComponentGoingAwayLeavesTheNewLinkAlone) {
  TTuimNFe segunda;
  TTuimDFeDANFeReport d;
  {
    TTuimNFe primeira;
    d.SetTuimNFe(&primeira);
    d.SetTuimNFe(&segunda);
  }
  EXPECT_EQ(d.TuimNFe(), &segunda);
  EXPECT_EQ(segunda.DANFE(), &d);
}

TEST(TuimDANFeLigacao, ReleasingAComponentThatPrintsElsewhereLeavesItsReportAlone) {
  TTuimNFe nfe;
  TTuimDFeDANFeReport d, outro;
  nfe.SetDANFE(&outro);
  // A back-reference set without the component knowing, as the plain link base allows.
  d.TTuimDANFeBase::SetTuimNFe(&nfe);
  d.SetTuimNFe(nullptr);
  EXPECT_EQ(nfe.DANFE(), &outro);
  EXPECT_EQ(outro.TuimNFe(), &nfe);
}

TEST(TuimDANFeLigacao, ReportBelongsToItsOwner) {
  TTuimComponent formulario;
  TTuimDFeDANFeReport d(&formulario);
  d.SetName("DANFE1");
  EXPECT_EQ(d.Owner(), &formulario);
  EXPECT_EQ(formulario.FindComponent("DANFE1"), &d);
  EXPECT_EQ(d.CasasDecimais().Owner(), &d);
}

// ---- PDF folder of the document -------------------------------------------------------------

namespace {

TNFe Documento(int modelo) {
  TNFe n;
  n.Ide.modelo = modelo;
  n.Ide.dEmi = EncodeDate(2024, 3, 15);
  n.Emit.CNPJCPF = "12345678000195";
  return n;
}

// Issuer, month and literal levels, dated by issue.
void RegrasDePasta(TTuimNFe& nfe) {
  auto& a = nfe.Configuracoes().Arquivos();
  a.SetSepararPorCNPJ(true);
  a.SetSepararPorMes(true);
  a.SetAdicionarLiteral(true);
  a.SetEmissaoPathNFe(true);
}

}  // namespace

struct CasoModelo {
  int modelo;
  const char* sufixo;
};

class PdfFolderByModel : public ::testing::TestWithParam<CasoModelo> {};
TEST_P(PdfFolderByModel, FollowsTheComponentsFolderRules) {
  PastaTemporaria tmp;
  TTuimNFe nfe;
  nfe.Configuracoes().Geral().SetModeloDF(moNFCe);
  RegrasDePasta(nfe);
  RenderizadorTeste r;
  r.SetTuimNFe(&nfe);
  TNFe doc = Documento(GetParam().modelo);
  r.Documento = &doc;
  r.SetPathPDF(tmp / "pdf");
  r.SetUsaSeparadorPathPDF(true);
  std::string esperado = tmp.Path() + "pdf/12345678000195/202403/" + GetParam().sufixo;
  EXPECT_EQ(r.PathPDF(), esperado);
  EXPECT_TRUE(std::filesystem::is_directory(esperado));
}
INSTANTIATE_TEST_SUITE_P(TuimDANFe, PdfFolderByModel,
                         ::testing::Values(CasoModelo{55, "NFe/"}, CasoModelo{65, "NFCe/"},
                                           CasoModelo{0, "NFCe/"},  // the component's own model
                                           CasoModelo{57, ""}));

TEST(TuimDANFePathPDF, NoLiteralWhenTheConfigurationAsksForNone) {
  PastaTemporaria tmp;
  TTuimNFe nfe;
  RegrasDePasta(nfe);
  nfe.Configuracoes().Arquivos().SetAdicionarLiteral(false);
  TNFe doc = Documento(55);
  RenderizadorTeste r;
  r.SetTuimNFe(&nfe);
  EXPECT_EQ(r.PastaPDFDocumento(tmp.Path(), doc), tmp.Path() + "12345678000195/202403");
}

TEST(TuimDANFePathPDF, CurrentDateWhenIssueDateIsNotAsked) {
  PastaTemporaria tmp;
  TTuimNFe nfe;
  RegrasDePasta(nfe);
  nfe.Configuracoes().Arquivos().SetEmissaoPathNFe(false);
  TNFe doc = Documento(55);
  RenderizadorTeste r;
  r.SetTuimNFe(&nfe);
  std::string antes = FormatarDataBr(Now(), "YYYYMM");
  std::string pasta = r.PastaPDFDocumento(tmp.Path(), doc);
  std::string depois = FormatarDataBr(Now(), "YYYYMM");
  EXPECT_TRUE(pasta == tmp.Path() + "12345678000195/" + antes + "/NFe" ||
              pasta == tmp.Path() + "12345678000195/" + depois + "/NFe")
      << pasta;
}

TEST(TuimDANFePathPDF, UnchangedWithoutADocumentOrComponent) {
  PastaTemporaria tmp;
  TTuimNFe nfe;
  RegrasDePasta(nfe);
  TNFe doc = Documento(55);
  RenderizadorTeste r;
  r.SetPathPDF(tmp / "pdf");
  r.SetUsaSeparadorPathPDF(true);
  r.Documento = &doc;
  EXPECT_EQ(r.PathPDF(), tmp.Path() + "pdf/");  // no component linked
  EXPECT_EQ(r.PastaPDFDocumento(tmp.Path(), doc), tmp.Path());
  r.SetTuimNFe(&nfe);
  r.Documento = nullptr;
  EXPECT_EQ(r.PathPDF(), tmp.Path() + "pdf/");  // component holds no document
  TTuimDFeDANFeReport base;
  base.SetTuimNFe(&nfe);
  base.SetPathPDF(tmp / "pdf");
  base.SetUsaSeparadorPathPDF(true);
  EXPECT_EQ(base.PathPDF(), tmp.Path() + "pdf/");
  EXPECT_FALSE(std::filesystem::exists(tmp.Path() + "pdf"));
}

// ---- Column texts ---------------------------------------------------------------------------

TEST(TuimDANFeTextos, SeparatorIsALineBreakOrADash) {
  TTuimDFeDANFeReport d;
  EXPECT_EQ(d.Separador(), "\r\n");
  d.SetQuebraLinhaEmDetalhamentos(false);
  EXPECT_EQ(d.Separador(), " - ");
}

struct CasoCodigo {
  bool ean;
  const char* cEAN;
  const char* cProd;
  const char* esperado;
};

class ProductCode : public ::testing::TestWithParam<CasoCodigo> {};
TEST_P(ProductCode, IsTheGtinOnlyWhenAskedAndPresent) {
  TTuimDFeDANFeReport d;
  d.SetImprimeCodigoEan(GetParam().ean);
  EXPECT_EQ(d.CodigoProduto(GetParam().cEAN, GetParam().cProd), GetParam().esperado);
}
INSTANTIATE_TEST_SUITE_P(TuimDANFe, ProductCode,
                         ::testing::Values(CasoCodigo{false, "7891234567895", " P-001 ", "P-001"},
                                           CasoCodigo{true, " 7891234567895 ", "P-001", "7891234567895"},
                                           CasoCodigo{true, "SEM GTIN", " P-001", "P-001"},
                                           CasoCodigo{true, " SEM GTIN ", "P-001", "P-001"},
                                           CasoCodigo{true, "", "P-001", "P-001"},
                                           CasoCodigo{true, "   ", "P-001", "P-001"},
                                           CasoCodigo{true, "sem gtin", "P-001", "sem gtin"},
                                           CasoCodigo{true, "", "", ""}));

TEST(TuimDANFeTextos, IssuerNameIsTheTradeNameOnlyWhenAskedAndPresent) {
  TTuimDFeDANFeReport d;
  EXPECT_EQ(d.NomeEmitente("Comércio Tuim Ltda", "Tuim Já"), "Com\xE9rcio Tuim Ltda");
  d.SetImprimeNomeFantasia(true);
  EXPECT_EQ(d.NomeEmitente("Comércio Tuim Ltda", "Tuim Já"), "Tuim J\xE1");
  EXPECT_EQ(d.NomeEmitente("Comércio Tuim Ltda", ""), "Com\xE9rcio Tuim Ltda");
}

TEST(TuimDANFeTextos, UnitsAddTheTaxUnitOnItsOwnLine) {
  TTuimDFeDANFeReport d;
  EXPECT_EQ(d.Unidades(" UN ", " CX "), "UN\r\nCX");
  EXPECT_EQ(d.Unidades("UN", ""), "UN");
  EXPECT_EQ(d.Unidades("UN", "   "), "UN");
  EXPECT_EQ(d.Unidades("", "KG"), "\r\nKG");
  d.SetQuebraLinhaEmDetalhamentos(false);  // the column break is always a line break
  EXPECT_EQ(d.Unidades("UN", "CX"), "UN\r\nCX");
}

TEST(TuimDANFeTextos, QuantitiesAlwaysShowTheirDecimalPlaces) {
  TTuimDFeDANFeReport d;
  EXPECT_EQ(d.Quantidades(2, 0), "2,00");
  EXPECT_EQ(d.Quantidades(2, 24), "2,00\r\n24,00");
  EXPECT_EQ(d.Quantidades(1.5, -1), "1,50");
  d.CasasDecimais().SetqCom(4);
  EXPECT_EQ(d.Quantidades(1234.56789, 0.5), "1.234,5679\r\n0,5000");
}

TEST(TuimDANFeTextos, UnitValuesAddTheTaxUnitValueWhenPositive) {
  TTuimDFeDANFeReport d;
  EXPECT_EQ(d.ValoresUnitarios(10.5, 0.875), "10,50\r\n0,88");
  EXPECT_EQ(d.ValoresUnitarios(10.5, 0), "10,50");
  EXPECT_EQ(d.ValoresUnitarios(10.5, -3), "10,50");
  d.CasasDecimais().SetFormato(tdetMascara);
  d.CasasDecimais().SetMaskvUnCom(",0.0000");
  EXPECT_EQ(d.ValoresUnitarios(1234.5, 1.23456), "1.234,5000\r\n1,2346");
}

struct CasoDocumento {
  const char* documento;
  const char* esperado;
};

class RecipientDocument : public ::testing::TestWithParam<CasoDocumento> {};
TEST_P(RecipientDocument, IsLabelledAndFormatted) {
  TTuimDFeDANFeReport d;
  EXPECT_EQ(d.DocumentoDestinatario(GetParam().documento), GetParam().esperado);
}
INSTANTIATE_TEST_SUITE_P(TuimDANFe, RecipientDocument,
                         ::testing::Values(CasoDocumento{"", ""},
                                           CasoDocumento{"12345678000195", " CNPJ: 12.345.678/0001-95"},
                                           CasoDocumento{"12345678909", " CPF: 123.456.789-09"},
                                           CasoDocumento{"12.345.678/0001-95", " CNPJ: 12.345.678/0001-95"},
                                           // 14 characters, but a CPF
                                           CasoDocumento{"123.456.789-09", " CPF: 123.456.789-09"}));

// ---- Additional information -----------------------------------------------------------------

TEST(TuimDANFeInformacoes, ItemInformationReplacesSemicolonsBySeparator) {
  TTuimDFeDANFeReport d;
  TNFe nfe;
  nfe.Det.New().infAdProd = "  Lote 12;Validade 12/2026;Cor: AZUL-MARINHO; Tamanho: MÉDIO  ";
  EXPECT_EQ(d.InfAdicionalProduto(nfe, 0),
            "\r\nLote 12\r\nValidade 12/2026\r\nCor: AZUL-MARINHO\r\n Tamanho: M\xC9" "DIO");
  d.SetQuebraLinhaEmDetalhamentos(false);
  EXPECT_EQ(d.InfAdicionalProduto(nfe, 0), " - Lote 12 - Validade 12/2026 - Cor: AZUL-MARINHO -  Tamanho: M\xC9" "DIO");
}

TEST(TuimDANFeInformacoes, ItemInformationEmptyCases) {
  TTuimDFeDANFeReport d;
  TNFe nfe;
  EXPECT_EQ(d.InfAdicionalProduto(nfe, 0), "");  // no items
  nfe.Det.New().infAdProd = "Lote 12";
  nfe.Det.New().infAdProd = "   ";
  nfe.Det.New();
  EXPECT_EQ(d.InfAdicionalProduto(nfe, 0), "\r\nLote 12");
  EXPECT_EQ(d.InfAdicionalProduto(nfe, 1), "");
  EXPECT_EQ(d.InfAdicionalProduto(nfe, 2), "");
  EXPECT_EQ(d.InfAdicionalProduto(nfe, 3), "");
  EXPECT_EQ(d.InfAdicionalProduto(nfe, -1), "");
  EXPECT_EQ(d.InfAdicionalProduto(nfe, 1 << 30), "");
  d.SetExibeInforAdicProduto(infSeparadamente);
  EXPECT_EQ(d.InfAdicionalProduto(nfe, 0), "");
  d.SetExibeInforAdicProduto(infNenhum);
  EXPECT_EQ(d.InfAdicionalProduto(nfe, 0), "");
}

TEST(TuimDANFeInformacoes, ItemInformationOfManyItemsKeepsEachItemsText) {
  TTuimDFeDANFeReport d;
  TNFe nfe;
  for (int i = 0; i < 990; ++i) nfe.Det.New().infAdProd = "Item " + std::to_string(i + 1) + ";OK";
  EXPECT_EQ(d.InfAdicionalProduto(nfe, 0), "\r\nItem 1\r\nOK");
  EXPECT_EQ(d.InfAdicionalProduto(nfe, 499), "\r\nItem 500\r\nOK");
  EXPECT_EQ(d.InfAdicionalProduto(nfe, 989), "\r\nItem 990\r\nOK");
  EXPECT_EQ(d.InfAdicionalProduto(nfe, 990), "");
}

struct CasoFisco {
  const char* fisco;
  const char* complementar;
  const char* esperado;
};

class TaxAuthorityInformation : public ::testing::TestWithParam<CasoFisco> {};
TEST_P(TaxAuthorityInformation, EndsWithASeparatorBeforeComplementaryText) {
  TTuimDFeDANFeReport d;
  TNFe nfe;
  nfe.InfAdic.infAdFisco = GetParam().fisco;
  nfe.InfAdic.infCpl = GetParam().complementar;
  EXPECT_EQ(d.InfAdicionalFisco(nfe), GetParam().esperado);
}
INSTANTIATE_TEST_SUITE_P(
    TuimDANFe, TaxAuthorityInformation,
    ::testing::Values(CasoFisco{"", "Pedido 77", ""}, CasoFisco{"", "", ""},
                      CasoFisco{"ICMS diferido;", "Pedido 77", "ICMS diferido;"},
                      CasoFisco{"ICMS diferido", "Pedido 77", "ICMS diferido; "},
                      CasoFisco{"ICMS diferido", "", "ICMS diferido"},
                      CasoFisco{"Redução de base", "Pedido 77", "Redu\xE7\xE3o de base; "}));

TEST(TuimDANFeInformacoes, ComplementaryTextIsReturnedAsIs) {
  TTuimDFeDANFeReport d;
  TNFe nfe;
  EXPECT_EQ(d.InfComplementar(nfe), "");
  nfe.InfAdic.infCpl = " Pedido 77; entrega às 8h ";
  EXPECT_EQ(d.InfComplementar(nfe), " Pedido 77; entrega \xE0s 8h ");
}

TEST(TuimDANFeInformacoes, ObservationsJoinFieldAndText) {
  TTuimDFeDANFeReport d;
  TNFe nfe;
  EXPECT_EQ(d.ObservacoesContribuinte(nfe), "");
  EXPECT_EQ(d.ObservacoesFisco(nfe), "");
  auto& c1 = nfe.InfAdic.obsCont.New();
  c1.xCampo = "Vendedor";
  c1.xTexto = "João";
  EXPECT_EQ(d.ObservacoesContribuinte(nfe), "Vendedor: Jo\xE3o; ");
  auto& c2 = nfe.InfAdic.obsCont.New();
  c2.xCampo = "Pedido";
  c2.xTexto = "77";
  EXPECT_EQ(d.ObservacoesContribuinte(nfe), "Vendedor: Jo\xE3o;Pedido: 77; ");
  EXPECT_EQ(d.ObservacoesFisco(nfe), "");  // the other list stays apart
  auto& f = nfe.InfAdic.obsFisco.New();
  f.xCampo = "Regime";
  f.xTexto = "Especial";
  EXPECT_EQ(d.ObservacoesFisco(nfe), "Regime: Especial; ");
}

TEST(TuimDANFeInformacoes, ReferencedProcessesNameTheirOrigin) {
  TTuimDFeDANFeReport d;
  TNFe nfe;
  EXPECT_EQ(d.ProcessosReferenciados(nfe), "");
  auto& p1 = nfe.InfAdic.procRef.New();
  p1.nProc = "123";
  p1.indProc = indProc0;
  EXPECT_EQ(d.ProcessosReferenciados(nfe), "PROCESSO OU ATO CONCESS\xD3RIO N\xBA: 123 - ORIGEM: SEFAZ; ");
  auto& p2 = nfe.InfAdic.procRef.New();
  p2.nProc = "456";
  p2.indProc = indProc1;
  EXPECT_EQ(d.ProcessosReferenciados(nfe),
            "PROCESSO OU ATO CONCESS\xD3RIO N\xBA: 123 - ORIGEM: SEFAZ;"
            "PROCESSO OU ATO CONCESS\xD3RIO N\xBA: 456 - ORIGEM: JUSTI\xC7" "A FEDERAL; ");
}

// ---- Item amounts and tax situation ---------------------------------------------------------

TEST(TuimDANFeValores, ItemTotalIsNetOfDiscountUnlessAskedOtherwise) {
  TTuimDFeDANFeReport d;
  const TCurrency desconto = TCurrency::FromDouble(1.5), produto = TCurrency::FromDouble(12345.678);
  EXPECT_EQ(d.TotalItem(desconto, produto), "12.344,18");
  EXPECT_EQ(d.TotalItem(TCurrency(), produto), "12.345,68");
  EXPECT_EQ(d.TotalItem(TCurrency::FromDouble(0.005), TCurrency::FromDouble(0.01)), "0,01");
  EXPECT_EQ(d.TotalItem(TCurrency(10), TCurrency(10)), "0,00");
  d.SetImprimeTotalLiquido(false);
  EXPECT_EQ(d.TotalItem(desconto, produto), "12.345,68");
}

TEST(TuimDANFeValores, ItemTaxesShowOnlyWhenAsked) {
  TTuimDFeDANFeReport d;
  const TCurrency tributos = TCurrency::FromDouble(1234.565);
  EXPECT_EQ(d.TributosItem(tributos), "0,00");
  d.SetExibeTotalTributosItem(true);
  EXPECT_EQ(d.TributosItem(tributos), "1.234,57");
  EXPECT_EQ(d.TributosItem(TCurrency()), "0,00");
}

struct CasoSituacao {
  bool usaCST;
  TfscCSOSN csosn;
  TfscCSTIcms cst;
  const char* esperado;
};

class TaxSituation : public ::testing::TestWithParam<CasoSituacao> {};
TEST_P(TaxSituation, IsTheCstOrTheCsosnCode) {
  TTuimDFeDANFeReport d;
  EXPECT_EQ(d.SituacaoTributariaItem(GetParam().usaCST, GetParam().csosn, GetParam().cst), GetParam().esperado);
}
INSTANTIATE_TEST_SUITE_P(TuimDANFe, TaxSituation,
                         ::testing::Values(CasoSituacao{true, csosn102, cstIcms60, "60"},
                                           CasoSituacao{false, csosn102, cstIcms60, "102"},
                                           CasoSituacao{true, csosn900, cstIcms00, "00"},
                                           CasoSituacao{false, csosn0, cstIcms00, "0"},
                                           CasoSituacao{true, csosn101, cstIcmsVazio, ""}));
