#pragma once
#include <cstdint>
#include <string>

#include "fiscal/TuimCurrency.h"
#include "fiscal/fscConversao.h"
#include "report/TuimDFeReport.h"
#include "xml/TuimNFeClass.h"

namespace tuim {

class TTuimNFe;

enum TfscTributos : std::uint8_t { trbNenhum, trbNormal, trbSeparadamente };
enum TinfAdcProd : std::uint8_t { infNenhum, infDescricao, infSeparadamente };

// Base of the DANFE renderers: the link to the NF-e component, the print operations a
// renderer overrides, and the texts of the item and additional-information columns.
class TTuimDFeDANFeReport : public TTuimDFeReport {
public:
  explicit TTuimDFeDANFeReport(TTuimComponent* owner = nullptr);
  ~TTuimDFeDANFeReport() override;

  std::string ClassName() const override { return "TTuimDFeDANFeReport"; }

  // Only a TTuimNFe is accepted; the component's DANFE follows this link, and the previous
  // component lets go of this renderer.
  void SetTuimNFe(TTuimComponent* c) override;

  TfscTipoImpressao TipoDANFE() const { return fTipoDANFE; }
  void SetTipoDANFE(TfscTipoImpressao v) { fTipoDANFE = v; }
  bool QuebraLinhaEmDetalhamentos() const { return fQuebraLinhaEmDetalhamentos; }
  void SetQuebraLinhaEmDetalhamentos(bool v) { fQuebraLinhaEmDetalhamentos = v; }
  bool ImprimeTotalLiquido() const { return fImprimeTotalLiquido; }
  void SetImprimeTotalLiquido(bool v) { fImprimeTotalLiquido = v; }
  TfscTributos ImprimeTributos() const { return fImprimeTributos; }
  void SetImprimeTributos(TfscTributos v) { fImprimeTributos = v; }
  bool ExibeTotalTributosItem() const { return fExibeTotalTributosItem; }
  void SetExibeTotalTributosItem(bool v) { fExibeTotalTributosItem = v; }
  TinfAdcProd ExibeInforAdicProduto() const { return fExibeInforAdicProduto; }
  void SetExibeInforAdicProduto(TinfAdcProd v) { fExibeInforAdicProduto = v; }
  bool ImprimeCodigoEan() const { return fImprimeCodigoEan; }
  void SetImprimeCodigoEan(bool v) { fImprimeCodigoEan = v; }
  bool ImprimeNomeFantasia() const { return fImprimeNomeFantasia; }
  void SetImprimeNomeFantasia(bool v) { fImprimeNomeFantasia = v; }
  bool ImprimeEmUmaLinha() const { return fImprimeEmUmaLinha; }
  void SetImprimeEmUmaLinha(bool v) { fImprimeEmUmaLinha = v; }

  // True only while ImprimirDANFECancelado runs.
  bool Cancelada() const { return fCancelada; }

  // What a renderer prints; each base operation raises ETuimNFeException "NAME não
  // implementado em: " + ClassName(). A null document means the renderer's own choice.
  virtual void ImprimirDANFE(const TNFe* nfe = nullptr);
  virtual void ImprimirDANFECancelado(const TNFe* nfe = nullptr);  // ImprimirDANFE with Cancelada set
  virtual void ImprimirDANFEResumido(const TNFe* nfe = nullptr);
  virtual void ImprimirDANFEPDF(const TNFe* nfe = nullptr);
  virtual void ImprimirDANFEResumidoPDF(const TNFe* nfe = nullptr);
  virtual void ImprimirEVENTO(const TNFe* nfe = nullptr);
  virtual void ImprimirEVENTOPDF(const TNFe* nfe = nullptr);
  virtual void ImprimirINUTILIZACAO(const TNFe* nfe = nullptr);
  virtual void ImprimirINUTILIZACAOPDF(const TNFe* nfe = nullptr);

  // Column texts; none of them raises.
  virtual std::string Separador() const;
  virtual std::string CodigoProduto(const std::string& cEAN, const std::string& cProd) const;
  virtual std::string NomeEmitente(const std::string& xNome, const std::string& xFant) const;
  virtual std::string Unidades(const std::string& uCom, const std::string& uTrib) const;
  virtual std::string Quantidades(double qCom, double qTrib) const;
  virtual std::string ValoresUnitarios(double vUnCom, double vUnTrib) const;
  virtual std::string DocumentoDestinatario(const std::string& documento) const;
  // `item` counts from 0; an index outside the document's items gives an empty text.
  virtual std::string InfAdicionalProduto(const TNFe& nfe, int item) const;
  virtual std::string InfAdicionalFisco(const TNFe& nfe) const;
  virtual std::string InfComplementar(const TNFe& nfe) const;
  virtual std::string ObservacoesContribuinte(const TNFe& nfe) const;
  virtual std::string ObservacoesFisco(const TNFe& nfe) const;
  virtual std::string ProcessosReferenciados(const TNFe& nfe) const;
  virtual std::string TotalItem(TCurrency vDesc, TCurrency vProd) const;
  virtual std::string SituacaoTributariaItem(bool usaCST, TfscCSOSN csosn, TfscCSTIcms cst) const;
  virtual std::string TributosItem(TCurrency vTotTrib) const;

  // The PDF folder of `nfe` by the linked component's folder rules (literal of the model,
  // issuer, issue or current date); `pasta` unchanged without a linked component.
  std::string PastaPDFDocumento(const std::string& pasta, const TNFe& nfe) const;

protected:
  std::string SeparadorPathPDF(const std::string& pasta) override;
  // The document whose data names the PDF sub-folders. The component keeps no document list
  // of its own, so it is the one being printed, marked by a TDocumentoEmImpressao.
  virtual const TNFe* PrimeiroDocumento() const { return fDocumentoEmImpressao; }

  // Marks `nfe` as the document being printed for as long as it lives.
  class TDocumentoEmImpressao {
  public:
    TDocumentoEmImpressao(TTuimDFeDANFeReport& r, const TNFe* nfe) : fR(r), fAnterior(r.fDocumentoEmImpressao) {
      r.fDocumentoEmImpressao = nfe;
    }
    ~TDocumentoEmImpressao() { fR.fDocumentoEmImpressao = fAnterior; }
    TDocumentoEmImpressao(const TDocumentoEmImpressao&) = delete;
    TDocumentoEmImpressao& operator=(const TDocumentoEmImpressao&) = delete;

  private:
    TTuimDFeDANFeReport& fR;
    const TNFe* fAnterior;
  };
  void Notification(TTuimComponent* component, TOperation operation) override;

private:
  void NaoImplementado(const std::string& operacao) const;
  TTuimNFe* NFeLigada() const;

  TfscTipoImpressao fTipoDANFE = tiRetrato;
  bool fQuebraLinhaEmDetalhamentos = true;
  bool fImprimeTotalLiquido = true;
  TfscTributos fImprimeTributos = trbNormal;
  bool fExibeTotalTributosItem = false;
  TinfAdcProd fExibeInforAdicProduto = infDescricao;
  bool fImprimeCodigoEan = false;
  bool fImprimeNomeFantasia = false;
  bool fImprimeEmUmaLinha = false;
  bool fCancelada = false;
  const TNFe* fDocumentoEmImpressao = nullptr;
};

}  // namespace tuim
