// The deal list and the transcript of a session: deals found where they start and end, who won
// and what each seat settled, every tile named, and text from the server kept on its line.
#include "replay/session_transcript.h"

#include <gtest/gtest.h>

namespace korvel {
namespace {

RecordBytes Rec(int command, int seat, std::initializer_list<uint8_t> values = {}) {
  RecordBytes r{};
  r[rec::kCommand] = static_cast<uint8_t>(command);
  r[rec::kSeat] = static_cast<uint8_t>(seat);
  size_t k = 0;
  for (uint8_t v : values) r[rec::kValues + 2 * k++ + 1] = v;
  return r;
}

RecordBytes Named(int command, int seat, const std::string& name, size_t at = rec::kUserId) {
  RecordBytes r = Rec(command, seat);
  std::copy(name.begin(), name.end(), r.begin() + static_cast<long>(at));
  return r;
}

RecordBytes Result(int seat, bool won, uint32_t coins) {
  RecordBytes r = Rec(9, seat, {0, uint8_t(won ? 1 : 0)});
  WriteLE32(r, rec::kPayload, coins);
  return r;
}

class TranscriptTest : public ::testing::Test {
 protected:
  void Add(uint32_t at, const RecordBytes& r, EntryKind kind = EntryKind::Received) {
    file.entries.push_back({kind, at, r, 0});
  }
  void PlayOneDeal() {
    file.usable = true;
    file.header = {{"user", "alice"}};
    Add(100, Named(3, 1, "alice"));
    Add(110, Named(3, 2, "bob\nevil"));  // a line break in a name stays on its line
    Add(120, Rec(16, 0, {0, 0, 0, 2}));  // the next dealer's notice: no deal ends here
    Add(15000, Rec(4, 2, {5, 1}));
    Add(15000, Rec(1, 1, {0x21, 0x29, 0x85, 0x15}));
    Add(15000, Rec(1, 2, {0, 0, 0, 0}));
    Add(15100, Rec(5, 1, {0, 0, 0, 0x83}));
    Add(16000, Rec(2, 1, {0, 0, 0, 0x83}), EntryKind::Sent);  // what we sent is not the story
    Add(16200, Rec(2, 1, {0, 0, 0, 0x83}));
    RecordBytes hu = Rec(7, 2, {OpHu, 0x83, 0x83, 0x83});
    hu[17] = 0x83;
    Add(16400, hu);
    Add(16400, Rec(7, 4, {OpPeng, 0x42, 0x42, 0x42}));
    Add(17000, Result(2, true, 120));
    Add(17000, Result(1, false, 120));
    Add(17500, Rec(16, 0, {0, 0, 0, 1}));
  }
  SessionFile file;
};

TEST_F(TranscriptTest, TheListGivesEachDealWithWinnersAndResults) {
  PlayOneDeal();
  Add(40000, Rec(4, 1, {3, 3}));  // a second deal the file does not finish
  const std::vector<DealSummary> deals = SummariseDeals(file);
  ASSERT_EQ(deals.size(), 2u);
  EXPECT_EQ(deals[0].firstEntry, 3u);
  EXPECT_TRUE(deals[0].finished);
  EXPECT_EQ(deals[0].endMs, 17500u);
  EXPECT_FALSE(deals[1].finished);
  EXPECT_EQ(DealListText(file),
            "deal 1  0:15.000 - 0:17.500  won by bob evil; bob evil +120, alice -120\n"
            "deal 2  0:40.000 - (not finished)\n");
}

TEST_F(TranscriptTest, TheTranscriptTellsTheDealLineByLine) {
  PlayOneDeal();
  const std::string text = TranscriptText(file);
  for (const char* line : {
           "  user: alice\n",
           "0:15.000  deal 1 starts: dealer bob evil, dice 5 1\n",
           "0:15.000  alice is dealt 1条 9条 5筒 中\n",
           "0:15.000  bob evil is dealt (hidden)\n",
           "0:15.100  alice draws 3筒\n",
           "0:16.200  alice discards 3筒\n",
           "0:16.400  bob evil wins on 3筒\n",
           "0:16.400  seat 3 peng 2万 2万 2万\n",
           "0:17.000  alice settles -120 coins\n",
           "0:17.500  deal 1 ends\n",
       }) {
    EXPECT_NE(text.find(line), std::string::npos) << line << "\nin\n" << text;
  }
  EXPECT_EQ(text.find("deal 0"), std::string::npos) << "the dealer notice ends no deal";
  EXPECT_EQ(text.find("0:16.000"), std::string::npos) << "sent records are not told";
  EXPECT_EQ(text.find("not whole"), std::string::npos);
}

TEST_F(TranscriptTest, ACutFileSaysSoAtTheEnd) {
  PlayOneDeal();
  file.entries.resize(7);
  file.problem = "the file ends inside entry 8 (byte 2000)";
  const std::string text = TranscriptText(file);
  EXPECT_NE(text.find("(the deal does not end in this file)"), std::string::npos) << text;
  EXPECT_NE(text.find("The file is not whole: the file ends inside entry 8"), std::string::npos);
}

TEST_F(TranscriptTest, PlayersAreNamedAsTheTableShowedThemAndNothingScoresMinusZero) {
  PlayOneDeal();
  // The player information that follows the announcements: nickname and account.
  RecordBytes info = Named(20, 15, "Alice A.");
  const std::string account = "alice";
  std::copy(account.begin(), account.end(), info.begin() + 168);
  file.entries.insert(file.entries.begin() + 2, {EntryKind::Received, 105, info, 0});
  Add(17000, Result(4, false, 0));
  Add(17100, Rec(17, 1));  // a report of a seat that neither won nor paid
  Add(18000, Named(21, 0, "alice"));
  EXPECT_EQ(DealListText(file),
            "deal 1  0:15.000 - 0:17.500  won by bob evil; bob evil +120, Alice A. -120\n");
  const std::string text = TranscriptText(file);
  EXPECT_NE(text.find("0:15.100  Alice A. draws 3筒\n"), std::string::npos) << text;
  EXPECT_NE(text.find("0:17.000  seat 3 settles 0 coins\n"), std::string::npos) << text;
  EXPECT_NE(text.find("0:17.100  Alice A. scores 0\n"), std::string::npos) << text;
  EXPECT_NE(text.find("0:18.000  Alice A. leaves the table\n"), std::string::npos) << text;
  EXPECT_EQ(text.find("-0"), std::string::npos) << text;
}

TEST_F(TranscriptTest, LeavingByChoiceIsNoLostConnection) {
  PlayOneDeal();
  Add(20000, Rec(16, 1), EntryKind::Sent);  // the leave notice
  file.entries.push_back({EntryKind::Lost, 20400, {}, 0});
  Add(30000, Rec(18, 0), EntryKind::Sent);  // logged in again
  file.entries.push_back({EntryKind::Lost, 40000, {}, 10053});
  const std::string text = TranscriptText(file);
  EXPECT_NE(text.find("0:20.400  the player leaves the table\n"), std::string::npos) << text;
  EXPECT_NE(text.find("0:40.000  the connection to the server was lost\n"), std::string::npos)
      << text;
}

TEST(TileText, NamesEveryTileAndMarksWhatIsNone) {
  EXPECT_EQ(TileText(0x21), "1条");
  EXPECT_EQ(TileText(0x89), "9筒");
  EXPECT_EQ(TileText(0x45), "5万");
  EXPECT_EQ(TileText(0x11), "东");
  EXPECT_EQ(TileText(0x15), "中");
  EXPECT_EQ(TileText(0x17), "白");
  EXPECT_EQ(TileText(0), "?");
  EXPECT_EQ(TileText(0x18), "0x18");
  EXPECT_EQ(TileText(0x20), "0x20");
  EXPECT_EQ(TileText(0xFF), "0xff");
  EXPECT_EQ(SessionTimeText(3723456), "62:03.456");
}

}  // namespace
}  // namespace korvel
