#include <gtest/gtest.h>

#include <sstream>

#include "security/TuimDFeSSL.h"
#include "tests/security/CertificadosTeste.h"
#include "tests/security/MensagemTeste.h"

using namespace tuim;

namespace {

// A crypto backend whose certificate is only a subject, for the CNPJ comparison.
std::string gSubjectFalso;
class TCryptFalso : public TDFeSSLCryptClass {
public:
  using TDFeSSLCryptClass::TDFeSSLCryptClass;
  std::string ClassName() const override { return "TCryptFalso"; }
  void AbrirCertificado() override {
    fInfoCertificado.SetSerieCertificado("01");
    fInfoCertificado.SetSubjectName(gSubjectFalso);
    fCertificadoAberto = true;
  }
};

// An XML signer that records its call and answers a fixed text.
struct TChamadaAssinar {
  int chamadas = 0;
  std::string resposta;
};
TChamadaAssinar gAssinar;
class TXmlSignFalso : public TDFeSSLXmlSignClass {
public:
  using TDFeSSLXmlSignClass::TDFeSSLXmlSignClass;
  std::string ClassName() const override { return "TXmlSignFalso"; }
  std::string Assinar(const std::string&, const std::string&, const std::string&, const std::string&,
                      const std::string&, const std::string&, const std::string&) override {
    ++gAssinar.chamadas;
    return gAssinar.resposta;
  }
  bool Validar(const std::string&, const std::string&, std::string& msg) override {
    msg = "validado";
    return true;
  }
};

class THttpEco : public TDFeSSLHttpClass {
public:
  using TDFeSSLHttpClass::TDFeSSLHttpClass;
  std::string ClassName() const override { return "THttpEco"; }
  std::string Enviar(const std::string& dados, const std::string& url, const std::string& soapAction,
                     const std::string& mimeType) override {
    if (dados == "falhar") throw ETuimDFeException("falha do transporte");
    fCodigo = 200;
    return dados + "|" + url + "|" + soapAction + "|" + mimeType;
  }
  int HTTPResultCode() const override { return fCodigo; }

private:
  int fCodigo = 0;
};

class DFeSSL : public ::testing::Test {
protected:
  void SetUp() override {
    RegistrarClasseCrypt(cryCapicom, [](TDFeSSL& s) { return std::make_unique<TCryptFalso>(s); });
    RegistrarClasseXmlSign(xsMsXml, [](TDFeSSL& s) { return std::make_unique<TXmlSignFalso>(s); });
    RegistrarClasseHttp(httpIndy, [](TDFeSSL& s) { return std::make_unique<THttpEco>(s); });
    gAssinar = TChamadaAssinar();
  }
  void TearDown() override {
    RegistrarClasseCrypt(cryCapicom, nullptr);
    RegistrarClasseXmlSign(xsMsXml, nullptr);
    RegistrarClasseHttp(httpIndy, nullptr);
  }
};

}  // namespace

TEST_F(DFeSSL, NewFacadeHasTheWrittenDefaults) {
  TDFeSSL ssl;
  EXPECT_EQ(ssl.SSLCryptLib(), cryNone);
  EXPECT_EQ(ssl.SSLHttpLib(), httpNone);
  EXPECT_EQ(ssl.SSLXmlSignLib(), xsNone);
  EXPECT_EQ(ssl.SSLType(), LT_all);
  EXPECT_EQ(ssl.SSLDgst(), dgstSHA1);
  EXPECT_EQ(static_cast<int>(ssl.SSLDgst()), 5);
  EXPECT_EQ(ssl.StoreLocation(), slCurrentUser);
  EXPECT_EQ(static_cast<int>(ssl.StoreLocation()), 2);
  EXPECT_EQ(ssl.StoreName(), "My");
  EXPECT_EQ(ssl.TimeOut(), 5000);
  EXPECT_FALSE(ssl.TimeOutPorThread());
  EXPECT_TRUE(ssl.UseCertificateHTTP());
  EXPECT_EQ(ssl.Senha(), "");
  EXPECT_EQ(ssl.SSLCryptClass().ClassName(), "TDFeSSLCryptClass");
  EXPECT_EQ(ssl.SSLHttpClass().ClassName(), "TDFeSSLHttpClass");
  EXPECT_EQ(ssl.SSLXmlSignClass().ClassName(), "TDFeSSLXmlSignClass");
  EXPECT_EQ(MensagemDe([&] { ssl.Assinar("<a/>", "a", "a"); }), "TDFeSSLXmlSignClass.Assinar, não implementado");
}

