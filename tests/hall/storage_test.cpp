// Both storage engines against the real databases: accounts, settlements in one transaction,
// the daily top-up, counters, the shared table list and seat claims, and every way a database
// can be unusable at start.
#include "storage/storage.h"

#include <sqlite3.h>

#include <fstream>
#include <thread>

#include "hall_test_support.h"
#include "storage/account_rules.h"
#include "storage/storage_writer.h"

namespace korvel::server {
namespace {

using testing::PostgresDatabase;
using testing::TempFolder;

Account NewAccount(const std::string& name, int64_t coins = 10000) {
  Account a;
  a.name = name;
  a.nickname = "小" + name;
  a.gender = 0;
  a.avatar = "w3";
  a.location = "成都";
  a.title = TitleForPoints(0);
  a.passwordHash = "$argon2id$fake";
  a.coins = coins;
  a.credit = 100;
  a.created = 1700000000;
  a.lastSeen = 1700000000;
  return a;
}

DealSettlement Deal(const std::string& server, int64_t table, int64_t number,
                    std::array<int64_t, 3> coins, std::array<int, 3> units, int64_t fee = 0,
                    std::array<std::string, 3> names = {"alice", "bob", "robot#1-1"}) {
  DealSettlement d;
  d.server = server;
  d.tableId = table;
  d.deal = number;
  d.finished = 1700000100;
  for (int s = 0; s < 3; ++s) {
    d.seats[s].account = names[s];
    d.seats[s].bot = names[s].rfind("robot#", 0) == 0;
    d.seats[s].coins = coins[s];
    d.seats[s].units = units[s];
    d.seats[s].fee = coins[s] > 0 ? fee : 0;
  }
  return d;
}

// Each engine gets a fresh database; Reopen() opens it again as a restarted server would.
class StorageTest : public ::testing::TestWithParam<std::string> {
 protected:
  void SetUp() override {
    if (GetParam() == "postgres") {
      pg_ = std::make_unique<PostgresDatabase>();
      ASSERT_TRUE(pg_->Ok()) << "the test cluster is not running";
      location_ = pg_->Url();
    } else {
      location_ = folder_.File("hall/korvel.db");
    }
    storage_ = OpenStorage(location_, true);
  }
  void Reopen() {
    storage_.reset();
    storage_ = OpenStorage(location_, false);
  }

