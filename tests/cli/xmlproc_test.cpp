// `tuim xml proc`: the processed form from the files a user has at hand.
#include <gtest/gtest.h>

#include <string>

#include "tests/cli/TuimRun.h"
#include "tests/security/CertificadosTeste.h"

using tuim::testing::RunTuim;

namespace {

const std::string kChave = "35240511222333000181650010000000011123456785";
const std::string kOutra = "35240511222333000181650010000000021123456781";
const std::string kDecl = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>";
const std::string kNFe = "<NFe xmlns=\"http://www.portalfiscal.inf.br/nfe\"><infNFe versao=\"4.00\" Id=\"NFe" + kChave +
                         "\"><ide><natOp>VENDA DE MERCADORIA ÇÃO</natOp></ide></infNFe>"
                         "<Signature xmlns=\"http://www.w3.org/2000/09/xmldsig#\"><SignedInfo/>"
                         "<SignatureValue>AA==</SignatureValue></Signature></NFe>";

std::string Prot(const std::string& chave, const std::string& nProt) {
  return "<protNFe versao=\"4.00\"><infProt><tpAmb>2</tpAmb><verAplic>SP</verAplic><chNFe>" + chave +
         "</chNFe><dhRecbto>2024-05-10T10:20:35-03:00</dhRecbto><nProt>" + nProt +
         "</nProt><cStat>100</cStat><xMotivo>Autorizado o uso da NF-e</xMotivo></infProt></protNFe>";
}

std::string Proc(const std::string& prot) {
  return kDecl + "<nfeProc versao=\"4.00\" xmlns=\"http://www.portalfiscal.inf.br/nfe\">" + kNFe + prot + "</nfeProc>";
}

}  // namespace

TEST(XmlProcCli, ProtocolFileIsJoinedByteForByte) {
  std::string nfe = ArquivoTemporario("proc-nfe.xml", kDecl + kNFe);
  std::string prot = ArquivoTemporario("proc-prot.xml", kDecl + "\n" + Prot(kChave, "135240000000001") + "\n");
  std::string out = nfe + ".proc.xml";
  auto r = RunTuim({"xml", "proc", nfe, prot, out});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(r.out, "OK\n");
  EXPECT_EQ(LerArquivoTeste(out), Proc(Prot(kChave, "135240000000001")));
}

TEST(XmlProcCli, ReceiptAnswerGivesTheProtocolOfTheDocumentsKey) {
  std::string nfe = ArquivoTemporario("proc-nfe2.xml", kDecl + kNFe);
  std::string reci = ArquivoTemporario(
      "proc-reci.xml", kDecl + "<retConsReciNFe versao=\"4.00\" xmlns=\"http://www.portalfiscal.inf.br/nfe\">"
                               "<cStat>104</cStat>" + Prot(kOutra, "135240000000011") +
                               Prot(kChave, "135240000000022") + "</retConsReciNFe>");
  std::string out = nfe + ".proc.xml";
  auto r = RunTuim({"xml", "proc", nfe, reci, out});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(LerArquivoTeste(out), Proc(Prot(kChave, "135240000000022")));
}

TEST(XmlProcCli, SituationAnswerIsRebuiltIntoAProtocol) {
  std::string nfe = ArquivoTemporario("proc-nfe3.xml", kNFe);
  std::string sit = ArquivoTemporario(
      "proc-sit.xml", "<retConsSitNFe versao=\"4.00\"><tpAmb>2</tpAmb><verAplic>SP</verAplic><cStat>100</cStat>"
                      "<xMotivo>Autorizado o uso da NF-e</xMotivo><chNFe>" + kChave + "</chNFe>" +
                          Prot(kChave, "135240000000001") + "</retConsSitNFe>");
  std::string out = nfe + ".proc.xml";
  auto r = RunTuim({"xml", "proc", nfe, sit, out});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(LerArquivoTeste(out),
            Proc("<protNFe versao=\"4.00\"><infProt Id=\"ID135240000000001\"><tpAmb>2</tpAmb><verAplic>SP</verAplic>"
                 "<chNFe>" + kChave + "</chNFe><dhRecbto>2024-05-10T10:20:35-03:00</dhRecbto>"
                 "<nProt>135240000000001</nProt><cStat>100</cStat><xMotivo>Autorizado o uso da NF-e</xMotivo>"
                 "</infProt></protNFe>"));
}

TEST(XmlProcCli, RefusesAProtocolOfAnotherDocument) {
  std::string nfe = ArquivoTemporario("proc-nfe4.xml", kNFe);
  std::string prot = ArquivoTemporario("proc-prot4.xml", Prot(kOutra, "135240000000001"));
  std::string out = nfe + ".proc.xml";
  auto r = RunTuim({"xml", "proc", nfe, prot, out});
  EXPECT_EQ(r.code, 1);
  EXPECT_EQ(r.err, "TAG: ID:XR01/chNFe(Numero da chave da NFe) - Conteúdo inválido.\n");
  EXPECT_EQ(LerArquivoTeste(out), "");
}

TEST(XmlProcCli, ReportsTheMissingProtocolAndSignature) {
  std::string semAssinatura = kNFe.substr(0, kNFe.find("<Signature")) + "</NFe>";
  std::string nfe = ArquivoTemporario("proc-nfe5.xml", semAssinatura);
  std::string prot = ArquivoTemporario("proc-prot5.xml", Prot(kChave, "135240000000001"));
  auto r = RunTuim({"xml", "proc", nfe, prot, nfe + ".o"});
  EXPECT_EQ(r.code, 1);
  EXPECT_EQ(r.err, "TAG: ID:XR05/Signature(Assinatura) - Nenhum valor informado.\n");

  std::string reci = ArquivoTemporario("proc-reci5.xml", "<retConsReciNFe><cStat>104</cStat>" +
                                                             Prot(kOutra, "135240000000011") + "</retConsReciNFe>");
  r = RunTuim({"xml", "proc", ArquivoTemporario("proc-nfe6.xml", kNFe), reci, nfe + ".o"});
  EXPECT_EQ(r.code, 1);
  EXPECT_EQ(r.err, "TAG: ID:XR01/PROTOCOLO/NFe(Numero do protocolo) - Nenhum valor informado.\n");
}

TEST(XmlProcCli, UsageErrors) {
  std::string nfe = ArquivoTemporario("proc-nfe7.xml", kNFe);
  EXPECT_EQ(RunTuim({"xml", "proc", nfe}).code, 2);
  EXPECT_EQ(RunTuim({"xml", "proc", nfe, "/nao/existe.xml", nfe + ".o"}).code, 2);
  EXPECT_EQ(RunTuim({"xml", "proc", nfe, nfe, nfe + ".o", "--xyz", "1"}).code, 2);
  auto h = RunTuim({"xml", "proc", "--help"});
  EXPECT_EQ(h.code, 0);
  EXPECT_NE(h.out.find("tuim xml proc NFE RESPOSTA SAIDA"), std::string::npos);
}