TEST(DFeSSLEnums, ValueNamesAndOrderAreAsStored) {
  EXPECT_EQ(static_cast<int>(cryWinCrypt), 3);
  EXPECT_EQ(static_cast<int>(httpIndy), 4);
  EXPECT_EQ(static_cast<int>(xsLibXml2), 4);
  EXPECT_EQ(static_cast<int>(LT_SSHv2), 6);
  EXPECT_EQ(static_cast<int>(dgstSHA512), 7);
  EXPECT_EQ(static_cast<int>(slSmartCard), 4);
  EXPECT_EQ(static_cast<int>(fhBinario), 2);
  EXPECT_EQ(static_cast<int>(tcA3), 2);
  EXPECT_EQ(SSLDgstParaTexto(dgstRMD160), "dgstRMD160");
  EXPECT_EQ(SSLCryptLibParaTexto(cryWinCrypt), "cryWinCrypt");
  EXPECT_EQ(SSLHttpLibParaTexto(httpWinHttp), "httpWinHttp");
  EXPECT_EQ(SSLXmlSignLibParaTexto(xsMsXmlCapicom), "xsMsXmlCapicom");
  EXPECT_EQ(SSLTypeParaTexto(LT_TLSv1_2), "LT_TLSv1_2");
  EXPECT_EQ(SSLStoreLocationParaTexto(slLocalMachine), "slLocalMachine");
  EXPECT_EQ(TipoCertificadoParaTexto(tcA1), "tcA1");
}

TEST_F(DFeSSL, LibrarySettersCreateTheChosenClass) {
  TDFeSSL ssl;
  ssl.SetSSLCryptLib(cryOpenSSL);
  EXPECT_EQ(ssl.SSLCryptClass().ClassName(), "TDFeOpenSSL");
  ssl.SetSSLCryptLib(cryCapicom);
  EXPECT_EQ(ssl.SSLCryptClass().ClassName(), "TCryptFalso");
  ssl.SetSSLCryptLib(cryNone);
  EXPECT_EQ(ssl.SSLCryptClass().ClassName(), "TDFeSSLCryptClass");
  ssl.SetSSLHttpLib(httpIndy);
  EXPECT_EQ(ssl.SSLHttpClass().ClassName(), "THttpEco");
  ssl.SetSSLXmlSignLib(xsMsXml);
  EXPECT_EQ(ssl.SSLXmlSignClass().ClassName(), "TXmlSignFalso");
}

TEST_F(DFeSSL, SameValueKeepsTheObjectAndItsState) {
  TDFeSSL ssl;
  ssl.SetSSLHttpLib(httpIndy);
  TDFeSSLHttpClass* antes = &ssl.SSLHttpClass();
  ssl.SetSSLHttpLib(httpIndy);
  EXPECT_EQ(antes, &ssl.SSLHttpClass());
}

