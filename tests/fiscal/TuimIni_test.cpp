#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "fiscal/TuimException.h"
#include "fiscal/TuimIni.h"

using namespace tuim;
namespace fs = std::filesystem;

namespace {

class TempDir {
public:
  TempDir() {
    fPath = fs::temp_directory_path() / ("tuim_ini_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
                                         "_" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(fPath);
    fs::create_directories(fPath);
  }
  ~TempDir() { fs::remove_all(fPath); }
  std::string operator/(const std::string& name) const { return (fPath / name).string(); }

private:
  fs::path fPath;
};

std::string ReadAll(const std::string& file) {
  std::ifstream in(file, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

}  // namespace

TEST(TuimIni, ReadsSectionsKeysAndValuesTrimmed) {
  TTuimIni ini;
  ini.SetText("; top comment\n[DFe]\n  UF = MT \nSenha=a=b\nBare\n\n[NFe]\nModeloDF=1\n");
  EXPECT_EQ(ini.ReadString("DFe", "UF", "x"), "MT");
  EXPECT_EQ(ini.ReadString("DFe", "Senha", "x"), "a=b");  // split at the first "="
  EXPECT_TRUE(ini.ValueExists("DFe", "Bare"));
  EXPECT_EQ(ini.ReadString("DFe", "Bare", "x"), "");
  EXPECT_EQ(ini.ReadInteger("NFe", "ModeloDF", 0), 1);
  EXPECT_EQ(ini.ReadString("NFe", "Absent", "def"), "def");
  EXPECT_EQ(ini.ReadString("Absent", "UF", "def"), "def");
  EXPECT_EQ(ini.ReadSections(), (std::vector<std::string>{"DFe", "NFe"}));
  EXPECT_EQ(ini.ReadSection("DFe"), (std::vector<std::string>{"UF", "Senha", "Bare"}));
}

TEST(TuimIni, NamesMatchWithoutRegardToCaseAndTheFirstWins) {
  TTuimIni ini;
  ini.SetText("[NFe_MT_P]\nNfeAutorizacao_4.00=first\nNFeAutorizacao_4.00=second\n[nfe_mt_p]\nOther=x\n");
  EXPECT_EQ(ini.ReadString("NFE_MT_P", "nfeautorizacao_4.00", ""), "first");
  EXPECT_FALSE(ini.ValueExists("NFe_MT_P", "Other"));  // the second section of that name is shadowed
  EXPECT_EQ(ini.ReadSections().size(), 1u);
  auto values = ini.ReadSectionValues("NFe_MT_P");
  ASSERT_EQ(values.size(), 2u);
  EXPECT_EQ(values[1].second, "second");
}

TEST(TuimIni, HeaderFollowedByACommentOpensTheSection) {
  TTuimIni ini;
  ini.SetText("[NFe_MT_P] ;updated\nNfeStatusServico_4.00=https://x\n [ WSDL_V4 ]  # note ] more\nK=v\n");
  EXPECT_EQ(ini.ReadString("NFe_MT_P", "NfeStatusServico_4.00", ""), "https://x");
  EXPECT_EQ(ini.ReadString("WSDL_V4", "K", ""), "v");
  EXPECT_EQ(ini.ReadSections(), (std::vector<std::string>{"NFe_MT_P", "WSDL_V4"}));
}

TEST(TuimIni, CommentsAndBlankLinesAreNotKeysAndSurviveARewrite) {
  const std::string text =
      ";;;;;; ENDERECOS ;;;;;;\n"
      "[A] ;header note\n"
      "; about K\n"
      "K=1\n"
      "# hash comment\n"
      "\n"
      "[B]\n"
      "X = keep  spacing\n";
  TTuimIni ini;
  ini.SetText(text);
  EXPECT_EQ(ini.ReadSection("A"), (std::vector<std::string>{"K"}));
  EXPECT_EQ(ini.Text(), text);  // untouched lines come back byte for byte
  ini.WriteString("A", "K", "2");
  EXPECT_EQ(ini.Text(),
            ";;;;;; ENDERECOS ;;;;;;\n[A] ;header note\n; about K\nK=2\n# hash comment\n\n[B]\nX = keep  spacing\n");
}

TEST(TuimIni, SectionWithOnlyCommentsCountsAsAbsent) {
  TTuimIni ini;
  ini.SetText("[Empty]\n; nothing here\n\n[Full]\nA=\n");
  EXPECT_FALSE(ini.SectionExists("Empty"));
  EXPECT_TRUE(ini.SectionExists("full"));
  EXPECT_FALSE(ini.SectionExists("Missing"));
}

TEST(TuimIni, LinesBeforeTheFirstSectionBelongToNone) {
  TTuimIni ini;
  ini.SetText("Loose=1\n[S]\nK=2\n");
  EXPECT_EQ(ini.ReadString("", "Loose", "none"), "none");
  EXPECT_EQ(ini.ReadSections(), (std::vector<std::string>{"S"}));
  EXPECT_EQ(ini.Text(), "Loose=1\n[S]\nK=2\n");
}

TEST(TuimIni, WritesNewKeysAfterTheLastKeyAndNewSectionsAtTheEnd) {
  TTuimIni ini;
  ini.SetText("[A]\nK=1\n\n[B]\nZ=9\n");
  ini.WriteString("A", "L", "2");
  ini.WriteInteger("C", "N", -7);
  ini.WriteBool("C", "On", true);
  ini.WriteBool("C", "Off", false);
  EXPECT_EQ(ini.Text(), "[A]\nK=1\nL=2\n\n[B]\nZ=9\n\n[C]\nN=-7\nOn=1\nOff=0\n");
}

TEST(TuimIni, EmptyIniGetsSectionsInWriteOrder) {
  TTuimIni ini;
  ini.WriteString("DFe", "UF", "MT");
  ini.WriteString("Proxy", "Servidor", "");
  ini.WriteString("DFe", "TimeZone.Modo", "0");
  EXPECT_EQ(ini.Text(), "[DFe]\nUF=MT\nTimeZone.Modo=0\n\n[Proxy]\nServidor=\n");
}

TEST(TuimIni, LineBreaksInsideAValueCannotStartNewKeys) {
  TTuimIni ini;
  ini.WriteString("S", "K", "a\r\n[Evil]\nX=1");
  EXPECT_EQ(ini.ReadSections(), (std::vector<std::string>{"S"}));
  TTuimIni back;
  back.SetText(ini.Text());
  EXPECT_EQ(back.ReadSections(), (std::vector<std::string>{"S"}));
  EXPECT_EQ(back.ReadString("S", "K", ""), "a  [Evil] X=1");
}

struct NumberCase {
  const char* text;
  int def;
  int integer;
  bool boolean;  // read with default false
};
class TuimIniNumbers : public ::testing::TestWithParam<NumberCase> {};
TEST_P(TuimIniNumbers, ReadsIntegersAndBooleans) {
  const auto& c = GetParam();
  TTuimIni ini;
  ini.WriteString("S", "K", c.text);
  EXPECT_EQ(ini.ReadInteger("S", "K", c.def), c.integer) << c.text;
  EXPECT_EQ(ini.ReadBool("S", "K", false), c.boolean) << c.text;
}
INSTANTIATE_TEST_SUITE_P(Values, TuimIniNumbers,
                         ::testing::Values(NumberCase{"0", 5, 0, false}, NumberCase{"1", 5, 1, true},
                                           NumberCase{"-12", 5, -12, true}, NumberCase{"+3", 5, 3, true},
                                           NumberCase{"12a", 5, 5, false}, NumberCase{"", 5, 5, false},
                                           NumberCase{"99999999999", 5, 5, true},
                                           NumberCase{"True", 5, 5, true}, NumberCase{"false", 5, 5, false}));

TEST(TuimIni, KeepsWindows1252BytesAndCrLf) {
  TTuimIni ini;
  ini.SetText("[S]\r\nNome=Jo\xE3o \xC1GUA\r\n");
  EXPECT_EQ(ini.LineBreak(), "\r\n");
  EXPECT_EQ(ini.ReadString("s", "nome", ""), "Jo\xE3o \xC1GUA");
  ini.WriteString("\xC1rea", "K", "v");
  EXPECT_EQ(ini.ReadString("\xE1REA", "k", ""), "v");  // accented capitals fold too
  EXPECT_EQ(ini.Text(), "[S]\r\nNome=Jo\xE3o \xC1GUA\r\n\r\n[\xC1rea]\r\nK=v\r\n");
}

TEST(TuimIni, SkipsAUtf8ByteOrderMark) {
  TTuimIni ini;
  ini.SetText("\xEF\xBB\xBF[S]\nK=v\n");
  EXPECT_EQ(ini.ReadString("S", "K", ""), "v");
}

TEST(TuimIni, DeletesKeysAndSections) {
  TTuimIni ini;
  ini.SetText("[A]\nK=1\nL=2\n[B]\nM=3\n");
  ini.DeleteKey("a", "k");
  ini.EraseSection("B");
  EXPECT_EQ(ini.Text(), "[A]\nL=2\n");
}

TEST(TuimIni, RoundTripsThroughAFileInANewFolder) {
  TempDir dir;
  std::string file = dir / "sub/dir/conf.ini";
  TTuimIni ini;
  ini.WriteString("DFe", "UF", "MT");
  ini.SaveToFile(file);
  EXPECT_EQ(ReadAll(file), "[DFe]\nUF=MT\n");
  TTuimIni back(file);
  EXPECT_EQ(back.FileName(), file);
  EXPECT_EQ(back.ReadString("DFe", "UF", ""), "MT");
  back.WriteString("DFe", "UF", "SP");
  back.UpdateFile();
  EXPECT_EQ(ReadAll(file), "[DFe]\nUF=SP\n");
}

TEST(TuimIni, MissingFileLeavesTheContentAndUnwritableFileRaises) {
  TempDir dir;
  TTuimIni ini;
  ini.SetText("[S]\nK=v\n");
  EXPECT_FALSE(ini.LoadFromFile(dir / "absent.ini"));
  EXPECT_EQ(ini.ReadString("S", "K", ""), "v");
  EXPECT_THROW(ini.SaveToFile(dir / ""), ETuimDFeException);  // a folder, not a file
  EXPECT_THROW(ini.SaveToFile(""), ETuimDFeException);
}
