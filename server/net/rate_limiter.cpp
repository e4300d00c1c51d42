#include "net/rate_limiter.h"

#include <algorithm>

namespace korvel::server {

namespace {
// Beyond this many keys the expired ones are swept, so a crowd of addresses cannot grow the
// tables without end.
constexpr size_t kSweepAt = 4096;
}  // namespace

bool FailureLimiter::Blocked(const std::string& key, int64_t nowMs) {
  std::lock_guard lock(mutex_);
  const auto it = entries_.find(key);
  if (it == entries_.end()) return false;
  if (nowMs - it->second.startMs >= windowMs_) {
    entries_.erase(it);
    return false;
  }
  return it->second.count >= max_;
}

void FailureLimiter::Fail(const std::string& key, int64_t nowMs) {
  std::lock_guard lock(mutex_);
  if (entries_.size() >= kSweepAt) Prune(nowMs);
  Entry& e = entries_[key];
  if (e.count == 0 || nowMs - e.startMs >= windowMs_) e = Entry{0, nowMs};
  ++e.count;
}

void FailureLimiter::Prune(int64_t nowMs) {
  std::erase_if(entries_, [&](const auto& kv) { return nowMs - kv.second.startMs >= windowMs_; });
}

bool RequestLimiter::Allow(const std::string& key, int64_t nowMs) {
  std::lock_guard lock(mutex_);
  if (buckets_.size() >= kSweepAt) {
    // A bucket that has refilled completely holds nothing worth keeping.
    std::erase_if(buckets_, [&](const auto& kv) {
      return kv.second.tokens + (nowMs - kv.second.lastMs) * rate_ / 1000.0 >= burst_;
    });
  }
  auto [it, fresh] = buckets_.try_emplace(key, Bucket{burst_, nowMs});
  Bucket& b = it->second;
  if (!fresh) b.tokens = std::min(burst_, b.tokens + (nowMs - b.lastMs) * rate_ / 1000.0);
  b.lastMs = nowMs;
  if (b.tokens < 1) return false;
  b.tokens -= 1;
  return true;
}

}  // namespace korvel::server
