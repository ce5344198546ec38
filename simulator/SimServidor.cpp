#include "simulator/SimServidor.h"

#include <openssl/ssl.h>
#include <openssl/x509.h>

#include <utility>

#include <boost/asio.hpp>
#include <boost/asio/ssl.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>
#include <condition_variable>
#include <csignal>
#include <mutex>
#include <thread>

#include "simulator/SimCertificados.h"

namespace tuim::sim {
namespace {

namespace net = boost::asio;
namespace ssl = boost::asio::ssl;
namespace http = boost::beast::http;
using tcp = net::ip::tcp;

struct TEstado {
  std::mutex m;
  std::condition_variable cv;
  int emAndamento = 0;
  bool parando = false;
};

std::string AcaoSoap(const http::request<http::string_body>& req) {
  // SOAP 1.2 carries the action in the content type; SOAP 1.1 clients send SOAPAction.
  std::string ct(req[http::field::content_type]);
  auto p = ct.find("action=");
  if (p != std::string::npos) {
    std::string a = ct.substr(p + 7);
    if (!a.empty() && a[0] == '"') {
      auto f = a.find('"', 1);
      return a.substr(1, f == std::string::npos ? std::string::npos : f - 1);
    }
    return a.substr(0, a.find(';'));
  }
  std::string s(req["SOAPAction"]);
  if (s.size() >= 2 && s.front() == '"' && s.back() == '"') s = s.substr(1, s.size() - 2);
  return s;
}

void Sessao(tcp::socket sock, ssl::context& ctx, TSefaz& sefaz, TEstado& estado) {
  boost::system::error_code ec;
  timeval tv{300, 0};
  setsockopt(sock.native_handle(), SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
  sock.set_option(tcp::no_delay(true), ec);
  ssl::stream<tcp::socket> st(std::move(sock), ctx);
  st.handshake(ssl::stream_base::server, ec);
  if (ec) return;
  // Connections made, for the clients that keep one alive across requests.
  try {
    sefaz.Banco().Proximo("conexoes");
    if (SSL_session_reused(st.native_handle())) sefaz.Banco().Proximo("retomadas");
  } catch (const std::exception&) {
  }
  std::string cnpj;
  if (X509* peer = SSL_get1_peer_certificate(st.native_handle())) {
    cnpj = CNPJDoCertificado(peer);
    X509_free(peer);
  }
  boost::beast::flat_buffer buf;
  for (;;) {
    http::request_parser<http::string_body> parser;
    parser.body_limit(64u * 1024 * 1024);
    http::read(st, buf, parser, ec);
    if (ec) break;
    http::request<http::string_body> req = parser.release();
    {
      std::lock_guard<std::mutex> g(estado.m);
      if (estado.parando) break;
      ++estado.emAndamento;
    }
    TRespostaHttp r;
    if (req.method() != http::verb::post) {
      r.status = 405;
    } else {
      r = sefaz.Atender(std::string(req.target()), req.body(), AcaoSoap(req), cnpj);
    }
    bool manter = req.keep_alive() && !r.cortar && !r.truncar && !r.encerrar;
    if (r.cortar) {
      st.next_layer().shutdown(tcp::socket::shutdown_both, ec);
      st.next_layer().close(ec);
    } else if (r.truncar) {
      std::string cab = "HTTP/1.1 200 OK\r\nContent-Type: application/soap+xml; charset=utf-8\r\nContent-Length: " +
                        std::to_string(r.corpo.size()) + "\r\n\r\n" + r.corpo.substr(0, r.corpo.size() / 2);
      net::write(st, net::buffer(cab), ec);
      st.next_layer().shutdown(tcp::socket::shutdown_both, ec);
      st.next_layer().close(ec);
    } else {
      http::response<http::string_body> res{static_cast<http::status>(r.status), req.version()};
      res.set(http::field::server, "tuim-sefaz-sim");
      if (!r.corpo.empty()) res.set(http::field::content_type, "application/soap+xml; charset=utf-8");
      res.keep_alive(manter || (r.encerrar && req.keep_alive()));
      res.body() = std::move(r.corpo);
      res.prepare_payload();
      http::write(st, res, ec);
    }
    {
      std::lock_guard<std::mutex> g(estado.m);
      --estado.emAndamento;
    }
    estado.cv.notify_all();
    if (ec || !manter) break;
  }
  if (st.next_layer().is_open()) {
    st.shutdown(ec);
    st.next_layer().close(ec);
  }
}

}  // namespace

void Servir(TSefaz& sefaz, const std::string& pasta, const std::string& endereco, unsigned short porta,
            const std::function<void(unsigned short)>& aoEscutar) {
  // Connection threads may outlive this call by a moment at shutdown: what they share is never freed.
  ssl::context& ctx = *new ssl::context(ssl::context::tls_server);
  SSL_CTX_set_min_proto_version(ctx.native_handle(), TLS1_2_VERSION);
  ctx.set_options(ssl::context::default_workarounds | ssl::context::no_sslv2 | ssl::context::no_sslv3 |
                  ssl::context::no_tlsv1 | ssl::context::no_tlsv1_1);
  ctx.use_certificate_chain_file(pasta + "/servidor.pem");
  ctx.use_private_key_file(pasta + "/servidor.key", ssl::context::pem);
  ctx.load_verify_file(pasta + "/ca.pem");
  ctx.set_verify_mode(ssl::verify_peer | ssl::verify_fail_if_no_peer_cert);
  SSL_CTX_set_client_CA_list(ctx.native_handle(), SSL_load_client_CA_file((pasta + "/ca.pem").c_str()));
  static const unsigned char kSessao[] = "tuim-sefaz-sim";
  SSL_CTX_set_session_id_context(ctx.native_handle(), kSessao, sizeof kSessao - 1);

  net::io_context ioc;
  tcp::acceptor acc(ioc);
  tcp::endpoint ep(net::ip::make_address(endereco), porta);
  acc.open(ep.protocol());
  acc.set_option(net::socket_base::reuse_address(true));
  acc.bind(ep);
  acc.listen();
  TEstado& estado = *new TEstado;
  net::signal_set sinais(ioc, SIGTERM, SIGINT);
  sinais.async_wait([&](const boost::system::error_code&, int) {
    boost::system::error_code ec;
    acc.close(ec);
  });
  std::function<void()> aceitar = [&] {
    acc.async_accept([&](const boost::system::error_code& ec, tcp::socket s) {
      if (ec) return;
      std::thread(Sessao, std::move(s), std::ref(ctx), std::ref(sefaz), std::ref(estado)).detach();
      aceitar();
    });
  };
  aceitar();
  aoEscutar(acc.local_endpoint().port());
  ioc.run();
  // No new request starts; the ones in progress finish and commit.
  std::unique_lock<std::mutex> g(estado.m);
  estado.parando = true;
  estado.cv.wait(g, [&] { return estado.emAndamento == 0; });
}

}  // namespace tuim::sim
