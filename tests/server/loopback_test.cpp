// A scripted client on loopback: it logs in with the core's login record, is seated with two
// computer players, and plays several deals by passing every offer and discarding its newest
// tile, checking what it receives against what the client reads.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <map>

#include "net/net_server.h"
#include "net/records.h"
#include "server_test_support.h"
#include "table/hall.h"

namespace korvel::server {
namespace {

class ScriptedClient {
 public:
  explicit ScriptedClient(uint16_t port) { fd_ = testing::ConnectLoopback(port); }
  ~ScriptedClient() { ::close(fd_); }

  void Send(RecordBytes r) {
    r[rec::kServerTag] = tag_[0];
    r[rec::kServerTag + 1] = tag_[1];
    size_t sent = 0;
    for (int tries = 0; sent < r.size() && tries < 1000; ++tries) {
      const ssize_t n = ::send(fd_, r.data() + sent, r.size() - sent, MSG_NOSIGNAL);
      if (n > 0) sent += static_cast<size_t>(n);
    }
    ASSERT_EQ(sent, r.size());
  }
  void SendLogin() {
    const LoginRecordResult login = BuildLoginRecord("tester", "secret");
    ASSERT_TRUE(login.ok);
    Send(login.record);
  }
  // Reads what has arrived and handles every complete record.
  void Poll() {
    uint8_t buf[8192];
    for (;;) {
      const ssize_t n = ::recv(fd_, buf, sizeof buf, 0);
      if (n <= 0) break;
      input_.insert(input_.end(), buf, buf + n);
    }
    size_t at = 0;
    while (input_.size() - at >= kRecordSize) {
      RecordBytes r;
      std::copy_n(input_.begin() + static_cast<std::ptrdiff_t>(at), kRecordSize, r.begin());
      at += kRecordSize;
      Handle(r);
    }
    input_.erase(input_.begin(), input_.begin() + static_cast<std::ptrdiff_t>(at));
  }

  int dealsDone = 0;
  int winEvents = 0;
  int reportGroups = 0;
  int records = 0;

 private:
  void CloseReportGroup() {
    if (reportSeats_.empty()) return;
    std::sort(reportSeats_.begin(), reportSeats_.end());
    EXPECT_EQ(reportSeats_, (std::vector<int>{1, 2, 4})) << "win reports come one per seat";
    ++reportGroups;
    reportSeats_.clear();
  }

  void Handle(const RecordBytes& r) {
    ++records;
    tag_ = {r[rec::kServerTag], r[rec::kServerTag + 1]};
    const CommandInfo info = DecodeHeader(r);
    const int command = info.command;
    if (command != kCmdWinReport) CloseReportGroup();
    switch (command) {
      case kCmdLogin:
        ASSERT_EQ(info.value[3], 1) << "login refused";
        break;
      case kCmdSeatAnnounce:
        if (std::string(reinterpret_cast<const char*>(&r[16])) == "tester") mask_ = info.seat;
        break;
      case 4:
        hand_.clear();
        dealt_ = 0;
        dealing_ = true;
        results_.clear();
        break;
      case 1:
      case 5: {
        const bool mine = info.seat == mask_;
        for (int k = command == 1 ? 0 : 3; k < 4; ++k) {
          const uint8_t tile = r[9 + 2 * k];
          if (mine) {
            ASSERT_TRUE(IsPlayTile(tile)) << "dealt an invalid tile " << int(tile);
            hand_.push_back(tile);
            newest_ = tile;
          } else {
            EXPECT_EQ(tile, 0) << "another seat's tile was sent";
          }
        }
        if (dealing_) dealt_ += command == 1 ? 4 : 1;
        break;
      }
      case 6:
        if (dealing_) {
          EXPECT_EQ(dealt_, 40);
          dealing_ = false;
        }
        if (info.seat == mask_) Answer(r);
        break;
      case 2:
        if (info.seat == mask_) {
          EXPECT_EQ(r[15], discarded_);
        }
        break;
      case kCmdOperation:
        if (info.value[0] == OpHu) {
          EXPECT_TRUE(IsPlayTile(r[17])) << "a win names its tile";
          EXPECT_NE(r[18], 0);
          if (!lastWasWin_) ++winEvents;
        }
        break;
      case kCmdWinReport:
        reportSeats_.push_back(info.seat);
        EXPECT_EQ(ReadBE32(r, 106), 10u) << "base stake";
        break;
      case 9: {
        const int64_t coins = static_cast<int64_t>(ReadLE32(r, 16));
        results_.push_back(info.value[1] == 1 ? coins : -coins);
        break;
      }
      case 16:
        if (info.value[3] == 0) {
          ASSERT_EQ(results_.size(), 3u) << "three deal results before the deal end";
          EXPECT_EQ(results_[0] + results_[1] + results_[2], 0);
          ++dealsDone;
        } else if (info.value[3] == 2) {
          // The key comes when the table fills, and again after every deal.
          EXPECT_NE(ReadLE32(r, rec::kTrailer), 0u);
          CommandInfo next;
          next.command = 16;
          next.seat = static_cast<uint8_t>(mask_);
          next.value[3] = 1;
          Send(EncodeHeader(next));
        }
        break;
      default:
        break;
    }
    lastWasWin_ = command == kCmdOperation && info.value[0] == OpHu;
  }

