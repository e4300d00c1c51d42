// Hall events for the server-sent event streams: every change is numbered and kept in a short
// ring, and each stream waits for the numbers after the last one it sent.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <optional>
#include <string>

namespace korvel::server {

class EventHub {
 public:
  explicit EventHub(size_t keep = 512) : keep_(keep) {}

  // `name` is the event's type, `data` one line of JSON.
  void Publish(const std::string& name, const std::string& data);
  // The events after `after` as one ready-to-send block, waiting at most `waitMs` for the
  // first; nothing when the wait ran out or the hub closed. A stream that fell behind the ring
  // skips ahead.
  std::optional<std::string> Next(uint64_t& after, int waitMs);
  uint64_t Latest() const;
  // Wakes every waiting stream for good (the server is stopping).
  void Close();
  bool Closed() const;

  // Streams open now, counted by the front end so a crowd cannot take every thread.
  bool Join(int limit);
  void Leave();
  int Streams() const;

 private:
  struct Event {
    uint64_t id;
    std::string text;
  };
  const size_t keep_;
  mutable std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<Event> events_;
  uint64_t latest_ = 0;
  bool closed_ = false;
  int streams_ = 0;
};

}  // namespace korvel::server
