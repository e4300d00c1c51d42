#include "config/ini_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <fstream>
#include <optional>
#include <vector>

#include "platform/file_read.h"
#include "platform/gbk.h"

namespace korvel {
namespace {

constexpr size_t kMaxValueBytes = 1023;

bool IsSeparator(char c) { return c == '/' || c == '\\'; }
bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view Trim(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

char Lower(char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; }

// A name as SameName compares it.
std::string Folded(std::string_view name) {
  std::string out(Trim(name));
  for (char& c : out) c = Lower(c);
  return out;
}

bool SameName(std::string_view a, std::string_view b) {
  a = Trim(a);
  b = Trim(b);
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                            [](char x, char y) { return Lower(x) == Lower(y); });
}

// GBK text split into UTF-8 lines, each without its CR LF.
std::vector<std::string> DecodedLines(std::string_view bytes) {
  std::vector<std::string> lines;
  const std::string text = GbkToUtf8(bytes);
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(std::move(line));
    start = end + 1;
  }
  return lines;
}

// The file as UTF-8 lines; a missing file has none, and so has anything that is not a regular
// file of a sensible size (a FIFO, a device, a runaway file).
std::vector<std::string> ReadLines(const std::string& path) {
  const FileRead file = ReadRegularFile(path, kMaxIniFileBytes);
  if (!file.ok()) return {};
  return DecodedLines(file.bytes);
}

// Lines as the file stores them: GBK, each ending in CR LF.
std::string EncodedLines(const std::vector<std::string>& lines) {
  std::string text;
  for (const auto& line : lines) {
    text += line;
    text += "\r\n";
  }
  return Utf8ToGbk(text);
}

// Writes through a temporary file and a rename, so a failed write never leaves half a file.
bool WriteLines(const std::string& path, const std::vector<std::string>& lines) {
  const std::string temp = path + ".tmp" + std::to_string(getpid());
  {
    std::ofstream out(temp, std::ios::binary | std::ios::trunc);
    if (!out) return false;
    const std::string bytes = EncodedLines(lines);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out.flush()) {
      std::remove(temp.c_str());
      return false;
    }
  }
  if (std::rename(temp.c_str(), path.c_str()) != 0) {
    std::remove(temp.c_str());
    return false;
  }
  return true;
}

std::optional<std::string_view> SectionName(std::string_view line) {
  line = Trim(line);
  if (line.size() < 2 || line.front() != '[') return std::nullopt;
  size_t close = line.find(']');
  if (close == std::string_view::npos) return std::nullopt;
  return line.substr(1, close - 1);
}

struct KeyLine {
  std::string_view key;
  std::string_view value;
};
std::optional<KeyLine> ParseKey(std::string_view line) {
  std::string_view trimmed = Trim(line);
  if (trimmed.empty() || trimmed.front() == ';') return std::nullopt;
  size_t eq = line.find('=');
  if (eq == std::string_view::npos) return std::nullopt;
  return KeyLine{Trim(line.substr(0, eq)), Trim(line.substr(eq + 1))};
}

// Lines [begin, end) of the first section called `section`; begin is its header line.
struct SectionRange {
  size_t begin;
  size_t end;
};
std::optional<SectionRange> FindSection(const std::vector<std::string>& lines,
                                        std::string_view section) {
  for (size_t i = 0; i < lines.size(); ++i) {
    auto name = SectionName(lines[i]);
    if (!name || !SameName(*name, section)) continue;
    size_t end = i + 1;
    while (end < lines.size() && !SectionName(lines[end])) ++end;
    return SectionRange{i, end};
  }
  return std::nullopt;
}

std::optional<size_t> FindKey(const std::vector<std::string>& lines, SectionRange range,
                              std::string_view key) {
  for (size_t i = range.begin + 1; i < range.end; ++i) {
    auto parsed = ParseKey(lines[i]);
    if (parsed && SameName(parsed->key, key)) return i;
  }
  return std::nullopt;
}

// A value must stay on its line.
std::string OneLine(std::string_view value) {
  std::string out(Trim(value));
  std::replace(out.begin(), out.end(), '\r', ' ');
  std::replace(out.begin(), out.end(), '\n', ' ');
  return out;
}

// A value as the reader hands it out: no NUL, at most the platform's length, trimmed.
std::string ReadValue(std::string_view raw) {
  std::string value(raw);
  value.erase(std::remove(value.begin(), value.end(), '\0'), value.end());
  // The limit is in file bytes; cut on a character boundary.
  if (Utf8ToGbk(value).size() > kMaxValueBytes) {
    size_t chars = Utf8Length(value);
    while (chars > 0 && Utf8ToGbk(Utf8Prefix(value, chars)).size() > kMaxValueBytes) --chars;
    value = std::string(Utf8Prefix(value, chars));
  }
  return std::string(Trim(value));
}

