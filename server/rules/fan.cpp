#include "rules/fan.h"

#include <algorithm>

#include "rules/shapes.h"

namespace korvel::server {

namespace {

bool IsAllPungs(const Hand& hand) {
  // Melds are pungs or gangs already; the concealed part must be pungs and one pair.
  int pairs = 0;
  for (uint8_t c : hand.concealed) {
    if (c == 2) {
      ++pairs;
    } else if (c != 0 && c != 3) {
      return false;
    }
  }
  return pairs == 1 && IsStandardWin(hand.concealed, hand.meldCount);
}

// The two of bamboo won as the middle of one-two-three of bamboo.
bool IsKanchanTwo(const Hand& hand, TileCode winTile) {
  if (winTile != kTwoBamboo || hand.meldCount > 3) return false;
  TileCounts c = hand.concealed;
  for (int kind : {0, 1, 2}) {
    if (c[kind] == 0) return false;
    --c[kind];
  }
  return IsStandardWin(c, hand.meldCount + 1);
}

uint8_t OneBitCount(int n) { return n <= 0 ? 0 : static_cast<uint8_t>(1 << (n - 1)); }

}  // namespace

int UnitsForFan(int fan) { return 1 << std::clamp(fan, 0, kMaxFan); }

int RootCountOf(const FanCode& code) {
  const int first = code.bytes[1] >> 4;
  const int second = code.bytes[2] & 0x0F;
  const int a = first == 4 ? 3 : first;
  const int b = second == 4 ? 3 : (second == 8 ? 4 : second);
  return a + b;
}

WinValue EvaluateWin(const Hand& hand, const WinContext& context) {
  WinValue v;
  const bool standard = IsStandardWin(hand.concealed, hand.meldCount);
  const bool sevenPairs = IsSevenPairs(hand.concealed, hand.meldCount);
  if (!standard && !sevenPairs) return v;

  // Choose the reading worth most: seven pairs, all pungs, or plain (with the kanchan two).
  int shapeFan = 0;
  if (sevenPairs) {
    v.shape = HandShape::SevenPairs;
    shapeFan = kFanSevenPairs;
  }
  if (standard) {
    const bool pungs = IsAllPungs(hand);
    const bool kanchan = IsKanchanTwo(hand, context.winTile);
    const int standardFan = pungs ? kFanAllPungs : (kanchan ? kFanKanchanTwo : 0);
    if (v.shape == HandShape::None || standardFan > shapeFan) {
      v.shape = pungs ? HandShape::AllPungs : HandShape::Plain;
      v.kanchan = !pungs && kanchan;
      shapeFan = standardFan;
    }
  }

  const TileCounts all = hand.AllCounts();
  bool bamboo = false, dots = false;
  for (int kind = 0; kind < kKinds; ++kind) {
    if (all[kind] == 0) continue;
    (SuitOfKind(kind) == 0 ? bamboo : dots) = true;
    if (all[kind] == kCopies) ++v.roots;
  }
  v.oneSuit = bamboo != dots;

  int fan = shapeFan + v.roots * kFanPerRoot;
  if (v.oneSuit) fan += kFanOneSuit;
  if (context.manner != WinManner::Plain) fan += kFanManner;
  if (context.first == FirstWin::Heavenly) fan += kFanHeavenly;
  if (context.first == FirstWin::FirstTurn) fan += kFanFirstTurn;
  if (context.lastTile) fan += kFanLastTile;
  if (context.declared) fan += kFanDeclared;
  v.fan = fan;
  v.units = UnitsForFan(fan);

  // Gang roots fill the first count (at most three fit there), the rest go to the second.
  const int gangRoots = std::min(hand.GangCount(), 3);
  const int otherRoots = std::min(v.roots - gangRoots, 4);
  v.code.bytes[0] = context.lastTile ? 1 : 0;
  v.code.bytes[1] =
      static_cast<uint8_t>(static_cast<uint8_t>(context.manner) | OneBitCount(gangRoots) << 4);
  v.code.bytes[2] =
      static_cast<uint8_t>(OneBitCount(otherRoots) | static_cast<uint8_t>(context.first) << 4);
  v.code.bytes[3] =
      static_cast<uint8_t>(static_cast<uint8_t>(v.shape) | (context.declared ? 0x08 : 0) |
                           (v.oneSuit ? 0x10 : 0) | (v.kanchan ? 0x20 : 0));
  return v;
}

WinValue BestWaitValue(const Hand& hand, bool declared) {
  WinValue best;
  for (TileCode wait : WaitsOf(hand)) {
    Hand complete = hand;
    complete.Add(wait);
    WinContext context;
    context.winTile = wait;
    context.declared = declared;
    const WinValue v = EvaluateWin(complete, context);
    if (v.units > best.units || (v.units == best.units && v.fan > best.fan)) best = v;
  }
  return best;
}

}  // namespace korvel::server
