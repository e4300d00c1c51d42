#include "view/message_lines.h"

#include "platform/gbk.h"
#include "platform/notices.h"

namespace korvel {

void MessageLines::Clear(int list) {
  lines_[list & 1].clear();
  if (view_.laidOut()) view_.main().ClearLines(view_.el.Sysmsg[list & 1]);
}

void MessageLines::Add(int list, const std::string& line) {
  lines_[list & 1].push_back(line);
  if (view_.laidOut()) view_.main().AddLine(view_.el.Sysmsg[list & 1], line);
  log_.Write("system: " + line);
}

void MessageLines::DropStartNotices() {
  for (int list = 0; list < 2; ++list) {
    std::vector<std::string> kept;
    for (const std::string& line : lines_[list]) {
      if (!IsStartNotice(line)) kept.push_back(line);
    }
    if (kept.size() == lines_[list].size()) continue;
    lines_[list] = kept;
    if (!view_.laidOut()) continue;
    view_.main().ClearLines(view_.el.Sysmsg[list]);
    for (const std::string& line : kept) view_.main().AddLine(view_.el.Sysmsg[list], line);
  }
}

void MessageLines::ShowGameOver() {
  DropStartNotices();
  view_.HideClock();
  Clear(1);
  Add(1, kGameOverLine);
}

void MessageLines::ShowMessageLine(const std::string& text) {
  constexpr size_t kMessageAreaChars = 45;
  const std::string shown(Utf8Prefix(text, kMessageAreaChars));
  if (!Lines(1).empty()) {
    const std::string moved = Lines(1).back();
    Clear(0);
    Add(0, moved);
    Clear(1);
    Add(1, shown);
  } else if (!Lines(0).empty()) {
    Clear(1);
    Add(1, shown);
  } else {
    Clear(0);
    Add(0, shown);
  }
}

}  // namespace korvel
