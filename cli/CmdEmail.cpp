// `tuim email enviar`: one message through the mail component, to check a server's settings.
#include <iostream>
#include <string>
#include <vector>

#include "cli/TuimCli.h"
#include "fiscal/TuimException.h"
#include "fiscal/TuimUtil.h"
#include "mail/TuimMail.h"

namespace tuim::cli {
namespace {

// A UTF-8 text file as Windows-1252 lines; false when it cannot be read.
bool LerLinhas(const std::string& arquivo, std::vector<std::string>& linhas) {
  std::string conteudo;
  if (!LerArquivo(arquivo, conteudo)) return false;
  std::string texto = DeUTF8(conteudo);
  linhas.clear();
  std::size_t inicio = 0;
  while (inicio <= texto.size()) {
    std::size_t fim = texto.find('\n', inicio);
    std::string l = texto.substr(inicio, fim == std::string::npos ? std::string::npos : fim - inicio);
    if (!l.empty() && l.back() == '\r') l.pop_back();
    linhas.push_back(l);
    if (fim == std::string::npos) break;
    inicio = fim + 1;
  }
  // A final line break does not make an empty last line.
  if (linhas.size() > 1 && linhas.back().empty()) linhas.pop_back();
  return true;
}

int Enviar(const std::vector<std::string>& w) {
  // --anexo may repeat, which Args does not keep; the words are walked for it here.
  std::vector<std::string> anexos, resto;
  for (std::size_t i = 0; i < w.size(); ++i) {
    if (w[i] == "--anexo") {
      if (i + 1 >= w.size()) return UsageError("--anexo precisa de um ARQUIVO");
      anexos.push_back(w[++i]);
    } else {
      resto.push_back(w[i]);
    }
  }
  Args a(resto, {"ssl", "tls", "inseguro"});
  if (!a.ok()) return UsageError(a.error());
  if (auto u = a.Unknown({"host", "port", "ssl", "tls", "user", "pass", "de", "nome", "para", "cc", "assunto",
                          "texto", "html", "ca", "inseguro", "tentativas", "timeout"});
      !u.empty())
    return UsageError("opção desconhecida: --" + u);
  if (!a.Positional().empty()) return UsageError("email enviar não aceita argumentos soltos");
  for (const char* o : {"host", "de", "para"})
    if (a.Get(o).empty()) return UsageError(std::string("falta --") + o);

  TTuimMail m;
  m.SetHost(a.Get("host"));
  if (a.Has("port")) m.SetPort(a.Get("port"));
  m.SetSetSSL(a.Has("ssl"));
  m.SetSetTLS(a.Has("tls"));
  m.SetUsername(DeUTF8(a.Get("user")));
  m.SetPassword(DeUTF8(a.Get("pass")));
  m.SetFrom(DeUTF8(a.Get("de")));
  m.SetFromName(DeUTF8(a.Get("nome")));
  m.SetCAFile(a.Get("ca"));
  m.SetVerificarCertificado(!a.Has("inseguro"));
  if (a.Has("tentativas")) m.SetAttempts(static_cast<std::uint8_t>(TextoParaInteiroPadrao(a.Get("tentativas"), 3)));
  if (a.Has("timeout")) m.SetTimeOut(static_cast<int>(TextoParaInteiroPadrao(a.Get("timeout"), 0)));
  m.AdicionarDestinatario(DeUTF8(a.Get("para")));
  if (a.Has("cc")) m.AdicionarCopia(DeUTF8(a.Get("cc")));
  m.SetSubject(DeUTF8(a.Get("assunto")));
  std::vector<std::string> linhas;
  if (a.Has("texto")) {
    if (!LerLinhas(a.Get("texto"), linhas)) {
      std::cerr << "tuim: não foi possível ler " << a.Get("texto") << "\n";
      return kExitInvalid;
    }
    m.SetCorpoAlternativo(linhas);
  }
  if (a.Has("html")) {
    if (!LerLinhas(a.Get("html"), linhas)) {
      std::cerr << "tuim: não foi possível ler " << a.Get("html") << "\n";
      return kExitInvalid;
    }
    m.SetCorpo(linhas);
    m.SetIsHTML(true);
  }
  try {
    for (const auto& f : anexos) m.AnexarArquivo(f);
    m.OnMailProcess = [](const TTuimMail&, TMailStatus s) { std::cerr << MailStatusParaTexto(s) << "\n"; };
    m.Enviar();
  } catch (const ETuimDFeException& e) {
    std::cerr << "tuim: " << ParaUTF8(NormalizarQuebras(e.what(), " - ")) << "\n";
    return kExitInvalid;
  }
  std::cout << "enviado\n";
  return kExitOk;
}

const CommandRegistrar kEmail({"email", "envio de e-mail pelo componente de e-mail (SMTP)",
                               "Uso: tuim email SUBCOMANDO [opções]\n",
                               [](const std::vector<std::string>& w) { return RunSubCommand("email", w); }});

const SubCommandRegistrar kEnviar(
    {"email", "enviar", "envia uma mensagem por SMTP",
     "Uso: tuim email enviar --host H [--port P] [--ssl|--tls] [--user U --pass S] --de A [--nome N]\n"
     "                       --para B [--cc C] [--assunto S] [--texto ARQUIVO] [--html ARQUIVO]\n"
     "                       [--anexo ARQUIVO]... [--ca CA.pem | --inseguro] [--tentativas N] [--timeout MS]\n\n"
     "--ssl conecta com TLS desde o início; --tls exige STARTTLS: um servidor que não o oferece faz o\n"
     "envio falhar antes de qualquer login. Com --user ou --pass sem --ssl o STARTTLS também é exigido,\n"
     "para que a senha nunca siga sem TLS.\n"
     "--para e --cc aceitam vários endereços separados por \";\", \",\" ou \"|\". Os arquivos de texto\n"
     "e HTML são lidos em UTF-8. O certificado do servidor é conferido com as autoridades do sistema\n"
     "ou com --ca; --inseguro desliga a conferência. As etapas saem em stderr, \"enviado\" em stdout;\n"
     "uma falha sai com 1 e a mensagem do componente.\n",
     Enviar});

}  // namespace
}  // namespace tuim::cli
