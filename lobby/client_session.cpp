#include "client_session.h"

#include <QProcessEnvironment>

#include "net/lobby_window.h"

namespace korvel {

ClientSession::ClientSession(QObject* parent) : QObject(parent), link_(KorvelRuntimeDir()) {
  client_.setProcessChannelMode(QProcess::ForwardedChannels);
  connect(&client_, &QProcess::finished, this, [this](int code, QProcess::ExitStatus status) {
    Q_EMIT clientEnded(code, status == QProcess::CrashExit);
  });
}

ClientSession::~ClientSession() {
  // A lobby that goes takes its table with it, as the table cannot come back to it.
  Stop();
  link_.StopListening();
}

bool ClientSession::Listen(const std::string& lobbyTitle) {
  lobbyTitle_ = lobbyTitle;
  return link_.Listen(lobbyTitle, [this](const LobbyMessage& m) { return OnMessage(m); });
}

bool ClientSession::Start(const std::string& clientPath, const LaunchParams& launch,
                          const std::string& clientTitle, const std::string& clientLog,
                          QString* error) {
  if (Running()) {
    if (error) *error = "a client already runs";
    return false;
  }
  clientTitle_ = clientTitle;
  launchLine_ = BuildLaunchLine(launch);
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  if (!clientLog.empty()) env.insert("KORVEL_LOG", QString::fromStdString(clientLog));
  client_.setProcessEnvironment(env);
  client_.start(QString::fromStdString(clientPath), {QString::fromStdString(launchLine_)});
  if (!client_.waitForStarted(5000)) {
    if (error) *error = client_.errorString();
    return false;
  }
  return true;
}

void ClientSession::Stop() {
  if (client_.state() == QProcess::NotRunning) return;
  client_.terminate();
  if (!client_.waitForFinished(2000)) client_.kill();
  client_.waitForFinished(1000);
}

bool ClientSession::Request(uint32_t number) {
  return link_.Post(clientTitle_, LobbyMessage{number, 0, 0});
}

uint32_t ClientSession::OnMessage(const LobbyMessage& m) {
  if (m.number == kSysCommand) {
    Q_EMIT systemCommand(m.param1);
    return systemAnswer_;
  }
  Q_EMIT clientMessage(m.number);
  return 0;
}

}  // namespace korvel
