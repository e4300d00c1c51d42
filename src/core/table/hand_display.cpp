// Showing a seat's hand in its order, and laying it down once the seat has declared ready.
#include "model/player_record.h"
#include "platform/ports.h"
#include "table/table_play.h"
#include "table/tile_pictures.h"
#include "view/table_view.h"

namespace korvel {

void TablePlay::SortHand(ViewPos v, int count) {
  if (v < 0 || v >= kSeats) return;
  korvel::SortHand(table_.players[v], count);
}

void TablePlay::ShowHand(ViewPos v, int count) { ShowHandWith(v, count, false); }
void TablePlay::ShowHandLaidAware(ViewPos v, int count) { ShowHandWith(v, count, true); }

void TablePlay::ShowHandWith(ViewPos v, int count, bool laidAware) {
  if (v < 0 || v >= kSeats) return;
  TableModel& table = table_;
  const TableState& st = table.state;
  PlayerRecord& p = table.players[v];
  std::array<int16_t, kSlotsPerSeat> before{};
  for (int k = 0; k < kSlotsPerSeat; ++k) before[k] = p.slots[k].code;
  korvel::SortHand(p, count);

  int block = HandBlock(v);
  if (v == 0 && laidAware && st.LaidDown[0] != 0) block = kBlockUpright;
  // Once the deal is dealt only the tiles that moved are redrawn, which keeps a raised tile's
  // picture steady; a declared hand is redrawn whole unless the laid-down look is asked for.
  const bool onlyMoved = v == 0 && st.DealDone > 0 && (laidAware || !st.ReadyDeclared);
  const SlotRange r = SlotsFrom(p, count);
  for (int k = r.first; k < r.end; ++k) {
    if (onlyMoved && before[k] == p.slots[k].code) continue;
    view_.ShowTile(p.slots[k].element, TilePicture(p.slots[k].code, block));
  }
}

void TablePlay::LayDownHand(ViewPos v) {
  if (v < 0 || v >= kSeats) return;
  TableView& view = view_;
  PlayerRecord& p = table_.players[v];
  view.SetTileSizes(45, 60, 45, 35);
  Form& f = view.main();
  const SlotRange r = ConcealedSlots(p);
  if (v == 0) {
    p.laidStart = p.handStart;
    for (int k = r.first; k < r.end; ++k) {
      const ElementId e = view.pool().Element(p.slots[k].element);
      f.Move(e, f.GetLeft(e), p.rowY);
    }
    return;
  }
  for (int k = r.first; k < r.end; ++k) {
    const int index = p.slots[k].element;
    const ElementId e = view.pool().Element(index);
    f.Move(e, f.GetLeft(e), f.GetTop(e), view.TileWidth[v], view.TileHeight[v]);
    view.ShowTile(index, LyingBackIndex(HandBlock(v)));
  }
}

}  // namespace korvel
