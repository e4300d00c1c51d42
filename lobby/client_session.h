// The lobby's side of one table client: the lobby endpoint under the lobby's window title, the
// client process started with its launch line, and what the client says. The command-line lobby
// prints it; the hall window minimises and restores itself by it.
#pragma once

#include <QObject>
#include <QProcess>
#include <QString>
#include <string>

#include "config/launch_params.h"
#include "lobby_link.h"

namespace korvel {

class ClientSession : public QObject {
  Q_OBJECT
 public:
  explicit ClientSession(QObject* parent = nullptr);
  ~ClientSession() override;

  // Owns the lobby endpoint `lobbyTitle`; false when another lobby holds it.
  bool Listen(const std::string& lobbyTitle);
  const std::string& LobbyTitle() const { return lobbyTitle_; }

  // Starts `clientPath` with the launch line of `launch`; the client will listen as
  // `clientTitle`. `clientLog`, when not empty, becomes its KORVEL_LOG. False (with `error`)
  // when it cannot start or a client already runs.
  bool Start(const std::string& clientPath, const LaunchParams& launch,
             const std::string& clientTitle, const std::string& clientLog, QString* error);
  bool Running() const { return client_.state() != QProcess::NotRunning; }
  // The launch line of the client last started.
  const std::string& LaunchLine() const { return launchLine_; }
  // Ends the client: asked first, killed after 2 s.
  void Stop();
  // Where requests go when no client was started here (a client started by hand).
  void SetClientTitle(const std::string& title) { clientTitle_ = title; }
  // Sends one of the lobby's requests to the client; false when it is not listening.
  bool Request(uint32_t number);

  // The answer given to the client's system commands; the command-line lobby keeps 1.
  void SetSystemCommandAnswer(uint32_t answer) { systemAnswer_ = answer; }

 Q_SIGNALS:
  // The client asks the lobby window to minimise (kScMinimize) or restore (kScRestore).
  void systemCommand(uint32_t command);
  // Any other message from the client (22, 771, 1024, ...).
  void clientMessage(uint32_t number);
  // The client ended: its exit code, or the signal that ended it when `crashed`.
  void clientEnded(int code, bool crashed);

 private:
  uint32_t OnMessage(const LobbyMessage& message);

  UnixLobbyLink link_;
  QProcess client_;
  std::string lobbyTitle_;
  std::string clientTitle_;
  std::string launchLine_;
  uint32_t systemAnswer_ = 1;
};

}  // namespace korvel
