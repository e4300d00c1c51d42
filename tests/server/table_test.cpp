#include "table/table.h"

#include <gtest/gtest.h>

#include "server_test_support.h"
#include "table/hall.h"
#include "table/server_records.h"

namespace korvel::server {
namespace {

using testing::CollectingListener;
using testing::RecordingLink;

RecordBytes ClientRecord(int command, int seatMask, std::array<int, 4> values, uint16_t tag) {
  CommandInfo info;
  info.command = static_cast<int16_t>(command);
  info.seat = static_cast<uint8_t>(seatMask);
  for (int k = 0; k < 4; ++k) info.value[k] = static_cast<int16_t>(values[k]);
  RecordBytes r = EncodeHeader(info);
  r[rec::kServerTag] = static_cast<uint8_t>(tag >> 8);
  r[rec::kServerTag + 1] = static_cast<uint8_t>(tag);
  return r;
}

PlayerProfile Human(const std::string& account) {
  PlayerProfile p;
  p.account = account;
  p.nickname = account;
  p.title = "玩家";
  return p;
}

class TableTest : public ::testing::Test {
 protected:
  void SetUp() override { config.dealLimit = 0; }

  // Two computer players first, then the human: the human is seat 2 (mask 4).
  void SeatHumanWithTwoBots() {
    table.emplace(1, config, clock, 7, shanten, listener);
    table->Seat(Hall::BotProfile(1, 0), nullptr);
    table->Seat(Hall::BotProfile(1, 1), nullptr);
    ASSERT_EQ(table->Seat(Human("alice"), &human), 2);
  }
  // Advances virtual time to each due moment until `done` holds.
  template <typename Done>
  void RunUntil(Done done, int steps = 5000) {
    for (int i = 0; i < steps && !done(); ++i) {
      const int64_t wake = table->NextWakeMs();
      ASSERT_NE(wake, Table::kNever) << "the table waits for nothing";
      if (wake > clock.NowMs()) clock.Set(wake);
      table->Tick();
    }
    ASSERT_TRUE(done());
  }
  void RunDeals(size_t n) {
    RunUntil([&] { return listener.deals.size() >= n; });
  }
  uint16_t LastTag() const { return human.tag; }

  TableConfig config;
  ManualClock clock;
  ShantenCalculator shanten;
  CollectingListener listener;
  RecordingLink human;
  std::optional<Table> table;
};

TEST_F(TableTest, SeatingSendsLoginSeatsAndPlayersInTheOrderTheClientCounts) {
  SeatHumanWithTwoBots();
  std::vector<int> commands;
  for (const auto& r : human.received) commands.push_back(r[rec::kCommand]);
  EXPECT_EQ(commands, (std::vector<int>{18, 20, 20, 20, 3, 3, 3, 20, 20, 20, 16}));
  // The first dealer, and the key that brings the seat back after a dropped connection.
  const RecordBytes& key = human.received.back();
  EXPECT_EQ(key[15], 2);
  EXPECT_NE(ReadLE32(key, rec::kTrailer), 0u);
  const RecordBytes& login = human.received[0];
  EXPECT_EQ(login[15], 1);  // accepted
  EXPECT_EQ(login[11], 8);  // turn seconds
  EXPECT_EQ(login[9], 3);   // time-outs before the client hides
  EXPECT_EQ(human.received[1][rec::kSeat], kSeatByteSelf);
  EXPECT_EQ(human.received[2][rec::kSeat], kSeatByteJoined);
  EXPECT_EQ(human.received[3][rec::kSeat], kSeatByteJoined);
  for (int s = 0; s < 3; ++s) {
    const RecordBytes& seat = human.received[4 + s];
    EXPECT_EQ(seat[rec::kSeat], 1 << s);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&seat[16])), table->PlayerAt(s).account);
  }
  EXPECT_EQ(human.received[7][rec::kSeat], 1);
  EXPECT_EQ(human.received[8][rec::kSeat], 2);
  EXPECT_EQ(human.received[9][rec::kSeat], kSeatByteSelf);
  EXPECT_EQ(human.received[7][208], 1);  // computer players are ready at once
  EXPECT_EQ(human.received[9][208], 0);
  EXPECT_EQ(human.received[7][255], 1);  // no prop component
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(&human.received[9][168])), "alice");
  EXPECT_FALSE(table->Accepting());
}

