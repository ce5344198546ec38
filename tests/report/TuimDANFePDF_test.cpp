#include "report/TuimDANFePDF.h"

#include <gtest/gtest.h>

#include <cairo.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <sstream>

#include "component/TuimComponentTestUtil.h"
#include "component/TuimNFe.h"
#include "fiscal/TuimException.h"
#include "testing/DANFeCorpus.h"
#include "report/DANFeTestUtil.h"
#include "report/TuimCodigoBarras.h"
#include "report/TuimDesenhoPDF.h"

using namespace tuim;
using tuim::testing::PastaTemporaria;
namespace pt = tuim::pdfteste;

namespace {

std::string Gravado(const PastaTemporaria& tmp, const std::string& nome, const std::string& pdf) {
  std::string arquivo = tmp / nome;
  pt::Gravar(arquivo, pdf);
  return arquivo;
}

std::string Chave(const TNFe& n) { return n.infNFe.ID.substr(3); }

// Whether `s` is in the text, however the layout broke its lines.
bool Contem(const std::string& texto, const std::string& s) {
  return pt::SemBrancos(texto).find(pt::SemBrancos(s)) != std::string::npos;
}

}  // namespace

// ---- Code 128 and QR code -------------------------------------------------------------------

struct CasoCode128 {
  const char* texto;
  std::vector<int> inicio;  // the first symbols: start and what follows
};
class Code128Subsets : public ::testing::TestWithParam<CasoCode128> {};
TEST_P(Code128Subsets, DigitRunsGoInCAndLettersInA) {
  std::vector<int> s = SimbolosCode128(GetParam().texto);
  ASSERT_GE(s.size(), GetParam().inicio.size());
  EXPECT_EQ(std::vector<int>(s.begin(), s.begin() + static_cast<long>(GetParam().inicio.size())), GetParam().inicio);
}
INSTANTIATE_TEST_SUITE_P(TuimDANFe, Code128Subsets,
                         ::testing::Values(CasoCode128{"1234", {105, 12, 34}},
                                           CasoCode128{"12AB3456", {103, 17, 18, 33, 34, 99, 34, 56}},
                                           CasoCode128{"12345", {103, 17, 99, 23, 45}},
                                           CasoCode128{"A1", {103, 33, 17}}));

TEST(TuimDANFeCode128, CheckSymbolIsTheWeightedSumModulo103) {
  std::vector<int> s = SimbolosCode128("1234");
  ASSERT_EQ(s.size(), 4u);
  EXPECT_EQ(s[3], (105 + 1 * 12 + 2 * 34) % 103);
}

TEST(TuimDANFeCode128, EveryDataSymbolIsElevenModulesWide) {
  std::vector<int> w = CodificarCode128("35240511222333000181550010000001231123456780");
  int total = 0;
  for (int x : w) total += x;
  // start + 22 pairs + check = 24 symbols of 11 modules, and a stop of 13.
  EXPECT_EQ(total, 24 * 11 + 13);
  EXPECT_EQ(w.size() % 2, 1u);  // begins and ends with a bar
}

TEST(TuimDANFeCode128, TextOutsideSubsetAGivesNothing) {
  EXPECT_TRUE(CodificarCode128("").empty());
  EXPECT_TRUE(CodificarCode128("abc").empty());
  EXPECT_TRUE(CodificarCode128("12\xE9").empty());
}

TEST(TuimDANFeQRCode, EmptyTextHasNoMatrix) {
  EXPECT_TRUE(TMatrizQRCode("").Vazia());
  TMatrizQRCode q("https://example.com/qrcode?p=1");
  EXPECT_FALSE(q.Vazia());
  EXPECT_GE(q.Lado(), 21);
}

// ---- DANFE of an NF-e -----------------------------------------------------------------------

TEST(TuimNFeDANFePDF, BarCodeReadsBackAsTheKey) {
  PastaTemporaria tmp;
  TNFe n = corpus::NFe(3);
  TTuimNFeDANFePDF r;
  std::string pdf = Gravado(tmp, "danfe.pdf", r.GerarPDF(n));
  std::vector<std::string> codigos = pt::Codigos(pt::Imagem(pdf, 1, 300, tmp / "p1"));
  ASSERT_EQ(codigos.size(), 1u);
  EXPECT_EQ(codigos[0], "CODE-128:" + Chave(n));
}

