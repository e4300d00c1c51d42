// Rebuilding a deal from three snapshot records: each seat's melds, concealed tiles and
// discards, and the wall that is left, checked on the model and the Scene.
#include "seats/table_restore.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "seats/restore_records.h"
#include "table/hand_order.h"
#include "table/table_fixture.h"

namespace korvel {
namespace {

using testing::RestoreRecord;
using testing::SeatSnapshot;
using testing::ServerRecord;
using testing::TableFixture;
using testing::TilePic;

// The local player sits at mask 1, the left seat at mask 4, the right seat at mask 2. The deal
// starts with the local dealer and a die of 3: the wall starts at element 30, its far end is 28.
constexpr int kStart = 30;

class RestoreTest : public TableFixture {
 protected:
  void SetUp() override {
    TableFixture::SetUp();
    StartPlaying(1);
    Feed(DealStartRecord(1, 3));
    ASSERT_EQ(state().NextTileElement, kStart);
  }
  void Restore(const SeatSnapshot& local, const SeatSnapshot& left, const SeatSnapshot& right,
               int taken, int back) {
    for (const SeatSnapshot* s : {&local, &left, &right}) {
      Feed(RestoreRecord(*s, taken, back), 100);
    }
  }
  TableRestore& restore() { return client.tableRestore(); }
  // Every element a seat's slots or discards hold.
  std::set<int> SlotElements() {
    std::set<int> out;
    for (int v = 0; v < kSeats; ++v)
      for (const TileSlot& s : player(v).slots)
        if (s.element >= 0) out.insert(s.element);
    return out;
  }
  int Visible() {
    int n = 0;
    for (int e = 0; e < kTileElements; ++e) n += main().Visible(Tile(e)) ? 1 : 0;
    return n;
  }
};

TEST_F(RestoreTest, ThreeRecordsRebuildEverySeatTheWallAndTheDiscards) {
  SeatSnapshot local{1, 2, {}, testing::Run(13)};
  SeatSnapshot left{4, 1, {0x23, 0x23, 0x23}, testing::Run(10, 3)};
  SeatSnapshot right{2, 2, {}, testing::Run(13, 5)};
  Restore(local, left, right, 44, 71);

  EXPECT_TRUE(client.table().progress.TableRestored);
  EXPECT_EQ(restore().RecordsTaken(), 0);
  EXPECT_EQ(state().NextTileElement, (kStart + 44) % 72) << "the next draw takes the wall's first";
  EXPECT_EQ(state().WallEndElement, 28) << "no tile was taken from the far end";
  EXPECT_EQ(state().DealDone, 3);
  EXPECT_EQ(state().OfferElement, -1);

  EXPECT_EQ(player(0).handStart, 4);
  EXPECT_EQ(player(0).handCount, 13);
  EXPECT_EQ(player(1).handStart, 7);
  EXPECT_EQ(player(1).meldCursor, 7);
  EXPECT_EQ(player(1).handCount, 10);
  for (int s = 2; s <= 4; ++s) {
    EXPECT_EQ(player(1).slots[s].kind, SlotKind::Peng);
    EXPECT_EQ(player(1).slots[s].code, 0x23);
    EXPECT_EQ(PicOf(player(1).slots[s].element), TilePic(TilePicture(0x23, kBlockLeft)));
  }
  EXPECT_EQ(player(2).handCount, 13);

  // Every tile element is on the table once: 39 in hands and melds, 5 discards, 28 in the wall.
  EXPECT_EQ(Visible(), 72);
  const std::set<int> held = SlotElements();
  EXPECT_EQ(held.size(), 39u);
  for (int k = 44; k < 72; ++k) {
    const int e = (kStart + k) % 72;
    EXPECT_EQ(held.count(e), 0u) << e;
    EXPECT_EQ(PicOf(e), TilePic(TableView::WallTileIndex(e / 24))) << e;
  }

  // The returning player sees its own hand, face up and in hand order.
  const std::vector<int> codes = HandCodes(0);
  EXPECT_TRUE(std::is_sorted(codes.begin(), codes.end(), HandOrderBefore));
  for (int k = player(0).handStart; k < player(0).handStart + 13; ++k) {
    EXPECT_EQ(PicOf(player(0).slots[k].element),
              TilePic(TilePicture(player(0).slots[k].code, kBlockHand)));
  }
  // The side seats' tiles stand face down.
  EXPECT_EQ(PicOf(player(2).slots[player(2).handStart].element),
            TilePic(StandingBackIndex(kBlockRight)));

  // The discards lie face down in their rows; the local row continues after two tiles.
  EXPECT_EQ(player(0).discardX, player(0).discardX0 + 2 * view().scale().RoundX(36));
  EXPECT_EQ(player(1).discardY,
            player(1).discardY0 + view().scale().RoundY(35) - view().scale().RoundY(17));
}

TEST_F(RestoreTest, AReturningPlayerNumbersItsDealsAsTheServerDoes) {
  // The repeated deal start counted the deal a second time; the snapshot names it.
  ASSERT_EQ(client.table().progress.DealCount, 1);
  Feed(DealStartRecord(1, 3));
  ASSERT_EQ(client.table().progress.DealCount, 2);
  RecordBytes r = RestoreRecord(SeatSnapshot{1, 0, {}, testing::Run(13)}, 40, 71);
  r[5] = 1;
  Feed(r, 100);
  EXPECT_EQ(client.table().progress.DealCount, 1);
}

TEST_F(RestoreTest, ARedDragonIsSetAsideAndThePengFillsThreeSlots) {
  SeatSnapshot local{1, 0, {}, testing::Run(13)};
  SeatSnapshot left{4, 0, {0x15, 0x21, 0x21, 0x21}, testing::Run(10, 3)};
  SeatSnapshot right{2, 0, {}, testing::Run(13, 5)};
  Restore(local, left, right, 40, 71);
  EXPECT_EQ(player(1).redAside, 1);
  const int aside = state().AsideElements[1][0];
  EXPECT_EQ(PicOf(aside), TilePic(40)) << "the left seat's Red dragon face";
  EXPECT_EQ(TileEl(aside).geometry.left, player(1).rowX);
  EXPECT_EQ(TileEl(aside).geometry.top, player(1).rowY);
  for (int s = 2; s <= 4; ++s) EXPECT_EQ(player(1).slots[s].kind, SlotKind::Peng);
  EXPECT_EQ(player(1).slots[2].code, 0x21);
  EXPECT_EQ(player(1).handStart, 7) << "the dragon set aside takes no slot";
}

TEST_F(RestoreTest, AGangTakesThreeSlotsWithItsFourthTileAboveTheMiddleOne) {
  // One tile came from the far end after the gang: the counter for an odd far-end count.
  SeatSnapshot local{1, 0, {0x45, 0x45, 0x45, 0x45}, testing::Run(10)};
  SeatSnapshot left{4, 0, {}, testing::Run(13, 3)};
  SeatSnapshot right{2, 0, {}, testing::Run(13, 5)};
  Restore(local, left, right, 39, 4);
  const PlayerRecord& p = player(0);
  EXPECT_EQ(p.meldCursor, 6);
  EXPECT_EQ(p.handStart, 7);
  for (int s = 1; s <= 3; ++s) EXPECT_EQ(p.slots[s].kind, SlotKind::Gang);
  const Element& middle = TileEl(p.slots[2].element);
  // The fourth tile is the one element of the meld no slot holds.
  const std::set<int> held = SlotElements();
  int fourth = -1;
  for (int e = 0; e < 72; ++e) {
    if (!held.count(e) && main().Visible(Tile(e)) && PicOf(e) == TilePic(TilePicture(0x45, 0)))
      fourth = e;
  }
  ASSERT_GE(fourth, 0);
  EXPECT_EQ(TileEl(fourth).geometry.left, middle.geometry.left);
  EXPECT_EQ(TileEl(fourth).geometry.top, p.rowY - 17);
  EXPECT_EQ(middle.geometry.width, 45);
  EXPECT_EQ(middle.geometry.height, 56);
  // The tile from the far end is the far stack's upper tile; the wall keeps its lower one.
  EXPECT_TRUE(held.count(28));
  EXPECT_EQ(state().WallEndElement, 29);
  EXPECT_EQ(PicOf(29), TilePic(TableView::WallTileIndex(1)));
  EXPECT_EQ(state().NextTileElement, (kStart + 39) % 72);
  EXPECT_EQ(Visible(), 72);
}

TEST_F(RestoreTest, ExposedTilesThatArriveUnsortedAreLaidOutInHandOrder) {
  SeatSnapshot local{1, 0, {}, testing::Run(13)};
  SeatSnapshot left{4, 0, {0x21, 0x85, 0x21, 0x85, 0x21, 0x85}, testing::Run(7, 3)};
  SeatSnapshot right{2, 0, {}, testing::Run(13, 5)};
  Restore(local, left, right, 39, 71);
  EXPECT_EQ(player(1).slots[2].code, 0x85) << "dots before bamboo";
  EXPECT_EQ(player(1).slots[5].code, 0x21);
  EXPECT_EQ(player(1).meldCursor, 10);
  EXPECT_EQ(player(1).handStart, 10);
}

TEST_F(RestoreTest, TheWallEndCounterMovesTheFarEnd) {
  SeatSnapshot local{1, 0, {}, testing::Run(14)};
  SeatSnapshot left{4, 0, {}, testing::Run(13, 3)};
  SeatSnapshot right{2, 0, {}, testing::Run(13, 5)};
  // 71 - 1 is even: the far end moves two elements on.
  Restore(local, left, right, 40, 1);
  EXPECT_EQ(state().WallEndElement, (28 + 2) % 72);
}

TEST_F(RestoreTest, APlayerDiscardRowHoldsSixAndASecondRestoreStartsAfresh) {
  SeatSnapshot local{1, 9, {}, testing::Run(13)};
  SeatSnapshot left{4, 0, {}, testing::Run(13, 3)};
  SeatSnapshot right{2, 0, {}, testing::Run(13, 5)};
  Restore(local, left, right, 48, 71);
  const LayoutScale& s = view().scale();
  EXPECT_EQ(player(0).discardX, player(0).discardX0 + 3 * s.RoundX(36));
  EXPECT_EQ(player(0).discardY, player(0).discardY0 - s.RoundY(50 - 18));

  // The next deal starts elsewhere; its restore counts its elements from that deal's start.
  Feed(DealStartRecord(2, 5));
  const int start = state().NextTileElement;
  Feed(RestoreRecord(local, 48, 71), 100);
  EXPECT_EQ(restore().RecordsTaken(), 1);
  EXPECT_EQ(restore().ElementFor(0), start);
  EXPECT_EQ(player(0).slots[4].element, start);
}

TEST_F(RestoreTest, ARecordWithTooManyConcealedTilesIsLeftOut) {
  SeatSnapshot bad{1, 0, {}, testing::Run(15)};
  Feed(RestoreRecord(bad, 40, 71), 100);
  EXPECT_EQ(restore().RecordsTaken(), 0);
  SeatSnapshot tooMany{
      4,
      0,
      {0x21, 0x21, 0x21, 0x22, 0x22, 0x22, 0x23, 0x23, 0x23, 0x24, 0x24, 0x24, 0x25, 0x25, 0x25},
      testing::Run(8)};
  Feed(RestoreRecord(tooMany, 40, 71), 100);
  EXPECT_EQ(player(1).handCount, 0) << "five melds and eight tiles do not fit a seat";
}

TEST_F(RestoreTest, AnotherSeatsHiddenConcealedGangLiesFaceDown) {
  SeatSnapshot local{1, 0, {}, testing::Run(13)};
  SeatSnapshot left{4, 0, {}, testing::Run(13, 3)};
  SeatSnapshot right{2, 0, {0, 0, 0, 0}, testing::Run(10, 5)};
  right.exposedKind = 0x25;
  Restore(local, left, right, 39, 4);
  for (int s = 2; s <= 4; ++s) {
    EXPECT_EQ(player(2).slots[s].kind, SlotKind::ConcealedGang);
    EXPECT_EQ(PicOf(player(2).slots[s].element), TilePic(LyingBackIndex(kBlockRight)));
  }
}

// What a player sees of the tiles and the table's marks: every visible picture with its place,
// back to front.
std::vector<std::string> VisibleImages(const Form& f) {
  std::vector<std::string> out;
  for (ElementId e : f.PaintOrder()) {
    const Element& x = *f.Get(e);
    if (!x.visible || x.kind != ElementKind::Image) continue;
    out.push_back(x.name + "(" + std::to_string(x.index) + ") " + std::to_string(x.picture) +
                  " at " + std::to_string(x.geometry.left) + "," + std::to_string(x.geometry.top) +
                  " " + std::to_string(x.geometry.width) + "x" + std::to_string(x.geometry.height));
  }
  return out;
}

const SeatSnapshot kLocalSnap{1, 0, {}, testing::Run(13)};
const SeatSnapshot kLeftSnap{4, 0, {}, std::vector<int>(13, 0)};
const SeatSnapshot kRightSnap{2, 1, {}, std::vector<int>(13, 0)};
constexpr int kTakenAfterOneDraw = 40;

// A client that joins the deal with the snapshot alone, as a fresh table receives it.
class FreshTable : public TableFixture {
 public:
  void TestBody() override {}
  std::vector<std::string> Rebuild() {
    SetUp();
    StartPlaying(1);
    Feed(DealStartRecord(1, 3));
    for (const SeatSnapshot* s : {&kLocalSnap, &kLeftSnap, &kRightSnap}) {
      Feed(RestoreRecord(*s, kTakenAfterOneDraw, 71), 100);
    }
    return VisibleImages(main());
  }
};

// After a drop in the middle of a deal the server sends the verdict and the snapshot only: the
// rebuilt table must look exactly like the same snapshot rebuilt on a fresh one, with nothing of
// the deal as it stood before the drop (taken wall stacks, the discard in the middle).
TEST_F(RestoreTest, AReconnectedTableLooksLikeAFreshOneRebuiltFromTheSameSnapshot) {
  for (int round = 0; round < 3; ++round) {
    Feed(Four(1, 0x81, 0x82, 0x83, 0x84), 200);
    Feed(Four(2, 0, 0, 0, 0), 200);
    Feed(Four(4, 0, 0, 0, 0), 200);
  }
  Feed(One(1, 0x85), 200);
  Feed(One(2, 0), 200);
  Feed(One(4, 0), 200);
  Feed(One(2, 0), 200);
  Feed(DiscardRecord(2, 0x45), 500);
  vp.socket.PeerClose();
  ASSERT_EQ(Run(4200), -1);
  ASSERT_TRUE(vp.socket.IsConnected());
  Feed(ServerRecord(kCmdPrivate29, 0, {0, 0, 0, 1}), 200);
  for (const SeatSnapshot* s : {&kLocalSnap, &kLeftSnap, &kRightSnap}) {
    Feed(RestoreRecord(*s, kTakenAfterOneDraw, 71), 100);
  }
  ASSERT_TRUE(client.table().progress.TableRestored);

  FreshTable fresh;
  EXPECT_EQ(VisibleImages(main()), fresh.Rebuild());
}

// Restore records before any deal start (logged in, the table never cleared) have no seat
// places to lay out from: they are left out, and no tile stands outside the window.
TEST_F(TableFixture, RestoreRecordsBeforeTheSeatsHavePlacesAreLeftOut) {
  StartPlaying(1);
  ASSERT_FALSE(view().seatsPlaced());
  const SeatSnapshot local{1, 0, {0x45, 0x45, 0x45, 0x45}, testing::Run(10)};
  const SeatSnapshot left{4, 0, {}, testing::Run(13, 3)};
  const SeatSnapshot right{2, 0, {}, testing::Run(13, 5)};
  for (const SeatSnapshot* s : {&local, &left, &right}) Feed(RestoreRecord(*s, 39, 4), 100);
  EXPECT_FALSE(client.table().progress.TableRestored);
  for (int v = 0; v < kSeats; ++v) EXPECT_EQ(player(v).handCount, 0);
  for (ElementId e : el().MJ_Image) {
    if (!main().Visible(e)) continue;
    EXPECT_GE(main().GetTop(e), 0);
    EXPECT_GE(main().GetLeft(e), 0);
  }
}

}  // namespace
}  // namespace korvel
