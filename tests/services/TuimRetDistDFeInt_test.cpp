// Answers of the distribution service: documents compressed with gzip or zlib, in Base64.
#include <gtest/gtest.h>

#include <string>

#include "fiscal/TuimDateTime.h"
#include "fiscal/TuimException.h"
#include "services/MensagensTeste.h"
#include "testing/RespostasTeste.h"
#include "services/TuimRetDistDFeInt.h"

using namespace tuim;
using namespace tuim::teste;

namespace {

const std::string kDeclUTF8 = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>";

// The message of the exception LerResposta lets through; empty when it returns.
std::string FalhaDeLeitura(const std::string& resposta) {
  TRetDistDFeInt r;
  r.Leitor().SetArquivo(resposta);
  try {
    r.LerResposta();
  } catch (const ETuimDFeException& e) {
    return e.what();
  }
  return "";
}

}  // namespace

TEST(DistDFeSamples, DocumentsAndAnswerAreValidAgainstTheirSchemas) {
  EXPECT_EQ(ErrosSchema(kDeclUTF8 + ResNFe(kChave55, "Empresa"), "resNFe_v1.01.xsd"), "");
  EXPECT_EQ(ErrosSchema(kDeclUTF8 + ResEvento(kChave55), "resEvento_v1.01.xsd"), "");
  EXPECT_EQ(ErrosSchema(kDeclUTF8 + LoteDistribuicao(4, kChave55), "retDistDFeInt_v1.01.xsd"), "");
}

TEST(RetDistDFeInt, HeaderIsReadAndTheWholeAnswerKept) {
  const std::string resposta = RetDistDFeInt({}, "137");
  TRetDistDFeInt r;
  r.Leitor().SetArquivo(resposta);
  ASSERT_TRUE(r.LerResposta());
  EXPECT_EQ(r.XML, resposta);
  EXPECT_EQ(r.versao, "1.01");
  EXPECT_EQ(r.tpAmb, taProducao);
  EXPECT_EQ(r.verAplic, "1.4.0");
  EXPECT_EQ(r.cStat, 137);
  EXPECT_EQ(r.xMotivo, "Documento localizado");
  EXPECT_EQ(r.dhResp, EncodeDateTime(2024, 1, 12, 8, 30, 0));
  EXPECT_EQ(r.ultNSU, "000000000000050");
  EXPECT_EQ(r.maxNSU, "000000000000099");
  EXPECT_EQ(r.docZip().Count(), 0);
}

TEST(RetDistDFeInt, WrongRootGivesFalse) {
  TRetDistDFeInt r;
  r.Leitor().SetArquivo("<retConsSitNFe versao=\"4.00\"><cStat>138</cStat></retConsSitNFe>");
  EXPECT_FALSE(r.LerResposta());
  EXPECT_EQ(r.cStat, 0);
  EXPECT_EQ(r.docZip().Count(), 0);
}

TEST(RetDistDFeInt, GzipSummaryFillsResDFeAndGetsTheUTF8Declaration) {
  const std::string doc = ResNFe(kChave55, "Com&#233;rcio &amp; Ind&#250;stria S&#227;o Jo&#227;o");
  const std::string zip = InfZip(doc);
  TRetDistDFeInt r;
  r.Leitor().SetArquivo(RetDistDFeInt({DocZip("000000000000049", "resNFe_v1.01.xsd", zip)}));
  ASSERT_TRUE(r.LerResposta());
  ASSERT_EQ(r.docZip().Count(), 1);
  const TdocZipCollectionItem& d = r.docZip()[0];
  EXPECT_EQ(d.NSU, "000000000000049");
  EXPECT_EQ(d.schema, schresNFe);
  EXPECT_EQ(d.InfZip, zip);
  EXPECT_EQ(d.XML, kDeclUTF8 + doc);
  const TresDFe& s = d.resDFe();
  EXPECT_EQ(s.chDFe, kChave55);
  EXPECT_EQ(s.CNPJCPF, "11222333000181");
  EXPECT_EQ(s.xNome, "Com\xE9rcio & Ind\xFAstria S\xE3o Jo\xE3o");
  EXPECT_EQ(s.IE, "131234567");
  EXPECT_EQ(s.dhEmi, EncodeDateTime(2024, 1, 10, 9, 15, 0));
  EXPECT_EQ(s.tpNF, tpNF1);
  EXPECT_EQ(s.vNF, TCurrency::FromRaw(15203500));
  EXPECT_EQ(s.digVal, "q0d3lC2nLr9w4ZbNfK1s0tJQb6M=");
  EXPECT_EQ(s.dhRecbto, EncodeDateTime(2024, 1, 10, 9, 16, 2));
  EXPECT_EQ(s.nProt, "151240000001234");
  EXPECT_EQ(s.cSitNFe, cSitNFe1);
}

