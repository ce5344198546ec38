#include "integrator/TuimIntegrador.h"

#include <libxml/parser.h>
#include <libxml/tree.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <thread>

#include <fcntl.h>
#include <unistd.h>

#include "fiscal/TuimUtil.h"

namespace tuim {
namespace fs = std::filesystem;

namespace {

const char kPastaDescartadas[] = "descartadas";

struct LiberarDoc {
  void operator()(xmlDoc* d) const { xmlFreeDoc(d); }
};
using Doc = std::unique_ptr<xmlDoc, LiberarDoc>;

// Parses an answer as a whole document: a half-written file does not parse. No DTD, no
// entities from outside, no network.
Doc Analisar(const std::string& utf8) {
  return Doc(xmlReadMemory(utf8.data(), static_cast<int>(utf8.size()), nullptr, nullptr,
                           XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING));
}

bool Nome(const xmlNode* n, const char* nome) {
  return n && n->type == XML_ELEMENT_NODE && xmlStrcasecmp(n->name, BAD_CAST nome) == 0;
}

const xmlNode* Primeiro(const xmlNode* n, const char* nome) {
  for (; n; n = n->next) {
    if (Nome(n, nome)) return n;
    if (n->type == XML_ELEMENT_NODE)
      if (const xmlNode* f = Primeiro(n->children, nome)) return f;
  }
  return nullptr;
}

const xmlNode* Filho(const xmlNode* n, const char* nome) {
  if (!n) return nullptr;
  for (const xmlNode* c = n->children; c; c = c->next)
    if (Nome(c, nome)) return c;
  return nullptr;
}

std::string Texto(const xmlNode* n) {
  if (!n) return "";
  xmlChar* t = xmlNodeGetContent(n);
  std::string r = t ? reinterpret_cast<const char*>(t) : "";
  xmlFree(t);
  return Trim(DeUTF8(r));
}

int Inteiro(const std::string& s) {
  if (s.empty() || s.size() > 9 || !std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; }))
    return -1;
  return std::stoi(s);
}

// The session number an answer carries, -1 when it carries none.
int SessaoDaResposta(const xmlDoc* d) {
  const xmlNode* id = Primeiro(xmlDocGetRootElement(d), "Identificador");
  return Inteiro(Texto(Filho(id, "Valor")));
}

bool ArquivoRegular(const fs::path& p, std::uintmax_t limite) {
  std::error_code ec;
  auto st = fs::status(p, ec);
  if (ec || !fs::is_regular_file(st)) return false;
  auto tamanho = fs::file_size(p, ec);
  return !ec && tamanho <= limite;
}

bool LerTudo(const fs::path& p, std::uintmax_t limite, std::string& conteudo) {
  std::ifstream f(p, std::ios::binary);
  if (!f) return false;
  conteudo.assign(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
  return !f.bad() && conteudo.size() <= limite;
}

bool NomeMetodoValido(const std::string& s) {
  return !s.empty() && std::all_of(s.begin(), s.end(), [](char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' || c == '-';
  });
}

}  // namespace

void TRelogioIntegrador::Dormir(int milissegundos) {
  std::this_thread::sleep_for(std::chrono::milliseconds(milissegundos));
}

// ---- TIntegradorResposta --------------------------------------------------------------------

void TIntegradorResposta::Limpar() {
  fIdentificador = 0;
  fCodigo.clear();
  fValor.clear();
}

void TIntegradorResposta::LerResposta(const std::string& resposta) {
  Limpar();
  Doc d = Analisar(ParaUTF8(resposta));
  if (!d) return;
  const xmlNode* raiz = xmlDocGetRootElement(d.get());
  fIdentificador = std::max(0, SessaoDaResposta(d.get()));
  const xmlNode* r = Primeiro(raiz, "IntegradorResposta");
  fCodigo = Texto(Filho(r, "Codigo"));
  fValor = Texto(Filho(r, "Valor"));
}

// ---- TComandoIntegrador ---------------------------------------------------------------------

TComandoIntegrador::TComandoIntegrador(TTuimIntegrador& owner) : fOwner(owner) {}

void TComandoIntegrador::Limpar() {
  fErro.clear();
  fResposta.clear();
  fErroTimeout = false;
  fSituacao = scNenhum;
  fIntegradorResposta.Limpar();
}

void TComandoIntegrador::Falhar(const std::string& msg) {
  fOwner.GravarLog("EComandoIntegradorException: " + msg);
  throw EComandoIntegradorException(msg);
}

