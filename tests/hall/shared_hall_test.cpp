// Two korvel-server processes on one PostgreSQL database keep one hall: each lists the other's
// tables with the other's game port, and neither seats an account that sits, or holds a
// reservation, at the other's table. Also the start-up refusals of the real program.
#include <httplib.h>

#include <fstream>
#include <nlohmann/json.hpp>
#include <thread>

#include "hall_test_support.h"
#include "scripted_player.h"
#include "server_process.h"

namespace korvel::server {
namespace {

using nlohmann::json;

json Call(int port, const std::string& method, const std::string& path, const json& body = nullptr,
          const std::string& token = "") {
  httplib::Client client("127.0.0.1", port);
  httplib::Headers headers;
  if (!token.empty()) headers.emplace("Authorization", "Bearer " + token);
  const httplib::Result r =
      method == "GET"
          ? client.Get(path, headers)
          : client.Post(path, headers, body.is_null() ? "" : body.dump(), "application/json");
  if (!r) return json();
  json out = json::parse(r->body, nullptr, false);
  if (out.is_object()) out["status"] = r->status;
  return out;
}

TEST(SharedHall, ASecondProcessNeverSeatsAnAccountThatSitsAtTheFirst) {
  testing::PostgresDatabase db;
  ASSERT_TRUE(db.Ok());
  const std::vector<std::string> common = {"--database",   db.Url(), "--port",          "0",
                                           "--lobby-port", "0",      "--start-seconds", "600",
                                           "--quiet"};
  testing::ServerProcess first, second;
  ASSERT_TRUE(first.Start(common)) << first.Output();
  ASSERT_TRUE(second.Start(common)) << second.Output();

  ASSERT_EQ(
      Call(first.lobbyPort, "POST", "/api/v1/accounts",
           {{"name", "alice"}, {"password", "correct horse"}, {"nickname", "阿丽"}})["status"],
      201);
  // The account made at the first is known at the second.
  const json session = Call(second.lobbyPort, "POST", "/api/v1/sessions",
                            {{"name", "alice"}, {"password", "correct horse"}});
  ASSERT_EQ(session["status"], 200);
  const std::string atSecond = session["token"];
  const std::string atFirst = Call(first.lobbyPort, "POST", "/api/v1/sessions",
                                   {{"name", "alice"}, {"password", "correct horse"}})["token"];

  const json t1 =
      Call(first.lobbyPort, "POST", "/api/v1/tables", {{"computer_players", 2}}, atFirst);
  const json t2 =
      Call(second.lobbyPort, "POST", "/api/v1/tables", {{"computer_players", 2}}, atSecond);
  ASSERT_EQ(t1["status"], 201);
  ASSERT_EQ(t2["status"], 201);
  EXPECT_NE(t1["id"], t2["id"]) << "table numbers are unique across the processes";

  // Each process lists both tables, each with the game port of the process that holds it.
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  const json list = Call(second.lobbyPort, "GET", "/api/v1/tables");
  ASSERT_EQ(list["tables"].size(), 2u) << list.dump();
  for (const json& t : list["tables"])
    EXPECT_EQ(t["port"], t["id"] == t1["id"] ? first.gamePort : second.gamePort);

  const std::string seat1 = "/api/v1/tables/" + std::to_string(t1["id"].get<int>()) + "/seats";
  const std::string seat2 = "/api/v1/tables/" + std::to_string(t2["id"].get<int>()) + "/seats";
  const json reserved = Call(first.lobbyPort, "POST", seat1, nullptr, atFirst);
  ASSERT_EQ(reserved["status"], 200) << reserved.dump();
  EXPECT_EQ(Call(second.lobbyPort, "POST", seat2, nullptr, atSecond)["status"], 409)
      << "held by her reservation at the first";
  const json elsewhere = Call(second.lobbyPort, "POST", seat1, nullptr, atSecond);
  EXPECT_EQ(elsewhere["status"], 409);
  EXPECT_EQ(elsewhere["port"], first.gamePort) << "reserve it at the process that holds it";

  // Seated at the first, she still cannot take a seat at the second.
  testing::ScriptedPlayer alice(static_cast<uint16_t>(first.gamePort), "alice");
  std::this_thread::sleep_for(std::chrono::milliseconds(5));
  alice.Login(reserved["key"]);
  for (int i = 0; i < 400 && alice.verdict == 0; ++i) {
    alice.Poll();
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  ASSERT_EQ(alice.verdict, 1);
  EXPECT_EQ(Call(second.lobbyPort, "POST", seat2, nullptr, atSecond)["status"], 409);

  // She leaves before the first deal: her claim goes, and the second seats her.
  alice.Leave();
  bool free = false;
  for (int i = 0; i < 100 && !free; ++i) {
    alice.Poll();
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    free = Call(second.lobbyPort, "POST", seat2, nullptr, atSecond)["status"] == 200;
  }
  EXPECT_TRUE(free);
}

TEST(SharedHall, TheProgramStopsWithAMessageOnAnUnusableDatabase) {
  testing::TempFolder folder;
  testing::ServerProcess missing;
  EXPECT_EQ(missing.RunToEnd({"--database", folder.File("none.db"), "--port", "0"}), 2);
  EXPECT_NE(missing.output.find("no database at"), std::string::npos) << missing.output;

  std::ofstream(folder.File("junk.db")) << std::string(5000, 'j');
  testing::ServerProcess junk;
  EXPECT_EQ(junk.RunToEnd({"--database", folder.File("junk.db"), "--port", "0"}), 2);
  EXPECT_NE(junk.output.find("not a database"), std::string::npos) << junk.output;

  testing::ServerProcess holder;
  ASSERT_TRUE(holder.Start(
      {"--database", folder.File("k.db"), "--create-database", "--port", "0", "--lobby-port", "0"}))
      << holder.Output();
  testing::ServerProcess second;
  EXPECT_EQ(second.RunToEnd({"--database", folder.File("k.db"), "--port", "0"}), 2);
  EXPECT_NE(second.output.find("in use by another process"), std::string::npos) << second.output;

  testing::ServerProcess unreachable;
  EXPECT_EQ(unreachable.RunToEnd(
                {"--database", "postgresql://korvel@127.0.0.1:1/none?connect_timeout=2"}),
            2);
  EXPECT_NE(unreachable.output.find("cannot connect to PostgreSQL"), std::string::npos);
}

}  // namespace
}  // namespace korvel::server
