// The board of a deal that ended without payments while props were active: "黄庄" for every
// seat with the component's lines and amounts, the history line, the record file and the
// continue prompt, which always counts fifteen seconds.
#include "app/client.h"
#include "platform/notices.h"
#include "props/prop_component.h"
#include "props/prop_text.h"
#include "protocol/seat_info.h"
#include "settlement/amount_text.h"

namespace korvel {
namespace {

constexpr const char* kDrawnLine = "      黄  庄";
constexpr const char* kCoins = "金币";
constexpr int kDealNumberWidth = 12;
constexpr int kHistoryAmountWidth = 9;
constexpr int kContinueSeconds = 15;

}  // namespace

void PropComponent::ShowDrawnDealBoard() {
  Settlement& settlement = client_.settlement();
  TableView& view = client_.view();
  Scene& scene = view.scene();
  const ScoreBoardElements& board = settlement.board();
  const HistoryElements& history = settlement.history();
  Form& b = scene.form(board.form);
  Form& h = scene.form(history.form);
  auto& seats = client_.seating().seatInfo;
  PropScoreBuffers& extra = settlement.propScore;

  client_.loop().InDeal = false;
  h.AddLine(history.Num, PadLeft(std::to_string(client_.tablePlay().DealCount), kDealNumberWidth));
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

  if (!client_.autoPlay().HiddenByKey && view.laidOut()) {
    settlement.PlaceBoard();
    b.SetFormVisible(true);
  }
  settlement.WriteDealRecord(client_.tablePlay().DealCount);
  if (settlement.PropPlayerLeft) {
    if (Active()) Shutdown(0);
    settlement.PropSettleState = 0;
  } else {
    settlement.PropSettleState = 2;
  }

  client_.messages().Clear(0);
  client_.messages().Add(0, kContinuePrompt);
  view.ButtonLocked[2] = false;
  LoopState& loop = client_.loop();
  loop.TableCleared = false;
  client_.messages().Clear(1);
  client_.messages().Add(1, StartNotice(kContinueSeconds));
  if (client_.settings().Spectator) return;
  // The turn clock shares the seconds; only the countdown may run now.
  client_.loop().LoopFlag[kStepTurnClock] = false;
  loop.LocalTurn = false;
  loop.TurnClock = kContinueSeconds;
  client_.view().ShowClock(kContinueSeconds);
  if (view.laidOut()) {
    view.main().BringToFront(view.el.Time_Img);
    view.main().BringToFront(view.el.Number);
  }
  client_.loop().Arm(kStepDealEndCountdown);
}

}  // namespace korvel
