// The hand's order, the pair and gang searches over it, and how a hand is shown and laid down.
#include "table/hand_order.h"

#include <gtest/gtest.h>

#include "table_fixture.h"

namespace korvel {
namespace {

using testing::TableFixture;
using testing::TilePic;

PlayerRecord Hand(std::initializer_list<int> codes, int handStart = 4) {
  PlayerRecord p;
  p.handStart = static_cast<int16_t>(handStart);
  int k = handStart;
  for (int code : codes) {
    p.slots[k] =
        TileSlot{SlotKind::Concealed, static_cast<int16_t>(code), static_cast<int16_t>(k + 20)};
    ++k;
  }
  p.handCount = static_cast<int16_t>(codes.size());
  return p;
}

std::vector<int> Codes(const PlayerRecord& p) {
  std::vector<int> codes;
  for (int k = p.handStart; k < p.handStart + p.handCount; ++k) codes.push_back(p.slots[k].code);
  return codes;
}

TEST(HandOrder, DotsThenCharactersThenBambooThenHonoursEachByRank) {
  PlayerRecord p = Hand({0x89, 0x21, 0x45, 0x11, 0x81, 0x41});
  p.slots[6].kind = SlotKind::Peng;  // a marker that must not travel with the code
  SortHand(p, p.handCount);
  EXPECT_EQ(Codes(p), (std::vector<int>{0x81, 0x89, 0x41, 0x45, 0x21, 0x11}));
  // Only the codes move: every slot keeps its element and kind.
  for (int k = 4; k < 10; ++k) EXPECT_EQ(p.slots[k].element, k + 20);
  EXPECT_EQ(p.slots[6].kind, SlotKind::Peng);
}

TEST(HandOrder, SortsOnlyTheCountedSlotsAndNeverLeavesTheRecord) {
  PlayerRecord p = Hand({0x19, 0x11, 0x88, 0x81});
  SortHand(p, 2);
  EXPECT_EQ(Codes(p), (std::vector<int>{0x11, 0x19, 0x88, 0x81}));
  // A count past the last slot, or a start outside the record, sorts what is there.
  PlayerRecord wide = Hand({0x21, 0x81}, 16);
  SortHand(wide, 40);
  EXPECT_EQ(wide.slots[16].code, 0x81);
  wide.handStart = 30;
  SortHand(wide, 5);
  EXPECT_EQ(ConcealedSlots(wide).size(), 0);
  wide.handStart = -3;
  EXPECT_EQ(ConcealedSlots(wide).first, 0);
}

TEST(ClaimCandidates, PengPairIsTheFirstPairOfTheTile) {
  const PlayerRecord p = Hand({0x81, 0x83, 0x83, 0x83, 0x45, 0x45});
  EXPECT_EQ(FindPengPair(p, 0x83), 5);
  EXPECT_EQ(FindPengPair(p, 0x45), 8);
  // A tile without a pair, or a single copy at the end, is not found.
  EXPECT_EQ(FindPengPair(p, 0x81), -1);
  EXPECT_EQ(FindPengPair(Hand({0x45}), 0x45), -1);
}

TEST(ClaimCandidates, GangOnTheDiscardFindsOneCandidateAtTheFirstOfThree) {
  const PlayerRecord p = Hand({0x81, 0x27, 0x27, 0x27, 0x29});
  const RecordBytes none{};
  const GangCandidates g = FindGangCandidates(p, OpGang, 0x27, none);
  ASSERT_EQ(g.count, 1);
  EXPECT_EQ(g.slots[0], 5);
  EXPECT_EQ(g.firstKind, GangKind::OnDiscard);
  // Two copies are not enough.
  EXPECT_EQ(FindGangCandidates(Hand({0x27, 0x27, 0x29}), OpGang, 0x27, none).count, 0);
}

TEST(ClaimCandidates, ListsAreReadInOrderAddedThenDiscardThenConcealed) {
  const PlayerRecord p =
      Hand({0x81, 0x81, 0x81, 0x81, 0x45, 0x45, 0x45, 0x15, 0x27, 0x27, 0x27, 0x29});
  RecordBytes option{};
  option[opt::kAddedGangCount] = 3;
  option[opt::kAddedGangTiles] = 0x29;
  option[opt::kAddedGangTiles + 1] = 0x33;  // not in the hand: adds nothing
  option[opt::kAddedGangTiles + 2] = 0x15;
  option[opt::kConcealedGangCount] = 2;
  option[opt::kConcealedGangTiles] = 0x81;
  // The search for a concealed gang stops four tiles short of the end, so the last tile's
  // code is not found there.
  option[opt::kConcealedGangTiles + 1] = 0x29;
  const GangCandidates g =
      FindGangCandidates(p, OpAddedGang | OpGang | OpConcealedGang, 0x27, option);
  ASSERT_EQ(g.count, 4);
  EXPECT_EQ(g.slots[0], 15);  // 0x29
  EXPECT_EQ(g.slots[1], 11);  // 0x15
  EXPECT_EQ(g.slots[2], 12);  // the discard's three
  EXPECT_EQ(g.slots[3], 4);   // four 0x81
  EXPECT_EQ(g.firstKind, GangKind::Added);
  // Without the bits the lists are not read.
  EXPECT_EQ(FindGangCandidates(p, OpPeng, 0x27, option).count, 0);
}

TEST(ClaimCandidates, OversizedListsStopAtTheRecordAndTheChoiceSlots) {
  PlayerRecord p =
      Hand({0x11, 0x12, 0x13, 0x14, 0x15, 0x16, 0x17, 0x21, 0x22, 0x23, 0x24, 0x25, 0x26, 0x27});
  RecordBytes option{};
  option[opt::kAddedGangCount] = 255;  // runs past the end of the record
  for (size_t i = opt::kAddedGangTiles; i < kRecordSize; ++i) {
    option[i] = static_cast<uint8_t>(p.slots[4 + (i % 14)].code);
  }
  const GangCandidates g = FindGangCandidates(p, OpAddedGang, 0, option);
  EXPECT_EQ(g.count, kGangChoiceSlots);
}

TEST(ClaimCandidates, ResolvingAChoice) {
  // A Red dragon is an added gang whatever its neighbours.
  PlayerRecord red = Hand({0x15, 0x15, 0x15, 0x15, 0x21});
  EXPECT_EQ(ResolveGang(red, 4, OpAddedGang | OpConcealedGang), GangKind::Added);
  // Four equal tiles with both bits: the equal neighbour makes it concealed.
  PlayerRecord four = Hand({0x81, 0x81, 0x81, 0x81, 0x21});
  EXPECT_EQ(ResolveGang(four, 4, OpAddedGang | OpConcealedGang), GangKind::Concealed);
  // A tile with no equal neighbour is added, also as the last slot.
  PlayerRecord single = Hand({0x81, 0x83, 0x85});
  EXPECT_EQ(ResolveGang(single, 5, OpAddedGang), GangKind::Added);
  EXPECT_EQ(ResolveGang(single, 6, OpAddedGang), GangKind::Added);
  // Three equal and the discard.
  PlayerRecord three = Hand({0x27, 0x27, 0x27, 0x29});
  EXPECT_EQ(ResolveGang(three, 4, OpGang), GangKind::OnDiscard);
  EXPECT_EQ(ResolveGang(three, 4, OpConcealedGang), GangKind::None);
  // Slots that are not concealed tiles decide nothing.
  EXPECT_EQ(ResolveGang(three, 3, OpGang), GangKind::None);
  EXPECT_EQ(ResolveGang(three, 8, OpAddedGang), GangKind::None);
  EXPECT_EQ(ResolveGang(three, -1, OpAddedGang), GangKind::None);
}

class HandShowTest : public TableFixture {};

TEST_F(HandShowTest, DealtHandRedrawsOnlyTheTilesWhoseCodeChanged) {
  StartTable();
  SetHand(0, {0x81, 0x83, 0x85, 0x21});
  state().DealDone = 3;
  // A drawn dots four in the last slot; the slots whose code stays keep their picture even if
  // something else was put on them.
  player(0).slots[8] = TileSlot{SlotKind::Concealed, 0x84, 4};
  player(0).handCount = 5;
  main().LoadSprite(Tile(0), 101);
  play().ShowHand(0, 5);
  EXPECT_EQ(HandCodes(0), (std::vector<int>{0x81, 0x83, 0x84, 0x85, 0x21}));
  EXPECT_EQ(PicOf(0), 101);  // 0x81 stayed in slot 4
  EXPECT_EQ(PicOf(1), TilePic(TilePicture(0x83, kBlockHand)));
  EXPECT_EQ(PicOf(2), TilePic(TilePicture(0x84, kBlockHand)));
  EXPECT_EQ(PicOf(3), TilePic(TilePicture(0x85, kBlockHand)));
  EXPECT_EQ(PicOf(4), TilePic(TilePicture(0x21, kBlockHand)));
  // While dealing, or after declaring ready, every slot is redrawn.
  main().LoadSprite(Tile(0), 101);
  state().ReadyDeclared = true;
  play().ShowHand(0, 5);
  EXPECT_EQ(PicOf(0), TilePic(TilePicture(0x81, kBlockHand)));
}

TEST_F(HandShowTest, LaidAwareShowsTheUprightFrontOnceLaidDown) {
  StartTable();
  SetHand(0, {0x21, 0x81});
  state().LaidDown[0] = 1;
  play().ShowHandLaidAware(0, 2);
  EXPECT_EQ(PicOf(0), TilePic(TilePicture(0x81, kBlockUpright)));
  EXPECT_EQ(PicOf(1), TilePic(TilePicture(0x21, kBlockUpright)));
  play().ShowHand(0, 2);
  EXPECT_EQ(PicOf(0), TilePic(TilePicture(0x81, kBlockHand)));
}

TEST_F(HandShowTest, SideSeatsShowTheirOwnBlock) {
  StartTable();
  SetHand(1, {0x45, 0x81}, 10);
  play().ShowHand(1, 2);
  EXPECT_EQ(PicOf(10), TilePic(36 + TileKeyOf(0x81)));
  SetHand(2, {0x45}, 20);
  play().ShowHand(2, 1);
  EXPECT_EQ(PicOf(20), TilePic(108 + TileKeyOf(0x45)));
}

TEST_F(HandShowTest, LayingDownTheRightSeatTurnsEveryTileIntoItsLyingBack) {
  StartTable();
  SetHand(2, {0x45, 0x81, 0x21, 0x22}, 30);
  const double left = TileEl(31).geometry.left, top = TileEl(31).geometry.top;
  play().LayDownHand(2);
  for (int e = 30; e < 34; ++e) {
    EXPECT_EQ(PicOf(e), TilePic(116));
    EXPECT_TRUE(TileEl(e).visible);
    EXPECT_EQ(TileEl(e).geometry.width, 45);
    EXPECT_EQ(TileEl(e).geometry.height, 35);
  }
  EXPECT_EQ(TileEl(31).geometry.left, left);
  EXPECT_EQ(TileEl(31).geometry.top, top);
  EXPECT_EQ(player(2).handStart, 4);
  EXPECT_EQ(player(2).handCount, 4);
  SetHand(1, {0x45}, 40);
  play().LayDownHand(1);
  EXPECT_EQ(PicOf(40), TilePic(44));
}

TEST_F(HandShowTest, LayingDownTheLocalHandLowersEveryTile) {
  StartTable();
  SetHand(0, {0x81, 0x82, 0x83});
  player(0).handStart = 7;  // after a meld
  SetHand(0, {0x81, 0x82, 0x83});
  main().Move(Tile(1), TileEl(1).geometry.left, player(0).rowY - 10);
  play().LayDownHand(0);
  EXPECT_EQ(player(0).laidStart, 7);
  for (int e = 0; e < 3; ++e) EXPECT_EQ(TileEl(e).geometry.top, player(0).rowY);
  EXPECT_EQ(view().TileWidth[0], 45);
  EXPECT_EQ(view().TileHeight[0], 60);
}

TEST_F(HandShowTest, GangChoiceMarksShowTheCandidatesStandingAndComeFromTheKeptOffer) {
  StartTable();
  SetHand(0, {0x81, 0x81, 0x81, 0x81, 0x27, 0x27, 0x27, 0x29});
  state().OfferedOps = OpConcealedGang | OpGang;
  state().OfferTile = 0x27;
  play().OptionRecord[opt::kConcealedGangCount] = 1;
  play().OptionRecord[opt::kConcealedGangTiles] = 0x81;
  // A later record does not change the offer the button answers.
  client.records().ReceivedRecord.fill(0);
  ASSERT_EQ(play().CollectGangChoices(), 2);
  EXPECT_EQ(play().GangChoices[0], 8);
  EXPECT_EQ(play().GangChoices[1], 4);
  EXPECT_EQ(play().FirstGangKind, GangKind::OnDiscard);
  EXPECT_EQ(main().GetPicture(el().Gang[0]), TilePic(TilePicture(0x27, kBlockHand)));
  EXPECT_EQ(main().GetPicture(el().Gang[1]), TilePic(TilePicture(0x81, kBlockHand)));
}

}  // namespace
}  // namespace korvel
