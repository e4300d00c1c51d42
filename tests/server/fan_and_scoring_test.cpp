#include <gtest/gtest.h>

#include "rules/fan.h"
#include "rules/scoring.h"
#include "rules/shapes.h"
#include "server_test_support.h"

namespace korvel::server {
namespace {

using testing::HandOf;

FanCode Code(uint8_t b0, uint8_t b1, uint8_t b2, uint8_t b3) { return FanCode{{b0, b1, b2, b3}}; }

WinValue Plain(std::string_view hand, TileCode winTile) {
  WinContext c;
  c.winTile = winTile;
  return EvaluateWin(HandOf(hand), c);
}

TEST(ServerFan, ShapesAndTheirBytes) {
  const WinValue plain = Plain("b1 b2 b3 b4 b5 b6 d2 d3 d4 d7 d8 d9 b9 b9", 0x23);
  EXPECT_EQ(plain.code, Code(0, 0, 0, 0x01));
  EXPECT_EQ(plain.units, 1);

  const WinValue pungs = Plain("b1 b1 b1 b5 b5 b5 d2 d2 d2 d7 d7 d7 d9 d9", 0x89);
  EXPECT_EQ(pungs.shape, HandShape::AllPungs);
  EXPECT_EQ(pungs.code.bytes[3], 0x02);
  EXPECT_EQ(pungs.units, 2);

  const WinValue pairs = Plain("b1 b1 b3 b3 b5 b5 b7 b7 d2 d2 d4 d4 d9 d9", 0x89);
  EXPECT_EQ(pairs.code.bytes[3], 0x04);
  EXPECT_EQ(pairs.units, 4);

  const WinValue oneSuit = Plain("b1 b2 b3 b4 b5 b6 b7 b8 b9 b2 b3 b4 b5 b5", 0x25);
  EXPECT_EQ(oneSuit.code.bytes[3], 0x11);
  EXPECT_EQ(oneSuit.units, 4);

  const WinValue none = Plain("b1 b2 b3 b4 b5 b6 d2 d3 d4 d7 d8 d9 b9 d1", 0x23);
  EXPECT_EQ(none.shape, HandShape::None);
  EXPECT_EQ(none.units, 0);
}

TEST(ServerFan, RootsFromGangsAndFromTheHand) {
  Hand h = HandOf("d2 d3 d4 d5 d5");
  h.AddMeld({MeldKind::ConcealedGang, 0x87, -1});
  h.AddMeld({MeldKind::AddedGang, 0x29, 2});
  h.AddMeld({MeldKind::Peng, 0x82, 1});  // with the d2 in the run: all four d2 held
  WinContext c;
  c.winTile = 0x85;
  const WinValue v = EvaluateWin(h, c);
  EXPECT_EQ(v.roots, 3);
  EXPECT_EQ(v.code, Code(0, 0x20, 0x01, 0x01));
  EXPECT_EQ(RootCountOf(v.code), 3);
  EXPECT_EQ(v.units, 8);

  Hand four = HandOf("d5 d5");
  for (TileCode t : {0x21, 0x24, 0x87, 0x89}) four.AddMeld({MeldKind::Gang, t, 1});
  c.winTile = 0x85;
  const WinValue all = EvaluateWin(four, c);
  EXPECT_EQ(all.code.bytes[1] >> 4, 4);    // three gang roots
  EXPECT_EQ(all.code.bytes[2] & 0x0F, 1);  // and the fourth in the second count
  EXPECT_EQ(RootCountOf(all.code), 4);
  EXPECT_EQ(all.shape, HandShape::AllPungs);

  // Seven pairs with four of a kind: the quad is a root.
  const WinValue rich = Plain("b1 b1 b1 b1 b5 b5 b7 b7 d2 d2 d4 d4 d9 d9", 0x89);
  EXPECT_EQ(rich.code, Code(0, 0, 0x01, 0x04));
  EXPECT_EQ(rich.units, 8);
}

TEST(ServerFan, MannerFirstWinLastTileAndDeclaration) {
  const Hand h = HandOf("b1 b2 b3 b4 b5 b6 d2 d3 d4 d7 d8 d9 b9 b9");
  WinContext c;
  c.winTile = 0x23;
  c.manner = WinManner::Replacement;
  EXPECT_EQ(EvaluateWin(h, c).code, Code(0, 0x01, 0, 0x01));
  c.manner = WinManner::RobbedGang;
  EXPECT_EQ(EvaluateWin(h, c).code, Code(0, 0x02, 0, 0x01));
  c.manner = WinManner::AfterGang;
  EXPECT_EQ(EvaluateWin(h, c).code, Code(0, 0x04, 0, 0x01));
  EXPECT_EQ(EvaluateWin(h, c).units, 2);
  c.manner = WinManner::Plain;
  c.first = FirstWin::Heavenly;
  EXPECT_EQ(EvaluateWin(h, c).code, Code(0, 0, 0x10, 0x01));
  EXPECT_EQ(EvaluateWin(h, c).units, 8);
  c.first = FirstWin::FirstTurn;
  EXPECT_EQ(EvaluateWin(h, c).code, Code(0, 0, 0x20, 0x01));
  EXPECT_EQ(EvaluateWin(h, c).units, 4);
  c.first = FirstWin::None;
  c.lastTile = true;
  EXPECT_EQ(EvaluateWin(h, c).code, Code(1, 0, 0, 0x01));
  c.lastTile = false;
  c.declared = true;
  EXPECT_EQ(EvaluateWin(h, c).code, Code(0, 0, 0, 0x09));
  EXPECT_EQ(EvaluateWin(h, c).units, 2);
}

TEST(ServerFan, KanchanTwoOfBambooOnlyAsTheMiddleOfOneTwoThree) {
  const WinValue kanchan = Plain("b1 b2 b3 d4 d5 d6 d7 d8 d9 b7 b8 b9 d2 d2", 0x22);
  EXPECT_TRUE(kanchan.kanchan);
  EXPECT_EQ(kanchan.code.bytes[3], 0x21);
  EXPECT_GE(kanchan.code.bytes[3] >> 4, 2);
  EXPECT_EQ(kanchan.units, 2);
  // The same tiles won on the three: no bonus.
  EXPECT_FALSE(Plain("b1 b2 b3 d4 d5 d6 d7 d8 d9 b7 b8 b9 d2 d2", 0x23).kanchan);
  // The two of bamboo as the pair: no one-two-three to read.
  EXPECT_FALSE(Plain("b2 b2 d1 d2 d3 d4 d5 d6 d7 d8 d9 b7 b8 b9", 0x22).kanchan);
  // One suit and kanchan together keep both bits.
  const WinValue both = Plain("b1 b2 b3 b4 b5 b6 b7 b8 b9 b4 b5 b6 b9 b9", 0x22);
  EXPECT_EQ(both.code.bytes[3], 0x31);
}

TEST(ServerFan, ValueIsCapped) {
  WinContext c;
  c.winTile = 0x29;
  c.declared = true;
  c.lastTile = true;
  c.manner = WinManner::Replacement;
  const WinValue v = EvaluateWin(HandOf("b1 b1 b1 b1 b3 b3 b5 b5 b7 b7 b8 b8 b9 b9"), c);
  EXPECT_GT(v.fan, kMaxFan);
  EXPECT_EQ(v.units, 1 << kMaxFan);
}

TEST(ServerFan, BestWaitValueTakesTheRichestWait) {
  // Waits b2 (kanchan, 2 units) only; then a hand waiting on d1/d4 (plain, 1 unit).
  EXPECT_EQ(BestWaitValue(HandOf("b1 b3 d4 d5 d6 d7 d8 d9 b7 b8 b9 d2 d2"), false).units, 2);
  EXPECT_EQ(BestWaitValue(HandOf("b1 b3 d4 d5 d6 d7 d8 d9 b7 b8 b9 d2 d2"), true).units, 4);
  EXPECT_EQ(BestWaitValue(HandOf("d2 d3 b4 b5 b6 b7 b8 b9 d7 d8 d9 b2 b2"), false).units, 1);
  EXPECT_EQ(BestWaitValue(HandOf("b1 b4 b7 d1 d4 d7 d2 d5 d8 b2 b5 b8 d9"), false).units, 0);
}

TEST(ServerScoring, DiscardWinsArePaidByTheDiscarder) {
  WinShare a{1, {}};
  a.value.units = 4;
  WinShare b{2, {}};
  b.value.units = 2;
  const std::array<WinShare, 2> both = {a, b};
  EXPECT_EQ(DiscardWinPayments(0, std::span(both.data(), 1)), (SeatAmounts{-4, 4, 0}));
  EXPECT_EQ(DiscardWinPayments(0, both), (SeatAmounts{-6, 4, 2}));
  EXPECT_EQ(DiscardWinPayments(7, both), (SeatAmounts{}));
}

TEST(ServerScoring, SelfDrawIsPaidByEverySeatStillInPlay) {
  EXPECT_EQ(SelfDrawPayments(0, 8, {true, true, true}), (SeatAmounts{16, -8, -8}));
  EXPECT_EQ(SelfDrawPayments(0, 8, {true, false, true}), (SeatAmounts{8, 0, -8}));
}

TEST(ServerScoring, CheckAtWallEndPaysReadySeatsFromUnreadyOnes) {
  std::array<Hand, 3> hands;
  hands[0] = HandOf("b1 b3 d4 d5 d6 d7 d8 d9 b7 b8 b9 d2 d2");  // ready, kanchan: 2 units
  hands[1] = HandOf("b1 b4 b7 d1 d4 d7 d2 d5 d8 b2 b5 b8 d9");  // not ready
  hands[2] = HandOf("d2 d3 b4 b5 b6 b7 b8 b9 d7 d8 d9 b2 b2");  // ready, 1 unit
  const CheckOutcome all = CheckAtWallEnd(hands, {true, true, true}, {false, false, true});
  EXPECT_TRUE(all.ready[0]);
  EXPECT_TRUE(all.notReady[1]);
  EXPECT_TRUE(all.ready[2]);
  EXPECT_EQ(all.delta, (SeatAmounts{2, -4, 2}));  // seat 2 declared: its 1 unit doubles
  EXPECT_EQ(all.value[0].code.bytes[3], 0x21);

  // A seat that has won takes no part.
  const CheckOutcome two = CheckAtWallEnd(hands, {false, true, true}, {false, false, false});
  EXPECT_FALSE(two.ready[0]);
  EXPECT_FALSE(two.notReady[0]);
  EXPECT_EQ(two.delta, (SeatAmounts{0, -1, 1}));

  // Everyone ready, or nobody ready: nothing changes hands.
  hands[1] = hands[2];
  EXPECT_EQ(CheckAtWallEnd(hands, {true, true, true}, {}).delta, (SeatAmounts{}));
}

TEST(ServerScoring, RandomChecksAreZeroSum) {
  Rng rng(99);
  for (int trial = 0; trial < 300; ++trial) {
    const WallTiles wall = ShuffledWall(rng);
    std::array<Hand, 3> hands;
    for (int s = 0; s < 3; ++s)
      for (int i = 0; i < 13; ++i) hands[s].Add(wall[s * 13 + i]);
    const SeatFlags inPlay = {rng.Below(4) != 0, true, rng.Below(3) != 0};
    const SeatFlags declared = {rng.Below(2) == 0, false, rng.Below(2) == 0};
    ASSERT_EQ(Sum(CheckAtWallEnd(hands, inPlay, declared).delta), 0);
  }
}

}  // namespace
}  // namespace korvel::server
