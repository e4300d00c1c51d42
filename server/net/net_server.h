// The thin network layer: one TCP listener, one connection per seat, 272-byte records with no
// other framing, read and written without blocking from one poll loop. A connection logs in
// with its first record and from then on speaks to its table through the hall. A client that
// floods, stalls or never logs in is disconnected with a log line; partial records wait for
// their remaining bytes.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "net/rate_limiter.h"
#include "table/clock.h"
#include "table/hall.h"

namespace korvel::server {

struct NetConfig {
  std::string bindAddress = "127.0.0.1";
  uint16_t port = 6000;
  // The client logs in as soon as it is connected; a silent connection only holds a slot.
  int loginTimeoutMs = 10000;
  int maxConnections = 512;
  int maxPerAddress = 16;
  // Connections from one address that have not logged in yet. When the server is full, the
  // oldest of these from the address with the most of them makes room for a newcomer, so a
  // crowd of silent connections cannot keep real players out.
  int maxUnloggedPerAddress = 8;
  // Wrong reconnection keys per address and per account within the window; beyond them every
  // reconnection from there, or to that account, is refused like a wrong key.
  int maxWrongKeysPerAddress = 10;
  int maxWrongKeysPerAccount = 5;
  int64_t wrongKeyWindowMs = 15 * 60 * 1000;
  // After accept() fails (out of descriptors, say), the listener rests this long.
  int acceptBackoffMs = 250;
  // Records a client may send in a burst, and per second after it; the client itself sends at
  // most one record per 50 ms.
  int burstRecords = 60;
  int recordsPerSecond = 25;
  int floodLimit = 200;                // dropped records before the connection is closed
  size_t maxPendingOutput = 4u << 20;  // a client that reads nothing is cut off
};

class NetServer {
 public:
  using LogFn = std::function<void(std::string_view)>;
  NetServer(const NetConfig& config, Hall& hall, const Clock& clock, LogFn log,
            std::ostream* trace = nullptr);
  ~NetServer();
  NetServer(const NetServer&) = delete;
  NetServer& operator=(const NetServer&) = delete;

  bool Listen(std::string* error);
  uint16_t Port() const { return port_; }
  // Waits for socket events or the hall's next due moment (at most maxWaitMs), handles them,
  // and runs the tables. An extra descriptor to watch (a signal descriptor) may be given; the
  // result says whether it became readable.
  bool RunOnce(int maxWaitMs, int extraFd = -1);
  size_t Connections() const { return connections_.size(); }
  // accept() failures so far, and connections refused by the caps.
  int AcceptFailures() const { return acceptFailures_; }
  int RefusedConnections() const { return refusedConnections_; }
  bool AcceptPaused() const { return clock_.NowMs() < acceptPausedUntilMs_; }

 private:
  class Connection;
  void Accept();
  void ReadFrom(Connection& c);
  void WriteTo(Connection& c);
  void Handle(Connection& c, const RecordBytes& record);
  void Drop(Connection& c, std::string_view reason);
  // Why a new connection from `address` is turned away, or empty. A full server may close a
  // silent connection to make room.
  std::string AdmissionRefusal(std::string_view address);
  void TraceLine(const Connection& c, const RecordBytes& record, bool in);

  NetConfig config_;
  Hall& hall_;
  const Clock& clock_;
  LogFn log_;
  std::ostream* trace_;
  int listenFd_ = -1;
  uint16_t port_ = 0;
  int nextConnectionId_ = 1;
  int64_t acceptPausedUntilMs_ = 0;
  int acceptFailures_ = 0;
  int refusedConnections_ = 0;
  std::vector<std::unique_ptr<Connection>> connections_;
  FailureLimiter wrongKeysByAddress_;
  FailureLimiter wrongKeysByAccount_;
};

}  // namespace korvel::server
