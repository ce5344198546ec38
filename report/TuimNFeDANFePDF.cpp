#include <algorithm>
#include <array>
#include <vector>

#include "fiscal/TuimUtil.h"
#include "fiscal/TuimValidador.h"
#include "fiscal/fscConversao.h"
#include "fiscal/fscConversaoNFe.h"
#include "report/TuimDANFePDF.h"
#include "report/TuimDesenhoPDF.h"

namespace tuim {

namespace {

constexpr double kPaginaL = 210, kPaginaA = 297;
constexpr double kCanhoto = 21;      // receipt stub and its cut line
constexpr double kCabecalho = 42;    // issuer, DANFE and key
constexpr double kLinha = 7;         // one row of fields
constexpr double kTitulo = 3.4;      // block title
constexpr double kCabecalhoItens = 6.5;
constexpr double kRodape = 3.5;
constexpr double kFonteItem = 6;
constexpr double kItemMaximo = 40;   // an item never takes more than this height

struct TColuna {
  const char* rotulo;
  double largura;  // 0: the description, which takes what is left
  TAlinhamento al;
};

constexpr std::array<TColuna, 15> kColunas = {{
    {"CÓDIGO PRODUTO", 16, alEsquerda},
    {"DESCRIÇÃO DO PRODUTO / SERVIÇO", 0, alEsquerda},
    {"NCM/SH", 12, alCentro},
    {"O/CST", 8, alCentro},
    {"CFOP", 8, alCentro},
    {"UN", 7, alCentro},
    {"QUANT", 13, alDireita},
    {"VALOR UNIT", 14, alDireita},
    {"VALOR TOTAL", 14, alDireita},
    {"VALOR DESC", 11, alDireita},
    {"B.CÁLC ICMS", 13, alDireita},
    {"VALOR ICMS", 11, alDireita},
    {"VALOR IPI", 10, alDireita},
    {"ALÍQ. ICMS", 7, alDireita},
    {"ALÍQ. IPI", 7, alDireita},
}};

struct TLinhaItem {
  std::array<std::string, kColunas.size()> celulas;
  double altura = 0;
};

std::string Data(TDateTime t) { return t > 0 ? FormatarDataBr(t) : std::string(); }
std::string Hora(TDateTime t) { return t > 0 && TimeOf(t) > 0 ? FormatarDataHoraBr(t, "hh:nn:ss") : std::string(); }

std::string Cep(int cep) {
  if (cep <= 0) return {};
  std::string c = InteiroComZerosEsquerda(cep, 8);
  return c.substr(0, 5) + "-" + c.substr(5);
}

std::string Documento(const std::string& doc) {
  std::string f = FormatarCNPJouCPF(doc);
  return f.empty() ? doc : f;
}

std::string DescricaoModFrete(TfscModFrete m) {
  switch (m) {
    case modFrete0: return "0-Por conta do Remetente";
    case modFrete1: return "1-Por conta do Destinatário";
    case modFrete2: return "2-Por conta de Terceiros";
    case modFrete3: return "3-Próprio Remetente";
    case modFrete4: return "4-Próprio Destinatário";
    default: return "9-Sem Transporte";
  }
}

class TLayoutNFe {
public:
  TLayoutNFe(TTuimNFeDANFePDF& r, const TNFe& nfe, TDesenhoPDF& d)
      : r(r), n(nfe), d(d), chave(TTuimDANFePDF::ChaveAcesso(nfe)) {
    x0 = r.MargemEsquerda() * 10;
    y0 = r.MargemSuperior() * 10;
    W = kPaginaL - x0 - r.MargemDireita() * 10;
    yFim = kPaginaA - r.MargemInferior() * 10;
    double fixas = 0;
    for (const auto& c : kColunas) fixas += c.largura;
    larguraDescricao = W - fixas;
  }

  void MontarItens();
  int Paginas();
  void DesenharPagina(int pagina, int total);

private:
  double Canhoto(double y);
  double Cabecalho(double y, int pagina, int total);
  double Destinatario(double y);
  double Fatura(double y);
  double Impostos(double y);
  double Transporte(double y);
  void Itens(double y, double yMax, std::size_t de, std::size_t ate);
  double AlturaRodapeFixo() const;
  void RodapeFixo(double y);
  std::string TextoComplementar() const;
  double AlturaFatura() const;
  double AreaItens(bool primeira) const;
  void Marcas(double yIni, double yFimMarca);

