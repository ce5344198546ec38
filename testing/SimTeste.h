#pragma once
// What the simulator's tests and benchmark share: the simulator as a child process, a plain
// HTTPS client with a PKCS#12 client certificate, and requests made and signed here.
#include <openssl/evp.h>
#include <openssl/pkcs12.h>
#include <openssl/ssl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <boost/asio.hpp>
#include <boost/asio/ssl.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "security/TuimDFeSSL.h"
#include "testing/NFeTexto.h"
#include "testing/ProcessoTeste.h"

namespace tuim::simteste {

inline const char* const kNs = "http://www.portalfiscal.inf.br/nfe";
inline const char* const kEmitente = "11222333000181";
inline const char* const kOutro = "11444777000161";

struct TSaida {
  int codigo = -1;
  std::string out, err;
};

// Runs a program to its end, collecting its exit status and output.
inline TSaida Rodar(const std::vector<std::string>& args) {
  TSaida r;
  int po[2], pe[2];
  if (pipe(po) != 0 || pipe(pe) != 0) return r;
  pid_t pid = fork();
  if (pid == 0) {
    dup2(po[1], 1);
    dup2(pe[1], 2);
    close(po[0]); close(po[1]); close(pe[0]); close(pe[1]);
    std::vector<std::string> copia = args;
    std::vector<char*> argv;
    for (auto& a : copia) argv.push_back(a.data());
    argv.push_back(nullptr);
    execv(argv[0], argv.data());
    _exit(127);
  }
  close(po[1]);
  close(pe[1]);
  pollfd fds[2] = {{po[0], POLLIN, 0}, {pe[0], POLLIN, 0}};
  std::string* destino[2] = {&r.out, &r.err};
  int abertos = 2;
  while (abertos > 0 && poll(fds, 2, -1) >= 0) {
    for (int i = 0; i < 2; ++i) {
      if (fds[i].fd < 0 || !(fds[i].revents & (POLLIN | POLLHUP | POLLERR))) continue;
      char buf[4096];
      ssize_t n = read(fds[i].fd, buf, sizeof buf);
      if (n > 0) {
        destino[i]->append(buf, static_cast<std::size_t>(n));
      } else {
        close(fds[i].fd);
        fds[i].fd = -1;
        --abertos;
      }
    }
  }
  int st = 0;
  waitpid(pid, &st, 0);
  r.codigo = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
  return r;
}

// A counter of the simulator serving `pasta`: "conexoes" (TLS connections accepted so far) or
// "retomadas" (those whose session the client resumed); -1 when unknown.
inline long ConexoesAceitas(const std::string& programa, const std::string& pasta,
                            const std::string& contador = "conexoes") {
  TSaida r = Rodar({programa, "estado", pasta, "--json"});
  const std::string chave = "\"" + contador + "\": ";
  const std::size_t p = r.out.find(chave);
  return p == std::string::npos ? -1 : std::atol(r.out.c_str() + p + chave.size());
}

inline std::string PastaNova(const std::string& prefixo) {
  std::string m = (std::filesystem::temp_directory_path() / (prefixo + "-XXXXXX")).string();
  if (!mkdtemp(m.data())) throw std::runtime_error("mkdtemp");
  return m;
}

inline std::string LerArquivo(const std::string& caminho) {
  std::ifstream f(caminho, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

// `tuim-sefaz-sim servir` as a child process on an ephemeral loopback port.
class TSimulador {
public:
  explicit TSimulador(std::string programa) : fPrograma(std::move(programa)) {}

  // Serves `pasta`; the simulator ends with the thread that started it, so a test that dies
  // leaves nothing serving.
  bool Iniciar(const std::string& pasta, std::string& erro) {
    return fProcesso.Iniciar({fPrograma, "servir", pasta, "--porta", "0"}, 30000, true, "o simulador não iniciou: ",
                             erro);
  }
  // SIGTERM; the exit status (-1 when it did not exit normally).
  int Parar() { return fProcesso.Parar(); }
  int Porta() const { return fProcesso.Porta(); }
  pid_t Pid() const { return fProcesso.Pid(); }

private:
  std::string fPrograma;
  teste::TProcessoPorta fProcesso;
};

struct TResposta {
  bool ok = false;  // an HTTP answer was read whole
  int status = 0;
  std::string corpo, erro;
};

// A plain HTTPS client (Boost.Beast) presenting a PKCS#12 certificate, optionally kept alive.
class TCliente {
public:
  TCliente(const std::string& pfx, const std::string& senha, const std::string& ca, int porta)
      : fCtx(boost::asio::ssl::context::tls_client), fPorta(porta) {
    fCtx.load_verify_file(ca);
    fCtx.set_verify_mode(boost::asio::ssl::verify_peer);
    if (pfx.empty()) return;  // a client without certificate
    FILE* f = std::fopen(pfx.c_str(), "rb");
    PKCS12* p12 = f ? d2i_PKCS12_fp(f, nullptr) : nullptr;
    if (f) std::fclose(f);
    EVP_PKEY* chave = nullptr;
    X509* cert = nullptr;
    if (!p12 || PKCS12_parse(p12, senha.c_str(), &chave, &cert, nullptr) != 1)
      throw std::runtime_error("PFX ilegível: " + pfx);
    PKCS12_free(p12);
    SSL_CTX_use_certificate(fCtx.native_handle(), cert);
    SSL_CTX_use_PrivateKey(fCtx.native_handle(), chave);
    X509_free(cert);
    EVP_PKEY_free(chave);
  }

  void LimitarTLS(int versaoMax) { SSL_CTX_set_max_proto_version(fCtx.native_handle(), versaoMax); }

  TResposta Post(const std::string& alvo, const std::string& corpo, const std::string& acao = "",
                 bool manter = false) {
    namespace http = boost::beast::http;
    TResposta r;
    boost::system::error_code ec;
    if (!fStream) {
      fStream = std::make_unique<boost::asio::ssl::stream<boost::asio::ip::tcp::socket>>(fIo, fCtx);
      fStream->next_layer().connect({boost::asio::ip::make_address("127.0.0.1"), static_cast<unsigned short>(fPorta)},
                                    ec);
      if (!ec) fStream->handshake(boost::asio::ssl::stream_base::client, ec);
      if (ec) {
        r.erro = ec.message();
        fStream.reset();
        return r;
      }
    }
    http::request<http::string_body> req{http::verb::post, alvo, 11};
    req.set(http::field::host, "127.0.0.1");
    req.set(http::field::content_type,
            "application/soap+xml; charset=utf-8" + (acao.empty() ? std::string() : "; action=\"" + acao + "\""));
    req.keep_alive(manter);
    req.body() = corpo;
    req.prepare_payload();
    http::write(*fStream, req, ec);
    http::response<http::string_body> res;
    if (!ec) http::read(*fStream, fBuf, res, ec);
    if (ec) {
      r.erro = ec.message();
      fStream.reset();
      fBuf.clear();
      return r;
    }
    r.ok = true;
    r.status = res.result_int();
    r.corpo = res.body();
    if (!manter || !res.keep_alive()) {
      fStream->shutdown(ec);
      fStream.reset();
      fBuf.clear();
    }
    return r;
  }

private:
  boost::asio::io_context fIo;
  boost::asio::ssl::context fCtx;
  int fPorta;
  std::unique_ptr<boost::asio::ssl::stream<boost::asio::ip::tcp::socket>> fStream;
  boost::beast::flat_buffer fBuf;
};

// ---- requests --------------------------------------------------------------------------------

inline std::string Envelope(const std::string& servico, const std::string& msg, const std::string& corpo = "nfeDadosMsg") {
  return "<?xml version=\"1.0\" encoding=\"UTF-8\"?><soap12:Envelope xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\" "
         "xmlns:xsd=\"http://www.w3.org/2001/XMLSchema\" xmlns:soap12=\"http://www.w3.org/2003/05/soap-envelope\">"
         "<soap12:Body><" + corpo + " xmlns=\"http://www.portalfiscal.inf.br/nfe/wsdl/" + servico + "\">" + msg +
         "</" + corpo + "></soap12:Body></soap12:Envelope>";
}

inline std::string Acao(const std::string& servico, const std::string& metodo) {
  return "http://www.portalfiscal.inf.br/nfe/wsdl/" + servico + "/" + metodo;
}

// The n-th (from 0) content of <tag> in the text, or "(ausente)".
inline std::string Campo(const std::string& xml, const std::string& tag, int n = 0) {
  std::size_t p = 0;
  for (int i = 0;; ++i) {
    p = xml.find("<" + tag + ">", p);
    if (p == std::string::npos) return "(ausente)";
    p += tag.size() + 2;
    if (i == n) break;
  }
  return xml.substr(p, xml.find("</" + tag + ">", p) - p);
}

inline int Contar(const std::string& xml, const std::string& texto) {
  int n = 0;
  for (std::size_t p = xml.find(texto); p != std::string::npos; p = xml.find(texto, p + 1)) ++n;
  return n;
}

inline std::string SemDeclaracao(std::string x) {
  if (x.rfind("<?xml", 0) == 0) x.erase(0, x.find("?>") + 2);
  return x;
}

inline std::string Zeros(long long v, int n) {
  std::string s = std::to_string(v);
  while (static_cast<int>(s.size()) < n) s = "0" + s;
  return s;
}

inline int Digito(const std::string& c43) {
  int soma = 0, peso = 2;
  for (auto it = c43.rbegin(); it != c43.rend(); ++it) {
    soma += (*it - '0') * peso;
    peso = peso == 9 ? 2 : peso + 1;
  }
  int r = soma % 11;
  return r < 2 ? 0 : 11 - r;
}

inline std::string Sha1Hex(const std::string& s) {
  unsigned char md[EVP_MAX_MD_SIZE];
  unsigned int n = 0;
  EVP_Digest(s.data(), s.size(), md, &n, EVP_sha1(), nullptr);
  static const char* h = "0123456789ABCDEF";
  std::string r;
  for (unsigned i = 0; i < n; ++i) {
    r += h[md[i] >> 4];
    r += h[md[i] & 15];
  }
  return r;
}

struct TNota {
  int modelo = 55;
  int nNF = 1;
  std::string cnpj = kEmitente;
  std::string dest = kOutro;  // empty: no recipient
  int cUF = 35;
  int tpAmb = 2;
  std::string csc, idCsc = "1";  // NFC-e QR code
  std::string chave;              // filled by Montar
};

// An NF-e or NFC-e of layout 4.00 that the national schema accepts, unsigned.
inline std::string Montar(TNota& n) {
  const std::string cNF = Zeros(10000000 + n.nNF * 7 % 89999999, 8);
  std::string c43 = Zeros(n.cUF, 2) + "2612" + n.cnpj + Zeros(n.modelo, 2) + "001" + Zeros(n.nNF, 9) + "1" + cNF;
  const int dv = Digito(c43);
  n.chave = c43 + std::to_string(dv);
  std::string x = std::string("<NFe xmlns=\"") + kNs + "\"><infNFe versao=\"4.00\" Id=\"NFe" + n.chave + "\"><ide><cUF>" +
                  std::to_string(n.cUF) + "</cUF><cNF>" + cNF + "</cNF><natOp>VENDA</natOp><mod>" +
                  std::to_string(n.modelo) + "</mod><serie>1</serie><nNF>" + std::to_string(n.nNF) +
                  "</nNF><dhEmi>2026-12-10T10:00:00-03:00</dhEmi><tpNF>1</tpNF><idDest>1</idDest>"
                  "<cMunFG>3550308</cMunFG><tpImp>" + (n.modelo == 65 ? "4" : "1") + "</tpImp><tpEmis>1</tpEmis><cDV>" +
                  std::to_string(dv) + "</cDV><tpAmb>" + std::to_string(n.tpAmb) +
                  "</tpAmb><finNFe>1</finNFe><indFinal>1</indFinal><indPres>1</indPres><procEmi>0</procEmi>"
                  "<verProc>Tuim 1.0</verProc></ide><emit><CNPJ>" + n.cnpj +
                  "</CNPJ><xNome>EMPRESA EMITENTE LTDA</xNome><enderEmit><xLgr>RUA DAS FLORES</xLgr><nro>7</nro>"
                  "<xBairro>CENTRO</xBairro><cMun>3550308</cMun><xMun>SAO PAULO</xMun><UF>SP</UF><CEP>01001000</CEP>"
                  "</enderEmit><IE>110042490114</IE><CRT>1</CRT></emit>";
  if (!n.dest.empty())
    x += "<dest><CNPJ>" + n.dest +
         "</CNPJ><xNome>NF-E EMITIDA EM AMBIENTE DE HOMOLOGACAO - SEM VALOR FISCAL</xNome><enderDest>"
         "<xLgr>AV PAULISTA</xLgr><nro>1000</nro><xBairro>BELA VISTA</xBairro><cMun>3550308</cMun>"
         "<xMun>SAO PAULO</xMun><UF>SP</UF><CEP>01310100</CEP></enderDest><indIEDest>9</indIEDest></dest>";
  x += teste::kItemSimplesAteOFim;
  if (n.modelo == 65) {
    const std::string p = n.chave + "|2|" + std::to_string(n.tpAmb) + "|" + n.idCsc;
    x += "<infNFeSupl><qrCode>https://127.0.0.1/nfce/qrcode?p=" + p + "|" + Sha1Hex(p + n.csc) +
         "</qrCode><urlChave>https://127.0.0.1/nfce/consulta</urlChave></infNFeSupl>";
  }
  return x + "</NFe>";
}

// The project's own signer, with the certificate of a CNPJ of the simulator's folder.
class TAssinador {
public:
  TAssinador(const std::string& pasta, const std::string& cnpj) {
    fSSL.SetSSLCryptLib(tuim::cryOpenSSL);
    fSSL.SetSSLXmlSignLib(tuim::xsLibXml2);
    fSSL.SetArquivoPFX(pasta + "/" + cnpj + ".pfx");
    fSSL.SetSenha("1234");
  }
  std::string Assinar(const std::string& xml, const std::string& doc, const std::string& inf) {
    return SemDeclaracao(fSSL.Assinar(xml, doc, inf));
  }

private:
  tuim::TDFeSSL fSSL;
};

inline std::string Lote(const std::vector<std::string>& nfes, bool sinc, int lote = 1) {
  std::string x = std::string("<enviNFe xmlns=\"") + kNs + "\" versao=\"4.00\"><idLote>" + std::to_string(lote) +
                  "</idLote><indSinc>" + (sinc ? "1" : "0") + "</indSinc>";
  for (const auto& n : nfes) x += n;
  return x + "</enviNFe>";
}

inline std::string Status(int cUF = 35, int tpAmb = 2) {
  return std::string("<consStatServ xmlns=\"") + kNs + "\" versao=\"4.00\"><tpAmb>" + std::to_string(tpAmb) +
         "</tpAmb><cUF>" + std::to_string(cUF) + "</cUF><xServ>STATUS</xServ></consStatServ>";
}

}  // namespace tuim::simteste
