// The hall service over real HTTP on loopback, on SQLite: registration and its rules, sign-in
// and its limits, the account's figures, tables, seat and watch reservations with single-use
// keys, the game port's verdicts for them, and the event stream.
#include <httplib.h>

#include <chrono>
#include <thread>

#include "hall/hall_service.h"
#include "hall/http_api.h"
#include "hall_test_support.h"
#include "storage/storage_writer.h"

namespace korvel::server {
namespace {

using nlohmann::json;

class HallApiTest : public ::testing::Test {
 protected:
  void SetUp() override { Start(); }
  void TearDown() override { Stop(); }

  void Start() {
    storage_ = OpenStorage(folder_.File("korvel.db"), true);
    writer_ = std::make_unique<StorageWriter>(*storage_, nullptr);
    config_.serverId = "test";
    config_.port = 6000;
    config_.hashCost = HashCost::Minimal;
    service_ = std::make_unique<HallService>(
        config_, *storage_, *writer_, [](std::string_view) {}, [this] { return nowMs_; });
    HallHttpConfig http;
    http.port = 0;
    http.keepAliveMs = 200;
    http.requestBurst = 1000;
    http_ = std::make_unique<HallHttpServer>(*service_, http);
    std::string error;
    ASSERT_TRUE(http_->Start(&error)) << error;
    client_ = std::make_unique<httplib::Client>("127.0.0.1", http_->Port());
  }
  void Stop() {
    client_.reset();
    http_.reset();
    service_.reset();
    writer_.reset();
    storage_.reset();
  }

  struct Answer {
    int status = 0;
    json body;
  };
  Answer Call(const std::string& method, const std::string& path, const std::string& body = "",
              const std::string& token = "", const std::string& type = "application/json") {
    httplib::Headers headers;
    if (!token.empty()) headers.emplace("Authorization", "Bearer " + token);
    httplib::Result r = method == "GET"      ? client_->Get(path, headers)
                        : method == "DELETE" ? client_->Delete(path, headers)
                                             : client_->Post(path, headers, body, type);
    Answer a;
    if (!r) return a;
    a.status = r->status;
    a.body = json::parse(r->body, nullptr, false);
    return a;
  }
  Answer Register(const std::string& name, const std::string& password = "correct horse",
                  const std::string& nickname = "阿明") {
    return Call("POST", "/api/v1/accounts",
                json{{"name", name}, {"password", password}, {"nickname", nickname}}.dump());
  }
  std::string SignIn(const std::string& name, const std::string& password = "correct horse") {
    const Answer a =
        Call("POST", "/api/v1/sessions", json{{"name", name}, {"password", password}}.dump());
    return a.status == 200 ? a.body.value("token", "") : std::string();
  }
  int64_t NewTable(const std::string& token, int computers = 2) {
    const Answer a = Call(
        "POST", "/api/v1/tables",
        json{{"stake", 10}, {"turn_seconds", 8}, {"computer_players", computers}}.dump(), token);
    EXPECT_EQ(a.status, 201) << a.body.dump();
    return a.body.value("id", int64_t{0});
  }

