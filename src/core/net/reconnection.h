// Getting the connection back after it dropped, without the user's help: a one-second countdown,
// then one attempt every three seconds (at most 21), each reopening the connection and sending
// the login record marked as a reconnection; the server's verdict (command 29) either lets the
// queued records go out or ends the client. The two timers belong to a window of their own that
// is loaded for the procedure and never shown.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

#include "net/connection_events.h"
#include "net/records.h"
#include "view/scene.h"

namespace korvel {

class Connection;
class ConnectionEvents;
class Dialogs;
class LobbyWindow;
class Log;
class MessageLines;
class Process;
class Records;
class Socket;
class TableView;
class Timers;
struct LaunchParams;
struct LoopState;

inline constexpr int kReconnectCountdownMs = 1000;
inline constexpr int kReconnectAttemptMs = 3000;
inline constexpr int kReconnectMaxTries = 21;
inline constexpr const char* kReconnectFormName = "frmReconnect";
inline constexpr const char* kTimerReconnect = "TimerReconnect";
inline constexpr const char* kTimerCount = "TimerCount";
inline constexpr const char* kResyncFailedText = "牌桌与服务器不一致，请重新入座！";

// Turns the login record into the reconnection record: command 28, the server's tag, the key.
void MarkReconnectRecord(RecordBytes& login, const std::array<uint8_t, 2>& serverTag,
                         int32_t reconnectKey);

class Reconnection : public ReconnectAttempts {
 public:
  Reconnection(LoopState& loop, const LaunchParams& launch, TableView& view, MessageLines& messages,
               Records& records, LobbyWindow& lobby, Connection& connection,
               ConnectionEvents& events, Timers& timers, Socket& socket, Dialogs& dialogs, Log& log,
               Process& process);
  // The connection watch saw the socket go down while reconnecting is allowed.
  void Start();
  // Command 29.
  void OnReconnectResult(CommandInfo& info, const RecordBytes& record);

  // TimerReconnect: the countdown before the first attempt.
  void CountdownTick();
  // TimerCount: one attempt per tick until the socket is back or the attempts run out.
  void CountTick();
  // One attempt: the reconnection record, then a new connection (directly or via the proxy).
  void Attempt();

  // True from Start until the socket is connected again: socket errors are then failed
  // attempts, not reasons to end the client.
  bool Active() const override { return active_; }
  // A socket error while the procedure runs.
  void OnAttemptFailed(int number) override;

  // A record the table could not follow: the table may no longer be the server's. The first
  // time in a deal the client reconnects, so that the server's snapshot rebuilds the table; a
  // second time in the same deal it gives the table up (lobby back, a message, the end).
  void Resynchronise(std::string_view why);
  // The deal ended: the next one may resynchronise once again.
  void DealEnded() { resyncedThisDeal_ = false; }
  bool Resynchronising() const { return resyncPending_; }

  bool Reconnected = false;  // the connection has been re-established at least once
  int16_t ReconnectTries = 0;
  int16_t ReconnectCountdown = 1;

  // The procedure's window; kNoForm before the first reconnection.
  FormId form() const { return form_; }
  bool FormLoaded() const { return formLoaded_; }

 private:
  void LoadForm();
  void UnloadForm();
  // Bytes of a record cut off by the drop would shift every record of the new connection.
  void DropPartialRecord();

  LoopState& loop_;
  const LaunchParams& launch_;
  TableView& view_;
  MessageLines& messages_;
  Records& records_;
  LobbyWindow& lobby_;
  Connection& connection_;
  ConnectionEvents& events_;
  Timers& timers_;
  Socket& socket_;
  Dialogs& dialogs_;
  Log& log_;
  Process& process_;
  bool active_ = false;
  bool attempting_ = false;
  bool resyncedThisDeal_ = false;
  bool resyncPending_ = false;
  FormId form_ = kNoForm;
  bool formLoaded_ = false;
};

}  // namespace korvel
