// Answers of the status, reception, receipt, protocol, registry, voiding and CSC services.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "fiscal/TuimDateTime.h"
#include "services/MensagensTeste.h"
#include "services/TuimRetornosNFe.h"

using namespace tuim;
using namespace tuim::teste;

namespace {

const std::string kDecl = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>";

// The message pairs of a protocol (TProcNFe or a receipt's item), the first one first.
template <class P> std::vector<std::pair<int, std::string>> Mensagens(const P& p) {
  std::vector<std::pair<int, std::string>> v;
  if (p.cMsg != 0 || !p.xMsg.empty()) v.emplace_back(p.cMsg, p.xMsg);
  for (const TMsgCollectionItem& m : p.MsgAdicionais) v.emplace_back(m.cMsg, m.xMsg);
  return v;
}
using TPares = std::vector<std::pair<int, std::string>>;

std::string ProtNFe(const std::string& chave, const std::string& nProt, const std::string& cStat,
                    const std::string& xMotivo, const std::string& extra = "") {
  return "<protNFe versao=\"4.00\"><infProt Id=\"ID" + nProt + "\"><tpAmb>2</tpAmb><verAplic>SVRS202401</verAplic>"
         "<chNFe>" + chave + "</chNFe><dhRecbto>2024-01-10T09:16:02-04:00</dhRecbto><nProt>" + nProt +
         "</nProt><digVal>q0d3lC2nLr9w4ZbNfK1s0tJQb6M=</digVal><cStat>" + cStat + "</cStat><xMotivo>" + xMotivo +
         "</xMotivo>" + extra + "</infProt></protNFe>";
}

const std::string kStatus =
    std::string("<retConsStatServ versao=\"4.00\" ") + kNs +
    "><tpAmb>2</tpAmb><verAplic>SVRS202401151422</verAplic><cStat>107</cStat>"
    "<xMotivo>Servico em Operacao</xMotivo><cUF>51</cUF><dhRecbto>2024-01-15T10:30:45-04:00</dhRecbto>"
    "<tMed>1</tMed><dhRetorno>2024-01-15T11:00:00-04:00</dhRetorno><xObs>Ambiente &amp; rede normais</xObs>"
    "</retConsStatServ>";

const std::string kEnvioAssincrono =
    std::string("<retEnviNFe versao=\"4.00\" ") + kNs +
    "><tpAmb>2</tpAmb><verAplic>SVRS202401</verAplic><cStat>103</cStat>"
    "<xMotivo>Lote recebido com sucesso</xMotivo><cUF>51</cUF><dhRecbto>2024-01-10T09:16:01-04:00</dhRecbto>"
    "<infRec><nRec>511000012345678</nRec><tMed>3</tMed></infRec></retEnviNFe>";

std::string Recibo(const std::string& cStat, const std::string& xMotivo, const std::string& protocolos,
                   const std::string& mensagem = "") {
  return std::string("<retConsReciNFe versao=\"4.00\" ") + kNs +
         "><tpAmb>2</tpAmb><verAplic>SVRS202401</verAplic><nRec>511000012345678</nRec><cStat>" + cStat +
         "</cStat><xMotivo>" + xMotivo + "</xMotivo><cUF>51</cUF><dhRecbto>2024-01-10T09:16:05-04:00</dhRecbto>" +
         mensagem + protocolos + "</retConsReciNFe>";
}

std::string ProcEventoNFe(const std::string& chave, const std::string& tpEvento, const std::string& nSeq,
                          const std::string& nProt) {
  return "<procEventoNFe versao=\"1.00\"><evento versao=\"1.00\"><infEvento Id=\"ID" + tpEvento + chave + "0" + nSeq +
         "\"><cOrgao>51</cOrgao><tpAmb>2</tpAmb><CNPJ>11222333000181</CNPJ><chNFe>" + chave +
         "</chNFe><dhEvento>2024-01-11T14:00:00-04:00</dhEvento><tpEvento>" + tpEvento +
         "</tpEvento><nSeqEvento>" + nSeq +
         "</nSeqEvento><verEvento>1.00</verEvento><detEvento versao=\"1.00\"><descEvento>Carta de Correcao</descEvento>"
         "<xCorrecao>Corrige o endereco do destinatario</xCorrecao></detEvento></infEvento></evento>"
         "<retEvento versao=\"1.00\"><infEvento Id=\"ID" + nProt + "\"><tpAmb>2</tpAmb><verAplic>SVRS202401</verAplic>"
         "<cOrgao>51</cOrgao><cStat>135</cStat><xMotivo>Evento registrado e vinculado a NF-e</xMotivo><chNFe>" +
         chave + "</chNFe><tpEvento>" + tpEvento + "</tpEvento><nSeqEvento>" + nSeq +
         "</nSeqEvento><dhRegEvento>2024-01-11T14:00:05-04:00</dhRegEvento><nProt>" + nProt +
         "</nProt></infEvento></retEvento></procEventoNFe>";
}

std::string Situacao(const std::string& cStat, const std::string& xMotivo, const std::string& grupos) {
  return std::string("<retConsSitNFe versao=\"4.00\" ") + kNs +
         "><tpAmb>2</tpAmb><verAplic>SVRS202401</verAplic><cStat>" + cStat + "</cStat><xMotivo>" + xMotivo +
         "</xMotivo><cUF>51</cUF><dhRecbto>2024-01-12T08:00:00-04:00</dhRecbto><chNFe>" + kChave55 + "</chNFe>" +
         grupos + "</retConsSitNFe>";
}

std::string Cadastro(const std::string& consulta, const std::string& cStat, const std::string& registros) {
  return std::string("<retConsCad versao=\"2.00\" ") + kNs + "><infCons><verAplic>SVRS-CAD</verAplic><cStat>" + cStat +
         "</cStat><xMotivo>Consulta cadastro com uma ocorrencia</xMotivo><UF>MT</UF>" + consulta +
         "<dhCons>2024-01-15T10:30:45-04:00</dhCons><cUF>51</cUF>" + registros + "</infCons></retConsCad>";
}

const std::string kInfCad =
    "<infCad><IE>131234567</IE><CNPJ>1222333000181</CNPJ><UF>MT</UF><cSit>1</cSit><indCredNFe>1</indCredNFe>"
    "<indCredCTe>4</indCredCTe><xNome>Comercio de Pecas &amp; Cia Ltda</xNome><xFant>Pecas MT</xFant>"
    "<xRegApur>NORMAL</xRegApur><CNAE>4530703</CNAE><dIniAtiv>2010-03-01</dIniAtiv><dUltSit>2015-06-30</dUltSit>"
    "<IEUnica>131234567</IEUnica><IEAtual>131234567</IEAtual><ender><xLgr>Avenida Getulio Vargas</xLgr><nro>1500</nro>"
    "<xCpl>Sala 2</xCpl><xBairro>Centro</xBairro><cMun>5103403</cMun><xMun>Cuiaba</xMun><CEP>78005000</CEP></ender>"
    "</infCad>";

const std::string kInutilizacao =
    std::string("<retInutNFe versao=\"4.00\" ") + kNs +
    "><infInut Id=\"ID151240000000777\"><tpAmb>2</tpAmb><verAplic>SVRS202401</verAplic><cStat>102</cStat>"
    "<xMotivo>Inutilizacao de numero homologado</xMotivo><cUF>51</cUF><ano>24</ano><CNPJ>11222333000181</CNPJ>"
    "<mod>55</mod><serie>1</serie><nNFIni>10</nNFIni><nNFFin>20</nNFFin><dhRecbto>2024-01-15T10:30:45-04:00</dhRecbto>"
    "<nProt>151240000000777</nProt></infInut></retInutNFe>";

const std::string kPedidoInutilizacao =
    std::string("<inutNFe versao=\"4.00\" ") + kNs +
    "><infInut Id=\"ID51241122233300018155001000000010000000020\"><tpAmb>2</tpAmb><xServ>INUTILIZAR</xServ>"
    "<cUF>51</cUF><ano>24</ano><CNPJ>11222333000181</CNPJ><mod>55</mod><serie>1</serie><nNFIni>10</nNFIni>"
    "<nNFFin>20</nNFFin><xJust>Numeracao pulada por falha no sistema</xJust></infInut></inutNFe>";

std::string Csc(const std::string& dados) {
  return std::string("<retAdmCscNFCe versao=\"1.00\" ") + kNs +
         "><tpAmb>2</tpAmb><indOp>1</indOp><cStat>150</cStat><xMotivo>Consulta de CSC realizada</xMotivo>" + dados +
         "</retAdmCscNFCe>";
}

}  // namespace

