// The NF-e services end to end against a real HTTPS server on loopback that requires the
// client certificate of the test CA and answers from files the tests write.
#include "services/TuimServicosNFe.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <mutex>

#include "MensagensTeste.h"
#include "ServidorServicos.h"
#include "testing/RespostasTeste.h"
#include "fiscal/TuimException.h"
#include "fiscal/TuimUtil.h"
#include "services/TuimServicosEnvio.h"
#include "testing/TokenSoftHSM.h"
#include "transport/TuimTransporte.h"

using namespace tuim;
using namespace tuim::teste;

namespace {

const char* const kDecl = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>";
const char* const kWsdl = "http://www.portalfiscal.inf.br/nfe/wsdl/";
const char* const kEnvAbre =
    "<soap12:Envelope xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\" "
    "xmlns:xsd=\"http://www.w3.org/2001/XMLSchema\" xmlns:soap12=\"http://www.w3.org/2003/05/soap-envelope\">";

TServidorRespostas& Srv() { return ServidorServicos(); }

// The answer of an authority: `resultado` (Windows-1252) inside its result element, sent as UTF-8.
std::string Soap(const std::string& elemento, const std::string& resultado) {
  return ParaUTF8("<?xml version=\"1.0\" encoding=\"utf-8\"?><soap:Envelope "
                  "xmlns:soap=\"http://www.w3.org/2003/05/soap-envelope\"><soap:Body><" +
                  elemento + " xmlns=\"http://www.portalfiscal.inf.br/nfe/wsdl/X\">" + resultado + "</" + elemento +
                  "></soap:Body></soap:Envelope>");
}

std::vector<std::string> ArquivosSob(const std::string& pasta) {
  std::vector<std::string> r;
  std::error_code ec;
  for (auto it = std::filesystem::recursive_directory_iterator(pasta, ec);
       it != std::filesystem::recursive_directory_iterator(); ++it)
    if (it->is_regular_file()) r.push_back(it->path().filename().string());
  std::sort(r.begin(), r.end());
  return r;
}

std::string Achar(const std::string& pasta, const std::string& nome) {
  std::error_code ec;
  for (auto it = std::filesystem::recursive_directory_iterator(pasta, ec);
       it != std::filesystem::recursive_directory_iterator(); ++it)
    if (it->path().filename() == nome) return it->path().string();
  return "";
}

class Servicos : public ::testing::Test {
protected:
  void SetUp() override {
    ASSERT_TRUE(Srv().erro.empty()) << Srv().erro;
    pasta = PastaTemporaria("tuim-servicos-arq");
    ConfigurarComponente(nfe, pasta);
    auto& c = nfe.Configuracoes();
    c.Geral().SetSalvar(false);
    c.WebServices().SetSalvar(false);
    c.Arquivos().SetPathInu(pasta + "/inu");
    c.Arquivos().SetSalvar(false);
    nfe.OnGerarLog = [this](const std::string& linha, bool& tratado) {
      log.push_back(linha);
      tratado = tratarErros && linha.rfind("ERRO: ", 0) == 0;
    };
  }
  void TearDown() override {
    std::error_code ec;
    std::filesystem::remove_all(pasta, ec);
  }

  // A route answering `conteudo`, and a catalogue naming it for `servico` in `secao`.
  std::string Rota(const std::string& nome, const std::string& conteudo) {
    return Srv().Rota(nome, conteudo);
  }
  void Catalogo(const std::string& secao, const std::string& servico, const std::string& url) {
    nfe.Configuracoes().WebServices().SetParams({"[" + secao + "]", servico + "=" + url});
    nfe.CarregarCatalogo(false);
  }
  std::string Pedido(const std::string& nome) {
    return CorpoPedido(Srv().Pedido(nome));
  }
  std::string Erro(const std::function<void()>& f) {
    try {
      f();
    } catch (const ETuimDFeException& e) {
      return e.what();
    }
    return "(nada)";
  }

