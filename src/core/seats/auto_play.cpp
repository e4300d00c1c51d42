#include "seats/auto_play.h"

#include <algorithm>
#include <string>

#include "model/loop_state.h"
#include "model/player_record.h"
#include "model/session_settings.h"
#include "net/records.h"
#include "platform/ports.h"
#include "table/table_play.h"
#include "view/element_events.h"
#include "view/message_lines.h"
#include "view/table_view.h"

namespace korvel {
namespace {

constexpr int kCommandDiscard = 2;

bool MustDiscardCount(int handCount) { return (handCount - 2) % 3 == 0; }

}  // namespace

AutoPlay::AutoPlay(TableModel& table, LoopState& loop, SessionSettings& settings, TableView& view,
                   MessageLines& messages, ElementEvents& input, Records& records,
                   TablePlay& tablePlay, Log& log)
    : table_(table),
      loop_(loop),
      settings_(settings),
      view_(view),
      messages_(messages),
      input_(input),
      records_(records),
      tablePlay_(tablePlay),
      log_(log) {}

void AutoPlay::OnLocalTimeout() {
  TableState& st = table_.state;
  LoopState& loop = loop_;
  // A click is being handled or the choice is made: the clock just waits for the server.
  if (st.ClickState >= 2) return;
  if (!table_.progress.HiddenByKey) {
    ++table_.progress.TimeoutRun;
    if (table_.progress.TimeoutLimit >= 1 &&
        table_.progress.TimeoutRun >= table_.progress.TimeoutLimit && !st.ReadyListSent) {
      HideLikeTheKey();
    } else if (table_.progress.TimeoutLimit >= 2 &&
               table_.progress.TimeoutRun == table_.progress.TimeoutLimit - 1 &&
               !st.ReadyListSent) {
      // A newcomer is told before the window goes away by itself.
      messages_.ShowMessageLine("连续超时" + std::to_string(table_.progress.TimeoutRun) +
                                "次，再超时窗口将自动隐藏");
    }
  }
  st.ClickState = 3;
  view_.HideClock();
  loop.TurnClock = static_cast<int16_t>(settings_.TurnTime);
  loop_.LoopFlag[kStepTurnClock] = false;

  if (!st.ReadyDeclared) {
    PlayTurn();
  } else if (st.WinOffered == 1) {
    ClearOperations();
    tablePlay_.SendWin();
  } else {
    ReadyDiscard();
  }
}

void AutoPlay::HideLikeTheKey() {
  // Exactly the user's key press, which also tells an active prop component.
  TableView& view = view_;
  input_.OnKeyDown(view.laidOut() ? view.mainForm() : kNoForm, kNoElement, kKeyF1, 0);
  table_.progress.HiddenByKey = true;
}

void AutoPlay::ClearOperations() {
  TableView& view = view_;
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
  table_.state.OperationState.fill(0);
}

void AutoPlay::PlayTurn() {
  TableState& st = table_.state;
  const PlayerRecord& p = table_.players[0];
  ClearOperations();
  // Whatever is on offer is declined.
  if (!st.OpSent) tablePlay_.SendPass();
  if (!MustDiscardCount(p.handCount)) return;
  st.MustDiscard = false;
  // The tile drawn last goes.
  Discard(p.handStart + p.handCount - 1, false);
}

void AutoPlay::ReadyDiscard() {
  TableView& view = view_;
  TableState& st = table_.state;
  TablePlay& play = tablePlay_;
  const PlayerRecord& p = table_.players[0];
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
  const PlayerRecord& p = table_.players[0];
  if (!ConcealedSlots(p).Contains(slot)) {
    log_.Write("auto play: no tile to discard");
    return;
  }
  const TileCode code = static_cast<TileCode>(p.slots[slot].code);
  CommandInfo info;
  info.command = kCommandDiscard;
  info.seat = p.seatMask;
  info.value[3] = static_cast<int16_t>(WireTile(code, kDiscardMarker));
  records_.SendCommand(info);
  TablePlay& play = tablePlay_;
  play.PendingDiscard = code;
  play.PutOutLocalTile(slot, code, resort);
}

}  // namespace korvel
