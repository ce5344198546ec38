#include "component/TuimCatalogo.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "fiscal/TuimUtil.h"
#include "fiscal/TuimException.h"

namespace tuim {

extern const char TuimNFeServicosIni[];
extern const unsigned long TuimNFeServicosIni_size;

namespace {

std::string Upper(std::string s) {
  for (char& c : s)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return s;
}

std::string Aspas(const std::string& s) { return "\"" + s + "\""; }

}  // namespace

void TCatalogoServicos::Limpar() {
  fSecoes.clear();
  fIndice.clear();
}

void TCatalogoServicos::Carregar(const std::string& texto) {
  Limpar();
  Secao* atual = nullptr;
  std::size_t pos = 0;
  while (pos <= texto.size()) {
    std::size_t fim = texto.find_first_of("\r\n", pos);
    if (fim == std::string::npos) fim = texto.size();
    std::string linha = Trim(texto.substr(pos, fim - pos));
    pos = fim + 1;
    if (fim < texto.size() && texto[fim] == '\r' && pos < texto.size() && texto[pos] == '\n') ++pos;
    if (linha.empty() || linha[0] == ';') continue;
    if (linha[0] == '[') {
      // The name runs to the first "]", so a comment after the header does not hide the section.
      std::size_t fecha = linha.find(']');
      if (fecha != std::string::npos) {
        fSecoes.push_back(Secao{Trim(linha.substr(1, fecha - 1)), {}, {}});
        atual = &fSecoes.back();
        fIndice.emplace(Upper(atual->nome), fSecoes.size() - 1);
        continue;
      }
    }
    if (!atual) continue;
    std::string nome, valor;
    std::size_t igual = linha.find('=');
    if (igual == std::string::npos) {
      nome = linha;
    } else {
      nome = Trim(linha.substr(0, igual));
      valor = Trim(linha.substr(igual + 1));
    }
    atual->indice.emplace(Upper(nome), atual->linhas.size());
    atual->linhas.emplace_back(std::move(nome), std::move(valor));
  }
}

const TCatalogoServicos::Secao* TCatalogoServicos::Localizar(const std::string& secao) const {
  auto it = fIndice.find(Upper(secao));
  if (it == fIndice.end()) return nullptr;
  return &fSecoes[it->second];
}

bool TCatalogoServicos::SecaoPresente(const std::string& secao) const {
  const Secao* s = Localizar(secao);
  return s && !s->linhas.empty();
}

std::string TCatalogoServicos::LerValor(const std::string& secao, const std::string& chave) const {
  const Secao* s = Localizar(secao);
  if (!s) return {};
  auto it = s->indice.find(Upper(chave));
  return it == s->indice.end() ? std::string() : s->linhas[it->second].second;
}

std::vector<std::string> TCatalogoServicos::Chaves(const std::string& secao) const {
  std::vector<std::string> r;
  if (const Secao* s = Localizar(secao))
    for (const auto& l : s->linhas) r.push_back(l.first);
  return r;
}

std::vector<std::string> TCatalogoServicos::Secoes() const {
  std::vector<std::string> r;
  for (const auto& s : fSecoes) r.push_back(s.nome);
  return r;
}

std::string TCatalogoServicos::LerChaveVersionada(const std::string& secao, const std::string& servico,
                                                  double& versao) const {
  if (!SecaoPresente(secao)) return {};
  const Secao& s = *Localizar(secao);
  const std::string prefixo = Upper(servico) + "_";
  std::string chave = prefixo + FormatarVersaoCatalogo(versao);
  // Versions compare in hundredths so that "3.1" and "3.10" are one version.
  auto centesimos = [](double v) { return std::llround(v * 100.0); };
  double encontrada = 0;
  auto exata = s.indice.find(chave);
  if (exata != s.indice.end() && !s.linhas[exata->second].second.empty()) encontrada = versao;
  if (encontrada == 0) {
    for (const auto& l : s.linhas) {
      std::string nome = Upper(l.first);
      if (nome.size() <= prefixo.size() || nome.compare(0, prefixo.size(), prefixo) != 0) continue;
      double v = LerVersaoCatalogo(nome.substr(prefixo.size()));
      if (centesimos(v) > centesimos(encontrada) && centesimos(v) <= centesimos(versao)) {
        encontrada = v;
        chave = nome;
      }
    }
  }
  versao = encontrada;
  if (encontrada > 0) return LerValor(secao, chave);
  return LerValor(secao, servico);
}

TCatalogoServicos::TResultado TCatalogoServicos::LocalizarServico(const std::string& modelo, const std::string& uf,
                                                                  bool producao, const std::string& servico,
                                                                  double versao,
                                                                  const std::string& nomeRecurso) const {
  if (modelo.empty()) throw ETuimDFeException("ModeloDFe não pode ser vazio");
  if (uf.empty()) throw ETuimDFeException("UF não pode ser vazia");
  TResultado r;
  std::string secao = modelo + "_" + uf + "_" + (producao ? "P" : "H");
  auto ler = [&](const std::string& s) {
    r.Versao = versao;
    r.URL = LerChaveVersionada(s, servico, r.Versao);
    r.Servico = LerChaveVersionada(LerValor(s, "WSDL"), servico, r.Versao);
    r.SoapAction = LerChaveVersionada(LerValor(s, "SoapAction"), servico, r.Versao);
  };
  ler(secao);
  while (r.URL.empty()) {
    if (!secao.empty()) {
      const std::string alvo = Upper(secao);
      bool repetida = std::any_of(r.Visitadas.begin(), r.Visitadas.end(),
                                  [&](const std::string& v) { return Upper(v) == alvo; });
      if (repetida)
        throw ETuimDFeException("Redirecionamento circular detectado: Sessão " + Aspas(secao) + " no arquivo " +
                                Aspas(nomeRecurso));
      r.Visitadas.push_back(secao);
    }
    if (!SecaoPresente(secao))
      throw ETuimDFeException("Sessão " + Aspas(secao) + ", não encontrada no arquivo " + Aspas(nomeRecurso));
    std::string usar = LerValor(secao, "Usar");
    if (usar.empty())
      throw ETuimDFeException("URL para o serviço " + Aspas(servico) + " não encontrada na sessão " +
                              Aspas(secao) + " no arquivo " + Aspas(nomeRecurso));
    secao = usar;
    ler(secao);
  }
  return r;
}

std::string FormatarVersaoCatalogo(double versao) {
  // Hundredths as an integer: no locale and no binary artefacts such as "3.0999".
  long long centesimos = std::llround(versao * 100.0);
  bool negativo = centesimos < 0;
  if (negativo) centesimos = -centesimos;
  char buf[48];
  std::snprintf(buf, sizeof buf, "%s%lld.%02lld", negativo ? "-" : "", centesimos / 100, centesimos % 100);
  return buf;
}

double LerVersaoCatalogo(const std::string& texto) {
  std::string t = Trim(texto);
  if (t.empty()) return 0;
  // Digits with at most one separator; anything else is not a number.
  double inteiro = 0, fracao = 0, escala = 1;
  bool separador = false, digito = false;
  for (char c : t) {
    if (c >= '0' && c <= '9') {
      digito = true;
      if (separador) {
        escala /= 10;
        fracao += (c - '0') * escala;
      } else {
        inteiro = inteiro * 10 + (c - '0');
      }
    } else if ((c == '.' || c == ',') && !separador) {
      separador = true;
    } else {
      return 0;
    }
  }
  return digito ? inteiro + fracao : 0;
}

std::string TextoServicosEmbutido() { return std::string(TuimNFeServicosIni, TuimNFeServicosIni_size); }

}  // namespace tuim
