#include "seats/watching.h"

#include <algorithm>

#include "model/loop_state.h"
#include "model/player_record.h"
#include "model/session_settings.h"
#include "net/records.h"
#include "platform/ports.h"
#include "protocol/seating.h"
#include "seats/discard_rows.h"
#include "seats/meld_layout.h"
#include "settlement/settlement.h"
#include "sound/sound.h"
#include "sound/voice_clips.h"
#include "table/hand_order.h"
#include "table/table_play.h"
#include "table/tile_pictures.h"
#include "view/table_view.h"

namespace korvel {
namespace {

constexpr int kDealtTiles = 40;
constexpr int kDealerHand = 14;
constexpr int kNonDealerHand = 13;
constexpr int kFaceDownPauseMs = 800;
constexpr int kEnlargedDiscardMs = 1000;
constexpr int kAnnouncementMs = 2000;
constexpr double kEnlarge = 1.2;
constexpr double kDrawnTileGap = 10;
constexpr size_t kDeclarationByte = 16;
constexpr size_t kWinTileByte = 17;
constexpr size_t kWinnerMaskBytes = 18;
constexpr size_t kAccountId = 168;
constexpr size_t kReadyByte = 208;
constexpr int kStickOf[kSeats] = {0, 1, 3};
constexpr double kStickLift = 5;
// Where a left seat's winning tile is shown, design pixels.
constexpr double kLeftWinAt[2] = {30, 526};
constexpr double kLeftWinSize[2] = {50, 36};
constexpr double kRightWinShift = 8;
constexpr double kRightWinRise = 17;

int Mod72(int x) { return ((x % kTileElements) + kTileElements) % kTileElements; }
bool MustDiscardCount(int handCount) { return (handCount - 2) % 3 == 0; }

}  // namespace

Watching::Watching(TableModel& table, LoopState& loop, SessionSettings& settings, TableView& view,
                   Records& records, Sound& sound, SeatVoices& seatVoices, TablePlay& tablePlay,
                   Settlement& settlement, Timers& timers, Log& log)
    : table_(table),
      loop_(loop),
      settings_(settings),
      view_(view),
      records_(records),
      sound_(sound),
      seatVoices_(seatVoices),
      tablePlay_(tablePlay),
      settlement_(settlement),
      timers_(timers),
      log_(log) {}

Watching::Call Watching::CallOf(int op, TileCode tile) {
  switch (op) {
    case OpChi:
      return {0, "01"};
    case OpPeng:
      return {1, "02"};
    case OpGang:
      return {2, "03"};
    case OpConcealedGang:
      // A watcher hears the exposed gang's call for a concealed one too.
      return {3, "03"};
    case OpAddedGang:
      return {tile == kRedDragon ? 4 : 6, "03"};
    case OpHu:
      return {7, "09"};
    default:
      return {};
  }
}

bool Watching::FacesShown() const { return !settings_.Spectator || handVisible != 0; }

int Watching::TakeFarEnd() {
  TableState& st = table_.state;
  const int index = Mod72(st.WallEndElement);
  st.WallEndElement = static_cast<int16_t>(index % 2 == 1 ? Mod72(index + 69) : Mod72(index + 1));
  return index;
}

void Watching::OnWatchDealTiles(CommandInfo& info, int count) {
  TableView& view = view_;
  if (!view.laidOut()) return;
  Form& f = view.main();
  TableModel& table = table_;
  TableState& st = table.state;
  const ViewPos v = table.ViewOfMask(info.seat);
  // A watcher's seats get their places only when a deal starts; tiles before that would stand
  // outside the window.
  if (!view.seatsPlaced()) {
    log_.Write("watching: tiles for seat " + std::to_string(v) +
               " before the seats have places ignored");
    return;
  }
  const int n = count == 4 ? 4 : 1;
  PlayerRecord& p = table.players[v];
  const int s0 = p.handStart + p.handCount;
  if (p.handStart < 0 || s0 < 0 || s0 + n > kSlotsPerSeat) {
    log_.Write("watching: seat " + std::to_string(v) + " has no room for " + std::to_string(n) +
               " more tiles");
    return;
  }
  UseHandSizes(view);
  const bool replacement = n == 1 && st.ReplacementDraw == 0;
  p.handCount = static_cast<int16_t>(p.handCount + n);
  if (v == 0 && n == 1 && st.DealDone > 0) {
    for (int k = p.handStart; k < s0; ++k) {
      MoveTile(view, p.slots[k].element, ConcealedTilePlace(view, p, 0, k));
    }
  }
  // The extra tile of a side seat's turn stands apart, as in play.
  const bool apart = v != 0 && MustDiscardCount(p.handCount) &&
                     ((st.DealDone > 0 && n == 1) || (st.DealDone < 0 && p.handCount == 14));
  for (int k = 0; k < n; ++k) {
    const int slot = s0 + k;
    // A tile after a gang comes from the far end; the wall's start stays where it was.
    const int index = replacement ? TakeFarEnd() : view.pool().Take();
    const TileCode code = static_cast<TileCode>((n == 4 ? info.value[k] : info.value[3]) & 0xFF);
    p.slots[slot] = TileSlot{SlotKind::Concealed, v == 0 ? static_cast<int16_t>(code) : int16_t{0},
                             static_cast<int16_t>(index)};
    TilePlace place = ConcealedTilePlace(view, p, v, slot);
    const ElementId e = view.pool().Element(index);
    if (v == 0) {
      view.ShowTile(index, FacesShown() ? TilePicture(code, kBlockHand) : kFaceDownHandTile);
      if (n == 1 && st.DealDone > 0) place.left += view.TileWidth[0] / 2.0;
    } else {
      view.ShowTile(index, StandingBackIndex(HandBlock(v)));
      if (apart && k == n - 1) {
        place.top += (v == 1 ? 1 : -1) * view.scale().Y(kDrawnTileGap);
      }
    }
    MoveTile(view, index, place);
    f.Show(e);
    if (v == 1) f.BringToFront(e);
    if (v == 2) f.SendToBack(e);
  }

  const bool handComplete =
      p.handCount == kDealerHand || (p.handCount == kNonDealerHand && !p.isDealer);
  if (v == 0 && st.DealDone < 0 && handComplete && FacesShown() &&
      (!settings_.Spectator || table_.progress.TableRestored)) {
    // The dealt hand turns face down for a moment and stays so until its tiles are drawn again.
    const SlotRange range = ConcealedSlots(p);
    for (int k = range.first; k < range.end; ++k)
      view.ShowTile(p.slots[k].element, kFaceDownHandTile);
    timers_.BlockingWait(kFaceDownPauseMs);
  }
  st.ReplacementDraw = -1;
  if (st.DealDone < 0) {
    int dealt = 0;
    for (const PlayerRecord& seat : table.players) dealt += seat.handCount;
    if (dealt == kDealtTiles) st.DealDone = 3;
  }
}

void Watching::OnWatchDiscard(CommandInfo& info) {
  TableView& view = view_;
  TableModel& table = table_;
  TableState& st = table.state;
  Sound& sound = sound_;
  const TileCode tile = static_cast<TileCode>(info.value[3] & 0xFF);
  const int mark = records_.ReceivedRecord[kDeclarationByte];
  const ViewPos v = table.ViewOfMask(info.seat);
  sound.PlayEffectIfOn(kEffectDiscard);
  st.OfferTile = tile;
  st.OfferView = static_cast<int16_t>(v);
  if (!view.laidOut()) return;
  Form& f = view.main();
  PlayerRecord& p = table.players[v];
  const SlotRange range = ConcealedSlots(p);
  if (range.size() < 1) {
    st.OfferElement = -1;
    log_.Write("watching: a discard from seat " + std::to_string(v) + ", which holds no tile");
    return;
  }
  int slot = range.end - 1;
  int match = -1;
  for (int k = range.first; k < range.end && match < 0; ++k) {
    if (p.slots[k].code == tile) match = k;
  }
  if (v == 0 && handVisible != 0 && match >= 0) {
    slot = match;
  } else if (match >= 0 && match != slot) {
    // The hidden hand loses its last tile on the table; its codes stay those the seat holds.
    std::swap(p.slots[match].code, p.slots[slot].code);
  }
  const int index = p.slots[slot].element;
  for (int k = slot; k + 1 < range.end; ++k) p.slots[k] = p.slots[k + 1];
  p.slots[range.end - 1] = TileSlot{};
  p.handCount = static_cast<int16_t>(p.handCount - 1);
  if (v == 0 && slot != range.end - 1) RelayConcealed(view, p, 0, -1);

  const ElementId e = view.pool().Element(index);
  st.OfferElement = static_cast<int16_t>(index);
  view.ShowTile(index, TilePicture(tile, TableBlock(v)));
  const LayoutScale& s = view.scale();
  if (!settings_.Spectator || table_.progress.TableRestored) {
    const double w = kEnlarge * DiscardWidth(s, v);
    const double h = kEnlarge * DiscardHeight(s, v);
    const ElementId surface = view.el.pic1;
    f.Move(e, (f.GetWidth(surface) - w) / 2, (f.GetHeight(surface) - h) / 2, w, h);
    if (v == 0) {
      f.SendToBack(e);
    } else {
      f.BringToFront(e);
    }
    f.Show(e);
    timers_.BlockingWait(kEnlargedDiscardMs);
  }
  lastDiscard_ = LastDiscard{index, v, p.discardX, p.discardY, st.RightDiscardCount};
  const DiscardPlace place = PlaceDiscard(view, table, v, index, DiscardRowRule::Watch);
  f.Show(e);
  tablePlay_.LastDiscardX = static_cast<int16_t>(place.left);
  tablePlay_.LastDiscardY = static_cast<int16_t>(place.top);
  loop_.TileBlinkCount = 3;

  sound.PlayVoiceIfOn(v, TileClip(tile));
  if (mark == 1 || mark == 2) tablePlay_.ShowDiscardDeclaration(v, mark);
}

void Watching::GiveBackDiscardPlace() {
  TableModel& table = table_;
  TableState& st = table.state;
  if (lastDiscard_.index < 0 || lastDiscard_.index != st.OfferElement) return;
  PlayerRecord& p = table.players[lastDiscard_.view];
  p.discardX = lastDiscard_.x;
  p.discardY = lastDiscard_.y;
  if (lastDiscard_.view == 2) st.RightDiscardCount = lastDiscard_.rightCount;
  lastDiscard_.index = -1;
}

void Watching::Announce(ViewPos v, int op, TileCode tile) {
  TableView& view = view_;
  Form& f = view.main();
  const int b = v - 1;
  const ElementId balloon = view.el.Speak[b];
  const ElementId words = view.el.Words;
  view.Place(balloon, kWatchBalloonLeft[b], kWatchBalloonTop);
  f.Move(words, f.GetLeft(balloon) + 0.17 * f.GetWidth(balloon),
         f.GetTop(balloon) + 0.24 * f.GetHeight(balloon));
  f.Show(balloon);
  f.BringToFront(balloon);
  f.Show(words);
  f.BringToFront(words);
  sound_.PlayEffectIfOn(kEffectDiscard);
  const Call call = CallOf(op, tile);
  if (call.word >= 0) {
    f.LoadSprite(words, view.sprites().WordSprites[static_cast<size_t>(call.word)]);
    sound_.PlayVoiceIfOn(v, call.clip);
  }
  // The watcher keeps the call up for two seconds itself, then takes it down.
  timers_.BlockingWait(kAnnouncementMs);
  f.Hide(balloon);
  f.Hide(words);
}

void Watching::OnWatchOperation(CommandInfo& info) {
  TableModel& table = table_;
  TableState& st = table.state;
  const RecordBytes& r = records_.ReceivedRecord;
  const int op = info.value[0] & 0xFF;
  const TileCode t0 = static_cast<TileCode>(info.value[1] & 0xFF);
  const TileCode t1 = static_cast<TileCode>(info.value[2] & 0xFF);
  const TileCode t2 = static_cast<TileCode>(info.value[3] & 0xFF);
  const ViewPos v = table.ViewOfMask(info.seat);
  st.WinTile = r[kWinTileByte];
  settlement_.SetClaimWinners(r[kWinnerMaskBytes], r[kWinnerMaskBytes + 1]);
  if (!view_.laidOut()) return;

  if (v != 0 && op > OpPass && (!settings_.Spectator || table_.progress.TableRestored)) {
    Announce(v, op, t2);
  }
  switch (op) {
    case OpChi:
    case OpPeng:
      Claim(v, op, t0, t1, t2);
      break;
    case OpGang:
    case OpConcealedGang:
      st.ReplacementDraw = 0;
      st.OfferClaimed = true;
      Gang(v, op, t2);
      break;
    case OpAddedGang:
      st.ReplacementDraw = 0;
      st.OfferClaimed = true;
      AddedGang(v, t2);
      break;
    case OpHu:
      st.OfferClaimed = true;
      Win(v);
      break;
    default:
      break;
  }
  ReadySticks(v, r[kDeclarationByte]);
}

void Watching::PickTiles(ViewPos v, TileCode tile, int n, std::array<int, 4>& picks) const {
  const PlayerRecord& p = table_.players[v];
  const SlotRange range = ConcealedSlots(p);
  picks.fill(-1);
  int found = 0;
  if (v == 0) {
    for (int k = range.first; k < range.end && found < n; ++k) {
      if (p.slots[k].code == tile) picks[found++] = k;
    }
  }
  // Unknown codes (another seat's backs, or a hand the record did not name): the row's first.
  for (int k = range.first; k < range.end && found < n; ++k) {
    if (std::find(picks.begin(), picks.begin() + found, k) == picks.begin() + found) {
      picks[found++] = k;
    }
  }
  std::sort(picks.begin(), picks.begin() + found);
}

int Watching::FormMeld(ViewPos v, std::span<const int> picks, SlotKind kind, TileCode code,
                       int extra, int* fourth) {
  PlayerRecord& p = table_.players[v];
  const SlotRange range = ConcealedSlots(p);
  const int w = p.meldCursor;
  const int taken = static_cast<int>(picks.size());
  if (w - 2 < 0 || w >= kSlotsPerSeat || range.size() < taken ||
      p.handStart + 3 + (range.size() - taken) > kSlotsPerSeat) {
    return -1;
  }
  for (int k : picks) {
    if (!range.Contains(k)) return -1;
  }
  std::array<TileSlot, kSlotsPerSeat> rest{};
  int restCount = 0;
  for (int k = range.first; k < range.end; ++k) {
    if (std::find(picks.begin(), picks.end(), k) == picks.end()) rest[restCount++] = p.slots[k];
  }
  // A claimed discard is the third tile of a peng and the fourth of a gang on a discard.
  std::array<int16_t, 4> elements{};
  int count = 0;
  for (int k : picks) elements[count++] = p.slots[k].element;
  if (extra >= 0 && count < 4) elements[count++] = static_cast<int16_t>(extra);
  *fourth = count == 4 ? elements[3] : -1;
  for (int k = range.first; k < range.end; ++k) p.slots[k] = TileSlot{};
  p.handStart = static_cast<int16_t>(p.handStart + 3);
  p.meldCursor = static_cast<int16_t>(p.meldCursor + 3);
  p.handCount = static_cast<int16_t>(restCount);
  for (int i = 0; i < restCount; ++i) p.slots[p.handStart + i] = rest[i];
  // The meld's slots lie below the row that now starts three slots further on.
  for (int j = 0; j < 3; ++j) {
    const int16_t element = j < count ? elements[j] : int16_t{-1};
    p.slots[w - 2 + j] = TileSlot{kind, static_cast<int16_t>(code), element};
  }
  return w;
}

void Watching::DrawMeld(ViewPos v, int w, int fourth, bool faceDown) {
  TableView& view = view_;
  Form& f = view.main();
  PlayerRecord& p = table_.players[v];
  const int block = TableBlock(v);
  UseMeldSizes(view);
  for (int s = w - 2; s <= w; ++s) {
    const TileSlot& slot = p.slots[s];
    if (slot.element < 0) continue;
    MoveTile(view, slot.element, MeldTilePlace(view, p, v, s));
    const bool back = faceDown || slot.code == 0;
    view.ShowTile(slot.element, back ? LyingBackIndex(block) : TilePicture(slot.code, block));
    f.BringToFront(view.pool().Element(slot.element));
    f.Show(view.pool().Element(slot.element));
  }
  if (fourth >= 0) {
    const ElementId middle = view.pool().Element(p.slots[w - 1].element);
    MoveTile(view, fourth, FourthTilePlace(view, p, v, middle));
    const TileCode code = static_cast<TileCode>(p.slots[w].code);
    // The watched seat's concealed gang shows its tile on top; other seats' stay face down.
    const bool back = code == 0 || (faceDown && v != 0);
    view.ShowTile(fourth, back ? LyingBackIndex(block) : TilePicture(code, block));
    f.BringToFront(view.pool().Element(fourth));
    f.Show(view.pool().Element(fourth));
  }
  RelayConcealed(view, p, v, v == 0 ? -1 : w);
}

void Watching::Claim(ViewPos v, int op, TileCode t0, TileCode t1, TileCode t2) {
  TableState& st = table_.state;
  std::array<int, 4> picks{};
  PickTiles(v, t0, 2, picks);
  if (op == OpChi && v == 0) {
    // A chi takes one tile of each of its two hand tiles.
    std::array<int, 4> second{};
    PickTiles(v, t1, 2, second);
    if (second[0] == picks[0]) second[0] = second[1];
    picks[1] = second[0];
    std::sort(picks.begin(), picks.begin() + 2);
  }
  const int offer = st.OfferElement;
  int fourth = -1;
  const SlotKind kind = op == OpPeng ? SlotKind::Peng : SlotKind::Chi;
  const int w = picks[1] < 0 || offer < 0
                    ? -1
                    : FormMeld(v, std::span(picks.data(), 2), kind, t2, offer, &fourth);
  if (w < 0) {
    log_.Write("watching: seat " + std::to_string(v) + " cannot take a claim");
    return;
  }
  PlayerRecord& p = table_.players[v];
  // The codes of a chi's three tiles differ: t0, t1 from the hand and the claimed t2.
  p.slots[w - 2].code = t0;
  p.slots[w - 1].code = t1;
  p.slots[w].code = t2;
  GiveBackDiscardPlace();
  DrawMeld(v, w, -1, false);
}

void Watching::Gang(ViewPos v, int op, TileCode tile) {
  TableState& st = table_.state;
  PlayerRecord& p = table_.players[v];
  std::array<int, 4> picks{};
  int w = -1;
  int fourth = -1;
  if (op == OpGang) {
    PickTiles(v, tile, 3, picks);
    if (picks[2] >= 0 && st.OfferElement >= 0) {
      w = FormMeld(v, std::span(picks.data(), 3), SlotKind::Gang, tile, st.OfferElement, &fourth);
    }
    if (w >= 0) GiveBackDiscardPlace();
  } else {
    PickTiles(v, tile, 4, picks);
    const SlotRange range = ConcealedSlots(p);
    if (v != 0 && range.size() >= 4) {
      // Another seat's three lower tiles come from the start of its row, the fourth from its end.
      picks = {range.first, range.first + 1, range.first + 2, range.end - 1};
    }
    if (picks[3] >= 0) {
      w = FormMeld(v, std::span(picks.data(), 4), SlotKind::ConcealedGang, tile, -1, &fourth);
    }
    if (w >= 0) st.OfferElement = static_cast<int16_t>(fourth);
  }
  if (w < 0) {
    log_.Write("watching: seat " + std::to_string(v) + " cannot make a gang");
    return;
  }
  DrawMeld(v, w, fourth, op == OpConcealedGang);
}

void Watching::AddedGang(ViewPos v, TileCode tile) {
  TableView& view = view_;
  Form& f = view.main();
  TableState& st = table_.state;
  PlayerRecord& p = table_.players[v];
  const SlotRange range = ConcealedSlots(p);
  if (range.size() < 1) return;
  int slot = range.end - 1;
  if (v == 0) {
    for (int k = range.first; k < range.end; ++k) {
      if (p.slots[k].code == tile) {
        slot = k;
        break;
      }
    }
  }
  const TileSlot added{SlotKind::AddedGang, static_cast<int16_t>(tile), p.slots[slot].element};
  for (int k = slot; k + 1 < range.end; ++k) p.slots[k] = p.slots[k + 1];
  p.slots[range.end - 1] = TileSlot{};
  p.handCount = static_cast<int16_t>(p.handCount - 1);
  if (tile == kRedDragon && p.redAside == 0) p.slots[0] = added;
  st.OfferElement = added.element;
  st.OfferTile = tile;

  UseMeldSizes(view);
  const ElementId e = view.pool().Element(added.element);
  MoveTile(view, added.element,
           {f.GetLeft(e), f.GetTop(e), static_cast<double>(view.TileWidth[v]),
            static_cast<double>(view.TileHeight[v])});
  for (int j = 1; j + 4 <= p.meldCursor; j += 3) {
    if (p.slots[j].kind == SlotKind::Peng && p.slots[j].code == tile) {
      const ElementId middle = view.pool().Element(p.slots[j + 1].element);
      MoveTile(view, added.element, FourthTilePlace(view, p, v, middle));
      break;
    }
  }
  view.ShowTile(added.element, TilePicture(tile, TableBlock(v)));
  f.BringToFront(e);
  f.Show(e);
  RelayConcealed(view, p, v, v == 0 ? -1 : p.meldCursor - 3);
}

void Watching::Win(ViewPos v) {
  TableView& view = view_;
  Form& f = view.main();
  TableState& st = table_.state;
  Settlement& settlement = settlement_;
  PlayerRecord& p = table_.players[v];
  const LayoutScale& s = view.scale();
  settlement.MarkWinOnBoard();
  settlement.stores.HasWon[v] = 1;
  st.Winner = static_cast<int16_t>(v);
  UseMeldSizes(view);
  const SlotRange range = ConcealedSlots(p);
  const bool selfDrawn = MustDiscardCount(p.handCount);
  const ElementId offer = view.pool().Element(st.OfferElement);
  if (!selfDrawn && offer != kNoElement) GiveBackDiscardPlace();
  if (v == 0) {
    UseHandSizes(view);
    if (!selfDrawn && offer != kNoElement && range.size() > 0) {
      const ElementId last = view.pool().Element(p.slots[range.end - 1].element);
      f.Move(offer, f.GetLeft(last) + 1.5 * view.TileWidth[0], p.rowY, s.X(48), s.Y(78));
      view.ShowTile(st.OfferElement, TilePicture(st.OfferTile, kBlockUpright));
      f.Show(offer);
    }
    // The winner's hand is laid open.
    for (int k = range.first; k < range.end; ++k) {
      view.ShowTile(p.slots[k].element, TilePicture(p.slots[k].code, kBlockUpright));
    }
  } else {
    const int block = TableBlock(v);
    int index = -1;
    TileCode code = 0;
    if (selfDrawn && range.size() > 0) {
      index = p.slots[range.end - 1].element;
      code = st.WinTile;
    } else if (offer != kNoElement) {
      index = st.OfferElement;
      code = static_cast<TileCode>(st.OfferTile);
    }
    const ElementId e = view.pool().Element(index);
    if (e != kNoElement) {
      view.ShowTile(index, TilePicture(code, block));
      if (v == 1) {
        view.Place(e, kLeftWinAt[0], kLeftWinAt[1], kLeftWinSize[0], kLeftWinSize[1]);
        f.BringToFront(e);
      } else if (selfDrawn) {
        f.Move(e, f.GetLeft(e), f.GetTop(e), view.TileWidth[2], view.TileHeight[2]);
      } else if (range.size() > 0) {
        const ElementId last = view.pool().Element(p.slots[range.end - 1].element);
        f.Move(e, f.GetLeft(last) - s.X(kRightWinShift),
               f.GetTop(last) - 1.5 * view.TileHeight[2] + s.Y(kRightWinRise), view.TileWidth[2],
               view.TileHeight[2]);
        f.SendToBack(e);
      }
      f.Show(e);
    }
  }
  st.Winner = -1;
}

void Watching::ReadySticks(ViewPos v, int mark) {
  TableView& view = view_;
  Form& f = view.main();
  const TableState& st = table_.state;
  if (mark == 1) {
    const ElementId stick = view.el.imgTing[kStickOf[v]];
    if (v == 0) f.Move(stick, f.GetLeft(stick), f.GetTop(stick) - view.scale().Y(kStickLift));
    f.Show(stick);
    if (v != 0) tablePlay_.LayDownHand(v);
  } else if (mark == 2 && st.LaidDown[v] == 1) {
    tablePlay_.LayDownHand(v);
  }
}

void Watching::OnWatchSeats(const std::array<RecordBytes, kSeats>& records) {
  TableModel& table = table_;
  // The watched player's record comes first; each carries its seat mask. Records that do not
  // name three different seats are taken in seat order.
  std::array<int, kSeats> masks{};
  int seen = 0;
  bool valid = true;
  for (int i = 0; i < kSeats; ++i) {
    const int m = records[i][rec::kSeat] & 0x0F;
    if ((m != 1 && m != 2 && m != 4) || (seen & m) != 0) valid = false;
    seen |= m;
    masks[i] = m;
  }
  if (!valid) {
    log_.Write("watching: the seats' records name no three seats");
    for (int i = 0; i < kSeats; ++i) masks[i] = MaskOf(i);
  }
  table.players[0].seatMask = static_cast<uint8_t>(masks[0]);
  TableView& view = view_;
  for (int i = 0; i < kSeats; ++i) {
    const RecordBytes& r = records[i];
    const ViewPos v = ViewOf(masks[0], masks[i]);
    PlayerRecord& p = table.players[v];
    p.seatMask = static_cast<uint8_t>(masks[i]);
    p.name = SingleByteText(r, kAccountId, 16);
    table.seatInfo[v] = DecodeSeatInfo(r);
    const SeatInfo& s = table.seatInfo[v];
    seatVoices_[v] = SeatVoice{s.gender, s.voiceLang, s.voiceSet, 0};
    const int avatar = AvatarNumber(s.avatar);
    table_.seating.SeatFace[v] = SeatingState::Face{s.nickname, std::to_string(avatar)};
    if (!view.laidOut()) continue;
    Form& f = view.main();
    f.LoadSprite(view.el.Tou[v], view.sprites().AvatarSprites[std::clamp(avatar, 0, 19)]);
    f.SetCaption(view.el.Nid[v], SeatLabel(s.nameTag, s.nickname));
    f.SetCaption(view.el.Cash[v], NumberText(s.coins) + "金币");
    f.SetCaption(view.el.Level[v], s.title);
    if (r[kReadyByte] == 1) {
      f.Show(view.el.OK[v]);
      f.BringToFront(view.el.OK[v]);
    }
  }
  sound_.AssignVoices();
  SeatsShown = true;
  log_.Write("watching " + table.players[0].name);
}

}  // namespace korvel
