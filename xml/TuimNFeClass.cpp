#include "xml/TuimNFeClass.h"

namespace tuim {

TNFe::TNFe() = default;
TNFe::~TNFe() = default;
TNFe::TNFe(const TNFe&) = default;
TNFe& TNFe::operator=(const TNFe&) = default;
TNFe::TNFe(TNFe&&) noexcept = default;
TNFe& TNFe::operator=(TNFe&&) noexcept = default;

void TNFe::Clear() {
  *this = TNFe();
  // Assignment carries the values of the signature and the protocol, not their generators'
  // last output: clear those too, so nothing of the old document can be appended again.
  for (TGerador* g : {&signature.Gerador(), &procNFe.Gerador()}) {
    g->SetArquivoFormatoXML("");
    g->ListaDeAlertas().clear();
  }
}

}  // namespace tuim
