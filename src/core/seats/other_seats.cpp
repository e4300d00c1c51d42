#include "seats/other_seats.h"

#include <string>
#include <string_view>

#include "model/loop_state.h"
#include "model/player_record.h"
#include "net/reconnection.h"
#include "platform/ports.h"
#include "sound/sound.h"
#include "sound/voice_clips.h"
#include "table/hand_order.h"
#include "table/tile_pictures.h"
#include "view/table_view.h"

namespace korvel {
namespace {

// Design pixels of the side seats' melds: each slot steps 5 to the side and the tile height
// less 17 along the edge; the right seat's row starts 10 further left.
constexpr double kSlotShift = 5;
constexpr double kSlotOverlap = 17;
constexpr double kRightRowOffset = 10;
// Concealed backs after the melds: 5 aside and 0.65 of a meld tile along the edge.
constexpr double kBackAlong = 0.65;
// The fourth tile of a gang and an added tile stand this far above the meld's middle tile.
constexpr double kFourthTileLift = 18;
// The announcement balloon beside each side seat, and the word inside it.
constexpr double kBalloonLeft[kSeats] = {0, 8, 936};
constexpr double kBalloonTop = 280;
constexpr double kWordTop = 0.24;
constexpr double kWordLeft = 0.17;
// The first meld slot of a side seat (its meld cursor starts at 4).
constexpr int kFirstSideMeld = 2;

struct Call {
  int word;  // WordSprites entry, -1 for none
  std::string_view clip;
};

Call CallOf(int op, TileCode t2) {
  switch (op) {
    case OpChi:
      return {0, kClipReady};
    case OpPeng:
      return {1, kClipPeng};
    case OpGang:
      return {2, kClipGang};
    case OpConcealedGang:
      return {3, kClipConcealedGang};
    case OpAddedGang:
      return {t2 == kRedDragon ? 4 : 6, kClipGang};
    case OpHu:
      return {7, kClipWin};
    default:
      return {-1, {}};
  }
}

bool SideSeat(ViewPos v) { return v == 1 || v == 2; }

}  // namespace

OtherSeats::OtherSeats(TableModel& table, LoopState& loop, TableView& view,
                       Reconnection& reconnection, Sound& sound, Log& log)
    : table_(table),
      loop_(loop),
      view_(view),
      reconnection_(reconnection),
      sound_(sound),
      log_(log) {}

void OtherSeats::OnOperation(ViewPos v, int op, TileCode t0, TileCode t1, TileCode t2) {
  if (!SideSeat(v)) return;
  view_.SetTileSizes(45, 60, 45, 35);
  Announce(v, op, t2);
  TableState& st = table_.state;
  switch (op) {
    case OpChi:
    case OpPeng:
      Claim(v, op, t0, t1, t2);
      break;
    case OpGang:
    case OpConcealedGang:
      Gang(v, op, t2);
      break;
    case OpAddedGang:
      if (TakeAddedTile(v)) PlaceAddedTile(v, t2);
      break;
    case OpHu:
      st.OfferClaimed = true;
      break;
    default:
      break;
  }
}

void OtherSeats::Announce(ViewPos v, int op, TileCode t2) {
  TableView& view = view_;
  if (!SideSeat(v) || op <= OpPass || !view.laidOut()) return;
  Form& f = view.main();
  const int b = v - 1;
  const ElementId balloon = view.el.Speak[b];
  view.Place(balloon, kBalloonLeft[v], kBalloonTop);
  f.Move(view.el.Words, f.GetLeft(balloon) + kWordLeft * f.GetWidth(balloon),
         f.GetTop(balloon) + kWordTop * f.GetHeight(balloon));
  // One balloon at a time: the other seat's call or declaration goes.
  const int other = 1 - b;
  f.Hide(view.el.Speak[other]);
  f.Hide(view.el.tsSpeak[other]);
  f.Hide(view.el.tsSpeak[b]);
  Sound& sound = sound_;
  sound.PlayEffectIfOn(kEffectDiscard);
  const Call call = CallOf(op, t2);
  f.Show(balloon);
  f.BringToFront(balloon);
  if (call.word >= 0) {
    f.LoadSprite(view.el.Words, view.sprites().WordSprites[call.word]);
    f.Show(view.el.Words);
    f.BringToFront(view.el.Words);
    // Playing the voice ends the effect: one sound at a time.
    sound.PlayVoiceIfOn(v, call.clip);
  } else {
    f.Hide(view.el.Words);
  }
  LoopState& loop = loop_;
  loop.WordsShown = true;
  loop_.LoopCount[kStepClaimWords] = 0;
  loop.WordsSeat = static_cast<int16_t>(b);
}

Rect OtherSeats::MeldRect(ViewPos v, int slot) const {
  const TableView& view = view_;
  const PlayerRecord& p = table_.players[SideSeat(v) ? v : 1];
  const LayoutScale& s = view.scale();
  const double width = view.TileWidth[v], height = view.TileHeight[v];
  const double along = slot * (height - kSlotOverlap * s.sy);
  if (v == 1) return {p.rowX - kSlotShift * slot * s.sx, p.rowY + along, width, height};
  return {p.rowX - kSlotShift * slot * s.sx - kRightRowOffset * s.sx, p.rowY - along, width,
          height};
}

void OtherSeats::DrawMeldTile(ViewPos v, int slot, int picture) {
  TableView& view = view_;
  const PlayerRecord& p = table_.players[v];
  const int index = p.slots[slot].element;
  const ElementId e = view.pool().Element(index);
  if (e == kNoElement) return;
  const Rect r = MeldRect(v, slot);
  Form& f = view.main();
  f.Move(e, r.left, r.top, r.width, r.height);
  view.ShowTile(index, picture);
  f.Show(e);
  f.BringToFront(e);
}

void OtherSeats::RelayConcealed(ViewPos v) {
  TableView& view = view_;
  Form& f = view.main();
  const PlayerRecord& p = table_.players[v];
  const LayoutScale& s = view.scale();
  const int lastMeld = p.meldCursor - 3;
  if (!PlayerRecord::ValidSlot(lastMeld)) return;
  ElementId previous = view.pool().Element(p.slots[lastMeld].element);
  if (previous == kNoElement) return;
  const double along = kBackAlong * view.TileWidth[v] * (v == 1 ? 1 : -1);
  double left = f.GetLeft(previous), top = f.GetTop(previous);
  const SlotRange r = ConcealedSlots(p);
  for (int k = r.first; k < r.end; ++k) {
    left -= kSlotShift * s.sx;
    top += along;
    const ElementId e = view.pool().Element(p.slots[k].element);
    f.Move(e, left, top);
  }
}

bool OtherSeats::Refuse(ViewPos v, const char* what) {
  log_.Write(std::string("table: ") + what + " of seat " + std::to_string(v) +
             " does not fit its tiles; left out");
  reconnection_.Resynchronise(what);
  return false;
}

void OtherSeats::Claim(ViewPos v, int op, TileCode t0, TileCode t1, TileCode t2) {
  if (!SideSeat(v) || !view_.laidOut()) return;
  TableState& st = table_.state;
  PlayerRecord& p = table_.players[v];
  const int w = p.meldCursor, hs = p.handStart, n = p.handCount;
  // Two backs join the meld and a third moves behind the hand, into slot handStart + n.
  if (!PlayerRecord::ValidSlot(w - 2) || !PlayerRecord::ValidSlot(w) || hs < w || n < 3 ||
      !PlayerRecord::ValidSlot(hs + n)) {
    Refuse(v, "a claim");
    return;
  }
  const TileSlot first = p.slots[hs], second = p.slots[hs + 1], third = p.slots[hs + 2];
  p.slots[w - 2] = first;
  p.slots[w - 1] = second;
  p.slots[w].element = st.OfferElement;
  p.slots[w - 2].code = t0;
  p.slots[w - 1].code = t1;
  p.slots[w].code = t2;
  if (op == OpPeng) {
    for (int s = w - 2; s <= w; ++s) p.slots[s].kind = SlotKind::Peng;
  }
  p.slots[hs + n] = third;
  p.handCount = static_cast<int16_t>(n - 2);
  p.handStart = static_cast<int16_t>(hs + 3);

  const int block = TableBlock(v);
  for (int s = w - 2; s <= w; ++s) DrawMeldTile(v, s, TilePicture(p.slots[s].code, block));
  p.meldCursor = static_cast<int16_t>(w + 3);
  RelayConcealed(v);
}

void OtherSeats::Gang(ViewPos v, int op, TileCode t2) {
  if (!SideSeat(v) || !view_.laidOut()) return;
  TableView& view = view_;
  Form& f = view.main();
  TableState& st = table_.state;
  PlayerRecord& p = table_.players[v];
  const bool concealed = op == OpConcealedGang;
  const int w = p.meldCursor, hs = p.handStart, n = p.handCount;
  const int used = concealed ? 4 : 3;
  if (!PlayerRecord::ValidSlot(w - 2) || !PlayerRecord::ValidSlot(w) || hs < w || n < used ||
      !PlayerRecord::ValidSlot(hs + n - 1)) {
    Refuse(v, "a gang");
    return;
  }
  st.ReplacementDraw = 0;
  st.OfferClaimed = true;
  const TileSlot a = p.slots[hs], b = p.slots[hs + 1], c = p.slots[hs + 2];
  p.slots[w - 2] = a;
  p.slots[w - 1] = b;
  p.slots[w] = c;
  // The fourth tile: the seat's last back for a concealed gang, the claimed discard otherwise.
  if (concealed) st.OfferElement = p.slots[hs + n - 1].element;
  for (int s = w - 2; s <= w; ++s) {
    p.slots[s].kind = concealed ? SlotKind::ConcealedGang : SlotKind::Gang;
    p.slots[s].code = t2;
  }
  p.handCount = static_cast<int16_t>(n - used);
  p.handStart = static_cast<int16_t>(hs + 3);

  const int picture = concealed ? LyingBackIndex(HandBlock(v)) : TilePicture(t2, TableBlock(v));
  for (int s = w - 2; s <= w; ++s) DrawMeldTile(v, s, picture);
  const ElementId fourth = view.pool().Element(st.OfferElement);
  const ElementId middle = view.pool().Element(p.slots[w - 1].element);
  if (fourth != kNoElement && middle != kNoElement) {
    f.Move(fourth, f.GetLeft(middle), f.GetTop(middle) - view.Y(kFourthTileLift), view.TileWidth[v],
           view.TileHeight[v]);
    view.ShowTile(st.OfferElement, picture);
    f.Show(fourth);
    f.BringToFront(fourth);
  }
  p.meldCursor = static_cast<int16_t>(w + 3);
  RelayConcealed(v);
}

bool OtherSeats::TakeAddedTile(ViewPos v) {
  if (!SideSeat(v) || !view_.laidOut()) return false;
  TableView& view = view_;
  TableState& st = table_.state;
  PlayerRecord& p = table_.players[v];
  const int w = p.meldCursor, last = p.handStart + p.handCount - 1;
  if (!PlayerRecord::ValidSlot(w - 2) || w - 2 >= p.handStart || p.handCount < 1 ||
      !PlayerRecord::ValidSlot(last)) {
    return Refuse(v, "an added gang");
  }
  st.ReplacementDraw = 0;
  st.OfferClaimed = true;
  p.slots[w - 2] = p.slots[last];
  p.slots[w - 2].kind = SlotKind::AddedGang;
  const ElementId e = view.pool().Element(p.slots[w - 2].element);
  Form& f = view.main();
  f.BringToFront(e);
  f.Move(e, f.GetLeft(e), f.GetTop(e), view.TileWidth[v], view.TileHeight[v]);
  p.handCount = static_cast<int16_t>(p.handCount - 1);
  return true;
}

void OtherSeats::PlaceAddedTile(ViewPos v, TileCode t2) {
  if (!SideSeat(v) || !view_.laidOut()) return;
  TableView& view = view_;
  Form& f = view.main();
  TableState& st = table_.state;
  PlayerRecord& p = table_.players[v];
  const int w = p.meldCursor;
  if (!PlayerRecord::ValidSlot(w - 2)) return;
  const int index = p.slots[w - 2].element;
  const ElementId e = view.pool().Element(index);
  if (e == kNoElement) return;
  p.slots[w - 2].code = t2;
  view.ShowTile(index, TilePicture(t2, TableBlock(v)));
  f.Show(e);
  // The tile is the one on offer now: another seat may win by robbing it.
  st.OfferTile = t2;
  st.OfferElement = static_cast<int16_t>(index);
  for (int j = kFirstSideMeld; j + 1 < kSlotsPerSeat && j <= w - 5; j += 3) {
    if (p.slots[j].code != t2 || p.slots[j].kind != SlotKind::Peng) continue;
    const ElementId middle = view.pool().Element(p.slots[j + 1].element);
    if (middle == kNoElement) break;
    f.Move(e, f.GetLeft(middle), f.GetTop(middle) - view.Y(kFourthTileLift));
    break;
  }
}

}  // namespace korvel
