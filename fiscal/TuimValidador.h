#pragma once
#include <cstdint>
#include <functional>
#include <string>

#include "fiscal/TuimComponent.h"

namespace tuim {

enum TTuimValTipoDocto : std::uint8_t {
  docCPF,
  docCNPJ,
  docUF,
  docInscEst,
  docNumCheque,
  docPIS,
  docCEP,
  docCartaoCredito,
  docSuframa,
  docGTIN,
  docRenavam,
  docEmail,
  docCNH,
  docPrefixoGTIN,
  docCAEPF,
  docPlacaMercosul
};

enum TFormulaDigito : std::uint8_t { fdModulo11, fdModulo11Pis, fdModulo10 };

using TTuimValidadorMsg = std::function<void(const std::string& Mensagem)>;

// Weighted modulus-11 / modulus-10 check digit over a text of digits, weights from the right.
class TTuimCalcDigito {
public:
  const std::string& Documento() const { return fDocumento; }
  void SetDocumento(const std::string& v) { fDocumento = v; }
  int MultiplicadorInicial() const { return fMultiplicadorInicial; }
  void SetMultiplicadorInicial(int v) { fMultiplicadorInicial = v; }
  int MultiplicadorFinal() const { return fMultiplicadorFinal; }
  void SetMultiplicadorFinal(int v) { fMultiplicadorFinal = v; }
  int MultiplicadorAtual() const { return fMultiplicadorAtual; }
  void SetMultiplicadorAtual(int v) { fMultiplicadorAtual = v; }
  TFormulaDigito Formula() const { return fFormula; }
  void SetFormula(TFormulaDigito v) { fFormula = v; }

  int SomaDigitos() const { return fSomaDigitos; }
  int ModuloFinal() const { return fModuloFinal; }
  int DigitoFinal() const { return fDigitoFinal; }

  void Calcular();
  void Limpar();  // multipliers back to 2..9, MultiplicadorAtual 0, fdModulo11

private:
  std::string fDocumento;
  int fMultiplicadorInicial = 2;
  int fMultiplicadorFinal = 9;
  int fMultiplicadorAtual = 0;
  TFormulaDigito fFormula = fdModulo11;
  int fSomaDigitos = 0;
  int fModuloFinal = 0;
  int fDigitoFinal = 0;
};

// Checks Brazilian document numbers of sixteen kinds and explains a failure.
class TTuimValidador : public TTuimComponent {
public:
  explicit TTuimValidador(TTuimComponent* owner = nullptr);
  ~TTuimValidador() override;

  TTuimValTipoDocto TipoDocto() const { return fTipoDocto; }
  void SetTipoDocto(TTuimValTipoDocto v) { fTipoDocto = v; }
  const std::string& Documento() const { return fDocumento; }
  // A different value also resets MsgErro and DigitoCalculado.
  void SetDocumento(const std::string& v);
  const std::string& Complemento() const { return fComplemento; }
  void SetComplemento(const std::string& v) { fComplemento = v; }
  bool ExibeDigitoCorreto() const { return fExibeDigitoCorreto; }
  void SetExibeDigitoCorreto(bool v) { fExibeDigitoCorreto = v; }
  const std::string& IgnorarChar() const { return fIgnorarChar; }
  void SetIgnorarChar(const std::string& v) { fIgnorarChar = v; }
  bool AjustarTamanho() const { return fAjustarTamanho; }
  void SetAjustarTamanho(bool v) { fAjustarTamanho = v; }
  bool PermiteVazio() const { return fPermiteVazio; }
  void SetPermiteVazio(bool v) { fPermiteVazio = v; }
  bool RaiseExcept() const { return fRaiseExcept; }
  void SetRaiseExcept(bool v) { fRaiseExcept = v; }
  TTuimValidadorMsg OnMsgErro;

  const std::string& MsgErro() const { return fMsgErro; }
  const std::string& DigitoCalculado() const { return fDigitoCalculado; }

  // True when Documento passes the check of TipoDocto. A TipoDocto outside the
  // enumeration always raises ETuimDFeException.
  bool Validar();

private:
  void Limpar();
  void ValidarCPF();
  void ValidarCNPJ(const char* nome);
  void ValidarUF(const std::string& uf);
  void ValidarIE();
  void ValidarCheque();
  void ValidarPIS();
  void ValidarCEP();
  void ValidarCartaoCredito();
  void ValidarSuframa();
  void ValidarGTIN();
  void ValidarRenavam();
  void ValidarEmail();
  void ValidarCNH();
  void ValidarPrefixoGTIN();
  void ValidarPlacaMercosul();

  TTuimValTipoDocto fTipoDocto = docCPF;
  std::string fDocumento;
  std::string fComplemento;
  bool fExibeDigitoCorreto = false;
  std::string fIgnorarChar = "./-";
  bool fAjustarTamanho = false;
  bool fPermiteVazio = false;
  bool fRaiseExcept = false;

  std::string fDocto;  // the cleaned text the checks work on
  std::string fMsgErro;
  std::string fDigitoCalculado;
  TTuimCalcDigito fCalcDigito;
};

// Empty when valid, otherwise the validator's message; never raises for a failed check.
std::string MensagemErroDocumento(TTuimValTipoDocto tipo, const std::string& documento,
                                  const std::string& complemento = "");
std::string MensagemErroCPF(const std::string& documento);
std::string MensagemErroCNPJ(const std::string& documento);
std::string MensagemErroGTIN(const std::string& documento);
std::string MensagemErroIE(const std::string& documento, const std::string& uf);

std::string FormatarCPF(const std::string& texto);          // ddd.ddd.ddd-dd
std::string FormatarCNPJ(const std::string& texto);         // dd.ddd.ddd/dddd-dd
std::string FormatarCNPJouCPF(const std::string& texto);    // empty for no digits

// The fdModulo11 digit of texto (weights from the right), in decimal.
std::string DigitoModulo11(const std::string& texto, int pesoInicial = 2, int pesoFinal = 9);
// The GTIN check digit of texto, which holds every digit but the check digit.
std::string DigitoGTIN(const std::string& texto);

// The GS1 prefix ranges, for display; `NomeFaixaPrefixoGTIN` is empty outside them.
struct TFaixaPrefixoGTIN {
  int inicio;
  int fim;
  const char* nome;  // ASCII
};
int QuantidadeFaixasPrefixoGTIN();
const TFaixaPrefixoGTIN& FaixaPrefixoGTIN(int index);
std::string NomeFaixaPrefixoGTIN(int prefixo);

}  // namespace tuim