std::string TComandoIntegrador::CriarArquivo(const std::string& nome, const std::string& xml) {
  fs::path tmp(nome);
  tmp.replace_extension(".tmp");
  fOwner.GravarLog("Criando arquivo: " + tmp.string());
  // Written whole and flushed to disk under a name the integrator ignores, then renamed: the
  // command appears in the input folder only when complete.
  std::string utf8 = ParaUTF8(xml);
  int fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  bool ok = fd >= 0;
  for (std::size_t feito = 0; ok && feito < utf8.size();) {
    ssize_t n = ::write(fd, utf8.data() + feito, utf8.size() - feito);
    if (n < 0 && errno == EINTR) continue;
    ok = n > 0;
    if (ok) feito += static_cast<std::size_t>(n);
  }
  if (fd >= 0) {
    ok = ::fsync(fd) == 0 && ok;
    ok = ::close(fd) == 0 && ok;
  }
  if (!ok) {
    std::error_code ec;
    fs::remove(tmp, ec);
    Falhar("Erro ao criar o arquivo: " + tmp.string());
  }
  fs::path final = tmp;
  final.replace_extension(".xml");
  fOwner.GravarLog("Renomeando arquivo: " + tmp.string() + " para: " + final.string());
  std::error_code ec;
  fs::rename(tmp, final, ec);
  if (ec) {
    fs::remove(tmp, ec);
    Falhar("Erro ao renomear o arquivo: " + tmp.string() + " para: " + final.string());
  }
  return final.string();
}

std::vector<std::pair<std::string, std::string>> TComandoIntegrador::RespostasDaSessao(int sessao) {
  std::vector<std::pair<std::string, std::string>> r;
  std::vector<std::string> arquivos;
  ListarArquivos(CaminhoComBarra(fPastaOutput) + "*.xml", arquivos, true, 0, 0);
  for (const std::string& a : arquivos) {
    // Only regular files within the size limit: a FIFO would block, a folder cannot be read.
    if (!ArquivoRegular(a, fTamanhoMaximo)) continue;
    std::string conteudo;
    if (!LerTudo(a, fTamanhoMaximo, conteudo)) continue;
    // A file still being written does not parse; it is left for the next look.
    Doc d = Analisar(conteudo);
    if (!d || SessaoDaResposta(d.get()) != sessao) continue;
    r.emplace_back(a, Trim(DeUTF8(conteudo)));
  }
  return r;
}

std::string TComandoIntegrador::AguardarResposta(int sessao) {
  fOwner.GravarLog(FormatarDataHoraBr(fOwner.Relogio().AgoraCivil(), "dd/mm/yyyy hh:nn:ss") +
                   " - AguardaArqResposta, sessao: " + std::to_string(sessao));
  for (auto& [arquivo, conteudo] : RespostasDaSessao(sessao)) {
    std::error_code ec;
    // Another process sharing the folder may have consumed it first; then it is theirs.
    if (!fs::remove(arquivo, ec)) continue;
    return conteudo;
  }
  return "";
}

bool TComandoIntegrador::ExisteResposta(int sessao) { return !RespostasDaSessao(sessao).empty(); }

int TComandoIntegrador::AfastarRespostas(int sessao) {
  int n = 0;
  for (auto& [arquivo, conteudo] : RespostasDaSessao(sessao)) {
    fs::path destino = fs::path(CaminhoComBarra(fPastaOutput)) / kPastaDescartadas;
    std::error_code ec;
    fs::create_directories(destino, ec);
    fs::path alvo = destino / fs::path(arquivo).filename();
    for (int i = 1; fs::exists(alvo, ec); ++i)
      alvo = destino / (fs::path(arquivo).stem().string() + "-" + std::to_string(i) + ".xml");
    fs::rename(arquivo, alvo, ec);
    if (!ec) {
      fOwner.GravarLog("Resposta antiga afastada: " + arquivo + " para: " + alvo.string());
      ++n;
    }
  }
  return n;
}

std::string TComandoIntegrador::ExtrairResultado(const std::string& resposta) {
  Doc d = Analisar(ParaUTF8(resposta));
  if (!d) return resposta;
  const xmlNode* raiz = xmlDocGetRootElement(d.get());
  const xmlNode* r = Primeiro(raiz, "retorno");
  if (!r) r = Primeiro(raiz, "Resposta");
  std::string resultado = Texto(r);
  if (const xmlNode* e = Primeiro(raiz, "Erro")) {
    xmlBuffer* b = xmlBufferCreate();
    xmlNodeDump(b, d.get(), const_cast<xmlNode*>(e), 0, 0);
    fErro = DeUTF8(reinterpret_cast<const char*>(xmlBufferContent(b)));
    xmlBufferFree(b);
  }
  if (resultado.empty() && fErro.empty()) return resposta;
  return resultado;
}

