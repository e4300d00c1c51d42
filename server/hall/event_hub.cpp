#include "hall/event_hub.h"

#include <chrono>

namespace korvel::server {

void EventHub::Publish(const std::string& name, const std::string& data) {
  {
    std::lock_guard lock(mutex_);
    ++latest_;
    events_.push_back(Event{latest_, "id: " + std::to_string(latest_) + "\nevent: " + name +
                                         "\ndata: " + data + "\n\n"});
    while (events_.size() > keep_) events_.pop_front();
  }
  changed_.notify_all();
}

std::optional<std::string> EventHub::Next(uint64_t& after, int waitMs) {
  std::unique_lock lock(mutex_);
  changed_.wait_for(lock, std::chrono::milliseconds(waitMs),
                    [&] { return closed_ || latest_ > after; });
  if (closed_ || latest_ <= after || events_.empty()) return std::nullopt;
  // Everything the stream has not had yet, in one piece: one wake-up and one write for a burst.
  std::string text;
  for (const Event& e : events_) {
    if (e.id <= after) continue;
    text += e.text;
    after = e.id;
  }
  if (text.empty()) return std::nullopt;
  return text;
}

uint64_t EventHub::Latest() const {
  std::lock_guard lock(mutex_);
  return latest_;
}

void EventHub::Close() {
  {
    std::lock_guard lock(mutex_);
    closed_ = true;
  }
  changed_.notify_all();
}

bool EventHub::Closed() const {
  std::lock_guard lock(mutex_);
  return closed_;
}

bool EventHub::Join(int limit) {
  std::lock_guard lock(mutex_);
  if (closed_ || streams_ >= limit) return false;
  ++streams_;
  return true;
}

void EventHub::Leave() {
  std::lock_guard lock(mutex_);
  --streams_;
}

int EventHub::Streams() const {
  std::lock_guard lock(mutex_);
  return streams_;
}

}  // namespace korvel::server
