// Plays a session file again through the client's own code: a fresh client on the in-memory
// platform, started with the session's launch values, is handed each received record at the
// moment it arrived, on a virtual clock the caller moves. Whatever the client sends goes nowhere.
#pragma once

#include <functional>
#include <memory>
#include <vector>

#include "app/client.h"
#include "platform/virtual_platform.h"
#include "replay/session_file.h"
#include "replay/session_transcript.h"

namespace korvel {

class SessionReplay {
 public:
  explicit SessionReplay(SessionFile file);
  ~SessionReplay();

  // Called with each fresh client before its start-up (after the recorded random draws are set up)
  // and after it (a front end attaches here); `clientGone` before a client is thrown away.
  std::function<void(Client&)> beforeStart;
  std::function<void(Client&)> afterStart;
  std::function<void()> clientGone;

  // A fresh client at the session's start.
  void Restart();
  Client& client() { return *client_; }
  VirtualPlatform& platform() { return *platform_; }
  const SessionFile& file() const { return file_; }
  const std::vector<DealSummary>& deals() const { return deals_; }

  // Play the player's recorded clicks and keys as well as the records (the default).
  bool playInput = true;

  // Milliseconds since the session started, a silence of over a minute counting as one minute.
  int64_t Now() const { return platform_->timers.NowMs(); }
  // The time of the last entry, counted the same way.
  int64_t EndMs() const;
  // Every entry has been played.
  bool AtEnd() const { return next_ >= file_.entries.size(); }
  // The client ended itself (the replay then stands still).
  bool ClientEnded() const { return ended_; }
  // When `deal` starts on the replay's clock.
  int64_t DealStartMs(int deal) const { return at_[deals_[static_cast<size_t>(deal)].firstEntry]; }
  // The deal playing at the current time (or the last one started), -1 before the first.
  int CurrentDeal() const;

  // Moves the clock to `ms`, handing over every record that arrived before then.
  void AdvanceTo(int64_t ms);
  void AdvanceBy(int64_t ms) { AdvanceTo(Now() + ms); }
  // Plays on until the client has taken one more record; false when none is left.
  bool StepRecord();
  // Starts `deal` (0-based) afresh: the clock stands just after its start was taken.
  void SeekDeal(int deal);

 private:
  void Run(int64_t ms);
  void Apply(const SessionEntry& e);
  void WaitForDispatch(uint64_t before, int64_t limitMs);
  std::string LaunchLine() const;

  SessionFile file_;
  std::vector<DealSummary> deals_;
  std::unique_ptr<VirtualPlatform> platform_;
  std::unique_ptr<Client> client_;
  std::vector<int64_t> at_;     // when each entry is played
  std::vector<int32_t> draws_;  // the table's random draws, in the order it made them
  size_t nextDraw_ = 0;
  size_t next_ = 0;
  bool ended_ = false;
};

}  // namespace korvel