// Sets key=value inside the section at `range` (found in `lines`), which grows when the key
// is new.
void SetKeyIn(std::vector<std::string>& lines, SectionRange& range, std::string_view key,
              std::string_view value) {
  if (auto at = FindKey(lines, range, key)) {
    // The key keeps the spelling it already has in the file.
    lines[*at] = std::string(ParseKey(lines[*at])->key) + "=" + OneLine(value);
    return;
  }
  // After the section's last non-blank line, so blank separators stay between sections.
  size_t insert = range.end;
  while (insert > range.begin + 1 && Trim(lines[insert - 1]).empty()) --insert;
  lines.insert(lines.begin() + static_cast<long>(insert),
               std::string(Trim(key)) + "=" + OneLine(value));
  ++range.end;
}

// Sets every key in [section] of `lines`, creating what is missing. The section is looked up
// once, so the cost grows with the file plus the section, not with the file times the keys.
void SetKeys(std::vector<std::string>& lines, std::string_view section,
             std::span<const classIniFile::KeyValue> keys) {
  if (keys.empty()) return;
  auto range = FindSection(lines, section);
  if (!range) {
    // A new section goes at the end of the file.
    lines.push_back("[" + std::string(Trim(section)) + "]");
    range = SectionRange{lines.size() - 1, lines.size()};
  }
  for (const auto& [key, value] : keys) SetKeyIn(lines, *range, key, value);
}

}  // namespace

std::string JoinPath(std::string_view dir, std::string_view file) {
  while (!dir.empty() && IsSeparator(dir.back())) dir.remove_suffix(1);
  while (!file.empty() && IsSeparator(file.front())) file.remove_prefix(1);
  return std::string(dir) + "/" + std::string(file);
}

std::string classIniFile::GetIniKey(std::string_view section, std::string_view key) const {
  const auto lines = ReadLines(INIFileName);
  auto range = FindSection(lines, section);
  if (!range) return {};
  auto at = FindKey(lines, *range, key);
  if (!at) return {};
  return ReadValue(ParseKey(lines[*at])->value);
}

bool classIniFile::WriteIniKey(std::string_view section, std::string_view key,
                               std::string_view value) const {
  const classIniFile::KeyValue one{std::string(key), std::string(value)};
  auto lines = ReadLines(INIFileName);
  SetKeys(lines, section, std::span(&one, 1));
  return WriteLines(INIFileName, lines);
}

bool classIniFile::WriteIniKeys(std::string_view section, std::span<const KeyValue> keys) const {
  auto lines = ReadLines(INIFileName);
  SetKeys(lines, section, keys);
  return WriteLines(INIFileName, lines);
}

std::vector<std::string> classIniFile::GetIniSectionNames() const {
  std::vector<std::string> names;
  for (const auto& line : ReadLines(INIFileName)) {
    if (auto name = SectionName(line)) names.emplace_back(*name);
  }
  return names;
}

std::vector<classIniFile::KeyValue> classIniFile::GetIniSection(std::string_view section) const {
  std::vector<KeyValue> out;
  const auto lines = ReadLines(INIFileName);
  auto range = FindSection(lines, section);
  if (!range) return out;
  for (size_t i = range->begin + 1; i < range->end; ++i) {
    auto parsed = ParseKey(lines[i]);
    if (!parsed) continue;
    const bool seen = std::any_of(out.begin(), out.end(), [&](const KeyValue& kv) {
      return SameName(kv.first, parsed->key);
    });
    if (!seen) out.emplace_back(std::string(parsed->key), ReadValue(parsed->value));
  }
  return out;
}

bool classIniFile::DelIniKey(std::string_view section, std::string_view key) const {
  auto lines = ReadLines(INIFileName);
  auto range = FindSection(lines, section);
  if (!range) return true;
  auto at = FindKey(lines, *range, key);
  if (!at) return true;
  lines.erase(lines.begin() + static_cast<long>(*at));
  return WriteLines(INIFileName, lines);
}

bool classIniFile::DelIniSec(std::string_view section) const {
  auto lines = ReadLines(INIFileName);
  auto range = FindSection(lines, section);
  if (!range) return true;
  lines.erase(lines.begin() + static_cast<long>(range->begin),
              lines.begin() + static_cast<long>(range->end));
  return WriteLines(INIFileName, lines);
}

// ---- IniSectionWriter ------------------------------------------------------------------------

