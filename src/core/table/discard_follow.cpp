// The server's word on the local seat's discards. It announces every discard, the local one
// included; when its own clock ran out first it discarded for the player, and the local hand
// must then follow it rather than keep a tile the server has already put out.
#include <string>

#include "model/player_record.h"
#include "platform/ports.h"
#include "table/table_play.h"
#include "table/tile_pictures.h"
#include "view/table_view.h"

namespace korvel {
namespace {

bool MustDiscardCount(int handCount) { return (handCount - 2) % 3 == 0; }

// The last concealed slot of the local hand holding `tile` (the drawn tile comes last), or -1.
int LastSlotWith(const PlayerRecord& p, TileCode tile) {
  const SlotRange r = ConcealedSlots(p);
  for (int k = r.end - 1; k >= r.first; --k) {
    if (p.slots[k].code == tile) return k;
  }
  return -1;
}

}  // namespace

void TablePlay::FollowLocalDiscard(TileCode tile) {
  TableView& view = view_;
  if (!view.laidOut()) return;
  TableState& st = table_.state;
  PlayerRecord& p = table_.players[0];
  Log& log = log_;
  const int16_t pending = PendingDiscard;
  PendingDiscard = 0;
  const bool resort = st.LaidDown[0] == 0 && !st.ReadyDeclared;

  if (pending != 0) {
    if (pending == tile) return;
    // The server took another tile than the one the client put out: the tile in the middle
    // is the server's, and the client's goes back into the hand in its place.
    const int slot = LastSlotWith(p, tile);
    if (slot < 0) {
      RefuseRecord("a local discard of " + std::to_string(tile) + ", which the hand does not hold");
      return;
    }
    log.Write("table: the server discarded " + std::to_string(tile) + " instead of " +
              std::to_string(pending));
    p.slots[slot].code = pending;
    view.ShowTile(st.OfferElement, TilePicture(tile, kBlockUpright));
    if (resort) {
      ShowHand(0, p.handCount);
    } else {
      view.ShowTile(p.slots[slot].element, TilePicture(pending, kBlockHand));
    }
    return;
  }

  if (!MustDiscardCount(p.handCount)) {
    log.Write("table: a local discard the hand did not owe; left as it is");
    return;
  }
  // The server played the turn. The tile leaves the hand as if the player had discarded it.
  int slot = LastSlotWith(p, tile);
  if (slot < 0) {
    const SlotRange r = ConcealedSlots(p);
    if (r.size() == 0) return;
    slot = r.end - 1;
    log.Write("table: the server discarded " + std::to_string(tile) +
              ", which the local hand did not show; its last tile goes instead");
    p.slots[slot].code = tile;
  }
  EndLocalTurnDisplay();
  PutOutLocalTile(slot, tile, resort);
}

}  // namespace korvel
