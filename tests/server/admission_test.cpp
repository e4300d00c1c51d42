// Who gets in, tried as a hostile client would: seats taken over by a reconnection, players
// watching their own table, one client filling the hall, the listener out of descriptors, and
// the command line that sets the limits. Table and hall rules are tested directly; the
// network's on loopback with the real listener and poll loop.
#include <arpa/inet.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include <optional>
#include <regex>
#include <set>

#include "app/server_options.h"
#include "net/net_server.h"
#include "server_test_support.h"
#include "table/hall.h"
#include "table/server_records.h"

namespace korvel::server {
namespace {

using testing::RecordingLink;

uint32_t KeyOf(const RecordingLink& link) {
  for (auto it = link.received.rbegin(); it != link.received.rend(); ++it)
    if ((*it)[rec::kCommand] == kCmdDealEnd && (*it)[15] == 2) return ReadLE32(*it, rec::kTrailer);
  return 0;
}

RecordBytes LoginOf(std::string_view account, std::string_view key) {
  return BuildLoginRecord(account, key).record;
}

RecordBytes ReconnectOf(std::string_view account, uint32_t key) {
  RecordBytes r = LoginOf(account, "k");
  r[rec::kCommand] = kCmdReconnect;
  WriteLE32(r, rec::kTrailer, key);
  return r;
}

// A connection whose client is still talking.
class LiveLink : public RecordingLink {
 public:
  bool Responsive() const override { return true; }
};

class HallAdmission : public ::testing::Test {
 protected:
  HallAdmission() { config.table.startSeconds = 0; }
  Hall& MakeHall() {
    hall.emplace(config, clock, [this](std::string_view line) { log.emplace_back(line); });
    return *hall;
  }
  // Runs the hall until table `id` is in its first deal.
  void IntoTheFirstDeal(int id = 1) {
    for (int i = 0; i < 100 && !(hall->Find(id) && hall->Find(id)->CurrentDeal()); ++i) {
      clock.Advance(100);
      hall->Tick();
    }
    ASSERT_TRUE(hall->Find(id) && hall->Find(id)->CurrentDeal());
  }

