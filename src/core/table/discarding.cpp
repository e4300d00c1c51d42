#include "app/client.h"

namespace korvel {

void TablePlay::OnTileHover(int) {}
void TablePlay::OnTableHover(double, double) {}
void TablePlay::OnTileClick(int, int) {}
void TablePlay::OnDiscardAnnounced(CommandInfo&) {}
void TablePlay::ShowDiscardDeclaration(ViewPos, int) {}

}  // namespace korvel
