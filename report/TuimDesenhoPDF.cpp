#include "report/TuimDesenhoPDF.h"

#include <pango/pangocairo.h>

#include <algorithm>
#include <cmath>

#include <cairo-pdf.h>

#include "fiscal/TuimException.h"
#include "fiscal/TuimUtil.h"
#include "report/TuimCodigoBarras.h"

namespace tuim {

std::string TextoParaPango(const std::string& cp1252, bool umaLinha) {
  std::string t;
  t.reserve(cp1252.size());
  for (std::size_t i = 0; i < cp1252.size(); ++i) {
    char c = cp1252[i];
    if (c == '\r') {
      if (i + 1 < cp1252.size() && cp1252[i + 1] == '\n') continue;
      c = '\n';
    }
    if (c == '\n') {
      t += umaLinha ? ' ' : '\n';
      continue;
    }
    auto u = static_cast<unsigned char>(c);
    t += (u < 32 || u == 127) ? ' ' : c;
  }
  return ParaUTF8(t);
}

TDesenhoPDF::TDesenhoPDF(cairo_t* cr, double escala) : fCr(cr) {
  cairo_scale(fCr, escala, escala);
  fLayout = pango_cairo_create_layout(fCr);
  PangoContext* ctx = pango_layout_get_context(fLayout);
  // Sizes in points on a millimetre grid; unhinted metrics keep the layout the same on every surface.
  pango_cairo_context_set_resolution(ctx, 25.4);
  // Glyphs rounded to whole user units would be whole millimetres apart.
  pango_context_set_round_glyph_positions(ctx, FALSE);
  cairo_font_options_t* opcoes = cairo_font_options_create();
  cairo_font_options_set_hint_metrics(opcoes, CAIRO_HINT_METRICS_OFF);
  cairo_font_options_set_hint_style(opcoes, CAIRO_HINT_STYLE_NONE);
  pango_cairo_context_set_font_options(ctx, opcoes);
  cairo_font_options_destroy(opcoes);
  pango_layout_context_changed(fLayout);
  fFonte = pango_font_description_from_string(kFonte);
  cairo_set_source_rgb(fCr, 0, 0, 0);
}

TDesenhoPDF::~TDesenhoPDF() {
  pango_font_description_free(fFonte);
  g_object_unref(fLayout);
}

void TDesenhoPDF::Retangulo(double x, double y, double w, double h, double espessura) {
  cairo_set_line_width(fCr, espessura);
  cairo_rectangle(fCr, x, y, w, h);
  cairo_stroke(fCr);
}

void TDesenhoPDF::Preencher(double x, double y, double w, double h, double cinza) {
  cairo_save(fCr);
  cairo_set_source_rgb(fCr, cinza, cinza, cinza);
  cairo_rectangle(fCr, x, y, w, h);
  cairo_fill(fCr);
  cairo_restore(fCr);
}

void TDesenhoPDF::Linha(double x1, double y1, double x2, double y2, double espessura, bool tracejada) {
  cairo_save(fCr);
  cairo_set_line_width(fCr, espessura);
  if (tracejada) {
    const double traco[] = {1.0, 0.8};
    cairo_set_dash(fCr, traco, 2, 0);
  }
  cairo_move_to(fCr, x1, y1);
  cairo_line_to(fCr, x2, y2);
  cairo_stroke(fCr);
  cairo_restore(fCr);
}

void TDesenhoPDF::Preparar(const std::string& texto, double w, double tamanho, bool negrito, int linhas, double h) {
  pango_font_description_set_size(fFonte, static_cast<gint>(tamanho * PANGO_SCALE));
  pango_font_description_set_weight(fFonte, negrito ? PANGO_WEIGHT_BOLD : PANGO_WEIGHT_NORMAL);
  pango_layout_set_font_description(fLayout, fFonte);
  fTexto = TextoParaPango(texto, linhas == 1);
  pango_layout_set_text(fLayout, fTexto.data(), static_cast<int>(fTexto.size()));
  pango_layout_set_width(fLayout, static_cast<int>(std::max(w, 0.1) * PANGO_SCALE));
  pango_layout_set_wrap(fLayout, PANGO_WRAP_WORD_CHAR);
  pango_layout_set_ellipsize(fLayout, h > 0 || linhas == 1 ? PANGO_ELLIPSIZE_END : PANGO_ELLIPSIZE_NONE);
  // One line: -1; several: the box's height, so that the last line that fits takes the ellipsis.
  if (linhas == 1)
    pango_layout_set_height(fLayout, -1);
  else
    pango_layout_set_height(fLayout, h > 0 ? static_cast<int>(h * PANGO_SCALE) : -1000000);
}

// Pango shows an ellipsis but keeps the elided text behind it, and Cairo writes that text into
// the PDF as the ellipsis' own: a reader copying the box would get everything the box hides.
// The layout is cut to what shows, the ellipsis included, so that the PDF holds only that.
void TDesenhoPDF::CortarNaReticencia() {
  for (int tentativa = 0; tentativa < 12 && pango_layout_is_ellipsized(fLayout); ++tentativa) {
    int corte = -1;
    PangoLayoutIter* it = pango_layout_get_iter(fLayout);
    do {
      PangoLayoutRun* run = pango_layout_iter_get_run_readonly(it);
      if (run && (run->item->analysis.flags & PANGO_ANALYSIS_FLAG_IS_ELLIPSIS)) corte = run->item->offset;
    } while (pango_layout_iter_next_run(it));
    pango_layout_iter_free(it);
    if (corte < 0 || corte > static_cast<int>(fTexto.size())) return;
    // A second pass finds the ellipsis before the one appended: drop one more character.
    std::string visivel = fTexto.substr(0, static_cast<std::size_t>(corte));
    if (tentativa > 0) {
      std::size_t p = visivel.size();
      while (p > 0 && (static_cast<unsigned char>(visivel[p - 1]) & 0xC0) == 0x80) --p;
      visivel.resize(p > 0 ? p - 1 : 0);
    }
    while (!visivel.empty() && visivel.back() == ' ') visivel.pop_back();
    fTexto = visivel + "\xE2\x80\xA6";
    pango_layout_set_text(fLayout, fTexto.data(), static_cast<int>(fTexto.size()));
  }
}

double TDesenhoPDF::AlturaLinha(double tamanho, bool negrito) { return AlturaTexto("X", 100, tamanho, negrito); }

double TDesenhoPDF::AlturaTexto(const std::string& texto, double w, double tamanho, bool negrito, double limite) {
  Preparar(texto, w, tamanho, negrito, 0, limite);
  PangoRectangle logico;
  pango_layout_get_extents(fLayout, nullptr, &logico);
  return static_cast<double>(logico.height) / PANGO_SCALE;
}

double TDesenhoPDF::Texto(const std::string& texto, double x, double y, double w, double h, double tamanho,
                          TAlinhamento al, bool negrito, int linhas) {
  if (texto.empty() || w <= 0 || h <= 0) return 0;
  Preparar(texto, w, tamanho, negrito, linhas, h);
  CortarNaReticencia();
  pango_layout_set_alignment(fLayout, al == alCentro    ? PANGO_ALIGN_CENTER
                                      : al == alDireita ? PANGO_ALIGN_RIGHT
                                                        : PANGO_ALIGN_LEFT);
  PangoRectangle logico;
  pango_layout_get_extents(fLayout, nullptr, &logico);
  double altura = std::min(static_cast<double>(logico.height) / PANGO_SCALE, h);
  cairo_save(fCr);
  cairo_rectangle(fCr, x, y, w, h);
  cairo_clip(fCr);
  cairo_move_to(fCr, x, y);
  pango_cairo_update_layout(fCr, fLayout);
  pango_cairo_show_layout(fCr, fLayout);
  cairo_restore(fCr);
  pango_layout_set_alignment(fLayout, PANGO_ALIGN_LEFT);
  return altura;
}

void TDesenhoPDF::Campo(const std::string& rotulo, const std::string& valor, double x, double y, double w, double h,
                        TAlinhamento al, double tamanho, bool negrito) {
  Retangulo(x, y, w, h);
  Texto(rotulo, x + 0.6, y + 0.3, w - 1.2, 2.4, 5, alEsquerda, false, 1);
  double topo = y + 2.7;
  Texto(valor, x + 0.6, topo, w - 1.2, h - (topo - y) - 0.2, tamanho, al, negrito, h > 9 ? 0 : 1);
}

void TDesenhoPDF::Titulo(const std::string& titulo, double x, double y, double w) {
  Texto(titulo, x, y + 0.2, w, 3, 6.5, alEsquerda, true, 1);
}

bool TDesenhoPDF::CodigoBarras128(const std::string& texto, double x, double y, double w, double h) {
  std::vector<int> larguras = CodificarCode128(texto);
  if (larguras.empty()) return false;
  int modulos = 0;
  for (int l : larguras) modulos += l;
  double m = w / modulos;
  double px = x;
  cairo_save(fCr);
  cairo_set_source_rgb(fCr, 0, 0, 0);
  for (std::size_t i = 0; i < larguras.size(); ++i) {
    double lw = larguras[i] * m;
    if (i % 2 == 0) cairo_rectangle(fCr, px, y, lw, h);
    px += lw;
  }
  cairo_fill(fCr);
  cairo_restore(fCr);
  return true;
}

bool TDesenhoPDF::QRCode(const std::string& texto, double x, double y, double lado) {
  TMatrizQRCode qr(texto);
  if (qr.Vazia()) return false;
  double m = lado / qr.Lado();
  cairo_save(fCr);
  cairo_set_source_rgb(fCr, 0, 0, 0);
  for (int l = 0; l < qr.Lado(); ++l)
    for (int c = 0; c < qr.Lado(); ++c)
      if (qr.Escuro(l, c)) cairo_rectangle(fCr, x + c * m, y + l * m, m, m);
  cairo_fill(fCr);
  cairo_restore(fCr);
  return true;
}

bool TDesenhoPDF::Imagem(const std::string& arquivoPNG, double x, double y, double w, double h, bool expandir) {
  if (arquivoPNG.empty() || w <= 0 || h <= 0) return false;
  cairo_surface_t* img = cairo_image_surface_create_from_png(arquivoPNG.c_str());
  bool ok = cairo_surface_status(img) == CAIRO_STATUS_SUCCESS && cairo_image_surface_get_width(img) > 0 &&
            cairo_image_surface_get_height(img) > 0;
  if (ok) {
    double iw = cairo_image_surface_get_width(img), ih = cairo_image_surface_get_height(img);
    double sx = w / iw, sy = h / ih;
    if (!expandir) sx = sy = std::min(sx, sy);
    cairo_save(fCr);
    cairo_rectangle(fCr, x, y, w, h);
    cairo_clip(fCr);
    cairo_translate(fCr, x + (w - iw * sx) / 2, y + (h - ih * sy) / 2);
    cairo_scale(fCr, sx, sy);
    cairo_set_source_surface(fCr, img, 0, 0);
    cairo_paint(fCr);
    cairo_restore(fCr);
  }
  cairo_surface_destroy(img);
  return ok;
}

void TDesenhoPDF::MarcaDagua(const std::string& texto, double x, double y, double w, double h, double r, double g,
                             double b, double alfa) {
  double diagonal = std::sqrt(w * w + h * h);
  double tamanho = std::clamp(diagonal / std::max<double>(texto.size(), 1) * 3.0, 8.0, 72.0);
  Preparar(texto, diagonal, tamanho, true, 1, 0);
  pango_layout_set_alignment(fLayout, PANGO_ALIGN_CENTER);
  PangoRectangle logico;
  pango_layout_get_extents(fLayout, nullptr, &logico);
  double th = static_cast<double>(logico.height) / PANGO_SCALE;
  cairo_save(fCr);
  cairo_rectangle(fCr, x, y, w, h);
  cairo_clip(fCr);
  cairo_translate(fCr, x + w / 2, y + h / 2);
  cairo_rotate(fCr, -std::atan2(h, w));
  cairo_set_source_rgba(fCr, r, g, b, alfa);
  cairo_move_to(fCr, -diagonal / 2, -th / 2);
  pango_cairo_update_layout(fCr, fLayout);
  pango_cairo_show_layout(fCr, fLayout);
  cairo_restore(fCr);
  pango_layout_set_alignment(fLayout, PANGO_ALIGN_LEFT);
}

TArquivoPDF::TArquivoPDF(double larguraMM, double alturaMM, const std::string& titulo, const std::string& criador) {
  fSuperficie = cairo_pdf_surface_create_for_stream(&TArquivoPDF::Escrever, this, larguraMM * TDesenhoPDF::kPontosPorMM,
                                                    alturaMM * TDesenhoPDF::kPontosPorMM);
  cairo_pdf_surface_set_metadata(fSuperficie, CAIRO_PDF_METADATA_TITLE, TextoParaPango(titulo, true).c_str());
  cairo_pdf_surface_set_metadata(fSuperficie, CAIRO_PDF_METADATA_CREATOR, TextoParaPango(criador, true).c_str());
  fCr = cairo_create(fSuperficie);
  fDesenho = new TDesenhoPDF(fCr);
}

TArquivoPDF::~TArquivoPDF() {
  delete fDesenho;
  cairo_destroy(fCr);
  cairo_surface_destroy(fSuperficie);
}

cairo_status_t TArquivoPDF::Escrever(void* dados, const unsigned char* bytes, unsigned int n) {
  static_cast<TArquivoPDF*>(dados)->fBytes.append(reinterpret_cast<const char*>(bytes), n);
  return CAIRO_STATUS_SUCCESS;
}

void TArquivoPDF::NovaPagina() { cairo_show_page(fCr); }

std::string TArquivoPDF::Finalizar() {
  cairo_show_page(fCr);
  cairo_surface_finish(fSuperficie);
  cairo_status_t st = cairo_surface_status(fSuperficie);
  if (st != CAIRO_STATUS_SUCCESS) throw ETuimNFeException(std::string("Erro ao gerar o PDF: ") + cairo_status_to_string(st));
  return std::move(fBytes);
}

}  // namespace tuim
