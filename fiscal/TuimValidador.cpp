#include "fiscal/TuimValidador.h"

#include <algorithm>
#include <cstring>
#include <iterator>
#include <vector>

#include "fiscal/TuimException.h"
#include "fiscal/TuimUtil.h"

namespace tuim {

namespace {

bool IsDigit(char c) { return CaractereNumerico(c); }
bool IsUpperAlnum(char c) { return IsDigit(c) || (c >= 'A' && c <= 'Z'); }
bool AllDigits(const std::string& s) { return TextoNumerico(s); }

// Twelve upper-case letters or digits and two digits: the CNPJ form issued since 2026.
// Digits alone also match, so all-digit CNPJs take the same road as before.
bool FormaCNPJAlfanumerico(const std::string& s) {
  return s.size() == 14 && std::all_of(s.begin(), s.begin() + 12, IsUpperAlnum) && IsDigit(s[12]) &&
         IsDigit(s[13]);
}

// Modulus 11 with weights 2..9 from the right, each character valued as its code minus 48,
// which is the rule for letters in a CNPJ base and the ordinary value for digits.
int DigitoCNPJ(const std::string& base) {
  int sum = 0, weight = 2;
  for (auto it = base.rbegin(); it != base.rend(); ++it) {
    sum += (static_cast<unsigned char>(*it) - '0') * weight;
    weight = weight == 9 ? 2 : weight + 1;
  }
  int r = sum % 11;
  return r > 1 ? 11 - r : 0;
}

const char* const kUFs[] = {"AC", "AL", "AP", "AM", "BA", "CE", "DF", "ES", "GO", "MA",
                            "MT", "MS", "MG", "PA", "PB", "PR", "PE", "PI", "RJ", "RN",
                            "RS", "RO", "RR", "SC", "SP", "SE", "TO", "EX"};

// Whole abbreviations only: a text such as "MT,MS" is not one state.
bool UFValida(const std::string& uf) {
  return std::any_of(std::begin(kUFs), std::end(kUFs), [&](const char* u) { return uf == u; });
}

constexpr const char* kRepetidos =
    "11111111111.22222222222.33333333333.44444444444.55555555555.66666666666.77777777777."
    "88888888888.99999999999.00000000000";

bool Repetido(const std::string& s) {
  return s.size() == 11 && std::string(kRepetidos).find(s) != std::string::npos;
}

struct FaixaCEP {
  const char* uf;
  const char* inicio;
  const char* fim;
};

constexpr FaixaCEP kFaixasCEP[] = {
    {"SP", "01000000", "19999999"}, {"RJ", "20000000", "28999999"}, {"ES", "29000000", "29999999"},
    {"MG", "30000000", "39999999"}, {"BA", "40000000", "48999999"}, {"SE", "49000000", "49999999"},
    {"PE", "50000000", "56999999"}, {"AL", "57000000", "57999999"}, {"PB", "58000000", "58999999"},
    {"RN", "59000000", "59999999"}, {"CE", "60000000", "63999999"}, {"PI", "64000000", "64999999"},
    {"MA", "65000000", "65999999"}, {"PA", "66000000", "68899999"}, {"AP", "68900000", "68999999"},
    {"AM", "69000000", "69299999"}, {"RR", "69300000", "69399999"}, {"AM", "69400000", "69899999"},
    {"AC", "69900000", "69999999"}, {"DF", "70000000", "72799999"}, {"GO", "72800000", "72999999"},
    {"DF", "73000000", "73699999"}, {"GO", "73700000", "76799999"}, {"TO", "77000000", "77999999"},
    {"MT", "78000000", "78899999"}, {"RO", "76800000", "76999999"}, {"MS", "79000000", "79999999"},
    {"PR", "80000000", "87999999"}, {"SC", "88000000", "89999999"}, {"RS", "90000000", "99999999"},
};

constexpr TFaixaPrefixoGTIN kFaixasGTIN[] = {
    {0, 19, "GS1 EUA"},
    {20, 29, "Numeros de circulacao restrita dentro da empresa"},
    {30, 39, "GS1 EUA"},
    {40, 49, "Numeros de circulacao restrita dentro da empresa"},
    {50, 59, "GS1 EUA reserved for future use"},
    {60, 139, "GS1 EUA"},
    {200, 299, "Numeros de circulacao restrita dentro da regiao"},
    {300, 379, "GS1 France"},
    {380, 380, "GS1 Bulgaria"},
    {383, 383, "GS1 Slovenija"},
    {385, 385, "GS1 Croatia"},
    {387, 387, "GS1 BIH (Bosnia-Herzegovina)"},
    {389, 389, "GS1 Montenegro"},
    {400, 440, "GS1 Germany"},
    {450, 459, "GS1 Japan"},
    {490, 499, "GS1 Japan"},
    {460, 469, "GS1 Russia"},
    {470, 470, "GS1 Kyrgyzstan"},
    {471, 471, "GS1 Chinese Taipei"},
    {474, 474, "GS1 Estonia"},
    {475, 475, "GS1 Latvia"},
    {476, 476, "GS1 Azerbaijan"},
    {477, 477, "GS1 Lithuania"},
    {478, 478, "GS1 Uzbekistan"},
    {479, 479, "GS1 Sri Lanka"},
    {480, 480, "GS1 Philippines"},
    {481, 481, "GS1 Belarus"},
    {482, 482, "GS1 Ukraine"},
    {483, 483, "GS1 Turkmenistan"},
    {484, 484, "GS1 Moldova"},
    {485, 485, "GS1 Armenia"},
    {486, 486, "GS1 Georgia"},
    {487, 487, "GS1 Kazakstan"},
    {488, 488, "GS1 Tajikistan"},
    {489, 489, "GS1 Hong Kong"},
    {500, 509, "GS1 UK"},
    {520, 521, "GS1 Association Greece"},
    {528, 528, "GS1 Lebanon"},
    {529, 529, "GS1 Cyprus"},
    {530, 530, "GS1 Albania"},
    {531, 531, "GS1 North Macedonia"},
    {535, 535, "GS1 Malta"},
    {539, 539, "GS1 Ireland"},
    {540, 549, "GS1 Belgium & Luxembourg"},
    {560, 560, "GS1 Portugal"},
    {569, 569, "GS1 Iceland"},
    {570, 579, "GS1 Denmark"},
    {590, 590, "GS1 Poland"},
    {594, 594, "GS1 Romania"},
    {599, 599, "GS1 Hungary"},
    {600, 601, "GS1 South Africa"},
    {603, 603, "GS1 Ghana"},
    {604, 604, "GS1 Senegal"},
    {608, 608, "GS1 Bahrain"},
    {609, 609, "GS1 Mauritius"},
    {611, 611, "GS1 Morocco"},
    {613, 613, "GS1 Algeria"},
    {615, 615, "GS1 Nigeria"},
    {616, 616, "GS1 Kenya"},
    {618, 618, "GS1 Ivory Coast"},
    {619, 619, "GS1 Tunisia"},
    {620, 620, "GS1 Tanzania"},
    {621, 621, "GS1 Syria"},
    {622, 622, "GS1 Egypt"},
    {623, 623, "GS1 Brunei"},
    {624, 624, "GS1 Libya"},
    {625, 625, "GS1 Jordan"},
    {626, 626, "GS1 Iran"},
    {627, 627, "GS1 Kuwait"},
    {628, 628, "GS1 Saudi Arabia"},
    {629, 629, "GS1 Emirates"},
    {640, 649, "GS1 Finland"},
    {690, 699, "GS1 China"},
    {700, 709, "GS1 Norway"},
    {729, 729, "GS1 Israel"},
    {730, 739, "GS1 Sweden"},
    {740, 740, "GS1 Guatemala"},
    {741, 741, "GS1 El Salvador"},
    {742, 742, "GS1 Honduras"},
    {743, 743, "GS1 Nicaragua"},
    {744, 744, "GS1 Costa Rica"},
    {745, 745, "GS1 Panama"},
    {746, 746, "GS1 Republica Dominicana"},
    {750, 750, "GS1 Mexico"},
    {754, 755, "GS1 Canada"},
    {759, 759, "GS1 Venezuela"},
    {760, 769, "GS1 Schweiz, Suisse, Svizzera"},
    {770, 771, "GS1 Colombia"},
    {773, 773, "GS1 Uruguay"},
    {775, 775, "GS1 Peru"},
    {777, 777, "GS1 Bolivia"},
    {778, 779, "GS1 Argentina"},
    {780, 780, "GS1 Chile"},
    {784, 784, "GS1 Paraguay"},
    {786, 786, "GS1 Ecuador"},
    {789, 790, "GS1 Brasil"},
    {800, 839, "GS1 Italy"},
    {840, 849, "GS1 Spain"},
    {850, 850, "GS1 Cuba"},
    {858, 858, "GS1 Slovakia"},
    {859, 859, "GS1 Czech"},
    {860, 860, "GS1 Serbia"},
    {865, 865, "GS1 Mongolia"},
    {867, 867, "GS1 North Korea"},
    {868, 869, "GS1 Turkey"},
    {870, 879, "GS1 Netherlands"},
    {880, 880, "GS1 South Korea"},
    {884, 884, "GS1 Cambodia"},
    {885, 885, "GS1 Thailand"},
    {888, 888, "GS1 Singapore"},
    {890, 890, "GS1 India"},
    {893, 893, "GS1 Vietnam"},
    {896, 896, "GS1 Pakistan"},
    {899, 899, "GS1 Indonesia"},
    {900, 919, "GS1 Austria"},
    {930, 939, "GS1 Australia"},
    {940, 949, "GS1 New Zealand"},
    {950, 950, "GS1 Global Office"},
    {951, 951, "GS1 Global Office (EPCglobal)"},
    {955, 955, "GS1 Malaysia"},
    {958, 958, "GS1 Macau"},
    {960, 969, "Global Office (GTIN-8)"},
    {977, 977, "Serial publications (ISSN)"},
    {978, 979, "Bookland (ISBN)"},
    {980, 980, "Refund receipts"},
    {981, 984, "GS1 coupon identification for common currency areas"},
    {990, 999, "GS1 coupon identification"},
};
static_assert(std::size(kFaixasGTIN) == 127);

// Weights of the state-registration rows, position 1 being the leftmost of a 14-character field.
constexpr int kPesos[14][14] = {
    {6, 5, 4, 3, 2, 9, 8, 7, 6, 5, 4, 3, 2, 0},   {5, 4, 3, 2, 9, 8, 7, 6, 5, 4, 3, 2, 0, 0},
    {6, 5, 4, 3, 2, 9, 8, 7, 6, 5, 4, 3, 0, 2},   {0, 0, 0, 0, 0, 0, 0, 0, 6, 5, 4, 3, 2, 0},
    {0, 0, 0, 0, 0, 1, 2, 3, 4, 5, 6, 7, 8, 0},   {0, 0, 0, 9, 8, 0, 0, 7, 6, 5, 4, 3, 2, 0},
    {5, 4, 3, 2, 1, 9, 8, 7, 6, 5, 4, 3, 2, 0},   {8, 7, 6, 5, 4, 3, 2, 7, 6, 5, 4, 3, 2, 0},
    {7, 6, 5, 4, 3, 2, 7, 6, 5, 4, 3, 2, 0, 0},   {0, 1, 2, 1, 1, 2, 1, 2, 1, 2, 1, 2, 0, 0},
    {0, 3, 2, 11, 10, 9, 8, 7, 6, 5, 4, 3, 2, 0}, {0, 0, 1, 3, 4, 5, 6, 7, 8, 10, 0, 0, 0, 0},
    {0, 0, 3, 2, 10, 9, 8, 7, 6, 5, 4, 3, 2, 0},  {7, 6, 5, 4, 3, 8, 7, 6, 5, 4, 3, 2, 0, 0},
};

// One way a state writes its registrations. `escolha`: 0 always, 'L' when the cleaned length
// equals `quando`, 'C' when the first character equals `quando`; the first match wins.
struct RegraIE {
  const char* uf;
  char escolha;
  int quando;
  int tamanho;
  const char* padrao;  // elements separated by blanks; "n*x" repeats x n times
  const char* tipo1;
  int modulo1;
  int linha1;
  const char* tipo2;  // nullptr: a single check digit
  int modulo2;
  int linha2;
  int valor10;
  int valor11;
};

// Current prefixes: GO 10, 11, 15 and 20-29; DF 07-09; PA 15 and 75-79.
constexpr RegraIE kRegrasIE[] = {
    {"AC", 'L', 9, 9, "0 1 6*0-9 DVX", "E", 11, 1, nullptr, 0, 0, 0, 0},
    {"AC", 0, 0, 13, "0 1 9*0-9 DVX DVY", "E", 11, 2, "E", 11, 1, 0, 0},
    {"AL", 0, 0, 9, "2 4 6*0-9 DVX", "BD", 11, 1, nullptr, 0, 0, 0, 0},
    {"AP", 0, 0, 9, "0 3 6*0-9 DVX", "CE", 11, 1, nullptr, 0, 0, 0, 0},
    {"AM", 0, 0, 9, "8*0-9 DVX", "E", 11, 1, nullptr, 0, 0, 0, 0},
    {"BA", 0, 0, 9, "7*0-9 DVY DVX", "E", 10, 2, "E", 10, 3, 0, 0},
    {"CE", 0, 0, 9, "0 7*0-9 DVX", "E", 11, 1, nullptr, 0, 0, 0, 0},
    {"DF", 0, 0, 13, "0 7,8,9 9*0-9 DVX DVY", "E", 11, 2, "E", 11, 1, 0, 0},
    {"ES", 0, 0, 9, "8*0-9 DVX", "E", 11, 1, nullptr, 0, 0, 0, 0},
    {"GO", 'C', '2', 9, "2 7*0-9 DVX", "E", 11, 1, nullptr, 0, 0, 0, 0},
    {"GO", 0, 0, 9, "1,2 0,1,5 6*0-9 DVX", "E", 11, 1, nullptr, 0, 0, 0, 0},
    {"MA", 0, 0, 9, "1 2 6*0-9 DVX", "E", 11, 1, nullptr, 0, 0, 0, 0},
    {"MT", 0, 0, 11, "10*0-9 DVX", "E", 11, 1, nullptr, 0, 0, 0, 0},
    {"MS", 0, 0, 9, "2 8 6*0-9 DVX", "E", 11, 1, nullptr, 0, 0, 0, 0},
    {"MG", 0, 0, 13, "11*0-9 DVX DVY", "AE", 10, 10, "E", 11, 11, 0, 0},
    {"PA", 'C', '7', 9, "7 5-9 6*0-9 DVX", "E", 11, 1, nullptr, 0, 0, 0, 0},
    {"PA", 0, 0, 9, "1,7 5 6*0-9 DVX", "E", 11, 1, nullptr, 0, 0, 0, 0},
    {"PB", 0, 0, 9, "1 6 6*0-9 DVX", "E", 11, 1, nullptr, 0, 0, 0, 0},
    {"PR", 0, 0, 10, "8*0-9 DVX DVY", "E", 11, 9, "E", 11, 8, 0, 0},
    {"PE", 'L', 14, 14, "1 8 1-9 10*0-9 DVX", "E", 11, 7, nullptr, 0, 0, 0, 1},
    {"PE", 0, 0, 9, "7*0-9 DVX DVY", "E", 11, 14, "E", 11, 7, 0, 0},
    {"PI", 0, 0, 9, "1 9 6*0-9 DVX", "E", 11, 1, nullptr, 0, 0, 0, 0},
    {"RJ", 0, 0, 8, "1,7,8,9 6*0-9 DVX", "E", 11, 8, nullptr, 0, 0, 0, 0},
    {"RN", 'L', 9, 9, "2 0 6*0-9 DVX", "BD", 11, 1, nullptr, 0, 0, 0, 0},
    {"RN", 0, 0, 10, "2 0 7*0-9 DVX", "BD", 11, 11, nullptr, 0, 0, 0, 0},
    {"RS", 0, 0, 10, "0-4 8*0-9 DVX", "E", 11, 1, nullptr, 0, 0, 0, 0},
    {"RO", 'L', 9, 9, "1-9 7*0-9 DVX", "E", 11, 4, nullptr, 0, 0, 0, 1},
    {"RO", 0, 0, 14, "13*0-9 DVX", "E", 11, 1, nullptr, 0, 0, 0, 1},
    {"RR", 0, 0, 9, "2 4 6*0-9 DVX", "D", 9, 5, nullptr, 0, 0, 0, 0},
    {"SC", 0, 0, 9, "8*0-9 DVX", "E", 11, 1, nullptr, 0, 0, 0, 0},
    {"SE", 0, 0, 9, "8*0-9 DVX", "E", 11, 1, nullptr, 0, 0, 0, 0},
    {"SP", 'C', 'P', 13, "P 8*0-9 DVX 3*0-9", "D", 11, 12, nullptr, 0, 0, 0, 0},
    {"SP", 0, 0, 12, "8*0-9 DVX 2*0-9 DVY", "D", 11, 12, "D", 11, 13, 0, 0},
    {"TO", 'L', 11, 11, "2 9 0,9 1,2,3,9 6*0-9 DVX", "E", 11, 6, nullptr, 0, 0, 0, 0},
    {"TO", 0, 0, 9, "8*0-9 DVX", "E", 11, 1, nullptr, 0, 0, 0, 0},
};

const RegraIE* EscolherRegra(const std::string& uf, const std::string& ie) {
  for (const RegraIE& r : kRegrasIE) {
    if (uf != r.uf) continue;
    if (r.escolha == 'L' && static_cast<int>(ie.size()) != r.quando) continue;
    if (r.escolha == 'C' && (ie.empty() || ie[0] != r.quando)) continue;
    return &r;
  }
  return nullptr;
}

std::vector<std::string> ElementosPadrao(const char* padrao) {
  std::vector<std::string> out;
  std::string p = padrao;
  std::size_t i = 0;
  while (i < p.size()) {
    std::size_t e = p.find(' ', i);
    if (e == std::string::npos) e = p.size();
    std::string tok = p.substr(i, e - i);
    int n = 1;
    if (auto star = tok.find('*'); star != std::string::npos) {
      n = std::stoi(tok.substr(0, star));
      tok = tok.substr(star + 1);
    }
    out.insert(out.end(), n, tok);
    i = e + 1;
  }
  return out;
}

// Patterns are read once; the table is constant.
const std::vector<std::string>& PadraoDaRegra(const RegraIE& r) {
  static const std::vector<std::vector<std::string>> lidos = [] {
    std::vector<std::vector<std::string>> v;
    for (const RegraIE& x : kRegrasIE) v.push_back(ElementosPadrao(x.padrao));
    return v;
  }();
  return lidos[&r - kRegrasIE];
}

bool AceitaElemento(const std::string& el, char c) {
  if (el == "0-9" || el == "DVX" || el == "DVY") return IsDigit(c);
  if (el.size() == 1) return c == el[0];
  if (el.size() == 3 && el[1] == '-') return c >= el[0] && c <= el[2];
  for (std::size_t i = 0; i < el.size(); i += 2)
    if (el[i] == c) return true;
  return false;
}

int DigitoIE(const std::string& campo, const std::string& tipo, int modulo, int linha, int valor10,
             int valor11) {
  const bool a = tipo.find('A') != std::string::npos;
  int sum = 0;
  for (int p = 0; p < 14; ++p) {
    if (!IsDigit(campo[p])) continue;
    int prod = (campo[p] - '0') * kPesos[linha - 1][p];
    sum += prod;
    if (a) sum += prod / 10;
  }
  if (!a) {
    if (tipo.find('B') != std::string::npos)
      sum *= 10;
    else if (tipo.find('C') != std::string::npos)
      sum += 5 + 4 * valor11;
  }
  int r = sum % modulo;
  if (tipo.find('E') != std::string::npos) r = modulo - r;
  if (r == 10)
    r = valor10;
  else if (r == 11)
    r = valor11;
  return r;
}

std::string NomeDocumento(TTuimValTipoDocto tipo) {
  switch (tipo) {
    case docCPF: return "CPF";
    case docCNPJ: return "CNPJ";
    case docUF: return "UF";
    case docInscEst: return "Inscrição Estadual";
    case docNumCheque: return "Número de Cheque";
    case docPIS: return "PIS";
    case docCEP: return "CEP";
    case docCartaoCredito: return "Número de Cartão";
    case docSuframa: return "SUFRAMA";
    case docGTIN: return "GTIN";
    case docRenavam: return "Renavam";
    case docEmail: return "E-Mail";
    case docCNH: return "Carteira Nacional de Habilitação";
    case docPrefixoGTIN: return "Prefixo do Código GTIN";
    case docCAEPF: return "CAEPF";
    case docPlacaMercosul: return "Placa";
  }
  return "Documento";
}

}  // namespace

// ---------------------------------------------------------------------------------------------

void TTuimCalcDigito::Calcular() {
  const int ini = fMultiplicadorInicial, fim = fMultiplicadorFinal;
  const int passo = fim >= ini ? 1 : -1;
  const int lo = std::min(ini, fim), hi = std::max(ini, fim);
  int mult = (fMultiplicadorAtual >= lo && fMultiplicadorAtual <= hi) ? fMultiplicadorAtual : ini;
  int sum = 0;
  for (auto it = fDocumento.rbegin(); it != fDocumento.rend(); ++it) {
    int v = IsDigit(*it) ? *it - '0' : 0;
    int prod = v * mult;
    if (fFormula == fdModulo10 && prod > 9) prod = prod / 10 + prod % 10;
    sum += prod;
    mult += passo;
    if ((passo > 0 && mult > fim) || (passo < 0 && mult < fim)) mult = ini;
  }
  fSomaDigitos = sum;
  switch (fFormula) {
    case fdModulo11:
      fModuloFinal = sum % 11;
      fDigitoFinal = fModuloFinal > 1 ? 11 - fModuloFinal : 0;
      break;
    case fdModulo11Pis:
      fModuloFinal = sum % 11;
      fDigitoFinal = 11 - fModuloFinal;
      if (fDigitoFinal >= 10) fDigitoFinal = 0;
      break;
    case fdModulo10:
    default:
      fModuloFinal = sum % 10;
      fDigitoFinal = 10 - fModuloFinal;
      if (fDigitoFinal == 10) fDigitoFinal = 0;
      break;
  }
}

void TTuimCalcDigito::Limpar() {
  fMultiplicadorInicial = 2;
  fMultiplicadorFinal = 9;
  fMultiplicadorAtual = 0;
  fFormula = fdModulo11;
}

// ---------------------------------------------------------------------------------------------

TTuimValidador::TTuimValidador(TTuimComponent* owner) : TTuimComponent(owner) {}
TTuimValidador::~TTuimValidador() = default;

void TTuimValidador::SetDocumento(const std::string& v) {
  if (v == fDocumento) return;
  fDocumento = v;
  fMsgErro = "Função Validar não foi chamada";
  fDigitoCalculado.clear();
  Limpar();
}

void TTuimValidador::Limpar() {
  if (fTipoDocto == docEmail) {
    fDocto = Trim(fDocumento);
    return;
  }
  std::string r;
  for (char c : fDocumento)
    if (fIgnorarChar.find(c) == std::string::npos) r += c;
  fDocto = Trim(UpperCase(r));
}

bool TTuimValidador::Validar() {
  fMsgErro.clear();
  fDigitoCalculado.clear();
  Limpar();
  if (fDocto.empty()) {
    if (fPermiteVazio) return true;
    fMsgErro = NomeDocumento(fTipoDocto) + " não pode ser vazio.";
  } else {
    switch (fTipoDocto) {
      case docCPF: ValidarCPF(); break;
      case docCNPJ: ValidarCNPJ("CNPJ"); break;
      case docUF: ValidarUF(fDocto); break;
      case docInscEst: ValidarIE(); break;
      case docNumCheque: ValidarCheque(); break;
      case docPIS: ValidarPIS(); break;
      case docCEP: ValidarCEP(); break;
      case docCartaoCredito: ValidarCartaoCredito(); break;
      case docSuframa: ValidarSuframa(); break;
      case docGTIN: ValidarGTIN(); break;
      case docRenavam: ValidarRenavam(); break;
      case docEmail: ValidarEmail(); break;
      case docCNH: ValidarCNH(); break;
      case docPrefixoGTIN: ValidarPrefixoGTIN(); break;
      case docCAEPF: ValidarCNPJ("CAEPF"); break;
      case docPlacaMercosul: ValidarPlacaMercosul(); break;
      default: throw ETuimDFeException("Tipo de documento informado inválido!");
    }
  }
  if (fMsgErro.empty()) return true;
  if (OnMsgErro) OnMsgErro(fMsgErro);
  if (fRaiseExcept) throw ETuimDFeException(fMsgErro);
  return false;
}

void TTuimValidador::ValidarCPF() {
  if (fAjustarTamanho) fDocto = CompletarEsquerda(fDocto, 11, '0');
  if (fDocto.size() != 11 || !AllDigits(fDocto)) {
    fMsgErro = "CPF deve ter 11 dígitos. (Apenas números)";
    return;
  }
  if (Repetido(fDocto)) {
    fMsgErro = "CPF inválido !";
    return;
  }
  fCalcDigito.Limpar();
  fCalcDigito.SetMultiplicadorFinal(11);
  fCalcDigito.SetDocumento(fDocto.substr(0, 9));
  fCalcDigito.Calcular();
  fDigitoCalculado = std::to_string(fCalcDigito.DigitoFinal());
  fCalcDigito.SetDocumento(fDocto.substr(0, 9) + fDigitoCalculado);
  fCalcDigito.Calcular();
  fDigitoCalculado += std::to_string(fCalcDigito.DigitoFinal());
  if (fDigitoCalculado != fDocto.substr(9, 2)) {
    fMsgErro = "CPF inválido.";
    if (fExibeDigitoCorreto) fMsgErro += ".. Dígito calculado: " + fDigitoCalculado;
  }
}

void TTuimValidador::ValidarCNPJ(const char* nome) {
  const bool cnpj = std::strcmp(nome, "CNPJ") == 0;
  if (fAjustarTamanho) fDocto = CompletarEsquerda(fDocto, 14, '0');
  const bool forma = fDocto.size() == 14 && (cnpj ? FormaCNPJAlfanumerico(fDocto) : AllDigits(fDocto));
  if (!forma) {
    fMsgErro = std::string(nome) + " deve ter 14 dígitos. (Apenas números)";
    return;
  }
  if (fDocto == "00000000000000") {
    fMsgErro = std::string(nome) + " inválido.";
    return;
  }
  std::string base = fDocto.substr(0, 12);
  int d1, d2;
  if (AllDigits(base)) {
    fCalcDigito.Limpar();
    fCalcDigito.SetDocumento(base);
    fCalcDigito.Calcular();
    d1 = fCalcDigito.DigitoFinal();
    fCalcDigito.SetDocumento(base + std::to_string(d1));
    fCalcDigito.Calcular();
    d2 = fCalcDigito.DigitoFinal();
  } else {
    d1 = DigitoCNPJ(base);
    d2 = DigitoCNPJ(base + std::to_string(d1));
  }
  fDigitoCalculado = std::to_string(d1) + std::to_string(d2);
  if (fDigitoCalculado != fDocto.substr(12, 2)) {
    fMsgErro = std::string(nome) + " inválido.";
    if (fExibeDigitoCorreto) fMsgErro += ".. Digito calculado: " + fDigitoCalculado;
  }
}

void TTuimValidador::ValidarUF(const std::string& uf) {
  if (!UFValida(uf)) fMsgErro = "UF inválido: " + uf;
}

void TTuimValidador::ValidarIE() {
  if (fDocto == "ISENTO") return;
  const std::string uf = Trim(fComplemento);
  if (uf.empty()) {
    fMsgErro = "Informe a UF no campo Complemento";
    return;
  }
  ValidarUF(uf);
  if (!fMsgErro.empty()) return;
  if (!(IsDigit(fDocto[0]) || fDocto[0] == 'P') || !std::all_of(fDocto.begin() + 1, fDocto.end(), IsDigit)) {
    fMsgErro = "Caracteres inválidos na Inscrição Estadual";
    return;
  }

  const RegraIE* regra = EscolherRegra(uf, fDocto);
  std::string v = fDocto;
  std::string msg;
  auto tamanho = [&](int esperado) {
    return "Tamanho inválido: Esperado " + std::to_string(esperado) + " caracteres, mas foram digitados somente " +
           std::to_string(v.size()) + " caracteres.";
  };
  // Without a rule there is no length to adjust to: such a state fails here.
  if (!regra) {
    msg = tamanho(0);
  } else {
    if (uf == "BA" && v.size() == 8) v = "0" + v;
    if (uf == "MT" && v.size() == 9) v = CompletarEsquerda(v, 11, '0');
    if (fAjustarTamanho) v = CompletarEsquerda(v, regra->tamanho, '0');
    if (static_cast<int>(v.size()) != regra->tamanho) msg = tamanho(regra->tamanho);
  }

  if (msg.empty()) {
    const std::vector<std::string>& padrao = PadraoDaRegra(*regra);
    const std::size_t deslocamento = 14 - v.size();
    const std::string campo = std::string(deslocamento, ' ') + v;
    int posX = -1, posY = -1;
    for (std::size_t i = 0; i < padrao.size(); ++i) {
      if (!AceitaElemento(padrao[i], v[i])) {
        msg = "Dígito " + std::to_string(i + 1) + " deveria ser " + padrao[i] + " ";
        break;
      }
      if (padrao[i] == "DVX") posX = static_cast<int>(deslocamento + i);
      if (padrao[i] == "DVY") posY = static_cast<int>(deslocamento + i);
    }
    if (msg.empty()) {
      std::string tipo1 = regra->tipo1, tipo2 = regra->tipo2 ? regra->tipo2 : "";
      int mod1 = regra->modulo1, mod2 = regra->modulo2;
      int valor10 = regra->valor10, valor11 = regra->valor11;
      if (uf == "AP") {
        if (v < "030170010") {
          tipo1 = "CE";
        } else if (v <= "030190229") {
          tipo1 = "CE";
          valor11 = 1;
        } else {
          tipo1 = "E";
        }
      } else if (uf == "GO") {
        if (v >= "101031050" && v <= "101199979") valor10 = 1;
      } else if (uf == "BA") {
        mod1 = mod2 = std::string("0123458").find(v[1]) != std::string::npos ? 10 : 11;
      }
      int r = DigitoIE(campo, tipo1, mod1, regra->linha1, valor10, valor11);
      fDigitoCalculado = std::to_string(r);
      bool ok = r == campo[posX] - '0';
      if (ok && regra->tipo2) {
        r = DigitoIE(campo, tipo2, mod2, regra->linha2, valor10, valor11);
        fDigitoCalculado = std::to_string(r);
        ok = r == campo[posY] - '0';
      }
      if (!ok) {
        msg = "Dígito verificador inválido.";
        if (fExibeDigitoCorreto) msg += ".. Calculado: " + fDigitoCalculado;
      }
    }
  }
  if (!msg.empty()) fMsgErro = "Insc.Estadual inválida para " + uf + " " + msg;
}

void TTuimValidador::ValidarCheque() {
  if (!AllDigits(fDocto)) {
    fMsgErro = "Digite apenas os números do Cheque";
    return;
  }
  fCalcDigito.Limpar();
  fCalcDigito.SetDocumento(fDocto.substr(0, fDocto.size() - 1));
  fCalcDigito.Calcular();
  fDigitoCalculado = std::to_string(fCalcDigito.DigitoFinal());
  if (fDigitoCalculado[0] != fDocto.back()) {
    fMsgErro = "Número de Cheque inválido.";
    if (fExibeDigitoCorreto) fMsgErro += ".. Dígito correto: " + fDigitoCalculado;
  }
}

void TTuimValidador::ValidarPIS() {
  if (fAjustarTamanho) fDocto = CompletarEsquerda(fDocto, 11, '0');
  if (fDocto.size() != 11 || !AllDigits(fDocto)) {
    fMsgErro = "PIS deve ter 11 dígitos. (Apenas números)";
    return;
  }
  fCalcDigito.Limpar();
  fCalcDigito.SetFormula(fdModulo11Pis);
  fCalcDigito.SetDocumento(fDocto.substr(0, 10));
  fCalcDigito.Calcular();
  fDigitoCalculado = std::to_string(fCalcDigito.DigitoFinal());
  if (fDigitoCalculado[0] != fDocto[10]) {
    fMsgErro = "PIS inválido.";
    if (fExibeDigitoCorreto) fMsgErro += ".. Dígito calculado: " + fDigitoCalculado;
  }
}

void TTuimValidador::ValidarCEP() {
  if (fAjustarTamanho) fDocto = CompletarEsquerda(Trim(fDocto), 8, '0');
  if (fDocto.size() != 8 || !AllDigits(fDocto)) {
    fMsgErro = "CEP deve ter 8 dígitos. (Apenas números)";
    return;
  }
  const std::string uf = Trim(fComplemento);
  if (!uf.empty()) {
    ValidarUF(uf);
    if (!fMsgErro.empty()) return;
  }
  for (const FaixaCEP& f : kFaixasCEP)
    if ((uf.empty() || uf == f.uf) && fDocto >= f.inicio && fDocto <= f.fim) return;
  fMsgErro = uf.empty() ? std::string("CEP inválido !") : "CEP inválido para " + uf + " !";
}

// ISO/IEC 7812 (Luhn): doubling starts at the digit just left of the check digit, so
// numbers of odd length (13, 15, 19 digits) are read correctly too.
void TTuimValidador::ValidarCartaoCredito() {
  if (!AllDigits(fDocto)) {
    fMsgErro = "Cartão deve ter apenas Números";
    return;
  }
  int sum = 0;
  bool dobra = true;
  for (std::size_t i = fDocto.size() - 1; i-- > 0;) {
    int v = (fDocto[i] - '0') * (dobra ? 2 : 1);
    sum += v > 9 ? v - 9 : v;
    dobra = !dobra;
  }
  fDigitoCalculado = std::to_string((10 - sum % 10) % 10);
  if (fDigitoCalculado[0] != fDocto.back()) {
    fMsgErro = "Numero do Cartão Inválido.";
    if (fExibeDigitoCorreto) fMsgErro += ".. Dígito calculado: " + fDigitoCalculado;
  }
}

void TTuimValidador::ValidarSuframa() {
  if (fDocto.size() <= 8 || !AllDigits(fDocto)) {
    fMsgErro = "Código SUFRAMA deve ter no mínimo 9 dígitos. (Apenas números)";
    return;
  }
  fCalcDigito.Limpar();
  fCalcDigito.SetDocumento(fDocto.substr(0, 8));
  fCalcDigito.Calcular();
  fDigitoCalculado = std::to_string(fCalcDigito.DigitoFinal());
  if (fDigitoCalculado[0] != fDocto[8]) {
    fMsgErro = "Número SUFRAMA inválido.";
    if (fExibeDigitoCorreto) fMsgErro += " Dígito calculado: " + fDigitoCalculado;
  }
}

void TTuimValidador::ValidarGTIN() {
  if (!AllDigits(fDocto)) {
    fMsgErro = "Código GTIN inválido, o código GTIN deve conter somente números.";
    return;
  }
  const std::size_t n = fDocto.size();
  if (n != 8 && n != 12 && n != 13 && n != 14) {
    fMsgErro = "Código GTIN inválido, o código GTIN deve ter 8, 12, 13 ou 14 caracteres.";
    return;
  }
  fDigitoCalculado = DigitoGTIN(fDocto.substr(0, n - 1));
  if (fDigitoCalculado[0] != fDocto.back()) {
    fMsgErro = "Código GTIN inválido.";
    if (fExibeDigitoCorreto) fMsgErro += " Dígito calculado: " + fDigitoCalculado;
  }
}

void TTuimValidador::ValidarPrefixoGTIN() {
  ValidarGTIN();
  if (!fMsgErro.empty()) return;
  // The prefix is read from the cleaned text the GTIN check accepted, so separators in
  // Documento cannot shift it.
  const std::string g = CompletarEsquerda(fDocto, 14, '0');
  const std::string p = g.compare(0, 6, "000000") == 0 ? g.substr(6, 3) : g.substr(1, 3);
  const int prefixo = std::stoi(p);
  if (prefixo == 0) {
    fMsgErro = "Prefixo do código GTIN inválido!";
    return;
  }
  for (const TFaixaPrefixoGTIN& f : kFaixasGTIN)
    if (prefixo >= f.inicio && prefixo <= f.fim) return;
  fMsgErro = "Prefixo \"" + std::to_string(prefixo) + "\" do GTIN \"" + fDocumento + "\" informado inválido";
}

void TTuimValidador::ValidarRenavam() {
  if (fAjustarTamanho) fDocto = CompletarEsquerda(fDocto, 11, '0');
  if (fDocto.size() != 11 || !AllDigits(fDocto)) {
    fMsgErro = "RENAVAM deve ter 11 dígitos. (Apenas números)";
    return;
  }
  static constexpr int kPesosRenavam[10] = {3, 2, 9, 8, 7, 6, 5, 4, 3, 2};
  int sum = 0;
  for (int i = 0; i < 10; ++i) sum += (fDocto[i] - '0') * kPesosRenavam[i];
  int d = sum * 10 % 11;
  if (d == 10) d = 0;
  fDigitoCalculado = std::to_string(d);
  if (fDigitoCalculado[0] != fDocto[10]) {
    fMsgErro = "RENAVAM inválido.";
    if (fExibeDigitoCorreto) fMsgErro += ".. Dígito calculado: " + fDigitoCalculado;
  }
}

void TTuimValidador::ValidarEmail() {
  const std::string& e = fDocumento;
  if (e.size() <= 7) {
    fMsgErro = "e-mail não pode conter menos do que 8 caracteres!";
    return;
  }
  static const std::string kRecusados =
      " àâêôûãõáéíóúçüñýÀÂÊÔÛÃÕÁÉÍÓÚÇÜÑÝ*;:\\|#$%&§!()][{}<>˜ˆ´ªº+¹²³";
  const std::size_t at = e.find('@');
  bool ok = at != std::string::npos && e.find('@', at + 1) == std::string::npos;
  ok = ok && e.find('.') != std::string::npos && e.find("..") == std::string::npos;
  ok = ok && e.front() != '.' && e.front() != '@' && e.back() != '.' && e.back() != '@';
  ok = ok && e[at - 1] != '.' && e[at + 1] != '.' && e.find('.', at + 1) != std::string::npos;
  // Control characters (a line break above all) would let an address carry mail headers.
  ok = ok && std::none_of(e.begin(), e.end(), [](char c) {
         return kRecusados.find(c) != std::string::npos || static_cast<unsigned char>(c) < 0x20 ||
                c == 0x7F;
       });
  if (!ok) fMsgErro = "e-mail inválido!";
}

void TTuimValidador::ValidarCNH() {
  if (fDocto.size() != 11 || !AllDigits(fDocto)) {
    fMsgErro = "C.N.H. deve ter 11 dígitos. (Apenas números)";
    return;
  }
  if (Repetido(fDocto)) {
    fMsgErro = "C.N.H. não deve conter números repetidos !";
    return;
  }
  int s1 = 0, s2 = 0;
  for (int i = 0; i < 9; ++i) {
    s1 += (fDocto[i] - '0') * (9 - i);
    s2 += (fDocto[i] - '0') * (i + 1);
  }
  int correcao = 0;
  int d1 = s1 % 11;
  if (d1 >= 10) {
    correcao = -2;
    d1 = 0;
  }
  int d2 = s2 % 11 + correcao;
  if (d2 < 0) d2 += 11;
  if (d2 > 9) d2 = 0;
  fDigitoCalculado = std::to_string(d1) + std::to_string(d2);
  if (fDigitoCalculado != fDocto.substr(9, 2)) fMsgErro = "C.N.H. Inválida !!";
}

void TTuimValidador::ValidarPlacaMercosul() {
  if (fDocto.size() != 7 || !std::all_of(fDocto.begin(), fDocto.end(), IsUpperAlnum))
    fMsgErro = "Placa deve ter 7 dígitos. (Somente letras e números)";
}

// ---------------------------------------------------------------------------------------------

std::string MensagemErroDocumento(TTuimValTipoDocto tipo, const std::string& documento,
                                  const std::string& complemento) {
  TTuimValidador v;
  v.SetRaiseExcept(false);
  v.SetPermiteVazio(false);
  v.SetTipoDocto(tipo);
  v.SetDocumento(documento);
  v.SetComplemento(complemento);
  if (v.Validar()) return "";
  return v.MsgErro();
}

std::string MensagemErroCPF(const std::string& documento) { return MensagemErroDocumento(docCPF, documento); }
std::string MensagemErroCNPJ(const std::string& documento) { return MensagemErroDocumento(docCNPJ, documento); }
std::string MensagemErroGTIN(const std::string& documento) { return MensagemErroDocumento(docGTIN, documento); }
std::string MensagemErroIE(const std::string& documento, const std::string& uf) {
  return MensagemErroDocumento(docInscEst, documento, uf);
}

namespace {
// The letters and digits of an alphanumeric CNPJ when texto holds one; otherwise its digits.
std::string CaracteresCNPJ(const std::string& texto) {
  std::string alnum;
  for (char c : UpperCase(texto))
    if (IsUpperAlnum(c)) alnum += c;
  if (FormaCNPJAlfanumerico(alnum)) return alnum;
  return SomenteNumeros(texto);
}
}  // namespace

std::string FormatarCPF(const std::string& texto) {
  const std::string d = CompletarEsquerda(SomenteNumeros(texto), 11, '0');
  return d.substr(0, 3) + "." + d.substr(3, 3) + "." + d.substr(6, 3) + "-" + d.substr(9, 2);
}

std::string FormatarCNPJ(const std::string& texto) {
  const std::string d = CompletarEsquerda(CaracteresCNPJ(texto), 14, '0');
  return d.substr(0, 2) + "." + d.substr(2, 3) + "." + d.substr(5, 3) + "/" + d.substr(8, 4) + "-" +
         d.substr(12, 2);
}

std::string FormatarCNPJouCPF(const std::string& texto) {
  const std::string d = CaracteresCNPJ(texto);
  if (d.empty()) return "";
  if (d.size() == 14) return FormatarCNPJ(d);
  return FormatarCPF(d);
}

std::string DigitoModulo11(const std::string& texto, int pesoInicial, int pesoFinal) {
  TTuimCalcDigito c;
  c.SetDocumento(texto);
  c.SetMultiplicadorInicial(pesoInicial);
  c.SetMultiplicadorFinal(pesoFinal);
  c.Calcular();
  return std::to_string(c.DigitoFinal());
}

std::string DigitoGTIN(const std::string& texto) {
  const std::string s = texto.size() < 13 ? CompletarEsquerda(texto, 13, '0') : texto;
  int sum = 0, peso = 3;
  for (auto it = s.rbegin(); it != s.rend(); ++it) {
    if (IsDigit(*it)) sum += (*it - '0') * peso;
    peso = 4 - peso;
  }
  return std::to_string((10 - sum % 10) % 10);
}

int QuantidadeFaixasPrefixoGTIN() { return static_cast<int>(std::size(kFaixasGTIN)); }
const TFaixaPrefixoGTIN& FaixaPrefixoGTIN(int index) { return kFaixasGTIN[index]; }

std::string NomeFaixaPrefixoGTIN(int prefixo) {
  for (const TFaixaPrefixoGTIN& f : kFaixasGTIN)
    if (prefixo >= f.inicio && prefixo <= f.fim) return f.nome;
  return "";
}

}  // namespace tuim
