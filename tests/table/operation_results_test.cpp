// The server's results of operations for the local player (melds laid out from the slots the
// claim staged, wins), the ready sticks, the final reveal, and the local hand following a
// discard the server made for the player.
#include <gtest/gtest.h>

#include "offer_records.h"

namespace korvel {
namespace {

using testing::OfferFixture;
using testing::OperationRecord;
using testing::OptionRecord;
using testing::RevealRecord;
using testing::TilePic;

constexpr double kRowX = 19;
constexpr double kRow = 564;

// Left of the local meld tile in slot s: 43 pixels a slot at full size.
double MeldLeft(int s) { return kRowX + (s + 1) * 43; }

class OperationResultsTest : public OfferFixture {
 protected:
  void Take(const RecordBytes& record) {
    Deliver(record);
    ASSERT_EQ(Run(150), -1);
  }
  // The right seat (mask 2) holds 14 backs on elements 40..53 and discards `tile`.
  void RightDiscards(int tile) {
    SetHand(2, {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, 40);
    Take(DiscardRecord(2, tile));
  }
  // The peng of 0x23 with the pair at slots 9 and 10, claimed and confirmed.
  void PengOf23() {
    SetHand(0, {0x81, 0x82, 0x83, 0x84, 0x41, 0x23, 0x23, 0x25, 0x26, 0x27, 0x28, 0x11, 0x12});
    RightDiscards(0x23);
    Take(OptionRecord(1, 0x09));
    ClickButton(1);
    ASSERT_EQ(Sent().size(), 1u);
    Take(OperationRecord(1, OpPeng, 0x23));
  }
  void ExpectRowInPlace() {
    const PlayerRecord& p = player(0);
    for (int k = p.handStart; k < p.handStart + p.handCount; ++k) {
      EXPECT_EQ(TileEl(p.slots[k].element).geometry, (Rect{kRowX + 48 * k, kRow, 48, 78})) << k;
    }
  }
};

TEST_F(OperationResultsTest, ALocalPengLaysTheMeldOutAndClosesTheRowInItsOldOrder) {
  PengOf23();
  const PlayerRecord& p = player(0);
  const int discard = state().OfferElement;
  EXPECT_EQ(p.slots[3].element, discard);
  for (int s = 1; s <= 3; ++s) {
    const Element& t = TileEl(p.slots[s].element);
    EXPECT_EQ(t.geometry, (Rect{MeldLeft(s), kRow, 45, 60})) << s;
    EXPECT_EQ(t.picture, TilePic(TilePicture(0x23, kBlockUpright))) << s;
  }
  EXPECT_EQ(p.handStart, 7);
  EXPECT_EQ(p.handCount, 11);
  EXPECT_EQ(p.meldCursor, 6);
  EXPECT_EQ(Codes(0, 7, 17),
            (std::vector<int>{0x81, 0x82, 0x83, 0x84, 0x41, 0x25, 0x26, 0x27, 0x28, 0x11, 0x12}));
  // Every concealed element keeps its tile and stands at its new slot.
  EXPECT_EQ(p.slots[7].element, 0);
  EXPECT_EQ(p.slots[12].element, 7);
  ExpectRowInPlace();
  EXPECT_FALSE(Shown(el().Operation[1]));
}

TEST_F(OperationResultsTest, ALocalGangOnADiscardTakesTheDiscardAsItsFourthTile) {
  SetHand(0, {0x81, 0x82, 0x83, 0x84, 0x41, 0x23, 0x23, 0x23, 0x26, 0x27, 0x28, 0x11, 0x12});
  RightDiscards(0x23);
  const int discard = state().OfferElement;
  Take(OptionRecord(1, 0x11));
  ClickButton(2);
  auto sent = Sent();
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(Value(sent[0], 0), OpGang);
  EXPECT_EQ(Value(sent[0], 2), 0x2023);

  Take(OperationRecord(1, OpGang, 0x23));
  const PlayerRecord& p = player(0);
  for (int s = 1; s <= 3; ++s) {
    EXPECT_EQ(TileEl(p.slots[s].element).geometry, (Rect{MeldLeft(s), kRow, 45, 60})) << s;
  }
  EXPECT_EQ(TileEl(discard).geometry, (Rect{MeldLeft(2), kRow - 18, 45, 60}));
  EXPECT_EQ(PicOf(discard), TilePic(TilePicture(0x23, kBlockUpright)));
  EXPECT_EQ(p.handStart, 7);
  EXPECT_EQ(p.handCount, 10);
  EXPECT_EQ(p.meldCursor, 6);
  EXPECT_EQ(Codes(0, 7, 16),
            (std::vector<int>{0x81, 0x82, 0x83, 0x84, 0x41, 0x26, 0x27, 0x28, 0x11, 0x12}));
  ExpectRowInPlace();
  EXPECT_EQ(state().ReplacementDraw, 0);
  EXPECT_TRUE(state().OfferClaimed);

  // The replacement tile: the claimed discard stays on the meld.
  Take(One(1, 0x29));
  EXPECT_EQ(TileEl(discard).geometry, (Rect{MeldLeft(2), kRow - 18, 45, 60}));
  EXPECT_EQ(p.handCount, 11);
  EXPECT_EQ(p.slots[17].code, 0x29);
}

TEST_F(OperationResultsTest, ALocalConcealedGangShowsThreeBacksUnderItsFourthTile) {
  SetHand(0, {0x81, 0x82, 0x83, 0x84, 0x41, 0x42, 0x22, 0x22, 0x22, 0x25, 0x26, 0x11, 0x12, 0x22});
  // The drawn tile stands half a tile apart.
  const int drawn = player(0).slots[17].element;
  main().Move(Tile(drawn), kRowX + 48 * 17 + 24, kRow);
  Take(OptionRecord(1, 0x21, 8, {}, {0x22}));
  ClickButton(2);
  auto sent = Sent();
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(Value(sent[0], 0), OpConcealedGang);

  Take(OperationRecord(1, OpConcealedGang, 0x22));
  const PlayerRecord& p = player(0);
  for (int s = 1; s <= 3; ++s) {
    EXPECT_EQ(TileEl(p.slots[s].element).geometry, (Rect{MeldLeft(s), kRow, 45, 60})) << s;
    EXPECT_EQ(PicOf(p.slots[s].element), TilePic(LyingBackIndex(kBlockUpright))) << s;
  }
  const int fourth = state().OfferElement;
  EXPECT_EQ(TileEl(fourth).geometry, (Rect{MeldLeft(2), kRow - 18, 45, 60}));
  EXPECT_EQ(PicOf(fourth), TilePic(TilePicture(0x22, kBlockUpright)));
  EXPECT_EQ(p.handStart, 7);
  EXPECT_EQ(p.handCount, 10);
  EXPECT_EQ(Codes(0, 7, 16),
            (std::vector<int>{0x81, 0x82, 0x83, 0x84, 0x41, 0x42, 0x25, 0x26, 0x11, 0x12}));
  ExpectRowInPlace();
}

TEST_F(OperationResultsTest, AnAddedGangJoinsTheEarlierPengAboveItsMiddleTile) {
  PengOf23();
  // The player discards, and later draws the fourth 0x23.
  Take(OptionRecord(1, 0x00));
  PressTile(player(0).slots[7].element);
  ASSERT_EQ(Sent().size(), 2u);  // the pass of the turn, then the discard
  Take(DiscardRecord(1, 0x81));
  Take(One(4, 0));
  Take(DiscardRecord(4, 0x88));
  Take(One(1, 0x23));
  const PlayerRecord& p = player(0);
  ASSERT_EQ(p.handCount, 11);
  const int added = p.slots[17].element;
  Take(OptionRecord(1, 0x41, 8, {}, {}, {0x23}));
  ClickButton(2);
  auto sent = Sent();
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(Value(sent[0], 0), OpAddedGang);
  EXPECT_EQ(Value(sent[0], 1), 0);
  EXPECT_EQ(Value(sent[0], 3), 0x2023);

  Take(OperationRecord(1, OpAddedGang, 0x23));
  EXPECT_EQ(TileEl(added).geometry, (Rect{MeldLeft(2), kRow - 18, 45, 60}));
  EXPECT_EQ(PicOf(added), TilePic(TilePicture(0x23, kBlockUpright)));
  EXPECT_EQ(p.handCount, 10);
  EXPECT_EQ(p.meldCursor, 6);
  EXPECT_EQ(p.handStart, 7);
  EXPECT_EQ(state().OfferElement, added);
  EXPECT_EQ(state().OfferTile, 0x23);
  EXPECT_EQ(state().ReplacementDraw, 0);
}

TEST_F(OperationResultsTest, ARedDragonAddedOnItsOwnIsSetAsideInSlotZero) {
  SetHand(0, {0x81, 0x82, 0x83, 0x84, 0x41, 0x42, 0x43, 0x25, 0x26, 0x27, 0x11, 0x11, 0x12, 0x15});
  const int dragon = player(0).slots[17].element;
  Take(OptionRecord(1, 0x41, 8, {}, {}, {0x15}));
  ClickButton(2);
  ASSERT_EQ(Sent().size(), 1u);
  Take(OperationRecord(1, OpAddedGang, 0x15));
  const PlayerRecord& p = player(0);
  EXPECT_EQ(p.slots[0].code, 0x15);
  EXPECT_EQ(p.slots[0].element, dragon);
  EXPECT_EQ(p.slots[0].kind, SlotKind::AddedGang);
  EXPECT_EQ(p.handCount, 13);
  // With no peng to join, the tile stays where it stood, at meld size.
  EXPECT_EQ(TileEl(dragon).geometry, (Rect{kRowX + 48 * 17, kRow, 45, 60}));
}

TEST_F(OperationResultsTest, WinsShowTheWinningTileForEachWinnerInTurn) {
  SetHand(0, {0x81, 0x82, 0x83, 0x84, 0x41, 0x42, 0x43, 0x25, 0x26, 0x27, 0x11, 0x11, 0x23});
  SetHand(1, {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, 20);
  RightDiscards(0x23);
  const int discard = state().OfferElement;
  Take(OptionRecord(1, 0x81));
  ClickButton(4);
  ASSERT_EQ(Sent().size(), 1u);
  Take(OperationRecord(1, OpHu, 0x23, 0, 0x23));
  const PlayerRecord& p = player(0);
  const double lastLeft = TileEl(p.slots[16].element).geometry.left;
  EXPECT_EQ(TileEl(discard).geometry, (Rect{lastLeft + 72, kRow, 48, 78}));
  EXPECT_TRUE(TileEl(discard).visible);
  EXPECT_EQ(PicOf(discard), TilePic(TilePicture(0x23, kBlockUpright)));
  for (int k = 4; k <= 16; ++k) {
    EXPECT_EQ(PicOf(p.slots[k].element), TilePic(TilePicture(p.slots[k].code, kBlockUpright)));
  }
  EXPECT_EQ(client.settlement().stores.HasWon[0], 1);
  EXPECT_EQ(state().Winner, -1);
  EXPECT_EQ(state().WinTile, 0x23);
  EXPECT_EQ(client.settlement().stores.ClaimWinners[0], 1);

  // Later the left seat wins on its own draw: its last tile shows the winning tile on its edge.
  const int last = player(1).slots[17].element;
  Take(OperationRecord(4, OpHu, 0x27, 0, 0x27));
  EXPECT_EQ(PicOf(last), TilePic(TilePicture(0x27, kBlockLeft)));
  EXPECT_EQ(TileEl(last).geometry, (Rect{30, 526, 50, 36}));
  EXPECT_EQ(client.settlement().stores.HasWon[1], 1);
  EXPECT_EQ(state().Winner, -1);
}

TEST_F(OperationResultsTest, TheRightSeatWinningOnADiscardShowsTheTileBesideItsHand) {
  SetHand(2, {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, 40);
  SetHand(1, {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, 20);
  Take(DiscardRecord(4, 0x26));
  const int discard = state().OfferElement;
  const Rect last = TileEl(player(2).slots[16].element).geometry;
  Take(OperationRecord(2, OpHu, 0x26, 0, 0x26));
  EXPECT_EQ(PicOf(discard), TilePic(TilePicture(0x26, kBlockRight)));
  EXPECT_EQ(TileEl(discard).geometry, (Rect{last.left - 8, last.top - 1.5 * 35 + 17, 45, 35}));
}

TEST_F(OperationResultsTest, AConfirmedDeclarationRaisesTheStickOrLaysTheSideHandDown) {
  const double top = El(el().imgTing[0]).geometry.top;
  Take(OperationRecord(1, OpReady, 0, 1));
  EXPECT_TRUE(Shown(el().imgTing[0]));
  EXPECT_EQ(El(el().imgTing[0]).geometry.top, top - 5);
  Take(OperationRecord(1, OpReady, 0, 1));
  EXPECT_EQ(El(el().imgTing[0]).geometry.top, top - 10);

  SetHand(2, {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, 40);
  Take(OperationRecord(2, OpReady, 0, 1));
  EXPECT_TRUE(Shown(el().imgTing[3]));
  for (int k = 4; k < 17; ++k) {
    EXPECT_EQ(PicOf(player(2).slots[k].element), TilePic(116)) << k;
  }
  EXPECT_EQ(player(2).handCount, 13);
}

TEST_F(OperationResultsTest, TheRevealFillsEachSideHandAndShowsAllOnceBothAreKnown) {
  SetHand(0, {0x81, 0x82, 0x83, 0x84, 0x41, 0x42, 0x43, 0x25, 0x26, 0x27, 0x11, 0x11, 0x12});
  SetHand(1, {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, 20);
  SetHand(2, {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, 40);
  const std::vector<int> right = {0x29, 0x21, 0x89, 0x81, 0x45, 0x44, 0x43,
                                  0x22, 0x22, 0x23, 0x24, 0x11, 0x12};
  const std::vector<int> left = {0x81, 0x81, 0x81, 0x82, 0x83, 0x84, 0x21,
                                 0x21, 0x21, 0x25, 0x26, 0x27, 0x28};
  const PictureId back = PicOf(player(2).slots[4].element);
  Take(RevealRecord(2, {right[0], right[1], right[2], right[3]}));
  const auto& revealed = state().RevealedTiles[1];
  EXPECT_EQ(std::vector<int>(revealed.begin(), revealed.begin() + 5),
            (std::vector<int>{0x29, 0x21, 0x89, 0x81, 0}));
  EXPECT_EQ(player(2).handCount, 9);
  EXPECT_EQ(PicOf(player(2).slots[4].element), back);  // not shown yet
  for (size_t at = 4; at < right.size(); at += 4) {
    Take(RevealRecord(
        2, std::vector<int>(right.begin() + at, right.begin() + std::min(right.size(), at + 4))));
  }
  EXPECT_EQ(player(2).handCount, 0);
  for (size_t at = 0; at < left.size(); at += 4) {
    Take(RevealRecord(
        4, std::vector<int>(left.begin() + at, left.begin() + std::min(left.size(), at + 4))));
  }
  EXPECT_EQ(player(1).handCount, 0);
  // Sorted, lying, at the reveal size where they stood.
  const std::vector<int> sortedRight = {0x81, 0x89, 0x43, 0x44, 0x45, 0x21, 0x22,
                                        0x22, 0x23, 0x24, 0x29, 0x11, 0x12};
  for (int k = 0; k < 13; ++k) {
    const TileSlot& s = player(2).slots[4 + k];
    EXPECT_EQ(s.code, sortedRight[k]) << k;
    EXPECT_EQ(PicOf(s.element), TilePic(TilePicture(sortedRight[k], kBlockRight))) << k;
    EXPECT_EQ(TileEl(s.element).geometry.width, 45);
    EXPECT_EQ(TileEl(s.element).geometry.height, 35);
  }
  EXPECT_EQ(PicOf(player(1).slots[4].element), TilePic(TilePicture(0x81, kBlockLeft)));
  for (int k = 4; k <= 16; ++k) {
    const TileSlot& s = player(0).slots[k];
    EXPECT_EQ(PicOf(s.element), TilePic(TilePicture(s.code, kBlockUpright))) << k;
  }
}

TEST_F(OperationResultsTest, TheServersDiscardForThePlayerTakesTheTileOutOfTheHand) {
  SetHand(0, {0x81, 0x82, 0x83, 0x84, 0x41, 0x42, 0x43, 0x25, 0x26, 0x27, 0x11, 0x11, 0x12, 0x29});
  Take(OptionRecord(1, 0x00));
  ASSERT_TRUE(state().MustDiscard);
  const int drawn = player(0).slots[17].element;
  // The server's clock ran out first; it discards the drawn tile for the player.
  Take(DiscardRecord(1, 0x29));
  EXPECT_EQ(player(0).handCount, 13);
  EXPECT_FALSE(state().MustDiscard);
  EXPECT_EQ(state().OfferElement, drawn);
  const Rect table = El(el().pic1).geometry;
  EXPECT_EQ(TileEl(drawn).geometry,
            (Rect{(table.width - 48) / 2, (table.height - 78) / 2, 36, 50}));
  EXPECT_EQ(PicOf(drawn), TilePic(TilePicture(0x29, kBlockUpright)));
  EXPECT_FALSE(client.loop().LoopFlag[kStepTurnClock]);
  for (int i = 1; i <= 5; ++i) EXPECT_FALSE(Shown(el().Operation[i]));
  // The client's own clock no longer plays the turn, and the next draw fits.
  ASSERT_EQ(Run(10000), -1);
  EXPECT_TRUE(Sent().empty());
  Take(One(1, 0x88));
  EXPECT_EQ(player(0).handCount, 14);
}

TEST_F(OperationResultsTest, WhenTheServerDiscardsAnotherTileTheHandKeepsTheClientsOne) {
  SetHand(0, {0x81, 0x82, 0x83, 0x84, 0x41, 0x42, 0x43, 0x25, 0x26, 0x27, 0x11, 0x11, 0x12, 0x29});
  Take(OptionRecord(1, 0x00));
  const int clicked = player(0).slots[4].element;
  PressTile(clicked);
  ASSERT_EQ(Sent().size(), 2u);
  // The click came too late: the server had already discarded the drawn tile.
  Take(DiscardRecord(1, 0x29));
  EXPECT_EQ(PicOf(clicked), TilePic(TilePicture(0x29, kBlockUpright)));
  EXPECT_EQ(player(0).handCount, 13);
  EXPECT_EQ(testing::TableFixture::HandCodes(0),
            (std::vector<int>{0x81, 0x82, 0x83, 0x84, 0x41, 0x42, 0x43, 0x25, 0x26, 0x27, 0x11,
                              0x11, 0x12}));
  // Its own announcement is simply taken note of.
  PressTile(player(0).slots[4].element);
  EXPECT_TRUE(Sent().empty());
}

TEST_F(OperationResultsTest, ResultsThatDoNotFitTheTablesRecordsAreLeftOut) {
  SetHand(0, {0x81, 0x82, 0x83, 0x84, 0x41, 0x42, 0x43, 0x25, 0x26, 0x27, 0x11, 0x11, 0x12});
  // A peng of a tile the hand holds no pair of, a gang of nothing, an added gang for a seat
  // with no tiles, a reveal of the local seat and one with garbage values.
  Take(OperationRecord(1, OpPeng, 0x29));
  Take(OperationRecord(1, OpConcealedGang, 0x55));
  Take(OperationRecord(1, OpAddedGang, 0x29));
  Take(OperationRecord(4, OpAddedGang, 0x29));
  Take(OperationRecord(2, OpConcealedGang, 0));
  Take(OperationRecord(4, OpPeng, 0x21));
  Take(RevealRecord(1, {0x11, 0x12}));
  Take(RevealRecord(2, {0xFF, 0xEE, 0xDD, 0xCC}));
  Take(OperationRecord(1, 0xFF, 0xFF, 0xFF, 0xFF));
  const PlayerRecord& p = player(0);
  EXPECT_EQ(p.handStart, 4);
  EXPECT_EQ(p.handCount, 13);
  EXPECT_EQ(p.meldCursor, 3);
  EXPECT_EQ(player(1).handStart, 4);
  EXPECT_EQ(player(1).handCount, 0);
  ExpectRowInPlace();
}

}  // namespace
}  // namespace korvel