namespace {

// Every byte of `bytes` at `offset`; then, unless they already end the file, the file is cut
// right after them. (Cutting a file the bytes just extended would cost a metadata update, and
// on some file systems a flush when it is closed.)
bool WriteAllAt(int fd, uint64_t offset, const std::string& bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n =
        pwrite(fd, bytes.data() + done, bytes.size() - done, static_cast<off_t>(offset + done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<size_t>(n);
  }
  struct stat st {};
  if (fstat(fd, &st) != 0) return false;
  const uint64_t end = offset + bytes.size();
  return end >= static_cast<uint64_t>(st.st_size) || ftruncate(fd, static_cast<off_t>(end)) == 0;
}

}  // namespace

void IniSectionWriter::SetPath(std::string path) {
  if (path == path_) return;
  path_ = std::move(path);
  known_ = false;
}

IniSectionWriter::FileStamp IniSectionWriter::Stamp() const {
  struct stat st {};
  if (stat(path_.c_str(), &st) != 0) return {};
  return {true,
          static_cast<uint64_t>(st.st_dev),
          static_cast<uint64_t>(st.st_ino),
          static_cast<uint64_t>(st.st_size),
          static_cast<int64_t>(st.st_mtim.tv_sec),
          static_cast<int64_t>(st.st_mtim.tv_nsec)};
}

void IniSectionWriter::Learn(const FileStamp& now) {
  sections_.clear();
  lastName_.clear();
  lastLines_.clear();
  endsWithBreak_ = true;
  if (now.exists) {
    classIniFile ini;
    ini.INIFileName = path_;
    for (const auto& name : ini.GetIniSectionNames()) sections_.insert(Folded(name));
    if (now.size > 0) {
      char tail[2] = {};
      const int fd = open(path_.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
      const bool read =
          fd >= 0 && now.size >= 2 && pread(fd, tail, 2, static_cast<off_t>(now.size - 2)) == 2;
      if (fd >= 0) close(fd);
      endsWithBreak_ = read && tail[0] == '\r' && tail[1] == '\n';
    }
  }
  stamp_ = now;
  known_ = true;
}

bool IniSectionWriter::WriteSection(std::string_view section,
                                    std::span<const classIniFile::KeyValue> keys) {
  if (keys.empty()) return true;  // WriteIniKeys would not create the section either
  const FileStamp now = Stamp();
  if (!known_ || now != stamp_) Learn(now);
  const std::string name = Folded(section);
  bool ok;
  if (!sections_.contains(name) && endsWithBreak_) {
    ok = Append(section, keys);
  } else if (!lastName_.empty() && lastName_ == name) {
    ok = RewriteLast(keys);
  } else {
    classIniFile ini;
    ini.INIFileName = path_;
    ok = ini.WriteIniKeys(section, keys);
    // The rewrite ends every line with a break, and the section may now be anywhere.
    endsWithBreak_ = true;
    lastName_.clear();
    lastLines_.clear();
  }
  if (!ok) {
    known_ = false;
    return false;
  }
  sections_.insert(name);
  stamp_ = Stamp();
  return true;
}

bool IniSectionWriter::Append(std::string_view section,
                              std::span<const classIniFile::KeyValue> keys) {
  std::vector<std::string> lines = {"[" + std::string(Trim(section)) + "]"};
  SectionRange range{0, 1};
  for (const auto& [key, value] : keys) SetKeyIn(lines, range, key, value);
  const std::string bytes = EncodedLines(lines);
  if (!WriteAt(stamp_.size, bytes)) {
    WriteAt(stamp_.size, {});  // a failed append leaves the file as long as it was
    return false;
  }
  lastName_ = Folded(section);
  lastOffset_ = stamp_.size;
  // As a later read gives them back, so a rewrite matches what a whole-file writer would see.
  lastLines_ = DecodedLines(bytes);
  return true;
}

bool IniSectionWriter::RewriteLast(std::span<const classIniFile::KeyValue> keys) {
  std::vector<std::string> lines = lastLines_;
  SectionRange range{0, lines.size()};
  for (const auto& [key, value] : keys) SetKeyIn(lines, range, key, value);
  const std::string bytes = EncodedLines(lines);
  if (!WriteAt(lastOffset_, bytes)) {
    // Put the section back as it was rather than leave part of the new one.
    WriteAt(lastOffset_, EncodedLines(lastLines_));
    return false;
  }
  lastLines_ = DecodedLines(bytes);
  return true;
}

bool IniSectionWriter::WriteAt(uint64_t offset, const std::string& bytes) {
  const int fd = OpenRegularForWriting(path_, O_CREAT);
  if (fd < 0) return false;
  const bool ok = WriteAllAt(fd, offset, bytes);
  return close(fd) == 0 && ok;
}

}  // namespace korvel
