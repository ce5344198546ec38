#include "services/TuimEventoNFe.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "MensagensTeste.h"
#include "fiscal/TuimException.h"
#include "fiscal/fscAuxiliar.h"

using namespace tuim;
using namespace tuim::teste;

namespace {

const std::string kNsAttr = kNs;

// Offsets by the state table, so that the expected texts do not depend on the machine.
class Eventos : public ::testing::Test {
protected:
  void SetUp() override {
    anterior.Assign(ConfiguracaoFusoHorario());
    ConfiguracaoFusoHorario().SetModoDeteccao(tzFSC);
  }
  void TearDown() override { ConfiguracaoFusoHorario().Assign(anterior); }

  static bool TemAlerta(TEventoNFe& m, const std::string& trecho) {
    const auto& a = m.Gerador().ListaDeAlertas();
    return std::any_of(a.begin(), a.end(), [&](const std::string& l) { return l.find(trecho) != std::string::npos; });
  }
  static std::string Alertas(TEventoNFe& m) {
    std::string r;
    for (const auto& l : m.Gerador().ListaDeAlertas()) r += l + "\n";
    return r;
  }

  static TInfEvento& Cancelamento(TEventoNFe& m, const std::string& chave = kChave55) {
    TInfEvento& ev = m.Evento().New().InfEvento();
    ev.SettpAmb(taHomologacao);
    ev.SetCNPJ("11.222.333/0001-81");
    ev.SetchNFe(chave);
    ev.SetdhEvento(EncodeDateTime(2024, 1, 15, 10, 30, 0));
    ev.SettpEvento(teCancelamento);
    ev.SetnSeqEvento(1);
    ev.detEvento().SetnProt("151240000012345");
    ev.detEvento().SetxJust("Cancelamento por erro de digitacao");
    return ev;
  }

  static std::string Signed(TEventoNFe& m) {
    TDFeSSL ssl;
    ConfigurarAssinatura(ssl);
    return AssinarEnvEvento(ssl, m.Gerador().ArquivoFormatoXML());
  }

  // The i-th evento element (counted from 0) of a batch text.
  static std::string EventoN(const std::string& lote, int i) {
    std::size_t p = 0;
    for (int k = 0; k <= i; ++k) {
      p = lote.find("<evento ", k == 0 ? 0 : p + 1);
      if (p == std::string::npos) return {};
    }
    std::size_t f = lote.find("</evento>", p);
    return lote.substr(p, f + 9 - p);
  }

  // The content of detEvento wrapped as its own schema expects it.
  static std::string DetalheParaSchema(const std::string& evento) {
    std::size_t a = evento.find("<detEvento");
    a = evento.find('>', a) + 1;
    std::size_t b = evento.find("</detEvento>");
    return "<detEvento versao=\"1.00\" " + kNsAttr + ">" + evento.substr(a, b - a) + "</detEvento>";
  }

  TTimeZoneConf anterior;
};

const std::string kIdCanc = std::string("ID110111") + kChave55 + "01";

}  // namespace

TEST_F(Eventos, CancellationBatchIsWrittenByteForByte) {
  TEventoNFe m;
  m.SetidLote(1);
  Cancelamento(m);
  EXPECT_TRUE(m.GerarXML()) << Alertas(m);
  EXPECT_EQ(m.Evento()[0].InfEvento().Id(), kIdCanc);
  EXPECT_EQ(kIdCanc.size(), 54u);
  const std::string esperado =
      "<envEvento " + kNsAttr + " versao=\"1.00\"><idLote>1</idLote><evento " + kNsAttr +
      " versao=\"1.00\"><infEvento Id=\"" + kIdCanc +
      "\"><cOrgao>51</cOrgao><tpAmb>2</tpAmb><CNPJ>11222333000181</CNPJ><chNFe>" + kChave55 +
      "</chNFe><dhEvento>2024-01-15T10:30:00-04:00</dhEvento><tpEvento>110111</tpEvento><nSeqEvento>1</nSeqEvento>"
      "<verEvento>1.00</verEvento><detEvento versao=\"1.00\"><descEvento>Cancelamento</descEvento>"
      "<nProt>151240000012345</nProt><xJust>Cancelamento por erro de digitacao</xJust></detEvento></infEvento>"
      "</evento></envEvento>";
  EXPECT_EQ(m.Gerador().ArquivoFormatoXML(), esperado);
}

