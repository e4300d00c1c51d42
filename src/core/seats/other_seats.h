// The other two seats' operations as the server announces them: the balloon, the word and the
// voice, and the tiles that move from a seat's concealed backs (and the middle of the table)
// into its melds. Their concealed tiles are never known; only elements and slots move.
#pragma once

#include "model/tiles.h"
#include "view/geometry.h"

namespace korvel {

class Log;
class Reconnection;
class Sound;
class TableView;
struct LoopState;
struct TableModel;

class OtherSeats {
 public:
  OtherSeats(TableModel& table, LoopState& loop, TableView& view, Reconnection& reconnection,
             Sound& sound, Log& log);

  // The whole operation of the seat at `v` (1 or 2): announcement, then the melds. A caller
  // that shares the steps around an added gang (the operation result) calls the parts.
  void OnOperation(ViewPos v, int op, TileCode t0, TileCode t1, TileCode t2);

  // Balloon, word and voice; nothing for codes 0 and 1.
  void Announce(ViewPos v, int op, TileCode t2);
  // Chi and peng: two concealed backs and the claimed discard become the next meld.
  void Claim(ViewPos v, int op, TileCode t0, TileCode t1, TileCode t2);
  // Gang on a discard and concealed gang.
  void Gang(ViewPos v, int op, TileCode t2);
  // The added gang: the tile leaves the hand into the spare slot before the next meld, then it
  // is drawn above the peng it joins.
  // False when the seat has no tile to add; nothing changes then.
  bool TakeAddedTile(ViewPos v);
  void PlaceAddedTile(ViewPos v, TileCode t2);

  // Where the meld tile of slot `slot` of the seat at `v` lies, in window pixels, at the meld
  // tile sizes of the current drawing step.
  Rect MeldRect(ViewPos v, int slot) const;

 private:
  // Gives the element of `slot` its meld place, size and picture, in front.
  void DrawMeldTile(ViewPos v, int slot, int picture);
  // The concealed backs follow the last meld tile along the seat's edge.
  void RelayConcealed(ViewPos v);
  // A record whose slots do not fit the seat's record is left out.
  bool Refuse(ViewPos v, const char* what);

  TableModel& table_;
  LoopState& loop_;
  TableView& view_;
  Reconnection& reconnection_;
  Sound& sound_;
  Log& log_;
};

}  // namespace korvel
