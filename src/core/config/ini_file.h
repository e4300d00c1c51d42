// One INI file (sections in brackets, key=value lines) stored in GBK. Names compare without
// regard to case, the first occurrence of a section or key wins, and values come back trimmed.
// Nothing is cached: every call reads the file again, as the phrase and record files expect.
#pragma once

#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace korvel {

// dir + "/" + file with exactly one separator between them (both slash forms are accepted).
std::string JoinPath(std::string_view dir, std::string_view file);

class classIniFile {
 public:
  std::string INIFileName;

  void SetPath(std::string_view dir, std::string_view file) { INIFileName = JoinPath(dir, file); }
  // The value, or empty when the file, section or key is missing. At most 1023 bytes (GBK).
  std::string GetIniKey(std::string_view section, std::string_view key) const;
  // Writes key=value into [section], creating what is missing. False when the file cannot be
  // written (the write is then lost, as with any INI writer, but the caller may log it).
  bool WriteIniKey(std::string_view section, std::string_view key, std::string_view value) const;
  bool DelIniKey(std::string_view section, std::string_view key) const;
  // Many keys of one section with a single read and a single write of the file, each exactly as
  // WriteIniKey would write it: files holding hundreds of sections stay quick to update.
  using KeyValue = std::pair<std::string, std::string>;
  bool WriteIniKeys(std::string_view section, std::span<const KeyValue> keys) const;
  // Every key of the section in file order, values as GetIniKey returns them (a key that occurs
  // twice keeps its first value); empty when the file or section is missing.
  std::vector<KeyValue> GetIniSection(std::string_view section) const;
  bool DelIniSec(std::string_view section) const;
};

}  // namespace korvel