TEST_F(DFeSSL, WinINetAndWinHttpMakeTheSameAdapterClassTellingTheValuesApart) {
  RegistrarClasseHttp(httpWinINet, [](TDFeSSL& s) { return std::make_unique<THttpEco>(s); });
  RegistrarClasseHttp(httpWinHttp, [](TDFeSSL& s) { return std::make_unique<THttpEco>(s); });
  TDFeSSL ssl;
  ssl.SetSSLHttpLib(httpWinINet);
  EXPECT_EQ(ssl.SSLHttpClass().ClassName(), "THttpEco");
  EXPECT_EQ(ssl.SSLHttpLib(), httpWinINet);
  ssl.SetSSLHttpLib(httpWinHttp);
  EXPECT_EQ(ssl.SSLHttpClass().ClassName(), "THttpEco");
  EXPECT_EQ(ssl.SSLHttpLib(), httpWinHttp);
  RegistrarClasseHttp(httpWinINet, nullptr);
  RegistrarClasseHttp(httpWinHttp, nullptr);
}

TEST_F(DFeSSL, SelectingXmlSecRaisesAndKeepsThePreviousSigner) {
  TDFeSSL ssl;
  ssl.SetSSLXmlSignLib(xsMsXml);
  EXPECT_EQ(MensagemDe([&] { ssl.SetSSLXmlSignLib(xsXmlSec); }),
            "Suporte a \"xsXmlSec\" foi desativado por compilação {$DEFINE DFE_SEM_OPENSSL} ou "
            "{$DEFINE DFE_SEM_XMLSEC}");
  EXPECT_EQ(ssl.SSLXmlSignLib(), xsMsXml);
  gAssinar.resposta = "<a>assinado</a>";
  EXPECT_EQ(ssl.Assinar("<a/>", "a", "a"), "<a>assinado</a>");
}

TEST_F(DFeSSL, WindowsCryptoIsTheWinCryptBackend) {
  TDFeSSL ssl;
  ssl.SetSSLCryptLib(cryWinCrypt);
  EXPECT_EQ(ssl.SSLCryptLib(), cryWinCrypt);
  EXPECT_EQ(ssl.SSLCryptClass().ClassName(), "TDFeWinCrypt");
  EXPECT_EQ(MensagemDe([&] { ssl.GarantirCertificado(); }), "DadosPFX, ArquivoPFX ou NumeroSerie não especificados !");
}

struct CasoBase {
  const char* nome;
  std::function<void(TDFeSSL&)> chamar;
  const char* mensagem;
};

TEST_F(DFeSSL, BaseClassesNameTheOperationAndTheClass) {
  const CasoBase casos[] = {
      {"CalcHash", [](TDFeSSL& s) { s.CalcHash("abc", dgstSHA1); }, "\"CalcHash\" não suportado em: TDFeSSLCryptClass"},
      {"ValidarHash", [](TDFeSSL& s) { s.ValidarHash("abc", dgstSHA1, "x"); },
       "\"ValidarHash\" não suportado em: TDFeSSLCryptClass"},
      {"SelecionarCertificado", [](TDFeSSL& s) { s.SelecionarCertificado(); },
       "\"SelecionarCertificado\" não suportado em: TDFeSSLCryptClass"},
      {"LerCertificadosStore", [](TDFeSSL& s) { s.LerCertificadosStore(); },
       "\"LerCertificadosStore\" não suportado em: TDFeSSLCryptClass"},
      {"CarregarCertificadoPublico", [](TDFeSSL& s) { s.CarregarCertificadoPublico("AAAA"); },
       "\"CarregarCertificadoPublico\" não suportado em: TDFeSSLCryptClass"},
      {"ConfigurarHTTP", [](TDFeSSL& s) { s.SSLHttpClass().ConfigurarHTTP(); },
       "Método \"ConfigurarHTTP\" não implementado em: TDFeSSLHttpClass"},
      {"Enviar", [](TDFeSSL& s) { s.Enviar("<x/>", "https://h/", "a"); },
       "Método \"Enviar\" não implementado em: TDFeSSLHttpClass"},
      {"Assinar", [](TDFeSSL& s) { s.Assinar("<a/>", "a", "a"); }, "TDFeSSLXmlSignClass.Assinar, não implementado"},
      {"ValidarAssinatura",
       [](TDFeSSL& s) {
         std::string m;
         s.SSLXmlSignClass().ValidarAssinatura("<a/>", m);
       },
       "\"ValidarAssinatura\" não suportado em: TDFeSSLXmlSignClass"},
  };
  for (const auto& c : casos) {
    TDFeSSL ssl;
    EXPECT_EQ(MensagemDe([&] { c.chamar(ssl); }), c.mensagem) << c.nome;
  }
  TDFeSSL ssl;
  std::string m;
  std::string schema = ArquivoTemporario("base.xsd", "<xs:schema/>");
  EXPECT_EQ(MensagemDe([&] { ssl.Validar("<a/>", schema, m); }), "\"Validar\" não suportado em: TDFeSSLXmlSignClass");
}

