// `tuim danfe` on documents written by the NF-e writer and on a processed correction letter.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "tests/cli/DanfeXml.h"
#include "tests/cli/TuimRun.h"
#include "tests/component/TuimComponentTestUtil.h"

using tuim::testing::Linhas;
using tuim::testing::PastaTemporaria;
using tuim::testing::RunTuim;
using namespace tuim::danfexml;

namespace {

std::string Saida(const std::string& cmd) {
  std::string r;
  FILE* p = popen(cmd.c_str(), "r");
  char buf[4096];
  std::size_t n;
  while (p && (n = fread(buf, 1, sizeof buf, p)) > 0) r.append(buf, n);
  if (p) pclose(p);
  return r;
}

std::string SemBrancos(const std::string& s) {
  std::string r;
  for (char c : s)
    if (c != ' ' && c != '\n') r += c;
  return r;
}

}  // namespace

TEST(DanfeCli, NFePrintsOnA4WithTheKeyInItsBarCode) {
  PastaTemporaria tmp;
  tmp.Criar("nfe.xml", kNFe);
  auto r = RunTuim({"danfe", tmp / "nfe.xml", "-o", tmp / "danfe.pdf"});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(r.out, tmp / "danfe.pdf" + "\n");
  EXPECT_NE(Saida("pdfinfo " + tmp / "danfe.pdf").find("595.276 x 841.89"), std::string::npos);
  std::string texto = Saida("pdftotext -layout " + tmp / "danfe.pdf -");
  EXPECT_NE(SemBrancos(texto).find(kChave), std::string::npos);
  EXPECT_NE(texto.find("P1002"), std::string::npos);
  EXPECT_NE(texto.find("135240000012345"), std::string::npos);
  EXPECT_EQ(texto.find("CANCELADA"), std::string::npos);
  Saida("pdftoppm -png -singlefile -r 300 " + tmp / "danfe.pdf " + tmp / "p");
  EXPECT_EQ(Saida("zbarimg --quiet " + tmp / "p.png"), std::string("CODE-128:") + kChave + "\n");
}

TEST(DanfeCli, CancelledAndDefaultFolder) {
  PastaTemporaria tmp;
  tmp.Criar("nfe.xml", kNFe);
  auto r = RunTuim({"danfe", tmp / "nfe.xml", "--cancelada", "--pasta", tmp.Path()});
  ASSERT_EQ(r.code, 0) << r.err;
  std::string pdf = tmp.Path() + kChave + "-nfe.pdf";
  EXPECT_EQ(r.out, pdf + "\n");
  EXPECT_NE(Saida("pdftotext " + pdf + " -").find("NF-e CANCELADA"), std::string::npos);
}

class DanfceCli : public ::testing::TestWithParam<const char*> {};
TEST_P(DanfceCli, NFCePrintsOnTheRollWithItsQRCode) {
  PastaTemporaria tmp;
  tmp.Criar("nfce.xml", kNFCe);
  auto r = RunTuim({"danfe", tmp / "nfce.xml", "--bobina", GetParam(), "-o", tmp / "d.pdf"});
  ASSERT_EQ(r.code, 0) << r.err;
  std::string info = Saida("pdfinfo " + tmp / "d.pdf");
  double largura = std::atof(info.c_str() + info.find("Page size:") + 10);
  EXPECT_NEAR(largura, std::atoi(GetParam()) * 72.0 / 25.4, 0.01);
  Saida("pdftoppm -png -singlefile -r 200 " + tmp / "d.pdf " + tmp / "p");
  std::string qr = Saida("zbarimg --quiet " + tmp / "p.png");
  std::string esperado = std::string(kNFCe);
  esperado = esperado.substr(esperado.find("<qrCode>") + 8);
  esperado = esperado.substr(0, esperado.find("</qrCode>"));
  if (esperado.rfind("<![CDATA[", 0) == 0) esperado = esperado.substr(9, esperado.size() - 12);
  EXPECT_EQ(qr, "QR-Code:" + esperado + "\n");
}
INSTANTIATE_TEST_SUITE_P(Bobinas, DanfceCli, ::testing::Values("80", "58"));

TEST(DanfeCli, EventFilePrintsTheCorrectionLetterSheet) {
  PastaTemporaria tmp;
  tmp.Criar("nfe.xml", kNFe);
  tmp.Criar("cce.xml", kCCe);
  auto r = RunTuim({"danfe", tmp / "cce.xml", tmp / "nfe.xml", "-o", tmp / "cce.pdf"});
  ASSERT_EQ(r.code, 0) << r.err;
  std::string texto = Saida("pdftotext -layout " + tmp / "cce.pdf -");
  EXPECT_NE(texto.find("CARTA DE CORREÇÃO ELETRÔNICA"), std::string::npos) << texto;
  EXPECT_NE(texto.find("ONDE SE LÊ RUA DAS FLORES LEIA-SE RUA DAS PALMEIRAS"), std::string::npos);
  EXPECT_NE(texto.find("135240000099999"), std::string::npos);
  EXPECT_NE(texto.find("CLIENTE DESTINATARIO LTDA"), std::string::npos);
}

TEST(DanfeCli, BadInputIsRefused) {
  PastaTemporaria tmp;
  tmp.Criar("ruim.xml", "<NFe><infNFe>");
  tmp.Criar("nfe.xml", kNFe);
  EXPECT_EQ(RunTuim({"danfe"}).code, 2);
  EXPECT_EQ(RunTuim({"danfe", tmp / "nao-existe.xml"}).code, 2);
  EXPECT_EQ(RunTuim({"danfe", tmp / "nfe.xml", "--bobina", "76"}).code, 2);
  EXPECT_EQ(RunTuim({"danfe", tmp / "nfe.xml", "--papel", "A4"}).code, 2);
  EXPECT_EQ(RunTuim({"danfe", tmp / "nfe.xml", tmp / "nfe.xml"}).code, 2);
  auto r = RunTuim({"danfe", tmp / "ruim.xml", "-o", tmp / "x.pdf"});
  EXPECT_EQ(r.code, 1);
  EXPECT_FALSE(std::filesystem::exists(tmp / "x.pdf"));
}
