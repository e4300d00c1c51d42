// The game started from the menu, in the real window under a window manager: leaving the table
// ends it all, and a second start while it runs only says so and brings the table forward.
#include <gtest/gtest.h>

#include <QDirIterator>
#include <QElapsedTimer>
#include <QFileInfo>

#include "local_game.h"
#include "x_session.h"

namespace korvel {
namespace {

const QString kBin = KORVEL_BIN_DIR;

// The close button of the table's frame and the exit window's confirm button, in the full
// layout's pixels.
constexpr QPoint kCloseButton(996 + 11, 2 + 10);
constexpr QPoint kConfirmExit(70 + 32, 100 + 15);

class MenuGame : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!x_.Available()) GTEST_SKIP() << x_.Missing().toStdString();
    ASSERT_TRUE(home_.isValid());
    env_ = QProcessEnvironment::systemEnvironment();
    env_.insert("HOME", home_.path());
    env_.insert("XDG_CONFIG_HOME", home_.filePath("config"));
    env_.insert("XDG_DATA_HOME", home_.filePath("data"));
    env_.insert("XDG_STATE_HOME", home_.filePath("state"));
    env_.insert("XDG_RUNTIME_DIR", home_.filePath("run"));
    QDir().mkpath(home_.filePath("run"));
    QFile::setPermissions(home_.filePath("run"),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    env_.insert("DISPLAY", x_.Display());
    env_.remove("QT_QPA_PLATFORM");
    env_.remove("WAYLAND_DISPLAY");
    env_.insert("KORVEL_LAYOUT", "full");
    env_.insert("KORVEL_DIALOGS", "print");
    env_.remove("KORVEL_LOG");
    env_.remove("KORVEL_SESSION_DIR");
  }

  // Starts the menu game and waits until its table is up, seated, with its window mapped.
  void StartGame() {
    lobby_.setProcessEnvironment(env_);
    lobby_.start(kBin + "/korvel-lobby", {"--local"});
    ASSERT_TRUE(lobby_.waitForStarted(5000));
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < 40000 && lobby_.state() == QProcess::Running &&
           !ReadText(ClientLog()).contains("连接服务器成功！")) {
      lobby_.waitForReadyRead(200);
      output_ += lobby_.readAllStandardOutput();
    }
    window_ = x_.FindVisible("korvel", 20000);
    ASSERT_FALSE(window_.isEmpty()) << output_.toStdString();
    const QRegularExpression portLine("local server on 127\\.0\\.0\\.1:(\\d+)");
    if (auto m = portLine.match(QString::fromUtf8(output_)); m.hasMatch()) {
      port_ = m.captured(1).toInt();
    }
    ASSERT_GT(port_, 0) << output_.toStdString();
  }

  void TearDown() override {
    if (lobby_.state() != QProcess::NotRunning) {
      lobby_.terminate();
      if (!lobby_.waitForFinished(5000)) lobby_.kill();
      lobby_.waitForFinished(1000);
    }
  }

  QString ClientLog() const { return home_.filePath("state/korvel/korvel.log"); }
  QStringList Sockets() const {
    QStringList found;
    QDirIterator it(home_.filePath("run"), {"*.sock"}, QDir::AllEntries | QDir::System,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) found << QFileInfo(it.next()).fileName();
    return found;
  }

  XSession x_;
  QTemporaryDir home_;
  QProcessEnvironment env_;
  QProcess lobby_;
  QByteArray output_;
  QString window_;
  int port_ = 0;
};

TEST_F(MenuGame, LeavingByTheCloseButtonEndsClientServerAndLobbyWithinTwoSeconds) {
  StartGame();
  // A game record left from a deal: it goes with the table.
  QFile record(home_.filePath("state/korvel/info.tk"));
  ASSERT_TRUE(record.open(QIODevice::WriteOnly));
  record.write("[1]\nname0=a\n");
  record.close();

  ASSERT_TRUE(x_.Click(window_, kCloseButton));
  const QString exitWindow = x_.FindVisible("退出", 5000);
  ASSERT_FALSE(exitWindow.isEmpty()) << "the close button opens the exit window";
  QElapsedTimer ending;
  ending.start();
  ASSERT_TRUE(x_.Click(exitWindow, kConfirmExit));
  ASSERT_TRUE(lobby_.waitForFinished(10000)) << "the lobby ends";
  const qint64 ms = ending.elapsed();
  output_ += lobby_.readAllStandardOutput();
  EXPECT_LE(ms, 2000) << output_.toStdString();
  EXPECT_EQ(lobby_.exitCode(), 0) << lobby_.readAllStandardError().toStdString();
  EXPECT_TRUE(output_.contains("the client left its table: closing it")) << output_.toStdString();
  EXPECT_FALSE(PortAccepts(port_)) << "the private server has stopped";
  EXPECT_TRUE(x_.FindVisible("korvel", 0).isEmpty()) << "no window is left";
  EXPECT_TRUE(Sockets().isEmpty()) << Sockets().join(' ').toStdString();
  EXPECT_FALSE(record.exists()) << "the game record went with the table";
  EXPECT_TRUE(ReadText(ClientLog()).contains("stopped by signal 15"))
      << "closed by the lobby: " << ReadText(ClientLog()).toStdString();
}

TEST_F(MenuGame, ASecondStartSaysSoBringsTheTableForwardAndStartsNothing) {
  StartGame();
  // Asked again until it takes: a window mapped while openbox was still taking over the screen
  // is managed only a moment later, and the client follows in its own time.
  QElapsedTimer hidden;
  hidden.start();
  while (hidden.elapsed() < 10000 && !x_.FindVisible("korvel", 0).isEmpty()) {
    x_.Run({"xdotool", "windowminimize", window_});
    QThread::msleep(300);
  }
  ASSERT_TRUE(x_.FindVisible("korvel", 0).isEmpty()) << "minimised";
  const qint64 serverLogSize = QFileInfo(home_.filePath("state/korvel/korvel-server.log")).size();

  QProcess second;
  second.setProcessEnvironment(env_);
  second.start(kBin + "/korvel-lobby", {"--local"});
  ASSERT_TRUE(second.waitForFinished(10000));
  const QString out = QString::fromUtf8(second.readAllStandardOutput());
  const QString err = QString::fromUtf8(second.readAllStandardError());
  EXPECT_EQ(second.exitCode(), 0) << err.toStdString();
  EXPECT_TRUE(err.contains("警告: Korvel麻将游戏已经运行！")) << err.toStdString();
  EXPECT_FALSE(out.contains("local server")) << out.toStdString();
  EXPECT_FALSE(out.contains("starting")) << "no second client";
  EXPECT_EQ(window_, x_.FindVisible("korvel", 5000)) << "the running table is shown again";
  QThread::msleep(500);
  EXPECT_EQ(QFileInfo(home_.filePath("state/korvel/korvel-server.log")).size(), serverLogSize)
      << "no second server writes into the log";
  EXPECT_EQ(lobby_.state(), QProcess::Running) << "the first game goes on";
  EXPECT_TRUE(PortAccepts(port_));
}

}  // namespace
}  // namespace korvel
