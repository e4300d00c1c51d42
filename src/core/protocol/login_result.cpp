#include "app/client.h"
#include "protocol/seating.h"

namespace korvel {
namespace {

constexpr int kLoginAccepted = 1;
constexpr int kLoginSeatLost = 2;
constexpr size_t kAdPage = 16;
constexpr size_t kAdPageBytes = 100;

}  // namespace

void Seating::OnLoginResult(CommandInfo& info) {
  Records& records = client_.records();
  records.ClearHeld();
  PropDealStarted = false;
  client_.loop().BetweenDeals = false;
  DealStarted = 0;
  client_.settlement().ResetRunningTotals();

  client_.connection().StartKeepAlive();
  client_.tablePlay().DealCount = 0;
  client_.settings().StartHint = true;
  client_.connection().Connected = false;

  if (info.value[3] != kLoginAccepted) {
    client_.lobby().PostToLobby(kMsgLogin);
    client_.messages().Clear(0);
    client_.messages().Clear(1);
    client_.messages().Add(0, info.value[3] == kLoginSeatLost
                             ? "启动游戏失败，请重新在大厅就座后进入游戏！"
                             : "验证错误，请重新登陆游戏！");
    client_.platform().log.Write("login refused with code " + std::to_string(info.value[3]));
    client_.lobby().RestoreLobby();
    EndClientNow(client_.platform().process, 1);
  }

  client_.loop().TableActive = true;
  client_.messages().Clear(0);
  client_.messages().Clear(1);
  client_.messages().Add(0, "连接服务器成功！");
  client_.messages().Add(1, "欢迎进入Korvel麻将 ");
  client_.lobby().PostToLobby(kMsgConnected);
  client_.settings().TurnTime = client_.settings().QuickMode ? kQuickTurnTime : (info.value[1] & 0x0F);
  client_.autoPlay().TimeoutLimit = info.value[0];
  client_.connection().CanReconnect = true;

  std::string ad;
  for (size_t i = kAdPage; i < kAdPage + kAdPageBytes && records.ReceivedRecord[i] != 0; ++i) {
    ad += static_cast<char>(records.ReceivedRecord[i]);
  }
  AdPage = ad;
  if (!AdPage.empty()) ShuffleAd = AdPage + ".gamead";
}

}  // namespace korvel
