// tuim-sefaz-sim as a peer: the real program on loopback, requests made and signed here (the
// project's signer against the simulator's xmlsec), answers read with a plain HTTPS client.
#include <gtest/gtest.h>
#include <openssl/evp.h>
#include <zlib.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <set>
#include <thread>

#include "component/TuimCatalogo.h"
#include "testing/AmbienteEnvio.h"
#include "testing/SimTeste.h"

using namespace tuim::simteste;

namespace {

const std::string kSim = TUIM_SIM;

TAmbienteEnvio& Amb() { return AmbienteEnvio("tuim-sim", 100); }

// The signer of the other taxpayer of the simulator's folder.
TAssinador& Outro() {
  static TAssinador o(Amb().pasta, kOutro);
  return o;
}

std::string CSC(const std::string& cnpj) {
  std::string t = LerArquivo(Amb().pasta + "/" + cnpj + ".csc");
  auto p = t.find("csc=");
  return t.substr(p + 4, 36);
}

class Simulador : public ::testing::Test {
protected:
  void SetUp() override { ASSERT_TRUE(Amb().erro.empty()) << Amb().erro; }

  TCliente Cliente(const std::string& cnpj = kEmitente) {
    return TCliente(Amb().pasta + "/" + cnpj + ".pfx", "1234", Amb().pasta + "/ca.pem", Amb().sim->Porta());
  }
  TResposta Chamar(const std::string& servico, const std::string& metodo, const std::string& msg,
                   const std::string& caminho = "NFe/SP/H") {
    return Cliente().Post("/ws/" + caminho + "/" + servico, Envelope(servico, msg), Acao(servico, metodo));
  }
  std::string Autorizar(const std::vector<std::string>& nfes, bool sinc = true, const std::string& caminho = "NFe/SP/H") {
    auto r = Chamar("NFeAutorizacao4", "nfeAutorizacaoLote", Lote(nfes, sinc), caminho);
    EXPECT_TRUE(r.ok) << r.erro;
    EXPECT_EQ(r.status, 200) << r.corpo;
    return r.corpo;
  }
  // A new signed document with a number of its own.
  std::string Nota(TNota& n, TAssinador* a = nullptr) {
    n.nNF = Amb().proximoNumero++;
    return (a ? a : Amb().assinador.get())->Assinar(Montar(n), "NFe", "infNFe");
  }
  std::string Evento(const std::string& chave, const std::string& tp, int seq, const std::string& det,
                     const std::string& cOrgao = "35", const std::string& autor = kEmitente) {
    const std::string id = "ID" + tp + chave + Zeros(seq, 2);
    std::string x = std::string("<evento xmlns=\"") + kNs + "\" versao=\"1.00\"><infEvento Id=\"" + id + "\"><cOrgao>" +
                    cOrgao + "</cOrgao><tpAmb>2</tpAmb><CNPJ>" + autor + "</CNPJ><chNFe>" + chave +
                    "</chNFe><dhEvento>2026-12-10T10:00:00-03:00</dhEvento><tpEvento>" + tp + "</tpEvento><nSeqEvento>" +
                    std::to_string(seq) + "</nSeqEvento><verEvento>1.00</verEvento><detEvento versao=\"1.00\">" + det +
                    "</detEvento></infEvento></evento>";
    TAssinador* a = autor == kEmitente ? Amb().assinador.get() : &Outro();
    return a->Assinar(x, "evento", "infEvento");
  }
  std::string Eventos(const std::vector<std::string>& evs, const std::string& caminho = "NFe/SP/H") {
    std::string x = std::string("<envEvento xmlns=\"") + kNs + "\" versao=\"1.00\"><idLote>7</idLote>";
    for (const auto& e : evs) x += e;
    auto r = Chamar("NFeRecepcaoEvento4", "nfeRecepcaoEvento", x + "</envEvento>", caminho);
    EXPECT_TRUE(r.ok) << r.erro;
    return r.corpo;
  }
  std::string Consultar(const std::string& chave) {
    return Chamar("NFeConsultaProtocolo4", "nfeConsultaNF",
                  std::string("<consSitNFe xmlns=\"") + kNs + "\" versao=\"4.00\"><tpAmb>2</tpAmb><xServ>CONSULTAR</xServ>"
                  "<chNFe>" + chave + "</chNFe></consSitNFe>")
        .corpo;
  }
  std::string Falha(const std::string& servico, const std::string& tipo, int vezes = 1) {
    auto r = Rodar({kSim, "falha", Amb().pasta, servico, tipo, "--vezes", std::to_string(vezes)});
    EXPECT_EQ(r.codigo, 0) << r.err;
    return r.err;
  }
};

const char* const kCancelamento = "<descEvento>Cancelamento</descEvento><nProt>@</nProt>"
                                  "<xJust>Cancelamento de teste do simulador</xJust>";
const char* const kCondUso =
    "A Carta de Correcao e disciplinada pelo paragrafo 1o-A do art. 7o do Convenio S/N, de 15 de dezembro de 1970 e pode "
    "ser utilizada para regularizacao de erro ocorrido na emissao de documento fiscal, desde que o erro nao esteja "
    "relacionado com: I - as variaveis que determinam o valor do imposto tais como: base de calculo, aliquota, "
    "diferenca de preco, quantidade, valor da operacao ou da prestacao; II - a correcao de dados cadastrais que "
    "implique mudanca do remetente ou do destinatario; III - a data de emissao ou de saida.";

// The answer inside the SOAP result element, checked by xmllint against the national schema.
std::string ValidarRetorno(const std::string& corpo, const std::string& xsd) {
  auto i = corpo.find("Result");
  i = i == std::string::npos ? std::string::npos : corpo.find('>', i);
  auto f = corpo.rfind("</nfeResultMsg>");
  if (f == std::string::npos) f = corpo.rfind("</nfeDistDFeInteresseResult>");
  if (i == std::string::npos || f == std::string::npos || f <= i) return "sem resultado: " + corpo;
  const std::string arq = Amb().pasta + "/retorno.xml";
  std::ofstream(arq, std::ios::binary) << corpo.substr(i + 1, f - i - 1);
  auto r = Rodar({"/usr/bin/xmllint", "--noout", "--schema", std::string(TUIM_SCHEMAS_DIR) + "/" + xsd, arq});
  return r.codigo == 0 ? "" : r.err;
}

std::string GzipBase64(const std::string& dados) {
  std::string gz;
  z_stream z{};
  deflateInit2(&z, Z_DEFAULT_COMPRESSION, Z_DEFLATED, 31, 8, Z_DEFAULT_STRATEGY);
  gz.resize(deflateBound(&z, dados.size()) + 32);
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(dados.data()));
  z.avail_in = static_cast<uInt>(dados.size());
  z.next_out = reinterpret_cast<Bytef*>(gz.data());
  z.avail_out = static_cast<uInt>(gz.size());
  deflate(&z, Z_FINISH);
  gz.resize(z.total_out);
  deflateEnd(&z);
  std::string b64(4 * ((gz.size() + 2) / 3) + 1, '\0');
  b64.resize(static_cast<std::size_t>(EVP_EncodeBlock(reinterpret_cast<unsigned char*>(b64.data()),
                                                      reinterpret_cast<const unsigned char*>(gz.data()),
                                                      static_cast<int>(gz.size()))));
  return b64;
}

