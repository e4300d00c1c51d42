// Where a seat's tiles stand on the table in normal play: meld tiles by slot, the fourth tile of
// a gang above the meld's middle tile, and the concealed row. The restore and the watcher place
// tiles here, so a rebuilt or watched table continues exactly as a played one.
#pragma once

#include "model/player_record.h"
#include "view/table_view.h"

namespace korvel {

struct TilePlace {
  double left = 0;
  double top = 0;
  double width = 0;
  double height = 0;
};

// Sets TileWidth/TileHeight to the meld sizes (45 x 60 at the bottom, 45 x 35 at the sides).
void UseMeldSizes(TableView& view);
// The same for a rebuilt table, whose bottom melds are a little lower (45 x 56).
void UseRestoredMeldSizes(TableView& view);
// Sets TileWidth/TileHeight to the hand sizes (48 x 78 at the bottom, 35 x 66 at the sides).
void UseHandSizes(TableView& view);

// A meld tile in `slot` of the seat at `v`; call with the meld sizes in use.
TilePlace MeldTilePlace(const TableView& view, const PlayerRecord& p, ViewPos v, int slot);
// The fourth tile of a gang (or an added tile): over the meld's middle tile, 18 pixels up in
// play and 17 in a rebuilt table.
inline constexpr double kFourthLift = 18, kRestoredFourthLift = 17;
TilePlace FourthTilePlace(const TableView& view, const PlayerRecord& p, ViewPos v, ElementId middle,
                          double lift = kFourthLift);
// A concealed tile in `slot` as dealing places it; call with the hand sizes in use.
TilePlace ConcealedTilePlace(const TableView& view, const PlayerRecord& p, ViewPos v, int slot);

// Moves every concealed tile of the seat to its place: the bottom seat's row from its origin;
// a side seat's backs from its last meld tile on (or from the dealing places without a meld).
// `lastMeldSlot` is the slot of that tile, or -1.
void RelayConcealed(TableView& view, PlayerRecord& p, ViewPos v, int lastMeldSlot);

// Moves element `index` to `place`, size included.
void MoveTile(TableView& view, int index, const TilePlace& place);

}  // namespace korvel
