#pragma once
// The workbench's certificate-selection dialog: what the component's SelecionarCertificado shows
// when it runs inside the workbench.
#include <QDialog>
#include <string>

class QDialogButtonBox;
class QLabel;
class QTableWidget;

namespace tuim {

class TListaCertificados;

class TSelecaoCertificadoDlg : public QDialog {
  Q_OBJECT
public:
  TSelecaoCertificadoDlg(const std::string& titulo, const std::string& prompt, const TListaCertificados& lista,
                         QWidget* parent = nullptr);
  // The chosen row, or -1.
  int Escolhido() const;

  QLabel* lbPrompt;
  QTableWidget* gdCertificados;
  QDialogButtonBox* btBotoes;
};

// Shows the dialog modally; the index of the chosen certificate, or -1 when cancelled.
int SelecionarCertificadoQt(const std::string& titulo, const std::string& prompt, const TListaCertificados& lista,
                            QWidget* parent);

// Makes the dialog the process's selection dialog (parented to `janela`), or removes it.
void RegistrarSelecaoCertificadoQt(QWidget* janela);

}  // namespace tuim