TEST(RetDistDFeInt, AccentedUTF8DocumentBecomesWindows1252) {
  // The document as the authority compresses it: UTF-8 bytes, here with its own declaration.
  const std::string utf8 = kDeclUTF8 + ResNFe(kChave55, "A\xC3\xA7\xC3\xBA" "car Cuiab\xC3\xA1", "3");
  const std::string zip = CodificarBase64(Compactar(utf8));
  TRetDistDFeInt r;
  r.Leitor().SetArquivo(RetDistDFeInt({DocZip("1", "resNFe_v1.01.xsd", zip)}));
  ASSERT_TRUE(r.LerResposta());
  const TdocZipCollectionItem& d = r.docZip()[0];
  EXPECT_EQ(d.resDFe().xNome, "A\xE7\xFA" "car Cuiab\xE1");
  EXPECT_EQ(d.resDFe().cSitNFe, cSitNFe3);
  EXPECT_EQ(d.XML.rfind(kDeclUTF8 + "<resNFe ", 0), 0u);
  EXPECT_EQ(d.XML.find("<?xml", 1), std::string::npos);
}

TEST(RetDistDFeInt, GzipMadeByTheGzipToolIsRead) {
  const std::string arq = ArquivoTemporario("resEvento.xml", ResEvento(kChave55));
  const std::string zip = Executar("gzip -9 -c '" + arq + "' | base64 -w0");
  ASSERT_FALSE(zip.empty());
  TRetDistDFeInt r;
  r.Leitor().SetArquivo(RetDistDFeInt({DocZip("7", "resEvento_v1.01.xsd", zip)}));
  ASSERT_TRUE(r.LerResposta());
  const TresEvento& e = r.docZip()[0].resEvento();
  EXPECT_EQ(r.docZip()[0].schema, schresEvento);
  EXPECT_EQ(e.cOrgao, 51);
  EXPECT_EQ(e.CNPJCPF, "12345678909");
  EXPECT_EQ(e.chDFe, kChave55);
  EXPECT_EQ(e.dhEvento, EncodeDateTime(2024, 1, 11, 14, 0, 0));
  EXPECT_EQ(e.tpEvento, teCancelamento);
  EXPECT_EQ(e.nSeqEvento, 1);
  EXPECT_EQ(e.xEvento, "Cancelamento");
  EXPECT_EQ(e.dhRecbto, EncodeDateTime(2024, 1, 11, 14, 0, 5));
  EXPECT_EQ(e.nProt, "151240000005678");
  EXPECT_EQ(r.docZip()[0].XML, kDeclUTF8 + ResEvento(kChave55));
}

TEST(RetDistDFeInt, ZlibStreamIsInflatedToo) {
  TRetDistDFeInt r;
  r.Leitor().SetArquivo(RetDistDFeInt({DocZip("8", "resNFe_v1.01.xsd", InfZip(ResNFe(kChave55, "Zlib"), false))}));
  ASSERT_TRUE(r.LerResposta());
  EXPECT_EQ(r.docZip()[0].resDFe().xNome, "Zlib");
}