TEST(TuimNFeDANFePDF, KeyWithTheLettersOfAnAlphanumericCnpjReadsBack) {
  PastaTemporaria tmp;
  TNFe n = corpus::NFe(1, "12ABC34501DE35");
  ASSERT_EQ(Chave(n).substr(6, 14), "12ABC34501DE35");
  TTuimNFeDANFePDF r;
  std::string pdf = Gravado(tmp, "danfe.pdf", r.GerarPDF(n));
  std::vector<std::string> codigos = pt::Codigos(pt::Imagem(pdf, 1, 300, tmp / "p1"));
  ASSERT_EQ(codigos.size(), 1u);
  EXPECT_EQ(codigos[0], "CODE-128:" + Chave(n));
}

TEST(TuimNFeDANFePDF, TextHoldsKeyIssuerTotalsAndEveryItemCode) {
  PastaTemporaria tmp;
  TNFe n = corpus::NFe(50);
  TTuimNFeDANFePDF r;
  std::string pdf = Gravado(tmp, "danfe.pdf", r.GerarPDF(n));
  std::string texto = pt::Texto(pdf);
  EXPECT_NE(pt::SemBrancos(texto).find(Chave(n)), std::string::npos);
  EXPECT_NE(texto.find("EMPRESA EMITENTE DE TESTE LTDA"), std::string::npos);
  EXPECT_NE(texto.find("CLIENTE DESTINATARIO LTDA"), std::string::npos);
  EXPECT_NE(texto.find("1.050,00"), std::string::npos);  // vProd and vNF of 50 x 21,00
  EXPECT_NE(texto.find("189,00"), std::string::npos);    // vICMS
  EXPECT_NE(texto.find("135240000012345"), std::string::npos);
  EXPECT_NE(texto.find("VENDA DE MERCADORIA"), std::string::npos);
  for (int i = 1; i <= 50; ++i)
    EXPECT_NE(texto.find("P" + std::to_string(1000 + i) + " "), std::string::npos) << "item " << i;
  EXPECT_EQ(texto.find("SEM VALOR FISCAL"), std::string::npos);
  EXPECT_EQ(texto.find("CANCELADA"), std::string::npos);
}

TEST(TuimNFeDANFePDF, FontsAreDebiansLiberationEmbeddedAsSubsets) {
  PastaTemporaria tmp;
  TTuimNFeDANFePDF r;
  std::string fontes = pt::Executar("pdffonts '" + Gravado(tmp, "f.pdf", r.GerarPDF(corpus::NFe(2))) + "'");
  std::istringstream in(fontes);
  std::string linha;
  int n = 0;
  while (std::getline(in, linha)) {
    if (linha.find("LiberationSans") == std::string::npos) continue;
    ++n;
    EXPECT_NE(linha.find(" yes yes "), std::string::npos) << linha;  // embedded, subset
  }
  EXPECT_EQ(n, 2) << fontes;  // regular and bold
}

TEST(TuimNFeDANFePDF, PageCountGrowsWithTheItems) {
  PastaTemporaria tmp;
  TTuimNFeDANFePDF r;
  int p1 = pt::Paginas(Gravado(tmp, "1.pdf", r.GerarPDF(corpus::NFe(1))));
  int p50 = pt::Paginas(Gravado(tmp, "50.pdf", r.GerarPDF(corpus::NFe(50))));
  std::string pdf990 = Gravado(tmp, "990.pdf", r.GerarPDF(corpus::NFe(990)));
  int p990 = pt::Paginas(pdf990);
  EXPECT_EQ(p1, 1);
  EXPECT_GT(p50, p1);
  EXPECT_GT(p990, p50);
  // Every item of the last page is there, and the page says which sheet it is.
  std::string ultima = pt::Texto(pdf990, p990);
  EXPECT_NE(ultima.find("P1990 "), std::string::npos);
  EXPECT_NE(ultima.find("FOLHA " + std::to_string(p990) + "/" + std::to_string(p990)), std::string::npos);
  std::string todas = pt::Texto(pdf990);
  EXPECT_NE(todas.find("P1001 "), std::string::npos);
  EXPECT_NE(todas.find("P1500 "), std::string::npos);
}

