#pragma once
// Loopback peers for the HTTP tests and benchmarks: the HTTPS echo server and the CONNECT proxy
// of testing/servidor_https.py, each a child process on an ephemeral port, stopped by its pid.
#include <poll.h>
#include <signal.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace tuim::teste {

class TServidorTeste {
public:
  TServidorTeste() = default;
  ~TServidorTeste() { Parar(); }
  TServidorTeste(const TServidorTeste&) = delete;
  TServidorTeste& operator=(const TServidorTeste&) = delete;

  // Starts `python3 script args...` and waits (up to 15 s) for its "PORTA n" line.
  bool Iniciar(const std::string& script, const std::vector<std::string>& args, std::string& erro) {
    Parar();
    int tubo[2];
    if (pipe(tubo) != 0) {
      erro = "pipe";
      return false;
    }
    std::vector<std::string> palavras{"python3", script};
    palavras.insert(palavras.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (auto& p : palavras) argv.push_back(p.data());
    argv.push_back(nullptr);
    pid_t pid = fork();
    if (pid < 0) {
      erro = "fork";
      close(tubo[0]);
      close(tubo[1]);
      return false;
    }
    if (pid == 0) {
      dup2(tubo[1], STDOUT_FILENO);
      close(tubo[0]);
      close(tubo[1]);
      execvp("python3", argv.data());
      _exit(127);
    }
    close(tubo[1]);
    fPid = pid;
    std::string linha;
    while (linha.find('\n') == std::string::npos) {
      pollfd p{tubo[0], POLLIN, 0};
      if (poll(&p, 1, 15000) <= 0) break;
      char buf[128];
      ssize_t n = read(tubo[0], buf, sizeof buf);
      if (n <= 0) break;
      linha.append(buf, static_cast<std::size_t>(n));
    }
    close(tubo[0]);
    if (linha.rfind("PORTA ", 0) != 0) {
      erro = "servidor de teste não iniciou: " + linha;
      Parar();
      return false;
    }
    fPorta = std::atoi(linha.c_str() + 6);
    return fPorta > 0;
  }

  void Parar() {
    if (fPid > 0) {
      kill(fPid, SIGTERM);
      int st = 0;
      waitpid(fPid, &st, 0);
    }
    fPid = -1;
    fPorta = 0;
  }

  int Porta() const { return fPorta; }

private:
  pid_t fPid = -1;
  int fPorta = 0;
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
