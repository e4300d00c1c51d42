#include "net/connection.h"

#include <arpa/inet.h>

#include <algorithm>

#include "config/launch_params.h"
#include "model/loop_state.h"
#include "model/player_record.h"
#include "net/connection_events.h"
#include "net/lobby_window.h"
#include "net/records.h"
#include "net/socket_errors.h"
#include "platform/notices.h"
#include "platform/ports.h"
#include "view/message_lines.h"

namespace korvel {
namespace socks5 {

std::vector<uint8_t> Greeting() { return {5, 2, 0, 2}; }

std::vector<uint8_t> Authentication(const std::string& user, const std::string& password) {
  // Lengths travel as one byte; the launch line refuses anything longer than 255.
  const size_t u = std::min<size_t>(user.size(), 255);
  const size_t p = std::min<size_t>(password.size(), 255);
  std::vector<uint8_t> m{1, static_cast<uint8_t>(u)};
  m.insert(m.end(), user.begin(), user.begin() + static_cast<long>(u));
  m.push_back(static_cast<uint8_t>(p));
  m.insert(m.end(), password.begin(), password.begin() + static_cast<long>(p));
  return m;
}

std::vector<uint8_t> ConnectRequest(const std::string& host, uint16_t port) {
  std::vector<uint8_t> m{5, 1, 0};
  in_addr address{};
  if (inet_pton(AF_INET, host.c_str(), &address) == 1) {
    m.push_back(1);
    const auto* b = reinterpret_cast<const uint8_t*>(&address.s_addr);
    m.insert(m.end(), b, b + 4);
  } else {
    // A host name goes to the proxy to resolve, instead of failing.
    const size_t n = std::min<size_t>(host.size(), 255);
    m.push_back(3);
    m.push_back(static_cast<uint8_t>(n));
    m.insert(m.end(), host.begin(), host.begin() + static_cast<long>(n));
  }
  m.push_back(static_cast<uint8_t>(port >> 8));
  m.push_back(static_cast<uint8_t>(port & 0xFF));
  return m;
}

size_t ConnectReplyLength(std::span<const uint8_t> reply) {
  if (reply.size() < 4) return 0;
  switch (reply[3]) {
    case 1:
      return 4 + 4 + 2;
    case 4:
      return 4 + 16 + 2;
    case 3:
      return reply.size() < 5 ? 0 : 4 + 1 + reply[4] + 2;
    default:
      return 4;  // an address type we cannot size: take only the fixed part
  }
}

}  // namespace socks5

Connection::Connection(TableModel& table, LoopState& loop, LoopControl& loopControl,
                       const LaunchParams& launch, MessageLines& messages, Records& records,
                       LobbyWindow& lobby, ReconnectAttempts& reconnection,
                       ConnectionEvents& events, Timers& timers, Socket& socket, Dialogs& dialogs,
                       Log& log, Process& process)
    : table_(table),
      loop_(loop),
      loopControl_(loopControl),
      launch_(launch),
      messages_(messages),
      records_(records),
      lobby_(lobby),
      reconnection_(reconnection),
      events_(events),
      timers_(timers),
      socket_(socket),
      dialogs_(dialogs),
      log_(log),
      process_(process) {}

void Connection::OpenDirect() {
  ConnectDirect();
  loopControl_.Start();
}

void Connection::ConnectDirect() {
  const LaunchParams& launch = launch_;
  socket_.Connect(launch.ServerHost, static_cast<uint16_t>(launch.ServerPort));
  loop_.Arm(kStepLogin);
  loginPosted_ = false;
}

bool Connection::WaitForSocket(int timeoutMs) {
  Socket& socket = socket_;
  // A connection that never comes up and never reports an error would otherwise wait forever.
  return timers_.PumpUntil([&] { return socket.IsConnected(); }, timeoutMs);
}

void Connection::LoginStep() {
  if (!loginPosted_) {
    lobby_.PostToLobby(kMsgLogin);
    loginPosted_ = true;
  }
  // While reconnecting, the attempts themselves wait: the step logs in once the socket is back.
  if (reconnection_.Active() && !socket_.IsConnected()) return;
  if (!WaitForSocket()) {
    log_.Write("the game server did not answer in time");
    ExplainAndEnd(kErrTimedOut);
  }
  Connected = true;
  loginPosted_ = false;
  socket_.Send(records_.LoginRecord);
  loop_.Arm(kStepConnectionWatch);
  loop_.LoopFlag[kStepLogin] = false;
  loop_.LoopCount[kStepLogin] = 0;
  events_.ConnectionUp();
}

void Connection::OpenThroughProxy() {
  const LaunchParams& launch = launch_;
  const bool reconnecting = reconnection_.Active();
  // Records queued while the connection was down must survive a reconnection through the proxy.
  if (!reconnecting) records_.ResetRings();
  RecordMode = false;
  socket_.Connect(launch.ProxyHost, static_cast<uint16_t>(launch.ProxyPort));
  if (reconnecting && !WaitForSocket(kReconnectProxyWaitMs)) {
    log_.Write("the proxy did not answer this reconnection attempt");
    socket_.Close();
    return;
  }
  if (!reconnecting && !WaitForSocket()) {
    log_.Write("the proxy did not answer in time");
    ExplainAndEnd(kErrTimedOut);
  }
  Connected = true;
  SendProxyState(1);
  loop_.Arm(kStepConnectionWatch);
}

void Connection::SendProxyState(uint8_t state) {
  const LaunchParams& launch = launch_;
  std::vector<uint8_t> message;
  switch (state) {
    case 1:
      message = socks5::Greeting();
      break;
    case 3:
      message = socks5::Authentication(launch.ProxyUser, launch.ProxyPassword);
      break;
    case 5:
      message = socks5::ConnectRequest(launch.ServerHost, static_cast<uint16_t>(launch.ServerPort));
      break;
    default:
      return;
  }
  proxyWrite_ = 0;
  ProxyState = static_cast<uint8_t>(state + 1);
  socket_.Send(message);
  StartProxyTimer(kProxyStepLimitMs);
}

void Connection::StartProxyTimer(int ms) {
  timers_.Stop(kTimerProxy);
  timers_.Start(kTimerProxy, ms, [this] { ProxyStepTimedOut(); });
}

void Connection::ProxyStepTimedOut() {
  timers_.Stop(kTimerProxy);
  if (RecordMode) return;
  switch (ProxyState) {
    case 2:
      ProxyFailed("请求代理失败！");
      break;
    case 4:
      ProxyFailed("代理服务器用户验证失败！");
      break;
    case 6:
      // "5 0" and then silence: the proxy reached the server and keeps the rest of its reply
      // to itself.
      if (proxyWrite_ >= 2 && ProxyBuffer[0] == 5 && ProxyBuffer[1] == 0) {
        log_.Write("the proxy's connect reply stopped after its success bytes: taking it");
        JudgeProxyReply();
      } else {
        ProxyFailed("通过代理连接主站失败！");
      }
      break;
    default:
      break;
  }
}

void Connection::OnDataArrival(std::span<const uint8_t> bytes) {
  if (RecordMode) {
    if (!records_.AppendReceived(bytes)) {
      log_.Write("receive ring overflow: the server sent faster than we read");
      lobby_.RestoreLobby();
      EndClientNow(process_, 1);
    }
    return;
  }
  for (size_t i = 0; i < bytes.size(); ++i) {
    ProxyBuffer[proxyWrite_] = bytes[i];
    proxyWrite_ = (proxyWrite_ + 1) % kProxyBufferSize;
    if (proxyWrite_ == 0) {
      log_.Write("the proxy sent more than a reply can hold");
      lobby_.RestoreLobby();
      EndClientNow(process_, 1);
    }
    // After the connect reply everything is the server's: hand the rest to the records.
    if (ProxyState == 6) {
      const size_t whole = socks5::ConnectReplyLength(std::span(ProxyBuffer.data(), proxyWrite_));
      if (proxyWrite_ >= 2 && !(ProxyBuffer[0] == 5 && ProxyBuffer[1] == 0)) {
        JudgeProxyReply();
        return;
      }
      if (whole == 0 || proxyWrite_ < whole) continue;
      JudgeProxyReply();
      if (RecordMode && i + 1 < bytes.size()) OnDataArrival(bytes.subspan(i + 1));
      return;
    }
  }
  if (ProxyState != 6) {
    JudgeProxyReply();
  } else if (proxyWrite_ >= 2) {
    // A success begun but not complete: wait a moment for the rest, no longer.
    StartProxyTimer(kProxyShortReplyMs);
  }
}

void Connection::JudgeProxyReply() {
  // A reply is judged only once its first two bytes are here.
  if (proxyWrite_ < 2) return;
  timers_.Stop(kTimerProxy);
  const uint8_t b0 = ProxyBuffer[0];
  const uint8_t b1 = ProxyBuffer[1];
  switch (ProxyState) {
    case 2:
      if (b0 == 5 && b1 == 2) {
        SendProxyState(3);
      } else if (b0 == 5 && b1 == 0) {
        SendProxyState(5);
      } else {
        ProxyFailed("请求代理失败！");
      }
      break;
    case 4:
      if (b0 == 1 && b1 == 0) {
        SendProxyState(5);
      } else {
        ProxyFailed("代理服务器用户验证失败！");
      }
      break;
    case 6:
      if (b0 == 5 && b1 == 0) {
        RecordMode = true;
        lobby_.PostToLobby(kMsgConnected);
        messages_.Clear(0);
        messages_.Add(0, "连接代理服务器成功！");
        socket_.Send(records_.LoginRecord);
        loopControl_.Start();
      } else {
        ProxyFailed("通过代理连接主站失败！");
      }
      break;
    default:
      break;
  }
}

void Connection::ProxyFailed(const std::string& text) {
  // While reconnecting this is one failed attempt among several: the procedure tries again and
  // has its own notice if all fail; a message box here would hold every later attempt up.
  if (reconnection_.Active()) {
    log_.Write("reconnection through the proxy failed: " + text);
  } else {
    ShowMessage(dialogs_, log_, text, kTitleApp);
  }
  socket_.Close();
}

void Connection::OnSocketClose() { socket_.Close(); }

void Connection::OnSocketError(int number) {
  // A failed reconnection attempt is followed by the next one, not by the end of the client.
  if (reconnection_.Active()) {
    reconnection_.OnAttemptFailed(number);
    return;
  }
  ExplainAndEnd(number);
}

void Connection::ExplainAndEnd(int number) {
  auto notice = NetworkNotice(number);
  if (!notice) return;
  lobby_.MinimizeLobby();
  ShowMessage(dialogs_, log_, *notice, kTitleNetwork, DialogButtons::Ok, DialogIcon::Information);
  lobby_.RestoreLobby();
  EndClientNow(process_, 1);
}

void Connection::StartKeepAlive() {
  if (timers_.Running("TimerKeepAlive")) return;
  timers_.Start("TimerKeepAlive", kKeepAliveMs, [this] { KeepAliveTick(); });
}

void Connection::StopKeepAlive() { timers_.Stop("TimerKeepAlive"); }

void Connection::KeepAliveTick() {
  CommandInfo info;
  info.command = kCommandKeepAlive;
  info.seat = table_.players[0].seatMask;
  records_.SendCommand(info);
}

}  // namespace korvel
