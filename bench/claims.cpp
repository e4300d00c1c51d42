// The claims' handlers: an offer with its buttons and clock, the player's peng and the result
// that lays the meld out; another seat's gang with its call; and a time-out played for the
// player. Each iteration starts from the same table.
#include <benchmark/benchmark.h>

#include <array>

#include "app/client.h"
#include "platform/virtual_platform.h"

namespace korvel {
namespace {

class Table {
 public:
  Table() : client(vp.platform()) {
    vp.lobby.windows.insert("Tesk山庄");
    client.Startup("a$k$h$6000$Room$3$$0$$$0$$$0$0$");
    client.loop().TableActive = true;
    auto& players = client.table().players;
    players[0].seatMask = 1;
    players[1].seatMask = 4;
    players[2].seatMask = 2;
  }

  // Thirteen local tiles with a pair of 0x23, and thirteen backs for each other seat.
  void Deal() {
    client.view().ResetTable();
    client.table().state.DealDone = 3;
    const std::array<int16_t, 13> mine = {0x81, 0x82, 0x83, 0x84, 0x41, 0x23, 0x23,
                                          0x25, 0x26, 0x27, 0x28, 0x11, 0x12};
    for (int v = 0; v < kSeats; ++v) {
      PlayerRecord& p = client.table().players[v];
      p.handCount = 13;
      for (int k = 0; k < 13; ++k) {
        p.slots[4 + k] =
            TileSlot{SlotKind::Concealed, v == 0 ? mine[k] : int16_t{0}, int16_t(20 * v + k)};
      }
    }
  }
  // The server's record `command` for `seat`, as the dispatcher hands it over.
  CommandInfo& Record(int command, int seat, int v0 = 0, int tile = 0, int seconds = 8) {
    RecordBytes& r = client.records().ReceivedRecord;
    r.fill(0);
    r[100] = static_cast<uint8_t>(seconds);
    info = CommandInfo{};
    info.command = static_cast<int16_t>(command);
    info.seat = static_cast<uint8_t>(seat);
    info.value = {int16_t(v0), int16_t(tile), int16_t(tile), int16_t(tile)};
    return info;
  }
  void Clean() {
    client.records().ResetRings();
    vp.socket.sent.clear();
    vp.sound.played.clear();
    vp.log.lines.clear();
  }

  VirtualPlatform vp;
  Client client;
  CommandInfo info;
};

void BM_OfferPengAndItsResult(benchmark::State& state) {
  Table t;
  TablePlay& play = t.client.tablePlay();
  for (auto _ : state) {
    t.Deal();
    play.OnDiscard(t.Record(2, 2, 0, 0x23));
    play.OnTurn(t.Record(6, 1, 0x09));
    play.OnOperationClick(1);
    play.OnOperationResult(t.Record(7, 1, OpPeng, 0x23));
    if (t.client.table().players[0].handCount != 11) {
      state.SkipWithError("the peng was not laid out");
      break;
    }
    t.Clean();
  }
}
BENCHMARK(BM_OfferPengAndItsResult)->Unit(benchmark::kMicrosecond);

void BM_AnotherSeatsGang(benchmark::State& state) {
  Table t;
  TablePlay& play = t.client.tablePlay();
  for (auto _ : state) {
    t.Deal();
    play.OnDiscard(t.Record(2, 2, 0, 0x23));
    play.OnOperationResult(t.Record(7, 4, OpGang, 0x23));
    if (t.client.table().players[1].handCount != 10) {
      state.SkipWithError("the gang was not laid out");
      break;
    }
    t.Clean();
  }
}
BENCHMARK(BM_AnotherSeatsGang)->Unit(benchmark::kMicrosecond);

void BM_TimeOutDiscard(benchmark::State& state) {
  Table t;
  TablePlay& play = t.client.tablePlay();
  for (auto _ : state) {
    t.Deal();
    PlayerRecord& p = t.client.table().players[0];
    p.slots[17] = TileSlot{SlotKind::Concealed, 0x29, 60};
    p.handCount = 14;
    play.OnTurn(t.Record(6, 1, 0x00));
    t.client.autoPlay().OnLocalTimeout();
    if (p.handCount != 13) {
      state.SkipWithError("the time-out did not discard");
      break;
    }
    t.Clean();
  }
}
BENCHMARK(BM_TimeOutDiscard)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace korvel
