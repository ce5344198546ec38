// `tuim sefaz autorizar` and `tuim sefaz recibo`: signed documents to authorisation, and a
// receipt asked again.
#include <cstdlib>
#include <fstream>
#include <initializer_list>
#include <iostream>
#include <iterator>
#include <string>
#include <vector>

#include "cli/TuimCli.h"
#include "component/TuimNFe.h"
#include "component/TuimNotasFiscais.h"
#include "fiscal/TuimDateTime.h"
#include "fiscal/TuimUtil.h"
#include "fiscal/fscAuxiliar.h"
#include "services/TuimServicosEnvio.h"
#include "xml/TuimNFeR.h"

namespace tuim::cli {

int ConfigurarSefaz(Args& a, TTuimNFe& nfe, const std::string& servico, const std::string& ufSecao = "");
std::vector<std::string> OpcoesSefazComuns(std::initializer_list<const char*> proprias);
const char* TextoOpcoesSefaz();

namespace {

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
  if (auto u = a.Unknown(OpcoesSefazComuns({"sincrono", "zip", "lote"})); !u.empty()) return UsageError("opção desconhecida: --" + u);
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
    return Falha(e.what());
  }
  for (const TResultadoNota& r : envio.Resultados()) ImprimirResultado(a.Has("json"), r);
  return todas ? kExitOk : kExitInvalid;
}

