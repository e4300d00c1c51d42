// korvel-lobby: owns the lobby endpoint, starts the client with its launch line, logs what the
// client says and sends the lobby's requests typed on standard input.
#pragma once

#include <QObject>
#include <QSocketNotifier>
#include <memory>
#include <string>

#include "config/launch_params.h"
#include "client_session.h"
#include "local_server.h"
#include "stop_signals.h"

namespace korvel {

struct LobbyOptions {
  LaunchParams launch;
  std::string lobbyTitle;
  std::string clientTitle;
  std::string clientPath;
  bool startClient = true;
  bool stay = false;
  // The client's log file (KORVEL_LOG) when not empty.
  std::string clientLog;
  // A game started from the menu: no lobby window to go back to, so the client leaving its
  // table ends the game.
  bool local = false;
};

class LobbyApp : public QObject {
  Q_OBJECT
 public:
  explicit LobbyApp(LobbyOptions options);
  // Listens and starts the client; false when the endpoint is taken or the client cannot start.
  bool Start();
  // Sends one of the lobby's requests to the client; false when it is not listening.
  bool Request(uint32_t number);
  // A server this lobby started, stopped when the lobby ends.
  void AdoptServer(std::unique_ptr<LocalServer> server) { server_ = std::move(server); }

 private:
  void OnSystemCommand(uint32_t command);
  void OnStdin();
  void Shutdown(int code);
  void Print(const std::string& line);

  LobbyOptions options_;
  ClientSession session_;
  std::unique_ptr<QSocketNotifier> stdin_;
  std::string pendingInput_;
  std::unique_ptr<LocalServer> server_;
  StopSignals stopSignals_;
  bool closing_ = false;
};

}  // namespace korvel
