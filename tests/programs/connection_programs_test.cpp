// The real client on real sockets: a test server on loopback, and SOCKS5 through microsocks.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>

#include "program_environment.h"

namespace {

const QString kBin = KORVEL_BIN_DIR;

bool ListenBelow32768(QTcpServer& server) {
  for (quint16 port = 21000 + QCoreApplication::applicationPid() % 9000; port < 32767; port += 11) {
    if (server.listen(QHostAddress::LocalHost, port)) return true;
  }
  return false;
}

quint16 FreePort() {
  QTcpServer probe;
  if (!ListenBelow32768(probe)) return 0;
  return probe.serverPort();
}

QByteArray ReadExactly(QTcpSocket& s, int n, int ms) {
  QByteArray data;
  QElapsedTimer t;
  t.start();
  while (data.size() < n && t.elapsed() < ms) {
    if (s.bytesAvailable() == 0) s.waitForReadyRead(100);
    data += s.read(n - data.size());
  }
  return data;
}

class ConnectionProgramsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    env = ProgramEnvironment(runtime.path());
    lobby.setProcessEnvironment(env);
    lobby.start(kBin + "/korvel-lobby", {"--no-client"});
    ASSERT_TRUE(lobby.waitForReadyRead(10000));
    lobbyOut += lobby.readAllStandardOutput();
  }
  void TearDown() override {
    for (QProcess* p : {&client, &proxy, &lobby}) {
      if (p->state() != QProcess::NotRunning) {
        p->kill();
        p->waitForFinished(3000);
      }
    }
  }
  void StartClient(QStringList fields) {
    client.setProcessEnvironment(env);
    client.start(kBin + "/korvel", {fields.join('$') + '$'});
    ASSERT_TRUE(client.waitForStarted());
  }
  QStringList Direct(quint16 port) {
    return {"a", "k", "127.0.0.1", QString::number(port), "Room", "0", "", "0", "", "", "0", "",
            "",  "0", "0"};
  }
  QStringList ViaProxy(quint16 serverPort, quint16 proxyPort, QString user, QString pass) {
    QStringList f = Direct(serverPort);
    f[5] = "5";
    f[6] = "127.0.0.1";
    f[7] = QString::number(proxyPort);
    f[8] = user;
    f[9] = pass;
    return f;
  }
  void StartMicrosocks(quint16 port, QStringList auth) {
    const QString exe = QStandardPaths::findExecutable("microsocks");
    ASSERT_FALSE(exe.isEmpty()) << "microsocks is installed by scripts/setup";
    proxy.start(exe, QStringList{"-i", "127.0.0.1", "-p", QString::number(port)} + auth);
    ASSERT_TRUE(proxy.waitForStarted());
    // Ready once it accepts.
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < 5000) {
      QTcpSocket probe;
      probe.connectToHost("127.0.0.1", port);
      if (probe.waitForConnected(200)) return;
    }
    FAIL() << "microsocks did not start";
  }
  // Accepts the client and checks its login record; returns the connection.
  QTcpSocket* AcceptLogin(QTcpServer& server) {
    if (!server.waitForNewConnection(15000)) return nullptr;
    QTcpSocket* s = server.nextPendingConnection();
    const QByteArray login = ReadExactly(*s, 272, 10000);
    QByteArray expected(272, '\0');
    expected[3] = 18;
    expected[14] = 1;
    expected[16] = 'a';
    expected[32] = 'k';
    EXPECT_EQ(login, expected);
    return s;
  }
  bool StderrContains(const QString& text, int ms = 15000) {
    QElapsedTimer t;
    t.start();
    while (!clientErr.contains(text) && t.elapsed() < ms) {
      client.waitForReadyRead(100);
      clientErr += QString::fromUtf8(client.readAllStandardError());
    }
    return clientErr.contains(text);
  }

  QTemporaryDir runtime;
  QProcessEnvironment env;
  QProcess lobby, client, proxy;
  QByteArray lobbyOut;
  QString clientErr;
};

