// Nothing lost: korvel-server is killed with SIGKILL at random moments while scripted players
// play, and restarted each time. After every kill the database opens, every account's coins
// are its starting coins plus the results of the deals that were written, and every written
// deal is whole (three seats whose results sum to minus the fee) and written once.
#include <libpq-fe.h>
#include <sqlite3.h>

#include <chrono>
#include <random>
#include <thread>

#include "hall_test_support.h"
#include "scripted_player.h"
#include "server_process.h"
#include "storage/storage.h"

namespace korvel::server {
namespace {

constexpr int64_t kStartingCoins = 100000;

// One number from a query, on either engine.
int64_t Query(const std::string& database, const std::string& sql) {
  int64_t v = -1;
  if (database.rfind("postgresql://", 0) == 0) {
    PGconn* c = PQconnectdb(database.c_str());
    PGresult* r = PQexec(c, sql.c_str());
    if (PQresultStatus(r) == PGRES_TUPLES_OK && PQntuples(r) == 1)
      v = std::strtoll(PQgetvalue(r, 0, 0), nullptr, 10);
    PQclear(r);
    PQfinish(c);
    return v;
  }
  sqlite3* db = nullptr;
  sqlite3_open_v2(database.c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
  sqlite3_stmt* st = nullptr;
  if (sqlite3_prepare_v2(db, sql.c_str(), -1, &st, nullptr) == SQLITE_OK &&
      sqlite3_step(st) == SQLITE_ROW)
    v = sqlite3_column_int64(st, 0);
  sqlite3_finalize(st);
  sqlite3_close(db);
  return v;
}

// Plays `rounds` rounds of six scripted players at two tables, each ended by SIGKILL after a
// random time; returns the deals written in all.
int64_t KillAndCheck(const std::string& database, int rounds, uint32_t seed) {
  std::mt19937 random(seed);
  std::uniform_int_distribution<int> playMs(50, 900);
  for (int round = 0; round < rounds; ++round) {
    testing::ServerProcess server;
    const bool started = server.Start({"--open",          "--database",
                                       database,          "--create-database",
                                       "--port",          "0",
                                       "--lobby-port",    "0",
                                       "--bots",          "0",
                                       "--start-seconds", "0",
                                       "--turn-seconds",  "3",
                                       "--fee",           "5",
                                       "--coins",         std::to_string(kStartingCoins),
                                       "--daily-coins",   "0",
                                       "--quiet"});
    EXPECT_TRUE(started) << "round " << round << ": " << server.Output();
    if (!started) return -1;
    std::vector<std::unique_ptr<testing::ScriptedPlayer>> players;
    for (int i = 0; i < 6; ++i) {
      players.push_back(std::make_unique<testing::ScriptedPlayer>(
          static_cast<uint16_t>(server.gamePort), "p" + std::to_string(i)));
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
    for (auto& p : players) p->Login("any");
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(playMs(random));
    while (std::chrono::steady_clock::now() < until) {
      for (auto& p : players) p->Poll();
      std::this_thread::sleep_for(std::chrono::microseconds(300));
    }
    server.Kill(SIGKILL);

    // The database opens as a restarted server would open it.
    try {
      OpenStorage(database, false).reset();
    } catch (const StorageError& e) {
      ADD_FAILURE() << "round " << round << ": " << e.what();
      return -1;
    }
    EXPECT_EQ(
        Query(database,
              "SELECT COUNT(*) FROM accounts a WHERE coins <> " + std::to_string(kStartingCoins) +
                  " + COALESCE((SELECT SUM(coins) FROM deal_seats WHERE account = a.name), "
                  "0)"),
        0)
        << "round " << round << ": an account's coins disagree with its deals";
    EXPECT_EQ(Query(database,
                    "SELECT COUNT(*) FROM (SELECT deal_id FROM deal_seats GROUP BY deal_id"
                    " HAVING COUNT(*) <> 3 OR SUM(coins) + SUM(fee) <> 0) AS broken"),
              0)
        << "round " << round << ": a deal half written or not balanced";
    EXPECT_EQ(Query(database,
                    "SELECT COUNT(*) FROM deals WHERE id NOT IN (SELECT deal_id FROM deal_seats)"),
              0)
        << "round " << round;
    if (::testing::Test::HasFailure()) return -1;
  }
  return Query(database, "SELECT COUNT(*) FROM deals");
}

TEST(KillTest, SqliteLosesNothingWhenTheServerIsKilledFiftyTimes) {
  testing::TempFolder folder;
  const int64_t deals = KillAndCheck(folder.File("korvel.db"), 50, 26);
  EXPECT_GT(deals, 20) << "the players got deals done between the kills";
  EXPECT_GT(Query(folder.File("korvel.db"), "SELECT SUM(fee) FROM deal_seats"), 0);
}

TEST(KillTest, PostgresLosesNothingWhenTheServerIsKilled) {
  testing::PostgresDatabase db;
  ASSERT_TRUE(db.Ok());
  EXPECT_GT(KillAndCheck(db.Url(), 12, 62), 3);
}

}  // namespace
}  // namespace korvel::server
