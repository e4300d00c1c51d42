// A korvel-server this lobby starts: a private one for a player alone (a free loopback port, two
// computer players, open seats), or one a player hosts for friends on a chosen address. It is
// stopped with the lobby that started it.
#pragma once

#include <QElapsedTimer>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <functional>
#include <string>

namespace korvel {

// The user id for a local game: the account name when it fits a launch line, else "player".
std::string LocalUserName(const std::string& account);
// The name of the account running this process, or $USER, or empty.
std::string AccountName();

struct ServerPlan {
  QString bind = "127.0.0.1";
  // The game port; 0 picks a free one. The hall listens on the next port up.
  int port = 0;
  bool hall = false;  // false: no hall port is needed (any free one is taken)
  int computerPlayers = 2;
  int turnSeconds = 0;  // 0: the server's default
  int stake = 0;
  qint64 coins = 0;
  bool props = false;
  bool watchers = false;
  bool open = true;    // anyone sits under any name; else accounts in `database`
  QString database;    // with accounts: the database file, made when missing
  QString publicHost;  // where players reach the game port, when not `bind`
  int startSeconds = 5;
};

// The arguments korvel-server gets for `plan` on `port`.
QStringList ServerArguments(const ServerPlan& plan, int port);

class LocalServer {
 public:
  LocalServer();
  ~LocalServer();
  // Starts `program` and tells `done` the port once it accepts connections (0 when no server
  // could be started, Failure() saying why); the event loop runs meanwhile. `logFile` (when not
  // empty) gets the server's messages.
  void StartAsync(const QString& program, const QString& logFile, const ServerPlan& plan,
                  std::function<void(int port)> done);
  // The same, waiting for the answer.
  int Start(const QString& program, const QString& logFile, const ServerPlan& plan = {});
  bool Starting() const { return static_cast<bool>(done_); }
  bool Running() const { return process_.state() != QProcess::NotRunning; }
  int Port() const { return port_; }
  // The hall's port when the plan asked for one, else 0.
  int HallPort() const { return hallPort_; }
  // Why the last Start failed, for the player.
  const QString& Failure() const { return failure_; }
  // Asks the server to end without waiting for it.
  void AskToStop();
  // Ends the server if it still runs, and a start in progress without an answer.
  void Stop();

 private:
  void Attempt();
  void Poll();
  void Finish(int port);
  void EndProcess();

  QProcess process_;
  QString program_;
  ServerPlan plan_;
  std::function<void(int)> done_;
  QTimer poll_;
  QElapsedTimer waited_;
  int attempt_ = 0;
  int trying_ = 0;
  int port_ = 0;
  int hallPort_ = 0;
  QString failure_;
};

}  // namespace korvel
