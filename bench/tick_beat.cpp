// The main loop's beat on a machine that is busy: every tick does some work (and the sleep
// between ticks oversleeps a little, as on a loaded desktop). Restarting the 50 ms timer only
// after the work makes each tick that much late; keeping to the schedule holds twenty ticks a
// second. Reports ticks per second of wall time for both.
#include <benchmark/benchmark.h>

#include <chrono>
#include <thread>

#include "app/tick_schedule.h"

namespace {

using Clock = std::chrono::steady_clock;

int64_t NowMs(Clock::time_point start) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

void Work(std::chrono::microseconds busy) {
  const auto until = Clock::now() + busy;
  while (Clock::now() < until) {
  }
}

// state.range(0): 0 restarts after the work, 1 keeps the beat; range(1): work per tick in us.
void BM_TickBeat(benchmark::State& state) {
  constexpr int kTicks = 40;  // two seconds of ticks
  constexpr int64_t kPeriod = 50;
  const bool beat = state.range(0) == 1;
  const std::chrono::microseconds busy(state.range(1));
  double ticksPerSecond = 0;
  for (auto _ : state) {
    const auto start = Clock::now();
    korvel::TickSchedule schedule(kPeriod);
    int64_t delay = schedule.Begin(0);
    for (int i = 0; i < kTicks; ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(delay));
      Work(busy);
      delay = beat ? schedule.Next(NowMs(start)) : kPeriod;
    }
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    ticksPerSecond = kTicks / seconds;
  }
  state.counters["ticks_per_s"] = ticksPerSecond;
}
BENCHMARK(BM_TickBeat)
    ->ArgsProduct({{0, 1}, {0, 5000, 20000}})
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace
