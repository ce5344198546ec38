#include "fiscal/TuimChaveAcesso.h"

#include <cmath>
#include <cstdlib>
#include <limits>

#include "fiscal/TuimUtil.h"
#include "fiscal/TuimValidador.h"
#include "fiscal/fscAuxiliar.h"

namespace tuim {

namespace {

bool EhDigito(char c) { return c >= '0' && c <= '9'; }

std::string_view Parte(std::string_view chave, TCampoChave campo) {
  return campo.Inicio < chave.size() ? chave.substr(campo.Inicio, campo.Tamanho) : std::string_view();
}

char Caractere(std::string_view chave, TCampoChave campo) {
  return campo.Inicio < chave.size() ? chave[campo.Inicio] : '\0';
}

// Whole text as a non-negative decimal, `padrao` when it is not one.
long long ParaInteiro(const std::string& s, long long padrao = 0) {
  if (!TextoNumerico(s) || s.size() > 18) return padrao;
  return std::strtoll(s.c_str(), nullptr, 10);
}

int Numero(const std::string& chave, TCampoChave campo) {
  return static_cast<int>(ParaInteiro(ParteDaChave(chave, campo)));
}

bool EhSAT(const std::string& c) { return ParteDaChave(c, kChaveModelo) == "59"; }

}  // namespace

// ---- Layout ---------------------------------------------------------------------------------

std::string ParteDaChave(std::string_view chave, TCampoChave campo) { return std::string(Parte(chave, campo)); }

bool CaractereDaChave(char c, std::size_t posicao) {
  const bool baseCNPJ = posicao >= kChaveCNPJ.Inicio && posicao < kChaveCNPJ.Inicio + 12;
  return EhDigito(c) || (c >= 'A' && c <= 'Z' && baseCNPJ);
}

bool ChaveBemFormada(std::string_view chave) {
  if (chave.size() != TamanhoChaveAcesso) return false;
  for (std::size_t i = 0; i < chave.size(); ++i)
    if (!CaractereDaChave(chave[i], i)) return false;
  return true;
}

std::string LimparChave(const std::string& chave) {
  std::string r;
  for (char c : chave)
    if (CaractereDaChave(c, r.size())) r += c;
  return r;
}

std::string DocumentoDaChave(const std::string& documento) {
  std::string doc;
  for (char c : documento)
    if (EhDigito(c) || (c >= 'A' && c <= 'Z')) doc += c;
  const bool alfanumerico = doc.size() == kChaveCNPJ.Tamanho && EhDigito(doc[12]) && EhDigito(doc[13]) &&
                            !TextoNumerico(doc);
  if (!alfanumerico) doc = SomenteNumeros(documento);
  if (doc.size() < kChaveCNPJ.Tamanho) doc.insert(0, kChaveCNPJ.Tamanho - doc.size(), '0');
  doc.resize(kChaveCNPJ.Tamanho);
  return doc;
}

// ---- Check digit and validation -------------------------------------------------------------

bool DigitoChaveAcesso(const std::string& key, int& digit) {
  static constexpr char kWeights[] = "4329876543298765432987654329876543298765432";
  digit = 0;
  int values[43];
  int n = 0;  // characters kept so far, counting those past the 43rd
  for (char c : key) {
    if (!CaractereDaChave(c, static_cast<std::size_t>(n))) continue;
    if (n < 43) values[n] = c - '0';
    ++n;
  }
  if (n < 43) return false;
  int sum = 0;
  for (int i = 0; i < 43; ++i) sum += values[i] * (kWeights[i] - '0');
  int r = sum % 11;
  digit = (r == 0 || r == 1) ? 0 : 11 - r;
  return n == 43;
}

std::string MotivoChaveInvalida(const std::string& chave) {
  std::string c = LimparChave(chave);
  if (c.size() != TamanhoChaveAcesso)
    return "Chave de acesso deve ter 44 dígitos (tem " + std::to_string(c.size()) + ")";
  int dv = 0;
  if (!DigitoChaveAcesso(c.substr(0, 43), dv) || dv != c[43] - '0')
    return "Dígito verificador inválido: calculado " + std::to_string(dv) + ", informado " + c.substr(43, 1);
  const std::string uf = ParteDaChave(c, kChaveUF);
  if (!ValidarCodigoUF(static_cast<int>(ParaInteiro(uf, -1)))) return "Código de UF inválido: " + uf;
  const std::string anoMes = ParteDaChave(c, kChaveAno) + ParteDaChave(c, kChaveMes);
  if (!ValidarAnoMes(anoMes)) return "Ano e mês de emissão inválidos: " + anoMes;
  // Series 920 to 969 are an individual's: the document field carries a CPF in its last 11.
  long long serie = ParaInteiro(ParteDaChave(c, kChaveSerie), -1);
  const std::string doc = ParteDaChave(c, kChaveCNPJ);
  if (serie >= 920 && serie <= 969) {
    if (!ValidarCPF(doc.substr(3))) return "CPF do emitente inválido: " + doc.substr(3);
  } else if (!ValidarCNPJ(doc)) {
    return "CNPJ do emitente inválido: " + doc;
  }
  return "";
}

bool ValidarChaveAcesso(const std::string& chave) { return MotivoChaveInvalida(chave).empty(); }

// ---- Field parts ----------------------------------------------------------------------------

std::string ModeloDaChave(const std::string& chave) {
  return ValidarChaveAcesso(chave) ? ParteDaChave(LimparChave(chave), kChaveModelo) : "";
}

int UFDaChave(const std::string& chave) { return Numero(LimparChave(chave), kChaveUF); }

std::string CNPJDaChave(const std::string& chave) { return ParteDaChave(LimparChave(chave), kChaveCNPJ); }

int SerieDaChave(const std::string& chave) {
  std::string c = LimparChave(chave);
  return Numero(c, EhSAT(c) ? kChaveSATSerie : kChaveSerie);
}

int CodigoDaChave(const std::string& chave) {
  std::string c = LimparChave(chave);
  return Numero(c, EhSAT(c) ? kChaveSATCodigo : kChaveCodigo);
}

int TipoEmissaoDaChave(const std::string& chave) {
  std::string c = LimparChave(chave);
  return EhSAT(c) ? 0 : Numero(c, kChaveTipoEmissao);
}

int DigitoDaChave(const std::string& chave) {
  std::string c = LimparChave(chave);
  return c.empty() ? 0 : c.back() - '0';
}

// ---- Codec ----------------------------------------------------------------------------------

AccessKeyFields DecomporChaveAcesso(std::string_view key) {
  // Parts past the end are empty or short, never an exception.
  AccessKeyFields f;
  f.UF = Parte(key, kChaveUF);
  f.Ano = Parte(key, kChaveAno);
  f.Mes = Parte(key, kChaveMes);
  f.CNPJ = Parte(key, kChaveCNPJ);
  f.Modelo = Parte(key, kChaveModelo);
  f.Serie = Parte(key, kChaveSerie);
  f.NNF = Parte(key, kChaveNumero);
  f.TipoEmissao = Caractere(key, kChaveTipoEmissao);
  f.CNF = Parte(key, kChaveCodigo);
  f.DV = Caractere(key, kChaveDigito);
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
  DigitoChaveAcesso(k.substr(0, kChaveDigito.Inicio), digit);
  f.DV = static_cast<char>('0' + digit);
}

}  // namespace tuim
