#include "app/TuimChave.h"

#include <cmath>
#include <limits>

#include "fiscal/fscAuxiliar.h"

namespace tuim {

AccessKeyFields DecomporChaveAcesso(std::string_view key) {
  // substr past the end gives an empty or short part, never an exception.
  auto part = [&](std::size_t pos, std::size_t len) {
    return pos < key.size() ? key.substr(pos, len) : std::string_view();
  };
  AccessKeyFields f;
  f.UF = part(0, 2);
  f.Ano = part(2, 2);
  f.Mes = part(4, 2);
  f.CNPJ = part(6, 14);
  f.Modelo = part(20, 2);
  f.Serie = part(22, 3);
  f.NNF = part(25, 9);
  f.TipoEmissao = key.size() > 34 ? key[34] : '\0';
  f.CNF = part(35, 8);
  f.DV = key.size() > 43 ? key[43] : '\0';
  return f;
}

std::string ComporChaveAcesso(const AccessKeyFields& f) {
  std::string k;
  k.reserve(TamanhoChaveAcesso);
  k += f.UF.view();
  k += f.Ano.view();
  k += f.Mes.view();
  k += f.CNPJ.view();
  k += f.Modelo.view();
  k += f.Serie.view();
  k += f.NNF.view();
  if (f.TipoEmissao != '\0') k += f.TipoEmissao;
  k += f.CNF.view();
  if (f.DV != '\0') k += f.DV;
  return k;
}

std::string SomenteDigitos(std::string_view text) {
  std::string r;
  r.reserve(text.size());
  for (char c : text)
    if (c >= '0' && c <= '9') r += c;
  return r;
}

bool ValorNumerico(const TVariante& v) {
  return std::holds_alternative<std::int8_t>(v) || std::holds_alternative<std::int16_t>(v) ||
         std::holds_alternative<std::int32_t>(v) || std::holds_alternative<std::int64_t>(v) ||
         std::holds_alternative<std::uint8_t>(v) || std::holds_alternative<std::uint16_t>(v) ||
         std::holds_alternative<std::uint32_t>(v) || std::holds_alternative<double>(v);
}

namespace {

// Decimal of an integer value; a negative value keeps its sign in front of the zero filling.
struct TDecimal {
  bool negativo = false;
  std::string digitos;
};

TDecimal DecimalDe(long long v) {
  TDecimal d;
  d.negativo = v < 0;
  unsigned long long u = d.negativo ? 0ULL - static_cast<unsigned long long>(v) : static_cast<unsigned long long>(v);
  d.digitos = std::to_string(u);
  return d;
}

// Integer value of a numeric variant. Values beyond 32 bits are written whole rather than
// wrapped, since wrapping would show digits that were never there.
bool InteiroDe(const TVariante& v, long long& out) {
  if (auto* d = std::get_if<double>(&v)) {
    // Round half to even, the rule of the platform's own variant-to-integer conversion.
    if (!std::isfinite(*d)) return false;
    double r = std::nearbyint(*d);
    if (std::fabs(r) >= 9.2e18) return false;
    out = static_cast<long long>(r);
    return true;
  }
  return std::visit(
      [&](const auto& x) {
        using T = std::decay_t<decltype(x)>;
        if constexpr (std::is_integral_v<T> && !std::is_same_v<T, bool>) {
          out = static_cast<long long>(x);
          return true;
        } else {
          return false;
        }
      },
      v);
}

}  // namespace

std::string ZerosAEsquerda(const TVariante& v, int width) {
  TDecimal d;
  if (std::holds_alternative<std::monostate>(v) || std::holds_alternative<TVarNulo>(v)) {
    d.digitos = "0";
  } else if (auto* s = std::get_if<std::string>(&v)) {
    d.digitos = SomenteDigitos(*s);
  } else if (ValorNumerico(v)) {
    long long n = 0;
    if (InteiroDe(v, n)) d = DecimalDe(n);
  }
  std::size_t total = d.digitos.size() + (d.negativo ? 1 : 0);
  if (width > 0 && total < static_cast<std::size_t>(width))
    d.digitos.insert(0, static_cast<std::size_t>(width) - total, '0');
  return d.negativo ? "-" + d.digitos : d.digitos;
}

AccessKeyFields CamposDosEditores(const TEditoresChave& e) {
  AccessKeyFields f;
  f.UF = ZerosAEsquerda(e.UF, 2);
  f.Ano = std::string_view(e.AnoMes).substr(0, 2);
  f.Mes = e.AnoMes.size() > 2 ? std::string_view(e.AnoMes).substr(2, 2) : std::string_view();
  f.CNPJ = e.CNPJ;
  f.Modelo = ZerosAEsquerda(e.Modelo, 2);
  f.Serie = ZerosAEsquerda(e.Serie, 3);
  f.NNF = ZerosAEsquerda(e.NNF, 9);
  f.TipoEmissao = ZerosAEsquerda(e.TipoEmissao, 1)[0];
  f.CNF = ZerosAEsquerda(e.CNF, 8);
  DefinirDigitoChave(f);
  return f;
}

void DefinirDigitoChave(AccessKeyFields& f) {
  f.DV = '0';
  std::string k = ComporChaveAcesso(f);
  int digit = 0;
  DigitoChaveAcesso(k.substr(0, 43), digit);
  f.DV = static_cast<char>('0' + digit);
}

}  // namespace tuim