  HallConfig config;
  ManualClock clock;
  std::vector<std::string> log;
  std::optional<Hall> hall;
};

TEST_F(HallAdmission, TheReconnectKeyComesWithTheSeatingBeforeAnyDeal) {
  Hall& h = MakeHall();
  RecordingLink alice;
  ASSERT_EQ(h.Login(LoginOf("alice", "k"), &alice, "10.0.0.1").verdict, LoginVerdict::Accepted);
  ASSERT_EQ(h.Find(1)->CurrentDeal(), nullptr);
  EXPECT_NE(KeyOf(alice), 0u);
  EXPECT_LT(KeyOf(alice), 0x80000000u) << "the client holds it as a non-negative number";
  EXPECT_TRUE(alice.OfCommand(kCmdDealStart).empty());
}

TEST_F(HallAdmission, ASeatIsNeverTakenOverWithoutItsKeyNorFromALiveConnection) {
  Hall& h = MakeHall();
  LiveLink alice;
  ASSERT_EQ(h.Login(LoginOf("alice", "k"), &alice, "10.0.0.1").verdict, LoginVerdict::Accepted);
  IntoTheFirstDeal();

  // The account is announced to everyone; the key is not.
  RecordingLink thief;
  for (uint32_t key : {0u, 1u, KeyOf(alice) ^ 0x100}) {
    const Hall::Placement p = h.Reconnect(ReconnectOf("alice", key), &thief);
    EXPECT_EQ(p.verdict, LoginVerdict::Refused) << key;
    EXPECT_FALSE(p.tryLater);
  }
  EXPECT_TRUE(thief.received.empty()) << "no snapshot, no tiles";
  EXPECT_TRUE(alice.closedFor.empty()) << "the real player keeps its seat";

  // Even the right key is put off while the seat's own connection is alive.
  RecordingLink second;
  const Hall::Placement p = h.Reconnect(ReconnectOf("alice", KeyOf(alice)), &second);
  EXPECT_EQ(p.verdict, LoginVerdict::Refused);
  EXPECT_TRUE(p.tryLater);
  EXPECT_TRUE(second.received.empty());
  EXPECT_TRUE(alice.closedFor.empty());
}

TEST_F(HallAdmission, WatchingIsOffUnlessAllowed) {
  Hall& h = MakeHall();
  RecordingLink alice, eve;
  ASSERT_EQ(h.Login(LoginOf("alice", "k"), &alice, "10.0.0.1").verdict, LoginVerdict::Accepted);
  const Hall::Placement p = h.Login(LoginOf("eve", "watch:alice"), &eve, "10.0.0.2");
  EXPECT_EQ(p.verdict, LoginVerdict::TableUnavailable);
  EXPECT_TRUE(eve.received.empty());
}

TEST_F(HallAdmission, NobodyWatchesATableItPlaysAt) {
  config.allowWatchers = true;
  Hall& h = MakeHall();
  RecordingLink alice, second, neighbour, eve;
  ASSERT_EQ(h.Login(LoginOf("alice", "k"), &alice, "10.0.0.1").verdict, LoginVerdict::Accepted);
  IntoTheFirstDeal();
  // The same account from a second connection, and another account from the player's address.
  EXPECT_EQ(h.Login(LoginOf("alice", "watch"), &second, "10.0.0.9").verdict,
            LoginVerdict::TableUnavailable);
  EXPECT_EQ(h.Login(LoginOf("mallory", "watch:alice"), &neighbour, "10.0.0.1").verdict,
            LoginVerdict::TableUnavailable);
  EXPECT_TRUE(second.received.empty());
  EXPECT_TRUE(neighbour.received.empty());
  // A computer player is nobody to follow.
  EXPECT_EQ(
      h.Login(LoginOf("eve", "watch:" + Hall::BotProfile(1, 0).account), &eve, "10.0.0.2").verdict,
      LoginVerdict::TableUnavailable);
  // Someone else, from elsewhere, follows alice.
  const Hall::Placement p = h.Login(LoginOf("eve", "watch"), &eve, "10.0.0.2");
  ASSERT_EQ(p.verdict, LoginVerdict::Accepted);
  EXPECT_EQ(p.seat, h.Find(1)->SeatOf("alice"));
}

TEST_F(HallAdmission, WatchersPerTableAreCapped) {
  config.allowWatchers = true;
  config.table.maxWatchers = 2;
  Hall& h = MakeHall();
  RecordingLink alice;
  ASSERT_EQ(h.Login(LoginOf("alice", "k"), &alice, "10.0.0.1").verdict, LoginVerdict::Accepted);
  std::array<RecordingLink, 3> watchers;
  for (int i = 0; i < 3; ++i) {
    const Hall::Placement p =
        h.Login(LoginOf("w" + std::to_string(i), "watch"), &watchers[i], "10.0.1.1");
    EXPECT_EQ(p.verdict, i < 2 ? LoginVerdict::Accepted : LoginVerdict::TableUnavailable) << i;
  }
  EXPECT_EQ(h.Find(1)->Watchers(), 2);
}

TEST_F(HallAdmission, OneAddressCannotFillTheHallEvenByDroppingItsConnections) {
  config.maxSeatsPerAddress = 3;
  Hall& h = MakeHall();
  std::array<RecordingLink, 5> links;
  for (int i = 0; i < 5; ++i) {
    const Hall::Placement p = h.Login(LoginOf("u" + std::to_string(i), "k"), &links[i], "10.0.0.7");
    EXPECT_EQ(p.verdict, i < 3 ? LoginVerdict::Accepted : LoginVerdict::TableUnavailable) << i;
    if (p.verdict == LoginVerdict::Accepted && i < 3) {
      IntoTheFirstDeal(p.tableId);
      // Dropped during the game: the seat waits for its player and still counts.
      h.Lost(p.tableId, p.seat, &links[i], "gone");
    }
  }
  EXPECT_EQ(h.TableCount(), 3u);
  RecordingLink other;
  EXPECT_EQ(h.Login(LoginOf("v", "k"), &other, "10.0.0.8").verdict, LoginVerdict::Accepted);
}

TEST_F(HallAdmission, TablesAreCappedAndTheFullHallRefusesNewOnes) {
  config.maxTables = 2;
  Hall& h = MakeHall();
  std::array<RecordingLink, 3> links;
  for (int i = 0; i < 3; ++i)
    EXPECT_EQ(
        h.Login(LoginOf("u" + std::to_string(i), "k"), &links[i], "10.0.0." + std::to_string(i + 1))
            .verdict,
        i < 2 ? LoginVerdict::Accepted : LoginVerdict::TableUnavailable);
  EXPECT_EQ(h.TableCount(), 2u);
}

// ---- the command line ----

bool Parses(std::vector<const char*> args, ServerOptions& o, std::string* error = nullptr) {
  args.insert(args.begin(), "korvel-server");
  std::string e;
  const bool ok = ParseServerOptions(static_cast<int>(args.size()), args.data(), o, e);
  if (error) *error = e;
  return ok;
}

TEST(ServerOptionsTest, TheTurnClockIsOneTheClientHonours) {
  ServerOptions o;
  std::string error;
  EXPECT_FALSE(Parses({"--turn-seconds", "1"}, o, &error));
  EXPECT_NE(error.find("3..15"), std::string::npos) << error;
  EXPECT_FALSE(Parses({"--turn-seconds", "2"}, o));
  EXPECT_FALSE(Parses({"--turn-seconds", "16"}, o));
  ASSERT_TRUE(Parses({"--turn-seconds", "3"}, o));
  EXPECT_EQ(o.turnSeconds, 3);
}

TEST(ServerOptionsTest, ThePauseBetweenDealsIsItsOwnAndNeverShorterThanTheCountdown) {
  ServerOptions o;
  EXPECT_FALSE(Parses({"--pause-seconds", "14"}, o));
  EXPECT_FALSE(Parses({"--pause-seconds", "x"}, o));
  ASSERT_TRUE(Parses({"--start-seconds", "2", "--pause-seconds", "20"}, o));
  EXPECT_EQ(o.startSeconds, 2);
  EXPECT_EQ(o.pauseSeconds, 20);
}

TEST(ServerOptionsTest, ALocalServerListensOnLoopbackUnlessOpenedOnPurpose) {
  ServerOptions o;
  ASSERT_TRUE(Parses({}, o));
  EXPECT_EQ(o.bind, "127.0.0.1");
  EXPECT_EQ(NetConfig{}.bindAddress, "127.0.0.1");
  EXPECT_FALSE(o.watchers);
  ASSERT_TRUE(Parses({"--bind", "0.0.0.0"}, o));
  EXPECT_EQ(o.bind, "0.0.0.0");
  EXPECT_NE(std::string(ServerUsage()).find("--bind 0.0.0.0"), std::string::npos);
}

TEST(ServerOptionsTest, EveryOptionIsDocumentedAndTakesItsValue) {
  ServerOptions o;
  const std::vector<const char*> args = {"--port",
                                         "0",
                                         "--bind",
                                         "127.0.0.1",
                                         "--bots",
                                         "1",
                                         "--seed",
                                         "7",
                                         "--wall",
                                         "w.txt",
                                         "--turn-seconds",
                                         "5",
                                         "--start-seconds",
                                         "0",
                                         "--pause-seconds",
                                         "30",
                                         "--reconnect-seconds",
                                         "10",
                                         "--watchers",
                                         "--max-watchers",
                                         "3",
                                         "--max-connections",
                                         "40",
                                         "--max-per-address",
                                         "5",
                                         "--max-tables",
                                         "9",
                                         "--login-seconds",
                                         "4",
                                         "--fee",
                                         "5",
                                         "--coins",
                                         "500",
                                         "--stake",
                                         "2",
                                         "--props",
                                         "--deals",
                                         "3",
                                         "--trace",
                                         "t.txt",
                                         "--quiet"};
  ASSERT_TRUE(Parses(args, o));
  EXPECT_EQ(o.maxWatchers, 3);
  EXPECT_EQ(o.maxConnections, 40);
  EXPECT_EQ(o.maxPerAddress, 5);
  EXPECT_EQ(o.maxTables, 9);
  EXPECT_EQ(o.loginSeconds, 4);
  EXPECT_EQ(o.feePercent, 5);
  EXPECT_EQ(o.coins, 500);
  EXPECT_EQ(o.stake, 2);
  EXPECT_TRUE(o.props && o.watchers && o.quiet);
  const std::string usage = ServerUsage();
  for (const char* a : args) {
    if (std::string_view(a).starts_with("--")) {
      EXPECT_NE(usage.find(std::string("  ") + a), std::string::npos) << a << " is undocumented";
    }
  }
  EXPECT_FALSE(Parses({"--max-tables", "0"}, o));
  EXPECT_FALSE(Parses({"--fee", "51"}, o));
  EXPECT_FALSE(Parses({"--nonsense"}, o));
  EXPECT_FALSE(Parses({"--port"}, o));
}

// ---- on loopback ----

class RawClient {
 public:
  explicit RawClient(uint16_t port) { fd_ = testing::ConnectLoopback(port, SOCK_CLOEXEC); }
  // From another loopback address (127.0.0.`host`), as a client on another machine.
  RawClient(uint16_t port, int host) {
    fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    sockaddr_in from{};
    from.sin_family = AF_INET;
    from.sin_addr.s_addr = htonl(0x7F000000u | static_cast<uint32_t>(host));
    ::bind(fd_, reinterpret_cast<sockaddr*>(&from), sizeof from);
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(port);
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::connect(fd_, reinterpret_cast<sockaddr*>(&to), sizeof to);
  }
  ~RawClient() {
    if (fd_ >= 0) ::close(fd_);
  }
  void Send(const RecordBytes& r) {
    ASSERT_EQ(::send(fd_, r.data(), r.size(), MSG_NOSIGNAL), static_cast<ssize_t>(r.size()));
  }
  // Reads what arrived; false once the server closed the connection.
  bool Poll() {
    uint8_t buf[8192];
    for (;;) {
      const ssize_t n = ::recv(fd_, buf, sizeof buf, 0);
      if (n == 0) open_ = false;
      if (n <= 0) break;
      input_.insert(input_.end(), buf, buf + n);
    }
    testing::TakeWholeRecords(input_, received);
    return open_;
  }
  std::vector<RecordBytes> OfCommand(int command) const {
    std::vector<RecordBytes> out;
    for (const auto& r : received)
      if (r[rec::kCommand] == command) out.push_back(r);
    return out;
  }
  uint32_t Key() const {
    for (auto it = received.rbegin(); it != received.rend(); ++it)
      if ((*it)[rec::kCommand] == kCmdDealEnd && (*it)[15] == 2)
        return ReadLE32(*it, rec::kTrailer);
    return 0;
  }
  std::vector<RecordBytes> received;

