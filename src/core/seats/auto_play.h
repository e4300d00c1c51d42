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

 private:
  Client& client_;
};

}  // namespace korvel
