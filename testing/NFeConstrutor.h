#pragma once
// The NF-e the tests and benchmarks build by hand, in parts: a sale of 10 May 2024 between two
// São Paulo companies that the national schema accepts, and the groups most tests vary. Each
// test takes the parts it needs and changes only what it checks.
#include <string>

#include "fiscal/TuimDateTime.h"
#include "xml/TuimNFeClass.h"

namespace tuim::teste {

// Number 123 of series 1, code 12345678, issued at 10:20:30 in São Paulo; the model already set
// (55 or 65) decides the print format. Version, model, direction and program stay the caller's.
inline void Identificacao(TNFe& n) {
  n.Ide.cUF = 35;
  n.Ide.cNF = 12345678;
  n.Ide.natOp = "VENDA";
  n.Ide.serie = 1;
  n.Ide.nNF = 123;
  n.Ide.dEmi = EncodeDateTime(2024, 5, 10, 10, 20, 30);
  n.Ide.cMunFG = 3550308;
  n.Ide.tpImp = n.Ide.modelo == 65 ? tiNFCe : tiRetrato;
  n.Ide.indPres = indPres1;
}

// An outgoing document of layout 4.00 written by "Tuim 1.0", with the identification above.
inline void Cabecalho(TNFe& n, int modelo = 55) {
  n.infNFe.versao = 4.00;
  n.Ide.modelo = modelo;
  n.Ide.tpNF = tpNF1;
  n.Ide.verProc = "Tuim 1.0";
  Identificacao(n);
}

// The company of the test certificate (CNPJ 11222333000181), normal regime.
inline void Emitente(TNFe& n) {
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
  n.Emit.CRT = crt3;
}

// A São Paulo company that pays ICMS (indIEDest 1, with its IE).
inline void Destinatario(TNFe& n) {
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
}

// A pick-up or delivery place of a person (CPF 12345678909) in São Paulo, every field filled.
inline void Local(TLocal& l) {
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

// One of each form of reference, in the layout's order: NF-e, model 1 note, producer's note,
// CT-e and fiscal printer coupon.
inline void Referencias(TNFe& n) {
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
}

// A product sold by the unit, without GTIN; its value is quantity times unit value. No taxes.
inline TDetCollectionItem& Item(TNFe& n, int nItem, const std::string& cProd, const std::string& xProd,
                                int qCom = 2, double vUn = 5) {
  TDetCollectionItem& item = n.Det.New();
  TProd& p = item.Prod;
  p.nItem = nItem;
  p.cProd = cProd;
  p.cEAN = "SEM GTIN";
  p.xProd = xProd;
  p.NCM = "22030000";
  p.CFOP = "5102";
  p.uCom = "UN";
  p.qCom = qCom;
  p.vUnCom = vUn;
  p.vProd = TCurrency::FromDouble(qCom * vUn);
  p.cEANTrib = "SEM GTIN";
  p.uTrib = "UN";
  p.qTrib = qCom;
  p.vUnTrib = vUn;
  return item;
}

// An item of the Simples Nacional without ICMS credit (CSOSN 102), PIS and COFINS exempt.
inline void ImpostosSimples(TDetCollectionItem& item) {
  item.Imposto.ICMS.CSOSN = csosn102;
  item.Imposto.PIS.CST = cstPis07;
  item.Imposto.COFINS.CST = cstCofins07;
}

// The closing groups of a sale of `valor` without taxes: totals, no freight, paid in cash.
inline TpagCollectionItem& Fechamento(TNFe& n, TCurrency valor) {
  n.Total.ICMSTot.vProd = valor;
  n.Total.ICMSTot.vNF = valor;
  n.Transp.modFrete = modFrete9;
  TpagCollectionItem& pag = n.pag.New();
  pag.tPag = tPag01;
  pag.vPag = valor;
  return pag;
}

// A complete NF-e or NFC-e (by the model already set) with `itens` items of 10.00 of the
// Simples Nacional, number 42; the NFC-e is one of Cuiabá (MT) without recipient. Version,
// model, direction and program are left as a component sets them.
inline void PreencherNFe(TNFe& n, int itens = 1) {
  const bool nfce = n.Ide.modelo == 65;
  Identificacao(n);
  n.Ide.nNF = 42;
  n.Ide.indFinal = indFinal1;
  Emitente(n);
  n.Emit.xNome = "EMPRESA TESTE LTDA";
  n.Emit.CRT = crt1;
  if (nfce) {
    n.Ide.cUF = 51;
    n.Ide.cMunFG = 5103403;
    n.Emit.EnderEmit.cMun = 5103403;
    n.Emit.EnderEmit.xMun = "CUIABA";
    n.Emit.EnderEmit.UF = "MT";
    n.Emit.EnderEmit.CEP = 78005000;
    n.Emit.IE = "131234565";
  } else {
    Destinatario(n);
    n.Dest.indIEDest = indIEDest9;
    n.Dest.IE = "";
  }
  for (int i = 1; i <= itens; ++i) ImpostosSimples(Item(n, i, std::to_string(i), "PRODUTO " + std::to_string(i)));
  Fechamento(n, 10 * itens);
}

// The same, standing alone as layout 4.00.
inline TNFe NFe(int itens = 1, int modelo = 55) {
  TNFe n;
  Cabecalho(n, modelo);
  PreencherNFe(n, itens);
  return n;
}

inline TNFe NFCe(int itens = 1) { return NFe(itens, 65); }

}  // namespace tuim::teste
