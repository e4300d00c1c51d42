// Files from outside read whole: only regular files of a bounded size, and never a wait on a
// FIFO or an endless device; the INI reader and the session reader inherit that.
#include "platform/file_read.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "config/ini_file.h"
#include "replay/session_file.h"

namespace korvel {
namespace {

namespace fs = std::filesystem;

class FileReadTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("korvel-file-read-" + std::to_string(getpid()) + "-" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }
  std::string Path(const char* name) const { return (dir_ / name).string(); }
  std::string Fifo(const char* name) const {
    const std::string path = Path(name);
    EXPECT_EQ(mkfifo(path.c_str(), 0600), 0);
    return path;
  }
  void Write(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
  }
  fs::path dir_;
};

TEST_F(FileReadTest, ReadsARegularFileWholeAndRefusesEverythingElse) {
  Write(Path("a.ini"), "[s]\r\nk=v\r\n");
  FileRead ok = ReadRegularFile(Path("a.ini"), 100);
  ASSERT_TRUE(ok.ok()) << ok.problem;
  EXPECT_EQ(ok.bytes, "[s]\r\nk=v\r\n");
  EXPECT_EQ(ReadRegularFile(Path("none"), 100).status, FileReadStatus::kMissing);
  // Neither waits for a writer nor reads forever.
  EXPECT_EQ(ReadRegularFile(Fifo("fifo"), 100).status, FileReadStatus::kNotRegular);
  EXPECT_EQ(ReadRegularFile("/dev/zero", 100).status, FileReadStatus::kNotRegular);
  EXPECT_EQ(ReadRegularFile(dir_.string(), 100).status, FileReadStatus::kNotRegular);
  Write(Path("big"), std::string(101, 'x'));
  const FileRead big = ReadRegularFile(Path("big"), 100);
  EXPECT_EQ(big.status, FileReadStatus::kTooLarge);
  EXPECT_TRUE(big.bytes.empty());
  EXPECT_TRUE(ReadRegularFile(Path("big"), 101).ok()) << "exactly the limit is fine";
}

TEST_F(FileReadTest, WritingOpensOnlyRegularFiles) {
  const int fd = OpenRegularForWriting(Path("new"), O_CREAT);
  ASSERT_GE(fd, 0);
  close(fd);
  EXPECT_EQ(OpenRegularForWriting(Fifo("fifo"), O_CREAT), -1);
  EXPECT_EQ(OpenRegularForWriting("/dev/null", 0), -1);
}

TEST_F(FileReadTest, AnIniFileThatIsNoFileReadsAsAMissingOne) {
  classIniFile fifo;
  fifo.INIFileName = Fifo("korvel.ini");
  EXPECT_EQ(fifo.GetIniKey("Sessions", "Record"), "");
  EXPECT_TRUE(fifo.GetIniSectionNames().empty());
  classIniFile huge;
  huge.INIFileName = Path("huge.ini");
  Write(huge.INIFileName, "[Sessions]\r\nRecord=0\r\n" + std::string(kMaxIniFileBytes, ';'));
  EXPECT_EQ(huge.GetIniKey("Sessions", "Record"), "");
  classIniFile zero;
  zero.INIFileName = "/dev/zero";
  EXPECT_EQ(zero.GetIniKey("Sessions", "Record"), "");
}

TEST_F(FileReadTest, ASessionThatIsNoFileIsRefusedWithTheReason) {
  const SessionFile fifo = ReadSessionFile(Fifo("game.kvsession"));
  EXPECT_NE(fifo.problem.find("not a regular file"), std::string::npos) << fifo.problem;
  const SessionFile zero = ReadSessionFile("/dev/zero");
  EXPECT_NE(zero.problem.find("not a regular file"), std::string::npos) << zero.problem;
  EXPECT_NE(ReadSessionFile(Path("missing")).problem.find("cannot open"), std::string::npos);
}

}  // namespace
}  // namespace korvel
