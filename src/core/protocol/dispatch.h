// Every received record reaches its handler here, or goes to the prop component.
#pragma once

#include <array>

#include "net/records.h"

namespace korvel {

class PlayersLeaving;
class PropComponent;
class Reconnection;
class Records;
class Seating;
class Settlement;
class Sound;
class TablePlay;
class TableRestore;
class Watching;
struct SessionSettings;
struct TableModel;

inline constexpr int kCatalogueSize = 46;

class Dispatcher {
 public:
  Dispatcher(TableModel& table, SessionSettings& settings, Records& records,
             Reconnection& reconnection, Sound& sound, TablePlay& tablePlay, Watching& watching,
             TableRestore& tableRestore, korvel::Settlement& settlement, Seating& seating,
             PlayersLeaving& playersLeaving, PropComponent& props);

  void Dispatch(CommandInfo& info);
  // Hands what taking a record produced besides its header (seat names, chat, prop messages)
  // to its subsystem, and keeps it for the handler of the record.
  void Route(TakenRecord& taken);

  uint64_t Dispatched = 0;  // records handed to a handler or the default path

 private:
  TakenRecord lastTaken_;
  using Handler = void (Dispatcher::*)(CommandInfo&);
  static const std::array<Handler, kCatalogueSize + 1> kTable;

  void DealFour(CommandInfo& info);
  void Discard(CommandInfo& info);
  void SeatAnnouncement(CommandInfo& info);
  void DealStart(CommandInfo& info);
  void DrawOne(CommandInfo& info);
  void Turn(CommandInfo& info);
  void OperationResult(CommandInfo& info);
  void DealEnd(CommandInfo& info);
  void FollowUpResult(CommandInfo& info);
  void Settlement(CommandInfo& info);
  void WinReport(CommandInfo& info);
  void LoginResult(CommandInfo& info);
  void Chat(CommandInfo& info);
  void PlayerInfo(CommandInfo& info);
  void PlayerLeft(CommandInfo& info);
  void GameOver(CommandInfo& info);
  void ReadyMark(CommandInfo& info);
  void ReconnectResult(CommandInfo& info);
  void Restore(CommandInfo& info);
  void PropScore(CommandInfo& info);
  void Default(CommandInfo& info);

  TableModel& table_;
  SessionSettings& settings_;
  Records& records_;
  Reconnection& reconnection_;
  Sound& sound_;
  TablePlay& tablePlay_;
  Watching& watching_;
  TableRestore& tableRestore_;
  korvel::Settlement& settlement_;
  Seating& seating_;
  PlayersLeaving& playersLeaving_;
  PropComponent& props_;
};

}  // namespace korvel
