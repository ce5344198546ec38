#pragma once
#include <memory>
#include <string>
#include <vector>

#include "fiscal/TuimDateTime.h"
#include "fiscal/fscConversao.h"
#include "fiscal/fscConversaoReforma.h"
#include "xml/TuimGerador.h"
#include "xml/TuimNFeClass.h"

namespace tuim {

// Alert recorded after a repeated group's loop; the limit follows the text ("... - Máximo 500").
extern const char* const kAlertaOcorrenciasMaximo;  // "Número de ocorrências maior que o máximo permitido - Máximo "
// Recipient name of every NF-e issued in the homologation environment.
extern const char* const kDestNomeHomologacao;  // "NF-E EMITIDA EM AMBIENTE DE HOMOLOGACAO - SEM VALOR FISCAL"

// Writes one TNFe as the XML of an NF-e or NFC-e (layouts 2.00, 3.00, 3.10 and 4.00) through
// its own generator. Bad document data never raises: it becomes alert lines of the generator
// and EscreverNFe answers false, with the XML written in full all the same.
class TNFeW {
public:
  // The writer's options; not the generator's options of the same name.
  class TGeradorOpcoes {
  public:
    bool AjustarTagNro() const { return fAjustarTagNro; }
    void SetAjustarTagNro(bool v) { fAjustarTagNro = v; }
    bool GerarTagIPIparaNaoTributado() const { return fGerarTagIPIparaNaoTributado; }
    void SetGerarTagIPIparaNaoTributado(bool v) { fGerarTagIPIparaNaoTributado = v; }
    bool GerarTXTSimultaneamente() const { return fGerarTXTSimultaneamente; }
    void SetGerarTXTSimultaneamente(bool v) { fGerarTXTSimultaneamente = v; }
    bool NormatizarMunicipios() const { return fNormatizarMunicipios; }
    void SetNormatizarMunicipios(bool v) { fNormatizarMunicipios = v; }
    TfscTagAssinatura GerarTagAssinatura() const { return fGerarTagAssinatura; }
    void SetGerarTagAssinatura(TfscTagAssinatura v) { fGerarTagAssinatura = v; }
    const std::string& PathArquivoMunicipios() const { return fPathArquivoMunicipios; }
    void SetPathArquivoMunicipios(const std::string& v) { fPathArquivoMunicipios = v; }
    bool ValidarInscricoes() const { return fValidarInscricoes; }
    void SetValidarInscricoes(bool v) { fValidarInscricoes = v; }
    bool ValidarListaServicos() const { return fValidarListaServicos; }
    void SetValidarListaServicos(bool v) { fValidarListaServicos = v; }
    bool CamposFatObrigatorios() const { return fCamposFatObrigatorios; }
    void SetCamposFatObrigatorios(bool v) { fCamposFatObrigatorios = v; }
    TForcarGeracaoTag ForcarGerarTagRejeicao938() const { return fForcarGerarTagRejeicao938; }
    void SetForcarGerarTagRejeicao938(TForcarGeracaoTag v) { fForcarGerarTagRejeicao938 = v; }
    // The schema package the document is written for; its limits are the writer's.
    TfscPacoteSchemas PacoteSchemas() const { return fPacoteSchemas; }
    void SetPacoteSchemas(TfscPacoteSchemas v) { fPacoteSchemas = v; }

  private:
    bool fAjustarTagNro = true;
    bool fGerarTagIPIparaNaoTributado = true;
    bool fGerarTXTSimultaneamente = false;
    bool fNormatizarMunicipios = false;
    TfscTagAssinatura fGerarTagAssinatura = taSomenteSeAssinada;
    std::string fPathArquivoMunicipios;
    bool fValidarInscricoes = false;
    bool fValidarListaServicos = false;
    bool fCamposFatObrigatorios = true;
    TForcarGeracaoTag fForcarGerarTagRejeicao938 = fgtNunca;
    TfscPacoteSchemas fPacoteSchemas = psPL009V4;
  };

  // The document is not owned and must outlive the writer.
  explicit TNFeW(TNFe* nfe);
  ~TNFeW();
  TNFeW(const TNFeW&) = delete;
  TNFeW& operator=(const TNFeW&) = delete;

  // Writes the whole document into Gerador().ArquivoFormatoXML(); true when no alert was
  // recorded. Sets infNFe.ID, ide.cNF and ide.cDV from the new key; below layout 3.10 it also
  // resets dest.indIEDest to its first value.
  bool EscreverNFe();