// Base64, then gunzip: a docZip's content.
std::string Descomprimir(const std::string& b64) {
  std::string gz(b64.size(), '\0');
  int n = EVP_DecodeBlock(reinterpret_cast<unsigned char*>(gz.data()),
                          reinterpret_cast<const unsigned char*>(b64.data()), static_cast<int>(b64.size()));
  gz.resize(n < 0 ? 0 : static_cast<std::size_t>(n));
  std::string xml(1 << 20, '\0');
  z_stream z{};
  inflateInit2(&z, 31);
  z.next_in = reinterpret_cast<Bytef*>(gz.data());
  z.avail_in = static_cast<uInt>(gz.size());
  z.next_out = reinterpret_cast<Bytef*>(xml.data());
  z.avail_out = static_cast<uInt>(xml.size());
  inflate(&z, Z_FINISH);
  xml.resize(z.total_out);
  inflateEnd(&z);
  return xml;
}

std::string Cancelamento(const std::string& nProt) {
  std::string d = kCancelamento;
  return d.replace(d.find('@'), 1, nProt);
}

std::string CartaCorrecao(const std::string& texto) {
  return "<descEvento>Carta de Correcao</descEvento><xCorrecao>" + texto + "</xCorrecao><xCondUso>" + kCondUso +
         "</xCondUso>";
}

}  // namespace

// ---- the folder that iniciar writes ---------------------------------------------------------------

TEST_F(Simulador, IniciarWritesCertificatesTheProjectReadsAndTheCscFiles) {
  for (const std::string cnpj : {kEmitente, kOutro}) {
    tuim::TDFeSSL ssl;
    ssl.SetSSLCryptLib(tuim::cryOpenSSL);
    ssl.SetArquivoPFX(Amb().pasta + "/" + cnpj + ".pfx");
    ssl.SetSenha("1234");
    EXPECT_EQ(ssl.CNPJCertificado(), cnpj);
    EXPECT_NE(ssl.InfoCertificado().SubjectName().find("EMPRESA TESTE:" + cnpj), std::string::npos)
        << ssl.InfoCertificado().SubjectName();
    const std::string csc = LerArquivo(Amb().pasta + "/" + cnpj + ".csc");
    ASSERT_EQ(csc.size(), std::string("id=000001\ncsc=\n").size() + 36) << csc;
    EXPECT_EQ(csc.rfind("id=000001\ncsc=", 0), 0u);
  }
  // The server certificate names loopback and chains to the CA.
  auto r = Rodar({"/usr/bin/openssl", "verify", "-CAfile", Amb().pasta + "/ca.pem", "-verify_ip", "127.0.0.1",
                  "-verify_hostname", "localhost", Amb().pasta + "/servidor.pem"});
  EXPECT_EQ(r.codigo, 0) << r.out << r.err;
  auto estado = Rodar({kSim, "estado", Amb().pasta, "--json"});
  EXPECT_EQ(estado.codigo, 0);
  EXPECT_NE(estado.out.find("\"uf\": \"SP\""), std::string::npos) << estado.out;
  EXPECT_NE(estado.out.find("\"idCsc\": \"000001\""), std::string::npos) << estado.out;
}

// ---- status and envelope ----------------------------------------------------------------------

TEST_F(Simulador, StatusAnswers107InOperation) {
  auto r = Chamar("NFeStatusServico4", "nfeStatusServicoNF", Status());
  ASSERT_TRUE(r.ok) << r.erro;
  EXPECT_EQ(r.status, 200);
  EXPECT_NE(r.corpo.find("<nfeResultMsg xmlns=\"http://www.portalfiscal.inf.br/nfe/wsdl/NFeStatusServico4\">"
                         "<retConsStatServ versao=\"4.00\""),
            std::string::npos)
      << r.corpo;
  EXPECT_EQ(Campo(r.corpo, "cStat"), "107");
  EXPECT_EQ(Campo(r.corpo, "xMotivo"), "Serviço em Operação");
  EXPECT_EQ(Campo(r.corpo, "cUF"), "35");
  EXPECT_EQ(ValidarRetorno(r.corpo, "retConsStatServ_v4.00.xsd"), "");
}

struct CasoStatus {
  const char* nome;
  const char* caminho;
  int cUF, tpAmb;
  const char* cStat;
};
class StatusRejeitado : public Simulador, public ::testing::WithParamInterface<CasoStatus> {};
TEST_P(StatusRejeitado, AnswersTheManualsCode) {
  auto r = Chamar("NFeStatusServico4", "nfeStatusServicoNF", Status(GetParam().cUF, GetParam().tpAmb),
                  GetParam().caminho);
  EXPECT_EQ(Campo(r.corpo, "cStat"), GetParam().cStat) << r.corpo;
}
INSTANTIATE_TEST_SUITE_P(Simulador, StatusRejeitado,
                         ::testing::Values(CasoStatus{"AmbienteDaProducao", "NFe/SP/P", 35, 2, "252"},
                                           CasoStatus{"OutraUF", "NFe/MT/H", 35, 2, "226"},
                                           CasoStatus{"AutoridadeVirtual", "NFCe/SVRS/H", 43, 2, "107"},
                                           CasoStatus{"ForaDoSchema", "NFe/SP/H", 35, 3, "215"}),
                         [](const auto& i) { return std::string(i.param.nome); });

TEST_F(Simulador, WrongActionOrBodyGetsASoapFault) {
  auto c = Cliente();
  const std::string alvo = "/ws/NFe/SP/H/NFeStatusServico4";
  auto r = c.Post(alvo, Envelope("NFeStatusServico4", Status()), Acao("NFeStatusServico4", "outraCoisa"));
  EXPECT_EQ(r.status, 500);
  EXPECT_NE(r.corpo.find("<soap:Fault>"), std::string::npos) << r.corpo;
  r = c.Post(alvo, Envelope("NFeAutorizacao4", Status()));
  EXPECT_EQ(r.status, 500);
  EXPECT_NE(r.corpo.find("<soap:Fault>"), std::string::npos) << r.corpo;
  r = c.Post(alvo, "<nao-e-soap/>");
  EXPECT_NE(r.corpo.find("<soap:Fault>"), std::string::npos) << r.corpo;
  r = c.Post("/ws/NFe/SP/H/Inexistente", Envelope("NFeStatusServico4", Status()));
  EXPECT_EQ(r.status, 404);
}

