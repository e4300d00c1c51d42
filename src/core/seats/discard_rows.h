// Where a seat's next discard goes once the restore or the watcher has placed one: each seat's
// discards fill rows (columns for the side seats) from the seat's origin towards the middle.
#pragma once

#include "model/player_record.h"
#include "view/table_view.h"

namespace korvel {

// How long a row is before the next one starts. A playing client's rows hold six tiles, as its
// draws keep placing them; a watcher lays the bottom and left seats out eight to a row.
enum class DiscardRowRule { Play, Watch };

// Moves tile element `index` into the discard area of `v` at the seat's next position, at the
// seat's discard size, gives it its stacking, and advances the position. Returns the place used.
struct DiscardPlace {
  double left = 0;
  double top = 0;
};
DiscardPlace PlaceDiscard(TableView& view, TableModel& table, ViewPos v, int index,
                          DiscardRowRule rule);

// The discard size of a seat in window pixels: 36 x 50 for the bottom seat, 48 x 35 at the sides.
double DiscardWidth(const LayoutScale& scale, ViewPos v);
double DiscardHeight(const LayoutScale& scale, ViewPos v);

}  // namespace korvel
