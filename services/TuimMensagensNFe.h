#pragma once
#include <cstdint>
#include <memory>
#include <string>

#include "component/TuimMensagemDFe.h"
#include "fiscal/TuimPropriedade.h"
#include "fiscal/fscConversao.h"
#include "xml/TuimGerador.h"

namespace tuim {

// Service status.
class TConsStatServ : public TMensagemDFe {
public:
  // The NF-e status service uses an empty suffix, the NF-e namespace and cUF.
  explicit TConsStatServ(const std::string& versao = "4.00", bool comcUF = true,
                         const std::string& sufixo = "",
                         const std::string& nameSpace = DeclaracaoNameSpaceNFe());
  std::string ClassName() const override { return "TConsStatServ"; }

  TUIM_PROPRIEDADE(TfscTipoAmbiente, tpAmb)
  TUIM_PROPRIEDADE(int, cUF)
  bool ComcUF() const { return fComcUF; }

  bool GerarXML() override;

private:
  bool fComcUF;
  std::string fSufixo, fNameSpace;
  TfscTipoAmbiente ftpAmb = taHomologacao;
  int fcUF = 0;
};

// Protocol query by access key.
class TConsSitNFe : public TMensagemDFe {
public:
  TConsSitNFe();
  std::string ClassName() const override { return "TConsSitNFe"; }

  TUIM_PROPRIEDADE(TfscTipoAmbiente, tpAmb)
  TUIM_PROPRIEDADE(std::string, chNFe)

  bool GerarXML() override;

private:
  TfscTipoAmbiente ftpAmb = taHomologacao;
  std::string fchNFe;
};

// Receipt query of an asynchronous batch.
class TConsReciDFe : public TMensagemDFe {
public:
  explicit TConsReciDFe(const std::string& versao = "4.00", const std::string& sufixo = "NFe",
                        const std::string& nameSpace = DeclaracaoNameSpaceNFe());
  std::string ClassName() const override { return "TConsReciDFe"; }

  TUIM_PROPRIEDADE(TfscTipoAmbiente, tpAmb)
  TUIM_PROPRIEDADE(std::string, nRec)

  bool GerarXML() override;

private:
  std::string fSufixo, fNameSpace;
  TfscTipoAmbiente ftpAmb = taHomologacao;
  std::string fnRec;
};

// Taxpayer registry query: by IE, else CNPJ, else CPF.
class TConsCad : public TMensagemDFe {
public:
  TConsCad();
  std::string ClassName() const override { return "TConsCad"; }

  TUIM_PROPRIEDADE(std::string, UF)
  TUIM_PROPRIEDADE(std::string, IE)
  TUIM_PROPRIEDADE(std::string, CNPJ)
  TUIM_PROPRIEDADE(std::string, CPF)

  bool GerarXML() override;

private:
  std::string fUF, fIE, fCNPJ, fCPF;
};

// Distribution of the documents of interest, by NSU, by key or after the last NSU received.
class TDistDFeInt : public TMensagemDFe {
public:
  // For NF-e: "chNFe", "consChNFe", wrapper "nfeDadosMsg" and the NF-e namespace.
  explicit TDistDFeInt(const std::string& versao = "1.01", bool comcUFAutor = true,
                       const std::string& tagChave = "chNFe", const std::string& grupoChave = "consChNFe",
                       const std::string& envelope = "nfeDadosMsg",
                       const std::string& nameSpace = DeclaracaoNameSpaceNFe());
  std::string ClassName() const override { return "TDistDFeInt"; }

  TUIM_PROPRIEDADE(TfscTipoAmbiente, tpAmb)
  TUIM_PROPRIEDADE(int, cUFAutor)
  TUIM_PROPRIEDADE(std::string, CNPJCPF)
  TUIM_PROPRIEDADE(std::string, ultNSU)
  TUIM_PROPRIEDADE(std::string, NSU)
  TUIM_PROPRIEDADE(std::string, chNFe)

  // An NSU as its 15 zero-filled digits; text that is not a number of up to 15 digits gives zeros.
  static std::string FormatarNSU(const std::string& nsu);

  bool GerarXML() override;

private:
  bool fComcUFAutor;
  std::string fTagChave, fGrupoChave, fEnvelope, fNameSpace;
  TfscTipoAmbiente ftpAmb = taHomologacao;
  int fcUFAutor = 0;
  std::string fCNPJCPF, fultNSU, fNSU, fchNFe;
};

// Administration of the NFC-e consumer security code.
class TAdmCSCNFCe : public TMensagemDFe {
public:
  TAdmCSCNFCe();
  std::string ClassName() const override { return "TAdmCSCNFCe"; }

  TUIM_PROPRIEDADE(TfscTipoAmbiente, tpAmb)
  TUIM_PROPRIEDADE(TfscIndOp, indOp)
  TUIM_PROPRIEDADE(std::string, raizCNPJ)
  TUIM_PROPRIEDADE(int, idCsc)
  TUIM_PROPRIEDADE(std::string, codigoCsc)

  bool GerarXML() override;

private:
  TfscTipoAmbiente ftpAmb = taHomologacao;
  TfscIndOp findOp = indOp1;
  std::string fraizCNPJ;
  int fidCsc = 0;
  std::string fcodigoCsc;
};

}  // namespace tuim
