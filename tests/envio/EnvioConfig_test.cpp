// Settings of sending against the real tuim-sefaz-sim on loopback: one connection kept alive
// across sends in both HTTP backends (counted by the simulator), the protocol query telling a
// denial apart from a document that may be used, and `--config INI` on every `tuim sefaz` command.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <mutex>

#include "component/TuimNFe.h"
#include "component/TuimNotasFiscais.h"
#include "fiscal/TuimDateTime.h"
#include "fiscal/TuimIni.h"
#include "services/TuimServicosEnvio.h"
#include "testing/SimTeste.h"
#include "testing/AmbienteEnvio.h"
#include "transport/TuimTransporte.h"
#include "xml/TuimNFeR.h"

using namespace tuim;
using namespace tuim::simteste;

namespace {

const std::string kSim = TUIM_SIM;
const std::string kIrregular = "99777666000155";

TAmbienteEnvio& Amb() { return AmbienteEnvio("tuim-envio-config", 7000, {"--irregular", kIrregular}); }

// TLS connections the simulator has accepted so far.
long Conexoes() { return ConexoesAceitas(kSim, Amb().pasta); }

void Falha(const std::string& servico, const std::string& tipo) {
  auto r = Rodar({kSim, "falha", Amb().pasta, servico, tipo});
  ASSERT_EQ(r.codigo, 0) << r.err;
}

// A signed document of the next number, as the bytes a file would hold.
std::string Assinado(int modelo, TNota& n, const std::string& dest = kOutro) {
  return AssinarProximo(Amb(), n, modelo, dest);
}

void Configurar(TTuimNFe& nfe, TSSLHttpLib http, TfscModeloDF modelo, bool manter) {
  ConfigurarNoSimulador(nfe, Amb(), http, modelo);
  nfe.Configuracoes().WebServices().SetArquivoCA(Amb().pasta + "/ca.pem");
  nfe.Configuracoes().WebServices().SetManterConexao(manter);
}

// Puts a signed document into the collection; its key.
std::string Adicionar(TTuimNFe& nfe, int modelo, const std::string& dest = kOutro) {
  TNota n;
  AdicionarAssinado(nfe, Amb(), n, modelo, dest);
  return n.chave;
}

struct TCaso {
  const char* nome;
  TSSLHttpLib http;
};

class EnvioMantido : public ::testing::TestWithParam<TCaso> {
protected:
  void SetUp() override { ASSERT_TRUE(Amb().erro.empty()) << Amb().erro; }
};

TEST_P(EnvioMantido, SendsToOneAddressShareOneConnection) {
  TTuimNFe nfe;
  Configurar(nfe, GetParam().http, moNFCe, true);
  const long antes = Conexoes();
  TNFeStatusServico status(nfe);
  ASSERT_TRUE(status.Executar()) << status.Mensagem();
  // Authorisations go to another address of the same host: the connection is the same one.
  TNFeAutorizacao a(nfe);
  for (int i = 0; i < 3; ++i) {
    nfe.NotasFiscais().Clear();
    Adicionar(nfe, 65);
    ASSERT_TRUE(a.Enviar(std::to_string(100 + i), true, false)) << a.Recepcao().Mensagem();
    EXPECT_EQ(a.Resultados()[0].Situacao, sAutorizada);
  }
  ASSERT_TRUE(status.Executar());
  EXPECT_EQ(Conexoes() - antes, 1);
}

// Status queries in a row; 'E' sends one, 'F' arms the fault that closes the connection after
// its next answer (keep-alive promised, as a server's idle limit does), 'D' turns the setting off.
struct TRoteiro {
  const char* nome;
  bool manter;
  const char* passos;
  long conexoes;
};

TEST_P(EnvioMantido, ConnectionsOpenedFollowTheSettingAndTheServer) {
  const TRoteiro roteiros[] = {{"without the setting every send opens its own", false, "EEE", 3},
                               {"a connection the server closed is opened again", true, "EFEEE", 2},
                               {"turning the setting off closes the kept one", true, "EEDEE", 3}};
  for (const TRoteiro& r : roteiros) {
    TTuimNFe nfe;
    Configurar(nfe, GetParam().http, moNFCe, r.manter);
    const long antes = Conexoes();
    TNFeStatusServico status(nfe);
    for (const char* p = r.passos; *p; ++p) {
      if (*p == 'E') {
        EXPECT_TRUE(status.Executar()) << r.nome << ": " << status.Mensagem();
      }
      if (*p == 'F') Falha("NFeStatusServico4", "encerrar");
      if (*p == 'D') nfe.Configuracoes().WebServices().SetManterConexao(false);
    }
    EXPECT_EQ(Conexoes() - antes, r.conexoes) << r.nome;
  }
}

// Without a kept connection each backend offers the last TLS session again: the handshake is
// shorter, and the authority still knows the certificate, so documents are still authorised.
TEST(EnvioSessao, NewConnectionsResumeTheSessionAndStillCarryTheCertificate) {
  ASSERT_TRUE(Amb().erro.empty()) << Amb().erro;
  for (TSSLHttpLib http : {httpOpenSSL, httpWinHttp}) {
    TTuimNFe nfe;
    Configurar(nfe, http, moNFCe, false);
    const long antes = Conexoes(), retomadasAntes = ConexoesAceitas(kSim, Amb().pasta, "retomadas");
    TNFeStatusServico status(nfe);
    ASSERT_TRUE(status.Executar()) << status.Mensagem();
    TNFeAutorizacao a(nfe);
    for (int i = 0; i < 2; ++i) {
      nfe.NotasFiscais().Clear();
      Adicionar(nfe, 65);
      ASSERT_TRUE(a.Enviar(std::to_string(200 + i), true, false)) << a.Recepcao().Mensagem();
      EXPECT_EQ(a.Resultados()[0].Situacao, sAutorizada);
    }
    EXPECT_EQ(Conexoes() - antes, 3) << SSLHttpLibParaTexto(http);
    EXPECT_EQ(ConexoesAceitas(kSim, Amb().pasta, "retomadas") - retomadasAntes, 2) << SSLHttpLibParaTexto(http);
  }
}

// A denied document is on file, but it is not a document to use: the query is not a success.
TEST_P(EnvioMantido, ProtocolQueryTellsEachOutcomeApart) {
  TTuimNFe nfe;
  Configurar(nfe, GetParam().http, moNFe, false);
  const std::string negada = Adicionar(nfe, 55, kIrregular);
  TNFeAutorizacao a(nfe);
  ASSERT_FALSE(a.Enviar("200", true, false));
  ASSERT_EQ(a.Resultados()[0].Situacao, sDenegada) << a.Resultados()[0].cStat;
  nfe.NotasFiscais().Clear();
  const std::string autorizada = Adicionar(nfe, 55);
  ASSERT_TRUE(a.Enviar("201", true, false));
  const std::string nProt = a.Resultados()[0].nProt;
  nfe.NotasFiscais().Clear();
  const std::string cancelada = Adicionar(nfe, 55);
  ASSERT_TRUE(a.Enviar("202", true, false));
  TInfEvento& e = nfe.EventoNFe().Evento().New().InfEvento();
  e.SetchNFe(cancelada);
  e.SetCNPJ(kEmitente);
  e.SetdhEvento(Now());
  e.SettpEvento(teCancelamento);
  e.SetnSeqEvento(1);
  e.SetverEvento("1.00");
  e.detEvento().SetnProt(a.Resultados()[0].nProt);
  e.detEvento().SetxJust("Cancelamento por erro de digitacao do pedido");
  TNFeEnvEvento env(nfe);
  ASSERT_TRUE(env.Executar()) << env.cStat() << " " << env.xMotivo();
  nfe.NotasFiscais().Clear();
  TNota desconhecida;
  Montar(desconhecida);  // a key the authority never saw

  struct Caso {
    std::string chave;
    bool resultado;
    TSituacaoConsulta situacao;
  };
  const Caso casos[] = {{negada, false, sqDenegada},
                        {autorizada, true, sqAutorizada},
                        {cancelada, true, sqCancelada},
                        {desconhecida.chave, false, sqNaoEncontrada}};
  TNFeConsulta c(nfe);
  for (const Caso& k : casos) {
    c.SetNFeChave(k.chave);
    EXPECT_EQ(c.Executar(), k.resultado) << k.chave << " " << c.cStat() << " " << c.xMotivo();
    EXPECT_EQ(c.Situacao(), k.situacao) << SituacaoConsultaParaTexto(c.Situacao()) << " " << c.cStat();
  }
  c.SetNFeChave(autorizada);
  c.Executar();
  EXPECT_EQ(c.Protocolo(), nProt);
  c.SetNFeChave(negada);
  c.Executar();
  EXPECT_TRUE(StatusDenegado(c.cStat()) || StatusDenegado(c.protNFe().cStat)) << c.cStat();
  EXPECT_FALSE(c.Protocolo().empty());
}

INSTANTIATE_TEST_SUITE_P(Transportes, EnvioMantido,
                         ::testing::Values(TCaso{"Socket", httpOpenSSL}, TCaso{"Curl", httpWinHttp}),
                         [](const auto& i) { return std::string(i.param.nome); });

TEST(EnvioMantidoIni, KeyIsReadWrittenAndCopied) {
  TConfiguracoesNFe c;
  EXPECT_FALSE(c.WebServices().ManterConexao());
  c.WebServices().SetManterConexao(true);
  TTuimIni ini;
  c.SalvarIni(ini);
  EXPECT_TRUE(ini.ReadBool("NFe", "ManterConexao", false));
  TConfiguracoesNFe lida;
  lida.CarregarIni(ini);
  EXPECT_TRUE(lida.WebServices().ManterConexao());
  TConfiguracoesNFe copia;
  copia.WebServices().CopiarDe(lida.WebServices());
  EXPECT_TRUE(copia.WebServices().ManterConexao());
}

// ---- `tuim sefaz ... --config INI` ------------------------------------------------------------

class EnvioConfigCli : public ::testing::Test {
protected:
  void SetUp() override {
    ASSERT_TRUE(Amb().erro.empty()) << Amb().erro;
    fPasta = PastaNova("tuim-envio-config-cli");
  }
  void TearDown() override {
    std::error_code ec;
    std::filesystem::remove_all(fPasta, ec);
  }

