#include "xml/TuimNFeW.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "fiscal/TuimDFeUtil.h"
#include "fiscal/TuimUtil.h"
#include "fiscal/fscAuxiliar.h"
#include "fiscal/fscConversaoNFe.h"
#include "xml/TuimLayoutTXT.h"
#include "xml/TuimProcNFe.h"

namespace tuim {

const char* const kAlertaOcorrenciasMaximo = "Número de ocorrências maior que o máximo permitido - Máximo ";
const char* const kDestNomeHomologacao = "NF-E EMITIDA EM AMBIENTE DE HOMOLOGACAO - SEM VALOR FISCAL";

namespace {

const char* const kAlertaPeriodoInvalido = "Periodo inválido";
const char* const kAlertaModeloInvalido = "Modelo de documento inválido";
const char* const kIsento = "ISENTO";

// IE as the layout takes it: "ISENTO" as is, anything else reduced to its digits.
std::string IEParaXML(const std::string& ie) { return ie == kIsento ? ie : SomenteNumeros(ie); }

}  // namespace

TNFeW::TNFeW(TNFe* nfe) : fGerador(std::make_unique<TGerador>()), fNFe(nfe) {
  fGerador->SetPrefixosSemCaminho("|?xml version|NFe xmlns|infNFe versao|obsCont|obsFisco|");
  fGerador->Opcoes().SetAlertarNegativos(true);
}

TNFeW::~TNFeW() = default;

int TNFeW::Centesimos(double v) { return static_cast<int>(std::lround(v * 100)); }

std::string TNFeW::AtributoVersao() const {
  char b[32];
  std::snprintf(b, sizeof b, "versao=\"%d.%02d\"", fVersaoCentesimos / 100, fVersaoCentesimos % 100);
  return b;
}

std::string TNFeW::DataHoraComFuso(TDateTime t) const {
  return DataHoraParaISO(t) + FusoHorario(CodigoUFParaSigla(fNFe->Ide.cUF), t);
}

void TNFeW::AlertaUF(const std::string& id, const std::string& tag, const std::string& descricao,
                     const std::string& uf) {
  if (!ValidarUF(uf)) fGerador->RegistrarAlerta(id, tag, descricao, kAlertaConteudoInvalido);
}

void TNFeW::AlertaMunicipio(const std::string& id, const std::string& tag, const std::string& descricao,
                            int codigo) {
  if (!ValidarCodigoMunicipio(codigo)) fGerador->RegistrarAlerta(id, tag, descricao, kAlertaConteudoInvalido);
}

void TNFeW::AlertaPais(const std::string& id, const std::string& tag, const std::string& descricao, int codigo) {
  // A code missing from the list is flagged even when its check digit is right.
  if (codigo > 0 && ValidarCodigoPais(codigo) != 1)
    fGerador->RegistrarAlerta(id, tag, descricao, kAlertaConteudoInvalido);
}

void TNFeW::AlertaOcorrencias(const std::string& id, const std::string& tag, const std::string& descricao,
                              std::size_t quantidade, std::size_t maximo) {
  if (quantidade > maximo)
    fGerador->RegistrarAlerta(id, tag, descricao, kAlertaOcorrenciasMaximo + std::to_string(maximo));
}

void TNFeW::NormatizarMunicipio(int& cMun, std::string& xMun, std::string& uf, int cPais) const {
  if (cPais != 1058) {
    cMun = 9999999;
    xMun = "EXTERIOR";
    uf = "EX";
  }
  if (!fOpcoes.NormatizarMunicipios()) return;
  if (cMun == 0 && xMun != "EXTERIOR")
    cMun = CodigoMunicipio(xMun, uf, fOpcoes.PathArquivoMunicipios());
  else if (xMun.empty() && cMun != 9999999)
    xMun = NomeMunicipio(uf, cMun, fOpcoes.PathArquivoMunicipios());
}

std::string TNFeW::AjustarNro(const std::string& nro) const {
  return AjustarNumeroEndereco(fOpcoes.AjustarTagNro(), nro);
}

bool TNFeW::EscreverNFe() {
  TGerador& g = *fGerador;
  if (fNFe == nullptr) {
    // Nothing to write: leave no output of an earlier document behind.
    g.ListaDeAlertas().clear();
    g.SetArquivoFormatoXML("");
    g.SetArquivoFormatoTXT("");
    fChave.clear();
    return false;
  }
  TNFe& nfe = *fNFe;

  // Version of this run.
  g.ListaDeAlertas().clear();
  fVersaoCentesimos = nfe.infNFe.versao <= 0 ? 200 : Centesimos(nfe.infNFe.versao);
  fVersao310OuSuperior = VersaoAoMenos(3.10);
  fVersaoTexto = AtributoVersao().substr(8, 4);

  // Key, Id, numeric code and check digit.
  const std::string emitente = Trim(nfe.Avulsa.CNPJ).empty() ? nfe.Emit.CNPJCPF : nfe.Avulsa.CNPJ;
  fChave = GerarChaveAcesso(nfe.Ide.cUF, nfe.Ide.dEmi, emitente, nfe.Ide.serie, nfe.Ide.nNF,
                            std::atoi(TipoEmissaoParaTexto(nfe.Ide.tpEmis).c_str()), nfe.Ide.cNF, nfe.Ide.modelo);
  nfe.infNFe.ID = "NFe" + fChave;
  nfe.Ide.cDV = DigitoDaChave(nfe.infNFe.ID);
  nfe.Ide.cNF = CodigoDaChave(nfe.infNFe.ID);

  // Outputs of this run; the text form only when asked for, in the layout of this version.
  g.LayoutArquivoTXT().clear();
  if (fOpcoes.GerarTXTSimultaneamente()) g.LayoutArquivoTXT() = LayoutTXT(fVersaoTexto);
  g.SetArquivoFormatoXML("");
  g.SetArquivoFormatoTXT("");
  g.Opcoes().SetNivelIdentacao(0);

  // Envelope.
  const std::string xmlns = std::string("xmlns=\"") + kNamespaceNFe + "\"";
  if (!nfe.procNFe.nProt.empty()) g.EscreverGrupo("nfeProc " + AtributoVersao() + " " + xmlns);
  g.EscreverGrupo("NFe " + xmlns);
  GerarInfNFe();
  g.EscreverGrupo("/infNFe");
  AlertaPacoteSchemas();

  GerarFechamentoNFe();

  g.AjustarRegistrosTXT(nfe.infNFe.ID);
  return g.ListaDeAlertas().empty();
}

void TNFeW::GerarInfNFe() {
  TGerador& g = *fGerador;
  g.EscreverGrupo("infNFe " + AtributoVersao() + " Id=\"" + fNFe->infNFe.ID + "\"", "A01");
  GerarIde();
  GerarEmit();
  GerarAvulsa();
  if (DestPresente()) GerarDest();
  GerarLocal(fNFe->Retirada, 'F', "retirada", true);
  GerarLocal(fNFe->Entrega, 'G', "entrega", false);
  GerarAutXML();
  GerarDet();
  GerarTotal();
  GerarTransp();
  GerarCobr();
  if ((VersaoAoMenos(3) && NFe()->Ide.modelo != 55) || VersaoAoMenos(4)) GerarPag();
  GerarInfAdic();
  GerarExporta();
  GerarCompra();
  GerarCana();
  if (VersaoAoMenos(4)) {
    GerarInfRespTec();
    GerarInfPAA();
  }
}

// ---- ide -----------------------------------------------------------------------------------

void TNFeW::GerarIde() {
  TGerador& g = *fGerador;
  const TIde& ide = fNFe->Ide;
  g.EscreverGrupo("ide", "B01");
  g.EscreverCampo(fcInteiro, "B02", "cUF", 2, 2, 1, ide.cUF, "Código do UF (Unidade da Federação)");
  if (!ValidarCodigoUF(ide.cUF))
    g.RegistrarAlerta("B02", "cUF", "Código do UF (Unidade da Federação)", kAlertaConteudoInvalido);
  g.EscreverCampo(fcTexto, "B03", "cNF", 8, 8, 1, ParteDaChave(fChave, kChaveCodigo), "Número da Nota Fiscal Eletrônica");
  g.EscreverCampo(fcTexto, "B04", "natOp", 1, 60, 1, ide.natOp, "Descrição da Natureza da Operação");
  if (VersaoAbaixo(4))
    g.EscreverCampo(fcTexto, "B05", "indPag", 1, 1, 1, IndPagParaTexto(ide.indPag), "Indicador da forma de pagamento");
  g.EscreverCampo(fcInteiro, "B06", "mod", 2, 2, 1, ide.modelo, "Modelo");
  g.EscreverCampo(fcInteiro, "B07", "serie", 1, 3, 1, ide.serie, "Série do Documento Fiscal");
  g.EscreverCampo(fcInteiro, "B08", "nNF", 1, 9, 1, ide.nNF, "Número do Documento Fiscal");
  if (VersaoAoMenos(3)) {
    g.EscreverCampo(fcTexto, "B09", "dhEmi", 25, 25, 1, DataHoraComFuso(ide.dEmi), "Data de emissão");
    if (ide.modelo == 55 && ide.dSaiEnt != 0)
      g.EscreverCampo(fcTexto, "B10", "dhSaiEnt", 25, 25, 0, DataHoraComFuso(ide.dSaiEnt),
                      "Data de saída ou entrada da mercadoria/produto");
    GerarIdedPrevEntrega();
  } else {
    g.EscreverCampo(fcData, "B09", "dEmi", 10, 10, 1, ide.dEmi, "Data de emissão");
    g.EscreverCampo(fcData, "B10", "dSaiEnt", 10, 10, 0, ide.dSaiEnt, "Data de saída ou entrada da mercadoria/produto");
    if (ide.dSaiEnt > 0)
      g.EscreverCampo(fcHora, "B10a", "hSaiEnt", 8, 8, 0, ide.hSaiEnt, "Hora de saída ou entrada da mercadoria/produto");
  }
  g.EscreverCampo(fcTexto, "B11", "tpNF", 1, 1, 1, TpNFParaTexto(ide.tpNF), "Tipo do Documento Fiscal");
  if (VersaoAoMenos(3))
    g.EscreverCampo(fcTexto, "B11a", "idDest", 1, 1, 1, IdDestParaTexto(ide.idDest), "Destino da Operação");
  g.EscreverCampo(fcInteiro, "B12", "cMunFG", 7, 7, 1, ide.cMunFG, "Código do Município FG");
  AlertaMunicipio("B12", "cMunFG", "Código do Município FG", ide.cMunFG);
  GerarIdecMunFGIBS();
  if (VersaoAbaixo(3)) GerarIdeNFref();
  // Later TXT fields belong to the ide record again.
  g.SetIDNivel("B01");
  g.EscreverCampo(fcTexto, "B21", "tpImp", 1, 1, 1, TipoImpressaoParaTexto(ide.tpImp),
                  "Formato de Impressão do Documento Auxiliar");
  g.EscreverCampo(fcTexto, "B22", "tpEmis", 1, 1, 1, TipoEmissaoParaTexto(ide.tpEmis), "Forma de Emissão do DF-e");
  g.EscreverCampo(fcInteiro, "B23", "cDV", 1, 1, 1, ide.cDV, "Digito Verificador");
  g.EscreverCampo(fcTexto, "B24", "tpAmb", 1, 1, 1, TipoAmbienteParaTexto(ide.tpAmb), "Identificação do Ambiente");
  g.EscreverCampo(fcTexto, "B25", "finNFe", 1, 1, 1, FinNFeParaTexto(ide.finNFe), "Finalidade de emissão da NFe");
  GerarIdeTpNFDebitoCredito();
  if (VersaoAoMenos(3)) {
    g.EscreverCampo(fcTexto, "B25a", "indFinal", 1, 1, 1, IndFinalParaTexto(ide.indFinal),
                    "Indicador de Operação com Consumidor Final");
    g.EscreverCampo(fcTexto, "B25b", "indPres", 1, 1, 1, IndPresParaTexto(ide.indPres),
                    "Indicador de Presença do Consumidor Final");
    GerarIdecIndOp();
  }
  g.EscreverCampo(fcTexto, "B26", "procEmi", 1, 1, 1, ProcEmiParaTexto(ide.procEmi), "Processo de emissão do DF-e");
  g.EscreverCampo(fcTexto, "B27", "verProc", 1, 20, 1, ide.verProc, "Versão do Processo de emissão do DF-e");
  if (ide.dhCont > 0 || !ide.xJust.empty()) {
    if (VersaoAoMenos(3))
      g.EscreverCampo(fcTexto, "B28", "dhCont", 25, 25, 1, DataHoraComFuso(ide.dhCont),
                      "Data e Hora de entrada em contingencia");
    else
      g.EscreverCampo(fcTexto, "B28", "dhCont", 19, 19, 1, DataHoraParaISO(ide.dhCont),
                      "Data e Hora de entrada em contingencia");
    g.EscreverCampo(fcTexto, "B29", "xJust", 1, 256, 1, ide.xJust, "Justificativa de entrada em contingencia");
  }
  if (VersaoAoMenos(3)) GerarIdeNFref();
  GerarIdeCompraGov();
  GerarIdePagAntecipado();
  g.EscreverGrupo("/ide");
}

void TNFeW::GerarIdeNFref() {
  TGerador& g = *fGerador;
  const TNFrefCollection& refs = fNFe->Ide.NFref;
  for (int i = 0; i < refs.Count(); ++i) {
    const TNFrefCollectionItem& ref = refs[i];
    g.EscreverGrupo("NFref", "B12a");
    if (!ref.refNFe.empty()) {
      std::string chave = SomenteNumeros(ref.refNFe);
      g.EscreverCampo(fcDigitos, "B13", "refNFe", 44, 44, 1, chave, "Chave de acesso das NF-e referenciadas");
      if (!ValidarChaveAcesso(chave))
        g.RegistrarAlerta("B13", "refNFe", "Chave de acesso das NF-e referenciadas", kAlertaConteudoInvalido);
    }
    if (ref.RefNF.nNF > 0) GerarIdeNFrefRefNF(ref.RefNF);
    if (ref.RefNFP.nNF > 0) GerarIdeNFrefRefNFP(ref.RefNFP);
    if (!ref.refCTe.empty()) {
      std::string chave = SomenteNumeros(ref.refCTe);
      g.EscreverCampo(fcDigitos, "B20i", "refCTe", 44, 44, 1, chave, "Chave de acesso do CT-e referenciado");
      if (!ValidarChaveAcesso(chave))
        g.RegistrarAlerta("B20i", "refCTe", "Chave de acesso do CT-e referenciado", kAlertaConteudoInvalido);
    }
    if (!ref.RefECF.nCOO.empty()) GerarIdeNFrefRefECF(ref.RefECF);
    g.EscreverGrupo("/NFref");
  }
  AlertaOcorrencias("B12a", "NFref", "Quantidade de Documento Fiscal", static_cast<std::size_t>(refs.Count()), 500);
}

void TNFeW::GerarIdeNFrefRefNF(const TRefNF& ref) {
  TGerador& g = *fGerador;
  g.EscreverGrupo("refNF", "B14");
  g.EscreverCampo(fcInteiro, "B15", "cUF", 2, 2, 1, ref.cUF, "Código do UF (Unidade da Federação)");
  if (!ValidarCodigoUF(ref.cUF))
    g.RegistrarAlerta("B15", "cUF", "Código do UF (Unidade da Federação)", kAlertaConteudoInvalido);
  g.EscreverCampo(fcDigitos, "B16", "AAMM", 4, 4, 1, ref.AAMM, "Ano e Mês");
  if (!ValidarAnoMes(ref.AAMM)) g.RegistrarAlerta("B16", "AAMM", "Ano e Mês", kAlertaPeriodoInvalido);
  g.EscreverCampoCNPJCPF("B17", "B17", ref.CNPJ, true, true);
  g.EscreverCampo(fcInteiro, "B18", "mod", 2, 2, 1, ref.modelo, "Modelo");
  if (!ValidarModeloNFReferenciada(ref.modelo, Versao()))
    g.RegistrarAlerta("B18", "mod", "Modelo", kAlertaModeloInvalido);
  g.EscreverCampo(fcInteiro, "B19", "serie", 1, 3, 1, ref.serie, "Série do Documento Fiscal");
  g.EscreverCampo(fcInteiro, "B20", "nNF", 1, 9, 1, ref.nNF, "Número do Documento Fiscal");
  g.EscreverGrupo("/refNF");
}

void TNFeW::GerarIdeNFrefRefNFP(const TRefNFP& ref) {
  TGerador& g = *fGerador;
  g.EscreverGrupo("refNFP", "B20a");
  g.EscreverCampo(fcInteiro, "B20b", "cUF", 2, 2, 1, ref.cUF, "Código do UF (Unidade da Federação)");
  if (!ValidarCodigoUF(ref.cUF))
    g.RegistrarAlerta("B20b", "cUF", "Código do UF (Unidade da Federação)", kAlertaConteudoInvalido);
  g.EscreverCampo(fcDigitos, "B20c", "AAMM", 4, 4, 1, ref.AAMM, "Ano e Mês");
  if (!ValidarAnoMes(ref.AAMM)) g.RegistrarAlerta("B20c", "AAMM", "Ano e Mês", kAlertaPeriodoInvalido);
  g.EscreverCampoCNPJCPF("B20d", "B20e", ref.CNPJCPF, true, true);
  g.EscreverCampo(fcTexto, "B20f", "IE", 1, 14, 1, ref.IE, "Inscrição Estadual");
  g.EscreverCampo(fcInteiro, "B20f", "mod", 2, 2, 1, std::atoi(Trim(ref.modelo).c_str()), "Modelo");
  g.EscreverCampo(fcInteiro, "B20g", "serie", 1, 3, 1, ref.serie, "Série do Documento Fiscal");
  g.EscreverCampo(fcInteiro, "B20h", "nNF", 1, 9, 1, ref.nNF, "Número do Documento Fiscal");
  g.EscreverGrupo("/refNFP");
}

void TNFeW::GerarIdeNFrefRefECF(const TRefECF& ref) {
  TGerador& g = *fGerador;
  g.EscreverGrupo("refECF", "B20j");
  g.EscreverCampo(fcTexto, "B20k", "mod", 2, 2, 1, ModECFParaTexto(ref.modelo), "Modelo");
  g.EscreverCampo(fcInteiro, "B20l", "nECF", 3, 3, 1, ref.nECF, "Número de ordem seqüencial do ECF");
  g.EscreverCampo(fcInteiro, "B20m", "nCOO", 6, 6, 1, ref.nCOO, "Número do Contador de Ordem de Operação - COO");
  g.EscreverGrupo("/refECF");
}

// ---- emit and avulsa -----------------------------------------------------------------------

void TNFeW::GerarEmit() {
  TGerador& g = *fGerador;
  const TEmit& emit = fNFe->Emit;
  g.EscreverGrupo("emit", "C01");
  g.EscreverCampoCNPJCPF("C02", "C02a", emit.CNPJCPF, true, true);
  g.EscreverCampo(fcTexto, "C03", "xNome", 2, 60, 1, emit.xNome, "Razão Social ou Nome");
  g.EscreverCampo(fcTexto, "C04", "xFant", 1, 60, 0, emit.xFant, "Nome de Fantasia");
  GerarEmitEnderEmit();
  g.SetIDNivel("C01");
  const std::string ie = IEParaXML(emit.IE);
  g.EscreverCampo(fcTexto, "C17", "IE", 0, 14, 1, ie, "Inscrição Estadual");
  if (fOpcoes.ValidarInscricoes() && ProcEmiParaTexto(fNFe->Ide.procEmi) != "1") {
    if (ie.empty())
      g.RegistrarAlerta("C17", "IE", "Inscrição Estadual", kAlertaNenhumValor);
    else if (!ValidarIE(ie, CodigoUFParaSigla(fNFe->Ide.cUF)))
      g.RegistrarAlerta("C17", "IE", "Inscrição Estadual", kAlertaConteudoInvalido);
  }
  g.EscreverCampo(fcTexto, "C18", "IEST", 2, 14, 0, emit.IEST, "Inscrição Estadual do Substituto tributário");
  g.EscreverCampo(fcTexto, "C19", "IM", 1, 15, 0, emit.IM, "Inscrição Municipal");
  if (!emit.IM.empty())
    g.EscreverCampo(fcTexto, "C20", "CNAE", 7, 7, 0, emit.CNAE, "Classificação Nacional de Atividades Econômicas");
  if (VersaoAoMenos(2))
    g.EscreverCampo(fcTexto, "C21", "CRT", 1, 1, 1, CRTParaTexto(emit.CRT), "Código de Regime Tributário");
  GerarEmitISUFEmit();
  g.EscreverGrupo("/emit");
}

void TNFeW::GerarEmitEnderEmit() {
  TGerador& g = *fGerador;
  const TenderEmit& end = fNFe->Emit.EnderEmit;
  int cMun = end.cMun;
  std::string xMun = end.xMun, uf = end.UF;
  NormatizarMunicipio(cMun, xMun, uf, 1058);
  g.EscreverGrupo("enderEmit", "C05");
  g.EscreverCampo(fcTexto, "C06", "xLgr", 2, 60, 1, end.xLgr, "Logradouro");
  g.EscreverCampo(fcTexto, "C07", "nro", 1, 60, 1, AjustarNro(end.nro), "Número");
  g.EscreverCampo(fcTexto, "C08", "xCpl", 1, 60, 0, end.xCpl, "Complemento (Endereço)");
  g.EscreverCampo(fcTexto, "C09", "xBairro", 2, 60, 1, end.xBairro, "Bairro");
  g.EscreverCampo(fcInteiro, "C10", "cMun", 1, 7, 1, cMun, "Código do Município");
  AlertaMunicipio("C10", "cMun", "Código do Município", cMun);
  g.EscreverCampo(fcTexto, "C11", "xMun", 2, 60, 1, xMun, "Nome do Município");
  g.EscreverCampo(fcTexto, "C12", "UF", 2, 2, 1, uf, "Sigla da UF");
  AlertaUF("C12", "UF", "Sigla da UF", uf);
  g.EscreverCampo(fcInteiro, "C13", "CEP", 8, 8, 1, end.CEP, "CEP");
  // The issuer is always in Brazil, whatever the model holds.
  g.EscreverCampo(fcInteiro, "C14", "cPais", 4, 4, 0, 1058, "Código do País");
  g.EscreverCampo(fcTexto, "C15", "xPais", 1, 60, 0, end.xPais, "Nome do País");
  g.EscreverCampo(fcTexto, "C16", "fone", 6, 14, 0, SomenteNumeros(end.fone), "Telefone");
  g.EscreverGrupo("/enderEmit");
}

void TNFeW::GerarAvulsa() {
  TGerador& g = *fGerador;
  const TAvulsa& av = fNFe->Avulsa;
  if (Trim(av.CNPJ).empty()) return;
  g.EscreverGrupo("avulsa", "D01");
  g.EscreverCampo(fcTexto, "D02", "CNPJ", 14, 14, 1, av.CNPJ, "CNPJ(MF)");
  g.EscreverCampo(fcTexto, "D03", "xOrgao", 1, 60, 1, av.xOrgao, "Orgão emitente");
  g.EscreverCampo(fcTexto, "D04", "matr", 1, 60, 1, av.matr, "Matrícula do agente");
  g.EscreverCampo(fcTexto, "D05", "xAgente", 1, 60, 1, av.xAgente, "Nome do agente");
  g.EscreverCampo(fcTexto, "D06", "fone", 6, 14, 0, SomenteNumeros(av.fone), "Telefone");
  g.EscreverCampo(fcTexto, "D07", "UF", 2, 2, 1, av.UF, "Sigla da UF");
  AlertaUF("D07", "UF", "Sigla da UF", av.UF);
  g.EscreverCampo(fcTexto, "D08", "nDAR", 1, 60, 0, av.nDAR, "Número do Documento Arrecadação de Receita");
  g.EscreverCampo(fcData, "D09", "dEmi", 10, 10, 0, av.dEmi, "Data de emissão");
  g.EscreverCampo(fcDecimal2, "D10", "vDAR", 1, 15, 0, av.vDAR,
                  "Valor total constante no Documento de arrecadação de Receita");
  g.EscreverCampo(fcTexto, "D11", "repEmi", 1, 60, 1, av.repEmi, "Repartição Fiscal emitente");
  g.EscreverCampo(fcData, "D12", "dPag", 10, 10, 0, av.dPag, "Data de pagamento do Documento de Arrecadação");
  g.EscreverGrupo("/avulsa");
}

// ---- dest ----------------------------------------------------------------------------------

bool TNFeW::DestPresente() const {
  const TDest& d = fNFe->Dest;
  return !Trim(d.CNPJCPF).empty() || !d.idEstrangeiro.empty() || d.EnderDest.UF == "EX" || fNFe->Ide.modelo != 65;
}

void TNFeW::GerarDest() {
  TGerador& g = *fGerador;
  TDest& dest = fNFe->Dest;
  const int modelo = fNFe->Ide.modelo;
  g.EscreverGrupo("dest", "E01");
  const int cPais = dest.EnderDest.cPais;
  if (VersaoAoMenos(3) && (!dest.idEstrangeiro.empty() || (cPais != 0 && cPais != 1058)))
    g.EscreverCampo(fcTexto, "E03a", "idEstrangeiro", 0, 20, 1, dest.idEstrangeiro,
                    "Documento de Identificação do Estrangeiro");
  else
    g.EscreverCampoCNPJCPF("E02", "E03", dest.CNPJCPF, modelo == 55, true);
  const std::string xNome = fNFe->Ide.tpAmb == taHomologacao ? std::string(kDestNomeHomologacao) : dest.xNome;
  g.EscreverCampo(fcTexto, "E04", "xNome", 2, 60, modelo == 55 ? 1 : 0, xNome, "Razão Social ou Nome");

  // The recipient's IE is checked against the state actually written, none without an address.
  std::string ufDest;
  if (modelo == 55 || !Trim(dest.EnderDest.xLgr).empty()) {
    GerarDestEnderDest(ufDest);
    g.SetIDNivel("E01");
  }

  if (Versao310OuSuperior())
    g.EscreverCampo(fcTexto, "E16a", "indIEDest", 1, 1, 1, IndIEDestParaTexto(dest.indIEDest),
                    "Indicador da IE do Destinatário");
  else
    dest.indIEDest = indIEDest1;

  if (dest.indIEDest != indIEDest2 && (!dest.IE.empty() || VersaoAbaixo(3))) {
    if (dest.IE.empty() || dest.IE == kIsento)
      g.EscreverCampo(fcTexto, "E17", "IE", 0, 14, 1, dest.IE, "Inscrição Estadual");
    else if (!Trim(dest.IE).empty() || modelo != 65)
      g.EscreverCampo(fcTexto, "E17", "IE", 0, 14, 1, SomenteNumeros(dest.IE), "Inscrição Estadual");
    if (fOpcoes.ValidarInscricoes() && !dest.IE.empty() && dest.IE != kIsento && !ValidarIE(dest.IE, ufDest))
      g.RegistrarAlerta("E17", "IE", "Inscrição Estadual", kAlertaConteudoInvalido);
  }
  g.EscreverCampo(fcTexto, "E18", "ISUF", 8, 9, 0, dest.ISUF, "Inscrição na SUFRAMA");
  if (fOpcoes.ValidarInscricoes() && !dest.ISUF.empty() && !ValidarSUFRAMA(dest.ISUF))
    g.RegistrarAlerta("E18", "ISUF", "Inscrição na SUFRAMA", kAlertaConteudoInvalido);
  g.EscreverCampo(fcTexto, "E18a", "IM", 1, 15, 0, dest.IM, "Inscrição Municipal");
  g.EscreverCampo(fcTexto, "E19", "email", 1, 60, 0, dest.email, "Endereço de Email");
  g.EscreverGrupo("/dest");
}

void TNFeW::GerarDestEnderDest(std::string& ufNormalizada) {
  TGerador& g = *fGerador;
  const TenderDest& end = fNFe->Dest.EnderDest;
  int cMun = end.cMun;
  std::string xMun = end.xMun;
  ufNormalizada = end.UF;
  NormatizarMunicipio(cMun, xMun, ufNormalizada, end.cPais);
  g.EscreverGrupo("enderDest", "E05");
  g.EscreverCampo(fcTexto, "E06", "xLgr", 2, 60, 1, end.xLgr, "Logradouro");
  g.EscreverCampo(fcTexto, "E07", "nro", 1, 60, 1, AjustarNro(end.nro), "Número");
  g.EscreverCampo(fcTexto, "E08", "xCpl", 1, 60, 0, end.xCpl, "Complemento (Endereço)");
  g.EscreverCampo(fcTexto, "E09", "xBairro", 1, 60, 1, end.xBairro, "Bairro");
  g.EscreverCampo(fcInteiro, "E10", "cMun", 1, 7, 1, cMun, "Código do Município");
  AlertaMunicipio("E10", "cMun", "Código do Município", cMun);
  g.EscreverCampo(fcTexto, "E11", "xMun", 2, 60, 1, xMun, "Nome do Município");
  g.EscreverCampo(fcTexto, "E12", "UF", 2, 2, 1, ufNormalizada, "Sigla da UF");
  AlertaUF("E12", "UF", "Sigla da UF", ufNormalizada);
  g.EscreverCampo(fcInteiro, "E13", "CEP", 8, 8, 0, end.CEP, "CEP");
  g.EscreverCampo(fcInteiro, "E14", "cPais", 2, 4, 0, end.cPais, "Código do País");
  AlertaPais("E14", "cPais", "Código do País", end.cPais);
  g.EscreverCampo(fcTexto, "E15", "xPais", 2, 60, 0, end.xPais, "Nome do País");
  g.EscreverCampo(fcTexto, "E16", "fone", 6, 14, 0, SomenteNumeros(end.fone), "Telefone");
  g.EscreverGrupo("/enderDest");
}

// ---- retirada, entrega and autXML ----------------------------------------------------------

void TNFeW::GerarLocal(const TLocal& local, char letra, const std::string& grupo, bool normatizar) {
  if (Trim(local.xLgr).empty()) return;
  TGerador& g = *fGerador;
  auto id = [letra](const char* sufixo) { return std::string(1, letra) + sufixo; };
  int cMun = local.cMun;
  std::string xMun = local.xMun, uf = local.UF;
  // The place's own country decides (an absent code is Brazil, as in the layout), not the issuer's.
  if (normatizar) NormatizarMunicipio(cMun, xMun, uf, local.cPais > 0 ? local.cPais : 1058);

  g.EscreverGrupo(grupo, id("01"));
  g.EscreverCampoCNPJCPF(id("02"), id("02a"), local.CNPJCPF, true, false);
  g.EscreverCampo(fcTexto, id("02b"), "xNome", 2, 60, 0, local.xNome, "Razão Social ou Nome");
  g.EscreverCampo(fcTexto, id("03"), "xLgr", 2, 60, 1, local.xLgr, "Logradouro");
  g.EscreverCampo(fcTexto, id("04"), "nro", 1, 60, 1, AjustarNro(local.nro), "Número");
  g.EscreverCampo(fcTexto, id("05"), "xCpl", 1, 60, 0, local.xCpl, "Complemento (Endereço)");
  g.EscreverCampo(fcTexto, id("06"), "xBairro", 1, 60, 1, local.xBairro, "Bairro");
  g.EscreverCampo(fcInteiro, id("07"), "cMun", 1, 7, 1, cMun, "Código do Município");
  AlertaMunicipio(id("07"), "cMun", "Código do Município", cMun);
  g.EscreverCampo(fcTexto, id("08"), "xMun", 2, 60, 1, xMun, "Nome do Município");
  g.EscreverCampo(fcTexto, id("09"), "UF", 2, 2, 1, uf, "Sigla da UF");
  AlertaUF(id("09"), "UF", "Sigla da UF", uf);
  g.EscreverCampo(fcInteiro, id("10"), "CEP", 8, 8, 0, local.CEP, "CEP");
  g.EscreverCampo(fcInteiro, id("11"), "cPais", 2, 4, 0, local.cPais, "Código do País");
  AlertaPais(id("11"), "cPais", "Código do País", local.cPais);
  g.EscreverCampo(fcTexto, id("12"), "xPais", 2, 60, 0, local.xPais, "Nome do País");
  g.EscreverCampo(fcTexto, id("13"), "fone", 6, 14, 0, SomenteNumeros(local.fone), "Telefone");
  g.EscreverCampo(fcTexto, id("14"), "email", 1, 60, 0, local.email, "Endereço de Email");
  if (local.IE == kIsento)
    g.EscreverCampo(fcTexto, id("15"), "IE", 0, 14, 1, local.IE, "Inscrição Estadual");
  else
    g.EscreverCampo(fcTexto, id("15"), "IE", 2, 14, 0, SomenteNumeros(local.IE), "Inscrição Estadual");
  g.EscreverGrupo("/" + grupo);
}

void TNFeW::GerarAutXML() {
  TGerador& g = *fGerador;
  const TautXMLCollection& lista = fNFe->autXML;
  for (int i = 0; i < lista.Count(); ++i) {
    g.EscreverGrupo("autXML", "G50");
    g.EscreverCampoCNPJCPF("G51", "G52", lista[i].CNPJCPF, true, true);
    g.EscreverGrupo("/autXML");
  }
  AlertaOcorrencias("G50", "autXML", "", static_cast<std::size_t>(lista.Count()), 10);
}

}  // namespace tuim
