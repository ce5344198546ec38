// The text layout of the free issuing programs: the four tables, and the text the writer makes
// with them alongside the XML.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "fiscal/TuimDateTime.h"
#include "fiscal/TuimUtil.h"
#include "fiscal/fscAuxiliar.h"
#include "testing/NFeConstrutor.h"
#include "xml/TuimLayoutTXT.h"
#include "xml/TuimNFeW.h"

namespace tuim {
namespace {

const char kDiaerese = '\xA8';

std::string Maiusculas(std::string s) {
  for (char& c : s)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return s;
}

std::vector<std::string> Dividir(const std::string& s, const std::string& sep) {
  std::vector<std::string> r;
  std::size_t i = 0, p;
  while ((p = s.find(sep, i)) != std::string::npos) {
    r.push_back(s.substr(i, p - i));
    i = p + sep.size();
  }
  r.push_back(s.substr(i));
  return r;
}

// One template line taken apart.
struct Modelo {
  std::string seletor, registro;
  int campos = 0;  // placeholders
};

Modelo Desmontar(const std::string& linha) {
  Modelo m;
  std::size_t gt = linha.find('>');
  m.seletor = linha.substr(1, gt - 1);
  std::string resto = linha.substr(linha.find_first_not_of(' ', gt + 1));
  m.registro = resto.substr(0, resto.find('|'));
  m.campos = static_cast<int>(std::count(resto.begin(), resto.end(), kDiaerese));
  return m;
}

std::vector<Modelo> Modelos(const std::string& versao) {
  std::vector<Modelo> r;
  for (const std::string& l : LayoutTXT(versao)) r.push_back(Desmontar(l));
  return r;
}

std::string ListaRegistros(const std::string& versao) {
  std::string r;
  for (const Modelo& m : Modelos(versao)) r += (r.empty() ? "" : " ") + m.registro;
  return r;
}

// ---- The tables ----------------------------------------------------------------------------

const char* const kLinhasCitadas400[] = {
    "<B01>     B|cUF¨|cNF¨|NatOp¨|mod¨|serie¨|nNF¨|dhEmi¨|dhSaiEnt¨|tpNF¨|idDest¨|cMunFG¨|tpImp¨|tpEmis¨|CDV¨|tpAmb¨|"
    "finNFe¨|indFinal¨|indPres¨|procEmi¨|verProc¨|dhCont¨|xJust¨",
    "<C05>   C05|XLgr¨|Nro¨|xCpl¨|xBairro¨|CMun¨|XMun¨|UF¨|CEP¨|CPais¨|XPais¨|Fone¨",
    "<N10b> N10b|Orig¨|CST¨|vBCSTRet¨|pST¨|vICMSSubstituto¨|vICMSSTRet¨|vBCFCPSTRet¨|pFCPSTRet¨|vFCPSTRet¨|"
    "vBCSTDest¨|vICMSSTDest¨|pRedBCEfet¨|vBCEfet¨|pICMSEfet¨|vICMSEfet¨",
    "<YA>     YA|indPag¨|TPag¨|VPag¨|Card¨|CNPJ¨|TBand¨|CAut¨",
    "<ZD07> ZD07|idCSRT¨|hashCSRT¨",
};

TEST(LayoutTXT, QuotedRowsOfLayout400AreKeptByteForByte) {
  const std::vector<std::string> tabela = Dividir(std::string(TabelaLayoutTXT("4.00")), "\n");
  const std::vector<std::string> linhas = LayoutTXT("4.00");
  for (const char* citada : kLinhasCitadas400) {
    EXPECT_NE(std::find(tabela.begin(), tabela.end(), ParaUTF8(citada)), tabela.end()) << citada;
    EXPECT_NE(std::find(linhas.begin(), linhas.end(), Maiusculas(citada)), linhas.end()) << citada;
  }
}

TEST(LayoutTXT, EachVersionHasItsLineCountAndAnyOtherNone) {
  const std::pair<const char*, std::size_t> casos[] = {{"1.10", 87}, {"2.00", 105}, {"3.10", 118}, {"4.00", 122},
                                                       {"3.00", 0},  {"", 0},      {"4.01", 0},   {"1.1", 0},
                                                       {"4.00 ", 0}, {"4,00", 0}};
  for (const auto& [versao, n] : casos) {
    EXPECT_EQ(LayoutTXT(versao).size(), n) << versao;
    EXPECT_EQ(TabelaLayoutTXT(versao).empty(), n == 0) << versao;
  }
}

TEST(LayoutTXT, RecordsComeInTheOrderOfEachVersion) {
  const std::string v110 =
      "NOTA FISCAL A B B13 B14 C C02 C02A C05 D E E02 E03 E05 F G H I I18 I25 J K L L01 L105 L109 L114 L117 M N "
      "N02 N03 N04 N05 N06 N07 N08 N09 N10 O O07 O10 O11 O08 P Q Q02 Q03 Q04 Q05 Q07 Q10 R R02 R04 S S02 S03 S04 "
      "S05 S07 S09 T T02 T04 U W W02 W17 W23 X X03 X04 X05 X11 X18 X22 X26 X33 Y Y02 Y07 Z Z04 Z10 ZA ZB";
  const std::string v200 =
      "NOTA FISCAL A B B13 B14 B20A B20D B20E B20I B20J C C02 C02A C05 D E E02 E03 E05 F F02 F02A G G02 G02A H I "
      "I18 I25 J K L L01 L105 L109 L114 L117 M N N02 N03 N04 N05 N06 N07 N08 N09 N10 N10A N10B N10C N10D N10E "
      "N10F N10G N10H O O07 O10 O11 O08 P Q Q02 Q03 Q04 Q05 Q07 Q10 R R02 R04 S S02 S03 S04 S05 S07 S09 T T02 T04 "
      "U W W02 W17 W23 X X03 X04 X05 X11 X18 X22 X26 X33 Y Y02 Y07 Z Z04 Z07 Z10 ZA ZB";
  const std::string v310 =
      "NOTA FISCAL A B BA02 BA03 BA10 BA13 BA14 BA20 C C02 C02A C05 D E E02 E03 E03A E05 F F02 F02A G G02 G02A "
      "GA02 GA03 H I I05A I05C I18 I25 I50 I52 JA K L LA LA07 LB M N N02 N03 N04 N05 N06 N07 N08 N09 N10 N10A "
      "N10B N10C N10D N10E N10F N10G N10H NA O O07 O10 O11 O08 P Q Q02 Q03 Q04 Q05 Q07 Q10 R R02 R04 S S02 S03 "
      "S04 S05 S07 S09 T T02 T04 U UA W W02 W04C W04E W04G W17 W23 X X03 X04 X05 X11 X18 X22 X26 X33 Y Y02 Y07 "
      "YA Z Z04 Z07 Z10 ZA ZB ZB ZC04 ZC10";
  const std::string v400 =
      "NOTA FISCAL A B BA02 BA03 BA10 BA13 BA14 BA20 C C02 C02A C05 D E E02 E03 E03A E05 F F02 F02A F02B G G02 "
      "G02A G02B GA02 GA03 H I I05A I05C I18 I25 I50 I52 I80 JA K L LA LA07 LA11 LB M N N02 N03 N04 N05 N06 N07 "
      "N08 N09 N10 N10A N10B N10C N10D N10E N10F N10G N10H NA O O07 O10 O11 O08 P Q Q02 Q03 Q04 Q05 Q07 Q10 R "
      "R02 R04 S S02 S03 S04 S05 S07 S09 T T02 T04 U UA W W02 W17 W23 X X03 X04 X05 X11 X18 X22 X26 X33 Y Y02 "
      "Y07 YA YA09 Z Z04 Z07 Z10 ZA ZB ZB ZC04 ZC10 ZD01 ZD07";
  EXPECT_EQ(ListaRegistros("1.10"), v110);
  EXPECT_EQ(ListaRegistros("2.00"), v200);
  EXPECT_EQ(ListaRegistros("3.10"), v310);
  EXPECT_EQ(ListaRegistros("4.00"), v400);
}

// Every line: selector, record, placeholders each ending in the diaeresis, no field twice;
// the header goes under <B> from 3.10 and the sugar-cane record under <ZC>.
TEST(LayoutTXT, EveryLineIsWellFormed) {
  for (const char* versao : {"1.10", "2.00", "3.10", "4.00"}) {
    const std::vector<std::string> linhas = LayoutTXT(versao);
    for (std::size_t i = 0; i < linhas.size(); ++i) {
      const std::string& l = linhas[i];
      ASSERT_EQ(l.front(), '<') << l;
      Modelo m = Desmontar(l);
      std::vector<std::string> partes = Dividir(l.substr(l.find('|') + 1), "|");
      if (m.campos == 0) {
        // The header, the A line and the records of groups without fields of their own.
        EXPECT_TRUE(l.find("NOTA FISCAL|1") != std::string::npos || l.find("A|" + std::string(versao)) != std::string::npos ||
                    partes == std::vector<std::string>{""})
            << l;
        continue;
      }
      std::set<std::string> nomes;
      for (const std::string& p : partes) {
        ASSERT_GE(p.size(), 2u) << l;
        EXPECT_EQ(p.back(), kDiaerese) << l;
        EXPECT_EQ(std::count(p.begin(), p.end(), kDiaerese), 1) << l;
        EXPECT_TRUE(nomes.insert(p).second) << l;
      }
      EXPECT_EQ(static_cast<int>(partes.size()), m.campos) << l;
    }
    const bool novo = std::string(versao) >= "3.10";
    EXPECT_EQ(linhas[0], novo ? "<B> NOTA FISCAL|1" : "<B01> NOTA FISCAL|1") << versao;
    EXPECT_EQ(linhas[1], "<B01>     A|" + std::string(versao) + "|^ID^") << versao;
    EXPECT_EQ(std::count(linhas.begin(), linhas.end(),
                         "<ZC>     ZB|SAFRA\xA8|REF\xA8|QTOTMES\xA8|QTOTANT\xA8|QTOTGER\xA8|VFOR\xA8|VTOTDED\xA8|VLIQFOR\xA8"),
              novo ? 1 : 0)
        << versao;
  }
}

// ---- The writer's text ---------------------------------------------------------------------

// Which documents of a test: the variants cover the records that exclude each other in one
// document (CNPJ or CPF or foreign id of a party, CST or CSOSN items).
enum class Variante { Principal, CPF, Estrangeiro, SimplesNacional };

class NFeTXT : public ::testing::Test {
protected:
  void SetUp() override {
    fuso.Assign(ConfiguracaoFusoHorario());
    ConfiguracaoFusoHorario().SetModoDeteccao(tzFSC);
  }
  void TearDown() override { ConfiguracaoFusoHorario().Assign(fuso); }

