// Players leaving the table, the server ending the game, and received chat lines.
#pragma once

#include <string>

#include "net/records.h"

namespace korvel {

class Client;

class PlayersLeaving {
 public:
  explicit PlayersLeaving(Client& client) : client_(client) {}

  void OnPlayerLeft(CommandInfo& info);  // command 21
  void OnGameOver(CommandInfo& info);    // command 22
  // A chat line decoded while the record was taken; `info` is that record's header.
  void ShowChat(const CommandInfo& info, const std::string& text);
  // Command 19 in the dispatcher: only the sender's seat becomes a view position.
  void OnChat(CommandInfo& info);

  // Empties a seat's information as a player leaving does.
  void ClearSeatInfo(int view);
  void ClearHistory();

  bool GameRunning = false;
  bool GameEnded = false;
  bool CountdownArmed = true;
  bool ContinuePressed = false;

 private:
  // "nickname退出了游戏 h:m:s" with the current time.
  static std::string LeftLine(const std::string& nickname);

  Client& client_;
};

}  // namespace korvel
