// Leaving the table: the lobby's requests, the exit confirmation, the game-over window, the
// way back to the lobby, logging in again, and shutting down.
#pragma once

#include <cstdint>

#include "platform/ports.h"
#include "protocol/table_exit.h"
#include "view/scene.h"

namespace korvel {

class Connection;
class LobbyLink;
class LobbyWindow;
class Log;
class LoopControl;
class MessageLines;
class PlayersLeaving;
class Process;
class PropComponent;
class Reconnection;
class Records;
class Seating;
class Settlement;
class Socket;
class Sound;
class TableView;
class Timers;
struct LaunchParams;
struct LoopState;
struct SessionSettings;
struct TableModel;

inline constexpr int kCommandLeave = 16;

class Leaving : public TableExit {
 public:
  Leaving(TableModel& table, LoopState& loop, LoopControl& loopControl, SessionSettings& settings,
          const LaunchParams& launch, TableView& view, MessageLines& messages, Records& records,
          LobbyWindow& lobby, Connection& connection, Reconnection& reconnection, Sound& sound,
          Settlement& settlement, PlayersLeaving& playersLeaving, PropComponent& props,
          Timers& timers, Socket& socket, LobbyLink& lobbyLink, Log& log, Process& process);

  // A message from the lobby; the result is the value of a synchronous send's reply.
  uint32_t LobbyMessage(const korvel::LobbyMessage& message);
  // Tells the server the local player leaves and stops the loops and timers.
  void LeaveTable() override;
  // Back to the not-seated state.
  void ClearForLobby();
  // Clears everything and gives the screen back to the lobby (or ends without one).
  void BackToLobby();
  // The lobby asked for a new login.
  void Relogin();
  // The main window closes.
  [[noreturn]] void Shutdown();

  // The exit button's confirmation window.
  void OpenExitWindow();
  void ConfirmExit();
  void CancelExit();
  // The game-over window with the server's message.
  void OpenGameOverWindow(const std::string& message) override;
  void GameOverOk();
  void GameOverCancel();
  // A click on one of these windows' buttons; false when it was not theirs.
  bool OnClick(FormId form, ElementId element);

  FormId exitForm() const { return exitForm_; }
  FormId gameOverForm() const { return gameOverForm_; }

 private:
  void Reply(uint32_t number);
  bool SocketUp() const;
  void StopWatchAndLeave();
  void BuildExitWindow();
  void BuildGameOverWindow();
  void CloseWindows();
  void CentreOverMain(FormId form);

  TableModel& table_;
  LoopState& loop_;
  LoopControl& loopControl_;
  SessionSettings& settings_;
  const LaunchParams& launch_;
  TableView& view_;
  MessageLines& messages_;
  Records& records_;
  LobbyWindow& lobby_;
  Connection& connection_;
  Reconnection& reconnection_;
  Sound& sound_;
  Settlement& settlement_;
  PlayersLeaving& playersLeaving_;
  PropComponent& props_;
  Timers& timers_;
  Socket& socket_;
  LobbyLink& lobbyLink_;
  Log& log_;
  Process& process_;
  FormId exitForm_ = kNoForm;
  FormId gameOverForm_ = kNoForm;
  ElementId exitWarning_ = kNoElement, exitOk_ = kNoElement, exitCancel_ = kNoElement;
  ElementId exitPicture_ = kNoElement;
  ElementId overText_ = kNoElement, overOk_ = kNoElement, overCancel_ = kNoElement;
};

}  // namespace korvel
