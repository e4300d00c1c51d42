#include "protocol/players_leaving.h"

#include <ctime>

#include "app/client.h"
#include "platform/notices.h"
#include "platform/gbk.h"

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

std::string PlayersLeaving::LeftLine(const std::string& nickname) {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  return nickname + "退出了游戏 " + std::to_string(local.tm_hour) + ":" +
         std::to_string(local.tm_min) + ":" + std::to_string(local.tm_sec);
}

void PlayersLeaving::ClearSeatInfo(int v) {
  if (v < 0 || v >= kSeats) return;
  SeatInfo& s = client_.seating().seatInfo[v];
  SeatInfo cleared;
  cleared.avatar.clear();
  cleared.accountId = s.accountId;
  cleared.nameTag = s.nameTag;
  cleared.voiceLang = s.voiceLang;
  cleared.voiceSet = s.voiceSet;
  cleared.voiceKind = s.voiceKind;
  cleared.amount226 = s.amount226;
  s = cleared;
}

void PlayersLeaving::ClearHistory() { client_.chat().ClearHistory(); }

void PlayersLeaving::OnPlayerLeft(CommandInfo& info) {
  const RecordBytes& r = client_.records().ReceivedRecord;
  TableView& view = client_.view();
  LoopState& loop = client_.loop();
  Seating& seating = client_.seating();
  auto& players = client_.table().players;

  client_.platform().timers.Stop("TimerShuffle");
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
    client_.platform().log.Write("the server says we left the table: ending");
    EndClientNow(client_.platform().process, 0);
  }

  for (int k = 1; k <= 2; ++k) {
    if (name.empty() || name != players[k].name) continue;
    --seating.OthersSeated;
    loop.TableCleared = false;
    if (view.laidOut()) {
      Form& f = view.main();
      f.Hide(view.el.OK[k]);
      f.ClearPicture(view.el.Tou[k]);
      for (ElementId e : {view.el.Nid[k], view.el.Cash[k], view.el.Level[k]}) f.SetCaption(e, "");
    }
    client_.messages().Clear(0);
    client_.messages().Add(0, LeftLine(seating.seatInfo[k].nickname));
    client_.messages().Clear(1);
    seating.LastOpponents[k - 1].clear();
    players[k].name.clear();
    ClearSeatInfo(k);
    if (client_.props().Active()) client_.props().ClearUser(k);
    if (seating.LastStake != 0) {
      seating.SeatStakes[k] = 0;
      seating.RefreshWealth();
    }
  }

  PropComponent& props = client_.props();
  if (props.Active() && seating.DealStarted != 0 && seating.PropDealStarted) {
    seating.PropDealStarted = false;
    for (int k = 1; k <= 2; ++k) {
      props.RecState(2, false, k);
      if (view.laidOut()) view.main().Show(view.el.Tou[k]);
    }
    if (props.library().Loaded()) props.library().Api().Ainit("threegame.xml");
  }

  for (PlayerRecord& p : players) p.seatMask = 0;

  if (CountdownArmed) {
    CountdownArmed = false;
    view.ButtonLocked[2] = false;
    client_.loop().InDeal = false;
    ContinuePressed = false;
    loop.TableCleared = false;
    if (!client_.settings().Spectator) {
      client_.loop().LoopFlag[kStepTurnClock] = false;
      loop.LocalTurn = false;
      client_.loop().Arm(kStepDealEndCountdown);
      loop.TurnClock = static_cast<int16_t>(client_.autoPlay().HiddenByKey ? 1
                                            : info.value[1] == 1           ? kCountdownShort
                                                                           : kCountdownLong);
      client_.view().ShowClock(loop.TurnClock);
      if (view.laidOut()) {
        view.main().BringToFront(view.el.Number);
        view.main().BringToFront(view.el.Time_Img);
      }
    }
  }
  CountdownArmed = true;
  client_.connection().StartKeepAlive();

  if (client_.settings().Spectator) {
    ShowMessage(client_.platform(), "有用户退出，旁观结束！", kTitleApp);
    EndClientNow(client_.platform().process, 0);
  }
}

void PlayersLeaving::OnGameOver(CommandInfo&) {
  LoopState& loop = client_.loop();
  loop.LoopFlag[kStepConnectionWatch] = false;
  loop.LoopFlag[kStepDealEndCountdown] = false;
  loop.InDeal = false;
  client_.platform().timers.BlockingWait(kGameOverWaitMs);
  const RecordBytes& r = client_.records().ReceivedRecord;
  const std::string message =
      GbkToUtf8(std::span(r).subspan(rec::kChatText, rec::kChatBytes), /*stopAtZero=*/true);
  TableView& view = client_.view();
  if (view.laidOut()) {
    for (int k = 0; k < kSeats; ++k) view.main().ClearPicture(view.el.Tou[k]);
  }
  client_.leaving().OpenGameOverWindow(message);
  client_.platform().timers.BlockingWait(kGameOverWaitMs);
  GameRunning = false;
  client_.leaving().LeaveTable();
  client_.mainLoop().Stop();
  loop.LoopFlag[kStepDealEndCountdown] = false;
  loop.LoopFlag[kStepConnectionWatch] = false;
  loop.LoopCount[kStepConnectionWatch] = 0;
  loop.InDeal = false;
  GameEnded = true;
  client_.loop().TableCleared = false;
}

void PlayersLeaving::ShowChat(const CommandInfo& info, const std::string& received) {
  const int s = info.seat & 15;
  const int local = client_.table().LocalMask();
  const int p = local != 0 && s != 0 ? ViewOf(local, s) : s;

  if (info.value[0] == 1 || info.value[0] == 2) {
    const std::string phrase = client_.chat().QuickPhrase(info.value[0], info.value[3] - 1);
    if (!phrase.empty() && !client_.view().MainWindowMinimized && GameRunning && p >= 0 && p < kSeats) {
      client_.chat().ShowBalloon(p, phrase, 210, 8, 4, 2000);
    }
  }

  std::string text = received;
  const SeatInfo& me = client_.seating().seatInfo[0];
  if (!me.nickname.empty()) {
    ReplaceAll(text, "[" + me.nameTag + "]" + me.nickname, "你");
    if (text.rfind("系统提示", 0) != 0) {
      const size_t at = text.find(me.nickname);
      if (at != std::string::npos) text.replace(at, me.nickname.size(), "你");
    }
  }
  text = client_.chat().FilterChat(text);
  client_.chat().AddHistory(text);

  client_.messages().ShowMessageLine(text);
  if (p != 0) client_.loop().ChatBlinkCount = kChatBlinks;
}

void PlayersLeaving::OnChat(CommandInfo& info) {
  info.seat = static_cast<uint8_t>(client_.table().ViewOfMask(info.seat));
}

}  // namespace korvel
