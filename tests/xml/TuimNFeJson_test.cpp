// The JSON form of TNFe: a round trip that keeps every field the writer uses, strict reading
// with the JSON path in every error, and the two documented examples.
#include "xml/TuimNFeJson.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "NFeExemplos.h"
#include "fiscal/TuimException.h"
#include "fiscal/TuimUtil.h"
#include "fiscal/fscAuxiliar.h"
#include "xml/TuimNFeW.h"

namespace tuim {
namespace {

std::string Escrever(TNFe& n) {
  TNFeW w(&n);
  w.EscreverNFe();
  return w.Gerador().ArquivoFormatoXML();
}

class NFeJson : public exemplos::ComFusoDosEstados {};

TEST_F(NFeJson, EveryGroupSurvivesTheRoundTrip) {
  TNFe n;
  exemplos::TodosOsGrupos(n);
  n.Ide.natOp = "VENDA \xC7\xC3O";  // Windows-1252 inside, UTF-8 in the JSON
  const std::string json = NFeParaJSON(n);
  EXPECT_NE(json.find("VENDA \xC3\x87\xC3\x83O"), std::string::npos);
  TNFe lido;
  NFeDeJSON(lido, json);
  EXPECT_EQ(NFeParaJSON(lido), json);
  EXPECT_EQ(lido.Ide.natOp, n.Ide.natOp);
  EXPECT_EQ(lido.signature.SignatureValue(), "SIG");
  EXPECT_EQ(lido.pag.vTroco, n.pag.vTroco);
  EXPECT_EQ(Escrever(lido), Escrever(n));
}

TEST_F(NFeJson, EveryProtocolMessageSurvivesTheRoundTripInOrder) {
  TNFe n;
  exemplos::NFe(n);
  n.procNFe.nProt = "135240000000001";
  exemplos::Mensagens(n.procNFe, {"PRIMEIRA", "SEGUNDA", "TERCEIRA \xC7\xC3O"}, 7);
  const std::string json = NFeParaJSON(n, -1);
  EXPECT_NE(json.find("\"cMsg\":7,\"xMsg\":\"PRIMEIRA\",\"MsgAdicionais\":[{\"cMsg\":8,\"xMsg\":\"SEGUNDA\"},"
                      "{\"cMsg\":9,\"xMsg\":\"TERCEIRA \xC3\x87\xC3\x83O\"}]"),
            std::string::npos)
      << json;
  TNFe lido;
  NFeDeJSON(lido, json);
  EXPECT_EQ(NFeParaJSON(lido, -1), json);
  ASSERT_EQ(lido.procNFe.MsgAdicionais.Count(), 2);
  EXPECT_EQ(lido.procNFe.MsgAdicionais[1].xMsg, "TERCEIRA \xC7\xC3O");
  EXPECT_EQ(Escrever(lido), Escrever(n));
}

TEST_F(NFeJson, FormUsesPropertyNamesCodesDecimalStringsAndOffsets) {
  TNFe n;
  exemplos::NFe(n);
  const std::string json = NFeParaJSON(n, -1);
  EXPECT_NE(json.find("\"Ide\":{\"cUF\":35,"), std::string::npos) << json;
  EXPECT_NE(json.find("\"dEmi\":\"2024-05-10T10:20:30-03:00\""), std::string::npos);
  EXPECT_NE(json.find("\"EnderEmit\":{\"xLgr\":\"RUA DAS FLORES\""), std::string::npos);
  EXPECT_NE(json.find("\"Det\":[{\"Prod\":{\"cProd\":\"A1\""), std::string::npos);
  EXPECT_NE(json.find("\"qCom\":\"2.00\""), std::string::npos);
  EXPECT_NE(json.find("\"vUnCom\":\"50.00\""), std::string::npos);
  EXPECT_NE(json.find("\"tPag\":\"15\""), std::string::npos);
  EXPECT_NE(json.find("\"dVenc\":\"2024-06-10\""), std::string::npos);
  // Values of a new document are left out: the issuer's country, the empty lists.
  EXPECT_EQ(json.find("\"cPais\""), std::string::npos);
  EXPECT_EQ(json.find("\"Retirada\""), std::string::npos);
}

TEST_F(NFeJson, RepeatedIcmsCodesHaveNamesOfTheirOwn) {
  TNFe n;
  exemplos::NFe(n);
  n.Det[0].Imposto.ICMS.CST = cstIcmsPart90;
  const std::string json = NFeParaJSON(n, -1);
  EXPECT_NE(json.find("\"CST\":\"Part90\""), std::string::npos);
  TNFe lido;
  NFeDeJSON(lido, json);
  EXPECT_EQ(lido.Det[0].Imposto.ICMS.CST, cstIcmsPart90);
}

TEST_F(NFeJson, AmountsAreReadFromStringsOrNumbers) {
  TNFe n;
  NFeDeJSON(n, R"({"Det":[{"Prod":{"qCom":2.5,"vProd":"10","vUnCom":4,"vDesc":3}}],"vTroco":"0.1234"})");
  EXPECT_EQ(n.Det[0].Prod.qCom, TCurrency::FromDouble(2.5));
  EXPECT_EQ(n.Det[0].Prod.vProd, TCurrency(10));
  EXPECT_EQ(n.Det[0].Prod.vUnCom, 4.0);
  EXPECT_EQ(n.Det[0].Prod.vDesc, TCurrency(3));
  EXPECT_EQ(n.pag.vTroco, TCurrency::FromRaw(1234));
}

TEST_F(NFeJson, NullLeavesTheValueOfANewDocument) {
  TNFe n;
  NFeDeJSON(n, R"({"Emit":{"EnderEmit":{"cPais":null,"xLgr":"RUA"}},"Det":null})");
  EXPECT_EQ(n.Emit.EnderEmit.cPais, 1058);
  EXPECT_EQ(n.Emit.EnderEmit.xLgr, "RUA");
}

struct CasoErro {
  const char* nome;
  const char* json;
  const char* caminho;
};
class NFeJsonErro : public ::testing::TestWithParam<CasoErro> {};

TEST_P(NFeJsonErro, NamesThePathAndLeavesTheDocument) {
  TNFe n;
  n.Ide.natOp = "ANTES";
  try {
    NFeDeJSON(n, GetParam().json);
    FAIL() << "no error";
  } catch (const ETuimDFeException& e) {
    EXPECT_NE(std::string(e.what()).find(GetParam().caminho), std::string::npos) << e.what();
  }
  EXPECT_EQ(n.Ide.natOp, "ANTES");
}

INSTANTIATE_TEST_SUITE_P(
    Casos, NFeJsonErro,
    ::testing::Values(
        CasoErro{"ChaveDesconhecida", R"({"Ide":{"cUF":35,"xyz":1}})", "$.Ide.xyz: chave desconhecida"},
        CasoErro{"ChaveDeOutroGrupo", R"({"Emit":{"natOp":"X"}})", "$.Emit.natOp"},
        CasoErro{"TextoNoLugarDeInteiro", R"({"Ide":{"cUF":"35"}})", "$.Ide.cUF: esperado número inteiro"},
        CasoErro{"DecimalNoLugarDeInteiro", R"({"Ide":{"nNF":1.5}})", "$.Ide.nNF"},
        CasoErro{"InteiroGrandeDemais", R"({"Ide":{"nNF":4294967296}})", "$.Ide.nNF: número fora do intervalo"},
        CasoErro{"NumeroNoLugarDeTexto", R"({"Ide":{"natOp":5}})", "$.Ide.natOp: esperado texto"},
        CasoErro{"ListaNoLugarDeGrupo", R"({"Emit":[]})", "$.Emit: esperado objeto"},
        CasoErro{"GrupoNoLugarDeLista", R"({"Det":{}})", "$.Det: esperada lista"},
        CasoErro{"ItemDaLista", R"({"Det":[{},{"Prod":{"qCom":"1,2,3"}}]})", "$.Det[1].Prod.qCom"},
        CasoErro{"CodigoDesconhecido", R"({"Ide":{"tpAmb":"3"}})", "$.Ide.tpAmb: código desconhecido"},
        CasoErro{"CodigoNumerico", R"({"Ide":{"tpAmb":1}})", "$.Ide.tpAmb: esperado texto"},
        CasoErro{"DataInvalida", R"({"Ide":{"dEmi":"10/05/2024"}})", "$.Ide.dEmi: data inválida"},
        CasoErro{"DataSemHora", R"({"Cobr":{"Dup":[{"dVenc":"2024-06-10T00:00:00"}]}})", "$.Cobr.Dup[0].dVenc"},
        CasoErro{"ValorGrandeDemais", R"({"vTroco":1e300})", "$.vTroco: número fora do intervalo"},
        CasoErro{"RaizNaoObjeto", R"([1,2])", "$: esperado objeto"},
        CasoErro{"JsonMalFormado", R"({"Ide":)", "JSON da NF-e inválido"}),
    [](const ::testing::TestParamInfo<CasoErro>& i) { return std::string(i.param.nome); });

// The examples of the documentation are read, written without alerts, and keep their form.
std::vector<std::string> ExemplosDaDocumentacao() {
  std::ifstream in(std::string(TUIM_SOURCE_DIR) + "/docs/nfe-json.md", std::ios::binary);
  std::string md((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::vector<std::string> blocos;
  for (std::size_t p = md.find("```json\n"); p != std::string::npos; p = md.find("```json\n", p)) {
    p += 8;
    std::size_t fim = md.find("```", p);
    if (fim == std::string::npos) break;
    blocos.push_back(md.substr(p, fim - p));
    p = fim + 3;
  }
  return blocos;
}

TEST_F(NFeJson, DocumentedExamplesAreReadAndWrittenWithoutAlerts) {
  const std::vector<std::string> exemplos = ExemplosDaDocumentacao();
  ASSERT_EQ(exemplos.size(), 2u);
  int modelos = 0;
  for (const std::string& json : exemplos) {
    TNFe n;
    ASSERT_NO_THROW(NFeDeJSON(n, json)) << json;
    modelos += n.Ide.modelo;
    TNFeW w(&n);
    EXPECT_TRUE(w.EscreverNFe()) << (w.Gerador().ListaDeAlertas().empty() ? "" : w.Gerador().ListaDeAlertas()[0]);
    // Written out again, the example is the same JSON.
    EXPECT_EQ(NFeParaJSON(n) + "\n", json);
  }
  EXPECT_EQ(modelos, 55 + 65);
}

}  // namespace
}  // namespace tuim
