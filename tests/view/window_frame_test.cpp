// The window's own frame and the main buttons, driven as the front end drives them.
#include "app/window_frame.h"

#include <gtest/gtest.h>

#include "support/client_fixture.h"

namespace korvel {
namespace {

using testing::ClientFixture;

class WindowFrameTest : public ClientFixture {
 protected:
  void SetUp() override {
    LogIn();
    client.table().players[0].seatMask = 2;
  }
  ElementEvent On(ElementId e, int button = kLeftButton) {
    ElementEvent ev;
    ev.form = client.view().mainForm();
    ev.element = e;
    ev.button = button;
    return ev;
  }
  const MainElements& el() { return client.view().el; }
  PictureId Picture(ElementId e) { return client.view().main().GetPicture(e); }
};

TEST_F(WindowFrameTest, TheWindowHasItsOwnFrameAndTitle) {
  Form& f = client.view().main();
  EXPECT_TRUE(f.frameless);
  EXPECT_TRUE(f.Visible(el().ImgClose[0]));
  EXPECT_TRUE(f.Visible(el().LbMove));
  EXPECT_EQ(f.Get(el().lcaption)->caption, "Korvel麻将");
  EXPECT_TRUE(f.Visible(el().lcaption)) << "the title shows in the title bar";
  EXPECT_EQ(f.Get(el().lcaption)->color, 0xFFFFFFu);
  const Rect& title = f.Get(el().lcaption)->geometry;
  EXPECT_EQ(f.HitTest(title.left + 5, title.top + 5), el().LbMove) << "the title drags too";
  client.input().OnMouseDown(On(el().LbMove));
  EXPECT_TRUE(f.moveRequested) << "pressing the title drags the window";
}

TEST_F(WindowFrameTest, StartShowsStartBeforeTheFirstDealAndContinueLockedAfterAClick) {
  const SpriteLists& sprites = client.view().sprites();
  client.view().ButtonLocked[2] = false;
  client.frame().ShowStartButton();
  EXPECT_EQ(Picture(el().AnNiu[2]), sprites.ButtonSprites[4]);
  client.input().OnClick(On(el().AnNiu[2]));
  client.input().OnClick(On(el().AnNiu[2]));
  ASSERT_EQ(Run(200), -1);
  EXPECT_EQ(SentCommands(), std::vector<int>{16}) << "the second click finds it locked";
  EXPECT_EQ(vp.socket.sent[0][15], 1);
  EXPECT_EQ(Picture(el().AnNiu[2]), sprites.ButtonSprites[6]);
  EXPECT_TRUE(client.view().main().Visible(el().OK[0]));
  EXPECT_TRUE(client.loop().TableCleared);
}

TEST_F(WindowFrameTest, HoverShowsTheSecondPictureUntilThePointerIsBackOnTheTable) {
  const SpriteLists& sprites = client.view().sprites();
  client.input().OnMouseMove(On(el().AnNiu[5], 0));
  // Buttons from settings on skip the continue pair: the record button is pair 6.
  EXPECT_EQ(Picture(el().AnNiu[5]), sprites.ButtonSprites[13]);
  client.input().OnMouseMove(On(el().pic1, 0));
  EXPECT_EQ(Picture(el().AnNiu[5]), sprites.ButtonSprites[12]);
}

TEST_F(WindowFrameTest, HidingAndRestoringResetsTheTurnTime) {
  client.settings().TurnTime = 3;
  client.table().progress.TimeoutRun = 2;
  client.input().OnClick(On(el().ImgMin[0]));
  EXPECT_TRUE(client.table().progress.HiddenByKey);
  EXPECT_TRUE(client.view().main().minimised());
  EXPECT_EQ(vp.lobby.deliveries.back().message.param1, kScMinimize);
  client.input().OnFormResize(client.view().mainForm(), false);
  EXPECT_FALSE(client.table().progress.HiddenByKey);
  EXPECT_EQ(client.settings().TurnTime, 8);
  EXPECT_EQ(client.table().progress.TimeoutRun, 0);
}

TEST_F(WindowFrameTest, TheCloseButtonAsksBeforeLeaving) {
  client.input().OnClick(On(el().ImgClose[0]));
  const FormId exit = client.leaving().exitForm();
  ASSERT_NE(exit, kNoForm);
  EXPECT_TRUE(client.view().scene().form(exit).visible());
  client.input().OnKeyDown(client.view().mainForm(), el().pic1, kKeyEscape, 0);
  EXPECT_FALSE(client.view().scene().form(exit).visible()) << "Esc toggles it away again";
}

TEST_F(WindowFrameTest, EscOnlyOpensAndClosesTheExitWindow) {
  const FormId main = client.view().mainForm();
  client.settings().StartHint = true;
  client.table().progress.GameEnded = true;  // where a main button leads back to the lobby
  const size_t lobbyMessages = vp.lobby.deliveries.size();
  client.input().OnKeyDown(main, kNoElement, kKeyEscape, 0);
  const FormId exit = client.leaving().exitForm();
  ASSERT_NE(exit, kNoForm);
  EXPECT_TRUE(client.view().scene().form(exit).visible());
  EXPECT_FALSE(client.view().main().minimised()) << "Esc did not go back to the lobby";
  EXPECT_EQ(vp.lobby.deliveries.size(), lobbyMessages);
  EXPECT_TRUE(client.settings().StartHint) << "Esc is no main button";
  client.input().OnKeyDown(main, kNoElement, kKeyEscape, 0);
  EXPECT_FALSE(client.view().scene().form(exit).visible());
  // Typed in the chat box, Esc is the box's.
  client.input().OnKeyDown(main, el().Chat, kKeyEscape, 0);
  EXPECT_FALSE(client.view().scene().form(exit).visible());
  EXPECT_TRUE(client.settings().StartHint);
}

TEST_F(WindowFrameTest, AltThenCOpensTheChatHistory) {
  const FormId main = client.view().mainForm();
  client.input().OnKeyDown(main, el().pic1, kKeyAlt, kAltKey);
  client.input().OnKeyDown(main, el().pic1, 67, kAltKey);
  ASSERT_NE(client.chat().historyForm(), kNoForm);
  EXPECT_TRUE(client.view().scene().form(client.chat().historyForm()).visible());
}

TEST_F(WindowFrameTest, ALongLocationIsTwoPointsSmaller) {
  auto fields = testing::DirectFields();
  double sizes[2];
  for (int i = 0; i < 2; ++i) {
    VirtualPlatform fresh;
    fresh.lobby.windows.insert("Tesk山庄");
    Client c(fresh.platform());
    fields[4] = i == 0 ? "一二三四五六七八九十" : "一二三四五六七八九十一";
    c.Startup(testing::LaunchLine(fields));
    sizes[i] = c.view().main().Get(c.view().el.Location)->fontSize;
    EXPECT_EQ(c.view().main().Get(c.view().el.Location)->caption, fields[4]);
  }
  EXPECT_EQ(sizes[0] - sizes[1], 2);
}

}  // namespace
}  // namespace korvel