 private:
  int fd_ = -1;
  bool open_ = true;
  std::vector<uint8_t> input_;
};

class LoopbackAdmission : public ::testing::Test {
 protected:
  void Start() {
    hallConfig.table.startSeconds = 0;
    hallConfig.table.firstTurnAllowanceMs = 0;
    hall.emplace(hallConfig, clock, [this](std::string_view line) { log.emplace_back(line); });
    net.port = 0;
    server.emplace(net, *hall, clock, [this](std::string_view line) { log.emplace_back(line); });
    std::string error;
    ASSERT_TRUE(server->Listen(&error)) << error;
  }
  // Runs the server and lets every client read, `rounds` times, `stepMs` of server time apart.
  void Run(std::initializer_list<RawClient*> clients, int rounds = 20, int stepMs = 10) {
    for (int i = 0; i < rounds; ++i) {
      server->RunOnce(0);
      for (RawClient* c : clients) c->Poll();
      clock.Advance(stepMs);
    }
  }

  HallConfig hallConfig;
  NetConfig net;
  ManualClock clock;
  std::vector<std::string> log;
  std::optional<Hall> hall;
  std::optional<NetServer> server;
};

TEST_F(LoopbackAdmission, AReconnectionWithAnAnnouncedAccountAndKeyZeroTakesNothing) {
  Start();
  RawClient alice(server->Port());
  Run({&alice}, 2);
  alice.Send(LoginOf("alice", "k"));
  Run({&alice}, 40, 50);
  ASSERT_NE(hall->Find(1), nullptr);
  ASSERT_NE(hall->Find(1)->CurrentDeal(), nullptr) << "the first deal is under way";
  ASSERT_NE(alice.Key(), 0u);

  RawClient thief(server->Port());
  Run({&alice, &thief}, 2);
  thief.Send(ReconnectOf("alice", 0));
  Run({&alice, &thief}, 5);
  EXPECT_FALSE(thief.Poll()) << "closed";
  EXPECT_TRUE(thief.received.empty()) << "refused without an answer";

  // The right key while alice's connection is alive (she just logged in): put off, and it
  // looks exactly like the wrong key.
  RawClient twin(server->Port());
  Run({&alice, &twin}, 2);
  twin.Send(ReconnectOf("alice", alice.Key()));
  Run({&alice, &twin}, 5);
  EXPECT_FALSE(twin.Poll());
  EXPECT_TRUE(twin.received.empty());
  EXPECT_TRUE(alice.Poll()) << "the real player's connection stays open";
  EXPECT_EQ(hall->Find(1)->SeatOf("alice"), 2);
}

TEST_F(LoopbackAdmission, APlayerCannotWatchItsOwnTableFromASecondConnection) {
  hallConfig.allowWatchers = true;
  Start();
  RawClient alice(server->Port());
  Run({&alice}, 2);
  alice.Send(LoginOf("alice", "k"));
  Run({&alice}, 40, 50);
  RawClient peek(server->Port());
  Run({&alice, &peek}, 2);
  peek.Send(LoginOf("alice2", "watch:alice"));
  Run({&alice, &peek}, 5);
  EXPECT_FALSE(peek.Poll());
  ASSERT_EQ(peek.received.size(), 1u);
  EXPECT_EQ(peek.received[0][rec::kCommand], kCmdLogin);
  EXPECT_NE(peek.received[0][15], 1) << "the same address plays there";
  EXPECT_TRUE(peek.OfCommand(kCmdRestore).empty());
}

TEST_F(LoopbackAdmission, ConnectionsAreCappedPerAddressAndSilentOnesAreClosedSoon) {
  net.maxPerAddress = 3;
  net.loginTimeoutMs = 2000;
  Start();
  std::vector<std::unique_ptr<RawClient>> clients;
  for (int i = 0; i < 6; ++i) clients.push_back(std::make_unique<RawClient>(server->Port()));
  for (int i = 0; i < 5; ++i) server->RunOnce(0);
  EXPECT_EQ(server->Connections(), 3u);
  EXPECT_EQ(server->RefusedConnections(), 3);
  int closed = 0;
  for (auto& c : clients) closed += c->Poll() ? 0 : 1;
  EXPECT_EQ(closed, 3);
  clock.Advance(net.loginTimeoutMs + 1);
  server->RunOnce(0);
  EXPECT_EQ(server->Connections(), 0u) << "never logged in";
}

TEST_F(LoopbackAdmission, OutOfDescriptorsTheListenerRestsAndTheTablesPlayOn) {
#if defined(__has_feature)
#if __has_feature(address_sanitizer)
  // The sanitizers' run-time checks open pipes of their own; without a free descriptor they
  // report sound objects as bad.
  GTEST_SKIP() << "needs every descriptor, which the sanitizers' run-time takes too";
#endif
#endif
  Start();
  RawClient alice(server->Port());
  Run({&alice}, 2);
  ASSERT_EQ(server->Connections(), 1u);
  RawClient late(server->Port());  // waits in the listen queue

  rlimit saved{};
  ASSERT_EQ(::getrlimit(RLIMIT_NOFILE, &saved), 0);
  // The lowest free descriptor is the next one accept() would take: forbid it.
  const int probe = ::dup(0);
  ASSERT_GE(probe, 0);
  ::close(probe);
  rlimit low = saved;
  low.rlim_cur = static_cast<rlim_t>(probe);
  ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &low), 0);
  server->RunOnce(0);
  const int failures = server->AcceptFailures();
  EXPECT_EQ(failures, 1);
  EXPECT_TRUE(server->AcceptPaused());
  // Resting: the listener is not polled, so the loop does not spin on it.
  for (int i = 0; i < 50; ++i) server->RunOnce(0);
  EXPECT_EQ(server->AcceptFailures(), failures);
  // The connection already open is served meanwhile.
  alice.Send(LoginOf("alice", "k"));
  for (int i = 0; i < 5; ++i) {
    server->RunOnce(0);
    alice.Poll();
  }
  ASSERT_FALSE(alice.OfCommand(kCmdLogin).empty());
  EXPECT_EQ(alice.OfCommand(kCmdLogin)[0][15], 1);
  ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &saved), 0);
  clock.Advance(net.acceptBackoffMs);
  server->RunOnce(0);
  EXPECT_EQ(server->Connections(), 2u) << "accepted once descriptors are free again";
}

