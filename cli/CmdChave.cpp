// `tuim chave`: take an access key apart, put one together, compute its check digit.
#include <iostream>
#include <string>
#include <vector>

#include "fiscal/TuimChaveAcesso.h"
#include "cli/TuimCli.h"
#include "fiscal/TuimUtil.h"
#include "fiscal/fscAuxiliar.h"

namespace tuim::cli {
namespace {

std::string Texto(char c) { return c == '\0' ? std::string() : std::string(1, c); }

struct Campo {
  const char* nome;
  std::string valor;
};

std::vector<Campo> CamposEmOrdem(const AccessKeyFields& f) {
  return {{"UF", f.UF.str()},         {"Ano", f.Ano.str()},     {"Mes", f.Mes.str()},
          {"CNPJ", f.CNPJ.str()},     {"Modelo", f.Modelo.str()}, {"Serie", f.Serie.str()},
          {"NNF", f.NNF.str()},       {"TipoEmissao", Texto(f.TipoEmissao)}, {"CNF", f.CNF.str()},
          {"DV", Texto(f.DV)}};
}

// The single positional argument of a subcommand that takes one, or a usage error.
bool UmArgumento(const Args& a, const std::string& sub, const std::vector<std::string>& known, std::string& out,
                 int& rc) {
  if (!a.ok()) { rc = UsageError(a.error()); return false; }
  if (auto u = a.Unknown(known); !u.empty()) {
    rc = UsageError("opção desconhecida para chave " + sub + ": --" + u);
    return false;
  }
  if (a.Positional().size() != 1) {
    rc = UsageError("chave " + sub + " espera um argumento (veja tuim chave " + sub + " --help)");
    return false;
  }
  out = a.Positional()[0];
  return true;
}

int Decompor(const std::vector<std::string>& words) {
  Args a(words, {"json"});
  std::string arg;
  int rc = kExitOk;
  if (!UmArgumento(a, "decompor", {"json"}, arg, rc)) return rc;
  std::string key = DeUTF8(arg);
  if (!ChaveBemFormada(key)) {
    std::cerr << "tuim: chave inválida: são esperados 44 dígitos (letras maiúsculas só na raiz do CNPJ, "
                 "posições 7 a 18), recebidos "
              << key.size() << " caracteres\n";
    return kExitInvalid;
  }
  auto campos = CamposEmOrdem(DecomporChaveAcesso(key));
  if (a.Has("json")) {
    std::string j = "{";
    for (std::size_t i = 0; i < campos.size(); ++i)
      j += (i ? "," : "") + JsonString(campos[i].nome) + ":" + JsonString(ParaUTF8(campos[i].valor));
    std::cout << j << "}\n";
  } else {
    for (const auto& c : campos) std::cout << c.nome << "=" << ParaUTF8(c.valor) << "\n";
  }
  return kExitOk;
}

int Compor(const std::vector<std::string>& words) {
  static const std::vector<std::string> kOpcoes = {"uf", "anomes", "cnpj", "modelo", "serie", "nnf", "tpemis", "cnf"};
  Args a(words, {"json"});
  if (!a.ok()) return UsageError(a.error());
  std::vector<std::string> known = kOpcoes;
  known.push_back("json");
  if (auto u = a.Unknown(known); !u.empty()) return UsageError("opção desconhecida para chave compor: --" + u);
  if (!a.Positional().empty()) return UsageError("chave compor não aceita argumentos soltos: " + a.Positional()[0]);
  for (const auto& o : kOpcoes)
    if (a.Get(o).empty()) return UsageError("chave compor precisa de --" + o + " com um valor não vazio");
  TEditoresChave e;
  e.UF = DeUTF8(a.Get("uf"));
  e.AnoMes = DeUTF8(a.Get("anomes"));
  e.CNPJ = DeUTF8(a.Get("cnpj"));
  e.Modelo = DeUTF8(a.Get("modelo"));
  e.Serie = DeUTF8(a.Get("serie"));
  e.NNF = DeUTF8(a.Get("nnf"));
  e.TipoEmissao = DeUTF8(a.Get("tpemis"));
  e.CNF = DeUTF8(a.Get("cnf"));
  AccessKeyFields f = CamposDosEditores(e);
  std::string key = ComporChaveAcesso(f);
  bool valida = ChaveBemFormada(key);
  if (a.Has("json"))
    std::cout << "{\"chave\":" << JsonString(ParaUTF8(key)) << ",\"DV\":" << JsonString(Texto(f.DV))
              << ",\"valida\":" << (valida ? "true" : "false") << "}\n";
  else
    std::cout << ParaUTF8(key) << "\n";
  if (!valida) {
    std::cerr << "tuim: a chave composta não tem 44 dígitos (" << key.size()
              << " caracteres); o dígito verificador ficou " << Texto(f.DV) << "\n";
    return kExitInvalid;
  }
  return kExitOk;
}

int Dv(const std::vector<std::string>& words) {
  Args a(words, {"json"});
  std::string arg;
  int rc = kExitOk;
  if (!UmArgumento(a, "dv", {"json"}, arg, rc)) return rc;
  int digit = 0;
  bool ok = DigitoChaveAcesso(DeUTF8(arg), digit);
  if (a.Has("json"))
    std::cout << "{\"DV\":" << digit << ",\"ok\":" << (ok ? "true" : "false") << "}\n";
  else
    std::cout << digit << "\n";
  if (!ok) {
    std::cerr << "tuim: o texto não tem exatamente 43 dígitos\n";
    return kExitInvalid;
  }
  return kExitOk;
}

const CommandRegistrar kChave({"chave", "chave de acesso: decompor, compor, dígito verificador",
                               "Uso: tuim chave SUBCOMANDO [opções]\n\n"
                               "Chave de acesso de 44 dígitos da NF-e/NFC-e: UF(2) Ano(2) Mes(2) CNPJ(14) Modelo(2)\n"
                               "Serie(3) NNF(9) TipoEmissao(1) CNF(8) DV(1). A raiz do CNPJ (posições 7 a 18) pode\n"
                               "ter letras maiúsculas (CNPJ alfanumérico), valendo o código ASCII menos 48.\n"
                               "Todo subcomando aceita --json (um objeto JSON na saída) e --help.\n"
                               "Código de saída: 0 sucesso, 1 chave inválida, 2 erro de uso.\n",
                               [](const std::vector<std::string>& w) { return RunSubCommand("chave", w); }});

const SubCommandRegistrar kDecompor(
    {"chave", "decompor", "mostra os dez campos de uma chave",
     "Uso: tuim chave decompor CHAVE [--json]\n"
     "  Mostra os dez campos da chave, um \"Nome=valor\" por linha, na ordem do leiaute:\n"
     "  UF, Ano, Mes, CNPJ, Modelo, Serie, NNF, TipoEmissao, CNF, DV. O dígito verificador é\n"
     "  mostrado como veio, sem conferência (para conferir: tuim chave dv).\n"
     "  --json   um objeto {\"UF\":\"51\",...,\"DV\":\"3\"}\n"
     "  Sai com 1 se CHAVE não tiver 44 dígitos (letras maiúsculas só nas posições 7 a 18).\n",
     Decompor});

const SubCommandRegistrar kCompor(
    {"chave", "compor", "monta a chave a partir dos campos, com o dígito verificador",
     "Uso: tuim chave compor --uf UF --anomes AAMM --cnpj CNPJ --modelo N --serie N --nnf N\n"
     "                       --tpemis N --cnf N [--json]\n"
     "  Monta a chave como a janela do tuim-workbench: --uf, --modelo, --serie, --nnf, --tpemis e\n"
     "  --cnf perdem o que não for dígito, recebem zeros à esquerda até 2, 2, 3, 9, 1 e 8 dígitos\n"
     "  e, se maiores, ficam com os da esquerda; --anomes (caracteres 1-2 ano, 3-4 mês) e --cnpj\n"
     "  (14 primeiros caracteres) entram como digitados. O dígito verificador é calculado.\n"
     "  --uf UF          código IBGE da UF (ex.: 51)\n"
     "  --anomes AAMM    ano e mês de emissão (ex.: 2401)\n"
     "  --cnpj CNPJ      CNPJ do emitente, 14 caracteres, sem pontuação\n"
     "  --modelo N       modelo do documento (55 NF-e, 65 NFC-e)\n"
     "  --serie N        série\n"
     "  --nnf N          número do documento\n"
     "  --tpemis N       tipo de emissão\n"
     "  --cnf N          código numérico\n"
     "  --json           um objeto {\"chave\":\"...\",\"DV\":\"3\",\"valida\":true}\n"
     "  Sai com 1 (a chave é mostrada assim mesmo) se o resultado não for uma chave de 44 dígitos.\n",
     Compor});

const SubCommandRegistrar kDv(
    {"chave", "dv", "dígito verificador dos 43 primeiros dígitos",
     "Uso: tuim chave dv TEXTO [--json]\n"
     "  Mostra o dígito verificador (módulo 11) dos 43 primeiros dígitos de TEXTO; os demais\n"
     "  caracteres são descartados (letras maiúsculas valem na raiz do CNPJ).\n"
     "  --json   um objeto {\"DV\":3,\"ok\":true}\n"
     "  Sai com 1 se TEXTO não tiver exatamente 43 dígitos (o dígito é mostrado assim mesmo).\n",
     Dv});

}  // namespace
}  // namespace tuim::cli