  testing::TempFolder folder_;
  HallServiceConfig config_;
  int64_t nowMs_ = 1'800'000'000'000;
  std::unique_ptr<Storage> storage_;
  std::unique_ptr<StorageWriter> writer_;
  std::unique_ptr<HallService> service_;
  std::unique_ptr<HallHttpServer> http_;
  std::unique_ptr<httplib::Client> client_;
};

TEST_F(HallApiTest, RegistrationFollowsTheRulesAndWritesNothingOnRefusal) {
  EXPECT_EQ(Register("alice").status, 201);
  EXPECT_EQ(Register("alice").status, 409) << "the name is taken";
  const Answer a = Call("GET", "/api/v1/me", "", SignIn("alice"));
  EXPECT_EQ(a.body["nickname"], "阿明");
  EXPECT_EQ(a.body["coins"], config_.rules.startingCoins);
  EXPECT_EQ(a.body["title"], "新手");

  struct Bad {
    std::string body;
    std::string type;
    int status;
  };
  const std::vector<Bad> bad = {
      {"{\"name\":\"bobby\",\"password\":\"12345678\"", "application/json", 400},  // cut short
      {"[1,2,3]", "application/json", 400},
      {R"({"name":"bobby","password":"12345678","nickname":"b","admin":true})", "application/json",
       400},
      {R"({"name":"bobby","password":12345678,"nickname":"b"})", "application/json", 400},
      {R"({"name":"bobby","password":"12345678"})", "application/json", 400},
      {R"({"name":"bobby","password":"12345678","nickname":"b"})", "text/plain", 415},
      {R"({"name":"b b","password":"12345678","nickname":"b"})", "application/json", 400},
      {R"({"name":"bobby","password":"short","nickname":"b"})", "application/json", 400},
      {R"({"name":"bobby","password":"12345678","nickname":"\u0007bell"})", "application/json",
       400},
      // An emoji has no GBK form; neither has a nickname longer than the record's field.
      {R"({"name":"bobby","password":"12345678","nickname":"\ud83d\ude00"})", "application/json",
       400},
      {R"({"name":"bobby","password":"12345678","nickname":"一二三四五六七八九十一二三四五六"})",
       "application/json", 400},
      {R"({"name":"robot#1-1","password":"12345678","nickname":"b"})", "application/json", 400},
      {"{\"name\":\"bobby\",\"password\":\"12345678\",\"nickname\":\"" + std::string(20000, 'x') +
           "\"}",
       "application/json", 413},
  };
  for (const Bad& b : bad) {
    const Answer r = Call("POST", "/api/v1/accounts", b.body, "", b.type);
    EXPECT_EQ(r.status, b.status) << b.body.substr(0, 80);
    EXPECT_TRUE(r.body.is_object() && r.body.contains("error")) << b.body.substr(0, 80);
  }
  EXPECT_FALSE(storage_->FindAccount("bobby")) << "nothing was written";
  EXPECT_EQ(Call("GET", "/api/v1/nothing").status, 404);
  EXPECT_EQ(Call("GET", "/api/v1/accounts").status, 405);
}

TEST_F(HallApiTest, EverySignInRefusalLooksTheSameAndGuessesAreLimited) {
  ASSERT_EQ(Register("alice").status, 201);
  const Answer unknown =
      Call("POST", "/api/v1/sessions", json{{"name", "nobody"}, {"password", "whatever1"}}.dump());
  const Answer wrong =
      Call("POST", "/api/v1/sessions", json{{"name", "alice"}, {"password", "whatever1"}}.dump());
  EXPECT_EQ(unknown.status, 401);
  EXPECT_EQ(wrong.status, 401);
  EXPECT_EQ(unknown.body, wrong.body);
  for (int i = 0; i < 5; ++i) SignIn("alice", "wrong guess");
  EXPECT_EQ(SignIn("alice"), "") << "locked out after repeated failures, even with the password";
  nowMs_ += config_.failureWindowMs;
  const std::string token = SignIn("alice");
  ASSERT_FALSE(token.empty()) << "the window passed";
  EXPECT_EQ(token.size(), 43u);

  EXPECT_EQ(Call("GET", "/api/v1/me", "", token).status, 200);
  EXPECT_EQ(Call("GET", "/api/v1/me", "", token + "x").status, 401) << "a forged token";
  EXPECT_EQ(Call("GET", "/api/v1/me").status, 401);
  nowMs_ += config_.sessionSeconds * 1000;
  EXPECT_EQ(Call("GET", "/api/v1/me", "", token).status, 401) << "the session ran out";
}

TEST_F(HallApiTest, ASeatKeyIsGoodOnceForItsAccountAndTableOnly) {
  ASSERT_EQ(Register("alice").status, 201);
  ASSERT_EQ(Register("bobby").status, 201);
  const std::string alice = SignIn("alice");
  const std::string bobby = SignIn("bobby");
  const int64_t table = NewTable(alice, 1);
  ASSERT_GT(table, 0);
  EXPECT_EQ(Call("POST", "/api/v1/tables", R"({"stake":0})", alice).status, 400);
  EXPECT_EQ(Call("POST", "/api/v1/tables", R"({"computer_players":3})", alice).status, 400);
  EXPECT_EQ(Call("POST", "/api/v1/tables", "{}").status, 401) << "only signed-in players";

  const std::string seats = "/api/v1/tables/" + std::to_string(table) + "/seats";
  const Answer seat = Call("POST", seats, "", alice);
  ASSERT_EQ(seat.status, 200) << seat.body.dump();
  const std::string key = seat.body["key"];
  EXPECT_LE(key.size(), 64u);
  EXPECT_GE(key.size(), 43u);
  EXPECT_EQ(seat.body["port"], 6000);
  EXPECT_EQ(seat.body["seat"], 1) << "seat 0 holds the computer player";
  EXPECT_EQ(Call("POST", seats, "", "").status, 401);
  EXPECT_EQ(Call("POST", "/api/v1/tables/999/seats", "", alice).status, 404);
  EXPECT_EQ(Call("POST", "/api/v1/tables/x1/seats", "", alice).status, 404);
  // Watching needs --watchers and a table in play.
  EXPECT_EQ(Call("POST", "/api/v1/tables/" + std::to_string(table) + "/watchers", "", bobby)
                .status,
            409);
  EXPECT_EQ(Call("POST", "/api/v1/tables/" + std::to_string(table) + "/watchers",
                 R"({"seat":"one"})", bobby)
                .status,
            400);

  // The game port's verdicts: no reservation, a wrong key, the right key once.
  EXPECT_EQ(service_->Admit("bobby", key, "10.0.0.2").verdict, LoginVerdict::TableUnavailable);
  EXPECT_EQ(service_->Admit("alice", "", "10.0.0.1").verdict, LoginVerdict::Refused);
  EXPECT_EQ(service_->Admit("alice", key + "x", "10.0.0.1").verdict, LoginVerdict::Refused);
  const Admission in = service_->Admit("alice", key, "10.0.0.1");
  ASSERT_EQ(in.verdict, LoginVerdict::Accepted);
  EXPECT_EQ(in.tableId, table);
  EXPECT_EQ(in.seat, 1);
  EXPECT_EQ(in.profile.coins, config_.rules.startingCoins);
  EXPECT_TRUE(in.profile.stored);
  EXPECT_EQ(service_->Admit("alice", key, "10.0.0.1").verdict, LoginVerdict::TableUnavailable)
      << "a key is good once";

  // A reservation runs out after its minute and frees the seat.
  const Answer second = Call("POST", seats, "", bobby);
  ASSERT_EQ(second.status, 200);
  nowMs_ += config_.reservationMs;
  service_->Housekeeping();
  EXPECT_EQ(service_->Admit("bobby", second.body["key"].get<std::string>(), "10.0.0.2").verdict,
            LoginVerdict::TableUnavailable);
}

TEST_F(HallApiTest, WrongKeysAreLimitedPerAddressAndPerAccount) {
  ASSERT_EQ(Register("alice").status, 201);
  const std::string alice = SignIn("alice");
  const int64_t table = NewTable(alice);
  const Answer seat = Call("POST", "/api/v1/tables/" + std::to_string(table) + "/seats", "", alice);
  const std::string key = seat.body["key"];
  for (int i = 0; i < config_.maxFailuresPerAccount; ++i)
    service_->Admit("alice", "guess" + std::to_string(i), "10.0.0." + std::to_string(i + 10));
  EXPECT_EQ(service_->Admit("alice", key, "10.0.0.1").verdict, LoginVerdict::Refused)
      << "the account is locked for a while, and the refusal looks like any other";
  nowMs_ += config_.failureWindowMs - 1000;
  ASSERT_EQ(Call("POST", "/api/v1/tables/" + std::to_string(table) + "/seats", "", alice).status,
            200);
  nowMs_ += 1000;
  const Answer again =
      Call("POST", "/api/v1/tables/" + std::to_string(table) + "/seats", "", alice);
  EXPECT_EQ(service_->Admit("alice", again.body["key"].get<std::string>(), "10.0.0.1").verdict,
            LoginVerdict::Accepted);
}

TEST_F(HallApiTest, TheTableListAndTheEventStreamFollowEveryChange) {
  ASSERT_EQ(Register("alice").status, 201);
  const std::string alice = SignIn("alice");

  std::mutex mutex;
  std::string received;
  httplib::Client stream("127.0.0.1", http_->Port());
  std::atomic<bool> stop{false};
  std::thread reader([&] {
    stream.Get("/api/v1/events", [&](const char* data, size_t length) {
      std::lock_guard lock(mutex);
      received.append(data, length);
      return !stop.load();
    });
  });
  auto waitFor = [&](const std::string& text) {
    for (int i = 0; i < 200; ++i) {
      {
        std::lock_guard lock(mutex);
        if (received.find(text) != std::string::npos) return true;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return false;
  };
  ASSERT_TRUE(waitFor("event: tables")) << "the stream starts with the whole list";
  const auto start = std::chrono::steady_clock::now();
  const int64_t table = NewTable(alice);
  EXPECT_TRUE(waitFor("\"id\":" + std::to_string(table)));
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));

  const Answer list = Call("GET", "/api/v1/tables");
  ASSERT_EQ(list.status, 200);
  ASSERT_EQ(list.body["tables"].size(), 1u);
  const json& t = list.body["tables"][0];
  EXPECT_EQ(t["stake"], 10);
  EXPECT_EQ(t["turn_seconds"], 8);
  EXPECT_EQ(t["seats"].size(), 3u);
  EXPECT_TRUE(t["seats"][2].is_null());
  EXPECT_EQ(t["host"], "127.0.0.1");

  ASSERT_EQ(Call("POST", "/api/v1/tables/" + std::to_string(table) + "/seats", "", alice).status,
            200);
  EXPECT_TRUE(waitFor("\"reserved\":true"));
  EXPECT_TRUE(waitFor(": keep-alive")) << "a quiet stream still shows it lives";
  stop = true;
  http_->Stop();  // a stopping server ends its streams
  reader.join();
}

TEST_F(HallApiTest, RegistrationCanBeSwitchedOffAndIsLimitedPerAddress) {
  for (int i = 0; i < config_.registrationsPerAddressPerHour; ++i)
    EXPECT_EQ(Register("user" + std::to_string(i)).status, 201);
  EXPECT_EQ(Register("oneTooMany").status, 429);
  Stop();
  config_.allowRegistration = false;
  Start();
  EXPECT_EQ(Register("another").status, 403);
  EXPECT_FALSE(SignIn("user0").empty()) << "accounts made before still sign in";
  EXPECT_EQ(Call("GET", "/api/v1/hall").body.value("registration", true), false);
}

TEST_F(HallApiTest, TheHallDescribesItselfToAWindowThatHasNotSignedIn) {
  const Answer a = Call("GET", "/api/v1/hall");
  ASSERT_EQ(a.status, 200);
  EXPECT_EQ(a.body.value("open", true), false);
  EXPECT_EQ(a.body.value("registration", false), true);
  EXPECT_EQ(a.body.value("watchers", true), false);
  EXPECT_EQ(a.body.value("stake", 0), 10);
  EXPECT_EQ(a.body.value("turn_seconds", 0), 8);
  EXPECT_EQ(a.body.value("min_turn_seconds", 0), 3);
  EXPECT_EQ(a.body.value("max_turn_seconds", 0), 15);
  EXPECT_EQ(a.body.value("port", 0), 6000);
  EXPECT_FALSE(a.body.value("version", "").empty());
  EXPECT_EQ(Call("POST", "/api/v1/hall", "{}").status, 405);
  Stop();
  config_.open = true;
  Start();
  const Answer open = Call("GET", "/api/v1/hall");
  EXPECT_EQ(open.body.value("open", false), true);
  EXPECT_EQ(open.body.value("registration", true), false) << "open play registers nobody";
}

}  // namespace
}  // namespace korvel::server