TEST(RetDistDFeInt, FullDocumentFillsTheSummaryFromIssuerIdentificationTotalsAndProtocol) {
  const std::string doc = NFeProc(kChave55, "Emitente Pessoa F&#237;sica");
  TRetDistDFeInt r;
  r.Leitor().SetArquivo(RetDistDFeInt({DocZip("9", "procNFe_v4.00.xsd", InfZip(doc))}));
  ASSERT_TRUE(r.LerResposta());
  const TdocZipCollectionItem& d = r.docZip()[0];
  EXPECT_EQ(d.schema, schprocNFe);
  EXPECT_EQ(d.XML, kDeclUTF8 + doc);
  const TresDFe& s = d.resDFe();
  EXPECT_EQ(s.chDFe, kChave55);
  EXPECT_EQ(s.CNPJCPF, "12345678909");  // the issuer's, not the recipient's CNPJ
  EXPECT_EQ(s.xNome, "Emitente Pessoa F\xEDsica");
  EXPECT_EQ(s.IE, "131234567");
  EXPECT_EQ(s.dhEmi, EncodeDateTime(2024, 1, 10, 9, 15, 0));
  EXPECT_EQ(s.tpNF, tpNF0);
  EXPECT_EQ(s.vNF, TCurrency::FromRaw(999000));
  EXPECT_EQ(s.digVal, "q0d3lC2nLr9w4ZbNfK1s0tJQb6M=");
  EXPECT_EQ(s.dhRecbto, EncodeDateTime(2024, 1, 10, 9, 16, 2));
  EXPECT_EQ(s.nProt, "151240000001234");
  EXPECT_EQ(s.cSitNFe, cSitNFe3);  // 101: cancelled
}

struct CasoSituacao {
  const char* cStat;
  TfscCSitNFe esperado;
};
class ProtocolStatus : public ::testing::TestWithParam<CasoSituacao> {};

TEST_P(ProtocolStatus, SetsTheSituationOfAFullDocument) {
  std::string doc = NFeProc(kChave55, "X");
  doc.replace(doc.find("<cStat>101"), 10, std::string("<cStat>") + GetParam().cStat);
  TRetDistDFeInt r;
  r.Leitor().SetArquivo(RetDistDFeInt({DocZip("9", "procNFe_v4.00.xsd", InfZip(doc))}));
  ASSERT_TRUE(r.LerResposta());
  EXPECT_EQ(r.docZip()[0].resDFe().cSitNFe, GetParam().esperado);
}

INSTANTIATE_TEST_SUITE_P(Distribuicao, ProtocolStatus,
                         ::testing::Values(CasoSituacao{"100", cSitNFe1}, CasoSituacao{"110", cSitNFe2},
                                           CasoSituacao{"101", cSitNFe3}, CasoSituacao{"132", cSitNFe4}));

TEST(RetDistDFeInt, OldLayoutDocumentTakesTheDateOfIssue) {
  std::string doc = NFeProc(kChave55, "X");
  doc.replace(doc.find("<dhEmi>"), std::string("<dhEmi>2024-01-10T09:15:00-04:00</dhEmi>").size(),
              "<dEmi>2009-05-04</dEmi>");
  TRetDistDFeInt r;
  r.Leitor().SetArquivo(RetDistDFeInt({DocZip("9", "procNFe_v2.00.xsd", InfZip(doc))}));
  ASSERT_TRUE(r.LerResposta());
  EXPECT_EQ(r.docZip()[0].resDFe().dhEmi, EncodeDate(2009, 5, 4));
}

