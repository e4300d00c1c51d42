// The ports: everything the client needs from the machine it runs on. The core talks only to
// these abstract classes; korvel_qt implements them on Qt, VirtualPlatform in memory for tests.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/user_folders.h"

namespace korvel {

// Named timers with intervals, and the two kinds of wait the client uses inside handlers.
class Timers {
 public:
  virtual ~Timers() = default;
  // Starts (or restarts) the named timer; `tick` runs every `intervalMs` until Stop.
  virtual void Start(std::string_view name, int intervalMs, std::function<void()> tick) = 0;
  virtual void Stop(std::string_view name) = 0;
  virtual bool Running(std::string_view name) const = 0;
  // Milliseconds since an arbitrary start; monotonic.
  virtual int64_t NowMs() const = 0;
  // Waits while other events (socket, timers, lobby, input) keep being handled.
  virtual void PumpWait(int ms) = 0;
  // Waits until `done` holds or `timeoutMs` passes, handling other events meanwhile.
  virtual bool PumpUntil(const std::function<bool()>& done, int timeoutMs) = 0;
  // Waits with the window repainting but no input and no socket data handled.
  virtual void BlockingWait(int ms) = 0;
};

// The socket error numbers the client knows how to explain to the user.
enum SocketError : int {
  kErrNotConnected = 10057,
  kErrShutDown = 10058,
  kErrRefused = 10061,
  kErrTimedOut = 11053,
};

class SocketEvents {
 public:
  virtual ~SocketEvents() = default;
  virtual void OnConnected() = 0;
  virtual void OnDataArrival(std::span<const uint8_t> bytes) = 0;
  virtual void OnSocketClose() = 0;
  virtual void OnSocketError(int number) = 0;
};

class Socket {
 public:
  virtual ~Socket() = default;
  virtual void SetEvents(SocketEvents* events) = 0;
  virtual void Connect(const std::string& host, uint16_t port) = 0;
  virtual void Close() = 0;
  virtual bool IsConnected() const = 0;
  // Sends all bytes in one call; false when the socket is not connected.
  virtual bool Send(std::span<const uint8_t> bytes) = 0;
};

// A message between the client and the lobby: a number and two parameters.
struct LobbyMessage {
  uint32_t number = 0;
  uint32_t param1 = 0;
  uint32_t param2 = 0;
};

// The window system command for restore and minimise, carried as lobby message 0x0112.
inline constexpr uint32_t kSysCommand = 0x0112;
inline constexpr uint32_t kScRestore = 0xF120;
inline constexpr uint32_t kScMinimize = 0xF020;

// Windows found by title. Post never waits; Send waits for the receiver's answer.
class LobbyLink {
 public:
  virtual ~LobbyLink() = default;
  virtual bool WindowExists(const std::string& title) = 0;
  // False when no window of that title accepts the message.
  virtual bool Post(const std::string& title, const LobbyMessage& message) = 0;
  virtual bool Send(const std::string& title, const LobbyMessage& message) = 0;
  // Starts receiving messages addressed to `ownTitle`; `handler` returns the reply for Send.
  virtual bool Listen(const std::string& ownTitle,
                      std::function<uint32_t(const LobbyMessage&)> handler) = 0;
};

enum class DialogIcon { None, Information, Warning };
enum class DialogButtons { Ok, OkCancel, YesNo };
enum class DialogAnswer { Ok, Cancel, Yes, No };

class Dialogs {
 public:
  virtual ~Dialogs() = default;
  virtual DialogAnswer MessageBox(const std::string& text, const std::string& title,
                                  DialogButtons buttons = DialogButtons::Ok,
                                  DialogIcon icon = DialogIcon::None) = 0;
  // Opens a page (file path or address) with the desktop's handler.
  virtual void OpenPage(const std::string& address) = 0;
};

// One replaceable voice: the clip that plays is replaced by the next one loaded.
class SoundOut {
 public:
  virtual ~SoundOut() = default;
  // False when there is no sound device; the client then stays silent.
  virtual bool Init() = 0;
  // Loads and plays a WAV file; false when the file cannot be read.
  virtual bool Play(const std::string& path, bool loop) = 0;
  virtual void Stop() = 0;
  // 0 (silent) .. 100 (full).
  virtual void SetVolume(int percent) = 0;
};

class Screen {
 public:
  virtual ~Screen() = default;
  virtual int Width() const = 0;
  virtual int Height() const = 0;
  // The window system's handle of the table window (an X11 window id), for components that
  // draw into it; 0 where there is none.
  virtual uint64_t TableWindowHandle() const = 0;
};

class Files {
 public:
  virtual ~Files() = default;
  // The folder of the running executable, without a trailing separator.
  virtual std::string AppDir() const = 0;
  // The files that come with Korvel: pictures, sounds, phrases, the rules page.
  virtual std::string DataDir() const = 0;
  // The folder holding plugin/tools/ with the prop component.
  virtual std::string ComponentDir() const = 0;
  // The player's own folder of `kind`, created on first use; empty when it cannot be.
  virtual std::string UserDir(UserFolder kind) const = 0;
  // The per-user runtime folder for sockets and locks; created when missing.
  virtual std::string RuntimeDir() const = 0;
  // Takes the exclusive lock that marks the one running copy; false when another copy holds it.
  virtual bool TakeSingleCopyLock(const std::string& name) = 0;
};

class Log {
 public:
  virtual ~Log() = default;
  virtual void Write(std::string_view line) = 0;
};

// Ending the client is a deliberate path, never undefined behaviour.
class Process {
 public:
  virtual ~Process() = default;
  [[noreturn]] virtual void EndClient(int code) = 0;
};

// Ends through the port; an implementation that returned would be a fault, so stop hard.
[[noreturn]] inline void EndClientNow(Process& process, int code) {
  process.EndClient(code);
  std::abort();
}

// All ports of one running client, handed to the core at construction.
struct Platform {
  Timers& timers;
  Socket& socket;
  LobbyLink& lobby;
  Dialogs& dialogs;
  SoundOut& sound;
  Screen& screen;
  Files& files;
  Log& log;
  Process& process;
};

}  // namespace korvel
