// Win reports decoded into the stores, fan codes read, and the breakdown text of the score
// board built from realistic reports: discard wins, a double win, self-drawn wins, the check at
// the wall's end with both of its layouts.
#include <gtest/gtest.h>

#include "settlement/amount_text.h"
#include "settlement/breakdown_text.h"
#include "settlement/settlement_records.h"

namespace korvel {
namespace {

using testing::Fan;
using testing::Report;
using testing::WinReportRecord;

constexpr int kLocalMask = 1;  // ViewPos: mask 1 -> 0, mask 4 -> 1, mask 2 -> 2
constexpr int kMaskOf[3] = {1, 4, 2};
const std::string kDash22(22, '-'), kDash23(23, '-'), kDash24(24, '-');
using Lines = std::vector<std::string>;

// One event: a report per seat, by ViewPos.
void Event(WinStores& s, std::array<Report, 3> reports) {
  for (int v = 0; v < 3; ++v) {
    reports[v].mask = kMaskOf[v];
    ApplyWinReport(s, WinReportRecord(reports[v]), v, kLocalMask);
  }
}

// Every report carries the same five items, as the server writes them.
Report Winner(uint16_t score, FanCode fan) {
  Report r;
  r.pairs = {{2, 1}, {6, 1}, {7, 0}, {11, 0}, {14, 1}};
  r.score = score;
  r.fan = fan;
  return r;
}

Report Payer(uint16_t score, bool discarder) {
  Report r;
  r.pairs = {{2, 0}, {6, 0}, {7, discarder ? uint8_t{1} : uint8_t{0}}, {11, 0}, {14, 1}};
  r.score = score;
  return r;
}

Report SelfDrawn(uint16_t score, uint8_t multiplier, FanCode fan) {
  Report r = Winner(score, fan);
  r.pairs[3] = {11, multiplier};
  return r;
}

std::array<BreakdownSeat, 3> Seats() {
  return {BreakdownSeat{"1000金币", true}, BreakdownSeat{"800金币", false},
          BreakdownSeat{"1200金币", false}};
}

// The column without its five header and dealer lines.
Lines Body(const Breakdown& b, int v) {
  return Lines(b.columns[v].begin() + 5, b.columns[v].end());
}

TEST(WinReportTest, ItemPairsAndScoresFollowTheirByteRules) {
  WinStores s;
  Report r;
  r.pairs = {{200, 9}, {7, 1}, {3, 255}, {4, 128}, {0, 77}, {2, 1}, {6, 0}, {17, 5}};
  r.score = 0x000C;
  r.secondScore = 0x0003;
  r.checkAmount = 0x0010;
  ApplyWinReport(s, WinReportRecord(r), 0, kLocalMask);
  EXPECT_EQ(s.items[6][0], 1);
  EXPECT_EQ(s.items[2][0], -1);
  EXPECT_EQ(s.items[3][0], 128);
  EXPECT_EQ(s.items[kItemScore][0], 12);
  EXPECT_EQ(s.items[kItemSecondScore][0], -3);
  EXPECT_EQ(s.checkAmount[0], 16) << "little-endian, not 4096";
  for (int item = 0; item < kWinItemCount; ++item) {
    if (item != 1 && item != 2 && item != 3 && item != 5 && item != 6) {
      EXPECT_EQ(s.items[item][0], 0) << "item " << item;
    }
  }

  Report other;
  other.pairs = {{2, 2}};
  other.score = 0x000C;
  ApplyWinReport(s, WinReportRecord(other), 1, kLocalMask);
  EXPECT_EQ(s.items[kItemScore][1], 2) << "a value other than 0 or 1 stays";
}

TEST(WinReportTest, DealAmountStakeAndCheckValuesAreStoredPerSeat) {
  WinStores s;
  Report r;
  r.dealAmount = -300;
  r.stake = 0x01020304;
  r.fan = Fan(1, 0x24, 0x18, 0x19);
  r.ready = Fan(0, 0, 0, 4);
  r.checkA = 2;
  r.checkB = 1;
  r.checkSign = 0;
  ApplyWinReport(s, WinReportRecord(r), 2, kLocalMask);
  EXPECT_EQ(s.dealAmount[2], -300);
  EXPECT_EQ(s.BaseStake, 0x01020304);
  EXPECT_EQ(s.winFan[2], r.fan);
  EXPECT_EQ(s.readyFan[2], r.ready);
  EXPECT_EQ(s.checkA[2], 2);
  EXPECT_EQ(s.checkB[2], 1);
  EXPECT_EQ(s.checkSign[2], 0);

  Report huge;
  huge.stake = 0xFFFFFFFF;
  ApplyWinReport(s, WinReportRecord(huge), 1, kLocalMask);
  EXPECT_EQ(s.BaseStake, 4294967295LL) << "the stake is never read as negative";
}

TEST(WinReportTest, TheThirdReportClosesTheEventAndMarksTheClaimWinners) {
  WinStores s;
  s.ClaimWinners = {4, 0};
  ApplyWinReport(s, WinReportRecord(Winner(2, Fan(0, 0, 0, 1))), 1, kLocalMask);
  ApplyWinReport(s, WinReportRecord(Payer(2, true)), 2, kLocalMask);
  EXPECT_EQ(s.WinEventCount, 0);
  EXPECT_EQ(s.HasWon, (std::array<int16_t, 3>{0, 0, 0}));
  const auto closing = ApplyWinReport(s, WinReportRecord(Payer(0, false)), 0, kLocalMask);
  EXPECT_TRUE(closing.closedEvent);
  EXPECT_EQ(s.WinEventCount, 1);
  EXPECT_EQ(s.WinReportArrivals, 0);
  EXPECT_EQ(s.HasWon, (std::array<int16_t, 3>{0, 1, 0}));
  EXPECT_EQ(s.historyItems[0][kItemScore], (std::array<int16_t, 3>{0, 2, -2}));
  EXPECT_EQ(s.historyFans[0][1], Fan(0, 0, 0, 1));
  EXPECT_EQ(s.historyItems[1][kItemScore], (std::array<int16_t, 3>{})) << "next slot empty";

  s.ResetForNewDeal();
  EXPECT_EQ(s.WinEventCount, 0);
  EXPECT_EQ(s.HasWon, (std::array<int16_t, 3>{}));
  EXPECT_EQ(s.BaseStake, 5) << "the stake outlives the deal";
}

TEST(WinReportTest, EventsBeyondTheStoresAreDroppedNotWrittenPastThem) {
  WinStores s;
  for (int e = 0; e < kMaxWinEvents + 2; ++e) {
    for (int v = 0; v < 3; ++v) {
      const auto result = ApplyWinReport(s, WinReportRecord(Payer(1, false)), v, kLocalMask);
      if (v == 2) {
        EXPECT_EQ(result.droppedEvent, e >= kMaxWinEvents) << "event " << e;
      }
    }
  }
  EXPECT_EQ(s.WinEventCount, kMaxWinEvents);
  EXPECT_EQ(s.historyItems[kMaxWinEvents][kItemScore], (std::array<int16_t, 3>{}));
}

TEST(FanCodeTest, RootCountReadsBothParts) {
  EXPECT_EQ(RootCount(Fan(0, 0x40, 0x08, 0)), 7);
  EXPECT_EQ(RootCount(Fan(0, 0x20, 0x04, 0)), 5);
  EXPECT_EQ(RootCount(Fan(0, 0x10, 0x02, 0)), 3);
  EXPECT_EQ(RootCount(Fan(0, 0x01, 0x20, 0)), 0) << "manner and early-win nibbles are no roots";
}

TEST(FanCodeTest, ShapeWordsAndRootSuffixesInEachPlace) {
  EXPECT_EQ(HandText(Fan(0, 0x10, 0, 4), ShapeWords::DiscardWin), "豪  暗 ");
  EXPECT_EQ(HandText(Fan(0, 0x10, 0x02, 4), ShapeWords::DiscardWin), "豪  暗 (2 归)");
  EXPECT_EQ(HandText(Fan(0, 0, 0, 4), ShapeWords::DiscardWin), "暗七对 ");
  EXPECT_EQ(HandText(Fan(0, 0, 0, 2), ShapeWords::DiscardWin), "大对子");
  EXPECT_EQ(HandText(Fan(0, 0x20, 0, 2), ShapeWords::DiscardWin), "大对子(2 归)");
  EXPECT_EQ(HandText(Fan(0, 0, 0, 2), ShapeWords::SelfDrawn), "大对子 ");
  EXPECT_EQ(HandText(Fan(0, 0, 0, 0x12), ShapeWords::DiscardWin), "清  对");
  EXPECT_EQ(HandText(Fan(0, 0, 0, 0x12), ShapeWords::SelfDrawn), "清对");
  EXPECT_EQ(HandText(Fan(0, 0, 0, 0x14), ShapeWords::SelfDrawn), "清暗七对");
  EXPECT_EQ(HandText(Fan(0, 0x30, 0, 0x14), ShapeWords::SelfDrawn), "清豪暗(2 归)");
  EXPECT_EQ(HandText(Fan(0, 0, 0, 0x11), ShapeWords::CheckFirst), "   清一色");
  EXPECT_EQ(HandText(Fan(0, 0x10, 0, 0x12), ShapeWords::CheckFirst), "   清  对  (1 归)  ");
  EXPECT_EQ(HandText(Fan(0, 0x10, 0, 0x12), ShapeWords::CheckSecond), "清对  (1 归)  ");
  EXPECT_EQ(HandText(Fan(0, 0x10, 0, 4), ShapeWords::CheckSecond), "豪暗");
  EXPECT_EQ(HandText(Fan(0, 0x10, 0, 3), ShapeWords::DiscardWin), "(1 归)")
      << "an unknown shape has no word, its roots still show";
}

TEST(AmountTextTest, PlainDecimalWithoutNeedlessDecimals) {
  EXPECT_EQ(AmountText(20), "20");
  EXPECT_EQ(AmountText(-40), "-40");
  EXPECT_EQ(AmountText(2.5), "2.5");
  EXPECT_EQ(AmountText(-0.0), "0");
  EXPECT_EQ(AmountText(1234567890123.0), "1234567890123");
  EXPECT_EQ(PadLeft("12", 9), "       12");
  EXPECT_EQ(PadLeft("-1234567890", 9), "-1234567890");
}

TEST(BreakdownTest, ADealWithoutWinsOrCheckShowsOnlyHeaderAndDealerLines) {
  WinStores s;
  s.BaseStake = 5;
  s.checkSign = {0, 1, 0};  // left from an earlier deal
  s.checkAmount = {3, 3, 3};
  const Breakdown b = BuildBreakdown(s, Seats(), kLocalMask);
  EXPECT_EQ(b.columns[0], (Lines{"初始：1000金币", "房间底金: 5金币", " -------------------  ",
                                 "         庄家   ", " "}));
  EXPECT_EQ(b.columns[1],
            (Lines{"初始：800金币", "房间底金: 5金币", " -------------------  ", " ", " "}));
  EXPECT_EQ(b.columns[2].size(), 5u);
  EXPECT_EQ(b.winnerName, (std::array<bool, 3>{}));
}

TEST(BreakdownTest, OneDiscardWinAddsSixAlignedLinesToEveryColumn) {
  WinStores s;
  s.ClaimWinners = {4, 0};
  Event(s, {Payer(0, false), Winner(2, Fan(0, 0, 0, 1)), Payer(2, true)});
  const Breakdown b = BuildBreakdown(s, Seats(), kLocalMask);
  EXPECT_EQ(Body(b, 0), (Lines{" ", " ", " ", "  ", " ", kDash22}));
  EXPECT_EQ(Body(b, 1),
            (Lines{"胡    牌  ", "平  胡:10金币", "", "  ", "  ", kDash24, "", "", "", "", ""}))
      << "the winner's five blank lines stand beside the check block";
  EXPECT_EQ(Body(b, 2), (Lines{"   放炮  ", "平  胡:-10金币", " ", " ", " ", kDash22}));
  EXPECT_EQ(b.winnerName, (std::array<bool, 3>{false, true, false}));
}

TEST(BreakdownTest, ADoubleWinListsBothWinnersThenOneDiscarderBlock) {
  WinStores s;
  s.ClaimWinners = {1, 4};
  // Seat 0: one-suit pungs robbing a kong; seat 1: seven pairs with one root (spent on 豪) on
  // the wall's last tile, declared ready on the first turn.
  Event(s,
        {Winner(4, Fan(0, 0x02, 0, 0x12)), Winner(8, Fan(1, 0x10, 0x20, 0x0C)), Payer(12, true)});
  const Breakdown b = BuildBreakdown(s, Seats(), kLocalMask);
  EXPECT_EQ(Body(b, 0),
            (Lines{"抢    杠  ", "清  对:20金币", "", "  ", "  ", kDash24, "", "", "", "", ""}));
  EXPECT_EQ(Body(b, 1), (Lines{"胡    牌  ", "豪  暗 :40金币", "第一和报  叫  × 2", "  ", "海  捞 ",
                               kDash24, "", "", "", "", ""}));
  EXPECT_EQ(Body(b, 2), (Lines{"   放炮  ", "豪  暗 :-60金币", " ", " ", " ", kDash22}))
      << "the discarder's line repeats the second winner's hand";
  EXPECT_EQ(b.winnerName, (std::array<bool, 3>{true, true, false}));
}

TEST(BreakdownTest, ASelfDrawnWinMultipliesAndListsEveryPayer) {
  WinStores s;
  s.ClaimWinners = {2, 0};
  // Replacement tile after a kong, declared ready, last tile, kanchan: 3 units doubled.
  Event(s, {Payer(3, false), Payer(3, false), SelfDrawn(3, 2, Fan(1, 0x01, 0, 0x29))});
  const Breakdown b = BuildBreakdown(s, Seats(), kLocalMask);
  EXPECT_EQ(Body(b, 2), (Lines{"   杠  开", "平  胡:30金币", "报  叫  × 2", "卡二条", "海  捞 ",
                               kDash23, "", "", "", "", ""}));
  for (int v : {0, 1}) {
    EXPECT_EQ(Body(b, v), (Lines{" ", "平  胡:-30金币", "  ", "  ", " ", kDash24})) << v;
  }
}

TEST(BreakdownTest, TwoEventsFollowEachOtherInEventOrder) {
  WinStores s;
  s.ClaimWinners = {4, 0};
  Event(s, {Payer(2, true), Winner(2, Fan(0, 0, 0, 1)), Payer(0, false)});
  s.ClaimWinners = {1, 0};
  Event(s, {SelfDrawn(1, 1, Fan(0, 0, 0x10, 0x04)), Payer(0, false), Payer(1, false)});
  const Breakdown b = BuildBreakdown(s, Seats(), kLocalMask);
  EXPECT_EQ(Body(b, 0), (Lines{"   放炮  ", "平  胡:-10金币", " ", " ", " ", kDash22,        //
                               "   自  摸", "暗七对 :5金币", "天  和", "  ", "  ", kDash23,  //
                               "", "", "", "", ""}));
  EXPECT_EQ(Body(b, 1), (Lines{"胡    牌  ", "平  胡:10金币", "", "  ", "  ", kDash24,  //
                               " ", " ", "  ", "  ", " ", kDash24,                      //
                               "", "", "", "", ""}));
  EXPECT_EQ(Body(b, 2), (Lines{" ", " ", " ", "  ", " ", kDash22,  //
                               " ", "暗七对 :-5金币", "  ", "  ", " ", kDash24}));
}

TEST(BreakdownTest, TheCheckAtTheWallsEndShowsReadyAndNotReadySeats) {
  WinStores s;
  s.ClaimWinners = {4, 0};
  Event(s, {Payer(1, false), SelfDrawn(1, 2, Fan(0, 0, 0, 1)), Payer(1, false)});
  Report ready = Payer(0, false), winner = Payer(0, false), notReady = Payer(0, false);
  ready.checkA = 1;
  ready.checkAmount = 4;
  ready.checkSign = 1;
  ready.ready = Fan(0, 0, 0, 1);
  notReady.checkB = 1;
  notReady.checkAmount = 4;
  notReady.checkSign = 0;
  Event(s, {ready, winner, notReady});
  ASSERT_EQ(s.WinEventCount, 2);
  const Breakdown b = BuildBreakdown(s, Seats(), kLocalMask);
  const Lines check0 = {"", "--------查叫------------", "", "", " 赢:20金币"};
  const Lines check2 = {"", "--------查叫-------------", " 未下叫", " ", " 输:-20金币"};
  EXPECT_EQ(Lines(b.columns[0].end() - 5, b.columns[0].end()), check0);
  EXPECT_EQ(Lines(b.columns[1].end() - 5, b.columns[1].end()), (Lines{"", "", "", "", ""}));
  EXPECT_EQ(Lines(b.columns[2].end() - 5, b.columns[2].end()), check2);
  for (int v = 0; v < 3; ++v) EXPECT_EQ(b.columns[v].size(), 16u) << "aligned column " << v;
}

TEST(BreakdownTest, ReadyHandsOfSeatsWithoutACheckFlagUseTheirTwoLayouts) {
  WinStores s;
  s.ClaimWinners = {4, 0};
  Report first = Payer(0, false);
  first.pairs.push_back({8, 1});  // item 7: the first layout
  first.ready = Fan(0, 0, 0, 0x31);
  first.checkAmount = 3;
  first.checkSign = 1;
  Report second = Payer(2, true);
  second.ready = Fan(0, 0x20, 0, 0x12);
  second.checkAmount = 3;
  second.checkSign = 0;
  Event(s, {first, Winner(2, Fan(0, 0, 0, 1)), second});
  const Breakdown b = BuildBreakdown(s, Seats(), kLocalMask);
  EXPECT_EQ(Lines(b.columns[0].end() - 5, b.columns[0].end()),
            (Lines{"", "--------查叫------------", "   清一色", "卡二条 ", " 赢:15金币"}));
  EXPECT_EQ(Lines(b.columns[2].end() - 5, b.columns[2].end()),
            (Lines{"", "--------查叫-------------", "清对  (2 归)  ", "   ", " 输:-15金币"}));
}

TEST(BreakdownTest, CheckProductsDoNotOverflowWithALargeStake) {
  WinStores s;
  Report notReady;
  notReady.checkB = 1;
  notReady.checkAmount = 30000;
  notReady.checkSign = 0;
  Report other;
  notReady.stake = other.stake = 4000000000u;  // every report overwrites the stake
  Event(s, {notReady, other, other});
  const Breakdown b = BuildBreakdown(s, Seats(), kLocalMask);
  EXPECT_EQ(b.columns[0].back(), " 输:-120000000000000金币");
}

}  // namespace
}  // namespace korvel
