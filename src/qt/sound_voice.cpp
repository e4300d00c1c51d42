#include "sound_voice.h"

#include <sys/stat.h>

namespace korvel {

bool SoundServerMayListen(const std::function<const char*(const char*)>& getenv,
                          const std::function<bool(const std::string&)>& isSocket) {
  auto set = [&](const char* name) {
    const char* value = getenv(name);
    return value && *value ? value : nullptr;
  };
  // A named server may be on another machine: only the library can tell.
  if (set("PULSE_SERVER")) return true;
  if (const char* runtime = set("PULSE_RUNTIME_PATH");
      runtime && isSocket(std::string(runtime) + "/native")) {
    return true;
  }
  if (const char* runtime = set("XDG_RUNTIME_DIR");
      runtime && isSocket(std::string(runtime) + "/pulse/native")) {
    return true;
  }
  // A server run for the whole system.
  return isSocket("/run/pulse/native") || isSocket("/var/run/pulse/native");
}

bool PathIsSocket(const std::string& path) {
  struct stat info;
  return stat(path.c_str(), &info) == 0 && S_ISSOCK(info.st_mode);
}

}  // namespace korvel
