#pragma once
#include <cstddef>
#include <string>

#include "fiscal/TuimCurrency.h"
#include "fiscal/TuimDateTime.h"
#include "fiscal/TuimPropriedade.h"
#include "fiscal/fscConversao.h"
#include "services/TuimRetornosNFe.h"

namespace tuim {

// Summary of a document (resNFe), also filled from a full document.
class TresDFe {
public:
  std::string chDFe;
  std::string CNPJCPF;
  std::string xNome;
  std::string IE;
  TDateTime dhEmi = 0;
  TfscTpNF tpNF = tpNF0;
  TCurrency vNF;
  std::string digVal;
  TDateTime dhRecbto = 0;
  std::string nProt;
  TfscCSitNFe cSitNFe = cSitNFe1;
};

// Summary of an event (resEvento).
class TresEvento {
public:
  int cOrgao = 0;
  std::string CNPJCPF;
  std::string chDFe;
  TDateTime dhEvento = 0;
  TfscTpEvento tpEvento = teNaoMapeado;
  int nSeqEvento = 0;
  std::string xEvento;
  TDateTime dhRecbto = 0;
  std::string nProt;
};

// The CT-e named by an event on an NF-e.
class TDetEventoCTe {
public:
  std::string chCTe;
  TfscModal modal = modal01;
  TDateTime dhEmi = 0;
  std::string nProt;
  TDateTime dhRecbto = 0;
};

// The issuer named by an event.
class TDetEventoEmit {
public:
  std::string CNPJ;
  std::string IE;
  std::string xNome;
};

class TprocEvento_DetEvento {
public:
  std::string versao;
  std::string nProt;
  std::string xJust;
  std::string xCorrecao;
  std::string descEvento;
  TUIM_GRUPO(TDetEventoCTe, CTe)
  TUIM_GRUPO(TDetEventoEmit, emit)

private:
  TDetEventoCTe fCTe;
  TDetEventoEmit femit;
};

// Registration of a distributed event: the answer's common fields and its own.
class TprocEvento_RetInfEvento : public TCabecalhoRetorno, public TRegistroEvento {
public:
  std::string chDFe;
};

// A processed event (procEventoNFe).
class TprocEvento {
public:
  std::string Id;
  int cOrgao = 0;
  TfscTipoAmbiente tpAmb = taProducao;
  std::string CNPJ;
  std::string chDFe;
  TDateTime dhEvento = 0;
  TfscTpEvento tpEvento = teNaoMapeado;
  int nSeqEvento = 0;
  std::string verEvento;
  TUIM_GRUPO(TprocEvento_DetEvento, detEvento)
  TUIM_GRUPO(TprocEvento_RetInfEvento, RetinfEvento)

private:
  TprocEvento_DetEvento fdetEvento;
  TprocEvento_RetInfEvento fRetinfEvento;
};

// One distributed document.
class TdocZipCollectionItem {
public:
  std::string NSU;
  TSchemaDFe schema = schresNFe;
  std::string InfZip;  // the Base64 text as received
  std::string XML;     // the document (Windows-1252), with the UTF-8 declaration in front
  // By schema: the summary (resNFe) or the whole document's fields (procNFe).
  TUIM_GRUPO(TresDFe, resDFe)
  // An event summary (resEvento).
  TUIM_GRUPO(TresEvento, resEvento)
  // A processed event (procEventoNFe).
  TUIM_GRUPO(TprocEvento, procEvento)

private:
  TresDFe fresDFe;
  TresEvento fresEvento;
  TprocEvento fprocEvento;
};
using TdocZipCollection = TListaDono<TdocZipCollectionItem>;

// Largest document a docZip may inflate to; anything bigger is refused, not allocated.
inline constexpr std::size_t kTamanhoMaximoDocZip = 64u * 1024u * 1024u;

// The bytes of a docZip after Base64: gunzipped when they start with the gzip signature
// (1F 8B 08), otherwise inflated as a zlib stream. Raises ETuimDFeException when the data is
// truncated or corrupt, or would inflate beyond kTamanhoMaximoDocZip.
std::string DescompactarDocZip(const std::string& dados);

// Document distribution (retDistDFeInt). Unlike the other answers, a failure while reading
// (bad Base64, corrupt compressed data, an unknown schema name) reaches the caller as an
// ETuimDFeException with the same message; a missing root element gives false.
class TRetDistDFeInt : public TCabecalhoRetorno {
public:
  explicit TRetDistDFeInt(const std::string& sufixo = "NFe");
  ~TRetDistDFeInt();
  TRetDistDFeInt(const TRetDistDFeInt&) = delete;
  TRetDistDFeInt& operator=(const TRetDistDFeInt&) = delete;

  TLeitor& Leitor() { return *fLeitor; }
  const std::string& Sufixo() const { return fSufixo; }

  TDateTime dhResp = 0;
  std::string ultNSU;
  std::string maxNSU;
  std::string XML;  // the whole answer
  TUIM_GRUPO(TdocZipCollection, docZip)

  bool LerResposta();

private:
  bool Ler();
  void LerDocZip(TdocZipCollectionItem& item);
  void LerDocumento(TdocZipCollectionItem& item, const std::string& documento);
  void LerResumo(TLeitor& l, TdocZipCollectionItem& item);
  void LerResumoEvento(TLeitor& l, TdocZipCollectionItem& item);
  void LerDocumentoProcessado(TLeitor& l, TdocZipCollectionItem& item);
  void LerEventoProcessado(TLeitor& l, TdocZipCollectionItem& item);

  std::unique_ptr<TLeitor> fLeitor;
  std::string fSufixo;
  TdocZipCollection fdocZip;
};

}  // namespace tuim