  static void Local(TLocal& l, bool cpf) {
    teste::Local(l);
    if (!cpf) l.CNPJCPF = "11444777000161";
  }

  static TDetCollectionItem& Item(TNFe& n, const std::string& cProd) {
    TDetCollectionItem& item = teste::Item(n, n.Det.Count() + 1, cProd, "PRODUTO " + cProd);
    item.Imposto.vTotTrib = TCurrency::FromDouble(1.5);
    return item;
  }

  static void Icms(TNFe& n, TfscCSTIcms cst) {
    TICMS& i = Item(n, "ICMS" + std::to_string(static_cast<int>(cst))).Imposto.ICMS;
    i.CST = cst;
    i.vBC = 10;
    i.pICMS = 18;
    i.vICMS = TCurrency::FromDouble(1.8);
    i.pRedBC = 10;
    i.vBCST = 12;
    i.pICMSST = 18;
    i.vICMSST = TCurrency::FromDouble(0.36);
    i.vBCFCP = 10;
    i.pFCP = 2;
    i.vFCP = TCurrency::FromDouble(0.2);
    i.vBCFCPST = 12;
    i.pFCPST = 2;
    i.vFCPST = TCurrency::FromDouble(0.24);
    i.vICMSDeson = 1;
    i.vICMSOp = 2;
    i.pDif = 50;
    i.vICMSDif = 1;
    i.vBCSTRet = 10;
    i.pST = 18;
    i.vICMSSubstituto = 1;
    i.vICMSSTRet = TCurrency::FromDouble(1.8);
    i.vBCFCPSTRet = 10;
    i.pFCPSTRet = 2;
    i.vFCPSTRet = TCurrency::FromDouble(0.2);
    i.vBCSTDest = 10;
    i.vICMSSTDest = 1;
    i.pRedBCEfet = 10;
    i.vBCEfet = 9;
    i.pICMSEfet = 18;
    i.vICMSEfet = TCurrency::FromDouble(1.62);
    i.pBCOp = 100;
    i.UFST = "RJ";
  }

