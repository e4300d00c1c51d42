// The real programs, started as a user or a lobby would start them.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QThread>

#include "program_environment.h"

namespace {

const QString kBin = KORVEL_BIN_DIR;

QString Line(QStringList fields) { return fields.join('$') + '$'; }
QStringList Fields() {
  // Connection type 3 connects nowhere, so the client just stays at the table.
  return {"a", "k", "127.0.0.1", "6000", "Room", "3", "", "0", "", "", "0", "", "", "0", "0"};
}

// Launch lines carry 16-bit ports, so servers in these tests listen below 32768.
bool ListenOnLaunchPort(QTcpServer& server) {
  for (quint16 port = 20000 + QCoreApplication::applicationPid() % 10000; port < 32767; port += 7) {
    if (server.listen(QHostAddress::LocalHost, port)) return true;
  }
  return false;
}

class ProgramsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(runtime.isValid());
    env = ProgramEnvironment(runtime.path());
  }
  void Prepare(QProcess& p) {
    p.setProcessEnvironment(env);
    p.setProgram(kBin + "/korvel");
  }
  // Waits until `p` has printed `text` on the channel it was told to, or gives up.
  static bool WaitFor(QProcess& p, QByteArray& seen, const QByteArray& text, bool stdErr,
                      int ms = 10000) {
    QElapsedTimer t;
    t.start();
    while (!seen.contains(text) && t.elapsed() < ms) {
      p.waitForReadyRead(100);
      seen += stdErr ? p.readAllStandardError() : p.readAllStandardOutput();
    }
    return seen.contains(text);
  }

  QTemporaryDir runtime;
  QProcessEnvironment env;
};

TEST_F(ProgramsTest, WithoutALaunchLineTheClientAsksForTheLobby) {
  QProcess p;
  Prepare(p);
  p.start();
  ASSERT_TRUE(p.waitForFinished(10000));
  EXPECT_NE(p.exitCode(), 0);
  EXPECT_TRUE(
      QString::fromUtf8(p.readAllStandardError()).contains("警告: 本游戏需从游戏大厅中启动！"));
}

TEST_F(ProgramsTest, ABadLaunchLineEndsQuietlyWhenNoLobbyListens) {
  for (const QString& line : {Line(Fields().mid(0, 14)), Line([] {
                                auto f = Fields();
                                f[3] = "40000";
                                return f;
                              }())}) {
    QProcess p;
    Prepare(p);
    p.setArguments({line});
    p.start();
    ASSERT_TRUE(p.waitForFinished(10000)) << line.toStdString();
    EXPECT_FALSE(p.readAllStandardError().contains(":  ")) << "no message box";
  }
}

TEST_F(ProgramsTest, ASecondCopyWarnsAndEndsWhileTheFirstKeepsRunning) {
  QProcess first;
  Prepare(first);
  first.setArguments({Line(Fields())});
  first.start();
  ASSERT_TRUE(first.waitForStarted());
  QByteArray firstErr;
  ASSERT_TRUE(WaitFor(first, firstErr, "system: 正在连接服务器...", true))
      << firstErr.toStdString();

  QProcess second;
  Prepare(second);
  second.setArguments(Fields().join("$ ").split(' '));  // arguments are joined with spaces
  second.start();
  ASSERT_TRUE(second.waitForFinished(10000));
  EXPECT_TRUE(
      QString::fromUtf8(second.readAllStandardError()).contains("警告: Korvel麻将游戏已经运行！"));
  EXPECT_EQ(first.state(), QProcess::Running);
  first.kill();
  first.waitForFinished();
}

