#pragma once
#include <cstdint>
#include <string>

#include "report/TuimDFeDANFeReport.h"
#include "services/TuimEventoNFe.h"

namespace tuim {

class TDesenhoPDF;

// PDF renderers of the DANFE (NF-e, A4), the DANFCE (NFC-e, receipt paper) and the event
// sheet, drawn with Cairo and Pango. Printing means producing the PDF: the library has no
// print spooler of its own, the file is what a host prints or shows.
class TTuimDANFePDF : public TTuimDFeDANFeReport {
public:
  explicit TTuimDANFePDF(TTuimComponent* owner = nullptr);
  ~TTuimDANFePDF() override;

  // When set, the PDF goes to this file instead of PathPDF + the document's name.
  const std::string& ArquivoDestino() const { return fArquivoDestino; }
  void SetArquivoDestino(const std::string& v) { fArquivoDestino = v; }

  // The event that ImprimirEVENTO prints, with its registration when there is one. Links,
  // not copies: the caller keeps both alive until the sheet is printed.
  void SetEvento(const TInfEvento* evento, const TRetInfEvento* registro = nullptr);

  void ImprimirDANFE(const TNFe* nfe = nullptr) override;
  void ImprimirDANFEPDF(const TNFe* nfe = nullptr) override;
  // The event sheet of the event set by SetEvento; `nfe`, when given, adds the parties.
  void ImprimirEVENTO(const TNFe* nfe = nullptr) override;
  void ImprimirEVENTOPDF(const TNFe* nfe = nullptr) override;

  // The PDF bytes of the document's DANFE (cancelled mark when Cancelada() is set or the
  // protocol says so).
  virtual std::string GerarPDF(const TNFe& nfe) = 0;
  std::string GerarPDFEvento(const TNFe* nfe);

  // The document's access key: from infNFe's Id, or built from its identification.
  static std::string ChaveAcesso(const TNFe& nfe);
  // The key in groups of four digits.
  static std::string ChaveFormatada(const std::string& chave);
  // Whether the document prints with the cancelled mark.
  bool MarcaCancelada(const TNFe& nfe) const;

protected:
  virtual std::string SufixoArquivo() const = 0;
  // Writes the PDF where ArquivoDestino or PathPDF say, creating the folders, and keeps the
  // file name in ArquivoPDF. Raises ETuimNFeException when it cannot write.
  void GravarPDF(const std::string& nome, const std::string& pdf);
  const TNFe& DocumentoExigido(const TNFe* nfe, const std::string& operacao) const;

private:
  std::string fArquivoDestino;
  const TInfEvento* fEvento = nullptr;
  const TRetInfEvento* fRegistro = nullptr;
};

// The DANFE of an NF-e on A4 portrait pages: receipt stub, issuer, key with its Code 128,
// nature of operation and protocol, recipient, invoices, tax totals, transport, items over as
// many pages as they need, ISSQN and additional data.
class TTuimNFeDANFePDF : public TTuimDANFePDF {
public:
  using TTuimDANFePDF::TTuimDANFePDF;
  std::string ClassName() const override { return "TTuimNFeDANFePDF"; }
  std::string GerarPDF(const TNFe& nfe) override;

protected:
  std::string SufixoArquivo() const override { return "-nfe.pdf"; }
};

// The DANFCE of an NFC-e on receipt paper 80 or 58 mm wide, one page as long as it needs,
// with the consultation address, the key and the QR code.
class TTuimNFCeDANFePDF : public TTuimDANFePDF {
public:
  using TTuimDANFePDF::TTuimDANFePDF;
  std::string ClassName() const override { return "TTuimNFCeDANFePDF"; }
  std::string GerarPDF(const TNFe& nfe) override;

  int LarguraBobina() const { return fLarguraBobina; }
  void SetLarguraBobina(int mm);  // 58 for the narrow paper, 80 for any other value

protected:
  std::string SufixoArquivo() const override { return "-nfce.pdf"; }

private:
  double Desenhar(TDesenhoPDF& d, const TNFe& nfe);
  int fLarguraBobina = 80;
};

// Text helpers shared by the layouts.
std::string NumeroNFFormatado(int nNF);  // 000.000.123
std::string ValorBr(TCurrency v);        // 1.234,56
std::string DescricaoFormaPagamento(TfscTPag t);

}  // namespace tuim
