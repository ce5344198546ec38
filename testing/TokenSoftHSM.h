#pragma once
// A SoftHSM2 token made for one process: tests and benchmarks that sign through PKCS#11 use it
// instead of a smart card. Everything is done with the softhsm2-util and pkcs11-tool programs
// and lives in a temporary folder removed at exit.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <string>
#include <vector>

namespace tuim::teste {

inline const char* const kModuloSoftHSM = "/usr/lib/softhsm/libsofthsm2.so";

// A folder under the temporary directory, removed with everything in it when the process ends.
inline std::string PastaTemporaria(const std::string& prefixo) {
  std::string modelo = (std::filesystem::temp_directory_path() / (prefixo + "-XXXXXX")).string();
  if (!mkdtemp(modelo.data())) return "";
  static std::mutex m;
  static std::vector<std::string> remover;
  std::lock_guard<std::mutex> l(m);
  if (remover.empty())
    std::atexit([] {
      for (const auto& p : remover) {
        std::error_code ec;
        std::filesystem::remove_all(p, ec);
      }
    });
  remover.push_back(modelo);
  return modelo;
}

inline bool RodarSilencioso(const std::string& cmd) {
  return std::system((cmd + " >/dev/null 2>&1").c_str()) == 0;
}

// Serial number of a PEM certificate as the openssl tool prints it (upper-case hex).
inline std::string SerieDoCertificado(const std::string& pem) {
  std::string r;
  if (FILE* p = popen(("openssl x509 -noout -serial -in '" + pem + "'").c_str(), "r")) {
    char buf[256];
    std::size_t n;
    while ((n = fread(buf, 1, sizeof buf, p)) > 0) r.append(buf, n);
    pclose(p);
  }
  while (!r.empty() && (r.back() == '\n' || r.back() == '\r')) r.pop_back();
  auto eq = r.find('=');
  return eq == std::string::npos ? "" : r.substr(eq + 1);
}

struct ObjetoToken {
  std::string chave;        // PEM private key; empty for a certificate alone
  std::string certificado;  // PEM certificate
  std::string id;           // CKA_ID in hex, shared by the key and its certificate
  std::string rotulo;
};

struct TokenSoftHSM {
  std::string pasta;
  std::string erro;  // empty when the token is ready
  bool Ok() const { return erro.empty(); }
};

// Initialises a token labelled `rotulo` with user PIN `pin`, imports the objects and points this
// process (and the programs it starts) at it through SOFTHSM2_CONF and TUIM_PKCS11_MODULE.
inline TokenSoftHSM CriarTokenSoftHSM(const std::vector<ObjetoToken>& objetos, const std::string& pin,
                                      const std::string& rotulo = "tuim") {
  TokenSoftHSM t;
  t.pasta = PastaTemporaria("tuim-token");
  if (t.pasta.empty()) {
    t.erro = "mkdtemp";
    return t;
  }
  std::filesystem::create_directories(t.pasta + "/tokens");
  std::ofstream(t.pasta + "/softhsm2.conf") << "directories.tokendir = " << t.pasta
                                            << "/tokens\nobjectstore.backend = file\nlog.level = ERROR\n";
  setenv("SOFTHSM2_CONF", (t.pasta + "/softhsm2.conf").c_str(), 1);
  setenv("TUIM_PKCS11_MODULE", kModuloSoftHSM, 1);

  if (!RodarSilencioso("softhsm2-util --init-token --free --label " + rotulo + " --pin " + pin + " --so-pin 5678")) {
    t.erro = "softhsm2-util --init-token falhou";
    return t;
  }
  for (const auto& o : objetos) {
    if (!o.chave.empty() && !RodarSilencioso("softhsm2-util --token " + rotulo + " --pin " + pin + " --import '" +
                                             o.chave + "' --label " + o.rotulo + " --id " + o.id)) {
      t.erro = "importar chave " + o.rotulo + " falhou";
      return t;
    }
    const std::string der = t.pasta + "/" + o.rotulo + ".der";
    if (!RodarSilencioso("openssl x509 -in '" + o.certificado + "' -outform DER -out '" + der + "'") ||
        !RodarSilencioso(std::string("pkcs11-tool --module ") + kModuloSoftHSM + " --token-label " + rotulo +
                         " --login --pin " + pin + " --write-object '" + der + "' --type cert --id " + o.id +
                         " --label " + o.rotulo)) {
      t.erro = "gravar certificado " + o.rotulo + " falhou";
      return t;
    }
  }
  return t;
}

}  // namespace tuim::teste
