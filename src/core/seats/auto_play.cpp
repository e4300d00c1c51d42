#include "seats/auto_play.h"

#include <algorithm>
#include <string>

#include "app/client.h"

namespace korvel {
namespace {

constexpr int kCommandDiscard = 2;

bool MustDiscardCount(int handCount) { return (handCount - 2) % 3 == 0; }

}  // namespace

void AutoPlay::OnLocalTimeout() {
  TableState& st = client_.table().state;
  LoopState& loop = client_.loop();
  // A click is being handled or the choice is made: the clock just waits for the server.
  if (st.ClickState >= 2) return;
  if (!HiddenByKey) {
    ++TimeoutRun;
    if (TimeoutLimit >= 1 && TimeoutRun >= TimeoutLimit && !st.ReadyListSent) {
      HideLikeTheKey();
    } else if (TimeoutLimit >= 2 && TimeoutRun == TimeoutLimit - 1 && !st.ReadyListSent) {
      // A newcomer is told before the window goes away by itself.
      client_.messages().ShowMessageLine("连续超时" + std::to_string(TimeoutRun) + "次，再超时窗口将自动隐藏");
    }
  }
  st.ClickState = 3;
  client_.view().HideClock();
  loop.TurnClock = static_cast<int16_t>(client_.settings().TurnTime);
  client_.loop().LoopFlag[kStepTurnClock] = false;

  if (!st.ReadyDeclared) {
    PlayTurn();
  } else if (st.WinOffered == 1) {
    ClearOperations();
    client_.tablePlay().SendWin();
  } else {
    ReadyDiscard();
  }
}

void AutoPlay::HideLikeTheKey() {
  // Exactly the user's key press, which also tells an active prop component.
  TableView& view = client_.view();
  client_.input().OnKeyDown(view.laidOut() ? view.mainForm() : kNoForm, kNoElement, kKeyF1, 0);
  HiddenByKey = true;
}

void AutoPlay::ClearOperations() {
  TableView& view = client_.view();
  if (!view.laidOut()) return;
  Form& f = view.main();
  for (int i = 1; i < kOperationButtons; ++i) {
    const ElementId op = view.el.Operation[i];
    f.Disable(op);
    f.Hide(op);
    f.LoadSprite(op, view.sprites().OperationSprites[3 * i]);
  }
  for (ElementId mark : view.el.Gang) {
    f.Disable(mark);
    f.Hide(mark);
  }
  for (ElementId mark : view.el.Chi) {
    f.Disable(mark);
    f.Hide(mark);
  }
  client_.table().state.OperationState.fill(0);
}

void AutoPlay::PlayTurn() {
  TableState& st = client_.table().state;
  const PlayerRecord& p = client_.table().players[0];
  ClearOperations();
  // Whatever is on offer is declined.
  if (!st.OpSent) client_.tablePlay().SendPass();
  if (!MustDiscardCount(p.handCount)) return;
  st.MustDiscard = false;
  // The tile drawn last goes.
  Discard(p.handStart + p.handCount - 1, false);
}

void AutoPlay::ReadyDiscard() {
  TableView& view = client_.view();
  TableState& st = client_.table().state;
  TablePlay& play = client_.tablePlay();
  const PlayerRecord& p = client_.table().players[0];
  if (play.NoticeShown) {
    play.NoticeShown = false;
    if (view.laidOut()) view.main().Hide(view.el.img_tip);
  }
  ClearOperations();
  if (!st.OpSent) play.SendPass();
  if (!MustDiscardCount(p.handCount)) return;
  st.MustDiscard = false;
  // The first tile that keeps the hand ready, else the tile drawn last.
  const SlotRange r = ConcealedSlots(p);
  int slot = r.end - 1;
  const int16_t wanted = st.ReadyDiscards[0];
  if (wanted != 0) {
    for (int k = r.first; k < r.end; ++k) {
      if (p.slots[k].code == wanted) {
        slot = k;
        break;
      }
    }
  }
  Discard(slot, st.LaidDown[0] == 0);
}

void AutoPlay::Discard(int slot, bool resort) {
  const PlayerRecord& p = client_.table().players[0];
  if (!ConcealedSlots(p).Contains(slot)) {
    client_.platform().log.Write("auto play: no tile to discard");
    return;
  }
  const TileCode code = static_cast<TileCode>(p.slots[slot].code);
  CommandInfo info;
  info.command = kCommandDiscard;
  info.seat = p.seatMask;
  info.value[3] = static_cast<int16_t>(WireTile(code, kDiscardMarker));
  client_.records().SendCommand(info);
  TablePlay& play = client_.tablePlay();
  play.PendingDiscard = code;
  play.PutOutLocalTile(slot, code, resort);
}

}  // namespace korvel
