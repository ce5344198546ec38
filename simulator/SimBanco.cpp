#include "simulator/SimBanco.h"

#include <stdexcept>

namespace tuim::sim {
namespace {

const char* const kTabelas = R"(
CREATE TABLE IF NOT EXISTS config (chave TEXT PRIMARY KEY, valor TEXT);
CREATE TABLE IF NOT EXISTS contadores (nome TEXT PRIMARY KEY, valor INTEGER);
CREATE TABLE IF NOT EXISTS contribuintes (cnpj TEXT, ie TEXT, uf TEXT, nome TEXT, situacao INTEGER DEFAULT 1,
  PRIMARY KEY (cnpj, ie));
CREATE TABLE IF NOT EXISTS irregulares (doc TEXT PRIMARY KEY);
CREATE TABLE IF NOT EXISTS documentos (chave TEXT PRIMARY KEY, cnpj TEXT, modelo TEXT, serie INTEGER,
  nnf INTEGER, tpamb TEXT, cuf TEXT, cstat INTEGER, xmotivo TEXT, nprot TEXT, dhrecbto TEXT, digval TEXT,
  nrec TEXT, dest TEXT, nfe TEXT, prot TEXT);
CREATE INDEX IF NOT EXISTS documentos_numero ON documentos (cnpj, modelo, serie, nnf, tpamb);
CREATE TABLE IF NOT EXISTS recibos (nrec TEXT PRIMARY KEY, tpamb TEXT, cuf TEXT, dhrecbto TEXT,
  consultas INTEGER, protocolos TEXT);
CREATE TABLE IF NOT EXISTS eventos (id TEXT PRIMARY KEY, chave TEXT, tpevento TEXT, nseq INTEGER, autor TEXT,
  cstat INTEGER, nprot TEXT, dhreg TEXT, evento TEXT, ret TEXT);
CREATE INDEX IF NOT EXISTS eventos_chave ON eventos (chave);
CREATE TABLE IF NOT EXISTS inutilizacoes (id TEXT PRIMARY KEY, cnpj TEXT, modelo INTEGER, serie INTEGER,
  ano INTEGER, ini INTEGER, fim INTEGER, tpamb TEXT, nprot TEXT, dhrecbto TEXT);
CREATE TABLE IF NOT EXISTS nsu (nsu INTEGER PRIMARY KEY AUTOINCREMENT, cnpj TEXT, schema TEXT, xml TEXT);
CREATE TABLE IF NOT EXISTS distribuicao (cnpj TEXT PRIMARY KEY, quando INTEGER);
CREATE TABLE IF NOT EXISTS csc (cnpj TEXT, id TEXT, codigo TEXT, ativo INTEGER DEFAULT 1, PRIMARY KEY (cnpj, id));
CREATE TABLE IF NOT EXISTS falhas (n INTEGER PRIMARY KEY AUTOINCREMENT, servico TEXT, tipo TEXT, restantes INTEGER);
)";

void Verificar(sqlite3* db, int rc, const std::string& onde) {
  if (rc != SQLITE_OK && rc != SQLITE_DONE && rc != SQLITE_ROW)
    throw std::runtime_error("SQLite (" + onde + "): " + sqlite3_errmsg(db));
}

}  // namespace

TBanco::TBanco(const std::string& arquivo) {
  int rc = sqlite3_open_v2(arquivo.c_str(), &fDb, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_FULLMUTEX,
                           nullptr);
  if (rc != SQLITE_OK) {
    std::string m = fDb ? sqlite3_errmsg(fDb) : "sem memória";
    sqlite3_close(fDb);
    fDb = nullptr;
    throw std::runtime_error("não foi possível abrir " + arquivo + ": " + m);
  }
  sqlite3_busy_timeout(fDb, 10000);
  Verificar(fDb, sqlite3_exec(fDb, "PRAGMA journal_mode=WAL; PRAGMA synchronous=NORMAL;", nullptr, nullptr, nullptr),
            "WAL");
  Verificar(fDb, sqlite3_exec(fDb, kTabelas, nullptr, nullptr, nullptr), "tabelas");
}

TBanco::~TBanco() { Fechar(); }

void TBanco::Fechar() {
  std::lock_guard<std::recursive_mutex> g(fMutex);
  if (fDb) sqlite3_close_v2(fDb);
  fDb = nullptr;
}

std::vector<TLinha> TBanco::Consultar(const std::string& sql, const std::vector<std::string>& params) {
  std::lock_guard<std::recursive_mutex> g(fMutex);
  if (!fDb) throw std::runtime_error("banco fechado");
  sqlite3_stmt* st = nullptr;
  Verificar(fDb, sqlite3_prepare_v2(fDb, sql.c_str(), -1, &st, nullptr), sql);
  for (std::size_t i = 0; i < params.size(); ++i)
    sqlite3_bind_text(st, static_cast<int>(i + 1), params[i].data(), static_cast<int>(params[i].size()),
                      SQLITE_TRANSIENT);
  std::vector<TLinha> r;
  int rc;
  while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
    TLinha l;
    for (int c = 0; c < sqlite3_column_count(st); ++c) {
      const unsigned char* t = sqlite3_column_text(st, c);
      l.emplace_back(t ? reinterpret_cast<const char*>(t) : "", static_cast<std::size_t>(sqlite3_column_bytes(st, c)));
    }
    r.push_back(std::move(l));
  }
  sqlite3_finalize(st);
  Verificar(fDb, rc, sql);
  return r;
}

void TBanco::Executar(const std::string& sql, const std::vector<std::string>& params) { Consultar(sql, params); }

std::optional<TLinha> TBanco::Primeira(const std::string& sql, const std::vector<std::string>& params) {
  auto r = Consultar(sql, params);
  if (r.empty()) return std::nullopt;
  return r.front();
}

std::string TBanco::Config(const std::string& chave, const std::string& padrao) {
  auto l = Primeira("SELECT valor FROM config WHERE chave = ?", {chave});
  return l ? (*l)[0] : padrao;
}

void TBanco::SetConfig(const std::string& chave, const std::string& valor) {
  Executar("INSERT INTO config (chave, valor) VALUES (?, ?) ON CONFLICT(chave) DO UPDATE SET valor = excluded.valor",
           {chave, valor});
}

std::int64_t TBanco::Proximo(const std::string& contador) {
  Executar("INSERT INTO contadores (nome, valor) VALUES (?, 1) ON CONFLICT(nome) DO UPDATE SET valor = valor + 1",
           {contador});
  return std::stoll((*Primeira("SELECT valor FROM contadores WHERE nome = ?", {contador}))[0]);
}

TBanco::TTransacao::TTransacao(TBanco& b) : fBanco(b), fTrava(b.fMutex) { fBanco.Executar("BEGIN IMMEDIATE"); }

TBanco::TTransacao::~TTransacao() {
  if (fAberta) {
    try {
      fBanco.Executar("ROLLBACK");
    } catch (...) {
    }
  }
}

void TBanco::TTransacao::Confirmar() {
  fBanco.Executar("COMMIT");
  fAberta = false;
}

}  // namespace tuim::sim
