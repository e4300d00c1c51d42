// Any bytes as an INI file: reading, writing and deleting must stay safe.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <fstream>
#include <string>

#include "config/ini_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::string path = "/tmp/korvel-fuzz-" + std::to_string(getpid()) + ".ini";
  std::ofstream(path, std::ios::binary | std::ios::trunc)
      .write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  korvel::classIniFile ini;
  ini.INIFileName = path;
  const std::string key(reinterpret_cast<const char*>(data), std::min<size_t>(size, 4));
  ini.GetIniKey("s", key);
  ini.GetIniKey(key, "k");
  ini.WriteIniKey(key, "k", key);
  ini.DelIniKey("s", key);
  ini.DelIniSec(key);
  return 0;
}
