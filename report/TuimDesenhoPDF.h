#pragma once
#include <cairo.h>
#include <pango/pango.h>

#include <string>

namespace tuim {

enum TAlinhamento : std::uint8_t { alEsquerda, alCentro, alDireita };

// Drawing of the printed forms on a Cairo context whose user unit is the millimetre. Texts
// are Windows-1252 and turn into UTF-8 here, at the edge of Pango. A text never leaves its
// box: it wraps inside it, a text that does not fit ends with an ellipsis, and the box clips.
class TDesenhoPDF {
public:
  static constexpr const char* kFonte = "Liberation Sans";
  static constexpr double kPontosPorMM = 72.0 / 25.4;

  // `cr` in the surface's own units (points for PDF, pixels for an image); `escala` turns a
  // millimetre into them.
  TDesenhoPDF(cairo_t* cr, double escala = kPontosPorMM);
  ~TDesenhoPDF();
  TDesenhoPDF(const TDesenhoPDF&) = delete;
  TDesenhoPDF& operator=(const TDesenhoPDF&) = delete;

  cairo_t* Contexto() const { return fCr; }

  void Retangulo(double x, double y, double w, double h, double espessura = 0.2);
  void Preencher(double x, double y, double w, double h, double cinza);
  void Linha(double x1, double y1, double x2, double y2, double espessura = 0.2, bool tracejada = false);

  // The text inside the box; `linhas` 1 keeps it on one line, 0 wraps as far as the box goes.
  // Answers the height the text takes (at most h).
  double Texto(const std::string& texto, double x, double y, double w, double h, double tamanho,
               TAlinhamento al = alEsquerda, bool negrito = false, int linhas = 1);
  // Height of the text wrapped to width w, without drawing; `limite` caps it (0: none).
  double AlturaTexto(const std::string& texto, double w, double tamanho, bool negrito = false, double limite = 0);
  double AlturaLinha(double tamanho, bool negrito = false);

  // A DANFE field: its label small at the top of a framed box, its value below.
  void Campo(const std::string& rotulo, const std::string& valor, double x, double y, double w, double h,
             TAlinhamento al = alEsquerda, double tamanho = 7.5, bool negrito = false);
  // A block title above a group of fields.
  void Titulo(const std::string& titulo, double x, double y, double w);

  // Code 128 of `texto` filling the box; nothing when the text cannot be encoded.
  bool CodigoBarras128(const std::string& texto, double x, double y, double w, double h);
  // QR code of `texto` (kept as bytes: it is the address itself) in a square of side `lado`.
  bool QRCode(const std::string& texto, double x, double y, double lado);
  // A PNG file fitted in the box (kept in proportion unless `expandir`); false when unreadable.
  bool Imagem(const std::string& arquivoPNG, double x, double y, double w, double h, bool expandir);
  // A large slanted text across the box, in light colour, under or over the form.
  void MarcaDagua(const std::string& texto, double x, double y, double w, double h, double r, double g, double b,
                  double alfa);

private:
  void Preparar(const std::string& texto, double w, double tamanho, bool negrito, int linhas, double h);
  void CortarNaReticencia();

  std::string fTexto;  // UTF-8 text of the layout
  cairo_t* fCr;
  PangoLayout* fLayout;
  PangoFontDescription* fFonte;
};

// A PDF built in memory, page by page, in millimetres. The fonts used are embedded (subsets).
class TArquivoPDF {
public:
  TArquivoPDF(double larguraMM, double alturaMM, const std::string& titulo, const std::string& criador);
  ~TArquivoPDF();
  TArquivoPDF(const TArquivoPDF&) = delete;
  TArquivoPDF& operator=(const TArquivoPDF&) = delete;

  TDesenhoPDF& Desenho() { return *fDesenho; }
  void NovaPagina();  // ends the current page
  // Ends the document and hands over its bytes; raises ETuimNFeException on a Cairo failure.
  std::string Finalizar();

private:
  static cairo_status_t Escrever(void* dados, const unsigned char* bytes, unsigned int n);
  std::string fBytes;
  cairo_surface_t* fSuperficie;
  cairo_t* fCr;
  TDesenhoPDF* fDesenho;
};

// Windows-1252 text as valid UTF-8 for Pango: controls but line breaks become blanks, a
// CR LF pair one break; with `umaLinha` the breaks become blanks too.
std::string TextoParaPango(const std::string& cp1252, bool umaLinha);

}  // namespace tuim