TEST_F(Simulador, TlsBelow12AndClientsWithoutCertificateAreRefused) {
  auto c = Cliente();
  c.LimitarTLS(TLS1_1_VERSION);
  EXPECT_FALSE(c.Post("/ws/NFe/SP/H/NFeStatusServico4", Envelope("NFeStatusServico4", Status())).ok);
  TCliente sem("", "", Amb().pasta + "/ca.pem", Amb().sim->Porta());
  EXPECT_FALSE(sem.Post("/ws/NFe/SP/H/NFeStatusServico4", Envelope("NFeStatusServico4", Status())).ok);
}

// ---- authorization -----------------------------------------------------------------------------

TEST_F(Simulador, SynchronousBatchGives104WithTheAuthorisingProtocol) {
  TNota n;
  auto r = Autorizar({Nota(n)});
  EXPECT_EQ(Campo(r, "cStat"), "104") << r;
  EXPECT_EQ(Campo(r, "cStat", 1), "100") << r;
  EXPECT_EQ(Campo(r, "xMotivo", 1), "Autorizado o uso da NF-e");
  EXPECT_EQ(Campo(r, "chNFe"), n.chave);
  EXPECT_EQ(Campo(r, "nProt").size(), 15u);
  EXPECT_NE(Campo(r, "digVal"), "(ausente)");
  EXPECT_EQ(ValidarRetorno(r, "retEnviNFe_v4.00.xsd"), "");
}

TEST_F(Simulador, AsynchronousBatchGivesAReceiptPolledUntilProcessed) {
  ASSERT_EQ(Rodar({kSim, "ajustar", Amb().pasta, "--consultas-105", "2"}).codigo, 0);
  TNota a, b;
  auto r = Autorizar({Nota(a), Nota(b)}, false);
  ASSERT_EQ(Rodar({kSim, "ajustar", Amb().pasta, "--consultas-105", "0"}).codigo, 0);
  EXPECT_EQ(Campo(r, "cStat"), "103") << r;
  EXPECT_EQ(ValidarRetorno(r, "retEnviNFe_v4.00.xsd"), "");
  const std::string nRec = Campo(r, "nRec");
  ASSERT_EQ(nRec.size(), 15u);
  const std::string pedido = std::string("<consReciNFe xmlns=\"") + kNs + "\" versao=\"4.00\"><tpAmb>2</tpAmb><nRec>" +
                             nRec + "</nRec></consReciNFe>";
  for (const char* esperado : {"105", "105", "104"}) {
    auto p = Chamar("NFeRetAutorizacao4", "nfeRetAutorizacaoLote", pedido);
    EXPECT_EQ(Campo(p.corpo, "cStat"), esperado) << p.corpo;
    if (std::string(esperado) == "104") {
      EXPECT_EQ(Contar(p.corpo, "<protNFe "), 2) << p.corpo;
      EXPECT_EQ(Campo(p.corpo, "chNFe", 0), a.chave);
      EXPECT_EQ(Campo(p.corpo, "chNFe", 1), b.chave);
      EXPECT_EQ(Campo(p.corpo, "cStat", 1), "100");
      EXPECT_EQ(ValidarRetorno(p.corpo, "retConsReciNFe_v4.00.xsd"), "");
    }
  }
  auto p = Chamar("NFeRetAutorizacao4", "nfeRetAutorizacaoLote",
                  std::string("<consReciNFe xmlns=\"") + kNs +
                      "\" versao=\"4.00\"><tpAmb>2</tpAmb><nRec>351999999999999</nRec></consReciNFe>");
  EXPECT_EQ(Campo(p.corpo, "cStat"), "106");
}

TEST_F(Simulador, CompressedBatchIsAccepted) {
  TNota n;
  auto r = Cliente().Post("/ws/NFe/SP/H/NFeAutorizacao4",
                          Envelope("NFeAutorizacao4", GzipBase64(Lote({Nota(n)}, true)), "nfeDadosMsgZip"),
                          Acao("NFeAutorizacao4", "nfeAutorizacaoLoteZIP"));
  EXPECT_EQ(Campo(r.corpo, "cStat", 1), "100") << r.corpo;
}

TEST_F(Simulador, CompressedBatchThatInflatesBeyondTheLimitIsRefused) {
  // 70 MB of blanks fit in some 70 KB of gzip: the simulator stops inflating at its limit.
  auto r = Cliente().Post("/ws/NFe/SP/H/NFeAutorizacao4",
                          Envelope("NFeAutorizacao4", GzipBase64(std::string(70u << 20, ' ')), "nfeDadosMsgZip"),
                          Acao("NFeAutorizacao4", "nfeAutorizacaoLoteZIP"));
  EXPECT_EQ(r.status, 500);
  EXPECT_NE(r.corpo.find("nfeDadosMsgZip ilegível"), std::string::npos) << r.corpo;
}

TEST_F(Simulador, InvalidDocumentGives225) {
  TNota n;
  std::string x = Nota(n);
  x.replace(x.find("<natOp>"), 7, "<natOpX>").replace(x.find("</natOp>"), 8, "</natOpX>");
  auto r = Autorizar({x});
  EXPECT_EQ(Campo(r, "cStat"), "225") << r;
  EXPECT_EQ(Campo(r, "xMotivo"), "Rejeição: Falha no Schema XML do lote de NFe");
}

TEST_F(Simulador, TamperedSignatureGives297) {
  TNota n;
  std::string dados = Nota(n);
  dados.replace(dados.find("<xProd>PRODUTO</xProd>"), 22, "<xProd>PRODUTX</xProd>");
  auto r = Autorizar({dados});
  EXPECT_EQ(Campo(r, "cStat", 1), "297") << r;
  EXPECT_EQ(Campo(r, "xMotivo", 1), "Rejeição: Assinatura difere do calculado");

  TNota m;
  std::string valor = Nota(m);
  auto p = valor.find("<SignatureValue>") + 16;
  valor[p] = valor[p] == 'A' ? 'B' : 'A';
  r = Autorizar({valor});
  EXPECT_EQ(Campo(r, "cStat", 1), "297") << r;

  TNota d;
  std::string digest = Nota(d);
  p = digest.find("<DigestValue>") + 13;
  digest[p] = digest[p] == 'A' ? 'B' : 'A';
  r = Autorizar({digest});
  EXPECT_EQ(Campo(r, "cStat", 1), "297") << r;
}

