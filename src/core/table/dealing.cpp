// Dealing and drawing: every tile that reaches a hand takes the next element of the wall. Each
// draw first moves the previous discard from the middle of the table into its seat's discards.
#include <cmath>

#include "model/loop_state.h"
#include "model/player_record.h"
#include "platform/ports.h"
#include "table/table_play.h"
#include "table/tile_pictures.h"
#include "view/table_view.h"

namespace korvel {
namespace {

constexpr int kWaitBeforeDrawMs = 400;
constexpr int kFaceDownRevealMs = 1000;
constexpr int kDiscardsPerRow = 6;
constexpr int kDealtTiles = 40;  // 14 + 13 + 13
constexpr int kDealerHand = 14;
constexpr int kNonDealerHand = 13;
// The side seats' rows step sideways by this much per slot, and a drawn tile stands apart by
// the gap (both in design pixels).
constexpr double kSideRowShift = 5;
constexpr double kDrawnTileGap = 10;
// Unscaled pixel steps of the side discard columns.
constexpr int kSideColumnShift = 5;
constexpr int kSideColumnGap = 30;

bool MustDiscardCount(int handCount) { return (handCount - 2) % 3 == 0; }

}  // namespace

void TablePlay::OnDealTiles(CommandInfo& info, int count) {
  // Four dealt tiles always finish the previous discard, even after a claim took it.
  if (count == 4) table_.state.OfferClaimed = false;
  OnTiles(info.seat, count, info.value);
}

void TablePlay::OnTiles(int seatMask, int n, const std::array<int16_t, 4>& values) {
  TableView& view = view_;
  if (!view.laidOut()) return;
  // Before the seats are seated and the table cleared the rows have no places in the window.
  if (!view.seatsPlaced()) {
    log_.Write("table: tiles before the seats have places ignored");
    return;
  }
  TableModel& table = table_;
  TableState& st = table.state;

  if (!st.OfferClaimed && st.OfferElement >= 0) PlaceOfferInDiscards(n == 1);
  st.OfferClaimed = false;
  const ViewPos v = table.ViewOfMask(seatMask);
  view.SetTileSizes(48, 78, 35, 66);
  if (v == 0) {
    DealLocal(n, values);
  } else {
    DealOther(v, n);
  }
  st.ReplacementDraw = -1;
  if (st.DealDone < 0) {
    int dealt = 0;
    for (const PlayerRecord& p : table.players) dealt += p.handCount;
    if (dealt == kDealtTiles) st.DealDone = 3;
  }
}

void TablePlay::PlaceOfferInDiscards(bool beforeDraw) {
  TableView& view = view_;
  TableState& st = table_.state;
  const ViewPos v = st.OfferView;
  const ElementId e = view.pool().Element(st.OfferElement);
  if (v < 0 || v >= kSeats || e == kNoElement) {
    log_.Write("table: no discard area for the tile in the middle");
    return;
  }
  if (beforeDraw) timers_.BlockingWait(kWaitBeforeDrawMs);
  Form& f = view.main();
  const LayoutScale& s = view.scale();
  PlayerRecord& p = table_.players[v];
  const double width = v == 0 ? s.X(36) : s.X(48);
  const double height = v == 0 ? s.Y(50) : s.Y(35);
  f.Move(e, p.discardX, p.discardY, width, height);
  LastDiscardX = p.discardX;
  LastDiscardY = p.discardY;

  // A row (a column for the side seats) holds six tiles; the next starts nearer the middle.
  if (v == 0) {
    const int step = s.RoundX(36);
    p.discardX = static_cast<int16_t>(p.discardX + step);
    if (step > 0 && (p.discardX - p.discardX0) / step == kDiscardsPerRow) {
      p.discardX = p.discardX0;
      p.discardY = static_cast<int16_t>(p.discardY - s.RoundY(50 - 18));
    }
    f.SendToBack(e);
  } else {
    const int step = s.RoundY(35 - 17);
    const int direction = v == 1 ? 1 : -1;
    p.discardY = static_cast<int16_t>(p.discardY + direction * step);
    p.discardX = static_cast<int16_t>(p.discardX - kSideColumnShift);
    if (step > 0 && std::abs(p.discardY - p.discardY0) / step == kDiscardsPerRow) {
      p.discardY = p.discardY0;
      const int across = v == 1 ? s.RoundX(48) + kSideColumnGap - kSideColumnShift
                                : -(s.RoundX(48) - kSideColumnGap - kSideColumnShift);
      p.discardX = static_cast<int16_t>(p.discardX + across);
    }
    if (v == 1) {
      f.BringToFront(e);
    } else {
      f.SendToBack(e);
      // The right seat's discards overlap towards the viewer: restack them, nearest in front.
      if (st.RightDiscardCount < kRightDiscards) {
        st.RightDiscards[st.RightDiscardCount++] = st.OfferElement;
      }
      const int c = st.RightDiscardCount;
      auto front = [&](int from, int downTo) {
        for (int i = from; i >= downTo; --i)
          f.BringToFront(view.pool().Element(st.RightDiscards[i]));
      };
      if (c <= 6) {
        front(c - 1, 0);
      } else if (c <= 12) {
        front(c - 1, 6);
      } else {
        front(11, 6);
        front(c - 1, 12);
      }
    }
  }
  loop_.TileBlinkCount = 3;
}

void TablePlay::DealLocal(int n, const std::array<int16_t, 4>& values) {
  TableView& view = view_;
  Form& f = view.main();
  TableState& st = table_.state;
  PlayerRecord& p = table_.players[0];
  const int s0 = p.handStart + p.handCount;
  if (p.handStart < 0 || s0 < 0 || s0 + n > kSlotsPerSeat) {
    RefuseRecord("the local hand has no room for " + std::to_string(n) + " more tiles");
    return;
  }
  const int16_t width = view.TileWidth[0], height = view.TileHeight[0];
  auto place = [&](int slot, int code) {
    const int index = view.pool().Take();
    p.slots[slot] = TileSlot{SlotKind::Concealed, static_cast<int16_t>(code & 0xFF),
                             static_cast<int16_t>(index)};
    const ElementId e = view.pool().Element(index);
    view.ShowTile(index, TilePicture(code, kBlockHand));
    f.Move(e, p.rowX + slot * width, p.rowY, width, height);
    return e;
  };

  if (n == 4) {
    p.handCount = static_cast<int16_t>(p.handCount + 4);
    for (int k = 0; k < 4; ++k) place(s0 + k, values[k]);
    return;
  }

  p.handCount = static_cast<int16_t>(p.handCount + 1);
  if (st.DealDone > 0) {
    // The older tiles go back into line, a raised one included.
    for (int k = p.handStart; k < s0; ++k) {
      const ElementId e = view.pool().Element(p.slots[k].element);
      f.Move(e, p.rowX + k * width, p.rowY);
    }
    // After a gang the hand is re-sorted before the replacement tile joins it.
    if (!st.ReadyDeclared && st.ReplacementDraw == 0) ShowHand(0, p.handCount - 1);
  }
  const ElementId drawn = place(s0, values[3]);
  if (MustDiscardCount(p.handCount)) {
    // The drawn tile stands half a tile apart until it is discarded or sorted in.
    f.Move(drawn, f.GetLeft(drawn) + width / 2.0, p.rowY);
  }

  const bool handComplete =
      p.handCount == kDealerHand || (p.handCount == kNonDealerHand && !p.isDealer);
  if (st.DealDone < 0 && handComplete) {
    // The dealt hand is shown face down for a moment, then sorted and face up.
    for (int k = p.handStart; k < p.handStart + p.handCount; ++k) {
      view.ShowTile(p.slots[k].element, kFaceDownHandTile);
    }
    timers_.BlockingWait(kFaceDownRevealMs);
    ShowHand(0, p.handCount);
  }
}

void TablePlay::DealOther(ViewPos v, int n) {
  TableView& view = view_;
  Form& f = view.main();
  const TableState& st = table_.state;
  const LayoutScale& sc = view.scale();
  PlayerRecord& p = table_.players[v];
  const int s0 = p.handStart + p.handCount;
  if (p.handStart < 0 || s0 < 0 || s0 + n > kSlotsPerSeat) {
    RefuseRecord("seat " + std::to_string(v) + " has no room for " + std::to_string(n) +
                 " more tiles");
    return;
  }
  p.handCount = static_cast<int16_t>(p.handCount + n);
  const int16_t width = view.TileWidth[v], height = view.TileHeight[v];
  // The extra tile of a turn stands apart: a draw once the deal is dealt, or the dealer's
  // fourteenth while dealing.
  const bool apart = MustDiscardCount(p.handCount) &&
                     ((st.DealDone > 0 && n == 1) || (st.DealDone < 0 && p.handCount == 14));
  for (int k = 0; k < n; ++k) {
    const int slot = s0 + k;
    const int index = view.pool().Take();
    p.slots[slot].kind = SlotKind::Concealed;
    p.slots[slot].element = static_cast<int16_t>(index);
    const ElementId e = view.pool().Element(index);
    view.ShowTile(index, StandingBackIndex(HandBlock(v)));
    double left, top;
    if (v == 1) {
      left = p.rowX - sc.X(kSideRowShift * slot);
      top = p.rowY + slot * width / 2.0;
    } else {
      left = p.rowX - sc.X(kSideRowShift * (slot + 1));
      top = p.rowY - (slot + 1) * width / 2.0;
    }
    if (apart && k == n - 1) top += v == 1 ? sc.Y(kDrawnTileGap) : -sc.Y(kDrawnTileGap);
    f.Move(e, left, top, width, height);
    if (v == 2) f.SendToBack(e);
  }
}

}  // namespace korvel
