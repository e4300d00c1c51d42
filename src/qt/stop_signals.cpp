#include "stop_signals.h"

#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>

namespace korvel {
namespace {

constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};
// The handler only writes the signal's number into this socket; the event loop reads it.
int signalFds[2] = {-1, -1};

extern "C" void OnStopSignal(int signal) {
  const int saved = errno;
  const unsigned char number = static_cast<unsigned char>(signal);
  // Non-blocking: a full socket already holds a wake-up, so dropping this one loses nothing.
  [[maybe_unused]] const ssize_t n = write(signalFds[1], &number, 1);
  errno = saved;
}

// A signal the program was started with ignored (SIGHUP under nohup) stays ignored.
void SetHandler(void (*handler)(int)) {
  struct sigaction action {};
  action.sa_handler = handler;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  for (int s : kSignals) {
    struct sigaction current {};
    if (sigaction(s, nullptr, &current) == 0 && current.sa_handler == SIG_IGN) continue;
    sigaction(s, &action, nullptr);
  }
}

}  // namespace

StopSignals::StopSignals(std::function<void(int)> onStop) : onStop_(std::move(onStop)) {
  if (signalFds[0] >= 0 ||
      socketpair(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0, signalFds) != 0) {
    return;
  }
  notifier_ = std::make_unique<QSocketNotifier>(signalFds[0], QSocketNotifier::Read);
  QObject::connect(notifier_.get(), &QSocketNotifier::activated, [this] { OnReadable(); });
  SetHandler(OnStopSignal);
}

StopSignals::~StopSignals() {
  if (!notifier_) return;
  SetHandler(SIG_DFL);
  notifier_.reset();
  close(signalFds[0]);
  close(signalFds[1]);
  signalFds[0] = signalFds[1] = -1;
}

void StopSignals::OnReadable() {
  // Drained whole; the first signal that came is the one reported.
  unsigned char bytes[16];
  int first = 0;
  for (ssize_t n; (n = read(signalFds[0], bytes, sizeof bytes)) > 0;) {
    if (first == 0) first = bytes[0];
  }
  if (first == 0 || stopping_) return;
  stopping_ = true;
  // From here on a signal ends the program the ordinary way.
  SetHandler(SIG_DFL);
  onStop_(first);
}

std::string DescribeSignal(int signal) {
  return "signal " + std::to_string(signal) + " (" + strsignal(signal) + ")";
}

}  // namespace korvel
