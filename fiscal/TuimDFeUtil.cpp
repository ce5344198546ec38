#include "fiscal/TuimDFeUtil.h"

#include <openssl/evp.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <random>

#include "fiscal/TuimException.h"
#include "fiscal/TuimUtil.h"
#include "fiscal/TuimValidador.h"
#include "fiscal/fscAuxiliar.h"

namespace tuim {
namespace {

// Integer in decimal, zero-filled on the left to `largura`, cut to its leftmost characters.
std::string Campo(long long v, std::size_t largura) {
  std::string s = std::to_string(v);
  if (s.size() < largura) s.insert(0, largura - s.size(), '0');
  return s.substr(0, largura);
}

// Distance of a two-digit year from this year's, across the turn of a century too.
bool AnoProximo(const std::string& yy, int tolerancia) {
  if (yy.size() != 2 || !TextoNumerico(yy)) return false;
  int atual = YearOf(Today()) % 100;
  int d = std::abs((yy[0] - '0') * 10 + (yy[1] - '0') - atual);
  return std::min(d, 100 - d) <= tolerancia;
}

std::string ArquivoMunicipios(const std::string& uf, const std::string& pasta) {
  int codigo = SiglaParaCodigoUF(uf);
  if (codigo == 0) return "";
  std::filesystem::path p = pasta.empty() ? std::filesystem::path(PastaAplicacao()) / "MunIBGE" : std::filesystem::path(pasta);
  return (p / ("MunIBGE-UF" + std::to_string(codigo) + ".txt")).string();
}

}  // namespace

int GerarCodigoNumerico(int numero) {
  static std::mutex guarda;
  static std::mt19937_64 gerador = [] {
    std::random_device rd;
    std::seed_seq semente{rd(), rd(), rd(), rd(), rd(), rd(), rd(), rd()};
    return std::mt19937_64(semente);
  }();
  std::uniform_int_distribution<int> faixa(0, 99999998);
  std::lock_guard<std::mutex> lock(guarda);
  int c;
  do {
    c = faixa(gerador);
  } while (!CodigoNumericoValido(c, numero));
  return c;
}

std::string GerarChaveAcesso(int codigoUF, TDateTime emissao, const std::string& documento, int serie,
                             int numero, int tipoEmissao, int codigo, int modelo) {
  if (codigo == -1) codigo = 0;
  if (codigo == 0) codigo = GerarCodigoNumerico(numero);
  if (codigo < -1) codigo = 0;

  int ano, mes, dia;
  DecodeDate(emissao, ano, mes, dia);
  AccessKeyFields f;
  f.UF = Campo(codigoUF, kChaveUF.Tamanho);
  f.Ano = InteiroComZeros(ano % 100, kChaveAno.Tamanho);
  f.Mes = InteiroComZeros(mes, kChaveMes.Tamanho);
  f.CNPJ = DocumentoDaChave(documento);
  f.Modelo = Campo(modelo, kChaveModelo.Tamanho);
  f.Serie = Campo(serie, kChaveSerie.Tamanho);
  f.NNF = Campo(numero, kChaveNumero.Tamanho);
  f.TipoEmissao = Campo(tipoEmissao, kChaveTipoEmissao.Tamanho)[0];
  f.CNF = Campo(codigo, kChaveCodigo.Tamanho);
  DefinirDigitoChave(f);
  return ComporChaveAcesso(f);
}

bool ValidarNumeroDI(const std::string& texto) {
  std::string d = SomenteNumeros(texto);
  if (d.size() < 11 || d.size() > 12) return false;
  if (d[0] != '2' && d[0] != '4') return false;
  if (!AnoProximo(d.substr(1, 2), 1)) return false;
  return DigitoModulo11(d.substr(0, d.size() - 1), 2, 9) == d.substr(d.size() - 1);
}

bool ValidarNumeroDI12(const std::string& texto) {
  return texto.size() == 12 && TextoNumerico(texto) && AnoProximo(texto.substr(0, 2), 1);
}

bool ValidarNumeroRE(const std::string& texto) {
  if (texto.size() != 12 || !TextoNumerico(texto) || !AnoProximo(texto.substr(0, 2), 1)) return false;
  int seq = std::stoi(texto.substr(9, 3));
  return seq >= 1 && seq <= 999;
}

bool ValidarAtoDrawback(const std::string& texto) {
  std::string d = SomenteNumeros(texto);
  if (d.size() == 11) d = d.substr(2);
  if (d.size() != 9 || !AnoProximo(d.substr(0, 2), 2)) return false;
  return DigitoModulo11(d.substr(0, 8), 2, 9) == d.substr(8, 1);
}

bool ValidarRECOPI(const std::string& texto) {
  std::string d = SomenteNumeros(texto);
  if (d.size() != 20) return false;
  return DigitoModulo11(d.substr(0, 18), 1, 18) == d.substr(18, 1) &&
         DigitoModulo11(d.substr(0, 19), 1, 19) == d.substr(19, 1);
}

bool ValidarNVE(const std::string& texto) {
  if (texto.size() != 6) return false;
  auto letra = [](char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); };
  return letra(texto[0]) && letra(texto[1]) && TextoNumerico(texto.substr(2));
}

