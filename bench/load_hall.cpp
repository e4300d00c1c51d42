// The hall service under a crowd: starts korvel-server with its hall on a fresh SQLite file (or
// --database DB), opens 100 tables, holds 1,000 event streams open (from many loopback
// addresses, as many players' hall windows would), keeps reserving seats so events flow to
// every stream, and meanwhile times GET /api/v1/tables, each on a fresh connection.
//
// Usage: bench_load_hall [--streams N] [--requests N] [--tables N] [--database DB]
// Target: GET /api/v1/tables p99 at most 20 ms with 1,000 streams open.
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/epoll.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <regex>
#include <string>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double MsSince(Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// A blocking connection to the lobby port from 127.0.`a`.`b`.
int Connect(uint16_t port, int a, int b) {
  const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in from{};
  from.sin_family = AF_INET;
  from.sin_addr.s_addr = htonl(0x7F000000u | static_cast<uint32_t>(a << 8 | b));
  ::bind(fd, reinterpret_cast<sockaddr*>(&from), sizeof from);
  sockaddr_in to{};
  to.sin_family = AF_INET;
  to.sin_port = htons(port);
  to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (::connect(fd, reinterpret_cast<sockaddr*>(&to), sizeof to) != 0) {
    ::close(fd);
    return -1;
  }
  return fd;
}

// One request on its own connection ("Connection: close"); the whole answer as text.
std::string Request(uint16_t port, int a, int b, const std::string& method, const std::string& path,
                    const std::string& body = "", const std::string& token = "") {
  const int fd = Connect(port, a, b);
  if (fd < 0) return {};
  std::string text = method + " " + path + " HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n";
  if (!token.empty()) text += "Authorization: Bearer " + token + "\r\n";
  if (method != "GET")
    text +=
        "Content-Type: application/json\r\nContent-Length: " + std::to_string(body.size()) + "\r\n";
  text += "\r\n" + body;
  ::send(fd, text.data(), text.size(), MSG_NOSIGNAL);
  std::string answer;
  char buf[16384];
  for (;;) {
    const ssize_t n = ::recv(fd, buf, sizeof buf, 0);
    if (n <= 0) break;
    answer.append(buf, static_cast<size_t>(n));
  }
  ::close(fd);
  return answer;
}

std::string Field(const std::string& answer, const std::string& name) {
  const std::regex re("\"" + name + "\":\"?([^\",}]*)");
  std::smatch m;
  return std::regex_search(answer, m, re) ? m[1].str() : std::string();
}

double Percentile(std::vector<double> v, double p) {
  if (v.empty()) return 0;
  std::sort(v.begin(), v.end());
  return v[std::min(v.size() - 1, static_cast<size_t>(p * static_cast<double>(v.size())))];
}

}  // namespace

