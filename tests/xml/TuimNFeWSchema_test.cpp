// The writer's envelope, identification and party groups against the national schema
// (xmllint): the groups the writer makes up to the items, completed by a fixed item, totals,
// payment and signature part, must form a document that nfe_v4.00.xsd accepts.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "fiscal/TuimDateTime.h"
#include "fiscal/fscAuxiliar.h"
#include "NFeExemplos.h"
#include "xml/TuimNFeW.h"

namespace tuim {
namespace {

namespace fs = std::filesystem;

const std::string kResto =
    "<det nItem=\"1\"><prod><cProd>1</cProd><cEAN>SEM GTIN</cEAN><xProd>PRODUTO</xProd><NCM>22030000</NCM>"
    "<CFOP>5102</CFOP><uCom>UN</uCom><qCom>1.0000</qCom><vUnCom>10.0000000000</vUnCom><vProd>10.00</vProd>"
    "<cEANTrib>SEM GTIN</cEANTrib><uTrib>UN</uTrib><qTrib>1.0000</qTrib><vUnTrib>10.0000000000</vUnTrib>"
    "<indTot>1</indTot></prod><imposto><ICMS><ICMSSN102><orig>0</orig><CSOSN>102</CSOSN></ICMSSN102></ICMS>"
    "<PIS><PISNT><CST>07</CST></PISNT></PIS><COFINS><COFINSNT><CST>07</CST></COFINSNT></COFINS></imposto></det>"
    "<total><ICMSTot><vBC>0.00</vBC><vICMS>0.00</vICMS><vICMSDeson>0.00</vICMSDeson><vFCP>0.00</vFCP>"
    "<vBCST>0.00</vBCST><vST>0.00</vST><vFCPST>0.00</vFCPST><vFCPSTRet>0.00</vFCPSTRet><vProd>10.00</vProd>"
    "<vFrete>0.00</vFrete><vSeg>0.00</vSeg><vDesc>0.00</vDesc><vII>0.00</vII><vIPI>0.00</vIPI>"
    "<vIPIDevol>0.00</vIPIDevol><vPIS>0.00</vPIS><vCOFINS>0.00</vCOFINS><vOutro>0.00</vOutro><vNF>10.00</vNF>"
    "</ICMSTot></total><transp><modFrete>9</modFrete></transp><pag><detPag><tPag>01</tPag><vPag>10.00</vPag>"
    "</detPag></pag></infNFe><Signature xmlns=\"http://www.w3.org/2000/09/xmldsig#\"><SignedInfo>"
    "<CanonicalizationMethod Algorithm=\"http://www.w3.org/TR/2001/REC-xml-c14n-20010315\"/>"
    "<SignatureMethod Algorithm=\"http://www.w3.org/2000/09/xmldsig#rsa-sha1\"/><Reference URI=\"#NFe@\">"
    "<Transforms><Transform Algorithm=\"http://www.w3.org/2000/09/xmldsig#enveloped-signature\"/>"
    "<Transform Algorithm=\"http://www.w3.org/TR/2001/REC-xml-c14n-20010315\"/></Transforms>"
    "<DigestMethod Algorithm=\"http://www.w3.org/2000/09/xmldsig#sha1\"/>"
    "<DigestValue>AAAAAAAAAAAAAAAAAAAAAAAAAAA=</DigestValue></Reference></SignedInfo>"
    "<SignatureValue>AAAA</SignatureValue><KeyInfo><X509Data><X509Certificate>AAAA</X509Certificate>"
    "</X509Data></KeyInfo></Signature></NFe>";

class NFeWSchema : public ::testing::Test {
protected:
  void SetUp() override {
    fuso.Assign(ConfiguracaoFusoHorario());
    ConfiguracaoFusoHorario().SetModoDeteccao(tzFSC);
    pasta = fs::temp_directory_path() / ("tuim-nfew-xsd-" + std::to_string(::getpid()) + "-" +
                                         ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::create_directories(pasta);

    n.infNFe.versao = 4.00;
    n.Ide.cUF = 35;
    n.Ide.cNF = 12345678;
    n.Ide.natOp = "VENDA";
    n.Ide.modelo = 55;
    n.Ide.serie = 1;
    n.Ide.nNF = 123;
    n.Ide.dEmi = EncodeDateTime(2024, 5, 10, 10, 20, 30);
    n.Ide.dSaiEnt = EncodeDateTime(2024, 5, 11, 8, 0, 0);
    n.Ide.tpNF = tpNF1;
    n.Ide.cMunFG = 3550308;
    n.Ide.tpImp = tiRetrato;
    n.Ide.indFinal = indFinal1;
    n.Ide.indPres = indPres1;
    n.Ide.verProc = "Tuim 1.0";
    n.Emit.CNPJCPF = "11222333000181";
    n.Emit.xNome = "EMPRESA EMITENTE LTDA";
    n.Emit.EnderEmit.xLgr = "RUA DAS FLORES";
    n.Emit.EnderEmit.nro = "7";
    n.Emit.EnderEmit.xBairro = "CENTRO";
    n.Emit.EnderEmit.cMun = 3550308;
    n.Emit.EnderEmit.xMun = "SAO PAULO";
    n.Emit.EnderEmit.UF = "SP";
    n.Emit.EnderEmit.CEP = 1001000;
    n.Emit.IE = "110042490114";
    n.Emit.IM = "998877";
    n.Emit.CNAE = "4711301";
    n.Dest.CNPJCPF = "11444777000161";
    n.Dest.xNome = "CLIENTE LTDA";
    n.Dest.EnderDest.xLgr = "AV PAULISTA";
    n.Dest.EnderDest.nro = "1000";
    n.Dest.EnderDest.xBairro = "BELA VISTA";
    n.Dest.EnderDest.cMun = 3550308;
    n.Dest.EnderDest.xMun = "SAO PAULO";
    n.Dest.EnderDest.UF = "SP";
    n.Dest.EnderDest.CEP = 1310100;
    n.Dest.indIEDest = indIEDest1;
    n.Dest.IE = "110042490114";
    n.Dest.email = "cliente@example.com";
  }
  void TearDown() override {
    ConfiguracaoFusoHorario().Assign(fuso);
    std::error_code ec;
    fs::remove_all(pasta, ec);
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
    std::string resto = kResto;
    resto.replace(resto.find('@'), 1, w.ChaveAcesso());
    fs::path f = pasta / "nfe.xml";
    std::ofstream(f, std::ios::binary) << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>" << xml << resto;
    std::string cmd = "xmllint --noout --schema " + std::string(TUIM_SCHEMAS_DIR) + "/nfe_v4.00.xsd " + f.string() +
                      " >" + (pasta / "saida.txt").string() + " 2>&1";
    int r = std::system(cmd.c_str());
    std::ifstream in(pasta / "saida.txt");
    saida.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return r;
  }

  static void Local(TLocal& l) {
    l.CNPJCPF = "12345678909";
    l.xNome = "DEPOSITO";
    l.xLgr = "RUA B";
    l.nro = "5";
    l.xBairro = "DISTRITO";
    l.cMun = 3550308;
    l.xMun = "SAO PAULO";
    l.UF = "SP";
    l.CEP = 2000000;
    l.cPais = 1058;
    l.xPais = "BRASIL";
    l.fone = "1122223333";
    l.email = "deposito@example.com";
    l.IE = "110042490114";
  }

  TTimeZoneConf fuso;
  fs::path pasta;
  TNFe n;
  std::string saida;
};

TEST_F(NFeWSchema, PlainNFeIsAccepted) { EXPECT_EQ(Validar(), 0) << saida; }

TEST_F(NFeWSchema, EveryReferenceFormPlacesAndReadersAreAccepted) {
  n.Ide.NFref.New().refNFe = "35240511222333000181550010000001239123456780";
  TRefNF& nf = n.Ide.NFref.New().RefNF;
  nf.cUF = 35;
  nf.AAMM = "2404";
  nf.CNPJ = "11222333000181";
  nf.modelo = 1;
  nf.serie = 2;
  nf.nNF = 456;
  TRefNFP& nfp = n.Ide.NFref.New().RefNFP;
  nfp.cUF = 35;
  nfp.AAMM = "2403";
  nfp.CNPJCPF = "12345678909";
  nfp.IE = "110042490114";
  nfp.modelo = "04";
  nfp.nNF = 789;
  n.Ide.NFref.New().refCTe = "35240511222333000181570010000001239123456789";
  TRefECF& ecf = n.Ide.NFref.New().RefECF;
  ecf.modelo = modECF2D;
  ecf.nECF = "1";
  ecf.nCOO = "4321";
  Local(n.Retirada);
  Local(n.Entrega);
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
  TDetCollectionItem& item = n.Det.New();
  TProd& p = item.Prod;
  p.nItem = 1;
  p.cProd = "1";
  p.cEAN = "SEM GTIN";
  p.xProd = "PRODUTO";
  p.NCM = "22030000";
  p.CFOP = "5102";
  p.uCom = "UN";
  p.qCom = 2;
  p.vUnCom = 5;
  p.vProd = 10;
  p.cEANTrib = "SEM GTIN";
  p.uTrib = "UN";
  p.qTrib = 2;
  p.vUnTrib = 5;
  item.Imposto.ICMS.CSOSN = csosn102;
  item.Imposto.PIS.CST = cstPis07;
  item.Imposto.COFINS.CST = cstCofins07;
  n.Total.ICMSTot.vProd = 10;
  n.Total.ICMSTot.vNF = 10;
  n.Transp.modFrete = modFrete9;
  TpagCollectionItem& pag = n.pag.New();
  pag.tPag = tPag01;
  pag.vPag = 10;
  n.InfAdic.infCpl = "PEDIDO 42";

  TNFeW w(&n);
  w.Opcoes().SetGerarTagAssinatura(taNunca);
  w.EscreverNFe();
  std::string xml = w.Gerador().ArquivoFormatoXML();
  EXPECT_EQ(exemplos::Diferenca(exemplos::Reescrever(xml), xml), "");
  std::size_t fim = xml.rfind("</NFe>");
  ASSERT_NE(fim, std::string::npos) << xml;
  std::string assinatura = kResto.substr(kResto.find("<Signature "));
  assinatura.resize(assinatura.size() - std::string("</NFe>").size());
  assinatura.replace(assinatura.find('@'), 1, w.ChaveAcesso());
  xml.insert(fim, assinatura);
  fs::path f = pasta / "nfe.xml";
  std::ofstream(f, std::ios::binary) << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>" << xml;
  std::string cmd = "xmllint --noout --schema " + std::string(TUIM_SCHEMAS_DIR) + "/nfe_v4.00.xsd " + f.string() +
                    " >" + (pasta / "saida.txt").string() + " 2>&1";
  int r = std::system(cmd.c_str());
  std::ifstream in(pasta / "saida.txt");
  saida.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  EXPECT_EQ(r, 0) << saida << "\n" << xml;
  EXPECT_TRUE(w.Gerador().ListaDeAlertas().empty());
}

TEST_F(NFeWSchema, SchemaRejectsWhatTheWriterFlags) {
  // A too short nature of operation is both an alert and a schema error: the check is live.
  n.Ide.natOp = "";
  EXPECT_NE(Validar(), 0) << saida;
}

}  // namespace
}  // namespace tuim
