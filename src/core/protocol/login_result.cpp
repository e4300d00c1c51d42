#include "model/loop_state.h"
#include "model/session_settings.h"
#include "net/connection.h"
#include "net/lobby_window.h"
#include "net/records.h"
#include "platform/ports.h"
#include "protocol/seating.h"
#include "settlement/settlement.h"
#include "view/message_lines.h"

namespace korvel {
namespace {

constexpr int kLoginAccepted = 1;
constexpr int kLoginSeatLost = 2;
constexpr size_t kAdPage = 16;
constexpr size_t kAdPageBytes = 100;

}  // namespace

void Seating::OnLoginResult(CommandInfo& info) {
  Records& records = records_;
  records.ClearHeld();
  seats_.PropDealStarted = false;
  loop_.BetweenDeals = false;
  seats_.DealStarted = 0;
  settlement_.ResetRunningTotals();
  // A new table: the last one's player figures must not stay up over it.
  HideInfoWindow();

  connection_.StartKeepAlive();
  table_.progress.DealCount = 0;
  settings_.StartHint = true;
  connection_.Connected = false;

  if (info.value[3] != kLoginAccepted) {
    lobby_.PostToLobby(kMsgLogin);
    messages_.Clear(0);
    messages_.Clear(1);
    messages_.Add(0, info.value[3] == kLoginSeatLost ? "启动游戏失败，请重新在大厅就座后进入游戏！"
                                                     : "验证错误，请重新登陆游戏！");
    log_.Write("login refused with code " + std::to_string(info.value[3]));
    lobby_.RestoreLobby();
    EndClientNow(process_, 1);
  }

  loop_.TableActive = true;
  messages_.Clear(0);
  messages_.Clear(1);
  messages_.Add(0, "连接服务器成功！");
  messages_.Add(1, "欢迎进入Korvel麻将 ");
  lobby_.PostToLobby(kMsgConnected);
  settings_.TurnTime = settings_.QuickMode ? kQuickTurnTime : (info.value[1] & 0x0F);
  table_.progress.TimeoutLimit = info.value[0];
  connection_.CanReconnect = true;

  std::string ad;
  for (size_t i = kAdPage; i < kAdPage + kAdPageBytes && records.ReceivedRecord[i] != 0; ++i) {
    ad += static_cast<char>(records.ReceivedRecord[i]);
  }
  seats_.AdPage = ad;
  if (!seats_.AdPage.empty()) seats_.ShuffleAd = seats_.AdPage + ".gamead";
}

}  // namespace korvel
