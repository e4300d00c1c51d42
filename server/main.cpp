// korvel-server: the local referee. Seats players in login order (computer players fill each
// new table), deals, offers operations, judges claims and wins, scores, and relays chat.
#include <signal.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <charconv>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fstream>
#include <iostream>
#include <optional>
#include <random>
#include <sstream>
#include <string>
#include <string_view>

#include "net/net_server.h"
#include "table/bot_run.h"
#include "table/hall.h"

namespace {

using namespace korvel::server;

constexpr const char* kUsage =
    "Usage: korvel-server [options]\n"
    "The Korvel game server: seats three players per table in login order, fills each new\n"
    "table with computer players, deals, judges claims and wins, and scores. A player whose\n"
    "connection drops during a game may reconnect to its seat; a login whose key is \"watch\"\n"
    "(or \"watch:ACCOUNT\") watches the first table in play (or that player's).\n"
    "\n"
    "  --port N            listen on TCP port N (default 6000; 0 picks a free port)\n"
    "  --bind ADDR         listen on this IPv4 address (default 0.0.0.0)\n"
    "  --bots N            computer players seated in each new table, 0..2 (default 2)\n"
    "  --seed N            shuffle the walls from seed N, so deals repeat\n"
    "  --wall FILE         play the walls listed in FILE in turn (72 tiles each, draw order)\n"
    "  --turn-seconds S    seconds a player has for a turn, 1..15 (default 8)\n"
    "  --start-seconds S   seconds from a full table to the first deal (default 15)\n"
    "  --reconnect-seconds S  how long a seat whose connection dropped during a game waits\n"
    "                      for its player to reconnect (default 90; 0: the player has left)\n"
    "  --deals N           with --bots 3: play N deals among computer players as fast as\n"
    "                      possible, print a summary and exit (0 when every deal balanced)\n"
    "  --trace FILE        write every record in and out, decoded, one line each\n"
    "  --quiet             log nothing but errors\n"
    "  --help              show this text\n";

struct Options {
  uint16_t port = 6000;
  std::string bind = "0.0.0.0";
  std::optional<int> bots;
  std::optional<uint64_t> seed;
  std::string wallFile;
  int turnSeconds = 8;
  int startSeconds = 15;
  int reconnectSeconds = 90;
  int deals = 0;
  std::string traceFile;
  bool quiet = false;
  bool help = false;
};

template <typename T>
bool ParseNumber(std::string_view text, T& out, T low, T high) {
  T v{};
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
  if (ec != std::errc() || end != text.data() + text.size() || v < low || v > high) return false;
  out = v;
  return true;
}

bool ParseOptions(int argc, char** argv, Options& o, std::string& error) {
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (arg == "--help" || arg == "-h") {
      o.help = true;
      continue;
    }
    if (arg == "--quiet") {
      o.quiet = true;
      continue;
    }
    if (i + 1 >= argc) {
      error = "missing value after " + std::string(arg);
      return false;
    }
    const std::string_view value = argv[++i];
    bool ok = true;
    if (arg == "--port") {
      ok = ParseNumber<uint16_t>(value, o.port, 0, 65535);
    } else if (arg == "--bind") {
      o.bind = value;
    } else if (arg == "--bots") {
      int n = 0;
      ok = ParseNumber(value, n, 0, 3);
      o.bots = n;
    } else if (arg == "--seed") {
      uint64_t n = 0;
      ok = ParseNumber<uint64_t>(value, n, 0, UINT64_MAX);
      o.seed = n;
    } else if (arg == "--wall") {
      o.wallFile = value;
    } else if (arg == "--turn-seconds") {
      ok = ParseNumber(value, o.turnSeconds, 1, 15);
    } else if (arg == "--start-seconds") {
      ok = ParseNumber(value, o.startSeconds, 0, 3600);
    } else if (arg == "--reconnect-seconds") {
      ok = ParseNumber(value, o.reconnectSeconds, 0, 3600);
    } else if (arg == "--deals") {
      ok = ParseNumber(value, o.deals, 1, 10000000);
    } else if (arg == "--trace") {
      o.traceFile = value;
    } else {
      error = "unknown option " + std::string(arg) + " (see --help)";
      return false;
    }
    if (!ok) {
      error = "bad value for " + std::string(arg) + ": " + std::string(value);
      return false;
    }
  }
  return true;
}

std::string Stamp() {
  char buf[32];
  const std::time_t now = std::time(nullptr);
  std::tm tm{};
  localtime_r(&now, &tm);
  std::strftime(buf, sizeof buf, "%H:%M:%S", &tm);
  return buf;
}

