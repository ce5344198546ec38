#pragma once
#include <array>
#include <cstdint>
#include <string>

#include "fiscal/TuimDateTime.h"
#include "fiscal/fscConversao.h"
#include "xml/TuimGerador.h"
#include "xml/TuimValorCampo.h"

namespace tuim {

// Flat reader of the compact XML answers of the web services: groups are cut by tag name
// into nesting levels, then fields and attributes are read from the group cut last.
// Missing groups, fields and attributes give empty texts or 0; nothing reads outside the text.
class TLeitor {
public:
  static constexpr int kNiveis = 11;

  TLeitor() = default;
  virtual ~TLeitor() = default;

  const std::string& Arquivo() const { return fArquivo; }
  void SetArquivo(std::string v) {
    fArquivo = std::move(v);
    fGeracao[0] = ++fContadorGeracao;
  }
  const std::string& Grupo() const { return fGrupo; }
  void SetGrupo(std::string v) { fGrupo = std::move(v); }
  // Level 0 is Arquivo itself; levels 1 to 10 hold the group cut last at that level.
  // Any other index gives the empty text.
  const std::string& Niveis(int nivel) const;
  void SetNiveis(int nivel, std::string v);  // levels 1 to 10; others are ignored

  // Arquivo := the file's lines joined with CR LF; raises ETuimDFeException when it cannot be read.
  bool LerArquivo(const std::string& caminho);
  // The Ocorrencia-th group named TagInicio (..TagFim) of level Nivel - 1; empty when absent.
  std::string ExtrairGrupo(int nivel, const std::string& tagInicio, const std::string& tagFim = "",
                           int ocorrencia = 1);
  // Raises ETuimDFeException for the kinds that cannot be read (fcLogico, fcTextoBruto,
  // fcTextoZeros) and for dates and times whose parts are not numbers.
  TValorCampo LerCampo(TFormatoCampo tipo, const std::string& tag, const std::string& tagParada = "");
  std::string LerCampoCNPJCPF(const std::string& tagParada = "");
  TValorCampo LerAtributo(const std::string& atributo, const std::string& grupoTag = "");

  // Typed reads of LerCampo, for the answers of the web services.
  std::string LerTexto(const std::string& tag, const std::string& tagParada = "");
  int LerInteiro(const std::string& tag, const std::string& tagParada = "");
  TDateTime LerDataHora(const std::string& tag, const std::string& tagParada = "");
  TDateTime LerData(const std::string& tag, const std::string& tagParada = "");
  // An unknown or missing code gives the first environment, as TextoParaTipoAmbiente does.
  TfscTipoAmbiente LerAmbiente(const std::string& tag = "tpAmb", const std::string& tagParada = "");
  // A status code is three or four digits and nothing else; anything else, a missing one
  // included, makes the answer unreadable: raises ETuimDFeException.
  int LerCStat(const std::string& tagParada = "");

private:
  std::string fArquivo;
  std::string fGrupo;
  std::array<std::string, kNiveis> fNiveis;  // index 0 unused: level 0 is fArquivo
  // Walking repeated groups by increasing occurrence resumes where the previous call stopped,
  // as long as the level it reads has not changed since (each change bumps its generation).
  std::array<std::uint64_t, kNiveis> fGeracao{};
  std::uint64_t fContadorGeracao = 0;
  struct TOcorrenciaLida {
    int nivel = -1;
    std::uint64_t geracao = 0;
    std::string tagFim;
    int saltadas = 0;          // closing tags skipped so far
    std::size_t posicao = 0;   // just after the last one skipped
  } fUltimaOcorrencia;
};

// The fields every answer of the web services opens with, under the layout's names.
struct TCabecalhoRetorno {
  std::string versao;
  TfscTipoAmbiente tpAmb = taProducao;
  std::string verAplic;
  int cStat = 0;
  std::string xMotivo;
  int cUF = 0;
  TDateTime dhRecbto = 0;

  // versao from the attribute of `raiz` (none when empty), the rest from the group cut last,
  // each field before `tagParada`; cStat strictly (see TLeitor::LerCStat).
  void LerCabecalho(TLeitor& leitor, const std::string& raiz, const std::string& tagParada = "");
};

}  // namespace tuim
