// The game record file the history window reads back, with any content: every deal it might
// name shown on the score board, then rewritten and shown again.
#include <memory>

#include "client_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace korvel;
  fuzz::WriteClientFile(kGameRecordFile, data, size);
  auto started = std::make_unique<fuzz::StartedClient>();
  if (!started->Start()) return 0;
  Settlement& settlement = started->client.settlement();
  try {
    for (int deal : {-1, 0, 1, 2, 3, 7, 16, 32767}) settlement.ShowDealRecord(deal);
    settlement.ToggleHistory();
    for (int line : {-1, 0, 1, 2, 100}) {
      settlement.OnHistoryLineClick(line);
      settlement.OnHistoryLineOpen(line);
    }
    settlement.WriteDealRecord(1);
    settlement.ShowDealRecord(1);
    settlement.ClearForLobby();
  } catch (const ClientEnded&) {
  }
  return 0;
}