  static void Csosn(TNFe& n, TfscCSOSN csosn) {
    TICMS& i = Item(n, "SN" + std::to_string(static_cast<int>(csosn))).Imposto.ICMS;
    i.CSOSN = csosn;
    i.pCredSN = 2;
    i.vCredICMSSN = TCurrency::FromDouble(0.2);
    i.vBC = 10;
    i.pICMS = 18;
    i.vICMS = TCurrency::FromDouble(1.8);
    i.vBCST = 12;
    i.pICMSST = 18;
    i.vICMSST = TCurrency::FromDouble(0.36);
    i.vBCFCPST = 12;
    i.pFCPST = 2;
    i.vFCPST = TCurrency::FromDouble(0.24);
    i.vBCSTRet = 10;
    i.pST = 18;
    i.vICMSSTRet = TCurrency::FromDouble(1.8);
  }

  // The first item carries every product sub-group and the taxes of the first kind.
  static void ItemCompleto(TNFe& n) {
    TDetCollectionItem& item = Item(n, "COMPLETO");
    TProd& p = item.Prod;
    p.NVE.New().NVE = "AA0001";
    p.CEST = "0100100";
    p.CNPJFab = "11222333000181";
    p.cBenef = "SP123456";
    TDICollectionItem& di = p.DI.New();
    di.nDI = "1234567890";
    di.dDI = EncodeDate(2024, 5, 1);
    di.xLocDesemb = "SANTOS";
    di.UFDesemb = "SP";
    di.dDesemb = EncodeDate(2024, 5, 2);
    di.vAFRMM = 1;
    di.cExportador = "EXP1";
    TadiCollectionItem& adi = di.adi.New();
    adi.nAdicao = 1;
    adi.nSeqAdic = 1;
    adi.cFabricante = "FAB1";
    TdetExportCollectionItem& ex = p.detExport.New();
    ex.nRE = "123456789012";
    ex.chNFe = "35240511222333000181550010000001231123456780";
    ex.qExport = 1;
    TrastroCollectionItem& r = p.rastro.New();
    r.nLote = "L1";
    r.qLote = 1;
    r.dFab = EncodeDate(2024, 1, 1);
    r.dVal = EncodeDate(2025, 1, 1);
    p.veicProd.chassi = "9BWZZZ377VT004251";
    p.veicProd.cCor = "0001";
    p.veicProd.xCor = "PRATA";
    p.veicProd.cilin = "1600";
    p.veicProd.CMT = "000001500";
    TmedCollectionItem& m = p.med.New();
    m.cProdANVISA = "1234567890123";
    m.vPMC = 10;
    TarmaCollectionItem& a = p.arma.New();
    a.nSerie = "S1";
    a.nCano = "C1";
    a.descr = "ARMA";
    p.comb.cProdANP = 210203001;
    p.comb.descANP = "GLP";
    p.comb.pGLP = 50;
    p.comb.pGNn = 25;
    p.comb.pGNi = 25;
    p.comb.vPart = 1;
    p.comb.UFCons = "SP";
    p.comb.CIDE.qBCProd = 1;
    p.comb.CIDE.vAliqProd = 1;
    p.comb.CIDE.vCIDE = 1;
    p.comb.encerrante.nBico = 1;
    p.comb.encerrante.nTanque = 1;
    p.comb.encerrante.vEncIni = 1;
    p.comb.encerrante.vEncFin = 2;
    p.nRECOPI = "20240510123456789012";
    p.xPed = "PED9";
    p.nItemPed = "1";
    item.infAdProd = "ITEM COMPLETO";

    TImposto& t = item.Imposto;
    t.ICMS.CST = cstIcms00;
    t.ICMS.vBC = 10;
    t.ICMS.pICMS = 18;
    t.ICMS.vICMS = TCurrency::FromDouble(1.8);
    t.ICMS.pFCP = 2;
    t.ICMS.vFCP = TCurrency::FromDouble(0.2);
    t.IPI.CST = cstIpi50;
    t.IPI.cEnq = "999";
    t.IPI.vBC = 10;
    t.IPI.pIPI = 10;
    t.IPI.vIPI = 1;
    t.II.vBC = 10;
    t.II.vII = 1;
    t.PIS.CST = cstPis01;
    t.PIS.vBC = 10;
    t.PIS.pPIS = TCurrency::FromDouble(1.65);
    t.PIS.vPIS = TCurrency::FromDouble(0.17);
    t.PISST.vBC = 10;
    t.PISST.pPIS = TCurrency::FromDouble(1.65);
    t.PISST.vPIS = TCurrency::FromDouble(0.17);
    t.COFINS.CST = cstCofins01;
    t.COFINS.vBC = 10;
    t.COFINS.pCOFINS = TCurrency::FromDouble(7.6);
    t.COFINS.vCOFINS = TCurrency::FromDouble(0.76);
    t.COFINSST.vBC = 10;
    t.COFINSST.pCOFINS = TCurrency::FromDouble(7.6);
    t.COFINSST.vCOFINS = TCurrency::FromDouble(0.76);
    t.ICMSUFDest.vBCUFDest = 10;
    t.ICMSUFDest.pICMSUFDest = 18;
    t.ICMSUFDest.pICMSInter = 12;
    t.ICMSUFDest.pICMSInterPart = 100;
    t.ICMSUFDest.vICMSUFDest = TCurrency::FromDouble(0.6);
    item.pDevol = 100;
    item.vIPIDevol = 1;
  }

