// Tiles, seats and views: the vocabulary every handler uses to talk about the table.
#pragma once

#include <cstdint>

namespace korvel {

// A tile is one byte: one suit bit in the high nibble, the rank 1..9 in the low nibble.
using TileCode = uint8_t;

inline constexpr uint8_t kSuitHonours = 0x1;
inline constexpr uint8_t kSuitBamboo = 0x2;
inline constexpr uint8_t kSuitCharacters = 0x4;
inline constexpr uint8_t kSuitDots = 0x8;
inline constexpr TileCode kRedDragon = 0x15;

// Markers the client puts in bits 12..15 of the tiles it sends.
inline constexpr uint16_t kOperationMarker = 0x2000;
inline constexpr uint16_t kDiscardMarker = 0x4000;

// Bit number by halving: 0 and 1 both give 0, so a malformed value never indexes out of range.
constexpr int HalvingBitNumber(int value) {
  int n = 0;
  while (value > 1) {
    value /= 2;
    ++n;
  }
  return n;
}

constexpr int SuitIndexOf(TileCode code) { return HalvingBitNumber(code >> 4); }
constexpr int RankOf(TileCode code) { return code & 0x0F; }
// 0..35 inside a block of tile pictures (a malformed rank 0 clamps to the suit's first key).
constexpr int TileKeyOf(TileCode code) {
  int rank = RankOf(code);
  return 9 * SuitIndexOf(code) + (rank > 0 ? rank - 1 : 0);
}

// Seat masks 1, 2, 4 on the wire; seat indices 0, 1, 2.
constexpr int SeatIndexOf(int mask) { return HalvingBitNumber(mask); }
constexpr int MaskOf(int index) { return 1 << index; }

// Screen position of a seat: 0 the local player at the bottom, 1 left, 2 right.
using ViewPos = int;
inline constexpr int kSeats = 3;

constexpr ViewPos ViewOfIndex(int localIndex, int seatIndex) {
  return ((localIndex + 3 - seatIndex) % 3 + 3) % 3;
}
constexpr ViewPos ViewOf(int localMask, int seatMask) {
  return ViewOfIndex(SeatIndexOf(localMask), SeatIndexOf(seatMask));
}

constexpr uint16_t WireTile(int code, uint16_t marker) {
  return static_cast<uint16_t>((code & 0x0FFF) | marker);
}

enum OpCode : uint8_t {
  OpReady = 0,
  OpPass = 1,
  OpChi = 4,
  OpPeng = 8,
  OpGang = 16,
  OpConcealedGang = 32,
  OpAddedGang = 64,
  OpHu = 128,
};

enum class SlotKind : int16_t {
  Empty = 0,
  Concealed = 1,
  Chi = 2,
  Peng = 3,
  Gang = 4,
  ConcealedGang = 5,
  AddedGang = 6,
};

}  // namespace korvel
