// korvel-server's network side with clients that cannot be trusted: up to four loopback
// connections write arbitrary bytes in arbitrary pieces (logins, reconnections, watchers, half
// records, floods), read or not, and hang up, while the server's clock moves. Nothing may crash,
// and the server must keep serving: a fresh login afterwards is still answered.
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "net/net_server.h"
#include "net/records.h"
#include "table/hall.h"

namespace {

using namespace korvel;
using namespace korvel::server;

constexpr int kClients = 4;

int Dial(uint16_t port) {
  const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_port = htons(port);
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
    ::close(fd);
    return -1;
  }
  ::fcntl(fd, F_SETFL, O_NONBLOCK);
  // Closing resets the connection, so millions of them leave no ports waiting.
  const linger reset{1, 0};
  ::setsockopt(fd, SOL_SOCKET, SO_LINGER, &reset, sizeof reset);
  return fd;
}

// Reads what is waiting; the number of bytes read.
size_t Drain(int fd) {
  size_t total = 0;
  uint8_t buf[8192];
  for (;;) {
    const ssize_t n = ::recv(fd, buf, sizeof buf, 0);
    if (n <= 0) return total;
    total += static_cast<size_t>(n);
  }
}

RecordBytes Login(std::string_view account, std::string_view key, int command = kCmdLogin) {
  RecordBytes r{};
  r[rec::kCommand] = static_cast<uint8_t>(command);
  std::memcpy(r.data() + rec::kUserId, account.data(), account.size());
  std::memcpy(r.data() + rec::kLoginKey, key.data(), key.size());
  return r;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  ManualClock clock;
  HallConfig hallConfig;
  hallConfig.seed = 1;
  hallConfig.table.botDelayMs = 0;
  Hall hall(hallConfig, clock, [](std::string_view) {});
  NetConfig config;
  config.bindAddress = "127.0.0.1";
  config.port = 0;
  config.loginTimeoutMs = 5000;
  NetServer server(config, hall, clock, [](std::string_view) {});
  std::string error;
  if (!server.Listen(&error)) {
    std::fprintf(stderr, "cannot listen: %s\n", error.c_str());
    std::abort();
  }
  std::array<int, kClients> fds;
  fds.fill(-1);
  size_t at = 0;
  auto byte = [&] { return at < size ? data[at++] : 0; };
  while (at < size) {
    const uint8_t op = byte();
    int& fd = fds[op & 3];
    switch (op >> 2 & 7) {
      case 0:
      case 1:
      case 2: {
        // Bytes from this client: a length, then the bytes.
        if (fd < 0) fd = Dial(server.Port());
        const size_t wanted = 1 + byte() * 2;
        const size_t n = std::min(size - at, wanted);
        if (fd >= 0) (void)!::send(fd, data + at, n, MSG_NOSIGNAL);
        at += n;
        break;
      }
      case 3: {
        // A whole login record: a player or a watcher.
        if (fd < 0) fd = Dial(server.Port());
        const uint8_t which = byte();
        const char account[2] = {static_cast<char>('a' + (which & 7)), 0};
        const RecordBytes r =
            Login(account, which & 8 ? "watch" : "key", which & 16 ? kCmdReconnect : kCmdLogin);
        if (fd >= 0) (void)!::send(fd, r.data(), r.size(), MSG_NOSIGNAL);
        break;
      }
      case 4:
        if (fd >= 0) ::close(fd);
        fd = -1;
        break;
      case 5:
        if (fd >= 0) Drain(fd);
        break;
      default:
        clock.Advance((byte() + 1) * 50);
        break;
    }
    server.RunOnce(0);
  }
  for (int& fd : fds) {
    if (fd >= 0) ::close(fd);
  }
  server.RunOnce(0);
  // Still serving: a new player logs in and hears back.
  const int probe = Dial(server.Port());
  if (probe < 0) std::abort();
  const RecordBytes r = Login("probe", "key");
  (void)!::send(probe, r.data(), r.size(), MSG_NOSIGNAL);
  size_t heard = 0;
  for (int i = 0; i < 50 && heard < kRecordSize; ++i) {
    server.RunOnce(1);
    heard += Drain(probe);
  }
  ::close(probe);
  if (heard < kRecordSize) {
    std::fprintf(stderr, "the server no longer answers a login\n");
    std::abort();
  }
  return 0;
}
