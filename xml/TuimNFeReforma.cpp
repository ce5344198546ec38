#include "xml/TuimNFeReforma.h"

#include <cctype>

namespace tuim {

namespace {

const TCurrency kZero;

bool Algum(std::initializer_list<TCurrency> valores) {
  for (TCurrency v : valores)
    if (v != kZero) return true;
  return false;
}

TCurrency R2(TCurrency v) { return v.Round(2); }

bool CNPJAlfanumerico(const std::string& doc) {
  for (char c : doc)
    if (c >= 'A' && c <= 'Z') return true;
  return false;
}

}  // namespace

bool Presente(const TIS& g) { return !g.CSTIS.empty(); }
bool Presente(const TgDif& g) { return Algum({g.pDif, g.vDif}); }
bool Presente(const TgDevTrib& g) { return Algum({g.pDevTrib, g.vDevTrib}); }
bool Presente(const TgRed& g) { return Algum({g.pRedAliq, g.pAliqEfet}); }
bool Presente(const TgALCZFMCBS& g) { return g.tpALCZFMCBS != tpALCZFMCBSVazio; }
bool Presente(const TgTribRegular& g) { return !g.CSTReg.empty(); }
bool Presente(const TgTribCompraGov& g) {
  return Algum({g.pAliqIBSUF, g.vTribIBSUF, g.pAliqIBSMun, g.vTribIBSMun, g.pAliqCBS, g.vTribCBS});
}
bool Presente(const TgIBSCBS& g) {
  return Algum({g.vBC, g.gIBSUF.pIBSUF, g.gIBSUF.vIBSUF, g.gIBSMun.pIBSMun, g.gIBSMun.vIBSMun, g.vIBS, g.gCBS.pCBS,
                g.gCBS.vCBS}) ||
         Presente(g.gIBSUF.gDif) || Presente(g.gIBSUF.gRed) || Presente(g.gCBS.gDif) || Presente(g.gCBS.gRed) ||
         Presente(g.gTribRegular) || Presente(g.gTribCompraGov);
}
bool Presente(const TgMonoPadrao& g) { return Algum({g.qBCMono, g.adRemIBS, g.adRemCBS, g.vIBSMono, g.vCBSMono}); }
bool Presente(const TgMonoReten& g) {
  return Algum({g.qBCMonoReten, g.adRemIBSReten, g.vIBSMonoReten, g.adRemCBSReten, g.vCBSMonoReten});
}
bool Presente(const TgMonoRet& g) {
  return Algum({g.qBCMonoRet, g.adRemIBSRet, g.vIBSMonoRet, g.adRemCBSRet, g.vCBSMonoRet});
}
bool Presente(const TgMonoDif& g) { return Algum({g.pDifIBS, g.vIBSMonoDif, g.pDifCBS, g.vCBSMonoDif}); }
bool Presente(const TgIBSCBSMono& g) {
  return Presente(g.gMonoPadrao) || Presente(g.gMonoReten) || Presente(g.gMonoRet) || Presente(g.gMonoDif) ||
         Algum({g.vTotIBSMonoItem, g.vTotCBSMonoItem});
}
bool Presente(const TgTransfCred& g) { return Algum({g.vIBS, g.vCBS}); }
bool Presente(const TgAjusteCompet& g) { return !g.competApur.empty() || Algum({g.vIBS, g.vCBS}); }
bool Presente(const TgEstornoCred& g) { return Algum({g.vIBSEstCred, g.vCBSEstCred}); }
bool Presente(const TgCredPres& g) { return Algum({g.pCredPres, g.vCredPres, g.vCredPresCondSus}); }
bool Presente(const TgCredPresOper& g) { return !g.cCredPres.empty(); }
bool Presente(const TgCredPresIBSZFM& g) { return g.tpCredPresIBSZFM != tpCredPresIBSZFMVazio; }
bool Presente(const TIBSCBS& g) { return !g.CST.empty(); }
bool Presente(const TgCompraGov& g) { return g.tpEnteGov != tpEnteGovVazio; }
bool Presente(const TgIBSTot& g) {
  return Algum({g.gIBSUF.vDif, g.gIBSUF.vDevTrib, g.gIBSUF.vIBSUF, g.gIBSMun.vDif, g.gIBSMun.vDevTrib,
                g.gIBSMun.vIBSMun, g.vIBS, g.vCredPres, g.vCredPresCondSus});
}
bool Presente(const TgCBSTot& g) { return Algum({g.vDif, g.vDevTrib, g.vCBS, g.vCredPres, g.vCredPresCondSus}); }
bool Presente(const TgMonoTot& g) {
  return Algum({g.vIBSMono, g.vCBSMono, g.vIBSMonoReten, g.vCBSMonoReten, g.vIBSMonoRet, g.vCBSMonoRet});
}
bool Presente(const TIBSCBSTot& g) {
  return g.vBCIBSCBS != kZero || Presente(g.gIBS) || Presente(g.gCBS) || Presente(g.gMono) ||
         Presente(g.gEstornoCred);
}

bool Presente(const TinfPAA& g) {
  return !g.CNPJPAA.empty() || !g.PAASignature.SignatureValue.empty() || !g.PAASignature.RSAKeyValue.Modulus.empty() ||
         !g.PAASignature.RSAKeyValue.Exponent.empty();
}

bool ICMS90ComBase(const TICMS& icms) { return R2(icms.vBC) > kZero || R2(icms.vICMS) > kZero; }

bool SemICMS(const TImposto& imp, TfscCRT crt) {
  const bool servico = imp.ISSQN.cSitTrib != cSitTribVazio || !imp.ISSQN.cListServ.empty();
  return !servico && imp.ICMS.CST == cstIcmsVazio && (crt != crt1 || imp.ICMS.CSOSN == csosn0);
}

namespace {

// The ICMS values of the normal regime that only the PL_010 packages take.
std::string ICMSReforma(const TICMS& icms) {
  const bool partilha = icms.CST == cstIcmsPart10 || icms.CST == cstIcmsPart20 || icms.CST == cstIcmsPart90;
  if (icms.CST == cstIcmsPart20) return "CST";
  if (icms.CST == cstIcms20 && icms.vICMSDeson != kZero &&
      (icms.motDesICMS == motDesICMS10 || icms.motDesICMS == motDesICMS11))
    return "motDesICMS";
  // Without the base group these are not written (the writer says so), so nothing the old
  // package would refuse.
  if (icms.CST == cstIcms90 && ICMS90ComBase(icms)) {
    if (!icms.cBenefRBC.empty()) return "cBenefRBC";
    if (Algum({icms.vICMSOp, icms.pDif, icms.vICMSDif})) return "vICMSOp";
    if (Algum({icms.pFCPDif, icms.vFCPDif, icms.vFCPEfet})) return "pFCPDif";
  }
  if (partilha && icms.vICMSDeson != kZero) return "vICMSDeson";
  return "";
}

}  // namespace

std::string PrimeiroGrupoReforma(const TNFe& nfe) {
  const TIde& ide = nfe.Ide;
  if (ide.dPrevEntrega != 0) return "dPrevEntrega";
  if (ide.cMunFGIBS != 0) return "cMunFGIBS";
  if (ide.tpImp == tiSimplificadoTipo2) return "tpImp";
  if (ide.finNFe == finNFe5 || ide.finNFe == finNFe6) return "finNFe";
  if (ide.tpNFDebito != tpNFDebitoVazio) return "tpNFDebito";
  if (ide.tpNFCredito != tpNFCreditoVazio) return "tpNFCredito";
  if (!ide.cIndOp.empty()) return "cIndOp";
  if (ide.procEmi == procEmi4) return "procEmi";
  if (Presente(ide.gCompraGov)) return "gCompraGov";
  if (!ide.gPagAntecipado.refNFe.Empty()) return "gPagAntecipado";
  // The alphanumeric CNPJ: of the issuer (and so in the key) or of any other party.
  for (const std::string* doc : {&nfe.Emit.CNPJCPF, &nfe.Avulsa.CNPJ, &nfe.Dest.CNPJCPF, &nfe.Retirada.CNPJCPF,
                                 &nfe.Entrega.CNPJCPF, &nfe.Transp.Transporta.CNPJCPF, &nfe.infRespTec.CNPJ})
    if (CNPJAlfanumerico(*doc)) return "CNPJ";
  for (const TautXMLCollectionItem& a : nfe.autXML)
    if (CNPJAlfanumerico(a.CNPJCPF)) return "CNPJ";
  if (!nfe.Emit.ISUFEmit.empty()) return "ISUFEmit";
  for (const TDetCollectionItem& item : nfe.Det) {
    if (item.Prod.tpCredPresIBSZFM != tpCredPresIBSZFMVazio) return "tpCredPresIBSZFM";
    if (item.Prod.indBemMovelUsado != indBemMovelUsadoVazio) return "indBemMovelUsado";
    if (SemICMS(item.Imposto, nfe.Emit.CRT)) return "ICMS";
    if (nfe.Emit.CRT != crt1)
      if (std::string icms = ICMSReforma(item.Imposto.ICMS); !icms.empty()) return icms;
    if (Presente(item.Imposto.IS)) return "IS";
    if (Presente(item.Imposto.IBSCBS)) return "IBSCBS";
    if (item.vItem != kZero) return "vItem";
    if (!item.DFeReferenciado.chaveAcesso.empty()) return "DFeReferenciado";
  }
  if (nfe.Total.ISTot.vIS != kZero) return "ISTot";
  if (Presente(nfe.Total.IBSCBSTot)) return "IBSCBSTot";
  if (nfe.Total.vNFTot != kZero) return "vNFTot";
  if (Presente(nfe.infPAA)) return "infPAA";
  return "";
}

std::string PrimeiroGrupoReformaXML(const std::string& xml) {
  static const char* const kElementos[] = {
      "dPrevEntrega", "cMunFGIBS", "tpNFDebito", "tpNFCredito", "gCompraGov", "gPagAntecipado",
      "ISUFEmit",     "tpCredPresIBSZFM", "indBemMovelUsado", "IS", "IBSCBS", "vItem", "DFeReferenciado",
      "ISTot",        "IBSCBSTot", "vNFTot", "cIndOp", "infPAA"};
  std::size_t melhor = std::string::npos;
  std::string nome;
  auto considerar = [&](std::size_t p, const std::string& n) {
    if (p != std::string::npos && p < melhor) {
      melhor = p;
      nome = n;
    }
  };
  for (const char* e : kElementos) {
    const std::string abre = std::string("<") + e;
    // The name must end right there: "<ISTot" is not "<IS", "<ISSQN" neither.
    for (std::size_t p = xml.find(abre); p != std::string::npos; p = xml.find(abre, p + 1)) {
      char depois = p + abre.size() < xml.size() ? xml[p + abre.size()] : '\0';
      if (depois == '>' || depois == ' ' || depois == '/') {
        considerar(p, e);
        break;
      }
    }
  }
  for (const char* f : {"<finNFe>5<", "<finNFe>6<"}) considerar(xml.find(f), "finNFe");
  considerar(xml.find("<tpImp>6<"), "tpImp");
  considerar(xml.find("<procEmi>4<"), "procEmi");
  // Values and elements the old package has elsewhere, refused only inside these groups.
  auto dentro = [&](const std::string& grupo, const char* trecho, const std::string& n) {
    const std::string abre = "<" + grupo + ">", fecha = "</" + grupo + ">";
    for (std::size_t p = xml.find(abre); p != std::string::npos; p = xml.find(abre, p + 1)) {
      const std::size_t fim = xml.find(fecha, p);
      const std::size_t t = xml.find(trecho, p);
      if (t != std::string::npos && (fim == std::string::npos || t < fim)) considerar(t, n);
    }
  };
  // ICMS51 has the benefit code and the deferred FCP in both packages.
  dentro("ICMS90", "<cBenefRBC>", "cBenefRBC");
  dentro("ICMS90", "<vICMSOp>", "vICMSOp");
  dentro("ICMS90", "<pFCPDif>", "pFCPDif");
  dentro("ICMSPart", "<CST>20<", "CST");
  dentro("ICMSPart", "<vICMSDeson>", "vICMSDeson");
  dentro("ICMS20", "<motDesICMS>10<", "motDesICMS");
  dentro("ICMS20", "<motDesICMS>11<", "motDesICMS");
  // An item of goods without ICMS: an imposto with neither ICMS nor ISSQN, known at its end.
  for (std::size_t p = xml.find("<imposto>"); p != std::string::npos; p = xml.find("<imposto>", p + 1)) {
    const std::size_t fim = xml.find("</imposto>", p);
    if (fim == std::string::npos) break;
    const std::string corpo = xml.substr(p, fim - p);
    if (corpo.find("<ICMS>") == std::string::npos && corpo.find("<ISSQN>") == std::string::npos) considerar(fim, "ICMS");
  }
  // An issuer CNPJ with letters: the key in the Id attribute holds them at positions 7 to 18.
  if (std::size_t p = xml.find("Id=\"NFe"); p != std::string::npos && p + 7 + 44 <= xml.size()) {
    for (std::size_t i = p + 7 + 6; i < p + 7 + 18; ++i)
      if (std::isupper(static_cast<unsigned char>(xml[i]))) {
        considerar(i, "CNPJ");
        break;
      }
  }
  return nome;
}

void TotalizarReforma(TNFe& nfe) {
  TISTot is;
  TIBSCBSTot t;
  for (const TDetCollectionItem& item : nfe.Det) {
    const TImposto& imp = item.Imposto;
    if (Presente(imp.IS)) is.vIS += R2(imp.IS.vIS);
    const TIBSCBS& ib = imp.IBSCBS;
    if (!Presente(ib)) continue;
    if (Presente(ib.gIBSCBS)) {
      const TgIBSCBS& g = ib.gIBSCBS;
      t.vBCIBSCBS += R2(g.vBC);
      t.gIBS.gIBSUF.vDif += R2(g.gIBSUF.gDif.vDif);
      t.gIBS.gIBSUF.vDevTrib += R2(g.gIBSUF.gDevTrib.vDevTrib);
      t.gIBS.gIBSUF.vIBSUF += R2(g.gIBSUF.vIBSUF);
      t.gIBS.gIBSMun.vDif += R2(g.gIBSMun.gDif.vDif);
      t.gIBS.gIBSMun.vDevTrib += R2(g.gIBSMun.gDevTrib.vDevTrib);
      t.gIBS.gIBSMun.vIBSMun += R2(g.gIBSMun.vIBSMun);
      t.gCBS.vDif += R2(g.gCBS.gDif.vDif);
      t.gCBS.vDevTrib += R2(g.gCBS.gDevTrib.vDevTrib);
      t.gCBS.vCBS += R2(g.gCBS.vCBS);
    }
    if (Presente(ib.gCredPresOper)) {
      const TgCredPresOper& c = ib.gCredPresOper;
      t.gIBS.vCredPres += R2(c.gIBSCredPres.vCredPres);
      t.gIBS.vCredPresCondSus += R2(c.gIBSCredPres.vCredPresCondSus);
      t.gCBS.vCredPres += R2(c.gCBSCredPres.vCredPres);
      t.gCBS.vCredPresCondSus += R2(c.gCBSCredPres.vCredPresCondSus);
    }
    if (Presente(ib.gIBSCBSMono)) {
      const TgIBSCBSMono& m = ib.gIBSCBSMono;
      t.gMono.vIBSMono += R2(m.gMonoPadrao.vIBSMono);
      t.gMono.vCBSMono += R2(m.gMonoPadrao.vCBSMono);
      t.gMono.vIBSMonoReten += R2(m.gMonoReten.vIBSMonoReten);
      t.gMono.vCBSMonoReten += R2(m.gMonoReten.vCBSMonoReten);
      t.gMono.vIBSMonoRet += R2(m.gMonoRet.vIBSMonoRet);
      t.gMono.vCBSMonoRet += R2(m.gMonoRet.vCBSMonoRet);
    }
    if (Presente(ib.gEstornoCred)) {
      t.gEstornoCred.vIBSEstCred += R2(ib.gEstornoCred.vIBSEstCred);
      t.gEstornoCred.vCBSEstCred += R2(ib.gEstornoCred.vCBSEstCred);
    }
  }
  t.gIBS.vIBS = t.gIBS.gIBSUF.vIBSUF + t.gIBS.gIBSMun.vIBSMun;
  nfe.Total.ISTot = is;
  nfe.Total.IBSCBSTot = t;
}

}  // namespace tuim
