// The two message lines under the table: what they hold, kept apart from the elements so the
// lines written before the layout show once it exists.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "platform/ports.h"
#include "view/table_view.h"

namespace korvel {

inline constexpr const char* kGameOverLine = "游戏已结束，请点击【退出】离开牌桌";

class MessageLines {
 public:
  MessageLines(TableView& view, Log& log) : view_(view), log_(log) {}

  void Clear(int list);
  void Add(int list, const std::string& line);
  const std::vector<std::string>& Lines(int list) const { return lines_[list & 1]; }
  // Takes the continue prompt and the start notice out once a deal has started; chat and other
  // lines stay.
  void DropStartNotices();
  // The game is over: the start notices and the clock go, and the second line says so and how
  // to leave.
  void ShowGameOver();
  // A chat or prop line in the two-line area: cut to 45 characters, older line moving up.
  void ShowMessageLine(const std::string& text);

 private:
  TableView& view_;
  Log& log_;
  std::array<std::vector<std::string>, 2> lines_;
};

}  // namespace korvel
