#include "seats/auto_play.h"

#include "app/client.h"

namespace korvel {

// Until time-out play is built the clock simply stops; the server plays for a silent seat.
void AutoPlay::OnLocalTimeout() {
  client_.mainLoop().HideClock();
  client_.mainLoop().TurnClock = static_cast<int16_t>(client_.TurnTime);
  client_.loop().LoopFlag[kStepTurnClock] = false;
}

}  // namespace korvel
