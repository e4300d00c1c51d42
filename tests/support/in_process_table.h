// korvel-server's table in the test's own process: a seat link that keeps the records the table
// sends to the client until the test delivers them, and a listener that counts finished deals.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "table/table.h"

namespace korvel::testing {

class ClientLink : public server::SeatLink {
 public:
  uint16_t Deliver(RecordBytes& record) override {
    ++tag;
    record[rec::kServerTag] = static_cast<uint8_t>(tag >> 8);
    record[rec::kServerTag + 1] = static_cast<uint8_t>(tag);
    pending.push_back(record);
    return tag;
  }
  void Close(std::string_view reason) override { closed = std::string(reason); }
  std::vector<RecordBytes> pending;
  uint16_t tag = 0;
  std::string closed;
};

class DealListener : public server::TableListener {
 public:
  void Log(std::string_view line) override { lines.emplace_back(line); }
  void DealFinished(int, const server::DealOutcome&) override { ++deals; }
  std::vector<std::string> lines;
  int deals = 0;
};

}  // namespace korvel::testing
