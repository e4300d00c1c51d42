#include "props/prop_text.h"

#include <cstring>

#include "platform/gbk.h"

namespace korvel {
namespace {

size_t CharacterWidth(std::string_view character) {
  if (character.size() <= 1) return 1;
  return Utf8ToGbk(character).size() == 2 ? 2 : 1;
}

}  // namespace

size_t DisplayWidth(std::string_view text) {
  size_t width = 0;
  for (size_t i = 0; i < text.size();) {
    const std::string_view ch = Utf8Prefix(text.substr(i), 1);
    width += CharacterWidth(ch);
    i += ch.empty() ? 1 : ch.size();
  }
  return width;
}

std::vector<std::string> WrapColumns(std::string_view text, size_t columns) {
  std::vector<std::string> lines;
  std::string current;
  size_t width = 0;
  for (size_t i = 0; i < text.size();) {
    std::string_view ch = Utf8Prefix(text.substr(i), 1);
    if (ch.empty()) ch = text.substr(i, 1);
    const size_t units = CharacterWidth(ch);
    if (width + units > columns && !current.empty()) {
      lines.push_back(std::move(current));
      current.clear();
      width = 0;
    }
    current += ch;
    width += units;
    i += ch.size();
  }
  if (!current.empty() || lines.empty()) lines.push_back(std::move(current));
  return lines;
}

std::vector<std::string> SplitBars(std::string_view joined) {
  std::vector<std::string> pieces;
  size_t start = 0;
  while (true) {
    const size_t bar = joined.find('|', start);
    if (bar == std::string_view::npos) {
      pieces.emplace_back(joined.substr(start));
      return pieces;
    }
    pieces.emplace_back(joined.substr(start, bar - start));
    start = bar + 1;
  }
}

std::string BufferText(const char* buffer, size_t size) {
  return std::string(buffer, strnlen(buffer, size));
}

}  // namespace korvel
