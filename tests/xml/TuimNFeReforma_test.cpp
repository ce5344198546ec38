// The consumption-tax reform groups (IBS, CBS, IS) as the writer puts them out, judged by the
// official PL_010e package with xmllint and signed and verified with xmlsec1; the old package
// still takes documents without them; the occurrence alerts; and the totals helper.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "fiscal/TuimDateTime.h"
#include "fiscal/fscAuxiliar.h"
#include "security/CertificadosTeste.h"
#include "testing/NFeConstrutor.h"
#include "xml/TuimNFeJson.h"
#include "xml/TuimNFeR.h"
#include "xml/TuimNFeReforma.h"
#include "xml/TuimNFeW.h"

namespace tuim {
namespace {

namespace fs = std::filesystem;

const std::string kPL009 = TUIM_SOURCE_DIR "/schemas/PL_009_V4/nfe_v4.00.xsd";
const std::string kPL010e = TUIM_SOURCE_DIR "/schemas/PL_010e_NT2025.002_v1.01/nfe_v4.00.xsd";
const std::string kPL009Proc = TUIM_SOURCE_DIR "/schemas/PL_009_V4/procNFe_v4.00.xsd";
const std::string kPL010eProc = TUIM_SOURCE_DIR "/schemas/PL_010e_NT2025.002_v1.01/procNFe_v4.00.xsd";
const std::string kIdAttr = " --id-attr:Id http://www.portalfiscal.inf.br/nfe:infNFe ";

TCurrency V(const char* s) {
  TCurrency c;
  EXPECT_TRUE(TCurrency::TryParse(s, c)) << s;
  return c;
}

// A signing template: the signature element with empty values, as xmlsec1 fills it; filled with
// placeholder values, for the schema alone.
std::string ModeloAssinatura(const std::string& chave, bool preenchido) {
  const std::string digest = preenchido ? "AAAAAAAAAAAAAAAAAAAAAAAAAAA=" : "";
  const std::string valor = preenchido ? "AAAA" : "";
  const std::string x509 = preenchido ? "<X509Data><X509Certificate>AAAA</X509Certificate></X509Data>" : "<X509Data/>";
  return "<Signature xmlns=\"http://www.w3.org/2000/09/xmldsig#\"><SignedInfo>"
         "<CanonicalizationMethod Algorithm=\"http://www.w3.org/TR/2001/REC-xml-c14n-20010315\"/>"
         "<SignatureMethod Algorithm=\"http://www.w3.org/2000/09/xmldsig#rsa-sha1\"/><Reference URI=\"#NFe" +
         chave +
         "\"><Transforms><Transform Algorithm=\"http://www.w3.org/2000/09/xmldsig#enveloped-signature\"/>"
         "<Transform Algorithm=\"http://www.w3.org/TR/2001/REC-xml-c14n-20010315\"/></Transforms>"
         "<DigestMethod Algorithm=\"http://www.w3.org/2000/09/xmldsig#sha1\"/><DigestValue>" +
         digest + "</DigestValue></Reference></SignedInfo><SignatureValue>" + valor + "</SignatureValue><KeyInfo>" +
         x509 + "</KeyInfo></Signature>";
}

class NFeReforma : public ::testing::Test {
protected:
  void SetUp() override {
    fuso.Assign(ConfiguracaoFusoHorario());
    ConfiguracaoFusoHorario().SetModoDeteccao(tzFSC);
    pasta = fs::temp_directory_path() / ("tuim-reforma-" + std::to_string(::getpid()) + "-" +
                                         ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::create_directories(pasta);
    Documento(n);
  }
  void TearDown() override {
    ConfiguracaoFusoHorario().Assign(fuso);
    std::error_code ec;
    fs::remove_all(pasta, ec);
  }

public:
  // A whole NF-e of the normal regime with one item, valid in both packages.
  static void Documento(TNFe& n) {
    n.infNFe.versao = 4.00;
    n.Ide.cUF = 35;
    n.Ide.cNF = 12345678;
    n.Ide.natOp = "VENDA";
    n.Ide.modelo = 55;
    n.Ide.serie = 1;
    n.Ide.nNF = 123;
    n.Ide.dEmi = EncodeDateTime(2026, 5, 10, 10, 20, 30);
    n.Ide.tpNF = tpNF1;
    n.Ide.cMunFG = 3550308;
    n.Ide.tpImp = tiRetrato;
    n.Ide.indFinal = indFinal1;
    n.Ide.indPres = indPres1;
    n.Ide.verProc = "Tuim 1.0";
    teste::Emitente(n);
    teste::Destinatario(n);
    Item(n, 1, V("100"));
    n.Total.ICMSTot.vProd = V("100");
    n.Total.ICMSTot.vNF = V("100");
    n.Transp.modFrete = modFrete9;
    TpagCollectionItem& pag = n.pag.New();
    pag.tPag = tPag01;
    pag.vPag = V("100");
  }

  static TDetCollectionItem& Item(TNFe& n, int nItem, TCurrency valor) {
    TDetCollectionItem& item = n.Det.New();
    TProd& p = item.Prod;
    p.nItem = nItem;
    p.cProd = std::to_string(nItem);
    p.cEAN = "SEM GTIN";
    p.xProd = "PRODUTO " + std::to_string(nItem);
    p.NCM = "22030000";
    p.CFOP = "5102";
    p.uCom = "UN";
    p.qCom = V("1");
    p.vUnCom = static_cast<double>(valor.Raw()) / 10000.0;
    p.vProd = valor;
    p.cEANTrib = "SEM GTIN";
    p.uTrib = "UN";
    p.qTrib = V("1");
    p.vUnTrib = p.vUnCom;
    item.Imposto.ICMS.CST = cstIcms41;
    item.Imposto.PIS.CST = cstPis07;
    item.Imposto.COFINS.CST = cstCofins07;
    return item;
  }

  // Full gIBSCBS of the first item: every optional group of UF, municipality and CBS.
  static void IBSCBSCompleto(TNFe& n) {
    TIBSCBS& t = n.Det[0].Imposto.IBSCBS;
    t.CST = "000";
    t.cClassTrib = "000001";
    TgIBSCBS& g = t.gIBSCBS;
    g.vBC = V("100");
    g.gIBSUF.pIBSUF = V("0.1");
    g.gIBSUF.gDif.pDif = V("10");
    g.gIBSUF.gDif.vDif = V("0.01");
    g.gIBSUF.gDevTrib.pDevTrib = V("5");
    g.gIBSUF.gDevTrib.vDevTrib = V("0.01");
    g.gIBSUF.gRed.pRedAliq = V("60");
    g.gIBSUF.gRed.pAliqEfet = V("0.04");
    g.gIBSUF.vIBSUF = V("0.02");
    g.gIBSMun.pIBSMun = V("0.05");
    g.gIBSMun.gRed.pRedAliq = V("60");
    g.gIBSMun.gRed.pAliqEfet = V("0.02");
    g.gIBSMun.vIBSMun = V("0.02");
    g.vIBS = V("0.04");
    g.gCBS.pCBS = V("0.9");
    g.gCBS.gDif.pDif = V("10");
    g.gCBS.gDif.vDif = V("0.09");
    g.gCBS.gDevTrib.vDevTrib = V("0.05");
    g.gCBS.gRed.pRedAliq = V("60");
    g.gCBS.gRed.pAliqEfet = V("0.36");
    g.gCBS.gALCZFMCBS.tpALCZFMCBS = tpALCZFMCBS1;
    g.gCBS.gALCZFMCBS.nProcSuframa = "123456789";
    g.gCBS.gALCZFMCBS.pAliqEfetRegCBS = V("0.9");
    g.gCBS.gALCZFMCBS.vTribRegCBS = V("0.90");
    g.gCBS.vCBS = V("0.22");
    g.gTribRegular.CSTReg = "000";
    g.gTribRegular.cClassTribReg = "000001";
    g.gTribRegular.pAliqEfetRegIBSUF = V("0.1");
    g.gTribRegular.vTribRegIBSUF = V("0.10");
    g.gTribRegular.pAliqEfetRegIBSMun = V("0.05");
    g.gTribRegular.vTribRegIBSMun = V("0.05");
    g.gTribRegular.pAliqEfetRegCBS = V("0.9");
    g.gTribRegular.vTribRegCBS = V("0.90");
  }

  // The ICMS of the first item: its CST and a base of 18% with a reduction of 10%.
  static TICMS& ICMSComBase(TNFe& n, TfscCSTIcms cst, const char* vBC, const char* vICMS) {
    TICMS& i = n.Det[0].Imposto.ICMS;
    i.CST = cst;
    i.modBC = modBC3;
    i.vBC = V(vBC);
    i.pRedBC = V("10");
    i.pICMS = V("18");
    i.vICMS = V(vICMS);
    return i;
  }

  // ICMS 20 of the first item with an exemption for the given reason.
  static void ICMS20Desonerado(TNFe& n, TfscMotDesICMS motivo) {
    TICMS& i = ICMSComBase(n, cstIcms20, "90", "16.20");
    i.vICMSDeson = V("1.80");
    i.motDesICMS = motivo;
    i.indDeduzDeson = "1";
  }

  // ICMS 90 of the first item with the PL_010 benefit code, deferral and deferred FCP, each
  // when asked for.
  // The PL_010 values of ICMS90 in the first item: benefit code, deferral, deferred FCP.
  static void Beneficio(TNFe& n) { n.Det[0].Imposto.ICMS.cBenefRBC = "SP123456"; }
  static void Diferimento(TNFe& n) { Tres(n, {&TICMS::vICMSOp, &TICMS::pDif, &TICMS::vICMSDif}, {"18", "50", "9"}); }
  static void FCPDiferido(TNFe& n) { Tres(n, {&TICMS::pFCPDif, &TICMS::vFCPDif, &TICMS::vFCPEfet}, {"50", "1", "1"}); }
  // Three values of the first item's ICMS.
  static void Tres(TNFe& n, std::array<TCurrency TICMS::*, 3> campos, std::array<const char*, 3> valores) {
    for (std::size_t k = 0; k < 3; ++k) n.Det[0].Imposto.ICMS.*campos[k] = V(valores[k]);
  }
  static void ICMS90Completo(TNFe& n, bool beneficio = true, bool diferimento = true, bool fcpDiferido = true) {
    TICMS& i = ICMSComBase(n, cstIcms90, "100", diferimento ? "9" : "18");
    if (beneficio) Beneficio(n);
    if (diferimento) Diferimento(n);
    i.vBCFCP = V("100");
    i.pFCP = V("2");
    i.vFCP = V("2");
    if (fcpDiferido) FCPDiferido(n);
  }

  // The sharing group of the first item with a CST and an exemption.
  static void ICMSPart(TNFe& n, TfscCSTIcms cst, TfscMotDesICMS motivo) {
    TICMS& i = ICMSComBase(n, cst, "100", "16.20");
    i.modBCST = modBCST4;
    i.vBCST = V("120");
    i.pICMSST = V("18");
    i.vICMSST = V("5.40");
    i.pBCOp = V("100");
    i.UFST = "MT";
    i.vICMSDeson = V("1.80");
    i.motDesICMS = motivo;
    i.indDeduzDeson = "0";
  }

  // Issued through a signing and authorisation provider.
  static void ProvedorPAA(TNFe& n) {
    n.Ide.procEmi = procEmi4;
    n.infPAA.CNPJPAA = "11444777000161";
    n.infPAA.PAASignature.SignatureValue = "c2lnbmF0dXJlLW9mLXRoZS1pZA==";
    n.infPAA.PAASignature.RSAKeyValue.Modulus = "wVwBKuePO3ZZbZ//gqaNuUNyaPHbS3e2v5iDHMFRfYE=";
    n.infPAA.PAASignature.RSAKeyValue.Exponent = "AQAB";
  }

protected:
  // The writer's document with its package; the signature template goes before "</NFe>".
  std::string Escrever(TfscPacoteSchemas pacote = psPL010e, bool modeloVazio = false) {
    TNFeW w(&n);
    w.Opcoes().SetPacoteSchemas(pacote);
    w.Opcoes().SetGerarTagAssinatura(taNunca);
    w.EscreverNFe();
    alertas = w.Gerador().ListaDeAlertas();
    std::string xml = w.Gerador().ArquivoFormatoXML();
    std::size_t fim = xml.rfind("</NFe>");
    EXPECT_NE(fim, std::string::npos) << xml;
    if (fim != std::string::npos) xml.insert(fim, ModeloAssinatura(w.ChaveAcesso(), !modeloVazio));
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>" + xml;
  }

  // Written without signature, read back by TNFeR into `lido` and written again: the same XML,
  // with no warning; and the same through the JSON form.
  void IdaEVolta(TfscPacoteSchemas pacote, TNFe& lido) {
    auto escrever = [pacote](TNFe& d) {
      TNFeW w(&d);
      w.Opcoes().SetPacoteSchemas(pacote);
      w.Opcoes().SetGerarTagAssinatura(taNunca);
      w.EscreverNFe();
      return w.Gerador().ArquivoFormatoXML();
    };
    const std::string original = escrever(n);
    TNFeR r(&lido);
    r.LerXML(original);
    EXPECT_TRUE(r.Avisos().empty()) << ::testing::PrintToString(r.Avisos());
    EXPECT_EQ(escrever(lido), original);
    TNFe doJSON;
    NFeDeJSON(doJSON, NFeParaJSON(lido));
    EXPECT_EQ(escrever(doJSON), original);
  }

  int Comando(const std::string& cmd) {
    fs::path out = pasta / "saida.txt";
    int r = std::system((cmd + " >" + out.string() + " 2>&1").c_str());
    std::ifstream in(out);
    saida.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return r;
  }

  int Validar(const std::string& xml, const std::string& xsd, const std::string& nome = "nfe.xml") {
    fs::path f = pasta / nome;
    std::ofstream(f, std::ios::binary) << xml;
    return Comando("xmllint --noout --schema " + xsd + " " + f.string());
  }

  // Written, valid in PL_010e, signed by xmlsec1, still valid once signed, and verified.
  void EscritoValidadoAssinado() {
    std::string xml = Escrever();
    EXPECT_TRUE(alertas.empty()) << ::testing::PrintToString(alertas);
    ASSERT_EQ(Validar(xml, kPL010e), 0) << saida << "\n" << xml;
    std::ofstream(pasta / "modelo.xml", std::ios::binary) << Escrever(psPL010e, true);
    fs::path modelo = pasta / "modelo.xml", assinado = pasta / "assinado.xml";
    ASSERT_EQ(Comando("xmlsec1 --sign --privkey-pem " + Certificado("empresa.key") + "," + Certificado("empresa.pem") +
                      kIdAttr + "--output " + assinado.string() + " " + modelo.string()),
              0)
        << saida;
    EXPECT_EQ(Comando("xmllint --noout --schema " + kPL010e + " " + assinado.string()), 0) << saida;
    EXPECT_EQ(Comando("xmlsec1 --verify --trusted-pem " + Certificado("ca.pem") + kIdAttr + assinado.string()), 0)
        << saida;
  }

  TTimeZoneConf fuso;
  fs::path pasta;
  TNFe n;
  std::string saida;
  std::vector<std::string> alertas;
};

// ---- The corpus: one document per reform group and per choice inside IBSCBS --------------

struct Caso {
  const char* nome;
  std::function<void(TNFe&)> preparar;
  std::vector<const char*> trechos;  // text the written document must hold
};

class CorpusReforma : public NFeReforma, public ::testing::WithParamInterface<Caso> {};

TEST_P(CorpusReforma, WrittenValidSignedAndVerified) {
  GetParam().preparar(n);
  TotalizarReforma(n);
  if (std::size_t p = n.infNFeSupl.qrCode.find('@'); p != std::string::npos) {
    TNFe copia = n;
    TNFeW w(&copia);
    w.EscreverNFe();
    n.infNFeSupl.qrCode.replace(p, 1, w.ChaveAcesso());
  }
  EscritoValidadoAssinado();
  std::string xml = Escrever();
  for (const char* t : GetParam().trechos) EXPECT_NE(xml.find(t), std::string::npos) << t << "\n" << xml;
}

const Caso kCorpus[] = {
    {"gIBSCBSComTodosOsGrupos",
     [](TNFe& n) {
       NFeReforma::IBSCBSCompleto(n);
       TgTribCompraGov& c = n.Det[0].Imposto.IBSCBS.gIBSCBS.gTribCompraGov;
       c.pAliqIBSUF = V("0.1");
       c.vTribIBSUF = V("0.10");
       c.pAliqIBSMun = V("0.05");
       c.vTribIBSMun = V("0.05");
       c.pAliqCBS = V("0.9");
       c.vTribCBS = V("0.90");
       n.Ide.gCompraGov.tpEnteGov = tpEnteGov1;
       n.Ide.gCompraGov.pRedutor = V("10");
       n.Ide.gCompraGov.tpOperGov = tpOperGov1;
       n.Det[0].Imposto.IBSCBS.indDoacao = indDoacao1;
       n.Det[0].vItem = V("100");
       n.Total.vNFTot = V("100.26");
     },
     {"<gIBSCBS><vBC>100.00</vBC><gIBSUF><pIBSUF>0.1000</pIBSUF><gDif><pDif>10.0000</pDif><vDif>0.01</vDif></gDif>",
      "<gDevTrib><pDevTrib>5.0000</pDevTrib><vDevTrib>0.01</vDevTrib></gDevTrib>",
      "<gALCZFMCBS><tpALCZFMCBS>1</tpALCZFMCBS><nProcSuframa>123456789</nProcSuframa>",
      "<gCompraGov><tpEnteGov>1</tpEnteGov><pRedutor>10.0000</pRedutor><tpOperGov>1</tpOperGov></gCompraGov>",
      "<indDoacao>1</indDoacao>", "<vItem>100.00</vItem>", "<vNFTot>100.26</vNFTot>",
      "<IBSCBSTot><vBCIBSCBS>100.00</vBCIBSCBS><gIBS><gIBSUF><vDif>0.01</vDif><vDevTrib>0.01</vDevTrib>"
      "<vIBSUF>0.02</vIBSUF></gIBSUF>"}},
    {"gIBSCBSMonoComTodosOsGrupos",
     [](TNFe& n) {
       TIBSCBS& t = n.Det[0].Imposto.IBSCBS;
       t.CST = "620";
       t.cClassTrib = "620001";
       TgIBSCBSMono& m = t.gIBSCBSMono;
       m.gMonoPadrao = {V("100"), V("0.1"), V("0.9"), V("10"), V("90")};
       m.gMonoReten = {V("10"), V("0.1"), V("1"), V("0.9"), V("9")};
       m.gMonoRet = {V("5"), V("0.1"), V("0.5"), V("0.9"), V("4.5")};
       m.gMonoDif = {V("10"), V("1"), V("10"), V("9")};
       m.vTotIBSMonoItem = V("9");
       m.vTotCBSMonoItem = V("81");
     },
     {"<gMonoPadrao><qBCMono>100.0000</qBCMono>", "<gMonoReten>", "<gMonoRet>", "<gMonoDif><pDifIBS>10.0000</pDifIBS>",
      "<vTotIBSMonoItem>9.00</vTotIBSMonoItem>",
      "<gMono><vIBSMono>10.00</vIBSMono><vCBSMono>90.00</vCBSMono><vIBSMonoReten>1.00</vIBSMonoReten>"}},
    {"gTransfCred",
     [](TNFe& n) {
       TIBSCBS& t = n.Det[0].Imposto.IBSCBS;
       t.CST = "800";
       t.cClassTrib = "800001";
       t.gTransfCred.vIBS = V("12.34");
       t.gTransfCred.vCBS = V("56.78");
     },
     {"<gTransfCred><vIBS>12.34</vIBS><vCBS>56.78</vCBS></gTransfCred>"}},
    {"gAjusteCompet",
     [](TNFe& n) {
       TIBSCBS& t = n.Det[0].Imposto.IBSCBS;
       t.CST = "811";
       t.cClassTrib = "811001";
       t.gAjusteCompet.competApur = "2026-03";
       t.gAjusteCompet.vIBS = V("1.50");
       t.gAjusteCompet.vCBS = V("2.50");
     },
     {"<gAjusteCompet><competApur>2026-03</competApur><vIBS>1.50</vIBS><vCBS>2.50</vCBS></gAjusteCompet>"}},
    {"gEstornoCredEgCredPresOper",
     [](TNFe& n) {
       NFeReforma::IBSCBSCompleto(n);
       TIBSCBS& t = n.Det[0].Imposto.IBSCBS;
       t.gEstornoCred.vIBSEstCred = V("0.30");
       t.gEstornoCred.vCBSEstCred = V("0.70");
       t.gCredPresOper.vBCCredPres = V("100");
       t.gCredPresOper.cCredPres = "01";
       t.gCredPresOper.gIBSCredPres.pCredPres = V("1");
       t.gCredPresOper.gIBSCredPres.vCredPres = V("1");
       t.gCredPresOper.gCBSCredPres.pCredPres = V("2");
       t.gCredPresOper.gCBSCredPres.vCredPresCondSus = V("2");
     },
     {"<gEstornoCred><vIBSEstCred>0.30</vIBSEstCred><vCBSEstCred>0.70</vCBSEstCred></gEstornoCred><gCredPresOper>",
      "<gIBSCredPres><pCredPres>1.0000</pCredPres><vCredPres>1.00</vCredPres></gIBSCredPres>",
      "<gCBSCredPres><pCredPres>2.0000</pCredPres><vCredPresCondSus>2.00</vCredPresCondSus></gCBSCredPres>",
      "<vCredPres>1.00</vCredPres><vCredPresCondSus>0.00</vCredPresCondSus></gIBS>",
      "<gEstornoCred><vIBSEstCred>0.30</vIBSEstCred><vCBSEstCred>0.70</vCBSEstCred></gEstornoCred></IBSCBSTot>"}},
    {"gCredPresIBSZFMComSuframaDoEmitente",
     [](TNFe& n) {
       NFeReforma::IBSCBSCompleto(n);
       TgCredPresIBSZFM& z = n.Det[0].Imposto.IBSCBS.gCredPresIBSZFM;
       z.competApur = "2026-04";
       z.tpCredPresIBSZFM = tpCredPresIBSZFM2;
       z.vCredPresIBSZFM = V("3.21");
       n.Emit.ISUFEmit = "123456789";
       n.Det[0].Prod.tpCredPresIBSZFM = tpCredPresIBSZFM1;
     },
     {"<CRT>3</CRT><ISUFEmit>123456789</ISUFEmit></emit>", "<tpCredPresIBSZFM>1</tpCredPresIBSZFM><CFOP>",
      "<gCredPresIBSZFM><competApur>2026-04</competApur><tpCredPresIBSZFM>2</tpCredPresIBSZFM>"}},
    {"ImpostoSeletivoComUnidade",
     [](TNFe& n) {
       NFeReforma::IBSCBSCompleto(n);
       TIS& is = n.Det[0].Imposto.IS;
       is.CSTIS = "000";
       is.cClassTribIS = "000001";
       is.vBCIS = V("100");
       is.pIS = V("10");
       is.adRemIS = V("1.5");
       is.uTrib = "LT";
       is.qTrib = V("2");
       is.vIS = V("13");
     },
     {"<IS><CSTIS>000</CSTIS><cClassTribIS>000001</cClassTribIS><vBCIS>100.00</vBCIS><pIS>10.0000</pIS>"
      "<adRemIS>1.5000</adRemIS><uTrib>LT</uTrib><qTrib>2.0000</qTrib><vIS>13.00</vIS></IS><IBSCBS>",
      "<ISTot><vIS>13.00</vIS></ISTot><IBSCBSTot>"}},
    {"NotaDeCreditoComReferenciaDeItem",
     [](TNFe& n) {
       n.Ide.finNFe = finNFe5;
       n.Ide.tpNFCredito = tpNFCredito04;
       n.Ide.NFref.New().refNFe = "35260511222333000181550010000000991123456781";
       NFeReforma::IBSCBSCompleto(n);
       n.Det[0].DFeReferenciado.chaveAcesso = "35260511222333000181550010000000991123456781";
       n.Det[0].DFeReferenciado.nItem = 3;
     },
     {"<finNFe>5</finNFe><tpNFCredito>04</tpNFCredito><indFinal>",
      "<DFeReferenciado><chaveAcesso>35260511222333000181550010000000991123456781</chaveAcesso><nItem>3</nItem>"}},
    {"NotaDeDebitoComPagamentoAntecipadoEDatas",
     [](TNFe& n) {
       n.Ide.finNFe = finNFe6;
       n.Ide.tpNFDebito = tpNFDebito06;
       n.Ide.dSaiEnt = EncodeDateTime(2026, 5, 11, 8, 0, 0);
       n.Ide.dPrevEntrega = EncodeDate(2026, 5, 20);
       n.Ide.cMunFGIBS = 3550308;
       n.Ide.gPagAntecipado.refNFe.New().refNFe = "35260511222333000181550010000000991123456781";
       n.Ide.gPagAntecipado.refNFe.New().refNFe = "35260511222333000181550010000000992123456780";
       n.Det[0].Prod.indBemMovelUsado = indBemMovelUsado1;
       NFeReforma::IBSCBSCompleto(n);
     },
     {"</dhSaiEnt><dPrevEntrega>2026-05-20</dPrevEntrega><tpNF>", "</cMunFG><cMunFGIBS>3550308</cMunFGIBS>",
      "<finNFe>6</finNFe><tpNFDebito>06</tpNFDebito>",
      "<gPagAntecipado><refNFe>35260511222333000181550010000000991123456781</refNFe><refNFe>",
      "<indTot>1</indTot><indBemMovelUsado>1</indBemMovelUsado></prod>"}},
    {"CompraGovernamentalComDocumentoAnterior",
     [](TNFe& n) {
       n.Ide.gCompraGov.tpEnteGov = tpEnteGov4;
       n.Ide.gCompraGov.pRedutor = V("2.5");
       n.Ide.gCompraGov.tpOperGov = tpOperGov2;
       n.Ide.gCompraGov.refDFeAnt.New().refDFeAnt = "35260511222333000181550010000000991123456781";
       NFeReforma::IBSCBSCompleto(n);
     },
     {"<tpOperGov>2</tpOperGov><refDFeAnt>35260511222333000181550010000000991123456781</refDFeAnt></gCompraGov>"}},
    {"EmitenteComCNPJAlfanumerico",
     [](TNFe& n) {
       n.Emit.CNPJCPF = "12ABC34501DE35";
       NFeReforma::IBSCBSCompleto(n);
     },
     {"<CNPJ>12ABC34501DE35</CNPJ>", "Id=\"NFe35260512ABC34501DE35"}},
    {"NFCeComQRCodeV3Online",
     [](TNFe& n) {
       n.Ide.modelo = 65;
       n.Ide.tpImp = tiNFCe;
       n.Ide.tpAmb = taHomologacao;
       n.Dest = TDest();
       n.Dest.indIEDest = indIEDest9;
       NFeReforma::IBSCBSCompleto(n);
       // The writer places the text; its key is fixed by the fields above.
       n.infNFeSupl.qrCode = "https://www.homologacao.nfce.fazenda.sp.gov.br/qrcode?p=@|3|2";
       n.infNFeSupl.urlChave = "https://www.homologacao.nfce.fazenda.sp.gov.br/consulta";
     },
     {"|3|2]]></qrCode>"}},
    {"NFCeComQRCodeV3Offline",
     [](TNFe& n) {
       n.Ide.modelo = 65;
       n.Ide.tpImp = tiNFCe;
       n.Ide.tpAmb = taHomologacao;
       n.Ide.tpEmis = teOffLine;
       n.Ide.dhCont = EncodeDateTime(2026, 5, 10, 10, 0, 0);
       n.Ide.xJust = "SEM CONEXAO COM A SEFAZ AUTORIZADORA";
       n.Dest = TDest();
       n.Dest.indIEDest = indIEDest9;
       NFeReforma::IBSCBSCompleto(n);
       n.infNFeSupl.qrCode = "https://www.homologacao.nfce.fazenda.sp.gov.br/qrcode?p=@|3|2|10|100.00|||"
                             "c2lnbmF0dXJlLW9mLXRoZS1pc3N1ZXI=";
       n.infNFeSupl.urlChave = "https://www.homologacao.nfce.fazenda.sp.gov.br/consulta";
     },
     {"|3|2|10|100.00|||c2lnbmF0dXJl"}},
    {"LocalDaOperacaoDanfeSimplificadoTipo2EProvedorPAA",
     [](TNFe& n) {
       n.Ide.cIndOp = "355030";
       n.Ide.tpImp = tiSimplificadoTipo2;
       NFeReforma::ProvedorPAA(n);
       NFeReforma::IBSCBSCompleto(n);
     },
     {"<tpImp>6</tpImp>", "<indPres>1</indPres><cIndOp>355030</cIndOp><procEmi>4</procEmi>",
      "<infPAA><CNPJPAA>11444777000161</CNPJPAA><PAASignature><SignatureValue>c2lnbmF0dXJlLW9mLXRoZS1pZA=="
      "</SignatureValue><RSAKeyValue><Modulus>wVwBKuePO3ZZbZ//gqaNuUNyaPHbS3e2v5iDHMFRfYE=</Modulus>"
      "<Exponent>AQAB</Exponent></RSAKeyValue></PAASignature></infPAA></infNFe>"}},
    {"ICMS20DesoneradoParaDeficienteCondutor",
     [](TNFe& n) {
       NFeReforma::ICMS20Desonerado(n, motDesICMS10);
       NFeReforma::IBSCBSCompleto(n);
     },
     {"<vICMSDeson>1.80</vICMSDeson><motDesICMS>10</motDesICMS><indDeduzDeson>1</indDeduzDeson></ICMS20>"}},
    {"ICMS90ComBeneficioDiferimentoEFCPDiferido",
     [](TNFe& n) {
       NFeReforma::ICMS90Completo(n);
       NFeReforma::IBSCBSCompleto(n);
     },
     {"<pRedBC>10.0000</pRedBC><cBenefRBC>SP123456</cBenefRBC><pICMS>18.0000</pICMS><vICMSOp>18.00</vICMSOp>"
      "<pDif>50.0000</pDif><vICMSDif>9.00</vICMSDif><vICMS>9.00</vICMS>",
      "<vFCP>2.00</vFCP><pFCPDif>50.0000</pFCPDif><vFCPDif>1.00</vFCPDif><vFCPEfet>1.00</vFCPEfet></ICMS90>"}},
    {"ICMSPart20DesoneradoParaDeficienteNaoCondutor",
     [](TNFe& n) {
       NFeReforma::ICMSPart(n, cstIcmsPart20, motDesICMS11);
       NFeReforma::IBSCBSCompleto(n);
     },
     {"<ICMSPart><orig>0</orig><CST>20</CST>",
      "<UFST>MT</UFST><vICMSDeson>1.80</vICMSDeson><motDesICMS>11</motDesICMS><indDeduzDeson>0</indDeduzDeson>"
      "</ICMSPart>"}},
    {"ItemSemICMS",
     [](TNFe& n) {
       n.Det[0].Imposto.ICMS.CST = cstIcmsVazio;
       NFeReforma::IBSCBSCompleto(n);
     },
     {"<imposto><PIS>"}},
};

// Written, read back by TNFeR and written again: the same XML, with no warning; and the same
// through the JSON form.
TEST_P(CorpusReforma, ReadBackAndWrittenAgainGivesTheSameXML) {
  GetParam().preparar(n);
  TotalizarReforma(n);
  TNFe lido;
  IdaEVolta(psPL010e, lido);
}

INSTANTIATE_TEST_SUITE_P(Grupos, CorpusReforma, ::testing::ValuesIn(kCorpus),
                         [](const ::testing::TestParamInfo<Caso>& i) { return std::string(i.param.nome); });

// ---- The old package ------------------------------------------------------------------------

// A document made to break one rule, the element named and the text of the alert.
struct Regra {
  const char* nome;
  std::function<void(TNFe&)> preparar;
  const char* tag;
  const char* alerta;
};

// Each part of the new package written for the old one: one alert naming it, a schema that
// refuses it, and the same name found again in the written XML.
class RecusaPL009 : public NFeReforma, public ::testing::WithParamInterface<Regra> {};

TEST_P(RecusaPL009, IsAnAlertAndTheOldSchemaRefusesIt) {
  GetParam().preparar(n);
  const std::string xml = Escrever(psPL009V4);
  ASSERT_EQ(alertas.size(), 1u) << ::testing::PrintToString(alertas);
  EXPECT_NE(alertas[0].find(std::string("/") + GetParam().tag + "("), std::string::npos) << alertas[0];
  EXPECT_NE(alertas[0].find(std::string(GetParam().alerta) + " pelo pacote de schemas PL_009_V4 (use PL_010e"),
            std::string::npos)
      << alertas[0];
  EXPECT_EQ(PrimeiroGrupoReformaXML(xml), GetParam().tag);
  EXPECT_NE(Validar(xml, kPL009), 0) << xml;
  EXPECT_EQ(Validar(xml, kPL010e), 0) << saida << "\n" << xml;
}

const Regra kRecusas[] = {
    {"LocalDaOperacao", [](TNFe& n) { n.Ide.cIndOp = "355030"; }, "cIndOp", "Grupo não aceito"},
    {"DanfeSimplificadoTipo2", [](TNFe& n) { n.Ide.tpImp = tiSimplificadoTipo2; }, "tpImp", "Valor não aceito"},
    {"ProvedorPAA", [](TNFe& n) { NFeReforma::ProvedorPAA(n); }, "procEmi", "Valor não aceito"},
    {"ICMS20ParaDeficienteNaoCondutor", [](TNFe& n) { NFeReforma::ICMS20Desonerado(n, motDesICMS11); }, "motDesICMS",
     "Valor não aceito"},
    {"ICMS90BeneficioDaReducao", [](TNFe& n) { NFeReforma::ICMS90Completo(n, true, false, false); }, "cBenefRBC",
     "Grupo não aceito"},
    {"ICMS90Diferimento", [](TNFe& n) { NFeReforma::ICMS90Completo(n, false, true, false); }, "vICMSOp",
     "Grupo não aceito"},
    {"ICMS90FCPDiferido", [](TNFe& n) { NFeReforma::ICMS90Completo(n, false, false, true); }, "pFCPDif",
     "Grupo não aceito"},
    {"ICMSPart20",
     [](TNFe& n) {
       NFeReforma::ICMSPart(n, cstIcmsPart20, motDesICMS9);
       n.Det[0].Imposto.ICMS.vICMSDeson = TCurrency();
     },
     "CST", "Valor não aceito"},
    {"ICMSPartDesonerado", [](TNFe& n) { NFeReforma::ICMSPart(n, cstIcmsPart90, motDesICMS9); }, "vICMSDeson",
     "Grupo não aceito"},
    {"ItemSemICMS", [](TNFe& n) { n.Det[0].Imposto.ICMS.CST = cstIcmsVazio; }, "ICMS",
     "Item sem grupo ICMS ou ISSQN não aceito"},
};

INSTANTIATE_TEST_SUITE_P(Pacote, RecusaPL009, ::testing::ValuesIn(kRecusas),
                         [](const ::testing::TestParamInfo<Regra>& i) { return std::string(i.param.nome); });

TEST_F(NFeReforma, ExemptionDeductionIndicatorIsTakenByBothPackages) {
  ICMS20Desonerado(n, motDesICMS9);
  const std::string xml = Escrever(psPL009V4);
  EXPECT_TRUE(alertas.empty()) << ::testing::PrintToString(alertas);
  EXPECT_NE(xml.find("<motDesICMS>9</motDesICMS><indDeduzDeson>1</indDeduzDeson>"), std::string::npos) << xml;
  EXPECT_EQ(Validar(xml, kPL009), 0) << saida;
  EXPECT_EQ(Validar(xml, kPL010e), 0) << saida;
}

TEST_F(NFeReforma, DocumentWithoutReformGroupsIsTheSameForBothPackagesAndValidInPL009) {
  std::string antigo = Escrever(psPL009V4);
  EXPECT_TRUE(alertas.empty()) << ::testing::PrintToString(alertas);
  EXPECT_EQ(Escrever(psPL010e), antigo);
  EXPECT_EQ(Validar(antigo, kPL009), 0) << saida;
  EXPECT_EQ(Validar(antigo, kPL010e), 0) << saida;
  EXPECT_EQ(antigo.find("IBSCBS"), std::string::npos);
  EXPECT_EQ(antigo.find("<IS>"), std::string::npos);
  EXPECT_EQ(antigo.find("vNFTot"), std::string::npos);
}

TEST_F(NFeReforma, ReformGroupWrittenForTheOldPackageIsAnAlertAndTheOldSchemaRefusesIt) {
  IBSCBSCompleto(n);
  std::string xml = Escrever(psPL009V4);
  ASSERT_EQ(alertas.size(), 1u) << ::testing::PrintToString(alertas);
  EXPECT_NE(alertas[0].find("IBSCBS"), std::string::npos) << alertas[0];
  EXPECT_NE(alertas[0].find("Grupo não aceito pelo pacote de schemas PL_009_V4"), std::string::npos) << alertas[0];
  EXPECT_NE(Validar(xml, kPL009), 0);
  EXPECT_EQ(Validar(xml, kPL010e), 0) << saida;
}

TEST_F(NFeReforma, AlphanumericIssuerIsAnAlertForTheOldPackage) {
  n.Emit.CNPJCPF = "12ABC34501DE35";
  Escrever(psPL009V4);
  ASSERT_EQ(alertas.size(), 1u) << ::testing::PrintToString(alertas);
  EXPECT_NE(alertas[0].find("CNPJ"), std::string::npos);
  EXPECT_EQ(PrimeiroGrupoReforma(n), "CNPJ");
  n.Emit.CNPJCPF = "11222333000181";
  EXPECT_EQ(PrimeiroGrupoReforma(n), "");
  n.autXML.New().CNPJCPF = "12ABC34501DE35";
  EXPECT_EQ(PrimeiroGrupoReforma(n), "CNPJ");
}

TEST_F(NFeReforma, AlphanumericRecipientAndAuthorizedReaderAreAcceptedByTheNewPackage) {
  n.Dest.CNPJCPF = "12ABC34501DE35";
  n.autXML.New().CNPJCPF = "12ABC34501DE35";
  std::string xml = Escrever();
  EXPECT_TRUE(alertas.empty()) << ::testing::PrintToString(alertas);
  EXPECT_NE(xml.find("<dest><CNPJ>12ABC34501DE35</CNPJ>"), std::string::npos);
  EXPECT_EQ(Validar(xml, kPL010e), 0) << saida;
  EXPECT_NE(Validar(xml, kPL009), 0);
}

TEST_F(NFeReforma, QRCodeLimitsFollowThePackage) {
  n.Ide.modelo = 65;
  n.Ide.tpImp = tiNFCe;
  n.Dest = TDest();
  n.Dest.indIEDest = indIEDest9;
  // 72 characters with the wrapper: short for PL_009_V4, enough from PL_010 on.
  n.infNFeSupl.qrCode = std::string(60, 'h');
  n.infNFeSupl.urlChave = "https://www.sefaz.example/consulta";
  Escrever(psPL010e);
  EXPECT_TRUE(alertas.empty()) << ::testing::PrintToString(alertas);
  Escrever(psPL009V4);
  ASSERT_EQ(alertas.size(), 1u);
  EXPECT_NE(alertas[0].find("qrCode"), std::string::npos);
}

// ---- Occurrence rules ----------------------------------------------------------------------

class RegrasReforma : public NFeReforma, public ::testing::WithParamInterface<Regra> {};

TEST_P(RegrasReforma, BrokenRuleIsAnAlert) {
  GetParam().preparar(n);
  Escrever();
  bool achou = false;
  for (const std::string& a : alertas)
    achou = achou || (a.find(GetParam().tag) != std::string::npos && a.find(GetParam().alerta) != std::string::npos);
  EXPECT_TRUE(achou) << ::testing::PrintToString(alertas);
}

const Regra kRegras[] = {
    {"CreditNoteWithoutItsType", [](TNFe& n) { n.Ide.finNFe = finNFe5; }, "tpNFCredito", "Nenhum valor informado"},
    {"DebitNoteWithoutItsType", [](TNFe& n) { n.Ide.finNFe = finNFe6; }, "tpNFDebito", "Nenhum valor informado"},
    {"DebitTypeOnANormalDocument", [](TNFe& n) { n.Ide.tpNFDebito = tpNFDebito01; }, "tpNFDebito",
     "Conteúdo inválido"},
    {"CreditTypeOnADebitNote",
     [](TNFe& n) {
       n.Ide.finNFe = finNFe6;
       n.Ide.tpNFDebito = tpNFDebito01;
       n.Ide.tpNFCredito = tpNFCredito01;
     },
     "tpNFCredito", "Conteúdo inválido"},
    {"TwoChoicesOfIBSCBS",
     [](TNFe& n) {
       NFeReforma::IBSCBSCompleto(n);
       n.Det[0].Imposto.IBSCBS.gTransfCred.vIBS = V("1");
     },
     "IBSCBS", "Somente um dos grupos da escolha pode ser informado"},
    {"BothPresumedCredits",
     [](TNFe& n) {
       NFeReforma::IBSCBSCompleto(n);
       n.Det[0].Imposto.IBSCBS.gCredPresOper.cCredPres = "01";
       n.Det[0].Imposto.IBSCBS.gCredPresIBSZFM.tpCredPresIBSZFM = tpCredPresIBSZFM1;
     },
     "IBSCBS", "Somente um dos grupos da escolha pode ser informado"},
    {"GovernmentPaymentWithoutEarlierDocument",
     [](TNFe& n) {
       n.Ide.gCompraGov.tpEnteGov = tpEnteGov1;
       n.Ide.gCompraGov.tpOperGov = tpOperGov3;
     },
     "refDFeAnt", "Nenhum valor informado"},
    {"EarlierDocumentOnASupply",
     [](TNFe& n) {
       n.Ide.gCompraGov.tpEnteGov = tpEnteGov1;
       n.Ide.gCompraGov.tpOperGov = tpOperGov1;
       n.Ide.gCompraGov.refDFeAnt.New().refDFeAnt = "35260511222333000181550010000000991123456781";
     },
     "refDFeAnt", "Conteúdo inválido"},
    {"GovernmentCompositionWithoutGovernmentPurchase",
     [](TNFe& n) {
       NFeReforma::IBSCBSCompleto(n);
       n.Det[0].Imposto.IBSCBS.gIBSCBS.gTribCompraGov.pAliqCBS = V("0.9");
     },
     "gTribCompraGov", "Nenhum valor informado"},
    {"AdvancePaymentKeyWithWrongDigit",
     [](TNFe& n) { n.Ide.gPagAntecipado.refNFe.New().refNFe = "35260511222333000181550010000000991123456787"; },
     "refNFe", "Conteúdo inválido"},
    {"HundredAdvancePayments",
     [](TNFe& n) {
       for (int i = 0; i < 100; ++i)
         n.Ide.gPagAntecipado.refNFe.New().refNFe = "35260511222333000181550010000000991123456781";
     },
     "refNFe", "Máximo 99"},
    {"AssessmentPeriodBeforeTheReform",
     [](TNFe& n) {
       TIBSCBS& t = n.Det[0].Imposto.IBSCBS;
       t.CST = "811";
       t.cClassTrib = "811001";
       t.gAjusteCompet.competApur = "2024-12";
     },
     "competApur", "Conteúdo inválido"},
    {"ReferencedItemOutOfRange",
     [](TNFe& n) {
       n.Det[0].DFeReferenciado.chaveAcesso = "35260511222333000181550010000000991123456781";
       n.Det[0].DFeReferenciado.nItem = 991;
     },
     "nItem", "Conteúdo inválido"},
    {"SelectiveTaxUnitWithoutQuantity",
     [](TNFe& n) {
       TIS& is = n.Det[0].Imposto.IS;
       is.CSTIS = "000";
       is.cClassTribIS = "000001";
       is.vBCIS = V("10");
       is.uTrib = "LT";
     },
     "qTrib", "Nenhum valor informado"},
    {"TwoPresumedCreditValues",
     [](TNFe& n) {
       NFeReforma::IBSCBSCompleto(n);
       TgCredPresOper& c = n.Det[0].Imposto.IBSCBS.gCredPresOper;
       c.cCredPres = "01";
       c.gIBSCredPres.pCredPres = V("1");
       c.gIBSCredPres.vCredPres = V("1");
       c.gIBSCredPres.vCredPresCondSus = V("1");
     },
     "gIBSCredPres", "Somente um dos grupos da escolha pode ser informado"},
    {"NineCharacterBenefitCode",
     [](TNFe& n) {
       NFeReforma::ICMS90Completo(n);
       n.Det[0].Imposto.ICMS.cBenefRBC = "SP1234567";
     },
     "cBenefRBC", "Conteúdo inválido"},
    {"DeferralAboveAHundredPercent",
     [](TNFe& n) {
       NFeReforma::ICMS90Completo(n);
       n.Det[0].Imposto.ICMS.pDif = V("100.01");
     },
     "pDif", "Conteúdo inválido"},
    {"DeductionIndicatorTwo",
     [](TNFe& n) {
       NFeReforma::ICMS20Desonerado(n, motDesICMS9);
       n.Det[0].Imposto.ICMS.indDeduzDeson = "2";
     },
     "indDeduzDeson", "Conteúdo inválido"},
    {"ExemptionReasonOfAnotherGroupInICMS20", [](TNFe& n) { NFeReforma::ICMS20Desonerado(n, motDesICMS7); },
     "motDesICMS", "Conteúdo inválido"},
    {"ExemptionReasonOfAnotherGroupInICMSPart",
     [](TNFe& n) { NFeReforma::ICMSPart(n, cstIcmsPart10, motDesICMS12); }, "motDesICMS", "Conteúdo inválido"},
    {"ProviderProcessWithoutProvider", [](TNFe& n) { n.Ide.procEmi = procEmi4; }, "infPAA",
     "Nenhum valor informado"},
    {"ProviderWithoutItsProcess",
     [](TNFe& n) {
       NFeReforma::ProvedorPAA(n);
       n.Ide.procEmi = procEmi0;
     },
     "infPAA", "Conteúdo inválido"},
    {"ProviderKeyNotBase64",
     [](TNFe& n) {
       NFeReforma::ProvedorPAA(n);
       n.infPAA.PAASignature.RSAKeyValue.Modulus = "not base64!";
     },
     "Modulus", "Conteúdo inválido"},
    {"ProviderWithoutSignature",
     [](TNFe& n) {
       NFeReforma::ProvedorPAA(n);
       n.infPAA.PAASignature.SignatureValue.clear();
     },
     "SignatureValue", "Nenhum valor informado"},
    {"ProviderCNPJWithWrongDigit",
     [](TNFe& n) {
       NFeReforma::ProvedorPAA(n);
       n.infPAA.CNPJPAA = "11444777000162";
     },
     "CNPJPAA", "Conteúdo inválido"},
    {"OperationPlaceOfFiveDigits", [](TNFe& n) { n.Ide.cIndOp = "35503"; }, "cIndOp", "Tamanho menor"},
};

INSTANTIATE_TEST_SUITE_P(Regras, RegrasReforma, ::testing::ValuesIn(kRegras),
                         [](const ::testing::TestParamInfo<Regra>& i) { return std::string(i.param.nome); });

// ---- Reform elements in a written document -------------------------------------------------

TEST(PrimeiroGrupoReformaXML, FindsTheReformElementsAndOnlyThem) {
  EXPECT_EQ(PrimeiroGrupoReformaXML("<imposto><ISSQN><vBC>1</vBC></ISSQN></imposto><total><ISSQNtot/></total>"), "");
  EXPECT_EQ(PrimeiroGrupoReformaXML("<imposto><IS><CSTIS>000</CSTIS></IS><IBSCBS>"), "IS");
  EXPECT_EQ(PrimeiroGrupoReformaXML("<total><ISTot><vIS>1.00</vIS></ISTot>"), "ISTot");
  EXPECT_EQ(PrimeiroGrupoReformaXML("<ide><finNFe>5</finNFe></ide>"), "finNFe");
  EXPECT_EQ(PrimeiroGrupoReformaXML("<ide><finNFe>4</finNFe></ide>"), "");
  EXPECT_EQ(PrimeiroGrupoReformaXML("<infNFe versao=\"4.00\" Id=\"NFe35260512ABC34501DE35550010000001231123456780\">"),
            "CNPJ");
  EXPECT_EQ(PrimeiroGrupoReformaXML("<infNFe versao=\"4.00\" Id=\"NFe35260511222333000181550010000001231123456780\">"),
            "");
  // Values and elements that the old package has too, outside the groups that now take more.
  EXPECT_EQ(PrimeiroGrupoReformaXML("<ICMS51><vICMSOp>1.00</vICMSOp></ICMS51><ICMS90><vBC>1.00</vBC></ICMS90>"), "");
  EXPECT_EQ(PrimeiroGrupoReformaXML("<ICMS90><vBC>1.00</vBC><vICMSOp>1.00</vICMSOp></ICMS90>"), "vICMSOp");
  EXPECT_EQ(PrimeiroGrupoReformaXML("<ICMS51><cBenefRBC>SP123456</cBenefRBC><pFCPDif>1.00</pFCPDif></ICMS51>"), "");
  EXPECT_EQ(PrimeiroGrupoReformaXML("<ICMS90><cBenefRBC>SP123456</cBenefRBC></ICMS90>"), "cBenefRBC");
  EXPECT_EQ(PrimeiroGrupoReformaXML("<ICMS90><vBC>1.00</vBC><pFCPDif>1.00</pFCPDif></ICMS90>"), "pFCPDif");
  EXPECT_EQ(PrimeiroGrupoReformaXML("<ICMS40><motDesICMS>10</motDesICMS></ICMS40>"), "");
  EXPECT_EQ(PrimeiroGrupoReformaXML("<ICMS20><motDesICMS>9</motDesICMS></ICMS20><ICMS30><motDesICMS>11</motDesICMS>"),
            "");
  EXPECT_EQ(PrimeiroGrupoReformaXML("<ICMS10><CST>10</CST></ICMS10><ICMSPart><CST>10</CST></ICMSPart>"), "");
  EXPECT_EQ(PrimeiroGrupoReformaXML("<ICMS20><CST>20</CST></ICMS20><ICMSPart><CST>20</CST></ICMSPart>"), "CST");
  EXPECT_EQ(PrimeiroGrupoReformaXML("<imposto><ICMS><ICMS00/></ICMS></imposto><imposto><PIS/></imposto>"), "ICMS");
  EXPECT_EQ(PrimeiroGrupoReformaXML("<impostoDevol><pDevol>1.00</pDevol></impostoDevol>"), "");
  EXPECT_EQ(PrimeiroGrupoReformaXML("<ide><tpImp>6</tpImp></ide>"), "tpImp");
  EXPECT_EQ(PrimeiroGrupoReformaXML("<ide><tpImp>5</tpImp><procEmi>4</procEmi></ide>"), "procEmi");
}

// ---- The totals helper -----------------------------------------------------------------------

TEST(TotalizarReforma, SumsTheRoundedItemValuesOfSeveralItemsAndRates) {
  TNFe n;
  // Item 1: base 100.00, IBS UF 0.1% = 0.10, municipality 0.05% of 100.00 = 0.05, CBS 0.9% = 0.90.
  // Item 2: base 33.33 with a 60% reduction: UF 0.04% = 0.0133 -> 0.01, municipality 0.02% =
  // 0.0067 -> 0.01, CBS 0.36% = 0.1199 -> 0.12; deferral of 10% of the CBS: 0.0120 -> 0.01.
  // Item 3: base 0.5 -> rates of 1%: 0.005 each, rounded half away from zero to 0.01.
  struct Linha {
    const char *vBC, *vIBSUF, *vIBSMun, *vCBS, *vDifCBS;
  };
  const Linha linhas[] = {{"100", "0.10", "0.05", "0.90", "0"},
                          {"33.33", "0.0133", "0.0067", "0.1199", "0.0120"},
                          {"0.5", "0.005", "0.005", "0.005", "0"}};
  for (const Linha& l : linhas) {
    TIBSCBS& t = n.Det.New().Imposto.IBSCBS;
    t.CST = "000";
    t.cClassTrib = "000001";
    t.gIBSCBS.vBC = V(l.vBC);
    t.gIBSCBS.gIBSUF.vIBSUF = V(l.vIBSUF);
    t.gIBSCBS.gIBSMun.vIBSMun = V(l.vIBSMun);
    t.gIBSCBS.gCBS.vCBS = V(l.vCBS);
    t.gIBSCBS.gCBS.gDif.vDif = V(l.vDifCBS);
  }
  // An item with no IBSCBS adds nothing; one of single-phase fuel adds to gMono only.
  n.Det.New();
  TIBSCBS& mono = n.Det.New().Imposto.IBSCBS;
  mono.CST = "620";
  mono.cClassTrib = "620001";
  mono.gIBSCBSMono.gMonoPadrao.vIBSMono = V("1.2345");
  mono.gIBSCBSMono.gMonoPadrao.vCBSMono = V("9.8765");
  mono.gIBSCBSMono.gMonoRet.vIBSMonoRet = V("0.333");
  // Selective tax on two items.
  n.Det[0].Imposto.IS.CSTIS = "000";
  n.Det[0].Imposto.IS.vIS = V("1.005");
  n.Det[1].Imposto.IS.CSTIS = "000";
  n.Det[1].Imposto.IS.vIS = V("2.004");

  TotalizarReforma(n);
  const TIBSCBSTot& t = n.Total.IBSCBSTot;
  EXPECT_EQ(t.vBCIBSCBS.ToString(2), "133.83");
  EXPECT_EQ(t.gIBS.gIBSUF.vIBSUF.ToString(2), "0.12");   // 0.10 + 0.01 + 0.01
  EXPECT_EQ(t.gIBS.gIBSMun.vIBSMun.ToString(2), "0.07");  // 0.05 + 0.01 + 0.01
  EXPECT_EQ(t.gIBS.vIBS.ToString(2), "0.19");
  EXPECT_EQ(t.gCBS.vCBS.ToString(2), "1.03");  // 0.90 + 0.12 + 0.01
  EXPECT_EQ(t.gCBS.vDif.ToString(2), "0.01");
  EXPECT_EQ(t.gMono.vIBSMono.ToString(2), "1.23");
  EXPECT_EQ(t.gMono.vCBSMono.ToString(2), "9.88");
  EXPECT_EQ(t.gMono.vIBSMonoRet.ToString(2), "0.33");
  EXPECT_EQ(n.Total.ISTot.vIS.ToString(2), "3.01");  // 1.01 + 2.00
  // Rounding each item first is what the sum of the written items gives; the raw sum would not.
  // (0.05 + 0.0067 + 0.005 = 0.0617 would round to 0.06).
  EXPECT_EQ(t.gIBS.gIBSMun.vIBSMun.Raw(), 700);
}

// The authority adds up the written item values (vIBSUF, vIBSMun, vCBS, vIS...) and compares
// them with the totals: what is written must add up, whatever the unrounded model values.
TEST_F(NFeReforma, WrittenTotalsAreTheSumsOfTheWrittenItems) {
  IBSCBSCompleto(n);
  const char* const valores[] = {"0.005", "0.0149", "1.115", "2.4951"};
  for (int i = 1; i < 4; ++i) {
    TDetCollectionItem& item = Item(n, i + 1, V("1"));
    item.Imposto.IBSCBS = n.Det[0].Imposto.IBSCBS;
    TgIBSCBS& g = item.Imposto.IBSCBS.gIBSCBS;
    g.gIBSUF.vIBSUF = g.gIBSMun.vIBSMun = g.gCBS.vCBS = V(valores[i]);
    item.Imposto.IS.CSTIS = "000";
    item.Imposto.IS.cClassTribIS = "000001";
    item.Imposto.IS.vBCIS = V("1");
    item.Imposto.IS.pIS = V("1");
    item.Imposto.IS.vIS = V(valores[i]);
  }
  TotalizarReforma(n);
  TNFeW w(&n);
  w.Opcoes().SetPacoteSchemas(psPL010e);
  w.EscreverNFe();
  TNFe lido;
  TNFeR(&lido).LerXML(w.Gerador().ArquivoFormatoXML());
  TCurrency uf, mun, cbs, is;
  for (const TDetCollectionItem& item : lido.Det) {
    uf += item.Imposto.IBSCBS.gIBSCBS.gIBSUF.vIBSUF;
    mun += item.Imposto.IBSCBS.gIBSCBS.gIBSMun.vIBSMun;
    cbs += item.Imposto.IBSCBS.gIBSCBS.gCBS.vCBS;
    is += item.Imposto.IS.vIS;
  }
  const TIBSCBSTot& t = lido.Total.IBSCBSTot;
  EXPECT_EQ(t.gIBS.gIBSUF.vIBSUF, uf);
  EXPECT_EQ(t.gIBS.gIBSMun.vIBSMun, mun);
  EXPECT_EQ(t.gCBS.vCBS, cbs);
  EXPECT_EQ(t.gIBS.vIBS, uf + mun);
  EXPECT_EQ(lido.Total.ISTot.vIS, is);
  EXPECT_EQ(is.ToString(2), "3.63");  // 0.01 + 1.12 + 2.50
}

TEST(TotalizarReforma, RunsAgainWithoutAddingTwiceAndClearsOldTotals) {
  TNFe n;
  n.Total.IBSCBSTot.gEstornoCred.vIBSEstCred = V("99");
  n.Total.ISTot.vIS = V("5");
  TIBSCBS& t = n.Det.New().Imposto.IBSCBS;
  t.CST = "000";
  t.gEstornoCred.vIBSEstCred = V("1.111");
  t.gEstornoCred.vCBSEstCred = V("2.225");
  TotalizarReforma(n);
  TotalizarReforma(n);
  EXPECT_EQ(n.Total.IBSCBSTot.gEstornoCred.vIBSEstCred.ToString(2), "1.11");
  EXPECT_EQ(n.Total.IBSCBSTot.gEstornoCred.vCBSEstCred.ToString(2), "2.23");
  EXPECT_EQ(n.Total.ISTot.vIS.Raw(), 0);
}

// ---- Messages of the protocol -------------------------------------------------------------

class MensagensProtocolo : public NFeReforma {
protected:
  // The document's authorisation protocol, carrying `mensagens` messages of the authority.
  void Protocolo(int mensagens) {
    TNFe copia = n;
    TNFeW w(&copia);
    w.EscreverNFe();
    TProcNFe& p = n.procNFe;
    p.tpAmb = taProducao;
    p.verAplic = "SP_NFE_PL_010";
    p.chNFe = w.ChaveAcesso();
    p.dhRecbto = EncodeDateTime(2026, 5, 10, 10, 21, 0);
    p.nProt = "135260000000001";
    p.digVal = "AAAAAAAAAAAAAAAAAAAAAAAAAAA=";
    p.cStat = 100;
    p.xMotivo = "Autorizado o uso da NF-e";
    for (int i = 1; i <= mensagens; ++i) {
      TMsgCollectionItem& m = i == 1 ? primeira : p.MsgAdicionais.New();
      m.cMsg = i;
      m.xMsg = "Mensagem " + std::to_string(i) + " da SEFAZ";
    }
    p.cMsg = primeira.cMsg;
    p.xMsg = primeira.xMsg;
  }
  TMsgCollectionItem primeira;
};

TEST_F(MensagensProtocolo, EveryMessageIsWrittenInOrderAndTheProcessedFormIsValidInPL010e) {
  Protocolo(3);
  const std::string xml = Escrever();
  EXPECT_TRUE(alertas.empty()) << ::testing::PrintToString(alertas);
  EXPECT_NE(xml.find("<cMsg>1</cMsg><xMsg>Mensagem 1 da SEFAZ</xMsg><cMsg>2</cMsg><xMsg>Mensagem 2 da SEFAZ</xMsg>"
                     "<cMsg>3</cMsg><xMsg>Mensagem 3 da SEFAZ</xMsg></infProt>"),
            std::string::npos)
      << xml;
  EXPECT_EQ(Validar(xml, kPL010eProc), 0) << saida << "\n" << xml;
  EXPECT_NE(Validar(xml, kPL009Proc), 0) << xml;
}

TEST_F(MensagensProtocolo, MoreThanOneMessageIsOneAlertForTheOldPackage) {
  Protocolo(3);
  const std::string xml = Escrever(psPL009V4);
  ASSERT_EQ(alertas.size(), 1u) << ::testing::PrintToString(alertas);
  EXPECT_NE(alertas[0].find("/cMsg("), std::string::npos) << alertas[0];
  EXPECT_NE(alertas[0].find("pelo pacote de schemas PL_009_V4 (use PL_010e_NT2025.002_v1.01)"), std::string::npos)
      << alertas[0];
  // Nothing is dropped for it: the three are there all the same.
  EXPECT_NE(xml.find("<xMsg>Mensagem 3 da SEFAZ</xMsg></infProt>"), std::string::npos) << xml;
}

TEST_F(MensagensProtocolo, OneMessageIsValidInBothPackagesWithoutAlerts) {
  Protocolo(1);
  const std::string xml = Escrever(psPL009V4);
  EXPECT_TRUE(alertas.empty()) << ::testing::PrintToString(alertas);
  EXPECT_EQ(Validar(xml, kPL009Proc), 0) << saida << "\n" << xml;
  EXPECT_EQ(Validar(xml, kPL010eProc), 0) << saida << "\n" << xml;
}

TEST_F(MensagensProtocolo, MoreThanFiveMessagesIsTheOccurrenceAlert) {
  Protocolo(6);
  const std::string xml = Escrever();
  ASSERT_EQ(alertas.size(), 1u) << ::testing::PrintToString(alertas);
  EXPECT_NE(alertas[0].find("/cMsg("), std::string::npos) << alertas[0];
  EXPECT_NE(alertas[0].find("Máximo 5"), std::string::npos) << alertas[0];
  EXPECT_NE(xml.find("<xMsg>Mensagem 6 da SEFAZ</xMsg></infProt>"), std::string::npos) << xml;
}

// ---- ICMS 90 without its base group -------------------------------------------------------

struct CasoICMS90 {
  const char* nome;
  std::function<void(TNFe&)> preparar;
  std::vector<const char*> campos;  // elements of the PL_010 values given
  bool comBase;
};

// With the base group each value has its place and is written; without it the schema has no
// place for any of them, and each is one alert naming it instead of a silent loss.
class ICMS90SemBase : public NFeReforma, public ::testing::WithParamInterface<CasoICMS90> {};

TEST_P(ICMS90SemBase, ValueIsWrittenWhereTheSchemaHasAPlaceAndAnAlertWhereNot) {
  GetParam().preparar(n);
  const std::string xml = Escrever();
  EXPECT_EQ(Validar(xml, kPL010e), 0) << saida << "\n" << xml;
  // The totals have an FCP of their own.
  const std::size_t inicio = xml.find("<ICMS>");
  ASSERT_NE(inicio, std::string::npos) << xml;
  const std::string icms = xml.substr(inicio, xml.find("</ICMS>") - inicio);
  if (GetParam().comBase) {
    EXPECT_TRUE(alertas.empty()) << ::testing::PrintToString(alertas);
    for (const char* c : GetParam().campos) EXPECT_NE(icms.find(std::string("<") + c + ">"), std::string::npos) << c;
    return;
  }
  ASSERT_EQ(alertas.size(), GetParam().campos.size()) << ::testing::PrintToString(alertas);
  for (std::size_t i = 0; i < alertas.size(); ++i) {
    EXPECT_NE(alertas[i].find(std::string("/") + GetParam().campos[i] + "("), std::string::npos) << alertas[i];
    EXPECT_NE(alertas[i].find("Valor não gerado: sem o grupo da base de cálculo (vBC, vICMS) o ICMS90 não tem lugar"),
              std::string::npos)
        << alertas[i];
    EXPECT_EQ(icms.find(std::string("<") + GetParam().campos[i] + ">"), std::string::npos) << icms;
  }
  // Nothing of the new package is written, so the old one takes the document without more.
  const std::vector<std::string> novos = alertas;
  const std::string antigo = Escrever(psPL009V4);
  EXPECT_EQ(alertas, novos);
  EXPECT_EQ(Validar(antigo, kPL009), 0) << saida << "\n" << antigo;
}

// The values of ICMS90Completo with no base group; the FCP that only goes inside it as well
// unless `fcp`.
void SemBase(TNFe& n, bool beneficio, bool diferimento, bool fcpDiferido, bool fcp = false) {
  NFeReforma::ICMS90Completo(n, beneficio, diferimento, fcpDiferido);
  TICMS& i = n.Det[0].Imposto.ICMS;
  i.vBC = i.vICMS = TCurrency();
  if (!fcp) i.vBCFCP = i.pFCP = i.vFCP = TCurrency();
}

const CasoICMS90 kCasosICMS90[] = {
    {"BeneficioComBase", [](TNFe& n) { NFeReforma::ICMS90Completo(n, true, false, false); }, {"cBenefRBC"}, true},
    {"DiferimentoComBase", [](TNFe& n) { NFeReforma::ICMS90Completo(n, false, true, false); },
     {"vICMSOp", "pDif", "vICMSDif"}, true},
    {"FCPDiferidoComBase", [](TNFe& n) { NFeReforma::ICMS90Completo(n, false, false, true); },
     {"pFCPDif", "vFCPDif", "vFCPEfet"}, true},
    {"BeneficioSemBase", [](TNFe& n) { SemBase(n, true, false, false); }, {"cBenefRBC"}, false},
    {"DiferimentoSemBase", [](TNFe& n) { SemBase(n, false, true, false); }, {"vICMSOp", "pDif", "vICMSDif"}, false},
    {"FCPDiferidoSemBase", [](TNFe& n) { SemBase(n, false, false, true); }, {"pFCPDif", "vFCPDif", "vFCPEfet"}, false},
    {"FCPSemBase", [](TNFe& n) { SemBase(n, false, false, false, true); }, {"vBCFCP", "pFCP", "vFCP"}, false},
    {"TodosSemBase", [](TNFe& n) { SemBase(n, true, true, true, true); },
     {"cBenefRBC", "vICMSOp", "pDif", "vICMSDif", "vBCFCP", "pFCP", "vFCP", "pFCPDif", "vFCPDif", "vFCPEfet"}, false},
    {"SoOPercentualDeDiferimento",
     [](TNFe& n) {
       n.Det[0].Imposto.ICMS.CST = cstIcms90;
       n.Det[0].Imposto.ICMS.pDif = V("100");
     },
     {"pDif"}, false},
    // A base that rounds to 0.00 is no base.
    {"BaseQueArredondaAZero",
     [](TNFe& n) {
       SemBase(n, true, false, true);
       n.Det[0].Imposto.ICMS.vBC = V("0.004");
     },
     {"cBenefRBC", "pFCPDif", "vFCPDif", "vFCPEfet"}, false},
};

INSTANTIATE_TEST_SUITE_P(Casos, ICMS90SemBase, ::testing::ValuesIn(kCasosICMS90),
                         [](const ::testing::TestParamInfo<CasoICMS90>& i) { return std::string(i.param.nome); });

// ---- ICMS groups and their FCP -----------------------------------------------------------

// A document whose ICMS group is given values: the package it is written for, the elements
// the group must hold, and those it has no place for, in the order of their alerts.
struct CasoICMS {
  const char* nome;
  std::function<void(TNFe&)> preparar;
  TfscPacoteSchemas pacote;
  std::vector<const char*> escritos;
  std::vector<const char*> semLugar;
  const char* motivo;  // of the alerts
  const char* bloco = nullptr;  // a block the group must hold as written
};

std::string Nome(const ::testing::TestParamInfo<CasoICMS>& i) { return i.param.nome; }
void PrintTo(const CasoICMS& c, std::ostream* os) { *os << c.nome; }

// Valid in the package in use; the values written where the group has a place for them, and
// each of the others one alert naming it instead of a silent loss or a refused document.
class GrupoICMS : public NFeReforma, public ::testing::WithParamInterface<CasoICMS> {
protected:
  std::string Conferir() {
    const CasoICMS& c = GetParam();
    c.preparar(n);
    const std::string xml = Escrever(c.pacote);
    EXPECT_EQ(Validar(xml, c.pacote == psPL009V4 ? kPL009 : kPL010e), 0) << saida << "\n" << xml;
    const std::size_t inicio = xml.find("<ICMS>");
    EXPECT_NE(inicio, std::string::npos) << xml;
    if (inicio == std::string::npos) return "";
    const std::string icms = xml.substr(inicio, xml.find("</ICMS>") - inicio);
    for (const char* e : c.escritos) EXPECT_NE(icms.find(std::string("<") + e + ">"), std::string::npos) << e << icms;
    if (c.bloco) {
      EXPECT_NE(icms.find(c.bloco), std::string::npos) << icms;
    }
    EXPECT_EQ(alertas.size(), c.semLugar.size()) << ::testing::PrintToString(alertas);
    for (std::size_t i = 0; i < std::min(alertas.size(), c.semLugar.size()); ++i) {
      EXPECT_NE(alertas[i].find(std::string("/") + c.semLugar[i] + "("), std::string::npos) << alertas[i];
      EXPECT_NE(alertas[i].find(c.motivo), std::string::npos) << alertas[i];
      EXPECT_EQ(icms.find(std::string("<") + c.semLugar[i] + ">"), std::string::npos) << icms;
    }
    return icms;
  }

public:
  static void FCP(TNFe& n) { Tres(n, {&TICMS::vBCFCP, &TICMS::pFCP, &TICMS::vFCP}, {"100", "2", "2"}); }
  static void FCPST(TNFe& n) { Tres(n, {&TICMS::vBCFCPST, &TICMS::pFCPST, &TICMS::vFCPST}, {"120", "2", "2.40"}); }
  static void ST(TNFe& n) {
    TICMS& i = n.Det[0].Imposto.ICMS;
    i.modBCST = modBCST4;
    i.vBCST = V("120");
    i.pICMSST = V("18");
    i.vICMSST = V("5.40");
  }
  // The sharing group as the old package takes it: no exemption.
  static void Partilha(TNFe& n, TfscCSTIcms cst) {
    ICMSPart(n, cst, motDesICMS9);
    n.Det[0].Imposto.ICMS.vICMSDeson = TCurrency();
  }
  // The simplified regime with the given CSOSN.
  static TICMS& SimplesNacional(TNFe& n, TfscCSOSN csosn) {
    n.Emit.CRT = crt1;
    TICMS& i = n.Det[0].Imposto.ICMS;
    i.CSOSN = csosn;
    return i;
  }
};

const char* const kSemLugarPart = "Valor não gerado: o grupo ICMSPart não tem lugar para ele";
const std::vector<const char*> kTagsFCP = {"vBCFCP", "pFCP", "vFCP"};
const std::vector<const char*> kTagsFCPST = {"vBCFCPST", "pFCPST", "vFCPST"};

// The sharing group has no FCP block in either package, whatever its CST; its FCP-ST it has.
class ICMSPartFCP : public GrupoICMS {};

TEST_P(ICMSPartFCP, IsAnAlertAndTheGroupStaysValid) { Conferir(); }

const CasoICMS kCasosPart[] = {
    {"Part10", [](TNFe& n) { GrupoICMS::Partilha(n, cstIcmsPart10); GrupoICMS::FCP(n); }, psPL009V4,
     {"vBC", "vICMS", "vICMSST", "UFST"}, kTagsFCP, kSemLugarPart},
    {"Part90", [](TNFe& n) { GrupoICMS::Partilha(n, cstIcmsPart90); GrupoICMS::FCP(n); }, psPL009V4,
     {"vBC", "vICMS", "vICMSST", "UFST"}, kTagsFCP, kSemLugarPart},
    {"Part20Desonerado",
     [](TNFe& n) {
       NFeReforma::ICMSPart(n, cstIcmsPart20, motDesICMS9);
       GrupoICMS::FCP(n);
     },
     psPL010e, {"vBC", "vICMS", "vICMSST", "vICMSDeson"}, kTagsFCP, kSemLugarPart},
    {"Part90Desonerado",
     [](TNFe& n) {
       NFeReforma::ICMSPart(n, cstIcmsPart90, motDesICMS9);
       GrupoICMS::FCP(n);
     },
     psPL010e, {"vBC", "vICMS", "vICMSST", "vICMSDeson"}, kTagsFCP, kSemLugarPart},
    {"SoABaseDoFCP",
     [](TNFe& n) {
       GrupoICMS::Partilha(n, cstIcmsPart10);
       n.Det[0].Imposto.ICMS.vBCFCP = V("100");
     },
     psPL009V4, {"vBC"}, {"vBCFCP"}, kSemLugarPart},
    {"FCPSTTemLugar",
     [](TNFe& n) {
       GrupoICMS::Partilha(n, cstIcmsPart10);
       GrupoICMS::FCP(n);
       GrupoICMS::FCPST(n);
     },
     psPL009V4, kTagsFCPST, kTagsFCP, kSemLugarPart},
    // The group's base and ST are required: without them given they are zeros, not left out.
    {"Part90SemBaseNemST",
     [](TNFe& n) {
       TICMS& i = n.Det[0].Imposto.ICMS;
       i.CST = cstIcmsPart90;
       i.pBCOp = V("100");
       i.UFST = "MT";
       GrupoICMS::FCP(n);
     },
     psPL009V4, {"modBC", "vBC", "pICMS", "vICMS", "modBCST", "vBCST", "pICMSST", "vICMSST"}, kTagsFCP,
     kSemLugarPart},
};

INSTANTIATE_TEST_SUITE_P(Casos, ICMSPartFCP, ::testing::ValuesIn(kCasosPart), Nome);

// The FCP-ST of ICMS90 and ICMSSN900 lives inside their optional ST group.
class FCPSTSemST : public GrupoICMS {};

TEST_P(FCPSTSemST, IsAnAlertAndTheGroupStaysValid) { Conferir(); }

const CasoICMS kCasosFCPST[] = {
    {"ICMS90",
     [](TNFe& n) {
       NFeReforma::ICMSComBase(n, cstIcms90, "100", "18");
       GrupoICMS::FCPST(n);
     },
     psPL009V4, {"vBC", "vICMS"}, kTagsFCPST, "sem o grupo do ICMS ST (vBCST, vICMSST) o ICMS90 não tem lugar"},
    {"ICMS90NovoPacote",
     [](TNFe& n) {
       NFeReforma::ICMS90Completo(n);
       GrupoICMS::FCPST(n);
     },
     psPL010e, {"cBenefRBC", "vBCFCP", "pFCPDif"}, kTagsFCPST,
     "sem o grupo do ICMS ST (vBCST, vICMSST) o ICMS90 não tem lugar"},
    {"ICMS90ComST",
     [](TNFe& n) {
       NFeReforma::ICMSComBase(n, cstIcms90, "100", "18");
       GrupoICMS::ST(n);
       GrupoICMS::FCPST(n);
     },
     psPL009V4, {"vICMSST", "vBCFCPST", "pFCPST", "vFCPST"}, {}, ""},
    {"ICMSSN900",
     [](TNFe& n) {
       GrupoICMS::SimplesNacional(n, csosn900);
       GrupoICMS::FCPST(n);
     },
     psPL009V4, {"CSOSN"}, kTagsFCPST, "sem o grupo do ICMS ST (vBCST, vICMSST) o ICMSSN900 não tem lugar"},
    {"ICMSSN900ComST",
     [](TNFe& n) {
       GrupoICMS::SimplesNacional(n, csosn900);
       GrupoICMS::ST(n);
       GrupoICMS::FCPST(n);
     },
     psPL010e, {"vICMSST", "vBCFCPST", "pFCPST", "vFCPST"}, {}, ""},
    {"SoOValorDoFCPST",
     [](TNFe& n) {
       GrupoICMS::SimplesNacional(n, csosn900);
       n.Det[0].Imposto.ICMS.vFCPST = V("2.40");
     },
     psPL009V4, {"CSOSN"}, {"vFCPST"}, "sem o grupo do ICMS ST (vBCST, vICMSST) o ICMSSN900 não tem lugar"},
};

INSTANTIATE_TEST_SUITE_P(Casos, FCPSTSemST, ::testing::ValuesIn(kCasosFCPST), Nome);

// An FCP block given in part: the schema takes its sequence whole or not at all, and every
// element of it takes a zero, so the block is written whole with zeros for what was not given.
// ICMS00 alone has no base of the FCP.
class FCPParcial : public GrupoICMS {};

TEST_P(FCPParcial, IsWrittenWholeWithZeros) { Conferir(); }

const CasoICMS kCasosParcial[] = {
    {"ICMS10SoOPercentual",
     [](TNFe& n) {
       NFeReforma::ICMSComBase(n, cstIcms10, "100", "18");
       GrupoICMS::ST(n);
       n.Det[0].Imposto.ICMS.pFCP = V("2");
     },
     psPL009V4, {}, {}, "", "<vBCFCP>0.00</vBCFCP><pFCP>2.0000</pFCP><vFCP>0.00</vFCP>"},
    {"ICMS90SoOValor",
     [](TNFe& n) {
       NFeReforma::ICMSComBase(n, cstIcms90, "100", "18");
       n.Det[0].Imposto.ICMS.vFCP = V("2");
     },
     psPL009V4, {}, {}, "", "<vBCFCP>0.00</vBCFCP><pFCP>0.0000</pFCP><vFCP>2.00</vFCP>"},
    {"ICMS90SoOPercentualDoFCPST",
     [](TNFe& n) {
       NFeReforma::ICMSComBase(n, cstIcms90, "100", "18");
       GrupoICMS::ST(n);
       n.Det[0].Imposto.ICMS.pFCPST = V("2");
     },
     psPL010e, {}, {}, "", "<vBCFCPST>0.00</vBCFCPST><pFCPST>2.0000</pFCPST><vFCPST>0.00</vFCPST>"},
    {"ICMSSN201SoABaseDoFCPST",
     [](TNFe& n) {
       TICMS& i = GrupoICMS::SimplesNacional(n, csosn201);
       GrupoICMS::ST(n);
       i.pCredSN = V("1.25");
       i.vCredICMSSN = V("1.25");
       i.vBCFCPST = V("120");
     },
     psPL009V4, {}, {}, "", "<vBCFCPST>120.00</vBCFCPST><pFCPST>0.0000</pFCPST><vFCPST>0.00</vFCPST>"},
    {"ICMSSTSoOValorRetido",
     [](TNFe& n) {
       n.Det[0].Imposto.ICMS.CST = cstIcmsST41;
       n.Det[0].Imposto.ICMS.vFCPSTRet = V("1");
     },
     psPL009V4, {}, {}, "", "<vBCFCPSTRet>0.00</vBCFCPSTRet><pFCPSTRet>0.0000</pFCPSTRet><vFCPSTRet>1.00</vFCPSTRet>"},
    {"ICMS60SoOPercentualRetido",
     [](TNFe& n) {
       n.Det[0].Imposto.ICMS.CST = cstIcms60;
       n.Det[0].Imposto.ICMS.pFCPSTRet = V("2");
     },
     psPL010e, {}, {}, "", "<vBCFCPSTRet>0.00</vBCFCPSTRet><pFCPSTRet>2.0000</pFCPSTRet><vFCPSTRet>0.00</vFCPSTRet>"},
    {"ICMS00ComBaseDoFCP",
     [](TNFe& n) {
       NFeReforma::ICMSComBase(n, cstIcms00, "100", "18");
       GrupoICMS::FCP(n);
     },
     psPL009V4, {}, {"vBCFCP"}, "o grupo ICMS00 não tem lugar",
     "<vICMS>18.00</vICMS><pFCP>2.0000</pFCP><vFCP>2.00</vFCP>"},
    {"ICMS00SoABaseDoFCP",
     [](TNFe& n) {
       NFeReforma::ICMSComBase(n, cstIcms00, "100", "18");
       n.Det[0].Imposto.ICMS.vBCFCP = V("100");
     },
     psPL009V4, {}, {"vBCFCP"}, "o grupo ICMS00 não tem lugar", "<vICMS>18.00</vICMS></ICMS00>"},
};

INSTANTIATE_TEST_SUITE_P(Casos, FCPParcial, ::testing::ValuesIn(kCasosParcial), Nome);

// ICMS51 has the benefit code of the base reduction and the deferred FCP in both packages.
struct CasoICMS51 {
  const char* nome;
  TfscPacoteSchemas pacote;
  bool beneficio, fcpDiferido;
};

void PrintTo(const CasoICMS51& c, std::ostream* os) { *os << c.nome; }

class ICMS51 : public NFeReforma, public ::testing::WithParamInterface<CasoICMS51> {};

TEST_P(ICMS51, ValuesAreWrittenValidAndReadBackThroughXMLAndJSON) {
  const CasoICMS51& c = GetParam();
  TICMS& i = ICMSComBase(n, cstIcms51, "90", "8.10");
  i.vICMSOp = V("16.20");
  i.pDif = V("50");
  i.vICMSDif = V("8.10");
  i.vBCFCP = V("90");
  i.pFCP = V("2");
  i.vFCP = V("1.80");
  if (c.beneficio) i.cBenefRBC = "SP12345678";
  if (c.fcpDiferido) {
    i.pFCPDif = V("50");
    i.vFCPDif = V("0.90");
    i.vFCPEfet = V("0.90");
  }
  const std::string xml = Escrever(c.pacote);
  EXPECT_TRUE(alertas.empty()) << ::testing::PrintToString(alertas);
  EXPECT_EQ(Validar(xml, c.pacote == psPL009V4 ? kPL009 : kPL010e), 0) << saida << "\n" << xml;
  EXPECT_EQ(PrimeiroGrupoReforma(n), "");
  EXPECT_EQ(PrimeiroGrupoReformaXML(xml), "");
  const bool beneficio = xml.find("<pRedBC>10.0000</pRedBC><cBenefRBC>SP12345678</cBenefRBC><vBC>90.00</vBC>") !=
                         std::string::npos;
  EXPECT_EQ(beneficio, c.beneficio) << xml;
  const bool diferido = xml.find("<vFCP>1.80</vFCP><pFCPDif>50.0000</pFCPDif><vFCPDif>0.90</vFCPDif>"
                                 "<vFCPEfet>0.90</vFCPEfet></ICMS51>") != std::string::npos;
  EXPECT_EQ(diferido, c.fcpDiferido) << xml;

  TNFe lido;
  IdaEVolta(c.pacote, lido);
  const TICMS& l = lido.Det[0].Imposto.ICMS;
  EXPECT_EQ(l.cBenefRBC, i.cBenefRBC);
  EXPECT_EQ(l.pFCPDif, i.pFCPDif);
  EXPECT_EQ(l.vFCPDif, i.vFCPDif);
  EXPECT_EQ(l.vFCPEfet, i.vFCPEfet);
}

const CasoICMS51 kCasosICMS51[] = {
    {"TudoPacoteAntigo", psPL009V4, true, true},
    {"TudoPacoteNovo", psPL010e, true, true},
    {"SoOBeneficio", psPL009V4, true, false},
    {"SoOFCPDiferido", psPL010e, false, true},
};

INSTANTIATE_TEST_SUITE_P(Casos, ICMS51, ::testing::ValuesIn(kCasosICMS51),
                         [](const ::testing::TestParamInfo<CasoICMS51>& i) { return std::string(i.param.nome); });

// ---- Values an ICMS group has no place for ----------------------------------------------

// pBCOp and UFST belong to ICMSPart: ICMS10 and ICMS90 keep their CST's group, valid, and
// each of the two given is an alert.
class PartilhaSemLugar : public GrupoICMS {
public:
  static void Partilha(TNFe& n) {
    n.Det[0].Imposto.ICMS.pBCOp = V("100");
    n.Det[0].Imposto.ICMS.UFST = "MT";
  }
  // ICMS10 with its base and ST.
  static void ICMS10(TNFe& n) {
    ICMSComBase(n, cstIcms10, "100", "18");
    ST(n);
  }
};

TEST_P(PartilhaSemLugar, IsAnAlertAndTheGroupStaysValid) { Conferir(); }

const char* const kSemLugar10 = "Valor não gerado: o grupo ICMS10 não tem lugar para ele";
const char* const kSemLugar90 = "Valor não gerado: o grupo ICMS90 não tem lugar para ele";

// The steps in order, as one.
std::function<void(TNFe&)> Passos(std::vector<std::function<void(TNFe&)>> passos) {
  return [passos](TNFe& n) {
    for (const auto& p : passos) p(n);
  };
}

const CasoICMS kCasosPartilha[] = {
    // ICMS10 has no reduction either: the base goes straight to the rate.
    {"ICMS10", Passos({PartilhaSemLugar::ICMS10, PartilhaSemLugar::Partilha}), psPL009V4, {"vBC", "vICMS", "vICMSST"}, {"pBCOp", "UFST"}, kSemLugar10, "<vBC>100.00</vBC><pICMS>"},
    {"ICMS10NovoPacoteComFCP",
     Passos({PartilhaSemLugar::ICMS10, GrupoICMS::FCP, GrupoICMS::FCPST, PartilhaSemLugar::Partilha}), psPL010e, {"vBCFCP", "vFCP", "vFCPST"}, {"pBCOp", "UFST"}, kSemLugar10, "<vBC>100.00</vBC><pICMS>"},
    {"ICMS10SoOPercentualDaBC",
     Passos({PartilhaSemLugar::ICMS10, [](TNFe& n) { n.Det[0].Imposto.ICMS.pBCOp = V("50"); }}), psPL010e, {"vICMSST"}, {"pBCOp"}, kSemLugar10},
    {"ICMS10SoAUF", Passos({PartilhaSemLugar::ICMS10, [](TNFe& n) { n.Det[0].Imposto.ICMS.UFST = "MT"; }}),
     psPL009V4, {"vICMSST"}, {"UFST"}, kSemLugar10},
    {"ICMS90",
     [](TNFe& n) {
       NFeReforma::ICMSComBase(n, cstIcms90, "100", "18");
       PartilhaSemLugar::Partilha(n);
     },
     psPL009V4, {"vBC", "pRedBC", "vICMS"}, {"pBCOp", "UFST"}, kSemLugar90},
    {"ICMS90ComSTEDesoneracao",
     [](TNFe& n) {
       TICMS& i = NFeReforma::ICMSComBase(n, cstIcms90, "100", "18");
       GrupoICMS::ST(n);
       i.vICMSDeson = V("1.80");
       i.motDesICMS = motDesICMS9;
       PartilhaSemLugar::Partilha(n);
     },
     psPL009V4, {"vICMSST", "vICMSDeson"}, {"pBCOp", "UFST"}, kSemLugar90},
    {"ICMS90NovoPacote", Passos({[](TNFe& n) { NFeReforma::ICMS90Completo(n); }, PartilhaSemLugar::Partilha}),
     psPL010e, {"cBenefRBC", "vICMSOp", "pFCPDif"}, {"pBCOp", "UFST"}, kSemLugar90},
    {"ICMS90SemBase",
     [](TNFe& n) {
       n.Det[0].Imposto.ICMS.CST = cstIcms90;
       n.Det[0].Imposto.ICMS.UFST = "MT";
     },
     psPL009V4, {"CST"}, {"UFST"}, kSemLugar90},
    // Given on their own CST, the sharing fields are written.
    {"ICMSPart",
     [](TNFe& n) { GrupoICMS::Partilha(n, cstIcmsPart90); }, psPL009V4, {"pBCOp", "UFST"}, {}, ""},
};

INSTANTIATE_TEST_SUITE_P(Casos, PartilhaSemLugar, ::testing::ValuesIn(kCasosPartilha), Nome);

// Only ICMS51 and ICMS90 hold the benefit code, deferral and deferred FCP, and only ICMSPart
// the sharing fields: any other group given them stays valid, and each is an alert.
class OutrosGruposSemLugar : public GrupoICMS {};

TEST_P(OutrosGruposSemLugar, IsAnAlertAndTheGroupStaysValid) { Conferir(); }

// Every value of ICMS90's PL_010 steps given.
void Reforma90(TNFe& n) {
  NFeReforma::Beneficio(n);
  NFeReforma::Diferimento(n);
  NFeReforma::FCPDiferido(n);
}

const CasoICMS kCasosOutrosGrupos[] = {
    {"ICMS00",
     Passos({[](TNFe& n) { NFeReforma::ICMSComBase(n, cstIcms00, "100", "18"); }, Reforma90}), psPL010e,
     {"vBC", "vICMS"}, {"cBenefRBC", "vICMSOp", "pDif", "vICMSDif", "pFCPDif", "vFCPDif", "vFCPEfet"},
     "Valor não gerado: o grupo ICMS00 não tem lugar para ele"},
    {"ICMS00Partilha",
     Passos({[](TNFe& n) { NFeReforma::ICMSComBase(n, cstIcms00, "100", "18"); }, PartilhaSemLugar::Partilha}),
     psPL009V4, {"vBC", "vICMS"}, {"pBCOp", "UFST"}, "Valor não gerado: o grupo ICMS00 não tem lugar para ele"},
    {"ICMS40", Passos({[](TNFe& n) { n.Det[0].Imposto.ICMS.CST = cstIcms40; }, NFeReforma::Diferimento}),
     psPL009V4, {"CST"}, {"vICMSOp", "pDif", "vICMSDif"}, "Valor não gerado: o grupo ICMS40 não tem lugar para ele"},
    {"SN102",
     Passos({[](TNFe& n) { GrupoICMS::SimplesNacional(n, csosn102); }, NFeReforma::Beneficio,
             PartilhaSemLugar::Partilha}),
     psPL010e, {"CSOSN"}, {"cBenefRBC", "pBCOp", "UFST"},
     "Valor não gerado: o grupo ICMSSN102 não tem lugar para ele"},
};

INSTANTIATE_TEST_SUITE_P(Casos, OutrosGruposSemLugar, ::testing::ValuesIn(kCasosOutrosGrupos), Nome);

// ICMSPart has, in either package, none of the PL_010 values of ICMS90: each given is an
// alert after those of the FCP.
class ICMSPartReforma : public GrupoICMS {};

// The sharing group of `cst` with one more value given.
std::function<void(TNFe&)> PartilhaCom(TfscCSTIcms cst, TCurrency TICMS::*campo, const char* valor) {
  return [=](TNFe& n) {
    GrupoICMS::Partilha(n, cst);
    n.Det[0].Imposto.ICMS.*campo = V(valor);
  };
}

TEST_P(ICMSPartReforma, IsAnAlertAndTheGroupStaysValid) {
  const std::string icms = Conferir();
  EXPECT_NE(icms.find("<pBCOp>100.0000</pBCOp><UFST>MT</UFST>"), std::string::npos) << icms;
}

const CasoICMS kCasosPartReforma[] = {
    {"Part90Beneficio",
     [](TNFe& n) {
       GrupoICMS::Partilha(n, cstIcmsPart90);
       NFeReforma::Beneficio(n);
     },
     psPL009V4, {"vBC"}, {"cBenefRBC"}, kSemLugarPart},
    {"Part90Diferimento",
     [](TNFe& n) {
       GrupoICMS::Partilha(n, cstIcmsPart90);
       NFeReforma::Diferimento(n);
     },
     psPL010e, {"vBC"}, {"vICMSOp", "pDif", "vICMSDif"}, kSemLugarPart},
    {"Part90FCPDiferido",
     [](TNFe& n) {
       GrupoICMS::Partilha(n, cstIcmsPart90);
       NFeReforma::FCPDiferido(n);
     },
     psPL009V4, {"vBC"}, {"pFCPDif", "vFCPDif", "vFCPEfet"}, kSemLugarPart},
    {"Part90DesoneradoTudo",
     [](TNFe& n) {
       NFeReforma::ICMSPart(n, cstIcmsPart90, motDesICMS9);
       GrupoICMS::FCP(n);
       NFeReforma::Beneficio(n);
       NFeReforma::Diferimento(n);
       NFeReforma::FCPDiferido(n);
     },
     psPL010e, {"vBC", "vICMSDeson"},
     {"vBCFCP", "pFCP", "vFCP", "cBenefRBC", "vICMSOp", "pDif", "vICMSDif", "pFCPDif", "vFCPDif", "vFCPEfet"},
     kSemLugarPart},
    {"Part10SoOPercentualDeDiferimento", PartilhaCom(cstIcmsPart10, &TICMS::pDif, "100"), psPL009V4, {"vBC"},
     {"pDif"}, kSemLugarPart},
    // A deferred amount that rounds to 0.00 is not given.
    {"Part90ValorQueArredondaAZero", PartilhaCom(cstIcmsPart90, &TICMS::vFCPDif, "0.004"), psPL009V4, {"vBC"}, {},
     ""},
};

INSTANTIATE_TEST_SUITE_P(Casos, ICMSPartReforma, ::testing::ValuesIn(kCasosPartReforma), Nome);

// Layouts before 4.00 have no FCP and none of the PL_010 values: each given is an alert naming
// the layout, and none is written. The project holds no schema of those layouts.
struct CasoLeiaute {
  const char* nome;
  std::function<void(TNFe&)> preparar;
  double versao;
  std::vector<const char*> semLugar;  // in the order of their alerts
  std::vector<const char*> escritos;
};

void PrintTo(const CasoLeiaute& c, std::ostream* os) { *os << c.nome; }

class LeiauteSemFCP : public NFeReforma, public ::testing::WithParamInterface<CasoLeiaute> {};

TEST_P(LeiauteSemFCP, EachValueIsAnAlertAndNoneIsWritten) {
  const CasoLeiaute& c = GetParam();
  c.preparar(n);
  n.infNFe.versao = c.versao;
  const std::string xml = Escrever(psPL009V4);
  char versao[8];
  std::snprintf(versao, sizeof versao, "%.2f", c.versao);
  const std::string motivo = std::string("Valor não gerado: o leiaute ") + versao + " não tem lugar para ele";
  const std::size_t inicio = xml.find("<ICMS>");
  ASSERT_NE(inicio, std::string::npos) << xml;
  const std::string icms = xml.substr(inicio, xml.find("</ICMS>") - inicio);
  std::vector<std::string> doICMS;
  for (const std::string& a : alertas)
    if (a.find(motivo) != std::string::npos) doICMS.push_back(a);
  ASSERT_EQ(doICMS.size(), c.semLugar.size()) << ::testing::PrintToString(alertas);
  for (std::size_t i = 0; i < c.semLugar.size(); ++i) {
    EXPECT_NE(doICMS[i].find(std::string("/") + c.semLugar[i] + "("), std::string::npos) << doICMS[i];
    EXPECT_EQ(icms.find(std::string("<") + c.semLugar[i] + ">"), std::string::npos) << icms;
  }
  for (const char* e : c.escritos) EXPECT_NE(icms.find(std::string("<") + e + ">"), std::string::npos) << e << icms;
}

const CasoLeiaute kCasosLeiaute[] = {
    {"ICMS00", [](TNFe& n) {
       NFeReforma::ICMSComBase(n, cstIcms00, "100", "18");
       GrupoICMS::FCP(n);
     },
     3.10, {"vBCFCP", "pFCP", "vFCP"}, {"vICMS"}},
    {"ICMS10ComFCPST", [](TNFe& n) {
       PartilhaSemLugar::ICMS10(n);
       GrupoICMS::FCP(n);
       GrupoICMS::FCPST(n);
     },
     3.10, {"vBCFCP", "pFCP", "vFCP", "vBCFCPST", "pFCPST", "vFCPST"}, {"vICMSST"}},
    {"ICMS70Leiaute200", [](TNFe& n) {
       NFeReforma::ICMSComBase(n, cstIcms70, "100", "18");
       GrupoICMS::ST(n);
       GrupoICMS::FCP(n);
     },
     2.00, {"vBCFCP", "pFCP", "vFCP"}, {"vICMSST"}},
    {"ICMS60Retido", [](TNFe& n) {
       n.Ide.indFinal = indFinal0;
       TICMS& i = n.Det[0].Imposto.ICMS;
       i.CST = cstIcms60;
       i.vBCSTRet = V("100");
       i.vICMSSTRet = V("18");
       i.vBCFCPSTRet = V("100");
       i.pFCPSTRet = V("2");
       i.vFCPSTRet = V("2");
     },
     3.10, {"vBCFCPSTRet", "pFCPSTRet", "vFCPSTRet"}, {"vICMSSTRet"}},
    // ICMSST has the retained FCP in every layout.
    {"ICMSSTRetidoEscrito", [](TNFe& n) {
       TICMS& i = n.Det[0].Imposto.ICMS;
       i.CST = cstIcmsST41;
       i.vFCPSTRet = V("2");
     },
     3.10, {}, {"vFCPSTRet"}},
    {"ICMSSN900", [](TNFe& n) {
       GrupoICMS::SimplesNacional(n, csosn900);
       GrupoICMS::FCPST(n);
     },
     3.10, {"vBCFCPST", "pFCPST", "vFCPST"}, {"CSOSN"}},
    {"ICMS51", [](TNFe& n) {
       TICMS& i = NFeReforma::ICMSComBase(n, cstIcms51, "90", "8.10");
       i.cBenefRBC = "SP123456";
       GrupoICMS::FCP(n);
       NFeReforma::FCPDiferido(n);
     },
     3.10, {"cBenefRBC", "pFCPDif", "vFCPDif", "vFCPEfet", "vBCFCP", "pFCP", "vFCP"}, {"vICMS"}},
    {"ICMS90ComBase", [](TNFe& n) { NFeReforma::ICMS90Completo(n); }, 3.10,
     {"cBenefRBC", "vICMSOp", "pDif", "vICMSDif", "pFCPDif", "vFCPDif", "vFCPEfet", "vBCFCP", "pFCP", "vFCP"},
     {"vBC", "vICMS"}},
    {"ICMS90SemBase", [](TNFe& n) {
       NFeReforma::ICMS90Completo(n, false, false, false);
       TICMS& i = n.Det[0].Imposto.ICMS;
       i.vBC = i.vICMS = TCurrency();
     },
     3.10, {"vBCFCP", "pFCP", "vFCP"}, {"CST"}},
};

INSTANTIATE_TEST_SUITE_P(Casos, LeiauteSemFCP, ::testing::ValuesIn(kCasosLeiaute),
                         [](const ::testing::TestParamInfo<CasoLeiaute>& i) { return std::string(i.param.nome); });

}  // namespace
}  // namespace tuim
