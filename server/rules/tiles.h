// The server's tile set: two suits, bamboo and dots, four copies of each rank, 72 tiles. Hands
// are kept as counts per kind so that shape tests are array walks.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "model/tiles.h"

namespace korvel::server {

inline constexpr int kKinds = 18;  // bamboo 1..9 are kinds 0..8, dots 1..9 are kinds 9..17
inline constexpr int kCopies = 4;
inline constexpr int kWallTiles = kKinds * kCopies;
inline constexpr int kSeatCount = 3;

using TileCounts = std::array<uint8_t, kKinds>;

// -1 for anything that is not a bamboo or dots tile, so a code read from a record can be
// checked with one call.
constexpr int KindOf(TileCode t) {
  const int rank = t & 0x0F;
  if (rank < 1 || rank > 9) return -1;
  switch (t >> 4) {
    case kSuitBamboo:
      return rank - 1;
    case kSuitDots:
      return 9 + rank - 1;
    default:
      return -1;
  }
}
constexpr TileCode TileOf(int kind) {
  return static_cast<TileCode>(kind < 9 ? (kSuitBamboo << 4) | (kind + 1)
                                        : (kSuitDots << 4) | (kind - 9 + 1));
}
constexpr bool IsPlayTile(TileCode t) { return KindOf(t) >= 0; }
constexpr int SuitOfKind(int kind) { return kind / 9; }

inline constexpr TileCode kTwoBamboo = 0x22;

// A short list of tiles without allocation; 18 entries hold any hand, 24 any discard row.
template <size_t N>
struct TileArray {
  std::array<TileCode, N> tiles{};
  uint8_t size = 0;

  void push_back(TileCode t) {
    if (size < N) tiles[size++] = t;
  }
  bool contains(TileCode t) const {
    for (uint8_t i = 0; i < size; ++i)
      if (tiles[i] == t) return true;
    return false;
  }
  void clear() { size = 0; }
  bool empty() const { return size == 0; }
  TileCode operator[](size_t i) const { return tiles[i]; }
  TileCode back() const { return size ? tiles[size - 1] : 0; }
  const TileCode* begin() const { return tiles.data(); }
  const TileCode* end() const { return tiles.data() + size; }
};
using TileList = TileArray<18>;

int CountTiles(const TileCounts& counts);
// The hand order the client keeps: dots before bamboo, ascending rank within a suit.
TileList SortedForClient(const TileCounts& counts);
// "b1".."b9", "d1".."d9"; anything else as hex.
std::string TileName(TileCode t);

}  // namespace korvel::server
