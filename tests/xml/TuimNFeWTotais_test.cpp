#include <gtest/gtest.h>

#include <string>

#include "fiscal/TuimDateTime.h"
#include "xml/TuimNFeW.h"

namespace tuim {
namespace {

TEST(NFeWTotais, ZeroTotalsAndPaymentOfLayout400) {
  TNFe n;
  n.infNFe.versao = 4.00;
  n.Ide.cUF = 35;
  n.Ide.modelo = 65;
  TpagCollectionItem& p = n.pag.New();
  p.tPag = tPag03;
  p.vPag = TCurrency(10);
  TNFeW w(&n);
  w.EscreverNFe();
  const std::string& xml = w.Gerador().ArquivoFormatoXML();
  EXPECT_NE(xml.find("<total><ICMSTot><vBC>0.00</vBC><vICMS>0.00</vICMS><vICMSDeson>0.00</vICMSDeson><vFCP>0.00</vFCP>"
                     "<vBCST>0.00</vBCST><vST>0.00</vST><vFCPST>0.00</vFCPST><vFCPSTRet>0.00</vFCPSTRet>"
                     "<vProd>0.00</vProd><vFrete>0.00</vFrete><vSeg>0.00</vSeg><vDesc>0.00</vDesc><vII>0.00</vII>"
                     "<vIPI>0.00</vIPI><vIPIDevol>0.00</vIPIDevol><vPIS>0.00</vPIS><vCOFINS>0.00</vCOFINS>"
                     "<vOutro>0.00</vOutro><vNF>0.00</vNF></ICMSTot></total><transp><modFrete>0</modFrete></transp>"
                     "<pag><detPag><indPag>0</indPag><tPag>03</tPag><vPag>10.00</vPag></detPag></pag></infNFe></NFe>"),
            std::string::npos)
      << xml;
}

TEST(NFeWTotais, SignatureFollowsTheOptionAndShortQrCodeIsFlagged) {
  TNFe n;
  n.infNFe.versao = 4.00;
  n.Ide.cUF = 35;
  n.Ide.modelo = 65;
  n.infNFeSupl.qrCode = std::string(80, 'A');
  TNFeW w(&n);
  w.EscreverNFe();
  EXPECT_EQ(w.Gerador().ArquivoFormatoXML().find("<Signature"), std::string::npos);
  bool curto = false;
  for (const auto& a : w.Gerador().ListaDeAlertas())
    if (a.find("qrCode") != std::string::npos && a.find("Tamanho menor") != std::string::npos) curto = true;
  EXPECT_TRUE(curto);
  w.Opcoes().SetGerarTagAssinatura(taSempre);
  w.EscreverNFe();
  EXPECT_NE(w.Gerador().ArquivoFormatoXML().find("<DigestValue></DigestValue></Reference>"), std::string::npos) << w.Gerador().ArquivoFormatoXML();
}

TEST(NFeWTotais, ProtocolWithoutMessageEndsWithTheReason) {
  TNFe n;
  n.infNFe.versao = 4.00;
  n.Ide.cUF = 35;
  n.procNFe.nProt = "135240000000001";
  n.procNFe.xMotivo = "Autorizado o uso da NF-e";
  n.procNFe.cStat = 100;
  TNFeW w(&n);
  w.EscreverNFe();
  const std::string& xml = w.Gerador().ArquivoFormatoXML();
  const std::string fim = "<cStat>100</cStat><xMotivo>Autorizado o uso da NF-e</xMotivo></infProt></protNFe></nfeProc>";
  ASSERT_GE(xml.size(), fim.size());
  EXPECT_EQ(xml.substr(xml.size() - fim.size()), fim);
}

TEST(NFeWTotais, QrCodeLimitsCountTheTextAloneNotItsWrapper) {
  struct Caso {
    std::size_t tamanho;
    const char* alerta;
  };
  for (const Caso& c : {Caso{593, ""}, Caso{600, ""}, Caso{100, ""}, Caso{601, "Tamanho maior"},
                        Caso{99, "Tamanho menor"}, Caso{95, "Tamanho menor"}}) {
    TNFe n;
    n.infNFe.versao = 4.00;
    n.Ide.cUF = 35;
    n.Ide.modelo = 65;
    n.infNFeSupl.qrCode = std::string(c.tamanho, 'A');
    n.infNFeSupl.urlChave = "https://www.nfce.fazenda.sp.gov.br/consulta";
    TNFeW w(&n);
    w.EscreverNFe();
    std::string visto;
    for (const auto& a : w.Gerador().ListaDeAlertas())
      if (a.find("qrCode") != std::string::npos) visto = a;
    if (*c.alerta)
      EXPECT_NE(visto.find(c.alerta), std::string::npos) << c.tamanho << ": " << visto;
    else
      EXPECT_EQ(visto, "") << c.tamanho;
    EXPECT_NE(w.Gerador().ArquivoFormatoXML().find("<qrCode><![CDATA[" + n.infNFeSupl.qrCode + "]]></qrCode>"),
              std::string::npos);
  }
}

TEST(NFeWTotais, ProtocolKeepsTheReceiptOffsetTheAuthoritySent) {
  TNFe n;
  n.infNFe.versao = 4.00;
  n.Ide.cUF = 13;  // AM: its own offset would be -04:00
  ASSERT_TRUE(n.procNFe.LerProtNFe(
      "<protNFe versao=\"4.00\"><infProt><tpAmb>2</tpAmb><verAplic>AM</verAplic><chNFe>1</chNFe>"
      "<dhRecbto>2024-05-10T10:20:35-03:00</dhRecbto><nProt>113240000000001</nProt><digVal>a</digVal>"
      "<cStat>100</cStat><xMotivo>Autorizado o uso da NF-e</xMotivo></infProt></protNFe>"));
  TNFeW w(&n);
  w.EscreverNFe();
  EXPECT_NE(w.Gerador().ArquivoFormatoXML().find("<dhRecbto>2024-05-10T10:20:35-03:00</dhRecbto>"),
            std::string::npos)
      << w.Gerador().ArquivoFormatoXML();
}

// The authority's answer names its protocol; the processed document carries that name.
TEST(NFeWTotais, ProtocolReadFromTheAnswerKeepsItsId) {
  TNFe n;
  n.infNFe.versao = 4.00;
  ASSERT_TRUE(n.procNFe.LerProtNFe(
      "<protNFe versao=\"4.00\"><infProt Id=\"ID113240000000001\"><tpAmb>2</tpAmb><verAplic>AM</verAplic>"
      "<chNFe>1</chNFe><dhRecbto>2024-05-10T10:20:35-03:00</dhRecbto><nProt>113240000000001</nProt>"
      "<digVal>a</digVal><cStat>100</cStat><xMotivo>Autorizado o uso da NF-e</xMotivo></infProt></protNFe>"));
  EXPECT_EQ(n.procNFe.Id, "ID113240000000001");
  TNFeW w(&n);
  w.EscreverNFe();
  EXPECT_NE(w.Gerador().ArquivoFormatoXML().find("<infProt Id=\"ID113240000000001\"><tpAmb>2</tpAmb>"),
            std::string::npos);
}

}  // namespace
}  // namespace tuim
