#include "net/net_server.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <map>

#include "table/record_trace.h"

namespace korvel::server {

class NetServer::Connection : public SeatLink {
 public:
  Connection(NetServer& server, int fd, int id, std::string address, std::string peer, int64_t now)
      : server_(server),
        fd(fd),
        id(id),
        address(std::move(address)),
        peer(std::move(peer)),
        openedMs(now),
        lastRefillMs(now),
        lastHeardMs(now) {}
  ~Connection() override {
    if (fd >= 0) ::close(fd);
  }

  uint16_t Deliver(RecordBytes& record) override {
    if (++tagCounter == 0) tagCounter = 1;
    record[rec::kServerTag] = static_cast<uint8_t>(tagCounter >> 8);
    record[rec::kServerTag + 1] = static_cast<uint8_t>(tagCounter);
    server_.TraceLine(*this, record, false);
    if (closing) return tagCounter;
    if (output.size() - outputSent + record.size() > server_.config_.maxPendingOutput) {
      RequestClose("the client does not read its records", false);
      return tagCounter;
    }
    output.insert(output.end(), record.begin(), record.end());
    return tagCounter;
  }
  void Close(std::string_view reason) override { RequestClose(reason, true); }
  void ContinueTagsAfter(uint16_t tag) override { tagCounter = tag; }
  bool Responsive() const override {
    return !closing && server_.clock_.NowMs() - lastHeardMs < kResponsiveMs;
  }
  // Two of the client's five-second keep-alives may be late before a connection counts as
  // gone quiet.
  static constexpr int64_t kResponsiveMs = 12000;

  // `lost`: the network took the connection away, so a seat may wait for its player.
  void RequestClose(std::string_view reason, bool flushFirst, bool lostConnection = false) {
    if (closing) return;
    closing = true;
    lost = lostConnection;
    closeRequestedMs = server_.clock_.NowMs();
    flushBeforeClose = flushFirst;
    closeReason = std::string(reason);
  }
  size_t Pending() const { return output.size() - outputSent; }