  TGerador& Gerador() { return *fGerador; }
  const TGerador& Gerador() const { return *fGerador; }
  TNFe* NFe() const { return fNFe; }
  void SetNFe(TNFe* nfe) { fNFe = nfe; }
  TGeradorOpcoes& Opcoes() { return fOpcoes; }
  const TGeradorOpcoes& Opcoes() const { return fOpcoes; }
  int IdCSRT() const { return fIdCSRT; }
  void SetIdCSRT(int v) { fIdCSRT = v; }
  // Secret of the technical responsible; only its hash reaches the document.
  const std::string& CSRT() const { return fCSRT; }
  void SetCSRT(const std::string& v) { fCSRT = v; }

  // State of the last run.
  const std::string& ChaveAcesso() const { return fChave; }
  const std::string& VersaoTexto() const { return fVersaoTexto; }  // "4.00"
  bool Versao310OuSuperior() const { return fVersao310OuSuperior; }

  // Layout version V of the run: infNFe.versao, or 2.00 when that is 0 or less. Versions are
  // compared in hundredths, so that 3.10 is never taken for 3.0999...
  double Versao() const { return fVersaoCentesimos / 100.0; }
  bool VersaoAoMenos(double v) const { return fVersaoCentesimos >= Centesimos(v); }  // V >= v
  bool VersaoAcima(double v) const { return fVersaoCentesimos > Centesimos(v); }     // V > v
  bool VersaoAbaixo(double v) const { return fVersaoCentesimos < Centesimos(v); }    // V < v

private:
  static int Centesimos(double v);

  // ---- Envelope, identification and parties ----------------------------------------------
  void GerarInfNFe();
  void GerarIde();
  void GerarIdeNFref();
  void GerarIdeNFrefRefNF(const TRefNF& ref);
  void GerarIdeNFrefRefNFP(const TRefNFP& ref);
  void GerarIdeNFrefRefECF(const TRefECF& ref);
  void GerarEmit();
  void GerarEmitEnderEmit();
  void GerarAvulsa();
  bool DestPresente() const;
  void GerarDest();
  void GerarDestEnderDest(std::string& ufNormalizada);
  void GerarLocal(const TLocal& local, char letra, const std::string& grupo, bool normatizar);
  void GerarAutXML();

  // ---- Helpers for every group of the document -------------------------------------------
  // "versao=\"4.00\"" for V.
  std::string AtributoVersao() const;
  // YYYY-MM-DDThh:mm:ss and the offset of the issuer's state at that moment (25 characters).
  std::string DataHoraComFuso(TDateTime t) const;
  // Alerts "Conteúdo inválido" after a field, each only when its check fails.
  void AlertaUF(const std::string& id, const std::string& tag, const std::string& descricao,
                const std::string& uf);
  void AlertaMunicipio(const std::string& id, const std::string& tag, const std::string& descricao, int codigo);
  void AlertaPais(const std::string& id, const std::string& tag, const std::string& descricao, int codigo);
  // The "Máximo N" alert when a repeated group has more than `maximo` entries.
  void AlertaOcorrencias(const std::string& id, const std::string& tag, const std::string& descricao,
                         std::size_t quantidade, std::size_t maximo);
  // Country rule, then the municipality file when NormatizarMunicipios is set.
  void NormatizarMunicipio(int& cMun, std::string& xMun, std::string& uf, int cPais) const;
  std::string AjustarNro(const std::string& nro) const;

  // ---- Items: det, prod and its sub-groups, infAdProd; called from GerarInfNFe ----------
  void GerarDet();
  void GerarDetProd(const TProd& prod);
  void GerarDetProdNVE(const TNVECollection& lista);
  void GerarDetProdDI(const TDICollection& lista);
  void GerarDetProdDIadi(const TadiCollection& lista);
  void GerarDetProddetExport(const TdetExportCollection& lista);
  void GerarDetProdRastro(const TrastroCollection& lista);
  void GerarDetProdVeicProd(const TveicProd& veic);
  void GerarDetProdMed(const TmedCollection& lista);
  void GerarDetProdArma(const TarmaCollection& lista);
  void GerarDetProdComb(const Tcomb& comb);
  void GerarDetProdCombGLP(const std::string& id, const std::string& tag, TCurrency valor,
                           const std::string& descricao);
  void GerarDetProdCombCIDE(const TCIDE& cide);
  void GerarDetProdCombEncerrante(const Tencerrante& enc);
  void GerarDetProdCombICMS(const Tcomb& comb);
  // The validator's message for a GTIN other than empty or "SEM GTIN", as an alert.
  void AlertaGTIN(const std::string& id, const std::string& tag, const std::string& descricao,
                  const std::string& gtin);
  // "Conteúdo inválido" for a drawback act that is given and fails its check.
  void AlertaDrawback(const std::string& id, const std::string& nDraw);