TEST_F(Simulador, ReplayedKeyGives204WithTheFirstProtocol) {
  TNota n;
  const std::string x = Nota(n);
  auto primeiro = Autorizar({x});
  ASSERT_EQ(Campo(primeiro, "cStat", 1), "100") << primeiro;
  const std::string nProt = Campo(primeiro, "nProt"), dh = Campo(primeiro, "dhRecbto", 1);
  auto r = Autorizar({x});
  EXPECT_EQ(Campo(r, "cStat", 1), "204") << r;
  EXPECT_EQ(Campo(r, "nProt"), nProt);
  EXPECT_EQ(Campo(r, "dhRecbto", 1), dh);
  EXPECT_NE(Campo(r, "xMotivo", 1).find("Rejeição: Duplicidade de NF-e [nRec:"), std::string::npos) << r;
  EXPECT_NE(Campo(r, "xMotivo", 1).find("[nProt:" + nProt + "]"), std::string::npos) << r;
  EXPECT_EQ(ValidarRetorno(r, "retEnviNFe_v4.00.xsd"), "");

  // The same number under another key (another numeric code).
  TNota outra = n;
  std::string y = Montar(outra);
  y.replace(y.find("<cNF>"), 13, "<cNF>99999999");
  const std::string c43 = y.substr(y.find("Id=\"NFe") + 7, 35) + "99999999";
  const int dv = Digito(c43);
  y.replace(y.find("Id=\"NFe") + 7, 44, c43 + std::to_string(dv));
  y.replace(y.find("<cDV>") + 5, 1, std::to_string(dv));
  r = Autorizar({Amb().assinador->Assinar(y, "NFe", "infNFe")});
  EXPECT_EQ(Campo(r, "cStat", 1), "539") << r;
  EXPECT_NE(Campo(r, "xMotivo", 1).find("[chNFe:" + n.chave + "]"), std::string::npos) << r;
  EXPECT_EQ(Campo(r, "nProt"), nProt);
}

struct CasoRejeicao {
  const char* nome;
  const char* cStat;
};
class Rejeicao : public Simulador, public ::testing::WithParamInterface<CasoRejeicao> {};
TEST_P(Rejeicao, OneCheckGivesItsCode) {
  const std::string caso = GetParam().nome;
  TNota n;
  std::string caminho = "NFe/SP/H";
  TAssinador* assinador = nullptr;
  if (caso == "ambiente") n.tpAmb = 1;
  if (caso == "uf") caminho = "NFe/MG/H";
  if (caso == "certificado") assinador = &Outro();
  n.nNF = Amb().proximoNumero++;
  std::string x = Montar(n);
  if (caso == "digito") {
    const std::size_t p = x.find("Id=\"NFe") + 50;
    x[p] = static_cast<char>('0' + (x[p] - '0' + 1) % 10);
  }
  if (caso == "campos") x.replace(x.find("<nNF>"), 6, "<nNF>9");
  auto r = Autorizar({(assinador ? assinador : Amb().assinador.get())->Assinar(x, "NFe", "infNFe")}, true, caminho);
  EXPECT_EQ(Campo(r, "cStat", 1), GetParam().cStat) << r;
}
INSTANTIATE_TEST_SUITE_P(Simulador, Rejeicao,
                         ::testing::Values(CasoRejeicao{"ambiente", "252"}, CasoRejeicao{"uf", "226"},
                                           CasoRejeicao{"certificado", "213"}, CasoRejeicao{"digito", "236"},
                                           CasoRejeicao{"campos", "502"}),
                         [](const auto& i) { return std::string(i.param.nome); });

TEST_F(Simulador, IrregularRecipientOrIssuerIsDenied) {
  const std::string destIrregular = "33000167000101";
  ASSERT_EQ(Rodar({kSim, "ajustar", Amb().pasta, "--irregular", destIrregular}).codigo, 0);
  TNota n;
  n.dest = destIrregular;
  auto r = Autorizar({Nota(n)});
  EXPECT_EQ(Campo(r, "cStat", 1), "302") << r;
  EXPECT_EQ(Campo(r, "xMotivo", 1), "Uso Denegado: Irregularidade fiscal do destinatário");
  auto c = Consultar(n.chave);
  EXPECT_EQ(Campo(c, "cStat"), "110") << c;
  EXPECT_EQ(Campo(c, "cStat", 1), "302") << c;
  ASSERT_EQ(Rodar({kSim, "ajustar", Amb().pasta, "--regular", destIrregular}).codigo, 0);
}

TEST_F(Simulador, NfceQrCodeHashIsCheckedAgainstTheCsc) {
  TNota n;
  n.modelo = 65;
  n.dest.clear();
  n.csc = CSC(kEmitente);
  auto r = Autorizar({Nota(n)}, true, "NFCe/SP/H");
  EXPECT_EQ(Campo(r, "cStat", 1), "100") << r;
  TNota m = n;
  m.csc = std::string(36, 'X');
  r = Autorizar({Nota(m)}, true, "NFCe/SP/H");
  EXPECT_EQ(Campo(r, "cStat", 1), "464") << r;
  TNota k = n;
  k.idCsc = "7";
  r = Autorizar({Nota(k)}, true, "NFCe/SP/H");
  EXPECT_EQ(Campo(r, "cStat", 1), "462") << r;
}

// ---- protocol query and events -----------------------------------------------------------------

TEST_F(Simulador, ProtocolQueryFollowsTheDocumentThroughItsEvents) {
  EXPECT_EQ(Campo(Consultar("35261211222333000181550010000000011000000010"), "cStat"), "217");
  TNota n;
  auto a = Autorizar({Nota(n)});
  const std::string nProt = Campo(a, "nProt");
  auto c = Consultar(n.chave);
  EXPECT_EQ(Campo(c, "cStat"), "100") << c;
  EXPECT_EQ(Campo(c, "nProt"), nProt);

  // Correction letters in sequence, then the cancellation, then what is refused after it.
  auto e = Eventos({Evento(n.chave, "110110", 1, CartaCorrecao("Corrige o endereco do destinatario"))});
  EXPECT_EQ(Campo(e, "cStat"), "128") << e;
  EXPECT_EQ(Campo(e, "cStat", 1), "135") << e;
  e = Eventos({Evento(n.chave, "110110", 2, CartaCorrecao("Corrige outra vez o endereco"))});
  EXPECT_EQ(Campo(e, "cStat", 1), "135") << e;
  e = Eventos({Evento(n.chave, "110110", 2, CartaCorrecao("Corrige outra vez o endereco"))});
  EXPECT_EQ(Campo(e, "cStat", 1), "573") << e;
  EXPECT_EQ(Campo(e, "xMotivo", 1), "Rejeição: Duplicidade de Evento");

  e = Eventos({Evento(n.chave, "110111", 1, Cancelamento("135999999999999"))});
  EXPECT_EQ(Campo(e, "cStat", 1), "222") << e;
  e = Eventos({Evento(n.chave, "110111", 1, Cancelamento(nProt))});
  EXPECT_EQ(Campo(e, "cStat", 1), "135") << e;
  EXPECT_EQ(Campo(e, "xMotivo", 1), "Evento registrado e vinculado a NF-e");
  EXPECT_EQ(Campo(e, "nProt").size(), 15u);
  e = Eventos({Evento(n.chave, "110111", 1, Cancelamento(nProt))});
  EXPECT_EQ(Campo(e, "cStat", 1), "573") << e;
  e = Eventos({Evento(n.chave, "110110", 3, CartaCorrecao("Corrige depois de cancelada"))});
  EXPECT_EQ(Campo(e, "cStat", 1), "218") << e;

  c = Consultar(n.chave);
  EXPECT_EQ(Campo(c, "cStat"), "101") << c;
  EXPECT_EQ(Campo(c, "xMotivo"), "Cancelamento de NF-e homologado");
  EXPECT_EQ(Contar(c, "<procEventoNFe versao=\"1.00\">"), 3) << c;
  EXPECT_EQ(ValidarRetorno(c, "retConsSitNFe_v4.00.xsd"), "");
  EXPECT_EQ(ValidarRetorno(e, "retEnvEvento_v1.00.xsd"), "");
  EXPECT_NE(c.find("<tpEvento>110111</tpEvento>"), std::string::npos);
}

