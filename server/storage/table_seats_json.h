// A table's three seats travel between processes as one JSON text column, the same for both
// engines.
#pragma once

#include <array>
#include <string>
#include <string_view>

#include "storage/storage.h"

namespace korvel::server {

std::string SeatsToJson(const std::array<TableSeatRow, 3>& seats);
// Anything unreadable gives three free seats.
std::array<TableSeatRow, 3> SeatsFromJson(std::string_view text);

}  // namespace korvel::server
