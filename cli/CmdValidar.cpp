// `tuim validar`: check one document number with the validator and explain a failure.
#include <iostream>
#include <string>
#include <vector>

#include "cli/TuimCli.h"
#include "fiscal/TuimUtil.h"
#include "fiscal/TuimValidador.h"

namespace tuim::cli {
namespace {

struct Tipo {
  const char* nome;
  TTuimValTipoDocto tipo;
};

constexpr Tipo kTipos[] = {
    {"cpf", docCPF},         {"cnpj", docCNPJ},         {"uf", docUF},
    {"ie", docInscEst},      {"cheque", docNumCheque},  {"pis", docPIS},
    {"cep", docCEP},         {"cartao", docCartaoCredito}, {"suframa", docSuframa},
    {"gtin", docGTIN},       {"renavam", docRenavam},   {"email", docEmail},
    {"cnh", docCNH},         {"prefixogtin", docPrefixoGTIN}, {"caepf", docCAEPF},
    {"placa", docPlacaMercosul},
};

std::string NomesTipos() {
  std::string r;
  for (const Tipo& t : kTipos) r += (r.empty() ? "" : " ") + std::string(t.nome);
  return r;
}

int Validar(const std::vector<std::string>& words) {
  Args a(words, {"ajustar", "json"});
  if (!a.ok()) return UsageError(a.error());
  if (auto u = a.Unknown({"uf", "ajustar", "json"}); !u.empty()) return UsageError("opção desconhecida: --" + u);
  if (a.Positional().size() != 2) return UsageError("uso: tuim validar TIPO DOCUMENTO [--uf UF] [--ajustar] [--json]");
  const std::string& nome = a.Positional()[0];
  const Tipo* tipo = nullptr;
  for (const Tipo& t : kTipos)
    if (nome == t.nome) tipo = &t;
  if (!tipo) return UsageError("tipo desconhecido: " + nome + " (tipos: " + NomesTipos() + ")");

  TTuimValidador v;
  v.SetTipoDocto(tipo->tipo);
  v.SetDocumento(DeUTF8(a.Positional()[1]));
  v.SetComplemento(DeUTF8(a.Get("uf")));
  v.SetAjustarTamanho(a.Has("ajustar"));
  const bool ok = v.Validar();
  const std::string msg = ParaUTF8(v.MsgErro());
  if (a.Has("json")) {
    std::cout << "{\"tipo\":" << JsonString(nome) << ",\"documento\":" << JsonString(a.Positional()[1])
              << ",\"valido\":" << (ok ? "true" : "false") << ",\"mensagem\":" << JsonString(msg)
              << ",\"digitoCalculado\":" << JsonString(ParaUTF8(v.DigitoCalculado())) << "}\n";
  } else {
    std::cout << (ok ? std::string("OK") : msg) << "\n";
  }
  return ok ? kExitOk : kExitInvalid;
}

const CommandRegistrar kRegistro{Command{
    "validar", "valida CPF, CNPJ, IE, CEP, GTIN e outros documentos",
    "Uso: tuim validar TIPO DOCUMENTO [--uf UF] [--ajustar] [--json]\n\n"
    "Valida o número de um documento. TIPO é um de:\n"
    "  cpf cnpj uf ie cheque pis cep cartao suframa gtin renavam email cnh prefixogtin caepf placa\n\n"
    "Opções:\n"
    "  --uf UF     sigla do estado (complemento de ie e cep)\n"
    "  --ajustar   completa com zeros à esquerda (ou corta) até o tamanho esperado\n"
    "  --json      responde com um objeto JSON: tipo, documento, valido, mensagem, digitoCalculado\n\n"
    "Pontos, barras e hífens são ignorados. O CNPJ aceita a forma alfanumérica (12 letras\n"
    "maiúsculas ou dígitos e 2 dígitos verificadores).\n"
    "Saída: \"OK\" e código 0 quando válido; a mensagem do validador e código 1 quando não;\n"
    "código 2 para erro de uso.\n",
    Validar}};

}  // namespace
}  // namespace tuim::cli
