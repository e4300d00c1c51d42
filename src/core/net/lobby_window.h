// The lobby's window, found by its title: restore it, minimise it, post it a message. A client
// whose lobby has gone away ends instead of outliving it.
#pragma once

#include <string>

#include "platform/ports.h"

namespace korvel {

// Messages between the client and the lobby.
enum LobbyMsg : uint32_t {
  kMsgLogin = 22,       // client: a login attempt starts; lobby: log in again
  kMsgConnected = 771,  // client: connected and logged in; lobby: leave if allowed
  kMsgLeaveNow = 1024,  // lobby: leave now; client: has left / is not playing
  kMsgInDeal = 1125,    // lobby: is a deal in progress?; client: yes
  kMsgLoginPending = 1126,
  kMsgDealStarted = 1127,
};

// Meaning of a lobby message number, for logs.
const char* LobbyMessageName(uint32_t number, bool fromClient);

class LobbyWindow {
 public:
  LobbyWindow(LobbyLink& link, Process& process, Log& log)
      : link_(link), process_(process), log_(log) {}

  std::string LobbyTitle;

  void RestoreLobby() { SystemCommand(kScRestore); }
  void MinimizeLobby() { SystemCommand(kScMinimize); }
  void PostToLobby(uint32_t number);

 private:
  void SystemCommand(uint32_t command);

  LobbyLink& link_;
  Process& process_;
  Log& log_;
};

}  // namespace korvel
