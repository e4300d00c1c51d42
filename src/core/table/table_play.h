// The local player's side of a deal: dealing and drawing, discards, the server's offers and the
// results of operations.
#pragma once

#include "net/records.h"

namespace korvel {

class Client;

class TablePlay {
 public:
  explicit TablePlay(Client& client) : client_(client) {}

  void OnDealTiles(CommandInfo& info, int count);  // commands 1 (four tiles) and 5 (one)
  void OnDiscard(CommandInfo& info);               // command 2
  void OnDealStart(CommandInfo& info);             // command 4
  void OnTurn(CommandInfo& info);                  // command 6
  void OnOperationResult(CommandInfo& info);       // command 7
  void OnFollowUpResult(CommandInfo& info);        // command 15

  int DealCount = 0;

 private:
  Client& client_;
};

}  // namespace korvel
