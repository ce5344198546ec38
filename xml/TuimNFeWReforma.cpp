// The writer's groups of the consumption-tax reform (IBS, CBS and IS) of the PL_010 schema
// packages. Each one writes nothing unless its group holds something in the model.
#include <algorithm>
#include <cstdio>
#include <iterator>

#include "fiscal/TuimUtil.h"
#include "fiscal/fscAuxiliar.h"
#include "xml/TuimNFeReforma.h"
#include "xml/TuimNFeW.h"

namespace tuim {

namespace {

const TCurrency kZero;
const char* const kAlertaUmGrupoSo = "Somente um dos grupos da escolha pode ser informado";

// An assessment period "AAAA-MM", from January 2025 on as the schema takes it.
bool AnoMesValido(const std::string& t) {
  if (t.size() != 7 || t[4] != '-') return false;
  for (std::size_t i : {0, 1, 2, 3, 5, 6})
    if (t[i] < '0' || t[i] > '9') return false;
  const int ano = std::stoi(t.substr(0, 4)), mes = std::stoi(t.substr(5, 2));
  return ano >= 2025 && mes >= 1 && mes <= 12;
}

// Access keys of the PL_010 types: six digits, twelve digits or capital letters (an
// alphanumeric CNPJ), 26 digits, with the right check digit.
bool ChaveDFeValida(const std::string& chave) {
  if (chave.size() != 44) return false;
  for (std::size_t i = 0; i < chave.size(); ++i) {
    char c = chave[i];
    bool ok = (c >= '0' && c <= '9') || (i >= 6 && i < 18 && c >= 'A' && c <= 'Z');
    if (!ok) return false;
  }
  int dv = -1;
  return DigitoChaveAcesso(chave.substr(0, 43), dv) && dv == chave[43] - '0';
}

bool Base64Valido(const std::string& t) {
  std::string bytes;
  return !t.empty() && DecodificarBase64(t, bytes);
}

// What the old package refuses, as the alert names it: a value of an element both packages
// have, the absence of the ICMS group, or else a whole element or group.
std::string NaoAceito(const std::string& nome) {
  static const char* const kValores[] = {"finNFe", "tpImp", "procEmi", "motDesICMS", "CST", "CNPJ"};
  if (nome == "ICMS") return "Item sem grupo ICMS ou ISSQN";
  for (const char* v : kValores)
    if (nome == v) return "Valor";
  return "Grupo";
}

}  // namespace

void TNFeW::EscreverAliquota(const std::string& id, const std::string& tag, TCurrency valor,
                             const std::string& descricao) {
  // Rates of the reform take two to four decimals and at most three integer digits.
  fGerador->EscreverCampo(fcDecimal4, id, tag, 1, 8, 1, valor, descricao);
}

void TNFeW::EscreverValor(const std::string& id, const std::string& tag, TCurrency valor,
                          const std::string& descricao) {
  fGerador->EscreverCampo(fcDecimal2, id, tag, 1, 15, 1, valor, descricao);
}

void TNFeW::LimitesQRCode(int& minimo, int& maximo) const {
  if (fOpcoes.PacoteSchemas() == psPL009V4) {
    minimo = 100;
    maximo = 600;
  } else {
    minimo = 60;
    maximo = 1000;
  }
}

void TNFeW::AlertaPacoteSchemas() {
  if (fOpcoes.PacoteSchemas() != psPL009V4) return;
  const std::string grupo = PrimeiroGrupoReforma(*fNFe);
  if (grupo.empty()) return;
  fGerador->RegistrarAlerta("A01", grupo, "Reforma Tributária",
                            NaoAceito(grupo) + " não aceito pelo pacote de schemas " +
                                PacoteSchemasParaTexto(psPL009V4) + " (use " + PacoteSchemasParaTexto(psPL010e) + ")");
}

void TNFeW::AlertaMensagensProtocolo() {
  const std::size_t n = fNFe->procNFe.Mensagens().size();
  const char* const desc = "Mensagem da SEFAZ para o emissor";
  AlertaOcorrencias("", "cMsg", desc, n, TProcNFe::kMaxMensagens);
  if (n > 1 && fOpcoes.PacoteSchemas() == psPL009V4)
    fGerador->RegistrarAlerta("", "cMsg", desc,
                              "Mais de uma mensagem do protocolo não aceita pelo pacote de schemas " +
                                  PacoteSchemasParaTexto(psPL009V4) + " (use " + PacoteSchemasParaTexto(psPL010e) +
                                  ")");
}

// ---- ide -----------------------------------------------------------------------------------

void TNFeW::GerarIdedPrevEntrega() {
  if (fNFe->Ide.dPrevEntrega == 0) return;
  fGerador->EscreverCampo(fcData, "B10b", "dPrevEntrega", 10, 10, 0, fNFe->Ide.dPrevEntrega,
                          "Data da previsão de entrega ou disponibilização do bem");
}

void TNFeW::GerarIdecMunFGIBS() {
  const int cMun = fNFe->Ide.cMunFGIBS;
  if (cMun == 0) return;
  fGerador->EscreverCampo(fcInteiro, "B12b", "cMunFGIBS", 7, 7, 0, cMun,
                          "Município de ocorrência do fato gerador do IBS / CBS");
  AlertaMunicipio("B12b", "cMunFGIBS", "Município de ocorrência do fato gerador do IBS / CBS", cMun);
}

void TNFeW::GerarIdeTpNFDebitoCredito() {
  TGerador& g = *fGerador;
  const TIde& ide = fNFe->Ide;
  const char* const descDebito = "Tipo de Nota de Débito";
  const char* const descCredito = "Tipo de Nota de Crédito";
  if (ide.tpNFDebito != tpNFDebitoVazio || ide.finNFe == finNFe6)
    g.EscreverCampo(fcTexto, "B25c", "tpNFDebito", 2, 2, ide.finNFe == finNFe6 ? 1 : 0,
                    TpNFDebitoParaTexto(ide.tpNFDebito), descDebito);
  if (ide.tpNFCredito != tpNFCreditoVazio || ide.finNFe == finNFe5)
    g.EscreverCampo(fcTexto, "B25d", "tpNFCredito", 2, 2, ide.finNFe == finNFe5 ? 1 : 0,
                    TpNFCreditoParaTexto(ide.tpNFCredito), descCredito);
  // Each type belongs to its own purpose: debit notes are purpose 6, credit notes 5.
  if (ide.tpNFDebito != tpNFDebitoVazio && ide.finNFe != finNFe6)
    g.RegistrarAlerta("B25c", "tpNFDebito", descDebito, kAlertaConteudoInvalido);
  if (ide.tpNFCredito != tpNFCreditoVazio && ide.finNFe != finNFe5)
    g.RegistrarAlerta("B25d", "tpNFCredito", descCredito, kAlertaConteudoInvalido);
}

void TNFeW::GerarIdecIndOp() {
  const std::string& c = fNFe->Ide.cIndOp;
  if (c.empty()) return;
  fGerador->EscreverCampo(fcDigitos, "B25e", "cIndOp", 6, 6, 0, c,
                          "Código indicador do local da operação de fornecimento");
}

void TNFeW::GerarListaChaves(const std::vector<std::string>& lista, const std::string& id, const std::string& tag,
                             const std::string& descricao, std::size_t maximo) {
  TGerador& g = *fGerador;
  for (const std::string& chave : lista) {
    g.EscreverCampo(fcTexto, id, tag, 44, 44, 1, chave, descricao);
    if (!ChaveDFeValida(chave)) g.RegistrarAlerta(id, tag, descricao, kAlertaConteudoInvalido);
  }
  AlertaOcorrencias(id, tag, descricao, lista.size(), maximo);
}

void TNFeW::GerarIdeCompraGov() {
  const TgCompraGov& c = fNFe->Ide.gCompraGov;
  if (!Presente(c)) return;
  TGerador& g = *fGerador;
  g.EscreverGrupo("gCompraGov", "B31");
  g.EscreverCampo(fcTexto, "B32", "tpEnteGov", 1, 1, 1, TpEnteGovParaTexto(c.tpEnteGov), "Tipo de ente governamental");
  EscreverAliquota("B33", "pRedutor", c.pRedutor, "Percentual de redução de aliquota em compra governamental");
  g.EscreverCampo(fcTexto, "B34", "tpOperGov", 1, 1, 1, TpOperGovParaTexto(c.tpOperGov),
                  "Tipo da operação com ente governamental");
  const char* const descRef = "Chave de acesso do documento fiscal anterior";
  std::vector<std::string> chaves;
  for (const TrefDFeAntCollectionItem& r : c.refDFeAnt) chaves.push_back(r.refDFeAnt);
  GerarListaChaves(chaves, "B35", "refDFeAnt", descRef, 99);
  // The earlier document is required for operations 2 and 3 and refused for the others.
  const bool exigeRef = c.tpOperGov == tpOperGov2 || c.tpOperGov == tpOperGov3;
  if (exigeRef && c.refDFeAnt.Empty()) g.RegistrarAlerta("B35", "refDFeAnt", descRef, kAlertaNenhumValor);
  if (!exigeRef && !c.refDFeAnt.Empty()) g.RegistrarAlerta("B35", "refDFeAnt", descRef, kAlertaConteudoInvalido);
  g.EscreverGrupo("/gCompraGov");
}

void TNFeW::GerarIdePagAntecipado() {
  const TgPagAntecipado& p = fNFe->Ide.gPagAntecipado;
  if (p.refNFe.Empty()) return;
  fGerador->EscreverGrupo("gPagAntecipado", "B36");
  std::vector<std::string> chaves;
  for (const TrefNFeCollectionItem& r : p.refNFe) chaves.push_back(r.refNFe);
  GerarListaChaves(chaves, "B37", "refNFe", "Chave de acesso da NF-e de antecipação de pagamento", 99);
  fGerador->EscreverGrupo("/gPagAntecipado");
}

// ---- emit and prod ---------------------------------------------------------------------------

void TNFeW::GerarEmitISUFEmit() {
  const std::string& isuf = fNFe->Emit.ISUFEmit;
  if (isuf.empty()) return;
  fGerador->EscreverCampo(fcDigitos, "C22", "ISUFEmit", 8, 9, 0, isuf, "Inscrição do emitente na Suframa");
}

void TNFeW::GerarDetProdTpCredPresIBSZFM(const TProd& prod) {
  if (prod.tpCredPresIBSZFM == tpCredPresIBSZFMVazio) return;
  fGerador->EscreverCampo(fcTexto, "I05k", "tpCredPresIBSZFM", 1, 1, 0, TpCredPresIBSZFMParaTexto(prod.tpCredPresIBSZFM),
                          "Classificação para subapuração do IBS na ZFM");
}

void TNFeW::GerarDetProdIndBemMovelUsado(const TProd& prod) {
  if (prod.indBemMovelUsado == indBemMovelUsadoVazio) return;
  fGerador->EscreverCampo(fcTexto, "I17c", "indBemMovelUsado", 1, 1, 0, IndBemMovelUsadoParaTexto(prod.indBemMovelUsado),
                          "Indicador de fornecimento de bem móvel usado");
}

// ---- ICMS: the PL_010 parts of ICMS20, ICMS90 and ICMSPart ---------------------------------

void TNFeW::AlertaMotDesICMS(const TICMS& icms, std::initializer_list<TfscMotDesICMS> aceitos) {
  if (icms.vICMSDeson == kZero) return;
  if (std::find(aceitos.begin(), aceitos.end(), icms.motDesICMS) == aceitos.end())
    fGerador->RegistrarAlerta("N28", "motDesICMS", "Motivo da desoneração do ICMS", kAlertaConteudoInvalido);
}

namespace {

// ICMS values that some groups have no place for: of ICMS90 without its base group, the FCP
// and the PL_010 benefit code, deferral and deferred FCP; of any group, the FCP forms it lacks.
struct TCampoICMS {
  const char* id;
  const char* tag;
  const char* descricao;
};
const TCampoICMS kcBenefRBC{"N14a", "cBenefRBC", "Código de Benefício Fiscal na UF aplicado ao item quando houver RBC"};
const TCampoICMS kvICMSOp{"N16a", "vICMSOp", "Valor do ICMS da Operação"};
const TCampoICMS kpDif{"N16b", "pDif", "Percentual do diferemento"};
const TCampoICMS kvICMSDif{"N16c", "vICMSDif", "Valor do ICMS diferido"};
const TCampoICMS kvBCFCP{"N17a", "vBCFCP", "Valor da Base de Cálculo do FCP"};
const TCampoICMS kpFCP{"N17b", "pFCP", "Percentual do ICMS relativo ao Fundo de Combate à Pobreza (FCP)"};
const TCampoICMS kvFCP{"N17c", "vFCP", "Valor do ICMS relativo ao Fundo de Combate à Pobreza (FCP)"};
const TCampoICMS kpFCPDif{"N17d", "pFCPDif",
                            "Percentual do diferimento do ICMS relativo ao Fundo de Combate à Pobreza (FCP)"};
const TCampoICMS kvFCPDif{"N17e", "vFCPDif", "Valor do ICMS relativo ao Fundo de Combate à Pobreza (FCP) diferido"};
const TCampoICMS kvFCPEfet{"N17f", "vFCPEfet", "Valor efetivo do ICMS relativo ao Fundo de Combate à Pobreza (FCP)"};

// The FCP elements in the bit order of fFCPEscritos.
struct TCampoFCP {
  TCampoICMS campo;
  TCurrency TICMS::*valor;
};
const TCampoFCP kCamposFCP[] = {
    {kvBCFCP, &TICMS::vBCFCP},
    {kpFCP, &TICMS::pFCP},
    {kvFCP, &TICMS::vFCP},
    {{"N23a", "vBCFCPST", "Valor da Base de Cálculo do FCP por Substituição Tributária"}, &TICMS::vBCFCPST},
    {{"N23b", "pFCPST", "Percentual do FCP retido por Substituição Tributária"}, &TICMS::pFCPST},
    {{"N23d", "vFCPST", "Valor do FCP retido por Substituição Tributária"}, &TICMS::vFCPST},
    {{"N27a", "vBCFCPSTRet", "Valor da Base de Cálculo do FCP retido anteriormente"}, &TICMS::vBCFCPSTRet},
    {{"N27b", "pFCPSTRet", "Percentual do FCP retido anteriormente por Substituição Tributária"}, &TICMS::pFCPSTRet},
    {{"N27d", "vFCPSTRet", "Valor do FCP retido anteriormente por Substituição Tributária"}, &TICMS::vFCPSTRet},
};

// As the document would show it: four decimals for a rate, two for an amount.
bool Dado(TCurrency v, bool taxa) { return (taxa ? v : v.Round(2)) != kZero; }

// The other ICMS values in the bit order of kSemLugar...
struct TCampoOutro {
  TCampoICMS campo;
  bool (*dado)(const TICMS&);
};
const TCampoOutro kCamposOutros[] = {
    {kcBenefRBC, [](const TICMS& i) { return !i.cBenefRBC.empty(); }},
    {kvICMSOp, [](const TICMS& i) { return Dado(i.vICMSOp, false); }},
    {kpDif, [](const TICMS& i) { return Dado(i.pDif, true); }},
    {kvICMSDif, [](const TICMS& i) { return Dado(i.vICMSDif, false); }},
    {kpFCPDif, [](const TICMS& i) { return Dado(i.pFCPDif, true); }},
    {kvFCPDif, [](const TICMS& i) { return Dado(i.vFCPDif, false); }},
    {kvFCPEfet, [](const TICMS& i) { return Dado(i.vFCPEfet, false); }},
    {{"N25", "pBCOp", "Percentual da BC operação própria"}, [](const TICMS& i) { return Dado(i.pBCOp, true); }},
    {{"N24", "UFST", "UF para qual é devido o ICMS ST"}, [](const TICMS& i) { return !i.UFST.empty(); }},
};

const char* const kAlertaSemBaseICMS90 =
    "Valor não gerado: sem o grupo da base de cálculo (vBC, vICMS) o ICMS90 não tem lugar para ele";

}  // namespace

void TNFeW::GerarICMScBenefRBC(const TICMS& icms) {
  const std::string& c = icms.cBenefRBC;
  if (c.empty()) return;
  const TCampoICMS& f = kcBenefRBC;
  fGerador->EscreverCampo(fcTexto, f.id, f.tag, 8, 10, 0, c, f.descricao);
  // Eight or ten characters, nine is neither.
  if (c.size() == 9) fGerador->RegistrarAlerta(f.id, f.tag, f.descricao, kAlertaConteudoInvalido);
}

void TNFeW::GerarICMS90Diferimento(const TICMS& icms) {
  if (icms.vICMSOp == kZero && icms.pDif == kZero && icms.vICMSDif == kZero) return;
  TGerador& g = *fGerador;
  g.EscreverCampo(fcDecimal2, kvICMSOp.id, kvICMSOp.tag, 1, 15, 1, icms.vICMSOp, kvICMSOp.descricao);
  EscreverTaxa(kpDif.id, kpDif.tag, 1, icms.pDif, kpDif.descricao);
  if (icms.pDif > TCurrency(100)) g.RegistrarAlerta(kpDif.id, kpDif.tag, kpDif.descricao, kAlertaConteudoInvalido);
  g.EscreverCampo(fcDecimal2, kvICMSDif.id, kvICMSDif.tag, 1, 15, 1, icms.vICMSDif, kvICMSDif.descricao);
}

void TNFeW::GerarICMSFCPDiferido(const TICMS& icms) {
  if (icms.pFCPDif == kZero && icms.vFCPDif == kZero && icms.vFCPEfet == kZero) return;
  TGerador& g = *fGerador;
  EscreverTaxa(kpFCPDif.id, kpFCPDif.tag, 1, icms.pFCPDif, kpFCPDif.descricao);
  g.EscreverCampo(fcDecimal2, kvFCPDif.id, kvFCPDif.tag, 1, 15, 1, icms.vFCPDif, kvFCPDif.descricao);
  g.EscreverCampo(fcDecimal2, kvFCPEfet.id, kvFCPEfet.tag, 1, 15, 0, icms.vFCPEfet, kvFCPEfet.descricao);
}

void TNFeW::AlertaICMS90SemBase(const TICMS& icms) {
  AlertaICMSSemLugar(icms, kSemLugarBeneficio | kSemLugarDiferimento, kAlertaSemBaseICMS90);
  // Before layout 4.00 there is no FCP anywhere: the group's last step says so.
  if (VersaoAoMenos(4)) AlertaFCPSemLugar(icms, kFCP, kAlertaSemBaseICMS90);
  AlertaICMSSemLugar(icms, kSemLugarFCPDiferido, kAlertaSemBaseICMS90);
}

void TNFeW::AlertaICMSSemLugar(const TICMS& icms, unsigned campos, const std::string& motivo) {
  for (std::size_t i = 0; i < std::size(kCamposOutros); ++i) {
    const TCampoICMS& f = kCamposOutros[i].campo;
    if ((campos & (1u << i)) && kCamposOutros[i].dado(icms))
      fGerador->RegistrarAlerta(f.id, f.tag, f.descricao, motivo);
  }
}

// Only ICMSPart has the sharing fields, and only ICMS51 and ICMS90 the benefit code, deferral and
// deferred FCP (their own steps alert what they cannot write); any other group has no place.
void TNFeW::AlertaICMSSemLugar(const TICMS& icms, const std::string& grupo) {
  unsigned campos = 0;
  if (grupo != "ICMSPart") campos |= kSemLugarPartilha;
  if (grupo != "ICMS51" && grupo != "ICMS90") campos |= kSemLugarReforma90;
  AlertaICMSSemLugar(icms, campos, "Valor não gerado: o grupo " + grupo + " não tem lugar para ele");
}

std::string TNFeW::MotivoLeiauteSemLugar() const {
  return "Valor não gerado: o leiaute " + VersaoTexto() + " não tem lugar para ele";
}

void TNFeW::AlertaFCPSemLugar(const TICMS& icms, unsigned campos, const std::string& motivo) {
  for (std::size_t i = 0; i < std::size(kCamposFCP); ++i) {
    const unsigned bit = 1u << i;
    if (!(campos & bit) || (fFCPEscritos & bit)) continue;
    const TCampoICMS& f = kCamposFCP[i].campo;
    if (Dado(icms.*kCamposFCP[i].valor, f.tag[0] == 'p')) fGerador->RegistrarAlerta(f.id, f.tag, f.descricao, motivo);
    fFCPEscritos |= bit;
  }
}

void TNFeW::AlertaFCPSemLugar(const TICMS& icms, const std::string& grupo) {
  // Before layout 4.00 there is no FCP anywhere (but the retained one of ICMSST, written already).
  AlertaFCPSemLugar(icms, kFCP | kFCPST | kFCPSTRet,
                    VersaoAbaixo(4) ? MotivoLeiauteSemLugar()
                                    : "Valor não gerado: o grupo " + grupo + " não tem lugar para ele");
}

void TNFeW::GerarICMSPartDesoneracao(const TICMS& icms) {
  GerarICMSBlocoDesoneracao(icms, false);
  AlertaMotDesICMS(icms, {motDesICMS9, motDesICMS10, motDesICMS11});
}

// ---- infPAA --------------------------------------------------------------------------------

void TNFeW::GerarInfPAA() {
  const TinfPAA& p = fNFe->infPAA;
  TGerador& g = *fGerador;
  const bool presente = Presente(p);
  // The provider's group and the emission process 4 go together.
  if (presente != (fNFe->Ide.procEmi == procEmi4))
    g.RegistrarAlerta("ZY01", "infPAA", "Grupo de Informação do Provedor de Assinatura e Autorização",
                      presente ? kAlertaConteudoInvalido : kAlertaNenhumValor);
  if (!presente) return;
  g.EscreverGrupo("infPAA", "ZY01");
  const bool alfanumerico = std::any_of(p.CNPJPAA.begin(), p.CNPJPAA.end(), [](char c) { return c >= 'A' && c <= 'Z'; });
  g.EscreverCampo(alfanumerico ? fcTexto : fcDigitos, "ZY02", "CNPJPAA", 14, 14, 1, p.CNPJPAA,
                  "CNPJ do Provedor de Assinatura e Autorização");
  if (!ValidarCNPJ(p.CNPJPAA))
    g.RegistrarAlerta("ZY02", "CNPJPAA", "CNPJ do Provedor de Assinatura e Autorização", kAlertaConteudoInvalido);
  g.EscreverGrupo("PAASignature", "ZY03");
  struct TBase64 {
    const char* id;
    const char* tag;
    const std::string& valor;
    const char* descricao;
  };
  auto escrever = [&](const TBase64& c) {
    g.EscreverCampo(fcTexto, c.id, c.tag, 1, -1, 1, c.valor, c.descricao);  // no upper limit
    if (!c.valor.empty() && !Base64Valido(c.valor)) g.RegistrarAlerta(c.id, c.tag, c.descricao, kAlertaConteudoInvalido);
  };
  escrever({"ZY04", "SignatureValue", p.PAASignature.SignatureValue, "Assinatura digital padrão RSA"});
  g.EscreverGrupo("RSAKeyValue", "ZY05");
  escrever({"ZY06", "Modulus", p.PAASignature.RSAKeyValue.Modulus, "Módulo da chave pública RSA"});
  escrever({"ZY07", "Exponent", p.PAASignature.RSAKeyValue.Exponent, "Expoente da chave pública RSA"});
  g.EscreverGrupo("/RSAKeyValue");
  g.EscreverGrupo("/PAASignature");
  g.EscreverGrupo("/infPAA");
}

// ---- imposto/IS ----------------------------------------------------------------------------

void TNFeW::GerarDetImpostoIS(const TIS& is) {
  if (!Presente(is)) return;
  TGerador& g = *fGerador;
  g.EscreverGrupo("IS", "UB01");
  g.EscreverCampo(fcDigitos, "UB02", "CSTIS", 3, 3, 1, is.CSTIS, "Código Situação Tributária do Imposto Seletivo");
  g.EscreverCampo(fcDigitos, "UB03", "cClassTribIS", 6, 6, 1, is.cClassTribIS,
                  "Código de Classificação Tributária do Imposto Seletivo");
  if (is.vBCIS != kZero || is.pIS != kZero || is.vIS != kZero || is.qTrib != kZero || !is.uTrib.empty()) {
    EscreverValor("UB05", "vBCIS", is.vBCIS, "Valor do BC");
    EscreverAliquota("UB06", "pIS", is.pIS, "Alíquota do Imposto Seletivo (percentual)");
    if (is.adRemIS != kZero)
      EscreverAliquota("UB07", "adRemIS", is.adRemIS, "Alíquota do Imposto Seletivo (por valor)");
    if (!is.uTrib.empty() || is.qTrib != kZero) {
      g.EscreverCampo(fcTexto, "UB09", "uTrib", 1, 6, 1, is.uTrib, "Unidade de medida do Imposto Seletivo");
      g.EscreverCampo(fcDecimal4, "UB10", "qTrib", 1, 16, 1, is.qTrib, "Quantidade com base no campo uTrib informado");
      // The quantity of the selective tax may not be zero.
      if (is.qTrib == kZero)
        g.RegistrarAlerta("UB10", "qTrib", "Quantidade com base no campo uTrib informado", kAlertaNenhumValor);
    }
    EscreverValor("UB11", "vIS", is.vIS, "Valor do Imposto Seletivo calculado");
  }
  g.EscreverGrupo("/IS");
}

// ---- imposto/IBSCBS ------------------------------------------------------------------------

void TNFeW::GerarDetImpostoIBSCBS(const TIBSCBS& t) {
  if (!Presente(t)) return;
  TGerador& g = *fGerador;
  g.EscreverGrupo("IBSCBS", "UB12");
  g.EscreverCampo(fcDigitos, "UB13", "CST", 3, 3, 1, t.CST, "Código Situação Tributária do IBS/CBS");
  g.EscreverCampo(fcDigitos, "UB14", "cClassTrib", 6, 6, 1, t.cClassTrib,
                  "Código de Classificação Tributária do IBS/CBS");
  if (t.indDoacao != indDoacaoVazio)
    g.EscreverCampo(fcTexto, "UB14a", "indDoacao", 1, 1, 0, IndDoacaoParaTexto(t.indDoacao),
                    "Indica se a operação é de doação");

  // One group of the choice goes out, the first given in the layout's order; more than one given
  // is an alert, since the schema takes one only.
  const bool escolha[] = {Presente(t.gIBSCBS), Presente(t.gIBSCBSMono), Presente(t.gTransfCred),
                          Presente(t.gAjusteCompet)};
  int quantos = 0;
  for (bool b : escolha) quantos += b ? 1 : 0;
  if (quantos > 1) g.RegistrarAlerta("UB12", "IBSCBS", "gIBSCBS, gIBSCBSMono, gTransfCred ou gAjusteCompet", kAlertaUmGrupoSo);
  if (escolha[0]) {
    GerarIBSCBSgIBSCBS(t.gIBSCBS);
  } else if (escolha[1]) {
    GerarIBSCBSgIBSCBSMono(t.gIBSCBSMono);
  } else if (escolha[2]) {
    g.EscreverGrupo("gTransfCred", "UB106");
    EscreverValor("UB107", "vIBS", t.gTransfCred.vIBS, "Valor do IBS a ser transferido");
    EscreverValor("UB108", "vCBS", t.gTransfCred.vCBS, "Valor da CBS a ser transferida");
    g.EscreverGrupo("/gTransfCred");
  } else if (escolha[3]) {
    const TgAjusteCompet& a = t.gAjusteCompet;
    g.EscreverGrupo("gAjusteCompet", "UB112");
    g.EscreverCampo(fcTexto, "UB113", "competApur", 7, 7, 1, a.competApur,
                    "Ano e mês referência do período de apuração (AAAA-MM)");
    if (!a.competApur.empty() && !AnoMesValido(a.competApur))
      g.RegistrarAlerta("UB113", "competApur", "Ano e mês referência do período de apuração (AAAA-MM)",
                        kAlertaConteudoInvalido);
    EscreverValor("UB114", "vIBS", a.vIBS, "Valor do IBS");
    EscreverValor("UB115", "vCBS", a.vCBS, "Valor da CBS");
    g.EscreverGrupo("/gAjusteCompet");
  }

  if (Presente(t.gEstornoCred)) {
    g.EscreverGrupo("gEstornoCred", "UB116");
    EscreverValor("UB117", "vIBSEstCred", t.gEstornoCred.vIBSEstCred, "Valor do IBS a ser estornado");
    EscreverValor("UB118", "vCBSEstCred", t.gEstornoCred.vCBSEstCred, "Valor da CBS a ser estornada");
    g.EscreverGrupo("/gEstornoCred");
  }

  const bool credOper = Presente(t.gCredPresOper), credZFM = Presente(t.gCredPresIBSZFM);
  if (credOper && credZFM)
    g.RegistrarAlerta("UB12", "IBSCBS", "gCredPresOper ou gCredPresIBSZFM", kAlertaUmGrupoSo);
  if (credOper) {
    const TgCredPresOper& c = t.gCredPresOper;
    g.EscreverGrupo("gCredPresOper", "UB120");
    EscreverValor("UB121", "vBCCredPres", c.vBCCredPres, "Valor da Base de Cálculo do Crédito Presumido da Operação");
    g.EscreverCampo(fcDigitos, "UB122", "cCredPres", 2, 2, 1, c.cCredPres,
                    "Código de Classificação do Crédito Presumido do IBS e da CBS");
    GerarIBSCBSgCredPres("gIBSCredPres", c.gIBSCredPres, "UB123");
    GerarIBSCBSgCredPres("gCBSCredPres", c.gCBSCredPres, "UB127");
    g.EscreverGrupo("/gCredPresOper");
  } else if (credZFM) {
    const TgCredPresIBSZFM& z = t.gCredPresIBSZFM;
    g.EscreverGrupo("gCredPresIBSZFM", "UB131");
    g.EscreverCampo(fcTexto, "UB132", "competApur", 7, 7, 1, z.competApur,
                    "Ano e mês referência do período de apuração (AAAA-MM)");
    if (!z.competApur.empty() && !AnoMesValido(z.competApur))
      g.RegistrarAlerta("UB132", "competApur", "Ano e mês referência do período de apuração (AAAA-MM)",
                        kAlertaConteudoInvalido);
    g.EscreverCampo(fcTexto, "UB133", "tpCredPresIBSZFM", 1, 1, 1, TpCredPresIBSZFMParaTexto(z.tpCredPresIBSZFM),
                    "Classificação para o cálculo do crédito presumido na ZFM");
    EscreverValor("UB134", "vCredPresIBSZFM", z.vCredPresIBSZFM,
                  "Valor do crédito presumido calculado sobre o saldo devedor apurado");
    g.EscreverGrupo("/gCredPresIBSZFM");
  }
  g.EscreverGrupo("/IBSCBS");
}

void TNFeW::GerarIBSCBSRedutores(const TgDif& dif, const TgDevTrib& dev, const TgRed& red, const std::string& id) {
  TGerador& g = *fGerador;
  if (Presente(dif)) {
    g.EscreverGrupo("gDif", id + "a");
    EscreverAliquota(id + "b", "pDif", dif.pDif, "Percentual do diferimento");
    EscreverValor(id + "c", "vDif", dif.vDif, "Valor do Diferimento");
    g.EscreverGrupo("/gDif");
  }
  if (Presente(dev)) {
    g.EscreverGrupo("gDevTrib", id + "d");
    if (dev.pDevTrib != kZero)
      EscreverAliquota(id + "e", "pDevTrib", dev.pDevTrib, "Percentual de devolução do tributo");
    EscreverValor(id + "f", "vDevTrib", dev.vDevTrib, "Valor do tributo devolvido");
    g.EscreverGrupo("/gDevTrib");
  }
  if (Presente(red)) {
    g.EscreverGrupo("gRed", id + "g");
    EscreverAliquota(id + "h", "pRedAliq", red.pRedAliq, "Percentual de redução de aliquota do cClassTrib");
    EscreverAliquota(id + "i", "pAliqEfet", red.pAliqEfet, "Aliquota Efetiva que será aplicada a Base de Calculo");
    g.EscreverGrupo("/gRed");
  }
}

void TNFeW::GerarIBSCBSgIBSCBS(const TgIBSCBS& b) {
  TGerador& g = *fGerador;
  g.EscreverGrupo("gIBSCBS", "UB15");
  EscreverValor("UB16", "vBC", b.vBC, "Valor do BC");

  g.EscreverGrupo("gIBSUF", "UB17");
  EscreverAliquota("UB18", "pIBSUF", b.gIBSUF.pIBSUF, "Aliquota do IBS de competência das UF (em percentual)");
  GerarIBSCBSRedutores(b.gIBSUF.gDif, b.gIBSUF.gDevTrib, b.gIBSUF.gRed, "UB20");
  EscreverValor("UB35", "vIBSUF", b.gIBSUF.vIBSUF, "Valor do IBS de competência das UF");
  g.EscreverGrupo("/gIBSUF");

  g.EscreverGrupo("gIBSMun", "UB36");
  EscreverAliquota("UB37", "pIBSMun", b.gIBSMun.pIBSMun, "Aliquota do IBS Municipal (em percentual)");
  GerarIBSCBSRedutores(b.gIBSMun.gDif, b.gIBSMun.gDevTrib, b.gIBSMun.gRed, "UB40");
  EscreverValor("UB54", "vIBSMun", b.gIBSMun.vIBSMun, "Valor do IBS Municipal");
  g.EscreverGrupo("/gIBSMun");

  EscreverValor("UB55", "vIBS", b.vIBS, "Valor do IBS");

  g.EscreverGrupo("gCBS", "UB56");
  EscreverAliquota("UB57", "pCBS", b.gCBS.pCBS, "Aliquota da CBS (em percentual)");
  GerarIBSCBSRedutores(b.gCBS.gDif, b.gCBS.gDevTrib, b.gCBS.gRed, "UB60");
  if (Presente(b.gCBS.gALCZFMCBS)) {
    const TgALCZFMCBS& z = b.gCBS.gALCZFMCBS;
    g.EscreverGrupo("gALCZFMCBS", "UB66");
    g.EscreverCampo(fcTexto, "UB66a", "tpALCZFMCBS", 1, 1, 1, TpALCZFMCBSParaTexto(z.tpALCZFMCBS),
                    "Tipo de aplicação da alíquota zero da CBS");
    g.EscreverCampo(fcTexto, "UB66b", "nProcSuframa", 8, 12, 0, z.nProcSuframa,
                    "Número do processo na Suframa para o item comercializado");
    EscreverAliquota("UB66c", "pAliqEfetRegCBS", z.pAliqEfetRegCBS, "Alíquota da CBS");
    EscreverValor("UB66d", "vTribRegCBS", z.vTribRegCBS, "Valor da CBS");
    g.EscreverGrupo("/gALCZFMCBS");
  }
  EscreverValor("UB67", "vCBS", b.gCBS.vCBS, "Valor da CBS");
  g.EscreverGrupo("/gCBS");

  if (Presente(b.gTribRegular)) {
    const TgTribRegular& r = b.gTribRegular;
    g.EscreverGrupo("gTribRegular", "UB68");
    g.EscreverCampo(fcDigitos, "UB69", "CSTReg", 3, 3, 1, r.CSTReg, "Código da Situação Tributária do IBS e CBS");
    g.EscreverCampo(fcDigitos, "UB70", "cClassTribReg", 6, 6, 1, r.cClassTribReg,
                    "Código de Classificação Tributária caso não cumprida a condição");
    EscreverAliquota("UB71", "pAliqEfetRegIBSUF", r.pAliqEfetRegIBSUF, "Alíquota do IBS da UF");
    EscreverValor("UB72", "vTribRegIBSUF", r.vTribRegIBSUF, "Valor do IBS da UF");
    EscreverAliquota("UB73", "pAliqEfetRegIBSMun", r.pAliqEfetRegIBSMun, "Alíquota do IBS do Município");
    EscreverValor("UB74", "vTribRegIBSMun", r.vTribRegIBSMun, "Valor do IBS do Município");
    EscreverAliquota("UB75", "pAliqEfetRegCBS", r.pAliqEfetRegCBS, "Alíquota da CBS");
    EscreverValor("UB76", "vTribRegCBS", r.vTribRegCBS, "Valor da CBS");
    g.EscreverGrupo("/gTribRegular");
  }
  if (Presente(b.gTribCompraGov)) {
    const TgTribCompraGov& c = b.gTribCompraGov;
    g.EscreverGrupo("gTribCompraGov", "UB82a");
    EscreverAliquota("UB82b", "pAliqIBSUF", c.pAliqIBSUF, "Alíquota do IBS da UF");
    EscreverValor("UB82c", "vTribIBSUF", c.vTribIBSUF, "Valor que seria devido a UF");
    EscreverAliquota("UB82d", "pAliqIBSMun", c.pAliqIBSMun, "Alíquota do IBS do Município");
    EscreverValor("UB82e", "vTribIBSMun", c.vTribIBSMun, "Valor que seria devido ao município");
    EscreverAliquota("UB82f", "pAliqCBS", c.pAliqCBS, "Alíquota da CBS");
    EscreverValor("UB82g", "vTribCBS", c.vTribCBS, "Valor que seria devido a CBS");
    g.EscreverGrupo("/gTribCompraGov");
    // The composition of a government purchase belongs to a document that declares one.
    if (!Presente(fNFe->Ide.gCompraGov))
      g.RegistrarAlerta("UB82a", "gTribCompraGov", "Grupo de Compras Governamentais", kAlertaNenhumValor);
  }
  g.EscreverGrupo("/gIBSCBS");
}

void TNFeW::GerarIBSCBSgIBSCBSMono(const TgIBSCBSMono& m) {
  TGerador& g = *fGerador;
  g.EscreverGrupo("gIBSCBSMono", "UB84");
  if (Presente(m.gMonoPadrao)) {
    const TgMonoPadrao& p = m.gMonoPadrao;
    g.EscreverGrupo("gMonoPadrao", "UB84a");
    g.EscreverCampo(fcDecimal4, "UB85", "qBCMono", 1, 16, 1, p.qBCMono, "Quantidade tributada na monofasia");
    EscreverAliquota("UB86", "adRemIBS", p.adRemIBS, "Alíquota ad rem do IBS");
    EscreverAliquota("UB87", "adRemCBS", p.adRemCBS, "Alíquota ad rem da CBS");
    EscreverValor("UB88", "vIBSMono", p.vIBSMono, "Valor do IBS monofásico");
    EscreverValor("UB89", "vCBSMono", p.vCBSMono, "Valor da CBS monofásica");
    g.EscreverGrupo("/gMonoPadrao");
  }
  if (Presente(m.gMonoReten)) {
    const TgMonoReten& r = m.gMonoReten;
    g.EscreverGrupo("gMonoReten", "UB90");
    g.EscreverCampo(fcDecimal4, "UB91", "qBCMonoReten", 1, 16, 1, r.qBCMonoReten,
                    "Quantidade tributada sujeita a retenção");
    EscreverAliquota("UB92", "adRemIBSReten", r.adRemIBSReten, "Alíquota ad rem do IBS sujeito a retenção");
    EscreverValor("UB93", "vIBSMonoReten", r.vIBSMonoReten, "Valor do IBS monofásico sujeito a retenção");
    EscreverAliquota("UB93a", "adRemCBSReten", r.adRemCBSReten, "Alíquota ad rem da CBS sujeita a retenção");
    EscreverValor("UB93b", "vCBSMonoReten", r.vCBSMonoReten, "Valor da CBS monofásica sujeita a retenção");
    g.EscreverGrupo("/gMonoReten");
  }
  if (Presente(m.gMonoRet)) {
    const TgMonoRet& r = m.gMonoRet;
    g.EscreverGrupo("gMonoRet", "UB94");
    g.EscreverCampo(fcDecimal4, "UB95", "qBCMonoRet", 1, 16, 1, r.qBCMonoRet,
                    "Quantidade tributada retida anteriormente");
    EscreverAliquota("UB96", "adRemIBSRet", r.adRemIBSRet, "Alíquota ad rem do IBS retido anteriormente");
    EscreverValor("UB97", "vIBSMonoRet", r.vIBSMonoRet, "Valor do IBS retido anteriormente");
    EscreverAliquota("UB97a", "adRemCBSRet", r.adRemCBSRet, "Alíquota ad rem da CBS retida anteriormente");
    EscreverValor("UB97b", "vCBSMonoRet", r.vCBSMonoRet, "Valor da CBS retida anteriormente");
    g.EscreverGrupo("/gMonoRet");
  }
  if (Presente(m.gMonoDif)) {
    const TgMonoDif& d = m.gMonoDif;
    g.EscreverGrupo("gMonoDif", "UB98");
    EscreverAliquota("UB99", "pDifIBS", d.pDifIBS, "Percentual do diferimento do imposto monofásico");
    EscreverValor("UB100", "vIBSMonoDif", d.vIBSMonoDif, "Valor do IBS monofásico diferido");
    EscreverAliquota("UB101", "pDifCBS", d.pDifCBS, "Percentual do diferimento do imposto monofásico");
    EscreverValor("UB102", "vCBSMonoDif", d.vCBSMonoDif, "Valor da CBS monofásica diferida");
    g.EscreverGrupo("/gMonoDif");
  }
  EscreverValor("UB103", "vTotIBSMonoItem", m.vTotIBSMonoItem, "Total de IBS monofásico do item");
  EscreverValor("UB104", "vTotCBSMonoItem", m.vTotCBSMonoItem, "Total da CBS monofásica do item");
  g.EscreverGrupo("/gIBSCBSMono");
}

void TNFeW::GerarIBSCBSgCredPres(const std::string& grupo, const TgCredPres& c, const std::string& id) {
  if (!Presente(c)) return;
  TGerador& g = *fGerador;
  g.EscreverGrupo(grupo, id);
  EscreverAliquota(id + "a", "pCredPres", c.pCredPres, "Percentual do Crédito Presumido");
  // One of the two values: the suspended-condition one when it is given.
  if (c.vCredPresCondSus != kZero)
    EscreverValor(id + "c", "vCredPresCondSus", c.vCredPresCondSus, "Valor do Crédito Presumido em condição suspensiva");
  else
    EscreverValor(id + "b", "vCredPres", c.vCredPres, "Valor do Crédito Presumido");
  if (c.vCredPresCondSus != kZero && c.vCredPres != kZero)
    g.RegistrarAlerta(id, grupo, "vCredPres ou vCredPresCondSus", kAlertaUmGrupoSo);
  g.EscreverGrupo("/" + grupo);
}

// ---- det -----------------------------------------------------------------------------------

void TNFeW::GerarDetVItemDFeReferenciado(const TDetCollectionItem& item) {
  TGerador& g = *fGerador;
  if (item.vItem != kZero)
    g.EscreverCampo(fcDecimal2, "VB01", "vItem", 1, 15, 0, item.vItem, "Valor total do Item");
  const TDFeReferenciado& ref = item.DFeReferenciado;
  if (ref.chaveAcesso.empty()) return;
  g.EscreverGrupo("DFeReferenciado", "VC01");
  g.EscreverCampo(fcTexto, "VC02", "chaveAcesso", 44, 44, 1, ref.chaveAcesso, "Chave de Acesso do DFe referenciado");
  if (!ChaveDFeValida(ref.chaveAcesso))
    g.RegistrarAlerta("VC02", "chaveAcesso", "Chave de Acesso do DFe referenciado", kAlertaConteudoInvalido);
  if (ref.nItem != 0) {
    g.EscreverCampo(fcInteiro, "VC03", "nItem", 1, 3, 0, ref.nItem, "Número do item do documento referenciado");
    if (ref.nItem < 1 || ref.nItem > 990)
      g.RegistrarAlerta("VC03", "nItem", "Número do item do documento referenciado", kAlertaConteudoInvalido);
  }
  g.EscreverGrupo("/DFeReferenciado");
}

// ---- total ---------------------------------------------------------------------------------

void TNFeW::GerarTotalISTot() {
  bool itens = false;
  for (const TDetCollectionItem& item : fNFe->Det) itens = itens || Presente(item.Imposto.IS);
  const TISTot& t = fNFe->Total.ISTot;
  if (!itens && t.vIS == kZero) return;
  fGerador->EscreverGrupo("ISTot", "W31");
  EscreverValor("W32", "vIS", t.vIS, "Valor Total do Imposto Seletivo");
  fGerador->EscreverGrupo("/ISTot");
}

void TNFeW::GerarTotalIBSCBSTot() {
  bool ibscbs = false, gIBSCBS = false, mono = false, estorno = false, credPres = false;
  for (const TDetCollectionItem& item : fNFe->Det) {
    const TIBSCBS& ib = item.Imposto.IBSCBS;
    if (!Presente(ib)) continue;
    ibscbs = true;
    gIBSCBS = gIBSCBS || Presente(ib.gIBSCBS);
    mono = mono || Presente(ib.gIBSCBSMono);
    estorno = estorno || Presente(ib.gEstornoCred);
    credPres = credPres || Presente(ib.gCredPresOper);
  }
  const TIBSCBSTot& t = fNFe->Total.IBSCBSTot;
  if (!ibscbs && !Presente(t)) return;
  TGerador& g = *fGerador;
  g.EscreverGrupo("IBSCBSTot", "W34");
  EscreverValor("W35", "vBCIBSCBS", t.vBCIBSCBS, "Valor total da BC do IBS e da CBS");
  if (gIBSCBS || credPres || Presente(t.gIBS)) {
    g.EscreverGrupo("gIBS", "W36");
    g.EscreverGrupo("gIBSUF", "W37");
    EscreverValor("W38", "vDif", t.gIBS.gIBSUF.vDif, "Total do Diferimento");
    EscreverValor("W39", "vDevTrib", t.gIBS.gIBSUF.vDevTrib, "Total de devoluções de tributos");
    EscreverValor("W40", "vIBSUF", t.gIBS.gIBSUF.vIBSUF, "Valor total do IBS Estadual");
    g.EscreverGrupo("/gIBSUF");
    g.EscreverGrupo("gIBSMun", "W41");
    EscreverValor("W42", "vDif", t.gIBS.gIBSMun.vDif, "Total do Diferimento");
    EscreverValor("W43", "vDevTrib", t.gIBS.gIBSMun.vDevTrib, "Total de devoluções de tributos");
    EscreverValor("W44", "vIBSMun", t.gIBS.gIBSMun.vIBSMun, "Valor total do IBS Municipal");
    g.EscreverGrupo("/gIBSMun");
    EscreverValor("W45", "vIBS", t.gIBS.vIBS, "Valor total do IBS");
    EscreverValor("W46", "vCredPres", t.gIBS.vCredPres, "Total do Crédito Presumido");
    EscreverValor("W47", "vCredPresCondSus", t.gIBS.vCredPresCondSus, "Total do Crédito Presumido Condição Suspensiva");
    g.EscreverGrupo("/gIBS");
  }
  if (gIBSCBS || credPres || Presente(t.gCBS)) {
    g.EscreverGrupo("gCBS", "W50");
    EscreverValor("W51", "vDif", t.gCBS.vDif, "Total do Diferimento");
    EscreverValor("W52", "vDevTrib", t.gCBS.vDevTrib, "Total de devoluções de tributos");
    EscreverValor("W53", "vCBS", t.gCBS.vCBS, "Valor total da CBS");
    EscreverValor("W54", "vCredPres", t.gCBS.vCredPres, "Total do Crédito Presumido");
    EscreverValor("W55", "vCredPresCondSus", t.gCBS.vCredPresCondSus, "Total do Crédito Presumido Condição Suspensiva");
    g.EscreverGrupo("/gCBS");
  }
  if (mono || Presente(t.gMono)) {
    const TgMonoTot& m = t.gMono;
    g.EscreverGrupo("gMono", "W56");
    EscreverValor("W57", "vIBSMono", m.vIBSMono, "Valor total do IBS monofásico");
    EscreverValor("W58", "vCBSMono", m.vCBSMono, "Valor total da CBS monofásica");
    EscreverValor("W59", "vIBSMonoReten", m.vIBSMonoReten, "Valor total do IBS monofásico sujeito a retenção");
    EscreverValor("W60", "vCBSMonoReten", m.vCBSMonoReten, "Valor total da CBS monofásica sujeita a retenção");
    EscreverValor("W61", "vIBSMonoRet", m.vIBSMonoRet, "Valor do IBS monofásico retido anteriormente");
    EscreverValor("W62", "vCBSMonoRet", m.vCBSMonoRet, "Valor da CBS monofásica retida anteriormente");
    g.EscreverGrupo("/gMono");
  }
  if (estorno || Presente(t.gEstornoCred)) {
    g.EscreverGrupo("gEstornoCred", "W63");
    EscreverValor("W64", "vIBSEstCred", t.gEstornoCred.vIBSEstCred, "Valor total do IBS estornado");
    EscreverValor("W65", "vCBSEstCred", t.gEstornoCred.vCBSEstCred, "Valor total da CBS estornada");
    g.EscreverGrupo("/gEstornoCred");
  }
  g.EscreverGrupo("/IBSCBSTot");
}

void TNFeW::GerarTotalVNFTot() {
  if (fNFe->Total.vNFTot == kZero) return;
  fGerador->EscreverCampo(fcDecimal2, "W66", "vNFTot", 1, 15, 0, fNFe->Total.vNFTot,
                          "Valor Total da NF considerando os impostos por fora IBS, CBS e IS");
}

}  // namespace tuim