TEST_F(Simulador, BatchOfEventsAnswersOneRetEventoEach) {
  TNota a, b;
  auto r = Autorizar({Nota(a)});
  auto s = Autorizar({Nota(b)});
  auto e = Eventos({Evento(a.chave, "110111", 1, Cancelamento(Campo(r, "nProt"))),
                    Evento("35261211222333000181550010000099991000099995", "110111", 1, Cancelamento(Campo(s, "nProt"))),
                    Evento(b.chave, "110110", 1, CartaCorrecao("Uma correcao qualquer do lote"))});
  EXPECT_EQ(Campo(e, "cStat"), "128") << e;
  EXPECT_EQ(Contar(e, "<retEvento "), 3);
  EXPECT_EQ(Campo(e, "cStat", 1), "135");
  EXPECT_EQ(Campo(e, "cStat", 2), "494");
  EXPECT_EQ(Campo(e, "cStat", 3), "135");
}

TEST_F(Simulador, RecipientAcknowledgementAtTheNationalAddressFeedsTheDistribution) {
  TNota n;
  auto a = Autorizar({Nota(n)});
  ASSERT_EQ(Campo(a, "cStat", 1), "100");
  const std::string ciencia = "<descEvento>Ciencia da Operacao</descEvento>";
  auto e = Eventos({Evento(n.chave, "210210", 1, ciencia, "91", kOutro)}, "NFe/SP/H");
  EXPECT_EQ(Campo(e, "cStat", 1), "489") << e;
  e = Eventos({Evento(n.chave, "210210", 1, ciencia, "91", kOutro)}, "NFe/AN/H");
  EXPECT_EQ(Campo(e, "cStat", 1), "135") << e;

  auto dist = [&](const std::string& consulta) {
    return Cliente(kOutro)
        .Post("/ws/NFe/AN/H/NFeDistribuicaoDFe",
              Envelope("NFeDistribuicaoDFe",
                       std::string("<nfeDadosMsg><distDFeInt xmlns=\"") + kNs +
                           "\" versao=\"1.01\"><tpAmb>2</tpAmb><cUFAutor>35</cUFAutor><CNPJ>" + kOutro + "</CNPJ>" +
                           consulta + "</distDFeInt></nfeDadosMsg>",
                       "nfeDistDFeInteresse"),
              Acao("NFeDistribuicaoDFe", "nfeDistDFeInteresse"))
        .corpo;
  };
  // Pages of up to 50 documents until the last NSU, each NSU above the one before.
  std::string d, todos, ultNSU = "000000000000000";
  long long anterior = 0;
  for (int pagina = 0; pagina < 20; ++pagina) {
    d = dist("<distNSU><ultNSU>" + ultNSU + "</ultNSU></distNSU>");
    ASSERT_EQ(Campo(d, "cStat"), "138") << d;
    EXPECT_NE(d.find("<nfeDistDFeInteresseResponse"), std::string::npos);
    for (std::size_t q = d.find("NSU=\""); q != std::string::npos; q = d.find("NSU=\"", q + 1)) {
      long long nsu = std::stoll(d.substr(q + 5, 15));
      EXPECT_GT(nsu, anterior);
      anterior = nsu;
    }
    todos += d;
    ultNSU = Campo(d, "ultNSU");
    if (ultNSU == Campo(d, "maxNSU")) break;
  }
  EXPECT_NE(todos.find("schema=\"procNFe_v4.00.xsd\""), std::string::npos);
  // The recipient's summary of this key decompresses to a resNFe.
  std::string xml;
  for (std::size_t q = todos.find("schema=\"resNFe_v1.01.xsd\">"); q != std::string::npos && xml.find(n.chave) == std::string::npos;
       q = todos.find("schema=\"resNFe_v1.01.xsd\">", q + 1)) {
    auto p = q + 26;
    xml = Descomprimir(todos.substr(p, todos.find("</docZip>", p) - p));
  }
  EXPECT_EQ(xml.rfind("<resNFe versao=\"1.01\"", 0), 0u) << xml;
  EXPECT_NE(xml.find(n.chave), std::string::npos);
  const std::string maxNSU = Campo(d, "maxNSU");
  EXPECT_EQ(ultNSU, maxNSU);
  EXPECT_GT(std::stoll(maxNSU), 0);
  auto d2 = dist("<distNSU><ultNSU>" + maxNSU + "</ultNSU></distNSU>");
  EXPECT_EQ(Campo(d2, "cStat"), "137") << d2;
  EXPECT_EQ(ValidarRetorno(d, "retDistDFeInt_v1.01.xsd"), "");
  EXPECT_EQ(ValidarRetorno(d2, "retDistDFeInt_v1.01.xsd"), "");
  auto d3 = dist("<distNSU><ultNSU>" + maxNSU + "</ultNSU></distNSU>");
  EXPECT_EQ(Campo(d3, "cStat"), "656") << d3;
  auto d4 = dist("<consNSU><NSU>" + maxNSU + "</NSU></consNSU>");
  EXPECT_EQ(Campo(d4, "cStat"), "138") << d4;
}

// The four acknowledgements are the recipient's: the issuer signing one for its own document is
// refused, the recipient is registered.
TEST_F(Simulador, AcknowledgementsAreRegisteredOnlyForTheRecipient) {
  TNota n;
  auto a = Autorizar({Nota(n)});
  ASSERT_EQ(Campo(a, "cStat", 1), "100");
  struct Caso {
    const char *tp, *det;
  };
  const Caso casos[] = {
      {"210210", "<descEvento>Ciencia da Operacao</descEvento>"},
      {"210200", "<descEvento>Confirmacao da Operacao</descEvento>"},
      {"210220", "<descEvento>Desconhecimento da Operacao</descEvento>"},
      {"210240", "<descEvento>Operacao nao Realizada</descEvento><xJust>Mercadoria devolvida ao emitente</xJust>"},
  };
  for (const Caso& c : casos) {
    SCOPED_TRACE(c.tp);
    auto e = Eventos({Evento(n.chave, c.tp, 1, c.det, "91", kEmitente)}, "NFe/AN/H");
    EXPECT_EQ(Campo(e, "cStat", 1), "575") << e;
    EXPECT_EQ(Campo(e, "xMotivo", 1), "Rejeição: O autor do evento diverge do destinatário da NF-e");
    EXPECT_EQ(ValidarRetorno(e, "retEnvEvento_v1.00.xsd"), "");
    e = Eventos({Evento(n.chave, c.tp, 1, c.det, "91", kOutro)}, "NFe/AN/H");
    EXPECT_EQ(Campo(e, "cStat", 1), "135") << e;
  }
}

