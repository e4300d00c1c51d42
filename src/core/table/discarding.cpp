// The discard: picking a hand tile out with the mouse, discarding it at once before the server
// answers, and showing the discards the server announces to every seat.
#include <cmath>

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

// A picked-out hand tile stands this many pixels above the row.
constexpr double kRaise = 10;
constexpr size_t kDeclarationByte = 16;
constexpr int kDeclaresReady = 1;
constexpr int kGivesUpWin = 2;
constexpr int kCommandDiscard = 2;
constexpr int kStartButton = 2;

bool Near(double a, double b) { return std::abs(a - b) < 0.5; }
bool MustDiscardCount(int handCount) { return (handCount - 2) % 3 == 0; }

}  // namespace

void TablePlay::OnTileHover(int e) {
  TableView& view = view_;
  const ElementId id = view.pool().Element(e);
  if (id == kNoElement || !view.laidOut()) return;
  Form& f = view.main();
  if (!f.Enabled(id)) return;
  const TableState& st = table_.state;
  const PlayerRecord& p = table_.players[0];
  const double t = f.GetTop(id);
  const double r = p.rowY;
  int cursor = kCursorDefault;
  if (t >= r - kRaise - 0.5 && !st.Spectator && view.ButtonLocked[kStartButton]) {
    if (!st.ReadyDeclared && !st.ReadyListSent && LocalSlotOf(e) >= 0) {
      cursor = kCursorCustom;
      if (Near(t, r)) {
        // One tile is picked out at a time.
        const SlotRange range = ConcealedSlots(p);
        for (int k = range.first; k < range.end; ++k) {
          const ElementId other = view.pool().Element(p.slots[k].element);
          if (other != kNoElement && Near(f.GetTop(other), r - kRaise)) {
            f.Move(other, f.GetLeft(other), r);
          }
        }
        f.Move(id, f.GetLeft(id), r - kRaise);
      }
    }
  }
  // Once ready is declared, the raised tiles are the ones that keep the hand ready.
  if (st.ReadyDeclared) cursor = Near(f.GetTop(id), r - kRaise) ? kCursorCustom : kCursorDefault;
  if (f.Get(id)->cursor != cursor) f.SetCursor(id, cursor);
}

void TablePlay::OnTableHover(double x, double y) {
  TableView& view = view_;
  const TableState& st = table_.state;
  if (!view.laidOut() || st.ReadyDeclared || st.ReadyListSent || st.Spectator ||
      !view.ButtonLocked[kStartButton]) {
    return;
  }
  Form& f = view.main();
  const PlayerRecord& p = table_.players[0];
  const SlotRange range = ConcealedSlots(p);
  for (int k = range.first; k < range.end; ++k) {
    const ElementId e = view.pool().Element(p.slots[k].element);
    if (e == kNoElement || !Near(f.GetTop(e), p.rowY - kRaise)) continue;
    const double left = f.GetLeft(e), top = f.GetTop(e);
    // The gap under a raised tile still counts as the tile.
    const bool inside =
        left < x && x < left + f.GetWidth(e) && top < y && y < top + f.GetHeight(e) + kRaise;
    if (!inside) {
      f.Move(e, left, p.rowY);
      return;
    }
  }
}

void TablePlay::OnTileClick(int e, int button) {
  TableView& view = view_;
  const ElementId id = view.pool().Element(e);
  if (id == kNoElement || !view.laidOut() || !view.main().Enabled(id)) return;
  const TableState& st = table_.state;
  if (st.ClickState == 3 || !loop_.TableActive) return;
  const int slot = LocalSlotOf(e);
  if (slot < 0) {
    if (button == kRightButton) OnRightButtonPass(button, e);
    return;
  }
  if (st.MustDiscard) DiscardLocal(slot);
}

void TablePlay::DiscardLocal(int slot) {
  TableView& view = view_;
  Form& f = view.main();
  TableState& st = table_.state;
  PlayerRecord& p = table_.players[0];

  table_.progress.TimeoutRun = 0;
  st.ClickState = 2;
  st.MustDiscard = false;
  loop_.LoopFlag[kStepTurnClock] = false;
  loop_.TurnClock = static_cast<int16_t>(settings_.TurnTime);
  view_.HideClock();
  // An open offer (a gang or a win on the drawn tile) is declined by discarding.
  if (!st.OpSent) SendPass();
  for (int i = 1; i < kOperationButtons; ++i) {
    const ElementId op = view.el.Operation[i];
    f.Disable(op);
    f.Hide(op);
    f.LoadSprite(op, view.sprites().OperationSprites[3 * i]);
  }

  const TileCode code = static_cast<TileCode>(p.slots[slot].code);
  if (MustDiscardCount(p.handCount)) {
    CommandInfo info;
    info.command = kCommandDiscard;
    info.seat = p.seatMask;
    info.value[3] = static_cast<int16_t>(WireTile(code, kDiscardMarker));
    records_.SendCommand(info);
    PendingDiscard = code;
  }
  PutOutLocalTile(slot, code, st.LaidDown[0] == 0 && !st.ReadyDeclared);
}

