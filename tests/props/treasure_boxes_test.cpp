// The treasure boxes at the end of a deal, as the Scene shows them: the closed boxes, the
// countdown, the glide to the centre, the amounts counting up, the prizes and the board after.
#include <gtest/gtest.h>

#include <deque>

#include "props/props_fixture.h"
#include "settlement/settlement_records.h"

namespace korvel {
namespace {

using testing::PropsFixture;
using testing::ServerRecord;
using testing::SetLongs;
using testing::SetText;

constexpr int kCentreX = 500, kCentreY = 300;
constexpr int kBoxW = 60, kBoxH = 50;
constexpr int kPrizeW = 40, kPrizeH = 30;

class TreasureBoxes : public PropsFixture {
 protected:
  void SetUp() override {
    PropsFixture::SetUp();
    closed.assign(kBoxW * kBoxH, 0xFF8B4513u);
    prize.assign(kPrizeW * kPrizeH, 0xFFFFD700u);
    PropDllBoxInfo info{};
    std::vector<int32_t> positions(30);
    for (int k = 0; k < 15; ++k) {
      positions[k] = 100 + 70 * (k % 5);       // left
      positions[k + 15] = 400 + 60 * (k / 5);  // top
    }
    SetLongs(info.boxes30, positions);
    SetLongs(info.pair1, {kCentreX, kCentreY});
    SetLongs(info.eight, {400, 100, 900, 0, 650, 300, 300, 0});
    SetLongs(info.pair2, {512, 200});
    info.shorts2.count = 2;
    info.shorts2.v[0] = 40;
    info.shorts2.v[1] = frames;
    info.picture1 = {kBoxW, kBoxH, closed.data()};
    SetLongs(info.pair3, {kBoxW, kBoxH});
    info.picture2 = {kPrizeW, kPrizeH, prize.data()};
    SetLongs(info.pair4, {kPrizeW, kPrizeH});
    component.SetBoxes(info, true);
    StartComponent();
    ASSERT_EQ(props().PropsActive, 2);
    display().SetRandomSource([this] {
      const double r = randoms.empty() ? 0.0 : randoms.front();
      if (!randoms.empty()) randoms.pop_front();
      return r;
    });
    component.ClearCalls();
  }

  // The deal ends, the server's prop score follows and the component has `score` ready.
  void EndDealWith(const PropDllScore& score) {
    component.SetScore(score, 1);
    Feed({testing::NoticeRecord(7, 0, 1, 0)});
    Deliver(ServerRecord(46));
    ASSERT_EQ(Run(100), -1);
  }
  static void Owner(PropDllScore& s, int entry, const std::string& name, const std::string& lines,
                    double amount) {
    SetText(s.boxOwnerNames[entry], name);
    SetText(s.boxOwnerLines[entry], lines);
    s.extraAmount[entry] = amount;
  }
  bool BoardShown() {
    return client.view().scene().form(client.settlement().board().form).visible();
  }
  std::string Caption() { return main().Get(el().LbProp)->caption; }
  const Rect& Place(int k) { return main().Get(PropImage(k))->geometry; }
  void Click(int k) {
    ElementEvent e;
    e.form = client.view().mainForm();
    e.element = PropImage(k);
    e.button = kLeftButton;
    client.input().OnClick(e);
  }

