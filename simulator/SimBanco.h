#pragma once
// The simulator's state in SQLite (WAL mode), shared by the server and the other commands.
#include <sqlite3.h>

#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace tuim::sim {

using TLinha = std::vector<std::string>;

class TBanco {
public:
  explicit TBanco(const std::string& arquivo);  // creates the tables when missing
  ~TBanco();
  TBanco(const TBanco&) = delete;
  TBanco& operator=(const TBanco&) = delete;

  // Runs one statement with its text parameters; returns the rows (every column as text).
  std::vector<TLinha> Consultar(const std::string& sql, const std::vector<std::string>& params = {});
  void Executar(const std::string& sql, const std::vector<std::string>& params = {});
  std::optional<TLinha> Primeira(const std::string& sql, const std::vector<std::string>& params = {});
  std::int64_t UltimoId() { return sqlite3_last_insert_rowid(fDb); }

  std::string Config(const std::string& chave, const std::string& padrao = "");
  void SetConfig(const std::string& chave, const std::string& valor);
  // Next value of a named counter, inside the caller's transaction.
  std::int64_t Proximo(const std::string& contador);

  // One writer at a time in this process; BEGIN IMMEDIATE against the other processes.
  class TTransacao {
  public:
    explicit TTransacao(TBanco& b);
    ~TTransacao();
    void Confirmar();

  private:
    TBanco& fBanco;
    std::unique_lock<std::recursive_mutex> fTrava;
    bool fAberta = true;
  };

  void Fechar();

private:
  sqlite3* fDb = nullptr;
  std::recursive_mutex fMutex;
};

}  // namespace tuim::sim
