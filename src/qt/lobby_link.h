// Window messages between programs, stood in for by one Unix-domain socket per window title:
// connect, write three little-endian 32-bit integers, (for a send) read a 4-byte reply, close.
#pragma once

#include <QLocalServer>
#include <QObject>
#include <functional>
#include <string>

#include "platform/ports.h"

namespace korvel {

// The socket path of the window called `title` inside `runtimeDir`.
std::string LobbyEndpointPath(const std::string& runtimeDir, const std::string& title);
// Why `dir` is not safe as this user's runtime folder (not a real folder, another owner, open to
// others), or empty when it is.
std::string RuntimeDirProblem(const std::string& dir);
// The per-user runtime folder ($XDG_RUNTIME_DIR/korvel or /tmp/korvel-<uid>), created 0700;
// a folder that is not safe ends the program with a message saying why.
std::string KorvelRuntimeDir();

class UnixLobbyLink : public QObject, public LobbyLink {
  Q_OBJECT
 public:
  explicit UnixLobbyLink(std::string runtimeDir, QObject* parent = nullptr);
  bool WindowExists(const std::string& title) override;
  bool Post(const std::string& title, const LobbyMessage& message) override;
  bool Send(const std::string& title, const LobbyMessage& message) override;
  bool Listen(const std::string& ownTitle,
              std::function<uint32_t(const LobbyMessage&)> handler) override;
  // Stops accepting and removes the socket file, as a window that closes stops being found.
  void StopListening();

 private:
  bool Deliver(const std::string& title, const LobbyMessage& message, bool waitReply);
  void OnNewConnection();

  std::string runtimeDir_;
  QLocalServer server_;
  std::function<uint32_t(const LobbyMessage&)> handler_;
};

}  // namespace korvel
