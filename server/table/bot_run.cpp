#include "table/bot_run.h"

#include <sstream>

#include "table/hall.h"

namespace korvel::server {

namespace {

class RunListener : public TableListener {
 public:
  RunListener(BotRunSummary& summary, const std::function<void(std::string_view)>& log)
      : summary_(summary), log_(log) {}
  void Log(std::string_view line) override {
    if (log_) log_(line);
  }
  void DealFinished(int, const DealOutcome& out) override {
    ++summary_.deals;
    if (Sum(out.total) != 0) ++summary_.unbalancedDeals;
    if (out.exhausted) ++summary_.wallsRunOut;
  }
  void WinFinished(int, const WinEvent& ev) override {
    ++summary_.winEvents;
    if (ev.selfDrawn) {
      ++summary_.selfDrawnWins;
    } else if (ev.winners[0].value.code.bytes[1] % 16 == static_cast<int>(WinManner::RobbedGang)) {
      summary_.robbedGangWins += ev.winnerCount;
    } else {
      summary_.discardWins += ev.winnerCount;
      if (ev.winnerCount > 1) ++summary_.doubleWins;
    }
  }

 private:
  BotRunSummary& summary_;
  const std::function<void(std::string_view)>& log_;
};

}  // namespace

BotRunSummary RunBotDeals(const BotRunOptions& options) {
  BotRunSummary summary;
  ManualClock clock;
  ShantenCalculator shanten;
  RunListener listener(summary, options.log);
  TableConfig config;
  config.botDelayMs = 0;
  config.startSeconds = 0;
  config.continueGraceMs = 0;
  config.dealLimit = options.deals;
  // Computer players among themselves play for units; coins never end their run.
  config.startingCoins = int64_t{1} << 50;
  config.minimumCoins = 0;
  summary.baseStake = config.baseStake;
  Table table(1, config, clock, options.seed, shanten, listener, options.walls);
  for (int i = 0; i < kSeatCount; ++i) table.Seat(Hall::BotProfile(1, i), nullptr);
  while (table.DealsPlayed() < options.deals) {
    const int64_t wake = table.NextWakeMs();
    if (wake == Table::kNever) break;  // cannot happen with three computer players
    if (wake > clock.NowMs()) clock.Set(wake);
    table.Tick();
  }
  for (int s = 0; s < kSeatCount; ++s) {
    summary.units[s] = table.UnitsOf(s);
    summary.coins[s] = table.CoinsOf(s) - config.startingCoins;
    summary.names[s] = table.PlayerAt(s).account;
  }
  return summary;
}

std::string FormatSummary(const BotRunSummary& s) {
  std::ostringstream out;
  out << "deals played: " << s.deals << "\n";
  out << "wins: " << s.selfDrawnWins << " self-drawn, " << s.discardWins << " on a discard ("
      << s.doubleWins << " double), " << s.robbedGangWins
      << " robbing a gang; walls run out: " << s.wallsRunOut << "\n";
  int64_t sum = 0;
  for (int i = 0; i < kSeatCount; ++i) {
    out << "seat " << i << " " << s.names[i] << ": " << (s.units[i] >= 0 ? "+" : "") << s.units[i]
        << " units, " << (s.coins[i] >= 0 ? "+" : "") << s.coins[i] << " coins\n";
    sum += s.units[i];
  }
  const bool balanced = s.unbalancedDeals == 0 && sum == 0;
  out << "zero-sum: " << (balanced ? "every deal balanced" : "NOT balanced") << " (sum of totals "
      << sum << ", unbalanced deals " << s.unbalancedDeals << ")\n";
  return out.str();
}

}  // namespace korvel::server
