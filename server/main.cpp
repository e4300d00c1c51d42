// korvel-server: the local referee. Seats players in login order (computer players fill each
// new table), deals, offers operations, judges claims and wins, scores, and relays chat.
#include <signal.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <optional>
#include <random>
#include <sstream>
#include <string>
#include <string_view>

#include "app/server_options.h"
#include "hall/credentials.h"
#include "hall/hall_service.h"
#include "hall/http_api.h"
#include "net/net_server.h"
#include "storage/storage.h"
#include "storage/storage_writer.h"
#include "table/bot_run.h"
#include "table/hall.h"

namespace {

using namespace korvel::server;

// A seat needs this many units' worth of coins to sit down for another deal.
constexpr int kMinimumUnits = 10;

std::string Stamp() {
  char buf[32];
  const std::time_t now = std::time(nullptr);
  std::tm tm{};
  localtime_r(&now, &tm);
  std::strftime(buf, sizeof buf, "%H:%M:%S", &tm);
  return buf;
}

int RunDeals(const ServerOptions& o, const std::vector<WallTiles>& walls) {
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

// $XDG_STATE_HOME/korvel-server/korvel.db, or ~/.local/state/... without it.
std::string DefaultDatabase() {
  const char* state = std::getenv("XDG_STATE_HOME");
  if (state && *state == '/') return std::string(state) + "/korvel-server/korvel.db";
  const char* home = std::getenv("HOME");
  return std::string(home && *home ? home : ".") + "/.local/state/korvel-server/korvel.db";
}

// An open server's private database lives in a folder of its own and goes with the process.
class TemporaryFolder {
 public:
  TemporaryFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "korvel-open-XXXXXX").string();
    if (::mkdtemp(pattern.data())) path_ = pattern;
  }
  ~TemporaryFolder() {
    std::error_code ec;
    if (!path_.empty()) std::filesystem::remove_all(path_, ec);
  }
  const std::string& Path() const { return path_; }

 private:
  std::string path_;
};