TEST(RetDistDFeInt, ProcessedEventFillsEventDetailAndRegistration) {
  const std::string doc = ProcEventoNFe(kChave55);
  TRetDistDFeInt r;
  r.Leitor().SetArquivo(RetDistDFeInt({DocZip("10", "procEventoNFe_v1.00.xsd", InfZip(doc))}));
  ASSERT_TRUE(r.LerResposta());
  const TdocZipCollectionItem& d = r.docZip()[0];
  EXPECT_EQ(d.schema, schprocEventoNFe);
  EXPECT_EQ(d.XML, kDeclUTF8 + doc);
  const TprocEvento& e = d.procEvento();
  EXPECT_EQ(e.Id, std::string("ID110111") + kChave55 + "01");
  EXPECT_EQ(e.cOrgao, 51);
  EXPECT_EQ(e.tpAmb, taProducao);
  EXPECT_EQ(e.CNPJ, "11222333000181");
  EXPECT_EQ(e.chDFe, kChave55);
  EXPECT_EQ(e.dhEvento, EncodeDateTime(2024, 1, 11, 14, 0, 0));
  EXPECT_EQ(e.tpEvento, teCancelamento);
  EXPECT_EQ(e.nSeqEvento, 1);
  EXPECT_EQ(e.verEvento, "1.00");
  EXPECT_EQ(e.detEvento().versao, "1.00");
  EXPECT_EQ(e.detEvento().descEvento, "Cancelamento");
  EXPECT_EQ(e.detEvento().nProt, "151240000001234");
  // Escaped twice by the issuer: the leftover entity is decoded too.
  EXPECT_EQ(e.detEvento().xJust, "Erro na digitacao do valor & do cliente");
  EXPECT_EQ(e.detEvento().xCorrecao, "");
  EXPECT_EQ(e.detEvento().CTe().chCTe, "");
  EXPECT_EQ(e.detEvento().emit().CNPJ, "");
  const TprocEvento_RetInfEvento& ret = e.RetinfEvento();
  EXPECT_EQ(ret.Id, "ID151240000005678");
  EXPECT_EQ(ret.tpAmb, taProducao);
  EXPECT_EQ(ret.verAplic, "SVRS202401");
  EXPECT_EQ(ret.cOrgao, 51);
  EXPECT_EQ(ret.cStat, 135);
  EXPECT_EQ(ret.xMotivo, "Evento registrado e vinculado a NF-e");
  EXPECT_EQ(ret.chDFe, kChave55);
  EXPECT_EQ(ret.tpEvento, teCancelamento);
  EXPECT_EQ(ret.xEvento, "Cancelamento registrado");
  EXPECT_EQ(ret.nSeqEvento, 1);
  EXPECT_EQ(ret.CNPJDest, "99888777000166");
  EXPECT_EQ(ret.dhRegEvento, EncodeDateTime(2024, 1, 11, 14, 0, 5));
  EXPECT_EQ(ret.nProt, "151240000005678");
}

TEST(RetDistDFeInt, EventNamingACTeReadsTheCTeAndTheIssuer) {
  const std::string doc =
      std::string("<procEventoNFe versao=\"1.00\"><evento versao=\"1.00\"><infEvento Id=\"ID610600") + kChave55 +
      "01\"><cOrgao>91</cOrgao><tpAmb>1</tpAmb><CNPJ>03502099000118</CNPJ><chNFe>" + kChave55 +
      "</chNFe><dhEvento>2024-02-01T10:00:00-03:00</dhEvento><tpEvento>610600</tpEvento><nSeqEvento>1</nSeqEvento>"
      "<verEvento>1.00</verEvento><detEvento versao=\"1.00\"><descEvento>CT-e Autorizado</descEvento>"
      "<CTe><chCTe>51240203502099000118570010000001231000001234</chCTe><modal>01</modal>"
      "<dhEmi>2024-02-01T09:00:00-03:00</dhEmi><nProt>151240000077777</nProt>"
      "<dhRecbto>2024-02-01T09:01:00-03:00</dhRecbto></CTe><emit><CNPJ>03502099000118</CNPJ><IE>131111111</IE>"
      "<xNome>Transportes &amp;amp; Log</xNome></emit></detEvento></infEvento></evento></procEventoNFe>";
  TRetDistDFeInt r;
  r.Leitor().SetArquivo(RetDistDFeInt({DocZip("11", "procEventoNFe_v1.00.xsd", InfZip(doc))}));
  ASSERT_TRUE(r.LerResposta());
  const TprocEvento& e = r.docZip()[0].procEvento();
  EXPECT_EQ(e.tpEvento, teRegistroCTe);
  EXPECT_EQ(e.CNPJ, "03502099000118");
  const TDetEventoCTe& c = e.detEvento().CTe();
  EXPECT_EQ(c.chCTe, "51240203502099000118570010000001231000001234");
  EXPECT_EQ(c.modal, modal01);
  EXPECT_EQ(c.dhEmi, EncodeDateTime(2024, 2, 1, 9, 0, 0));
  EXPECT_EQ(c.nProt, "151240000077777");
  EXPECT_EQ(c.dhRecbto, EncodeDateTime(2024, 2, 1, 9, 1, 0));
  EXPECT_EQ(e.detEvento().emit().CNPJ, "03502099000118");
  EXPECT_EQ(e.detEvento().emit().IE, "131111111");
  EXPECT_EQ(e.detEvento().emit().xNome, "Transportes & Log");
  EXPECT_EQ(e.detEvento().nProt, "");  // the CT-e's protocol is not the event's
  EXPECT_EQ(e.RetinfEvento().cStat, 0);
}

