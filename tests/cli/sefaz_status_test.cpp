// `tuim sefaz status` against the loopback HTTPS server answering from files.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <mutex>

#include "cli/TuimRun.h"
#include "security/CertificadosTeste.h"
#include "testing/ServidorRespostas.h"

using tuim::testing::RunTuim;

namespace {

tuim::teste::TServidorRespostas& Srv() { return tuim::teste::ServidorRespostas(); }

std::string URL(const std::string& caminho) { return Srv().URL(caminho); }

// A route answering a status of `cStat` (the source is UTF-8, as the answer).
std::string Rota(const std::string& nome, int cStat, const std::string& xMotivo) {
  return Srv().Rota(
      nome,
      "<?xml version=\"1.0\" encoding=\"utf-8\"?><soap:Envelope xmlns:soap=\"http://www.w3.org/2003/05/soap-envelope\">"
      "<soap:Body><nfeResultMsg xmlns=\"http://www.portalfiscal.inf.br/nfe/wsdl/NFeStatusServico4\">"
      "<retConsStatServ versao=\"4.00\" xmlns=\"http://www.portalfiscal.inf.br/nfe\"><tpAmb>2</tpAmb>"
      "<verAplic>SP_NFE_PL009_V4</verAplic><cStat>" +
          std::to_string(cStat) + "</cStat><xMotivo>" + xMotivo +
          "</xMotivo><cUF>35</cUF><dhRecbto>2026-12-10T05:30:00-03:00</dhRecbto><tMed>1</tMed></retConsStatServ>"
          "</nfeResultMsg></soap:Body></soap:Envelope>");
}

std::string Pedido(const std::string& nome) { return Srv().Pedido(nome); }

std::vector<std::string> Base(const std::string& url) {
  return {"sefaz", "status", "--uf", "SP", "--url", url, "--pfx", Certificado("empresa.pfx"), "--senha", "1234",
          "--cacert", Certificado("ca.pem"), "--schemas", TUIM_SCHEMAS_DIR, "--lib", "openssl"};
}

std::vector<std::string> Mais(std::vector<std::string> v, const std::vector<std::string>& extra) {
  v.insert(v.end(), extra.begin(), extra.end());
  return v;
}

class CliSefazStatus : public ::testing::Test {
protected:
  void SetUp() override { ASSERT_TRUE(Srv().erro.empty()) << Srv().erro; }
};

}  // namespace

TEST_F(CliSefazStatus, ServiceInOperationPrintsTheAnswerAndExitsZero) {
  const std::string url = Rota("cli-ok", 107, "Serviço em Operação");
  auto r = RunTuim(Base(url));
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(r.out, "cStat=107\nxMotivo=Serviço em Operação\nverAplic=SP_NFE_PL009_V4\nURL=" + url + "\nVersao=4.00\n");
  const std::string pedido = Pedido("cli-ok");
  EXPECT_NE(pedido.find("<consStatServ xmlns=\"http://www.portalfiscal.inf.br/nfe\" versao=\"4.00\"><tpAmb>2</tpAmb>"
                        "<cUF>35</cUF><xServ>STATUS</xServ></consStatServ>"),
            std::string::npos)
      << pedido;
  EXPECT_NE(pedido.find("SOAPAction: \"http://www.portalfiscal.inf.br/nfe/wsdl/NFeStatusServico4/nfeStatusServicoNF\""),
            std::string::npos)
      << pedido;
}

TEST_F(CliSefazStatus, JsonAndAnotherStatusExitOne) {
  const std::string url = Rota("cli-parado", 108, "Serviço Paralisado Momentaneamente");
  auto r = RunTuim(Mais(Base(url), {"--json"}));
  EXPECT_EQ(r.code, 1);
  EXPECT_EQ(r.out, "{\"cStat\": 108, \"xMotivo\": \"Serviço Paralisado Momentaneamente\", \"verAplic\": "
                   "\"SP_NFE_PL009_V4\", \"URL\": \"" +
                       url + "\", \"Versao\": \"4.00\"}\n");
}

