#include "replay/session_coins.h"

#include <algorithm>
#include <limits>

#include "replay/session_records.h"
#include "replay/session_store.h"

namespace korvel {
namespace {

using namespace recorded;

constexpr int64_t kMost = std::numeric_limits<int64_t>::max();

// Sums that a hostile file could push past 64 bits stop at the nearest end of the range.
int64_t SaturatingAdd(int64_t a, int64_t b) {
  int64_t sum = 0;
  if (!__builtin_add_overflow(a, b, &sum)) return sum;
  return b > 0 ? kMost : std::numeric_limits<int64_t>::min();
}

// A deal result's change for its seat: a magnitude with the sign in value(1).
int64_t CoinChange(const RecordBytes& r) {
  const int64_t size = static_cast<int64_t>(std::min<uint64_t>(ReadLE64(r, kCoinChange), kMost));
  return Low(r, 1) != 0 ? size : -size;
}

}  // namespace

GameCoins SummariseCoins(const SessionFile& file) {
  GameCoins game;
  game.user = file.Field("user");
  game.server = file.Field("server");
  game.location = file.Field("location");
  game.watcher = file.Field("watcher") == "1";
  // A watcher sees another player's records; none of them are the player's own coins.
  if (game.watcher) return game;

  SeatNames seats;
  // The account the server named as the player's own; the same as the launch's unless the
  // header lost it.
  std::string self;
  const auto own = [&](const std::string& account) {
    return !account.empty() && (account == game.user || account == self);
  };
  int64_t moved = 0;
  for (const SessionEntry& e : file.entries) {
    if (e.kind != EntryKind::Received) continue;
    const RecordBytes& r = e.record;
    seats.Take(r);
    const int command = r[rec::kCommand];
    if (command == kCmdPlayerInfo && (r[rec::kSeat] & 0x0F) == kSeatSelf) {
      // Later ones follow the deals the results below already count.
      if (game.coinsKnown) continue;
      game.coinsKnown = true;
      game.coinsAtStart = static_cast<int64_t>(ReadLE64(r, kCoins));
      self = PlainText(r, kAccount, kAccountBytes);
    } else if (command == kCmdDealResult && own(seats.Account(r[rec::kSeat]))) {
      moved = SaturatingAdd(moved, CoinChange(r));
      ++game.deals;
    }
  }
  if (game.coinsKnown) game.coinsAtEnd = SaturatingAdd(game.coinsAtStart, moved);
  return game;
}

std::vector<GameCoins> RecentGames(const std::string& folder, size_t limit) {
  std::vector<GameCoins> games;
  FolderSessionStore store(folder);
  const std::vector<StoredSession> files = store.List();
  // Newest first, so that no more files are read than the games asked for.
  for (auto it = files.rbegin(); it != files.rend() && games.size() < limit; ++it) {
    const std::string path = folder + "/" + it->name;
    // A file too large, unreadable or not a session is unusable and gives no coins.
    GameCoins game = SummariseCoins(ReadSessionFile(path));
    if (!game.coinsKnown || game.watcher) continue;
    game.path = path;
    game.fileName = it->name;
    games.push_back(std::move(game));
  }
  std::reverse(games.begin(), games.end());
  return games;
}

}  // namespace korvel
