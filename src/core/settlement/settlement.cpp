#include "settlement/settlement.h"

namespace korvel {

void Settlement::OnDealEnd(CommandInfo&) {}
void Settlement::OnSettlement(CommandInfo&) {}
void Settlement::OnWinReport(CommandInfo&) {}
void Settlement::ResetRunningTotals() {}

}  // namespace korvel
