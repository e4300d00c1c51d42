// The client: owns one of each subsystem, wires them together and runs start-up.
#pragma once

#include <string>

#include "app/launch_params.h"
#include "app/lobby_window.h"
#include "app/loop_state.h"
#include "net/records.h"
#include "platform/ports.h"
#include "props/prop_library.h"
#include "table/player_record.h"

namespace korvel {

inline constexpr const char* kDefaultLobbyTitle = "Tesk山庄";
inline constexpr const char* kDefaultWindowTitle = "korvel";
inline constexpr const char* kSingleCopyLock = "korvel.lock";
inline constexpr int kDefaultTurnTime = 8;
inline constexpr int kQuickTurnTime = 2;

class Client {
 public:
  explicit Client(Platform& platform);

  // Checks the launch line and the single copy, prepares the table and opens the connection;
  // either returns with the client running or ends it through the platform.
  void Startup(const std::string& commandLine);

  // A message from the lobby addressed to this client's window; the result is the reply.
  uint32_t LobbyMessage(const korvel::LobbyMessage& message);

  Platform& platform() { return platform_; }
  LoopState& loop() { return loop_; }
  TableModel& table() { return table_; }
  Records& records() { return records_; }
  LobbyWindow& lobby() { return lobby_; }
  PropLibrary& propLibrary() { return propLibrary_; }
  const LaunchParams& launch() const { return launch_; }

  // Values fixed by the launch line and the login.
  bool QuickMode = false;
  bool Spectator = false;
  int TurnTime = kDefaultTurnTime;
  std::string WindowTitle = kDefaultWindowTitle;
  bool RecordMode = true;
  bool ChatAllowed = true;
  bool LoggedIn = false;

 private:
  // The fatal start-up path: the socket error's notice when it is one, the lobby back, the end.
  [[noreturn]] void StartupFailed(const std::string& why, int socketError = 0);
  // Entry points of subsystems that start-up calls.
  void LayOutTable();
  void InitSound();
  void ResetShuffleDisplay();
  void ShowSystemLine(const std::string& line);
  void OpenDirect();
  void OpenThroughProxy();
  void LoadProps();

  Platform& platform_;
  LoopState loop_;
  TableModel table_;
  Records records_;
  LobbyWindow lobby_;
  PropLibrary propLibrary_;
  LaunchParams launch_;
};

}  // namespace korvel
