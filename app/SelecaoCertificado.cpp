#include "app/SelecaoCertificado.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QTableWidget>
#include <QThread>
#include <QVBoxLayout>
#include <cstdio>

#include "fiscal/TuimDateTime.h"
#include "fiscal/TuimUtil.h"
#include "security/TuimDFeSSL.h"
#include "security/TuimDFeWinCrypt.h"

namespace tuim {
namespace {

// Texts inside the component are Windows-1252.
QString Q(const std::string& cp1252) { return QString::fromStdString(ParaUTF8(cp1252)); }

QString Data(TDateTime t) {
  if (t == 0) return {};
  int y, m, d, h, n, s, ms;
  DecodeDateTime(t, y, m, d, h, n, s, ms);
  char buf[24];
  std::snprintf(buf, sizeof buf, "%02d/%02d/%04d", d, m, y);
  return QString::fromLatin1(buf);
}

}  // namespace

TSelecaoCertificadoDlg::TSelecaoCertificadoDlg(const std::string& titulo, const std::string& prompt,
                                               const TListaCertificados& lista, QWidget* parent)
    : QDialog(parent) {
  setWindowTitle(Q(titulo));
  setObjectName("TSelecaoCertificadoDlg");
  auto* layout = new QVBoxLayout(this);
  lbPrompt = new QLabel(Q(prompt), this);
  layout->addWidget(lbPrompt);
  gdCertificados = new QTableWidget(lista.Count(), 5, this);
  gdCertificados->setHorizontalHeaderLabels(
      {QString::fromUtf8("Série"), "Titular", "CNPJ/CPF", QString::fromUtf8("Válido até"), "Emissor"});
  gdCertificados->setSelectionBehavior(QAbstractItemView::SelectRows);
  gdCertificados->setSelectionMode(QAbstractItemView::SingleSelection);
  gdCertificados->setEditTriggers(QAbstractItemView::NoEditTriggers);
  gdCertificados->verticalHeader()->hide();
  for (int i = 0; i < lista.Count(); ++i) {
    const TDadosCertificado& d = lista[i];
    const QString celulas[5] = {QString::fromStdString(d.SerieCertificado()), Q(d.Titular()),
                                QString::fromStdString(d.CNPJTitular()), Data(d.ValidoAte()), Q(d.Autoridade())};
    for (int c = 0; c < 5; ++c) gdCertificados->setItem(i, c, new QTableWidgetItem(celulas[c]));
  }
  gdCertificados->resizeColumnsToContents();
  layout->addWidget(gdCertificados);
  btBotoes = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  layout->addWidget(btBotoes);
  QPushButton* ok = btBotoes->button(QDialogButtonBox::Ok);
  ok->setEnabled(false);
  connect(gdCertificados, &QTableWidget::itemSelectionChanged, this,
          [this, ok] { ok->setEnabled(Escolhido() >= 0); });
  connect(gdCertificados, &QTableWidget::cellDoubleClicked, this, [this](int, int) { accept(); });
  connect(btBotoes, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(btBotoes, &QDialogButtonBox::rejected, this, &QDialog::reject);
  if (lista.Count() > 0) gdCertificados->selectRow(0);
  resize(720, 320);
}

int TSelecaoCertificadoDlg::Escolhido() const {
  auto linhas = gdCertificados->selectionModel()->selectedRows();
  return linhas.isEmpty() ? -1 : linhas.front().row();
}

int SelecionarCertificadoQt(const std::string& titulo, const std::string& prompt, const TListaCertificados& lista,
                            QWidget* parent) {
  auto mostrar = [&] {
    TSelecaoCertificadoDlg dlg(titulo, prompt, lista, parent);
    return dlg.exec() == QDialog::Accepted ? dlg.Escolhido() : -1;
  };
  // Widgets live on the GUI thread: a component working on another thread waits for the answer.
  if (!qApp) return -1;
  if (QThread::currentThread() == qApp->thread()) return mostrar();
  int r = -1;
  QMetaObject::invokeMethod(qApp, [&] { r = mostrar(); }, Qt::BlockingQueuedConnection);
  return r;
}

void RegistrarSelecaoCertificadoQt(QWidget* janela) {
  if (!janela) {
    DefinirSelecaoCertificado(nullptr);
    return;
  }
  // A guarded pointer: a selection asked for after the window is gone gets an unparented dialog.
  QPointer<QWidget> p(janela);
  DefinirSelecaoCertificado([p](const std::string& t, const std::string& m, const TListaCertificados& l) {
    return SelecionarCertificadoQt(t, m, l, p.data());
  });
}

}  // namespace tuim
