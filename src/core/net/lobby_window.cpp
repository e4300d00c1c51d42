#include "net/lobby_window.h"

#include <algorithm>

namespace korvel {

const char* LobbyMessageName(uint32_t number, bool fromClient) {
  switch (number) {
    case kMsgLogin:
      return fromClient ? "a login attempt starts" : "log in again";
    case kMsgConnected:
      return fromClient ? "connected and logged in" : "leave the table if allowed";
    case kMsgLeaveNow:
      return fromClient ? "left the table / not playing" : "leave the table now";
    case kMsgInDeal:
      return fromClient ? "a deal is in progress" : "is a deal in progress?";
    case kMsgLoginPending:
      return "the login is still pending";
    case kMsgDealStarted:
      return "a deal has started";
    case kSysCommand:
      return "system command";
    default:
      return "unknown";
  }
}

void LobbyWindow::SystemCommand(uint32_t command) {
  const bool blank = std::all_of(LobbyTitle.begin(), LobbyTitle.end(),
                                 [](char c) { return c == ' ' || c == '\t'; });
  if (blank) return;
  if (!link_.Send(LobbyTitle, LobbyMessage{kSysCommand, command, 0})) {
    log_.Write("lobby window \"" + LobbyTitle + "\" is gone; ending");
    EndClientNow(process_, 0);
  }
}

void LobbyWindow::PostToLobby(uint32_t number) {
  if (!link_.Post(LobbyTitle, LobbyMessage{number, 0, 0})) {
    log_.Write("lobby window \"" + LobbyTitle + "\" did not take message " +
               std::to_string(number));
  }
}

}  // namespace korvel
