// A watcher's view of the table: the same records, without hand input.
#pragma once

#include <array>

#include "net/records.h"
#include "table/tiles.h"

namespace korvel {

class Client;

class Watching {
 public:
  explicit Watching(Client& client) : client_(client) {}

  void OnWatchDealTiles(CommandInfo& info, int count);  // commands 1 and 5
  void OnWatchDiscard(CommandInfo& info);               // command 2
  void OnWatchOperation(CommandInfo& info);             // command 7
  // The three players' information records a watcher collected.
  void OnWatchSeats(const std::array<RecordBytes, kSeats>& records);

 private:
  [[maybe_unused]] Client& client_;
};

}  // namespace korvel
