#include "xml/TuimGerador.h"

#include <algorithm>
#include <cmath>
#include <string_view>

#include "fiscal/TuimDateTime.h"
#include "fiscal/TuimUtil.h"
#include "fiscal/fscAuxiliar.h"

namespace tuim {

const char* const kAlertaNenhumValor = "Nenhum valor informado";
const char* const kAlertaTamanhoMenor = "Tamanho menor que o mínimo permitido";
const char* const kAlertaTamanhoMaior = "Tamanho maior que o máximo permitido";
const char* const kAlertaConteudoInvalido = "Conteúdo inválido";

namespace {

const char kPlaceholderTXT = '\xA8';  // the diaeresis that ends a field name in a TXT template

bool Branco(char c) { return static_cast<unsigned char>(c) <= ' '; }

std::string Aparar(std::string_view s) {
  while (!s.empty() && Branco(s.front())) s.remove_prefix(1);
  while (!s.empty() && Branco(s.back())) s.remove_suffix(1);
  return std::string(s);
}

void SubstituirTodos(std::string& s, std::string_view de, std::string_view para) {
  if (de.empty()) return;
  std::string r;
  std::size_t inicio = 0, p;
  bool achou = false;
  while ((p = s.find(de, inicio)) != std::string::npos) {
    if (!achou) r.reserve(s.size());
    achou = true;
    r.append(s, inicio, p - inicio);
    r.append(para);
    inicio = p + de.size();
  }
  if (!achou) return;
  r.append(s, inicio, std::string::npos);
  s = std::move(r);
}

// True when the XML text filter would return the text unchanged whatever its flags:
// printable ASCII without markup characters, double spaces or blanks at the ends.
// Numbers, codes and most names take this way and skip the filter's copies.
bool TextoJaPreparado(std::string_view t) {
  if (t.empty() || t.front() == ' ' || t.back() == ' ') return t.empty();
  char anterior = 0;
  for (char c : t) {
    unsigned char u = static_cast<unsigned char>(c);
    if (u < 32 || u > 126 || c == '&' || c == '<' || c == '>' || c == '"' || c == '\'' || (c == ' ' && anterior == ' '))
      return false;
    anterior = c;
  }
  return true;
}

std::string DoisDigitos(int v) {
  char b[3] = {static_cast<char>('0' + (v / 10) % 10), static_cast<char>('0' + v % 10), 0};
  return b;
}

std::string QuatroDigitos(int v) {
  if (v < 0) v = 0;
  std::string s = std::to_string(v);
  if (s.size() < 4) s.insert(0, 4 - s.size(), '0');
  return s;
}

int CasasDecimais(TFormatoCampo tipo) {
  switch (tipo) {
    case fcDecimal2: return 2;
    case fcDecimal3: return 3;
    case fcDecimal4: return 4;
    case fcDecimal6: return 6;
    case fcDecimal10: return 10;
    default: return -1;
  }
}

// "[-]int[.frac]" rounded half away from zero to `casas` places: sign, integer and fraction
// digits; "-0.00" loses its sign.
struct TDecimalArredondado {
  bool negativo = false;
  std::string inteiros = "0";
  std::string fracao;
  bool Zero() const {
    return inteiros.find_first_not_of('0') == std::string::npos &&
           fracao.find_first_not_of('0') == std::string::npos;
  }
};

TDecimalArredondado ArredondarDecimal(const std::string& dec, int casas) {
  TDecimalArredondado r;
  r.fracao.assign(casas, '0');
  if (dec.empty()) return r;
  std::size_t i = 0;
  bool neg = dec[0] == '-';
  if (neg) i = 1;
  std::size_t ponto = dec.find('.', i);
  std::string inteiros = dec.substr(i, ponto == std::string::npos ? std::string::npos : ponto - i);
  std::string fracao = ponto == std::string::npos ? std::string() : dec.substr(ponto + 1);
  bool subir = fracao.size() > static_cast<std::size_t>(casas) && fracao[casas] >= '5';
  fracao.resize(casas, '0');
  if (inteiros.empty()) inteiros = "0";
  if (subir) {
    std::string todos = inteiros + fracao;
    std::size_t k = todos.size();
    while (k > 0) {
      --k;
      if (todos[k] == '9') {
        todos[k] = '0';
      } else {
        ++todos[k];
        break;
      }
      if (k == 0) todos.insert(0, "1");
    }
    inteiros = todos.substr(0, todos.size() - casas);
    fracao = todos.substr(todos.size() - casas);
  }
  std::size_t nz = inteiros.find_first_not_of('0');
  inteiros = nz == std::string::npos ? "0" : inteiros.substr(nz);
  r.inteiros = inteiros;
  r.fracao = fracao;
  r.negativo = neg && !r.Zero();
  return r;
}

// Zeros after the sign, so that "-5" filled to 4 reads "-005".
void PreencherZeros(std::string& texto, int min) {
  if (min <= 0 || texto.size() >= static_cast<std::size_t>(min)) return;
  std::size_t pos = (!texto.empty() && texto[0] == '-') ? 1 : 0;
  texto.insert(pos, static_cast<std::size_t>(min) - texto.size(), '0');
}

TDateTime DataHoraDoValor(const TValorCampo& v) {
  if (v.Tipo() == tvTexto) {
    // ISO "YYYY-MM-DD[Thh:mm:ss]" or "DD/MM/YYYY[ hh:mm:ss]"; anything else is the zero date.
    std::string t = Aparar(v.Texto());
    auto num = [&](std::size_t p, std::size_t n, int& out) {
      if (p + n > t.size()) return false;
      out = 0;
      for (std::size_t i = p; i < p + n; ++i) {
        if (t[i] < '0' || t[i] > '9') return false;
        out = out * 10 + (t[i] - '0');
      }
      return true;
    };
    int y = 0, m = 0, d = 0, hh = 0, mm = 0, ss = 0;
    bool ok = false;
    if (t.size() >= 10 && t[4] == '-' && t[7] == '-') {
      ok = num(0, 4, y) && num(5, 2, m) && num(8, 2, d);
      if (ok && t.size() >= 19) ok = num(11, 2, hh) && num(14, 2, mm) && num(17, 2, ss);
    } else if (t.size() >= 10 && t[2] == '/' && t[5] == '/') {
      ok = num(0, 2, d) && num(3, 2, m) && num(6, 4, y);
      if (ok && t.size() >= 19) ok = num(11, 2, hh) && num(14, 2, mm) && num(17, 2, ss);
    }
    TDateTime dt = 0;
    if (ok && TryEncodeDateTime(y, m, d, hh, mm, ss, 0, dt)) return dt;
    return 0;
  }
  double d = v.AsDouble();
  return std::isfinite(d) ? d : 0;
}

void PartesDataHora(TDateTime dt, int& y, int& m, int& d, int& hh, int& mm, int& ss) {
  int ms = 0;
  // Whole seconds: a time such as 14:30:44.9996 is written as 14:30:45.
  std::int64_t msecs = DateTimeToMSecs(dt);
  msecs = (msecs >= 0 ? msecs + 500 : msecs - 500) / 1000 * 1000;
  DecodeDateTime(MSecsToDateTime(msecs), y, m, d, hh, mm, ss, ms);
}

bool AlertaTextoVazio(const std::string& a) { return Aparar(a).empty(); }

}  // namespace

TGeradorOpcoes::TGeradorOpcoes() : fFormatoAlerta("TAG:%TAGNIVEL% ID:%ID%/%TAG%(%DESCRICAO%) - %MSG%.") {}

TGerador::TGerador() = default;
TGerador::~TGerador() = default;

const std::string& TGerador::ArquivoFormatoTXT() const {
  if (!fTXTAtual) {
    fTXT.clear();
    const char* sep = fTXTAjustado ? "\r\n" : "\r";
    for (std::size_t i = 0; i < fLinhasTXT.size(); ++i) {
      fTXT += fLinhasTXT[i];
      if (!fTXTAjustado || i + 1 < fLinhasTXT.size()) fTXT += sep;
    }
    fTXTAtual = true;
  }
  return fTXT;
}

void TGerador::SetArquivoFormatoTXT(const std::string& v) {
  fLinhasTXT.clear();
  fInicioRegistroTXT = 0;
  fTXTAjustado = false;
  std::size_t i = 0;
  while (i < v.size()) {
    std::size_t p = v.find('\r', i);
    if (p == std::string::npos) {
      fLinhasTXT.push_back(v.substr(i));
      break;
    }
    fLinhasTXT.push_back(v.substr(i, p - i));
    i = p + 1;
    if (i < v.size() && v[i] == '\n') ++i;
  }
  fTXTAtual = false;
}

void TGerador::EscreverIdentacao() {
  if (!fOpcoes.IdentarXML()) return;
  long n = static_cast<long>(fOpcoes.TamanhoIdentacao()) * fOpcoes.NivelIdentacao();
  if (n > 0) fXML.append(static_cast<std::size_t>(n), ' ');
}

void TGerador::RegistrarAlerta(const std::string& id, const std::string& tag, const std::string& descricao,
                               const std::string& alerta) {
  if (AlertaTextoVazio(alerta)) return;
  std::string linha = fOpcoes.FormatoAlerta();
  SubstituirTodos(linha, "%TAGNIVEL%", fCaminho);
  SubstituirTodos(linha, "%TAG%", tag);
  SubstituirTodos(linha, "%ID%", id);
  SubstituirTodos(linha, "%MSG%", alerta);
  SubstituirTodos(linha, "%DESCRICAO%", Aparar(descricao));
  fAlertas.push_back(std::move(linha));
}

void TGerador::EscreverGrupo(const std::string& tag, const std::string& id, bool recuar) {
  AbrirRegistroTXT(id);
  bool fecha = !tag.empty() && tag[0] == '/';

  if (ModoTXT()) {
    // The first attribute of the group fills its TXT field.
    std::size_t eq = tag.find("=\"");
    if (eq == std::string::npos) eq = tag.find("= \"");
    if (eq != std::string::npos) {
      std::size_t q1 = tag.find('"');
      std::size_t q2 = q1 == std::string::npos ? std::string::npos : tag.find('"', q1 + 1);
      std::size_t sp = tag.find(' ');
      std::size_t igual = sp == std::string::npos ? std::string::npos : tag.find('=', sp);
      if (q2 != std::string::npos && igual != std::string::npos)
        PreencherCampoTXT(tag.substr(sp + 1, igual - sp - 1), tag.substr(q1 + 1, q2 - q1 - 1));
    }
  }

  if (!IniciaComPrefixo(tag, fPrefixosSemCaminho)) {
    if (!fecha) {
      fCaminho += '<';
      fCaminho += tag;
      fCaminho += '>';
    } else if (tag.compare(1, 3, "det") == 0) {
      // Items open with attributes ("det nItem=..."): cut at the entry of this very name, so
      // that closing a detExport inside an item does not also close the item.
      const std::string nome = "<" + tag.substr(1);
      std::size_t p = fCaminho.find(nome);
      while (p != std::string::npos && p + nome.size() < fCaminho.size() && fCaminho[p + nome.size()] != ' ' &&
             fCaminho[p + nome.size()] != '>')
        p = fCaminho.find(nome, p + 1);
      if (p != std::string::npos) fCaminho.resize(p);
    } else {
      std::string entrada = "<" + tag.substr(1) + ">";
      std::size_t p = fCaminho.find(entrada);
      if (p != std::string::npos) fCaminho.erase(p, entrada.size());
    }
  }

  if (recuar && fecha) fOpcoes.SetNivelIdentacao(fOpcoes.NivelIdentacao() - 1);
  if (IniciaComPrefixo(tag, fPrefixosSemRecuo)) fOpcoes.SetNivelIdentacao(fOpcoes.NivelIdentacao() - 1);

  if (!fOpcoes.SomenteValidar()) {
    EscreverIdentacao();
    fXML += '<';
    fXML += tag;
    fXML += '>';
    if (fOpcoes.IdentarXML()) fXML += "\r\n";
  }

  if (recuar && !fecha) fOpcoes.SetNivelIdentacao(fOpcoes.NivelIdentacao() + 1);
}

void TGerador::EscreverCampo(TFormatoCampo tipo, const std::string& idBruto, const std::string& tagBruta, int min,
                             int max, int ocorrencias, const TValorCampo& valor, const std::string& descricao,
                             bool tratarTexto, const std::string& atributoBruto) {
  const std::string id = Aparar(idBruto);
  const std::string tag = Aparar(tagBruta);
  std::string atributo = Aparar(atributoBruto);
  const bool obrigatorio = ocorrencias > 0;

  std::string texto;
  bool vazio = false;
  int casas = CasasDecimais(tipo);

  switch (tipo) {
    case fcTexto:
      texto = Aparar(valor.AsString());
      vazio = texto.empty();
      break;
    case fcTextoBruto:
      texto = valor.AsString();
      vazio = texto.empty();
      break;
    case fcTextoZeros:
      texto = Aparar(valor.AsString());
      vazio = texto.empty();
      PreencherZeros(texto, min);
      break;
    case fcDigitos: {
      std::string bruto = valor.AsString();
      texto = Aparar(bruto);
      vazio = bruto.empty();
      // An absent optional number is not invalid; only a given text is checked.
      if (!vazio && !TextoNumerico(texto)) RegistrarAlerta(id, tag, descricao, kAlertaConteudoInvalido);
      break;
    }
    case fcInteiro: {
      std::int64_t v = valor.AsInt64();
      texto = std::to_string(v);
      vazio = v == 0 && !obrigatorio;
      PreencherZeros(texto, min);
      break;
    }
    case fcDecimal2:
    case fcDecimal3:
    case fcDecimal4:
    case fcDecimal6:
    case fcDecimal10: {
      std::string dec;
      if (!valor.TextoDecimal(dec)) dec = "0";
      TDecimalArredondado d = ArredondarDecimal(dec, casas);
      bool semFracao = d.fracao.find_first_not_of('0') == std::string::npos;
      if (fOpcoes.SuprimirDecimais() && semFracao) {
        texto = d.inteiros;
      } else {
        texto = d.inteiros;
        texto += fOpcoes.DecimalChar();
        texto += d.fracao;
      }
      if (d.negativo) texto.insert(0, "-");
      if (d.negativo && !d.Zero() && fOpcoes.AlertarNegativos())
        RegistrarAlerta(id, tag, descricao, kAlertaConteudoInvalido);
      // Judged on the rounded value: 0.004 with two decimals is an absent optional amount.
      vazio = d.Zero() && !obrigatorio;
      if (!fOpcoes.SuprimirDecimais()) {
        ++min;
        ++max;
      }
      PreencherZeros(texto, min);
      break;
    }
    case fcData:
    case fcDataCompacta:
    case fcDataBarras:
    case fcDataHora:
    case fcHora:
    case fcHoraCompacta:
    case fcDataHoraCompacta: {
      TDateTime dt = DataHoraDoValor(valor);
      int y, m, d, hh, mm, ss;
      PartesDataHora(dt, y, m, d, hh, mm, ss);
      bool dataZero = std::trunc(dt) == 0;
      switch (tipo) {
        case fcData:
          texto = QuatroDigitos(y) + "-" + DoisDigitos(m) + "-" + DoisDigitos(d);
          vazio = dataZero;
          break;
        case fcDataCompacta:
          texto = QuatroDigitos(y) + DoisDigitos(m) + DoisDigitos(d);
          vazio = dataZero;
          break;
        case fcDataBarras:
          texto = DoisDigitos(d) + "/" + DoisDigitos(m) + "/" + QuatroDigitos(y);
          vazio = dataZero;
          break;
        case fcHora:
          texto = DoisDigitos(hh) + ":" + DoisDigitos(mm) + ":" + DoisDigitos(ss);
          vazio = hh == 0 && mm == 0 && ss == 0;
          break;
        case fcHoraCompacta:
          texto = DoisDigitos(hh) + DoisDigitos(mm) + DoisDigitos(ss);
          vazio = hh == 0 && mm == 0 && ss == 0;
          break;
        default:  // fcDataHora (and the read-only compact form, written the same way)
          texto = QuatroDigitos(y) + "-" + DoisDigitos(m) + "-" + DoisDigitos(d) + "T" + DoisDigitos(hh) + ":" +
                  DoisDigitos(mm) + ":" + DoisDigitos(ss);
          vazio = dataZero;
          break;
      }
      break;
    }
    case fcLogico:
      texto = valor.AsBoolean() ? "true" : "false";
      vazio = false;
      break;
  }

  std::string alerta;
  const std::size_t tamanho = texto.size();
  if (obrigatorio && vazio && min > 0)
    alerta = kAlertaNenhumValor;
  else if (!texto.empty() && tamanho < static_cast<std::size_t>(std::max(min, 0)))
    alerta = kAlertaTamanhoMenor;
  if (max >= 0 && tamanho > static_cast<std::size_t>(max)) alerta = kAlertaTamanhoMaior;
  if (!alerta.empty() && alerta != kAlertaNenhumValor && !vazio) alerta += " [" + texto + "]";
  RegistrarAlerta(id, tag, descricao, alerta);

  if (fOpcoes.SomenteValidar()) return;

  PreencherCampoTXT(tag, vazio ? std::string() : texto);

  if (!atributo.empty()) atributo.insert(0, " ");

  if (obrigatorio && vazio) {
    if (fOpcoes.IdentarXML()) {
      // The attribute stays: an empty element such as a signature's method is all attribute.
      EscreverIdentacao();
      if (fOpcoes.TagVaziaNoFormatoResumido())
        fXML += "<" + tag + atributo + "/>";
      else
        fXML += "<" + tag + atributo + "></" + tag + ">";
      fXML += "\r\n";
    } else if (fOpcoes.TagVaziaNoFormatoResumido()) {
      fXML += "<" + tag + atributo + "/>";
    } else {
      fXML += "<" + tag + atributo + "></" + tag + ">";
    }
    return;
  }
  if (vazio) return;

  EscreverIdentacao();
  fXML += '<';
  fXML += tag;
  fXML += atributo;
  fXML += '>';
  if (tratarTexto && !TextoJaPreparado(texto))
    fXML += PrepararTextoXML(fOpcoes.RetirarEspacos(), texto, fOpcoes.RetirarAcentos(), true, ";");
  else
    fXML += texto;
  fXML += "</";
  fXML += tag;
  fXML += '>';
  if (fOpcoes.IdentarXML()) fXML += "\r\n";
}

void TGerador::EscreverCampoCNPJCPF(const std::string& id1, const std::string& id2, const std::string& documento,
                                    bool obrigatorio, bool ajustarTamanho) {
  std::string bruto = Aparar(documento);
  // A CPF never has letters; an alphanumeric CNPJ keeps its upper-case letters.
  bool alfanumerico = std::any_of(bruto.begin(), bruto.end(), [](char c) { return c >= 'A' && c <= 'Z'; });
  std::string doc;
  for (char c : bruto)
    if ((c >= '0' && c <= '9') || (alfanumerico && c >= 'A' && c <= 'Z')) doc += c;

  const int ocorrencias = obrigatorio ? 1 : 0;
  if (!alfanumerico && !doc.empty() && doc.size() <= 11) {
    if (ajustarTamanho && doc.size() != 11) doc.insert(0, 11 - doc.size(), '0');
    EscreverCampo(fcTexto, id2, "CPF", 0, 11, ocorrencias, doc);
    if (!ValidarCPF(doc)) RegistrarAlerta(id2, "CPF", "CPF", kAlertaConteudoInvalido);
  } else {
    if (ajustarTamanho && doc.size() != 14 && (obrigatorio || !doc.empty())) {
      if (doc.size() < 14)
        doc.insert(0, 14 - doc.size(), '0');
      else
        doc.resize(14);
    }
    EscreverCampo(fcTexto, id1, "CNPJ", 0, 14, ocorrencias, doc);
    if (!doc.empty() && !ValidarCNPJ(doc)) RegistrarAlerta(id1, "CNPJ", "CNPJ", kAlertaConteudoInvalido);
  }
  if (doc.size() != 0 && doc.size() != 11 && doc.size() != 14)
    RegistrarAlerta(id1 + "-" + id2, "CNPJ-CPF", "CNPJ/CPF", kAlertaConteudoInvalido);
}

void TGerador::EscreverCampoCNPJ(const std::string& id, const std::string& cnpj, int codigoPais, bool obrigatorio) {
  if (codigoPais != 1058) {
    EscreverCampo(fcTexto, id, "CNPJ", 0, 0, 1, "");
    return;
  }
  std::string bruto = Aparar(cnpj);
  bool alfanumerico = std::any_of(bruto.begin(), bruto.end(), [](char c) { return c >= 'A' && c <= 'Z'; });
  std::string doc;
  for (char c : bruto)
    if ((c >= '0' && c <= '9') || (alfanumerico && c >= 'A' && c <= 'Z')) doc += c;
  // An alphanumeric CNPJ is not made of digits only, so it goes out as plain text.
  EscreverCampo(alfanumerico ? fcTexto : fcDigitos, id, "CNPJ", 14, 14, obrigatorio ? 1 : 0, doc, "CNPJ(MF)");
  // An absent optional CNPJ is not an invalid one.
  if ((obrigatorio || !doc.empty()) && !ValidarCNPJ(doc))
    RegistrarAlerta(id, "CNPJ", "CNPJ(MF)", kAlertaConteudoInvalido);
}

void TGerador::EscreverTexto(const std::string& texto) {
  if (fOpcoes.SomenteValidar()) return;
  fXML += texto;
}

void TGerador::AbrirRegistroTXT(const std::string& id) {
  if (!ModoTXT()) return;
  fIDNivel = UpperCase(id);
  if (fIDNivel.empty()) return;
  const std::string marca = "<" + fIDNivel + ">";
  fInicioRegistroTXT = fLinhasTXT.size();
  for (const std::string& linha : fLayoutTXT) {
    if (linha.find(marca) != std::string::npos) {
      if (fTXTAjustado) fTXTAjustado = false;
      fLinhasTXT.push_back(linha);
      fTXTAtual = false;
    }
  }
}

void TGerador::PreencherCampoTXT(const std::string& tag, const std::string& valor) {
  if (!ModoTXT() || fIDNivel.empty()) return;
  const std::string marca = "<" + fIDNivel + ">";
  const std::string campo = "|" + UpperCase(std::string(Aparar(tag))) + kPlaceholderTXT;
  // Only the records of the group opened last: an earlier item's unfilled field must not
  // take the value of a later item.
  for (std::size_t i = fInicioRegistroTXT; i < fLinhasTXT.size(); ++i) {
    std::string& linha = fLinhasTXT[i];
    if (linha.find(marca) == std::string::npos) continue;
    if (UpperCase(linha).find(campo) == std::string::npos) continue;
    std::size_t p = linha.find(campo);
    if (p == std::string::npos) continue;
    linha.replace(p, campo.size(), "|" + valor);
    fTXTAtual = false;
  }
}

void TGerador::AjustarRegistrosTXT(const std::string& id) {
  if (!ModoTXT()) return;
  std::vector<std::string> marcadores;
  for (const std::string& modelo : fLayoutTXT) {
    std::size_t p = 0;
    while ((p = modelo.find('|', p)) != std::string::npos) {
      std::size_t fim = modelo.find(kPlaceholderTXT, p + 1);
      if (fim == std::string::npos) break;
      std::size_t proximaBarra = modelo.find('|', p + 1);
      if (proximaBarra != std::string::npos && proximaBarra < fim) {
        p = proximaBarra;
        continue;
      }
      std::string m = modelo.substr(p, fim - p + 1);
      if (std::find(marcadores.begin(), marcadores.end(), m) == marcadores.end()) marcadores.push_back(m);
      p = fim + 1;
    }
  }

  std::vector<std::string> saida;
  saida.reserve(fLinhasTXT.size());
  for (const std::string& linhaOriginal : fLinhasTXT) {
    if (linhaOriginal.find(kPlaceholderTXT) != std::string::npos &&
        std::find(fLayoutTXT.begin(), fLayoutTXT.end(), linhaOriginal) != fLayoutTXT.end())
      continue;  // a record none of whose fields was filled
    std::string linha = linhaOriginal;
    std::size_t p = linha.find("^ID^", 1);
    while (p != std::string::npos) {
      linha.replace(p, 4, id);
      p = linha.find("^ID^", p + id.size());
    }
    for (const std::string& m : marcadores) {
      std::size_t q = linha.find(m);
      if (q != std::string::npos) linha.replace(q, m.size(), "|");
    }
    std::size_t gt = linha.find('>');
    if (gt != std::string::npos) linha.erase(0, gt + 1);
    linha = Aparar(linha);
    std::size_t barra = linha.find('|');
    std::size_t tamNome = barra == std::string::npos ? linha.size() : barra;
    if (tamNome > 2 && linha.compare(0, tamNome, "NOTA FISCAL") != 0) {
      char& ultimo = linha[tamNome - 1];
      if (!(ultimo >= '0' && ultimo <= '9') && ultimo >= 'A' && ultimo <= 'Z')
        ultimo = static_cast<char>(ultimo - 'A' + 'a');
    }
    saida.push_back(std::move(linha));
  }
  fLinhasTXT = std::move(saida);
  fInicioRegistroTXT = fLinhasTXT.size();
  fTXTAjustado = true;
  fTXTAtual = false;
}

}  // namespace tuim
