#include <gtest/gtest.h>

#include "rules/wall.h"
#include "server_test_support.h"

namespace korvel::server {
namespace {

using testing::HandOf;
using testing::Tiles;

TEST(ServerTiles, OnlyBambooAndDotsArePlayTiles) {
  EXPECT_EQ(KindOf(0x21), 0);
  EXPECT_EQ(KindOf(0x29), 8);
  EXPECT_EQ(KindOf(0x81), 9);
  EXPECT_EQ(KindOf(0x89), 17);
  for (TileCode bad : {0x00, 0x20, 0x2A, 0x45, 0x15, 0x80, 0x8F, 0xFF, 0x31})
    EXPECT_EQ(KindOf(static_cast<TileCode>(bad)), -1) << int(bad);
  for (int kind = 0; kind < kKinds; ++kind) EXPECT_EQ(KindOf(TileOf(kind)), kind);
}

TEST(ServerTiles, ClientOrderPutsDotsFirstAndTheDrawnTileLast) {
  Hand h = HandOf("b3 d7 b1 d2 b9");
  EXPECT_EQ(h.LastInClientOrder(), 0x29);
  h.Add(0x81);
  h.drawn = 0x81;
  const TileList order = h.ClientOrder();
  const std::vector<TileCode> expected = {0x82, 0x87, 0x21, 0x23, 0x29, 0x81};
  ASSERT_EQ(order.size, expected.size());
  for (size_t i = 0; i < expected.size(); ++i) EXPECT_EQ(order[i], expected[i]) << i;
}

TEST(ServerTiles, HandRefusesAFifthCopyAndTilesItDoesNotHold) {
  Hand h = HandOf("b5 b5 b5 b5");
  EXPECT_FALSE(h.Add(0x25));
  EXPECT_FALSE(h.Remove(0x26));
  EXPECT_FALSE(h.Remove(0x25, 5));
  EXPECT_TRUE(h.Remove(0x25, 4));
  EXPECT_EQ(h.ConcealedCount(), 0);
}

TEST(ServerWall, SeedGivesTheSameWallAndEveryTileFourTimes) {
  Rng a(42), b(42), c(43);
  const WallTiles wa = ShuffledWall(a);
  EXPECT_EQ(wa, ShuffledWall(b));
  EXPECT_NE(wa, ShuffledWall(c));
  EXPECT_TRUE(IsCompleteSet(wa));
  EXPECT_NE(wa, FullSet());
}

TEST(ServerWall, DrawsFromBothEndsUntilEmpty) {
  Wall wall(FullSet());
  EXPECT_EQ(wall.DrawFront(), 0x21);
  EXPECT_EQ(wall.DrawBack(), 0x89);
  EXPECT_EQ(wall.Remaining(), 70);
  EXPECT_EQ(wall.TakenFromFront(), 1);
  EXPECT_EQ(wall.TakenFromBack(), 1);
  for (int i = 0; i < 70; ++i) EXPECT_NE(wall.DrawFront(), 0);
  EXPECT_TRUE(wall.Empty());
  EXPECT_EQ(wall.DrawFront(), 0);
  EXPECT_EQ(wall.DrawBack(), 0);
}

TEST(ServerWall, WallFileAcceptsCodesNamesAndComments) {
  std::string text = "# a scripted wall\n";
  const WallTiles full = FullSet();
  for (int i = 0; i < kWallTiles; ++i) {
    if (i % 3 == 0) {
      text += TileName(full[i]);
    } else if (i % 3 == 1) {
      char buf[8];
      std::snprintf(buf, sizeof buf, "0x%02X", full[i]);
      text += buf;
    } else {
      char buf[8];
      std::snprintf(buf, sizeof buf, "%02x", full[i]);
      text += buf;
    }
    text += i % 12 == 11 ? "  # row\n" : ", ";
  }
  const WallFile one = ParseWallFile(text);
  ASSERT_EQ(one.error, "");
  ASSERT_EQ(one.walls.size(), 1u);
  EXPECT_EQ(one.walls[0], full);
  const WallFile two = ParseWallFile(text + text);
  EXPECT_EQ(two.walls.size(), 2u);
}

TEST(ServerWall, WallFileErrorsNameTheProblem) {
  EXPECT_NE(ParseWallFile("").error, "");
  EXPECT_NE(ParseWallFile("b1 b2 zz").error.find("line 1"), std::string::npos);
  EXPECT_NE(ParseWallFile("b1 b2\n\n45").error.find("line 3"), std::string::npos);  // characters
  std::string five;
  for (int i = 0; i < kWallTiles; ++i) five += "b1 ";
  EXPECT_NE(ParseWallFile(five).error.find("four times"), std::string::npos);
  std::string shortWall;
  for (int i = 0; i < 71; ++i) shortWall += TileName(FullSet()[i]) + " ";
  EXPECT_NE(ParseWallFile(shortWall).error.find("71"), std::string::npos);
  EXPECT_NE(ParseWallFile("0x2 0x210").error, "");
}

TEST(ServerWall, RngBelowStaysInRange) {
  Rng rng(7);
  std::array<int, 6> seen{};
  for (int i = 0; i < 6000; ++i) {
    const uint32_t v = rng.Below(6);
    ASSERT_LT(v, 6u);
    ++seen[v];
  }
  for (int n : seen) EXPECT_GT(n, 800);
}

}  // namespace
}  // namespace korvel::server
