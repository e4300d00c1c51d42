// One seat's tiles: concealed tiles as counts, up to four melds, and the tile drawn this turn
// (the client keeps it at the end of its row until the next discard).
#pragma once

#include <array>
#include <cstdint>

#include "rules/tiles.h"

namespace korvel::server {

enum class MeldKind : uint8_t { Peng, Gang, ConcealedGang, AddedGang };

struct Meld {
  MeldKind kind = MeldKind::Peng;
  TileCode tile = 0;
  int8_t from = -1;  // seat whose discard was claimed; -1 for a concealed gang
  bool IsGang() const { return kind != MeldKind::Peng; }
};

class Hand {
 public:
  TileCounts concealed{};
  std::array<Meld, 4> melds{};
  int meldCount = 0;
  TileCode drawn = 0;

  int ConcealedCount() const { return CountTiles(concealed); }
  int Count(TileCode t) const;
  bool Add(TileCode t);
  // False (and nothing changed) when the hand does not hold `n` copies of `t`.
  bool Remove(TileCode t, int n = 1);
  bool AddMeld(const Meld& meld);
  // Concealed tiles plus every meld tile (a gang counts four).
  TileCounts AllCounts() const;
  int GangCount() const;
  // Index of this hand's peng of `t`, or -1.
  int PengOf(TileCode t) const;
  // Concealed tiles in the client's order: sorted, with the drawn tile last.
  TileList ClientOrder() const;
  TileCode LastInClientOrder() const { return ClientOrder().back(); }
  // A hand that must discard holds 3k + 2 concealed tiles.
  bool MustDiscard() const { return ConcealedCount() % 3 == 2; }
};

}  // namespace korvel::server