  TempFolder folder_;
  std::unique_ptr<PostgresDatabase> pg_;
  std::string location_;
  std::unique_ptr<Storage> storage_;
};

TEST_P(StorageTest, AccountsKeepEveryFieldAcrossARestartAndNamesAreUnique) {
  ASSERT_TRUE(storage_->CreateAccount(NewAccount("alice")));
  EXPECT_FALSE(storage_->CreateAccount(NewAccount("alice", 5))) << "the name is taken";
  EXPECT_FALSE(storage_->FindAccount("nobody"));
  Reopen();
  const std::optional<Account> a = storage_->FindAccount("alice");
  ASSERT_TRUE(a);
  EXPECT_GT(a->id, 0);
  EXPECT_EQ(a->nickname, "小alice");
  EXPECT_EQ(a->gender, 0);
  EXPECT_EQ(a->avatar, "w3");
  EXPECT_EQ(a->location, "成都");
  EXPECT_EQ(a->passwordHash, "$argon2id$fake");
  EXPECT_EQ(a->coins, 10000);
  EXPECT_EQ(a->credit, 100);
  EXPECT_EQ(a->created, 1700000000);
  // A name that differs only by a quote or a semicolon is just another name.
  EXPECT_TRUE(storage_->CreateAccount(NewAccount("a'; DROP TABLE accounts; --")));
  EXPECT_TRUE(storage_->FindAccount("a'; DROP TABLE accounts; --"));
}

TEST_P(StorageTest, ADealIsAppliedOnceAndItsSeatsSumToMinusTheFee) {
  ASSERT_TRUE(storage_->CreateAccount(NewAccount("alice")));
  ASSERT_TRUE(storage_->CreateAccount(NewAccount("bob")));
  // alice wins 600 less a fee of 60, bob pays 300, the computer player 300.
  const DealSettlement d = Deal("srv", 7, 1, {540, -300, -300}, {60, -30, -30}, 60);
  storage_->RecordDeal(d);
  storage_->RecordDeal(d);  // the same deal again, as after a retry
  storage_->RecordDeal(Deal("srv", 7, 2, {-100, 100, 0}, {-10, 10, 0}));
  Reopen();
  const Account alice = *storage_->FindAccount("alice");
  const Account bob = *storage_->FindAccount("bob");
  EXPECT_EQ(alice.coins, 10000 + 540 - 100);
  EXPECT_EQ(bob.coins, 10000 - 300 + 100);
  EXPECT_EQ(alice.wins, 1);
  EXPECT_EQ(alice.losses, 1);
  EXPECT_EQ(bob.wins, 1);
  EXPECT_EQ(bob.losses, 1);
  EXPECT_EQ(alice.points, 50) << "a win adds its units, a loss takes them";
  EXPECT_EQ(bob.points, 10) << "points never go below zero";
  EXPECT_EQ(alice.title, TitleForPoints(50));
  EXPECT_EQ(alice.credit, 100) << "credit stays at its ceiling";
}

TEST_P(StorageTest, TitlesFollowThePoints) {
  ASSERT_TRUE(storage_->CreateAccount(NewAccount("alice")));
  storage_->RecordDeal(Deal("srv", 1, 1, {5000, -2500, -2500}, {500, -250, -250}));
  EXPECT_EQ(storage_->FindAccount("alice")->title, "高手");
  EXPECT_EQ(TitleForPoints(0), "新手");
  EXPECT_EQ(TitleForPoints(99), "新手");
  EXPECT_EQ(TitleForPoints(100), "熟手");
  EXPECT_EQ(TitleForPoints(2000), "大师");
  EXPECT_EQ(TitleForPoints(10000), "宗师");
}

TEST_P(StorageTest, TheDailyTopUpComesOnceADayAndOnlyRaises) {
  ASSERT_TRUE(storage_->CreateAccount(NewAccount("poor", 50)));
  ASSERT_TRUE(storage_->CreateAccount(NewAccount("rich", 9000)));
  EXPECT_TRUE(storage_->TopUp("poor", 20000, 2000));
  EXPECT_FALSE(storage_->TopUp("poor", 20000, 2000)) << "once a day";
  EXPECT_EQ(storage_->FindAccount("poor")->coins, 2000);
  EXPECT_TRUE(storage_->TopUp("rich", 20000, 2000));
  EXPECT_EQ(storage_->FindAccount("rich")->coins, 9000) << "never lowers";
  EXPECT_TRUE(storage_->TopUp("poor", 20001, 2000));
}

TEST_P(StorageTest, LoginsAndDisconnectsAreCountedAndCostCredit) {
  ASSERT_TRUE(storage_->CreateAccount(NewAccount("alice")));
  storage_->CountLogin("alice", 1700000500);
  storage_->CountLogin("alice", 1700000600);
  for (int i = 0; i < 12; ++i) storage_->CountDisconnect("alice", 1700000700);
  const Account a = *storage_->FindAccount("alice");
  EXPECT_EQ(a.logins, 2);
  EXPECT_EQ(a.disconnects, 12);
  EXPECT_EQ(a.credit, 0) << "credit never goes below zero";
  EXPECT_EQ(a.lastSeen, 1700000700);
  storage_->RecordDeal(Deal("srv", 1, 1, {10, -10, 0}, {1, -1, 0}));
  EXPECT_EQ(storage_->FindAccount("alice")->credit, 1) << "a finished deal gives one back";
}

TEST_P(StorageTest, TablesAndSeatClaimsAreSharedAndStaleServersAreForgotten) {
  const int64_t a = storage_->NextTableId();
  const int64_t b = storage_->NextTableId();
  EXPECT_GT(b, a);
  storage_->RegisterServer("one", 1000);
  storage_->RegisterServer("two", 1000);
  TableRow row;
  row.id = a;
  row.server = "one";
  row.host = "10.0.0.5";
  row.port = 6000;
  row.stake = 20;
  row.turnSeconds = 10;
  row.computerPlayers = 1;
  row.seats[0] = TableSeatRow{"alice", "小alice", 900, false};
  row.seats[2] = TableSeatRow{"bob", "", 0, true};
  storage_->PutTable(row);
  TableRow other = row;
  other.id = b;
  other.server = "two";
  other.seats = {};
  storage_->PutTable(other);
  row.watchers = 2;
  storage_->PutTable(row);  // an update, not a second row
  std::vector<TableRow> rows = storage_->ListTables();
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0].id, a);
  EXPECT_EQ(rows[0].host, "10.0.0.5");
  EXPECT_EQ(rows[0].watchers, 2);
  EXPECT_EQ(rows[0].seats[0].nickname, "小alice");
  EXPECT_EQ(rows[0].seats[0].coins, 900);
  EXPECT_TRUE(rows[0].seats[2].reserved);
  EXPECT_TRUE(rows[0].seats[1].name.empty());

  EXPECT_TRUE(storage_->ClaimSeat({"alice", "one", a}));
  EXPECT_FALSE(storage_->ClaimSeat({"alice", "two", b})) << "one seat per account in the hall";
  EXPECT_EQ(storage_->FindClaim("alice")->server, "one");
  storage_->ReleaseSeat("alice", "two");  // not its claim to release
  EXPECT_TRUE(storage_->FindClaim("alice"));
  storage_->ReleaseSeat("alice", "one");
  EXPECT_TRUE(storage_->ClaimSeat({"alice", "two", b}));

  // Server "one" stops being heard from: its tables go, server "two"'s stay.
  storage_->RegisterServer("two", 2000);
  storage_->DropStaleServers(1500);
  rows = storage_->ListTables();
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0].server, "two");
  EXPECT_TRUE(storage_->FindClaim("alice"));
  storage_->RemoveTable("two", b);
  EXPECT_TRUE(storage_->ListTables().empty());
}

