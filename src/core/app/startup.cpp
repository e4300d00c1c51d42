#include <algorithm>

#include "app/client.h"
#include "app/notices.h"
#include "net/socket_errors.h"

namespace korvel {

Client::Client(Platform& platform)
    : platform_(platform),
      records_(loop_, table_, platform.socket, platform.log),
      lobby_(platform.lobby, platform.process, platform.log) {
  lobby_.LobbyTitle = kDefaultLobbyTitle;
}

void Client::Startup(const std::string& commandLine) {
  if (!platform_.files.TakeSingleCopyLock(kSingleCopyLock)) {
    ShowMessage(platform_, "Korvel麻将游戏已经运行！", kTitleWarning);
    lobby_.RestoreLobby();
    EndClientNow(platform_.process, 0);
  }

  records_.ResetRings();
  loop_.BetweenDeals = false;
  loop_.Reset();
  ChatAllowed = true;
  LoggedIn = false;
  InitSound();
  ResetShuffleDisplay();
  LayOutTable();

  LaunchParse parsed = ParseLaunchLine(commandLine);
  launch_ = parsed.params;
  if (parsed.error == LaunchError::Empty) {
    ShowMessage(platform_, "本游戏需从游戏大厅中启动！", kTitleWarning);
    EndClientNow(platform_.process, 1);
  }
  Spectator = launch_.Spectator;
  table_.state.Spectator = Spectator;
  if (launch_.QuickMode) lobby_.LobbyTitle = launch_.LobbyTitleField;
  if (!parsed.ok()) StartupFailed("bad launch line: " + parsed.message);
  table_.players[0].name = launch_.UserId;

  ShowSystemLine("正在连接服务器...");
  platform_.timers.Stop("TimerBong");
  RecordMode = true;

  LoginRecordResult login = BuildLoginRecord(launch_.UserId, launch_.LoginKey);
  if (!login.ok) StartupFailed(login.error);
  records_.LoginRecord = login.record;

  if (launch_.ConnectionType == kConnectDirect) {
    if (launch_.ServerHost.empty() || launch_.ServerPort <= 0) {
      StartupFailed("no game server address in the launch line");
    }
    OpenDirect();
  } else if (launch_.ConnectionType == kConnectProxy) {
    if (launch_.ProxyHost.empty() || launch_.ProxyPort <= 0) {
      StartupFailed("no proxy address in the launch line");
    }
    loop_.LoopFlag[kStepLogin] = false;
    OpenThroughProxy();
  } else {
    platform_.log.Write("connection type " + std::to_string(launch_.ConnectionType) +
                        ": no connection is made");
  }

  if (launch_.QuickMode) {
    WindowTitle = launch_.WindowTitleField;
    TurnTime = kQuickTurnTime;
    QuickMode = true;
  } else {
    lobby_.LobbyTitle = kDefaultLobbyTitle;
  }
  table_.players[0].seatMask = 0;
  LoadProps();

  if (!platform_.lobby.Listen(WindowTitle,
                              [this](const korvel::LobbyMessage& m) { return LobbyMessage(m); })) {
    platform_.log.Write("cannot listen for lobby messages as \"" + WindowTitle + "\"");
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
  platform_.log.Write("lobby message " + std::to_string(message.number) + " (" +
                      LobbyMessageName(message.number, false) + ")");
  return 0;
}

void Client::LoadProps() {
  if (launch_.PropSwitch != 1) return;
  const std::string path = PropLibrary::PathFor(platform_.files.AppDir());
  if (propLibrary_.Load(path)) {
    platform_.log.Write("prop component loaded from " + path);
  } else {
    platform_.log.Write("no prop component: " + propLibrary_.Error());
  }
}

// Filled in by the table view, sound and connection subsystems.
void Client::LayOutTable() {}
void Client::InitSound() {}
void Client::ResetShuffleDisplay() {}
void Client::ShowSystemLine(const std::string& line) { platform_.log.Write("system: " + line); }
void Client::OpenDirect() {}
void Client::OpenThroughProxy() {}

}  // namespace korvel
