// The whole path on loopback: register, sign in, open a table and reserve a seat over HTTP, log
// in on the game port with the key through the client core's login record, play deals, and
// find the results in GET /api/v1/me and, after a restart on the same database, in the player
// information the table sends.
#include <httplib.h>
#include <sqlite3.h>

#include "hall/hall_service.h"
#include "hall/http_api.h"
#include "hall_test_support.h"
#include "net/net_server.h"
#include "scripted_player.h"
#include "storage/storage_writer.h"
#include "table/hall.h"

namespace korvel::server {
namespace {

using nlohmann::json;

// One server process: storage, hall service, HTTP, tables and game port on a manual clock.
struct Server {
  Server(const std::string& database, bool open = false) {
    storage = OpenStorage(database, true);
    writer = std::make_unique<StorageWriter>(*storage, nullptr);
    HallConfig tables;
    tables.bots = 2;
    tables.table.botDelayMs = 0;
    tables.table.startSeconds = 1;
    tables.table.firstTurnAllowanceMs = 0;
    tables.table.startingCoins = 10000;
    tables.table.minimumCoins = 100;
    hall = std::make_unique<Hall>(tables, clock, [](std::string_view) {});
    NetConfig net;
    net.port = 0;
    game = std::make_unique<NetServer>(net, *hall, clock, [](std::string_view) {});
    std::string error;
    EXPECT_TRUE(game->Listen(&error)) << error;
    HallServiceConfig config;
    config.open = open;
    config.serverId = "loopback";
    config.port = game->Port();
    config.hashCost = HashCost::Minimal;
    service = std::make_unique<HallService>(config, *storage, *writer, [](std::string_view) {});
    hall->SetLink(service.get());
    HallHttpConfig httpConfig;
    httpConfig.port = 0;
    http = std::make_unique<HallHttpServer>(*service, httpConfig);
    EXPECT_TRUE(http->Start(&error)) << error;
    client = std::make_unique<httplib::Client>("127.0.0.1", http->Port());
  }
  ~Server() {
    http.reset();
    hall->SetLink(nullptr);
    writer->WaitIdle();
  }

  json Call(const std::string& method, const std::string& path, const json& body = nullptr,
            const std::string& token = "") {
    httplib::Headers headers;
    if (!token.empty()) headers.emplace("Authorization", "Bearer " + token);
    const httplib::Result r =
        method == "GET"
            ? client->Get(path, headers)
            : client->Post(path, headers, body.is_null() ? "" : body.dump(), "application/json");
    return r ? json::parse(r->body, nullptr, false) : json();
  }
  // Plays until `done` or the clock has run `limitMs` of virtual time.
  template <typename Done>
  void Play(testing::ScriptedPlayer& player, Done done, int64_t limitMs = 3'600'000) {
    for (int64_t t = 0; t < limitMs && !done(); t += 50) {
      game->RunOnce(0);
      player.Poll();
      clock.Advance(50);
    }
  }

