#include "services/TuimRetornosNFe.h"

#include <exception>
#include <initializer_list>

#include "fiscal/TuimUtil.h"

namespace tuim {
namespace {

// The answer's own fields stand before its child groups; an optional field missing from the
// answer must not be taken from a protocol or event inside it.
void LimitarAoCabecalho(TLeitor& l, std::initializer_list<const char*> filhos) {
  const std::string& g = l.Grupo();
  std::size_t fim = g.size();
  for (const char* f : filhos) {
    const std::string abre = std::string("<") + f;
    for (std::size_t p = g.find(abre); p != std::string::npos; p = g.find(abre, p + 1)) {
      const std::size_t depois = p + abre.size();
      if (depois < g.size() && (g[depois] == '>' || g[depois] == ' ' || g[depois] == ':')) {
        if (p < fim) fim = p;
        break;
      }
    }
  }
  if (fim < g.size()) l.SetGrupo(g.substr(0, fim));
}

// Trimmed; a non-empty document shorter than its size is zero-filled on the left.
std::string AjustarDocumento(const std::string& doc, std::size_t tamanho) {
  std::string d = Trim(doc);
  if (!d.empty() && d.size() < tamanho) d = TextoComZerosEsquerda(d, tamanho);
  return d;
}

bool EstaEm(int v, std::initializer_list<int> lista) {
  for (int x : lista)
    if (x == v) return true;
  return false;
}

}  // namespace

TRetornoDFe::TRetornoDFe() : fLeitor(std::make_unique<TLeitor>()) {}
TRetornoDFe::~TRetornoDFe() = default;

bool TRetornoDFe::LerResposta() {
  fErroLeitura.clear();
  try {
    if (Ler()) return true;
    fErroLeitura = "elemento da resposta não encontrado";
  } catch (const std::exception& e) {
    fErroLeitura = e.what();
  }
  return false;
}

// ---- TRetConsStatServ ---------------------------------------------------------------------

bool TRetConsStatServ::Ler() {
  TLeitor& l = Leitor();
  const std::string raiz = "retConsStatServ" + fSufixo;
  if (l.ExtrairGrupo(1, raiz).empty()) return false;
  LerCabecalho(l, raiz);
  tMed = l.LerInteiro("tMed");
  dhRetorno = l.LerDataHora("dhRetorno");
  xObs = l.LerTexto("xObs");
  return true;
}

// ---- TretEnvNFe ---------------------------------------------------------------------------

bool TretEnvNFe::Ler() {
  TLeitor& l = Leitor();
  if (l.ExtrairGrupo(1, "retEnviNFe").empty()) return false;
  versao = l.LerAtributo("versao", "retEnviNFe").AsString();
  LimitarAoCabecalho(l, {"infRec", "protNFe"});
  LerCabecalho(l, "");
  fInfRec.dhRecbto = dhRecbto;
  fInfRec.nRec.clear();
  fInfRec.tMed = 0;
  if (!l.ExtrairGrupo(2, "infRec").empty()) {
    fInfRec.nRec = l.LerTexto("nRec");
    fInfRec.tMed = l.LerInteiro("tMed");
  }
  return true;
}

// ---- TRetConsReciDFe ----------------------------------------------------------------------

bool TRetConsReciDFe::Ler() {
  TLeitor& l = Leitor();
  const std::string raiz = "retConsReci" + fSufixo;
  const std::string prot = "prot" + fSufixo;
  fProtDFe.Clear();
  if (l.ExtrairGrupo(1, raiz).empty()) return false;
  versao = l.LerAtributo("versao", raiz).AsString();
  LimitarAoCabecalho(l, {prot.c_str()});
  LerCabecalho(l, "");
  nRec = l.LerTexto("nRec");
  cMsg = l.LerInteiro("cMsg");
  xMsg = l.LerTexto("xMsg");
  if (cStat != 104) return true;  // batch not processed: no protocol counts yet

  const std::string ch = "ch" + fSufixo;
  // Each protocol is read by a reader of its own, so that the walk over the answer resumes
  // where it stopped instead of starting again for every protocol.
  TLeitor lp;
  TProcNFe mensagens;
  for (int i = 1;; ++i) {
    std::string grupo = l.ExtrairGrupo(1, prot, "", i);
    if (grupo.empty()) break;
    TProtDFeCollectionItem& p = fProtDFe.New();
    p.XMLprot = std::move(grupo);
    lp.SetArquivo(p.XMLprot);
    lp.ExtrairGrupo(1, "infProt");
    p.Id = lp.LerAtributo("Id", "infProt").AsString();
    p.LerCabecalho(lp, "");
    p.chDFe = lp.LerTexto(ch);
    p.nProt = lp.LerTexto("nProt");
    p.digVal = lp.LerTexto("digVal");
    mensagens.LerMensagens(p.XMLprot, false);
    p.cMsg = mensagens.cMsg;
    p.xMsg = mensagens.xMsg;
    p.MsgAdicionais = mensagens.MsgAdicionais;
  }
  return true;
}

// ---- TRetConsSitNFe -----------------------------------------------------------------------

bool TRetConsSitNFe::Ler() {
  TLeitor& l = Leitor();
  fprocEventoNFe.Clear();
  fprotNFe = TProcNFe();
  fretCancNFe = TRetCancNFe();
  if (l.ExtrairGrupo(1, "retConsSitNFe").empty()) return false;
  versao = l.LerAtributo("versao", "retConsSitNFe").AsString();
  LimitarAoCabecalho(l, {"protNFe", "retCancNFe", "procEventoNFe"});
  LerCabecalho(l, "");
  nRec = l.LerTexto("nRec");
  chNFe = l.LerTexto("chNFe");

  std::string prot;
  if (EstaEm(cStat, {100, 101, 104, 110, 150, 151, 155, 301, 302, 303})) prot = l.ExtrairGrupo(1, "protNFe");
  if (!prot.empty()) {
    TProcNFe& p = fprotNFe;
    p.XMLProt = std::move(prot);
    l.ExtrairGrupo(2, "infProt");
    p.LerCabecalho(l, "");
    p.chNFe = l.LerTexto("chNFe");
    p.nProt = l.LerTexto("nProt");
    p.digVal = l.LerTexto("digVal");
    p.LerMensagens(p.XMLProt, false);
  }

  if (EstaEm(cStat, {101, 151, 155}) && !l.ExtrairGrupo(1, "infCanc").empty()) {
    TRetCancNFe& c = fretCancNFe;
    c.LerCabecalho(l, "");
    c.chNFe = l.LerTexto("chNFe");
    c.nProt = l.LerTexto("nProt");
  }

  for (int i = 1;; ++i) {
    std::string grupo = l.ExtrairGrupo(1, "procEventoNFe", "", i);
    if (grupo.empty()) break;
    TRetEventoNFe& ev = fprocEventoNFe.New().RetEventoNFe();
    ev.XML = grupo;
    ev.Leitor().SetArquivo(std::move(grupo));
    ev.LerResposta();
  }
  return true;
}

// ---- TRetConsCad --------------------------------------------------------------------------

bool TRetConsCad::Ler() {
  TLeitor& l = Leitor();
  fInfCad.Clear();
  if (l.ExtrairGrupo(1, "retConsCad").empty()) return false;
  versao = l.LerAtributo("versao", "retConsCad").AsString();

  // The query's own fields stand before the registrations, which repeat CNPJ, IE and UF.
  l.ExtrairGrupo(1, "infCons");
  LerCabecalho(l, "", "infCad");
  CNPJ = AjustarDocumento(l.LerTexto("CNPJ", "infCad"), 14);
  CPF = AjustarDocumento(l.LerTexto("CPF", "infCad"), 11);
  UF = l.LerTexto("UF", "infCad");
  IE = l.LerTexto("IE", "infCad");
  dhCons = l.LerDataHora("dhCons", "infCad");

  for (int i = 1;; ++i) {
    if (l.ExtrairGrupo(2, "infCad", "", i).empty()) break;
    TInfCadCollectionItem& c = fInfCad.New();
    c.IE = l.LerTexto("IE");
    c.CNPJ = AjustarDocumento(l.LerTexto("CNPJ"), 14);
    c.CPF = AjustarDocumento(l.LerTexto("CPF"), 11);
    c.UF = l.LerTexto("UF");
    c.cSit = l.LerInteiro("cSit");
    c.indCredNFe = l.LerInteiro("indCredNFe");
    c.indCredCTe = l.LerInteiro("indCredCTe");
    c.xNome = l.LerTexto("xNome");
    c.xFant = l.LerTexto("xFant");
    c.xRegApur = l.LerTexto("xRegApur");
    c.CNAE = l.LerInteiro("CNAE");
    c.dIniAtiv = l.LerData("dIniAtiv");
    c.dUltSit = l.LerData("dUltSit");
    c.dBaixa = l.LerData("dBaixa");
    c.IEUnica = l.LerTexto("IEUnica");
    c.IEAtual = l.LerTexto("IEAtual");
    c.xLgr = l.LerTexto("xLgr");
    c.nro = l.LerTexto("nro");
    c.xCpl = l.LerTexto("xCpl");
    c.xBairro = l.LerTexto("xBairro");
    c.cMun = l.LerInteiro("cMun");
    c.xMun = l.LerTexto("xMun");
    c.CEP = l.LerInteiro("CEP");
  }
  if (fInfCad.Count() == 0) fInfCad.New();
  return true;
}

// ---- TRetInutNFe --------------------------------------------------------------------------

bool TRetInutNFe::Ler() {
  TLeitor& l = Leitor();
  if (!l.ExtrairGrupo(1, "inutNFe").empty()) Id = l.LerAtributo("Id=").AsString();

  std::string raiz = "retInutNFe";
  if (l.ExtrairGrupo(1, raiz).empty()) {
    raiz = "infInut";
    if (l.ExtrairGrupo(1, raiz).empty()) return false;
  }
  if (raiz == "retInutNFe") {
    LerCabecalho(l, raiz);
  } else {
    // The request itself carries no status, only what was asked.
    versao = l.LerAtributo("versao", raiz).AsString();
    tpAmb = l.LerAmbiente();
    cUF = l.LerInteiro("cUF");
  }
  ano = l.LerInteiro("ano");
  CNPJ = l.LerTexto("CNPJ");
  modelo = l.LerInteiro("mod");
  serie = l.LerInteiro("serie");
  nNFIni = l.LerInteiro("nNFIni");
  nNFFin = l.LerInteiro("nNFFin");
  nProt = l.LerTexto("nProt");
  if (!l.ExtrairGrupo(1, "infInut").empty()) xJust = l.LerTexto("xJust");
  return true;
}

// ---- TRetAdmCSCNFCe -----------------------------------------------------------------------

bool TRetAdmCSCNFCe::Ler() {
  TLeitor& l = Leitor();
  fdadosCsc.Clear();
  if (l.ExtrairGrupo(1, "retAdmCscNFCe").empty()) return false;
  LerCabecalho(l, "retAdmCscNFCe");
  bool ok = false;
  indOp = TextoParaIndOp(ok, l.LerTexto("indOp"));
  for (int i = 1;; ++i) {
    if (l.ExtrairGrupo(2, "dadosCsc", "", i).empty()) break;
    TRetdadosCscCollectionItem& d = fdadosCsc.New();
    d.idCsc = l.LerInteiro("idCsc");
    d.codigoCsc = l.LerTexto("codigoCsc");
  }
  if (fdadosCsc.Count() == 0) fdadosCsc.New();
  return true;
}

}  // namespace tuim
