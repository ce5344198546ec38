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

TfscTipoAmbiente Ambiente(TLeitor& l) {
  bool ok = false;
  return TextoParaTipoAmbiente(ok, l.LerCampo(fcTexto, "tpAmb").AsString());
}

std::string Texto(TLeitor& l, const char* tag, const std::string& parada = "") {
  return l.LerCampo(fcTexto, tag, parada).AsString();
}
int Inteiro(TLeitor& l, const char* tag, const std::string& parada = "") {
  return l.LerCampo(fcInteiro, tag, parada).AsInteger();
}
TDateTime DataHora(TLeitor& l, const char* tag, const std::string& parada = "") {
  return l.LerCampo(fcDataHora, tag, parada).AsDateTime();
}
TDateTime Data(TLeitor& l, const char* tag) { return l.LerCampo(fcData, tag).AsDateTime(); }

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
  try {
    return Ler();
  } catch (const std::exception&) {
    return false;
  }
}

// ---- TRetConsStatServ ---------------------------------------------------------------------

bool TRetConsStatServ::Ler() {
  TLeitor& l = Leitor();
  const std::string raiz = "retConsStatServ" + fSufixo;
  if (l.ExtrairGrupo(1, raiz).empty()) return false;
  versao = l.LerAtributo("versao", raiz).AsString();
  tpAmb = Ambiente(l);
  verAplic = Texto(l, "verAplic");
  cStat = Inteiro(l, "cStat");
  xMotivo = Texto(l, "xMotivo");
  cUF = Inteiro(l, "cUF");
  dhRecbto = DataHora(l, "dhRecbto");
  tMed = Inteiro(l, "tMed");
  dhRetorno = DataHora(l, "dhRetorno");
  xObs = Texto(l, "xObs");
  return true;
}

// ---- TretEnvNFe ---------------------------------------------------------------------------

