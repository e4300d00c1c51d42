// What the launch line and the login fix for the whole stay at the table.
#pragma once

#include <string>

namespace korvel {

inline constexpr const char* kDefaultWindowTitle = "korvel";
inline constexpr int kDefaultTurnTime = 8;
inline constexpr int kQuickTurnTime = 2;

struct SessionSettings {
  bool QuickMode = false;
  bool Spectator = false;
  int TurnTime = kDefaultTurnTime;
  std::string WindowTitle = kDefaultWindowTitle;
  bool StartHint = false;
};

}  // namespace korvel
