// Session files in memory, with a switch that makes every write fail as a full disk does.
#pragma once

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "replay/session_store.h"

namespace korvel::testing {

class MemorySessionStore : public SessionStore {
 public:
  bool Open(const std::string& name, std::string& error) override {
    if (refuseOpen) {
      error = "cannot open " + name + ": Permission denied";
      return false;
    }
    open = name;
    files[name];
    ++opens;
    return true;
  }
  bool Append(std::span<const uint8_t> bytes, std::string& error) override {
    ++appends;
    if (full) {
      error = "cannot write the session file: No space left on device";
      return false;
    }
    auto& f = files[open];
    f.insert(f.end(), bytes.begin(), bytes.end());
    return true;
  }
  std::vector<StoredSession> List() override {
    std::vector<StoredSession> out;
    for (const auto& [name, bytes] : files) out.push_back({name, bytes.size()});
    return out;  // the map keeps names in order, which is age order
  }
  bool Remove(const std::string& name) override {
    removed.push_back(name);
    return files.erase(name) > 0;
  }

  std::map<std::string, std::vector<uint8_t>> files;
  std::vector<std::string> removed;
  std::string open;
  bool full = false;
  bool refuseOpen = false;
  int opens = 0;
  int appends = 0;
};

}  // namespace korvel::testing
