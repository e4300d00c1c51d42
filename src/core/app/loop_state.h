// The main loop's step flags and tick counters, and the deal-phase flags other subsystems test.
#pragma once

#include <array>

namespace korvel {

// Step numbers of the 50 ms loop (5 and 9 are unused; the claim words use step 10).
enum LoopStep : int {
  kStepFlush = 1,
  kStepReceive = 2,
  kStepLogin = 3,
  kStepBlink = 4,
  kStepConnectionWatch = 6,
  kStepTurnClock = 7,
  kStepDealEndCountdown = 8,
  kStepClaimWords = 10,
};
inline constexpr int kLoopSteps = 11;

struct LoopState {
  std::array<bool, kLoopSteps> LoopFlag{};
  std::array<int, kLoopSteps> LoopCount{};
  bool InDeal = false;
  bool BetweenDeals = false;
  bool TableActive = false;  // the table takes the local player's actions; the clock may run

  // Another subsystem starts a step by setting its flag and zeroing its counter.
  void Arm(LoopStep step) {
    LoopFlag[step] = true;
    LoopCount[step] = 0;
  }
  void Reset() {
    LoopFlag.fill(false);
    LoopCount.fill(0);
  }
};

}  // namespace korvel