TEST_F(TableTest, TheFirstDealWaitsForTheHumanOrTheStartSeconds) {
  SeatHumanWithTwoBots();
  clock.Advance(14999);
  table->Tick();
  EXPECT_TRUE(human.OfCommand(4).empty());
  table->OnRecord(2, ClientRecord(16, 4, {0, 0, 0, 1}, LastTag()));
  const auto marks = human.OfCommand(23);
  ASSERT_EQ(marks.size(), 1u);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(&marks[0][16])), "alice");
  table->Tick();
  EXPECT_EQ(human.OfCommand(4).size(), 1u);
}

TEST_F(TableTest, ADealNeverShowsOtherSeatsConcealedTilesAndEndsWithTheSettlement) {
  SeatHumanWithTwoBots();
  RunDeals(1);
  int dealtToMe = 0, dealtToOthers = 0;
  bool dealing = true;
  for (const auto& r : human.received) {
    const int c = r[rec::kCommand];
    if (c == 6) dealing = false;
    if (c != 1 && c != 5) continue;
    const bool mine = r[rec::kSeat] == 4;
    for (int k = 0; k < 4; ++k) {
      const uint8_t tile = r[9 + 2 * k];
      if (!mine) {
        EXPECT_EQ(tile, 0) << "another seat's tile was sent";
      } else if (c == 1 || k == 3) {
        EXPECT_TRUE(IsPlayTile(tile));
      }
    }
    if (dealing) (mine ? dealtToMe : dealtToOthers) += c == 1 ? 4 : 1;
  }
  EXPECT_EQ(dealtToMe + dealtToOthers, 40);
  EXPECT_TRUE(dealtToMe == 13 || dealtToMe == 14);
  for (const auto& r : human.OfCommand(6)) {
    if (r[rec::kSeat] == 4) continue;
    // Another seat's turn only starts a clock: no options, no lists.
    EXPECT_EQ(r[9], 0);
    EXPECT_EQ(r[36], 0);
    EXPECT_EQ(r[46], 0);
    EXPECT_EQ(r[16], 0);
    EXPECT_EQ(r[100], 8);
  }
  for (const auto& r : human.OfCommand(7)) {
    if (r[9] == OpConcealedGang && r[rec::kSeat] != 4) {
      EXPECT_EQ(r[15], 0);
    }
  }
  // Reveals name only the other seats; three deal results and the deal end close the deal.
  for (const auto& r : human.OfCommand(15)) EXPECT_NE(r[rec::kSeat], 4);
  EXPECT_EQ(human.OfCommand(9).size(), 3u);
  const auto ends = human.OfCommand(16);
  ASSERT_EQ(ends.size(), 3u) << "the key at the seating, then the deal's end and the next dealer";
  EXPECT_EQ(ends[1][15], 0);
  EXPECT_EQ(ends[2][15], 2);
  EXPECT_EQ(ReadLE32(ends[2], rec::kTrailer), ReadLE32(ends[0], rec::kTrailer));
  EXPECT_EQ(human.OfCommand(17).size() % 3, 0u);
  EXPECT_EQ(Sum(listener.deals[0].total), 0);
}

TEST_F(TableTest, AHumanWhoDoesNotAnswerIsPlayedForAfterTheTurnAndGrace) {
  config.botDelayMs = 0;
  SeatHumanWithTwoBots();
  table->OnRecord(2, ClientRecord(16, 4, {0, 0, 0, 1}, LastTag()));
  // Run until the human has its own turn.
  RunUntil([&] {
    const Deal* d = table->CurrentDeal();
    return d && d->Awaiting(2) && d->OfferOf(2).kind == OfferKind::OwnTurn;
  });
  const Deal& deal = *table->CurrentDeal();
  const TileCode expected = deal.HandOf(2).LastInClientOrder();
  const int64_t due = table->NextWakeMs();
  EXPECT_GE(due - clock.NowMs(), 10000);  // 8 s plus the 2 s grace, at least
  const size_t before = human.OfCommand(2).size();
  clock.Set(due - 1);
  table->Tick();
  EXPECT_EQ(human.OfCommand(2).size(), before);
  clock.Set(due);
  table->Tick();
  const auto discards = human.OfCommand(2);
  ASSERT_GT(discards.size(), before);
  EXPECT_EQ(discards[before][rec::kSeat], 4);
  EXPECT_EQ(discards[before][15], expected);
}

