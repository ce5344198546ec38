#pragma once
// What the simulated authority does with one SOAP request: finds the service from the address,
// applies an armed fault, checks the envelope, the schema and the signatures, keeps the state
// and answers with the codes and texts of the taxpayer manual.
#include <memory>
#include <string>

#include "simulator/SimBanco.h"
#include "simulator/SimXml.h"

namespace tuim::sim {

struct TRespostaHttp {
  int status = 200;
  std::string corpo;
  bool cortar = false;    // close the connection instead of answering
  bool truncar = false;   // announce the whole answer, send half of it and close
  bool encerrar = false;  // answer whole, keep-alive and all, then close as an idle server does
};

// Canonical service name ("NFeStatusServico4") of a catalogue or WSDL name, or "*"; empty when unknown.
std::string ServicoCanonico(const std::string& nome);
// Every service key the catalogue names, with its version suffix, and the canonical name it maps to.
struct TChaveCatalogo {
  const char* chave;
  const char* servico;
};
extern const TChaveCatalogo kChavesCatalogo[];
extern const std::size_t kNumChavesCatalogo;

class TSefaz {
public:
  TSefaz(const std::string& pasta, const std::string& pastaSchemas);
  TBanco& Banco() { return *fBanco; }

  // `alvo` is the request target ("/ws/NFe/SP/H/NFeStatusServico4"); `acao` the SOAP action sent,
  // if any; `cnpjCliente` the CNPJ of the TLS client certificate.
  TRespostaHttp Atender(const std::string& alvo, const std::string& corpo, const std::string& acao,
                        const std::string& cnpjCliente);

private:
  struct TContexto;
  std::string Status(TContexto& c);
  std::string Autorizacao(TContexto& c);
  std::string RetAutorizacao(TContexto& c);
  std::string ConsultaProtocolo(TContexto& c);
  std::string Inutilizacao(TContexto& c);
  std::string Evento(TContexto& c);
  std::string Cadastro(TContexto& c);
  std::string Distribuicao(TContexto& c);
  std::string Csc(TContexto& c);
  std::string RetSimples(TContexto& c, int cStat, const std::string& xMotivo);
  struct TNFeRecebida {
    std::string chave, cUF, mod, serie, nNF, tpAmb, dhEmi, cnpj, destDoc;
    int cStat = 0;  // a rejection found without the records
    std::string xMotivo, digVal, nfe, xNome, IE, tpNF, vNF;
  };
  TNFeRecebida VerificarNFe(TContexto& c, xmlNodePtr nfe);
  std::string RegistrarNFe(TContexto& c, const TNFeRecebida& d, const std::string& nRec, const std::string& dh);
  std::string NovoProtocolo(const std::string& cUF);
  void AdicionarNSU(const std::string& cnpj, const std::string& schema, const std::string& xml);

  std::string fPasta;
  std::unique_ptr<TBanco> fBanco;
  TSchemas fSchemas;
  TVerificador fVerificador;
};

}  // namespace tuim::sim
