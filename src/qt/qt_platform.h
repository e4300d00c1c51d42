// The ports on Qt: the real timers, socket, lobby link, message boxes, sound and files.
#pragma once

#include <QHostAddress>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QSocketNotifier>
#include <QTcpSocket>
#include <QTimer>
#include <map>
#include <memory>
#include <string>

#include "lobby_link.h"
#include "platform/ports.h"
#include "rules_viewer.h"
#include "sound_voice.h"

namespace korvel {

class QtTimers : public Timers {
 public:
  void Start(std::string_view name, int intervalMs, std::function<void()> tick) override;
  void Stop(std::string_view name) override;
  bool Running(std::string_view name) const override;
  int64_t NowMs() const override;
  void PumpWait(int ms) override;
  bool PumpUntil(const std::function<bool()>& done, int timeoutMs) override;
  void BlockingWait(int ms) override;

 private:
  std::map<std::string, std::unique_ptr<QTimer>, std::less<>> timers_;
};

// Maps Qt's socket errors onto the four numbers the client explains.
int SocketErrorNumber(QAbstractSocket::SocketError error);

// The game server's connection. Connecting is done here rather than by QTcpSocket, which tries
// a refused address a second time: one attempt of the client is one connection request (one per
// address of a host name). The connected descriptor is then handed to QTcpSocket.
class QtSocket : public QObject, public Socket {
  Q_OBJECT
 public:
  QtSocket();
  ~QtSocket() override;
  void SetEvents(SocketEvents* events) override { events_ = events; }
  void Connect(const std::string& host, uint16_t port) override;
  void Close() override;
  bool IsConnected() const override;
  bool Send(std::span<const uint8_t> bytes) override;

 private:
  void ConnectToNext();
  void ConnectFinished();
  void AbandonConnect();
  void Failed(QAbstractSocket::SocketError error);

  QTcpSocket socket_;
  SocketEvents* events_ = nullptr;
  bool wasConnected_ = false;
  // The connection under way: the addresses still to try, its descriptor and its notifier.
  QList<QHostAddress> addresses_;
  uint16_t port_ = 0;
  int connectingFd_ = -1;
  std::unique_ptr<QSocketNotifier> notifier_;
  int lookupId_ = -1;
  uint64_t attempt_ = 0;
};

class QtDialogs : public Dialogs {
 public:
  // With `print` set every box goes to standard error and is answered at once.
  explicit QtDialogs(bool print) : print_(print) {}
  DialogAnswer MessageBox(const std::string& text, const std::string& title, DialogButtons buttons,
                          DialogIcon icon) override;
  void OpenPage(const std::string& address) override;
  // The client's own page window (the rules), once it has shown a page.
  RulesViewer& pages() { return pages_; }
  // The table window: message boxes and pages then belong to it and open above it.
  void SetOwner(QWidget* owner);

 private:
  bool print_;
  QPointer<QWidget> owner_;
  RulesViewer pages_;
};

class QtSound : public SoundOut {
 public:
  QtSound();
  ~QtSound() override;
  bool Init() override;
  bool Play(const std::string& path, bool loop) override;
  void Stop() override;
  void SetVolume(int percent) override;

 private:
  std::unique_ptr<SoundVoice> voice_;
  int volume_ = 100;
};

class QtScreen : public Screen {
 public:
  int Width() const override;
  int Height() const override;
  uint64_t TableWindowHandle() const override { return tableWindow_ ? tableWindow_() : 0; }
  // The table window exists once the front end has built it.
  void SetTableWindow(std::function<uint64_t()> handle) { tableWindow_ = std::move(handle); }

 private:
  std::function<uint64_t()> tableWindow_;
};

class PosixFiles : public Files {
 public:
  std::string AppDir() const override;
  std::string DataDir() const override;
  std::string ComponentDir() const override;
  std::string UserDir(UserFolder kind) const override;
  std::string RuntimeDir() const override;
  bool TakeSingleCopyLock(const std::string& name) override;

 private:
  int lockFd_ = -1;
};

// Writes to standard error, or to the file named by KORVEL_LOG.
class StderrLog : public Log {
 public:
  explicit StderrLog(std::string program);
  ~StderrLog() override;
  void Write(std::string_view line) override;

 private:
  std::string program_;
  FILE* file_ = nullptr;
};

class QtProcess : public Process {
 public:
  explicit QtProcess(UnixLobbyLink& link) : link_(link) {}
  // Ends at once, without the destructors: the link's socket file is removed first so that no
  // stale endpoint is left behind.
  [[noreturn]] void EndClient(int code) override;

 private:
  UnixLobbyLink& link_;
};

class QtPlatform {
 public:
  explicit QtPlatform(const std::string& program);
  Platform& platform() { return platform_; }
  UnixLobbyLink& lobbyLink() { return lobby_; }
  QtScreen& screen() { return screen_; }
  QtDialogs& dialogs() { return dialogs_; }

 private:
  QtTimers timers_;
  QtSocket socket_;
  PosixFiles files_;
  UnixLobbyLink lobby_;
  QtDialogs dialogs_;
  QtSound sound_;
  QtScreen screen_;
  StderrLog log_;
  QtProcess process_;
  Platform platform_;
};

// True when KORVEL_DIALOGS=print asks for message boxes on standard error.
bool DialogsPrintMode();

}  // namespace korvel
