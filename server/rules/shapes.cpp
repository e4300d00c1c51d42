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
  if (melds < 0 || melds > 4 || CountTiles(concealed) != 3 * (4 - melds) + 2) return false;
  TileCounts c = concealed;
  for (int kind = 0; kind < kKinds; ++kind) {
    if (c[kind] < 2) continue;
    c[kind] = static_cast<uint8_t>(c[kind] - 2);
    const bool ok = IsSetsOnly(c);
    c[kind] = static_cast<uint8_t>(c[kind] + 2);
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

struct SuitSearch {
  std::array<uint8_t, 9> c{};
  std::array<std::array<int8_t, 5>, 2> best{};

  void Record(int pair, int sets, int partials) {
    if (sets > 4) return;
    const auto p = static_cast<int8_t>(std::min(partials, 8));
    if (p > best[pair][sets]) best[pair][sets] = p;
  }

  void Walk(int i, int pair, int sets, int partials) {
    while (i < 9 && c[i] == 0) ++i;
    if (i == 9) {
      Record(pair, sets, partials);
      return;
    }
    if (c[i] >= 3) {
      c[i] -= 3;
      Walk(i, pair, sets + 1, partials);
      c[i] += 3;
    }
    if (i <= 6 && c[i + 1] && c[i + 2]) {
      --c[i], --c[i + 1], --c[i + 2];
      Walk(i, pair, sets + 1, partials);
      ++c[i], ++c[i + 1], ++c[i + 2];
    }
    if (c[i] >= 2) {
      c[i] -= 2;
      if (!pair) Walk(i, 1, sets, partials);
      Walk(i, pair, sets, partials + 1);
      c[i] += 2;
    }
    if (i <= 7 && c[i + 1]) {
      --c[i], --c[i + 1];
      Walk(i, pair, sets, partials + 1);
      ++c[i], ++c[i + 1];
    }
    if (i <= 6 && c[i + 2]) {
      --c[i], --c[i + 2];
      Walk(i, pair, sets, partials + 1);
      ++c[i], ++c[i + 2];
    }
    // The tile stays alone.
    --c[i];
    Walk(i, pair, sets, partials);
    ++c[i];
  }
};

}  // namespace

const ShantenCalculator::SuitTable& ShantenCalculator::Suit(const TileCounts& counts,
                                                            int firstKind) {
  uint32_t key = 0;
  for (int i = 0; i < 9; ++i) key = key * 5 + std::min<uint8_t>(counts[firstKind + i], 4);
  if (auto it = cache_.find(key); it != cache_.end()) return it->second;
  // Bound the memory: distinct patterns are few in practice, but a long run must not grow
  // without limit.
  if (cache_.size() > 400000) cache_.clear();
  SuitSearch search;
  search.c = SuitOf(counts, firstKind);
  for (auto& row : search.best) row.fill(-1);
  search.Walk(0, 0, 0, 0);
  SuitTable table;
  table.bestPartials = search.best;
  return cache_.emplace(key, table).first->second;
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
