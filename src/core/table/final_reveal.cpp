// The end of a deal: the server reveals the other seats' concealed tiles, four to a record,
// and once both hands are known every hand on the table is shown face up.
#include <algorithm>

#include "model/player_record.h"
#include "platform/ports.h"
#include "settlement/settlement.h"
#include "table/table_play.h"
#include "table/tile_pictures.h"
#include "view/table_view.h"

namespace korvel {

void TablePlay::OnReveal(CommandInfo& info) {
  TableView& view = view_;
  if (!view.laidOut()) return;
  TableModel& table = table_;
  TableState& st = table.state;
  view.SetTileSizes(48, 60, 45, 35);
  const ViewPos c = table.ViewOfMask(info.seat);
  // Only the other seats' tiles are revealed; the local hand is known.
  bool revealedAny = false;
  if (c == 1 || c == 2) {
    PlayerRecord& p = table.players[c];
    auto& revealed = st.RevealedTiles[c - 1];
    int e = static_cast<int>(std::find(revealed.begin(), revealed.end(), 0) - revealed.begin());
    for (int j = 0; j < 4 && p.handCount > 0; ++j) {
      const TileCode tile = static_cast<TileCode>(info.value[3 - j] & 0xFF);
      // A short last record leaves its remaining values empty.
      if (tile == 0) break;
      const int slot = p.handStart + e;
      if (e >= kSlotsPerSeat || !PlayerRecord::ValidSlot(slot)) {
        RefuseRecord("a reveal beyond seat " + std::to_string(c) + "'s slots");
        break;
      }
      revealed[e] = tile;
      p.slots[slot].code = tile;
      p.handCount = static_cast<int16_t>(p.handCount - 1);
      ++e;
      revealedAny = true;
    }
  }
  if (revealedAny && table.players[1].handCount == 0 && table.players[2].handCount == 0) {
    ShowRevealedHands();
  }
}

void TablePlay::ShowRevealedHands() {
  TableView& view = view_;
  Form& f = view.main();
  TableModel& table = table_;
  const TableState& st = table.state;
  PlayerRecord& local = table.players[0];
  const SlotRange own = ConcealedSlots(local);
  if (st.Spectator) ShowHand(0, local.handCount);
  for (int k = own.first; k < own.end; ++k) {
    const int index = local.slots[k].element;
    if (st.Spectator) {
      const ElementId e = view.pool().Element(index);
      f.Move(e, f.GetLeft(e), f.GetTop(e), view.TileWidth[0], view.TileHeight[0]);
    } else {
      view.ShowTile(index, TilePicture(local.slots[k].code, kBlockUpright));
    }
  }
  for (int c = 1; c < kSeats; ++c) {
    const auto& revealed = st.RevealedTiles[c - 1];
    const int n =
        static_cast<int>(std::find(revealed.begin(), revealed.end(), 0) - revealed.begin());
    if (n == 0) continue;
    PlayerRecord& p = table.players[c];
    if (settlement_.stores.HasWon[c] == 1) {
      // A winner's last tile stays apart from the sorted rest.
      const int last = p.handStart + n - 1;
      if (PlayerRecord::ValidSlot(last)) {
        view.ShowTile(p.slots[last].element, TilePicture(p.slots[last].code, HandBlock(c)));
      }
      ShowHandLaidAware(c, n - 1);
    } else {
      ShowHandLaidAware(c, n);
    }
    const SlotRange r = SlotsFrom(p, n);
    for (int k = r.first; k < r.end; ++k) {
      const ElementId e = view.pool().Element(p.slots[k].element);
      f.Move(e, f.GetLeft(e), f.GetTop(e), view.TileWidth[c], view.TileHeight[c]);
    }
  }
}

}  // namespace korvel
