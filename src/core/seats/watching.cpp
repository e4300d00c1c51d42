#include "seats/watching.h"

namespace korvel {

void Watching::OnWatchDealTiles(CommandInfo&, int) {}
void Watching::OnWatchDiscard(CommandInfo&) {}
void Watching::OnWatchOperation(CommandInfo&) {}

}  // namespace korvel
