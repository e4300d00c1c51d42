#include "app/main_loop.h"

#include "app/client.h"

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

MainLoop::MainLoop(Client& client) : client_(client) {}

void MainLoop::Start() {
  stopRequested_ = false;
  client_.platform().timers.Start(kTimerName, kTickMs, [this] { Tick(); });
}

void MainLoop::Stop() {
  if (inTick_) stopRequested_ = true;
  client_.platform().timers.Stop(kTimerName);
}

bool MainLoop::Running() const { return client_.platform().timers.Running(kTimerName); }

void MainLoop::Tick() {
  // The tick stops its own timer so a step that pumps events never re-enters it.
  client_.platform().timers.Stop(kTimerName);
  inTick_ = true;
  stopRequested_ = false;
LoopState& loop = client_.loop();
  for (int k : kCountedSteps) ++loop.LoopCount[k];

  if (loop.LoopFlag[kStepFlush] && loop.LoopCount[kStepFlush] >= kPeriodFlush) {
    client_.records().FlushOne();
    loop.LoopCount[kStepFlush] = 0;
  }
  if (loop.LoopFlag[kStepReceive] && loop.LoopCount[kStepReceive] >= kPeriodReceive) {
    ReceiveStep();
  }
  if (loop.LoopFlag[kStepLogin] && loop.LoopCount[kStepLogin] >= kPeriodLogin) {
    client_.connection().LoginStep();
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
  if (client_.loop().WordsShown && loop.LoopCount[kStepClaimWords] >= kPeriodWords) ClaimWordsStep();
  if (loop.LoopCount[kStepClaimWords] >= kPeriodWords) loop.LoopCount[kStepClaimWords] = 0;
  if (client_.loop().PropsPolling) client_.props().PollStep();
  inTick_ = false;
  // A step that ended the game or left the table stopped the loop for good.
  if (!stopRequested_) Start();
}

void MainLoop::ReceiveStep() {
LoopState& loop = client_.loop();
  Records& records = client_.records();
  if (loop.InDeal && ++client_.loop().SilenceCount >= kSilenceLimit) SilenceExpired();
  if (records.RecordWaiting()) {
    const uint32_t before = records.ReceiveRead;
    TakenRecord taken = records.TakeRecord();
    if (loop.BetweenDeals && records.Rinfo.command == kCommandPlayerLeft &&
        ContinueCountdownRunning()) {
      // A player leaving between deals waits while the board counts down, so the board stays as
      // it was; it must not wait for the next deal, whose start sits behind it in the ring.
      records.ReceiveRead = before;
      if (records.Rinfo.seat != client_.table().players[0].seatMask) {
        client_.connection().StartKeepAlive();
      }
    } else {
      if (loop.InDeal) client_.loop().SilenceCount = 0;
      client_.RouteTaken(taken);
      client_.dispatcher().Dispatch(records.Rinfo);
    }
  }
  loop.LoopCount[kStepReceive] = records.RecordWaiting() ? 1 : 0;
}

bool MainLoop::ContinueCountdownRunning() {
  return client_.loop().LoopFlag[kStepDealEndCountdown] &&
         !client_.playersLeaving().ContinuePressed;
}

void MainLoop::SilenceExpired() {
  client_.loop().SilenceCount = 0;
  if (!client_.platform().lobby.WindowExists(client_.lobby().LobbyTitle)) {
    client_.platform().log.Write("no record for too long and no lobby: ending");
    EndClientNow(client_.platform().process, 1);
  }
  client_.platform().log.Write("no record for too long inside a deal: giving up the table");
  client_.messages().Clear(0);
  client_.messages().Add(0, "已经与服务器断开连接，请重新入座！");
  client_.props().Shutdown(0);
  client_.view().MinimizeMainWindow();
  client_.lobby().RestoreLobby();
  client_.loop().TableCleared = false;
  client_.leaving().LeaveTable();
  client_.view().ResetTable();
}

void MainLoop::BlinkStep() {
  const int16_t offer = client_.table().state.OfferElement;
  if (client_.loop().TileBlinkCount >= 1) {
    --client_.loop().TileBlinkCount;
    if (client_.loop().PrevBlinkElement >= 0 && client_.loop().PrevBlinkElement != offer) {
      client_.view().SetTileVisible(client_.loop().PrevBlinkElement, true);
    }
    if (offer >= 0) client_.view().SetTileVisible(offer, !client_.view().TileVisible(offer));
    client_.loop().PrevBlinkElement = offer;
  } else if (offer >= 0) {
    client_.view().SetTileVisible(offer, true);
  }
  if (client_.loop().ChatBlinkCount >= 1) {
    --client_.loop().ChatBlinkCount;
    client_.view().ShowChatButton(client_.loop().ChatBlinkCount % 2 == 0 ? 3 : 2);
  } else {
    client_.view().ShowChatButton(2);
  }
  client_.loop().LoopCount[kStepBlink] = 0;
}

void MainLoop::TurnClockStep() {
LoopState& loop = client_.loop();
  if (client_.loop().TurnClock > 0) {
    --client_.loop().TurnClock;
    client_.view().ShowClock(client_.loop().TurnClock);
    if (client_.loop().TurnClock <= 5) client_.sound().PlayEffectIfOn(kEffectTick);
  } else if (!client_.loop().LocalTurn) {
    client_.view().HideClock();
    client_.loop().TurnClock = static_cast<int16_t>(client_.settings().TurnTime);
    loop.LoopFlag[kStepTurnClock] = false;
  } else {
    client_.autoPlay().OnLocalTimeout();
  }
  loop.LoopCount[kStepTurnClock] = 0;
}

void MainLoop::DealEndCountdownStep() {
LoopState& loop = client_.loop();
  if (client_.loop().TurnClock > 0) {
    --client_.loop().TurnClock;
    client_.view().ShowClock(client_.loop().TurnClock);
  } else {
    client_.view().HideClock();
    if (!client_.loop().TableCleared) {
      client_.view().ShowContinueButton();
      client_.view().ResetTable();  // the full reset: tiles, table and seats
      client_.loop().TableCleared = true;
    }
    CommandInfo info;
    info.command = kCommandContinue;
    info.seat = client_.table().players[0].seatMask;
    info.value[3] = 1;
    client_.records().SendCommand(info);
    // Sent once: a click on continue from now on does nothing.
    client_.view().ButtonLocked[kStartButton] = true;
    if (client_.loop().ShuffleArmed && client_.loop().ShufflePending) {
      for (PlayerRecord& p : client_.table().players) p.seatMask = 0;
      client_.shuffle().Start();
    }
    client_.loop().ShuffleArmed = false;
    client_.loop().ShuffleShown = true;
    client_.loop().ShuffleStep = 0;
    loop.LoopFlag[kStepDealEndCountdown] = false;
  }
  loop.LoopCount[kStepDealEndCountdown] = 0;
}

void MainLoop::ConnectionWatchStep() {
LoopState& loop = client_.loop();
  if (!client_.platform().socket.IsConnected()) {
    client_.props().ConnectionState(false);
    if (!client_.platform().lobby.WindowExists(client_.lobby().LobbyTitle)) {
      client_.platform().log.Write("connection lost and the lobby is gone: ending");
      EndClientNow(client_.platform().process, 1);
    }
    if (client_.connection().CanReconnect) {
      loop.TableActive = false;
      loop.LoopFlag[kStepConnectionWatch] = false;
      client_.reconnection().Start();
    }
  }
  loop.LoopCount[kStepConnectionWatch] = 0;
}

void MainLoop::ClaimWordsStep() {
  client_.view().HideClaimWords(client_.loop().WordsSeat);
  client_.loop().LoopCount[kStepClaimWords] = 0;
}

}  // namespace korvel