TEST_F(TableTest, AnswersAreCheckedAgainstTheOfferTheyAnswer) {
  config.botDelayMs = 0;
  SeatHumanWithTwoBots();
  table->OnRecord(2, ClientRecord(16, 4, {0, 0, 0, 1}, LastTag()));
  RunUntil([&] {
    const Deal* d = table->CurrentDeal();
    return d && d->Awaiting(2) && d->OfferOf(2).kind == OfferKind::OwnTurn;
  });
  const Deal& deal = *table->CurrentDeal();
  const TileCode tile = deal.HandOf(2).ClientOrder()[0];
  const size_t before = human.OfCommand(2).size();
  // An answer that predates the offer is stale.
  table->OnRecord(2, ClientRecord(2, 4, {0, 0, 0, 0x4000 | tile}, 1));
  EXPECT_EQ(human.OfCommand(2).size(), before);
  // A tile the seat does not hold, and a discard without its marker, change nothing.
  TileCode missing = 0x21;
  while (deal.HandOf(2).Count(missing) > 0) ++missing;
  table->OnRecord(2, ClientRecord(2, 4, {0, 0, 0, 0x4000 | missing}, LastTag()));
  table->OnRecord(2, ClientRecord(2, 4, {0, 0, 0, tile}, LastTag()));
  table->OnRecord(2, ClientRecord(7, 4, {OpChi, 0, 0, 0}, LastTag()));
  EXPECT_EQ(human.OfCommand(2).size(), before);
  // The real answer goes through.
  table->OnRecord(2, ClientRecord(2, 4, {0, 0, 0, 0x4000 | tile}, LastTag()));
  const auto discards = human.OfCommand(2);
  ASSERT_EQ(discards.size(), before + 1);
  EXPECT_EQ(discards.back()[15], tile);
  EXPECT_EQ(discards.back()[rec::kSeat], 4);
  size_t refusals = 0;
  for (const auto& line : listener.lines) refusals += line.find("ignored") != std::string::npos;
  EXPECT_GE(refusals, 4u);
}

TEST_F(TableTest, GarbageRecordsChangeNothingAndTheDealStillEnds) {
  config.botDelayMs = 0;
  SeatHumanWithTwoBots();
  Rng rng(5);
  RunUntil([&] { return table->CurrentDeal() != nullptr; });
  for (int i = 0; i < 3000; ++i) {
    RecordBytes junk;
    for (auto& b : junk) b = static_cast<uint8_t>(rng.Next());
    // Keep it away from the leave notice and the continue record, which are legitimate.
    if (junk[rec::kCommand] == 16) junk[rec::kCommand] = 99;
    table->OnRecord(2, junk);
  }
  EXPECT_TRUE(human.closedFor.empty() || human.closedFor == "too many refused records");
  RunDeals(1);
  EXPECT_EQ(Sum(listener.deals[0].total), 0);
}

TEST_F(TableTest, AHumanLeavingMidDealIsPlayedForThenTheGameEnds) {
  config.botDelayMs = 0;
  RecordingLink bob;
  table.emplace(1, config, clock, 11, shanten, listener);
  table->Seat(Hall::BotProfile(1, 0), nullptr);
  table->Seat(Human("alice"), &human);
  table->Seat(Human("bob"), &bob);
  RunUntil([&] { return table->CurrentDeal() != nullptr; });
  table->OnRecord(1, ClientRecord(16, 2, {0, 0, 0, 0}, 0));  // alice's leave notice
  EXPECT_EQ(human.closedFor, "left the table");
  EXPECT_TRUE(table->Occupied(1));
  const size_t sentToAlice = human.received.size();
  RunDeals(1);
  EXPECT_EQ(human.received.size(), sentToAlice);  // nothing more for a closed link
  // Bob's client holds player-left notices back between deals, so the game ends instead:
  // the deal-end record with value(3) = 1 names the seat missing from its mask.
  EXPECT_TRUE(bob.OfCommand(21).empty());
  const auto ends = bob.OfCommand(16);
  ASSERT_EQ(ends.size(), 4u);
  EXPECT_EQ(ends[3][15], 1);
  EXPECT_EQ(ends[3][rec::kSeat], 7 - 2);
  EXPECT_TRUE(table->Closed());
}

