#include "mail/TuimMail.h"

#include <curl/curl.h>
#include <iconv.h>
#include <poll.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <mutex>
#include <random>
#include <thread>

#include "fiscal/TuimUtil.h"
#include "mail/TuimMime.h"

namespace tuim {

namespace {

// ---- Process-wide state -----------------------------------------------------------------

struct CurlGlobal {
  CurlGlobal() { curl_global_init(CURL_GLOBAL_DEFAULT); }
  ~CurlGlobal() { curl_global_cleanup(); }
};
CurlGlobal gCurl;

// Background sends: the lock that runs them one at a time, the count of those still running
// and the synchroniser that carries their events to the main thread. Declared after gCurl, so
// its destructor (which waits for the workers) runs while libcurl is still there.
struct EnviosSegundoPlano {
  std::mutex lockEnvio;
  std::mutex m;
  std::condition_variable cv;
  int pendentes = 0;
  bool encerrando = false;
  TTuimMail::TSincronizador sincronizador;

  ~EnviosSegundoPlano() {
    std::unique_lock<std::mutex> lk(m);
    // Nothing is lost at exit: the running sends finish; their events run on the worker now,
    // since no main thread is left to run them.
    encerrando = true;
    cv.wait(lk, [this] { return pendentes == 0; });
  }
};
EnviosSegundoPlano gEnvios;

// `direto` is set while the component that started the send is being destroyed: its thread
// waits for the send and cannot run the call, so the call runs on the worker.
void Sincronizar(const std::function<void()>& chamada, const std::atomic<bool>* direto = nullptr) {
  TTuimMail::TSincronizador s;
  {
    std::lock_guard<std::mutex> lk(gEnvios.m);
    if (!gEnvios.encerrando && !(direto && direto->load())) s = gEnvios.sincronizador;
  }
  if (s)
    s(chamada);
  else
    chamada();
}

std::string ChaveAleatoria(std::size_t n) {
  static thread_local std::mt19937_64 gerador{std::random_device{}()};
  std::string r(n, '\0');
  for (auto& c : r) c = static_cast<char>(1 + gerador() % 255);
  return r;
}

std::string HexAleatorio(std::size_t n) {
  static thread_local std::mt19937_64 gerador{std::random_device{}()};
  static const char kHex[] = "0123456789abcdef";
  std::string r(n, '0');
  for (auto& c : r) c = kHex[gerador() % 16];
  return r;
}

std::string Juntar(const std::vector<std::string>& linhas, const std::string& sep = "\r\n") {
  std::string r;
  for (std::size_t i = 0; i < linhas.size(); ++i) {
    if (i) r += sep;
    r += linhas[i];
  }
  return r;
}

// RFC 5322 date in local time with its numeric offset; names are fixed English, never the locale's.
std::string DataRfc5322() {
  static const char* kDias[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
  static const char* kMeses[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                 "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  std::time_t t = std::time(nullptr);
  std::tm tm{};
  localtime_r(&t, &tm);
  long off = tm.tm_gmtoff / 60;
  char sinal = off < 0 ? '-' : '+';
  if (off < 0) off = -off;
  char buf[64];
  std::snprintf(buf, sizeof buf, "%s, %02d %s %04d %02d:%02d:%02d %c%02ld%02ld", kDias[tm.tm_wday], tm.tm_mday,
                kMeses[tm.tm_mon], tm.tm_year + 1900, tm.tm_hour, tm.tm_min, tm.tm_sec, sinal, off / 60, off % 60);
  return buf;
}

const char* NomeIconv(TMimeChar c) {
  switch (c) {
    case ISO_8859_1: return "ISO-8859-1";
    case ISO_8859_2: return "ISO-8859-2";
    case ISO_8859_15: return "ISO-8859-15";
    case CP850: return "CP850";
    case CP1250: return "CP1250";
    case CP1252: return "CP1252";
    case UTF_8: return "UTF-8";
    case KOI8_R: return "KOI8-R";
  }
  return "CP1252";
}

// ---- SMTP session -------------------------------------------------------------------------

// libcurl connects, greets, negotiates TLS (implicit or STARTTLS) and logs in with whichever
// mechanism the server offers; the commands after the login are ours over that connection, so
// that each can be tried on its own, reported, and given the DSN parameters libcurl lacks.
class SessaoSMTP {
public:
  ~SessaoSMTP() { Fechar(); }

  bool Conectar(const TTuimMail& m, long timeoutMs) {
    Fechar();
    fTimeoutMs = timeoutMs;
    fCurl = curl_easy_init();
    if (!fCurl) return false;
    // Without a port the scheme's own is used (25, or 465 for implicit TLS).
    std::string url = std::string(m.SetSSL() ? "smtps://" : "smtp://") + m.Host() +
                      (Trim(m.Port()).empty() ? "" : ":" + Trim(m.Port()));
    curl_easy_setopt(fCurl, CURLOPT_URL, url.c_str());
    curl_easy_setopt(fCurl, CURLOPT_CONNECT_ONLY, 1L);
    curl_easy_setopt(fCurl, CURLOPT_NOSIGNAL, 1L);
    // STARTTLS asked for, or credentials on a plain connection: TLS is required, never tried, so
    // that a server withholding STARTTLS cannot receive the password in clear.
    fExigeTLS = !m.SetSSL() && (m.SetTLS() || !m.Username().empty() || !m.Password().empty());
    if (!m.SetSSL()) curl_easy_setopt(fCurl, CURLOPT_USE_SSL, fExigeTLS ? (long)CURLUSESSL_ALL : (long)CURLUSESSL_NONE);
    if (!m.Username().empty()) {
      curl_easy_setopt(fCurl, CURLOPT_USERNAME, m.Username().c_str());
      std::string senha = m.Password();
      curl_easy_setopt(fCurl, CURLOPT_PASSWORD, senha.c_str());  // libcurl keeps its own copy
      std::fill(senha.begin(), senha.end(), '\0');
    }
    curl_easy_setopt(fCurl, CURLOPT_SSL_VERIFYPEER, m.VerificarCertificado() ? 1L : 0L);
    curl_easy_setopt(fCurl, CURLOPT_SSL_VERIFYHOST, m.VerificarCertificado() ? 2L : 0L);
    if (!m.CAFile().empty()) curl_easy_setopt(fCurl, CURLOPT_CAINFO, m.CAFile().c_str());
    if (timeoutMs > 0) {
      curl_easy_setopt(fCurl, CURLOPT_CONNECTTIMEOUT_MS, timeoutMs);
      curl_easy_setopt(fCurl, CURLOPT_TIMEOUT_MS, timeoutMs);
    }
    // The trace gives the server's answers and its EHLO extensions; what the client sends
    // (the credentials among it) is never looked at beyond the command word.
    curl_easy_setopt(fCurl, CURLOPT_VERBOSE, 1L);
    curl_easy_setopt(fCurl, CURLOPT_DEBUGFUNCTION, &SessaoSMTP::Trace);
    curl_easy_setopt(fCurl, CURLOPT_DEBUGDATA, this);
    CURLcode rc = curl_easy_perform(fCurl);
    fTracando = false;
    fErroTLS.clear();
    if (rc != CURLE_OK) {
      if (rc == CURLE_USE_SSL_FAILED)
        fErroTLS = "TLS could not be set up: the server does not offer STARTTLS; nothing was sent after EHLO.";
      else if (ErroTLS(rc) && (m.SetSSL() || fExigeTLS))
        fErroTLS = std::string("TLS could not be set up: ") + curl_easy_strerror(rc) + ".";
      Fechar();
      return false;
    }
    curl_socket_t s = CURL_SOCKET_BAD;
    if (curl_easy_getinfo(fCurl, CURLINFO_ACTIVESOCKET, &s) != CURLE_OK || s == CURL_SOCKET_BAD) {
      Fechar();
      return false;
    }
    fSocket = s;
    return true;
  }

  bool Conectada() const { return fCurl != nullptr; }
  // Why the last Conectar failed when TLS was the cause; empty otherwise.
  const std::string& ErroTLS() const { return fErroTLS; }

  bool Extensao(const std::string& nome) const {
    for (const auto& l : fExtensoes) {
      std::string e = UpperCase(Trim(l.size() > 4 ? l.substr(4) : ""));
      if (e == nome || IniciaCom(e, nome + " ") || IniciaCom(e, nome + "=")) return true;
    }
    return false;
  }

  // Sends a command line (CR LF added) and reads the reply; its code, 0 on a broken connection.
  int Comando(const std::string& linha) {
    if (!Escrever(linha + "\r\n")) return 0;
    return LerResposta();
  }

  int EnviarDados(const std::string& dados) {
    if (!Escrever(dados) || !Escrever(".\r\n")) return 0;
    return LerResposta();
  }

  const std::string& UltimaResposta() const { return fUltimaResposta; }

  void Fechar() {
    if (fCurl) curl_easy_cleanup(fCurl);
    fCurl = nullptr;
    fSocket = CURL_SOCKET_BAD;
    fBuffer.clear();
  }

private:
  static bool ErroTLS(CURLcode rc) {
    switch (rc) {
      case CURLE_SSL_CONNECT_ERROR:
      case CURLE_PEER_FAILED_VERIFICATION:
      case CURLE_SSL_CERTPROBLEM:
      case CURLE_SSL_CIPHER:
      case CURLE_SSL_CACERT_BADFILE:
      case CURLE_SSL_ENGINE_NOTFOUND:
      case CURLE_SSL_ENGINE_SETFAILED:
      case CURLE_SSL_ENGINE_INITFAILED:
      case CURLE_SSL_ISSUER_ERROR:
      case CURLE_SSL_PINNEDPUBKEYNOTMATCH:
      case CURLE_SSL_INVALIDCERTSTATUS:
      case CURLE_SSL_CRL_BADFILE:
      case CURLE_SSL_SHUTDOWN_FAILED:
        return true;
      default:
        return false;
    }
  }

  static int Trace(CURL*, curl_infotype tipo, char* dados, size_t n, void* p) {
    auto* self = static_cast<SessaoSMTP*>(p);
    if (!self->fTracando) return 0;
    if (tipo == CURLINFO_HEADER_OUT) {
      if (n >= 5 && (strncasecmp(dados, "EHLO ", 5) == 0 || strncasecmp(dados, "HELO ", 5) == 0))
        self->fExtensoes.clear();  // the answer to the last EHLO is the one that counts (after STARTTLS)
      self->fEmEhlo = n >= 5 && strncasecmp(dados, "EHLO ", 5) == 0;
    } else if (tipo == CURLINFO_HEADER_IN) {
      std::string l(dados, n);
      while (!l.empty() && (l.back() == '\n' || l.back() == '\r')) l.pop_back();
      self->fUltimaResposta = l;
      if (self->fEmEhlo && l.size() >= 4 && l.compare(0, 3, "250") == 0) self->fExtensoes.push_back(l);
    }
    return 0;
  }

  bool Esperar(short eventos) {
    pollfd pfd{static_cast<int>(fSocket), eventos, 0};
    int espera = fTimeoutMs > 0 ? static_cast<int>(fTimeoutMs) : 300000;
    int r;
    do {
      r = poll(&pfd, 1, espera);
    } while (r < 0 && errno == EINTR);
    return r > 0;
  }

  bool Escrever(const std::string& dados) {
    if (!fCurl) return false;
    std::size_t feito = 0;
    while (feito < dados.size()) {
      size_t n = 0;
      CURLcode rc = curl_easy_send(fCurl, dados.data() + feito, dados.size() - feito, &n);
      if (rc == CURLE_AGAIN) {
        if (!Esperar(POLLOUT)) return Quebrar();
        continue;
      }
      if (rc != CURLE_OK) return Quebrar();
      feito += n;
    }
    return true;
  }

  int LerResposta() {
    for (;;) {
      // A complete reply is a line of three digits followed by a space (or nothing).
      std::size_t inicio = 0;
      for (;;) {
        std::size_t fim = fBuffer.find("\r\n", inicio);
        if (fim == std::string::npos) break;
        std::string l = fBuffer.substr(inicio, fim - inicio);
        inicio = fim + 2;
        if (l.size() >= 3 && std::isdigit(static_cast<unsigned char>(l[0])) && (l.size() == 3 || l[3] == ' ')) {
          fBuffer.erase(0, inicio);
          fUltimaResposta = l;
          return std::atoi(l.substr(0, 3).c_str());
        }
      }
      if (!fCurl) return 0;
      char buf[4096];
      size_t n = 0;
      CURLcode rc = curl_easy_recv(fCurl, buf, sizeof buf, &n);
      if (rc == CURLE_AGAIN) {
        if (!Esperar(POLLIN)) return Quebrar(), 0;
        continue;
      }
      if (rc != CURLE_OK || n == 0) return Quebrar(), 0;
      fBuffer.append(buf, n);
    }
  }

  bool Quebrar() {
    Fechar();
    return false;
  }

  CURL* fCurl = nullptr;
  curl_socket_t fSocket = CURL_SOCKET_BAD;
  long fTimeoutMs = 0;
  bool fTracando = true;
  bool fEmEhlo = false;
  bool fExigeTLS = false;
  std::string fErroTLS;
  std::vector<std::string> fExtensoes;
  std::string fUltimaResposta;
  std::string fBuffer;
};

}  // namespace

// ---- Names and charsets -------------------------------------------------------------------

std::string MimeCharParaTexto(TMimeChar c) {
  switch (c) {
    case ISO_8859_1: return "ISO-8859-1";
    case ISO_8859_2: return "ISO-8859-2";
    case ISO_8859_15: return "ISO-8859-15";
    case CP850: return "IBM850";
    case CP1250: return "windows-1250";
    case CP1252: return "windows-1252";
    case UTF_8: return "UTF-8";
    case KOI8_R: return "KOI8-R";
  }
  return "windows-1252";
}

std::string MailStatusParaTexto(TMailStatus s) {
  static const char* kNomes[] = {"pmsStartProcess", "pmsConfigHeaders", "pmsAddingMimeParts", "pmsLoginSMTP",
                                 "pmsStartSends",   "pmsSendTo",        "pmsSendCC",          "pmsSendBCC",
                                 "pmsSendReplyTo",  "pmsSendData",      "pmsLogoutSMTP",      "pmsDone",
                                 "pmsError"};
  return s <= pmsError ? kNomes[s] : "";
}

std::string ConverterCharset(const std::string& texto, TMimeChar de, TMimeChar para) {
  if (de == para || texto.empty()) return texto;
  iconv_t cd = iconv_open(NomeIconv(para), NomeIconv(de));
  if (cd == reinterpret_cast<iconv_t>(-1)) return texto;
  std::string r;
  r.reserve(texto.size() * 2);
  char buf[1024];
  char* in = const_cast<char*>(texto.data());
  std::size_t inLeft = texto.size();
  while (inLeft > 0) {
    char* out = buf;
    std::size_t outLeft = sizeof buf;
    std::size_t rc = iconv(cd, &in, &inLeft, &out, &outLeft);
    r.append(buf, out - buf);
    if (rc == static_cast<std::size_t>(-1)) {
      if (errno == E2BIG) continue;
      // A character the target lacks, or a broken sequence: one '?' and on.
      r += ConverterCharset("?", CP1252, para);
      ++in;
      --inLeft;
    }
  }
  char* out = buf;
  std::size_t outLeft = sizeof buf;
  iconv(cd, nullptr, nullptr, &out, &outLeft);
  r.append(buf, out - buf);
  iconv_close(cd);
  return r;
}

// ---- TTuimMail ----------------------------------------------------------------------------

struct TTuimMail::TEnviosDoComponente {
  std::mutex m;
  std::condition_variable cv;
  int pendentes = 0;
  std::atomic<bool> destruindo{false};
};

TTuimMail::TTuimMail(TTuimComponent* owner)
    : TTuimMailBase(owner), fChavePassword(ChaveAleatoria(16)), fEnvios(std::make_shared<TEnviosDoComponente>()) {}

TTuimMail::~TTuimMail() {
  // A send still running belongs to this component: it ends before the component does.
  fEnvios->destruindo = true;
  std::unique_lock<std::mutex> lk(fEnvios->m);
  fEnvios->cv.wait(lk, [this] { return fEnvios->pendentes == 0; });
}

int TTuimMail::EnviosPendentes() const {
  std::lock_guard<std::mutex> lk(fEnvios->m);
  return fEnvios->pendentes;
}

std::string TTuimMail::Password() const { return EmbaralharXor(fPassword, fChavePassword); }

void TTuimMail::SetPassword(const std::string& v) { fPassword = EmbaralharXor(v, fChavePassword); }

void TTuimMail::AdicionarLinhas(std::vector<std::string>& lista, const std::string& endereco,
                                const std::string& nome) {
  if (!Trim(nome).empty()) {
    lista.push_back("\"" + nome + "\" <" + endereco + ">");
    return;
  }
  std::string e = Trim(endereco);
  char d = DetectarDelimitador(e);
  if (d == ' ') {
    lista.push_back(e);
    return;
  }
  std::vector<std::string> itens;
  SepararTexto(e, d, itens);
  for (auto& i : itens) {
    std::string t = Trim(i);
    if (!t.empty()) lista.push_back(t);
  }
}

void TTuimMail::AdicionarDestinatario(const std::string& endereco, const std::string& nome) {
  AdicionarLinhas(fHeader.ToList, endereco, nome);
}

void TTuimMail::AdicionarCopia(const std::string& endereco, const std::string& nome) {
  AdicionarLinhas(fHeader.CCList, endereco, nome);
}

void TTuimMail::AdicionarResponderPara(const std::string& endereco, const std::string& nome) {
  AdicionarLinhas(fReplyTo, endereco, nome);
}

void TTuimMail::AnexarArquivo(const std::string& caminho, const std::string& descricao, int disposicao) {
  std::string conteudo;
  if (!ArquivoExiste(caminho) || !LerArquivo(caminho, conteudo))
    throw ETuimMailException("Add Attachment: File not Exists.");
  TMailAttachment a;
  a.NomeArquivo = std::filesystem::path(caminho).filename().string();
  a.Descricao = descricao.empty() ? a.NomeArquivo : descricao;
  a.Conteudo = std::move(conteudo);
  a.Disposicao = disposicao;
  fAnexos.push_back(std::move(a));
}

void TTuimMail::AnexarStream(const std::string& conteudo, const std::string& nome, int disposicao) {
  TMailAttachment a;
  std::string n = nome;
  if (Trim(n).empty()) n = "file_" + FormatarDataHoraBr(Now(), "hhnnsszzz");
  a.NomeArquivo = n;
  a.Descricao = n;
  a.Conteudo = conteudo;
  a.Disposicao = disposicao;
  fAnexos.push_back(std::move(a));
}

void TTuimMail::AnexarStream(std::istream* stream, const std::string& nome, int disposicao) {
  if (!stream) throw ETuimMailException("Add Attachment: Access Violation.");
  stream->clear();
  stream->seekg(0, std::ios::beg);
  std::string conteudo((std::istreambuf_iterator<char>(*stream)), std::istreambuf_iterator<char>());
  AnexarStream(conteudo, nome, disposicao);
}

void TTuimMail::Limpar() {
  fAnexos.clear();
  fHeader = TMailHeader{};
  fMensagemCodificada.clear();
  fReplyTo.clear();
  fBCC.clear();
  fSubject.clear();
  fCorpo.clear();
  fCorpoAlternativo.clear();
}

void TTuimMail::Assign(const TTuimComponent* origem) {
  const auto* o = dynamic_cast<const TTuimMail*>(origem);
  if (!o) throw ETuimMailException("Source must be TTuimMail");
  if (o == this) return;
  fHost = o->fHost;
  fPort = o->fPort;
  fUsername = o->fUsername;
  SetPassword(o->Password());
  fSetSSL = o->fSetSSL;
  fSetTLS = o->fSetTLS;
  fPriority = o->fPriority;
  fReadingConfirmation = o->fReadingConfirmation;
  fDeliveryConfirmation = o->fDeliveryConfirmation;
  fIsHTML = o->fIsHTML;
  fUseThread = o->fUseThread;
  fTimeOut = o->fTimeOut;
  fAttempts = o->fAttempts;
  fFrom = o->fFrom;
  fFromName = o->fFromName;
  fSubject = o->fSubject;
  fDefaultCharset = o->fDefaultCharset;
  fIDECharset = o->fIDECharset;
  fVerificarCertificado = o->fVerificarCertificado;
  fCAFile = o->fCAFile;
  OnBeforeMailProcess = o->OnBeforeMailProcess;
  OnMailProcess = o->OnMailProcess;
  OnAfterMailProcess = o->OnAfterMailProcess;
  OnMailException = o->OnMailException;
  OnGerarLog = o->OnGerarLog;
  fAnexos = o->fAnexos;
  fCorpo = o->fCorpo;
  fCorpoAlternativo = o->fCorpoAlternativo;
  fReplyTo = o->fReplyTo;
  fBCC = o->fBCC;
  fHeader = o->fHeader;
}

void TTuimMail::Reportar(TMailStatus s) const {
  if (OnMailProcess) OnMailProcess(*this, s);
}

void TTuimMail::RegistrarLog(const std::string& linha) const {
  bool tratado = false;
  if (!linha.empty() && OnGerarLog) OnGerarLog(linha, tratado);
}

std::string TTuimMail::CampoComQuebra() const {
  // A CR or LF would start a header line or an SMTP command of its own; a NUL cuts the text.
  auto quebra = [](const std::string& t) { return t.find_first_of(std::string("\r\n\0", 3)) != std::string::npos; };
  auto algum = [&](const std::vector<std::string>& l) { return std::any_of(l.begin(), l.end(), quebra); };
  if (quebra(fFrom)) return "From";
  if (quebra(fFromName)) return "FromName";
  if (quebra(fSubject)) return "Subject";
  if (algum(fHeader.ToList)) return "To";
  if (algum(fHeader.CCList)) return "CC";
  if (algum(fBCC)) return "BCC";
  if (algum(fReplyTo)) return "Reply-To";
  for (const auto& a : fAnexos)
    if (quebra(a.NomeArquivo) || quebra(a.Descricao)) return "Attachment name";
  return "";
}

void TTuimMail::MontarMensagem() {
  if (const std::string campo = CampoComQuebra(); !campo.empty())
    throw ETuimMailException("SMTP Error: " + campo + " holds a line break or NUL character.");
  if (OnBeforeMailProcess) OnBeforeMailProcess(this);
  Reportar(pmsStartProcess);

  std::vector<std::string> corpo = fCorpo, alternativo = fCorpoAlternativo;
  std::string assunto = fSubject, nomeRemetente = fFromName;
  auto converter = [this](const std::string& s) { return ConverterCharset(s, fIDECharset, fDefaultCharset); };
  if (fDefaultCharset != fIDECharset) {
    for (auto& l : corpo) l = converter(l);
    for (auto& l : alternativo) l = converter(l);
    assunto = converter(assunto);
    nomeRemetente = converter(nomeRemetente);
  }
  Reportar(pmsConfigHeaders);

  const std::string charset = MimeCharParaTexto(fDefaultCharset);
  auto enderecos = [&](const std::vector<std::string>& lista) {
    std::vector<std::string> r;
    for (const auto& l : lista) r.push_back(mime::CodificarEndereco(converter(l), charset));
    return Juntar(r, ",\r\n ");
  };

  std::string remetente =
      Trim(fFromName).empty() ? fFrom : mime::CodificarEndereco("\"" + nomeRemetente + "\" <" + fFrom + ">", charset);
  // Receipt requests go ahead of the host's own custom headers, delivery ahead of reading.
  std::vector<std::string> custom = fHeader.CustomHeaders;
  if (fReadingConfirmation) custom.insert(custom.begin(), "Disposition-Notification-To: " + remetente);
  if (fDeliveryConfirmation) custom.insert(custom.begin(), "Return-Receipt-To: " + remetente);
  fHeader.Priority = fPriority;
  fHeader.XMailer = "Synapse - TuimMail";

  std::string h;
  for (const auto& c : custom) h += c + "\r\n";
  h += "From: " + remetente + "\r\n";
  if (!fHeader.ToList.empty()) h += "To: " + enderecos(fHeader.ToList) + "\r\n";
  if (!fHeader.CCList.empty()) h += "Cc: " + enderecos(fHeader.CCList) + "\r\n";
  // Addresses in a list are separated by commas (RFC 5322); a semicolon would make one bad address.
  if (!fReplyTo.empty()) h += "Reply-To: " + enderecos(fReplyTo) + "\r\n";
  h += "Subject: " + mime::CodificarCabecalho(assunto, charset) + "\r\n";
  h += "Date: " + DataRfc5322() + "\r\n";
  std::string dominio = fFrom.find('@') != std::string::npos ? mime::SomenteEndereco(fFrom) : "tuim.local";
  dominio = dominio.substr(dominio.find('@') + 1);
  h += "Message-ID: <" + HexAleatorio(24) + "@" + (dominio.empty() ? "tuim.local" : dominio) + ">\r\n";
  if (!fHeader.Organization.empty())
    h += "Organization: " + mime::CodificarCabecalho(converter(fHeader.Organization), charset) + "\r\n";
  switch (fPriority) {
    case MP_low: h += "X-Priority: 5 (Lowest)\r\nPriority: non-urgent\r\nImportance: low\r\n"; break;
    case MP_normal: h += "X-Priority: 3 (Normal)\r\nPriority: normal\r\nImportance: normal\r\n"; break;
    case MP_high: h += "X-Priority: 1 (Highest)\r\nPriority: urgent\r\nImportance: high\r\n"; break;
    case MP_unknown: break;
  }
  h += "X-Mailer: " + fHeader.XMailer + "\r\n";
  h += "MIME-Version: 1.0\r\n";
  Reportar(pmsAddingMimeParts);

  const bool alternativa = fIsHTML && !corpo.empty() && !alternativo.empty();
  const std::string marcaTopo = "=_tuim_" + HexAleatorio(20) + "_0";
  const std::string marcaRelated = "=_tuim_" + HexAleatorio(20) + "_1";

  auto parteTexto = [&](const std::string& tipo, const std::string& descricao, const std::vector<std::string>& l) {
    return "Content-Type: " + tipo + "; charset=\"" + charset + "\"\r\n" +
           "Content-Transfer-Encoding: quoted-printable\r\n" + "Content-Disposition: inline\r\n" +
           "Content-Description: " + descricao + "\r\n\r\n" + mime::QuotedPrintable(Juntar(l));
  };

  std::vector<std::string> partesTopo, partesInternas;
  if (!alternativo.empty()) partesTopo.push_back(parteTexto("text/plain", "Message text", alternativo));
  std::vector<std::string>& destino = alternativa ? partesInternas : partesTopo;
  if (fIsHTML && !corpo.empty()) destino.push_back(parteTexto("text/html", "HTML text", corpo));
  const std::string corpoMinusculo = AnsiLowerCase(Juntar(fCorpo));
  for (const auto& a : fAnexos) {
    std::string nome = converter(a.NomeArquivo);
    std::string p = "Content-Type: " + mime::TipoMidia(a.NomeArquivo) + "; " + mime::Parametro("name", nome, charset) +
                    "\r\n" + "Content-Transfer-Encoding: base64\r\n" + "Content-Disposition: " +
                    (a.Disposicao == 0 ? "attachment" : "inline") + "; " + mime::Parametro("filename", nome, charset) +
                    "\r\n" + "Content-Description: " + mime::CodificarCabecalho(converter(a.Descricao), charset) + "\r\n";
    if (fIsHTML && !a.Descricao.empty() && corpoMinusculo.find(":" + AnsiLowerCase(a.Descricao)) != std::string::npos)
      p += "Content-ID: <" + mime::SemControles(a.Descricao) + ">\r\n";
    p += "\r\n" + mime::Base64Linhas(a.Conteudo);
    // The line break before a boundary belongs to the boundary, not to the content.
    if (p.size() >= 2 && p.compare(p.size() - 2, 2, "\r\n") == 0) p.resize(p.size() - 2);
    destino.push_back(std::move(p));
  }

  auto multipart = [](const std::string& subtipo, const std::string& marca, const std::vector<std::string>& partes) {
    std::string r = "Content-Type: multipart/" + subtipo + "; boundary=\"" + marca + "\"\r\n\r\n" +
                    "This is a multi-part message in MIME format.\r\n";
    for (const auto& p : partes) r += "\r\n--" + marca + "\r\n" + p;
    r += "\r\n--" + marca + "--\r\n";
    return r;
  };
  if (alternativa) partesTopo.push_back(multipart("related", marcaRelated, partesInternas));
  fMensagemCodificada = h + multipart(alternativa ? "alternative" : "mixed", marcaTopo, partesTopo);
}

void TTuimMail::Falhar(const std::string& mensagem) {
  fUltimoErro = mensagem;
  // Whatever the handlers decide, the failure is on record before the message is cleared.
  RegistrarLog("ERRO: " + mensagem);
  Reportar(pmsError);
  ETuimMailException e(mensagem);
  bool throwIt = true;
  if (OnMailException) OnMailException(*this, e, throwIt);
  Limpar();
  if (throwIt) throw e;
}

void TTuimMail::Enviar() {
  if (fUseThread)
    EnviarEmSegundoPlano();
  else
    EnviarSincrono();
}

void TTuimMail::EnviarSincrono() {
  // Raised by a step of the send; anything else comes from a host's handler and only clears.
  struct Falha {
    std::string mensagem;
  };
  try {
    if (const std::string campo = CampoComQuebra(); !campo.empty())
      throw Falha{"SMTP Error: " + campo + " holds a line break or NUL character."};
    MontarMensagem();
    // Never an endless wait: a server that stops answering ends the send.
    const long timeout = TimeOutEfetivo();
    Reportar(pmsLoginSMTP);
    if (fHost.empty()) throw Falha{"SMTP Error: Server not informed"};

    SessaoSMTP s;
    auto falhaComando = [&s](const char* msg) { return Falha{std::string(msg) + "\r\n" + s.UltimaResposta()}; };
    const int tentativas = fAttempts < 1 ? 1 : fAttempts;
    bool logado = false;
    for (int t = 0; t < tentativas && !logado; ++t) logado = s.Conectar(*this, timeout);
    if (!logado && !s.ErroTLS().empty()) throw Falha{"SMTP Error: Unable to Login.\r\n" + s.ErroTLS()};
    if (!logado) throw falhaComando("SMTP Error: Unable to Login.");
    if (fDeliveryConfirmation && !s.Extensao("DSN"))
      throw Falha{"SMTP Error: The SMTP Server does not support Delivery Status Notification"};

    const std::string dados = mime::DotStuffing(fMensagemCodificada);
    std::string mailFrom = "MAIL FROM:<" + mime::SomenteEndereco(fFrom) + ">";
    if (s.Extensao("SIZE")) mailFrom += " SIZE=" + std::to_string(fMensagemCodificada.size());
    const std::string notify = fDeliveryConfirmation ? " NOTIFY=SUCCESS,FAILURE" : "";
    auto tentar = [&](const std::function<bool()>& passo) {
      for (int t = 0; t < tentativas; ++t)
        if (passo()) return true;
      return false;
    };
    auto rcpt = [&](const std::string& linha) {
      return tentar([&] { return s.Comando("RCPT TO:<" + mime::SomenteEndereco(linha) + ">" + notify) / 100 == 2; });
    };
    auto envelope = [&] {
      if (!tentar([&] { return s.Comando(mailFrom) / 100 == 2; })) return false;
      for (const auto* lista : {&fHeader.ToList, &fHeader.CCList, &fBCC})
        for (const auto& l : *lista)
          if (!rcpt(l)) return false;
      return true;
    };

    Reportar(pmsStartSends);
    if (!tentar([&] { return s.Comando(mailFrom) / 100 == 2; })) throw falhaComando("SMTP Error: Unable to send MailFrom.");
    Reportar(pmsSendTo);
    for (const auto& l : fHeader.ToList)
      if (!rcpt(l)) throw falhaComando("SMTP Error: Unable to send MailTo.");
    if (!fHeader.CCList.empty()) {
      Reportar(pmsSendCC);
      for (const auto& l : fHeader.CCList)
        if (!rcpt(l)) throw falhaComando("SMTP Error: Unable to send CC list.");
    }
    if (!fBCC.empty()) {
      Reportar(pmsSendBCC);
      for (const auto& l : fBCC)
        if (!rcpt(l)) throw falhaComando("SMTP Error: Unable to send BCC list.");
    }
    Reportar(pmsSendData);
    // A refused message ends the transaction at the server, so a new try starts a new one.
    bool primeira = true;
    bool aceita = tentar([&] {
      if (!primeira && (s.Comando("RSET") / 100 != 2 || !envelope())) return false;
      primeira = false;
      if (s.Comando("DATA") != 354) return false;
      return s.EnviarDados(dados) / 100 == 2;
    });
    if (!aceita) throw falhaComando("SMTP Error: Unable to send Mail data.");
    Reportar(pmsLogoutSMTP);
    if (!tentar([&] { return s.Comando("QUIT") / 100 == 2; })) throw falhaComando("SMTP Error: Unable to Logout.");
    s.Fechar();
  } catch (const Falha& f) {
    Falhar(f.mensagem);
    return;
  } catch (...) {
    Limpar();
    throw;
  }
  try {
    RegistrarLog("E-mail enviado: " + fSubject);
    Reportar(pmsDone);
    if (OnAfterMailProcess) OnAfterMailProcess(this);
  } catch (...) {
    Limpar();
    throw;
  }
  Limpar();
}

// ---- Background sends ---------------------------------------------------------------------

void TTuimMail::DefinirSincronizador(TSincronizador s) {
  std::lock_guard<std::mutex> lk(gEnvios.m);
  gEnvios.sincronizador = std::move(s);
}

bool TTuimMail::AguardarEnviosEmSegundoPlano(int timeoutMs) {
  std::unique_lock<std::mutex> lk(gEnvios.m);
  auto pronto = [] { return gEnvios.pendentes == 0; };
  if (timeoutMs < 0) {
    gEnvios.cv.wait(lk, pronto);
    return true;
  }
  return gEnvios.cv.wait_for(lk, std::chrono::milliseconds(timeoutMs), pronto);
}

int TTuimMail::EnviosEmSegundoPlano() {
  std::lock_guard<std::mutex> lk(gEnvios.m);
  return gEnvios.pendentes;
}

void TTuimMail::EnviarEmSegundoPlano() {
  auto copia = std::make_unique<TTuimMail>(nullptr);
  copia->Assign(this);
  copia->SetUseThread(false);
  std::shared_ptr<TEnviosDoComponente> estado = fEnvios;
  const std::atomic<bool>* direto = &estado->destruindo;

  // Each forwarder runs the handler it replaces on the main thread and waits for it.
  if (auto h = copia->OnBeforeMailProcess)
    copia->OnBeforeMailProcess = [h, direto](TTuimComponent* m) { Sincronizar([&] { h(m); }, direto); };
  if (auto h = copia->OnMailProcess)
    copia->OnMailProcess = [h, direto](const TTuimMail& m, TMailStatus st) { Sincronizar([&] { h(m, st); }, direto); };
  if (auto h = copia->OnAfterMailProcess)
    copia->OnAfterMailProcess = [h, direto](TTuimComponent* m) { Sincronizar([&] { h(m); }, direto); };
  if (auto h = copia->OnGerarLog)
    copia->OnGerarLog = [h, direto](const std::string& l, bool& t) { Sincronizar([&] { h(l, t); }, direto); };
  // A failure in the background is never raised: the handler sees ThrowIt false, and the
  // forwarder answers false whatever it sets.
  auto hExc = copia->OnMailException;
  copia->OnMailException = [hExc, direto](const TTuimMail& m, const std::exception& e, bool& throwIt) {
    if (hExc) {
      Sincronizar(
          [&] {
            bool t = false;
            hExc(m, e, t);
          },
          direto);
    }
    throwIt = false;
  };

  {
    std::lock_guard<std::mutex> lk(gEnvios.m);
    ++gEnvios.pendentes;
  }
  {
    std::lock_guard<std::mutex> lk(estado->m);
    ++estado->pendentes;
  }
  // The process-wide count goes down first: whoever the component's count wakes (its
  // destructor) must already see this send gone from both.
  auto terminar = [](const std::shared_ptr<TEnviosDoComponente>& e) {
    {
      std::lock_guard<std::mutex> lk(gEnvios.m);
      --gEnvios.pendentes;
      gEnvios.cv.notify_all();
    }
    std::lock_guard<std::mutex> lk(e->m);
    --e->pendentes;
    e->cv.notify_all();
  };
  try {
    std::thread([c = std::move(copia), estado, terminar]() mutable {
      {
        std::lock_guard<std::mutex> envio(gEnvios.lockEnvio);
        try {
          c->EnviarSincrono();
        } catch (const std::exception& e) {
          // A handler's own failure ends this send; with no caller to raise it to, it is logged.
          try {
            c->RegistrarLog(std::string("ERRO: ") + e.what());
          } catch (...) {
          }
        } catch (...) {
        }
        c.reset();
      }
      terminar(estado);
    }).detach();
  } catch (...) {
    terminar(estado);
    throw;
  }
}

}  // namespace tuim
