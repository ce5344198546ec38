#include "app/MainFrm.h"
#include "app/SelecaoCertificado.h"
#include "component/TuimNFe.h"
#include "fiscal/TuimIni.h"
#include "fiscal/TuimUtil.h"
#include "report/TuimDANFePDF.h"
#include "xml/TuimNFeR.h"

#include <QDesktopServices>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFontDatabase>
#include <QMessageBox>
#include <QMimeData>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QScreen>
#include <QTextCursor>
#include <QUrl>

#include "fiscal/TuimUtil.h"

namespace tuim {

QColor CorWindows(std::uint32_t bgr) {
  return QColor(int(bgr & 0xFF), int((bgr >> 8) & 0xFF), int((bgr >> 16) & 0xFF));
}

const std::array<std::uint32_t, 10> CoresSegmentosChave = {7292911, 6738431, 10540550, 11700753, 4995847,
                                                           7292911, 6738431, 10540550, 11700753, 4995847};

namespace {

// Consolas is the face the window was drawn for; Inconsolata has nearly its metrics, so the
// 44 characters of a key still fit the key display; otherwise the system's fixed-pitch face.
QFont FonteDaJanela() {
  QFont f;
  const QStringList familias = QFontDatabase::families();
  if (familias.contains(QStringLiteral("Consolas"))) {
    f = QFont(QStringLiteral("Consolas"));
  } else if (familias.contains(QStringLiteral("Inconsolata"))) {
    f = QFont(QStringLiteral("Inconsolata"));
  } else {
    f = QFontDatabase::systemFont(QFontDatabase::FixedFont);
  }
  f.setStyleHint(QFont::Monospace);
  f.setPixelSize(19);
  f.setWeight(QFont::Normal);
  f.setItalic(false);
  return f;
}

void Posicionar(QWidget* w, int left, int top, int width, int height) { w->setGeometry(left, top, width, height); }

// Field labels end seven pixels left of the editors; a face wider than the designed one grows
// the label to the left instead of clipping its text.
QLabel* Rotulo(QWidget* parent, const QFont& font, const char* utf8, int left, int top, int width, int height,
               Qt::Alignment align) {
  auto* l = new QLabel(QString::fromUtf8(utf8), parent);
  l->setFont(font);
  l->setAlignment(align | Qt::AlignVCenter);
  int precisa = QFontMetrics(font).horizontalAdvance(l->text()) + 1;
  if (precisa > width) {
    if (align & Qt::AlignRight) left -= precisa - width;
    width = precisa;
  }
  Posicionar(l, left, top, width, height);
  return l;
}

QLineEdit* Editor(QWidget* parent, const QFont& font, const char* name, int top, std::uint32_t cor) {
  auto* e = new QLineEdit(parent);
  e->setObjectName(QString::fromLatin1(name));
  e->setFont(font);
  QPalette p = e->palette();
  p.setColor(QPalette::Text, CorWindows(cor));
  e->setPalette(p);
  Posicionar(e, 157, top, 225, 30);
  return e;
}

}  // namespace

std::string QStringParaCp1252(const QString& s) { return DeUTF8(s.toUtf8().toStdString()); }

QString Cp1252ParaQString(const std::string& s) { return QString::fromStdString(ParaUTF8(s)); }

TMainFrm::TMainFrm(QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint) {
  setObjectName(QStringLiteral("MainFrm"));
  setWindowTitle(QStringLiteral("Manipulador de Chaves de Acesso"));
  QFont fonteForm(QStringLiteral("MS Sans Serif"));
  fonteForm.setPixelSize(11);
  setFont(fonteForm);
  QPalette pal = palette();
  pal.setColor(QPalette::Window, pal.color(QPalette::Button));
  setPalette(pal);
  setAutoFillBackground(true);
  setFixedSize(477, 362);

  const QFont fonte = FonteDaJanela();
  Label9 = Rotulo(this, fonte, "Chave de Acesso", 155, 16, 150, 22, Qt::AlignLeft);
  Label9->setObjectName(QStringLiteral("Label9"));

  lbChaveAcesso = new QTextEdit(this);
  lbChaveAcesso->setObjectName(QStringLiteral("lbChaveAcesso"));
  lbChaveAcesso->setFont(fonte);
  lbChaveAcesso->document()->setDefaultFont(fonte);
  lbChaveAcesso->setAcceptRichText(false);  // a pasted key brings no colours or fonts of its own
  lbChaveAcesso->setTabChangesFocus(true);
  lbChaveAcesso->setLineWrapMode(QTextEdit::NoWrap);
  lbChaveAcesso->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  lbChaveAcesso->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  lbChaveAcesso->document()->setDocumentMargin(2);
  Posicionar(lbChaveAcesso, 11, 43, 457, 30);

  Bevel1 = new QFrame(this);
  Bevel1->setObjectName(QStringLiteral("Bevel1"));
  Bevel1->setFrameShape(QFrame::HLine);
  Bevel1->setFrameShadow(QFrame::Sunken);
  Posicionar(Bevel1, 11, 84, 457, 2);

  const auto direita = Qt::AlignRight;
  Label1 = Rotulo(this, fonte, "UF", 130, 101, 20, 22, direita);
  lbUF = Editor(this, fonte, "lbUF", 97, 7292911);
  Label2 = Rotulo(this, fonte, "Ano/Mês", 80, 133, 70, 22, direita);
  lbAnoMes = Editor(this, fonte, "lbAnoMes", 129, 6738431);
  Label3 = Rotulo(this, fonte, "CNPJ", 110, 165, 40, 22, direita);
  lbCNPJ = Editor(this, fonte, "lbCNPJ", 161, 11700753);
  Label4 = Rotulo(this, fonte, "Modelo", 90, 197, 60, 22, direita);
  lbModelo = Editor(this, fonte, "lbModelo", 193, 4995847);
  Label5 = Rotulo(this, fonte, "Série", 100, 229, 50, 22, direita);
  lbSerie = Editor(this, fonte, "lbSerie", 225, 7292911);
  Label6 = Rotulo(this, fonte, "nNF", 120, 261, 30, 22, direita);
  lbNNF = Editor(this, fonte, "lbNNF", 257, 6738431);
  Label7 = Rotulo(this, fonte, "Tipo Emissão", 30, 293, 120, 22, direita);
  lbTipoEmissao = Editor(this, fonte, "lbTipoEmissao", 289, 11700753);
  Label8 = Rotulo(this, fonte, "cNF", 120, 325, 30, 22, direita);
  lbCNF = Editor(this, fonte, "lbCNF", 321, 11700753);
  QLabel* rotulos[] = {Label1, Label2, Label3, Label4, Label5, Label6, Label7, Label8};
  for (int i = 0; i < 8; ++i) rotulos[i]->setObjectName(QStringLiteral("Label%1").arg(i + 1));

  // A thin view over the report layer: the button prints the XML last opened or dropped.
  btnDANFE = new QPushButton(QStringLiteral("DANFE"), this);
  btnDANFE->setObjectName(QStringLiteral("btnDANFE"));
  btnDANFE->setToolTip(QStringLiteral("Arraste um XML de NF-e ou NFC-e para a janela e veja o DANFE"));
  btnDANFE->setEnabled(false);
  Posicionar(btnDANFE, 392, 97, 76, 30);
  connect(btnDANFE, &QPushButton::clicked, this, [this] { btnDANFEClick(); });
  setAcceptDrops(true);
  lbChaveAcesso->viewport()->installEventFilter(this);

  setTabOrder(lbChaveAcesso, lbUF);
  QWidget* anterior = lbUF;
  for (QLineEdit* e : Editores()) {
    if (e == lbUF) continue;
    setTabOrder(anterior, e);
    anterior = e;
  }
  lbChaveAcesso->setFocus(Qt::OtherFocusReason);

  // Designed at left 464, top 515; moved only as far as needed to stay on a smaller screen.
  QPoint pos(464, 515);
  if (QScreen* tela = QGuiApplication::primaryScreen()) {
    QRect livre = tela->availableGeometry();
    pos.setX(std::max(livre.left(), std::min(pos.x(), livre.right() + 1 - width())));
    pos.setY(std::max(livre.top(), std::min(pos.y(), livre.bottom() + 1 - height())));
  }
  move(pos);

  for (int i = 0; i < 8; ++i) LigarEditor(i);
  LigarChave();

  // Created after the controls and configured through its setters, in the designed order.
  // Nothing is opened here: the certificate is read when an operation first needs it.
  TuimNFe1 = std::make_unique<TTuimNFe>();
  TuimNFe1->SetName("TuimNFe1");
  TConfiguracoesNFe& c = TuimNFe1->Configuracoes();
  c.Geral().SetSSLLib(libWinCrypt);
  c.Geral().SetSSLCryptLib(cryWinCrypt);
  c.Geral().SetSSLHttpLib(httpWinHttp);
  c.Geral().SetSSLXmlSignLib(xsLibXml2);
  c.Geral().SetFormatoAlerta("TAG:%TAGNIVEL% ID:%ID%/%TAG%(%DESCRICAO%) - %MSG%.");
  c.Geral().SetModeloDF(moNFCe);
  c.Geral().SetVersaoQRCode(veqr000);
  // The designed schema folder is a Windows path; the default beside the program stands in for it.
  c.Arquivos().OrdenacaoPath().Clear();
  c.WebServices().SetUF("MT");
  c.WebServices().SetAmbiente(taProducao);
  c.WebServices().SetAguardarConsultaRet(0);
  c.WebServices().SetQuebradeLinha("|");
  c.RespTec().SetIdCSRT(0);
  // The component's certificate choice, when a host asks for it, is this window's dialog.
  RegistrarSelecaoCertificadoQt(this);
}

void TMainFrm::DefinirCertificado(const std::string& arquivoPFX, const std::string& senha) {
  TCertificadosConf& cert = TuimNFe1->Configuracoes().Certificados();
  cert.SetArquivoPFX(arquivoPFX);
  cert.SetSenha(DeUTF8(senha));
}

bool TMainFrm::CarregarConfiguracao(const std::string& arquivoIni, std::string& erro) {
  TTuimIni ini;
  if (!ini.LoadFromFile(arquivoIni)) {
    erro = "não foi possível ler " + arquivoIni;
    return false;
  }
  try {
    TuimNFe1->Configuracoes().CarregarIni(ini);
  } catch (const ETuimDFeException& e) {
    erro = ParaUTF8(e.what());
    return false;
  }
  return true;
}

namespace {

// The first local .xml file of a drag, or empty.
QString ArquivoXmlArrastado(const QMimeData* m) {
  if (!m || !m->hasUrls()) return {};
  for (const QUrl& u : m->urls())
    if (u.isLocalFile() && u.toLocalFile().endsWith(QStringLiteral(".xml"), Qt::CaseInsensitive))
      return u.toLocalFile();
  return {};
}

}  // namespace

bool TMainFrm::AbrirDocumento(const std::string& arquivo, std::string& erro) {
  QFile f(QString::fromStdString(arquivo));
  if (!f.open(QIODevice::ReadOnly)) {
    erro = "não foi possível ler " + arquivo;
    return false;
  }
  auto nfe = std::make_unique<TNFe>();
  try {
    TNFeR(nfe.get()).LerXML(f.readAll().toStdString());
  } catch (const ETuimDFeException& e) {
    erro = ParaUTF8(e.what());
    return false;
  }
  std::string chave = TTuimDANFePDF::ChaveAcesso(*nfe);
  fDocumento = std::move(nfe);
  btnDANFE->setEnabled(true);
  lbChaveAcesso->setPlainText(QString::fromStdString(ParaUTF8(chave)));
  return true;
}

std::string TMainFrm::GerarDANFE(std::string& erro) {
  if (!fDocumento) {
    erro = "nenhum XML aberto";
    return {};
  }
  std::unique_ptr<TTuimDANFePDF> r;
  if (fDocumento->Ide.modelo == 65)
    r = std::make_unique<TTuimNFCeDANFePDF>();
  else
    r = std::make_unique<TTuimNFeDANFePDF>();
  r->SetPathPDF(DeUTF8(QDir::tempPath().toStdString()));
  try {
    r->ImprimirDANFEPDF(fDocumento.get());
  } catch (const ETuimDFeException& e) {
    erro = ParaUTF8(e.what());
    return {};
  }
  return ParaUTF8(r->ArquivoPDF());
}

void TMainFrm::btnDANFEClick() {
  std::string erro;
  std::string pdf = GerarDANFE(erro);
  if (pdf.empty())
    QMessageBox::warning(this, windowTitle(), QString::fromStdString(erro));
  else
    QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(pdf)));
}

