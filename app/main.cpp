// tuim-workbench: the access-key window.
#include <QApplication>
#include <QPixmap>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "app/MainFrm.h"

namespace {

const char kUso[] =
    "Uso: tuim-workbench [--screenshot ARQUIVO.png] [--chave CHAVE] [--pfx ARQUIVO --senha S] [--config ARQUIVO.ini]\n"
    "  Abre a janela \"Manipulador de Chaves de Acesso\".\n"
    "  --screenshot ARQUIVO.png  monta a janela sem mostrá-la (plataforma offscreen do Qt),\n"
    "                            salva a imagem em ARQUIVO.png e termina; não precisa de tela\n"
    "  --chave CHAVE             cola CHAVE no campo da chave de acesso ao abrir\n"
    "  --pfx ARQUIVO --senha S   certificado (PKCS#12) do componente NF-e hospedado\n"
    "  --config ARQUIVO.ini      configuração do componente (seções DFe, Proxy, NFe)\n";

const char kSemTela[] =
    "tuim-workbench: não há tela para abrir a janela (DISPLAY e WAYLAND_DISPLAY vazios).\n"
    "  Para só ver a janela, salve uma imagem:   tuim-workbench --screenshot janela.png\n"
    "  Para usá-la sem tela, rode sob um X virtual: xvfb-run -a tuim-workbench\n"
    "  (a partir do projeto: ./scripts/workbench --screenshot janela.png ou xvfb-run -a ./scripts/workbench)\n";

bool Definida(const char* name) {
  const char* v = std::getenv(name);
  return v && *v;
}

// True when Qt will have somewhere to show the window. The offscreen and minimal platforms
// draw nowhere, so an interactive run on them would wait for an operator who sees nothing.
bool HaTela() {
  if (Definida("QT_QPA_PLATFORM")) {
    std::string p = std::getenv("QT_QPA_PLATFORM");
    if (p.rfind("offscreen", 0) == 0 || p.rfind("minimal", 0) == 0) return false;
    if (p.rfind("xcb", 0) == 0) return Definida("DISPLAY");
    if (p.rfind("wayland", 0) == 0) return Definida("WAYLAND_DISPLAY");
    return true;  // eglfs, linuxfb, vnc...: they find their own output
  }
  return Definida("DISPLAY") || Definida("WAYLAND_DISPLAY");
}

}  // namespace

int main(int argc, char** argv) {
  std::string screenshot, chave, pfx, senha, config;
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    if (a == "--help" || a == "-h") {
      std::fputs(kUso, stdout);
      return 0;
    } else if ((a == "--screenshot" || a == "--chave") && i + 1 < argc) {
      (a == "--screenshot" ? screenshot : chave) = argv[++i];
    } else if ((a == "--pfx" || a == "--senha" || a == "--config") && i + 1 < argc) {
      (a == "--pfx" ? pfx : a == "--senha" ? senha : config) = argv[++i];
    } else if (a.rfind("--screenshot=", 0) == 0) {
      screenshot = a.substr(13);
    } else if (a.rfind("--chave=", 0) == 0) {
      chave = a.substr(8);
    } else {
      std::fprintf(stderr, "tuim-workbench: argumento desconhecido ou sem valor: %s\n%s", a.c_str(), kUso);
      return 2;
    }
  }
  if (screenshot.empty() && !HaTela()) {
    std::fputs(kSemTela, stderr);
    return 2;
  }
  if (!screenshot.empty() && !Definida("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);

  QApplication app(argc, argv);
  tuim::TMainFrm form;
  if (!config.empty()) {
    std::string erro;
    if (!form.CarregarConfiguracao(config, erro)) {
      std::fprintf(stderr, "tuim-workbench: %s\n", erro.c_str());
      return 2;
    }
  }
  if (!pfx.empty() || !senha.empty()) form.DefinirCertificado(pfx, senha);
  if (!chave.empty()) form.lbChaveAcesso->setPlainText(QString::fromUtf8(chave.c_str()));
  form.show();
  if (screenshot.empty()) return app.exec();

  QApplication::processEvents();
  if (!form.grab().save(QString::fromLocal8Bit(screenshot.c_str()), "PNG")) {
    std::fprintf(stderr, "tuim-workbench: não foi possível gravar %s\n", screenshot.c_str());
    return 1;
  }
  return 0;
}
