// One readable line per record for the --trace file: the command by name and the fields that
// command carries.
#pragma once

#include <string>

#include "net/records.h"

namespace korvel::server {

enum class TraceDirection { In, Out };
std::string DescribeRecord(const RecordBytes& record, TraceDirection direction);

}  // namespace korvel::server
