#include "app/server_options.h"

#include <charconv>
#include <string_view>

namespace korvel::server {

namespace {

constexpr const char* kUsage =
    "Usage: korvel-server [options]\n"
    "The Korvel game server: seats three players per table in login order, fills each new\n"
    "table with computer players, deals, judges claims and wins, and scores. A player whose\n"
    "connection drops during a game may reconnect to its seat with the key the server gave it.\n"
    "\n"
    "  --port N            listen on TCP port N (default 6000; 0 picks a free port)\n"
    "  --bind ADDR         listen on this IPv4 address (default 127.0.0.1: this machine only;\n"
    "                      --bind 0.0.0.0 opens the server to the network on purpose)\n"
    "  --bots N            computer players seated in each new table, 0..2 (default 2)\n"
    "  --seed N            shuffle the walls from seed N, so deals repeat\n"
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
    "  --max-tables N      tables in play at once, 1..100000 (default 200)\n"
    "  --login-seconds S   time a new connection has to log in, 1..60 (default 10)\n"
    "  --fee PERCENT       fee taken from each deal's winnings, 0..50 (default 0: no fee)\n"
    "  --coins N           coins each player starts with, 0..1000000000 (default 10000)\n"
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