  NetServer& server_;
  int fd;
  const int id;
  const std::string address;  // the client's IP address
  const std::string peer;     // address and port, for the log
  const int64_t openedMs;
  std::vector<uint8_t> input;
  std::vector<uint8_t> output;
  size_t outputSent = 0;
  uint16_t tagCounter = 0;
  bool loggedIn = false;
  bool seated = false;    // the table still holds this connection's seat
  bool watching = false;  // a watcher of table `tableId`
  bool lost = false;
  int tableId = -1;
  int seat = -1;
  double tokens = 0;
  int64_t lastRefillMs;
  int64_t lastHeardMs;
  int dropped = 0;
  bool closing = false;
  int64_t closeRequestedMs = 0;
  bool flushBeforeClose = false;
  std::string closeReason;
};

NetServer::NetServer(const NetConfig& config, Hall& hall, const Clock& clock, LogFn log,
                     std::ostream* trace)
    : config_(config),
      hall_(hall),
      clock_(clock),
      log_(std::move(log)),
      trace_(trace),
      wrongKeysByAddress_(config.maxWrongKeysPerAddress, config.wrongKeyWindowMs),
      wrongKeysByAccount_(config.maxWrongKeysPerAccount, config.wrongKeyWindowMs) {}

NetServer::~NetServer() {
  connections_.clear();
  if (listenFd_ >= 0) ::close(listenFd_);
}

bool NetServer::Listen(std::string* error) {
  listenFd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  if (listenFd_ < 0) {
    if (error) *error = std::string("socket: ") + std::strerror(errno);
    return false;
  }
  const int on = 1;
  ::setsockopt(listenFd_, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_port = htons(config_.port);
  if (::inet_pton(AF_INET, config_.bindAddress.c_str(), &addr.sin_addr) != 1) {
    if (error) *error = "not an IPv4 address: " + config_.bindAddress;
    return false;
  }
  if (::bind(listenFd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
      ::listen(listenFd_, 16) != 0) {
    if (error)
      *error = "cannot listen on " + config_.bindAddress + ":" + std::to_string(config_.port) +
               ": " + std::strerror(errno);
    return false;
  }
  socklen_t len = sizeof addr;
  ::getsockname(listenFd_, reinterpret_cast<sockaddr*>(&addr), &len);
  port_ = ntohs(addr.sin_port);
  return true;
}

void NetServer::TraceLine(const Connection& c, const RecordBytes& record, bool in) {
  if (!trace_) return;
  *trace_ << clock_.NowMs() << " conn " << c.id << " "
          << DescribeRecord(record, in ? TraceDirection::In : TraceDirection::Out) << '\n';
}

void NetServer::Accept() {
  for (;;) {
    sockaddr_in addr{};
    socklen_t len = sizeof addr;
    const int fd = ::accept4(listenFd_, reinterpret_cast<sockaddr*>(&addr), &len,
                             SOCK_NONBLOCK | SOCK_CLOEXEC);
    if (fd < 0) {
      if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR || errno == ECONNABORTED)
        return;
      // Out of descriptors or memory: the pending connection stays queued and the listener
      // stays readable, so rest it a while instead of spinning; the tables play on.
      acceptPausedUntilMs_ = clock_.NowMs() + config_.acceptBackoffMs;
      if (++acceptFailures_ == 1 || acceptFailures_ % 100 == 0)
        log_(std::string("accept failed (") + std::strerror(errno) + "); new connections wait");
      return;
    }
    char ip[INET_ADDRSTRLEN] = "?";
    ::inet_ntop(AF_INET, &addr.sin_addr, ip, sizeof ip);
    const std::string peer = std::string(ip) + ":" + std::to_string(ntohs(addr.sin_port));
    const std::string refusal = AdmissionRefusal(ip);
    if (!refusal.empty()) {
      ::close(fd);
      if (++refusedConnections_ == 1 || refusedConnections_ % 100 == 0)
        log_("connection from " + peer + " refused: " + refusal);
      continue;
    }
    const int on = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    auto c = std::make_unique<Connection>(*this, fd, nextConnectionId_++, ip, peer, clock_.NowMs());
    c->tokens = config_.burstRecords;
    log_("connection " + std::to_string(c->id) + " from " + peer);
    connections_.push_back(std::move(c));
  }
}

std::string NetServer::AdmissionRefusal(std::string_view address) {
  const auto live = [](const auto& c) { return !c->closing; };
  const auto fromAddress =
      std::count_if(connections_.begin(), connections_.end(),
                    [&](const auto& c) { return live(c) && c->address == address; });
  if (fromAddress >= config_.maxPerAddress) return "too many connections from one address";
  const auto unlogged = std::count_if(connections_.begin(), connections_.end(), [&](const auto& c) {
    return live(c) && !c->loggedIn && c->address == address;
  });
  if (unlogged >= config_.maxUnloggedPerAddress)
    return "too many connections from one address waiting to log in";
  if (std::count_if(connections_.begin(), connections_.end(), live) < config_.maxConnections)
    return {};
  // Full: the address with the most silent connections gives up its oldest one.
  std::map<std::string_view, int> silent;
  for (const auto& c : connections_)
    if (live(c) && !c->loggedIn) ++silent[c->address];
  if (silent.empty()) return "the server holds its most connections";
  const auto crowd =
      std::max_element(silent.begin(), silent.end(),
                       [](const auto& a, const auto& b) { return a.second < b.second; });
  Connection* oldest = nullptr;
  for (const auto& c : connections_)
    if (live(c) && !c->loggedIn && c->address == crowd->first &&
        (!oldest || c->openedMs < oldest->openedMs))
      oldest = c.get();
  Drop(*oldest, "made room for a newcomer while waiting to log in");
  return {};
}

void NetServer::Drop(Connection& c, std::string_view reason) { c.RequestClose(reason, false); }

void NetServer::ReadFrom(Connection& c) {
  uint8_t buf[16384];
  for (;;) {
    const ssize_t n = ::recv(c.fd, buf, sizeof buf, 0);
    if (n == 0) {
      c.RequestClose("closed by the client", false, true);
      return;
    }
    if (n < 0) {
      if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR) return;
      c.RequestClose(std::string("read error: ") + std::strerror(errno), false, true);
      return;
    }
    c.input.insert(c.input.end(), buf, buf + n);
    size_t at = 0;
    while (c.input.size() - at >= kRecordSize && !c.closing) {
      RecordBytes record;
      std::copy_n(c.input.begin() + static_cast<std::ptrdiff_t>(at), kRecordSize, record.begin());
      at += kRecordSize;
      Handle(c, record);
    }
    c.input.erase(c.input.begin(), c.input.begin() + static_cast<std::ptrdiff_t>(at));
    if (c.closing) return;
  }
}

void NetServer::Handle(Connection& c, const RecordBytes& record) {
  TraceLine(c, record, true);
  // Token bucket: the client's own loop never sends faster than one record per tick.
  const int64_t now = clock_.NowMs();
  c.tokens = std::min<double>(
      config_.burstRecords, c.tokens + (now - c.lastRefillMs) * config_.recordsPerSecond / 1000.0);
  c.lastRefillMs = now;
  if (c.tokens < 1) {
    if (++c.dropped > config_.floodLimit) {
      log_("connection " + std::to_string(c.id) + ": flooding, disconnected");
      Drop(c, "flooding");
    } else if (c.dropped == 1 || c.dropped % 50 == 0) {
      log_("connection " + std::to_string(c.id) + ": records faster than allowed, dropped");
    }
    return;
  }
  c.tokens -= 1;
  c.lastHeardMs = now;
  const int command = record[rec::kCommand];
  if (!c.loggedIn) {
    if (command == kCmdLogin) {
      const Hall::Placement placed = hall_.Login(record, &c, c.address);
      if (placed.verdict != LoginVerdict::Accepted) {
        log_("connection " + std::to_string(c.id) + ": login refused: " + placed.reason);
        RecordBytes refusal = LoginResultRecord(placed.verdict, 8, 0);
        c.Deliver(refusal);
        c.RequestClose("login refused", true);
        return;
      }
      c.loggedIn = true;
      c.watching = placed.watching;
      c.seated = !placed.watching;
      c.tableId = placed.tableId;
      c.seat = placed.seat;
      log_("connection " + std::to_string(c.id) + ": table " + std::to_string(c.tableId) +
           (placed.watching ? " watching seat " : " seat ") + std::to_string(c.seat));
      return;
    }
    if (command == kCmdReconnect) {
      std::string account;
      for (size_t i = rec::kUserId; i < rec::kUserId + rec::kUserIdBytes && record[i]; ++i)
        account.push_back(static_cast<char>(record[i]));
      // Every refusal looks the same (the connection closes without an answer), so a guesser
      // cannot tell a right key for a seat still in use from a wrong one, nor a lockout.
      const bool blocked =
          wrongKeysByAddress_.Blocked(c.address, now) || wrongKeysByAccount_.Blocked(account, now);
      const Hall::Placement placed = blocked ? Hall::Placement{} : hall_.Reconnect(record, &c);
      if (placed.verdict != LoginVerdict::Accepted) {
        if (!blocked && !placed.tryLater) {
          wrongKeysByAddress_.Fail(c.address, now);
          wrongKeysByAccount_.Fail(account, now);
        }
        log_("connection " + std::to_string(c.id) + ": reconnection " +
             (placed.tryLater ? "put off: " : "refused: ") +
             (blocked ? std::string("too many wrong keys lately") : placed.reason));
        Drop(c, "reconnection refused");
        return;
      }
      c.loggedIn = c.seated = true;
      c.tableId = placed.tableId;
      c.seat = placed.seat;
      log_("connection " + std::to_string(c.id) + ": back at table " + std::to_string(c.tableId) +
           " seat " + std::to_string(c.seat));
      return;
    }
    log_("connection " + std::to_string(c.id) + ": command " + std::to_string(command) +
         " before the login ignored");
    return;
  }
  if (c.watching) {
    hall_.OnWatcherRecord(c.tableId, &c, record);
  } else if (c.seated) {
    hall_.OnRecord(c.tableId, c.seat, record);
  }
}

void NetServer::WriteTo(Connection& c) {
  while (c.Pending() > 0) {
    const ssize_t n = ::send(c.fd, c.output.data() + c.outputSent, c.Pending(), MSG_NOSIGNAL);
    if (n < 0) {
      if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR) break;
      c.flushBeforeClose = false;
      c.RequestClose(std::string("write error: ") + std::strerror(errno), false, true);
      c.output.clear();
      c.outputSent = 0;
      return;
    }
    c.outputSent += static_cast<size_t>(n);
  }
  if (c.outputSent == c.output.size()) {
    c.output.clear();
    c.outputSent = 0;
  } else if (c.outputSent > (1u << 16)) {
    c.output.erase(c.output.begin(), c.output.begin() + static_cast<std::ptrdiff_t>(c.outputSent));
    c.outputSent = 0;
  }
}

