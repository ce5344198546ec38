#include "transport/TuimDFeHttpOpenSSL.h"

#include <utility>  // before Boost.Asio, which uses std::exchange

#include <openssl/crypto.h>
#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/opensslv.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>

#include <boost/asio.hpp>
#include <boost/asio/ssl.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>
#include <poll.h>

#include <chrono>
#include <cstdio>
#include <mutex>
#include <optional>

#include "fiscal/TuimUtil.h"
#include "security/TuimDFeOpenSSL.h"
#include "security/TuimPKCS12.h"
#include "transport/TuimTransporte.h"

namespace tuim {

namespace asio = boost::asio;
namespace beast = boost::beast;
namespace http = beast::http;
using tcp = asio::ip::tcp;
using boost::system::error_code;

namespace {

std::string TextoErroOpenSSL(unsigned long e) {
  char buf[256];
  ERR_error_string_n(e, buf, sizeof buf);
  return buf;
}

}  // namespace

// Nothing below TLS 1.2 is offered: the authorities dropped it and it is not safe.
bool SSLTypeOferecido(TSSLType t) { return t == LT_all || t == LT_TLSv1_2; }

// ------------------------------------------------------------------------ THttpClienteTLS

struct THttpClienteTLS::TImpl {
  // The TLS context of the last new connection, kept for the next ones with the same settings:
  // reading the PKCS#12 (a key derivation of thousands of rounds) and the trusted authorities
  // again cost more than the handshake itself.
  std::shared_ptr<asio::ssl::context> contextoTLS;
  std::string chaveContextoTLS;
  // The TLS session of the last exchange, offered again by the next new connection to the same
  // address with the same settings: a resumed handshake signs and checks no certificate.
  SSL_SESSION* sessao = nullptr;
  std::string chaveSessao;
  ~TImpl() { SSL_SESSION_free(sessao); }
  // A copy: the connection is closed without a closing alert, and OpenSSL then marks its own
  // session as not to be resumed. Only sessions of a whole exchange, answer read to its end,
  // are kept.
  void GuardarSessao(SSL* ssl, const std::string& chave) {
    SSL_SESSION* atual = ssl ? SSL_get0_session(ssl) : nullptr;
    SSL_SESSION* nova = atual && !chave.empty() ? SSL_SESSION_dup(atual) : nullptr;
    if (nova && !SSL_SESSION_is_resumable(nova)) {
      SSL_SESSION_free(nova);
      nova = nullptr;
    }
    SSL_SESSION_free(sessao);
    sessao = nova;
    chaveSessao = nova ? chave : std::string();
  }
  std::mutex m;
  asio::io_context* ioc = nullptr;
  tcp::socket* socket = nullptr;
  tcp::resolver* resolver = nullptr;
  bool abortado = false;
  bool abandonado = false;
};

// A connection that outlives one Post: its own I/O context, socket and TLS stream, and a digest
// of what it was opened for (address, proxy, certificate, TLS and verification settings).
struct THttpClienteTLS::TConexao {
  asio::io_context ioc;
  tcp::resolver resolver{ioc};
  tcp::socket socket{ioc};
  std::shared_ptr<asio::ssl::context> ctx;
  std::unique_ptr<asio::ssl::stream<tcp::socket&>> tls;
  std::string chave;

