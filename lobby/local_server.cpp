#include "local_server.h"

#include <pwd.h>
#include <sys/prctl.h>
#include <unistd.h>

#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>
#include <csignal>
#include <cstdlib>

namespace korvel {
namespace {

// Launch lines carry signed 16-bit ports, so the kernel's own pick (often above 32767) will not
// do; a random port of this range is tried instead.
constexpr int kLowestPort = 20000;
constexpr int kHighestPort = 32767;
constexpr int kAttempts = 8;
constexpr int kReadyWaitMs = 5000;

bool Free(const QHostAddress& address, int port) {
  QTcpServer probe;
  return probe.listen(address, static_cast<quint16>(port));
}

// A free port on `address` (and the one above it, for a hall), of the range launch lines carry.
int FreeLaunchPort(const QHostAddress& address, bool withHall) {
  for (int i = 0; i < 50; ++i) {
    const int port = QRandomGenerator::global()->bounded(kLowestPort, kHighestPort);
    if (Free(address, port) && (!withHall || Free(address, port + 1))) return port;
  }
  return 0;
}

// Where to knock to see the server listen: a server on every address answers on loopback.
QHostAddress Reachable(const QHostAddress& bound) {
  return bound == QHostAddress::AnyIPv4 || bound == QHostAddress::Any ? QHostAddress::LocalHost
                                                                      : bound;
}

bool Accepts(const QHostAddress& address, int port) {
  QTcpSocket socket;
  socket.connectToHost(address, static_cast<quint16>(port));
  return socket.waitForConnected(200);
}

}  // namespace

std::string AccountName() {
  if (const passwd* account = getpwuid(getuid()); account && account->pw_name) {
    return account->pw_name;
  }
  const char* user = std::getenv("USER");
  return user ? user : "";
}

std::string LocalUserName(const std::string& account) {
  bool fits = !account.empty() && account.size() <= 16;
  for (char c : account) {
    const auto byte = static_cast<unsigned char>(c);
    // "$" ends a launch field; controls and bytes beyond ASCII do not fit the login record.
    if (byte <= 0x20 || byte >= 0x7f || c == '$') fits = false;
  }
  return fits ? account : "player";
}

LocalServer::~LocalServer() { Stop(); }

QStringList ServerArguments(const ServerPlan& plan, int port) {
  QStringList args{"--bind",      plan.bind,
                   "--port",      QString::number(port),
                   "--bots",      QString::number(plan.computerPlayers),
                   "--start-seconds", QString::number(plan.startSeconds),
                   // Without a hall window to serve, any free port will do for the hall.
                   "--lobby-port", QString::number(plan.hall ? port + 1 : 0)};
  if (plan.turnSeconds > 0) args << "--turn-seconds" << QString::number(plan.turnSeconds);
  if (plan.stake > 0) args << "--stake" << QString::number(plan.stake);
  if (plan.coins > 0) args << "--coins" << QString::number(plan.coins);
  if (plan.props) args << "--props";
  if (plan.watchers) args << "--watchers";
  if (!plan.publicHost.isEmpty()) args << "--public-host" << plan.publicHost;
  if (plan.open) {
    args << "--open";
  } else {
    args << "--database" << plan.database << "--create-database";
  }
  return args;
}

int LocalServer::Start(const QString& program, const QString& logFile, const ServerPlan& plan) {
  port_ = hallPort_ = 0;
  failure_.clear();
  if (!logFile.isEmpty()) process_.setStandardErrorFile(logFile, QIODevice::Append);
  process_.setStandardOutputFile(QProcess::nullDevice());
  // Even a lobby that is killed outright takes its server with it.
  process_.setChildProcessModifier([] { prctl(PR_SET_PDEATHSIG, SIGTERM); });
  const QHostAddress address(plan.bind);
  if (address.isNull()) {
    failure_ = "不是一个网络地址：" + plan.bind;
    return 0;
  }
  for (int attempt = 0; attempt < kAttempts; ++attempt) {
    int port = plan.port;
    if (port == 0) {
      port = FreeLaunchPort(address, plan.hall);
    } else if (!Free(address, port) || (plan.hall && !Free(address, port + 1))) {
      failure_ = QString("端口 %1 已被占用，请换一个。").arg(plan.hall ? QString("%1 或 %2").arg(port).arg(port + 1) : QString::number(port));
      return 0;
    }
    if (port == 0) break;
    process_.start(program, ServerArguments(plan, port));
    if (!process_.waitForStarted(kReadyWaitMs)) break;
    QElapsedTimer waited;
    waited.start();
    while (waited.elapsed() < kReadyWaitMs) {
      // A server that ended at once lost the port to someone else: try another.
      if (process_.state() == QProcess::NotRunning || process_.waitForFinished(50)) break;
      if (Accepts(Reachable(address), port) &&
          (!plan.hall || Accepts(Reachable(address), port + 1))) {
        port_ = port;
        hallPort_ = plan.hall ? port + 1 : 0;
        return port;
      }
    }
    Stop();
    if (plan.port != 0) break;
  }
  if (failure_.isEmpty()) failure_ = "无法启动游戏服务器（korvel-server）。";
  return 0;
}

void LocalServer::AskToStop() {
  if (process_.state() != QProcess::NotRunning) process_.terminate();
}

void LocalServer::Stop() {
  if (process_.state() == QProcess::NotRunning) return;
  process_.terminate();
  if (!process_.waitForFinished(2000)) {
    process_.kill();
    process_.waitForFinished(1000);
  }
}

}  // namespace korvel
