#include "xml/TuimLeitor.h"

#include <algorithm>
#include <charconv>
#include <fstream>
#include <limits>
#include <sstream>
#include <string_view>

#include "fiscal/TuimUtil.h"
#include "fiscal/TuimDateTime.h"
#include "fiscal/TuimException.h"
#include "fiscal/fscAuxiliar.h"

namespace tuim {
namespace {

constexpr std::size_t npos = std::string_view::npos;

bool Branco(char c) { return static_cast<unsigned char>(c) <= ' '; }

std::string_view Aparar(std::string_view s) {
  while (!s.empty() && Branco(s.front())) s.remove_prefix(1);
  while (!s.empty() && Branco(s.back())) s.remove_suffix(1);
  return s;
}

char Maiuscula(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

// Case-insensitive (ASCII) search of an upper-case needle, without copying the text.
std::size_t AcharSemCaixa(std::string_view texto, std::string_view agulhaMaiuscula, std::size_t inicio = 0) {
  const std::size_t n = agulhaMaiuscula.size();
  if (n == 0 || texto.size() < n) return npos;
  const char primeira = agulhaMaiuscula[0];
  for (std::size_t i = inicio; i + n <= texto.size(); ++i) {
    if (Maiuscula(texto[i]) != primeira) continue;
    std::size_t k = 1;
    while (k < n && Maiuscula(texto[i + k]) == agulhaMaiuscula[k]) ++k;
    if (k == n) return i;
  }
  return npos;
}

// Position just after the closing tag "</tag>" (else "</tag:...>") found first, npos when absent.
std::size_t FimDoFechamento(std::string_view texto, const std::string& tag, std::size_t* inicioFechamento = nullptr) {
  const std::string simples = "</" + tag + ">";
  std::size_t p = texto.find(simples);
  if (p != npos) {
    if (inicioFechamento) *inicioFechamento = p;
    return p + simples.size();
  }
  const std::string prefixado = "</" + tag + ":";
  p = texto.find(prefixado);
  if (p == npos) return npos;
  std::size_t gt = texto.find('>', p + prefixado.size());
  if (gt == npos) return npos;
  if (inicioFechamento) *inicioFechamento = p;
  return gt + 1;
}

int Numero(std::string_view texto, std::size_t posicao, std::size_t tamanho) {
  // Characters `posicao`..`posicao + tamanho - 1` (1-based) as a number; anything else raises.
  std::string_view parte;
  if (posicao >= 1 && posicao - 1 < texto.size()) parte = texto.substr(posicao - 1, tamanho);
  int v = 0;
  bool ok = !parte.empty();
  for (char c : parte) {
    if (c < '0' || c > '9') {
      ok = false;
      break;
    }
    v = v * 10 + (c - '0');
  }
  if (!ok) throw ETuimDFeException("'" + std::string(parte) + "' não é um valor inteiro válido");
  return v;
}

TDateTime Data(int ano, int mes, int dia) {
  TDateTime d = 0;
  if (!TryEncodeDate(ano, mes, dia, d)) throw ETuimDFeException("Data inválida");
  return d;
}

TDateTime Hora(int h, int m, int s) {
  TDateTime t = 0;
  if (!TryEncodeTime(h, m, s, 0, t)) throw ETuimDFeException("Hora inválida");
  return t;
}

TDateTime DataHora(int ano, int mes, int dia, int h, int m, int s) {
  TDateTime d = Data(ano, mes, dia), t = Hora(h, m, s);
  return d >= 0 ? d + t : d - t;
}

}  // namespace

const std::string& TLeitor::Niveis(int nivel) const {
  static const std::string kVazio;
  if (nivel == 0) return fArquivo;
  if (nivel < 0 || nivel >= kNiveis) return kVazio;
  return fNiveis[static_cast<std::size_t>(nivel)];
}

void TLeitor::SetNiveis(int nivel, std::string v) {
  if (nivel < 1 || nivel >= kNiveis) return;
  fNiveis[static_cast<std::size_t>(nivel)] = std::move(v);
  fGeracao[static_cast<std::size_t>(nivel)] = ++fContadorGeracao;
}

bool TLeitor::LerArquivo(const std::string& caminho) {
  std::ifstream f(caminho, std::ios::binary);
  if (!f) throw ETuimDFeException("Não foi possível abrir o arquivo \"" + caminho + "\"");
  std::ostringstream os;
  os << f.rdbuf();
  if (f.bad()) throw ETuimDFeException("Não foi possível ler o arquivo \"" + caminho + "\"");
  const std::string bruto = os.str();
  std::string texto;
  texto.reserve(bruto.size() + bruto.size() / 32);
  std::size_t i = 0;
  bool primeira = true;
  while (i < bruto.size()) {
    std::size_t p = bruto.find_first_of("\r\n", i);
    if (!primeira) texto += "\r\n";
    primeira = false;
    if (p == std::string::npos) {
      texto.append(bruto, i, std::string::npos);
      break;
    }
    texto.append(bruto, i, p - i);
    i = p + 1;
    if (bruto[p] == '\r' && i < bruto.size() && bruto[i] == '\n') ++i;
  }
  SetArquivo(std::move(texto));
  return true;
}

std::string TLeitor::ExtrairGrupo(int nivel, const std::string& tagInicioBruta, const std::string& tagFimBruta,
                                  int ocorrencia) {
  if (nivel < 1 || nivel >= kNiveis) return {};
  const std::string tagInicio(Aparar(tagInicioBruta));
  std::string tagFim(Aparar(tagFimBruta));
  if (tagFim.empty()) tagFim = tagInicio;

  std::string_view texto = Niveis(nivel - 1);
  fGrupo.clear();
  if (tagInicio.empty()) return {};

  const std::size_t origem = static_cast<std::size_t>(nivel - 1);
  const int pular = std::max(ocorrencia - 1, 0);
  TOcorrenciaLida& ultima = fUltimaOcorrencia;
  std::size_t base = 0;
  int saltadas = 0;
  if (ultima.nivel == nivel - 1 && ultima.geracao == fGeracao[origem] && ultima.tagFim == tagFim &&
      ultima.saltadas <= pular && ultima.posicao <= texto.size()) {
    base = ultima.posicao;
    saltadas = ultima.saltadas;
  }
  const std::string fechamento = "</" + tagFim + ">";
  for (; saltadas < pular; ++saltadas) {
    std::size_t p = texto.find(fechamento, base);
    if (p == npos) return {};  // fewer occurrences than asked
    base = p + fechamento.size();
  }
  ultima.nivel = nivel - 1;
  ultima.geracao = fGeracao[origem];
  ultima.tagFim = tagFim;
  ultima.saltadas = saltadas;
  ultima.posicao = base;
  texto.remove_prefix(base);

  std::size_t corte = FimDoFechamento(texto, tagFim);
  if (corte == npos) return {};
  texto = texto.substr(0, corte);

  std::size_t inicio = texto.find("<" + tagInicio + ">");
  if (inicio == npos) inicio = texto.find("<" + tagInicio + " ");
  if (inicio == npos) inicio = texto.find("<" + tagInicio + ":");
  if (inicio == npos) return {};

  texto.remove_prefix(inicio);
  std::size_t fim = FimDoFechamento(texto, tagFim);
  if (fim == npos) return {};
  std::string_view grupo = texto.substr(0, fim);
  while (!grupo.empty() && Branco(grupo.back())) grupo.remove_suffix(1);

  fNiveis[static_cast<std::size_t>(nivel)] = std::string(grupo);
  fGeracao[static_cast<std::size_t>(nivel)] = ++fContadorGeracao;
  fGrupo = fNiveis[static_cast<std::size_t>(nivel)];
  return fGrupo;
}

TValorCampo TLeitor::LerCampo(TFormatoCampo tipo, const std::string& tagBruta, const std::string& tagParadaBruta) {
  const std::string tag = UpperCase(std::string(Aparar(tagBruta)));
  const std::string parada = UpperCase(std::string(Aparar(tagParadaBruta)));
  std::string_view grupo = fGrupo;

  std::string_view campo;
  if (!tag.empty()) {
    const std::string abre = "<" + tag + ">";
    std::size_t p = AcharSemCaixa(grupo, abre);
    bool conta = p != npos;
    if (conta && !parada.empty()) {
      std::size_t q = AcharSemCaixa(grupo, "<" + parada + ">");
      if (q != npos && q < p) conta = false;
    }
    if (conta) {
      std::size_t inicio = p + abre.size();
      // The closing tag that follows this opening one; none means no field.
      std::size_t fim = AcharSemCaixa(grupo, "</" + tag + ">", inicio);
      if (fim != npos) campo = Aparar(grupo.substr(inicio, fim - inicio));
    }
  }

  if (tipo == fcLogico || tipo == fcTextoBruto || tipo == fcTextoZeros)
    throw ETuimDFeException("Tag <" + tag + "> com conteúdo inválido. " + std::string(campo));

  if (campo.empty()) {
    if (tipo == fcTexto || tipo == fcDigitos) return TValorCampo(std::string());
    return TValorCampo(0);
  }

  switch (tipo) {
    case fcTexto:
      return TValorCampo(DecodificarEntidadesXML(std::string(campo)));
    case fcDigitos:
      return TValorCampo(std::string(campo));
    case fcInteiro: {
      std::int64_t v = 0;
      bool estourou = false;
      for (char c : campo) {
        if (c < '0' || c > '9') continue;
        if (v > (std::numeric_limits<std::int64_t>::max() - 9) / 10) {
          estourou = true;
          break;
        }
        v = v * 10 + (c - '0');
      }
      return TValorCampo(static_cast<long long>(estourou ? 0 : v));
    }
    case fcDecimal2:
    case fcDecimal3:
    case fcDecimal4:
    case fcDecimal6:
    case fcDecimal10: {
      TValorCampo texto{std::string(campo)};
      std::string dec;
      if (!texto.TextoDecimal(dec)) return TValorCampo(0.0);
      double v = 0;
      std::from_chars(dec.data(), dec.data() + dec.size(), v);
      return TValorCampo::RealDeTexto(v, dec);
    }
    case fcData:
      return TValorCampo(Data(Numero(campo, 1, 4), Numero(campo, 6, 2), Numero(campo, 9, 2)));
    case fcDataHora:
      if (campo.find('/') != npos) {
        if (campo.size() <= 10)
          return TValorCampo(Data(Numero(campo, 7, 4), Numero(campo, 4, 2), Numero(campo, 1, 2)));
        return TValorCampo(DataHora(Numero(campo, 7, 4), Numero(campo, 4, 2), Numero(campo, 1, 2),
                                    Numero(campo, 12, 2), Numero(campo, 15, 2), Numero(campo, 18, 2)));
      }
      if (campo.size() <= 10)
        return TValorCampo(Data(Numero(campo, 1, 4), Numero(campo, 6, 2), Numero(campo, 9, 2)));
      return TValorCampo(DataHora(Numero(campo, 1, 4), Numero(campo, 6, 2), Numero(campo, 9, 2),
                                  Numero(campo, 12, 2), Numero(campo, 15, 2), Numero(campo, 18, 2)));
    case fcHora:
      return TValorCampo(Hora(Numero(campo, 1, 2), Numero(campo, 4, 2), Numero(campo, 7, 2)));
    case fcDataCompacta:
      return TValorCampo(Data(Numero(campo, 1, 4), Numero(campo, 5, 2), Numero(campo, 7, 2)));
    case fcHoraCompacta:
      return TValorCampo(Hora(Numero(campo, 1, 2), Numero(campo, 3, 2), Numero(campo, 5, 2)));
    case fcDataBarras:
      return TValorCampo(Data(Numero(campo, 7, 4), Numero(campo, 4, 2), Numero(campo, 1, 2)));
    case fcDataHoraCompacta:
      return TValorCampo(DataHora(Numero(campo, 1, 4), Numero(campo, 5, 2), Numero(campo, 7, 2),
                                  Numero(campo, 9, 2), Numero(campo, 11, 2), Numero(campo, 13, 2)));
    default:
      break;
  }
  return TValorCampo(0);
}

std::string TLeitor::LerCampoCNPJCPF(const std::string& tagParada) {
  std::string r = LerCampo(fcTexto, "CNPJ", tagParada).AsString();
  if (Aparar(r).empty()) r = LerCampo(fcTexto, "CPF", tagParada).AsString();
  return r;
}

TValorCampo TLeitor::LerAtributo(const std::string& atributoBruto, const std::string& grupoTagBruta) {
  const std::string atributo(Aparar(atributoBruto));
  const std::string grupoTag(Aparar(grupoTagBruta));
  if (atributo.empty()) return TValorCampo(std::string());
  std::string_view grupo = fGrupo;

  std::string busca = atributo;
  std::size_t p;
  if (busca.back() == '=') {
    p = grupo.find(busca);
  } else {
    busca = atributo + "=";
    p = grupo.find(busca);
    if (p == npos) {
      busca = atributo + " ";
      p = grupo.find(busca);
    }
  }
  if (!grupoTag.empty()) {
    std::size_t g = grupo.find(grupoTag);
    if (g != npos && p != npos && p < g) p = grupo.find(busca, g);
  }
  if (p == npos) return TValorCampo(std::string());

  std::size_t aspa = grupo.find_first_of("\"'", p + busca.size());
  if (aspa == npos) return TValorCampo(std::string());
  std::size_t fecha = grupo.find(grupo[aspa], aspa + 1);
  if (fecha == npos) return TValorCampo(std::string());
  std::string_view valor = grupo.substr(aspa + 1, fecha - aspa - 1);
  while (!valor.empty() && Branco(valor.front())) valor.remove_prefix(1);
  if (valor.empty()) return TValorCampo(std::string());
  return TValorCampo(DecodificarEntidadesXML(std::string(valor)));
}

std::string TLeitor::LerTexto(const std::string& tag, const std::string& tagParada) {
  return LerCampo(fcTexto, tag, tagParada).AsString();
}

int TLeitor::LerInteiro(const std::string& tag, const std::string& tagParada) {
  return LerCampo(fcInteiro, tag, tagParada).AsInteger();
}

TDateTime TLeitor::LerDataHora(const std::string& tag, const std::string& tagParada) {
  return LerCampo(fcDataHora, tag, tagParada).AsDateTime();
}

TDateTime TLeitor::LerData(const std::string& tag, const std::string& tagParada) {
  return LerCampo(fcData, tag, tagParada).AsDateTime();
}

TfscTipoAmbiente TLeitor::LerAmbiente(const std::string& tag, const std::string& tagParada) {
  bool ok = false;
  return TextoParaTipoAmbiente(ok, LerTexto(tag, tagParada));
}

int TLeitor::LerCStat(const std::string& tagParada) {
  const std::string texto = LerCampo(fcDigitos, "cStat", tagParada).AsString();
  bool digitos = texto.size() == 3 || texto.size() == 4;
  for (char c : texto) digitos = digitos && c >= '0' && c <= '9';
  // A code read loosely (letters dropped, a missing one taken as 0) would pass for a status.
  if (!digitos) throw ETuimDFeException("cStat inválido na resposta: '" + texto + "'");
  return std::stoi(texto);
}

void TCabecalhoRetorno::LerCabecalho(TLeitor& l, const std::string& raiz, const std::string& parada) {
  if (!raiz.empty()) versao = l.LerAtributo("versao", raiz).AsString();
  tpAmb = l.LerAmbiente("tpAmb", parada);
  verAplic = l.LerTexto("verAplic", parada);
  cStat = l.LerCStat(parada);
  xMotivo = l.LerTexto("xMotivo", parada);
  cUF = l.LerInteiro("cUF", parada);
  dhRecbto = l.LerDataHora("dhRecbto", parada);
}

}  // namespace tuim
