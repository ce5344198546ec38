// `tuim resposta ler`: answers saved to files, read through the built program.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>

#include "tests/cli/TuimRun.h"
#include "tests/security/CertificadosTeste.h"

using tuim::testing::Linhas;
using tuim::testing::RunTuim;

namespace {

const std::string kDecl = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>";
const std::string kNs = "xmlns=\"http://www.portalfiscal.inf.br/nfe\"";
const std::string kChave = "51240111222333000181550010000001231123456784";

const std::string kResNFe = "<resNFe " + kNs + " versao=\"1.01\"><chNFe>" + kChave +
                            "</chNFe><CNPJ>11222333000181</CNPJ><xNome>Açúcar Cuiabá Ltda</xNome><IE>131234567</IE>"
                            "<dhEmi>2024-01-10T09:15:00-04:00</dhEmi><tpNF>1</tpNF><vNF>1520.35</vNF>"
                            "<digVal>q0d3lC2nLr9w4ZbNfK1s0tJQb6M=</digVal><dhRecbto>2024-01-10T09:16:02-04:00</dhRecbto>"
                            "<nProt>151240000001234</nProt><cSitNFe>1</cSitNFe></resNFe>";

const std::string kResEvento = "<resEvento " + kNs + " versao=\"1.01\"><cOrgao>51</cOrgao><CPF>12345678909</CPF><chNFe>" +
                               kChave +
                               "</chNFe><dhEvento>2024-01-11T14:00:00-04:00</dhEvento><tpEvento>110111</tpEvento>"
                               "<nSeqEvento>1</nSeqEvento><xEvento>Cancelamento</xEvento>"
                               "<dhRecbto>2024-01-11T14:00:05-04:00</dhRecbto><nProt>151240000005678</nProt></resEvento>";

// gzip and base64 tools make the docZip content: a witness independent of the program.
std::string GzipBase64(const std::string& nome, const std::string& documento) {
  const std::string arq = ArquivoTemporario(nome, documento);
  return Executar("gzip -9 -n -c '" + arq + "' | base64 -w0");
}

std::string Distribuicao(const std::string& lote) {
  return kDecl + "<retDistDFeInt " + kNs +
         " versao=\"1.01\"><tpAmb>1</tpAmb><verAplic>1.4.0</verAplic><cStat>138</cStat>"
         "<xMotivo>Documento localizado</xMotivo><dhResp>2024-01-12T08:30:00-03:00</dhResp>"
         "<ultNSU>000000000000002</ultNSU><maxNSU>000000000000002</maxNSU><loteDistDFeInt>" +
         lote + "</loteDistDFeInt></retDistDFeInt>";
}

// An authorization protocol with three messages of the authority (PL_010e).
std::string ProtocoloTresMensagens() {
  return "<protNFe versao=\"4.00\"><infProt><tpAmb>2</tpAmb><verAplic>SVRS</verAplic><chNFe>" + kChave +
         "</chNFe><dhRecbto>2024-01-10T09:16:02-04:00</dhRecbto><nProt>151240000001234</nProt><cStat>100</cStat>"
         "<xMotivo>Autorizado o uso da NF-e</xMotivo><cMsg>1</cMsg><xMsg>UM</xMsg><cMsg>2</cMsg><xMsg>DOIS</xMsg>"
         "<cMsg>3</cMsg><xMsg>TRÊS</xMsg></infProt></protNFe>";
}

std::string PastaNova(const std::string& nome) {
  std::string base = std::filesystem::path(ArquivoTemporario(nome + ".marca", "")).parent_path().string();
  return base + "/" + nome;
}

}  // namespace

TEST(RespostaCli, StatusAnswerPrintsOneLinePerProperty) {
  const std::string arq = ArquivoTemporario(
      "status.xml", kDecl + "<retConsStatServ versao=\"4.00\" " + kNs +
                        "><tpAmb>2</tpAmb><verAplic>SVRS202401</verAplic><cStat>107</cStat>"
                        "<xMotivo>Serviço em Operação</xMotivo><cUF>51</cUF>"
                        "<dhRecbto>2024-01-15T10:30:45-04:00</dhRecbto><tMed>1</tMed></retConsStatServ>");
  auto r = RunTuim({"resposta", "ler", "status", arq});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(r.out,
            "versao=4.00\ntpAmb=2\nverAplic=SVRS202401\ncStat=107\nxMotivo=Serviço em Operação\ncUF=51\n"
            "dhRecbto=2024-01-15T10:30:45\ntMed=1\ndhRetorno=\nxObs=\n");
}

