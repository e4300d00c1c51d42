// The local discard (picking a tile out, clicking it, what goes to the server) and the
// discards the server announces, with the declarations that travel with them.
#include <gtest/gtest.h>

#include <algorithm>

#include "sound/voice_clips.h"
#include "table_fixture.h"

namespace korvel {
namespace {

using testing::TableFixture;
using testing::TilePic;

constexpr double kRow = 564;
constexpr double kRaised = 554;

class DiscardingTest : public TableFixture {
 protected:
  void SetUp() override {
    TableFixture::SetUp();
    StartPlaying(1);  // left seat mask 4, right seat mask 2
    view().ResetTable();
    view().ButtonLocked[2] = true;
    state().DealDone = 3;
    for (int v = 0; v < 3; ++v) client.seatVoices()[v] = SeatVoice{1, "00", "10", 3};
  }
  // Fourteen tiles on elements 0..13 and the turn the option record would open.
  void MyTurn() {
    SetHand(0,
            {0x81, 0x82, 0x83, 0x84, 0x41, 0x42, 0x43, 0x21, 0x22, 0x23, 0x11, 0x11, 0x12, 0x29});
    state().MustDiscard = true;
    state().ClickState = 0;
    state().OpSent = false;
    client.loop().Arm(kStepTurnClock);
    client.view().ShowClock(7);
  }
  void Hover(int e) { client.input().OnMouseMove(Event(Tile(e))); }
  void HoverTable(double x, double y) {
    ElementEvent ev = Event(el().pic1);
    ev.formX = x;
    ev.formY = y;
    client.input().OnMouseMove(ev);
  }
  void Press(int e, int button = kLeftButton) {
    ElementEvent ev = Event(Tile(e));
    ev.button = button;
    client.input().OnMouseDown(ev);
  }
  ElementEvent Event(ElementId element) {
    ElementEvent ev;
    ev.form = view().mainForm();
    ev.element = element;
    return ev;
  }
  double Top(int e) { return TileEl(e).geometry.top; }
  // The records the loop sent since the last call, after letting it flush.
  std::vector<std::vector<uint8_t>> Flushed() {
    EXPECT_EQ(Run(500), -1);
    std::vector<std::vector<uint8_t>> out;
    for (auto& r : vp.socket.sent) {
      if (r[3] != 24) out.push_back(r);  // keep-alives aside
    }
    vp.socket.sent.clear();
    return out;
  }
  std::string Voice(int v, const std::string& clip) { return client.sound().VoiceFile(v, clip); }
  bool Played(const std::string& path) {
    return std::find(vp.sound.played.begin(), vp.sound.played.end(), path) != vp.sound.played.end();
  }
};

TEST_F(DiscardingTest, HoveringPicksOutOneTileAtATime) {
  MyTurn();
  Hover(3);
  EXPECT_EQ(Top(3), kRaised);
  EXPECT_EQ(TileEl(3).cursor, kCursorCustom);
  Hover(5);
  EXPECT_EQ(Top(3), kRow);
  EXPECT_EQ(Top(5), kRaised);
  Hover(5);  // again: nothing changes
  EXPECT_EQ(Top(5), kRaised);
  // The pointer on the table just under the raised tile still counts as the tile.
  const Rect r = TileEl(5).geometry;
  HoverTable(r.left + 5, r.bottom() + 5);
  EXPECT_EQ(Top(5), kRaised);
  HoverTable(r.left + 5, r.bottom() + 15);
  EXPECT_EQ(Top(5), kRow);
  // A tile that is not in the hand gets the default pointer and does not move.
  main().Move(Tile(40), 300, 600, 36, 50);
  main().Show(Tile(40));
  Hover(40);
  EXPECT_EQ(TileEl(40).cursor, kCursorDefault);
  EXPECT_EQ(Top(40), 600);
}

TEST_F(DiscardingTest, NothingRisesForAWatcherOrWhileTheStartButtonIsFree) {
  MyTurn();
  view().ButtonLocked[2] = false;
  Hover(3);
  EXPECT_EQ(Top(3), kRow);
  view().ButtonLocked[2] = true;
  state().Spectator = true;
  Hover(3);
  EXPECT_EQ(Top(3), kRow);
  EXPECT_EQ(TileEl(3).cursor, kCursorDefault);
}

TEST_F(DiscardingTest, AfterDeclaringReadyOnlyTheRaisedTilesShowTheCustomPointer) {
  MyTurn();
  state().ReadyDeclared = true;
  main().Move(Tile(13), TileEl(13).geometry.left, kRaised);
  Hover(2);
  EXPECT_EQ(Top(2), kRow);
  EXPECT_EQ(TileEl(2).cursor, kCursorDefault);
  Hover(13);
  EXPECT_EQ(TileEl(13).cursor, kCursorCustom);
  // The table hover leaves the ready tiles raised.
  HoverTable(5, 5);
  EXPECT_EQ(Top(13), kRaised);
}

TEST_F(DiscardingTest, ClickingTheFourthTileDiscardsItAtOnceAndTellsTheServer) {
  MyTurn();
  Hover(3);
  Press(3);
  // The tile lies in the middle, centred by its hand size, at the discard size and at the back.
  EXPECT_EQ(TileEl(3).geometry, (Rect{(1024 - 48) / 2.0, (768 - 78) / 2.0, 36, 50}));
  EXPECT_EQ(PicOf(3), TilePic(TilePicture(0x84, kBlockUpright)));
  EXPECT_EQ(main().ZIndex(Tile(3)), 0);
  EXPECT_EQ(state().OfferElement, 3);
  EXPECT_EQ(state().OfferView, 0);
  // The rest close up, sorted and all resting.
  const PlayerRecord& p = player(0);
  EXPECT_EQ(p.handCount, 13);
  EXPECT_EQ(HandCodes(0), (std::vector<int>{0x81, 0x82, 0x83, 0x41, 0x42, 0x43, 0x21, 0x22, 0x23,
                                            0x29, 0x11, 0x11, 0x12}));
  for (int k = 4; k < 17; ++k) {
    const int e = p.slots[k].element;
    EXPECT_NE(e, 3);
    EXPECT_EQ(TileEl(e).geometry, (Rect{19.0 + 48 * k, kRow, 48, 78})) << k;
    EXPECT_EQ(PicOf(e), TilePic(TilePicture(p.slots[k].code, kBlockHand))) << k;
  }
  EXPECT_EQ(p.slots[7].element, 4);  // the fifth tile moved one place left
  EXPECT_FALSE(state().MustDiscard);
  EXPECT_EQ(state().ClickState, 2);
  EXPECT_TRUE(state().OpSent);
  EXPECT_FALSE(client.loop().LoopFlag[kStepTurnClock]);
  EXPECT_FALSE(main().Visible(el().Time_Img));
  EXPECT_FALSE(main().Visible(el().Number));
  for (int i = 1; i < 6; ++i) {
    EXPECT_FALSE(main().Visible(el().Operation[i]));
    EXPECT_FALSE(main().Enabled(el().Operation[i]));
    EXPECT_EQ(main().GetPicture(el().Operation[i]), 141 + 3 * i);
  }
  // The open offer is passed first, then the discard goes with its marker.
  const auto sent = Flushed();
  ASSERT_EQ(sent.size(), 2u);
  EXPECT_EQ(sent[0][3], 7);
  EXPECT_EQ(sent[0][6], 1);
  EXPECT_EQ(sent[0][9], 1);
  EXPECT_EQ(sent[1][3], 2);
  EXPECT_EQ(sent[1][6], 1);
  EXPECT_EQ(sent[1][14], 0x40);
  EXPECT_EQ(sent[1][15], 0x84);
  for (int b : {5, 7, 8, 9, 10, 11, 12, 13}) EXPECT_EQ(sent[1][b], 0) << b;
}

TEST_F(DiscardingTest, AnAnsweredOfferIsNotPassedAgainAndTheLastTileMovesNothingElse) {
  MyTurn();
  state().OpSent = true;
  std::vector<Rect> before;
  for (int e = 0; e < 13; ++e) before.push_back(TileEl(e).geometry);
  Press(13, kRightButton);  // the right button discards too
  for (int e = 0; e < 13; ++e) EXPECT_EQ(TileEl(e).geometry, before[e]) << e;
  const auto sent = Flushed();
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(sent[0][3], 2);
  EXPECT_EQ(sent[0][15], 0x29);
}

TEST_F(DiscardingTest, ClicksThatMayNotDiscardDoNothing) {
  MyTurn();
  auto untouched = [&](const char* why) {
    EXPECT_EQ(player(0).handCount, 14) << why;
    EXPECT_EQ(TileEl(2).geometry.top, kRow) << why;
    EXPECT_TRUE(Flushed().empty()) << why;
  };
  state().MustDiscard = false;
  Press(2);
  untouched("not the player's discard");
  state().MustDiscard = true;
  state().ClickState = 3;
  Press(2);
  untouched("the client is playing the time-out");
  state().ClickState = 0;
  client.loop().TableActive = false;
  Press(2);
  untouched("the table is not active");
  client.loop().TableActive = true;
  main().Disable(Tile(2));
  Press(2);
  untouched("a tile the ready declaration disabled");
  main().Enable(Tile(2));
  // A tile elsewhere on the table is no discard, with either button.
  Press(40);
  Press(40, kRightButton);
  untouched("not a hand tile");
  // The second click of a turn finds MustDiscard cleared by the first.
  Press(2);
  Press(5);
  EXPECT_EQ(player(0).handCount, 13);
  EXPECT_EQ(Flushed().size(), 2u);
}

TEST_F(DiscardingTest, ADeclaredHandIsNotReSortedByADiscard) {
  MyTurn();
  std::swap(player(0).slots[4].code, player(0).slots[5].code);  // out of order
  state().ReadyDeclared = true;
  Press(13);
  EXPECT_EQ(HandCodes(0)[0], 0x82);
  EXPECT_EQ(HandCodes(0)[1], 0x81);
}

TEST_F(DiscardingTest, TheLeftSeatsDiscardComesFromItsLastTileToTheFront) {
  SetHand(1, {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, 20);
  Feed(DiscardRecord(4, 0x45));
  EXPECT_EQ(state().OfferTile, 0x45);
  EXPECT_EQ(state().OfferView, 1);
  EXPECT_EQ(state().OfferElement, 33);
  EXPECT_EQ(PicOf(33), TilePic(36 + 22));
  EXPECT_EQ(TileEl(33).geometry, (Rect{(1024 - 35) / 2.0, (768 - 66) / 2.0, 48, 35}));
  for (int e = 0; e < 72; ++e) {
    if (e != 33) {
      EXPECT_GT(main().ZIndex(Tile(33)), main().ZIndex(Tile(e))) << e;
    }
  }
  EXPECT_EQ(player(1).handCount, 13);
  EXPECT_TRUE(Played(Voice(1, TileClip(0x45))));
  EXPECT_FALSE(state().LaidDown[1]);
}

TEST_F(DiscardingTest, TheRightSeatDeclaringReadyLaysItsHandDownWithABalloonForTwoSeconds) {
  SetHand(2, {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, 50);
  Feed(DiscardRecord(2, 0x45, 1), 500);
  EXPECT_EQ(state().LaidDown[2], 1);
  EXPECT_TRUE(main().Visible(el().imgTing[3]));
  EXPECT_EQ(main().ZIndex(Tile(63)), 0);  // the discard, sent to the back
  for (int e = 50; e < 63; ++e) EXPECT_EQ(PicOf(e), TilePic(116)) << e;
  const ElementId balloon = el().tsSpeak[1];
  EXPECT_TRUE(main().Visible(balloon));
  EXPECT_EQ(main().GetPicture(balloon), 411 + 2);
  EXPECT_EQ(main().GetLeft(balloon), 936);
  EXPECT_EQ(main().GetTop(balloon), 280);
  EXPECT_TRUE(Played(Voice(2, "01")));
  EXPECT_FALSE(Played(Voice(2, TileClip(0x45))));
  ASSERT_EQ(Run(2500), -1);
  EXPECT_FALSE(main().Visible(balloon));
}

TEST_F(DiscardingTest, GivingUpTheWinShowsItsOwnBalloonAndHoverText) {
  SetHand(1, {0, 0, 0, 0}, 20);
  Feed(DiscardRecord(4, 0x21, 2), 500);
  EXPECT_EQ(state().LaidDown[1], 1);
  EXPECT_EQ(main().Get(el().imgTing[1])->toolTip, "弃胡");
  EXPECT_EQ(main().GetPicture(el().tsSpeak[0]), 411 + 3);
  EXPECT_EQ(main().GetLeft(el().tsSpeak[0]), 8);
  EXPECT_FALSE(main().Visible(el().tsSpeak[1]));
}

TEST_F(DiscardingTest, TheLocalDeclarationMarksTheSeatWithoutABalloon) {
  MyTurn();
  Press(0);
  Feed(DiscardRecord(1, 0x81, 1), 500);
  EXPECT_EQ(state().LaidDown[0], 1);
  EXPECT_TRUE(main().Visible(el().imgTing[0]));
  EXPECT_FALSE(main().Visible(el().tsSpeak[0]));
  EXPECT_FALSE(main().Visible(el().tsSpeak[1]));
  EXPECT_TRUE(Played(Voice(0, TileClip(0x81))));
  EXPECT_FALSE(Played(Voice(0, "01")));
  // The local tile stays where the click put it.
  EXPECT_EQ(state().OfferElement, 0);
  EXPECT_EQ(TileEl(0).geometry.width, 36);
  EXPECT_EQ(player(0).handCount, 13);
}

TEST_F(DiscardingTest, ADiscardFromASeatWithoutTilesIsLeftOut) {
  // The tile of an earlier discard already lies in the local discards.
  state().OfferElement = 60;
  state().OfferView = 0;
  Feed(DiscardRecord(2, 0x45, 1));
  EXPECT_EQ(state().OfferElement, -1);
  EXPECT_EQ(player(2).handCount, 0);
  EXPECT_TRUE(vp.log.Contains("shows no tile"));
  // The declaration still counts; the next draw has nothing to put away.
  EXPECT_EQ(state().LaidDown[2], 1);
  const Rect before = TileEl(60).geometry;
  Feed(One(4, 0));
  EXPECT_EQ(TileEl(60).geometry, before);
}

}  // namespace
}  // namespace korvel
