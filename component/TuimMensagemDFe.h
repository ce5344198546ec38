#pragma once
#include <cstdint>
#include <memory>
#include <string>

#include "fiscal/TuimPropriedade.h"
#include "fiscal/fscConversao.h"
#include "security/TuimSignature.h"
#include "xml/TuimGerador.h"
#include "xml/TuimLeitor.h"

namespace tuim {

// Namespace of the national NF-e layout, and its declaration as written on a root element.
extern const char* const kNameSpaceNFe;  // "http://www.portalfiscal.inf.br/nfe"
std::string DeclaracaoNameSpaceNFe();    // xmlns="http://www.portalfiscal.inf.br/nfe"

// Base of the request messages: each owns its generator and writes itself with GerarXML,
// which answers true when the generator recorded no alert. The XML is then
// Gerador().ArquivoFormatoXML() (Windows-1252 text, no declaration).
class TMensagemDFe {
public:
  TMensagemDFe();
  virtual ~TMensagemDFe();
  TMensagemDFe(const TMensagemDFe&) = delete;
  TMensagemDFe& operator=(const TMensagemDFe&) = delete;

  virtual std::string ClassName() const { return "TMensagemDFe"; }
  TGerador& Gerador() { return *fGerador; }
  const TGerador& Gerador() const { return *fGerador; }
  TUIM_PROPRIEDADE(std::string, Versao)

  // The base raises a message naming the operation and the class.
  virtual bool GerarXML();

protected:
  // Empties the output and the alerts before a message is written.
  void Iniciar();
  bool SemAlertas() const { return fGerador->ListaDeAlertas().empty(); }
  std::string AtributoVersao() const;  // versao="..."

private:
  std::unique_ptr<TGerador> fGerador;
  std::string fVersao;
};

// Voiding of a range of numbers never used.
class TinutNFe : public TMensagemDFe {
public:
  TinutNFe();
  ~TinutNFe() override;
  std::string ClassName() const override { return "TinutNFe"; }

  TUIM_PROPRIEDADE(TfscTipoAmbiente, tpAmb)
  TUIM_PROPRIEDADE(int, cUF)
  TUIM_PROPRIEDADE(int, ano)  // GerarXML reduces a value above 2000 by 2000
  TUIM_PROPRIEDADE(std::string, CNPJ)
  TUIM_PROPRIEDADE(int, modelo)
  TUIM_PROPRIEDADE(int, serie)
  TUIM_PROPRIEDADE(int, nNFIni)
  TUIM_PROPRIEDADE(int, nNFFin)
  TUIM_PROPRIEDADE(std::string, xJust)
  // Computed by GerarXML.
  const std::string& ID() const { return fID; }

  TLeitor& Leitor() { return *fLeitor; }
  TSignature& Signature() { return *fSignature; }

  // "ID" + cUF + year + CNPJ + model + series + first and last numbers.
  static std::string MontarID(int cUF, int ano, const std::string& cnpj, int modelo, int serie, int nNFIni,
                              int nNFFin);

  bool GerarXML() override;

private:
  TfscTipoAmbiente ftpAmb = taHomologacao;
  int fcUF = 0, fano = 0, fmodelo = 55, fserie = 0, fnNFIni = 0, fnNFFin = 0;
  std::string fCNPJ, fxJust, fID;
  std::unique_ptr<TLeitor> fLeitor;
  std::unique_ptr<TSignature> fSignature;
};

// Digits of a CNPJ or CPF; an alphanumeric CNPJ (upper-case letters present) keeps its letters.
std::string DocumentoLimpo(const std::string& documento);

}  // namespace tuim
