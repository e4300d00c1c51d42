// The whole client from the socket side: arbitrary bytes arrive from the server in arbitrary
// pieces and go through the receive ring, the dispatcher, the table, the Scene, settlement,
// restore and watching, interleaved with clicks, keys, lobby messages, dropped connections and
// time; invariants are checked after every step (client_harness.h).
#include <memory>

#include "client_harness.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // On the heap: the client's rings and Scene are large.
  auto harness = std::make_unique<korvel::fuzz::Harness>(data, size);
  try {
    harness->Run();
  } catch (const korvel::ClientEnded&) {
  }
  return 0;
}
