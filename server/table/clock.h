// The table's sense of time, injected so tests and bot-only runs use virtual time.
#pragma once

#include <chrono>
#include <cstdint>

namespace korvel::server {

class Clock {
 public:
  virtual ~Clock() = default;
  virtual int64_t NowMs() const = 0;
};

class SteadyClock : public Clock {
 public:
  int64_t NowMs() const override {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
  }
};

class ManualClock : public Clock {
 public:
  int64_t NowMs() const override { return now_; }
  void Set(int64_t ms) { now_ = ms; }
  void Advance(int64_t ms) { now_ += ms; }

 private:
  int64_t now_ = 0;
};

}  // namespace korvel::server
