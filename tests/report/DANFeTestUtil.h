#pragma once
// Looking at a PDF the way a person would: pages turned into images by pdftoppm, codes read
// back by zbarimg, text read back by pdftotext.
#include <cairo.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "fiscal/TuimUtil.h"

namespace tuim::pdfteste {

inline std::string Executar(const std::string& cmd) {
  std::string saida;
  FILE* p = ::popen(cmd.c_str(), "r");
  if (!p) return saida;
  char buf[4096];
  std::size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) saida.append(buf, n);
  ::pclose(p);
  return saida;
}

inline void Gravar(const std::string& arquivo, const std::string& bytes) {
  std::ofstream(arquivo, std::ios::binary) << bytes;
}

inline int Paginas(const std::string& pdf) {
  std::string info = Executar("pdfinfo '" + pdf + "' 2>/dev/null");
  std::size_t p = info.find("Pages:");
  return p == std::string::npos ? -1 : std::atoi(info.c_str() + p + 6);
}

// pdftotext's text (Windows-1252, as the system's own texts), with the layout kept.
inline std::string Texto(const std::string& pdf, int pagina = 0) {
  std::string faixa = pagina > 0 ? " -f " + std::to_string(pagina) + " -l " + std::to_string(pagina) : "";
  return DeUTF8(Executar("pdftotext -layout" + faixa + " '" + pdf + "' - 2>/dev/null"));
}

// One page as PNG at `dpi`; answers the PNG's name.
inline std::string Imagem(const std::string& pdf, int pagina, int dpi, const std::string& base) {
  std::string cmd = "pdftoppm -png -singlefile -r " + std::to_string(dpi) + " -f " + std::to_string(pagina) + " -l " +
                    std::to_string(pagina) + " '" + pdf + "' '" + base + "' 2>/dev/null";
  std::system(cmd.c_str());
  return base + ".png";
}

// The symbols zbarimg reads, one "TYPE:data" per line.
inline std::vector<std::string> Codigos(const std::string& png) {
  std::vector<std::string> r;
  std::istringstream in(Executar("zbarimg --quiet '" + png + "' 2>/dev/null"));
  std::string linha;
  while (std::getline(in, linha))
    if (!linha.empty()) r.push_back(linha);
  return r;
}

inline std::string SemBrancos(const std::string& s) {
  std::string r;
  for (char c : s)
    if (c != ' ' && c != '\n' && c != '\r' && c != '\t') r += c;
  return r;
}

// Share of pixels that differ by more than `limiar` in some channel; 1 when sizes differ
// or an image is unreadable.
inline double Diferenca(const std::string& a, const std::string& b, int limiar = 64) {
  cairo_surface_t* sa = cairo_image_surface_create_from_png(a.c_str());
  cairo_surface_t* sb = cairo_image_surface_create_from_png(b.c_str());
  double r = 1;
  if (cairo_surface_status(sa) == CAIRO_STATUS_SUCCESS && cairo_surface_status(sb) == CAIRO_STATUS_SUCCESS &&
      cairo_image_surface_get_width(sa) == cairo_image_surface_get_width(sb) &&
      cairo_image_surface_get_height(sa) == cairo_image_surface_get_height(sb)) {
    cairo_surface_flush(sa);
    cairo_surface_flush(sb);
    int w = cairo_image_surface_get_width(sa), h = cairo_image_surface_get_height(sa);
    long diferentes = 0;
    for (int y = 0; y < h; ++y) {
      auto* la = reinterpret_cast<const std::uint32_t*>(cairo_image_surface_get_data(sa) +
                                                        y * cairo_image_surface_get_stride(sa));
      auto* lb = reinterpret_cast<const std::uint32_t*>(cairo_image_surface_get_data(sb) +
                                                        y * cairo_image_surface_get_stride(sb));
      for (int x = 0; x < w; ++x) {
        for (int s = 0; s < 24; s += 8) {
          int ca = (la[x] >> s) & 0xFF, cb = (lb[x] >> s) & 0xFF;
          if (std::abs(ca - cb) > limiar) {
            ++diferentes;
            break;
          }
        }
      }
    }
    r = static_cast<double>(diferentes) / (static_cast<double>(w) * h);
  }
  cairo_surface_destroy(sa);
  cairo_surface_destroy(sb);
  return r;
}

}  // namespace tuim::pdfteste
