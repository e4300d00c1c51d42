// The hall service's HTTP face: HandleApi turns one request (method, path, bearer token, body)
// into a reply, and is the only code that reads a request body. HallHttpServer serves it with
// cpp-httplib on its own port and threads, with the event stream beside it.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <thread>

#include "hall/hall_service.h"

namespace korvel::server {

inline constexpr size_t kMaxRequestBody = 16 * 1024;

struct ApiRequest {
  std::string method;
  std::string path;
  std::string authorization;  // the Authorization header as sent
  std::string contentType;
  std::string body;
  std::string address;  // the client's IP address
};

ApiReply HandleApi(HallService& hall, const ApiRequest& request);

struct HallHttpConfig {
  std::string bindAddress = "127.0.0.1";
  uint16_t port = 6001;  // 0 picks a free port
  // Open event streams at once; each holds a thread while it is open.
  int maxEventStreams = 64;
  int workerThreads = 16;
  // Requests per address: a burst, then this many per second.
  double requestsPerSecond = 20;
  double requestBurst = 60;
  // An open stream sends a comment line this often, so proxies and dead peers are noticed.
  int keepAliveMs = 15000;
};

class HallHttpServer {
 public:
  HallHttpServer(HallService& hall, const HallHttpConfig& config);
  ~HallHttpServer();
  HallHttpServer(const HallHttpServer&) = delete;
  HallHttpServer& operator=(const HallHttpServer&) = delete;

  // Binds and starts serving on a thread of its own; false with `error` set when it cannot.
  bool Start(std::string* error);
  void Stop();
  uint16_t Port() const { return port_; }

 private:
  struct Impl;
  HallService& hall_;
  HallHttpConfig config_;
  std::unique_ptr<Impl> impl_;
  std::thread thread_;
  uint16_t port_ = 0;
};

}  // namespace korvel::server