TEST_F(Eventos, SignedCancellationPassesBothSchemasAndXmlsec) {
  TEventoNFe m;
  m.SetidLote(42);
  Cancelamento(m);
  ASSERT_TRUE(m.GerarXML()) << Alertas(m);
  const std::string lote = Signed(m);
  EXPECT_NE(lote.find("<Reference URI=\"#" + kIdCanc + "\">"), std::string::npos);
  EXPECT_EQ(lote.substr(lote.size() - 12), "</envEvento>");
  EXPECT_EQ(ErrosSchema(lote, "envEvento_v1.00.xsd"), "");
  EXPECT_EQ(ErrosSchema(lote, "envEventoCancNFe_v1.00.xsd"), "");
  EXPECT_EQ(ErrosSchema(DetalheParaSchema(EventoN(lote, 0)), "e110111_v1.00.xsd"), "");
  EXPECT_TRUE(XmlSecAceita(lote, "infEvento"));
  std::string adulterado = lote;
  adulterado.replace(adulterado.find("erro de digitacao"), 4, "ERRO");
  EXPECT_FALSE(XmlSecAceita(adulterado, "infEvento"));
}

TEST_F(Eventos, EveryEventOfABatchIsSignedOnItsOwn) {
  TEventoNFe m;
  m.SetidLote(7);
  for (int i = 1; i <= 3; ++i) Cancelamento(m).SetnSeqEvento(i);
  ASSERT_TRUE(m.GerarXML()) << Alertas(m);
  const std::string lote = Signed(m);
  EXPECT_EQ(ErrosSchema(lote, "envEvento_v1.00.xsd"), "");
  for (int i = 0; i < 3; ++i) {
    const std::string ev = EventoN(lote, i);
    EXPECT_NE(ev.find("<Reference URI=\"#ID110111" + std::string(kChave55) + "0" + std::to_string(i + 1) + "\">"),
              std::string::npos);
    EXPECT_TRUE(XmlSecAceita(ev, "infEvento")) << i;
  }
  std::size_t n = 0;
  for (std::size_t p = lote.find("<Signature "); p != std::string::npos; p = lote.find("<Signature ", p + 1)) ++n;
  EXPECT_EQ(n, 3u);
}

TEST_F(Eventos, SigningWithoutCertificateReportsTheEventFailure) {
  TEventoNFe m;
  Cancelamento(m);
  m.GerarXML();
  TDFeSSL ssl;
  ssl.SetSSLCryptLib(cryOpenSSL);
  ssl.SetSSLXmlSignLib(xsLibXml2);
  ssl.SetArquivoPFX("/nao/existe.pfx");
  try {
    AssinarEnvEvento(ssl, m.Gerador().ArquivoFormatoXML());
    FAIL();
  } catch (const ETuimDFeException& e) {
    EXPECT_EQ(std::string(e.what()).rfind("Falha ao assinar o Envio de Evento \r\n", 0), 0u) << e.what();
  }
}

TEST_F(Eventos, ZeroOrgaoTakesTheKeyStateAndNationalOrgaoTakesBrasiliaOffset) {
  TEventoNFe m;
  TInfEvento& ev = m.Evento().New().InfEvento();
  ev.SetCNPJ("11222333000181");
  ev.SetchNFe(kChave55);
  ev.SetcOrgao(91);
  ev.SetdhEvento(EncodeDateTime(2024, 1, 15, 10, 30, 0));
  ev.SettpEvento(teManifDestConfirmacao);
  EXPECT_TRUE(m.GerarXML()) << Alertas(m);
  const std::string& x = m.Gerador().ArquivoFormatoXML();
  EXPECT_NE(x.find("<cOrgao>91</cOrgao>"), std::string::npos);
  EXPECT_NE(x.find("<dhEvento>2024-01-15T10:30:00-03:00</dhEvento><tpEvento>210200</tpEvento>"), std::string::npos);
  EXPECT_NE(x.find("<detEvento versao=\"1.00\"><descEvento>Confirmacao da Operacao</descEvento></detEvento>"),
            std::string::npos);
  EXPECT_EQ(ErrosSchema(DetalheParaSchema(EventoN(x, 0)), "e210200_v1.00.xsd"), "");
  TInfEvento semOrgao;
  semOrgao.SetchNFe(kChave65);
  EXPECT_EQ(semOrgao.cOrgaoEfetivo(), 35);
  semOrgao.SetchNFe("X1");
  EXPECT_EQ(semOrgao.cOrgaoEfetivo(), 0);
}

