// Rebuilding the table from the server's full state after a reconnection.
#pragma once

#include "net/records.h"

namespace korvel {

class Client;

class TableRestore {
 public:
  explicit TableRestore(Client& client) : client_(client) {}
  void OnRestore(CommandInfo& info);  // command 40

 private:
  [[maybe_unused]] Client& client_;
};

}  // namespace korvel
