// Payments in base-stake units. Every payment moves units from one seat to another, so each
// win event, each check and therefore each deal sums to zero.
#pragma once

#include <array>
#include <span>

#include "rules/fan.h"
#include "rules/hand.h"

namespace korvel::server {

using SeatAmounts = std::array<int, kSeatCount>;
using SeatFlags = std::array<bool, kSeatCount>;

struct WinShare {
  int seat = -1;
  WinValue value;
};

// A win on a discard, or by robbing a gang: the discarder (or the seat that added the gang)
// pays each winner the value of that winner's hand.
SeatAmounts DiscardWinPayments(int payer, std::span<const WinShare> winners);
// A win on one's own draw: each seat still in play pays the winner the hand's value.
SeatAmounts SelfDrawPayments(int winner, int units, const SeatFlags& payers);

// The check at the wall's end among the seats still in play: every seat whose hand is not
// ready pays every ready seat the best value that seat's hand can reach.
struct CheckOutcome {
  SeatFlags ready{};
  SeatFlags notReady{};
  std::array<WinValue, kSeatCount> value{};
  SeatAmounts delta{};
};
CheckOutcome CheckAtWallEnd(const std::array<Hand, kSeatCount>& hands, const SeatFlags& inPlay,
                            const SeatFlags& declared);

inline int Sum(const SeatAmounts& a) { return a[0] + a[1] + a[2]; }
inline void AddTo(SeatAmounts& total, const SeatAmounts& part) {
  for (int s = 0; s < kSeatCount; ++s) total[s] += part[s];
}

}  // namespace korvel::server
