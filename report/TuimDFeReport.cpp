#include "report/TuimDFeReport.h"

#include <algorithm>
#include <cmath>

#include "fiscal/TuimUtil.h"

namespace tuim {

// ---- TCasasDecimais -------------------------------------------------------------------------

TCasasDecimais::TCasasDecimais(TTuimComponent* owner) : TTuimComponent(owner) {}

void TCasasDecimais::SetqCom(int v) { fqCom = std::clamp(v, 0, 4); }

void TCasasDecimais::SetvUnCom(int v) { fvUnCom = std::clamp(v, 0, 10); }

// ---- TTuimDFeReport -------------------------------------------------------------------------

TTuimDFeReport::TTuimDFeReport(TTuimComponent* owner)
    : TTuimDANFeBase(owner), fCasasDecimais(std::make_unique<TCasasDecimais>(this)) {
  fCasasDecimais->SetName("CasasDecimais");
}

TTuimDFeReport::~TTuimDFeReport() = default;

void TTuimDFeReport::SetNumCopias(int v) {
  if (v >= 0) fNumCopias = v;
}

void TTuimDFeReport::SetPathPDF(const std::string& v) { fPathPDF = CaminhoComBarra(Trim(v)); }

std::string TTuimDFeReport::PathPDF() {
  if (fDesigning) return fPathPDF;
  std::string pasta = Trim(fPathPDF);
  if (pasta.empty()) pasta = PastaAplicacao() + "pdf" + PathDelim;
  if (fUsaSeparadorPathPDF) pasta = CaminhoComBarra(SeparadorPathPDF(pasta));
  return pasta;
}

std::string TTuimDFeReport::FormatarQuantidade(double x, bool forcarDecimais) const {
  if (!forcarDecimais && std::isfinite(x) && x == std::trunc(x)) return NumeroParaTexto(x, ',');
  const TCasasDecimais& c = *fCasasDecimais;
  return FormatarNumeroBr(x, c.Formato() == tdetMascara ? c.MaskqCom() : MascaraDecimal(c.qCom(), true));
}

std::string TTuimDFeReport::FormatarValorUnitario(double x) const {
  const TCasasDecimais& c = *fCasasDecimais;
  return FormatarNumeroBr(x, c.Formato() == tdetMascara ? c.MaskvUnCom() : MascaraDecimal(c.vUnCom(), true));
}

}  // namespace tuim
