#pragma once
#include <string>

#include "xml/TuimNFeClass.h"

namespace tuim {

// The JSON form of a TNFe (UTF-8). Keys are the model's property names, groups are objects,
// collections arrays, enumerations their codes, amounts decimal strings, dates ISO 8601
// (date and time with the offset of the issuer's state). Values equal to those of a new
// document are left out, and so are groups and lists left empty.
std::string NFeParaJSON(const TNFe& nfe, int identacao = 2);

// Replaces `nfe` with the document of `utf8Json`. Strict: an unknown key, a value of the wrong
// type, an unknown code or a malformed date raises ETuimDFeException naming the JSON path
// ("$.Det[0].Prod.qCom"); `nfe` is then left as it was. Amounts are read from strings or
// numbers; null leaves a value as in a new document.
void NFeDeJSON(TNFe& nfe, const std::string& utf8Json);

}  // namespace tuim