// ---- Schema check of the answers used below: they are what the authority sends ---------

struct AmostraSchema {
  const char* nome;
  std::function<std::string()> xml;
  const char* xsd;
};

class AnswersUsedInTheseTests : public ::testing::TestWithParam<AmostraSchema> {};

TEST_P(AnswersUsedInTheseTests, AreValidAgainstTheirSchemas) {
  EXPECT_EQ(ErrosSchema(kDecl + GetParam().xml(), GetParam().xsd), "");
}

INSTANTIATE_TEST_SUITE_P(
    Respostas, AnswersUsedInTheseTests,
    ::testing::Values(
        AmostraSchema{"status", [] { return kStatus; }, "retConsStatServ_v4.00.xsd"},
        AmostraSchema{"envio", [] { return kEnvioAssincrono; }, "retEnviNFe_v4.00.xsd"},
        AmostraSchema{"recibo",
                      [] {
                        return Recibo("104", "Lote processado",
                                      ProtNFe(kChave55, "151240000001234", "100", "Autorizado o uso da NF-e") +
                                          ProtNFe(kChave65, "151240000001235", "539", "Rejeicao: Duplicidade"));
                      },
                      "retConsReciNFe_v4.00.xsd"},
        AmostraSchema{"situacao",
                      [] {
                        return Situacao("100", "Autorizado o uso da NF-e",
                                        ProtNFe(kChave55, "151240000001234", "100", "Autorizado o uso da NF-e"));
                      },
                      "retConsSitNFe_v4.00.xsd"},
        AmostraSchema{"cadastro",
                      [] {
                        std::string cad = kInfCad;  // the schema wants all 14 digits
                        cad.replace(cad.find("<CNPJ>") + 6, 13, "01222333000181");
                        return Cadastro("<CNPJ>11222333000181</CNPJ>", "111", cad);
                      },
                      "retConsCad_v2.00.xsd"},
        AmostraSchema{"inutilizacao", [] { return kInutilizacao; }, "retInutNFe_v4.00.xsd"}),
    [](const auto& info) { return std::string(info.param.nome); });

