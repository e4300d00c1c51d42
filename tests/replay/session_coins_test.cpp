// The player's coins from session files: the own information record's coins moved by the deal
// results of the own seat only, watched and coinless games told apart, damaged files read up to
// the damage, and the last games of a folder in the order they were played.
#include "replay/session_coins.h"

#include <gtest/gtest.h>

#include <fstream>
#include <limits>

#include "support/scratch_folder.h"

namespace korvel {
namespace {

// A session file as the recorder writes it, built record by record.
class Session {
 public:
  explicit Session(HeaderFields header) : bytes_(EncodeSessionHeader(header)) {}

  // Command 20: about the player itself with seat byte 15.
  Session& Info(int seat, const std::string& account, uint64_t coins) {
    RecordBytes r = Record(20, seat);
    Put(r, 16, "nick-" + account);
    for (int k = 0; k < 8; ++k) r[96 + k] = static_cast<uint8_t>(coins >> (8 * k));
    Put(r, 168, account);
    return Add(r);
  }
  // Command 3: who sits at `mask`.
  Session& Seat(int mask, const std::string& account) {
    RecordBytes r = Record(3, mask);
    Put(r, 16, account);
    return Add(r);
  }
  // Command 9: the coins `mask` won (gain) or lost.
  Session& Result(int mask, bool gain, uint64_t size, bool limited = false) {
    RecordBytes r = Record(9, mask);
    r[11] = gain ? 1 : 0;  // value(1)
    for (int k = 0; k < 8; ++k) r[16 + k] = static_cast<uint8_t>(size >> (8 * k));
    r[24] = limited ? 1 : 0;
    return Add(r);
  }
  Session& Add(const RecordBytes& r, EntryKind kind = EntryKind::Received) {
    AppendSessionEntry(bytes_, kind, time_ += 100, r);
    return *this;
  }
  // Alice at seat mask 2 between bob and carol, with 10 000 coins.
  Session& Seated(const std::string& self = "alice") {
    Info(15, self, 10000);
    Seat(1, "bob").Seat(2, "alice").Seat(4, "carol");
    return Info(1, "bob", 777).Info(4, "carol", 888);
  }

  std::vector<uint8_t>& bytes() { return bytes_; }
  GameCoins Summary() const { return SummariseCoins(ParseSession(bytes_)); }

  static RecordBytes Record(int command, int seat) {
    RecordBytes r{};
    r[3] = static_cast<uint8_t>(command);
    r[6] = static_cast<uint8_t>(seat);
    return r;
  }

 private:
  static void Put(RecordBytes& r, size_t at, const std::string& text) {
    std::copy(text.begin(), text.end(), r.begin() + static_cast<long>(at));
  }