TEST_F(Simulador, MeanTimeAndDistributionPageAreAdjustable) {
  const std::string p = Amb().pasta;
  ASSERT_EQ(Rodar({kSim, "ajustar", p, "--tmed", "3600", "--pagina-nsu", "1"}).codigo, 0);
  auto r = Chamar("NFeStatusServico4", "nfeStatusServicoNF", Status());
  EXPECT_EQ(Campo(r.corpo, "tMed"), "3600") << r.corpo;
  TNota n, m;
  auto a = Autorizar({Nota(n), Nota(m)}, false);
  EXPECT_EQ(Campo(a, "tMed"), "3600") << a;
  auto d = Cliente(kOutro).Post(
      "/ws/NFe/AN/H/NFeDistribuicaoDFe",
      Envelope("NFeDistribuicaoDFe",
               std::string("<nfeDadosMsg><distDFeInt xmlns=\"") + kNs +
                   "\" versao=\"1.01\"><tpAmb>2</tpAmb><cUFAutor>35</cUFAutor><CNPJ>" + kOutro +
                   "</CNPJ><distNSU><ultNSU>000000000000000</ultNSU></distNSU></distDFeInt></nfeDadosMsg>",
               "nfeDistDFeInteresse"),
      Acao("NFeDistribuicaoDFe", "nfeDistDFeInteresse"));
  EXPECT_EQ(Contar(d.corpo, "<docZip "), 1) << d.corpo;
  const std::size_t q = d.corpo.find("NSU=\"");
  ASSERT_NE(q, std::string::npos);
  EXPECT_EQ(Campo(d.corpo, "ultNSU"), d.corpo.substr(q + 5, 15));
  EXPECT_LT(Campo(d.corpo, "ultNSU"), Campo(d.corpo, "maxNSU"));
  EXPECT_EQ(Rodar({kSim, "ajustar", p, "--pagina-nsu", "0"}).codigo, 2);
  EXPECT_EQ(Rodar({kSim, "ajustar", p, "--tmed", "-1"}).codigo, 2);
  ASSERT_EQ(Rodar({kSim, "ajustar", p, "--tmed", "1", "--pagina-nsu", "50"}).codigo, 0);
}

TEST_F(Simulador, EpecGoesToTheNationalAddressAndIsRegisteredUnlinked) {
  TNota n;
  n.nNF = Amb().proximoNumero++;
  Montar(n);
  const std::string det =
      "<descEvento>EPEC</descEvento><cOrgaoAutor>35</cOrgaoAutor><tpAutor>1</tpAutor><verAplic>Tuim 1.0</verAplic>"
      "<dhEmi>2026-12-10T10:00:00-03:00</dhEmi><tpNF>1</tpNF><IE>110042490114</IE><dest><UF>SP</UF><CNPJ>" +
      std::string(kOutro) + "</CNPJ><vNF>10.00</vNF><vICMS>0.00</vICMS><vST>0.00</vST></dest>";
  auto e = Eventos({Evento(n.chave, "110140", 1, det, "91")}, "NFe/AN/H");
  EXPECT_EQ(Campo(e, "cStat", 1), "136") << e;
  EXPECT_EQ(Campo(e, "xMotivo", 1), "Evento registrado, mas não vinculado a NF-e");
  EXPECT_EQ(ValidarRetorno(e, "retEnvEvento_v1.00.xsd"), "");
  e = Eventos({Evento(n.chave, "110140", 1, det, "91")}, "NFe/SP/H");
  EXPECT_EQ(Campo(e, "cStat", 1), "573") << e;
  TNota m;
  m.nNF = Amb().proximoNumero++;
  Montar(m);
  e = Eventos({Evento(m.chave, "110140", 1, det, "91")}, "NFe/SP/H");
  EXPECT_EQ(Campo(e, "cStat", 1), "489") << e;
  e = Eventos({Evento(m.chave, "110140", 1, det, "35")}, "NFCe/SP/H");
  EXPECT_EQ(Campo(e, "cStat", 1), "136") << e;

  // An NFC-e's EPEC carries its values outside dest, and dest only when there is a recipient.
  TNota c;
  c.modelo = 65;
  c.nNF = Amb().proximoNumero++;
  Montar(c);
  const std::string detNFCe =
      "<descEvento>EPEC</descEvento><cOrgaoAutor>35</cOrgaoAutor><tpAutor>1</tpAutor><verAplic>Tuim 1.0</verAplic>"
      "<dhEmi>2026-12-10T10:00:00-03:00</dhEmi><tpNF>1</tpNF><IE>110042490114</IE>";
  e = Eventos({Evento(c.chave, "110140", 1, detNFCe + "<vNF>10.00</vNF>", "35")}, "NFCe/SP/H");
  EXPECT_EQ(Campo(e, "cStat", 1), "215") << e;
  e = Eventos({Evento(c.chave, "110140", 1, detNFCe + "<vNF>10.00</vNF><vICMS>0.00</vICMS>", "35")}, "NFCe/SP/H");
  EXPECT_EQ(Campo(e, "cStat", 1), "136") << e;
}

TEST_F(Simulador, SignatureMovedFromAnotherDocumentGives298) {
  TNota a, b;
  const std::string x = Nota(a), y = Nota(b);
  const std::string assinaturaDeA = x.substr(x.find("<Signature"));
  std::string z = y.substr(0, y.find("<Signature")) + assinaturaDeA;
  auto r = Autorizar({z});
  EXPECT_EQ(Campo(r, "cStat", 1), "298") << r;
}

TEST_F(Simulador, CatalogueSendsEveryServiceOfEveryAuthorityHere) {
  tuim::TCatalogoServicos cat;
  cat.Carregar(LerArquivo(Amb().pasta + "/catalogo.ini"));
  EXPECT_EQ(cat.Secoes().size(), 2u * 32u * 2u);
  const std::string base = "https://127.0.0.1:" + std::to_string(Amb().sim->Porta()) + "/ws/";
  struct Caso {
    const char *modelo, *uf;
    bool producao;
    const char *servico, *caminho;
    double versao;
  };
  for (const Caso& c : {Caso{"NFe", "AC", false, "NfeStatusServico", "NFe/AC/H/NFeStatusServico4", 4.0},
                        Caso{"NFCe", "SP", true, "NfeAutorizacao", "NFCe/SP/P/NFeAutorizacao4", 4.0},
                        Caso{"NFe", "SVC-AN", false, "RecepcaoEvento", "NFe/SVC-AN/H/NFeRecepcaoEvento4", 4.0},
                        Caso{"NFe", "AN", false, "NFeDistribuicaoDFe", "NFe/AN/H/NFeDistribuicaoDFe", 4.0},
                        Caso{"NFCe", "AM", false, "AdministrarCSCNFCe", "NFCe/AM/H/CscNFCe", 4.0},
                        Caso{"NFCe", "SP", false, "EventoEPEC", "NFCe/SP/H/NFeRecepcaoEvento4", 4.0}}) {
    auto r = cat.LocalizarServico(c.modelo, c.uf, c.producao, c.servico, c.versao, "catalogo");
    EXPECT_EQ(r.URL, base + c.caminho) << c.modelo << " " << c.uf << " " << c.servico;
  }
  double v = 0;
  EXPECT_NE(cat.LerChaveVersionada("NFCe_MT_H", "URL-QRCode", v).find("/nfce/qrcode"), std::string::npos);
}