  TTuimNFe nfe;
  std::string pasta;
  std::vector<std::string> log;
  bool tratarErros = false;
};

// ---- status ---------------------------------------------------------------------------------

std::string RetStatus(int cStat, const std::string& xMotivo, int tMed, const std::string& xObs = "") {
  return std::string("<retConsStatServ versao=\"4.00\" ") + kNs +
         "><tpAmb>2</tpAmb><verAplic>MT_A2RL-4.00</verAplic><cStat>" + std::to_string(cStat) + "</cStat><xMotivo>" +
         xMotivo + "</xMotivo><cUF>51</cUF><dhRecbto>2026-12-10T05:30:00-04:00</dhRecbto><tMed>" +
         std::to_string(tMed) + "</tMed>" + (xObs.empty() ? "" : "<xObs>" + xObs + "</xObs>") + "</retConsStatServ>";
}

TEST_F(Servicos, StatusInOperationSendsConsStatServAndReadsTheAnswer) {
  Catalogo("NFe_MT_H", "NfeStatusServico_4.00",
           Rota("sta-107", Soap("nfeResultMsg", RetStatus(107, "Serviço em Operação", 3, "Sem pendências"))));
  nfe.Configuracoes().WebServices().SetAjustaAguardaConsultaRet(true);
  TNFeStatusServico s(nfe);
  ASSERT_TRUE(s.Executar()) << s.RespostaHTTP();
  EXPECT_EQ(Pedido("sta-107"),
            std::string(kDecl) + kEnvAbre + "<soap12:Body><nfeDadosMsg xmlns=\"" + kWsdl +
                "NFeStatusServico4\"><consStatServ " + kNs +
                " versao=\"4.00\"><tpAmb>2</tpAmb><cUF>51</cUF><xServ>STATUS</xServ></consStatServ></nfeDadosMsg>"
                "</soap12:Body></soap12:Envelope>");
  EXPECT_EQ(s.SoapAction(), std::string(kWsdl) + "NFeStatusServico4/nfeStatusServicoNF");
  EXPECT_EQ(s.cStat(), 107);
  EXPECT_EQ(s.versao(), "4.00");
  EXPECT_EQ(s.verAplic(), "MT_A2RL-4.00");
  EXPECT_EQ(s.cUF(), 51);
  EXPECT_EQ(s.tMed(), 3);
  EXPECT_EQ(s.Mensagem(), "Serviço em Operação\r\nSem pendências");
  EXPECT_EQ(nfe.Configuracoes().WebServices().AguardarConsultaRet(), 3000u);
  ASSERT_EQ(log.size(), 2u);
  EXPECT_EQ(log[1], "Versão Layout: 4.00 \r\nAmbiente: 2\r\nVersão Aplicativo: MT_A2RL-4.00 \r\nStatus Código: 107\r\n"
                    "Status Descrição: Serviço em Operação\r\nUF: MT\r\nRecebimento: 10/12/2026 05:30:00\r\n"
                    "Tempo Médio: 3\r\nRetorno: \r\nObservação: Sem pendências\r\n");
  EXPECT_EQ(nfe.Status(), snParado);
}

TEST_F(Servicos, StatusOutOfOperationAnswersFalseAndLeavesTheWaitAlone) {
  Catalogo("NFe_MT_H", "NfeStatusServico_4.00", Rota("sta-108", Soap("nfeResultMsg", RetStatus(108, "Paralisado", 7))));
  nfe.Configuracoes().WebServices().SetAguardarConsultaRet(500);
  TNFeStatusServico s(nfe);
  EXPECT_FALSE(s.Executar());
  EXPECT_EQ(s.cStat(), 108);
  EXPECT_EQ(nfe.Configuracoes().WebServices().AguardarConsultaRet(), 500u);
}

// The component owns one object of each service, in the table's order, each bound to it.
TEST_F(Servicos, TheComponentOwnsTheElevenServicesBoundToIt) {
  TWebServices& ws = nfe.WebServices();
  const std::vector<const TNFeWebService*> servicos = {
      &ws.StatusServico(), &ws.Recepcao(), &ws.RetRecepcao(), &ws.Recibo(),
      &ws.Consulta(), &ws.Inutilizacao(), &ws.ConsultaCadastro(), &ws.EnvEvento(),
      &ws.AdministrarCSCNFCe(), &ws.DistribuicaoDFe(), &ws.EnvioWebService()};
  std::vector<std::string> nomes;
  for (const TNFeWebService* s : servicos) {
    EXPECT_EQ(&s->NFe(), &nfe) << s->ClassName();
    nomes.push_back(s->ClassName());
  }
  EXPECT_EQ(nomes, (std::vector<std::string>{"TNFeStatusServico", "TNFeRecepcao", "TNFeRetRecepcao", "TNFeRecibo",
                                             "TNFeConsulta", "TNFeInutilizacao", "TNFeConsultaCadastro",
                                             "TNFeEnvEvento", "TAdministrarCSCNFCe", "TDistribuicaoDFe",
                                             "TNFeEnvioWebService"}));

  Catalogo("NFe_MT_H", "NfeStatusServico_4.00",
           Rota("sta-membro", Soap("nfeResultMsg", RetStatus(107, "Serviço em Operação", 1))));
  ASSERT_TRUE(ws.StatusServico().Executar()) << ws.StatusServico().RespostaHTTP();
  EXPECT_EQ(ws.StatusServico().cStat(), 107);
  EXPECT_EQ(nfe.Status(), snParado);
}

TEST_F(Servicos, StatusWithoutResultElementFailsWithTheServiceTextAndTheRawAnswer) {
  Catalogo("NFe_MT_H", "NfeStatusServico_4.00", Rota("sta-vazio", "<html>manutencao</html>"));
  TNFeStatusServico s(nfe);
  EXPECT_EQ(Erro([&] { s.Executar(); }),
            "WebService Consulta Status serviço:\r\n- Inativo ou Inoperante tente novamente.\r\n"
            "Erro ao obter resposta do webservice.\r\n<html>manutencao</html>");
}

// A status the answer does not spell as three or four digits must not pass for a status.
class ServicosCStatIlegivel : public Servicos, public ::testing::WithParamInterface<const char*> {};

TEST_P(ServicosCStatIlegivel, AnswerIsAFailureNotAStatus) {
  std::string resposta = RetStatus(107, "OK", 1);
  resposta.replace(resposta.find("<cStat>107</cStat>"), 18, GetParam());
  const std::string nome = "sta-ilegivel-" + std::to_string(std::hash<std::string>{}(GetParam()));
  Catalogo("NFe_MT_H", "NfeStatusServico_4.00", Rota(nome, Soap("nfeResultMsg", resposta)));
  TNFeStatusServico s(nfe);
  const std::string erro = Erro([&] { s.Executar(); });
  EXPECT_EQ(erro.rfind("WebService Consulta Status serviço:\r\n- Inativo ou Inoperante tente novamente.\r\n"
                       "Resposta do webservice ilegível: cStat inválido",
                       0),
            0u)
      << erro;
  tratarErros = true;
  EXPECT_FALSE(s.Executar());
}

INSTANTIATE_TEST_SUITE_P(Casos, ServicosCStatIlegivel,
                         ::testing::Values("", "<cStat></cStat>", "<cStat>1O7</cStat>", "<cStat>10</cStat>",
                                           "<cStat>10700</cStat>"));

TEST_F(Servicos, AnswerWithoutItsRootElementIsAFailure) {
  Catalogo("NFe_MT_H", "NfeStatusServico_4.00",
           Rota("sta-sem-raiz", Soap("nfeResultMsg", "<retOutro><cStat>107</cStat></retOutro>")));
  TNFeStatusServico s(nfe);
  tratarErros = true;
  EXPECT_FALSE(s.Executar());
  ASSERT_FALSE(log.empty());
  EXPECT_NE(log.back().find("Resposta do webservice ilegível: elemento da resposta não encontrado"),
            std::string::npos)
      << log.back();
}

TEST_F(Servicos, StatusFilesAreNamedByTimestampAndSuffix) {
  nfe.Configuracoes().Geral().SetSalvar(true);
  Catalogo("NFe_MT_H", "NfeStatusServico_4.00", Rota("sta-arq", Soap("nfeResultMsg", RetStatus(107, "OK", 1))));
  TNFeStatusServico s(nfe);
  ASSERT_TRUE(s.Executar());
  auto nomes = ArquivosSob(pasta);
  ASSERT_EQ(nomes.size(), 2u);
  EXPECT_EQ(nomes[0].substr(14), "-ped-sta.xml");
  EXPECT_EQ(nomes[1].substr(14), "-sta.xml");
}

// ---- protocol query -------------------------------------------------------------------------

std::string ProtNFe(int cStat, const std::string& nProt) {
  return std::string("<protNFe versao=\"4.00\"><infProt><tpAmb>2</tpAmb><verAplic>MT_A2RL-4.00</verAplic><chNFe>") +
         kChave55 + "</chNFe><dhRecbto>2024-01-10T09:16:02-04:00</dhRecbto><nProt>" + nProt +
         "</nProt><digVal>q0d3lC2nLr9w4ZbNfK1s0tJQb6M=</digVal><cStat>" + std::to_string(cStat) +
         "</cStat><xMotivo>Autorizado o uso da NF-e</xMotivo></infProt></protNFe>";
}

std::string RetConsSit(int cStat, const std::string& xMotivo, const std::string& resto) {
  return std::string("<retConsSitNFe versao=\"4.00\" ") + kNs +
         "><tpAmb>2</tpAmb><verAplic>MT_A2RL-4.00</verAplic><cStat>" + std::to_string(cStat) + "</cStat><xMotivo>" +
         xMotivo + "</xMotivo><cUF>51</cUF><dhRecbto>2024-01-12T10:00:00-04:00</dhRecbto><chNFe>" + kChave55 +
         "</chNFe>" + resto + "</retConsSitNFe>";
}

TEST_F(Servicos, ProtocolQueryOfAnAuthorisedDocumentGivesItsProtocol) {
  Catalogo("NFe_MT_H", "NfeConsultaProtocolo_4.00",
           Rota("sit-100", Soap("nfeResultMsg", RetConsSit(100, "Autorizado o uso da NF-e",
                                                           ProtNFe(100, "151240000001234")))));
  TNFeConsulta c(nfe);
  c.SetNFeChave(kChave55);
  ASSERT_TRUE(c.Executar()) << c.RespostaHTTP();
  EXPECT_EQ(Pedido("sit-100"), std::string(kDecl) + kEnvAbre + "<soap12:Body><nfeDadosMsg xmlns=\"" + kWsdl +
                                   "NFeConsultaProtocolo4\"><consSitNFe " + kNs +
                                   " versao=\"4.00\"><tpAmb>2</tpAmb><xServ>CONSULTAR</xServ><chNFe>" + kChave55 +
                                   "</chNFe></consSitNFe></nfeDadosMsg></soap12:Body></soap12:Envelope>");
  EXPECT_EQ(c.SoapAction(), std::string(kWsdl) + "NFeConsultaProtocolo4/nfeConsultaNF");
  EXPECT_EQ(c.cStat(), 100);
  EXPECT_EQ(c.Protocolo(), "151240000001234");
  EXPECT_EQ(c.protNFe().digVal, "q0d3lC2nLr9w4ZbNfK1s0tJQb6M=");
  EXPECT_EQ(c.Mensagem(), "Autorizado o uso da NF-e");
}

// The authority's messages (up to five from PL_010e) stay with the document once its protocol
// is applied: in its model and in the processed form kept as its XML.
TEST_F(Servicos, AppliedProtocolKeepsEveryMessageInTheDocumentAndItsProcessedForm) {
  NotaFiscal& nota = nfe.NotasFiscais().Add();
  nota.NFe().infNFe.ID = std::string("NFe") + kChave55;
  nota.SetXMLOriginal(std::string("<NFe ") + kNs + "><infNFe versao=\"4.00\" Id=\"NFe" + kChave55 +
                      "\"><ide><natOp>VENDA</natOp></ide></infNFe><Signature "
                      "xmlns=\"http://www.w3.org/2000/09/xmldsig#\"><SignatureValue>AA==</SignatureValue></Signature></NFe>");
  TProcNFe prot;
  prot.chNFe = kChave55;
  prot.nProt = "151240000001234";
  prot.cStat = 100;
  prot.xMotivo = "Autorizado o uso da NF-e";
  prot.Versao = "4.00";
  prot.cMsg = 1;
  prot.xMsg = "UM";
  for (const char* x : {"DOIS", "TRES"}) {
    TMsgCollectionItem& m = prot.MsgAdicionais.New();
    m.cMsg = prot.MsgAdicionais.Count() + 1;
    m.xMsg = x;
  }
  TNFeConsulta c(nfe);
  const TResultadoNota r = AplicarProtocolo(c, nota, prot, prot.GerarProtNFe(), "4.00");
  EXPECT_EQ(r.Situacao, sAutorizada) << r.xMotivo;
  const std::vector<TMsgCollectionItem> m = nota.NFe().procNFe.Mensagens();
  ASSERT_EQ(m.size(), 3u);
  EXPECT_EQ(m[2].cMsg, 3);
  EXPECT_EQ(m[2].xMsg, "TRES");
  EXPECT_NE(nota.XMLOriginal().find("<cMsg>1</cMsg><xMsg>UM</xMsg><cMsg>2</cMsg><xMsg>DOIS</xMsg><cMsg>3</cMsg>"
                                    "<xMsg>TRES</xMsg></infProt></protNFe></nfeProc>"),
            std::string::npos)
      << nota.XMLOriginal();
}

TEST_F(Servicos, ProtocolQueryTakesTheCancellationEventsProtocolOverTheAuthorisation) {
  const std::string evento = ProcEventoNFe(kChave55);
  Catalogo("NFe_MT_H", "NfeConsultaProtocolo_4.00",
           Rota("sit-101", Soap("nfeResultMsg", RetConsSit(101, "Cancelamento de NF-e homologado",
                                                           ProtNFe(100, "151240000001234") + evento))));
  TNFeConsulta c(nfe);
  c.SetNFeChave(kChave55);
  ASSERT_TRUE(c.Executar());
  EXPECT_EQ(c.cStat(), 101);
  EXPECT_EQ(c.Protocolo(), "151240000005678");
  EXPECT_EQ(c.Mensagem(), "Evento registrado e vinculado a NF-e");
  EXPECT_EQ(c.procEventoNFe().Count(), 1);
}

TEST_F(Servicos, ProtocolQueryOfAnUnknownDocumentAnswersFalse) {
  Catalogo("NFe_MT_H", "NfeConsultaProtocolo_4.00",
           Rota("sit-217", Soap("nfeResultMsg", RetConsSit(217, "NF-e não consta na base de dados da SEFAZ", ""))));
  TNFeConsulta c(nfe);
  c.SetNFeChave(kChave55);
  EXPECT_FALSE(c.Executar());
  EXPECT_EQ(c.cStat(), 217);
  EXPECT_EQ(c.Protocolo(), "");
}

TEST_F(Servicos, ProtocolQueryWithAMalformedKeySendsNothing) {
  const std::string url = Rota("sit-nada", "");
  Catalogo("NFe_MT_H", "NfeConsultaProtocolo_4.00", url);
  TNFeConsulta c(nfe);
  c.SetNFeChave("5124011122233300018155001000000123112345678");
  EXPECT_EQ(Erro([&] { c.Executar(); }), MotivoChaveInvalida(c.NFeChave()));
  EXPECT_FALSE(Srv().Recebido("sit-nada"));
}

// ---- voiding --------------------------------------------------------------------------------

std::string RetInut(int cStat, const std::string& xMotivo) {
  return std::string("<retInutNFe versao=\"4.00\" ") + kNs +
         "><infInut Id=\"ID151240000009999\"><tpAmb>2</tpAmb><verAplic>MT_A2RL-4.00</verAplic><cStat>" +
         std::to_string(cStat) + "</cStat><xMotivo>" + xMotivo +
         "</xMotivo><cUF>51</cUF><ano>24</ano><CNPJ>11222333000181</CNPJ><mod>55</mod><serie>1</serie>"
         "<nNFIni>10</nNFIni><nNFFin>20</nNFFin><dhRecbto>2024-01-12T10:00:00-04:00</dhRecbto>"
         "<nProt>151240000009999</nProt></infInut></retInutNFe>";
}

void Preencher(TNFeInutilizacao& i) {
  i.CNPJ = "11222333000181";
  i.Modelo = 55;
  i.Serie = 1;
  i.Ano = 24;
  i.NumeroInicial = 10;
  i.NumeroFinal = 20;
  i.Justificativa = "Falha no sistema de emissao de notas";
}

struct CasoInut {
  int cStat;
  bool resultado;
};
class ServicosInut : public Servicos, public ::testing::WithParamInterface<CasoInut> {};

TEST_P(ServicosInut, AcceptedOrDuplicateVoidingBecomesTheProcessedFile) {
  nfe.Configuracoes().Arquivos().SetSalvar(true);
  const std::string nome = "inu-" + std::to_string(GetParam().cStat);
  Catalogo("NFe_MT_H", "NfeInutilizacao_4.00", Rota(nome, Soap("nfeResultMsg", RetInut(GetParam().cStat, "Motivo"))));
  TNFeInutilizacao i(nfe);
  Preencher(i);
  EXPECT_EQ(i.Executar(), GetParam().resultado);
  EXPECT_EQ(i.ID(), "ID51241122233300018155001000000010000000020");
  EXPECT_EQ(i.Protocolo(), "151240000009999");
  // The request is signed on infInut and travels unchanged.
  const std::string corpo = Pedido(nome);
  EXPECT_NE(corpo.find("<infInut Id=\"" + i.ID() + "\">"), std::string::npos) << corpo;
  EXPECT_NE(corpo.find("<Signature xmlns=\"http://www.w3.org/2000/09/xmldsig#\">"), std::string::npos);
  EXPECT_NE(corpo.find("<nfeDadosMsg xmlns=\"" + std::string(kWsdl) + "NFeInutilizacao4\"><inutNFe"),
            std::string::npos) << corpo;
  EXPECT_EQ(i.NomeArquivo(), CaminhoComBarra(pasta + "/inu") + "51241122233300018155001000000010000000020-procInutNFe.xml");
  EXPECT_EQ(i.XML_ProcInutNFe(), std::string(kDecl) + "<ProcInutNFe versao=\"4.00\" " + kNs + ">" +
                                   i.DadosMsg() + i.RetornoServico() + "</ProcInutNFe>");
  EXPECT_EQ(i.DadosMsg().find("<?xml"), std::string::npos);
  EXPECT_EQ(LerArquivoTeste(i.NomeArquivo()), i.XML_ProcInutNFe());
}

INSTANTIATE_TEST_SUITE_P(Cstat, ServicosInut, ::testing::Values(CasoInut{102, true}, CasoInut{563, false}));

TEST_F(Servicos, RefusedVoidingBuildsNoProcessedFile) {
  nfe.Configuracoes().Arquivos().SetSalvar(true);
  Catalogo("NFe_MT_H", "NfeInutilizacao_4.00", Rota("inu-241", Soap("nfeResultMsg", RetInut(241, "Falha"))));
  TNFeInutilizacao i(nfe);
  Preencher(i);
  EXPECT_FALSE(i.Executar());
  EXPECT_EQ(i.XML_ProcInutNFe(), "");
  EXPECT_EQ(i.NomeArquivo(), "");
  EXPECT_TRUE(ArquivosSob(pasta).empty());
}

TEST_F(Servicos, VoidingOfAnotherModelStopsBeforeSending) {
  TNFeInutilizacao i(nfe);
  Preencher(i);
  i.Modelo = 57;
  EXPECT_EQ(Erro([&] { i.Executar(); }), "Modelo Inválido: 57");
}

TEST_F(Servicos, VoidingRequestAndAnswerAlsoGoToTheVoidingFolder) {
  nfe.Configuracoes().Geral().SetSalvar(true);
  Catalogo("NFe_MT_H", "NfeInutilizacao_4.00", Rota("inu-arq", Soap("nfeResultMsg", RetInut(102, "Homologado"))));
  TNFeInutilizacao i(nfe);
  Preencher(i);
  ASSERT_TRUE(i.Executar());
  const std::string id = "51241122233300018155001000000010000000020";
  EXPECT_NE(Achar(pasta + "/inu", id + "-ped-inu.xml"), "");
  EXPECT_NE(Achar(pasta + "/inu", id + "-inu.xml"), "");
  EXPECT_TRUE(std::filesystem::exists(pasta + "/" + id + "-ped-inu.xml"));
}

// ---- taxpayer query -------------------------------------------------------------------------

std::string RetConsCad(int cStat) {
  return std::string("<retConsCad versao=\"2.00\" ") + kNs +
         "><infCons><verAplic>MT_CAD</verAplic><cStat>" + std::to_string(cStat) +
         "</cStat><xMotivo>Consulta cadastro com uma ocorrência</xMotivo><UF>MT</UF><IE>131234567</IE>"
         "<dhCons>2024-01-12T10:00:00-04:00</dhCons><cUF>51</cUF><infCad><IE>131234567</IE>"
         "<CNPJ>11222333000181</CNPJ><UF>MT</UF><cSit>1</cSit><indCredNFe>1</indCredNFe><indCredCTe>4</indCredCTe>"
         "<xNome>Empresa Teste</xNome></infCad></infCons></retConsCad>";
}

TEST_F(Servicos, TaxpayerQueryForMatoGrossoWrapsTheQueryAndUsesVersion200) {
  Catalogo("NFe_MT_H", "NfeConsultaCadastro_4.00", Rota("cad-111", Soap("consultaCadastro4Result", RetConsCad(111))));
  TNFeConsultaCadastro c(nfe);
  c.UF = "MT";
  c.IE = "131234567";
  ASSERT_TRUE(c.Executar()) << c.RespostaHTTP();
  EXPECT_EQ(Pedido("cad-111"), std::string(kDecl) + kEnvAbre + "<soap12:Body><consultaCadastro xmlns=\"" + kWsdl +
                                   "CadConsultaCadastro4\"><nfeDadosMsg><ConsCad " + kNs +
                                   " versao=\"2.00\"><infCons><xServ>CONS-CAD</xServ><UF>MT</UF><IE>131234567</IE>"
                                   "</infCons></ConsCad></nfeDadosMsg></consultaCadastro></soap12:Body></soap12:Envelope>");
  EXPECT_EQ(c.ElementoCorpo(), "nfeDadosMsg");
  EXPECT_EQ(c.cStat(), 111);
  EXPECT_EQ(c.RetConsCad().InfCad()[0].xNome, "Empresa Teste");
}

TEST_F(Servicos, TaxpayerQueryNotFoundAnswersFalse) {
  Catalogo("NFe_SP_H", "NfeConsultaCadastro_4.00", Rota("cad-259", Soap("nfeResultMsg", RetConsCad(259))));
  TNFeConsultaCadastro c(nfe);
  c.UF = "SP";
  c.CNPJ = "11222333000181";
  EXPECT_FALSE(c.Executar());
  EXPECT_EQ(c.cStat(), 259);
  EXPECT_NE(Pedido("cad-259").find("<soap12:Body><nfeDadosMsg xmlns="), std::string::npos);
  // Outside MT the query carries the version the catalogue and schemas settle on.
  EXPECT_NE(Pedido("cad-259").find("<ConsCad " + std::string(kNs) + " versao=\"" + c.VersaoDados() + "\">"),
            std::string::npos)
      << Pedido("cad-259");
}

// ---- CSC ------------------------------------------------------------------------------------

struct CasoCsc {
  int cStat;
  bool resultado;
};
class ServicosCsc : public Servicos, public ::testing::WithParamInterface<CasoCsc> {};

TEST_P(ServicosCsc, ResultFollowsTheAnswersStatus) {
  nfe.Configuracoes().Geral().SetModeloDF(moNFCe);
  const std::string nome = "csc-" + std::to_string(GetParam().cStat);
  Catalogo("NFCe_MT_H", "AdministrarCSCNFCe_4.00",
           Rota(nome, Soap("cscNFCeResult", std::string("<retAdmCscNFCe versao=\"1.00\" ") + kNs +
                                                "><tpAmb>2</tpAmb><indOp>1</indOp><cStat>" +
                                                std::to_string(GetParam().cStat) +
                                                "</cStat><xMotivo>Motivo</xMotivo></retAdmCscNFCe>")));
  TAdministrarCSCNFCe s(nfe);
  s.RaizCNPJ = "11222333";
  s.indOp = indOp1;
  EXPECT_EQ(s.Executar(), GetParam().resultado);
  EXPECT_EQ(s.retAdmCSCNFCe().cStat, GetParam().cStat);
  EXPECT_EQ(s.SoapAction(), std::string(kWsdl) + "CscNFCe/admCscNFCe");
  EXPECT_NE(Pedido(nome).find("<admCscNFCe " + std::string(kNs) + " versao=\""), std::string::npos) << Pedido(nome);
}

INSTANTIATE_TEST_SUITE_P(Cstat, ServicosCsc,
                         ::testing::Values(CasoCsc{150, true}, CasoCsc{152, true}, CasoCsc{153, true},
                                           CasoCsc{154, false}));

// ---- distribution ---------------------------------------------------------------------------

TEST_F(Servicos, DistributionWithNothingFoundAnswersTrueWithNoFiles) {
  Catalogo("NFe_AN_H", "NFeDistribuicaoDFe_1.01",
           Rota("dist-137", Soap("nfeDistDFeInteresseResult", RetDistDFeInt({}, "137"))));
  TDistribuicaoDFe d(nfe);
  d.cUFAutor = 51;
  d.CNPJCPF = "11222333000181";
  d.ultNSU = "0";
  ASSERT_TRUE(d.Executar()) << d.RespostaHTTP();
  EXPECT_TRUE(d.ListaArqs().empty());
  EXPECT_EQ(d.VersaoDados(), "1.01");
  EXPECT_EQ(Pedido("dist-137"),
            std::string(kDecl) + kEnvAbre + "<soap12:Body><nfeDistDFeInteresse xmlns=\"" + kWsdl +
                "NFeDistribuicaoDFe\"><nfeDadosMsg><distDFeInt " + kNs +
                " versao=\"1.01\"><tpAmb>2</tpAmb><cUFAutor>51</cUFAutor><CNPJ>11222333000181</CNPJ><distNSU>"
                "<ultNSU>000000000000000</ultNSU></distNSU></distDFeInt></nfeDadosMsg></nfeDistDFeInteresse>"
                "</soap12:Body></soap12:Envelope>");
}

TEST_F(Servicos, DistributedDocumentsAreListedAndSavedEventsOnlyWhenAsked) {
  nfe.Configuracoes().Arquivos().SetSalvar(true);
  Catalogo("NFe_AN_H", "NFeDistribuicaoDFe_1.01",
           Rota("dist-138", Soap("nfeDistDFeInteresseResult", LoteDistribuicao(4, kChave55))));
  TDistribuicaoDFe d(nfe);
  d.cUFAutor = 51;
  d.CNPJCPF = "11222333000181";
  d.ultNSU = "0";
  ASSERT_TRUE(d.Executar()) << d.RespostaHTTP();
  const std::string k = kChave55;
  EXPECT_EQ(d.ListaArqs(), (std::vector<std::string>{k + "-resNFe.xml", "110111" + k + "01-resEventoNFe.xml",
                                                      k + "-nfe.xml", "110111" + k + "01-procEventoNFe.xml"}));
  EXPECT_EQ(ArquivosSob(pasta), (std::vector<std::string>{k + "-nfe.xml", k + "-resNFe.xml"}));
  EXPECT_EQ(d.retDistDFeInt().cStat, 138);
  EXPECT_EQ(d.Mensagem(), "Documento localizado");
  const std::string res = LerArquivoTeste(Achar(pasta, k + "-resNFe.xml"));
  EXPECT_EQ(res, std::string(kDecl) + ParaUTF8(ResNFe(k, "Empresa 1")));
}

TEST_F(Servicos, DistributedEventsAreSavedWithSalvarEvento) {
  nfe.Configuracoes().Arquivos().SetSalvar(true);
  nfe.Configuracoes().Arquivos().SetSalvarEvento(true);
  Catalogo("NFe_AN_H", "NFeDistribuicaoDFe_1.01",
           Rota("dist-eve", Soap("nfeDistDFeInteresseResult", LoteDistribuicao(4, kChave55))));
  TDistribuicaoDFe d(nfe);
  d.cUFAutor = 51;
  d.CNPJCPF = "11222333000181";
  ASSERT_TRUE(d.Executar());
  EXPECT_EQ(ArquivosSob(pasta).size(), 4u);
}

}  // namespace