TEST(RespostaCli, CscAnswerAsJson) {
  const std::string arq = ArquivoTemporario(
      "csc.xml", "<retAdmCscNFCe versao=\"1.00\" " + kNs +
                     "><tpAmb>2</tpAmb><indOp>1</indOp><cStat>150</cStat><xMotivo>Consulta realizada</xMotivo>"
                     "<dadosCsc><idCsc>000001</idCsc><codigoCsc>A1B2C3</codigoCsc></dadosCsc>"
                     "<dadosCsc><idCsc>000002</idCsc><codigoCsc>\"Z9\"</codigoCsc></dadosCsc></retAdmCscNFCe>");
  auto r = RunTuim({"resposta", "ler", "csc", arq, "--json"});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(r.out,
            "{\"versao\":\"1.00\",\"tpAmb\":\"2\",\"indOp\":\"1\",\"cStat\":150,\"xMotivo\":\"Consulta realizada\","
            "\"dadosCsc\":[{\"idCsc\":1,\"codigoCsc\":\"A1B2C3\"},{\"idCsc\":2,\"codigoCsc\":\"\\\"Z9\\\"\"}]}\n");
}

TEST(RespostaCli, ReceiptAnswerNumbersItsProtocols) {
  auto prot = [](const std::string& nProt, const std::string& cStat) {
    return "<protNFe versao=\"4.00\"><infProt><tpAmb>2</tpAmb><verAplic>SVRS</verAplic><chNFe>" + kChave +
           "</chNFe><dhRecbto>2024-01-10T09:16:02-04:00</dhRecbto><nProt>" + nProt + "</nProt><cStat>" + cStat +
           "</cStat><xMotivo>Motivo " + cStat + "</xMotivo></infProt></protNFe>";
  };
  const std::string arq = ArquivoTemporario(
      "recibo.xml", "<retConsReciNFe versao=\"4.00\" " + kNs +
                        "><tpAmb>2</tpAmb><verAplic>SVRS</verAplic><nRec>511000012345678</nRec><cStat>104</cStat>"
                        "<xMotivo>Lote processado</xMotivo><cUF>51</cUF>" +
                        prot("151240000000001", "100") + prot("", "539") + "</retConsReciNFe>");
  auto r = RunTuim({"resposta", "ler", "recibo", arq});
  ASSERT_EQ(r.code, 0) << r.err;
  auto l = Linhas(r.out);
  EXPECT_NE(std::find(l.begin(), l.end(), "nRec=511000012345678"), l.end());
  EXPECT_NE(std::find(l.begin(), l.end(), "ProtDFe[1].nProt=151240000000001"), l.end());
  EXPECT_NE(std::find(l.begin(), l.end(), "ProtDFe[1].dhRecbto=2024-01-10T09:16:02"), l.end());
  EXPECT_NE(std::find(l.begin(), l.end(), "ProtDFe[2].cStat=539"), l.end());
  EXPECT_NE(std::find(l.begin(), l.end(), "ProtDFe[2].nProt="), l.end());
  EXPECT_EQ(std::find(l.begin(), l.end(), "ProtDFe[3].cStat=539"), l.end());
}

