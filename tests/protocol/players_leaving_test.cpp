// Players leaving, the game ending and received chat lines.
#include "protocol/players_leaving.h"

#include <gtest/gtest.h>

#include <regex>

#include "platform/gbk.h"
#include "support/client_fixture.h"
#include "view/message_lines.h"

namespace korvel {
namespace {

using testing::ClientFixture;
using testing::ServerRecord;

class PlayersLeavingTest : public ClientFixture {
 protected:
  void SetUp() override {
    LogIn();
    auto& p = client.table().players;
    p[0].seatMask = 1;
    p[1].seatMask = 4;
    p[2].seatMask = 2;
    p[1].name = "bob";
    p[2].name = "cat";
    client.table().seating.OthersSeated = 2;
    client.table().seatInfo[1].nickname = "Bob";
    client.table().seatInfo[0].nickname = "Ann";
    client.table().seatInfo[0].nameTag = "T";
    client.view().main().SetCaption(client.view().el.Nid[1], "[x] Bob");
    client.messages().Clear(0);
    client.messages().Clear(1);
  }
  RecordBytes Left(const std::string& name, uint8_t shift, uint8_t value1 = 0) {
    RecordBytes r = ServerRecord(21, 1, {0, value1});
    std::copy(name.begin(), name.end(), r.begin() + 16);
    r[8] = shift;
    return r;
  }
  void Chat(const std::string& text, int seat = 2, std::vector<uint8_t> values = {}) {
    RecordBytes r = ServerRecord(19, seat, values);
    const std::string gbk = Utf8ToGbk(text);
    std::copy(gbk.begin(), gbk.end(), r.begin() + 16);
    Deliver(r);
    ASSERT_EQ(Run(100), -1);
  }
};

TEST_F(PlayersLeavingTest, TheLeaversNameComesFromTheRecordWithItsShiftedFirstByte) {
  Deliver(Left("cob", 1));  // "bob" with the first byte one higher
  ASSERT_EQ(Run(100), -1);
  EXPECT_EQ(client.table().seating.OthersSeated, 1);
  EXPECT_EQ(client.table().players[1].name, "");
  EXPECT_EQ(client.view().main().Get(client.view().el.Nid[1])->caption, "");
  ASSERT_EQ(client.messages().Lines(0).size(), 1u);
  EXPECT_TRUE(
      std::regex_match(client.messages().Lines(0)[0],
                       std::regex("Bob退出了游戏 ([1-9]?[0-9]):([1-5]?[0-9]):([1-5]?[0-9])")))
      << client.messages().Lines(0)[0];
  for (const auto& p : client.table().players) EXPECT_EQ(p.seatMask, 0);
}

TEST_F(PlayersLeavingTest, WithoutTheShiftTheSameBytesNameSomeoneElse) {
  Deliver(Left("cob", 0));
  ASSERT_EQ(Run(100), -1);
  EXPECT_EQ(client.table().seating.OthersSeated, 2);
  EXPECT_EQ(client.table().players[1].name, "bob");
}

TEST_F(PlayersLeavingTest, TheContinueCountdownRestartsAtTenOrFifteen) {
  for (uint8_t value1 : {1, 0}) {
    client.table().progress.CountdownArmed = true;
    Deliver(Left("zed", 0, value1));
    ASSERT_EQ(Run(100), -1);
    EXPECT_EQ(client.loop().TurnClock, value1 == 1 ? 10 : 15);
    EXPECT_TRUE(client.loop().LoopFlag[kStepDealEndCountdown]);
    EXPECT_TRUE(client.table().progress.CountdownArmed);
  }
}

TEST_F(PlayersLeavingTest, NamingTheLocalAccountEndsTheClient) {
  Deliver(Left("a", 0));
  EXPECT_GE(Run(100), 0);
}

TEST_F(PlayersLeavingTest, TheGameOverWindowShowsTheServersMessageAndTheLoopStops) {
  RecordBytes over = ServerRecord(22);
  const std::string gbk = Utf8ToGbk("本桌游戏结束");
  std::copy(gbk.begin(), gbk.end(), over.begin() + 16);
  Deliver(over);
  const int64_t before = vp.timers.NowMs();
  ASSERT_EQ(Run(100), -1);
  EXPECT_GE(vp.timers.NowMs() - before, 100);
  EXPECT_TRUE(client.table().progress.GameEnded);
  EXPECT_FALSE(client.mainLoop().Running());
  Form& window = client.view().scene().form(client.leaving().gameOverForm());
  EXPECT_TRUE(window.visible());
  EXPECT_EQ(window.Get(window.Find("Label1"))->caption, "本桌游戏结束");
  ASSERT_FALSE(vp.socket.sent.empty());
  EXPECT_EQ(vp.socket.sent.back()[3], 16) << "the leave notice";
  // Staying on the table after it: no clock, and the line says how to leave.
  EXPECT_FALSE(client.view().main().Visible(client.view().el.Number));
  EXPECT_EQ(client.messages().Lines(1), std::vector<std::string>{kGameOverLine});
}

TEST_F(PlayersLeavingTest, OwnNamesBecomeYouExceptInSystemNotices) {
  Chat("[T]Ann: hi");
  EXPECT_EQ(client.messages().Lines(0).back(), "你: hi");
  Chat("Ann: hi");
  EXPECT_EQ(client.messages().Lines(1).back(), "你: hi");
  Chat("系统提示: Ann won");
  EXPECT_EQ(client.messages().Lines(1).back(), "系统提示: Ann won");
  EXPECT_EQ(client.messages().Lines(0).back(), "你: hi") << "the second line moved up";
}

TEST_F(PlayersLeavingTest, LongLinesAreCutInTheMessageAreaAndBlinkOnlyForOthers) {
  const std::string sixty(60, 'x');
  Chat(sixty, 0);
  EXPECT_EQ(client.messages().Lines(0).back(), std::string(45, 'x'));
  EXPECT_EQ(client.loop().ChatBlinkCount, 0) << "seat byte 0 does not blink";
  Chat("hello", 2);
  EXPECT_EQ(client.loop().ChatBlinkCount, 8);
}

}  // namespace
}  // namespace korvel
