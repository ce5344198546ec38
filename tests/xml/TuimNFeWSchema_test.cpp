// The writer's envelope, identification and party groups against the national schema
// (xmllint): the groups the writer makes up to the items, completed by a fixed item, totals,
// payment and signature part, must form a document that nfe_v4.00.xsd accepts.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "fiscal/TuimDateTime.h"
#include "fiscal/fscAuxiliar.h"
#include "NFeExemplos.h"
#include "testing/NFeConstrutor.h"
#include "testing/NFeTexto.h"
#include "xml/TuimNFeW.h"

namespace tuim {
namespace {


class NFeWSchema : public exemplos::ComEsquema {
protected:
  void SetUp() override {
    ComEsquema::SetUp();
    teste::Cabecalho(n);
    n.Ide.dSaiEnt = EncodeDateTime(2024, 5, 11, 8, 0, 0);
    n.Ide.indFinal = indFinal1;
    teste::Emitente(n);
    n.Emit.IM = "998877";
    n.Emit.CNAE = "4711301";
    teste::Destinatario(n);
    n.Dest.email = "cliente@example.com";
  }
  // The writer's groups with the fixed rest of the document, through xmllint.
  int Validar() {
    TNFeW w(&n);
    w.EscreverNFe();
    std::string xml = w.Gerador().ArquivoFormatoXML();
    // Read back, the document is written again as it was.
    EXPECT_EQ(exemplos::Diferenca(exemplos::Reescrever(xml), xml), "");
    // The writer's own groups up to the items; the fixed rest starts with the item.
    std::size_t corte = std::min(xml.find("<det "), xml.find("<total>"));
    EXPECT_NE(corte, std::string::npos);
    if (corte != std::string::npos) xml.resize(corte);
    return Xmllint(xml + teste::kItemSimplesAteOFim + exemplos::Assinatura(w.ChaveAcesso()) + "</NFe>");
  }

  TNFe n;
};

TEST_F(NFeWSchema, PlainNFeIsAccepted) { EXPECT_EQ(Validar(), 0) << saida; }

TEST_F(NFeWSchema, EveryReferenceFormPlacesAndReadersAreAccepted) {
  teste::Referencias(n);
  teste::Local(n.Retirada);
  teste::Local(n.Entrega);
  n.autXML.New().CNPJCPF = "11444777000161";
  n.autXML.New().CNPJCPF = "12345678909";
  EXPECT_EQ(Validar(), 0) << saida;
}

TEST_F(NFeWSchema, ContingencyAndForeignRecipientAreAccepted) {
  n.Ide.tpEmis = teSVCAN;
  n.Ide.dhCont = EncodeDateTime(2024, 5, 10, 9, 0, 0);
  n.Ide.xJust = "FALHA NA COMUNICACAO COM A SEFAZ";
  n.Ide.idDest = idDest3;
  n.Dest.CNPJCPF = "";
  n.Dest.idEstrangeiro = "AB123456";
  n.Dest.EnderDest.cPais = 5860;
  n.Dest.EnderDest.xPais = "PARAGUAI";
  n.Dest.indIEDest = indIEDest9;
  n.Dest.IE = "";
  EXPECT_EQ(Validar(), 0) << saida;
}

TEST_F(NFeWSchema, NfceWithCpfOnlyIsAccepted) {
  n.Ide.modelo = 65;
  n.Ide.tpImp = tiNFCe;
  n.Ide.tpAmb = taHomologacao;
  n.Dest = TDest();
  n.Dest.CNPJCPF = "12345678909";
  n.Dest.indIEDest = indIEDest9;
  EXPECT_EQ(Validar(), 0) << saida;
}

// The whole document as the writer makes it: items, taxes, totals, transport and payment, with
// only the signature's values fixed (the signature itself is checked with the signing tests).
TEST_F(NFeWSchema, WholeDocumentWrittenByTheWriterIsAccepted) {
  n.Emit.CRT = crt1;
  teste::ImpostosSimples(teste::Item(n, 1, "1", "PRODUTO"));
  teste::Fechamento(n, 10);
  n.InfAdic.infCpl = "PEDIDO 42";

  TNFeW w(&n);
  w.Opcoes().SetGerarTagAssinatura(taNunca);
  w.EscreverNFe();
  std::string xml = w.Gerador().ArquivoFormatoXML();
  EXPECT_EQ(exemplos::Diferenca(exemplos::Reescrever(xml), xml), "");
  std::size_t fim = xml.rfind("</NFe>");
  ASSERT_NE(fim, std::string::npos) << xml;
  xml.insert(fim, exemplos::Assinatura(w.ChaveAcesso()));
  EXPECT_EQ(Xmllint(xml), 0) << saida << "\n" << xml;
  EXPECT_TRUE(w.Gerador().ListaDeAlertas().empty());
}

TEST_F(NFeWSchema, SchemaRejectsWhatTheWriterFlags) {
  // A too short nature of operation is both an alert and a schema error: the check is live.
  n.Ide.natOp = "";
  EXPECT_NE(Validar(), 0) << saida;
}

}  // namespace
}  // namespace tuim
