#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>

#include "config/ini_file.h"

namespace korvel {
namespace {

using Keys = std::vector<classIniFile::KeyValue>;

std::string Bytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// Two copies of one file: the writer under test keeps one, and the other is written a key at a
// time through WriteIniKey, which reads and rewrites the whole file each time. Whatever happens
// to the files, both must hold the same bytes after every write.
class SectionWriterTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = std::filesystem::temp_directory_path() /
          ("korvel-section-writer-" +
           std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    writer.SetPath((dir / "info.tk").string());
    reference.SetPath(dir.string(), "reference.tk");
  }
  void TearDown() override { std::filesystem::remove_all(dir); }

  void Write(const std::string& section, const Keys& keys) {
    ASSERT_TRUE(writer.WriteSection(section, keys));
    for (const auto& [key, value] : keys) {
      ASSERT_TRUE(reference.WriteIniKey(section, key, value));
    }
    ASSERT_EQ(Bytes(writer.Path()), Bytes(reference.INIFileName)) << "after " << section;
  }
  // Something other than the writer changes both files the same way.
  void Replace(const std::string& bytes) {
    std::ofstream(writer.Path(), std::ios::binary | std::ios::trunc) << bytes;
    std::ofstream(reference.INIFileName, std::ios::binary | std::ios::trunc) << bytes;
  }
  void AppendRaw(const std::string& bytes) {
    std::ofstream(writer.Path(), std::ios::binary | std::ios::app) << bytes;
    std::ofstream(reference.INIFileName, std::ios::binary | std::ios::app) << bytes;
  }

  // A deal's section, its lines varying with the deal and the line count.
  static Keys Deal(int deal, int lines) {
    Keys keys = {{"name( 0 )", "玩家" + std::to_string(deal)}, {"PicIndex( 0 )", "3"}};
    keys.emplace_back("count( 1 )", std::to_string(lines));
    for (int l = 0; l < lines; ++l) {
      keys.emplace_back("count( 1 )( " + std::to_string(l) + " )",
                        "\"  平  胡:-" + std::to_string(deal * 10 + l) + "金币 \"");
    }
    keys.emplace_back("count( 0 ) ForeColor", "255");
    return keys;
  }

  std::filesystem::path dir;
  IniSectionWriter writer;
  classIniFile reference;
};

TEST_F(SectionWriterTest, AGameOfNewSectionsMatchesWholeFileWrites) {
  for (int deal = 1; deal <= 12; ++deal) Write("juNum:" + std::to_string(deal), Deal(deal, deal));
  classIniFile read;
  read.INIFileName = writer.Path();
  EXPECT_EQ(read.GetIniKey("juNum:7", "count( 1 )( 6 )"), "\"  平  胡:-76金币 \"");
  EXPECT_EQ(read.GetIniSectionNames().size(), 12u);
}

TEST_F(SectionWriterTest, RewritingTheLastSectionKeepsItsOtherKeys) {
  Write("juNum:1", Deal(1, 3));
  Write("juNum:2", Deal(2, 6));
  // The same deal again with fewer lines: the old lines past the new count stay.
  Write("juNum:2", Deal(20, 2));
  Write("JUNUM:2 ", {{"Count( 1 )", "9"}, {"extra", "x"}});
  Write("juNum:3", Deal(3, 1));
}

TEST_F(SectionWriterTest, RewritingAnOlderSectionAndOddValuesStillMatch) {
  Write("juNum:1", Deal(1, 4));
  Write("juNum:2", Deal(2, 4));
  Write("juNum:1", Deal(10, 5));
  Write("juNum:3", {{"a", "  padded  "},
                    {"b", "line\r\nbreaks\n"},
                    {"A", "the first key's spelling stays"},
                    {"emoji", "\xF0\x9F\x80\x84 not in GBK"},
                    {"broken", "\xE4\xB8"},
                    {"", "no name"}});
  Write("juNum:3", {{"emoji", "again \xF0\x9F\x80\x84"}, {"b", "one line"}});
  Write("juNum:4", Deal(4, 1));
}

TEST_F(SectionWriterTest, FilesChangedByOthersAreReadAgain) {
  Write("juNum:1", Deal(1, 2));
  AppendRaw("[juNum:2]\r\nname( 0 )=someone\r\n");
  Write("juNum:2", Deal(2, 2));  // now an older section elsewhere: a whole-file write
  Write("juNum:3", Deal(3, 2));
  AppendRaw("; a last line without its break");
  Write("juNum:4", Deal(4, 2));
  Write("juNum:5", Deal(5, 2));
  std::filesystem::remove(writer.Path());
  std::filesystem::remove(reference.INIFileName);
  Write("juNum:5", Deal(5, 1));
  Replace("[juNum:6]\nname( 0 )=lf only\n[Juneau]\r\n");
  Write("juNum:6", Deal(6, 1));
  Write("juNum:7", Deal(7, 1));
  Replace("");
  Write("juNum:1", Deal(1, 1));
}

// Writes of new, last and older sections in random order, with the file now and then changed
// behind the writer's back, always leave the same bytes as whole-file writes.
TEST_F(SectionWriterTest, RandomWritesAndInterferenceStillMatch) {
  std::mt19937 rng(13);
  auto pick = [&](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
  int deals = 0;
  for (int step = 0; step < 150; ++step) {
    const int what = pick(20);
    if (what == 0) {
      AppendRaw(pick(2) ? "[other]\r\nk=v\r\n" : "; no line break");
    } else if (what == 1) {
      std::filesystem::remove(writer.Path());
      std::filesystem::remove(reference.INIFileName);
    } else {
      // Mostly the next deal, sometimes the last one again or an older one.
      const int roll = pick(10);
      const int deal = roll < 7 || deals == 0 ? ++deals : roll < 9 ? deals : 1 + pick(deals);
      Keys keys = Deal(deal * 7 + step, pick(6));
      if (pick(4) == 0) keys.emplace_back("Name( 0 )", "  again, other case  ");
      Write("juNum:" + std::to_string(deal), keys);
      if (HasFatalFailure()) return;
    }
  }
}

TEST_F(SectionWriterTest, AFileThatCannotBeWrittenFailsAndRecovers) {
  IniSectionWriter lost;
  lost.SetPath((dir / "missing-folder" / "info.tk").string());
  EXPECT_FALSE(lost.WriteSection("juNum:1", Deal(1, 1)));
  std::filesystem::create_directories(dir / "missing-folder");
  EXPECT_TRUE(lost.WriteSection("juNum:1", Deal(1, 1)));
  EXPECT_TRUE(lost.WriteSection("juNum:2", Deal(2, 1)));
  classIniFile read;
  read.INIFileName = lost.Path();
  EXPECT_EQ(read.GetIniKey("juNum:2", "name( 0 )"), "玩家2");
  EXPECT_EQ(read.GetIniSectionNames(), (std::vector<std::string>{"juNum:1", "juNum:2"}));
}

TEST_F(SectionWriterTest, NothingToWriteLeavesTheFileAlone) {
  EXPECT_TRUE(writer.WriteSection("juNum:1", {}));
  EXPECT_FALSE(std::filesystem::exists(writer.Path()));
}

}  // namespace
}  // namespace korvel
