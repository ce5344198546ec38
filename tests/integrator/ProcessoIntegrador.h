#pragma once
// The test integrator (testing/integrador-teste.py) as a child process of a test.
#include <gtest/gtest.h>

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace tuim::teste {

// Starts it on the folders in, out and log under `base` and waits until it watches them.
inline void IniciarIntegrador(const std::filesystem::path& base, const std::vector<std::string>& extra, pid_t& pid) {
  std::vector<std::string> a = {"python3", TUIM_SOURCE_DIR "/testing/integrador-teste.py", "--entrada",
                                (base / "in").string(), "--saida", (base / "out").string(), "--pasta-log",
                                (base / "log").string(), "--duracao", "60"};
  a.insert(a.end(), extra.begin(), extra.end());
  std::vector<char*> argv;
  for (auto& s : a) argv.push_back(s.data());
  argv.push_back(nullptr);
  ASSERT_EQ(posix_spawnp(&pid, "python3", nullptr, nullptr, argv.data(), environ), 0);
  for (int k = 0; k < 500 && !std::filesystem::exists(base / "log" / "pronto"); ++k)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  ASSERT_TRUE(std::filesystem::exists(base / "log" / "pronto"));
}

inline void PararIntegrador(pid_t& pid) {
  if (pid <= 0) return;
  ::kill(pid, SIGTERM);
  ::waitpid(pid, nullptr, 0);
  pid = -1;
}

}  // namespace tuim::teste
