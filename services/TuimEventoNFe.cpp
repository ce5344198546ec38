#include "services/TuimEventoNFe.h"

#include <string_view>

#include "fiscal/TuimException.h"
#include "fiscal/TuimUtil.h"
#include "fiscal/fscAuxiliar.h"
#include "fiscal/fscConversaoNFe.h"
#include "security/TuimDFeSSL.h"

namespace tuim {

// ---- Signing --------------------------------------------------------------------------------

std::string AssinarEnvEvento(TDFeSSL& ssl, const std::string& loteXML) {
  const std::size_t inicio = loteXML.find("<evento ");
  if (inicio == std::string::npos) return ParaUTF8(loteXML);
  const std::string cabeca = ParaUTF8(loteXML.substr(0, inicio));
  std::size_t fimLote = loteXML.rfind("</envEvento>");
  if (fimLote == std::string::npos || fimLote < inicio) fimLote = loteXML.size();
  const std::string corpo = ParaUTF8(loteXML.substr(inicio, fimLote - inicio));

  std::string assinados;
  std::size_t p = 0;
  while ((p = corpo.find("<evento ", p)) != std::string::npos) {
    const std::size_t f = corpo.find("</evento>", p);
    if (f == std::string::npos) break;
    const std::size_t fim = f + 9;
    try {
      assinados += ssl.Assinar(corpo.substr(p, fim - p), "evento", "infEvento");
    } catch (const ETuimDFeException& e) {
      throw ETuimDFeException("Falha ao assinar o Envio de Evento \r\n" + std::string(e.what()));
    }
    p = fim;
  }
  // The signer may open with its XML declaration: that goes first, before the batch's head.
  const std::size_t decl = assinados.find("?>");
  if (decl != std::string::npos)
    return assinados.substr(0, decl + 2) + cabeca + assinados.substr(decl + 2) + "</envEvento>";
  return cabeca + assinados + "</envEvento>";
}

// ---- TRetEventoNFe --------------------------------------------------------------------------

TRetEventoNFe::TRetEventoNFe() : fLeitor(std::make_unique<TLeitor>()) {}
TRetEventoNFe::~TRetEventoNFe() = default;

bool TRetEventoNFe::LerEventoProcessado() {
  TLeitor& l = *fLeitor;
  bool ok = false;
  TInfEvento& ev = fInfEvento;
  l.ExtrairGrupo(2, "infEvento");
  ev.SetId(l.LerAtributo("Id", "infEvento").AsString());
  ev.SetcOrgao(l.LerCampo(fcInteiro, "cOrgao").AsInteger());
  ev.SettpAmb(TextoParaTipoAmbiente(ok, l.LerCampo(fcTexto, "tpAmb").AsString()));
  {
    // The author only: an author's CPF must not give way to the CNPJ of an EPEC's recipient.
    const std::string inf = l.Grupo();
    l.SetGrupo(inf.substr(0, inf.find("<detEvento")));
    ev.SetCNPJ(l.LerCampoCNPJCPF());
    l.SetGrupo(inf);
  }
  ev.SetchNFe(l.LerCampo(fcTexto, "chNFe").AsString());
  ev.SetdhEvento(l.LerCampo(fcDataHora, "dhEvento").AsDateTime());
  ev.SettpEvento(TextoParaTpEventoNFe(ok, l.LerCampo(fcTexto, "tpEvento").AsString()));
  ev.SetnSeqEvento(l.LerCampo(fcInteiro, "nSeqEvento").AsInteger());
  ev.SetverEvento(l.LerCampo(fcDecimal2, "verEvento").AsCurrency().ToString(2));

  TDetEvento& det = ev.detEvento();
  l.ExtrairGrupo(3, "detEvento");
  det.SetdescEvento(l.LerCampo(fcTexto, "descEvento").AsString());
  det.SetxCorrecao(l.LerCampo(fcTexto, "xCorrecao").AsString());
  det.SetxCondUso(l.LerCampo(fcTexto, "xCondUso").AsString());
  det.SetnProt(l.LerCampo(fcTexto, "nProt").AsString());
  det.SetxJust(l.LerCampo(fcTexto, "xJust").AsString());
  det.SetcOrgaoAutor(l.LerCampo(fcInteiro, "cOrgaoAutor").AsInteger());
  det.SettpAutor(TextoParaTpAutor(ok, l.LerCampo(fcTexto, "tpAutor").AsString()));
  det.SetverAplic(l.LerCampo(fcTexto, "verAplic").AsString());
  det.SetdhEmi(l.LerCampo(fcDataHora, "dhEmi").AsDateTime());
  det.SettpNF(TextoParaTpNF(ok, l.LerCampo(fcTexto, "tpNF").AsString()));
  // The issuer's IE comes before dest, whose own IE must not stand in for a missing one.
  det.SetIE(l.LerCampo(fcTexto, "IE", "dest").AsString());
  // Read over the whole detail: for NFC-e the amounts stand outside dest.
  det.SetvNF(l.LerCampo(fcDecimal2, "vNF").AsCurrency());
  det.SetvICMS(l.LerCampo(fcDecimal2, "vICMS").AsCurrency());
  det.SetvST(l.LerCampo(fcDecimal2, "vST").AsCurrency());
  if (!l.ExtrairGrupo(4, "dest").empty()) {
    det.dest().SetUF(l.LerCampo(fcTexto, "UF").AsString());
    det.dest().SetCNPJCPF(l.LerCampoCNPJCPF());
    det.dest().SetidEstrangeiro(l.LerCampo(fcTexto, "idEstrangeiro").AsString());
    det.dest().SetIE(l.LerCampo(fcTexto, "IE").AsString());
  }

  if (!l.ExtrairGrupo(2, "Signature").empty()) {
    fSignature.SetURI(l.LerAtributo("URI", "Reference").AsString());
    fSignature.SetDigestValue(l.LerCampo(fcTexto, "DigestValue").AsString());
    fSignature.SetSignatureValue(l.LerCampo(fcTexto, "SignatureValue").AsString());
    fSignature.SetX509Certificate(l.LerCampo(fcTexto, "X509Certificate").AsString());
  }
  return true;
}

bool TRetEventoNFe::LerResposta() {
  TLeitor& l = *fLeitor;
  bool resultado = false;
  try {
    if (!l.ExtrairGrupo(1, "evento").empty()) resultado = LerEventoProcessado();

    std::string raiz = "retEnvEvento";
    if (l.ExtrairGrupo(1, raiz).empty()) {
      raiz = "retEvento";
      if (l.ExtrairGrupo(1, raiz).empty()) return resultado;
    }
    bool ok = false;
    versao = l.LerAtributo("versao", raiz).AsString();
    idLote = l.LerCampo(fcInteiro, "idLote").AsInt64();
    tpAmb = TextoParaTipoAmbiente(ok, l.LerCampo(fcTexto, "tpAmb").AsString());
    verAplic = l.LerCampo(fcTexto, "verAplic").AsString();
    cOrgao = l.LerCampo(fcInteiro, "cOrgao").AsInteger();
    cStat = l.LerCampo(fcInteiro, "cStat").AsInteger();
    xMotivo = l.LerCampo(fcTexto, "xMotivo").AsString();

    for (int i = 1;; ++i) {
      std::string grupo = l.ExtrairGrupo(2, "infEvento", "", i);
      if (grupo.empty()) break;
      TRetInfEvento& r = fretEvento.New();
      r.XML = grupo;
      r.Id = l.LerAtributo("Id", "infEvento").AsString();
      r.tpAmb = TextoParaTipoAmbiente(ok, l.LerCampo(fcTexto, "tpAmb").AsString());
      r.verAplic = l.LerCampo(fcTexto, "verAplic").AsString();
      r.cOrgao = l.LerCampo(fcInteiro, "cOrgao").AsInteger();
      r.cStat = l.LerCampo(fcInteiro, "cStat").AsInteger();
      r.xMotivo = l.LerCampo(fcTexto, "xMotivo").AsString();
      r.chNFe = l.LerCampo(fcTexto, "chNFe").AsString();
      r.tpEvento = TextoParaTpEventoNFe(ok, l.LerCampo(fcTexto, "tpEvento").AsString());
      r.xEvento = l.LerCampo(fcTexto, "xEvento").AsString();
      r.nSeqEvento = l.LerCampo(fcInteiro, "nSeqEvento").AsInteger();
      r.CNPJDest = l.LerCampo(fcTexto, "CNPJDest").AsString();
      if (r.CNPJDest.empty()) r.CNPJDest = l.LerCampo(fcTexto, "CPFDest").AsString();
      r.emailDest = l.LerCampo(fcTexto, "emailDest").AsString();
      r.cOrgaoAutor = l.LerCampo(fcInteiro, "cOrgaoAutor").AsInteger();
      r.dhRegEvento = l.LerCampo(fcDataHora, "dhRegEvento").AsDateTime();
      r.nProt = l.LerCampo(fcTexto, "nProt").AsString();
      for (int j = 1;; ++j) {
        if (l.ExtrairGrupo(3, "chNFePend", "", j).empty()) break;
        r.chNFePend.New().SetChavePendente(l.LerCampo(fcTexto, "chNFePend").AsString());
      }
    }
    resultado = true;
  } catch (const std::exception&) {
    resultado = false;
  }
  return resultado;
}

}  // namespace tuim
