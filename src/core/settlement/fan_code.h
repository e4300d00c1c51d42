// The four-byte code the server sends with every win report to say which winning pattern and
// which bonuses apply, and the words the score board shows for it.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace korvel {

struct FanCode {
  std::array<uint8_t, 4> bytes{};

  bool Empty() const { return bytes == std::array<uint8_t, 4>{}; }
  bool operator==(const FanCode&) const = default;
};

// Hand shapes in the low three bits of byte 3.
enum FanShape : int { kShapePlain = 1, kShapeAllPungs = 2, kShapeSevenPairs = 4 };

// How the winning tile came (low nibble of byte 1).
enum FanManner : int {
  kMannerPlain = 0,
  kMannerKongReplacement = 1,
  kMannerRobbedKong = 2,
  kMannerAfterKongDiscard = 4,
};

constexpr int LowNibble(uint8_t b) { return b & 0x0F; }
constexpr int HighNibble(uint8_t b) { return b >> 4; }

// Number of four-of-a-kind roots: two parts, each with its own reading of the nibble.
constexpr int RootCount(const FanCode& f) {
  const int first = HighNibble(f.bytes[1]) == 4 ? 3 : HighNibble(f.bytes[1]);
  const int low = LowNibble(f.bytes[2]);
  const int second = low == 4 ? 3 : (low == 8 ? 4 : low);
  return first + second;
}
constexpr int ShapeOf(const FanCode& f) { return f.bytes[3] & 0x07; }
constexpr int MannerOf(const FanCode& f) { return LowNibble(f.bytes[1]); }
constexpr bool OneSuit(const FanCode& f) { return (f.bytes[3] & 0x10) != 0; }
constexpr bool DeclaredReady(const FanCode& f) { return LowNibble(f.bytes[3]) >= 8; }
constexpr bool KanchanTwoBamboo(const FanCode& f) { return HighNibble(f.bytes[3]) >= 2; }
constexpr bool LastTileOfWall(const FanCode& f) { return LowNibble(f.bytes[0]) == 1; }
// 1 heavenly win, 2 first-turn win, anything else neither.
constexpr int EarlyWinOf(const FanCode& f) { return HighNibble(f.bytes[2]); }

// Where a shape word is shown; each place spells some words with its own spacing.
enum class ShapeWords {
  DiscardWin,   // a win on a discard, and the discarder's line
  SelfDrawn,    // a win on the winner's own draw, and the payers' lines
  CheckFirst,   // the ready hand in the check's first layout
  CheckSecond,  // the ready hand in the check's second layout
};

// The shape word of `f` in that place; empty for a shape the board has no word for.
std::string ShapeText(const FanCode& f, ShapeWords where);
// "(n 归)" after the shape word (the check layouts add two spaces); empty without roots. A
// seven-pairs hand spends its first root on the word "豪".
std::string RootSuffix(const FanCode& f, ShapeWords where);
// Shape word and root suffix together, as every amount line starts.
inline std::string HandText(const FanCode& f, ShapeWords where) {
  return ShapeText(f, where) + RootSuffix(f, where);
}

}  // namespace korvel
