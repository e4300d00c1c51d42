// Many tables at once: starts one korvel-server process and connects scripted, human-like
// clients to it over loopback, three to a table with no computer players. Each client thinks
// for a while before it answers (and now and then not at all, so the server's time-outs play
// for it), passes every claim, discards the tile it drew, and presses continue after each deal.
// Once every table is in play it measures for a bounded time:
//   - records per second through the server (sent by the clients plus received by them),
//   - the time from a client's discard to the next offer at its table (p50, p99, max),
//   - the server's resident memory and its CPU time as a share of one core.
//
// The server keeps its hall in a database, a fresh SQLite file unless --database names another
// (a PostgreSQL URL, say); when it stops it prints how long each deal's settlement took to
// write, and that line is shown too.
//
// Usage: bench_load_server [--tables N] [--seconds S] [--server PATH] [--database DB]
// Targets at 100 tables: discard to next offer p99 at most 5 ms, settlement write p99 at most
// 5 ms, under half a core.
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <signal.h>
#include <sys/epoll.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <queue>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "model/tiles.h"
#include "net/records.h"

namespace {

using korvel::BuildLoginRecord;
using korvel::CommandInfo;
using korvel::DecodeHeader;
using korvel::EncodeHeader;
using korvel::kRecordSize;
using korvel::RecordBytes;
namespace rec = korvel::rec;

using Clock = std::chrono::steady_clock;

double NowMs() {
  return std::chrono::duration<double, std::milli>(Clock::now().time_since_epoch()).count();
}

// What the clients do by themselves.
constexpr int kCmdDiscard = 2, kCmdSeat = 3, kCmdDealStart = 4, kCmdOptions = 6;
constexpr int kCmdOperation = 7, kCmdDealEnd = 16, kCmdDealTiles = 1, kCmdDraw = 5;
constexpr int kPass = 1;
constexpr double kSilentShare = 0.04;  // turns left to the server's clock

struct Client {
  int fd = -1;
  std::string account;
  int mask = 0;
  int table = -1;
  std::vector<std::string> seatNames;
  std::vector<uint8_t> hand;
  std::vector<uint8_t> input;
  std::array<uint8_t, 2> tag{};
  bool loggedIn = false;
  bool inDeal = false;
  uint8_t offered = 0;  // the operations of the open offer
};

struct Due {
  double at;
  int client;
  int action;  // 0 answer the open offer, 1 continue
  bool operator>(const Due& o) const { return at > o.at; }
};

class Load {
 public:
  Load(int tables, uint16_t port) : tables_(tables), port_(port), clients_(tables * 3) {}