int Serve(const ServerOptions& o, const std::vector<WallTiles>& walls) {
  SteadyClock clock;
  auto log = [quiet = o.quiet](std::string_view line) {
    if (!quiet) std::cerr << Stamp() << " " << line << '\n';
  };
  // Ctrl-C and termination arrive as a readable descriptor in the poll loop. They are blocked
  // before any thread starts, so every thread inherits the mask and none of them is ended by
  // the signal before the tables and the database writes are wound down.
  sigset_t mask;
  sigemptyset(&mask);
  sigaddset(&mask, SIGINT);
  sigaddset(&mask, SIGTERM);
  sigprocmask(SIG_BLOCK, &mask, nullptr);
  if (!InitCrypto()) {
    std::cerr << "korvel-server: the cryptography library cannot start\n";
    return 2;
  }
  TemporaryFolder temporary;
  std::string location = o.database;
  bool create = o.createDatabase;
  if (location.empty() && o.open) {
    if (temporary.Path().empty()) {
      std::cerr << "korvel-server: cannot make a folder for the temporary database\n";
      return 2;
    }
    location = temporary.Path() + "/korvel.db";
    create = true;
  } else if (location.empty()) {
    location = DefaultDatabase();
    create = true;
  }
  std::unique_ptr<Storage> storage;
  try {
    storage = OpenStorage(location, create);
  } catch (const StorageError& e) {
    std::cerr << "korvel-server: " << e.what() << "\n";
    return 2;
  }
  // The writer's log goes to standard error even with --quiet: a failed write is an error.
  StorageWriter writer(*storage,
                       [](std::string_view line) { std::cerr << Stamp() << " " << line << '\n'; });

  HallConfig hall;
  hall.bots = o.bots.value_or(2);
  // Walls come from the system's secure source unless a test asks for repeatable deals.
  hall.seed = o.seed.value_or(0);
  hall.secureWalls = !o.seed.has_value();
  hall.walls = walls;
  hall.table.turnSeconds = o.turnSeconds;
  hall.table.startSeconds = o.startSeconds;
  hall.table.pauseSeconds = o.pauseSeconds;
  hall.table.reconnectWindowMs = o.reconnectSeconds * 1000;
  hall.table.maxWatchers = o.maxWatchers;
  hall.table.feePercent = o.feePercent;
  hall.table.startingCoins = o.coins;
  hall.table.baseStake = o.stake;
  hall.table.minimumCoins = static_cast<int64_t>(o.stake) * kMinimumUnits;
  hall.table.props = o.props;
  hall.allowWatchers = o.watchers;
  hall.maxTables = o.maxTables;
  hall.maxSeatsPerAddress = o.maxPerAddress;
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
  net.maxConnections = o.maxConnections;
  net.maxPerAddress = o.maxPerAddress;
  net.maxUnloggedPerAddress = o.maxWaitingPerAddress;
  net.loginTimeoutMs = o.loginSeconds * 1000;
  NetServer server(net, tables, clock, log, traceFile.is_open() ? &traceFile : nullptr);
  std::string error;
  if (!server.Listen(&error)) {
    std::cerr << "korvel-server: " << error << "\n";
    return 2;
  }

  HallServiceConfig service;
  service.open = o.open;
  service.allowRegistration = o.registration;
  service.allowWatchers = o.watchers;
  service.shared = location.rfind("postgres", 0) == 0;
  service.serverId = RandomToken(12);
  service.host = !o.publicHost.empty() ? o.publicHost
                 : o.bind == "0.0.0.0" ? std::string("127.0.0.1")
                                       : o.bind;
  service.port = server.Port();
  service.rules.startingCoins = o.coins;
  service.rules.dailyTopUp = o.dailyCoins;
  service.defaultStake = o.stake;
  service.defaultTurnSeconds = o.turnSeconds;
  service.maxTables = o.maxTables;
  service.minimumUnits = kMinimumUnits;
  std::unique_ptr<HallService> hallService;
  try {
    hallService = std::make_unique<HallService>(service, *storage, writer, log);
  } catch (const StorageError& e) {
    std::cerr << "korvel-server: " << e.what() << "\n";
    return 2;
  }
  tables.SetLink(hallService.get());
  HallHttpConfig http;
  http.bindAddress = o.bind;
  http.port = o.lobbyPort.value_or(
      server.Port() == 0 || o.port == 0 ? 0 : static_cast<uint16_t>(server.Port() + 1));
  http.maxEventStreams = o.maxEventStreams;
  HallHttpServer lobby(*hallService, http);
  if (!lobby.Start(&error)) {
    std::cerr << "korvel-server: " << error << "\n";
    return 2;
  }
  const int signals = signalfd(-1, &mask, SFD_CLOEXEC | SFD_NONBLOCK);
  std::cerr << "korvel-server: listening on " << o.bind << ":" << server.Port() << ", " << hall.bots
            << " computer player" << (hall.bots == 1 ? "" : "s") << " per table, turn "
            << o.turnSeconds << " s" << (o.watchers ? ", watchers allowed" : "")
            << (o.props ? ", props on" : "") << std::endl;
  std::cerr << "korvel-server: hall on http://" << o.bind << ":" << lobby.Port() << "/api/v1/, "
            << (o.open ? "open to any name, " : "") << "database " << storage->Describe()
            << std::endl;
  int64_t lastHousekeeping = clock.NowMs();
  for (;;) {
    if (server.RunOnce(200, signals)) break;
    if (traceFile.is_open()) traceFile.flush();
    if (clock.NowMs() - lastHousekeeping >= 1000) {
      lastHousekeeping = clock.NowMs();
      hallService->Housekeeping();
    }
  }
  lobby.Stop();
  tables.SetLink(nullptr);
  writer.WaitIdle();
  std::vector<int64_t> writes = hallService->SettlementMicros();
  if (!writes.empty()) {
    std::sort(writes.begin(), writes.end());
    const auto at = [&](double p) {
      return static_cast<double>(
                 writes[std::min(writes.size() - 1, static_cast<size_t>(p * writes.size()))]) /
             1000.0;
    };
    std::fprintf(stderr,
                 "korvel-server: %zu settlements written, p50 %.3f ms, p99 %.3f ms, max %.3f ms\n",
                 writes.size(), at(0.5), at(0.99), at(1.0));
  }
  std::cerr << "korvel-server: stopped\n";
  if (signals >= 0) ::close(signals);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  ServerOptions o;
  std::string error;
  if (!ParseServerOptions(argc, argv, o, error)) {
    std::cerr << "korvel-server: " << error << "\n";
    return 2;
  }
  if (o.help) {
    std::fputs(ServerUsage(), stdout);
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
