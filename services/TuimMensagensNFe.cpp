#include "services/TuimMensagensNFe.h"

#include <algorithm>
#include <cstdint>

#include "fiscal/TuimException.h"
#include "fiscal/fscAuxiliar.h"

namespace tuim {

// ---- TConsStatServ --------------------------------------------------------------------------

TConsStatServ::TConsStatServ(const std::string& versao, bool comcUF, const std::string& sufixo,
                             const std::string& nameSpace)
    : fComcUF(comcUF), fSufixo(sufixo), fNameSpace(nameSpace) {
  SetVersao(versao);
}

bool TConsStatServ::GerarXML() {
  Iniciar();
  TGerador& g = Gerador();
  g.EscreverGrupo("consStatServ" + fSufixo + " " + fNameSpace + " " + AtributoVersao());
  g.EscreverCampo(fcTexto, "FP03", "tpAmb", 1, 1, 1, TipoAmbienteParaTexto(ftpAmb), "Identificação do Ambiente");
  if (fComcUF) g.EscreverCampo(fcInteiro, "FP04", "cUF", 2, 2, 1, fcUF, "Código do UF (Unidade da Federação)");
  g.EscreverCampo(fcTexto, "FP05", "xServ", 6, 6, 1, "STATUS", "Descrição do serviço");
  g.EscreverGrupo("/consStatServ" + fSufixo);
  return SemAlertas();
}

// ---- TConsSitNFe ----------------------------------------------------------------------------

TConsSitNFe::TConsSitNFe() { SetVersao("4.00"); }

bool TConsSitNFe::GerarXML() {
  Iniciar();
  TGerador& g = Gerador();
  g.EscreverGrupo("consSitNFe " + DeclaracaoNameSpaceNFe() + " " + AtributoVersao());
  g.EscreverCampo(fcTexto, "EP03", "tpAmb", 1, 1, 1, TipoAmbienteParaTexto(ftpAmb), "Identificação do Ambiente");
  g.EscreverCampo(fcTexto, "EP04", "xServ", 9, 9, 1, "CONSULTAR", "Descrição do serviço");
  g.EscreverCampo(fcDigitos, "EP05", "chNFe", 44, 44, 1, fchNFe, "Chave da NFe");
  g.EscreverGrupo("/consSitNFe");
  return SemAlertas();
}

// ---- TConsReciDFe ---------------------------------------------------------------------------

TConsReciDFe::TConsReciDFe(const std::string& versao, const std::string& sufixo, const std::string& nameSpace)
    : fSufixo(sufixo), fNameSpace(nameSpace) {
  SetVersao(versao);
}

bool TConsReciDFe::GerarXML() {
  Iniciar();
  TGerador& g = Gerador();
  g.EscreverGrupo("consReci" + fSufixo + " " + fNameSpace + " " + AtributoVersao());
  g.EscreverCampo(fcTexto, "BP03", "tpAmb", 1, 1, 1, TipoAmbienteParaTexto(ftpAmb), "Identificação do Ambiente");
  g.EscreverCampo(fcDigitos, "BP04", "nRec", 15, 15, 1, fnRec, "Numero do recibo");
  g.EscreverGrupo("/consReci" + fSufixo);
  return SemAlertas();
}

// ---- TConsCad -------------------------------------------------------------------------------

TConsCad::TConsCad() { SetVersao("2.00"); }

bool TConsCad::GerarXML() {
  Iniciar();
  TGerador& g = Gerador();
  g.EscreverGrupo("ConsCad " + DeclaracaoNameSpaceNFe() + " " + AtributoVersao());
  g.EscreverGrupo("infCons");
  g.EscreverCampo(fcTexto, "GP04", "xServ", 8, 8, 1, "CONS-CAD", "Descrição do serviço");
  g.EscreverCampo(fcTexto, "GP05", "UF", 2, 2, 1, fUF, "Sigla da UF");
  // The first identifier given is the only one written.
  if (!fIE.empty())
    g.EscreverCampo(fcTexto, "GP06", "IE", 2, 14, 1, fIE, "Inscrição Estadual");
  else if (!fCNPJ.empty())
    g.EscreverCampoCNPJCPF("GP07", "CNPJ", fCNPJ, true, true);
  else
    g.EscreverCampoCNPJCPF("GP08", "CPF", fCPF, true, true);
  g.EscreverGrupo("/infCons");
  g.EscreverGrupo("/ConsCad");
  return SemAlertas();
}

// ---- TDistDFeInt ----------------------------------------------------------------------------

TDistDFeInt::TDistDFeInt(const std::string& versao, bool comcUFAutor, const std::string& tagChave,
                         const std::string& grupoChave, const std::string& envelope, const std::string& nameSpace)
    : fComcUFAutor(comcUFAutor), fTagChave(tagChave), fGrupoChave(grupoChave), fEnvelope(envelope),
      fNameSpace(nameSpace) {
  SetVersao(versao);
}

std::string TDistDFeInt::FormatarNSU(const std::string& nsu) {
  // NSUs run up to fifteen digits; a 32-bit reading would send a real NSU above 2147483647 as
  // zero and restart the download from the beginning.
  std::string t = nsu;
  while (!t.empty() && static_cast<unsigned char>(t.front()) <= ' ') t.erase(0, 1);
  while (!t.empty() && static_cast<unsigned char>(t.back()) <= ' ') t.pop_back();
  std::size_t zeros = t.find_first_not_of('0');
  std::string digitos = zeros == std::string::npos ? std::string() : t.substr(zeros);
  bool numero = !t.empty() && digitos.size() <= 15 &&
                std::all_of(t.begin(), t.end(), [](char c) { return c >= '0' && c <= '9'; });
  if (!numero) digitos.clear();
  return std::string(15 - digitos.size(), '0') + digitos;
}

bool TDistDFeInt::GerarXML() {
  Iniciar();
  TGerador& g = Gerador();
  if (!fEnvelope.empty()) g.EscreverGrupo(fEnvelope);
  g.EscreverGrupo("distDFeInt " + fNameSpace + " " + AtributoVersao());
  g.EscreverCampo(fcTexto, "A03", "tpAmb", 1, 1, 1, TipoAmbienteParaTexto(ftpAmb), "Identificação do Ambiente");
  if (fComcUFAutor) g.EscreverCampo(fcInteiro, "A04", "cUFAutor", 2, 2, 0, fcUFAutor, "Sigla da UF");
  g.EscreverCampoCNPJCPF("A05", "A06", fCNPJCPF, true, true);
  if (!fNSU.empty()) {
    g.EscreverGrupo("consNSU");
    g.EscreverCampo(fcTexto, "A10", "NSU", 1, 15, 1, FormatarNSU(fNSU), "NSU específico");
    g.EscreverGrupo("/consNSU");
  } else if (!fchNFe.empty()) {
    g.EscreverGrupo(fGrupoChave);
    g.EscreverCampo(fcTexto, "A12", fTagChave, 44, 44, 1, fchNFe, "Chave do DFe");
    if (!ValidarChaveAcesso(fchNFe)) g.RegistrarAlerta("A12", fTagChave, "Chave do DFe", "Chave do DFe inválida");
    g.EscreverGrupo("/" + fGrupoChave);
  } else {
    g.EscreverGrupo("distNSU");
    g.EscreverCampo(fcTexto, "A08", "ultNSU", 1, 15, 1, FormatarNSU(fultNSU), "Último NSU recebido pela Empresa");
    g.EscreverGrupo("/distNSU");
  }
  g.EscreverGrupo("/distDFeInt");
  if (!fEnvelope.empty()) g.EscreverGrupo("/" + fEnvelope);
  return SemAlertas();
}

// ---- TAdmCSCNFCe ----------------------------------------------------------------------------

TAdmCSCNFCe::TAdmCSCNFCe() { SetVersao("1.00"); }

bool TAdmCSCNFCe::GerarXML() {
  Iniciar();
  TGerador& g = Gerador();
  g.EscreverGrupo("admCscNFCe " + DeclaracaoNameSpaceNFe() + " " + AtributoVersao());
  g.EscreverCampo(fcTexto, "AP03", "tpAmb", 1, 1, 1, TipoAmbienteParaTexto(ftpAmb), "Identificação do Ambiente");
  g.EscreverCampo(fcTexto, "AP04", "indOp", 1, 1, 1, IndOpParaTexto(findOp), "Indicador de Operação");
  g.EscreverCampo(fcTexto, "AP05", "raizCNPJ", 8, 8, 1, fraizCNPJ, "Raiz do CNPJ");
  if (IndOpParaTexto(findOp) == "3") {
    g.EscreverGrupo("dadosCsc");
    g.EscreverCampo(fcTexto, "AP07", "idCsc", 6, 6, 1, InteiroComZeros(fidCsc, 6), "Identificador do CSC");
    g.EscreverCampo(fcTexto, "AP08", "codigoCsc", 16, 16, 1, fcodigoCsc, "Código do CSC");
    g.EscreverGrupo("/dadosCsc");
  }
  g.EscreverGrupo("/admCscNFCe");
  return SemAlertas();
}

}  // namespace tuim