  // An INI as `tuim config init` writes it, with what sending to the simulator needs.
  std::string Ini(TfscModeloDF modelo, const std::string& pfx) {
    TConfiguracoesNFe c;
    c.WebServices().SetUF("SP");
    c.WebServices().SetAmbiente(taHomologacao);
    c.WebServices().SetArquivoCA(Amb().pasta + "/ca.pem");
    c.Geral().SetModeloDF(modelo);
    c.Geral().SetVersaoDF(ve400);
    c.Geral().SetSSLCryptLib(cryOpenSSL);
    c.Geral().SetSSLHttpLib(httpOpenSSL);
    c.Geral().SetSSLXmlSignLib(xsLibXml2);
    c.Certificados().SetArquivoPFX(pfx);
    c.Certificados().SetSenha("1234");
    c.Arquivos().SetPathSchemas(TUIM_SCHEMAS_DIR);
    c.Arquivos().SetIniServicos(Amb().pasta + "/catalogo.ini");
    c.Arquivos().SetPathSalvar(fPasta + "/salvos");
    c.Arquivos().SetPathNFe(fPasta + "/nfe");
    c.Arquivos().SetPathEvento(fPasta + "/eventos");
    c.Arquivos().DownloadDFe().SetPathDownload(fPasta + "/download");
    TTuimIni ini;
    c.SalvarIni(ini);
    const std::string arquivo = fPasta + "/tuim" + std::to_string(++fInis) + ".ini";
    ini.SaveToFile(arquivo);
    return arquivo;
  }
  std::string Pfx() const { return Amb().pasta + "/" + kEmitente + ".pfx"; }
  std::string Arquivo(int modelo, TNota& n, const std::string& dest = kOutro) {
    const std::string a = fPasta + "/nfe" + std::to_string(Amb().proximoNumero.load()) + ".xml";
    std::ofstream(a, std::ios::binary) << Assinado(modelo, n, dest);
    return a;
  }
  static TSaida Tuim(std::vector<std::string> args) {
    args.insert(args.begin(), TUIM_CLI);
    return Rodar(args);
  }
  static std::string Valor(const std::string& saida, const std::string& chave) {
    const std::size_t p = saida.find(chave + "=");
    if (p == std::string::npos) return "";
    const std::size_t ini = p + chave.size() + 1;
    return saida.substr(ini, saida.find_first_of(" \n", ini) - ini);
  }