TEST_F(Eventos, CorrectionLetterWithEmptyConditionCarriesTheFixedText) {
  TEventoNFe m;
  TInfEvento& ev = m.Evento().New().InfEvento();
  ev.SetchNFe(kChave55);
  ev.SetdhEvento(EncodeDateTime(2024, 2, 1, 8, 0, 0));
  ev.SettpEvento(teCCe);
  ev.SetnSeqEvento(2);
  ev.detEvento().SetxCorrecao("Endereco do destinatario: Rua A, 10");
  ev.detEvento().SetxCondUso("");
  EXPECT_EQ(ev.detEvento().xCondUso(), kCondicaoUsoCCe);
  ASSERT_TRUE(m.GerarXML()) << Alertas(m);
  const std::string& x = m.Gerador().ArquivoFormatoXML();
  EXPECT_NE(x.find("<CNPJ>11222333000181</CNPJ>"), std::string::npos);  // the issuer, from the key
  EXPECT_NE(x.find("<infEvento Id=\"ID110110" + std::string(kChave55) + "02\">"), std::string::npos);
  EXPECT_NE(x.find(std::string("<descEvento>Carta de Correcao</descEvento><xCorrecao>Endereco do destinatario: Rua A, "
                               "10</xCorrecao><xCondUso>") + kCondicaoUsoCCe + "</xCondUso>"),
            std::string::npos);
  const std::string lote = Signed(m);
  EXPECT_EQ(ErrosSchema(lote, "envCCe_v1.00.xsd"), "");
  EXPECT_EQ(ErrosSchema(DetalheParaSchema(EventoN(lote, 0)), "e110110_v1.00.xsd"), "");
  EXPECT_TRUE(XmlSecAceita(lote, "infEvento"));
}

TEST_F(Eventos, SeriesOfIndividualsGiveTheCPFExceptForRecipientManifestations) {
  TEventoNFe m;
  Cancelamento(m, kChaveCPF).SetCNPJ("");
  TInfEvento& manif = m.Evento().New().InfEvento();
  manif.SetchNFe(kChaveCPF);
  manif.SetdhEvento(EncodeDateTime(2024, 1, 15, 10, 30, 0));
  manif.SettpEvento(teManifDestCiencia);
  m.GerarXML();
  const std::string& x = m.Gerador().ArquivoFormatoXML();
  const std::string e0 = EventoN(x, 0), e1 = EventoN(x, 1);
  EXPECT_NE(e0.find("<tpAmb>2</tpAmb><CPF>12345678909</CPF><chNFe>"), std::string::npos) << e0;
  EXPECT_NE(e1.find("<CNPJ>00012345678909</CNPJ>"), std::string::npos) << e1;
}

TEST_F(Eventos, AlphanumericCNPJKeyKeepsItsLettersInTheIdentifier) {
  TEventoNFe m;
  Cancelamento(m, kChaveAlfa).SetCNPJ("");
  EXPECT_TRUE(m.GerarXML()) << Alertas(m);
  EXPECT_EQ(m.Evento()[0].InfEvento().Id(), std::string("ID110111") + kChaveAlfa + "01");
  EXPECT_NE(m.Gerador().ArquivoFormatoXML().find("<CNPJ>12ABC34501DE35</CNPJ>"), std::string::npos);
}

