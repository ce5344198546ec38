// `tuim http enviar`: one SOAP POST through the facade's HTTP backend, body read from stdin.
#include <cstdlib>
#include <iostream>
#include <iterator>
#include <string>
#include <vector>

#include "cli/TuimCli.h"
#include "fiscal/TuimUtil.h"
#include "security/TuimDFeSSL.h"
#include "transport/TuimTransporte.h"

namespace tuim::cli {
namespace {

int Enviar(const std::vector<std::string>& words) {
  Args a(words, {"thread", "nao-verificar-servidor"});
  if (!a.ok()) return UsageError(a.error());
  if (auto u = a.Unknown({"soapaction", "pfx", "senha", "serie", "pin", "lib", "timeout", "proxy", "proxy-user",
                          "proxy-pass", "cacert", "mime", "thread", "nao-verificar-servidor"});
      !u.empty())
    return UsageError("opção desconhecida: --" + u);
  if (a.Positional().size() != 1) return UsageError("informe a URL");
  const std::string lib = a.Get("lib", "winhttp");
  TSSLHttpLib http;
  if (lib == "winhttp")
    http = httpWinHttp;
  else if (lib == "wininet")
    http = httpWinINet;
  else if (lib == "openssl")
    http = httpOpenSSL;
  else
    return UsageError("--lib deve ser winhttp, wininet ou openssl");
  long timeout = 0;
  if (a.Has("timeout")) {
    char* fim = nullptr;
    const std::string t = a.Get("timeout");
    timeout = std::strtol(t.c_str(), &fim, 10);
    if (t.empty() || *fim || timeout < 0 || timeout > 2147483647L) return UsageError("--timeout inválido: " + t);
  }

  RegistrarTransporte();
  TDFeSSL ssl;
  if (a.Has("pfx")) {
    ssl.SetSSLCryptLib(cryOpenSSL);
    ssl.SetArquivoPFX(a.Get("pfx"));
    ssl.SetSenha(DeUTF8(a.Get("senha")));
  } else if (a.Has("serie")) {
    ssl.SetSSLCryptLib(cryWinCrypt);
    ssl.SetNumeroSerie(a.Get("serie"));
    ssl.SetSenha(DeUTF8(a.Get("pin")));
  } else {
    ssl.SetUseCertificateHTTP(false);
  }
  ssl.SetSSLHttpLib(http);
  if (a.Has("timeout")) ssl.SetTimeOut(static_cast<std::int32_t>(timeout));
  ssl.SetTimeOutPorThread(a.Has("thread"));
  if (a.Has("proxy")) {
    const std::string p = DeUTF8(a.Get("proxy"));
    auto dp = p.rfind(':');
    ssl.SetProxyHost(dp == std::string::npos ? p : p.substr(0, dp));
    ssl.SetProxyPort(dp == std::string::npos ? "" : p.substr(dp + 1));
    ssl.SetProxyUser(DeUTF8(a.Get("proxy-user")));
    ssl.SetProxyPass(DeUTF8(a.Get("proxy-pass")));
  }
  TVerificacaoServidor v;
  v.Verificar = !a.Has("nao-verificar-servidor");
  v.ArquivoCA = a.Get("cacert");
  DefinirVerificacaoServidor(ssl, v);

  // The body goes out byte for byte, as the XML it is (UTF-8).
  std::string corpo((std::istreambuf_iterator<char>(std::cin)), std::istreambuf_iterator<char>());
  try {
    std::string resposta = ssl.Enviar(corpo, DeUTF8(a.Positional()[0]), DeUTF8(a.Get("soapaction")), a.Get("mime"));
    std::cout << resposta;
    std::cout.flush();
    return kExitOk;
  } catch (const std::exception& e) {
    return Falha(e.what());
  }
}

const char* const kUso =
    "Uso: tuim http enviar URL --soapaction ACAO [--pfx ARQUIVO --senha S | --serie SERIE --pin PIN]\n"
    "                      [--lib winhttp|wininet|openssl] [--timeout MS] [--thread]\n"
    "                      [--proxy HOST:PORTA [--proxy-user U --proxy-pass P]] [--cacert ARQUIVO]\n"
    "                      [--nao-verificar-servidor] [--mime TIPO] < corpo\n"
    "Envia o corpo lido da entrada padrão, sem alteração, com os cabeçalhos SOAP 1.2 e o certificado\n"
    "do cliente (nenhum sem --pfx ou --serie), e imprime o corpo da resposta. --lib escolhe o backend\n"
    "(padrão winhttp); --timeout em milissegundos (padrão 5000); --thread envia numa thread que é\n"
    "abandonada no timeout. O certificado do servidor é conferido com --cacert (padrão: as autoridades\n"
    "do sistema), salvo com --nao-verificar-servidor. Sai com 1 e a mensagem em qualquer falha,\n"
    "inclusive status HTTP fora de 200 a 202.\n";

const CommandRegistrar kHttp({"http", "envio SOAP por HTTPS com certificado do cliente (enviar)", kUso,
                              [](const std::vector<std::string>& w) { return RunSubCommand("http", w); }});
const SubCommandRegistrar kEnviar({"http", "enviar", "envia a entrada padrão para a URL e imprime a resposta", kUso,
                                   Enviar});

}  // namespace
}  // namespace tuim::cli
