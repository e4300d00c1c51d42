// Building and queuing records, and taking and decoding them: the per-record work of the loop.
#include "net/records.h"

#include <benchmark/benchmark.h>

#include "platform/virtual_platform.h"

namespace korvel {
namespace {

struct Fixture {
  Fixture() : records(loop, table, vp.socket, vp.log) {}
  VirtualPlatform vp;
  LoopState loop;
  TableModel table;
  Records records;
};

void BM_BuildAndQueue(benchmark::State& state) {
  Fixture f;
  CommandInfo info;
  info.command = 2;
  info.seat = 2;
  info.value = {0x4027, 0, 0, 0};
  for (auto _ : state) {
    f.records.SendCommand(info);
    // Keep the ring from filling without touching the socket: rewind the read index.
    f.records.SendRead = f.records.SendWrite;
    benchmark::DoNotOptimize(f.records.SendWrite);
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_BuildAndQueue);

void BM_TakeAndDecode(benchmark::State& state) {
  Fixture f;
  std::vector<RecordBytes> stream(64);
  for (size_t i = 0; i < stream.size(); ++i) {
    RecordBytes& r = stream[i];
    r[3] = static_cast<uint8_t>(i % 3 == 0 ? 6 : i % 3 == 1 ? 2 : 17);
    r[6] = static_cast<uint8_t>(1 << (i % 3));
    r[9] = static_cast<uint8_t>(i);
    r[260] = 7;
  }
  size_t next = 0;
  for (auto _ : state) {
    f.records.AppendReceived(stream[next]);
    next = (next + 1) % stream.size();
    TakenRecord taken = f.records.TakeRecord();
    f.records.FollowServerTag();
    benchmark::DoNotOptimize(taken);
    benchmark::DoNotOptimize(f.records.Rinfo);
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_TakeAndDecode);

void BM_TakeChat(benchmark::State& state) {
  Fixture f;
  RecordBytes chat{};
  chat[3] = 19;
  const char text[] = "\xc4\xe3\xba\xc3, good game!";  // GBK
  std::copy(std::begin(text), std::end(text) - 1, chat.begin() + 16);
  for (auto _ : state) {
    f.records.AppendReceived(chat);
    TakenRecord taken = f.records.TakeRecord();
    benchmark::DoNotOptimize(taken.text.data());
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_TakeChat);

}  // namespace
}  // namespace korvel
