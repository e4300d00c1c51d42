// The client: owns one of each subsystem, wires them together and runs start-up.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "app/connection_events_wiring.h"
#include "app/input_router.h"
#include "app/main_loop.h"
#include "app/window_frame.h"
#include "chat/table_chat.h"
#include "config/launch_params.h"
#include "model/loop_state.h"
#include "model/player_record.h"
#include "model/session_settings.h"
#include "net/connection.h"
#include "net/lobby_window.h"
#include "net/reconnection.h"
#include "net/records.h"
#include "platform/ports.h"
#include "props/prop_component.h"
#include "protocol/dispatch.h"
#include "protocol/leaving.h"
#include "protocol/players_leaving.h"
#include "protocol/seating.h"
#include "seats/auto_play.h"
#include "seats/other_seats.h"
#include "seats/table_restore.h"
#include "seats/watching.h"
#include "settlement/settlement.h"
#include "sound/sound.h"
#include "sound/vos_set.h"
#include "sound/vos_set_form.h"
#include "table/table_play.h"
#include "view/message_lines.h"
#include "view/shuffle_display.h"
#include "view/table_view.h"

namespace korvel {

inline constexpr const char* kDefaultLobbyTitle = "Tesk山庄";
inline constexpr const char* kSingleCopyLock = "korvel.lock";

class Client {
 public:
  explicit Client(Platform& platform);
  Client(const Client&) = delete;
  Client& operator=(const Client&) = delete;

  // Checks the launch line and the single copy, prepares the table and opens the connection;
  // either returns with the client running or ends it through the platform.
  void Startup(const std::string& commandLine);

  // A message from the lobby addressed to this client's window; the result is the reply.
  uint32_t LobbyMessage(const korvel::LobbyMessage& message);

  Platform& platform() { return platform_; }
  LoopState& loop() { return loop_; }
  TableModel& table() { return table_; }
  const TableModel& table() const { return table_; }
  Records& records() { return records_; }
  LobbyWindow& lobby() { return lobby_; }
  const LaunchParams& launch() const { return launch_; }
  Connection& connection() { return connection_; }
  MainLoop& mainLoop() { return mainLoop_; }
  Dispatcher& dispatcher() { return dispatcher_; }
  PropComponent& props() { return props_; }
  Seating& seating() { return seating_; }
  PlayersLeaving& playersLeaving() { return playersLeaving_; }
  TablePlay& tablePlay() { return tablePlay_; }
  Watching& watching() { return watching_; }
  TableRestore& tableRestore() { return tableRestore_; }
  Settlement& settlement() { return settlement_; }
  AutoPlay& autoPlay() { return autoPlay_; }
  OtherSeats& otherSeats() { return otherSeats_; }
  Reconnection& reconnection() { return reconnection_; }
  TableView& view() { return view_; }
  const TableView& view() const { return view_; }
  Sound& sound() { return sound_; }
  VosSet& vosSet() { return vosSet_; }
  VosSetForm& vosSetForm() { return vosSetForm_; }
  // Where the front end sends input on the table's windows.
  InputRouter& input() { return input_; }
  Leaving& leaving() { return leaving_; }
  WindowFrame& frame() { return frame_; }
  TableChat& chat() { return chat_; }
  SeatVoices& seatVoices() { return seatVoices_; }

  MessageLines& messages() { return messages_; }
  const MessageLines& messages() const { return messages_; }
  ShuffleDisplay& shuffle() { return shuffle_; }
  SessionSettings& settings() { return settings_; }
  const SessionSettings& settings() const { return settings_; }

 private:
  // The fatal start-up path: the socket error's notice when it is one, the lobby back, the end.
  [[noreturn]] void StartupFailed(const std::string& why, int socketError = 0);
  // Entry points of subsystems that start-up calls.
  void LayOutTable();
  void ShowLocation();
  void InitSound();

  Platform& platform_;
  LoopState loop_;
  TableModel table_;
  TableView view_;
  MessageLines messages_;
  ShuffleDisplay shuffle_;
  SessionSettings settings_;
  SeatVoices seatVoices_;
  Sound sound_;
  VosSet vosSet_;
  VosSetForm vosSetForm_;
  Records records_;
  LobbyWindow lobby_;
  LaunchParams launch_;
  Connection connection_;
  MainLoop mainLoop_;
  Dispatcher dispatcher_;
  PropComponent props_;
  Seating seating_;
  PlayersLeaving playersLeaving_;
  TablePlay tablePlay_;
  Watching watching_;
  TableRestore tableRestore_;
  Settlement settlement_;
  AutoPlay autoPlay_;
  OtherSeats otherSeats_;
  Reconnection reconnection_;
  InputRouter input_;
  Leaving leaving_;
  WindowFrame frame_;
  TableChat chat_;
  ConnectionEventsWiring connectionEvents_{props_, tablePlay_};
};

}  // namespace korvel