TEST_F(DFeSSL, NumeroSerieIsStoredWithoutBlanksInUpperCaseAndEmptiesDadosPFX) {
  TDFeSSL ssl;
  ssl.SetDadosPFX("bytes");
  ssl.SetNumeroSerie(" 7f 00 a1\tb2 ");
  EXPECT_EQ(ssl.NumeroSerie(), "7F00A1B2");
  EXPECT_EQ(ssl.DadosPFX(), "");
}

TEST_F(DFeSSL, ArquivoPFXChangeEmptiesDadosPFXButTheSamePathDoesNot) {
  TDFeSSL ssl;
  ssl.SetArquivoPFX("/a.pfx");
  ssl.SetDadosPFX("bytes");
  ssl.SetArquivoPFX("/a.pfx");
  EXPECT_EQ(ssl.DadosPFX(), "bytes");
  ssl.SetArquivoPFX("/b.pfx");
  EXPECT_EQ(ssl.DadosPFX(), "");
}

TEST_F(DFeSSL, SenhaReadsBackWhatWasSet) {
  TDFeSSL ssl;
  for (std::string s : {"1234", "senha longa com espaços", "\xEA\xE7\xE3", "0", "hhnnsszzz", "123456789012"}) {
    ssl.SetSenha(s);
    EXPECT_EQ(ssl.Senha(), s);
  }
  ssl.SetProxyPass("proxy!");
  EXPECT_EQ(ssl.ProxyPass(), "proxy!");
}

TEST_F(DFeSSL, CertificateSettersCloseAnOpenCertificateOnlyWhenTheValueChanges) {
  TDFeSSL ssl;
  ssl.SetSSLCryptLib(cryCapicom);
  ssl.SetSenha("1234");
  ssl.GarantirCertificado();
  ASSERT_TRUE(ssl.CertificadoAberto());
  ssl.SetSenha("1234");
  EXPECT_TRUE(ssl.CertificadoAberto());
  ssl.SetSenha("4321");
  EXPECT_FALSE(ssl.CertificadoAberto());

  ssl.GarantirCertificado();
  ssl.SetDadosPFX("novos");
  EXPECT_FALSE(ssl.CertificadoAberto());
  ssl.GarantirCertificado();
  ssl.SetArquivoPFX("/x.pfx");
  EXPECT_FALSE(ssl.CertificadoAberto());
  ssl.GarantirCertificado();
  ssl.SetNumeroSerie("ab");
  EXPECT_FALSE(ssl.CertificadoAberto());
  ssl.GarantirCertificado();
  ssl.SetNumeroSerie("A B");
  EXPECT_TRUE(ssl.CertificadoAberto());
}

struct CasoHash {
  TSSLDgst digest;
  const char* hexa;
  const char* base64;
};