struct CasoMarca {
  const char* nome;
  void (*preparar)(TNFe&);
  const char* esperado;
};
class DANFeMarks : public ::testing::TestWithParam<CasoMarca> {};
TEST_P(DANFeMarks, ShowOnEveryPage) {
  PastaTemporaria tmp;
  TNFe n = corpus::NFe(80);
  GetParam().preparar(n);
  TTuimNFeDANFePDF r;
  std::string pdf = Gravado(tmp, "danfe.pdf", r.GerarPDF(n));
  int paginas = pt::Paginas(pdf);
  ASSERT_GE(paginas, 2);
  for (int p = 1; p <= paginas; ++p)
    EXPECT_NE(pt::Texto(pdf, p).find(GetParam().esperado), std::string::npos) << "página " << p;
}
INSTANTIATE_TEST_SUITE_P(
    TuimDANFe, DANFeMarks,
    ::testing::Values(CasoMarca{"Homologacao", [](TNFe& n) { n.Ide.tpAmb = taHomologacao; }, "SEM VALOR FISCAL"},
                      CasoMarca{"CanceladaPeloProtocolo", [](TNFe& n) { n.procNFe.cStat = 101; }, "CANCELADA"},
                      CasoMarca{"Contingencia",
                                [](TNFe& n) {
                                  n.Ide.tpEmis = teFSDA;
                                  n.procNFe = TProcNFe();
                                },
                                "DANFE EM CONTINGÊNCIA"}),
    [](const auto& info) { return std::string(info.param.nome); });

// The slanted marks as a reader sees them: red ink for a cancelled document, grey for
// homologation, none on a plain one.
TEST(TuimNFeDANFePDF, SlantedMarksAreInkOnThePage) {
  PastaTemporaria tmp;
  auto contar = [&](const TNFe& n, const std::string& nome, bool vermelho) {
    TTuimNFeDANFePDF r;
    std::string png = pt::Imagem(Gravado(tmp, nome + ".pdf", r.GerarPDF(n)), 1, 40, tmp / nome);
    cairo_surface_t* img = cairo_image_surface_create_from_png(png.c_str());
    int w = cairo_image_surface_get_width(img), h = cairo_image_surface_get_height(img), total = 0;
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        std::uint32_t p = reinterpret_cast<const std::uint32_t*>(cairo_image_surface_get_data(img) +
                                                                 y * cairo_image_surface_get_stride(img))[x];
        int cr = (p >> 16) & 0xFF, cg = (p >> 8) & 0xFF, cb = p & 0xFF;
        bool cinzaClaro = cr == cg && cg == cb && cr > 120 && cr < 235;
        if (vermelho ? cr > cg + 60 : cinzaClaro) ++total;
      }
    cairo_surface_destroy(img);
    return total;
  };
  TNFe plano = corpus::NFe(2);
  TNFe cancelada = plano;
  cancelada.procNFe.cStat = 101;
  TNFe homologacao = plano;
  homologacao.Ide.tpAmb = taHomologacao;
  EXPECT_EQ(contar(plano, "plano", true), 0);
  EXPECT_GT(contar(cancelada, "cancelada", true), 2000);
  EXPECT_GT(contar(homologacao, "homologacao", false), contar(plano, "plano2", false) + 2000);
}

TEST(TuimNFeDANFePDF, CancelledPrintingMarksTheDocument) {
  PastaTemporaria tmp;
  TNFe n = corpus::NFe(2);
  TTuimNFeDANFePDF r;
  r.SetArquivoDestino(tmp / "cancelada.pdf");
  r.ImprimirDANFECancelado(&n);
  EXPECT_EQ(r.ArquivoPDF(), tmp / "cancelada.pdf");
  EXPECT_NE(pt::Texto(r.ArquivoPDF()).find("CANCELADA"), std::string::npos);
  EXPECT_FALSE(r.Cancelada());
  r.SetArquivoDestino(tmp / "normal.pdf");
  r.ImprimirDANFE(&n);
  EXPECT_EQ(pt::Texto(r.ArquivoPDF()).find("CANCELADA"), std::string::npos);
}