  // Option records: check the lists against the hand, then pass and discard the newest tile.
  void Answer(const RecordBytes& r) {
    EXPECT_EQ(r[100], 8) << "turn clock";
    const uint8_t ops = r[9];
    EXPECT_EQ(ops & ~(OpPass | OpPeng | OpGang | OpConcealedGang | OpAddedGang | OpHu), 0);
    auto held = [&](uint8_t t) { return std::count(hand_.begin(), hand_.end(), t); };
    if (r[16] == 1) {
      for (int i = 20; i < 34; ++i) {
        if (r[i]) {
          EXPECT_GE(held(r[i]), 1) << "ready discard not held";
        }
      }
    }
    EXPECT_LE(r[36], 3);
    for (int i = 0; i < r[36]; ++i) EXPECT_EQ(held(r[13 + i]), 4) << "concealed gang list";
    EXPECT_EQ(r[36] > 0, (ops & OpConcealedGang) != 0);
    for (int i = 0; i < r[46]; ++i) EXPECT_GE(held(r[47 + i]), 1) << "added gang list";
    if (ops) {
      CommandInfo pass;
      pass.command = kCmdOperation;
      pass.seat = static_cast<uint8_t>(mask_);
      pass.value[0] = OpPass;
      Send(EncodeHeader(pass));
    }
    if (hand_.size() % 3 != 2) return;
    auto it = std::find(hand_.begin(), hand_.end(), newest_);
    if (it == hand_.end()) it = hand_.end() - 1;
    discarded_ = *it;
    hand_.erase(it);
    CommandInfo discard;
    discard.command = 2;
    discard.seat = static_cast<uint8_t>(mask_);
    discard.value[3] = static_cast<int16_t>(WireTile(discarded_, kDiscardMarker));
    Send(EncodeHeader(discard));
  }

  int fd_ = -1;
  std::vector<uint8_t> input_;
  std::array<uint8_t, 2> tag_{};
  int mask_ = 0;
  std::vector<uint8_t> hand_;
  uint8_t newest_ = 0;
  uint8_t discarded_ = 0;
  int dealt_ = 0;
  bool dealing_ = false;
  bool lastWasWin_ = false;
  std::vector<int64_t> results_;
  std::vector<int> reportSeats_;
};

TEST(ServerLoopback, AScriptedClientPlaysSeveralDealsWithTwoComputerPlayers) {
  ManualClock clock;
  std::vector<std::string> log;
  HallConfig config;
  config.bots = 2;
  config.seed = 3;
  config.table.botDelayMs = 0;
  config.table.startSeconds = 1;
  config.table.firstTurnAllowanceMs = 0;
  Hall hall(config, clock, [&](std::string_view line) { log.emplace_back(line); });
  NetConfig net;
  net.bindAddress = "127.0.0.1";
  net.port = 0;
  NetServer server(net, hall, clock, [&](std::string_view line) { log.emplace_back(line); });
  std::string error;
  ASSERT_TRUE(server.Listen(&error)) << error;

  ScriptedClient client(server.Port());
  server.RunOnce(0);  // accept
  client.SendLogin();
  for (int i = 0; i < 200000 && client.dealsDone < 4; ++i) {
    server.RunOnce(0);
    client.Poll();
    if (::testing::Test::HasFatalFailure()) break;
    clock.Advance(50);
  }
  EXPECT_GE(client.dealsDone, 4);
  EXPECT_GT(client.winEvents, 0);
  // Every win event and every check at the wall's end brings one group of three reports.
  EXPECT_GE(client.reportGroups, client.winEvents);
  EXPECT_EQ(hall.TableCount(), 1u);
  for (const auto& line : log) EXPECT_EQ(line.find("ignored"), std::string::npos) << line;
}

TEST(ServerLoopback, GarbageAndPartialRecordsNeverReachATableAsAnswers) {
  ManualClock clock;
  HallConfig config;
  config.bots = 2;
  Hall hall(config, clock, [](std::string_view) {});
  NetConfig net;
  net.bindAddress = "127.0.0.1";
  net.port = 0;
  net.floodLimit = 10;
  std::vector<std::string> log;
  NetServer server(net, hall, clock, [&](std::string_view line) { log.emplace_back(line); });
  ASSERT_TRUE(server.Listen(nullptr));

  // A client that sends half a record and stops is still waited for, then given up.
  ScriptedClient half(server.Port());
  server.RunOnce(0);
  // A client that floods garbage before logging in is cut off.
  ScriptedClient flood(server.Port());
  server.RunOnce(0);
  RecordBytes junk{};
  junk[rec::kCommand] = 77;
  for (int i = 0; i < 100; ++i) flood.Send(junk);
  for (int i = 0; i < 10; ++i) server.RunOnce(0);
  EXPECT_EQ(server.Connections(), 1u);
  clock.Advance(net.loginTimeoutMs + 1);
  server.RunOnce(0);
  EXPECT_EQ(server.Connections(), 0u);
  EXPECT_EQ(hall.TableCount(), 0u);
  bool flooded = false;
  for (const auto& line : log) flooded = flooded || line.find("flooding") != std::string::npos;
  EXPECT_TRUE(flooded);
}

}  // namespace
}  // namespace korvel::server
