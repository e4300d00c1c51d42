#include "platform/user_folders.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <system_error>

namespace korvel {
namespace {

namespace fs = std::filesystem;

struct FolderRule {
  const char* variable;
  const char* underHome;
};

FolderRule RuleFor(UserFolder kind) {
  switch (kind) {
    case UserFolder::kConfig:
      return {"XDG_CONFIG_HOME", "/.config"};
    case UserFolder::kData:
      return {"XDG_DATA_HOME", "/.local/share"};
    case UserFolder::kState:
      break;
  }
  return {"XDG_STATE_HOME", "/.local/state"};
}

std::string HomeDir(const EnvironmentLookup& env) {
  if (const char* home = env("HOME"); home && home[0] == '/') return home;
  if (const passwd* account = getpwuid(getuid());
      account && account->pw_dir && account->pw_dir[0] == '/') {
    return account->pw_dir;
  }
  return {};
}

std::string WithoutTrailingSlashes(std::string path) {
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  return path;
}

}  // namespace

const char* ProcessEnvironment(const char* name) { return std::getenv(name); }

std::string UserFolderPath(UserFolder kind, const EnvironmentLookup& env) {
  const FolderRule rule = RuleFor(kind);
  // The rules say a relative value is invalid and must be ignored.
  if (const char* base = env(rule.variable); base && base[0] == '/') {
    return WithoutTrailingSlashes(base) + "/korvel";
  }
  const std::string home = HomeDir(env);
  if (home.empty()) return {};
  return WithoutTrailingSlashes(home) + rule.underHome + "/korvel";
}

bool MakeFolders(const std::string& path, std::string* error) {
  if (path.empty()) {
    if (error) *error = "no folder name";
    return false;
  }
  for (size_t at = 1; at <= path.size(); ++at) {
    if (at != path.size() && path[at] != '/') continue;
    const std::string part = path.substr(0, at);
    if (::mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) {
      if (error) *error = "cannot create " + part + ": " + std::strerror(errno);
      return false;
    }
  }
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
    if (error) *error = path + " is not a folder";
    return false;
  }
  return true;
}

std::string EnsureUserFolder(UserFolder kind, const EnvironmentLookup& env) {
  std::string path = UserFolderPath(kind, env);
  if (!MakeFolders(path)) return {};
  // The folder is Korvel's own: logs, game records and sessions are nobody else's business.
  struct stat st {};
  if (::stat(path.c_str(), &st) == 0 && st.st_uid == ::getuid() && (st.st_mode & 077) != 0) {
    ::chmod(path.c_str(), 0700);
  }
  return path;
}

int MoveOldFiles(const std::string& oldDir, const std::string& newDir,
                 std::span<const std::string_view> names) {
  if (oldDir.empty() || newDir.empty()) return 0;
  std::error_code error;
  if (fs::equivalent(oldDir, newDir, error)) return 0;
  int moved = 0;
  for (std::string_view name : names) {
    const fs::path from = fs::path(oldDir) / name;
    const fs::path to = fs::path(newDir) / name;
    if (!fs::is_regular_file(from, error) || fs::exists(to, error)) continue;
    if (!MakeFolders(newDir)) return moved;
    fs::rename(from, to, error);
    if (error) {
      // Another file system, or a folder the player may not change: copy what can be copied.
      error.clear();
      if (!fs::copy_file(from, to, error) || error) {
        fs::remove(to, error);
        continue;
      }
      fs::remove(from, error);
    }
    ++moved;
  }
  return moved;
}

int MoveFilesFromAppDir(const std::string& appDir, const EnvironmentLookup& env) {
  // The game record of a stay went beside the executable, and so did a player's own phrases.
  constexpr std::array<std::string_view, 1> kStateFiles = {"info.tk"};
  constexpr std::array<std::string_view, 1> kConfigFiles = {"chat.ini"};
  return MoveOldFiles(appDir, UserFolderPath(UserFolder::kState, env), kStateFiles) +
         MoveOldFiles(appDir, UserFolderPath(UserFolder::kConfig, env), kConfigFiles);
}

}  // namespace korvel
