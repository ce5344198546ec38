// The document collection on real documents: NF-e and NFC-e generated from the model, signed with
// the test company's certificate (PKCS#12 and a SoftHSM2 token), completed, saved under the
// folder rules and read back; the signatures are checked by xmlsec1 and by the project's verifier.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/resource.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "component/TuimComponentTestUtil.h"
#include "component/TuimNFe.h"
#include "component/TuimNotasFiscais.h"
#include "fiscal/TuimDateTime.h"
#include "fiscal/TuimUtil.h"
#include "fiscal/fscAuxiliar.h"
#include "tests/security/CertificadosTeste.h"
#include "services/TuimEventoNFe.h"
#include "services/TuimMensagensNFe.h"
#include "testing/NFeConstrutor.h"
#include "testing/TokenSoftHSM.h"
#include "xml/TuimNFeR.h"

namespace tuim {
namespace {

using testing::LerTudo;
using testing::PastaTemporaria;
namespace fs = std::filesystem;

const char* const kCNPJ = "11222333000181";  // the test company certificate's CNPJ

// A component that signs with the test company's PKCS#12 file and saves under `pasta`.
void Configurar(TTuimNFe& c, const std::string& pasta, TfscModeloDF modelo = moNFe) {
  TConfiguracoesNFe& conf = c.Configuracoes();
  conf.Geral().SetSSLCryptLib(cryOpenSSL);
  conf.Geral().SetSSLXmlSignLib(xsLibXml2);
  conf.Geral().SetModeloDF(modelo);
  conf.Certificados().SetArquivoPFX(Certificado("empresa.pfx"));
  conf.Certificados().SetSenha("1234");
  conf.WebServices().SetUF(modelo == moNFCe ? "MT" : "SP");
  conf.WebServices().SetAmbiente(taHomologacao);
  conf.Arquivos().SetPathSalvar(pasta);
  conf.Arquivos().SetPathNFe(pasta);
  conf.Arquivos().SetSalvar(false);
  conf.WebServices().TimeZoneConf().SetModoDeteccao(tzFSC);
}

std::string Gravar(const std::string& caminho, const std::string& texto) {
  std::ofstream(caminho, std::ios::binary) << texto;
  return caminho;
}

// xmlsec1's verdict on a signed document (0 when the signature holds), trusting the test CA.
int XmlSec(const std::string& arquivo) {
  std::string cmd = "xmlsec1 --verify --trusted-pem '" + Certificado("ca.pem") +
                    "' --id-attr:Id http://www.portalfiscal.inf.br/nfe:infNFe '" + arquivo + "' >/dev/null 2>&1";
  return std::system(cmd.c_str());
}

int XmlLint(const std::string& arquivo, std::string& saida) {
  std::string out = arquivo + ".lint";
  std::string cmd = "xmllint --noout --schema " + std::string(TUIM_SCHEMAS_DIR) + "/nfe_v4.00.xsd '" + arquivo +
                    "' >'" + out + "' 2>&1";
  int r = std::system(cmd.c_str());
  saida = LerTudo(out);
  return r;
}

class Colecao : public ::testing::Test {
protected:
  void SetUp() override { fuso.Assign(ConfiguracaoFusoHorario()); }
  void TearDown() override { ConfiguracaoFusoHorario().Assign(fuso); }

  // The project's own verifier, on a fresh facade.
  static bool Verificar(const std::string& xml, std::string& msg) {
    TDFeSSL ssl;
    ssl.SetSSLCryptLib(cryOpenSSL);
    ssl.SetSSLXmlSignLib(xsLibXml2);
    return ssl.SSLXmlSignClass().ValidarAssinatura(xml, msg, "infNFe");
  }