  // ---- Totals and closing: total, transp, cobr, pag, infAdic, exporta, compra, cana and
  // infRespTec, called from GerarInfNFe; infNFeSupl, the signature, "/NFe" and protNFe with
  // "/nfeProc", called from EscreverNFe --------------------------------------------------
  void GerarTotal();
  void GerarTotalICMSTot();
  void GerarTotalISSQNtot();
  void GerarTotalRetTrib();
  void GerarTransp();
  void GerarTranspTransporta();
  void GerarTranspRetTransp();
  void GerarTranspVeicTransp();
  void GerarTranspReboque();
  void GerarTranspVol();
  void GerarCobr();
  void GerarCobrFat();
  void GerarCobrDup();
  void GerarPag();
  void GerarPagCard(const TpagCollectionItem& pag);
  void GerarInfAdic();
  void GerarInfAdicObs(const std::string& grupo, const std::string& xCampo, const std::string& xTexto,
                       const std::string& idGrupo, const std::string& idCampo, const std::string& idTexto);
  void GerarInfAdicProcRef();
  void GerarExporta();
  void GerarCompra();
  void GerarCana();
  void GerarInfRespTec();
  // infNFeSupl, the signature, "/NFe" and, for a processed document, protNFe and "/nfeProc".
  void GerarFechamentoNFe();
  void GerarInfNFeSupl();
  bool DeveGerarAssinatura() const;
  void GerarAssinatura();
  std::string GerarProtNFe() const;

  // ---- Taxes: imposto and impostoDevol of one item; called from the items ---------------
public:
  // The item writer calls them, inside det after prod.
  void GerarDetImposto(const TDetCollectionItem& item);
  void GerarDetImpostoDevol(const TDetCollectionItem& item);

private:
  // Rates: four decimals from layout 3.10 on, two before.
  void EscreverTaxa(const std::string& id, const std::string& tag, int ocorrencias, TCurrency valor,
                    const std::string& descricao);
  void GerarDetImpostoICMS(const TICMS& icms);
  void GerarDetImpostoICMSCST(const TICMS& icms);
  void GerarDetImpostoICMSCSOSN(const TICMS& icms);
  // ICMS90 of the normal regime adds the PL_010 benefit code and deferral to the base.
  void GerarICMSBase(const TICMS& icms, bool pRedBCOpcional, bool icms90 = false);
  // The FCP blocks are sequences the schema takes whole or not at all: once one of their
  // values is given, every element is written, zero for those not given.
  void GerarICMSBlocoFCP(const TICMS& icms, bool comBase, bool idsST);
  void GerarICMSBlocoST(const TICMS& icms, bool pMVASTDecimal2);
  void GerarICMSBlocoFCPST(const TICMS& icms);
  void GerarICMSBlocoFCPSTRet(const TICMS& icms, bool grupoST, bool idN27a);
  // The ST group of ICMS90 and ICMSSN900, when vBCST or vICMSST is given, with its FCP-ST;
  // without it the FCP-ST has no place.
  void GerarICMSBlocoSTOpcional(const TICMS& icms, bool pMVASTDecimal2, const std::string& grupo);
  void GerarICMSBlocoEfetivo(const TICMS& icms);
  void GerarICMSBlocoDesoneracao(const TICMS& icms, bool idsICMS40);
  void GerarICMSBlocoPartilha(const TICMS& icms);
  void GerarICMSBlocoSTRetido(const TICMS& icms, const std::string& idPST);
  void GerarICMSST(const TICMS& icms);
  bool ICMSSubstitutoObrigatorio() const;
  void GerarDetImpostoIPI(const TDetCollectionItem& item);
  void GerarDetImpostoII(const TDetCollectionItem& item);
  void GerarDetImpostoPIS(const TPIS& pis);
  void GerarDetImpostoPISST(const TPISST& st);
  void GerarDetImpostoCOFINS(const TCOFINS& cofins);
  void GerarDetImpostoCOFINSST(const TCOFINSST& st);
  void GerarDetImpostoISSQN(const TISSQN& issqn);
  void GerarDetImpostoICMSUFDest(const TICMSUFDest& uf);

