#include "seats/discard_rows.h"

#include <cmath>

namespace korvel {
namespace {

constexpr int kPlayRow = 6;
constexpr int kWatchRow = 8;
// Unscaled pixel steps of the side discard columns.
constexpr int kSideShift = 5;
constexpr int kPlayColumnGap = 30;
constexpr int kWatchColumnGap = 40;

// The right seat's discards overlap towards the viewer: nearest in front.
void RestackRight(TableView& view, TableState& st, int index) {
  Form& f = view.main();
  if (st.RightDiscardCount < kRightDiscards) {
    st.RightDiscards[st.RightDiscardCount++] = static_cast<int16_t>(index);
  }
  const int c = st.RightDiscardCount;
  auto front = [&](int from, int downTo) {
    for (int i = from; i >= downTo; --i) f.BringToFront(view.pool().Element(st.RightDiscards[i]));
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

}  // namespace

double DiscardWidth(const LayoutScale& s, ViewPos v) { return v == 0 ? s.X(36) : s.X(48); }
double DiscardHeight(const LayoutScale& s, ViewPos v) { return v == 0 ? s.Y(50) : s.Y(35); }

DiscardPlace PlaceDiscard(TableView& view, TableModel& table, ViewPos v, int index,
                          DiscardRowRule rule) {
  Form& f = view.main();
  const LayoutScale& s = view.scale();
  PlayerRecord& p = table.players[v];
  const ElementId e = view.pool().Element(index);
  const DiscardPlace place{static_cast<double>(p.discardX), static_cast<double>(p.discardY)};
  f.Move(e, place.left, place.top, DiscardWidth(s, v), DiscardHeight(s, v));
  // The right seat always follows the playing rule: its column already runs towards the middle.
  const bool watch = rule == DiscardRowRule::Watch && v != 2;
  const int perRow = watch ? kWatchRow : kPlayRow;

  if (v == 0) {
    const int step = s.RoundX(36);
    p.discardX = static_cast<int16_t>(p.discardX + step);
    if (step > 0 && (p.discardX - p.discardX0) / step == perRow) {
      p.discardX = p.discardX0;
      const int rise = watch ? s.RoundY(50) - s.RoundY(18) : s.RoundY(50 - 18);
      p.discardY = static_cast<int16_t>(p.discardY - rise);
    }
    f.SendToBack(e);
    return place;
  }
  const int step = s.RoundY(35) - s.RoundY(17);
  const int direction = v == 1 ? 1 : -1;
  p.discardY = static_cast<int16_t>(p.discardY + direction * step);
  p.discardX = static_cast<int16_t>(p.discardX - kSideShift);
  if (step > 0 && std::abs(p.discardY - p.discardY0) / step == perRow) {
    p.discardY = p.discardY0;
    int across = 0;
    if (v == 1) {
      across = watch ? s.RoundX(48) + kWatchColumnGap - static_cast<int>(std::lround(5 * s.sx))
                     : s.RoundX(48) + kPlayColumnGap - kSideShift;
    } else {
      across = -(s.RoundX(48) - kPlayColumnGap - kSideShift);
    }
    p.discardX = static_cast<int16_t>(p.discardX + across);
  }
  if (v == 1) {
    f.BringToFront(e);
  } else {
    f.SendToBack(e);
    RestackRight(view, table.state, index);
  }
  return place;
}

}  // namespace korvel
