// Message boxes: every text the user is shown also goes to the log.
#pragma once

#include <string>

#include "platform/ports.h"

namespace korvel {

inline constexpr const char* kTitleWarning = "警告";
inline constexpr const char* kTitleApp = "Korvel麻将";
inline constexpr const char* kTitleNetwork = "Korvel麻将- 网络连接提示";
// A second copy's message, from the client and from a second start of the menu game alike.
inline constexpr const char* kAlreadyRunning = "Korvel麻将游戏已经运行！";

// The message lines between deals.
inline constexpr const char* kContinuePrompt = "请点击【继续】按钮继续游戏！";
inline std::string StartNotice(int seconds) {
  return "游戏将在" + std::to_string(seconds) + "秒内开始";
}
inline bool IsStartNotice(const std::string& line) {
  return line == kContinuePrompt || (line.rfind("游戏将在", 0) == 0 && line.size() > 12 &&
                                     line.substr(line.size() - 12) == "秒内开始");
}

inline DialogAnswer ShowMessage(Dialogs& dialogs, Log& log, const std::string& text,
                                const std::string& title, DialogButtons buttons = DialogButtons::Ok,
                                DialogIcon icon = DialogIcon::None) {
  log.Write("message box: " + title + ": " + text);
  return dialogs.MessageBox(text, title, buttons, icon);
}
inline DialogAnswer ShowMessage(Platform& platform, const std::string& text,
                                const std::string& title, DialogButtons buttons = DialogButtons::Ok,
                                DialogIcon icon = DialogIcon::None) {
  return ShowMessage(platform.dialogs, platform.log, text, title, buttons, icon);
}

}  // namespace korvel
