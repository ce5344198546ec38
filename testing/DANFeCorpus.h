#pragma once
// Documents the DANFE tests, the golden images and the benchmarks print: filled in memory the
// way a host fills them, with the key, protocol and (NFC-e) QR code an authorized one carries.
#include <string>

#include "fiscal/TuimDateTime.h"
#include "report/TuimDANFePDF.h"
#include "testing/NFeConstrutor.h"
#include "xml/TuimNFeClass.h"

namespace tuim::corpus {

inline void Emitente(TNFe& n) {
  teste::Emitente(n);
  n.Emit.xNome = "EMPRESA EMITENTE DE TESTE LTDA";
  n.Emit.xFant = "LOJA TESTE";
  n.Emit.EnderEmit.xCpl = "SALA 2";
  n.Emit.EnderEmit.fone = "1133334444";
}

inline void Item(TNFe& n, int i) {
  TDetCollectionItem& d =
      teste::Item(n, i, "P" + std::to_string(1000 + i), "PRODUTO DE TESTE NUMERO " + std::to_string(i), 2, 10.5);
  const TProd& p = d.Prod;
  d.Imposto.ICMS.orig = orig0;
  d.Imposto.ICMS.CST = cstIcms00;
  d.Imposto.ICMS.vBC = p.vProd;
  d.Imposto.ICMS.pICMS = TCurrency(18);
  d.Imposto.ICMS.vICMS = TCurrency::FromRaw(37800);
  d.Imposto.vTotTrib = TCurrency::FromRaw(50000);
  n.Total.ICMSTot.vBC += p.vProd;
  n.Total.ICMSTot.vICMS += d.Imposto.ICMS.vICMS;
  n.Total.ICMSTot.vProd += p.vProd;
  n.Total.ICMSTot.vNF += p.vProd;
  n.Total.ICMSTot.vTotTrib += d.Imposto.vTotTrib;
}

// An authorized NF-e (model 55) with `itens` items.
inline TNFe NFe(int itens, const std::string& cnpj = "11222333000181") {
  TNFe n;
  teste::Cabecalho(n);
  n.Ide.natOp = "VENDA DE MERCADORIA";
  n.Ide.dSaiEnt = EncodeDateTime(2024, 5, 11, 8, 0, 0);
  n.Ide.indPres = indPres0;
  Emitente(n);
  n.Emit.CNPJCPF = cnpj;
  teste::Destinatario(n);
  n.Dest.xNome = "CLIENTE DESTINATARIO LTDA";
  n.Dest.EnderDest.fone = "1155556666";
  for (int i = 1; i <= itens; ++i) Item(n, i);
  n.Transp.modFrete = modFrete0;
  n.Transp.Transporta.CNPJCPF = "11444777000161";
  n.Transp.Transporta.xNome = "TRANSPORTADORA RAPIDA LTDA";
  n.Transp.Transporta.xEnder = "RODOVIA DOS BANDEIRANTES KM 20";
  n.Transp.Transporta.xMun = "JUNDIAI";
  n.Transp.Transporta.UF = "SP";
  TVolCollectionItem& v = n.Transp.Vol.New();
  v.qVol = 3;
  v.esp = "CAIXA";
  v.pesoB = TCurrency(12);
  v.pesoL = TCurrency(10);
  n.Cobr.Fat.nFat = "123";
  n.Cobr.Fat.vOrig = n.Total.ICMSTot.vNF;
  n.Cobr.Fat.vLiq = n.Total.ICMSTot.vNF;
  for (int i = 1; i <= 3; ++i) {
    TDupCollectionItem& dp = n.Cobr.Dup.New();
    dp.nDup = "00" + std::to_string(i);
    dp.dVenc = EncodeDate(2024, 5 + i, 10);
    dp.vDup = TCurrency::FromRaw(70000);
  }
  n.pag.New().vPag = n.Total.ICMSTot.vNF;
  n.InfAdic.infCpl = "PEDIDO 4567; ENTREGAR NO PERIODO DA MANHA";
  n.infNFe.ID = "NFe" + TTuimDANFePDF::ChaveAcesso(n);
  n.procNFe.chNFe = n.infNFe.ID.substr(3);
  n.procNFe.nProt = "135240000012345";
  n.procNFe.dhRecbto = EncodeDateTime(2024, 5, 10, 10, 21, 5);
  n.procNFe.cStat = 100;
  n.procNFe.xMotivo = "Autorizado o uso da NF-e";
  return n;
}

// An authorized NFC-e (model 65) with `itens` items, identified consumer and QR code.
inline TNFe NFCe(int itens) {
  TNFe n = NFe(0);
  n.Ide.modelo = 65;
  n.Ide.tpImp = tiNFCe;
  n.Ide.indFinal = indFinal1;
  n.Ide.indPres = indPres1;
  n.Dest = TDest();
  n.Dest.CNPJCPF = "12345678909";
  n.Dest.xNome = "CONSUMIDOR DE TESTE";
  n.Dest.indIEDest = indIEDest9;
  n.Transp = TTransp();
  n.Transp.modFrete = modFrete9;
  n.Cobr = TCobr();
  n.InfAdic.infCpl = "";
  n.Total = TTotal();
  for (int i = 1; i <= itens; ++i) Item(n, i);
  n.pag = TpagCollection();
  TpagCollectionItem& pg = n.pag.New();
  pg.tPag = tPag01;
  pg.vPag = n.Total.ICMSTot.vNF + TCurrency(5);
  n.pag.vTroco = TCurrency(5);
  n.infNFe.ID.clear();
  n.procNFe.chNFe.clear();
  n.infNFe.ID = "NFe" + TTuimDANFePDF::ChaveAcesso(n);
  n.procNFe.chNFe = n.infNFe.ID.substr(3);
  n.infNFeSupl.urlChave = "https://www.nfce.fazenda.sp.gov.br/consulta";
  n.infNFeSupl.qrCode = "https://www.nfce.fazenda.sp.gov.br/qrcode?p=" + n.infNFe.ID.substr(3) +
                        "|2|1|1|3F4A1C2B9E8D7F6A5B4C3D2E1F0A9B8C7D6E5F4A";
  return n;
}

}  // namespace tuim::corpus
