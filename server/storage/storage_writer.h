// The table engine's way to the database: writes are queued and done in order by one thread of
// their own, so a turn never waits on a disk or a network. Each write gets a ticket; a table
// asks whether its deal's ticket is done before it starts the next deal.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <string_view>
#include <thread>

#include "storage/storage.h"

namespace korvel::server {

class StorageWriter {
 public:
  using Job = std::function<void(Storage&)>;
  using LogFn = std::function<void(std::string_view)>;
  // Called on the writer's thread with each job's duration, for the benchmark.
  using TimingFn = std::function<void(int64_t microseconds)>;

  StorageWriter(Storage& storage, LogFn log);
  // Writes everything still queued, then stops.
  ~StorageWriter();
  StorageWriter(const StorageWriter&) = delete;
  StorageWriter& operator=(const StorageWriter&) = delete;

  uint64_t Post(Job job);
  // The job with this ticket (and every one before it) has been written or given up.
  bool Done(uint64_t ticket) const;
  // Blocks until everything posted so far is done.
  void WaitIdle();
  // Blocks until the job with this ticket is done.
  void WaitFor(uint64_t ticket);
  uint64_t LastTicket() const;
  int64_t Failures() const;
  void SetTiming(TimingFn timing);
  Storage& Engine() { return storage_; }

  // A failed job is tried again this many times, a little later each time, before it is given
  // up with a log line (a database that is down for a moment loses nothing).
  static constexpr int kAttempts = 8;

 private:
  void Run();

  Storage& storage_;
  LogFn log_;
  TimingFn timing_;
  mutable std::mutex mutex_;
  std::condition_variable wake_;
  std::condition_variable idle_;
  std::deque<Job> queue_;
  uint64_t posted_ = 0;
  uint64_t done_ = 0;
  int64_t failures_ = 0;
  bool stopping_ = false;
  std::thread thread_;
};

}  // namespace korvel::server
