#include "config/ini_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "platform/gbk.h"

namespace korvel {
namespace {

class IniTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = std::filesystem::temp_directory_path() /
          ("korvel-ini-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
           ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::create_directories(dir);
    ini.SetPath(dir.string(), "chat.ini");
  }
  void TearDown() override { std::filesystem::remove_all(dir); }
  void WriteRaw(const std::string& bytes) {
    std::ofstream(ini.INIFileName, std::ios::binary) << bytes;
  }
  std::string ReadRaw() {
    std::ifstream in(ini.INIFileName, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }

  std::filesystem::path dir;
  classIniFile ini;
};

TEST(JoinPath, PutsExactlyOneSeparatorBetween) {
  EXPECT_EQ(JoinPath("/opt/game/", "/chat.ini"), "/opt/game/chat.ini");
  EXPECT_EQ(JoinPath("/opt/game", "chat.ini"), "/opt/game/chat.ini");
  EXPECT_EQ(JoinPath("C:\\game\\", "\\chat.ini"), "C:\\game/chat.ini");
  EXPECT_EQ(JoinPath("/opt//", "//x"), "/opt/x");
}

TEST_F(IniTest, MissingFilesSectionsAndKeysReadEmpty) {
  EXPECT_EQ(ini.GetIniKey("s", "k"), "");
  WriteRaw("[s]\r\nk=v\r\n");
  EXPECT_EQ(ini.GetIniKey("other", "k"), "");
  EXPECT_EQ(ini.GetIniKey("s", "missing"), "");
}

TEST_F(IniTest, NamesIgnoreCaseTheFirstOccurrenceWinsAndValuesAreTrimmed) {
  WriteRaw("; phrases\n[Phrase]\nCount = 3 \nCOUNT=9\n[phrase]\ncount=7\n[Other]\nx=\t y \n");
  EXPECT_EQ(ini.GetIniKey("PHRASE", "count"), "3");
  EXPECT_EQ(ini.GetIniKey("other", "X"), "y");
}

TEST_F(IniTest, WritesCreateWhatIsMissingAndReplaceInPlace) {
  EXPECT_TRUE(ini.WriteIniKey("Deal1", "Score", "  12 "));
  EXPECT_EQ(ini.GetIniKey("deal1", "score"), "12");
  EXPECT_TRUE(ini.WriteIniKey("Deal1", "score", "15"));
  EXPECT_TRUE(ini.WriteIniKey("Deal1", "Winner", "alice"));
  EXPECT_TRUE(ini.WriteIniKey("Deal2", "Score", "1"));
  EXPECT_EQ(ini.GetIniKey("Deal1", "Score"), "15");
  EXPECT_EQ(ini.GetIniKey("Deal1", "Winner"), "alice");
  EXPECT_EQ(ini.GetIniKey("Deal2", "Score"), "1");
  EXPECT_EQ(ReadRaw(), "[Deal1]\r\nScore=15\r\nWinner=alice\r\n[Deal2]\r\nScore=1\r\n");
}

TEST_F(IniTest, TheFileIsGbkAndChineseSurvives) {
  EXPECT_TRUE(ini.WriteIniKey("短语", "1", "大家好，很高兴见到各位！"));
  EXPECT_EQ(ReadRaw(), Utf8ToGbk("[短语]\r\n1=大家好，很高兴见到各位！\r\n"));
  EXPECT_EQ(ini.GetIniKey("短语", "1"), "大家好，很高兴见到各位！");
}

TEST_F(IniTest, DeletingAKeyOrASectionRemovesOnlyThat) {
  WriteRaw("[a]\nx=1\ny=2\n[b]\nz=3\n");
  EXPECT_TRUE(ini.DelIniKey("A", "x"));
  EXPECT_EQ(ini.GetIniKey("a", "x"), "");
  EXPECT_EQ(ini.GetIniKey("a", "y"), "2");
  EXPECT_TRUE(ini.DelIniSec("a"));
  EXPECT_EQ(ini.GetIniKey("a", "y"), "");
  EXPECT_EQ(ini.GetIniKey("b", "z"), "3");
}

TEST_F(IniTest, LongValuesAreCutAndBrokenBytesNeverCrash) {
  ini.WriteIniKey("s", "long", std::string(2000, 'v'));
  EXPECT_EQ(ini.GetIniKey("s", "long").size(), 1023u);
  WriteRaw(std::string("[s]\nk=\xFF\x81\0v\n", 11) + "[\n=\n[broken");
  EXPECT_EQ(ini.GetIniKey("s", "k"),
            std::string(kReplacementChar) + std::string(kReplacementChar) + "v");
  EXPECT_TRUE(ini.WriteIniKey("s", "line", "one\ntwo"));
  EXPECT_EQ(ini.GetIniKey("s", "line"), "one two");
}

}  // namespace
}  // namespace korvel

namespace korvel {
namespace {

class IniBatchTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = std::filesystem::temp_directory_path() /
          ("korvel-ini-batch-" +
           std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    std::filesystem::create_directories(dir);
    ini.SetPath(dir.string(), "info.tk");
  }
  void TearDown() override { std::filesystem::remove_all(dir); }

  std::filesystem::path dir;
  classIniFile ini;
};

TEST_F(IniBatchTest, ManyKeysWriteAsOneByOneWritesWould) {
  classIniFile single;
  single.SetPath(dir.string(), "single.tk");
  single.WriteIniKey("juNum:1", "Name( 0 )", "old");
  ini.WriteIniKey("juNum:1", "Name( 0 )", "old");
  const std::vector<classIniFile::KeyValue> keys = {
      {"name( 0 )", "  新  "}, {"count( 1 )", "2"}, {"count( 1 )( 0 )", "a\nb"}};
  ASSERT_TRUE(ini.WriteIniKeys("juNum:1", keys));
  ASSERT_TRUE(ini.WriteIniKeys("juNum:2", keys));
  for (const auto& [key, value] : keys) {
    single.WriteIniKey("juNum:1", key, value);
    single.WriteIniKey("juNum:2", key, value);
  }
  auto bytes = [](const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  };
  EXPECT_EQ(bytes(ini.INIFileName), bytes(single.INIFileName));
  EXPECT_EQ(ini.GetIniKey("JUNUM:1", "NAME( 0 )"), "新");
}

TEST_F(IniBatchTest, ASectionReadsBackInOrderWithTheFirstOccurrenceWinning) {
  std::ofstream(ini.INIFileName, std::ios::binary)
      << "[a]\r\nk=1\r\n[b]\r\nx =  2 \r\n; note\r\nK=3\r\nX=4\r\ny=\r\n[B]\r\nz=5\r\n";
  const std::vector<classIniFile::KeyValue> expected = {{"x", "2"}, {"K", "3"}, {"y", ""}};
  EXPECT_EQ(ini.GetIniSection("b"), expected);
  EXPECT_TRUE(ini.GetIniSection("missing").empty());
  classIniFile absent;
  absent.SetPath(dir.string(), "absent.tk");
  EXPECT_TRUE(absent.GetIniSection("b").empty());
}

}  // namespace
}  // namespace korvel
