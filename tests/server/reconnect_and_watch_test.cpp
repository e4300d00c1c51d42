// A seat whose connection drops during a game: kept, played for, handed back with the table's
// snapshot, or given up when its player does not return. Watchers: admitted to a table in
// play, shown the deal from the watched seat's side, and never handed a turn.
#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <set>

#include "server_test_support.h"
#include "table/hall.h"
#include "table/server_records.h"
#include "table/table.h"

namespace korvel::server {
namespace {

using testing::CollectingListener;
using testing::RecordingLink;

PlayerProfile Human(const std::string& account) {
  PlayerProfile p;
  p.account = account;
  p.nickname = account;
  p.title = "玩家";
  return p;
}

// A new connection that takes a seat over: it numbers its records after the seat's last tag.
class ReturningLink : public RecordingLink {
 public:
  void ContinueTagsAfter(uint16_t last) override {
    tag = last;
    continued = last;
  }
  std::optional<uint16_t> continued;
};

std::vector<int> Commands(const RecordingLink& link, size_t from = 0) {
  std::vector<int> out;
  for (size_t i = from; i < link.received.size(); ++i) out.push_back(link.received[i][3]);
  return out;
}

RecordBytes LeaveNotice() {
  RecordBytes r{};
  r[rec::kCommand] = kCmdDealEnd;
  return r;
}

class ReconnectTest : public ::testing::Test {
 protected:
  // Two computer players, then alice in seat 2 (mask 4).
  void SeatAlice() {
    table.emplace(1, config, clock, 11, shanten, listener);
    table->Seat(Hall::BotProfile(1, 0), nullptr);
    table->Seat(Hall::BotProfile(1, 1), nullptr);
    ASSERT_EQ(table->Seat(Human("alice"), &alice), 2);
  }
  template <typename Done>
  void RunUntil(Done done, int steps = 20000) {
    for (int i = 0; i < steps && !done(); ++i) {
      const int64_t wake = table->NextWakeMs();
      if (wake == Table::kNever) break;
      if (wake > clock.NowMs()) clock.Set(wake);
      table->Tick();
    }
    ASSERT_TRUE(done());
  }
  const Deal& deal() { return *table->CurrentDeal(); }
  // Into the first deal, a few draws after the dealing.
  void IntoTheDeal(int taken = 46) {
    RunUntil([&] { return table->CurrentDeal() && deal().TakenFromFront() >= taken; });
  }
  uint32_t KeyOf(const RecordingLink& link) {
    for (auto it = link.received.rbegin(); it != link.received.rend(); ++it)
      if ((*it)[3] == kCmdDealEnd && (*it)[15] == 2) return ReadLE32(*it, rec::kTrailer);
    return 0;
  }

