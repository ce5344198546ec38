// `tuim chave validar` and `tuim chave gerar`: the document utilities' view of an access key.
#include <iostream>
#include <string>
#include <vector>

#include "cli/TuimCli.h"
#include "fiscal/TuimDFeUtil.h"
#include "fiscal/TuimDateTime.h"
#include "fiscal/TuimUtil.h"
#include "fiscal/fscAuxiliar.h"

namespace tuim::cli {
namespace {

int Validar(const std::vector<std::string>& words) {
  Args a(words, {"json"});
  if (!a.ok()) return UsageError(a.error());
  if (auto u = a.Unknown({"json"}); !u.empty()) return UsageError("opção desconhecida para chave validar: --" + u);
  if (a.Positional().size() != 1)
    return UsageError("chave validar espera um argumento (veja tuim chave validar --help)");
  std::string chave = DeUTF8(a.Positional()[0]);
  std::string motivo = ParaUTF8(MotivoChaveInvalida(chave));
  if (a.Has("json")) {
    std::cout << "{\"valida\":" << (motivo.empty() ? "true" : "false") << ",\"motivo\":" << JsonString(motivo);
    if (motivo.empty()) std::cout << ",\"modelo\":" << JsonString(ModeloDaChave(chave));
    std::cout << "}\n";
  } else {
    std::cout << (motivo.empty() ? "OK" : motivo) << "\n";
  }
  return motivo.empty() ? kExitOk : kExitInvalid;
}

// A whole non-negative decimal of at most `largura` digits.
bool Inteiro(const std::string& s, std::size_t largura, int& out) {
  if (!TextoNumerico(s) || s.size() > largura) return false;
  out = std::stoi(s);
  return true;
}

bool Data(const std::string& s, TDateTime& out) {
  if (s.size() != 10 || s[4] != '-' || s[7] != '-') return false;
  int y = 0, m = 0, d = 0;
  if (!Inteiro(s.substr(0, 4), 4, y) || !Inteiro(s.substr(5, 2), 2, m) || !Inteiro(s.substr(8, 2), 2, d)) return false;
  return TryEncodeDate(y, m, d, out);
}

int Gerar(const std::vector<std::string>& words) {
  static const std::vector<std::string> kOpcoes = {"uf", "data", "doc", "modelo", "serie",
                                                   "nnf", "tpemis", "cnf", "json"};
  Args a(words, {"json"});
  if (!a.ok()) return UsageError(a.error());
  if (auto u = a.Unknown(kOpcoes); !u.empty()) return UsageError("opção desconhecida para chave gerar: --" + u);
  if (!a.Positional().empty()) return UsageError("chave gerar não aceita argumentos soltos: " + a.Positional()[0]);
  for (const char* o : {"uf", "data", "doc", "nnf"})
    if (a.Get(o).empty()) return UsageError(std::string("chave gerar precisa de --") + o);

  std::string ufTexto = DeUTF8(a.Get("uf"));
  int uf = TextoNumerico(ufTexto) ? (ufTexto.size() <= 2 ? std::stoi(ufTexto) : 0) : SiglaParaCodigoUF(ufTexto);
  if (!ValidarCodigoUF(uf)) return UsageError("--uf deve ser o código IBGE (ex.: 51) ou a sigla de uma UF: " + a.Get("uf"));
  TDateTime data = 0;
  if (!Data(a.Get("data"), data)) return UsageError("--data deve ser uma data AAAA-MM-DD: " + a.Get("data"));

  struct Campo {
    const char* nome;
    std::size_t largura;
    const char* padrao;
    int valor;
  };
  Campo campos[] = {{"modelo", 2, "55", 0}, {"serie", 3, "1", 0}, {"nnf", 9, "", 0},
                    {"tpemis", 1, "1", 0},  {"cnf", 8, "0", 0}};
  for (Campo& c : campos) {
    std::string v = a.Get(c.nome, c.padrao);
    if (!Inteiro(v, c.largura, c.valor))
      return UsageError("--" + std::string(c.nome) + " deve ser um número de até " + std::to_string(c.largura) +
                        " dígitos: " + v);
  }
  std::string doc = DeUTF8(a.Get("doc"));
  std::string chave = GerarChaveAcesso(uf, data, doc, campos[1].valor, campos[2].valor, campos[3].valor,
                                       campos[4].valor, campos[0].valor);
  std::string motivo = ParaUTF8(MotivoChaveInvalida(chave));
  if (a.Has("json"))
    std::cout << "{\"chave\":" << JsonString(ParaUTF8(chave)) << ",\"cNF\":" << JsonString(chave.substr(35, 8))
              << ",\"valida\":" << (motivo.empty() ? "true" : "false") << "}\n";
  else
    std::cout << ParaUTF8(chave) << "\n";
  if (!motivo.empty()) {
    std::cerr << "tuim: a chave gerada não é válida: " << motivo << "\n";
    return kExitInvalid;
  }
  return kExitOk;
}

const SubCommandRegistrar kValidar(
    {"chave", "validar", "confere uma chave: tamanho, dígito, UF, ano e mês, CNPJ ou CPF",
     "Uso: tuim chave validar CHAVE [--json]\n"
     "  Confere, nesta ordem, os 44 dígitos (letras maiúsculas só na raiz do CNPJ, posições 7 a 18;\n"
     "  os demais caracteres são descartados), o dígito verificador, o código da UF, o ano e mês e\n"
     "  o CNPJ do emitente (o CPF das posições 10 a 20 quando a série está entre 920 e 969).\n"
     "  Mostra \"OK\", ou o motivo da recusa em uma linha.\n"
     "  --json   um objeto {\"valida\":true,\"motivo\":\"\",\"modelo\":\"55\"}\n"
     "  Sai com 0 se a chave for válida, 1 se não.\n",
     Validar});

const SubCommandRegistrar kGerar(
    {"chave", "gerar", "gera a chave de um documento, com código numérico aleatório se pedido",
     "Uso: tuim chave gerar --uf UF --data AAAA-MM-DD --doc CNPJ/CPF --nnf N [--modelo N] [--serie N]\n"
     "                      [--tpemis N] [--cnf N] [--json]\n"
     "  --uf UF        código IBGE (ex.: 51) ou sigla (MT) da UF do emitente\n"
     "  --data DATA    data de emissão (só ano e mês entram na chave)\n"
     "  --doc DOC      CNPJ (também alfanumérico) ou CPF do emitente; a pontuação é descartada\n"
     "  --modelo N     modelo do documento, até 2 dígitos (padrão 55)\n"
     "  --serie N      série, até 3 dígitos (padrão 1)\n"
     "  --nnf N        número do documento, até 9 dígitos\n"
     "  --tpemis N     tipo de emissão, 1 dígito (padrão 1)\n"
     "  --cnf N        código numérico, até 8 dígitos; 0 (o padrão) sorteia um código permitido\n"
     "  --json         um objeto {\"chave\":\"...\",\"cNF\":\"...\",\"valida\":true}\n"
     "  Mostra a chave. Sai com 1 (a chave é mostrada assim mesmo) se ela não for válida,\n"
     "  por exemplo por um CNPJ ou CPF errado.\n",
     Gerar});

}  // namespace
}  // namespace tuim::cli