TEST_F(TableTest, BeforeTheFirstDealALeavingHumanFreesTheSeatForTheNextLogin) {
  RecordingLink bob;
  table.emplace(1, config, clock, 11, shanten, listener);
  table->Seat(Hall::BotProfile(1, 0), nullptr);
  table->Seat(Human("alice"), &human);
  table->Seat(Human("bob"), &bob);
  table->Leave(1, &bob, "not the link of this seat");  // ignored
  EXPECT_TRUE(table->Occupied(1));
  table->Leave(1, &human, "lost connection");
  EXPECT_FALSE(table->Occupied(1));
  const auto left = bob.OfCommand(21);
  ASSERT_EQ(left.size(), 1u);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(&left[0][16])), "alice");
  EXPECT_TRUE(table->Accepting());
  RecordingLink carol;
  EXPECT_EQ(table->Seat(Human("carol"), &carol), 1);
  EXPECT_FALSE(table->Accepting());
  // The last human leaving closes the table.
  table->Leave(2, &bob, "lost connection");
  table->Leave(1, &carol, "lost connection");
  EXPECT_TRUE(table->Closed());
}

TEST_F(TableTest, ChatIsRelayedWithTheSendersSeatAndWhispersReachOnlyTheirTarget) {
  RecordingLink bob;
  table.emplace(1, config, clock, 11, shanten, listener);
  table->Seat(Hall::BotProfile(1, 0), nullptr);
  table->Seat(Human("alice"), &human);
  table->Seat(Human("bob"), &bob);
  RecordBytes chat = ClientRecord(19, 2, {0, 0, 0, 0}, 1);
  const std::string text = "alice: hello";
  std::copy(text.begin(), text.end(), chat.begin() + rec::kChatText);
  chat[215] = 'x';  // a text that fills its field is still ended inside it
  table->OnRecord(1, chat);
  ASSERT_EQ(human.OfCommand(19).size(), 1u);
  const auto got = bob.OfCommand(19);
  ASSERT_EQ(got.size(), 1u);
  EXPECT_EQ(got[0][rec::kSeat], 2);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(&got[0][16])), text);
  EXPECT_EQ(got[0][215], 0);
  EXPECT_EQ(ReadBE32(got[0], rec::kPropLength), 0u);
  // A whisper to bob (mask 4) reaches bob and its sender only.
  RecordBytes whisper = ClientRecord(19, 2, {0, 4, 0, 0}, 1);
  table->OnRecord(1, whisper);
  EXPECT_EQ(bob.OfCommand(19).size(), 2u);
  EXPECT_EQ(human.OfCommand(19).size(), 2u);
  RecordBytes toBot = ClientRecord(19, 4, {0, 1, 0, 0}, 1);
  table->OnRecord(2, toBot);  // the computer player has no link: everyone gets it
  EXPECT_EQ(human.OfCommand(19).size(), 3u);
}

TEST_F(TableTest, ASeatShortOfCoinsEndsTheGameWithTheNoticeInsteadOfTheDealEnd) {
  config.botDelayMs = 0;
  config.startingCoins = 30;
  config.minimumCoins = 30;  // any loss leaves a seat short
  config.feePercent = 10;
  SeatHumanWithTwoBots();
  for (size_t n = 1; !table->Closed() && n <= 20; ++n) {
    RunDeals(n);
    if (!table->Closed()) table->OnRecord(2, ClientRecord(16, 4, {0, 0, 0, 1}, human.tag));
  }
  ASSERT_TRUE(table->Closed());
  for (int s = 0; s < 3; ++s) EXPECT_GE(table->CoinsOf(s), 0) << s;
  const auto ends = human.OfCommand(kCmdDealEnd);
  ASSERT_FALSE(ends.empty());
  const RecordBytes& notice = ends.back();
  EXPECT_EQ(notice[15], 3);
  uint8_t shortMask = 0;
  for (int s = 0; s < 3; ++s)
    if (table->CoinsOf(s) < config.minimumCoins) shortMask |= static_cast<uint8_t>(1 << s);
  EXPECT_NE(shortMask, 0);
  EXPECT_EQ(notice[rec::kSeat], 7 & ~shortMask);
  // The last results come straight before it, and carry the table's fee.
  const auto& all = human.received;
  ASSERT_GE(all.size(), 4u);
  for (size_t i = all.size() - 4; i < all.size() - 1; ++i) {
    EXPECT_EQ(all[i][rec::kCommand], kCmdDealResult);
    EXPECT_EQ(all[i][34], 10);
  }
}

