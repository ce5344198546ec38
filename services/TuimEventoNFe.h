#pragma once
#include <cstdint>
#include <memory>
#include <string>

#include "component/TuimEventoNFe.h"
#include "fiscal/TuimDateTime.h"
#include "fiscal/fscConversao.h"
#include "security/TuimSignature.h"
#include "services/TuimMensagensNFe.h"
#include "xml/TuimLeitor.h"

namespace tuim {

class TDFeSSL;

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
