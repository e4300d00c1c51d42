// The player's files go to the XDG folders; what an older build left beside the executable is
// moved there once, never over a newer file.
#include "platform/user_folders.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <filesystem>
#include <fstream>
#include <map>

namespace korvel {
namespace {

namespace fs = std::filesystem;

struct FakeEnvironment {
  std::map<std::string, std::string> values;
  EnvironmentLookup Lookup() const {
    return [this](const char* name) -> const char* {
      auto it = values.find(name);
      return it == values.end() ? nullptr : it->second.c_str();
    };
  }
};

class TempFolder {
 public:
  TempFolder() {
    char pattern[] = "/tmp/korvel-folders-XXXXXX";
    path_ = mkdtemp(pattern);
  }
  ~TempFolder() {
    std::error_code error;
    fs::permissions(path_, fs::perms::owner_all, error);
    fs::remove_all(path_, error);
  }
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

void WriteFile(const fs::path& path, const std::string& text) { std::ofstream(path) << text; }

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

TEST(UserFolders, VariablesWinAndEachKindHasItsOwnDefaultUnderHome) {
  FakeEnvironment env;
  env.values = {{"HOME", "/home/mei"}};
  EXPECT_EQ(UserFolderPath(UserFolder::kConfig, env.Lookup()), "/home/mei/.config/korvel");
  EXPECT_EQ(UserFolderPath(UserFolder::kData, env.Lookup()), "/home/mei/.local/share/korvel");
  EXPECT_EQ(UserFolderPath(UserFolder::kState, env.Lookup()), "/home/mei/.local/state/korvel");

  env.values["XDG_CONFIG_HOME"] = "/cfg/";
  env.values["XDG_DATA_HOME"] = "/data";
  env.values["XDG_STATE_HOME"] = "/state//";
  EXPECT_EQ(UserFolderPath(UserFolder::kConfig, env.Lookup()), "/cfg/korvel");
  EXPECT_EQ(UserFolderPath(UserFolder::kData, env.Lookup()), "/data/korvel");
  EXPECT_EQ(UserFolderPath(UserFolder::kState, env.Lookup()), "/state/korvel");
}

TEST(UserFolders, EmptyOrRelativeVariablesAreIgnoredAndAMissingHomeUsesTheAccount) {
  FakeEnvironment env;
  env.values = {{"HOME", "/home/mei/"}, {"XDG_CONFIG_HOME", ""}, {"XDG_STATE_HOME", "state"}};
  EXPECT_EQ(UserFolderPath(UserFolder::kConfig, env.Lookup()), "/home/mei/.config/korvel");
  EXPECT_EQ(UserFolderPath(UserFolder::kState, env.Lookup()), "/home/mei/.local/state/korvel");

  env.values = {{"HOME", "relative"}};
  const std::string fromAccount = UserFolderPath(UserFolder::kData, env.Lookup());
  // The test account may have no home at all; then there is no folder rather than a relative one.
  if (!fromAccount.empty()) {
    EXPECT_EQ(fromAccount.front(), '/');
    EXPECT_TRUE(fromAccount.ends_with("/.local/share/korvel"));
  }
}

TEST(UserFolders, EnsureCreatesTheWholeChainOnFirstUse) {
  TempFolder temp;
  FakeEnvironment env;
  env.values = {{"XDG_STATE_HOME", temp.path() + "/a/b"}};
  const std::string dir = EnsureUserFolder(UserFolder::kState, env.Lookup());
  EXPECT_EQ(dir, temp.path() + "/a/b/korvel");
  EXPECT_TRUE(fs::is_directory(dir));
  EXPECT_EQ(EnsureUserFolder(UserFolder::kState, env.Lookup()), dir) << "a second call is fine";
  // Every folder made on the way is the player's alone, whatever the umask lets through.
  for (const std::string& made : {temp.path() + "/a", temp.path() + "/a/b", dir}) {
    EXPECT_EQ(fs::status(made).permissions() & fs::perms::all, fs::perms::owner_all) << made;
  }
  // One an older build made open to everyone is closed again on use.
  fs::permissions(dir, fs::perms::owner_all | fs::perms::group_read | fs::perms::others_read);
  EXPECT_EQ(EnsureUserFolder(UserFolder::kState, env.Lookup()), dir);
  EXPECT_EQ(fs::status(dir).permissions() & fs::perms::all, fs::perms::owner_all);

  // A file where the folder should be: no folder, and the caller is told.
  WriteFile(temp.path() + "/blocked", "x");
  env.values = {{"XDG_STATE_HOME", temp.path() + "/blocked"}};
  EXPECT_EQ(EnsureUserFolder(UserFolder::kState, env.Lookup()), "");
  EXPECT_FALSE(MakeFolders(""));
}

TEST(UserFolders, OldFilesMoveOnceAndNeverReplaceNewerOnes) {
  TempFolder temp;
  const std::string bin = temp.path() + "/bin";
  const std::string state = temp.path() + "/state/korvel";
  fs::create_directories(bin);
  WriteFile(bin + "/info.tk", "old record");
  WriteFile(bin + "/chat.ini", "old phrases");
  WriteFile(bin + "/korvel", "program");
  constexpr std::array<std::string_view, 2> kNames = {"info.tk", "missing.ini"};

  EXPECT_EQ(MoveOldFiles(bin, state, kNames), 1);
  EXPECT_EQ(ReadFile(state + "/info.tk"), "old record");
  EXPECT_FALSE(fs::exists(bin + "/info.tk"));
  EXPECT_TRUE(fs::exists(bin + "/korvel")) << "only the named files move";
  EXPECT_FALSE(fs::exists(state + "/missing.ini"));

  WriteFile(bin + "/info.tk", "stale");
  EXPECT_EQ(MoveOldFiles(bin, state, kNames), 0);
  EXPECT_EQ(ReadFile(state + "/info.tk"), "old record");
  EXPECT_EQ(MoveOldFiles(state, state, kNames), 0) << "a folder never moves onto itself";
}

TEST(UserFolders, AReadOnlyOldFolderIsCopiedFromAndLeftAlone) {
  if (geteuid() == 0) GTEST_SKIP() << "root writes into read-only folders";
  TempFolder temp;
  const std::string bin = temp.path() + "/bin";
  fs::create_directories(bin);
  WriteFile(bin + "/chat.ini", "phrases");
  fs::permissions(bin, fs::perms::owner_read | fs::perms::owner_exec);
  FakeEnvironment env;
  env.values = {{"XDG_CONFIG_HOME", temp.path() + "/config"},
                {"XDG_STATE_HOME", temp.path() + "/state"}};

  EXPECT_EQ(MoveFilesFromAppDir(bin, env.Lookup()), 1);
  EXPECT_EQ(ReadFile(temp.path() + "/config/korvel/chat.ini"), "phrases");
  EXPECT_TRUE(fs::exists(bin + "/chat.ini"));
  EXPECT_EQ(MoveFilesFromAppDir(bin, env.Lookup()), 0) << "the copy is made only once";
}

}  // namespace
}  // namespace korvel
