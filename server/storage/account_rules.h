// The rules that turn play into an account's figures, in one place for both engines and the
// documentation (docs/protocol.md, "Accounts").
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace korvel::server {

struct AccountRules {
  int64_t startingCoins = 10000;  // a new account's coins
  // Once a day (UTC), an account below this is topped up to it when it next takes a seat.
  int64_t dailyTopUp = 2000;
  int64_t startingCredit = 100;
};

inline constexpr int64_t kMaxCredit = 100;
// A game abandoned (a connection lost mid-game and not back in time) costs this much credit;
// every finished deal gives one back, up to kMaxCredit.
inline constexpr int64_t kAbandonCredit = 10;

// The title shown at a seat, from the account's points.
std::string TitleForPoints(int64_t points);
// The same rule as an SQL expression over a column named `points`, so an update stays one
// statement.
std::string_view TitleSqlCase();

inline int64_t DayOf(int64_t unixSeconds) { return unixSeconds / 86400; }

}  // namespace korvel::server
