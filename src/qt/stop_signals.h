// SIGINT, SIGTERM and SIGHUP (Ctrl-C, a lobby or session ending the program, a closed terminal)
// turned into a call on the event loop, so the program closes as if its window were closed:
// destructors run and nothing still buffered is lost.
#pragma once

#include <QObject>
#include <QSocketNotifier>
#include <functional>

namespace korvel {

class StopSignals : public QObject {
 public:
  // `onStop` runs on the event loop with the signal's number, once. A second signal after it
  // ends the program at once, for a close that hangs. One instance per process.
  explicit StopSignals(std::function<void(int)> onStop, QObject* parent = nullptr);
  ~StopSignals() override;
  StopSignals(const StopSignals&) = delete;
  StopSignals& operator=(const StopSignals&) = delete;

  // False when the handlers could not be installed (the program then ends on these signals
  // the ordinary way).
  bool ok() const { return notifier_ != nullptr; }

 private:
  void OnReadable();

  std::function<void(int)> onStop_;
  QSocketNotifier* notifier_ = nullptr;
  bool stopping_ = false;
};

}  // namespace korvel
