#include "net/reconnection.h"

#include "config/launch_params.h"
#include "model/loop_state.h"
#include "net/connection.h"
#include "net/connection_events.h"
#include "net/lobby_window.h"
#include "net/records.h"
#include "platform/notices.h"
#include "platform/ports.h"
#include "view/message_lines.h"
#include "view/table_view.h"

namespace korvel {

Reconnection::Reconnection(LoopState& loop, const LaunchParams& launch, TableView& view,
                           MessageLines& messages, Records& records, LobbyWindow& lobby,
                           Connection& connection, ConnectionEvents& events, Timers& timers,
                           Socket& socket, Dialogs& dialogs, Log& log, Process& process)
    : loop_(loop),
      launch_(launch),
      view_(view),
      messages_(messages),
      records_(records),
      lobby_(lobby),
      connection_(connection),
      events_(events),
      timers_(timers),
      socket_(socket),
      dialogs_(dialogs),
      log_(log),
      process_(process) {}

void MarkReconnectRecord(RecordBytes& login, const std::array<uint8_t, 2>& serverTag,
                         int32_t reconnectKey) {
  login[rec::kCommand] = kCmdReconnect;
  login[rec::kServerTag] = serverTag[0];
  login[rec::kServerTag + 1] = serverTag[1];
  WriteLE32(login, rec::kTrailer, static_cast<uint32_t>(reconnectKey));
}

void Reconnection::LoadForm() {
  TableView& view = view_;
  if (form_ == kNoForm) form_ = view.scene().AddForm(kReconnectFormName, 0, 0);
  // The window only carries the timers: it is never shown.
  view.scene().form(form_).SetFormVisible(false);
  formLoaded_ = true;
}

void Reconnection::UnloadForm() {
  Timers& timers = timers_;
  timers.Stop(kTimerReconnect);
  timers.Stop(kTimerCount);
  formLoaded_ = false;
}

void Reconnection::Start() {
  // An attempt whose proxy connection opened and closed again re-arms the connection watch;
  // the procedure then goes on counting instead of starting over, so it stays bounded.
  if (active_) return;
  log_.Write("connection lost: reconnecting");
  LoadForm();
  active_ = true;
  ReconnectTries = 0;
  ReconnectCountdown = 1;
  Timers& timers = timers_;
  timers.Start(kTimerReconnect, kReconnectCountdownMs, [this] { CountdownTick(); });
  timers.Stop(kTimerCount);
}

void Reconnection::CountdownTick() {
  if (--ReconnectCountdown >= 1) return;
  Timers& timers = timers_;
  timers.Stop(kTimerReconnect);
  ReconnectCountdown = 1;
  timers.Start(kTimerCount, kReconnectAttemptMs, [this] { CountTick(); });
}

void Reconnection::CountTick() {
  // An attempt through the proxy waits for the proxy while events run; a tick that comes
  // meanwhile must not open a second connection for the same attempt.
  if (attempting_) return;
  if (socket_.IsConnected()) {
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
  log_.Write("reconnection failed after " + std::to_string(kReconnectMaxTries) + " attempts");
  ShowMessage(dialogs_, log_, "重连失败，请检查您的网络！", kTitleApp);
  lobby_.RestoreLobby();
  EndClientNow(process_, 1);
}

void Reconnection::DropPartialRecord() {
  Records& records = records_;
  const uint32_t partial = static_cast<uint32_t>(records.ReceivedBytes() % kRecordSize);
  if (partial == 0) return;
  records.ReceiveWrite =
      static_cast<uint32_t>((records.ReceiveWrite + kRingSize - partial) % kRingSize);
  log_.Write("dropped " + std::to_string(partial) +
             " bytes of a record the lost connection cut off");
}

void Reconnection::Attempt() {
  messages_.Clear(0);
  messages_.Clear(1);
  messages_.Add(0, "正在重新连接服务器...");
  Records& records = records_;
  MarkReconnectRecord(records.LoginRecord, records.ServerTag, records.ReconnectKey);
  connection_.RecordMode = true;
  socket_.Close();
  DropPartialRecord();
  const LaunchParams& launch = launch_;
  LoopState& loop = loop_;
  if (launch.ConnectionType == kConnectProxy) {
    loop.LoopFlag[kStepLogin] = false;
    connection_.OpenThroughProxy();
  } else {
    connection_.ConnectDirect();
  }
}

void Reconnection::OnAttemptFailed(int number) {
  log_.Write("reconnection attempt " + std::to_string(ReconnectTries) +
             " failed with socket error " + std::to_string(number));
}

void Reconnection::Resynchronise(std::string_view why) {
  log_.Write("the table lost track of the server's (" + std::string(why) + ")");
  // Outside a deal the next deal's start resets the table anyway; without permission to
  // reconnect, or while a reconnection already runs, there is nothing more to do.
  if (!loop_.InDeal || !connection_.CanReconnect || active_ || resyncPending_) {
    return;
  }
  if (resyncedThisDeal_) {
    log_.Write("the table lost track twice in one deal: giving it up");
    events_.GivingUp();
    ShowMessage(dialogs_, log_, kResyncFailedText, kTitleApp);
    lobby_.RestoreLobby();
    EndClientNow(process_, 1);
  }
  resyncedThisDeal_ = resyncPending_ = true;
  log_.Write("reconnecting so that the server's snapshot rebuilds the table");
  // What the server sent after the record that could not be followed builds on it; the
  // snapshot of the new connection replaces all of it.
  Records& records = records_;
  records.ReceiveRead = records.ReceiveWrite;
  socket_.Close();
}

void Reconnection::OnReconnectResult(CommandInfo& info, const RecordBytes&) {
  if (info.value[3] == 1) {
    log_.Write("reconnected: the server's snapshot follows");
    resyncPending_ = false;
    // The server has us back: the procedure is over even if its timer has not looked yet.
    active_ = false;
    UnloadForm();
    messages_.Clear(0);
    messages_.Clear(1);
    messages_.Add(0, "正在重连服务器，请等待...！");
    events_.Reconnected();
    loop_.TableActive = true;
    Reconnected = true;
    // The login is no longer pending: the lobby may take the player away between deals again.
    connection_.Connected = false;
    // The records that waited while the connection was down now leave, one per tick.
    loop_.LoopFlag[kStepFlush] = true;
    events_.ConnectionUp();
    return;
  }
  events_.GivingUp();
  ShowMessage(dialogs_, log_, "重连服务器失败，退出后请重新入座！", kTitleApp);
  lobby_.RestoreLobby();
  EndClientNow(process_, 1);
}

}  // namespace korvel
