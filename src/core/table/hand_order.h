// The order a seat keeps its concealed tiles in, and the searches over a sorted hand that the
// claims need: the pair for a peng and the gang candidates. Pure functions of one PlayerRecord;
// TablePlay adds the display.
#pragma once

#include <array>
#include <cstdint>

#include "net/records.h"
#include "model/player_record.h"

namespace korvel {

// The concealed slots of a record as a half-open range, cut to the 18 slots so that a counter
// that went wrong can never index outside the record.
struct SlotRange {
  int first = 0;
  int end = 0;  // one past the last
  int size() const { return end > first ? end - first : 0; }
  bool Contains(int slot) const { return slot >= first && slot < end; }
};
SlotRange ConcealedSlots(const PlayerRecord& p);
// `count` slots from handStart, cut the same way.
SlotRange SlotsFrom(const PlayerRecord& p, int count);

// True when `a` goes before `b` in a hand: dots, characters, bamboo, honours; rank upwards.
constexpr bool HandOrderBefore(int a, int b) {
  const int suitA = (a >> 4) & 0x0F, suitB = (b >> 4) & 0x0F;
  if (suitA != suitB) return suitA > suitB;
  return (a & 0x0F) < (b & 0x0F);
}

// Orders the codes of the first `count` concealed slots; kind and element stay with their slot.
void SortHand(PlayerRecord& p, int count);

// The first concealed slot k with code(k) = code(k + 1) = tile, or -1.
int FindPengPair(const PlayerRecord& p, TileCode tile);

// What a gang candidate stands for.
enum class GangKind : int16_t {
  None = 0,
  Added = 2,      // the fourth tile added to a peng (or a Red dragon on its own)
  OnDiscard = 3,  // three concealed tiles and the discard
  Concealed = 4,  // four concealed tiles
};

inline constexpr int kGangChoiceSlots = 10;
// Where the option record keeps its gang candidate lists.
namespace opt {
inline constexpr size_t kConcealedGangTiles = 13;
inline constexpr size_t kConcealedGangCount = 36;
inline constexpr size_t kAddedGangCount = 46;
inline constexpr size_t kAddedGangTiles = 47;
}  // namespace opt

struct GangCandidates {
  std::array<int16_t, kGangChoiceSlots> slots{};
  int count = 0;
  GangKind firstKind = GangKind::None;
};

// The gang candidates of the local hand for the offered bits, in the order added gangs, the
// gang on the discard, concealed gangs; the lists come from the option record.
GangCandidates FindGangCandidates(const PlayerRecord& p, uint8_t offeredOps, TileCode offerTile,
                                  const RecordBytes& optionRecord);

// Which gang the candidate at slot k stands for; None when no rule applies or k is not a
// concealed slot.
GangKind ResolveGang(const PlayerRecord& p, int k, uint8_t offeredOps);

}  // namespace korvel
