// The login result, the seat announcements, the players' information and the ready marks.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "model/tiles.h"
#include "net/records.h"
#include "protocol/seat_info.h"
#include "sound/sound.h"
#include "view/table_view.h"

namespace korvel {

class Connection;
class LobbyWindow;
class Log;
class MessageLines;
class Process;
class PropComponent;
class Records;
class Settlement;
class Sound;
class TablePlay;
class TableView;
class Timers;
class Watching;
struct LaunchParams;
struct LoopState;
struct SessionSettings;
struct TableModel;

class Seating : public TableResetParticipant {
 public:
  Seating(TableModel& table, LoopState& loop, SessionSettings& settings, const LaunchParams& launch,
          TableView& view, MessageLines& messages, Records& records, LobbyWindow& lobby,
          Connection& connection, Sound& sound, SeatVoices& seatVoices, TablePlay& tablePlay,
          Watching& watching, Settlement& settlement, PropComponent& props, Timers& timers,
          Log& log, Process& process);

  void OnLoginResult(CommandInfo& info);       // command 18
  void OnSeatAnnouncement(CommandInfo& info);  // command 3
  void OnPlayerInfo(CommandInfo& info);        // command 20
  void OnReadyMark(CommandInfo& info);         // command 23

  // Shows the smallest stake again after the stakes changed.
  void RefreshWealth();
  // The seat-drawing animation once the table has filled; `localIndex` is the local seat.
  void SeatDraw(int localIndex);

  // The information window for the seat at `view`, shown while the pointer rests on it.
  void ShowInfoWindow(ViewPos view);
  void HideInfoWindow();
  FormId infoForm() const { return infoForm_; }

  void OnClearTiles() override;
  void OnResetSeats() override;

  std::array<RecordBytes, kSeats> WatchSlots{};

 private:
  // Which position a command 20 is about; -1 when it only updated the local stake.
  int PositionFor(uint8_t seat, const std::string& account);
  // Hands seat v's information to the prop component.
  void HandUserinfo(ViewPos v);
  void ShowSeat(ViewPos v, int avatar);
  void ShowStake(bool hover);
  void PlaceWealth();
  void BuildInfoWindow();

  TableModel& table_;
  SeatingState& seats_;  // the table model's seating part, which these handlers keep
  LoopState& loop_;
  SessionSettings& settings_;
  const LaunchParams& launch_;
  TableView& view_;
  MessageLines& messages_;
  Records& records_;
  LobbyWindow& lobby_;
  Connection& connection_;
  Sound& sound_;
  SeatVoices& seatVoices_;
  TablePlay& tablePlay_;
  Watching& watching_;
  Settlement& settlement_;
  PropComponent& props_;
  Timers& timers_;
  Log& log_;
  Process& process_;
  FormId infoForm_ = kNoForm;
};

}  // namespace korvel
