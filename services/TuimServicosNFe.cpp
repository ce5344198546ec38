#include "services/TuimServicosNFe.h"

#include <initializer_list>

#include "component/TuimCatalogo.h"
#include "fiscal/TuimException.h"
#include "fiscal/TuimUtil.h"
#include "fiscal/fscAuxiliar.h"
#include "services/TuimMensagensNFe.h"

namespace tuim {

namespace {

// The "%s" of a log template filled in order.
std::string Preencher(const std::string& mascara, std::initializer_list<std::string> valores) {
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

std::string Amb(TfscTipoAmbiente a) { return TipoAmbienteParaTexto(a); }

bool Antes400(TConfiguracoesNFe& c) { return c.Geral().VersaoDF() < ve400; }

// Reads `texto` with a response reader of the round trip.
template <typename R>
void Ler(R& r, const std::string& texto) {
  r.Leitor().SetArquivo(texto);
  r.LerResposta();
}

}  // namespace

// ---- TNFeStatusServico ----------------------------------------------------------------------

TNFeStatusServico::TNFeStatusServico(TTuimNFe& owner) : TNFeWebService(owner) {
  SetLayout(layNfeStatusServico);
  SetSufixoEnvio("ped-sta");
  SetSufixoResposta("sta");
}

void TNFeStatusServico::Limpar() {
  TNFeWebService::Limpar();
  SetStatusExecucao(snStatusServico);
  versao.clear();
  verAplic.clear();
  xMotivo.clear();
  xObs.clear();
  cStat = 0;
  tMed = 0;
  dhRecbto = dhRetorno = 0;
  tpAmb = Configuracoes().WebServices().Ambiente();
  cUF = Configuracoes().WebServices().UFCodigo();
}

void TNFeStatusServico::DefinirServicoEAction() {
  TConfiguracoesNFe& c = ConfiguracoesNFe();
  if (Antes400(c)) {
    if (c.WebServices().UFCodigo() == 29 && c.Geral().ModeloDF() == moNFe && c.Geral().VersaoDF() == ve310 &&
        c.Geral().FormaEmissao() == teNormal) {
      SetServico(UrlWsdl() + "NfeStatusServico");
      SetSoapAction(Servico() + "/NfeStatusServicoNF");
    } else {
      SetServico(UrlWsdl() + "NfeStatusServico2");
      SetSoapAction(Servico());
    }
  } else {
    if (Servico().empty()) SetServico(UrlWsdl() + "NFeStatusServico4");
    if (SoapAction().empty()) SetSoapAction(Servico() + "/nfeStatusServicoNF");
  }
}

void TNFeStatusServico::DefinirDadosMsg() {
  const TWebServicesConf& ws = Configuracoes().WebServices();
  TConsStatServ m(VersaoDados());
  m.SettpAmb(ws.Ambiente());
  m.SetcUF(ws.UFCodigo());
  ConfigurarGerador(m.Gerador().Opcoes());
  m.GerarXML();
  SetDadosMsg(m.Gerador().ArquivoFormatoXML());
}

bool TNFeStatusServico::TratarResposta() {
  ExtrairRetorno({"nfeStatusServicoNF2Result", "NfeStatusServicoNFResult", "nfeResultMsg"});
  ExigirResposta();
  TRetConsStatServ r;
  Ler(r, RetornoDecodificado());
  versao = r.versao;
  tpAmb = r.tpAmb;
  verAplic = r.verAplic;
  cStat = r.cStat;
  xMotivo = r.xMotivo;
  cUF = r.cUF;
  tMed = r.tMed;
  dhRetorno = r.dhRetorno;
  xObs = r.xObs;
  // The shared virtual authority's clock correction needs its published host, which the
  // catalogue does not carry; the answer's time is kept as given.
  dhRecbto = r.dhRecbto;
  SetMensagem(xMotivo + "\r\n" + xObs);
  if (Configuracoes().WebServices().AjustaAguardaConsultaRet())
    Configuracoes().WebServices().SetAguardarConsultaRet(static_cast<std::uint32_t>(tMed) * 1000u);
  return cStat == 107;
}

std::string TNFeStatusServico::MensagemLog() {
  return Preencher(
      "Versão Layout: %s \r\nAmbiente: %s\r\nVersão Aplicativo: %s \r\nStatus Código: %s\r\nStatus Descrição: %s\r\n"
      "UF: %s\r\nRecebimento: %s\r\nTempo Médio: %s\r\nRetorno: %s\r\nObservação: %s\r\n",
      {versao, Amb(tpAmb), verAplic, std::to_string(cStat), xMotivo, CodigoUFParaSigla(cUF), DataHoraLog(dhRecbto),
       std::to_string(tMed), DataHoraLog(dhRetorno), xObs});
}

std::string TNFeStatusServico::MensagemErro(const std::exception*) {
  return "WebService Consulta Status serviço:\r\n- Inativo ou Inoperante tente novamente.";
}

// ---- TNFeConsulta ---------------------------------------------------------------------------

TNFeConsulta::TNFeConsulta(TTuimNFe& owner) : TNFeWebService(owner), fRetorno(std::make_unique<TRetConsSitNFe>()) {
  SetLayout(layNfeConsultaProtocolo);
  SetSufixoEnvio("ped-sit");
  SetSufixoResposta("sit");
}

TNFeConsulta::~TNFeConsulta() = default;

void TNFeConsulta::Limpar() {
  TNFeWebService::Limpar();
  SetStatusExecucao(snConsulta);
  versao.clear();
  verAplic.clear();
  xMotivo.clear();
  Protocolo.clear();
  RetNFeDFe.clear();
  cStat = 0;
  dhRecbto = 0;
  tpAmb = Configuracoes().WebServices().Ambiente();
  cUF = Configuracoes().WebServices().UFCodigo();
  fRetorno = std::make_unique<TRetConsSitNFe>();
}

void TNFeConsulta::DefinirURL() {
  SetVersaoDados("");
  SetURL("");
  SetServico("");
  SetSoapAction("");
  // The key names the authority; a malformed one would be sent to nobody in particular.
  const std::string motivo = MotivoChaveInvalida(fNFeChave);
  if (!motivo.empty()) FalharPreparacao(motivo);
  TConfiguracoesNFe& c = ConfiguracoesNFe();
  bool ok = false;
  TfscModeloDF modelo = TextoParaModeloDF(ok, ModeloDaChave(fNFeChave));
  const int uf = UFDaChave(fNFeChave);
  double v = VersaoDFParaNumero(c.Geral().VersaoDF());
  // Without a document collection the environment is the configured one.
  tpAmb = c.WebServices().Ambiente();
  const TfscTipoEmissao forma = c.Geral().FormaEmissao();
  const std::string autoridade = forma == teSVCAN ? "SVC-AN" : forma == teSVCRS ? "SVC-RS" : CodigoUFParaSigla(uf);
  std::string url, ns, acao;
  try {
    NFe().LocalizarServico(ModeloDFParaNome(modelo), autoridade, tpAmb, LayOutParaServico(Layout()), v, url, ns,
                           acao);
  } catch (const ETuimDFeException& e) {
    FalharPreparacao(e.what());
  }
  SetURL(url);
  SetServico(ns);
  SetSoapAction(acao);
  SetVersaoDados(FormatarVersaoCatalogo(v));
}

void TNFeConsulta::DefinirServicoEAction() {
  TConfiguracoesNFe& c = ConfiguracoesNFe();
  if (Antes400(c)) {
    if (c.WebServices().UFCodigo() == 29 && c.Geral().ModeloDF() == moNFe && c.Geral().VersaoDF() == ve310 &&
        c.Geral().FormaEmissao() == teNormal)
      SetServico(UrlWsdl() + "NfeConsulta");
    else
      SetServico(UrlWsdl() + "NfeConsulta2");
    SetSoapAction(Servico());
  } else {
    if (Servico().empty()) SetServico(UrlWsdl() + "NFeConsultaProtocolo4");
    if (SoapAction().empty()) SetSoapAction(Servico() + "/nfeConsultaNF");
  }
}

std::string TNFeConsulta::GerarUFSoap() { return "<cUF>" + std::to_string(UFDaChave(fNFeChave)) + "</cUF>"; }

void TNFeConsulta::DefinirDadosMsg() {
  TConsSitNFe m;
  m.SetVersao(VersaoDados());
  m.SettpAmb(tpAmb);
  m.SetchNFe(fNFeChave);
  ConfigurarGerador(m.Gerador().Opcoes());
  m.GerarXML();
  SetDadosMsg(m.Gerador().ArquivoFormatoXML());
}

bool TNFeConsulta::TratarResposta() {
  ExtrairRetorno({"NfeConsultaNF2Result", "NfeConsultaNFResult", "nfeResultMsg"});
  ExigirResposta();
  TRetConsSitNFe& r = *fRetorno;
  Ler(r, RetornoDecodificado());
  versao = r.versao;
  tpAmb = r.tpAmb;
  verAplic = r.verAplic;
  cStat = r.cStat;
  xMotivo = r.xMotivo;
  cUF = r.cUF;
  SetMensagem(xMotivo);

  bool cancelada = false;
  if (r.retCancNFe().cStat > 0) {
    cancelada = true;
    Protocolo = r.retCancNFe().nProt;
    dhRecbto = r.retCancNFe().dhRecbto;
    SetMensagem(r.xMotivo);
  }
  for (int i = 0; i < r.procEventoNFe().Count(); ++i) {
    TRetEventoNFe& ev = r.procEventoNFe()[i].RetEventoNFe();
    for (int j = 0; j < ev.retEvento().Count(); ++j) {
      const TRetInfEvento& ret = ev.retEvento()[j];
      if (ret.tpEvento == teCancelamento || ret.tpEvento == teCancelamentoPorSubstituicao) {
        cancelada = true;
        Protocolo = ret.nProt;
        dhRecbto = ret.dhRegEvento;
        SetMensagem(ret.xMotivo);
      }
    }
  }
  if (!cancelada && !r.protNFe().nProt.empty()) {
    Protocolo = r.protNFe().nProt;
    dhRecbto = r.protNFe().dhRecbto;
    SetMensagem(r.protNFe().xMotivo);
  }
  // Updating a document of the collection (and its processed file) comes with the collection;
  // the result still follows the answer's cStat.
  return TTuimNFe::StatusProcessado(cStat) || TTuimNFe::StatusCancelado(cStat);
}

std::string TNFeConsulta::PrefixoArquivo() { return Trim(fNFeChave); }

std::string TNFeConsulta::MensagemLog() {
  return Preencher(
      "Versão Layout: %s \r\nIdentificador: %s \r\nAmbiente: %s \r\nVersão Aplicativo: %s \r\nStatus Código: %s \r\n"
      "Status Descrição: %s \r\nUF: %s \r\nChave Acesso: %s \r\nRecebimento: %s \r\nProtocolo: %s \r\n"
      "Digest Value: %s \r\n",
      {versao, fNFeChave, Amb(tpAmb), verAplic, std::to_string(cStat), xMotivo, CodigoUFParaSigla(cUF), fNFeChave,
       DataHoraLog(dhRecbto), Protocolo, fRetorno->protNFe().digVal});
}

// ---- TNFeInutilizacao -----------------------------------------------------------------------

TNFeInutilizacao::TNFeInutilizacao(TTuimNFe& owner) : TNFeWebService(owner) {
  SetLayout(layNfeInutilizacao);
  SetSufixoEnvio("ped-inu");
  SetSufixoResposta("inu");
}

void TNFeInutilizacao::Limpar() {
  TNFeWebService::Limpar();
  SetStatusExecucao(snInutilizacao);
  ID.clear();
  versao.clear();
  verAplic.clear();
  xMotivo.clear();
  Protocolo.clear();
  XML_ProcInutNFe.clear();
  NomeArquivo.clear();
  cStat = 0;
  dhRecbto = 0;
  tpAmb = Configuracoes().WebServices().Ambiente();
  cUF = Configuracoes().WebServices().UFCodigo();
}

std::string TNFeInutilizacao::PastaInutilizacao() {
  auto& a = ConfiguracoesNFe().Arquivos();
  return a.MontarPathInu(a.SepararPorCNPJ() ? CNPJ : "");
}

void TNFeInutilizacao::DefinirURL() {
  if (Modelo != 55 && Modelo != 65) throw ETuimNFeException("Modelo Inválido: " + std::to_string(Modelo));
  SetVersaoDados("");
  SetURL("");
  SetServico("");
  SetSoapAction("");
  TConfiguracoesNFe& c = ConfiguracoesNFe();
  double v = VersaoDFParaNumero(c.Geral().VersaoDF());
  std::string url, ns, acao;
  try {
    NFe().LocalizarServico(ModeloDFParaNome(Modelo == 55 ? moNFe : moNFCe), c.WebServices().UF(),
                           c.WebServices().Ambiente(), LayOutParaServico(Layout()), v, url, ns, acao);
  } catch (const ETuimDFeException& e) {
    FalharPreparacao(e.what());
  }
  SetURL(url);
  SetServico(ns);
  SetSoapAction(acao);
  SetVersaoDados(FormatarVersaoCatalogo(v));
}

void TNFeInutilizacao::DefinirServicoEAction() {
  TConfiguracoesNFe& c = ConfiguracoesNFe();
  if (!Antes400(c)) {
    if (Servico().empty()) SetServico(UrlWsdl() + "NFeInutilizacao4");
    if (SoapAction().empty()) SetSoapAction(Servico() + "/nfeInutilizacaoNF");
  } else if (c.WebServices().UFCodigo() == 29 && c.Geral().ModeloDF() == moNFe && c.Geral().VersaoDF() == ve310 &&
             c.Geral().FormaEmissao() == teNormal) {
    if (Servico().empty()) SetServico(UrlWsdl() + "NfeInutilizacao");
    SetSoapAction(Servico() + "/NfeInutilizacao");
  } else {
    SetServico(UrlWsdl() + "NfeInutilizacao2");
    SetSoapAction(Servico());
  }
}

void TNFeInutilizacao::DefinirDadosMsg() {
  const TWebServicesConf& ws = Configuracoes().WebServices();
  TinutNFe m;
  ConfigurarGerador(m.Gerador().Opcoes());
  m.SettpAmb(ws.Ambiente());
  m.SetcUF(ws.UFCodigo());
  m.Setano(Ano);
  m.SetCNPJ(CNPJ);
  m.Setmodelo(Modelo);
  m.Setserie(Serie);
  m.SetnNFIni(NumeroInicial);
  m.SetnNFFin(NumeroFinal);
  m.SetxJust(Justificativa);
  m.SetVersao(VersaoDados());
  m.GerarXML();
  AssinarMensagem(ConverterXmlUTF8(m.Gerador().ArquivoFormatoXML()), "inutNFe", "infInut",
                  "Falha ao assinar Inutilização Nota Fiscal Eletrônica ");
  // The signer's declaration would land in the middle of the SOAP body.
  SetDadosMsg(RemoverDeclaracaoXml(DadosMsg()));
  ID = m.ID();
}

void TNFeInutilizacao::GravarEnvio() {
  TNFeWebService::GravarEnvio();
  if (Configuracoes().Geral().Salvar())
    NFe().GravarArquivo(PrefixoArquivo() + "-" + SufixoEnvio() + ".xml", DadosMsg(), true, PastaInutilizacao());
}

void TNFeInutilizacao::GravarResposta() {
  TNFeWebService::GravarResposta();
  if (Configuracoes().Geral().Salvar())
    NFe().GravarArquivo(PrefixoArquivo() + "-" + SufixoResposta() + ".xml", RetornoServico(), true,
                        PastaInutilizacao());
}

bool TNFeInutilizacao::TratarResposta() {
  ExtrairRetorno({"nfeInutilizacaoNF2Result", "nfeInutilizacaoNFResult", "nfeResultMsg"});
  ExigirResposta();
  TRetInutNFe r;
  Ler(r, RetornoDecodificado());
  versao = r.versao;
  tpAmb = r.tpAmb;
  verAplic = r.verAplic;
  cStat = r.cStat;
  xMotivo = r.xMotivo;
  cUF = r.cUF;
  dhRecbto = r.dhRecbto;
  Protocolo = r.nProt;
  SetMensagem(xMotivo);
  if (cStat == 102 || cStat == 563) {
    XML_ProcInutNFe = "<?xml version=\"1.0\" encoding=\"UTF-8\"?><ProcInutNFe versao=\"" + VersaoDados() +
                      "\" " + DeclaracaoNameSpaceNFe() + ">" + DadosMsg() + RemoverDeclaracaoXml(RetornoServico()) +
                      "</ProcInutNFe>";
    NomeArquivo = CaminhoComBarra(PastaInutilizacao()) + PrefixoArquivo() + "-procInutNFe.xml";
    if (ConfiguracoesNFe().Arquivos().Salvar()) NFe().GravarArquivo(NomeArquivo, XML_ProcInutNFe, true, "", true);
  }
  return cStat == 102;
}

std::string TNFeInutilizacao::PrefixoArquivo() { return SomenteNumeros(ID); }

std::string TNFeInutilizacao::MensagemLog() {
  return Preencher(
      "Versão Layout: %s \r\nAmbiente: %s \r\nVersão Aplicativo: %s \r\nStatus Código: %s \r\n"
      "Status Descrição: %s \r\nUF: %s \r\nRecebimento: %s \r\n",
      {versao, Amb(tpAmb), verAplic, std::to_string(cStat), xMotivo, CodigoUFParaSigla(cUF), DataHoraLog(dhRecbto)});
}

// ---- TNFeConsultaCadastro -------------------------------------------------------------------

TNFeConsultaCadastro::TNFeConsultaCadastro(TTuimNFe& owner)
    : TNFeWebService(owner), fRetConsCad(std::make_unique<TRetConsCad>()) {
  SetLayout(layNfeConsultaCadastro);
  SetSufixoEnvio("ped-cad");
  SetSufixoResposta("cad");
}

TNFeConsultaCadastro::~TNFeConsultaCadastro() = default;

void TNFeConsultaCadastro::Limpar() {
  TNFeWebService::Limpar();
  SetStatusExecucao(snCadastro);
  versao.clear();
  verAplic.clear();
  xMotivo.clear();
  cStat = 0;
  dhCons = 0;
  cUF = Configuracoes().WebServices().UFCodigo();
  fRetConsCad = std::make_unique<TRetConsCad>();
}

void TNFeConsultaCadastro::PrepararServico() {
  TNFeWebService::PrepararServico();
  fElementoCorpoSalvo = ElementoCorpo();
  fCorpoTrocado = true;
  if (!Antes400(ConfiguracoesNFe()) && UpperCase(UF) == "MT") SetElementoCorpo("consultaCadastro");
}

void TNFeConsultaCadastro::EncerrarServico() {
  TNFeWebService::EncerrarServico();
  if (fCorpoTrocado) SetElementoCorpo(fElementoCorpoSalvo);
  fCorpoTrocado = false;
}

void TNFeConsultaCadastro::DefinirURL() {
  SetVersaoDados("");
  SetURL("");
  SetServico("");
  SetSoapAction("");
  TConfiguracoesNFe& c = ConfiguracoesNFe();
  if (UF.empty()) UF = c.WebServices().UF();
  double v = VersaoDFParaNumero(c.Geral().VersaoDF());
  std::string url, ns, acao;
  try {
    NFe().LocalizarServico(NFe().NomeModeloDFe(), UF, c.WebServices().Ambiente(), LayOutParaServico(Layout()), v, url,
                           ns, acao);
  } catch (const ETuimDFeException& e) {
    FalharPreparacao(e.what());
  }
  SetURL(url);
  SetServico(ns);
  SetSoapAction(acao);
  SetVersaoDados(FormatarVersaoCatalogo(v));
}

void TNFeConsultaCadastro::DefinirServicoEAction() {
  if (Antes400(ConfiguracoesNFe())) {
    SetServico(UrlWsdl() + "CadConsultaCadastro2");
    SetSoapAction(Servico());
  } else {
    if (Servico().empty()) SetServico(UrlWsdl() + "CadConsultaCadastro4");
    if (SoapAction().empty()) SetSoapAction(Servico() + "/consultaCadastro");
  }
}

std::string TNFeConsultaCadastro::GerarUFSoap() {
  return "<cUF>" + std::to_string(SiglaParaCodigoUF(UF)) + "</cUF>";
}

void TNFeConsultaCadastro::DefinirDadosMsg() {
  const bool mt = UpperCase(UF) == "MT";
  TConsCad m;
  m.SetUF(UF);
  m.SetIE(IE);
  m.SetCNPJ(CNPJ);
  m.SetCPF(CPF);
  m.SetVersao(mt ? "2.00" : VersaoDados());
  ConfigurarGerador(m.Gerador().Opcoes());
  m.GerarXML();
  std::string xml = m.Gerador().ArquivoFormatoXML();
  if (mt && !Antes400(ConfiguracoesNFe())) xml = "<nfeDadosMsg>" + xml + "</nfeDadosMsg>";
  SetDadosMsg(xml);
}

bool TNFeConsultaCadastro::TratarResposta() {
  ExtrairRetorno({"consultaCadastro2Result", "nfeResultMsg", "consultaCadastro4Result"});
  ExigirResposta();
  TRetConsCad& r = *fRetConsCad;
  Ler(r, RetornoDecodificado());
  versao = r.versao;
  verAplic = r.verAplic;
  cStat = r.cStat;
  xMotivo = r.xMotivo;
  dhCons = r.dhCons;
  cUF = r.cUF;
  SetMensagem(xMotivo);
  return cStat == 111 || cStat == 112;
}

std::string TNFeConsultaCadastro::MensagemLog() {
  return Preencher(
      "Versão Layout: %s \r\nVersão Aplicativo: %s \r\nStatus Código: %s \r\nStatus Descrição: %s \r\nUF: %s \r\n"
      "Consulta: %s \r\n",
      {versao, verAplic, std::to_string(cStat), xMotivo, CodigoUFParaSigla(cUF), DataHoraLog(dhCons)});
}

// ---- TDistribuicaoDFe -----------------------------------------------------------------------

TDistribuicaoDFe::TDistribuicaoDFe(TTuimNFe& owner)
    : TNFeWebService(owner), fretDistDFeInt(std::make_unique<TRetDistDFeInt>()) {
  SetLayout(layNFeDistribuicaoDFe);
  SetSufixoEnvio("con-dist-dfe");
  SetSufixoResposta("dist-dfe");
}

TDistribuicaoDFe::~TDistribuicaoDFe() = default;

void TDistribuicaoDFe::Limpar() {
  TNFeWebService::Limpar();
  SetStatusExecucao(snDistribuicaoDFe);
  fretDistDFeInt = std::make_unique<TRetDistDFeInt>();
  fListaArqs.clear();
  fNomeArquivoDistribuicao.clear();
  // The national environment takes no SOAP header and its own body element.
  SetElementoCorpo("nfeDistDFeInteresse");
  SetElementoCabecalho("");
}

void TDistribuicaoDFe::DefinirURL() {
  SetVersaoDados("");
  SetURL("");
  SetServico("");
  SetSoapAction("");
  TConfiguracoesNFe& c = ConfiguracoesNFe();
  double v = VersaoDFParaNumero(c.Geral().VersaoDF());
  std::string url, ns, acao;
  try {
    NFe().LocalizarServico(NFe().NomeModeloDFe(), "AN", c.WebServices().Ambiente(), LayOutParaServico(Layout()), v,
                           url, ns, acao);
  } catch (const ETuimDFeException& e) {
    FalharPreparacao(e.what());
  }
  SetURL(url);
  SetServico(ns);
  SetSoapAction(acao);
  SetVersaoDados(FormatarVersaoCatalogo(v));
}

void TDistribuicaoDFe::DefinirServicoEAction() {
  SetServico(UrlWsdl() + "NFeDistribuicaoDFe");
  SetSoapAction(Servico() + "/nfeDistDFeInteresse");
}

void TDistribuicaoDFe::DefinirDadosMsg() {
  TDistDFeInt m(VersaoDados(), true, "chNFe", "consChNFe", "nfeDadosMsg", DeclaracaoNameSpaceNFe());
  m.SettpAmb(Configuracoes().WebServices().Ambiente());
  m.SetcUFAutor(cUFAutor);
  m.SetCNPJCPF(CNPJCPF);
  m.SetultNSU(Trim(ultNSU));
  m.SetNSU(Trim(NSU));
  m.SetchNFe(Trim(chNFe));
  ConfigurarGerador(m.Gerador().Opcoes());
  m.GerarXML();
  SetDadosMsg(m.Gerador().ArquivoFormatoXML());
}

void TDistribuicaoDFe::SalvarDocumento(TdocZipCollectionItem& doc) {
  switch (doc.schema) {
    case schresNFe:
      fNomeArquivoDistribuicao = doc.resDFe().chDFe + "-resNFe.xml";
      break;
    case schresEvento:
      fNomeArquivoDistribuicao =
          SomenteNumeros(TpEventoParaTexto(doc.resEvento().tpEvento) + doc.resEvento().chDFe +
                         InteiroComZerosEsquerda(doc.resEvento().nSeqEvento, 2)) +
          "-resEventoNFe.xml";
      break;
    case schprocNFe:
      fNomeArquivoDistribuicao = doc.resDFe().chDFe + "-nfe.xml";
      break;
    case schprocEventoNFe:
      fNomeArquivoDistribuicao = SomenteNumeros(doc.procEvento().Id) + "-procEventoNFe.xml";
      break;
    default:
      fNomeArquivoDistribuicao.clear();
  }
  if (fNomeArquivoDistribuicao.empty()) return;
  fListaArqs.push_back(fNomeArquivoDistribuicao);

  TArquivosConfNFe& a = ConfiguracoesNFe().Arquivos();
  if (!a.Salvar()) return;
  const bool emissao = a.EmissaoPathNFe();
  auto data = [&](TDateTime primeira, TDateTime segunda) {
    if (!emissao) return Now();
    return primeira != 0 ? primeira : segunda;
  };
  if (doc.schema == schresNFe || doc.schema == schprocNFe) {
    const TresDFe& r = doc.resDFe();
    std::string pasta = a.MontarPathDownload(r.xNome, r.CNPJCPF, data(r.dhEmi, r.dhRecbto));
    NFe().GravarArquivo(fNomeArquivoDistribuicao, doc.XML, true, pasta);
  } else if (a.SalvarEvento()) {
    std::string pasta;
    if (doc.schema == schresEvento) {
      const TresEvento& e = doc.resEvento();
      pasta = a.MontarPathDownloadEvento(e.tpEvento, doc.resDFe().xNome, e.CNPJCPF, data(e.dhEvento, e.dhRecbto));
    } else {
      const TprocEvento& e = doc.procEvento();
      pasta = a.MontarPathDownloadEvento(e.tpEvento, doc.resDFe().xNome, e.CNPJ,
                                         data(e.dhEvento, e.RetinfEvento().dhRegEvento));
    }
    NFe().GravarArquivo(fNomeArquivoDistribuicao, doc.XML, true, pasta);
  }
}

bool TDistribuicaoDFe::TratarResposta() {
  ExtrairRetorno({"nfeDistDFeInteresseResult", "nfeResultMsg"});
  ExigirResposta();
  {
    // The documents are read from the undecoded text: their Base64 is what was received.
    TRetDistDFeInt bruto;
    bruto.Leitor().SetArquivo(RetornoServico());
    bruto.LerResposta();
    for (int i = 0; i < bruto.docZip().Count(); ++i)
      if (!bruto.docZip()[i].XML.empty()) SalvarDocumento(bruto.docZip()[i]);
  }
  fretDistDFeInt = std::make_unique<TRetDistDFeInt>();
  fretDistDFeInt->Leitor().SetArquivo(RetornoDecodificado());
  fretDistDFeInt->LerResposta();
  SetMensagem(fretDistDFeInt->xMotivo);
  return fretDistDFeInt->cStat == 137 || fretDistDFeInt->cStat == 138;
}

std::string TDistribuicaoDFe::MensagemLog() {
  const TRetDistDFeInt& r = *fretDistDFeInt;
  return Preencher(
      "Versão Layout: %s \r\nAmbiente: %s \r\nVersão Aplicativo: %s \r\nStatus Código: %s \r\nStatus Descrição: %s \r\n"
      "Resposta: %s \r\nÚltimo NSU: %s \r\nMáximo NSU: %s \r\n",
      {r.versao, Amb(r.tpAmb), r.verAplic, std::to_string(r.cStat), r.xMotivo, DataHoraLog(r.dhResp), r.ultNSU,
       r.maxNSU});
}

std::string TDistribuicaoDFe::MensagemErro(const std::exception*) {
  return "WebService Distribuição de DFe:\r\n- Inativo ou Inoperante tente novamente.";
}

// ---- TAdministrarCSCNFCe --------------------------------------------------------------------

TAdministrarCSCNFCe::TAdministrarCSCNFCe(TTuimNFe& owner)
    : TNFeWebService(owner), fretAdmCSCNFCe(std::make_unique<TRetAdmCSCNFCe>()) {
  SetLayout(layAdministrarCSCNFCe);
  SetSufixoEnvio("ped-csc");
  SetSufixoResposta("csc");
}

TAdministrarCSCNFCe::~TAdministrarCSCNFCe() = default;

void TAdministrarCSCNFCe::Limpar() {
  TNFeWebService::Limpar();
  SetStatusExecucao(snAdmCSC);
  fretAdmCSCNFCe = std::make_unique<TRetAdmCSCNFCe>();
}

void TAdministrarCSCNFCe::DefinirURL() {
  SetLayout(layAdministrarCSCNFCe);
  TNFeWebService::DefinirURL();
}

void TAdministrarCSCNFCe::DefinirServicoEAction() {
  SetServico(UrlWsdl() + "CscNFCe");
  SetSoapAction(Servico() + "/admCscNFCe");
}

void TAdministrarCSCNFCe::DefinirDadosMsg() {
  TAdmCSCNFCe m;
  m.SettpAmb(Configuracoes().WebServices().Ambiente());
  m.SetraizCNPJ(RaizCNPJ);
  m.SetindOp(indOp);
  m.SetidCsc(IdCSC);
  m.SetcodigoCsc(CodigoCSC);
  m.SetVersao(VersaoDados());
  ConfigurarGerador(m.Gerador().Opcoes());
  m.GerarXML();
  SetDadosMsg(m.Gerador().ArquivoFormatoXML());
}

bool TAdministrarCSCNFCe::TratarResposta() {
  ExtrairRetorno({"cscNFCeResult", "nfeResultMsg"});
  ExigirResposta();
  TRetAdmCSCNFCe& r = *fretAdmCSCNFCe;
  Ler(r, RetornoDecodificado());
  SetMensagem(r.xMotivo);
  return r.cStat >= 150 && r.cStat <= 153;
}

std::string TAdministrarCSCNFCe::MensagemLog() {
  const TRetAdmCSCNFCe& r = *fretAdmCSCNFCe;
  return Preencher("Versão Layout: %s \r\nAmbiente: %s \r\nStatus Código: %s \r\nStatus Descrição: %s \r\n",
                   {r.versao, Amb(r.tpAmb), std::to_string(r.cStat), r.xMotivo});
}

std::string TAdministrarCSCNFCe::MensagemErro(const std::exception*) {
  return "WebService Administrar CSC da NFC-e:\r\n- Inativo ou Inoperante tente novamente.";
}

}  // namespace tuim
