#include "rules/shapes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <initializer_list>

#include "rules/wall.h"
#include "server_test_support.h"

namespace korvel::server {
namespace {

using testing::CountsOf;
using testing::HandOf;

std::string Names(const TileList& tiles) {
  std::string s;
  for (TileCode t : tiles) s += (s.empty() ? "" : " ") + TileName(t);
  return s;
}

TEST(ServerShapes, FourSetsAndAPair) {
  EXPECT_TRUE(IsStandardWin(CountsOf("b1 b2 b3 b4 b5 b6 b7 b8 b9 d5 d5 d5 d9 d9"), 0));
  EXPECT_TRUE(IsStandardWin(CountsOf("b1 b1 b1 b2 b3 b4 b5 b5 d2 d3 d4 d7 d7 d7"), 0));
  // A pung that must be read as runs: 111 222 333 and the pair.
  EXPECT_TRUE(IsStandardWin(CountsOf("b1 b1 b1 b2 b2 b2 b3 b3 b3 d4 d5 d6 d9 d9"), 0));
  EXPECT_FALSE(IsStandardWin(CountsOf("b1 b2 b3 b4 b5 b6 b7 b8 b9 d5 d5 d5 d8 d9"), 0));
  // Runs never wrap across suits.
  EXPECT_FALSE(IsStandardWin(CountsOf("b8 b9 d1 b1 b2 b3 b4 b5 b6 d5 d5 d5 d9 d9"), 0));
  // With melds the concealed part is shorter.
  EXPECT_TRUE(IsStandardWin(CountsOf("b2 b3 b4 d6 d6"), 3));
  EXPECT_FALSE(IsStandardWin(CountsOf("b2 b3 b4 d6 d6"), 2));
  EXPECT_TRUE(IsStandardWin(CountsOf("d6 d6"), 4));
}

TEST(ServerShapes, SevenPairsCountsFourOfAKindAsTwoPairs) {
  EXPECT_TRUE(IsSevenPairs(CountsOf("b1 b1 b3 b3 b5 b5 b7 b7 d2 d2 d4 d4 d9 d9"), 0));
  EXPECT_TRUE(IsSevenPairs(CountsOf("b1 b1 b1 b1 b5 b5 b7 b7 d2 d2 d4 d4 d9 d9"), 0));
  EXPECT_FALSE(IsSevenPairs(CountsOf("b1 b1 b1 b3 b5 b5 b7 b7 d2 d2 d4 d4 d9 d9"), 0));
  EXPECT_FALSE(IsSevenPairs(CountsOf("b1 b1 b3 b3 b5 b5 b7 b7 d2 d2 d4 d4"), 1));
  EXPECT_TRUE(IsWinningShape(CountsOf("b1 b1 b3 b3 b5 b5 b7 b7 d2 d2 d4 d4 d9 d9"), 0));
}

TEST(ServerShapes, WaitsOfReadyHands) {
  EXPECT_EQ(Names(WaitsOf(HandOf("b2 b3 b4 b5 b6 b7 b8 d1 d1 d1 d5 d5 d5"))), "b2 b5 b8");
  EXPECT_EQ(Names(WaitsOf(HandOf("b1 b1 b3 b3 b5 b5 b7 b7 d2 d2 d4 d4 d9"))), "d9");
  // Single wait on the middle tile.
  EXPECT_EQ(Names(WaitsOf(HandOf("b1 b3 d1 d2 d3 d4 d5 d6 d7 d8 d9 d5 d5"))), "b2");
  EXPECT_TRUE(WaitsOf(HandOf("b1 b4 b7 d1 d4 d7 d2 d5 d8 b2 b5 b8 d9")).empty());
  // A hand of 3k + 2 tiles waits for nothing.
  EXPECT_TRUE(WaitsOf(HandOf("b1 b1")).empty());
}

TEST(ServerShapes, ATileHeldFourTimesIsNoWait) {
  // Complete but for a fifth one of bamboo: one tile short on paper, yet nothing can come.
  const Hand held = HandOf("b1 b1 b1 b1 d2 d3 d4 d5 d6 d7 d8 d8 d8");
  EXPECT_TRUE(WaitsOf(held).empty());
  EXPECT_FALSE(IsReady(held));
  ShantenCalculator calc;
  EXPECT_EQ(calc.Shanten(held.concealed, 0), 0);
  // Melded tiles count as held: with a peng of d6 the single d6 can still come as d5 can.
  Hand melded = HandOf("d5 b1 b2 b3 b4 b5 b6 b7 b8 b9");
  melded.AddMeld({MeldKind::Peng, 0x86, 1});
  EXPECT_EQ(Names(WaitsOf(melded)), "d5");
  Hand fourth = HandOf("d6 b1 b2 b3 b4 b5 b6 b7 b8 b9");
  fourth.AddMeld({MeldKind::Peng, 0x86, 1});
  EXPECT_TRUE(WaitsOf(fourth).empty());
}

TEST(ServerShapes, ReadyDiscardsListEveryDiscardThatLeavesAReadyHand) {
  const Hand h = HandOf("b2 b3 b4 b5 b6 b7 b8 d1 d1 d1 d5 d5 d5 d9");
  EXPECT_EQ(Names(ReadyDiscardsOf(h)), "b2 b5 b8 d9");
  EXPECT_TRUE(ReadyDiscardsOf(HandOf("b1 b4 b7 d1 d4 d7 d2 d5 d8 b2 b5 b8 d9 d6")).empty());
}

TEST(ServerShapes, ShantenOfKnownHands) {
  ShantenCalculator calc;
  EXPECT_EQ(calc.Shanten(CountsOf("b1 b2 b3 b4 b5 b6 b7 b8 b9 d5 d5 d5 d9 d9"), 0), -1);
  EXPECT_EQ(calc.Shanten(CountsOf("b2 b3 b4 b5 b6 b7 b8 d1 d1 d1 d5 d5 d5"), 0), 0);
  EXPECT_EQ(calc.Shanten(CountsOf("b1 b1 b3 b3 b5 b5 b7 b7 d2 d2 d4 d4 d9"), 0), 0);
  EXPECT_EQ(calc.Shanten(CountsOf("b1 b4 b7 d1 d4 d7 d2 d5 d8 b2 b5 b8 d9"), 0), 3);
  EXPECT_EQ(calc.Shanten(CountsOf("b2 b3 d6 d6"), 3), 0);
  EXPECT_EQ(calc.Shanten(CountsOf("d6"), 4), 0);
  EXPECT_EQ(ShantenCalculator::SevenPairsShanten(CountsOf("b1 b1 b1 b1"), 0), 4);
  EXPECT_EQ(ShantenCalculator::SevenPairsShanten(CountsOf("b1 b1 b3 b3"), 1), 8);
}

// Shanten must agree with the direct tests on many random hands: -1 exactly when the hand
// wins, 0 exactly when some tile completes it.
TEST(ServerShapes, ShantenAgreesWithWinAndWaitTests) {
  ShantenCalculator calc;
  Rng rng(2024);
  for (int trial = 0; trial < 3000; ++trial) {
    const WallTiles wall = ShuffledWall(rng);
    Hand h;
    for (int i = 0; i < 13; ++i) h.Add(wall[i]);
    // Shanten counts tiles on paper, so a fifth copy may complete the hand here.
    TileCounts any = h.concealed;
    bool completes = false;
    for (int kind = 0; kind < kKinds; ++kind) {
      ++any[kind];
      completes = completes || IsWinningShape(any, 0);
      --any[kind];
    }
    ASSERT_EQ(calc.Shanten(h.concealed, 0) == 0, completes) << trial;
    h.Add(wall[13]);
    ASSERT_EQ(calc.Shanten(h.concealed, 0) == -1, IsWinningShape(h.concealed, 0)) << trial;
  }
  EXPECT_GT(calc.CachedPatterns(), 0u);
}

// Every split of a whole hand into sets, partial sets, a head and loose tiles, tried one by one:
// the distance to ready by its definition, to hold the per-suit tables against.
int SplitShanten(TileCounts c, int melds) {
  int best = 8;
  auto walk = [&](auto& self, int kind, int head, int sets, int partials) -> void {
    while (kind < kKinds && c[kind] == 0) ++kind;
    if (kind == kKinds) {
      if (sets + melds <= 4) {
        const int all = sets + melds;
        best = std::min(best, 8 - 2 * all - std::min(partials, 4 - all) - head);
      }
      return;
    }
    const int rank = kind % 9;
    auto take = [&](std::initializer_list<int> offsets, int h, int s, int p) {
      for (int d : offsets) --c[kind + d];
      self(self, kind, head + h, sets + s, partials + p);
      for (int d : offsets) ++c[kind + d];
    };
    if (c[kind] >= 3) take({0, 0, 0}, 0, 1, 0);
    if (rank <= 6 && c[kind + 1] && c[kind + 2]) take({0, 1, 2}, 0, 1, 0);
    if (c[kind] >= 2) {
      if (!head) take({0, 0}, 1, 0, 0);
      take({0, 0}, 0, 0, 1);
    }
    if (rank <= 7 && c[kind + 1]) take({0, 1}, 0, 0, 1);
    if (rank <= 6 && c[kind + 2]) take({0, 2}, 0, 0, 1);
    take({0}, 0, 0, 0);
  };
  walk(walk, 0, 0, 0, 0);
  return best;
}

TEST(ServerShapes, ShantenAgreesWithEverySplitOfTheHand) {
  ShantenCalculator calc;
  Rng rng(77);
  for (int trial = 0; trial < 400; ++trial) {
    const WallTiles wall = ShuffledWall(rng);
    const int melds = trial % 5;
    const int tiles = 3 * (4 - melds) + 1 + (trial / 5) % 2;
    TileCounts c{};
    for (int i = 0; i < tiles; ++i) ++c[KindOf(wall[i])];
    ASSERT_EQ(calc.StandardShanten(c, melds), SplitShanten(c, melds)) << trial;
  }
  // A second calculator that meets the hands in another order agrees with the first.
  ShantenCalculator other;
  Rng again(77);
  for (int trial = 0; trial < 50; ++trial) {
    const WallTiles wall = ShuffledWall(again);
    TileCounts c{};
    for (int i = 0; i < 14; ++i) ++c[KindOf(wall[i])];
    ASSERT_EQ(other.Shanten(c, 0), calc.Shanten(c, 0)) << trial;
  }
}

}  // namespace
}  // namespace korvel::server