int RunDeals(const Options& o, const std::vector<WallTiles>& walls) {
  BotRunOptions run;
  run.deals = o.deals;
  run.seed = o.seed.value_or(std::random_device{}());
  run.walls = walls.empty() ? nullptr : &walls;
  // Computer players never send a refused answer; if one does, it is worth seeing.
  if (!o.quiet)
    run.log = [](std::string_view line) {
      if (line.find("refused") != std::string_view::npos ||
          line.find("no acceptable") != std::string_view::npos)
        std::cerr << line << '\n';
    };
  const BotRunSummary summary = RunBotDeals(run);
  std::cout << "korvel-server: " << o.deals << " deals among three computer players, seed "
            << run.seed << "\n"
            << FormatSummary(summary);
  return summary.deals == o.deals && summary.unbalancedDeals == 0 ? 0 : 1;
}

int Serve(const Options& o, const std::vector<WallTiles>& walls) {
  SteadyClock clock;
  auto log = [quiet = o.quiet](std::string_view line) {
    if (!quiet) std::cerr << Stamp() << " " << line << '\n';
  };
  HallConfig hall;
  hall.bots = o.bots.value_or(2);
  hall.seed = o.seed.value_or(std::random_device{}() ^ static_cast<uint64_t>(std::time(nullptr)));
  hall.walls = walls;
  hall.table.turnSeconds = o.turnSeconds;
  hall.table.startSeconds = o.startSeconds;
  hall.table.reconnectWindowMs = o.reconnectSeconds * 1000;
  Hall tables(hall, clock, log);

  std::ofstream traceFile;
  if (!o.traceFile.empty()) {
    traceFile.open(o.traceFile, std::ios::out | std::ios::trunc);
    if (!traceFile) {
      std::cerr << "korvel-server: cannot write the trace file " << o.traceFile << "\n";
      return 2;
    }
  }
  NetConfig net;
  net.bindAddress = o.bind;
  net.port = o.port;
  NetServer server(net, tables, clock, log, traceFile.is_open() ? &traceFile : nullptr);
  std::string error;
  if (!server.Listen(&error)) {
    std::cerr << "korvel-server: " << error << "\n";
    return 2;
  }
  // Ctrl-C and termination arrive as a readable descriptor in the poll loop.
  sigset_t mask;
  sigemptyset(&mask);
  sigaddset(&mask, SIGINT);
  sigaddset(&mask, SIGTERM);
  sigprocmask(SIG_BLOCK, &mask, nullptr);
  const int signals = signalfd(-1, &mask, SFD_CLOEXEC | SFD_NONBLOCK);
  std::cerr << "korvel-server: listening on " << o.bind << ":" << server.Port() << ", " << hall.bots
            << " computer player" << (hall.bots == 1 ? "" : "s") << " per table, turn "
            << o.turnSeconds << " s" << std::endl;
  for (;;) {
    if (server.RunOnce(200, signals)) break;
    if (traceFile.is_open()) traceFile.flush();
  }
  std::cerr << "korvel-server: stopped\n";
  if (signals >= 0) ::close(signals);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  Options o;
  std::string error;
  if (!ParseOptions(argc, argv, o, error)) {
    std::cerr << "korvel-server: " << error << "\n";
    return 2;
  }
  if (o.help) {
    std::fputs(kUsage, stdout);
    return 0;
  }
  std::vector<WallTiles> walls;
  if (!o.wallFile.empty()) {
    std::ifstream in(o.wallFile, std::ios::binary);
    if (!in) {
      std::cerr << "korvel-server: cannot read the wall file " << o.wallFile << "\n";
      return 2;
    }
    std::stringstream text;
    text << in.rdbuf();
    const WallFile parsed = ParseWallFile(text.str());
    if (!parsed.error.empty()) {
      std::cerr << "korvel-server: " << o.wallFile << ": " << parsed.error << "\n";
      return 2;
    }
    walls = parsed.walls;
  }
  if (o.deals > 0) {
    if (o.bots.value_or(3) != 3) {
      std::cerr << "korvel-server: --deals plays computer players only; use --bots 3\n";
      return 2;
    }
    return RunDeals(o, walls);
  }
  if (o.bots.value_or(2) > 2) {
    std::cerr << "korvel-server: at most 2 computer players per table when serving players "
                 "(--bots 3 goes with --deals)\n";
    return 2;
  }
  return Serve(o, walls);
}
