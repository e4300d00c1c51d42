// Dealing and drawing: where each tile lands, the reveal of the local hand, the gap before a
// drawn tile, and the previous discard moving into its seat's discards.
#include <gtest/gtest.h>

#include "table_fixture.h"

namespace korvel {
namespace {

using testing::TableFixture;
using testing::TilePic;

class DealingTest : public TableFixture {
 protected:
  void SetUp() override {
    TableFixture::SetUp();
    StartPlaying(1);  // left seat mask 4, right seat mask 2
  }
  // A deal started with the local player as dealer (dealing from element 30) or not.
  void StartDeal(bool localDealer) { Feed(DealStartRecord(localDealer ? 1 : 2, 3)); }
  void Tiles(int mask, int n, std::array<int16_t, 4> values = {}) {
    play().OnTiles(mask, n, values);
  }
  int Handed() { return player(0).handCount + player(1).handCount + player(2).handCount; }
};

TEST_F(DealingTest, LocalTilesTakeTheNextWallElementsInTheirRow) {
  StartDeal(true);
  Feed(Four(1, 0x89, 0x21, 0x45, 0x11));
  const PlayerRecord& p = player(0);
  EXPECT_EQ(p.handCount, 4);
  const int codes[4] = {0x89, 0x21, 0x45, 0x11};
  for (int k = 0; k < 4; ++k) {
    const TileSlot& slot = p.slots[4 + k];
    EXPECT_EQ(slot.kind, SlotKind::Concealed);
    EXPECT_EQ(slot.code, codes[k]);
    EXPECT_EQ(slot.element, 30 + k);
    EXPECT_EQ(PicOf(30 + k), TilePic(TilePicture(codes[k], kBlockHand)));
    EXPECT_EQ(TileEl(30 + k).geometry, (Rect{19.0 + (4 + k) * 48, 564, 48, 78}));
  }
  EXPECT_EQ(state().NextTileElement, 34);
}

TEST_F(DealingTest, TheThirteenthTileShowsTheHandFaceDownForASecondThenSorted) {
  StartDeal(false);
  Feed(Four(1, 0x89, 0x21, 0x45, 0x11));
  Feed(Four(1, 0x81, 0x41, 0x29, 0x13));
  Feed(Four(1, 0x82, 0x42, 0x22, 0x12));
  // Look at the hand while the client waits with it face down.
  std::vector<PictureId> during;
  vp.timers.Start("probe", 500, [&] {
    for (int k = 4; k < 17; ++k) during.push_back(PicOf(player(0).slots[k].element));
    vp.timers.Stop("probe");
  });
  const int64_t before = vp.timers.NowMs();
  Tiles(1, 1, {0, 0, 0, 0x88});
  EXPECT_GE(vp.timers.NowMs() - before, 1000);
  ASSERT_EQ(during.size(), 13u);
  for (PictureId pic : during) EXPECT_EQ(pic, TilePic(7));
  EXPECT_EQ(HandCodes(0), (std::vector<int>{0x81, 0x82, 0x88, 0x89, 0x41, 0x42, 0x45, 0x21, 0x22,
                                            0x29, 0x11, 0x12, 0x13}));
  for (int k = 4; k < 17; ++k) {
    EXPECT_EQ(PicOf(player(0).slots[k].element),
              TilePic(TilePicture(player(0).slots[k].code, kBlockHand)));
  }
}

TEST_F(DealingTest, ADrawThatMakesThreeKPlusTwoStandsHalfATileApart) {
  StartDeal(false);
  SetHand(0, {0x81, 0x82, 0x83, 0x84});
  state().DealDone = 3;
  // The earlier tiles are put back in line, a raised one too.
  main().Move(Tile(1), TileEl(1).geometry.left, 554);
  state().NextTileElement = 40;
  Tiles(1, 1, {0, 0, 0, 0x21});
  EXPECT_EQ(TileEl(1).geometry.top, 564);
  EXPECT_EQ(player(0).handCount, 5);
  EXPECT_EQ(player(0).slots[8].element, 40);
  EXPECT_EQ(TileEl(40).geometry, (Rect{19.0 + 8 * 48 + 24, 564, 48, 78}));
  // A draw that does not make 3k + 2 stays in the row.
  SetHand(0, {0x81, 0x82, 0x83});
  Tiles(1, 1, {0, 0, 0, 0x21});
  EXPECT_EQ(TileEl(41).geometry.left, 19.0 + 7 * 48);
}

TEST_F(DealingTest, OnlyTheFirstDrawAfterAGangReSortsTheHand) {
  StartDeal(false);
  SetHand(0, {0x21, 0x81, 0x41, 0x11});
  state().DealDone = 3;
  state().ReplacementDraw = 0;
  Tiles(1, 1, {0, 0, 0, 0x85});
  EXPECT_EQ(HandCodes(0), (std::vector<int>{0x81, 0x41, 0x21, 0x11, 0x85}));
  EXPECT_EQ(state().ReplacementDraw, -1);
  SetHand(0, {0x21, 0x81, 0x41, 0x11});
  Tiles(1, 1, {0, 0, 0, 0x85});
  EXPECT_EQ(HandCodes(0), (std::vector<int>{0x21, 0x81, 0x41, 0x11, 0x85}));
}

TEST_F(DealingTest, SideSeatsGetStandingBacksDownTheirEdges) {
  StartDeal(true);
  Feed(Four(4, 0, 0, 0, 0));  // left
  Feed(Four(2, 0, 0, 0, 0));  // right
  for (int k = 0; k < 4; ++k) {
    const int s = 4 + k;
    const TileSlot& left = player(1).slots[s];
    EXPECT_EQ(left.kind, SlotKind::Concealed);
    EXPECT_EQ(left.element, 30 + k);
    EXPECT_EQ(PicOf(30 + k), TilePic(43));
    EXPECT_EQ(TileEl(30 + k).geometry, (Rect{163.0 - 5 * s, 192 + s * 35 / 2.0, 35, 66}));
    EXPECT_EQ(PicOf(34 + k), TilePic(115));
    EXPECT_EQ(TileEl(34 + k).geometry,
              (Rect{942.0 - 5 * (s + 1), 560 - (s + 1) * 35 / 2.0, 35, 66}));
  }
}

TEST_F(DealingTest, TheSideDealersFourteenthAndLaterDrawsStandApart) {
  StartDeal(false);  // the right seat deals
  for (int i = 0; i < 3; ++i) Tiles(2, 4);
  Tiles(2, 1);
  const double row13 = 560 - (16 + 1) * 35 / 2.0;
  EXPECT_EQ(TileEl(player(2).slots[16].element).geometry.top, row13);
  Tiles(2, 1);  // the fourteenth while dealing
  EXPECT_EQ(TileEl(player(2).slots[17].element).geometry.top, 560 - 18 * 35 / 2.0 - 10);
  // After dealing, a left seat's draw to 3k + 2 moves down.
  player(1).handCount = 13;
  state().DealDone = 3;
  Tiles(4, 1);
  EXPECT_EQ(TileEl(player(1).slots[17].element).geometry.top, 192 + 17 * 35 / 2.0 + 10);
}

TEST_F(DealingTest, DealingIsCompleteExactlyAtTheFortiethTileInAnyOrder) {
  StartDeal(false);
  Tiles(2, 4), Tiles(4, 4), Tiles(2, 4), Tiles(2, 4), Tiles(4, 4), Tiles(4, 4);
  Tiles(2, 1), Tiles(2, 1), Tiles(4, 1);
  for (int i = 0; i < 3; ++i) Tiles(1, 4);
  EXPECT_EQ(Handed(), 39);
  EXPECT_LT(state().DealDone, 0);
  Tiles(1, 1, {0, 0, 0, 0x11});
  EXPECT_EQ(Handed(), 40);
  EXPECT_EQ(state().DealDone, 3);
  EXPECT_EQ(state().NextTileElement, 6 + 40);  // the right dealer, die 3: element 6 on
}

TEST_F(DealingTest, ADrawMovesThePreviousDiscardIntoItsSeatsRowsAfterAPause) {
  StartDeal(false);
  state().DealDone = 3;
  PlayerRecord& p = player(0);
  const int16_t x0 = p.discardX0, y0 = p.discardY0;
  EXPECT_EQ(x0, 356);
  EXPECT_EQ(y0, 443);
  for (int n = 0; n < 7; ++n) {
    state().OfferElement = static_cast<int16_t>(60 + n);
    state().OfferView = 0;
    const int64_t before = vp.timers.NowMs();
    Tiles(4, 1);
    EXPECT_GE(vp.timers.NowMs() - before, 400);
    const Rect expected = n < 6 ? Rect{356.0 + 36 * n, 443, 36, 50} : Rect{356, 443 - 32, 36, 50};
    EXPECT_EQ(TileEl(60 + n).geometry, expected) << n;
    EXPECT_EQ(play().LastDiscardX, expected.left);
    EXPECT_EQ(play().LastDiscardY, expected.top);
  }
  EXPECT_EQ(p.discardX, 356 + 36);
  EXPECT_EQ(p.discardY, 443 - 32);
  EXPECT_EQ(client.loop().TileBlinkCount, 3);
}

TEST_F(DealingTest, SideDiscardColumnsStepAndTurnTowardsTheMiddle) {
  StartDeal(false);
  state().DealDone = 3;
  const int16_t lx = player(1).discardX0, ly = player(1).discardY0;
  const int16_t rx = player(2).discardX0, ry = player(2).discardY0;
  for (int n = 0; n < 7; ++n) {
    state().OfferElement = static_cast<int16_t>(40 + n);
    state().OfferView = 1;
    Tiles(2, 1);
    state().OfferElement = static_cast<int16_t>(50 + n);
    state().OfferView = 2;
    Tiles(4, 1);
  }
  for (int n = 0; n < 6; ++n) {
    EXPECT_EQ(TileEl(40 + n).geometry, (Rect{lx - 5.0 * n, ly + 18.0 * n, 48, 35})) << n;
    EXPECT_EQ(TileEl(50 + n).geometry, (Rect{rx - 5.0 * n, ry - 18.0 * n, 48, 35})) << n;
  }
  EXPECT_EQ(TileEl(46).geometry.left, lx - 30 + 48 + 30 - 5);
  EXPECT_EQ(TileEl(46).geometry.top, ly);
  EXPECT_EQ(TileEl(56).geometry.left, rx - 30 - (48 - 30 - 5));
  EXPECT_EQ(TileEl(56).geometry.top, ry);
  // The right seat's discards are restacked: the first row's first tile in front of its
  // second, and the second row in front of the first.
  ASSERT_EQ(state().RightDiscardCount, 7);
  EXPECT_GT(main().ZIndex(Tile(50)), main().ZIndex(Tile(51)));
  EXPECT_GT(main().ZIndex(Tile(56)), main().ZIndex(Tile(50)));
}

TEST_F(DealingTest, AClaimedTileStaysInTheMiddleAndTheDrawDoesNotWait) {
  StartDeal(false);
  state().DealDone = 3;
  main().Move(Tile(60), 100, 100, 36, 50);
  state().OfferElement = 60;
  state().OfferView = 0;
  state().OfferClaimed = true;
  const int64_t before = vp.timers.NowMs();
  Tiles(4, 1);
  EXPECT_EQ(vp.timers.NowMs(), before);
  EXPECT_EQ(TileEl(60).geometry.left, 100);
  EXPECT_FALSE(state().OfferClaimed);
  // Four dealt tiles always finish the discard.
  state().OfferClaimed = true;
  Feed(Four(4, 0, 0, 0, 0));
  EXPECT_EQ(TileEl(60).geometry.left, player(0).discardX0);
}

TEST_F(DealingTest, TilesForAHandWithoutRoomAreLeftOut) {
  StartDeal(false);
  SetHand(0, {0x11, 0x12, 0x13, 0x14, 0x15, 0x16, 0x17, 0x21, 0x22, 0x23, 0x24, 0x25, 0x26, 0x27});
  const int16_t cursor = state().NextTileElement;
  Feed(One(1, 0x11));
  EXPECT_EQ(player(0).handCount, 14);
  EXPECT_EQ(state().NextTileElement, cursor);
  EXPECT_TRUE(vp.log.Contains("no room"));
  // A side seat likewise, and the table goes on.
  player(1).handCount = 12;
  Feed(Four(4, 0, 0, 0, 0));
  EXPECT_EQ(player(1).handCount, 12);
  Feed(One(4, 0));
  EXPECT_EQ(player(1).handCount, 13);
}

// A burst of records the table cannot follow costs one reconnection, not the game: what the
// dropped connection still held belongs to it and goes with it.
TEST_F(DealingTest, ABurstOfDrawsToAFullHandLeadsToExactlyOneReconnection) {
  StartDeal(false);
  SetHand(0, {0x11, 0x12, 0x13, 0x14, 0x15, 0x16, 0x17, 0x21, 0x22, 0x23, 0x24, 0x25, 0x26, 0x27});
  const int connects = vp.socket.connects;
  std::vector<uint8_t> burst;
  for (int i = 0; i < 6; ++i) {
    const RecordBytes r = One(1, 0x11);
    burst.insert(burst.end(), r.begin(), r.end());
  }
  vp.socket.Deliver(burst);
  ASSERT_EQ(Run(1000), -1) << "the client ended";
  EXPECT_FALSE(vp.socket.IsConnected()) << "the connection that went wrong is dropped";
  ASSERT_EQ(Run(4000), -1) << "the client ended";
  EXPECT_EQ(vp.socket.connects, connects + 1) << "one reconnection";
  EXPECT_TRUE(vp.dialogs.shown.empty());
}

// Logged in but not yet seated, the table has not been cleared and the rows have no places:
// tiles then are left out instead of standing outside the window. A deal start places them.
TEST_F(DealingTest, TilesBeforeTheSeatsHavePlacesAreLeftOut) {
  ASSERT_FALSE(view().seatsPlaced());
  Feed(One(4, 0x21));
  Feed(Four(2, 0x21, 0x22, 0x23, 0x24));
  EXPECT_EQ(Handed(), 0);
  for (ElementId e : el().MJ_Image) {
    if (!main().Visible(e)) continue;
    EXPECT_GE(main().GetLeft(e), 0);
    EXPECT_GE(main().GetTop(e), 0);
  }
  StartDeal(false);
  EXPECT_TRUE(view().seatsPlaced());
  Feed(One(4, 0x21));
  EXPECT_EQ(Handed(), 1);
}

}  // namespace
}  // namespace korvel
