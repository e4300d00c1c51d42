// Leaving the table: the lobby's requests, the exit confirmation, the game-over window, the
// way back to the lobby, logging in again, and shutting down.
#pragma once

#include <cstdint>

#include "platform/ports.h"
#include "view/scene.h"

namespace korvel {

class Client;

inline constexpr int kCommandLeave = 16;

class Leaving {
 public:
  explicit Leaving(Client& client) : client_(client) {}

  // A message from the lobby; the result is the value of a synchronous send's reply.
  uint32_t LobbyMessage(const korvel::LobbyMessage& message);
  // Tells the server the local player leaves and stops the loops and timers.
  void LeaveTable();
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
  void OpenGameOverWindow(const std::string& message);
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

  Client& client_;
  FormId exitForm_ = kNoForm;
  FormId gameOverForm_ = kNoForm;
  ElementId exitWarning_ = kNoElement, exitOk_ = kNoElement, exitCancel_ = kNoElement;
  ElementId overText_ = kNoElement, overOk_ = kNoElement, overCancel_ = kNoElement;
};

}  // namespace korvel