// Published test vectors for "abc" (FIPS 180, RFC 1321, the RIPEMD-160 paper).
TEST(DFeSSLHash, DigestsOfAbcInTheThreeForms) {
  const CasoHash casos[] = {
      {dgstSHA1, "A9993E364706816ABA3E25717850C26C9CD0D89D", "qZk+NkcGgWq6PiVxeFDCbJzQ2J0="},
      {dgstSHA256, "BA7816BF8F01CFEA414140DE5DAE2223B00361A396177A9CB410FF61F20015AD",
       "ungWv48Bz+pBQUDeXa4iI7ADYaOWF3qctBD/YfIAFa0="},
      {dgstSHA512,
       "DDAF35A193617ABACC417349AE20413112E6FA4E89A97EA20A9EEEE64B55D39A2192992A274FC1A836BA3C23A3FEEBBD454D4423643CE80E2A9AC94FA54CA49F",
       "3a81oZNherrMQXNJriBBMRLm+k6JqX6iCp7u5ktV05ohkpkqJ0/BqDa6PCOj/uu9RU1EI2Q86A4qmslPpUyknw=="},
      {dgstMD5, "900150983CD24FB0D6963F7D28E17F72", "kAFQmDzST7DWlj99KOF/cg=="},
      {dgstRMD160, "8EB208F7E05D987A9B044A8E98C6B087F15A0BFC", "jrII9+BdmHqbBEqOmMawh/FaC/w="},
  };
  TDFeSSL ssl;
  ssl.SetSSLCryptLib(cryOpenSSL);
  for (const auto& c : casos) {
    std::string hexa = ssl.CalcHash("abc", c.digest, fhHexa);
    EXPECT_EQ(hexa, c.hexa) << SSLDgstParaTexto(c.digest);
    EXPECT_EQ(ssl.CalcHash("abc", c.digest, fhBase64), c.base64) << SSLDgstParaTexto(c.digest);
    std::string bin = ssl.CalcHash("abc", c.digest, fhBinario);
    EXPECT_EQ(bin.size() * 2, hexa.size());
    EXPECT_TRUE(ssl.ValidarHash("abc", c.digest, bin));
  }
  EXPECT_EQ(ssl.CalcHash("abc", dgstSHA1, fhBinario).size(), 20u);
}

TEST(DFeSSLHash, StreamLongerThanOneBlockIsDigestedWhole) {
  TDFeSSL ssl;
  ssl.SetSSLCryptLib(cryOpenSSL);
  std::istringstream s(std::string(1000000, 'a'));
  s.seekg(12345);  // read from the start whatever the position
  EXPECT_EQ(ssl.CalcHash(&s, dgstSHA1), "34AA973CD4C4DAA4F61EEB2BDBAD27316534016F");
}

TEST(DFeSSLHash, BadStreamsAndHashesGiveTheirMessages) {
  TDFeSSL ssl;
  ssl.SetSSLCryptLib(cryOpenSSL);
  std::istringstream vazio("");
  EXPECT_EQ(MensagemDe([&] { ssl.CalcHash(static_cast<std::istream*>(nullptr), dgstSHA1); }), "Stream inválido");
  EXPECT_EQ(MensagemDe([&] { ssl.CalcHash(&vazio, dgstSHA1); }), "Stream vazio");
  EXPECT_EQ(MensagemDe([&] { ssl.CalcHash(std::string(), dgstSHA1); }), "Stream vazio");
  EXPECT_EQ(MensagemDe([&] { ssl.ValidarHash(static_cast<std::istream*>(nullptr), dgstSHA1, "x"); }),
            "Stream inválido");
  EXPECT_EQ(MensagemDe([&] { ssl.ValidarHash(std::string(), dgstSHA1, "x"); }), "Stream vazio");
  EXPECT_EQ(MensagemDe([&] { ssl.ValidarHash("abc", dgstSHA1, ""); }), "Hash vazio");
  EXPECT_EQ(MensagemDe([&] { ssl.CalcHash("abc", dgstSHA); }), "Erro ao carregar Digest: sha");
}

