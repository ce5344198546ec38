#include "services/TuimServicosNFe.h"

#include <algorithm>
#include <filesystem>
#include <initializer_list>

#include "component/TuimCatalogo.h"
#include "fiscal/TuimException.h"
#include "fiscal/TuimUtil.h"
#include "component/TuimNotasFiscais.h"
#include "fiscal/fscAuxiliar.h"
#include "services/TuimMensagensNFe.h"

namespace tuim {

namespace {

std::string Amb(TfscTipoAmbiente a) { return TipoAmbienteParaTexto(a); }

bool Antes400(TConfiguracoesNFe& c) { return c.Geral().VersaoDF() < ve400; }

// "SVC-AN"/"SVC-RS" in contingency on a shared virtual authority, else the state.
std::string Autoridade(TfscTipoEmissao forma, int cUF) {
  return forma == teSVCAN ? "SVC-AN" : forma == teSVCRS ? "SVC-RS" : CodigoUFParaSigla(cUF);
}

}  // namespace

bool StatusAutorizado(int cStat) { return cStat == 100 || cStat == 150; }
bool StatusDenegado(int cStat) { return cStat == 110 || cStat == 301 || cStat == 302 || cStat == 303; }

const char* SituacaoConsultaParaTexto(TSituacaoConsulta s) {
  switch (s) {
    case sqSemResposta: return "sem-resposta";
    case sqAutorizada: return "autorizada";
    case sqCancelada: return "cancelada";
    case sqDenegada: return "denegada";
    case sqNaoEncontrada: return "nao-encontrada";
    case sqRejeitada: return "rejeitada";
  }
  return "";
}

// ---- TNFeStatusServico ----------------------------------------------------------------------

TNFeStatusServico::TNFeStatusServico(TTuimNFe& owner) : TNFeServicoComRetorno(owner, svStatusServico) {}

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
  LerRetorno();
  // The shared virtual authority's clock correction needs its published host, which the
  // catalogue does not carry; the answer's time is kept as given.
  SetMensagem(xMotivo() + "\r\n" + xObs());
  // The authority's mean time becomes a stored setting: an absurd one (huge, negative, or
  // wrapping when multiplied) is held to the longest wait there is.
  if (Configuracoes().WebServices().AjustaAguardaConsultaRet()) {
    const int segundos = std::clamp(tMed(), 0, static_cast<int>(kEsperaMaximaMs / 1000));
    Configuracoes().WebServices().SetAguardarConsultaRet(static_cast<std::uint32_t>(segundos) * 1000u);
  }
  return Sucesso(cStat());
}

std::string TNFeStatusServico::MensagemLog() {
  return PreencherLog(
      "Versão Layout: %s \r\nAmbiente: %s\r\nVersão Aplicativo: %s \r\nStatus Código: %s\r\nStatus Descrição: %s\r\n"
      "UF: %s\r\nRecebimento: %s\r\nTempo Médio: %s\r\nRetorno: %s\r\nObservação: %s\r\n",
      {versao(), Amb(tpAmb()), verAplic(), std::to_string(cStat()), xMotivo(), CodigoUFParaSigla(cUF()),
       DataHoraLog(dhRecbto()), std::to_string(tMed()), DataHoraLog(dhRetorno()), xObs()});
}

// ---- TNFeConsulta ---------------------------------------------------------------------------

TNFeConsulta::TNFeConsulta(TTuimNFe& owner) : TNFeServicoComRetorno(owner, svConsulta) {}

void TNFeConsulta::Limpar() {
  TNFeServicoComRetorno::Limpar();
  fProtocolo.clear();
  fRetNFeDFe.clear();
  fdhRecbto = 0;
  fSituacao = sqSemResposta;
}

bool TNFeConsulta::DefinirDestino(TDestinoServico& destino) {
  // The key names the authority; a malformed one would be sent to nobody in particular.
  const std::string motivo = MotivoChaveInvalida(fNFeChave);
  if (!motivo.empty()) {
    FalharPreparacao(motivo);
    return false;
  }
  TConfiguracoesNFe& c = ConfiguracoesNFe();
  bool ok = false;
  destino.Modelo = ModeloDFParaNome(TextoParaModeloDF(ok, ModeloDaChave(fNFeChave)));
  destino.Autoridade = Autoridade(c.Geral().FormaEmissao(), UFDaChave(fNFeChave));
  // Without a document collection the environment is the configured one.
  destino.tpAmb = c.WebServices().Ambiente();
  return true;
}

std::string TNFeConsulta::GerarUFSoap() { return "<cUF>" + std::to_string(UFDaChave(fNFeChave)) + "</cUF>"; }

