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
#include <optional>

#include "net/net_server.h"
#include "support/client_fixture.h"
#include "table/hall.h"
#include "table/hand_order.h"

namespace korvel::server {
namespace {

// The Socket port on a real loopback connection; the test pumps its data into the client.
class LoopbackSocket : public Socket {
 public:
  explicit LoopbackSocket(VirtualTimers& timers) : timers_(timers) {}
  ~LoopbackSocket() override { Close(); }
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
  int connects = 0;
  std::string localAddress;  // another loopback address stands for another machine

 private:
  VirtualTimers& timers_;
  SocketEvents* events_ = nullptr;
  int fd_ = -1;
  bool connected_ = false;
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
  ReconnectLoopbackTest()
      : socket(vp.timers),
        platform{vp.timers, socket,   vp.lobby, vp.dialogs, vp.sound,
                 vp.screen, vp.files, vp.log,   vp.process},
        hall(HallConfigFor(), serverClock,
             [this](std::string_view line) { serverLog.emplace_back(line); }),
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
  client.Startup(testing::LaunchLine(LaunchFields("alice", "k")));
  IntoTheFirstDeal();
  const int seat = ServerTable()->SeatOf("alice");
  ASSERT_EQ(seat, 2);
  EXPECT_EQ(client.table().players[0].seatMask, 1 << seat);

  socket.Cut();
  // The server notices at once and keeps the seat; its clock then stands still, so the table
  // the client comes back to is the table it left.
  Step(100);
  ASSERT_TRUE(ServerTable()->Away(seat));
  ASSERT_TRUE(StepUntil([&] { return client.tableRestore().TableRestored; }, 20000, true));
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

TEST_F(ReconnectLoopbackTest, AWatcherJoinsADealUnderWayAndFollowsIt) {
  ASSERT_TRUE(Listen());
  client.Startup(testing::LaunchLine(LaunchFields("alice", "k")));
  IntoTheFirstDeal();
  watcher.emplace();
  // Nobody watches a table played from its own address: the watcher is another machine.
  watcher->socket.localAddress = "127.0.0.2";
  Client& eve = watcher->client;
  eve.Startup(testing::LaunchLine(LaunchFields("eve", "watch:alice")) + "1000");
  ASSERT_TRUE(eve.Spectator);
  // The table stands still while the watcher comes in: its snapshot is the table as it is.
  ASSERT_TRUE(StepUntil([&] { return eve.tableRestore().TableRestored; }, 10000, true));
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

}  // namespace
}  // namespace korvel::server
