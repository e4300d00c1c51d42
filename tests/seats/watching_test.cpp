// Watching a table: the seats seen from the watched player's side, dealing with a hidden hand,
// replacement tiles from the far end, discards and operations before and after a restore.
#include "seats/watching.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "seats/restore_records.h"
#include "seats/table_restore.h"
#include "table/offer_records.h"
#include "table/table_fixture.h"

namespace korvel {
namespace {

using testing::RestoreRecord;
using testing::SeatSnapshot;
using testing::ServerRecord;
using testing::TableFixture;
using testing::TilePic;

RecordBytes Info(int mask, const std::string& account, const std::string& nickname) {
  RecordBytes r = ServerRecord(20, mask);
  std::copy(nickname.begin(), nickname.end(), r.begin() + 16);
  r[48] = 'm';
  r[49] = '2';
  std::copy(account.begin(), account.end(), r.begin() + 168);
  r[210] = r[211] = '0';
  r[218] = '1';
  r[219] = '0';
  return r;
}

RecordBytes Operation(int mask, int op, int tile) {
  return ServerRecord(7, mask, {uint8_t(op), uint8_t(tile), uint8_t(tile), uint8_t(tile)});
}

// The watcher watches "b" at mask 2: the left seat is mask 1, the right seat mask 4.
class WatchingTest : public TableFixture {
 protected:
  void SetUp() override {
    TableFixture::SetUp();
    try {
      client.Startup(testing::LaunchLine(testing::DirectFields()) + "1000");
    } catch (const ClientEnded&) {
      FAIL() << "the watcher did not start";
    }
    ASSERT_TRUE(client.settings().Spectator);
    ASSERT_EQ(Run(200), -1);
    Feed(ServerRecord(kCmdLogin, 0, {5, 8, 0, 1}), 100);
    for (const RecordBytes& r : {Info(2, "b", "Bee"), Info(1, "a", "Ay"), Info(4, "c", "Cee")})
      Feed(r, 100);
  }
  // A deal with the watched seat as dealer and a die of 3: the wall starts at element 30.
  void StartDeal() { Feed(DealStartRecord(2, 3)); }
  void DealWatchedHand() {
    Feed(Four(2, 0x81, 0x82, 0x83, 0x84), 100);
    Feed(Four(2, 0x85, 0x86, 0x87, 0x88), 100);
    Feed(Four(2, 0x21, 0x22, 0x23, 0x24), 100);
    Feed(One(2, 0x25), 100);
    Feed(One(2, 0x26), 100);
  }
  void RestoreDeal(int localDiscards = 0, int leftDiscards = 0) {
    StartDeal();
    const SeatSnapshot local{2, localDiscards, {}, testing::Run(13)};
    const SeatSnapshot left{1, leftDiscards, {}, testing::Run(13, 3)};
    const SeatSnapshot right{4, 0, {}, testing::Run(13, 5)};
    const int taken = 39 + localDiscards + leftDiscards;
    for (const SeatSnapshot* s : {&local, &left, &right}) Feed(RestoreRecord(*s, taken, 71), 100);
    ASSERT_TRUE(client.table().progress.TableRestored);
  }
  // Virtual time a record took to handle, beyond the 100 ms it was given.
  int64_t Handle(const RecordBytes& r) {
    const int64_t before = vp.timers.NowMs();
    Feed(r, 100);
    return vp.timers.NowMs() - before - 100;
  }
};

TEST_F(WatchingTest, AWatcherNeverPlaysForTheWatchedSeatWhateverTheServerOffers) {
  RestoreDeal();
  vp.socket.sent.clear();
  const int16_t offerBefore = state().OfferElement;
  // The server offers the watched seat a discard turn, then a claim with every button.
  Feed(Four(2, 0x21, 0x21, 0x21, 0x22), 100);
  Feed(testing::OptionRecord(2, 0xFF, 3), 100);
  ASSERT_EQ(Run(12000), -1);
  Feed(testing::OptionRecord(2, OpPeng | OpGang | OpHu | OpPass, 3, {0x21}), 100);
  ASSERT_EQ(Run(12000), -1);
  for (ElementId op : el().Operation) EXPECT_FALSE(main().Enabled(op));
  EXPECT_EQ(state().OfferElement, offerBefore) << "nothing was discarded to the middle";
  // The score board's countdown runs out too.
  client.loop().TurnClock = 1;
  client.loop().Arm(kStepDealEndCountdown);
  ASSERT_EQ(Run(3000), -1);
  for (int command : SentCommands()) EXPECT_EQ(command, 24) << "only keep-alives leave";
  // Even a record built by hand does not leave.
  CommandInfo discard;
  discard.command = 2;
  client.records().SendCommand(discard);
  ASSERT_EQ(Run(200), -1);
  for (int command : SentCommands()) EXPECT_EQ(command, 24);
}

TEST_F(WatchingTest, TheWatchedPlayerSitsAtTheBottom) {
  EXPECT_TRUE(client.watching().SeatsShown);
  EXPECT_EQ(player(0).seatMask, 2);
  EXPECT_EQ(player(1).seatMask, 1);
  EXPECT_EQ(player(2).seatMask, 4);
  EXPECT_EQ(player(0).name, "b");
  EXPECT_EQ(player(1).name, "a");
  EXPECT_EQ(main().Get(el().Nid[2])->caption, "Cee");
  EXPECT_EQ(client.table().seating.SeatFace[1].nickname, "Ay");
}

TEST_F(WatchingTest, AHiddenHandIsDealtFaceDownAndAVisibleOneFaceUp) {
  StartDeal();
  DealWatchedHand();
  ASSERT_EQ(player(0).handCount, 14);
  for (int k = 4; k < 18; ++k) EXPECT_EQ(PicOf(player(0).slots[k].element), TilePic(7));
  EXPECT_EQ(player(0).slots[4].code, 0x81) << "the codes are kept";

  client.watching().handVisible = 1;
  StartDeal();
  Feed(Four(2, 0x81, 0x82, 0x83, 0x84), 100);
  EXPECT_EQ(PicOf(player(0).slots[4].element), TilePic(TilePicture(0x81, kBlockHand)));
}

TEST_F(WatchingTest, AWatcherHearsEachSeatBeingDealt) {
  StartDeal();
  vp.sound.played.clear();
  Feed(Four(2, 0x81, 0x82, 0x83, 0x84), 100);
  Feed(Four(1, 0, 0, 0, 0), 100);
  const auto dealt = std::count_if(vp.sound.played.begin(), vp.sound.played.end(),
                                   [](const std::string& p) { return p.ends_with("qupai.wav"); });
  EXPECT_EQ(dealt, 2);
}

TEST_F(WatchingTest, TilesAfterAGangComeFromTheFarEndOfTheWall) {
  StartDeal();
  const int next = state().NextTileElement;
  state().WallEndElement = 28;
  state().ReplacementDraw = 0;
  Feed(One(4, 0), 100);
  state().ReplacementDraw = 0;
  Feed(One(4, 0), 100);
  state().ReplacementDraw = 0;
  Feed(One(4, 0), 100);
  const PlayerRecord& right = player(2);
  EXPECT_EQ(right.slots[right.handStart].element, 28) << "the far stack's upper tile";
  EXPECT_EQ(right.slots[right.handStart + 1].element, 29) << "then its lower tile";
  EXPECT_EQ(right.slots[right.handStart + 2].element, 26) << "then the stack before it";
  EXPECT_EQ(state().NextTileElement, next);
  Feed(One(4, 0), 100);
  EXPECT_EQ(right.slots[right.handStart + 3].element, next) << "an ordinary draw";
}

TEST_F(WatchingTest, BeforeARestoreNoDiscardIsEnlargedAndNoCallIsShown) {
  StartDeal();
  Feed(Four(1, 0, 0, 0, 0), 100);
  EXPECT_LT(Handle(DiscardRecord(1, 0x23)), 100) << "no pause over an enlarged tile";
  const ElementId discard = Tile(state().OfferElement);
  EXPECT_EQ(main().GetLeft(discard), play().LastDiscardX);
  EXPECT_EQ(PicOf(state().OfferElement), TilePic(TilePicture(0x23, kBlockLeft)));
  EXPECT_LT(Handle(Operation(1, 8, 0x23)), 100);
  EXPECT_FALSE(main().Visible(el().Speak[0]));
}

TEST_F(WatchingTest, AfterARestoreDiscardsPauseEnlargedAndCallsAreSpoken) {
  RestoreDeal();
  // The restore hides the watched hand.
  EXPECT_EQ(client.watching().handVisible, 0);
  EXPECT_EQ(PicOf(player(0).slots[4].element), TilePic(7));
  EXPECT_GE(Handle(DiscardRecord(1, 0x23)), 900);
  // A concealed gang by the left seat: the word 暗杠 and the exposed gang's clip.
  vp.sound.played.clear();
  EXPECT_GE(Handle(Operation(1, 32, 0)), 1900);
  EXPECT_EQ(main().GetPicture(el().Words), view().sprites().WordSprites[3]);
  EXPECT_FALSE(main().Visible(el().Speak[0])) << "taken down after two seconds";
  EXPECT_FALSE(main().Visible(el().Words));
  ASSERT_FALSE(vp.sound.played.empty());
  EXPECT_NE(vp.sound.played.back().find("03"), std::string::npos) << vp.sound.played.back();
  // Four tiles left the row: three face down in the meld, the fourth on top.
  EXPECT_EQ(player(1).handCount, 8);
  EXPECT_EQ(player(1).slots[2].kind, SlotKind::ConcealedGang);
  EXPECT_EQ(PicOf(player(1).slots[3].element), TilePic(LyingBackIndex(kBlockLeft)));
  EXPECT_EQ(state().ReplacementDraw, 0);
}

TEST_F(WatchingTest, AWatchersDiscardRowsHoldEight) {
  RestoreDeal(9, 9);
  const LayoutScale& s = view().scale();
  EXPECT_EQ(player(0).discardX, player(0).discardX0 + s.RoundX(36));
  EXPECT_EQ(player(0).discardY, player(0).discardY0 - (s.RoundY(50) - s.RoundY(18)));
  EXPECT_EQ(player(1).discardY, player(1).discardY0 + s.RoundY(35) - s.RoundY(17));
}

TEST_F(WatchingTest, AHiddenHandGivesUpItsLastElementButKeepsItsTiles) {
  StartDeal();
  DealWatchedHand();
  std::vector<int> before = HandCodes(0);
  const int lastElement = player(0).slots[17].element;
  Feed(DiscardRecord(2, 0x83), 100);
  EXPECT_EQ(state().OfferElement, lastElement) << "the hidden hand's rightmost tile leaves";
  EXPECT_EQ(PicOf(lastElement), TilePic(TilePicture(0x83, kBlockUpright)));
  std::vector<int> after = HandCodes(0);
  before.erase(std::find(before.begin(), before.end(), 0x83));
  std::sort(before.begin(), before.end());
  std::sort(after.begin(), after.end());
  EXPECT_EQ(after, before);
}

TEST_F(WatchingTest, APengByTheWatchedSeatTakesItsPairAndTheDiscardsPlaceIsFreed) {
  StartDeal();
  DealWatchedHand();
  Feed(DiscardRecord(2, 0x26), 100);
  Feed(Four(1, 0, 0, 0, 0), 100);
  Feed(Four(1, 0, 0, 0, 0), 100);
  const int16_t leftX = player(1).discardX, leftY = player(1).discardY;
  Feed(DiscardRecord(1, 0x23), 100);
  const int claimed = state().OfferElement;
  // The watched seat's hand holds one 0x23: a second one is drawn first.
  Feed(One(2, 0x23), 100);
  Feed(DiscardRecord(2, 0x81), 100);
  Feed(DiscardRecord(1, 0x23), 100);
  const int claimed2 = state().OfferElement;
  ASSERT_NE(claimed, claimed2);
  Feed(Operation(2, 8, 0x23), 100);
  const PlayerRecord& p = player(0);
  EXPECT_EQ(p.meldCursor, 6);
  EXPECT_EQ(p.handStart, 7);
  for (int s = 1; s <= 3; ++s) {
    EXPECT_EQ(p.slots[s].kind, SlotKind::Peng);
    EXPECT_EQ(p.slots[s].code, 0x23);
    EXPECT_EQ(PicOf(p.slots[s].element), TilePic(TilePicture(0x23, kBlockUpright)));
  }
  EXPECT_EQ(p.slots[3].element, claimed2);
  const std::vector<int> left = HandCodes(0);
  EXPECT_EQ(std::count(left.begin(), left.end(), 0x23), 0);
  const LayoutScale& s = view().scale();
  EXPECT_EQ(player(1).discardY, leftY + s.RoundY(35) - s.RoundY(17))
      << "one discard stays in the row, the claimed one's place is free again";
  EXPECT_EQ(player(1).discardX, leftX - 5);
}

// Before the first deal start the seats have no places yet: tiles then are left out, and every
// tile element stays inside the window.
TEST_F(WatchingTest, TilesBeforeAnyDealAreLeftOut) {
  Feed(One(1, 0x21), 100);
  Feed(Four(4, 0x21, 0x22, 0x23, 0x24), 100);
  EXPECT_EQ(player(1).handCount, 0);
  EXPECT_EQ(player(2).handCount, 0);
  const Form& f = view().main();
  for (ElementId e : view().el.MJ_Image) {
    if (!f.Visible(e)) continue;
    EXPECT_GE(f.GetLeft(e), 0);
    EXPECT_GE(f.GetTop(e), 0);
  }
  StartDeal();
  Feed(One(1, 0x21), 100);
  EXPECT_EQ(player(1).handCount, 1);
}

// Records of any content, watched or played, in any order: the seats' counters stay inside their
// slots and every slot names a tile element or none.
TEST_F(WatchingTest, RecordsOfAnyContentKeepEverySeatInsideItsSlots) {
  for (bool watching : {true, false}) {
    client.settings().Spectator = watching;
    uint32_t x = 12345;
    auto next = [&] {
      x = x * 1103515245u + 12345u;
      return static_cast<uint8_t>(x >> 16);
    };
    const int commands[] = {1, 2, 4, 5, 7, 40};
    for (int i = 0; i < 1500; ++i) {
      RecordBytes r{};
      for (size_t k = 5; k < 64; ++k) r[k] = next();
      r[3] = static_cast<uint8_t>(commands[next() % 6]);
      r[6] = static_cast<uint8_t>(1 << (next() % 3));
      if (r[3] == 40)
        for (size_t k = 16; k < 64; k += 2) r[k] = static_cast<uint8_t>(0x10 + (next() & 0x1F));
      if (r[3] == 4) r[9] = static_cast<uint8_t>(next() % 7);
      Deliver(r);
      ASSERT_EQ(Run(100), -1) << "record " << i;
      for (int v = 0; v < kSeats; ++v) {
        const PlayerRecord& p = player(v);
        ASSERT_GE(p.handStart, 0);
        ASSERT_LE(p.handStart + p.handCount, kSlotsPerSeat) << "record " << i;
        for (const TileSlot& slot : p.slots) {
          ASSERT_GE(slot.element, -1);
          ASSERT_LT(slot.element, kTileElements);
        }
      }
    }
  }
  EXPECT_GE(client.dispatcher().Dispatched, 3000u);
}

}  // namespace
}  // namespace korvel