void TNFeConsulta::DefinirDadosMsg() {
  TConsSitNFe m;
  m.SetVersao(VersaoDados());
  m.SettpAmb(tpAmb());
  m.SetchNFe(fNFeChave);
  ConfigurarGerador(m.Gerador().Opcoes());
  m.GerarXML();
  SetDadosMsg(m.Gerador().ArquivoFormatoXML());
}

bool TNFeConsulta::TratarResposta() {
  LerRetorno();
  TRetConsSitNFe& r = Retorno();
  SetMensagem(r.xMotivo);

  bool cancelada = false;
  if (r.retCancNFe().cStat > 0) {
    cancelada = true;
    fProtocolo = r.retCancNFe().nProt;
    fdhRecbto = r.retCancNFe().dhRecbto;
  }
  for (int i = 0; i < r.procEventoNFe().Count(); ++i) {
    TRetEventoNFe& ev = r.procEventoNFe()[i].RetEventoNFe();
    for (int j = 0; j < ev.retEvento().Count(); ++j) {
      const TRetInfEvento& ret = ev.retEvento()[j];
      if (ret.tpEvento == teCancelamento || ret.tpEvento == teCancelamentoPorSubstituicao) {
        cancelada = true;
        fProtocolo = ret.nProt;
        fdhRecbto = ret.dhRegEvento;
        SetMensagem(ret.xMotivo);
      }
    }
  }
  if (!cancelada && !r.protNFe().nProt.empty()) {
    fProtocolo = r.protNFe().nProt;
    fdhRecbto = r.protNFe().dhRecbto;
    SetMensagem(r.protNFe().xMotivo);
  }
  // A denial is on file as an authorisation is, but the document can never be used.
  if (cancelada || TTuimNFe::StatusCancelado(r.cStat))
    fSituacao = sqCancelada;
  else if (StatusAutorizado(r.cStat))
    fSituacao = sqAutorizada;
  else if (StatusDenegado(r.cStat) || StatusDenegado(r.protNFe().cStat))
    fSituacao = sqDenegada;
  else if (r.cStat == 217)
    fSituacao = sqNaoEncontrada;
  else
    fSituacao = sqRejeitada;
  // Updating a document of the collection (and its processed file) comes with the collection;
  // the result still follows the answer's cStat.
  return Sucesso(r.cStat);
}

std::string TNFeConsulta::PrefixoArquivo() { return Trim(fNFeChave); }

std::string TNFeConsulta::MensagemLog() {
  return PreencherLog(
      "Versão Layout: %s \r\nIdentificador: %s \r\nAmbiente: %s \r\nVersão Aplicativo: %s \r\nStatus Código: %s \r\n"
      "Status Descrição: %s \r\nUF: %s \r\nChave Acesso: %s \r\nRecebimento: %s \r\nProtocolo: %s \r\n"
      "Digest Value: %s \r\n",
      {versao(), fNFeChave, Amb(tpAmb()), verAplic(), std::to_string(cStat()), xMotivo(), CodigoUFParaSigla(cUF()),
       fNFeChave, DataHoraLog(fdhRecbto), fProtocolo, Retorno().protNFe().digVal});
}

// ---- TNFeInutilizacao -----------------------------------------------------------------------

TNFeInutilizacao::TNFeInutilizacao(TTuimNFe& owner) : TNFeServicoComRetorno(owner, svInutilizacao) {}

void TNFeInutilizacao::Limpar() {
  TNFeServicoComRetorno::Limpar();
  fID.clear();
  fXML_ProcInutNFe.clear();
  fNomeArquivo.clear();
}

std::string TNFeInutilizacao::PastaInutilizacao() {
  auto& a = ConfiguracoesNFe().Arquivos();
  return a.MontarPathInu(a.SepararPorCNPJ() ? CNPJ : "");
}

bool TNFeInutilizacao::DefinirDestino(TDestinoServico& destino) {
  if (Modelo != 55 && Modelo != 65) throw ETuimNFeException("Modelo Inválido: " + std::to_string(Modelo));
  const TWebServicesConf& ws = Configuracoes().WebServices();
  destino.Modelo = ModeloDFParaNome(Modelo == 55 ? moNFe : moNFCe);
  destino.Autoridade = ws.UF();  // voiding never goes to a contingency authority
  destino.tpAmb = ws.Ambiente();
  return true;
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
  fID = m.ID();
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
  LerRetorno();
  SetMensagem(xMotivo());
  // A range voided before still gets its processed file.
  if (Sucesso(cStat()) || cStat() == 563) {
    fXML_ProcInutNFe = "<?xml version=\"1.0\" encoding=\"UTF-8\"?><ProcInutNFe versao=\"" + VersaoDados() +
                       "\" " + DeclaracaoNameSpaceNFe() + ">" + DadosMsg() + RemoverDeclaracaoXml(RetornoServico()) +
                       "</ProcInutNFe>";
    fNomeArquivo = CaminhoComBarra(PastaInutilizacao()) + PrefixoArquivo() + "-procInutNFe.xml";
    // The same range has the same name: a 563 never replaces the file of the accepted voiding.
    std::error_code ec;
    const bool substituiria = cStat() == 563 && std::filesystem::exists(fNomeArquivo, ec);
    if (ConfiguracoesNFe().Arquivos().Salvar() && !substituiria)
      NFe().GravarArquivo(fNomeArquivo, fXML_ProcInutNFe, true, "", true);
  }
  return Sucesso(cStat());
}