  std::string fPasta;
  int fInis = 0;
};

TEST_F(EnvioConfigCli, EveryServiceCommandTakesItsSettingsFromTheIni) {
  const std::string ini55 = Ini(moNFe, Pfx()), ini65 = Ini(moNFCe, Pfx());
  auto r = Tuim({"sefaz", "status", "--config", ini55});
  EXPECT_EQ(r.codigo, 0) << r.out << r.err;
  EXPECT_EQ(r.out.rfind("cStat=107\n", 0), 0u) << r.out;

  TNota n;
  const std::string nfe = Arquivo(55, n);
  r = Tuim({"sefaz", "autorizar", nfe, "--config", ini55, "--json"});
  ASSERT_EQ(r.codigo, 0) << r.out << r.err;
  EXPECT_NE(r.out.find("\"cStat\": 100"), std::string::npos) << r.out;
  const std::size_t p = r.out.find("\"Recibo\": \"");
  ASSERT_NE(p, std::string::npos) << r.out;
  const std::string recibo = r.out.substr(p + 11, 15);
  const std::size_t q = r.out.find("\"nProt\": \"");
  ASSERT_NE(q, std::string::npos);
  const std::string nProt = r.out.substr(q + 10, 15);

  r = Tuim({"sefaz", "recibo", recibo, "--config", ini55});
  EXPECT_EQ(r.codigo, 0) << r.out << r.err;
  EXPECT_NE(r.out.find("chNFe=" + n.chave + " cStat=100"), std::string::npos) << r.out;

  r = Tuim({"sefaz", "consulta", "--chave", n.chave, "--config", ini55});
  EXPECT_EQ(r.codigo, 0) << r.out << r.err;
  EXPECT_EQ(Valor(r.out, "Situacao"), "autorizada") << r.out;

  r = Tuim({"sefaz", "evento", "cancelar", "--chave", n.chave, "--cnpj", kEmitente, "--protocolo", nProt,
            "--justificativa", "Cancelamento por erro de digitacao do pedido", "--config", ini55});
  EXPECT_EQ(r.codigo, 0) << r.out << r.err;
  EXPECT_EQ(Valor(r.out, "cStat"), "135") << r.out;

  r = Tuim({"sefaz", "distribuicao", "--cnpj", kEmitente, "--config", ini55});
  EXPECT_EQ(r.codigo, 0) << r.out << r.err;
  EXPECT_NE(r.out.find("cStat=13"), std::string::npos) << r.out;

  r = Tuim({"sefaz", "csc", "consultar", "--cnpj", kEmitente, "--config", ini65});
  EXPECT_EQ(r.codigo, 0) << r.out << r.err;
  EXPECT_NE(r.out.find("idCsc="), std::string::npos) << r.out;
}

TEST_F(EnvioConfigCli, OptionsGivenOverrideTheIni) {
  // The INI names a certificate that is not there; --pfx puts the right one in its place.
  const std::string ini = Ini(moNFe, fPasta + "/ausente.pfx");
  auto r = Tuim({"sefaz", "status", "--config", ini});
  EXPECT_EQ(r.codigo, 1) << r.out;
  r = Tuim({"sefaz", "status", "--config", ini, "--pfx", Pfx(), "--senha", "1234"});
  EXPECT_EQ(r.codigo, 0) << r.out << r.err;
  // The INI's model is 55; --modelo 65 asks for the NFC-e address.
  r = Tuim({"sefaz", "status", "--config", Ini(moNFe, Pfx()), "--modelo", "65", "--json"});
  EXPECT_EQ(r.codigo, 0) << r.out << r.err;
  EXPECT_NE(r.out.find("/NFCe/"), std::string::npos) << r.out;
}

TEST_F(EnvioConfigCli, AnIniThatCannotBeUsedIsAUsageErrorOrAFailure) {
  EXPECT_EQ(Tuim({"sefaz", "status", "--config", fPasta + "/nao-existe.ini"}).codigo, 2);
  EXPECT_EQ(Tuim({"sefaz", "recibo", "123456789012345", "--config", fPasta + "/nao-existe.ini"}).codigo, 2);
  // Without an INI the state and the certificate are still asked for.
  EXPECT_EQ(Tuim({"sefaz", "status", "--pfx", Pfx()}).codigo, 2);
  EXPECT_EQ(Tuim({"sefaz", "status", "--uf", "SP"}).codigo, 2);
  // An INI without any certificate is as a command line without --pfx.
  TConfiguracoesNFe vazia;
  TTuimIni semCertificado;
  vazia.SalvarIni(semCertificado);
  semCertificado.SaveToFile(fPasta + "/sem.ini");
  EXPECT_EQ(Tuim({"sefaz", "status", "--config", fPasta + "/sem.ini"}).codigo, 2);
}

}  // namespace