std::string TComandoIntegrador::EnviarComando(int sessao, const std::string& baseNome, int timeout,
                                              const std::string& xml) {
  using std::chrono::seconds;
  Limpar();
  TRelogioIntegrador& relogio = fOwner.Relogio();
  const std::string base = CaminhoComBarra(fPastaInput) + LowerCase(baseNome) + "-" + std::to_string(sessao);
  std::string arquivo = CriarArquivo(base, xml);

  auto agora = relogio.Agora();
  auto proximaVerificacao = agora + seconds(5);
  int t = timeout >= 1 ? timeout : fTimeout;
  if (t <= 25) t = 25;
  const auto limite = agora + seconds(t);

  std::string resposta = AguardarResposta(sessao);
  while (resposta.empty() && agora < limite) {
    relogio.Dormir(100);
    resposta = AguardarResposta(sessao);
    agora = relogio.Agora();
    if (agora > proximaVerificacao) {
      proximaVerificacao = agora + seconds(5);
      std::error_code ec;
      if (fs::exists(arquivo, ec)) {
        // Not taken yet: the same file is renamed to wake the integrator again; never a
        // second copy of the command.
        std::string novo = base + "-" + FormatarDataHoraBr(relogio.AgoraCivil(), "hhnnss") + ".xml";
        if (novo != arquivo) {
          fOwner.GravarLog("Renomeando arquivo não processado: " + arquivo + " para: " + novo);
          fs::rename(arquivo, novo, ec);
          if (!ec) arquivo = novo;
        }
      }
    }
  }

  std::error_code ec;
  bool naoRecebido = false;
  if (fs::exists(arquivo, ec)) {
    fOwner.GravarLog("Apagando arquivo: " + arquivo);
    // Removed by us: the integrator never had it. Gone already: the integrator took it.
    naoRecebido = fs::remove(arquivo, ec);
  }
  if (resposta.empty()) {
    fErroTimeout = true;
    fSituacao = naoRecebido ? scNaoRecebido : scRecebidoSemResposta;
    Falhar("Sem Resposta do Integrador");
  }
  fSituacao = scRespondido;
  fOwner.GravarLog("RespostaIntegrador: " + resposta);
  fResposta = resposta;
  fIntegradorResposta.LerResposta(resposta);
  if (fIntegradorResposta.Codigo() == "EE") return resposta;
  return ExtrairResultado(resposta);
}

// ---- TMetodo, TParametro --------------------------------------------------------------------

void TMetodo::Abrir(const std::string& nome) {
  fGerador.EscreverGrupo("Metodo Nome=\"" + nome + "\"");
  if (fAdicionarParametros) fGerador.EscreverGrupo("Parametros");
}

void TMetodo::Fechar() {
  if (fAdicionarParametros) fGerador.EscreverGrupo("/Parametros");
  fGerador.EscreverGrupo("/Metodo");
}

void TParametro::Escrever(const std::string& nome, const std::string& valor) {
  // A CDATA section must reach the file as it is, so it skips the text treatment.
  bool tratar = valor.find("<![CDATA[") == std::string::npos;
  fGerador.EscreverGrupo("Parametro");
  fGerador.EscreverCampo(fcTexto, "", "Nome", 1, 99, 1, nome, "Nome do Par\xE2metro");
  fGerador.EscreverCampo(fcTexto, "", "Valor", 1, 99, 1, valor, "Valor do Par\xE2metro", tratar);
  fGerador.EscreverGrupo("/Parametro");
}

// ---- TTuimIntegrador ------------------------------------------------------------------------

TTuimIntegrador::TTuimIntegrador(TTuimComponent* owner)
    : TTuimIntegradorBase(owner),
      fGerador(std::make_unique<TGerador>()),
      fComando(std::make_unique<TComandoIntegrador>(*this)),
      fParametro(std::make_unique<TParametro>(*fGerador)),
      fMetodo(std::make_unique<TMetodo>(*fGerador)) {
  // Seeded by the operating system, so that processes sharing the folders do not draw alike.
  std::random_device rd;
  std::seed_seq semente{rd(), rd(), rd(), rd()};
  fAleatorio.seed(semente);
  SetPastaInput("/Integrador/Input/");
  SetPastaOutput("/Integrador/Output/");
  Limpar();
}

TTuimIntegrador::~TTuimIntegrador() = default;

void TTuimIntegrador::SetPastaInput(const std::string& v) {
  if (v != fComando->PastaInput()) fComando->SetPastaInput(CaminhoComBarra(v));
}

void TTuimIntegrador::SetPastaOutput(const std::string& v) {
  if (v != fComando->PastaOutput()) fComando->SetPastaOutput(CaminhoComBarra(v));
}

void TTuimIntegrador::SetRelogio(TRelogioIntegrador* r) { fRelogio = r ? r : &fRelogioReal; }

void TTuimIntegrador::Limpar() {
  fNumeroSessao = 0;
  fNomeMetodo.clear();
  fNomeComponente.clear();
  fParametros.clear();
}

void TTuimIntegrador::DefinirMetodo(const std::string& nome, bool homologacao) {
  fNomeMetodo = homologacao ? "H" + nome : nome;
}

