// Sending batches to the real tuim-sefaz-sim on loopback through the component's own transports:
// authorisation synchronous and not, compressed and not, receipt polling, denial, and the
// recovery of an authorised document whose answer was lost in each way the simulator can lose it.
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
#include "services/TuimServicosEnvio.h"
#include "simulator/SimTeste.h"
#include "testing/RespostasTeste.h"
#include "transport/TuimTransporte.h"
#include "xml/TuimNFeR.h"

using namespace tuim;
using namespace tuim::simteste;

namespace {

const std::string kSim = TUIM_SIM;

struct TAmbiente {
  std::string pasta, erro;
  std::unique_ptr<TSimulador> sim;
  std::unique_ptr<TAssinador> assinador;
  std::atomic<int> proximoNumero{1000};
  std::string csc;
};

TAmbiente& Amb() {
  static TAmbiente a;
  static std::once_flag f;
  std::call_once(f, [] {
    a.pasta = PastaNova("tuim-envio");
    auto r = Rodar({kSim, "iniciar", a.pasta, "--cnpj", kEmitente, "--cnpj", kOutro, "--uf", "SP"});
    if (r.codigo != 0) {
      a.erro = "iniciar: " + r.err;
      return;
    }
    a.sim = std::make_unique<TSimulador>(kSim);
    if (!a.sim->Iniciar(a.pasta, a.erro)) return;
    a.assinador = std::make_unique<TAssinador>(a.pasta, kEmitente);
    std::string t = LerArquivo(a.pasta + "/" + kEmitente + ".csc");
    a.csc = t.substr(t.find("csc=") + 4, 36);
    std::atexit([] {
      a.sim->Parar();
      std::error_code ec;
      std::filesystem::remove_all(a.pasta, ec);
    });
  });
  return a;
}

void Falha(const std::string& servico, const std::string& tipo, int vezes = 1) {
  auto r = Rodar({kSim, "falha", Amb().pasta, servico, tipo, "--vezes", std::to_string(vezes)});
  ASSERT_EQ(r.codigo, 0) << r.err;
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
    auto& c = nfe.Configuracoes();
    c.WebServices().SetUF("SP");
    c.WebServices().SetAmbiente(taHomologacao);
    c.Geral().SetModeloDF(modelo);
    c.Geral().SetVersaoDF(ve400);
    c.Geral().SetSSLCryptLib(cryOpenSSL);
    c.Geral().SetSSLHttpLib(GetParam().http);
    c.Geral().SetSSLXmlSignLib(xsLibXml2);
    c.Certificados().SetArquivoPFX(Amb().pasta + "/" + kEmitente + ".pfx");
    c.Certificados().SetSenha("1234");
    c.Arquivos().SetPathSchemas(TUIM_SCHEMAS_DIR);
    c.Arquivos().SetIniServicos(Amb().pasta + "/catalogo.ini");
    c.Geral().SetSalvar(false);
    c.WebServices().SetSalvar(false);
    c.Arquivos().SetSalvar(true);
    c.Arquivos().SetPathSalvar(fSaida);
    c.Arquivos().SetPathNFe(fSaida);
    c.WebServices().SetTimeOut(5000);
    TVerificacaoServidor v;
    v.ArquivoCA = Amb().pasta + "/ca.pem";
    DefinirVerificacaoServidor(nfe.SSL(), v);
  }

