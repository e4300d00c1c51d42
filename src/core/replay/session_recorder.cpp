#include "replay/session_recorder.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>
#include <random>
#include <string_view>

#include "config/ini_file.h"

namespace korvel {
namespace {

constexpr size_t kLargestEntry = 1 + 4 + kRecordSize + 4;
// Room for the first entries; the buffer grows from there as a deal needs it.
constexpr size_t kFirstRoom = 16 * 1024;
constexpr uint64_t kMb = 1024 * 1024;

}  // namespace

SessionRecorder::SessionRecorder(SessionStore& store, const Timers& clock, Log& log,
                                 std::string fileName, const HeaderFields& header,
                                 RecorderSettings settings)
    : store_(store),
      clock_(clock),
      log_(log),
      fileName_(std::move(fileName)),
      header_(header),
      settings_(settings),
      start_(clock.NowMs()) {
  buffer_ = EncodeSessionHeader(header);
  headerBytes_ = buffer_.size();
  buffer_.reserve(std::min(headerBytes_ + kFirstRoom, MostBuffered()));
}

size_t SessionRecorder::MostBuffered() const {
  return std::max(headerBytes_, settings_.flushBytes) + kLargestEntry;
}

// The buffer doubles up to what one write can hold and then stays: a table that has only just
// been seated holds little, and once the deals have filled it adding an entry never allocates.
void SessionRecorder::MakeRoom() {
  const size_t need = buffer_.size() + kLargestEntry;
  if (need <= buffer_.capacity()) return;
  buffer_.reserve(std::min(std::max(need, buffer_.capacity() * 2), MostBuffered()));
}

SessionRecorder::~SessionRecorder() { Flush(); }

uint32_t SessionRecorder::Now() const {
  return static_cast<uint32_t>(std::clamp<int64_t>(clock_.NowMs() - start_, 0, UINT32_MAX));
}

void SessionRecorder::StartConnection() { partialFill_ = 0; }

void SessionRecorder::Received(std::span<const uint8_t> bytes) {
  while (!bytes.empty()) {
    const size_t n = std::min(bytes.size(), kRecordSize - partialFill_);
    std::copy_n(bytes.begin(), n, partial_.begin() + static_cast<std::ptrdiff_t>(partialFill_));
    partialFill_ += n;
    bytes = bytes.subspan(n);
    if (partialFill_ < kRecordSize) return;
    partialFill_ = 0;
    Add(EntryKind::Received, partial_);
    // The deal is over: a good moment to write, and the least a crash can then cost.
    if (partial_[rec::kCommand] == kCmdSettlement) Flush();
  }
}

void SessionRecorder::Sent(std::span<const uint8_t> bytes) {
  if (bytes.size() != kRecordSize) return;
  if (bytes[rec::kCommand] != kCmdLogin && bytes[rec::kCommand] != kCmdReconnect) {
    Add(EntryKind::Sent, bytes);
    return;
  }
  // A login after one in this file is a table after the one left: a session of its own, so its
  // deals do not follow on from the last table's. A reconnection stays at the same table.
  if (bytes[rec::kCommand] == kCmdLogin) {
    if (loggedIn_) StartNewFile();
    loggedIn_ = true;
  }
  // The login key never goes into a file a player may send to someone else; the reconnection
  // record is the login record again, with the seat's reconnection key at its end.
  RecordBytes login{};
  std::copy(bytes.begin(), bytes.end(), login.begin());
  std::fill_n(login.begin() + rec::kLoginKey, rec::kLoginKeyBytes, 0);
  Add(EntryKind::Sent, login);
}

void SessionRecorder::StartNewFile() {
  if (stopped_) return;
  Flush();
  if (stopped_) return;
  std::string name = nextFileName ? nextFileName() : std::string();
  ++files_;
  if (name.empty() || name == fileName_) {
    const size_t dot = fileName_.rfind(kSessionSuffix);
    const std::string stem = dot == std::string::npos ? fileName_ : fileName_.substr(0, dot);
    name = stem + "-" + std::to_string(files_) + kSessionSuffix;
  }
  fileName_ = name;
  opened_ = false;
  written_ = 0;
  start_ = clock_.NowMs();
  buffer_ = EncodeSessionHeader(header_);
  hasEntries_ = false;
  pendingSince_ = -1;
  log_.Write("a new table: the session goes on in " + fileName_);
}

void SessionRecorder::Connected() { Add(EntryKind::Connected, {}); }

void SessionRecorder::Lost(int error) { AddValue(EntryKind::Lost, error); }

void SessionRecorder::AddValue(EntryKind kind, int32_t v) {
  std::array<uint8_t, 4> value{};
  for (int k = 0; k < 4; ++k) value[k] = static_cast<uint8_t>(static_cast<uint32_t>(v) >> (8 * k));
  Add(kind, value);
}

std::function<int(int)> RecordingRandomSource(SessionRecorder& recorder, uint32_t seed) {
  return [&recorder, rng = std::minstd_rand(seed)](int n) mutable {
    const int v = n <= 1 ? 0 : std::uniform_int_distribution<int>(0, n - 1)(rng);
    recorder.Drawn(v);
    return v;
  };
}

void SessionRecorder::Add(EntryKind kind, std::span<const uint8_t> payload) {
  if (stopped_) return;
  const uint32_t now = Now();
  MakeRoom();
  AppendSessionEntry(buffer_, kind, now, payload);
  hasEntries_ = true;
  if (pendingSince_ < 0) pendingSince_ = now;
  if (buffer_.size() >= settings_.flushBytes || now - pendingSince_ >= settings_.flushEveryMs) {
    Flush();
  }
}

void SessionRecorder::StopRecording(const std::string& why) {
  if (stopped_) return;
  stopped_ = true;
  buffer_.clear();
  buffer_.shrink_to_fit();
  log_.Write("session recording stopped, play goes on: " + why);
}

bool SessionRecorder::KeepWithinLimit(uint64_t pending) {
  if (written_ + pending > settings_.sizeLimit) {
    StopRecording(fileName_ + " reached the size limit of " +
                  std::to_string(settings_.sizeLimit / kMb) + " MB");
    return false;
  }
  std::vector<StoredSession> files = store_.List();
  uint64_t total = written_ + pending;
  for (const StoredSession& f : files)
    if (f.name != fileName_) total += f.size;
  for (const StoredSession& f : files) {
    if (total <= settings_.sizeLimit) break;
    if (f.name == fileName_) continue;
    if (store_.Remove(f.name)) {
      total -= f.size;
      log_.Write("removed the old session file " + f.name + " to stay under the size limit");
    }
  }
  return true;
}

bool SessionRecorder::Flush() {
  if (stopped_) return false;
  if (!hasEntries_ || buffer_.empty()) return true;
  if (!KeepWithinLimit(buffer_.size())) return false;
  std::string error;
  if (!opened_) {
    if (!store_.Open(fileName_, error)) {
      StopRecording(error);
      return false;
    }
    opened_ = true;
  }
  if (!store_.Append(buffer_, error)) {
    StopRecording(error);
    return false;
  }
  written_ += buffer_.size();
  buffer_.clear();
  pendingSince_ = -1;
  return true;
}

HeaderFields SessionHeaderFor(const LaunchParams& launch, int screenWidth, int screenHeight) {
  HeaderFields h;
  h.emplace_back("client", std::string("korvel ") + ClientVersion());
  h.emplace_back("user", launch.UserId);
  h.emplace_back("server", launch.ServerHost + ":" + std::to_string(launch.ServerPort));
  h.emplace_back("location", launch.Location);
  h.emplace_back("connection", std::to_string(launch.ConnectionType));
  if (launch.ConnectionType != kConnectDirect) {
    h.emplace_back("proxy", launch.ProxyHost + ":" + std::to_string(launch.ProxyPort));
    h.emplace_back("proxy-user", launch.ProxyUser);
  }
  h.emplace_back("quick", launch.QuickMode ? "1" : "0");
  h.emplace_back("lobby-title", launch.LobbyTitleField);
  h.emplace_back("window-title", launch.WindowTitleField);
  h.emplace_back("props", std::to_string(launch.PropSwitch));
  h.emplace_back("prop-parameter", std::to_string(launch.PropParameter));
  h.emplace_back("watcher", launch.Spectator ? "1" : "0");
  if (launch.Spectator) h.emplace_back("balance", std::to_string(launch.WatcherBalance));
  h.emplace_back("screen", std::to_string(screenWidth) + "x" + std::to_string(screenHeight));
  return h;
}

namespace {

// The length of the well-formed UTF-8 character at the start of `s`, or 0.
size_t Utf8CharLength(std::string_view s) {
  const auto byte = [&](size_t i) { return static_cast<unsigned char>(s[i]); };
  const unsigned char lead = byte(0);
  size_t length = 0;
  unsigned char low = 0x80, high = 0xBF;  // the bounds of the second byte
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    if (lead == 0xE0) low = 0xA0;   // no overlong forms
    if (lead == 0xED) high = 0x9F;  // no surrogates
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;
  }
  if (length == 0 || s.size() < length || byte(1) < low || byte(1) > high) return 0;
  for (size_t i = 2; i < length; ++i) {
    if (byte(i) < 0x80 || byte(i) > 0xBF) return 0;
  }
  return length;
}

}  // namespace

