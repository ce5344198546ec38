#include "report/TuimDFeDANFeReport.h"

#include "component/TuimNFe.h"
#include "fiscal/TuimDateTime.h"
#include "fiscal/TuimException.h"
#include "fiscal/TuimUtil.h"
#include "fiscal/TuimValidador.h"

namespace tuim {

namespace {

constexpr const char* kQuebraLinha = "\r\n";

std::string TrocarPontoEVirgula(const std::string& s, const std::string& separador) {
  std::string r;
  r.reserve(s.size());
  for (char c : s) {
    if (c == ';')
      r += separador;
    else
      r += c;
  }
  return r;
}

template <class Colecao>
std::string Observacoes(const Colecao& lista) {
  if (lista.Empty()) return {};
  std::string r;
  for (const auto& o : lista) {
    if (!r.empty()) r += ';';
    r += o.xCampo + ": " + o.xTexto;
  }
  return r + "; ";
}

}  // namespace

TTuimDFeDANFeReport::TTuimDFeDANFeReport(TTuimComponent* owner) : TTuimDFeReport(owner) {}

TTuimDFeDANFeReport::~TTuimDFeDANFeReport() { SetTuimNFe(nullptr); }

TTuimNFe* TTuimDFeDANFeReport::NFeLigada() const { return static_cast<TTuimNFe*>(TuimNFe()); }

void TTuimDFeDANFeReport::SetTuimNFe(TTuimComponent* c) {
  if (c == TuimNFe()) return;
  TTuimNFe* nova = nullptr;
  if (c) {
    nova = dynamic_cast<TTuimNFe*>(c);
    if (!nova) throw ETuimNFeException("TuimDANFE.NFE deve ser do tipo TTuimNFe");
  }
  TTuimNFe* antiga = NFeLigada();
  if (antiga) RemoveFreeNotification(antiga);
  // The link is dropped before the old component lets go, so that it finds nothing to undo.
  TTuimDANFeBase::SetTuimNFe(nullptr);
  if (antiga && antiga->DANFE() == this) antiga->SetDANFE(nullptr);
  if (nova) {
    TTuimDANFeBase::SetTuimNFe(nova);
    FreeNotification(nova);
    nova->SetDANFE(this);
  }
}

void TTuimDFeDANFeReport::Notification(TTuimComponent* component, TOperation operation) {
  TTuimDFeReport::Notification(component, operation);
  if (operation == opRemove && component && component == TuimNFe()) TTuimDANFeBase::SetTuimNFe(nullptr);
}

// ---- Print operations -----------------------------------------------------------------------

void TTuimDFeDANFeReport::NaoImplementado(const std::string& operacao) const {
  throw ETuimNFeException(operacao + " não implementado em: " + ClassName());
}

void TTuimDFeDANFeReport::ImprimirDANFE(const TNFe*) { NaoImplementado("ImprimirDANFE"); }

void TTuimDFeDANFeReport::ImprimirDANFECancelado(const TNFe* nfe) {
  // The flag must not outlive the call, also when the renderer raises.
  struct Restaurar {
    bool& flag;
    ~Restaurar() { flag = false; }
  } restaurar{fCancelada};
  fCancelada = true;
  ImprimirDANFE(nfe);
}

void TTuimDFeDANFeReport::ImprimirDANFEResumido(const TNFe*) { NaoImplementado("ImprimirDANFEResumido"); }
void TTuimDFeDANFeReport::ImprimirDANFEPDF(const TNFe*) { NaoImplementado("ImprimirDANFEPDF"); }
void TTuimDFeDANFeReport::ImprimirDANFEResumidoPDF(const TNFe*) { NaoImplementado("ImprimirDANFEResumidoPDF"); }
void TTuimDFeDANFeReport::ImprimirEVENTO(const TNFe*) { NaoImplementado("ImprimirEVENTO"); }
void TTuimDFeDANFeReport::ImprimirEVENTOPDF(const TNFe*) { NaoImplementado("ImprimirEVENTOPDF"); }
void TTuimDFeDANFeReport::ImprimirINUTILIZACAO(const TNFe*) { NaoImplementado("ImprimirINUTILIZACAO"); }
void TTuimDFeDANFeReport::ImprimirINUTILIZACAOPDF(const TNFe*) { NaoImplementado("ImprimirINUTILIZACAOPDF"); }

// ---- PDF folder -----------------------------------------------------------------------------

std::string TTuimDFeDANFeReport::SeparadorPathPDF(const std::string& pasta) {
  const TNFe* doc = NFeLigada() ? PrimeiroDocumento() : nullptr;
  return doc ? PastaPDFDocumento(pasta, *doc) : pasta;
}

std::string TTuimDFeDANFeReport::PastaPDFDocumento(const std::string& pasta, const TNFe& nfe) const {
  TTuimNFe* componente = NFeLigada();
  if (!componente) return pasta;
  TArquivosConfNFe& arquivos = componente->Configuracoes().Arquivos();
  std::string literal;
  if (arquivos.AdicionarLiteral()) {
    switch (nfe.Ide.modelo) {
      case 55: literal = "NFe"; break;
      case 65: literal = "NFCe"; break;
      case 0: literal = componente->NomeModeloDFe(); break;
      default: break;
    }
  }
  TDateTime data = arquivos.EmissaoPathNFe() ? nfe.Ide.dEmi : Now();
  return arquivos.MontarPath(pasta, literal, nfe.Emit.CNPJCPF, data, "");
}

// ---- Column texts ---------------------------------------------------------------------------

std::string TTuimDFeDANFeReport::Separador() const { return fQuebraLinhaEmDetalhamentos ? kQuebraLinha : " - "; }

std::string TTuimDFeDANFeReport::CodigoProduto(const std::string& cEAN, const std::string& cProd) const {
  std::string ean = Trim(cEAN);
  if (fImprimeCodigoEan && !ean.empty() && ean != "SEM GTIN") return ean;
  return Trim(cProd);
}

std::string TTuimDFeDANFeReport::NomeEmitente(const std::string& xNome, const std::string& xFant) const {
  return fImprimeNomeFantasia && !xFant.empty() ? xFant : xNome;
}

std::string TTuimDFeDANFeReport::Unidades(const std::string& uCom, const std::string& uTrib) const {
  std::string r = Trim(uCom);
  if (std::string t = Trim(uTrib); !t.empty()) r += kQuebraLinha + t;
  return r;
}

std::string TTuimDFeDANFeReport::Quantidades(double qCom, double qTrib) const {
  std::string r = FormatarQuantidade(qCom, true);
  if (qTrib > 0) r += kQuebraLinha + FormatarQuantidade(qTrib, true);
  return r;
}

std::string TTuimDFeDANFeReport::ValoresUnitarios(double vUnCom, double vUnTrib) const {
  std::string r = FormatarValorUnitario(vUnCom);
  if (vUnTrib > 0) r += kQuebraLinha + FormatarValorUnitario(vUnTrib);
  return r;
}

std::string TTuimDFeDANFeReport::DocumentoDestinatario(const std::string& documento) const {
  if (documento.empty()) return {};
  // The label follows the digits, as the formatting does, so that an already formatted CPF
  // of 14 characters is not called a CNPJ (a formatted CNPJ has 18).
  std::string f = FormatarCNPJouCPF(documento);
  return (f.size() == 18 ? " CNPJ: " : " CPF: ") + f;
}

std::string TTuimDFeDANFeReport::InfAdicionalProduto(const TNFe& nfe, int item) const {
  if (fExibeInforAdicProduto != infDescricao || item < 0 || item >= nfe.Det.Count()) return {};
  std::string r = TrocarPontoEVirgula(Trim(nfe.Det[item].infAdProd), Separador());
  return r.empty() ? r : Separador() + r;
}

std::string TTuimDFeDANFeReport::InfAdicionalFisco(const TNFe& nfe) const {
  const std::string& fisco = nfe.InfAdic.infAdFisco;
  if (fisco.empty()) return {};
  if (!nfe.InfAdic.infCpl.empty() && fisco.back() != ';') return fisco + "; ";
  return fisco;
}

std::string TTuimDFeDANFeReport::InfComplementar(const TNFe& nfe) const { return nfe.InfAdic.infCpl; }

std::string TTuimDFeDANFeReport::ObservacoesContribuinte(const TNFe& nfe) const {
  return Observacoes(nfe.InfAdic.obsCont);
}

std::string TTuimDFeDANFeReport::ObservacoesFisco(const TNFe& nfe) const { return Observacoes(nfe.InfAdic.obsFisco); }

std::string TTuimDFeDANFeReport::ProcessosReferenciados(const TNFe& nfe) const {
  const TprocRefCollection& lista = nfe.InfAdic.procRef;
  if (lista.Empty()) return {};
  std::string r;
  for (const auto& p : lista) {
    if (!r.empty()) r += ';';
    r += "PROCESSO OU ATO CONCESSÓRIO Nº: " + p.nProc + " - ORIGEM: " + IndProcParaDescricao(p.indProc);
  }
  return r + "; ";
}

std::string TTuimDFeDANFeReport::TotalItem(TCurrency vDesc, TCurrency vProd) const {
  TCurrency total = fImprimeTotalLiquido ? vProd - vDesc : vProd;
  return FormatarNumeroBr(total.ToDouble());
}

std::string TTuimDFeDANFeReport::SituacaoTributariaItem(bool usaCST, TfscCSOSN csosn, TfscCSTIcms cst) const {
  return usaCST ? CSTIcmsParaTexto(cst) : CSOSNParaTexto(csosn);
}

std::string TTuimDFeDANFeReport::TributosItem(TCurrency vTotTrib) const {
  return FormatarNumeroBr((fExibeTotalTributosItem ? vTotTrib : TCurrency()).ToDouble());
}

}  // namespace tuim
