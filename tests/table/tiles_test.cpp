#include "model/tiles.h"

#include <gtest/gtest.h>

#include "model/player_record.h"

namespace korvel {
namespace {

TEST(Tiles, SuitRankAndKeyFollowTheNibbles) {
  EXPECT_EQ(SuitIndexOf(0x15), 0);
  EXPECT_EQ(TileKeyOf(0x15), 4);
  EXPECT_EQ(SuitIndexOf(0x21), 1);
  EXPECT_EQ(SuitIndexOf(0x45), 2);
  EXPECT_EQ(SuitIndexOf(0x89), 3);
  EXPECT_EQ(TileKeyOf(0x89), 35);
  EXPECT_EQ(RankOf(0x89), 9);
  // Malformed high nibbles count as honours instead of leaving the picture block.
  EXPECT_EQ(SuitIndexOf(0x05), 0);
  EXPECT_EQ(SuitIndexOf(0x15), SuitIndexOf(0x05));
  EXPECT_GE(TileKeyOf(0x00), 0);
}

TEST(Tiles, WireFormReplacesTheTopNibbleWithTheMarker) {
  EXPECT_EQ(WireTile(0x27, kOperationMarker), 0x2027);
  EXPECT_EQ(WireTile(0x27, kDiscardMarker), 0x4027);
  EXPECT_EQ(WireTile(0xF127, kDiscardMarker), 0x4127);
}

TEST(Seats, MasksAndViewsConvert) {
  EXPECT_EQ(SeatIndexOf(0), 0);
  EXPECT_EQ(SeatIndexOf(1), 0);
  EXPECT_EQ(SeatIndexOf(2), 1);
  EXPECT_EQ(SeatIndexOf(4), 2);
  EXPECT_EQ(MaskOf(2), 4);
  // The local player at mask 4.
  EXPECT_EQ(ViewOf(4, 1), 2);
  EXPECT_EQ(ViewOf(4, 2), 1);
  EXPECT_EQ(ViewOf(4, 4), 0);
  // The local player at mask 1.
  EXPECT_EQ(ViewOf(1, 2), 2);
  EXPECT_EQ(ViewOf(1, 4), 1);
  // Before a seat is assigned (mask 0) every view is still 0..2.
  for (int mask : {0, 1, 2, 4, 8}) {
    EXPECT_GE(ViewOf(0, mask), 0);
    EXPECT_LT(ViewOf(0, mask), 3);
  }
}

TEST(Seats, EveryViewMapsBackToItsOwnSeat) {
  for (int local : {1, 2, 4}) {
    int seen = 0;
    for (int seat : {1, 2, 4}) seen |= 1 << ViewOf(local, seat);
    EXPECT_EQ(seen, 7) << "local " << local;
    EXPECT_EQ(ViewOf(local, local), 0);
  }
}

TEST(PlayerRecord, SlotsStartEmptyAndIndicesAreChecked) {
  PlayerRecord p;
  for (const TileSlot& s : p.slots) {
    EXPECT_EQ(s.kind, SlotKind::Empty);
    EXPECT_EQ(s.element, -1);
  }
  EXPECT_TRUE(PlayerRecord::ValidSlot(17));
  EXPECT_FALSE(PlayerRecord::ValidSlot(18));
  EXPECT_FALSE(PlayerRecord::ValidSlot(-1));
}

}  // namespace
}  // namespace korvel