// ---- Service status ------------------------------------------------------------------------

TEST(RetConsStatServ, ReadsEveryFieldInOrder) {
  TRetConsStatServ r;
  r.Leitor().SetArquivo(kDecl + kStatus);
  ASSERT_TRUE(r.LerResposta());
  EXPECT_EQ(r.versao, "4.00");
  EXPECT_EQ(r.tpAmb, taHomologacao);
  EXPECT_EQ(r.verAplic, "SVRS202401151422");
  EXPECT_EQ(r.cStat, 107);
  EXPECT_EQ(r.xMotivo, "Servico em Operacao");
  EXPECT_EQ(r.cUF, 51);
  EXPECT_EQ(r.dhRecbto, EncodeDateTime(2024, 1, 15, 10, 30, 45));
  EXPECT_EQ(r.tMed, 1);
  EXPECT_EQ(r.dhRetorno, EncodeDateTime(2024, 1, 15, 11, 0, 0));
  EXPECT_EQ(r.xObs, "Ambiente & rede normais");
}

TEST(RetConsStatServ, MissingOptionalElementsGiveEmptyZeroAndZeroDate) {
  TRetConsStatServ r;
  r.Leitor().SetArquivo("<retConsStatServ versao=\"4.00\"><tpAmb>1</tpAmb><cStat>108</cStat></retConsStatServ>");
  ASSERT_TRUE(r.LerResposta());
  EXPECT_EQ(r.tpAmb, taProducao);
  EXPECT_EQ(r.cStat, 108);
  EXPECT_EQ(r.verAplic, "");
  EXPECT_EQ(r.xMotivo, "");
  EXPECT_EQ(r.cUF, 0);
  EXPECT_EQ(r.dhRecbto, 0.0);
  EXPECT_EQ(r.tMed, 0);
  EXPECT_EQ(r.dhRetorno, 0.0);
  EXPECT_EQ(r.xObs, "");
}

TEST(RetConsStatServ, RootNameCarriesTheSuffix) {
  TRetConsStatServ cte("Cte");
  cte.Leitor().SetArquivo("<retConsStatServCte versao=\"4.00\"><cStat>107</cStat></retConsStatServCte>");
  ASSERT_TRUE(cte.LerResposta());
  EXPECT_EQ(cte.cStat, 107);
  EXPECT_EQ(cte.versao, "4.00");

  TRetConsStatServ nfe;
  nfe.Leitor().SetArquivo("<retConsStatServCte versao=\"4.00\"><cStat>107</cStat></retConsStatServCte>");
  EXPECT_FALSE(nfe.LerResposta());
  EXPECT_EQ(nfe.cStat, 0);
}

TEST(RetConsStatServ, UnreadableDateFailsKeepingWhatWasRead) {
  TRetConsStatServ r;
  r.Leitor().SetArquivo("<retConsStatServ versao=\"4.00\"><cStat>107</cStat><cUF>51</cUF>"
                        "<dhRecbto>2024-XX-15T10:30:45</dhRecbto><tMed>1</tMed></retConsStatServ>");
  EXPECT_FALSE(r.LerResposta());
  EXPECT_EQ(r.cStat, 107);
  EXPECT_EQ(r.cUF, 51);
  EXPECT_EQ(r.tMed, 0);
}

// ---- Wrong root: every reader says false without raising -----------------------------------

struct RaizErrada {
  const char* nome;
  std::function<std::unique_ptr<TRetornoDFe>()> criar;
};

class WrongRoot : public ::testing::TestWithParam<RaizErrada> {};

