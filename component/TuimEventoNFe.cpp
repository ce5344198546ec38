#include "component/TuimEventoNFe.h"

#include <string_view>

#include "fiscal/TuimException.h"
#include "fiscal/TuimUtil.h"
#include "fiscal/fscAuxiliar.h"
#include "fiscal/fscConversaoNFe.h"

namespace tuim {

const char* const kCondicaoUsoCCe =
    "A Carta de Correcao e disciplinada pelo paragrafo 1o-A do art. 7o do Convenio S/N, de 15 de dezembro de "
    "1970 e pode ser utilizada para regularizacao de erro ocorrido na emissao de documento fiscal, desde que o "
    "erro nao esteja relacionado com: I - as variaveis que determinam o valor do imposto tais como: base de "
    "calculo, aliquota, diferenca de preco, quantidade, valor da operacao ou da prestacao; II - a correcao de "
    "dados cadastrais que implique mudanca do remetente ou do destinatario; III - a data de emissao ou de saida.";

namespace {

struct TDescricaoEvento {
  TfscTpEvento Tipo;
  const char* Descricao;
};

constexpr TDescricaoEvento kDescricoes[] = {
    {teCCe, "Carta de Correcao"},
    {teCancelamento, "Cancelamento"},
    {teManifDestConfirmacao, "Confirmacao da Operacao"},
    {teManifDestCiencia, "Ciencia da Operacao"},
    {teManifDestDesconhecimento, "Desconhecimento da Operacao"},
    {teManifDestOperNaoRealizada, "Operacao nao Realizada"},
    {teEncerramento, "Encerramento"},
    {teEPEC, "EPEC"},
    {teEPECNFe, "EPEC"},
    {teInclusaoCondutor, "Inclusao Condutor"},
    {teMultiModal, "Registro Multimodal"},
    {teRegistroPassagem, "Registro de Passagem"},
    {teRegistroPassagemBRId, "Registro de Passagem BRId"},
    {teRegistroCTe, "CT-e Autorizado para NF-e"},
    {teRegistroPassagemNFeCancelado, "Registro de Passagem para NF-e Cancelado"},
    {teRegistroPassagemNFeRFID, "Registro de Passagem para NF-e RFID"},
    {teCTeCancelado, "CT-e Cancelado"},
    {teMDFeCancelado, "MDF-e Cancelado"},
    {teMDFeCancelado2, "MDF-e Cancelado"},
    {teVistoriaSuframa, "Vistoria SUFRAMA"},
    {tePedProrrog1, "Pedido de Prorrogacao"},
    {tePedProrrog2, "Pedido de Prorrogacao"},
    {teCanPedProrrog1, "Cancelamento de Pedido de Prorrogacao"},
    {teCanPedProrrog2, "Cancelamento de Pedido de Prorrogacao"},
    {teEventoFiscoPP1, "Evento Fisco"},
    {teEventoFiscoPP2, "Evento Fisco"},
    {teEventoFiscoCPP1, "Evento Fisco"},
    {teEventoFiscoCPP2, "Evento Fisco"},
    {teRegistroPassagemNFe, "Registro de Passagem NF-e"},
    {teConfInternalizacao, "Confirmacao de Internalizacao da Mercadoria na SUFRAMA"},
    {teCTeAutorizado, "CT-e Autorizado"},
    {teMDFeAutorizado, "MDF-e Autorizado"},
    {teMDFeAutorizado2, "MDF-e Autorizado"},
    {teCancelamentoPorSubstituicao, "Cancelamento por substituicao"},
};

bool ManifestacaoDestinatario(TfscTpEvento t) {
  return t == teManifDestConfirmacao || t == teManifDestCiencia || t == teManifDestDesconhecimento ||
         t == teManifDestOperNaoRealizada;
}

std::int64_t CodigoNumerico(const std::string& codigo) {
  std::int64_t v = 0;
  for (char c : codigo)
    if (c >= '0' && c <= '9') v = v * 10 + (c - '0');
  return v;
}

// "YYYY-MM-DDThh:mm:ss" and the offset of the state with that code at that instant.
std::string DataHoraComFuso(TDateTime t, int codigoUF) {
  return DataHoraParaISO(t) + FusoHorario(CodigoUFParaSigla(codigoUF), t);
}

}  // namespace

std::string DescricaoTpEvento(TfscTpEvento v) {
  for (const auto& d : kDescricoes)
    if (d.Tipo == v) return d.Descricao;
  return {};
}

// ---- TDetEvento / TInfEvento ----------------------------------------------------------------

// Starts with the fixed text, as an empty one would give: a correction letter is never valid
// without it.
TDetEvento::TDetEvento() : fxCondUso(kCondicaoUsoCCe) {}

void TDetEvento::SetxCondUso(const std::string& v) { fxCondUso = v.empty() ? std::string(kCondicaoUsoCCe) : v; }

int TInfEvento::cOrgaoEfetivo() const {
  if (fcOrgao != 0) return fcOrgao;
  std::string_view c = fchNFe;
  std::size_t i = 0;
  while (i < c.size() && static_cast<unsigned char>(c[i]) <= ' ') ++i;
  if (c.size() < i + 2 || c[i] < '0' || c[i] > '9' || c[i + 1] < '0' || c[i + 1] > '9') return 0;
  return (c[i] - '0') * 10 + (c[i + 1] - '0');
}

std::string TInfEvento::CodigoEvento() const { return TpEventoParaTexto(ftpEvento); }

std::string TInfEvento::DescricaoEvento() const { return DescricaoTpEvento(ftpEvento); }

// ---- TEventoNFe -----------------------------------------------------------------------------

// Groups opened with attributes stay off the group path, which their closing text cannot clean:
// otherwise every event of a batch would leave its entries in the alerts of the next ones.
TEventoNFe::TEventoNFe() : fGerador(std::make_unique<TGerador>()) {
  fGerador->SetPrefixosSemCaminho("|envEvento |evento |infEvento |detEvento |itemPedido |");
}
TEventoNFe::~TEventoNFe() = default;

bool TEventoNFe::GerarXML() {
  TGerador& g = *fGerador;
  g.SetArquivoFormatoXML("");
  g.ListaDeAlertas().clear();
  g.Opcoes().SetNivelIdentacao(0);
  g.EscreverGrupo("envEvento " + DeclaracaoNameSpaceNFe() + " versao=\"" + fVersao + "\"");
  g.EscreverCampo(fcInteiro, "HP03", "idLote", 1, 15, 1, static_cast<long long>(fidLote), "Numero do Lote");
  for (int i = 0; i < fEvento.Count(); ++i) GerarEvento(fEvento[i]);
  g.EscreverGrupo("/envEvento");
  return g.ListaDeAlertas().empty();
}

void TEventoNFe::GerarEvento(TInfEventoCollectionItem& item) {
  TGerador& g = *fGerador;
  TInfEvento& ev = item.InfEvento();
  const std::string chave = DocumentoLimpo(ev.chNFe());
  const std::string id = "ID" + ev.CodigoEvento() + chave + InteiroComZeros(ev.nSeqEvento(), 2);
  ev.SetId(id);
  const std::string modelo = ParteDaChave(chave, kChaveModelo);
  const int cOrgao = ev.cOrgaoEfetivo();

  g.EscreverGrupo("evento " + DeclaracaoNameSpaceNFe() + " versao=\"" + fVersao + "\"");
  g.EscreverGrupo("infEvento Id=\"" + id + "\"");
  if (id.size() < 54) g.RegistrarAlerta("HP07", "ID", "", "ID de Evento inválido");
  g.EscreverCampo(fcInteiro, "HP08", "cOrgao", 1, 2, 1, cOrgao);
  g.EscreverCampo(fcTexto, "HP09", "tpAmb", 1, 1, 1, TipoAmbienteParaTexto(ev.tpAmb()), "Identificação do Ambiente");

  std::string doc = DocumentoLimpo(ev.CNPJ());
  if (doc.empty()) doc = CNPJDaChave(ev.chNFe());
  // Series 910 to 969 are issued by individuals: the key carries "000" + the CPF.
  const int serie = SerieDaChave(ev.chNFe());
  if (doc.size() == 14 && serie >= 910 && serie <= 969 && !ManifestacaoDestinatario(ev.tpEvento()))
    doc = doc.substr(3, 11);
  if (doc.size() == 11) {
    g.EscreverCampo(fcTexto, "HP11", "CPF", 11, 11, 1, doc, "CPF");
    if (!ValidarCPF(doc)) g.RegistrarAlerta("HP11", "CPF", "CPF", kAlertaConteudoInvalido);
  } else if (doc.size() == 14) {
    g.EscreverCampo(fcTexto, "HP10", "CNPJ", 14, 14, 1, doc, "CNPJ(MF)");
    if (!ValidarCNPJ(doc)) g.RegistrarAlerta("HP10", "CNPJ", "CNPJ(MF)", kAlertaConteudoInvalido);
  }

  g.EscreverCampo(fcTexto, "HP12", "chNFe", 44, 44, 1, ev.chNFe(), "Chave do DFe");
  if (!ValidarChaveAcesso(ev.chNFe())) g.RegistrarAlerta("HP12", "chNFe", "Chave do DFe", "Chave de NFe inválida");
  g.EscreverCampo(fcTexto, "HP13", "dhEvento", 1, 50, 1, DataHoraComFuso(ev.dhEvento(), cOrgao));
  g.EscreverCampo(fcInteiro, "HP14", "tpEvento", 6, 6, 1, static_cast<long long>(CodigoNumerico(ev.CodigoEvento())));
  g.EscreverCampo(fcInteiro, "HP15", "nSeqEvento", 1, 2, 1, ev.nSeqEvento());
  g.EscreverCampo(fcTexto, "HP16", "verEvento", 1, 4, 1, fVersao);
  g.EscreverGrupo("detEvento versao=\"" + fVersao + "\"");
  g.EscreverCampo(fcTexto, "HP19", "descEvento", 4, 60, 1, ev.DescricaoEvento());
  GerarDetalhes(ev, modelo);
  g.EscreverGrupo("/detEvento");
  g.EscreverGrupo("/infEvento");
  if (!item.Signature().URI().empty()) {
    item.Signature().Gerador().Opcoes().SetIdentarXML(g.Opcoes().IdentarXML());
    item.Signature().GerarXML();
    g.EscreverTexto(item.Signature().Gerador().ArquivoFormatoXML());
  }
  g.EscreverGrupo("/evento");
}

void TEventoNFe::GerarDetalhes(const TInfEvento& ev, const std::string& modelo) {
  TGerador& g = *fGerador;
  const TDetEvento& det = ev.detEvento();
  switch (ev.tpEvento()) {
    case teCCe:
      g.EscreverCampo(fcTexto, "HP20", "xCorrecao", 15, 1000, 1, det.xCorrecao());
      g.EscreverCampo(fcTexto, "HP20a", "xCondUso", 1, 5000, 1, det.xCondUso());
      break;
    case teCancelamento:
      g.EscreverCampo(fcTexto, "HP20", "nProt", 15, 15, 1, det.nProt());
      g.EscreverCampo(fcTexto, "HP21", "xJust", 15, 255, 1, det.xJust());
      break;
    case teManifDestOperNaoRealizada:
      g.EscreverCampo(fcTexto, "HP21", "xJust", 15, 255, 1, det.xJust());
      break;
    case teEPECNFe:
      g.EscreverCampo(fcInteiro, "P20", "cOrgaoAutor", 1, 2, 1, det.cOrgaoAutor());
      g.EscreverCampo(fcTexto, "P21", "tpAutor", 1, 1, 1, TpAutorParaTexto(det.tpAutor()));
      g.EscreverCampo(fcTexto, "P22", "verAplic", 1, 20, 1, det.verAplic());
      g.EscreverCampo(fcTexto, "P23", "dhEmi", 1, 50, 1, DataHoraComFuso(det.dhEmi(), det.cOrgaoAutor()));
      g.EscreverCampo(fcTexto, "P24", "tpNF", 1, 1, 1, TpNFParaTexto(det.tpNF()));
      g.EscreverCampo(fcTexto, "P25", "IE", 2, 14, 1, det.IE());
      GerarDestinatarioEPEC(det, modelo);
      break;
    case tePedProrrog1:
    case tePedProrrog2:
      g.EscreverCampo(fcTexto, "P19", "nProt", 15, 15, 1, det.nProt());
      for (int i = 0; i < det.itemPedido().Count(); ++i) {
        const TitemPedidoCollectionItem& it = det.itemPedido()[i];
        g.EscreverGrupo("itemPedido numItem=\"" + std::to_string(it.numItem()) + "\"");
        g.EscreverCampo(fcDecimal2, "P22", "qtdeItem", 1, 15, 1, it.qtdeItem(), "***");
        g.EscreverGrupo("/itemPedido");
      }
      break;
    case teCanPedProrrog1:
    case teCanPedProrrog2:
      g.EscreverCampo(fcTexto, "P19", "idPedidoCancelado", 54, 54, 1, det.idPedidoCancelado());
      g.EscreverCampo(fcTexto, "P20", "nProt", 15, 15, 1, det.nProt());
      break;
    case teCancelamentoPorSubstituicao:
      g.EscreverCampo(fcInteiro, "HP20", "cOrgaoAutor", 1, 2, 1, det.cOrgaoAutor());
      g.EscreverCampo(fcInteiro, "HP21", "tpAutor", 1, 1, 1, 1);
      g.EscreverCampo(fcTexto, "HP22", "verAplic", 1, 20, 1, det.verAplic());
      g.EscreverCampo(fcTexto, "HP23", "nProt", 15, 15, 1, det.nProt());
      g.EscreverCampo(fcTexto, "HP30", "xJust", 15, 255, 1, det.xJust());
      g.EscreverCampo(fcTexto, "HP31", "chNFeRef", 44, 44, 1, det.chNFeRef(), "Chave do DFe");
      if (!ValidarChaveAcesso(det.chNFeRef()))
        g.RegistrarAlerta("HP31", "chNFeRef", "Chave do DFe", "Chave de NFe Refenciada inválida");
      break;
    default:
      break;
  }
}

void TEventoNFe::GerarDestinatarioEPEC(const TDetEvento& det, const std::string& modelo) {
  TGerador& g = *fGerador;
  const TDestinatario& d = det.dest();
  auto documento = [&] {
    if (!d.idEstrangeiro().empty() || d.UF() == "EX") {
      g.EscreverCampo(fcTexto, "P30", "idEstrangeiro", 5, 20, 1, d.idEstrangeiro());
      return;
    }
    const std::string doc = DocumentoLimpo(d.CNPJCPF());
    if (doc.size() == 11) {
      g.EscreverCampo(fcTexto, "P29", "CPF", 11, 11, 1, doc, "CPF");
      if (!ValidarCPF(doc)) g.RegistrarAlerta("P29", "CPF", "CPF", kAlertaConteudoInvalido);
    } else if (doc.size() == 14) {
      g.EscreverCampo(fcTexto, "P28", "CNPJ", 14, 14, 1, doc, "CNPJ(MF)");
      if (!ValidarCNPJ(doc)) g.RegistrarAlerta("P28", "CNPJ", "CNPJ(MF)", kAlertaConteudoInvalido);
    }
  };
  if (modelo == "55") {
    g.EscreverGrupo("dest");
    g.EscreverCampo(fcTexto, "P27", "UF", 2, 2, 1, d.UF());
    documento();
    if (!d.IE().empty()) g.EscreverCampo(fcTexto, "P31", "IE", 2, 14, 1, d.IE());
    g.EscreverCampo(fcDecimal2, "P32", "vNF", 1, 15, 1, det.vNF(), "Valor Total do DF-e");
    g.EscreverCampo(fcDecimal2, "P33", "vICMS", 1, 15, 1, det.vICMS(), "Valor do ICMS");
    g.EscreverCampo(fcDecimal2, "P34", "vST", 1, 15, 1, det.vST(), "Valor TOTAL Icms substituição Tributária");
    g.EscreverGrupo("/dest");
    return;
  }
  if (!d.UF().empty() && (!d.CNPJCPF().empty() || !d.idEstrangeiro().empty())) {
    g.EscreverGrupo("dest");
    g.EscreverCampo(fcTexto, "P27", "UF", 2, 2, 1, d.UF());
    documento();
    g.EscreverGrupo("/dest");
  }
  g.EscreverCampo(fcDecimal2, "P32", "vNF", 1, 15, 1, det.vNF(), "Valor Total do DF-e");
  g.EscreverCampo(fcDecimal2, "P33", "vICMS", 1, 15, 1, det.vICMS(), "Valor do ICMS");
}

}  // namespace tuim
