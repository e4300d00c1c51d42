#include "platform/install_paths.h"

#include <filesystem>
#include <system_error>

#ifndef KORVEL_BIN_TO_DATA
#define KORVEL_BIN_TO_DATA "../share/korvel"
#define KORVEL_BIN_TO_LIB "../lib/korvel"
#define KORVEL_PREFIXED_DATA "/usr/local/share/korvel"
#define KORVEL_PREFIXED_LIB "/usr/local/lib/korvel"
#endif

namespace korvel {

const InstallLayout& ThisInstallLayout() {
  static const InstallLayout layout{KORVEL_BIN_TO_DATA, KORVEL_BIN_TO_LIB, KORVEL_PREFIXED_DATA,
                                    KORVEL_PREFIXED_LIB};
  return layout;
}

bool IsDirectory(const std::string& path) {
  std::error_code error;
  return std::filesystem::is_directory(path, error);
}

bool IsFile(const std::string& path) {
  std::error_code error;
  return std::filesystem::is_regular_file(path, error);
}

std::string FirstFound(const std::vector<std::string>& candidates, const PathTest& test) {
  for (const std::string& c : candidates) {
    if (test(c)) return c;
  }
  return candidates.empty() ? std::string() : candidates.front();
}

namespace {

std::string Clean(const std::string& path) {
  return std::filesystem::path(path).lexically_normal().string();
}

}  // namespace

std::string FindDataDir(const std::string& appDir, const InstallLayout& layout,
                        const PathTest& test) {
  return FirstFound({Clean(appDir + "/" + layout.binToData), Clean(layout.prefixedData)}, test);
}

std::string FindComponentDir(const std::string& appDir, const InstallLayout& layout,
                             const PathTest& test) {
  const std::string component = "/plugin/tools/libpropdll.so";
  const std::vector<std::string> dirs = {Clean(appDir), Clean(appDir + "/" + layout.binToLib),
                                         Clean(layout.prefixedLib)};
  for (const std::string& dir : dirs) {
    if (test(dir + component)) return dir;
  }
  return dirs.front();
}

}  // namespace korvel
