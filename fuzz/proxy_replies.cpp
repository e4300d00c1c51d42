// The client connecting through a SOCKS5 proxy that cannot be trusted: the greeting, the
// authentication and the connect replies come in arbitrary bytes and pieces, then the server's
// records, with dropped connections and reconnections through the proxy mixed in. The same
// steps and invariants as the whole-client harness.
#include <memory>

#include "client_harness.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  auto harness = std::make_unique<korvel::fuzz::Harness>(data, size, korvel::fuzz::kFlagProxy);
  try {
    harness->Run();
  } catch (const korvel::ClientEnded&) {
  }
  return 0;
}
