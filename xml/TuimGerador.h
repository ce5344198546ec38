#pragma once
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "xml/TuimValorCampo.h"

namespace tuim {

// Field kinds: how a value is written (and read, Part of TLeitor). fcDataHoraCompacta is
// only read, never written.
enum TFormatoCampo : std::uint8_t {
  fcTexto,
  fcTextoBruto,
  fcTextoZeros,
  fcDigitos,
  fcInteiro,
  fcDecimal2,
  fcDecimal3,
  fcDecimal4,
  fcDecimal6,
  fcDecimal10,
  fcData,
  fcDataCompacta,
  fcDataBarras,
  fcDataHora,
  fcHora,
  fcHoraCompacta,
  fcLogico,
  fcDataHoraCompacta
};

// Alert texts recorded by the generator (Windows-1252).
extern const char* const kAlertaNenhumValor;      // "Nenhum valor informado"
extern const char* const kAlertaTamanhoMenor;     // "Tamanho menor que o m\xEDnimo permitido"
extern const char* const kAlertaTamanhoMaior;     // "Tamanho maior que o m\xE1ximo permitido"
extern const char* const kAlertaConteudoInvalido; // "Conte\xFAdo inv\xE1lido"

class TGeradorOpcoes {
public:
  TGeradorOpcoes();

  bool SomenteValidar() const { return fSomenteValidar; }
  void SetSomenteValidar(bool v) { fSomenteValidar = v; }
  bool RetirarEspacos() const { return fRetirarEspacos; }
  void SetRetirarEspacos(bool v) { fRetirarEspacos = v; }
  bool RetirarAcentos() const { return fRetirarAcentos; }
  void SetRetirarAcentos(bool v) { fRetirarAcentos = v; }
  bool IdentarXML() const { return fIdentarXML; }
  void SetIdentarXML(bool v) { fIdentarXML = v; }
  int TamanhoIdentacao() const { return fTamanhoIdentacao; }
  void SetTamanhoIdentacao(int v) { fTamanhoIdentacao = v; }
  bool SuprimirDecimais() const { return fSuprimirDecimais; }
  void SetSuprimirDecimais(bool v) { fSuprimirDecimais = v; }
  bool TagVaziaNoFormatoResumido() const { return fTagVaziaNoFormatoResumido; }
  void SetTagVaziaNoFormatoResumido(bool v) { fTagVaziaNoFormatoResumido = v; }
  const std::string& FormatoAlerta() const { return fFormatoAlerta; }
  void SetFormatoAlerta(const std::string& v) { fFormatoAlerta = v; }
  char DecimalChar() const { return fDecimalChar; }
  void SetDecimalChar(char v) { fDecimalChar = v; }
  // A negative decimal records "Conteúdo inválido" (the fiscal layouts have no negative amounts).
  bool AlertarNegativos() const { return fAlertarNegativos; }
  void SetAlertarNegativos(bool v) { fAlertarNegativos = v; }
  const std::string& QuebraLinha() const { return fQuebraLinha; }
  void SetQuebraLinha(const std::string& v) { fQuebraLinha = v; }
  // Current nesting depth used for indentation; moved by group writes.
  int NivelIdentacao() const { return fNivelIdentacao; }
  void SetNivelIdentacao(int v) { fNivelIdentacao = v; }

private:
  bool fSomenteValidar = false;
  bool fRetirarEspacos = true;
  bool fRetirarAcentos = true;
  bool fIdentarXML = false;
  int fTamanhoIdentacao = 3;
  bool fSuprimirDecimais = false;
  bool fTagVaziaNoFormatoResumido = true;
  bool fAlertarNegativos = false;
  std::string fFormatoAlerta;
  char fDecimalChar = '.';
  std::string fQuebraLinha;
  int fNivelIdentacao = 0;
};

// Streaming XML writer: groups and fields are appended in document order to one string;
// every violation of a field's limits becomes an alert line, nothing is ever rejected.
class TGerador {
public:
  TGerador();
  virtual ~TGerador();
  TGerador(const TGerador&) = delete;
  TGerador& operator=(const TGerador&) = delete;

