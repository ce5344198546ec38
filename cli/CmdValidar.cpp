// `tuim validar`: check one document number with the validator and explain a failure.
#include <iostream>
#include <string>
#include <vector>

#include "cli/TuimCli.h"
#include "fiscal/TuimValidador.h"

namespace tuim::cli {
namespace {

// Windows-1252 bytes 0x80-0x9F as Unicode (0 where the code page has no character).
constexpr char16_t kAlto[32] = {0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
                                0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

std::string ParaUtf8(const std::string& s) {
  std::string out;
  for (unsigned char c : s) {
    char32_t cp = c >= 0x80 && c < 0xA0 ? kAlto[c - 0x80] : c;
    if (cp == 0) cp = 0xFFFD;
    if (cp < 0x80) {
      out += static_cast<char>(cp);
    } else if (cp < 0x800) {
      out += static_cast<char>(0xC0 | (cp >> 6));
      out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
      out += static_cast<char>(0xE0 | (cp >> 12));
      out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (cp & 0x3F));
    }
  }
  return out;
}

// A character the code page lacks, or a broken sequence, becomes '?'.
std::string DeUtf8(const std::string& s) {
  std::string out;
  for (std::size_t i = 0; i < s.size();) {
    unsigned char c = s[i];
    std::size_t len = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
    bool ok = len > 0 && i + len <= s.size();
    char32_t cp = len == 1 ? c : c & (0x7F >> len);
    for (std::size_t k = 1; ok && k < len; ++k) {
      unsigned char t = s[i + k];
      ok = (t & 0xC0) == 0x80;
      cp = (cp << 6) | (t & 0x3F);
    }
    if (!ok) {
      out += '?';
      ++i;
      continue;
    }
    i += len;
    char b = '?';
    if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) {
      b = static_cast<char>(cp);
    } else {
      for (int k = 0; k < 32; ++k)
        if (kAlto[k] != 0 && kAlto[k] == cp) b = static_cast<char>(0x80 + k);
    }
    out += b;
  }
  return out;
}

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
  v.SetDocumento(DeUtf8(a.Positional()[1]));
  v.SetComplemento(DeUtf8(a.Get("uf")));
  v.SetAjustarTamanho(a.Has("ajustar"));
  const bool ok = v.Validar();
  const std::string msg = ParaUtf8(v.MsgErro());
  if (a.Has("json")) {
    std::cout << "{\"tipo\":" << JsonString(nome) << ",\"documento\":" << JsonString(a.Positional()[1])
              << ",\"valido\":" << (ok ? "true" : "false") << ",\"mensagem\":" << JsonString(msg)
              << ",\"digitoCalculado\":" << JsonString(ParaUtf8(v.DigitoCalculado())) << "}\n";
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