bool NetServer::RunOnce(int maxWaitMs, int extraFd) {
  std::vector<pollfd> fds;
  fds.reserve(connections_.size() + 2);
  const int64_t now = clock_.NowMs();
  const bool acceptPaused = now < acceptPausedUntilMs_;
  fds.push_back({listenFd_, static_cast<short>(acceptPaused ? 0 : POLLIN), 0});
  for (const auto& c : connections_) {
    short events = c->closing ? 0 : POLLIN;
    if (c->Pending() > 0) events |= POLLOUT;
    fds.push_back({c->fd, events, 0});
  }
  if (extraFd >= 0) fds.push_back({extraFd, POLLIN, 0});

  int64_t wait = maxWaitMs;
  const int64_t wake = hall_.NextWakeMs();
  if (wake != Table::kNever) wait = std::clamp<int64_t>(wake - now, 0, maxWaitMs);
  if (acceptPaused) wait = std::clamp<int64_t>(acceptPausedUntilMs_ - now, 0, wait);
  ::poll(fds.data(), fds.size(), static_cast<int>(wait));

  if (fds[0].revents & POLLIN) Accept();
  const size_t known = std::min(connections_.size(), fds.size() - 1 - (extraFd >= 0 ? 1 : 0));
  for (size_t i = 0; i < known; ++i) {
    Connection& c = *connections_[i];
    const short rev = fds[i + 1].revents;
    if (!c.closing && (rev & (POLLIN | POLLHUP | POLLERR))) ReadFrom(c);
  }
  hall_.Tick();

  const int64_t after = clock_.NowMs();
  for (auto& c : connections_) {
    if (!c->loggedIn && !c->closing && after - c->openedMs > config_.loginTimeoutMs)
      Drop(*c, "no login record");
    if (c->Pending() > 0) WriteTo(*c);
  }
  // Close what is finished: a seat is given back to its table first.
  std::erase_if(connections_, [&](std::unique_ptr<Connection>& c) {
    if (!c->closing) return false;
    // A last record (a refusal) gets a few seconds to leave before the socket closes.
    if (c->flushBeforeClose && c->Pending() > 0 && after - c->closeRequestedMs < 5000) return false;
    if (c->seated) {
      c->seated = false;
      if (c->lost) {
        hall_.Lost(c->tableId, c->seat, c.get(), c->closeReason);
      } else {
        hall_.Leave(c->tableId, c->seat, c.get(), c->closeReason);
      }
    }
    if (c->watching) {
      c->watching = false;
      hall_.Unwatch(c->tableId, c.get());
    }
    log_("connection " + std::to_string(c->id) + " closed: " + c->closeReason);
    return true;
  });
  return extraFd >= 0 && (fds.back().revents & POLLIN);
}

}  // namespace korvel::server
