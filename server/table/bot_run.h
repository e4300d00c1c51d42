// Bot-only deals played as fast as the rules allow, on virtual time: the --deals mode of the
// server and its benchmark.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "rules/wall.h"
#include "table/table.h"

namespace korvel::server {

struct BotRunSummary {
  int deals = 0;
  int unbalancedDeals = 0;  // deals whose payments did not sum to zero
  int winEvents = 0;
  int selfDrawnWins = 0;
  int discardWins = 0;
  int robbedGangWins = 0;
  int doubleWins = 0;
  int wallsRunOut = 0;
  std::array<int64_t, kSeatCount> units{};
  std::array<int64_t, kSeatCount> coins{};
  std::array<std::string, kSeatCount> names{};
  int baseStake = 0;
};

struct BotRunOptions {
  int deals = 1;
  uint64_t seed = 0;
  const std::vector<WallTiles>* walls = nullptr;
  std::function<void(std::string_view)> log;  // table log lines; none when empty
};

BotRunSummary RunBotDeals(const BotRunOptions& options);
// The printed summary; ends with the zero-sum verdict.
std::string FormatSummary(const BotRunSummary& summary);

}  // namespace korvel::server
