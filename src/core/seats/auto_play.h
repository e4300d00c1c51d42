// Playing for the local player when the turn clock runs out.
#pragma once

#include <cstdint>

namespace korvel {

class Client;

class AutoPlay {
 public:
  explicit AutoPlay(Client& client) : client_(client) {}
  // The local turn clock ran out.
  void OnLocalTimeout();

  int16_t TimeoutLimit = 0;  // from the login result
  int16_t TimeoutRun = 0;    // time-outs in a row
  bool HiddenByKey = false;  // the hide key took the window away

 private:
  Client& client_;
};

}  // namespace korvel