TEST(DFeSSLHash, PlainValidationAcceptsTheDigestAnywhereInsideTheHash) {
  TDFeSSL ssl;
  ssl.SetSSLCryptLib(cryOpenSSL);
  std::string d = ssl.CalcHash("abc", dgstSHA256, fhBinario);
  EXPECT_TRUE(ssl.ValidarHash("abc", dgstSHA256, "prefixo" + d + "sufixo"));
  std::string errado = d;
  errado[5] ^= 1;
  EXPECT_FALSE(ssl.ValidarHash("abc", dgstSHA256, errado));
  EXPECT_FALSE(ssl.ValidarHash("abd", dgstSHA256, d));
}

TEST_F(DFeSSL, SchemaPathIsCheckedBeforeTheSigner) {
  TDFeSSL ssl;
  ssl.SetSSLXmlSignLib(xsMsXml);
  std::string m = "antes";
  EXPECT_EQ(MensagemDe([&] { ssl.Validar("<a/>", "", m); }), "Arquivo de Schema não especificado");
  EXPECT_EQ(MensagemDe([&] { ssl.Validar("<a/>", "/nao/existe.xsd", m); }),
            "Arquivo \r\n/nao/existe.xsd\r\nNão encontrado");
  std::string pasta = PastaCertificados();
  EXPECT_EQ(MensagemDe([&] { ssl.Validar("<a/>", pasta, m); }), "Arquivo \r\n" + pasta + "\r\nNão encontrado");
  std::string schema = ArquivoTemporario("s.xsd", "<xs:schema/>");
  EXPECT_TRUE(ssl.Validar("<a/>", schema, m));
  EXPECT_EQ(m, "validado");
}

TEST_F(DFeSSL, HandlerThatSignsBeforehandSkipsTheSigner) {
  TDFeSSL ssl;
  ssl.SetSSLXmlSignLib(xsMsXml);
  std::vector<std::string> recebidos;
  ssl.AntesDeAssinar = [&](std::string& xml, const std::string& doc, const std::string& inf, const std::string& sig,
                           const std::string& ns, const std::string& id) {
    recebidos = {xml, doc, inf, sig, ns, id};
    xml = "<NFe>pelo evento</NFe>";
  };
  EXPECT_EQ(ssl.Assinar("<NFe/>", "NFe", "infNFe", "Signature", "ns", "id1", "Id"), "<NFe>pelo evento</NFe>");
  EXPECT_EQ(gAssinar.chamadas, 0);
  EXPECT_EQ(recebidos, (std::vector<std::string>{"<NFe/>", "NFe", "infNFe", "Signature", "ns", "id1"}));

  ssl.AntesDeAssinar = [](std::string&, const std::string&, const std::string&, const std::string&,
                          const std::string&, const std::string&) {};
  gAssinar.resposta = "<NFe>assinada</NFe>";
  EXPECT_EQ(ssl.Assinar("<NFe/>", "NFe", "infNFe"), "<NFe>assinada</NFe>");
  EXPECT_EQ(gAssinar.chamadas, 1);
}

struct CasoDeclaracao {
  const char* entrada;
  const char* assinado;
  const char* esperado;
};

TEST_F(DFeSSL, Utf8DeclarationOfTheInputIsRestoredOnTheSignedText) {
  const CasoDeclaracao casos[] = {
      {"<?xml version=\"1.0\" encoding=\"UTF-8\"?><a/>", "<a>s</a>",
       "<?xml version=\"1.0\" encoding=\"UTF-8\"?><a>s</a>"},
      {"<?xml version=\"1.0\" encoding=\"utf-8\"?><a/>", "<?xml version=\"1.0\"?><a>s</a>",
       "<?xml version=\"1.0\" encoding=\"utf-8\"?><a>s</a>"},
      {"<?xml version=\"1.0\" encoding=\"UTF-8\"?><a/>", "<?xml version=\"1.0\" encoding=\"UTF-8\"?><a>s</a>",
       "<?xml version=\"1.0\" encoding=\"UTF-8\"?><a>s</a>"},
      {"<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><a/>", "<a>s</a>", "<a>s</a>"},
      {"<a/>", "<?xml version=\"1.0\"?><a>s</a>", "<?xml version=\"1.0\"?><a>s</a>"},
  };
  TDFeSSL ssl;
  ssl.SetSSLXmlSignLib(xsMsXml);
  for (const auto& c : casos) {
    gAssinar.resposta = c.assinado;
    EXPECT_EQ(ssl.Assinar(c.entrada, "a", "a"), c.esperado) << c.entrada;
  }
}

