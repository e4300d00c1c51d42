// When the main loop's next tick is due. Each tick stops its timer while it works and sets it
// again afterwards; counting the next 50 ms only from the end of the work would make every
// tick late by the work and by whatever else held the machine up, so steps counted in ticks
// (the turn clock, the continue countdown, the login's four ticks) would run slow. Instead the
// ticks keep to a fixed beat: a late tick is followed by the next one sooner, so twenty ticks a
// second hold on average. A deliberate pause inside a tick (a handler that waits for an
// animation) is not made up: beyond a short backlog the beat starts again from now.
#pragma once

#include <algorithm>
#include <cstdint>

namespace korvel {

class TickSchedule {
 public:
  static constexpr int64_t kMaxBacklogMs = 250;

  explicit TickSchedule(int64_t periodMs) : periodMs_(periodMs) {}

  // The loop starts (or starts again after a stop) at `nowMs`: the first tick one period on.
  int64_t Begin(int64_t nowMs) {
    dueMs_ = nowMs + periodMs_;
    return periodMs_;
  }
  // A tick has done its work at `nowMs`: the delay until the next one.
  int64_t Next(int64_t nowMs) {
    dueMs_ += periodMs_;
    if (dueMs_ < nowMs - kMaxBacklogMs) dueMs_ = nowMs + periodMs_;
    return std::max<int64_t>(0, dueMs_ - nowMs);
  }
  int64_t dueMs() const { return dueMs_; }

 private:
  int64_t periodMs_;
  int64_t dueMs_ = 0;
};

}  // namespace korvel
