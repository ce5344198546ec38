// `tuim config` and `tuim qrcode`, run as the operator runs them.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "cli/TuimRun.h"

using tuim::testing::RunTuim;

namespace {

class PastaCli {
public:
  PastaCli() {
    std::string m = (std::filesystem::temp_directory_path() / "tuim-cfg-XXXXXX").string();
    if (mkdtemp(m.data())) path = m;
  }
  ~PastaCli() {
    std::error_code ec;
    std::filesystem::remove_all(path, ec);
  }
  std::string path;
};

TEST(ConfigCli, InitWritesTheDefaultsAndShowReadsThemBack) {
  PastaCli t;
  std::string arq = t.path + "/sub/conf.ini";
  auto r = RunTuim({"config", "init", arq});
  ASSERT_EQ(r.code, 0) << r.err;
  ASSERT_TRUE(std::filesystem::exists(arq));
  auto s = RunTuim({"config", "show", arq});
  ASSERT_EQ(s.code, 0) << s.err;
  EXPECT_NE(s.out.find("[DFe]"), std::string::npos);
  EXPECT_NE(s.out.find("SSLCryptLib=0"), std::string::npos);
  EXPECT_NE(s.out.find("UF=SP"), std::string::npos);
  EXPECT_NE(s.out.find("[Proxy]"), std::string::npos);
  EXPECT_NE(s.out.find("Tentativas=5"), std::string::npos);
  EXPECT_NE(s.out.find("IntervaloTentativas=1000"), std::string::npos);
}

TEST(ConfigCli, InitRefusesAnExistingFileUnlessForced) {
  PastaCli t;
  std::string arq = t.path + "/conf.ini";
  std::ofstream(arq) << "x";
  EXPECT_EQ(RunTuim({"config", "init", arq}).code, 1);
  EXPECT_EQ(RunTuim({"config", "init", arq, "--forcar"}).code, 0);
}

TEST(ConfigCli, ShowAppliesTheSettersToTheFileValues) {
  PastaCli t;
  std::string arq = t.path + "/conf.ini";
  std::ofstream(arq) << "[DFe]\nUF=mt\n[NFe]\nTentativas=0\nIntervaloTentativas=200\nIdCSC=7\n";
  auto s = RunTuim({"config", "show", arq});
  ASSERT_EQ(s.code, 0) << s.err;
  EXPECT_NE(s.out.find("UF=SP"), std::string::npos);  // unknown text ignored
  EXPECT_NE(s.out.find("Tentativas=5\n"), std::string::npos);
  EXPECT_NE(s.out.find("IntervaloTentativas=1000"), std::string::npos);
  EXPECT_NE(s.out.find("IdCSC=000007"), std::string::npos);
}

TEST(ConfigCli, MissingFileAndBadOptionsFail) {
  PastaCli t;
  EXPECT_EQ(RunTuim({"config", "show", t.path + "/nada.ini"}).code, 1);
  EXPECT_EQ(RunTuim({"config", "show", "--xyz", "1"}).code, 2);
  EXPECT_EQ(RunTuim({"config", "init"}).code, 2);
  EXPECT_EQ(RunTuim({"config"}).code, 2);
}

TEST(QRCodeCli, UsageErrorsAreReported) {
  EXPECT_EQ(RunTuim({"qrcode"}).code, 2);
  EXPECT_EQ(RunTuim({"qrcode", "--chave", "123"}).code, 2);
  const std::string chave = "51240312345678000190650010000000011000000019";
  EXPECT_EQ(RunTuim({"qrcode", "--chave", chave, "--emissao", "2024-02-30T10:00:00"}).code, 2);
  EXPECT_EQ(RunTuim({"qrcode", "--chave", chave, "--emissao", "2024-03-15T10:00:00", "--ambiente", "x"}).code, 2);
}

TEST(QRCodeCli, PrintsTheVersionTwoTextWithTheEmbeddedAddress) {
  auto r = RunTuim({"qrcode", "--chave", "51240312345678000190650010000000011000000019", "--emissao",
                    "2024-03-15T10:20:30", "--ambiente", "producao", "--id-csc", "1", "--csc", "CSCTOKEN"});
  ASSERT_EQ(r.code, 0) << r.err;
  // Hash: SHA-1 of "KEY|2|1|1CSCTOKEN", computed with Python's hashlib.
  EXPECT_NE(r.out.find("?p=51240312345678000190650010000000011000000019|2|1|1|"
                       "E891FB3E74FAFECFFEE673F94BFEB3CC81CFD12F\n"),
            std::string::npos)
      << r.out;
  EXPECT_EQ(r.out.rfind("http", 0), 0u);
}

}  // namespace
