// Sending to the real tuim-sefaz-sim on loopback through the component's own transports:
// authorisation synchronous and not, compressed and not, receipt polling, denial, the recovery of
// an authorised document whose answer was lost in each way the simulator can lose it, a
// document's whole life with its events, voiding, the recipient's acknowledgements and the
// distribution of what the authority holds for a taxpayer.
#include <gtest/gtest.h>

#include <atomic>
#include <algorithm>
#include <cstdlib>
#include <map>
#include <filesystem>
#include <fstream>
#include <mutex>

#include "component/TuimCatalogo.h"
#include "component/TuimNFe.h"
#include "component/TuimNotasFiscais.h"
#include "fiscal/TuimDateTime.h"
#include "fiscal/TuimException.h"
#include "fiscal/TuimUtil.h"
#include "services/TuimServicosEnvio.h"
#include "testing/SimTeste.h"
#include "testing/AmbienteEnvio.h"
#include "testing/RespostasTeste.h"
#include "testing/ServidorTeste.h"
#include "transport/TuimTransporte.h"
#include "xml/TuimNFeR.h"

using namespace tuim;
using namespace tuim::simteste;

namespace {

const std::string kSim = TUIM_SIM;

TAmbienteEnvio& Amb() { return AmbienteEnvio("tuim-envio", 1000); }

void Falha(const std::string& servico, const std::string& tipo, int vezes = 1) {
  auto r = Rodar({kSim, "falha", Amb().pasta, servico, tipo, "--vezes", std::to_string(vezes)});
  ASSERT_EQ(r.codigo, 0) << r.err;
}

void Ajustar(const std::vector<std::string>& opcoes) {
  std::vector<std::string> args = {kSim, "ajustar", Amb().pasta};
  args.insert(args.end(), opcoes.begin(), opcoes.end());
  auto r = Rodar(args);
  ASSERT_EQ(r.codigo, 0) << r.err;
}

// A recipient nobody else uses, so that what the simulator holds for it is this test's alone; a
// valid CNPJ, since it may sign events.
std::string NovoDestinatario() {
  static std::atomic<int> n{1};
  std::string c = "77000000" + Zeros(n++, 4);
  for (int pesoInicial : {5, 6}) {
    int soma = 0, peso = pesoInicial;
    for (char d : c) {
      soma += (d - '0') * peso;
      peso = peso == 2 ? 9 : peso - 1;
    }
    c += std::to_string(soma % 11 < 2 ? 0 : 11 - soma % 11);
  }
  return c;
}

// A company certificate for `cnpj` made now with the openssl tool, issued by the simulator's CA
// and shaped as the simulator's own (ICP-Brasil CNPJ other name): the PKCS#12 file, password 1234.
std::string NovoCertificado(const std::string& cnpj) {
  const std::string base = Amb().pasta + "/" + cnpj;
  {
    std::ofstream ext(base + ".ext");
    ext << "basicConstraints=CA:FALSE\nkeyUsage=critical,digitalSignature,nonRepudiation,keyEncipherment\n"
           "extendedKeyUsage=clientAuth,emailProtection\nsubjectAltName=otherName:2.16.76.1.3.3;OCTETSTRING:"
        << cnpj << "\n";
  }
  const std::string q = "'" + base;
  const std::string cmd =
      "openssl req -new -newkey rsa:2048 -nodes -keyout " + q + ".key' -subj '/C=BR/O=ICP-Brasil/CN=DESTINATARIO TESTE:" +
      cnpj + "' -out " + q + ".csr' && openssl x509 -req -in " + q + ".csr' -CA '" + Amb().pasta + "/ca.pem' -CAkey '" +
      Amb().pasta + "/ca.key' -set_serial 0x" + cnpj + " -days 30 -extfile " + q + ".ext' -out " + q +
      ".pem' && openssl pkcs12 -export -inkey " + q + ".key' -in " + q + ".pem' -certfile '" + Amb().pasta +
      "/ca.pem' -passout pass:1234 -out " + q + ".pfx'";
  if (std::system(("(" + cmd + ") >/dev/null 2>&1").c_str()) != 0) return "";
  return base + ".pfx";
}

bool Contem(const std::string& texto, const std::string& parte) { return texto.find(parte) != std::string::npos; }

// The regular files under `pasta`, by their full names.
std::vector<std::string> ArquivosEm(const std::string& pasta) {
  std::vector<std::string> r;
  std::error_code ec;
  for (const auto& e : std::filesystem::recursive_directory_iterator(pasta, ec))
    if (e.is_regular_file()) r.push_back(e.path().string());
  std::sort(r.begin(), r.end());
  return r;
}

// The one file directly in `pasta` whose name ends with `fim`; empty when none or several.
std::string ArquivoTerminadoEm(const std::string& pasta, const std::string& fim) {
  std::string achado;
  int n = 0;
  std::error_code ec;
  for (const auto& e : std::filesystem::directory_iterator(pasta, ec)) {
    const std::string nome = e.path().filename().string();
    if (e.is_regular_file() && nome.size() >= fim.size() && nome.compare(nome.size() - fim.size(), fim.size(), fim) == 0) {
      achado = e.path().string();
      ++n;
    }
  }
  return n == 1 ? achado : "";
}

struct TCaso {
  const char* nome;
  TSSLHttpLib http;
};

class Envio : public ::testing::TestWithParam<TCaso> {
protected:
  void SetUp() override {
    ASSERT_TRUE(Amb().erro.empty()) << Amb().erro;
    fSaida = PastaNova("tuim-envio-saida");
  }
  void TearDown() override {
    std::error_code ec;
    std::filesystem::remove_all(fSaida, ec);
  }

  void Configurar(TTuimNFe& nfe, TfscModeloDF modelo) {
    ConfigurarSalvando(nfe, Amb(), GetParam().http, modelo, fSaida);
  }

  // A signed document of the next number put into the collection.
  std::string Adicionar(TTuimNFe& nfe, int modelo, const std::string& dest = kOutro) {
    TNota n;
    const std::string assinado = AdicionarAssinado(nfe, Amb(), n, modelo, dest);
    fAssinados[n.chave] = assinado;
    return n.chave;
  }

  // The event of `tipo` for `chave`, alone in the component's batch.
  TInfEvento& Evento(TTuimNFe& nfe, const std::string& chave, TfscTpEvento tipo, int seq = 1,
                     const std::string& autor = kEmitente) {
    nfe.EventoNFe().Evento().Clear();
    TInfEvento& e = nfe.EventoNFe().Evento().New().InfEvento();
    e.SetchNFe(chave);
    e.SetCNPJ(autor);
    e.SetdhEvento(Now());
    e.SettpEvento(tipo);
    e.SetnSeqEvento(seq);
    e.SetverEvento("1.00");
    return e;
  }

  // The saved procEventoNFe of a registered event: the signed event and the registration.
  void ConferirProcEvento(const TRetInfEvento& r, const std::string& pasta, const std::string& tpEvento) {
    ASSERT_FALSE(r.NomeArquivo.empty()) << r.cStat << " " << r.xMotivo;
    EXPECT_EQ(r.NomeArquivo.rfind(pasta, 0), 0u) << r.NomeArquivo;
    const std::string proc = LerArquivo(r.NomeArquivo);
    EXPECT_TRUE(Contem(proc, "<procEventoNFe versao=\"1.00\"")) << proc.substr(0, 300);
    EXPECT_TRUE(Contem(proc, "<SignatureValue>"));
    EXPECT_TRUE(Contem(proc, "<tpEvento>" + tpEvento + "</tpEvento>"));
    EXPECT_TRUE(Contem(proc, "<nProt>" + r.nProt + "</nProt>"));
    EXPECT_EQ(std::filesystem::path(r.NomeArquivo).filename().string(),
              tpEvento + r.chNFe + Zeros(r.nSeqEvento, 2) + "-procEventoNFe.xml");
  }

