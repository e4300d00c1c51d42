#include "app/main_loop.h"

#include "model/loop_state.h"
#include "model/player_record.h"
#include "model/session_settings.h"
#include "net/connection.h"
#include "net/lobby_window.h"
#include "net/reconnection.h"
#include "net/records.h"
#include "platform/ports.h"
#include "props/prop_component.h"
#include "protocol/dispatch.h"
#include "protocol/leaving.h"
#include "protocol/players_leaving.h"
#include "seats/auto_play.h"
#include "sound/sound.h"
#include "view/message_lines.h"
#include "view/shuffle_display.h"
#include "view/table_view.h"

namespace korvel {
namespace {

// Step periods in ticks.
constexpr int kPeriodFlush = 1;
constexpr int kPeriodReceive = 2;
constexpr int kPeriodLogin = 4;
constexpr int kPeriodBlink = 8;
constexpr int kPeriodWatch = 1;
constexpr int kPeriodSecond = 20;
constexpr int kPeriodWords = 40;
constexpr const char* kTimerName = "TimerBong";
constexpr int kStartButton = 2;
constexpr int kCountedSteps[] = {
    kStepFlush,     kStepReceive,          kStepLogin,     kStepBlink, kStepConnectionWatch,
    kStepTurnClock, kStepDealEndCountdown, kStepClaimWords};

}  // namespace

MainLoop::MainLoop(TableModel& table, LoopState& loop, SessionSettings& settings, TableView& view,
                   MessageLines& messages, ShuffleDisplay& shuffle, Records& records,
                   LobbyWindow& lobby, Connection& connection, Reconnection& reconnection,
                   Sound& sound, AutoPlay& autoPlay, PlayersLeaving& playersLeaving,
                   Leaving& leaving, Dispatcher& dispatcher, PropComponent& props, Timers& timers,
                   Socket& socket, LobbyLink& lobbyLink, Log& log, Process& process)
    : table_(table),
      loop_(loop),
      settings_(settings),
      view_(view),
      messages_(messages),
      shuffle_(shuffle),
      records_(records),
      lobby_(lobby),
      connection_(connection),
      reconnection_(reconnection),
      sound_(sound),
      autoPlay_(autoPlay),
      playersLeaving_(playersLeaving),
      leaving_(leaving),
      dispatcher_(dispatcher),
      props_(props),
      timers_(timers),
      socket_(socket),
      lobbyLink_(lobbyLink),
      log_(log),
      process_(process) {}

void MainLoop::Start() {
  stopRequested_ = false;
  const int64_t delay = schedule_.Begin(timers_.NowMs());
  timers_.Start(kTimerName, static_cast<int>(delay), [this] { Tick(); });
}

void MainLoop::StartNextTick() {
  const int64_t delay = schedule_.Next(timers_.NowMs());
  timers_.Start(kTimerName, static_cast<int>(delay), [this] { Tick(); });
}

void MainLoop::Stop() {
  if (inTick_) stopRequested_ = true;
  timers_.Stop(kTimerName);
}

bool MainLoop::Running() const { return timers_.Running(kTimerName); }

void MainLoop::Tick() {
  // The tick stops its own timer so a step that pumps events never re-enters it.
  timers_.Stop(kTimerName);
  inTick_ = true;
  stopRequested_ = false;
  LoopState& loop = loop_;
  for (int k : kCountedSteps) ++loop.LoopCount[k];

  if (loop.LoopFlag[kStepFlush] && loop.LoopCount[kStepFlush] >= kPeriodFlush) {
    records_.FlushOne();
    loop.LoopCount[kStepFlush] = 0;
  }
  if (loop.LoopFlag[kStepReceive] && loop.LoopCount[kStepReceive] >= kPeriodReceive) {
    ReceiveStep();
  }
  if (loop.LoopFlag[kStepLogin] && loop.LoopCount[kStepLogin] >= kPeriodLogin) {
    connection_.LoginStep();
  }
  if (loop.LoopCount[kStepLogin] >= kPeriodLogin) loop.LoopCount[kStepLogin] = 0;
  if (loop.LoopFlag[kStepBlink] && loop.LoopCount[kStepBlink] >= kPeriodBlink) BlinkStep();
  if (loop.LoopCount[kStepBlink] >= kPeriodBlink) loop.LoopCount[kStepBlink] = 0;
  if (loop.LoopFlag[kStepTurnClock] && loop.TableActive &&
      loop.LoopCount[kStepTurnClock] >= kPeriodSecond) {
    TurnClockStep();
  }
  if (loop.LoopCount[kStepTurnClock] >= kPeriodSecond) loop.LoopCount[kStepTurnClock] = 0;
  if (loop.LoopFlag[kStepDealEndCountdown] &&
      loop.LoopCount[kStepDealEndCountdown] >= kPeriodSecond) {
    DealEndCountdownStep();
  }
  if (loop.LoopCount[kStepDealEndCountdown] >= kPeriodSecond) {
    loop.LoopCount[kStepDealEndCountdown] = 0;
  }
  if (loop.LoopFlag[kStepConnectionWatch] && loop.LoopCount[kStepConnectionWatch] >= kPeriodWatch) {
    ConnectionWatchStep();
  }
  if (loop.LoopCount[kStepConnectionWatch] >= kPeriodWatch) {
    loop.LoopCount[kStepConnectionWatch] = 0;
  }
  if (loop_.WordsShown && loop.LoopCount[kStepClaimWords] >= kPeriodWords) ClaimWordsStep();
  if (loop.LoopCount[kStepClaimWords] >= kPeriodWords) loop.LoopCount[kStepClaimWords] = 0;
  if (loop_.PropsPolling) props_.PollStep();
  inTick_ = false;
  // A step that ended the game or left the table stopped the loop for good.
  if (!stopRequested_ && !timers_.Running(kTimerName)) StartNextTick();
}

void MainLoop::ReceiveStep() {
  LoopState& loop = loop_;
  Records& records = records_;
  if (loop.InDeal && ++loop_.SilenceCount >= kSilenceLimit) SilenceExpired();
  if (records.RecordWaiting()) {
    const uint32_t before = records.ReceiveRead;
    TakenRecord taken = records.TakeRecord();
    if (loop.BetweenDeals && records.Rinfo.command == kCommandPlayerLeft &&
        ContinueCountdownRunning()) {
      // A player leaving between deals waits while the board counts down, so the board stays as
      // it was; it must not wait for the next deal, whose start sits behind it in the ring.
      records.ReceiveRead = before;
      if (records.Rinfo.seat != table_.players[0].seatMask) {
        connection_.StartKeepAlive();
      }
    } else {
      if (loop.InDeal) loop_.SilenceCount = 0;
      dispatcher_.Route(taken);
      dispatcher_.Dispatch(records.Rinfo);
    }
  }
  loop.LoopCount[kStepReceive] = records.RecordWaiting() ? 1 : 0;
}

bool MainLoop::ContinueCountdownRunning() {
  return loop_.LoopFlag[kStepDealEndCountdown] && !playersLeaving_.ContinuePressed;
}

void MainLoop::SilenceExpired() {
  loop_.SilenceCount = 0;
  if (!lobbyLink_.WindowExists(lobby_.LobbyTitle)) {
    log_.Write("no record for too long and no lobby: ending");
    EndClientNow(process_, 1);
  }
  log_.Write("no record for too long inside a deal: giving up the table");
  messages_.Clear(0);
  messages_.Add(0, "已经与服务器断开连接，请重新入座！");
  props_.Shutdown(0);
  view_.MinimizeMainWindow();
  lobby_.RestoreLobby();
  loop_.TableCleared = false;
  leaving_.LeaveTable();
  view_.ResetTable();
}

void MainLoop::BlinkStep() {
  const int16_t offer = table_.state.OfferElement;
  if (loop_.TileBlinkCount >= 1) {
    --loop_.TileBlinkCount;
    if (loop_.PrevBlinkElement >= 0 && loop_.PrevBlinkElement != offer) {
      view_.SetTileVisible(loop_.PrevBlinkElement, true);
    }
    if (offer >= 0) view_.SetTileVisible(offer, !view_.TileVisible(offer));
    loop_.PrevBlinkElement = offer;
  } else if (offer >= 0) {
    view_.SetTileVisible(offer, true);
  }
  if (loop_.ChatBlinkCount >= 1) {
    --loop_.ChatBlinkCount;
    view_.ShowChatButton(loop_.ChatBlinkCount % 2 == 0 ? 3 : 2);
  } else {
    view_.ShowChatButton(2);
  }
  loop_.LoopCount[kStepBlink] = 0;
}

void MainLoop::TurnClockStep() {
  LoopState& loop = loop_;
  if (loop_.TurnClock > 0) {
    --loop_.TurnClock;
    view_.ShowClock(loop_.TurnClock);
    if (loop_.TurnClock <= 5) sound_.PlayEffectIfOn(kEffectTick);
  } else if (!loop_.LocalTurn) {
    view_.HideClock();
    loop_.TurnClock = static_cast<int16_t>(settings_.TurnTime);
    loop.LoopFlag[kStepTurnClock] = false;
  } else {
    autoPlay_.OnLocalTimeout();
  }
  loop.LoopCount[kStepTurnClock] = 0;
}

void MainLoop::DealEndCountdownStep() {
  LoopState& loop = loop_;
  if (loop_.TurnClock > 0) {
    --loop_.TurnClock;
    view_.ShowClock(loop_.TurnClock);
  } else {
    view_.HideClock();
    if (!loop_.TableCleared) {
      view_.ShowContinueButton();
      view_.ResetTable();  // the full reset: tiles, table and seats
      loop_.TableCleared = true;
    }
    CommandInfo info;
    info.command = kCommandContinue;
    info.seat = table_.players[0].seatMask;
    info.value[3] = 1;
    records_.SendCommand(info);
    // Sent once: a click on continue from now on does nothing.
    view_.ButtonLocked[kStartButton] = true;
    if (loop_.ShuffleArmed && loop_.ShufflePending) {
      for (PlayerRecord& p : table_.players) p.seatMask = 0;
      shuffle_.Start();
    }
    loop_.ShuffleArmed = false;
    loop_.ShuffleShown = true;
    loop_.ShuffleStep = 0;
    loop.LoopFlag[kStepDealEndCountdown] = false;
  }
  loop.LoopCount[kStepDealEndCountdown] = 0;
}

void MainLoop::ConnectionWatchStep() {
  LoopState& loop = loop_;
  if (!socket_.IsConnected()) {
    props_.ConnectionState(false);
    if (!lobbyLink_.WindowExists(lobby_.LobbyTitle)) {
      log_.Write("connection lost and the lobby is gone: ending");
      EndClientNow(process_, 1);
    }
    if (connection_.CanReconnect) {
      loop.TableActive = false;
      loop.LoopFlag[kStepConnectionWatch] = false;
      reconnection_.Start();
    }
  }
  loop.LoopCount[kStepConnectionWatch] = 0;
}

void MainLoop::ClaimWordsStep() {
  view_.HideClaimWords(loop_.WordsSeat);
  loop_.LoopCount[kStepClaimWords] = 0;
}

}  // namespace korvel
