#include "protocol/dispatch.h"

#include "app/client.h"

namespace korvel {

using D = Dispatcher;

// Command number -> handler; every number without its own entry takes the default path.
const std::array<Dispatcher::Handler, kCatalogueSize + 1> Dispatcher::kTable = {
    &D::Default,           // 0 (never looked up)
    &D::DealFour,          // 1
    &D::Discard,           // 2
    &D::SeatAnnouncement,  // 3
    &D::DealStart,         // 4
    &D::DrawOne,           // 5
    &D::Turn,              // 6
    &D::OperationResult,   // 7
    &D::Default,           // 8
    &D::DealEnd,           // 9
    &D::Default,           // 10
    &D::Default,           // 11
    &D::Default,           // 12
    &D::Default,           // 13
    &D::Default,           // 14
    &D::FollowUpResult,    // 15
    &D::Settlement,        // 16
    &D::WinReport,         // 17
    &D::LoginResult,       // 18
    &D::Chat,              // 19
    &D::PlayerInfo,        // 20
    &D::PlayerLeft,        // 21
    &D::GameOver,          // 22
    &D::ReadyMark,         // 23
    &D::Default,           // 24
    &D::Default,           // 25
    &D::Default,           // 26
    &D::Default,           // 27
    &D::Default,           // 28
    &D::ReconnectResult,   // 29
    &D::Default,           // 30
    &D::Default,           // 31
    &D::Default,           // 32
    &D::Default,           // 33
    &D::Default,           // 34
    &D::Default,           // 35
    &D::Default,           // 36
    &D::Default,           // 37
    &D::Default,           // 38
    &D::Default,           // 39
    &D::Restore,           // 40
    &D::Default,           // 41
    &D::Default,           // 42
    &D::Default,           // 43
    &D::Default,           // 44: prop message
    &D::Default,           // 45: prop message
    &D::PropScore,         // 46
};

void Dispatcher::Dispatch(CommandInfo& info) {
  client_.records().FollowServerTag();
  ++Dispatched;
  const int m = info.command;
  if (m >= 1 && m <= kCatalogueSize) {
    (this->*kTable[m])(info);
  } else {
    Default(info);
  }
}

void Dispatcher::DealFour(CommandInfo& info) {
  if (client_.settings().Spectator) {
    client_.watching().OnWatchDealTiles(info, 4);
    return;
  }
  if (client_.props().Active() && client_.table().players[0].handCount == 0) {
    client_.props().DealStarting();
  }
  client_.sound().PlayEffectIfOn(kEffectDeal);
  client_.tablePlay().OnDealTiles(info, 4);
}

void Dispatcher::DrawOne(CommandInfo& info) {
  if (client_.settings().Spectator) {
    client_.watching().OnWatchDealTiles(info, 1);
  } else {
    client_.tablePlay().OnDealTiles(info, 1);
  }
}

void Dispatcher::Discard(CommandInfo& info) {
  if (client_.settings().Spectator) {
    client_.watching().OnWatchDiscard(info);
  } else {
    client_.tablePlay().OnDiscard(info);
  }
}

void Dispatcher::OperationResult(CommandInfo& info) {
  if (client_.settings().Spectator) {
    client_.watching().OnWatchOperation(info);
  } else {
    client_.tablePlay().OnOperationResult(info);
  }
}

void Dispatcher::SeatAnnouncement(CommandInfo& info) { client_.seating().OnSeatAnnouncement(info); }
void Dispatcher::DealStart(CommandInfo& info) { client_.tablePlay().OnDealStart(info); }
void Dispatcher::Turn(CommandInfo& info) { client_.tablePlay().OnTurn(info); }
void Dispatcher::DealEnd(CommandInfo& info) { client_.settlement().OnDealEnd(info); }
void Dispatcher::FollowUpResult(CommandInfo& info) { client_.tablePlay().OnFollowUpResult(info); }
void Dispatcher::Settlement(CommandInfo& info) { client_.settlement().OnSettlement(info); }
void Dispatcher::WinReport(CommandInfo& info) { client_.settlement().OnWinReport(info); }
void Dispatcher::LoginResult(CommandInfo& info) { client_.seating().OnLoginResult(info); }
void Dispatcher::Chat(CommandInfo& info) { client_.playersLeaving().OnChat(info); }
void Dispatcher::PlayerInfo(CommandInfo& info) { client_.seating().OnPlayerInfo(info); }
void Dispatcher::PlayerLeft(CommandInfo& info) { client_.playersLeaving().OnPlayerLeft(info); }
void Dispatcher::GameOver(CommandInfo& info) { client_.playersLeaving().OnGameOver(info); }
void Dispatcher::ReadyMark(CommandInfo& info) { client_.seating().OnReadyMark(info); }
void Dispatcher::Restore(CommandInfo& info) { client_.tableRestore().OnRestore(info); }

void Dispatcher::ReconnectResult(CommandInfo& info) {
  const TakenRecord& taken = client_.LastTaken();
  if (taken.privateCopy) client_.reconnection().OnReconnectResult(info, *taken.privateCopy);
}

void Dispatcher::PropScore(CommandInfo& info) {
  if (client_.props().Active()) client_.props().PropScorePending = true;
  Default(info);
}

void Dispatcher::Default(CommandInfo&) {
  client_.props().Receive(client_.records().ReceivedRecord);
}

}  // namespace korvel