TEST(RetDistDFeInt, SchemaWithVersionSuffixIsRecognisedByItsName) {
  TRetDistDFeInt r;
  r.Leitor().SetArquivo(RetDistDFeInt({DocZip("1", "resEvento_v1.01.xsd", InfZip(ResEvento(kChave55))),
                                       DocZip("2", "procEventoNFe_v1.00.xsd", InfZip(ProcEventoNFe(kChave55))),
                                       DocZip("3", "resNFe_v1.00.xsd", InfZip(ResNFe(kChave55, "A")))}));
  ASSERT_TRUE(r.LerResposta());
  ASSERT_EQ(r.docZip().Count(), 3);
  EXPECT_EQ(r.docZip()[0].schema, schresEvento);
  EXPECT_EQ(r.docZip()[1].schema, schprocEventoNFe);
  EXPECT_EQ(r.docZip()[2].schema, schresNFe);
}

TEST(RetDistDFeInt, FiftyDocumentsAreReadCompletelyInOrder) {
  TRetDistDFeInt r;
  r.Leitor().SetArquivo(LoteDistribuicao(50, kChave55));
  ASSERT_TRUE(r.LerResposta());
  EXPECT_EQ(r.ultNSU, "000000000000050");
  ASSERT_EQ(r.docZip().Count(), 50);
  for (int i = 1; i <= 50; ++i) {
    const TdocZipCollectionItem& d = r.docZip()[i - 1];
    SCOPED_TRACE(i);
    EXPECT_EQ(d.NSU, NSU(i));
    EXPECT_EQ(d.XML.rfind(kDeclUTF8 + "<", 0), 0u);
    switch (i % 4) {
      case 1:
        EXPECT_EQ(d.schema, schresNFe);
        EXPECT_EQ(d.resDFe().xNome, "Empresa " + std::to_string(i));
        break;
      case 2:
        EXPECT_EQ(d.schema, schresEvento);
        EXPECT_EQ(d.resEvento().nProt, "151240000005678");
        break;
      case 3:
        EXPECT_EQ(d.schema, schprocNFe);
        EXPECT_EQ(d.resDFe().xNome, "Emitente " + std::to_string(i));
        break;
      default:
        EXPECT_EQ(d.schema, schprocEventoNFe);
        EXPECT_EQ(d.procEvento().RetinfEvento().cStat, 135);
        break;
    }
  }
}

// ---- Failures reach the caller --------------------------------------------------------------

TEST(RetDistDFeInt, UnknownSchemaNameRaisesTheConversionError) {
  EXPECT_EQ(FalhaDeLeitura(RetDistDFeInt({DocZip("1", "resCCe_v1.00.xsd", InfZip(ResEvento(kChave55)))})),
            "\"schresCCe\" n\xE3o \xE9 um valor TSchemaDFe v\xE1lido.");
}

