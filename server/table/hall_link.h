// What the tables ask of the hall service around them. Every call returns at once: the service
// answers from memory (the account was read when its seat was reserved) and queues its writes,
// so no turn ever waits on the database. Without a link the tables seat anyone, as a private
// game does.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "storage/storage.h"
#include "table/player_profile.h"
#include "table/server_records.h"

namespace korvel::server {

struct Admission {
  LoginVerdict verdict = LoginVerdict::Refused;
  int tableId = -1;  // the table the key was issued for; -1 lets the hall choose (open play)
  int seat = -1;     // the seat reserved, or the seat to watch
  bool watch = false;
  PlayerProfile profile;
  std::string reason;  // for the log only; the client sees nothing but the verdict
};

// A table the hall service opened; the tables create it on their next tick.
struct TableOrder {
  int id = 0;
  int stake = 10;
  int turnSeconds = 8;
  int computerPlayers = 0;
};

class HallLink {
 public:
  virtual ~HallLink() = default;
  // A login record's account and key, from `address`.
  virtual Admission Admit(std::string_view account, std::string_view key,
                          std::string_view address) = 0;
  virtual std::vector<TableOrder> TakeTableOrders() = 0;
  // A player took its seat: one login counted.
  virtual void Seated(const PlayerProfile& player, int tableId) = 0;
  // The table's seats, coins or watchers changed (the hall lists and announces it).
  virtual void TableChanged(const TableRow& row) = 0;
  virtual void TableClosed(int tableId) = 0;
  // The account no longer sits anywhere in this process.
  virtual void SeatReleased(std::string_view account) = 0;
  virtual void Abandoned(const PlayerProfile& player) = 0;
  virtual uint64_t DealSettled(const DealSettlement& deal) = 0;
  virtual bool Written(uint64_t ticket) = 0;
};

}  // namespace korvel::server
