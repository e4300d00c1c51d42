// The server's offers to the local player: the button row and its clock, and every way the
// player answers (buttons, gang marks, the right button, a discard), checked on the Scene and
// on the records that leave.
#include <gtest/gtest.h>

#include "offer_records.h"
#include "sound/voice_clips.h"

namespace korvel {
namespace {

using testing::OfferFixture;
using testing::OperationRecord;
using testing::OptionRecord;

constexpr double kRow = 564;
constexpr double kRaised = 554;

class OptionsTest : public OfferFixture {
 protected:
  // Delivers a record and lets the loop take it, short of the clock's first step.
  void Take(const RecordBytes& record) {
    Deliver(record);
    ASSERT_EQ(Run(150), -1);
  }
  // Thirteen tiles with a pair of 0x23 at slots 9 and 10, and the right seat's discard of
  // 0x23 in the middle of the table.
  void PengOnOffer(int bits = 0x09) {
    SetHand(0, {0x81, 0x82, 0x83, 0x84, 0x41, 0x21, 0x22, 0x23, 0x23, 0x25, 0x26, 0x11, 0x12});
    SetHand(2, {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, 40);
    Take(DiscardRecord(2, 0x23));
    Take(OptionRecord(1, bits, 8));
  }
  // Fourteen tiles, sorted, ending on the drawn tile.
  void OwnTurn(int bits, std::initializer_list<int> ready = {},
               std::initializer_list<int> concealed = {}) {
    SetHand(0,
            {0x81, 0x81, 0x81, 0x81, 0x41, 0x42, 0x43, 0x22, 0x22, 0x22, 0x22, 0x11, 0x11, 0x29});
    Take(OptionRecord(1, bits, 8, ready, concealed));
  }
  bool ClockRunning() { return client.loop().LoopFlag[kStepTurnClock]; }
};

TEST_F(OptionsTest, APengOfferLightsPengAndPassAndThePengClaimsThePairAndTheDiscard) {
  PengOnOffer();
  const TableState& st = state();
  for (int i = 1; i <= 5; ++i) EXPECT_TRUE(Shown(el().Operation[i])) << i;
  EXPECT_EQ(ButtonPic(1), Look(4));
  EXPECT_EQ(ButtonPic(5), Look(16));
  EXPECT_TRUE(Enabled(el().Operation[1]));
  EXPECT_TRUE(Enabled(el().Operation[5]));
  for (int i : {2, 3, 4}) {
    EXPECT_EQ(ButtonPic(i), Look(3 * i)) << i;
    EXPECT_FALSE(Enabled(el().Operation[i])) << i;
  }
  EXPECT_FALSE(Shown(el().Operation[0]));
  EXPECT_EQ(st.ClickState, 0);
  EXPECT_FALSE(st.MustDiscard);
  // The clock below the wealth panel, green, with the record's eight seconds.
  EXPECT_TRUE(client.loop().LocalTurn);
  EXPECT_EQ(client.loop().TurnClock, 8);
  EXPECT_EQ(El(el().Number).caption, "8");
  EXPECT_EQ(El(el().Number).color, kClockGreen);
  EXPECT_TRUE(Shown(el().Time_Img));
  EXPECT_EQ(El(el().Time_Img).geometry.left, El(el().Imgwealth).geometry.left);
  EXPECT_EQ(El(el().Time_Img).geometry.top, El(el().Imgwealth).geometry.top + 200);
  EXPECT_EQ(El(el().Number).geometry.left, El(el().Time_Img).geometry.left + 48);

  // Buttons that are not offered do not answer.
  ClickButton(3);
  ClickButton(4);
  EXPECT_TRUE(Sent().empty());

  const int16_t discard = st.OfferElement;
  ClickButton(1);
  auto sent = Sent();
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(sent[0][3], 7);
  EXPECT_EQ(Value(sent[0], 0), OpPeng);
  for (int k = 1; k <= 3; ++k) EXPECT_EQ(Value(sent[0], k), 0x2023) << k;
  // The meld slots are staged before the record leaves: the pair and the discard.
  const PlayerRecord& p = player(0);
  EXPECT_EQ(Codes(0, 1, 3), (std::vector<int>{0x23, 0x23, 0x23}));
  EXPECT_EQ(p.slots[1].element, p.slots[11].element);
  EXPECT_EQ(p.slots[2].element, p.slots[12].element);
  EXPECT_EQ(p.slots[3].element, discard);
  for (int s = 1; s <= 3; ++s) EXPECT_EQ(p.slots[s].kind, SlotKind::Peng);
  EXPECT_EQ(p.handStart, 4);
  EXPECT_EQ(p.handCount, 13);
  EXPECT_TRUE(Played(Voice(0, "02")));
  for (int i = 0; i <= 5; ++i) EXPECT_FALSE(Shown(el().Operation[i])) << i;
  EXPECT_FALSE(ClockRunning());
  EXPECT_FALSE(Shown(el().Number));
  EXPECT_EQ(st.ClickState, 1);
  // One answer per offer.
  ClickButton(1);
  ClickButton(5);
  EXPECT_TRUE(Sent().empty());
}

TEST_F(OptionsTest, TheButtonsShowTheirPointerLookOnlyWhileOffered) {
  PengOnOffer();
  client.input().OnMouseMove(Event(el().Operation[1]));
  EXPECT_EQ(ButtonPic(1), Look(5));
  client.input().OnMouseMove(Event(el().Operation[2]));
  EXPECT_EQ(ButtonPic(2), Look(6));
  client.input().OnMouseMove(Event(el().pic1));
  EXPECT_EQ(ButtonPic(1), Look(4));
}

TEST_F(OptionsTest, TheClockComesFromTheRecordExceptWhenHiddenOrTooShort) {
  SetHand(0, {0x81, 0x82, 0x83, 0x84, 0x41, 0x42, 0x43, 0x21, 0x22, 0x23, 0x11, 0x11, 0x12, 0x29});
  Take(OptionRecord(1, 0x81, 2));
  EXPECT_EQ(client.loop().TurnClock, 8);
  EXPECT_TRUE(state().MustDiscard);
  EXPECT_EQ(state().WinOffered, 1);
  EXPECT_EQ(ButtonPic(4), Look(13));

  client.table().progress.HiddenByKey = true;
  Take(OptionRecord(1, 0x00, 8));
  EXPECT_EQ(client.loop().TurnClock, 1);
  EXPECT_EQ(state().WinOffered, 0);
  client.table().progress.HiddenByKey = false;

  // Another seat's turn: its clock beside it, and it is not the local player's turn.
  Take(OptionRecord(4, 0x00, 6));
  EXPECT_FALSE(client.loop().LocalTurn);
  EXPECT_EQ(client.loop().TurnClock, 6);
  EXPECT_EQ(El(el().Time_Img).geometry.left, 8);
  EXPECT_EQ(El(el().Time_Img).geometry.top, 280);
  Take(OptionRecord(2, 0x00, 6));
  EXPECT_EQ(El(el().Time_Img).geometry.left, 936);
  EXPECT_EQ(El(el().Number).geometry.left, 936 + 48);
  EXPECT_EQ(El(el().Number).geometry.top, 285);
}

TEST_F(OptionsTest, AnOfferTheServerMovedPastClosesWithoutAnAnswer) {
  PengOnOffer();
  // The server passed for the player; the next seat's turn begins.
  Take(OptionRecord(4, 0x00, 8));
  for (int i = 1; i <= 5; ++i) {
    EXPECT_FALSE(Shown(el().Operation[i])) << i;
    EXPECT_FALSE(Enabled(el().Operation[i])) << i;
  }
  EXPECT_EQ(state().ClickState, 1);
  ClickButton(1);
  RightUpOnTable();
  EXPECT_TRUE(Sent().empty());
}

TEST_F(OptionsTest, ADeclaredHandSeesOnlyWinsAndGangsAndPlaysTheRestItself) {
  SetHand(0, {0x81, 0x82, 0x83, 0x84, 0x41, 0x21, 0x22, 0x23, 0x23, 0x25, 0x26, 0x11, 0x12});
  state().ReadyDeclared = true;
  state().ReadyListSent = true;
  Take(OptionRecord(1, 0x09, 8));
  for (int i = 1; i <= 5; ++i) EXPECT_FALSE(Shown(el().Operation[i])) << i;
  EXPECT_EQ(state().OperationState[1], 0);
  EXPECT_EQ(client.loop().TurnClock, 0);

  Take(OptionRecord(1, 0x89, 8));
  for (int i = 1; i <= 5; ++i) EXPECT_TRUE(Shown(el().Operation[i])) << i;
  EXPECT_EQ(ButtonPic(1), Look(3));
  EXPECT_EQ(ButtonPic(4), Look(13));
  EXPECT_EQ(client.loop().TurnClock, 0);

  // A gang alone gives the player the clock to decide.
  Take(OptionRecord(1, 0x21, 8, {}, {0x11}));
  EXPECT_EQ(client.loop().TurnClock, 8);
}

TEST_F(OptionsTest, OneGangCandidateIsClaimedAtOnce) {
  OwnTurn(0x21, {}, {0x22});
  ClickButton(2);
  auto sent = Sent();
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(Value(sent[0], 0), OpConcealedGang);
  for (int k = 1; k <= 3; ++k) EXPECT_EQ(Value(sent[0], k), 0x2022) << k;
  EXPECT_FALSE(Shown(el().Operation[2]));
  EXPECT_FALSE(Shown(el().Gang[0]));
  EXPECT_TRUE(Played(Voice(0, "03")));
  // The four equal tiles are staged from the first of them.
  EXPECT_EQ(play().GangChoices[0], 11);
  for (int s = 1; s <= 3; ++s) EXPECT_EQ(player(0).slots[s].kind, SlotKind::ConcealedGang);
}

TEST_F(OptionsTest, TwoGangCandidatesAreChosenWithTheMarksOnHalfAClock) {
  OwnTurn(0x21, {}, {0x81, 0x22});
  ClickButton(2);
  EXPECT_TRUE(Sent().empty());
  EXPECT_TRUE(Shown(el().Operation[2]));
  for (int i : {1, 3, 4, 5}) EXPECT_FALSE(Shown(el().Operation[i])) << i;
  const Rect op3 = El(el().Operation[3]).geometry;
  const Rect op0 = El(el().Operation[0]).geometry;
  for (int m = 0; m < 2; ++m) {
    const Element& mark = El(el().Gang[m]);
    EXPECT_TRUE(mark.visible) << m;
    EXPECT_TRUE(mark.enabled) << m;
    EXPECT_DOUBLE_EQ(mark.geometry.width, 0.8 * 48);
    EXPECT_DOUBLE_EQ(mark.geometry.height, 0.8 * 78);
    EXPECT_DOUBLE_EQ(mark.geometry.left, op3.left);
    EXPECT_DOUBLE_EQ(mark.geometry.top, op0.top - 0.8 * m * 0.8 * 78);
  }
  EXPECT_FALSE(Shown(el().Gang[2]));
  EXPECT_EQ(main().GetPicture(el().Gang[1]), testing::TilePic(TilePicture(0x22, kBlockHand)));
  EXPECT_EQ(client.loop().TurnClock, client.settings().TurnTime / 2);
  EXPECT_EQ(El(el().Number).color, kClockRed);

  ClickMark(1);
  auto sent = Sent();
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(Value(sent[0], 0), OpConcealedGang);
  EXPECT_EQ(Value(sent[0], 1), 0x2022);
  EXPECT_FALSE(Shown(el().Gang[0]));
  EXPECT_FALSE(client.loop().LoopFlag[kStepTurnClock]);
  ClickMark(0);
  EXPECT_TRUE(Sent().empty());
}

TEST_F(OptionsTest, DeclaringReadyRaisesOnlyTheTilesThatKeepTheHandReady) {
  OwnTurn(0x01, {0x29, 0x43});
  EXPECT_EQ(ButtonPic(3), Look(10));
  ClickButton(3);
  auto sent = Sent();
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(Value(sent[0], 0), OpReady);
  EXPECT_EQ(sent[0][16], 1);  // the declaration mark
  EXPECT_TRUE(state().ReadyDeclared);
  EXPECT_TRUE(state().ReadyListSent);
  EXPECT_TRUE(state().MustDiscard);
  EXPECT_TRUE(Played(Voice(0, "01")));
  const PlayerRecord& p = player(0);
  EXPECT_EQ(p.laidStart, p.handStart);
  for (int k = p.handStart; k < p.handStart + p.handCount; ++k) {
    const int e = p.slots[k].element;
    const bool keeps = p.slots[k].code == 0x29 || p.slots[k].code == 0x43;
    EXPECT_EQ(TileEl(e).geometry.top, keeps ? kRaised : kRow) << k;
    EXPECT_EQ(TileEl(e).enabled, keeps) << k;
  }
  // The clock still runs for the discard.
  EXPECT_TRUE(ClockRunning());
  // A tile that would break the hand cannot be discarded; a raised one can.
  PressTile(p.slots[4].element);
  EXPECT_TRUE(Sent().empty());
  PressTile(p.slots[17].element);
  sent = Sent();
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(sent[0][3], 2);
  EXPECT_EQ(Value(sent[0], 3), 0x4029);
}

TEST_F(OptionsTest, TheRightButtonPassesOnceAndOnlyWhenAPassIsOffered) {
  PengOnOffer();
  RightUpOnTable();
  RightUpOnTable();
  auto sent = Sent();
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(Value(sent[0], 0), OpPass);
  // A pass on another seat's discard ends the clock.
  EXPECT_FALSE(ClockRunning());
  EXPECT_FALSE(Shown(el().Number));
  for (int i = 1; i <= 5; ++i) EXPECT_FALSE(Shown(el().Operation[i])) << i;

  // The player's own turn without a pass on offer: the right button does nothing.
  OwnTurn(0x00);
  RightUpOnTable();
  EXPECT_TRUE(Sent().empty());

  // A self-drawn win declined with the right button on a wall tile: the clock keeps running
  // and the discard that is still owed goes without a second pass.
  OwnTurn(0x81);
  PressTile(60, kRightButton);
  sent = Sent();
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(Value(sent[0], 0), OpPass);
  EXPECT_TRUE(ClockRunning());
  EXPECT_TRUE(state().MustDiscard);
  PressTile(player(0).slots[17].element);
  sent = Sent();
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(sent[0][3], 2);
}

TEST_F(OptionsTest, PassOnTheOwnTurnKeepsTheClockAndWinSendsTheWin) {
  OwnTurn(0x81);
  ClickButton(5);
  auto sent = Sent();
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(Value(sent[0], 0), OpPass);
  EXPECT_TRUE(ClockRunning());
  EXPECT_TRUE(state().MustDiscard);

  OwnTurn(0x81);
  ClickButton(4);
  sent = Sent();
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(Value(sent[0], 0), OpHu);
  EXPECT_TRUE(Played(Voice(0, "09")));
  EXPECT_FALSE(state().MustDiscard);
  EXPECT_FALSE(ClockRunning());
  EXPECT_EQ(client.table().progress.TimeoutRun, 0);
}

TEST_F(OptionsTest, APengWithoutAPairInTheHandIsRefused) {
  SetHand(0, {0x81, 0x82, 0x83, 0x84, 0x41, 0x21, 0x22, 0x23, 0x24, 0x25, 0x26, 0x11, 0x12});
  SetHand(2, {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, 40);
  Take(DiscardRecord(2, 0x23));
  Take(OptionRecord(1, 0x09, 8));
  ClickButton(1);
  EXPECT_TRUE(Sent().empty());
  EXPECT_EQ(state().ClickState, 0);
  // The pass still answers.
  ClickButton(5);
  ASSERT_EQ(Sent().size(), 1u);
}

// ---- the same answers from the keyboard -----------------------------------------------------

// Every case runs twice, by pointer and by key, and expects the same records either way.
class AnswerByKeyTest : public OptionsTest, public ::testing::WithParamInterface<bool> {
 protected:
  bool byKey() const { return GetParam(); }
  void Key(int code, ElementId focus = kNoElement) {
    client.input().OnKeyDown(view().mainForm(), focus, code, 0);
  }
  void Answer(int button, int key) {
    if (byKey()) {
      Key(key);
    } else {
      ClickButton(button);
    }
  }
  // Picks tile element `e` out and discards it.
  void Discard(int e) {
    if (!byKey()) {
      client.input().OnMouseMove(Event(Tile(e)));
      PressTile(e);
      return;
    }
    for (int i = 0; i < 20 && TileEl(e).geometry.top != kRaised; ++i) Key(39);  // Right
    ASSERT_EQ(TileEl(e).geometry.top, kRaised) << "the arrow keys never reached the tile";
    Key(13);  // Enter
  }
};

TEST_P(AnswerByKeyTest, PengAndPassLeaveAsTheirButtonsSendThem) {
  PengOnOffer();
  Answer(3, 'R');  // not offered
  Answer(4, 'H');
  EXPECT_TRUE(Sent().empty());
  Answer(1, 'P');
  auto sent = Sent();
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(sent[0][3], 7);
  EXPECT_EQ(Value(sent[0], 0), OpPeng);
  for (int k = 1; k <= 3; ++k) EXPECT_EQ(Value(sent[0], k), 0x2023) << k;
  Answer(5, 'N');
  EXPECT_TRUE(Sent().empty()) << "one answer per offer";
}

TEST_P(AnswerByKeyTest, PassWinAndGangLeaveAsTheirButtonsSendThem) {
  PengOnOffer();
  Answer(5, 'N');
  auto sent = Sent();
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(Value(sent[0], 0), OpPass);

  OwnTurn(0xA0, {}, {0x22});  // a win or a concealed gang on the drawn tile
  Answer(4, 'H');
  sent = Sent();
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(Value(sent[0], 0), OpHu);

  OwnTurn(0x21, {}, {0x22});
  Answer(2, 'G');
  sent = Sent();
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(Value(sent[0], 0), OpConcealedGang);
  for (int k = 1; k <= 3; ++k) EXPECT_EQ(Value(sent[0], k), 0x2022) << k;
}

TEST_P(AnswerByKeyTest, AGangAmongTwoIsChosenByItsDigit) {
  OwnTurn(0x21, {}, {0x81, 0x22});
  Answer(2, 'G');
  EXPECT_TRUE(Sent().empty()) << "the marks come first";
  ASSERT_TRUE(Shown(el().Gang[1]));
  if (byKey()) {
    Key('3');  // no third mark
    EXPECT_TRUE(Sent().empty());
    Key('2');
  } else {
    ClickMark(1);
  }
  auto sent = Sent();
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(Value(sent[0], 0), OpConcealedGang);
  EXPECT_EQ(Value(sent[0], 1), 0x2022);
}

TEST_P(AnswerByKeyTest, ADiscardLeavesAsTheClickSendsIt) {
  OwnTurn(0x00);
  const PlayerRecord& p = player(0);
  const int drawn = p.slots[p.handStart + p.handCount - 1].element;
  Discard(drawn);
  const auto sent = Sent();
  ASSERT_EQ(sent.size(), 2u);
  EXPECT_EQ(sent[0][3], 7);
  EXPECT_EQ(Value(sent[0], 0), OpPass) << "the open turn is passed first";
  EXPECT_EQ(sent[1][3], 2);
  EXPECT_EQ(Value(sent[1], 3), 0x4029);
}

TEST_P(AnswerByKeyTest, AfterReadyOnlyATileThatKeepsTheHandReadyGoes) {
  OwnTurn(0x01, {0x29, 0x43});
  Answer(3, 'R');
  auto sent = Sent();
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(Value(sent[0], 0), OpReady);
  const PlayerRecord& p = player(0);
  if (byKey()) {
    Key(37);  // Left: from the right end, the drawn tile
    Key(32);  // Space
  } else {
    PressTile(p.slots[17].element);
  }
  sent = Sent();
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(sent[0][3], 2);
  EXPECT_EQ(Value(sent[0], 3), 0x4029);
}

TEST_F(OptionsTest, PlayKeysDoNothingWhileTheChatBoxHasTheKeyboardOrForAWatcher) {
  PengOnOffer();
  const FormId main = view().mainForm();
  client.input().OnFocusChanged(main, el().Chat, true);
  client.input().OnKeyDown(main, el().Chat, 'P', 0);
  client.input().OnKeyDown(main, kNoElement, 'N', 0);
  EXPECT_TRUE(Sent().empty()) << "typing P or N in the chat box plays nothing";
  client.input().OnFocusChanged(main, el().Chat, false);
  client.settings().Spectator = true;
  client.input().OnKeyDown(main, kNoElement, 'P', 0);
  EXPECT_TRUE(Sent().empty());
}

TEST_F(OptionsTest, TheOperationButtonsNameTheirKeys) {
  const std::array<const char*, 6> tips = {"", "碰 (P)", "杠 (G)", "报叫 (R)", "胡 (H)", "过 (N)"};
  for (int i = 1; i <= 5; ++i) EXPECT_EQ(El(el().Operation[i]).toolTip, tips[i]) << i;
  EXPECT_EQ(El(el().Gang[0]).toolTip, "杠 (1)");
  EXPECT_EQ(El(el().Gang[4]).toolTip, "杠 (5)");
}

INSTANTIATE_TEST_SUITE_P(PointerAndKeys, AnswerByKeyTest, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& info) {
                           return info.param ? std::string("ByKey") : std::string("ByPointer");
                         });

}  // namespace
}  // namespace korvel