TEST(TuimNFeDANFePDF, ContingencyWithoutProtocolSaysSoInPlaceOfIt) {
  PastaTemporaria tmp;
  TNFe n = corpus::NFe(1);
  n.Ide.tpEmis = teFSDA;
  n.Ide.xJust = "FALHA NA COMUNICACAO";
  n.procNFe = TProcNFe();
  TTuimNFeDANFePDF r;
  std::string texto = pt::Texto(Gravado(tmp, "c.pdf", r.GerarPDF(n)));
  EXPECT_NE(texto.find("EMISSÃO EM CONTINGÊNCIA"), std::string::npos);
  EXPECT_TRUE(Contem(texto, "FALHA NA COMUNICACAO"));
}

TEST(TuimNFeDANFePDF, WithoutADocumentNothingIsPrinted) {
  TTuimNFeDANFePDF r;
  EXPECT_THROW(r.ImprimirDANFEPDF(nullptr), ETuimNFeException);
  EXPECT_THROW(r.ImprimirEVENTOPDF(nullptr), ETuimNFeException);  // no event set
  // Operations the renderer does not draw still say so.
  EXPECT_THROW(r.ImprimirINUTILIZACAOPDF(nullptr), ETuimNFeException);
}

TEST(TuimNFeDANFePDF, UnreadableLogoIsLeftOut) {
  PastaTemporaria tmp;
  tmp.Criar("logo.png", "not a png");
  TNFe n = corpus::NFe(1);
  TTuimNFeDANFePDF r;
  r.SetLogo(tmp / "logo.png");
  EXPECT_EQ(pt::Paginas(Gravado(tmp, "a.pdf", r.GerarPDF(n))), 1);
  r.SetLogo(tmp / "missing.png");
  EXPECT_EQ(pt::Paginas(Gravado(tmp, "b.pdf", r.GerarPDF(n))), 1);
}

TEST(TuimNFeDANFePDF, LogoIsDrawnInTheIssuerBlock) {
  PastaTemporaria tmp;
  cairo_surface_t* logo = cairo_image_surface_create(CAIRO_FORMAT_RGB24, 60, 30);
  cairo_t* cr = cairo_create(logo);
  cairo_set_source_rgb(cr, 0, 0, 1);
  cairo_paint(cr);
  cairo_destroy(cr);
  cairo_surface_write_to_png(logo, (tmp / "logo.png").c_str());
  cairo_surface_destroy(logo);
  auto azuis = [&](bool comLogo) {
    TTuimNFeDANFePDF r;
    if (comLogo) r.SetLogo(tmp / "logo.png");
    std::string png = pt::Imagem(Gravado(tmp, "l.pdf", r.GerarPDF(corpus::NFe(1))), 1, 40, tmp / "l");
    cairo_surface_t* img = cairo_image_surface_create_from_png(png.c_str());
    int w = cairo_image_surface_get_width(img), h = cairo_image_surface_get_height(img), n = 0;
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        std::uint32_t p = reinterpret_cast<const std::uint32_t*>(cairo_image_surface_get_data(img) +
                                                                 y * cairo_image_surface_get_stride(img))[x];
        // Blue, inside the issuer block (left third, upper fifth of the page).
        if ((p & 0xFF) > 200 && ((p >> 16) & 0xFF) < 60 && x < w / 3 && y < h / 5) ++n;
      }
    cairo_surface_destroy(img);
    return n;
  };
  EXPECT_EQ(azuis(false), 0);
  EXPECT_GT(azuis(true), 100);
}

// ---- Where the file goes --------------------------------------------------------------------

TEST(TuimNFeDANFePDF, SubFoldersFollowTheDocumentBeingPrinted) {
  PastaTemporaria tmp;
  TTuimNFe componente;
  auto& a = componente.Configuracoes().Arquivos();
  a.SetSepararPorCNPJ(true);
  a.SetSepararPorMes(true);
  a.SetAdicionarLiteral(true);
  a.SetEmissaoPathNFe(true);
  TTuimNFeDANFePDF r;
  r.SetTuimNFe(&componente);
  r.SetPathPDF(tmp / "pdf");
  r.SetUsaSeparadorPathPDF(true);
  TNFe n = corpus::NFe(1);
  r.ImprimirDANFEPDF(&n);
  EXPECT_EQ(r.ArquivoPDF(), tmp.Path() + "pdf/11222333000181/202405/NFe/" + Chave(n) + "-nfe.pdf");
  EXPECT_TRUE(std::filesystem::exists(r.ArquivoPDF()));
  // Outside a print operation no document names the folder.
  EXPECT_EQ(r.PathPDF(), tmp.Path() + "pdf/");
}

