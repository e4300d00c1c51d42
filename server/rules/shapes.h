// Win shapes and the distance to a ready hand. A hand wins with four sets (pungs, or sequences
// formed in the hand: sequences are never claimed) and a pair, or with seven pairs, where four
// of a kind counts as two pairs.
#pragma once

#include <array>
#include <cstdint>
#include <unordered_map>

#include "rules/hand.h"
#include "rules/tiles.h"

namespace korvel::server {

// True when the counts split into sets only (no pair).
bool IsSetsOnly(const TileCounts& counts);
// Four sets and a pair, counting `melds` finished sets outside `concealed`.
bool IsStandardWin(const TileCounts& concealed, int melds);
bool IsSevenPairs(const TileCounts& concealed, int melds);
bool IsWinningShape(const TileCounts& concealed, int melds);
inline bool IsWinningHand(const Hand& hand) {
  return IsWinningShape(hand.concealed, hand.meldCount);
}

// The tiles that would complete a hand of 3k + 1 concealed tiles. A tile the seat already
// holds four of (concealed and melded) cannot be drawn and is no wait.
TileList WaitsOf(const Hand& hand);
inline bool IsReady(const Hand& hand) { return !WaitsOf(hand).empty(); }
// For a hand of 3k + 2 tiles: each kind whose discard leaves a ready hand.
TileList ReadyDiscardsOf(const Hand& hand);

// Shanten: the number of tiles a hand lacks to be ready (0 = ready, -1 = complete). Each suit's
// contribution is computed once per count pattern and kept, so bots can ask freely.
class ShantenCalculator {
 public:
  ShantenCalculator() = default;
  // Its table of recent answers points into its own cache.
  ShantenCalculator(const ShantenCalculator&) = delete;
  ShantenCalculator& operator=(const ShantenCalculator&) = delete;

  int Shanten(const TileCounts& concealed, int melds);
  int StandardShanten(const TileCounts& concealed, int melds);
  static int SevenPairsShanten(const TileCounts& concealed, int melds);
  size_t CachedPatterns() const { return cache_.size(); }

 private:
  // For one suit: with (1) or without (0) a pair taken as the head, and m sets, the most
  // partial sets that still fit; -1 when that number of sets cannot be made.
  struct SuitTable {
    std::array<std::array<int8_t, 5>, 2> bestPartials;
  };
  const SuitTable& Suit(const TileCounts& counts, int firstKind);
  const SuitTable& Pattern(const std::array<uint8_t, 9>& counts);

  std::unordered_map<uint32_t, SuitTable> cache_;  // its entries never move
  static constexpr int kRecentBits = 12;
  struct Recent {
    uint32_t key = 0;
    const SuitTable* table = nullptr;
  };
  std::array<Recent, 1u << kRecentBits> recent_{};
};

}  // namespace korvel::server
