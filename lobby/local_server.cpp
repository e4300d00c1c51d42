#include "local_server.h"

#include <pwd.h>
#include <sys/prctl.h>
#include <unistd.h>

#include <QEventLoop>
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

LocalServer::LocalServer() {
  poll_.setInterval(50);
  QObject::connect(&poll_, &QTimer::timeout, &poll_, [this] { Poll(); });
}

LocalServer::~LocalServer() { Stop(); }

QStringList ServerArguments(const ServerPlan& plan, int port) {
  QStringList args{"--bind", plan.bind, "--port", QString::number(port), "--bots",
                   QString::number(plan.computerPlayers), "--start-seconds",
                   QString::number(plan.startSeconds),
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

void LocalServer::StartAsync(const QString& program, const QString& logFile, const ServerPlan& plan,
                             std::function<void(int)> done) {
  Stop();  // before `done` is kept: an earlier start ends unanswered
  port_ = hallPort_ = 0;
  failure_.clear();
  program_ = program;
  plan_ = plan;
  done_ = std::move(done);
  attempt_ = 0;
  if (!logFile.isEmpty()) process_.setStandardErrorFile(logFile, QIODevice::Append);
  process_.setStandardOutputFile(QProcess::nullDevice());
  // Even a lobby that is killed outright takes its server with it.
  process_.setChildProcessModifier([] { prctl(PR_SET_PDEATHSIG, SIGTERM); });
  if (QHostAddress(plan.bind).isNull()) {
    failure_ = "不是一个网络地址：" + plan.bind;
    Finish(0);
    return;
  }
  Attempt();
}

int LocalServer::Start(const QString& program, const QString& logFile, const ServerPlan& plan) {
  int result = -1;
  QEventLoop loop;
  StartAsync(program, logFile, plan, [&](int port) {
    result = port;
    loop.quit();
  });
  if (result < 0) loop.exec();
  return result;
}

void LocalServer::Attempt() {
  const QHostAddress address(plan_.bind);
  int port = plan_.port;
  if (port == 0) {
    port = FreeLaunchPort(address, plan_.hall);
  } else if (!Free(address, port) || (plan_.hall && !Free(address, port + 1))) {
    failure_ =
        QString("端口 %1 已被占用，请换一个。")
            .arg(plan_.hall ? QString("%1 或 %2").arg(port).arg(port + 1) : QString::number(port));
    Finish(0);
    return;
  }
  if (port == 0 || attempt_++ >= kAttempts) {
    Finish(0);
    return;
  }
  trying_ = port;
  process_.start(program_, ServerArguments(plan_, port));
  waited_.start();
  poll_.start();
}

void LocalServer::Poll() {
  const QHostAddress address = Reachable(QHostAddress(plan_.bind));
  const bool ended = process_.state() == QProcess::NotRunning;
  if (!ended && process_.state() == QProcess::Running && Accepts(address, trying_) &&
      (!plan_.hall || Accepts(address, trying_ + 1))) {
    port_ = trying_;
    hallPort_ = plan_.hall ? trying_ + 1 : 0;
    Finish(trying_);
    return;
  }
  if (!ended && waited_.elapsed() < kReadyWaitMs) return;
  // A server that ended at once lost the port to someone else: another is tried, unless the
  // player chose this one.
  poll_.stop();
  EndProcess();
  if (plan_.port != 0) {
    Finish(0);
    return;
  }
  Attempt();
}

void LocalServer::Finish(int port) {
  poll_.stop();
  if (port == 0 && failure_.isEmpty()) failure_ = "无法启动游戏服务器（korvel-server）。";
  auto done = std::move(done_);
  done_ = nullptr;
  if (done) done(port);
}

void LocalServer::AskToStop() {
  if (process_.state() != QProcess::NotRunning) process_.terminate();
}

void LocalServer::Stop() {
  // A start in progress ends unanswered.
  poll_.stop();
  done_ = nullptr;
  EndProcess();
}

void LocalServer::EndProcess() {
  if (process_.state() == QProcess::NotRunning) return;
  process_.terminate();
  if (!process_.waitForFinished(2000)) {
    process_.kill();
    process_.waitForFinished(1000);
  }
}

}  // namespace korvel
