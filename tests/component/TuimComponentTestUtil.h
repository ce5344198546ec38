#pragma once
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

namespace tuim::testing {

// A folder of its own under the system's temporary folder, removed with everything in it.
class PastaTemporaria {
public:
  PastaTemporaria() {
    std::string modelo = (std::filesystem::temp_directory_path() / "tuim-comp-XXXXXX").string();
    if (mkdtemp(modelo.data())) fPath = modelo;
  }
  ~PastaTemporaria() {
    std::error_code ec;
    if (!fPath.empty()) std::filesystem::remove_all(fPath, ec);
  }
  PastaTemporaria(const PastaTemporaria&) = delete;
  PastaTemporaria& operator=(const PastaTemporaria&) = delete;

  // The folder with a trailing separator.
  std::string Path() const { return fPath + "/"; }
  std::string operator/(const std::string& name) const { return fPath + "/" + name; }

  void Criar(const std::string& name, const std::string& content = "") const {
    std::ofstream f(fPath + "/" + name, std::ios::binary);
    f << content;
  }

private:
  std::string fPath;
};

inline std::string LerTudo(const std::string& file) {
  std::ifstream f(file, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

// Runs the test body with the current folder switched to `dir`.
class NaPasta {
public:
  explicit NaPasta(const std::string& dir) : fAntes(std::filesystem::current_path()) {
    std::filesystem::current_path(dir);
  }
  ~NaPasta() {
    std::error_code ec;
    std::filesystem::current_path(fAntes, ec);
  }

private:
  std::filesystem::path fAntes;
};

}  // namespace tuim::testing
