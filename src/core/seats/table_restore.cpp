#include "seats/table_restore.h"

#include <algorithm>

#include "model/loop_state.h"
#include "model/player_record.h"
#include "model/session_settings.h"
#include "net/records.h"
#include "platform/ports.h"
#include "seats/discard_rows.h"
#include "seats/meld_layout.h"
#include "seats/watching.h"
#include "table/hand_order.h"
#include "table/table_play.h"
#include "table/tile_pictures.h"
#include "view/table_view.h"

namespace korvel {
namespace {

constexpr int kDealtTiles = 40;
constexpr int kMaxRedAside = 4;
constexpr double kAsideLift = 18;

int Mod72(int x) { return ((x % kTileElements) + kTileElements) % kTileElements; }

// The far end of the wall in the order replacement draws take it: the last stack's upper tile,
// its lower tile, then the stack before it.
int FarEnd(int start, int k) { return Mod72(start + 70 - 2 * (k / 2) + k % 2); }

// The meld's slot kind from the entry kind's low nibble when it names one that fits its size.
SlotKind MeldKind(uint8_t entryKind, int size) {
  const int named = entryKind & 0x0F;
  if (size == 4) {
    if (named == static_cast<int>(SlotKind::ConcealedGang)) return SlotKind::ConcealedGang;
    if (named == static_cast<int>(SlotKind::AddedGang)) return SlotKind::AddedGang;
    return SlotKind::Gang;
  }
  if (size == 3 && named == static_cast<int>(SlotKind::Chi)) return SlotKind::Chi;
  return SlotKind::Peng;
}

}  // namespace

TableRestore::TableRestore(TableModel& table, LoopState& loop, SessionSettings& settings,
                           TableView& view, Records& records, TablePlay& tablePlay,
                           Watching& watching, Log& log)
    : table_(table),
      loop_(loop),
      settings_(settings),
      view_(view),
      records_(records),
      tablePlay_(tablePlay),
      watching_(watching),
      log_(log) {
  view.AddResetParticipant(this);
}

int TableRestore::ElementFor(int n) const {
  if (n < RestoreTaken) return Mod72(start_ + n);
  return FarEnd(start_, n - RestoreTaken);
}

int TableRestore::Take() {
  const int index = ElementFor(RestoreCursor);
  used_.set(static_cast<size_t>(index));
  ++RestoreCursor;
  return index;
}

TableRestore::Snapshot TableRestore::Split(const RecordBytes& r) {
  Snapshot snap;
  for (int k = 0; k < restore::kEntryCount; ++k) {
    const uint8_t kind = r[restore::kEntries + 2 * k];
    const TileCode tile = r[restore::kEntries + 2 * k + 1];
    if ((kind & 0xF0) == restore::kConcealedKind) {
      snap.concealed[snap.concealedCount++] = tile;
    } else if ((kind & 0xF0) == restore::kExposedKind) {
      snap.exposed[snap.exposedCount++] = Entry{tile, kind};
    }
  }
  return snap;
}

void TableRestore::OnRestore(CommandInfo& info) {
  TableView& view = view_;
  if (!view.laidOut()) return;
  Log& log = log_;
  // The deal start that comes before a restore places the seats; without it the melds and
  // hands would be laid out from rows that have no places in the window.
  if (!view.seatsPlaced()) {
    log.Write("restore record before the seats have places left out");
    return;
  }
  const RecordBytes& r = records_.ReceivedRecord;
  Snapshot snap = Split(r);
  if (snap.concealedCount > restore::kMaxConcealed) {
    log.Write("restore record with " + std::to_string(snap.concealedCount) +
              " concealed tiles left out");
    return;
  }
  const ViewPos v = table_.ViewOfMask(info.seat);
  if (recordsTaken_ == 0) Begin();
  if (v == 0) watching_.handVisible = 0;
  RestoreDiscards[v] = info.byte7;
  if (++recordsTaken_ == 1) {
    RestoreTaken = info.value[0];
    RestoreBack = info.value[2];
    RestoreCursor = 0;
  }
  // A returning player counts the deal the server names (byte 5), not the repeated deal start.
  if (!settings_.Spectator && info.byte5 != 0) {
    int& deals = table_.progress.DealCount;
    deals = (deals & ~0xFF) | info.byte5;
  }
  RestoreTaken = std::max(RestoreTaken, info.value[0]);
  RestoreBack = std::min(RestoreBack, info.value[2]);
  if (!LayOutSeat(v, snap)) {
    log.Write("restore record for seat " + std::to_string(v) + " does not fit its slots");
  }
  if (recordsTaken_ >= kSeats) Finish();
}

void TableRestore::Begin() {
  TableView& view = view_;
  TableModel& table = table_;
  TableState& st = table.state;
  // Everything is placed again from the deal's start: the restore owns every tile element, and
  // nothing the deal laid out before a drop (the walls' taken stacks, a discard in the middle,
  // a clock or a balloon) may outlive it. The wall counts from where the deal started.
  st.NextTileElement = st.DealFirstElement;
  st.WallEndElement = st.DealWallEnd;
  start_ = static_cast<int16_t>(view.pool().Cursor());
  used_.reset();
  RestoreCursor = 0;
  RestoreDiscards.fill(0);
  view.ClearDealLayout();
  for (int v = 0; v < kSeats; ++v) {
    table.state.LaidDown[v] = 0;
    view.main().Hide(view.el.tsSpeak[v]);
  }
  for (int v = 0; v < kSeats; ++v) {
    PlayerRecord& p = table.players[v];
    p.slots.fill(TileSlot{});
    p.handStart = p.laidStart = 4;
    p.handCount = 0;
    p.meldCursor = v == 0 ? 3 : 4;
    p.redAside = p.otherAside = 0;
    p.discardX = p.discardX0;
    p.discardY = p.discardY0;
  }
  st.RightDiscards.fill(0);
  st.RightDiscardCount = 0;
  for (auto& row : st.AsideElements) row.fill(0);
  for (auto& row : st.RevealedTiles) row.fill(0);
  st.OfferElement = -1;
  st.OfferClaimed = false;
}

void TableRestore::SetAsideRedDragon(ViewPos v) {
  TableView& view = view_;
  Form& f = view.main();
  PlayerRecord& p = table_.players[v];
  const int index = Take();
  MoveTile(view, index,
           {static_cast<double>(p.rowX), p.rowY - view.scale().Y(kAsideLift) * p.redAside,
            static_cast<double>(view.TileWidth[v]), static_cast<double>(view.TileHeight[v])});
  table_.state.AsideElements[v][p.redAside] = static_cast<int16_t>(index);
  ++p.redAside;
  view.ShowTile(index, TilePicture(kRedDragon, TableBlock(v)));
  f.BringToFront(view.pool().Element(index));
  f.Show(view.pool().Element(index));
}

int TableRestore::GroupMelds(Snapshot& snap, std::array<Meld, restore::kEntryCount>& melds) {
  // Hand order: equal tiles make a peng or, four of them, a gang; anything else is taken three
  // at a time.
  std::stable_sort(snap.exposed.begin(), snap.exposed.begin() + snap.exposedCount,
                   [](const Entry& a, const Entry& b) { return HandOrderBefore(a.code, b.code); });
  int count = 0;
  for (int i = 0; i < snap.exposedCount;) {
    int run = 1;
    while (i + run < snap.exposedCount && run < 4 &&
           snap.exposed[i + run].code == snap.exposed[i].code) {
      ++run;
    }
    Meld m;
    m.first = i;
    m.size = run >= 3 ? run : std::min(3, snap.exposedCount - i);
    m.kind = run >= 3 ? MeldKind(snap.exposed[i].kind, run) : SlotKind::Chi;
    melds[count++] = m;
    i += m.size;
  }
  return count;
}

bool TableRestore::LayOutSeat(ViewPos v, Snapshot& snap) {
  TableView& view = view_;
  Form& f = view.main();
  PlayerRecord& p = table_.players[v];

  // Red dragons among the exposed tiles are set aside, up to the four rows kept for them.
  int aside = 0;
  for (int i = 0; i < snap.exposedCount;) {
    if (snap.exposed[i].code != kRedDragon || p.redAside + aside >= kMaxRedAside) {
      ++i;
      continue;
    }
    ++aside;
    std::copy(snap.exposed.begin() + i + 1, snap.exposed.begin() + snap.exposedCount,
              snap.exposed.begin() + i);
    --snap.exposedCount;
  }
  std::array<Meld, restore::kEntryCount> melds{};
  const int meldCount = GroupMelds(snap, melds);
  const int tiles = aside + snap.exposedCount + snap.concealedCount;
  if (p.handStart + 3 * meldCount + p.handCount + snap.concealedCount > kSlotsPerSeat ||
      RestoreCursor + tiles > kTileElements) {
    return false;
  }

  UseRestoredMeldSizes(view);
  for (int a = 0; a < aside; ++a) SetAsideRedDragon(v);

  const int block = TableBlock(v);
  const int back = LyingBackIndex(block);
  int lastMeldSlot = -1;
  for (int m = 0; m < meldCount; ++m) {
    const Meld& meld = melds[m];
    const int w = p.meldCursor;
    const bool concealed = meld.kind == SlotKind::ConcealedGang;
    for (int j = 0; j < std::min(3, meld.size); ++j) {
      const TileCode code = snap.exposed[meld.first + j].code;
      const int slot = w - 2 + j;
      const int index = Take();
      p.slots[slot] = TileSlot{meld.kind, code, static_cast<int16_t>(index)};
      MoveTile(view, index, MeldTilePlace(view, p, v, slot));
      // A tile the seat's record hides (another seat's concealed gang) lies face down.
      view.ShowTile(index, concealed || code == 0 ? back : TilePicture(code, block));
      f.BringToFront(view.pool().Element(index));
      f.Show(view.pool().Element(index));
    }
    if (meld.size == 4) {
      const TileCode code = snap.exposed[meld.first + 3].code;
      const int index = Take();
      const ElementId middle = view.pool().Element(p.slots[w - 1].element);
      MoveTile(view, index, FourthTilePlace(view, p, v, middle, kRestoredFourthLift));
      const bool faceDown = code == 0 || (concealed && v != 0);
      view.ShowTile(index, faceDown ? back : TilePicture(code, block));
      f.BringToFront(view.pool().Element(index));
      f.Show(view.pool().Element(index));
    }
    lastMeldSlot = w;
    p.meldCursor = static_cast<int16_t>(p.meldCursor + 3);
    p.handStart = static_cast<int16_t>(p.handStart + 3);
  }

  UseHandSizes(view);
  const Watching& watching = watching_;
  const bool faces = !settings_.Spectator || watching.handVisible != 0;
  for (int k = 0; k < snap.concealedCount; ++k) {
    const int slot = p.handStart + p.handCount;
    p.handCount = static_cast<int16_t>(p.handCount + 1);
    const int index = Take();
    const TileCode code = snap.concealed[k];
    p.slots[slot] = TileSlot{SlotKind::Concealed, code, static_cast<int16_t>(index)};
    int picture = StandingBackIndex(HandBlock(v));
    if (v == 0) picture = faces && code != 0 ? TilePicture(code, kBlockHand) : kFaceDownHandTile;
    view.ShowTile(index, picture);
    const ElementId e = view.pool().Element(index);
    f.Show(e);
    if (v == 2) {
      f.SendToBack(e);
    } else {
      f.BringToFront(e);
    }
  }
  RelayConcealed(view, p, v, lastMeldSlot);
  if (v == 1) {
    // The left seat's backs overlap downwards; its set-aside dragons stay on top of them.
    const SlotRange range = ConcealedSlots(p);
    for (int k = range.first; k < range.end; ++k) {
      f.BringToFront(view.pool().Element(p.slots[k].element));
    }
    for (int row = 0; row < p.redAside; ++row) {
      f.BringToFront(view.pool().Element(table_.state.AsideElements[v][row]));
    }
  }
  return true;
}

void TableRestore::LayOutDiscards() {
  TableView& view = view_;
  TableModel& table = table_;
  Form& f = view.main();
  const DiscardRowRule rule = settings_.Spectator ? DiscardRowRule::Watch : DiscardRowRule::Play;
  for (int v = 0; v < kSeats; ++v) {
    for (int i = 0; i < RestoreDiscards[v]; ++i) {
      // Every element is in use: the record asked for more tiles than a wall holds.
      if (RestoreCursor >= kTileElements) return;
      const int index = Take();
      const ElementId e = view.pool().Element(index);
      table.state.OfferElement = static_cast<int16_t>(index);
      f.BringToFront(e);
      view.ShowTile(index, LyingBackIndex(TableBlock(v)));
      const DiscardPlace place = PlaceDiscard(view, table, v, index, rule);
      f.Show(e);
      tablePlay_.LastDiscardX = static_cast<int16_t>(place.left);
      tablePlay_.LastDiscardY = static_cast<int16_t>(place.top);
    }
  }
}

void TableRestore::Finish() {
  TableView& view = view_;
  TableModel& table = table_;
  TableState& st = table.state;
  Form& f = view.main();
  recordsTaken_ = 0;

  // The far end of the wall, from the deal start's far end and the wall-end counter.
  const int dealEnd = Mod72(start_ + 70);
  if (Mod72(71 - RestoreBack) % 2 == 0) {
    st.WallEndElement = static_cast<int16_t>(Mod72(RestoreBack + dealEnd + 1));
  } else {
    st.WallEndElement = static_cast<int16_t>(Mod72(RestoreBack + dealEnd - 3));
  }

  LayOutDiscards();
  // The wall is every element no restored tile took, each with the back of its own wall.
  for (int e = 0; e < kTileElements; ++e) {
    if (used_[static_cast<size_t>(e)]) continue;
    view.ShowTile(e, TableView::WallTileIndex(e / 24));
    f.Show(view.pool().Element(e));
  }

  table_.progress.TableRestored = true;
  st.NextTileElement = static_cast<int16_t>(Mod72(start_ + RestoreTaken));
  // Nothing lies in the middle of the table, so the next draw has nothing to put away.
  st.OfferElement = -1;
  st.ReplacementDraw = -1;
  if (RestoreTaken >= kDealtTiles) st.DealDone = 3;
  loop_.TileBlinkCount = 0;
  // A player who comes back sees its own hand again, in its order.
  if (!settings_.Spectator && table.players[0].handCount > 0) {
    tablePlay_.ShowHand(0, table.players[0].handCount);
  }
  log_.Write("table restored: " + std::to_string(RestoreCursor) + " tiles out of the wall, " +
             std::to_string(RestoreTaken) + " from its start");
}

}  // namespace korvel
