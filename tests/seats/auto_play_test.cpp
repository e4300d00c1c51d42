// Playing for the local player when the turn clock runs out, in virtual time through the loop:
// what goes to the server, what the table shows, and the window hiding itself after too many
// time-outs in a row.
#include <gtest/gtest.h>

#include "table/offer_records.h"

namespace korvel {
namespace {

using testing::OfferFixture;
using testing::OperationRecord;
using testing::OptionRecord;
using testing::TilePic;

class AutoPlayTest : public OfferFixture {
 protected:
  void SetUp() override {
    OfferFixture::SetUp();
    SetHand(2, {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, 40);
  }
  void Take(const RecordBytes& record) {
    Deliver(record);
    ASSERT_EQ(Run(150), -1);
  }
  void FourteenTiles() {
    SetHand(0,
            {0x81, 0x82, 0x83, 0x84, 0x41, 0x42, 0x43, 0x25, 0x26, 0x27, 0x11, 0x11, 0x12, 0x29});
  }
  // An own turn with `seconds` on the clock, left to run out.
  std::vector<std::vector<uint8_t>> TimeOut(int bits = 0x00, int seconds = 3) {
    Take(OptionRecord(1, bits, seconds));
    return Sent(seconds * 1000 + 1500);
  }
  // The play records sent within the next `ms`.
  std::vector<std::vector<uint8_t>> Sent(int ms) {
    EXPECT_EQ(Run(ms), -1);
    std::vector<std::vector<uint8_t>> out;
    for (auto& r : vp.socket.sent) {
      if (r[3] == 2 || r[3] == 7) out.push_back(r);
    }
    vp.socket.sent.clear();
    return out;
  }
  // The server's answer to the time-out's discard, and a new tile to play the next turn with.
  void NextTurn(int discarded, int drawn) {
    Take(DiscardRecord(1, discarded));
    Take(One(1, drawn));
  }
};

TEST_F(AutoPlayTest, AClaimOfferThatRunsOutIsPassed) {
  SetHand(0, {0x81, 0x82, 0x83, 0x84, 0x41, 0x21, 0x22, 0x23, 0x23, 0x25, 0x26, 0x11, 0x12});
  Take(DiscardRecord(2, 0x23));
  Take(OptionRecord(1, 0x09, 3));
  // Three seconds count down, the fourth plays: nothing before it.
  EXPECT_TRUE(Sent(3600).empty());
  auto sent = Sent(1000);
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(sent[0][3], 7);
  EXPECT_EQ(Value(sent[0], 0), OpPass);
  EXPECT_EQ(player(0).handCount, 13);
  for (int i = 1; i <= 5; ++i) EXPECT_FALSE(Shown(el().Operation[i])) << i;
  EXPECT_FALSE(Shown(el().Number));
  EXPECT_EQ(state().ClickState, 3);
  // Clicks wait for the next offer.
  ClickButton(1);
  EXPECT_TRUE(Sent(100).empty());
}

TEST_F(AutoPlayTest, AnOwnTurnThatRunsOutPassesAndDiscardsTheDrawnTile) {
  FourteenTiles();
  const int drawn = player(0).slots[17].element;
  auto sent = TimeOut(0x81);
  ASSERT_EQ(sent.size(), 2u);
  EXPECT_EQ(Value(sent[0], 0), OpPass);
  EXPECT_EQ(sent[1][3], 2);
  EXPECT_EQ(Value(sent[1], 3), 0x4029);
  EXPECT_EQ(player(0).handCount, 13);
  EXPECT_EQ(state().OfferElement, drawn);
  const Rect table = El(el().pic1).geometry;
  EXPECT_EQ(TileEl(drawn).geometry,
            (Rect{(table.width - 48) / 2, (table.height - 78) / 2, 36, 50}));
  EXPECT_EQ(PicOf(drawn), TilePic(TilePicture(0x29, kBlockUpright)));
  EXPECT_EQ(view().TileWidth[0], 48);
  // The server's announcement is the client's own discard: nothing moves again.
  Take(DiscardRecord(1, 0x29));
  EXPECT_EQ(player(0).handCount, 13);
  EXPECT_EQ(TileEl(drawn).geometry.width, 36);
}

TEST_F(AutoPlayTest, ATimeOutAfterTheChoiceWasMadeDoesNothing) {
  FourteenTiles();
  Take(OptionRecord(1, 0x00, 3));
  PressTile(player(0).slots[8].element);
  ASSERT_EQ(Sent(100).size(), 2u);
  ASSERT_EQ(state().ClickState, 2);
  client.autoPlay().OnLocalTimeout();
  EXPECT_TRUE(Sent(100).empty());
  EXPECT_EQ(player(0).handCount, 13);
  EXPECT_EQ(client.table().progress.TimeoutRun, 0);
}

TEST_F(AutoPlayTest, TheWindowHidesAfterTheLimitOfTimeOutsInARow) {
  client.table().progress.TimeoutLimit = 3;
  FourteenTiles();
  ASSERT_EQ(TimeOut().size(), 2u);
  NextTurn(0x29, 0x88);
  ASSERT_EQ(TimeOut().size(), 2u);
  NextTurn(0x88, 0x89);
  // A click in between starts the count again.
  Take(OptionRecord(1, 0x00, 3));
  PressTile(player(0).slots[17].element);
  ASSERT_EQ(Sent(100).size(), 2u);
  EXPECT_EQ(client.table().progress.TimeoutRun, 0);
  NextTurn(0x89, 0x28);
  for (int run = 1; run <= 2; ++run) {
    ASSERT_EQ(TimeOut().size(), 2u);
    EXPECT_FALSE(client.table().progress.HiddenByKey);
    NextTurn(run == 1 ? 0x28 : 0x23, run == 1 ? 0x23 : 0x24);
  }
  // The player is warned one time-out before the window goes.
  ASSERT_FALSE(client.messages().Lines(0).empty() && client.messages().Lines(1).empty());
  const auto& lines =
      client.messages().Lines(1).empty() ? client.messages().Lines(0) : client.messages().Lines(1);
  EXPECT_EQ(lines.back(), "连续超时2次，再超时窗口将自动隐藏");
  ASSERT_EQ(TimeOut().size(), 2u);
  EXPECT_TRUE(client.table().progress.HiddenByKey);
  EXPECT_TRUE(client.view().MainWindowMinimized);
  EXPECT_EQ(client.table().progress.TimeoutRun, 3);

  // Hidden, every turn lasts a second and is played alone; the count no longer grows.
  NextTurn(0x24, 0x21);
  Take(OptionRecord(1, 0x00, 8));
  EXPECT_EQ(client.loop().TurnClock, 1);
  auto sent = Sent(2600);
  ASSERT_EQ(sent.size(), 2u);
  EXPECT_EQ(Value(sent[1], 3), 0x4021);
  EXPECT_EQ(client.table().progress.TimeoutRun, 3);

  // The window comes back: full turns and a new count.
  client.input().OnFormResize(view().mainForm(), false);
  EXPECT_FALSE(client.table().progress.HiddenByKey);
  EXPECT_EQ(client.table().progress.TimeoutRun, 0);
}

TEST_F(AutoPlayTest, WithoutALimitTheWindowNeverHides) {
  client.table().progress.TimeoutLimit = 0;
  FourteenTiles();
  const int tiles[] = {0x29, 0x88, 0x89, 0x28, 0x23};
  for (int i = 0; i < 4; ++i) {
    ASSERT_EQ(TimeOut().size(), 2u);
    NextTurn(tiles[i], tiles[i + 1]);
  }
  EXPECT_FALSE(client.table().progress.HiddenByKey);
  EXPECT_EQ(client.table().progress.TimeoutRun, 4);
}

TEST_F(AutoPlayTest, ADeclaredHandTakesAnOfferedWinAndDiscardsNothing) {
  SetHand(0, {0x81, 0x82, 0x83, 0x84, 0x41, 0x42, 0x43, 0x25, 0x26, 0x27, 0x11, 0x11, 0x12});
  state().ReadyDeclared = true;
  state().ReadyListSent = true;
  Take(DiscardRecord(2, 0x12));
  Take(OptionRecord(1, 0x81, 8));
  EXPECT_EQ(client.loop().TurnClock, 0);
  auto sent = Sent(1500);
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(Value(sent[0], 0), OpHu);
  EXPECT_EQ(player(0).handCount, 13);
}

TEST_F(AutoPlayTest, ADeclarationLeftToTheClockDiscardsTheTileThatKeepsTheHandReady) {
  FourteenTiles();
  Take(OptionRecord(1, 0x01, 3, {0x43}));
  ClickButton(3);
  ASSERT_EQ(Sent(100).size(), 1u);                 // the declaration
  const int chosen = player(0).slots[10].element;  // 0x43
  auto sent = Sent(4500);
  ASSERT_EQ(sent.size(), 1u);  // the declaration answered the offer: no pass
  EXPECT_EQ(sent[0][3], 2);
  EXPECT_EQ(Value(sent[0], 3), 0x4043);
  EXPECT_EQ(state().OfferElement, chosen);
  // The tiles to its right moved one place left.
  const PlayerRecord& p = player(0);
  EXPECT_EQ(p.handCount, 13);
  EXPECT_EQ(Codes(0, 10, 12), (std::vector<int>{0x25, 0x26, 0x27}));
  for (int k = 10; k < 17; ++k) {
    EXPECT_EQ(TileEl(p.slots[k].element).geometry.left, 19 + 48 * k) << k;
  }

  // Later turns of the declared hand play themselves at once: the drawn tile goes.
  Take(DiscardRecord(1, 0x43, 1));
  EXPECT_EQ(state().LaidDown[0], 1);
  Take(One(1, 0x87));
  Take(OptionRecord(1, 0x00, 8));
  sent = Sent(1500);
  ASSERT_EQ(sent.size(), 2u);
  EXPECT_EQ(Value(sent[0], 0), OpPass);
  EXPECT_EQ(Value(sent[1], 3), 0x4087);
}

}  // namespace
}  // namespace korvel