// ---- guessing and crowding ----

TEST_F(LoopbackAdmission, WrongReconnectionKeysAreLimitedAndEveryRefusalIsSilent) {
  net.maxWrongKeysPerAccount = 3;
  net.wrongKeyWindowMs = 10000;  // within the seat's wait for its player
  Start();
  auto alice = std::make_unique<RawClient>(server->Port());
  Run({alice.get()}, 2);
  alice->Send(LoginOf("alice", "k"));
  Run({alice.get()}, 40, 50);
  const uint32_t key = alice->Key();
  ASSERT_NE(key, 0u);
  EXPECT_LT(key, 0x80000000u) << "the client keeps the key as a non-negative number";
  // Alice's connection drops; her seat waits for her.
  alice.reset();
  Run({}, 5);
  ASSERT_TRUE(hall->Find(1)->Away(hall->Find(1)->SeatOf("alice")));
  for (uint32_t guess = 1; guess <= 3; ++guess) {
    RawClient guesser(server->Port(), static_cast<int>(10 + guess));
    Run({&guesser}, 2);
    guesser.Send(ReconnectOf("alice", key ^ guess));
    Run({&guesser}, 5);
    EXPECT_FALSE(guesser.Poll());
    EXPECT_TRUE(guesser.received.empty()) << "a wrong key gets no answer";
  }
  // Now even the right key is refused for a while, and looks no different.
  RawClient locked(server->Port());
  Run({&locked}, 2);
  locked.Send(ReconnectOf("alice", key));
  Run({&locked}, 5);
  EXPECT_FALSE(locked.Poll());
  EXPECT_TRUE(locked.received.empty());
  clock.Advance(net.wrongKeyWindowMs);
  RawClient back(server->Port());
  Run({&back}, 2);
  back.Send(ReconnectOf("alice", key));
  Run({&back}, 5);
  ASSERT_FALSE(back.OfCommand(kCmdReconnectResult).empty());
  EXPECT_EQ(back.OfCommand(kCmdReconnectResult)[0][15], 1) << "back at her seat";
}

