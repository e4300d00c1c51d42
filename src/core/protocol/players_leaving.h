// Players leaving the table, the server ending the game, and received chat lines.
#pragma once

#include <string>

#include "net/records.h"

namespace korvel {

class Connection;
class Dialogs;
class TableExit;
class Log;
class LoopControl;
class MessageLines;
class Process;
class PropComponent;
class Records;
class Seating;
class TableChat;
class TableView;
class Timers;
struct LoopState;
struct SessionSettings;
struct TableModel;

class PlayersLeaving {
 public:
  PlayersLeaving(TableModel& table, LoopState& loop, LoopControl& loopControl,
                 SessionSettings& settings, TableView& view, MessageLines& messages,
                 Records& records, Connection& connection, Seating& seating, TableExit& exit,
                 TableChat& chat, PropComponent& props, Timers& timers, Dialogs& dialogs, Log& log,
                 Process& process);

  void OnPlayerLeft(CommandInfo& info);  // command 21
  void OnGameOver(CommandInfo& info);    // command 22
  // A chat line decoded while the record was taken; `info` is that record's header.
  void ShowChat(const CommandInfo& info, const std::string& text);
  // Command 19 in the dispatcher: only the sender's seat becomes a view position.
  void OnChat(CommandInfo& info);

  // Empties a seat's information as a player leaving does.
  void ClearSeatInfo(int view);
  void ClearHistory();

  bool ContinuePressed = false;

 private:
  // "nickname退出了游戏 h:m:s" with the current time.
  static std::string LeftLine(const std::string& nickname);

  TableModel& table_;
  LoopState& loop_;
  LoopControl& loopControl_;
  SessionSettings& settings_;
  TableView& view_;
  MessageLines& messages_;
  Records& records_;
  Connection& connection_;
  Seating& seating_;
  TableExit& exit_;
  TableChat& chat_;
  PropComponent& props_;
  Timers& timers_;
  Dialogs& dialogs_;
  Log& log_;
  Process& process_;
};

}  // namespace korvel
