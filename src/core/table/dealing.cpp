#include "app/client.h"

namespace korvel {

void TablePlay::OnDealTiles(CommandInfo&, int) {}
void TablePlay::OnTiles(int, int, const std::array<int16_t, 4>&) {}

}  // namespace korvel
