#include "config/launch_params.h"

#include <gtest/gtest.h>

namespace korvel {
namespace {

std::string Line(std::vector<std::string> fields) {
  std::string line;
  for (const auto& f : fields) line += f + "$";
  return line;
}

const std::vector<std::string> kDirect = {"a", "k", "h", "6000", "Room", "0", "", "0",
                                          "",  "",  "0", "",     "",     "1", "7"};

TEST(LaunchLine, ReadsTheFifteenFieldsOfADirectStart) {
  LaunchParse parsed = ParseLaunchLine("  " + Line(kDirect) + " \n");
  ASSERT_TRUE(parsed.ok()) << parsed.message;
  const LaunchParams& p = parsed.params;
  EXPECT_EQ(p.UserId, "a");
  EXPECT_EQ(p.LoginKey, "k");
  EXPECT_EQ(p.ServerHost, "h");
  EXPECT_EQ(p.ServerPort, 6000);
  EXPECT_EQ(p.Location, "Room");
  EXPECT_EQ(p.ConnectionType, kConnectDirect);
  EXPECT_FALSE(p.QuickMode);
  EXPECT_EQ(p.PropSwitch, 1);
  EXPECT_EQ(p.PropParameter, 7);
  EXPECT_FALSE(p.Spectator);
}

TEST(LaunchLine, QuickModeTakesAnyTextWhoseNumericValueIsOne) {
  for (const char* quick : {"1", " 1", "1.0", "1abc"}) {
    auto fields = kDirect;
    fields[10] = quick;
    fields[11] = "L";
    fields[12] = "T";
    LaunchParse parsed = ParseLaunchLine(Line(fields));
    ASSERT_TRUE(parsed.ok());
    EXPECT_TRUE(parsed.params.QuickMode) << quick;
    EXPECT_EQ(parsed.params.LobbyTitleField, "L");
    EXPECT_EQ(parsed.params.WindowTitleField, "T");
  }
  for (const char* slow : {"", "x", "2", "0.5", "11"}) {
    auto fields = kDirect;
    fields[10] = slow;
    EXPECT_FALSE(ParseLaunchLine(Line(fields)).params.QuickMode) << slow;
  }
}

TEST(LaunchLine, RefusesMissingFieldsBadIntegersAndOversizedTexts) {
  EXPECT_EQ(ParseLaunchLine("").error, LaunchError::Empty);
  EXPECT_EQ(ParseLaunchLine("   ").error, LaunchError::Empty);

  auto fourteen = kDirect;
  fourteen.pop_back();
  EXPECT_EQ(ParseLaunchLine(Line(fourteen)).error, LaunchError::MissingField);

  struct Case {
    int field;
    std::string value;
    LaunchError error;
  };
  for (const Case& c : std::vector<Case>{{4, "", LaunchError::BadInteger},
                                         {4, "40000", LaunchError::BadInteger},
                                         {4, "60x", LaunchError::BadInteger},
                                         {6, "-32769", LaunchError::BadInteger},
                                         {8, "port", LaunchError::BadInteger},
                                         {15, "", LaunchError::BadInteger},
                                         {1, std::string(17, 'u'), LaunchError::TooLong},
                                         {2, std::string(241, 'k'), LaunchError::TooLong},
                                         {9, std::string(256, 'p'), LaunchError::TooLong},
                                         {1, "用户", LaunchError::NotSingleByte}}) {
    auto fields = kDirect;
    fields[c.field - 1] = c.value;
    EXPECT_EQ(ParseLaunchLine(Line(fields)).error, c.error)
        << "field " << c.field << " = " << c.value;
  }
  auto edge = kDirect;
  edge[0] = std::string(16, 'u');
  edge[1] = std::string(240, 'k');
  edge[3] = "32767";
  edge[5] = "-32768";
  EXPECT_TRUE(ParseLaunchLine(Line(edge)).ok());
}

TEST(LaunchLine, AWatcherLineEndsWithTheBalanceInsteadOfADollar) {
  LaunchParse parsed = ParseLaunchLine(Line(kDirect) + "125000");
  ASSERT_TRUE(parsed.ok());
  EXPECT_TRUE(parsed.params.Spectator);
  EXPECT_EQ(parsed.params.WatcherBalance, 125000);
  EXPECT_EQ(parsed.params.PropParameter, 7);
  EXPECT_EQ(ParseLaunchLine(Line(kDirect) + std::string(30, '9')).params.WatcherBalance, INT64_MAX);
  EXPECT_EQ(ParseLaunchLine(Line(kDirect) + "abc").params.WatcherBalance, 0);
}

TEST(LaunchLine, BuildsWhatItParses) {
  LaunchParams p;
  p.UserId = "bob";
  p.LoginKey = "secret";
  p.ServerHost = "127.0.0.1";
  p.ServerPort = 6123;
  p.Location = "东风 1 号桌";
  p.ConnectionType = kConnectProxy;
  p.ProxyHost = "10.0.0.1";
  p.ProxyPort = 1080;
  p.ProxyUser = "u";
  p.ProxyPassword = "p w";
  p.QuickMode = true;
  p.LobbyTitleField = "大厅";
  p.WindowTitleField = "桌子";
  p.PropSwitch = 1;
  p.PropParameter = -3;
  for (bool watcher : {false, true}) {
    p.Spectator = watcher;
    p.WatcherBalance = watcher ? 42 : 0;
    LaunchParse back = ParseLaunchLine(BuildLaunchLine(p));
    ASSERT_TRUE(back.ok()) << back.message;
    EXPECT_EQ(back.params.Location, p.Location);
    EXPECT_EQ(back.params.ProxyPassword, "p w");
    EXPECT_EQ(back.params.ProxyPort, 1080);
    EXPECT_EQ(back.params.PropParameter, -3);
    EXPECT_TRUE(back.params.QuickMode);
    EXPECT_EQ(back.params.Spectator, watcher);
    EXPECT_EQ(back.params.WatcherBalance, p.WatcherBalance);
  }
}

}  // namespace
}  // namespace korvel
