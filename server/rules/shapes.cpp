#include "rules/shapes.h"

#include <algorithm>

namespace korvel::server {

namespace {

bool SuitIsSetsOnly(std::array<uint8_t, 9> c) {
  for (int i = 0; i < 9; ++i) {
    // Three equal sequences are three pungs, so taking the pung first never loses a split.
    if (c[i] >= 3) c[i] = static_cast<uint8_t>(c[i] - 3);
    const uint8_t runs = c[i];
    if (runs == 0) continue;
    if (i > 6 || c[i + 1] < runs || c[i + 2] < runs) return false;
    c[i] = 0;
    c[i + 1] = static_cast<uint8_t>(c[i + 1] - runs);
    c[i + 2] = static_cast<uint8_t>(c[i + 2] - runs);
  }
  return true;
}

std::array<uint8_t, 9> SuitOf(const TileCounts& counts, int firstKind) {
  std::array<uint8_t, 9> c{};
  for (int i = 0; i < 9; ++i) c[i] = counts[firstKind + i];
  return c;
}

}  // namespace

bool IsSetsOnly(const TileCounts& counts) {
  return SuitIsSetsOnly(SuitOf(counts, 0)) && SuitIsSetsOnly(SuitOf(counts, 9));
}

bool IsStandardWin(const TileCounts& concealed, int melds) {
  if (melds < 0 || melds > 4) return false;
  std::array<uint8_t, 9> a = SuitOf(concealed, 0);
  std::array<uint8_t, 9> b = SuitOf(concealed, 9);
  int na = 0, nb = 0;
  for (int i = 0; i < 9; ++i) na += a[i], nb += b[i];
  if (na + nb != 3 * (4 - melds) + 2) return false;
  // Sets never cross suits, so the pair lies in the suit that has two tiles over and the
  // other suit splits into sets alone.
  if (nb % 3 == 2) std::swap(a, b);
  if (!SuitIsSetsOnly(b)) return false;
  for (int i = 0; i < 9; ++i) {
    if (a[i] < 2) continue;
    a[i] = static_cast<uint8_t>(a[i] - 2);
    const bool ok = SuitIsSetsOnly(a);
    a[i] = static_cast<uint8_t>(a[i] + 2);
    if (ok) return true;
  }
  return false;
}

bool IsSevenPairs(const TileCounts& concealed, int melds) {
  if (melds != 0 || CountTiles(concealed) != 14) return false;
  return std::all_of(concealed.begin(), concealed.end(), [](uint8_t c) { return c % 2 == 0; });
}

bool IsWinningShape(const TileCounts& concealed, int melds) {
  return IsStandardWin(concealed, melds) || IsSevenPairs(concealed, melds);
}

TileList WaitsOf(const Hand& hand) {
  TileList waits;
  if (hand.ConcealedCount() % 3 != 1) return waits;
  const TileCounts all = hand.AllCounts();
  TileCounts c = hand.concealed;
  for (int kind = 0; kind < kKinds; ++kind) {
    if (all[kind] >= kCopies) continue;
    ++c[kind];
    if (IsWinningShape(c, hand.meldCount)) waits.push_back(TileOf(kind));
    --c[kind];
  }
  return waits;
}

TileList ReadyDiscardsOf(const Hand& hand) {
  TileList out;
  if (!hand.MustDiscard()) return out;
  for (int kind = 0; kind < kKinds; ++kind) {
    if (hand.concealed[kind] == 0) continue;
    Hand rest = hand;
    rest.Remove(TileOf(kind));
    if (IsReady(rest)) out.push_back(TileOf(kind));
  }
  return out;
}

namespace {

uint32_t SuitKey(const std::array<uint8_t, 9>& c) {
  uint32_t key = 0;
  for (int i = 0; i < 9; ++i) key = key * 5 + std::min<uint8_t>(c[i], 4);
  return key;
}

}  // namespace

// The first tile of the suit either forms a set, a pair (the head or a partial set), a partial
// set with a neighbour, or stays alone; whatever it does, the rest is again a suit pattern, whose
// table is looked up (and made once). So each pattern costs a handful of look-ups instead of a
// search through every split of its tiles.
const ShantenCalculator::SuitTable& ShantenCalculator::Pattern(const std::array<uint8_t, 9>& c) {
  const uint32_t key = SuitKey(c);
  if (auto it = cache_.find(key); it != cache_.end()) return it->second;
  SuitTable table;
  for (auto& row : table.bestPartials) row.fill(-1);
  int i = 0;
  while (i < 9 && c[i] == 0) ++i;
  if (i == 9) {
    table.bestPartials[0][0] = 0;
    return cache_.emplace(key, table).first->second;
  }
  // The rest after taking `take` tiles at i + d for each d, adding a head, sets and partials.
  auto add = [&](std::array<uint8_t, 3> take, int head, int sets, int partials) {
    std::array<uint8_t, 9> rest = c;
    // Near the end of the suit only the tiles that exist are taken.
    for (int d = 0; d < 3 && i + d < 9; ++d) {
      rest[i + d] = static_cast<uint8_t>(rest[i + d] - take[d]);
    }
    const SuitTable& sub = Pattern(rest);
    for (int p = 0; p + head < 2; ++p) {
      for (int m = 0; m + sets <= 4; ++m) {
        const int8_t found = sub.bestPartials[p][m];
        if (found < 0) continue;
        const auto total = static_cast<int8_t>(std::min(found + partials, 8));
        int8_t& best = table.bestPartials[p + head][m + sets];
        best = std::max(best, total);
      }
    }
  };
  if (c[i] >= 3) add({3, 0, 0}, 0, 1, 0);
  if (i <= 6 && c[i + 1] && c[i + 2]) add({1, 1, 1}, 0, 1, 0);
  if (c[i] >= 2) {
    add({2, 0, 0}, 1, 0, 0);
    add({2, 0, 0}, 0, 0, 1);
  }
  if (i <= 7 && c[i + 1]) add({1, 1, 0}, 0, 0, 1);
  if (i <= 6 && c[i + 2]) add({1, 0, 1}, 0, 0, 1);
  add({1, 0, 0}, 0, 0, 0);  // the tile stays alone
  return cache_.emplace(key, table).first->second;
}

const ShantenCalculator::SuitTable& ShantenCalculator::Suit(const TileCounts& counts,
                                                            int firstKind) {
  std::array<uint8_t, 9> c = SuitOf(counts, firstKind);
  for (auto& n : c) n = std::min<uint8_t>(n, 4);
  // Bots ask about the same few patterns over and over (one suit changes while the other
  // stays), so a small table of recent answers spares most look-ups in the large one.
  const uint32_t key = SuitKey(c);
  Recent& recent = recent_[(key * 2654435761u) >> (32 - kRecentBits)];
  if (recent.table && recent.key == key) return *recent.table;
  // Bound the memory: distinct patterns are few in practice, but a long run must not grow
  // without limit. Only here, never while a pattern's table is being made from others.
  if (cache_.size() > 400000) {
    cache_.clear();
    recent_.fill({});
  }
  const SuitTable& table = Pattern(c);
  recent = {key, &table};
  return table;
}

int ShantenCalculator::StandardShanten(const TileCounts& concealed, int melds) {
  const SuitTable& a = Suit(concealed, 0);
  const SuitTable& b = Suit(concealed, 9);
  int best = 8;
  for (int pa = 0; pa < 2; ++pa) {
    for (int pb = 0; pb + pa < 2; ++pb) {
      for (int ma = 0; ma < 5; ++ma) {
        const int ta = a.bestPartials[pa][ma];
        if (ta < 0) continue;
        for (int mb = 0; ma + mb + melds <= 4; ++mb) {
          const int tb = b.bestPartials[pb][mb];
          if (tb < 0) continue;
          const int sets = ma + mb + melds;
          const int partials = std::min(ta + tb, 4 - sets);
          best = std::min(best, 8 - 2 * sets - partials - pa - pb);
        }
      }
    }
  }
  return best;
}

int ShantenCalculator::SevenPairsShanten(const TileCounts& concealed, int melds) {
  if (melds != 0) return 8;
  int pairs = 0;
  for (uint8_t c : concealed) pairs += c / 2;
  return 6 - std::min(pairs, 7);
}

int ShantenCalculator::Shanten(const TileCounts& concealed, int melds) {
  return std::min(StandardShanten(concealed, melds), SevenPairsShanten(concealed, melds));
}

}  // namespace korvel::server
