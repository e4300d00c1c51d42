// The lobby's requests, leaving the table and logging in again.
#include "protocol/leaving.h"

#include <gtest/gtest.h>

#include "support/client_fixture.h"
#include "view/picture_catalogue.h"

namespace korvel {
namespace {

using testing::ClientFixture;

class LeavingTest : public ClientFixture {
 protected:
  void SetUp() override {
    LogIn();
    client.table().players[0].seatMask = 2;
    vp.lobby.deliveries.clear();
  }
  uint32_t LastPosted() const {
    for (auto it = vp.lobby.deliveries.rbegin(); it != vp.lobby.deliveries.rend(); ++it) {
      if (it->posted) return it->message.number;
    }
    return 0;
  }
};

TEST_F(LeavingTest, IsADealInProgressIsAnsweredByPosting) {
  client.loop().InDeal = true;
  Ask(kMsgInDeal);
  EXPECT_EQ(LastPosted(), kMsgInDeal);
  client.loop().InDeal = false;
  Ask(kMsgInDeal);
  EXPECT_EQ(LastPosted(), kMsgLeaveNow);
}

TEST_F(LeavingTest, LeaveIfAllowedIsRefusedDuringADealAndWhileLoggingIn) {
  client.loop().InDeal = true;
  Ask(kMsgConnected);
  EXPECT_EQ(LastPosted(), kMsgInDeal);
  EXPECT_TRUE(vp.socket.IsConnected()) << "nothing else happens";
  client.loop().InDeal = false;
  client.connection().Connected = true;
  Ask(kMsgConnected);
  EXPECT_EQ(LastPosted(), kMsgLoginPending);
}

TEST_F(LeavingTest, LeaveIfAllowedBetweenDealsSendsTheNoticeAndClears) {
  client.view().main().SetCaption(client.view().el.Nid[1], "Bob");
  Ask(kMsgConnected);
  ASSERT_EQ(vp.socket.sent.size(), 1u);
  const auto& notice = vp.socket.sent[0];
  for (size_t at = 0; at < notice.size(); ++at) {
    ASSERT_EQ(notice[at], at == 3 ? 16 : at == 6 ? 2 : 0) << "byte " << at;
  }
  EXPECT_EQ(LastPosted(), kMsgLeaveNow);
  EXPECT_FALSE(vp.socket.IsConnected());
  EXPECT_FALSE(client.mainLoop().Running());
  EXPECT_FALSE(vp.timers.Running("TimerKeepAlive"));
  EXPECT_EQ(client.view().main().Get(client.view().el.Nid[1])->caption, "");
  EXPECT_EQ(client.table().players[0].seatMask, 0);
  EXPECT_TRUE(client.view().MainWindowMinimized);
  EXPECT_FALSE(client.connection().CanReconnect);
}

TEST_F(LeavingTest, TheNoticeWaitsLongerAfterAReconnection) {
  for (bool reconnected : {false, true}) {
    VirtualPlatform fresh;
    fresh.lobby.windows.insert("Tesk山庄");
    Client c(fresh.platform());
    c.Startup(testing::LaunchLine(testing::DirectFields()));
    fresh.timers.Advance(200);
    c.reconnection().Reconnected = reconnected;
    const int64_t before = fresh.timers.NowMs();
    c.leaving().LeaveTable();
    EXPECT_EQ(fresh.timers.NowMs() - before, reconnected ? 800 : 400);
  }
}

TEST_F(LeavingTest, LeaveNowIsNeverRefused) {
  client.loop().InDeal = true;
  Ask(kMsgLeaveNow);
  EXPECT_EQ(vp.socket.sent.size(), 1u);
  EXPECT_FALSE(client.loop().InDeal);
  EXPECT_FALSE(vp.socket.IsConnected());
}

TEST_F(LeavingTest, LoggingInAgainSendsAFreshLoginRecord) {
  Ask(kMsgLeaveNow);
  vp.socket.sent.clear();
  client.records().LoginRecord[3] = 28;  // as a reconnection leaves it
  Ask(kMsgLogin);
  ASSERT_EQ(Run(400), -1);
  ASSERT_FALSE(vp.socket.sent.empty());
  EXPECT_EQ(vp.socket.sent[0][3], 18);
  EXPECT_TRUE(client.connection().Connected);
  EXPECT_FALSE(client.view().ButtonLocked[2]);
}

TEST_F(LeavingTest, ConfirmingTheExitWithoutALobbyEndsTheClient) {
  client.leaving().OpenExitWindow();
  Form& exit = client.view().scene().form(client.leaving().exitForm());
  EXPECT_TRUE(exit.visible());
  EXPECT_FALSE(exit.Visible(exit.Find("Label2"))) << "no deal: no warning";
  vp.lobby.windows.clear();
  ElementEvent click;
  click.form = client.leaving().exitForm();
  click.element = exit.Find("imgOK");
  EXPECT_THROW(client.input().OnClick(click), ClientEnded);
}

TEST_F(LeavingTest, TheExitWindowHasItsPictureExceptWhileTheSeatsAreShuffled) {
  client.leaving().OpenExitWindow();
  Form& exit = client.view().scene().form(client.leaving().exitForm());
  const ElementId picture = exit.Find("Picture");
  EXPECT_TRUE(exit.Visible(picture));
  EXPECT_EQ(exit.GetPicture(picture), kPicExitPanel);
  EXPECT_EQ(exit.HitTest(exit.GetLeft(exit.Find("imgOK")) + 5, exit.GetTop(exit.Find("imgOK")) + 5),
            exit.Find("imgOK"));
  client.leaving().CancelExit();
  client.loop().ShuffleShown = true;
  client.leaving().OpenExitWindow();
  EXPECT_FALSE(exit.Visible(picture));
}

TEST_F(LeavingTest, TheExitWarningShowsOnlyDuringADeal) {
  client.loop().InDeal = true;
  client.leaving().OpenExitWindow();
  Form& exit = client.view().scene().form(client.leaving().exitForm());
  EXPECT_TRUE(exit.Visible(exit.Find("Label2")));
  ElementEvent click;
  click.form = client.leaving().exitForm();
  click.element = exit.Find("imgCancel");
  client.input().OnClick(click);
  EXPECT_FALSE(exit.visible());
  EXPECT_TRUE(vp.socket.IsConnected());
}

}  // namespace
}  // namespace korvel