int main(int argc, char** argv) {
  int streams = 1000;
  int requests = 2000;
  int tables = 100;
  std::string database;
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::string a = argv[i];
    if (a == "--streams") streams = std::max(1, std::atoi(argv[i + 1]));
    if (a == "--requests") requests = std::max(10, std::atoi(argv[i + 1]));
    if (a == "--tables") tables = std::max(1, std::atoi(argv[i + 1]));
    if (a == "--database") database = argv[i + 1];
  }
  ::signal(SIGPIPE, SIG_IGN);
  char folder[] = "/tmp/korvel-hall-load-XXXXXX";
  if (!::mkdtemp(folder)) return 1;
  if (database.empty()) database = std::string(folder) + "/korvel.db";
  int out[2];
  if (::pipe(out) != 0) return 1;
  const std::string streamCap = std::to_string(streams + 10);
  const std::string tableCap = std::to_string(tables + 10);
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::dup2(out[1], 2);
    const int null = ::open("/dev/null", O_WRONLY);
    ::dup2(null, 1);
    ::execl(KORVEL_SERVER_BINARY, KORVEL_SERVER_BINARY, "--database", database.c_str(),
            "--create-database", "--port", "0", "--lobby-port", "0", "--max-event-streams",
            streamCap.c_str(), "--max-tables", tableCap.c_str(), "--quiet",
            static_cast<char*>(nullptr));
    _exit(127);
  }
  ::close(out[1]);
  std::string banner;
  uint16_t port = 0;
  for (int i = 0; i < 200 && port == 0; ++i) {
    pollfd p{out[0], POLLIN, 0};
    if (::poll(&p, 1, 100) > 0) {
      char buf[1024];
      const ssize_t n = ::read(out[0], buf, sizeof buf);
      if (n <= 0) break;
      banner.append(buf, static_cast<size_t>(n));
    }
    std::smatch m;
    if (std::regex_search(banner, m, std::regex(R"(hall on http://[0-9.]+:([0-9]+)/)")))
      port = static_cast<uint16_t>(std::stoi(m[1]));
  }
  if (port == 0) {
    std::fprintf(stderr, "the server did not start: %s\n", banner.c_str());
    return 1;
  }

  // One account opens the tables (from addresses of its own, to stay within the request rate).
  Request(port, 1, 1, "POST", "/api/v1/accounts",
          R"({"name":"bench","password":"benchmark","nickname":"bench"})");
  const std::string token = Field(
      Request(port, 1, 1, "POST", "/api/v1/sessions", R"({"name":"bench","password":"benchmark"})"),
      "token");
  std::vector<std::string> ids;
  for (int i = 0; i < tables; ++i)
    ids.push_back(Field(
        Request(port, 2, 1 + i % 250, "POST", "/api/v1/tables", R"({"computer_players":1})", token),
        "id"));

  // The streams: 1,000 connections from 200 addresses, drained by one epoll thread.
  std::vector<int> fds;
  for (int i = 0; i < streams; ++i) {
    const int fd = Connect(port, 10 + i / 250, 1 + i % 250);
    if (fd < 0) continue;
    const std::string text = "GET /api/v1/events HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n";
    ::send(fd, text.data(), text.size(), MSG_NOSIGNAL);
    fds.push_back(fd);
  }
  std::atomic<bool> stop{false};
  std::atomic<long long> streamBytes{0};
  std::thread drain([&] {
    const int ep = ::epoll_create1(EPOLL_CLOEXEC);
    for (int fd : fds) {
      ::fcntl(fd, F_SETFL, O_NONBLOCK);
      epoll_event ev{};
      ev.events = EPOLLIN;
      ev.data.fd = fd;
      ::epoll_ctl(ep, EPOLL_CTL_ADD, fd, &ev);
    }
    std::vector<epoll_event> events(256);
    char buf[65536];
    while (!stop) {
      const int n = ::epoll_wait(ep, events.data(), static_cast<int>(events.size()), 100);
      for (int i = 0; i < n; ++i) {
        for (;;) {
          const ssize_t got = ::recv(events[i].data.fd, buf, sizeof buf, 0);
          if (got <= 0) break;
          streamBytes += got;
        }
      }
    }
    ::close(ep);
  });
  std::this_thread::sleep_for(std::chrono::seconds(1));

  // Seats reserved all along, so every stream keeps receiving events.
  std::atomic<int> reservations{0};
  std::thread churn([&] {
    for (int i = 0; !stop; ++i) {
      const std::string id = ids[static_cast<size_t>(i) % ids.size()];
      Request(port, 3, 1 + i % 250, "POST", "/api/v1/tables/" + id + "/seats", "", token);
      ++reservations;
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
  });

  std::vector<double> latencies;
  int failed = 0;
  const auto start = Clock::now();
  for (int i = 0; i < requests; ++i) {
    const auto t = Clock::now();
    const std::string answer =
        Request(port, 20 + i / 250 % 200, 1 + i % 250, "GET", "/api/v1/tables");
    latencies.push_back(MsSince(t));
    if (answer.rfind("HTTP/1.1 200", 0) != 0) ++failed;
  }
  const double elapsed = MsSince(start) / 1000.0;
  stop = true;
  churn.join();
  drain.join();
  for (int fd : fds) ::close(fd);
  ::kill(pid, SIGTERM);
  int status = 0;
  ::waitpid(pid, &status, 0);
  std::filesystem::remove_all(folder);

  std::printf(
      "korvel-server hall: %zu event streams open, %d tables, %d reservations made, "
      "%.1f MB of events sent\n",
      fds.size(), tables, reservations.load(), streamBytes.load() / 1048576.0);
  std::printf(
      "GET /api/v1/tables: %d requests in %.1f s (%d failed), p50 %.3f ms, p99 %.3f ms, "
      "max %.3f ms\n",
      requests, elapsed, failed, Percentile(latencies, 0.5), Percentile(latencies, 0.99),
      Percentile(latencies, 1.0));
  return failed == 0 ? 0 : 1;
}
