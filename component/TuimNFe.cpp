#include "component/TuimNFe.h"

#include <algorithm>
#include <cmath>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "component/TuimEventoNFe.h"
#include "component/TuimMensagemDFe.h"
#include "component/TuimNotasFiscais.h"
#include "fiscal/TuimUtil.h"
#include "fiscal/fscConversaoReforma.h"
#include "transport/TuimTransporte.h"
#include "xml/TuimNFeReforma.h"

namespace tuim {

namespace {

long long Centesimos(double v) { return std::llround(v * 100.0); }

bool TerminaComXsd(const std::string& nome) {
  return nome.size() > 4 && LowerCase(nome.substr(nome.size() - 4)) == ".xsd";
}

// The alternative body mirrors the message line for line: a final line break still ends an
// (empty) last line, and an empty message is one empty line.
std::vector<std::string> Linhas(const std::string& texto) {
  std::vector<std::string> r = DividirLinhas(texto);
  if (texto.empty() || texto.back() == '\n') r.emplace_back();
  return r;
}

std::string Juntar(const std::vector<std::string>& linhas) {
  std::string r;
  for (std::size_t i = 0; i < linhas.size(); ++i) {
    if (i) r += "\r\n";
    r += linhas[i];
  }
  return r;
}

bool NomeArquivoSeguro(const std::string& nome) {
  if (nome.empty() || nome == "." || nome.find("..") != std::string::npos) return false;
  for (char c : nome)
    if (c == '/' || c == '\\' || static_cast<unsigned char>(c) < 0x20) return false;
  return true;
}

// A ".." component anywhere in a folder path.
bool SobeDePasta(const std::string& dir) {
  for (std::size_t i = 0; (i = dir.find("..", i)) != std::string::npos; i += 2) {
    bool inicio = i == 0 || dir[i - 1] == '/' || dir[i - 1] == '\\';
    bool fim = i + 2 == dir.size() || dir[i + 2] == '/' || dir[i + 2] == '\\';
    if (inicio && fim) return true;
  }
  return false;
}

// The file, resolved, is a direct child of the folder, resolved.
bool DentroDaPasta(const std::string& dir, const std::string& arquivo) {
  namespace fs = std::filesystem;
  std::error_code ec;
  fs::path base = fs::absolute(fs::path(dir), ec).lexically_normal();
  if (ec) return false;
  fs::path alvo = fs::absolute(fs::path(arquivo), ec).lexically_normal();
  if (ec) return false;
  if (!base.has_filename()) base = base.parent_path();
  return alvo.parent_path() == base && alvo.filename() != ".." && alvo.filename() != ".";
}

// A temporary file beside the target, written, flushed to disk and closed with every step
// checked, then renamed over the target: a crash or a full disk never leaves a half file
// where the old document was.
void GravarSubstituindo(const std::string& caminho, const std::string& texto) {
  std::size_t barra = caminho.find_last_of('/');
  std::string dir = barra == std::string::npos ? std::string(".") : caminho.substr(0, barra);
  if (dir.empty()) dir = "/";
  std::string nome = barra == std::string::npos ? caminho : caminho.substr(barra + 1);
  std::string temp = (barra == std::string::npos ? std::string() : caminho.substr(0, barra + 1)) + "." + nome +
                     ".tmpXXXXXX";
  int fd = ::mkstemp(temp.data());
  if (fd < 0) throw ETuimDFeException("Não foi possível criar " + caminho + ": " + std::strerror(errno));
  auto falhar = [&](const std::string& etapa, int erro) {
    ::unlink(temp.c_str());
    throw ETuimDFeException("Erro ao gravar " + caminho + " (" + etapa + "): " + std::strerror(erro));
  };
  ::fchmod(fd, 0644);
  const char* p = texto.data();
  std::size_t falta = texto.size();
  while (falta > 0) {
    ssize_t n = ::write(fd, p, falta);
    if (n < 0) {
      if (errno == EINTR) continue;
      int e = errno;
      ::close(fd);
      falhar("write", e);
    }
    p += n;
    falta -= static_cast<std::size_t>(n);
  }
  if (::fsync(fd) != 0) {
    int e = errno;
    ::close(fd);
    falhar("fsync", e);
  }
  if (::close(fd) != 0) falhar("close", errno);
  if (::rename(temp.c_str(), caminho.c_str()) != 0) falhar("rename", errno);
  // The new name itself is made durable with the folder.
  int dfd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY);
  if (dfd >= 0) {
    ::fsync(dfd);
    ::close(dfd);
  }
}

}  // namespace

