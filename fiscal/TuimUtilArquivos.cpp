#include <fcntl.h>
#include <fnmatch.h>
#include <sys/file.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <system_error>

#include "fiscal/TuimUtil.h"

namespace fs = std::filesystem;

namespace tuim {
namespace {

bool WriteAll(int fd, const char* p, std::size_t n) {
  while (n > 0) {
    ssize_t w = ::write(fd, p, n);
    if (w < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    p += w;
    n -= static_cast<std::size_t>(w);
  }
  return true;
}

bool Exists(const std::string& p) {
  std::error_code ec;
  return fs::exists(fs::path(p), ec);
}

// The shared body of GravarTexto and GravarLog; never raises.
bool Gravar(const std::string& arquivo, const std::string& texto, bool acrescentar,
            bool criarPasta, bool quebraFinal) {
  const bool existe = Exists(arquivo);
  if (criarPasta && !existe) {
    fs::path pasta = fs::path(arquivo).parent_path();
    std::error_code ec;
    if (!pasta.empty()) fs::create_directories(pasta, ec);
  }
  // Appending never depends on whether the file existed a moment ago: two writers that both
  // found it missing would otherwise truncate each other's lines.
  const bool anexar = acrescentar;
  int fd = ::open(arquivo.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC | (anexar ? O_APPEND : 0), 0644);
  if (fd < 0) return false;
  // Others wait while we write, so that concurrent log lines never interleave.
  while (::flock(fd, LOCK_EX) != 0 && errno == EINTR) {
  }
  bool ok = true;
  if (!anexar) ok = ::ftruncate(fd, 0) == 0;
  if (ok) ok = WriteAll(fd, texto.data(), texto.size());
  if (ok && quebraFinal) ok = WriteAll(fd, "\r\n", 2);
  ::flock(fd, LOCK_UN);
  if (::close(fd) != 0) ok = false;
  return ok;
}

struct Entrada {
  std::string nome;
  std::string chave;
};

bool MenorSemCaixa(const std::string& a, const std::string& b) {
  return AnsiUpperCase(a) < AnsiUpperCase(b);
}

void Listar(const std::string& mascara, std::vector<Entrada>& out, bool comTempo, bool primeira) {
  fs::path m(mascara);
  std::string padrao = m.filename().string();
  fs::path pasta = m.parent_path();
  if (padrao == "*.*") padrao = "*";  // every name, with or without a dot
  std::error_code ec;
  fs::directory_iterator it(pasta.empty() ? fs::path(".") : pasta, ec);
  if (ec) return;
  std::string anterior;
  for (; it != fs::directory_iterator(); it.increment(ec)) {
    if (ec) break;
    std::string nome = it->path().filename().string();
    if (nome.find("..") != std::string::npos) continue;
    if (::fnmatch(padrao.c_str(), nome.c_str(), 0) != 0) continue;
    if (nome == anterior) break;
    anterior = nome;
    Entrada e;
    e.nome = nome;
    if (comTempo) {
      std::error_code ec2;
      auto ft = fs::last_write_time(it->path(), ec2);
      TDateTime t = 0;
      if (!ec2) {
        auto sys = std::chrono::time_point_cast<std::chrono::seconds>(
            std::chrono::file_clock::to_sys(ft));
        t = UnixToDateTime(sys.time_since_epoch().count());
      }
      e.chave = DataHoraParaTexto14(t) + nome;
    }
    out.push_back(std::move(e));
    if (primeira) return;
  }
}

}  // namespace

std::string PastaAplicacao() {
  std::error_code ec;
  fs::path exe = fs::read_symlink("/proc/self/exe", ec);
  if (ec) return CaminhoComBarra(fs::current_path(ec).string());
  return CaminhoComBarra(exe.parent_path().string());
}

std::string CaminhoComBarra(const std::string& p) {
  std::string r = Trim(p);
  if (!r.empty() && r.back() != '/' && r.back() != '\\') r += PathDelim;
  return r;
}

bool ArquivoExiste(const std::string& arquivo) {
  std::error_code ec;
  return !arquivo.empty() && fs::is_regular_file(fs::path(arquivo), ec);
}

bool PastaExiste(const std::string& pasta) {
  std::error_code ec;
  return !pasta.empty() && fs::is_directory(fs::path(pasta), ec);
}

bool CriarPasta(const std::string& pasta) {
  if (pasta.empty()) return false;
  std::error_code ec;
  fs::create_directories(fs::path(pasta), ec);
  return PastaExiste(pasta);
}

bool LerArquivo(const std::string& arquivo, std::string& conteudo) {
  conteudo.clear();
  int fd = ::open(arquivo.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  char buf[65536];
  bool ok = true;
  for (;;) {
    ssize_t n = ::read(fd, buf, sizeof buf);
    if (n < 0) {
      if (errno == EINTR) continue;
      ok = false;
      break;
    }
    if (n == 0) break;
    conteudo.append(buf, static_cast<std::size_t>(n));
  }
  ::close(fd);
  if (!ok) conteudo.clear();
  return ok;
}

void GravarTexto(const std::string& arquivo, const std::string& texto, bool acrescentar,
                 bool criarPasta, bool quebraFinal) {
  if (arquivo.empty()) return;
  if (texto.empty() && Exists(arquivo)) return;
  if (!Gravar(arquivo, texto, acrescentar, criarPasta, quebraFinal))
    throw ETuimDFeException("Erro ao gravar o arquivo: " + arquivo);
}

void GravarLog(const std::string& arquivo, const std::string& texto, bool traduzir) {
  if (arquivo.empty()) return;
  Gravar(arquivo, traduzir ? TraduzirControles(texto) : texto, true, false, true);
}

void ListarArquivos(const std::string& mascara, std::vector<std::string>& lista, bool comCaminho,
                    int ordem, int tipo) {
  lista.clear();
  std::vector<Entrada> entradas;
  Listar(mascara, entradas, tipo == 1, false);
  if (tipo != 0) {
    for (auto& e : entradas)
      if (tipo != 1) e.chave = e.nome;
    std::stable_sort(entradas.begin(), entradas.end(), [&](const Entrada& a, const Entrada& b) {
      return ordem == 2 ? MenorSemCaixa(b.chave, a.chave) : MenorSemCaixa(a.chave, b.chave);
    });
  }
  std::string pasta;
  if (comCaminho) {
    pasta = fs::path(mascara).parent_path().string();
    if (!pasta.empty()) pasta = CaminhoComBarra(pasta);
  }
  lista.reserve(entradas.size());
  for (auto& e : entradas) lista.push_back(pasta + e.nome);
}

bool ExistemArquivos(const std::string& mascara) {
  std::vector<Entrada> entradas;
  Listar(mascara, entradas, false, true);
  return !entradas.empty();
}

}  // namespace tuim
