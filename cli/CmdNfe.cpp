// `tuim nfe`: NF-e and NFC-e documents. Each subcommand lives in its own file and registers
// itself with the family.
#include <string>
#include <vector>

#include "cli/TuimCli.h"

namespace tuim::cli {
namespace {

const CommandRegistrar kNfe({"nfe", "documentos NF-e e NFC-e: gerar, ler, validar, chave, txt",
                             "Uso: tuim nfe SUBCOMANDO [opções]\n\n"
                             "Documentos NF-e (modelo 55) e NFC-e (modelo 65) do leiaute nacional.\n",
                             [](const std::vector<std::string>& w) { return RunSubCommand("nfe", w); }});

}  // namespace
}  // namespace tuim::cli