std::string TNFeInutilizacao::PrefixoArquivo() { return SomenteNumeros(fID); }

std::string TNFeInutilizacao::MensagemLog() {
  return PreencherLog(
      "Versão Layout: %s \r\nAmbiente: %s \r\nVersão Aplicativo: %s \r\nStatus Código: %s \r\n"
      "Status Descrição: %s \r\nUF: %s \r\nRecebimento: %s \r\n",
      {versao(), Amb(tpAmb()), verAplic(), std::to_string(cStat()), xMotivo(), CodigoUFParaSigla(cUF()),
       DataHoraLog(dhRecbto())});
}

// ---- TNFeConsultaCadastro -------------------------------------------------------------------

TNFeConsultaCadastro::TNFeConsultaCadastro(TTuimNFe& owner) : TNFeServicoComRetorno(owner, svConsultaCadastro) {}

void TNFeConsultaCadastro::PrepararServico() {
  TNFeWebService::PrepararServico();
  if (Interrompido()) return;
  fElementoCorpoSalvo = ElementoCorpo();
  fCorpoTrocado = true;
  if (!Antes400(ConfiguracoesNFe()) && UpperCase(UF) == "MT") SetElementoCorpo("consultaCadastro");
}

void TNFeConsultaCadastro::EncerrarServico() {
  TNFeWebService::EncerrarServico();
  if (fCorpoTrocado) SetElementoCorpo(fElementoCorpoSalvo);
  fCorpoTrocado = false;
}

bool TNFeConsultaCadastro::DefinirDestino(TDestinoServico& destino) {
  const TWebServicesConf& ws = Configuracoes().WebServices();
  if (UF.empty()) UF = ws.UF();
  destino.Modelo = NFe().NomeModeloDFe();
  destino.Autoridade = UF;
  destino.tpAmb = ws.Ambiente();
  return true;
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

std::string TNFeConsultaCadastro::MensagemLog() {
  return PreencherLog(
      "Versão Layout: %s \r\nVersão Aplicativo: %s \r\nStatus Código: %s \r\nStatus Descrição: %s \r\nUF: %s \r\n"
      "Consulta: %s \r\n",
      {versao(), verAplic(), std::to_string(cStat()), xMotivo(), CodigoUFParaSigla(cUF()), DataHoraLog(dhCons())});
}

// ---- TDistribuicaoDFe -----------------------------------------------------------------------

TDistribuicaoDFe::TDistribuicaoDFe(TTuimNFe& owner) : TNFeServicoComRetorno(owner, svDistribuicaoDFe) {}

void TDistribuicaoDFe::Limpar() {
  TNFeServicoComRetorno::Limpar();
  fListaArqs.clear();
  fNomeArquivoDistribuicao.clear();
  // The national environment takes no SOAP header and its own body element.
  SetElementoCorpo("nfeDistDFeInteresse");
  SetElementoCabecalho("");
}

bool TDistribuicaoDFe::DefinirDestino(TDestinoServico& destino) {
  destino.Modelo = NFe().NomeModeloDFe();
  destino.Autoridade = "AN";
  destino.tpAmb = Configuracoes().WebServices().Ambiente();
  return true;
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
  // The names come from the answer: a key is 44 characters of the key alphabet, and no name
  // may carry a folder of its own.
  const bool comChave = doc.schema == schresNFe || doc.schema == schprocNFe;
  if (comChave && !ChaveNoAlfabeto(doc.resDFe().chDFe)) fNomeArquivoDistribuicao.clear();
  if (fNomeArquivoDistribuicao.find_first_of("/\\:") != std::string::npos ||
      fNomeArquivoDistribuicao.find("..") != std::string::npos || fNomeArquivoDistribuicao[0] == '-')
    fNomeArquivoDistribuicao.clear();
  if (fNomeArquivoDistribuicao.empty()) {
    bool tratado = false;
    NFe().RegistrarLog("Documento distribuído com nome inválido ignorado (NSU " + doc.NSU + ")", tratado);
    return;
  }
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
    GravarDistribuido(pasta, doc.XML);
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
    GravarDistribuido(pasta, doc.XML);
  }
}

