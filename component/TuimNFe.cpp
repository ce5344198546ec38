#include "component/TuimNFe.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <system_error>

#include "fiscal/TuimUtil.h"
#include "transport/TuimTransporte.h"

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
                             const std::string& pasta) {
  try {
    std::size_t barra = nomeArquivo.find_last_of('/');
    std::string nome = barra == std::string::npos ? nomeArquivo : nomeArquivo.substr(barra + 1);
    if (nome.empty()) throw ETuimDFeException("Nome de arquivo não informado");
    std::string dir = barra == std::string::npos ? std::string() : nomeArquivo.substr(0, barra + 1);
    if (dir.empty()) dir = pasta;
    if (dir.empty()) dir = fConfiguracoes->Arquivos().PathSalvar();
    dir = CaminhoComBarra(dir);

    std::string texto = RemoverTexto("<-><->", conteudo);
    if (!conteudoUTF8 || XmlEmUTF8(texto))
      texto = ConverterXmlUTF8(texto);
    else
      texto = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>" + texto;

    if (!dir.empty() && !CriarPasta(dir)) throw ETuimDFeException("Não foi possível criar a pasta " + dir);
    GravarTexto(dir + nome, texto, false, true, false);
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

TTuimNFe::TTuimNFe(TTuimComponent* owner) : TTuimDFe(owner) { Inicializar(); }

TTuimNFe::~TTuimNFe() { SetDANFE(nullptr); }

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

bool TTuimNFe::StatusConfirmado(int cStat) {
  switch (cStat) {
    case 100: case 110: case 150: case 301: case 302: case 303: return true;
    default: return false;
  }
}

bool TTuimNFe::StatusProcessado(int cStat) { return StatusConfirmado(cStat); }

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
