// The client core against korvel-server on loopback: the client plays on a real TCP socket in
// virtual time, its connection is cut in the middle of a deal, and it comes back on its own to
// the same seat with the table the server holds.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <optional>
#include <set>

#include "net/net_server.h"
#include "server_test_support.h"
#include "support/client_fixture.h"
#include "support/scratch_folder.h"
#include "table/hall.h"
#include "table/hand_order.h"

namespace korvel::server {
namespace {

// The Socket port on a real loopback connection; the test pumps its data into the client.
class LoopbackSocket : public Socket {
 public:
  explicit LoopbackSocket(VirtualTimers& timers) : timers_(timers) {}
  ~LoopbackSocket() override {
    Close();
    for (int fd : abandoned_) ::close(fd);
  }
  void SetEvents(SocketEvents* events) override { events_ = events; }
  void Connect(const std::string& host, uint16_t port) override {
    Close();
    ++connects;
    fd_ = ::socket(AF_INET, SOCK_STREAM, 0);
    if (fd_ >= 0 && !localAddress.empty()) {
      sockaddr_in local{};
      local.sin_family = AF_INET;
      ::inet_pton(AF_INET, localAddress.c_str(), &local.sin_addr);
      ::bind(fd_, reinterpret_cast<sockaddr*>(&local), sizeof local);
    }
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(port);
    ::inet_pton(AF_INET, host.c_str(), &addr.sin_addr);
    if (fd_ < 0 || ::connect(fd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
      Close();
      timers_.Post([this] {
        if (events_) events_->OnSocketError(kErrRefused);
      });
      return;
    }
    const int flags = 1;
    ::setsockopt(fd_, SOL_SOCKET, SO_KEEPALIVE, &flags, sizeof flags);
    connected_ = true;
  }
  void Close() override {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    connected_ = false;
  }
  bool IsConnected() const override { return connected_; }
  bool Send(std::span<const uint8_t> bytes) override {
    if (!connected_) return false;
    size_t sent = 0;
    while (sent < bytes.size()) {
      const ssize_t n = ::send(fd_, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
      if (n <= 0) return false;
      sent += static_cast<size_t>(n);
    }
    return true;
  }
  // Hands what arrived to the client; the peer closing is a close event.
  void Pump() {
    if (!connected_) return;
    uint8_t buf[8192];
    for (;;) {
      const ssize_t n = ::recv(fd_, buf, sizeof buf, MSG_DONTWAIT);
      if (n > 0) {
        if (events_) events_->OnDataArrival(std::span<const uint8_t>(buf, static_cast<size_t>(n)));
        continue;
      }
      if (n == 0 || (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)) {
        connected_ = false;
        if (events_) events_->OnSocketClose();
      }
      return;
    }
  }
  // The network goes away under the client.
  void Cut() {
    if (fd_ >= 0) ::shutdown(fd_, SHUT_RDWR);
    Close();
  }
  // The client loses its connection without the server hearing of it: the socket stays open
  // on the server's side and simply goes quiet.
  void Abandon() {
    abandoned_.push_back(fd_);
    fd_ = -1;
    connected_ = false;
  }
  int connects = 0;
  std::string localAddress;  // another loopback address stands for another machine

 private:
  VirtualTimers& timers_;
  SocketEvents* events_ = nullptr;
  int fd_ = -1;
  bool connected_ = false;
  std::vector<int> abandoned_;
};

// A second client core on loopback, started by the test.
struct LoopbackClient {
  LoopbackClient()
      : socket(vp.timers),
        platform{vp.timers, socket,   vp.lobby, vp.dialogs, vp.sound,
                 vp.screen, vp.files, vp.log,   vp.process},
        client(platform) {
    vp.lobby.windows.insert("Tesk山庄");
  }
  VirtualPlatform vp;
  LoopbackSocket socket;
  Platform platform;
  Client client;
};

class ReconnectLoopbackTest : public ::testing::Test {
 protected:
  explicit ReconnectLoopbackTest(const HallConfig& config = HallConfigFor())
      : socket(vp.timers),
        platform{vp.timers, socket,   vp.lobby, vp.dialogs, vp.sound,
                 vp.screen, vp.files, vp.log,   vp.process},
        hall(config, serverClock, [this](std::string_view line) { serverLog.emplace_back(line); }),
        client(platform) {
    vp.lobby.windows.insert("Tesk山庄");
  }
  static HallConfig HallConfigFor() {
    HallConfig c;
    c.bots = 2;
    c.seed = 5;
    c.table.startSeconds = 1;
    c.allowWatchers = true;
    return c;
  }
  // The launch line carries the port as a 16-bit number, so the server listens below 32768.
  bool Listen() {
    for (int port = 21000 + ::getpid() % 9000; port < 32767; port += 13) {
      NetConfig c;
      c.bindAddress = "127.0.0.1";
      c.port = static_cast<uint16_t>(port);
      server.emplace(c, hall, serverClock,
                     [this](std::string_view line) { serverLog.emplace_back(line); });
      std::string error;
      if (server->Listen(&error)) return true;
    }
    return false;
  }
  // Moves the client on `ms` of virtual time in 10 ms steps, running the server between them;
  // with `freeze` the server handles its connections but its clock stands still.
  void Step(int ms, bool freeze = false) {
    for (int t = 0; t < ms; t += 10) {
      try {
        vp.timers.Advance(10);
      } catch (const ClientEnded& ended) {
        FAIL() << "the client ended with " << ended.code;
      }
      if (watcher) {
        try {
          watcher->vp.timers.Advance(10);
        } catch (const ClientEnded& ended) {
          FAIL() << "the watcher ended with " << ended.code;
        }
      }
      if (!freeze) serverClock.Set(vp.timers.NowMs());
      server->RunOnce(0);
      socket.Pump();
      if (watcher) watcher->socket.Pump();
    }
  }
  template <typename Done>
  bool StepUntil(Done done, int limitMs, bool freeze = false) {
    for (int t = 0; t < limitMs && !done(); t += 100) Step(100, freeze);
    return done();
  }
  Table* ServerTable() { return hall.Find(1); }
  // Commands a client sent besides its login, keep-alives and the leave notice.
  std::vector<int> SentBy(const LoopbackClient&) {
    std::vector<int> commands;
    for (const std::string& line : serverLog) {
      if (line.find("a watcher's command") != std::string::npos) commands.push_back(0);
    }
    return commands;
  }
  std::vector<std::string> LaunchFields(std::string user, std::string key) {
    return {std::move(user),
            std::move(key),
            "127.0.0.1",
            std::to_string(server->Port()),
            "Room",
            "0",
            "",
            "0",
            "",
            "",
            "0",
            "",
            "",
            "0",
            "0"};
  }
  void IntoTheFirstDeal() {
    ASSERT_TRUE(StepUntil(
        [&] {
          const Table* t = ServerTable();
          return t && t->CurrentDeal() && t->CurrentDeal()->TakenFromFront() >= 46;
        },
        120000));
  }
  // Each seat of `table` holds as many concealed tiles and melds as the server's deal says.
  void ExpectSeatsMatch(const TableModel& table, const Deal& deal) {
    for (int v = 0; v < kSeats; ++v) {
      const PlayerRecord& p = table.players[v];
      const int s = SeatIndexOf(p.seatMask);
      if (deal.Won(s)) continue;  // a winner holds its winning tile apart
      EXPECT_EQ(p.handCount, deal.HandOf(s).ConcealedCount()) << "seat " << s;
      EXPECT_EQ((p.handStart - 4) / 3, deal.HandOf(s).meldCount) << "seat " << s;
    }
  }

  VirtualPlatform vp;
  LoopbackSocket socket;
  Platform platform;
  ManualClock serverClock;
  std::vector<std::string> serverLog;
  Hall hall;
  std::optional<NetServer> server;
  Client client;
  std::optional<LoopbackClient> watcher;
};

TEST_F(ReconnectLoopbackTest, ADroppedClientComesBackToItsSeatWithItsTable) {
  ASSERT_TRUE(Listen());
  client.Startup(korvel::testing::LaunchLine(LaunchFields("alice", "k")));
  IntoTheFirstDeal();
  const int seat = ServerTable()->SeatOf("alice");
  ASSERT_EQ(seat, 2);
  EXPECT_EQ(client.table().players[0].seatMask, 1 << seat);

  socket.Cut();
  // The server notices at once and keeps the seat; its clock then stands still, so the table
  // the client comes back to is the table it left.
  Step(100);
  ASSERT_TRUE(ServerTable()->Away(seat));
  ASSERT_TRUE(StepUntil([&] { return client.table().progress.TableRestored; }, 20000, true));
  Step(500, true);
  EXPECT_TRUE(client.reconnection().Reconnected);
  EXPECT_FALSE(ServerTable()->Away(seat));
  EXPECT_EQ(socket.connects, 2);
  EXPECT_TRUE(client.loop().TableActive);

  const Deal& deal = *ServerTable()->CurrentDeal();
  const TableModel& table = client.table();
  // The player's own hand: the same tiles, face up in hand order.
  const PlayerRecord& own = table.players[0];
  const TileList expected = deal.HandOf(seat).ClientOrder();
  std::vector<int> held, wanted(expected.begin(), expected.end());
  for (int k = own.handStart; k < own.handStart + own.handCount; ++k)
    held.push_back(own.slots[k].code);
  std::sort(held.begin(), held.end(), HandOrderBefore);
  std::sort(wanted.begin(), wanted.end(), HandOrderBefore);
  EXPECT_EQ(held, wanted);
  ExpectSeatsMatch(table, deal);
  for (int v = 0; v < kSeats; ++v) {
    const int s = SeatIndexOf(table.players[v].seatMask);
    EXPECT_EQ(client.tableRestore().RestoreDiscards[v], deal.DiscardsOf(s).size) << "seat " << s;
  }
  EXPECT_EQ(client.tableRestore().RestoreTaken, deal.TakenFromFront());
  int shown = 0;
  for (ElementId e : client.view().el.MJ_Image) shown += client.view().main().Visible(e) ? 1 : 0;
  EXPECT_EQ(shown, 72) << "every tile is on the table once, the wall included";

  // The game goes on with the player back in its seat, through the deal's end.
  const int deals = ServerTable()->DealsPlayed();
  ASSERT_TRUE(StepUntil(
      [&] { return ServerTable() == nullptr || ServerTable()->DealsPlayed() > deals; }, 300000));
  ASSERT_NE(ServerTable(), nullptr) << "the table closed";
  EXPECT_FALSE(ServerTable()->Away(seat));
  EXPECT_FALSE(vp.log.Contains("left out"));
  bool accepted = false;
  for (const std::string& line : serverLog)
    accepted |= line.find("back at table 1") != std::string::npos;
  EXPECT_TRUE(accepted);
}

TEST_F(ReconnectLoopbackTest, WhileTheOldConnectionLivesOnTheServerTheClientIsPutOffThenLetIn) {
  ASSERT_TRUE(Listen());
  client.Startup(korvel::testing::LaunchLine(LaunchFields("alice", "k")));
  IntoTheFirstDeal();
  const int seat = ServerTable()->SeatOf("alice");
  socket.Abandon();
  // The client tries within seconds, while the server still counts the old connection alive:
  // it is closed without an answer (an answer would end the client), and it tries again.
  ASSERT_TRUE(StepUntil([&] { return client.reconnection().Reconnected; }, 60000));
  EXPECT_GE(socket.connects, 3);
  bool putOff = false;
  for (const std::string& line : serverLog)
    putOff |= line.find("reconnection put off") != std::string::npos;
  EXPECT_TRUE(putOff);
  EXPECT_FALSE(ServerTable()->Away(seat));
  EXPECT_TRUE(client.loop().TableActive);
  EXPECT_TRUE(StepUntil([&] { return client.table().progress.TableRestored; }, 10000));
}

TEST_F(ReconnectLoopbackTest, AWatcherJoinsADealUnderWayAndFollowsIt) {
  ASSERT_TRUE(Listen());
  client.Startup(korvel::testing::LaunchLine(LaunchFields("alice", "k")));
  IntoTheFirstDeal();
  watcher.emplace();
  // Nobody watches a table played from its own address: the watcher is another machine.
  watcher->socket.localAddress = "127.0.0.2";
  Client& eve = watcher->client;
  eve.Startup(korvel::testing::LaunchLine(LaunchFields("eve", "watch:alice")) + "1000");
  ASSERT_TRUE(eve.settings().Spectator);
  // The table stands still while the watcher comes in: its snapshot is the table as it is.
  ASSERT_TRUE(StepUntil([&] { return eve.table().progress.TableRestored; }, 10000, true));
  EXPECT_EQ(eve.table().players[0].seatMask, 1 << ServerTable()->SeatOf("alice"));
  EXPECT_EQ(eve.table().players[0].name, "alice");
  EXPECT_EQ(eve.watching().handVisible, 0);
  ExpectSeatsMatch(eve.table(), *ServerTable()->CurrentDeal());

  // A few turns later, once the watcher has shown everything it was sent, it still agrees.
  const int before = ServerTable()->CurrentDeal()->TakenFromFront();
  ASSERT_TRUE(StepUntil(
      [&] { return ServerTable()->CurrentDeal()->TakenFromFront() >= before + 6; }, 60000));
  ASSERT_TRUE(StepUntil([&] { return !eve.records().RecordWaiting(); }, 60000, true));
  Step(1000, true);
  const Deal* deal = ServerTable()->CurrentDeal();
  ASSERT_NE(deal, nullptr);
  if (!deal->Over()) ExpectSeatsMatch(eve.table(), *deal);
  EXPECT_TRUE(SentBy(*watcher).empty()) << "a watcher sends no game records";
  EXPECT_FALSE(watcher->vp.log.Contains("watching:")) << "every record fitted the watcher's table";
}

// The first deal opens with a computer player winning on its own tiles; the table's first
// dealer comes from the hall's seed, so the wall is arranged for that dealer.
class WonDealLoopbackTest : public ReconnectLoopbackTest {
 protected:
  WonDealLoopbackTest() : ReconnectLoopbackTest(WonConfig()) {}
  static int FirstDealer(const HallConfig& c) {
    ManualClock clock;
    ShantenCalculator shanten;
    testing::CollectingListener quiet;
    testing::RecordingLink nobody;
    Table probe(1, c.table, clock, c.seed ^ 0x9E3779B97F4A7C15ull, shanten, quiet);
    probe.Seat(Hall::BotProfile(1, 0), nullptr);
    probe.Seat(Hall::BotProfile(1, 1), nullptr);
    PlayerProfile human;
    human.account = "x";
    probe.Seat(human, &nobody);
    clock.Advance(c.table.startSeconds * 1000LL);
    probe.Tick();
    return probe.CurrentDeal() ? probe.CurrentDeal()->Dealer() : -1;
  }
  static HallConfig WonConfig() {
    HallConfig c = HallConfigFor();
    for (c.seed = 1; FirstDealer(c) == 2; ++c.seed) {
    }
    const int dealer = FirstDealer(c);
    std::array<std::string, 3> hands;
    hands[dealer] = "b1 b1 b1 b2 b2 b2 b3 b3 b3 b4 b4 b4 b5 b5";
    hands[(dealer + 1) % 3] = "d1 d2 d3 d4 d5 d6 d7 d8 d9 d1 d2 d3 b6";
    hands[(dealer + 2) % 3] = "d4 d5 d6 d7 d8 d9 d1 d2 d3 d4 d5 d6 b7";
    c.walls = {testing::ScriptWall(dealer, hands)};
    return c;
  }
};

TEST_F(WonDealLoopbackTest, AClientBackAfterAWinInTheDealSeesTheWinAndItsReports) {
  ASSERT_TRUE(Listen());
  client.Startup(korvel::testing::LaunchLine(LaunchFields("alice", "k")));
  ASSERT_TRUE(StepUntil([&] { return ServerTable() && ServerTable()->CurrentDeal(); }, 60000));
  const int dealer = ServerTable()->CurrentDeal()->Dealer();
  ASSERT_NE(dealer, 2);
  socket.Cut();
  ASSERT_TRUE(StepUntil(
      [&] {
        const Deal* d = ServerTable()->CurrentDeal();
        return d && d->Won(dealer);
      },
      20000));
  ASSERT_TRUE(StepUntil([&] { return client.table().progress.TableRestored; }, 20000, true));
  Step(3000, true);
  const TableModel& table = client.table();
  int winnerView = -1;
  for (int v = 0; v < kSeats; ++v)
    if (SeatIndexOf(table.players[v].seatMask) == dealer) winnerView = v;
  ASSERT_GE(winnerView, 1);
  const Settlement& settlement = client.settlement();
  EXPECT_EQ(settlement.stores.HasWon[winnerView], 1) << "the winner's status";
  EXPECT_EQ(settlement.stores.WinEventCount, 1) << "the win's three reports, once";

  // Through the deal's end the board's totals agree with the results.
  ASSERT_TRUE(StepUntil([&] { return ServerTable()->DealsPlayed() >= 1; }, 300000));
  Step(3000);
  for (int v = 0; v < kSeats; ++v) {
    const int s = SeatIndexOf(table.players[v].seatMask);
    EXPECT_EQ(settlement.stores.dealAmount[v] * 10, table.players[v].dealScore) << "seat " << s;
  }
}

// A second player on a plain socket: it logs in, reads what it is sent and answers nothing,
// so the server plays its turns when they run out.
class PlainPeer {
 public:
  PlainPeer(uint16_t port, std::string_view account) {
    fd_ = testing::ConnectLoopback(port);
    pending_ = BuildLoginRecord(account, "k").record;
  }
  ~PlainPeer() { ::close(fd_); }
  void Send(const RecordBytes& r) { pending_ = r; }
  void Pump() {
    if (pending_ && ::send(fd_, pending_->data(), pending_->size(), MSG_NOSIGNAL) == kRecordSize)
      pending_.reset();
    uint8_t buf[8192];
    for (ssize_t n; (n = ::recv(fd_, buf, sizeof buf, 0)) > 0;)
      input_.insert(input_.end(), buf, buf + n);
    testing::TakeWholeRecords(input_, received);
  }
  std::vector<RecordBytes> received;

 private:
  int fd_ = -1;
  std::optional<RecordBytes> pending_;
  std::vector<uint8_t> input_;
};

// Props on: alice's client with the demonstration component, bob on a plain socket, and one
// computer player.
class PropsLoopbackTest : public ReconnectLoopbackTest {
 protected:
  PropsLoopbackTest() : ReconnectLoopbackTest(PropsConfig()) {}
  static HallConfig PropsConfig() {
    HallConfig c = HallConfigFor();
    c.bots = 1;
    c.table.props = true;
    return c;
  }
  static bool Has(const std::vector<std::string>& lines, std::string_view a, std::string_view b) {
    return std::any_of(lines.begin(), lines.end(), [&](const std::string& l) {
      return l.find(a) != std::string::npos && l.find(b) != std::string::npos;
    });
  }
  template <typename Done>
  bool Until(Done done, int limitMs) {
    for (int t = 0; t < limitMs && !done(); t += 10) {
      Step(10);
      bob->Pump();
    }
    return done();
  }
  void Key(int code) {
    client.input().OnKeyDown(client.view().mainForm(), client.view().el.pic1, code, 0);
  }
  std::optional<PlainPeer> bob;
};

TEST_F(PropsLoopbackTest, FlowersEggsAndATreasureBoxBetweenClientServerAndComponent) {
#ifndef KORVEL_DEMO_PLUGIN
  GTEST_SKIP() << "built without KORVEL_DEMO_PROPS";
#else
  ASSERT_TRUE(Listen());
  vp.files.appDir =
      std::filesystem::path(KORVEL_DEMO_PLUGIN).parent_path().parent_path().parent_path();
  korvel::testing::ScratchFolder userFiles;
  vp.files.userDir = userFiles.path();
  std::vector<std::string> fields = LaunchFields("alice", "k");
  fields[13] = "1";  // the launch line allows props
  client.Startup(korvel::testing::LaunchLine(fields));
  Step(300);
  bob.emplace(server->Port(), "bob");
  ASSERT_TRUE(Until([&] { return client.props().PropsActive == 2; }, 20000))
      << "the player records let the component run";
  for (const RecordBytes& r : bob->received) {
    if (r[rec::kCommand] == kCmdPlayerInfo) {
      EXPECT_EQ(r[255], 0) << "props allowed";
    }
  }
  ASSERT_TRUE(Until(
      [&] {
        const Table* t = ServerTable();
        return t && t->CurrentDeal() && t->CurrentDeal()->TakenFromFront() >= 41;
      },
      120000));
  const int aliceMask = 1 << ServerTable()->SeatOf("alice");
  const int bobMask = 1 << ServerTable()->SeatOf("bob");

  // Alice gives a flower to the seat on her right and throws an egg at the one on her left:
  // one of them is bob, who is told of both.
  Key(113);
  Key(114);
  ASSERT_TRUE(Until(
      [&] {
        return std::count_if(bob->received.begin(), bob->received.end(),
                             [](const auto& r) { return r[rec::kCommand] == kCmdProp; }) >= 2;
      },
      3000));
  std::set<int> props, targets;
  for (const RecordBytes& r : bob->received) {
    if (r[rec::kCommand] != kCmdProp) continue;
    EXPECT_EQ(r[rec::kSeat], aliceMask) << "the giver's seat";
    props.insert(r[9]);
    targets.insert(r[11]);
  }
  EXPECT_EQ(props, (std::set<int>{1, 2}));
  EXPECT_TRUE(targets.count(bobMask));
  const std::vector<std::string>& mine = client.chat().History();
  EXPECT_TRUE(Has(mine, "你送给", "鲜花"));
  EXPECT_TRUE(Has(mine, "你扔给", "鸡蛋"));

  // Bob gives alice a flower: her component announces it.
  RecordBytes gift{};
  gift[rec::kCommand] = kCmdProp;
  gift[rec::kSeat] = 7;  // whatever the sender claims, the server names its real seat
  gift[9] = 1;
  gift[11] = static_cast<uint8_t>(aliceMask);
  bob->Send(gift);
  ASSERT_TRUE(Until([&] { return Has(client.chat().History(), "bob送给你", "鲜花"); }, 3000));

  // The deal's end goes to the component, which offers alice a treasure box, then the board.
  ASSERT_TRUE(Until([&] { return client.props().display().BoxCountdownOn; }, 600000));
  const Form& f = client.view().main();
  EXPECT_TRUE(f.Visible(f.Find("ImgProp", 0)));
  // The component settles, then the client's own board and continue prompt follow.
  ASSERT_TRUE(Until([&] { return vp.log.Contains("请点击【继续】按钮继续游戏！"); }, 30000));
  const Form& board = client.view().scene().form(client.settlement().board().form);
  const std::vector<std::string>& column = board.Get(client.settlement().board().State[0])->lines;
  EXPECT_TRUE(Has(column, "最终分：", "金币"));
  EXPECT_TRUE(Has(client.chat().History(), "获得", "×"));
  int scores = 0;
  for (const RecordBytes& r : bob->received) scores += r[rec::kCommand] == kCmdPropScore ? 1 : 0;
  EXPECT_EQ(scores, 1) << "one prop score per deal end";
  for (const std::string& line : serverLog) {
    EXPECT_EQ(line.find("prop message"), std::string::npos) << line;
  }
#endif
}

}  // namespace
}  // namespace korvel::server
