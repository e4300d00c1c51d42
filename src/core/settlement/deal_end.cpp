// The deal results (command 9) and the deal-end notices (command 16): coin results, the board
// or its hand-over to the prop component, players leaving, the next dealer, coins running out.
#include <algorithm>
#include <limits>

#include "model/loop_state.h"
#include "model/player_record.h"
#include "model/session_settings.h"
#include "net/connection.h"
#include "net/reconnection.h"
#include "net/records.h"
#include "platform/gbk.h"
#include "platform/notices.h"
#include "platform/ports.h"
#include "protocol/seating.h"
#include "protocol/table_exit.h"
#include "settlement/deal_end_props.h"
#include "settlement/settlement.h"
#include "view/message_lines.h"
#include "view/table_view.h"

namespace korvel {
namespace {

// Record offsets of a deal result.
constexpr size_t kDealScore = 16;
constexpr size_t kCapFlag = 24;
constexpr size_t kSubtotalSign = 25;
constexpr size_t kSubtotal = 26;
constexpr size_t kFeePercent = 34;
constexpr size_t kTitle = 44;
constexpr size_t kTitleBytes = 16;
constexpr size_t kFeeText = 61;
constexpr size_t kFeeTextBytes = 20;
// Deal-end notice: the table's wealth factor.
constexpr size_t kWealthFactor = 16;

enum SettlementNotice : int {
  kNoticeDealEnd = 0,
  kNoticePlayerLeft = 1,
  kNoticeNextDealer = 2,
  kNoticeCoinsShort = 3,  // and above
};

constexpr int kAllSeatsMask = 7;

int64_t SignedLE64(const RecordBytes& r, size_t at) {
  uint64_t v = 0;
  for (int k = 7; k >= 0; --k) v = v << 8 | r[at + k];
  return static_cast<int64_t>(v);
}

int64_t Negated(int64_t v) {
  return v == std::numeric_limits<int64_t>::min() ? std::numeric_limits<int64_t>::max() : -v;
}

// The server promises 32 bits; a larger value is held at the nearest end of the range.
int32_t Clamp32(int64_t v) {
  return static_cast<int32_t>(std::clamp<int64_t>(v, std::numeric_limits<int32_t>::min(),
                                                  std::numeric_limits<int32_t>::max()));
}

bool SingleSeat(int mask) { return mask == 1 || mask == 2 || mask == 4; }

}  // namespace

void Settlement::OnDealEnd(CommandInfo& info) {
  const RecordBytes& r = records_.ReceivedRecord;
  TableModel& table = table_;
  const ViewPos v = table.ViewOfMask(info.seat);
  CapFlag[v] = r[kCapFlag] == 1 ? 1 : 0;
  if (r[kFeePercent] != 0) FeePercent = r[kFeePercent];

  SeatInfo& seat = table_.seatInfo[v];
  seat.title = DoubleByteText(r, kTitle, kTitleBytes);
  TableView& view = view_;
  if (view.laidOut()) view.main().SetCaption(view.el.Level[v], seat.title);

  ClearBoardList(v);
  ClearBoardList(kFinalScoreList + v);
  const int64_t score = SignedLE64(r, kDealScore);
  table.players[v].dealScore = Clamp32(info.value[1] == 0 ? Negated(score) : score);
  const double subtotal = static_cast<double>(SignedLE64(r, kSubtotal));
  Subtotal[v] = r[kSubtotalSign] == 0 ? -subtotal : subtotal;

  if (++stores.WinReportArrivals >= kSeats) {
    stores.WinReportArrivals = 0;
    // The deal is over: a player leaving from now on restarts the continue countdown.
    table_.progress.CountdownArmed = true;
    const bool payments = std::any_of(table.players.begin(), table.players.end(),
                                      [](const PlayerRecord& p) { return p.dealScore != 0; });
    if (!payments) {
      PrepareBoardFaces();
      if (props_.Active()) {
        DrawnDeal = true;
        propScore.Clear();
        props_.ShowDealEnd();
      } else {
        StartContinueCountdown();
      }
    }
  }
  if (info.value[1] == 1) FeeText = MixedText(r, kFeeText, kFeeTextBytes);
}

void Settlement::OnSettlement(CommandInfo& info) {
  // The seat announcements stopped the keep-alive for the deal; the time between deals needs it
  // again. Started first, so that leaving the table below stops it for good.
  connection_.StartKeepAlive();
  switch (info.value[3]) {
    case kNoticeDealEnd:
      DealEndNotice(info);
      break;
    case kNoticePlayerLeft:
      PlayerLeftNotice(info);
      break;
    case kNoticeNextDealer:
      NextDealer(info);
      break;
    default:
      CoinsShortNotice(info);
      break;
  }
}

void Settlement::PropsTakeOver() {
  PropSettleState = 1;
  propScore.Clear();
  props_.ShowDealEnd();
}

void Settlement::ShowOrHandOver() {
  if (props_.Active()) {
    PropsTakeOver();
    return;
  }
  // Shown here, so the prop pump must not show it a second time.
  PropSettlePending = false;
  ShowSettlement();
}

void Settlement::PropsAfterPlayerLeft() {
  if (PropSettleState == 1) {
    PropPlayerLeft = true;
  } else if (props_.Active()) {
    props_.Shutdown(0);
  }
}

void Settlement::DealEndNotice(const CommandInfo& info) {
  loop_.BetweenDeals = true;
  reconnection_.DealEnded();
  records_.ArmHeld();
  for (int v = 0; v < kSeats; ++v) ClearBoardList(v);
  PropSettlePending = true;
  ShowOrHandOver();
  if (table_.progress.CountdownArmed) {
    table_.progress.CountdownArmed = false;
    loop_.InDeal = false;
    if (!settings_.Spectator) {
      if (info.value[1] == 1) loop_.ShufflePending = true;
      ArmShuffleDisplay();
    }
  }
  if (info.value[2] != 1) ShowWealth(ReadLE32(records_.ReceivedRecord, kWealthFactor));
}

void Settlement::ArmShuffleDisplay() {
  TableView& view = view_;
  if (view.laidOut()) {
    Form& f = view.main();
    const double centreX = f.GetLeft(view.el.pic1) + f.GetWidth(view.el.pic1) / 2;
    const double centreY = f.GetTop(view.el.pic1) + f.GetHeight(view.el.pic1) / 2;
    for (ElementId e : {view.el.ImgShuffle, view.el.LblShuffle}) {
      f.Move(e, centreX - f.GetWidth(e) / 2, centreY - f.GetHeight(e) / 2);
    }
  }
  const std::string& ad = table_.seating.ShuffleAd;
  if (!ad.empty()) log_.Write("shuffle page: " + ad);
  LoopState& loop = loop_;
  loop.ShuffleArmed = true;
  loop.ShuffleShown = true;
  loop.ShuffleStep = 0;
}

void Settlement::HideShuffleDisplay() {
  timers_.Stop("TimerShuffle");
  TableView& view = view_;
  if (!view.laidOut()) return;
  view.main().Hide(view.el.LblShuffle);
  view.main().Hide(view.el.ImgShuffle);
}

void Settlement::ShowWealth(uint32_t factor) {
  TableView& view = view_;
  if (!view.laidOut()) return;
  Form& f = view.main();
  if (factor >= 100) f.SetFontSize(view.el.lbwealth, 12);
  if (factor == 0) {
    f.Hide(view.el.Imgwealth);
    f.Hide(view.el.lbwealth);
    return;
  }
  f.SetCaption(view.el.lbwealth, std::to_string(factor));
  f.Show(view.el.Imgwealth);
  f.Show(view.el.lbwealth);
}

void Settlement::PlayerLeftNotice(const CommandInfo& info) {
  TableModel& table = table_;
  const int left = (kAllSeatsMask - info.seat) & kAllSeatsMask;
  if (SingleSeat(left) && left != table.LocalMask()) {
    const std::string& name = table_.seatInfo[table.ViewOfMask(left)].nickname;
    ShowLeaveDialog("玩家" + name + "退出了游戏！游戏结束！");
  }
  table_.progress.GameRunning = false;
  PropsAfterPlayerLeft();
  if (settings_.Spectator) EndWatching();
}

void Settlement::NextDealer(const CommandInfo& info) {
  TableModel& table = table_;
  const ViewPos v = table.ViewOfMask(info.seat);
  // One dealer at a time: the deal start marks the dealer without unmarking the last one.
  for (PlayerRecord& p : table.players) p.isDealer = false;
  table.players[v].isDealer = true;
  TableView& view = view_;
  if (view.laidOut()) {
    view.ShowDealerName(table_.seatInfo[v].nickname);
  }
  records_.SetReconnectKeyFromReceived();
  HideShuffleDisplay();
}

void Settlement::CoinsShortNotice(const CommandInfo& info) {
  HideShuffleDisplay();
  PropSettlePending = true;
  ShowOrHandOver();

  TableModel& table = table_;
  const int local = table.LocalMask();
  const int leaving = (kAllSeatsMask - info.seat) & kAllSeatsMask;
  const auto& seatInfo = table_.seatInfo;
  std::string others;
  for (int mask : {1, 2, 4}) {
    if ((leaving & mask) == 0 || mask == local) continue;
    if (!others.empty()) others += "，";
    others += seatInfo[table.ViewOfMask(mask)].nickname;
  }
  const bool selfLeaves = local != 0 && (leaving & local) != 0;
  const std::string self = selfLeaves ? "，" + seatInfo[0].nickname : "";
  messages_.Clear(0);
  messages_.Add(0, "玩家" + others + self + "金币不够，退出游戏！");
  if (selfLeaves) {
    // value(1) marks the seats told to change rooms rather than claim the allowance.
    const bool changeRoom = (info.value[1] & local) != 0;
    const char* advice =
        changeRoom ? "请更换房间或充值后继续游戏！" : "请领取低保或充值后继续游戏！";
    ShowLeaveDialog(others.empty() ? std::string("您的金币不够，") + advice
                                   : "玩家" + others + "以及您的金币不够，" + advice);
  }
  PropsAfterPlayerLeft();
  table_.progress.GameRunning = false;
  if (selfLeaves) {
    connection_.CanReconnect = false;
    exit_.LeaveTable();
    // No deal follows: the countdown the board started is gone, and every main button leads
    // back to the lobby.
    table_.progress.GameEnded = true;
    messages_.ShowGameOver();
  }
  loop_.InDeal = false;
  loop_.TableCleared = false;
  if (settings_.Spectator) EndWatching();
}

void Settlement::ShowLeaveDialog(const std::string& text) {
  LeaveDialogText = text;
  ShowMessage(dialogs_, log_, text, kTitleApp);
}

void Settlement::EndWatching() {
  ShowMessage(dialogs_, log_, "有用户退出，旁观结束！", kTitleApp);
  EndClientNow(process_, 0);
}

}  // namespace korvel
