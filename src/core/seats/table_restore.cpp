#include "seats/table_restore.h"

namespace korvel {

void TableRestore::OnRestore(CommandInfo&) {}

}  // namespace korvel
