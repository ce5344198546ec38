#include "report/TuimDANFePDF.h"

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "component/TuimNFe.h"
#include "fiscal/TuimDFeUtil.h"
#include "fiscal/TuimException.h"
#include "fiscal/TuimUtil.h"
#include "fiscal/TuimValidador.h"
#include "fiscal/fscConversao.h"
#include "report/TuimDesenhoPDF.h"

namespace tuim {

std::string NumeroNFFormatado(int nNF) {
  std::string n = InteiroComZerosEsquerda(nNF < 0 ? 0 : nNF, 9);
  return n.substr(0, 3) + "." + n.substr(3, 3) + "." + n.substr(6);
}

std::string ValorBr(TCurrency v) { return FormatarNumeroBr(v.ToDouble()); }

std::string DescricaoFormaPagamento(TfscTPag t) {
  switch (t) {
    case tPag01: return "Dinheiro";
    case tPag02: return "Cheque";
    case tPag03: return "Cartão de Crédito";
    case tPag04: return "Cartão de Débito";
    case tPag05: return "Crédito Loja";
    case tPag10: return "Vale Alimentação";
    case tPag11: return "Vale Refeição";
    case tPag12: return "Vale Presente";
    case tPag13: return "Vale Combustível";
    case tPag14: return "Duplicata Mercantil";
    case tPag15: return "Boleto Bancário";
    case tPag90: return "Sem pagamento";
    default: return "Outros";
  }
}

TTuimDANFePDF::TTuimDANFePDF(TTuimComponent* owner) : TTuimDFeDANFeReport(owner) {}

TTuimDANFePDF::~TTuimDANFePDF() = default;

void TTuimDANFePDF::SetEvento(const TInfEvento* evento, const TRetInfEvento* registro) {
  fEvento = evento;
  fRegistro = registro;
}

std::string TTuimDANFePDF::ChaveAcesso(const TNFe& nfe) {
  std::string id = Trim(nfe.infNFe.ID);
  if (IniciaCom(id, "NFe")) id = id.substr(3);
  if (id.size() == 44) return id;
  if (nfe.procNFe.chNFe.size() == 44) return nfe.procNFe.chNFe;
  int tpEmis = static_cast<int>(TextoParaInteiroPadrao(TipoEmissaoParaTexto(nfe.Ide.tpEmis), 1));
  return GerarChaveAcesso(nfe.Ide.cUF, nfe.Ide.dEmi, nfe.Emit.CNPJCPF, nfe.Ide.serie, nfe.Ide.nNF, tpEmis,
                          nfe.Ide.cNF, nfe.Ide.modelo);
}

std::string TTuimDANFePDF::ChaveFormatada(const std::string& chave) {
  std::string r;
  for (std::size_t i = 0; i < chave.size(); i += 4) {
    if (!r.empty()) r += ' ';
    r += chave.substr(i, 4);
  }
  return r;
}

bool TTuimDANFePDF::MarcaCancelada(const TNFe& nfe) const {
  return Cancelada() || TTuimNFe::StatusCancelado(nfe.procNFe.cStat);
}

const TNFe& TTuimDANFePDF::DocumentoExigido(const TNFe* nfe, const std::string& operacao) const {
  // The component keeps no documents of its own to choose from.
  if (!nfe) throw ETuimNFeException(operacao + ": nenhum documento informado");
  return *nfe;
}

void TTuimDANFePDF::ImprimirDANFE(const TNFe* nfe) { ImprimirDANFEPDF(nfe); }

void TTuimDANFePDF::ImprimirDANFEPDF(const TNFe* nfe) {
  const TNFe& doc = DocumentoExigido(nfe, "ImprimirDANFEPDF");
  TDocumentoEmImpressao marca(*this, &doc);
  GravarPDF(ChaveAcesso(doc) + SufixoArquivo(), GerarPDF(doc));
}

void TTuimDANFePDF::ImprimirEVENTO(const TNFe* nfe) { ImprimirEVENTOPDF(nfe); }

void TTuimDANFePDF::ImprimirEVENTOPDF(const TNFe* nfe) {
  if (!fEvento) throw ETuimNFeException("ImprimirEVENTOPDF: nenhum evento informado");
  TDocumentoEmImpressao marca(*this, nfe);
  std::string nome = fEvento->chNFe() + "-" + fEvento->CodigoEvento() + "-" +
                     InteiroComZerosEsquerda(fEvento->nSeqEvento(), 2) + "-procEventoNFe.pdf";
  GravarPDF(nome, GerarPDFEvento(nfe));
}

void TTuimDANFePDF::GravarPDF(const std::string& nome, const std::string& pdf) {
  namespace fs = std::filesystem;
  std::string arquivo = fArquivoDestino.empty() ? PathPDF() + nome : fArquivoDestino;
  std::error_code ec;
  fs::path caminho(arquivo);
  if (caminho.has_parent_path()) fs::create_directories(caminho.parent_path(), ec);
  std::ofstream out(caminho, std::ios::binary | std::ios::trunc);
  out.write(pdf.data(), static_cast<std::streamsize>(pdf.size()));
  out.close();
  if (!out) throw ETuimNFeException("Erro ao gravar o PDF: " + arquivo);
  SetArquivoPDF(arquivo);
}

// ---- Event sheet ----------------------------------------------------------------------------

namespace {

std::string TituloEvento(const TInfEvento& ev) {
  switch (ev.tpEvento()) {
    case teCCe: return "CARTA DE CORREÇÃO ELETRÔNICA";
    case teCancelamento: return "CANCELAMENTO DE NF-e";
    default: break;
  }
  std::string d = ev.DescricaoEvento();
  return d.empty() ? std::string("EVENTO DA NF-e") : AnsiUpperCase(d);
}

std::string DataHora(TDateTime t) { return t > 0 ? FormatarDataHoraBr(t) : std::string(); }

}  // namespace

std::string TTuimDANFePDF::GerarPDFEvento(const TNFe* nfe) {
  if (!fEvento) throw ETuimNFeException("ImprimirEVENTOPDF: nenhum evento informado");
  const TInfEvento& ev = *fEvento;
  const double L = 210, A = 297;
  const double x0 = MargemEsquerda() * 10, y0 = MargemSuperior() * 10;
  const double W = L - x0 - MargemDireita() * 10;
  TArquivoPDF pdf(L, A, TituloEvento(ev) + " " + ev.chNFe(), Sistema());
  TDesenhoPDF& d = pdf.Desenho();
  double y = y0;

  d.Retangulo(x0, y, W, 20);
  d.Texto(TituloEvento(ev), x0 + 2, y + 2, W * 0.55, 8, 13, alEsquerda, true, 1);
  d.Texto("Documento auxiliar do evento registrado para a NF-e abaixo. Não substitui o arquivo XML do evento.",
          x0 + 2, y + 11, W * 0.55, 8, 7, alEsquerda, false, 0);
  d.CodigoBarras128(ev.chNFe(), x0 + W * 0.58, y + 2, W * 0.4, 11);
  d.Texto(ChaveFormatada(ev.chNFe()), x0 + W * 0.56, y + 14.5, W * 0.44, 4, 7.5, alCentro, true, 1);
  y += 22;

  d.Titulo("EVENTO", x0, y, W);
  y += 3.5;
  const double c = W / 4;
  d.Campo("ÓRGÃO", std::to_string(ev.cOrgaoEfetivo()), x0, y, c, 7);
  d.Campo("AMBIENTE", ev.tpAmb() == taProducao ? "1 - PRODUÇÃO" : "2 - HOMOLOGAÇÃO", x0 + c, y, c, 7);
  d.Campo("DATA E HORA DO EVENTO", DataHora(ev.dhEvento()), x0 + 2 * c, y, c, 7);
  d.Campo("SEQUÊNCIA DO EVENTO", std::to_string(ev.nSeqEvento()), x0 + 3 * c, y, c, 7);
  y += 7;
  d.Campo("TIPO DO EVENTO", ev.CodigoEvento(), x0, y, c, 7);
  d.Campo("DESCRIÇÃO DO EVENTO", ev.detEvento().descEvento().empty() ? ev.DescricaoEvento() : ev.detEvento().descEvento(),
          x0 + c, y, 2 * c, 7);
  d.Campo("VERSÃO DO EVENTO", ev.verEvento(), x0 + 3 * c, y, c, 7);
  y += 7;
  d.Campo("AUTOR DO EVENTO (CNPJ/CPF)", FormatarCNPJouCPF(ev.CNPJ()), x0, y, c, 7);
  std::string status, protocolo, registro;
  if (fRegistro) {
    if (fRegistro->cStat) status = std::to_string(fRegistro->cStat) + " - " + fRegistro->xMotivo;
    protocolo = fRegistro->nProt;
    registro = DataHora(fRegistro->dhRegEvento);
  }
  d.Campo("STATUS", status, x0 + c, y, c, 7);
  d.Campo("PROTOCOLO", protocolo, x0 + 2 * c, y, c, 7, alEsquerda, 7.5, true);
  d.Campo("DATA E HORA DO REGISTRO", registro, x0 + 3 * c, y, c, 7);
  y += 9;

  if (nfe) {
    d.Titulo("NOTA FISCAL ELETRÔNICA", x0, y, W);
    y += 3.5;
    d.Campo("EMITENTE", nfe->Emit.xNome, x0, y, W * 0.6, 7);
    d.Campo("CNPJ/CPF", FormatarCNPJouCPF(nfe->Emit.CNPJCPF), x0 + W * 0.6, y, W * 0.2, 7);
    d.Campo("INSCRIÇÃO ESTADUAL", nfe->Emit.IE, x0 + W * 0.8, y, W * 0.2, 7);
    y += 7;
    std::string dest = nfe->Dest.CNPJCPF.empty() ? nfe->Dest.idEstrangeiro : FormatarCNPJouCPF(nfe->Dest.CNPJCPF);
    d.Campo("DESTINATÁRIO", nfe->Dest.xNome, x0, y, W * 0.6, 7);
    d.Campo("CNPJ/CPF", dest, x0 + W * 0.6, y, W * 0.2, 7);
    d.Campo("INSCRIÇÃO ESTADUAL", nfe->Dest.IE, x0 + W * 0.8, y, W * 0.2, 7);
    y += 7;
    d.Campo("MODELO", std::to_string(nfe->Ide.modelo), x0, y, c, 7);
    d.Campo("SÉRIE / NÚMERO", std::to_string(nfe->Ide.serie) + " / " + NumeroNFFormatado(nfe->Ide.nNF), x0 + c, y, c,
            7);
    d.Campo("DATA DE EMISSÃO", DataHora(nfe->Ide.dEmi), x0 + 2 * c, y, c, 7);
    d.Campo("VALOR TOTAL DA NOTA", ValorBr(nfe->Total.ICMSTot.vNF), x0 + 3 * c, y, c, 7, alDireita);
    y += 9;
  }

  const TDetEvento& det = ev.detEvento();
  auto bloco = [&](const std::string& titulo, const std::string& texto, double altura) {
    if (texto.empty()) return;
    d.Titulo(titulo, x0, y, W);
    y += 3.5;
    d.Retangulo(x0, y, W, altura);
    d.Texto(texto, x0 + 1.5, y + 1.5, W - 3, altura - 3, 8.5, alEsquerda, false, 0);
    y += altura + 2;
  };
  if (ev.tpEvento() == teCCe) {
    bloco("CONDIÇÕES DE USO", det.xCondUso().empty() ? std::string(kCondicaoUsoCCe) : det.xCondUso(), 36);
    bloco("CORREÇÃO", det.xCorrecao(), std::max(40.0, A - y0 - MargemInferior() * 10 - (y - y0) - 10));
  } else {
    if (!det.nProt().empty()) bloco("PROTOCOLO DA NF-e", det.nProt(), 9);
    bloco("JUSTIFICATIVA", det.xJust(), 40);
  }

  if (ev.tpAmb() == taHomologacao) {
    d.MarcaDagua("SEM VALOR FISCAL", x0, y0 + 22, W, A - y0 - 40, 0.5, 0.5, 0.5, 0.25);
    d.Texto("EVENTO EMITIDO EM AMBIENTE DE HOMOLOGAÇÃO - SEM VALOR FISCAL", x0, A - MargemInferior() * 10 - 3, W * 0.6,
            3, 6, alEsquerda, true, 1);
  }
  d.Texto(Sistema(), x0, A - MargemInferior() * 10 - 3, W, 3, 5.5, alDireita, false, 1);
  return pdf.Finalizar();
}

}  // namespace tuim