TEST_F(ProgramsTest, TheLobbyStartsTheClientAndHearsFromIt) {
  QTemporaryDir logs;
  const QString clientLog = logs.filePath("client.log");
  env.insert("KORVEL_LOG", clientLog);
  // A server that accepts and stays silent keeps the client waiting for its login result.
  QTcpServer server;
  ASSERT_TRUE(ListenOnLaunchPort(server));
  const QString address = "127.0.0.1:" + QString::number(server.serverPort());
  QProcess lobby;
  lobby.setProcessEnvironment(env);
  lobby.start(kBin + "/korvel-lobby", {"--server", address, "--user", "alice"});
  QByteArray out;
  ASSERT_TRUE(WaitFor(lobby, out, "starting", false))
      << out.toStdString() << lobby.readAllStandardError().toStdString() << lobby.state();
  EXPECT_TRUE(out.contains("listening as \"Tesk山庄\""));
  EXPECT_TRUE(out.contains("alice$korvel$" + address.toUtf8().replace(':', '$') + "$"));
  EXPECT_TRUE(WaitFor(lobby, out, "message 22 from client: a login attempt starts", false))
      << out.toStdString();

  // A lobby request reaches the client under its window title.
  QFile log(clientLog);
  QElapsedTimer t;
  t.start();
  bool heard = false;
  while (!heard && t.elapsed() < 10000) {
    lobby.write("ask\n");
    lobby.waitForReadyRead(300);
    out += lobby.readAllStandardOutput();
    if (log.open(QIODevice::ReadOnly)) {
      heard = log.readAll().contains("lobby message 1125");
      log.close();
    }
  }
  EXPECT_TRUE(heard) << out.toStdString();

  // A client that fails at start-up asks this lobby to restore itself.
  QProcess failing;
  Prepare(failing);
  env.remove("KORVEL_LOG");
  failing.setProcessEnvironment(env);
  failing.setArguments({Line(Fields().mid(0, 14))});
  failing.start();
  failing.waitForFinished(10000);
  EXPECT_TRUE(WaitFor(lobby, out, "client asks to restore the lobby window", false))
      << out.toStdString();

  lobby.write("quit\n");
  EXPECT_TRUE(lobby.waitForFinished(10000));
}

TEST_F(ProgramsTest, ARefusedConnectionIsExplainedAndEndsTheClient) {
  QTcpServer probe;  // take a free port, then free it so nobody listens there
  ASSERT_TRUE(ListenOnLaunchPort(probe));
  const QString port = QString::number(probe.serverPort());
  probe.close();
  auto fields = Fields();
  fields[3] = port;
  fields[5] = "0";
  // The notice needs a lobby: without one the client ends silently.
  QProcess lobby;
  lobby.setProcessEnvironment(env);
  lobby.start(kBin + "/korvel-lobby", {"--no-client"});
  QByteArray out;
  ASSERT_TRUE(WaitFor(lobby, out, "listening", false));
  QProcess p;
  Prepare(p);
  p.setArguments({Line(fields)});
  p.start();
  ASSERT_TRUE(p.waitForFinished(20000));
  const QString err = QString::fromUtf8(p.readAllStandardError());
  EXPECT_TRUE(err.contains(
      "Korvel麻将- 网络连接提示: 尊敬的用户，游戏程序可能被您的防火墙(杀毒软件)阻止，\n"
      "导致游戏无法成功连接，请退出游戏重新设置防火墙或关闭防火墙，\n"
      "感谢您对Tesk游戏中心的支持！"))
      << err.toStdString();
  EXPECT_TRUE(WaitFor(lobby, out, "client asks to restore the lobby window", false));
  EXPECT_TRUE(out.contains("client asks to minimise the lobby window"));
  lobby.write("quit\n");
  lobby.waitForFinished(5000);
}

TEST_F(ProgramsTest, EveryProgramExplainsItself) {
  for (const char* program : {"korvel", "korvel-lobby", "korvel-server"}) {
    QProcess p;
    p.setProcessEnvironment(env);
    p.start(kBin + "/" + program, {"--help"});
    ASSERT_TRUE(p.waitForFinished(10000));
    EXPECT_EQ(p.exitCode(), 0) << program;
    EXPECT_TRUE(p.readAllStandardOutput().contains("Usage")) << program;
  }
}

TEST_F(ProgramsTest, TheHallWindowWithoutADisplaySaysWhatATerminalCanUse) {
  QProcessEnvironment bare = env;
  for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) bare.remove(name);
  QProcess p;
  p.setProcessEnvironment(bare);
  p.start(kBin + "/korvel-lobby", {});
  ASSERT_TRUE(p.waitForFinished(10000)) << "nothing waits for a window nobody sees";
  EXPECT_EQ(p.exitCode(), 2);
  EXPECT_TRUE(p.readAllStandardError().contains("--local"));
}

}  // namespace