void TDistribuicaoDFe::GravarDistribuido(const std::string& pasta, const std::string& xml) {
  // The resolved file stays under its folder, whatever the folder rules made of the answer's names.
  namespace fs = std::filesystem;
  const fs::path base = fs::weakly_canonical(fs::path(pasta.empty() ? ConfiguracoesNFe().Arquivos().PathSalvar() : pasta));
  const fs::path alvo = fs::weakly_canonical(base / fNomeArquivoDistribuicao);
  if (alvo.parent_path() != base)
    throw ETuimNFeException("Nome de arquivo inválido: " + fNomeArquivoDistribuicao);
  NFe().GravarArquivo(fNomeArquivoDistribuicao, xml, true, pasta);
}

bool TDistribuicaoDFe::TratarResposta() {
  ExtrairRetorno();
  ExigirResposta();
  {
    // The documents are read from the undecoded text: their Base64 is what was received.
    TRetDistDFeInt bruto;
    bruto.Leitor().SetArquivo(RetornoServico());
    bruto.LerResposta();
    for (int i = 0; i < bruto.docZip().Count(); ++i)
      if (!bruto.docZip()[i].XML.empty()) SalvarDocumento(bruto.docZip()[i]);
  }
  NovoRetorno();
  LerRetorno();
  SetMensagem(xMotivo());
  return Sucesso(cStat());
}

std::string TDistribuicaoDFe::MensagemLog() {
  const TRetDistDFeInt& r = Retorno();
  return PreencherLog(
      "Versão Layout: %s \r\nAmbiente: %s \r\nVersão Aplicativo: %s \r\nStatus Código: %s \r\nStatus Descrição: %s \r\n"
      "Resposta: %s \r\nÚltimo NSU: %s \r\nMáximo NSU: %s \r\n",
      {r.versao, Amb(r.tpAmb), r.verAplic, std::to_string(r.cStat), r.xMotivo, DataHoraLog(r.dhResp), r.ultNSU,
       r.maxNSU});
}

// ---- TAdministrarCSCNFCe --------------------------------------------------------------------

TAdministrarCSCNFCe::TAdministrarCSCNFCe(TTuimNFe& owner) : TNFeServicoComRetorno(owner, svAdministrarCSCNFCe) {}

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

namespace {

// Every element content named `tag` replaced by asterisks of the same length.
std::string Mascarar(std::string x, const std::string& tag) {
  const std::string abre = "<" + tag + ">", fecha = "</" + tag + ">";
  for (std::size_t p = x.find(abre); p != std::string::npos; p = x.find(abre, p + 1)) {
    const std::size_t ini = p + abre.size(), fim = x.find(fecha, ini);
    if (fim == std::string::npos) break;
    x.replace(ini, fim - ini, std::string(fim - ini, '*'));
  }
  return x;
}

// Calls `f`, then `restaurar`, even when `f` throws: the masked texts never outlive the save.
template <class F, class R>
void RestaurandoDepois(F&& f, R&& restaurar) {
  struct TAoSair {
    R& r;
    ~TAoSair() { r(); }
  } aoSair{restaurar};
  f();
}

}  // namespace

void TAdministrarCSCNFCe::GravarEnvio() {
  const std::string dados = DadosMsg(), envelope = Envelope();
  SetDadosMsg(Mascarar(dados, "codigoCsc"));
  SetEnvelope(Mascarar(envelope, "codigoCsc"));
  RestaurandoDepois([&] { TNFeServicoComRetorno::GravarEnvio(); },
                    [&] {
                      SetDadosMsg(dados);
                      SetEnvelope(envelope);
                    });
}

void TAdministrarCSCNFCe::GravarResposta() {
  // The answer carries the tokens of the taxpayer (CSC) as well.
  const std::string retorno = RetornoServico(), resposta = RespostaHTTP();
  SetRetornoServico(Mascarar(Mascarar(retorno, "CSC"), "codigoCsc"));
  SetRespostaHTTP(Mascarar(Mascarar(resposta, "CSC"), "codigoCsc"));
  RestaurandoDepois([&] { TNFeServicoComRetorno::GravarResposta(); },
                    [&] {
                      SetRetornoServico(retorno);
                      SetRespostaHTTP(resposta);
                    });
}

std::string TAdministrarCSCNFCe::MensagemLog() {
  return PreencherLog("Versão Layout: %s \r\nAmbiente: %s \r\nStatus Código: %s \r\nStatus Descrição: %s \r\n",
                   {versao(), Amb(tpAmb()), std::to_string(cStat()), xMotivo()});
}

}  // namespace tuim
