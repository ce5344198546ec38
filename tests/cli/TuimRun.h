#pragma once
// Runs the built `tuim` program and collects its exit status, stdout and stderr.
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

namespace tuim::testing {

struct TuimResult {
  int code = -1;  // exit status, or -1 when the program did not exit normally
  std::string out, err;
};

inline std::string TuimPath() { return std::string(TUIM_BINARY_DIR) + "/cli/tuim"; }

// With `entrada`, the program reads it on standard input (a few lines: it fits the pipe).
inline TuimResult RunTuim(const std::vector<std::string>& args, const std::string* entrada = nullptr) {
  TuimResult r;
  int po[2], pe[2], pi[2] = {-1, -1};
  if (pipe(po) != 0 || pipe(pe) != 0 || (entrada && pipe(pi) != 0)) return r;
  pid_t pid = fork();
  if (pid == 0) {
    dup2(po[1], 1);
    dup2(pe[1], 2);
    if (entrada) {
      dup2(pi[0], 0);
      close(pi[0]); close(pi[1]);
    }
    close(po[0]); close(po[1]); close(pe[0]); close(pe[1]);
    std::string path = TuimPath();
    std::vector<char*> argv{path.data()};
    std::vector<std::string> copy = args;
    for (auto& a : copy) argv.push_back(a.data());
    argv.push_back(nullptr);
    execv(path.c_str(), argv.data());
    _exit(127);
  }
  close(po[1]);
  close(pe[1]);
  if (entrada) {
    close(pi[0]);
    if (write(pi[1], entrada->data(), entrada->size()) < 0) {}
    close(pi[1]);
  }
  pollfd fds[2] = {{po[0], POLLIN, 0}, {pe[0], POLLIN, 0}};
  std::string* sinks[2] = {&r.out, &r.err};
  int open = 2;
  while (open > 0) {
    if (poll(fds, 2, -1) < 0) break;
    for (int i = 0; i < 2; ++i) {
      if (fds[i].fd < 0 || !(fds[i].revents & (POLLIN | POLLHUP | POLLERR))) continue;
      char buf[4096];
      ssize_t n = read(fds[i].fd, buf, sizeof buf);
      if (n > 0) {
        sinks[i]->append(buf, static_cast<std::size_t>(n));
      } else {
        close(fds[i].fd);
        fds[i].fd = -1;
        --open;
      }
    }
  }
  int status = 0;
  waitpid(pid, &status, 0);
  if (WIFEXITED(status)) r.code = WEXITSTATUS(status);
  return r;
}

inline TuimResult RunTuim(const std::vector<std::string>& args, const std::string& entrada) {
  return RunTuim(args, &entrada);
}

// Lines of a text without their newlines.
inline std::vector<std::string> Linhas(const std::string& s) {
  std::vector<std::string> v;
  std::size_t at = 0;
  while (at < s.size()) {
    auto nl = s.find('\n', at);
    if (nl == std::string::npos) nl = s.size();
    v.push_back(s.substr(at, nl - at));
    at = nl + 1;
  }
  return v;
}

}  // namespace tuim::testing
