#pragma once
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "component/TuimDFeLinks.h"
#include "fiscal/TuimDateTime.h"
#include "fiscal/TuimException.h"
#include "xml/TuimGerador.h"

namespace tuim {

class EComandoIntegradorException : public ETuimDFeException {
public:
  using ETuimDFeException::ETuimDFeException;
};

class EIntegradorException : public ETuimDFeException {
public:
  using ETuimDFeException::ETuimDFeException;
};

// Time as the exchange sees it. Waits and deadlines use the monotonic clock, so a change of
// the wall clock neither shortens nor stretches them; file names use the civil date-time.
// Tests replace it to run the 25-second floor without waiting for it.
class TRelogioIntegrador {
public:
  virtual ~TRelogioIntegrador() = default;
  virtual std::chrono::steady_clock::time_point Agora() { return std::chrono::steady_clock::now(); }
  virtual TDateTime AgoraCivil() { return Now(); }
  virtual void Dormir(int milissegundos);
};

// How the last command ended. A command the integrator never took can be sent again; one it
// took without answering may have reached the authority, so its outcome must be asked for.
enum TSituacaoComando : std::uint8_t { scNenhum, scRespondido, scNaoRecebido, scRecebidoSemResposta };

class TTuimIntegrador;

// The answer file's header.
class TIntegradorResposta {
public:
  int Identificador() const { return fIdentificador; }
  const std::string& Codigo() const { return fCodigo; }
  const std::string& Valor() const { return fValor; }
  void Limpar();
  // Reads the header from a complete answer text (Windows-1252).
  void LerResposta(const std::string& resposta);

private:
  int fIdentificador = 0;
  std::string fCodigo;
  std::string fValor;
};

// The file exchange with the integrator's two folders.
class TComandoIntegrador {
public:
  explicit TComandoIntegrador(TTuimIntegrador& owner);

  const std::string& PastaInput() const { return fPastaInput; }
  void SetPastaInput(const std::string& v) { fPastaInput = v; }
  const std::string& PastaOutput() const { return fPastaOutput; }
  void SetPastaOutput(const std::string& v) { fPastaOutput = v; }
  int Timeout() const { return fTimeout; }
  void SetTimeout(int v) { fTimeout = v; }
  bool ErroTimeout() const { return fErroTimeout; }
  TSituacaoComando Situacao() const { return fSituacao; }
  const std::string& Resposta() const { return fResposta; }
  const std::string& Erro() const { return fErro; }
  TIntegradorResposta& IntegradorResposta() { return fIntegradorResposta; }
  // Answer files above this size are never read (a stray large file is not an answer).
  std::uintmax_t TamanhoMaximoResposta() const { return fTamanhoMaximo; }
  void SetTamanhoMaximoResposta(std::uintmax_t v) { fTamanhoMaximo = v; }

  void Limpar();
  std::string EnviarComando(int sessao, const std::string& baseNome, int timeout, const std::string& xml);
  // One look into the output folder: the complete answer of `sessao`, consumed, or empty.
  std::string AguardarResposta(int sessao);
  // True when a complete answer of `sessao` lies in the output folder (left in place).
  bool ExisteResposta(int sessao);
  // Moves every answer of `sessao` out of the way (into the "descartadas" sub-folder).
  int AfastarRespostas(int sessao);

private:
  friend class TTuimIntegrador;
  std::string CriarArquivo(const std::string& nome, const std::string& xml);
  // Complete answers of `sessao` in the output folder: path and content.
  std::vector<std::pair<std::string, std::string>> RespostasDaSessao(int sessao);
  std::string ExtrairResultado(const std::string& resposta);
  [[noreturn]] void Falhar(const std::string& msg);

