// A private korvel-server for one player: started on a free loopback port with two computer
// players, stopped with the lobby that started it.
#pragma once

#include <QProcess>
#include <QString>
#include <string>

namespace korvel {

// The user id for a local game: the account name when it fits a launch line, else "player".
std::string LocalUserName(const std::string& account);
// The name of the account running this process, or $USER, or empty.
std::string AccountName();

class LocalServer {
 public:
  ~LocalServer();
  // Starts `program` and waits until it accepts connections; `logFile` (when not empty) gets
  // its messages. The port, or 0 when no server could be started.
  int Start(const QString& program, const QString& logFile);
  // Asks the server to end without waiting for it.
  void AskToStop();
  // Ends the server if it still runs.
  void Stop();

 private:
  QProcess process_;
};

}  // namespace korvel