  // ---- Consumption-tax reform (PL_010 packages); each writes nothing when its group is
  // absent from the model, so older documents come out unchanged ----------------------------
  void AlertaPacoteSchemas();
  // Protocol messages past what the schema package takes: every one is written all the same.
  void AlertaMensagensProtocolo();
  void GerarIdedPrevEntrega();
  void GerarIdecMunFGIBS();
  void GerarIdeTpNFDebitoCredito();
  void GerarIdecIndOp();
  void GerarIdeCompraGov();
  void GerarIdePagAntecipado();
  void GerarListaChaves(const std::vector<std::string>& lista, const std::string& id, const std::string& tag,
                        const std::string& descricao, std::size_t maximo);
  void GerarEmitISUFEmit();
  void GerarDetProdTpCredPresIBSZFM(const TProd& prod);
  void GerarDetProdIndBemMovelUsado(const TProd& prod);
  void GerarDetImpostoIS(const TIS& is);
  void GerarDetImpostoIBSCBS(const TIBSCBS& t);
  void GerarIBSCBSgIBSCBS(const TgIBSCBS& g);
  void GerarIBSCBSRedutores(const TgDif& dif, const TgDevTrib& dev, const TgRed& red, const std::string& id);
  void GerarIBSCBSgIBSCBSMono(const TgIBSCBSMono& m);
  void GerarIBSCBSgCredPres(const std::string& grupo, const TgCredPres& c, const std::string& id);
  void GerarDetVItemDFeReferenciado(const TDetCollectionItem& item);
  // "Conteúdo inválido" for an exemption reason outside `aceitos`, when an exemption is given.
  void AlertaMotDesICMS(const TICMS& icms, std::initializer_list<TfscMotDesICMS> aceitos);
  // The benefit code and the deferred FCP of ICMS51 and (PL_010) ICMS90, and the deferral
  // of ICMS90.
  void GerarICMScBenefRBC(const TICMS& icms);
  void GerarICMS90Diferimento(const TICMS& icms);
  void GerarICMSFCPDiferido(const TICMS& icms);
  // One alert per value of an ICMS90 without its base group whose only place is that group:
  // the FCP and the PL_010 benefit code, deferral and deferred FCP.
  void AlertaICMS90SemBase(const TICMS& icms);
  // One alert per FCP value given (of the elements in `campos`, bits of fFCPEscritos) that the
  // ICMS group has not written, giving `motivo`; they then count as dealt with.
  void AlertaFCPSemLugar(const TICMS& icms, unsigned campos, const std::string& motivo);
  // Last step of every ICMS group: the FCP values it had no place for.
  void AlertaFCPSemLugar(const TICMS& icms, const std::string& grupo);
  // One alert per value given, of the other ICMS values in `campos` (kSemLugar... bits),
  // giving `motivo`.
  void AlertaICMSSemLugar(const TICMS& icms, unsigned campos, const std::string& motivo);
  // Last step of a CST group: the values of other groups it has no place for (the sharing
  // fields in ICMS10 and ICMS90, the PL_010 values of ICMS90 in ICMSPart).
  void AlertaICMSSemLugar(const TICMS& icms, const std::string& grupo);
  // Why a value that came with a later layout is not written.
  std::string MotivoLeiauteSemLugar() const;
  void GerarICMSPartDesoneracao(const TICMS& icms);
  void GerarInfPAA();
  void GerarTotalISTot();
  void GerarTotalIBSCBSTot();
  void GerarTotalVNFTot();
  // qrCode limits, wrapper included: 100 to 600 in PL_009_V4, 60 to 1000 from PL_010 on.
  void LimitesQRCode(int& minimo, int& maximo) const;
  void EscreverAliquota(const std::string& id, const std::string& tag, TCurrency valor, const std::string& descricao);
  void EscreverValor(const std::string& id, const std::string& tag, TCurrency valor, const std::string& descricao);

  std::unique_ptr<TGerador> fGerador;
  TNFe* fNFe = nullptr;
  TGeradorOpcoes fOpcoes;
  int fIdCSRT = 0;
  std::string fCSRT;
  bool fVersao310OuSuperior = false;
  int fVersaoCentesimos = 200;
  std::string fVersaoTexto;
  std::string fChave;
  // The FCP elements written (or alerted) in the ICMS group being written: vBCFCP, pFCP, vFCP,
  // then the ST and the retained forms, one bit each from the lowest.
  unsigned fFCPEscritos = 0;
  static constexpr unsigned kFCPvBC = 01, kFCP = 07, kFCPST = 070, kFCPSTRet = 0700;
  // cBenefRBC; vICMSOp, pDif, vICMSDif; pFCPDif, vFCPDif, vFCPEfet; pBCOp, UFST.
  static constexpr unsigned kSemLugarBeneficio = 01, kSemLugarDiferimento = 016, kSemLugarFCPDiferido = 0160,
                            kSemLugarReforma90 = 0177, kSemLugarPartilha = 0600;
};

}  // namespace tuim
