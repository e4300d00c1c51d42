#include "app/server_options.h"

#include <charconv>
#include <string_view>

namespace korvel::server {

namespace {

constexpr const char* kUsage =
    "Usage: korvel-server [options]\n"
    "The Korvel game server: deals, judges claims and wins, scores, and plays computer\n"
    "players. Its hall keeps accounts in a database and serves HTTP and JSON on the lobby port:\n"
    "players register, sign in, open tables and reserve seats there, and the game port lets a\n"
    "client in only with the key its reservation gave (with --open anyone sits, in login\n"
    "order). A player whose connection drops during a game may reconnect to its seat with the\n"
    "key the server gave it. docs/protocol.md describes the records, the hall and its rules.\n"
    "\n"
    "  --port N            listen on TCP port N (default 6000; 0 picks a free port)\n"
    "  --bind ADDR         listen on this IPv4 address (default 127.0.0.1: this machine only;\n"
    "                      --bind 0.0.0.0 opens the server to the network on purpose)\n"
    "  --database DB       the hall's database: an SQLite FILE, or postgresql://USER@HOST/NAME\n"
    "                      to share one hall among several server processes (default:\n"
    "                      $XDG_STATE_HOME/korvel-server/korvel.db, made on first start)\n"
    "  --create-database   make the SQLite file named by --database if it does not exist\n"
    "  --open              anyone may sit under any name without a hall key, as at a private\n"
    "                      or LAN game; accounts are made on first login, in a temporary\n"
    "                      database unless --database is given\n"
    "  --lobby-port N      the hall service's HTTP port (default: the game port + 1; 0 picks\n"
    "                      a free port); it listens on the --bind address\n"
    "  --public-host HOST  the host a seat reservation tells clients to connect to (default:\n"
    "                      the --bind address, or 127.0.0.1 when that is 0.0.0.0)\n"
    "  --no-register       the hall takes no new accounts (POST /api/v1/accounts gives 403)\n"
    "  --daily-coins N     once a day an account below N coins is topped up to N when it next\n"
    "                      reserves a seat or looks at itself, 0..1000000000 (default 2000)\n"
    "  --max-event-streams N  open GET /api/v1/events streams at once, 1..10000 (default 64;\n"
    "                      each holds a thread)\n"
    "  --bots N            computer players seated in each new table, 0..2 (default 2)\n"
    "  --seed N            for tests only: shuffle the walls from seed N, so deals repeat\n"
    "                      (without it every wall comes from the system's secure random source)\n"
    "  --wall FILE         play the walls listed in FILE in turn (72 tiles each, draw order)\n"
    "  --turn-seconds S    seconds a player has for a turn, 3..15 (default 8)\n"
    "  --start-seconds S   seconds from a full table to the first deal, 0..3600 (default 15)\n"
    "  --pause-seconds S   longest pause between deals, 15..3600 (default 15; the next deal\n"
    "                      starts sooner once all three have pressed continue)\n"
    "  --reconnect-seconds S  how long a seat whose connection dropped during a game waits\n"
    "                      for its player to reconnect, 0..3600 (default 90; 0: the player left)\n"
    "  --watchers          let clients watch tables: a login whose key is \"watch\" follows the\n"
    "                      first player of a table in play, \"watch:ACCOUNT\" that player; never\n"
    "                      a table where the same account or address plays (default: off)\n"
    "  --max-watchers N    watchers per table with --watchers, 1..64 (default 4)\n"
    "  --max-connections N open connections in all, 1..100000 (default 512)\n"
    "  --max-per-address N connections and held seats per client address, 1..100000\n"
    "                      (default 16)\n"
    "  --max-waiting-per-address N  connections from one address that have not logged in\n"
    "                      yet, 1..100000 (default 8); when the server is full the address\n"
    "                      with the most of them loses its oldest to a newcomer\n"
    "  --max-tables N      tables in play at once, 1..100000 (default 200)\n"
    "  --login-seconds S   time a new connection has to log in, 1..60 (default 10)\n"
    "  --fee PERCENT       fee taken from each deal's winnings, 0..50 (default 0: no fee)\n"
    "  --coins N           coins a new account starts with, 0..1000000000 (default 10000)\n"
    "  --stake N           coins per scoring unit, 1..100000 (default 10)\n"
    "  --props             let the clients' prop component run and relay its messages\n"
    "  --deals N           with --bots 3: play N deals among computer players as fast as\n"
    "                      possible, print a summary and exit (0 when every deal balanced)\n"
    "  --trace FILE        write every record in and out, decoded, one line each\n"
    "  --quiet             log nothing but errors\n"
    "  --help              show this text\n";

template <typename T>
bool ParseNumber(std::string_view text, T& out, T low, T high) {
  T v{};
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
  if (ec != std::errc() || end != text.data() + text.size() || v < low || v > high) return false;
  out = v;
  return true;
}

}  // namespace

const char* ServerUsage() { return kUsage; }

bool ParseServerOptions(int argc, const char* const* argv, ServerOptions& o, std::string& error) {
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
    if (arg == "--watchers") {
      o.watchers = true;
      continue;
    }
    if (arg == "--props") {
      o.props = true;
      continue;
    }
    if (arg == "--open") {
      o.open = true;
      continue;
    }
    if (arg == "--no-register") {
      o.registration = false;
      continue;
    }
    if (arg == "--create-database") {
      o.createDatabase = true;
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
      ok = !value.empty();
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
      ok = ParseNumber(value, o.turnSeconds, kMinTurnSeconds, kMaxTurnSeconds);
    } else if (arg == "--start-seconds") {
      ok = ParseNumber(value, o.startSeconds, 0, 3600);
    } else if (arg == "--pause-seconds") {
      ok = ParseNumber(value, o.pauseSeconds, kContinueCountdownSeconds, 3600);
    } else if (arg == "--reconnect-seconds") {
      ok = ParseNumber(value, o.reconnectSeconds, 0, 3600);
    } else if (arg == "--max-watchers") {
      ok = ParseNumber(value, o.maxWatchers, 1, 64);
    } else if (arg == "--max-connections") {
      ok = ParseNumber(value, o.maxConnections, 1, 100000);
    } else if (arg == "--max-per-address") {
      ok = ParseNumber(value, o.maxPerAddress, 1, 100000);
    } else if (arg == "--max-waiting-per-address") {
      ok = ParseNumber(value, o.maxWaitingPerAddress, 1, 100000);
    } else if (arg == "--max-tables") {
      ok = ParseNumber(value, o.maxTables, 1, 100000);
    } else if (arg == "--login-seconds") {
      ok = ParseNumber(value, o.loginSeconds, 1, 60);
    } else if (arg == "--fee") {
      ok = ParseNumber(value, o.feePercent, 0, 50);
    } else if (arg == "--coins") {
      ok = ParseNumber<int64_t>(value, o.coins, 0, 1000000000);
    } else if (arg == "--stake") {
      ok = ParseNumber(value, o.stake, 1, 100000);
    } else if (arg == "--deals") {
      ok = ParseNumber(value, o.deals, 1, 10000000);
    } else if (arg == "--database") {
      o.database = value;
      ok = !value.empty();
    } else if (arg == "--lobby-port") {
      uint16_t port = 0;
      ok = ParseNumber<uint16_t>(value, port, 0, 65535);
      o.lobbyPort = port;
    } else if (arg == "--public-host") {
      o.publicHost = value;
      ok = !value.empty() && value.size() <= 253;
    } else if (arg == "--daily-coins") {
      ok = ParseNumber(value, o.dailyCoins, 0, 1000000000);
    } else if (arg == "--max-event-streams") {
      ok = ParseNumber(value, o.maxEventStreams, 1, 10000);
    } else if (arg == "--trace") {
      o.traceFile = value;
    } else {
      error = "unknown option " + std::string(arg) + " (see --help)";
      return false;
    }
    if (!ok) {
      error = "bad value for " + std::string(arg) + ": " + std::string(value);
      if (arg == "--turn-seconds")
        error += " (the client's clock needs " + std::to_string(kMinTurnSeconds) + ".." +
                 std::to_string(kMaxTurnSeconds) + ")";
      if (arg == "--pause-seconds")
        error += " (at least the client's " + std::to_string(kContinueCountdownSeconds) +
                 " s continue countdown)";
      return false;
    }
  }
  return true;
}

}  // namespace korvel::server