TEST_F(Eventos, BadKeyAuthorAndTypeBecomeAlertsWhileTheXmlIsStillWritten) {
  TEventoNFe m;
  std::string chave = kChave55;
  chave.back() = '0';
  Cancelamento(m, chave).SetCNPJ("11222333000182");
  TInfEvento& curta = Cancelamento(m, std::string(kChave55).substr(0, 43));
  curta.SetCNPJ("123.456.789-00");
  TInfEvento& semTipo = Cancelamento(m);
  semTipo.SettpEvento(teNaoMapeado);
  EXPECT_FALSE(m.GerarXML());
  EXPECT_TRUE(TemAlerta(m, "ID:HP12/chNFe(Chave do DFe) - Chave de NFe inválida.")) << Alertas(m);
  EXPECT_TRUE(TemAlerta(m, "ID:HP10/CNPJ(CNPJ(MF)) - Conteúdo inválido.")) << Alertas(m);
  EXPECT_TRUE(TemAlerta(m, "ID:HP11/CPF(CPF) - Conteúdo inválido.")) << Alertas(m);
  EXPECT_TRUE(TemAlerta(m, "ID:HP07/ID() - ID de Evento inválido.")) << Alertas(m);
  // An unmapped type carries the table's placeholder code and no description.
  EXPECT_TRUE(TemAlerta(m, "ID:HP19/descEvento() - Nenhum valor informado.")) << Alertas(m);
  EXPECT_EQ(m.Evento()[2].InfEvento().Id(), std::string("ID-99999") + kChave55 + "01");
  EXPECT_NE(m.Gerador().ArquivoFormatoXML().find("</envEvento>"), std::string::npos);
  // Earlier events leave nothing behind in the group path of later alerts.
  for (const auto& l : m.Gerador().ListaDeAlertas()) EXPECT_EQ(l.find("<infEvento"), std::string::npos) << l;
  m.GerarXML();
  EXPECT_EQ(m.Gerador().ListaDeAlertas()[0].rfind("TAG: ID:HP10/CNPJ", 0), 0u) << m.Gerador().ListaDeAlertas()[0];
}

TEST_F(Eventos, RecipientOperationNotPerformedCarriesTheJustification) {
  TEventoNFe m;
  TInfEvento& ev = m.Evento().New().InfEvento();
  ev.SetCNPJ("11222333000181");
  ev.SetchNFe(kChave55);
  ev.SetcOrgao(91);
  ev.SetdhEvento(EncodeDateTime(2024, 1, 15, 10, 30, 0));
  ev.SettpEvento(teManifDestOperNaoRealizada);
  ev.detEvento().SetxJust("Mercadoria devolvida ao emitente");
  ASSERT_TRUE(m.GerarXML()) << Alertas(m);
  EXPECT_NE(m.Gerador().ArquivoFormatoXML().find(
                "<descEvento>Operacao nao Realizada</descEvento><xJust>Mercadoria devolvida ao emitente</xJust>"),
            std::string::npos);
  EXPECT_EQ(ErrosSchema(DetalheParaSchema(EventoN(m.Gerador().ArquivoFormatoXML(), 0)), "e210240_v1.00.xsd"), "");
}

TEST_F(Eventos, EPECOfModel55WritesTheRecipientGroupAndPassesSchema) {
  TEventoNFe m;
  TInfEvento& ev = m.Evento().New().InfEvento();
  ev.SetCNPJ("11222333000181");
  ev.SetchNFe(kChave55);
  ev.SetcOrgao(91);
  ev.SetdhEvento(EncodeDateTime(2024, 1, 15, 10, 30, 0));
  ev.SettpEvento(teEPECNFe);
  TDetEvento& d = ev.detEvento();
  d.SetcOrgaoAutor(51);
  d.SettpAutor(tpAutor1);
  d.SetverAplic("tuim-0.1");
  d.SetdhEmi(EncodeDateTime(2024, 1, 15, 10, 0, 0));
  d.SettpNF(tpNF1);
  d.SetIE("131234567");
  d.dest().SetUF("SP");
  d.dest().SetCNPJCPF("123.456.789-09");
  d.SetvNF(TCurrency::FromRaw(1234500));
  d.SetvICMS(TCurrency::FromRaw(222210));
  d.SetvST(0);
  ASSERT_TRUE(m.GerarXML()) << Alertas(m);
  const std::string& x = m.Gerador().ArquivoFormatoXML();
  EXPECT_NE(x.find("<detEvento versao=\"1.00\"><descEvento>EPEC</descEvento><cOrgaoAutor>51</cOrgaoAutor>"
                   "<tpAutor>1</tpAutor><verAplic>tuim-0.1</verAplic><dhEmi>2024-01-15T10:00:00-04:00</dhEmi>"
                   "<tpNF>1</tpNF><IE>131234567</IE><dest><UF>SP</UF><CPF>12345678909</CPF><vNF>123.45</vNF>"
                   "<vICMS>22.22</vICMS><vST>0.00</vST></dest></detEvento>"),
            std::string::npos)
      << x;
  EXPECT_NE(x.find("<tpEvento>110140</tpEvento>"), std::string::npos);
  const std::string lote = Signed(m);
  EXPECT_EQ(ErrosSchema(lote, "envEPEC_v1.00.xsd"), "");
}

