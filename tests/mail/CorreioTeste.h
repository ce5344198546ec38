#pragma once
// What the mail tests share: the mailer pointed at a test server, and a new folder for every
// message read back, all under one temporary folder removed at exit.
#include <cstdlib>
#include <filesystem>
#include <string>

#include "mail/TuimMail.h"
#include "testing/ServidorSMTPTeste.h"

namespace teste {

inline void UsarServidor(tuim::TTuimMail& m, const ServidorSMTP& s) {
  m.SetHost("127.0.0.1");
  m.SetPort(s.PortaTexto());
  m.SetFrom("emissor@tuim.test");
}

inline std::string PastaLeitura() {
  static std::string p = [] {
    std::string r = PastaTemporaria("tuim-mail-leitura");
    static std::string remover;
    remover = r;
    std::atexit([] {
      std::error_code ec;
      std::filesystem::remove_all(remover, ec);
    });
    return r;
  }();
  static int n = 0;
  return p + "/" + std::to_string(++n);
}

}  // namespace teste
