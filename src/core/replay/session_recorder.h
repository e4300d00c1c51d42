// Records a table session as it happens: every record received and sent, with its time, into a
// session file. The recorder sits between the client and its socket, so the game code does not
// know it is there; what it writes waits in memory until a deal ends, the memory share is full or
// the client ends, and a full disk or a folder it cannot write stops the recording, never play.
#pragma once

#include <ctime>
#include <functional>
#include <string>
#include <vector>

#include "config/launch_params.h"
#include "platform/ports.h"
#include "replay/session_file.h"
#include "replay/session_store.h"

namespace korvel {

inline constexpr uint64_t kDefaultSessionLimitMb = 200;

struct RecorderSettings {
  // All session files together stay under this; the oldest go first.
  uint64_t sizeLimit = kDefaultSessionLimitMb * 1024 * 1024;
  // Written out once this much is waiting, deal end or not.
  size_t flushBytes = 256 * 1024;
  // ... or once the oldest unwritten entry is this old, so a client that is killed in a long
  // deal loses little.
  int64_t flushEveryMs = 30000;
};

class SessionRecorder {
 public:
  SessionRecorder(SessionStore& store, const Timers& clock, Log& log, std::string fileName,
                  const HeaderFields& header, RecorderSettings settings = {});
  ~SessionRecorder();
  SessionRecorder(const SessionRecorder&) = delete;
  SessionRecorder& operator=(const SessionRecorder&) = delete;

  // A new connection: its bytes start a fresh record.
  void StartConnection();
  // Bytes as they arrive from the server; each record is kept once its last byte is here.
  void Received(std::span<const uint8_t> bytes);
  // A record the client sent; anything that is not a whole record is not kept.
  void Sent(std::span<const uint8_t> bytes);
  void Connected();
  void Lost(int error);
  void Drawn(int value) { AddValue(EntryKind::Draw, value); }
  // The player's input (EntryKind::Input or EntryKind::Text and its payload).
  void Input(EntryKind kind, std::span<const uint8_t> payload) { Add(kind, payload); }
  // Writes what is waiting; false when the recording has stopped.
  bool Flush();

  // The name of the file a new login (another table) starts; without it, or when it names the
  // file in use, the current name with a running number.
  std::function<std::string()> nextFileName;

  bool Recording() const { return !stopped_; }
  const std::string& fileName() const { return fileName_; }
  // Bytes of this session written to its file so far.
  uint64_t Written() const { return written_; }

 private:
  void Add(EntryKind kind, std::span<const uint8_t> payload);
  // The bytes waiting can reach the write threshold plus one entry, and never more.
  size_t MostBuffered() const;
  void MakeRoom();
  void AddValue(EntryKind kind, int32_t value);
  uint32_t Now() const;
  void StopRecording(const std::string& why);
  // Writes out this session and goes on in a new file with the same header.
  void StartNewFile();
  // Removes the oldest other sessions until everything fits under the limit with `pending` more.
  bool KeepWithinLimit(uint64_t pending);

  SessionStore& store_;
  const Timers& clock_;
  Log& log_;
  std::string fileName_;
  HeaderFields header_;
  RecorderSettings settings_;
  int64_t start_;
  std::vector<uint8_t> buffer_;
  size_t headerBytes_ = 0;
  RecordBytes partial_{};
  size_t partialFill_ = 0;
  bool opened_ = false;
  bool stopped_ = false;
  bool hasEntries_ = false;
  bool loggedIn_ = false;  // a login record went into this file
  int files_ = 1;
  int64_t pendingSince_ = -1;  // the time of the oldest unwritten entry, -1 for none
  uint64_t written_ = 0;
};

// A source of random draws for the table (dice, the seat draw) that keeps each draw in the session.
std::function<int(int)> RecordingRandomSource(SessionRecorder& recorder, uint32_t seed);

// The header of a session played with `launch`, leaving out the login key and proxy password.
HeaderFields SessionHeaderFor(const LaunchParams& launch, int screenWidth, int screenHeight);
// The file name: local date and time, then the table (place and server port), made safe.
std::string SessionFileName(std::time_t startedAt, const LaunchParams& launch);
// The size limit from the [Sessions] section of the settings file (SizeLimitMB), or the default.
uint64_t SessionSizeLimit(const std::string& settingsFile);
// Whether the settings file turns recording off ([Sessions] Record=0).
bool SessionRecordingWanted(const std::string& settingsFile);

// The client's platform with the socket and the process end passing through a recorder.
class RecordingPlatform : private Socket, private SocketEvents, private Process {
 public:
  RecordingPlatform(const Platform& inner, SessionRecorder& recorder);
  Platform& platform() { return platform_; }
  // Only record bytes while this holds (the proxy's replies and requests are not records).
  void RecordWhile(std::function<bool()> recordMode) { recordMode_ = std::move(recordMode); }

 private:
  void SetEvents(SocketEvents* events) override;
  void Connect(const std::string& host, uint16_t port) override;
  void Close() override { inner_.socket.Close(); }
  bool IsConnected() const override { return inner_.socket.IsConnected(); }
  bool Send(std::span<const uint8_t> bytes) override;
  void OnConnected() override;
  void OnDataArrival(std::span<const uint8_t> bytes) override;
  void OnSocketClose() override;
  void OnSocketError(int number) override;
  [[noreturn]] void EndClient(int code) override;
  bool RecordMode() const { return !recordMode_ || recordMode_(); }

  Platform inner_;
  SessionRecorder& recorder_;
  SocketEvents* events_ = nullptr;
  std::function<bool()> recordMode_;
  Platform platform_;
};

}  // namespace korvel
