#include <cairo.h>

#include <algorithm>

#include "fiscal/TuimUtil.h"
#include "fiscal/TuimValidador.h"
#include "fiscal/fscConversao.h"
#include "report/TuimDANFePDF.h"
#include "report/TuimDesenhoPDF.h"

namespace tuim {

void TTuimNFCeDANFePDF::SetLarguraBobina(int mm) { fLarguraBobina = mm == 58 ? 58 : 80; }

double TTuimNFCeDANFePDF::Desenhar(TDesenhoPDF& d, const TNFe& n) {
  const bool estreita = fLarguraBobina == 58;
  const double L = fLarguraBobina;
  const double margem = estreita ? 3 : 4;
  const double x0 = margem, W = L - 2 * margem;
  const double f = estreita ? 6.5 : 7.5;  // body font
  const double fp = f - 1;                // small print
  double y = margem;
  auto linha = [&](const std::string& t, double tamanho, TAlinhamento al = alCentro, bool negrito = false,
                   int linhas = 0) {
    double h = d.AlturaTexto(t, W, tamanho, negrito, 60);
    y += d.Texto(t, x0, y, W, h + 0.1, tamanho, al, negrito, linhas) + 0.3;
  };
  auto separador = [&] {
    y += 0.8;
    d.Linha(x0, y, x0 + W, y, 0.15, true);
    y += 1;
  };
  // Two texts on one line, the value to the right.
  auto par = [&](const std::string& rotulo, const std::string& valor, bool negrito = false) {
    double h = d.AlturaLinha(f, negrito);
    d.Texto(rotulo, x0, y, W * 0.65, h, f, alEsquerda, negrito, 1);
    d.Texto(valor, x0 + W * 0.5, y, W * 0.5, h, f, alDireita, negrito, 1);
    y += h + 0.2;
  };

  // Issuer.
  const TenderEmit& e = n.Emit.EnderEmit;
  double xt = x0, wt = W;
  double yLogo = y;
  double ladoLogo = estreita ? 12 : 16;
  if (!Logo().empty() && d.Imagem(Logo(), x0, y, ladoLogo, ladoLogo, ExpandeLogoMarca())) {
    xt = x0 + ladoLogo + 1.5;
    wt = W - ladoLogo - 1.5;
  }
  auto emitente = [&](const std::string& t, double tamanho, bool negrito) {
    double h = d.AlturaTexto(t, wt, tamanho, negrito, 20);
    y += d.Texto(t, xt, y, wt, h + 0.1, tamanho, xt > x0 ? alEsquerda : alCentro, negrito, 0) + 0.2;
  };
  emitente(NomeEmitente(n.Emit.xNome, n.Emit.xFant), f + 0.5, true);
  emitente("CNPJ: " + FormatarCNPJouCPF(n.Emit.CNPJCPF) + (n.Emit.IE.empty() ? "" : "  IE: " + n.Emit.IE), fp, false);
  emitente(e.xLgr + (e.nro.empty() ? "" : ", " + e.nro) + (e.xCpl.empty() ? "" : " - " + e.xCpl) + " - " + e.xBairro +
               " - " + e.xMun + " - " + e.UF,
           fp, false);
  if (xt > x0) y = std::max(y, yLogo + ladoLogo);
  separador();
  linha("Documento Auxiliar da Nota Fiscal de Consumidor Eletrônica", fp, alCentro, true);
  if (n.Ide.tpAmb == taHomologacao) linha("EMITIDA EM AMBIENTE DE HOMOLOGAÇÃO - SEM VALOR FISCAL", f, alCentro, true);
  if (n.Ide.tpEmis != teNormal) linha("EMITIDA EM CONTINGÊNCIA", f, alCentro, true);
  if (MarcaCancelada(n)) linha("NFC-e CANCELADA", f, alCentro, true);
  separador();

  // Items: code and description, then quantity, unit, unit value and total on the right.
  d.Texto("# CÓDIGO DESCRIÇÃO", x0, y, W, 3, fp, alEsquerda, true, 1);
  y += d.AlturaLinha(fp, true);
  d.Texto("QTDE UN x VL UNIT = VL TOTAL", x0, y, W, 3, fp, alDireita, true, 1);
  y += d.AlturaLinha(fp, true) + 0.5;
  for (int i = 0; i < n.Det.Count(); ++i) {
    const TProd& p = n.Det[i].Prod;
    std::string desc = InteiroComZerosEsquerda(p.nItem > 0 ? p.nItem : i + 1, 3) + " " +
                       CodigoProduto(p.cEAN, p.cProd) + " " + p.xProd + InfAdicionalProduto(n, i);
    double h = std::min(d.AlturaTexto(desc, W, fp, false, 25), 25.0);
    y += d.Texto(desc, x0, y, W, h + 0.1, fp, alEsquerda, false, 0);
    std::string valores = FormatarQuantidade(p.qCom.ToDouble(), false) + " " + Trim(p.uCom) + " x " +
                          FormatarValorUnitario(p.vUnCom) + " = " + TotalItem(p.vDesc, p.vProd);
    y += d.Texto(valores, x0, y, W, 3.5, fp, alDireita, false, 1) + 0.4;
  }
  separador();

  // Totals and payment.
  const TICMSTot& t = n.Total.ICMSTot;
  par("Qtd. total de itens", std::to_string(n.Det.Count()));
  par("Valor total R$", ValorBr(t.vProd));
  if (t.vDesc > TCurrency()) par("Desconto R$", ValorBr(t.vDesc));
  TCurrency acrescimos = t.vFrete + t.vSeg + t.vOutro;
  if (acrescimos > TCurrency()) par("Acréscimos R$", ValorBr(acrescimos));
  par("Valor a Pagar R$", ValorBr(t.vNF), true);
  par("FORMA DE PAGAMENTO", "VALOR PAGO R$");
  for (const auto& pg : n.pag) par(DescricaoFormaPagamento(pg.tPag), ValorBr(pg.vPag));
  if (n.pag.vTroco > TCurrency()) par("Troco R$", ValorBr(n.pag.vTroco));
  separador();

  // Consultation address and key.
  linha("Consulte pela Chave de Acesso em", fp, alCentro, true);
  linha(n.infNFeSupl.urlChave, fp, alCentro, false);
  linha(ChaveFormatada(ChaveAcesso(n)), fp, alCentro, false);
  separador();

  // Consumer.
  const TDest& c = n.Dest;
  if (c.CNPJCPF.empty() && c.idEstrangeiro.empty()) {
    linha("CONSUMIDOR NÃO IDENTIFICADO", f, alCentro, true);
  } else {
    std::string doc = c.CNPJCPF.empty() ? "Id. Estrangeiro " + c.idEstrangeiro
                                        : (c.CNPJCPF.size() == 14 ? "CNPJ " : "CPF ") + FormatarCNPJouCPF(c.CNPJCPF);
    linha("CONSUMIDOR - " + doc + (c.xNome.empty() ? "" : " - " + c.xNome), f, alCentro, true);
    const TenderDest& ce = c.EnderDest;
    if (!ce.xLgr.empty())
      linha(ce.xLgr + (ce.nro.empty() ? "" : ", " + ce.nro) + " - " + ce.xBairro + " - " + ce.xMun + " - " + ce.UF, fp);
  }
  separador();

  // Identification, protocol and QR code.
  linha("NFC-e nº " + InteiroComZerosEsquerda(n.Ide.nNF, 9) + " Série " + InteiroComZerosEsquerda(n.Ide.serie, 3) +
            " " + (n.Ide.dEmi > 0 ? FormatarDataHoraBr(n.Ide.dEmi) : std::string()),
        f, alCentro, true);
  if (!n.procNFe.nProt.empty()) {
    linha("Protocolo de autorização: " + n.procNFe.nProt, fp);
    if (n.procNFe.dhRecbto > 0) linha("Data de autorização: " + FormatarDataHoraBr(n.procNFe.dhRecbto), fp);
  } else if (n.Ide.tpEmis != teNormal) {
    linha("EMITIDA EM CONTINGÊNCIA - Pendente de autorização", fp, alCentro, true);
  }
  y += 1;
  double lado = estreita ? 30 : 34;
  if (d.QRCode(n.infNFeSupl.qrCode, x0 + (W - lado) / 2, y, lado)) y += lado + 1;
  if (ImprimeTributos() != trbNenhum && t.vTotTrib > TCurrency())
    linha("Tributos Totais Incidentes (Lei Federal 12.741/2012): R$ " + ValorBr(t.vTotTrib), fp);
  std::string inf = InfAdicionalFisco(n) + InfComplementar(n);
  if (!inf.empty()) {
    separador();
    double h = std::min(d.AlturaTexto(inf, W, fp, false, 60), 60.0);
    y += d.Texto(inf, x0, y, W, h + 0.1, fp, alEsquerda, false, 0) + 0.3;
  }
  d.Texto(Sistema(), x0, y + 1, W, 3, fp - 1, alCentro, false, 1);
  y += 4 + margem;
  if (MarcaCancelada(n)) d.MarcaDagua("CANCELADA", x0, margem, W, std::max(y - 2 * margem, 20.0), 0.85, 0, 0, 0.4);
  return y;
}

std::string TTuimNFCeDANFePDF::GerarPDF(const TNFe& nfe) {
  // The roll has no fixed length: a first drawing on a recording surface measures it.
  double altura;
  {
    cairo_surface_t* medida = cairo_recording_surface_create(CAIRO_CONTENT_COLOR_ALPHA, nullptr);
    cairo_t* cr = cairo_create(medida);
    {
      TDesenhoPDF d(cr);
      altura = Desenhar(d, nfe);
    }
    cairo_destroy(cr);
    cairo_surface_destroy(medida);
  }
  TArquivoPDF pdf(fLarguraBobina, altura, "DANFCE " + ChaveAcesso(nfe), Sistema());
  Desenhar(pdf.Desenho(), nfe);
  return pdf.Finalizar();
}

}  // namespace tuim
