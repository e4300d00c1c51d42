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

int FreeLaunchPort() {
  for (int i = 0; i < 50; ++i) {
    const auto port =
        static_cast<quint16>(QRandomGenerator::global()->bounded(kLowestPort, kHighestPort + 1));
    QTcpServer probe;
    if (probe.listen(QHostAddress::LocalHost, port)) return port;
  }
  return 0;
}

bool Accepts(int port) {
  QTcpSocket socket;
  socket.connectToHost(QHostAddress::LocalHost, static_cast<quint16>(port));
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

int LocalServer::Start(const QString& program, const QString& logFile) {
  if (!logFile.isEmpty()) process_.setStandardErrorFile(logFile, QIODevice::Append);
  process_.setStandardOutputFile(QProcess::nullDevice());
  // Even a lobby that is killed outright takes its server with it.
  process_.setChildProcessModifier([] { prctl(PR_SET_PDEATHSIG, SIGTERM); });
  for (int attempt = 0; attempt < kAttempts; ++attempt) {
    const int port = FreeLaunchPort();
    if (port == 0) return 0;
    // A private game: any name sits without a hall key, in a temporary database; the hall's
    // own port is any free one, since nothing here asks it.
    process_.start(program, {"--port", QString::number(port), "--bots", "2", "--start-seconds", "5",
                             "--open", "--lobby-port", "0"});
    if (!process_.waitForStarted(kReadyWaitMs)) return 0;
    QElapsedTimer waited;
    waited.start();
    while (waited.elapsed() < kReadyWaitMs) {
      // A server that ended at once lost the port to someone else: try another.
      if (process_.state() == QProcess::NotRunning || process_.waitForFinished(50)) break;
      if (Accepts(port)) return port;
    }
    Stop();
  }
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
