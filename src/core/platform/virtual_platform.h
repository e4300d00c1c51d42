// Every port in memory, with a virtual clock: a test runs a whole deal in microseconds and then
// asserts on what was sent, shown, posted and played.
#pragma once

#include <cstdint>
#include <deque>
#include <map>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/ports.h"

namespace korvel {

// Thrown by VirtualProcess::EndClient so a test can see that (and how) the client ended.
struct ClientEnded : std::runtime_error {
  explicit ClientEnded(int c) : std::runtime_error("client ended"), code(c) {}
  int code;
};

class VirtualTimers : public Timers {
 public:
  void Start(std::string_view name, int intervalMs, std::function<void()> tick) override;
  void Stop(std::string_view name) override;
  bool Running(std::string_view name) const override;
  int64_t NowMs() const override { return now_; }
  void PumpWait(int ms) override { Advance(ms); }
  bool PumpUntil(const std::function<bool()>& done, int timeoutMs) override;
  void BlockingWait(int ms) override { Advance(ms); }

  // Moves the clock forward, firing every timer that falls due, in time order.
  void Advance(int64_t ms);
  int Interval(std::string_view name) const;
  // Work queued to run at the next moment the clock moves (socket events, for instance).
  void Post(std::function<void()> work) { posted_.push_back(std::move(work)); }

 private:
  struct Timer {
    int interval;
    int64_t due;
    std::function<void()> tick;
  };
  void RunPosted();
  std::map<std::string, Timer, std::less<>> timers_;
  std::deque<std::function<void()>> posted_;
  int64_t now_ = 0;
};

class VirtualSocket : public Socket {
 public:
  explicit VirtualSocket(VirtualTimers& timers) : timers_(timers) {}
  void SetEvents(SocketEvents* events) override { events_ = events; }
  void Connect(const std::string& host, uint16_t port) override;
  void Close() override { connected_ = false; }
  bool IsConnected() const override { return connected_; }
  bool Send(std::span<const uint8_t> bytes) override;

  // Scripting: how the next Connect ends (0 = connected, else that error number).
  int nextConnectResult = 0;
  // Delivers bytes from the peer now.
  void Deliver(std::span<const uint8_t> bytes);
  // The peer closes the connection.
  void PeerClose();

  std::string host;
  uint16_t port = 0;
  int connects = 0;
  std::vector<std::vector<uint8_t>> sent;  // one entry per Send call
  std::vector<int64_t> sentAt;             // virtual time of each Send

 private:
  VirtualTimers& timers_;
  SocketEvents* events_ = nullptr;
  bool connected_ = false;
};

class VirtualLobbyLink : public LobbyLink {
 public:
  struct Delivery {
    std::string title;
    LobbyMessage message;
    bool posted;
  };
  bool WindowExists(const std::string& title) override { return windows.count(title) > 0; }
  bool Post(const std::string& title, const LobbyMessage& message) override;
  bool Send(const std::string& title, const LobbyMessage& message) override;
  bool Listen(const std::string& ownTitle,
              std::function<uint32_t(const LobbyMessage&)> handler) override;

  // A message from the lobby to the listening client; returns its reply.
  uint32_t DeliverToClient(const LobbyMessage& message);
  // The numbers posted to `title`, in order.
  std::vector<uint32_t> PostedNumbers(const std::string& title) const;

  std::set<std::string> windows;  // titles of the windows that exist
  std::vector<Delivery> deliveries;
  std::string listeningAs;

 private:
  std::function<uint32_t(const LobbyMessage&)> handler_;
};

class VirtualDialogs : public Dialogs {
 public:
  struct Shown {
    std::string title;
    std::string text;
  };
  DialogAnswer MessageBox(const std::string& text, const std::string& title, DialogButtons buttons,
                          DialogIcon icon) override;
  void OpenPage(const std::string& address) override { pages.push_back(address); }

  std::vector<Shown> shown;
  std::vector<std::string> pages;
  std::deque<DialogAnswer> answers;  // scripted answers; OK/Yes when empty
};

class VirtualSound : public SoundOut {
 public:
  bool Init() override { return deviceAvailable; }
  bool Play(const std::string& path, bool loop) override;
  void Stop() override { playing.clear(); }
  void SetVolume(int percent) override { volume = percent; }

  bool deviceAvailable = true;
  std::set<std::string> existingFiles;  // empty: every file exists
  std::vector<std::string> played;
  std::string playing;
  bool looping = false;
  int volume = 100;
};

class VirtualScreen : public Screen {
 public:
  int Width() const override { return width; }
  int Height() const override { return height; }
  uint64_t TableWindowHandle() const override { return windowHandle; }
  int width = 1280;
  int height = 1024;
  uint64_t windowHandle = 0;
};

class VirtualFiles : public Files {
 public:
  std::string AppDir() const override { return appDir; }
  std::string DataDir() const override {
    return dataDir.empty() ? appDir + "/../share/korvel" : dataDir;
  }
  std::string ComponentDir() const override { return appDir; }
  // Every user folder is `userDir`, or the client's folder when that is empty.
  std::string UserDir(UserFolder) const override { return userDir.empty() ? appDir : userDir; }
  std::string RuntimeDir() const override { return runtimeDir; }
  bool TakeSingleCopyLock(const std::string&) override { return !otherCopyRunning; }
  std::string appDir = "/opt/korvel/bin";
  std::string dataDir;
  std::string userDir;
  std::string runtimeDir = "/tmp/korvel-test";
  bool otherCopyRunning = false;
};

class VirtualLog : public Log {
 public:
  void Write(std::string_view line) override { lines.emplace_back(line); }
  bool Contains(std::string_view text) const;
  std::vector<std::string> lines;
};

class VirtualProcess : public Process {
 public:
  [[noreturn]] void EndClient(int code) override;
  int ends = 0;
};

// One of each, wired as a Platform.
class VirtualPlatform {
 public:
  VirtualPlatform();
  Platform& platform() { return platform_; }

  VirtualTimers timers;
  VirtualSocket socket{timers};
  VirtualLobbyLink lobby;
  VirtualDialogs dialogs;
  VirtualSound sound;
  VirtualScreen screen;
  VirtualFiles files;
  VirtualLog log;
  VirtualProcess process;

 private:
  Platform platform_;
};

}  // namespace korvel