void TMainFrm::dragEnterEvent(QDragEnterEvent* e) {
  if (!ArquivoXmlArrastado(e->mimeData()).isEmpty()) e->acceptProposedAction();
}

void TMainFrm::dropEvent(QDropEvent* e) {
  QString arquivo = ArquivoXmlArrastado(e->mimeData());
  if (arquivo.isEmpty()) return;
  e->acceptProposedAction();
  std::string erro;
  if (!AbrirDocumento(arquivo.toStdString(), erro))
    QMessageBox::warning(this, windowTitle(), QString::fromStdString(erro));
}

// The key display would take a dropped file for text; a dropped XML goes to the window.
bool TMainFrm::eventFilter(QObject* alvo, QEvent* e) {
  if (alvo == lbChaveAcesso->viewport() && (e->type() == QEvent::DragEnter || e->type() == QEvent::Drop)) {
    auto* d = static_cast<QDropEvent*>(e);
    if (!ArquivoXmlArrastado(d->mimeData()).isEmpty()) {
      if (e->type() == QEvent::DragEnter)
        dragEnterEvent(static_cast<QDragEnterEvent*>(e));
      else
        dropEvent(d);
      return true;
    }
  }
  return QWidget::eventFilter(alvo, e);
}

TMainFrm::~TMainFrm() {
  // Children are destroyed by QWidget; their change notifications must not reach a half-gone window.
  for (int i = 0; i < 8; ++i) DesligarEditor(i);
  DesligarChave();
  RegistrarSelecaoCertificadoQt(nullptr);
}

