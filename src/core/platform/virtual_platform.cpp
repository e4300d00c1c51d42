#include "platform/virtual_platform.h"

#include <algorithm>
#include <limits>

namespace korvel {

void VirtualTimers::Start(std::string_view name, int intervalMs, std::function<void()> tick) {
  const int interval = std::max(1, intervalMs);
  timers_[std::string(name)] = Timer{interval, now_ + interval, std::move(tick)};
}

void VirtualTimers::Stop(std::string_view name) {
  auto it = timers_.find(name);
  if (it != timers_.end()) timers_.erase(it);
}

bool VirtualTimers::Running(std::string_view name) const { return timers_.count(name) > 0; }

int VirtualTimers::Interval(std::string_view name) const {
  auto it = timers_.find(name);
  return it == timers_.end() ? 0 : it->second.interval;
}

void VirtualTimers::RunPosted() {
  while (!posted_.empty()) {
    auto work = std::move(posted_.front());
    posted_.pop_front();
    work();
  }
}

void VirtualTimers::Advance(int64_t ms) {
  const int64_t end = now_ + ms;
  RunPosted();
  while (true) {
    // The earliest due timer; ties go in name order, which keeps runs repeatable.
    auto next = timers_.end();
    for (auto it = timers_.begin(); it != timers_.end(); ++it) {
      if (it->second.due <= end && (next == timers_.end() || it->second.due < next->second.due)) {
        next = it;
      }
    }
    if (next == timers_.end()) break;
    now_ = next->second.due;
    next->second.due += next->second.interval;
    auto tick = next->second.tick;  // the tick may stop or restart its own timer
    tick();
    RunPosted();
  }
  // A wait inside a tick may already have moved the clock past `end`.
  now_ = std::max(now_, end);
}

bool VirtualTimers::PumpUntil(const std::function<bool()>& done, int timeoutMs) {
  const int64_t end = now_ + timeoutMs;
  RunPosted();
  while (!done()) {
    if (now_ >= end) return false;
    Advance(1);
  }
  return true;
}

void VirtualSocket::Connect(const std::string& h, uint16_t p) {
  host = h;
  port = p;
  ++connects;
  const int result = nextConnectResult;
  timers_.Post([this, result] {
    if (result == 0) {
      connected_ = true;
      if (events_) events_->OnConnected();
    } else if (events_) {
      events_->OnSocketError(result);
    }
  });
}

bool VirtualSocket::Send(std::span<const uint8_t> bytes) {
  if (!connected_) return false;
  sent.emplace_back(bytes.begin(), bytes.end());
  sentAt.push_back(timers_.NowMs());
  return true;
}

void VirtualSocket::Deliver(std::span<const uint8_t> bytes) {
  if (events_) events_->OnDataArrival(bytes);
}

void VirtualSocket::PeerClose() {
  if (events_) events_->OnSocketClose();
}

bool VirtualLobbyLink::Post(const std::string& title, const LobbyMessage& message) {
  if (!windows.count(title)) return false;
  deliveries.push_back({title, message, true});
  return true;
}

bool VirtualLobbyLink::Send(const std::string& title, const LobbyMessage& message) {
  if (!windows.count(title)) return false;
  deliveries.push_back({title, message, false});
  return true;
}

bool VirtualLobbyLink::Listen(const std::string& ownTitle,
                              std::function<uint32_t(const LobbyMessage&)> handler) {
  listeningAs = ownTitle;
  handler_ = std::move(handler);
  return true;
}

uint32_t VirtualLobbyLink::DeliverToClient(const LobbyMessage& message) {
  return handler_ ? handler_(message) : 0;
}

std::vector<uint32_t> VirtualLobbyLink::PostedNumbers(const std::string& title) const {
  std::vector<uint32_t> numbers;
  for (const auto& d : deliveries) {
    if (d.posted && d.title == title) numbers.push_back(d.message.number);
  }
  return numbers;
}

DialogAnswer VirtualDialogs::MessageBox(const std::string& text, const std::string& title,
                                        DialogButtons buttons, DialogIcon) {
  shown.push_back({title, text});
  if (!answers.empty()) {
    DialogAnswer a = answers.front();
    answers.pop_front();
    return a;
  }
  return buttons == DialogButtons::YesNo ? DialogAnswer::Yes : DialogAnswer::Ok;
}

bool VirtualSound::Play(const std::string& path, bool loop) {
  if (!deviceAvailable) return false;
  if (!existingFiles.empty() && !existingFiles.count(path)) return false;
  played.push_back(path);
  playing = path;
  looping = loop;
  return true;
}

bool VirtualLog::Contains(std::string_view text) const {
  return std::any_of(lines.begin(), lines.end(),
                     [&](const std::string& l) { return l.find(text) != std::string::npos; });
}

void VirtualProcess::EndClient(int code) {
  ++ends;
  throw ClientEnded(code);
}

VirtualPlatform::VirtualPlatform()
    : platform_{timers, socket, lobby, dialogs, sound, screen, files, log, process} {}

}  // namespace korvel
