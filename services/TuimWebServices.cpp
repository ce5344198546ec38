#include "services/TuimWebServices.h"

#include <chrono>
#include <exception>
#include <functional>
#include <thread>

#include "transport/TuimTransporte.h"

#include "component/TuimCatalogo.h"
#include "fiscal/TuimDateTime.h"
#include "fiscal/TuimException.h"
#include "fiscal/TuimUtil.h"
#include "fiscal/fscAuxiliar.h"

namespace tuim {

namespace {

bool TemAssinatura(const std::string& xml) { return Posicao("<signature", LowerCase(xml)) > 0; }

}  // namespace

const char* const TDFeWebService::kAtributosEnvelopePadrao =
    "xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\" "
    "xmlns:xsd=\"http://www.w3.org/2001/XMLSchema\" "
    "xmlns:soap12=\"http://www.w3.org/2003/05/soap-envelope\"";

TDFeWebService::TDFeWebService(TTuimDFe& owner) : fOwner(owner), fConfiguracoes(owner.Configuracoes()) {}

TDFeWebService::~TDFeWebService() = default;

void TDFeWebService::Limpar() {
  fDadosMsg.clear();
  fRespostaHTTP.clear();
  fRetornoServico.clear();
  fMensagem.clear();
  if (TTuimIntegradorBase* integrador = fOwner.Integrador()) integrador->Limpar();
}

bool TDFeWebService::Executar() {
  fInterrompido = false;
  RegistrarLogServico("Inicio " + ClassName(), false);
  PrepararServico();
  if (fInterrompido) return false;

  // From here on the service is prepared, and EncerrarServico puts back what it changed.
  const std::function<void()> passos[] = {
      [this] { DefinirDadosMsg(); },
      [this] {
        if (fOwner.Integrador()) PrepararIntegrador();
      },
      [this] { MontarEnvelope(); },
      [this] { GravarEnvio(); },
  };
  bool resultado = false;
  try {
    for (const auto& passo : passos) passo();
    resultado = TransmitirETratarResposta();
  } catch (...) {
    EncerrarServico();
    throw;
  }
  EncerrarServico();
  return resultado;
}

bool TDFeWebService::TransmitirETratarResposta() {
  try {
    Transmitir();
    // The answer is logged and saved also when it cannot be handled.
    std::exception_ptr falha;
    bool resultado = false;
    try {
      resultado = TratarResposta();
    } catch (...) {
      falha = std::current_exception();
    }
    RegistrarLogServico(MensagemLog(), true);
    GravarResposta();
    if (falha) std::rethrow_exception(falha);
    return resultado;
  } catch (const std::exception& e) {
    RelatarErro(MensagemErro(&e), &e);
  } catch (...) {
    RelatarErro(MensagemErro(nullptr));
  }
  return false;
}

void TDFeWebService::RegistrarLogServico(const std::string& linha, bool mostrar) {
  if (linha.empty()) return;
  bool tratado = false;
  fOwner.RegistrarLog(linha, tratado);
  if (!tratado && mostrar && fConfiguracoes.WebServices().Visualizar() && OnMostrarMensagem) OnMostrarMensagem(linha);
}

void TDFeWebService::RelatarErro(const std::string& texto, const std::exception* erro) {
  fOwner.TratarErro(texto, erro);
}

void TDFeWebService::FalharPreparacao(const std::string& texto) {
  RelatarErro(texto);
  fInterrompido = true;
}

void TDFeWebService::NaoImplementado(const std::string& passo) {
  RelatarErro(passo + " não implementado para: " + ClassName());
}

void TDFeWebService::PrepararServico() {
  Limpar();

  DefinirURL();
  if (fInterrompido) return;
  if (fURL.empty()) return FalharPreparacao("URL não definida para: " + ClassName());

  DefinirServicoEAction();
  if (fServico.empty()) return FalharPreparacao("Servico não definido para: " + ClassName());
  if (fSoapAction.empty()) return FalharPreparacao("SoapAction não definido para: " + ClassName());
  // "*" in the catalogue means the service takes no SOAP action at all.
  if (fSoapAction == "*") fSoapAction.clear();
}

void TDFeWebService::DefinirServicoEAction() {
  fServico.clear();
  fSoapAction.clear();
  NaoImplementado("DefinirServicoEAction");
}

void TDFeWebService::DefinirURL() { NaoImplementado("DefinirURL"); }

void TDFeWebService::DefinirDadosMsg() {
  fDadosMsg.clear();
  NaoImplementado("DefinirDadosMsg");
}

void TDFeWebService::PrepararIntegrador() {
  TTuimIntegradorBase* integrador = fOwner.Integrador();
  if (!integrador) return;
  integrador->Limpar();
  integrador->SetParametro("versaoDados", fVersaoDados);
  integrador->SetParametro("cUF", std::to_string(fConfiguracoes.WebServices().UFCodigo()));
}

std::string TDFeWebService::TransmitirPeloIntegrador(TTuimIntegradorBase& integrador) {
  integrador.SetParametro("dados", CodificarBase64(fEnvelope));
  integrador.Enviar(true);
  const std::vector<std::string>& linhas = integrador.RespostasIntegrador();
  if (linhas.size() < 3) throw ETuimDFeException("Resposta do Integrador inválida");
  if (linhas.size() < 7) throw ETuimDFeException(linhas[2]);
  std::string resposta = linhas[6];
  std::string decodificada;
  if (TextoBase64(resposta) && DecodificarBase64(resposta, decodificada)) resposta = decodificada;
  return resposta;
}

void TDFeWebService::MontarEnvelope() {
  const std::string& p = fPrefixoSoap;
  const std::string ns = "xmlns=\"" + fServico + "\"";
  std::string e = "<" + p + ":Envelope " + fAtributosEnvelope + ">";
  if (!fElementoCabecalho.empty()) {
    e += "<" + p + ":Header>";
    e += "<" + fElementoCabecalho + " " + ns + ">";
    e += MontarCabecalho();
    e += "</" + fElementoCabecalho + ">";
    e += "</" + p + ":Header>";
  }
  e += "<" + p + ":Body>";
  e += "<" + fElementoCorpo + " " + ns + ">";
  e += fDadosMsg;
  e += "</" + fElementoCorpo + ">";
  e += "</" + p + ":Body>";
  e += "</" + p + ":Envelope>";
  fEnvelope = e;
}

void TDFeWebService::GravarEnvio() {
  if (fSufixoEnvio.empty()) return;
  if (!fConfiguracoes.Geral().Salvar() && !fConfiguracoes.WebServices().Salvar()) return;
  const std::string prefixo = PrefixoArquivo(), pasta = PastaArquivos();
  if (fConfiguracoes.Geral().Salvar())
    fOwner.GravarArquivo(prefixo + "-" + fSufixoEnvio + ".xml", fDadosMsg, TemAssinatura(fDadosMsg), pasta);
  if (fConfiguracoes.WebServices().Salvar())
    fOwner.GravarArquivo(prefixo + "-" + fSufixoEnvio + "-soap.xml", fEnvelope, TemAssinatura(fEnvelope), pasta);
}

void TDFeWebService::GravarResposta() {
  if (fSufixoResposta.empty()) return;
  if (!fConfiguracoes.Geral().Salvar() && !fConfiguracoes.WebServices().Salvar()) return;
  const std::string prefixo = PrefixoArquivo(), pasta = PastaArquivos();
  if (fConfiguracoes.Geral().Salvar())
    fOwner.GravarArquivo(prefixo + "-" + fSufixoResposta + ".xml", fRetornoServico, true, pasta);
  if (fConfiguracoes.WebServices().Salvar())
    fOwner.GravarArquivo(prefixo + "-" + fSufixoResposta + "-soap.xml", fRespostaHTTP, true, pasta);
}

void TDFeWebService::PrepararTransmissao(TDFeSSL& ssl) {
  const TCertificadosConf& cert = fConfiguracoes.Certificados();
  if ((!cert.NumeroSerie().empty() || !cert.DadosPFX().empty() || !cert.ArquivoPFX().empty()) &&
      cert.VerificarValidade()) {
    TDateTime validade = ssl.ValidadeCertificado();
    if (Now() > validade)
      throw ETuimDFeException("Data de Validade do Certificado já expirou: " + FormatarDataBr(validade));
  }

  // A signed envelope already is the exact bytes that were signed.
  if ((fMimeType.empty() || Posicao("xml", LowerCase(fMimeType)) > 0) && !TemAssinatura(fEnvelope))
    fEnvelope = ConverterXmlUTF8(fEnvelope);

  // The answer bound and the authorities' bundle of the configuration reach the backend.
  const TWebServicesConf& ws = fConfiguracoes.WebServices();
  TVerificacaoServidor verificacao;
  if (LerVerificacaoServidor(ssl, verificacao)) {
    verificacao.TamanhoMaximoResposta = ws.TamanhoMaximoResposta();
    if (!ws.ArquivoCA().empty()) verificacao.ArquivoCA = ws.ArquivoCA();
    DefinirVerificacaoServidor(ssl, verificacao);
  }
  DefinirManterConexao(ssl, ws.ManterConexao());
}

void TDFeWebService::TransmitirUmaVez(TDFeSSL& ssl, int& codigoHTTP, int& codigoInterno) {
  if (fOwner.OnTransmit) {
    std::string resposta;
    fOwner.OnTransmit(fEnvelope, fURL, fSoapAction, fMimeType, resposta, codigoHTTP, codigoInterno);
    fRespostaHTTP = resposta;
    if (codigoInterno != 0) throw ETuimDFeException("Erro ao Transmitir");
  } else if (TTuimIntegradorBase* integrador = fOwner.Integrador()) {
    fRespostaHTTP = TransmitirPeloIntegrador(*integrador);
  } else {
    try {
      fRespostaHTTP = ssl.Enviar(fEnvelope, fURL, fSoapAction, fMimeType);
    } catch (...) {
      codigoHTTP = ssl.HTTPResultCode();
      codigoInterno = ssl.InternalErrorCode();
      throw;
    }
    codigoHTTP = ssl.HTTPResultCode();
    codigoInterno = ssl.InternalErrorCode();
  }
}

void TDFeWebService::Transmitir() {
  fRetornoServico.clear();
  fRespostaHTTP.clear();
  TDFeSSL& ssl = fOwner.SSL();
  PrepararTransmissao(ssl);

  const TWebServicesConf& ws = fConfiguracoes.WebServices();
  bool retentar = false;
  int repeticoes = 0;
  do {
    if (retentar) {
      // A short, growing pause; a host asking again forever would never let the call end.
      std::this_thread::sleep_for(std::chrono::milliseconds(200 * repeticoes));
    }
    retentar = false;
    bool tratado = false;
    fRetornoServico.clear();
    fRespostaHTTP.clear();
    int codigoHTTP = 0;
    int codigoInterno = 0;
    try {
      TransmitirUmaVez(ssl, codigoHTTP, codigoInterno);
    } catch (const std::exception&) {
      if (!fOwner.OnTransmitError) throw;
      fOwner.OnTransmitError(codigoHTTP, codigoInterno, fURL, fEnvelope, fSoapAction, retentar, tratado);
      if (retentar && ++repeticoes > ws.RetentativasTransmissao()) {
        retentar = false;
        tratado = false;
      }
      if (!retentar && !tratado) throw;
    }
  } while (retentar);
}

bool TDFeWebService::TratarResposta() {
  NaoImplementado("TratarResposta");
  return false;
}

void TDFeWebService::ExtrairRetorno(const std::vector<std::string>& candidatos) {
  fRetornoServico = ExtrairPrimeiraTag(candidatos, fRespostaHTTP, true, false);
}

std::string TDFeWebService::RetornoDecodificado() const { return TratarEntidades(fRetornoServico, true, true); }

void TDFeWebService::ExigirResposta() {
  if (!fRetornoServico.empty()) return;
  std::string msg = "Erro ao obter resposta do webservice.";
  // The answer arrives as UTF-8; the message is native text.
  if (!fRespostaHTTP.empty()) msg += "\r\n" + DeUTF8(fRespostaHTTP);
  throw ETuimDFeException(msg);
}

std::string TDFeWebService::UrlWsdl() { return fOwner.NameSpaceURI() + "/wsdl/"; }

void TDFeWebService::AssinarMensagem(const std::string& xml, const std::string& docElement,
                                     const std::string& infElement, const std::string& mensagemErro,
                                     const std::string& signatureNode, const std::string& selectionNamespaces,
                                     const std::string& idSignature) {
  try {
    fDadosMsg = fOwner.SSL().Assinar(xml, docElement, infElement, signatureNode, selectionNamespaces, idSignature);
  } catch (const std::exception& e) {
    RelatarErro(mensagemErro + (mensagemErro.empty() ? "" : "\r\n") + e.what());
  }
}

void TDFeWebService::ConfigurarGerador(TGeradorOpcoes& opcoes) {
  const TGeralConf& g = fConfiguracoes.Geral();
  const TWebServicesConf& ws = fConfiguracoes.WebServices();
  opcoes.SetFormatoAlerta(g.FormatoAlerta());
  opcoes.SetRetirarAcentos(g.RetirarAcentos());
  opcoes.SetRetirarEspacos(g.RetirarEspacos());
  opcoes.SetIdentarXML(g.IdentarXML());
  // Dates of the messages are formatted by the process-wide time-zone rule.
  ConfiguracaoFusoHorario().Assign(ws.TimeZoneConf());
  opcoes.SetQuebraLinha(ws.QuebradeLinha());
}

std::string TDFeWebService::MontarCabecalho() { return GerarUFSoap() + GerarVersaoDadosSoap(); }

std::string TDFeWebService::GerarVersaoDadosSoap() {
  NaoImplementado("GerarVersaoDadosSoap");
  return "";
}

std::string TDFeWebService::GerarUFSoap() {
  return "<cUF>" + std::to_string(fConfiguracoes.WebServices().UFCodigo()) + "</cUF>";
}

std::string TDFeWebService::PrefixoArquivo() { return DataHoraParaTexto14(Now()); }

// ---- TNFeWebService -----------------------------------------------------------------------

TNFeWebService::TNFeWebService(TTuimNFe& owner) : TDFeWebService(owner), fNFe(owner) {}

TNFeWebService::TNFeWebService(TTuimNFe& owner, TServicoNFe servico)
    : TDFeWebService(owner), fNFe(owner), fLinha(&LinhaServicoNFe(servico)) {
  fLayout = fLinha->Layout;
  SetSufixoEnvio(fLinha->SufixoEnvio);
  SetSufixoResposta(fLinha->SufixoResposta);
}

TRegraServico TNFeWebService::Regra() const {
  const TConfiguracoesNFe& c = ConfiguracoesNFe();
  return RegraServico(c.Geral().VersaoDF(), c.WebServices().UFCodigo(), c.Geral().ModeloDF(),
                      c.Geral().FormaEmissao());
}

void TNFeWebService::ExtrairRetorno() {
  if (fLinha) ExtrairRetorno(fLinha->ElementosResultado());
}

bool TNFeWebService::Sucesso(int cStat) const { return fLinha && fLinha->EhSucesso(cStat); }

std::string TNFeWebService::MensagemErro(const std::exception*) { return fLinha ? fLinha->TextoErro() : ""; }

void TNFeWebService::DefinirServicoEAction() {
  if (!fLinha) return TDFeWebService::DefinirServicoEAction();
  std::string servico = Servico(), acao = SoapAction();
  ResolverNomesServico(fLinha->NomesPara(fLayout, Regra()), UrlWsdl(), servico, acao);
  SetServico(servico);
  SetSoapAction(acao);
}

void TNFeWebService::Limpar() {
  TDFeWebService::Limpar();
  fStatusExecucao = fLinha ? fLinha->StatusExecucao : snParado;
  fNFe.SSL().SetUseCertificateHTTP(true);
}

void TNFeWebService::PrepararServico() {
  TDFeWebService::PrepararServico();
  if (Interrompido()) return;
  fSSLTypeSalvo = fNFe.SSL().SSLType();
  fElementoCabecalhoSalvo = ElementoCabecalho();
  // The 4.00 layout dropped the SOAP header.
  if (ConfiguracoesNFe().Geral().VersaoDF() == ve400) SetElementoCabecalho("");
  fNFe.AlterarStatus(fStatusExecucao);
}

void TNFeWebService::DefinirURL() {
  SetVersaoDados("");
  SetURL("");
  SetServico("");
  SetSoapAction("");
  TDestinoServico destino;
  const bool proprio = DefinirDestino(destino);
  if (Interrompido()) return;
  double versao = 0;
  std::string acao, ns, url;
  try {
    if (proprio) {
      versao = VersaoDFParaNumero(ConfiguracoesNFe().Geral().VersaoDF());
      fNFe.LocalizarServico(destino.Modelo, destino.Autoridade, destino.tpAmb, LayOutParaServico(fLayout), versao,
                            url, ns, acao);
    } else {
      fNFe.LocalizarServicoLayout(fLayout, versao, acao, ns, url);
    }
  } catch (const ETuimDFeException& e) {
    return FalharPreparacao(e.what());
  }
  SetSoapAction(acao);
  SetServico(ns);
  SetURL(url);
  SetVersaoDados(FormatarVersaoCatalogo(versao));
}

namespace {

// The integrator's method for each NF-e service; the others name none, and the integrator
// refuses them.
struct MetodoIntegrador {
  TfscLayOut layout;
  const char* metodo;
};
const MetodoIntegrador kMetodosIntegrador[] = {
    {layNfeStatusServico, "NfeStatusServico2Soap12"}, {layNfeAutorizacao, "NfeAutorizacaoLote12"},
    {layNfeRecepcao, "NfeAutorizacaoLote12"},         {layNfeRetAutorizacao, "NfeRetAutorizacaoLote12"},
    {layNfeRetRecepcao, "NfeRetAutorizacaoLote12"},   {layNfeConsultaProtocolo, "NfeConsulta2Soap12"},
    {layNfeInutilizacao, "NfeInutilizacao2Soap12"},   {layNfeConsultaCadastro, "CadConsultaCadastro2Soap12"},
    {layRecepcaoEvento, "RecepcaoEvento"},           {layRecepcaoEventoAN, "RecepcaoEvento"},
};

}  // namespace

void TNFeWebService::PrepararIntegrador() {
  TDFeWebService::PrepararIntegrador();
  TTuimIntegradorBase* integrador = fNFe.Integrador();
  if (!integrador) return;
  const TConfiguracoesNFe& c = ConfiguracoesNFe();
  integrador->SetNomeComponente(UpperCase(ModeloDFParaNome(c.Geral().ModeloDF())));
  for (const MetodoIntegrador& m : kMetodosIntegrador)
    if (m.layout == Layout()) {
      integrador->DefinirMetodo(m.metodo, c.WebServices().Ambiente() == taHomologacao);
      if (m.layout != layRecepcaoEvento && m.layout != layRecepcaoEventoAN) integrador->SetParametro("versaoDados", VersaoDFParaTexto(c.Geral().VersaoDF()));
    }
}

void TNFeWebService::Transmitir() {
  // Only NFC-e calls go through the integrator.
  TTuimIntegradorBase* integrador = fNFe.Integrador();
  bool desligar = integrador && ConfiguracoesNFe().Geral().ModeloDF() == moNFe;
  if (desligar) fNFe.SetIntegrador(nullptr);
  try {
    TDFeWebService::Transmitir();
  } catch (...) {
    if (desligar) fNFe.SetIntegrador(integrador);
    throw;
  }
  if (desligar) fNFe.SetIntegrador(integrador);
}

void TNFeWebService::EncerrarServico() {
  fNFe.SSL().SetSSLType(fSSLTypeSalvo);
  SetElementoCabecalho(fElementoCabecalhoSalvo);
  fNFe.AlterarStatus(snParado);
}

std::string TNFeWebService::GerarVersaoDadosSoap() {
  if (VersaoDados().empty()) SetVersaoDados(fNFe.VersaoServicoLayout(Layout()));
  return "<versaoDados>" + VersaoDados() + "</versaoDados>";
}

std::string PreencherLog(const std::string& mascara, std::initializer_list<std::string> valores) {
  std::string r;
  auto v = valores.begin();
  for (std::size_t i = 0; i < mascara.size(); ++i) {
    if (mascara[i] == '%' && i + 1 < mascara.size() && mascara[i + 1] == 's') {
      if (v != valores.end()) r += *v++;
      ++i;
    } else {
      r += mascara[i];
    }
  }
  return r;
}

std::string DataHoraLog(TDateTime t) { return t == 0 ? "" : FormatarDataHoraBr(t); }

}  // namespace tuim
