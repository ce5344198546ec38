#include "transport/TuimDFeHttpOpenSSL.h"

#include <utility>  // before Boost.Asio, which uses std::exchange

#include <openssl/crypto.h>
#include <openssl/err.h>
#include <openssl/opensslv.h>
#include <openssl/pkcs12.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>

#include <boost/asio.hpp>
#include <boost/asio/ssl.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>
#include <chrono>
#include <cstdio>
#include <mutex>
#include <optional>

#include "fiscal/TuimUtil.h"
#include "security/TuimDFeOpenSSL.h"
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

// Frees what PKCS12_parse hands out.
struct TPFX {
  EVP_PKEY* chave = nullptr;
  X509* certificado = nullptr;
  STACK_OF(X509)* cadeia = nullptr;
  ~TPFX() {
    EVP_PKEY_free(chave);
    X509_free(certificado);
    sk_X509_pop_free(cadeia, X509_free);
  }
};

}  // namespace

// Nothing below TLS 1.2 is offered: the authorities dropped it and it is not safe.
bool SSLTypeOferecido(TSSLType t) { return t == LT_all || t == LT_TLSv1_2; }

// ------------------------------------------------------------------------ THttpClienteTLS

struct THttpClienteTLS::TImpl {
  std::mutex m;
  asio::io_context* ioc = nullptr;
  tcp::socket* socket = nullptr;
  tcp::resolver* resolver = nullptr;
  bool abortado = false;
  bool abandonado = false;
};

THttpClienteTLS::THttpClienteTLS() : fImpl(std::make_unique<TImpl>()) {}
THttpClienteTLS::~THttpClienteTLS() = default;

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

