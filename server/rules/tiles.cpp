#include "rules/tiles.h"

#include <cstdio>

namespace korvel::server {

int CountTiles(const TileCounts& counts) {
  int n = 0;
  for (uint8_t c : counts) n += c;
  return n;
}

TileList SortedForClient(const TileCounts& counts) {
  TileList out;
  // The client sorts by the suit bit, highest first: dots (0x8) come before bamboo (0x2).
  for (int kind = 9; kind < kKinds; ++kind)
    for (int c = 0; c < counts[kind]; ++c) out.push_back(TileOf(kind));
  for (int kind = 0; kind < 9; ++kind)
    for (int c = 0; c < counts[kind]; ++c) out.push_back(TileOf(kind));
  return out;
}

std::string TileName(TileCode t) {
  const int kind = KindOf(t);
  if (kind < 0) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "0x%02x", t);
    return buf;
  }
  return std::string(1, kind < 9 ? 'b' : 'd') + static_cast<char>('1' + kind % 9);
}

}  // namespace korvel::server
