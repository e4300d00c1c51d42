#include "net/socket_errors.h"

#include "platform/ports.h"

namespace korvel {

std::optional<std::string> NetworkNotice(int number) {
  std::string text;
  switch (number) {
    case kErrNotConnected:
      text =
          "可能您的机器上装有防火墙，游戏程序被阻止，\n"
          "请退出游戏重新设置防火墙或关闭防火墙，再登陆游戏，\n";
      break;
    case kErrShutDown:
      text = "连接已被关闭，请您退出游戏并重新登陆，\n";
      break;
    case kErrRefused:
      text =
          "游戏程序可能被您的防火墙(杀毒软件)阻止，\n"
          "导致游戏无法成功连接，请退出游戏重新设置防火墙或关闭防火墙，\n";
      break;
    case kErrTimedOut:
      text = "网络连接超时，请您选择相应的服务器专区，\n";
      break;
    default:
      return std::nullopt;
  }
  return "尊敬的用户，" + text + "感谢您对Tesk游戏中心的支持！";
}

}  // namespace korvel
