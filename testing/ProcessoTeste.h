#pragma once
// A test peer as a child process that prints "PORTA n" on its standard output once it listens on
// an ephemeral loopback port; stopped by its pid.
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace tuim::teste {

class TProcessoPorta {
public:
  TProcessoPorta() = default;
  ~TProcessoPorta() { Parar(); }
  TProcessoPorta(const TProcessoPorta&) = delete;
  TProcessoPorta& operator=(const TProcessoPorta&) = delete;

  // Runs `palavras` (the program looked up in PATH when it has no slash) and waits up to
  // `esperaMs` for the port. `morrerComPai`: the child gets SIGTERM when the forking thread ends, so a
  // test that dies leaves nothing serving. On failure `erro` is `falha` plus what it printed.
  bool Iniciar(std::vector<std::string> palavras, int esperaMs, bool morrerComPai, const std::string& falha,
               std::string& erro) {
    Parar();
    int tubo[2];
    if (pipe(tubo) != 0) {
      erro = "pipe";
      return false;
    }
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
      if (morrerComPai) prctl(PR_SET_PDEATHSIG, SIGTERM);
      dup2(tubo[1], STDOUT_FILENO);
      close(tubo[0]);
      close(tubo[1]);
      execvp(argv[0], argv.data());
      _exit(127);
    }
    close(tubo[1]);
    fPid = pid;
    std::string linha;
    while (linha.find('\n') == std::string::npos) {
      pollfd p{tubo[0], POLLIN, 0};
      if (poll(&p, 1, esperaMs) <= 0) break;
      char buf[128];
      ssize_t n = read(tubo[0], buf, sizeof buf);
      if (n <= 0) break;
      linha.append(buf, static_cast<std::size_t>(n));
    }
    close(tubo[0]);
    if (linha.rfind("PORTA ", 0) != 0) {
      erro = falha + linha;
      Parar();
      return false;
    }
    fPorta = std::atoi(linha.c_str() + 6);
    return fPorta > 0;
  }

  // SIGTERM; the exit status (-1 when it did not exit normally or was not running).
  int Parar() {
    int r = -1;
    if (fPid > 0) {
      kill(fPid, SIGTERM);
      int st = 0;
      waitpid(fPid, &st, 0);
      r = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
    }
    fPid = -1;
    fPorta = 0;
    return r;
  }

  int Porta() const { return fPorta; }
  pid_t Pid() const { return fPid; }

private:
  pid_t fPid = -1;
  int fPorta = 0;
};

}  // namespace tuim::teste