  // The request and answer files of a call, found by their suffixes in `pasta`; the answer
  // holds `noRetorno`.
  void ConferirArquivos(const std::string& pasta, const std::string& prefixo, const std::string& envio,
                        const std::string& resposta, const std::string& noRetorno) {
    const std::string pedido = LerArquivo(pasta + "/" + prefixo + "-" + envio + ".xml");
    EXPECT_FALSE(pedido.empty()) << pasta << "/" << prefixo << "-" << envio << ".xml";
    const std::string ret = LerArquivo(pasta + "/" + prefixo + "-" + resposta + ".xml");
    EXPECT_TRUE(Contem(ret, noRetorno)) << pasta << "/" << prefixo << "-" << resposta << ".xml: " << ret.substr(0, 400);
  }

  // A component that saves every request and answer, events in a folder of their own, after a
  // service status whose two files are checked; returns the event folder.
  std::string IniciarVida(TTuimNFe& nfe, TfscModeloDF modelo) {
    Configurar(nfe, modelo);
    nfe.Configuracoes().Geral().SetSalvar(true);
    const std::string eventos = fSaida + "/eventos";
    nfe.Configuracoes().Arquivos().SetPathEvento(eventos);
    TNFeStatusServico st(nfe);
    EXPECT_TRUE(st.Executar()) << st.xMotivo();
    EXPECT_EQ(st.cStat(), 107);
    const std::string pedido = ArquivoTerminadoEm(fSaida, "-ped-sta.xml");
    EXPECT_TRUE(Contem(LerArquivo(pedido), "<xServ>STATUS</xServ>")) << pedido;
    int respostas = 0;
    for (const std::string& f : ArquivosEm(fSaida))
      if (Contem(f, "-sta.xml") && !Contem(f, "-ped-sta.xml")) {
        ++respostas;
        EXPECT_TRUE(Contem(LerArquivo(f), "<cStat>107</cStat>")) << f;
      }
    EXPECT_EQ(respostas, 1);
    return eventos;
  }

  // A loopback HTTPS server (certificate of the simulator's CA) answering every distribution
  // request with the SOAP envelope of `retDistDFeInt`; returns the catalogue that points there.
  std::string ServirDistribuicao(teste::TServidorTeste& servidor, const std::string& retDistDFeInt) {
    const std::string eco = fSaida + "/eco";
    std::filesystem::create_directories(eco);
    if (!teste::GerarCertificadoServidor(Amb().pasta, eco, "eco")) return "";
    std::ofstream(eco + "/dist.xml", std::ios::binary)
        << "<soap:Envelope xmlns:soap=\"http://www.w3.org/2003/05/soap-envelope\"><soap:Body>"
           "<nfeDistDFeInteresseResponse><nfeDistDFeInteresseResult>"
        << retDistDFeInt << "</nfeDistDFeInteresseResult></nfeDistDFeInteresseResponse></soap:Body></soap:Envelope>";
    std::string erro;
    if (!servidor.Iniciar(TUIM_SOURCE_DIR "/testing/servidor_https.py",
                          {"--cert", eco + "/eco.pem", "--key", eco + "/eco.key", "--respostas", eco}, erro)) {
      ADD_FAILURE() << erro;
      return "";
    }
    std::ofstream(eco + "/catalogo.ini", std::ios::binary)
        << "[NFe_AN_H]\nNFeDistribuicaoDFe_1.01=https://127.0.0.1:" << servidor.Porta() << "/arquivo/dist.xml\n";
    return eco + "/catalogo.ini";
  }

  // `tuim sefaz distribuicao` with this backend, the simulator's CA and the given catalogue.
  TSaida Distribuicao(const std::vector<std::string>& opcoes, const std::string& catalogo) {
    std::vector<std::string> args = {TUIM_CLI, "sefaz", "distribuicao", "--uf", "SP", "--pfx",
                                     Amb().pasta + "/" + kEmitente + ".pfx", "--senha", "1234", "--cacert",
                                     Amb().pasta + "/ca.pem", "--catalogo", catalogo, "--schemas", TUIM_SCHEMAS_DIR,
                                     "--lib", GetParam().http == httpOpenSSL ? "openssl" : "winhttp"};
    args.insert(args.end(), opcoes.begin(), opcoes.end());
    return Rodar(args);
  }

  // The key query with its saved request and answer: the answer's cStat and the protocol that
  // settles the document.
  void ConsultarChave(TNFeConsulta& c, int cStat, const std::string& protocolo) {
    ASSERT_TRUE(c.Executar()) << c.xMotivo();
    EXPECT_EQ(c.cStat(), cStat) << c.xMotivo();
    EXPECT_EQ(c.Protocolo(), protocolo);
    ConferirArquivos(fSaida, c.NFeChave(), "ped-sit", "sit", "<cStat>" + std::to_string(cStat) + "</cStat>");
  }

  // The component's one event sent as batch `lote` and registered (135), with its procEventoNFe
  // and its request and answer in the event folder; returns the registration's protocol.
  std::string Registrar(TTuimNFe& nfe, int lote, const std::string& pasta, const std::string& tpEvento) {
    TNFeEnvEvento env(nfe);
    env.idLote = lote;
    EXPECT_TRUE(env.Executar()) << env.cStat() << " " << env.xMotivo();
    const TRetInfEvento& r = nfe.EventoNFe().Evento()[0].RetInfEvento();
    EXPECT_EQ(r.cStat, 135) << r.xMotivo;
    ConferirProcEvento(r, pasta, tpEvento);
    ConferirArquivos(pasta, std::to_string(lote), "ped-eve", "eve", "<cStat>135</cStat>");
    fURL = env.URL();
    return r.nProt;
  }

  // The saved nfeProc holds the very bytes that were signed and the protocol of its key.
  void ConferirProc(const TResultadoNota& r) {
    ASSERT_FALSE(r.Arquivo.empty()) << r.chNFe;
    const std::string proc = LerArquivo(r.Arquivo);
    EXPECT_NE(proc.find("<nfeProc versao=\"4.00\""), std::string::npos) << proc.substr(0, 200);
    EXPECT_NE(proc.find(fAssinados[r.chNFe]), std::string::npos);
    EXPECT_NE(proc.find("<chNFe>" + r.chNFe + "</chNFe>"), std::string::npos);
    EXPECT_NE(proc.find("<nProt>" + r.nProt + "</nProt>"), std::string::npos);
    EXPECT_EQ(std::filesystem::path(r.Arquivo).filename().string(), r.chNFe + "-nfe.xml");
    EXPECT_EQ(r.Arquivo.rfind(fSaida, 0), 0u) << r.Arquivo;
  }

