#include <gtest/gtest.h>

#include "app/client.h"
#include "platform/virtual_platform.h"

namespace korvel {
namespace {

std::string Line(std::vector<std::string> fields) {
  std::string line;
  for (const auto& f : fields) line += f + "$";
  return line;
}

std::vector<std::string> DirectFields() {
  return {"a", "k", "h", "6000", "Room", "0", "", "0", "", "", "0", "", "", "1", "7"};
}

class StartupTest : public ::testing::Test {
 protected:
  StartupTest() : client(vp.platform()) { vp.lobby.windows.insert("Tesk山庄"); }

  // Runs start-up; returns the exit code when the client ended, -1 when it kept running.
  int Start(const std::string& line) {
    try {
      client.Startup(line);
      return -1;
    } catch (const ClientEnded& ended) {
      return ended.code;
    }
  }

  VirtualPlatform vp;
  Client client;
};

TEST_F(StartupTest, ADirectLaunchPreparesTheLoginAndListensAsTheWindowTitle) {
  ASSERT_EQ(Start(Line(DirectFields())), -1);
  EXPECT_FALSE(client.settings().QuickMode);
  EXPECT_FALSE(client.settings().Spectator);
  EXPECT_EQ(client.settings().TurnTime, 8);
  EXPECT_EQ(client.lobby().LobbyTitle, "Tesk山庄");
  EXPECT_EQ(client.settings().WindowTitle, "korvel");
  EXPECT_EQ(vp.lobby.listeningAs, "korvel");
  EXPECT_EQ(client.table().players[0].name, "a");
  EXPECT_EQ(client.table().players[0].seatMask, 0);
  const RecordBytes& login = client.records().LoginRecord;
  EXPECT_EQ(login[3], 18);
  EXPECT_EQ(login[16], 'a');
  EXPECT_EQ(login[32], 'k');
  EXPECT_TRUE(vp.dialogs.shown.empty());
}

TEST_F(StartupTest, QuickModeTakesTheTitlesAndTheShortTurn) {
  auto fields = DirectFields();
  fields[10] = "1";
  fields[11] = "L";
  fields[12] = "T";
  ASSERT_EQ(Start(Line(fields)), -1);
  EXPECT_TRUE(client.settings().QuickMode);
  EXPECT_EQ(client.lobby().LobbyTitle, "L");
  EXPECT_EQ(client.settings().WindowTitle, "T");
  EXPECT_EQ(client.settings().TurnTime, 2);
  EXPECT_EQ(vp.lobby.listeningAs, "T");
}

TEST_F(StartupTest, AnEmptyLineAsksForTheLobbyAndLeavesItAlone) {
  EXPECT_EQ(Start("   "), 1);
  ASSERT_EQ(vp.dialogs.shown.size(), 1u);
  EXPECT_EQ(vp.dialogs.shown[0].title, "警告");
  EXPECT_EQ(vp.dialogs.shown[0].text, "本游戏需从游戏大厅中启动！");
  EXPECT_TRUE(vp.lobby.deliveries.empty());
  EXPECT_TRUE(vp.log.Contains("message box: 警告: 本游戏需从游戏大厅中启动！"));
}

TEST_F(StartupTest, ABadLineRestoresTheLobbyAndEndsWithoutAMessage) {
  auto fourteen = DirectFields();
  fourteen.pop_back();
  auto badPort = DirectFields();
  badPort[3] = "40000";
  for (const auto& fields : {fourteen, badPort}) {
    VirtualPlatform fresh;
    fresh.lobby.windows.insert("Tesk山庄");
    Client c(fresh.platform());
    EXPECT_THROW(c.Startup(Line(fields)), ClientEnded);
    EXPECT_TRUE(fresh.dialogs.shown.empty());
    ASSERT_EQ(fresh.lobby.deliveries.size(), 1u);
    EXPECT_EQ(fresh.lobby.deliveries[0].message.number, kSysCommand);
    EXPECT_EQ(fresh.lobby.deliveries[0].message.param1, kScRestore);
  }
}

// The fields before the missing one are already taken: a quick-mode line names its lobby.
TEST_F(StartupTest, AQuickLineMissingItsLastFieldRestoresTheLobbyItNames) {
  auto fields = DirectFields();
  fields[10] = "1";
  fields[11] = "Quick Hall";
  fields[12] = "T";
  fields.pop_back();
  vp.lobby.windows.insert("Quick Hall");
  EXPECT_EQ(Start(Line(fields)), 1);
  ASSERT_EQ(vp.lobby.deliveries.size(), 1u);
  EXPECT_EQ(vp.lobby.deliveries[0].title, "Quick Hall");
  EXPECT_EQ(vp.lobby.deliveries[0].message.param1, kScRestore);
}

TEST_F(StartupTest, ABadLineWithoutALobbyEndsSilently) {
  vp.lobby.windows.clear();
  auto fields = DirectFields();
  fields[3] = "";
  EXPECT_EQ(Start(Line(fields)), 0) << "the lobby is gone, so RestoreLobby ends the client";
  EXPECT_TRUE(vp.dialogs.shown.empty());
}

TEST_F(StartupTest, ASecondCopyWarnsAndEnds) {
  vp.files.otherCopyRunning = true;
  EXPECT_GE(Start(Line(DirectFields())), 0);
  ASSERT_EQ(vp.dialogs.shown.size(), 1u);
  EXPECT_EQ(vp.dialogs.shown[0].text, "Korvel麻将游戏已经运行！");
  EXPECT_EQ(vp.dialogs.shown[0].title, "警告");
  EXPECT_EQ(vp.lobby.listeningAs, "");
}

TEST_F(StartupTest, AWatcherLineMarksTheSpectator) {
  ASSERT_EQ(Start(Line(DirectFields()) + "5000"), -1);
  EXPECT_TRUE(client.settings().Spectator);
  EXPECT_TRUE(client.table().state.Spectator);
  EXPECT_EQ(client.launch().WatcherBalance, 5000);
}

TEST_F(StartupTest, AnUnknownConnectionTypeConnectsNowhere) {
  auto fields = DirectFields();
  fields[5] = "3";
  ASSERT_EQ(Start(Line(fields)), -1);
  EXPECT_EQ(vp.socket.connects, 0);
  EXPECT_FALSE(vp.timers.Running("TimerBong"));
}

}  // namespace
}  // namespace korvel
