#include "xml/TuimNFeJson.h"

#include <nlohmann/json.hpp>

#include <cstdint>
#include <limits>
#include <type_traits>

#include "fiscal/TuimException.h"
#include "fiscal/TuimUtil.h"
#include "fiscal/fscAuxiliar.h"
#include "xml/TuimNFeCampos.h"

namespace tuim {

namespace {

// Keys keep the model's order.
using TJson = nlohmann::ordered_json;

// ---- Writing -------------------------------------------------------------------------------

template <class T>
TJson Objeto(T& o, int cUF);

class TEscritaJSON {
public:
  explicit TEscritaJSON(int cUF) : fUF(cUF) {}

  void Campo(const char* n, std::string& v) { fObjeto[n] = ParaUTF8(v); }
  void Campo(const char* n, int& v) { fObjeto[n] = v; }
  void Campo(const char* n, TCurrency& v) { fObjeto[n] = ValorParaTextoNFe(v); }
  template <class E>
    requires std::is_enum_v<E>
  void Campo(const char* n, E& v) {
    fObjeto[n] = ParaUTF8(TCodigosNFe<E>::Texto(v));
  }
  void Real(const char* n, double& v) { fObjeto[n] = RealParaTextoNFe(v); }
  void Data(const char* n, TDateTime& v) { fObjeto[n] = v == 0 ? TJson() : TJson(DataHoraParaISO(v).substr(0, 10)); }
  void DataHora(const char* n, TDateTime& v) {
    fObjeto[n] = v == 0 ? TJson() : TJson(DataHoraParaISO(v) + FusoHorario(CodigoUFParaSigla(fUF), v));
  }
  void Hora(const char* n, TDateTime& v) { fObjeto[n] = v == 0 ? TJson() : TJson(DataHoraParaISO(v).substr(11)); }
  template <class T>
  void Grupo(const char* n, T& g) {
    TJson j = Objeto(g, fUF);
    if (!j.empty()) fObjeto[n] = std::move(j);
  }
  template <class T>
  void Lista(const char* n, TColecao<T>& l) {
    if (l.Empty()) return;
    TJson a = TJson::array();
    for (T& item : l) a.push_back(Objeto(item, fUF));
    fObjeto[n] = std::move(a);
  }

  TJson& Resultado() { return fObjeto; }

private:
  int fUF;
  TJson fObjeto = TJson::object();
};

// The fields of `o` that differ from those of a new object of its class.
template <class T>
TJson Objeto(T& o, int cUF) {
  TEscritaJSON valores(cUF);
  Campos(valores, o);
  T novo;
  TEscritaJSON padroes(cUF);
  Campos(padroes, novo);
  TJson& r = valores.Resultado();
  const TJson& p = padroes.Resultado();
  for (auto it = r.begin(); it != r.end();) {
    auto q = p.find(it.key());
    if (q != p.end() && *q == *it)
      it = r.erase(it);
    else
      ++it;
  }
  return std::move(r);
}

// ---- Reading -------------------------------------------------------------------------------

[[noreturn]] void Erro(const std::string& caminho, const std::string& motivo) {
  throw ETuimDFeException("JSON da NF-e: " + caminho + ": " + motivo);
}

template <class T>
void LerObjeto(const TJson& j, T& o, const std::string& caminho);

// Looks for one key among the fields of a group and reads its value there.
class TLeituraJSON {
public:
  TLeituraJSON(const TJson& valor, const std::string& chave, const std::string& caminho)
      : fValor(valor), fChave(chave), fCaminho(caminho) {}

  bool Achou() const { return fAchou; }

