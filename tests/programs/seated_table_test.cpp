// The whole chain on one machine: korvel-server with two computer players, korvel-lobby, and
// the real client in an offscreen window, seated and saving a picture of its table.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QSet>
#include <QTemporaryDir>

namespace {

const QString kBin = KORVEL_BIN_DIR;

TEST(SeatedTable, TheClientSitsDownWithTwoComputerPlayers) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const QString shot = dir.filePath("seated.png");
  const QString log = dir.filePath("client.log");
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("XDG_RUNTIME_DIR", dir.path());
  env.insert("XDG_STATE_HOME", dir.path() + "/state");
  env.insert("XDG_CONFIG_HOME", dir.path() + "/config");
  env.insert("QT_QPA_PLATFORM", "offscreen");
  env.insert("KORVEL_DIALOGS", "print");
  env.insert("KORVEL_LAYOUT", "full");
  env.insert("KORVEL_LOG", log);
  env.insert("KORVEL_SCREENSHOT", shot);
  env.insert("KORVEL_SCREENSHOT_AFTER_MS", "3000");

  const QString port = QString::number(22000 + QCoreApplication::applicationPid() % 9000);
  QProcess server;
  server.setProcessEnvironment(env);
  server.start(kBin + "/korvel-server",
               {"--port", port, "--bots", "2", "--start-seconds", "60", "--quiet"});
  ASSERT_TRUE(server.waitForStarted());
  QProcess lobby;
  lobby.setProcessEnvironment(env);
  QElapsedTimer t;
  t.start();
  QByteArray out;
  lobby.start(kBin + "/korvel-lobby", {"--server", "127.0.0.1:" + port, "--user", "tester"});
  ASSERT_TRUE(lobby.waitForStarted());
  // The client says in its log when the picture is complete.
  auto saved = [&] {
    QFile f(log);
    return f.open(QIODevice::ReadOnly) && f.readAll().contains("screenshot saved");
  };
  while (t.elapsed() < 20000 && !saved()) {
    lobby.waitForReadyRead(200);
    out += lobby.readAllStandardOutput();
  }
  out += lobby.readAllStandardOutput();
  lobby.write("quit\n");
  lobby.waitForFinished(5000);
  server.kill();
  server.waitForFinished();

  EXPECT_TRUE(out.contains("message 22 from client")) << out.toStdString();
  EXPECT_TRUE(out.contains("message 771 from client")) << out.toStdString();
  QFile clientLog(log);
  ASSERT_TRUE(clientLog.open(QIODevice::ReadOnly));
  const QString lines = QString::fromUtf8(clientLog.readAll());
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

}  // namespace
