// The game connection on real loopback sockets: one connection request per attempt, refused or
// not, the error numbers the client explains, and bytes both ways once connected.
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QTcpServer>
#include <QTcpSocket>
#include <vector>

#include "qt_app.h"
#include "qt_platform.h"

namespace korvel {
namespace {

struct Events : SocketEvents {
  void OnConnected() override { ++connected; }
  void OnDataArrival(std::span<const uint8_t> bytes) override {
    data.insert(data.end(), bytes.begin(), bytes.end());
  }
  void OnSocketClose() override { ++closed; }
  void OnSocketError(int number) override { errors.push_back(number); }
  int connected = 0, closed = 0;
  std::vector<uint8_t> data;
  std::vector<int> errors;
};

template <class Done>
bool Pump(Done done, int ms = 3000) {
  QElapsedTimer t;
  t.start();
  while (!done() && t.elapsed() < ms) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
  return done();
}

// A port nobody listens on: taken from a listener that is closed again.
uint16_t ClosedPort() {
  QTcpServer probe;
  probe.listen(QHostAddress::LocalHost);
  const uint16_t port = probe.serverPort();
  probe.close();
  return port;
}

TEST(QtSocketTest, ARefusedAttemptReportsOnceAndNeverTriesAgain) {
  TestApp();
  QtSocket socket;
  Events events;
  socket.SetEvents(&events);
  const uint16_t port = ClosedPort();
  socket.Connect("127.0.0.1", port);
  ASSERT_TRUE(Pump([&] { return !events.errors.empty(); }));
  // Had the socket tried again behind the client's back, a listener opened now would see it.
  QTcpServer late;
  ASSERT_TRUE(late.listen(QHostAddress::LocalHost, port));
  Pump([] { return false; }, 300);
  EXPECT_FALSE(late.hasPendingConnections());
  EXPECT_EQ(events.errors, std::vector<int>{kErrRefused});
  EXPECT_EQ(events.connected, 0);
  EXPECT_FALSE(socket.IsConnected());
}

TEST(QtSocketTest, OneAttemptIsOneConnectionThatCarriesBytesBothWays) {
  TestApp();
  QTcpServer server;
  ASSERT_TRUE(server.listen(QHostAddress::LocalHost));
  QtSocket socket;
  Events events;
  socket.SetEvents(&events);
  socket.Connect("localhost", server.serverPort());
  ASSERT_TRUE(Pump([&] { return events.connected == 1; })) << "errors: " << events.errors.size();
  EXPECT_TRUE(socket.IsConnected());
  ASSERT_TRUE(Pump([&] { return server.hasPendingConnections(); }));
  QTcpSocket* peer = server.nextPendingConnection();
  EXPECT_FALSE(server.hasPendingConnections()) << "a second connection";
  const uint8_t hello[3] = {1, 2, 3};
  EXPECT_TRUE(socket.Send(hello));
  ASSERT_TRUE(Pump([&] { return peer->bytesAvailable() == 3; }));
  peer->write("abcd");
  ASSERT_TRUE(Pump([&] { return events.data.size() == 4; }));
  peer->close();
  ASSERT_TRUE(Pump([&] { return events.closed == 1; }));
  EXPECT_TRUE(events.errors.empty()) << "a connection that breaks is a close, not an error";
}

TEST(QtSocketTest, CloseWhileConnectingReportsNothing) {
  TestApp();
  QtSocket socket;
  Events events;
  socket.SetEvents(&events);
  socket.Connect("127.0.0.1", ClosedPort());
  socket.Close();
  Pump([] { return false; }, 300);
  EXPECT_TRUE(events.errors.empty());
  EXPECT_EQ(events.connected, 0);
}

}  // namespace
}  // namespace korvel
