#include "services/TuimServicosEnvio.h"

#include <zlib.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <initializer_list>
#include <thread>

#include "component/TuimCatalogo.h"
#include "fiscal/TuimException.h"
#include "fiscal/TuimUtil.h"
#include "fiscal/fscAuxiliar.h"
#include "services/TuimMensagensNFe.h"

namespace tuim {

namespace {


std::string Alertas(const std::vector<std::string>& linhas) {
  std::string r;
  for (const std::string& l : linhas) r += (r.empty() ? "" : "\r\n") + l;
  return r;
}

void Dormir(std::uint32_t ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

// The protNFe group of `chave` as the authority wrote it (UTF-8, undecoded); empty when absent.
std::string GrupoProtNFe(const std::string& resposta, const std::string& chave) {
  for (std::size_t p = resposta.find("<protNFe"); p != std::string::npos; p = resposta.find("<protNFe", p + 1)) {
    const std::size_t fim = resposta.find("</protNFe>", p);
    if (fim == std::string::npos) return "";
    std::string g = resposta.substr(p, fim + 10 - p);
    if (g.find("<chNFe>" + chave + "</chNFe>") != std::string::npos) return g;
  }
  return "";
}

std::string DigestDaNota(NotaFiscal& nota) {
  std::string d = nota.NFe().signature.DigestValue();
  if (d.empty()) d = ExtrairConteudoTag(nota.XMLAssinado(), "DigestValue");
  return Trim(d);
}

TResultadoNota ResultadoSemProtocolo(const std::string& chave, TSituacaoEnvio s, int cStat, const std::string& motivo,
                                     const std::string& recibo = "") {
  TResultadoNota r;
  r.chNFe = chave;
  r.Situacao = s;
  r.cStat = cStat;
  r.xMotivo = motivo;
  r.Recibo = recibo;
  return r;
}

}  // namespace

const char* SituacaoEnvioParaTexto(TSituacaoEnvio s) {
  switch (s) {
    case sAutorizada: return "autorizada";
    case sDenegada: return "denegada";
    case sRejeitada: return "rejeitada";
    case sPendente: return "pendente";
    case sDigestDivergente: return "digest-divergente";
    case sSemResposta: return "sem-resposta";
  }
  return "";
}

std::string CompactarGZip(const std::string& dados) {
  z_stream zs{};
  if (deflateInit2(&zs, Z_DEFAULT_COMPRESSION, Z_DEFLATED, MAX_WBITS + 16, 8, Z_DEFAULT_STRATEGY) != Z_OK)
    throw ETuimDFeException("Falha ao compactar o lote");
  std::string saida(deflateBound(&zs, static_cast<uLong>(dados.size())) + 32, '\0');
  zs.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(dados.data()));
  zs.avail_in = static_cast<uInt>(dados.size());
  zs.next_out = reinterpret_cast<Bytef*>(saida.data());
  zs.avail_out = static_cast<uInt>(saida.size());
  const int rc = deflate(&zs, Z_FINISH);
  saida.resize(zs.total_out);
  deflateEnd(&zs);
  if (rc != Z_STREAM_END) throw ETuimDFeException("Falha ao compactar o lote");
  return saida;
}

bool ReciboValido(const std::string& recibo) {
  return recibo.size() == 15 && std::all_of(recibo.begin(), recibo.end(), [](char c) { return c >= '0' && c <= '9'; });
}

void ParametrosDocumentoIntegrador(TTuimIntegradorBase& integrador, const TNFe& nfe) {
  integrador.SetParametro("versaoDados", FormatarVersaoCatalogo(nfe.infNFe.versao));
  integrador.SetParametro("NumeroNFCe", SomenteNumeros(nfe.infNFe.ID));
  integrador.SetParametro("DataHoraNFCeGerado", DataHoraParaTexto14(nfe.Ide.dEmi));
  integrador.SetParametro("ValorNFCe", nfe.Total.ICMSTot.vNF.ToString(2, '.'));
}

NotaFiscal* NotaPorChave(TNotasFiscais& notas, const std::string& chave) {
  for (int i = 0; i < notas.Count(); ++i)
    if (notas[i].NumID() == chave) return &notas[i];
  return nullptr;
}

TResultadoNota AplicarProtocolo(TNFeWebService& servico, NotaFiscal& nota, const TProcNFe& protocolo,
                                const std::string& xmlProt, const std::string& versao) {
  TResultadoNota r;
  r.chNFe = nota.NumID();
  r.cStat = protocolo.cStat;
  r.xMotivo = protocolo.xMotivo;
  r.nProt = protocolo.nProt;
  TConfiguracoesNFe& conf = servico.ConfiguracoesNFe();

  // A protocol whose digest is not the signed document's belongs to other bytes: the document
  // keeps what it had, and only it is reported.
  if (conf.Geral().ValidarDigest() && !protocolo.digVal.empty()) {
    const std::string proprio = DigestDaNota(nota);
    if (!proprio.empty() && proprio != Trim(protocolo.digVal)) {
      r.Situacao = sDigestDivergente;
      r.xMotivo = "DigestValue do documento " + r.chNFe + " não confere.";
      return r;
    }
  }

  TProcNFe& proc = nota.NFe().procNFe;
  proc.tpAmb = protocolo.tpAmb;
  proc.verAplic = protocolo.verAplic;
  proc.chNFe = protocolo.chNFe;
  proc.dhRecbto = protocolo.dhRecbto;
  proc.dhRecbtoFuso = protocolo.dhRecbtoFuso;
  proc.nProt = protocolo.nProt;
  proc.digVal = protocolo.digVal;
  proc.cStat = protocolo.cStat;
  proc.xMotivo = protocolo.xMotivo;
  proc.CopiarMensagensDe(protocolo);

  r.Situacao = StatusAutorizado(protocolo.cStat) ? sAutorizada : StatusDenegado(protocolo.cStat) ? sDenegada : sRejeitada;
  if (r.Situacao == sRejeitada) return r;

  TProcNFe montador;
  servico.ConfigurarGerador(montador.Gerador().Opcoes());
  montador.Gerador().Opcoes().SetIdentarXML(false);
  montador.XMLNFe = RemoverDeclaracaoXml(nota.XMLAssinado());
  montador.XMLProt = xmlProt;
  montador.Versao = versao;
  if (!montador.MontarProcNFe())
    throw ETuimNFeException("Falha ao montar o nfeProc de " + r.chNFe + ": " +
                            Alertas(montador.Gerador().ListaDeAlertas()));
  nota.SetXMLOriginal(montador.Gerador().ArquivoFormatoXML());

  if (conf.Arquivos().Salvar()) {
    TTuimNFe& comp = servico.NFe();
    std::string gravado;
    if (!nota.NomeArq().empty() && std::filesystem::exists(nota.NomeArq())) {
      if (comp.GravarArquivo(nota.NomeArq(), nota.XMLOriginal(), true, "", true)) gravado = nota.NomeArq();
    }
    if (gravado.empty() || nota.CaminhoArquivo("", "") != gravado) {
      if (nota.SalvarXML()) gravado = nota.NomeArq();
    }
    r.Arquivo = gravado;
  }
  return r;
}

// ---- TNFeRecepcao ---------------------------------------------------------------------------

TNFeRecepcao::TNFeRecepcao(TTuimNFe& owner)
    : TNFeWebService(owner, svRecepcao),
      fRetornoLote(std::make_unique<TretEnvNFe>()),
      fRetornoSincrono(std::make_unique<TRetConsSitNFe>()) {}

void TNFeRecepcao::Limpar() {
  TNFeWebService::Limpar();
  fRetornoLote = std::make_unique<TretEnvNFe>();
  fRetornoSincrono = std::make_unique<TRetConsSitNFe>();
  fResultados.clear();
  fversao.clear();
  fxMotivo.clear();
  fdhRecbto = 0;
  ftMed = 0;
  fcStat = 0;
  fRespostaLida = false;
  fTransmitido = false;
}

TfscVersaoDF TNFeRecepcao::VersaoLayout() const {
  TNotasFiscais& notas = fNFe.NotasFiscais();
  if (notas.Count() == 0) return ConfiguracoesNFe().Geral().VersaoDF();
  bool ok = false;
  TfscVersaoDF v = NumeroParaVersaoDF(ok, notas[0].NFe().infNFe.versao);
  return ok ? v : ConfiguracoesNFe().Geral().VersaoDF();
}

bool TNFeRecepcao::EhSincrono() const {
  // NF-e before 3.10 had no synchronous answer.
  const TNotasFiscais& notas = fNFe.NotasFiscais();
  const bool nfe = notas.Count() > 0 ? const_cast<TNotasFiscais&>(notas)[0].NFe().Ide.modelo == 55
                                     : ConfiguracoesNFe().Geral().ModeloDF() == moNFe;
  return Sincrono && !(nfe && VersaoLayout() < ve310);
}

void TNFeRecepcao::PrepararServico() {
  TNFeWebService::PrepararServico();
  if (VersaoLayout() >= ve400) SetElementoCabecalho("");
}

bool TNFeRecepcao::DefinirDestino(TDestinoServico& destino) {
  TConfiguracoesNFe& c = ConfiguracoesNFe();
  TNotasFiscais& notas = fNFe.NotasFiscais();
  TfscModeloDF modelo = c.Geral().ModeloDF();
  int cUF = c.WebServices().UFCodigo();
  if (notas.Count() > 0) {
    TNFe& n = notas[0].NFe();
    modelo = n.Ide.modelo == 65 ? moNFCe : moNFe;
    cUF = n.Ide.cUF;
    if (n.Ide.tpAmb != c.WebServices().Ambiente())
      throw ETuimNFeException(
          "Ambiente do XML (tpAmb) é diferente do configurado no Componente (Configuracoes.WebServices.Ambiente)");
  }
  SetLayout(TTuimNFe::UsaAutorizacao(VersaoLayout(), modelo, cUF) ? layNfeAutorizacao : layNfeRecepcao);
  destino.Modelo = ModeloDFParaNome(modelo);
  const TfscTipoEmissao forma = c.Geral().FormaEmissao();
  destino.Autoridade = forma == teSVCAN ? "SVC-AN" : forma == teSVCRS ? "SVC-RS" : CodigoUFParaSigla(cUF);
  destino.tpAmb = c.WebServices().Ambiente();
  return true;
}

void TNFeRecepcao::DefinirServicoEAction() {
  TNFeWebService::DefinirServicoEAction();
  if (Zipado) {
    SetSoapAction(SoapAction() + (VersaoLayout() >= ve400 ? "ZIP" : "LoteZip"));
    SetElementoCorpo("nfeDadosMsgZip");
  } else {
    SetElementoCorpo("nfeDadosMsg");
  }
}

void TNFeRecepcao::DefinirDadosMsg() {
  TNotasFiscais& notas = fNFe.NotasFiscais();
  const bool nfce = notas.Count() > 0 ? notas[0].NFe().Ide.modelo == 65 : ConfiguracoesNFe().Geral().ModeloDF() == moNFCe;
  std::string indicador;
  if (Layout() == layNfeAutorizacao || nfce || VersaoLayout() >= ve310)
    indicador = std::string("<indSinc>") + (Sincrono ? "1" : "0") + "</indSinc>";
  std::string docs;
  for (int i = 0; i < notas.Count(); ++i) {
    const std::string& x = notas[i].XMLAssinado();
    const std::size_t ini = x.find("<NFe");
    const std::size_t fim = ini == std::string::npos ? std::string::npos : x.find("</NFe>", ini);
    if (fim == std::string::npos) throw ETuimNFeException("Documento sem o grupo NFe: " + notas[i].NumID());
    docs += x.substr(ini, fim + 6 - ini);
  }
  std::string lote = Trim(Lote);
  if (lote.empty()) lote = "1";
  std::string msg = std::string("<enviNFe xmlns=\"") + kNamespaceNFe + "\" versao=\"" + VersaoDados() + "\"><idLote>" +
                    lote + "</idLote>" + indicador + docs + "</enviNFe>";
  if (Zipado) msg = CodificarBase64(CompactarGZip(msg));
  SetDadosMsg(msg);
  if (msg.size() > 512000)
    RelatarErro("Tamanho do XML de Dados superior a 500 Kbytes. Tamanho atual: " + std::to_string(msg.size() / 1024) +
                " Kbytes");
  fRecibo.clear();
}

void TNFeRecepcao::PrepararIntegrador() {
  TNFeWebService::PrepararIntegrador();
  TTuimIntegradorBase* integrador = fNFe.Integrador();
  TNotasFiscais& notas = fNFe.NotasFiscais();
  if (integrador && notas.Count() > 0) ParametrosDocumentoIntegrador(*integrador, notas[0].NFe());
}

void TNFeRecepcao::Transmitir() {
  fTransmitido = true;
  // A batch is never posted again blindly: the host hears of the failure, but only a key query
  // that shows the authority lacks the documents sends them again (TNFeAutorizacao).
  TTuimDFeOnTransmitError doHost = fNFe.OnTransmitError;
  if (doHost)
    fNFe.OnTransmitError = [&doHost](int http, int interno, const std::string& url, const std::string& dados,
                                     const std::string& acao, bool& retentar, bool& tratado) {
      doHost(http, interno, url, dados, acao, retentar, tratado);
      retentar = false;
      tratado = false;
    };
  try {
    TNFeWebService::Transmitir();
  } catch (...) {
    fNFe.OnTransmitError = doHost;
    // A command the integrator never took sent nothing: no key query is needed.
    if (TTuimIntegradorBase* integrador = fNFe.Integrador(); integrador && integrador->ComandoNaoRecebido())
      fTransmitido = false;
    throw;
  }
  fNFe.OnTransmitError = doHost;
  // An integrator that took the command but gave no answer may have delivered it.
  if (TTuimIntegradorBase* integrador = fNFe.Integrador(); integrador && integrador->ComandoRecebidoSemResposta())
    throw ETuimDFeException("Erro ao obter resposta do webservice.");
}

bool TNFeRecepcao::TratarResposta() {
  ExtrairRetorno();
  ExigirResposta();
  return EhSincrono() ? TratarRespostaSincrona() : TratarRespostaLote();
}

bool TNFeRecepcao::TratarRespostaLote() {
  TretEnvNFe& r = *fRetornoLote;
  r.Leitor().SetArquivo(RetornoDecodificado());
  if (!r.LerResposta() || r.cStat == 0) throw ETuimDFeException("Resposta do lote ilegível.");
  fRespostaLida = true;
  fversao = r.versao;
  fcStat = r.cStat;
  fxMotivo = r.xMotivo;
  fdhRecbto = r.infRec().dhRecbto;
  ftMed = r.infRec().tMed;
  SetMensagem(r.xMotivo);
  if (r.cStat == 103 && !ReciboValido(r.infRec().nRec))
    throw ETuimNFeException("Recibo inválido na resposta: " + r.infRec().nRec);
  fRecibo = r.infRec().nRec;
  return r.cStat == 103;
}

bool TNFeRecepcao::TratarRespostaSincrona() {
  // The synchronous answer is read as a protocol query's.
  std::string copia = RetornoServico();
  auto trocar = [&copia](const std::string& de) {
    std::string baixa = LowerCase(de);
    for (std::size_t p = LowerCase(copia).find(baixa); p != std::string::npos;
         p = LowerCase(copia).find(baixa, p + 13))
      copia.replace(p, de.size(), "retConsSitNFe");
  };
  if (copia.find("retEnviNFe") != std::string::npos)
    trocar("retEnviNFe");
  else if (copia.find("retConsReciNFe") != std::string::npos)
    trocar("retConsReciNFe");
  TRetConsSitNFe& r = *fRetornoSincrono;
  r.Leitor().SetArquivo(TratarEntidades(copia, true, true));
  if (!r.LerResposta() || r.cStat == 0) throw ETuimDFeException("Resposta do lote ilegível.");
  fRespostaLida = true;
  fversao = r.versao;
  const TProcNFe& prot = r.protNFe();
  fcStat = prot.cStat > 0 ? prot.cStat : r.cStat;
  fxMotivo = !prot.xMotivo.empty() ? prot.xMotivo : r.xMotivo;
  fdhRecbto = r.dhRecbto;
  SetMensagem(fxMotivo);
  const std::string nRec = Trim(ExtrairConteudoTag(RetornoServico(), "nRec"));
  if (!nRec.empty()) {
    if (!ReciboValido(nRec)) throw ETuimNFeException("Recibo inválido na resposta: " + nRec);
    fRecibo = nRec;
  }
  if (r.cStat != 104) return false;
  return AplicarProtocoloSincrono(prot);
}

bool TNFeRecepcao::AplicarProtocoloSincrono(const TProcNFe& prot) {
  NotaFiscal* nota = prot.chNFe.empty() ? nullptr : NotaPorChave(fNFe.NotasFiscais(), prot.chNFe);
  if (!nota) return false;
  if (prot.cStat == 204 || prot.cStat == 539) {
    // A duplicate: the authority holds a protocol that the key query gives in full.
    fResultados.push_back(ResultadoSemProtocolo(prot.chNFe, sSemResposta, prot.cStat, prot.xMotivo));
    return false;
  }
  TResultadoNota res;
  if (StatusAutorizado(prot.cStat) || StatusDenegado(prot.cStat))
    res = AplicarProtocolo(*this, *nota, prot, GrupoProtNFe(RetornoServico(), prot.chNFe), VersaoDados());
  else
    res = ResultadoSemProtocolo(prot.chNFe, sRejeitada, prot.cStat, prot.xMotivo);
  fResultados.push_back(res);
  if (res.Situacao == sDigestDivergente) SetMensagem(res.xMotivo);
  return res.Situacao == sAutorizada;
}

std::string TNFeRecepcao::PrefixoArquivo() {
  if (!EhSincrono()) return Trim(Lote);
  if (!fRecibo.empty()) {
    SetSufixoResposta("pro-rec");
    return Trim(fRecibo);
  }
  SetSufixoResposta("pro-lot");
  return Trim(Lote);
}

std::string TNFeRecepcao::MensagemLog() {
  const std::string amb = TipoAmbienteParaTexto(ConfiguracoesNFe().WebServices().Ambiente());
  const std::string uf = CodigoUFParaSigla(ConfiguracoesNFe().WebServices().UFCodigo());
  if (EhSincrono())
    return PreencherLog(
        "Versão Layout: %s \r\nAmbiente: %s \r\nVersão Aplicativo: %s \r\nStatus Código: %s \r\nStatus Descrição: %s "
        "\r\nUF: %s \r\ndhRecbto: %s \r\nchNFe: %s \r\n",
        {fversao, amb, fRetornoSincrono->verAplic, std::to_string(fcStat), fxMotivo, uf, DataHoraLog(fdhRecbto),
         fRetornoSincrono->protNFe().chNFe});
  return PreencherLog(
      "Versão Layout: %s \r\nAmbiente: %s \r\nVersão Aplicativo: %s \r\nStatus Código: %s \r\nStatus Descrição: %s "
      "\r\nUF: %s \r\nRecibo: %s \r\nRecebimento: %s \r\nTempo Médio: %s \r\n",
      {fversao, amb, fRetornoLote->verAplic, std::to_string(fcStat), fxMotivo, uf, fRecibo, DataHoraLog(fdhRecbto),
       std::to_string(ftMed)});
}

// ---- TNFeRecibo -----------------------------------------------------------------------------

TNFeRecibo::TNFeRecibo(TTuimNFe& owner) : TNFeServicoComRetorno(owner, svRecibo) {}
TNFeRecibo::TNFeRecibo(TTuimNFe& owner, TServicoNFe servico) : TNFeServicoComRetorno(owner, servico) {}

bool TNFeRecibo::DefinirDestino(TDestinoServico& destino) {
  if (!ReciboValido(Trim(Recibo))) FalharPreparacao("Recibo inválido: " + Recibo);
  TConfiguracoesNFe& c = ConfiguracoesNFe();
  TNotasFiscais& notas = fNFe.NotasFiscais();
  TfscModeloDF modelo = c.Geral().ModeloDF();
  int cUF = c.WebServices().UFCodigo();
  TfscVersaoDF versao = c.Geral().VersaoDF();
  if (notas.Count() > 0) {
    modelo = notas[0].NFe().Ide.modelo == 65 ? moNFCe : moNFe;
    cUF = notas[0].NFe().Ide.cUF;
  }
  SetLayout(TTuimNFe::UsaAutorizacao(versao, modelo, cUF) ? layNfeRetAutorizacao : layNfeRetRecepcao);
  destino.Modelo = ModeloDFParaNome(modelo);
  const TfscTipoEmissao forma = c.Geral().FormaEmissao();
  destino.Autoridade = forma == teSVCAN ? "SVC-AN" : forma == teSVCRS ? "SVC-RS" : CodigoUFParaSigla(cUF);
  destino.tpAmb = c.WebServices().Ambiente();
  return true;
}

void TNFeRecibo::DefinirDadosMsg() {
  TConsReciDFe m(VersaoDados(), "NFe");
  m.SettpAmb(ConfiguracoesNFe().WebServices().Ambiente());
  m.SetnRec(Trim(Recibo));
  ConfigurarGerador(m.Gerador().Opcoes());
  m.GerarXML();
  SetDadosMsg(m.Gerador().ArquivoFormatoXML());
}

bool TNFeRecibo::TratarResposta() {
  LerRetorno();
  SetMensagem(xMotivo());
  return cStat() == 104;
}

std::string TNFeRecibo::MensagemLog() {
  return PreencherLog(
      "Versão Layout: %s \r\nAmbiente: %s \r\nVersão Aplicativo: %s \r\nRecibo: %s \r\nStatus Código: %s \r\n"
      "Status Descrição: %s \r\nUF: %s \r\n",
      {versao(), TipoAmbienteParaTexto(tpAmb()), verAplic(), Recibo, std::to_string(cStat()), xMotivo(),
       CodigoUFParaSigla(cUF())});
}

// ---- TNFeRetRecepcao ------------------------------------------------------------------------

TNFeRetRecepcao::TNFeRetRecepcao(TTuimNFe& owner) : TNFeRecibo(owner, svRetRecepcao) {}

bool TNFeRetRecepcao::TratarResposta() {
  LerRetorno();
  SetMensagem(xMotivo());
  return cStat() == 105;
}

std::string TNFeRetRecepcao::PrefixoArquivo() { return Trim(Recibo); }

bool TNFeRetRecepcao::Executar() {
  fResultados.clear();
  fChaveNFe.clear();
  fProtocolo.clear();
  const TWebServicesConf& ws = ConfiguracoesNFe().WebServices();
  auto esperar = [this](std::uint32_t ms) {
    if (OnEsperar)
      OnEsperar(ms);
    else
      Dormir(ms);
  };
  esperar(std::min(ws.AguardarConsultaRet(), kEsperaMaximaMs));
  const std::uint32_t intervalo = std::max<std::uint32_t>(ws.IntervaloTentativas(), 1000);
  int consultas = 0;
  int ultimo = 0;
  for (;;) {
    ++consultas;
    bool denovo = false;
    try {
      denovo = TDFeWebService::Executar();
      ultimo = cStat();
    } catch (const ETuimDFeException&) {
      // A receipt query changes nothing at the authority; a lost answer is asked again.
      if (consultas > ws.Tentativas()) throw;
      denovo = true;
      ultimo = 0;
    }
    if (!denovo || consultas > ws.Tentativas()) break;
    if (OnAguardando) OnAguardando(consultas, ultimo);
    esperar(intervalo);
  }
  fNFe.AlterarStatus(snParado);
  if (ultimo != 104) return false;
  return TratarRecibo();
}

bool TNFeRetRecepcao::TratarRecibo() {
  TRetConsReciDFe& r = RetornoRecibo();
  TProtDFeCollection& prots = r.ProtDFe();
  if (prots.Count() > 0) SetMensagem(prots[0].xMotivo);
  bool todas = prots.Count() > 0;
  std::string naoConfirmadas;
  for (int i = 0; i < prots.Count(); ++i) {
    const TProtDFeCollectionItem& p = prots[i];
    TResultadoNota res;
    NotaFiscal* nota = NotaPorChave(fNFe.NotasFiscais(), p.chDFe);
    if (!nota) {
      continue;  // a protocol of a document this collection does not hold
    } else if (p.cStat == 204 || p.cStat == 539) {
      res = ResultadoSemProtocolo(p.chDFe, sSemResposta, p.cStat, p.xMotivo, Recibo);
    } else if (StatusAutorizado(p.cStat) || StatusDenegado(p.cStat)) {
      TProcNFe prot;
      prot.tpAmb = p.tpAmb;
      prot.verAplic = p.verAplic;
      prot.chNFe = p.chDFe;
      prot.dhRecbto = p.dhRecbto;
      prot.nProt = p.nProt;
      prot.digVal = p.digVal;
      prot.cStat = p.cStat;
      prot.xMotivo = p.xMotivo;
      std::string grupo = GrupoProtNFe(RetornoServico(), p.chDFe);
      TProcNFe lido;
      if (lido.LerProtNFe(RetornoDecodificado().empty() ? grupo : TratarEntidades(grupo, true, true))) {
        prot.dhRecbtoFuso = lido.dhRecbtoFuso;
        prot.CopiarMensagensDe(lido);
      }
      res = AplicarProtocolo(*this, *nota, prot, grupo, VersaoDados());
    } else {
      res = ResultadoSemProtocolo(p.chDFe, sRejeitada, p.cStat, p.xMotivo, Recibo);
    }
    res.Recibo = Recibo;
    if (res.Situacao != sAutorizada) {
      todas = false;
      naoConfirmadas += std::to_string(nota->NFe().Ide.nNF) + "->" + std::to_string(res.cStat) + "-" + res.xMotivo + "\r\n";
    }
    fResultados.push_back(res);
  }
  if (!naoConfirmadas.empty()) SetMensagem("Nota(s) não confirmadas:\r\n" + naoConfirmadas);
  if (prots.Count() > 0) {
    fChaveNFe = prots[0].chDFe;
    fProtocolo = prots[0].nProt;
  }
  return todas;
}

// ---- TNFeEnvEvento --------------------------------------------------------------------------

namespace {

// The n-th (from 0) element `tag` of the text, tags included; empty when there is none.
std::string Grupo(const std::string& x, const std::string& tag, int n) {
  std::size_t p = 0;
  for (int i = 0;; ++i) {
    p = x.find("<" + tag, p);
    while (p != std::string::npos && x[p + tag.size() + 1] != '>' && x[p + tag.size() + 1] != ' ')
      p = x.find("<" + tag, p + 1);
    if (p == std::string::npos) return "";
    if (i == n) break;
    ++p;
  }
  const std::size_t fim = x.find("</" + tag + ">", p);
  return fim == std::string::npos ? "" : x.substr(p, fim + tag.size() + 3 - p);
}

bool EventoDoEstado(TfscTpEvento t) {
  return t == teCCe || t == teCancelamento || t == tePedProrrog1 || t == tePedProrrog2 || t == teCanPedProrrog1 ||
         t == teCanPedProrrog2 || t == teCancelamentoPorSubstituicao;
}

}  // namespace

TNFeEnvEvento::TNFeEnvEvento(TTuimNFe& owner)
    : TNFeWebService(owner, svEnvEvento), fEventoRetorno(std::make_unique<TRetEventoNFe>()) {}

void TNFeEnvEvento::Limpar() {
  TNFeWebService::Limpar();
  fEventoRetorno = std::make_unique<TRetEventoNFe>();
  fcStat = 0;
  fxMotivo.clear();
}

bool TNFeEnvEvento::DefinirDestino(TDestinoServico& destino) {
  TInfEventoCollection& eventos = fNFe.EventoNFe().Evento();
  if (eventos.Count() == 0) FalharPreparacao("Nenhum evento informado");
  const TInfEvento& primeiro = eventos[0].InfEvento();
  const std::string motivo = MotivoChaveInvalida(primeiro.chNFe());
  if (!motivo.empty()) FalharPreparacao(motivo);
  fCNPJ = primeiro.CNPJ();
  ftpAmb = primeiro.tpAmb();
  bool ok = false;
  destino.Modelo = ModeloDFParaNome(TextoParaModeloDF(ok, ModeloDaChave(primeiro.chNFe())));
  const TfscTipoEmissao forma = ConfiguracoesNFe().Geral().FormaEmissao();
  destino.Autoridade =
      forma == teSVCAN ? "SVC-AN" : forma == teSVCRS ? "SVC-RS" : CodigoUFParaSigla(UFDaChave(primeiro.chNFe()));
  destino.tpAmb = ftpAmb;
  SetLayout(layRecepcaoEvento);
  if (primeiro.tpEvento() == teEPECNFe && ConfiguracoesNFe().WebServices().UFCodigo() == 35 &&
      ConfiguracoesNFe().Geral().ModeloDF() == moNFCe) {
    SetLayout(layEventoEPEC);
  } else if (!EventoDoEstado(primeiro.tpEvento())) {
    SetLayout(layRecepcaoEventoAN);
    destino.Autoridade = "AN";
  }
  return true;
}

void TNFeEnvEvento::DefinirDadosMsg() {
  TEventoNFe& lote = fNFe.EventoNFe();
  lote.SetidLote(idLote);
  lote.SetVersao(VersaoDados());
  for (int i = 0; i < lote.Evento().Count(); ++i) lote.Evento()[i].InfEvento().SettpAmb(ftpAmb);
  ConfigurarGerador(lote.Gerador().Opcoes());
  if (!lote.GerarXML())
    throw ETuimNFeException("Falha na validação da Mensagem do Evento: " + Alertas(lote.Gerador().ListaDeAlertas()));
  SetDadosMsg(RemoverDeclaracaoXml(AssinarEnvEvento(fNFe.SSL(), lote.Gerador().ArquivoFormatoXML())));
}

bool TNFeEnvEvento::TratarResposta() {
  TEventoNFe& lote = fNFe.EventoNFe();
  ExtrairRetorno();
  ExigirResposta();
  TRetEventoNFe& r = *fEventoRetorno;
  r.Leitor().SetArquivo(RetornoDecodificado());
  r.LerResposta();
  fcStat = r.cStat;
  fxMotivo = r.xMotivo;
  SetMensagem(r.xMotivo);
  if (r.cStat != 128) return false;

  bool todos = true;
  for (int i = 0; i < lote.Evento().Count(); ++i) {
    TInfEventoCollectionItem& item = lote.Evento()[i];
    const TInfEvento& ev = item.InfEvento();
    TRetInfEvento& ret = item.RetInfEvento();
    ret = TRetInfEvento();
    // The registration of this event: same key, type and sequence.
    int j = -1;
    for (int k = 0; k < r.retEvento().Count() && j < 0; ++k) {
      const TRetInfEvento& reg = r.retEvento()[k];
      if (reg.chNFe == ev.chNFe() && reg.tpEvento == ev.tpEvento() && reg.nSeqEvento == ev.nSeqEvento()) j = k;
    }
    if (j < 0) {
      todos = false;
      ret.xMotivo = "Evento sem registro na resposta";
      continue;
    }
    TRetInfEvento& reg = r.retEvento()[j];
    ret.Id = ev.Id();
    ret.tpAmb = reg.tpAmb;
    ret.verAplic = reg.verAplic;
    ret.cOrgao = reg.cOrgao;
    ret.chNFe = reg.chNFe;
    ret.tpEvento = reg.tpEvento;
    ret.nSeqEvento = reg.nSeqEvento;
    ret.nProt = reg.nProt;
    ret.dhRegEvento = reg.dhRegEvento;
    ret.cStat = reg.cStat;
    ret.xMotivo = reg.xMotivo;
    if (reg.cStat != 135 && reg.cStat != 136 && reg.cStat != 155) {
      todos = false;
      continue;
    }
    GuardarProcEvento(i, j, ret, reg);
  }
  return todos;
}

void TNFeEnvEvento::PrepararIntegrador() {
  TNFeWebService::PrepararIntegrador();
  TTuimIntegradorBase* integrador = fNFe.Integrador();
  TInfEventoCollection& eventos = fNFe.EventoNFe().Evento();
  if (!integrador || eventos.Count() == 0 || eventos[0].InfEvento().tpEvento() != teCancelamento) return;
  // The document cancelled, not merely the first one held: another document's key and value
  // would describe a sale that is not being cancelled.
  if (NotaFiscal* nota = NotaPorChave(fNFe.NotasFiscais(), eventos[0].InfEvento().chNFe()))
    ParametrosDocumentoIntegrador(*integrador, nota->NFe());
}

void TNFeEnvEvento::GuardarProcEvento(int i, int j, TRetInfEvento& ret, TRetInfEvento& reg) {
  TEventoNFe& lote = fNFe.EventoNFe();
  const std::string v = VersaoDados();
  const std::string ns = kNamespaceNFe;
  const std::string evento = Grupo(DadosMsg(), "evento", i);
  const std::string proc = "<procEventoNFe versao=\"" + v + "\" xmlns=\"" + ns + "\"><evento versao=\"" + v +
                           "\">" + Grupo(evento, "infEvento", 0) +
                           "<Signature xmlns=\"http://www.w3.org/2000/09/xmldsig#\">" + Grupo(evento, "SignedInfo", 0) +
                           Grupo(evento, "SignatureValue", 0) + Grupo(evento, "KeyInfo", 0) + "</Signature></evento>" +
                           "<retEvento versao=\"" + v + "\">" + Grupo(Grupo(RetornoServico(), "retEvento", j), "infEvento", 0) +
                           "</retEvento></procEventoNFe>";
  TArquivosConfNFe& a = ConfiguracoesNFe().Arquivos();
  if (a.Salvar()) {
    const std::string nome = SomenteNumeros(ret.Id) + "-procEventoNFe.xml";
    const std::string pasta = a.MontarPathEvento(lote.Evento()[0].InfEvento().tpEvento(), fCNPJ, Now());
    if (fNFe.GravarArquivo(nome, proc, true, pasta)) ret.NomeArquivo = CaminhoComBarra(pasta) + nome;
    reg.NomeArquivo = ret.NomeArquivo;
  }
  ret.XML = proc;
  reg.XML = proc;
}

std::string TNFeEnvEvento::PrefixoArquivo() { return std::to_string(idLote); }

std::string TNFeEnvEvento::PastaArquivos() {
  TInfEventoCollection& eventos = fNFe.EventoNFe().Evento();
  if (eventos.Count() == 0) return "";
  return ConfiguracoesNFe().Arquivos().MontarPathEvento(eventos[0].InfEvento().tpEvento(), fCNPJ, Now());
}

std::string TNFeEnvEvento::MensagemLog() {
  TRetEventoNFe& r = *fEventoRetorno;
  std::string m = PreencherLog(
      "Versão Layout: %s \r\nAmbiente: %s \r\nVersão Aplicativo: %s \r\nStatus Código: %s \r\nStatus Descrição: %s "
      "\r\n",
      {r.versao, TipoAmbienteParaTexto(r.tpAmb), r.verAplic, std::to_string(r.cStat), r.xMotivo});
  if (r.retEvento().Count() > 0) m += "Recebimento: " + DataHoraLog(r.retEvento()[0].dhRegEvento) + " \r\n";
  return m;
}

// ---- TNFeAutorizacao ------------------------------------------------------------------------

TNFeAutorizacao::TNFeAutorizacao(TTuimNFe& owner)
    : fNFe(owner),
      fRecepcao(std::make_unique<TNFeRecepcao>(owner)),
      fRetRecepcao(std::make_unique<TNFeRetRecepcao>(owner)),
      fConsulta(std::make_unique<TNFeConsulta>(owner)) {}

TNFeAutorizacao::~TNFeAutorizacao() = default;

void TNFeAutorizacao::Progresso(const std::string& linha) {
  if (OnProgresso) OnProgresso(linha);
}

void TNFeAutorizacao::Guardar(const TResultadoNota& r) {
  for (TResultadoNota& x : fResultados)
    if (x.chNFe == r.chNFe) {
      x = r;
      return;
    }
  fResultados.push_back(r);
}

bool TNFeAutorizacao::Recuperar(std::vector<int>& ausentes) {
  TNotasFiscais& notas = fNFe.NotasFiscais();
  ausentes.clear();
  bool algumaIncerta = false;
  for (int i = 0; i < notas.Count(); ++i) {
    const std::string chave = notas[i].NumID();
    bool resolvida = false;
    for (const TResultadoNota& r : fResultados)
      if (r.chNFe == chave && r.Situacao != sSemResposta && r.Situacao != sPendente) resolvida = true;
    if (resolvida) continue;
    Progresso("consultando a chave " + chave);
    fConsulta->SetNFeChave(chave);
    try {
      fConsulta->Executar();
    } catch (const ETuimDFeException& e) {
      Guardar(ResultadoSemProtocolo(chave, sSemResposta, 0, e.what(), fRecibo));
      algumaIncerta = true;
      continue;
    }
    const TProcNFe& prot = fConsulta->protNFe();
    if (StatusAutorizado(prot.cStat) || StatusDenegado(prot.cStat)) {
      Guardar(AplicarProtocolo(*fConsulta, notas[i], prot, GrupoProtNFe(fConsulta->RetornoServico(), chave),
                               fConsulta->VersaoDados()));
    } else if (fConsulta->cStat() == 217) {
      ausentes.push_back(i);  // the authority does not hold it
      Guardar(ResultadoSemProtocolo(chave, sRejeitada, fConsulta->cStat(), fConsulta->xMotivo(), fRecibo));
    } else {
      Guardar(ResultadoSemProtocolo(chave, sSemResposta, fConsulta->cStat(), fConsulta->xMotivo(), fRecibo));
      algumaIncerta = true;
    }
  }
  return !algumaIncerta;
}

bool TNFeAutorizacao::Enviar(const std::string& lote, bool sincrono, bool zipado) {
  fResultados.clear();
  fRecibo.clear();
  TNotasFiscais& notas = fNFe.NotasFiscais();
  TNFeRecepcao& rec = *fRecepcao;
  rec.Lote = lote;
  rec.Sincrono = sincrono;
  rec.Zipado = zipado;

  // One more send is allowed, and only after every key query said the authority lacks them.
  for (int envio = 0; envio < 2; ++envio) {
    bool perdida = false;
    try {
      rec.Executar();
    } catch (const ETuimDFeException&) {
      if (!rec.Transmitido() || rec.RespostaLida()) throw;
      perdida = true;
    }
    if (!perdida && rec.Transmitido() && !rec.RespostaLida()) perdida = true;  // handled by the host's log
    if (!rec.Transmitido()) return false;

    if (!perdida) {
      for (const TResultadoNota& r : rec.Resultados()) Guardar(r);
      fRecibo = rec.Recibo();
      if (!fRecibo.empty() && rec.Resultados().empty()) {
        if (!AguardarRecibo()) return false;
      } else if (rec.Resultados().empty()) {
        // The batch itself was refused: no document is held by the authority.
        for (int i = 0; i < notas.Count(); ++i)
          Guardar(ResultadoSemProtocolo(notas[i].NumID(), sRejeitada, rec.cStat(), rec.xMotivo()));
      }
    }

    bool precisaConsulta = perdida;
    for (const TResultadoNota& r : fResultados)
      if (r.Situacao == sSemResposta) precisaConsulta = true;
    if (!precisaConsulta) break;
    if (perdida) Progresso("resposta do lote perdida: consultando as chaves");
    std::vector<int> ausentes;
    const bool certo = Recuperar(ausentes);
    if (!perdida || !certo || ausentes.size() != static_cast<std::size_t>(notas.Count()) || envio == 1) break;
    Progresso("a autoridade não recebeu o lote: reenviando");
    fResultados.clear();
  }
  OrdenarResultados();
  return std::all_of(fResultados.begin(), fResultados.end(),
                     [](const TResultadoNota& r) { return r.Situacao == sAutorizada; });
}

bool TNFeAutorizacao::AguardarRecibo() {
  TNotasFiscais& notas = fNFe.NotasFiscais();
  Progresso("recibo " + fRecibo + ": aguardando o processamento");
  TNFeRetRecepcao& ret = *fRetRecepcao;
  ret.Recibo = fRecibo;
  ret.OnAguardando = [this](int n, int cStat) {
    Progresso("recibo " + fRecibo + ": consulta " + std::to_string(n) + " cStat=" + std::to_string(cStat));
  };
  bool respondido = true;
  try {
    ret.Executar();
  } catch (const ETuimDFeException&) {
    respondido = false;
  }
  for (const TResultadoNota& r : ret.Resultados()) Guardar(r);
  const int c = respondido ? ret.cStat() : 0;
  if (c == 104) return true;
  // Still in the authority's hands: the receipt settles it later.
  for (int i = 0; i < notas.Count(); ++i)
    Guardar(ResultadoSemProtocolo(notas[i].NumID(), sPendente, c == 0 ? 105 : c,
                                  c == 0 ? "Sem resposta da consulta do recibo" : ret.xMotivo(), fRecibo));
  return false;
}

void TNFeAutorizacao::OrdenarResultados() {
  // Every document has an entry, in the collection's order.
  TNotasFiscais& notas = fNFe.NotasFiscais();
  std::vector<TResultadoNota> ordenados;
  for (int i = 0; i < notas.Count(); ++i) {
    const std::string chave = notas[i].NumID();
    TResultadoNota r = ResultadoSemProtocolo(chave, sSemResposta, 0, "Sem resposta", fRecibo);
    for (const TResultadoNota& x : fResultados)
      if (x.chNFe == chave) r = x;
    ordenados.push_back(r);
  }
  fResultados = ordenados;
}

// ---- TNFeEnvioWebService --------------------------------------------------------------------

TNFeEnvioWebService::TNFeEnvioWebService(TTuimNFe& owner) : TNFeWebService(owner) {
  SetStatusExecucao(snEnvioWebService);
}

void TNFeEnvioWebService::PrepararServico() {
  TNFeWebService::PrepararServico();
  fNFe.AlterarStatus(snEnvioWebService);
}

void TNFeEnvioWebService::DefinirURL() { SetURL(URLEnvio); }

void TNFeEnvioWebService::DefinirServicoEAction() {
  SetServico(SoapAction);
  TNFeWebService::SetSoapAction(SoapAction);
}

void TNFeEnvioWebService::DefinirDadosMsg() {
  // The versao attribute of the message's root.
  fversao.clear();
  const std::size_t p = XMLEnvio.find("versao=\"");
  if (p != std::string::npos) {
    const std::size_t fim = XMLEnvio.find('"', p + 8);
    if (fim != std::string::npos) fversao = XMLEnvio.substr(p + 8, fim - p - 8);
  }
  SetDadosMsg(XMLEnvio);
}

std::string TNFeEnvioWebService::GerarVersaoDadosSoap() { return "<versaoDados>" + fversao + "</versaoDados>"; }

bool TNFeEnvioWebService::TratarResposta() {
  ExtrairRetorno({"Body"});
  ExigirResposta();
  return true;
}

std::string TNFeEnvioWebService::MensagemErro(const std::exception*) {
  return "WebService: " + Servico() + "\r\n- Inativo ou Inoperante tente novamente.";
}

// ---- TWebServices ---------------------------------------------------------------------------

TWebServices::TWebServices(TTuimNFe& owner)
    : fStatusServico(std::make_unique<TNFeStatusServico>(owner)),
      fRecepcao(std::make_unique<TNFeRecepcao>(owner)),
      fRetRecepcao(std::make_unique<TNFeRetRecepcao>(owner)),
      fRecibo(std::make_unique<TNFeRecibo>(owner)),
      fConsulta(std::make_unique<TNFeConsulta>(owner)),
      fInutilizacao(std::make_unique<TNFeInutilizacao>(owner)),
      fConsultaCadastro(std::make_unique<TNFeConsultaCadastro>(owner)),
      fEnvEvento(std::make_unique<TNFeEnvEvento>(owner)),
      fAdministrarCSCNFCe(std::make_unique<TAdministrarCSCNFCe>(owner)),
      fDistribuicaoDFe(std::make_unique<TDistribuicaoDFe>(owner)),
      fEnvioWebService(std::make_unique<TNFeEnvioWebService>(owner)) {}

TWebServices::~TWebServices() {
  fStatusServico.reset();
  fRecepcao.reset();
  fRetRecepcao.reset();
  fRecibo.reset();
  fConsulta.reset();
  fInutilizacao.reset();
  fConsultaCadastro.reset();
  fEnvEvento.reset();
  fAdministrarCSCNFCe.reset();
  fDistribuicaoDFe.reset();
  fEnvioWebService.reset();
}

void TLiberarWebServices::operator()(TWebServices* servicos) const { delete servicos; }

TWebServicesDono NovoWebServices(TTuimNFe& owner) { return TWebServicesDono(new TWebServices(owner)); }

}  // namespace tuim