bool TretEnvNFe::Ler() {
  TLeitor& l = Leitor();
  if (l.ExtrairGrupo(1, "retEnviNFe").empty()) return false;
  versao = l.LerAtributo("versao", "retEnviNFe").AsString();
  LimitarAoCabecalho(l, {"infRec", "protNFe"});
  tpAmb = Ambiente(l);
  verAplic = Texto(l, "verAplic");
  cStat = Inteiro(l, "cStat");
  xMotivo = Texto(l, "xMotivo");
  cUF = Inteiro(l, "cUF");
  fInfRec.dhRecbto = DataHora(l, "dhRecbto");
  fInfRec.nRec.clear();
  fInfRec.tMed = 0;
  if (!l.ExtrairGrupo(2, "infRec").empty()) {
    fInfRec.nRec = Texto(l, "nRec");
    fInfRec.tMed = Inteiro(l, "tMed");
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
  tpAmb = Ambiente(l);
  verAplic = Texto(l, "verAplic");
  nRec = Texto(l, "nRec");
  cStat = Inteiro(l, "cStat");
  xMotivo = Texto(l, "xMotivo");
  cUF = Inteiro(l, "cUF");
  cMsg = Inteiro(l, "cMsg");
  xMsg = Texto(l, "xMsg");
  if (cStat != 104) return true;  // batch not processed: no protocol counts yet

  const std::string ch = "ch" + fSufixo;
  // Each protocol is read by a reader of its own, so that the walk over the answer resumes
  // where it stopped instead of starting again for every protocol.
  TLeitor lp;
  for (int i = 1;; ++i) {
    std::string grupo = l.ExtrairGrupo(1, prot, "", i);
    if (grupo.empty()) break;
    TProtDFeCollectionItem& p = fProtDFe.New();
    p.XMLprot = std::move(grupo);
    lp.SetArquivo(p.XMLprot);
    lp.ExtrairGrupo(1, "infProt");
    p.Id = lp.LerAtributo("Id", "infProt").AsString();
    p.tpAmb = Ambiente(lp);
    p.verAplic = Texto(lp, "verAplic");
    p.chDFe = Texto(lp, ch.c_str());
    p.dhRecbto = DataHora(lp, "dhRecbto");
    p.nProt = Texto(lp, "nProt");
    p.digVal = Texto(lp, "digVal");
    p.cStat = Inteiro(lp, "cStat");
    p.xMotivo = Texto(lp, "xMotivo");
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
  tpAmb = Ambiente(l);
  verAplic = Texto(l, "verAplic");
  nRec = Texto(l, "nRec");
  cStat = Inteiro(l, "cStat");
  xMotivo = Texto(l, "xMotivo");
  cUF = Inteiro(l, "cUF");
  dhRecbto = DataHora(l, "dhRecbto");
  chNFe = Texto(l, "chNFe");

  std::string prot;
  if (EstaEm(cStat, {100, 101, 104, 110, 150, 151, 155, 301, 302, 303})) prot = l.ExtrairGrupo(1, "protNFe");
  if (!prot.empty()) {
    TProcNFe& p = fprotNFe;
    p.XMLProt = std::move(prot);
    l.ExtrairGrupo(2, "infProt");
    p.tpAmb = Ambiente(l);
    p.verAplic = Texto(l, "verAplic");
    p.chNFe = Texto(l, "chNFe");
    p.dhRecbto = DataHora(l, "dhRecbto");
    p.nProt = Texto(l, "nProt");
    p.digVal = Texto(l, "digVal");
    p.cStat = Inteiro(l, "cStat");
    p.xMotivo = Texto(l, "xMotivo");
    p.cMsg = Inteiro(l, "cMsg");
    p.xMsg = Texto(l, "xMsg");
  }

  if (EstaEm(cStat, {101, 151, 155}) && !l.ExtrairGrupo(1, "infCanc").empty()) {
    TRetCancNFe& c = fretCancNFe;
    c.tpAmb = Ambiente(l);
    c.verAplic = Texto(l, "verAplic");
    c.cStat = Inteiro(l, "cStat");
    c.xMotivo = Texto(l, "xMotivo");
    c.cUF = Inteiro(l, "cUF");
    c.chNFe = Texto(l, "chNFe");
    c.dhRecbto = DataHora(l, "dhRecbto");
    c.nProt = Texto(l, "nProt");
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
  CNPJ = AjustarDocumento(Texto(l, "CNPJ", "infCad"), 14);
  CPF = AjustarDocumento(Texto(l, "CPF", "infCad"), 11);
  verAplic = Texto(l, "verAplic", "infCad");
  cStat = Inteiro(l, "cStat", "infCad");
  xMotivo = Texto(l, "xMotivo", "infCad");
  UF = Texto(l, "UF", "infCad");
  IE = Texto(l, "IE", "infCad");
  dhCons = DataHora(l, "dhCons", "infCad");
  cUF = Inteiro(l, "cUF", "infCad");

  for (int i = 1;; ++i) {
    if (l.ExtrairGrupo(2, "infCad", "", i).empty()) break;
    TInfCadCollectionItem& c = fInfCad.New();
    c.IE = Texto(l, "IE");
    c.CNPJ = AjustarDocumento(Texto(l, "CNPJ"), 14);
    c.CPF = AjustarDocumento(Texto(l, "CPF"), 11);
    c.UF = Texto(l, "UF");
    c.cSit = Inteiro(l, "cSit");
    c.indCredNFe = Inteiro(l, "indCredNFe");
    c.indCredCTe = Inteiro(l, "indCredCTe");
    c.xNome = Texto(l, "xNome");
    c.xFant = Texto(l, "xFant");
    c.xRegApur = Texto(l, "xRegApur");
    c.CNAE = Inteiro(l, "CNAE");
    c.dIniAtiv = Data(l, "dIniAtiv");
    c.dUltSit = Data(l, "dUltSit");
    c.dBaixa = Data(l, "dBaixa");
    c.IEUnica = Texto(l, "IEUnica");
    c.IEAtual = Texto(l, "IEAtual");
    c.xLgr = Texto(l, "xLgr");
    c.nro = Texto(l, "nro");
    c.xCpl = Texto(l, "xCpl");
    c.xBairro = Texto(l, "xBairro");
    c.cMun = Inteiro(l, "cMun");
    c.xMun = Texto(l, "xMun");
    c.CEP = Inteiro(l, "CEP");
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
  versao = l.LerAtributo("versao", raiz).AsString();
  tpAmb = Ambiente(l);
  verAplic = Texto(l, "verAplic");
  cStat = Inteiro(l, "cStat");
  xMotivo = Texto(l, "xMotivo");
  cUF = Inteiro(l, "cUF");
  ano = Inteiro(l, "ano");
  CNPJ = Texto(l, "CNPJ");
  modelo = Inteiro(l, "mod");
  serie = Inteiro(l, "serie");
  nNFIni = Inteiro(l, "nNFIni");
  nNFFin = Inteiro(l, "nNFFin");
  dhRecbto = DataHora(l, "dhRecbto");
  nProt = Texto(l, "nProt");
  if (!l.ExtrairGrupo(1, "infInut").empty()) xJust = Texto(l, "xJust");
  return true;
}

// ---- TRetAdmCSCNFCe -----------------------------------------------------------------------

bool TRetAdmCSCNFCe::Ler() {
  TLeitor& l = Leitor();
  fdadosCsc.Clear();
  if (l.ExtrairGrupo(1, "retAdmCscNFCe").empty()) return false;
  versao = l.LerAtributo("versao", "retAdmCscNFCe").AsString();
  bool ok = false;
  tpAmb = Ambiente(l);
  indOp = TextoParaIndOp(ok, Texto(l, "indOp"));
  cStat = Inteiro(l, "cStat");
  xMotivo = Texto(l, "xMotivo");
  for (int i = 1;; ++i) {
    if (l.ExtrairGrupo(2, "dadosCsc", "", i).empty()) break;
    TRetdadosCscCollectionItem& d = fdadosCsc.New();
    d.idCsc = Inteiro(l, "idCsc");
    d.codigoCsc = Texto(l, "codigoCsc");
  }
  if (fdadosCsc.Count() == 0) fdadosCsc.New();
  return true;
}

}  // namespace tuim
