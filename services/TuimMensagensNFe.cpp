#include "services/TuimMensagensNFe.h"

#include <algorithm>
#include <cstdint>

#include "fiscal/TuimException.h"
#include "fiscal/fscAuxiliar.h"

namespace tuim {

const char* const kNameSpaceNFe = "http://www.portalfiscal.inf.br/nfe";

std::string DeclaracaoNameSpaceNFe() { return std::string("xmlns=\"") + kNameSpaceNFe + "\""; }

std::string DocumentoLimpo(const std::string& documento) {
  const bool alfanumerico =
      std::any_of(documento.begin(), documento.end(), [](char c) { return c >= 'A' && c <= 'Z'; });
  std::string r;
  for (char c : documento)
    if ((c >= '0' && c <= '9') || (alfanumerico && c >= 'A' && c <= 'Z')) r += c;
  return r;
}

// ---- TMensagemDFe ---------------------------------------------------------------------------

// Groups opened with attributes cannot be taken off the generator's group path by their closing
// text; kept out of it, they neither pile up in later alerts nor slow every later group down.
const char* const kGruposForaDoCaminho =
    "|consStatServ|consSitNFe |consReci|ConsCad |inutNFe |infInut |distDFeInt |admCscNFCe |";

TMensagemDFe::TMensagemDFe() : fGerador(std::make_unique<TGerador>()) {
  fGerador->SetPrefixosSemCaminho(kGruposForaDoCaminho);
}
TMensagemDFe::~TMensagemDFe() = default;

bool TMensagemDFe::GerarXML() {
  throw ETuimDFeException("Método \"GerarXML\" não implementado em: " + ClassName());
}

void TMensagemDFe::Iniciar() {
  fGerador->SetArquivoFormatoXML("");
  fGerador->ListaDeAlertas().clear();
  fGerador->Opcoes().SetNivelIdentacao(0);
}

std::string TMensagemDFe::AtributoVersao() const { return "versao=\"" + fVersao + "\""; }

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

// ---- TinutNFe -------------------------------------------------------------------------------

TinutNFe::TinutNFe() : fLeitor(std::make_unique<TLeitor>()), fSignature(std::make_unique<TSignature>()) {
  SetVersao("4.00");
}
TinutNFe::~TinutNFe() = default;

std::string TinutNFe::MontarID(int cUF, int ano, const std::string& cnpj, int modelo, int serie, int nNFIni,
                               int nNFFin) {
  // 2024 and 24 both give "24": the third and fourth characters of the four-digit year.
  const std::string ano4 = InteiroComZeros(ano, 4);
  return "ID" + InteiroComZeros(cUF, 2) + ano4.substr(2, 2) + DocumentoLimpo(cnpj) + InteiroComZeros(modelo, 2) +
         InteiroComZeros(serie, 3) + InteiroComZeros(nNFIni, 9) + InteiroComZeros(nNFFin, 9);
}

bool TinutNFe::GerarXML() {
  Iniciar();
  TGerador& g = Gerador();
  if (fano > 2000) fano -= 2000;
  fID = MontarID(fcUF, fano, fCNPJ, fmodelo, fserie, fnNFIni, fnNFFin);
  const std::string cnpj = DocumentoLimpo(fCNPJ);

  g.EscreverGrupo("inutNFe " + DeclaracaoNameSpaceNFe() + " " + AtributoVersao());
  g.EscreverGrupo("infInut Id=\"" + fID + "\"");
  if (fID.size() < 43) g.RegistrarAlerta("DP04", "ID", "", "ID de inutilização inválido");
  g.EscreverCampo(fcTexto, "DP05", "tpAmb", 1, 1, 1, TipoAmbienteParaTexto(ftpAmb), "Identificação do Ambiente");
  g.EscreverCampo(fcTexto, "DP06", "xServ", 10, 10, 1, "INUTILIZAR", "Descrição do serviço");
  g.EscreverCampo(fcInteiro, "DP07", "cUF", 2, 2, 1, fcUF, "Código do UF (Unidade da Federação)");
  if (!ValidarCodigoUF(fcUF))
    g.RegistrarAlerta("DP07", "cUF", "Código do UF (Unidade da Federação)", kAlertaConteudoInvalido);
  g.EscreverCampo(fcInteiro, "DP08", "ano", 2, 2, 1, fano, "Ano");
  g.EscreverCampo(fcTexto, "DP09", "CNPJ", 14, 14, 1, cnpj, "CNPJ(MF)");
  if (!ValidarCNPJ(cnpj)) g.RegistrarAlerta("DP09", "CNPJ", "CNPJ(MF)", kAlertaConteudoInvalido);
  g.EscreverCampo(fcInteiro, "DP10", "mod", 2, 2, 1, fmodelo, "Modelo");
  g.EscreverCampo(fcInteiro, "DP11", "serie", 1, 3, 1, fserie, "Série do Documento Fiscal");
  g.EscreverCampo(fcInteiro, "DP12", "nNFIni", 1, 9, 1, fnNFIni, "Numero inicial");
  g.EscreverCampo(fcInteiro, "DP13", "nNFFin", 1, 9, 1, fnNFFin, "Numero final");
  if (fnNFFin < fnNFIni)
    g.RegistrarAlerta("DP13", "nNFFin", "Numero final", "O numero final não pode ser menor que o inicial");
  g.EscreverCampo(fcTexto, "CP14", "xJust", 15, 255, 1, fxJust, "Justificativa");
  g.EscreverGrupo("/infInut");
  if (!fSignature->URI().empty()) {
    fSignature->Gerador().Opcoes().SetIdentarXML(g.Opcoes().IdentarXML());
    fSignature->GerarXML();
    g.EscreverTexto(fSignature->Gerador().ArquivoFormatoXML());
  }
  g.EscreverGrupo("/inutNFe");
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
