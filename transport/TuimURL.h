#pragma once
#include <string>

namespace tuim {

// A request address split the way the HTTP backends use it. User and password parts are
// dropped; Porta is always filled (80/443 by scheme when the address has none).
struct TPartesURL {
  std::string Protocolo = "http";  // as written, lower-cased
  std::string Host;
  std::string Porta;
  std::string Caminho = "/";  // path and query, always starting with "/"
  bool HTTPS() const { return Protocolo == "https"; }
  bool PortaPadrao() const { return Porta == (HTTPS() ? "443" : "80"); }
  // Host, plus ":" + port when the port is not the scheme's default.
  std::string HostComPorta() const { return PortaPadrao() ? Host : Host + ":" + Porta; }
};

TPartesURL DividirURL(const std::string& url);

// "host:port", or just the host when the port is empty or "0".
std::string EnderecoProxy(const std::string& host, const std::string& porta);

}  // namespace tuim
