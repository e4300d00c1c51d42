// Getting the connection back after it dropped, without the user's help.
#pragma once

#include "net/records.h"

namespace korvel {

class Client;

class Reconnection {
 public:
  explicit Reconnection(Client& client) : client_(client) {}
  // The connection watch saw the socket go down while reconnecting is allowed.
  void Start();
  // Command 29.
  void OnReconnectResult(CommandInfo& info, const RecordBytes& record);

  bool Reconnected = false;  // the connection has been re-established at least once

 private:
  Client& client_;
};

}  // namespace korvel
