// The workbench's certificate-selection dialog, driven on the offscreen platform: chosen row,
// cancel, a component asking from another thread, and the whole path from the hosted
// component's facade to a certificate on a SoftHSM2 token.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDialogButtonBox>
#include <QEventLoop>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QTimer>
#include <atomic>
#include <functional>
#include <thread>

#include "app/MainFrm.h"
#include "app/SelecaoCertificado.h"
#include "component/TuimNFe.h"
#include "security/TuimDFeSSL.h"
#include "testing/TokenSoftHSM.h"
#include "tests/security/CertificadosTeste.h"

using namespace tuim;

namespace {

TListaCertificados Lista() {
  TListaCertificados l;
  TDadosCertificado& a = l.New();
  a.SetSerieCertificado("0A01");
  a.SetSubjectName("CN=LOJA UM LTDA:11222333000181");
  a.SetIssuerName("CN=AC UM");
  TDadosCertificado& b = l.New();
  b.SetSerieCertificado("0B02");
  b.SetSubjectName("CN=CONFEC\xC7\xD5" "ES S\xC3O JO\xC3O LTDA:12345678000195");  // Windows-1252 inside
  b.SetIssuerName("CN=AC DOIS");
  return l;
}

// Runs `acao` on the modal dialog as soon as it is shown.
void QuandoAbrir(std::function<void(TSelecaoCertificadoDlg&)> acao) {
  auto* t = new QTimer;
  t->setInterval(10);
  QObject::connect(t, &QTimer::timeout, [t, acao] {
    if (auto* d = qobject_cast<TSelecaoCertificadoDlg*>(QApplication::activeModalWidget())) {
      t->stop();
      t->deleteLater();
      acao(*d);
    }
  });
  t->start();
}

}  // namespace

TEST(SelecaoCertificado, ShowsTheListAndAnswersTheChosenRow) {
  std::string titulo, serie, titular;
  int linhas = -1;
  QuandoAbrir([&](TSelecaoCertificadoDlg& d) {
    titulo = d.windowTitle().toStdString();
    linhas = d.gdCertificados->rowCount();
    serie = d.gdCertificados->item(1, 0)->text().toStdString();
    titular = d.gdCertificados->item(1, 1)->text().toStdString();
    EXPECT_EQ(d.lbPrompt->text().toStdString(), "Escolha:");
    EXPECT_EQ(d.Escolhido(), 0);  // the first is preselected
    d.gdCertificados->selectRow(1);
    d.btBotoes->button(QDialogButtonBox::Ok)->click();
  });
  EXPECT_EQ(SelecionarCertificadoQt("Selecione um Certificado", "Escolha:", Lista(), nullptr), 1);
  EXPECT_EQ(titulo, "Selecione um Certificado");
  EXPECT_EQ(linhas, 2);
  EXPECT_EQ(serie, "0B02");
  EXPECT_EQ(titular, "CONFECÇÕES SÃO JOÃO LTDA");  // shown in UTF-8
}

TEST(SelecaoCertificado, CancelAndEmptyListChooseNothing) {
  QuandoAbrir([](TSelecaoCertificadoDlg& d) { d.btBotoes->button(QDialogButtonBox::Cancel)->click(); });
  EXPECT_EQ(SelecionarCertificadoQt("t", "p", Lista(), nullptr), -1);
  bool okHabilitado = true;
  QuandoAbrir([&](TSelecaoCertificadoDlg& d) {
    okHabilitado = d.btBotoes->button(QDialogButtonBox::Ok)->isEnabled();
    d.accept();  // even forced, an empty list has no row to answer
  });
  EXPECT_EQ(SelecionarCertificadoQt("t", "p", TListaCertificados(), nullptr), -1);
  EXPECT_FALSE(okHabilitado);
}

TEST(SelecaoCertificado, AComponentOnAnotherThreadGetsTheDialogOnTheGuiThread) {
  std::atomic<bool> noThreadGui{false};
  QuandoAbrir([&](TSelecaoCertificadoDlg& d) {
    noThreadGui = d.thread() == qApp->thread();
    d.gdCertificados->selectRow(1);
    d.accept();
  });
  std::atomic<int> r{-2};
  std::atomic<bool> fim{false};
  std::thread t([&] {
    r = SelecionarCertificadoQt("t", "p", Lista(), nullptr);
    fim = true;
  });
  QEventLoop loop;
  QTimer poll;
  QObject::connect(&poll, &QTimer::timeout, [&] {
    if (fim) loop.quit();
  });
  poll.start(5);
  QTimer::singleShot(10000, &loop, &QEventLoop::quit);
  loop.exec();
  t.join();
  EXPECT_EQ(r, 1);
  EXPECT_TRUE(noThreadGui);
}

TEST(SelecaoCertificado, TheHostedComponentOpensTheTokenCertificateChosenInTheDialog) {
  const std::string c = PastaCertificados() + "/";
  auto token = teste::CriarTokenSoftHSM({{c + "empresa.key", c + "empresa.pem", "01", "empresa"}}, "1234");
  ASSERT_TRUE(token.Ok()) << token.erro;
  const std::string serie = teste::SerieDoCertificado(c + "empresa.pem");

  TMainFrm frm;
  TDFeSSL& ssl = frm.TuimNFe1->SSL();
  ssl.SetSenha("1234");
  std::string mostrada;
  QuandoAbrir([&](TSelecaoCertificadoDlg& d) {
    EXPECT_EQ(d.parentWidget(), &frm);
    mostrada = d.gdCertificados->item(0, 0)->text().toStdString();
    d.accept();
  });
  EXPECT_EQ(ssl.SelecionarCertificado(), serie);
  EXPECT_EQ(mostrada, serie);
  EXPECT_TRUE(ssl.CertificadoAberto());
  EXPECT_EQ(ssl.InfoCertificado().TipoCertificado(), tcA3);
  EXPECT_EQ(ssl.InfoCertificado().Titular(), "EMPRESA TESTE LTDA");
}

TEST(SelecaoCertificado, WithoutTheWindowSelectionIsNotSupportedAgain) {
  { TMainFrm frm; }
  TDFeSSL ssl;
  ssl.SetSSLCryptLib(cryWinCrypt);
  EXPECT_THROW(ssl.SelecionarCertificado(), ETuimDFeException);
}
