// Rebuilding a deal from its three snapshot records, as a reconnected player and as a watcher:
// three seats with melds, full hands and discards, and the wall that is left. This is the work
// done between the server's verdict and the game going on.
#include <benchmark/benchmark.h>

#include "app/client.h"
#include "platform/virtual_platform.h"

namespace korvel {
namespace {

RecordBytes Snapshot(int mask, int discards, std::initializer_list<int> exposed, int concealed,
                     int firstTile) {
  RecordBytes r{};
  r[3] = 40;
  r[6] = static_cast<uint8_t>(mask);
  r[7] = static_cast<uint8_t>(discards);
  r[9] = 52;   // taken from the start of the wall
  r[13] = 69;  // two tiles taken from its far end
  size_t at = 16;
  for (int t : exposed) {
    r[at++] = 0x24;
    r[at++] = static_cast<uint8_t>(t);
  }
  for (int i = 0; i < concealed; ++i) {
    const int n = firstTile + i;
    r[at++] = 0x10;
    r[at++] = static_cast<uint8_t>((n / 9 % 2 == 0 ? 0x80 : 0x20) | (n % 9 + 1));
  }
  return r;
}

void Restore(benchmark::State& state, bool watching) {
  VirtualPlatform vp;
  vp.lobby.windows.insert("Tesk山庄");
  Client client(vp.platform());
  client.Startup(watching ? "a$k$h$6000$Room$0$$0$$$0$$$0$0$1000"
                          : "a$k$h$6000$Room$0$$0$$$0$$$0$0$");
  client.settings().Spectator = watching;
  auto& players = client.table().players;
  players[0].seatMask = 1;
  players[1].seatMask = 4;
  players[2].seatMask = 2;
  // A gang and a peng at the sides, thirteen tiles at the bottom, eleven discards in all.
  const std::array<RecordBytes, 3> records = {
      Snapshot(1, 4, {}, 13, 0),
      Snapshot(4, 4, {0x23, 0x23, 0x23, 0x23}, 10, 5),
      Snapshot(2, 3, {0x85, 0x85, 0x85}, 11, 9),
  };
  for (auto _ : state) {
    client.view().ResetTable();
    client.table().state.NextTileElement = 30;
    for (const RecordBytes& r : records) {
      client.records().ReceivedRecord = r;
      CommandInfo info = DecodeHeader(r);
      client.tableRestore().OnRestore(info);
    }
    benchmark::DoNotOptimize(client.table().progress.TableRestored);
  }
}

void BM_RestoreForAPlayer(benchmark::State& state) { Restore(state, false); }
void BM_RestoreForAWatcher(benchmark::State& state) { Restore(state, true); }
BENCHMARK(BM_RestoreForAPlayer);
BENCHMARK(BM_RestoreForAWatcher);

}  // namespace
}  // namespace korvel
