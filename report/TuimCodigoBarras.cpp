#include "report/TuimCodigoBarras.h"

#include <qrencode.h>

#include <memory>

namespace tuim {

namespace {

// Bar and space widths of the 106 symbols; the stop symbol has a seventh element.
constexpr const char* kPadroes[] = {
    "212222", "222122", "222221", "121223", "121322", "131222", "122213", "122312", "132212", "221213",
    "221312", "231212", "112232", "122132", "122231", "113222", "123122", "123221", "223211", "221132",
    "221231", "213212", "223112", "312131", "311222", "321122", "321221", "312212", "322112", "322211",
    "212123", "212321", "232121", "111323", "131123", "131321", "112313", "132113", "132311", "211313",
    "231113", "231311", "112133", "112331", "132131", "113123", "113321", "133121", "313121", "211331",
    "231131", "213113", "213311", "213131", "311123", "311321", "331121", "312113", "312311", "332111",
    "314111", "221411", "431111", "111224", "111422", "121124", "121421", "141122", "141221", "112214",
    "112412", "122114", "122411", "142112", "142211", "241211", "221114", "413111", "241112", "134111",
    "111242", "121142", "121241", "114212", "124112", "124211", "411212", "421112", "421211", "212141",
    "214121", "412121", "111143", "111341", "131141", "114113", "114311", "411113", "411311", "113141",
    "114131", "311141", "411131", "211412", "211214", "211232"};
constexpr const char* kParada = "2331112";

constexpr int kStartA = 103;
constexpr int kStartC = 105;
constexpr int kCodeA = 101;
constexpr int kCodeC = 99;

bool Digito(char c) { return c >= '0' && c <= '9'; }

// Digits from position i on.
std::size_t Corrida(const std::string& s, std::size_t i) {
  std::size_t n = 0;
  while (i + n < s.size() && Digito(s[i + n])) ++n;
  return n;
}

bool CabeEmA(char c) {
  auto u = static_cast<unsigned char>(c);
  return u < 96;
}

}  // namespace

std::vector<int> SimbolosCode128(const std::string& s) {
  if (s.empty()) return {};
  for (char c : s)
    if (!CabeEmA(c)) return {};
  std::vector<int> v;
  // Subset C pays off from four digits on, or when the text is nothing but an even digit run.
  auto valeC = [&](std::size_t i) {
    std::size_t n = Corrida(s, i);
    return n >= 4 || (n == s.size() - i && n >= 2 && n % 2 == 0);
  };
  bool emC = valeC(0) && Corrida(s, 0) % 2 == 0;
  v.push_back(emC ? kStartC : kStartA);
  std::size_t i = 0;
  while (i < s.size()) {
    if (emC) {
      if (Corrida(s, i) >= 2) {
        v.push_back((s[i] - '0') * 10 + (s[i + 1] - '0'));
        i += 2;
        continue;
      }
      v.push_back(kCodeA);
      emC = false;
      continue;
    }
    // An odd digit run leaves its first digit in A so that the rest pairs up in C.
    if (valeC(i) && Corrida(s, i) % 2 == 0) {
      v.push_back(kCodeC);
      emC = true;
      continue;
    }
    auto u = static_cast<unsigned char>(s[i]);
    v.push_back(u >= 32 ? u - 32 : u + 64);
    ++i;
  }
  long soma = v[0];
  for (std::size_t k = 1; k < v.size(); ++k) soma += static_cast<long>(k) * v[k];
  v.push_back(static_cast<int>(soma % 103));
  return v;
}

std::vector<int> CodificarCode128(const std::string& texto) {
  std::vector<int> simbolos = SimbolosCode128(texto);
  if (simbolos.empty()) return {};
  std::vector<int> larguras;
  larguras.reserve(simbolos.size() * 6 + 7);
  for (int s : simbolos)
    for (const char* p = kPadroes[s]; *p; ++p) larguras.push_back(*p - '0');
  for (const char* p = kParada; *p; ++p) larguras.push_back(*p - '0');
  return larguras;
}

TMatrizQRCode::TMatrizQRCode(const std::string& texto) {
  if (texto.empty()) return;
  std::unique_ptr<QRcode, void (*)(QRcode*)> qr(
      QRcode_encodeData(static_cast<int>(texto.size()), reinterpret_cast<const unsigned char*>(texto.data()), 0,
                        QR_ECLEVEL_M),
      QRcode_free);
  if (!qr) return;
  fLado = qr->width;
  fModulos.resize(static_cast<std::size_t>(fLado) * fLado);
  for (std::size_t k = 0; k < fModulos.size(); ++k) fModulos[k] = qr->data[k] & 1;
}

}  // namespace tuim
