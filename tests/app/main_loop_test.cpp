// The 50 ms loop in virtual time: pacing of records both ways, the hold-back between deals, the
// clock, the watchdog, keep-alive and the login result.
#include "app/main_loop.h"

#include <gtest/gtest.h>

#include "app/tick_schedule.h"
#include "support/client_fixture.h"

namespace korvel {
namespace {

using testing::ClientFixture;
using testing::ServerRecord;

class MainLoopTest : public ClientFixture {};

// Late ticks are made up so twenty come in a second; a long pause starts the beat again.
TEST(TickSchedule, LateTicksAreMadeUpAndLongPausesAreNot) {
  TickSchedule beat(50);
  EXPECT_EQ(beat.Begin(1000), 50);
  // Each tick fires and works 12 ms late: the next comes that much sooner.
  int64_t now = 1000;
  for (int i = 1; i <= 20; ++i) {
    now = 1000 + 50 * i + 12;
    EXPECT_EQ(beat.Next(now), 38) << i;
  }
  EXPECT_EQ(beat.dueMs(), 1000 + 50 * 21) << "twenty ticks in the first second";
  // Behind by three ticks: the next is due at once, then the beat resumes.
  now = beat.dueMs() + 140;
  EXPECT_EQ(beat.Next(now), 0);
  EXPECT_EQ(beat.Next(now), 0);
  EXPECT_EQ(beat.Next(now), 10);
  // A two-second wait inside a tick is not made up by a burst of ticks.
  now += 2000;
  EXPECT_EQ(beat.Next(now), 50);
}

TEST_F(MainLoopTest, TheLoginGoesOutOnceTheSocketIsUpAndTheLobbyHearsOfIt) {
  ASSERT_TRUE(Start());
  EXPECT_TRUE(client.mainLoop().Running());
  ASSERT_EQ(Run(200), -1);
  ASSERT_EQ(vp.socket.sent.size(), 1u);
  EXPECT_EQ(std::vector<uint8_t>(client.records().LoginRecord.begin(),
                                 client.records().LoginRecord.end()),
            vp.socket.sent[0]);
  EXPECT_EQ(vp.socket.host, "h");
  EXPECT_EQ(vp.socket.port, 6000);
  EXPECT_TRUE(client.connection().Connected);
  EXPECT_EQ(vp.lobby.PostedNumbers("Tesk山庄"), std::vector<uint32_t>{kMsgLogin});
  ASSERT_EQ(Run(1000), -1);
  EXPECT_EQ(vp.socket.sent.size(), 1u) << "the login is sent once";
}

TEST_F(MainLoopTest, ASuccessfulLoginTakesTheTurnTimeFromTheLowBits) {
  LogIn(0x27);
  EXPECT_EQ(client.settings().TurnTime, 7);
  EXPECT_EQ(client.table().progress.TimeoutLimit, 5);
  EXPECT_TRUE(client.loop().TableActive);
  EXPECT_TRUE(client.connection().CanReconnect);
  EXPECT_FALSE(client.connection().Connected) << "the login is no longer pending";
  EXPECT_TRUE(vp.timers.Running("TimerKeepAlive"));
  EXPECT_EQ(vp.lobby.PostedNumbers("Tesk山庄"), (std::vector<uint32_t>{kMsgLogin, kMsgConnected}));
  EXPECT_EQ(client.messages().Lines(0), std::vector<std::string>{"连接服务器成功！"});
  EXPECT_EQ(client.messages().Lines(1).size(), 1u);
}

TEST_F(MainLoopTest, QuickModeKeepsTwoSecondTurnsWhateverTheServerSays) {
  auto fields = testing::DirectFields();
  fields[10] = "1";
  fields[11] = "Tesk山庄";
  ASSERT_TRUE(Start(fields));
  ASSERT_EQ(Run(200), -1);
  Deliver(ServerRecord(kCmdLogin, 0, {0, 0x27, 0, 1}));
  ASSERT_EQ(Run(100), -1);
  EXPECT_EQ(client.settings().TurnTime, 2);
}

TEST_F(MainLoopTest, ARefusedLoginTellsTheLobbyAndEnds) {
  for (uint8_t code : {2, 0}) {
    VirtualPlatform fresh;
    fresh.lobby.windows.insert("Tesk山庄");
    Client c(fresh.platform());
    c.Startup(testing::LaunchLine(testing::DirectFields()));
    fresh.timers.Advance(200);
    RecordBytes refused = ServerRecord(kCmdLogin, 0, {0, 8, 0, code});
    refused[16] = 'x';  // an advertisement address that must not matter
    fresh.socket.Deliver(refused);
    EXPECT_THROW(fresh.timers.Advance(100), ClientEnded);
    EXPECT_EQ(c.messages().Lines(0).at(0), code == 2 ? "启动游戏失败，请重新在大厅就座后进入游戏！"
                                                     : "验证错误，请重新登陆游戏！");
    EXPECT_EQ(fresh.lobby.PostedNumbers("Tesk山庄"), (std::vector<uint32_t>{kMsgLogin, kMsgLogin}));
    ASSERT_FALSE(fresh.lobby.deliveries.empty());
    EXPECT_EQ(fresh.lobby.deliveries.back().message.param1, kScRestore);
  }
}

TEST_F(MainLoopTest, RecordsQueuedTogetherLeaveOnConsecutiveTicks) {
  LogIn();
  CommandInfo info;
  info.command = 2;
  client.records().SendCommand(info);
  info.command = 7;
  client.records().SendCommand(info);
  ASSERT_EQ(Run(200), -1);
  ASSERT_EQ(SentCommands(), (std::vector<int>{2, 7}));
  EXPECT_EQ(vp.socket.sentAt[1] - vp.socket.sentAt[0], 50);
}

TEST_F(MainLoopTest, ABurstOfRecordsIsDispatchedOnePerTick) {
  LogIn();
  const uint64_t before = client.dispatcher().Dispatched;
  std::vector<uint8_t> burst;
  for (int i = 0; i < 10; ++i) {
    RecordBytes r = ServerRecord(100);
    burst.insert(burst.end(), r.begin(), r.end());
  }
  vp.socket.Deliver(burst);
  ASSERT_EQ(Run(100), -1);  // the step first waits out its two-tick period
  const uint64_t first = client.dispatcher().Dispatched - before;
  EXPECT_EQ(first, 1u);
  for (int tick = 1; tick <= 9; ++tick) {
    ASSERT_EQ(Run(50), -1);
    EXPECT_EQ(client.dispatcher().Dispatched - before, first + tick);
  }
  ASSERT_EQ(Run(500), -1);
  EXPECT_EQ(client.dispatcher().Dispatched - before, 10u);
}

TEST_F(MainLoopTest, APlayerLeavingBetweenDealsWaitsForTheCountdownWithEverythingBehindIt) {
  LogIn();
  client.table().players[0].seatMask = 1;
  client.connection().StopKeepAlive();
  client.loop().BetweenDeals = true;
  client.loop().TurnClock = 3;
  client.loop().Arm(kStepDealEndCountdown);
  const uint64_t before = client.dispatcher().Dispatched;
  Deliver(ServerRecord(21, 2));
  Deliver(ServerRecord(100));
  ASSERT_EQ(Run(2000), -1);
  EXPECT_EQ(client.dispatcher().Dispatched, before);
  EXPECT_TRUE(vp.timers.Running("TimerKeepAlive")) << "another seat left: keep the line alive";
  // The countdown ends with the continue record; the held records follow at once, although
  // nothing has cleared BetweenDeals (only the next deal's start would, and it waits behind).
  ASSERT_EQ(Run(2200), -1);
  EXPECT_EQ(SentCommands(), std::vector<int>{16});
  EXPECT_EQ(client.dispatcher().Dispatched - before, 2u);
}

TEST_F(MainLoopTest, APlayerLeavingBetweenDealsIsNotHeldOnceContinueIsPressedOrWithoutCountdown) {
  LogIn();
  client.table().players[0].seatMask = 1;
  client.loop().BetweenDeals = true;
  client.loop().TurnClock = 15;
  client.loop().Arm(kStepDealEndCountdown);
  client.playersLeaving().ContinuePressed = true;
  const uint64_t before = client.dispatcher().Dispatched;
  Deliver(ServerRecord(21, 2));
  Deliver(ServerRecord(100));
  ASSERT_EQ(Run(300), -1);
  EXPECT_EQ(client.dispatcher().Dispatched - before, 2u);

  client.loop().BetweenDeals = true;
  client.loop().LoopFlag[kStepDealEndCountdown] = false;
  Deliver(ServerRecord(21, 2));
  ASSERT_EQ(Run(300), -1);
  EXPECT_EQ(client.dispatcher().Dispatched - before, 3u);
}

TEST_F(MainLoopTest, TheTurnClockTurnsRedForTheLastFiveSeconds) {
  LogIn();
  LoopState& loop = client.loop();
  loop.TurnClock = 8;
  loop.LocalTurn = false;
  client.loop().Arm(kStepTurnClock);
  std::vector<std::pair<std::string, uint32_t>> shown;
  for (int second = 0; second < 8; ++second) {
    ASSERT_EQ(Run(1000), -1);
    shown.emplace_back(loop.ClockCaption, loop.ClockColour);
  }
  const std::vector<std::pair<std::string, uint32_t>> expected = {
      {"7", kClockGreen}, {"6", kClockGreen}, {"5", kClockRed}, {"4", kClockRed},
      {"3", kClockRed},   {"2", kClockRed},   {"1", kClockRed}, {"0", kClockRed}};
  EXPECT_EQ(shown, expected);
  EXPECT_TRUE(client.loop().LoopFlag[kStepTurnClock]);
  ASSERT_EQ(Run(1000), -1);  // the ninth second: another seat's clock simply stops
  EXPECT_FALSE(client.loop().LoopFlag[kStepTurnClock]);
  EXPECT_FALSE(loop.ClockShown);
  EXPECT_EQ(loop.TurnClock, client.settings().TurnTime);
}

TEST_F(MainLoopTest, TheClockStandsStillWhileTheTableIsInactive) {
  LogIn();
  client.loop().TurnClock = 8;
  client.loop().Arm(kStepTurnClock);
  client.loop().TableActive = false;
  ASSERT_EQ(Run(3000), -1);
  EXPECT_EQ(client.loop().TurnClock, 8);
}

TEST_F(MainLoopTest, SilenceInsideADealGivesUpTheTableButNotOutside) {
  LogIn();
  ASSERT_EQ(Run(5000 * 100), -1);
  EXPECT_TRUE(client.messages().Lines(0).empty() ||
              client.messages().Lines(0)[0] != "已经与服务器断开连接，请重新入座！");

  client.loop().InDeal = true;
  ASSERT_EQ(Run(4999 * 100), -1);
  EXPECT_NE(client.messages().Lines(0).at(0), "已经与服务器断开连接，请重新入座！");
  ASSERT_EQ(Run(100), -1);
  EXPECT_EQ(client.messages().Lines(0).at(0), "已经与服务器断开连接，请重新入座！");
  EXPECT_EQ(client.loop().SilenceCount, 0);
  EXPECT_EQ(vp.lobby.deliveries.back().message.param1, kScRestore);
}

TEST_F(MainLoopTest, ARecordInsideADealResetsTheWatchdog) {
  LogIn();
  client.loop().InDeal = true;
  ASSERT_EQ(Run(4000 * 100), -1);
  Deliver(ServerRecord(100));
  ASSERT_EQ(Run(100), -1);
  EXPECT_EQ(client.loop().SilenceCount, 0);
}

TEST_F(MainLoopTest, KeepAliveCarriesOnlyTheCommandTheSeatAndTheTag) {
  LogIn();
  client.table().players[0].seatMask = 4;
  RecordBytes tagged = ServerRecord(100);
  tagged[260] = 0x12;
  tagged[261] = 0x34;
  Deliver(tagged);
  ASSERT_EQ(Run(15100), -1);  // each keep-alive leaves on the tick after its timer
  ASSERT_EQ(vp.socket.sent.size(), 3u);
  for (size_t i = 0; i < 3; ++i) {
    const auto& r = vp.socket.sent[i];
    for (size_t at = 0; at < r.size(); ++at) {
      const int expected = at == 3 ? 24 : at == 6 ? 4 : at == 260 ? 0x12 : at == 261 ? 0x34 : 0;
      ASSERT_EQ(r[at], expected) << "byte " << at;
    }
  }
  EXPECT_EQ(vp.socket.sentAt[1] - vp.socket.sentAt[0], 5000);
}

TEST_F(MainLoopTest, TheDealEndCountdownSendsOneContinue) {
  LogIn();
  client.table().players[0].seatMask = 2;
  client.loop().TurnClock = 3;
  client.loop().Arm(kStepDealEndCountdown);
  client.connection().StopKeepAlive();
  ASSERT_EQ(Run(10000), -1);
  ASSERT_EQ(SentCommands(), std::vector<int>{16});
  EXPECT_EQ(vp.socket.sent[0][6], 2);
  EXPECT_EQ(vp.socket.sent[0][15], 1);
  EXPECT_TRUE(client.loop().TableCleared);
}

TEST_F(MainLoopTest, AWatchersCountdownRunsButSendsNoContinue) {
  LogIn();
  client.settings().Spectator = true;
  client.table().state.Spectator = true;
  client.table().players[0].seatMask = 2;
  client.loop().TurnClock = 3;
  client.loop().Arm(kStepDealEndCountdown);
  client.connection().StopKeepAlive();
  ASSERT_EQ(Run(1100), -1);
  EXPECT_EQ(client.loop().TurnClock, 2) << "the countdown shows";
  ASSERT_EQ(Run(10000), -1);
  EXPECT_TRUE(SentCommands().empty());
}

TEST_F(MainLoopTest, AClearedTableForgetsTheTileItWasBlinking) {
  LogIn();
  client.loop().PrevBlinkElement = 17;
  client.view().ClearTiles();
  EXPECT_EQ(client.loop().PrevBlinkElement, -1);
  // The next blink shows no stale element again: element 17 stays as the new deal left it.
  client.view().main().Hide(client.view().el.MJ_Image[17]);
  client.table().state.OfferElement = 5;
  client.loop().TileBlinkCount = 2;
  client.loop().Arm(kStepBlink);
  ASSERT_EQ(Run(1000), -1);
  EXPECT_FALSE(client.view().main().Visible(client.view().el.MJ_Image[17]));
}

TEST_F(MainLoopTest, ALostConnectionWithoutALobbyEndsTheClient) {
  LogIn();
  vp.socket.Close();
  vp.lobby.windows.clear();
  EXPECT_GE(Run(100), 0);
}

TEST_F(MainLoopTest, ALostConnectionStartsReconnectingWhenAllowed) {
  LogIn();
  vp.socket.Close();
  ASSERT_EQ(Run(100), -1);
  EXPECT_FALSE(client.loop().TableActive);
  EXPECT_FALSE(client.loop().LoopFlag[kStepConnectionWatch]);
}

}  // namespace
}  // namespace korvel
