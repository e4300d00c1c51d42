#include "rules/hand.h"

namespace korvel::server {

int Hand::Count(TileCode t) const {
  const int kind = KindOf(t);
  return kind < 0 ? 0 : concealed[kind];
}

bool Hand::Add(TileCode t) {
  const int kind = KindOf(t);
  if (kind < 0 || concealed[kind] >= kCopies) return false;
  ++concealed[kind];
  return true;
}

bool Hand::Remove(TileCode t, int n) {
  const int kind = KindOf(t);
  if (kind < 0 || concealed[kind] < n) return false;
  concealed[kind] = static_cast<uint8_t>(concealed[kind] - n);
  if (drawn == t && concealed[kind] == 0) drawn = 0;
  return true;
}

bool Hand::AddMeld(const Meld& meld) {
  if (meldCount >= static_cast<int>(melds.size())) return false;
  melds[meldCount++] = meld;
  return true;
}

TileCounts Hand::AllCounts() const {
  TileCounts all = concealed;
  for (int i = 0; i < meldCount; ++i) {
    const int kind = KindOf(melds[i].tile);
    if (kind >= 0) all[kind] = static_cast<uint8_t>(all[kind] + (melds[i].IsGang() ? 4 : 3));
  }
  return all;
}

int Hand::GangCount() const {
  int n = 0;
  for (int i = 0; i < meldCount; ++i) n += melds[i].IsGang() ? 1 : 0;
  return n;
}

int Hand::PengOf(TileCode t) const {
  for (int i = 0; i < meldCount; ++i)
    if (melds[i].kind == MeldKind::Peng && melds[i].tile == t) return i;
  return -1;
}

TileList Hand::ClientOrder() const {
  TileCounts rest = concealed;
  const int drawnKind = KindOf(drawn);
  const bool keepDrawnLast = drawnKind >= 0 && rest[drawnKind] > 0;
  if (keepDrawnLast) --rest[drawnKind];
  TileList out = SortedForClient(rest);
  if (keepDrawnLast) out.push_back(drawn);
  return out;
}

}  // namespace korvel::server
