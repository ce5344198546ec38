#pragma once
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QTextEdit>
#include <QWidget>
#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "fiscal/TuimChaveAcesso.h"

namespace tuim {

class TTuimNFe;

// Colours are kept as Windows colour values (0x00BBGGRR), the form in which they were designed.
QColor CorWindows(std::uint32_t bgr);

// Colour of each of the ten key segments, in layout order.
extern const std::array<std::uint32_t, 10> CoresSegmentosChave;

// The workbench window: a key display and eight field editors that keep each other in step.
class TMainFrm : public QWidget {
  Q_OBJECT
public:
  explicit TMainFrm(QWidget* parent = nullptr);
  ~TMainFrm() override;

  // The hosted NF-e component, configured at creation; the window's flows never call it.
  std::unique_ptr<TTuimNFe> TuimNFe1;
  // The operator's certificate in place of the design-time one: a PKCS#12 file and its password.
  void DefinirCertificado(const std::string& arquivoPFX, const std::string& senha);
  // Reads the component's configuration from an INI file over the design-time values; false
  // (with the reason in `erro`) when the file cannot be read.
  bool CarregarConfiguracao(const std::string& arquivoIni, std::string& erro);

  QLabel* Label9;
  QTextEdit* lbChaveAcesso;
  QFrame* Bevel1;
  QLabel* Label1;
  QLineEdit* lbUF;
  QLabel* Label2;
  QLineEdit* lbAnoMes;
  QLabel* Label3;
  QLineEdit* lbCNPJ;
  QLabel* Label4;
  QLineEdit* lbModelo;
  QLabel* Label5;
  QLineEdit* lbSerie;
  QLabel* Label6;
  QLineEdit* lbNNF;
  QLabel* Label7;
  QLineEdit* lbTipoEmissao;
  QLabel* Label8;
  QLineEdit* lbCNF;

  // The eight field editors in the order UF, Ano/Mes, CNPJ, Modelo, Serie, nNF, Tipo Emissao, cNF.
  std::array<QLineEdit*, 8> Editores() const;

  // How often each flow ran, so that a host or a test can see that a change ran it once.
  struct TContadores {
    int AtualizaChaveAcesso = 0;  // runs of the editors' change handler
    int Composicoes = 0;          // ... of which rebuilt the key display
    int ChaveAcessoChange = 0;    // runs of the key display's change handler
    int Decomposicoes = 0;        // ... of which refilled the editors
    int Reentradas = 0;           // a handler entered while already running
  };
  const TContadores& Contadores() const { return fContadores; }
  void ZerarContadores() { fContadores = {}; }

  // Event handlers, bound to the controls' change notifications.
  void AtualizaChaveAcesso(QObject* Sender);
  void lbChaveAcessoChange(QObject* Sender);

private:
  bool CamposPreenchidos() const;
  void LimparCampos();
  void PreencherCampos(const AccessKeyFields& fields);
  void PintarChave(const AccessKeyFields& fields);

  void LigarEditor(int index);
  void DesligarEditor(int index);
  void LigarChave();
  void DesligarChave();
  TEditoresChave TextosDosEditores() const;

  std::array<QMetaObject::Connection, 8> fLigacaoEditores;
  QMetaObject::Connection fLigacaoChave;
  TContadores fContadores;
  bool fEmAtualiza = false;
  bool fEmChaveChange = false;
};

// Windows-1252 bytes <-> QString, one byte per character; a character the code page lacks
// becomes '?'.
std::string QStringParaCp1252(const QString& s);
QString Cp1252ParaQString(const std::string& s);

}  // namespace tuim
