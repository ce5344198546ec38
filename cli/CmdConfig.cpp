// `tuim config`: print the INI of a configuration, or write a new one with the defaults.
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

#include "cli/TuimCli.h"
#include "component/TuimConfiguracoes.h"
#include "fiscal/TuimException.h"
#include "fiscal/TuimIni.h"
#include "fiscal/TuimUtil.h"

namespace tuim::cli {
namespace {

// A tree without owner: nothing is forwarded to a facade and no folder default is filled in,
// so what is printed is exactly what the file says over the defaults.
std::string TextoDaConfiguracao(const TTuimIni* origem, const std::string& chave) {
  TConfiguracoesNFe c;
  c.SetChaveCriptIni(chave);
  if (origem) c.CarregarIni(*origem);
  TTuimIni saida;
  c.SalvarIni(saida);
  return saida.Text();
}

int Show(const std::vector<std::string>& w) {
  Args a(w, {});
  if (!a.ok()) return UsageError(a.error());
  if (auto u = a.Unknown({"chave"}); !u.empty()) return UsageError("opção desconhecida: --" + u);
  if (a.Positional().size() > 1) return UsageError("config show aceita um só ARQUIVO");
  std::string chave = DeUTF8(a.Get("chave"));
  if (a.Positional().empty()) {
    std::cout << ParaUTF8(TextoDaConfiguracao(nullptr, chave));
    return kExitOk;
  }
  const std::string& arquivo = a.Positional()[0];
  TTuimIni ini;
  if (!std::filesystem::is_regular_file(arquivo) || !ini.LoadFromFile(arquivo)) {
    std::cerr << "tuim: não foi possível ler " << arquivo << "\n";
    return kExitInvalid;
  }
  try {
    std::cout << ParaUTF8(TextoDaConfiguracao(&ini, chave));
  } catch (const ETuimDFeException& e) {
    // A value the setters refuse, such as a malformed time-zone offset.
    std::cerr << "tuim: " << arquivo << ": " << ParaUTF8(e.what()) << "\n";
    return kExitInvalid;
  }
  return kExitOk;
}

int Init(const std::vector<std::string>& w) {
  Args a(w, {"forcar"});
  if (!a.ok()) return UsageError(a.error());
  if (auto u = a.Unknown({"chave", "forcar"}); !u.empty()) return UsageError("opção desconhecida: --" + u);
  if (a.Positional().size() != 1) return UsageError("config init precisa de um ARQUIVO");
  const std::string& arquivo = a.Positional()[0];
  std::error_code ec;
  if (std::filesystem::exists(arquivo, ec) && !a.Has("forcar")) {
    std::cerr << "tuim: " << arquivo << " já existe (use --forcar para substituir)\n";
    return kExitInvalid;
  }
  TConfiguracoesNFe c;
  c.SetChaveCriptIni(DeUTF8(a.Get("chave")));
  TTuimIni ini;
  c.SalvarIni(ini);
  try {
    ini.SaveToFile(arquivo);
  } catch (const ETuimDFeException& e) {
    return Falha(e.what());
  }
  std::cout << arquivo << "\n";
  return kExitOk;
}

const CommandRegistrar kConfig({"config", "configuração do componente NF-e em INI: mostrar, criar",
                                "Uso: tuim config SUBCOMANDO [opções]\n\n"
                                "Arquivo INI da configuração do componente NF-e, seções \"DFe\", \"NFe\" e \"Proxy\".\n"
                                "Senhas e o PFX em memória ficam em Base64, embaralhados com --chave quando dada.\n"
                                "Código de saída: 0 sucesso, 1 arquivo ilegível ou já existente, 2 erro de uso.\n",
                                [](const std::vector<std::string>& w) { return RunSubCommand("config", w); }});

const SubCommandRegistrar kShow(
    {"config", "show", "mostra a configuração completa lida de um INI",
     "Uso: tuim config show [ARQUIVO] [--chave CHAVE]\n"
     "  Lê ARQUIVO sobre os valores padrão e mostra o INI completo que a configuração grava,\n"
     "  com todas as chaves na ordem de gravação. Sem ARQUIVO, mostra os valores padrão.\n"
     "  --chave CHAVE   chave que embaralha os segredos do arquivo (ChaveCriptIni)\n"
     "  Sai com 1 se ARQUIVO não puder ser lido.\n",
     Show});

const SubCommandRegistrar kInit(
    {"config", "init", "grava um INI novo com os valores padrão",
     "Uso: tuim config init ARQUIVO [--chave CHAVE] [--forcar]\n"
     "  Grava em ARQUIVO a configuração padrão completa (pastas que faltam são criadas).\n"
     "  --chave CHAVE   chave que embaralha os segredos gravados (ChaveCriptIni)\n"
     "  --forcar        substitui ARQUIVO se ele já existir\n"
     "  Sai com 1 se ARQUIVO já existir sem --forcar.\n",
     Init});

}  // namespace
}  // namespace tuim::cli