void TablePlay::PutOutLocalTile(int slot, TileCode code, bool resort) {
  TableView& view = view_;
  if (!view.laidOut()) return;
  Form& f = view.main();
  TableState& st = table_.state;
  PlayerRecord& p = table_.players[0];
  if (!ConcealedSlots(p).Contains(slot)) return;
  const LayoutScale& s = view.scale();
  const int e = p.slots[slot].element;
  const ElementId id = view.pool().Element(e);

  view.TileWidth[0] = s.RoundX(36);
  view.TileHeight[0] = s.RoundY(50);
  view.ShowTile(e, TilePicture(code, kBlockUpright));
  st.OfferElement = static_cast<int16_t>(id == kNoElement ? -1 : e);
  st.OfferView = 0;
  MoveToMiddle(id, view.TileWidth[0], view.TileHeight[0]);
  f.SendToBack(id);
  f.Show(id);
  view.TileWidth[0] = s.RoundX(48);
  view.TileHeight[0] = s.RoundY(78);

  // Close the gap: the tiles after the discard move one place left.
  const int last = std::min(p.handStart + p.handCount - 1, kSlotsPerSeat - 1);
  for (int k = slot; k < last; ++k) {
    p.slots[k] = p.slots[k + 1];
    const ElementId moved = view.pool().Element(p.slots[k].element);
    f.Move(moved, p.rowX + k * view.TileWidth[0], p.rowY);
  }
  p.handCount = static_cast<int16_t>(p.handCount - 1);
  if (resort) ShowHand(0, p.handCount);
  const SlotRange range = ConcealedSlots(p);
  for (int k = range.first; k < range.end; ++k) {
    const ElementId t = view.pool().Element(p.slots[k].element);
    if (t != kNoElement && Near(f.GetTop(t), p.rowY - kRaise)) f.Move(t, f.GetLeft(t), p.rowY);
  }
}

void TablePlay::MoveToMiddle(ElementId e, double width, double height) {
  Form& f = view_.main();
  const ElementId table = view_.el.pic1;
  f.Move(e, (f.GetWidth(table) - f.GetWidth(e)) / 2, (f.GetHeight(table) - f.GetHeight(e)) / 2,
         width, height);
}

void TablePlay::OnDiscardAnnounced(CommandInfo& info) {
  TableView& view = view_;
  TableModel& table = table_;
  TableState& st = table.state;
  Sound& sound = sound_;
  const TileCode tile = static_cast<TileCode>(info.value[3] & 0xFF);
  const int mark = records_.ReceivedRecord[kDeclarationByte];
  const bool declares = mark == kDeclaresReady || mark == kGivesUpWin;
  const ViewPos v = table.ViewOfMask(info.seat);

  sound.PlayEffectIfOn(kEffectDiscard);
  st.OfferTile = tile;
  st.OfferView = static_cast<int16_t>(v);
  // A side seat's declaration speaks the call instead of the tile.
  if (!declares || v == 0) sound.PlayVoiceIfOn(v, TileClip(tile));

  if (v == 0) FollowLocalDiscard(tile);
  if (v != 0 && view.laidOut()) ShowSideDiscard(v, tile);
  if (declares) ShowDiscardDeclaration(v, mark);
}

void TablePlay::ShowSideDiscard(ViewPos v, TileCode tile) {
  TableView& view = view_;
  TableState& st = table_.state;
  PlayerRecord& p = table_.players[v];
  const int s = p.handStart + p.handCount - 1;
  const ElementId id = p.handCount >= 1 && PlayerRecord::ValidSlot(s)
                           ? view.pool().Element(p.slots[s].element)
                           : kNoElement;
  if (id == kNoElement) {
    // Nothing lies in the middle then, so the next draw has nothing to put away.
    st.OfferElement = -1;
    RefuseRecord("a discard from seat " + std::to_string(v) + ", which shows no tile");
    return;
  }
  const int e = p.slots[s].element;
  const LayoutScale& sc = view.scale();
  view.TileWidth[v] = sc.RoundX(48);
  view.TileHeight[v] = sc.RoundY(35);
  st.OfferElement = static_cast<int16_t>(e);
  view.ShowTile(e, TilePicture(tile, TableBlock(v)));
  MoveToMiddle(id, view.TileWidth[v], view.TileHeight[v]);
  if (v == 1) {
    view.main().BringToFront(id);
  } else {
    view.main().SendToBack(id);
  }
  p.handCount = static_cast<int16_t>(p.handCount - 1);
}

void TablePlay::ShowDiscardDeclaration(ViewPos v, int mark) {
  TableView& view = view_;
  if (v < 0 || v >= kSeats || !view.laidOut()) return;
  Form& f = view.main();
  TableState& st = table_.state;
  constexpr int kStickOf[kSeats] = {0, 1, 3};
  st.LaidDown[v] = 1;
  f.Show(view.el.imgTing[kStickOf[v]]);
  if (v == 0) return;

  LayDownHand(v);
  // The side seats' balloons are numbered from the left seat.
  const int b = v - 1;
  const ElementId balloon = view.el.tsSpeak[b];
  // Above the seat's turn clock, which stays readable under it.
  view.Place(balloon, v == 1 ? 8 : 936, kSideBalloonTop);
  if (mark == kDeclaresReady) {
    f.LoadSprite(balloon, view.sprites().BalloonSprites[v]);
  } else {
    f.SetToolTip(view.el.imgTing[kStickOf[v]], "弃胡");
    f.LoadSprite(balloon, view.sprites().BalloonSprites[v + 2]);
  }
  sound_.PlayVoiceIfOn(v, kClipReady);
  f.Hide(view.el.Speak[b]);
  f.BringToFront(balloon);
  f.Show(balloon);
  LoopState& loop = loop_;
  loop.WordsShown = true;
  loop_.LoopCount[kStepClaimWords] = 0;
  loop.WordsSeat = static_cast<int16_t>(b);
  const int other = 1 - b;
  f.Hide(view.el.Speak[other]);
  f.Hide(view.el.tsSpeak[other]);
  f.Hide(view.el.Words);
}

}  // namespace korvel
