// One whole deal as korvel-server sends it, in virtual time through the client's loop: the
// deal start and the dealing, draws and discards, another seat's peng, the local player's
// peng, a gang with its replacement tile, the ready declaration, a win played by the clock,
// a second winner, and the final reveal. Checked on the Scene and on every record sent.
#include <gtest/gtest.h>

#include <algorithm>

#include "offer_records.h"

namespace korvel {
namespace {

using testing::OperationRecord;
using testing::OptionRecord;
using testing::RevealRecord;
using testing::TableFixture;
using testing::TilePic;

RecordBytes Announcement(int mask, const std::string& account) {
  RecordBytes r = testing::ServerRecord(3, mask);
  std::copy(account.begin(), account.end(), r.begin() + 16);
  return r;
}

class WholeDealTest : public TableFixture {
 protected:
  void SetUp() override {
    TableFixture::SetUp();
    LogIn();
    // This client "a" at mask 1; "b" at mask 2 sits on the right, "c" at mask 4 on the left.
    Feed(Announcement(1, "a"), 200);
    Feed(Announcement(2, "b"), 200);
    Feed(Announcement(4, "c"), 200);
    // The players' information that follows resets the table for the first deal.
    view().ResetTable();
    for (int v = 0; v < 3; ++v) client.seatVoices()[v] = SeatVoice{1, "00", "10", 3};
    vp.socket.sent.clear();
  }
  // A record taken by the loop, with `ms` for what its handler shows.
  void Take(const RecordBytes& record, int ms = 150) { Feed(record, ms); }
  ElementEvent Event(ElementId element, int button = kLeftButton) {
    ElementEvent ev;
    ev.form = view().mainForm();
    ev.element = element;
    ev.button = button;
    return ev;
  }
  // Clicks the local concealed tile showing `code`.
  void Discard(int code) {
    const PlayerRecord& p = player(0);
    for (int k = p.handStart; k < p.handStart + p.handCount; ++k) {
      if (p.slots[k].code != code) continue;
      client.input().OnMouseDown(Event(Tile(p.slots[k].element)));
      return;
    }
    ADD_FAILURE() << "no " << code << " in the hand";
  }
  void Click(ElementId e) { client.input().OnClick(Event(e)); }
  // Every play record (2 and 7) sent so far, as command, value(0) and value(3).
  struct Play {
    int command, op, tile;
    bool operator==(const Play&) const = default;
  };
  std::vector<Play> Plays() {
    std::vector<Play> out;
    for (const auto& r : vp.socket.sent) {
      if (r[3] == 2 || r[3] == 7) out.push_back({r[3], r[8] << 8 | r[9], r[14] << 8 | r[15]});
    }
    return out;
  }
  const Element& El(ElementId e) { return *main().Get(e); }
};

TEST_F(WholeDealTest, ADealFromTheDiceToTheReveal) {
  // ---- the deal start and the dealing: the local player deals ----
  Take(DealStartRecord(1, 3), 3000);
  ASSERT_TRUE(player(0).isDealer);
  const int mine[14] = {0x81, 0x25, 0x41, 0x23, 0x42, 0x82, 0x25,
                        0x11, 0x83, 0x43, 0x23, 0x87, 0x25, 0x89};
  for (int round = 0; round < 3; ++round) {
    Take(Four(1, mine[4 * round], mine[4 * round + 1], mine[4 * round + 2], mine[4 * round + 3]));
    Take(Four(2, 0, 0, 0, 0));
    Take(Four(4, 0, 0, 0, 0));
  }
  Take(One(1, mine[12]));
  Take(One(2, 0));
  Take(One(4, 0));
  Take(One(1, mine[13]), 1500);  // the dealer's fourteenth; the hand turns face up
  ASSERT_EQ(state().DealDone, 3);
  EXPECT_EQ(HandCodes(0), (std::vector<int>{0x81, 0x82, 0x83, 0x87, 0x89, 0x41, 0x42, 0x43, 0x23,
                                            0x23, 0x25, 0x25, 0x25, 0x11}));
  for (int k = 4; k < 18; ++k) {
    const TileSlot& s = player(0).slots[k];
    EXPECT_EQ(PicOf(s.element), TilePic(TilePicture(s.code, kBlockHand))) << k;
  }

  // ---- the first turn: the local player discards the East wind ----
  Take(OptionRecord(1, 0x00, 8));
  EXPECT_TRUE(state().MustDiscard);
  EXPECT_TRUE(El(el().Number).visible);
  Discard(0x11);
  Take(DiscardRecord(1, 0x11));
  const int east = state().OfferElement;

  // ---- the left seat claims it: its call and its first meld ----
  Take(OperationRecord(4, OpPeng, 0x11));
  EXPECT_TRUE(El(el().Speak[0]).visible);
  EXPECT_EQ(El(el().Words).picture, view().sprites().WordSprites[1]);
  EXPECT_EQ(player(1).slots[4].element, east);
  EXPECT_EQ(PicOf(east), TilePic(TilePicture(0x11, kBlockLeft)));
  EXPECT_EQ(player(1).handCount, 11);
  Take(OptionRecord(4, 0x00, 8));
  EXPECT_EQ(El(el().Time_Img).geometry.left, 8);
  Take(DiscardRecord(4, 0x23));

  // ---- the local peng, then a discard ----
  Take(OptionRecord(1, 0x09, 8));
  Click(el().Operation[1]);
  Take(OperationRecord(1, OpPeng, 0x23));
  EXPECT_EQ(player(0).meldCursor, 6);
  EXPECT_EQ(player(0).handCount, 11);
  for (int s = 1; s <= 3; ++s) {
    EXPECT_EQ(TileEl(player(0).slots[s].element).geometry,
              (Rect{19.0 + (s + 1) * 43, 564, 45, 60}));
  }
  Take(OptionRecord(1, 0x00, 8));
  Discard(0x87);
  Take(DiscardRecord(1, 0x87));

  // ---- the right seat draws and discards; the local gang and its replacement tile ----
  Take(One(2, 0), 600);
  Take(OptionRecord(2, 0x00, 8));
  Take(DiscardRecord(2, 0x25));
  const int claimed = state().OfferElement;
  Take(OptionRecord(1, 0x11, 8));
  Click(el().Operation[2]);
  Take(OperationRecord(1, OpGang, 0x25));
  EXPECT_EQ(TileEl(claimed).geometry, (Rect{19.0 + 6 * 43, 564 - 18, 45, 60}));
  Take(One(1, 0x44));
  EXPECT_EQ(TileEl(claimed).geometry.top, 564 - 18);  // the claimed tile stays on the meld
  EXPECT_EQ(HandCodes(0), (std::vector<int>{0x81, 0x82, 0x83, 0x89, 0x41, 0x42, 0x43, 0x44}));

  // ---- declaring ready: only the listed tile can go ----
  Take(OptionRecord(1, 0x01, 8, {0x89}));
  Click(el().Operation[3]);
  const PlayerRecord& me = player(0);
  for (int k = me.handStart; k < me.handStart + me.handCount; ++k) {
    EXPECT_EQ(TileEl(me.slots[k].element).enabled, me.slots[k].code == 0x89) << k;
  }
  Discard(0x81);  // refused
  Discard(0x89);
  Take(DiscardRecord(1, 0x89, 1));
  EXPECT_TRUE(El(el().imgTing[0]).visible);
  EXPECT_EQ(state().LaidDown[0], 1);

  // ---- the left seat's discard wins for the declared hand, played by the clock ----
  Take(One(4, 0), 600);
  Take(DiscardRecord(4, 0x44));
  const int winning = state().OfferElement;
  Take(OptionRecord(1, 0x81, 8));
  EXPECT_EQ(client.loop().TurnClock, 0);
  ASSERT_EQ(Run(1500), -1);
  Take(OperationRecord(1, OpHu, 0x44, 0, 0x44));
  const double lastLeft = TileEl(me.slots[me.handStart + me.handCount - 1].element).geometry.left;
  EXPECT_EQ(TileEl(winning).geometry, (Rect{lastLeft + 72, 564, 48, 78}));
  EXPECT_EQ(PicOf(winning), TilePic(TilePicture(0x44, kBlockUpright)));
  EXPECT_EQ(client.settlement().stores.HasWon[0], 1);

  // ---- the right seat wins on its own draw ----
  Take(One(2, 0), 600);
  const int rightLast = player(2).slots[player(2).handStart + player(2).handCount - 1].element;
  Take(OperationRecord(2, OpHu, 0x27, 0, 0x27));
  EXPECT_EQ(PicOf(rightLast), TilePic(TilePicture(0x27, kBlockRight)));
  EXPECT_TRUE(El(el().Speak[1]).visible);
  EXPECT_EQ(El(el().Words).picture, view().sprites().WordSprites[7]);

  // ---- the reveal ----
  ASSERT_EQ(player(1).handCount, 10);
  ASSERT_EQ(player(2).handCount, 14);
  const std::vector<int> left = {0x81, 0x81, 0x82, 0x83, 0x84, 0x21, 0x21, 0x22, 0x26, 0x28};
  const std::vector<int> right = {0x85, 0x86, 0x41, 0x41, 0x45, 0x46, 0x47,
                                  0x22, 0x23, 0x24, 0x27, 0x28, 0x29, 0x27};
  auto reveal = [&](int mask, const std::vector<int>& tiles) {
    for (size_t at = 0; at < tiles.size(); at += 4) {
      Take(RevealRecord(mask, std::vector<int>(tiles.begin() + at,
                                               tiles.begin() + std::min(tiles.size(), at + 4))));
    }
  };
  reveal(4, left);
  EXPECT_EQ(PicOf(player(1).slots[player(1).handStart].element), TilePic(43));  // not yet
  reveal(2, right);
  const PlayerRecord& l = player(1);
  for (int k = 0; k < 10; ++k) {
    const TileSlot& s = l.slots[l.handStart + k];
    EXPECT_EQ(s.code, left[k]) << k;
    EXPECT_EQ(PicOf(s.element), TilePic(TilePicture(left[k], kBlockLeft))) << k;
  }
  // The winner's drawn tile stays last; the rest is sorted.
  const PlayerRecord& r = player(2);
  EXPECT_EQ(r.slots[r.handStart + 13].code, 0x27);
  EXPECT_EQ(r.slots[r.handStart].code, 0x85);
  EXPECT_EQ(r.slots[r.handStart + 4].code, 0x45);
  EXPECT_EQ(PicOf(r.slots[r.handStart + 13].element), TilePic(TilePicture(0x27, kBlockRight)));
  EXPECT_EQ(TileEl(r.slots[r.handStart].element).geometry.width, 45);

  // ---- everything the client sent, in order ----
  const std::vector<Play> expected = {
      {7, OpPass, 0},      {2, 0, 0x4011},  // the first discard, after passing the turn
      {7, OpPeng, 0x2023},                  // the peng
      {7, OpPass, 0},      {2, 0, 0x4087},  // the discard after it
      {7, OpGang, 0x2025},                  // the gang
      {7, OpReady, 0},     {2, 0, 0x4089},  // the declaration and its discard
      {7, OpHu, 0},                         // the win, by the clock
  };
  EXPECT_EQ(Plays(), expected);
  const auto ready = std::find_if(vp.socket.sent.begin(), vp.socket.sent.end(),
                                  [](const auto& rec) { return rec[3] == 7 && rec[9] == OpReady; });
  ASSERT_NE(ready, vp.socket.sent.end());
  EXPECT_EQ((*ready)[16], 1);
}

}  // namespace
}  // namespace korvel

