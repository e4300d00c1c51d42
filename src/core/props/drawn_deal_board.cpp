// The board of a deal that ended without payments while props were active: "黄庄" for every
// seat with the component's lines and amounts, the history line, the record file and the
// continue prompt, which always counts fifteen seconds.
#include "model/loop_state.h"
#include "model/player_record.h"
#include "model/session_settings.h"
#include "platform/notices.h"
#include "platform/ports.h"
#include "props/prop_component.h"
#include "props/prop_text.h"
#include "protocol/seat_info.h"
#include "settlement/amount_text.h"
#include "settlement/settlement.h"
#include "view/message_lines.h"
#include "view/table_view.h"

namespace korvel {
namespace {

constexpr const char* kDrawnLine = "      黄  庄";
constexpr const char* kCoins = "金币";
constexpr int kDealNumberWidth = 12;
constexpr int kHistoryAmountWidth = 9;
constexpr int kContinueSeconds = 15;

}  // namespace

void PropComponent::ShowDrawnDealBoard() {
  Settlement& settlement = settlement_;
  TableView& view = view_;
  Scene& scene = view.scene();
  const ScoreBoardElements& board = settlement.board();
  const HistoryElements& history = settlement.history();
  Form& b = scene.form(board.form);
  Form& h = scene.form(history.form);
  auto& seats = table_.seatInfo;
  PropScoreBuffers& extra = settlement.propScore;

  loop_.InDeal = false;
  h.AddLine(history.Num, PadLeft(std::to_string(table_.progress.DealCount), kDealNumberWidth));
  const auto addBoardLine = [&](int list, const std::string& line) {
    settlement.boardLines[list].push_back(line);
    b.AddLine(board.State[list], line);
  };
  for (int v = 0; v < kSeats; ++v) {
    double& amount = settlement.stores.dealAmount[v];
    addBoardLine(v, kDrawnLine);
    amount = 0;
    if (!extra.ExtraLines[v].empty()) {
      // Added as they come: this board takes no colour from the lines' ends.
      addBoardLine(v, "");
      for (const std::string& entry : SplitBars(extra.ExtraLines[v])) addBoardLine(v, entry);
      addBoardLine(v, "");
      amount += extra.ExtraAmount[v];
      seats[v].coins += extra.ExtraAmount[v];
      settlement.RunningTotal[v] += extra.ExtraAmount[v];
      extra.ExtraAmount[v] = 0;
      extra.ExtraLines[v].clear();
    }
    if (view.laidOut())
      view.main().SetCaption(view.el.Cash[v], NumberText(seats[v].coins) + kCoins);
    addBoardLine(kFinalScoreList + v, "最终分：" + AmountText(amount) + kCoins);
    h.AddLine(history.Grade[v], PadLeft(AmountText(amount), kHistoryAmountWidth) + kCoins);
    h.SetCaption(history.sumScore[v], NumberText(settlement.RunningTotal[v]) + kCoins);
  }

  if (!table_.progress.HiddenByKey && view.laidOut()) {
    settlement.PlaceBoard();
    b.SetFormVisible(true);
  }
  settlement.WriteDealRecord(table_.progress.DealCount);
  if (settlement.PropPlayerLeft) {
    if (Active()) Shutdown(0);
    settlement.PropSettleState = 0;
  } else {
    settlement.PropSettleState = 2;
  }

  messages_.Clear(0);
  messages_.Add(0, kContinuePrompt);
  view.ButtonLocked[2] = false;
  LoopState& loop = loop_;
  loop.TableCleared = false;
  messages_.Clear(1);
  messages_.Add(1, StartNotice(kContinueSeconds));
  if (settings_.Spectator) return;
  // The turn clock shares the seconds; only the countdown may run now.
  loop_.LoopFlag[kStepTurnClock] = false;
  loop.LocalTurn = false;
  loop.TurnClock = kContinueSeconds;
  view_.ShowClock(kContinueSeconds);
  if (view.laidOut()) {
    view.main().BringToFront(view.el.Time_Img);
    view.main().BringToFront(view.el.Number);
  }
  loop_.Arm(kStepDealEndCountdown);
}

}  // namespace korvel