std::string SessionFileName(std::time_t startedAt, const LaunchParams& launch) {
  std::tm local{};
  localtime_r(&startedAt, &local);
  char stamp[32];
  std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &local);
  // The place name may be anything the lobby sent. Its letters stay readable in any script;
  // separators, blanks, punctuation, controls and bytes that are not UTF-8 become "_", and a
  // character is never cut in half.
  constexpr size_t kMaxTableBytes = 48;
  const std::string text = launch.Location + "-" + std::to_string(launch.ServerPort);
  std::string table;
  for (size_t at = 0; at < text.size();) {
    const auto u = static_cast<unsigned char>(text[at]);
    size_t length = 1;
    std::string_view piece = "_";
    if (u < 0x80) {
      if (std::isalnum(u) || u == '-') piece = std::string_view(text).substr(at, 1);
    } else if (const size_t n = Utf8CharLength(std::string_view(text).substr(at)); n > 0) {
      length = n;
      piece = std::string_view(text).substr(at, n);
    }
    if (table.size() + piece.size() > kMaxTableBytes) break;
    table += piece;
    at += length;
  }
  return std::string(stamp) + "_" + table + kSessionSuffix;
}

uint64_t SessionSizeLimit(const std::string& settingsFile) {
  classIniFile ini;
  ini.INIFileName = settingsFile;
  const std::string text = ini.GetIniKey("Sessions", "SizeLimitMB");
  uint64_t mb = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), mb);
  if (text.empty() || error != std::errc() || end != text.data() + text.size() || mb == 0 ||
      mb > 1024 * 1024) {
    return kDefaultSessionLimitMb * kMb;
  }
  return mb * kMb;
}

