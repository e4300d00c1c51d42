// What recording a session costs the client: each record kept as it arrives, and a deal's worth
// written to a file in the temporary folder at the deal's end. A busy deal brings about 300
// records over a few minutes, so the figure per record says how far below 1 % of a core the
// recorder stays.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>

#include "platform/virtual_platform.h"
#include "replay/session_recorder.h"

namespace {

using namespace korvel;

void BM_RecordArriving(benchmark::State& state) {
  const std::filesystem::path dir =
      std::filesystem::temp_directory_path() / ("korvel-bench-" + std::to_string(getpid()));
  {
    VirtualPlatform vp;
    FolderSessionStore store(dir.string());
    RecorderSettings settings;
    settings.sizeLimit = uint64_t{1} << 30;  // the run stays under it: every record is written
    SessionRecorder recorder(store, vp.timers, vp.log, "bench.kvsession", {}, settings);
    RecordBytes record{};
    record[rec::kCommand] = 2;
    RecordBytes dealEnd{};
    dealEnd[rec::kCommand] = kCmdSettlement;
    int n = 0;
    for (auto _ : state) {
      // Three hundred records, the last one ending the deal, which writes them out.
      recorder.Received(++n % 300 == 0 ? dealEnd : record);
    }
    state.SetItemsProcessed(state.iterations());
    state.counters["written MB"] = static_cast<double>(recorder.Written()) / (1024 * 1024);
  }
  std::filesystem::remove_all(dir);
}
// About 80 MB: a long evening's sessions, without filling the temporary folder.
BENCHMARK(BM_RecordArriving)->Iterations(300000);

}  // namespace
