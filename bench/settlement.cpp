// The settlement's costs: building a deal's breakdown text, and writing one deal into the game
// record file once the stay at the table has already filled it with many deals.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "app/client.h"
#include "platform/virtual_platform.h"
#include "settlement/breakdown_text.h"

namespace korvel {
namespace {

RecordBytes Report(int mask, uint8_t scoreSign, uint16_t score, bool discarder, uint8_t self,
                   uint8_t fan3, uint8_t checkA, uint8_t checkB, uint16_t check) {
  RecordBytes r{};
  r[3] = 17;
  r[6] = static_cast<uint8_t>(mask);
  r[86] = static_cast<uint8_t>(score >> 8);
  r[87] = static_cast<uint8_t>(score);
  r[97] = fan3;
  r[98] = checkA;
  r[99] = checkB;
  r[103] = fan3;
  r[109] = 5;
  r[111] = checkA;
  r[112] = static_cast<uint8_t>(check);
  const uint8_t pairs[5][2] = {{2, scoreSign},
                               {6, scoreSign},
                               {7, discarder ? uint8_t{1} : uint8_t{0}},
                               {11, self},
                               {14, 1}};
  for (int p = 0; p < 5; ++p) {
    r[116 + 2 * p] = pairs[p][0];
    r[117 + 2 * p] = pairs[p][1];
  }
  return r;
}

// A deal with a discard win, a self-drawn win and the check at the wall's end.
WinStores BusyDeal() {
  WinStores s;
  s.ClaimWinners = {4, 0};
  ApplyWinReport(s, Report(1, 0, 0, false, 0, 1, 0, 0, 0), 0, 1);
  ApplyWinReport(s, Report(4, 1, 4, false, 0, 0x12, 0, 0, 0), 1, 1);
  ApplyWinReport(s, Report(2, 0, 4, true, 0, 1, 0, 0, 0), 2, 1);
  s.ClaimWinners = {1, 0};
  ApplyWinReport(s, Report(1, 1, 3, false, 2, 0x09, 0, 0, 0), 0, 1);
  ApplyWinReport(s, Report(4, 0, 3, false, 0, 1, 0, 0, 0), 1, 1);
  ApplyWinReport(s, Report(2, 0, 3, false, 0, 1, 0, 0, 0), 2, 1);
  ApplyWinReport(s, Report(1, 0, 0, false, 0, 1, 1, 0, 4), 0, 1);
  ApplyWinReport(s, Report(4, 0, 0, false, 0, 1, 0, 0, 0), 1, 1);
  ApplyWinReport(s, Report(2, 0, 0, false, 0, 1, 0, 1, 4), 2, 1);
  return s;
}

void BM_Breakdown(benchmark::State& state) {
  const WinStores deal = BusyDeal();
  const std::array<BreakdownSeat, kSeats> seats = {BreakdownSeat{"1000金币", true},
                                                   BreakdownSeat{"800金币", false},
                                                   BreakdownSeat{"1200金币", false}};
  size_t lines = 0;
  for (auto _ : state) {
    WinStores s = deal;
    const Breakdown b = BuildBreakdown(s, seats, 1);
    lines += b.columns[0].size();
    benchmark::DoNotOptimize(b);
  }
  state.counters["lines"] = static_cast<double>(lines) / static_cast<double>(state.iterations());
}
BENCHMARK(BM_Breakdown);

// A client in a temporary folder of its own, its score board filled as a busy deal leaves it.
class RecordingClient {
 public:
  RecordingClient() {
    vp_.files.appDir = mkdtemp(folder_) ? folder_ : "";
    vp_.lobby.windows.insert("Tesk山庄");
    client_.Startup("a$k$h$6000$Room$3$$0$$$0$$$0$0$");
    for (int v = 0; v < kSeats; ++v) {
      for (int l = 0; l < 32; ++l) {
        settlement().boardLines[v].push_back("  平  胡:-10金币 " + std::to_string(l));
      }
      settlement().boardLines[kFinalScoreList + v] = {"最终分：-10金币"};
    }
  }
  ~RecordingClient() {
    if (ok()) std::filesystem::remove_all(folder_);
  }
  bool ok() const { return !vp_.files.appDir.empty(); }
  Settlement& settlement() { return client_.settlement(); }

 private:
  char folder_[32] = "/tmp/korvel-bench-record-XXXXXX";
  VirtualPlatform vp_;
  Client client_{vp_.platform()};
};

// Writing deal n + 1 again and again when the file already holds n deals.
void BM_WriteDealRecord(benchmark::State& state) {
  RecordingClient c;
  if (!c.ok()) return state.SkipWithError("no temporary folder");
  const int existing = static_cast<int>(state.range(0));
  for (int deal = 1; deal <= existing; ++deal) c.settlement().WriteDealRecord(deal);
  for (auto _ : state) c.settlement().WriteDealRecord(existing + 1);
  state.counters["file_kB"] =
      static_cast<double>(std::filesystem::file_size(c.settlement().GameRecordPath())) / 1024;
}
BENCHMARK(BM_WriteDealRecord)->Arg(0)->Arg(30)->Arg(100)->Unit(benchmark::kMillisecond);

// The write at the end of deal n of a stay: the file holds deals 1 .. n - 1, written by the
// same client, and deal n is new to it. This is the cost a player pays once per deal.
void BM_WriteNextDealRecord(benchmark::State& state) {
  RecordingClient c;
  if (!c.ok()) return state.SkipWithError("no temporary folder");
  const int deal = static_cast<int>(state.range(0));
  for (auto _ : state) {
    state.PauseTiming();
    std::filesystem::remove(c.settlement().GameRecordPath());
    for (int earlier = 1; earlier < deal; ++earlier) c.settlement().WriteDealRecord(earlier);
    state.ResumeTiming();
    c.settlement().WriteDealRecord(deal);
  }
}
BENCHMARK(BM_WriteNextDealRecord)
    ->Arg(1)
    ->Arg(100)
    ->Iterations(8)
    ->Repetitions(3)
    ->ReportAggregatesOnly()
    ->Unit(benchmark::kMillisecond);

// Opening a past deal from the history window of a long stay (100 deals in the file).
void BM_ShowDealRecord(benchmark::State& state) {
  RecordingClient c;
  if (!c.ok()) return state.SkipWithError("no temporary folder");
  for (int deal = 1; deal <= 100; ++deal) c.settlement().WriteDealRecord(deal);
  for (auto _ : state) c.settlement().ShowDealRecord(50);
}
BENCHMARK(BM_ShowDealRecord)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace korvel