TEST(TuimNFeDANFePDF, PlainPathPDFWithoutTheFolderRules) {
  PastaTemporaria tmp;
  TTuimNFCeDANFePDF r;
  r.SetPathPDF(tmp.Path());
  TNFe n = corpus::NFCe(1);
  r.ImprimirDANFEPDF(&n);
  EXPECT_EQ(r.ArquivoPDF(), tmp.Path() + Chave(n) + "-nfce.pdf");
  EXPECT_TRUE(std::filesystem::exists(r.ArquivoPDF()));
}

TEST(TuimNFeDANFePDF, UnwritableDestinationRaises) {
  PastaTemporaria tmp;
  tmp.Criar("arquivo");
  TTuimNFeDANFePDF r;
  r.SetArquivoDestino(tmp / "arquivo/sub/x.pdf");
  TNFe n = corpus::NFe(1);
  EXPECT_THROW(r.ImprimirDANFEPDF(&n), ETuimNFeException);
  EXPECT_EQ(r.ArquivoPDF(), "");
}

// ---- DANFCE ---------------------------------------------------------------------------------

class DANFCeBobina : public ::testing::TestWithParam<int> {};
TEST_P(DANFCeBobina, QRCodeReadsBackAsTheDocumentsText) {
  PastaTemporaria tmp;
  TNFe n = corpus::NFCe(5);
  TTuimNFCeDANFePDF r;
  r.SetLarguraBobina(GetParam());
  std::string pdf = Gravado(tmp, "danfce.pdf", r.GerarPDF(n));
  EXPECT_EQ(pt::Paginas(pdf), 1);
  std::string info = pt::Executar("pdfinfo '" + pdf + "'");
  double largura = std::atof(info.c_str() + info.find("Page size:") + 10);
  EXPECT_NEAR(largura, GetParam() * 72.0 / 25.4, 0.01) << info;
  std::vector<std::string> codigos = pt::Codigos(pt::Imagem(pdf, 1, 200, tmp / "p"));
  ASSERT_EQ(codigos.size(), 1u);
  EXPECT_EQ(codigos[0], "QR-Code:" + n.infNFeSupl.qrCode);
  std::string texto = pt::Texto(pdf);
  EXPECT_NE(texto.find(n.infNFeSupl.urlChave), std::string::npos);
  EXPECT_NE(pt::SemBrancos(texto).find(Chave(n)), std::string::npos);
  EXPECT_NE(texto.find("CONSUMIDOR - CPF 123.456.789-09"), std::string::npos);
  EXPECT_NE(texto.find("Protocolo de autoriza"), std::string::npos);
  for (int i = 1; i <= 5; ++i) EXPECT_NE(texto.find("P" + std::to_string(1000 + i)), std::string::npos);
}
INSTANTIATE_TEST_SUITE_P(TuimDANFe, DANFCeBobina, ::testing::Values(80, 58));

TEST(TuimNFCeDANFePDF, OtherPaperWidthsFallBackTo80) {
  TTuimNFCeDANFePDF r;
  r.SetLarguraBobina(58);
  EXPECT_EQ(r.LarguraBobina(), 58);
  r.SetLarguraBobina(76);
  EXPECT_EQ(r.LarguraBobina(), 80);
}

TEST(TuimNFCeDANFePDF, RollGrowsWithTheItemsAndKeepsOnePage) {
  PastaTemporaria tmp;
  TTuimNFCeDANFePDF r;
  auto altura = [&](int itens) {
    std::string pdf = Gravado(tmp, std::to_string(itens) + ".pdf", r.GerarPDF(corpus::NFCe(itens)));
    EXPECT_EQ(pt::Paginas(pdf), 1);
    std::string info = pt::Executar("pdfinfo '" + pdf + "'");
    std::size_t p = info.find(" x ", info.find("Page size:"));
    return std::atof(info.c_str() + p + 3);
  };
  EXPECT_GT(altura(40), altura(2) + 100);
}