  static void Contribuicoes(TDetCollectionItem& item, TfscCSTPis pis, TfscCSTCofins cofins, bool porQtde) {
    TImposto& t = item.Imposto;
    t.PIS.CST = pis;
    t.COFINS.CST = cofins;
    if (porQtde) {
      t.PIS.qBCProd = t.COFINS.qBCProd = 2;
      t.PIS.vAliqProd = t.COFINS.vAliqProd = 1;
      t.PIS.vPIS = t.COFINS.vCOFINS = 2;
    } else {
      t.PIS.vBC = t.COFINS.vBC = 10;
      t.PIS.pPIS = t.COFINS.pCOFINS = 1;
      t.PIS.vPIS = t.COFINS.vCOFINS = TCurrency::FromDouble(0.1);
    }
  }

  static TNFe Documento(double versao, Variante v = Variante::Principal) {
    TNFe n;
    const bool cpf = v == Variante::CPF;
    teste::Cabecalho(n);
    n.infNFe.versao = versao;
    n.Ide.dSaiEnt = EncodeDateTime(2024, 5, 11, 8, 0, 0);
    n.Ide.dhCont = EncodeDateTime(2024, 5, 10, 9, 0, 0);
    n.Ide.xJust = "FALHA DE COMUNICACAO COM A SEFAZ";
    // The references in table order; a CPF producer's reference in the CPF variant.
    if (cpf) {
      TNFrefCollectionItem& r = n.Ide.NFref.New();
      r.RefNFP.cUF = 35;
      r.RefNFP.AAMM = "2405";
      r.RefNFP.CNPJCPF = "12345678909";
      r.RefNFP.IE = "110042490114";
      r.RefNFP.modelo = "04";
      r.RefNFP.serie = 1;
      r.RefNFP.nNF = 9;
    } else {
      n.Ide.NFref.New().refNFe = "35240511222333000181550010000001231123456780";
      TNFrefCollectionItem& r1 = n.Ide.NFref.New();
      r1.RefNF.cUF = 35;
      r1.RefNF.AAMM = "2405";
      r1.RefNF.CNPJ = "11222333000181";
      r1.RefNF.modelo = 1;
      r1.RefNF.serie = 1;
      r1.RefNF.nNF = 7;
      TNFrefCollectionItem& r2 = n.Ide.NFref.New();
      r2.RefNFP.cUF = 35;
      r2.RefNFP.AAMM = "2405";
      r2.RefNFP.CNPJCPF = "11222333000181";
      r2.RefNFP.IE = "110042490114";
      r2.RefNFP.modelo = "04";
      r2.RefNFP.serie = 1;
      r2.RefNFP.nNF = 8;
      TNFrefCollectionItem& r3 = n.Ide.NFref.New();
      r3.RefECF.modelo = modECF2D;
      r3.RefECF.nECF = "1";
      r3.RefECF.nCOO = "123";
    }
    teste::Emitente(n);
    if (cpf) n.Emit.CNPJCPF = "12345678909";
    n.Emit.EnderEmit.fone = "(11) 3333-4444";
    n.Emit.CRT = v == Variante::SimplesNacional ? crt1 : crt3;
    n.Avulsa.CNPJ = "11222333000181";
    n.Avulsa.xOrgao = "SEFAZ";
    n.Avulsa.matr = "123";
    n.Avulsa.xAgente = "AGENTE";
    n.Avulsa.UF = "SP";
    n.Avulsa.repEmi = "REPARTICAO";
    teste::Destinatario(n);
    if (v == Variante::Estrangeiro) {
      n.Dest.CNPJCPF = "";
      n.Dest.idEstrangeiro = "AB123456";
      n.Dest.EnderDest.cPais = 5850;
      n.Dest.EnderDest.xPais = "PARAGUAI";
    } else if (cpf) {
      n.Dest.CNPJCPF = "12345678909";
    }
    n.Dest.email = "cliente@example.com";
    Local(n.Retirada, cpf);
    Local(n.Entrega, cpf);
    n.autXML.New().CNPJCPF = "11222333000181";
    n.autXML.New().CNPJCPF = "12345678909";

    if (v == Variante::SimplesNacional) {
      for (TfscCSOSN c : {csosn101, csosn102, csosn201, csosn202, csosn500, csosn900}) Csosn(n, c);
    } else {
      ItemCompleto(n);
      for (TfscCSTIcms c : {cstIcms10, cstIcms20, cstIcms30, cstIcms40, cstIcms51, cstIcms60, cstIcms70, cstIcms90,
                            cstIcmsPart10, cstIcmsST41})
        Icms(n, c);
      // IPI by unit, not taxed; the four kinds of PIS and COFINS.
      TDetCollectionItem& d2 = n.Det[1];
      d2.Imposto.IPI.CST = cstIpi50;
      d2.Imposto.IPI.qUnid = 1;
      d2.Imposto.IPI.vUnid = 1;
      d2.Imposto.IPI.vIPI = 1;
      Contribuicoes(d2, cstPis03, cstCofins03, true);
      d2.Imposto.PISST.qBCProd = d2.Imposto.COFINSST.qBCProd = 1;
      d2.Imposto.PISST.vAliqProd = d2.Imposto.COFINSST.vAliqProd = 1;
      d2.Imposto.PISST.vPIS = d2.Imposto.COFINSST.vCOFINS = 1;
      TDetCollectionItem& d3 = n.Det[2];
      d3.Imposto.IPI.CST = cstIpi53;
      d3.Imposto.IPI.cEnq = "999";
      Contribuicoes(d3, cstPis04, cstCofins04, false);
      Contribuicoes(n.Det[3], cstPis99, cstCofins99, false);
      Contribuicoes(n.Det[4], cstPis99, cstCofins99, true);
      TDetCollectionItem& servico = Item(n, "SERVICO");
      servico.Imposto.ISSQN.vBC = 10;
      servico.Imposto.ISSQN.vAliq = 5;
      servico.Imposto.ISSQN.vISSQN = TCurrency::FromDouble(0.5);
      servico.Imposto.ISSQN.cMunFG = 3550308;
      servico.Imposto.ISSQN.cListServ = versao >= 3.1 ? "01.01" : "0101";
      servico.Imposto.ISSQN.cSitTrib = versao < 3 ? cSitTribN : cSitTribVazio;
    }

    TICMSTot& tot = n.Total.ICMSTot;
    tot.vProd = 10 * n.Det.Count();
    tot.vNF = tot.vProd;
    n.Total.ISSQNtot.vServ = 10;
    n.Total.ISSQNtot.vISS = TCurrency::FromDouble(0.5);
    n.Total.ISSQNtot.dCompet = EncodeDate(2024, 5, 10);
    n.Total.retTrib.vRetPIS = 1;
    n.Transp.modFrete = modFrete0;
    n.Transp.Transporta.CNPJCPF = cpf ? "12345678909" : "11222333000181";
    n.Transp.Transporta.xNome = "TRANSPORTADORA";
    n.Transp.retTransp.vServ = 10;
    n.Transp.retTransp.CFOP = "5352";
    n.Transp.retTransp.cMunFG = 3550308;
    n.Transp.veicTransp.placa = "ABC1234";
    n.Transp.veicTransp.UF = "SP";
    TreboqueCollectionItem& reb = n.Transp.Reboque.New();
    reb.placa = "XYZ9876";
    reb.UF = "SP";
    TVolCollectionItem& vol = n.Transp.Vol.New();
    vol.qVol = 1;
    vol.esp = "CAIXA";
    vol.Lacres.New().nLacre = "L1";
    n.Cobr.Fat.nFat = "F1";
    n.Cobr.Fat.vOrig = 10;
    n.Cobr.Fat.vLiq = 10;
    TDupCollectionItem& dup = n.Cobr.Dup.New();
    dup.nDup = "001";
    dup.dVenc = EncodeDate(2024, 6, 10);
    dup.vDup = 10;
    TpagCollectionItem& pag = n.pag.New();
    pag.indPag = indPag1;
    pag.tPag = tPag03;
    pag.vPag = 10;
    pag.tpIntegra = tpIntegra1;
    pag.CNPJ = "11444777000161";
    pag.tBand = tBand01;
    pag.cAut = "AUT123";
    n.pag.vTroco = 1;
    n.InfAdic.infCpl = "PEDIDO 42";
    TobsContCollectionItem& oc = n.InfAdic.obsCont.New();
    oc.xCampo = "CAMPO";
    oc.xTexto = "TEXTO";
    TobsFiscoCollectionItem& of = n.InfAdic.obsFisco.New();
    of.xCampo = "FISCO";
    of.xTexto = "TEXTO";
    TprocRefCollectionItem& pr = n.InfAdic.procRef.New();
    pr.nProc = "PROC1";
    n.exporta.UFEmbarq = n.exporta.UFSaidaPais = "SP";
    n.exporta.xLocEmbarq = n.exporta.xLocExporta = "SANTOS";
    n.compra.xPed = "PED1";
    n.cana.safra = "2023/2024";
    n.cana.ref = "05/2024";
    TForDiaCollectionItem& dia = n.cana.fordia.New();
    dia.dia = 1;
    dia.qtde = 10;
    n.cana.qTotMes = 10;
    n.cana.qTotGer = 10;
    TDeducCollectionItem& ded = n.cana.deduc.New();
    ded.xDed = "TAXA";
    ded.vDed = 1;
    n.cana.vFor = 10;
    n.cana.vLiqFor = 9;
    n.infRespTec.CNPJ = "11222333000181";
    n.infRespTec.xContato = "CONTATO";
    n.infRespTec.email = "contato@example.com";
    n.infRespTec.fone = "1133334444";
    return n;
  }

