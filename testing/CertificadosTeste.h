#pragma once
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>

// Folder of the test certificates: the run's fixture folder, or one made for this process.
inline const std::string& PastaCertificados() {
  static const std::string pasta = [] {
    const char* env = std::getenv("TUIM_CERTS_DIR");
    if (env && std::filesystem::exists(std::string(env) + "/empresa.pfx")) return std::string(env);
    std::string modelo = (std::filesystem::temp_directory_path() / "tuim-certs-XXXXXX").string();
    if (!mkdtemp(modelo.data())) throw std::runtime_error("mkdtemp");
    std::string cmd = "bash '" TUIM_SOURCE_DIR "/testing/certs/gerar-certificados.sh' '" + modelo +
                      "' >/dev/null 2>&1";
    if (std::system(cmd.c_str()) != 0) throw std::runtime_error("gerar-certificados.sh falhou");
    static std::string remover;
    remover = modelo;
    std::atexit([] {
      std::error_code ec;
      std::filesystem::remove_all(remover, ec);
    });
    return modelo;
  }();
  return pasta;
}

inline std::string Certificado(const std::string& nome) { return PastaCertificados() + "/" + nome; }

inline std::string LerArquivoTeste(const std::string& caminho) {
  std::ifstream f(caminho, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

// Standard output of a shell command (the openssl tool as independent witness).
inline std::string Executar(const std::string& cmd) {
  std::string r;
  FILE* p = popen(cmd.c_str(), "r");
  if (!p) return r;
  char buf[4096];
  std::size_t n;
  while ((n = fread(buf, 1, sizeof buf, p)) > 0) r.append(buf, n);
  pclose(p);
  while (!r.empty() && (r.back() == '\n' || r.back() == '\r')) r.pop_back();
  return r;
}

// A file in a temporary folder of this process, removed with it.
inline std::string ArquivoTemporario(const std::string& nome, const std::string& conteudo) {
  static const std::string pasta = [] {
    std::string modelo = (std::filesystem::temp_directory_path() / "tuim-sec-XXXXXX").string();
    if (!mkdtemp(modelo.data())) throw std::runtime_error("mkdtemp");
    static std::string remover;
    remover = modelo;
    std::atexit([] {
      std::error_code ec;
      std::filesystem::remove_all(remover, ec);
    });
    return modelo;
  }();
  std::string caminho = pasta + "/" + nome;
  std::ofstream(caminho, std::ios::binary) << conteudo;
  return caminho;
}
