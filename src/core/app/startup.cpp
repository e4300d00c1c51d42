#include <algorithm>
#include <cstdlib>

#include "app/client.h"
#include "net/socket_errors.h"
#include "platform/gbk.h"
#include "platform/notices.h"

namespace korvel {

Client::Client(Platform& platform)
    : platform_(platform),
      view_(table_, loop_),
      messages_(view_, platform.log),
      shuffle_(view_, platform.timers, loop_),
      sound_(platform.sound, platform.files, seatVoices_),
      vosSet_(sound_),
      vosSetForm_(vosSet_, view_),
      records_(loop_, table_, platform.socket, platform.log),
      lobby_(platform.lobby, platform.process, platform.log),
      connection_(table_, loop_, mainLoop_, launch_, messages_, records_, lobby_, reconnection_,
                  connectionEvents_, platform.timers, platform.socket, platform.dialogs,
                  platform.log, platform.process),
      mainLoop_(table_, loop_, settings_, view_, messages_, shuffle_, records_, lobby_, connection_,
                reconnection_, sound_, autoPlay_, playersLeaving_, leaving_, dispatcher_, props_,
                platform.timers, platform.socket, platform.lobby, platform.log, platform.process),
      dispatcher_(table_, settings_, records_, reconnection_, sound_, tablePlay_, watching_,
                  tableRestore_, settlement_, seating_, playersLeaving_, props_),
      props_(table_, loop_, settings_, launch_, view_, messages_, input_, records_, settlement_,
             chat_, platform.timers, platform.files, platform.screen, platform.log),
      seating_(table_, loop_, settings_, launch_, view_, messages_, records_, lobby_, connection_,
               sound_, seatVoices_, tablePlay_, watching_, settlement_, props_, platform.timers,
               platform.log, platform.process),
      playersLeaving_(table_, loop_, mainLoop_, settings_, view_, messages_, records_, connection_,
                      seating_, leaving_, chat_, props_, platform.timers, platform.dialogs,
                      platform.log, platform.process),
      tablePlay_(table_, loop_, settings_, view_, messages_, records_, lobby_, reconnection_,
                 sound_, otherSeats_, settlement_, platform.timers, platform.log),
      watching_(table_, loop_, settings_, view_, records_, sound_, seatVoices_, tablePlay_,
                settlement_, platform.timers, platform.log),
      tableRestore_(table_, loop_, settings_, view_, records_, tablePlay_, watching_, platform.log),
      settlement_(table_, loop_, settings_, view_, messages_, records_, connection_, reconnection_,
                  leaving_, props_, platform.timers, platform.dialogs, platform.files, platform.log,
                  platform.process),
      autoPlay_(table_, loop_, settings_, view_, messages_, input_, records_, tablePlay_,
                platform.log),
      otherSeats_(table_, loop_, view_, reconnection_, sound_, platform.log),
      reconnection_(loop_, launch_, view_, messages_, records_, lobby_, connection_,
                    connectionEvents_, platform.timers, platform.socket, platform.dialogs,
                    platform.log, platform.process),
      input_(view_, vosSetForm_, tablePlay_, settlement_, seating_, leaving_, chat_, props_,
             frame_),
      leaving_(table_, loop_, mainLoop_, settings_, launch_, view_, messages_, records_, lobby_,
               connection_, reconnection_, sound_, settlement_, playersLeaving_, props_,
               platform.timers, platform.socket, platform.lobby, platform.log, platform.process),
      frame_(table_, loop_, settings_, view_, shuffle_, records_, lobby_, vosSetForm_, tablePlay_,
             settlement_, seating_, playersLeaving_, leaving_, chat_, props_, platform.dialogs,
             platform.files),
      chat_(table_, loop_, settings_, view_, records_, platform.timers, platform.files) {
  lobby_.LobbyTitle = kDefaultLobbyTitle;
  platform_.socket.SetEvents(&connection_);
  view_.AddResetParticipant(&seating_);
  view_.AddResetParticipant(&settlement_);
  view_.AddResetParticipant(&props_);
}

void Client::Startup(const std::string& commandLine) {
  if (!platform_.files.TakeSingleCopyLock(kSingleCopyLock)) {
    ShowMessage(platform_, kAlreadyRunning, kTitleWarning);
    lobby_.RestoreLobby();
    EndClientNow(platform_.process, 0);
  }

  records_.ResetRings();
  loop_.BetweenDeals = false;
  loop_.Reset();
  chat_.ChatAllowed = true;
  connection_.Connected = false;
  InitSound();
  shuffle_.Reset();
  LayOutTable();

  LaunchParse parsed = ParseLaunchLine(commandLine);
  launch_ = parsed.params;
  if (parsed.error == LaunchError::Empty) {
    ShowMessage(platform_, "本游戏需从游戏大厅中启动！", kTitleWarning);
    EndClientNow(platform_.process, 1);
  }
  settings_.Spectator = launch_.Spectator;
  table_.state.Spectator = settings_.Spectator;
  if (launch_.QuickMode) lobby_.LobbyTitle = launch_.LobbyTitleField;
  if (!parsed.ok()) StartupFailed("bad launch line: " + parsed.message);
  table_.players[0].name = launch_.UserId;
  ShowLocation();

  messages_.Clear(0);
  messages_.Add(0, "正在连接服务器...");
  mainLoop_.Stop();
  connection_.RecordMode = true;

  LoginRecordResult login = BuildLoginRecord(launch_.UserId, launch_.LoginKey);
  if (!login.ok) StartupFailed(login.error);
  records_.LoginRecord = login.record;

  if (launch_.ConnectionType == kConnectDirect) {
    if (launch_.ServerHost.empty() || launch_.ServerPort <= 0) {
      StartupFailed("no game server address in the launch line");
    }
    connection_.OpenDirect();
  } else if (launch_.ConnectionType == kConnectProxy) {
    if (launch_.ProxyHost.empty() || launch_.ProxyPort <= 0) {
      StartupFailed("no proxy address in the launch line");
    }
    loop_.LoopFlag[kStepLogin] = false;
    connection_.OpenThroughProxy();
  } else {
    platform_.log.Write("connection type " + std::to_string(launch_.ConnectionType) +
                        ": no connection is made");
  }

  if (launch_.QuickMode) {
    settings_.WindowTitle = launch_.WindowTitleField;
    settings_.TurnTime = kQuickTurnTime;
    settings_.QuickMode = true;
  } else {
    lobby_.LobbyTitle = kDefaultLobbyTitle;
  }
  table_.players[0].seatMask = 0;
  frame_.ShowFrame();
  frame_.ShowStartButton();
  if (view_.laidOut()) view_.main().SetTitle(settings_.WindowTitle);
  props_.Load();

  if (!platform_.lobby.Listen(settings_.WindowTitle,
                              [this](const korvel::LobbyMessage& m) { return LobbyMessage(m); })) {
    platform_.log.Write("cannot listen for lobby messages as \"" + settings_.WindowTitle + "\"");
  }
}

void Client::StartupFailed(const std::string& why, int socketError) {
  platform_.log.Write("start-up failed: " + why);
  if (auto notice = NetworkNotice(socketError)) {
    ShowMessage(platform_, *notice, kTitleNetwork, DialogButtons::Ok, DialogIcon::Information);
  }
  lobby_.RestoreLobby();
  EndClientNow(platform_.process, 1);
}

uint32_t Client::LobbyMessage(const korvel::LobbyMessage& message) {
  return leaving_.LobbyMessage(message);
}

void Client::LayOutTable() {
  view_.LayOut(LayoutScale::ForScreen(platform_.screen.Width(), platform_.screen.Height(),
                                      std::getenv("KORVEL_LAYOUT")));
}

void Client::ShowLocation() {
  if (!view_.laidOut()) return;
  Form& f = view_.main();
  const ElementId label = view_.el.Location;
  if (view_.scale().IsSmall()) f.SetFontSize(label, 10);
  // A long place name gets a smaller font so it stays on its bar.
  if (Utf8Length(launch_.Location) > 10) f.SetFontSize(label, f.Get(label)->fontSize - 2);
  f.SetCaption(label, launch_.Location);
}

void Client::InitSound() {
  sound_.Startup();
  vosSet_.SetSoundSwitchHook([this](bool on) {
    if (props_.Active() && props_.library().Loaded()) props_.library().Api().rec_state(1, on, 0);
  });
}

}  // namespace korvel