bool SessionRecordingWanted(const std::string& settingsFile) {
  classIniFile ini;
  ini.INIFileName = settingsFile;
  return ini.GetIniKey("Sessions", "Record") != "0";
}

RecordingPlatform::RecordingPlatform(const Platform& inner, SessionRecorder& recorder)
    : inner_(inner), recorder_(recorder), platform_{inner.timers,  *this,       inner.lobby,
                                                    inner.dialogs, inner.sound, inner.screen,
                                                    inner.files,   inner.log,   *this} {}

void RecordingPlatform::SetEvents(SocketEvents* events) {
  events_ = events;
  inner_.socket.SetEvents(events ? this : nullptr);
}

void RecordingPlatform::Connect(const std::string& host, uint16_t port) {
  recorder_.StartConnection();
  inner_.socket.Connect(host, port);
}

bool RecordingPlatform::Send(std::span<const uint8_t> bytes) {
  const bool sent = inner_.socket.Send(bytes);
  if (sent && RecordMode()) recorder_.Sent(bytes);
  return sent;
}

void RecordingPlatform::OnConnected() {
  recorder_.Connected();
  if (events_) events_->OnConnected();
}

void RecordingPlatform::OnDataArrival(std::span<const uint8_t> bytes) {
  if (RecordMode()) recorder_.Received(bytes);
  if (events_) events_->OnDataArrival(bytes);
}

void RecordingPlatform::OnSocketClose() {
  recorder_.Lost(0);
  if (events_) events_->OnSocketClose();
}

void RecordingPlatform::OnSocketError(int number) {
  recorder_.Lost(number);
  if (events_) events_->OnSocketError(number);
}

void RecordingPlatform::EndClient(int code) {
  recorder_.Flush();
  EndClientNow(inner_.process, code);
}

}  // namespace korvel
