// Turning a deal's units into coins: the stake, a loss limited to the coins a seat has (the
// winners then share what could be paid), and the table's fee on what is won.
#pragma once

#include <array>
#include <cstdint>

#include "rules/tiles.h"

namespace korvel::server {

struct SeatCoins {
  int64_t subtotal = 0;  // units × stake, before the limit and the fee
  int64_t fee = 0;       // taken from a win
  int64_t coins = 0;     // what the seat's coins change by
  bool capped = false;   // the loss was limited to the coins the seat had
};

std::array<SeatCoins, kSeatCount> SettleCoins(const std::array<int, kSeatCount>& units,
                                              const std::array<int64_t, kSeatCount>& held,
                                              int stake, int feePercent);

}  // namespace korvel::server
