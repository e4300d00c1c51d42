#include "seats/meld_layout.h"

#include "table/hand_order.h"

namespace korvel {
namespace {

// Design pixels of the side rows' slant and the meld rows.
constexpr double kSideShift = 5;
constexpr double kRightMeldInset = 10;
constexpr double kMeldOverlap = 17;
constexpr double kLocalMeldGap = 2;
// A side seat's concealed backs follow its last meld tile at this share of a tile width.
constexpr double kSideBackStep = 0.65;

}  // namespace

void UseMeldSizes(TableView& view) { view.SetTileSizes(45, 60, 45, 35); }
void UseRestoredMeldSizes(TableView& view) { view.SetTileSizes(45, 56, 45, 35); }
void UseHandSizes(TableView& view) { view.SetTileSizes(48, 78, 35, 66); }

void MoveTile(TableView& view, int index, const TilePlace& place) {
  view.main().Move(view.pool().Element(index), place.left, place.top, place.width, place.height);
}

TilePlace MeldTilePlace(const TableView& view, const PlayerRecord& p, ViewPos v, int slot) {
  const LayoutScale& s = view.scale();
  TilePlace t;
  t.width = view.TileWidth[v];
  t.height = view.TileHeight[v];
  if (v == 0) {
    t.left = p.rowX + (slot + 1) * (view.TileWidth[0] - kLocalMeldGap * s.sx);
    t.top = p.rowY;
  } else if (v == 1) {
    t.left = p.rowX - s.X(kSideShift * slot);
    t.top = p.rowY + slot * (view.TileHeight[1] - s.Y(kMeldOverlap));
  } else {
    t.left = p.rowX - s.X(kSideShift * slot) - s.X(kRightMeldInset);
    t.top = p.rowY - slot * (view.TileHeight[2] - s.Y(kMeldOverlap));
  }
  return t;
}

TilePlace FourthTilePlace(const TableView& view, const PlayerRecord& p, ViewPos v, ElementId middle,
                          double lift) {
  const Form& f = view.main();
  TilePlace t;
  t.width = view.TileWidth[v];
  t.height = view.TileHeight[v];
  t.left = f.GetLeft(middle);
  t.top = (v == 0 ? p.rowY : f.GetTop(middle)) - view.scale().Y(lift);
  return t;
}

TilePlace ConcealedTilePlace(const TableView& view, const PlayerRecord& p, ViewPos v, int slot) {
  const LayoutScale& s = view.scale();
  TilePlace t;
  t.width = view.TileWidth[v];
  t.height = view.TileHeight[v];
  if (v == 0) {
    t.left = p.rowX + slot * view.TileWidth[0];
    t.top = p.rowY;
  } else if (v == 1) {
    t.left = p.rowX - s.X(kSideShift * slot);
    t.top = p.rowY + slot * view.TileWidth[1] / 2.0;
  } else {
    t.left = p.rowX - s.X(kSideShift * (slot + 1));
    t.top = p.rowY - (slot + 1) * view.TileWidth[2] / 2.0;
  }
  return t;
}

void RelayConcealed(TableView& view, PlayerRecord& p, ViewPos v, int lastMeldSlot) {
  Form& f = view.main();
  const SlotRange range = ConcealedSlots(p);
  const ElementId anchor = PlayerRecord::ValidSlot(lastMeldSlot)
                               ? view.pool().Element(p.slots[lastMeldSlot].element)
                               : kNoElement;
  if (v == 0 || anchor == kNoElement) {
    UseHandSizes(view);
    for (int k = range.first; k < range.end; ++k) {
      MoveTile(view, p.slots[k].element, ConcealedTilePlace(view, p, v, k));
    }
    return;
  }
  // The backs continue the slant of the melds, each a little further along the edge.
  const LayoutScale& s = view.scale();
  const double along = kSideBackStep * s.RoundX(45) * (v == 1 ? 1 : -1);
  double left = f.GetLeft(anchor);
  double top = f.GetTop(anchor);
  UseHandSizes(view);
  for (int k = range.first; k < range.end; ++k) {
    left -= s.X(kSideShift);
    top += along;
    const ElementId e = view.pool().Element(p.slots[k].element);
    f.Move(e, left, top, view.TileWidth[v], view.TileHeight[v]);
  }
}

}  // namespace korvel