TEST_F(CliSefazStatus, SalvarWritesTheRequestAndAnswerFiles) {
  const std::string pasta = tuim::teste::PastaTemporaria("tuim-cli-status-arq");
  auto r = RunTuim(Mais(Base(Rota("cli-salvar", 107, "ok")), {"--salvar", pasta}));
  ASSERT_EQ(r.code, 0) << r.err;
  std::vector<std::string> sufixos;
  for (const auto& e : std::filesystem::directory_iterator(pasta)) sufixos.push_back(e.path().filename().string().substr(14));
  std::sort(sufixos.begin(), sufixos.end());
  EXPECT_EQ(sufixos, (std::vector<std::string>{"-ped-sta-soap.xml", "-ped-sta.xml", "-sta-soap.xml", "-sta.xml"}));
}

TEST_F(CliSefazStatus, FailuresExitOneWithTheComponentsMessage) {
  auto r = RunTuim(Base(URL("/falha")));
  EXPECT_EQ(r.code, 1);
  EXPECT_EQ(r.err.rfind("tuim: WebService Consulta Status serviço:\r\n- Inativo ou Inoperante tente novamente.\r\n"
                        "Erro Interno: ",
                        0),
            0u)
      << r.err;

  auto v = Base(URL("/arquivo/cli-ok"));
  v[7] = Certificado("expirado.pfx");
  r = RunTuim(v);
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.err.find("Data de Validade do Certificado já expirou: 31/12/1999"), std::string::npos) << r.err;
}

TEST_F(CliSefazStatus, BadOptionsAreUsageErrors) {
  EXPECT_EQ(RunTuim({"sefaz", "status", "--pfx", "x.pfx"}).code, 2);
  EXPECT_EQ(RunTuim({"sefaz", "status", "--uf", "SP"}).code, 2);
  EXPECT_EQ(RunTuim({"sefaz", "status", "--uf", "XX", "--pfx", "x.pfx"}).code, 2);
  EXPECT_EQ(RunTuim({"sefaz", "status", "--uf", "SP", "--pfx", "x.pfx", "--modelo", "57"}).code, 2);
  EXPECT_EQ(RunTuim({"sefaz", "status", "--uf", "SP", "--pfx", "x.pfx", "--versao", "9.99"}).code, 2);
  EXPECT_EQ(RunTuim({"sefaz", "status", "--uf", "SP", "--pfx", "x.pfx", "--timeout", "0"}).code, 2);
  EXPECT_EQ(RunTuim({"sefaz", "status", "--uf", "SP", "--pfx", "x.pfx", "--lib", "x"}).code, 2);
  EXPECT_EQ(RunTuim({"sefaz", "status", "--uf", "SP", "--pfx", "x.pfx", "--nada"}).code, 2);
}

TEST_F(CliSefazStatus, AMissingCatalogueSectionExitsOneWithTheLookupMessage) {
  const std::string catalogo = tuim::teste::PastaTemporaria("tuim-cli-status-cat") + "/servicos.ini";
  std::ofstream(catalogo) << "[NFe_RJ_H]\nNfeStatusServico_4.00=https://127.0.0.1:1/x\n";
  auto r = RunTuim({"sefaz", "status", "--uf", "SP", "--pfx", Certificado("empresa.pfx"), "--senha", "1234",
                    "--schemas", TUIM_SCHEMAS_DIR, "--catalogo", catalogo});
  EXPECT_EQ(r.code, 1);
  EXPECT_EQ(r.err, "tuim: Sessão \"NFe_SP_H\", não encontrada no arquivo \"TuimNFeServicos\"\n");
}

