#include "xml/TuimProcNFe.h"

#include <cctype>

#include "fiscal/TuimException.h"
#include "fiscal/TuimUtil.h"
#include "fiscal/fscAuxiliar.h"
#include "xml/TuimLeitor.h"

namespace tuim {

namespace {

const char* const kArquivoNaoEncontrado = "Arquivo não encontrado";

// Text between the first `inicio` and the next `fim` after it; empty when either is missing.
std::string Entre(const std::string& s, const std::string& inicio, const std::string& fim) {
  std::size_t p = s.find(inicio);
  if (p == std::string::npos) return {};
  p += inicio.size();
  std::size_t q = s.find(fim, p);
  if (q == std::string::npos) return {};
  return s.substr(p, q - p);
}

// "<name>" + content of the first such element + "</name>"; empty when the element is absent.
std::string CopiarElemento(const std::string& s, const std::string& nome) {
  const std::string abre = "<" + nome + ">";
  const std::string fecha = "</" + nome + ">";
  std::size_t p = s.find(abre);
  if (p == std::string::npos) return {};
  std::size_t q = s.find(fecha, p + abre.size());
  if (q == std::string::npos) return {};
  return abre + s.substr(p + abre.size(), q - p - abre.size()) + fecha;
}

// The access key after the first Id="NFe of a document; empty when there is none.
std::string ChaveDoDocumento(const std::string& xml) { return Entre(xml, "Id=\"NFe", "\""); }

// A field value as it goes into the UTF-8 processed document.
std::string ValorXML(const std::string& v) { return ParaUTF8(TratarEntidades(v, false)); }

// Answer texts are UTF-8; the fields hold Windows-1252. A text that is not UTF-8 stays as read.
std::string TextoLido(const std::string& v) {
  std::string out;
  return DeUTF8Seguro(v, out) ? out : v;
}

// The "+hh:mm"/"-hh:mm" that ends an ISO date-time; empty when there is none.
std::string FusoDoTexto(const std::string& dataHora) {
  if (dataHora.size() < 19 + 6) return {};
  const std::string f = dataHora.substr(dataHora.size() - 6);
  auto digito = [](char c) { return c >= '0' && c <= '9'; };
  if ((f[0] != '+' && f[0] != '-') || !digito(f[1]) || !digito(f[2]) || f[3] != ':' || !digito(f[4]) ||
      !digito(f[5]))
    return {};
  return f;
}

// The next cMsg or xMsg element of `s` from `p` on, whole ("<cMsg>7</cMsg>"), and whether it
// is the code; false when there is none. `p` moves past it.
bool ProximaMsg(const std::string& s, std::size_t& p, std::string& elemento, bool& codigo) {
  const std::size_t c = s.find("<cMsg>", p), x = s.find("<xMsg>", p);
  if (c == std::string::npos && x == std::string::npos) return false;
  codigo = c < x;
  const std::size_t inicio = codigo ? c : x;
  const std::string fecha = codigo ? "</cMsg>" : "</xMsg>";
  const std::size_t fim = s.find(fecha, inicio);
  if (fim == std::string::npos) return false;
  p = fim + fecha.size();
  elemento = s.substr(inicio, p - inicio);
  return true;
}

// Every cMsg and xMsg element of `s`, in order, as written there.
std::string CopiarMensagens(const std::string& s) {
  std::string r, elemento;
  bool codigo = false;
  for (std::size_t p = 0; ProximaMsg(s, p, elemento, codigo);) r += elemento;
  return r;
}

bool LerArquivoInteiro(const std::string& caminho, std::string& texto) {
  // Files that exist but cannot be read are platform errors: they propagate.
  if (!LerArquivo(caminho, texto))
    throw ETuimDFeException("Erro ao ler o arquivo: " + caminho);
  return true;
}

}  // namespace

TProcNFe::TProcNFe() : fGerador(std::make_unique<TGerador>()) {}
TProcNFe::~TProcNFe() = default;
TProcNFe::TProcNFe(const TProcNFe& o) : TProcNFe() { *this = o; }
TProcNFe::TProcNFe(TProcNFe&&) noexcept = default;
TProcNFe& TProcNFe::operator=(TProcNFe&&) noexcept = default;

TProcNFe& TProcNFe::operator=(const TProcNFe& o) {
  if (this != &o) {
    ArquivoNFe = o.ArquivoNFe;
    ArquivoRetConsReci = o.ArquivoRetConsReci;
    ArquivoRetConsSit = o.ArquivoRetConsSit;
    TCabecalhoRetorno::operator=(o);
    chNFe = o.chNFe;
    Id = o.Id;
    dhRecbtoFuso = o.dhRecbtoFuso;
    nProt = o.nProt;
    digVal = o.digVal;
    Versao = o.Versao;
    CopiarMensagensDe(o);
    XMLNFe = o.XMLNFe;
    XMLProt = o.XMLProt;
  }
  return *this;
}

std::string TProcNFe::GerarProtNFe() const {
  std::string uf = verAplic.substr(0, 2);
  if (uf == "SV") {
    int codigo = 0;
    if (chNFe.size() >= 2 && std::isdigit(static_cast<unsigned char>(chNFe[0])) &&
        std::isdigit(static_cast<unsigned char>(chNFe[1])))
      codigo = (chNFe[0] - '0') * 10 + (chNFe[1] - '0');
    uf = CodigoUFParaSigla(codigo);
  }
  std::string recebimento = DataHoraParaISO(dhRecbto);
  if (Versao >= "3.10") recebimento += dhRecbtoFuso.empty() ? FusoHorario(uf, dhRecbto) : dhRecbtoFuso;

  const std::string id = nProt.find("ID") != std::string::npos ? nProt : "ID" + nProt;
  std::string x;
  x.reserve(512);
  x += "<protNFe versao=\"" + ValorXML(Versao) + "\">";
  x += "<infProt Id=\"" + ValorXML(id) + "\">";
  x += "<tpAmb>" + TipoAmbienteParaTexto(tpAmb) + "</tpAmb>";
  x += "<verAplic>" + ValorXML(verAplic) + "</verAplic>";
  x += "<chNFe>" + ValorXML(chNFe) + "</chNFe>";
  x += "<dhRecbto>" + recebimento + "</dhRecbto>";
  x += "<nProt>" + ValorXML(nProt) + "</nProt>";
  x += "<digVal>" + ValorXML(digVal) + "</digVal>";
  x += "<cStat>" + std::to_string(cStat) + "</cStat>";
  x += "<xMotivo>" + ValorXML(xMotivo) + "</xMotivo>";
  x += MensagensXML(ValorXML);
  x += "</infProt></protNFe>";
  return x;
}

std::vector<TMsgCollectionItem> TProcNFe::Mensagens() const {
  std::vector<TMsgCollectionItem> r;
  // The layout pairs a code with a text: a pair with neither is not a message.
  auto dada = [](const TMsgCollectionItem& m) { return m.cMsg > 0 || !m.xMsg.empty(); };
  TMsgCollectionItem primeira;
  primeira.cMsg = cMsg;
  primeira.xMsg = xMsg;
  if (dada(primeira)) r.push_back(primeira);
  for (const TMsgCollectionItem& m : MsgAdicionais)
    if (dada(m)) r.push_back(m);
  return r;
}

std::string TProcNFe::MensagensXML(const std::function<std::string(const std::string&)>& valor) const {
  std::string x;
  for (const TMsgCollectionItem& m : Mensagens()) {
    x += "<cMsg>" + std::to_string(m.cMsg) + "</cMsg>";
    x += "<xMsg>" + valor(m.xMsg) + "</xMsg>";
  }
  return x;
}

void TProcNFe::LimparMensagens() {
  cMsg = 0;
  xMsg.clear();
  MsgAdicionais.Clear();
}

void TProcNFe::CopiarMensagensDe(const TProcNFe& o) {
  cMsg = o.cMsg;
  xMsg = o.xMsg;
  MsgAdicionais = o.MsgAdicionais;
}

std::size_t TProcNFe::ParesAbertos() const {
  return (cMsg != 0 || !xMsg.empty() ? 1u : 0u) + static_cast<std::size_t>(MsgAdicionais.Count());
}

bool TProcNFe::LerCMsg(int codigo, std::size_t maximo) {
  if (ParesAbertos() == 0) {
    cMsg = codigo;
    return true;
  }
  if (ParesAbertos() >= maximo) return false;
  MsgAdicionais.New().cMsg = codigo;
  return true;
}

bool TProcNFe::LerXMsg(const std::string& texto, std::size_t maximo) {
  std::string& atual = MsgAdicionais.Empty() ? xMsg : MsgAdicionais[MsgAdicionais.Count() - 1].xMsg;
  if (atual.empty()) {
    atual = texto;
    return true;
  }
  if (ParesAbertos() >= maximo) return false;
  MsgAdicionais.New().xMsg = texto;
  return true;
}

void TProcNFe::LerMensagens(const std::string& xmlProt, bool utf8) {
  LimparMensagens();
  std::string elemento;
  bool codigo = false;
  TLeitor l;
  for (std::size_t p = 0; ProximaMsg(xmlProt, p, elemento, codigo);) {
    l.SetGrupo(elemento);
    if (codigo) {
      LerCMsg(l.LerInteiro("cMsg"));
    } else {
      const std::string texto = l.LerTexto("xMsg");
      LerXMsg(utf8 ? TextoLido(texto) : texto);
    }
  }
}

bool TProcNFe::LerProtNFe(const std::string& xmlProt) {
  TLeitor l;
  l.SetArquivo(xmlProt);
  std::string prot = l.ExtrairGrupo(1, "protNFe");
  if (!prot.empty()) {
    std::string versao = l.LerAtributo("versao", "protNFe").AsString();
    if (!versao.empty()) Versao = versao;
  }
  const std::string infProt = l.ExtrairGrupo(prot.empty() ? 1 : 2, "infProt");
  if (infProt.empty()) return false;
  Id = TextoLido(l.LerAtributo("Id", "infProt").AsString());
  bool ok = false;
  TfscTipoAmbiente amb = TextoParaTipoAmbiente(ok, l.LerCampo(fcTexto, "tpAmb").AsString());
  if (ok) tpAmb = amb;
  verAplic = TextoLido(l.LerCampo(fcTexto, "verAplic").AsString());
  chNFe = TextoLido(l.LerCampo(fcTexto, "chNFe").AsString());
  dhRecbto = l.LerCampo(fcDataHora, "dhRecbto").AsDateTime();
  // The time is kept as the authority wrote it, so its offset must be kept with it.
  dhRecbtoFuso = FusoDoTexto(Trim(l.LerCampo(fcTexto, "dhRecbto").AsString()));
  nProt = TextoLido(l.LerCampo(fcTexto, "nProt").AsString());
  digVal = TextoLido(l.LerCampo(fcTexto, "digVal").AsString());
  cStat = l.LerCampo(fcInteiro, "cStat").AsInteger();
  xMotivo = TextoLido(l.LerCampo(fcTexto, "xMotivo").AsString());
  LerMensagens(infProt, true);
  return true;
}

void TProcNFe::MontarDeRetConsReci() {
  TGerador& g = *fGerador;
  if (!ArquivoExiste(ArquivoRetConsReci)) {
    g.RegistrarAlerta("XR06", "PROTOCOLO", "PROTOCOLO", kArquivoNaoEncontrado);
    return;
  }
  TLeitor l;
  l.LerArquivo(ArquivoRetConsReci);
  const std::size_t antes = g.ListaDeAlertas().size();
  for (int ocorrencia = 1;; ++ocorrencia) {
    std::string grupo = l.ExtrairGrupo(1, "protNFe", "", ocorrencia);
    if (grupo.empty()) break;
    // Only the group of this very key may lend its protocol number: a number set before the
    // walk must not make the first group of another document match.
    if (TextoLido(l.LerCampo(fcTexto, "chNFe").AsString()) == chNFe) {
      std::string numero = TextoLido(l.LerCampo(fcTexto, "nProt").AsString());
      if (!Trim(numero).empty()) {
        nProt = numero;
        XMLProt = grupo;
        // Forget the groups passed on the way, not what was found missing before the walk.
        g.ListaDeAlertas().resize(antes);
        return;
      }
    }
    g.RegistrarAlerta("XR01", "PROTOCOLO/NFe", "Numero do protocolo", kAlertaNenhumValor);
  }
  // An answer without any protNFe group holds no protocol either.
  if (g.ListaDeAlertas().size() == antes)
    g.RegistrarAlerta("XR01", "PROTOCOLO/NFe", "Numero do protocolo", kAlertaNenhumValor);
}

void TProcNFe::MontarDeRetConsSit() {
  TGerador& g = *fGerador;
  if (!ArquivoExiste(ArquivoRetConsSit)) {
    g.RegistrarAlerta("XR06", "SITUAÇÃO", "SITUAÇÃO", kArquivoNaoEncontrado);
    return;
  }
  std::string resposta;
  LerArquivoInteiro(ArquivoRetConsSit, resposta);
  const std::string situacao = Trim(Entre(resposta, "<cStat>", "</cStat>"));
  const bool cancelada = situacao == "101" || situacao == "151" || situacao == "155";
  // Answers of layout 4.00 carry no infCanc: a voided document's protocol is its infProt.
  std::string protocolo = cancelada ? Entre(resposta, "<infCanc", "</infCanc>") : std::string();
  if (protocolo.empty()) protocolo = Entre(resposta, "<infProt", "</infProt>");
  if (protocolo.empty()) {
    // A rejection answer carries no protocol; joining an empty one would pass for success.
    g.RegistrarAlerta("XR01", "PROTOCOLO/NFe", "Numero do protocolo", kAlertaNenhumValor);
    return;
  }
  const std::string numero = Entre(protocolo, "<nProt>", "</nProt>");
  std::string x = "<protNFe versao=\"" + ValorXML(Versao) + "\">";
  x += "<infProt Id=\"ID" + numero + "\">";
  x += CopiarElemento(resposta, "tpAmb");
  x += CopiarElemento(resposta, "verAplic");
  x += CopiarElemento(resposta, "chNFe");
  x += CopiarElemento(protocolo, "dhRecbto");
  x += CopiarElemento(protocolo, "nProt");
  x += CopiarElemento(resposta, "digVal");
  x += CopiarElemento(resposta, "cStat");
  x += CopiarElemento(resposta, "xMotivo");
  // Every message of the protocol, in order; an answer without one in infProt lends the first
  // of the answer.
  std::string mensagens = CopiarMensagens(Entre(resposta, "<infProt", "</infProt>"));
  if (mensagens.empty()) mensagens = CopiarElemento(resposta, "cMsg") + CopiarElemento(resposta, "xMsg");
  x += mensagens;
  x += "</infProt></protNFe>";
  XMLProt = x;
}

void TProcNFe::MontarDeArquivos() {
  TGerador& g = *fGerador;
  std::string nfe;
  if (ArquivoExiste(ArquivoNFe))
    LerArquivoInteiro(ArquivoNFe, nfe);
  else
    g.RegistrarAlerta("XR04", "NFE", "NFE", kArquivoNaoEncontrado);

  chNFe = ChaveDoDocumento(nfe);
  if (Trim(chNFe).empty()) g.RegistrarAlerta("XR01", "ID/NFE", "Numero da chave da NFe", kAlertaNenhumValor);

  const bool reci = !ArquivoRetConsReci.empty();
  const bool sit = !ArquivoRetConsSit.empty();
  if (reci && sit) {
    // Two answers cannot both be the source of one protocol.
    g.RegistrarAlerta("XR06", "RECIBO/SITUAÇÃO", "RECIBO/SITUAÇÃO", kAlertaConteudoInvalido);
  } else if (reci) {
    MontarDeRetConsReci();
  } else if (sit) {
    MontarDeRetConsSit();
  } else if (!chNFe.empty() || !nProt.empty()) {
    XMLProt = GerarProtNFe();
  } else {
    g.RegistrarAlerta("XR06", "RECIBO/SITUAÇÃO", "RECIBO/SITUAÇÃO", kArquivoNaoEncontrado);
  }
  XMLNFe = nfe;
}

bool TProcNFe::MontarProcNFe() {
  TGerador& g = *fGerador;
  g.ListaDeAlertas().clear();
  // Each run stands alone: a second run on the same object must not append a second document.
  g.SetArquivoFormatoXML("");

  if (XMLNFe.empty() && XMLProt.empty()) MontarDeArquivos();
  if (!g.ListaDeAlertas().empty()) return false;

  // Either text missing would leave nothing written while reporting success.
  if (XMLNFe.empty()) g.RegistrarAlerta("XR04", "NFE", "NFE", kAlertaNenhumValor);
  if (XMLProt.empty()) g.RegistrarAlerta("XR06", "PROTOCOLO", "PROTOCOLO", kAlertaNenhumValor);
  if (!g.ListaDeAlertas().empty()) return false;

  const std::size_t inicio = XMLNFe.find("<NFe xmlns");
  const std::size_t fim = inicio == std::string::npos ? std::string::npos : XMLNFe.find("</NFe>", inicio);
  if (fim == std::string::npos) {
    g.RegistrarAlerta("XR04", "NFE", "NFE", kAlertaConteudoInvalido);
    return false;
  }
  const std::string nfe = XMLNFe.substr(inicio, fim + 6 - inicio);
  if (nfe.find("<Signature") == std::string::npos && nfe.find(":Signature") == std::string::npos)
    g.RegistrarAlerta("XR05", "Signature", "Assinatura", kAlertaNenhumValor);
  if (XMLProt.find("<protNFe") == std::string::npos)
    g.RegistrarAlerta("XR06", "PROTOCOLO", "PROTOCOLO", kAlertaConteudoInvalido);
  // A protocol of another document must not be joined to this one.
  const std::string chaveNFe = ChaveDoDocumento(nfe);
  const std::string chaveProt = Trim(Entre(XMLProt, "<chNFe>", "</chNFe>"));
  if (!chaveNFe.empty() && !chaveProt.empty() && chaveNFe != chaveProt)
    g.RegistrarAlerta("XR01", "chNFe", "Numero da chave da NFe", kAlertaConteudoInvalido);
  if (!g.ListaDeAlertas().empty()) return false;

  std::string versao = Versao;
  // Without a version the nfeProc attribute would be empty; the document's own is the right one.
  if (versao.empty()) versao = Entre(Entre(nfe, "<infNFe", ">"), "versao=\"", "\"");

  g.EscreverGrupo("?xml version=\"1.0\" encoding=\"UTF-8\"?", "", false);
  g.EscreverGrupo("nfeProc versao=\"" + versao + "\" xmlns=\"" + kNamespaceNFe + "\"");
  g.EscreverTexto(nfe);
  g.EscreverTexto(XMLProt);
  g.EscreverGrupo("/nfeProc");
  return g.ListaDeAlertas().empty();
}

}  // namespace tuim