TEST_F(LoopbackAdmission, SilentConnectionsMakeRoomForNewcomersWhenTheServerIsFull) {
  net.maxConnections = 8;
  net.maxUnloggedPerAddress = 4;
  Start();
  std::vector<std::unique_ptr<RawClient>> crowd;
  for (int host = 2; host <= 3; ++host)
    for (int i = 0; i < 5; ++i) {
      crowd.push_back(std::make_unique<RawClient>(server->Port(), host));
      server->RunOnce(0);
    }
  EXPECT_EQ(server->Connections(), 8u) << "four silent connections per address";
  RawClient player(server->Port(), 9);
  for (int i = 0; i < 3; ++i) server->RunOnce(0);
  player.Send(LoginOf("player", "k"));
  Run({&player}, 5);
  ASSERT_FALSE(player.OfCommand(kCmdLogin).empty()) << "a real player still gets in";
  EXPECT_EQ(player.OfCommand(kCmdLogin)[0][15], 1);
}

TEST_F(HallAdmission, AFewAddressesThatDropCannotHoldTheHall) {
  config.maxAwayPerAddress = 2;
  Hall& h = MakeHall();
  std::array<RecordingLink, 4> links;
  for (int i = 0; i < 4; ++i)
    ASSERT_EQ(h.Login(LoginOf("p" + std::to_string(i), "k"), &links[i], "10.0.0.7").verdict,
              LoginVerdict::Accepted);
  for (int id = 1; id <= 4; ++id) IntoTheFirstDeal(id);
  for (int i = 0; i < 4; ++i)
    h.Lost(i + 1, h.Find(i + 1)->SeatOf("p" + std::to_string(i)), &links[i], "dropped");
  EXPECT_TRUE(h.Find(1)->Away(h.Find(1)->SeatOf("p0")));
  EXPECT_TRUE(h.Find(2)->Away(h.Find(2)->SeatOf("p1")));
  // The third and fourth drops from the same address gave their seats up at once.
  for (int id = 3; id <= 4; ++id) {
    const Table* t = h.Find(id);
    const int seat = t ? t->SeatOf("p" + std::to_string(id - 1)) : -1;
    EXPECT_FALSE(seat >= 0 && t->Away(seat)) << "table " << id;
  }
}