TEST(TuimNFCeDANFePDF, HomologationAnonymousConsumerAndCancelledMarks) {
  PastaTemporaria tmp;
  TNFe n = corpus::NFCe(2);
  n.Ide.tpAmb = taHomologacao;
  n.Dest = TDest();
  n.procNFe.cStat = 101;
  TTuimNFCeDANFePDF r;
  std::string texto = pt::Texto(Gravado(tmp, "h.pdf", r.GerarPDF(n)));
  EXPECT_TRUE(Contem(texto, "SEM VALOR FISCAL"));
  EXPECT_TRUE(Contem(texto, "CONSUMIDOR NÃO IDENTIFICADO"));
  EXPECT_TRUE(Contem(texto, "NFC-e CANCELADA"));
}

// ---- Event sheet ----------------------------------------------------------------------------

TEST(TuimDANFeEvento, CorrectionLetterSheetCarriesKeyConditionsAndCorrection) {
  PastaTemporaria tmp;
  TNFe n = corpus::NFe(1);
  TInfEvento ev;
  ev.SetchNFe(Chave(n));
  ev.SetCNPJ(n.Emit.CNPJCPF);
  ev.SettpAmb(taProducao);
  ev.SettpEvento(teCCe);
  ev.SetnSeqEvento(2);
  ev.SetverEvento("1.00");
  ev.SetdhEvento(EncodeDateTime(2024, 5, 12, 9, 0, 0));
  ev.detEvento().SetxCorrecao("ONDE SE LE RUA DAS FLORES LEIA-SE RUA DAS PALMEIRAS");
  TRetInfEvento reg;
  reg.cStat = 135;
  reg.xMotivo = "Evento registrado e vinculado a NF-e";
  reg.nProt = "135240000099999";
  TTuimNFeDANFePDF r;
  r.SetEvento(&ev, &reg);
  r.SetPathPDF(tmp.Path());
  r.ImprimirEVENTOPDF(&n);
  EXPECT_EQ(r.ArquivoPDF(), tmp.Path() + Chave(n) + "-110110-02-procEventoNFe.pdf");
  EXPECT_EQ(pt::Paginas(r.ArquivoPDF()), 1);
  std::string texto = pt::Texto(r.ArquivoPDF());
  EXPECT_NE(texto.find("CARTA DE CORREÇÃO ELETRÔNICA"), std::string::npos);
  EXPECT_NE(texto.find("RUA DAS PALMEIRAS"), std::string::npos);
  EXPECT_NE(texto.find("135240000099999"), std::string::npos);
  EXPECT_NE(texto.find("CONDIÇÕES DE USO"), std::string::npos);
  EXPECT_NE(texto.find("EMPRESA EMITENTE DE TESTE LTDA"), std::string::npos);
  std::vector<std::string> codigos = pt::Codigos(pt::Imagem(r.ArquivoPDF(), 1, 300, tmp / "e"));
  ASSERT_EQ(codigos.size(), 1u);
  EXPECT_EQ(codigos[0], "CODE-128:" + Chave(n));
}

TEST(TuimDANFeEvento, CancellationSheetShowsTheJustification) {
  PastaTemporaria tmp;
  TInfEvento ev;
  ev.SetchNFe("35240511222333000181550010000001231123456780");
  ev.SettpEvento(teCancelamento);
  ev.SettpAmb(taHomologacao);
  ev.detEvento().SetnProt("135240000012345");
  ev.detEvento().SetxJust("ERRO NA DIGITACAO DOS VALORES DA NOTA");
  TTuimNFCeDANFePDF r;
  r.SetEvento(&ev);
  std::string texto = pt::Texto(Gravado(tmp, "c.pdf", r.GerarPDFEvento(nullptr)));
  EXPECT_NE(texto.find("CANCELAMENTO DE NF-e"), std::string::npos);
  EXPECT_TRUE(Contem(texto, "ERRO NA DIGITACAO DOS VALORES DA NOTA"));
  EXPECT_TRUE(Contem(texto, "SEM VALOR FISCAL"));
}

// ---- Hostile input --------------------------------------------------------------------------

