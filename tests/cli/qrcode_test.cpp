// `tuim qrcode --versao-qrcode 3`: the online text and the signed offline text, checked with
// the openssl tool against the certificate's public key.
#include <gtest/gtest.h>

#include <string>

#include "cli/TuimRun.h"
#include "security/CertificadosTeste.h"

using tuim::testing::RunTuim;

namespace {

const std::string kOnline = "51260312345678000190650010000000011000000019";
const std::string kOffline = "51260312345678000190650010000000019000000012";

TEST(QRCodeV3Cli, OnlineTextIsKeyVersionAndEnvironment) {
  auto r = RunTuim({"qrcode", "--versao-qrcode", "3", "--chave", kOnline, "--emissao", "2026-03-07T10:20:30",
                    "--ambiente", "producao"});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_NE(r.out.find("?p=" + kOnline + "|3|1\n"), std::string::npos) << r.out;
}

TEST(QRCodeV3Cli, OfflineTextNeedsTheCertificate) {
  auto r = RunTuim({"qrcode", "--versao-qrcode", "3", "--chave", kOffline, "--emissao", "2026-03-07T10:20:30"});
  EXPECT_EQ(r.code, 2);
  EXPECT_NE(r.err.find("--pfx"), std::string::npos) << r.err;
}

TEST(QRCodeV3Cli, OfflineSignatureVerifiesWithTheCertificatesKey) {
  auto r = RunTuim({"qrcode", "--versao-qrcode", "3", "--chave", kOffline, "--emissao", "2026-03-07T10:20:30",
                    "--total", "10.5", "--estrangeiro", "--pfx", Certificado("empresa.pfx"), "--senha", "1234"});
  ASSERT_EQ(r.code, 0) << r.err;
  const std::string params = kOffline + "|3|2|07|10.50|3|";
  std::size_t p = r.out.find("?p=" + params + "|");
  ASSERT_NE(p, std::string::npos) << r.out;
  std::string assinatura = r.out.substr(p + 3 + params.size() + 1);
  while (!assinatura.empty() && assinatura.back() == '\n') assinatura.pop_back();
  std::string dados = ArquivoTemporario("cli-qr.txt", params);
  std::string b64 = ArquivoTemporario("cli-qr.b64", assinatura + "\n");
  std::string chave = ArquivoTemporario("cli-qr-chave.pem", "");
  Executar("openssl x509 -in " + Certificado("empresa.pem") + " -pubkey -noout > " + chave);
  Executar("openssl base64 -d -in " + b64 + " -out " + b64 + ".bin");
  EXPECT_EQ(Executar("openssl dgst -sha1 -verify " + chave + " -signature " + b64 + ".bin " + dados + " 2>&1"),
            "Verified OK");
}

}  // namespace
