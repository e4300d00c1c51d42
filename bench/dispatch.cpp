// Taking and dispatching a realistic stream of server records through the whole core: what the
// receive step of every tick costs.
#include <benchmark/benchmark.h>

#include <vector>

#include "app/client.h"
#include "platform/virtual_platform.h"

namespace korvel {
namespace {

std::vector<RecordBytes> DealStream() {
  std::vector<RecordBytes> stream;
  auto add = [&](int command, int seat, std::vector<uint8_t> values) {
    RecordBytes r{};
    r[3] = static_cast<uint8_t>(command);
    r[6] = static_cast<uint8_t>(seat);
    for (size_t k = 0; k < values.size(); ++k) r[9 + 2 * k] = values[k];
    r[260] = 1;
    r[261] = static_cast<uint8_t>(stream.size());
    stream.push_back(r);
  };
  // A deal's shape: draws, turns, discards and claims around the table, a chat now and then.
  for (int turn = 0; turn < 30; ++turn) {
    const int seat = 1 << (turn % 3);
    add(5, seat, {static_cast<uint8_t>(0x21 + turn % 9)});
    add(6, seat, {0, 0, 0, 0});
    add(2, seat, {static_cast<uint8_t>(0x81 + turn % 9)});
    if (turn % 7 == 0) add(7, seat, {8, 0x23});
    if (turn % 10 == 0) add(19, seat, {});
  }
  return stream;
}

void BM_TakeAndDispatch(benchmark::State& state) {
  VirtualPlatform vp;
  vp.lobby.windows.insert("Tesk山庄");
  Client client(vp.platform());
  client.Startup("a$k$h$6000$Room$3$$0$$$0$$$0$0$");
  const std::vector<RecordBytes> stream = DealStream();
  size_t next = 0;
  for (auto _ : state) {
    client.records().AppendReceived(stream[next]);
    next = (next + 1) % stream.size();
    TakenRecord taken = client.records().TakeRecord();
    client.dispatcher().Route(taken);
    client.dispatcher().Dispatch(client.records().Rinfo);
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_TakeAndDispatch);

void BM_IdleTick(benchmark::State& state) {
  VirtualPlatform vp;
  vp.lobby.windows.insert("Tesk山庄");
  Client client(vp.platform());
  client.Startup("a$k$h$6000$Room$3$$0$$$0$$$0$0$");
  client.loop().Arm(kStepConnectionWatch);
  vp.socket.nextConnectResult = 0;
  vp.socket.Connect("h", 1);
  vp.timers.Advance(1);
  for (auto _ : state) client.mainLoop().Tick();
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_IdleTick);

}  // namespace
}  // namespace korvel
