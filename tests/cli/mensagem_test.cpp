// `tuim mensagem`: the messages on stdout, checked byte for byte, against the schemas with
// xmllint and, when signed, with xmlsec1.
#include <gtest/gtest.h>

#include <ctime>

#include "tests/cli/TuimRun.h"
#include "tests/security/CertificadosTeste.h"

using tuim::testing::RunTuim;

namespace {

const std::string kNs = "xmlns=\"http://www.portalfiscal.inf.br/nfe\"";
const std::string kChave = "51240111222333000181550010000001231123456784";

bool SchemaAceita(const std::string& xml, const std::string& xsd) {
  std::string f = ArquivoTemporario("mensagem.xml", xml);
  return Executar("xmllint --noout --nonet --schema '" TUIM_SCHEMAS_DIR "/" + xsd + "' '" + f +
                  "' >/dev/null 2>&1 && echo OK") == "OK";
}

bool XmlSec(const std::string& xml, const std::string& elemento) {
  std::string f = ArquivoTemporario("assinada.xml", xml);
  return Executar("xmlsec1 --verify --trusted-pem '" + Certificado("ca.pem") +
                  "' --id-attr:Id http://www.portalfiscal.inf.br/nfe:" + elemento + " '" + f +
                  "' >/dev/null 2>&1 && echo OK") == "OK";
}

}  // namespace

TEST(MensagemCli, StatusIsWrittenToStdout) {
  auto r = RunTuim({"mensagem", "status", "--uf", "MT"});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(r.out, "<consStatServ " + kNs +
                       " versao=\"4.00\"><tpAmb>2</tpAmb><cUF>51</cUF><xServ>STATUS</xServ></consStatServ>\n");
  EXPECT_TRUE(SchemaAceita(r.out, "consStatServ_v4.00.xsd"));
}

TEST(MensagemCli, QueriesPassTheirSchemas) {
  auto c = RunTuim({"mensagem", "consulta", "--chave", kChave, "--ambiente", "1"});
  ASSERT_EQ(c.code, 0) << c.err;
  EXPECT_NE(c.out.find("<tpAmb>1</tpAmb><xServ>CONSULTAR</xServ><chNFe>" + kChave + "</chNFe>"), std::string::npos);
  EXPECT_TRUE(SchemaAceita(c.out, "consSitNFe_v4.00.xsd"));
  auto cad = RunTuim({"mensagem", "cadastro", "--uf", "mt", "--cnpj", "11.222.333/0001-81"});
  ASSERT_EQ(cad.code, 0) << cad.err;
  EXPECT_TRUE(SchemaAceita(cad.out, "consCad_v2.00.xsd"));
  auto d = RunTuim({"mensagem", "distribuicao", "--uf-autor", "51", "--cnpj", "11222333000181", "--ult-nsu", "12",
                    "--sem-envelope"});
  ASSERT_EQ(d.code, 0) << d.err;
  EXPECT_NE(d.out.find("<distNSU><ultNSU>000000000000012</ultNSU></distNSU>"), std::string::npos);
  EXPECT_TRUE(SchemaAceita(d.out, "distDFeInt_v1.01.xsd"));
}

TEST(MensagemCli, SignedVoidingVerifiesInXmlsecAndPassesSchema) {
  auto r = RunTuim({"mensagem", "inutilizacao", "--uf", "MT", "--ano", "2024", "--cnpj", "11222333000181", "--serie",
                    "1", "--inicial", "10", "--final", "20", "--justificativa", "Falha na sequência da numeração",
                    "--assinar", "--pfx", Certificado("empresa.pfx"), "--senha", "1234"});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_NE(r.out.find("Id=\"ID51241122233300018155001000000010000000020\""), std::string::npos);
  EXPECT_TRUE(SchemaAceita(r.out, "inutNFe_v4.00.xsd")) << r.out;
  EXPECT_TRUE(XmlSec(r.out, "infInut"));
}

