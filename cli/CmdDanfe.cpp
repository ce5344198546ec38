// `tuim danfe`: the DANFE of an NF-e, the DANFCE of an NFC-e, or the sheet of an event, as PDF.
#include <fstream>
#include <iostream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "cli/TuimCli.h"
#include "fiscal/TuimException.h"
#include "fiscal/TuimUtil.h"
#include "report/TuimDANFePDF.h"
#include "services/TuimEventoNFe.h"
#include "xml/TuimNFeR.h"

namespace tuim::cli {
namespace {

// Events come as procEventoNFe, as a bare evento, or inside an envEvento batch.
bool EhEvento(const std::string& xml) {
  return xml.find("<procEventoNFe") != std::string::npos || xml.find("<evento") != std::string::npos ||
         xml.find("<envEvento") != std::string::npos;
}

int Danfe(const std::vector<std::string>& entrada) {
  // -o is the one short option; it means --saida.
  std::vector<std::string> words;
  for (const auto& w : entrada) words.push_back(w == "-o" ? "--saida" : w);
  Args a(words, {"cancelada"});
  if (!a.ok()) return UsageError(a.error());
  if (auto u = a.Unknown({"saida", "logo", "bobina", "cancelada", "pasta"}); !u.empty())
    return UsageError("opção desconhecida: --" + u);
  if (a.Positional().empty() || a.Positional().size() > 2)
    return UsageError("informe o XML da NF-e (NFe ou nfeProc) e/ou o XML de um evento");
  int bobina = 80;
  if (a.Has("bobina")) {
    std::string b = a.Get("bobina");
    if (b != "80" && b != "58") return UsageError("--bobina deve ser 80 ou 58");
    bobina = b == "58" ? 58 : 80;
  }

  std::string xmlNFe, xmlEvento;
  for (const auto& arq : a.Positional()) {
    std::string texto;
    if (!LerArquivo(arq, texto)) return UsageError("não foi possível ler " + arq);
    std::string& destino = EhEvento(texto) ? xmlEvento : xmlNFe;
    if (!destino.empty()) return UsageError("dois arquivos do mesmo tipo: " + arq);
    destino = texto;
  }

  TNFe nfe;
  bool temNFe = !xmlNFe.empty();
  try {
    if (temNFe) TNFeR(&nfe).LerXML(xmlNFe);
  } catch (const ETuimDFeException& e) {
    std::cerr << "tuim: XML da NF-e inválido: " << ParaUTF8(e.what()) << "\n";
    return kExitInvalid;
  }

  // Model 65 prints on the roll; everything else on A4.
  std::unique_ptr<TTuimDANFePDF> r;
  if (temNFe && nfe.Ide.modelo == 65) {
    auto nfce = std::make_unique<TTuimNFCeDANFePDF>();
    nfce->SetLarguraBobina(bobina);
    r = std::move(nfce);
  } else {
    r = std::make_unique<TTuimNFeDANFePDF>();
  }
  if (a.Has("logo")) r->SetLogo(DeUTF8(a.Get("logo")));
  r->SetPathPDF(a.Has("pasta") ? DeUTF8(a.Get("pasta")) : std::string("."));
  if (a.Has("saida")) r->SetArquivoDestino(DeUTF8(a.Get("saida")));

  try {
    if (!xmlEvento.empty()) {
      TRetEventoNFe ev;
      ev.Leitor().SetArquivo(TextoUTF8Valido(xmlEvento) ? DeUTF8(xmlEvento) : xmlEvento);
      if (!ev.LerResposta() || ev.InfEvento().chNFe().empty()) {
        std::cerr << "tuim: XML do evento inválido\n";
        return kExitInvalid;
      }
      const TRetInfEvento* registro = ev.retEvento().Count() > 0 ? &ev.retEvento()[0] : nullptr;
      r->SetEvento(&ev.InfEvento(), registro);
      r->ImprimirEVENTOPDF(temNFe ? &nfe : nullptr);
    } else if (a.Has("cancelada")) {
      r->ImprimirDANFECancelado(&nfe);
    } else {
      r->ImprimirDANFEPDF(&nfe);
    }
  } catch (const ETuimDFeException& e) {
    return Falha(e.what());
  }
  std::cout << ParaUTF8(r->ArquivoPDF()) << "\n";
  return kExitOk;
}

CommandRegistrar registrar({"danfe", "gera o PDF do DANFE, do DANFCE ou da folha de um evento",
                            "Uso: tuim danfe NFE.xml|nfeProc.xml [EVENTO.xml] [-o SAIDA.pdf] [--logo PNG]\n"
                            "                [--bobina 80|58] [--cancelada] [--pasta PASTA]\n"
                            "       tuim danfe EVENTO.xml [NFE.xml] [-o SAIDA.pdf]\n"
                            "\n"
                            "Modelo 55 sai como DANFE em A4 (várias folhas quando os itens não cabem);\n"
                            "modelo 65 sai como DANFCE em bobina de 80 ou 58 mm, com o QR code. Um\n"
                            "arquivo de evento (procEventoNFe ou evento) sai como a folha do evento\n"
                            "(carta de correção ou cancelamento), com os dados da NF-e quando ela é dada.\n"
                            "Sem -o, o PDF vai para PASTA (a pasta atual) com o nome da chave. Escreve o\n"
                            "nome do PDF gerado.",
                            Danfe});

}  // namespace
}  // namespace tuim::cli
