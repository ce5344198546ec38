#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "component/TuimMensagemDFe.h"
#include "fiscal/TuimCurrency.h"
#include "fiscal/TuimDateTime.h"
#include "fiscal/TuimPropriedade.h"
#include "fiscal/fscConversao.h"
#include "security/TuimSignature.h"
#include "xml/TuimGerador.h"
#include "xml/TuimLeitor.h"

namespace tuim {

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
  TUIM_PROPRIEDADE(std::string, UF)
  TUIM_PROPRIEDADE(std::string, CNPJCPF)
  TUIM_PROPRIEDADE(std::string, idEstrangeiro)
  TUIM_PROPRIEDADE(std::string, IE)

private:
  std::string fUF, fCNPJCPF, fidEstrangeiro, fIE;
};

class TitemPedidoCollectionItem {
public:
  TUIM_PROPRIEDADE(int, numItem)
  TUIM_PROPRIEDADE(TCurrency, qtdeItem)

private:
  int fnumItem = 0;
  TCurrency fqtdeItem;
};
using TitemPedidoCollection = TListaDono<TitemPedidoCollectionItem>;

// Details of one event; only the fields its type needs are written.
class TDetEvento {
public:
  TDetEvento();

  TUIM_PROPRIEDADE(std::string, descEvento)
  TUIM_PROPRIEDADE(std::string, xCorrecao)
  const std::string& xCondUso() const { return fxCondUso; }
  void SetxCondUso(const std::string& v);  // an empty text stores the fixed correction-letter text
  TUIM_PROPRIEDADE(std::string, nProt)
  TUIM_PROPRIEDADE(std::string, xJust)
  TUIM_PROPRIEDADE(int, cOrgaoAutor)
  TUIM_PROPRIEDADE(TfscTpAutor, tpAutor)
  TUIM_PROPRIEDADE(std::string, verAplic)
  TUIM_PROPRIEDADE(TDateTime, dhEmi)
  TUIM_PROPRIEDADE(TfscTpNF, tpNF)
  TUIM_PROPRIEDADE(std::string, IE)
  TUIM_GRUPO(TDestinatario, dest)
  TUIM_PROPRIEDADE(TCurrency, vNF)
  TUIM_PROPRIEDADE(TCurrency, vICMS)
  TUIM_PROPRIEDADE(TCurrency, vST)
  TUIM_GRUPO(TitemPedidoCollection, itemPedido)
  TUIM_PROPRIEDADE(std::string, idPedidoCancelado)
  TUIM_PROPRIEDADE(std::string, chNFeRef)

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
  TUIM_PROPRIEDADE(std::string, Id)
  TUIM_PROPRIEDADE(TfscTipoAmbiente, tpAmb)
  TUIM_PROPRIEDADE(std::string, CNPJ)  // the author's CNPJ or CPF
  TUIM_PROPRIEDADE(int, cOrgao)  // 0: taken from the key
  TUIM_PROPRIEDADE(std::string, chNFe)
  TUIM_PROPRIEDADE(TDateTime, dhEvento)
  TUIM_PROPRIEDADE(TfscTpEvento, tpEvento)
  TUIM_PROPRIEDADE(int, nSeqEvento)
  TUIM_PROPRIEDADE(std::string, verEvento)
  TUIM_GRUPO(TDetEvento, detEvento)

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
  TUIM_PROPRIEDADE(std::string, ChavePendente)

private:
  std::string fChavePendente;
};
using TRetchNFePendCollection = TListaDono<TRetchNFePendCollectionItem>;

// What the authority registers of an event, in an answer to it and in a distributed one.
class TRegistroEvento {
public:
  std::string Id;
  int cOrgao = 0;
  TfscTpEvento tpEvento = teNaoMapeado;
  std::string xEvento;
  int nSeqEvento = 0;
  std::string CNPJDest;  // or the CPF
  TDateTime dhRegEvento = 0;
  std::string nProt;
};

// Registration of one event by the authority.
class TRetInfEvento : public TRegistroEvento {
public:
  std::string NomeArquivo;  // processed-event file written by the event service; never read
  TfscTipoAmbiente tpAmb = taHomologacao;
  std::string verAplic;
  int cStat = 0;
  std::string xMotivo;
  std::string chNFe;
  std::string emailDest;
  int cOrgaoAutor = 0;
  std::string XML;  // its infEvento group
  TRetchNFePendCollection chNFePend;
};

class TInfEventoCollectionItem {
public:
  TUIM_GRUPO(TInfEvento, InfEvento)
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
  TUIM_PROPRIEDADE(std::int64_t, idLote)
  TUIM_PROPRIEDADE(std::string, Versao)
  TUIM_GRUPO(TInfEventoCollection, Evento)

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

}  // namespace tuim
