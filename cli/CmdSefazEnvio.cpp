// `tuim sefaz autorizar` and `tuim sefaz recibo`: signed documents to authorisation, and a
// receipt asked again.
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>
#include <vector>

#include "cli/TuimCli.h"
#include "component/TuimNFe.h"
#include "component/TuimNotasFiscais.h"
#include "fiscal/TuimUtil.h"
#include "services/TuimServicosEnvio.h"
#include "xml/TuimNFeR.h"

namespace tuim::cli {

int ConfigurarSefaz(Args& a, TTuimNFe& nfe, const std::string& servico, const std::string& ufSecao = "");

namespace {

const std::vector<std::string> kComuns = {"modelo", "uf",     "ambiente", "url",     "pfx",      "senha", "cacert",
                                          "lib",    "timeout", "versao",  "salvar",  "schemas", "catalogo", "json"};

void ImprimirResultado(bool json, const TResultadoNota& r) {
  if (json) {
    std::cout << "{\"chNFe\": " << JsonString(r.chNFe) << ", \"cStat\": " << r.cStat
              << ", \"xMotivo\": " << JsonString(ParaUTF8(r.xMotivo)) << ", \"nProt\": " << JsonString(r.nProt)
              << ", \"Situacao\": " << JsonString(SituacaoEnvioParaTexto(r.Situacao))
              << ", \"Recibo\": " << JsonString(r.Recibo) << ", \"Arquivo\": " << JsonString(ParaUTF8(r.Arquivo))
              << "}\n";
  } else {
    std::cout << "chNFe=" << r.chNFe << " cStat=" << r.cStat << " xMotivo=" << ParaUTF8(r.xMotivo)
              << " nProt=" << r.nProt << " Arquivo=" << ParaUTF8(r.Arquivo) << "\n";
  }
}

int Autorizar(const std::vector<std::string>& words) {
  Args a(words, {"json", "sincrono", "zip"});
  if (!a.ok()) return UsageError(a.error());
  std::vector<std::string> conhecidas = kComuns;
  conhecidas.insert(conhecidas.end(), {"sincrono", "zip", "lote"});
  if (auto u = a.Unknown(conhecidas); !u.empty()) return UsageError("opção desconhecida: --" + u);
  if (a.Positional().empty()) return UsageError("informe os arquivos das NF-e assinadas");
  const std::string lote = a.Get("lote", "1");
  if (lote.empty() || lote.size() > 15 || lote.find_first_not_of("0123456789") != std::string::npos)
    return UsageError("--lote inválido: " + lote);

  TTuimNFe nfe;
  if (int rc = ConfigurarSefaz(a, nfe, "NFeAutorizacao"); rc >= 0) return rc;
  for (const std::string& arquivo : a.Positional()) {
    std::ifstream f(arquivo, std::ios::binary);
    if (!f) return UsageError("não foi possível ler " + arquivo);
    std::string xml((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
    NotaFiscal& nota = nfe.NotasFiscais().Add();
    try {
      TNFeR(&nota.NFe()).LerXML(xml);
    } catch (const std::exception& e) {
      std::cerr << "tuim: " << arquivo << ": " << ParaUTF8(e.what()) << "\n";
      return kExitInvalid;
    }
    if (xml.find("<Signature") == std::string::npos) {
      std::cerr << "tuim: " << arquivo << ": documento sem assinatura\n";
      return kExitInvalid;
    }
    if (xml.rfind("<?xml", 0) != 0) xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>" + xml;
    nota.SetXMLOriginal(xml);
  }

  TNFeAutorizacao envio(nfe);
  envio.OnProgresso = [](const std::string& linha) { std::cerr << "tuim: " << ParaUTF8(linha) << "\n"; };
  bool todas = false;
  try {
    todas = envio.Enviar(lote, a.Has("sincrono"), a.Has("zip"));
  } catch (const std::exception& e) {
    std::cerr << "tuim: " << ParaUTF8(e.what()) << "\n";
    return kExitInvalid;
  }
  for (const TResultadoNota& r : envio.Resultados()) ImprimirResultado(a.Has("json"), r);
  return todas ? kExitOk : kExitInvalid;
}

int Recibo(const std::vector<std::string>& words) {
  Args a(words, {"json"});
  if (!a.ok()) return UsageError(a.error());
  if (auto u = a.Unknown(kComuns); !u.empty()) return UsageError("opção desconhecida: --" + u);
  if (a.Positional().size() != 1) return UsageError("informe o número do recibo");
  const std::string nRec = a.Positional()[0];
  if (!ReciboValido(nRec)) return UsageError("recibo inválido: " + nRec);
  TTuimNFe nfe;
  if (int rc = ConfigurarSefaz(a, nfe, "NFeRetAutorizacao"); rc >= 0) return rc;
  TNFeRecibo s(nfe);
  s.Recibo = nRec;
  bool ok = false;
  try {
    ok = s.Executar();
  } catch (const std::exception& e) {
    std::cerr << "tuim: " << ParaUTF8(e.what()) << "\n";
    return kExitInvalid;
  }
  if (a.Has("json")) {
    std::cout << "{\"cStat\": " << s.cStat() << ", \"xMotivo\": " << JsonString(ParaUTF8(s.xMotivo())) << ", \"protocolos\": [";
    TProtDFeCollection& p = s.RetornoRecibo().ProtDFe();
    for (int i = 0; i < p.Count(); ++i)
      std::cout << (i ? ", " : "") << "{\"chNFe\": " << JsonString(p[i].chDFe) << ", \"cStat\": " << p[i].cStat
                << ", \"xMotivo\": " << JsonString(ParaUTF8(p[i].xMotivo)) << ", \"nProt\": " << JsonString(p[i].nProt)
                << "}";
    std::cout << "]}\n";
  } else {
    std::cout << "cStat=" << s.cStat() << "\nxMotivo=" << ParaUTF8(s.xMotivo()) << "\n";
    TProtDFeCollection& p = s.RetornoRecibo().ProtDFe();
    for (int i = 0; i < p.Count(); ++i)
      std::cout << "chNFe=" << p[i].chDFe << " cStat=" << p[i].cStat << " xMotivo=" << ParaUTF8(p[i].xMotivo)
                << " nProt=" << p[i].nProt << "\n";
  }
  return ok ? kExitOk : kExitInvalid;
}

const char* const kOpcoes =
    "                       --uf UF --pfx ARQUIVO [--senha SENHA] [--modelo 55|65]\n"
    "                       [--ambiente producao|homologacao] [--url URL] [--versao 4.00|3.10]\n"
    "                       [--cacert ARQUIVO] [--lib winhttp|wininet|openssl] [--timeout MS]\n"
    "                       [--salvar PASTA] [--schemas PASTA] [--catalogo ARQUIVO] [--json]\n";

const SubCommandRegistrar kAutorizar(
    {"sefaz", "autorizar", "envia NF-e/NFC-e assinadas para autorização",
     std::string("Uso: tuim sefaz autorizar NFE.xml [NFE2.xml ...] [--sincrono] [--zip] [--lote N]\n") + kOpcoes +
         "\nEnvia as NF-e assinadas num lote (enviNFe), consulta o recibo até o processamento e, quando a\n"
         "resposta se perde, consulta cada chave antes de qualquer reenvio. Mostra por documento chNFe=,\n"
         "cStat=, xMotivo=, nProt= e Arquivo= (o nfeProc gravado com --salvar). O progresso vai para a saída\n"
         "de erros. Saída 0 somente quando todos os documentos foram autorizados (cStat 100 ou 150).\n",
     Autorizar});

const SubCommandRegistrar kRecibo(
    {"sefaz", "recibo", "consulta o recibo de um lote",
     std::string("Uso: tuim sefaz recibo NREC\n") + kOpcoes +
         "\nEnvia consReciNFe com o recibo (15 dígitos) e mostra cStat=, xMotivo= e uma linha por protocolo.\n"
         "Saída 0 com cStat 104 (lote processado).\n",
     Recibo});

}  // namespace
}  // namespace tuim::cli
