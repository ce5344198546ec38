#pragma once
// One document for the tests and the benchmarks that need a whole NF-e made by hand.
#include <string>

#include "fiscal/TuimDateTime.h"
#include "xml/TuimNFeClass.h"

namespace tuim::teste {

// A complete NF-e (or NFC-e, by Ide.modelo) with `itens` items, accepted by the national schema.
inline void PreencherNFe(TNFe& n, int itens = 1) {
  const bool nfce = n.Ide.modelo == 65;
  n.Ide.cUF = nfce ? 51 : 35;
  n.Ide.cNF = 12345678;
  n.Ide.natOp = "VENDA";
  n.Ide.serie = 1;
  n.Ide.nNF = 42;
  n.Ide.dEmi = EncodeDateTime(2024, 5, 10, 10, 20, 30);
  n.Ide.cMunFG = nfce ? 5103403 : 3550308;
  n.Ide.tpImp = nfce ? tiNFCe : tiRetrato;
  n.Ide.indFinal = indFinal1;
  n.Ide.indPres = indPres1;
  n.Emit.CNPJCPF = "11222333000181";  // the test company certificate's CNPJ
  n.Emit.xNome = "EMPRESA TESTE LTDA";
  n.Emit.EnderEmit.xLgr = "RUA DAS FLORES";
  n.Emit.EnderEmit.nro = "7";
  n.Emit.EnderEmit.xBairro = "CENTRO";
  n.Emit.EnderEmit.cMun = nfce ? 5103403 : 3550308;
  n.Emit.EnderEmit.xMun = nfce ? "CUIABA" : "SAO PAULO";
  n.Emit.EnderEmit.UF = nfce ? "MT" : "SP";
  n.Emit.EnderEmit.CEP = nfce ? 78005000 : 1001000;
  n.Emit.IE = nfce ? "131234565" : "110042490114";
  n.Emit.CRT = crt1;
  if (!nfce) {
    n.Dest.CNPJCPF = "11444777000161";
    n.Dest.xNome = "CLIENTE LTDA";
    n.Dest.EnderDest.xLgr = "AV PAULISTA";
    n.Dest.EnderDest.nro = "1000";
    n.Dest.EnderDest.xBairro = "BELA VISTA";
    n.Dest.EnderDest.cMun = 3550308;
    n.Dest.EnderDest.xMun = "SAO PAULO";
    n.Dest.EnderDest.UF = "SP";
    n.Dest.EnderDest.CEP = 1310100;
    n.Dest.indIEDest = indIEDest9;
  }
  for (int i = 1; i <= itens; ++i) {
    TDetCollectionItem& item = n.Det.New();
    TProd& p = item.Prod;
    p.nItem = i;
    p.cProd = std::to_string(i);
    p.cEAN = "SEM GTIN";
    p.xProd = "PRODUTO " + std::to_string(i);
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
  }
  n.Total.ICMSTot.vProd = 10 * itens;
  n.Total.ICMSTot.vNF = 10 * itens;
  n.Transp.modFrete = modFrete9;
  TpagCollectionItem& pag = n.pag.New();
  pag.tPag = tPag01;
  pag.vPag = 10 * itens;
}

}  // namespace tuim::teste
