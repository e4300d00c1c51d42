#include "app/session_replay.h"

#include <algorithm>
#include <charconv>
#include <cstdio>

#include "replay/input_entries.h"

namespace korvel {
namespace {

// How long a record may take to be picked up once it is in: the loop looks every 100 ms.
constexpr int64_t kTakeLimitMs = 10000;
constexpr int64_t kTakeStepMs = 10;
constexpr int kDealStartCommand = 4;
// A longer silence is played as this long: nothing happens in it, and a damaged file that claims
// days between two records must not keep the replay busy for days of virtual time.
constexpr int64_t kLongestGapMs = 60000;

int16_t Int16Field(const std::string& text) { return ParseInt16(text).value_or(0); }

}  // namespace

SessionReplay::SessionReplay(SessionFile file)
    : file_(std::move(file)), deals_(SummariseDeals(file_)) {
  platform_ = std::make_unique<VirtualPlatform>();
  at_.reserve(file_.entries.size());
  int64_t at = 0, last = 0;
  for (const SessionEntry& e : file_.entries) {
    at += std::min<int64_t>(int64_t{e.timeMs} - last, kLongestGapMs);
    last = e.timeMs;
    at_.push_back(at);
    if (e.kind == EntryKind::Draw) draws_.push_back(e.value);
  }
}

SessionReplay::~SessionReplay() {
  if (client_ && clientGone) clientGone();
  client_.reset();
}

int64_t SessionReplay::EndMs() const { return at_.empty() ? 0 : at_.back(); }

std::string SessionReplay::LaunchLine() const {
  LaunchParams p;
  p.UserId = file_.Field("user");
  // A header without a usable name still replays: the name only labels the local seat.
  if (p.UserId.empty() || p.UserId.size() > rec::kUserIdBytes ||
      std::any_of(p.UserId.begin(), p.UserId.end(), [](char c) { return c & 0x80; })) {
    p.UserId = "replay";
  }
  const std::string server = file_.Field("server");
  const size_t colon = server.rfind(':');
  p.ServerHost = colon == std::string::npos ? server : server.substr(0, colon);
  p.ServerPort = colon == std::string::npos ? 0 : Int16Field(server.substr(colon + 1));
  // The replay connects to nothing; a direct line with some address keeps start-up content.
  if (p.ServerHost.empty()) p.ServerHost = "replay";
  if (p.ServerPort <= 0) p.ServerPort = 1;
  p.Location = file_.Field("location");
  p.ConnectionType = kConnectDirect;
  p.QuickMode = file_.Field("quick") == "1";
  p.LobbyTitleField = file_.Field("lobby-title");
  p.WindowTitleField = file_.Field("window-title");
  // No prop component runs in a replay: it would talk to its own servers.
  p.PropSwitch = 0;
  p.Spectator = file_.Field("watcher") == "1";
  const std::string balance = file_.Field("balance");
  std::from_chars(balance.data(), balance.data() + balance.size(), p.WatcherBalance);
  return BuildLaunchLine(p);
}

void SessionReplay::Restart() {
  if (client_ && clientGone) clientGone();
  client_.reset();
  platform_ = std::make_unique<VirtualPlatform>();
  next_ = 0;
  ended_ = false;
  VirtualPlatform& vp = *platform_;
  // The lobby is always there, so the client never gives up for want of one.
  vp.lobby.windows.insert(kDefaultLobbyTitle);
  if (!file_.Field("lobby-title").empty()) vp.lobby.windows.insert(file_.Field("lobby-title"));
  const std::string screen = file_.Field("screen");
  int w = 0, h = 0;
  if (std::sscanf(screen.c_str(), "%dx%d", &w, &h) == 2 && w > 0 && h > 0) {
    vp.screen.width = w;
    vp.screen.height = h;
  }
  client_ = std::make_unique<Client>(vp.platform());
  // Time-outs or leaving minimised the player's window; the replay's stays in view.
  client_->view().KeepWindowShown = true;
  // The client draws in the same order as it did live, so the k-th draw is the k-th kept.
  nextDraw_ = 0;
  client_->tablePlay().SetRandomSource([this](int n) {
    return nextDraw_ < draws_.size() ? std::clamp(draws_[nextDraw_++], 0, std::max(0, n - 1)) : 0;
  });
  if (beforeStart) beforeStart(*client_);
  try {
    client_->Startup(LaunchLine());
  } catch (const korvel::ClientEnded&) {
    ended_ = true;
  }
  if (afterStart) afterStart(*client_);
}

void SessionReplay::Run(int64_t ms) {
  if (ended_) return;
  try {
    platform_->timers.Advance(std::max<int64_t>(0, ms));
  } catch (const korvel::ClientEnded&) {
    ended_ = true;
  }
}

void SessionReplay::Apply(const SessionEntry& e) {
  if (ended_) return;
  try {
    // What the client answers goes nowhere; it need not pile up either.
    platform_->socket.sent.clear();
    platform_->socket.sentAt.clear();
    if (e.kind == EntryKind::Received) {
      platform_->socket.Deliver(e.record);
    } else if (e.kind == EntryKind::Lost) {
      platform_->socket.PeerClose();
    } else if (e.kind == EntryKind::Input && playInput) {
      InputEvent input;
      if (DecodeInput(e.record, input))
        DeliverInput(input, client_->view().scene(), client_->input());
    } else if (e.kind == EntryKind::Text && playInput) {
      DeliverText(e.record, client_->view().scene(), client_->input());
    }
  } catch (const korvel::ClientEnded&) {
    ended_ = true;
  }
}

void SessionReplay::AdvanceTo(int64_t ms) {
  // An entry at `ms` itself waits for the next call: at any moment, the timers that fall due
  // then run before what arrives then, as they did while the session was recorded.
  while (!ended_ && next_ < file_.entries.size() && at_[next_] < ms) {
    Run(at_[next_] - Now());
    Apply(file_.entries[next_++]);
  }
  Run(ms - Now());
}

void SessionReplay::WaitForDispatch(uint64_t before, int64_t limitMs) {
  const int64_t until = Now() + limitMs;
  while (!ended_ && client_->dispatcher().Dispatched == before && Now() < until) {
    AdvanceBy(kTakeStepMs);
  }
}

bool SessionReplay::StepRecord() {
  if (ended_) return false;
  const uint64_t before = client_->dispatcher().Dispatched;
  if (!client_->records().RecordWaiting()) {
    size_t i = next_;
    while (i < file_.entries.size() && file_.entries[i].kind != EntryKind::Received) ++i;
    if (i == file_.entries.size()) return false;
    AdvanceTo(at_[i] + 1);
  }
  WaitForDispatch(before, kTakeLimitMs);
  return client_->dispatcher().Dispatched != before;
}

void SessionReplay::SeekDeal(int deal) {
  if (deal < 0 || deal >= static_cast<int>(deals_.size())) return;
  const DealSummary& d = deals_[static_cast<size_t>(deal)];
  if (ended_ || next_ > d.firstEntry) Restart();
  // Everything up to the deal's start, then on until the client has taken the start itself.
  AdvanceTo(at_[d.firstEntry] + 1);
  const int64_t until = Now() + kTakeLimitMs;
  while (!ended_ && Now() < until && client_->records().RecordWaiting() &&
         client_->records().Rinfo.command != kDealStartCommand) {
    AdvanceBy(kTakeStepMs);
  }
}

int SessionReplay::CurrentDeal() const {
  int current = -1;
  for (size_t i = 0; i < deals_.size(); ++i) {
    if (deals_[i].firstEntry < next_) current = static_cast<int>(i);
  }
  return current;
}

}  // namespace korvel
