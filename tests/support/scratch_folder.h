// A folder of the test's own under /tmp, removed again when the test is done: where a client
// that runs from the build tree keeps its player files, so no test writes into the build.
#pragma once

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

namespace korvel::testing {

class ScratchFolder {
 public:
  ScratchFolder() {
    char pattern[] = "/tmp/korvel-test-XXXXXX";
    if (mkdtemp(pattern)) path_ = pattern;
  }
  ~ScratchFolder() {
    std::error_code error;
    if (!path_.empty()) std::filesystem::remove_all(path_, error);
  }
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

}  // namespace korvel::testing
