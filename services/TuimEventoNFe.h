#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "fiscal/TuimCurrency.h"
#include "fiscal/TuimDateTime.h"
#include "fiscal/fscConversao.h"
#include "security/TuimSignature.h"
#include "services/TuimMensagensNFe.h"
#include "xml/TuimGerador.h"
#include "xml/TuimLeitor.h"

namespace tuim {

class TDFeSSL;

// Owning list: Add creates an item with all its sub-objects; indexed access checks the range.
template <typename T>
class TListaDono {
public:
  T& New() {
    fItens.push_back(std::make_unique<T>());
    return *fItens.back();
  }
  int Count() const { return static_cast<int>(fItens.size()); }
  T& operator[](int i) { return *fItens.at(static_cast<std::size_t>(i)); }
  const T& operator[](int i) const { return *fItens.at(static_cast<std::size_t>(i)); }
  void Clear() { fItens.clear(); }

private:
  std::vector<std::unique_ptr<T>> fItens;
};

// The fixed condition-of-use text of the correction letter.
extern const char* const kCondicaoUsoCCe;

class TDestinatario {
public:
  const std::string& UF() const { return fUF; }
  void SetUF(const std::string& v) { fUF = v; }
  const std::string& CNPJCPF() const { return fCNPJCPF; }
  void SetCNPJCPF(const std::string& v) { fCNPJCPF = v; }
  const std::string& idEstrangeiro() const { return fidEstrangeiro; }
  void SetidEstrangeiro(const std::string& v) { fidEstrangeiro = v; }
  const std::string& IE() const { return fIE; }
  void SetIE(const std::string& v) { fIE = v; }

private:
  std::string fUF, fCNPJCPF, fidEstrangeiro, fIE;
};

class TitemPedidoCollectionItem {
public:
  int numItem() const { return fnumItem; }
  void SetnumItem(int v) { fnumItem = v; }
  TCurrency qtdeItem() const { return fqtdeItem; }
  void SetqtdeItem(TCurrency v) { fqtdeItem = v; }

private:
  int fnumItem = 0;
  TCurrency fqtdeItem;
};
using TitemPedidoCollection = TListaDono<TitemPedidoCollectionItem>;

// Details of one event; only the fields its type needs are written.
class TDetEvento {
public:
  TDetEvento();

