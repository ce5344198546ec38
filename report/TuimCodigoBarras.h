#pragma once
#include <string>
#include <vector>

namespace tuim {

// Code 128 of a text: the widths, in modules, of its bars and spaces, starting with a bar
// (start, data, check symbol and stop; no quiet zones). Digit runs go in subset C, everything
// else in subset A, so a key with the letters of an alphanumeric CNPJ still encodes. Empty for
// an empty text or one with a character outside subset A (lower case, bytes above 95).
std::vector<int> CodificarCode128(const std::string& texto);

// Symbol values of the same encoding, start and check symbol included, stop excluded.
std::vector<int> SimbolosCode128(const std::string& texto);

// The QR code of a text as a square matrix of dark (true) modules, with error correction
// level M; empty when the text does not fit a QR code.
class TMatrizQRCode {
public:
  explicit TMatrizQRCode(const std::string& texto);
  int Lado() const { return fLado; }
  bool Escuro(int linha, int coluna) const { return fModulos[static_cast<std::size_t>(linha) * fLado + coluna]; }
  bool Vazia() const { return fLado == 0; }

private:
  int fLado = 0;
  std::vector<bool> fModulos;
};

}  // namespace tuim
