// The computer player: discards that bring the hand closer to ready (fewest tiles missing, then
// the most live tiles that improve it), peng and gang only when they help, every win taken,
// ready declared when enough winning tiles are still live or the wall is nearly empty.
#pragma once

#include "rules/actions.h"
#include "rules/hand.h"
#include "rules/shapes.h"

namespace korvel::server {

// What a seat knows when it decides: its own tiles, its offer and the public table.
struct SeatView {
  const Hand& hand;
  const Offer& offer;
  bool declared = false;
  bool declarePending = false;
  const TileCounts& seen;  // discards and open melds
  int wallRemaining = 0;
};

class BotPlayer {
 public:
  explicit BotPlayer(ShantenCalculator& shanten) : shanten_(shanten) {}

  Action Decide(const SeatView& view);

  // Declare ready when at least this many winning tiles are live, or when fewer than
  // kLateWall tiles remain in the wall.
  static constexpr int kLiveWaitsToDeclare = 3;
  static constexpr int kLateWall = 12;

 private:
  struct DiscardChoice {
    TileCode tile = 0;
    int shanten = 9;
    int improving = -1;
  };

  Action OwnTurn(const SeatView& view);
  Action Claim(const SeatView& view);
  DiscardChoice BestDiscard(const SeatView& view, const Hand& hand);
  // Tiles not yet seen by this seat (not discarded, not in open melds, not in its hand).
  int Live(const SeatView& view, const Hand& hand, int kind) const;
  int LiveWaits(const SeatView& view, const Hand& hand) const;
  int ImprovingTiles(const SeatView& view, const Hand& hand, int shanten);

  ShantenCalculator& shanten_;
};

}  // namespace korvel::server