  std::string fSaida;
  std::string fURL;  // of the last event Registrar sent
  std::map<std::string, std::string> fAssinados;
};

TEST_P(Envio, SynchronousNfceIsAuthorisedAndItsNfeProcSaved) {
  TTuimNFe nfe;
  Configurar(nfe, moNFCe);
  const std::string chave = Adicionar(nfe, 65);
  TNFeAutorizacao a(nfe);
  ASSERT_TRUE(a.Enviar("1", true, false));
  ASSERT_EQ(a.Resultados().size(), 1u);
  const TResultadoNota& r = a.Resultados()[0];
  EXPECT_EQ(r.chNFe, chave);
  EXPECT_EQ(r.Situacao, sAutorizada);
  EXPECT_EQ(r.cStat, 100);
  EXPECT_EQ(r.nProt.size(), 15u);
  ConferirProc(r);
  EXPECT_TRUE(nfe.NotasFiscais()[0].Confirmada());
  EXPECT_EQ(nfe.NotasFiscais()[0].NFe().procNFe.nProt, r.nProt);
}

TEST_P(Envio, SynchronousCompressedNfce) {
  TTuimNFe nfe;
  Configurar(nfe, moNFCe);
  Adicionar(nfe, 65);
  TNFeAutorizacao a(nfe);
  ASSERT_TRUE(a.Enviar("2", true, true)) << a.Recepcao().Mensagem();
  EXPECT_EQ(a.Recepcao().ElementoCorpo(), "nfeDadosMsgZip");
  EXPECT_NE(a.Recepcao().SoapAction().find("/nfeAutorizacaoLoteZIP"), std::string::npos);
  ConferirProc(a.Resultados()[0]);
}

TEST_P(Envio, AsynchronousBatchOfTwoNfeIsPolledAndApplied) {
  for (bool zip : {false, true}) {
    TTuimNFe nfe;
    Configurar(nfe, moNFe);
    Adicionar(nfe, 55);
    Adicionar(nfe, 55);
    TNFeAutorizacao a(nfe);
    std::vector<std::string> progresso;
    a.OnProgresso = [&](const std::string& l) { progresso.push_back(l); };
    ASSERT_TRUE(a.Enviar("3", false, zip)) << a.RetRecepcao().Mensagem();
    EXPECT_TRUE(ReciboValido(a.Recibo())) << a.Recibo();
    ASSERT_EQ(a.Resultados().size(), 2u);
    for (const auto& r : a.Resultados()) {
      EXPECT_EQ(r.Situacao, sAutorizada);
      EXPECT_EQ(r.Recibo, a.Recibo());
      ConferirProc(r);
    }
    EXPECT_FALSE(progresso.empty());
  }
}

TEST_P(Envio, SynchronousBatchAnsweredWithAReceiptGoesOnPolling) {
  // Two documents cannot be answered synchronously: the authority gives a receipt.
  TTuimNFe nfe;
  Configurar(nfe, moNFe);
  Adicionar(nfe, 55);
  Adicionar(nfe, 55);
  TNFeAutorizacao a(nfe);
  const bool ok = a.Enviar("4", true, false);
  if (a.Recepcao().cStat() == 103 || !a.Recibo().empty()) {
    EXPECT_TRUE(ok);
    for (const auto& r : a.Resultados()) EXPECT_EQ(r.Situacao, sAutorizada);
  } else {
    // The simulator refused the batch as a whole; nothing is authorised, nothing is saved.
    EXPECT_FALSE(ok);
    for (const auto& r : a.Resultados()) EXPECT_EQ(r.Situacao, sRejeitada);
  }
}

TEST_P(Envio, DenialIsItsOwnOutcomeSavedButNotAuthorised) {
  const std::string irregular = "99888777000100";
  ASSERT_EQ(Rodar({kSim, "ajustar", Amb().pasta, "--irregular", irregular}).codigo, 0);
  TTuimNFe nfe;
  Configurar(nfe, moNFe);
  Adicionar(nfe, 55, irregular);
  TNFeAutorizacao a(nfe);
  EXPECT_FALSE(a.Enviar("5", true, false));
  const TResultadoNota& r = a.Resultados()[0];
  EXPECT_EQ(r.Situacao, sDenegada) << r.cStat << " " << r.xMotivo;
  EXPECT_TRUE(StatusDenegado(r.cStat)) << r.cStat;
  ConferirProc(r);
  EXPECT_FALSE(nfe.NotasFiscais()[0].Confirmada());
  EXPECT_TRUE(nfe.NotasFiscais()[0].Processada());
}

TEST_P(Envio, ReplayedKeyGets204AndTheProtocolIsFetchedByKey) {
  TTuimNFe primeiro;
  Configurar(primeiro, moNFCe);
  Adicionar(primeiro, 65);
  TNFeAutorizacao a(primeiro);
  ASSERT_TRUE(a.Enviar("6", true, false));
  const std::string nProt = a.Resultados()[0].nProt;

  // The same signed document again, from a component that never saw the answer.
  TTuimNFe segundo;
  Configurar(segundo, moNFCe);
  NotaFiscal& nf = segundo.NotasFiscais().Add();
  const std::string assinado = fAssinados.begin()->second;
  TNFeR r(&nf.NFe());
  r.LerXML(assinado);
  nf.SetXMLOriginal("<?xml version=\"1.0\" encoding=\"UTF-8\"?>" + assinado);
  TNFeAutorizacao b(segundo);
  EXPECT_TRUE(b.Enviar("7", true, false));
  EXPECT_EQ(b.Recepcao().cStat(), 204);
  EXPECT_EQ(b.Resultados()[0].Situacao, sAutorizada);
  EXPECT_EQ(b.Resultados()[0].nProt, nProt);
  ConferirProc(b.Resultados()[0]);
}

// Each way the simulator loses an answer after committing the batch: the key query recovers
// the protocol, the nfeProc is saved and the batch is not sent again.
TEST_P(Envio, LostAnswerIsRecoveredByKeyForEveryFaultKind) {
  for (const char* tipo : {"corte", "http500", "vazio", "truncado", "atraso:2500"}) {
    SCOPED_TRACE(tipo);
    for (bool sincrono : {true, false}) {
      TTuimNFe nfe;
      Configurar(nfe, moNFCe);
      nfe.Configuracoes().WebServices().SetTimeOut(1000);
      Adicionar(nfe, 65);
      TNFeAutorizacao a(nfe);
      std::vector<std::string> progresso;
      a.OnProgresso = [&](const std::string& l) { progresso.push_back(l); };
      Falha("NFeAutorizacao4", tipo);
      // A 500 may come before the batch is processed: then the key query finds nothing, and
      // only then is the batch sent again.
      EXPECT_TRUE(a.Enviar(sincrono ? "11" : "12", sincrono, false));
      ASSERT_EQ(a.Resultados().size(), 1u);
      const TResultadoNota& r = a.Resultados()[0];
      EXPECT_EQ(r.Situacao, sAutorizada);
      ConferirProc(r);
      bool consultou = false;
      for (const auto& l : progresso) consultou |= l.find("consultando a chave") != std::string::npos;
      EXPECT_TRUE(consultou);
    }
  }
}

TEST_P(Envio, PendingBatchIsReportedWithItsReceipt) {
  ASSERT_EQ(Rodar({kSim, "ajustar", Amb().pasta, "--consultas-105", "3"}).codigo, 0);
  TTuimNFe nfe;
  Configurar(nfe, moNFe);
  nfe.Configuracoes().WebServices().SetTentativas(1);
  Adicionar(nfe, 55);
  TNFeAutorizacao a(nfe);
  EXPECT_FALSE(a.Enviar("20", false, false));
  ASSERT_EQ(a.Resultados().size(), 1u);
  EXPECT_EQ(a.Resultados()[0].Situacao, sPendente);
  EXPECT_EQ(a.Resultados()[0].Recibo, a.Recibo());
  EXPECT_TRUE(ReciboValido(a.Recibo()));
  EXPECT_TRUE(a.Resultados()[0].Arquivo.empty());

  // Later the receipt settles it, without sending anything again.
  nfe.Configuracoes().WebServices().SetTentativas(5);
  TNFeRetRecepcao ret(nfe);
  ret.Recibo = a.Recibo();
  EXPECT_TRUE(ret.Executar());
  ASSERT_EQ(ret.Resultados().size(), 1u);
  EXPECT_EQ(ret.Resultados()[0].Situacao, sAutorizada);
  ConferirProc(ret.Resultados()[0]);
  ASSERT_EQ(Rodar({kSim, "ajustar", Amb().pasta, "--consultas-105", "0"}).codigo, 0);
}

TEST_P(Envio, ReceiptQueryReadsWithoutApplying) {
  TTuimNFe nfe;
  Configurar(nfe, moNFe);
  Adicionar(nfe, 55);
  TNFeRecepcao rec(nfe);
  rec.Lote = "30";
  ASSERT_TRUE(rec.Executar());
  ASSERT_TRUE(ReciboValido(rec.Recibo()));
  TNFeRecibo recibo(nfe);
  recibo.Recibo = rec.Recibo();
  EXPECT_TRUE(recibo.Executar());
  EXPECT_EQ(recibo.cStat(), 104);
  EXPECT_EQ(recibo.RetornoRecibo().ProtDFe().Count(), 1);
  EXPECT_EQ(nfe.NotasFiscais()[0].cStat(), 0);  // nothing applied

  TNFeRecibo invalido(nfe);
  invalido.Recibo = "../../etc/passwd";
  nfe.OnGerarLog = [](const std::string&, bool& tratado) { tratado = true; };
  EXPECT_FALSE(invalido.Executar());
}

// One protocol whose digest is not the document's is reported for that document only; the
// other protocol of the same answer is still applied.
TEST_P(Envio, DigestMismatchIsReportedForThatDocumentOnly) {
  TTuimNFe nfe;
  Configurar(nfe, moNFe);
  const std::string primeira = Adicionar(nfe, 55);
  const std::string segunda = Adicionar(nfe, 55);
  nfe.OnTransmit = [&nfe](const std::string& dados, const std::string& url, const std::string& acao,
                          const std::string& mime, std::string& resposta, int& http, int& interno) {
    resposta = nfe.SSL().Enviar(dados, url, acao, mime);
    http = nfe.SSL().HTTPResultCode();
    interno = nfe.SSL().InternalErrorCode();
    if (acao.find("RetAutorizacao") == std::string::npos) return;
    const std::size_t p = resposta.find("<digVal>");
    if (p != std::string::npos) resposta[p + 8] = resposta[p + 8] == 'A' ? 'B' : 'A';
  };
  TNFeAutorizacao a(nfe);
  EXPECT_FALSE(a.Enviar("40", false, false));
  ASSERT_EQ(a.Resultados().size(), 2u);
  int divergentes = 0, autorizadas = 0;
  for (const auto& r : a.Resultados()) {
    if (r.Situacao == sDigestDivergente) {
      ++divergentes;
      EXPECT_EQ(r.xMotivo, "DigestValue do documento " + r.chNFe + " não confere.");
      EXPECT_TRUE(r.Arquivo.empty());
    }
    if (r.Situacao == sAutorizada) {
      ++autorizadas;
      ConferirProc(r);
    }
  }
  EXPECT_EQ(divergentes, 1);
  EXPECT_EQ(autorizadas, 1);
}


// ---- the transports and the files --------------------------------------------------------------

TEST_P(Envio, TlsBelow12IsRefusedBeforeAnythingIsSent) {
  for (TSSLType t : {LT_SSLv2, LT_SSLv3, LT_TLSv1, LT_TLSv1_1}) {
    TTuimNFe nfe;
    Configurar(nfe, moNFe);
    nfe.Configuracoes().WebServices().SetSSLType(t);
    TNFeStatusServico s(nfe);
    try {
      s.Executar();
      ADD_FAILURE() << SSLTypeParaTexto(t) << " foi aceito";
    } catch (const ETuimDFeException& e) {
      EXPECT_NE(std::string(e.what()).find(", não suporta " + SSLTypeParaTexto(t)), std::string::npos) << e.what();
    }
  }
  for (TSSLType t : {LT_all, LT_TLSv1_2}) {
    TTuimNFe nfe;
    Configurar(nfe, moNFe);
    nfe.Configuracoes().WebServices().SetSSLType(t);
    TNFeStatusServico s(nfe);
    EXPECT_TRUE(s.Executar()) << SSLTypeParaTexto(t);
  }
}

TEST_P(Envio, AnswerAboveTheBoundIsRefused) {
  TTuimNFe nfe;
  Configurar(nfe, moNFe);
  nfe.Configuracoes().WebServices().SetTamanhoMaximoResposta(200);
  TNFeStatusServico s(nfe);
  EXPECT_THROW(s.Executar(), ETuimDFeException) << s.RespostaHTTP().size();
  TVerificacaoServidor v;
  EXPECT_TRUE(LerVerificacaoServidor(nfe.SSL(), v));
  EXPECT_EQ(v.TamanhoMaximoResposta, 200u);
  nfe.Configuracoes().WebServices().SetTamanhoMaximoResposta(0);  // back to 16 MiB
  EXPECT_EQ(nfe.Configuracoes().WebServices().TamanhoMaximoResposta(), 16u * 1024u * 1024u);
  EXPECT_TRUE(s.Executar());
}

TEST_P(Envio, TransmitRetriesAreCapped) {
  TTuimNFe nfe;
  Configurar(nfe, moNFe);
  int chamadas = 0;
  nfe.OnTransmitError = [&](int, int, const std::string&, const std::string&, const std::string&, bool& retentar,
                            bool&) {
    ++chamadas;
    retentar = true;  // a host that would ask forever
  };
  Falha("NFeStatusServico4", "http500", 4);
  TNFeStatusServico s(nfe);
  EXPECT_THROW(s.Executar(), ETuimDFeException);
  EXPECT_EQ(chamadas, 4);  // the first send and three more
  EXPECT_TRUE(s.Executar());
}

TEST_P(Envio, AuthorisationIsNeverPostedAgainByTheTransmitErrorHandler) {
  TTuimNFe nfe;
  Configurar(nfe, moNFCe);
  Adicionar(nfe, 65);
  int chamadas = 0;
  nfe.OnTransmitError = [&](int, int, const std::string&, const std::string&, const std::string&, bool& retentar,
                            bool&) {
    ++chamadas;
    retentar = true;
  };
  Falha("NFeAutorizacao4", "corte");
  TNFeAutorizacao a(nfe);
  EXPECT_TRUE(a.Enviar("50", true, false));
  EXPECT_EQ(chamadas, 1);
  EXPECT_EQ(a.Resultados()[0].Situacao, sAutorizada);
  ConferirProc(a.Resultados()[0]);
}

TEST_P(Envio, CscNeverReachesTheRequestOrAnswerFiles) {
  TTuimNFe nfe;
  Configurar(nfe, moNFCe);
  nfe.Configuracoes().Geral().SetSalvar(true);
  nfe.Configuracoes().WebServices().SetSalvar(true);
  TAdministrarCSCNFCe s(nfe);
  s.RaizCNPJ = std::string(kEmitente).substr(0, 8);
  s.indOp = indOp1;
  s.IdCSC = 1;
  s.CodigoCSC = Amb().csc;
  s.Executar();
  EXPECT_GE(s.cStat(), 150) << s.xMotivo();
  int arquivos = 0;
  for (const auto& e : std::filesystem::recursive_directory_iterator(fSaida)) {
    if (!e.is_regular_file()) continue;
    ++arquivos;
    EXPECT_EQ(LerArquivo(e.path().string()).find(Amb().csc), std::string::npos) << e.path();
  }
  EXPECT_GE(arquivos, 2);
}

// Faults armed at random over many NFC-e: afterwards every document the simulator holds as
// authorised has its nfeProc saved with the simulator's protocol. 30 here; TUIM_SOAK_N for more.
TEST_P(Envio, SoakWithRandomFaults) {
  int n = 30;
  if (const char* v = std::getenv("TUIM_SOAK_N")) n = std::max(1, std::atoi(v));
  const char* tipos[] = {"corte", "atraso:1500", "http500", "vazio", "truncado"};
  unsigned semente = 12345u + static_cast<unsigned>(GetParam().http);
  std::vector<TResultadoNota> todos;
  int reenvios = 0;
  for (int i = 0; i < n; ++i) {
    TTuimNFe nfe;
    Configurar(nfe, moNFCe);
    nfe.Configuracoes().WebServices().SetTimeOut(1000);
    Adicionar(nfe, 65);
    semente = semente * 1103515245u + 12345u;
    if ((semente >> 16) % 2 == 0) Falha("NFeAutorizacao4", tipos[(semente >> 8) % 5]);
    TNFeAutorizacao a(nfe);
    std::vector<std::string> progresso;
    a.OnProgresso = [&](const std::string& l) { progresso.push_back(l); };
    const bool sincrono = (semente >> 20) % 2 == 0;
    EXPECT_TRUE(a.Enviar(std::to_string(100 + i), sincrono, (semente >> 24) % 2 == 0)) << i;
    // A batch goes again only after the key query found nothing (a 500 before processing);
    // had the simulator held it, the second send would have met a duplicate and asked again.
    bool reenviado = false;
    for (const auto& l : progresso) {
      if (l.find("reenviando") != std::string::npos) reenviado = true;
      if (reenviado) {
        EXPECT_EQ(l.find("consultando a chave"), std::string::npos) << i;
      }
    }
    if (reenviado) ++reenvios;
    todos.push_back(a.Resultados()[0]);
  }
  RecordProperty("reenvios", reenvios);
  auto estado = Rodar({kSim, "estado", Amb().pasta, "--json"});
  ASSERT_EQ(estado.codigo, 0);
  for (const auto& r : todos) {
    ASSERT_EQ(r.Situacao, sAutorizada) << r.chNFe << " " << r.cStat << " " << r.xMotivo;
    ConferirProc(r);
    EXPECT_NE(estado.out.find(r.nProt), std::string::npos) << r.chNFe;
  }
}

// ---- a document's life -------------------------------------------------------------------------

// An NFC-e from the service status to its cancellation, every step's files checked: the request
// and answer of each call, the nfeProc, the procEventoNFe, and the key query that ends cancelled.
TEST_P(Envio, NfceLifeFromStatusToCancellation) {
  TTuimNFe nfe;
  const std::string eventos = IniciarVida(nfe, moNFCe);

  const std::string chave = Adicionar(nfe, 65);
  TNFeAutorizacao a(nfe);
  ASSERT_TRUE(a.Enviar("61", true, false)) << a.Recepcao().Mensagem();
  ConferirProc(a.Resultados()[0]);
  const std::string nProt = a.Resultados()[0].nProt;
  ConferirArquivos(fSaida, "61", "env-lot", "pro-lot", "<nProt>" + nProt + "</nProt>");
  EXPECT_TRUE(Contem(LerArquivo(fSaida + "/61-env-lot.xml"), "<indSinc>1</indSinc>"));

  TNFeConsulta c(nfe);
  c.SetNFeChave(chave);
  ConsultarChave(c, 100, nProt);

  TInfEvento& canc = Evento(nfe, chave, teCancelamento);
  canc.detEvento().SetnProt(nProt);
  canc.detEvento().SetxJust("Cancelamento por desistencia do consumidor");
  const std::string nProtCanc = Registrar(nfe, 62, eventos, "110111");
  EXPECT_TRUE(Contem(fURL, "/ws/NFCe/SP/H/")) << fURL;

  ConsultarChave(c, 101, nProtCanc);
  EXPECT_EQ(c.procEventoNFe().Count(), 1);
}

// An NF-e from the service status to its cancellation: authorised asynchronously and compressed,
// corrected, cancelled, and the key query shows both events and the cancellation.
TEST_P(Envio, NfeLifeFromStatusToCancellation) {
  TTuimNFe nfe;
  const std::string eventos = IniciarVida(nfe, moNFe);

  const std::string chave = Adicionar(nfe, 55);
  TNFeAutorizacao a(nfe);
  ASSERT_TRUE(a.Enviar("63", false, true)) << a.RetRecepcao().Mensagem();
  EXPECT_EQ(a.Recepcao().ElementoCorpo(), "nfeDadosMsgZip");
  ConferirProc(a.Resultados()[0]);
  const std::string nProt = a.Resultados()[0].nProt;
  ConferirArquivos(fSaida, "63", "env-lot", "rec", "<nRec>" + a.Recibo() + "</nRec>");
  ConferirArquivos(fSaida, a.Recibo(), "ped-rec", "pro-rec", "<nProt>" + nProt + "</nProt>");

  TNFeConsulta c(nfe);
  c.SetNFeChave(chave);
  ConsultarChave(c, 100, nProt);

  TInfEvento& cce = Evento(nfe, chave, teCCe);
  cce.detEvento().SetxCorrecao("Correcao do endereco de entrega do destinatario");
  cce.detEvento().SetxCondUso("");
  const std::string nProtCCe = Registrar(nfe, 64, eventos, "110110");
  EXPECT_TRUE(Contem(LerArquivo(eventos + "/64-ped-eve.xml"), "<xCorrecao>Correcao do endereco"));

  TInfEvento& canc = Evento(nfe, chave, teCancelamento);
  canc.detEvento().SetnProt(nProt);
  canc.detEvento().SetxJust("Cancelamento por erro de digitacao do pedido");
  const std::string nProtCanc = Registrar(nfe, 65, eventos, "110111");

  ConsultarChave(c, 101, nProtCanc);
  EXPECT_EQ(c.procEventoNFe().Count(), 2);
  const std::string sit = LerArquivo(fSaida + "/" + chave + "-sit.xml");
  EXPECT_TRUE(Contem(sit, "<nProt>" + nProtCCe + "</nProt>"));
  EXPECT_TRUE(Contem(sit, "<nProt>" + nProtCanc + "</nProt>"));

  // Cancelled once, never twice.
  TNFeEnvEvento env(nfe);
  env.idLote = 66;
  Evento(nfe, chave, teCancelamento, 2).detEvento().SetnProt(nProt);
  nfe.EventoNFe().Evento()[0].InfEvento().detEvento().SetxJust("Cancelamento repetido por engano do operador");
  EXPECT_FALSE(env.Executar());
  EXPECT_EQ(nfe.EventoNFe().Evento()[0].RetInfEvento().cStat, 420);
  EXPECT_TRUE(nfe.EventoNFe().Evento()[0].RetInfEvento().NomeArquivo.empty());
}

// ---- voiding ------------------------------------------------------------------------------------

// A free range is voided (102) with its procInutNFe; the same range again is 563 and leaves
// that file as it was; a range holding an authorised number is refused (241) without one.
// Request and answer go to the voiding folder (by CNPJ, with its literal).
TEST_P(Envio, VoidingARangeIsAcceptedOnceAndRefusedOverAUsedNumber) {
  TTuimNFe nfe;
  Configurar(nfe, moNFe);
  auto& arq = nfe.Configuracoes().Arquivos();
  nfe.Configuracoes().Geral().SetSalvar(true);
  arq.SetPathInu(fSaida + "/inu");
  arq.SetSepararPorCNPJ(true);
  arq.SetAdicionarLiteral(true);
  const std::string pasta = fSaida + "/inu/" + kEmitente + "/Inu";

  Adicionar(nfe, 55);
  TNFeAutorizacao a(nfe);
  ASSERT_TRUE(a.Enviar("70", true, false));
  const int usado = static_cast<int>(nfe.NotasFiscais()[0].NFe().Ide.nNF);
  const int livre = Amb().proximoNumero.fetch_add(3);

  struct Caso {
    const char* nome;
    int ini, fim;
    int cStat;
    bool ok;
  };
  const Caso casos[] = {
      {"faixa livre", livre, livre + 2, 102, true},
      {"a mesma faixa outra vez", livre, livre + 2, 563, false},
      {"faixa com número autorizado", usado, usado, 241, false},
  };
  std::string procAceito;
  for (const Caso& c : casos) {
    SCOPED_TRACE(c.nome);
    TNFeInutilizacao s(nfe);
    s.CNPJ = kEmitente;
    s.Modelo = 55;
    s.Serie = 1;
    s.Ano = 26;
    s.NumeroInicial = c.ini;
    s.NumeroFinal = c.fim;
    s.Justificativa = "Numeracao pulada por falha do sistema emissor";
    EXPECT_EQ(s.Executar(), c.ok) << s.cStat() << " " << s.xMotivo();
    EXPECT_EQ(s.cStat(), c.cStat) << s.xMotivo();
    const std::string id = SomenteNumeros(s.ID());
    ASSERT_EQ(id.size(), 41u) << s.ID();
    EXPECT_TRUE(Contem(LerArquivo(pasta + "/" + id + "-ped-inu.xml"), "<SignatureValue>"));
    ConferirArquivos(pasta, id, "ped-inu", "inu", "<cStat>" + std::to_string(c.cStat) + "</cStat>");
    const std::string proc = pasta + "/" + id + "-procInutNFe.xml";
    if (c.cStat == 102) {
      EXPECT_EQ(s.Protocolo().size(), 15u);
      EXPECT_EQ(s.NomeArquivo(), proc);
      procAceito = LerArquivo(proc);
      EXPECT_TRUE(Contem(procAceito, "<ProcInutNFe versao=\"4.00\"")) << procAceito.substr(0, 200);
      EXPECT_TRUE(Contem(procAceito, "<nProt>" + s.Protocolo() + "</nProt>"));
    } else if (c.cStat == 563) {
      // The earlier proof of the voiding stays.
      EXPECT_TRUE(LerArquivo(proc) == procAceito) << "procInutNFe replaced by the 563 answer";
    } else {
      EXPECT_TRUE(s.NomeArquivo().empty());
      EXPECT_FALSE(std::filesystem::exists(proc));
    }
  }
}

// ---- events of others: EPEC and the recipient's acknowledgements --------------------------------

// EPEC of NF-e goes to the national environment; São Paulo's NFC-e EPEC has a service of its own
// at the state. Each is registered unlinked (136) and its procEventoNFe saved.
TEST_P(Envio, EpecGoesByItsOwnRoute) {
  struct Caso {
    TfscModeloDF modelo;
    int mod;
    const char* caminho;
  };
  const Caso casos[] = {{moNFe, 55, "/ws/NFe/AN/H/NFeRecepcaoEvento4"}, {moNFCe, 65, "/ws/NFCe/SP/H/NFeRecepcaoEvento4"}};
  for (const Caso& c : casos) {
    SCOPED_TRACE(c.mod);
    TTuimNFe nfe;
    Configurar(nfe, c.modelo);
    nfe.Configuracoes().Arquivos().SetPathEvento(fSaida + "/epec");
    // The key of a document issued in EPEC contingency (tpEmis 4), not yet authorised.
    TNota n;
    n.modelo = c.mod;
    n.nNF = Amb().proximoNumero++;
    Montar(n);
    std::string c43 = n.chave.substr(0, 43);
    c43[34] = '4';
    const std::string chave = c43 + std::to_string(Digito(c43));
    TInfEvento& e = Evento(nfe, chave, teEPECNFe);
    TDetEvento& d = e.detEvento();
    d.SetcOrgaoAutor(35);
    d.SettpAutor(tpAutor1);
    d.SetverAplic("Tuim 1.0");
    d.SetdhEmi(Now());
    d.SettpNF(tpNF1);
    d.SetIE("110042490114");
    d.dest().SetUF("SP");
    d.dest().SetCNPJCPF(kOutro);
    d.SetvNF(TCurrency(10));
    TNFeEnvEvento env(nfe);
    env.idLote = 67;
    ASSERT_TRUE(env.Executar()) << env.cStat() << " " << env.xMotivo();
    EXPECT_TRUE(Contem(env.URL(), c.caminho)) << env.URL();
    const TRetInfEvento& r = nfe.EventoNFe().Evento()[0].RetInfEvento();
    EXPECT_EQ(r.cStat, 136) << r.xMotivo;
    ConferirProcEvento(r, fSaida + "/epec", "110140");
  }
}

// The four acknowledgements are the recipient's, signed with its own certificate (made here) and
// sent to the national environment: the issuer's and a third company's are refused (575), the
// recipient's registered; after the acknowledgement the distribution hands the recipient the
// whole processed document.
TEST_P(Envio, RecipientAcknowledgementsAreTheRecipientsOnly) {
  const std::string dest = NovoDestinatario();
  const std::string pfx = NovoCertificado(dest);
  ASSERT_FALSE(pfx.empty());
  TTuimNFe emitente;
  Configurar(emitente, moNFe);
  const std::string chave = Adicionar(emitente, 55, dest);
  TNFeAutorizacao a(emitente);
  ASSERT_TRUE(a.Enviar("71", true, false));

  TTuimNFe terceiro;
  Configurar(terceiro, moNFe);
  terceiro.Configuracoes().Certificados().SetArquivoPFX(Amb().pasta + "/" + kOutro + ".pfx");
  TTuimNFe destinatario;
  Configurar(destinatario, moNFe);
  destinatario.Configuracoes().Certificados().SetArquivoPFX(pfx);
  destinatario.Configuracoes().Arquivos().SetPathEvento(fSaida + "/manifestacao");

  struct Caso {
    TfscTpEvento tipo;
    const char* codigo;
    const char* xJust;
  };
  const Caso casos[] = {
      {teManifDestCiencia, "210210", ""},
      {teManifDestConfirmacao, "210200", ""},
      {teManifDestDesconhecimento, "210220", ""},
      {teManifDestOperNaoRealizada, "210240", "Mercadoria devolvida ao emitente na entrega"},
  };
  for (const Caso& c : casos) {
    SCOPED_TRACE(c.codigo);
    for (auto [quem, cnpj] : {std::pair<TTuimNFe*, const char*>{&emitente, kEmitente}, {&terceiro, kOutro}}) {
      TInfEvento& e1 = Evento(*quem, chave, c.tipo, 1, cnpj);
      if (*c.xJust) e1.detEvento().SetxJust(c.xJust);
      TNFeEnvEvento outro(*quem);
      EXPECT_FALSE(outro.Executar());
      EXPECT_TRUE(Contem(outro.URL(), "/ws/NFe/AN/H/")) << outro.URL();
      const TRetInfEvento& recusa = quem->EventoNFe().Evento()[0].RetInfEvento();
      EXPECT_EQ(recusa.cStat, 575) << cnpj << " " << recusa.xMotivo;
      EXPECT_TRUE(recusa.NomeArquivo.empty());
    }

    TInfEvento& e2 = Evento(destinatario, chave, c.tipo, 1, dest);
    if (*c.xJust) e2.detEvento().SetxJust(c.xJust);
    TNFeEnvEvento doDestinatario(destinatario);
    ASSERT_TRUE(doDestinatario.Executar()) << doDestinatario.xMotivo();
    const TRetInfEvento& r = destinatario.EventoNFe().Evento()[0].RetInfEvento();
    EXPECT_EQ(r.cStat, 135) << r.xMotivo;
    ConferirProcEvento(r, fSaida + "/manifestacao", c.codigo);
  }

  TDistribuicaoDFe d(destinatario);
  d.cUFAutor = 35;
  d.CNPJCPF = dest;
  d.chNFe = chave;
  ASSERT_TRUE(d.Executar()) << d.xMotivo();
  const auto& lista = d.ListaArqs();
  EXPECT_NE(std::find(lista.begin(), lista.end(), chave + "-nfe.xml"), lista.end());
  EXPECT_NE(std::find(lista.begin(), lista.end(), chave + "-resNFe.xml"), lista.end());
  const std::string proc = LerArquivo(fSaida + "/" + chave + "-nfe.xml");
  EXPECT_TRUE(Contem(proc, "<nfeProc")) << proc.substr(0, 200);
  EXPECT_TRUE(Contem(proc, fAssinados[chave].substr(0, 200)));
}

// ---- distribution -------------------------------------------------------------------------------

// What the simulator holds for a recipient (two summaries of documents and the summary of an
// event on one of them) is downloaded, unzipped and filed: documents by issuer name and CNPJ,
// events in the event folder; asked again from the last NSU, nothing is left (137).
TEST_P(Envio, DistributionDownloadsAndFilesWhatTheRecipientHas) {
  const std::string dest = NovoDestinatario();
  TTuimNFe nfe;
  Configurar(nfe, moNFe);
  auto& arq = nfe.Configuracoes().Arquivos();
  arq.SetSalvarEvento(true);
  arq.SetSepararPorCNPJ(true);
  arq.SetAdicionarLiteral(true);
  arq.DownloadDFe().SetPathDownload(fSaida + "/down");
  arq.DownloadDFe().SetSepararPorNome(true);
  arq.SetPathEvento(fSaida + "/eventos");
  const std::string k1 = Adicionar(nfe, 55, dest), k2 = Adicionar(nfe, 55, dest);
  TNFeAutorizacao a(nfe);
  ASSERT_TRUE(a.Enviar("72", false, false));
  TInfEvento& cce = Evento(nfe, k1, teCCe);
  cce.detEvento().SetxCorrecao("Correcao da referencia do pedido do cliente");
  cce.detEvento().SetxCondUso("");
  TNFeEnvEvento env(nfe);
  ASSERT_TRUE(env.Executar()) << env.xMotivo();

  TDistribuicaoDFe d(nfe);
  d.cUFAutor = 35;
  d.CNPJCPF = dest;
  d.ultNSU = "0";
  ASSERT_TRUE(d.Executar()) << d.xMotivo();
  EXPECT_EQ(d.cStat(), 138);
  std::vector<std::string> lista = d.ListaArqs(), esperada = {k1 + "-resNFe.xml", k2 + "-resNFe.xml",
                                                              "110110" + k1 + "01-resEventoNFe.xml"};
  std::sort(lista.begin(), lista.end());
  std::sort(esperada.begin(), esperada.end());
  EXPECT_EQ(lista, esperada);
  EXPECT_EQ(d.retDistDFeInt().ultNSU, d.retDistDFeInt().maxNSU);

  const std::string documentos = fSaida + "/down/EMPRESAEMITENTELTDA/" + kEmitente + "/Down";
  for (const auto& r : a.Resultados()) {
    const std::string res = LerArquivo(documentos + "/" + r.chNFe + "-resNFe.xml");
    EXPECT_TRUE(Contem(res, "<resNFe versao=\"1.01\"")) << documentos << " " << res.substr(0, 200);
    EXPECT_TRUE(Contem(res, "<chNFe>" + r.chNFe + "</chNFe>"));
    EXPECT_TRUE(Contem(res, "<nProt>" + r.nProt + "</nProt>"));
  }
  std::string evento;
  for (const std::string& f : ArquivosEm(fSaida + "/down"))
    if (Contem(f, "-resEventoNFe.xml")) evento = f;
  ASSERT_FALSE(evento.empty());
  EXPECT_EQ(evento.rfind(fSaida + "/down/" + kEmitente + "/Evento/", 0), 0u) << evento;
  EXPECT_TRUE(Contem(LerArquivo(evento), "<tpEvento>110110</tpEvento>"));

  d.ultNSU = d.retDistDFeInt().ultNSU;
  EXPECT_TRUE(d.Executar());
  EXPECT_EQ(d.cStat(), 137);
  EXPECT_TRUE(d.ListaArqs().empty());
}

// A distribution answer names its files by the keys it carries: one that is not a key never
// becomes a file, and no name from the answer (key, issuer's name) climbs out of the download
// folder. The simulator only holds keys it checked, so the answer comes from a loopback server.
TEST_P(Envio, DistributionNamesFromTheAnswerStayInTheDownloadFolder) {
  const std::string valida = "35261211222333000181550010000000011000000010";
  const std::string escalada = std::string("../../../../../../../../../../../../../../") + "xy";
  ASSERT_EQ(escalada.size(), 44u);
  teste::TServidorTeste servidor;
  const std::string catalogo = ServirDistribuicao(
      servidor,
      teste::RetDistDFeInt(
          {teste::DocZip("1", "resNFe_v1.01.xsd", teste::InfZip(teste::ResNFe(escalada, "Empresa"))),
           teste::DocZip("2", "procNFe_v4.00.xsd", teste::InfZip(teste::NFeProc(escalada, "Empresa"))),
           teste::DocZip("3", "resNFe_v1.01.xsd", teste::InfZip(teste::ResNFe(valida, "../../../../../../../tmp/fora")))}));
  ASSERT_FALSE(catalogo.empty());

  TTuimNFe nfe;
  Configurar(nfe, moNFe);
  auto& arq = nfe.Configuracoes().Arquivos();
  arq.SetIniServicos(catalogo);
  arq.DownloadDFe().SetPathDownload(fSaida + "/base");
  arq.DownloadDFe().SetSepararPorNome(true);
  TDistribuicaoDFe d(nfe);
  d.cUFAutor = 35;
  d.CNPJCPF = kEmitente;
  d.ultNSU = "0";
  EXPECT_TRUE(d.Executar()) << d.xMotivo();
  ASSERT_EQ(d.ListaArqs().size(), 1u);
  EXPECT_EQ(d.ListaArqs()[0], valida + "-resNFe.xml");
  const std::vector<std::string> salvos = ArquivosEm(fSaida + "/base");
  ASSERT_EQ(salvos.size(), 1u);
  EXPECT_EQ(salvos[0], fSaida + "/base/tmpfora/" + valida + "-resNFe.xml");
  EXPECT_FALSE(std::filesystem::exists(fSaida + "/xy-resNFe.xml"));
  EXPECT_FALSE(std::filesystem::exists("/tmp/fora"));
  servidor.Parar();
}

// ---- waits taken from answers -------------------------------------------------------------------

// The mean time an answer reports becomes AguardarConsultaRet when asked to, never above 60 s,
// also when the seconds would wrap round as milliseconds; and the wait before polling a receipt
// is held to 60 s whatever the setting says.
TEST_P(Envio, WaitTakenFromAnAnswerIsHeldToSixtySeconds) {
  struct Caso {
    const char* tMed;
    std::uint32_t espera;
  };
  const Caso casos[] = {{"0", 0}, {"30", 30000}, {"60", 60000}, {"3600", 60000}, {"4294968", 60000}};
  for (const Caso& c : casos) {
    SCOPED_TRACE(c.tMed);
    Ajustar({"--tmed", c.tMed});
    TTuimNFe nfe;
    Configurar(nfe, moNFe);
    nfe.Configuracoes().WebServices().SetAjustaAguardaConsultaRet(true);
    TNFeStatusServico s(nfe);
    ASSERT_TRUE(s.Executar()) << s.xMotivo();
    EXPECT_EQ(s.tMed(), std::atoi(c.tMed));
    EXPECT_EQ(nfe.Configuracoes().WebServices().AguardarConsultaRet(), c.espera);
  }
  Ajustar({"--tmed", "1", "--consultas-105", "1"});

  TTuimNFe nfe;
  Configurar(nfe, moNFe);
  nfe.Configuracoes().WebServices().SetAguardarConsultaRet(10u * 60u * 1000u);
  Adicionar(nfe, 55);
  TNFeAutorizacao a(nfe);
  std::vector<std::uint32_t> esperas;
  a.RetRecepcao().OnEsperar = [&](std::uint32_t ms) { esperas.push_back(ms); };
  const bool ok = a.Enviar("73", false, false);
  Ajustar({"--consultas-105", "0"});
  ASSERT_TRUE(ok);
  ASSERT_EQ(esperas.size(), 2u);
  EXPECT_EQ(esperas[0], 60000u);
  EXPECT_EQ(esperas[1], 1000u);
}

// `tuim sefaz autorizar` on signed files: one line per document, exit 0 only when all are
// authorised; the same file again recovers its protocol by key; `tuim sefaz recibo` refuses a
// receipt that is not 15 digits.
TEST(EnvioCli, AutorizarPrintsOneLinePerDocumentAndExitsByOutcome) {
  ASSERT_TRUE(Amb().erro.empty()) << Amb().erro;
  const std::string saida = PastaNova("tuim-envio-cli");
  TNota n;
  n.modelo = 55;
  n.nNF = Amb().proximoNumero++;
  const std::string arquivo = saida + "/nfe.xml";
  {
    std::ofstream f(arquivo, std::ios::binary);
    f << Amb().assinador->Assinar(Montar(n), "NFe", "infNFe");
  }
  const std::vector<std::string> comuns = {"--uf", "SP", "--pfx", Amb().pasta + "/" + kEmitente + ".pfx", "--senha",
                                           "1234", "--cacert", Amb().pasta + "/ca.pem", "--catalogo",
                                           Amb().pasta + "/catalogo.ini", "--schemas", TUIM_SCHEMAS_DIR, "--lib",
                                           "openssl", "--salvar", saida};
  auto rodar = [&](std::vector<std::string> args) {
    args.insert(args.begin(), TUIM_CLI);
    args.insert(args.end(), comuns.begin(), comuns.end());
    return Rodar(args);
  };
  for (int vez = 0; vez < 2; ++vez) {
    auto r = rodar({"sefaz", "autorizar", arquivo, "--sincrono"});
    EXPECT_EQ(r.codigo, 0) << r.out << r.err;
    EXPECT_EQ(r.out.rfind("chNFe=" + n.chave + " cStat=100 xMotivo=Autorizado o uso da NF-e nProt=", 0), 0u) << r.out;
    const std::size_t p = r.out.find(" Arquivo=");
    ASSERT_NE(p, std::string::npos);
    std::string nome = r.out.substr(p + 9);
    nome.erase(nome.find_last_not_of("\r\n") + 1);
    EXPECT_NE(LerArquivo(nome).find("<nfeProc"), std::string::npos) << nome;
    if (vez == 1) {
      EXPECT_NE(r.err.find("consultando a chave"), std::string::npos) << r.err;
    }
  }
  EXPECT_EQ(rodar({"sefaz", "recibo", "../12345"}).codigo, 2);
  EXPECT_EQ(rodar({"sefaz", "autorizar"}).codigo, 2);
  std::error_code ec;
  std::filesystem::remove_all(saida, ec);
}

// `tuim sefaz distribuicao --ate-o-fim` asks page after page until ultNSU reaches maxNSU, saving
// each document; from there it stops at 137 and, asked again within the hour, at 656, each time
// printing the NSU to resume from.
TEST_P(Envio, CliDistributionGoesToTheEndAndStopsAt137And656) {
  const std::string dest = NovoDestinatario();
  TTuimNFe nfe;
  Configurar(nfe, moNFe);
  std::vector<std::string> chaves;
  for (int i = 0; i < 5; ++i) chaves.push_back(Adicionar(nfe, 55, dest));
  TNFeAutorizacao a(nfe);
  ASSERT_TRUE(a.Enviar("74", false, false));
  Ajustar({"--pagina-nsu", "2"});

  const std::string saida = fSaida + "/cli";
  auto rodar = [&](const std::string& ult) {
    return Distribuicao({"--cnpj", dest, "--ult-nsu", ult, "--ate-o-fim", "--salvar", saida},
                        Amb().pasta + "/catalogo.ini");
  };
  auto r = rodar("0");
  Ajustar({"--pagina-nsu", "50"});
  EXPECT_EQ(r.codigo, 0) << r.out << r.err;
  EXPECT_EQ(Contar(r.err, "tuim: cStat=138 "), 3) << r.err;  // 2 + 2 + 1
  for (const std::string& k : chaves) {
    EXPECT_TRUE(Contem(r.out, "Arquivo=" + k + "-resNFe.xml\n")) << r.out;
    EXPECT_TRUE(Contem(LerArquivo(saida + "/" + k + "-resNFe.xml"), "<chNFe>" + k + "</chNFe>"));
  }
  const std::string fim = "cStat=138 xMotivo=Documento localizado ultNSU=";
  const std::size_t p = r.out.rfind(fim);
  ASSERT_NE(p, std::string::npos) << r.out;
  const std::string ult = r.out.substr(p + fim.size(), 15);
  EXPECT_TRUE(Contem(r.err, "ultNSU=" + ult + " maxNSU=" + ult + " documentos=1")) << r.err;

  r = rodar(ult);
  EXPECT_EQ(r.codigo, 0) << r.out << r.err;
  EXPECT_TRUE(Contem(r.out, "cStat=137 xMotivo=Nenhum documento localizado ultNSU=" + ult + "\n")) << r.out;
  r = rodar(ult);
  EXPECT_EQ(r.codigo, 1) << r.out << r.err;
  EXPECT_TRUE(Contem(r.out, "cStat=656 ")) << r.out;
  EXPECT_TRUE(Contem(r.out, " ultNSU=" + ult + "\n")) << r.out;
}

// An authority that keeps answering 138 with the same ultNSU below maxNSU would be asked the same
// page again and again: the loop stops at the first answer that does not move forward, with the
// NSU to resume from.
TEST_P(Envio, CliDistributionStopsWhenTheAnswerDoesNotMoveForward) {
  teste::TServidorTeste servidor;
  const std::string catalogo = ServirDistribuicao(
      servidor, teste::RetDistDFeInt({teste::DocZip("000000000000050", "resNFe_v1.01.xsd",
                                                    teste::InfZip(teste::ResNFe(std::string(44, '3'), "Empresa")))},
                                     "138", "000000000000050"));
  ASSERT_FALSE(catalogo.empty());
  auto r = Distribuicao({"--cnpj", kEmitente, "--ate-o-fim"}, catalogo);
  EXPECT_EQ(r.codigo, 1) << r.out << r.err;
  EXPECT_EQ(Contar(r.err, "tuim: cStat=138 "), 2) << r.err;
  EXPECT_TRUE(Contem(r.err, "tuim: o ultNSU da resposta n")) << r.err;
  EXPECT_TRUE(Contem(r.out, " ultNSU=000000000000050\n")) << r.out;
}

INSTANTIATE_TEST_SUITE_P(Transportes, Envio,
                         ::testing::Values(TCaso{"Socket", httpOpenSSL}, TCaso{"Curl", httpWinHttp}),
                         [](const auto& i) { return std::string(i.param.nome); });

}  // namespace