TEST(SecureWalls, TablesWithTheSameSeedStillGetTheirOwnUnpredictableWalls) {
  Rng a = Rng::FromSystem();
  Rng b = Rng::FromSystem();
  EXPECT_NE(ShuffledWall(a), ShuffledWall(b));
  EXPECT_NE(SystemRandom32(), 0u);
  ManualClock clock;
  HallConfig config;
  config.seed = 1;
  config.secureWalls = true;
  config.table.startSeconds = 0;
  config.table.botDelayMs = 0;
  config.bots = 2;
  Hall first(config, clock, [](std::string_view) {});
  Hall second(config, clock, [](std::string_view) {});
  RecordingLink one, two;
  ASSERT_EQ(first.Login(LoginOf("alice", "k"), &one).verdict, LoginVerdict::Accepted);
  ASSERT_EQ(second.Login(LoginOf("alice", "k"), &two).verdict, LoginVerdict::Accepted);
  first.Tick();
  second.Tick();
  // The same seed gave the same deals before; now the dealt tiles differ.
  auto tiles = [](const RecordingLink& link) {
    std::vector<uint8_t> out;
    for (const RecordBytes& r : link.received)
      if (r[rec::kCommand] == kCmdDealTiles)
        for (int k = 0; k < 4; ++k) out.push_back(r[9 + 2 * k]);
    return out;
  };
  ASSERT_FALSE(tiles(one).empty());
  EXPECT_NE(tiles(one), tiles(two));
}