  const std::string& descEvento() const { return fdescEvento; }
  void SetdescEvento(const std::string& v) { fdescEvento = v; }
  const std::string& xCorrecao() const { return fxCorrecao; }
  void SetxCorrecao(const std::string& v) { fxCorrecao = v; }
  const std::string& xCondUso() const { return fxCondUso; }
  void SetxCondUso(const std::string& v);  // an empty text stores the fixed correction-letter text
  const std::string& nProt() const { return fnProt; }
  void SetnProt(const std::string& v) { fnProt = v; }
  const std::string& xJust() const { return fxJust; }
  void SetxJust(const std::string& v) { fxJust = v; }
  int cOrgaoAutor() const { return fcOrgaoAutor; }
  void SetcOrgaoAutor(int v) { fcOrgaoAutor = v; }
  TfscTpAutor tpAutor() const { return ftpAutor; }
  void SettpAutor(TfscTpAutor v) { ftpAutor = v; }
  const std::string& verAplic() const { return fverAplic; }
  void SetverAplic(const std::string& v) { fverAplic = v; }
  TDateTime dhEmi() const { return fdhEmi; }
  void SetdhEmi(TDateTime v) { fdhEmi = v; }
  TfscTpNF tpNF() const { return ftpNF; }
  void SettpNF(TfscTpNF v) { ftpNF = v; }
  const std::string& IE() const { return fIE; }
  void SetIE(const std::string& v) { fIE = v; }
  TDestinatario& dest() { return fdest; }
  const TDestinatario& dest() const { return fdest; }
  TCurrency vNF() const { return fvNF; }
  void SetvNF(TCurrency v) { fvNF = v; }
  TCurrency vICMS() const { return fvICMS; }
  void SetvICMS(TCurrency v) { fvICMS = v; }
  TCurrency vST() const { return fvST; }
  void SetvST(TCurrency v) { fvST = v; }
  TitemPedidoCollection& itemPedido() { return fitemPedido; }
  const TitemPedidoCollection& itemPedido() const { return fitemPedido; }
  const std::string& idPedidoCancelado() const { return fidPedidoCancelado; }
  void SetidPedidoCancelado(const std::string& v) { fidPedidoCancelado = v; }
  const std::string& chNFeRef() const { return fchNFeRef; }
  void SetchNFeRef(const std::string& v) { fchNFeRef = v; }

private:
  std::string fdescEvento, fxCorrecao, fxCondUso, fnProt, fxJust;
  int fcOrgaoAutor = 0;
  TfscTpAutor ftpAutor = tpAutor1;
  std::string fverAplic;
  TDateTime fdhEmi = 0;
  TfscTpNF ftpNF = tpNF1;
  std::string fIE;
  TDestinatario fdest;
  TCurrency fvNF, fvICMS, fvST;
  TitemPedidoCollection fitemPedido;
  std::string fidPedidoCancelado, fchNFeRef;
};

// One event.
class TInfEvento {
public:
  const std::string& Id() const { return fId; }
  void SetId(const std::string& v) { fId = v; }
  TfscTipoAmbiente tpAmb() const { return ftpAmb; }
  void SettpAmb(TfscTipoAmbiente v) { ftpAmb = v; }
  const std::string& CNPJ() const { return fCNPJ; }  // the author's CNPJ or CPF
  void SetCNPJ(const std::string& v) { fCNPJ = v; }
  int cOrgao() const { return fcOrgao; }  // 0: taken from the key
  void SetcOrgao(int v) { fcOrgao = v; }
  const std::string& chNFe() const { return fchNFe; }
  void SetchNFe(const std::string& v) { fchNFe = v; }
  TDateTime dhEvento() const { return fdhEvento; }
  void SetdhEvento(TDateTime v) { fdhEvento = v; }
  TfscTpEvento tpEvento() const { return ftpEvento; }
  void SettpEvento(TfscTpEvento v) { ftpEvento = v; }
  int nSeqEvento() const { return fnSeqEvento; }
  void SetnSeqEvento(int v) { fnSeqEvento = v; }
  const std::string& verEvento() const { return fverEvento; }
  void SetverEvento(const std::string& v) { fverEvento = v; }
  TDetEvento& detEvento() { return fdetEvento; }
  const TDetEvento& detEvento() const { return fdetEvento; }

