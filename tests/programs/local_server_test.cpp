// The private server of a game started from the menu: a free port a launch line can carry, a
// user id the login record can hold, and nothing left running afterwards.
#include "local_server.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QTcpSocket>

namespace korvel {
namespace {

QCoreApplication& App() {
  static int argc = 1;
  static char name[] = "test_programs";
  static char* argv[] = {name, nullptr};
  static auto* app = QCoreApplication::instance() ? nullptr : new QCoreApplication(argc, argv);
  (void)app;
  return *QCoreApplication::instance();
}

bool Accepts(int port) {
  QTcpSocket s;
  s.connectToHost("127.0.0.1", static_cast<quint16>(port));
  return s.waitForConnected(500);
}

TEST(LocalServer, TheAccountNameIsUsedOnlyWhenItFitsALaunchLine) {
  EXPECT_EQ(LocalUserName("mei"), "mei");
  EXPECT_EQ(LocalUserName("sixteen_letters_"), "sixteen_letters_");
  EXPECT_EQ(LocalUserName("seventeen_letters"), "player");
  EXPECT_EQ(LocalUserName(""), "player");
  EXPECT_EQ(LocalUserName("a$b"), "player") << "a dollar would end the field";
  EXPECT_EQ(LocalUserName("李雷"), "player");
  EXPECT_EQ(LocalUserName("two words"), "player");
  EXPECT_FALSE(AccountName().empty());
}

TEST(LocalServer, StartsOnALaunchPortAndStopsForGood) {
  App();
  LocalServer server;
  const int port = server.Start(QString(KORVEL_BIN_DIR) + "/korvel-server", QString());
  ASSERT_GT(port, 0);
  EXPECT_LE(port, 32767) << "launch lines carry signed 16-bit ports";
  EXPECT_TRUE(Accepts(port));
  server.Stop();
  EXPECT_FALSE(Accepts(port));
  server.Stop();  // a second stop is harmless
}

TEST(LocalServer, AProgramThatEndsAtOnceIsReportedNotWaitedFor) {
  App();
  LocalServer quitter;
  EXPECT_EQ(quitter.Start("/bin/false", QString()), 0);
  LocalServer missing;
  EXPECT_EQ(missing.Start("/nonexistent/korvel-server", QString()), 0);
}

}  // namespace
}  // namespace korvel