int Recibo(const std::vector<std::string>& words) {
  Args a(words, {"json"});
  if (!a.ok()) return UsageError(a.error());
  if (auto u = a.Unknown(OpcoesSefazComuns({})); !u.empty()) return UsageError("opção desconhecida: --" + u);
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
    return Falha(e.what());
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

const char* const kOpcoes = TextoOpcoesSefaz();

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


// ---- events ---------------------------------------------------------------------------------

struct TTipoEventoCli {
  const char* nome;
  TfscTpEvento tipo;
};
const TTipoEventoCli kTiposEvento[] = {
    {"cancelar", teCancelamento},          {"cce", teCCe},
    {"ciencia", teManifDestCiencia},       {"confirmar", teManifDestConfirmacao},
    {"desconhecer", teManifDestDesconhecimento}, {"nao-realizada", teManifDestOperNaoRealizada},
};

int Evento(const std::vector<std::string>& words) {
  Args a(words, {"json"});
  if (!a.ok()) return UsageError(a.error());
  if (auto u = a.Unknown(OpcoesSefazComuns({"chave", "cnpj", "seq", "protocolo", "justificativa", "correcao", "lote"}));
      !u.empty()) return UsageError("opção desconhecida: --" + u);
  if (a.Positional().size() != 1) return UsageError("informe o evento: cancelar, cce, ciencia, confirmar, desconhecer ou nao-realizada");
  const TTipoEventoCli* tipo = nullptr;
  for (const auto& t : kTiposEvento)
    if (a.Positional()[0] == t.nome) tipo = &t;
  if (!tipo) return UsageError("evento desconhecido: " + a.Positional()[0]);
  const std::string chave = a.Get("chave");
  if (!ValidarChaveAcesso(chave)) return UsageError("--chave inválida");
  if (!a.Has("cnpj")) return UsageError("informe --cnpj do autor do evento");
  int seq = std::atoi(a.Get("seq", "1").c_str());
  if (seq < 1 || seq > 20) return UsageError("--seq inválido");
  if (tipo->tipo == teCancelamento && (!a.Has("protocolo") || !a.Has("justificativa")))
    return UsageError("cancelar pede --protocolo e --justificativa");
  if (tipo->tipo == teCCe && !a.Has("correcao")) return UsageError("cce pede --correcao");
  if (tipo->tipo == teManifDestOperNaoRealizada && !a.Has("justificativa"))
    return UsageError("nao-realizada pede --justificativa");

  TTuimNFe nfe;
  if (int rc = ConfigurarSefaz(a, nfe, "RecepcaoEvento"); rc >= 0) return rc;
  TInfEvento& e = nfe.EventoNFe().Evento().New().InfEvento();
  e.SetchNFe(chave);
  e.SetCNPJ(DeUTF8(a.Get("cnpj")));
  e.SetdhEvento(Now());
  e.SettpEvento(tipo->tipo);
  e.SetnSeqEvento(seq);
  e.SetverEvento("1.00");
  if (a.Has("protocolo")) e.detEvento().SetnProt(a.Get("protocolo"));
  if (a.Has("justificativa")) e.detEvento().SetxJust(DeUTF8(a.Get("justificativa")));
  if (tipo->tipo == teCCe) {
    e.detEvento().SetxCorrecao(DeUTF8(a.Get("correcao")));
    e.detEvento().SetxCondUso("");
  }
  TNFeEnvEvento s(nfe);
  s.idLote = std::atoll(a.Get("lote", "1").c_str());
  bool ok = false;
  try {
    ok = s.Executar();
  } catch (const std::exception& ex) {
    return Falha(ex.what());
  }
  const TRetInfEvento& r = nfe.EventoNFe().Evento()[0].RetInfEvento();
  const int cStat = r.cStat ? r.cStat : s.cStat();
  const std::string xMotivo = r.cStat ? r.xMotivo : s.xMotivo();
  if (a.Has("json"))
    std::cout << "{\"cStat\": " << cStat << ", \"xMotivo\": " << JsonString(ParaUTF8(xMotivo))
              << ", \"nProt\": " << JsonString(r.nProt) << ", \"Arquivo\": " << JsonString(ParaUTF8(r.NomeArquivo)) << "}\n";
  else
    std::cout << "cStat=" << cStat << " xMotivo=" << ParaUTF8(xMotivo) << " nProt=" << r.nProt
              << " Arquivo=" << ParaUTF8(r.NomeArquivo) << "\n";
  return ok ? kExitOk : kExitInvalid;
}

// ---- distribution ---------------------------------------------------------------------------

int Distribuicao(const std::vector<std::string>& words) {
  Args a(words, {"json", "ate-o-fim"});
  if (!a.ok()) return UsageError(a.error());
  if (auto u = a.Unknown(OpcoesSefazComuns({"cnpj", "ult-nsu", "nsu", "chave", "ate-o-fim"})); !u.empty()) return UsageError("opção desconhecida: --" + u);
  if (!a.Has("cnpj")) return UsageError("informe --cnpj");
  const std::string nsu = a.Get("nsu"), chave = a.Get("chave");
  std::string ult = a.Get("ult-nsu", "0");
  for (const std::string& n : {nsu, ult})
    if (n.size() > 15 || n.find_first_not_of("0123456789") != std::string::npos) return UsageError("NSU inválido: " + n);
  if (!chave.empty() && !ValidarChaveAcesso(chave)) return UsageError("--chave inválida");
  TTuimNFe nfe;
  if (int rc = ConfigurarSefaz(a, nfe, "NFeDistribuicaoDFe", "AN"); rc >= 0) return rc;
  TDistribuicaoDFe s(nfe);
  s.cUFAutor = nfe.Configuracoes().WebServices().UFCodigo();
  s.CNPJCPF = a.Get("cnpj");
  s.NSU = nsu;
  s.chNFe = chave;
  const bool laco = a.Has("ate-o-fim") && nsu.empty() && chave.empty();
  // An NSU of the answer as a number; -1 when it is not one.
  auto numero = [](const std::string& n) -> long long {
    if (n.empty() || n.size() > 15 || n.find_first_not_of("0123456789") != std::string::npos) return -1;
    return std::atoll(n.c_str());
  };
  for (int volta = 0;; ++volta) {
    s.ultNSU = nsu.empty() && chave.empty() ? ult : "";
    bool ok = false;
    try {
      ok = s.Executar();
    } catch (const std::exception& ex) {
      std::cerr << "tuim: " << ParaUTF8(ex.what()) << " (retome com --ult-nsu " << ult << ")\n";
      return kExitInvalid;
    }
    TRetDistDFeInt& r = s.retDistDFeInt();
    std::cerr << "tuim: cStat=" << r.cStat << " ultNSU=" << r.ultNSU << " maxNSU=" << r.maxNSU
              << " documentos=" << s.ListaArqs().size() << "\n";
    for (const std::string& arq : s.ListaArqs()) std::cout << "Arquivo=" << ParaUTF8(arq) << "\n";
    if (!ok || r.cStat == 137 || r.cStat == 656) {
      std::cout << "cStat=" << r.cStat << " xMotivo=" << ParaUTF8(r.xMotivo) << " ultNSU=" << (r.ultNSU.empty() ? ult : r.ultNSU) << "\n";
      return r.cStat == 137 ? kExitOk : kExitInvalid;
    }
    // Asking again from an NSU that did not move forward would ask for the same page forever.
    const bool avancou = numero(r.ultNSU) > numero(ult);
    if (avancou || !laco) ult = r.ultNSU.empty() ? ult : r.ultNSU;
    if (!laco || r.ultNSU == r.maxNSU) {
      std::cout << "cStat=" << r.cStat << " xMotivo=" << ParaUTF8(r.xMotivo) << " ultNSU=" << ult << "\n";
      return kExitOk;
    }
    if (!avancou || volta >= 999) {
      std::cerr << "tuim: " << (avancou ? "limite de 1000 consultas" : "o ultNSU da resposta não avançou") << "\n";
      std::cout << "cStat=" << r.cStat << " xMotivo=" << ParaUTF8(r.xMotivo) << " ultNSU=" << ult << "\n";
      return kExitInvalid;
    }
  }
}

// ---- CSC ------------------------------------------------------------------------------------

int Csc(const std::vector<std::string>& words) {
  Args a(words, {"json"});
  if (!a.ok()) return UsageError(a.error());
  if (auto u = a.Unknown(OpcoesSefazComuns({"cnpj", "id", "csc"})); !u.empty()) return UsageError("opção desconhecida: --" + u);
  if (a.Positional().size() != 1) return UsageError("informe consultar, novo ou revogar");
  const std::string op = a.Positional()[0];
  if (op != "consultar" && op != "novo" && op != "revogar") return UsageError("operação desconhecida: " + op);
  if (a.Get("cnpj").size() < 8) return UsageError("informe --cnpj");
  if (op == "revogar" && (!a.Has("id") || !a.Has("csc"))) return UsageError("revogar pede --id e --csc");
  TTuimNFe nfe;
  if (int rc = ConfigurarSefaz(a, nfe, "CscNFCe"); rc >= 0) return rc;
  TAdministrarCSCNFCe s(nfe);
  s.RaizCNPJ = a.Get("cnpj").substr(0, 8);
  s.indOp = op == "consultar" ? indOp1 : op == "novo" ? indOp2 : indOp3;
  s.IdCSC = std::atoi(a.Get("id", "0").c_str());
  s.CodigoCSC = a.Get("csc");
  bool ok = false;
  try {
    ok = s.Executar();
  } catch (const std::exception& ex) {
    return Falha(ex.what());
  }
  std::cout << "cStat=" << s.cStat() << "\nxMotivo=" << ParaUTF8(s.xMotivo()) << "\n";
  TRetdadosCscCollection& d = s.retAdmCSCNFCe().dadosCsc();
  for (int i = 0; i < d.Count(); ++i)
    if (d[i].idCsc) std::cout << "idCsc=" << d[i].idCsc << " CSC=" << d[i].codigoCsc << "\n";
  return ok ? kExitOk : kExitInvalid;
}

const SubCommandRegistrar kEvento(
    {"sefaz", "evento", "envia um evento assinado (cancelamento, carta de correção, manifestação)",
     std::string("Uso: tuim sefaz evento cancelar|cce|ciencia|confirmar|desconhecer|nao-realizada\n"
                 "                       --chave CHAVE --cnpj AUTOR [--seq N] [--protocolo NPROT]\n"
                 "                       [--justificativa TEXTO] [--correcao TEXTO] [--lote N]\n") +
         kOpcoes +
         "\nAssina o evento com o certificado e envia ao estado da chave (manifestações ao ambiente nacional).\n"
         "Mostra cStat=, xMotivo=, nProt= e Arquivo= (o procEventoNFe gravado com --salvar). Saída 0 com o\n"
         "evento registrado (135, 136 ou 155).\n",
     Evento});

const SubCommandRegistrar kDistribuicao(
    {"sefaz", "distribuicao", "baixa documentos de interesse do ambiente nacional",
     std::string("Uso: tuim sefaz distribuicao --cnpj CNPJ [--ult-nsu N | --nsu N | --chave CHAVE] [--ate-o-fim]\n") +
         kOpcoes +
         "\nPede nfeDistDFeInteresse e grava cada documento pelas regras de pastas (--salvar). Com --ate-o-fim\n"
         "repete até ultNSU = maxNSU, com uma linha de progresso por resposta na saída de erros; para em 137,\n"
         "em 656 ou numa resposta cujo ultNSU não avança, mostrando o ultNSU de onde retomar.\n",
     Distribuicao});

const SubCommandRegistrar kCsc(
    {"sefaz", "csc", "consulta, gera ou revoga o CSC da NFC-e",
     std::string("Uso: tuim sefaz csc consultar|novo|revogar --cnpj CNPJ [--id N --csc CODIGO]\n") + kOpcoes +
         "\nAdministra o código de segurança do contribuinte. Os arquivos gravados com --salvar nunca contêm o\n"
         "código. Saída 0 com cStat 150 a 153.\n",
     Csc});

}  // namespace
}  // namespace tuim::cli
