// SIGINT, SIGTERM and SIGHUP (Ctrl-C, a lobby or session ending the program, a closed terminal)
// turned into a call on the event loop, so the program can end its own way and write out what it
// still holds.
#pragma once

#include <QSocketNotifier>
#include <functional>
#include <memory>
#include <string>

namespace korvel {

class StopSignals {
 public:
  // `onStop` runs on the event loop with the signal's number, once. A second signal after it
  // ends the program at once, for a close that hangs. One instance per process.
  explicit StopSignals(std::function<void(int)> onStop);
  ~StopSignals();
  StopSignals(const StopSignals&) = delete;
  StopSignals& operator=(const StopSignals&) = delete;

  // False when the handlers could not be installed (the program then ends on these signals
  // the ordinary way).
  bool ok() const { return notifier_ != nullptr; }

 private:
  void OnReadable();

  std::function<void(int)> onStop_;
  std::unique_ptr<QSocketNotifier> notifier_;
  bool stopping_ = false;
};

// "signal 15 (Terminated)", for log lines.
std::string DescribeSignal(int signal);

}  // namespace korvel