  // A signed document of the next number put into the collection.
  std::string Adicionar(TTuimNFe& nfe, int modelo, const std::string& dest = kOutro) {
    TNota n;
    n.modelo = modelo;
    n.nNF = Amb().proximoNumero++;
    n.dest = dest;
    n.csc = Amb().csc;
    const std::string assinado = Amb().assinador->Assinar(Montar(n), "NFe", "infNFe");
    NotaFiscal& nf = nfe.NotasFiscais().Add();
    TNFeR r(&nf.NFe());
    r.LerXML(assinado);
    nf.SetXMLOriginal("<?xml version=\"1.0\" encoding=\"UTF-8\"?>" + assinado);
    fAssinados[n.chave] = assinado;
    return n.chave;
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
      if (reenviado) EXPECT_EQ(l.find("consultando a chave"), std::string::npos) << i;
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

// An NF-e's life after authorisation: a correction letter and a cancellation, each registered
// with its procEventoNFe saved, then the protocol query says cancelled.
TEST_P(Envio, CorrectionLetterAndCancellationAreRegisteredAndSaved) {
  TTuimNFe nfe;
  Configurar(nfe, moNFe);
  nfe.Configuracoes().Arquivos().SetPathEvento(fSaida);
  const std::string chave = Adicionar(nfe, 55);
  TNFeAutorizacao a(nfe);
  ASSERT_TRUE(a.Enviar("60", false, true));
  const std::string nProt = a.Resultados()[0].nProt;

  auto evento = [&](TfscTpEvento tipo, int seq) -> TInfEvento& {
    nfe.EventoNFe().Evento().Clear();
    TInfEvento& e = nfe.EventoNFe().Evento().New().InfEvento();
    e.SetchNFe(chave);
    e.SetCNPJ(kEmitente);
    e.SetdhEvento(Now());
    e.SettpEvento(tipo);
    e.SetnSeqEvento(seq);
    e.SetverEvento("1.00");
    return e;
  };
  TInfEvento& cce = evento(teCCe, 1);
  cce.detEvento().SetxCorrecao("Correcao do endereco de entrega do destinatario");
  cce.detEvento().SetxCondUso("");
  TNFeEnvEvento env(nfe);
  ASSERT_TRUE(env.Executar()) << env.cStat() << " " << env.xMotivo();
  TRetInfEvento& r1 = nfe.EventoNFe().Evento()[0].RetInfEvento();
  EXPECT_EQ(r1.cStat, 135) << r1.xMotivo;
  ASSERT_FALSE(r1.NomeArquivo.empty());
  const std::string proc = LerArquivo(r1.NomeArquivo);
  EXPECT_NE(proc.find("<procEventoNFe versao=\"1.00\""), std::string::npos) << proc.substr(0, 300);
  EXPECT_NE(proc.find("<nProt>" + r1.nProt + "</nProt>"), std::string::npos);
  EXPECT_NE(proc.find("<SignatureValue>"), std::string::npos);

  TInfEvento& canc = evento(teCancelamento, 1);
  canc.detEvento().SetnProt(nProt);
  canc.detEvento().SetxJust("Cancelamento por erro de digitacao do pedido");
  ASSERT_TRUE(env.Executar()) << env.cStat() << " " << env.xMotivo();
  EXPECT_EQ(nfe.EventoNFe().Evento()[0].RetInfEvento().cStat, 135);

  TNFeConsulta c(nfe);
  c.SetNFeChave(chave);
  c.Executar();
  EXPECT_EQ(c.cStat(), 101) << c.xMotivo();
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
    if (vez == 1) EXPECT_NE(r.err.find("consultando a chave"), std::string::npos) << r.err;
  }
  EXPECT_EQ(rodar({"sefaz", "recibo", "../12345"}).codigo, 2);
  EXPECT_EQ(rodar({"sefaz", "autorizar"}).codigo, 2);
  std::error_code ec;
  std::filesystem::remove_all(saida, ec);
}

// A distribution answer names its files by the keys it carries: one that is not a key never
// becomes a file, so a name cannot climb out of the download folder.
TEST(EnvioDistribuicao, KeysThatAreNotKeysNeverBecomeFileNames) {
  ASSERT_TRUE(Amb().erro.empty()) << Amb().erro;
  const std::string saida = PastaNova("tuim-envio-dist");
  TTuimNFe nfe;
  auto& c = nfe.Configuracoes();
  c.WebServices().SetUF("SP");
  c.WebServices().SetAmbiente(taHomologacao);
  c.Geral().SetVersaoDF(ve400);
  c.Arquivos().SetPathSchemas(TUIM_SCHEMAS_DIR);
  c.Arquivos().SetIniServicos(Amb().pasta + "/catalogo.ini");
  c.Arquivos().SetSalvar(true);
  c.Arquivos().SetPathSalvar(saida + "/base");
  c.Arquivos().DownloadDFe().SetPathDownload(saida + "/base");
  const std::string valida = "35261211222333000181550010000000011000000010";
  const std::string escalada = std::string("../../../../../../../../../../../../../../") + "xy";
  ASSERT_EQ(escalada.size(), 44u);
  const std::string ret =
      teste::RetDistDFeInt({teste::DocZip("1", "resNFe_v1.01.xsd", teste::InfZip(teste::ResNFe(escalada, "Empresa"))),
                            teste::DocZip("2", "resNFe_v1.01.xsd", teste::InfZip(teste::ResNFe(valida, "Empresa")))});
  nfe.OnTransmit = [&](const std::string&, const std::string&, const std::string&, const std::string&,
                       std::string& resposta, int& http, int& interno) {
    resposta = "<soap:Envelope xmlns:soap=\"http://www.w3.org/2003/05/soap-envelope\"><soap:Body>"
               "<nfeDistDFeInteresseResponse><nfeDistDFeInteresseResult>" + ret +
               "</nfeDistDFeInteresseResult></nfeDistDFeInteresseResponse></soap:Body></soap:Envelope>";
    http = 200;
    interno = 0;
  };
  TDistribuicaoDFe d(nfe);
  d.CNPJCPF = kEmitente;
  d.ultNSU = "0";
  EXPECT_TRUE(d.Executar());
  ASSERT_EQ(d.ListaArqs().size(), 1u);
  EXPECT_EQ(d.ListaArqs()[0], valida + "-resNFe.xml");
  for (const auto& e : std::filesystem::recursive_directory_iterator(saida))
    if (e.is_regular_file()) EXPECT_EQ(e.path().string().rfind(saida + "/base/", 0), 0u) << e.path();
  EXPECT_FALSE(std::filesystem::exists(saida + "/xy-resNFe.xml"));
  std::error_code ec;
  std::filesystem::remove_all(saida, ec);
}

INSTANTIATE_TEST_SUITE_P(Transportes, Envio,
                         ::testing::Values(TCaso{"Socket", httpOpenSSL}, TCaso{"Curl", httpWinHttp}),
                         [](const auto& i) { return std::string(i.param.nome); });

}  // namespace