  TTuimIntegrador& fOwner;
  std::string fPastaInput;
  std::string fPastaOutput;
  int fTimeout = 30;
  bool fErroTimeout = false;
  TSituacaoComando fSituacao = scNenhum;
  std::string fResposta;
  std::string fErro;
  std::uintmax_t fTamanhoMaximo = 16u * 1024u * 1024u;
  TIntegradorResposta fIntegradorResposta;
};

// Writes the method element of a command.
class TMetodo {
public:
  explicit TMetodo(TGerador& gerador) : fGerador(gerador) {}
  bool AdicionarParametros() const { return fAdicionarParametros; }
  void SetAdicionarParametros(bool v) { fAdicionarParametros = v; }
  void Abrir(const std::string& nome);
  void Fechar();

private:
  TGerador& fGerador;
  bool fAdicionarParametros = true;
};

// Writes one parameter of a command.
class TParametro {
public:
  explicit TParametro(TGerador& gerador) : fGerador(gerador) {}
  void Escrever(const std::string& nome, const std::string& valor);

private:
  TGerador& fGerador;
};

using TTuimIntegradorGetNumeroSessao = std::function<void(int& numeroSessao)>;

// Exchanges commands with a local fiscal integrator through its input and output folders.
class TTuimIntegrador : public TTuimIntegradorBase {
public:
  explicit TTuimIntegrador(TTuimComponent* owner = nullptr);
  ~TTuimIntegrador() override;

  const std::string& ArqLOG() const { return fArqLOG; }
  void SetArqLOG(const std::string& v) { fArqLOG = v; }
  TTuimGravarLog OnGravarLog;
  TTuimIntegradorGetNumeroSessao OnGetNumeroSessao;
  const std::string& PastaInput() const { return fComando->PastaInput(); }
  void SetPastaInput(const std::string& v);  // stored with a final separator
  const std::string& PastaOutput() const { return fComando->PastaOutput(); }
  void SetPastaOutput(const std::string& v);  // stored with a final separator
  int Timeout() const { return fComando->Timeout(); }
  void SetTimeout(int v) { fComando->SetTimeout(v); }
  bool ErroTimeout() const { return fComando->ErroTimeout(); }
  TComandoIntegrador& ComandoIntegrador() { return *fComando; }

  int NumeroSessao() const { return fNumeroSessao; }
  const std::string& NomeMetodo() const { return fNomeMetodo; }
  const std::string& NomeComponente() const { return fNomeComponente; }
  void SetNomeComponente(const std::string& v) override { fNomeComponente = v; }
  // "nome=valor" lines in insertion order.
  const std::vector<std::string>& Parametros() const { return fParametros; }
  const std::vector<std::string>& Respostas() const { return fRespostas; }
  // The command text of the last Enviar (Windows-1252).
  const std::string& XMLComando() const { return fXMLComando; }

  // The clock and sleeper the exchange uses; null restores the real ones. Not owned.
  void SetRelogio(TRelogioIntegrador* r);
  TRelogioIntegrador& Relogio() { return *fRelogio; }

  void Limpar() override;
  void DefinirMetodo(const std::string& nome, bool homologacao) override;
  // Sets a parameter, replacing the value of one of the same name in its place.
  void SetParametro(const std::string& nome, const std::string& valor) override;
  std::string Parametro(const std::string& nome) const;
  int GerarNumeroSessao();
  std::string Enviar(bool adicionarNumeroSessao) override;
  const std::vector<std::string>& RespostasIntegrador() const override { return fRespostas; }
  bool ComandoRecebidoSemResposta() const override {
    return fComando->Situacao() == scRecebidoSemResposta;
  }
  bool ComandoNaoRecebido() const override { return fComando->Situacao() == scNaoRecebido; }
  void GravarLog(const std::string& linha);

private:
  friend class TComandoIntegrador;
  std::string MontarComando();

  std::string fArqLOG;
  int fNumeroSessao = 0;
  std::string fNomeMetodo;
  std::string fNomeComponente;
  std::vector<std::string> fParametros;
  std::vector<std::string> fRespostas;
  std::string fXMLComando;
  std::unique_ptr<TGerador> fGerador;
  std::unique_ptr<TComandoIntegrador> fComando;
  std::unique_ptr<TParametro> fParametro;
  std::unique_ptr<TMetodo> fMetodo;
  TRelogioIntegrador fRelogioReal;
  TRelogioIntegrador* fRelogio = &fRelogioReal;
  std::mt19937 fAleatorio;
};

}  // namespace tuim
