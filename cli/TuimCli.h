#pragma once
#include <functional>
#include <string>
#include <vector>

namespace tuim::cli {

// Exit codes shared by every command.
constexpr int kExitOk = 0;
constexpr int kExitInvalid = 1;  // the input was read and found invalid
constexpr int kExitUsage = 2;    // the command line itself is wrong

// Arguments arrive as UTF-8; commands convert to Windows-1252 at this edge.
using CommandFn = std::function<int(const std::vector<std::string>& args)>;

struct Command {
  std::string name;     // first word after `tuim`
  std::string summary;  // one line for `tuim --help`
  std::string help;     // full text for `tuim NAME --help`
  CommandFn run;        // receives the words after NAME
};

// Each Cmd*.cpp registers its command with a file-level `static CommandRegistrar`.
// They are linked straight into the executable, so every registrar runs before main.
struct CommandRegistrar {
  explicit CommandRegistrar(Command c);
};

const std::vector<Command>& Commands();

// Subcommands of a command family (`tuim chave decompor`), so that one family can be
// extended from several files. Register with a file-level `static SubCommandRegistrar`.
struct SubCommand {
  std::string family;   // the command word, e.g. "chave"
  std::string name;     // the word after it, e.g. "decompor"
  std::string summary;  // one line for `tuim FAMILY --help`
  std::string help;     // full text for `tuim FAMILY NAME --help` (also shown by `tuim FAMILY --help`)
  CommandFn run;        // receives the words after NAME
};

struct SubCommandRegistrar {
  explicit SubCommandRegistrar(SubCommand s);
};

// The family's subcommands, sorted by name.
std::vector<SubCommand> SubCommands(const std::string& family);

// Runs the subcommand named by words[0]; `NAME --help` prints its help; an unknown or
// missing name is a usage error. A family's Command::run is typically just this call.
int RunSubCommand(const std::string& family, const std::vector<std::string>& words);

// Text listing the family's subcommands and their full help; empty for a plain command.
// `tuim FAMILY --help` prints it after the command's own help.
std::string SubCommandsHelp(const std::string& family);

// Small option reader: "--name value", "--flag"; words without "--" are positional.
class Args {
public:
  // `flags` lists the options that take no value; any other "--x" takes the next word.
  Args(const std::vector<std::string>& words, const std::vector<std::string>& flags);
  bool ok() const { return fError.empty(); }
  const std::string& error() const { return fError; }
  bool Has(const std::string& name) const;
  std::string Get(const std::string& name, const std::string& def = "") const;
  const std::vector<std::string>& Positional() const { return fPositional; }
  // The first option not in `known` (empty when all are known).
  std::string Unknown(const std::vector<std::string>& known) const;

private:
  std::vector<std::pair<std::string, std::string>> fOptions;
  std::vector<std::string> fPositional;
  std::string fError;
};

// Prints "tuim: MESSAGE" on stderr and returns kExitUsage.
int UsageError(const std::string& message);

// Prints "tuim: MESSAGE" on stderr, a library message (Windows-1252) turned into UTF-8 for the
// terminal, and returns kExitInvalid.
int Falha(const std::string& mensagem);

// The whole file, byte for byte; false when it cannot be opened or read.
bool LerArquivo(const std::string& nome, std::string& texto);

// JSON string literal of a UTF-8 text (quotes included).
std::string JsonString(const std::string& utf8);

}  // namespace tuim::cli