TEST_F(Eventos, EPECOfOtherModelsPutsTheAmountsOutsideAnOptionalRecipient) {
  TEventoNFe m;
  TInfEvento& ev = m.Evento().New().InfEvento();
  ev.SetchNFe(kChave65);
  ev.SetdhEvento(EncodeDateTime(2024, 1, 15, 10, 30, 0));
  ev.SettpEvento(teEPECNFe);
  ev.detEvento().SetcOrgaoAutor(35);
  ev.detEvento().SetIE("110042490114");
  ev.detEvento().SetvNF(10);
  ev.detEvento().dest().SetCNPJCPF("11222333000181");  // no UF: no recipient group
  m.GerarXML();
  const std::string& x = m.Gerador().ArquivoFormatoXML();
  EXPECT_NE(x.find("<IE>110042490114</IE><vNF>10.00</vNF><vICMS>0.00</vICMS></detEvento>"), std::string::npos) << x;
  ev.detEvento().dest().SetUF("EX");
  ev.detEvento().dest().SetidEstrangeiro("AB12345");
  m.GerarXML();
  EXPECT_NE(m.Gerador().ArquivoFormatoXML().find(
                "<dest><UF>EX</UF><idEstrangeiro>AB12345</idEstrangeiro></dest><vNF>10.00</vNF>"),
            std::string::npos);
}

TEST_F(Eventos, CancellationBySubstitutionPassesItsSchemas) {
  TEventoNFe m;
  TInfEvento& ev = m.Evento().New().InfEvento();
  ev.SetchNFe(kChave65);
  ev.SetdhEvento(EncodeDateTime(2024, 7, 1, 12, 0, 0));
  ev.SettpEvento(teCancelamentoPorSubstituicao);
  TDetEvento& d = ev.detEvento();
  d.SetcOrgaoAutor(35);
  d.SetverAplic("tuim-0.1");
  d.SetnProt("135240000000001");
  d.SetxJust("Substituida por nova NFC-e");
  d.SetchNFeRef(kChave65);
  ASSERT_TRUE(m.GerarXML()) << Alertas(m);
  const std::string& x = m.Gerador().ArquivoFormatoXML();
  EXPECT_NE(x.find(std::string("<dhEvento>2024-07-01T12:00:00-03:00</dhEvento><tpEvento>110112</tpEvento>")),
            std::string::npos);
  EXPECT_NE(x.find(std::string("<descEvento>Cancelamento por substituicao</descEvento><cOrgaoAutor>35</cOrgaoAutor>"
                               "<tpAutor>1</tpAutor><verAplic>tuim-0.1</verAplic><nProt>135240000000001</nProt>"
                               "<xJust>Substituida por nova NFC-e</xJust><chNFeRef>") +
                   kChave65 + "</chNFeRef>"),
            std::string::npos);
  const std::string lote = Signed(m);
  EXPECT_EQ(ErrosSchema(lote, "envEventoCancSubst_v1.00.xsd"), "");
  EXPECT_EQ(ErrosSchema(DetalheParaSchema(EventoN(lote, 0)), "e110112_v1.00.xsd"), "");
  d.SetchNFeRef("123");
  EXPECT_FALSE(m.GerarXML());
  EXPECT_TRUE(TemAlerta(m, "ID:HP31/chNFeRef(Chave do DFe) - Chave de NFe Refenciada inválida.")) << Alertas(m);
}

