#include "net/reconnection.h"

#include "app/client.h"
#include "platform/notices.h"

namespace korvel {

void MarkReconnectRecord(RecordBytes& login, const std::array<uint8_t, 2>& serverTag,
                         int32_t reconnectKey) {
  login[rec::kCommand] = kCmdReconnect;
  login[rec::kServerTag] = serverTag[0];
  login[rec::kServerTag + 1] = serverTag[1];
  WriteLE32(login, rec::kTrailer, static_cast<uint32_t>(reconnectKey));
}

void Reconnection::LoadForm() {
  TableView& view = client_.view();
  if (form_ == kNoForm) form_ = view.scene().AddForm(kReconnectFormName, 0, 0);
  // The window only carries the timers: it is never shown.
  view.scene().form(form_).SetFormVisible(false);
  formLoaded_ = true;
}

void Reconnection::UnloadForm() {
  Timers& timers = client_.platform().timers;
  timers.Stop(kTimerReconnect);
  timers.Stop(kTimerCount);
  formLoaded_ = false;
}

void Reconnection::Start() {
  // An attempt whose proxy connection opened and closed again re-arms the connection watch;
  // the procedure then goes on counting instead of starting over, so it stays bounded.
  if (active_) return;
  client_.platform().log.Write("connection lost: reconnecting");
  LoadForm();
  active_ = true;
  ReconnectTries = 0;
  ReconnectCountdown = 1;
  Timers& timers = client_.platform().timers;
  timers.Start(kTimerReconnect, kReconnectCountdownMs, [this] { CountdownTick(); });
  timers.Stop(kTimerCount);
}

void Reconnection::CountdownTick() {
  if (--ReconnectCountdown >= 1) return;
  Timers& timers = client_.platform().timers;
  timers.Stop(kTimerReconnect);
  ReconnectCountdown = 1;
  timers.Start(kTimerCount, kReconnectAttemptMs, [this] { CountTick(); });
}

void Reconnection::CountTick() {
  // An attempt through the proxy waits for the proxy while events run; a tick that comes
  // meanwhile must not open a second connection for the same attempt.
  if (attempting_) return;
  Platform& platform = client_.platform();
  if (platform.socket.IsConnected()) {
    // The login step sends the reconnection record; command 29 does the rest.
    active_ = false;
    UnloadForm();
    return;
  }
  if (ReconnectTries < kReconnectMaxTries) {
    ++ReconnectTries;
    attempting_ = true;
    Attempt();
    attempting_ = false;
    return;
  }
  active_ = false;
  UnloadForm();
  platform.log.Write("reconnection failed after " + std::to_string(kReconnectMaxTries) +
                     " attempts");
  ShowMessage(platform, "重连失败，请检查您的网络！", kTitleApp);
  client_.lobby().RestoreLobby();
  EndClientNow(platform.process, 1);
}

void Reconnection::DropPartialRecord() {
  Records& records = client_.records();
  const uint32_t partial = static_cast<uint32_t>(records.ReceivedBytes() % kRecordSize);
  if (partial == 0) return;
  records.ReceiveWrite =
      static_cast<uint32_t>((records.ReceiveWrite + kRingSize - partial) % kRingSize);
  client_.platform().log.Write("dropped " + std::to_string(partial) +
                               " bytes of a record the lost connection cut off");
}

void Reconnection::Attempt() {
  Platform& platform = client_.platform();
  client_.messages().Clear(0);
  client_.messages().Clear(1);
  client_.messages().Add(0, "正在重新连接服务器...");
  Records& records = client_.records();
  MarkReconnectRecord(records.LoginRecord, records.ServerTag, records.ReconnectKey);
  client_.connection().RecordMode = true;
  platform.socket.Close();
  DropPartialRecord();
  const LaunchParams& launch = client_.launch();
  LoopState& loop = client_.loop();
  if (launch.ConnectionType == kConnectProxy) {
    loop.LoopFlag[kStepLogin] = false;
    client_.connection().OpenThroughProxy();
  } else {
    platform.socket.Connect(launch.ServerHost, static_cast<uint16_t>(launch.ServerPort));
    loop.Arm(kStepLogin);
  }
}

void Reconnection::OnAttemptFailed(int number) {
  client_.platform().log.Write("reconnection attempt " + std::to_string(ReconnectTries) +
                               " failed with socket error " + std::to_string(number));
}

void Reconnection::Resynchronise(std::string_view why) {
  Platform& platform = client_.platform();
  platform.log.Write("the table lost track of the server's (" + std::string(why) + ")");
  // Outside a deal the next deal's start resets the table anyway; without permission to
  // reconnect, or while a reconnection already runs, there is nothing more to do.
  if (!client_.loop().InDeal || !client_.connection().CanReconnect || active_ || resyncPending_) {
    return;
  }
  if (resyncedThisDeal_) {
    platform.log.Write("the table lost track twice in one deal: giving it up");
    client_.props().Shutdown(0);
    ShowMessage(platform, kResyncFailedText, kTitleApp);
    client_.lobby().RestoreLobby();
    EndClientNow(platform.process, 1);
  }
  resyncedThisDeal_ = resyncPending_ = true;
  platform.log.Write("reconnecting so that the server's snapshot rebuilds the table");
  // What the server sent after the record that could not be followed builds on it; the
  // snapshot of the new connection replaces all of it.
  Records& records = client_.records();
  records.ReceiveRead = records.ReceiveWrite;
  platform.socket.Close();
}

void Reconnection::OnReconnectResult(CommandInfo& info, const RecordBytes&) {
  Platform& platform = client_.platform();
  if (info.value[3] == 1) {
    platform.log.Write("reconnected: the server's snapshot follows");
    resyncPending_ = false;
    // The server has us back: the procedure is over even if its timer has not looked yet.
    active_ = false;
    UnloadForm();
    client_.messages().Clear(0);
    client_.messages().Clear(1);
    client_.messages().Add(0, "正在重连服务器，请等待...！");
    client_.tablePlay().EndTurnCutOff();
    client_.loop().TableActive = true;
    Reconnected = true;
    // The login is no longer pending: the lobby may take the player away between deals again.
    client_.connection().Connected = false;
    // The records that waited while the connection was down now leave, one per tick.
    client_.loop().LoopFlag[kStepFlush] = true;
    client_.props().ConnectionState(true);
    return;
  }
  client_.props().Shutdown(0);
  ShowMessage(platform, "重连服务器失败，退出后请重新入座！", kTitleApp);
  client_.lobby().RestoreLobby();
  EndClientNow(platform.process, 1);
}

}  // namespace korvel
