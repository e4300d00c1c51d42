#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "platform/user_folders.h"
#include "replay/session_file.h"
#include "replay/session_store.h"

namespace korvel {
namespace {

bool EndsWith(const std::string& s, std::string_view end) {
  return s.size() >= end.size() && s.compare(s.size() - end.size(), end.size(), end) == 0;
}

}  // namespace

FolderSessionStore::~FolderSessionStore() {
  if (fd_ >= 0) ::close(fd_);
}

bool FolderSessionStore::Open(const std::string& name, std::string& error) {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  if (!MakeFolders(folder_, &error)) return false;
  const std::string path = folder_ + "/" + name;
  fd_ = ::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
  if (fd_ < 0) {
    error = "cannot open " + path + ": " + std::strerror(errno);
    return false;
  }
  return true;
}

bool FolderSessionStore::Append(std::span<const uint8_t> bytes, std::string& error) {
  if (fd_ < 0) {
    error = "no session file is open";
    return false;
  }
  size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(fd_, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      error = std::string("cannot write the session file: ") +
              (n < 0 ? std::strerror(errno) : "nothing written");
      return false;
    }
    done += static_cast<size_t>(n);
  }
  return true;
}

std::vector<StoredSession> FolderSessionStore::List() {
  std::vector<StoredSession> found;
  DIR* dir = ::opendir(folder_.c_str());
  if (!dir) return found;
  while (const dirent* d = ::readdir(dir)) {
    const std::string name = d->d_name;
    if (!EndsWith(name, kSessionSuffix)) continue;
    struct stat st {};
    if (::stat((folder_ + "/" + name).c_str(), &st) != 0 || !S_ISREG(st.st_mode)) continue;
    found.push_back({name, static_cast<uint64_t>(st.st_size)});
  }
  ::closedir(dir);
  std::sort(found.begin(), found.end(),
            [](const StoredSession& a, const StoredSession& b) { return a.name < b.name; });
  return found;
}

bool FolderSessionStore::Remove(const std::string& name) {
  if (name.find('/') != std::string::npos) return false;
  return ::unlink((folder_ + "/" + name).c_str()) == 0;
}

std::string DefaultSessionFolder() {
  const std::string data = UserFolderPath(UserFolder::kData);
  return data.empty() ? data : data + "/sessions";
}

std::string DefaultSettingsFile() {
  const std::string config = UserFolderPath(UserFolder::kConfig);
  return config.empty() ? config : config + "/korvel.ini";
}

}  // namespace korvel
