// Limits for guessers and crowds, keyed by an address or an account. Safe to share between the
// hall service's threads and the tables' thread.
#pragma once

#include <cstdint>
#include <mutex>
#include <string>
#include <unordered_map>

namespace korvel::server {

// Failures (wrong passwords, wrong keys) per key: after `maxFailures` within `windowMs` of the
// first, the key is blocked until that window ends. A success does not clear the count, so a
// guesser cannot reset it with an account of its own.
class FailureLimiter {
 public:
  FailureLimiter(int maxFailures, int64_t windowMs) : max_(maxFailures), windowMs_(windowMs) {}
  bool Blocked(const std::string& key, int64_t nowMs);
  void Fail(const std::string& key, int64_t nowMs);

 private:
  struct Entry {
    int count = 0;
    int64_t startMs = 0;
  };
  void Prune(int64_t nowMs);

  const int max_;
  const int64_t windowMs_;
  std::mutex mutex_;
  std::unordered_map<std::string, Entry> entries_;
};

// Requests per key: a bucket of `burst` refilled at `perSecond`.
class RequestLimiter {
 public:
  RequestLimiter(double perSecond, double burst) : rate_(perSecond), burst_(burst) {}
  bool Allow(const std::string& key, int64_t nowMs);

 private:
  struct Bucket {
    double tokens = 0;
    int64_t lastMs = 0;
  };

  const double rate_;
  const double burst_;
  std::mutex mutex_;
  std::unordered_map<std::string, Bucket> buckets_;
};

}  // namespace korvel::server
