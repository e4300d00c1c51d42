#include "table/coin_settlement.h"

#include <algorithm>

namespace korvel::server {

std::array<SeatCoins, kSeatCount> SettleCoins(const std::array<int, kSeatCount>& units,
                                              const std::array<int64_t, kSeatCount>& held,
                                              int stake, int feePercent) {
  std::array<SeatCoins, kSeatCount> out{};
  int64_t shortfall = 0;
  int64_t won = 0;
  for (int s = 0; s < kSeatCount; ++s) {
    SeatCoins& c = out[s];
    c.subtotal = static_cast<int64_t>(units[s]) * stake;
    c.coins = c.subtotal;
    if (c.subtotal > 0) won += c.subtotal;
    if (c.subtotal < 0 && -c.subtotal > std::max<int64_t>(held[s], 0)) {
      // Nobody pays more than it has.
      const int64_t paid = std::max<int64_t>(held[s], 0);
      shortfall += -c.subtotal - paid;
      c.coins = -paid;
      c.capped = true;
    }
  }
  // The winners share what was paid in proportion to what they won.
  int64_t left = std::min(shortfall, won);
  for (int s = 0; s < kSeatCount && won > 0; ++s) {
    if (out[s].subtotal <= 0) continue;
    const int64_t cut = std::min(left, shortfall * out[s].subtotal / won);
    out[s].coins -= cut;
    left -= cut;
  }
  for (int s = 0; s < kSeatCount && left > 0; ++s) {
    const int64_t cut = std::min(left, std::max<int64_t>(out[s].coins, 0));
    out[s].coins -= cut;
    left -= cut;
  }
  for (SeatCoins& c : out) {
    if (c.coins <= 0) continue;
    c.fee = c.coins * std::clamp(feePercent, 0, 100) / 100;
    c.coins -= c.fee;
  }
  return out;
}

}  // namespace korvel::server