bool ContemAssinatura(const std::string& xml) {
  std::string s = xml;
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  if (s.find("<signature") != std::string::npos) return true;
  // A prefixed element (<ds:Signature) is a signature as well.
  for (std::size_t p = s.find(":signature"); p != std::string::npos; p = s.find(":signature", p + 1)) {
    std::size_t lt = s.rfind('<', p);
    if (lt == std::string::npos) continue;
    bool prefixo = lt + 1 < p;
    for (std::size_t i = lt + 1; i < p && prefixo; ++i) {
      unsigned char c = static_cast<unsigned char>(s[i]);
      prefixo = std::isalnum(c) || c == '_' || c == '-' || c == '.';
    }
    std::size_t fim = p + 10;
    if (prefixo && (fim >= s.size() || s[fim] == '>' || s[fim] == '/' || static_cast<unsigned char>(s[fim]) <= ' '))
      return true;
  }
  return false;
}

std::string ExtrairURI(const std::string& xml, const std::string& elemento, const std::string& atributo) {
  std::string nome = atributo.empty() ? "Id" : atributo;
  std::size_t inicio = 0;
  if (!elemento.empty()) {
    std::size_t p = xml.find("<" + elemento);
    if (p != std::string::npos) inicio = p;
  }
  // A whole attribute name: "Id=" must not match inside "xId=".
  std::size_t a = xml.find(nome + "=", inicio);
  while (a != std::string::npos && a > 0 && static_cast<unsigned char>(xml[a - 1]) > ' ')
    a = xml.find(nome + "=", a + 1);
  if (a == std::string::npos) return "";
  std::size_t q1 = xml.find('"', a + nome.size() + 1);
  if (q1 == std::string::npos) throw ETuimDFeException("Não encontrei inicio do URI: aspas inicial");
  std::size_t q2 = xml.find('"', q1 + 1);
  if (q2 == std::string::npos) throw ETuimDFeException("Não encontrei inicio do URI: aspas final");
  return xml.substr(q1 + 1, q2 - q1 - 1);
}

std::string NomeMunicipio(const std::string& uf, int codigo, const std::string& pasta) {
  std::string arquivo = ArquivoMunicipios(uf, pasta);
  if (arquivo.empty()) return "";
  std::ifstream in(arquivo, std::ios::binary);
  if (!in) return "";
  // The code field (columns 1-7) must match whole: "51" is no municipality of Mato Grosso.
  std::string alvo = std::to_string(codigo), linha;
  while (std::getline(in, linha)) {
    if (Trim(linha.substr(0, 7)) == alvo) return linha.size() > 8 ? Trim(linha.substr(8)) : "";
  }
  return "";
}

int CodigoMunicipio(const std::string& nome, const std::string& uf, const std::string& pasta) {
  std::string arquivo = ArquivoMunicipios(uf, pasta);
  if (arquivo.empty()) return 0;
  std::ifstream in(arquivo, std::ios::binary);
  if (!in) return 0;
  std::string alvo = Trim(UpperCase(RemoverAcentos(nome)));
  if (alvo.empty()) return 0;
  // An exact name wins over a longer one that merely begins with it.
  int prefixo = 0;
  std::string linha;
  while (std::getline(in, linha)) {
    if (linha.size() <= 8) continue;
    std::string campo = Trim(UpperCase(RemoverAcentos(linha.substr(8))));
    std::string cod = Trim(linha.substr(0, 7));
    if (!TextoNumerico(cod)) continue;
    if (campo == alvo) return std::stoi(cod);
    if (prefixo == 0 && campo.compare(0, alvo.size(), alvo) == 0) prefixo = std::stoi(cod);
  }
  return prefixo;
}

std::string CalcularHashCSRT(const std::string& csrt, const std::string& chave) {
  std::string dados = csrt + chave;
  unsigned char md[EVP_MAX_MD_SIZE];
  unsigned int n = 0;
  if (EVP_Digest(dados.data(), dados.size(), md, &n, EVP_sha1(), nullptr) != 1) return "";
  return CodificarBase64(std::string(reinterpret_cast<char*>(md), n));
}

}  // namespace tuim