// Ink outside the box on a white image: the text of a box must stay inside it.
TEST(TuimDANFeTexto, TooLongTextIsCutWithAnEllipsisInsideItsBox) {
  const int lado = 400;  // pixels; 4 px per millimetre
  cairo_surface_t* img = cairo_image_surface_create(CAIRO_FORMAT_RGB24, lado, lado);
  cairo_t* cr = cairo_create(img);
  cairo_set_source_rgb(cr, 1, 1, 1);
  cairo_paint(cr);
  {
    TDesenhoPDF d(cr, 4.0);
    std::string enorme(5000, 'W');
    for (std::size_t i = 50; i < enorme.size(); i += 60) enorme[i] = ' ';
    EXPECT_LE(d.Texto(enorme, 20, 20, 40, 10, 9, alEsquerda, true, 0), 10.0);
    d.Texto(enorme, 20, 50, 40, 4, 9, alDireita, false, 1);
    d.Texto(std::string(3000, '\n') + "X", 20, 70, 40, 5, 9, alEsquerda, false, 0);
    d.Texto(std::string("\x01\x02\x7F\x81\x8D\x8F\x90\x9D", 8) + std::string(200, '\xC7'), 20, 80, 40, 5, 9);
  }
  cairo_destroy(cr);
  cairo_surface_flush(img);
  const unsigned char* dados = cairo_image_surface_get_data(img);
  int stride = cairo_image_surface_get_stride(img);
  auto dentro = [](int px, int py) {
    double x = px / 4.0, y = py / 4.0;
    auto caixa = [&](double bx, double by, double bw, double bh) {
      return x >= bx - 0.3 && x <= bx + bw + 0.3 && y >= by - 0.3 && y <= by + bh + 0.3;
    };
    return caixa(20, 20, 40, 10) || caixa(20, 50, 40, 4) || caixa(20, 70, 40, 5) || caixa(20, 80, 40, 5);
  };
  int fora = 0, tinta = 0;
  for (int y = 0; y < lado; ++y)
    for (int x = 0; x < lado; ++x) {
      std::uint32_t p = reinterpret_cast<const std::uint32_t*>(dados + y * stride)[x];
      if ((p & 0xFFFFFF) != 0xFFFFFF) {
        ++tinta;
        if (!dentro(x, y)) ++fora;
      }
    }
  cairo_surface_destroy(img);
  EXPECT_GT(tinta, 1000);
  EXPECT_EQ(fora, 0);
}

TEST(TuimDANFeTexto, HostileDocumentPrintsWithEllipsesAndSameLayout) {
  PastaTemporaria tmp;
  TNFe n = corpus::NFe(3);
  std::string longo;
  for (int i = 0; i < 400; ++i) longo += "TEXTO MUITO LONGO ";
  n.Emit.xNome = longo;
  n.Dest.xNome = longo;
  n.Dest.EnderDest.xLgr = std::string(2000, 'X');
  n.Ide.natOp = longo;
  n.Det[0].Prod.xProd = longo;
  n.Det[0].Prod.cProd = std::string(500, '9');
  n.Det[1].infAdProd = std::string(3000, ';');
  n.InfAdic.infCpl = longo + longo + longo;
  n.Transp.Transporta.xNome = std::string(1, '\0') + longo;
  n.Cobr.Dup.Clear();
  for (int i = 0; i < 40; ++i) n.Cobr.Dup.New().nDup = longo.substr(0, 60);
  TTuimNFeDANFePDF r;
  std::string pdf = Gravado(tmp, "hostil.pdf", r.GerarPDF(n));
  std::string texto = pt::Texto(pdf);
  EXPECT_GE(pt::Paginas(pdf), 1);
  EXPECT_NE(texto.find("\x85"), std::string::npos);  // the ellipsis, in Windows-1252
  EXPECT_NE(texto.find("e mais 17 duplicatas"), std::string::npos);
  // What the boxes cut off is not in the PDF either (400 repetitions in each of five texts).
  auto vezes = [](const std::string& t, const std::string& s) {
    int n = 0;
    for (std::size_t p = t.find(s); p != std::string::npos; p = t.find(s, p + 1)) ++n;
    return n;
  };
  EXPECT_LT(vezes(texto, "TEXTO MUITO LONGO"), 200);
  EXPECT_LT(vezes(texto, "XXXXXXXXXX"), 200);  // of 1,991 overlapping runs
  for (const char* bloco : {"CÁLCULO DO IMPOSTO", "DADOS DOS PRODUTOS", "DADOS ADICIONAIS", "TRANSPORTADOR"})
    EXPECT_NE(texto.find(bloco), std::string::npos) << bloco;
  // The issuer's name beside the key did not spill over the bar code.
  std::vector<std::string> codigos = pt::Codigos(pt::Imagem(pdf, 1, 300, tmp / "h"));
  ASSERT_EQ(codigos.size(), 1u);
  EXPECT_EQ(codigos[0], "CODE-128:" + Chave(n));
}