  std::vector<uint8_t> bytes_;
  uint32_t time_ = 0;
};

HeaderFields Header(const std::string& user, bool watcher = false) {
  return {{"client", "korvel test"},
          {"user", user},
          {"server", "hall.example:9000"},
          {"location", "杭州"},
          {"watcher", watcher ? "1" : "0"}};
}

TEST(SessionCoins, OnlyTheOwnSeatsResultsMoveTheOwnCoins) {
  Session s(Header("alice"));
  s.Seated();
  s.Result(2, true, 300).Result(1, false, 150).Result(4, false, 150);
  s.Result(2, false, 120).Result(1, true, 200);
  s.Result(2, true, 0);  // a drawn deal still settles
  // What the client sent is not a result, and a later information record follows the deals.
  s.Add(Session::Record(9, 2), EntryKind::Sent);
  s.Info(15, "alice", 10180);
  s.Result(2, false, 80);

  const GameCoins g = s.Summary();
  EXPECT_TRUE(g.coinsKnown);
  EXPECT_FALSE(g.watcher);
  EXPECT_EQ(g.coinsAtStart, 10000);
  EXPECT_EQ(g.coinsAtEnd, 10100);
  EXPECT_EQ(g.deals, 4);
  EXPECT_EQ(g.user, "alice");
  EXPECT_EQ(g.server, "hall.example:9000");
  EXPECT_EQ(g.location, "杭州");
}

TEST(SessionCoins, TheOwnSeatFollowsTheSeatAnnouncements) {
  // Without the launch's account the server's own information record names the player.
  Session s(Header(""));
  s.Seated().Result(2, false, 500, /*limited=*/true);
  // The seats change between stays at the table: alice is now at mask 4.
  s.Seat(1, "carol").Seat(2, "bob").Seat(4, "alice");
  s.Result(2, true, 1000).Result(4, false, 9500, /*limited=*/true);
  const GameCoins g = s.Summary();
  EXPECT_EQ(g.coinsAtEnd, 0);
  EXPECT_EQ(g.deals, 2);
}

TEST(SessionCoins, WatchedAndCoinlessGamesSayNothingOfTheCoins) {
  Session watched(Header("alice", /*watcher=*/true));
  watched.Seated().Result(2, true, 300);
  const GameCoins w = watched.Summary();
  EXPECT_TRUE(w.watcher);
  EXPECT_FALSE(w.coinsKnown);
  EXPECT_EQ(w.coinsAtEnd, 0);
  EXPECT_EQ(w.deals, 0);

  // The connection ended before the server told the player about itself.
  Session early(Header("alice"));
  early.Seat(2, "alice").Result(2, true, 300);
  EXPECT_FALSE(early.Summary().coinsKnown);

  const GameCoins unreadable = SummariseCoins(ParseSession(std::vector<uint8_t>{'x'}));
  EXPECT_FALSE(unreadable.coinsKnown);
  EXPECT_EQ(unreadable.deals, 0);
}

TEST(SessionCoins, ADamagedFileCountsTheDealsBeforeTheDamage) {
  Session s(Header("alice"));
  s.Seated().Result(2, true, 300);
  const size_t whole = s.bytes().size();
  s.Result(2, true, 500);
  s.Result(2, true, 700);

  std::vector<uint8_t> cut = s.bytes();
  cut.resize(cut.size() - 5);
  GameCoins g = SummariseCoins(ParseSession(cut));
  EXPECT_EQ(g.deals, 2);
  EXPECT_EQ(g.coinsAtEnd, 10800);

  std::vector<uint8_t> damaged = s.bytes();
  damaged[whole + 20] ^= 0x40;  // inside the second result
  g = SummariseCoins(ParseSession(damaged));
  EXPECT_EQ(g.deals, 1);
  EXPECT_EQ(g.coinsAtEnd, 10300);
}

TEST(SessionCoins, HostileAmountsStopAtTheEndsOfTheRange) {
  constexpr uint64_t kHuge = std::numeric_limits<uint64_t>::max();
  Session up(Header("alice"));
  up.Seated().Result(2, true, kHuge).Result(2, true, kHuge);
  EXPECT_EQ(up.Summary().coinsAtEnd, std::numeric_limits<int64_t>::max());

  Session down(Header("alice"));
  down.Seated().Result(2, false, kHuge).Result(2, false, kHuge);
  EXPECT_LT(down.Summary().coinsAtEnd, -(int64_t{1} << 62));  // never wrapped round to a gain

  Session rich(Header("alice"));
  rich.Info(15, "alice", uint64_t{1} << 62).Seat(2, "alice").Result(2, true, uint64_t{1} << 62);
  rich.Result(2, true, uint64_t{1} << 62);
  EXPECT_EQ(rich.Summary().coinsAtEnd, std::numeric_limits<int64_t>::max());
}

class RecentGamesTest : public ::testing::Test {
 protected:
  void Write(const std::string& name, const std::vector<uint8_t>& bytes) {
    std::ofstream(folder.path() + "/" + name, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<long>(bytes.size()));
  }
  // A played game in which alice won `won` coins.
  void Played(const std::string& name, uint64_t won) {
    Session s(Header("alice"));
    s.Seated().Result(2, true, won);
    Write(name, s.bytes());
  }
  static std::vector<std::string> Names(const std::vector<GameCoins>& games) {
    std::vector<std::string> names;
    for (const GameCoins& g : games) names.push_back(g.fileName);
    return names;
  }

  testing::ScratchFolder folder;
};

TEST_F(RecentGamesTest, TheLastGamesWithCoinsComeOldestFirst) {
  // Written out of order: the names, not the writing, give the age.
  Played("20240106-090000_c.kvsession", 6);
  Played("20240101-100000_a.kvsession", 1);
  Played("20240104-100000_b.kvsession", 4);
  Session watched(Header("alice", /*watcher=*/true));
  watched.Seated().Result(2, true, 10);
  Write("20240102-100000_w.kvsession", watched.bytes());
  Session coinless(Header("alice"));
  coinless.Seat(2, "alice");
  Write("20240103-100000_n.kvsession", coinless.bytes());
  Write("20240105-100000_junk.kvsession", {'n', 'o', 't', ' ', 'a', ' ', 's', 'e', 's'});
  Played("20240108-100000_other.txt", 8);
  std::filesystem::create_directory(folder.path() + "/20240109-100000_dir.kvsession");
  // The newest file was cut while being written: what it holds still counts.
  Session cut(Header("alice"));
  cut.Seated().Result(2, true, 7).Result(2, true, 100);
  cut.bytes().resize(cut.bytes().size() - 1);
  Write("20240107-100000_cut.kvsession", cut.bytes());

  std::vector<GameCoins> games = RecentGames(folder.path(), 10);
  EXPECT_EQ(Names(games), (std::vector<std::string>{
                              "20240101-100000_a.kvsession", "20240104-100000_b.kvsession",
                              "20240106-090000_c.kvsession", "20240107-100000_cut.kvsession"}));
  ASSERT_EQ(games.size(), 4u);
  EXPECT_EQ(games[0].path, folder.path() + "/20240101-100000_a.kvsession");
  EXPECT_EQ(games[0].coinsAtEnd, 10001);
  EXPECT_EQ(games[3].coinsAtEnd, 10007);

  games = RecentGames(folder.path(), 2);
  EXPECT_EQ(Names(games), (std::vector<std::string>{"20240106-090000_c.kvsession",
                                                    "20240107-100000_cut.kvsession"}));
  EXPECT_TRUE(RecentGames(folder.path(), 0).empty());
  EXPECT_TRUE(RecentGames(folder.path() + "/missing", 5).empty());
}

}  // namespace
}  // namespace korvel