// ---- voiding, taxpayer query, CSC ---------------------------------------------------------------

TEST_F(Simulador, VoidingRanges) {
  const int base = Amb().proximoNumero += 10;
  auto inut = [&](int ini, int fim) {
    const std::string id = "ID3526" + std::string(kEmitente) + "55001" + Zeros(ini, 9) + Zeros(fim, 9);
    std::string x = std::string("<inutNFe xmlns=\"") + kNs + "\" versao=\"4.00\"><infInut Id=\"" + id +
                    "\"><tpAmb>2</tpAmb><xServ>INUTILIZAR</xServ><cUF>35</cUF><ano>26</ano><CNPJ>" + kEmitente +
                    "</CNPJ><mod>55</mod><serie>1</serie><nNFIni>" + std::to_string(ini) + "</nNFIni><nNFFin>" +
                    std::to_string(fim) + "</nNFFin><xJust>Numeracao pulada por falha do sistema</xJust></infInut>"
                    "</inutNFe>";
    return Chamar("NFeInutilizacao4", "nfeInutilizacaoNF", Amb().assinador->Assinar(x, "inutNFe", "infInut")).corpo;
  };
  auto r = inut(base - 9, base - 5);
  EXPECT_EQ(Campo(r, "cStat"), "102") << r;
  EXPECT_EQ(ValidarRetorno(r, "retInutNFe_v4.00.xsd"), "");
  EXPECT_EQ(Campo(r, "xMotivo"), "Inutilização de número homologado");
  EXPECT_EQ(Campo(r, "nProt").size(), 15u);
  r = inut(base - 9, base - 5);
  EXPECT_EQ(Campo(r, "cStat"), "563") << r;
  r = inut(base - 6, base - 3);
  EXPECT_EQ(Campo(r, "cStat"), "256") << r;
  TNota n;
  Autorizar({Nota(n)});
  r = inut(n.nNF, n.nNF + 1);
  EXPECT_EQ(Campo(r, "cStat"), "241") << r;
}

TEST_F(Simulador, TaxpayerQuery) {
  auto cad = [&](const std::string& uf, const std::string& cnpj) {
    return Chamar("CadConsultaCadastro4", "consultaCadastro",
                  std::string("<ConsCad xmlns=\"") + kNs + "\" versao=\"2.00\"><infCons><xServ>CONS-CAD</xServ><UF>" +
                      uf + "</UF><CNPJ>" + cnpj + "</CNPJ></infCons></ConsCad>")
        .corpo;
  };
  auto r = cad("SP", kEmitente);
  EXPECT_EQ(Campo(r, "cStat"), "111") << r;
  EXPECT_EQ(Campo(r, "xNome"), std::string("EMPRESA TESTE ") + kEmitente);
  EXPECT_EQ(Campo(cad("MG", kEmitente), "cStat"), "259");
  ASSERT_EQ(Rodar({kSim, "ajustar", Amb().pasta, "--contribuinte", std::string(kOutro) + ":123456789012:SP"}).codigo, 0);
  r = cad("SP", kOutro);
  EXPECT_EQ(Campo(r, "cStat"), "112") << r;
  EXPECT_EQ(ValidarRetorno(r, "retConsCad_v2.00.xsd"), "");
  EXPECT_EQ(ValidarRetorno(cad("MG", kEmitente), "retConsCad_v2.00.xsd"), "");
  EXPECT_EQ(Contar(r, "<infCad>"), 2);
}

TEST_F(Simulador, CscAdministration) {
  auto adm = [&](const std::string& indOp, const std::string& dados = "") {
    return Chamar("CscNFCe", "admCscNFCe",
                  std::string("<admCscNFCe xmlns=\"") + kNs + "\" versao=\"1.00\"><tpAmb>2</tpAmb><indOp>" + indOp +
                      "</indOp><raizCNPJ>11444777</raizCNPJ>" + dados + "</admCscNFCe>",
                  "NFCe/SP/H")
        .corpo;
  };
  auto r = adm("1");
  EXPECT_EQ(Campo(r, "cStat"), "150") << r;
  EXPECT_EQ(Campo(r, "codigoCsc"), CSC(kOutro));
  r = adm("2");
  EXPECT_EQ(Campo(r, "cStat"), "151") << r;
  const std::string id = Campo(r, "idCsc"), codigo = Campo(r, "codigoCsc");
  EXPECT_EQ(codigo.size(), 36u);
  const std::string dados = "<dadosCsc><idCsc>" + id + "</idCsc><codigoCsc>" + codigo + "</codigoCsc></dadosCsc>";
  EXPECT_EQ(Campo(adm("3", dados), "cStat"), "152");
  EXPECT_EQ(Campo(adm("3", dados), "cStat"), "154");
}

// ---- faults, seen from a plain HTTPS client -----------------------------------------------------

TEST_F(Simulador, EveryFaultKindBehavesAsArmed) {
  const std::string alvo = "/ws/NFe/SP/H/NFeStatusServico4", env = Envelope("NFeStatusServico4", Status());
  auto c = Cliente();
  Falha("NfeStatusServico", "http500");
  auto r = c.Post(alvo, env);
  EXPECT_EQ(r.status, 500);
  EXPECT_NE(r.corpo.find("soap:Receiver"), std::string::npos);
  EXPECT_EQ(Campo(c.Post(alvo, env).corpo, "cStat"), "107");  // armed once only

  Falha("NFeStatusServico4", "vazio");
  r = c.Post(alvo, env);
  EXPECT_TRUE(r.ok);
  EXPECT_EQ(r.status, 200);
  EXPECT_EQ(r.corpo, "");

  Falha("*", "corte");
  r = c.Post(alvo, env);
  EXPECT_FALSE(r.ok);

  Falha("NFeStatusServico4", "truncado");
  r = c.Post(alvo, env);
  EXPECT_FALSE(r.ok);

  Falha("NFeStatusServico4", "656", 2);
  EXPECT_EQ(Campo(c.Post(alvo, env).corpo, "cStat"), "656");
  EXPECT_EQ(Campo(c.Post(alvo, env).corpo, "xMotivo"), "Rejeição: Consumo Indevido");

  Falha("*", "paralisado", 2);
  EXPECT_EQ(Campo(c.Post(alvo, env).corpo, "cStat"), "108");
  EXPECT_EQ(Campo(Consultar("35261211222333000181550010000000011000000010"), "cStat"), "108");
  Falha("NFeStatusServico4", "paralisado:109");
  EXPECT_EQ(Campo(c.Post(alvo, env).corpo, "cStat"), "109");

  Falha("NFeStatusServico4", "atraso:300");
  auto inicio = std::chrono::steady_clock::now();
  EXPECT_EQ(Campo(c.Post(alvo, env).corpo, "cStat"), "107");
  EXPECT_GE(std::chrono::steady_clock::now() - inicio, std::chrono::milliseconds(300));

  EXPECT_NE(Rodar({kSim, "falha", Amb().pasta, "NFeStatusServico4", "explosao"}).codigo, 0);
  EXPECT_NE(Rodar({kSim, "falha", Amb().pasta, "Inexistente", "corte"}).codigo, 0);
}

