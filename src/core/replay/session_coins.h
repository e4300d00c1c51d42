// The player's coins over recorded games: for each session file, the coins the player's own
// information record showed when the game began and what the deal results moved since, so the
// hall window can chart the last games without asking any server.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "replay/session_file.h"

namespace korvel {

struct GameCoins {
  std::string path;      // the session file
  std::string fileName;  // its name, which starts with the time it began (YYYYMMDD-HHMMSS_...)
  std::string user;      // the account that played (header "user")
  std::string server;    // header "server"
  std::string location;  // header "location"
  bool watcher = false;  // header "watcher" = 1: no coins of the player's own moved
  bool coinsKnown = false;  // the player's own information record was in the file
  int64_t coinsAtStart = 0;
  int64_t coinsAtEnd = 0;  // coinsAtStart plus every settled deal's change for the player
  int deals = 0;           // deals that were settled for the player
};

// What one session says about the player's coins. Never reads past the entries it is given.
GameCoins SummariseCoins(const SessionFile& file);

// The last `limit` games in `folder` (session files, oldest first by name) whose coins are
// known, oldest first; watched games are left out. Unreadable files are skipped.
std::vector<GameCoins> RecentGames(const std::string& folder, size_t limit);

}  // namespace korvel
