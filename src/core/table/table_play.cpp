#include "table/table_play.h"

#include "app/client.h"

namespace korvel {

// Dealing, discards, offers and operation results are filled in as the table is built.
void TablePlay::OnDealTiles(CommandInfo&, int) {}
void TablePlay::OnDiscard(CommandInfo&) {}
void TablePlay::OnDealStart(CommandInfo&) { client_.records().ReleaseHeld(); }
void TablePlay::OnTurn(CommandInfo&) {}
void TablePlay::OnOperationResult(CommandInfo&) {}
void TablePlay::OnFollowUpResult(CommandInfo&) {}

}  // namespace korvel