TEST_P(StorageTest, TheWriterWritesInOrderAndReportsEachTicket) {
  ASSERT_TRUE(storage_->CreateAccount(NewAccount("alice")));
  StorageWriter writer(*storage_, nullptr);
  uint64_t last = 0;
  for (int i = 1; i <= 20; ++i) {
    last = writer.Post([i](Storage& s) {
      s.RecordDeal(Deal("srv", 1, i, {10, -10, 0}, {1, -1, 0}, 0, {"alice", "ghost", "robot#1"}));
    });
  }
  writer.WaitIdle();
  EXPECT_TRUE(writer.Done(last));
  EXPECT_EQ(storage_->FindAccount("alice")->coins, 10200);
  EXPECT_EQ(writer.Failures(), 0);
}

INSTANTIATE_TEST_SUITE_P(Engines, StorageTest, ::testing::Values("sqlite", "postgres"),
                         [](const auto& info) { return info.param; });

// ---- databases that cannot be used stop the server with a message ----

std::string StartError(const std::string& location, bool create = false) {
  try {
    OpenStorage(location, create);
  } catch (const StorageError& e) {
    return e.what();
  }
  return {};
}

TEST(StorageRefusals, SqliteFilesThatAreMissingForeignCorruptNewerOrLocked) {
  TempFolder folder;
  EXPECT_NE(StartError(folder.File("none.db")).find("no database"), std::string::npos);

  const std::string garbage = folder.File("garbage.db");
  std::ofstream(garbage) << std::string(4096, 'x');
  EXPECT_NE(StartError(garbage).find("not a database"), std::string::npos) << StartError(garbage);

  const std::string foreign = folder.File("foreign.db");
  sqlite3* db = nullptr;
  sqlite3_open(foreign.c_str(), &db);
  sqlite3_exec(db, "CREATE TABLE photos (id INTEGER)", nullptr, nullptr, nullptr);
  sqlite3_close(db);
  EXPECT_NE(StartError(foreign).find("not made by korvel-server"), std::string::npos);

  const std::string newer = folder.File("newer.db");
  OpenStorage(newer, true).reset();
  sqlite3_open(newer.c_str(), &db);
  sqlite3_exec(db, "PRAGMA user_version=99", nullptr, nullptr, nullptr);
  sqlite3_close(db);
  EXPECT_NE(StartError(newer).find("newer than this korvel-server"), std::string::npos);

  // A real database with its pages damaged past the header.
  const std::string damaged = folder.File("damaged.db");
  {
    auto s = OpenStorage(damaged, true);
    for (int i = 0; i < 300; ++i) s->CreateAccount(NewAccount("player" + std::to_string(i)));
  }
  {
    std::fstream f(damaged, std::ios::in | std::ios::out | std::ios::binary);
    f.seekp(4096 + 100);
    const std::string noise(8192, '\xA5');
    f.write(noise.data(), static_cast<std::streamsize>(noise.size()));
  }
  EXPECT_NE(StartError(damaged).find("corrupt"), std::string::npos) << StartError(damaged);

  const std::string shared = folder.File("shared.db");
  auto first = OpenStorage(shared, true);
  EXPECT_NE(StartError(shared).find("in use by another process"), std::string::npos)
      << StartError(shared);
  first.reset();
  EXPECT_EQ(StartError(shared), "") << "free again once the first has closed it";
}

TEST(StorageRefusals, PostgresDatabasesThatAreUnreachableForeignOrNewer) {
  EXPECT_NE(StartError("postgresql://korvel@127.0.0.1:1/none?connect_timeout=2")
                .find("cannot connect to PostgreSQL"),
            std::string::npos);
  PostgresDatabase foreign;
  ASSERT_TRUE(foreign.Ok());
  ASSERT_TRUE(foreign.Exec("CREATE TABLE accounts (id INTEGER)"));
  EXPECT_NE(StartError(foreign.Url()).find("not made by korvel-server"), std::string::npos);

  PostgresDatabase newer;
  ASSERT_TRUE(newer.Ok());
  OpenStorage(newer.Url(), false).reset();
  ASSERT_TRUE(newer.Exec("UPDATE korvel_meta SET value = '42' WHERE key = 'schema'"));
  EXPECT_NE(StartError(newer.Url()).find("newer than this korvel-server"), std::string::npos);
}

TEST(StorageRefusals, TwoProcessesStartingTogetherOnPostgresShareOneSchema) {
  PostgresDatabase db;
  ASSERT_TRUE(db.Ok());
  std::string errors[2];
  std::thread a([&] { errors[0] = StartError(db.Url()); });
  std::thread b([&] { errors[1] = StartError(db.Url()); });
  a.join();
  b.join();
  EXPECT_EQ(errors[0], "");
  EXPECT_EQ(errors[1], "");
}

}  // namespace
}  // namespace korvel::server