  TableConfig config;
  ManualClock clock;
  ShantenCalculator shanten;
  CollectingListener listener;
  RecordingLink alice;
  std::optional<Table> table;
};

TEST(RestoreRecords, CarryTheCountersAndTheEntriesWhereTheClientReadsThem) {
  EXPECT_EQ(WallEndCounter(0), 71);
  EXPECT_EQ(WallEndCounter(2), 69);
  EXPECT_EQ(WallEndCounter(1), 4);
  EXPECT_EQ(WallEndCounter(3), 2);
  EXPECT_EQ(WallEndCounter(7), 70);
  const std::array<RestoreEntry, 2> entries{{{0x23, 0x85}, {0x10, 0x21}}};
  const RecordBytes r = RestoreRecord(1, 5, 44, 69, entries);
  EXPECT_EQ(r[3], 40);
  EXPECT_EQ(r[6], 2);
  EXPECT_EQ(r[7], 5);
  EXPECT_EQ(r[9], 44);
  EXPECT_EQ(r[13], 69);
  EXPECT_EQ(r[16], 0x23);
  EXPECT_EQ(r[17], 0x85);
  EXPECT_EQ(r[18], 0x10);
  EXPECT_EQ(r[19], 0x21);
  EXPECT_EQ(r[20], 0);
}

TEST_F(ReconnectTest, ALostSeatIsPlayedForAndComesBackWithItsTable) {
  SeatAlice();
  IntoTheDeal();
  const uint16_t lastTag = alice.tag;
  table->Lost(2, &alice, "closed by the client");
  EXPECT_TRUE(table->Away(2));
  EXPECT_TRUE(table->Occupied(2));
  const size_t before = alice.received.size();
  // The deal goes on without the player, its turns played for it.
  IntoTheDeal(52);
  EXPECT_EQ(alice.received.size(), before) << "nothing goes to a lost connection";

  ReturningLink back;
  ASSERT_TRUE(table->Reconnect(2, KeyOf(alice), &back)) << "the key given when the table filled";
  EXPECT_FALSE(table->Away(2));
  EXPECT_EQ(back.continued, lastTag);
  const std::vector<int> commands = Commands(back);
  ASSERT_GE(commands.size(), 5u);
  EXPECT_EQ(std::vector<int>(commands.begin(), commands.begin() + 5),
            (std::vector<int>{29, 4, 40, 40, 40}));
  EXPECT_EQ(back.received[0][15], 1);
  EXPECT_EQ(back.received[1][rec::kSeat], 1 << deal().Dealer());
  for (int s = 0; s < kSeatCount; ++s) {
    const RecordBytes& r = back.received[2 + s];
    EXPECT_EQ(r[rec::kSeat], 1 << s);
    EXPECT_EQ(r[rec::kByte5], 1) << "the first deal at the table";
    EXPECT_EQ(r[7], deal().DiscardsOf(s).size);
    EXPECT_EQ(r[9], deal().TakenFromFront());
    EXPECT_EQ(r[13], WallEndCounter(deal().TakenFromBack()));
    const Hand& h = deal().HandOf(s);
    std::vector<int> concealed;
    int exposed = 0;
    for (int k = 0; k < 24; ++k) {
      if (r[16 + 2 * k] == kRestoreConcealed) concealed.push_back(r[17 + 2 * k]);
      if ((r[16 + 2 * k] & 0xF0) == kRestoreExposed) ++exposed;
    }
    ASSERT_EQ(concealed.size(), static_cast<size_t>(h.ConcealedCount())) << s;
    int melded = 0;
    for (int m = 0; m < h.meldCount; ++m) melded += h.melds[m].IsGang() ? 4 : 3;
    EXPECT_EQ(exposed, melded);
    if (s == 2) {
      const TileList order = h.ClientOrder();
      EXPECT_EQ(concealed, std::vector<int>(order.begin(), order.end())) << "its own tiles";
    } else {
      EXPECT_EQ(concealed, std::vector<int>(concealed.size(), 0)) << "others' tiles stay hidden";
    }
  }
  // Its open turn starts again with a fresh tag; the game goes on with it.
  if (deal().Awaiting(2) && deal().OfferOf(2).kind == OfferKind::OwnTurn) {
    ASSERT_EQ(commands.size(), 6u);
    EXPECT_EQ(commands[5], kCmdOptions);
  }
  RunUntil([&] { return listener.deals.size() >= 1; });
  EXPECT_GT(back.OfCommand(kCmdDealResult).size(), 0u);
}

TEST_F(ReconnectTest, OnlyTheKeyTheSeatWasGivenBringsItBack) {
  SeatAlice();
  RunUntil([&] { return listener.deals.size() >= 1; });
  const uint32_t key = KeyOf(alice);
  ASSERT_NE(key, 0u);
  table->Lost(2, &alice, "read error");
  ReturningLink thief, back;
  EXPECT_FALSE(table->Reconnect(2, 0, &thief));
  EXPECT_FALSE(table->Reconnect(2, key ^ 0x10, &thief));
  EXPECT_TRUE(thief.received.empty());
  ASSERT_TRUE(table->Reconnect(2, key, &back));
  // It saw the deal's end before the drop: only the verdict between deals.
  EXPECT_EQ(Commands(back), std::vector<int>{29});
}

TEST_F(ReconnectTest, ASeatAwayAtTheDealsEndGetsItsResultsOnReturn) {
  SeatAlice();
  IntoTheDeal();
  table->Lost(2, &alice, "closed by the client");
  RunUntil([&] { return listener.deals.size() >= 1; });
  ReturningLink back;
  ASSERT_TRUE(table->Reconnect(2, KeyOf(alice), &back));
  const std::vector<int> commands = Commands(back);
  ASSERT_GE(commands.size(), 6u);
  EXPECT_EQ(commands.front(), 29);
  EXPECT_EQ(std::vector<int>(commands.end() - 5, commands.end()),
            (std::vector<int>{9, 9, 9, 16, 16}));
  EXPECT_EQ(back.received[commands.size() - 2][15], 0) << "the deal's end";
  EXPECT_EQ(back.received.back()[15], 2) << "the next dealer, with the key";
  EXPECT_NE(ReadLE32(back.received.back(), rec::kTrailer), 0u);
  // Every win report of the deal reached the client once, before or after the drop, so the
  // board's totals agree with the results.
  const DealOutcome& out = listener.deals[0];
  const size_t reports = 3 * (listener.wins.size() + (out.exhausted ? 1 : 0));
  EXPECT_EQ(alice.OfCommand(kCmdWinReport).size() + back.OfCommand(kCmdWinReport).size(), reports);
  // And it sees the others' hands as the players who stayed did.
  EXPECT_FALSE(back.OfCommand(kCmdReveal).empty());
  // Its continue record makes it ready for the next deal.
  RecordBytes ready{};
  ready[rec::kCommand] = kCmdDealEnd;
  ready[15] = 1;
  table->OnRecord(2, ready);
  EXPECT_FALSE(back.OfCommand(kCmdReadyMark).empty());
}

TEST_F(ReconnectTest, APlayerWhoDoesNotReturnInTimeEndsTheGame) {
  config.reconnectWindowMs = 20000;
  SeatAlice();
  IntoTheDeal();
  table->Lost(2, &alice, "closed by the client");
  RunUntil([&] { return table->Closed(); });
  EXPECT_EQ(listener.deals.size(), 1u) << "the deal was finished first";
  ReturningLink late;
  EXPECT_FALSE(table->Reconnect(2, KeyOf(alice), &late));
}

TEST_F(ReconnectTest, BeforeTheFirstDealALostConnectionFreesTheSeat) {
  SeatAlice();
  table->Lost(2, &alice, "closed by the client");
  EXPECT_FALSE(table->Occupied(2));
  EXPECT_TRUE(table->Closed()) << "no human left";
}

TEST_F(ReconnectTest, ANewConnectionTakesOverFromOneThatHasNotNoticedItIsGone) {
  SeatAlice();
  IntoTheDeal();
  ReturningLink back;
  ASSERT_TRUE(table->Reconnect(2, KeyOf(alice), &back));
  EXPECT_EQ(alice.closedFor, "replaced by a reconnection");
  const size_t before = alice.received.size();
  RunUntil([&] { return listener.deals.size() >= 1; });
  EXPECT_EQ(alice.received.size(), before);
  EXPECT_FALSE(back.OfCommand(kCmdDealResult).empty());
}

TEST_F(ReconnectTest, AWatcherSeesTheDealFromItsSeatAndIsNeverGivenATurn) {
  SeatAlice();
  IntoTheDeal();
  RecordingLink watcher;
  ASSERT_TRUE(table->Watch(&watcher, 2));
  EXPECT_EQ(Commands(watcher), (std::vector<int>{18, 3, 3, 3, 20, 20, 20, 4, 40, 40, 40}));
  EXPECT_EQ(watcher.received[0][15], 1);
  EXPECT_EQ(watcher.received[4][rec::kSeat], 4) << "the watched player first";
  EXPECT_EQ(watcher.received[5][rec::kSeat], 1);
  const RecordBytes& own = watcher.received[10];
  EXPECT_EQ(own[rec::kSeat], 4);
  const TileList order = deal().HandOf(2).ClientOrder();
  for (size_t k = 0; k < order.size; ++k) {
    EXPECT_EQ(own[16 + 2 * k], kRestoreConcealed);
    EXPECT_EQ(own[17 + 2 * k], order[k]);
  }
  EXPECT_EQ(watcher.received[8][17], 0) << "another seat's tiles stay hidden";

  const size_t from = watcher.received.size();
  RunUntil([&] { return listener.deals.size() >= 1; });
  bool sawOwnTile = false;
  for (size_t i = from; i < watcher.received.size(); ++i) {
    const RecordBytes& r = watcher.received[i];
    EXPECT_FALSE(r[3] == kCmdOptions && r[rec::kSeat] == 4) << "the watched seat's turn";
    if (r[3] == kCmdDraw && r[rec::kSeat] == 4 && r[15] != 0) sawOwnTile = true;
    if (r[3] == kCmdDraw && r[rec::kSeat] != 4) {
      EXPECT_EQ(r[15], 0);
    }
  }
  EXPECT_TRUE(sawOwnTile);

  table->OnWatcherRecord(&watcher, LeaveNotice());
  EXPECT_EQ(table->Watchers(), 0);
  EXPECT_FALSE(watcher.closedFor.empty());
}

// A table whose first deal opens with the dealer, a computer player, winning on its own
// tiles, so the deal goes on after a win.
class WinFirstTest : public ReconnectTest {
 protected:
  void SeatAliceAtAWonTable() {
    // The dealer is drawn from the table's seed: find a seed whose dealer is a computer player.
    for (seed = 1; seed < 50; ++seed) {
      CollectingListener quiet;
      Table probe(1, config, clock, seed, shanten, quiet);
      probe.Seat(Hall::BotProfile(1, 0), nullptr);
      probe.Seat(Hall::BotProfile(1, 1), nullptr);
      RecordingLink nobody;
      probe.Seat(Human("alice"), &nobody);
      clock.Advance(config.startSeconds * 1000LL);
      probe.Tick();
      if (probe.CurrentDeal() && probe.CurrentDeal()->Dealer() != 2) {
        dealer = probe.CurrentDeal()->Dealer();
        break;
      }
    }
    ASSERT_GE(dealer, 0);
    std::array<std::string, 3> hands;
    hands[dealer] = "b1 b1 b1 b2 b2 b2 b3 b3 b3 b4 b4 b4 b5 b5";
    hands[(dealer + 1) % 3] = "d1 d2 d3 d4 d5 d6 d7 d8 d9 d1 d2 d3 b6";
    hands[(dealer + 2) % 3] = "d4 d5 d6 d7 d8 d9 d1 d2 d3 d4 d5 d6 b7";
    walls = {testing::ScriptWall(dealer, hands)};
    table.emplace(1, config, clock, seed, shanten, listener, &walls);
    table->Seat(Hall::BotProfile(1, 0), nullptr);
    table->Seat(Hall::BotProfile(1, 1), nullptr);
    ASSERT_EQ(table->Seat(Human("alice"), &alice), 2);
  }
  void UntilTheFirstWin() {
    RunUntil([&] { return !listener.wins.empty(); });
    ASSERT_FALSE(listener.wins.empty());
    ASSERT_EQ(listener.wins[0].winners[0].seat, dealer);
    ASSERT_FALSE(deal().Over());
  }
  // After the snapshot: the win's result and its three reports, one per seat.
  void ExpectTheWinAfterTheSnapshot(const RecordingLink& link) {
    const std::vector<int> commands = Commands(link);
    const auto restore = std::find(commands.begin(), commands.end(), int{kCmdRestore});
    ASSERT_NE(restore, commands.end());
    const size_t at = static_cast<size_t>(restore - commands.begin()) + 3;
    ASSERT_GE(commands.size(), at + 4);
    EXPECT_EQ(std::vector<int>(commands.begin() + at, commands.begin() + at + 4),
              (std::vector<int>{kCmdOperation, kCmdWinReport, kCmdWinReport, kCmdWinReport}));
    const RecordBytes& win = link.received[at];
    EXPECT_EQ(win[9], OpHu);
    EXPECT_EQ(win[rec::kSeat], 1 << dealer);
    std::set<int> seats;
    for (size_t i = at + 1; i < at + 4; ++i) seats.insert(link.received[i][rec::kSeat]);
    EXPECT_EQ(seats, (std::set<int>{1, 2, 4}));
  }

