// The server's offers to the local player: the turn clock, the row of operation buttons, and
// the player's answer by button, gang mark or right button. An offer the server's later records
// have overtaken closes without an answer.
#include <algorithm>
#include <string>

#include "model/loop_state.h"
#include "model/player_record.h"
#include "model/session_settings.h"
#include "net/records.h"
#include "platform/ports.h"
#include "sound/sound.h"
#include "sound/voice_clips.h"
#include "table/table_play.h"
#include "table/tile_pictures.h"
#include "view/element_events.h"
#include "view/table_view.h"

namespace korvel {
namespace {

constexpr int kButtonChi = 0;
constexpr int kButtonPeng = 1;
constexpr int kButtonGang = 2;
constexpr int kButtonReady = 3;
constexpr int kButtonWin = 4;
constexpr int kButtonPass = 5;
constexpr int16_t kOffered = 2;

// Where the option record keeps what it offers besides the bits.
constexpr size_t kReadyOfferedByte = 16;
constexpr size_t kReadyDiscardsAt = 20;
constexpr size_t kClockSecondsByte = 100;
constexpr int kReadyOffered = 1;
// A clock of fewer seconds than this is a record the client does not trust.
constexpr int kShortestClock = 3;
constexpr int kFallbackClock = 8;

// The clock panel: beside a side seat, or below the wealth panel for the local player.
constexpr double kSideClockLeft[kSeats] = {0, 8, 936};
constexpr double kSideClockTop = 280;
constexpr double kLocalClockBelowWealth = 200;
constexpr double kNumberOffsetX = 48;
constexpr double kNumberOffsetY = 5;

// The gang choice marks are four fifths of a hand tile, stacked upwards.
constexpr double kGangMarkScale = 0.8;
constexpr int kGangMarks = 5;
constexpr double kRaise = 10;

constexpr uint8_t kGangBits = OpGang | OpConcealedGang | OpAddedGang;

// Which button each option bit offers, lowest bit first; chi is never offered.
struct OptionButton {
  uint8_t bit;
  int button;
};
constexpr OptionButton kOptionButtons[] = {
    {OpPass, kButtonPass},          {OpPeng, kButtonPeng},      {OpGang, kButtonGang},
    {OpConcealedGang, kButtonGang}, {OpAddedGang, kButtonGang}, {OpHu, kButtonWin},
};

int InactiveLook(int i) { return 3 * i; }
int OfferedLook(int i) { return 3 * i + 1; }
int HoverLook(int i) { return 3 * i + 2; }

bool MustDiscardCount(int handCount) { return (handCount - 2) % 3 == 0; }

}  // namespace

void TablePlay::OnOptions(CommandInfo& info) {
  TableView& view = view_;
  if (!view.laidOut()) return;
  Form& f = view.main();
  TableModel& table = table_;
  TableState& st = table.state;
  LoopState& loop = loop_;
  const bool hidden = table_.progress.HiddenByKey;
  const RecordBytes& r = records_.ReceivedRecord;
  const int seconds = r[kClockSecondsByte];
  const ViewPos v = table.ViewOfMask(info.seat);

  if (v != 0 || settings_.Spectator) {
    // Another seat's turn, or the watched player's, which a watcher only looks at: whatever was
    // offered to the local player is over, and running out of time plays nothing.
    CloseStaleOffer();
    loop.LocalTurn = false;
    PlaceClock(v);
    StartTurnClock(hidden ? 1 : seconds, kClockGreen);
    return;
  }

  st.WinOffered = 0;
  st.OpSent = false;
  st.ClickState = 0;
  st.OperationState.fill(0);
  const uint8_t bits = static_cast<uint8_t>(info.value[0] & 0xFF);
  if (bits & kGangBits) st.OfferedOps = bits;
  auto offer = [&](int i) {
    const ElementId op = view.el.Operation[i];
    f.Enable(op);
    f.LoadSprite(op, view.sprites().OperationSprites[OfferedLook(i)]);
    st.OperationState[i] = kOffered;
  };
  for (const OptionButton& o : kOptionButtons) {
    if (!(bits & o.bit)) continue;
    // A declared hand may still win or make a gang, never peng.
    if (o.button == kButtonPeng && st.ReadyListSent) continue;
    offer(o.button);
    if (o.button == kButtonWin) st.WinOffered = 1;
  }
  if (r[kReadyOfferedByte] == kReadyOffered) {
    offer(kButtonReady);
    for (int k = 0; k < kReadyDiscards; ++k) st.ReadyDiscards[k] = r[kReadyDiscardsAt + k];
  } else {
    st.ReadyDiscards.fill(0);
  }

  const bool showRow = !st.ReadyListSent || st.OperationState[kButtonWin] == kOffered ||
                       st.OperationState[kButtonGang] == kOffered;
  for (int i = 1; i < kOperationButtons; ++i) {
    const ElementId op = view.el.Operation[i];
    if (st.OperationState[i] != kOffered) {
      f.Disable(op);
      f.LoadSprite(op, view.sprites().OperationSprites[InactiveLook(i)]);
    }
    if (showRow) {
      f.Show(op);
      f.BringToFront(op);
    } else {
      f.Hide(op);
    }
  }

  const PlayerRecord& p = table.players[0];
  if (MustDiscardCount(p.handCount) && !st.ReadyDeclared) st.MustDiscard = true;

  // A declared hand plays itself unless a gang is offered on its own.
  const bool gangWithoutWin = (bits & kGangBits) && !(bits & OpHu);
  int clock;
  if (st.ReadyDeclared && !gangWithoutWin) {
    clock = 0;
  } else if (hidden) {
    clock = 1;
  } else {
    clock = seconds < kShortestClock ? kFallbackClock : seconds;
  }
  loop.LocalTurn = true;
  PlaceClock(0);
  StartTurnClock(clock, kClockGreen);
}

void TablePlay::PlaceClock(ViewPos v) {
  TableView& view = view_;
  Form& f = view.main();
  if (v != 0) {
    view.Place(view.el.Time_Img, kSideClockLeft[v], kSideClockTop);
  } else {
    f.Move(view.el.Time_Img, f.GetLeft(view.el.Imgwealth),
           f.GetTop(view.el.Imgwealth) + view.Y(kLocalClockBelowWealth));
  }
  f.Move(view.el.Number, f.GetLeft(view.el.Time_Img) + view.X(kNumberOffsetX),
         f.GetTop(view.el.Time_Img) + view.Y(kNumberOffsetY));
}

void TablePlay::StartTurnClock(int seconds, uint32_t colour) {
  TableView& view = view_;
  LoopState& loop = loop_;
  loop.TurnClock = static_cast<int16_t>(std::clamp(seconds, 0, 255));
  loop.ClockShown = true;
  loop.ClockCaption = std::to_string(loop.TurnClock);
  loop.ClockColour = colour;
  view_.ShowClockCaption(loop.ClockCaption, colour);
  if (view.laidOut()) {
    view.main().BringToFront(view.el.Time_Img);
    view.main().BringToFront(view.el.Number);
  }
  loop_.Arm(kStepTurnClock);
}

void TablePlay::StopTurnClock() {
  LoopState& loop = loop_;
  loop.TurnClock = static_cast<int16_t>(settings_.TurnTime);
  loop_.LoopFlag[kStepTurnClock] = false;
  loop_.LoopCount[kStepTurnClock] = 0;
  view_.HideClock();
}

void TablePlay::HideOperationButtons(bool includeGangMarks) {
  TableView& view = view_;
  if (!view.laidOut()) return;
  Form& f = view.main();
  for (ElementId op : view.el.Operation) f.Hide(op);
  if (!includeGangMarks) return;
  for (ElementId mark : view.el.Gang) {
    f.Disable(mark);
    f.Hide(mark);
  }
  for (ElementId mark : view.el.Chi) {
    f.Disable(mark);
    f.Hide(mark);
  }
}

void TablePlay::DeactivateOperationButtons() {
  TableView& view = view_;
  if (!view.laidOut()) return;
  Form& f = view.main();
  for (int i = 1; i < kOperationButtons; ++i) {
    const ElementId op = view.el.Operation[i];
    f.LoadSprite(op, view.sprites().OperationSprites[InactiveLook(i)]);
    f.Disable(op);
  }
}

void TablePlay::EndLocalTurnDisplay() {
  TableState& st = table_.state;
  StopTurnClock();
  HideOperationButtons(true);
  DeactivateOperationButtons();
  st.OperationState.fill(0);
  st.MustDiscard = false;
  st.ClickState = 2;
}

void TablePlay::EndTurnCutOff() {
  TableState& st = table_.state;
  StopTurnClock();
  loop_.LocalTurn = false;
  if (st.ClickState >= 2) return;  // the player's choice is made and waits to be sent
  HideOperationButtons(true);
  DeactivateOperationButtons();
  st.OperationState.fill(0);
  st.MustDiscard = false;
}

void TablePlay::CloseStaleOffer() {
  TableState& st = table_.state;
  if (!loop_.LocalTurn || st.ClickState >= 2) return;
  if (st.MustDiscard) {
    log_.Write("table: another seat's turn began while the local hand still owed a discard");
  }
  HideOperationButtons(true);
  DeactivateOperationButtons();
  st.OperationState.fill(0);
  st.MustDiscard = false;
  st.ClickState = 1;
}

void TablePlay::OnOperationClick(int i) {
  TableView& view = view_;
  if (!view.laidOut() || i <= kButtonChi || i >= kOperationButtons) return;
  Form& f = view.main();
  TableState& st = table_.state;
  PlayerRecord& p = table_.players[0];
  if (st.OperationState[i] <= 1 || !loop_.TableActive || st.ClickState >= 1) return;
  if (i == kButtonPeng && FindPengPair(static_cast<TileCode>(st.OfferTile)) < 0) {
    // The hand cannot make the meld it was offered; the click is refused rather than sending
    // a claim built from the wrong tiles.
    log_.Write("table: peng offered without a pair in the hand");
    return;
  }

  st.ClickState = 2;
  st.OperationState.fill(0);
  f.LoadSprite(view.el.Operation[i], view.sprites().OperationSprites[InactiveLook(i)]);
  f.Disable(view.el.Operation[i]);
  if (i == kButtonPeng || i == kButtonGang || i == kButtonWin ||
      (i == kButtonReady && p.handCount == 13)) {
    StopTurnClock();
  }
  view.TileWidth[0] = view.scale().RoundX(48);
  view.TileHeight[0] = view.scale().RoundY(78);
  table_.progress.TimeoutRun = 0;
  Sound& sound = sound_;

  switch (i) {
    case kButtonPeng:
      st.MustDiscard = false;
      HideOperationButtons(false);
      sound.PlayVoiceIfOn(0, kClipPeng);
      SendPeng(static_cast<TileCode>(st.OfferTile));
      break;
    case kButtonGang:
      st.MustDiscard = false;
      for (int b : {kButtonChi, kButtonPeng, kButtonReady, kButtonWin, kButtonPass}) {
        f.Hide(view.el.Operation[b]);
      }
      // The concealed-gang search needs the drawn tile sorted in.
      if (st.OfferedOps & OpConcealedGang) ShowHand(0, p.handCount);
      sound.PlayVoiceIfOn(0, kClipGang);
      ChooseGang();
      break;
    case kButtonReady: {
      st.MustDiscard = false;
      HideOperationButtons(false);
      sound.PlayVoiceIfOn(0, kClipReady);
      p.laidStart = p.handStart;
      st.ReadyDeclared = true;
      st.WinOffered = 0;
      SendReady();
      st.OpSent = true;
      LayDownHand(0);
      // Only the tiles that keep the hand ready stay clickable, raised out of the row.
      const SlotRange range = ConcealedSlots(p);
      for (int k = range.first; k < range.end; ++k) {
        const ElementId e = view.pool().Element(p.slots[k].element);
        f.Disable(e);
        if (p.handCount == 13 || p.slots[k].code == 0) continue;
        const bool keepsReady = std::find(st.ReadyDiscards.begin(), st.ReadyDiscards.end(),
                                          p.slots[k].code) != st.ReadyDiscards.end();
        if (keepsReady) {
          f.Move(e, f.GetLeft(e), p.rowY - kRaise);
          f.Enable(e);
        }
      }
      if (MustDiscardCount(p.handCount)) st.MustDiscard = true;
      break;
    }
    case kButtonWin:
      st.MustDiscard = false;
      SendWin();
      sound.PlayVoiceIfOn(0, kClipWin);
      HideOperationButtons(false);
      break;
    case kButtonPass:
      HideOperationButtons(false);
      // On another seat's discard the clock goes; on the player's own turn it keeps running
      // for the discard that is still owed.
      if (!MustDiscardCount(p.handCount)) StopTurnClock();
      if (!st.OpSent) SendPass();
      if (st.ReadyListSent) loop_.TurnClock = 0;
      break;
    default:
      break;
  }
  DeactivateOperationButtons();
  st.ClickState = 1;
}

void TablePlay::ChooseGang() {
  TableView& view = view_;
  Form& f = view.main();
  TableState& st = table_.state;
  const int found = CollectGangChoices();
  if (st.ClickState == 3) {
    PerformFirstGangChoice();
    return;
  }
  if (found == 1) {
    f.Hide(view.el.Operation[kButtonGang]);
    PerformFirstGangChoice();
    return;
  }
  for (int b : {kButtonChi, kButtonPeng, kButtonReady, kButtonWin, kButtonPass}) {
    f.Hide(view.el.Operation[b]);
  }
  const double width = kGangMarkScale * view.TileWidth[0];
  const double height = kGangMarkScale * view.TileHeight[0];
  const double left = f.GetLeft(view.el.Operation[kButtonReady]);
  const double top = f.GetTop(view.el.Operation[kButtonChi]);
  for (int m = 0; m < std::min(found, kGangMarks); ++m) {
    const ElementId mark = view.el.Gang[m];
    f.Move(mark, left, top - kGangMarkScale * m * height, width, height);
    f.Show(mark);
    f.BringToFront(mark);
    f.Enable(mark);
  }
  // Half a turn to choose, shown in red.
  StartTurnClock(settings_.TurnTime / 2, kClockRed);
}

void TablePlay::OnGangChoiceClick(int c) {
  TableView& view = view_;
  if (!view.laidOut() || c < 0 || c >= kGangMarks) return;
  TableState& st = table_.state;
  if (st.ClickState == 3 || !loop_.TableActive) return;
  Form& f = view.main();
  if (!f.Visible(view.el.Gang[c]) || !f.Enabled(view.el.Gang[c])) return;
  loop_.LoopFlag[kStepTurnClock] = false;
  loop_.LoopCount[kStepTurnClock] = 0;
  table_.progress.TimeoutRun = 0;
  for (ElementId mark : view.el.Gang) {
    f.Disable(mark);
    f.Hide(mark);
  }
  for (ElementId op : view.el.Operation) f.Hide(op);
  const bool sentBefore = st.OpSent;
  ResolveGangChoice(c);
  if (st.OpSent == sentBefore) {
    log_.Write("table: gang mark " + std::to_string(c) + " made no gang");
  }
}

void TablePlay::OnRightButtonPass(int button, int element) {
  TableView& view = view_;
  if (button != kRightButton || !view.laidOut()) return;
  Form& f = view.main();
  TableState& st = table_.state;
  const PlayerRecord& p = table_.players[0];
  const ElementId pass = view.el.Operation[kButtonPass];
  // Only an offered pass answers: the row also shows buttons that are not on offer.
  if (!loop_.TableActive || !f.Visible(pass) || !f.Enabled(pass)) return;
  const bool onTable = element < 0;
  if (onTable && st.ClickState >= 1) return;
  if (!onTable && st.ReadyDeclared) return;

  if (onTable) st.ClickState = 2;
  HideOperationButtons(false);
  if (!MustDiscardCount(p.handCount)) StopTurnClock();
  if (!st.OpSent) SendPass();
  st.OperationState.fill(0);
  DeactivateOperationButtons();
  if (onTable) st.ClickState = 1;
}

void TablePlay::OnOperationHover(int i) {
  TableView& view = view_;
  if (!view.laidOut() || i <= kButtonChi || i >= kOperationButtons) return;
  if (table_.state.OperationState[i] != kOffered) return;
  Form& f = view.main();
  const PictureId look = view.sprites().OperationSprites[HoverLook(i)];
  if (f.GetPicture(view.el.Operation[i]) != look) f.LoadSprite(view.el.Operation[i], look);
}

void TablePlay::OnOperationsLeft() {
  TableView& view = view_;
  if (!view.laidOut()) return;
  Form& f = view.main();
  const TableState& st = table_.state;
  for (int i = 1; i < kOperationButtons; ++i) {
    if (st.OperationState[i] != kOffered) continue;
    const PictureId look = view.sprites().OperationSprites[OfferedLook(i)];
    if (f.GetPicture(view.el.Operation[i]) != look) f.LoadSprite(view.el.Operation[i], look);
  }
}

int TablePlay::OperationIndexOf(ElementId element) const {
  if (element == kNoElement) return -1;
  const auto& ops = view_.el.Operation;
  for (int i = 0; i < kOperationButtons; ++i) {
    if (ops[i] == element) return i;
  }
  return -1;
}

int TablePlay::GangMarkIndexOf(ElementId element) const {
  if (element == kNoElement) return -1;
  const auto& marks = view_.el.Gang;
  for (int c = 0; c < kGangMarks; ++c) {
    if (marks[c] == element) return c;
  }
  return -1;
}

}  // namespace korvel
