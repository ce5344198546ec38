#pragma once
#include <memory>
#include <string>

#include "fiscal/TuimDateTime.h"
#include "fiscal/TuimPropriedade.h"
#include "fiscal/fscConversao.h"
#include "services/TuimEventoNFe.h"
#include "xml/TuimLeitor.h"
#include "xml/TuimProcNFe.h"

namespace tuim {

// Base of the answers of the web services: the caller puts the answer text into Leitor()
// (SetArquivo) and calls LerResposta, true when the root element was found and read.
// A failure while reading gives false; what was read before it stays.
class TRetornoDFe {
public:
  TRetornoDFe();
  virtual ~TRetornoDFe();  // the reader it owns makes it a non-copyable object

  TLeitor& Leitor() { return *fLeitor; }
  const TLeitor& Leitor() const { return *fLeitor; }

  bool LerResposta();
  // Why the last LerResposta gave false; empty when it read the answer.
  const std::string& ErroLeitura() const { return fErroLeitura; }

protected:
  // The reading proper; may raise, LerResposta turns that into false.
  virtual bool Ler() = 0;

private:
  std::unique_ptr<TLeitor> fLeitor;
  std::string fErroLeitura;
};

// Service status (retConsStatServ).
class TRetConsStatServ : public TRetornoDFe, public TCabecalhoRetorno {
public:
  explicit TRetConsStatServ(const std::string& sufixo = "") : fSufixo(sufixo) {}
  const std::string& Sufixo() const { return fSufixo; }

  int tMed = 0;
  TDateTime dhRetorno = 0;
  std::string xObs;

protected:
  bool Ler() override;

private:
  std::string fSufixo;
};

// Receipt of an asynchronous batch.
class TInfREC {
public:
  std::string nRec;
  TDateTime dhRecbto = 0;
  int tMed = 0;
};

// Batch reception (retEnviNFe); dhRecbto is also the receipt's.
class TretEnvNFe : public TRetornoDFe, public TCabecalhoRetorno {
public:
  TInfREC& infRec() { return fInfRec; }
  const TInfREC& infRec() const { return fInfRec; }

protected:
  bool Ler() override;

private:
  TInfREC fInfRec;
};

// One document protocol of a processed batch.
class TProtDFeCollectionItem : public TCabecalhoRetorno {
public:
  std::string XMLprot;  // the whole prot group
  std::string Id;
  std::string chDFe;
  std::string nProt;
  std::string digVal;
  // The authority's messages, as in TProcNFe: the first pair, then the ones after it in order
  // (PL_010e takes up to five in all).
  int cMsg = 0;
  std::string xMsg;
  TMsgCollection MsgAdicionais;
};
using TProtDFeCollection = TListaDono<TProtDFeCollectionItem>;

// Receipt query (retConsReci + suffix); protocols are read only for a processed batch (104).
class TRetConsReciDFe : public TRetornoDFe, public TCabecalhoRetorno {
public:
  explicit TRetConsReciDFe(const std::string& sufixo = "NFe") : fSufixo(sufixo) {}
  const std::string& Sufixo() const { return fSufixo; }

  std::string nRec;
  int cMsg = 0;
  std::string xMsg;
  TUIM_GRUPO(TProtDFeCollection, ProtDFe)

protected:
  bool Ler() override;

private:
  std::string fSufixo;
  TProtDFeCollection fProtDFe;
};

// Cancellation return of a protocol query (infCanc).
class TRetCancNFe : public TCabecalhoRetorno {
public:
  std::string chNFe;
  std::string nProt;
};

class TRetEventoNFeCollectionItem {
public:
  TRetEventoNFeCollectionItem() : fRetEventoNFe(std::make_unique<TRetEventoNFe>()) {}
  TRetEventoNFe& RetEventoNFe() { return *fRetEventoNFe; }
  const TRetEventoNFe& RetEventoNFe() const { return *fRetEventoNFe; }

private:
  std::unique_ptr<TRetEventoNFe> fRetEventoNFe;
};
using TRetEventoNFeCollection = TListaDono<TRetEventoNFeCollectionItem>;

// Protocol query (retConsSitNFe): the protocol, the cancellation and the processed events.
class TRetConsSitNFe : public TRetornoDFe, public TCabecalhoRetorno {
public:
  std::string nRec;
  std::string chNFe;
  // The protocol fields; XMLProt holds the protNFe group as received.
  TUIM_GRUPO(TProcNFe, protNFe)
  TUIM_GRUPO(TRetCancNFe, retCancNFe)
  TUIM_GRUPO(TRetEventoNFeCollection, procEventoNFe)

protected:
  bool Ler() override;

private:
  TProcNFe fprotNFe;
  TRetCancNFe fretCancNFe;
  TRetEventoNFeCollection fprocEventoNFe;
};

// One registration of a taxpayer query.
class TInfCadCollectionItem {
public:
  std::string IE;
  std::string CNPJ;
  std::string CPF;
  std::string UF;
  int cSit = 0;
  int indCredNFe = 0;
  int indCredCTe = 0;
  std::string xNome;
  std::string xFant;
  std::string xRegApur;
  int CNAE = 0;
  TDateTime dIniAtiv = 0;
  TDateTime dUltSit = 0;
  TDateTime dBaixa = 0;
  std::string IEUnica;
  std::string IEAtual;
  std::string xLgr;
  std::string nro;
  std::string xCpl;
  std::string xBairro;
  int cMun = 0;
  std::string xMun;
  int CEP = 0;
};
using TInfCadCollection = TListaDono<TInfCadCollectionItem>;

// Taxpayer query (retConsCad); without any registration InfCad holds one empty item.
class TRetConsCad : public TRetornoDFe, public TCabecalhoRetorno {
public:
  std::string CNPJ;  // trimmed; a shorter one zero-filled to 14
  std::string CPF;   // trimmed; a shorter one zero-filled to 11
  std::string UF;
  std::string IE;
  TDateTime dhCons = 0;
  TUIM_GRUPO(TInfCadCollection, InfCad)

protected:
  bool Ler() override;

private:
  TInfCadCollection fInfCad;
};

// Number voiding (retInutNFe), also read from a processed voiding or from the request itself.
class TRetInutNFe : public TRetornoDFe, public TCabecalhoRetorno {
public:
  std::string Id;
  int ano = 0;
  std::string CNPJ;
  int modelo = 0;  // element mod
  int serie = 0;
  int nNFIni = 0;
  int nNFFin = 0;
  std::string nProt;
  std::string xJust;

protected:
  bool Ler() override;
};

class TRetdadosCscCollectionItem {
public:
  int idCsc = 0;
  std::string codigoCsc;
};
using TRetdadosCscCollection = TListaDono<TRetdadosCscCollectionItem>;

// Security-code administration (retAdmCscNFCe); without any dadosCsc one empty item.
class TRetAdmCSCNFCe : public TRetornoDFe, public TCabecalhoRetorno {
public:
  TfscIndOp indOp = indOp1;
  TUIM_GRUPO(TRetdadosCscCollection, dadosCsc)

protected:
  bool Ler() override;

private:
  TRetdadosCscCollection fdadosCsc;
};

}  // namespace tuim
