// The wall: 72 tiles in draw order. Dealing and ordinary draws take from the front, the
// replacement tile after a gang from the far end. Walls are shuffled from a seeded generator of
// our own so that a seed gives the same deals on every platform, or read from a wall file.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "rules/tiles.h"

namespace korvel::server {

// Fills `out` from the operating system's secure random source; false if it cannot.
bool FillFromSystem(void* out, size_t bytes);
// A nonzero 32-bit number from the same source.
uint32_t SystemRandom32();

// xoshiro256** seeded through splitmix64: small, fast and the same everywhere.
class Rng {
 public:
  explicit Rng(uint64_t seed = 0);
  // The whole state from the operating system's secure random source, so nothing a player
  // sees of one wall tells it the next.
  static Rng FromSystem();
  uint64_t Next();
  // Uniform in [0, bound), bound > 0, without modulo bias.
  uint32_t Below(uint32_t bound);

 private:
  std::array<uint64_t, 4> s_{};
};

using WallTiles = std::array<TileCode, kWallTiles>;

WallTiles FullSet();
WallTiles ShuffledWall(Rng& rng);
// True when `tiles` holds every bamboo and dots tile exactly four times.
bool IsCompleteSet(const WallTiles& tiles);

class Wall {
 public:
  Wall() = default;
  explicit Wall(const WallTiles& tiles) : tiles_(tiles) {}

  bool Empty() const { return front_ > back_; }
  int Remaining() const { return back_ - front_ + 1; }
  int TakenFromFront() const { return front_; }
  int TakenFromBack() const { return kWallTiles - 1 - back_; }
  // Callers check Empty() first; an empty wall yields 0.
  TileCode DrawFront();
  TileCode DrawBack();

 private:
  WallTiles tiles_{};
  int front_ = 0;
  int back_ = kWallTiles - 1;
};

// A wall file lists one or more walls of 72 tiles in draw order: tile codes in hex ("21",
// "0x89") or names ("b1".."b9", "d1".."d9"), separated by blanks, commas or line ends; "#"
// starts a comment. Each wall must hold the full set.
struct WallFile {
  std::vector<WallTiles> walls;
  std::string error;  // empty when the file was accepted
};
WallFile ParseWallFile(std::string_view text);

}  // namespace korvel::server
