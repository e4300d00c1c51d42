#include "protocol/dispatch.h"

#include "model/player_record.h"
#include "model/session_settings.h"
#include "net/reconnection.h"
#include "net/records.h"
#include "props/prop_component.h"
#include "protocol/players_leaving.h"
#include "protocol/seating.h"
#include "seats/table_restore.h"
#include "seats/watching.h"
#include "settlement/settlement.h"
#include "sound/sound.h"
#include "table/table_play.h"

namespace korvel {

Dispatcher::Dispatcher(TableModel& table, SessionSettings& settings, Records& records,
                       Reconnection& reconnection, Sound& sound, TablePlay& tablePlay,
                       Watching& watching, TableRestore& tableRestore,
                       korvel::Settlement& settlement, Seating& seating,
                       PlayersLeaving& playersLeaving, PropComponent& props)
    : table_(table),
      settings_(settings),
      records_(records),
      reconnection_(reconnection),
      sound_(sound),
      tablePlay_(tablePlay),
      watching_(watching),
      tableRestore_(tableRestore),
      settlement_(settlement),
      seating_(seating),
      playersLeaving_(playersLeaving),
      props_(props) {}

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
  records_.FollowServerTag();
  ++Dispatched;
  const int m = info.command;
  if (m >= 1 && m <= kCatalogueSize) {
    (this->*kTable[m])(info);
  } else {
    Default(info);
  }
}

void Dispatcher::DealFour(CommandInfo& info) {
  // A watcher hears the deal and the prop component learns of it as at a seat.
  if (props_.Active() && table_.players[0].handCount == 0) {
    props_.DealStarting();
  }
  sound_.PlayEffectIfOn(kEffectDeal);
  if (settings_.Spectator) {
    watching_.OnWatchDealTiles(info, 4);
  } else {
    tablePlay_.OnDealTiles(info, 4);
  }
}

void Dispatcher::DrawOne(CommandInfo& info) {
  if (settings_.Spectator) {
    watching_.OnWatchDealTiles(info, 1);
  } else {
    tablePlay_.OnDealTiles(info, 1);
  }
}

void Dispatcher::Discard(CommandInfo& info) {
  if (settings_.Spectator) {
    watching_.OnWatchDiscard(info);
  } else {
    tablePlay_.OnDiscard(info);
  }
}

void Dispatcher::OperationResult(CommandInfo& info) {
  if (settings_.Spectator) {
    watching_.OnWatchOperation(info);
  } else {
    tablePlay_.OnOperationResult(info);
  }
}

void Dispatcher::SeatAnnouncement(CommandInfo& info) { seating_.OnSeatAnnouncement(info); }
void Dispatcher::DealStart(CommandInfo& info) { tablePlay_.OnDealStart(info); }
void Dispatcher::Turn(CommandInfo& info) { tablePlay_.OnTurn(info); }
void Dispatcher::DealEnd(CommandInfo& info) { settlement_.OnDealEnd(info); }
void Dispatcher::FollowUpResult(CommandInfo& info) { tablePlay_.OnFollowUpResult(info); }
void Dispatcher::Settlement(CommandInfo& info) { settlement_.OnSettlement(info); }
void Dispatcher::WinReport(CommandInfo& info) { settlement_.OnWinReport(info); }
void Dispatcher::LoginResult(CommandInfo& info) { seating_.OnLoginResult(info); }
void Dispatcher::Chat(CommandInfo& info) { playersLeaving_.OnChat(info); }
void Dispatcher::PlayerInfo(CommandInfo& info) { seating_.OnPlayerInfo(info); }
void Dispatcher::PlayerLeft(CommandInfo& info) { playersLeaving_.OnPlayerLeft(info); }
void Dispatcher::GameOver(CommandInfo& info) { playersLeaving_.OnGameOver(info); }
void Dispatcher::ReadyMark(CommandInfo& info) { seating_.OnReadyMark(info); }
void Dispatcher::Restore(CommandInfo& info) { tableRestore_.OnRestore(info); }

void Dispatcher::ReconnectResult(CommandInfo& info) {
  const TakenRecord& taken = lastTaken_;
  if (taken.privateCopy) reconnection_.OnReconnectResult(info, *taken.privateCopy);
}

void Dispatcher::PropScore(CommandInfo& info) {
  if (props_.Active()) props_.PropScorePending = true;
  Default(info);
}

void Dispatcher::Default(CommandInfo&) { props_.Receive(records_.ReceivedRecord); }

void Dispatcher::Route(TakenRecord& taken) {
  switch (taken.extra) {
    case TakenRecord::Extra::SeatName:
      table_.seating.SeatName[taken.seatIndex] += taken.text;
      break;
    case TakenRecord::Extra::Chat:
      playersLeaving_.ShowChat(records_.Rinfo, taken.text);
      break;
    case TakenRecord::Extra::PropMessage:
      if (taken.privateCopy) props_.Receive(*taken.privateCopy);
      break;
    case TakenRecord::Extra::None:
      break;
  }
  lastTaken_ = std::move(taken);
}

}  // namespace korvel
