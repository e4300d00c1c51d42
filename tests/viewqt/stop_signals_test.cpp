// Ctrl-C, a lobby's terminate and a closed terminal reach the program as one call on its event
// loop, so it can write out what it holds before it ends.
#include "stop_signals.h"

#include <gtest/gtest.h>

#include <csignal>
#include <vector>

#include "qt_app.h"

namespace korvel {
namespace {

void (*HandlerOf(int signal))(int) {
  struct sigaction current {};
  sigaction(signal, nullptr, &current);
  return current.sa_handler;
}

// The notifier sees the byte the handler wrote on the next pass of the loop; a few passes spare
// a slow machine.
void RunLoopUntil(const std::vector<int>& got) {
  for (int pass = 0; pass < 1000 && got.empty(); ++pass) QCoreApplication::processEvents();
}

TEST(StopSignals, SignalsBecomeOneCallOnTheEventLoopThenEndTheProgramTheOrdinaryWay) {
  TestApp();
  std::signal(SIGHUP, SIG_IGN);  // as under nohup
  std::vector<int> got;
  {
    StopSignals stop([&got](int signal) { got.push_back(signal); });
    ASSERT_TRUE(stop.ok());
    EXPECT_NE(HandlerOf(SIGTERM), SIG_DFL);
    EXPECT_NE(HandlerOf(SIGINT), SIG_DFL);
    EXPECT_EQ(HandlerOf(SIGHUP), SIG_IGN) << "an ignored signal is left ignored";

    // Two signals before the loop runs: the first is the one reported, and only once.
    std::raise(SIGTERM);
    std::raise(SIGINT);
    EXPECT_TRUE(got.empty()) << "nothing runs inside the signal handler";
    RunLoopUntil(got);
    for (int pass = 0; pass < 20; ++pass) QCoreApplication::processEvents();
    EXPECT_EQ(got, std::vector<int>{SIGTERM});
    // Stopping has begun: a further signal ends the program at once instead of waiting on it.
    EXPECT_EQ(HandlerOf(SIGTERM), SIG_DFL);
    EXPECT_EQ(HandlerOf(SIGINT), SIG_DFL);
    EXPECT_EQ(HandlerOf(SIGHUP), SIG_IGN);

    StopSignals second([](int) {});
    EXPECT_FALSE(second.ok()) << "one instance per process";
  }
  // Once the first is gone, another program part may take the signals.
  got.clear();
  StopSignals again([&got](int signal) { got.push_back(signal); });
  ASSERT_TRUE(again.ok());
  std::raise(SIGINT);
  RunLoopUntil(got);
  EXPECT_EQ(got, std::vector<int>{SIGINT});
  std::signal(SIGHUP, SIG_DFL);
}

}  // namespace
}  // namespace korvel
