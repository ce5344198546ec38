// `tuim certificado info|listar` and `tuim hash`: certificate data, digests and signatures
// through the security facade.
#include <cstdio>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include "cli/TuimCli.h"
#include "fiscal/TuimDateTime.h"
#include "fiscal/TuimUtil.h"
#include "security/TuimDFeSSL.h"
#include "security/TuimDFeWinCrypt.h"

namespace tuim::cli {
namespace {

std::string DataHora(TDateTime t) {
  if (t == 0) return "";
  int y, m, d, h, n, s, ms;
  DecodeDateTime(t, y, m, d, h, n, s, ms);
  char buf[32];
  std::snprintf(buf, sizeof buf, "%04d-%02d-%02dT%02d:%02d:%02d", y, m, d, h, n, s);
  return buf;
}

std::string Tipo(TTipoCertificado t) { return t == tcA1 ? "A1" : t == tcA3 ? "A3" : ""; }

// The certificate source named on the command line: a PKCS#12 file (OpenSSL), or a serial in
// the token store (Windows-crypto backend).
int Configurar(const Args& a, TDFeSSL& ssl) {
  if (a.Has("pfx")) {
    ssl.SetSSLCryptLib(cryOpenSSL);
    ssl.SetArquivoPFX(a.Get("pfx"));
    ssl.SetSenha(DeUTF8(a.Get("senha")));
  } else if (a.Has("serie")) {
    ssl.SetSSLCryptLib(cryWinCrypt);
    ssl.SetNumeroSerie(a.Get("serie"));
    ssl.SetSenha(DeUTF8(a.Get("pin")));
  } else {
    return UsageError("informe --pfx ARQUIVO --senha S ou --serie SERIE [--pin PIN]");
  }
  return kExitOk;
}

int Info(const std::vector<std::string>& words) {
  Args a(words, {"json"});
  if (!a.ok()) return UsageError(a.error());
  if (auto u = a.Unknown({"pfx", "senha", "serie", "pin", "json"}); !u.empty())
    return UsageError("opção desconhecida: --" + u);
  TDFeSSL ssl;
  if (int r = Configurar(a, ssl); r != kExitOk) return r;
  try {
    ssl.GarantirCertificado();
    const TDadosCertificado& d = ssl.InfoCertificado();
    const std::vector<std::pair<std::string, std::string>> campos = {
        {"ImpressaoDigital", d.ImpressaoDigital()},
        {"Autoridade", ParaUTF8(d.Autoridade())},
        {"CNPJTitular", d.CNPJTitular()},
        {"ValidoAte", DataHora(d.ValidoAte())},
        {"IssuerName", ParaUTF8(d.IssuerName())},
        {"SerieCertificado", d.SerieCertificado()},
        {"Titular", ParaUTF8(d.Titular())},
        {"SubjectName", ParaUTF8(d.SubjectName())},
        {"TipoCertificado", TipoCertificadoParaTexto(d.TipoCertificado())},
        {"CertificadoBase64", d.CertificadoBase64()},
    };
    if (a.Has("json")) {
      std::cout << "{";
      for (std::size_t i = 0; i < campos.size(); ++i)
        std::cout << (i ? ", " : "") << JsonString(campos[i].first) << ": " << JsonString(campos[i].second);
      std::cout << "}\n";
    } else {
      for (const auto& [nome, valor] : campos) std::cout << nome << ": " << valor << "\n";
    }
  } catch (const ETuimDFeException& e) {
    return Falha(e.what());
  }
  return kExitOk;
}

void Linha(const TDadosCertificado& d) {
  std::cout << d.SerieCertificado() << "\t" << ParaUTF8(d.Titular()) << "\t" << d.CNPJTitular() << "\t"
            << DataHora(d.ValidoAte()) << "\t" << Tipo(d.TipoCertificado()) << "\n";
}

int Listar(const std::vector<std::string>& words) {
  Args a(words, {});
  if (!a.ok()) return UsageError(a.error());
  if (auto u = a.Unknown({"pfx", "senha"}); !u.empty()) return UsageError("opção desconhecida: --" + u);
  TDFeSSL ssl;
  try {
    if (a.Has("pfx")) {
      // OpenSSL has no store: what it can list is the one certificate of the file.
      Configurar(a, ssl);
      ssl.GarantirCertificado();
      Linha(ssl.InfoCertificado());
      return kExitOk;
    }
    ssl.SetSSLCryptLib(cryWinCrypt);
    ssl.LerCertificadosStore();
    TListaCertificados& l = ssl.ListaCertificados();
    for (int i = 0; i < l.Count(); ++i) Linha(l[i]);
  } catch (const ETuimDFeException& e) {
    return Falha(e.what());
  }
  return kExitOk;
}

// The selection dialog of the command line: the store on standard error, one numbered line per
// certificate, and the number read from standard input (empty or anything else: none chosen).
int PerguntarCertificado(const std::string& titulo, const std::string& prompt, const TListaCertificados& l) {
  std::cerr << ParaUTF8(titulo) << "\n";
  for (int i = 0; i < l.Count(); ++i)
    std::cerr << "  " << (i + 1) << ") " << l[i].SerieCertificado() << "  " << ParaUTF8(l[i].Titular()) << "  "
              << l[i].CNPJTitular() << "  " << DataHora(l[i].ValidoAte()) << "\n";
  if (l.Count() == 0) {
    std::cerr << "(nenhum certificado)\n";
    return -1;
  }
  std::cerr << ParaUTF8(prompt) << " " << std::flush;
  std::string linha;
  if (!std::getline(std::cin, linha)) return -1;
  std::size_t ini = linha.find_first_not_of(" \t\r");
  linha = ini == std::string::npos ? "" : linha.substr(ini, linha.find_last_not_of(" \t\r") - ini + 1);
  if (linha.empty() || linha.size() > 6 || linha.find_first_not_of("0123456789") != std::string::npos) return -1;
  int n = std::stoi(linha);
  return n >= 1 && n <= l.Count() ? n - 1 : -1;
}

int Selecionar(const std::vector<std::string>& words) {
  Args a(words, {"json"});
  if (!a.ok()) return UsageError(a.error());
  if (auto u = a.Unknown({"pin", "json"}); !u.empty()) return UsageError("opção desconhecida: --" + u);
  if (!a.Positional().empty()) return UsageError("argumento inesperado: " + a.Positional()[0]);
  TDFeSSL ssl;
  ssl.SetSSLCryptLib(cryWinCrypt);
  ssl.SetSenha(DeUTF8(a.Get("pin")));
  DefinirSelecaoCertificado(PerguntarCertificado);
  std::string serie;
  try {
    serie = ssl.SelecionarCertificado();
  } catch (const ETuimDFeException& e) {
    DefinirSelecaoCertificado(nullptr);
    return Falha(e.what());
  }
  DefinirSelecaoCertificado(nullptr);
  if (serie.empty()) {
    std::cerr << "tuim: nenhum certificado selecionado\n";
    return kExitInvalid;
  }
  const TDadosCertificado& d = ssl.InfoCertificado();
  if (a.Has("json"))
    std::cout << "{" << JsonString("SerieCertificado") << ": " << JsonString(serie) << ", " << JsonString("Titular")
              << ": " << JsonString(ParaUTF8(d.Titular())) << ", " << JsonString("TipoCertificado") << ": "
              << JsonString(TipoCertificadoParaTexto(d.TipoCertificado())) << "}\n";
  else
    std::cout << serie << "\n";
  return kExitOk;
}

int Hash(const std::vector<std::string>& words) {
  Args a(words, {"assinar", "base64"});
  if (!a.ok()) return UsageError(a.error());
  if (auto u = a.Unknown({"algoritmo", "assinar", "base64", "pfx", "senha", "serie", "pin"}); !u.empty())
    return UsageError("opção desconhecida: --" + u);
  if (a.Positional().size() != 1) return UsageError("informe um ARQUIVO");
  std::string alg = a.Get("algoritmo", "sha256");
  TSSLDgst dgst;
  if (alg == "sha1")
    dgst = dgstSHA1;
  else if (alg == "sha256")
    dgst = dgstSHA256;
  else if (alg == "sha512")
    dgst = dgstSHA512;
  else
    return UsageError("algoritmo desconhecido: " + alg + " (sha1, sha256 ou sha512)");
  std::ifstream f(a.Positional()[0], std::ios::binary);
  if (!f) {
    std::cerr << "tuim: arquivo não encontrado: " << a.Positional()[0] << "\n";
    return kExitInvalid;
  }
  TDFeSSL ssl;
  if (a.Has("assinar")) {
    if (int r = Configurar(a, ssl); r != kExitOk) return r;
  } else {
    ssl.SetSSLCryptLib(cryOpenSSL);
  }
  try {
    std::cout << ssl.CalcHash(&f, dgst, a.Has("base64") ? fhBase64 : fhHexa, a.Has("assinar")) << "\n";
  } catch (const ETuimDFeException& e) {
    return Falha(e.what());
  }
  return kExitOk;
}

const CommandRegistrar kCertificado({
    "certificado",
    "dados do certificado digital (info, listar, selecionar)",
    "Uso: tuim certificado info (--pfx ARQUIVO --senha S | --serie SERIE [--pin PIN]) [--json]\n"
    "     tuim certificado listar [--pfx ARQUIVO --senha S]\n"
    "     tuim certificado selecionar [--pin PIN] [--json]\n\n"
    "info mostra cada campo do certificado: impressão digital, autoridade, CNPJ/CPF do titular,\n"
    "validade (UTC), emissor, série, titular, sujeito, tipo e o certificado em Base64.\n"
    "listar mostra um certificado por linha: série, titular, CNPJ/CPF, válido até, A1/A3; com\n"
    "--pfx, o certificado do arquivo (OpenSSL não tem repositório); sem ele, o repositório de tokens.\n"
    "selecionar lista o repositório de tokens numerado (na saída de erro), lê o número escolhido\n"
    "da entrada, abre o certificado (com o PIN, se dado) e imprime a série escolhida.\n",
    [](const std::vector<std::string>& w) { return RunSubCommand("certificado", w); }});

const SubCommandRegistrar kInfo({"certificado", "info", "campos do certificado",
                                 "Uso: tuim certificado info (--pfx ARQUIVO --senha S | --serie SERIE [--pin PIN]) "
                                 "[--json]\n",
                                 Info});
const SubCommandRegistrar kListar({"certificado", "listar", "certificados disponíveis, um por linha",
                                   "Uso: tuim certificado listar [--pfx ARQUIVO --senha S]\n", Listar});
const SubCommandRegistrar kSelecionar({"certificado", "selecionar", "escolher um certificado do repositório",
                                       "Uso: tuim certificado selecionar [--pin PIN] [--json]\n", Selecionar});

const CommandRegistrar kHash({
    "hash",
    "resumo (SHA-1/256/512) ou assinatura RSA de um arquivo",
    "Uso: tuim hash --algoritmo sha1|sha256|sha512 [--assinar --pfx ARQUIVO --senha S] [--base64] ARQUIVO\n\n"
    "Sem --assinar imprime o resumo do arquivo; com --assinar, a assinatura RSA (PKCS#1 v1.5)\n"
    "com a chave do certificado. Saída em hexadecimal maiúsculo, ou Base64 com --base64.\n",
    Hash});

}  // namespace
}  // namespace tuim::cli
