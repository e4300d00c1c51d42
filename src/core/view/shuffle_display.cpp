#include "view/shuffle_display.h"

#include <array>

namespace korvel {
namespace {

constexpr std::array<const char*, 4> kShuffleTexts = {"正在随机换座中..", "正在随机换座中...",
                                                      "正在随机换座中....", "正在随机换座中....."};
constexpr int kShuffleMs = 300;
constexpr const char* kTimerName = "TimerShuffle";

}  // namespace

void ShuffleDisplay::Reset() {
  timers_.Stop(kTimerName);
  if (!view_.laidOut()) return;
  view_.main().Hide(view_.el.LblShuffle);
  view_.main().Hide(view_.el.ImgShuffle);
}

void ShuffleDisplay::Start() {
  if (view_.laidOut()) {
    Form& f = view_.main();
    for (ElementId e : {view_.el.ImgShuffle, view_.el.LblShuffle}) {
      f.Show(e);
      f.BringToFront(e);
    }
    f.SetCaption(view_.el.LblShuffle, kShuffleTexts[0]);
  }
  timers_.Start(kTimerName, kShuffleMs, [this] {
    loop_.ShuffleStep = (loop_.ShuffleStep + 1) % static_cast<int>(kShuffleTexts.size());
    if (view_.laidOut())
      view_.main().SetCaption(view_.el.LblShuffle, kShuffleTexts[loop_.ShuffleStep]);
  });
}

}  // namespace korvel
