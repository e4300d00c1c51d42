// The deal end through the client: results and notices in, the score board, seat labels,
// statistics, history and countdown out, and the continue record when the countdown ends.
#include <gtest/gtest.h>

#include <algorithm>

#include "platform/notices.h"
#include "settlement/settlement.h"
#include "settlement/settlement_fixture.h"
#include "view/message_lines.h"

namespace korvel {
namespace {

using namespace testing;

class ScoreBoardTest : public SettlementFixture {};

TEST_F(ScoreBoardTest, ADiscardWinDealEndsWithAnAlignedBoardAndTheContinuePrompt) {
  DiscardWinDeal();
  const Lines header1 = {"初始：800金币", "房间底金: 5金币", " -------------------  ", " ", " "};
  Lines winner = header1;
  for (const std::string& line :
       Lines{"胡    牌  ", "平  胡:10金币", "", "  ", "  ", kDash24, "", "", "", "", "", "", kRule,
             "总分:10金币", "", "台费5%", "", "最终分：10金币"}) {
    winner.push_back(line);
  }
  EXPECT_EQ(State(1), winner);
  EXPECT_EQ(State(0), (Lines{"初始：1000金币",
                             "房间底金: 5金币",
                             " -------------------  ",
                             "         庄家   ",
                             " ",
                             " ",
                             " ",
                             " ",
                             "  ",
                             " ",
                             kDash22,
                             "",
                             "",
                             "",
                             "",
                             "",
                             "",
                             kRule,
                             "总分:0金币",
                             "",
                             " ",
                             "",
                             "最终分：0金币"}));
  EXPECT_EQ(State(2), (Lines{"初始：1200金币",
                             "房间底金: 5金币",
                             " -------------------  ",
                             " ",
                             " ",
                             "   放炮  ",
                             "平  胡:-10金币",
                             " ",
                             " ",
                             " ",
                             kDash22,
                             "",
                             "",
                             "",
                             "",
                             "",
                             "",
                             kRule,
                             "总分:-10金币",
                             "",
                             " ",
                             "",
                             "最终分：-10金币"}));
  for (int v = 0; v < 3; ++v) {
    EXPECT_EQ(State(v)[17], kRule) << "the rule on one line in every column";
  }
  EXPECT_EQ(State(4), Lines{"最终分：0金币"});
  EXPECT_EQ(State(5), Lines{"最终分：10金币"});
  EXPECT_EQ(State(6), Lines{"最终分：-10金币"});

  const ScoreBoardElements& b = client.settlement().board();
  EXPECT_TRUE(board().visible());
  EXPECT_EQ(board().windowOpacity, 200);
  EXPECT_EQ(board().Get(b.ID[1])->caption, "Bob");
  EXPECT_EQ(board().Get(b.ID[1])->color, 0xFF0000u) << "the winner's name in red";
  EXPECT_EQ(board().Get(b.Tou[1])->picture, client.view().sprites().AvatarSprites[12]);

  EXPECT_EQ(main().Get(el().Cash[1])->caption, "810金币");
  EXPECT_EQ(main().Get(el().Cash[2])->caption, "1190金币");
  EXPECT_EQ(main().Get(el().Level[1])->caption, "雀神");
  const auto& info = client.table().seatInfo;
  EXPECT_EQ(info[0].losses, 1) << "no amount and no score counts as a loss";
  EXPECT_EQ(info[1].wins, 1);
  EXPECT_EQ(info[2].losses, 1);
  EXPECT_EQ(info[1].points, 60);

  EXPECT_EQ(client.messages().Lines(0), Lines{"请点击【继续】按钮继续游戏！"});
  EXPECT_EQ(client.messages().Lines(1), Lines{"游戏将在15秒内开始"});
  EXPECT_EQ(client.loop().TurnClock, 15);
  EXPECT_EQ(main().Get(el().Number)->caption, "15");
  EXPECT_EQ(main().Get(el().Number)->color, kClockGreen);
  EXPECT_TRUE(main().Visible(el().Time_Img));
  EXPECT_TRUE(client.loop().BetweenDeals);
  EXPECT_FALSE(client.loop().InDeal);

  vp.socket.sent.clear();
  auto continues = [&] {
    std::vector<std::vector<uint8_t>> records;
    for (const auto& r : vp.socket.sent) {
      if (r[3] == 16) records.push_back(r);
    }
    return records;
  };
  ASSERT_EQ(Run(15000), -1);
  EXPECT_TRUE(continues().empty()) << "still counting";
  ASSERT_EQ(Run(1200), -1);
  ASSERT_EQ(continues().size(), 1u);
  EXPECT_EQ(continues()[0][15], 1) << "the continue record";
  EXPECT_EQ(continues()[0][6], 1);
  ASSERT_EQ(Run(3000), -1);
  EXPECT_EQ(continues().size(), 1u) << "exactly one";
}

TEST_F(ScoreBoardTest, APlayerWhoLeavesDuringTheCountdownLeavesWhenItEndsAndTheNextDealFollows) {
  client.table().players[2].name = "cat";
  DiscardWinDeal();
  ASSERT_TRUE(board().visible());
  RecordBytes left = ServerRecord(21, 2);
  const std::string account = "cat";
  std::copy(account.begin(), account.end(), left.begin() + 16);
  const uint64_t before = client.dispatcher().Dispatched;
  Feed({left, ServerRecord(100)});
  ASSERT_EQ(Run(5000), -1);
  EXPECT_EQ(client.dispatcher().Dispatched, before) << "held while the board counts down";
  EXPECT_EQ(client.table().players[2].name, "cat");
  EXPECT_TRUE(board().visible());
  ASSERT_EQ(Run(11000), -1);
  EXPECT_EQ(client.dispatcher().Dispatched - before, 2u) << "the player left, then what followed";
  EXPECT_EQ(client.table().players[2].name, "");
  EXPECT_EQ(client.table().seatInfo[2].nickname, "");
}

TEST_F(ScoreBoardTest, TheDealEndStartsTheKeepAliveThatTheSeatAnnouncementsStopped) {
  client.connection().StopKeepAlive();
  DiscardWinDeal();
  EXPECT_TRUE(vp.timers.Running("TimerKeepAlive"));
  vp.socket.sent.clear();
  ASSERT_EQ(Run(10050), -1);
  const std::vector<int> sent = SentCommands();
  EXPECT_EQ(std::count(sent.begin(), sent.end(), 24), 2);
}

TEST_F(ScoreBoardTest, DealScoresTakeTheirSignFromValueOne) {
  RecordBytes minus100 = Result(1, -100, 1);
  Feed({minus100});
  EXPECT_EQ(client.table().players[0].dealScore, -100);
  RecordBytes negated = Result(1, -100, 0);
  Feed({negated});
  EXPECT_EQ(client.table().players[0].dealScore, 100);
  RecordBytes far = Result(4, int64_t{1} << 40);
  Feed({far});
  EXPECT_EQ(client.table().players[1].dealScore, INT32_MAX) << "held inside 32 bits";
}

TEST_F(ScoreBoardTest, ADealWithoutPaymentsPromptsAtOnceAndOneWithPaymentsWaits) {
  Feed({Result(1, 0), Result(4, 0)});
  EXPECT_FALSE(client.loop().LoopFlag[kStepDealEndCountdown]);
  Feed({Result(2, 0)});
  EXPECT_TRUE(client.loop().LoopFlag[kStepDealEndCountdown]);
  EXPECT_EQ(client.messages().Lines(0), Lines{"请点击【继续】按钮继续游戏！"});
  EXPECT_EQ(board().Get(client.settlement().board().ID[2])->caption, "Cat");
  EXPECT_FALSE(board().visible()) << "the board waits for the deal-end notice";

  client.loop().LoopFlag[kStepDealEndCountdown] = false;
  Feed({Result(1, 5), Result(4, -5), Result(2, 0)});
  EXPECT_FALSE(client.loop().LoopFlag[kStepDealEndCountdown]);
}

TEST_F(ScoreBoardTest, QuickModeCountsDownFromThree) {
  client.settings().QuickMode = true;
  DiscardWinDeal();
  EXPECT_EQ(client.loop().TurnClock, 3);
  EXPECT_EQ(main().Get(el().Number)->color, kClockGreen);
}

TEST_F(ScoreBoardTest, TableDoublingMultipliesTheTotalUnlessTheLossWasCapped) {
  main().SetCaption(el().lblDifen, "4");
  main().Show(el().lblDifen);
  client.table().seating.SeatStakes = {3, 0, 0, 0};
  client.settlement().SetClaimWinners(4, 0);
  Report winner, payer, bystander;
  winner.pairs = {{2, 1}, {7, 0}, {14, 1}};
  winner.score = 2;
  winner.fan = {{0, 0, 0, 1}};
  winner.dealAmount = 2;
  winner.mask = 4;
  payer.pairs = {{2, 0}, {7, 1}, {14, 1}};
  payer.score = 2;
  payer.dealAmount = -2;
  payer.mask = 2;
  bystander.pairs = {{2, 0}, {14, 1}};
  bystander.mask = 1;
  Feed({WinReportRecord(winner), WinReportRecord(payer), WinReportRecord(bystander)});
  // The winner's amount matches its subtotal and is doubled; the payer's loss was capped.
  Feed({Result(1, 0), Result(4, 120, 1, 0, 10), Result(2, 100, 0, 1, 10, 0)});
  Feed({NoticeRecord(7, 0, 1, 0)});
  const Lines& left = State(1);
  const Lines& right = State(2);
  auto has = [](const Lines& lines, const std::string& line) {
    return std::find(lines.begin(), lines.end(), line) != lines.end();
  };
  EXPECT_TRUE(has(left, "小计:10金币"));
  EXPECT_TRUE(has(left, "骰子加倍 ×4"));
  EXPECT_TRUE(has(left, "财富加倍 ×3"));
  EXPECT_TRUE(has(left, "总分:120金币")) << "10 x 4 x 3";
  EXPECT_TRUE(has(right, "小计:-10金币"));
  EXPECT_TRUE(has(right, "总分:-10金币")) << "a capped loss is not multiplied";
  EXPECT_TRUE(has(right, "灵活封顶"));
  EXPECT_FALSE(has(left, "灵活封顶"));
  EXPECT_EQ(State(6), Lines{"最终分：-100金币"});
}

TEST_F(ScoreBoardTest, CoinsNeverFallBelowZeroAndPointsBelowZeroBecomeOne) {
  client.table().seatInfo[2].coins = 5;
  client.table().seatInfo[2].points = 3;
  Feed({Result(1, 0), Result(4, 100), Result(2, 100, 0)});
  Feed({NoticeRecord(7, 0, 1, 0)});
  EXPECT_EQ(client.table().seatInfo[2].coins, 0);
  EXPECT_EQ(client.table().seatInfo[2].points, 1);
  EXPECT_EQ(main().Get(el().Cash[2])->caption, "0金币") << "never reported: coins";
}

TEST_F(ScoreBoardTest, ADealWithoutReportsKeepsTheCurrencyOfTheLastReport) {
  Report bars;
  bars.pairs = {{14, 2}};
  bars.mask = 4;
  Feed({WinReportRecord(bars)});
  client.settlement().stores.WinReportArrivals = 0;
  DiscardWinDeal();
  EXPECT_EQ(State(5), Lines{"最终分：10金币"}) << "the reports of this deal say coins";
  bars.mask = 4;
  Feed({WinReportRecord(bars)});
  client.settlement().stores.WinReportArrivals = 0;
  client.settlement().ResetForNewDeal();
  Feed({Result(1, 0), Result(4, 0), Result(2, 0)});
  Feed({NoticeRecord(7, 0, 1, 0)});
  EXPECT_EQ(State(5), Lines{"最终分：0金条"});
  EXPECT_EQ(State(4), Lines{"最终分：0金币"});
}

TEST_F(ScoreBoardTest, PropLinesColourTheColumnAndTheirAmountJoinsTheScore) {
  client.settlement().propScore.ExtraLines[1] = "宝箱奖励00000255|额外|12345678";
  client.settlement().propScore.ExtraAmount[1] = 20.5;
  DiscardWinDeal();
  const Lines& left = State(1);
  const Lines tail(left.end() - 6, left.end());
  EXPECT_EQ(tail, (Lines{"最终分：10金币", "", "宝箱奖励", "额外", "", ""}))
      << "an entry of exactly eight characters loses them all";
  EXPECT_EQ(client.settlement().boardColour[1], 0x4E61BCu) << "12345678 = 0xBC614E, red last";
  EXPECT_EQ(State(5), Lines{"最终分：31金币"});
  EXPECT_EQ(main().Get(el().Cash[1])->caption, "830.5金币");
  EXPECT_TRUE(client.settlement().propScore.ExtraLines[1].empty());
  EXPECT_EQ(client.settlement().propScore.ExtraAmount[1], 0);
}

TEST_F(ScoreBoardTest, WithPropsActiveTheComponentTakesTheBoardOver) {
  client.props().PropsActive = 1;
  DiscardWinDeal();
  EXPECT_FALSE(board().visible());
  EXPECT_EQ(client.settlement().PropSettleState, 1);
  EXPECT_TRUE(client.settlement().PropSettlePending);
  EXPECT_FALSE(client.loop().LoopFlag[kStepDealEndCountdown]);
  client.props().PropsActive = 0;
  client.settlement().ShowSettlement();
  EXPECT_TRUE(board().visible());
  EXPECT_EQ(client.settlement().PropSettleState, 2);
  EXPECT_TRUE(client.loop().LoopFlag[kStepDealEndCountdown]);
}

TEST_F(ScoreBoardTest, ThePlayerLeftNoticeNamesTheSeatMissingFromTheMask) {
  Feed({NoticeRecord(3, 0, 0, 1)});
  EXPECT_EQ(client.settlement().LeaveDialogText, "玩家Bob退出了游戏！游戏结束！");
  ASSERT_FALSE(vp.dialogs.shown.empty());
  EXPECT_EQ(vp.dialogs.shown.back().text, "玩家Bob退出了游戏！游戏结束！");
  EXPECT_FALSE(client.table().progress.GameRunning);
  const size_t shown = vp.dialogs.shown.size();
  Feed({NoticeRecord(6, 0, 0, 1)});
  EXPECT_EQ(vp.dialogs.shown.size(), shown) << "the local seat leaving needs no notice";
}

TEST_F(ScoreBoardTest, AWatcherEndsWhenAPlayerLeaves) {
  client.settings().Spectator = true;
  Deliver(NoticeRecord(3, 0, 0, 1));
  EXPECT_EQ(Run(300), 0);
  EXPECT_EQ(vp.dialogs.shown.back().text, "有用户退出，旁观结束！");
}

TEST_F(ScoreBoardTest, TheNextDealerNoticeMarksTheDealerAndTakesTheKey) {
  RecordBytes r = NoticeRecord(2, 0, 1, 2);
  PutLE(r, 268, 0x01020304, 4);
  Feed({r});
  EXPECT_TRUE(client.table().players[2].isDealer);
  EXPECT_EQ(main().Get(el().lbZhuang)->caption, "Cat");
  EXPECT_EQ(main().Get(el().lbZhuang)->fontSize, 12);
  EXPECT_NE(client.records().ReconnectKey, 0);
  client.table().seatInfo[1].nickname = "ABCDEFGHIJK";
  Feed({NoticeRecord(4, 0, 1, 2)});
  EXPECT_EQ(main().Get(el().lbZhuang)->fontSize, 9) << "eleven characters";
}

TEST_F(ScoreBoardTest, CoinsRunningOutNamesWhoLeavesAndAdvisesTheLocalPlayer) {
  Feed({NoticeRecord(1, 0, 1, 3)});
  EXPECT_EQ(client.messages().Lines(0), Lines{"玩家Cat，Bob金币不够，退出游戏！"});
  EXPECT_TRUE(client.settlement().LeaveDialogText.empty());
  EXPECT_TRUE(client.connection().CanReconnect);
  EXPECT_TRUE(board().visible()) << "the board of the deal still shows";

  vp.socket.sent.clear();
  Feed({NoticeRecord(2, 1, 1, 3)});
  EXPECT_EQ(client.messages().Lines(0), Lines{"玩家Bob，我金币不够，退出游戏！"});
  EXPECT_EQ(client.settlement().LeaveDialogText,
            "玩家Bob以及您的金币不够，请更换房间或充值后继续游戏！");
  EXPECT_FALSE(client.connection().CanReconnect);
  EXPECT_FALSE(client.mainLoop().Running()) << "the table was left";
  EXPECT_EQ(SentCommands(), std::vector<int>{16}) << "the leave notice";
}

TEST_F(ScoreBoardTest, RunningOutAloneTellsOnlyTheLocalPlayer) {
  Feed({NoticeRecord(6, 0, 1, 3)});
  EXPECT_EQ(client.messages().Lines(0), Lines{"玩家，我金币不够，退出游戏！"});
  EXPECT_EQ(client.settlement().LeaveDialogText, "您的金币不够，请领取低保或充值后继续游戏！");
}

TEST_F(ScoreBoardTest, RunningOutEndsTheGameWithoutACountdownOrAnotherDeal) {
  DiscardWinDeal();
  ASSERT_TRUE(main().Visible(el().Number)) << "the continue countdown runs";
  vp.socket.sent.clear();
  Feed({NoticeRecord(6, 0, 1, 3)});
  EXPECT_TRUE(client.table().progress.GameEnded);
  EXPECT_FALSE(main().Visible(el().Number));
  EXPECT_FALSE(main().Visible(el().Time_Img));
  EXPECT_EQ(client.messages().Lines(1), Lines{kGameOverLine});
  for (int list = 0; list < 2; ++list) {
    for (const std::string& line : client.messages().Lines(list)) EXPECT_FALSE(IsStartNotice(line));
  }
  ASSERT_EQ(Run(20000), -1);
  EXPECT_EQ(SentCommands(), std::vector<int>{16}) << "the leave notice and no continue";

  // Continue leads back to the lobby instead of a ready mark for a deal that never comes.
  client.input().OnClick(ElementEvent{client.view().mainForm(), el().AnNiu[2], 1});
  EXPECT_FALSE(main().Visible(el().OK[0]));
  EXPECT_EQ(SentCommands(), std::vector<int>{16});
  EXPECT_TRUE(client.view().main().minimised());
}

TEST_F(ScoreBoardTest, TheDealEndNoticeShowsTheWealthFactor) {
  RecordBytes r = NoticeRecord(7, 0, 0, 0);
  PutLE(r, 16, 120, 4);
  Feed({r});
  EXPECT_EQ(main().Get(el().lbwealth)->caption, "120");
  EXPECT_EQ(main().Get(el().lbwealth)->fontSize, 12);
  EXPECT_TRUE(main().Visible(el().Imgwealth));
  Feed({NoticeRecord(7, 0, 0, 0)});
  EXPECT_FALSE(main().Visible(el().lbwealth));
  EXPECT_FALSE(main().Visible(el().Imgwealth));
}

TEST_F(ScoreBoardTest, AShuffleAnnouncedAtTheDealEndShowsWhenTheCountdownEnds) {
  Feed({Result(1, 0), Result(4, 0), Result(2, 0)});
  Feed({NoticeRecord(7, 1, 1, 0)});
  EXPECT_TRUE(client.loop().ShuffleArmed);
  EXPECT_TRUE(client.loop().ShufflePending);
  ASSERT_EQ(Run(17000), -1);
  EXPECT_TRUE(main().Visible(el().LblShuffle));
  EXPECT_TRUE(vp.timers.Running("TimerShuffle"));
}

TEST_F(ScoreBoardTest, TheBoardButtonsAndItsCloseWindowShowAndHideIt) {
  DiscardWinDeal();
  ASSERT_TRUE(board().visible());
  ElementEvent close{client.settlement().board().form, client.settlement().board().Image1, 1};
  client.input().OnClick(close);
  EXPECT_FALSE(board().visible());
  client.input().OnClick(ElementEvent{client.view().mainForm(), el().AnNiu[5], 1});
  EXPECT_TRUE(board().visible());
  client.input().OnClick(ElementEvent{client.view().mainForm(), el().AnNiu[5], 1});
  EXPECT_FALSE(board().visible());
  client.input().OnClick(ElementEvent{client.view().mainForm(), el().AnNiu[6], 1});
  EXPECT_TRUE(history().visible());
  client.input().OnFormClose(client.settlement().history().form);
  EXPECT_FALSE(history().visible());

  client.input().OnClick(ElementEvent{client.view().mainForm(), el().AnNiu[5], 1});
  client.input().OnClick(ElementEvent{client.view().mainForm(), el().AnNiu[6], 1});
  client.input().OnKeyDown(client.view().mainForm(), kNoElement, kKeyF1, 0);
  EXPECT_FALSE(board().visible()) << "the boss key hides every window";
  EXPECT_FALSE(history().visible());
}

TEST_F(ScoreBoardTest, TheBreakdownColumnsScrollAsOneWithTheirFirstLinesReachable) {
  DiscardWinDeal();
  const ScoreBoardElements& b = client.settlement().board();
  ASSERT_TRUE(board().ListOverflows(b.State[1])) << "the test needs a column that overflows";
  for (int v = 0; v < 3; ++v) {
    EXPECT_EQ(board().Get(b.State[v])->topLine, 0) << "初始 in view at first";
  }
  // Wheel down on the middle column: all three move to their end together.
  board().WheelList(b.State[1], -20);
  const int last = board().ListLastTop(b.State[1]);
  EXPECT_GT(last, 0);
  for (int v = 0; v < 3; ++v) EXPECT_EQ(board().Get(b.State[v])->topLine, last);
  // The rule lines stay side by side: the same line of each column on the same row.
  const size_t rule = std::find(State(0).begin(), State(0).end(), kRule) - State(0).begin();
  for (int v = 1; v < 3; ++v) EXPECT_EQ(State(v)[rule], kRule);
  // Home from the keyboard brings 初始 back into view on every column.
  EXPECT_TRUE(board().ListKeyDown(b.State[2], kListHome));
  for (int v = 0; v < 3; ++v) EXPECT_EQ(board().Get(b.State[v])->topLine, 0);
  EXPECT_EQ(State(1).front(), "初始：800金币");
  // The next deal's board starts at its top again.
  board().WheelList(b.State[0], -20);
  client.settlement().ResetForNewDeal();
  ++client.table().progress.DealCount;
  DiscardWinDeal();
  for (int v = 0; v < 3; ++v) EXPECT_EQ(board().Get(b.State[v])->topLine, 0);
}

TEST_F(ScoreBoardTest, ATableThatChargesNoFeeShowsNoFeeLine) {
  DiscardWinDeal(2, 0);
  for (int v = 0; v < 3; ++v) {
    for (const std::string& line : State(v)) {
      EXPECT_EQ(line.find('%'), std::string::npos) << "column " << v << ": " << line;
    }
  }
}

}  // namespace
}  // namespace korvel
