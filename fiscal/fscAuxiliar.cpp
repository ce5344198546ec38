#include "fiscal/fscAuxiliar.h"

#include <array>
#include <cstdlib>
#include <cstring>

#include "fiscal/TuimException.h"
#include "fiscal/TuimUtil.h"
#include "fiscal/TuimValidador.h"

namespace tuim {
namespace {

// Codes in table order with 90 and 91; the abbreviation at the same place answers each code.
constexpr const char* kCodigosUF = ".12.27.16.13.29.23.53.32.52.21.51.50.31.15.25.41.26.22.33.24.43.11.14.42.35.28.17.90.91.";
constexpr const char* kSiglasUF = ".AC.AL.AP.AM.BA.CE.DF.ES.GO.MA.MT.MS.MG.PA.PB.PR.PE.PI.RJ.RN.RS.RO.RR.SC.SP.SE.TO.DF.DF.";
constexpr const char* kSiglasValidas = ".AC.AL.AP.AM.BA.CE.DF.ES.GO.MA.MT.MS.MG.PA.PB.PR.PE.PI.RJ.RN.RS.RO.RR.SC.SP.SE.TO.EX.";

// Countries accepted without a check digit.
constexpr const char* kPaisesSemDigito =
    "|0132|7560|0175|0230|0370|0400|0418|0434|0477|0531|0590|0639|0647|0655|0698|0728|0736|0779"
    "|0809|0817|0833|0850|0876|0884|2291|0906|0973|0981|1015|1058|1082|1112|0310|1155|1198|1279"
    "|1457|1414|1490|1511|1546|1376|1538|7889|1589|1600|1635|5118|7412|1651|1694|1732|1775|8885"
    "|1830|1872|1902|1937|1961|1988|1953|1996|2321|7838|2356|2402|6874|2445|2399|2437|2470|2461"
    "|2453|2496|2518|2534|2550|2593|8702|2674|2712|1619|2755|2810|2852|2895|2917|2933|2976|3018"
    "|3050|3093|3131|3174|1504|3379|3255|3298|3344|3310|3417|3450|3514|3557|3573|3611|3654|3727"
    "|3697|3751|3794|3832|3867|3913|3999|1508|3964|4030|4111|4200|4235|4260|4278|4316|4340|4383"
    "|4405|4421|4456|4472|4499|4502|4525|4553|4588|4618|4642|4677|3595|4723|4740|4766|4774|4855"
    "|4880|4936|0930|4995|4901|5053|4944|4952|4979|4985|5010|5070|5088|5177|5215|5258|5282|5312"
    "|5355|5380|5428|5487|5568|5665|5738|5754|5800|5452|5762|5860|5894|5932|5991|6033|6114|6076"
    "|6238|6254|6289|6408|6475|6602|6700|6750|6769|6858|6781|6777|6904|6912|6971|7102|7153|6955"
    "|7005|7056|7285|7358|7370|7315|7447|7480|7501|7544|7595|7641|7676|7706|7722|7765|7803|7919"
    "|7820|7951|8001|8109|8052|8150|8206|8230|8249|8273|8281|8311|8338|8451|8478|5517|8486|8508"
    "|8583|8630|8664|8737|8907|6653|";

// Service-list items as inclusive ranges; the last row holds the items in force since 2016.
struct Faixa {
  int de, ate;
};
constexpr Faixa kItensServico[] = {
    {101, 108},   {201, 201},   {302, 305},   {401, 423},   {501, 509},   {601, 605},   {701, 713},
    {716, 722},   {801, 802},   {901, 903},   {1001, 1010}, {1101, 1104}, {1201, 1217}, {1302, 1305},
    {1401, 1413}, {1501, 1518}, {1601, 1601}, {1701, 1706}, {1708, 1724}, {1801, 1801}, {1901, 1901},
    {2001, 2003}, {2101, 2101}, {2201, 2201}, {2301, 2301}, {2401, 2401}, {2501, 2504}, {2601, 2601},
    {2701, 2701}, {2801, 2801}, {2901, 2901}, {3001, 3001}, {3101, 3101}, {3201, 3201}, {3301, 3301},
    {3401, 3401}, {3501, 3501}, {3601, 3601}, {3701, 3701}, {3801, 3801}, {3901, 3901}, {4001, 4001},
    {109, 109},   {606, 606},   {1105, 1105}, {1414, 1414}, {1602, 1602}, {1725, 1725}, {2505, 2505},
};

constexpr int kMunicipiosSemDigito[] = {2201919, 2202251, 2201988, 2611533, 3117836,
                                        3152131, 4305871, 5203939, 5203962};

constexpr int kCodigosProibidos[] = {0,        11111111, 22222222, 33333333, 44444444,
                                     55555555, 66666666, 77777777, 88888888, 99999999,
                                     12345678, 23456789, 34567890, 45678901, 56789012,
                                     67890123, 78901234, 89012345, 90123456, 1234567};

bool EhDigito(char c) { return c >= '0' && c <= '9'; }

// Item of a list whose items are each surrounded by `sep`; whole items only.
int PosicaoItem(const char* lista, const std::string& item, char sep) {
  if (item.empty() || item.find(sep) != std::string::npos) return -1;
  std::string alvo = sep + item + sep;
  const char* p = std::strstr(lista, alvo.c_str());
  return p ? static_cast<int>(p - lista) : -1;
}

// A referenced code point as Windows-1252; "?" for one XML forbids or the code page lacks.
char CaractereReferenciado(unsigned long cp) {
  if (cp == 0x09 || cp == 0x0A || cp == 0x0D) return static_cast<char>(cp);
  if (cp < 0x20 || (cp >= 0xD800 && cp <= 0xDFFF) || cp == 0xFFFE || cp == 0xFFFF || cp > 0x10FFFF) return '?';
  return CodePointParaCp1252(static_cast<char32_t>(cp));
}

}  // namespace

// ---- State codes ----------------------------------------------------------------------------

bool ValidarCodigoUF(int codigo) {
  if (codigo < 10 || codigo > 99) return false;
  return PosicaoItem(kCodigosUF, std::to_string(codigo), '.') >= 0;
}

bool ValidarUF(const std::string& uf) { return PosicaoItem(kSiglasValidas, uf, '.') >= 0; }

std::string CodigoUFParaSigla(int codigo) {
  if (!ValidarCodigoUF(codigo)) return "";
  int p = PosicaoItem(kCodigosUF, std::to_string(codigo), '.');
  return std::string(kSiglasUF + p + 1, 2);
}

int SiglaParaCodigoUF(const std::string& uf) {
  if (uf == "EX" || !ValidarUF(uf)) return 0;
  int p = PosicaoItem(kSiglasUF, uf, '.');
  if (p < 0) return 0;
  return (kCodigosUF[p + 1] - '0') * 10 + (kCodigosUF[p + 2] - '0');
}

// ---- Numbers and dates ----------------------------------------------------------------------

std::string InteiroComZeros(std::int64_t valor, int largura) {
  if (largura <= 0) return "";
  std::string s = std::string(largura, '0') + std::to_string(valor);
  return s.substr(s.size() - largura);
}

std::string DataHoraParaISO(TDateTime t) {
  int y, mo, d, h, mi, s, ms;
  DecodeDateTime(t, y, mo, d, h, mi, s, ms);
  return InteiroComZeros(y, 4) + "-" + InteiroComZeros(mo, 2) + "-" + InteiroComZeros(d, 2) + "T" +
         InteiroComZeros(h, 2) + ":" + InteiroComZeros(mi, 2) + ":" + InteiroComZeros(s, 2);
}

// ---- Time zone ------------------------------------------------------------------------------

void TTimeZoneConf::SetModoDeteccao(TTimeZoneModoDeteccao modo) {
  if (modo == fModoDeteccao) return;
  fModoDeteccao = modo;
  if (modo != tzManual)
    fTimeZoneStr.clear();
  else if (fTimeZoneStr.empty())
    fTimeZoneStr = FusoHorarioSistema();
}

void TTimeZoneConf::SetTimeZoneStr(const std::string& valor) {
  if (valor == fTimeZoneStr) return;
  if (fModoDeteccao != tzManual) {
    fTimeZoneStr.clear();
    return;
  }
  if (Trim(valor).empty()) {
    fTimeZoneStr = FusoHorarioSistema();
    return;
  }
  // Two digits or nothing: a sign inside the hours or minutes is no number here.
  auto dois = [&](std::size_t i) {
    return EhDigito(valor[i]) && EhDigito(valor[i + 1]) ? (valor[i] - '0') * 10 + (valor[i + 1] - '0') : -99;
  };
  if (valor.size() != 6) throw ETuimDFeException("Tamanho de TimeZone deve ser 6. Ex: -03:00");
  if (valor[0] != '+' && valor[0] != '-')
    throw ETuimDFeException("Primeiro caractere deve ser \"+,-\". Ex: -03:00");
  if (valor[3] != ':') throw ETuimDFeException("Quarto caractere deve ser \":\". Ex: -03:00");
  int h = dois(1);
  if (h < -11 || h > 14) throw ETuimDFeException("Hora deve estar entre -11 a +14. Ex: -03:00");
  int m = dois(4);
  if (m < 0 || m > 59) throw ETuimDFeException("Minuto deve estar entre 0 a 59. Ex: -03:00");
  fTimeZoneStr = valor;
}

void TTimeZoneConf::Assign(const TTimeZoneConf& origem) {
  fModoDeteccao = origem.fModoDeteccao;
  fTimeZoneStr = origem.fTimeZoneStr;
}

TTimeZoneConf& ConfiguracaoFusoHorario() {
  static TTimeZoneConf conf;
  return conf;
}

std::string FusoHorarioSistema(std::time_t instante) {
  tzset();  // pick up a TZ changed since the last call; glibc guards it with its own lock
  std::tm tm{};
  long minutos = 0;
  if (localtime_r(&instante, &tm)) minutos = tm.tm_gmtoff / 60;
  char sinal = minutos < 0 ? '-' : '+';
  long a = std::labs(minutos);
  return sinal + InteiroComZeros(a / 60, 2) + ":" + InteiroComZeros(a % 60, 2);
}

std::string FusoHorarioSistema() { return FusoHorarioSistema(std::time(nullptr)); }

TDateTime DomingoPascoa(int ano) {
  // Anonymous Gregorian computus: the short modulus-30 form misses the April 25/26 exceptions
  // (1954, 1981, 2049, 2076).
  int a = ano % 19, b = ano / 100, c = ano % 100, d = b / 4, e = b % 4;
  int f = (b + 8) / 25, g = (b - f + 1) / 3;
  int h = (19 * a + b - d - g + 15) % 30;
  int i = c / 4, k = c % 4;
  int l = (32 + 2 * e + 2 * i - h - k) % 7;
  int m = (a + 11 * h + 22 * l) / 451;
  int mes = (h + l - 7 * m + 114) / 31;
  int dia = (h + l - 7 * m + 114) % 31 + 1;
  return EncodeDate(ano, mes, dia);
}

TDateTime TercaCarnaval(int ano) { return IncDay(DomingoPascoa(ano), -47); }

TDateTime PrimeiroDomingo(int ano, int mes) {
  TDateTime dia1 = EncodeDate(ano, mes, 1);
  return IncDay(dia1, (8 - DayOfWeek(dia1)) % 7);
}

TDateTime TerceiroDomingo(int ano, int mes) { return IncDay(PrimeiroDomingo(ano, mes), 14); }

TDateTime InicioHorarioVerao(int ano) {
  return ano < 2018 ? TerceiroDomingo(ano, 10) : PrimeiroDomingo(ano, 11);
}

TDateTime FimHorarioVerao(int ano) {
  TDateTime fim = TerceiroDomingo(ano, 2);
  if (fim == IncDay(TercaCarnaval(ano), -2)) fim = IncDay(fim, 7);
  return fim;
}

bool EmHorarioVerao(const std::string& uf, TDateTime t) {
  // Daylight saving was abolished: the 2018/2019 period, ending 17 February 2019, was the last.
  static const TDateTime kUltimoFim = EncodeDate(2019, 2, 17);
  if (t > kUltimoFim) return false;
  if (PosicaoItem(".MT.MS.GO.MG.ES.RJ.SP.PR.SC.RS.DF.", uf, '.') < 0) return false;
  int y, m, d;
  DecodeDate(t, y, m, d);
  if (y < 2 || y > 9998) return false;
  int inicio = m > 9 ? y : y - 1;
  return t >= InicioHorarioVerao(inicio) && t <= FimHorarioVerao(inicio + 1);
}

std::string FusoHorario(const std::string& uf, TDateTime t) {
  const TTimeZoneConf& conf = ConfiguracaoFusoHorario();
  switch (conf.ModoDeteccao()) {
    case tzManual:
      return conf.TimeZoneStr();
    case tzFSC: {
      std::string u = (uf.empty() || uf == "90" || uf == "91") ? std::string("DF") : uf;
      bool verao = EmHorarioVerao(u, t);
      if (PosicaoItem(".AM.RR.RO.MT.MS.", u, '.') >= 0) return verao ? "-03:00" : "-04:00";
      if (PosicaoItem(".AP.PA.MA.PI.TO.GO.CE.RN.PB.PE.AL.SE.BA.MG.ES.RJ.SP.PR.SC.RS.DF.", u, '.') >= 0)
        return verao ? "-02:00" : "-03:00";
      if (u == "AC") return "-05:00";
      return "-03:00";
    }
    case tzSistema:
    default:
      return FusoHorarioSistema();
  }
}

// ---- Access keys ----------------------------------------------------------------------------

bool ValidarAnoMes(const std::string& texto) {
  if (texto.size() != 4 || !TextoNumerico(texto)) return false;
  int mes = (texto[2] - '0') * 10 + (texto[3] - '0');
  return mes >= 1 && mes <= 12;
}

// ---- Code checks ----------------------------------------------------------------------------

int ValidarCodigoPais(int codigo) {
  // Codes have four digits; a longer one must not pass as its last four.
  if (codigo < 0 || codigo > 9999) return -1;
  std::string s = InteiroComZeros(codigo, 4);
  if (PosicaoItem(kPaisesSemDigito, s, '|') >= 0) return 1;
  int r = (4 * (s[0] - '0') + 3 * (s[1] - '0') + 2 * (s[2] - '0')) % 11;
  int esperado = r >= 2 ? 11 - r : 0;
  return s[3] - '0' == esperado ? 0 : -1;
}

bool ValidarCodigoMunicipio(int codigo) {
  if (codigo == 9999999) return true;
  std::string s = std::to_string(codigo);
  if (s.size() >= 6) {
    bool prefixo = false;
    for (int m : kMunicipiosSemDigito) {
      if (std::to_string(m).compare(0, 6, s, 0, 6) == 0) prefixo = true;
    }
    if (prefixo) {
      for (int m : kMunicipiosSemDigito)
        if (m == codigo) return true;
      return false;
    }
  }
  if (s.size() != 7 || codigo < 0) return false;
  if (!ValidarCodigoUF((s[0] - '0') * 10 + (s[1] - '0'))) return false;
  if (s.compare(2, 4, "0000") == 0) return false;
  static constexpr int kPesos[7] = {1, 2, 1, 2, 1, 2, 0};
  int soma = 0;
  for (int i = 0; i < 7; ++i) {
    int p = (s[i] - '0') * kPesos[i];
    soma += p >= 10 ? p / 10 + p % 10 : p;
  }
  int dv = soma % 10 == 0 ? 0 : 10 - soma % 10;
  return s[6] - '0' == dv;
}

bool ValidarItemListaServico(int codigo) {
  for (const Faixa& f : kItensServico)
    if (codigo >= f.de && codigo <= f.ate) return true;
  return false;
}

bool ValidarModeloNFReferenciada(int modelo, double versao) {
  if (versao >= 4.0 - 1e-9) return modelo == 1 || modelo == 2;
  return modelo == 1;
}

bool ValidarSUFRAMA(const std::string& texto) {
  // Weights 9..2 over the first eight digits; the ninth is the check digit, not a summand.
  std::string d = SomenteNumeros(texto);
  if (d.size() <= 8) return false;
  int soma = 0;
  for (int i = 0; i < 8; ++i) soma += (d[i] - '0') * (9 - i);
  int r = soma % 11;
  int esperado = r < 2 ? 0 : 11 - r;
  return d[8] - '0' == esperado;
}

bool ValidarCNPJ(const std::string& texto) { return MensagemErroCNPJ(texto).empty(); }

bool ValidarCPF(const std::string& texto) { return MensagemErroCPF(texto).empty(); }

bool ValidarIE(const std::string& ie, const std::string& uf) { return MensagemErroIE(ie, uf).empty(); }

// ---- Text -----------------------------------------------------------------------------------

std::string AjustarNumeroEndereco(bool preencher, const std::string& texto) {
  std::string r = Trim(texto);
  if (preencher && TextoNumerico(r)) {
    if (r.size() == 1) return "00" + r;
    if (r.size() == 2) return "0" + r;
  }
  return r;
}

std::string PrepararTextoXML(bool removerEspacos, const std::string& texto, bool removerAcentos,
                             bool substituirQuebras, const std::string& quebra) {
  std::string r = removerAcentos ? RemoverAcentos(texto) : texto;
  // XML 1.0 has no form for the other C0 controls, whatever the caller asked for.
  for (char& c : r) {
    unsigned char u = static_cast<unsigned char>(c);
    if (u < 0x20 && u != '\t' && u != '\n' && u != '\r') c = ' ';
  }
  r = TratarEntidades(r, false);
  if (removerEspacos) {
    std::string t;
    t.reserve(r.size());
    for (char c : r)
      if (!(c == ' ' && !t.empty() && t.back() == ' ')) t += c;
    r.swap(t);
  }
  if (substituirQuebras) r = NormalizarQuebras(r, quebra);
  return Trim(r);
}

std::string DecodificarEntidadesXML(const std::string& texto) {
  // One pass: a decoded "&" never starts another reference.
  struct Entidade {
    const char* nome;
    char c;
  };
  static constexpr Entidade kNomes[] = {{"&amp;", '&'}, {"&lt;", '<'},   {"&gt;", '>'},
                                        {"&quot;", '"'}, {"&apos;", '\''}};
  std::string r;
  r.reserve(texto.size());
  std::size_t i = 0;
  while (i < texto.size()) {
    if (texto[i] != '&') {
      r += texto[i++];
      continue;
    }
    bool feito = false;
    for (const Entidade& e : kNomes) {
      std::size_t n = std::strlen(e.nome);
      if (texto.compare(i, n, e.nome) == 0) {
        r += e.c;
        i += n;
        feito = true;
        break;
      }
    }
    if (feito) continue;
    if (i + 2 < texto.size() && texto[i + 1] == '#') {
      bool hex = texto[i + 2] == 'x';
      std::size_t j = i + (hex ? 3 : 2);
      unsigned long cp = 0;
      std::size_t inicio = j;
      bool estouro = false;
      while (j < texto.size()) {
        char c = texto[j];
        int v = -1;
        if (EhDigito(c)) v = c - '0';
        else if (hex && c >= 'a' && c <= 'f') v = c - 'a' + 10;
        else if (hex && c >= 'A' && c <= 'F') v = c - 'A' + 10;
        if (v < 0) break;
        cp = cp * (hex ? 16 : 10) + v;
        if (cp > 0x10FFFF) estouro = true, cp = 0x110000;
        ++j;
      }
      if (j > inicio && j < texto.size() && texto[j] == ';') {
        r += estouro ? '?' : CaractereReferenciado(cp);
        i = j + 1;
        continue;
      }
    }
    r += texto[i++];  // not a reference: kept as written
  }
  return Trim(r);
}

bool IniciaComPrefixo(const std::string& texto, const std::string& prefixos) {
  std::size_t i = 0;
  while (i < prefixos.size()) {
    std::size_t j = prefixos.find('|', i);
    if (j == std::string::npos) j = prefixos.size();
    std::string item = prefixos.substr(i, j - i);
    if (!item.empty() && texto.compare(0, item.size(), item) == 0) return true;
    i = j + 1;
  }
  return false;
}

bool CodigoNumericoValido(int codigo, int numero) {
  if (codigo == numero) return false;
  for (int p : kCodigosProibidos)
    if (codigo == p) return false;
  return true;
}

}  // namespace tuim
