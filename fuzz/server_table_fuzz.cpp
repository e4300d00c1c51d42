// Arbitrary bytes as a human seat's records to a table that is seated and dealing: nothing may
// crash, and the table must keep going. The input is cut into 272-byte records; a record's
// byte 0 (which real clients leave 0) moves the virtual clock on, so time-outs interleave.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "net/records.h"
#include "table/hall.h"
#include "table/table.h"

namespace {

using namespace korvel;
using namespace korvel::server;

class NullLink : public SeatLink {
 public:
  uint16_t Deliver(RecordBytes& record) override {
    record[rec::kServerTag] = static_cast<uint8_t>(++tag >> 8);
    record[rec::kServerTag + 1] = static_cast<uint8_t>(tag);
    return tag;
  }
  void Close(std::string_view) override {}
  uint16_t tag = 0;
};

class QuietListener : public TableListener {
 public:
  void Log(std::string_view) override {}
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  ShantenCalculator shanten;
  ManualClock clock;
  QuietListener listener;
  NullLink link;
  TableConfig config;
  config.botDelayMs = 0;
  config.startSeconds = 0;
  Table table(1, config, clock, size, shanten, listener);
  table.Seat(Hall::BotProfile(1, 0), nullptr);
  table.Seat(Hall::BotProfile(1, 1), nullptr);
  table.Seat({.account = "fuzz", .nickname = "fuzz"}, &link);
  table.Tick();
  for (size_t at = 0; at + kRecordSize <= size; at += kRecordSize) {
    RecordBytes record;
    for (size_t i = 0; i < kRecordSize; ++i) record[i] = data[at + i];
    // Many inputs should answer the current offer, so let the tag follow the table's.
    if (record[1] & 1) {
      record[rec::kServerTag] = static_cast<uint8_t>(link.tag >> 8);
      record[rec::kServerTag + 1] = static_cast<uint8_t>(link.tag);
    }
    table.OnRecord(2, record);
    clock.Advance(record[0] * 100);
    table.Tick();
  }
  return 0;
}