TEST_F(Eventos, ExtensionRequestListsItsItemsAndItsCancellationNamesTheRequest) {
  TEventoNFe m;
  TInfEvento& ev = m.Evento().New().InfEvento();
  ev.SetchNFe(kChave55);
  ev.SetdhEvento(EncodeDateTime(2024, 1, 15, 10, 30, 0));
  ev.SettpEvento(tePedProrrog1);
  ev.detEvento().SetnProt("151240000012345");
  auto& i1 = ev.detEvento().itemPedido().New();
  i1.SetnumItem(1);
  i1.SetqtdeItem(TCurrency::FromRaw(25000));
  auto& i2 = ev.detEvento().itemPedido().New();
  i2.SetnumItem(3);
  i2.SetqtdeItem(7);
  TInfEvento& canc = m.Evento().New().InfEvento();
  canc.SetchNFe(kChave55);
  canc.SetdhEvento(EncodeDateTime(2024, 1, 16, 10, 30, 0));
  canc.SettpEvento(teCanPedProrrog1);
  canc.detEvento().SetidPedidoCancelado(std::string("ID111500") + kChave55 + "01");
  canc.detEvento().SetnProt("151240000012346");
  EXPECT_TRUE(m.GerarXML()) << Alertas(m);
  const std::string& x = m.Gerador().ArquivoFormatoXML();
  EXPECT_NE(x.find("<descEvento>Pedido de Prorrogacao</descEvento><nProt>151240000012345</nProt>"
                   "<itemPedido numItem=\"1\"><qtdeItem>2.50</qtdeItem></itemPedido>"
                   "<itemPedido numItem=\"3\"><qtdeItem>7.00</qtdeItem></itemPedido></detEvento>"),
            std::string::npos)
      << x;
  EXPECT_NE(x.find(std::string("<descEvento>Cancelamento de Pedido de Prorrogacao</descEvento><idPedidoCancelado>ID111500") +
                   kChave55 + "01</idPedidoCancelado><nProt>151240000012346</nProt></detEvento>"),
            std::string::npos)
      << x;
}

TEST(DescricaoEvento, TableOfDescriptions) {
  EXPECT_EQ(DescricaoTpEvento(teCCe), "Carta de Correcao");
  EXPECT_EQ(DescricaoTpEvento(teEPEC), "EPEC");
  EXPECT_EQ(DescricaoTpEvento(teMDFeCancelado2), "MDF-e Cancelado");
  EXPECT_EQ(DescricaoTpEvento(teEventoFiscoCPP2), "Evento Fisco");
  EXPECT_EQ(DescricaoTpEvento(teConfInternalizacao), "Confirmacao de Internalizacao da Mercadoria na SUFRAMA");
  EXPECT_EQ(DescricaoTpEvento(tePrestDesacordo), "");
  EXPECT_EQ(DescricaoTpEvento(teNaoMapeado), "");
  TInfEvento ev;
  ev.SettpEvento(teCancelamento);
  EXPECT_EQ(ev.CodigoEvento(), "110111");
  ev.SettpEvento(static_cast<TfscTpEvento>(QuantidadeTpEvento));
  EXPECT_EQ(ev.CodigoEvento(), "");
  EXPECT_EQ(ev.DescricaoEvento(), "");
}

// ---- Reading ----------------------------------------------------------------------------------

