#include <algorithm>
#include <fstream>
#include <iostream>
#include <sstream>

#include "cli/TuimCli.h"
#include "fiscal/TuimUtil.h"

namespace tuim::cli {

namespace {
std::vector<Command>& Registry() {
  static std::vector<Command> r;
  return r;
}
}  // namespace

CommandRegistrar::CommandRegistrar(Command c) {
  auto& r = Registry();
  auto at = std::lower_bound(r.begin(), r.end(), c.name,
                             [](const Command& a, const std::string& n) { return a.name < n; });
  r.insert(at, std::move(c));
}

const std::vector<Command>& Commands() { return Registry(); }

namespace {
std::vector<SubCommand>& SubRegistry() {
  static std::vector<SubCommand> r;
  return r;
}
}  // namespace

SubCommandRegistrar::SubCommandRegistrar(SubCommand s) {
  auto& r = SubRegistry();
  auto at = std::lower_bound(r.begin(), r.end(), s, [](const SubCommand& a, const SubCommand& b) {
    return a.family != b.family ? a.family < b.family : a.name < b.name;
  });
  r.insert(at, std::move(s));
}

std::vector<SubCommand> SubCommands(const std::string& family) {
  std::vector<SubCommand> out;
  for (const auto& s : SubRegistry())
    if (s.family == family) out.push_back(s);
  return out;
}

int RunSubCommand(const std::string& family, const std::vector<std::string>& words) {
  if (words.empty())
    return UsageError("falta o subcomando de " + family + " (veja tuim " + family + " --help)");
  for (const auto& s : SubRegistry()) {
    if (s.family != family || s.name != words[0]) continue;
    std::vector<std::string> rest(words.begin() + 1, words.end());
    if (std::find(rest.begin(), rest.end(), "--help") != rest.end() ||
        std::find(rest.begin(), rest.end(), "-h") != rest.end()) {
      std::cout << s.help;
      return kExitOk;
    }
    return s.run(rest);
  }
  return UsageError("subcomando desconhecido: " + family + " " + words[0] + " (veja tuim " + family +
                    " --help)");
}

std::string SubCommandsHelp(const std::string& family) {
  auto subs = SubCommands(family);
  if (subs.empty()) return "";
  std::string r = "\nSubcomandos:\n";
  for (const auto& s : subs) r += "  " + s.name + "\t" + s.summary + "\n";
  for (const auto& s : subs) r += "\n" + s.help;
  return r;
}

Args::Args(const std::vector<std::string>& words, const std::vector<std::string>& flags) {
  for (std::size_t i = 0; i < words.size(); ++i) {
    const std::string& w = words[i];
    if (w.size() > 2 && w.compare(0, 2, "--") == 0) {
      std::string name = w.substr(2), value;
      auto eq = name.find('=');
      if (eq != std::string::npos) {
        value = name.substr(eq + 1);
        name.resize(eq);
      } else if (std::find(flags.begin(), flags.end(), name) == flags.end()) {
        if (i + 1 >= words.size()) {
          fError = "a opção --" + name + " precisa de um valor";
          return;
        }
        value = words[++i];
      }
      fOptions.emplace_back(name, value);
    } else {
      fPositional.push_back(w);
    }
  }
}

bool Args::Has(const std::string& name) const {
  return std::any_of(fOptions.begin(), fOptions.end(), [&](const auto& o) { return o.first == name; });
}

std::string Args::Get(const std::string& name, const std::string& def) const {
  for (auto it = fOptions.rbegin(); it != fOptions.rend(); ++it)
    if (it->first == name) return it->second;
  return def;
}

std::string Args::Unknown(const std::vector<std::string>& known) const {
  for (const auto& o : fOptions)
    if (std::find(known.begin(), known.end(), o.first) == known.end()) return o.first;
  return "";
}

int UsageError(const std::string& message) {
  std::cerr << "tuim: " << message << "\n";
  return kExitUsage;
}

int Falha(const std::string& mensagem) {
  std::cerr << "tuim: " << ParaUTF8(mensagem) << "\n";
  return kExitInvalid;
}

bool LerArquivo(const std::string& nome, std::string& texto) {
  std::ifstream f(nome, std::ios::binary);
  if (!f) return false;
  std::ostringstream ss;
  ss << f.rdbuf();
  texto = ss.str();
  return !f.bad();
}

std::string JsonString(const std::string& s) {
  std::string r = "\"";
  for (unsigned char c : s) {
    switch (c) {
      case '"': r += "\\\""; break;
      case '\\': r += "\\\\"; break;
      case '\n': r += "\\n"; break;
      case '\r': r += "\\r"; break;
      case '\t': r += "\\t"; break;
      default:
        if (c < 0x20) {
          char buf[8];
          std::snprintf(buf, sizeof buf, "\\u%04x", c);
          r += buf;
        } else {
          r += static_cast<char>(c);
        }
    }
  }
  return r + "\"";
}

}  // namespace tuim::cli

namespace {
void PrintHelp() {
  std::cout << "Uso: tuim COMANDO [opções]\n\n"
               "Ferramentas de linha de comando para chaves de acesso e documentos fiscais NF-e/NFC-e.\n"
               "Textos de entrada e saída em UTF-8.\n\nComandos:\n";
  for (const auto& c : tuim::cli::Commands()) std::cout << "  " << c.name << "\t" << c.summary << "\n";
  std::cout << "\n`tuim COMANDO --help` descreve cada comando e todas as suas opções.\n"
               "Código de saída: 0 sucesso, 1 entrada inválida, 2 erro de uso.\n";
}
}  // namespace

int main(int argc, char** argv) {
  using namespace tuim::cli;
  std::vector<std::string> words(argv + 1, argv + argc);
  if (words.empty()) {
    PrintHelp();
    return kExitUsage;
  }
  if (words[0] == "--help" || words[0] == "-h" || words[0] == "help") {
    PrintHelp();
    return kExitOk;
  }
  for (const auto& c : Commands()) {
    if (c.name != words[0]) continue;
    std::vector<std::string> rest(words.begin() + 1, words.end());
    if (!rest.empty() && (rest[0] == "--help" || rest[0] == "-h")) {
      std::cout << c.help << SubCommandsHelp(c.name);
      return kExitOk;
    }
    try {
      return c.run(rest);
    } catch (const std::exception& e) {
      std::cerr << "tuim: " << e.what() << "\n";
      return kExitInvalid;
    }
  }
  return UsageError("comando desconhecido: " + words[0] + " (veja tuim --help)");
}
