// `tuim xml proc`: joins a signed NF-e and the authority's answer into the processed form nfeProc.
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "cli/TuimCli.h"
#include "fiscal/TuimUtil.h"
#include "xml/TuimProcNFe.h"

namespace tuim::cli {
namespace {

// Text between the first `inicio` and the next `fim`; empty when either is missing.
std::string Entre(const std::string& s, const std::string& inicio, const std::string& fim) {
  std::size_t p = s.find(inicio);
  if (p == std::string::npos) return {};
  p += inicio.size();
  std::size_t q = s.find(fim, p);
  return q == std::string::npos ? std::string() : s.substr(p, q - p);
}

// The protNFe element of a file that holds nothing else (a declaration aside); empty otherwise.
std::string ProtocoloAvulso(const std::string& texto) {
  std::size_t p = texto.find('<');
  if (p != std::string::npos && texto.compare(p, 5, "<?xml") == 0) p = texto.find('<', texto.find("?>", p));
  if (p == std::string::npos || texto.compare(p, 9, "<protNFe ") != 0) return {};
  std::size_t q = texto.rfind("</protNFe>");
  return q == std::string::npos ? std::string() : texto.substr(p, q + 10 - p);
}

int Proc(const std::vector<std::string>& words) {
  Args a(words, {"identar"});
  if (!a.ok()) return UsageError(a.error());
  if (auto u = a.Unknown({"versao", "identar"}); !u.empty()) return UsageError("opção desconhecida: --" + u);
  if (a.Positional().size() != 3) return UsageError("informe NFE RESPOSTA e SAIDA");
  const std::string& arqNFe = a.Positional()[0];
  const std::string& arqResposta = a.Positional()[1];
  std::string nfe, resposta;
  if (!LerArquivo(arqNFe, nfe)) return UsageError("não foi possível ler " + arqNFe);
  if (!LerArquivo(arqResposta, resposta)) return UsageError("não foi possível ler " + arqResposta);

  TProcNFe proc;
  proc.Gerador().Opcoes().SetIdentarXML(a.Has("identar"));
  proc.Versao = a.Get("versao", Entre(Entre(nfe, "<infNFe", ">"), "versao=\"", "\""));
  if (proc.Versao.empty()) proc.Versao = "4.00";

  // The answer may be a protocol on its own, a situation answer, or any answer that lists
  // protNFe groups (batch receipt, synchronous authorization).
  if (std::string prot = ProtocoloAvulso(resposta); !prot.empty()) {
    proc.XMLNFe = nfe;
    proc.XMLProt = prot;
  } else {
    proc.ArquivoNFe = arqNFe;
    if (resposta.find("<retConsSitNFe") != std::string::npos)
      proc.ArquivoRetConsSit = arqResposta;
    else
      proc.ArquivoRetConsReci = arqResposta;
  }

  bool ok = false;
  try {
    ok = proc.MontarProcNFe();
  } catch (const ETuimDFeException& e) {
    return Falha(e.what());
  }
  if (!ok) {
    for (const std::string& alerta : proc.Gerador().ListaDeAlertas()) std::cerr << ParaUTF8(alerta) << "\n";
    return kExitInvalid;
  }
  std::ofstream o(a.Positional()[2], std::ios::binary | std::ios::trunc);
  if (!(o << proc.Gerador().ArquivoFormatoXML()) || !o.flush())
    return UsageError("não foi possível gravar " + a.Positional()[2]);
  std::cout << "OK\n";
  return kExitOk;
}

const SubCommandRegistrar kProc({"xml", "proc", "junta a NF-e assinada e o protocolo em nfeProc",
                                 "Uso: tuim xml proc NFE RESPOSTA SAIDA [--versao 4.00] [--identar]\n"
                                 "RESPOSTA é um protNFe, a resposta da consulta de situação (retConsSitNFe) ou\n"
                                 "uma resposta com grupos protNFe (recibo, autorização síncrona): vale o protocolo\n"
                                 "da chave da NF-e. --versao vale para nfeProc (padrão: a versão da NF-e).\n"
                                 "Saída 1 com os alertas quando falta protocolo, chave, assinatura ou arquivo.\n",
                                 Proc});

}  // namespace
}  // namespace tuim::cli
