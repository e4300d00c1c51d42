// Bot-only deals per second with no delays: the rules, the computer players and the table loop
// together, on one core. The target is at least 500 deals per second.
#include <benchmark/benchmark.h>

#include "rules/shapes.h"
#include "table/bot_run.h"

namespace korvel::server {
namespace {

void BM_BotOnlyDeals(benchmark::State& state) {
  const int deals = static_cast<int>(state.range(0));
  uint64_t seed = 1;
  int64_t played = 0;
  for (auto _ : state) {
    BotRunOptions options;
    options.deals = deals;
    options.seed = seed++;
    const BotRunSummary summary = RunBotDeals(options);
    if (summary.unbalancedDeals != 0) state.SkipWithError("a deal did not balance");
    played += summary.deals;
    benchmark::DoNotOptimize(summary.units);
  }
  state.SetItemsProcessed(played);
  state.counters["deals_per_second"] =
      benchmark::Counter(static_cast<double>(played), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_BotOnlyDeals)->Arg(100)->Unit(benchmark::kMillisecond);

// The computer player's main cost: the distance to a ready hand, with the per-suit cache warm.
void BM_Shanten(benchmark::State& state) {
  ShantenCalculator calc;
  Rng rng(3);
  std::vector<TileCounts> hands;
  for (int i = 0; i < 256; ++i) {
    const WallTiles wall = ShuffledWall(rng);
    TileCounts c{};
    for (int k = 0; k < 14; ++k) ++c[KindOf(wall[k])];
    hands.push_back(c);
  }
  size_t i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(calc.Shanten(hands[i++ % hands.size()], 0));
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_Shanten);

}  // namespace
}  // namespace korvel::server
