#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <variant>

#include "fiscal/TuimCurrency.h"
#include "fiscal/TuimDateTime.h"

// The access key of the electronic fiscal documents in one place: its layout, check digit,
// the alphanumeric-CNPJ rule, its field parts and the codec of the workbench.

namespace tuim {

// ---- Layout ---------------------------------------------------------------------------------

constexpr std::size_t TamanhoChaveAcesso = 44;

// A field of the key: first position (from 0) and size.
struct TCampoChave {
  std::size_t Inicio;
  std::size_t Tamanho;
};
inline constexpr TCampoChave kChaveUF{0, 2}, kChaveAno{2, 2}, kChaveMes{4, 2}, kChaveCNPJ{6, 14},
    kChaveModelo{20, 2}, kChaveSerie{22, 3}, kChaveNumero{25, 9}, kChaveTipoEmissao{34, 1}, kChaveCodigo{35, 8},
    kChaveDigito{43, 1};
// The CF-e of the SAT (model 59) spends the series, number and emission type differently.
inline constexpr TCampoChave kChaveSATSerie{22, 9}, kChaveSATCodigo{37, 6};

// The characters of `chave` in `campo`; what lies past the end is simply not there.
std::string ParteDaChave(std::string_view chave, TCampoChave campo);

// Whether `c` may stand at `posicao` (from 0) of a key: a digit anywhere, an upper-case letter
// only in the issuer's CNPJ base (positions 7 to 18 counted from 1), which an alphanumeric
// CNPJ carries.
bool CaractereDaChave(char c, std::size_t posicao);
// 44 characters, each allowed where it stands.
bool ChaveBemFormada(std::string_view chave);
// The key's characters that count, in order: those CaractereDaChave allows where they land.
std::string LimparChave(const std::string& chave);
// The issuer's document as the key carries it: an alphanumeric CNPJ (twelve digits or
// upper-case letters, two check digits) as it is, anything else reduced to its digits; then
// zero-filled on the left and cut to 14.
std::string DocumentoDaChave(const std::string& documento);

// ---- Check digit and validation -------------------------------------------------------------

// Check digit (modulus 11) of the first 43 characters of an access key, after dropping every
// character that is neither a digit nor an upper-case letter in the issuer's CNPJ base
// (positions 7 to 18, valued as ASCII code minus 48). True when exactly 43 remain; `digit`
// holds the digit of the first 43 even when there are more, and 0 when there are fewer.
bool DigitoChaveAcesso(const std::string& key, int& digit);

bool ValidarChaveAcesso(const std::string& chave);
// Why a key fails ValidarChaveAcesso, in one line; empty for a valid key.
std::string MotivoChaveInvalida(const std::string& chave);

// ---- Field parts ----------------------------------------------------------------------------

// Characters that LimparChave drops are dropped first.
std::string ModeloDaChave(const std::string& chave);  // empty unless the key is valid
int UFDaChave(const std::string& chave);
std::string CNPJDaChave(const std::string& chave);
int SerieDaChave(const std::string& chave);         // 9 digits for model 59
int CodigoDaChave(const std::string& chave);        // 6 digits for model 59
int TipoEmissaoDaChave(const std::string& chave);   // 0 for model 59
int DigitoDaChave(const std::string& chave);

// ---- Codec ----------------------------------------------------------------------------------

// A text of at most N characters: a longer text keeps its leftmost N, a shorter one is kept as is.
template <std::size_t N>
class TTextoLimitado {
public:
  static constexpr std::size_t Capacidade = N;
  TTextoLimitado() = default;
  TTextoLimitado(std::string_view s) { Assign(s); }  // NOLINT: assigned like a text
  TTextoLimitado& operator=(std::string_view s) {
    Assign(s);
    return *this;
  }
  std::size_t size() const { return fLen; }
  bool empty() const { return fLen == 0; }
  std::string_view view() const { return {fData.data(), fLen}; }
  std::string str() const { return std::string(view()); }
  operator std::string_view() const { return view(); }  // NOLINT
  friend bool operator==(const TTextoLimitado& a, const TTextoLimitado& b) { return a.view() == b.view(); }
  friend bool operator==(const TTextoLimitado& a, std::string_view b) { return a.view() == b; }

private:
  void Assign(std::string_view s) {
    fLen = static_cast<std::uint8_t>(s.size() < N ? s.size() : N);
    for (std::size_t i = 0; i < fLen; ++i) fData[i] = s[i];
  }
  std::array<char, N> fData{};
  std::uint8_t fLen = 0;
};

// The ten parts of an access key, in layout order. It does not validate: any character may stand
// anywhere. A NUL in `TipoEmissao` or `DV` means "unset" and contributes nothing when composing.
struct AccessKeyFields {
  TTextoLimitado<2> UF;       // positions 1-2
  TTextoLimitado<2> Ano;      // 3-4
  TTextoLimitado<2> Mes;      // 5-6
  TTextoLimitado<14> CNPJ;    // 7-20
  TTextoLimitado<2> Modelo;   // 21-22
  TTextoLimitado<3> Serie;    // 23-25
  TTextoLimitado<9> NNF;      // 26-34
  char TipoEmissao = '\0';    // 35
  TTextoLimitado<8> CNF;      // 36-43
  char DV = '\0';             // 44
  friend bool operator==(const AccessKeyFields&, const AccessKeyFields&) = default;
};

// Each member receives the characters at its positions, unchanged; characters after the 44th are
// ignored. A key shorter than 44 characters leaves the missing members short or empty.
AccessKeyFields DecomporChaveAcesso(std::string_view key);
// The members concatenated in layout order, each with exactly the characters it holds.
std::string ComporChaveAcesso(const AccessKeyFields& fields);

// Kinds a variant may hold for ValorNumerico/ZerosAEsquerda.
struct TVarNulo {};                       // a null, as opposed to an empty variant
struct TVarData { TDateTime Valor = 0; };  // a date, as opposed to a double
using TVariante = std::variant<std::monostate, TVarNulo, std::int8_t, std::int16_t, std::int32_t, std::int64_t,
                               std::uint8_t, std::uint16_t, std::uint32_t, float, double, TCurrency, TVarData,
                               bool, std::string>;

// The characters '0' to '9' of the text, in order.
std::string SomenteDigitos(std::string_view text);
// True for signed integers of 8 to 64 bits, unsigned of 8 to 32 bits and doubles.
bool ValorNumerico(const TVariante& value);
// The value as a run of digits, zero-filled on the left to at least `width`; never shortened.
std::string ZerosAEsquerda(const TVariante& value, int width);

// The texts of the window's eight field editors.
struct TEditoresChave {
  std::string UF, AnoMes, CNPJ, Modelo, Serie, NNF, TipoEmissao, CNF;
};

// The record the window builds from its editors: digit fields zero-filled and cut to width,
// "Ano/Mes" and "CNPJ" as typed; the check digit is then set by DefinirDigitoChave.
AccessKeyFields CamposDosEditores(const TEditoresChave& editores);
// DV = "0", compose, then the check digit of the first 43 characters ("0" when they do not
// yield 43 digits).
void DefinirDigitoChave(AccessKeyFields& fields);

}  // namespace tuim