TEST(MensagemCli, SignedCancellationEventVerifiesInXmlsecAndPassesSchema) {
  auto r = RunTuim({"mensagem", "evento", "--tipo", "cancelamento", "--chave", kChave, "--cnpj", "11222333000181",
                    "--data", "2024-01-15T10:30:00", "--protocolo", "151240000012345", "--justificativa",
                    "Cancelamento por erro de digitação", "--lote", "9", "--assinar", "--pfx",
                    Certificado("empresa.pfx"), "--senha", "1234"});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_NE(r.out.find("<idLote>9</idLote>"), std::string::npos);
  EXPECT_NE(r.out.find("<dhEvento>2024-01-15T10:30:00-04:00</dhEvento>"), std::string::npos);
  EXPECT_NE(r.out.find("<Reference URI=\"#ID110111" + kChave + "01\">"), std::string::npos);
  EXPECT_TRUE(SchemaAceita(r.out, "envEventoCancNFe_v1.00.xsd")) << r.out;
  EXPECT_TRUE(XmlSec(r.out, "infEvento"));
}

TEST(MensagemCli, AlertsGoToStderrWithExitOneWhileTheXmlIsWritten) {
  auto r = RunTuim({"mensagem", "inutilizacao", "--uf", "MT", "--ano", "24", "--cnpj", "11222333000181", "--serie",
                    "1", "--inicial", "10", "--final", "5", "--justificativa", "Falha na sequencia"});
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.out.find("<nNFFin>5</nNFFin>"), std::string::npos);
  EXPECT_NE(r.err.find("O numero final não pode ser menor que o inicial"), std::string::npos) << r.err;
}

TEST(MensagemCli, BadCommandLinesAreUsageErrors) {
  struct Caso {
    std::vector<std::string> args;
    const char* mensagem;
  };
  const Caso casos[] = {
      {{"mensagem", "status", "--uf", "XX"}, "--uf deve ser uma UF"},
      {{"mensagem", "evento", "--tipo", "outro", "--chave", kChave}, "--tipo deve ser"},
      {{"mensagem", "evento", "--tipo", "cce", "--chave", kChave, "--data", "15/01/2024"}, "--data deve ser"},
      {{"mensagem", "evento", "--tipo", "cce", "--chave", kChave, "--assinar"}, "--assinar pede --pfx"},
      {{"mensagem", "status", "--uf", "MT", "--ambiente", "3"}, "--ambiente deve ser"},
      {{"mensagem", "csc", "--raiz-cnpj", "11222333", "--op", "4"}, "--op deve ser"},
      {{"mensagem", "consulta"}, "informe --chave"},
      {{"mensagem", "status", "--uf", "MT", "--outra", "x"}, "opção desconhecida: --outra"},
  };
  for (const Caso& c : casos) {
    auto r = RunTuim(c.args);
    EXPECT_EQ(r.code, 2) << c.args[1];
    EXPECT_NE(r.err.find(c.mensagem), std::string::npos) << r.err;
    EXPECT_EQ(r.out, "");
  }
}

TEST(MensagemCli, EventWithoutDateTakesThePresentOnTheStateClock) {
  // Whatever the machine's zone, the time written with MT's offset is the present instant.
  std::time_t antes = std::time(nullptr);
  auto r = RunTuim({"mensagem", "evento", "--tipo", "ciencia", "--chave", kChave, "--orgao", "91"});
  std::time_t depois = std::time(nullptr);
  ASSERT_EQ(r.code, 0) << r.err;
  auto p = r.out.find("<dhEvento>");
  ASSERT_NE(p, std::string::npos);
  std::string dh = r.out.substr(p + 10, 25);  // YYYY-MM-DDThh:mm:ss-03:00 (the national environment: Brasilia)
  ASSERT_EQ(dh.substr(19), "-03:00") << dh;
  std::tm tm{};
  ASSERT_NE(strptime(dh.substr(0, 19).c_str(), "%Y-%m-%dT%H:%M:%S", &tm), nullptr);
  std::time_t instante = timegm(&tm) + 3 * 3600;
  EXPECT_GE(instante, antes - 1);
  EXPECT_LE(instante, depois + 1);
}

TEST(MensagemCli, SigningFailureIsReported) {
  auto r = RunTuim({"mensagem", "evento", "--tipo", "ciencia", "--chave", kChave, "--assinar", "--pfx",
                    "/nao/existe.pfx", "--senha", "1"});
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.err.find("Falha ao assinar o Envio de Evento"), std::string::npos) << r.err;
}