namespace korvel {
namespace {

TEST_F(WholeDealTest, TheNextDealStartsOnEmptySeatsEvenBeforeTheCountdownRanOut) {
  // The last deal's tiles are still in the seats and the continue countdown still runs when
  // the server starts the next deal.
  Take(DealStartRecord(1, 3), 3000);
  for (int round = 0; round < 3; ++round) {
    Take(Four(1, 0x81, 0x82, 0x83, 0x84));
    Take(Four(2, 0, 0, 0, 0));
    Take(Four(4, 0, 0, 0, 0));
  }
  ASSERT_EQ(player(0).handCount, 12);
  client.loop().Arm(kStepDealEndCountdown);
  client.loop().TurnClock = 10;
  vp.socket.sent.clear();

  Take(DealStartRecord(2, 4), 3000);
  EXPECT_FALSE(client.loop().LoopFlag[kStepDealEndCountdown]);
  for (int v = 0; v < 3; ++v) {
    EXPECT_EQ(player(v).handCount, 0) << v;
    EXPECT_EQ(player(v).handStart, 4) << v;
  }
  EXPECT_EQ(player(0).meldCursor, 3);
  for (int round = 0; round < 3; ++round) {
    Take(Four(2, 0, 0, 0, 0));
    Take(Four(4, 0, 0, 0, 0));
    Take(Four(1, 0x21, 0x22, 0x23, 0x24));
  }
  EXPECT_EQ(player(0).handCount, 12);
  EXPECT_EQ(player(1).handCount, 12);
  // No continue record goes out in the middle of the deal.
  ASSERT_EQ(Run(20000), -1);
  for (const auto& r : vp.socket.sent) EXPECT_NE(r[3], 16);
}

}  // namespace
}  // namespace korvel
