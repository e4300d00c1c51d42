// The whole chain on one machine: korvel-server with two computer players, korvel-lobby, and
// the real client in an offscreen window: seated and saving a picture of its table, and closed
// by the lobby in the middle of a deal with its session recording written out.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QSet>
#include <QTemporaryDir>
#include <algorithm>
#include <functional>

#include "program_environment.h"
#include "replay/session_file.h"

namespace {

const QString kBin = KORVEL_BIN_DIR;

// A server with two computer players, and a lobby that starts the client against it.
class Chain {
 public:
  Chain(const QTemporaryDir& dir, const QStringList& serverOptions) : dir_(dir) {
    env_ = ProgramEnvironment(dir.path());
    env_.insert("KORVEL_LAYOUT", "full");
    env_.insert("KORVEL_LOG", ClientLogPath());
    env_.insert("KORVEL_SESSION_DIR", dir.path() + "/sessions");
    serverOptions_ = serverOptions;
  }
  ~Chain() {
    if (lobby_.state() != QProcess::NotRunning) lobby_.kill();
    lobby_.waitForFinished();
    server_.kill();
    server_.waitForFinished();
  }
  void Set(const QString& name, const QString& value) { env_.insert(name, value); }
  QString ClientLogPath() const { return dir_.filePath("client.log"); }

  bool Start() {
    const QString port = QString::number(22000 + QCoreApplication::applicationPid() % 9000);
    server_.setProcessEnvironment(env_);
    server_.start(kBin + "/korvel-server", QStringList{"--port", port, "--bots", "2", "--quiet",
                                                       "--open", "--lobby-port", "0"} +
                                               serverOptions_);
    if (!server_.waitForStarted()) return false;
    lobby_.setProcessEnvironment(env_);
    lobby_.start(kBin + "/korvel-lobby", {"--server", "127.0.0.1:" + port, "--user", "tester"});
    return lobby_.waitForStarted();
  }
  // Reads the lobby's output until `done` holds or 20 s have gone by.
  bool WaitFor(const std::function<bool()>& done) {
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < 20000 && !done()) {
      lobby_.waitForReadyRead(200);
      out_ += lobby_.readAllStandardOutput();
    }
    return done();
  }
  // The lobby's quit: it ends the client, then itself.
  void Quit() {
    lobby_.write("quit\n");
    lobby_.waitForFinished(5000);
    out_ += lobby_.readAllStandardOutput();
  }
  const QByteArray& LobbyOutput() const { return out_; }
  QString ClientLog() const {
    QFile f(ClientLogPath());
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
  }

 private:
  const QTemporaryDir& dir_;
  QProcessEnvironment env_;
  QStringList serverOptions_;
  QProcess server_;
  QProcess lobby_;
  QByteArray out_;
};

TEST(SeatedTable, TheClientSitsDownWithTwoComputerPlayers) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const QString shot = dir.filePath("seated.png");
  Chain chain(dir, {"--start-seconds", "60"});
  chain.Set("KORVEL_SCREENSHOT", shot);
  chain.Set("KORVEL_SCREENSHOT_AFTER_MS", "3000");
  ASSERT_TRUE(chain.Start());
  // The client says in its log when the picture is complete.
  chain.WaitFor([&] { return chain.ClientLog().contains("screenshot saved"); });
  chain.Quit();

  const QByteArray& out = chain.LobbyOutput();
  EXPECT_TRUE(out.contains("message 22 from client")) << out.toStdString();
  EXPECT_TRUE(out.contains("message 771 from client")) << out.toStdString();
  const QString lines = chain.ClientLog();
  EXPECT_TRUE(lines.contains("游戏将在15秒内开始")) << lines.toStdString();
  const QImage image(shot);
  ASSERT_FALSE(image.isNull());
  EXPECT_EQ(image.size(), QSize(1024, 768));
  // The two other portraits are drawn: their squares are not one flat colour.
  for (const QRect& portrait : {QRect(7, 15, 70, 62), QRect(693, 15, 70, 62)}) {
    QSet<QRgb> colours;
    for (int y = portrait.top(); y < portrait.bottom(); y += 4) {
      for (int x = portrait.left(); x < portrait.right(); x += 4) colours.insert(image.pixel(x, y));
    }
    EXPECT_GT(colours.size(), 20);
  }
}

TEST(SeatedTable, ClosedByTheLobbyMidDealTheClientEndsWithItsRecordingWritten) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  Chain chain(dir, {"--start-seconds", "0", "--turn-seconds", "15"});
  ASSERT_TRUE(chain.Start());
  ASSERT_TRUE(chain.WaitFor([&] { return chain.LobbyOutput().contains("message 1127"); }))
      << "no deal started: " << chain.LobbyOutput().toStdString();
  chain.Quit();

  // The lobby's quit terminates the client, which ends as after a game rather than dying.
  EXPECT_TRUE(chain.LobbyOutput().contains("client exited with code 0"))
      << chain.LobbyOutput().toStdString();
  EXPECT_TRUE(chain.ClientLog().contains("stopped by signal 15"))
      << chain.ClientLog().toStdString();
  // The recorder writes on its own at a deal's end or after half a minute: the deal under way
  // is in the file only because the client wrote it out as it ended.
  const QStringList sessions = QDir(dir.path() + "/sessions").entryList({"*.kvsession"});
  ASSERT_EQ(sessions.size(), 1);
  const korvel::SessionFile session =
      korvel::ReadSessionFile((dir.path() + "/sessions/" + sessions[0]).toStdString());
  EXPECT_TRUE(session.usable);
  EXPECT_EQ(session.problem, "");
  const auto lastDealEnd =
      std::find_if(session.entries.rbegin(), session.entries.rend(), [](const auto& e) {
        return e.kind == korvel::EntryKind::Received &&
               e.record[korvel::rec::kCommand] == korvel::kCmdSettlement;
      });
  EXPECT_GT(std::distance(session.entries.rbegin(), lastDealEnd), 10)
      << "the deal's records after the last deal end are missing";
}

}  // namespace
