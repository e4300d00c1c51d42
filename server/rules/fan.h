// Fan codes and hand values. A win is worth 2^fan base-stake units, fan capped at kMaxFan.
//
// The four bytes of a fan code, as the client reads them:
//   byte 0  low nibble 1: won with the last tile of the wall
//   byte 1  low nibble: manner (1 replacement tile after a gang, 2 robbing a gang, 4 a discard
//           right after a gang); high nibble: roots from gangs, one bit per count (1, 2, 4)
//   byte 2  low nibble: the other roots, one bit per count (1, 2, 4, 8); high nibble: 1
//           heavenly win, 2 first-turn win
//   byte 3  bits 0..2 shape (1 plain, 2 all pungs, 4 seven pairs); bit 3 declared ready;
//           bit 4 one suit; bit 5 the kanchan two of bamboo
#pragma once

#include <array>
#include <cstdint>

#include "rules/hand.h"

namespace korvel::server {

struct FanCode {
  std::array<uint8_t, 4> bytes{};
  bool operator==(const FanCode&) const = default;
};

enum class WinManner : uint8_t { Plain = 0, Replacement = 1, RobbedGang = 2, AfterGang = 4 };
enum class FirstWin : uint8_t { None = 0, Heavenly = 1, FirstTurn = 2 };
enum class HandShape : uint8_t { None = 0, Plain = 1, AllPungs = 2, SevenPairs = 4 };

// Fan per element of a hand.
inline constexpr int kFanAllPungs = 1;
inline constexpr int kFanSevenPairs = 2;
inline constexpr int kFanOneSuit = 2;
inline constexpr int kFanPerRoot = 1;
inline constexpr int kFanManner = 1;  // replacement tile, robbing a gang, discard after a gang
inline constexpr int kFanHeavenly = 3;
inline constexpr int kFanFirstTurn = 2;
inline constexpr int kFanLastTile = 1;
inline constexpr int kFanKanchanTwo = 1;
inline constexpr int kFanDeclared = 1;  // declaring ready doubles
inline constexpr int kMaxFan = 6;

struct WinContext {
  TileCode winTile = 0;
  WinManner manner = WinManner::Plain;
  FirstWin first = FirstWin::None;
  bool lastTile = false;
  bool declared = false;
};

struct WinValue {
  FanCode code;
  HandShape shape = HandShape::None;
  int fan = 0;
  int units = 0;  // 2^min(fan, kMaxFan)
  int roots = 0;
  bool oneSuit = false;
  bool kanchan = false;
};

// Values a complete hand (the winning tile already among the concealed tiles). A hand that
// does not win gets shape None and zero units.
WinValue EvaluateWin(const Hand& hand, const WinContext& context);
// The best value a ready hand of 3k + 1 tiles can reach on any of its waits, as a plain win on
// a discard (the check at the wall's end pays this). Zero units when the hand is not ready.
WinValue BestWaitValue(const Hand& hand, bool declared);

// The root count the client reads back from a fan code.
int RootCountOf(const FanCode& code);
int UnitsForFan(int fan);

}  // namespace korvel::server