bool THttpClienteTLS::Post(const std::string& url) {
  fResultCode = 0;
  fResposta.clear();
  fUltimoErro = 0;
  fDescricaoErro.clear();
  CarregarProvedoresOpenSSL();

  const TPartesURL partes = DividirURL(url);
  const bool usarProxy = !ProxyHost.empty();
  const std::string hostConexao = usarProxy ? ProxyHost : partes.Host;
  std::string portaConexao = usarProxy ? ProxyPort : partes.Porta;
  if (portaConexao.empty() || portaConexao == "0") portaConexao = usarProxy ? "8080" : partes.Porta;
  std::string hostNome = partes.Host;
  if (hostNome.size() > 1 && hostNome.front() == '[') hostNome = hostNome.substr(1, hostNome.size() - 2);

  asio::io_context ioc;
  tcp::resolver resolver(ioc);
  tcp::socket socket(ioc);
  {
    std::lock_guard<std::mutex> g(fImpl->m);
    fImpl->ioc = &ioc;
    fImpl->socket = &socket;
    fImpl->resolver = &resolver;
    fImpl->abortado = fImpl->abandonado;
  }
  struct TSoltar {
    TImpl& i;
    ~TSoltar() {
      std::lock_guard<std::mutex> g(i.m);
      i.ioc = nullptr;
      i.socket = nullptr;
      i.resolver = nullptr;
    }
  } soltar{*fImpl};

  auto prazo = [&](std::int32_t especifico) { return especifico > 0 ? especifico : Timeout; };
  auto abortado = [&] {
    std::lock_guard<std::mutex> g(fImpl->m);
    return fImpl->abortado;
  };
  // Runs one asynchronous step to its end, its deadline or an abort from another thread.
  auto rodar = [&](auto iniciar, std::int32_t ms) -> error_code {
    if (abortado()) return asio::error::operation_aborted;
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
      return abortado() ? error_code(asio::error::operation_aborted) : error_code(asio::error::timed_out);
    }
    if (abortado()) return asio::error::operation_aborted;
    return *res;
  };
  auto falhar = [&](const error_code& ec, const std::string& prefixo = "") {
    fUltimoErro = ec.value();
    fDescricaoErro = prefixo + ec.message();
    return false;
  };

  tcp::resolver::results_type enderecos;
  error_code ec = rodar(
      [&](auto h) {
        resolver.async_resolve(hostConexao, portaConexao, [&enderecos, h](error_code e, tcp::resolver::results_type r) mutable {
          enderecos = r;
          h(e);
        });
      },
      prazo(TimeoutConexao));
  if (ec) return falhar(ec);
  ec = rodar([&](auto h) { asio::async_connect(socket, enderecos, h); }, prazo(TimeoutConexao));
  if (ec) return falhar(ec);

  if (usarProxy && partes.HTTPS()) {
    const std::string destino = partes.Host + ":" + partes.Porta;
    http::request<http::empty_body> conectar{http::verb::connect, destino, 11};
    conectar.set(http::field::host, destino);
    conectar.set(http::field::user_agent, UserAgent);
    if (!Trim(ProxyUser).empty())
      conectar.set(http::field::proxy_authorization, "Basic " + CodificarBase64(ProxyUser + ":" + ProxyPass));
    ec = rodar([&](auto h) { http::async_write(socket, conectar, h); }, prazo(TimeoutTunel));
    if (ec) return falhar(ec);
    beast::flat_buffer buf;
    http::response_parser<http::empty_body> resposta;
    resposta.skip(true);  // a CONNECT answer has no body
    ec = rodar([&](auto h) { http::async_read_header(socket, buf, resposta, h); }, prazo(TimeoutTunel));
    if (ec) return falhar(ec);
    if (resposta.get().result_int() != 200) {
      fResultCode = static_cast<int>(resposta.get().result_int());
      fUltimoErro = 0;
      fDescricaoErro = "Proxy: " + std::to_string(fResultCode) + " " + std::string(resposta.get().reason());
      return false;
    }
  }

  // The request, as sent directly or to the proxy.
  const std::string alvo = usarProxy && !partes.HTTPS()
                               ? partes.Protocolo + "://" + partes.HostComPorta() + partes.Caminho
                               : partes.Caminho;
  http::request<http::string_body> req{http::verb::post, alvo, Protocolo == "1.0" ? 10 : 11};
  req.set(http::field::host, PortaNoHost ? partes.HostComPorta() : partes.Host);
  if (!UserAgent.empty()) req.set(http::field::user_agent, UserAgent);
  if (!MimeType.empty()) req.set(http::field::content_type, MimeType);
  for (const std::string& linha : Cabecalhos) {
    auto dp = linha.find(':');
    if (dp == std::string::npos) continue;
    req.insert(linha.substr(0, dp), TrimLeft(linha.substr(dp + 1)));
  }
  if (usarProxy && !partes.HTTPS() && !Trim(ProxyUser).empty())
    req.set(http::field::proxy_authorization, "Basic " + CodificarBase64(ProxyUser + ":" + ProxyPass));
  req.keep_alive(false);
  req.body() = fCorpo;
  req.prepare_payload();

  auto trocar = [&](auto& stream) -> bool {
    error_code e = rodar([&](auto h) { http::async_write(stream, req, h); }, prazo(TimeoutEnvio));
    if (e) return falhar(e);
    beast::flat_buffer buf;
    http::response_parser<http::string_body> parser;
    parser.body_limit(Verificacao.TamanhoMaximoResposta);
    e = rodar([&](auto h) { http::async_read(stream, buf, parser, h); }, prazo(TimeoutEntrePacotes));
    if (e) {
      if (parser.is_header_done()) fResultCode = static_cast<int>(parser.get().result_int());
      return falhar(e);
    }
    fResultCode = static_cast<int>(parser.get().result_int());
    // The parser's limit does not cover every framing of the body; the bound holds regardless.
    if (parser.get().body().size() > Verificacao.TamanhoMaximoResposta) return falhar(http::error::body_limit);
    fResposta = parser.get().body();
    return true;
  };

  if (!partes.HTTPS()) {
    bool ok = trocar(socket);
    error_code ig;
    socket.close(ig);
    return ok;
  }

  asio::ssl::context ctx(asio::ssl::context::tls_client);
  SSL_CTX* nativo = ctx.native_handle();
  // LT_all is TLS 1.2 or newer, set here rather than left to the system's configuration.
  SSL_CTX_set_min_proto_version(nativo, TLS1_2_VERSION);
  if (SSLType == LT_TLSv1_2) SSL_CTX_set_max_proto_version(nativo, TLS1_2_VERSION);
  if (Verificacao.Verificar) {
    ctx.set_verify_mode(asio::ssl::verify_peer);
    if (!Verificacao.ArquivoCA.empty()) {
      ctx.load_verify_file(Verificacao.ArquivoCA, ec);
      if (ec) return falhar(ec, "CA " + Verificacao.ArquivoCA + ": ");
    } else {
      ctx.set_default_verify_paths(ec);
    }
  } else {
    ctx.set_verify_mode(asio::ssl::verify_none);
  }
  if (!DadosPFX.empty()) {
    ERR_clear_error();
    const unsigned char* p = reinterpret_cast<const unsigned char*>(DadosPFX.data());
    PKCS12* p12 = d2i_PKCS12(nullptr, &p, static_cast<long>(DadosPFX.size()));
    TPFX pfx;
    std::string senha = ParaUTF8(SenhaPFX);
    int ok = p12 ? PKCS12_parse(p12, senha.c_str(), &pfx.chave, &pfx.certificado, &pfx.cadeia) : 0;
    OPENSSL_cleanse(senha.data(), senha.size());
    PKCS12_free(p12);
    if (ok != 1 || !pfx.certificado || !pfx.chave || SSL_CTX_use_certificate(nativo, pfx.certificado) != 1 ||
        SSL_CTX_use_PrivateKey(nativo, pfx.chave) != 1) {
      unsigned long e = ERR_peek_last_error();
      fUltimoErro = static_cast<int>(e);
      fDescricaoErro = "PKCS#12: " + (e ? TextoErroOpenSSL(e) : std::string("sem certificado ou chave"));
      ERR_clear_error();
      return false;
    }
    for (int i = 0; pfx.cadeia && i < sk_X509_num(pfx.cadeia); ++i)
      SSL_CTX_add1_chain_cert(nativo, sk_X509_value(pfx.cadeia, i));
  }

  asio::ssl::stream<tcp::socket&> tls(socket, ctx);
  SSL* ssl = tls.native_handle();
  error_code ipErro;
  asio::ip::make_address(hostNome, ipErro);
  if (ipErro) SSL_set_tlsext_host_name(ssl, hostNome.c_str());
  if (Verificacao.Verificar) {
    X509_VERIFY_PARAM* param = SSL_get0_param(ssl);
    if (ipErro)
      X509_VERIFY_PARAM_set1_host(param, hostNome.c_str(), 0);
    else
      X509_VERIFY_PARAM_set1_ip_asc(param, hostNome.c_str());
  }
  ec = rodar([&](auto h) { tls.async_handshake(asio::ssl::stream_base::client, h); }, prazo(TimeoutConexao));
  if (ec) return falhar(ec);
  bool ok = trocar(tls);
  error_code ig;
  socket.close(ig);
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