std::array<QLineEdit*, 8> TMainFrm::Editores() const {
  return {lbUF, lbAnoMes, lbCNPJ, lbModelo, lbSerie, lbNNF, lbTipoEmissao, lbCNF};
}

void TMainFrm::LigarEditor(int i) {
  QLineEdit* e = Editores()[static_cast<std::size_t>(i)];
  fLigacaoEditores[static_cast<std::size_t>(i)] =
      connect(e, &QLineEdit::textChanged, this, [this, e] { AtualizaChaveAcesso(e); });
}

void TMainFrm::DesligarEditor(int i) { disconnect(fLigacaoEditores[static_cast<std::size_t>(i)]); }

void TMainFrm::LigarChave() {
  fLigacaoChave = connect(lbChaveAcesso, &QTextEdit::textChanged, this, [this] { lbChaveAcessoChange(lbChaveAcesso); });
}

void TMainFrm::DesligarChave() { disconnect(fLigacaoChave); }

TEditoresChave TMainFrm::TextosDosEditores() const {
  TEditoresChave t;
  t.UF = QStringParaCp1252(lbUF->text());
  t.AnoMes = QStringParaCp1252(lbAnoMes->text());
  t.CNPJ = QStringParaCp1252(lbCNPJ->text());
  t.Modelo = QStringParaCp1252(lbModelo->text());
  t.Serie = QStringParaCp1252(lbSerie->text());
  t.NNF = QStringParaCp1252(lbNNF->text());
  t.TipoEmissao = QStringParaCp1252(lbTipoEmissao->text());
  t.CNF = QStringParaCp1252(lbCNF->text());
  return t;
}

