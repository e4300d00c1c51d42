// The score board of a deal: the breakdown, the totals below it, the seats' statistics and
// labels, the history line, the record file and the continue prompt.
#include <algorithm>
#include <cstdlib>
#include <optional>
#include <tuple>

#include "model/loop_state.h"
#include "model/player_record.h"
#include "model/session_settings.h"
#include "platform/gbk.h"
#include "platform/notices.h"
#include "platform/ports.h"
#include "protocol/seating.h"
#include "settlement/amount_text.h"
#include "settlement/deal_end_props.h"
#include "settlement/settlement.h"
#include "view/message_lines.h"
#include "view/table_view.h"

namespace korvel {
namespace {

constexpr uint32_t kRed = 0xFF0000;
constexpr uint32_t kBlack = 0x000000;
constexpr const char* kCoinsUnit = "金币";
constexpr const char* kBarsUnit = "金条";
constexpr const char* kTotalsRule = "============================";
constexpr int kContinueSeconds = 15;
constexpr int kQuickContinueSeconds = 3;
constexpr uint32_t kLargestColour = 0xFFFFFF;
constexpr int kStartButtonIndex = 2;

// A factor shown on a label; text that is no number leaves amounts as they are.
double FactorOf(const std::string& text) {
  char* end = nullptr;
  const double v = std::strtod(text.c_str(), &end);
  return end == text.c_str() ? 1.0 : v;
}

std::vector<std::string> SplitEntries(const std::string& joined) {
  std::vector<std::string> entries;
  size_t start = 0;
  while (true) {
    const size_t bar = joined.find('|', start);
    entries.push_back(
        joined.substr(start, bar == std::string::npos ? std::string::npos : bar - start));
    if (bar == std::string::npos) return entries;
    start = bar + 1;
  }
}

// The colour number a prop line ends with: eight decimal characters, 0..0xFFFFFF, written the
// Windows way (red in the low byte). Anything else is no colour.
std::optional<uint32_t> TrailingColour(const std::string& entry) {
  const size_t length = Utf8Length(entry);
  const std::string tail(length > 8 ? entry.substr(Utf8Prefix(entry, length - 8).size()) : entry);
  if (tail.empty() || tail.size() > 8) return std::nullopt;
  const std::string trimmed(tail.substr(tail.find_first_not_of(' ') == std::string::npos
                                            ? tail.size()
                                            : tail.find_first_not_of(' ')));
  if (trimmed.empty() ||
      !std::all_of(trimmed.begin(), trimmed.end(), [](char c) { return c >= '0' && c <= '9'; })) {
    return std::nullopt;
  }
  const unsigned long value = std::strtoul(trimmed.c_str(), nullptr, 10);
  if (value > kLargestColour) return std::nullopt;
  const uint32_t bgr = static_cast<uint32_t>(value);
  return (bgr & 0xFF) << 16 | (bgr & 0xFF00) | (bgr >> 16 & 0xFF);
}

}  // namespace

std::string Settlement::Unit(int v) const {
  return stores.Currency[v] == 1 ? kCoinsUnit : kBarsUnit;
}

bool Settlement::DiceDouble() const {
  const TableView& view = view_;
  return view.laidOut() && view.main().Visible(view.el.lblDifen);
}

std::string Settlement::DiceFactorText() const {
  const TableView& view = view_;
  if (!view.laidOut()) return "1";
  const Element* e = view.main().Get(view.el.lblDifen);
  return e ? e->caption : "1";
}

bool Settlement::WealthDouble() const { return table_.seating.SmallestStake() > 0; }

std::string Settlement::WealthFactor() const {
  return std::to_string(table_.seating.SmallestStake());
}

void Settlement::SetBoardList(int k, const std::vector<std::string>& lines) {
  if (k < 0 || k >= kBoardLists) return;
  Form& f = view_.scene().form(board().form);
  f.ClearLines(board_.State[k]);
  for (const std::string& line : lines) f.AddLine(board_.State[k], line);
}

void Settlement::ClearBoardList(int k) {
  if (k < 0 || k >= kBoardLists) return;
  boardLines[k].clear();
  view_.scene().form(board().form).ClearLines(board_.State[k]);
}

void Settlement::SetBoardColour(int v, uint32_t rgb) {
  if (v < 0 || v >= kSeats) return;
  boardColour[v] = rgb & 0xFFFFFF;
  view_.scene().form(board().form).SetColor(board_.State[v], boardColour[v]);
}

void Settlement::PrepareBoardFaces() {
  Scene& scene = view_.scene();
  Form& b = scene.form(board().form);
  Form& h = scene.form(history().form);
  const SpriteLists& sprites = view_.sprites();
  for (int v = 0; v < kSeats; ++v) {
    const SeatingState::Face& face = table_.seating.SeatFace[v];
    const int avatar = std::clamp(std::atoi(face.avatar.c_str()), 0, 19);
    for (auto [form, tou, id] : {std::tuple{&b, board_.Tou[v], board_.ID[v]},
                                 std::tuple{&h, history_.Tou[v], history_.ID[v]}}) {
      form->SetCaption(id, face.nickname);
      if (face.nickname.empty()) {
        form->ClearPicture(tou);
      } else {
        form->LoadSprite(tou, sprites.AvatarSprites[avatar]);
      }
    }
  }
}

void Settlement::ShowSettlement() {
  TableView& view = view_;
  const auto& players = table_.players;
  BuildBoard();
  BuildHistory();
  PrepareBoardFaces();

  std::array<BreakdownSeat, kSeats> seats;
  for (int v = 0; v < kSeats; ++v) {
    const Element* cash = view.laidOut() ? view.main().Get(view.el.Cash[v]) : nullptr;
    seats[v].cashCaption = cash ? cash->caption : "";
    seats[v].dealer = players[v].isDealer;
  }
  const Breakdown breakdown = BuildBreakdown(stores, seats, table_.LocalMask());
  Form& b = view.scene().form(board_.form);
  // The names as this deal left them: a deal without a win shows none in red.
  std::array<uint32_t, kSeats> names = nameColour;
  for (int v = 0; v < kSeats; ++v) {
    if (breakdown.winnerName[v]) names[v] = kRed;
  }
  SetNameColours(names);
  dealNameColours[table_.progress.DealCount] = names;
  for (int v = 0; v < kSeats; ++v) {
    auto& column = boardLines[v];
    column.insert(column.end(), breakdown.columns[v].begin(), breakdown.columns[v].end());
  }
  AddTotals();

  if (!view_.MainWindowMinimized) {
    PlaceBoard();
    b.SetFormVisible(true);
  }
  WriteDealRecord(table_.progress.DealCount);
  if (PropPlayerLeft) {
    if (props_.Active()) props_.Shutdown(0);
    PropSettleState = 0;
  } else {
    PropSettleState = 2;
  }
  StartContinueCountdown();
}

void Settlement::AddTotals() {
  auto& players = table_.players;
  auto& info = table_.seatInfo;
  std::array<std::string, kSeats> units;
  for (int v = 0; v < kSeats; ++v) units[v] = Unit(v);

  // 1. Doubling lines.
  const bool dice = DiceDouble();
  const bool wealth = WealthDouble();
  for (int v = 0; v < kSeats; ++v) {
    if (dice || wealth) {
      boardLines[v].push_back("小计:" + std::to_string(RoundToInt32(Subtotal[v])) + kCoinsUnit);
    }
    if (dice) boardLines[v].push_back("骰子加倍 ×" + DiceFactorText());
    if (wealth) boardLines[v].push_back("财富加倍 ×" + WealthFactor());
  }

  // 2. Statistics, the rule, the total.
  std::array<size_t, kSeats> ruleAt{};
  size_t longest = 0;
  const double stake = static_cast<double>(stores.BaseStake);
  for (int v = 0; v < kSeats; ++v) {
    SeatInfo& s = info[v];
    const int32_t score = players[v].dealScore;
    s.coins = std::max(0.0, s.coins + score);
    double& amount = stores.dealAmount[v];
    if (amount > 0 || (amount == 0 && score > 0)) {
      ++s.wins;
    } else {
      ++s.losses;
    }
    s.points += score;
    if (s.points < 0) s.points = 1;
    boardLines[v].push_back(kTotalsRule);
    ruleAt[v] = boardLines[v].size() - 1;
    longest = std::max(longest, boardLines[v].size());
    // The reports' amount is the one before the table's doubling when it matches the subtotal.
    if (stake * amount == Subtotal[v] && CapFlag[v] != 1) {
      if (dice) amount *= FactorOf(DiceFactorText());
      if (wealth) amount *= FactorOf(WealthFactor());
    }
    boardLines[v].push_back("总分:" + AmountText(stake * amount) + units[v]);
    boardLines[v].push_back(CapFlag[v] == 1 ? "灵活封顶" : "");
  }

  // 3. Fee lines.
  for (int v = 0; v < kSeats; ++v) {
    // A table that charges no fee has no fee line.
    if (stores.dealAmount[v] > 0 && FeePercent != 0) {
      boardLines[v].push_back(FeeText + std::to_string(FeePercent) + "%");
    } else {
      boardLines[v].push_back(" ");
    }
    boardLines[v].push_back("");
  }

  // 4. Final score and the prop component's lines.
  for (int v = 0; v < kSeats; ++v) {
    boardLines[v].push_back("最终分：" + std::to_string(players[v].dealScore) + units[v]);
    SetBoardColour(v, kBlack);
    AddExtraLines(v);
  }

  // 5. Seat labels and history.
  TableView& view = view_;
  for (int v = 0; v < kSeats; ++v) {
    if (view.laidOut()) {
      const Element* cash = view.main().Get(view.el.Cash[v]);
      if (cash && !cash->caption.empty()) {
        view.main().SetCaption(view.el.Cash[v], NumberText(info[v].coins) + units[v]);
      }
    }
    boardLines[kFinalScoreList + v].push_back("最终分：" + std::to_string(players[v].dealScore) +
                                              units[v]);
  }
  AddHistoryLines(table_.progress.DealCount, units);

  // 6. Alignment: every column's rule on the same line, one blank line above the longest.
  for (int v = 0; v < kSeats; ++v) {
    const size_t blanks = longest - (ruleAt[v] + 1) + 1;
    boardLines[v].insert(boardLines[v].begin() + static_cast<long>(ruleAt[v]), blanks, "");
  }
  for (int k = 0; k < kBoardLists; ++k) SetBoardList(k, boardLines[k]);
}

void Settlement::AddExtraLines(int v) {
  std::string& joined = propScore.ExtraLines[v];
  if (!joined.empty()) {
    boardLines[v].push_back("");
    for (std::string entry : SplitEntries(joined)) {
      if (auto colour = TrailingColour(entry)) SetBoardColour(v, *colour);
      const size_t length = Utf8Length(entry);
      if (length > 7) entry = std::string(Utf8Prefix(entry, length >= 8 ? length - 8 : 0));
      boardLines[v].push_back(entry);
    }
    boardLines[v].push_back("");
  }
  const double extra = propScore.ExtraAmount[v];
  table_.seatInfo[v].coins += extra;
  PlayerRecord& p = table_.players[v];
  p.dealScore = RoundToInt32(static_cast<double>(p.dealScore) + extra);
  propScore.ExtraAmount[v] = 0;
  joined.clear();
}

void Settlement::AddHistoryLines(int deal, const std::array<std::string, kSeats>& units) {
  Form& h = view_.scene().form(history().form);
  h.AddLine(history_.Num, PadLeft(std::to_string(deal), 12));
  for (int v = 0; v < kSeats; ++v) {
    const int32_t score = table_.players[v].dealScore;
    h.AddLine(history_.Grade[v], PadLeft(std::to_string(score), 9) + units[v]);
    RunningTotal[v] += score;
    h.SetCaption(history_.sumScore[v], NumberText(RunningTotal[v]) + units[v]);
  }
  // The newest deal comes into view; the seat columns follow the deal list.
  h.ScrollListToEnd(history_.Num);
}

void Settlement::StartContinueCountdown() {
  const int seconds = settings_.QuickMode ? kQuickContinueSeconds : kContinueSeconds;
  messages_.Clear(0);
  messages_.Add(0, kContinuePrompt);
  messages_.Clear(1);
  messages_.Add(1, StartNotice(seconds));
  LoopState& loop = loop_;
  // One clock at a time: a turn clock still running when the deal ended would count the
  // shared seconds down as well, or reload and hide them at its own zero.
  loop_.LoopFlag[kStepTurnClock] = false;
  loop.LocalTurn = false;
  loop.TurnClock = static_cast<int16_t>(seconds);
  loop.ClockShown = true;
  loop.ClockCaption = std::to_string(loop.TurnClock);
  loop.ClockColour = kClockGreen;
  view_.ShowClockCaption(loop.ClockCaption, kClockGreen);
  loop_.Arm(kStepDealEndCountdown);
  // Continue takes a click from here until the countdown or the click sends it; the table is
  // to be cleared again before the next deal.
  loop.TableCleared = false;
  if (!settings_.Spectator) view_.ButtonLocked[kStartButtonIndex] = false;
}

}  // namespace korvel
