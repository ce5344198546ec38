#pragma once
#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "fiscal/TuimDateTime.h"
#include "fiscal/fscConversao.h"
#include "xml/TuimColecao.h"
#include "xml/TuimGerador.h"
#include "xml/TuimLeitor.h"

namespace tuim {

// Namespace of the national NF-e layout, declared on NFe and nfeProc.
inline constexpr const char* kNamespaceNFe = "http://www.portalfiscal.inf.br/nfe";

// One message of the authority to the issuer in a protocol (cMsg and xMsg of infProt).
class TMsgCollectionItem {
public:
  int cMsg = 0;
  std::string xMsg;
};
using TMsgCollection = TColecao<TMsgCollectionItem>;

// The authorization protocol of one NF-e and the joining of the signed document with it into
// the processed form nfeProc. Inside a TNFe it only carries the protocol fields; a web service
// makes one per authorized document, hands it the two texts and keeps the result.
// Plain data: the fields are public and carry the names of the layout.
class TProcNFe : public TCabecalhoRetorno {
public:
  TProcNFe();
  ~TProcNFe();
  TProcNFe(const TProcNFe& o);
  TProcNFe& operator=(const TProcNFe& o);  // copies the fields, not the generator
  TProcNFe(TProcNFe&&) noexcept;
  TProcNFe& operator=(TProcNFe&&) noexcept;

  // The result and the alerts land here; set its options before MontarProcNFe.
  TGerador& Gerador() { return *fGerador; }
  const TGerador& Gerador() const { return *fGerador; }

  // File mode: a stored NF-e and at most one stored answer.
  std::string ArquivoNFe;
  std::string ArquivoRetConsReci;
  std::string ArquivoRetConsSit;

  // Protocol fields besides the answer's common ones (versao and cUF unused here).
  std::string chNFe;
  // The Id attribute of infProt as the authority wrote it ("ID" + nProt); empty: none read.
  std::string Id;
  // The offset the authority wrote after dhRecbto ("-03:00"); empty when none was read, and
  // then the state's offset is written.
  std::string dhRecbtoFuso;
  std::string nProt;
  std::string digVal;
  std::string Versao;  // layout version text, "4.00"
  // The first message pair; MsgAdicionais the pairs after it, in order. PL_010e takes up to
  // kMaxMensagens pairs, PL_009_V4 one.
  int cMsg = 0;
  std::string xMsg;
  TMsgCollection MsgAdicionais;
  static constexpr std::size_t kMaxMensagens = 5;

  // Direct mode: the signed NF-e and the protNFe element.
  std::string XMLNFe;
  std::string XMLProt;

  // Builds nfeProc into Gerador().ArquivoFormatoXML(); true when no alert was recorded.
  // Missing files and values become alert lines, nothing is raised for them; with any alert
  // nothing is written. Errors reading an existing file propagate.
  bool MontarProcNFe();

  // The protNFe text made from the protocol fields (also what file mode builds without an
  // answer file). Values are escaped for XML.
  std::string GerarProtNFe() const;

  // Fills the protocol fields from a protNFe (or infProt) text; false when it holds no infProt.
  bool LerProtNFe(const std::string& xmlProt);

  // The pairs given (a code above 0 or a text), the first one first.
  std::vector<TMsgCollectionItem> Mensagens() const;
  // "<cMsg>..</cMsg><xMsg>..</xMsg>" for every pair given, each text through `valor`.
  std::string MensagensXML(const std::function<std::string(const std::string&)>& valor) const;
  void LimparMensagens();
  void CopiarMensagensDe(const TProcNFe& o);
  // Reading in document order: a cMsg starts a pair, an xMsg ends the pair it follows (or
  // starts one without a code). False, with nothing kept, when that would start a pair past
  // `maximo`.
  bool LerCMsg(int codigo, std::size_t maximo = static_cast<std::size_t>(-1));
  bool LerXMsg(const std::string& texto, std::size_t maximo = static_cast<std::size_t>(-1));
  // Replaces the messages with every cMsg/xMsg pair of a protNFe or infProt text, read as the
  // flat reader reads a field; with `utf8` the texts are taken from UTF-8.
  void LerMensagens(const std::string& xmlProt, bool utf8);

private:
  std::size_t ParesAbertos() const;
  void MontarDeArquivos();
  void MontarDeRetConsReci();
  void MontarDeRetConsSit();

  std::unique_ptr<TGerador> fGerador;
};

}  // namespace tuim
