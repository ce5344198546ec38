#pragma once
#include <cstdint>
#include <ctime>
#include <string>

#include "fiscal/TuimChaveAcesso.h"
#include "fiscal/TuimDateTime.h"

namespace tuim {

// ---- State codes ----------------------------------------------------------------------------

// IBGE code -> abbreviation; codes 90 and 91 give "DF"; empty when unknown.
std::string CodigoUFParaSigla(int codigo);
// Abbreviation (upper case) -> IBGE code; 0 when unknown and for "EX".
int SiglaParaCodigoUF(const std::string& uf);
bool ValidarCodigoUF(int codigo);      // the 27 states, 90 and 91
bool ValidarUF(const std::string& uf);  // the 27 abbreviations and "EX"

// ---- Numbers and dates ----------------------------------------------------------------------

// Zero-filled to `largura`, keeping the rightmost characters: (123, 2) gives "23".
std::string InteiroComZeros(std::int64_t valor, int largura);
// "YYYY-MM-DDThh:nn:ss", without offset.
std::string DataHoraParaISO(TDateTime t);

// ---- Time zone ------------------------------------------------------------------------------

enum TTimeZoneModoDeteccao : std::uint8_t { tzSistema, tzFSC, tzManual };

class TTimeZoneConf {
public:
  TTimeZoneModoDeteccao ModoDeteccao() const { return fModoDeteccao; }
  // Leaving tzManual clears TimeZoneStr; entering it with none set takes the system offset.
  void SetModoDeteccao(TTimeZoneModoDeteccao modo);
  const std::string& TimeZoneStr() const { return fTimeZoneStr; }
  // Cleared outside tzManual; in tzManual a malformed offset raises ETuimDFeException.
  void SetTimeZoneStr(const std::string& valor);
  // Copies both fields as they are, without the setters' checks.
  void Assign(const TTimeZoneConf& origem);

private:
  TTimeZoneModoDeteccao fModoDeteccao = tzSistema;
  std::string fTimeZoneStr;
};

// The process-wide instance that FusoHorario reads; created on first use.
TTimeZoneConf& ConfiguracaoFusoHorario();

// Offset of the date-time for the state, by the process-wide ModoDeteccao ("-03:00").
std::string FusoHorario(const std::string& uf, TDateTime t);
// The operating system's offset in force now, daylight saving included.
std::string FusoHorarioSistema();
// The same at a given instant (seconds since the Unix epoch).
std::string FusoHorarioSistema(std::time_t instante);
// Brazilian daylight saving by the historical rules; never after 17 February 2019, when it ended.
bool EmHorarioVerao(const std::string& uf, TDateTime t);

// The calendar behind EmHorarioVerao (dates at midnight).
TDateTime InicioHorarioVerao(int ano);
TDateTime FimHorarioVerao(int ano);
TDateTime PrimeiroDomingo(int ano, int mes);
TDateTime TerceiroDomingo(int ano, int mes);
TDateTime TercaCarnaval(int ano);
TDateTime DomingoPascoa(int ano);

// ---- Access keys ----------------------------------------------------------------------------

// Keys themselves: fiscal/TuimChaveAcesso.h.
bool ValidarAnoMes(const std::string& texto);  // "YYMM"

// ---- Code checks ----------------------------------------------------------------------------

// 1: a listed code; 0: an unlisted code with a right check digit; -1: otherwise.
int ValidarCodigoPais(int codigo);
bool ValidarCodigoMunicipio(int codigo);
bool ValidarItemListaServico(int codigo);  // 101 for item 01.01
bool ValidarModeloNFReferenciada(int modelo, double versao);
bool ValidarSUFRAMA(const std::string& texto);
// The validator's checks, empty values refused, never raising.
bool ValidarCNPJ(const std::string& texto);
bool ValidarCPF(const std::string& texto);
bool ValidarIE(const std::string& ie, const std::string& uf);

// ---- Text -----------------------------------------------------------------------------------

// Trimmed; with `preencher` a 1- or 2-digit number is zero-filled to 3 ("7" -> "007").
std::string AjustarNumeroEndereco(bool preencher, const std::string& texto);
std::string PrepararTextoXML(bool removerEspacos, const std::string& texto, bool removerAcentos,
                             bool substituirQuebras, const std::string& quebra);
std::string DecodificarEntidadesXML(const std::string& texto);
// `prefixos` is "|a|b|": true when `texto` begins with one of the non-empty items.
bool IniciaComPrefixo(const std::string& texto, const std::string& prefixos);
// Neither the document number nor one of the forbidden codes.
bool CodigoNumericoValido(int codigo, int numero);

}  // namespace tuim