  // The text of a document, written with the writer's simultaneous TXT output.
  static std::string Texto(TNFe& n, std::string* xml = nullptr) {
    TNFeW w(&n);
    w.Opcoes().SetGerarTXTSimultaneamente(true);
    w.Opcoes().SetGerarTagAssinatura(taNunca);
    w.SetIdCSRT(1);
    w.SetCSRT("G8063VRTNDMO886SFNK5LDUDEI24XJ22YIPO");
    w.EscreverNFe();
    if (xml) *xml = w.Gerador().ArquivoFormatoXML();
    return w.Gerador().ArquivoFormatoTXT();
  }

  // Checks the records of a text against the table of its version: each line's record is in
  // the table, its field count equals the placeholders of its line, and the records follow the
  // table's order, starting again at each item (H). Answers the records found.
  static std::set<std::string> Conferir(const std::string& texto, const std::string& versao) {
    std::vector<Modelo> modelos = Modelos(versao);
    // The text follows the XML: a service item's ISSQN comes before its PIS, and the
    // destination-state ICMS after the COFINS ST, wherever the table lists them.
    auto mover = [&](const std::string& registro, const std::string& depois) {
      auto de = std::find_if(modelos.begin(), modelos.end(), [&](const Modelo& m) { return m.registro == registro; });
      if (de == modelos.end()) return;
      Modelo m = *de;
      modelos.erase(de);
      auto para = std::find_if(modelos.begin(), modelos.end(), [&](const Modelo& x) { return x.registro == depois; });
      modelos.insert(para + 1, m);
    };
    mover("U", "P");
    mover("NA", "T04");
    std::set<std::string> vistos;
    std::size_t anterior = 0;
    for (const std::string& linha : Dividir(texto, "\r\n")) {
      std::string registro = Maiusculas(linha.substr(0, linha.find('|')));
      const int campos = static_cast<int>(std::count(linha.begin(), linha.end(), '|'));
      // The first line of the table at or after the previous one (a new item starts again at H).
      std::size_t inicio = registro == "H" ? 0 : anterior;
      std::size_t i = inicio;
      while (i < modelos.size() && !(modelos[i].registro == registro &&
                                      (modelos[i].campos == campos || (modelos[i].campos == 0 && campos <= 2))))
        ++i;
      EXPECT_LT(i, modelos.size()) << versao << ": out of order or of wrong size: " << linha;
      if (i == modelos.size()) continue;
      if (modelos[i].campos == 0 && registro != "A" && registro != "NOTA FISCAL") {
        EXPECT_EQ(linha, registro + "|");
      }
      anterior = i;
      vistos.insert(registro);
    }
    EXPECT_EQ(texto.find('\xA8'), std::string::npos) << texto;
    EXPECT_EQ(texto.find('<'), std::string::npos) << texto;
    return vistos;
  }

