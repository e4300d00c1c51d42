// The prop display's costs: wrapping a prop message to the chat history's columns (each
// character's width comes from the GBK codec), and a whole treasure-box ending from the closed
// boxes to the board, in virtual time.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "app/client.h"
#include "platform/virtual_platform.h"
#include "props/prop_text.h"

namespace korvel {
namespace {

std::string MixedText(size_t characters) {
  std::string text;
  for (size_t i = 0; i < characters; ++i) text += i % 3 == 0 ? "x" : "宝";
  return text;
}

void BM_WrapPropMessage(benchmark::State& state) {
  const std::string text = MixedText(static_cast<size_t>(state.range(0)));
  size_t lines = 0;
  for (auto _ : state) {
    const auto wrapped = WrapColumns(text, kPropMessageColumns);
    lines = wrapped.size();
    benchmark::DoNotOptimize(wrapped);
  }
  state.counters["lines"] = static_cast<double>(lines);
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_WrapPropMessage)->Arg(44)->Arg(200)->Arg(1000);

// Three owners' boxes opened for them and the board shown, 25 opening frames.
void BM_BoxEnding(benchmark::State& state) {
  char folder[] = "/tmp/korvel-bench-boxes-XXXXXX";
  if (!mkdtemp(folder)) {
    state.SkipWithError("no temporary folder");
    return;
  }
  VirtualPlatform vp;
  vp.files.appDir = folder;
  vp.lobby.windows.insert("Tesk山庄");
  Client client(vp.platform());
  client.Startup("a$k$h$6000$Room$0$$0$$$0$$$0$0$");
  PropDisplay& display = client.props().display();
  client.props().PropsActive = 2;
  client.loop().PropsPolling = true;
  BoxBuffers& boxes = display.boxes;
  for (int k = 0; k < kBoxElements; ++k) {
    boxes.BoxPositions[k] = 320 + 80 * (k % 5);
    boxes.BoxPositions[k + kBoxElements] = 280 + 70 * (k / 5);
  }
  boxes.BoxCentre = {512, 380};
  boxes.PrizeTargets = {24, 20, 712, 488, 610, 90, 90, 90};
  boxes.CaptionAnchor = {512, 215};
  boxes.OpeningTiming = {60, 25};
  boxes.BoxSize = {64, 56};
  boxes.PrizeSize = {48, 48};
  display.SetRandomSource([] { return 0.5; });
  int64_t virtualMs = 0;
  int boards = 0;
  const FormId board = client.settlement().board().form;
  for (auto _ : state) {
    PropScoreBuffers& score = client.settlement().propScore;
    for (int l = 1; l < kBoxEntries; ++l) {
      score.BoxOwners[l] = {"玩家" + std::to_string(l), "获得鲜花×1|获得鸡蛋×1"};
      score.ExtraAmount[l] = 100.0 * l;
    }
    const int64_t before = vp.timers.NowMs();
    // The board of the last round goes, so every round writes a record of the same size.
    client.view().scene().form(board).SetFormVisible(false);
    for (auto& lines : client.settlement().boardLines) lines.clear();
    display.BoxEnding();
    vp.timers.Advance(6000);
    virtualMs = vp.timers.NowMs() - before;
    boards += client.view().scene().form(board).visible() ? 1 : 0;
  }
  state.counters["virtual_ms"] = static_cast<double>(virtualMs);
  state.counters["boards"] = static_cast<double>(boards) / static_cast<double>(state.iterations());
  std::filesystem::remove_all(folder);
}
BENCHMARK(BM_BoxEnding)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace korvel
