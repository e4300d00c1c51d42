#include "storage/storage_writer.h"

#include <chrono>
#include <string>

namespace korvel::server {

StorageWriter::StorageWriter(Storage& storage, LogFn log)
    : storage_(storage), log_(std::move(log)), thread_([this] { Run(); }) {}

StorageWriter::~StorageWriter() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  wake_.notify_all();
  thread_.join();
}

uint64_t StorageWriter::Post(Job job) {
  uint64_t ticket = 0;
  {
    std::lock_guard lock(mutex_);
    queue_.push_back(std::move(job));
    ticket = ++posted_;
  }
  wake_.notify_one();
  return ticket;
}

bool StorageWriter::Done(uint64_t ticket) const {
  std::lock_guard lock(mutex_);
  return done_ >= ticket;
}

void StorageWriter::WaitIdle() { WaitFor(LastTicket()); }

void StorageWriter::WaitFor(uint64_t ticket) {
  std::unique_lock lock(mutex_);
  idle_.wait(lock, [&] { return done_ >= ticket; });
}

uint64_t StorageWriter::LastTicket() const {
  std::lock_guard lock(mutex_);
  return posted_;
}

int64_t StorageWriter::Failures() const {
  std::lock_guard lock(mutex_);
  return failures_;
}

void StorageWriter::SetTiming(TimingFn timing) {
  std::lock_guard lock(mutex_);
  timing_ = std::move(timing);
}

void StorageWriter::Run() {
  for (;;) {
    Job job;
    TimingFn timing;
    {
      std::unique_lock lock(mutex_);
      wake_.wait(lock, [&] { return stopping_ || !queue_.empty(); });
      if (queue_.empty()) return;
      job = std::move(queue_.front());
      queue_.pop_front();
      timing = timing_;
    }
    bool failed = true;
    for (int attempt = 1; attempt <= kAttempts && failed; ++attempt) {
      const auto start = std::chrono::steady_clock::now();
      try {
        job(storage_);
        failed = false;
        if (timing)
          timing(std::chrono::duration_cast<std::chrono::microseconds>(
                     std::chrono::steady_clock::now() - start)
                     .count());
      } catch (const std::exception& e) {
        if (log_)
          log_(std::string("database write failed (attempt ") + std::to_string(attempt) + " of " +
               std::to_string(kAttempts) + "): " + e.what());
        bool stopping = false;
        {
          std::lock_guard lock(mutex_);
          stopping = stopping_;
        }
        // Waiting on a database that is gone would keep the process from ending.
        if (!stopping)
          std::this_thread::sleep_for(std::chrono::milliseconds(50 << std::min(attempt, 5)));
      }
    }
    std::lock_guard lock(mutex_);
    if (failed) ++failures_;
    ++done_;
    idle_.notify_all();
  }
}

}  // namespace korvel::server
