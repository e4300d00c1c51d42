// Where session files live: a folder on disk for the client, memory for the tests.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace korvel {

struct StoredSession {
  std::string name;
  uint64_t size = 0;
};

class SessionStore {
 public:
  virtual ~SessionStore() = default;
  // Opens `name` for appending, creating it (and the folder) when missing. On failure `error`
  // says why.
  virtual bool Open(const std::string& name, std::string& error) = 0;
  // Appends to the open file, all or nothing as far as the caller is concerned.
  virtual bool Append(std::span<const uint8_t> bytes, std::string& error) = 0;
  // The session files, oldest first.
  virtual std::vector<StoredSession> List() = 0;
  virtual bool Remove(const std::string& name) = 0;
};

// Session files in one folder, named so that name order is age order.
class FolderSessionStore : public SessionStore {
 public:
  explicit FolderSessionStore(std::string folder) : folder_(std::move(folder)) {}
  ~FolderSessionStore() override;
  FolderSessionStore(const FolderSessionStore&) = delete;
  FolderSessionStore& operator=(const FolderSessionStore&) = delete;

  bool Open(const std::string& name, std::string& error) override;
  bool Append(std::span<const uint8_t> bytes, std::string& error) override;
  std::vector<StoredSession> List() override;
  bool Remove(const std::string& name) override;
  const std::string& folder() const { return folder_; }

 private:
  std::string folder_;
  int fd_ = -1;
};

// The folder for session files: $XDG_DATA_HOME/korvel/sessions, else
// ~/.local/share/korvel/sessions; empty when no home can be found.
std::string DefaultSessionFolder();
// The client's settings file: $XDG_CONFIG_HOME/korvel/korvel.ini, else ~/.config/korvel/korvel.ini.
std::string DefaultSettingsFile();

}  // namespace korvel