  // Open with nothing to read: anything readable on an idle connection is the peer's close.
  bool Ociosa() {
    if (!socket.is_open() || (tls && SSL_pending(tls->native_handle()) > 0)) return false;
    pollfd p{socket.native_handle(), POLLIN, 0};
    return ::poll(&p, 1, 0) == 0;
  }
};

THttpClienteTLS::THttpClienteTLS() : fImpl(std::make_unique<TImpl>()) {}
THttpClienteTLS::~THttpClienteTLS() = default;

void THttpClienteTLS::Desconectar() { fConexao.reset(); }

void THttpClienteTLS::Limpar() {
  fCorpo.clear();
  Cabecalhos.clear();
  MimeType.clear();
  fResultCode = 0;
  fResposta.clear();
}

void THttpClienteTLS::Abandonar() {
  {
    std::lock_guard<std::mutex> g(fImpl->m);
    fImpl->abandonado = true;
  }
  Abortar();
}

void THttpClienteTLS::Abortar() {
  std::lock_guard<std::mutex> g(fImpl->m);
  fImpl->abortado = true;
  if (fImpl->ioc) {
    tcp::socket* s = fImpl->socket;
    tcp::resolver* r = fImpl->resolver;
    asio::post(*fImpl->ioc, [s, r] {
      error_code ig;
      if (r) r->cancel();
      if (s) s->close(ig);
    });
  }
}

// One exchange of Post: the connection (through a proxy tunnel when one is set), the TLS
// setup, the request and the answer. Each asynchronous step runs to its end, its deadline or
// an abort from another thread.
class THttpClienteTLS::TSessao {
public:
  TSessao(THttpClienteTLS& cliente, const std::string& url, TConexao& conexao)
      : c(cliente),
        partes(DividirURL(url)),
        usarProxy(!cliente.ProxyHost.empty()),
        ioc(conexao.ioc),
        resolver(conexao.resolver),
        socket(conexao.socket) {
    std::lock_guard<std::mutex> g(c.fImpl->m);
    c.fImpl->ioc = &ioc;
    c.fImpl->socket = &socket;
    c.fImpl->resolver = &resolver;
    c.fImpl->abortado = c.fImpl->abandonado;
  }
  ~TSessao() {
    std::lock_guard<std::mutex> g(c.fImpl->m);
    c.fImpl->ioc = nullptr;
    c.fImpl->socket = nullptr;
    c.fImpl->resolver = nullptr;
  }
  TSessao(const TSessao&) = delete;
  TSessao& operator=(const TSessao&) = delete;

  bool Conectar();
  bool ConfigurarTLS(asio::ssl::context& ctx);
  http::request<http::string_body> MontarPedido() const;
  template <typename Stream>
  bool Trocar(Stream& stream, http::request<http::string_body>& req);
  bool Handshake(asio::ssl::stream<tcp::socket&>& tls);
  void Fechar() {
    error_code ig;
    socket.close(ig);
  }

  bool Abortado() const {
    std::lock_guard<std::mutex> g(c.fImpl->m);
    return c.fImpl->abortado;
  }

