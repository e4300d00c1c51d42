#include "app/client.h"

namespace korvel {

void TablePlay::OnDealStart(CommandInfo&) { client_.records().ReleaseHeld(); }

}  // namespace korvel