struct CasoCNPJ {
  const char* subjectCert;
  const char* documento;
  const char* mensagem;  // empty: passes
};

TEST_F(DFeSSL, DocumentCNPJMustShareTheCertificatesCompanyRoot) {
  const CasoCNPJ casos[] = {
      {"CN=EMPRESA:11222333000181", "11.222.333/0001-81", ""},
      {"CN=EMPRESA:11222333000181", "11222333000262", ""},  // another branch of the same company
      {"CN=EMPRESA:11222333000181", "11444777000161", "O CNPJ do Documento é diferente do CNPJ do Certificado Digital"},
      {"CN=EMPRESA:11222333000181", "11222333000182", "Erro CNPJ Documento: CNPJ inválido."},
      {"CN=EMPRESA:11222333000181", "123.456.789-09", ""},   // a CPF is never compared
      {"CN=FULANO:12345678909", "11444777000161", ""},        // nor a person's certificate
      {"CN=SEM DOCUMENTO", "11444777000161", ""},
      {"CN=EMPRESA:12ABC34501DE35", "12ABC34501DE35", ""},    // alphanumeric CNPJ keeps its letters
      {"CN=EMPRESA:12ABC34501DE35", "12abc345000188", ""},
      {"CN=EMPRESA:12ABC34501DE35", "12ABD34501DE35", "Erro CNPJ Documento: CNPJ inválido."},
      {"CN=EMPRESA:11222333000181", "12ABC34501DE35", "O CNPJ do Documento é diferente do CNPJ do Certificado Digital"},
  };
  for (const auto& c : casos) {
    gSubjectFalso = c.subjectCert;
    TDFeSSL ssl;
    ssl.SetSSLCryptLib(cryCapicom);
    std::string m = MensagemDe([&] { ssl.ConferirCNPJCertificado(c.documento); });
    EXPECT_EQ(m, *c.mensagem ? c.mensagem : "<nada>") << c.subjectCert << " / " << c.documento;
  }
}

TEST_F(DFeSSL, DirectSendFillsTheMimeTypeAndOpensTheCertificateFirst) {
  TDFeSSL ssl;
  ssl.SetSSLHttpLib(httpIndy);
  EXPECT_EQ(ssl.Enviar("<x/>", "https://h/ws", "acao"), "<x/>|https://h/ws|acao|application/soap+xml; charset=utf-8");
  EXPECT_TRUE(ssl.CertificadoAberto());
  EXPECT_EQ(ssl.HTTPResultCode(), 200);
  EXPECT_EQ(ssl.Enviar("<x/>", "u", "a", "text/xml"), "<x/>|u|a|text/xml");
  EXPECT_EQ(MensagemDe([&] { ssl.Enviar("falhar", "u", "a"); }), "falha do transporte");
  // The lock was released on failure: the next send goes through.
  EXPECT_EQ(ssl.Enviar("ok", "u", "a", "m"), "ok|u|a|m");
}

TEST_F(DFeSSL, WithoutUseCertificateHTTPNoCertificateIsOpened) {
  TDFeSSL ssl;
  ssl.SetSSLHttpLib(httpIndy);
  ssl.SetUseCertificateHTTP(false);
  ssl.Enviar("<x/>", "u", "a");
  EXPECT_FALSE(ssl.CertificadoAberto());
}

