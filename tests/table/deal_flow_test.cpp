// A deal from its start through the dealing and the first turns, as the server sends it, checked
// on the Scene and on the records the client sends back.
#include <gtest/gtest.h>

#include "table_fixture.h"

namespace korvel {
namespace {

using testing::TableFixture;
using testing::TilePic;

RecordBytes Announcement(int mask, const std::string& account) {
  RecordBytes r = testing::ServerRecord(3, mask);
  std::copy(account.begin(), account.end(), r.begin() + 16);
  return r;
}

class DealFlowTest : public TableFixture {
 protected:
  void SetUp() override {
    TableFixture::SetUp();
    LogIn();
    // The table fills: "a" (this client) at mask 1, "b" at 2 (right), "c" at 4 (left).
    Feed(Announcement(1, "a"), 200);
    Feed(Announcement(2, "b"), 200);
    Feed(Announcement(4, "c"), 200);
    vp.socket.sent.clear();
  }
  std::vector<std::vector<uint8_t>> SentPlay() {
    std::vector<std::vector<uint8_t>> out;
    for (auto& r : vp.socket.sent) {
      if (r[3] == 2 || r[3] == 7) out.push_back(r);
    }
    return out;
  }
};

TEST_F(DealFlowTest, DealTheHandsThenDrawAndDiscardAroundTheTable) {
  ASSERT_EQ(player(0).seatMask, 1);
  ASSERT_EQ(player(1).seatMask, 4);
  ASSERT_EQ(player(2).seatMask, 2);

  // The right seat deals; die 4 starts dealing at element 8 of the bottom wall.
  Feed(DealStartRecord(2, 4, 2));
  ASSERT_TRUE(player(2).isDealer);
  ASSERT_EQ(state().NextTileElement, 8);

  const int mine[13] = {0x29, 0x81, 0x45, 0x11, 0x88, 0x21, 0x41,
                        0x83, 0x15, 0x22, 0x42, 0x85, 0x13};
  for (int round = 0; round < 3; ++round) {
    Feed(Four(2, 0, 0, 0, 0));
    Feed(Four(1, mine[4 * round], mine[4 * round + 1], mine[4 * round + 2], mine[4 * round + 3]));
    Feed(Four(4, 0, 0, 0, 0));
  }
  Feed(One(2, 0));
  Feed(One(1, mine[12]));
  Feed(One(4, 0));
  EXPECT_LT(state().DealDone, 0);
  Feed(One(2, 0));  // the dealer's fourteenth
  EXPECT_EQ(state().DealDone, 3);
  EXPECT_EQ(state().NextTileElement, 48);

  // The local hand: sorted, face up, in its row.
  const std::vector<int> sorted = {0x81, 0x83, 0x85, 0x88, 0x41, 0x42, 0x45,
                                   0x21, 0x22, 0x29, 0x11, 0x13, 0x15};
  EXPECT_EQ(HandCodes(0), sorted);
  for (int k = 4; k < 17; ++k) {
    const TileSlot& s = player(0).slots[k];
    EXPECT_EQ(PicOf(s.element), TilePic(TilePicture(s.code, kBlockHand)));
    EXPECT_EQ(TileEl(s.element).geometry, (Rect{19.0 + 48 * k, 564, 48, 78}));
  }
  // The first four dealt tiles were the right seat's, from element 8.
  EXPECT_EQ(player(2).slots[4].element, 8);
  EXPECT_EQ(player(0).slots[4].element, 12);
  EXPECT_EQ(player(1).handCount, 13);
  EXPECT_EQ(player(2).handCount, 14);
  EXPECT_EQ(PicOf(player(1).slots[10].element), TilePic(43));
  EXPECT_EQ(PicOf(player(2).slots[10].element), TilePic(115));
  // What is left of the wall still stands face down.
  for (int e = 48; e < 72; ++e) EXPECT_EQ(PicOf(e), TilePic(116)) << e;
  for (int e = 0; e < 8; ++e) EXPECT_EQ(PicOf(e), TilePic(8)) << e;

  // The dealer discards the seven of bamboo: its last tile comes to the middle.
  const int rightLast = player(2).slots[17].element;
  Feed(DiscardRecord(2, 0x27));
  EXPECT_EQ(state().OfferElement, rightLast);
  EXPECT_EQ(PicOf(rightLast), TilePic(108 + TileKeyOf(0x27)));
  EXPECT_EQ(player(2).handCount, 13);

  // The local player draws a dots eight: the discard moves into the right seat's discards and
  // the new tile stands half a tile apart.
  const int16_t rightX = player(2).discardX0, rightY = player(2).discardY0;
  Feed(One(1, 0x88));
  EXPECT_EQ(TileEl(rightLast).geometry, (Rect{double(rightX), double(rightY), 48, 35}));
  EXPECT_EQ(player(0).handCount, 14);
  EXPECT_EQ(player(0).slots[17].element, 48);
  EXPECT_EQ(TileEl(48).geometry, (Rect{19.0 + 48 * 17 + 24, 564, 48, 78}));
  EXPECT_EQ(PicOf(48), TilePic(TilePicture(0x88, kBlockHand)));

  // The turn opens (as the option record does) and the player discards the West wind, picked
  // out with the pointer first.
  state().MustDiscard = true;
  state().ClickState = 0;
  state().OpSent = false;
  const int pick = player(0).slots[15].element;  // 0x13
  ElementEvent ev;
  ev.form = view().mainForm();
  ev.element = Tile(pick);
  client.input().OnMouseMove(ev);
  EXPECT_EQ(TileEl(pick).geometry.top, 554);
  ev.button = kLeftButton;
  client.input().OnMouseDown(ev);
  EXPECT_EQ(TileEl(pick).geometry.width, 36);
  EXPECT_EQ(TileEl(pick).geometry.left, (1024 - 48) / 2.0);
  EXPECT_EQ(PicOf(pick), TilePic(TilePicture(0x13, kBlockUpright)));
  EXPECT_EQ(HandCodes(0), (std::vector<int>{0x81, 0x83, 0x85, 0x88, 0x88, 0x41, 0x42, 0x45, 0x21,
                                            0x22, 0x29, 0x11, 0x15}));
  ASSERT_EQ(Run(300), -1);
  auto sent = SentPlay();
  ASSERT_EQ(sent.size(), 2u);
  EXPECT_EQ(sent[0][3], 7);  // the pass of the open offer
  EXPECT_EQ(sent[1][3], 2);
  EXPECT_EQ(sent[1][6], 1);
  EXPECT_EQ((sent[1][14] << 8) | sent[1][15], 0x4013);

  // The server announces it; the tile stays where the click put it until the next draw moves
  // it into the local discards.
  Feed(DiscardRecord(1, 0x13));
  EXPECT_EQ(state().OfferTile, 0x13);
  EXPECT_EQ(state().OfferElement, pick);
  EXPECT_EQ(TileEl(pick).geometry.left, (1024 - 48) / 2.0);
  Feed(One(4, 0));
  EXPECT_EQ(TileEl(pick).geometry, (Rect{356, 443, 36, 50}));
  EXPECT_EQ(player(1).handCount, 14);
  EXPECT_EQ(TileEl(player(1).slots[17].element).geometry.top, 192 + 17 * 35 / 2.0 + 10);

  // The left seat discards; nothing more goes to the server.
  Feed(DiscardRecord(4, 0x41));
  EXPECT_EQ(player(1).handCount, 13);
  EXPECT_EQ(SentPlay().size(), 2u);
}

}  // namespace
}  // namespace korvel
