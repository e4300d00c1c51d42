#include "rules/scoring.h"

#include "rules/shapes.h"

namespace korvel::server {

SeatAmounts DiscardWinPayments(int payer, std::span<const WinShare> winners) {
  SeatAmounts delta{};
  if (payer < 0 || payer >= kSeatCount) return delta;
  for (const WinShare& w : winners) {
    if (w.seat < 0 || w.seat >= kSeatCount || w.seat == payer) continue;
    delta[w.seat] += w.value.units;
    delta[payer] -= w.value.units;
  }
  return delta;
}

SeatAmounts SelfDrawPayments(int winner, int units, const SeatFlags& payers) {
  SeatAmounts delta{};
  if (winner < 0 || winner >= kSeatCount) return delta;
  for (int s = 0; s < kSeatCount; ++s) {
    if (s == winner || !payers[s]) continue;
    delta[s] -= units;
    delta[winner] += units;
  }
  return delta;
}

CheckOutcome CheckAtWallEnd(const std::array<Hand, kSeatCount>& hands, const SeatFlags& inPlay,
                            const SeatFlags& declared) {
  CheckOutcome out;
  for (int s = 0; s < kSeatCount; ++s) {
    if (!inPlay[s]) continue;
    // A declared seat is ready by construction; the hand decides in every case.
    out.value[s] = BestWaitValue(hands[s], declared[s]);
    out.ready[s] = out.value[s].units > 0;
    out.notReady[s] = !out.ready[s];
  }
  for (int payer = 0; payer < kSeatCount; ++payer) {
    if (!out.notReady[payer]) continue;
    for (int s = 0; s < kSeatCount; ++s) {
      if (!out.ready[s]) continue;
      out.delta[s] += out.value[s].units;
      out.delta[payer] -= out.value[s].units;
    }
  }
  return out;
}

}  // namespace korvel::server