bool TMainFrm::CamposPreenchidos() const {
  for (QLineEdit* e : Editores())
    if (e->text().isEmpty()) return false;
  return true;
}

void TMainFrm::LimparCampos() {
  // UF goes first: every later clear then finds an empty field and composes nothing.
  for (QLineEdit* e : Editores()) e->setText(QString());
}

void TMainFrm::PreencherCampos(const AccessKeyFields& f) {
  for (int i = 0; i < 8; ++i) DesligarEditor(i);
  lbUF->setText(Cp1252ParaQString(f.UF.str()));
  lbAnoMes->setText(Cp1252ParaQString(f.Ano.str() + f.Mes.str()));
  lbCNPJ->setText(Cp1252ParaQString(f.CNPJ.str()));
  lbModelo->setText(Cp1252ParaQString(f.Modelo.str()));
  lbSerie->setText(Cp1252ParaQString(f.Serie.str()));
  lbNNF->setText(Cp1252ParaQString(f.NNF.str()));
  lbTipoEmissao->setText(Cp1252ParaQString(f.TipoEmissao ? std::string(1, f.TipoEmissao) : std::string()));
  lbCNF->setText(Cp1252ParaQString(f.CNF.str()));
  for (int i = 0; i < 8; ++i) LigarEditor(i);
}

