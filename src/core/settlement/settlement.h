// Win reports, deal results and the settlement of a deal.
#pragma once

#include "net/records.h"

namespace korvel {

class Client;

class Settlement {
 public:
  explicit Settlement(Client& client) : client_(client) {}

  void OnDealEnd(CommandInfo& info);     // command 9
  void OnSettlement(CommandInfo& info);  // command 16
  void OnWinReport(CommandInfo& info);   // command 17
  // The per-position running totals start again at a new login.
  void ResetRunningTotals();

 private:
  [[maybe_unused]] Client& client_;
};

}  // namespace korvel
