// The 50 ms loop that drives everything that is not a user event: one record out, one record in
// (with the silence watchdog), the login, blinking, the turn clock, the deal-end countdown, the
// connection watch, the claim words and the prop polling.
#pragma once

#include <cstdint>
#include <string>

#include "app/tick_schedule.h"
#include "view/table_view.h"

namespace korvel {

class AutoPlay;
class Connection;
class Dispatcher;
class Leaving;
class LobbyLink;
class LobbyWindow;
class Log;
class MessageLines;
class PlayersLeaving;
class Process;
class PropComponent;
class Reconnection;
class Records;
class ShuffleDisplay;
class Socket;
class Sound;
class TableView;
class Timers;
struct LoopState;
struct SessionSettings;
struct TableModel;

inline constexpr int kTickMs = 50;
inline constexpr int kSilenceLimit = 5000;
inline constexpr int kCommandPlayerLeft = 21;
inline constexpr int kCommandContinue = 16;

class MainLoop : public LoopControl {
 public:
  MainLoop(TableModel& table, LoopState& loop, SessionSettings& settings, TableView& view,
           MessageLines& messages, ShuffleDisplay& shuffle, Records& records, LobbyWindow& lobby,
           Connection& connection, Reconnection& reconnection, Sound& sound, AutoPlay& autoPlay,
           PlayersLeaving& playersLeaving, Leaving& leaving, Dispatcher& dispatcher,
           PropComponent& props, Timers& timers, Socket& socket, LobbyLink& lobbyLink, Log& log,
           Process& process);

  void Start() override;
  void Stop() override;
  bool Running() const override;
  void Tick();

 private:
  // Sets the timer for the tick after this one, keeping to the loop's beat.
  void StartNextTick();
  void ReceiveStep();
  void SilenceExpired();
  // The continue countdown after a deal still runs and the player has not pressed continue.
  bool ContinueCountdownRunning();
  void BlinkStep();
  void TurnClockStep();
  void DealEndCountdownStep();
  void ConnectionWatchStep();
  void ClaimWordsStep();

  TableModel& table_;
  LoopState& loop_;
  SessionSettings& settings_;
  TableView& view_;
  MessageLines& messages_;
  ShuffleDisplay& shuffle_;
  Records& records_;
  LobbyWindow& lobby_;
  Connection& connection_;
  Reconnection& reconnection_;
  Sound& sound_;
  AutoPlay& autoPlay_;
  PlayersLeaving& playersLeaving_;
  Leaving& leaving_;
  Dispatcher& dispatcher_;
  PropComponent& props_;
  Timers& timers_;
  Socket& socket_;
  LobbyLink& lobbyLink_;
  Log& log_;
  Process& process_;
  bool inTick_ = false;
  bool stopRequested_ = false;
  TickSchedule schedule_{kTickMs};
};

}  // namespace korvel