namespace {

// A route answering `resultado` (UTF-8 source) inside the 4.00 result element.
std::string RotaResultado(const std::string& nome, const std::string& resultado) {
  return Srv().Rota(nome,
                    "<?xml version=\"1.0\" encoding=\"utf-8\"?><soap:Envelope xmlns:soap=\"http://www.w3.org/2003/05/soap-envelope\">"
                    "<soap:Body><nfeResultMsg xmlns=\"http://www.portalfiscal.inf.br/nfe/wsdl/X\">" +
                        resultado + "</nfeResultMsg></soap:Body></soap:Envelope>");
}

std::vector<std::string> Comando(const std::string& sub, const std::string& url) {
  auto v = Base(url);
  v[1] = sub;
  return v;
}

const char* const kChaveMT = "51240111222333000181550010000001231123456784";

}  // namespace

TEST_F(CliSefazStatus, ConsultaPrintsTheProtocolOfTheKey) {
  // A key of Mato Grosso: its state answers, whatever --uf says.
  const std::string chave = kChaveMT;
  const std::string url = RotaResultado(
      "cli-sit", "<retConsSitNFe versao=\"4.00\" xmlns=\"http://www.portalfiscal.inf.br/nfe\"><tpAmb>2</tpAmb>"
                 "<verAplic>SP_NFE_PL009_V4</verAplic><cStat>100</cStat><xMotivo>Autorizado o uso da NF-e</xMotivo>"
                 "<cUF>35</cUF><dhRecbto>2024-01-12T10:00:00-03:00</dhRecbto><chNFe>" + chave +
                 "</chNFe><protNFe versao=\"4.00\"><infProt><tpAmb>2</tpAmb><verAplic>SP</verAplic><chNFe>" + chave +
                 "</chNFe><dhRecbto>2024-01-10T09:16:02-03:00</dhRecbto><nProt>135240000001234</nProt>"
                 "<cStat>100</cStat><xMotivo>Autorizado o uso da NF-e</xMotivo></infProt></protNFe></retConsSitNFe>");
  auto v = Comando("consulta", url);
  v.insert(v.end(), {"--chave", chave});
  auto r = RunTuim(v);
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(r.out, "cStat=100\nxMotivo=Autorizado o uso da NF-e\nProtocolo=135240000001234\n"
                   "Mensagem=Autorizado o uso da NF-e\nURL=" + url + "\nVersao=4.00\nSituacao=autorizada\n");
  EXPECT_NE(Pedido("cli-sit").find("<chNFe>" + chave + "</chNFe></consSitNFe>"), std::string::npos);

  v.back() = "123";
  EXPECT_EQ(RunTuim(v).code, 2);
}

TEST_F(CliSefazStatus, CadastroListsTheRegistrationsFound) {
  const std::string url = RotaResultado(
      "cli-cad", "<retConsCad versao=\"2.00\" xmlns=\"http://www.portalfiscal.inf.br/nfe\"><infCons>"
                 "<verAplic>SP</verAplic><cStat>111</cStat><xMotivo>Consulta cadastro com uma ocorrência</xMotivo>"
                 "<UF>SP</UF><CNPJ>11222333000181</CNPJ><dhCons>2024-01-12T10:00:00-03:00</dhCons><cUF>35</cUF>"
                 "<infCad><IE>110042490114</IE><CNPJ>11222333000181</CNPJ><UF>SP</UF><cSit>1</cSit>"
                 "<indCredNFe>1</indCredNFe><indCredCTe>4</indCredCTe><xNome>Empresa Ação</xNome></infCad>"
                 "</infCons></retConsCad>");
  auto v = Comando("cadastro", url);
  v.insert(v.end(), {"--cnpj", "11222333000181", "--json"});
  auto r = RunTuim(v);
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(r.out, "{\"cStat\": \"111\", \"xMotivo\": \"Consulta cadastro com uma ocorrência\", \"IE1\": "
                   "\"110042490114\", \"xNome1\": \"Empresa Ação\", \"cSit1\": \"1\"}\n");
  EXPECT_EQ(RunTuim(Comando("cadastro", url)).code, 2);
}
