// The records korvel-server writes at a deal's end, read by the client: a discard win, the check
// at the wall's end, the deal results and the notices, byte for byte as the server sends them.
#include "table/server_records.h"

#include <gtest/gtest.h>

#include "settlement/settlement.h"
#include "settlement/settlement_fixture.h"
#include "table/coin_settlement.h"

namespace korvel {
namespace {

using namespace testing;
namespace srv = korvel::server;

// Server seats: 0 is the local player (ViewPos 0), 1 is Cat (ViewPos 2), 2 is Bob (ViewPos 1).
class ServerRecordsTest : public SettlementFixture {};

TEST_F(ServerRecordsTest, AWinAndTheCheckAtTheWallsEndAsTheServerReportsThem) {
  // Cat wins on Bob's discard with one-suit pungs and one root: 8 units at stake 5.
  const std::array<int, 3> delta = {0, 8, -8};
  client.settlement().SetClaimWinners(2, 0);
  for (int s = 0; s < 3; ++s) {
    srv::WinReport w;
    w.score = delta[s];
    w.discarder = s == 2;
    if (s == 1) w.fan.bytes = {0, 0x10, 0, 0x12};
    w.baseStake = 5;
    w.dealAmount = delta[s];
    Feed({srv::WinReportRecord(s, w)});
  }
  // The wall runs out: the local player is ready (+2 units), Bob is not (-2).
  const std::array<int, 3> check = {2, 0, -2};
  const std::array<int, 3> total = {2, 8, -10};
  for (int s = 0; s < 3; ++s) {
    srv::WinReport w;
    w.checkReady = s == 0;
    w.checkNotReady = s == 2;
    if (s == 0) w.readyFan.bytes = {0, 0, 0, 1};
    w.checkAmount = check[s];
    w.baseStake = 5;
    w.dealAmount = total[s];
    Feed({srv::WinReportRecord(s, w)});
  }
  ASSERT_EQ(client.settlement().stores.WinEventCount, 2);
  for (int s = 0; s < 3; ++s) Feed({srv::DealResultRecord(s, total[s] * 5, "雀圣")});
  Feed({srv::DealEndRecord(), srv::NextDealerRecord(1, 0x1234)});

  EXPECT_EQ(State(0), (Lines{"初始：1000金币",
                             "房间底金: 5金币",
                             " -------------------  ",
                             "         庄家   ",
                             " ",  //
                             " ",
                             " ",
                             " ",
                             "  ",
                             " ",
                             kDash22,  //
                             "",
                             "--------查叫------------",
                             "",
                             "",
                             " 赢:10金币",  //
                             "",
                             kRule,
                             "总分:10金币",
                             "",
                             " ",
                             "",
                             "最终分：10金币"}));
  EXPECT_EQ(State(1), (Lines{"初始：800金币",
                             "房间底金: 5金币",
                             " -------------------  ",
                             " ",
                             " ",  //
                             "   放炮  ",
                             "清  对(1 归):-40金币",
                             " ",
                             " ",
                             " ",
                             kDash22,  //
                             "",
                             "--------查叫-------------",
                             " 未下叫",
                             " ",
                             " 输:-10金币",  //
                             "",
                             kRule,
                             "总分:-50金币",
                             "",
                             " ",
                             "",
                             "最终分：-50金币"}));
  EXPECT_EQ(State(2), (Lines{"初始：1200金币",
                             "房间底金: 5金币",
                             " -------------------  ",
                             " ",
                             " ",  //
                             "胡    牌  ",
                             "清  对(1 归):40金币",
                             "",
                             "  ",
                             "  ",
                             kDash24,  //
                             "",
                             "",
                             "",
                             "",
                             "",  //
                             "",
                             kRule,
                             "总分:40金币",
                             "",
                             " ",
                             "",
                             "最终分：40金币"}));
  EXPECT_EQ(main().Get(el().Cash[1])->caption, "750金币");
  EXPECT_EQ(main().Get(el().Level[2])->caption, "雀圣");

  // The next dealer notice that follows the deal end.
  EXPECT_TRUE(client.table().players[2].isDealer);
  EXPECT_FALSE(client.table().players[0].isDealer) << "one dealer at a time";
  EXPECT_EQ(main().Get(el().lbZhuang)->caption, "Cat");
  EXPECT_EQ(client.records().ReconnectKey, 0x1234);
  EXPECT_TRUE(client.loop().LoopFlag[kStepDealEndCountdown]);
  EXPECT_FALSE(main().Visible(el().lbwealth)) << "the server leaves the wealth display alone";
}

TEST_F(ServerRecordsTest, AFeeShowsOnTheWinnersColumnAndAShortLoserEndsAtZeroCoins) {
  // Cat (seat 1) wins 200 units on Bob's (seat 2) discard at stake 5: 1000 coins that Bob, who
  // holds 800, cannot pay in full. The table keeps 5%.
  const std::array<int, 3> units = {0, 200, -200};
  for (int s = 0; s < 3; ++s) {
    srv::WinReport w;
    w.score = units[s];
    w.discarder = s == 2;
    if (s == 1) w.fan.bytes = {0, 0, 0, 1};
    w.baseStake = 5;
    w.dealAmount = units[s];
    Feed({srv::WinReportRecord(s, w)});
  }
  const auto coins = srv::SettleCoins(units, {1000, 1200, 800}, 5, 5);
  for (int s = 0; s < 3; ++s) {
    const srv::DealResult d{coins[s].coins, coins[s].subtotal, coins[s].capped, 5, "服务费"};
    Feed({srv::DealResultRecord(s, d, "雀圣")});
  }
  // Bob has nothing left: the notice replaces the deal end.
  Feed({srv::CoinsShortRecord(7 & ~4, 4)});

  const Lines& cat = State(2);
  EXPECT_NE(std::find(cat.begin(), cat.end(), "服务费5%"), cat.end());
  EXPECT_NE(std::find(cat.begin(), cat.end(), "最终分：760金币"), cat.end()) << "800 less 5%";
  const Lines& bob = State(1);
  EXPECT_NE(std::find(bob.begin(), bob.end(), "灵活封顶"), bob.end());
  EXPECT_NE(std::find(bob.begin(), bob.end(), "最终分：-800金币"), bob.end());
  EXPECT_EQ(std::find(bob.begin(), bob.end(), "服务费5%"), bob.end()) << "no fee on a loss";
  EXPECT_EQ(main().Get(el().Cash[1])->caption, "0金币");
  EXPECT_EQ(main().Get(el().Cash[2])->caption, "1960金币");
  EXPECT_EQ(client.messages().Lines(0), Lines{"玩家Bob金币不够，退出游戏！"});
}

}  // namespace
}  // namespace korvel
