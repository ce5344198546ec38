#include "transport/TuimURL.h"

#include <cctype>

namespace tuim {

TPartesURL DividirURL(const std::string& url) {
  TPartesURL r;
  std::string resto = url;
  auto sep = resto.find("://");
  if (sep != std::string::npos) {
    r.Protocolo = resto.substr(0, sep);
    for (char& c : r.Protocolo) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    resto = resto.substr(sep + 3);
  }
  auto barra = resto.find_first_of("/?#");
  std::string autoridade = resto.substr(0, barra);
  std::string caminho = barra == std::string::npos ? "" : resto.substr(barra);
  auto hash = caminho.find('#');
  if (hash != std::string::npos) caminho.erase(hash);
  if (caminho.empty() || caminho[0] != '/') caminho = "/" + caminho;
  r.Caminho = caminho;

  auto arroba = autoridade.rfind('@');
  if (arroba != std::string::npos) autoridade = autoridade.substr(arroba + 1);
  if (!autoridade.empty() && autoridade[0] == '[') {
    auto fecha = autoridade.find(']');
    r.Host = autoridade.substr(0, fecha == std::string::npos ? std::string::npos : fecha + 1);
    if (fecha != std::string::npos && fecha + 1 < autoridade.size() && autoridade[fecha + 1] == ':')
      r.Porta = autoridade.substr(fecha + 2);
  } else {
    auto doisPontos = autoridade.rfind(':');
    r.Host = autoridade.substr(0, doisPontos);
    if (doisPontos != std::string::npos) r.Porta = autoridade.substr(doisPontos + 1);
  }
  if (r.Porta.empty()) r.Porta = r.HTTPS() ? "443" : "80";
  return r;
}

std::string EnderecoProxy(const std::string& host, const std::string& porta) {
  if (porta.empty() || porta == "0") return host;
  return host + ":" + porta;
}

}  // namespace tuim
