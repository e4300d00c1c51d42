#include "config/ini_file.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <optional>
#include <sstream>
#include <vector>

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

bool SameName(std::string_view a, std::string_view b) {
  a = Trim(a);
  b = Trim(b);
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
           return lower(x) == lower(y);
         });
}

// The file as UTF-8 lines; a missing file has none.
std::vector<std::string> ReadLines(const std::string& path) {
  std::vector<std::string> lines;
  std::ifstream in(path, std::ios::binary);
  if (!in) return lines;
  std::stringstream buffer;
  buffer << in.rdbuf();
  std::string text = GbkToUtf8(buffer.str());
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

// Writes through a temporary file and a rename, so a failed write never leaves half a file.
bool WriteLines(const std::string& path, const std::vector<std::string>& lines) {
  std::string text;
  for (const auto& line : lines) text += line + "\r\n";
  const std::string temp = path + ".tmp" + std::to_string(getpid());
  {
    std::ofstream out(temp, std::ios::binary | std::ios::trunc);
    if (!out) return false;
    std::string bytes = Utf8ToGbk(text);
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

// Sets key=value in [section] of `lines`, creating what is missing.
void SetKey(std::vector<std::string>& lines, std::string_view section, std::string_view key,
            std::string_view value) {
  const std::string line = std::string(Trim(key)) + "=" + OneLine(value);
  auto range = FindSection(lines, section);
  if (!range) {
    lines.push_back("[" + std::string(Trim(section)) + "]");
    lines.push_back(line);
  } else if (auto at = FindKey(lines, *range, key)) {
    // The key keeps the spelling it already has in the file.
    lines[*at] = std::string(ParseKey(lines[*at])->key) + "=" + OneLine(value);
  } else {
    // After the section's last non-blank line, so blank separators stay between sections.
    size_t insert = range->end;
    while (insert > range->begin + 1 && Trim(lines[insert - 1]).empty()) --insert;
    lines.insert(lines.begin() + static_cast<long>(insert), line);
  }
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
  auto lines = ReadLines(INIFileName);
  SetKey(lines, section, key, value);
  return WriteLines(INIFileName, lines);
}

bool classIniFile::WriteIniKeys(std::string_view section, std::span<const KeyValue> keys) const {
  auto lines = ReadLines(INIFileName);
  for (const auto& [key, value] : keys) SetKey(lines, section, key, value);
  return WriteLines(INIFileName, lines);
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

}  // namespace korvel
