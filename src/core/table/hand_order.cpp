#include "table/hand_order.h"

#include <algorithm>
#include <utility>

namespace korvel {

SlotRange SlotsFrom(const PlayerRecord& p, int count) {
  const int first = std::clamp<int>(p.handStart, 0, kSlotsPerSeat);
  const int end = std::clamp<int>(p.handStart + std::max(count, 0), first, kSlotsPerSeat);
  return {first, end};
}

SlotRange ConcealedSlots(const PlayerRecord& p) { return SlotsFrom(p, p.handCount); }

void SortHand(PlayerRecord& p, int count) {
  const SlotRange r = SlotsFrom(p, count);
  // A plain exchange sort: hands are at most 14 tiles, and only the codes move.
  for (int i = r.first; i < r.end; ++i) {
    for (int j = i + 1; j < r.end; ++j) {
      if (HandOrderBefore(p.slots[j].code, p.slots[i].code)) {
        std::swap(p.slots[i].code, p.slots[j].code);
      }
    }
  }
}

int FindPengPair(const PlayerRecord& p, TileCode tile) {
  const SlotRange r = ConcealedSlots(p);
  for (int k = r.first; k + 1 < r.end; ++k) {
    if (p.slots[k].code == tile && p.slots[k + 1].code == tile) return k;
  }
  return -1;
}

GangCandidates FindGangCandidates(const PlayerRecord& p, uint8_t offeredOps, TileCode offerTile,
                                  const RecordBytes& optionRecord) {
  GangCandidates found;
  const SlotRange r = ConcealedSlots(p);
  auto append = [&](int slot, GangKind kind) {
    if (found.count >= kGangChoiceSlots) return;
    if (found.count == 0) found.firstKind = kind;
    found.slots[found.count++] = static_cast<int16_t>(slot);
  };
  // A list may claim more tiles than the record holds; reading stops at its end.
  auto listed = [&](size_t countAt, size_t tilesAt, auto&& each) {
    const size_t n = std::min<size_t>(optionRecord[countAt], kRecordSize - tilesAt);
    for (size_t i = 0; i < n; ++i) each(static_cast<TileCode>(optionRecord[tilesAt + i]));
  };

  if (offeredOps & OpAddedGang) {
    listed(opt::kAddedGangCount, opt::kAddedGangTiles, [&](TileCode tile) {
      for (int k = r.first; k < r.end; ++k) {
        if (p.slots[k].code == tile) {
          append(k, GangKind::Added);
          break;
        }
      }
    });
  }
  if (offeredOps & OpGang) {
    for (int k = r.first; k + 2 < r.end; ++k) {
      if (p.slots[k].code == offerTile && p.slots[k + 2].code == offerTile) {
        append(k, GangKind::OnDiscard);
        break;
      }
    }
  }
  if (offeredOps & OpConcealedGang) {
    listed(opt::kConcealedGangCount, opt::kConcealedGangTiles, [&](TileCode tile) {
      for (int k = r.first; k + 3 < r.end; ++k) {
        if (p.slots[k].code == tile) {
          append(k, GangKind::Concealed);
          break;
        }
      }
    });
  }
  return found;
}

GangKind ResolveGang(const PlayerRecord& p, int k, uint8_t offeredOps) {
  const SlotRange r = ConcealedSlots(p);
  if (!r.Contains(k)) return GangKind::None;
  const int e = r.end;
  const int16_t code = p.slots[k].code;
  if (offeredOps & OpAddedGang) {
    // A Red dragon can be added on its own, without a peng of it.
    if (code == kRedDragon) return GangKind::Added;
    const bool alone =
        k + 1 < e ? p.slots[k + 1].code != code : k - 1 < r.first || p.slots[k - 1].code != code;
    if (alone) return GangKind::Added;
  }
  if (k + 3 < e && (offeredOps & OpConcealedGang) && p.slots[k + 3].code == code) {
    return GangKind::Concealed;
  }
  if (k + 2 < e && (offeredOps & OpGang) && p.slots[k + 2].code == code) {
    return GangKind::OnDiscard;
  }
  return GangKind::None;
}

}  // namespace korvel