// ---- TTuimDFe -------------------------------------------------------------------------------

TTuimDFe::TTuimDFe(TTuimComponent* owner) : TTuimComponent(owner) {}

void TTuimDFe::Inicializar() {
  // Before the facade chooses its HTTP backend, so that the stored choice finds its class.
  RegistrarTransporte();
  // The facade exists before the tree, so that no setter can forward into nothing.
  fSSL = std::make_unique<TDFeSSL>();
  fConfiguracoes = CriarConfiguracoes();
  fConfiguracoes->SetName("Configuracoes");
  fMAIL = nullptr;
  fIntegrador = nullptr;
  fSchemas.clear();
  fPastaSchemas.clear();

  const TCertificadosConf& cert = fConfiguracoes->Certificados();
  const TWebServicesConf& ws = fConfiguracoes->WebServices();
  const TGeralConf& geral = fConfiguracoes->Geral();
  fSSL->SetArquivoPFX(cert.ArquivoPFX());
  fSSL->SetDadosPFX(cert.DadosPFX());
  fSSL->SetNameSpaceURI(NameSpaceURI());
  fSSL->SetNumeroSerie(cert.NumeroSerie());
  fSSL->SetSenha(cert.Senha());
  fSSL->SetProxyHost(ws.ProxyHost());
  fSSL->SetProxyPass(ws.ProxyPass());
  fSSL->SetProxyPort(ws.ProxyPort());
  fSSL->SetProxyUser(ws.ProxyUser());
  fSSL->SetTimeOut(ws.TimeOut());
  fSSL->SetTimeOutPorThread(ws.TimeOutPorThread());
  fSSL->SetSSLCryptLib(geral.SSLCryptLib());
  fSSL->SetSSLHttpLib(geral.SSLHttpLib());
  fSSL->SetSSLXmlSignLib(geral.SSLXmlSignLib());

  OnGerarLog = nullptr;
  OnTransmit = nullptr;
  OnTransmitError = nullptr;

  // Nothing is read here: the catalogue is loaded on the first lookup.
  fCatalogo = std::make_unique<TCatalogoServicos>();
  fCatalogoCarregado = false;
}

TTuimDFe::~TTuimDFe() {
  SetMAIL(nullptr);
  SetIntegrador(nullptr);
  fSSL.reset();
  fSchemas.clear();
  fConfiguracoes.reset();
  fCatalogo.reset();
}

std::unique_ptr<TConfiguracoes> TTuimDFe::CriarConfiguracoes() { return std::make_unique<TConfiguracoes>(this); }

void TTuimDFe::SetMAIL(TTuimMailBase* v) {
  if (v == fMAIL) return;
  if (fMAIL) RemoveFreeNotification(fMAIL);
  fMAIL = v;
  if (fMAIL) FreeNotification(fMAIL);
}

void TTuimDFe::SetIntegrador(TTuimIntegradorBase* v) {
  if (v == fIntegrador) return;
  if (fIntegrador) RemoveFreeNotification(fIntegrador);
  fIntegrador = v;
  if (fIntegrador) FreeNotification(fIntegrador);
}

// Only the link to the component that goes away is cleared, not a link to another one.
void TTuimDFe::Notification(TTuimComponent* component, TOperation operation) {
  TTuimComponent::Notification(component, operation);
  if (operation != opRemove || !component) return;
  if (fMAIL && component == fMAIL)
    fMAIL = nullptr;
  else if (fIntegrador && component == fIntegrador)
    fIntegrador = nullptr;
}

TDFeSSLAntesDeAssinar TTuimDFe::OnAntesDeAssinar() const { return fSSL->AntesDeAssinar; }

void TTuimDFe::SetOnAntesDeAssinar(TDFeSSLAntesDeAssinar v) { fSSL->AntesDeAssinar = std::move(v); }

void TTuimDFe::RegistrarLog(const std::string& linha, bool& tratado) {
  tratado = false;
  if (!linha.empty() && OnGerarLog) OnGerarLog(linha, tratado);
}