TEST_P(WrongRoot, GivesFalse) {
  auto r = GetParam().criar();
  for (const std::string& texto : {std::string(), std::string("<outraResposta><cStat>100</cStat></outraResposta>"),
                                  std::string("nem XML e"), std::string("<retConsStatServ><cStat>1")}) {
    r->Leitor().SetArquivo(texto);
    EXPECT_FALSE(r->LerResposta()) << texto;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Respostas, WrongRoot,
    ::testing::Values(RaizErrada{"status", [] { return std::make_unique<TRetConsStatServ>(); }},
                      RaizErrada{"envio", [] { return std::make_unique<TretEnvNFe>(); }},
                      RaizErrada{"recibo", [] { return std::make_unique<TRetConsReciDFe>(); }},
                      RaizErrada{"situacao", [] { return std::make_unique<TRetConsSitNFe>(); }},
                      RaizErrada{"cadastro", [] { return std::make_unique<TRetConsCad>(); }},
                      RaizErrada{"inutilizacao", [] { return std::make_unique<TRetInutNFe>(); }},
                      RaizErrada{"csc", [] { return std::make_unique<TRetAdmCSCNFCe>(); }}),
    [](const auto& info) { return std::string(info.param.nome); });

// ---- Batch reception -------------------------------------------------------------------------

TEST(RetEnviNFe, AsynchronousAnswerGivesTheReceipt) {
  TretEnvNFe r;
  r.Leitor().SetArquivo(kEnvioAssincrono);
  ASSERT_TRUE(r.LerResposta());
  EXPECT_EQ(r.versao, "4.00");
  EXPECT_EQ(r.tpAmb, taHomologacao);
  EXPECT_EQ(r.verAplic, "SVRS202401");
  EXPECT_EQ(r.cStat, 103);
  EXPECT_EQ(r.xMotivo, "Lote recebido com sucesso");
  EXPECT_EQ(r.cUF, 51);
  EXPECT_EQ(r.infRec().nRec, "511000012345678");
  EXPECT_EQ(r.infRec().dhRecbto, EncodeDateTime(2024, 1, 10, 9, 16, 1));
  EXPECT_EQ(r.infRec().tMed, 3);
}

TEST(RetEnviNFe, SynchronousAnswerHasNoReceiptAndKeepsTheBatchStatus) {
  TretEnvNFe r;
  r.Leitor().SetArquivo(std::string("<retEnviNFe versao=\"4.00\" ") + kNs +
                        "><tpAmb>2</tpAmb><verAplic>SVRS202401</verAplic><cStat>104</cStat>"
                        "<xMotivo>Lote processado</xMotivo><cUF>51</cUF>"
                        "<dhRecbto>2024-01-10T09:16:01-04:00</dhRecbto>" +
                        ProtNFe(kChave55, "151240000001234", "100", "Autorizado o uso da NF-e") + "</retEnviNFe>");
  ASSERT_TRUE(r.LerResposta());
  EXPECT_EQ(r.cStat, 104);
  EXPECT_EQ(r.xMotivo, "Lote processado");
  EXPECT_EQ(r.infRec().nRec, "");
  EXPECT_EQ(r.infRec().tMed, 0);
  EXPECT_EQ(r.infRec().dhRecbto, EncodeDateTime(2024, 1, 10, 9, 16, 1));
}

// ---- Receipt query ---------------------------------------------------------------------------

TEST(RetConsReciNFe, ProcessedBatchListsEveryProtocol) {
  const std::string p1 = ProtNFe(kChave55, "151240000001234", "100", "Autorizado o uso da NF-e");
  const std::string p2 = ProtNFe(kChave65, "151240000001235", "539", "Rejeicao: Duplicidade de NF-e");
  TRetConsReciDFe r;
  r.Leitor().SetArquivo(kDecl + Recibo("104", "Lote processado", p1 + p2));
  ASSERT_TRUE(r.LerResposta());
  EXPECT_EQ(r.versao, "4.00");
  EXPECT_EQ(r.tpAmb, taHomologacao);
  EXPECT_EQ(r.verAplic, "SVRS202401");
  EXPECT_EQ(r.nRec, "511000012345678");
  EXPECT_EQ(r.cStat, 104);
  EXPECT_EQ(r.xMotivo, "Lote processado");
  EXPECT_EQ(r.cUF, 51);
  EXPECT_EQ(r.cMsg, 0);
  EXPECT_EQ(r.xMsg, "");
  ASSERT_EQ(r.ProtDFe().Count(), 2);
  const TProtDFeCollectionItem& a = r.ProtDFe()[0];
  EXPECT_EQ(a.XMLprot, p1);
  EXPECT_EQ(a.Id, "ID151240000001234");
  EXPECT_EQ(a.tpAmb, taHomologacao);
  EXPECT_EQ(a.verAplic, "SVRS202401");
  EXPECT_EQ(a.chDFe, kChave55);
  EXPECT_EQ(a.dhRecbto, EncodeDateTime(2024, 1, 10, 9, 16, 2));
  EXPECT_EQ(a.nProt, "151240000001234");
  EXPECT_EQ(a.digVal, "q0d3lC2nLr9w4ZbNfK1s0tJQb6M=");
  EXPECT_EQ(a.cStat, 100);
  EXPECT_EQ(a.xMotivo, "Autorizado o uso da NF-e");
  const TProtDFeCollectionItem& b = r.ProtDFe()[1];
  EXPECT_EQ(b.XMLprot, p2);
  EXPECT_EQ(b.chDFe, kChave65);
  EXPECT_EQ(b.cStat, 539);
}

TEST(RetConsReciNFe, BatchInProcessingYieldsNoProtocolEvenWhenSomeArePresent) {
  TRetConsReciDFe r;
  r.Leitor().SetArquivo(Recibo("105", "Lote em processamento",
                               ProtNFe(kChave55, "151240000001234", "100", "Autorizado o uso da NF-e")));
  ASSERT_TRUE(r.LerResposta());
  EXPECT_EQ(r.cStat, 105);
  EXPECT_EQ(r.ProtDFe().Count(), 0);
}

TEST(RetConsReciNFe, AuthorityMessageIsReadAndNotTakenFromAProtocol) {
  TRetConsReciDFe r;
  r.Leitor().SetArquivo(Recibo("104", "Lote processado",
                               ProtNFe(kChave55, "151240000001234", "100", "Autorizado o uso da NF-e",
                                       "<cMsg>200</cMsg><xMsg>Mensagem do protocolo</xMsg>")));
  ASSERT_TRUE(r.LerResposta());
  EXPECT_EQ(r.cMsg, 0);
  EXPECT_EQ(r.xMsg, "");

  TRetConsReciDFe m;
  m.Leitor().SetArquivo(Recibo("104", "Lote processado", "", "<cMsg>5</cMsg><xMsg>Aviso da SEFAZ</xMsg>"));
  ASSERT_TRUE(m.LerResposta());
  EXPECT_EQ(m.cMsg, 5);
  EXPECT_EQ(m.xMsg, "Aviso da SEFAZ");
  EXPECT_EQ(m.ProtDFe().Count(), 0);
}

// Each protocol keeps every message of the authority (PL_010e takes up to five), its own only.
TEST(RetConsReciNFe, EveryProtocolKeepsItsOwnMessages) {
  TRetConsReciDFe r;
  r.Leitor().SetArquivo(
      Recibo("104", "Lote processado",
             ProtNFe(kChave55, "151240000001234", "100", "Autorizado o uso da NF-e",
                     "<cMsg>1</cMsg><xMsg>Primeira</xMsg><cMsg>2</cMsg><xMsg>Segunda</xMsg>"
                     "<cMsg>3</cMsg><xMsg>Terceira &amp; última</xMsg>") +
                 ProtNFe(kChave65, "151240000001235", "100", "Autorizado o uso da NF-e"),
             "<cMsg>9</cMsg><xMsg>Do lote</xMsg>"));
  ASSERT_TRUE(r.LerResposta());
  EXPECT_EQ(r.cMsg, 9);
  ASSERT_EQ(r.ProtDFe().Count(), 2);
  EXPECT_EQ(Mensagens(r.ProtDFe()[0]), (TPares{{1, "Primeira"}, {2, "Segunda"}, {3, "Terceira & última"}}));
  EXPECT_EQ(Mensagens(r.ProtDFe()[1]), TPares{});
}

TEST(RetConsReciNFe, ReadingAgainReplacesTheProtocols) {
  TRetConsReciDFe r;
  r.Leitor().SetArquivo(Recibo("104", "Lote processado", ProtNFe(kChave55, "151240000001234", "100", "Autorizado")));
  ASSERT_TRUE(r.LerResposta());
  ASSERT_TRUE(r.LerResposta());
  EXPECT_EQ(r.ProtDFe().Count(), 1);
}

TEST(RetConsReciNFe, SuffixNamesRootProtocolAndKey) {
  TRetConsReciDFe r("CTe");
  r.Leitor().SetArquivo("<retConsReciCTe versao=\"4.00\"><cStat>104</cStat><protCTe versao=\"4.00\"><infProt>"
                        "<chCTe>51240111222333000181570010000000011000000010</chCTe><cStat>100</cStat>"
                        "</infProt></protCTe></retConsReciCTe>");
  ASSERT_TRUE(r.LerResposta());
  ASSERT_EQ(r.ProtDFe().Count(), 1);
  EXPECT_EQ(r.ProtDFe()[0].chDFe, "51240111222333000181570010000000011000000010");
  EXPECT_EQ(r.ProtDFe()[0].cStat, 100);
}

// ---- Protocol query --------------------------------------------------------------------------

TEST(RetConsSitNFe, AuthorisedDocumentFillsTheProtocolAndNoCancellation) {
  const std::string prot = ProtNFe(kChave55, "151240000001234", "100", "Autorizado o uso da NF-e",
                                   "<cMsg>3</cMsg><xMsg>Mensagem &lt;fisco&gt;</xMsg>");
  TRetConsSitNFe r;
  r.Leitor().SetArquivo(kDecl + Situacao("100", "Autorizado o uso da NF-e", prot));
  ASSERT_TRUE(r.LerResposta());
  EXPECT_EQ(r.versao, "4.00");
  EXPECT_EQ(r.tpAmb, taHomologacao);
  EXPECT_EQ(r.verAplic, "SVRS202401");
  EXPECT_EQ(r.nRec, "");
  EXPECT_EQ(r.cStat, 100);
  EXPECT_EQ(r.xMotivo, "Autorizado o uso da NF-e");
  EXPECT_EQ(r.cUF, 51);
  EXPECT_EQ(r.dhRecbto, EncodeDateTime(2024, 1, 12, 8, 0, 0));
  EXPECT_EQ(r.chNFe, kChave55);

  const TProcNFe& p = r.protNFe();
  EXPECT_EQ(p.XMLProt, prot);
  EXPECT_EQ(p.tpAmb, taHomologacao);
  EXPECT_EQ(p.verAplic, "SVRS202401");
  EXPECT_EQ(p.chNFe, kChave55);
  EXPECT_EQ(p.dhRecbto, EncodeDateTime(2024, 1, 10, 9, 16, 2));
  EXPECT_EQ(p.nProt, "151240000001234");
  EXPECT_EQ(p.digVal, "q0d3lC2nLr9w4ZbNfK1s0tJQb6M=");
  EXPECT_EQ(p.cStat, 100);
  EXPECT_EQ(p.xMotivo, "Autorizado o uso da NF-e");
  EXPECT_EQ(p.cMsg, 3);
  EXPECT_EQ(p.xMsg, "Mensagem <fisco>");
  EXPECT_EQ(r.retCancNFe().cStat, 0);
  EXPECT_EQ(r.retCancNFe().nProt, "");
  EXPECT_EQ(r.procEventoNFe().Count(), 0);
}

// PL_010e: up to five messages in the protocol, all kept in order.
TEST(RetConsSitNFe, EveryMessageOfTheProtocolIsKeptInOrder) {
  const std::string prot = ProtNFe(kChave55, "151240000001234", "100", "Autorizado o uso da NF-e",
                                   "<cMsg>3</cMsg><xMsg>UM</xMsg><cMsg>4</cMsg><xMsg>DOIS &amp; TRES</xMsg>"
                                   "<cMsg>5</cMsg><xMsg>QUATRO</xMsg>");
  TRetConsSitNFe r;
  r.Leitor().SetArquivo(kDecl + Situacao("100", "Autorizado o uso da NF-e", prot));
  ASSERT_TRUE(r.LerResposta());
  EXPECT_EQ(Mensagens(r.protNFe()), (TPares{{3, "UM"}, {4, "DOIS & TRES"}, {5, "QUATRO"}}));
  // Read again, an answer without messages leaves none of the earlier ones.
  r.Leitor().SetArquivo(kDecl + Situacao("100", "Autorizado o uso da NF-e",
                                         ProtNFe(kChave55, "151240000001234", "100", "Autorizado o uso da NF-e")));
  ASSERT_TRUE(r.LerResposta());
  EXPECT_TRUE(r.protNFe().Mensagens().empty());
}

TEST(RetConsSitNFe, CancelledDocumentFillsProtocolAndCancellation) {
  const std::string canc =
      "<retCancNFe versao=\"4.00\"><infCanc Id=\"ID151240000004321\"><tpAmb>2</tpAmb><verAplic>SVRS-CANC</verAplic>"
      "<cStat>101</cStat><xMotivo>Cancelamento de NF-e homologado</xMotivo><cUF>51</cUF><chNFe>" +
      std::string(kChave55) +
      "</chNFe><dhRecbto>2024-01-11T14:00:05-04:00</dhRecbto><nProt>151240000004321</nProt></infCanc></retCancNFe>";
  TRetConsSitNFe r;
  r.Leitor().SetArquivo(Situacao("101", "Cancelamento de NF-e homologado",
                                 ProtNFe(kChave55, "151240000001234", "100", "Autorizado o uso da NF-e") + canc));
  ASSERT_TRUE(r.LerResposta());
  EXPECT_EQ(r.cStat, 101);
  EXPECT_EQ(r.protNFe().nProt, "151240000001234");
  EXPECT_EQ(r.protNFe().cStat, 100);
  const TRetCancNFe& c = r.retCancNFe();
  EXPECT_EQ(c.tpAmb, taHomologacao);
  EXPECT_EQ(c.verAplic, "SVRS-CANC");
  EXPECT_EQ(c.cStat, 101);
  EXPECT_EQ(c.xMotivo, "Cancelamento de NF-e homologado");
  EXPECT_EQ(c.cUF, 51);
  EXPECT_EQ(c.chNFe, kChave55);
  EXPECT_EQ(c.dhRecbto, EncodeDateTime(2024, 1, 11, 14, 0, 5));
  EXPECT_EQ(c.nProt, "151240000004321");
}

TEST(RetConsSitNFe, TwoProcessedEventsAreReadEachByItsOwnReader) {
  const std::string e1 = ProcEventoNFe(kChave55, "110110", "1", "151240000009001");
  const std::string e2 = ProcEventoNFe(kChave55, "110110", "2", "151240000009002");
  TRetConsSitNFe r;
  r.Leitor().SetArquivo(Situacao("100", "Autorizado o uso da NF-e",
                                 ProtNFe(kChave55, "151240000001234", "100", "Autorizado o uso da NF-e") + e1 + e2));
  ASSERT_TRUE(r.LerResposta());
  ASSERT_EQ(r.procEventoNFe().Count(), 2);
  for (int i = 0; i < 2; ++i) {
    TRetEventoNFe& ev = r.procEventoNFe()[i].RetEventoNFe();
    EXPECT_EQ(ev.XML, i == 0 ? e1 : e2);
    EXPECT_EQ(ev.Leitor().Arquivo(), ev.XML);
    EXPECT_EQ(ev.InfEvento().tpEvento(), teCCe);
    EXPECT_EQ(ev.InfEvento().nSeqEvento(), i + 1);
    EXPECT_EQ(ev.InfEvento().detEvento().xCorrecao(), "Corrige o endereco do destinatario");
    ASSERT_EQ(ev.retEvento().Count(), 1);
    EXPECT_EQ(ev.retEvento()[0].nProt, i == 0 ? "151240000009001" : "151240000009002");
    EXPECT_EQ(ev.retEvento()[0].cStat, 135);
  }
  // The answer's own date is not taken from an event or the protocol.
  EXPECT_EQ(r.dhRecbto, EncodeDateTime(2024, 1, 12, 8, 0, 0));
}

TEST(RetConsSitNFe, UnknownDocumentHasNoProtocolAndReadingAgainReplacesTheEvents) {
  TRetConsSitNFe r;
  r.Leitor().SetArquivo(Situacao("100", "Autorizado", ProtNFe(kChave55, "151240000001234", "100", "Autorizado")));
  ASSERT_TRUE(r.LerResposta());
  EXPECT_EQ(r.protNFe().nProt, "151240000001234");
  r.Leitor().SetArquivo(Situacao("217", "Rejeicao: NF-e nao consta na base de dados da SEFAZ",
                                 ProtNFe(kChave55, "151240000001234", "100", "Autorizado")));
  ASSERT_TRUE(r.LerResposta());
  EXPECT_EQ(r.cStat, 217);
  EXPECT_EQ(r.protNFe().XMLProt, "");
  EXPECT_EQ(r.protNFe().nProt, "");

  r.Leitor().SetArquivo(Situacao("100", "Autorizado", ProcEventoNFe(kChave55, "110110", "1", "151240000009001")));
  ASSERT_TRUE(r.LerResposta());
  ASSERT_TRUE(r.LerResposta());
  EXPECT_EQ(r.procEventoNFe().Count(), 1);
  // An authorised status without any protocol group leaves the protocol empty.
  EXPECT_EQ(r.protNFe().XMLProt, "");
  EXPECT_EQ(r.protNFe().cStat, 0);
}

// ---- Taxpayer registry -----------------------------------------------------------------------

TEST(RetConsCad, RegistrationIsReadFieldByFieldAndShortCNPJIsZeroFilled) {
  TRetConsCad r;
  r.Leitor().SetArquivo(kDecl + Cadastro("<IE>131234567</IE>", "111", kInfCad));
  ASSERT_TRUE(r.LerResposta());
  EXPECT_EQ(r.versao, "2.00");
  // Queried by IE: the registration's CNPJ is not the query's.
  EXPECT_EQ(r.CNPJ, "");
  EXPECT_EQ(r.CPF, "");
  EXPECT_EQ(r.verAplic, "SVRS-CAD");
  EXPECT_EQ(r.cStat, 111);
  EXPECT_EQ(r.xMotivo, "Consulta cadastro com uma ocorrencia");
  EXPECT_EQ(r.UF, "MT");
  EXPECT_EQ(r.IE, "131234567");
  EXPECT_EQ(r.dhCons, EncodeDateTime(2024, 1, 15, 10, 30, 45));
  EXPECT_EQ(r.cUF, 51);
  ASSERT_EQ(r.InfCad().Count(), 1);
  const TInfCadCollectionItem& c = r.InfCad()[0];
  EXPECT_EQ(c.IE, "131234567");
  EXPECT_EQ(c.CNPJ, "01222333000181");
  EXPECT_EQ(c.CPF, "");
  EXPECT_EQ(c.UF, "MT");
  EXPECT_EQ(c.cSit, 1);
  EXPECT_EQ(c.indCredNFe, 1);
  EXPECT_EQ(c.indCredCTe, 4);
  EXPECT_EQ(c.xNome, "Comercio de Pecas & Cia Ltda");
  EXPECT_EQ(c.xFant, "Pecas MT");
  EXPECT_EQ(c.xRegApur, "NORMAL");
  EXPECT_EQ(c.CNAE, 4530703);
  EXPECT_EQ(c.dIniAtiv, EncodeDate(2010, 3, 1));
  EXPECT_EQ(c.dUltSit, EncodeDate(2015, 6, 30));
  EXPECT_EQ(c.dBaixa, 0.0);
  EXPECT_EQ(c.IEUnica, "131234567");
  EXPECT_EQ(c.IEAtual, "131234567");
  EXPECT_EQ(c.xLgr, "Avenida Getulio Vargas");
  EXPECT_EQ(c.nro, "1500");
  EXPECT_EQ(c.xCpl, "Sala 2");
  EXPECT_EQ(c.xBairro, "Centro");
  EXPECT_EQ(c.cMun, 5103403);
  EXPECT_EQ(c.xMun, "Cuiaba");
  EXPECT_EQ(c.CEP, 78005000);
}

TEST(RetConsCad, QueryDocumentsAreTrimmedAndZeroFilled) {
  TRetConsCad cnpj;
  cnpj.Leitor().SetArquivo(Cadastro("<CNPJ> 1222333000181 </CNPJ>", "111", kInfCad));
  ASSERT_TRUE(cnpj.LerResposta());
  EXPECT_EQ(cnpj.CNPJ, "01222333000181");
  EXPECT_EQ(cnpj.IE, "");

  TRetConsCad cpf;
  cpf.Leitor().SetArquivo(Cadastro("<CPF>2345678909</CPF>", "111",
                                   "<infCad><IE>139999999</IE><CPF>345678909</CPF><UF>MT</UF><cSit>0</cSit>"
                                   "<indCredNFe>0</indCredNFe><indCredCTe>0</indCredCTe><xNome>Produtor</xNome></infCad>"));
  ASSERT_TRUE(cpf.LerResposta());
  EXPECT_EQ(cpf.CPF, "02345678909");
  EXPECT_EQ(cpf.CNPJ, "");
  ASSERT_EQ(cpf.InfCad().Count(), 1);
  EXPECT_EQ(cpf.InfCad()[0].CPF, "00345678909");
  EXPECT_EQ(cpf.InfCad()[0].CNPJ, "");
}

TEST(RetConsCad, WithoutRegistrationsOneEmptyItem) {
  TRetConsCad r;
  r.Leitor().SetArquivo(Cadastro("<CNPJ>11222333000181</CNPJ>", "259", ""));
  ASSERT_TRUE(r.LerResposta());
  EXPECT_EQ(r.cStat, 259);
  ASSERT_EQ(r.InfCad().Count(), 1);
  EXPECT_EQ(r.InfCad()[0].IE, "");
  EXPECT_EQ(r.InfCad()[0].CNPJ, "");
  EXPECT_EQ(r.InfCad()[0].cSit, 0);
  EXPECT_EQ(r.InfCad()[0].dIniAtiv, 0.0);
}

TEST(RetConsCad, SeveralRegistrationsKeepTheirOrder) {
  std::string dois = kInfCad + kInfCad;
  dois.replace(dois.rfind("131234567</IE>"), 9, "132222222");
  TRetConsCad r;
  r.Leitor().SetArquivo(Cadastro("<CNPJ>11222333000181</CNPJ>", "112", dois));
  ASSERT_TRUE(r.LerResposta());
  ASSERT_EQ(r.InfCad().Count(), 2);
  EXPECT_EQ(r.InfCad()[0].IE, "131234567");
  EXPECT_EQ(r.InfCad()[1].IE, "132222222");
}

// ---- Number voiding --------------------------------------------------------------------------

TEST(RetInutNFe, AnswerIsReadFieldByField) {
  TRetInutNFe r;
  r.Leitor().SetArquivo(kDecl + kInutilizacao);
  ASSERT_TRUE(r.LerResposta());
  EXPECT_EQ(r.Id, "");
  EXPECT_EQ(r.versao, "4.00");
  EXPECT_EQ(r.tpAmb, taHomologacao);
  EXPECT_EQ(r.verAplic, "SVRS202401");
  EXPECT_EQ(r.cStat, 102);
  EXPECT_EQ(r.xMotivo, "Inutilizacao de numero homologado");
  EXPECT_EQ(r.cUF, 51);
  EXPECT_EQ(r.ano, 24);
  EXPECT_EQ(r.CNPJ, "11222333000181");
  EXPECT_EQ(r.modelo, 55);
  EXPECT_EQ(r.serie, 1);
  EXPECT_EQ(r.nNFIni, 10);
  EXPECT_EQ(r.nNFFin, 20);
  EXPECT_EQ(r.dhRecbto, EncodeDateTime(2024, 1, 15, 10, 30, 45));
  EXPECT_EQ(r.nProt, "151240000000777");
  EXPECT_EQ(r.xJust, "");
}

TEST(RetInutNFe, ProcessedVoidingTakesIdAndJustificationFromTheRequest) {
  TRetInutNFe r;
  r.Leitor().SetArquivo(std::string("<procInutNFe versao=\"4.00\" ") + kNs + ">" + kPedidoInutilizacao +
                        kInutilizacao + "</procInutNFe>");
  ASSERT_TRUE(r.LerResposta());
  EXPECT_EQ(r.Id, "ID51241122233300018155001000000010000000020");
  EXPECT_EQ(r.cStat, 102);
  EXPECT_EQ(r.nProt, "151240000000777");
  EXPECT_EQ(r.xJust, "Numeracao pulada por falha no sistema");
}

TEST(RetInutNFe, RequestAloneIsReadFromItsInformationGroup) {
  TRetInutNFe r;
  r.Leitor().SetArquivo(kPedidoInutilizacao);
  ASSERT_TRUE(r.LerResposta());
  EXPECT_EQ(r.Id, "ID51241122233300018155001000000010000000020");
  EXPECT_EQ(r.cStat, 0);
  EXPECT_EQ(r.nNFIni, 10);
  EXPECT_EQ(r.nNFFin, 20);
  EXPECT_EQ(r.modelo, 55);
  EXPECT_EQ(r.xJust, "Numeracao pulada por falha no sistema");
}

// ---- CSC administration ----------------------------------------------------------------------

TEST(RetAdmCscNFCe, EveryCodeIsListed) {
  TRetAdmCSCNFCe r;
  r.Leitor().SetArquivo(Csc("<dadosCsc><idCsc>000001</idCsc><codigoCsc>A1B2C3D4E5F6</codigoCsc></dadosCsc>"
                            "<dadosCsc><idCsc>000002</idCsc><codigoCsc>Z9Y8X7W6V5U4</codigoCsc></dadosCsc>"));
  ASSERT_TRUE(r.LerResposta());
  EXPECT_EQ(r.versao, "1.00");
  EXPECT_EQ(r.tpAmb, taHomologacao);
  EXPECT_EQ(r.indOp, indOp1);
  EXPECT_EQ(r.cStat, 150);
  EXPECT_EQ(r.xMotivo, "Consulta de CSC realizada");
  ASSERT_EQ(r.dadosCsc().Count(), 2);
  EXPECT_EQ(r.dadosCsc()[0].idCsc, 1);
  EXPECT_EQ(r.dadosCsc()[0].codigoCsc, "A1B2C3D4E5F6");
  EXPECT_EQ(r.dadosCsc()[1].idCsc, 2);
  EXPECT_EQ(r.dadosCsc()[1].codigoCsc, "Z9Y8X7W6V5U4");
}

TEST(RetAdmCscNFCe, WithoutCodesOneEmptyItemAndOperationIsConverted) {
  TRetAdmCSCNFCe r;
  std::string texto = Csc("");
  texto.replace(texto.find("<indOp>1"), 8, "<indOp>3");
  r.Leitor().SetArquivo(texto);
  ASSERT_TRUE(r.LerResposta());
  EXPECT_EQ(r.indOp, indOp3);
  ASSERT_EQ(r.dadosCsc().Count(), 1);
  EXPECT_EQ(r.dadosCsc()[0].idCsc, 0);
  EXPECT_EQ(r.dadosCsc()[0].codigoCsc, "");
}