TEST_F(Simulador, CutConnectionStillCommitsTheAuthorisation) {
  Falha("NFeAutorizacao4", "corte");
  TNota n;
  auto r = Chamar("NFeAutorizacao4", "nfeAutorizacaoLote", Lote({Nota(n)}, true));
  EXPECT_FALSE(r.ok);
  auto c = Consultar(n.chave);
  EXPECT_EQ(Campo(c, "cStat"), "100") << c;
}

// ---- state and concurrency ----------------------------------------------------------------------

TEST_F(Simulador, KeptAliveConnectionServesManyRequests) {
  auto c = Cliente();
  for (int i = 0; i < 5; ++i) {
    auto r = c.Post("/ws/NFe/SP/H/NFeStatusServico4", Envelope("NFeStatusServico4", Status()), "", true);
    ASSERT_TRUE(r.ok) << r.erro;
    EXPECT_EQ(Campo(r.corpo, "cStat"), "107");
  }
}

TEST_F(Simulador, EightConcurrentClientsLoseNothing) {
  constexpr int kClientes = 8, kNotas = 4;
  std::vector<std::vector<std::string>> chaves(kClientes);
  std::vector<std::string> assinadas[kClientes];
  for (int i = 0; i < kClientes; ++i)
    for (int j = 0; j < kNotas; ++j) {
      TNota n;
      assinadas[i].push_back(Nota(n));
      chaves[i].push_back(n.chave);
    }
  std::vector<std::thread> ts;
  std::vector<std::vector<std::string>> respostas(kClientes);
  for (int i = 0; i < kClientes; ++i)
    ts.emplace_back([&, i] {
      auto c = Cliente();
      for (int j = 0; j < kNotas; ++j)
        respostas[i].push_back(
            c.Post("/ws/NFe/SP/H/NFeAutorizacao4", Envelope("NFeAutorizacao4", Lote({assinadas[i][j]}, true)),
                   Acao("NFeAutorizacao4", "nfeAutorizacaoLote"), true)
                .corpo);
    });
  for (auto& t : ts) t.join();
  std::set<std::string> protocolos;
  for (int i = 0; i < kClientes; ++i)
    for (int j = 0; j < kNotas; ++j) {
      EXPECT_EQ(Campo(respostas[i][j], "cStat", 1), "100") << respostas[i][j];
      protocolos.insert(Campo(respostas[i][j], "nProt"));
    }
  EXPECT_EQ(protocolos.size(), static_cast<std::size_t>(kClientes * kNotas));
  auto estado = Rodar({kSim, "estado", Amb().pasta, "--json"});
  ASSERT_EQ(estado.codigo, 0) << estado.err;
  for (const auto& cs : chaves)
    for (const auto& ch : cs) EXPECT_NE(estado.out.find(ch), std::string::npos) << ch;
}

TEST(SimuladorReinicio, StateSurvivesARestartAndSigtermExitsZero) {
  const std::string pasta = PastaNova("tuim-sim-reinicio");
  ASSERT_EQ(Rodar({kSim, "iniciar", pasta, "--cnpj", kEmitente}).codigo, 0);
  std::string erro;
  TSimulador sim(kSim);
  ASSERT_TRUE(sim.Iniciar(pasta, erro)) << erro;
  TAssinador ass(pasta, kEmitente);
  TNota n;
  n.dest.clear();
  const std::string lote = Lote({ass.Assinar(Montar(n), "NFe", "infNFe")}, true);
  auto cliente = [&] { return TCliente(pasta + "/" + kEmitente + ".pfx", "1234", pasta + "/ca.pem", sim.Porta()); };
  auto r = cliente().Post("/ws/NFe/SP/H/NFeAutorizacao4", Envelope("NFeAutorizacao4", lote));
  ASSERT_EQ(Campo(r.corpo, "cStat", 1), "100") << r.corpo;
  const std::string nProt = Campo(r.corpo, "nProt");
  EXPECT_EQ(sim.Parar(), 0);
  ASSERT_TRUE(sim.Iniciar(pasta, erro)) << erro;
  const std::string consulta = std::string("<consSitNFe xmlns=\"") + kNs +
                               "\" versao=\"4.00\"><tpAmb>2</tpAmb><xServ>CONSULTAR</xServ><chNFe>" + n.chave +
                               "</chNFe></consSitNFe>";
  r = cliente().Post("/ws/NFe/SP/H/NFeConsultaProtocolo4", Envelope("NFeConsultaProtocolo4", consulta));
  EXPECT_EQ(Campo(r.corpo, "cStat"), "100") << r.corpo;
  EXPECT_EQ(Campo(r.corpo, "nProt"), nProt);
  r = cliente().Post("/ws/NFe/SP/H/NFeAutorizacao4", Envelope("NFeAutorizacao4", lote));
  EXPECT_EQ(Campo(r.corpo, "cStat", 1), "204") << r.corpo;
  EXPECT_EQ(sim.Parar(), 0);
  auto estado = Rodar({kSim, "estado", pasta});
  EXPECT_NE(estado.out.find(n.chave + " cStat=100 nProt=" + nProt), std::string::npos) << estado.out;
  std::error_code ec;
  std::filesystem::remove_all(pasta, ec);
}

// ---- the project's command line against the simulator ------------------------------------------

TEST_F(Simulador, TuimSefazStatusWorksWithTheWrittenCatalogue) {
  const std::string p = Amb().pasta;
  // The command of the README, word for word: tuim finds its schema package by itself.
  auto r = Rodar({TUIM_CLI, "sefaz", "status", "--uf", "SP", "--catalogo", p + "/catalogo.ini", "--cacert",
                  p + "/ca.pem", "--pfx", p + "/" + kEmitente + ".pfx", "--senha", "1234"});
  EXPECT_EQ(r.codigo, 0) << r.out << r.err;
  EXPECT_NE(r.out.find("cStat=107\nxMotivo=Serviço em Operação\n"), std::string::npos) << r.out << r.err;
  EXPECT_NE(r.out.find("URL=https://127.0.0.1:" + std::to_string(Amb().sim->Porta()) + "/ws/NFe/SP/H/NFeStatusServico4"),
            std::string::npos)
      << r.out;
}
