// Opening or dropping an NF-e XML on the workbench: the key fills the display and the DANFE
// button renders its PDF.
#include <gtest/gtest.h>

#include <QMimeData>
#include <QTest>
#include <QUrl>
#include <filesystem>
#include <memory>

#include "app/MainFrm.h"
#include "tests/cli/DanfeXml.h"
#include "tests/component/TuimComponentTestUtil.h"

using namespace tuim;
using tuim::testing::PastaTemporaria;

TEST(DanfeWorkbench, OpeningAnXmlFillsTheKeyAndTheButtonMakesTheDanfe) {
  PastaTemporaria tmp;
  tmp.Criar("nfe.xml", danfexml::kNFe);
  TMainFrm form;
  form.show();
  EXPECT_FALSE(form.btnDANFE->isEnabled());
  std::string erro;
  EXPECT_EQ(form.GerarDANFE(erro), "");
  ASSERT_TRUE(form.AbrirDocumento(tmp / "nfe.xml", erro)) << erro;
  EXPECT_TRUE(form.btnDANFE->isEnabled());
  EXPECT_EQ(form.lbChaveAcesso->toPlainText().toStdString(), danfexml::kChave);
  EXPECT_EQ(form.lbCNPJ->text(), QStringLiteral("11222333000181"));  // the key was taken apart
  std::string pdf = form.GerarDANFE(erro);
  ASSERT_FALSE(pdf.empty()) << erro;
  EXPECT_TRUE(std::filesystem::exists(pdf));
  EXPECT_NE(pdf.find(std::string(danfexml::kChave) + "-nfe.pdf"), std::string::npos);
  std::filesystem::remove(pdf);
}

TEST(DanfeWorkbench, DroppedXmlIsOpenedAndABrokenOneLeavesTheWindowAsItWas) {
  PastaTemporaria tmp;
  tmp.Criar("nfce.xml", danfexml::kNFCe);
  tmp.Criar("ruim.xml", "<NFe>");
  TMainFrm form;
  form.show();
  std::string erro;
  EXPECT_FALSE(form.AbrirDocumento(tmp / "ruim.xml", erro));
  EXPECT_FALSE(erro.empty());
  EXPECT_FALSE(form.TemDocumento());

  QMimeData dados;
  dados.setUrls({QUrl::fromLocalFile(QString::fromStdString(tmp / "nfce.xml"))});
  QDragEnterEvent entrada(QPoint(5, 5), Qt::CopyAction, &dados, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(&form, &entrada);
  EXPECT_TRUE(entrada.isAccepted());
  QDropEvent soltar(QPointF(5, 5), Qt::CopyAction, &dados, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(&form, &soltar);
  EXPECT_TRUE(form.TemDocumento());
  EXPECT_EQ(form.lbModelo->text(), QStringLiteral("65"));
  std::string pdf = form.GerarDANFE(erro);
  ASSERT_FALSE(pdf.empty()) << erro;
  EXPECT_NE(pdf.find("-nfce.pdf"), std::string::npos);
  std::filesystem::remove(pdf);
}
