#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QFontDatabase>
#include <QTest>
#include <QTextBlock>
#include <QTextCursor>
#include <memory>

#include "app/MainFrm.h"

using namespace tuim;

namespace {

// 51 2401 12345678000195 65 001 000000123 1 12345678, DV 8 (sum 619, remainder 3).
const QString kChave = QStringLiteral("51240112345678000195650010000001231123456788");
const QString kChaveAlfa = QStringLiteral("3526050X0J92JY000196570010000006041448679011");

// Segment of each key position (layout order): widths 2,2,2,14,2,3,9,1,8,1.
int SegmentoDaPosicao(int pos) {
  static const int larguras[10] = {2, 2, 2, 14, 2, 3, 9, 1, 8, 1};
  for (int s = 0, fim = 0; s < 10; ++s) {
    fim += larguras[s];
    if (pos < fim) return s;
  }
  return -1;
}

// Foreground colour of the character at `pos` in the key display.
QColor CorDoCaractere(QTextEdit* e, int pos) {
  QTextCursor c(e->document());
  c.setPosition(pos);
  c.setPosition(pos + 1, QTextCursor::KeepAnchor);
  return c.charFormat().foreground().color();
}

QStringList TextosDosEditores(const TMainFrm& f) {
  QStringList r;
  for (QLineEdit* e : f.Editores()) r << e->text();
  return r;
}

void Colar(QTextEdit* e, const QString& texto) {
  QApplication::clipboard()->setText(texto);
  e->setFocus();
  e->selectAll();  // the paste replaces whatever the display held
  e->paste();
}

class MainFrmTest : public ::testing::Test {
protected:
  void SetUp() override {
    form = std::make_unique<TMainFrm>();
    form->show();
    form->ZerarContadores();
  }
  std::unique_ptr<TMainFrm> form;
};

TEST_F(MainFrmTest, HasTheDesignedCaptionSizeAndButtons) {
  EXPECT_EQ(form->windowTitle(), QStringLiteral("Manipulador de Chaves de Acesso"));
  EXPECT_EQ(form->objectName(), QStringLiteral("MainFrm"));
  EXPECT_EQ(form->size(), QSize(477, 362));
  EXPECT_EQ(form->minimumSize(), QSize(477, 362));
  EXPECT_EQ(form->maximumSize(), QSize(477, 362));
  Qt::WindowFlags fl = form->windowFlags();
  EXPECT_FALSE(fl.testFlag(Qt::WindowMaximizeButtonHint));
  EXPECT_TRUE(fl.testFlag(Qt::WindowMinimizeButtonHint));
  EXPECT_TRUE(fl.testFlag(Qt::WindowSystemMenuHint));
}

TEST_F(MainFrmTest, ControlsSitWhereDesigned) {
  struct G {
    QWidget* w;
    QRect r;
  } g[] = {{form->lbChaveAcesso, {11, 43, 457, 30}}, {form->Bevel1, {11, 84, 457, 2}},
           {form->lbUF, {157, 97, 225, 30}},         {form->lbAnoMes, {157, 129, 225, 30}},
           {form->lbCNPJ, {157, 161, 225, 30}},      {form->lbModelo, {157, 193, 225, 30}},
           {form->lbSerie, {157, 225, 225, 30}},     {form->lbNNF, {157, 257, 225, 30}},
           {form->lbTipoEmissao, {157, 289, 225, 30}}, {form->lbCNF, {157, 321, 225, 30}}};
  for (const auto& x : g) EXPECT_EQ(x.w->geometry(), x.r) << x.w->objectName().toStdString();
  // Labels: the designed top and height, and the right edge at x = 150 (QRect::right is inclusive).
  struct L {
    QLabel* l;
    const char* text;
    int top;
  } labels[] = {{form->Label1, "UF", 101},     {form->Label2, "Ano/Mês", 133},      {form->Label3, "CNPJ", 165},
                {form->Label4, "Modelo", 197}, {form->Label5, "Série", 229},        {form->Label6, "nNF", 261},
                {form->Label7, "Tipo Emissão", 293}, {form->Label8, "cNF", 325}};
  for (const auto& x : labels) {
    EXPECT_EQ(x.l->text(), QString::fromUtf8(x.text));
    EXPECT_EQ(x.l->geometry().top(), x.top) << x.text;
    EXPECT_EQ(x.l->geometry().height(), 22) << x.text;
    EXPECT_EQ(x.l->geometry().right() + 1, 150) << x.text;
    EXPECT_TRUE(x.l->alignment() & Qt::AlignRight) << x.text;
  }
  EXPECT_EQ(form->Label9->text(), QStringLiteral("Chave de Acesso"));
  EXPECT_EQ(form->Label9->geometry().topLeft(), QPoint(155, 16));
}

TEST_F(MainFrmTest, EveryControlUsesTheMonospacedNineteenPixelFont) {
  QWidget* ws[] = {form->Label1, form->Label9, form->lbChaveAcesso, form->lbUF, form->lbCNF, form->Label7};
  const bool consolas = QFontDatabase::families().contains(QStringLiteral("Consolas"));
  for (QWidget* w : ws) {
    EXPECT_EQ(w->font().pixelSize(), 19) << w->objectName().toStdString();
    EXPECT_FALSE(w->font().italic());
    EXPECT_EQ(w->font().weight(), QFont::Normal);
    if (consolas) {
      EXPECT_EQ(w->font().family(), QStringLiteral("Consolas"));
    }
    EXPECT_TRUE(QFontInfo(w->font()).fixedPitch()) << w->font().family().toStdString();
  }
}

TEST_F(MainFrmTest, KeyDisplayHoldsAWholeKeyOnOneLine) {
  QFontMetrics fm(form->lbChaveAcesso->font());
  EXPECT_LE(fm.horizontalAdvance(kChave), form->lbChaveAcesso->viewport()->width());
}

TEST_F(MainFrmTest, TabOrderRunsFromTheKeyThroughTheEightEditors) {
  QWidget* ordem[] = {form->lbChaveAcesso, form->lbUF,    form->lbAnoMes,      form->lbCNPJ, form->lbModelo,
                      form->lbSerie,       form->lbNNF,   form->lbTipoEmissao, form->lbCNF};
  for (int i = 0; i + 1 < 9; ++i) {
    QWidget* next = ordem[i]->nextInFocusChain();
    while (next->focusPolicy() == Qt::NoFocus) next = next->nextInFocusChain();
    EXPECT_EQ(next, ordem[i + 1]) << i;
  }
  EXPECT_TRUE(form->lbChaveAcesso->tabChangesFocus());
}

TEST_F(MainFrmTest, EditorsCarryTheirDesignedFontColours) {
  const std::uint32_t cores[8] = {7292911, 6738431, 11700753, 4995847, 7292911, 6738431, 11700753, 11700753};
  auto eds = form->Editores();
  for (int i = 0; i < 8; ++i) EXPECT_EQ(eds[i]->palette().color(QPalette::Text), CorWindows(cores[i])) << i;
}

TEST(CorWindows, ReadsTheValueAsBlueGreenRed) {
  EXPECT_EQ(CorWindows(7292911), QColor(239, 71, 111));
  EXPECT_EQ(CorWindows(6738431), QColor(255, 209, 102));
  EXPECT_EQ(CorWindows(10540550), QColor(6, 214, 160));
  EXPECT_EQ(CorWindows(11700753), QColor(17, 138, 178));
  EXPECT_EQ(CorWindows(4995847), QColor(7, 59, 76));
}

TEST_F(MainFrmTest, PastingAKeyFillsTheEditorsAndColoursEverySegment) {
  Colar(form->lbChaveAcesso, kChave);
  EXPECT_EQ(form->lbChaveAcesso->toPlainText(), kChave);
  EXPECT_EQ(TextosDosEditores(*form), (QStringList{"51", "2401", "12345678000195", "65", "001", "000000123", "1",
                                                   "12345678"}));
  for (int p = 0; p < 44; ++p)
    EXPECT_EQ(CorDoCaractere(form->lbChaveAcesso, p), CorWindows(CoresSegmentosChave[SegmentoDaPosicao(p)])) << p;
  EXPECT_EQ(form->lbChaveAcesso->textCursor().position(), 44);  // caret after the last character
  const auto& c = form->Contadores();
  EXPECT_EQ(c.ChaveAcessoChange, 1);
  EXPECT_EQ(c.Decomposicoes, 1);
  EXPECT_EQ(c.AtualizaChaveAcesso, 0);  // the editors were empty already: clearing changes nothing
  EXPECT_EQ(c.Composicoes, 0);
  EXPECT_EQ(c.Reentradas, 0);
}

TEST_F(MainFrmTest, PastingOverFilledEditorsClearsThemWithoutComposing) {
  for (QLineEdit* e : form->Editores()) e->setText(QStringLiteral("9"));
  form->ZerarContadores();
  Colar(form->lbChaveAcesso, kChaveAlfa);
  const auto& c = form->Contadores();
  EXPECT_EQ(c.AtualizaChaveAcesso, 8);  // one per cleared editor; UF goes first, so none composes
  EXPECT_EQ(c.Composicoes, 0);
  EXPECT_EQ(c.ChaveAcessoChange, 1);
  EXPECT_EQ(c.Decomposicoes, 1);
  EXPECT_EQ(c.Reentradas, 0);
  EXPECT_EQ(form->lbChaveAcesso->toPlainText(), kChaveAlfa);
  EXPECT_EQ(form->lbUF->text(), QStringLiteral("35"));
}

TEST_F(MainFrmTest, PastedCheckDigitIsShownUnchangedEvenWhenWrong) {
  QString errada = kChave;
  errada[43] = QLatin1Char('0');
  Colar(form->lbChaveAcesso, errada);
  EXPECT_EQ(form->lbChaveAcesso->toPlainText(), errada);
  EXPECT_EQ(form->lbCNF->text(), QStringLiteral("12345678"));
}

TEST_F(MainFrmTest, PastingFiftyCharactersKeepsTheFirst44) {
  Colar(form->lbChaveAcesso, kChave + QStringLiteral("999999"));
  EXPECT_EQ(form->lbChaveAcesso->toPlainText(), kChave);
  EXPECT_EQ(form->lbUF->text(), QStringLiteral("51"));
  EXPECT_EQ(form->Contadores().Decomposicoes, 1);
  EXPECT_EQ(form->Contadores().ChaveAcessoChange, 1);
  EXPECT_EQ(form->Contadores().Reentradas, 0);
}

TEST_F(MainFrmTest, DeletingOneCharacterEmptiesTheEditorsAndKeepsTheColours) {
  Colar(form->lbChaveAcesso, kChave);
  form->ZerarContadores();
  form->lbChaveAcesso->moveCursor(QTextCursor::End);
  QTest::keyClick(form->lbChaveAcesso, Qt::Key_Backspace);
  EXPECT_EQ(form->lbChaveAcesso->toPlainText(), kChave.left(43));
  for (QLineEdit* e : form->Editores()) EXPECT_TRUE(e->text().isEmpty()) << e->objectName().toStdString();
  for (int p = 0; p < 43; ++p)
    EXPECT_EQ(CorDoCaractere(form->lbChaveAcesso, p), CorWindows(CoresSegmentosChave[SegmentoDaPosicao(p)])) << p;
  EXPECT_EQ(form->Contadores().ChaveAcessoChange, 1);
  EXPECT_EQ(form->Contadores().Decomposicoes, 0);
  EXPECT_EQ(form->Contadores().Composicoes, 0);
}

TEST_F(MainFrmTest, TypingIntoTheKeyDisplayFillsTheEditorsAtThe44thCharacter) {
  form->lbChaveAcesso->setFocus();
  QTest::keyClicks(form->lbChaveAcesso, kChave.left(43));
  EXPECT_TRUE(form->lbUF->text().isEmpty());
  EXPECT_EQ(form->Contadores().ChaveAcessoChange, 43);
  EXPECT_EQ(form->Contadores().Decomposicoes, 0);
  QTest::keyClicks(form->lbChaveAcesso, kChave.right(1));
  EXPECT_EQ(form->lbCNF->text(), QStringLiteral("12345678"));
  EXPECT_EQ(form->Contadores().Decomposicoes, 1);
  EXPECT_EQ(form->Contadores().Composicoes, 0);
  EXPECT_EQ(form->Contadores().Reentradas, 0);
}

TEST_F(MainFrmTest, LettersTypedIntoTheKeyLandInTheEditorsUnchanged) {
  Colar(form->lbChaveAcesso, QStringLiteral("MT2401123456780001956500100000012311234567xy"));
  EXPECT_EQ(form->lbUF->text(), QStringLiteral("MT"));
  EXPECT_EQ(form->lbCNF->text(), QStringLiteral("1234567x"));
}

void Digitar(TMainFrm& f, const QStringList& textos) {
  auto eds = f.Editores();
  for (int i = 0; i < 8; ++i) {
    eds[i]->setFocus();
    QTest::keyClicks(eds[i], textos[i]);
  }
}

TEST_F(MainFrmTest, FillingTheEditorsComposesTheKeyWithItsCheckDigit) {
  Digitar(*form, {"51", "2401", "12345678000195", "65", "1", "123", "1", "12345678"});
  EXPECT_EQ(form->lbChaveAcesso->toPlainText(), kChave);
  EXPECT_EQ(form->lbSerie->text(), QStringLiteral("1"));  // the editors keep what was typed
  EXPECT_EQ(form->lbNNF->text(), QStringLiteral("123"));
  for (int p = 0; p < 44; ++p)
    EXPECT_EQ(CorDoCaractere(form->lbChaveAcesso, p), CorWindows(CoresSegmentosChave[SegmentoDaPosicao(p)])) << p;
  const auto& c = form->Contadores();
  // 2+4+14+2+1+3+1+8 = 35 keystrokes; only the 8 of cNF find all editors filled.
  EXPECT_EQ(c.AtualizaChaveAcesso, 35);
  EXPECT_EQ(c.Composicoes, 8);
  EXPECT_EQ(c.ChaveAcessoChange, 0);  // the display's rewrites never decompose
  EXPECT_EQ(c.Reentradas, 0);
}

TEST_F(MainFrmTest, EachEditorChangeRecomposesOnce) {
  Digitar(*form, {"51", "2401", "12345678000195", "65", "1", "123", "1", "12345678"});
  form->ZerarContadores();
  form->lbUF->setFocus();
  form->lbUF->end(false);
  QTest::keyClick(form->lbUF, Qt::Key_Backspace);  // "5" -> UF 05
  EXPECT_EQ(form->lbChaveAcesso->toPlainText(), QStringLiteral("05240112345678000195650010000001231123456785"));
  EXPECT_EQ(form->lbUF->text(), QStringLiteral("5"));
  EXPECT_EQ(form->Contadores().AtualizaChaveAcesso, 1);
  EXPECT_EQ(form->Contadores().Composicoes, 1);
  EXPECT_EQ(form->Contadores().ChaveAcessoChange, 0);
}

TEST_F(MainFrmTest, EmptyingAnEditorLeavesTheKeyUnchanged) {
  Digitar(*form, {"51", "2401", "12345678000195", "65", "1", "123", "1", "12345678"});
  form->ZerarContadores();
  form->lbModelo->clear();
  EXPECT_EQ(form->lbChaveAcesso->toPlainText(), kChave);
  EXPECT_EQ(form->Contadores().Composicoes, 0);
  EXPECT_EQ(form->lbCNPJ->text(), QStringLiteral("12345678000195"));
}

TEST_F(MainFrmTest, AlphanumericCnpjComposesAndIsColouredLikeItsSegment) {
  // 51 2401 12ABC34501DE35 65 001 000000123 1 12345678: letters valued ASCII - 48, sum 806, DV 8.
  Digitar(*form, {"51", "2401", "12ABC34501DE35", "65", "1", "123", "1", "12345678"});
  const QString k = QStringLiteral("51240112ABC34501DE35650010000001231123456788");
  EXPECT_EQ(form->lbChaveAcesso->toPlainText(), k);
  for (int p = 6; p < 20; ++p) EXPECT_EQ(CorDoCaractere(form->lbChaveAcesso, p), CorWindows(11700753)) << p;
}

TEST_F(MainFrmTest, AlphanumericKeyDecomposesWithItsLetters) {
  Colar(form->lbChaveAcesso, kChaveAlfa);
  EXPECT_EQ(form->lbCNPJ->text(), QStringLiteral("0X0J92JY000196"));
  EXPECT_EQ(form->lbModelo->text(), QStringLiteral("57"));
  for (int p = 0; p < 44; ++p)
    EXPECT_EQ(CorDoCaractere(form->lbChaveAcesso, p), CorWindows(CoresSegmentosChave[SegmentoDaPosicao(p)])) << p;
  // Editing a field of the decomposed key recomposes with the same, still valid, check digit.
  form->lbCNF->setText(QStringLiteral("44867901"));
  EXPECT_EQ(form->lbChaveAcesso->toPlainText(), kChaveAlfa);
}

TEST_F(MainFrmTest, SlashInYearMonthGivesCheckDigitZero) {
  Digitar(*form, {"51", "24/01", "12345678000195", "65", "1", "123", "1", "12345678"});
  EXPECT_EQ(form->lbChaveAcesso->toPlainText(), QStringLiteral("5124/012345678000195650010000001231123456780"));
}

TEST_F(MainFrmTest, AccentedTextSurvivesTheRoundTripThroughTheCodePage) {
  Colar(form->lbChaveAcesso, QStringLiteral("5124011234567800019\u00e76500100000012311234567\u20ac8"));
  EXPECT_EQ(form->lbCNPJ->text(), QStringLiteral("1234567800019\u00e7"));
  EXPECT_EQ(form->lbCNF->text(), QStringLiteral("1234567\u20ac"));
}

TEST(Cp1252, MapsTheWindowsRangeAndReplacesWhatItLacks) {
  EXPECT_EQ(QStringParaCp1252(QStringLiteral("\u20ac\u00e7A\u4e2d")), std::string("\x80\xE7" "A?"));
  EXPECT_EQ(Cp1252ParaQString("\x80\xE7" "A"), QStringLiteral("\u20ac\u00e7A"));
  EXPECT_EQ(QStringParaCp1252(QString::fromUtf8("\xF0\x9F\x98\x80")), "?");  // one character, one byte
}

}  // namespace
