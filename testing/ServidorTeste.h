#pragma once
// Loopback peers for the HTTP tests and benchmarks: the HTTPS echo server and the CONNECT proxy
// of testing/servidor_https.py, each a child process on an ephemeral port, stopped by its pid.
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "testing/ProcessoTeste.h"

namespace tuim::teste {

class TServidorTeste {
public:
  // Starts `python3 script args...` and waits (up to 15 s) for its "PORTA n" line.
  bool Iniciar(const std::string& script, const std::vector<std::string>& args, std::string& erro) {
    std::vector<std::string> palavras{"python3", script};
    palavras.insert(palavras.end(), args.begin(), args.end());
    return fProcesso.Iniciar(std::move(palavras), 15000, false, "servidor de teste não iniciou: ", erro);
  }
  void Parar() { fProcesso.Parar(); }
  int Porta() const { return fProcesso.Porta(); }

private:
  TProcessoPorta fProcesso;
};

// A server certificate for localhost and 127.0.0.1 in `pasta` (servidor.pem, servidor.key):
// issued by the CA in `pastaCA` (ca.pem, ca.key), or self-signed when `pastaCA` is empty.
inline bool GerarCertificadoServidor(const std::string& pastaCA, const std::string& pasta, const std::string& nome,
                                     int dias = 30) {
  const std::string base = "'" + pasta + "/" + nome;
  const std::string chave = "openssl genpkey -algorithm EC -pkeyopt ec_paramgen_curve:prime256v1 -out " + base +
                            ".key' >/dev/null 2>&1";
  if (std::system(chave.c_str()) != 0) return false;
  const std::string ext = pasta + "/" + nome + ".ext";
  if (std::system(("printf 'subjectAltName=DNS:localhost,IP:127.0.0.1\\nextendedKeyUsage=serverAuth\\n' > '" + ext +
                   "'").c_str()) != 0)
    return false;
  std::string cmd;
  if (pastaCA.empty()) {
    cmd = "openssl req -x509 -new -key " + base + ".key' -subj /CN=localhost -days " + std::to_string(dias) +
          " -addext subjectAltName=DNS:localhost,IP:127.0.0.1 -out " + base + ".pem'";
  } else {
    cmd = "openssl req -new -key " + base + ".key' -subj /CN=localhost -out " + base + ".csr' && openssl x509 -req -in " +
          base + ".csr' -CA '" + pastaCA + "/ca.pem' -CAkey '" + pastaCA + "/ca.key' -set_serial 0x5E11" +
          std::to_string(dias) + " -days " + std::to_string(dias) + " -extfile '" + ext + "' -out " + base + ".pem'";
  }
  return std::system((cmd + " >/dev/null 2>&1").c_str()) == 0;
}

}  // namespace tuim::teste
