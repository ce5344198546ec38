#include "component/TuimMensagemDFe.h"

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

}  // namespace tuim