  static std::vector<std::string> Linhas(const std::string& texto) { return Dividir(texto, "\r\n"); }

  static std::string Linha(const std::string& texto, const std::string& registro, int ocorrencia = 0) {
    for (const std::string& l : Linhas(texto))
      if (l.compare(0, registro.size() + 1, registro + "|") == 0 && ocorrencia-- == 0) return l;
    return "";
  }

  TTimeZoneConf fuso;
};

TEST_F(NFeTXT, WholeDocumentOf400HasEveryRecordInTableOrder) {
  std::set<std::string> vistos;
  for (Variante v : {Variante::Principal, Variante::CPF, Variante::Estrangeiro, Variante::SimplesNacional}) {
    TNFe n = Documento(4.00, v);
    std::string xml;
    const std::string texto = Texto(n, &xml);
    ASSERT_FALSE(texto.empty());
    EXPECT_NE(xml.find("<infNFe versao=\"4.00\""), std::string::npos);
    std::set<std::string> destes = Conferir(texto, "4.00");
    vistos.insert(destes.begin(), destes.end());
    EXPECT_EQ(Linhas(texto)[0], "A|4.00|" + n.infNFe.ID);
  }
  std::set<std::string> todos;
  for (const Modelo& m : Modelos("4.00")) todos.insert(m.registro);
  todos.erase("NOTA FISCAL");  // its selector <B> is no group of the writer
  std::vector<std::string> faltam;
  std::set_difference(todos.begin(), todos.end(), vistos.begin(), vistos.end(), std::back_inserter(faltam));
  EXPECT_TRUE(faltam.empty()) << ::testing::PrintToString(faltam);
  EXPECT_EQ(vistos.count("NOTA FISCAL"), 0u);
}

TEST_F(NFeTXT, FieldsOfLayout400LandInTheirRecords) {
  TNFe n = Documento(4.00);
  const std::string texto = Texto(n);
  EXPECT_EQ(Linha(texto, "B"),
            "B|35|" + n.infNFe.ID.substr(38, 8) +
                "|VENDA|55|1|123|2024-05-10T10:20:30-03:00|2024-05-11T08:00:00-03:00|1|1|3550308|1|1|" +
                n.infNFe.ID.substr(46, 1) + "|1|1|0|1|0|Tuim 1.0|2024-05-10T09:00:00-03:00|FALHA DE COMUNICACAO COM A SEFAZ");
  // Fields after a sub-group reach their own record: IE and CRT after enderEmit.
  EXPECT_EQ(Linha(texto, "C"), "C|EMPRESA EMITENTE LTDA||110042490114||||3");
  EXPECT_EQ(Linha(texto, "C02"), "C02|11222333000181");
  EXPECT_EQ(Linha(texto, "E"), "E|CLIENTE LTDA|1|110042490114|||cliente@example.com");
  EXPECT_EQ(Linha(texto, "H"), "H|1|ITEM COMPLETO");
  EXPECT_EQ(Linha(texto, "H", 1), "H|2|");
  EXPECT_EQ(Linha(texto, "I05a"), "I05a|AA0001");
  EXPECT_EQ(Linha(texto, "I05c"), "I05c|0100100|S|11222333000181");
  EXPECT_EQ(Linha(texto, "LB"), "LB|20240510123456789012");
  // xPed and nItemPed, written after DI and detExport, still reach the item's record.
  EXPECT_EQ(Linha(texto, "I"),
            "I|COMPLETO|SEM GTIN|PRODUTO COMPLETO|22030000|SP123456||5102|UN|2.0000|5.0000000000|10.00|SEM GTIN|UN|"
            "2.0000|5.0000000000|||||1|PED9|1|");
  EXPECT_EQ(Linha(texto, "UA"), "UA|100.00|1.00");
  EXPECT_EQ(Linha(texto, "X"), "X|0||");
  EXPECT_EQ(Linha(texto, "W"), "W|");
  EXPECT_EQ(Linha(texto, "YA"), "YA|1|03|10.00||11444777000161|01|AUT123");
  EXPECT_EQ(Linha(texto, "YA09"), "YA09|1.00");
  EXPECT_EQ(Linha(texto, "ZB"), "ZB||PED1|");
  EXPECT_EQ(Linha(texto, "ZB", 1), "ZB|2023/2024|05/2024|10.0000000000|0.0000000000|10.0000000000|10.00|0.00|9.00");
  EXPECT_EQ(Linha(texto, "ZC04"), "ZC04|1|10.0000000000");
  EXPECT_EQ(Linha(texto, "ZD01"), "ZD01|11222333000181|CONTATO|contato@example.com|1133334444");
  EXPECT_EQ(Linha(texto, "ZD07").substr(0, 8), "ZD07|01|");
  EXPECT_EQ(Linha(texto, "ZD07").size(), 8u + 28u);
  EXPECT_EQ(Linha(texto, "N10b"), "N10b|0|41|10.00|18.0000|1.00|1.80|10.00|2.0000|0.20|10.00|1.00|10.0000|9.00|18.0000|1.62");
}

TEST_F(NFeTXT, IssuerAddressFillsTheC05Record) {
  TNFe n = Documento(4.00);
  const std::string texto = Texto(n);
  EXPECT_EQ(Linha(texto, "C05"), "C05|RUA DAS FLORES|007||CENTRO|3550308|SAO PAULO|SP|01001000|1058|BRASIL|1133334444");
}

TEST_F(NFeTXT, OlderVersionsFollowTheirOwnTables) {
  for (double versao : {1.10, 2.00, 3.10}) {
    char texto_versao[8];
    std::snprintf(texto_versao, sizeof texto_versao, "%.2f", versao);
    std::set<std::string> vistos;
    for (int doc = 0; doc < 4; ++doc) {
      const Variante v = doc == 1 ? Variante::CPF : doc == 2 ? Variante::SimplesNacional : Variante::Principal;
      TNFe n = Documento(versao, v);
      if (doc == 3) n.Ide.modelo = 65;  // the payment groups before 4.00 belong to the NFC-e
      const std::string texto = Texto(n);
      ASSERT_FALSE(texto.empty()) << versao;
      std::set<std::string> destes = Conferir(texto, texto_versao);
      vistos.insert(destes.begin(), destes.end());
      const std::vector<std::string> linhas = Linhas(texto);
      if (versao < 3) {
        EXPECT_EQ(linhas[0], "NOTA FISCAL|1");
        EXPECT_EQ(linhas[1], std::string("A|") + texto_versao + "|" + n.infNFe.ID);
      } else {
        EXPECT_EQ(linhas[0], std::string("A|") + texto_versao + "|" + n.infNFe.ID);
      }
    }
    for (const char* registro : {"B", "C", "C02", "C02a", "C05", "D", "E", "E05", "F", "G", "H", "I", "I18", "I25",
                                 "K", "L", "M", "N", "N02", "N03", "N10", "O", "O07", "P", "Q", "Q02", "S", "U",
                                 "W", "W02", "X", "X03", "X26", "Y", "Y02", "Y07", "Z", "Z04", "ZA", "ZB"})
      EXPECT_EQ(vistos.count(Maiusculas(registro)), 1u) << versao << " " << registro;
    EXPECT_EQ(vistos.count("YA"), versao >= 3.1 ? 1u : 0u) << versao;
    EXPECT_EQ(vistos.count("N10C"), versao >= 2 ? 1u : 0u) << versao;
  }
}

TEST_F(NFeTXT, Layout110NamesItsOwnVehicleFields) {
  TNFe n = Documento(1.10);
  const std::string texto = Texto(n);
  // CM3 and CMKG, no CRT, no indTot; the ICMS60 of 1.10 carries vBCST and vICMSST.
  EXPECT_EQ(Linha(texto, "J"), "J|1|9BWZZZ377VT004251|0001|PRATA||1600||||||000001500||0|0||0|0||1|");
  EXPECT_EQ(Linha(texto, "C"), "C|EMPRESA EMITENTE LTDA||110042490114|||");
  EXPECT_EQ(Linha(texto, "N08"), "N08|0|60|12.00|0.36");
}

TEST_F(NFeTXT, Version300GivesNoText) {
  TNFe n = Documento(3.00);
  std::string xml;
  EXPECT_EQ(Texto(n, &xml), "");
  EXPECT_NE(xml.find("<infNFe versao=\"3.00\""), std::string::npos);
}

TEST_F(NFeTXT, TheBHeaderIsNeverEmitted) {
  for (double versao : {3.10, 4.00}) {
    TNFe n = Documento(versao);
    const std::string texto = Texto(n);
    EXPECT_EQ(texto.find("NOTA FISCAL"), std::string::npos) << versao;
    EXPECT_EQ(texto.find("<B>"), std::string::npos) << versao;
  }
}

TEST_F(NFeTXT, OptionOffLeavesTheTextEmptyAndTheXmlUnchanged) {
  TNFe a = Documento(4.00), b = Documento(4.00);
  TNFeW wa(&a), wb(&b);
  wb.Opcoes().SetGerarTXTSimultaneamente(true);
  wa.EscreverNFe();
  wb.EscreverNFe();
  EXPECT_EQ(wa.Gerador().ArquivoFormatoTXT(), "");
  EXPECT_NE(wb.Gerador().ArquivoFormatoTXT(), "");
  EXPECT_EQ(wa.Gerador().ArquivoFormatoXML(), wb.Gerador().ArquivoFormatoXML());
  EXPECT_EQ(wa.Gerador().ListaDeAlertas(), wb.Gerador().ListaDeAlertas());
  // A second run of the same writer gives the same text, not the first one's twice.
  const std::string primeiro = wb.Gerador().ArquivoFormatoTXT();
  wb.EscreverNFe();
  EXPECT_EQ(wb.Gerador().ArquivoFormatoTXT(), primeiro);
}

}  // namespace
}  // namespace tuim

