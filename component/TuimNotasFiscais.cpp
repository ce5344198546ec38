#include "component/TuimNotasFiscais.h"

#include <stdexcept>

#include "component/TuimNFe.h"
#include "fiscal/TuimDateTime.h"
#include "fiscal/TuimException.h"
#include "fiscal/TuimUtil.h"
#include "fiscal/fscAuxiliar.h"
#include "xml/TuimGerador.h"

namespace tuim {

namespace {


bool ContemSemCaixa(const std::string& texto, const std::string& procurado) {
  return LowerCase(texto).find(LowerCase(procurado)) != std::string::npos;
}

std::string Juntar(const std::vector<std::string>& linhas) {
  std::string r;
  for (std::size_t i = 0; i < linhas.size(); ++i) {
    if (i) r += "\r\n";
    r += linhas[i];
  }
  return r;
}

bool TemSeparador(const std::string& s) { return s.find_first_of("/\\") != std::string::npos; }

// The folder part of a path, separator included; empty for a bare name.
std::string PastaDe(const std::string& caminho) {
  std::size_t p = caminho.find_last_of("/\\");
  return p == std::string::npos ? std::string() : caminho.substr(0, p + 1);
}

}  // namespace

bool ChaveNoAlfabeto(const std::string& chave) {
  if (chave.size() != 44) return false;
  for (std::size_t i = 0; i < chave.size(); ++i) {
    char c = chave[i];
    if (c >= '0' && c <= '9') continue;
    // Positions 7 to 18 (1-based) hold the CNPJ base, which may be alphanumeric.
    if (c >= 'A' && c <= 'Z' && i >= 6 && i <= 17) continue;
    return false;
  }
  return true;
}

std::string InserirInfNFeSupl(const std::string& xmlAssinado, const std::string& grupoSupl) {
  std::string xml = xmlAssinado;
  // A group left from an earlier completion goes first.
  std::size_t ini = xml.find("<infNFeSupl>");
  if (ini != std::string::npos) {
    std::size_t fim = xml.find("</infNFeSupl>", ini);
    if (fim == std::string::npos) throw ETuimNFeException("Grupo infNFeSupl sem fechamento");
    xml.erase(ini, fim + 13 - ini);
  }
  // Signature sits after infNFe; infNFeSupl goes between them, as the layout orders them.
  std::size_t fimInf = xml.rfind("</infNFe>");
  if (fimInf == std::string::npos) throw ETuimNFeException("Grupo infNFe não encontrado");
  std::size_t pos = xml.find("<Signature", fimInf);
  if (pos == std::string::npos) pos = xml.rfind("</NFe>");
  if (pos == std::string::npos || pos < fimInf) throw ETuimNFeException("Grupo NFe não encontrado");
  xml.insert(pos, grupoSupl);
  return xml;
}

// ---- NotaFiscal -------------------------------------------------------------------------------

NotaFiscal::NotaFiscal(TNotasFiscais& colecao) : fColecao(colecao) {
  fNFe = std::make_unique<TNFe>();
  fNFeW = std::make_unique<TNFeW>(fNFe.get());

  TTuimNFe& comp = fColecao.TuimNFe();
  TConfiguracoesNFe& conf = comp.Configuracoes();
  TNFe& n = *fNFe;
  n.Ide.modelo = conf.Geral().ModeloDFCodigo();
  n.infNFe.versao = VersaoDFParaNumero(conf.Geral().VersaoDF());
  n.Ide.tpNF = tpNF1;
  n.Ide.indPag = indPag0;
  n.Ide.verProc = "TuimNFe";
  n.Ide.tpAmb = conf.WebServices().Ambiente();
  n.Ide.tpEmis = conf.Geral().FormaEmissao();
  if (TTuimDANFeBase* danfe = comp.DANFE()) n.Ide.tpImp = danfe->TipoDANFE();
  n.Emit.EnderEmit.xPais = "BRASIL";
  n.Emit.EnderEmit.cPais = 1058;
  n.Emit.EnderEmit.nro = "SEM NUMERO";
  n.Dest.EnderDest.xPais = "BRASIL";
  n.Dest.EnderDest.cPais = 1058;
}

NotaFiscal::~NotaFiscal() {
  fNFeW.reset();
  fNFe.reset();
}

void NotaFiscal::SetXMLOriginal(const std::string& v) {
  fXMLOriginal = ConverterXmlUTF8(v);
  if (ContemSemCaixa(fXMLOriginal, "<signature"))
    fXMLAssinado = fXMLOriginal;
  else
    fXMLAssinado.clear();
}

const std::string& NotaFiscal::XMLAssinado() {
  if (fXMLAssinado.empty()) Assinar();
  return fXMLAssinado;
}

bool NotaFiscal::Confirmada() const { return TTuimNFe::StatusConfirmado(fNFe->procNFe.cStat); }
bool NotaFiscal::Processada() const { return TTuimNFe::StatusProcessado(fNFe->procNFe.cStat); }
int NotaFiscal::cStat() const { return fNFe->procNFe.cStat; }
std::string NotaFiscal::Msg() const { return fNFe->procNFe.xMotivo; }

std::string NotaFiscal::NumID() const {
  std::string id = fNFe->infNFe.ID;
  if (id.compare(0, 3, "NFe") == 0) id.erase(0, 3);
  std::string r;
  for (char c : id)
    if ((c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z')) r += c;
  return r;
}

void NotaFiscal::ConfigurarWriter() {
  TConfiguracoesNFe& conf = fColecao.Configuracoes();
  TGeradorOpcoes& g = fNFeW->Gerador().Opcoes();
  g.SetFormatoAlerta(conf.Geral().FormatoAlerta());
  g.SetRetirarAcentos(conf.Geral().RetirarAcentos());
  g.SetRetirarEspacos(conf.Geral().RetirarEspacos());
  g.SetIdentarXML(conf.Geral().IdentarXML());
  TNFeW::TGeradorOpcoes& w = fNFeW->Opcoes();
  w.SetNormatizarMunicipios(conf.Arquivos().NormatizarMunicipios());
  w.SetPathArquivoMunicipios(conf.Arquivos().PathArquivoMunicipios());
  w.SetCamposFatObrigatorios(conf.Geral().CamposFatObrigatorios());
  w.SetForcarGerarTagRejeicao938(conf.Geral().ForcarGerarTagRejeicao938());
  w.SetGerarTXTSimultaneamente(false);
  ConfiguracaoFusoHorario().Assign(conf.WebServices().TimeZoneConf());
  fNFeW->SetIdCSRT(conf.RespTec().IdCSRT());
  fNFeW->SetCSRT(conf.RespTec().CSRT());
}

std::string NotaFiscal::GerarXML() {
  const std::string idAnterior = fNFe->infNFe.ID;
  ConfigurarWriter();
  fNFeW->EscreverNFe();
  SetXMLOriginal(fNFeW->Gerador().ArquivoFormatoXML());
  if (!fNomeArq.empty() && fNFe->infNFe.ID != idAnterior) fNomeArq = CaminhoArquivo("", PastaDe(fNomeArq));
  fAlertas = Juntar(fNFeW->Gerador().ListaDeAlertas());
  return fXMLOriginal;
}

void NotaFiscal::LerAssinatura() {
  const std::string& x = fXMLAssinado;
  std::size_t ref = x.find("<Reference URI=\"");
  std::string uri;
  if (ref != std::string::npos) {
    std::size_t ini = ref + 16, fim = x.find('"', ini);
    if (fim != std::string::npos) uri = x.substr(ini, fim - ini);
  }
  TSignature& s = fNFe->signature;
  s.SetURI(uri);
  s.SetDigestValue(ExtrairConteudoTag(x, "DigestValue"));
  s.SetSignatureValue(ExtrairConteudoTag(x, "SignatureValue"));
  s.SetX509Certificate(ExtrairConteudoTag(x, "X509Certificate"));
}

void NotaFiscal::Assinar() {
  TTuimNFe& comp = fColecao.TuimNFe();
  TConfiguracoesNFe& conf = comp.Configuracoes();
  TNFe& n = *fNFe;
  if (!comp.OnAntesDeAssinar()) comp.SSL().ConferirCNPJCertificado(n.Emit.CNPJCPF);

  // The supplementary group depends on the new digest: it is made after the signature and put
  // into the signed text, never by generating the document again.
  n.infNFeSupl.qrCode.clear();
  n.infNFeSupl.urlChave.clear();
  GerarXML();
  std::string assinado = comp.SSL().Assinar(ConverterXmlUTF8(fXMLOriginal), "NFe", "infNFe");
  fXMLAssinado = assinado;
  fXMLOriginal = assinado;
  LerAssinatura();

  if (n.Ide.modelo == 65) {
    std::string destinatario = Trim(n.Dest.idEstrangeiro);
    if (destinatario.empty()) destinatario = Trim(n.Dest.CNPJCPF);
    n.infNFeSupl.qrCode =
        comp.URLQRCode(n.Ide.cUF, n.Ide.tpAmb, NumID(), destinatario, n.Ide.dEmi, n.Total.ICMSTot.vNF,
                       n.Total.ICMSTot.vICMS, n.signature.DigestValue(), n.infNFe.versao);
    const bool v400 = fNFeW->VersaoAoMenos(4);
    if (v400) n.infNFeSupl.urlChave = comp.URLConsultaNFCe(n.Ide.cUF, n.Ide.tpAmb, n.infNFe.versao);

    // The same fields and checks as the writer's own group.
    TGerador g;
    g.Opcoes().SetFormatoAlerta(conf.Geral().FormatoAlerta());
    g.Opcoes().SetIdentarXML(false);
    g.EscreverGrupo("infNFeSupl");
    g.EscreverCampo(fcTexto, "ZX02", "qrCode", 100, 600, 1, "<![CDATA[" + n.infNFeSupl.qrCode + "]]>",
                    "Texto com o QR-Code impresso no DANFE NFC-e.", false);
    if (v400)
      g.EscreverCampo(fcTexto, "ZX03", "urlChave", 21, 85, 1, n.infNFeSupl.urlChave,
                      "URL de consulta por chave de acesso a ser impressa no DANFE NFC-e", false);
    g.EscreverGrupo("/infNFeSupl");
    fXMLAssinado = InserirInfNFeSupl(fXMLAssinado, ParaUTF8(g.ArquivoFormatoXML()));
    fXMLOriginal = fXMLAssinado;
    if (!g.ListaDeAlertas().empty()) {
      std::string extra = Juntar(g.ListaDeAlertas());
      fAlertas = fAlertas.empty() ? extra : fAlertas + "\r\n" + extra;
    }
  }

  if (conf.Arquivos().Salvar() && !conf.Arquivos().SalvarApenasNFeProcessadas()) {
    std::string caminho = fNomeArq.empty() ? CaminhoArquivo("", "") : fNomeArq;
    comp.GravarArquivo(caminho, fXMLAssinado, true, "", true);
  }
}

bool NotaFiscal::SalvarXML(const std::string& nomeArquivo, const std::string& pasta) {
  if (fXMLOriginal.empty()) GerarXML();
  fNomeArq = CaminhoArquivo(nomeArquivo, pasta);
  return fColecao.TuimNFe().GravarArquivo(fNomeArq, fXMLOriginal, true, "", true);
}

std::string NotaFiscal::NomeArquivoPadrao() const {
  std::string id = NumID();
  // The key becomes a file name: only a real key may, never a text with folders in it.
  if (!ChaveNoAlfabeto(id)) throw ETuimNFeException("ID Inválido. Impossível Salvar XML");
  return id + "-nfe.xml";
}

std::string NotaFiscal::PastaArquivoPadrao() const {
  TArquivosConfNFe& a = fColecao.Configuracoes().Arquivos();
  TDateTime data = a.EmissaoPathNFe() ? fNFe->Ide.dEmi : Now();
  return CaminhoComBarra(a.MontarPathNFe(data, fNFe->Emit.CNPJCPF, fNFe->Ide.modelo));
}

std::string NotaFiscal::CaminhoArquivo(const std::string& nomeArquivo, const std::string& pasta) const {
  std::string nome = Trim(nomeArquivo);
  if (nome.empty()) nome = NomeArquivoPadrao();
  std::string arquivo = nome.substr(nome.find_last_of("/\\") == std::string::npos ? 0 : nome.find_last_of("/\\") + 1);
  if (arquivo.empty() || arquivo == "." || arquivo.find("..") != std::string::npos)
    throw ETuimNFeException("Nome de arquivo inválido: " + nomeArquivo);
  if (TemSeparador(nome)) {
    // The caller named the folder itself; a step up out of it is still refused.
    for (std::size_t i = 0; (i = nome.find("..", i)) != std::string::npos; i += 2) {
      bool inicio = i == 0 || nome[i - 1] == '/' || nome[i - 1] == '\\';
      bool fim = i + 2 == nome.size() || nome[i + 2] == '/' || nome[i + 2] == '\\';
      if (inicio && fim) throw ETuimNFeException("Nome de arquivo inválido: " + nomeArquivo);
    }
    return nome;
  }
  std::string dir = Trim(pasta).empty() ? PastaArquivoPadrao() : CaminhoComBarra(pasta);
  return dir + nome;
}

// ---- TNotasFiscais -----------------------------------------------------------------------------

namespace {

TTuimNFe& DonoNFe(TTuimComponent* owner) {
  auto* nfe = dynamic_cast<TTuimNFe*>(owner);
  if (!nfe) throw ETuimNFeException("AOwner deve ser do tipo TTuimNFe");
  return *nfe;
}

}  // namespace

TNotasFiscais::TNotasFiscais(TTuimComponent* owner) : fTuimNFe(DonoNFe(owner)) {}

TNotasFiscais::~TNotasFiscais() = default;

TConfiguracoesNFe& TNotasFiscais::Configuracoes() const { return fTuimNFe.Configuracoes(); }

NotaFiscal& TNotasFiscais::Add() {
  fItens.push_back(std::make_unique<NotaFiscal>(*this));
  return *fItens.back();
}

NotaFiscal& TNotasFiscais::Insert(int index) {
  if (index < 0 || index > Count()) throw std::out_of_range("TNotasFiscais::Insert");
  auto it = fItens.insert(fItens.begin() + index, std::make_unique<NotaFiscal>(*this));
  return **it;
}

NotaFiscal& TNotasFiscais::operator[](int i) {
  if (i < 0 || i >= Count()) throw std::out_of_range("TNotasFiscais");
  return *fItens[static_cast<std::size_t>(i)];
}

void TNotasFiscais::Delete(int i) {
  if (i < 0 || i >= Count()) throw std::out_of_range("TNotasFiscais::Delete");
  fItens.erase(fItens.begin() + i);
}

void TNotasFiscais::Assinar() {
  for (auto& n : fItens) n->Assinar();
}

void TNotasFiscais::GerarNFe() {
  for (auto& n : fItens) n->GerarXML();
}

}  // namespace tuim