TEST_F(TableTest, PropsTravelOnlyWhenTheTableAllowsThem) {
  // Off: the player records keep the client's component off and prop messages go nowhere.
  SeatHumanWithTwoBots();
  for (const auto& r : human.OfCommand(kCmdPlayerInfo)) EXPECT_EQ(r[255], 1);
  table->OnRecord(2, ClientRecord(kCmdProp, 4, {1, 1}, human.tag));
  EXPECT_TRUE(human.OfCommand(kCmdProp).empty());

  // On, with bob in seat 1.
  config.props = true;
  human.received.clear();
  RecordingLink bob;
  table.emplace(1, config, clock, 7, shanten, listener);
  table->Seat(Hall::BotProfile(1, 0), nullptr);
  ASSERT_EQ(table->Seat(Human("bob"), &bob), 1);
  ASSERT_EQ(table->Seat(Human("alice"), &human), 2);
  for (const auto& r : human.OfCommand(kCmdPlayerInfo)) EXPECT_EQ(r[255], 0);
  // Alice (mask 4) gives bob (mask 2) a flower, claiming to be seat 1 and a key.
  RecordBytes gift = ClientRecord(kCmdProp, 1, {2, 2}, human.tag);
  WriteLE32(gift, rec::kTrailer, 0x1234);
  table->OnRecord(2, gift);
  ASSERT_EQ(bob.OfCommand(kCmdProp).size(), 1u);
  const RecordBytes relayed = bob.OfCommand(kCmdProp)[0];
  EXPECT_EQ(relayed[rec::kSeat], 4) << "the sender's real seat";
  EXPECT_EQ(relayed[9], 2);
  EXPECT_EQ(relayed[11], 2);
  EXPECT_EQ(ReadLE32(relayed, rec::kTrailer), 0u);
  EXPECT_TRUE(human.OfCommand(kCmdProp).empty()) << "the sender has shown it already";
  // To itself, to nobody, to two seats at once: not relayed.
  for (int target : {4, 0, 3, 8}) table->OnRecord(2, ClientRecord(kCmdProp, 4, {1, target}, 0));
  EXPECT_EQ(bob.OfCommand(kCmdProp).size(), 1u);
  // Each deal end is followed by the prop score.
  RunDeals(1);
  const auto& all = human.received;
  for (size_t i = 0; i + 1 < all.size(); ++i) {
    if (all[i][rec::kCommand] == kCmdDealEnd && all[i][15] == 0) {
      EXPECT_EQ(all[i + 1][rec::kCommand], kCmdPropScore);
    }
  }
  EXPECT_EQ(human.OfCommand(kCmdPropScore).size(), 1u);
}

TEST_F(TableTest, SeveralDealsRotateTheDealerAndStayBalanced) {
  config.botDelayMs = 0;
  SeatHumanWithTwoBots();
  for (size_t n = 1; n <= 4; ++n) {
    RunDeals(n);
    table->OnRecord(2, ClientRecord(16, 4, {0, 0, 0, 1}, LastTag()));
  }
  int64_t units = 0;
  for (int s = 0; s < 3; ++s) units += table->UnitsOf(s);
  EXPECT_EQ(units, 0);
  EXPECT_EQ(human.OfCommand(4).size(), 4u);
  EXPECT_EQ(human.OfCommand(9).size(), 12u);
  // Each deal start names the dealer the previous deal end announced.
  const auto starts = human.OfCommand(4);
  const auto ends = human.OfCommand(16);
  for (size_t n = 1; n < starts.size(); ++n) {
    const RecordBytes& next = ends[2 * n];  // after the seating's key
    ASSERT_EQ(next[15], 2);
    EXPECT_EQ(starts[n][rec::kSeat], next[rec::kSeat]);
  }
}

}  // namespace
}  // namespace korvel::server
