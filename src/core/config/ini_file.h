// One INI file (sections in brackets, key=value lines) stored in GBK. Names compare without
// regard to case, the first occurrence of a section or key wins, and values come back trimmed.
// Nothing is cached: every call reads the file again, as the phrase and record files expect.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <unordered_set>
#include <utility>
#include <vector>

namespace korvel {

// An INI file larger than this is read as no file at all: a thousand deals of game record fit,
// and anything bigger is not a file a person or this program wrote.
inline constexpr size_t kMaxIniFileBytes = size_t{1} << 20;

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
  // The names of all sections in file order, as written between the brackets.
  std::vector<std::string> GetIniSectionNames() const;
  bool DelIniSec(std::string_view section) const;
};

// Writes whole sections into a file that grows one section at a time, such as the game record.
// A section the file does not hold yet is appended and the section appended last is rewritten
// in place, so a write costs the same however long the file has grown. The file ends up byte
// for byte as WriteIniKeys would leave it. Whenever the file is not as this writer left it
// (changed by anyone else, deleted, replaced), it reads the section names again once; a section
// it cannot reach that way goes through WriteIniKeys.
class IniSectionWriter {
 public:
  void SetPath(std::string path);
  const std::string& Path() const { return path_; }
  // False when the file cannot be written; the writer then trusts nothing it remembered.
  bool WriteSection(std::string_view section, std::span<const classIniFile::KeyValue> keys);

 private:
  struct FileStamp {
    bool exists = false;
    uint64_t device = 0, inode = 0, size = 0;
    int64_t seconds = 0, nanoseconds = 0;
    bool operator==(const FileStamp&) const = default;
  };
  FileStamp Stamp() const;
  void Learn(const FileStamp& now);
  bool Append(std::string_view section, std::span<const classIniFile::KeyValue> keys);
  bool RewriteLast(std::span<const classIniFile::KeyValue> keys);
  bool WriteAt(uint64_t offset, const std::string& bytes);

  std::string path_;
  bool known_ = false;  // the file is as stamp_ says, holding sections_
  FileStamp stamp_;
  std::unordered_set<std::string> sections_;  // folded names
  bool endsWithBreak_ = true;                 // empty, or its last line ends with CR LF
  // The section appended last: its folded name, where it starts and its lines as read back.
  std::string lastName_;
  uint64_t lastOffset_ = 0;
  std::vector<std::string> lastLines_;
};

}  // namespace korvel
