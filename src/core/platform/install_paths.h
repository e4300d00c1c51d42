// Where the files that come with Korvel are found. A copy is relocatable: the share folder is
// looked for relative to the executable first (the build tree and any install prefix have the
// same shape), then under the prefix the build was configured for.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace korvel {

struct InstallLayout {
  std::string binToData;     // e.g. "../share/korvel"
  std::string binToLib;      // e.g. "../lib/x86_64-linux-gnu/korvel"
  std::string prefixedData;  // e.g. "/usr/share/korvel"
  std::string prefixedLib;   // e.g. "/usr/lib/x86_64-linux-gnu/korvel"
};

// The layout this build installs with.
const InstallLayout& ThisInstallLayout();

using PathTest = std::function<bool(const std::string&)>;
bool IsDirectory(const std::string& path);
bool IsFile(const std::string& path);

// The first of `candidates` that passes `test`, or the first one when none does (a message then
// names the place a file was expected).
std::string FirstFound(const std::vector<std::string>& candidates, const PathTest& test);

// The folder of pictures, sounds, phrases and the rules page for a program in `appDir`.
std::string FindDataDir(const std::string& appDir,
                        const InstallLayout& layout = ThisInstallLayout(),
                        const PathTest& test = IsDirectory);

// The folder holding plugin/tools/ with the prop component: beside the executable, or the
// library folder of an install.
std::string FindComponentDir(const std::string& appDir,
                             const InstallLayout& layout = ThisInstallLayout(),
                             const PathTest& test = IsFile);

}  // namespace korvel