TEST(RespostaCli, ReceiptAnswerListsEveryMessageOfEachProtocol) {
  const std::string arq = ArquivoTemporario(
      "recibo-msg.xml",
      kDecl + "<retConsReciNFe versao=\"4.00\" " + kNs +
          "><tpAmb>2</tpAmb><verAplic>SVRS</verAplic><nRec>511000012345678</nRec><cStat>104</cStat>"
          "<xMotivo>Lote processado</xMotivo><cUF>51</cUF>" + ProtocoloTresMensagens() + "</retConsReciNFe>");
  auto r = RunTuim({"resposta", "ler", "recibo", arq});
  ASSERT_EQ(r.code, 0) << r.err;
  auto l = Linhas(r.out);
  EXPECT_NE(std::find(l.begin(), l.end(), "ProtDFe[1].cMsg=1"), l.end()) << r.out;
  EXPECT_NE(std::find(l.begin(), l.end(), "ProtDFe[1].xMsg=UM"), l.end()) << r.out;
  EXPECT_NE(std::find(l.begin(), l.end(), "ProtDFe[1].MsgAdicionais[1].cMsg=2"), l.end()) << r.out;
  EXPECT_NE(std::find(l.begin(), l.end(), "ProtDFe[1].MsgAdicionais[1].xMsg=DOIS"), l.end()) << r.out;
  EXPECT_NE(std::find(l.begin(), l.end(), "ProtDFe[1].MsgAdicionais[2].xMsg=TRÊS"), l.end()) << r.out;
  auto j = RunTuim({"resposta", "ler", "recibo", arq, "--json"});
  ASSERT_EQ(j.code, 0) << j.err;
  EXPECT_NE(j.out.find("\"cMsg\":1,\"xMsg\":\"UM\",\"MsgAdicionais\":[{\"cMsg\":2,\"xMsg\":\"DOIS\"},"
                       "{\"cMsg\":3,\"xMsg\":\"TRÊS\"}]"),
            std::string::npos)
      << j.out;
}

TEST(RespostaCli, SituationAnswerListsTheProtocolMessagesAfterTheFirst) {
  const std::string arq = ArquivoTemporario(
      "situacao-msg.xml",
      kDecl + "<retConsSitNFe versao=\"4.00\" " + kNs +
          "><tpAmb>2</tpAmb><verAplic>SVRS</verAplic><cStat>100</cStat><xMotivo>Autorizado o uso da NF-e</xMotivo>"
          "<cUF>51</cUF><dhRecbto>2024-01-12T08:00:00-04:00</dhRecbto><chNFe>" + kChave + "</chNFe>" +
          ProtocoloTresMensagens() + "</retConsSitNFe>");
  auto r = RunTuim({"resposta", "ler", "situacao", arq});
  ASSERT_EQ(r.code, 0) << r.err;
  auto l = Linhas(r.out);
  EXPECT_NE(std::find(l.begin(), l.end(), "protNFe.xMsg=UM"), l.end()) << r.out;
  EXPECT_NE(std::find(l.begin(), l.end(), "protNFe.MsgAdicionais[1].cMsg=2"), l.end()) << r.out;
  EXPECT_NE(std::find(l.begin(), l.end(), "protNFe.MsgAdicionais[2].xMsg=TRÊS"), l.end()) << r.out;
}

TEST(RespostaCli, DistributionExtractsEachDocumentAsUTF8) {
  const std::string zip1 = GzipBase64("res.xml", kResNFe), zip2 = GzipBase64("ev.xml", kResEvento);
  ASSERT_FALSE(zip1.empty());
  const std::string arq = ArquivoTemporario(
      "dist.xml", Distribuicao("<docZip NSU=\"000000000000001\" schema=\"resNFe_v1.01.xsd\">" + zip1 +
                               "</docZip><docZip NSU=\"000000000000002\" schema=\"resEvento_v1.01.xsd\">" + zip2 +
                               "</docZip>"));
  const std::string pasta = PastaNova("extraidos");
  auto r = RunTuim({"resposta", "ler", "distribuicao", arq, "--extrair", pasta});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(LerArquivoTeste(pasta + "/000000000000001-resNFe.xml"), kDecl + kResNFe);
  EXPECT_EQ(LerArquivoTeste(pasta + "/000000000000002-resEvento.xml"), kDecl + kResEvento);
  auto l = Linhas(r.out);
  EXPECT_NE(std::find(l.begin(), l.end(), "docZip[1].resDFe.xNome=Açúcar Cuiabá Ltda"), l.end());
  EXPECT_NE(std::find(l.begin(), l.end(), "docZip[1].resDFe.vNF=1520.35"), l.end());
  EXPECT_NE(std::find(l.begin(), l.end(), "docZip[1].Arquivo=" + pasta + "/000000000000001-resNFe.xml"), l.end());
  EXPECT_NE(std::find(l.begin(), l.end(), "docZip[2].schema=resEvento"), l.end());
  EXPECT_NE(std::find(l.begin(), l.end(), "docZip[2].resEvento.tpEvento=110111"), l.end());
  EXPECT_NE(std::find(l.begin(), l.end(), "docZip[2].resEvento.CNPJCPF=12345678909"), l.end());
  EXPECT_NE(std::find(l.begin(), l.end(), "ultNSU=000000000000002"), l.end());

  auto j = RunTuim({"resposta", "ler", "distribuicao", arq, "--json"});
  ASSERT_EQ(j.code, 0) << j.err;
  EXPECT_NE(j.out.find("\"docZip\":[{\"NSU\":\"000000000000001\",\"schema\":\"resNFe\",\"resDFe\":{\"chDFe\":\"" +
                       kChave + "\""),
            std::string::npos);
  EXPECT_NE(j.out.find("\"vNF\":1520.35,"), std::string::npos);
}

