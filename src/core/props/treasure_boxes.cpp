// The treasure boxes at the end of a deal: five closed boxes per seat that earned one, a
// five-second choice, the chosen box gliding to the centre, the amounts counting up, the prize
// gliding to its owner, and then the board.
#include <algorithm>
#include <cmath>

#include "platform/ports.h"
#include "props/prop_component.h"
#include "props/prop_display.h"
#include "props/prop_text.h"
#include "settlement/settlement.h"
#include "view/table_view.h"

namespace korvel {
namespace {

constexpr const char* kChooseBox = "请选择一个宝箱打开";
constexpr const char* kWaitForOthers = "请等待其他玩家打开宝箱";
constexpr const char* kWaitForPlayers = "请等待玩家打开宝箱";
constexpr const char* kLineBreak = "\r\n";
constexpr uint32_t kCountdownColour = 0xFF0000;
constexpr int kCaptionColumnWidth = 14;
constexpr int kCountdownCaptionHeight = 50;
constexpr int kTicksPerSecond = 20;
constexpr int kGlideSteps = 5;
constexpr int kGlideStepMs = 37;
constexpr int kOthersOpenBelow = 3;
constexpr int kLocalOpensBelow = 1;
constexpr int kResultShownMs = 1000;

}  // namespace

int PropDisplay::OpeningFrames() const { return std::max<int>(1, boxes.OpeningTiming[1]); }

bool PropDisplay::TakesPart(int entry) const {
  const auto& owners = settlement_.propScore.BoxOwners[entry];
  return !owners[0].empty() || !owners[1].empty();
}

int PropDisplay::RandomBox() {
  double r = random_ ? random_() : std::uniform_real_distribution<double>(0.0, 1.0)(rng_);
  r = std::clamp(r, 0.0, 1.0);
  // Rounded to the nearest whole number, halves to the even one.
  return std::clamp(static_cast<int>(std::nearbyint(r * (kBoxesPerSeat - 1))), 0,
                    kBoxesPerSeat - 1);
}

void PropDisplay::PlaceBoxes(int block, bool enabled) {
  if (!Ready()) return;
  Form& f = Main();
  for (int i = 0; i < kBoxesPerSeat; ++i) {
    const int k = kBoxesPerSeat * block + i;
    const ElementId e = PropImage(k);
    if (e == kNoElement) continue;
    f.SetStretch(e, true);
    f.Move(e, boxes.BoxPositions[k], boxes.BoxPositions[k + kBoxElements], boxes.BoxSize[0],
           boxes.BoxSize[1]);
    f.LoadSprite(e, kClosedBoxPicture);
    f.Show(e);
    f.SetEnabled(e, enabled);
    f.BringToFront(e);
  }
}

void PropDisplay::SetCountdownCaption(const char* text) {
  if (!Ready()) return;
  Main().SetCaption(view_.el.LbProp, std::to_string(BoxCountdown) + kLineBreak + text);
}

void PropDisplay::BoxEnding() {
  PropComponent& props = props_;
  if (Ready()) Main().SetCaption(view_.el.LbProp, "");
  BoxChoice.fill(-1);
  int first = -1;
  for (int entry = 0; entry < kBoxEntries && first < 0; ++entry) {
    if (TakesPart(entry)) first = entry;
  }
  if (first < 0) {
    props.ShowBoard();
    if (props.PropsActive >= 1) props.InitShowNext(false);
    return;
  }

  const char* prompt = kChooseBox;
  localHasBox_ = first == 0;
  if (localHasBox_) {
    PlaceBoxes(0, true);
  } else {
    int block = 0;
    for (int entry = 1; entry < kBoxEntries; ++entry) {
      if (!TakesPart(entry)) continue;
      PlaceBoxes(block, false);
      BoxChoice[entry] = static_cast<int16_t>(kBoxesPerSeat * block + RandomBox());
      ++block;
    }
    prompt = kWaitForOthers;
  }
  awaitingChoice_ = localHasBox_;
  BoxClicked = false;

  if (Ready()) {
    Form& f = Main();
    const ElementId caption = view_.el.LbProp;
    const double width = kCaptionColumnWidth * static_cast<double>(DisplayWidth(prompt));
    f.SetAlign(caption, TextAlign::Center);
    f.SetColor(caption, kCountdownColour);
    f.SetCaption(caption, std::to_string(kBoxCountdownSeconds) + kLineBreak + prompt);
    f.Move(caption, boxes.CaptionAnchor[0] - width / 2, boxes.CaptionAnchor[1], width,
           kCountdownCaptionHeight);
    f.Show(caption);
    f.BringToFront(caption);
  }
  PropAnimOn = false;
  BoxCountdown = kBoxCountdownSeconds;
  BoxCountdownTicks = 0;
  BoxCountdownOn = true;
}

void PropDisplay::CountdownStep() {
  if (!BoxCountdownOn || ++BoxCountdownTicks < kTicksPerSecond) return;
  BoxCountdownTicks = 0;
  --BoxCountdown;
  if (BoxClicked) {
    BoxCountdownOn = false;
    return;
  }
  // Whether the local player has a box was settled when the scene started, so the boxes on
  // the table and the countdown's words always agree.
  if (!localHasBox_) {
    SetCountdownCaption(kWaitForPlayers);
    if (BoxCountdown < kOthersOpenBelow) {
      BoxCountdownOn = false;
      OpenBoxes(-1);
    }
  } else {
    SetCountdownCaption(kChooseBox);
    if (BoxCountdown < kLocalOpensBelow) {
      BoxCountdownOn = false;
      OpenBoxes(RandomBox());
    }
  }
}

void PropDisplay::OnImageClick(int index) {
  if (props_.PropsActive != 2) {
    UnloadExtraImages();
    return;
  }
  // Only a closed box of the local player's own, while the choice is open, starts the opening;
  // a prize left on the table or a second click does nothing.
  if (BoxClicked || !awaitingChoice_ || index < 0 || index >= kBoxesPerSeat) return;
  BoxClicked = true;
  OpenBoxes(index);
}

void PropDisplay::OpenBoxes(int n) {
  awaitingChoice_ = false;
  if (n == -1) {
    for (int entry = 1; entry < kBoxEntries; ++entry) {
      if (BoxChoice[entry] != -1 && !GlideToCentre(BoxChoice[entry])) return;
    }
  } else {
    BoxChoice[0] = static_cast<int16_t>(n);
    if (!GlideToCentre(n)) return;
  }
  if (props_.PropsActive == 2) props_.ShowGif(1, true);
  TimerPropInterval = std::max<int>(1, boxes.OpeningTiming[0]);
  OpeningFrame = 0;
  BoxOpening = true;
  PropAnimOn = false;
  ResultCaption(-1);
  StartTimer();
}

bool PropDisplay::GlideToCentre(int k) {
  const ElementId e = PropImage(k);
  if (e == kNoElement) return true;
  Form& f = Main();
  f.BringToFront(e);
  const int first = kBoxesPerSeat * (k / kBoxesPerSeat);
  for (int i = first; i < first + kBoxesPerSeat; ++i) {
    if (i == k || !loaded_[i]) continue;
    f.Hide(f.Find("ImgProp", i));
  }
  const double toLeft = boxes.BoxCentre[0] - boxes.BoxSize[0] / 2.0;
  const double toTop = boxes.BoxCentre[1] - boxes.BoxSize[1] / 2.0;
  if (!Glide(e, f.GetLeft(e), f.GetTop(e), toLeft, toTop)) return false;
  Main().Hide(e);
  return true;
}

bool PropDisplay::ShowPrize(int k, int entry) {
  const ElementId e = PropImage(k);
  if (e == kNoElement || entry < 0 || entry >= kBoxEntries) return true;
  Form& f = Main();
  const double left = boxes.BoxCentre[0] - boxes.PrizeSize[0] / 2.0;
  const double top = boxes.BoxCentre[1] - boxes.PrizeSize[1] / 2.0;
  f.SetStretch(e, true);
  f.Move(e, left, top, std::max(0, boxes.PrizeSize[0]), std::max(0, boxes.PrizeSize[1]));
  f.LoadSprite(e, kPrizePicture);
  f.Show(e);
  return Glide(e, left, top, boxes.PrizeTargets[entry], boxes.PrizeTargets[entry + kBoxEntries]);
}

bool PropDisplay::Glide(ElementId e, double x0, double y0, double x1, double y1) {
  const uint64_t scene = sceneSerial_;
  for (int i = 1; i <= kGlideSteps; ++i) {
    Main().Move(e, x0 + i * (x1 - x0) / kGlideSteps, y0 + i * (y1 - y0) / kGlideSteps);
    timers_.PumpWait(kGlideStepMs);
    if (scene != sceneSerial_ || !Ready()) return false;
  }
  return true;
}

void PropDisplay::FinishOpening() {
  PropComponent& props = props_;
  BoxOpening = false;
  OpeningFrame = 0;
  ResultCaption(OpeningFrames());
  if (props.PropsActive >= 1) props.ShowGif(1, false);
  if (BoxChoice[0] == -1) {
    for (int entry = 1; entry < kBoxEntries; ++entry) {
      if (BoxChoice[entry] != -1 && !ShowPrize(BoxChoice[entry], entry)) return;
    }
  } else if (!ShowPrize(BoxChoice[0], 0)) {
    return;
  }
  props.ShowBoard();
  if (props.PropsActive >= 1) {
    props.InitShowNext(false);
    timers_.BlockingWait(kResultShownMs);
    if (Ready()) Main().Hide(view_.el.LbProp);
  }
}

}  // namespace korvel