TEST(RetEvento, AnswerWithTwoRegistrationsAndPendingKeys) {
  const std::string resposta =
      std::string("<retEnvEvento ") + kNs +
      " versao=\"1.00\"><idLote>42</idLote><tpAmb>2</tpAmb><verAplic>SVRS202401</verAplic><cOrgao>51</cOrgao>"
      "<cStat>128</cStat><xMotivo>Lote de evento processado</xMotivo>"
      "<retEvento versao=\"1.00\"><infEvento Id=\"ID151240000000001\"><tpAmb>2</tpAmb><verAplic>SVRS202401</verAplic>"
      "<cOrgao>51</cOrgao><cStat>135</cStat><xMotivo>Evento registrado e vinculado a NF-e</xMotivo><chNFe>" +
      kChave55 +
      "</chNFe><tpEvento>110111</tpEvento><xEvento>Cancelamento registrado</xEvento><nSeqEvento>1</nSeqEvento>"
      "<CPFDest>12345678909</CPFDest><emailDest>a@b.com</emailDest><dhRegEvento>2024-01-15T10:31:02-04:00</dhRegEvento>"
      "<nProt>151240000000099</nProt><chNFePend>" +
      kChave65 + "</chNFePend><chNFePend>" + kChaveCPF +
      "</chNFePend></infEvento></retEvento>"
      "<retEvento versao=\"1.00\"><infEvento><tpAmb>2</tpAmb><verAplic>SVRS202401</verAplic><cOrgao>51</cOrgao>"
      "<cStat>573</cStat><xMotivo>Rejeicao: Duplicidade de evento</xMotivo><chNFe>" +
      kChave55 + "</chNFe><tpEvento>110110</tpEvento><dhRegEvento>2024-01-15T10:31:03-04:00</dhRegEvento>"
                 "</infEvento></retEvento></retEnvEvento>";
  TRetEventoNFe r;
  r.Leitor().SetArquivo(resposta);
  ASSERT_TRUE(r.LerResposta());
  EXPECT_EQ(r.versao, "1.00");
  EXPECT_EQ(r.idLote, 42);
  EXPECT_EQ(r.tpAmb, taHomologacao);
  EXPECT_EQ(r.cOrgao, 51);
  EXPECT_EQ(r.cStat, 128);
  EXPECT_EQ(r.xMotivo, "Lote de evento processado");
  ASSERT_EQ(r.retEvento().Count(), 2);
  const TRetInfEvento& a = r.retEvento()[0];
  EXPECT_EQ(a.Id, "ID151240000000001");
  EXPECT_EQ(a.cStat, 135);
  EXPECT_EQ(a.tpEvento, teCancelamento);
  EXPECT_EQ(a.xEvento, "Cancelamento registrado");
  EXPECT_EQ(a.CNPJDest, "12345678909");
  EXPECT_EQ(a.emailDest, "a@b.com");
  EXPECT_EQ(a.nProt, "151240000000099");
  EXPECT_EQ(a.dhRegEvento, EncodeDateTime(2024, 1, 15, 10, 31, 2));
  EXPECT_EQ(a.NomeArquivo, "");
  EXPECT_EQ(a.XML.rfind("<infEvento Id=\"ID151240000000001\">", 0), 0u);
  ASSERT_EQ(a.chNFePend.Count(), 2);
  EXPECT_EQ(a.chNFePend[0].ChavePendente(), kChave65);
  EXPECT_EQ(a.chNFePend[1].ChavePendente(), kChaveCPF);
  const TRetInfEvento& b = r.retEvento()[1];
  EXPECT_EQ(b.cStat, 573);
  EXPECT_EQ(b.tpEvento, teCCe);
  EXPECT_EQ(b.chNFePend.Count(), 0);
  EXPECT_EQ(b.nProt, "");
}

TEST_F(Eventos, ProcessedEventDocumentFillsEventSignatureAndOneRegistration) {
  TEventoNFe m;
  Cancelamento(m);
  ASSERT_TRUE(m.GerarXML());
  const std::string lote = Signed(m);
  const std::string evento = EventoN(lote, 0);
  const std::string proc = std::string("<procEventoNFe ") + kNs + " versao=\"1.00\">" + evento +
                           "<retEvento versao=\"1.00\"><infEvento><tpAmb>2</tpAmb><verAplic>MT1</verAplic>"
                           "<cOrgao>51</cOrgao><cStat>135</cStat><xMotivo>Evento registrado</xMotivo><chNFe>" +
                           kChave55 +
                           "</chNFe><tpEvento>110111</tpEvento><nSeqEvento>1</nSeqEvento>"
                           "<dhRegEvento>2024-01-15T10:31:00-04:00</dhRegEvento><nProt>151240000000100</nProt>"
                           "</infEvento></retEvento></procEventoNFe>";
  EXPECT_EQ(ErrosSchema(proc, "procEventoNFe_v1.00.xsd"), "");
  TRetEventoNFe r;
  r.Leitor().SetArquivo(proc);
  ASSERT_TRUE(r.LerResposta());
  TInfEvento& ev = r.InfEvento();
  EXPECT_EQ(ev.Id(), kIdCanc);
  EXPECT_EQ(ev.cOrgao(), 51);
  EXPECT_EQ(ev.tpAmb(), taHomologacao);
  EXPECT_EQ(ev.CNPJ(), "11222333000181");
  EXPECT_EQ(ev.chNFe(), kChave55);
  EXPECT_EQ(ev.dhEvento(), EncodeDateTime(2024, 1, 15, 10, 30, 0));
  EXPECT_EQ(ev.tpEvento(), teCancelamento);
  EXPECT_EQ(ev.nSeqEvento(), 1);
  EXPECT_EQ(ev.verEvento(), "1.00");
  EXPECT_EQ(ev.detEvento().descEvento(), "Cancelamento");
  EXPECT_EQ(ev.detEvento().nProt(), "151240000012345");
  EXPECT_EQ(ev.detEvento().xJust(), "Cancelamento por erro de digitacao");
  EXPECT_EQ(ev.detEvento().xCondUso(), kCondicaoUsoCCe);  // empty in the document
  EXPECT_EQ(r.Signature().URI(), "#" + kIdCanc);
  EXPECT_EQ(r.Signature().DigestValue().size(), 28u);
  EXPECT_GT(r.Signature().SignatureValue().size(), 300u);
  EXPECT_GT(r.Signature().X509Certificate().size(), 500u);
  ASSERT_EQ(r.retEvento().Count(), 1);
  EXPECT_EQ(r.retEvento()[0].cStat, 135);
  EXPECT_EQ(r.retEvento()[0].nProt, "151240000000100");
  EXPECT_EQ(r.cStat, 135);
}

