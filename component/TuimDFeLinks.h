#pragma once
#include <string>
#include <vector>

#include "fiscal/TuimComponent.h"
#include "fiscal/fscConversao.h"

namespace tuim {

// What the fiscal-document component asks of the components it links to. The mail, integrator
// and report layers sit above this one, so their components derive from these bases.

class TTuimMailBase : public TTuimComponent {
public:
  using TTuimComponent::TTuimComponent;
  virtual void Limpar() = 0;
  virtual void AdicionarDestinatario(const std::string& endereco, const std::string& nome = "") = 0;
  virtual void AdicionarCopia(const std::string& endereco, const std::string& nome = "") = 0;
  virtual void AdicionarResponderPara(const std::string& endereco, const std::string& nome = "") = 0;
  virtual void SetSubject(const std::string& assunto) = 0;
  virtual void SetCorpo(const std::vector<std::string>& linhas) = 0;
  virtual void SetCorpoAlternativo(const std::vector<std::string>& linhas) = 0;
  virtual void LimparAnexos() = 0;
  // Disposition 0 attachment, 1 inline.
  virtual void AnexarStream(const std::string& conteudo, const std::string& nome, int disposicao = 0) = 0;
  virtual void AnexarArquivo(const std::string& caminho, const std::string& descricao = "", int disposicao = 0) = 0;
  virtual void Enviar() = 0;
};

// What the services ask of the fiscal integrator (the exchange itself lives above them).
class TTuimIntegradorBase : public TTuimComponent {
public:
  using TTuimComponent::TTuimComponent;
  virtual void Limpar() {}
  virtual void SetNomeComponente(const std::string& nome) {}
  virtual void DefinirMetodo(const std::string& nome, bool homologacao) {}
  // Sets a command parameter, replacing one of the same name.
  virtual void SetParametro(const std::string& nome, const std::string& valor) {}
  // Sends the command and answers the result text; raises on failure.
  virtual std::string Enviar(bool adicionarNumeroSessao) { return ""; }
  // The last answer split at "|".
  virtual const std::vector<std::string>& RespostasIntegrador() const {
    static const std::vector<std::string> vazio;
    return vazio;
  }
  // The last command was taken by the integrator but no answer came: its outcome is unknown.
  virtual bool ComandoRecebidoSemResposta() const { return false; }
  // The last command was never taken by the integrator: nothing of it can have gone out.
  virtual bool ComandoNaoRecebido() const { return false; }
};

// Report components point back at the component that prints through them.
class TTuimDANFeBase : public TTuimComponent {
public:
  using TTuimComponent::TTuimComponent;
  TTuimComponent* TuimNFe() const { return fTuimNFe; }
  virtual void SetTuimNFe(TTuimComponent* c) { fTuimNFe = c; }
  // Print type that new documents of the linked component take.
  virtual TfscTipoImpressao TipoDANFE() const { return tiRetrato; }

private:
  TTuimComponent* fTuimNFe = nullptr;
};

}  // namespace tuim
