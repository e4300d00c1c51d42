// The SOCKS5 negotiation byte by byte, the socket error notices and the dispatcher's routes.
#include "net/connection.h"

#include <gtest/gtest.h>

#include "support/client_fixture.h"

namespace korvel {
namespace {

using testing::ClientFixture;
using testing::ServerRecord;
using Bytes = std::vector<uint8_t>;

std::vector<std::string> ProxyFields(std::string host = "10.1.2.3") {
  auto f = testing::DirectFields();
  f[2] = host;
  f[5] = "5";
  f[6] = "proxy";
  f[7] = "1080";
  f[8] = "user";
  f[9] = "pw";
  return f;
}

class ProxyTest : public ClientFixture {
 protected:
  void StartProxy(std::string host = "10.1.2.3") {
    ASSERT_TRUE(Start(ProxyFields(host)));
    ASSERT_EQ(vp.socket.host, "proxy");
    ASSERT_EQ(vp.socket.port, 1080);
  }
  void Reply(Bytes bytes) { vp.socket.Deliver(bytes); }
  Bytes LastSent() const { return vp.socket.sent.back(); }
};

TEST_F(ProxyTest, AuthenticatesWhenAskedThenConnectsAndLogsIn) {
  StartProxy();
  EXPECT_EQ(LastSent(), (Bytes{5, 2, 0, 2}));
  Reply({5, 2});
  EXPECT_EQ(LastSent(), (Bytes{1, 4, 'u', 's', 'e', 'r', 2, 'p', 'w'}));
  Reply({1, 0});
  EXPECT_EQ(LastSent(), (Bytes{5, 1, 0, 1, 10, 1, 2, 3, 6000 >> 8, 6000 & 0xFF}));
  EXPECT_FALSE(client.mainLoop().Running());
  Reply({5, 0, 0, 1, 0, 0, 0, 0, 0, 0});
  EXPECT_TRUE(client.connection().RecordMode);
  EXPECT_TRUE(client.mainLoop().Running());
  ASSERT_EQ(vp.socket.sent.size(), 4u);
  EXPECT_EQ(LastSent()[3], kCmdLogin);
  EXPECT_EQ(vp.lobby.PostedNumbers("Tesk山庄"), std::vector<uint32_t>{kMsgConnected});
  EXPECT_EQ(client.messages().Lines(0), std::vector<std::string>{"连接代理服务器成功！"});
}

TEST_F(ProxyTest, SkipsAuthenticationWhenTheProxyNeedsNone) {
  StartProxy();
  Reply({5, 0});
  EXPECT_EQ(LastSent()[0], 5);
  EXPECT_EQ(LastSent()[1], 1);
}

TEST_F(ProxyTest, RepliesArrivingByteByByteAreJudgedWhole) {
  StartProxy();
  Reply({5});
  EXPECT_EQ(vp.socket.sent.size(), 1u) << "one byte is not a reply yet";
  Reply({2});
  EXPECT_EQ(vp.socket.sent.size(), 2u);
  Reply({1});
  Reply({0});
  ASSERT_EQ(vp.socket.sent.size(), 3u);
  for (uint8_t b : Bytes{5, 0, 0, 1, 127, 0, 0}) Reply({b});
  EXPECT_FALSE(client.connection().RecordMode) << "the connect reply is not complete";
  Reply({1, 0x17});
  EXPECT_FALSE(client.connection().RecordMode);
  Reply({0x70});
  EXPECT_TRUE(client.connection().RecordMode);
  EXPECT_EQ(client.records().ReceivedBytes(), 0u) << "the reply's address is not a record";
}

TEST_F(ProxyTest, ServerBytesRightAfterTheReplyGoToTheRecords) {
  StartProxy();
  Reply({5, 0});
  Bytes reply{5, 0, 0, 1, 1, 2, 3, 4, 0, 80};
  RecordBytes login = ServerRecord(kCmdLogin, 0, {0, 8, 0, 1});
  reply.insert(reply.end(), login.begin(), login.end());
  Reply(reply);
  EXPECT_EQ(client.records().ReceivedBytes(), kRecordSize);
  ASSERT_EQ(Run(100), -1);
  EXPECT_TRUE(client.loop().TableActive);
}

TEST_F(ProxyTest, AHostNameIsSentForTheProxyToResolve) {
  StartProxy("game.example");
  Reply({5, 0});
  Bytes expected{5, 1, 0, 3, 12};
  for (char c : std::string("game.example")) expected.push_back(static_cast<uint8_t>(c));
  expected.push_back(6000 >> 8);
  expected.push_back(6000 & 0xFF);
  EXPECT_EQ(LastSent(), expected);
}

TEST_F(ProxyTest, EachFailedStepHasItsOwnMessageAndClosesTheSocket) {
  struct Case {
    std::vector<Bytes> replies;
    const char* text;
  };
  for (const Case& c : std::vector<Case>{{{{5, 255}}, "请求代理失败！"},
                                         {{{4, 0}}, "请求代理失败！"},
                                         {{{5, 2}, {1, 1}}, "代理服务器用户验证失败！"},
                                         {{{5, 0}, {5, 5, 0, 1}}, "通过代理连接主站失败！"},
                                         {{{5, 0}, {0, 0}}, "通过代理连接主站失败！"}}) {
    VirtualPlatform fresh;
    fresh.lobby.windows.insert("Tesk山庄");
    Client c2(fresh.platform());
    c2.Startup(testing::LaunchLine(ProxyFields()));
    for (const Bytes& r : c.replies) fresh.socket.Deliver(r);
    ASSERT_EQ(fresh.dialogs.shown.size(), 1u) << c.text;
    EXPECT_EQ(fresh.dialogs.shown[0].text, c.text);
    EXPECT_EQ(fresh.dialogs.shown[0].title, "Korvel麻将");
    EXPECT_FALSE(fresh.socket.IsConnected());
    EXPECT_FALSE(c2.mainLoop().Running()) << "at start-up the client then just waits";
  }
}

// "5 0" is a success whatever follows, nothing included: once nothing more comes for a moment
// the login leaves.
TEST_F(ProxyTest, AConnectReplyCutShortAfterItsSuccessBytesSucceedsAfterAMoment) {
  StartProxy();
  Reply({5, 0});
  Reply({5, 0});
  EXPECT_FALSE(client.connection().RecordMode) << "the rest of the reply may still come";
  ASSERT_EQ(Run(kProxyShortReplyMs + 50), -1);
  EXPECT_TRUE(client.connection().RecordMode);
  EXPECT_EQ(LastSent()[3], kCmdLogin);
  EXPECT_TRUE(client.mainLoop().Running());
  EXPECT_TRUE(vp.dialogs.shown.empty());
  // The server's records follow as records.
  RecordBytes login = ServerRecord(kCmdLogin, 0, {0, 8, 0, 1});
  Reply(Bytes(login.begin(), login.end()));
  EXPECT_EQ(client.records().ReceivedBytes(), kRecordSize);
}

TEST_F(ProxyTest, ASilentProxyFailsEachStepWithItsOwnMessage) {
  struct Case {
    std::vector<Bytes> replies;
    const char* text;
  };
  for (const Case& c : std::vector<Case>{{{}, "请求代理失败！"},
                                         {{{5, 2}}, "代理服务器用户验证失败！"},
                                         {{{5, 0}}, "通过代理连接主站失败！"},
                                         {{{5, 0}, {5}}, "通过代理连接主站失败！"}}) {
    VirtualPlatform fresh;
    fresh.lobby.windows.insert("Tesk山庄");
    Client c2(fresh.platform());
    c2.Startup(testing::LaunchLine(ProxyFields()));
    for (const Bytes& r : c.replies) fresh.socket.Deliver(r);
    fresh.timers.Advance(kProxyStepLimitMs - 100);
    EXPECT_TRUE(fresh.dialogs.shown.empty()) << c.text;
    fresh.timers.Advance(200);
    ASSERT_EQ(fresh.dialogs.shown.size(), 1u) << c.text;
    EXPECT_EQ(fresh.dialogs.shown[0].text, c.text);
    EXPECT_FALSE(fresh.socket.IsConnected());
  }
}

TEST_F(ProxyTest, AProxyThatNeverStopsTalkingEndsTheClient) {
  StartProxy();
  Bytes flood(1100, 5);  // no proxy answers a greeting with a kilobyte
  EXPECT_THROW(vp.socket.Deliver(flood), ClientEnded);
  EXPECT_EQ(vp.lobby.deliveries.back().message.param1, kScRestore);
}

TEST(Socks5, ConnectReplyLengthFollowsTheAddressType) {
  EXPECT_EQ(socks5::ConnectReplyLength(Bytes{5, 0, 0}), 0u);
  EXPECT_EQ(socks5::ConnectReplyLength(Bytes{5, 0, 0, 1}), 10u);
  EXPECT_EQ(socks5::ConnectReplyLength(Bytes{5, 0, 0, 4}), 22u);
  EXPECT_EQ(socks5::ConnectReplyLength(Bytes{5, 0, 0, 3}), 0u);
  EXPECT_EQ(socks5::ConnectReplyLength(Bytes{5, 0, 0, 3, 9}), 16u);
}

class SocketErrorTest : public ClientFixture {};

TEST_F(SocketErrorTest, TheFourKnownErrorsAreExplainedThenTheClientEnds) {
  for (int number : {10057, 10058, 10061, 11053}) {
    VirtualPlatform fresh;
    fresh.lobby.windows.insert("Tesk山庄");
    fresh.socket.nextConnectResult = number;
    Client c(fresh.platform());
    c.Startup(testing::LaunchLine(testing::DirectFields()));
    EXPECT_THROW(fresh.timers.Advance(100), ClientEnded) << number;
    ASSERT_EQ(fresh.dialogs.shown.size(), 1u);
    EXPECT_EQ(fresh.dialogs.shown[0].title, "Korvel麻将- 网络连接提示");
    EXPECT_EQ(fresh.dialogs.shown[0].text.rfind("尊敬的用户，", 0), 0u);
    ASSERT_EQ(fresh.lobby.deliveries.size(), 2u);
    EXPECT_EQ(fresh.lobby.deliveries[0].message.param1, kScMinimize);
    EXPECT_EQ(fresh.lobby.deliveries[1].message.param1, kScRestore);
  }
  EXPECT_EQ(vp.dialogs.shown.size(), 0u);
}

TEST_F(SocketErrorTest, OtherErrorsAreIgnoredAndAMissingLobbyMeansNoMessage) {
  vp.socket.nextConnectResult = 12345;
  ASSERT_TRUE(Start());
  EXPECT_EQ(Run(100), -1);
  EXPECT_TRUE(vp.dialogs.shown.empty());

  VirtualPlatform lonely;
  lonely.socket.nextConnectResult = 10061;
  Client c(lonely.platform());
  c.Startup(testing::LaunchLine(testing::DirectFields()));
  EXPECT_THROW(lonely.timers.Advance(100), ClientEnded);
  EXPECT_TRUE(lonely.dialogs.shown.empty());
}

TEST_F(SocketErrorTest, ASocketThatNeverConnectsTimesOut) {
  vp.socket.nextConnectResult = -1;  // neither connected nor an error
  ASSERT_TRUE(Start());
  EXPECT_GE(Run(kConnectTimeoutMs + 1000), 0);
  ASSERT_EQ(vp.dialogs.shown.size(), 1u);
  EXPECT_NE(vp.dialogs.shown[0].text.find("网络连接超时"), std::string::npos);
}

class DispatchTest : public ClientFixture {};

TEST_F(DispatchTest, UnknownCommandsFollowTheTagButPrivateOnesDoNot) {
  LogIn();
  for (int command : {0, 100, 46}) {
    RecordBytes r = ServerRecord(command);
    r[260] = static_cast<uint8_t>(command + 1);
    Deliver(r);
    ASSERT_EQ(Run(100), -1);
    EXPECT_EQ(client.records().ServerTag[0], command + 1) << command;
  }
  // An accepted reconnection: a refused one would end the client.
  RecordBytes reconnect = ServerRecord(kCmdPrivate29, 0, {0, 0, 0, 1});
  reconnect[260] = 99;
  Deliver(reconnect);
  ASSERT_EQ(Run(100), -1);
  EXPECT_EQ(client.records().ServerTag[0], 47);
  EXPECT_FALSE(client.props().PropScorePending) << "props are off";
}

TEST_F(DispatchTest, ChatTurnsTheSenderIntoAViewPosition) {
  LogIn();
  client.table().players[0].seatMask = 4;
  RecordBytes chat = ServerRecord(kCmdChat, 1);
  chat[16] = 'h';
  Deliver(chat);
  ASSERT_EQ(Run(100), -1);
  EXPECT_EQ(client.records().Rinfo.seat, 2);
  EXPECT_EQ(client.messages().Lines(1).back(), "h");
}

TEST_F(DispatchTest, SeatNamesCollectByAnnouncedSeat) {
  LogIn();
  RecordBytes seat = ServerRecord(3, 2);
  const std::string name = "bob";
  std::copy(name.begin(), name.end(), seat.begin() + 16);
  Deliver(seat);
  ASSERT_EQ(Run(100), -1);
  EXPECT_EQ(client.table().seating.SeatName[1], "bob");
}

}  // namespace
}  // namespace korvel
