#pragma once
// Documents for the reader and JSON tests: a plain NF-e and NFC-e that the national schema
// accepts, and a document that fills every group the writer knows.
#include <gtest/gtest.h>

#include <libxml/c14n.h>
#include <libxml/parser.h>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <iterator>
#include <string>

#include "fiscal/TuimDateTime.h"
#include "fiscal/TuimUtil.h"
#include "fiscal/fscAuxiliar.h"
#include "testing/NFeConstrutor.h"
#include "xml/TuimNFeClass.h"
#include "xml/TuimNFeR.h"
#include "xml/TuimNFeW.h"

namespace tuim::exemplos {

// Offsets by the state table, so that dates do not depend on the machine's zone.
class ComFusoDosEstados : public ::testing::Test {
protected:
  void SetUp() override {
    fuso.Assign(ConfiguracaoFusoHorario());
    ConfiguracaoFusoHorario().SetModoDeteccao(tzFSC);
  }
  void TearDown() override { ConfiguracaoFusoHorario().Assign(fuso); }
  TTimeZoneConf fuso;
};

// A fixed signature element, to complete a document the schema judges: its values are checked
// with the signing tests. '@' stands for the access key.
inline const std::string kAssinatura =
    "<Signature xmlns=\"http://www.w3.org/2000/09/xmldsig#\"><SignedInfo>"
    "<CanonicalizationMethod Algorithm=\"http://www.w3.org/TR/2001/REC-xml-c14n-20010315\"/>"
    "<SignatureMethod Algorithm=\"http://www.w3.org/2000/09/xmldsig#rsa-sha1\"/><Reference URI=\"#NFe@\">"
    "<Transforms><Transform Algorithm=\"http://www.w3.org/2000/09/xmldsig#enveloped-signature\"/>"
    "<Transform Algorithm=\"http://www.w3.org/TR/2001/REC-xml-c14n-20010315\"/></Transforms>"
    "<DigestMethod Algorithm=\"http://www.w3.org/2000/09/xmldsig#sha1\"/>"
    "<DigestValue>AAAAAAAAAAAAAAAAAAAAAAAAAAA=</DigestValue></Reference></SignedInfo>"
    "<SignatureValue>AAAA</SignatureValue><KeyInfo><X509Data><X509Certificate>AAAA</X509Certificate>"
    "</X509Data></KeyInfo></Signature>";

inline std::string Assinatura(const std::string& chave) {
  std::string a = kAssinatura;
  a.replace(a.find('@'), 1, chave);
  return a;
}

// Runs xmllint with nfe_v4.00.xsd over documents written into a folder of the test's own.
class ComEsquema : public ComFusoDosEstados {
protected:
  void SetUp() override {
    ComFusoDosEstados::SetUp();
    pasta = std::filesystem::temp_directory_path() /
            ("tuim-xsd-" + std::to_string(::getpid()) + "-" +
             ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::create_directories(pasta);
  }
  void TearDown() override {
    std::error_code ec;
    std::filesystem::remove_all(pasta, ec);
    ComFusoDosEstados::TearDown();
  }

  // xmllint's exit status for `xml` (UTF-8, without the declaration); what it says is in `saida`.
  int Xmllint(const std::string& xml) {
    const std::filesystem::path f = pasta / "nfe.xml";
    std::ofstream(f, std::ios::binary) << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>" << xml;
    std::string cmd = "xmllint --noout --schema " + std::string(TUIM_SCHEMAS_DIR) + "/nfe_v4.00.xsd " + f.string() +
                      " >" + (pasta / "saida.txt").string() + " 2>&1";
    int r = std::system(cmd.c_str());
    std::ifstream in(pasta / "saida.txt");
    saida.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return r;
  }

  std::filesystem::path pasta;
  std::string saida;
};

// A document written by TNFeW (Windows-1252 text) read back by TNFeR and written again with
// the writer's default options.
inline std::string Reescrever(const std::string& xml) {
  TNFe n;
  TNFeR(&n).LerXML(ParaUTF8(xml));
  TNFeW w(&n);
  w.EscreverNFe();
  return w.Gerador().ArquivoFormatoXML();
}

// Empty when the texts are equal; otherwise both around the first byte where they part.
inline std::string Diferenca(const std::string& a, const std::string& b) {
  if (a == b) return "";
  std::size_t i = 0;
  while (i < a.size() && i < b.size() && a[i] == b[i]) ++i;
  const std::size_t ini = i > 60 ? i - 60 : 0;
  return "at " + std::to_string(i) + ":\n  " + a.substr(ini, 140) + "\n  " + b.substr(ini, 140);
}

// Canonical XML of a UTF-8 document, blanks between elements dropped: two documents with the
// same elements, order, attributes and values give the same text.
inline std::string Canonico(const std::string& xml) {
  xmlDoc* d = xmlReadMemory(xml.data(), static_cast<int>(xml.size()), nullptr, nullptr,
                            XML_PARSE_NONET | XML_PARSE_NOBLANKS);
  if (!d) return "(mal formado)";
  xmlChar* saida = nullptr;
  int n = xmlC14NDocDumpMemory(d, nullptr, 0, nullptr, 0, &saida);
  std::string r = n >= 0 ? std::string(reinterpret_cast<const char*>(saida), static_cast<std::size_t>(n)) : "";
  xmlFree(saida);
  xmlFreeDoc(d);
  return r;
}

inline void Emitente(TNFe& n) {
  teste::Emitente(n);
  n.Emit.xFant = "EMITENTE";
  n.Emit.EnderEmit.nro = "100";
  n.Emit.EnderEmit.fone = "1133334444";
}

inline TDetCollectionItem& Item(TNFe& n, int nItem, const char* cProd, int qCom, double vUn) {
  return teste::Item(n, nItem, cProd, "PRODUTO " + std::string(cProd), qCom, vUn);
}

// An NF-e 4.00 sale between two São Paulo companies, two taxed items, billing and payment.
inline void NFe(TNFe& n) {
  teste::Cabecalho(n);
  n.Ide.natOp = "VENDA DE MERCADORIA";
  n.Ide.dSaiEnt = EncodeDateTime(2024, 5, 11, 8, 0, 0);
  n.Ide.NFref.New().refNFe = "35240511222333000181550010000001239123456780";
  Emitente(n);
  teste::Destinatario(n);
  n.Dest.EnderDest.xCpl = "SALA 1";
  n.Dest.email = "cliente@example.com";
  n.autXML.New().CNPJCPF = "12345678909";

  TDetCollectionItem& a = Item(n, 1, "A1", 2, 50);
  TICMS& i1 = a.Imposto.ICMS;
  i1.CST = cstIcms00;
  i1.modBC = modBC3;
  i1.vBC = 100;
  i1.pICMS = 18;
  i1.vICMS = 18;
  a.Imposto.IPI.cEnq = "999";
  a.Imposto.IPI.CST = cstIpi50;
  a.Imposto.IPI.vBC = 100;
  a.Imposto.IPI.pIPI = 5;
  a.Imposto.IPI.vIPI = 5;
  a.Imposto.PIS.CST = cstPis01;
  a.Imposto.PIS.vBC = 100;
  a.Imposto.PIS.pPIS = TCurrency::FromDouble(1.65);
  a.Imposto.PIS.vPIS = TCurrency::FromDouble(1.65);
  a.Imposto.COFINS.CST = cstCofins01;
  a.Imposto.COFINS.vBC = 100;
  a.Imposto.COFINS.pCOFINS = TCurrency::FromDouble(7.6);
  a.Imposto.COFINS.vCOFINS = TCurrency::FromDouble(7.6);
  a.infAdProd = "LOTE 42";

  TDetCollectionItem& b = Item(n, 2, "B2", 1, 30);
  TICMS& i2 = b.Imposto.ICMS;
  i2.CST = cstIcms10;
  i2.modBC = modBC3;
  i2.vBC = 30;
  i2.pICMS = 18;
  i2.vICMS = TCurrency::FromDouble(5.4);
  i2.modBCST = modBCST4;
  i2.pMVAST = 40;
  i2.vBCST = 42;
  i2.pICMSST = 18;
  i2.vICMSST = TCurrency::FromDouble(2.16);
  b.Imposto.IPI.cEnq = "999";
  b.Imposto.IPI.CST = cstIpi53;
  b.Imposto.PIS.CST = cstPis07;
  b.Imposto.COFINS.CST = cstCofins07;

  TICMSTot& t = n.Total.ICMSTot;
  t.vBC = 130;
  t.vICMS = TCurrency::FromDouble(23.4);
  t.vBCST = 42;
  t.vST = TCurrency::FromDouble(2.16);
  t.vProd = 130;
  t.vIPI = 5;
  t.vPIS = TCurrency::FromDouble(1.65);
  t.vCOFINS = TCurrency::FromDouble(7.6);
  t.vNF = TCurrency::FromDouble(137.16);
  n.Transp.modFrete = modFrete0;
  n.Transp.Transporta.CNPJCPF = "11444777000161";
  n.Transp.Transporta.xNome = "TRANSPORTADORA LTDA";
  n.Transp.Transporta.UF = "SP";
  TVolCollectionItem& vol = n.Transp.Vol.New();
  vol.qVol = 2;
  vol.esp = "CAIXA";
  vol.pesoL = TCurrency::FromDouble(10.5);
  vol.pesoB = 11;
  vol.Lacres.New().nLacre = "L-1";
  n.Cobr.Fat.nFat = "123";
  n.Cobr.Fat.vOrig = TCurrency::FromDouble(137.16);
  n.Cobr.Fat.vLiq = TCurrency::FromDouble(137.16);
  TDupCollectionItem& dup = n.Cobr.Dup.New();
  dup.nDup = "001";
  dup.dVenc = EncodeDate(2024, 6, 10);
  dup.vDup = TCurrency::FromDouble(137.16);
  TpagCollectionItem& pag = n.pag.New();
  pag.indPag = indPag1;
  pag.tPag = tPag15;
  pag.vPag = TCurrency::FromDouble(137.16);
  n.InfAdic.infCpl = "PEDIDO 42";
  n.InfAdic.obsCont.New().xCampo = "PEDIDO";
  n.InfAdic.obsCont[0].xTexto = "42";
  n.infRespTec.CNPJ = "11222333000181";
  n.infRespTec.xContato = "SUPORTE";
  n.infRespTec.email = "suporte@example.com";
  n.infRespTec.fone = "1133334444";
}

// An NFC-e 4.00 of the same issuer to a consumer identified by CPF, paid by card with change.
inline void NFCe(TNFe& n) {
  teste::Cabecalho(n, 65);
  n.Ide.cNF = 87654321;
  n.Ide.natOp = "VENDA AO CONSUMIDOR";
  n.Ide.nNF = 77;
  n.Ide.dEmi = EncodeDateTime(2024, 5, 10, 18, 5, 0);
  n.Ide.tpAmb = taHomologacao;
  n.Ide.indFinal = indFinal1;
  Emitente(n);
  n.Emit.CRT = crt1;
  n.Dest.CNPJCPF = "12345678909";
  n.Dest.indIEDest = indIEDest9;
  TDetCollectionItem& a = Item(n, 1, "C3", 3, 2.5);
  teste::ImpostosSimples(a);
  a.Imposto.vTotTrib = TCurrency::FromDouble(1.2);
  n.Total.ICMSTot.vProd = TCurrency::FromDouble(7.5);
  n.Total.ICMSTot.vNF = TCurrency::FromDouble(7.5);
  n.Total.ICMSTot.vTotTrib = TCurrency::FromDouble(1.2);
  n.Transp.modFrete = modFrete9;
  TpagCollectionItem& cartao = n.pag.New();
  cartao.tPag = tPag03;
  cartao.vPag = 5;
  cartao.tpIntegra = tpIntegra2;
  cartao.CNPJ = "11444777000161";
  cartao.tBand = tBand02;
  cartao.cAut = "A1B2C3";
  TpagCollectionItem& dinheiro = n.pag.New();
  dinheiro.tPag = tPag01;
  dinheiro.vPag = 5;
  n.pag.vTroco = TCurrency::FromDouble(2.5);
  n.infNFeSupl.qrCode =
      "https://www.homologacao.nfce.fazenda.sp.gov.br/qrcode?p=35240511222333000181650010000000771876543215|2|2|1|"
      "0123456789ABCDEF0123456789ABCDEF01234567";
  n.infNFeSupl.urlChave = "https://www.homologacao.nfce.fazenda.sp.gov.br/consulta";
}

// Every group and sub-group the writer of layout 4.00 writes, with values that read back.
// An authorisation protocol, so that the document is written as nfeProc.
inline void Protocolo(TNFe& n) {
  n.procNFe.tpAmb = taProducao;
  n.procNFe.verAplic = "SP_NFE_PL_009_V4";
  n.procNFe.chNFe = "35240511444777000161550010000001236123456785";
  n.procNFe.dhRecbto = EncodeDateTime(2024, 5, 10, 10, 21, 0);
  n.procNFe.nProt = "135240000000001";
  n.procNFe.digVal = "AAAAAAAAAAAAAAAAAAAAAAAAAAA=";
  n.procNFe.cStat = 100;
  n.procNFe.xMotivo = "Autorizado o uso da NF-e";
  n.procNFe.Versao = "4.00";
  n.procNFe.cMsg = 1;
  n.procNFe.xMsg = "MENSAGEM";
}

// The authority's messages of a protocol, in order, with codes from `codigo` on: the first into
// cMsg/xMsg, the others into MsgAdicionais.
inline void Mensagens(TProcNFe& p, std::initializer_list<const char*> textos, int codigo = 1) {
  p.LimparMensagens();
  for (const char* t : textos) {
    if (p.xMsg.empty()) {
      p.cMsg = codigo++;
      p.xMsg = t;
      continue;
    }
    TMsgCollectionItem& m = p.MsgAdicionais.New();
    m.cMsg = codigo++;
    m.xMsg = t;
  }
}

inline void TodosOsGrupos(TNFe& n) {
  NFe(n);
  // Every form of reference but the NF-e's, with the zero-filled printer numbers.
  n.Ide.NFref.Clear();
  teste::Referencias(n);
  n.Ide.NFref.Delete(0);
  n.Ide.NFref[1].RefNFP.serie = 3;
  n.Ide.NFref[3].RefECF.nECF = "001";
  n.Ide.NFref[3].RefECF.nCOO = "004321";
  n.Ide.tpEmis = teSVCAN;
  n.Ide.dhCont = EncodeDateTime(2024, 5, 10, 9, 0, 0);
  n.Ide.xJust = "FALHA NA COMUNICACAO COM A SEFAZ";
  n.Emit.IEST = "110042490114";
  n.Emit.IM = "998877";
  n.Emit.CNAE = "4711301";
  n.Avulsa.CNPJ = "11444777000161";
  n.Avulsa.xOrgao = "SEFAZ";
  n.Avulsa.matr = "123";
  n.Avulsa.xAgente = "AGENTE";
  n.Avulsa.fone = "1122223333";
  n.Avulsa.UF = "SP";
  n.Avulsa.nDAR = "99";
  n.Avulsa.dEmi = EncodeDate(2024, 5, 9);
  n.Avulsa.vDAR = 12;
  n.Avulsa.repEmi = "REPARTICAO";
  n.Avulsa.dPag = EncodeDate(2024, 5, 9);
  n.Dest.ISUF = "123456789";
  n.Dest.IM = "5544";
  n.Dest.EnderDest.fone = "1155556666";
  for (TLocal* l : {static_cast<TLocal*>(&n.Retirada), static_cast<TLocal*>(&n.Entrega)}) {
    teste::Local(*l);
    l->nro = "5A";
    l->xCpl = "FUNDOS";
  }
  n.autXML.New().CNPJCPF = "11444777000161";

  TDetCollectionItem& c = Item(n, 3, "C3", 1, 1234.5678901234);
  TProd& p = c.Prod;
  p.NVE.New().NVE = "AA0001";
  p.NVE.New().NVE = "AB0002";
  p.CEST = "0300100";
  p.indEscala = indEscalaN;
  p.CNPJFab = "11444777000161";
  p.cBenef = "SP123456";
  p.EXTIPI = "01";
  p.vFrete = 1;
  p.vSeg = 2;
  p.vDesc = 3;
  p.vOutro = 4;
  p.xPed = "PED-9";
  p.nItemPed = "12";
  p.nFCI = "12345678-1234-1234-1234-123456789012";
  p.nRECOPI = "20240510123456789012";
  TDICollectionItem& di = p.DI.New();
  di.nDI = "2412345678";
  di.dDI = EncodeDate(2024, 4, 1);
  di.xLocDesemb = "SANTOS";
  di.UFDesemb = "SP";
  di.dDesemb = EncodeDate(2024, 4, 3);
  di.tpViaTransp = tpViaTransp1;
  di.vAFRMM = 25;
  di.tpIntermedio = tpIntermedio2;
  di.CNPJ = "11444777000161";
  di.UFTerceiro = "RJ";
  di.cExportador = "EXP-1";
  TadiCollectionItem& adi = di.adi.New();
  adi.nAdicao = 1;
  adi.nSeqAdic = 2;
  adi.cFabricante = "FAB";
  adi.vDescDI = 5;
  adi.nDraw = "20240012345";
  TdetExportCollectionItem& ex = p.detExport.New();
  ex.nDraw = "20240012345";
  ex.nRE = "240123456789";
  ex.chNFe = "35240511222333000181550010000001239123456780";
  ex.qExport = 1;
  TrastroCollectionItem& ra = p.rastro.New();
  ra.nLote = "L1";
  ra.qLote = TCurrency::FromDouble(1.5);
  ra.dFab = EncodeDate(2024, 1, 1);
  ra.dVal = EncodeDate(2025, 1, 1);
  ra.cAgreg = "AG1";
  TveicProd& v = p.veicProd;
  v.tpOp = tpOp2;
  v.chassi = "9BWZZZ377VT004251";
  v.cCor = "0001";
  v.xCor = "BRANCO";
  v.pot = "100";
  v.cilin = "1000";
  v.pesoL = "900";
  v.pesoB = "1000";
  v.nSerie = "123";
  v.tpComb = "02";
  v.nMotor = "MOTOR1";
  v.CMT = "000001000";
  v.dist = "2500";
  v.anoMod = 2024;
  v.anoFab = 2023;
  v.tpPint = "M";
  v.tpVeic = 6;
  v.espVeic = 1;
  v.VIN = "N";
  v.condVeic = condVeic1;
  v.cMod = "123456";
  v.cCorDENATRAN = "02";
  v.lota = 5;
  v.tpRest = 0;
  TmedCollectionItem& med = p.med.New();
  med.cProdANVISA = "1234567890123";
  med.xMotivoIsencao = "ISENTO";
  med.vPMC = 10;
  TarmaCollectionItem& arma = p.arma.New();
  arma.tpArma = tpArma1;
  arma.nSerie = "S1";
  arma.nCano = "C1";
  arma.descr = "ARMA";
  Tcomb& comb = p.comb;
  comb.cProdANP = 210203001;
  comb.descANP = "GLP";
  comb.pGLP = 50;
  comb.pGNn = 30;
  comb.pGNi = 20;
  comb.vPart = 7;
  comb.CODIF = "123";
  comb.qTemp = 10;
  comb.UFCons = "SP";
  comb.CIDE.qBCProd = 10;
  comb.CIDE.vAliqProd = 1;
  comb.CIDE.vCIDE = 10;
  comb.encerrante.nBico = 1;
  comb.encerrante.nBomba = 2;
  comb.encerrante.nTanque = 3;
  comb.encerrante.vEncIni = 100;
  comb.encerrante.vEncFin = 110;
  TICMS& icms = c.Imposto.ICMS;
  icms.CST = cstIcms70;
  icms.modBC = modBC0;
  icms.pRedBC = 10;
  icms.vBC = 90;
  icms.pICMS = 18;
  icms.vICMS = TCurrency::FromDouble(16.2);
  icms.vBCFCP = 90;
  icms.pFCP = 2;
  icms.vFCP = TCurrency::FromDouble(1.8);
  icms.modBCST = modBCST4;
  icms.pMVAST = 30;
  icms.pRedBCST = 5;
  icms.vBCST = 100;
  icms.pICMSST = 18;
  icms.vICMSST = 2;
  icms.vBCFCPST = 100;
  icms.pFCPST = 1;
  icms.vFCPST = 1;
  icms.vICMSDeson = 3;
  icms.motDesICMS = motDesICMS9;
  c.Imposto.IPI.CNPJProd = "11444777000161";
  c.Imposto.IPI.cSelo = "SELO";
  c.Imposto.IPI.qSelo = 2;
  c.Imposto.IPI.cEnq = "123";
  c.Imposto.IPI.CST = cstIpi99;
  c.Imposto.IPI.qUnid = 2;
  c.Imposto.IPI.vUnid = 3;
  c.Imposto.IPI.vIPI = 6;
  c.Imposto.II.vBC = 10;
  c.Imposto.II.vDespAdu = 1;
  c.Imposto.II.vII = 2;
  c.Imposto.II.vIOF = 3;
  c.Imposto.PIS.CST = cstPis99;
  c.Imposto.PIS.qBCProd = 2;
  c.Imposto.PIS.vAliqProd = 1;
  c.Imposto.PIS.vPIS = 2;
  c.Imposto.PISST.vBC = 10;
  c.Imposto.PISST.pPIS = 1;
  c.Imposto.PISST.qBCProd = 1;
  c.Imposto.PISST.vAliqProd = 1;
  c.Imposto.PISST.vPIS = 1;
  c.Imposto.COFINS.CST = cstCofins03;
  c.Imposto.COFINS.qBCProd = 2;
  c.Imposto.COFINS.vAliqProd = 1;
  c.Imposto.COFINS.vCOFINS = 2;
  c.Imposto.COFINSST.vBC = 10;
  c.Imposto.COFINSST.pCOFINS = 1;
  c.Imposto.COFINSST.vCOFINS = 1;
  TICMSUFDest& uf = c.Imposto.ICMSUFDest;
  uf.vBCUFDest = 100;
  uf.vBCFCPUFDest = 100;
  uf.pFCPUFDest = 2;
  uf.pICMSUFDest = 18;
  uf.pICMSInter = 12;
  uf.pICMSInterPart = 100;
  uf.vFCPUFDest = 2;
  uf.vICMSUFDest = 6;
  c.pDevol = 50;
  c.vIPIDevol = 3;

  // A service item.
  TDetCollectionItem& s = Item(n, 4, "S4", 1, 200);
  s.Prod.NCM = "00";
  s.Prod.CFOP = "5933";
  TISSQN& iss = s.Imposto.ISSQN;
  iss.vBC = 200;
  iss.vAliq = 5;
  iss.vISSQN = 10;
  iss.cMunFG = 3550308;
  iss.cListServ = "01.07";
  iss.vDeducao = 1;
  iss.vOutro = 2;
  iss.vDescIncond = 3;
  iss.vDescCond = 4;
  iss.vISSRet = 5;
  iss.indISS = indISS1;
  iss.cServico = "0107";
  iss.cMun = 3550308;
  iss.cPais = 1058;
  iss.nProcesso = "PROC-1";
  iss.indIncentivo = indIncentivo2;
  s.Imposto.PIS.CST = cstPis07;
  s.Imposto.COFINS.CST = cstCofins07;

  TISSQNtot& it = n.Total.ISSQNtot;
  it.vServ = 200;
  it.vBC = 200;
  it.vISS = 10;
  it.dCompet = EncodeDate(2024, 5, 10);
  it.vDeducao = 1;
  it.cRegTrib = cRegTrib5;
  TretTrib& rt = n.Total.retTrib;
  rt.vRetPIS = 1;
  rt.vRetCOFINS = 2;
  rt.vRetCSLL = 3;
  rt.vBCIRRF = 4;
  rt.vIRRF = 5;
  rt.vBCRetPrev = 6;
  rt.vRetPrev = 7;
  n.Total.ICMSTot.vFCPUFDest = 2;
  n.Total.ICMSTot.vICMSUFDest = 6;
  n.Total.ICMSTot.vTotTrib = 9;
  TTransp& tr = n.Transp;
  tr.Transporta.IE = "110042490114";
  tr.Transporta.xEnder = "RUA C, 1";
  tr.Transporta.xMun = "SAO PAULO";
  tr.retTransp.vServ = 10;
  tr.retTransp.vBCRet = 10;
  tr.retTransp.pICMSRet = 12;
  tr.retTransp.vICMSRet = TCurrency::FromDouble(1.2);
  tr.retTransp.CFOP = "5353";
  tr.retTransp.cMunFG = 3550308;
  tr.veicTransp.placa = "ABC1234";
  tr.veicTransp.UF = "SP";
  tr.veicTransp.RNTC = "RNTC1";
  TreboqueCollectionItem& rb = tr.Reboque.New();
  rb.placa = "XYZ9876";
  rb.UF = "PR";
  rb.RNTC = "RNTC2";
  tr.vagao = "VAGAO1";
  tr.balsa = "BALSA1";
  n.InfAdic.infAdFisco = "FISCO";
  TobsFiscoCollectionItem& of = n.InfAdic.obsFisco.New();
  of.xCampo = "CAMPO";
  of.xTexto = "TEXTO";
  TprocRefCollectionItem& pr = n.InfAdic.procRef.New();
  pr.nProc = "PROC-2";
  pr.indProc = indProc3;
  n.exporta.UFSaidaPais = "SP";
  n.exporta.xLocExporta = "SANTOS";
  n.exporta.xLocDespacho = "PORTO";
  n.compra.xNEmp = "EMP";
  n.compra.xPed = "PED";
  n.compra.xCont = "CONT";
  n.cana.safra = "2023/2024";
  n.cana.ref = "05/2024";
  TForDiaCollectionItem& fd = n.cana.fordia.New();
  fd.dia = 3;
  fd.qtde = TCurrency::FromDouble(12.5);
  n.cana.qTotMes = 12.5;
  n.cana.qTotAnt = 100.125;
  n.cana.qTotGer = 112.625;
  TDeducCollectionItem& de = n.cana.deduc.New();
  de.xDed = "TAXA";
  de.vDed = 1;
  n.cana.vFor = 100;
  n.cana.vTotDed = 1;
  n.cana.vLiqFor = 99;
  n.infNFeSupl.qrCode = std::string(120, 'Q');
  n.infNFeSupl.urlChave = "https://example.com/consulta";
  n.signature.SetDigestValue("AAAAAAAAAAAAAAAAAAAAAAAAAAA=");
  n.signature.SetSignatureValue("SIG");
  n.signature.SetX509Certificate("CERT");
  Protocolo(n);
}

}  // namespace tuim::exemplos