TEST(RespostaCli, ExtractedNamesComeFromTheNSUDigitsOnly) {
  const std::string arq = ArquivoTemporario(
      "dist-nsu.xml", Distribuicao("<docZip NSU=\"../../fora\" schema=\"resNFe_v1.01.xsd\">" +
                                   GzipBase64("res2.xml", kResNFe) + "</docZip>"));
  const std::string pasta = PastaNova("extraidos-nsu");
  auto r = RunTuim({"resposta", "ler", "distribuicao", arq, "--extrair", pasta});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(LerArquivoTeste(pasta + "/1-resNFe.xml"), kDecl + kResNFe);
  EXPECT_FALSE(std::filesystem::exists(std::filesystem::path(pasta).parent_path().parent_path() / "fora-resNFe.xml"));
}

TEST(RespostaCli, CorruptDocZipIsReportedWithExitOne) {
  std::string zip = GzipBase64("res3.xml", kResNFe);
  const std::string truncado = zip.substr(0, zip.size() / 2 / 4 * 4);
  const std::string arq = ArquivoTemporario(
      "dist-ruim.xml", Distribuicao("<docZip NSU=\"5\" schema=\"resNFe_v1.01.xsd\">" + truncado + "</docZip>"));
  auto r = RunTuim({"resposta", "ler", "distribuicao", arq});
  EXPECT_EQ(r.code, 1);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err, "tuim: Falha ao descompactar o docZip: dados incompletos\n");

  const std::string arq2 = ArquivoTemporario(
      "dist-b64.xml", Distribuicao("<docZip NSU=\"6\" schema=\"resNFe_v1.01.xsd\">não é base64</docZip>"));
  r = RunTuim({"resposta", "ler", "distribuicao", arq2});
  EXPECT_EQ(r.code, 1);
  EXPECT_EQ(r.err, "tuim: Conteúdo Base64 inválido no docZip de NSU 6\n");
}

TEST(RespostaCli, AnswerOfAnotherKindIsRefused) {
  const std::string arq = ArquivoTemporario("outra.xml", "<retConsStatServ versao=\"4.00\"><cStat>107</cStat></retConsStatServ>");
  for (const char* tipo : {"envio", "recibo", "situacao", "cadastro", "inutilizacao", "distribuicao", "csc"}) {
    auto r = RunTuim({"resposta", "ler", tipo, arq});
    EXPECT_EQ(r.code, 1) << tipo;
    EXPECT_EQ(r.err, "tuim: " + arq + " não é uma resposta de " + tipo + " legível\n");
  }
}

TEST(RespostaCli, UsageErrors) {
  const std::string arq = ArquivoTemporario("uso.xml", "<retConsStatServ><cStat>107</cStat></retConsStatServ>");
  EXPECT_EQ(RunTuim({"resposta", "ler", "status"}).code, 2);
  EXPECT_EQ(RunTuim({"resposta", "ler", "outro", arq}).code, 2);
  EXPECT_EQ(RunTuim({"resposta", "ler", "status", "/nao/existe.xml"}).code, 2);
  EXPECT_EQ(RunTuim({"resposta", "ler", "status", arq, "--xyz", "1"}).code, 2);
  auto e = RunTuim({"resposta", "ler", "status", arq, "--extrair", "/tmp"});
  EXPECT_EQ(e.code, 2);
  EXPECT_EQ(e.err, "tuim: --extrair vale só para distribuicao\n");
  auto h = RunTuim({"resposta", "ler", "--help"});
  EXPECT_EQ(h.code, 0);
  EXPECT_NE(h.out.find("tuim resposta ler TIPO ARQUIVO [--json] [--extrair PASTA]"), std::string::npos);
}
