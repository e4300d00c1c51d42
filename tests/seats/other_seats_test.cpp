// The other seats' operations: the call (balloon, word, voice) and the tiles that move into
// their melds, checked on the Scene.
#include <gtest/gtest.h>

#include "table/offer_records.h"

namespace korvel {
namespace {

using testing::OfferFixture;
using testing::OperationRecord;
using testing::OptionRecord;
using testing::TilePic;

constexpr double kLeftRowX = 163, kLeftRowY = 192;
constexpr double kRightRowX = 942, kRightRowY = 560;

class OtherSeatsTest : public OfferFixture {
 protected:
  void Take(const RecordBytes& record) {
    Deliver(record);
    ASSERT_EQ(Run(150), -1);
  }
  std::vector<int> Backs(int n) { return std::vector<int>(n, 0); }
  void SetBacks(int v, int n, int firstElement) {
    PlayerRecord& p = player(v);
    p.handCount = static_cast<int16_t>(n);
    view().SetTileSizes(48, 78, 35, 66);
    for (int k = 0; k < n; ++k) {
      const int slot = p.handStart + k, e = firstElement + k;
      p.slots[slot] = TileSlot{SlotKind::Concealed, 0, static_cast<int16_t>(e)};
      view().ShowTile(e, StandingBackIndex(HandBlock(v)));
      main().Move(Tile(e), p.rowX - 5 * slot, p.rowY + slot * 17.5, 35, 66);
    }
  }
  const Element& Speak(int b) { return El(el().Speak[b]); }
  const Element& Words() { return El(el().Words); }
};

TEST_F(OtherSeatsTest, APengByTheLeftSeatMakesItsFirstMeldAndIsCalledOut) {
  SetBacks(1, 13, 20);
  SetBacks(2, 14, 40);
  Take(DiscardRecord(2, 0x23));
  const int discard = state().OfferElement;
  vp.sound.played.clear();
  Take(OperationRecord(4, OpPeng, 0x23));

  const PlayerRecord& p = player(1);
  EXPECT_EQ(p.handStart, 7);
  EXPECT_EQ(p.handCount, 11);
  EXPECT_EQ(p.meldCursor, 7);
  EXPECT_EQ(p.slots[2].element, 20);
  EXPECT_EQ(p.slots[3].element, 21);
  EXPECT_EQ(p.slots[4].element, discard);
  EXPECT_EQ(p.slots[17].element, 22);  // the third back moved behind the hand
  for (int s = 2; s <= 4; ++s) {
    const Element& t = TileEl(p.slots[s].element);
    EXPECT_EQ(p.slots[s].kind, SlotKind::Peng) << s;
    EXPECT_EQ(p.slots[s].code, 0x23) << s;
    EXPECT_EQ(t.picture, TilePic(TilePicture(0x23, kBlockLeft))) << s;
    EXPECT_EQ(t.geometry, (Rect{kLeftRowX - 5 * s, kLeftRowY + 18 * s, 45, 35})) << s;
  }
  // The backs follow the meld down the edge, at their own size.
  double left = kLeftRowX - 5 * 4, top = kLeftRowY + 18 * 4;
  for (int k = 7; k < 18; ++k) {
    left -= 5;
    top += 0.65 * 45;
    const Rect r = TileEl(p.slots[k].element).geometry;
    EXPECT_DOUBLE_EQ(r.left, left) << k;
    EXPECT_DOUBLE_EQ(r.top, top) << k;
    EXPECT_EQ(r.width, 35) << k;
  }

  // The call: the left balloon with the word 碰 and the seat's voice, for two seconds.
  EXPECT_TRUE(Speak(0).visible);
  EXPECT_EQ(Speak(0).geometry.left, 8);
  EXPECT_EQ(Speak(0).geometry.top, 280);
  EXPECT_TRUE(Words().visible);
  EXPECT_EQ(Words().picture, view().sprites().WordSprites[1]);
  EXPECT_DOUBLE_EQ(Words().geometry.left, 8 + 0.17 * Speak(0).geometry.width);
  EXPECT_DOUBLE_EQ(Words().geometry.top, 280 + 0.24 * Speak(0).geometry.height);
  ASSERT_FALSE(vp.sound.played.empty());
  EXPECT_EQ(vp.sound.played.back(), Voice(1, "02"));
  ASSERT_EQ(Run(2100), -1);
  EXPECT_FALSE(Speak(0).visible);
  EXPECT_FALSE(Words().visible);

  // The seat's discard after the claim comes from its last back; the next draw puts it away.
  Take(DiscardRecord(4, 0x29));
  EXPECT_EQ(player(1).handCount, 10);
  Take(One(1, 0x11));
  EXPECT_NE(TileEl(state().OfferElement).geometry.left, (1024 - 48) / 2.0);
}

TEST_F(OtherSeatsTest, AConcealedGangByTheRightSeatShowsFourBacks) {
  SetBacks(2, 14, 40);
  vp.sound.played.clear();
  Take(OperationRecord(2, OpConcealedGang, 0));
  const PlayerRecord& p = player(2);
  EXPECT_EQ(p.handStart, 7);
  EXPECT_EQ(p.handCount, 10);
  EXPECT_EQ(p.meldCursor, 7);
  for (int s = 2; s <= 4; ++s) {
    const Element& t = TileEl(p.slots[s].element);
    EXPECT_EQ(t.picture, TilePic(116)) << s;
    EXPECT_EQ(t.geometry, (Rect{kRightRowX - 5 * s - 10, kRightRowY - 18 * s, 45, 35})) << s;
    EXPECT_EQ(p.slots[s].kind, SlotKind::ConcealedGang) << s;
  }
  const int fourth = state().OfferElement;
  EXPECT_EQ(fourth, 53);  // the seat's last back
  EXPECT_EQ(TileEl(fourth).picture, TilePic(116));
  EXPECT_EQ(TileEl(fourth).geometry, (Rect{kRightRowX - 15 - 10, kRightRowY - 54 - 18, 45, 35}));
  EXPECT_EQ(state().ReplacementDraw, 0);
  EXPECT_TRUE(state().OfferClaimed);
  EXPECT_EQ(Words().picture, view().sprites().WordSprites[3]);
  EXPECT_EQ(Speak(1).geometry.left, 936);
  EXPECT_EQ(vp.sound.played.back(), Voice(2, "06"));
}

TEST_F(OtherSeatsTest, AnAddedGangLiftsTheTileOverThePengAndCanBeRobbed) {
  SetHand(0, {0x81, 0x82, 0x83, 0x84, 0x41, 0x42, 0x43, 0x25, 0x26, 0x27, 0x11, 0x11, 0x24});
  SetBacks(1, 13, 20);
  SetBacks(2, 14, 40);
  Take(DiscardRecord(2, 0x23));
  Take(OperationRecord(4, OpPeng, 0x23));
  Take(DiscardRecord(4, 0x29));
  Take(One(2, 0));
  Take(DiscardRecord(2, 0x88));
  Take(One(4, 0));
  const PlayerRecord& p = player(1);
  const int added = p.slots[p.handStart + p.handCount - 1].element;
  Take(OperationRecord(4, OpAddedGang, 0x23));
  EXPECT_EQ(p.handCount, 10);
  EXPECT_EQ(p.meldCursor, 7);
  const Rect middle = TileEl(p.slots[3].element).geometry;
  EXPECT_EQ(TileEl(added).geometry, (Rect{middle.left, middle.top - 18, 45, 35}));
  EXPECT_EQ(TileEl(added).picture, TilePic(TilePicture(0x23, kBlockLeft)));
  EXPECT_EQ(Words().picture, view().sprites().WordSprites[6]);
  EXPECT_EQ(state().OfferTile, 0x23);
  EXPECT_EQ(state().OfferElement, added);

  // The local player robs it: the tile leaves the meld for the winner's hand.
  Take(OptionRecord(1, 0x81));
  ClickButton(4);
  ASSERT_EQ(Sent().size(), 1u);
  Take(OperationRecord(1, OpHu, 0x23, 0, 0x23));
  const double last = TileEl(player(0).slots[16].element).geometry.left;
  EXPECT_EQ(TileEl(added).geometry, (Rect{last + 72, 564, 48, 78}));
  EXPECT_EQ(TileEl(added).picture, TilePic(TilePicture(0x23, kBlockUpright)));
}

TEST_F(OtherSeatsTest, PassAndReadyCodesAreNotCalledAndSilenceStillShowsTheCall) {
  SetBacks(1, 13, 20);
  Take(OperationRecord(4, OpPass, 0));
  Take(OperationRecord(4, OpReady, 0));
  EXPECT_FALSE(Speak(0).visible);
  EXPECT_FALSE(Words().visible);
  EXPECT_EQ(player(1).handCount, 13);

  client.sound().ToggleSoundOn();
  ASSERT_FALSE(client.sound().SoundOn());
  vp.sound.played.clear();
  SetBacks(2, 14, 40);
  Take(OperationRecord(2, OpConcealedGang, 0));
  EXPECT_TRUE(Speak(1).visible);
  EXPECT_TRUE(Words().visible);
  EXPECT_TRUE(vp.sound.played.empty());
}

TEST_F(OtherSeatsTest, ANewCallTakesTheBalloonFromTheSeatBefore) {
  SetBacks(1, 13, 20);
  SetBacks(2, 14, 40);
  Take(DiscardRecord(2, 0x23));
  Take(OperationRecord(4, OpPeng, 0x23));
  EXPECT_TRUE(Speak(0).visible);
  Take(OperationRecord(2, OpHu, 0x27, 0, 0x27));
  EXPECT_FALSE(Speak(0).visible);
  EXPECT_TRUE(Speak(1).visible);
  EXPECT_EQ(Words().picture, view().sprites().WordSprites[7]);
  ASSERT_EQ(Run(2100), -1);
  EXPECT_FALSE(Speak(1).visible);
  EXPECT_EQ(client.settlement().stores.HasWon[2], 1);
}

}  // namespace
}  // namespace korvel
