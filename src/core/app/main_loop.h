// The 50 ms loop that drives everything that is not a user event: one record out, one record in
// (with the silence watchdog), the login, blinking, the turn clock, the deal-end countdown, the
// connection watch, the claim words and the prop polling.
#pragma once

#include <cstdint>
#include <string>

#include "view/table_view.h"

namespace korvel {

class Client;

inline constexpr int kTickMs = 50;
inline constexpr int kSilenceLimit = 5000;
inline constexpr int kCommandPlayerLeft = 21;
inline constexpr int kCommandContinue = 16;

// The clock label's two colours.
inline constexpr uint32_t kClockGreen = 0x00FF00;
inline constexpr uint32_t kClockRed = 0xFF0000;

class MainLoop : public TableResetParticipant {
 public:
  explicit MainLoop(Client& client);

  void Start();
  void Stop();
  bool Running() const;
  void Tick();
  // A cleared table has no tile left to blink back into view.
  void OnClearTiles() override { PrevBlinkElement = -1; }

  // Loop state other subsystems read and set.
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

  // Shows `seconds` on the clock, green above 5 and red at 5 or less.
  void ShowClock(int seconds);
  void HideClock();

 private:
  void ReceiveStep();
  void SilenceExpired();
  // The continue countdown after a deal still runs and the player has not pressed continue.
  bool ContinueCountdownRunning();
  void BlinkStep();
  void TurnClockStep();
  void DealEndCountdownStep();
  void ConnectionWatchStep();
  void ClaimWordsStep();

  Client& client_;
  bool inTick_ = false;
  bool stopRequested_ = false;
};

}  // namespace korvel
