// The one TCP connection to the game server: opened directly or through a SOCKS5 proxy with
// user-name authentication, fed into the receive ring once it carries records, kept alive with a
// record every five seconds, and explained to the user when it cannot be made.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "platform/ports.h"

namespace korvel {

class ConnectionEvents;
class Dialogs;
class LobbyWindow;
class Log;
class LoopControl;
class MessageLines;
class Process;
class ReconnectAttempts;
class Records;
class Socket;
class Timers;
struct LaunchParams;
struct LoopState;
struct TableModel;

inline constexpr size_t kProxyBufferSize = 1024;
inline constexpr int kKeepAliveMs = 5000;
inline constexpr int kCommandKeepAlive = 24;
// How long a connection attempt may take before it counts as timed out.
inline constexpr int kConnectTimeoutMs = 30000;
// A reconnection attempt waits for the proxy less than the time between two attempts.
inline constexpr int kReconnectProxyWaitMs = 2500;
// A proxy that leaves a negotiation step unanswered this long has failed that step.
inline constexpr int kProxyStepLimitMs = 10000;
// A connect reply cut short after its success bytes counts once nothing more comes this long.
inline constexpr int kProxyShortReplyMs = 300;
inline constexpr const char* kTimerProxy = "TimerProxy";

// The SOCKS5 messages, apart from the connection so they can be checked byte by byte.
namespace socks5 {
std::vector<uint8_t> Greeting();
std::vector<uint8_t> Authentication(const std::string& user, const std::string& password);
// IPv4 for a dotted address, otherwise the domain-name form.
std::vector<uint8_t> ConnectRequest(const std::string& host, uint16_t port);
// Total length of a connect reply whose first bytes are `reply`; 0 while it cannot be known yet.
size_t ConnectReplyLength(std::span<const uint8_t> reply);
}  // namespace socks5

class Connection : public SocketEvents {
 public:
  Connection(TableModel& table, LoopState& loop, LoopControl& loopControl,
             const LaunchParams& launch, MessageLines& messages, Records& records,
             LobbyWindow& lobby, ReconnectAttempts& reconnection, ConnectionEvents& events,
             Timers& timers, Socket& socket, Dialogs& dialogs, Log& log, Process& process);

  void OpenDirect();
  // Starts one direct connection and arms the login step for it (start-up and every
  // reconnection attempt).
  void ConnectDirect();
  void OpenThroughProxy();
  // The login step of the main loop: wait for the socket, then send the login record.
  void LoginStep();
  void KeepAliveTick();
  void StartKeepAlive();
  void StopKeepAlive();
  // The notice for a socket error, then the lobby back and the end; other numbers do nothing.
  void ExplainAndEnd(int number);

  void OnConnected() override {}
  void OnDataArrival(std::span<const uint8_t> bytes) override;
  void OnSocketClose() override;
  void OnSocketError(int number) override;

  bool RecordMode = true;
  bool Connected = false;
  bool CanReconnect = false;  // set by a successful login
  uint8_t ProxyState = 0;

 private:
  void SendProxyState(uint8_t state);
  void JudgeProxyReply();
  void ProxyFailed(const std::string& text);
  // The answer a proxy step gets when the proxy falls silent.
  void ProxyStepTimedOut();
  void StartProxyTimer(int ms);
  bool WaitForSocket(int timeoutMs = kConnectTimeoutMs);

  TableModel& table_;
  LoopState& loop_;
  LoopControl& loopControl_;
  const LaunchParams& launch_;
  MessageLines& messages_;
  Records& records_;
  LobbyWindow& lobby_;
  ReconnectAttempts& reconnection_;
  ConnectionEvents& events_;
  Timers& timers_;
  Socket& socket_;
  Dialogs& dialogs_;
  Log& log_;
  Process& process_;
  std::array<uint8_t, kProxyBufferSize> ProxyBuffer{};
  size_t proxyWrite_ = 0;
  // The lobby hears of each login step once, however many ticks it waits for the socket.
  bool loginPosted_ = false;
};

}  // namespace korvel
