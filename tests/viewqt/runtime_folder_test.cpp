// The runtime folder holds the single-copy lock and the lobby's sockets: only a private folder of
// this user's will do.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "lobby_link.h"

namespace korvel {
namespace {

class RuntimeFolder : public ::testing::Test {
 protected:
  void SetUp() override {
    char folder[] = "/tmp/korvel-runtime-test-XXXXXX";
    ASSERT_NE(mkdtemp(folder), nullptr);
    base = folder;
  }
  void TearDown() override { std::filesystem::remove_all(base); }
  std::string base;
};

TEST_F(RuntimeFolder, OnlyAPrivateFolderOfOurOwnIsAccepted) {
  const std::string dir = base + "/korvel";
  ASSERT_EQ(mkdir(dir.c_str(), 0700), 0);
  EXPECT_EQ(RuntimeDirProblem(dir), "");
  chmod(dir.c_str(), 0755);
  EXPECT_NE(RuntimeDirProblem(dir).find("0755"), std::string::npos);
  chmod(dir.c_str(), 0700);
  const std::string link = base + "/link";
  ASSERT_EQ(symlink(dir.c_str(), link.c_str()), 0);
  EXPECT_NE(RuntimeDirProblem(link).find("symbolic link"), std::string::npos);
  EXPECT_NE(RuntimeDirProblem(base + "/missing"), "");
  if (getuid() == 0) {
    ASSERT_EQ(chown(dir.c_str(), 65534, 65534), 0);
    EXPECT_NE(RuntimeDirProblem(dir).find("another user"), std::string::npos);
  }
}

TEST_F(RuntimeFolder, AFolderLeftOpenByAnotherUserEndsTheProgramWithAReason) {
  const std::string dir = base + "/korvel";
  ASSERT_EQ(mkdir(dir.c_str(), 0777), 0);
  chmod(dir.c_str(), 0777);
  setenv("XDG_RUNTIME_DIR", base.c_str(), 1);
  EXPECT_EXIT(KorvelRuntimeDir(), ::testing::ExitedWithCode(2), "will not use the runtime folder");
  chmod(dir.c_str(), 0700);
  EXPECT_EQ(KorvelRuntimeDir(), dir);
}

}  // namespace
}  // namespace korvel
