#include "seats/watching.h"

namespace korvel {

void Watching::OnWatchDealTiles(CommandInfo&, int) {}
void Watching::OnWatchDiscard(CommandInfo&) {}
void Watching::OnWatchOperation(CommandInfo&) {}
void Watching::OnWatchSeats(const std::array<RecordBytes, kSeats>&) {}

}  // namespace korvel
