// Plays a private game with an installed copy: korvel-lobby --local from `binDir`, with the
// player's folders in a temporary home, until the client is seated and has drawn its table.
#pragma once

#include <QByteArray>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QThread>

namespace korvel {

struct LocalGame {
  QByteArray lobbyOutput;
  QString clientLog;  // as the client wrote it into the state folder
  QString serverLog;
  bool screenshot = false;
  int port = 0;
  bool serverStoppedWithTheLobby = false;
  bool lobbyEnded = false;
  bool gameRecordRemoved = false;  // a record left from a deal, gone when the lobby ended it
  QStringList socketsLeft;         // link endpoints still in the runtime folder at the end
  QString home;
};

inline QString ReadText(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}

inline bool PortAccepts(int port) {
  QTcpSocket s;
  s.connectToHost("127.0.0.1", static_cast<quint16>(port));
  return s.waitForConnected(300);
}

// `home` holds HOME and the XDG folders; `until` is a text the lobby's output must reach.
inline LocalGame PlayLocalGame(const QString& binDir, const QString& home, const QString& until) {
  LocalGame game;
  game.home = home;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("HOME", home);
  env.insert("XDG_CONFIG_HOME", home + "/config");
  env.insert("XDG_DATA_HOME", home + "/data");
  env.insert("XDG_STATE_HOME", home + "/state");
  env.insert("XDG_RUNTIME_DIR", home + "/run");
  QDir().mkpath(home + "/run");
  QFile::setPermissions(home + "/run",
                        QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
  // What a deal's end leaves in the state folder.
  const QString record = home + "/state/korvel/info.tk";
  QDir().mkpath(home + "/state/korvel");
  if (QFile f(record); f.open(QIODevice::WriteOnly)) f.write("[1]\nname0=a\n");
  env.insert("QT_QPA_PLATFORM", "offscreen");
  env.insert("KORVEL_DIALOGS", "print");
  env.insert("KORVEL_LAYOUT", "full");
  env.insert("KORVEL_SCREENSHOT", home + "/table.png");
  env.insert("KORVEL_SCREENSHOT_AFTER_MS", "2000");
  env.remove("KORVEL_LOG");
  env.remove("KORVEL_PICTURES");

  QProcess lobby;
  lobby.setProcessEnvironment(env);
  lobby.start(binDir + "/korvel-lobby", {"--local"});
  if (!lobby.waitForStarted(5000)) return game;
  const QString logPath = home + "/state/korvel/korvel.log";
  QElapsedTimer t;
  t.start();
  while (t.elapsed() < 40000 && lobby.state() == QProcess::Running) {
    lobby.waitForReadyRead(200);
    game.lobbyOutput += lobby.readAllStandardOutput();
    game.clientLog = ReadText(logPath);
    if (game.clientLog.contains("screenshot saved") && game.lobbyOutput.contains(until.toUtf8()))
      break;
  }
  const QRegularExpression portLine("local server on 127\\.0\\.0\\.1:(\\d+)");
  if (auto m = portLine.match(QString::fromUtf8(game.lobbyOutput)); m.hasMatch()) {
    game.port = m.captured(1).toInt();
  }
  game.screenshot = QFile::exists(home + "/table.png");
  lobby.write("quit\n");
  game.lobbyEnded = lobby.waitForFinished(10000);
  if (!game.lobbyEnded) {
    lobby.kill();
    lobby.waitForFinished();
  }
  game.lobbyOutput += lobby.readAllStandardOutput();
  game.serverStoppedWithTheLobby = game.port > 0 && !PortAccepts(game.port);
  game.gameRecordRemoved = !QFile::exists(record);
  QDirIterator sockets(home + "/run", {"*.sock"}, QDir::AllEntries | QDir::System,
                       QDirIterator::Subdirectories);
  while (sockets.hasNext()) game.socketsLeft << sockets.next();
  game.clientLog = ReadText(logPath);
  game.serverLog = ReadText(home + "/state/korvel/korvel-server.log");
  return game;
}

}  // namespace korvel