  bool Connect() {
    epoll_ = epoll_create1(EPOLL_CLOEXEC);
    for (size_t i = 0; i < clients_.size(); ++i) {
      Client& c = clients_[i];
      c.account = "load" + std::to_string(i);
      c.fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
      sockaddr_in addr{};
      addr.sin_family = AF_INET;
      addr.sin_port = htons(port_);
      addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
      if (::connect(c.fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
        std::perror("connect");
        return false;
      }
      const int on = 1;
      ::setsockopt(c.fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
      ::fcntl(c.fd, F_SETFL, O_NONBLOCK);
      epoll_event ev{};
      ev.events = EPOLLIN;
      ev.data.u32 = static_cast<uint32_t>(i);
      ::epoll_ctl(epoll_, EPOLL_CTL_ADD, c.fd, &ev);
      Send(c, BuildLoginRecord(c.account, "bench").record);
      // Seats fill in login order: let each login land before the next.
      Pump(2);
    }
    return true;
  }

  // Runs until `until` (steady ms); true while every client is still connected.
  bool Pump(double forMs) {
    const double end = NowMs() + forMs;
    epoll_event events[256];
    while (NowMs() < end) {
      double wait = end - NowMs();
      if (!due_.empty()) wait = std::min(wait, due_.top().at - NowMs());
      const int n = ::epoll_wait(epoll_, events, 256, std::max(0, static_cast<int>(wait)));
      for (int k = 0; k < n; ++k) Read(events[k].data.u32);
      const double now = NowMs();
      while (!due_.empty() && due_.top().at <= now) {
        const Due d = due_.top();
        due_.pop();
        Act(d);
      }
      if (closed_ > 0) return false;
    }
    return true;
  }

  int TablesInPlay() const {
    std::set<int> tables;
    for (const Client& c : clients_)
      if (c.inDeal && c.table >= 0) tables.insert(c.table);
    return static_cast<int>(tables.size());
  }
  void StartMeasuring() {
    measuring_ = true;
    records_ = 0;
    latencies_.clear();
    timeouts_ = 0;
  }
  uint64_t records() const { return records_; }
  std::vector<double>& latencies() { return latencies_; }
  int closed() const { return closed_; }
  uint64_t silentTurns() const { return timeouts_; }
  uint64_t deals() const { return deals_; }

 private:
  void Send(Client& c, RecordBytes r) {
    r[rec::kServerTag] = c.tag[0];
    r[rec::kServerTag + 1] = c.tag[1];
    if (::send(c.fd, r.data(), r.size(), MSG_NOSIGNAL) != static_cast<ssize_t>(r.size())) ++closed_;
    if (measuring_) ++records_;
  }

  void Read(uint32_t index) {
    Client& c = clients_[index];
    uint8_t buf[16384];
    for (;;) {
      const ssize_t n = ::recv(c.fd, buf, sizeof buf, 0);
      if (n == 0) {
        ++closed_;
        return;
      }
      if (n < 0) break;
      c.input.insert(c.input.end(), buf, buf + n);
    }
    const double now = NowMs();
    size_t at = 0;
    while (c.input.size() - at >= kRecordSize) {
      RecordBytes r;
      std::copy_n(c.input.begin() + static_cast<std::ptrdiff_t>(at), kRecordSize, r.begin());
      at += kRecordSize;
      Handle(index, r, now);
    }
    c.input.erase(c.input.begin(), c.input.begin() + static_cast<std::ptrdiff_t>(at));
  }

  int TableOf(const std::vector<std::string>& names) {
    std::vector<std::string> sorted = names;
    std::sort(sorted.begin(), sorted.end());
    std::string key;
    for (const auto& n : sorted) key += n + "/";
    const auto [it, added] = tableIds_.emplace(key, static_cast<int>(tableIds_.size()));
    if (added) pendingDiscard_.push_back(-1);
    return it->second;
  }

  void Handle(int index, const RecordBytes& r, double now) {
    Client& c = clients_[index];
    if (measuring_) ++records_;
    c.tag = {r[rec::kServerTag], r[rec::kServerTag + 1]};
    const CommandInfo info = DecodeHeader(r);
    switch (info.command) {
      case 18:
        c.loggedIn = info.value[3] == 1;
        break;
      case kCmdSeat:
        c.seatNames.emplace_back(reinterpret_cast<const char*>(&r[16]),
                                 strnlen(reinterpret_cast<const char*>(&r[16]), 16));
        if (c.seatNames.back() == c.account) c.mask = info.seat;
        if (c.seatNames.size() == 3) {
          c.table = TableOf(c.seatNames);
          c.seatNames.clear();
        }
        break;
      case kCmdDealStart:
        c.hand.clear();
        c.inDeal = true;
        break;
      case kCmdDealTiles:
      case kCmdDraw:
        if (info.seat != c.mask) break;
        for (int k = info.command == kCmdDealTiles ? 0 : 3; k < 4; ++k)
          if (r[9 + 2 * k] != 0) c.hand.push_back(r[9 + 2 * k]);
        break;
      case kCmdDiscard:
        if (info.seat == c.mask) {
          // Ours, or the server's for us after a time-out.
          const auto it = std::find(c.hand.begin(), c.hand.end(), r[15]);
          if (it != c.hand.end()) c.hand.erase(it);
        }
        break;
      case kCmdOptions:
        if (c.table >= 0 && pendingDiscard_[c.table] >= 0) {
          if (measuring_) latencies_.push_back(now - pendingDiscard_[c.table]);
          pendingDiscard_[c.table] = -1;
        }
        if (info.seat == c.mask && (r[9] != 0 || c.hand.size() % 3 == 2)) {
          c.offered = r[9];
          Think(index, now);
        }
        break;
      case kCmdDealEnd:
        if (info.value[3] == 0) {
          // The deal's last discard is followed by its end, not by an offer.
          if (c.table >= 0) pendingDiscard_[c.table] = -1;
          c.inDeal = false;
          if (c.mask == 1) ++deals_;
          due_.push({now + 500 + Uniform(0, 2500), index, 1});
        }
        break;
      default:
        break;
    }
  }

  double Uniform(double a, double b) { return std::uniform_real_distribution<double>(a, b)(rng_); }

  void Think(int index, double now) {
    if (Uniform(0, 1) < kSilentShare) {
      if (measuring_) ++timeouts_;
      return;
    }
    // Mostly quick, sometimes slow, as people are.
    const double think = Uniform(0, 1) < 0.8 ? Uniform(150, 900) : Uniform(900, 4000);
    due_.push({now + think, index, 0});
  }

  void Act(const Due& d) {
    Client& c = clients_[d.client];
    if (d.action == 1) {
      CommandInfo go;
      go.command = kCmdDealEnd;
      go.seat = static_cast<uint8_t>(c.mask);
      go.value[3] = 1;
      Send(c, EncodeHeader(go));
      return;
    }
    if (!c.inDeal) return;
    CommandInfo pass;
    pass.command = kCmdOperation;
    pass.seat = static_cast<uint8_t>(c.mask);
    pass.value[0] = kPass;
    if (c.offered != 0) Send(c, EncodeHeader(pass));  // declines claims, wins and gangs alike
    if (c.hand.size() % 3 != 2) return;
    CommandInfo discard;
    discard.command = kCmdDiscard;
    discard.seat = static_cast<uint8_t>(c.mask);
    discard.value[3] =
        static_cast<int16_t>(korvel::WireTile(c.hand.back(), korvel::kDiscardMarker));
    Send(c, EncodeHeader(discard));
    if (c.table >= 0) pendingDiscard_[c.table] = NowMs();
  }

  int tables_;
  uint16_t port_;
  std::vector<Client> clients_;
  int epoll_ = -1;
  std::priority_queue<Due, std::vector<Due>, std::greater<Due>> due_;
  std::map<std::string, int> tableIds_;
  std::vector<double> pendingDiscard_;
  std::vector<double> latencies_;
  std::mt19937 rng_{12345};
  bool measuring_ = false;
  uint64_t records_ = 0;
  uint64_t timeouts_ = 0;
  uint64_t deals_ = 0;
  int closed_ = 0;
};

uint16_t FreePort() {
  const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
  socklen_t len = sizeof addr;
  ::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len);
  ::close(fd);
  return ntohs(addr.sin_port);
}

// utime + stime in clock ticks, and the resident set in kB.
double CpuTicks(pid_t pid) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
  std::string all((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::istringstream fields(all.substr(all.rfind(')') + 2));
  std::string f;
  double utime = 0, stime = 0;
  for (int k = 3; k <= 15 && fields >> f; ++k) {
    if (k == 14) utime = std::stod(f);
    if (k == 15) stime = std::stod(f);
  }
  return utime + stime;
}

long RssKb(pid_t pid) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/status");
  std::string line;
  while (std::getline(in, line))
    if (line.rfind("VmRSS:", 0) == 0) return std::stol(line.substr(6));
  return -1;
}

double Percentile(std::vector<double> v, double p) {
  if (v.empty()) return 0;
  std::sort(v.begin(), v.end());
  return v[std::min(v.size() - 1, static_cast<size_t>(p * static_cast<double>(v.size())))];
}

}  // namespace

int main(int argc, char** argv) {
  int tables = 100;
  int seconds = 60;
  std::string server = KORVEL_SERVER_BINARY;
  std::string database;
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::string a = argv[i];
    if (a == "--tables") tables = std::max(1, std::atoi(argv[i + 1]));
    if (a == "--seconds") seconds = std::max(5, std::atoi(argv[i + 1]));
    if (a == "--server") server = argv[i + 1];
    if (a == "--database") database = argv[i + 1];
  }
  char folder[] = "/tmp/korvel-load-XXXXXX";
  if (!::mkdtemp(folder)) return 1;
  if (database.empty()) database = std::string(folder) + "/korvel.db";
  const std::string serverLog = std::string(folder) + "/server.log";
  const uint16_t port = FreePort();
  const std::string portText = std::to_string(port);
  const std::string most = std::to_string(tables * 3 + 10);
  const std::string tableCap = std::to_string(tables + 5);
  const pid_t pid = ::fork();
  if (pid == 0) {
    const int null = ::open("/dev/null", O_WRONLY);
    const int log = ::open(serverLog.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    ::dup2(null, 1);
    ::dup2(log, 2);
    ::execl(server.c_str(), server.c_str(), "--open", "--database", database.c_str(),
            "--create-database", "--lobby-port", "0", "--port", portText.c_str(), "--bots", "0",
            "--start-seconds", "2", "--turn-seconds", "8", "--max-connections", most.c_str(),
            "--max-per-address", most.c_str(), "--max-waiting-per-address", most.c_str(),
            "--max-tables", tableCap.c_str(), "--quiet", static_cast<char*>(nullptr));
    _exit(127);
  }
  // Wait for the listener.
  for (int i = 0; i < 100; ++i) {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(port);
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const bool up = ::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0;
    ::close(fd);
    if (up) break;
    ::usleep(50000);
  }
  int status = 0;
  Load load(tables, port);
  if (!load.Connect()) {
    ::kill(pid, SIGTERM);
    ::waitpid(pid, &status, 0);
    return 1;
  }
  // Every table into its first deal.
  for (int i = 0; i < 200 && load.TablesInPlay() < tables; ++i) load.Pump(100);
  std::printf("korvel-server load: %d connections, %d tables in play\n", tables * 3,
              load.TablesInPlay());
  const long hz = ::sysconf(_SC_CLK_TCK);
  load.StartMeasuring();
  const double cpuBefore = CpuTicks(pid);
  const double start = NowMs();
  const bool allConnected = load.Pump(seconds * 1000.0);
  const double elapsedS = (NowMs() - start) / 1000.0;
  const double cpu = (CpuTicks(pid) - cpuBefore) / static_cast<double>(hz) / elapsedS;
  const long rss = RssKb(pid);
  std::vector<double>& lat = load.latencies();
  std::printf("measured %.1f s: %llu deals ended, %llu turns left to the server's clock\n",
              elapsedS, static_cast<unsigned long long>(load.deals()),
              static_cast<unsigned long long>(load.silentTurns()));
  std::printf("records per second through the server: %.0f\n",
              static_cast<double>(load.records()) / elapsedS);
  std::printf("discard to next offer: %zu samples, p50 %.3f ms, p99 %.3f ms, max %.3f ms\n",
              lat.size(), Percentile(lat, 0.5), Percentile(lat, 0.99), Percentile(lat, 1.0));
  std::printf("server: RSS %.1f MB, CPU %.1f%% of one core\n", rss / 1024.0, cpu * 100);
  if (!allConnected) std::printf("%d connections closed during the run\n", load.closed());
  ::kill(pid, SIGTERM);
  ::waitpid(pid, &status, 0);
  std::ifstream logFile(serverLog);
  for (std::string line; std::getline(logFile, line);)
    if (line.find("settlements written") != std::string::npos) std::printf("%s\n", line.c_str());
  std::filesystem::remove_all(folder);
  return allConnected ? 0 : 1;
}