  THttpClienteTLS& c;
  const TPartesURL partes;
  const bool usarProxy;
  asio::io_context& ioc;
  tcp::resolver& resolver;
  tcp::socket& socket;
  bool recebeuAlgo = false;  // a byte of the answer arrived
  bool manter = false;       // the answer lets the connection stay open

private:
  std::int32_t Prazo(std::int32_t especifico) const { return especifico > 0 ? especifico : c.Timeout; }
  bool Falhar(const error_code& ec, const std::string& prefixo = "") {
    c.fUltimoErro = ec.value();
    c.fDescricaoErro = prefixo + ec.message();
    return false;
  }
  template <typename Iniciar>
  error_code Rodar(Iniciar iniciar, std::int32_t ms);
  std::string AutorizacaoProxy() const {
    return "Basic " + CodificarBase64(c.ProxyUser + ":" + c.ProxyPass);
  }
  bool AbrirTunel();
};

template <typename Iniciar>
error_code THttpClienteTLS::TSessao::Rodar(Iniciar iniciar, std::int32_t ms) {
  if (Abortado()) return asio::error::operation_aborted;
  std::optional<error_code> res;
  iniciar([&res](error_code e, auto&&...) { res = e; });
  ioc.restart();
  if (ms > 0) {
    auto fim = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (!res && ioc.run_one_until(fim) != 0) {
    }
  } else {
    while (!res && ioc.run_one() != 0) {
    }
  }
  if (!res) {
    error_code ig;
    resolver.cancel();
    socket.close(ig);
    ioc.restart();
    while (!res && ioc.run_one() != 0) {
    }
    return Abortado() ? error_code(asio::error::operation_aborted) : error_code(asio::error::timed_out);
  }
  if (Abortado()) return asio::error::operation_aborted;
  return *res;
}

bool THttpClienteTLS::TSessao::Conectar() {
  const std::string host = usarProxy ? c.ProxyHost : partes.Host;
  std::string porta = usarProxy ? c.ProxyPort : partes.Porta;
  if (porta.empty() || porta == "0") porta = usarProxy ? "8080" : partes.Porta;
  // A numeric address needs no look-up, nor the thread asio starts for an asynchronous one.
  error_code ec;
  tcp::resolver::results_type enderecos =
      resolver.resolve(host, porta, tcp::resolver::numeric_host | tcp::resolver::numeric_service, ec);
  if (ec) {
    ec = Rodar(
        [&](auto h) {
          resolver.async_resolve(host, porta, [&enderecos, h](error_code e, tcp::resolver::results_type r) mutable {
            enderecos = r;
            h(e);
          });
        },
        Prazo(c.TimeoutConexao));
  }
  if (ec) return Falhar(ec);
  ec = Rodar([&](auto h) { asio::async_connect(socket, enderecos, h); }, Prazo(c.TimeoutConexao));
  if (ec) return Falhar(ec);
  return !(usarProxy && partes.HTTPS()) || AbrirTunel();
}

bool THttpClienteTLS::TSessao::AbrirTunel() {
  const std::string destino = partes.Host + ":" + partes.Porta;
  http::request<http::empty_body> conectar{http::verb::connect, destino, 11};
  conectar.set(http::field::host, destino);
  conectar.set(http::field::user_agent, c.UserAgent);
  if (!Trim(c.ProxyUser).empty()) conectar.set(http::field::proxy_authorization, AutorizacaoProxy());
  error_code ec = Rodar([&](auto h) { http::async_write(socket, conectar, h); }, Prazo(c.TimeoutTunel));
  if (ec) return Falhar(ec);
  beast::flat_buffer buf;
  http::response_parser<http::empty_body> resposta;
  resposta.skip(true);  // a CONNECT answer has no body
  ec = Rodar([&](auto h) { http::async_read_header(socket, buf, resposta, h); }, Prazo(c.TimeoutTunel));
  if (ec) return Falhar(ec);
  if (resposta.get().result_int() == 200) return true;
  c.fResultCode = static_cast<int>(resposta.get().result_int());
  c.fUltimoErro = 0;
  c.fDescricaoErro = "Proxy: " + std::to_string(c.fResultCode) + " " + std::string(resposta.get().reason());
  return false;
}

bool THttpClienteTLS::TSessao::ConfigurarTLS(asio::ssl::context& ctx) {
  SSL_CTX* nativo = ctx.native_handle();
  // LT_all is TLS 1.2 or newer, set here rather than left to the system's configuration.
  SSL_CTX_set_min_proto_version(nativo, TLS1_2_VERSION);
  if (c.SSLType == LT_TLSv1_2) SSL_CTX_set_max_proto_version(nativo, TLS1_2_VERSION);
  if (c.Verificacao.Verificar) {
    ctx.set_verify_mode(asio::ssl::verify_peer);
    error_code ec;
    if (!c.Verificacao.ArquivoCA.empty()) {
      ctx.load_verify_file(c.Verificacao.ArquivoCA, ec);
      if (ec) return Falhar(ec, "CA " + c.Verificacao.ArquivoCA + ": ");
    } else {
      ctx.set_default_verify_paths(ec);
    }
  } else {
    ctx.set_verify_mode(asio::ssl::verify_none);
  }
  if (c.DadosPFX.empty()) return true;
  std::string senha = ParaUTF8(c.SenhaPFX);
  TConteudoPKCS12 pfx;
  unsigned long e = 0;
  const bool lido = LerPKCS12(c.DadosPFX, senha, pfx, e) == rpkOk;
  OPENSSL_cleanse(senha.data(), senha.size());
  if (!lido || !pfx.Certificado || !pfx.Chave || SSL_CTX_use_certificate(nativo, pfx.Certificado.get()) != 1 ||
      SSL_CTX_use_PrivateKey(nativo, pfx.Chave.get()) != 1) {
    if (lido) e = ERR_peek_last_error();
    c.fUltimoErro = static_cast<int>(e);
    c.fDescricaoErro = "PKCS#12: " + (e ? TextoErroOpenSSL(e) : std::string("sem certificado ou chave"));
    ERR_clear_error();
    return false;
  }
  for (const TX509PKCS12& x : pfx.Cadeia) SSL_CTX_add1_chain_cert(nativo, x.get());
  return true;
}

http::request<http::string_body> THttpClienteTLS::TSessao::MontarPedido() const {
  // Through a proxy without a tunnel the request names the whole address.
  const std::string alvo = usarProxy && !partes.HTTPS()
                               ? partes.Protocolo + "://" + partes.HostComPorta() + partes.Caminho
                               : partes.Caminho;
  http::request<http::string_body> req{http::verb::post, alvo, c.Protocolo == "1.0" ? 10 : 11};
  req.set(http::field::host, c.PortaNoHost ? partes.HostComPorta() : partes.Host);
  if (!c.UserAgent.empty()) req.set(http::field::user_agent, c.UserAgent);
  if (!c.MimeType.empty()) req.set(http::field::content_type, c.MimeType);
  for (const std::string& linha : c.Cabecalhos) {
    auto dp = linha.find(':');
    if (dp == std::string::npos) continue;
    req.insert(linha.substr(0, dp), TrimLeft(linha.substr(dp + 1)));
  }
  if (usarProxy && !partes.HTTPS() && !Trim(c.ProxyUser).empty())
    req.set(http::field::proxy_authorization, AutorizacaoProxy());
  req.keep_alive(c.ManterConexao);
  req.body() = c.fCorpo;
  req.prepare_payload();
  return req;
}

bool THttpClienteTLS::TSessao::Handshake(asio::ssl::stream<tcp::socket&>& tls) {
  std::string hostNome = partes.Host;
  if (hostNome.size() > 1 && hostNome.front() == '[') hostNome = hostNome.substr(1, hostNome.size() - 2);
  SSL* ssl = tls.native_handle();
  error_code ipErro;
  asio::ip::make_address(hostNome, ipErro);
  if (ipErro) SSL_set_tlsext_host_name(ssl, hostNome.c_str());
  if (c.Verificacao.Verificar) {
    X509_VERIFY_PARAM* param = SSL_get0_param(ssl);
    if (ipErro)
      X509_VERIFY_PARAM_set1_host(param, hostNome.c_str(), 0);
    else
      X509_VERIFY_PARAM_set1_ip_asc(param, hostNome.c_str());
  }
  error_code ec =
      Rodar([&](auto h) { tls.async_handshake(asio::ssl::stream_base::client, h); }, Prazo(c.TimeoutConexao));
  return !ec || Falhar(ec);
}

template <typename Stream>
bool THttpClienteTLS::TSessao::Trocar(Stream& stream, http::request<http::string_body>& req) {
  error_code e = Rodar([&](auto h) { http::async_write(stream, req, h); }, Prazo(c.TimeoutEnvio));
  if (e) return Falhar(e);
  beast::flat_buffer buf;
  http::response_parser<http::string_body> parser;
  parser.body_limit(c.Verificacao.TamanhoMaximoResposta);
  e = Rodar([&](auto h) { http::async_read(stream, buf, parser, h); }, Prazo(c.TimeoutEntrePacotes));
  recebeuAlgo = parser.got_some() || buf.size() > 0;
  if (e) {
    if (parser.is_header_done()) c.fResultCode = static_cast<int>(parser.get().result_int());
    return Falhar(e);
  }
  c.fResultCode = static_cast<int>(parser.get().result_int());
  manter = parser.get().keep_alive();
  // The parser's limit does not cover every framing of the body; the bound holds regardless.
  if (parser.get().body().size() > c.Verificacao.TamanhoMaximoResposta) return Falhar(http::error::body_limit);
  c.fResposta = parser.get().body();
  return true;
}

namespace {

// A digest of `t`, which is wiped: neither a password nor key material stays in memory longer
// than asked.
std::string Resumo(std::string& t) {
  unsigned char md[EVP_MAX_MD_SIZE];
  unsigned int n = 0;
  EVP_Digest(t.data(), t.size(), md, &n, EVP_sha256(), nullptr);
  OPENSSL_cleanse(t.data(), t.size());
  return std::string(reinterpret_cast<const char*>(md), n);
}

}  // namespace

std::string THttpClienteTLS::ChaveContextoTLS() const {
  std::string t = std::to_string(SSLType) + "\n" + EstadoVerificacao(Verificacao) + "\n" + SenhaPFX + "\n" + DadosPFX;
  return Resumo(t);
}

std::string THttpClienteTLS::ChaveConexao(const std::string& url) const {
  const TPartesURL p = DividirURL(url);
  std::string t = p.Protocolo + "\n" + p.Host + "\n" + p.Porta + "\n" + ProxyHost + "\n" + ProxyPort + "\n" +
                  ProxyUser + "\n" + ProxyPass + "\n" + ChaveContextoTLS();
  return Resumo(t);
}

std::shared_ptr<asio::ssl::context> THttpClienteTLS::ContextoTLS(TSessao& s) {
  std::string chave = ChaveContextoTLS();
  if (fImpl->contextoTLS && fImpl->chaveContextoTLS == chave) return fImpl->contextoTLS;
  fImpl->contextoTLS.reset();
  auto ctx = std::make_shared<asio::ssl::context>(asio::ssl::context::tls_client);
  if (!s.ConfigurarTLS(*ctx)) return nullptr;
  fImpl->contextoTLS = ctx;
  fImpl->chaveContextoTLS = std::move(chave);
  return ctx;
}

bool THttpClienteTLS::PostNaConexao(const std::string& url, const std::string& chave, bool& reenviavel) {
  reenviavel = false;
  const bool reaproveitada = fConexao != nullptr;
  if (!fConexao) fConexao = std::make_unique<TConexao>();
  TConexao& con = *fConexao;
  TSessao s(*this, url, con);
  if (!reaproveitada) {
    ++fConexoes;
    if (!s.Conectar()) return false;
    if (s.partes.HTTPS()) {
      con.ctx = ContextoTLS(s);
      if (!con.ctx) return false;
      con.tls = std::make_unique<asio::ssl::stream<tcp::socket&>>(con.socket, *con.ctx);
      SSL* ssl = con.tls->native_handle();
      if (fImpl->sessao && fImpl->chaveSessao == chave) SSL_set_session(ssl, fImpl->sessao);
      if (!s.Handshake(*con.tls)) {
        fImpl->GuardarSessao(nullptr, {});
        return false;
      }
      if (SSL_session_reused(ssl)) ++fSessoesRetomadas;
    }
    con.chave = chave;
  }
  http::request<http::string_body> req = s.MontarPedido();
  const bool ok = con.tls ? s.Trocar(*con.tls, req) : s.Trocar(con.socket, req);
  // Read after the answer: a TLS 1.3 server sends its session tickets after the handshake.
  if (ok && con.tls) fImpl->GuardarSessao(con.tls->native_handle(), chave);
  // A kept connection the peer closed while idle takes the request and answers nothing.
  reenviavel = !ok && reaproveitada && !s.recebeuAlgo && !s.Abortado();
  if (!ok || !ManterConexao || !s.manter) s.Fechar();
  return ok;
}

bool THttpClienteTLS::Post(const std::string& url) {
  fResultCode = 0;
  fResposta.clear();
  fUltimoErro = 0;
  fDescricaoErro.clear();
  CarregarProvedoresOpenSSL();

  const std::string chave = ChaveConexao(url);
  if (fConexao && !(ManterConexao && fConexao->chave == chave && fConexao->Ociosa())) fConexao.reset();
  bool reenviavel = false;
  bool ok = PostNaConexao(url, chave, reenviavel);
  if (!ok && reenviavel) {
    fConexao.reset();
    fResultCode = 0;
    fUltimoErro = 0;
    fDescricaoErro.clear();
    ok = PostNaConexao(url, chave, reenviavel);
  }
  bool abortado = false;
  {
    std::lock_guard<std::mutex> g(fImpl->m);
    abortado = fImpl->abortado;
  }
  // An abort may have left its close queued on the connection's context: that one goes too.
  if (!ok || !ManterConexao || abortado || !fConexao->socket.is_open()) fConexao.reset();
  return ok;
}

// ------------------------------------------------------------------------ TDFeHttpOpenSSL

TDFeHttpOpenSSL::TDFeHttpOpenSSL(TDFeSSL& dfeSSL)
    : TDFeSSLHttpClass(dfeSSL), fVerificacao(VerificacaoServidorPadrao()) {}
TDFeHttpOpenSSL::~TDFeHttpOpenSSL() = default;

void TDFeHttpOpenSSL::ConfigurarHTTP() {
  fHttp.Limpar();
  if (FpDFeSSL.UseCertificateHTTP()) {
    fHttp.DadosPFX = FpDFeSSL.SSLCryptClass().DadosPFXCertificado();
    fHttp.SenhaPFX = FpDFeSSL.Senha();
  } else {
    fHttp.DadosPFX.clear();
    fHttp.SenhaPFX.clear();
  }
  TSSLType tipo = FpDFeSSL.SSLType();
  if (!SSLTypeOferecido(tipo))
    throw ETuimDFeException(std::string(OpenSSL_version(OPENSSL_VERSION)) + ", não suporta " + SSLTypeParaTexto(tipo));
  fHttp.SSLType = tipo;
  const std::int32_t t = FpDFeSSL.TimeOut();
  fHttp.Timeout = t;
  fHttp.TimeoutConexao = t;
  fHttp.TimeoutEnvio = t;
  fHttp.TimeoutSocks = t;
  fHttp.TimeoutTunel = t;
  fHttp.TimeoutEntrePacotes = 0;
  fHttp.ProxyHost = FpDFeSSL.ProxyHost();
  fHttp.ProxyPort = FpDFeSSL.ProxyPort();
  fHttp.ProxyUser = FpDFeSSL.ProxyUser();
  fHttp.ProxyPass = FpDFeSSL.ProxyPass();
  fHttp.Verificacao = fVerificacao;
  fHttp.UserAgent = "Synapse OpenSSL Tuim/1.0";
  fHttp.Protocolo = "1.1";
  fHttp.PortaNoHost = false;
}

void TDFeHttpOpenSSL::ConfigurarHTTP(const std::string&, const std::string& soapAction, const std::string& mimeType) {
  ConfigurarHTTP();
  fHttp.MimeType = mimeType;
  if (!soapAction.empty()) fHttp.Cabecalhos.push_back("SOAPAction: \"" + soapAction + "\"");
}

void TDFeHttpOpenSSL::SetManterConexao(bool v) {
  fHttp.ManterConexao = v;
  if (!v) fHttp.Desconectar();
}

std::unique_ptr<TDFeSSLHttpClass> TDFeHttpOpenSSL::NovaInstancia(TDFeSSL& dfeSSL) const {
  auto r = std::make_unique<TDFeHttpOpenSSL>(dfeSSL);
  r->fVerificacao = fVerificacao;
  return r;
}

std::string TDFeHttpOpenSSL::Enviar(const std::string& dados, const std::string& url, const std::string& soapAction,
                                    const std::string& mimeType) {
  ConfigurarHTTP(url, soapAction, mimeType);
  fHttp.Corpo() = dados;
  bool ok = fHttp.Post(url);
  std::string resultado;
  if (ok) {
    resultado = fHttp.Resposta();
    int status = fHttp.ResultCode();
    if (status >= 200 && status <= 202) return resultado;
  }
  char cab[64];
  std::snprintf(cab, sizeof cab, "Erro Interno: %d\r\nErro HTTP: %d\r\nURL: ", InternalErrorCode(), HTTPResultCode());
  throw ETuimDFeException(cab + url + "\r\n" + fHttp.DescricaoUltimoErro());
}

}  // namespace tuim