  uint64_t seed = 0;
  int dealer = -1;
  std::vector<WallTiles> walls;
};

TEST_F(WinFirstTest, APlayerBackInTheDealSeesTheWinItMissed) {
  SeatAliceAtAWonTable();
  RunUntil([&] { return table->CurrentDeal() != nullptr; });
  ASSERT_TRUE(listener.wins.empty());
  table->Lost(2, &alice, "closed by the client");
  UntilTheFirstWin();
  ReturningLink back;
  ASSERT_TRUE(table->Reconnect(2, KeyOf(alice), &back));
  ExpectTheWinAfterTheSnapshot(back);
}

TEST_F(WinFirstTest, AWatcherComingInAfterAWinSeesIt) {
  config.maxWatchers = 1;
  SeatAliceAtAWonTable();
  UntilTheFirstWin();
  RecordingLink watcher, second;
  ASSERT_TRUE(table->Watch(&watcher, 2));
  ExpectTheWinAfterTheSnapshot(watcher);
  EXPECT_FALSE(table->Watch(&second, 2)) << "one watcher per table here";
  EXPECT_FALSE(table->Watch(&second, dealer)) << "a computer player is not watched";
}

TEST_F(WinFirstTest, WatchersGetTheWinsAfterTheLastPlayerLeft) {
  SeatAliceAtAWonTable();
  RecordingLink watcher;
  ASSERT_TRUE(table->Watch(&watcher, 2)) << "a full table may be watched before its first deal";
  RunUntil([&] { return table->CurrentDeal() != nullptr; });
  ASSERT_TRUE(listener.wins.empty());
  table->Leave(2, &alice, "leave notice");
  const int64_t left = clock.NowMs();
  RunUntil([&] { return table->Closed(); });
  EXPECT_EQ(watcher.OfCommand(kCmdWinReport).size(),
            3 * (listener.wins.size() + (listener.deals[0].exhausted ? 1 : 0)));
  EXPECT_GE(watcher.OfCommand(kCmdDealResult).size(), 3u);
  EXPECT_GT(clock.NowMs() - left, config.botDelayMs) << "played at a pace the watcher can follow";
  const auto ends = watcher.OfCommand(kCmdDealEnd);
  ASSERT_FALSE(ends.empty());
  EXPECT_EQ(ends.back()[15], 1) << "the game is over";
}

TEST(HallWatching, AWatchKeyNamesThePlayerToWatch) {
  ManualClock clock;
  HallConfig config;
  config.allowWatchers = true;
  Hall hall(config, clock, [](std::string_view) {});
  RecordingLink alice, watcher, nobody, back;
  ASSERT_EQ(hall.Login(BuildLoginRecord("alice", "k").record, &alice).verdict,
            LoginVerdict::Accepted);
  const Hall::Placement watching =
      hall.Login(BuildLoginRecord("eve", "watch:alice").record, &watcher);
  EXPECT_EQ(watching.verdict, LoginVerdict::Accepted);
  EXPECT_TRUE(watching.watching);
  EXPECT_EQ(watching.seat, 2);
  EXPECT_EQ(hall.Login(BuildLoginRecord("eve", "watch:bob").record, &nobody).verdict,
            LoginVerdict::TableUnavailable);
  // A reconnection for a seat that was never lost and a wrong account.
  RecordBytes reconnect = BuildLoginRecord("mallory", "k").record;
  reconnect[3] = kCmdReconnect;
  EXPECT_EQ(hall.Reconnect(reconnect, &back).verdict, LoginVerdict::Refused);
  EXPECT_TRUE(back.received.empty());
}

}  // namespace
}  // namespace korvel::server
