#pragma once
#include <memory>
#include <string>
#include <vector>

#include "fiscal/TuimComponent.h"
#include "xml/TuimNFeClass.h"
#include "xml/TuimNFeW.h"

namespace tuim {

class TTuimNFe;
class TConfiguracoesNFe;
class TNotasFiscais;

// True for 44 characters of the key alphabet: digits, and upper-case letters only where an
// alphanumeric CNPJ base sits (positions 7 to 18).
bool ChaveNoAlfabeto(const std::string& chave);

// One document of the collection: the model, its writer and the XML texts made from it.
class NotaFiscal {
public:
  explicit NotaFiscal(TNotasFiscais& colecao);
  ~NotaFiscal();
  NotaFiscal(const NotaFiscal&) = delete;
  NotaFiscal& operator=(const NotaFiscal&) = delete;

  TNFe& NFe() { return *fNFe; }
  const TNFe& NFe() const { return *fNFe; }
  TNFeW& Writer() { return *fNFeW; }

  const std::string& XMLOriginal() const { return fXMLOriginal; }
  // Converted to UTF-8 (declared); XMLAssinado follows when the text holds a signature.
  void SetXMLOriginal(const std::string& v);
  // Signs first when empty.
  const std::string& XMLAssinado();
  const std::string& Alertas() const { return fAlertas; }
  const std::string& NomeArq() const { return fNomeArq; }
  void SetNomeArq(const std::string& v) { fNomeArq = v; }

  bool Confirmada() const;
  bool Processada() const;
  int cStat() const;
  std::string Msg() const;
  // The key of the infNFe Id: its characters of the key alphabet, the "NFe" prefix left out.
  std::string NumID() const;

  // Writes the model with the component's settings; alerts go to Alertas, never raised.
  std::string GerarXML();
  // Generates, signs, reads the signature values back into the model, completes an NFC-e with
  // infNFeSupl inside the signed text and saves when the configuration asks for it.
  void Assinar();
  bool SalvarXML(const std::string& nomeArquivo = "", const std::string& pasta = "");
  // NumID + "-nfe.xml"; raises "ID Inválido. Impossível Salvar XML" unless NumID is a key.
  std::string NomeArquivoPadrao() const;
  std::string PastaArquivoPadrao() const;
  // A name with a folder keeps it; a bare name goes into `pasta` (else PastaArquivoPadrao).
  // A name holding ".." is refused, so the result stays under its folder.
  std::string CaminhoArquivo(const std::string& nomeArquivo, const std::string& pasta) const;

private:
  void ConfigurarWriter();
  void LerAssinatura();

  TNotasFiscais& fColecao;
  std::unique_ptr<TNFe> fNFe;
  std::unique_ptr<TNFeW> fNFeW;
  std::string fXMLOriginal;
  std::string fXMLAssinado;
  std::string fAlertas;
  std::string fNomeArq;
};

// Inserts the infNFeSupl group of `supl` into a signed NF-e text just before its Signature
// element (before "</NFe>" without one), replacing one already there. The signed infNFe is not
// touched, so the signature still holds.
std::string InserirInfNFeSupl(const std::string& xmlAssinado, const std::string& grupoSupl);

// The documents of the NF-e component, reached by index.
class TNotasFiscais {
public:
  // Raises ETuimNFeException "AOwner deve ser do tipo TTuimNFe" for any other owner.
  explicit TNotasFiscais(TTuimComponent* owner);
  ~TNotasFiscais();
  TNotasFiscais(const TNotasFiscais&) = delete;
  TNotasFiscais& operator=(const TNotasFiscais&) = delete;

  TTuimNFe& TuimNFe() const { return fTuimNFe; }
  TConfiguracoesNFe& Configuracoes() const;
  std::string NamePath() const { return "NotaFiscal"; }

  // A new preset item at the end.
  NotaFiscal& Add();
  NotaFiscal& New() { return Add(); }
  NotaFiscal& Insert(int index);
  int Count() const { return static_cast<int>(fItens.size()); }
  NotaFiscal& operator[](int i);
  NotaFiscal& Items(int i) { return (*this)[i]; }
  void Delete(int i);
  void Clear() { fItens.clear(); }

  // Every item generated, signed and (when the configuration asks) saved.
  void Assinar();
  void GerarNFe();

private:
  TTuimNFe& fTuimNFe;
  std::vector<std::unique_ptr<NotaFiscal>> fItens;
};

}  // namespace tuim
