// The table's handlers over a whole deal: the deal start with its walls, the forty dealt tiles,
// and turns of draws and discards around the table, the local discards clicked. The waits
// inside the handlers pass in virtual time, so this is the work the handlers themselves do.
#include <benchmark/benchmark.h>

#include "app/client.h"
#include "platform/virtual_platform.h"
#include "table/hand_order.h"

namespace korvel {
namespace {

CommandInfo Info(int command, int seat, int16_t v0 = 0, int16_t v1 = 0, int16_t v2 = 0,
                 int16_t v3 = 0) {
  CommandInfo info;
  info.command = static_cast<int16_t>(command);
  info.seat = static_cast<uint8_t>(seat);
  info.value = {v0, v1, v2, v3};
  return info;
}

int16_t TileOf(int n) {
  const int suits[3] = {0x20, 0x40, 0x80};
  return static_cast<int16_t>(suits[n % 3] | (1 + n % 9));
}

void BM_WholeDeal(benchmark::State& state) {
  VirtualPlatform vp;
  vp.lobby.windows.insert("Tesk山庄");
  Client client(vp.platform());
  client.Startup("a$k$h$6000$Room$3$$0$$$0$$$0$0$");
  client.loop().TableActive = true;
  auto& players = client.table().players;
  players[0].seatMask = 1;
  players[1].seatMask = 4;
  players[2].seatMask = 2;
  TablePlay& play = client.tablePlay();
  TableState& st = client.table().state;
  for (auto _ : state) {
    client.view().ResetTable();
    CommandInfo start = Info(4, 1, 3, 2);
    play.OnDealStart(start);
    for (int round = 0; round < 3; ++round) {
      for (int seat : {1, 2, 4}) {
        CommandInfo four =
            Info(1, seat, TileOf(round), TileOf(round + 1), TileOf(round + 2), TileOf(round + 3));
        play.OnDealTiles(four, 4);
      }
    }
    for (int seat : {1, 2, 4, 1}) {
      CommandInfo one = Info(5, seat, 0, 0, 0, TileOf(seat));
      play.OnDealTiles(one, 1);
    }
    // Turns: the local player discards its first tile, the others their last.
    for (int turn = 0; turn < 8; ++turn) {
      st.MustDiscard = true;
      st.ClickState = 0;
      const int e = players[0].slots[players[0].handStart].element;
      play.OnTileHover(e);
      play.OnTileClick(e, 1);
      CommandInfo mine = Info(2, 1, 0, 0, 0, 0x21);
      play.OnDiscardAnnounced(mine);
      for (int seat : {2, 4}) {
        CommandInfo draw = Info(5, seat);
        play.OnDealTiles(draw, 1);
        CommandInfo discard = Info(2, seat, 0, 0, 0, TileOf(turn));
        play.OnDiscardAnnounced(discard);
      }
      CommandInfo draw = Info(5, 1, 0, 0, 0, TileOf(turn + 5));
      play.OnDealTiles(draw, 1);
    }
    if (players[0].handCount != 14 || st.DealDone != 3) {
      state.SkipWithError("the deal did not play out");
      break;
    }
    // What the virtual ports collect would otherwise grow with every deal.
    client.records().ResetRings();
    vp.socket.sent.clear();
    vp.lobby.deliveries.clear();
    vp.sound.played.clear();
    vp.log.lines.clear();
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_WholeDeal)->Unit(benchmark::kMicrosecond);

void BM_SortFourteen(benchmark::State& state) {
  PlayerRecord p;
  const int codes[14] = {0x89, 0x21, 0x45, 0x11, 0x81, 0x41, 0x15,
                         0x27, 0x83, 0x42, 0x29, 0x13, 0x88, 0x24};
  for (auto _ : state) {
    for (int k = 0; k < 14; ++k) p.slots[4 + k].code = static_cast<int16_t>(codes[k]);
    p.handCount = 14;
    SortHand(p, 14);
    benchmark::DoNotOptimize(p.slots[4].code);
  }
}
BENCHMARK(BM_SortFourteen);

}  // namespace
}  // namespace korvel