TEST(ServerOptionsTest, TheHallOptionsAreDocumentedAndTakeTheirValues) {
  ServerOptions o;
  const std::vector<const char*> args = {"--database",
                                         "postgresql://k@127.0.0.1/hall",
                                         "--create-database",
                                         "--open",
                                         "--lobby-port",
                                         "0",
                                         "--public-host",
                                         "hall.example",
                                         "--no-register",
                                         "--daily-coins",
                                         "300",
                                         "--max-event-streams",
                                         "9"};
  ASSERT_TRUE(Parses(args, o));
  EXPECT_EQ(o.database, "postgresql://k@127.0.0.1/hall");
  EXPECT_TRUE(o.createDatabase && o.open && !o.registration);
  EXPECT_EQ(o.lobbyPort, 0);
  EXPECT_EQ(o.publicHost, "hall.example");
  EXPECT_EQ(o.dailyCoins, 300);
  EXPECT_EQ(o.maxEventStreams, 9);
  const std::string usage = ServerUsage();
  for (const char* a : args) {
    if (std::string_view(a).starts_with("--")) {
      EXPECT_NE(usage.find(std::string("  ") + a), std::string::npos) << a << " is undocumented";
    }
  }
  EXPECT_FALSE(Parses({"--database", ""}, o));
  EXPECT_FALSE(Parses({"--lobby-port", "65536"}, o));
  ServerOptions defaults;
  ASSERT_TRUE(Parses({}, defaults));
  EXPECT_FALSE(defaults.open) << "without --open no login gets in without a hall key";
}

}  // namespace
}  // namespace korvel::server
