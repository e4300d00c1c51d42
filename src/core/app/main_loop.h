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

class MainLoop {
 public:
  explicit MainLoop(Client& client);

  void Start();
  void Stop();
  bool Running() const;
  void Tick();

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