  // cOrgao when not 0, else the state code at the head of the key (0 when not digits).
  int cOrgaoEfetivo() const;
  // Six-digit code of tpEvento; empty when it has none.
  std::string CodigoEvento() const;
  // descEvento of the type; empty for types without one.
  std::string DescricaoEvento() const;

private:
  std::string fId;
  TfscTipoAmbiente ftpAmb = taHomologacao;
  std::string fCNPJ;
  int fcOrgao = 0;
  std::string fchNFe;
  TDateTime fdhEvento = 0;
  TfscTpEvento ftpEvento = teNaoMapeado;
  int fnSeqEvento = 1;
  std::string fverEvento;
  TDetEvento fdetEvento;
};

// descEvento by event type (plain ASCII, as the layout spells them); empty for the others.
std::string DescricaoTpEvento(TfscTpEvento v);

class TRetchNFePendCollectionItem {
public:
  const std::string& ChavePendente() const { return fChavePendente; }
  void SetChavePendente(const std::string& v) { fChavePendente = v; }

private:
  std::string fChavePendente;
};
using TRetchNFePendCollection = TListaDono<TRetchNFePendCollectionItem>;

// Registration of one event by the authority.
class TRetInfEvento {
public:
  std::string Id;
  std::string NomeArquivo;  // processed-event file written by the event service; never read
  TfscTipoAmbiente tpAmb = taHomologacao;
  std::string verAplic;
  int cOrgao = 0;
  int cStat = 0;
  std::string xMotivo;
  std::string chNFe;
  TfscTpEvento tpEvento = teNaoMapeado;
  std::string xEvento;
  int nSeqEvento = 0;
  std::string CNPJDest;  // or the CPF
  std::string emailDest;
  int cOrgaoAutor = 0;
  TDateTime dhRegEvento = 0;
  std::string nProt;
  std::string XML;  // its infEvento group
  TRetchNFePendCollection chNFePend;
};

class TInfEventoCollectionItem {
public:
  TInfEvento& InfEvento() { return fInfEvento; }
  const TInfEvento& InfEvento() const { return fInfEvento; }
  TSignature& Signature() { return fSignature; }
  TRetInfEvento& RetInfEvento() { return fRetInfEvento; }

private:
  TInfEvento fInfEvento;
  TSignature fSignature;
  TRetInfEvento fRetInfEvento;
};
using TInfEventoCollection = TListaDono<TInfEventoCollectionItem>;

// The batch request envEvento.
class TEventoNFe {
public:
  TEventoNFe();
  ~TEventoNFe();
  TEventoNFe(const TEventoNFe&) = delete;
  TEventoNFe& operator=(const TEventoNFe&) = delete;

  TGerador& Gerador() { return *fGerador; }
  std::int64_t idLote() const { return fidLote; }
  void SetidLote(std::int64_t v) { fidLote = v; }
  const std::string& Versao() const { return fVersao; }
  void SetVersao(const std::string& v) { fVersao = v; }
  TInfEventoCollection& Evento() { return fEvento; }
  const TInfEventoCollection& Evento() const { return fEvento; }

  // Writes the batch; each event's Id is computed and stored. True without alerts.
  bool GerarXML();

private:
  void GerarEvento(TInfEventoCollectionItem& item);
  void GerarDetalhes(const TInfEvento& ev, const std::string& modelo);
  void GerarDestinatarioEPEC(const TDetEvento& det, const std::string& modelo);

  std::unique_ptr<TGerador> fGerador;
  std::int64_t fidLote = 0;
  std::string fVersao = "1.00";
  TInfEventoCollection fEvento;
};

// Signs every evento of a written batch on its infEvento through the facade and puts the batch
// together again (UTF-8). A failure raises "Falha ao assinar o Envio de Evento " + line break +
// the signer's message.
std::string AssinarEnvEvento(TDFeSSL& ssl, const std::string& loteXML);

using TRetInfEventoCollection = TListaDono<TRetInfEvento>;

// Reader of an event-batch answer, of one registration, or of a processed event document.
class TRetEventoNFe {
public:
  TRetEventoNFe();
  ~TRetEventoNFe();
  TRetEventoNFe(const TRetEventoNFe&) = delete;
  TRetEventoNFe& operator=(const TRetEventoNFe&) = delete;

  TLeitor& Leitor() { return *fLeitor; }
  std::int64_t idLote = 0;
  std::string versao;
  TfscTipoAmbiente tpAmb = taHomologacao;
  std::string verAplic;
  int cOrgao = 0;
  int cStat = 0;
  std::string xMotivo;
  TRetInfEventoCollection& retEvento() { return fretEvento; }
  TInfEvento& InfEvento() { return fInfEvento; }
  TSignature& Signature() { return fSignature; }
  std::string XML;  // set by its user

  // False on any failure while reading; what was read before it stays.
  bool LerResposta();

private:
  bool LerEventoProcessado();
  std::unique_ptr<TLeitor> fLeitor;
  TRetInfEventoCollection fretEvento;
  TInfEvento fInfEvento;
  TSignature fSignature;
};

}  // namespace tuim