void TTuimDFe::TratarErro(const std::string& mensagem, const std::exception* erro) {
  std::string texto = mensagem;
  if (erro) texto += std::string("\r\n") + erro->what();
  bool tratado = false;
  RegistrarLog("ERRO: " + texto, tratado);
  if (!tratado) throw ETuimDFeException(ETuimDFeException::Unchanged{}, texto);
}

bool TTuimDFe::GravarArquivo(const std::string& nomeArquivo, const std::string& conteudo, bool conteudoUTF8,
                             const std::string& pasta, bool caminhoCompleto) {
  try {
    std::size_t barra = nomeArquivo.find_last_of("/\\");
    std::string nome = barra == std::string::npos ? nomeArquivo : nomeArquivo.substr(barra + 1);
    if (nome.empty()) throw ETuimDFeException("Nome de arquivo não informado");
    if (!NomeArquivoSeguro(nome)) throw ETuimDFeException("Nome de arquivo inválido: " + nomeArquivo);
    std::string dir;
    if (barra != std::string::npos) {
      // Only a path the caller built itself chooses its folder; a name from outside never does.
      if (!caminhoCompleto) throw ETuimDFeException("Nome de arquivo inválido: " + nomeArquivo);
      dir = nomeArquivo.substr(0, barra + 1);
      if (SobeDePasta(dir)) throw ETuimDFeException("Nome de arquivo inválido: " + nomeArquivo);
    }
    if (dir.empty()) dir = pasta;
    if (dir.empty()) dir = fConfiguracoes->Arquivos().PathSalvar();
    dir = CaminhoComBarra(dir);
    if (!DentroDaPasta(dir, dir + nome)) throw ETuimDFeException("Nome de arquivo inválido: " + nomeArquivo);

    std::string texto = RemoverTexto("<-><->", conteudo);
    if (!conteudoUTF8 || XmlEmUTF8(texto))
      texto = ConverterXmlUTF8(texto);
    else
      texto = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>" + texto;

    if (!dir.empty() && !CriarPasta(dir)) throw ETuimDFeException("Não foi possível criar a pasta " + dir);
    GravarSubstituindo(dir + nome, texto);
    return true;
  } catch (const std::exception& e) {
    TratarErro("Erro ao salvar.", &e);
    return false;
  }
}

std::string TTuimDFe::VersaoDoNomeSchema(const std::string& nomeArquivo) const {
  std::size_t p = nomeArquivo.find(kSeparadorVersao);
  if (p == std::string::npos) return "";
  std::string resto = nomeArquivo.substr(p + 2);
  std::size_t q = resto.find(".xsd");
  return q == std::string::npos ? resto : resto.substr(0, q);
}

std::string TTuimDFe::FormatarVersao(double versao) const {
  return Centesimos(versao) > 0 ? FormatarVersaoCatalogo(versao) : "";
}

double TTuimDFe::LerVersao(const std::string& texto) const { return LerVersaoCatalogo(texto); }

std::string TTuimDFe::LocalizarSchema(const std::string& schema, double& versao) {
  if (schema.empty()) return "";
  std::string pasta = fConfiguracoes->Arquivos().PathSchemas();
  if (pasta != fPastaSchemas) {
    fSchemas.clear();
    fPastaSchemas = pasta;
  }
  if (fSchemas.empty() && !pasta.empty()) {
    std::error_code ec;
    for (std::filesystem::directory_iterator it(pasta, ec), fim; !ec && it != fim; it.increment(ec)) {
      std::error_code ec2;
      if (!it->is_regular_file(ec2)) continue;
      std::string nome = it->path().filename().string();
      if (TerminaComXsd(nome)) fSchemas.push_back(nome);
    }
    std::sort(fSchemas.begin(), fSchemas.end());
  }
  if (fSchemas.empty()) throw ETuimDFeException("Nenhum arquivo de Schema encontrado na pasta: \r\n" + pasta);

  std::string procurado = Centesimos(versao) != 0 ? schema + kSeparadorVersao + FormatarVersao(versao) + ".xsd"
                                                  : schema + ".xsd";
  std::string resultado;
  double encontrada = 0;
  for (const auto& nome : fSchemas) {
    if (TextosIguaisSemCaixa(nome, procurado)) {
      resultado = nome;
      encontrada = versao;
      break;
    }
  }
  if (resultado.empty() && versao > 0) {
    std::string prefixo = schema + kSeparadorVersao;
    for (const auto& nome : fSchemas) {
      if (nome.compare(0, prefixo.size(), prefixo) != 0) continue;
      double v = LerVersao(VersaoDoNomeSchema(nome));
      if (Centesimos(v) > 0 && Centesimos(v) > Centesimos(encontrada) && Centesimos(v) <= Centesimos(versao)) {
        encontrada = v;
        resultado = nome;
      }
    }
  }
  versao = encontrada;
  return resultado.empty() ? "" : pasta + resultado;
}

