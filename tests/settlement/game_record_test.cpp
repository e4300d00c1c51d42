// The game record file and the history window: every deal's board written to its section,
// any past deal shown again from the file, the history lists and the way back to the lobby.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "config/ini_file.h"
#include "settlement/settlement.h"
#include "settlement/settlement_fixture.h"

namespace korvel {
namespace {

using namespace testing;

class GameRecordTest : public SettlementFixture {
 protected:
  classIniFile Record() {
    classIniFile ini;
    ini.INIFileName = client.settlement().GameRecordPath();
    return ini;
  }
  void NextDeal() {
    client.settlement().ResetForNewDeal();
    ++client.table().progress.DealCount;
  }
  // The board lists as a re-shown board has them: a line that reads back empty shows " ".
  std::array<Lines, kBoardLists> Shown() {
    std::array<Lines, kBoardLists> lists;
    for (int k : {0, 1, 2, 4, 5, 6}) {
      lists[k] = State(k);
      for (auto& line : lists[k]) {
        if (line.empty()) line = " ";
      }
    }
    return lists;
  }
  ElementEvent OnLine(ElementId list, int line) {
    ElementEvent e;
    e.form = client.settlement().history().form;
    e.element = list;
    e.button = kLeftButton;
    e.y = 1 + 16 * line + 7;
    return e;
  }
  const Lines& HistoryLines(ElementId e) { return history().Get(e)->lines; }
  const Element& HistoryList(ElementId e) { return *history().Get(e); }
  // A deal that ends without a win: nobody pays, the board still comes.
  void DrawnDeal() {
    DealResult r0{1, 0, 1, 0, 1, 0, 0, "雀圣", ""};
    DealResult r1{4, 0, 1, 0, 1, 0, 0, "雀神", ""};
    DealResult r2{2, 0, 1, 0, 1, 0, 0, "雀鬼", ""};
    Feed({DealResultRecord(r0), DealResultRecord(r1), DealResultRecord(r2)});
    Feed({NoticeRecord(7, 0, 1, 0)});
  }
  std::array<uint32_t, 3> BoardNames() {
    std::array<uint32_t, 3> colours{};
    for (int v = 0; v < 3; ++v) colours[v] = board().Get(client.settlement().board().ID[v])->color;
    return colours;
  }
};

TEST_F(GameRecordTest, EveryDealIsWrittenToItsOwnSectionLineByLine) {
  DiscardWinDeal();
  classIniFile ini = Record();
  EXPECT_EQ(ini.GetIniKey("juNum:1", "name( 1 )"), "Bob");
  EXPECT_EQ(ini.GetIniKey("juNum:1", "PicIndex( 1 )"), "12");
  const Lines& column = State(1);
  EXPECT_EQ(ini.GetIniKey("juNum:1", "count( 1 )"), std::to_string(column.size()));
  EXPECT_EQ(ini.GetIniKey("juNum:1", "count( 1 )( 0 )"), "\"初始：800金币\"");
  EXPECT_EQ(ini.GetIniKey("juNum:1", "count( 1 )( " + std::to_string(column.size() - 1) + " )"),
            "\"最终分：10金币\"");
  EXPECT_EQ(ini.GetIniKey("juNum:1", "count( 5 )"), "1");
  EXPECT_EQ(ini.GetIniKey("juNum:1", "count( 3 )"), "") << "the unused list is not written";
  EXPECT_EQ(ini.GetIniKey("juNum:1", "count( 0 ) ForeColor"), "0");
}

TEST_F(GameRecordTest, APastDealComesBackExactlyAsItWasShownColoursIncluded) {
  DiscardWinDeal(2);
  NextDeal();
  client.settlement().propScore.ExtraLines[0] = "幸运奖00000255";
  DiscardWinDeal(3);
  const auto deal2 = Shown();
  const uint32_t colour2 = client.settlement().boardColour[0];
  ASSERT_EQ(colour2, 0xFF0000u);
  NextDeal();
  DiscardWinDeal(4);
  ASSERT_NE(Shown(), deal2);
  EXPECT_EQ(Record().GetIniKey("juNum:3", "count( 5 )"), "1");

  const HistoryElements& h = client.settlement().history();
  EXPECT_EQ(HistoryLines(h.Num), (Lines{"           1", "           2", "           3"}));
  EXPECT_EQ(HistoryLines(h.Grade[1]), (Lines{"       10金币", "       15金币", "       20金币"}));
  EXPECT_EQ(HistoryLines(h.Grade[2]), (Lines{"      -10金币", "      -15金币", "      -20金币"}));
  EXPECT_EQ(history().Get(h.sumScore[1])->caption, "45金币");
  EXPECT_EQ(history().Get(h.sumScore[2])->caption, "-45金币");

  board().SetFormVisible(false);
  client.input().OnDoubleClick(OnLine(h.Num, 1));
  EXPECT_EQ(Shown(), deal2);
  EXPECT_EQ(board().Get(client.settlement().board().State[0])->color, colour2);
  EXPECT_EQ(board().Get(client.settlement().board().ID[1])->caption, "Bob");
  EXPECT_TRUE(board().visible());
  EXPECT_EQ(client.settlement().HistorySelected, 1);

  client.input().OnDoubleClick(OnLine(h.Grade[2], 2));
  EXPECT_EQ(State(6), Lines{"最终分：-20金币"}) << "a seat column opens its deal too";
  client.input().OnDoubleClick(OnLine(h.Num, 7));
  EXPECT_EQ(State(6), Lines{"最终分：-20金币"}) << "below the last line nothing opens";
}

TEST_F(GameRecordTest, AClickChoosesTheSameLineInEveryColumn) {
  DiscardWinDeal();
  NextDeal();
  DiscardWinDeal();
  client.input().OnClick(OnLine(client.settlement().history().Num, 1));
  EXPECT_EQ(client.settlement().HistorySelected, 1);
  EXPECT_EQ(client.settlement().HistoryTopLine, 0);
}

TEST_F(GameRecordTest, EveryDealOfALongGameCanBeReopenedAndTheColumnsScrollWithTheDealList) {
  for (int deal = 1; deal <= 20; ++deal) {
    if (deal > 1) NextDeal();
    DiscardWinDeal(deal);
  }
  const HistoryElements& h = client.settlement().history();
  ASSERT_EQ(HistoryLines(h.Num).size(), 20u);
  const int page = history().ListPage(h.Num);
  ASSERT_LT(page, 20) << "the test needs a list that overflows";
  // The newest deal is in view, and every seat column shows the same deals.
  EXPECT_EQ(HistoryList(h.Num).topLine, 20 - page);
  for (ElementId g : h.Grade) EXPECT_EQ(HistoryList(g).topLine, 20 - page);

  // Scrolling back to the top reaches deal 1; a double-click there opens deal 1.
  history().WheelList(h.Num, 10);
  EXPECT_EQ(HistoryList(h.Num).topLine, 0);
  for (ElementId g : h.Grade) EXPECT_EQ(HistoryList(g).topLine, 0);
  client.input().OnDoubleClick(OnLine(h.Num, 0));
  EXPECT_EQ(State(5), Lines{"最终分：5金币"}) << "deal 1";
  EXPECT_EQ(client.settlement().HistorySelected, 0);
  for (ElementId g : h.Grade) EXPECT_EQ(HistoryList(g).selectedLine, 0);

  // A click on the third line in view after scrolling by a line chooses deal 4 everywhere.
  history().ScrollList(h.Num, 1);
  client.input().OnClick(OnLine(h.Num, 2));
  EXPECT_EQ(client.settlement().HistorySelected, 3);
  for (ElementId g : h.Grade) EXPECT_EQ(HistoryList(g).selectedLine, 3);
  client.input().OnDoubleClick(OnLine(h.Grade[2], 2));
  EXPECT_EQ(State(6), Lines{"最终分：-20金币"}) << "deal 4 from a seat column";

  // A new deal brings the list back to its end.
  NextDeal();
  DiscardWinDeal(21);
  EXPECT_EQ(HistoryList(h.Num).topLine, 21 - page);
  EXPECT_EQ(HistoryList(h.Grade[1]).topLine, 21 - page);
}

TEST_F(GameRecordTest, NamesAreRedOnlyForThisDealsWinnersAndComeBackWithTheirDeal) {
  DiscardWinDeal();
  EXPECT_EQ(BoardNames(), (std::array<uint32_t, 3>{kNameInk, 0xFF0000, kNameInk}));
  NextDeal();
  DrawnDeal();
  EXPECT_EQ(BoardNames(), (std::array<uint32_t, 3>{kNameInk, kNameInk, kNameInk}))
      << "the last winner is not red after a deal without a win";
  NextDeal();
  client.settlement().MarkWinOnBoard();  // a win announced on the table
  DiscardWinDeal();
  EXPECT_EQ(BoardNames(), (std::array<uint32_t, 3>{0x00FF00, 0xFF0000, 0x00FF00}));

  const HistoryElements& h = client.settlement().history();
  client.input().OnDoubleClick(OnLine(h.Num, 0));
  EXPECT_EQ(BoardNames(), (std::array<uint32_t, 3>{kNameInk, 0xFF0000, kNameInk}));
  client.input().OnDoubleClick(OnLine(h.Num, 1));
  EXPECT_EQ(BoardNames(), (std::array<uint32_t, 3>{kNameInk, kNameInk, kNameInk}));
  client.input().OnDoubleClick(OnLine(h.Num, 2));
  EXPECT_EQ(BoardNames(), (std::array<uint32_t, 3>{0x00FF00, 0xFF0000, 0x00FF00}));
}

TEST_F(GameRecordTest, AWinInTheNextDealLeavesTheBoardInTheColoursTheHistoryShows) {
  DiscardWinDeal();
  NextDeal();
  client.settlement().MarkWinOnBoard();  // the next deal's first win, before its board
  client.settlement().ToggleScoreBoard();
  const std::array<uint32_t, 3> opened = BoardNames();
  EXPECT_EQ(opened, (std::array<uint32_t, 3>{kNameInk, 0xFF0000, kNameInk}));
  client.input().OnDoubleClick(OnLine(client.settlement().history().Num, 0));
  EXPECT_EQ(BoardNames(), opened) << "the same deal from the history";
}

TEST_F(GameRecordTest, ADamagedRecordFileShowsWhatItCanAndNeverMore) {
  DiscardWinDeal();
  classIniFile ini = Record();
  ini.WriteIniKey("juNum:1", "count( 0 )", "99999999");
  ini.WriteIniKey("juNum:1", "count( 1 )", "-4");
  ini.WriteIniKey("juNum:1", "count( 2 )", "zwei");
  ini.WriteIniKey("juNum:1", "PicIndex( 0 )", "77");
  ini.WriteIniKey("juNum:1", "count( 1 ) ForeColor", "99999999999");
  client.settlement().ShowDealRecord(1);
  EXPECT_EQ(State(0).size(), static_cast<size_t>(kMaxListLines));
  EXPECT_TRUE(State(1).empty());
  EXPECT_TRUE(State(2).empty());
  EXPECT_EQ(board().Get(client.settlement().board().Tou[0])->picture, kNoPicture);
  EXPECT_EQ(client.settlement().boardColour[1], 0u);

  client.settlement().ShowDealRecord(42);
  EXPECT_TRUE(State(0).empty()) << "a deal never written shows an empty board";
}

TEST_F(GameRecordTest, TheRecordGoesToThePlayersStateFolderNeverBesideTheClient) {
  const std::string state = appDir + "/state";
  std::filesystem::create_directories(state);
  vp.files.userDir = state;
  DiscardWinDeal();
  EXPECT_TRUE(std::filesystem::exists(state + "/info.tk"));
  EXPECT_FALSE(std::filesystem::exists(appDir + "/info.tk"));
}

TEST_F(GameRecordTest, LeavingTheTableDeletesTheRecordAndEmptiesTheWindows) {
  DiscardWinDeal();
  const std::string path = client.settlement().GameRecordPath();
  ASSERT_TRUE(std::filesystem::exists(path));
  client.settlement().ClearForLobby();
  EXPECT_FALSE(std::filesystem::exists(path));
  const HistoryElements& h = client.settlement().history();
  EXPECT_TRUE(HistoryLines(h.Num).empty());
  EXPECT_TRUE(HistoryLines(h.Grade[1]).empty());
  EXPECT_EQ(history().Get(h.sumScore[1])->caption, "");
  EXPECT_EQ(history().Get(h.ID[1])->caption, "");
  EXPECT_TRUE(State(1).empty());
  EXPECT_TRUE(State(5).empty());
  EXPECT_FALSE(board().visible());
  EXPECT_FALSE(history().visible());
  client.settlement().ClearForLobby();
  EXPECT_FALSE(vp.log.Contains("cannot delete")) << "a missing file is no failure";
}

TEST_F(GameRecordTest, ADealWrittenTwiceAndANewStayKeepOneSectionPerDeal) {
  DiscardWinDeal(2);
  client.settlement().WriteDealRecord(1);  // again, as the treasure-box board does
  NextDeal();
  DiscardWinDeal(3);
  EXPECT_EQ(Record().GetIniSectionNames(), (std::vector<std::string>{"juNum:1", "juNum:2"}));
  EXPECT_EQ(Record().GetIniKey("juNum:1", "count( 6 )( 0 )"), "\"最终分：-10金币\"");

  client.settlement().ClearForLobby();
  client.table().progress.DealCount = 1;
  DiscardWinDeal(4);
  EXPECT_EQ(Record().GetIniSectionNames(), std::vector<std::string>{"juNum:1"});
  EXPECT_EQ(Record().GetIniKey("juNum:1", "count( 6 )( 0 )"), "\"最终分：-20金币\"");
  client.settlement().ShowDealRecord(1);
  EXPECT_EQ(State(6), Lines{"最终分：-20金币"});
}

TEST_F(GameRecordTest, ANewLoginStartsTheRunningTotalsAgain) {
  DiscardWinDeal();
  client.settlement().ResetRunningTotals();
  NextDeal();
  DiscardWinDeal(1);
  EXPECT_EQ(history().Get(client.settlement().history().sumScore[1])->caption, "5金币");
}

}  // namespace
}  // namespace korvel