void TMainFrm::PintarChave(const AccessKeyFields& f) {
  const std::string segmentos[10] = {f.UF.str(),     f.Ano.str(),    f.Mes.str(),
                                     f.CNPJ.str(),   f.Modelo.str(), f.Serie.str(),
                                     f.NNF.str(),    f.TipoEmissao ? std::string(1, f.TipoEmissao) : std::string(),
                                     f.CNF.str(),    f.DV ? std::string(1, f.DV) : std::string()};
  lbChaveAcesso->clear();
  QTextCursor c = lbChaveAcesso->textCursor();
  c.movePosition(QTextCursor::End);
  lbChaveAcesso->setTextCursor(c);
  for (int i = 0; i < 10; ++i) {
    // Only the colour of the insertion attributes changes; face, size and style stay.
    lbChaveAcesso->setTextColor(CorWindows(CoresSegmentosChave[static_cast<std::size_t>(i)]));
    lbChaveAcesso->insertPlainText(Cp1252ParaQString(segmentos[i]));
  }
  lbChaveAcesso->moveCursor(QTextCursor::End);
}

void TMainFrm::AtualizaChaveAcesso(QObject* Sender) {
  ++fContadores.AtualizaChaveAcesso;
  if (fEmAtualiza) ++fContadores.Reentradas;
  struct Guarda {
    bool& b;
    bool antes;
    ~Guarda() { b = antes; }
  } guarda{fEmAtualiza, fEmAtualiza};
  fEmAtualiza = true;

  if (!CamposPreenchidos()) return;
  AccessKeyFields f = CamposDosEditores(TextosDosEditores());
  ++fContadores.Composicoes;
  DesligarChave();
  PintarChave(f);
  LigarChave();
}

void TMainFrm::lbChaveAcessoChange(QObject* Sender) {
  ++fContadores.ChaveAcessoChange;
  if (fEmChaveChange) ++fContadores.Reentradas;
  struct Guarda {
    bool& b;
    bool antes;
    ~Guarda() { b = antes; }
  } guarda{fEmChaveChange, fEmChaveChange};
  fEmChaveChange = true;

  LimparCampos();
  const std::string texto = QStringParaCp1252(lbChaveAcesso->toPlainText());
  if (texto.size() < TamanhoChaveAcesso) return;
  AccessKeyFields f = DecomporChaveAcesso(texto);
  ++fContadores.Decomposicoes;
  DesligarChave();
  PintarChave(f);
  LigarChave();
  PreencherCampos(f);
}

}  // namespace tuim