  TTuimNFeDANFePDF& r;
  const TNFe& n;
  TDesenhoPDF& d;
  std::string chave;
  double x0 = 0, y0 = 0, W = 0, yFim = 0, larguraDescricao = 0;
  std::vector<TLinhaItem> linhas;
  std::vector<std::pair<std::size_t, std::size_t>> paginas;  // items [de, ate) per page
};

void TLayoutNFe::MontarItens() {
  const bool usaCST = n.Emit.CRT == crt3;
  linhas.resize(static_cast<std::size_t>(n.Det.Count()));
  for (int i = 0; i < n.Det.Count(); ++i) {
    const TDetCollectionItem& det = n.Det[i];
    const TProd& p = det.Prod;
    const TICMS& icms = det.Imposto.ICMS;
    TLinhaItem& l = linhas[static_cast<std::size_t>(i)];
    // The taxable unit shows only where it differs from the commercial one.
    bool tribDiferente = !Trim(p.uTrib).empty() && Trim(p.uTrib) != Trim(p.uCom);
    l.celulas = {r.CodigoProduto(p.cEAN, p.cProd),
                 p.xProd + r.InfAdicionalProduto(n, i),
                 p.NCM,
                 OrigParaTexto(icms.orig) + r.SituacaoTributariaItem(usaCST, icms.CSOSN, icms.CST),
                 p.CFOP,
                 r.Unidades(p.uCom, tribDiferente ? p.uTrib : ""),
                 r.Quantidades(p.qCom.ToDouble(), tribDiferente ? p.qTrib.ToDouble() : 0),
                 r.ValoresUnitarios(p.vUnCom, tribDiferente ? p.vUnTrib : 0),
                 r.TotalItem(p.vDesc, p.vProd),
                 ValorBr(p.vDesc),
                 ValorBr(icms.vBC),
                 ValorBr(icms.vICMS),
                 ValorBr(det.Imposto.IPI.vIPI),
                 ValorBr(icms.pICMS),
                 ValorBr(det.Imposto.IPI.pIPI)};
    double h = d.AlturaTexto(l.celulas[1], larguraDescricao - 1, kFonteItem, false, kItemMaximo);
    h = std::max(h, d.AlturaTexto(l.celulas[0], kColunas[0].largura - 1, kFonteItem, false, kItemMaximo));
    for (std::size_t c = 5; c <= 7; ++c)
      h = std::max(h, d.AlturaTexto(l.celulas[c], kColunas[c].largura - 1, kFonteItem, false, kItemMaximo));
    l.altura = std::min(h, kItemMaximo) + 1.0;
  }
}

double TLayoutNFe::AlturaFatura() const {
  if (n.Cobr.Dup.Count() > 0) {
    int filas = std::min((n.Cobr.Dup.Count() + 7) / 8, 3);
    return kTitulo + filas * 8.5 + 1;
  }
  if (!n.Cobr.Fat.nFat.empty()) return kTitulo + kLinha + 1;
  return 0;
}

bool TemISSQN(const TNFe& n) { return !n.Emit.IM.empty() || n.Total.ISSQNtot.vServ > TCurrency(); }

double TLayoutNFe::AlturaRodapeFixo() const { return (TemISSQN(n) ? kTitulo + kLinha + 1 : 0) + kTitulo + 32 + 1; }

double TLayoutNFe::AreaItens(bool primeira) const {
  double altura = yFim - y0 - kRodape - kCabecalho - 2 * kLinha - kTitulo - kCabecalhoItens - 2;
  if (primeira)
    altura -= kCanhoto + kTitulo + 3 * kLinha + 1 + AlturaFatura() + kTitulo + 2 * kLinha + 1 + kTitulo +
              3 * kLinha + 1 + AlturaRodapeFixo();
  return altura;
}

int TLayoutNFe::Paginas() {
  paginas.clear();
  std::size_t i = 0;
  bool primeira = true;
  do {
    double cabe = AreaItens(primeira);
    std::size_t de = i;
    double usado = 0;
    while (i < linhas.size() && (usado + linhas[i].altura <= cabe || i == de)) usado += linhas[i++].altura;
    paginas.emplace_back(de, i);
    primeira = false;
  } while (i < linhas.size());
  return static_cast<int>(paginas.size());
}

double TLayoutNFe::Canhoto(double y) {
  const double wNum = 34, h1 = 8, h2 = 9;
  double w = W - wNum;
  d.Retangulo(x0, y, w, h1);
  std::string texto = "RECEBEMOS DE " + r.NomeEmitente(n.Emit.xNome, n.Emit.xFant) +
                      " OS PRODUTOS E/OU SERVIÇOS CONSTANTES DA NOTA FISCAL ELETRÔNICA INDICADA AO LADO. EMISSÃO: " +
                      Data(n.Ide.dEmi) + " VALOR TOTAL: R$ " + ValorBr(n.Total.ICMSTot.vNF) + " DESTINATÁRIO: " +
                      n.Dest.xNome;
  d.Texto(texto, x0 + 0.6, y + 0.5, w - 1.2, h1 - 0.8, 6, alEsquerda, false, 0);
  d.Campo("DATA DE RECEBIMENTO", "", x0, y + h1, 40, h2);
  d.Campo("IDENTIFICAÇÃO E ASSINATURA DO RECEBEDOR", "", x0 + 40, y + h1, w - 40, h2);
  d.Retangulo(x0 + w, y, wNum, h1 + h2);
  d.Texto("NF-e", x0 + w, y + 1.5, wNum, 5, 11, alCentro, true, 1);
  d.Texto("Nº " + NumeroNFFormatado(n.Ide.nNF), x0 + w, y + 7.5, wNum, 4, 8.5, alCentro, true, 1);
  d.Texto("SÉRIE " + InteiroComZerosEsquerda(n.Ide.serie, 3), x0 + w, y + 11.5, wNum, 4, 8.5, alCentro, true, 1);
  double yc = y + h1 + h2 + 2;
  d.Linha(x0, yc, x0 + W, yc, 0.2, true);
  return y + kCanhoto;
}

double TLayoutNFe::Cabecalho(double y, int pagina, int total) {
  const double wEmit = 80, wDanfe = 34, h = kCabecalho;
  double wChave = W - wEmit - wDanfe;
  // Issuer.
  d.Retangulo(x0, y, wEmit, h);
  d.Texto("IDENTIFICAÇÃO DO EMITENTE", x0 + 0.6, y + 0.3, wEmit - 1.2, 2.4, 5, alEsquerda, false, 1);
  double xt = x0 + 1, wt = wEmit - 2;
  if (!r.Logo().empty() && d.Imagem(r.Logo(), x0 + 1.5, y + 3.5, 24, 24, r.ExpandeLogoMarca())) {
    xt = x0 + 27;
    wt = wEmit - 28;
  }
  const TenderEmit& e = n.Emit.EnderEmit;
  double yt = y + 4;
  yt += d.Texto(r.NomeEmitente(n.Emit.xNome, n.Emit.xFant), xt, yt, wt, 11, 9.5, alCentro, true, 3) + 1;
  std::string endereco = e.xLgr + (e.nro.empty() ? "" : ", " + e.nro) + (e.xCpl.empty() ? "" : " - " + e.xCpl);
  std::string linha2 = e.xBairro + (Cep(e.CEP).empty() ? "" : " - CEP " + Cep(e.CEP));
  std::string linha3 = e.xMun + (e.UF.empty() ? "" : " - " + e.UF) + (e.fone.empty() ? "" : " - Fone: " + e.fone);
  std::string contato = r.Site();
  if (!r.Email().empty()) contato += (contato.empty() ? "" : " - ") + r.Email();
  for (const std::string& s : {endereco, linha2, linha3, contato})
    if (!s.empty()) yt += d.Texto(s, xt, yt, wt, std::max(0.0, y + h - yt - 0.5), 7, alCentro, false, 2) + 0.3;

  // DANFE box.
  double xd = x0 + wEmit;
  d.Retangulo(xd, y, wDanfe, h);
  d.Texto("DANFE", xd, y + 1.5, wDanfe, 6, 14, alCentro, true, 1);
  d.Texto("DOCUMENTO AUXILIAR DA NOTA FISCAL ELETRÔNICA", xd + 1, y + 7.5, wDanfe - 2, 6, 6.5, alCentro, false, 2);
  d.Texto("0 - ENTRADA", xd + 2, y + 15, 20, 3, 6.5, alEsquerda, false, 1);
  d.Texto("1 - SAÍDA", xd + 2, y + 18.2, 20, 3, 6.5, alEsquerda, false, 1);
  d.Retangulo(xd + 24, y + 15, 7, 6);
  d.Texto(n.Ide.tpNF == tpNF0 ? "0" : "1", xd + 24, y + 15.5, 7, 5, 11, alCentro, true, 1);
  d.Texto("Nº " + NumeroNFFormatado(n.Ide.nNF), xd, y + 23, wDanfe, 4, 8.5, alCentro, true, 1);
  d.Texto("SÉRIE " + InteiroComZerosEsquerda(n.Ide.serie, 3), xd, y + 27, wDanfe, 4, 8.5, alCentro, true, 1);
  d.Texto("FOLHA " + std::to_string(pagina) + "/" + std::to_string(total), xd, y + 31, wDanfe, 4, 8, alCentro, false, 1);
  if (n.Ide.tpEmis != teNormal)
    d.Texto("DANFE EM CONTINGÊNCIA", xd + 1, y + 36, wDanfe - 2, 5, 6.5, alCentro, true, 2);

  // Key with its bar code.
  double xc = xd + wDanfe;
  d.Retangulo(xc, y, wChave, h);
  d.CodigoBarras128(chave, xc + 3, y + 1.5, wChave - 6, 12.5);
  d.Campo("CHAVE DE ACESSO", TTuimDANFePDF::ChaveFormatada(chave), xc, y + 15, wChave, 7, alCentro, 8, true);
  d.Texto("Consulta de autenticidade no portal nacional da NF-e www.nfe.fazenda.gov.br/portal ou no site da Sefaz "
          "Autorizadora",
          xc + 1.5, y + 24, wChave - 3, h - 25, 7.5, alCentro, false, 0);
  y += h;

  // Nature of operation and protocol.
  std::string protocolo;
  std::string rotuloProtocolo = "PROTOCOLO DE AUTORIZAÇÃO DE USO";
  if (!n.procNFe.nProt.empty()) {
    protocolo = n.procNFe.nProt + (n.procNFe.dhRecbto > 0 ? " - " + FormatarDataHoraBr(n.procNFe.dhRecbto) : "");
  } else if (n.Ide.tpEmis != teNormal) {
    rotuloProtocolo = "DADOS DA NF-e";
    protocolo = "EMISSÃO EM CONTINGÊNCIA";
  }
  d.Campo("NATUREZA DA OPERAÇÃO", n.Ide.natOp, x0, y, wEmit + wDanfe, kLinha);
  d.Campo(rotuloProtocolo, protocolo, x0 + wEmit + wDanfe, y, wChave, kLinha, alCentro, 7.5, true);
  y += kLinha;
  double c = W / 3;
  d.Campo("INSCRIÇÃO ESTADUAL", n.Emit.IE, x0, y, c, kLinha);
  d.Campo("INSCRIÇÃO ESTADUAL DO SUBST. TRIBUT.", n.Emit.IEST, x0 + c, y, c, kLinha);
  d.Campo("CNPJ / CPF", Documento(n.Emit.CNPJCPF), x0 + 2 * c, y, c, kLinha);
  return y + kLinha;
}

double TLayoutNFe::Destinatario(double y) {
  const TDest& t = n.Dest;
  const TenderDest& e = t.EnderDest;
  d.Titulo("DESTINATÁRIO / REMETENTE", x0, y, W);
  y += kTitulo;
  double wData = 28;
  std::string doc = t.CNPJCPF.empty() ? t.idEstrangeiro : Documento(t.CNPJCPF);
  d.Campo("NOME / RAZÃO SOCIAL", t.xNome, x0, y, W - 45 - wData, kLinha);
  d.Campo("CNPJ / CPF", doc, x0 + W - 45 - wData, y, 45, kLinha, alCentro);
  d.Campo("DATA DA EMISSÃO", Data(n.Ide.dEmi), x0 + W - wData, y, wData, kLinha, alCentro);
  y += kLinha;
  std::string endereco = e.xLgr + (e.nro.empty() ? "" : ", " + e.nro) + (e.xCpl.empty() ? "" : " - " + e.xCpl);
  d.Campo("ENDEREÇO", endereco, x0, y, W - 45 - 22 - wData, kLinha);
  d.Campo("BAIRRO / DISTRITO", e.xBairro, x0 + W - 67 - wData, y, 45, kLinha);
  d.Campo("CEP", Cep(e.CEP), x0 + W - 22 - wData, y, 22, kLinha, alCentro);
  d.Campo("DATA DA SAÍDA/ENTRADA", Data(n.Ide.dSaiEnt), x0 + W - wData, y, wData, kLinha, alCentro);
  y += kLinha;
  double wMun = W - 35 - 10 - 45 - wData;
  d.Campo("MUNICÍPIO", e.xMun, x0, y, wMun, kLinha);
  d.Campo("FONE / FAX", e.fone, x0 + wMun, y, 35, kLinha);
  d.Campo("UF", e.UF, x0 + wMun + 35, y, 10, kLinha, alCentro);
  d.Campo("INSCRIÇÃO ESTADUAL", t.IE, x0 + wMun + 45, y, 45, kLinha);
  TDateTime hora = n.Ide.hSaiEnt > 0 ? n.Ide.hSaiEnt : n.Ide.dSaiEnt;
  d.Campo("HORA DA SAÍDA/ENTRADA", Hora(hora), x0 + W - wData, y, wData, kLinha, alCentro);
  return y + kLinha + 1;
}

double TLayoutNFe::Fatura(double y) {
  double altura = AlturaFatura();
  if (altura == 0) return y;
  d.Titulo("FATURA / DUPLICATAS", x0, y, W);
  y += kTitulo;
  const TDupCollection& dups = n.Cobr.Dup;
  if (dups.Count() == 0) {
    const TFat& f = n.Cobr.Fat;
    d.Campo("FATURA", "Número: " + f.nFat + "   Valor original: R$ " + ValorBr(f.vOrig) + "   Desconto: R$ " +
                          ValorBr(f.vDesc) + "   Valor líquido: R$ " + ValorBr(f.vLiq),
            x0, y, W, kLinha);
    return y + kLinha + 1;
  }
  const int porFila = 8, maximo = 24;
  double w = W / porFila;
  int mostrar = std::min(dups.Count(), maximo);
  for (int i = 0; i < mostrar; ++i) {
    double x = x0 + (i % porFila) * w, yy = y + (i / porFila) * 8.5;
    d.Retangulo(x, yy, w, 8.5);
    if (i == maximo - 1 && dups.Count() > maximo) {
      d.Texto("… e mais " + std::to_string(dups.Count() - maximo + 1) + " duplicatas", x + 0.6, yy + 0.5, w - 1.2,
              7.5, 6, alEsquerda, false, 0);
      break;
    }
    const TDupCollectionItem& dp = dups[i];
    d.Texto("Num.: " + dp.nDup, x + 0.6, yy + 0.3, w - 1.2, 2.6, 6, alEsquerda, false, 1);
    d.Texto("Venc.: " + Data(dp.dVenc), x + 0.6, yy + 2.9, w - 1.2, 2.6, 6, alEsquerda, false, 1);
    d.Texto("Valor: R$ " + ValorBr(dp.vDup), x + 0.6, yy + 5.5, w - 1.2, 2.6, 6, alEsquerda, true, 1);
  }
  return y + altura - kTitulo;
}

double TLayoutNFe::Impostos(double y) {
  const TICMSTot& t = n.Total.ICMSTot;
  d.Titulo("CÁLCULO DO IMPOSTO", x0, y, W);
  y += kTitulo;
  double w = W / 9;
  TCurrency tributos = r.ImprimeTributos() == trbNenhum ? TCurrency() : t.vTotTrib;
  const std::pair<const char*, TCurrency> fila1[] = {
      {"BASE DE CÁLC. DO ICMS", t.vBC}, {"VALOR DO ICMS", t.vICMS},       {"BASE DE CÁLC. ICMS S.T.", t.vBCST},
      {"VALOR DO ICMS SUBST.", t.vST},  {"V. IMP. IMPORTAÇÃO", t.vII},    {"V. ICMS UF REMET.", t.vICMSUFRemet},
      {"V. FCP UF DEST.", t.vFCPUFDest}, {"VALOR DO PIS", t.vPIS},         {"V. TOTAL PRODUTOS", t.vProd}};
  const std::pair<const char*, TCurrency> fila2[] = {
      {"VALOR DO FRETE", t.vFrete},      {"VALOR DO SEGURO", t.vSeg},      {"DESCONTO", t.vDesc},
      {"OUTRAS DESPESAS", t.vOutro},     {"VALOR TOTAL IPI", t.vIPI},      {"V. ICMS UF DEST.", t.vICMSUFDest},
      {"V. TOT. TRIB.", tributos},       {"VALOR DA COFINS", t.vCOFINS},   {"V. TOTAL DA NOTA", t.vNF}};
  for (int i = 0; i < 9; ++i) d.Campo(fila1[i].first, ValorBr(fila1[i].second), x0 + i * w, y, w, kLinha, alDireita);
  y += kLinha;
  for (int i = 0; i < 9; ++i)
    d.Campo(fila2[i].first, ValorBr(fila2[i].second), x0 + i * w, y, w, kLinha, alDireita, 7.5, i == 8);
  return y + kLinha + 1;
}

double TLayoutNFe::Transporte(double y) {
  const TTransp& t = n.Transp;
  d.Titulo("TRANSPORTADOR / VOLUMES TRANSPORTADOS", x0, y, W);
  y += kTitulo;
  double wDoc = 36;
  double wNome = W - 38 - 22 - 20 - 10 - wDoc;
  d.Campo("NOME / RAZÃO SOCIAL", t.Transporta.xNome, x0, y, wNome, kLinha);
  d.Campo("FRETE POR CONTA", DescricaoModFrete(t.modFrete), x0 + wNome, y, 38, kLinha);
  d.Campo("CÓDIGO ANTT", t.veicTransp.RNTC, x0 + wNome + 38, y, 22, kLinha);
  d.Campo("PLACA DO VEÍCULO", t.veicTransp.placa, x0 + wNome + 60, y, 20, kLinha);
  d.Campo("UF", t.veicTransp.UF, x0 + wNome + 80, y, 10, kLinha, alCentro);
  d.Campo("CNPJ / CPF", Documento(t.Transporta.CNPJCPF), x0 + W - wDoc, y, wDoc, kLinha);
  y += kLinha;
  double wEnd = W - 60 - 10 - wDoc;
  d.Campo("ENDEREÇO", t.Transporta.xEnder, x0, y, wEnd, kLinha);
  d.Campo("MUNICÍPIO", t.Transporta.xMun, x0 + wEnd, y, 60, kLinha);
  d.Campo("UF", t.Transporta.UF, x0 + wEnd + 60, y, 10, kLinha, alCentro);
  d.Campo("INSCRIÇÃO ESTADUAL", t.Transporta.IE, x0 + W - wDoc, y, wDoc, kLinha);
  y += kLinha;
  int qVol = 0;
  TCurrency pesoB, pesoL;
  std::string esp, marca, nVol;
  for (const auto& v : t.Vol) {
    qVol += v.qVol;
    pesoB += v.pesoB;
    pesoL += v.pesoL;
    if (esp.empty()) esp = v.esp;
    if (marca.empty()) marca = v.marca;
    if (nVol.empty()) nVol = v.nVol;
  }
  bool temVol = t.Vol.Count() > 0;
  double w = W / 6;
  d.Campo("QUANTIDADE", temVol ? std::to_string(qVol) : "", x0, y, w, kLinha, alDireita);
  d.Campo("ESPÉCIE", esp, x0 + w, y, w, kLinha);
  d.Campo("MARCA", marca, x0 + 2 * w, y, w, kLinha);
  d.Campo("NUMERAÇÃO", nVol, x0 + 3 * w, y, w, kLinha);
  d.Campo("PESO BRUTO", temVol ? FormatarNumeroBr(pesoB.ToDouble(), ",0.000") : "", x0 + 4 * w, y, w, kLinha,
          alDireita);
  d.Campo("PESO LÍQUIDO", temVol ? FormatarNumeroBr(pesoL.ToDouble(), ",0.000") : "", x0 + 5 * w, y, w, kLinha,
          alDireita);
  return y + kLinha + 1;
}

void TLayoutNFe::Itens(double y, double yMax, std::size_t de, std::size_t ate) {
  d.Titulo("DADOS DOS PRODUTOS / SERVIÇOS", x0, y, W);
  y += kTitulo;
  std::array<double, kColunas.size()> xs{}, ws{};
  double x = x0;
  for (std::size_t c = 0; c < kColunas.size(); ++c) {
    xs[c] = x;
    ws[c] = kColunas[c].largura > 0 ? kColunas[c].largura : larguraDescricao;
    x += ws[c];
  }
  bool usaCST = n.Emit.CRT == crt3;
  for (std::size_t c = 0; c < kColunas.size(); ++c) {
    d.Retangulo(xs[c], y, ws[c], kCabecalhoItens);
    std::string rotulo = c == 3 ? (usaCST ? "O/CST" : "O/CSOSN") : kColunas[c].rotulo;
    d.Texto(rotulo, xs[c] + 0.3, y + 0.5, ws[c] - 0.6, kCabecalhoItens - 0.8, 5, alCentro, false, 0);
  }
  y += kCabecalhoItens;
  d.Retangulo(x0, y, W, yMax - y);
  for (std::size_t c = 1; c < kColunas.size(); ++c) d.Linha(xs[c], y, xs[c], yMax, 0.15);
  for (std::size_t i = de; i < ate; ++i) {
    const TLinhaItem& l = linhas[i];
    double h = std::min(l.altura, yMax - y);
    for (std::size_t c = 0; c < kColunas.size(); ++c)
      d.Texto(l.celulas[c], xs[c] + 0.5, y + 0.5, ws[c] - 1, h - 0.8, kFonteItem, kColunas[c].al, false, 0);
    y += h;
    if (i + 1 < ate) d.Linha(x0, y, x0 + W, y, 0.05, true);
  }
}

std::string TLayoutNFe::TextoComplementar() const {
  std::string t = r.InfAdicionalFisco(n) + r.InfComplementar(n);
  std::string obs = r.ObservacoesContribuinte(n) + r.ObservacoesFisco(n) + r.ProcessosReferenciados(n);
  if (!obs.empty()) t += (t.empty() ? "" : " ") + obs;
  if (n.Ide.tpEmis != teNormal) {
    std::string cont = "DANFE EM CONTINGÊNCIA, IMPRESSO EM DECORRÊNCIA DE PROBLEMAS TÉCNICOS.";
    if (n.Ide.dhCont > 0) cont += " Entrada em contingência: " + FormatarDataHoraBr(n.Ide.dhCont) + ".";
    if (!n.Ide.xJust.empty()) cont += " Justificativa: " + n.Ide.xJust + ".";
    t = cont + (t.empty() ? "" : " ") + t;
  }
  if (r.ImprimeTributos() != trbNenhum && n.Total.ICMSTot.vTotTrib > TCurrency())
    t += (t.empty() ? "" : " ") + std::string("Valor aproximado dos tributos: R$ ") +
         ValorBr(n.Total.ICMSTot.vTotTrib) + " (Lei Federal 12.741/2012).";
  return t;
}

void TLayoutNFe::RodapeFixo(double y) {
  if (TemISSQN(n)) {
    const TISSQNtot& s = n.Total.ISSQNtot;
    d.Titulo("CÁLCULO DO ISSQN", x0, y, W);
    y += kTitulo;
    double w = W / 4;
    d.Campo("INSCRIÇÃO MUNICIPAL", n.Emit.IM, x0, y, w, kLinha);
    d.Campo("VALOR TOTAL DOS SERVIÇOS", ValorBr(s.vServ), x0 + w, y, w, kLinha, alDireita);
    d.Campo("BASE DE CÁLCULO DO ISSQN", ValorBr(s.vBC), x0 + 2 * w, y, w, kLinha, alDireita);
    d.Campo("VALOR DO ISSQN", ValorBr(s.vISS), x0 + 3 * w, y, w, kLinha, alDireita);
    y += kLinha + 1;
  }
  d.Titulo("DADOS ADICIONAIS", x0, y, W);
  y += kTitulo;
  double wInf = W * 0.66;
  d.Retangulo(x0, y, wInf, 32);
  d.Texto("INFORMAÇÕES COMPLEMENTARES", x0 + 0.6, y + 0.3, wInf - 1.2, 2.4, 5, alEsquerda, false, 1);
  d.Texto(TextoComplementar(), x0 + 0.6, y + 2.8, wInf - 1.2, 32 - 3.1, 6.5, alEsquerda, false, 0);
  d.Retangulo(x0 + wInf, y, W - wInf, 32);
  d.Texto("RESERVADO AO FISCO", x0 + wInf + 0.6, y + 0.3, W - wInf - 1.2, 2.4, 5, alEsquerda, false, 1);
}

void TLayoutNFe::Marcas(double yIni, double yFimMarca) {
  bool homologacao = n.Ide.tpAmb == taHomologacao, cancelada = r.MarcaCancelada(n);
  // Both marks share the page, one half each, so that neither hides the other.
  double meio = homologacao && cancelada ? (yIni + yFimMarca) / 2 : yFimMarca;
  if (homologacao) d.MarcaDagua("SEM VALOR FISCAL", x0, yIni, W, meio - yIni, 0.45, 0.45, 0.45, 0.22);
  if (cancelada) {
    double topo = homologacao ? meio : yIni;
    d.MarcaDagua("CANCELADA", x0, topo, W, yFimMarca - topo, 0.85, 0.0, 0.0, 0.35);
  }
}

void TLayoutNFe::DesenharPagina(int pagina, int total) {
  double y = y0;
  bool primeira = pagina == 1;
  if (primeira) y = Canhoto(y);
  y = Cabecalho(y, pagina, total) + 1;
  double yMarca = y;
  if (primeira) {
    y = Destinatario(y);
    y = Fatura(y);
    y = Impostos(y);
    y = Transporte(y);
  }
  double yItensFim = yFim - kRodape - (primeira ? AlturaRodapeFixo() : 0);
  const auto& [de, ate] = paginas[static_cast<std::size_t>(pagina - 1)];
  Itens(y, yItensFim - 0.5, de, ate);
  if (primeira) RodapeFixo(yItensFim);
  // The slanted marks are pictures to a reader; the footer says the same in plain text.
  std::string aviso;
  if (r.MarcaCancelada(n)) aviso = "NF-e CANCELADA";
  if (n.Ide.tpAmb == taHomologacao)
    aviso += (aviso.empty() ? "" : " - ") + std::string("NF-e EMITIDA EM AMBIENTE DE HOMOLOGAÇÃO - SEM VALOR FISCAL");
  d.Texto(aviso, x0, yFim - kRodape + 0.5, W * 0.6, 3, 6, alEsquerda, true, 1);
  std::string sistema = r.Sistema() + (r.Usuario().empty() ? "" : " - " + r.Usuario());
  d.Texto(sistema, x0 + W * 0.6, yFim - kRodape + 0.5, W * 0.4, 3, 5.5, alDireita, false, 1);
  Marcas(yMarca, yFim - kRodape);
}

}  // namespace

std::string TTuimNFeDANFePDF::GerarPDF(const TNFe& nfe) {
  TArquivoPDF pdf(kPaginaL, kPaginaA, "DANFE " + ChaveAcesso(nfe), Sistema());
  TLayoutNFe layout(*this, nfe, pdf.Desenho());
  layout.MontarItens();
  int total = layout.Paginas();
  for (int p = 1; p <= total; ++p) {
    if (p > 1) pdf.NovaPagina();
    layout.DesenharPagina(p, total);
  }
  return pdf.Finalizar();
}

}  // namespace tuim