namespace tuim {
namespace {

// ---- Where the generator puts a field -------------------------------------------------------

TEST(GeradorTxtNiveis, FieldAfterASubGroupReachesItsOwnRecord) {
  TGerador g;
  g.LayoutArquivoTXT() = {"<C01>C|XNOME\xA8|IE\xA8", "<C05>C05|XLGR\xA8"};
  g.EscreverGrupo("emit", "C01");
  g.EscreverCampo(fcTexto, "C03", "xNome", 1, 60, 1, "EMPRESA");
  g.EscreverGrupo("enderEmit", "C05");
  g.EscreverCampo(fcTexto, "C06", "xLgr", 1, 60, 1, "RUA");
  g.EscreverGrupo("/enderEmit");
  EXPECT_EQ(g.IDNivel(), "C01");
  g.EscreverCampo(fcTexto, "C17", "IE", 1, 60, 1, "123");
  g.EscreverGrupo("/emit");
  EXPECT_EQ(g.IDNivel(), "");
  g.AjustarRegistrosTXT("x");
  EXPECT_EQ(g.ArquivoFormatoTXT(), "C|EMPRESA|123\r\nC05|RUA");
}

TEST(GeradorTxtNiveis, GroupWithoutRecordWritesIntoTheRecordAround) {
  TGerador g;
  g.LayoutArquivoTXT() = {"<P1>P|TPAG\xA8|CNPJ\xA8", "<Q1>Q|CNPJ\xA8"};
  g.EscreverGrupo("pag", "P1");
  g.EscreverCampo(fcTexto, "", "tPag", 1, 2, 1, "03");
  g.EscreverGrupo("card", "P9");
  g.EscreverCampo(fcTexto, "", "tpIntegra", 1, 1, 1, "1");  // no place anywhere: dropped
  g.EscreverCampo(fcTexto, "", "CNPJ", 1, 14, 1, "11444777000161");
  g.EscreverGrupo("/card");
  g.EscreverGrupo("/pag");
  // Outside every group a field without a record goes nowhere.
  g.EscreverCampo(fcTexto, "", "CNPJ", 1, 14, 1, "99");
  g.AjustarRegistrosTXT("x");
  EXPECT_EQ(g.ArquivoFormatoTXT(), "P|03|11444777000161");
}

TEST(GeradorTxtNiveis, RecordOpenedInsideAGroupTakesItsLaterFieldsUntilItCloses) {
  TGerador g;
  g.LayoutArquivoTXT() = {"<G1>G|A\xA8|C\xA8", "<R1>R|B\xA8", "<S1>S|X\xA8"};
  g.EscreverGrupo("g", "G1");
  g.EscreverCampo(fcTexto, "", "A", 1, 9, 1, "a");
  g.AbrirRegistroTXT("R1");
  g.EscreverGrupo("s", "S1");
  g.EscreverCampo(fcTexto, "", "X", 1, 9, 1, "x");
  g.EscreverGrupo("/s");
  EXPECT_EQ(g.IDNivel(), "R1");
  g.EscreverCampo(fcTexto, "", "B", 1, 9, 1, "b");
  g.EscreverCampo(fcTexto, "", "C", 1, 9, 1, "c");  // R1 has no C: the field is lost, as in any record
  g.EscreverGrupo("/g");
  g.AjustarRegistrosTXT("x");
  EXPECT_EQ(g.ArquivoFormatoTXT(), "G|a|\r\nR|b\r\nS|x");
}

TEST(GeradorTxtNiveis, SetIDNivelSendsFieldsToTheLatestOpeningOfThatRecord) {
  TGerador g;
  g.LayoutArquivoTXT() = {"<H01>H|NITEM\xA8|INFADPROD\xA8", "<I01>I|CPROD\xA8"};
  for (const char* n : {"1", "2"}) {
    g.EscreverGrupo(std::string("det nItem=\"") + n + "\"", "H01");
    g.EscreverGrupo("prod", "I01");
    g.EscreverCampo(fcTexto, "", "cProd", 1, 9, 1, std::string("P") + n);
    g.SetIDNivel("H01");
    g.EscreverCampo(fcTexto, "", "infAdProd", 1, 9, 1, std::string("info") + n);
    g.EscreverGrupo("/prod");
    g.EscreverGrupo("/det");
  }
  g.AjustarRegistrosTXT("x");
  EXPECT_EQ(g.ArquivoFormatoTXT(), "H|1|info1\r\nI|P1\r\nH|2|info2\r\nI|P2");
}

}  // namespace
}  // namespace tuim

namespace tuim {
namespace {

TEST(GeradorTxtNiveis, LineBreaksOfATextStayInsideTheRecord) {
  TGerador g;
  g.LayoutArquivoTXT() = {"<Z01>Z|INFCPL\xA8|BRUTO\xA8"};
  g.EscreverGrupo("infAdic", "Z01");
  g.EscreverCampo(fcTexto, "Z03", "infCpl", 1, 99, 1, "linha 1\r\nlinha 2\nlinha 3\rfim");
  g.EscreverCampo(fcTexto, "", "bruto", 1, 99, 1, "a\nb", "", false);  // untreated text stays as given
  g.EscreverGrupo("/infAdic");
  g.AjustarRegistrosTXT("x");
  EXPECT_EQ(g.ArquivoFormatoTXT(), "Z|linha 1;linha 2;linha 3;fim|a\nb");
}

}  // namespace
}  // namespace tuim
