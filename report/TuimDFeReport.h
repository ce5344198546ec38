#pragma once
#include <cstdint>
#include <memory>
#include <string>

#include "component/TuimDFeLinks.h"
#include "fiscal/TuimComponent.h"
#include "fiscal/fscConversao.h"

namespace tuim {

// Settings shared by every printed or PDF report of a fiscal document. The renderers that
// draw the reports derive from these classes; the classes themselves draw nothing.

// Decimal places of item quantities and unit values: a count of places or a full mask.
class TCasasDecimais : public TTuimComponent {
public:
  explicit TCasasDecimais(TTuimComponent* owner = nullptr);

  TDetFormato Formato() const { return fFormato; }
  void SetFormato(TDetFormato v) { fFormato = v; }
  int qCom() const { return fqCom; }
  void SetqCom(int v);  // clamped to 0..4
  int vUnCom() const { return fvUnCom; }
  void SetvUnCom(int v);  // clamped to 0..10
  const std::string& MaskqCom() const { return fMaskqCom; }
  void SetMaskqCom(const std::string& v) { fMaskqCom = v; }
  const std::string& MaskvUnCom() const { return fMaskvUnCom; }
  void SetMaskvUnCom(const std::string& v) { fMaskvUnCom = v; }

private:
  TDetFormato fFormato = tdetInteger;
  int fqCom = 2;
  int fvUnCom = 2;
  std::string fMaskqCom = ",0.00";
  std::string fMaskvUnCom = ",0.00";
};

// Derives from the component's report link so that the DANFE renderer below it is one single
// component the NF-e component can point to; only the DANFE renderer checks and keeps the link.
class TTuimDFeReport : public TTuimDANFeBase {
public:
  explicit TTuimDFeReport(TTuimComponent* owner = nullptr);
  ~TTuimDFeReport() override;

  virtual std::string ClassName() const { return "TTuimDFeReport"; }

  // Design mode: PathPDF reads back exactly what was stored.
  bool Designing() const { return fDesigning; }
  void SetDesigning(bool v) { fDesigning = v; }

  const std::string& Impressora() const { return fImpressora; }
  void SetImpressora(const std::string& v) { fImpressora = v; }
  const std::string& NomeDocumento() const { return fNomeDocumento; }
  void SetNomeDocumento(const std::string& v) { fNomeDocumento = v; }
  int NumCopias() const { return fNumCopias; }
  void SetNumCopias(int v);  // a negative value is ignored
  bool MostraPreview() const { return fMostraPreview; }
  void SetMostraPreview(bool v) { fMostraPreview = v; }
  bool MostraSetup() const { return fMostraSetup; }
  void SetMostraSetup(bool v) { fMostraSetup = v; }
  bool MostraStatus() const { return fMostraStatus; }
  void SetMostraStatus(bool v) { fMostraStatus = v; }

  // Empty reads as the program folder + "pdf/"; with UsaSeparadorPathPDF the sub-folders of
  // SeparadorPathPDF follow. Always ends with a separator outside design mode.
  std::string PathPDF();
  void SetPathPDF(const std::string& v);  // stores the trimmed value with a trailing separator
  const std::string& ArquivoPDF() const { return fArquivoPDF; }
  bool UsaSeparadorPathPDF() const { return fUsaSeparadorPathPDF; }
  void SetUsaSeparadorPathPDF(bool v) { fUsaSeparadorPathPDF = v; }

  const std::string& Logo() const { return fLogo; }
  void SetLogo(const std::string& v) { fLogo = v; }
  const std::string& Sistema() const { return fSistema; }
  void SetSistema(const std::string& v) { fSistema = v; }
  const std::string& Usuario() const { return fUsuario; }
  void SetUsuario(const std::string& v) { fUsuario = v; }
  const std::string& Fax() const { return fFax; }
  void SetFax(const std::string& v) { fFax = v; }
  const std::string& Site() const { return fSite; }
  void SetSite(const std::string& v) { fSite = v; }
  const std::string& Email() const { return fEmail; }
  void SetEmail(const std::string& v) { fEmail = v; }

  double MargemInferior() const { return fMargemInferior; }
  void SetMargemInferior(double v) { fMargemInferior = v; }
  double MargemSuperior() const { return fMargemSuperior; }
  void SetMargemSuperior(double v) { fMargemSuperior = v; }
  double MargemEsquerda() const { return fMargemEsquerda; }
  void SetMargemEsquerda(double v) { fMargemEsquerda = v; }
  double MargemDireita() const { return fMargemDireita; }
  void SetMargemDireita(double v) { fMargemDireita = v; }
  bool ExpandeLogoMarca() const { return fExpandeLogoMarca; }
  void SetExpandeLogoMarca(bool v) { fExpandeLogoMarca = v; }

  TCasasDecimais& CasasDecimais() const { return *fCasasDecimais; }

  // Quantities keep their decimals when they have a fraction or `forcarDecimais` is set;
  // a whole quantity otherwise prints as a plain integer.
  virtual std::string FormatarQuantidade(double x, bool forcarDecimais = true) const;
  virtual std::string FormatarValorUnitario(double x) const;

  static constexpr const char* kSistemaPadrao = "Tuim - Documentos Fiscais Eletr\xF4nicos";

protected:
  // Folder below the PDF folder given by the configuration's folder rules; the base adds none.
  virtual std::string SeparadorPathPDF(const std::string& pasta) { return pasta; }
  void SetArquivoPDF(const std::string& v) { fArquivoPDF = v; }

private:
  bool fDesigning = false;
  std::string fImpressora;
  std::string fNomeDocumento;
  int fNumCopias = 1;
  bool fMostraPreview = true;
  bool fMostraSetup = false;
  bool fMostraStatus = true;
  std::string fPathPDF;
  std::string fArquivoPDF;
  bool fUsaSeparadorPathPDF = false;
  std::string fLogo;
  std::string fSistema = kSistemaPadrao;
  std::string fUsuario;
  std::string fFax;
  std::string fSite;
  std::string fEmail;
  double fMargemInferior = 0.8;
  double fMargemSuperior = 0.8;
  double fMargemEsquerda = 0.6;
  double fMargemDireita = 0.51;
  bool fExpandeLogoMarca = false;
  std::unique_ptr<TCasasDecimais> fCasasDecimais;
};

}  // namespace tuim