  ManualClock clock;
  std::unique_ptr<Storage> storage;
  std::unique_ptr<StorageWriter> writer;
  std::unique_ptr<Hall> hall;
  std::unique_ptr<NetServer> game;
  std::unique_ptr<HallService> service;
  std::unique_ptr<HallHttpServer> http;
  std::unique_ptr<httplib::Client> client;
};

// One number from an SQL query on the file.
int64_t QueryNumber(const std::string& file, const std::string& sql) {
  sqlite3* db = nullptr;
  sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
  sqlite3_stmt* st = nullptr;
  int64_t v = -1;
  if (sqlite3_prepare_v2(db, sql.c_str(), -1, &st, nullptr) == SQLITE_OK &&
      sqlite3_step(st) == SQLITE_ROW)
    v = sqlite3_column_int64(st, 0);
  sqlite3_finalize(st);
  sqlite3_close(db);
  return v;
}

std::string SignIn(Server& s) {
  return s.Call("POST", "/api/v1/sessions", {{"name", "alice"}, {"password", "correct horse"}})
      .value("token", "");
}

std::string Reserve(Server& s, const std::string& token) {
  const json table = s.Call("POST", "/api/v1/tables", {{"computer_players", 2}}, token);
  s.game->RunOnce(0);  // the tables open it
  const json seat = s.Call(
      "POST", "/api/v1/tables/" + std::to_string(table.value("id", 0)) + "/seats", nullptr, token);
  return seat.value("key", "");
}

TEST(HallLoopback, ASignedInPlayerPlaysWithItsKeyAndItsFiguresAreKept) {
  testing::TempFolder folder;
  const std::string db = folder.File("korvel.db");
  int64_t won = 0;
  int deals = 0;
  {
    Server s(db);
    s.Call("POST", "/api/v1/accounts",
           {{"name", "alice"}, {"password", "correct horse"}, {"nickname", "阿丽"}});
    const std::string token = SignIn(s);
    ASSERT_FALSE(token.empty());
    const std::string key = Reserve(s, token);
    ASSERT_FALSE(key.empty());

    // Someone else with alice's name but not her key is turned away.
    testing::ScriptedPlayer impostor(s.game->Port(), "alice");
    s.game->RunOnce(0);
    impostor.Login("not-the-key");
    s.Play(
        impostor, [&] { return impostor.verdict != 0; }, 5000);
    EXPECT_EQ(impostor.verdict, 3) << "a wrong key: the verification error";
    testing::ScriptedPlayer stranger(s.game->Port(), "bobby");
    s.game->RunOnce(0);
    stranger.Login(key);
    s.Play(
        stranger, [&] { return stranger.verdict != 0; }, 5000);
    EXPECT_EQ(stranger.verdict, 2) << "no seat reserved: take a seat in the hall first";

    testing::ScriptedPlayer alice(s.game->Port(), "alice");
    s.game->RunOnce(0);
    ASSERT_TRUE(alice.Login(key));
    s.Play(alice, [&] { return alice.dealsDone >= 2; });
    ASSERT_EQ(alice.verdict, 1);
    ASSERT_GE(alice.dealsDone, 2);
    EXPECT_EQ(alice.shownCoins, 10000);
    const int64_t seen = alice.coinsWon;
    // Left in the pause or early in a deal, which is then played out for her and counts.
    alice.Leave();
    s.Play(
        alice, [&] { return s.hall->TableCount() == 0; }, 600000);
    EXPECT_EQ(s.hall->TableCount(), 0u);
    s.writer->WaitIdle();
    const json me = s.Call("GET", "/api/v1/me", nullptr, token);
    won = me["coins"].get<int64_t>() - 10000;
    deals = alice.dealsDone + 1;
    if (won != seen) {
      EXPECT_EQ(s.hall->TableCount(), 0u) << "only a deal played out after she left differs";
    }
    EXPECT_EQ(me["logins"], 1);
    EXPECT_LE(me["wins"].get<int>() + me["losses"].get<int>(), deals);
    EXPECT_EQ(me["nickname"], "阿丽");
    const json tables = s.Call("GET", "/api/v1/tables");
    EXPECT_TRUE(tables["tables"].empty()) << "the closed table left the list";
  }
  {
    // A restart on the same file: the table shows the stored figures.
    Server s(db);
    const std::string token = SignIn(s);
    const std::string key = Reserve(s, token);
    testing::ScriptedPlayer alice(s.game->Port(), "alice");
    s.game->RunOnce(0);
    ASSERT_TRUE(alice.Login(key));
    s.Play(
        alice, [&] { return alice.shownCoins >= 0; }, 10000);
    EXPECT_EQ(alice.verdict, 1);
    EXPECT_EQ(alice.shownCoins, 10000 + won);
    EXPECT_EQ(alice.shownLogins, 1) << "the figures as stored when the seat was reserved";
    EXPECT_EQ(s.Call("GET", "/api/v1/me", nullptr, token)["coins"], 10000 + won);
  }
  // Every deal written once, and each sums to minus its fee (there is none here).
  EXPECT_EQ(QueryNumber(db, "SELECT SUM(coins) FROM deal_seats WHERE account = 'alice'"), won);
  EXPECT_EQ(QueryNumber(db,
                        "SELECT COUNT(*) FROM (SELECT deal_id FROM deal_seats GROUP BY deal_id"
                        " HAVING SUM(coins) + SUM(fee) <> 0)"),
            0);
  EXPECT_EQ(QueryNumber(db, "SELECT COUNT(*) FROM deals"),
            QueryNumber(db, "SELECT COUNT(DISTINCT deal_id) FROM deal_seats"));
}

TEST(HallLoopback, AnOpenServerSeatsAnyNameAndStillKeepsItsCoins) {
  testing::TempFolder folder;
  Server s(folder.File("open.db"), true);
  testing::ScriptedPlayer guest(s.game->Port(), "guest");
  s.game->RunOnce(0);
  ASSERT_TRUE(guest.Login("anything"));
  s.Play(guest, [&] { return guest.dealsDone >= 1; });
  EXPECT_EQ(guest.verdict, 1);
  EXPECT_EQ(guest.shownCoins, 10000);
  s.writer->WaitIdle();
  EXPECT_EQ(s.storage->FindAccount("guest")->coins, 10000 + guest.coinsWon);
  EXPECT_EQ(s.Call("POST", "/api/v1/accounts",
                   {{"name", "alice"}, {"password", "correct horse"}, {"nickname", "a"}})
                .value("error", "")
                .empty(),
            false)
      << "an open server has no registration";
}

}  // namespace
}  // namespace korvel::server
