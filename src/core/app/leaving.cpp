#include "app/leaving.h"

#include "app/client.h"

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

bool Leaving::SocketUp() const { return client_.platform().socket.IsConnected(); }

void Leaving::Reply(uint32_t number) { client_.lobby().PostToLobby(number); }

void Leaving::StopWatchAndLeave() {
  client_.loop().LoopFlag[kStepConnectionWatch] = false;
  client_.loop().LoopCount[kStepConnectionWatch] = 0;
  LeaveTable();
}

uint32_t Leaving::LobbyMessage(const korvel::LobbyMessage& m) {
  Platform& platform = client_.platform();
  platform.log.Write("lobby message " + std::to_string(m.number) + " (" +
                     LobbyMessageName(m.number, false) + ")");
  const bool lobbyThere = platform.lobby.WindowExists(client_.lobby().LobbyTitle);
  switch (m.number) {
    case kMsgInDeal:
      if (lobbyThere) Reply(client_.loop().InDeal ? kMsgInDeal : kMsgLeaveNow);
      break;
    case kMsgConnected:
      if (!lobbyThere) break;
      if (client_.connection().Connected) {
        Reply(kMsgLoginPending);
      } else if (client_.loop().InDeal) {
        Reply(kMsgInDeal);
      } else {
        if (SocketUp()) StopWatchAndLeave();
        ClearForLobby();
        client_.view().ResetTable();
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
      if (m.param1 == kScRestore) client_.view().RestoreMainWindow();
      if (m.param1 == kScMinimize) client_.view().MinimizeMainWindow();
      return 1;
    default:
      break;
  }
  return 0;
}

void Leaving::LeaveTable() {
  Platform& platform = client_.platform();
  LoopState& loop = client_.loop();
  if (SocketUp()) {
    // The notice goes out at once, without the server's tag.
    RecordBytes notice{};
    notice[rec::kCommand] = kCommandLeave;
    notice[rec::kSeat] = client_.table().players[0].seatMask;
    platform.socket.Send(notice);
  }
  for (int k : {1, 2, 3, 4, 6, 7, 8}) loop.LoopFlag[k] = false;
  loop.LoopCount[kStepConnectionWatch] = 0;
  client_.loop().WordsShown = false;
  client_.mainLoop().Stop();
  client_.connection().StopKeepAlive();
  // The notice must leave before the connection is closed.
  platform.timers.PumpWait(client_.reconnection().Reconnected ? kLeaveWaitAfterReconnectMs
                                                              : kLeaveWaitMs);
  TableView& view = client_.view();
  if (view.laidOut()) view.main().SetCaption(view.el.Chat, "");
  client_.connection().CanReconnect = false;
  platform.timers.Stop("TimerShuffle");
  if (view.laidOut()) {
    view.main().Hide(view.el.LblShuffle);
    view.main().Hide(view.el.ImgShuffle);
  }
  client_.loop().ShuffleArmed = false;
  client_.loop().ShuffleShown = false;
}

void Leaving::ClearForLobby() {
  Platform& platform = client_.platform();
  LoopState& loop = client_.loop();
  TableView& view = client_.view();
  Seating& seating = client_.seating();

  loop.InDeal = false;
  view.ButtonLocked[2] = true;
  for (int k : {1, 2, 3, 4, 6, 7, 8}) loop.LoopFlag[k] = false;
  loop.LoopCount[kStepConnectionWatch] = 0;
  client_.loop().WordsShown = false;
  client_.mainLoop().Stop();
  client_.connection().StopKeepAlive();

  client_.messages().Clear(0);
  client_.messages().Clear(1);
  loop.BetweenDeals = false;
  platform.socket.Close();
  client_.connection().Connected = false;
  platform.timers.PumpUntil([&] { return !platform.socket.IsConnected(); }, kSocketCloseWaitMs);

  for (int i = 0; i < kSeats; ++i) {
    client_.table().players[i].name.clear();
    client_.table().players[i].seatMask = 0;
    client_.playersLeaving().ClearSeatInfo(i);
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
  client_.playersLeaving().ClearHistory();

  seating.OthersSeated = 0;
  loop.InDeal = false;
  client_.autoPlay().TimeoutRun = 0;
  client_.settings().StartHint = true;
  client_.loop().TableCleared = false;
  client_.tablePlay().DealCount = 0;
  client_.view().MinimizeMainWindow();
  CloseWindows();
  client_.settlement().ClearForLobby();

  if (view.laidOut()) {
    Form& f = view.main();
    f.LoadSprite(view.el.AnNiu[2], view.sprites().ButtonSprites[kStartSprite]);
    f.SetCaption(view.el.lbwealth, "0");
    f.Hide(view.el.lbwealth);
    f.Hide(view.el.Imgwealth);
    f.SetCaption(view.el.Chat, "");
  }
  seating.SeatStakes = {};
  client_.props().Shutdown(0);
}

void Leaving::BackToLobby() {
  client_.loop().TableCleared = false;
  ClearForLobby();
  client_.view().ResetTable();
  if (!client_.platform().lobby.WindowExists(client_.lobby().LobbyTitle)) {
    client_.platform().log.Write("no lobby to go back to: ending");
    EndClientNow(client_.platform().process, 0);
  }
  client_.view().MinimizeMainWindow();
  client_.lobby().RestoreLobby();
}

void Leaving::Relogin() {
  Connection& connection = client_.connection();
  const LaunchParams& launch = client_.launch();
  connection.RecordMode = true;
  connection.Connected = true;
  // A reconnection may have left its own command, tag and key in the login record; this login
  // is a fresh one whichever way it travels.
  client_.records().LoginRecord = BuildLoginRecord(launch.UserId, launch.LoginKey).record;
  if (launch.ConnectionType == kConnectDirect) {
    client_.records().ResetRings();
    client_.platform().socket.Close();
    client_.platform().socket.Connect(launch.ServerHost, static_cast<uint16_t>(launch.ServerPort));
    client_.mainLoop().Start();
    client_.loop().Arm(kStepLogin);
  } else if (launch.ConnectionType == kConnectProxy) {
    client_.loop().LoopFlag[kStepLogin] = false;
    connection.OpenThroughProxy();
  }
  TableView& view = client_.view();
  view.ButtonLocked[2] = false;
  if (view.laidOut()) {
    view.main().LoadSprite(view.el.AnNiu[2], view.sprites().ButtonSprites[kStartSprite]);
  }
  client_.view().HideClock();
}

void Leaving::Shutdown() {
  client_.sound().Shutdown();
  client_.props().Shutdown(1);
  client_.props().library().Unload();
  EndClientNow(client_.platform().process, 0);
}

void Leaving::CentreOverMain(FormId form) {
  TableView& view = client_.view();
  const Form& main = view.main();
  Form& f = view.scene().form(form);
  f.screenLeft = main.screenLeft + (main.width() - f.width()) / 2;
  f.screenTop = main.screenTop + (main.height() - f.height()) / 2;
}

void Leaving::BuildExitWindow() {
  if (exitForm_ != kNoForm || !client_.view().laidOut()) return;
  TableView& view = client_.view();
  exitForm_ = view.scene().AddForm("frmExit", kExitWidth, kExitHeight);
  Form& f = view.scene().form(exitForm_);
  f.SetTitle("退出");
  f.windowOpacity = 200;
  f.topmost = true;
  const ElementId panel = f.Add("Panel", 0, ElementKind::Label, {0, 0, kExitWidth, kExitHeight});
  f.SetBackColor(panel, kPanel, true);
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
  Form& f = client_.view().scene().form(exitForm_);
  f.SetVisible(exitWarning_, client_.loop().InDeal && !client_.settings().Spectator);
  CentreOverMain(exitForm_);
  f.SetFormVisible(true);
}

void Leaving::CancelExit() {
  if (exitForm_ != kNoForm) client_.view().scene().form(exitForm_).SetFormVisible(false);
}

void Leaving::ConfirmExit() {
  PropComponent& props = client_.props();
  if (props.Active() && props.library().Loaded()) {
    props.library().Api().UpdataMyProp(0);
    client_.platform().timers.PumpWait(250);
  }
  if (SocketUp()) StopWatchAndLeave();
  client_.loop().TableCleared = false;
  ClearForLobby();
  client_.view().ResetTable();
  client_.playersLeaving().GameRunning = false;
  CancelExit();
  if (!client_.platform().lobby.WindowExists(client_.lobby().LobbyTitle)) {
    EndClientNow(client_.platform().process, 0);
  }
  client_.view().MinimizeMainWindow();
  client_.lobby().RestoreLobby();
}

void Leaving::BuildGameOverWindow() {
  if (gameOverForm_ != kNoForm || !client_.view().laidOut()) return;
  TableView& view = client_.view();
  gameOverForm_ = view.scene().AddForm("frmOtherExit", kOverWidth, kOverHeight);
  Form& f = view.scene().form(gameOverForm_);
  f.SetTitle("游戏结束");
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
  Form& f = client_.view().scene().form(gameOverForm_);
  f.SetCaption(overText_, message);
  CentreOverMain(gameOverForm_);
  f.SetFormVisible(true);
}

void Leaving::GameOverOk() {
  if (gameOverForm_ != kNoForm) client_.view().scene().form(gameOverForm_).SetFormVisible(false);
  BackToLobby();
}

void Leaving::GameOverCancel() {
  client_.loop().LoopFlag[kStepConnectionWatch] = false;
  client_.playersLeaving().GameEnded = true;
  client_.loop().InDeal = false;
  if (gameOverForm_ != kNoForm) client_.view().scene().form(gameOverForm_).SetFormVisible(false);
}

void Leaving::CloseWindows() {
  CancelExit();
  if (gameOverForm_ != kNoForm) client_.view().scene().form(gameOverForm_).SetFormVisible(false);
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
