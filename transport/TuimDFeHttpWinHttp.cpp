#include "transport/TuimDFeHttpWinHttp.h"

#include <curl/curl.h>
#include <openssl/opensslconf.h>
#include <openssl/crypto.h>
#include <openssl/evp.h>
#include <openssl/ssl.h>
#include <openssl/x509.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>

#include <sys/stat.h>

#include "fiscal/TuimUtil.h"
#include "transport/TuimTransporte.h"

namespace tuim {

namespace {

using Relogio = std::chrono::steady_clock;

void IniciarCurl() {
  static std::once_flag f;
  std::call_once(f, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

// The texts the Windows stacks gave for their codes, keyed by the libcurl code of the same fault.
const char* TextoFixo(std::int32_t codigo) {
  switch (codigo) {
    case CURLE_OPERATION_TIMEDOUT: return "TimeOut de Requisição";
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_RESOLVE_PROXY: return "O nome do servidor não pode ser resolvido";
    case CURLE_COULDNT_CONNECT: return "Conexão com o Servidor falhou";
    case CURLE_SEND_ERROR:
    case CURLE_RECV_ERROR:
      return "A conexão com o servidor foi redefinida ou encerrada, ou um protocolo SSL incompatível foi encontrado";
    case CURLE_GOT_NOTHING: return "A conexão com o servidor foi redefinida";
    case CURLE_PEER_FAILED_VERIFICATION: return "Certificado raiz não é confiável pelo provedor de confiança";
    case CURLE_SSL_INVALIDCERTSTATUS:
      return "Revogação do Certificado não pode ser verificada porque o servidor de revogação está offline";
    case CURLE_SSL_CONNECT_ERROR: return "Erro relacionado ao Canal Seguro";
    case CURLE_SSL_CACERT_BADFILE:
      return "Um ou mais erros foram encontrados no certificado Secure Sockets Layer (SSL) enviado pelo servidor";
    case CURLE_SSL_CERTPROBLEM: return "Falha ao obter a Chave Privada do Certificado para comunicação segura";
    default: return nullptr;
  }
}

// Nothing below TLS 1.2 is offered: the authorities dropped it and it is not safe.
bool TLSOferecido(TSSLType t) {
  switch (t) {
    case LT_SSLv2:
    case LT_SSLv3:
    case LT_TLSv1:
    case LT_TLSv1_1:
    case LT_SSHv2: return false;
    default: return true;
  }
}

long VersaoCurl(TSSLType t) {
  switch (t) {
    case LT_TLSv1: return long{CURL_SSLVERSION_TLSv1_0} | long{CURL_SSLVERSION_MAX_TLSv1_0};
    case LT_TLSv1_1: return long{CURL_SSLVERSION_TLSv1_1} | long{CURL_SSLVERSION_MAX_TLSv1_1};
    case LT_TLSv1_2: return long{CURL_SSLVERSION_TLSv1_2} | long{CURL_SSLVERSION_MAX_TLSv1_2};
    case LT_SSLv3: return CURL_SSLVERSION_SSLv3;
    // The "combined setting" means TLS 1.2 or newer, set here rather than left to the
    // system's configuration.
    default: return CURL_SSLVERSION_TLSv1_2;
  }
}

}  // namespace

// ------------------------------------------------------------------------ one libcurl exchange

class TTrocaCurl {
public:
  // `mantido`: a multi handle whose pool outlives this exchange; null: one of its own.
  explicit TTrocaCurl(CURLM* mantido = nullptr) : proprio(mantido == nullptr) {
    IniciarCurl();
    multi = mantido ? mantido : curl_multi_init();
    easy = curl_easy_init();
    erro[0] = 0;
  }
  ~TTrocaCurl() {
    if (multi && easy && adicionado) curl_multi_remove_handle(multi, easy);
    if (easy) curl_easy_cleanup(easy);
    if (multi && proprio) curl_multi_cleanup(multi);
    if (lista) curl_slist_free_all(lista);
  }
  bool Ok() const { return multi && easy; }
  // Takes the easy handle out of a kept multi handle before that one is freed.
  void Soltar() {
    if (multi && easy && adicionado) curl_multi_remove_handle(multi, easy);
    adicionado = false;
    if (!proprio) multi = nullptr;
  }

  void Abortar() {
    abortar = true;
    if (multi) curl_multi_wakeup(multi);
  }

  static size_t Ler(char* buf, size_t tam, size_t n, void* p) {
    auto* t = static_cast<TTrocaCurl*>(p);
    t->Atividade();
    if (t->abortar) return CURL_READFUNC_ABORT;
    size_t resta = t->corpo->size() - t->enviado;
    size_t k = std::min(resta, tam * n);
    std::copy_n(t->corpo->data() + t->enviado, k, buf);
    t->enviado += k;
    if (t->enviado >= t->corpo->size()) t->fase = TTuimWinReqResp::ftReceber;
    return k;
  }
  // libcurl sends the body again on a new connection when a kept one died under the request.
  static int Posicionar(void* p, curl_off_t deslocamento, int origem) {
    auto* t = static_cast<TTrocaCurl*>(p);
    if (origem != SEEK_SET || deslocamento < 0 || static_cast<std::size_t>(deslocamento) > t->corpo->size())
      return CURL_SEEKFUNC_CANTSEEK;
    t->enviado = static_cast<std::size_t>(deslocamento);
    return CURL_SEEKFUNC_OK;
  }
  static size_t Escrever(char* buf, size_t tam, size_t n, void* p) {
    auto* t = static_cast<TTrocaCurl*>(p);
    t->Atividade();
    if (t->abortar) return 0;
    if (t->resposta->size() + tam * n > t->limite) return 0;  // too long: curl stops the transfer
    t->resposta->append(buf, tam * n);
    return tam * n;
  }
  static size_t Cabecalho(char*, size_t tam, size_t n, void* p) {
    auto* t = static_cast<TTrocaCurl*>(p);
    t->Atividade();
    if (t->fase >= TTuimWinReqResp::ftEnviar) t->fase = TTuimWinReqResp::ftLer;
    return tam * n;
  }
  static int PreRequisicao(void* p, char*, char*, int, int) {
    auto* t = static_cast<TTrocaCurl*>(p);
    t->Atividade();
    t->fase = t->corpo->empty() ? TTuimWinReqResp::ftReceber : TTuimWinReqResp::ftEnviar;
    return CURL_PREREQFUNC_OK;
  }
  // Hands the client certificate and its key (a software key or a token key alike) to OpenSSL.
  static CURLcode ContextoSSL(CURL*, void* sslctx, void* p) {
    auto* t = static_cast<TTrocaCurl*>(p);
    if (!t->certificado) return CURLE_OK;
    auto* ctx = static_cast<SSL_CTX*>(sslctx);
    if (SSL_CTX_use_certificate(ctx, t->certificado->Certificado) != 1 ||
        SSL_CTX_use_PrivateKey(ctx, t->certificado->ChavePrivada) != 1) {
      t->falhaCertificado = true;
      return CURLE_SSL_CERTPROBLEM;
    }
    for (X509* c : t->certificado->Cadeia) SSL_CTX_add1_chain_cert(ctx, c);
    return CURLE_OK;
  }

  void Atividade() { ultima = Relogio::now(); }

  const bool proprio;
  CURLM* multi = nullptr;
  CURL* easy = nullptr;
  curl_slist* lista = nullptr;
  bool adicionado = false;
  std::atomic<bool> abortar{false};
  std::atomic<TTuimWinReqResp::TFaseTroca> fase{TTuimWinReqResp::ftConectar};
  const std::string* corpo = nullptr;
  std::size_t enviado = 0;
  std::string* resposta = nullptr;
  std::size_t limite = static_cast<std::size_t>(-1);
  const TContextoCertificado* certificado = nullptr;
  bool falhaCertificado = false;
  Relogio::time_point ultima = Relogio::now();
  char erro[CURL_ERROR_SIZE];
};

// ------------------------------------------------------------------------ TTuimWinReqResp

// The multi handle whose connection pool keeps the connection between exchanges, and the client
// certificate its connections were opened with (libcurl does not compare what the TLS context
// callback attaches).
struct TTuimWinReqResp::TConexoesMantidas {
  CURLM* multi = nullptr;
  std::string certificado;
  TConexoesMantidas() : multi((IniciarCurl(), curl_multi_init())) {}
  ~TConexoesMantidas() {
    if (multi) curl_multi_cleanup(multi);
  }
  TConexoesMantidas(const TConexoesMantidas&) = delete;
  TConexoesMantidas& operator=(const TConexoesMantidas&) = delete;
};

// libcurl resumes TLS sessions only from this share, and only for the certificate and checking
// settings it was made for: libcurl cannot tell certificates given through the context callback
// apart.
struct TTuimWinReqResp::TSessoesTLS {
  CURLSH* share = nullptr;
  std::string chave;
  TSessoesTLS() : share((IniciarCurl(), curl_share_init())) {
    if (share) curl_share_setopt(share, CURLSHOPT_SHARE, CURL_LOCK_DATA_SSL_SESSION);
  }
  ~TSessoesTLS() {
    if (share) curl_share_cleanup(share);
  }
  TSessoesTLS(const TSessoesTLS&) = delete;
  TSessoesTLS& operator=(const TSessoesTLS&) = delete;
};

std::string EstadoVerificacao(const TVerificacaoServidor& v) {
  std::string r = std::string(v.Verificar ? "1" : "0") + "\n" + v.ArquivoCA + "\n";
  struct stat st {};
  if (v.ArquivoCA.empty() || ::stat(v.ArquivoCA.c_str(), &st) != 0) return r + "-";
  return r + std::to_string(st.st_size) + "." + std::to_string(st.st_mtim.tv_sec) + "." +
         std::to_string(st.st_mtim.tv_nsec);
}

namespace {
std::string IdentidadeCertificado(const TContextoCertificado* c) {
  if (!c || !c->Certificado) return "";
  unsigned char md[EVP_MAX_MD_SIZE];
  unsigned int n = 0;
  if (X509_digest(c->Certificado, EVP_sha256(), md, &n) != 1) return "?";
  return std::string(reinterpret_cast<const char*>(md), n);
}
}  // namespace

TTuimWinReqResp::TTuimWinReqResp() = default;
TTuimWinReqResp::~TTuimWinReqResp() = default;

void TTuimWinReqResp::SetManterConexao(bool v) {
  fManterConexao = v;
  if (!v) fMantidas.reset();
}

std::string TTuimWinReqResp::TextoErro(std::int32_t codigo) const {
  std::string r = "Erro: " + std::to_string(codigo);
  std::string texto;
  if (const char* fixo = TextoFixo(codigo)) {
    texto = fixo;
  } else if (codigo >= 0) {
    const char* c = curl_easy_strerror(static_cast<CURLcode>(codigo));
    if (c && std::string(c).find("Unknown error") == std::string::npos) texto = c;
  }
  texto = Trim(texto);
  if (!texto.empty()) r += " - " + texto;
  return r;
}

void TTuimWinReqResp::AtualizarCodigos(bool comRequisicao) {
  fInternalErrorCode = fUltimoErro;
  fHTTPResultCode = comRequisicao ? static_cast<std::int32_t>(fUltimoStatus) : 0;
}

void TTuimWinReqResp::Execute(std::string&) {
  throw ETuimWinReqResp("Metodo \"Execute\" não implementado em " + ClassName());
}

void TTuimWinReqResp::Execute(const std::string& dados, std::string& resposta) {
  SetDados(dados);
  Execute(resposta);
}

std::string TTuimWinReqResp::Cabecalhos(const TPartesURL& partes) const {
  std::string r = "Host: " + partes.HostComPorta() + "\r\n";
  // The facade's default type already names the charset; it is sent once.
  if (LowerCase(fMimeType).find("charset=") == std::string::npos)
    r += "Content-Type: " + fMimeType + "; charset=" + fCharset + "\r\n";
  else
    r += "Content-Type: " + fMimeType + "\r\n";
  r += "Accept-Charset: " + fCharset + "\r\n";
  if (!fSoapAction.empty()) r += "SOAPAction: \"" + fSoapAction + "\"\r\n";
  return r;
}

bool TTuimWinReqResp::Aberto() const {
  std::lock_guard<std::mutex> g(fTrocaMutex);
  return fAberto;
}

void TTuimWinReqResp::Abandonar() {
  {
    std::lock_guard<std::mutex> g(fTrocaMutex);
    fAbandonado = true;
  }
  InterromperTroca();
}

void TTuimWinReqResp::InterromperTroca() {
  std::lock_guard<std::mutex> g(fTrocaMutex);
  fAberto = false;
  if (fTroca) fTroca->Abortar();
}

bool TTuimWinReqResp::Falhou(TResultado& r, int codigo) {
  r.codigo = codigo;
  fUltimoErro = codigo;
  return codigo != CURLE_OK;
}

TTuimWinReqResp::TResultado TTuimWinReqResp::Trocar(const TPartesURL& partes, const std::string& userAgent,
                                                    bool escolherTLS, std::string& resposta) {
  TResultado r;
  fUltimoErro = 0;
  fUltimoStatus = 0;
  bool anexarCertificado = partes.HTTPS() && fContextoCertificado && fContextoCertificado->Certificado &&
                           fContextoCertificado->ChavePrivada;
  CURLM* mantido = nullptr;
  if (fManterConexao) {
    // Another certificate needs another connection: the kept one goes.
    const std::string identidade = anexarCertificado ? IdentidadeCertificado(fContextoCertificado) : "";
    if (fMantidas && fMantidas->certificado != identidade) fMantidas.reset();
    if (!fMantidas) {
      fMantidas = std::make_unique<TConexoesMantidas>();
      fMantidas->certificado = identidade;
    }
    mantido = fMantidas->multi;
  }
  if (partes.HTTPS()) {
    const std::string chave = (anexarCertificado ? IdentidadeCertificado(fContextoCertificado) : "") + "\n" +
                              std::to_string(fSSLType) + "\n" + EstadoVerificacao(fVerificacao);
    if (fSessoes && fSessoes->chave != chave) fSessoes.reset();
    if (!fSessoes) {
      fSessoes = std::make_unique<TSessoesTLS>();
      fSessoes->chave = chave;
    }
  }
  TTrocaCurl t(mantido);
  if (!t.Ok()) {
    Falhou(r, CURLE_FAILED_INIT);
    return r;
  }
  {
    std::lock_guard<std::mutex> g(fTrocaMutex);
    fTroca = &t;
    fAberto = !fAbandonado;
    if (fAbandonado) t.Abortar();
  }
  struct TSoltar {
    TTuimWinReqResp& s;
    ~TSoltar() {
      std::lock_guard<std::mutex> g(s.fTrocaMutex);
      s.fTroca = nullptr;
    }
  } soltar{*this};

  t.corpo = &fDados;
  t.resposta = &resposta;
  t.limite = fVerificacao.TamanhoMaximoResposta;
  t.certificado = anexarCertificado ? fContextoCertificado : nullptr;

  if (!AbrirTroca(t, partes, userAgent, r) || !ConfigurarProxy(t, r)) return r;
  // Time-outs: the configured one for every phase, else the Windows stack's defaults.
  curl_easy_setopt(t.easy, CURLOPT_CONNECTTIMEOUT_MS, fTimeOut > 0 ? long{fTimeOut} : 60000L);
  if (partes.HTTPS() && !ConfigurarTLS(t, escolherTLS, r)) return r;

  r.fase = ftConectar;
  t.fase = ftConectar;
  if (curl_multi_add_handle(t.multi, t.easy) != CURLM_OK) {
    Falhou(r, CURLE_FAILED_INIT);
    return r;
  }
  t.adicionado = true;
  bool tempoEsgotado = !Transferir(t, fTimeOut > 0 ? long{fTimeOut} : 30000L);
  Concluir(t, tempoEsgotado, r);
  return r;
}

bool TTuimWinReqResp::AbrirTroca(TTrocaCurl& t, const TPartesURL& partes, const std::string& userAgent,
                                 TResultado& r) {
  CURL* e = t.easy;
  // Rebuilt from its parts: user and password written in the address are not used.
  std::string endereco = partes.Protocolo + "://" + partes.Host + ":" + partes.Porta + partes.Caminho;
  curl_easy_setopt(e, CURLOPT_ERRORBUFFER, t.erro);
  curl_easy_setopt(e, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(e, CURLOPT_FORBID_REUSE, fManterConexao ? 0L : 1L);
  if (Falhou(r, curl_easy_setopt(e, CURLOPT_URL, endereco.c_str()))) return false;
  // A SOAP post only: an address of another scheme must not reach another protocol handler.
  if (Falhou(r, curl_easy_setopt(e, CURLOPT_PROTOCOLS_STR, "http,https"))) return false;
  curl_easy_setopt(e, CURLOPT_USERAGENT, userAgent.c_str());
  curl_easy_setopt(e, CURLOPT_POST, 1L);
  curl_easy_setopt(e, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(fDados.size()));
  curl_easy_setopt(e, CURLOPT_READFUNCTION, &TTrocaCurl::Ler);
  curl_easy_setopt(e, CURLOPT_READDATA, &t);
  curl_easy_setopt(e, CURLOPT_SEEKFUNCTION, &TTrocaCurl::Posicionar);
  curl_easy_setopt(e, CURLOPT_SEEKDATA, &t);
  curl_easy_setopt(e, CURLOPT_WRITEFUNCTION, &TTrocaCurl::Escrever);
  curl_easy_setopt(e, CURLOPT_WRITEDATA, &t);
  curl_easy_setopt(e, CURLOPT_HEADERFUNCTION, &TTrocaCurl::Cabecalho);
  curl_easy_setopt(e, CURLOPT_HEADERDATA, &t);
  curl_easy_setopt(e, CURLOPT_PREREQFUNCTION, &TTrocaCurl::PreRequisicao);
  curl_easy_setopt(e, CURLOPT_PREREQDATA, &t);

  std::string cab = Cabecalhos(partes);
  std::size_t ini = 0;
  while (ini < cab.size()) {
    std::size_t fim = cab.find("\r\n", ini);
    t.lista = curl_slist_append(t.lista, cab.substr(ini, fim - ini).c_str());
    ini = fim + 2;
  }
  // Only the header set above goes out: no Accept of libcurl's own, no 100-continue pause.
  t.lista = curl_slist_append(t.lista, "Accept:");
  t.lista = curl_slist_append(t.lista, "Expect:");
  curl_easy_setopt(e, CURLOPT_HTTPHEADER, t.lista);
  return true;
}

bool TTuimWinReqResp::ConfigurarProxy(TTrocaCurl& t, TResultado& r) {
  // Without a proxy of its own the exchange takes the environment's (https_proxy, no_proxy),
  // as the Windows stacks took the user's system setting.
  if (fProxyHost.empty()) return true;
  CURL* e = t.easy;
  std::string proxy = "http://" + EnderecoProxy(fProxyHost, fProxyPort);
  r.fase = ftAbrir;
  if (Falhou(r, curl_easy_setopt(e, CURLOPT_PROXY, proxy.c_str()))) return false;
  if (!Trim(fProxyUser).empty()) {
    curl_easy_setopt(e, CURLOPT_PROXYUSERNAME, fProxyUser.c_str());
    if (!Trim(fProxyPass).empty()) curl_easy_setopt(e, CURLOPT_PROXYPASSWORD, fProxyPass.c_str());
    curl_easy_setopt(e, CURLOPT_PROXYAUTH, static_cast<long>(CURLAUTH_BASIC));
  }
  return true;
}

bool TTuimWinReqResp::ConfigurarTLS(TTrocaCurl& t, bool escolherTLS, TResultado& r) {
  CURL* e = t.easy;
  r.fase = ftTLS;
  if (escolherTLS) {
    if (!TLSOferecido(fSSLType)) {
      Falhou(r, CURLE_NOT_BUILT_IN);
      return false;
    }
    if (Falhou(r, curl_easy_setopt(e, CURLOPT_SSLVERSION, VersaoCurl(fSSLType)))) return false;
  }
  curl_easy_setopt(e, CURLOPT_SSL_VERIFYPEER, fVerificacao.Verificar ? 1L : 0L);
  curl_easy_setopt(e, CURLOPT_SSL_VERIFYHOST, fVerificacao.Verificar ? 2L : 0L);
  curl_easy_setopt(e, CURLOPT_PROXY_SSL_VERIFYPEER, fVerificacao.Verificar ? 1L : 0L);
  if (!fVerificacao.ArquivoCA.empty()) curl_easy_setopt(e, CURLOPT_CAINFO, fVerificacao.ArquivoCA.c_str());
  curl_easy_setopt(e, CURLOPT_SSL_CTX_FUNCTION, &TTrocaCurl::ContextoSSL);
  curl_easy_setopt(e, CURLOPT_SSL_CTX_DATA, &t);
  // Every exchange builds its TLS context again, so the certificate of this send is the one
  // used; a session is resumed only from the share kept for that certificate.
  const bool compartilhar = fSessoes && fSessoes->share;
  curl_easy_setopt(e, CURLOPT_SSL_SESSIONID_CACHE, compartilhar ? 1L : 0L);
  if (compartilhar) curl_easy_setopt(e, CURLOPT_SHARE, fSessoes->share);
  return true;
}

bool TTuimWinReqResp::Transferir(TTrocaCurl& t, long ociosoMs) {
  int rodando = 1;
  while (true) {
    if (curl_multi_perform(t.multi, &rodando) != CURLM_OK) break;
    if (!rodando) break;
    if (t.abortar) break;
    // After the connection, the time-out counts from the last byte moved in either direction.
    if (t.fase >= ftEnviar && Relogio::now() - t.ultima > std::chrono::milliseconds(ociosoMs)) return false;
    curl_multi_poll(t.multi, nullptr, 0, 50, nullptr);
  }
  return true;
}

void TTuimWinReqResp::Concluir(TTrocaCurl& t, bool tempoEsgotado, TResultado& r) {
  r.fase = t.fase;
  r.falhaCertificado = t.falhaCertificado;
  if (t.abortar) {
    r.abortado = true;
    Falhou(r, CURLE_ABORTED_BY_CALLBACK);
  } else if (tempoEsgotado) {
    Falhou(r, CURLE_OPERATION_TIMEDOUT);
  } else {
    CURLcode c = CURLE_OK;
    int n = 0;
    while (CURLMsg* m = curl_multi_info_read(t.multi, &n))
      if (m->msg == CURLMSG_DONE) c = m->data.result;
    if (!Falhou(r, c)) r.fase = ftFim;
  }
  r.detalhe = t.erro;
  long status = 0;
  if (curl_easy_getinfo(t.easy, CURLINFO_RESPONSE_CODE, &status) == CURLE_OK) fUltimoStatus = status;
  long novas = 0;
  if (curl_easy_getinfo(t.easy, CURLINFO_NUM_CONNECTS, &novas) == CURLE_OK) fConexoes += static_cast<int>(novas);
  // A failed or aborted exchange leaves nothing worth keeping.
  if (fMantidas && r.codigo != CURLE_OK) {
    std::lock_guard<std::mutex> g(fTrocaMutex);  // Interromper must not wake a freed handle
    fTroca = nullptr;
    t.Soltar();
    fMantidas.reset();
  }
}

// ------------------------------------------------------------------------ TTuimWinHTTPReqResp

TTuimWinHTTPReqResp::~TTuimWinHTTPReqResp() { Interromper(); }

void TTuimWinHTTPReqResp::Interromper() { InterromperTroca(); }

void TTuimWinHTTPReqResp::Execute(std::string& resposta) {
  TPartesURL partes = DividirURL(URL());
  resposta.clear();
  TResultado r = Trocar(partes, "WinHTTP Tuim/1.0", true, resposta);
  auto texto = [&] { return TextoErro(InternalErrorCode()); };
  if (r.abortado || (!Aberto() && r.codigo != CURLE_OK)) {
    AtualizarCodigos(true);
    throw ETuimWinReqResp("Conexão foi abortada");
  }
  if (r.codigo != CURLE_OK) {
    switch (r.fase) {
      case ftAbrir:
        AtualizarCodigos(false);
        throw ETuimWinReqResp("Falha abrindo HTTP ou Proxy. Erro:" + texto());
      case ftTLS:
        AtualizarCodigos(false);
        throw ETuimWinReqResp("Falha ajustando WINHTTP_OPTION_SECURE_PROTOCOLS. Erro:" + texto());
      case ftConectar:
        AtualizarCodigos(true);
        if (r.falhaCertificado)
          throw ETuimWinReqResp("Falha ajustando WINHTTP_OPTION_CLIENT_CERT_CONTEXT. Erro:" + texto());
        throw ETuimWinReqResp("Falha no Envio da Requisição.\r\n" + texto());
      case ftEnviar:
        AtualizarCodigos(true);
        throw ETuimWinReqResp("Falha Enviando Dados. Erro:" + texto());
      case ftReceber:
        AtualizarCodigos(true);
        throw ETuimWinReqResp("Falha Recebendo Dados. Erro:" + texto());
      default:
        AtualizarCodigos(true);
        throw ETuimWinReqResp("Falha Lendo dados. Erro:" + texto());
    }
  }
  AtualizarCodigos(true);
}

// ------------------------------------------------------------------------ TTuimWinINetReqResp

TTuimWinINetReqResp::~TTuimWinINetReqResp() { Interromper(); }

void TTuimWinINetReqResp::Interromper() { InterromperTroca(); }

void TTuimWinINetReqResp::Execute(std::string& resposta) {
  TPartesURL partes = DividirURL(URL());
  resposta.clear();
  TResultado r = Trocar(partes, "Borland SOAP 1.2", false, resposta);
  if (r.abortado || (!Aberto() && r.codigo != CURLE_OK)) {
    AtualizarCodigos(true);
    throw ETuimWinReqResp("Conexão foi abortada");
  }
  if (r.codigo != CURLE_OK && r.fase == ftAbrir) {
    AtualizarCodigos(false);
    throw ETuimWinReqResp("Erro: Internet Open or Proxy");
  }
  if (r.codigo != CURLE_OK && r.falhaCertificado) {
    AtualizarCodigos(true);
    throw ETuimWinReqResp("Erro: Problema ao inserir o certificado");
  }
  AtualizarCodigos(true);
  if (r.codigo != CURLE_OK || resposta.empty())
    throw ETuimWinReqResp("Erro: Requisição não enviada.\r\n" + TextoErro(InternalErrorCode()));
}

// ------------------------------------------------------------------------ TDFeHttpWinHttp

TDFeHttpWinHttp::TDFeHttpWinHttp(TDFeSSL& dfeSSL)
    : TDFeSSLHttpClass(dfeSSL), fVerificacao(VerificacaoServidorPadrao()) {
  if (dfeSSL.SSLHttpLib() == httpWinINet)
    fReqResp = std::make_unique<TTuimWinINetReqResp>();
  else
    fReqResp = std::make_unique<TTuimWinHTTPReqResp>();
}

TDFeHttpWinHttp::~TDFeHttpWinHttp() = default;

int TDFeHttpWinHttp::HTTPResultCode() const { return fReqResp->HTTPResultCode(); }
int TDFeHttpWinHttp::InternalErrorCode() const { return fReqResp->InternalErrorCode(); }

void TDFeHttpWinHttp::ConfigurarHTTP() {
  if (!TLSOferecido(FpDFeSSL.SSLType()))
    throw ETuimDFeException(std::string(OpenSSL_version(OPENSSL_VERSION)) + ", não suporta " +
                            SSLTypeParaTexto(FpDFeSSL.SSLType()));
  fReqResp->SetContextoCertificado(FpDFeSSL.UseCertificateHTTP() ? FpDFeSSL.ContextoCertificado() : nullptr);
  fReqResp->SetSSLType(FpDFeSSL.SSLType());
  fReqResp->SetProxyHost(FpDFeSSL.ProxyHost());
  fReqResp->SetProxyPort(FpDFeSSL.ProxyPort());
  fReqResp->SetProxyUser(FpDFeSSL.ProxyUser());
  fReqResp->SetProxyPass(FpDFeSSL.ProxyPass());
  fReqResp->SetTimeOut(FpDFeSSL.TimeOut());
  fReqResp->SetVerificacaoServidor(fVerificacao);
}

void TDFeHttpWinHttp::ConfigurarHTTP(const std::string& url, const std::string& soapAction,
                                     const std::string& mimeType) {
  ConfigurarHTTP();
  fReqResp->SetURL(url);
  fReqResp->SetSoapAction(soapAction);
  fReqResp->SetMimeType(mimeType);
}

std::unique_ptr<TDFeSSLHttpClass> TDFeHttpWinHttp::NovaInstancia(TDFeSSL& dfeSSL) const {
  auto r = std::make_unique<TDFeHttpWinHttp>(dfeSSL);
  r->fVerificacao = fVerificacao;
  return r;
}

std::string TDFeHttpWinHttp::Enviar(const std::string& dados, const std::string& url, const std::string& soapAction,
                                    const std::string& mimeType) {
  ConfigurarHTTP(url, soapAction, mimeType);
  std::string resposta;
  std::string mensagem;
  try {
    fReqResp->Execute(dados, resposta);
    int status = fReqResp->HTTPResultCode();
    if (status >= 200 && status <= 202) return resposta;
  } catch (const std::exception& e) {
    mensagem = e.what();
  }
  char cab[64];
  std::snprintf(cab, sizeof cab, "Erro Interno: %d\r\nErro HTTP: %d\r\nURL: ",
                static_cast<int>(fReqResp->InternalErrorCode()), static_cast<int>(fReqResp->HTTPResultCode()));
  throw ETuimDFeException(cab + url + "\r\n" + mensagem);
}

void TDFeHttpWinHttp::Interromper() { fReqResp->Interromper(); }
void TDFeHttpWinHttp::Abandonar() { fReqResp->Abandonar(); }

}  // namespace tuim
