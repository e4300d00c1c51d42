#include "protocol/leaving.h"

#include "config/launch_params.h"
#include "model/loop_state.h"
#include "model/player_record.h"
#include "model/session_settings.h"
#include "net/connection.h"
#include "net/lobby_window.h"
#include "net/reconnection.h"
#include "net/records.h"
#include "platform/ports.h"
#include "props/prop_component.h"
#include "protocol/players_leaving.h"
#include "protocol/seating.h"
#include "settlement/settlement.h"
#include "sound/sound.h"
#include "view/message_lines.h"
#include "view/picture_catalogue.h"
#include "view/table_view.h"

namespace korvel {
namespace {

constexpr int kStartSprite = 4;
constexpr double kExitWidth = 300, kExitHeight = 150;
constexpr double kOverWidth = 320, kOverHeight = 170;
constexpr uint32_t kPanel = 0x1E4D2B;
constexpr uint32_t kText = 0xFFF3C8;
constexpr uint32_t kWarning = 0xFF5A3C;
constexpr int kLeaveWaitMs = 400;
constexpr int kLeaveWaitAfterReconnectMs = 800;
constexpr int kSocketCloseWaitMs = 2000;

}  // namespace

Leaving::Leaving(TableModel& table, LoopState& loop, LoopControl& loopControl,
                 SessionSettings& settings, const LaunchParams& launch, TableView& view,
                 MessageLines& messages, Records& records, LobbyWindow& lobby,
                 Connection& connection, Reconnection& reconnection, Sound& sound,
                 Settlement& settlement, PlayersLeaving& playersLeaving, PropComponent& props,
                 Timers& timers, Socket& socket, LobbyLink& lobbyLink, Log& log, Process& process)
    : table_(table),
      loop_(loop),
      loopControl_(loopControl),
      settings_(settings),
      launch_(launch),
      view_(view),
      messages_(messages),
      records_(records),
      lobby_(lobby),
      connection_(connection),
      reconnection_(reconnection),
      sound_(sound),
      settlement_(settlement),
      playersLeaving_(playersLeaving),
      props_(props),
      timers_(timers),
      socket_(socket),
      lobbyLink_(lobbyLink),
      log_(log),
      process_(process) {}

bool Leaving::SocketUp() const { return socket_.IsConnected(); }

void Leaving::Reply(uint32_t number) { lobby_.PostToLobby(number); }

void Leaving::StopWatchAndLeave() {
  loop_.LoopFlag[kStepConnectionWatch] = false;
  loop_.LoopCount[kStepConnectionWatch] = 0;
  LeaveTable();
}

uint32_t Leaving::LobbyMessage(const korvel::LobbyMessage& m) {
  log_.Write("lobby message " + std::to_string(m.number) + " (" +
             LobbyMessageName(m.number, false) + ")");
  const bool lobbyThere = lobbyLink_.WindowExists(lobby_.LobbyTitle);
  switch (m.number) {
    case kMsgInDeal:
      if (lobbyThere) Reply(loop_.InDeal ? kMsgInDeal : kMsgLeaveNow);
      break;
    case kMsgConnected:
      if (!lobbyThere) break;
      if (connection_.Connected) {
        Reply(kMsgLoginPending);
      } else if (loop_.InDeal) {
        Reply(kMsgInDeal);
      } else {
        if (SocketUp()) StopWatchAndLeave();
        ClearForLobby();
        view_.ResetTable();
        Reply(kMsgLeaveNow);
      }
      break;
    case kMsgLeaveNow:
      if (SocketUp()) StopWatchAndLeave();
      ClearForLobby();
      break;
    case kMsgLogin:
      Relogin();
      break;
    case kSysCommand:
      if (m.param1 == kScRestore) view_.RestoreMainWindow();
      if (m.param1 == kScMinimize) view_.MinimizeMainWindow();
      return 1;
    default:
      break;
  }
  return 0;
}

void Leaving::LeaveTable() {
  LoopState& loop = loop_;
  if (SocketUp()) {
    // The notice goes out at once, without the server's tag.
    RecordBytes notice{};
    notice[rec::kCommand] = kCommandLeave;
    notice[rec::kSeat] = table_.players[0].seatMask;
    socket_.Send(notice);
  }
  for (int k : {1, 2, 3, 4, 6, 7, 8}) loop.LoopFlag[k] = false;
  loop.LoopCount[kStepConnectionWatch] = 0;
  loop_.WordsShown = false;
  loopControl_.Stop();
  connection_.StopKeepAlive();
  // The notice must leave before the connection is closed.
  timers_.PumpWait(reconnection_.Reconnected ? kLeaveWaitAfterReconnectMs : kLeaveWaitMs);
  TableView& view = view_;
  if (view.laidOut()) view.main().SetCaption(view.el.Chat, "");
  connection_.CanReconnect = false;
  timers_.Stop("TimerShuffle");
  if (view.laidOut()) {
    view.main().Hide(view.el.LblShuffle);
    view.main().Hide(view.el.ImgShuffle);
  }
  loop_.ShuffleArmed = false;
  loop_.ShuffleShown = false;
}

void Leaving::ClearForLobby() {
  LoopState& loop = loop_;
  TableView& view = view_;

  loop.InDeal = false;
  view.ButtonLocked[2] = true;
  for (int k : {1, 2, 3, 4, 6, 7, 8}) loop.LoopFlag[k] = false;
  loop.LoopCount[kStepConnectionWatch] = 0;
  loop_.WordsShown = false;
  loopControl_.Stop();
  connection_.StopKeepAlive();

  messages_.Clear(0);
  messages_.Clear(1);
  loop.BetweenDeals = false;
  socket_.Close();
  connection_.Connected = false;
  timers_.PumpUntil([&] { return !socket_.IsConnected(); }, kSocketCloseWaitMs);

  for (int i = 0; i < kSeats; ++i) {
    table_.players[i].name.clear();
    table_.players[i].seatMask = 0;
    playersLeaving_.ClearSeatInfo(i);
    if (!view.laidOut()) continue;
    Form& f = view.main();
    f.ClearPicture(view.el.Tou[i]);
    for (ElementId e : {view.el.Nid[i], view.el.Cash[i], view.el.Level[i]}) f.SetCaption(e, "");
    f.Hide(view.el.imgTing[i]);
    f.Hide(view.el.OK[i]);
  }
  if (view.laidOut()) {
    Form& f = view.main();
    f.Hide(view.el.Speak[0]);
    f.Hide(view.el.Speak[1]);
    f.Hide(view.el.Words);
  }
  playersLeaving_.ClearHistory();

  table_.seating.OthersSeated = 0;
  loop.InDeal = false;
  table_.progress.TimeoutRun = 0;
  settings_.StartHint = true;
  loop_.TableCleared = false;
  table_.progress.DealCount = 0;
  view_.MinimizeMainWindow();
  CloseWindows();
  settlement_.ClearForLobby();

  if (view.laidOut()) {
    Form& f = view.main();
    f.LoadSprite(view.el.AnNiu[2], view.sprites().ButtonSprites[kStartSprite]);
    f.SetCaption(view.el.lbwealth, "0");
    f.Hide(view.el.lbwealth);
    f.Hide(view.el.Imgwealth);
    f.SetCaption(view.el.Chat, "");
  }
  table_.seating.SeatStakes = {};
  props_.Shutdown(0);
}

void Leaving::BackToLobby() {
  loop_.TableCleared = false;
  ClearForLobby();
  view_.ResetTable();
  if (!lobbyLink_.WindowExists(lobby_.LobbyTitle)) {
    log_.Write("no lobby to go back to: ending");
    EndClientNow(process_, 0);
  }
  view_.MinimizeMainWindow();
  lobby_.RestoreLobby();
}

void Leaving::Relogin() {
  Connection& connection = connection_;
  const LaunchParams& launch = launch_;
  connection.RecordMode = true;
  connection.Connected = true;
  // A reconnection may have left its own command, tag and key in the login record; this login
  // is a fresh one whichever way it travels.
  records_.LoginRecord = BuildLoginRecord(launch.UserId, launch.LoginKey).record;
  if (launch.ConnectionType == kConnectDirect) {
    records_.ResetRings();
    socket_.Close();
    socket_.Connect(launch.ServerHost, static_cast<uint16_t>(launch.ServerPort));
    loopControl_.Start();
    loop_.Arm(kStepLogin);
  } else if (launch.ConnectionType == kConnectProxy) {
    loop_.LoopFlag[kStepLogin] = false;
    connection.OpenThroughProxy();
  }
  TableView& view = view_;
  view.ButtonLocked[2] = false;
  if (view.laidOut()) {
    view.main().LoadSprite(view.el.AnNiu[2], view.sprites().ButtonSprites[kStartSprite]);
  }
  view_.HideClock();
}

void Leaving::Shutdown() {
  sound_.Shutdown();
  props_.Shutdown(1);
  props_.library().Unload();
  EndClientNow(process_, 0);
}

void Leaving::CentreOverMain(FormId form) {
  TableView& view = view_;
  const Form& main = view.main();
  Form& f = view.scene().form(form);
  f.screenLeft = main.screenLeft + (main.width() - f.width()) / 2;
  f.screenTop = main.screenTop + (main.height() - f.height()) / 2;
}

void Leaving::BuildExitWindow() {
  if (exitForm_ != kNoForm || !view_.laidOut()) return;
  TableView& view = view_;
  exitForm_ = view.scene().AddForm("frmExit", kExitWidth, kExitHeight);
  Form& f = view.scene().form(exitForm_);
  f.SetTitle("退出");
  f.frameless = true;  // its own buttons answer it
  f.windowOpacity = 200;
  f.topmost = true;
  const ElementId panel = f.Add("Panel", 0, ElementKind::Label, {0, 0, kExitWidth, kExitHeight});
  f.SetBackColor(panel, kPanel, true);
  exitPicture_ = f.Add("Picture", 0, ElementKind::Image, {0, 0, kExitWidth, kExitHeight});
  f.LoadSprite(exitPicture_, kPicExitPanel);
  const ElementId question = f.Add("Label1", 0, ElementKind::Label, {0, 24, kExitWidth, 26});
  f.SetCaption(question, "您真的要退出吗？");
  f.SetAlign(question, TextAlign::Center);
  f.SetColor(question, kText);
  f.SetFontSize(question, 13);
  exitWarning_ = f.Add("Label2", 0, ElementKind::Label, {0, 56, kExitWidth, 22});
  f.SetCaption(exitWarning_, "游戏正在进行，逃跑会扣分！");
  f.SetAlign(exitWarning_, TextAlign::Center);
  f.SetColor(exitWarning_, kWarning);
  f.SetFontSize(exitWarning_, 11);
  exitOk_ = f.Add("imgOK", 0, ElementKind::Image, {70, 100, 65, 30});
  exitCancel_ = f.Add("imgCancel", 0, ElementKind::Image, {165, 100, 65, 30});
  f.LoadSprite(exitOk_, view.sprites().DialogButtonSprites[0]);
  f.LoadSprite(exitCancel_, view.sprites().DialogButtonSprites[2]);
}

void Leaving::OpenExitWindow() {
  BuildExitWindow();
  if (exitForm_ == kNoForm) return;
  Form& f = view_.scene().form(exitForm_);
  f.SetVisible(exitWarning_, loop_.InDeal && !settings_.Spectator);
  // Plain while the seats are being shuffled.
  f.SetVisible(exitPicture_, !loop_.ShuffleShown);
  CentreOverMain(exitForm_);
  f.SetFormVisible(true);
}

void Leaving::CancelExit() {
  if (exitForm_ != kNoForm) view_.scene().form(exitForm_).SetFormVisible(false);
}

void Leaving::ConfirmExit() {
  PropComponent& props = props_;
  if (props.Active() && props.library().Loaded()) {
    props.library().Api().UpdataMyProp(0);
    timers_.PumpWait(250);
  }
  if (SocketUp()) StopWatchAndLeave();
  loop_.TableCleared = false;
  ClearForLobby();
  view_.ResetTable();
  table_.progress.GameRunning = false;
  CancelExit();
  if (!lobbyLink_.WindowExists(lobby_.LobbyTitle)) {
    EndClientNow(process_, 0);
  }
  view_.MinimizeMainWindow();
  lobby_.RestoreLobby();
}

void Leaving::BuildGameOverWindow() {
  if (gameOverForm_ != kNoForm || !view_.laidOut()) return;
  TableView& view = view_;
  gameOverForm_ = view.scene().AddForm("frmOtherExit", kOverWidth, kOverHeight);
  Form& f = view.scene().form(gameOverForm_);
  f.SetTitle("游戏结束");
  f.frameless = true;
  f.windowOpacity = 200;
  f.topmost = true;
  const ElementId panel = f.Add("Panel", 0, ElementKind::Label, {0, 0, kOverWidth, kOverHeight});
  f.SetBackColor(panel, kPanel, true);
  overText_ = f.Add("Label1", 0, ElementKind::Label, {16, 20, kOverWidth - 32, 70});
  f.SetColor(overText_, kText);
  f.SetFontSize(overText_, 12);
  f.SetAlign(overText_, TextAlign::Center);
  overOk_ = f.Add("imgOK", 0, ElementKind::Image, {70, 116, 70, 30});
  overCancel_ = f.Add("imgCancel", 0, ElementKind::Image, {180, 116, 70, 30});
  f.LoadSprite(overOk_, view.sprites().DialogButtonSprites[0]);
  f.LoadSprite(overCancel_, view.sprites().DialogButtonSprites[2]);
}

void Leaving::OpenGameOverWindow(const std::string& message) {
  BuildGameOverWindow();
  if (gameOverForm_ == kNoForm) return;
  Form& f = view_.scene().form(gameOverForm_);
  f.SetCaption(overText_, message);
  CentreOverMain(gameOverForm_);
  f.SetFormVisible(true);
}

void Leaving::GameOverOk() {
  if (gameOverForm_ != kNoForm) view_.scene().form(gameOverForm_).SetFormVisible(false);
  BackToLobby();
}

void Leaving::GameOverCancel() {
  loop_.LoopFlag[kStepConnectionWatch] = false;
  table_.progress.GameEnded = true;
  loop_.InDeal = false;
  if (gameOverForm_ != kNoForm) view_.scene().form(gameOverForm_).SetFormVisible(false);
}

void Leaving::CloseWindows() {
  CancelExit();
  if (gameOverForm_ != kNoForm) view_.scene().form(gameOverForm_).SetFormVisible(false);
}

bool Leaving::OnClick(FormId form, ElementId element) {
  if (form == kNoForm) return false;
  if (form == exitForm_) {
    if (element == exitOk_) ConfirmExit();
    if (element == exitCancel_) CancelExit();
    return true;
  }
  if (form == gameOverForm_) {
    if (element == overOk_) GameOverOk();
    if (element == overCancel_) GameOverCancel();
    return true;
  }
  return false;
}

}  // namespace korvel
