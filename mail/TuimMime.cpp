#include "mail/TuimMime.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

#include "fiscal/TuimUtil.h"

namespace tuim::mime {

namespace {

bool AsciiImprimivel(const std::string& s) {
  return std::all_of(s.begin(), s.end(), [](char c) {
    auto u = static_cast<unsigned char>(c);
    return u >= 32 && u < 127;
  });
}

const char kHex[] = "0123456789ABCDEF";

void AcrescentarHex(std::string& r, unsigned char u) {
  r += '=';
  r += kHex[u >> 4];
  r += kHex[u & 15];
}

}  // namespace

std::string QuotedPrintable(const std::string& texto) {
  std::string r;
  r.reserve(texto.size() + texto.size() / 8);
  std::size_t i = 0;
  while (i <= texto.size()) {
    std::size_t fim = texto.find_first_of("\r\n", i);
    if (fim == std::string::npos) fim = texto.size();
    std::string linha = texto.substr(i, fim - i);
    std::size_t coluna = 0;
    for (std::size_t k = 0; k < linha.size(); ++k) {
      auto u = static_cast<unsigned char>(linha[k]);
      bool ultimo = k + 1 == linha.size();
      std::string pedaco;
      // A blank at the end of a line would be lost in transit, so it is encoded too.
      if ((u >= 33 && u <= 126 && u != '=') || ((u == ' ' || u == '\t') && !ultimo))
        pedaco = std::string(1, static_cast<char>(u));
      else
        AcrescentarHex(pedaco, u);
      // Room is kept for the "=" of a soft break unless this is the line's last piece.
      std::size_t limite = ultimo ? 76 : 75;
      if (coluna + pedaco.size() > limite) {
        r += "=\r\n";
        coluna = 0;
      }
      r += pedaco;
      coluna += pedaco.size();
    }
    if (fim >= texto.size()) break;
    r += "\r\n";
    i = fim + ((texto[fim] == '\r' && fim + 1 < texto.size() && texto[fim + 1] == '\n') ? 2 : 1);
  }
  return r;
}

std::string Base64Linhas(const std::string& dados) {
  std::string b = CodificarBase64(dados);
  std::string r;
  r.reserve(b.size() + b.size() / 38 + 2);
  for (std::size_t i = 0; i < b.size(); i += 76) {
    r.append(b, i, 76);
    r += "\r\n";
  }
  return r;
}

std::string CodificarCabecalho(const std::string& texto, const std::string& charset) {
  if (AsciiImprimivel(texto) && texto.size() <= 900) return texto;
  bool utf8 = TextosIguaisSemCaixa(charset, "UTF-8");
  std::string r;
  std::size_t i = 0;
  while (i < texto.size()) {
    // "=?" charset "?B?" ... "?=" within 75 characters: whole Base64 quads of 3 bytes each.
    std::size_t quads = (75 - 7 - std::min<std::size_t>(charset.size(), 40)) / 4;
    std::size_t n = std::min<std::size_t>(quads * 3, texto.size() - i);
    if (utf8)
      while (n > 1 && i + n < texto.size() && (static_cast<unsigned char>(texto[i + n]) & 0xC0) == 0x80) --n;
    if (!r.empty()) r += "\r\n ";
    r += "=?" + charset + "?B?" + CodificarBase64(texto.substr(i, n)) + "?=";
    i += n;
  }
  return r;
}

std::string SemControles(const std::string& s) {
  std::string r;
  r.reserve(s.size());
  for (char c : s) {
    auto u = static_cast<unsigned char>(c);
    if (u >= 32 && u != 127) r += c;
  }
  return r;
}

std::string CodificarEndereco(const std::string& entrada, const std::string& charset) {
  const std::string linha = SemControles(entrada);
  std::size_t abre = linha.rfind('<');
  if (abre == std::string::npos || linha.find('>', abre) == std::string::npos) return Trim(linha);
  std::string nome = Trim(linha.substr(0, abre));
  std::string endereco = linha.substr(abre);
  if (nome.empty()) return endereco;
  if (nome.size() >= 2 && nome.front() == '"' && nome.back() == '"') nome = nome.substr(1, nome.size() - 2);
  if (AsciiImprimivel(nome)) {
    std::string q;
    for (char c : nome) {
      if (c == '"' || c == '\\') q += '\\';
      q += c;
    }
    return "\"" + q + "\" " + endereco;
  }
  return CodificarCabecalho(nome, charset) + " " + endereco;
}

std::string SomenteEndereco(const std::string& entrada) {
  const std::string linha = SemControles(entrada);
  std::size_t abre = linha.rfind('<');
  if (abre != std::string::npos) {
    std::size_t fecha = linha.find('>', abre);
    if (fecha != std::string::npos) return Trim(linha.substr(abre + 1, fecha - abre - 1));
  }
  return Trim(linha);
}

std::string Parametro(const std::string& nome, const std::string& valor, const std::string& charset) {
  if (AsciiImprimivel(valor)) {
    std::string q;
    for (char c : valor) {
      if (c == '"' || c == '\\') q += '\\';
      q += c;
    }
    return nome + "=\"" + q + "\"";
  }
  std::string r = nome + "*=" + charset + "''";
  for (char c : valor) {
    auto u = static_cast<unsigned char>(c);
    if (std::isalnum(u) || u == '.' || u == '-' || u == '_') {
      r += c;
    } else {
      r += '%';
      r += kHex[u >> 4];
      r += kHex[u & 15];
    }
  }
  return r;
}

std::string TipoMidia(const std::string& nomeArquivo) {
  static const struct {
    const char* ext;
    const char* tipo;
  } kTipos[] = {
      {"pdf", "application/pdf"},   {"xml", "application/xml"},   {"txt", "text/plain"},
      {"htm", "text/html"},         {"html", "text/html"},        {"csv", "text/csv"},
      {"png", "image/png"},         {"jpg", "image/jpeg"},        {"jpeg", "image/jpeg"},
      {"gif", "image/gif"},         {"bmp", "image/bmp"},         {"svg", "image/svg+xml"},
      {"zip", "application/zip"},   {"gz", "application/gzip"},   {"json", "application/json"},
      {"rtf", "application/rtf"},   {"doc", "application/msword"}, {"xls", "application/vnd.ms-excel"},
      {"docx", "application/vnd.openxmlformats-officedocument.wordprocessingml.document"},
      {"xlsx", "application/vnd.openxmlformats-officedocument.spreadsheetml.sheet"},
  };
  std::size_t p = nomeArquivo.rfind('.');
  if (p != std::string::npos) {
    std::string ext = LowerCase(nomeArquivo.substr(p + 1));
    for (const auto& t : kTipos)
      if (ext == t.ext) return t.tipo;
  }
  return "application/octet-stream";
}

std::string DotStuffing(const std::string& mensagem) {
  std::string r;
  r.reserve(mensagem.size() + 64);
  bool inicioLinha = true;
  for (char c : mensagem) {
    if (inicioLinha && c == '.') r += '.';
    r += c;
    inicioLinha = c == '\n';
  }
  if (r.size() < 2 || r.compare(r.size() - 2, 2, "\r\n") != 0) r += "\r\n";
  return r;
}

}  // namespace tuim::mime