TEST(TuimDANFeTexto, HostileNFCeStaysOnOnePageWithItsQRCode) {
  PastaTemporaria tmp;
  TNFe n = corpus::NFCe(3);
  std::string longo;
  for (int i = 0; i < 300; ++i) longo += "DESCRICAO SEM FIM ";
  n.Emit.xNome = longo;
  n.Emit.EnderEmit.xLgr = std::string(3000, 'Y');
  n.Det[1].Prod.xProd = longo;
  n.Det[1].infAdProd = std::string(500, ';') + longo;
  n.Dest.xNome = longo;
  n.InfAdic.infCpl = longo + longo;
  TTuimNFCeDANFePDF r;
  r.SetLarguraBobina(58);
  std::string pdf = Gravado(tmp, "h.pdf", r.GerarPDF(n));
  EXPECT_EQ(pt::Paginas(pdf), 1);
  std::string texto = pt::Texto(pdf);
  EXPECT_NE(texto.find("\x85"), std::string::npos);
  int vezes = 0;
  for (std::size_t p = texto.find("SEM FIM"); p != std::string::npos; p = texto.find("SEM FIM", p + 1)) ++vezes;
  EXPECT_LT(vezes, 300);  // of 1,500 in the document
  std::vector<std::string> codigos = pt::Codigos(pt::Imagem(pdf, 1, 200, tmp / "h"));
  ASSERT_EQ(codigos.size(), 1u);
  EXPECT_EQ(codigos[0], "QR-Code:" + n.infNFeSupl.qrCode);
}

// ---- Golden images --------------------------------------------------------------------------

// With TUIM_GOLDEN_SAIDA set the images are written there instead of compared (see
// scripts/golden-danfe); the reference images live in tests/report/golden.
struct CasoGolden {
  const char* nome;
  std::string (*gerar)();
};
class DANFeGolden : public ::testing::TestWithParam<CasoGolden> {};
TEST_P(DANFeGolden, PageMatchesTheReferenceImage) {
  PastaTemporaria tmp;
  std::string pdf = Gravado(tmp, "g.pdf", GetParam().gerar());
  std::string png = pt::Imagem(pdf, 1, 60, tmp / GetParam().nome);
  if (const char* saida = std::getenv("TUIM_GOLDEN_SAIDA")) {
    std::filesystem::copy_file(png, std::string(saida) + "/" + GetParam().nome + ".png",
                               std::filesystem::copy_options::overwrite_existing);
    GTEST_SKIP() << "imagem gravada em " << saida;
  }
  std::string referencia = std::string(TUIM_SOURCE_DIR) + "/tests/report/golden/" + GetParam().nome + ".png";
  ASSERT_TRUE(std::filesystem::exists(referencia)) << referencia;
  EXPECT_LT(pt::Diferenca(png, referencia), 0.002) << "compare " << png << " com " << referencia;
}
INSTANTIATE_TEST_SUITE_P(
    TuimDANFe, DANFeGolden,
    ::testing::Values(CasoGolden{"danfe-nfe",
                                 [] {
                                   TTuimNFeDANFePDF r;
                                   return r.GerarPDF(corpus::NFe(12));
                                 }},
                      CasoGolden{"danfe-nfe-homologacao-cancelada",
                                 [] {
                                   TNFe n = corpus::NFe(3);
                                   n.Ide.tpAmb = taHomologacao;
                                   n.procNFe.cStat = 101;
                                   TTuimNFeDANFePDF r;
                                   return r.GerarPDF(n);
                                 }},
                      CasoGolden{"danfce-80",
                                 [] {
                                   TTuimNFCeDANFePDF r;
                                   return r.GerarPDF(corpus::NFCe(6));
                                 }},
                      CasoGolden{"danfce-58",
                                 [] {
                                   TTuimNFCeDANFePDF r;
                                   r.SetLarguraBobina(58);
                                   return r.GerarPDF(corpus::NFCe(6));
                                 }}),
    [](const auto& info) {
      std::string s = info.param.nome;
      for (char& c : s)
        if (c == '-') c = '_';
      return s;
    });
