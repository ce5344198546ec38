#pragma once
// One HTTPS server per test process (testing/servidor_https.py) on loopback: its certificate is
// issued by the test CA, it requires the client certificate, echoes what it is sent and answers
// /arquivo/NOME with the file NOME the tests write, saving the request beside it as NOME.pedido.
#include <filesystem>
#include <fstream>
#include <mutex>
#include <string>

#include "testing/CertificadosTeste.h"
#include "testing/ServidorTeste.h"
#include "testing/TokenSoftHSM.h"

namespace tuim::teste {

struct TServidorRespostas {
  std::string pasta, respostas, erro;
  TServidorTeste https;

  std::string URL(const std::string& caminho) const {
    return "https://127.0.0.1:" + std::to_string(https.Porta()) + caminho;
  }
  // The route answering `conteudo`; `nome` also names the saved request, cleared here.
  std::string Rota(const std::string& nome, const std::string& conteudo) const {
    std::ofstream(respostas + "/" + nome, std::ios::binary) << conteudo;
    std::filesystem::remove(respostas + "/" + nome + ".pedido");
    return URL("/arquivo/" + nome);
  }
  std::string Pedido(const std::string& nome) const { return LerArquivoTeste(respostas + "/" + nome + ".pedido"); }
  bool Recebido(const std::string& nome) const { return std::filesystem::exists(respostas + "/" + nome + ".pedido"); }
};

// Started on first use.
inline TServidorRespostas& ServidorRespostas() {
  static TServidorRespostas a;
  static std::once_flag feito;
  std::call_once(feito, [] {
    a.pasta = PastaTemporaria("tuim-https");
    a.respostas = a.pasta + "/respostas";
    std::filesystem::create_directories(a.respostas);
    if (a.pasta.empty() || !GerarCertificadoServidor(PastaCertificados(), a.pasta, "servidor")) {
      a.erro = "certificado do servidor";
      return;
    }
    a.https.Iniciar(TUIM_SOURCE_DIR "/testing/servidor_https.py",
                    {"--cert", a.pasta + "/servidor.pem", "--key", a.pasta + "/servidor.key", "--ca",
                     Certificado("ca.pem"), "--respostas", a.respostas},
                    a.erro);
  });
  return a;
}

// Body of a request the server saved (head, blank line, body).
inline std::string CorpoPedido(const std::string& pedido) {
  auto p = pedido.find("\r\n\r\n");
  return p == std::string::npos ? "" : pedido.substr(p + 4);
}

}  // namespace tuim::teste
