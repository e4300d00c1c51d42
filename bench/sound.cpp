// The sound work done per discard and per table: naming and starting a seat's clip, and the
// voice choice when the table fills.
#include "sound/sound.h"

#include <benchmark/benchmark.h>

#include "platform/virtual_platform.h"
#include "sound/voice_clips.h"

namespace korvel {
namespace {

// A device that accepts every clip and keeps nothing, so the loop measures only our side.
class NullSound : public SoundOut {
 public:
  bool Init() override { return true; }
  bool Play(const std::string& path, bool) override {
    benchmark::DoNotOptimize(path.data());
    return true;
  }
  void Stop() override {}
  void SetVolume(int) override {}
};

struct Fixture {
  Fixture() : sound(out, files, seats) {
    seats[0] = {1, "00", "10", 3};
    seats[1] = {0, "00", "20", 2};
    seats[2] = {0, "27", "30", 2};
    sound.Startup();
  }
  NullSound out;
  VirtualFiles files;
  SeatVoices seats;
  Sound sound;
};

void BM_DiscardSound(benchmark::State& state) {
  Fixture f;
  int n = 0;
  for (auto _ : state) {
    const ViewPos v = n % 3;
    const TileCode tile = static_cast<TileCode>(0x21 + n % 9);
    f.sound.PlayEffectIfOn(kEffectDiscard);
    f.sound.PlayVoiceIfOn(v, DiscardClip(v, tile, n % 4));
    ++n;
  }
}
BENCHMARK(BM_DiscardSound);

void BM_VoiceFile(benchmark::State& state) {
  Fixture f;
  for (auto _ : state) benchmark::DoNotOptimize(f.sound.VoiceFile(1, kClipPeng));
}
BENCHMARK(BM_VoiceFile);

void BM_AssignVoices(benchmark::State& state) {
  Fixture f;
  for (auto _ : state) {
    f.sound.AssignVoices();
    benchmark::DoNotOptimize(f.seats[2].voiceSet.data());
  }
}
BENCHMARK(BM_AssignVoices);

}  // namespace
}  // namespace korvel
