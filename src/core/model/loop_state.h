// The main loop's step flags and tick counters, and the deal-phase flags other subsystems test.
#pragma once

#include <array>
#include <cstdint>
#include <string>

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

// The clock label's two colours.
inline constexpr uint32_t kClockGreen = 0x00FF00;
inline constexpr uint32_t kClockRed = 0xFF0000;

// Starting and stopping the 50 ms loop; the main loop implements it.
class LoopControl {
 public:
  virtual ~LoopControl() = default;
  virtual void Start() = 0;
  virtual void Stop() = 0;
  virtual bool Running() const = 0;
};

struct LoopState {
  std::array<bool, kLoopSteps> LoopFlag{};
  std::array<int, kLoopSteps> LoopCount{};
  bool InDeal = false;
  bool BetweenDeals = false;
  bool TableActive = false;  // the table takes the local player's actions; the clock may run

  // Counters and marks the loop's steps work on and the handlers set.
  int32_t SilenceCount = 0;
  int16_t TurnClock = 0;
  bool LocalTurn = false;
  int16_t TileBlinkCount = 0;
  int16_t PrevBlinkElement = -1;
  int16_t ChatBlinkCount = 0;
  bool WordsShown = false;
  int16_t WordsSeat = 0;
  bool PropsPolling = false;
  bool TableCleared = false;
  bool ShuffleArmed = false;
  bool ShufflePending = false;
  bool ShuffleShown = false;
  int ShuffleStep = 0;

  // What the clock label shows.
  std::string ClockCaption;
  uint32_t ClockColour = kClockGreen;
  bool ClockShown = false;

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
