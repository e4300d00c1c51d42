// Getting back after a dropped connection, in virtual time: the countdown and the attempts, the
// reconnection record, the server's verdict, and what the procedure must never do (end the
// client on a refused attempt, forget queued records, misread the new connection's records).
#include "net/reconnection.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "support/client_fixture.h"

namespace korvel {
namespace {

using testing::ClientFixture;
using testing::ServerRecord;

class ReconnectionTest : public ClientFixture {
 protected:
  // Logs in, then the server side of the connection goes away.
  void LoseConnection() {
    LogIn();
    vp.socket.PeerClose();
    ASSERT_EQ(Run(50), -1);
    ASSERT_TRUE(client.reconnection().Active());
    connectsBefore = vp.socket.connects;
  }
  std::vector<RecordBytes> SentRecords() const {
    std::vector<RecordBytes> out;
    for (const auto& bytes : vp.socket.sent) {
      if (bytes.size() != kRecordSize) continue;
      RecordBytes r;
      std::copy(bytes.begin(), bytes.end(), r.begin());
      out.push_back(r);
    }
    return out;
  }
  int connectsBefore = 0;
  // Logs in through the proxy "proxy" to the server 10.0.0.1.
  void ProxyLogIn() {
    auto fields = testing::DirectFields();
    fields[2] = "10.0.0.1";
    fields[5] = "5";
    fields[6] = "proxy";
    fields[7] = "1080";
    ASSERT_TRUE(Start(fields));
    ProxyAnswers(true);
    Deliver(ServerRecord(kCmdLogin, 0, {5, 8, 0, 1}));
    ASSERT_EQ(Run(100), -1);
  }
  // The proxy's greeting reply, then its connect reply: reached the server or not.
  void ProxyAnswers(bool reached) {
    vp.socket.Deliver(std::vector<uint8_t>{5, 0});
    vp.socket.Deliver(
        std::vector<uint8_t>{5, static_cast<uint8_t>(reached ? 0 : 1), 0, 1, 0, 0, 0, 0, 0, 0});
  }
};

TEST(ReconnectRecord, CarriesTheCommandTheTagAndTheKeyLowByteFirst) {
  const LoginRecordResult login = BuildLoginRecord("alice", "key");
  ASSERT_TRUE(login.ok);
  RecordBytes r = login.record;
  MarkReconnectRecord(r, {7, 9}, 384);
  EXPECT_EQ(r[3], 28);
  EXPECT_EQ(r[14], 1);
  EXPECT_EQ(r[16], 'a');
  EXPECT_EQ(r[32], 'k');
  EXPECT_EQ(r[260], 7);
  EXPECT_EQ(r[261], 9);
  EXPECT_EQ((std::array<uint8_t, 4>{r[268], r[269], r[270], r[271]}),
            (std::array<uint8_t, 4>{0x80, 0x01, 0x00, 0x00}));
  MarkReconnectRecord(r, {0, 0}, -2);
  EXPECT_EQ((std::array<uint8_t, 4>{r[268], r[269], r[270], r[271]}),
            (std::array<uint8_t, 4>{0xFE, 0xFF, 0xFF, 0xFF}));
}

TEST_F(ReconnectionTest, TheFirstAttemptComesFourSecondsAfterTheDropAndLogsInAgain) {
  RecordBytes tagged = ServerRecord(30);
  tagged[260] = 3;
  tagged[261] = 4;
  LogIn();
  Deliver(tagged);
  ASSERT_EQ(Run(100), -1);
  client.records().ReconnectKey = 384;
  vp.socket.sent.clear();
  vp.socket.PeerClose();
  ASSERT_EQ(Run(50), -1);
  EXPECT_FALSE(client.loop().TableActive);
  EXPECT_FALSE(client.loop().LoopFlag[kStepConnectionWatch]);
  const int connects = vp.socket.connects;
  ASSERT_EQ(Run(3900), -1);
  EXPECT_EQ(vp.socket.connects, connects) << "one second of countdown, then three to the first";
  ASSERT_EQ(Run(300), -1);
  EXPECT_EQ(vp.socket.connects, connects + 1);
  EXPECT_EQ(vp.socket.host, "h");
  EXPECT_EQ(client.messages().Lines(0), std::vector<std::string>{"正在重新连接服务器..."});
  const auto sent = SentRecords();
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(sent[0][3], kCmdReconnect);
  EXPECT_EQ(sent[0][260], 3);
  EXPECT_EQ(sent[0][261], 4);
  EXPECT_EQ(sent[0][268], 0x80);
  EXPECT_EQ(sent[0][269], 0x01);
  EXPECT_TRUE(client.loop().LoopFlag[kStepConnectionWatch]) << "watching the new connection";
  // The next tick of the attempt timer finds the socket up and ends the procedure.
  ASSERT_EQ(Run(3000), -1);
  EXPECT_FALSE(client.reconnection().Active());
  EXPECT_EQ(vp.socket.connects, connects + 1);
  EXPECT_FALSE(vp.timers.Running(kTimerCount));
}

TEST_F(ReconnectionTest, TheWindowOfTheProcedureIsLoadedButNeverShown) {
  LoseConnection();
  const FormId form = client.reconnection().form();
  ASSERT_NE(form, kNoForm);
  EXPECT_EQ(client.view().scene().form(form).name(), kReconnectFormName);
  EXPECT_TRUE(client.reconnection().FormLoaded());
  for (int t = 0; t < 10; ++t) {
    ASSERT_EQ(Run(1000), -1);
    EXPECT_FALSE(client.view().scene().form(form).visible());
  }
  EXPECT_FALSE(client.reconnection().FormLoaded()) << "unloaded once the socket is back";
}

TEST_F(ReconnectionTest, RefusedAttemptsAreRetriedAndTheTwentySecondFailureEndsTheClient) {
  LoseConnection();
  vp.socket.nextConnectResult = kErrRefused;
  vp.dialogs.shown.clear();
  // Twenty-one attempts, one every three seconds, the first four seconds after the drop.
  ASSERT_EQ(Run(4000 + 20 * 3000 + 100), -1) << "a refused attempt never ends the client";
  EXPECT_EQ(vp.socket.connects, connectsBefore + 21);
  EXPECT_EQ(client.reconnection().ReconnectTries, 21);
  EXPECT_TRUE(vp.dialogs.shown.empty()) << "no firewall notice while reconnecting";
  EXPECT_EQ(Run(3000), 1);
  ASSERT_EQ(vp.dialogs.shown.size(), 1u);
  EXPECT_EQ(vp.dialogs.shown[0].text, "重连失败，请检查您的网络！");
  EXPECT_EQ(vp.socket.connects, connectsBefore + 21);
  ASSERT_FALSE(vp.lobby.deliveries.empty());
  EXPECT_EQ(vp.lobby.deliveries.back().message.param1, kScRestore);
}

// The lobby hears of every attempt's login, refused or not, once each.
TEST_F(ReconnectionTest, EveryAttemptsLoginStepTellsTheLobbyOnce) {
  LoseConnection();
  vp.lobby.deliveries.clear();
  vp.socket.nextConnectResult = kErrRefused;
  // Three attempts, each with its login step four ticks later.
  ASSERT_EQ(Run(4000 + 2 * 3000 + 300), -1);
  ASSERT_EQ(vp.socket.connects, connectsBefore + 3);
  auto logins = [&] {
    const auto posted = vp.lobby.PostedNumbers("Tesk山庄");
    return std::count(posted.begin(), posted.end(), uint32_t{kMsgLogin});
  };
  EXPECT_EQ(logins(), 3);
  vp.socket.nextConnectResult = 0;
  ASSERT_EQ(Run(3000), -1);
  EXPECT_EQ(vp.socket.connects, connectsBefore + 4);
  EXPECT_EQ(logins(), 4) << "the attempt that got through";
}

TEST_F(ReconnectionTest, AConnectionBackBetweenTwoTicksEndsTheProcedureWithoutAnotherAttempt) {
  LoseConnection();
  vp.socket.nextConnectResult = kErrRefused;
  ASSERT_EQ(Run(4100), -1);
  EXPECT_EQ(vp.socket.connects, connectsBefore + 1);
  // The socket comes up on its own before the next tick.
  vp.socket.nextConnectResult = 0;
  vp.socket.Connect("h", 6000);
  ASSERT_EQ(Run(3000), -1);
  EXPECT_FALSE(client.reconnection().Active());
  EXPECT_EQ(vp.socket.connects, connectsBefore + 2) << "only the connection made by hand";
}

TEST_F(ReconnectionTest, AnAcceptedReconnectionSendsWhatWaitedAndKeepsTheTag) {
  LogIn();
  RecordBytes tagged = ServerRecord(30);
  tagged[260] = 1;
  tagged[261] = 2;
  Deliver(tagged);
  ASSERT_EQ(Run(100), -1);
  vp.socket.PeerClose();
  ASSERT_EQ(Run(50), -1);
  // A record made while the connection is down waits in the ring.
  CommandInfo keepAlive;
  keepAlive.command = 24;
  client.records().SendCommand(keepAlive);
  ASSERT_EQ(Run(4200), -1);
  vp.socket.sent.clear();
  RecordBytes accepted = ServerRecord(kCmdPrivate29, 0, {0, 0, 0, 1});
  accepted[260] = 9;
  accepted[261] = 9;
  Deliver(accepted);
  ASSERT_EQ(Run(200), -1);
  EXPECT_EQ(client.messages().Lines(0), std::vector<std::string>{"正在重连服务器，请等待...！"});
  EXPECT_TRUE(client.messages().Lines(1).empty());
  EXPECT_TRUE(client.loop().TableActive);
  EXPECT_TRUE(client.reconnection().Reconnected);
  EXPECT_EQ(client.records().ServerTag, (std::array<uint8_t, 2>{1, 2}));
  const auto sent = SentRecords();
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(sent[0][3], 24);
}

TEST_F(ReconnectionTest, TheTurnTheDropCutOffDoesNotPlayItselfOnceTheConnectionIsBack) {
  LogIn();
  client.loop().LocalTurn = true;
  client.loop().TurnClock = 2;
  client.loop().Arm(kStepTurnClock);
  vp.socket.PeerClose();
  ASSERT_EQ(Run(4200), -1);
  Deliver(ServerRecord(kCmdPrivate29, 0, {0, 0, 0, 1}));
  ASSERT_EQ(Run(6000), -1);
  for (const RecordBytes& r : SentRecords()) {
    EXPECT_NE(r[3], 7) << "no pass for the old turn";
    EXPECT_NE(r[3], 2) << "no discard for the old turn";
  }
  EXPECT_FALSE(client.loop().LoopFlag[kStepTurnClock]);
}

TEST_F(ReconnectionTest, ARefusedReconnectionEndsTheClientWithItsMessage) {
  LoseConnection();
  ASSERT_EQ(Run(4200), -1);
  Deliver(ServerRecord(kCmdPrivate29, 0, {0, 0, 0, 2}));
  EXPECT_EQ(Run(200), 1);
  ASSERT_FALSE(vp.dialogs.shown.empty());
  EXPECT_EQ(vp.dialogs.shown.back().text, "重连服务器失败，退出后请重新入座！");
  EXPECT_EQ(vp.dialogs.shown.back().title, "Korvel麻将");
}

TEST_F(ReconnectionTest, HalfARecordCutOffByTheDropDoesNotShiftTheNewConnection) {
  LogIn();
  RecordBytes cut = ServerRecord(30);
  vp.socket.Deliver(std::span<const uint8_t>(cut.data(), 100));
  vp.socket.PeerClose();
  ASSERT_EQ(Run(4200), -1);
  const uint64_t before = client.dispatcher().Dispatched;
  RecordBytes tagged = ServerRecord(30);
  tagged[260] = 5;
  tagged[261] = 6;
  Deliver(tagged);
  ASSERT_EQ(Run(200), -1);
  EXPECT_EQ(client.dispatcher().Dispatched, before + 1);
  EXPECT_EQ(client.records().ServerTag, (std::array<uint8_t, 2>{5, 6}));
}

TEST_F(ReconnectionTest, LosingTheConnectionBeforeTheLoginResultStartsNothing) {
  ASSERT_TRUE(Start());
  ASSERT_EQ(Run(200), -1);
  vp.socket.PeerClose();
  ASSERT_EQ(Run(10000), -1);
  EXPECT_FALSE(client.reconnection().Active());
  EXPECT_EQ(vp.socket.connects, 1);
}

TEST_F(ReconnectionTest, ThroughTheProxyTheQueuedRecordsSurviveTheNegotiation) {
  ProxyLogIn();
  vp.socket.PeerClose();
  ASSERT_EQ(Run(50), -1);
  CommandInfo keepAlive;
  keepAlive.command = 24;
  client.records().SendCommand(keepAlive);
  ASSERT_EQ(Run(4100), -1);
  EXPECT_EQ(vp.socket.host, "proxy");
  EXPECT_EQ(client.records().QueuedBytes(), kRecordSize) << "the queued record is still there";
  vp.socket.sent.clear();
  vp.socket.Deliver(std::vector<uint8_t>{5, 0});
  vp.socket.Deliver(std::vector<uint8_t>{5, 0, 0, 1, 0, 0, 0, 0, 0, 0});
  const auto sent = SentRecords();
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(sent[0][3], kCmdReconnect);
}

TEST_F(ReconnectionTest, ARecordTheTableCannotFollowReconnectsOnceADealAndEndsTheSecondTime) {
  vp.screen.width = 1280;
  vp.screen.height = 1024;
  LogIn();
  for (int v = 0; v < kSeats; ++v)
    client.table().players[v].seatMask = uint8_t(MaskOf((3 - v) % 3));
  Deliver(ServerRecord(4, 1, {3, 1}));
  ASSERT_EQ(Run(3000), -1);
  ASSERT_TRUE(client.loop().InDeal);
  // The left seat discards before it holds a tile; the record behind it builds on that.
  Deliver(ServerRecord(2, 4, {0, 0, 0, 0x23}));
  Deliver(ServerRecord(2, 2, {0, 0, 0, 0x24}));
  ASSERT_EQ(Run(300), -1);
  EXPECT_TRUE(vp.log.Contains("the table lost track"));
  EXPECT_FALSE(vp.socket.IsConnected()) << "the connection is given up at once";
  EXPECT_FALSE(client.records().RecordWaiting()) << "what came after it is dropped";
  vp.socket.sent.clear();
  ASSERT_EQ(Run(4200), -1);
  const auto sent = SentRecords();
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(sent[0][3], kCmdReconnect) << "back as after a drop";
  Deliver(ServerRecord(kCmdPrivate29, 0, {0, 0, 0, 1}));
  ASSERT_EQ(Run(200), -1);
  EXPECT_TRUE(vp.dialogs.shown.empty());

  // The same deal goes wrong again: the table is given up.
  Deliver(ServerRecord(2, 4, {0, 0, 0, 0x23}));
  EXPECT_EQ(Run(300), 1);
  ASSERT_EQ(vp.dialogs.shown.size(), 1u);
  EXPECT_EQ(vp.dialogs.shown[0].text, kResyncFailedText);
  EXPECT_EQ(vp.lobby.deliveries.back().message.param1, kScRestore);
}

TEST_F(ReconnectionTest, EachDealMayResynchroniseOnce) {
  LogIn();
  client.loop().InDeal = true;
  client.reconnection().Resynchronise("first");
  EXPECT_TRUE(client.reconnection().Resynchronising());
  client.reconnection().Resynchronise("while on the way");
  ASSERT_EQ(Run(4200), -1);
  Deliver(ServerRecord(kCmdPrivate29, 0, {0, 0, 0, 1}));
  ASSERT_EQ(Run(200), -1);
  EXPECT_FALSE(client.reconnection().Resynchronising());
  client.reconnection().DealEnded();
  client.loop().InDeal = true;
  client.reconnection().Resynchronise("the next deal");
  EXPECT_TRUE(client.reconnection().Resynchronising()) << "a new deal, a new chance";
  EXPECT_TRUE(vp.dialogs.shown.empty());
}

class ProxyReconnectionTest : public ReconnectionTest {
 protected:
  // Drops the connection and lets the server accept the reconnection through the proxy.
  void ReconnectThroughProxy() {
    client.records().ReconnectKey = 384;
    vp.socket.PeerClose();
    ASSERT_EQ(Run(4100), -1);
    ProxyAnswers(true);
    ASSERT_EQ(SentRecords().back()[3], kCmdReconnect);
    Deliver(ServerRecord(kCmdPrivate29, 0, {0, 0, 0, 1}));
    ASSERT_EQ(Run(200), -1);
    ASSERT_TRUE(client.reconnection().Reconnected);
  }
};

TEST_F(ProxyReconnectionTest, LoggingInAgainAfterAReconnectionIsAFreshLogin) {
  ProxyLogIn();
  ReconnectThroughProxy();
  ASSERT_EQ(Ask(kMsgLeaveNow), -1);
  vp.socket.sent.clear();
  ASSERT_EQ(Ask(kMsgLogin), -1);
  ProxyAnswers(true);
  const auto sent = SentRecords();
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(sent[0][3], kCmdLogin);
  for (size_t at : {260u, 261u, 268u, 269u, 270u, 271u}) EXPECT_EQ(sent[0][at], 0) << at;
  EXPECT_EQ(sent[0], BuildLoginRecord("a", "k").record);
}

TEST_F(ProxyReconnectionTest, AnAcceptedReconnectionLetsTheLobbyTakeThePlayerAwayBetweenDeals) {
  ProxyLogIn();
  ReconnectThroughProxy();
  EXPECT_FALSE(client.connection().Connected) << "the login is no longer pending";
  client.loop().InDeal = false;
  vp.lobby.deliveries.clear();
  ASSERT_EQ(Ask(kMsgConnected), -1);
  ASSERT_FALSE(vp.lobby.deliveries.empty());
  EXPECT_EQ(vp.lobby.deliveries.back().message.number, kMsgLeaveNow);
}

TEST_F(ProxyReconnectionTest, AProxyThatCannotReachTheServerIsOneFailedAttemptEachTime) {
  ProxyLogIn();
  vp.socket.PeerClose();
  vp.dialogs.shown.clear();
  const int before = vp.socket.connects;
  ASSERT_EQ(Run(4100), -1);
  for (int attempt = 1; attempt <= 5; ++attempt) {
    EXPECT_EQ(vp.socket.connects - before, attempt);
    ProxyAnswers(false);
    ASSERT_EQ(Run(3000), -1);
  }
  EXPECT_TRUE(vp.dialogs.shown.empty()) << "no notice per attempt";
  EXPECT_EQ(client.reconnection().ReconnectTries, 6);
  EXPECT_TRUE(client.reconnection().Active());
}

}  // namespace
}  // namespace korvel
