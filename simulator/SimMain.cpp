// tuim-sefaz-sim: a local tax-authority simulator for testing NF-e and NFC-e clients.
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "fiscal/TuimUtil.h"
#include "simulator/SimBanco.h"
#include "simulator/SimCertificados.h"
#include "simulator/SimSefaz.h"
#include "simulator/SimServidor.h"
#include "simulator/SimUtil.h"
#include "simulator/SimXml.h"

namespace fs = std::filesystem;
using namespace tuim::sim;

namespace {

const char* const kUso =
    "Uso: tuim-sefaz-sim iniciar PASTA --cnpj CNPJ [--cnpj CNPJ2 ...] [--uf UF]\n"
    "     tuim-sefaz-sim servir PASTA [--porta N] [--endereco 127.0.0.1] [--schemas PASTA]\n"
    "     tuim-sefaz-sim falha PASTA SERVICO TIPO [--vezes N]\n"
    "     tuim-sefaz-sim estado PASTA [--json]\n"
    "     tuim-sefaz-sim ajustar PASTA [--consultas-105 N] [--irregular DOC] [--regular DOC]\n"
    "                                  [--contribuinte CNPJ:IE[:UF]] [--tmed S] [--pagina-nsu N]\n\n"
    "Simula as autoridades fiscais da NF-e e da NFC-e (layout 4.00) em HTTPS local.\n"
    "iniciar grava a CA de teste (ca.pem), o certificado do servidor, um CNPJ.pfx (senha 1234) e um\n"
    "CNPJ.csc por CNPJ, e o banco de dados. servir imprime PORTA n, grava PASTA/catalogo.ini apontando\n"
    "todos os serviços para si e atende até SIGTERM. falha arma uma falha para as próximas N chamadas\n"
    "de um serviço (ou *): corte, atraso:MS, http500, vazio, truncado, 656, paralisado[:109], encerrar\n"
    "(responde inteiro e fecha a conexão mantida). estado conta também as conexões TLS aceitas. ajustar\n"
    "--tmed muda o tempo médio das respostas (padrão 1 s); --pagina-nsu, os documentos por resposta da\n"
    "distribuição (padrão 50).\n";

int Erro(const std::string& m) {
  std::cerr << "tuim-sefaz-sim: " << m << "\n";
  return 2;
}

struct TArgs {
  std::vector<std::string> posicionais;
  std::vector<std::pair<std::string, std::string>> opcoes;
  std::string erro;
  bool Tem(const std::string& n) const {
    for (const auto& o : opcoes)
      if (o.first == n) return true;
    return false;
  }
  std::string Valor(const std::string& n, const std::string& padrao = "") const {
    for (const auto& o : opcoes)
      if (o.first == n) return o.second;
    return padrao;
  }
  std::vector<std::string> Todos(const std::string& n) const {
    std::vector<std::string> r;
    for (const auto& o : opcoes)
      if (o.first == n) r.push_back(o.second);
    return r;
  }
};

TArgs Ler(int argc, char** argv, int de, const std::vector<std::string>& semValor) {
  TArgs a;
  for (int i = de; i < argc; ++i) {
    std::string s = argv[i];
    if (s.rfind("--", 0) == 0) {
      std::string n = s.substr(2);
      bool flag = false;
      for (const auto& f : semValor) flag = flag || f == n;
      if (flag) {
        a.opcoes.emplace_back(n, "");
      } else if (i + 1 < argc) {
        a.opcoes.emplace_back(n, argv[++i]);
      } else {
        a.erro = "falta o valor de --" + n;
      }
    } else {
      a.posicionais.push_back(s);
    }
  }
  return a;
}

bool Inteiro(const std::string& s, long& v) {
  if (!tuim::TextoNumerico(s) || s.size() > 9) return false;
  v = std::atol(s.c_str());
  return true;
}

std::string PastaSchemas(const TArgs& a) {
  auto tem = [](const std::string& p) { return !p.empty() && fs::exists(p + "/enviNFe_v4.00.xsd"); };
  std::string p = a.Valor("schemas");
  if (!p.empty()) return p;
  if (const char* e = std::getenv("TUIM_SCHEMAS"); e && *e) return e;
  if (tem(TUIM_SIM_DADOS)) return TUIM_SIM_DADOS;
  return TUIM_SIM_FONTE "/schemas/PL_009_V4";
}

int Iniciar(const TArgs& a) {
  if (a.posicionais.size() != 1) return Erro("informe a PASTA");
  const std::string pasta = a.posicionais[0];
  auto cnpjs = a.Todos("cnpj");
  if (cnpjs.empty()) return Erro("informe ao menos um --cnpj");
  for (const auto& c : cnpjs)
    if (c.size() != 14 || !tuim::TextoNumerico(c)) return Erro("CNPJ inválido: " + c);
  const std::string uf = a.Valor("uf", "SP");
  if (!CodigoUF(uf)) return Erro("UF inválida: " + uf);
  std::error_code ec;
  fs::create_directories(pasta, ec);
  if (fs::exists(pasta + "/ca.pem")) return Erro("a pasta já foi iniciada: " + pasta);
  GerarCertificados(pasta, cnpjs, "1234");
  TBanco b(pasta + "/sefaz.db");
  TBanco::TTransacao t(b);
  b.SetConfig("uf", uf);
  b.SetConfig("consultas105", "0");
  for (const auto& c : cnpjs) {
    const std::string ie = Aleatorio(12, "0123456789");
    b.Executar("INSERT OR IGNORE INTO contribuintes (cnpj, ie, uf, nome) VALUES (?, ?, ?, ?)",
               {c, ie, uf, "EMPRESA TESTE " + c});
    const std::string csc = Aleatorio(36, "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789");
    b.Executar("INSERT OR REPLACE INTO csc (cnpj, id, codigo, ativo) VALUES (?, '000001', ?, 1)", {c, csc});
    std::ofstream(pasta + "/" + c + ".csc") << "id=000001\ncsc=" << csc << "\n";
  }
  t.Confirmar();
  chmod((pasta + "/ca.key").c_str(), 0600);
  std::cout << "Pasta " << pasta << " iniciada: ca.pem";
  for (const auto& c : cnpjs) std::cout << ", " << c << ".pfx";
  std::cout << "\n";
  return 0;
}

void GravarCatalogo(const std::string& pasta, const std::string& host, unsigned short porta) {
  static const char* kAutoridades[] = {"AC", "AL", "AM", "AP", "BA", "CE", "DF", "ES", "GO", "MA", "MG",
                                       "MS", "MT", "PA", "PB", "PE", "PI", "PR", "RJ", "RN", "RO", "RR",
                                       "RS", "SC", "SE", "SP", "TO", "SVAN", "SVRS", "SVC-AN", "SVC-RS", "AN"};
  const std::string base = "https://" + host + ":" + std::to_string(porta);
  std::string t = ";;;;;;;;;;;;;; tuim-sefaz-sim: todos os servicos em " + base + " ;;;;;;;;;;;;;;\n";
  for (const char* modelo : {"NFe", "NFCe"})
    for (const char* aut : kAutoridades)
      for (const char* amb : {"P", "H"}) {
        t += std::string("\n[") + modelo + "_" + aut + "_" + amb + "]\n";
        for (std::size_t i = 0; i < kNumChavesCatalogo; ++i)
          t += std::string(kChavesCatalogo[i].chave) + "=" + base + "/ws/" + modelo + "/" + aut + "/" + amb + "/" +
               kChavesCatalogo[i].servico + "\n";
        if (std::string(modelo) == "NFCe")
          t += "URL-QRCode=" + base + "/nfce/qrcode\nURL-QRCode_2.00=" + base + "/nfce/qrcode\nURL-ConsultaNFCe=" +
               base + "/nfce/consulta\nURL-ConsultaNFCe_2.00=" + base + "/nfce/consulta\n";
      }
  const std::string tmp = pasta + "/catalogo.ini.tmp";
  std::ofstream(tmp, std::ios::binary) << t;
  fs::rename(tmp, pasta + "/catalogo.ini");
}

int Servir(const TArgs& a) {
  if (a.posicionais.size() != 1) return Erro("informe a PASTA");
  const std::string pasta = a.posicionais[0];
  if (!fs::exists(pasta + "/sefaz.db") || !fs::exists(pasta + "/servidor.pem"))
    return Erro("pasta não iniciada (use tuim-sefaz-sim iniciar): " + pasta);
  long porta = 0;
  if (a.Tem("porta") && (!Inteiro(a.Valor("porta"), porta) || porta > 65535))
    return Erro("--porta inválida: " + a.Valor("porta"));
  const std::string endereco = a.Valor("endereco", "127.0.0.1");
  const std::string schemas = PastaSchemas(a);
  if (!fs::exists(schemas + "/enviNFe_v4.00.xsd")) return Erro("schemas não encontrados em " + schemas);
  // SIGTERM is taken by the server's own wait; block it until then.
  IniciarXml();
  TSefaz sefaz(pasta, schemas);
  const std::string host = endereco == "0.0.0.0" || endereco == "::" ? "127.0.0.1" : endereco;
  tuim::sim::Servir(sefaz, pasta, endereco, static_cast<unsigned short>(porta), [&](unsigned short p) {
    GravarCatalogo(pasta, host, p);
    std::cout << "PORTA " << p << std::endl;
  });
  sefaz.Banco().Fechar();
  std::cout.flush();
  std::fflush(nullptr);
  // Connection threads may still be waiting on idle clients: leave without running destructors.
  std::_Exit(0);
}

int Falha(const TArgs& a) {
  if (a.posicionais.size() != 3) return Erro("uso: falha PASTA SERVICO TIPO [--vezes N]");
  const std::string pasta = a.posicionais[0], servico = ServicoCanonico(a.posicionais[1]), tipo = a.posicionais[2];
  if (servico.empty()) return Erro("serviço desconhecido: " + a.posicionais[1]);
  bool ok = tipo == "corte" || tipo == "http500" || tipo == "vazio" || tipo == "truncado" || tipo == "656" ||
            tipo == "paralisado" || tipo == "paralisado:108" || tipo == "paralisado:109" || tipo == "encerrar";
  long n = 0;
  if (tipo.rfind("atraso:", 0) == 0) ok = Inteiro(tipo.substr(7), n);
  if (!ok) return Erro("tipo de falha desconhecido: " + tipo);
  long vezes = 1;
  if (a.Tem("vezes") && (!Inteiro(a.Valor("vezes"), vezes) || vezes < 1))
    return Erro("--vezes inválido: " + a.Valor("vezes"));
  if (!fs::exists(pasta + "/sefaz.db")) return Erro("pasta não iniciada: " + pasta);
  TBanco b(pasta + "/sefaz.db");
  b.Executar("INSERT INTO falhas (servico, tipo, restantes) VALUES (?, ?, ?)", {servico, tipo, std::to_string(vezes)});
  return 0;
}

int Ajustar(const TArgs& a) {
  if (a.posicionais.size() != 1) return Erro("informe a PASTA");
  const std::string pasta = a.posicionais[0];
  if (!fs::exists(pasta + "/sefaz.db")) return Erro("pasta não iniciada: " + pasta);
  TBanco b(pasta + "/sefaz.db");
  TBanco::TTransacao t(b);
  if (a.Tem("consultas-105")) {
    long n = 0;
    if (!Inteiro(a.Valor("consultas-105"), n)) return Erro("--consultas-105 inválido");
    b.SetConfig("consultas105", std::to_string(n));
  }
  if (a.Tem("tmed")) {
    long n = 0;
    if (!Inteiro(a.Valor("tmed"), n)) return Erro("--tmed inválido");
    b.SetConfig("tmed", std::to_string(n));
  }
  if (a.Tem("pagina-nsu")) {
    long n = 0;
    if (!Inteiro(a.Valor("pagina-nsu"), n) || n < 1 || n > 50) return Erro("--pagina-nsu inválido");
    b.SetConfig("pagina-nsu", std::to_string(n));
  }
  for (const auto& d : a.Todos("irregular")) b.Executar("INSERT OR IGNORE INTO irregulares (doc) VALUES (?)", {d});
  for (const auto& d : a.Todos("regular")) b.Executar("DELETE FROM irregulares WHERE doc = ?", {d});
  for (const auto& c : a.Todos("contribuinte")) {
    auto p1 = c.find(':');
    if (p1 == std::string::npos) return Erro("--contribuinte CNPJ:IE[:UF]");
    auto p2 = c.find(':', p1 + 1);
    const std::string cnpj = c.substr(0, p1), ie = c.substr(p1 + 1, p2 == std::string::npos ? p2 : p2 - p1 - 1);
    const std::string uf = p2 == std::string::npos ? b.Config("uf", "SP") : c.substr(p2 + 1);
    b.Executar("INSERT OR IGNORE INTO contribuintes (cnpj, ie, uf, nome) VALUES (?, ?, ?, ?)",
               {cnpj, ie, uf, "EMPRESA TESTE " + cnpj});
  }
  t.Confirmar();
  return 0;
}

int Estado(const TArgs& a) {
  if (a.posicionais.size() != 1) return Erro("informe a PASTA");
  const std::string pasta = a.posicionais[0];
  if (!fs::exists(pasta + "/sefaz.db")) return Erro("pasta não iniciada: " + pasta);
  TBanco b(pasta + "/sefaz.db");
  using nlohmann::json;
  json j;
  j["uf"] = b.Config("uf");
  j["consultas105"] = std::atoi(b.Config("consultas105", "0").c_str());
  auto conexoes = b.Primeira("SELECT valor FROM contadores WHERE nome = 'conexoes'");
  j["conexoes"] = conexoes ? std::atoll((*conexoes)[0].c_str()) : 0;
  // Of those, the ones whose TLS session the client resumed.
  auto retomadas = b.Primeira("SELECT valor FROM contadores WHERE nome = 'retomadas'");
  j["retomadas"] = retomadas ? std::atoll((*retomadas)[0].c_str()) : 0;
  j["documentos"] = json::array();
  for (const auto& l : b.Consultar("SELECT chave, cstat, xmotivo, nprot, dhrecbto, nrec FROM documentos ORDER BY rowid"))
    j["documentos"].push_back(
        {{"chave", l[0]}, {"cStat", std::atoi(l[1].c_str())}, {"xMotivo", l[2]}, {"nProt", l[3]}, {"dhRecbto", l[4]},
         {"nRec", l[5]}});
  j["recibos"] = json::array();
  for (const auto& l : b.Consultar("SELECT nrec, consultas, dhrecbto FROM recibos ORDER BY rowid"))
    j["recibos"].push_back({{"nRec", l[0]}, {"consultas105", std::atoi(l[1].c_str())}, {"dhRecbto", l[2]}});
  j["eventos"] = json::array();
  for (const auto& l : b.Consultar("SELECT id, chave, tpevento, nseq, cstat, nprot FROM eventos ORDER BY rowid"))
    j["eventos"].push_back({{"id", l[0]}, {"chave", l[1]}, {"tpEvento", l[2]}, {"nSeqEvento", std::atoi(l[3].c_str())},
                            {"cStat", std::atoi(l[4].c_str())}, {"nProt", l[5]}});
  j["inutilizacoes"] = json::array();
  for (const auto& l : b.Consultar("SELECT id, cnpj, modelo, serie, ini, fim, nprot FROM inutilizacoes ORDER BY rowid"))
    j["inutilizacoes"].push_back({{"id", l[0]}, {"cnpj", l[1]}, {"modelo", l[2]}, {"serie", std::atoi(l[3].c_str())},
                                  {"nNFIni", std::atoi(l[4].c_str())}, {"nNFFin", std::atoi(l[5].c_str())},
                                  {"nProt", l[6]}});
  j["nsu"] = json::array();
  for (const auto& l : b.Consultar("SELECT cnpj, COUNT(*), MAX(nsu) FROM nsu GROUP BY cnpj ORDER BY cnpj"))
    j["nsu"].push_back({{"cnpj", l[0]}, {"documentos", std::atoi(l[1].c_str())}, {"maxNSU", std::atoll(l[2].c_str())}});
  j["csc"] = json::array();
  for (const auto& l : b.Consultar("SELECT cnpj, id, codigo, ativo FROM csc ORDER BY cnpj, id"))
    j["csc"].push_back({{"cnpj", l[0]}, {"idCsc", l[1]}, {"codigoCsc", l[2]}, {"ativo", l[3] == "1"}});
  j["falhas"] = json::array();
  for (const auto& l : b.Consultar("SELECT servico, tipo, restantes FROM falhas ORDER BY n"))
    j["falhas"].push_back({{"servico", l[0]}, {"tipo", l[1]}, {"restantes", std::atoi(l[2].c_str())}});
  if (a.Tem("json")) {
    std::cout << j.dump(2) << "\n";
    return 0;
  }
  std::cout << "UF " << j["uf"].get<std::string>() << ", consultas com 105: " << j["consultas105"]
            << ", conexões: " << j["conexoes"] << " (" << j["retomadas"] << " retomadas)\n";
  std::cout << "Documentos: " << j["documentos"].size() << "\n";
  for (const auto& d : j["documentos"])
    std::cout << "  " << d["chave"].get<std::string>() << " cStat=" << d["cStat"] << " nProt="
              << d["nProt"].get<std::string>() << "\n";
  std::cout << "Recibos: " << j["recibos"].size() << "\n";
  for (const auto& d : j["recibos"])
    std::cout << "  " << d["nRec"].get<std::string>() << " consultas com 105 restantes=" << d["consultas105"] << "\n";
  std::cout << "Eventos: " << j["eventos"].size() << "\n";
  for (const auto& d : j["eventos"])
    std::cout << "  " << d["id"].get<std::string>() << " cStat=" << d["cStat"] << " nProt="
              << d["nProt"].get<std::string>() << "\n";
  std::cout << "Inutilizações: " << j["inutilizacoes"].size() << "\n";
  for (const auto& d : j["inutilizacoes"])
    std::cout << "  " << d["id"].get<std::string>() << " nProt=" << d["nProt"].get<std::string>() << "\n";
  std::cout << "NSU:\n";
  for (const auto& d : j["nsu"])
    std::cout << "  " << d["cnpj"].get<std::string>() << " documentos=" << d["documentos"] << " maxNSU=" << d["maxNSU"]
              << "\n";
  std::cout << "CSC:\n";
  for (const auto& d : j["csc"])
    std::cout << "  " << d["cnpj"].get<std::string>() << " id=" << d["idCsc"].get<std::string>()
              << (d["ativo"].get<bool>() ? "" : " (revogado)") << "\n";
  std::cout << "Falhas armadas: " << j["falhas"].size() << "\n";
  for (const auto& d : j["falhas"])
    std::cout << "  " << d["servico"].get<std::string>() << " " << d["tipo"].get<std::string>()
              << " restantes=" << d["restantes"] << "\n";
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2 || std::string(argv[1]) == "--help" || std::string(argv[1]) == "-h") {
    std::cout << kUso;
    return argc < 2 ? 2 : 0;
  }
  if (std::string(argv[1]) == "--version") {
    std::cout << "tuim-sefaz-sim " << kVerAplic << "\n";
    return 0;
  }
  const std::string cmd = argv[1];
  TArgs a = Ler(argc, argv, 2, {"json"});
  if (!a.erro.empty()) return Erro(a.erro);
  try {
    if (cmd == "iniciar") return Iniciar(a);
    if (cmd == "servir") return Servir(a);
    if (cmd == "falha") return Falha(a);
    if (cmd == "estado") return Estado(a);
    if (cmd == "ajustar") return Ajustar(a);
  } catch (const std::exception& e) {
    return Erro(e.what());
  }
  std::cerr << kUso;
  return 2;
}