void TTuimDFe::EnviarPorEmail(const std::string& para, const std::string& assunto,
                              const std::vector<std::string>& mensagem, const std::vector<std::string>& cc,
                              const std::vector<std::string>& anexos, const std::string* documento,
                              const std::string& nomeDocumento, const std::vector<std::string>& replyTo) {
  if (!fMAIL) throw ETuimDFeException("Componente TuimMail não associado");
  TTuimMailBase& m = *fMAIL;
  m.Limpar();
  m.AdicionarDestinatario(para);
  m.SetSubject(assunto);
  if (!mensagem.empty()) {
    m.SetCorpo(mensagem);
    // Tags are removed from the whole text, so a tag that spans two lines goes too.
    m.SetCorpoAlternativo(Linhas(RemoverTags(Juntar(mensagem))));
  }
  m.LimparAnexos();
  if (documento) m.AnexarStream(*documento, nomeDocumento);
  for (const auto& a : anexos) m.AnexarArquivo(a);
  for (const auto& c : cc) m.AdicionarCopia(c);
  for (const auto& r : replyTo) m.AdicionarResponderPara(r);
  m.Enviar();
}

// ---- TTuimNFe -------------------------------------------------------------------------------

TCartaCorrecao::TCartaCorrecao() : fCCe(std::make_unique<TEventoNFe>()) {}
TCartaCorrecao::~TCartaCorrecao() = default;

TTuimNFe::TTuimNFe(TTuimComponent* owner) : TTuimDFe(owner) {
  Inicializar();
  fNotasFiscais = std::make_unique<TNotasFiscais>(this);
  fCartaCorrecao = std::make_unique<TCartaCorrecao>();
  fEventoNFe = std::make_unique<TEventoNFe>();
  fInutNFe = std::make_unique<TinutNFe>();
  fWebServices = NovoWebServices(*this);
}

TTuimNFe::~TTuimNFe() {
  fNotasFiscais.reset();
  fCartaCorrecao.reset();
  fEventoNFe.reset();
  fInutNFe.reset();
  fWebServices.reset();
  SetDANFE(nullptr);
}

std::unique_ptr<TConfiguracoes> TTuimNFe::CriarConfiguracoes() { return std::make_unique<TConfiguracoesNFe>(this); }

void TTuimNFe::SetDANFE(TTuimDANFeBase* v) {
  if (v == fDANFE) return;
  TTuimDANFeBase* antigo = fDANFE;
  if (antigo) RemoveFreeNotification(antigo);
  fDANFE = v;
  if (antigo && antigo->TuimNFe()) antigo->SetTuimNFe(nullptr);
  if (v) {
    FreeNotification(v);
    v->SetTuimNFe(this);
  }
}

void TTuimNFe::Notification(TTuimComponent* component, TOperation operation) {
  TTuimDFe::Notification(component, operation);
  if (operation == opRemove && component && component == fDANFE) fDANFE = nullptr;
}

void TTuimNFe::AlterarStatus(TSituacaoNFe v) {
  if (v == fStatus) return;
  fStatus = v;
  if (OnStatusChange) OnStatusChange(this);
}

// Only an authorised document is confirmed; a denied one (110, 301-303) is on file at the
// authority, so it is processed, but it may never be used.
bool TTuimNFe::StatusConfirmado(int cStat) { return cStat == 100 || cStat == 150; }

bool TTuimNFe::StatusProcessado(int cStat) {
  switch (cStat) {
    case 100: case 110: case 150: case 301: case 302: case 303: return true;
    default: return false;
  }
}

bool TTuimNFe::StatusCancelado(int cStat) { return cStat == 101 || cStat == 151 || cStat == 155; }