void TTuimIntegrador::SetParametro(const std::string& nome, const std::string& valor) {
  std::string linha = nome + "=" + valor;
  for (std::string& p : fParametros)
    if (p.compare(0, nome.size() + 1, nome + "=") == 0) {
      p = linha;
      return;
    }
  fParametros.push_back(linha);
}

std::string TTuimIntegrador::Parametro(const std::string& nome) const {
  for (const std::string& p : fParametros)
    if (p.compare(0, nome.size() + 1, nome + "=") == 0) return p.substr(nome.size() + 1);
  return "";
}

int TTuimIntegrador::GerarNumeroSessao() {
  std::uniform_int_distribution<int> faixa(1, 999999);
  int n = faixa(fAleatorio);
  // A number with an answer already waiting would take that stale answer for ours.
  for (int i = 0; i < 20 && fComando->ExisteResposta(n); ++i) n = faixa(fAleatorio);
  if (OnGetNumeroSessao) {
    int escolhido = n;
    OnGetNumeroSessao(escolhido);
    if (escolhido > 0) {
      // The host insists on its number: what already answers it is stale and moved aside.
      if (escolhido != n) fComando->AfastarRespostas(escolhido);
      n = escolhido;
    }
  }
  if (fComando->ExisteResposta(n)) fComando->AfastarRespostas(n);
  return n;
}

std::string TTuimIntegrador::MontarComando() {
  TGerador& g = *fGerador;
  g.SetArquivoFormatoXML("");
  g.SetArquivoFormatoTXT("");
  g.LayoutArquivoTXT().clear();
  g.ListaDeAlertas().clear();
  g.EscreverGrupo("Integrador");
  g.EscreverGrupo("Identificador");
  g.EscreverCampo(fcTexto, "", "Valor", 1, 99, 1, std::to_string(fNumeroSessao), "Valor do Identificador");
  g.EscreverGrupo("/Identificador");
  g.EscreverGrupo("Componente Nome=\"" + fNomeComponente + "\"");
  fMetodo->SetAdicionarParametros(true);
  fMetodo->Abrir(fNomeMetodo);
  for (const std::string& p : fParametros) {
    std::size_t igual = p.find('=');
    fParametro->Escrever(p.substr(0, igual), igual == std::string::npos ? "" : p.substr(igual + 1));
  }
  fMetodo->Fechar();
  g.EscreverGrupo("/Componente");
  g.EscreverGrupo("/Integrador");
  return g.ArquivoFormatoXML();
}

std::string TTuimIntegrador::Enviar(bool adicionarNumeroSessao) {
  fRespostas.clear();
  fComando->Limpar();
  auto falhar = [this](const std::string& msg) {
    GravarLog("EIntegradorException: " + msg);
    throw EIntegradorException(msg);
  };
  if (fNomeMetodo.empty()) falhar("NomeMetodo n\xE3o definido");
  // The method name becomes part of a file name.
  if (!NomeMetodoValido(fNomeMetodo)) falhar("NomeMetodo inv\xE1lido: " + fNomeMetodo);
  fNumeroSessao = GerarNumeroSessao();
  if (adicionarNumeroSessao) {
    // A retry replaces the number of the earlier try instead of adding another.
    fParametros.erase(std::remove_if(fParametros.begin(), fParametros.end(),
                                     [](const std::string& p) { return p.rfind("numeroSessao=", 0) == 0; }),
                      fParametros.end());
    fParametros.insert(fParametros.begin(), "numeroSessao=" + std::to_string(fNumeroSessao));
  }
  fXMLComando = MontarComando();
  std::string base = fNomeMetodo + "-" + DataHoraParaTexto14(fRelogio->AgoraCivil());
  GravarLog("Sess\xE3o: " + std::to_string(fNumeroSessao) + ", Dados: " + fXMLComando);
  std::string resultado = fComando->EnviarComando(fNumeroSessao, base, 0, fXMLComando);
  GravarLog("Sess\xE3o: " + std::to_string(fNumeroSessao) + ", Resposta: " + resultado);
  if (resultado.empty()) falhar(fComando->Erro().empty() ? "Sem resposta do Integrador" : fComando->Erro());
  if (resultado.compare(0, 2, "\\\"") == 0) resultado.erase(0, 2);
  SepararTexto(resultado, '|', fRespostas, '|');
  return resultado;
}

void TTuimIntegrador::GravarLog(const std::string& linha) {
  bool tratado = false;
  if (OnGravarLog) OnGravarLog(linha, tratado);
  if (!tratado && !fArqLOG.empty())
    tuim::GravarLog(fArqLOG, FormatarDataHoraBr(fRelogio->AgoraCivil(), "dd/mm/yy hh:nn:ss:zzz") + " - " + linha);
}

}  // namespace tuim
