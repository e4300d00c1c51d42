// The upper part of each score board column: starting coins and stake, the dealer mark, one
// block per win event and the check made when the wall ran out. Every block adds the same
// number of lines to each column it touches, so the three columns stay aligned.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "settlement/win_reports.h"

namespace korvel {

struct BreakdownSeat {
  std::string cashCaption;  // the seat's coin label on the table before this deal's totals
  bool dealer = false;
};

struct Breakdown {
  std::array<std::vector<std::string>, kSeats> columns;  // by ViewPos
  std::array<bool, kSeats> winnerName{};                 // the name is shown in red
};

// Builds the breakdown from the deal's win stores. Marks the winners of the last claim in
// `stores.HasWon`, as closing an event does, in case the last event never closed.
Breakdown BuildBreakdown(WinStores& stores, const std::array<BreakdownSeat, kSeats>& seats,
                         int localMask);

}  // namespace korvel
