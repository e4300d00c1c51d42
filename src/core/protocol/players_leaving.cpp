#include "protocol/players_leaving.h"

#include <ctime>

#include "chat/table_chat.h"
#include "model/loop_state.h"
#include "model/player_record.h"
#include "model/session_settings.h"
#include "net/connection.h"
#include "net/records.h"
#include "platform/gbk.h"
#include "platform/notices.h"
#include "platform/ports.h"
#include "props/prop_component.h"
#include "protocol/seating.h"
#include "protocol/table_exit.h"
#include "view/message_lines.h"
#include "view/table_view.h"

namespace korvel {
namespace {

constexpr size_t kLeftName = 16;
constexpr size_t kLeftNameEnd = 31;
constexpr size_t kLeftNameShift = 8;
constexpr int kGameOverWaitMs = 2000;
constexpr int kChatBlinks = 8;
constexpr int kCountdownShort = 10;
constexpr int kCountdownLong = 15;

void ReplaceAll(std::string& text, const std::string& what, const std::string& with) {
  if (what.empty()) return;
  for (size_t at = text.find(what); at != std::string::npos;
       at = text.find(what, at + with.size())) {
    text.replace(at, what.size(), with);
  }
}

}  // namespace

PlayersLeaving::PlayersLeaving(TableModel& table, LoopState& loop, LoopControl& loopControl,
                               SessionSettings& settings, TableView& view, MessageLines& messages,
                               Records& records, Connection& connection, Seating& seating,
                               TableExit& exit, TableChat& chat, PropComponent& props,
                               Timers& timers, Dialogs& dialogs, Log& log, Process& process)
    : table_(table),
      loop_(loop),
      loopControl_(loopControl),
      settings_(settings),
      view_(view),
      messages_(messages),
      records_(records),
      connection_(connection),
      seating_(seating),
      exit_(exit),
      chat_(chat),
      props_(props),
      timers_(timers),
      dialogs_(dialogs),
      log_(log),
      process_(process) {}

std::string PlayersLeaving::LeftLine(const std::string& nickname) {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  return nickname + "退出了游戏 " + std::to_string(local.tm_hour) + ":" +
         std::to_string(local.tm_min) + ":" + std::to_string(local.tm_sec);
}

void PlayersLeaving::ClearSeatInfo(int v) {
  if (v < 0 || v >= kSeats) return;
  SeatInfo& s = table_.seatInfo[v];
  SeatInfo cleared;
  cleared.avatar.clear();
  cleared.accountId = s.accountId;
  cleared.nameTag = s.nameTag;
  cleared.voiceLang = s.voiceLang;
  cleared.voiceSet = s.voiceSet;
  cleared.voiceKind = s.voiceKind;
  cleared.amount226 = s.amount226;
  s = cleared;
  // The information window may be showing the figures just cleared.
  seating_.HideInfoWindow();
}

void PlayersLeaving::ClearHistory() { chat_.ClearHistory(); }

void PlayersLeaving::OnPlayerLeft(CommandInfo& info) {
  const RecordBytes& r = records_.ReceivedRecord;
  TableView& view = view_;
  LoopState& loop = loop_;
  Seating& seating = seating_;
  auto& players = table_.players;

  timers_.Stop("TimerShuffle");
  if (view.laidOut()) {
    view.main().Hide(view.el.LblShuffle);
    view.main().Hide(view.el.ImgShuffle);
  }
  loop.ShuffleArmed = false;
  loop.ShuffleShown = false;

  // The first character comes one too high when byte 8 says so.
  std::string raw;
  if (r[kLeftName] != 0) {
    raw += static_cast<char>(r[kLeftNameShift] == 1 ? r[kLeftName] - 1 : r[kLeftName]);
    for (size_t i = kLeftName + 1; i <= kLeftNameEnd && r[i] != 0; ++i) {
      raw += static_cast<char>(r[i]);
    }
  }
  const std::string name = GbkToUtf8(raw);
  if (!name.empty() && name == players[0].name) {
    log_.Write("the server says we left the table: ending");
    EndClientNow(process_, 0);
  }

  for (int k = 1; k <= 2; ++k) {
    if (name.empty() || name != players[k].name) continue;
    --table_.seating.OthersSeated;
    loop.TableCleared = false;
    if (view.laidOut()) {
      Form& f = view.main();
      f.Hide(view.el.OK[k]);
      f.ClearPicture(view.el.Tou[k]);
      for (ElementId e : {view.el.Nid[k], view.el.Cash[k], view.el.Level[k]}) f.SetCaption(e, "");
    }
    messages_.Clear(0);
    messages_.Add(0, LeftLine(table_.seatInfo[k].nickname));
    messages_.Clear(1);
    table_.seating.LastOpponents[k - 1].clear();
    players[k].name.clear();
    ClearSeatInfo(k);
    if (props_.Active()) props_.ClearUser(k);
    if (table_.seating.LastStake != 0) {
      table_.seating.SeatStakes[k] = 0;
      seating.RefreshWealth();
    }
  }

  PropComponent& props = props_;
  if (props.Active() && table_.seating.DealStarted != 0 && table_.seating.PropDealStarted) {
    table_.seating.PropDealStarted = false;
    for (int k = 1; k <= 2; ++k) {
      props.RecState(2, false, k);
      if (view.laidOut()) view.main().Show(view.el.Tou[k]);
    }
    if (props.library().Loaded()) props.library().Api().Ainit("threegame.xml");
  }

  for (PlayerRecord& p : players) p.seatMask = 0;

  if (table_.progress.CountdownArmed) {
    table_.progress.CountdownArmed = false;
    view.ButtonLocked[2] = false;
    loop_.InDeal = false;
    ContinuePressed = false;
    loop.TableCleared = false;
    if (!settings_.Spectator) {
      loop_.LoopFlag[kStepTurnClock] = false;
      loop.LocalTurn = false;
      loop_.Arm(kStepDealEndCountdown);
      loop.TurnClock = static_cast<int16_t>(table_.progress.HiddenByKey ? 1
                                            : info.value[1] == 1        ? kCountdownShort
                                                                        : kCountdownLong);
      view_.ShowClock(loop.TurnClock);
      if (view.laidOut()) {
        view.main().BringToFront(view.el.Number);
        view.main().BringToFront(view.el.Time_Img);
      }
    }
  }
  table_.progress.CountdownArmed = true;
  connection_.StartKeepAlive();

  if (settings_.Spectator) {
    ShowMessage(dialogs_, log_, "有用户退出，旁观结束！", kTitleApp);
    EndClientNow(process_, 0);
  }
}

void PlayersLeaving::OnGameOver(CommandInfo&) {
  LoopState& loop = loop_;
  loop.LoopFlag[kStepConnectionWatch] = false;
  loop.LoopFlag[kStepDealEndCountdown] = false;
  loop.InDeal = false;
  timers_.BlockingWait(kGameOverWaitMs);
  const RecordBytes& r = records_.ReceivedRecord;
  const std::string message =
      GbkToUtf8(std::span(r).subspan(rec::kChatText, rec::kChatBytes), /*stopAtZero=*/true);
  TableView& view = view_;
  if (view.laidOut()) {
    for (int k = 0; k < kSeats; ++k) view.main().ClearPicture(view.el.Tou[k]);
  }
  exit_.OpenGameOverWindow(message);
  timers_.BlockingWait(kGameOverWaitMs);
  table_.progress.GameRunning = false;
  exit_.LeaveTable();
  loopControl_.Stop();
  loop.LoopFlag[kStepDealEndCountdown] = false;
  loop.LoopFlag[kStepConnectionWatch] = false;
  loop.LoopCount[kStepConnectionWatch] = 0;
  loop.InDeal = false;
  table_.progress.GameEnded = true;
  loop_.TableCleared = false;
  messages_.ShowGameOver();
}

void PlayersLeaving::ShowChat(const CommandInfo& info, const std::string& received) {
  const int s = info.seat & 15;
  const int local = table_.LocalMask();
  const int p = local != 0 && s != 0 ? ViewOf(local, s) : s;

  if (info.value[0] == 1 || info.value[0] == 2) {
    const std::string phrase = chat_.QuickPhrase(info.value[0], info.value[3] - 1);
    if (!phrase.empty() && !view_.MainWindowMinimized && table_.progress.GameRunning && p >= 0 &&
        p < kSeats) {
      chat_.ShowBalloon(p, phrase, 210, 8, 4, 2000);
    }
  }

  std::string text = received;
  const SeatInfo& me = table_.seatInfo[0];
  if (!me.nickname.empty()) {
    ReplaceAll(text, "[" + me.nameTag + "]" + me.nickname, "你");
    if (text.rfind("系统提示", 0) != 0) {
      const size_t at = text.find(me.nickname);
      if (at != std::string::npos) text.replace(at, me.nickname.size(), "你");
    }
  }
  text = chat_.FilterChat(text);
  chat_.AddHistory(text);

  messages_.ShowMessageLine(text);
  if (p != 0) loop_.ChatBlinkCount = kChatBlinks;
}

void PlayersLeaving::OnChat(CommandInfo& info) {
  info.seat = static_cast<uint8_t>(table_.ViewOfMask(info.seat));
}

}  // namespace korvel
