// The component's life at the table: starting with the first user information, the actions it
// hands out each tick, the table's events it is told about, its share of a deal's end, and
// shutting it down.
#include <gtest/gtest.h>

#include "props/props_fixture.h"
#include "settlement/settlement_records.h"

namespace korvel {
namespace {

using testing::LocalPlayerInfo;
using testing::PropsFixture;
using testing::ServerRecord;
using testing::SetLongs;
using testing::TextAction;

using PropStart = PropsFixture;

TEST_F(PropStart, TheFirstUserInformationStartsTheComponentWithTheLaunchValues) {
  EXPECT_EQ(props().PropsActive, 0);
  main().Hide(el().Bank);
  StartComponent();
  EXPECT_EQ(component.Count("Initdll(a,DLL,threegame,1,7);"), 1);
  EXPECT_EQ(component.Count("GetBaoInfo;"), 1);
  EXPECT_EQ(props().PropsActive, 1) << "no boxes offered";
  EXPECT_TRUE(props().PropsReady);
  EXPECT_TRUE(client.loop().PropsPolling);
  EXPECT_TRUE(main().Visible(el().Bank));
  // Only once: later user information is handed on, not started again.
  Feed({LocalPlayerInfo()});
  EXPECT_EQ(component.Count("Initdll("), 1);
  EXPECT_NE(component.Calls().find("SetUserinfo(我,a,1,0,0,1,"), std::string::npos);
}

TEST_F(PropStart, TheComponentGetsTheTableWindowsHandle) {
  vp.screen.windowHandle = 0x2A00007;
  StartComponent();
  EXPECT_EQ(component.Count("InitdllWindow(44040199);"), 1);
}

// The local player's own stake update hands the player on exactly as a seat's information
// does: a refusal switches the props off, and the component hears of the seat either way.
TEST_F(PropStart, AStakeUpdateTheComponentRefusesSwitchesThePropsOff) {
  StartComponent();
  ASSERT_TRUE(props().Active());
  component.RefuseUsers(true);
  component.ClearCalls();
  RecordBytes stake = ServerRecord(20, 1);
  stake[234] = 50;
  Feed({stake});
  EXPECT_NE(component.Calls().find("SetUserinfo(我,a,1,0,"), std::string::npos)
      << component.Calls();
  EXPECT_EQ(props().PropsActive, -1);
  EXPECT_FALSE(props().Active());
}

TEST_F(PropStart, AComponentThatDeclinesIsDroppedAndAskedAgainNextTime) {
  component.SetInitResult(0);
  StartComponent();
  EXPECT_EQ(props().PropsActive, 0);
  EXPECT_FALSE(props().PropsReady);
  EXPECT_FALSE(props().Exists());
  EXPECT_EQ(component.Count("GetBaoInfo"), 0);
  component.SetInitResult(1);
  Feed({LocalPlayerInfo()});
  EXPECT_EQ(props().PropsActive, 1);
}

TEST_F(PropStart, ATableWithoutPropsSwitchesThemOffForGood) {
  Feed({LocalPlayerInfo(true)});
  EXPECT_EQ(props().PropsActive, -1);
  EXPECT_FALSE(props().Active());
  EXPECT_EQ(component.Count("Initdll"), 0);
  Feed({LocalPlayerInfo()});
  EXPECT_EQ(component.Count("Initdll"), 0) << "switched off for as long as the client runs";
}

TEST_F(PropStart, BoxBuffersThatCannotMakeAScenePlayWithoutBoxes) {
  PropDllBoxInfo info{};
  SetLongs(info.boxes30, std::vector<int32_t>(29, 10));  // one position short
  SetLongs(info.pair1, {500, 300});
  SetLongs(info.eight, std::vector<int32_t>(8, 0));
  SetLongs(info.pair2, {500, 200});
  info.shorts2.count = 2;
  SetLongs(info.pair3, {60, 60});
  SetLongs(info.pair4, {40, 40});
  component.SetBoxes(info, true);
  StartComponent();
  EXPECT_EQ(props().PropsActive, 1);
}

class NoComponent : public testing::ClientFixture {};

TEST_F(NoComponent, WithPropsAllowedButNoFileTheTablePlaysAndUnknownCommandsAreDropped) {
  vp.files.appDir = "/nonexistent";
  ASSERT_TRUE(Start(testing::PropsFields()));
  ASSERT_EQ(Run(200), -1);
  Deliver(ServerRecord(kCmdLogin, 0, {5, 0x08, 0, 1}));
  Deliver(LocalPlayerInfo());
  Deliver(ServerRecord(44));
  Deliver(ServerRecord(100));
  Deliver(ServerRecord(46));
  ASSERT_EQ(Run(1000), -1);
  EXPECT_EQ(client.props().PropsActive, 0);
  EXPECT_FALSE(client.props().Exists());
  EXPECT_FALSE(client.props().PropScorePending);
  EXPECT_EQ(client.dispatcher().Dispatched, 5);
}

class PropPump : public PropsFixture {
 protected:
  void SetUp() override {
    PropsFixture::SetUp();
    StartComponent();
    component.ClearCalls();
  }
};

TEST_F(PropPump, EveryTickTakesWhatIsWaitingUpToALimit) {
  ASSERT_EQ(Run(200), -1);
  EXPECT_EQ(component.Count("GetSendBuff"), 0) << "nothing waits";
  for (int i = 0; i < 3; ++i) component.Queue(TextAction(0, "第" + std::to_string(i) + "条"));
  ASSERT_EQ(Run(50), -1);
  EXPECT_EQ(component.Count("GetSendBuff"), 3);
  EXPECT_EQ(component.Queued(), 0);
  // A component that claims a huge queue does not hold the tick for ever.
  component.ClearCalls();
  component.SetCheckCount(1000000);
  ASSERT_EQ(Run(50), -1);
  EXPECT_EQ(component.Count("GetSendBuff"), kMostActionsPerTick);
}

TEST_F(PropPump, AMessageGoesToTheChatHistoryInLinesOfFortyFourColumns) {
  const std::string text = std::string(40, 'x') + "道具道具道具";
  component.Queue(TextAction(0, text));
  component.Queue(TextAction(0, ""));
  ASSERT_EQ(Run(50), -1);
  const auto& history = client.chat().History();
  ASSERT_EQ(history.size(), 2u);
  EXPECT_EQ(history[0], std::string(40, 'x') + "道具");
  EXPECT_EQ(history[1], "道具道具");
}

TEST_F(PropPump, ARecordOfExactly272BytesIsQueuedForTheServerUnchanged) {
  PropDllAction good{};
  good.kind = 2;
  good.bytes.count = 272;
  for (int i = 0; i < 272; ++i) good.bytes.v[i] = static_cast<uint8_t>(i);
  PropDllAction shortRecord = good;
  shortRecord.bytes.count = 271;
  PropDllAction shifted = good;
  shifted.bytes.lower = 1;
  component.Queue(shortRecord);
  component.Queue(shifted);
  component.Queue(good);
  ASSERT_EQ(Run(300), -1);
  ASSERT_EQ(vp.socket.sent.size(), 1u);
  const auto& sent = vp.socket.sent[0];
  ASSERT_EQ(sent.size(), 272u);
  EXPECT_EQ(sent[3], 3);
  EXPECT_EQ(sent[100], 100);
  EXPECT_EQ(sent[271], static_cast<uint8_t>(271));
}

TEST_F(PropPump, AnAnimationPlacesTheCaptionAndTakesItAwayAfterItsFrames) {
  PropDllAction a = TextAction(1, "送你一朵花");
  SetLongs(a.longs1, {200, 40, 300, 250});
  SetLongs(a.longs2, {100, 3, 14, 0x0000FF, 2});
  component.Queue(a);
  ASSERT_EQ(Run(50), -1);
  const Element* caption = main().Get(el().LbProp);
  EXPECT_TRUE(caption->visible);
  EXPECT_EQ(caption->caption, "送你一朵花");
  EXPECT_EQ(caption->geometry.left, 300);
  EXPECT_EQ(caption->geometry.top, 250);
  EXPECT_EQ(caption->geometry.width, 200);
  EXPECT_EQ(caption->geometry.height, 40);
  EXPECT_EQ(caption->fontSize, 14);
  EXPECT_EQ(caption->color, 0xFF0000u) << "the component's colours are blue-green-red";
  EXPECT_EQ(caption->align, TextAlign::Center);
  EXPECT_EQ(vp.timers.Interval(kTimerPropName), 100);
  ASSERT_EQ(Run(250), -1);
  EXPECT_TRUE(main().Visible(el().LbProp)) << "two frames of three";
  ASSERT_EQ(Run(100), -1);
  EXPECT_FALSE(main().Visible(el().LbProp));
  EXPECT_EQ(main().Get(el().LbProp)->caption, "");
  EXPECT_FALSE(vp.timers.Running(kTimerPropName));
}

TEST_F(PropPump, AnAnimationWithoutFramesStaysAndOneWithBadBoundsIsIgnored) {
  PropDllAction still = TextAction(1, "常驻");
  SetLongs(still.longs1, {100, 20, 10, 10});
  SetLongs(still.longs2, {0, 5});
  PropDllAction wrong = TextAction(1, "错");
  SetLongs(wrong.longs1, {100, 20, 10, 10}, 1);
  component.Queue(still);
  component.Queue(wrong);
  ASSERT_EQ(Run(2000), -1);
  EXPECT_TRUE(main().Visible(el().LbProp));
  EXPECT_EQ(main().Get(el().LbProp)->caption, "常驻");
}

TEST_F(PropPump, ClicksKeysAndHoversAreActedOutOnTheTable) {
  component.Queue(TextAction(3, "1"));
  ASSERT_EQ(Run(50), -1);
  EXPECT_EQ(client.chat().WhisperTarget, client.table().players[1].seatMask)
      << "a click on the left portrait addresses a private message";
  component.Queue(TextAction(4, "27"));
  ASSERT_EQ(Run(50), -1);
  EXPECT_TRUE(client.view().scene().form(client.leaving().exitForm()).visible());
  EXPECT_EQ(component.Count("setbankstate(2);"), 1);
  // Numbers outside their ranges do nothing.
  for (const char* n : {"0", "3", "9", "x"}) component.Queue(TextAction(3, n));
  component.Queue(TextAction(4, "0"));
  component.Queue(TextAction(4, "70000"));
  component.Queue(TextAction(5, "-1"));
  component.Queue(TextAction(5, "7"));
  ASSERT_EQ(Run(50), -1);
}

TEST_F(PropPump, AShutDownStopsTheQueueAndClearsTheDisplay) {
  PropDllAction a = TextAction(1, "动画");
  SetLongs(a.longs1, {100, 20, 10, 10});
  SetLongs(a.longs2, {50, 100});
  component.Queue(a);
  ASSERT_EQ(Run(50), -1);
  props().Shutdown(3);
  EXPECT_EQ(component.Count("InitExit(3);"), 1);
  EXPECT_EQ(props().PropsActive, 0);
  EXPECT_FALSE(props().PropsReady);
  EXPECT_FALSE(vp.timers.Running(kTimerPropName));
  EXPECT_FALSE(main().Visible(el().LbProp));
  EXPECT_FALSE(main().Enabled(PropImage(0)));
  component.Queue(TextAction(0, "晚了"));
  ASSERT_EQ(Run(200), -1);
  EXPECT_EQ(component.Count("GetSendBuff"), 1);
  props().Shutdown(0);
  EXPECT_EQ(component.Count("InitExit"), 1) << "only an active component is shut down";
}

TEST_F(PropPump, TheTableTellsTheComponentAboutItsButtonsKeysAndWindow) {
  InputRouter& input = client.input();
  ElementEvent bank;
  bank.form = client.view().mainForm();
  bank.element = el().Bank;
  bank.button = kLeftButton;
  input.OnClick(bank);
  EXPECT_EQ(component.Count("setbankstate(0);"), 1);
  ElementEvent table = bank;
  table.element = el().pic1;
  table.button = 0;
  input.OnMouseMove(table);
  EXPECT_EQ(component.Count("ShowTkVideo(0,0,0);"), 1);
  input.OnKeyDown(client.view().mainForm(), el().pic1, kKeyF1 + 2, 0);
  input.OnKeyDown(client.view().mainForm(), el().pic1, kKeyF1 + 6, 0);
  EXPECT_EQ(component.Count("SetKeyDown("), 1);
  EXPECT_EQ(component.Count("SetKeyDown(114);"), 1);
  input.OnFormResize(client.view().mainForm(), true);
  EXPECT_EQ(component.Count("FixBuffPos"), 0);
  input.OnFormResize(client.view().mainForm(), false);
  EXPECT_EQ(component.Count("FixBuffPos"), 1);
}

TEST_F(PropPump, WithTheChatBoxFocusedOnlyF1ReachesTheComponent) {
  InputRouter& input = client.input();
  const FormId main = client.view().mainForm();
  input.OnFocusChanged(main, el().Chat, true);
  input.OnKeyDown(main, el().Chat, kKeyF1 + 1, 0);
  input.OnKeyDown(main, el().Chat, kKeyF1 + 5, 0);
  EXPECT_EQ(component.Count("SetKeyDown("), 0) << "F2..F6 belong to the chat box then";
  input.OnKeyDown(main, el().Chat, kKeyF1, 0);
  EXPECT_EQ(component.Count("SetKeyDown(112);"), 1);
  input.OnFocusChanged(main, el().Chat, false);
  input.OnKeyDown(main, el().pic1, kKeyF1 + 5, 0);
  EXPECT_EQ(component.Count("SetKeyDown(117);"), 1);
}

TEST_F(PropPump, ProtoPropRecordsAndUnknownCommandsGoToTheComponent) {
  Feed({ServerRecord(44), ServerRecord(46), ServerRecord(99)});
  EXPECT_EQ(component.Count("Rec_MSG(44);"), 1);
  EXPECT_EQ(component.Count("Rec_MSG(46);"), 1);
  EXPECT_EQ(component.Count("Rec_MSG(99);"), 1);
  EXPECT_TRUE(props().PropScorePending);
}

// ---- the end of a deal ----------------------------------------------------------------------

class PropDealEnd : public PropPump {
 protected:
  // The deal-end notice hands the board to the component.
  void EndDeal() { Feed({testing::NoticeRecord(7, 0, 1, 0)}); }
  bool BoardShown() {
    return client.view().scene().form(client.settlement().board().form).visible();
  }
};

TEST_F(PropDealEnd, TheBoardWaitsForTheComponentsScoreInformation) {
  PropDllScore score{};
  testing::SetText(score.extraLines[1], "幸运星00000255");
  score.extraAmount[1] = 30;
  component.SetScore(score, 0);
  EndDeal();
  EXPECT_EQ(component.Count("InitShowEnd;"), 1);
  EXPECT_FALSE(BoardShown());
  ASSERT_EQ(Run(500), -1);
  EXPECT_EQ(component.Count("GetScoreInfo"), 0) << "not before the server's prop score";
  Feed({ServerRecord(46)});
  EXPECT_GE(component.Count("GetScoreInfo"), 1);
  EXPECT_FALSE(BoardShown()) << "the information is not complete yet";
  component.SetScore(score, 1);
  ASSERT_EQ(Run(100), -1);
  EXPECT_TRUE(BoardShown());
  EXPECT_FALSE(props().PropScorePending);
  EXPECT_FALSE(client.settlement().PropSettlePending);
  EXPECT_EQ(component.Count("InitShowNext(0);"), 1);
  EXPECT_EQ(client.settlement().PropSettleState, 2);
  EXPECT_DOUBLE_EQ(client.table().seatInfo[1].coins, 1030);
}

TEST_F(PropDealEnd, AComponentSwitchedOffWhileHoldingTheBoardLetsTheClientShowIt) {
  EndDeal();
  EXPECT_FALSE(BoardShown());
  Feed({LocalPlayerInfo(true)});
  EXPECT_TRUE(BoardShown());
  EXPECT_FALSE(client.settlement().PropSettlePending);
  EXPECT_EQ(component.Count("InitExit(0);"), 1);
}

TEST_F(PropDealEnd, ADrawnDealShowsTheDrawnBoardWithTheComponentsLines) {
  client.table().progress.DealCount = 4;
  client.settlement().RunningTotal = {100, -50, 0};
  // Three deal results without payments, then the deal-end notice.
  Feed({testing::Result(1, 0), testing::Result(4, 0), testing::Result(2, 0)});
  EXPECT_TRUE(client.settlement().DrawnDeal);
  EXPECT_EQ(component.Count("InitShowEnd;"), 1);
  EndDeal();
  PropDllScore score{};
  testing::SetText(score.extraLines[0], "宝箱奖励00000255|再来一次");
  score.extraAmount[0] = 20;
  component.SetScore(score, 1);
  Feed({ServerRecord(46)});
  ASSERT_TRUE(BoardShown());
  const Settlement& s = client.settlement();
  const std::vector<std::string> local{"      黄  庄", "", "宝箱奖励00000255", "再来一次", ""};
  EXPECT_EQ(s.boardLines[0], local);
  EXPECT_EQ(s.boardLines[1], std::vector<std::string>{"      黄  庄"});
  EXPECT_EQ(s.boardLines[kFinalScoreList], std::vector<std::string>{"最终分：20金币"});
  EXPECT_EQ(s.boardLines[kFinalScoreList + 1], std::vector<std::string>{"最终分：0金币"});
  EXPECT_DOUBLE_EQ(s.RunningTotal[0], 120);
  EXPECT_DOUBLE_EQ(client.table().seatInfo[0].coins, 1020);
  EXPECT_EQ(main().Get(el().Cash[0])->caption, "1020金币");
  Form& h = client.view().scene().form(client.settlement().history().form);
  EXPECT_EQ(h.Get(client.settlement().history().Num)->lines.back(), "           4");
  EXPECT_EQ(h.Get(client.settlement().history().Grade[0])->lines.back(), "       20金币");
  EXPECT_EQ(h.Get(client.settlement().history().sumScore[1])->caption, "-50金币");
  EXPECT_EQ(client.messages().Lines(0).back(), "请点击【继续】按钮继续游戏！");
  EXPECT_EQ(client.loop().TurnClock, 15);
  EXPECT_TRUE(client.loop().LoopFlag[kStepDealEndCountdown]);
  EXPECT_EQ(client.settlement().PropSettleState, 2);
  EXPECT_FALSE(client.loop().InDeal);
  // The table reset of the next deal forgets the drawn deal.
  client.view().ResetTable();
  EXPECT_FALSE(client.settlement().DrawnDeal);
}

}  // namespace
}  // namespace korvel