  void Campo(const char* n, std::string& v) {
    if (Eh(n)) v = Texto();
  }
  void Campo(const char* n, int& v) {
    if (!Eh(n)) return;
    if (!fValor.is_number_integer()) Erro(fCaminho, "esperado número inteiro");
    const std::int64_t i = fValor.get<std::int64_t>();
    if (fValor.is_number_unsigned() && fValor.get<std::uint64_t>() > static_cast<std::uint64_t>(INT32_MAX))
      Erro(fCaminho, "número fora do intervalo");
    if (i < std::numeric_limits<int>::min() || i > std::numeric_limits<int>::max())
      Erro(fCaminho, "número fora do intervalo");
    v = static_cast<int>(i);
  }
  void Campo(const char* n, TCurrency& v) {
    if (!Eh(n)) return;
    if (fValor.is_string()) {
      if (!TextoParaValorNFe(fValor.get<std::string>(), v)) Erro(fCaminho, "valor decimal inválido");
    } else if (fValor.is_number_integer()) {
      const double d = fValor.get<double>();
      if (d > 1e14 || d < -1e14) Erro(fCaminho, "número fora do intervalo");
      v = TCurrency::FromRaw(fValor.get<std::int64_t>() * TCurrency::kScale);
    } else if (fValor.is_number_float()) {
      const double d = fValor.get<double>();
      if (!(d <= 1e14 && d >= -1e14)) Erro(fCaminho, "número fora do intervalo");
      v = TCurrency::FromDouble(d);
    } else {
      Erro(fCaminho, "esperado valor decimal (texto ou número)");
    }
  }
  template <class E>
    requires std::is_enum_v<E>
  void Campo(const char* n, E& v) {
    if (!Eh(n)) return;
    const std::string codigo = Texto();
    bool ok = false;
    E lido = TCodigosNFe<E>::Valor(ok, codigo);
    // The tables compare ignoring case; the code must come back exactly as given.
    if (!ok || TCodigosNFe<E>::Texto(lido) != codigo) Erro(fCaminho, "código desconhecido \"" + codigo + "\"");
    v = lido;
  }
  void Real(const char* n, double& v) {
    if (!Eh(n)) return;
    if (fValor.is_string()) {
      if (!TextoParaRealNFe(fValor.get<std::string>(), v)) Erro(fCaminho, "valor decimal inválido");
    } else if (fValor.is_number()) {
      v = fValor.get<double>();
    } else {
      Erro(fCaminho, "esperado valor decimal (texto ou número)");
    }
  }
  void Data(const char* n, TDateTime& v) { LerData(n, v, tdData); }
  void DataHora(const char* n, TDateTime& v) { LerData(n, v, tdDataHora); }
  void Hora(const char* n, TDateTime& v) { LerData(n, v, tdHora); }
  template <class T>
  void Grupo(const char* n, T& g) {
    if (Eh(n)) LerObjeto(fValor, g, fCaminho);
  }
  template <class T>
  void Lista(const char* n, TColecao<T>& l) {
    if (!Eh(n)) return;
    if (!fValor.is_array()) Erro(fCaminho, "esperada lista");
    l.Clear();
    int i = 0;
    for (const TJson& item : fValor) {
      LerObjeto(item, l.New(), fCaminho + "[" + std::to_string(i) + "]");
      ++i;
    }
  }

private:
  // True when `n` is the key sought and its value is not null.
  bool Eh(const char* n) {
    if (fAchou || fChave != n) return false;
    fAchou = true;
    return !fValor.is_null();
  }
  std::string Texto() const {
    if (!fValor.is_string()) Erro(fCaminho, "esperado texto");
    std::string t;
    if (!DeUTF8Seguro(fValor.get<std::string>(), t)) Erro(fCaminho, "texto fora do UTF-8");
    return t;
  }
  void LerData(const char* n, TDateTime& v, TTipoDataNFe tipo) {
    if (!Eh(n)) return;
    const std::string t = Texto();
    if (!TextoParaDataNFe(t, tipo, v)) Erro(fCaminho, "data inválida \"" + t + "\"");
  }

  const TJson& fValor;
  const std::string& fChave;
  const std::string& fCaminho;
  bool fAchou = false;
};

template <class T>
void LerObjeto(const TJson& j, T& o, const std::string& caminho) {
  if (!j.is_object()) Erro(caminho, "esperado objeto");
  for (auto it = j.begin(); it != j.end(); ++it) {
    const std::string caminhoChave = caminho + "." + DeUTF8(it.key());
    TLeituraJSON leitura(it.value(), it.key(), caminhoChave);
    Campos(leitura, o);
    if (!leitura.Achou()) Erro(caminhoChave, "chave desconhecida");
  }
}

}  // namespace

std::string NFeParaJSON(const TNFe& nfe, int identacao) {
  TNFe copia(nfe);  // the fields are walked through non-const references
  return Objeto(copia, nfe.Ide.cUF).dump(identacao);
}

void NFeDeJSON(TNFe& nfe, const std::string& utf8Json) {
  TJson j;
  try {
    j = TJson::parse(utf8Json);
  } catch (const TJson::exception& e) {  // malformed text, or a number out of range
    throw ETuimDFeException("JSON da NF-e inválido: " + DeUTF8(e.what()));
  }
  TNFe novo;
  LerObjeto(j, novo, "$");
  nfe = std::move(novo);
}

}  // namespace tuim
