// korvel-server's command line: every option, its range, and the usage text that documents it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace korvel::server {

struct ServerOptions {
  uint16_t port = 6000;
  // A local game is not open to the network unless asked for.
  std::string bind = "127.0.0.1";
  std::optional<int> bots;
  std::optional<uint64_t> seed;
  std::string wallFile;
  int turnSeconds = 8;
  int startSeconds = 15;
  int pauseSeconds = 15;
  int reconnectSeconds = 90;
  int deals = 0;
  std::string traceFile;
  bool watchers = false;
  int maxWatchers = 4;
  int maxConnections = 512;
  int maxPerAddress = 16;
  int maxWaitingPerAddress = 8;
  int maxTables = 200;
  int loginSeconds = 10;
  int feePercent = 0;
  int64_t coins = 10000;
  int stake = 10;
  bool props = false;
  // The hall: where accounts live, whether anyone may sit without one, and its HTTP port.
  std::string database;  // empty: the default file (or a temporary one with --open)
  bool createDatabase = false;
  bool open = false;
  std::optional<uint16_t> lobbyPort;  // default: the game port + 1
  bool registration = true;
  std::string publicHost;  // the host a reservation names; default: the bind address
  int dailyCoins = 2000;
  int maxEventStreams = 64;
  bool quiet = false;
  bool help = false;
};

// The client runs its own turn clock from the login result and treats anything under this as
// its default, so the two clocks would disagree.
inline constexpr int kMinTurnSeconds = 3;
inline constexpr int kMaxTurnSeconds = 15;
// The client counts this long before it sends its continue record; a shorter pause would start
// the next deal under its score board.
inline constexpr int kContinueCountdownSeconds = 15;

// False with `error` set on an unknown option, a missing value or a value out of range.
bool ParseServerOptions(int argc, const char* const* argv, ServerOptions& options,
                        std::string& error);
const char* ServerUsage();

}  // namespace korvel::server
