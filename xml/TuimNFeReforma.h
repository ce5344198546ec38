#pragma once
#include <string>

#include "xml/TuimNFeClass.h"

namespace tuim {

// The consumption-tax reform groups of the NF-e (IBS, CBS and IS, PL_010 schema packages):
// when a group counts as given, which part of a document needs the new package, and the totals.

// A group is given when one of its values is: a code or text not empty, an amount not zero.
bool Presente(const TIS& g);
bool Presente(const TgDif& g);
bool Presente(const TgDevTrib& g);
bool Presente(const TgRed& g);
bool Presente(const TgALCZFMCBS& g);
bool Presente(const TgTribRegular& g);
bool Presente(const TgTribCompraGov& g);
bool Presente(const TgIBSCBS& g);
bool Presente(const TgMonoPadrao& g);
bool Presente(const TgMonoReten& g);
bool Presente(const TgMonoRet& g);
bool Presente(const TgMonoDif& g);
bool Presente(const TgIBSCBSMono& g);
bool Presente(const TgTransfCred& g);
bool Presente(const TgAjusteCompet& g);
bool Presente(const TgEstornoCred& g);
bool Presente(const TgCredPres& g);
bool Presente(const TgCredPresOper& g);
bool Presente(const TgCredPresIBSZFM& g);
bool Presente(const TIBSCBS& g);
bool Presente(const TgCompraGov& g);
bool Presente(const TgIBSTot& g);
bool Presente(const TgCBSTot& g);
bool Presente(const TgMonoTot& g);
bool Presente(const TIBSCBSTot& g);
bool Presente(const TinfPAA& g);

// An item of goods without the ICMS group, which the PL_010 packages allow: no ISSQN, the CST
// left empty and, in the simplified regime (CRT 1), no CSOSN either.
bool SemICMS(const TImposto& imp, TfscCRT crt);

// ICMS 90 (and its sharing form) has its base group (modBC, vBC, pICMS, vICMS) when vBC or
// vICMS rounds to more than 0.00; the FCP and the PL_010 benefit code, deferral and deferred
// FCP of ICMS90 have no place outside that group.
bool ICMS90ComBase(const TICMS& icms);

// The first part of `nfe` that only the PL_010 packages accept, by its element name: a group
// or element ("IBSCBS", "cIndOp", "infPAA"...), a value ("finNFe" 5 or 6, "tpImp" 6, "procEmi" 4,
// "CST" 20 of ICMSPart, "motDesICMS" 10 or 11 of ICMS20, "CNPJ" with letters...) or "ICMS" for
// an item without it; empty when the document fits PL_009_V4 as well.
std::string PrimeiroGrupoReforma(const TNFe& nfe);
// The same for a written document: the first reform element found in the XML text.
std::string PrimeiroGrupoReformaXML(const std::string& xml);

// Fills Total.ISTot and Total.IBSCBSTot from the items. Every item value is first rounded to
// two decimals, half away from zero, as the writer puts it into the item, and the totals are
// the sums of those written values, so that each total equals the sum the authority re-adds
// from the items; vIBS is vIBSUF + vIBSMun of the totals. Every item counts, whatever its
// indTot, because the taxes are due on it all the same. vNFTot is left to the caller.
void TotalizarReforma(TNFe& nfe);

}  // namespace tuim
