// `tuim mensagem ...`: writes the request and event messages of the NF-e web services to stdout.
#include <iostream>
#include <string>
#include <vector>

#include "cli/TuimCli.h"
#include "fiscal/TuimDateTime.h"
#include "fiscal/TuimUtil.h"
#include "fiscal/fscAuxiliar.h"
#include "security/TuimDFeSSL.h"
#include "services/TuimEventoNFe.h"
#include "services/TuimMensagensNFe.h"

namespace tuim::cli {
namespace {

const std::vector<std::string> kComuns = {"ambiente", "assinar", "pfx", "senha", "fuso"};

bool Inteiro(const std::string& s, long long& v) {
  if (s.empty() || s.size() > 18) return false;
  v = 0;
  for (char c : s) {
    if (c < '0' || c > '9') return false;
    v = v * 10 + (c - '0');
  }
  return true;
}

// Reads the options shared by every message; false after printing a usage error.
struct Comum {
  TfscTipoAmbiente ambiente = taHomologacao;
  bool assinar = false;
  std::string pfx, senha;
};

int LerComum(const Args& a, Comum& c) {
  std::string amb = a.Get("ambiente", "2");
  if (amb == "1" || amb == "producao") c.ambiente = taProducao;
  else if (amb == "2" || amb == "homologacao") c.ambiente = taHomologacao;
  else return UsageError("--ambiente deve ser 1 (produção) ou 2 (homologação)");
  c.assinar = a.Has("assinar");
  if (c.assinar) {
    if (!a.Has("pfx")) return UsageError("--assinar pede --pfx ARQUIVO --senha S");
    c.pfx = a.Get("pfx");
    c.senha = DeUTF8(a.Get("senha"));
  }
  // Offsets of the state table by default, or one fixed offset given.
  if (a.Has("fuso")) {
    try {
      ConfiguracaoFusoHorario().SetModoDeteccao(tzManual);
      ConfiguracaoFusoHorario().SetTimeZoneStr(a.Get("fuso"));
    } catch (const ETuimDFeException&) {
      return UsageError("--fuso deve ser como -03:00");
    }
  } else {
    ConfiguracaoFusoHorario().SetModoDeteccao(tzFSC);
  }
  return -1;
}

// The XML on stdout (UTF-8); alerts on stderr, exit 1 when there are any.
int Emitir(const std::string& xmlUTF8, const std::vector<std::string>& alertas) {
  std::cout << xmlUTF8 << "\n";
  for (const auto& l : alertas) std::cerr << "alerta: " << ParaUTF8(l) << "\n";
  return alertas.empty() ? kExitOk : kExitInvalid;
}

int Assinado(const Comum& c, const std::string& xml, const std::vector<std::string>& alertas,
             const std::string& doc, const std::string& inf, bool lote) {
  if (!c.assinar) return Emitir(ParaUTF8(xml), alertas);
  try {
    TDFeSSL ssl;
    ssl.SetSSLCryptLib(cryOpenSSL);
    ssl.SetSSLXmlSignLib(xsLibXml2);
    ssl.SetArquivoPFX(c.pfx);
    ssl.SetSenha(c.senha);
    return Emitir(lote ? AssinarEnvEvento(ssl, xml) : ssl.Assinar(ParaUTF8(xml), doc, inf), alertas);
  } catch (const ETuimDFeException& e) {
    return Falha(e.what());
  }
}

int UF(const Args& a, const char* opcao, int& codigo) {
  std::string uf = a.Get(opcao);
  long long n = 0;
  if (Inteiro(uf, n)) {
    codigo = static_cast<int>(n);
  } else {
    for (char& ch : uf)
      if (ch >= 'a' && ch <= 'z') ch = static_cast<char>(ch - 'a' + 'A');
    codigo = SiglaParaCodigoUF(uf);
  }
  if (!ValidarCodigoUF(codigo)) return UsageError(std::string("--") + opcao + " deve ser uma UF (MT) ou seu código (51)");
  return -1;
}

// -1 when the command line is sound; otherwise the exit code of its usage error.
int Preparar(const Args& a, const std::vector<std::string>& extras, Comum& c) {
  if (!a.ok()) return UsageError(a.error());
  std::vector<std::string> conhecidas = kComuns;
  conhecidas.insert(conhecidas.end(), extras.begin(), extras.end());
  if (auto u = a.Unknown(conhecidas); !u.empty()) return UsageError("opção desconhecida: --" + u);
  if (!a.Positional().empty()) return UsageError("argumento inesperado: " + a.Positional()[0]);
  return LerComum(a, c);
}

int Status(const std::vector<std::string>& words) {
  Args a(words, {"assinar"});
  Comum c;
  if (int r = Preparar(a, {"uf"}, c); r >= 0) return r;
  int uf = 0;
  if (int r = UF(a, "uf", uf); r >= 0) return r;
  TConsStatServ m;
  m.SettpAmb(c.ambiente);
  m.SetcUF(uf);
  m.GerarXML();
  return Emitir(ParaUTF8(m.Gerador().ArquivoFormatoXML()), m.Gerador().ListaDeAlertas());
}

int Consulta(const std::vector<std::string>& words) {
  Args a(words, {"assinar"});
  Comum c;
  if (int r = Preparar(a, {"chave"}, c); r >= 0) return r;
  if (!a.Has("chave")) return UsageError("informe --chave CHAVE");
  TConsSitNFe m;
  m.SettpAmb(c.ambiente);
  m.SetchNFe(a.Get("chave"));
  m.GerarXML();
  return Emitir(ParaUTF8(m.Gerador().ArquivoFormatoXML()), m.Gerador().ListaDeAlertas());
}

int Recibo(const std::vector<std::string>& words) {
  Args a(words, {"assinar"});
  Comum c;
  if (int r = Preparar(a, {"recibo"}, c); r >= 0) return r;
  if (!a.Has("recibo")) return UsageError("informe --recibo NUMERO");
  TConsReciDFe m;
  m.SettpAmb(c.ambiente);
  m.SetnRec(a.Get("recibo"));
  m.GerarXML();
  return Emitir(ParaUTF8(m.Gerador().ArquivoFormatoXML()), m.Gerador().ListaDeAlertas());
}

int Cadastro(const std::vector<std::string>& words) {
  Args a(words, {"assinar"});
  Comum c;
  if (int r = Preparar(a, {"uf", "ie", "cnpj", "cpf"}, c); r >= 0) return r;
  int uf = 0;
  if (int r = UF(a, "uf", uf); r >= 0) return r;
  if (!a.Has("ie") && !a.Has("cnpj") && !a.Has("cpf")) return UsageError("informe --ie, --cnpj ou --cpf");
  TConsCad m;
  m.SetUF(CodigoUFParaSigla(uf));
  m.SetIE(DeUTF8(a.Get("ie")));
  m.SetCNPJ(a.Get("cnpj"));
  m.SetCPF(a.Get("cpf"));
  m.GerarXML();
  return Emitir(ParaUTF8(m.Gerador().ArquivoFormatoXML()), m.Gerador().ListaDeAlertas());
}

int Inutilizacao(const std::vector<std::string>& words) {
  Args a(words, {"assinar"});
  Comum c;
  if (int r = Preparar(a, {"uf", "ano", "cnpj", "modelo", "serie", "inicial", "final", "justificativa"}, c); r >= 0) return r;
  int uf = 0;
  if (int r = UF(a, "uf", uf); r >= 0) return r;
  long long ano = 0, modelo = 0, serie = 0, ini = 0, fin = 0;
  if (!Inteiro(a.Get("ano"), ano) || !Inteiro(a.Get("modelo", "55"), modelo) || !Inteiro(a.Get("serie"), serie) ||
      !Inteiro(a.Get("inicial"), ini) || !Inteiro(a.Get("final"), fin) || ini > 999999999 || fin > 999999999 ||
      ano > 9999 || serie > 999 || modelo > 99)
    return UsageError("informe --ano, --serie, --inicial e --final como números (--modelo 55 ou 65)");
  TinutNFe m;
  m.SettpAmb(c.ambiente);
  m.SetcUF(uf);
  m.Setano(static_cast<int>(ano));
  m.SetCNPJ(a.Get("cnpj"));
  m.Setmodelo(static_cast<int>(modelo));
  m.Setserie(static_cast<int>(serie));
  m.SetnNFIni(static_cast<int>(ini));
  m.SetnNFFin(static_cast<int>(fin));
  m.SetxJust(DeUTF8(a.Get("justificativa")));
  m.GerarXML();
  return Assinado(c, m.Gerador().ArquivoFormatoXML(), m.Gerador().ListaDeAlertas(), "inutNFe", "infInut", false);
}

int Distribuicao(const std::vector<std::string>& words) {
  Args a(words, {"assinar", "sem-envelope"});
  Comum c;
  if (int r = Preparar(a, {"uf-autor", "cnpj", "nsu", "chave", "ult-nsu", "sem-envelope"}, c); r >= 0) return r;
  int uf = 0;
  if (int r = UF(a, "uf-autor", uf); r >= 0) return r;
  if (!a.Has("cnpj")) return UsageError("informe --cnpj CNPJ/CPF do interessado");
  TDistDFeInt m("1.01", true, "chNFe", "consChNFe", a.Has("sem-envelope") ? "" : "nfeDadosMsg");
  m.SettpAmb(c.ambiente);
  m.SetcUFAutor(uf);
  m.SetCNPJCPF(a.Get("cnpj"));
  m.SetNSU(a.Get("nsu"));
  m.SetchNFe(a.Get("chave"));
  m.SetultNSU(a.Get("ult-nsu"));
  m.GerarXML();
  return Emitir(ParaUTF8(m.Gerador().ArquivoFormatoXML()), m.Gerador().ListaDeAlertas());
}

int Csc(const std::vector<std::string>& words) {
  Args a(words, {"assinar"});
  Comum c;
  if (int r = Preparar(a, {"raiz-cnpj", "op", "id-csc", "codigo-csc"}, c); r >= 0) return r;
  bool ok = false;
  TfscIndOp op = TextoParaIndOp(ok, a.Get("op"));
  if (!ok) return UsageError("--op deve ser 1 (consulta), 2 (novo) ou 3 (revogação)");
  long long id = 0;
  if (a.Has("id-csc") && !Inteiro(a.Get("id-csc"), id)) return UsageError("--id-csc deve ser um número");
  TAdmCSCNFCe m;
  m.SettpAmb(c.ambiente);
  m.SetindOp(op);
  m.SetraizCNPJ(a.Get("raiz-cnpj"));
  m.SetidCsc(static_cast<int>(id % 1000000));
  m.SetcodigoCsc(a.Get("codigo-csc"));
  m.GerarXML();
  return Emitir(ParaUTF8(m.Gerador().ArquivoFormatoXML()), m.Gerador().ListaDeAlertas());
}

struct TTipoCli {
  const char* nome;
  TfscTpEvento tipo;
};
constexpr TTipoCli kTipos[] = {
    {"cancelamento", teCancelamento},        {"cce", teCCe},
    {"confirmacao", teManifDestConfirmacao}, {"ciencia", teManifDestCiencia},
    {"desconhecimento", teManifDestDesconhecimento}, {"nao-realizada", teManifDestOperNaoRealizada},
    {"substituicao", teCancelamentoPorSubstituicao},
};

bool LerDataHora(const std::string& s, TDateTime& t) {
  // "YYYY-MM-DDThh:mm:ss"
  if (s.size() != 19 || s[4] != '-' || s[7] != '-' || (s[10] != 'T' && s[10] != ' ') || s[13] != ':' || s[16] != ':')
    return false;
  auto n = [&](int p, int k) {
    long long v = -1;
    Inteiro(s.substr(p, k), v);
    return static_cast<int>(v);
  };
  return TryEncodeDateTime(n(0, 4), n(5, 2), n(8, 2), n(11, 2), n(14, 2), n(17, 2), 0, t);
}

// The present instant on the clock of the state whose offset the event will carry: the
// machine's own wall clock may stand in another zone, and a time ahead of the state's is refused.
TDateTime AgoraNoFuso(int codigoUF) {
  const TDateTime utc = NowUTC();
  const std::string fuso = FusoHorario(CodigoUFParaSigla(codigoUF), utc);
  if (fuso.size() != 6 || (fuso[0] != '-' && fuso[0] != '+')) return Now();
  long long h = 0, m = 0;
  if (!Inteiro(fuso.substr(1, 2), h) || !Inteiro(fuso.substr(4, 2), m)) return Now();
  const double minutos = static_cast<double>(h * 60 + m) * (fuso[0] == '-' ? -1 : 1);
  return utc + minutos / 1440.0;
}

int Evento(const std::vector<std::string>& words) {
  Args a(words, {"assinar"});
  Comum c;
  if (int r = Preparar(a, {"tipo", "chave", "cnpj", "seq", "lote", "data", "orgao", "protocolo",
                                           "justificativa", "correcao", "chave-ref", "orgao-autor", "ver-aplic"}, c); r >= 0) return r;
  const TTipoCli* tipo = nullptr;
  for (const auto& t : kTipos)
    if (a.Get("tipo") == t.nome) tipo = &t;
  if (!tipo)
    return UsageError("--tipo deve ser cancelamento, cce, confirmacao, ciencia, desconhecimento, nao-realizada "
                      "ou substituicao");
  if (!a.Has("chave")) return UsageError("informe --chave CHAVE");
  long long seq = 1, lote = 1, orgao = 0, orgaoAutor = 0;
  if ((a.Has("seq") && (!Inteiro(a.Get("seq"), seq) || seq > 99)) ||
      (a.Has("lote") && !Inteiro(a.Get("lote"), lote)) || (a.Has("orgao") && (!Inteiro(a.Get("orgao"), orgao) || orgao > 99)) ||
      (a.Has("orgao-autor") && (!Inteiro(a.Get("orgao-autor"), orgaoAutor) || orgaoAutor > 99)))
    return UsageError("--seq, --lote, --orgao e --orgao-autor são números");
  TDateTime data = 0;
  if (a.Has("data")) {
    if (!LerDataHora(a.Get("data"), data)) return UsageError("--data deve ser AAAA-MM-DDThh:mm:ss");
  } else {
    data = AgoraNoFuso(static_cast<int>(orgao ? orgao : UFDaChave(a.Get("chave"))));
  }

  TEventoNFe m;
  m.SetidLote(lote);
  TInfEvento& ev = m.Evento().New().InfEvento();
  ev.SettpAmb(c.ambiente);
  ev.SetCNPJ(a.Get("cnpj"));
  ev.SetchNFe(a.Get("chave"));
  ev.SetcOrgao(static_cast<int>(orgao));
  ev.SetdhEvento(data);
  ev.SettpEvento(tipo->tipo);
  ev.SetnSeqEvento(static_cast<int>(seq));
  TDetEvento& d = ev.detEvento();
  d.SetnProt(a.Get("protocolo"));
  d.SetxJust(DeUTF8(a.Get("justificativa")));
  d.SetxCorrecao(DeUTF8(a.Get("correcao")));
  d.SetchNFeRef(a.Get("chave-ref"));
  d.SetcOrgaoAutor(static_cast<int>(orgaoAutor ? orgaoAutor : ev.cOrgaoEfetivo()));
  d.SetverAplic(a.Get("ver-aplic", "tuim"));
  m.GerarXML();
  return Assinado(c, m.Gerador().ArquivoFormatoXML(), m.Gerador().ListaDeAlertas(), "evento", "infEvento", true);
}

const char* const kAjudaComum =
    "Opções comuns: --ambiente 1|2 (padrão 2, homologação), --fuso -03:00 (padrão: fuso da UF),\n"
    "--assinar --pfx ARQUIVO --senha S (inutilizacao e evento).\n"
    "A mensagem sai em UTF-8 na saída padrão; alertas vão para a saída de erro (saída 1).\n";

const CommandRegistrar kMensagem({
    "mensagem",
    "mensagens dos serviços da NF-e (status, consulta, recibo, cadastro, inutilizacao, distribuicao, csc, evento)",
    std::string("Uso: tuim mensagem TIPO [opções]\n\n") + kAjudaComum,
    [](const std::vector<std::string>& w) { return RunSubCommand("mensagem", w); }});

const SubCommandRegistrar kStatus({"mensagem", "status", "consulta de status do serviço (consStatServ)",
                                   "Uso: tuim mensagem status --uf UF [--ambiente 1|2]\n", Status});
const SubCommandRegistrar kConsulta({"mensagem", "consulta", "consulta de protocolo por chave (consSitNFe)",
                                     "Uso: tuim mensagem consulta --chave CHAVE [--ambiente 1|2]\n", Consulta});
const SubCommandRegistrar kRecibo({"mensagem", "recibo", "consulta de recibo de lote (consReciNFe)",
                                   "Uso: tuim mensagem recibo --recibo NUMERO [--ambiente 1|2]\n", Recibo});
const SubCommandRegistrar kCadastro({"mensagem", "cadastro", "consulta de cadastro de contribuinte (ConsCad)",
                                     "Uso: tuim mensagem cadastro --uf UF (--ie IE | --cnpj CNPJ | --cpf CPF)\n",
                                     Cadastro});
const SubCommandRegistrar kInutilizacao(
    {"mensagem", "inutilizacao", "inutilização de numeração (inutNFe)",
     "Uso: tuim mensagem inutilizacao --uf UF --ano AA --cnpj CNPJ [--modelo 55] --serie S --inicial N --final N\n"
     "                                --justificativa TEXTO [--assinar --pfx ARQUIVO --senha S]\n",
     Inutilizacao});
const SubCommandRegistrar kDistribuicao(
    {"mensagem", "distribuicao", "distribuição de DF-e de interesse (distDFeInt)",
     "Uso: tuim mensagem distribuicao --uf-autor UF --cnpj CNPJ|CPF (--nsu N | --chave CHAVE | --ult-nsu N)\n"
     "                                [--sem-envelope]\n",
     Distribuicao});
const SubCommandRegistrar kCsc({"mensagem", "csc", "administração do CSC da NFC-e (admCscNFCe)",
                                "Uso: tuim mensagem csc --raiz-cnpj RAIZ --op 1|2|3 [--id-csc N --codigo-csc C]\n",
                                Csc});
const SubCommandRegistrar kEvento(
    {"mensagem", "evento", "lote de um evento (envEvento)",
     "Uso: tuim mensagem evento --tipo cancelamento|cce|confirmacao|ciencia|desconhecimento|nao-realizada|\n"
     "                          substituicao --chave CHAVE [--cnpj AUTOR] [--seq 1] [--lote 1] [--orgao N]\n"
     "                          [--data AAAA-MM-DDThh:mm:ss] [--protocolo P] [--justificativa J] [--correcao X]\n"
     "                          [--chave-ref CHAVE] [--orgao-autor N] [--ver-aplic V]\n"
     "                          [--assinar --pfx ARQUIVO --senha S]\n",
     Evento});

}  // namespace
}  // namespace tuim::cli