TEST(RetEvento, EPECDocumentReadsIssuerIEApartFromTheRecipientAndAmounts) {
  const std::string doc =
      std::string("<evento ") + kNs + " versao=\"1.00\"><infEvento Id=\"X\"><cOrgao>91</cOrgao><tpAmb>1</tpAmb>"
      "<CPF>12345678909</CPF><chNFe>" + kChave65 + "</chNFe><dhEvento>2024-01-15T10:30:00-03:00</dhEvento>"
      "<tpEvento>110140</tpEvento><nSeqEvento>1</nSeqEvento><verEvento>1</verEvento><detEvento versao=\"1.00\">"
      "<descEvento>EPEC</descEvento><cOrgaoAutor>35</cOrgaoAutor><tpAutor>1</tpAutor><verAplic>v1</verAplic>"
      "<dhEmi>2024-01-15T10:00:00-03:00</dhEmi><tpNF>0</tpNF><dest><UF>SP</UF><CNPJ>11222333000181</CNPJ>"
      "<IE>110042490114</IE></dest><vNF>10.50</vNF><vICMS>1.20</vICMS></detEvento></infEvento></evento>";
  TRetEventoNFe r;
  r.Leitor().SetArquivo(doc);
  ASSERT_TRUE(r.LerResposta());
  TDetEvento& d = r.InfEvento().detEvento();
  EXPECT_EQ(r.InfEvento().CNPJ(), "12345678909");
  EXPECT_EQ(r.InfEvento().verEvento(), "1.00");
  EXPECT_EQ(r.InfEvento().tpEvento(), teEPECNFe);
  EXPECT_EQ(d.IE(), "");
  EXPECT_EQ(d.tpNF(), tpNF0);
  EXPECT_EQ(d.dhEmi(), EncodeDateTime(2024, 1, 15, 10, 0, 0));
  EXPECT_EQ(d.dest().UF(), "SP");
  EXPECT_EQ(d.dest().CNPJCPF(), "11222333000181");
  EXPECT_EQ(d.dest().IE(), "110042490114");
  EXPECT_EQ(d.vNF(), TCurrency::FromRaw(105000));
  EXPECT_EQ(d.vICMS(), TCurrency::FromRaw(12000));
  EXPECT_EQ(r.retEvento().Count(), 0);
}

TEST(RetEvento, UnreadableDateMakesTheReadingFailKeepingWhatWasRead) {
  TRetEventoNFe r;
  r.Leitor().SetArquivo(std::string("<retEnvEvento ") + kNs +
                        " versao=\"1.00\"><idLote>5</idLote><cStat>128</cStat><retEvento versao=\"1.00\"><infEvento>"
                        "<cStat>135</cStat><dhRegEvento>20x4-01-15T10:31:02-04:00</dhRegEvento></infEvento></retEvento>"
                        "</retEnvEvento>");
  EXPECT_FALSE(r.LerResposta());
  EXPECT_EQ(r.idLote, 5);
  EXPECT_EQ(r.cStat, 128);
}

TEST(RetEvento, TextWithoutAnswerOrEventIsNotRead) {
  TRetEventoNFe r;
  r.Leitor().SetArquivo("<outro><cStat>1</cStat></outro>");
  EXPECT_FALSE(r.LerResposta());
  EXPECT_EQ(r.cStat, 0);
}
