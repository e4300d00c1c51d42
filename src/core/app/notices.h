// Message boxes: every text the user is shown also goes to the log.
#pragma once

#include <string>

#include "platform/ports.h"

namespace korvel {

inline constexpr const char* kTitleWarning = "警告";
inline constexpr const char* kTitleApp = "Korvel麻将";
inline constexpr const char* kTitleNetwork = "Korvel麻将- 网络连接提示";

inline DialogAnswer ShowMessage(Platform& platform, const std::string& text,
                                const std::string& title, DialogButtons buttons = DialogButtons::Ok,
                                DialogIcon icon = DialogIcon::None) {
  platform.log.Write("message box: " + title + ": " + text);
  return platform.dialogs.MessageBox(text, title, buttons, icon);
}

}  // namespace korvel