  int16_t frames = 4;
  std::vector<uint32_t> closed, prize;
  std::deque<double> randoms;
};

TEST_F(TreasureBoxes, WithoutAnyOwnerTheBoardFollowsAtOnce) {
  PropDllScore score{};
  score.extraAmount[1] = 50;  // an amount alone takes no part in the box scene
  EndDealWith(score);
  EXPECT_TRUE(BoardShown());
  EXPECT_EQ(component.Count("InitShowNext(0);"), 1);
  EXPECT_FALSE(display().BoxCountdownOn);
  EXPECT_EQ(PropImage(1), kNoElement);
}

TEST_F(TreasureBoxes, TheLocalPlayerPicksOneOfFiveBoxesAndTheScenePlaysOut) {
  PropDllScore score{};
  Owner(score, 0, "我", "获得鲜花×2", 1500);
  Owner(score, 1, "Bob", "", 0);  // the others get no boxes while the local player has one
  EndDealWith(score);
  EXPECT_FALSE(BoardShown());
  for (int k = 0; k < 5; ++k) {
    SCOPED_TRACE(k);
    EXPECT_TRUE(main().Visible(PropImage(k)));
    EXPECT_TRUE(main().Enabled(PropImage(k)));
    EXPECT_EQ(main().GetPicture(PropImage(k)), kClosedBoxPicture);
    EXPECT_EQ(Place(k).left, 100 + 70 * k);
    EXPECT_EQ(Place(k).top, 400);
    EXPECT_EQ(Place(k).width, kBoxW);
  }
  EXPECT_EQ(PropImage(5), kNoElement);
  EXPECT_EQ(Caption(), "5\r\n请选择一个宝箱打开");
  const Element* caption = main().Get(el().LbProp);
  EXPECT_EQ(caption->color, 0xFF0000u);
  EXPECT_EQ(caption->geometry.width, 14 * 18);
  EXPECT_EQ(caption->geometry.left, 512 - 14 * 9);
  EXPECT_EQ(caption->geometry.height, 50);
  ASSERT_EQ(Run(1000), -1);
  EXPECT_EQ(Caption(), "4\r\n请选择一个宝箱打开");

  Click(2);
  EXPECT_EQ(display().BoxChoice[0], 2);
  EXPECT_FALSE(main().Visible(PropImage(0)));
  EXPECT_FALSE(main().Visible(PropImage(2))) << "hidden once it reached the centre";
  EXPECT_EQ(Place(2).left, kCentreX - kBoxW / 2.0);
  EXPECT_EQ(Place(2).top, kCentreY - kBoxH / 2.0);
  EXPECT_EQ(component.Count("ShowGif(1,1);"), 1);
  EXPECT_TRUE(display().BoxOpening);
  EXPECT_EQ(vp.timers.Interval(kTimerPropName), 40);
  EXPECT_EQ(Caption(), "");
  EXPECT_EQ(main().Get(el().LbProp)->color, 0xFFFF00u);

  Click(3);
  EXPECT_EQ(display().BoxChoice[0], 2) << "a second click does nothing";
  ASSERT_EQ(Run(40), -1);
  EXPECT_EQ(Caption(), "我   0金币");
  ASSERT_EQ(Run(40), -1);
  EXPECT_EQ(Caption(), "我 375金币");
  ASSERT_EQ(Run(80), -1);  // the last frame is the result
  EXPECT_FALSE(display().BoxOpening);
  EXPECT_EQ(Caption(), "我1500金币\r\n获得鲜花×2");
  EXPECT_TRUE(main().Visible(PropImage(2)));
  EXPECT_EQ(main().GetPicture(PropImage(2)), kPrizePicture);
  EXPECT_EQ(Place(2).left, 400);
  EXPECT_EQ(Place(2).top, 650);
  EXPECT_EQ(Place(2).width, kPrizeW);
  EXPECT_EQ(component.Count("ShowGif(1,0);"), 1);
  EXPECT_TRUE(BoardShown());
  EXPECT_EQ(component.Count("InitShowNext(0);"), 1);
  EXPECT_FALSE(main().Visible(el().LbProp)) << "the result leaves after a second";
  EXPECT_EQ(client.chat().History().back(), "获得鲜花×2");
  // The prize left on the table is no box to open again.
  Click(2);
  EXPECT_FALSE(display().BoxOpening);
  EXPECT_EQ(component.Count("InitShowNext(0);"), 1);
}

TEST_F(TreasureBoxes, ALocalPlayerWhoDoesNotChooseGetsABoxWhenTimeRunsOut) {
  PropDllScore score{};
  Owner(score, 0, "我", "幸运", 0);
  randoms = {0.625};  // 2.5 rounds to the even 2
  EndDealWith(score);
  ASSERT_EQ(Run(4000), -1);
  EXPECT_TRUE(display().BoxCountdownOn);
  EXPECT_EQ(Caption(), "1\r\n请选择一个宝箱打开");
  ASSERT_EQ(Run(1000), -1);
  EXPECT_EQ(display().BoxChoice[0], 2);
  EXPECT_FALSE(display().BoxCountdownOn);
  ASSERT_EQ(Run(2000), -1);
  EXPECT_TRUE(BoardShown());
}

TEST_F(TreasureBoxes, OnlyTheOtherOwnersGetBoxesInBlocksOfFiveAndOpenAfterTwoSeconds) {
  PropDllScore score{};
  Owner(score, 2, "Cat", "", 5);
  Owner(score, 3, "Dan", "多一张牌|再来", 0);
  randoms = {0.875, 0.1};  // 3.5 rounds to 4; 0.4 to 0
  EndDealWith(score);
  EXPECT_EQ(display().BoxChoice, (std::array<int16_t, 4>{-1, -1, 4, 5}));
  for (int k = 0; k < 10; ++k) {
    SCOPED_TRACE(k);
    EXPECT_TRUE(main().Visible(PropImage(k)));
    EXPECT_FALSE(main().Enabled(PropImage(k))) << "the local player cannot open them";
  }
  EXPECT_EQ(Place(7).top, 460);
  EXPECT_EQ(PropImage(10), kNoElement);
  EXPECT_EQ(Caption(), "5\r\n请等待其他玩家打开宝箱");
  Click(4);
  EXPECT_FALSE(display().BoxClicked);
  ASSERT_EQ(Run(1000), -1);
  EXPECT_EQ(Caption(), "4\r\n请等待玩家打开宝箱");
  ASSERT_EQ(Run(1000), -1);
  EXPECT_TRUE(display().BoxCountdownOn);
  ASSERT_EQ(Run(1000), -1);
  EXPECT_FALSE(display().BoxCountdownOn);
  EXPECT_TRUE(display().BoxOpening);
  ASSERT_EQ(Run(1000), -1);
  EXPECT_EQ(Caption(), "Cat5金币\r\n多一张牌\r\n再来");
  // Each owner's prize glides to its own point.
  EXPECT_EQ(Place(4).left, 900);
  EXPECT_EQ(Place(4).top, 300);
  EXPECT_EQ(Place(5).left, 0);
  EXPECT_EQ(Place(5).top, 0);
  EXPECT_TRUE(BoardShown());
}

TEST_F(TreasureBoxes, TheCaptionIsSizedForTheWidestNameAndAmount) {
  PropDllScore score{};
  Owner(score, 0, "A", "", 5);
  Owner(score, 1, "BB", "", 1500);
  EndDealWith(score);
  Click(0);
  const Element* caption = main().Get(el().LbProp);
  EXPECT_EQ(caption->geometry.width, 140);
  EXPECT_EQ(caption->geometry.height, 120);
  EXPECT_EQ(caption->geometry.left, 512 - 70);
  EXPECT_EQ(display().AmountDigits, 4u);
  EXPECT_EQ(display().NameWidth, 2u);
  ASSERT_EQ(Run(1000), -1);
  const auto& history = client.chat().History();
  ASSERT_GE(history.size(), 2u);
  EXPECT_EQ(history[history.size() - 2], "A   5金币");
  EXPECT_EQ(history.back(), "BB1500金币");
}

class ThirtyFrames : public TreasureBoxes {
 protected:
  ThirtyFrames() { frames = 30; }
};

TEST_F(ThirtyFrames, TheAmountsCountUpInEqualStepsToTheExactResult) {
  PropDllScore score{};
  Owner(score, 0, "我", "", 1500);
  EndDealWith(score);
  Click(1);
  std::vector<std::string> shown;
  for (int f = 1; f < 30; ++f) {
    ASSERT_EQ(Run(40), -1);
    shown.push_back(Caption());
  }
  EXPECT_EQ(shown[0], "我   0金币");
  EXPECT_EQ(shown[1], "我  50金币");
  EXPECT_EQ(shown[2], "我 100金币");
  EXPECT_EQ(shown[28], "我1400金币");
  ASSERT_EQ(Run(40), -1);
  EXPECT_EQ(Caption(), "我1500金币");
}

TEST_F(TreasureBoxes, LeavingTheTableEndsTheSceneWithoutABoard) {
  PropDllScore score{};
  Owner(score, 0, "我", "x", 0);
  EndDealWith(score);
  ASSERT_TRUE(display().BoxCountdownOn);
  props().Shutdown(0);
  EXPECT_FALSE(display().BoxCountdownOn);
  for (int k = 0; k < 5; ++k) EXPECT_FALSE(main().Visible(PropImage(k)));
  ASSERT_EQ(Run(8000), -1);
  EXPECT_FALSE(BoardShown());
}

TEST_F(TreasureBoxes, TheNextDealTakesTheLastPrizesOffTheTable) {
  PropDllScore score{};
  Owner(score, 0, "我", "x", 0);
  EndDealWith(score);
  Click(1);
  ASSERT_EQ(Run(2000), -1);
  ASSERT_TRUE(main().Visible(PropImage(1)));
  props().DealStarting();
  EXPECT_EQ(component.Count("InitShowNext(1);"), 1);
  EXPECT_FALSE(main().Visible(PropImage(1)));
}

}  // namespace
}  // namespace korvel
