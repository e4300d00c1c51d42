#include "rules/wall.h"

#include <sys/random.h>

#include <cctype>
#include <cerrno>
#include <random>

namespace korvel::server {

namespace {
uint64_t SplitMix(uint64_t& x) {
  uint64_t z = (x += 0x9E3779B97F4A7C15ull);
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
  return z ^ (z >> 31);
}
uint64_t Rotl(uint64_t x, int k) { return (x << k) | (x >> (64 - k)); }
}  // namespace

bool FillFromSystem(void* out, size_t bytes) {
  auto* p = static_cast<uint8_t*>(out);
  while (bytes > 0) {
    const ssize_t n = ::getrandom(p, bytes, 0);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    p += n;
    bytes -= static_cast<size_t>(n);
  }
  return true;
}

uint32_t SystemRandom32() {
  uint32_t v = 0;
  while (v == 0) {
    // The library's device reads the same kernel source when the call itself is missing.
    if (!FillFromSystem(&v, sizeof v)) v = std::random_device{}();
  }
  return v;
}

Rng::Rng(uint64_t seed) {
  for (auto& word : s_) word = SplitMix(seed);
}

Rng Rng::FromSystem() {
  Rng rng;
  if (!FillFromSystem(rng.s_.data(), sizeof rng.s_)) rng = Rng(0);
  // The all-zero state is the one xoshiro cannot leave.
  if (rng.s_ == std::array<uint64_t, 4>{}) rng.s_[0] = 1;
  return rng;
}

uint64_t Rng::Next() {
  const uint64_t result = Rotl(s_[1] * 5, 7) * 9;
  const uint64_t t = s_[1] << 17;
  s_[2] ^= s_[0];
  s_[3] ^= s_[1];
  s_[1] ^= s_[2];
  s_[0] ^= s_[3];
  s_[2] ^= t;
  s_[3] = Rotl(s_[3], 45);
  return result;
}

uint32_t Rng::Below(uint32_t bound) {
  // Rejection keeps every value equally likely.
  const uint32_t limit = UINT32_MAX - UINT32_MAX % bound;
  for (;;) {
    const auto v = static_cast<uint32_t>(Next() >> 32);
    if (v < limit) return v % bound;
  }
}

WallTiles FullSet() {
  WallTiles tiles{};
  int at = 0;
  for (int kind = 0; kind < kKinds; ++kind)
    for (int c = 0; c < kCopies; ++c) tiles[at++] = TileOf(kind);
  return tiles;
}

WallTiles ShuffledWall(Rng& rng) {
  WallTiles tiles = FullSet();
  for (int i = kWallTiles - 1; i > 0; --i) {
    const auto j = rng.Below(static_cast<uint32_t>(i + 1));
    std::swap(tiles[i], tiles[j]);
  }
  return tiles;
}

bool IsCompleteSet(const WallTiles& tiles) {
  TileCounts counts{};
  for (TileCode t : tiles) {
    const int kind = KindOf(t);
    if (kind < 0 || ++counts[kind] > kCopies) return false;
  }
  return true;
}

TileCode Wall::DrawFront() { return Empty() ? 0 : tiles_[front_++]; }
TileCode Wall::DrawBack() { return Empty() ? 0 : tiles_[back_--]; }

namespace {
int ParseTileToken(std::string_view token) {
  if (token.size() == 2 &&
      (token[0] == 'b' || token[0] == 'd' || token[0] == 'B' || token[0] == 'D') &&
      token[1] >= '1' && token[1] <= '9') {
    const int suit = (token[0] == 'b' || token[0] == 'B') ? kSuitBamboo : kSuitDots;
    return (suit << 4) | (token[1] - '0');
  }
  if (token.size() > 2 && token[0] == '0' && (token[1] == 'x' || token[1] == 'X'))
    token.remove_prefix(2);
  if (token.empty() || token.size() > 2) return -1;
  int value = 0;
  for (char c : token) {
    const int digit = std::isdigit(static_cast<unsigned char>(c))
                          ? c - '0'
                          : (std::isxdigit(static_cast<unsigned char>(c))
                                 ? std::tolower(static_cast<unsigned char>(c)) - 'a' + 10
                                 : -1);
    if (digit < 0) return -1;
    value = value * 16 + digit;
  }
  return value;
}
}  // namespace

WallFile ParseWallFile(std::string_view text) {
  WallFile out;
  WallTiles current{};
  int filled = 0;
  int line = 1;
  size_t i = 0;
  while (i < text.size()) {
    const char c = text[i];
    if (c == '\n') {
      ++line;
      ++i;
      continue;
    }
    if (c == '#') {
      while (i < text.size() && text[i] != '\n') ++i;
      continue;
    }
    if (std::isspace(static_cast<unsigned char>(c)) || c == ',') {
      ++i;
      continue;
    }
    size_t end = i;
    while (end < text.size() && !std::isspace(static_cast<unsigned char>(text[end])) &&
           text[end] != ',' && text[end] != '#')
      ++end;
    const std::string_view token = text.substr(i, end - i);
    i = end;
    const int code = ParseTileToken(token);
    if (code < 0 || !IsPlayTile(static_cast<TileCode>(code))) {
      out.error = "line " + std::to_string(line) + ": \"" + std::string(token.substr(0, 16)) +
                  "\" is not a bamboo or dots tile";
      out.walls.clear();
      return out;
    }
    current[filled++] = static_cast<TileCode>(code);
    if (filled == kWallTiles) {
      if (!IsCompleteSet(current)) {
        out.error = "wall " + std::to_string(out.walls.size() + 1) +
                    " does not hold each tile exactly four times";
        out.walls.clear();
        return out;
      }
      out.walls.push_back(current);
      filled = 0;
    }
  }
  if (filled != 0) {
    out.error = "the last wall has " + std::to_string(filled) + " tiles, not 72";
    out.walls.clear();
  } else if (out.walls.empty()) {
    out.error = "no wall in the file";
  }
  return out;
}

}  // namespace korvel::server