bool TTuimNFe::UsaAutorizacao(TfscVersaoDF versao, TfscModeloDF modelo, int cUF) {
  if (modelo == moNFCe && versao == ve310) return cUF != 13;
  return versao == ve310 || versao == ve400;
}

// Version 1 has been refused by the authorities since 2018: with 4.00 an unset choice is 2.
TfscVersaoQrCode TTuimNFe::VersaoQRCodeEfetiva(TfscVersaoQrCode qr, TfscVersaoDF versao) {
  if (versao != ve400) return veqr000;
  return qr == veqr000 ? veqr200 : qr;
}

std::string TTuimNFe::NomeSchemaDoServico(const std::string& servico) const {
  bool ok = false;
  TfscLayOut lay = ServicoParaLayOut(ok, servico);
  if (!ok) return "";
  return SchemaNFeParaTexto(LayOutParaSchema(lay));
}

std::string TTuimNFe::NomeModeloDFe() const { return ModeloDFParaNome(Configuracoes().Geral().ModeloDF()); }

std::string TTuimNFe::NameSpaceURI() const { return "http://www.portalfiscal.inf.br/nfe"; }

std::string TTuimNFe::CaminhoSchemaLayout(TfscLayOut layout, double versao) {
  std::string nome = NomeSchemaDoServico(LayOutParaServico(layout));
  if (nome.empty()) return "";
  return LocalizarSchema(nome, versao);
}

std::string TTuimNFe::CaminhoSchemaNFe() {
  const std::string pasta = Configuracoes().Arquivos().PathSchemas();
  const std::string pacote = PacoteSchemasParaTexto(Configuracoes().Geral().PacoteSchemas());
  std::error_code ec;
  if (std::filesystem::is_directory(pasta + pacote, ec)) return pasta + pacote + PathDelim + "nfe_v4.00.xsd";
  // A folder that is itself another package (the default one found by itself) has the chosen
  // package beside it; validating against the other one would judge by the wrong layout.
  std::filesystem::path atual = std::filesystem::path(pasta).parent_path();
  if (atual.filename().string().rfind("PL_", 0) == 0 && atual.filename() != pacote &&
      std::filesystem::is_directory(atual.parent_path() / pacote, ec))
    return (atual.parent_path() / pacote / "nfe_v4.00.xsd").string();
  return pasta + "nfe_v4.00.xsd";
}

bool TTuimNFe::ValidarNFe(const std::string& xml, std::string& mensagemErro) {
  mensagemErro.clear();
  const TfscPacoteSchemas pacote = Configuracoes().Geral().PacoteSchemas();
  if (pacote == psPL009V4) {
    const std::string grupo = PrimeiroGrupoReformaXML(xml);
    if (!grupo.empty()) {
      mensagemErro = "O documento tem o grupo " + grupo + " da Reforma Tributária (IBS, CBS e IS), que o pacote de "
                     "schemas " + PacoteSchemasParaTexto(psPL009V4) + " não aceita: configure o pacote " +
                     PacoteSchemasParaTexto(psPL010e) + ".";
      return false;
    }
  }
  return SSL().Validar(xml, CaminhoSchemaNFe(), mensagemErro);
}

std::string TTuimNFe::CaminhoSchemaEvento(TSchemaNFe schema, double versao) {
  if (Centesimos(versao) <= 0) return "";
  std::string prefixo = SchemaEventoParaTexto(schema);
  if (prefixo.empty()) return "";  // not an event kind: there is no such file to name
  std::string nome = prefixo;
  if (schema == schEnvEPEC) nome += NomeModeloDFe();
  return CaminhoComBarra(Configuracoes().Arquivos().PathSchemas()) + nome + kSeparadorVersao +
         FormatarVersaoCatalogo(versao) + ".xsd";
}

void TTuimNFe::EnviarPorEmail(const std::string& para, const std::string& assunto,
                              const std::vector<std::string>& mensagem, const std::vector<std::string>& cc,
                              const std::vector<std::string>& anexos, const std::string* documento,
                              const std::string& nomeDocumento, const std::vector<std::string>& replyTo) {
  AlterarStatus(snEmail);
  try {
    TTuimDFe::EnviarPorEmail(para, assunto, mensagem, cc, anexos, documento, nomeDocumento, replyTo);
  } catch (...) {
    AlterarStatus(snParado);
    throw;
  }
  AlterarStatus(snParado);
}

}  // namespace tuim