  const std::string& ArquivoFormatoXML() const { return fXML; }
  void SetArquivoFormatoXML(std::string v) { fXML = std::move(v); }
  // The TXT output; lines end with CR while a document is written, CR LF after AjustarRegistrosTXT.
  const std::string& ArquivoFormatoTXT() const;
  void SetArquivoFormatoTXT(const std::string& v);
  // TXT record templates; TXT mode is on while this has lines.
  std::vector<std::string>& LayoutArquivoTXT() { return fLayoutTXT; }
  const std::vector<std::string>& LayoutArquivoTXT() const { return fLayoutTXT; }
  std::vector<std::string>& ListaDeAlertas() { return fAlertas; }
  const std::vector<std::string>& ListaDeAlertas() const { return fAlertas; }
  const std::string& IDNivel() const { return fIDNivel; }
  // Sends later TXT fields to the record of `v` (its lines opened last) without opening them again.
  void SetIDNivel(const std::string& v);
  TGeradorOpcoes& Opcoes() { return fOpcoes; }
  const TGeradorOpcoes& Opcoes() const { return fOpcoes; }
  const std::string& Prefixo() const { return fPrefixo; }
  void SetPrefixo(const std::string& v) { fPrefixo = v; }
  // "<" + group + ">" for every open group, shown as %TAGNIVEL% in alerts.
  const std::string& CaminhoGrupos() const { return fCaminho; }
  const std::string& PrefixosSemCaminho() const { return fPrefixosSemCaminho; }
  void SetPrefixosSemCaminho(const std::string& v) { fPrefixosSemCaminho = v; }
  const std::string& PrefixosSemRecuo() const { return fPrefixosSemRecuo; }
  void SetPrefixosSemRecuo(const std::string& v) { fPrefixosSemRecuo = v; }

  // Opens ("ide", "det nItem=\"1\"") or closes ("/ide") a group.
  void EscreverGrupo(const std::string& tag, const std::string& id = "", bool recuar = true);
  // Ocorrencias: 0 optional, 1 required.
  void EscreverCampo(TFormatoCampo tipo, const std::string& id, const std::string& tag, int min, int max,
                     int ocorrencias, const TValorCampo& valor, const std::string& descricao = "",
                     bool tratarTexto = true, const std::string& atributo = "");
  void EscreverCampoCNPJCPF(const std::string& id1, const std::string& id2, const std::string& documento,
                            bool obrigatorio = true, bool ajustarTamanho = true);
  void EscreverCampoCNPJ(const std::string& id, const std::string& cnpj, int codigoPais = 1058,
                         bool obrigatorio = true);
  // Appends a pre-built fragment unchanged.
  void EscreverTexto(const std::string& texto);
  void RegistrarAlerta(const std::string& id, const std::string& tag, const std::string& descricao,
                       const std::string& alerta);

  // Called by a group's writer between its fields, it starts a record that takes the group's
  // later fields until the group closes.
  void AbrirRegistroTXT(const std::string& id);
  void PreencherCampoTXT(const std::string& tag, const std::string& valor);
  void AjustarRegistrosTXT(const std::string& id);

private:
  bool ModoTXT() const { return !fLayoutTXT.empty(); }
  void EscreverIdentacao();
  // Appends the template lines of `id`; true when there was any.
  bool AbrirLinhasTXT(const std::string& id);
  void FecharNivelTXT();
  void LimparNiveisTXT();

  // One entry per open group, and per record a caller opened inside it: where fields go.
  struct TNivelTXT {
    std::string id;
    std::size_t inicio;  // first line of its records
    bool temLinhas;      // false: its fields go to the records of the level around it
    bool grupo;
  };

  TGeradorOpcoes fOpcoes;
  std::string fXML;
  std::vector<std::string> fLinhasTXT;  // the TXT output, one entry per record line
  std::size_t fInicioRegistroTXT = 0;   // first line of the records opened last
  std::vector<TNivelTXT> fNiveisTXT;
  std::map<std::string, std::size_t> fInicioPorIDTXT;  // lines each id opened last
  mutable std::string fTXT;
  mutable bool fTXTAtual = true;
  bool fTXTAjustado = false;
  std::vector<std::string> fLayoutTXT;
  std::vector<std::string> fAlertas;
  std::string fIDNivel;
  std::string fPrefixo;
  std::string fCaminho;
  std::string fPrefixosSemCaminho;
  std::string fPrefixosSemRecuo;
};

}  // namespace tuim