TEST_F(ConnectionProgramsTest, DirectLoginThenKeepAliveEveryFiveSeconds) {
  QTcpServer server;
  ASSERT_TRUE(ListenBelow32768(server));
  StartClient(Direct(server.serverPort()));
  QTcpSocket* s = AcceptLogin(server);
  ASSERT_NE(s, nullptr);
  QByteArray result(272, '\0');
  result[3] = 18;
  result[9] = 5;
  result[11] = 8;
  result[15] = 1;
  result[260] = 0x12;
  result[261] = 0x34;
  s->write(result);
  s->flush();
  QElapsedTimer t;
  t.start();
  const QByteArray keepAlive = ReadExactly(*s, 272, 8000);
  ASSERT_EQ(keepAlive.size(), 272);
  EXPECT_GE(t.elapsed(), 4000);
  EXPECT_EQ(keepAlive[3], 24);
  EXPECT_EQ(static_cast<uint8_t>(keepAlive[260]), 0x12);
  EXPECT_EQ(static_cast<uint8_t>(keepAlive[261]), 0x34);
  QElapsedTimer wait;
  wait.start();
  while (!lobbyOut.contains("message 771") && wait.elapsed() < 5000) {
    lobby.waitForReadyRead(100);
    lobbyOut += lobby.readAllStandardOutput();
  }
  EXPECT_TRUE(lobbyOut.contains("message 22 from client"));
  EXPECT_TRUE(lobbyOut.contains("message 771 from client"));
}

TEST_F(ConnectionProgramsTest, ThroughSocks5WithAndWithoutAPassword) {
  for (bool withPassword : {true, false}) {
    QTcpServer server;
    ASSERT_TRUE(ListenBelow32768(server));
    const quint16 proxyPort = FreePort();
    StartMicrosocks(proxyPort,
                    withPassword ? QStringList{"-u", "kv", "-P", "secret"} : QStringList{});
    StartClient(ViaProxy(server.serverPort(), proxyPort, withPassword ? "kv" : "",
                         withPassword ? "secret" : ""));
    QTcpSocket* s = AcceptLogin(server);
    ASSERT_NE(s, nullptr) << "password " << withPassword;
    EXPECT_TRUE(StderrContains("连接代理服务器成功！"));
    client.kill();
    client.waitForFinished();
    proxy.kill();
    proxy.waitForFinished();
    clientErr.clear();
  }
}

TEST_F(ConnectionProgramsTest, AWrongProxyPasswordIsReported) {
  const quint16 proxyPort = FreePort();
  StartMicrosocks(proxyPort, {"-u", "kv", "-P", "secret"});
  StartClient(ViaProxy(FreePort(), proxyPort, "kv", "wrong"));
  EXPECT_TRUE(StderrContains("Korvel麻将: 代理服务器用户验证失败！"));
}

TEST_F(ConnectionProgramsTest, AProxyRefusingEveryMethodIsReportedAndDropped) {
  QTcpServer fake;
  ASSERT_TRUE(ListenBelow32768(fake));
  StartClient(ViaProxy(FreePort(), fake.serverPort(), "u", "p"));
  ASSERT_TRUE(fake.waitForNewConnection(15000));
  QTcpSocket* s = fake.nextPendingConnection();
  EXPECT_EQ(ReadExactly(*s, 4, 5000), QByteArray("\x05\x02\x00\x02", 4));
  s->write(QByteArray("\x05\xff", 2));
  s->flush();
  EXPECT_TRUE(StderrContains("Korvel麻将: 请求代理失败！"));
  // The client closes its side.
  QElapsedTimer t;
  t.start();
  while (s->state() == QAbstractSocket::ConnectedState && t.elapsed() < 5000) {
    s->waitForDisconnected(100);
  }
  EXPECT_NE(s->state(), QAbstractSocket::ConnectedState);
}

}  // namespace
