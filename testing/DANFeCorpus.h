#pragma once
// Documents the DANFE tests, the golden images and the benchmarks print: filled in memory the
// way a host fills them, with the key, protocol and (NFC-e) QR code an authorized one carries.
#include <string>

#include "fiscal/TuimDateTime.h"
#include "report/TuimDANFePDF.h"
#include "xml/TuimNFeClass.h"

namespace tuim::corpus {

inline void Emitente(TNFe& n) {
  n.Emit.CNPJCPF = "11222333000181";
  n.Emit.xNome = "EMPRESA EMITENTE DE TESTE LTDA";
  n.Emit.xFant = "LOJA TESTE";
  n.Emit.EnderEmit.xLgr = "RUA DAS FLORES";
  n.Emit.EnderEmit.nro = "7";
  n.Emit.EnderEmit.xCpl = "SALA 2";
  n.Emit.EnderEmit.xBairro = "CENTRO";
  n.Emit.EnderEmit.cMun = 3550308;
  n.Emit.EnderEmit.xMun = "SAO PAULO";
  n.Emit.EnderEmit.UF = "SP";
  n.Emit.EnderEmit.CEP = 1001000;
  n.Emit.EnderEmit.fone = "1133334444";
  n.Emit.IE = "110042490114";
  n.Emit.CRT = crt3;
}

inline void Item(TNFe& n, int i) {
  TDetCollectionItem& d = n.Det.New();
  TProd& p = d.Prod;
  p.nItem = i;
  p.cProd = "P" + std::to_string(1000 + i);
  p.cEAN = "SEM GTIN";
  p.xProd = "PRODUTO DE TESTE NUMERO " + std::to_string(i);
  p.NCM = "22030000";
  p.CFOP = "5102";
  p.uCom = "UN";
  p.qCom = TCurrency(2);
  p.vUnCom = 10.5;
  p.vProd = TCurrency::FromRaw(210000);
  p.cEANTrib = "SEM GTIN";
  p.uTrib = "UN";
  p.qTrib = TCurrency(2);
  p.vUnTrib = 10.5;
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
  n.infNFe.versao = 4.00;
  n.Ide.cUF = 35;
  n.Ide.cNF = 12345678;
  n.Ide.natOp = "VENDA DE MERCADORIA";
  n.Ide.modelo = 55;
  n.Ide.serie = 1;
  n.Ide.nNF = 123;
  n.Ide.dEmi = EncodeDateTime(2024, 5, 10, 10, 20, 30);
  n.Ide.dSaiEnt = EncodeDateTime(2024, 5, 11, 8, 0, 0);
  n.Ide.tpNF = tpNF1;
  n.Ide.cMunFG = 3550308;
  n.Ide.tpImp = tiRetrato;
  n.Ide.tpAmb = taProducao;
  n.Ide.verProc = "Tuim 1.0";
  Emitente(n);
  n.Emit.CNPJCPF = cnpj;
  n.Dest.CNPJCPF = "11444777000161";
  n.Dest.xNome = "CLIENTE DESTINATARIO LTDA";
  n.Dest.EnderDest.xLgr = "AV PAULISTA";
  n.Dest.EnderDest.nro = "1000";
  n.Dest.EnderDest.xBairro = "BELA VISTA";
  n.Dest.EnderDest.cMun = 3550308;
  n.Dest.EnderDest.xMun = "SAO PAULO";
  n.Dest.EnderDest.UF = "SP";
  n.Dest.EnderDest.CEP = 1310100;
  n.Dest.EnderDest.fone = "1155556666";
  n.Dest.IE = "110042490114";
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
