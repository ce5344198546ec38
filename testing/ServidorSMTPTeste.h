#pragma once
// A real SMTP server (testing/servidor-smtp.py, aiosmtpd) on a free loopback port, started for
// a test and stopped with it; and the received messages read back through Python's email parser.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "testing/CertificadosTeste.h"

namespace teste {

inline std::string PastaTemporaria(const std::string& prefixo) {
  std::string modelo = (std::filesystem::temp_directory_path() / (prefixo + "-XXXXXX")).string();
  if (!mkdtemp(modelo.data())) throw std::runtime_error("mkdtemp");
  return modelo;
}

// Server certificate for 127.0.0.1 and localhost, issued by the test CA once per process.
struct CertificadoServidor {
  std::string pasta, cert, chave, ca;
  static const CertificadoServidor& Obter() {
    static const CertificadoServidor c = [] {
      CertificadoServidor r;
      r.pasta = PastaTemporaria("tuim-mailcert");
      r.ca = Certificado("ca.pem");
      r.cert = r.pasta + "/servidor.pem";
      r.chave = r.pasta + "/servidor.key";
      std::ofstream(r.pasta + "/ext.cnf") << "subjectAltName=DNS:localhost,IP:127.0.0.1\n"
                                             "extendedKeyUsage=serverAuth\n";
      std::string cmd = "cd '" + r.pasta + "' && openssl req -newkey rsa:2048 -nodes -keyout servidor.key "
                        "-subj /CN=localhost -out servidor.csr 2>/dev/null && openssl x509 -req -in servidor.csr "
                        "-CA '" + r.ca + "' -CAkey '" + Certificado("ca.key") +
                        "' -CAcreateserial -days 30 -extfile ext.cnf -out servidor.pem 2>/dev/null && echo ok";
      if (Executar(cmd) != "ok") throw std::runtime_error("certificado do servidor");
      static std::string remover;
      remover = r.pasta;
      std::atexit([] {
        std::error_code ec;
        std::filesystem::remove_all(remover, ec);
      });
      return r;
    }();
    return c;
  }
};

struct OpcoesServidor {
  std::string modo = "plain";  // plain, starttls, ssl
  std::string usuario, senha;
  std::vector<std::string> rejeitar;
  bool falharDados = false;
  bool dsn = false;
  bool mudo = false;  // accepts and never answers
};

class ServidorSMTP {
public:
  explicit ServidorSMTP(OpcoesServidor o = {}) {
    fPasta = PastaTemporaria("tuim-smtp");
    std::string portaArquivo = fPasta + "/porta";
    std::vector<std::string> args = {"/usr/bin/python3", TUIM_SOURCE_DIR "/testing/servidor-smtp.py",
                                     "--pasta", fPasta + "/recebidas", "--porta-arquivo", portaArquivo,
                                     "--modo", o.modo};
    if (o.modo != "plain") {
      const auto& c = CertificadoServidor::Obter();
      args.insert(args.end(), {"--cert", c.cert, "--key", c.chave});
    }
    if (!o.usuario.empty()) args.insert(args.end(), {"--usuario", o.usuario, "--senha", o.senha});
    for (const auto& r : o.rejeitar) args.insert(args.end(), {"--rejeitar", r});
    if (o.falharDados) args.push_back("--falhar-dados");
    if (o.dsn) args.push_back("--dsn");
    if (o.mudo) args.push_back("--mudo");
    fPid = fork();
    if (fPid == 0) {
      std::vector<char*> argv;
      for (auto& a : args) argv.push_back(a.data());
      argv.push_back(nullptr);
      execv(argv[0], argv.data());
      _exit(127);
    }
    // Waiting for readiness is not a timed assertion: a slow machine just waits longer.
    for (int i = 0; i < 600 && !std::filesystem::exists(portaArquivo); ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    std::ifstream(portaArquivo) >> fPorta;
    if (fPorta <= 0) throw std::runtime_error("servidor SMTP de teste nao iniciou");
  }
  ~ServidorSMTP() {
    Parar();
    std::error_code ec;
    std::filesystem::remove_all(fPasta, ec);
  }
  void Parar() {
    if (fPid > 0) {
      kill(fPid, SIGTERM);
      waitpid(fPid, nullptr, 0);
      fPid = -1;
    }
  }
  int Porta() const { return fPorta; }
  std::string PortaTexto() const { return std::to_string(fPorta); }
  const std::string& Pasta() const { return fPasta; }
  std::string Recebidas() const { return fPasta + "/recebidas"; }

  int Quantidade() const {
    int n = 0;
    std::error_code ec;
    for (const auto& e : std::filesystem::directory_iterator(Recebidas(), ec))
      if (e.path().extension() == ".eml") ++n;
    return n;
  }
  // Waits until n messages have arrived (or a generous limit passes) and answers how many did.
  int AguardarMensagens(int n) const {
    for (int i = 0; i < 1200 && Quantidade() < n; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(25));
    return Quantidade();
  }
  std::string Mensagem(int i) const { return LerArquivoTeste(Recebidas() + "/" + Nome(i) + ".eml"); }
  std::string Envelope(int i) const { return LerArquivoTeste(Recebidas() + "/" + Nome(i) + ".json"); }
  std::string Eventos() const { return LerArquivoTeste(Recebidas() + "/eventos.log"); }
  int ContarEventos(const std::string& prefixo) const {
    std::istringstream in(Eventos());
    std::string l;
    int n = 0;
    while (std::getline(in, l))
      if (l.rfind(prefixo, 0) == 0) ++n;
    return n;
  }

private:
  static std::string Nome(int i) {
    char b[16];
    std::snprintf(b, sizeof b, "%03d", i);
    return b;
  }
  std::string fPasta;
  pid_t fPid = -1;
  int fPorta = 0;
};

// What Python's email parser read from a message: "key" -> value (UTF-8), and the decoded parts.
struct EmailLido {
  std::map<std::string, std::string> campos;
  std::string pasta;
  std::string operator[](const std::string& k) const {
    auto it = campos.find(k);
    return it == campos.end() ? std::string() : it->second;
  }
  bool Tem(const std::string& k) const { return campos.count(k) != 0; }
  std::string Parte(int n) const { return LerArquivoTeste(pasta + "/part-" + std::to_string(n) + ".bin"); }
};

inline EmailLido LerEmail(const std::string& mensagem, const std::string& pasta) {
  std::filesystem::create_directories(pasta);
  std::ofstream(pasta + "/msg.eml", std::ios::binary) << mensagem;
  std::string saida = Executar("/usr/bin/python3 '" TUIM_SOURCE_DIR "/testing/ler-email.py' '" + pasta +
                               "/msg.eml' '" + pasta + "'");
  EmailLido r;
  r.pasta = pasta;
  std::istringstream in(saida);
  std::string l;
  while (std::getline(in, l)) {
    auto tab = l.find('\t');
    if (tab == std::string::npos) continue;
    std::string v, e = l.substr(tab + 1);
    for (std::size_t i = 0; i < e.size(); ++i) {
      if (e[i] == '\\' && i + 1 < e.size()) {
        char c = e[++i];
        v += c == 'n' ? '\n' : c == 'r' ? '\r' : c == 't' ? '\t' : c;
      } else {
        v += e[i];
      }
    }
    r.campos[l.substr(0, tab)] = v;
  }
  return r;
}

}  // namespace teste
