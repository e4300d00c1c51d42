// A session file with any content: read, listed, written out as text, its coins summed, and its
// first moments replayed through a client, which must neither crash nor hang on what the file
// claims.
#include "replay/session_file.h"

#include "app/session_replay.h"
#include "replay/session_coins.h"
#include "replay/session_transcript.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace korvel;
  SessionFile file = ParseSession(std::span(data, size));
  if (!file.usable) return 0;
  (void)DealListText(file);
  (void)TranscriptText(file);
  (void)SummariseCoins(file);
  // Replaying is the client's own record path, which other harnesses cover at length; here the
  // header's launch values, the seeking and a short stretch of play are what is new.
  if (file.entries.size() > 24) file.entries.resize(24);
  SessionReplay replay(std::move(file));
  replay.Restart();
  if (!replay.deals().empty()) replay.SeekDeal(static_cast<int>(replay.deals().size()) - 1);
  replay.StepRecord();
  replay.AdvanceTo(std::min<int64_t>(replay.EndMs(), 20000) + 500);
  return 0;
}