TEST(RetDistDFeInt, BadBase64Raises) {
  EXPECT_EQ(FalhaDeLeitura(RetDistDFeInt({DocZip("000000000000012", "resNFe_v1.01.xsd", "H4sI*nao&base64")})),
            "Conte\xFA" "do Base64 inv\xE1lido no docZip de NSU 000000000000012");
  // Nothing at all decodes to no bytes, which is no compressed document either.
  EXPECT_EQ(FalhaDeLeitura(RetDistDFeInt({DocZip("000000000000013", "resNFe_v1.01.xsd", "")})),
            "Falha ao descompactar o docZip: dados incompletos");
}

struct CasoCorrompido {
  const char* nome;
  std::string (*dados)();
  const char* mensagem;
};
class CorruptDocZip : public ::testing::TestWithParam<CasoCorrompido> {};

TEST_P(CorruptDocZip, RaisesTheDecompressionFailureAndKeepsTheItemsBefore) {
  TRetDistDFeInt r;
  r.Leitor().SetArquivo(RetDistDFeInt({DocZip("1", "resNFe_v1.01.xsd", InfZip(ResNFe(kChave55, "Boa"))),
                                       DocZip("2", "resNFe_v1.01.xsd", CodificarBase64(GetParam().dados()))}));
  try {
    r.LerResposta();
    ADD_FAILURE() << "no exception";
  } catch (const ETuimDFeException& e) {
    EXPECT_EQ(std::string(e.what()), GetParam().mensagem);
  }
  ASSERT_EQ(r.docZip().Count(), 2);
  EXPECT_EQ(r.docZip()[0].resDFe().xNome, "Boa");
  EXPECT_EQ(r.docZip()[1].XML, "");
}

INSTANTIATE_TEST_SUITE_P(
    Distribuicao, CorruptDocZip,
    ::testing::Values(
        CasoCorrompido{"TruncatedGzip",
                       [] {
                         std::string z = Compactar(ParaUTF8(ResNFe(kChave55, "X")));
                         return z.substr(0, z.size() / 2);
                       },
                       "Falha ao descompactar o docZip: dados incompletos"},
        CasoCorrompido{"GzipWithBadChecksum",
                       [] {
                         std::string z = Compactar(ParaUTF8(ResNFe(kChave55, "X")));
                         z[z.size() - 6] = static_cast<char>(z[z.size() - 6] ^ 0x55);
                         return z;
                       },
                       "Falha ao descompactar o docZip: incorrect data check"},
        CasoCorrompido{"PlainTextIsNoZlibStream", [] { return std::string("<resNFe>texto puro</resNFe>"); },
                       "Falha ao descompactar o docZip: incorrect header check"},
        CasoCorrompido{"GzipHeaderAlone", [] { return std::string("\x1F\x8B\x08", 3); },
                       "Falha ao descompactar o docZip: dados incompletos"}),
    [](const auto& info) { return std::string(info.param.nome); });

TEST(DescompactarDocZip, RefusesADocumentBeyondTheLimitWithoutInflatingIt) {
  const std::string bomba = Compactar(std::string(kTamanhoMaximoDocZip + 1, ' '));
  ASSERT_LT(bomba.size(), 200u * 1024u);
  try {
    DescompactarDocZip(bomba);
    ADD_FAILURE() << "no exception";
  } catch (const ETuimDFeException& e) {
    EXPECT_EQ(std::string(e.what()), "Falha ao descompactar o docZip: o documento excede 67108864 bytes");
  }
  EXPECT_EQ(DescompactarDocZip(Compactar(std::string(kTamanhoMaximoDocZip, ' '))).size(), kTamanhoMaximoDocZip);
}

TEST(DescompactarDocZip, GzipSignatureDecidesTheFraming) {
  EXPECT_EQ(DescompactarDocZip(Compactar("abc", true)), "abc");
  EXPECT_EQ(DescompactarDocZip(Compactar("abc", false)), "abc");
  EXPECT_EQ(DescompactarDocZip(Compactar("", true)), "");
}