  TTimeZoneConf fuso;
  PastaTemporaria t;
};

// ---- Items and texts ----------------------------------------------------------------------

TEST_F(Colecao, NewItemTakesTheComponentsModelVersionAndPresets) {
  TTuimNFe c;
  c.Configuracoes().Geral().SetModeloDF(moNFCe);
  c.Configuracoes().Geral().SetVersaoDF(ve400);
  c.Configuracoes().WebServices().SetAmbiente(taHomologacao);
  NotaFiscal& nf = c.NotasFiscais().Add();
  EXPECT_EQ(nf.NFe().Ide.modelo, 65);
  EXPECT_DOUBLE_EQ(nf.NFe().infNFe.versao, 4.00);
  EXPECT_EQ(nf.NFe().Ide.verProc, "TuimNFe");
  EXPECT_EQ(nf.NFe().Ide.tpNF, tpNF1);
  EXPECT_EQ(nf.NFe().Ide.indPag, indPag0);
  EXPECT_EQ(nf.NFe().Ide.tpAmb, taHomologacao);
  EXPECT_EQ(nf.NFe().Emit.EnderEmit.nro, "SEM NUMERO");
  EXPECT_EQ(nf.NFe().Emit.EnderEmit.cPais, 1058);
  EXPECT_EQ(nf.NFe().Dest.EnderDest.xPais, "BRASIL");
  EXPECT_EQ(c.NotasFiscais().Count(), 1);
  EXPECT_EQ(c.NotasFiscais().NamePath(), "NotaFiscal");
  EXPECT_EQ(nf.Writer().NFe(), &nf.NFe());
  EXPECT_EQ(nf.Reader().NFe(), &nf.NFe());
}

TEST_F(Colecao, LinkedReportGivesThePrintType) {
  struct Relatorio : TTuimDANFeBase {
    using TTuimDANFeBase::TTuimDANFeBase;
    TfscTipoImpressao TipoDANFE() const override { return tiPaisagem; }
  } r;
  TTuimNFe c;
  c.SetDANFE(&r);
  EXPECT_EQ(c.NotasFiscais().Add().NFe().Ide.tpImp, tiPaisagem);
  c.SetDANFE(nullptr);
}

TEST_F(Colecao, OwnerMustBeTheNFeComponent) {
  TTuimComponent outro;
  try {
    TNotasFiscais n(&outro);
    FAIL() << "no exception";
  } catch (const ETuimNFeException& e) {
    EXPECT_STREQ(e.what(), "AOwner deve ser do tipo TTuimNFe");
  }
  EXPECT_THROW(TNotasFiscais(nullptr), ETuimNFeException);
}

TEST_F(Colecao, ComponentOwnsItsRequestModels) {
  TTuimNFe c;
  EXPECT_EQ(&c.NotasFiscais().TuimNFe(), &c);
  EXPECT_EQ(c.CartaCorrecao().CCe().Evento().Count(), 0);
  EXPECT_EQ(c.EventoNFe().Evento().Count(), 0);
  EXPECT_EQ(c.InutNFe().ClassName(), "TinutNFe");
}

TEST_F(Colecao, AssignedTextWithSignatureFillsXMLAssinado) {
  TTuimNFe c;
  NotaFiscal& nf = c.NotasFiscais().Add();
  nf.SetXMLOriginal("<NFe><Signature>x</Signature></NFe>");
  EXPECT_EQ(nf.XMLOriginal(), "<?xml version=\"1.0\" encoding=\"UTF-8\"?><NFe><Signature>x</Signature></NFe>");
  EXPECT_EQ(nf.XMLAssinado(), nf.XMLOriginal());
  nf.SetXMLOriginal("<NFe>ação</NFe>");
  EXPECT_EQ(nf.XMLOriginal(), "<?xml version=\"1.0\" encoding=\"UTF-8\"?><NFe>a\xC3\xA7\xC3\xA3o</NFe>");
  // Empty again: reading it would sign, so only the state is checked here.
  nf.SetXMLOriginal("<a/>");
  EXPECT_EQ(nf.XMLOriginal().find("ignature"), std::string::npos);
}

struct CasoStatus {
  int cStat;
  bool confirmada, processada;
};
class StatusDoProtocolo : public ::testing::TestWithParam<CasoStatus> {};
TEST_P(StatusDoProtocolo, ConfirmedAndProcessedFollowTheProtocol) {
  TTuimNFe c;
  NotaFiscal& nf = c.NotasFiscais().Add();
  nf.NFe().procNFe.cStat = GetParam().cStat;
  nf.NFe().procNFe.xMotivo = "Motivo";
  EXPECT_EQ(nf.Confirmada(), GetParam().confirmada);
  EXPECT_EQ(nf.Processada(), GetParam().processada);
  EXPECT_EQ(nf.cStat(), GetParam().cStat);
  EXPECT_EQ(nf.Msg(), "Motivo");
}
INSTANTIATE_TEST_SUITE_P(Cstat, StatusDoProtocolo,
                         ::testing::Values(CasoStatus{100, true, true}, CasoStatus{110, false, true},
                                           CasoStatus{150, true, true}, CasoStatus{301, false, true},
                                           CasoStatus{302, false, true}, CasoStatus{303, false, true},
                                           CasoStatus{0, false, false}, CasoStatus{101, false, false},
                                           CasoStatus{204, false, false}, CasoStatus{539, false, false}));

// ---- Names built from keys ------------------------------------------------------------------

struct CasoNome {
  const char* id;
  bool aceito;
};
class NomeDaChave : public ::testing::TestWithParam<CasoNome> {};
TEST_P(NomeDaChave, OnlyAKeyBecomesAFileName) {
  TTuimNFe c;
  NotaFiscal& nf = c.NotasFiscais().Add();
  nf.NFe().infNFe.ID = GetParam().id;
  if (GetParam().aceito) {
    EXPECT_EQ(nf.NomeArquivoPadrao(), nf.NumID() + "-nfe.xml");
  } else {
    try {
      nf.NomeArquivoPadrao();
      FAIL() << GetParam().id;
    } catch (const ETuimNFeException& e) {
      EXPECT_STREQ(e.what(), "ID Inválido. Impossível Salvar XML");
    }
  }
}
INSTANTIATE_TEST_SUITE_P(
    Ids, NomeDaChave,
    ::testing::Values(CasoNome{"NFe35240511222333000181550010000000421123456780", true},
                      CasoNome{"NFe35240512ABC345000181550010000000421123456780", true},  // alphanumeric CNPJ
                      CasoNome{"", false}, CasoNome{"NFe123", false},
                      CasoNome{"NFe352405112223330001815500100000004211234567801", false},  // 45
                      CasoNome{"NFe3524051122233300018155001000000042112345678A", false},   // letter off the CNPJ
                      CasoNome{"NFe../../etc/passwd", false}));

TEST_F(Colecao, PathOfABareNameWithFolderAndWithout) {
  TTuimNFe c;
  Configurar(c, t.Path());
  c.Configuracoes().Arquivos().SetSepararPorCNPJ(true);
  NotaFiscal& nf = c.NotasFiscais().Add();
  nf.NFe().Emit.CNPJCPF = kCNPJ;
  nf.NFe().infNFe.ID = "NFe35240511222333000181550010000000421123456780";
  EXPECT_EQ(nf.CaminhoArquivo("a.xml", t / "x"), t / "x/a.xml");
  EXPECT_EQ(nf.CaminhoArquivo(t / "y/b.xml", t / "x"), t / "y/b.xml");  // the name's folder wins
  EXPECT_EQ(nf.CaminhoArquivo("", ""), t / (std::string(kCNPJ) + "/35240511222333000181550010000000421123456780-nfe.xml"));
  EXPECT_THROW(nf.CaminhoArquivo("../a.xml", t / "x"), ETuimNFeException);
  EXPECT_THROW(nf.CaminhoArquivo(t / "x/../../a.xml", ""), ETuimNFeException);
  EXPECT_THROW(nf.CaminhoArquivo("..", t / "x"), ETuimNFeException);
}

TEST_F(Colecao, RegeneratingASavedItemWithANewKeyMovesItsName) {
  TTuimNFe c;
  Configurar(c, t.Path());
  NotaFiscal& nf = c.NotasFiscais().Add();
  teste::PreencherNFe(nf.NFe());
  ASSERT_TRUE(nf.SalvarXML("", t / "pasta"));
  std::string antigo = nf.NomeArq();
  EXPECT_EQ(antigo, t / ("pasta/" + nf.NumID() + "-nfe.xml"));
  nf.NFe().Ide.nNF = 43;
  nf.GerarXML();
  EXPECT_NE(nf.NomeArq(), antigo);
  EXPECT_EQ(nf.NomeArq(), t / ("pasta/" + nf.NumID() + "-nfe.xml"));
}

TEST_F(Colecao, WriterFollowsTheConfiguredSchemaPackage) {
  TTuimNFe c;
  Configurar(c, t.Path());
  NotaFiscal& nf = c.NotasFiscais().Add();
  teste::PreencherNFe(nf.NFe());
  nf.NFe().Det[0].Imposto.IBSCBS.CST = "000";
  nf.NFe().Det[0].Imposto.IBSCBS.cClassTrib = "000001";
  // The old package has no reform groups: the writer says so.
  nf.GerarXML();
  EXPECT_NE(nf.Alertas().find("PL_010e"), std::string::npos) << nf.Alertas();
  c.Configuracoes().Geral().SetPacoteSchemas(psPL010e);
  nf.GerarXML();
  EXPECT_EQ(nf.Alertas().find("PL_010e"), std::string::npos) << nf.Alertas();
  EXPECT_NE(nf.XMLOriginal().find("<IBSCBS>"), std::string::npos);
}

// ---- Signing real documents ------------------------------------------------------------------

TEST_F(Colecao, SignedNFeVerifiesValidatesAndCarriesItsSignatureValues) {
  TTuimNFe c;
  Configurar(c, t.Path());
  NotaFiscal& nf = c.NotasFiscais().Add();
  teste::PreencherNFe(nf.NFe(), 3);
  nf.Assinar();
  const std::string& x = nf.XMLAssinado();
  EXPECT_EQ(x, nf.XMLOriginal());
  EXPECT_TRUE(nf.Alertas().empty()) << nf.Alertas();
  const TSignature& s = nf.NFe().signature;
  EXPECT_EQ(s.URI(), "#NFe" + nf.NumID());
  EXPECT_EQ(x.find("<DigestValue>" + s.DigestValue() + "</DigestValue>") != std::string::npos, true);
  EXPECT_FALSE(s.SignatureValue().empty());
  EXPECT_FALSE(s.X509Certificate().empty());
  EXPECT_EQ(x.find("infNFeSupl"), std::string::npos);

  std::string msg;
  EXPECT_TRUE(Verificar(x, msg)) << msg;
  std::string f = Gravar(t / "nfe.xml", x);
  EXPECT_EQ(XmlSec(f), 0);
  std::string lint;
  EXPECT_EQ(XmlLint(f, lint), 0) << lint;
}

TEST_F(Colecao, NFCeGetsItsSupplementInsideTheSignedTextAndStillVerifies) {
  TTuimNFe c;
  Configurar(c, t.Path(), moNFCe);
  c.Configuracoes().Geral().SetIdCSC("1");
  c.Configuracoes().Geral().SetCSC("TOKEN-DE-TESTE-0123456789");
  NotaFiscal& nf = c.NotasFiscais().Add();
  teste::PreencherNFe(nf.NFe(), 2);
  nf.Assinar();
  const std::string x = nf.XMLAssinado();
  const TinfNFeSupl& s = nf.NFe().infNFeSupl;
  ASSERT_FALSE(s.qrCode.empty());
  EXPECT_FALSE(s.urlChave.empty());
  // Layout order: infNFe, infNFeSupl, Signature.
  std::size_t inf = x.find("</infNFe>"), supl = x.find("<infNFeSupl><qrCode><![CDATA[" + s.qrCode + "]]></qrCode>"),
              sig = x.find("<Signature");
  ASSERT_NE(supl, std::string::npos) << x;
  EXPECT_LT(inf, supl);
  EXPECT_LT(supl, sig);
  EXPECT_NE(x.find("<urlChave>" + s.urlChave + "</urlChave></infNFeSupl><Signature"), std::string::npos);
  EXPECT_NE(s.qrCode.find("?p=" + nf.NumID() + "|2|2|"), std::string::npos) << s.qrCode;

  std::string msg;
  EXPECT_TRUE(Verificar(x, msg)) << msg;
  std::string f = Gravar(t / "nfce.xml", x);
  EXPECT_EQ(XmlSec(f), 0);
  std::string lint;
  EXPECT_EQ(XmlLint(f, lint), 0) << lint;

  // Signing again gives one group, a new digest in the QR code, and still a valid signature.
  nf.NFe().Ide.nNF = 43;
  nf.Assinar();
  const std::string y = nf.XMLAssinado();
  std::size_t primeiro = y.find("<infNFeSupl>");
  EXPECT_EQ(y.find("<infNFeSupl>", primeiro + 1), std::string::npos);
  EXPECT_TRUE(Verificar(y, msg)) << msg;
  EXPECT_EQ(XmlSec(Gravar(t / "nfce2.xml", y)), 0);
}

TEST_F(Colecao, NFCeOfLayout310GetsTheQRCodeWithoutUrlChave) {
  TTuimNFe c;
  Configurar(c, t.Path(), moNFCe);
  c.Configuracoes().Geral().SetVersaoDF(ve310);
  NotaFiscal& nf = c.NotasFiscais().Add();
  teste::PreencherNFe(nf.NFe());
  nf.Assinar();
  EXPECT_FALSE(nf.NFe().infNFeSupl.qrCode.empty());
  EXPECT_TRUE(nf.NFe().infNFeSupl.urlChave.empty());
  EXPECT_EQ(nf.XMLAssinado().find("urlChave"), std::string::npos);
  std::string msg;
  EXPECT_TRUE(Verificar(nf.XMLAssinado(), msg)) << msg;
}

TEST_F(Colecao, DocumentOfAnotherCompanyIsNotSigned) {
  TTuimNFe c;
  Configurar(c, t.Path());
  NotaFiscal& nf = c.NotasFiscais().Add();
  teste::PreencherNFe(nf.NFe());
  nf.NFe().Emit.CNPJCPF = "11444777000161";
  try {
    nf.Assinar();
    FAIL() << "signed";
  } catch (const ETuimDFeException& e) {
    EXPECT_STREQ(e.what(), "O CNPJ do Documento é diferente do CNPJ do Certificado Digital");
  }
  // A handler before signing takes the check over.
  int chamadas = 0;
  c.SetOnAntesDeAssinar([&](std::string&, const std::string&, const std::string&, const std::string&,
                            const std::string&, const std::string&) { ++chamadas; });
  nf.Assinar();
  EXPECT_EQ(chamadas, 1);
  std::string msg;
  EXPECT_TRUE(Verificar(nf.XMLAssinado(), msg)) << msg;
}

TEST_F(Colecao, ReadingTheSignedTextOfAnUnsignedItemSigns) {
  TTuimNFe c;
  Configurar(c, t.Path());
  NotaFiscal& nf = c.NotasFiscais().Add();
  teste::PreencherNFe(nf.NFe());
  std::string msg;
  EXPECT_TRUE(Verificar(nf.XMLAssinado(), msg)) << msg;
}

TEST_F(Colecao, SignsThroughAHardwareToken) {
  const std::string pasta = PastaCertificados() + "/";
  auto token = teste::CriarTokenSoftHSM({{pasta + "empresa.key", pasta + "empresa.pem", "01", "empresa"}}, "1234");
  ASSERT_TRUE(token.Ok()) << token.erro;
  TTuimNFe c;
  Configurar(c, t.Path(), moNFCe);
  c.Configuracoes().Certificados().SetArquivoPFX("");
  c.Configuracoes().Geral().SetSSLCryptLib(cryWinCrypt);
  c.Configuracoes().Certificados().SetNumeroSerie(teste::SerieDoCertificado(pasta + "empresa.pem"));
  c.Configuracoes().Certificados().SetSenha("1234");
  NotaFiscal& nf = c.NotasFiscais().Add();
  teste::PreencherNFe(nf.NFe());
  nf.Assinar();
  std::string msg;
  EXPECT_TRUE(Verificar(nf.XMLAssinado(), msg)) << msg;
  EXPECT_EQ(XmlSec(Gravar(t / "token.xml", nf.XMLAssinado())), 0);
}

// ---- Saving under the folder rules -------------------------------------------------------------

struct CasoPasta {
  const char* nome;
  bool cnpj, modelo, ano, mes, emissao;
  const char* esperado;  // below the base; %C is the CNPJ, %D the issue year and month
};
class RegrasDePasta : public ::testing::TestWithParam<CasoPasta> {};
TEST_P(RegrasDePasta, SignedDocumentIsSavedWhereTheRulesSayAndReadsBack) {
  TTimeZoneConf fuso;
  fuso.Assign(ConfiguracaoFusoHorario());
  PastaTemporaria t;
  const CasoPasta& k = GetParam();
  TTuimNFe c;
  Configurar(c, t.Path());
  TArquivosConfNFe& a = c.Configuracoes().Arquivos();
  a.SetSalvar(true);
  a.SetSepararPorCNPJ(k.cnpj);
  a.SetSepararPorModelo(k.modelo);
  a.SetSepararPorAno(k.ano);
  a.SetSepararPorMes(k.mes);
  a.SetEmissaoPathNFe(k.emissao);
  NotaFiscal& nf = c.NotasFiscais().Add();
  teste::PreencherNFe(nf.NFe());
  nf.Assinar();
  std::string sub = k.esperado;
  if (auto p = sub.find("%C"); p != std::string::npos) sub.replace(p, 2, kCNPJ);
  if (auto p = sub.find("%D"); p != std::string::npos) sub.replace(p, 2, "202405");
  std::string arquivo = t / (sub + nf.NumID() + "-nfe.xml");
  ASSERT_TRUE(fs::exists(arquivo)) << arquivo;
  EXPECT_EQ(LerTudo(arquivo), nf.XMLAssinado());
  EXPECT_TRUE(nf.NomeArq().empty());  // saving on signature keeps the name empty
  std::string msg;
  TDFeSSL ssl;
  ssl.SetSSLCryptLib(cryOpenSSL);
  ssl.SetSSLXmlSignLib(xsLibXml2);
  EXPECT_TRUE(ssl.SSLXmlSignClass().ValidarAssinatura(LerTudo(arquivo), msg, "infNFe")) << msg;
  TNFe modelo;
  TNFeR(&modelo).LerXML(LerTudo(arquivo));
  EXPECT_EQ(modelo.infNFe.ID, nf.NFe().infNFe.ID);
  EXPECT_EQ(modelo.Emit.CNPJCPF, kCNPJ);
  // Nothing but the document is left in its folder (no temporary files).
  int n = 0;
  for (auto& e : fs::directory_iterator(fs::path(arquivo).parent_path())) n += e.is_regular_file() ? 1 : 0;
  EXPECT_EQ(n, 1);
  ConfiguracaoFusoHorario().Assign(fuso);
}
INSTANTIATE_TEST_SUITE_P(
    Regras, RegrasDePasta,
    ::testing::Values(CasoPasta{"plana", false, false, false, false, false, ""},
                      CasoPasta{"cnpj", true, false, false, false, false, "%C/"},
                      CasoPasta{"cnpjModelo", true, true, false, false, false, "%C/NFe/"},
                      CasoPasta{"mesDaEmissao", false, false, false, true, true, "%D/"},
                      CasoPasta{"cnpjMesDaEmissao", true, false, false, true, true, "%C/%D/"}),
    [](const ::testing::TestParamInfo<CasoPasta>& i) { return std::string(i.param.nome); });

TEST_F(Colecao, OnlyProcessedDocumentsSavedMeansNoSaveOnSignature) {
  TTuimNFe c;
  Configurar(c, t.Path());
  c.Configuracoes().Arquivos().SetSalvar(true);
  c.Configuracoes().Arquivos().SetSalvarApenasNFeProcessadas(true);
  NotaFiscal& nf = c.NotasFiscais().Add();
  teste::PreencherNFe(nf.NFe());
  nf.Assinar();
  EXPECT_TRUE(fs::is_empty(t.Path()));
}

TEST_F(Colecao, SavedAndSignedNFCeReadsBackWithItsSupplement) {
  TTuimNFe c;
  Configurar(c, t.Path(), moNFCe);
  NotaFiscal& nf = c.NotasFiscais().Add();
  teste::PreencherNFe(nf.NFe());
  nf.Assinar();
  ASSERT_TRUE(nf.SalvarXML("", t / "nfce"));
  std::string lido = LerTudo(nf.NomeArq());
  EXPECT_EQ(lido, nf.XMLAssinado());
  EXPECT_NE(lido.find("<infNFeSupl>"), std::string::npos);
  EXPECT_EQ(XmlSec(nf.NomeArq()), 0);
  // The saved file reads back into a model with the same key, items, supplement and signature.
  TNFe modelo;
  TNFeR leitor(&modelo);
  leitor.LerXML(lido);
  EXPECT_EQ(modelo.infNFe.ID, nf.NFe().infNFe.ID);
  EXPECT_EQ(modelo.Det.Count(), nf.NFe().Det.Count());
  EXPECT_EQ(modelo.infNFeSupl.qrCode, nf.NFe().infNFeSupl.qrCode);
  EXPECT_EQ(modelo.infNFeSupl.urlChave, nf.NFe().infNFeSupl.urlChave);
  EXPECT_EQ(modelo.signature.DigestValue(), nf.NFe().signature.DigestValue());
  EXPECT_EQ(modelo.signature.SignatureValue(), nf.NFe().signature.SignatureValue());
}

TEST_F(Colecao, SupplementGoesBeforeTheSignatureOrTheEnd) {
  EXPECT_EQ(InserirInfNFeSupl("<NFe><infNFe>a</infNFe><Signature>s</Signature></NFe>", "<infNFeSupl>q</infNFeSupl>"),
            "<NFe><infNFe>a</infNFe><infNFeSupl>q</infNFeSupl><Signature>s</Signature></NFe>");
  EXPECT_EQ(InserirInfNFeSupl("<NFe><infNFe>a</infNFe><infNFeSupl>old</infNFeSupl><Signature>s</Signature></NFe>",
                              "<infNFeSupl>q</infNFeSupl>"),
            "<NFe><infNFe>a</infNFe><infNFeSupl>q</infNFeSupl><Signature>s</Signature></NFe>");
  EXPECT_EQ(InserirInfNFeSupl("<NFe><infNFe>a</infNFe></NFe>", "<infNFeSupl>q</infNFeSupl>"),
            "<NFe><infNFe>a</infNFe><infNFeSupl>q</infNFeSupl></NFe>");
  EXPECT_THROW(InserirInfNFeSupl("<NFe></NFe>", "<infNFeSupl/>"), ETuimNFeException);
}

// ---- Atomic saving and names from outside ------------------------------------------------------

TEST_F(Colecao, NamesFromOutsideNeverChooseTheirFolder) {
  TTuimNFe c;
  c.Configuracoes().Arquivos().SetPathSalvar(t / "base");
  int falhas = 0;
  c.OnGerarLog = [&](const std::string&, bool& tratado) {
    ++falhas;
    tratado = true;
  };
  for (const std::string& nome : std::vector<std::string>{"../fora.xml", "sub/x.xml", t / "abs.xml", "..", "a..b.xml", "a\\b.xml"})
    EXPECT_FALSE(c.GravarArquivo(nome, "<a/>", true)) << nome;
  EXPECT_FALSE(c.GravarArquivo(t / "x/../y.xml", "<a/>", true, "", true));  // a step up even in a full path
  EXPECT_EQ(falhas, 7);
  EXPECT_FALSE(fs::exists(t / "fora.xml"));
  EXPECT_FALSE(fs::exists(t / "abs.xml"));
  EXPECT_TRUE(c.GravarArquivo("ok.xml", "<a/>", true));
  EXPECT_TRUE(fs::exists(t / "base/ok.xml"));
}

TEST_F(Colecao, FailedRenameLeavesWhatWasThere) {
  TTuimNFe c;
  fs::create_directories(t / "alvo.xml/dentro");
  std::vector<std::string> log;
  c.OnGerarLog = [&](const std::string& l, bool& tratado) {
    log.push_back(l);
    tratado = true;
  };
  EXPECT_FALSE(c.GravarArquivo("alvo.xml", "<a/>", true, t.Path()));
  ASSERT_EQ(log.size(), 1u);
  EXPECT_EQ(log[0].rfind("ERRO: Erro ao salvar.\r\n", 0), 0u) << log[0];
  EXPECT_TRUE(fs::is_directory(t / "alvo.xml/dentro"));
  int n = 0;
  for (auto& e : fs::directory_iterator(t.Path())) n += e.path().filename() == "alvo.xml" ? 0 : 1;
  EXPECT_EQ(n, 0);  // no temporary file left behind
}

// A write that runs out of room (the file-size limit stands in for a full disk) must keep the
// old document and report the failure.
TEST_F(Colecao, FailedWriteKeepsTheOldDocument) {
  TTuimNFe c;
  const std::string antigo = "<?xml version=\"1.0\" encoding=\"UTF-8\"?><autorizada/>";
  ASSERT_TRUE(c.GravarArquivo("nfe.xml", antigo, true, t.Path()));
  struct rlimit antes{};
  getrlimit(RLIMIT_FSIZE, &antes);
  auto sinal = signal(SIGXFSZ, SIG_IGN);
  struct rlimit limite = antes;
  limite.rlim_cur = 100;
  setrlimit(RLIMIT_FSIZE, &limite);
  bool gravou = true;
  std::string erro;
  try {
    gravou = c.GravarArquivo("nfe.xml", "<a>" + std::string(5000, 'x') + "</a>", true, t.Path());
  } catch (const ETuimDFeException& e) {
    erro = e.what();
    gravou = false;
  }
  setrlimit(RLIMIT_FSIZE, &antes);
  signal(SIGXFSZ, sinal);
  EXPECT_FALSE(gravou);
  EXPECT_NE(erro.find("Erro ao salvar."), std::string::npos);
  EXPECT_EQ(LerTudo(t / "nfe.xml"), antigo);
  int n = 0;
  for (auto& e : fs::directory_iterator(t.Path())) n += e.is_regular_file() ? 1 : 0;
  EXPECT_EQ(n, 1);
}

}  // namespace
}  // namespace tuim