TEST_F(DFeSSL, PublicCertificateOfEmptyTextIsFalseAndClosesTheOpenOne) {
  TDFeSSL ssl;
  ssl.SetSSLCryptLib(cryCapicom);
  ssl.GarantirCertificado();
  EXPECT_FALSE(ssl.CarregarCertificadoPublico(""));
  EXPECT_FALSE(ssl.CertificadoAberto());
}

struct CasoNomes {
  const char* subject;
  const char* titular;
  const char* cnpj;
};

TEST(DadosCertificado, HolderAndDocumentComeFromTheSubjectCommonName) {
  const CasoNomes casos[] = {
      {"C=BR, O=ICP-Brasil, CN=EMPRESA TESTE LTDA:11222333000181", "EMPRESA TESTE LTDA", "11222333000181"},
      {"C=BR, CN=FULANO DE TAL:12345678909, OU=x", "FULANO DE TAL", "12345678909"},
      {"C=BR, CN=EMPRESA:11222333000182", "EMPRESA", ""},  // colon, but neither CNPJ nor CPF
      {"C=BR, CN=EMPRESA:12ABC34501DE35", "EMPRESA", "12ABC34501DE35"},
      {"C=BR, CN=SO O NOME, O=Teste", "SO O NOME", ""},
      {"C=BR, CN=NOME NO FIM", "NOME NO FIM", ""},
      {"C=BR, O=Sem nome comum", "", ""},
  };
  for (const auto& c : casos) {
    TDadosCertificado d;
    d.SetSubjectName(c.subject);
    EXPECT_EQ(d.Titular(), c.titular) << c.subject;
    EXPECT_EQ(d.CNPJTitular(), c.cnpj) << c.subject;
  }
}

TEST(DadosCertificado, AuthorityEndsBeforeRFBOrAtTheNextPart) {
  const std::pair<const char*, const char*> casos[] = {
      {"C=BR, O=ICP-Brasil, OU=Secretaria da Receita Federal do Brasil - RFB, CN=AC SERASA RFB v5", "AC SERASA"},
      {"C=BR, CN=AC CERTISIGN MULTIPLA G7, O=ICP-Brasil", "AC CERTISIGN MULTIPLA G7"},
      {"C=BR, CN= AC SOLO ", "AC SOLO"},
      {"C=BR, O=ICP-Brasil", ""},
  };
  for (const auto& [issuer, autoridade] : casos) {
    TDadosCertificado d;
    d.SetIssuerName(issuer);
    EXPECT_EQ(d.Autoridade(), autoridade) << issuer;
  }
}

TEST(DadosCertificado, ClearEmptiesEveryField) {
  TDadosCertificado d;
  d.SetSubjectName("CN=X:11222333000181");
  d.SetIssuerName("CN=AC");
  d.SetValidoAte(45000);
  d.SetTipoCertificado(tcA3);
  d.SetSerieCertificado("01");
  d.SetImpressaoDigital("AB");
  d.SetCertificadoBase64("QQ==");
  d.Clear();
  EXPECT_EQ(d.SubjectName() + d.Titular() + d.CNPJTitular() + d.IssuerName() + d.Autoridade() +
                d.SerieCertificado() + d.ImpressaoDigital() + d.CertificadoBase64(),
            "");
  EXPECT_EQ(d.ValidoAte(), 0);
  EXPECT_EQ(d.TipoCertificado(), tcIndefinido);
  // After clearing, the same subject derives again.
  d.SetSubjectName("CN=X:11222333000181");
  EXPECT_EQ(d.CNPJTitular(), "11222333000181");
}

TEST(ListaCertificados, OwnsItsRecords) {
  TListaCertificados l;
  l.New().SetSerieCertificado("01");
  l.New().SetSerieCertificado("02");
  ASSERT_EQ(l.Count(), 2);
  EXPECT_EQ(l[1].SerieCertificado(), "02");
  l.Clear();
  EXPECT_EQ(l.Count(), 0);
}
